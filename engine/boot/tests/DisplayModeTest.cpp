// The display mode from the active EDID on the emulator: the mode chosen for the
// real OVMF EDID and for the monitors of the edge cases, the settings that allow the
// switch, and malformed EDIDs that change nothing.
#include <engine/testing/TextUiMachineTest.h>

#include <engine/boot/DisplayMode.h>
#include <engine/core/VariableGuids.h>

#include <Fixtures.h>

#include <string>
#include <vector>

namespace {

const EFI_GUID  kEngineGuid = ENGINE_SETTINGS_VARIABLE_GUID;
const EFI_GUID  kBoardGuid  = BOARD_SETUP_VARIABLE_GUID;
constexpr UINT32  kNvBsRt   = EFI_VARIABLE_NON_VOLATILE | EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_RUNTIME_ACCESS;

std::vector<UINT8>
OvmfEdid ()
{
  return Fixtures::Read ("ovmf/EDIDMMIO.BIN");
}

void
FixChecksum (std::vector<UINT8> &Edid)
{
  UINT8  Sum = 0;
  for (size_t Index = 0; Index < 127; Index++) {
    Sum = (UINT8)(Sum + Edid[Index]);
  }
  Edid[127] = (UINT8)(0 - Sum);
}

// The OVMF EDID with another preferred timing (or none).
std::vector<UINT8>
Monitor (UINT32 Width, UINT32 Height, bool Preferred = true)
{
  std::vector<UINT8>  Edid = OvmfEdid ();
  Edid[56] = (UINT8)Width;
  Edid[58] = (UINT8)((Edid[58] & 0x0F) | ((Width >> 8) << 4));
  Edid[59] = (UINT8)Height;
  Edid[61] = (UINT8)((Edid[61] & 0x0F) | ((Height >> 8) << 4));
  Edid[24] = Preferred ? (UINT8)(Edid[24] | 0x02) : (UINT8)(Edid[24] & ~0x02);
  FixChecksum (Edid);
  return Edid;
}

class DisplayModeTest : public TextUiMachineTest {
protected:
  void Boot (std::optional<std::vector<UINT8>> Edid, std::vector<std::pair<UINT32, UINT32>> Modes = {})
  {
    Emu::MACHINE_OPTIONS  Options;
    Options.Edid = std::move (Edid);
    if (!Modes.empty ()) {
      Options.GraphicsModes = Modes;
    }
    Rebuild (Options);
  }

  void AskForNativeMode (UINT8 EngineByte = 2, UINTN BoardSize = 4341, UINTN BoardIndex = 4316, UINT8 BoardByte = 2)
  {
    std::vector<UINT8>  Engine (81, 0);
    Engine[80] = EngineByte;
    M.Variables ().Put (u"OKURWZSetup", kEngineGuid, kNvBsRt, Engine);
    std::vector<UINT8>  Board (BoardSize, 0);
    if (BoardIndex < BoardSize) {
      Board[BoardIndex] = BoardByte;
    }
    M.Variables ().Put (u"Setup", kBoardGuid, kNvBsRt, Board);
  }

  void Run ()
  {
    HOOK_ARGS  Args = { 0, { 0 } };
    (VOID)SetDisplayModeFromEdid (&Args);
  }

  // Boots the machine with the EDID and modes, asks for the native mode and runs the choice.
  void BootAndRun (std::optional<std::vector<UINT8>> Edid, std::vector<std::pair<UINT32, UINT32>> Modes = {})
  {
    Boot (std::move (Edid), std::move (Modes));
    AskForNativeMode ();
    Run ();
  }

  const std::vector<UINT32> &SetModes () { return Devices.Graphics->SetModeLog (); }
  size_t Fills () { return Devices.Graphics->BltLog ().size (); }
};

TEST_F (DisplayModeTest, TheOvmfEdidPicks1024By768OrItsOwnSizeWhenOffered) {
  UINT32  Width = 0, Height = 0;
  auto    Edid  = OvmfEdid ();
  ASSERT_EQ (ReadEdidPreferredResolution (Edid.data (), Edid.size (), &Width, &Height), EFI_SUCCESS);
  EXPECT_EQ (Width, 1280u);
  EXPECT_EQ (Height, 800u);

  BootAndRun (Edid);
  ASSERT_EQ (SetModes (), (std::vector<UINT32> { 0 }));        // 1280x800 nor 16:10 offered
  EXPECT_EQ (Devices.Graphics->Width (), 1024u);
  EXPECT_EQ (Fills (), 1u);

  BootAndRun (Edid, { { 1024, 768 }, { 1280, 800 }, { 1440, 900 } });
  EXPECT_EQ (SetModes (), (std::vector<UINT32> { 1 }));

  BootAndRun (Edid, { { 1024, 768 }, { 1440, 900 }, { 800, 600 } });
  EXPECT_EQ (SetModes (), (std::vector<UINT32> { 1 }));       // the same aspect ratio
}

TEST_F (DisplayModeTest, ModeChoiceForTheMonitorsOfTheEdgeCases) {
  std::vector<DISPLAY_MODE_SIZE>  Full = { { 1024, 768 }, { 1280, 720 }, { 1920, 1080 } };
  EXPECT_EQ (ChooseDisplayMode (Full.data (), 3, 1920, 1080), 2u);
  EXPECT_EQ (ChooseDisplayMode (Full.data (), 2, 1920, 1080), 1u);      // without 1920x1080: 1280x720
  EXPECT_EQ (ChooseDisplayMode (Full.data (), 3, 0, 0), 0u);            // no preferred timing
  std::vector<DISPLAY_MODE_SIZE>  No1024 = { { 800, 600 }, { 1280, 720 } };
  EXPECT_EQ (ChooseDisplayMode (No1024.data (), 2, 0, 0), (UINT32)DISPLAY_MODE_NONE);
  EXPECT_EQ (ChooseDisplayMode (No1024.data (), 2, 1600, 1200), 0u);    // 4:3 as 800x600
  EXPECT_EQ (ChooseDisplayMode (No1024.data (), 2, 1366, 767), (UINT32)DISPLAY_MODE_NONE);
  // The last of each kind wins.
  std::vector<DISPLAY_MODE_SIZE>  Twice = { { 1024, 768 }, { 1920, 1080 }, { 1024, 768 }, { 1920, 1080 } };
  EXPECT_EQ (ChooseDisplayMode (Twice.data (), 4, 1920, 1080), 3u);
  EXPECT_EQ (ChooseDisplayMode (Twice.data (), 4, 0, 0), 2u);

  BootAndRun (Monitor (1920, 1080), { { 1024, 768 }, { 1280, 720 }, { 1920, 1080 } });
  EXPECT_EQ (SetModes (), (std::vector<UINT32> { 2 }));

  BootAndRun (Monitor (1920, 1080, false), { { 800, 600 }, { 1024, 768 } });
  EXPECT_EQ (SetModes (), (std::vector<UINT32> { 1 }));

  BootAndRun (Monitor (1920, 1080, false), { { 800, 600 } });
  EXPECT_TRUE (SetModes ().empty ());
  EXPECT_EQ (Fills (), 0u);
}

TEST_F (DisplayModeTest, WithoutTheSettingsTheScreenIsOnlyCleared) {
  struct { UINT8 Engine; UINTN Size; UINTN Index; UINT8 Value; bool Switches; } Cases[] = {
    { 2, 4341, 4316, 2, true },  { 2, 4341, 4324, 1, true },  { 1, 4341, 4316, 2, false },
    { 2, 4341, 4316, 1, false }, { 2, 4341, 4324, 2, false }, { 2, 100, 4316, 2, false },   // too short to hold it
    { 2, 5000, 4316, 2, false },                                                              // larger than the buffer
  };
  for (const auto &Case : Cases) {
    Boot (Monitor (1920, 1080));
    AskForNativeMode (Case.Engine, Case.Size, Case.Index, Case.Value);
    Run ();
    EXPECT_EQ (SetModes ().size (), Case.Switches ? 1u : 0u) << Case.Size << " " << Case.Index;
    EXPECT_EQ (Fills (), 1u);
  }

  Boot (Monitor (1920, 1080));                    // no settings variables at all
  Run ();
  EXPECT_TRUE (SetModes ().empty ());
  EXPECT_EQ (Fills (), 1u);
}

TEST_F (DisplayModeTest, MalformedEdidsChangeNothing) {
  std::vector<UINT8>  Short = Monitor (1920, 1080);
  Short.resize (127);
  std::vector<UINT8>  BadSum = Monitor (1920, 1080);
  BadSum[127] ^= 1;
  std::vector<UINT8>  ZeroWidth = Monitor (0, 1080);
  std::vector<UINT8>  ZeroHeight = Monitor (1920, 0);
  std::vector<UINT8>  BadHeader = Monitor (1920, 1080);
  BadHeader[0] = 1;
  BadHeader[127]--;
  for (const auto &Edid : { Short, BadSum, ZeroWidth, ZeroHeight, BadHeader, std::vector<UINT8> {} }) {
    BootAndRun (Edid);
    EXPECT_TRUE (SetModes ().empty ()) << Edid.size ();
    EXPECT_EQ (Fills (), 0u);
  }

  UINT32  Width, Height;
  EXPECT_EQ (ReadEdidPreferredResolution (BadSum.data (), BadSum.size (), &Width, &Height), EFI_CRC_ERROR);
  EXPECT_EQ (ReadEdidPreferredResolution (nullptr, 128, &Width, &Height), EFI_INVALID_PARAMETER);
}

TEST_F (DisplayModeTest, WithoutAnEdidOrAFailingSetModeNothingChanges) {
  BootAndRun (std::nullopt);
  EXPECT_TRUE (SetModes ().empty ());
  EXPECT_EQ (Fills (), 0u);

  Boot (Monitor (1920, 1080));
  AskForNativeMode ();
  Devices.Graphics->FailSetMode (EFI_DEVICE_ERROR);
  Run ();
  EXPECT_EQ (Fills (), 0u);
}

}  // namespace

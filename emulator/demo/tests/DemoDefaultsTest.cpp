// Setup entered from the power-on flow of the demo board: the settings are read again
// from NVRAM on the way in, the engine's settings record is made whole, and the
// optimized defaults (F3) give each question the default its form or the board's
// compiled data holds, while a question without one keeps its value and the clock
// never takes a day no calendar holds.
#include <DemoBoard.h>
#include <engine/testing/EngineMachineTest.h>

#include <engine/boot/BootOptions.h>
#include <engine/browser/DynamicPages.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/BootScreenInterface.h>
#include <engine/textui/TuiApp.h>
#include <frontend/SetupSave.h>
#include <Emulator/RunEnded.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace {

using BYTES = std::vector<UINT8>;

const EFI_GUID  kGlobal = { 0x8BE4DF61, 0x93CA, 0x11D2, { 0xAA, 0x0D, 0x00, 0xE0, 0x98, 0x03, 0x2B, 0x8C } };
const EFI_GUID  &kEngine = Demo::kEngineVariableGuid;

// Where the board keeps its settings in "Setup".
constexpr UINTN  kBootModeAt = 0;
constexpr UINTN  kFanLimitAt = 2;
constexpr UINTN  kLatencyAt  = 5;
constexpr UINTN  kDateAt     = 8;
constexpr UINTN  kAssetTagAt = 16;

constexpr UINT32  kAttributes = EFI_VARIABLE_NON_VOLATILE | EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_RUNTIME_ACCESS;

class DemoDefaultsTest : public EngineMachineTest {
protected:
  void TearDown () override
  {
    Clean ();
    EngineMachineTest::TearDown ();
  }

  void Clean ()
  {
    DestroyTuiApp ();
    FreeDynamicPageTable ();
    RestoreDeletedOptions ();
    FreeBootOptionTables ();
    gSaveAskedForReset = 0;
  }

  // A fresh machine whose NVRAM holds the board's settings as Change leaves them.
  void PowerOn (const std::string &Keys, const std::function<void (BYTES &Setup)> &Change)
  {
    Emu::MACHINE_OPTIONS  Options;
    Options.Keys = Keys;
    Clean ();
    ForgetEngine ();
    M.~Machine ();
    new (&M) Emu::Machine ();
    Devices = Emu::BuildStandardMachine (M, Options);
    ForgetLibraryTables ();
    Demo::SeedVariables (M.Variables (), Demo::BuildBoard ());
    BYTES  Setup = M.Variables ().Lookup (u"Setup", Demo::kBoardSetupGuid)->Data;
    Change (Setup);
    M.Variables ().Put (u"Setup", Demo::kBoardSetupGuid, kAttributes, Setup);
  }

  void Run ()
  {
    std::ostringstream  Report;
    Demo::RunDemoBoard (M, Devices, Report);
  }

  BYTES Stored (const std::u16string &Name, const EFI_GUID &Guid)
  {
    const Emu::VARIABLE  *Found = M.Variables ().Lookup (Name, Guid);
    return (Found == nullptr) ? BYTES {} : Found->Data;
  }

  bool ScreenHas (const std::u16string &Text)
  {
    for (UINTN Row = 0; Row < 31; Row++) {
      if (Devices.TextOut->RowText (Row).find (Text) != std::u16string::npos) {
        return true;
      }
    }

    return false;
  }
};

// Every setting off its default, a date and an asset tag of the user's: F3 and a save
// bring the boot mode, the fan limit, the PCI latency and the time-out to the defaults
// the forms and the board give; the date and the asset tag, which have none, stay.
TEST_F (DemoDefaultsTest, OptimizedDefaultsAreTheFormsAndTheBoardsAndLeaveQuestionsWithoutOne) {
  PowerOn ("F2,F3,Enter,F4,Enter", [] (BYTES &Setup) {
    Setup[kBootModeAt] = 2;
    Setup[kFanLimitAt] = 85;
    Setup[kLatencyAt]  = 0x80;
    Setup[kDateAt]     = (UINT8)(2031 & 0xFF);
    Setup[kDateAt + 1] = (UINT8)(2031 >> 8);
    Setup[kDateAt + 2] = 7;
    Setup[kDateAt + 3] = 14;
    std::memcpy (&Setup[kAssetTagAt], u"RACK-7", sizeof (u"RACK-7"));
  });
  M.Variables ().Put (u"Timeout", kGlobal, kAttributes, { 9, 0 });

  EXPECT_THROW (Run (), Emu::ResetSystemCalled);
  BYTES  Setup = Stored (u"Setup", Demo::kBoardSetupGuid);
  ASSERT_EQ (Setup.size (), 64u);
  EXPECT_EQ (Setup[kBootModeAt], 0);
  EXPECT_EQ (Setup[kFanLimitAt] | (Setup[kFanLimitAt + 1] << 8), 60);
  EXPECT_EQ (Setup[kLatencyAt], 0x40);
  EXPECT_EQ (BYTES (Setup.begin () + kDateAt, Setup.begin () + kDateAt + 4), (BYTES { 2031 & 0xFF, 2031 >> 8, 7, 14 }));
  EXPECT_EQ (std::memcmp (&Setup[kAssetTagAt], u"RACK-7", sizeof (u"RACK-7")), 0);
  EXPECT_EQ (Stored (u"Timeout", kGlobal), (BYTES { 5, 0 }));
}

// NVRAM changed after the driver started (as an earlier boot stage or a driver may do)
// shows in setup: the settings are read again on the way in. A settings record shorter
// than 81 bytes is made whole before setup shows, its bytes kept.
TEST_F (DemoDefaultsTest, EnteringSetupReadsTheSettingsAgainAndCompletesTheSettingsRecord) {
  PowerOn ("F2,Down,Down,Down,Enter", [] (BYTES &) {});
  M.Variables ().Put (u"OKURWZSetup", kEngine, kAttributes, { 0x41, 0x42, 0x43 });
  Demo::BOARD  Board = Demo::BuildBoard ();
  Demo::SeedVariables (M.Variables (), Board);
  Demo::STARTED_DRIVER  Started = Demo::StartSetupDriver (M, Devices, Board);
  ASSERT_EQ (Started.Status, EFI_SUCCESS);
  BYTES  Setup = Stored (u"Setup", Demo::kBoardSetupGuid);
  Setup[kFanLimitAt] = 75;
  M.Variables ().Put (u"Setup", Demo::kBoardSetupGuid, kAttributes, Setup);

  EXPECT_THROW ((VOID)gBootScreenInterface.RunBootScreenFlow (), Emu::KeyScriptExhausted);
  EXPECT_EQ (Devices.TextOut->RowText (5).substr (40, 3), u"75 ");
  BYTES  Record = Stored (u"OKURWZSetup", kEngine);
  ASSERT_EQ (Record.size (), 81u);
  EXPECT_EQ (BYTES (Record.begin (), Record.begin () + 4), (BYTES { 0x41, 0x42, 0x43, 0 }));
}

}  // namespace

// The demo board's page of action links, driven from the keyboard: Main leads to it, and
// each link boots, starts, calls or acts on what the board holds, with what that
// shows on the screen.
#include <DemoBoard.h>
#include <DemoActionLinks.h>
#include <engine/testing/EngineMachineTest.h>

#include <engine/boot/BootOptions.h>
#include <engine/boot/DriverHealth.h>
#include <engine/browser/DynamicPages.h>
#include <engine/core/EngineGlobals.h>
#include <engine/textui/TuiApp.h>
#include <frontend/FrontEndServices.h>
#include <Emulator/BootDevices.h>
#include <Emulator/RunEnded.h>

#include <gtest/gtest.h>

#include <string>

namespace {

class DemoActionLinksTest : public EngineMachineTest {
protected:
  void TearDown () override
  {
    Devices.TextIn->Script ().SetWaitHook (nullptr);
    DestroyTuiApp ();
    FreeDynamicPageTable ();
    FreeBootOptionTables ();
    FreeDriverHealthList ();
    EngineMachineTest::TearDown ();
  }

  // The board on a fresh machine whose keyboard gives Keys after those that open the page.
  void Boot (const std::string &Keys)
  {
    Emu::MACHINE_OPTIONS  Options;
    Options.Keys = "Down,Down,Down,Down,Down,Down,Down,Enter," + Keys;
    M.~Machine ();
    new (&M) Emu::Machine ();
    Devices = Emu::BuildStandardMachine (M, Options);
    ForgetLibraryTables ();
    Demo::BOARD  Board = Demo::BuildBoard ();
    Demo::SeedVariables (M.Variables (), Board);
    Demo::PutBoardBootOption (M.Variables (), VolumePath ());
    Demo::PutLegacyBootOption (M.Variables ());
    ASSERT_EQ (Demo::StartSetupDriver (M, Devices, Board).Status, EFI_SUCCESS);
    ASSERT_EQ (BuildBootOptionTables (), EFI_SUCCESS);       // as the POST flow does before setup
  }

  // The driver's firmware volume's device path, without its end node.
  std::vector<UINT8> VolumePath ()
  {
    const UINT8  *Path = (const UINT8 *)M.Protocols ().Find (Devices.Image->VolumeHandle (), gEfiDevicePathProtocolGuid);
    size_t       Size  = 0;
    while ((Path != nullptr) && (Path[Size] != 0x7F)) {
      Size += (size_t)(Path[Size + 2] | (Path[Size + 3] << 8));
    }
    return std::vector<UINT8> (Path, Path + Size);
  }

  // Setup from the main page until the keys run out.
  void RunSetup ()
  {
    EXPECT_THROW ((VOID)EnterGraphicalSetup (), Emu::KeyScriptExhausted);
  }

  // The keys from the page's first link to link Link, then Enter.
  static std::string Choose (UINT16 Link)
  {
    std::string  Keys;
    for (UINT16 Row = 0; Row < Link + ((Link > Demo::kLinkLegacyGroup) ? 1 : 0); Row++) {
      Keys += "Down,";     // the device count after the legacy group takes the focus too
    }
    return Keys + "Enter";
  }

  bool ScreenShows (const std::u16string &Text)
  {
    for (UINTN Row = 0; Row < 31; Row++) {
      if (Devices.TextOut->RowText (Row).find (Text) != std::u16string::npos) {
        return true;
      }
    }
    return false;
  }

  // The value column of the row whose prompt is Prompt.
  std::u16string ValueOf (const std::u16string &Prompt)
  {
    for (UINTN Row = 0; Row < 31; Row++) {
      std::u16string  Text = Devices.TextOut->RowText (Row);
      if (Text.find (Prompt) != std::u16string::npos) {
        return Text.substr (40, 26);
      }
    }
    return u"";
  }
};

TEST_F (DemoActionLinksTest, MainLeadsToThePageWithEveryLink) {
  Boot ("");
  RunSetup ();
  for (const std::u16string &Prompt : Demo::SpecialLinkPrompts ()) {
    EXPECT_TRUE (ScreenShows (u"\u25BA " + Prompt)) << std::string (Prompt.begin (), Prompt.end ());
  }

  EXPECT_EQ (ValueOf (u"Board sensors").substr (0, 12), u"not read yet");
}

// The board's shell follows the three options the NVRAM starts with in the boot list.
TEST_F (DemoActionLinksTest, TheFourthBootListEntryBootsTheBoardsShell) {
  Boot (Choose (Demo::kLinkBootEntry4));
  try {
    (VOID)EnterGraphicalSetup ();
    ADD_FAILURE () << "nothing booted";
  } catch (const Emu::OsBooted &Booted) {
    EXPECT_EQ (Booted.Loader, "UEFI Shell");
  }
}

TEST_F (DemoActionLinksTest, TheEngineActionAsksToLoadTheOptimizedDefaults) {
  Boot (Choose (Demo::kLinkLoadDefaults));
  RunSetup ();
  EXPECT_TRUE (ScreenShows (u"Load Optimized Defaults?"));
}

TEST_F (DemoActionLinksTest, TheBoardDriversCallbackReadsTheSensorsIntoThePage) {
  Boot (Choose (Demo::kLinkReadSensors) + ",Enter");
  RunSetup ();
  EXPECT_EQ (ValueOf (u"Board sensors").substr (0, 17), u"CPU 42 C (read 2)");
}

TEST_F (DemoActionLinksTest, SelectingTheLegacyGroupShowsItsTwoDisks) {
  Boot (Choose (Demo::kLinkLegacyGroup));
  RunSetup ();
  EXPECT_EQ (ValueOf (u"Devices in the group").substr (0, 2), u"2 ");
}

TEST_F (DemoActionLinksTest, TheRaidControllerIsListedAndRepaired) {
  Boot (Choose (Demo::kLinkHealthList) + ",Down,Enter");
  RunSetup ();
  EXPECT_TRUE (ScreenShows (u"The RAID controller was repaired."));
}

// The diagnostics print their result and wait for a key; then the page is back.
TEST_F (DemoActionLinksTest, TheDiagnosticsRunFromTheFirmwareVolumeAndReturnToThePage) {
  bool  Printed = false;

  Boot (Choose (Demo::kLinkDiagnostics) + ",a");
  Devices.TextIn->Script ().SetWaitHook ([&] () {
    Printed = Printed || ScreenShows (u"Memory, disks and fans: all tests passed.");
  });
  RunSetup ();
  EXPECT_TRUE (Printed);
  EXPECT_FALSE (ScreenShows (u"all tests passed"));
  EXPECT_TRUE (ScreenShows (u"\u25BA Diagnostics"));
}

TEST_F (DemoActionLinksTest, TheRecoveryToolTheVolumeLacksGivesTheWarning) {
  Boot (Choose (Demo::kLinkRecovery));
  RunSetup ();
  EXPECT_TRUE (ScreenShows (u"WARNING"));
  EXPECT_TRUE (ScreenShows (u"\u25BA Recovery tool"));              // the page under the box
}

// The old tool's path comes first and is not on the volume: the new one starts.
TEST_F (DemoActionLinksTest, TheFlashToolStartsFromItsSecondPath) {
  bool  Printed = false;

  Boot (Choose (Demo::kLinkFlashTool) + ",a");
  Devices.TextIn->Script ().SetWaitHook ([&] () { Printed = Printed || ScreenShows (u"The firmware is up to date."); });
  RunSetup ();
  EXPECT_TRUE (Printed);
  EXPECT_FALSE (ScreenShows (u"WARNING"));
}

}  // namespace

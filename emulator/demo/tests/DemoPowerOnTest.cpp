// Powering the demo board on again after setup: an Administrator password set and
// saved in setup is asked at the next power-on, before anything else shows; and a
// save that needs a reset tells the board's hooks in their order.
#include <DemoBoard.h>
#include <engine/testing/EngineMachineTest.h>

#include <engine/boot/BootOptions.h>
#include <engine/browser/DynamicPages.h>
#include <engine/core/BootScreenInterface.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/HookTable.h>
#include <engine/textui/TuiApp.h>
#include <frontend/FrontEndServices.h>
#include <gui/GuiServices.h>
#include <Guid/GlobalVariable.h>
#include <Emulator/KeyScript.h>
#include <Emulator/RunEnded.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using BYTES = std::vector<UINT8>;

// The Security page, Enter on "Administrator Password", the password twice, then back
// to the main page and leave: "Save configuration and exit?" Yes.
const std::string  kSetAdministratorPassword = "Down,Down,Down,Down,Enter,Enter,a,b,c,Enter,a,b,c,Enter,Esc,Esc,Enter";

class DemoPowerOnTest : public EngineMachineTest {
protected:
  void TearDown () override
  {
    DestroyTuiApp ();
    FreeDynamicPageTable ();
    FreeBootOptionTables ();
    EngineMachineTest::TearDown ();
  }

  // A fresh machine with Keys and the NVRAM given (the board's own otherwise), the driver started.
  void PowerOn (const std::string &Keys, const std::optional<BYTES> &Nvram = std::nullopt)
  {
    Emu::MACHINE_OPTIONS  Options;
    Options.Keys = Keys;
    DestroyTuiApp ();
    FreeDynamicPageTable ();
    FreeBootOptionTables ();
    ForgetEngine ();
    M.~Machine ();
    new (&M) Emu::Machine ();
    Devices = Emu::BuildStandardMachine (M, Options);
    ForgetLibraryTables ();
    Demo::BOARD  Board = Demo::BuildBoard ();
    if (Nvram) {
      std::string  Error;
      ASSERT_TRUE (M.Variables ().LoadBytes (*Nvram, &Error)) << Error;
    }

    Demo::SeedVariables (M.Variables (), Board);
    // No wait for hotkeys: the keys are the prompt's.
    M.Variables ().Put (u"Timeout", gEfiGlobalVariableGuid,
      EFI_VARIABLE_NON_VOLATILE | EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_RUNTIME_ACCESS, { 0, 0 });
    ASSERT_EQ (Demo::StartSetupDriver (M, Devices, Board).Status, EFI_SUCCESS);
    Seen.clear ();
    Devices.TextIn->Script ().SetWaitHook ([this] () {
      std::string  Screen = Devices.TextOut->ScreenText ();
      if (Seen.empty () && (Screen.find ("Enter Password") != std::string::npos)) {
        Seen = Screen;
      }
    });
  }

  // What the NVRAM keeps over a power cycle after Keys were typed in setup.
  BYTES NvramAfterSetup (const std::string &Keys)
  {
    PowerOn (Keys);
    EXPECT_THROW ((VOID)EnterGraphicalSetup (), Emu::ResetSystemCalled);
    M.Variables ().DropVolatile ();
    return M.Variables ().SaveBytes ();
  }

  EFI_STATUS Flow () { return gBootScreenInterface.RunBootScreenFlow (); }

  std::string  Seen;
};

// Set in setup, saved, powered on again: the prompt comes first, and the right
// password goes on to the boot (the board has nothing to boot, so it asks for media).
TEST_F (DemoPowerOnTest, TheAdministratorPasswordSetInSetupIsAskedAtTheNextPowerOn) {
  BYTES  Nvram = NvramAfterSetup (kSetAdministratorPassword);

  PowerOn ("a,b,c,Enter", Nvram);
  EXPECT_THROW (Flow (), Emu::KeyScriptExhausted);
  EXPECT_NE (Seen.find ("Enter Password"), std::string::npos);
  EXPECT_EQ (Seen.find ("Demo Board Setup"), std::string::npos);     // nothing of setup behind it
  EXPECT_EQ (gAccessLevel, 2u);
  EXPECT_NE (Devices.TextOut->ScreenText ().find ("Reboot and Select proper Boot device"), std::string::npos);
}

// Three wrong entries stop the machine there; setup never opens, even when asked for.
TEST_F (DemoPowerOnTest, ThreeWrongPasswordsAtPowerOnStopTheMachine) {
  BYTES  Nvram = NvramAfterSetup (kSetAdministratorPassword);

  PowerOn ("x,Enter,Enter,a,b,Enter,Enter,c,b,a,Enter,Del,Del", Nvram);
  EXPECT_THROW (Flow (), Emu::KeyScriptExhausted);
  EXPECT_NE (Seen.find ("Enter Password"), std::string::npos);
  EXPECT_NE (Devices.TextOut->ScreenText ().find ("System halted: the password was refused."), std::string::npos);
  EXPECT_EQ (gInSetup, 0);
  EXPECT_EQ (gAccessLevel, 0u);
}

// Without a password the board powers on without a prompt.
TEST_F (DemoPowerOnTest, WithoutAPasswordNothingIsAskedAtPowerOn) {
  PowerOn ("");
  EXPECT_THROW (Flow (), Emu::KeyScriptExhausted);
  EXPECT_EQ (Seen, "");
  EXPECT_NE (Devices.TextOut->ScreenText ().find ("Reboot and Select proper Boot device"), std::string::npos);
}

// Recording members of the setup hooks, in a table of the test's own.
std::vector<std::string>  gHookCalls;

UINT64
RecordGuiStart (CONST HOOK_ARGS *)
{
  gHookCalls.push_back ((gTuiApp == nullptr) ? "start" : "start, pages shown");
  return 0;
}

UINT64
RecordPagesBuilt (CONST HOOK_ARGS *)
{
  gHookCalls.push_back ((gTuiApp == nullptr) ? "pages built" : "pages built, pages shown");
  return 0;
}

UINT64
RecordBeforeReset (CONST HOOK_ARGS *)
{
  gHookCalls.push_back ((gInSetup == 0) ? "before reset" : "before reset, still in setup");
  return 0;
}

// Setup tells the board that it starts and that its pages are built before any page
// shows; a save that needs a reset tells it before the reset.
TEST_F (DemoPowerOnTest, SetupTellsTheBoardWhenItStartsAndBeforeItResets) {
  PowerOn ("Down,Down,Down,Enter,+,Esc,Esc,Enter");
  const UINT64         *Saved = gHookTable;
  HOOK_FUNCTION        Empty  = EmptyMethod;
  std::vector<UINT64>  Table  = {
    HOOK_ID_BEFORE_SETUP_RESET, (UINT64)(UINTN)Empty, (UINT64)(UINTN)RecordBeforeReset,
    HOOK_ID_SETUP_PAGES_BUILT, (UINT64)(UINTN)Empty, (UINT64)(UINTN)RecordPagesBuilt,
    HOOK_ID_GUI_SETUP_START, (UINT64)(UINTN)Empty, (UINT64)(UINTN)RecordGuiStart,
    0xFFFF0000, (UINT64)(UINTN)Empty, 0 };
  gHookTable = Table.data ();
  gHookCalls.clear ();

  EXPECT_THROW ((VOID)EnterGraphicalSetup (), Emu::ResetSystemCalled);
  gHookTable = Saved;
  EXPECT_EQ (gHookCalls, (std::vector<std::string> { "start", "pages built", "before reset" }));
  EXPECT_EQ (M.Resets ().size (), 1u);
}

}  // namespace

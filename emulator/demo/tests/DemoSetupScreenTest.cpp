// Setup on the demo board: entering it shows the board's forms as the engine's pages,
// its questions show their prompt and current value,
// and Esc on the top-level page leaves.
#include <DemoBoard.h>
#include <engine/testing/EngineMachineTest.h>

#include <engine/core/EngineGlobals.h>
#include <engine/browser/DynamicPages.h>
#include <engine/textui/TuiApp.h>
#include <frontend/FrontEndServices.h>
#include <Emulator/RunEnded.h>

#include <gtest/gtest.h>

namespace {

class DemoSetupScreenTest : public EngineMachineTest {
protected:
  void TearDown () override
  {
    DestroyTuiApp ();
    FreeDynamicPageTable ();
    EngineMachineTest::TearDown ();
  }

  void Boot (const std::string &Keys)
  {
    Emu::MACHINE_OPTIONS  Options;
    Options.Keys = Keys;
    M.~Machine ();
    new (&M) Emu::Machine ();
    Devices = Emu::BuildStandardMachine (M, Options);
    ForgetLibraryTables ();
    Demo::BOARD  Board = Demo::BuildBoard ();
    Demo::SeedVariables (M.Variables (), Board);
    ASSERT_EQ (Demo::StartSetupDriver (M, Devices, Board).Status, EFI_SUCCESS);
  }

  std::u16string Shown (UINTN Column, UINTN Row, UINTN Count) { return Devices.TextOut->RowText (Row).substr (Column, Count); }
};

TEST_F (DemoSetupScreenTest, EnteringShowsTheMainPageAndEscLeavesIt) {
  Boot ("Down,Down,Down,Enter,Down,Esc,Esc");
  EXPECT_EQ (EnterGraphicalSetup (), EFI_SUCCESS);
  EXPECT_EQ (gInSetup, 0);
  EXPECT_EQ (gTuiApp, nullptr);
  EXPECT_EQ (Shown (43, 0, 13), u"Setup Utility");
  EXPECT_EQ (Shown (3, 3, 11), u"System Date");
  EXPECT_EQ (Shown (1, 6, 10), u"\u25BA Advanced");
  EXPECT_EQ (Shown (67, 3, 21), u"Boot mode, network st");
}

TEST_F (DemoSetupScreenTest, TheAdvancedPageShowsItsQuestionsWithTheirValues) {
  Boot ("Down,Down,Down,Enter");
  EXPECT_THROW ((VOID)EnterGraphicalSetup (), Emu::KeyScriptExhausted);
  EXPECT_EQ (gInSetup, 1);                          // still in setup when the keys ran out
  EXPECT_EQ (Shown (3, 3, 9), u"Boot Mode");
  EXPECT_EQ (Shown (40, 3, 6), u"[UEFI]");
  EXPECT_EQ (Shown (40, 4, 9), u"[Enabled]");
  EXPECT_EQ (Shown (40, 5, 4), u"60  ");                   // a number is an edit field, no brackets
}

TEST_F (DemoSetupScreenTest, APageWithNothingToFocusTakesEveryMoveWithoutEndlessWalks) {
  Boot ("Down,Down,Down,Enter,Down,Up,PgDn,PgUp,End,Home,Down,Esc,Esc");
  EXPECT_EQ (EnterGraphicalSetup (), EFI_SUCCESS);
}

}  // namespace

// Filling the frames of a page: the fixed exit items of page 0, the colour table put
// back after a fill, long second texts wrapped, and links chosen by a click.
#include <engine/testing/TuiAppTestSupport.h>

#include <engine/textui/TuiStatements.h>
#include <engine/core/HookTable.h>

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace TuiAppTestData;

class TuiPageFillTest : public TuiAppTest {
protected:
  void TearDown () override
  {
    TuiDestroy (Frame, TRUE);
    TuiAppTest::TearDown ();
  }

  // The main frame of a page numbered Number, filled from a record without controls.
  TUI_FRAME *FillMainFrame (UINT16 Number)
  {
    PAGE_RECORD  Record = {};

    Record.PageNumber = Number;
    EXPECT_EQ (TuiCreate (&gTuiFrameOps, &Frame), EFI_SUCCESS);
    EXPECT_EQ (gTuiFrameOps.Initialize (Frame, FindFrameLayout (TUI_FRAME_MAIN), Number), EFI_SUCCESS);
    EXPECT_EQ (SetControlAttributes ((TUI_FRAME *)Frame, TUI_FRAME_MAIN, &Record), EFI_SUCCESS);
    return (TUI_FRAME *)Frame;
  }

  VOID  *Frame = nullptr;
};

TEST_F (TuiPageFillTest, PageZeroHoldsTheSixExitItemsWithTheFirstFocused) {
  Boot ("");
  InitTextScreenMetrics ();
  TUI_FRAME  *Main = FillMainFrame (0);

  ASSERT_EQ (Main->ControlCount, 6u);
  EXPECT_EQ (Main->Current, 0u);
  ASSERT_EQ (gTuiFrameOps.Draw (Main), EFI_SUCCESS);
  const char16_t  *Prompts[] = { u"Load Fail-Safe Defaults", u"Load Optimized Defaults", u"Save & Exit Setup",
                                 u"Exit Without Saving", u"Save & reset", u"Reset Without Saving" };
  for (UINTN Item = 0; Item < 6; Item++) {
    std::u16string  Prompt (Prompts[Item]);
    EXPECT_EQ (Drawn (3, 3 + Item, Prompt.size ()), Prompt) << Item;
    EXPECT_EQ (Main->Controls[Item]->Record.ControlType, CONTROL_TYPE_LABEL);
  }
  EXPECT_EQ (Main->Controls[2]->Record.HelpStringId, Main->Controls[4]->Record.HelpStringId);   // "Save Data to NVRAM"
  EXPECT_EQ (DrawnAttribute (3, 3), 0x7F);                   // focused
  EXPECT_EQ (DrawnAttribute (3, 4), 0x71);
}

TEST_F (TuiPageFillTest, AFillPutsTheColourTableBackAndResetsTheFramePairs) {
  Boot ("");
  UINT8  Before[HOOK_MAX_ARGS];
  std::memcpy (Before, gControlColorTable, sizeof (Before));
  TUI_FRAME  *Main = FillMainFrame (kMainPage);

  EXPECT_EQ (std::memcmp (Before, gControlColorTable, sizeof (Before)), 0);
  EXPECT_EQ (Main->AttributePairs[2][0], 0x01);
  EXPECT_EQ (Main->AttributePairs[2][1], 0x70);
}

TEST_F (TuiPageFillTest, ALongSecondTextWrapsAtTheFrameEdgeAndTakesTheRowsItNeeds) {
  Boot ("Enter");
  ASSERT_EQ (RunUntilKeysEnd (), EFI_TIMEOUT);
  ASSERT_EQ (gTuiApp->CurrentPage, kDetailsPage);
  EXPECT_EQ (Shown (3, 4, 6), u"Serial");
  // 24 cells from column 40 to the frame's edge, then the next row
  EXPECT_EQ (Shown (40, 4, 25), u"ABCDEFGHIJKLMNOPQRSTUVWX ");
  EXPECT_EQ (Shown (40, 5, 7), u"YZ0123 ");
  UINT16  Rows = 0;
  TUI_CONTROL  *Serial = MainFrame (kDetailsPage)->Controls[1];
  EXPECT_EQ (gTuiTextOps.Base.GetControlHeight (Serial, 64, &Rows), EFI_SUCCESS);
  EXPECT_EQ (Rows, 2);
}

// Go-to and jump records of another kind are ignored; a click that selects inside a
// focused link opens its page.
TEST_F (TuiPageFillTest, AClickThatSelectsInsideAFocusedLinkOpensItsPage) {
  Boot ("");
  ASSERT_EQ (RunUntilKeysEnd (), EFI_TIMEOUT);
  EXPECT_EQ (OnLinkSelect (nullptr, nullptr, &gTuiJumpNotify), EFI_SUCCESS);
  EXPECT_EQ (OnTabStripSelect (nullptr, nullptr, &gTuiGotoNotify), EFI_SUCCESS);
  EXPECT_EQ (gTuiApp->CurrentPage, kMainPage);
  EXPECT_EQ (gTuiApp->State, 0u);
  TUI_CONTROL  *Link  = MainFrame (kMainPage)->Controls[2];
  TUI_INPUT    Event  = {};

  Event.Kind    = TUI_EVENT_POINTER;
  Event.Pointer = POINTER_ACTION_EVENT { 5, 70, 4 };         // outside the link
  EXPECT_EQ (gTuiLinkOps.HandleAction (Link, &Event), EFI_UNSUPPORTED);
  Event.Pointer = POINTER_ACTION_EVENT { 5, 5, 1 };          // inside, but an abort click
  EXPECT_EQ (gTuiLinkOps.HandleAction (Link, &Event), EFI_UNSUPPORTED);
  Event.Pointer = POINTER_ACTION_EVENT { 5, 5, 4 };
  EXPECT_EQ (gTuiLinkOps.HandleAction (Link, &Event), EFI_SUCCESS);
  EXPECT_EQ (gTuiApp->CurrentPage, kDetailsPage);
  EXPECT_EQ (gTuiApp->State, (UINT32)TUI_APP_STATE_PAGE);
  EXPECT_EQ (Event.Kind, (UINT32)TUI_EVENT_NONE);

  (VOID)gTuiLinkOps.SetFocus (Link, FALSE);                   // without focus a link takes nothing
  Event.Kind    = TUI_EVENT_POINTER;
  Event.Pointer = POINTER_ACTION_EVENT { 5, 5, 4 };
  EXPECT_EQ (gTuiLinkOps.HandleAction (Link, &Event), EFI_UNSUPPORTED);
}

TEST_F (TuiPageFillTest, ADestroyedLinkFreesItselfAndNothingElse) {
  Boot ("");
  VOID  *Link = nullptr;

  ASSERT_EQ (TuiCreate (&gTuiLinkOps, &Link), EFI_SUCCESS);
  // The colours a page gives its links sit where a label keeps its text pointer.
  std::memset (&((TUI_LINK *)Link)->SelectBackground, 0x70, 8);
  const size_t  Before = M.Memory ().Violations ().size ();
  TuiDestroy (Link, TRUE);
  EXPECT_EQ (M.Memory ().Violations ().size (), Before);
}

TEST_F (TuiPageFillTest, LeavingSetupFreesOnlyWhatThePagesOwn) {
  Boot ("Esc");
  (VOID)RunUntilKeysEnd ();      // Esc on the main page leaves setup and destroys its pages
  EXPECT_EQ (M.Memory ().Violations (), std::vector<std::string> {});
}

}  // namespace

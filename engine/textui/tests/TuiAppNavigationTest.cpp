// Moving through setup with keys: focus and paging in the main frame, links and Esc
// with the page history, the tab strip, the hot keys and clicks, and leaving.
#include <engine/testing/TuiAppTestSupport.h>
#include <frontend/SetupSave.h>

#include <gtest/gtest.h>

namespace {

using namespace TuiAppTestData;

// The links sit below the subtitle and the text statement: link N is control N + 1.
constexpr UINT32  kFirstLink = 2;
constexpr UINT32  kLastLink  = kFirstLink + kLinks - 1;

class TuiAppNavigationTest : public TuiAppTest {
protected:
  // Runs the keys and answers the main frame of the page shown at the end.
  TUI_FRAME *After (const std::string &Keys)
  {
    Boot (Keys);
    EXPECT_EQ (RunUntilKeysEnd (), EFI_TIMEOUT);
    return (gTuiApp == nullptr) ? nullptr : MainFrame (gTuiApp->CurrentPage);
  }

  // Dispatches one event straight to the application, as the runner does after the page.
  EFI_STATUS Offer (UINT32 Kind, UINT16 Scan, CHAR16 Char, UINT32 Row = 0, UINT32 Column = 0, UINT32 Click = 0)
  {
    TUI_INPUT  *Event = gTuiApp->Input;

    (VOID)gTuiInputOps.ClearAction (Event);
    Event->Kind = Kind;
    if (Kind == TUI_EVENT_POINTER) {
      Event->Pointer = POINTER_ACTION_EVENT { Row, Column, Click };
    } else {
      Event->Key.Key.ScanCode    = Scan;
      Event->Key.Key.UnicodeChar = Char;
    }
    return gTuiAppOps.HandleAction (gTuiApp, Event);
  }
};

TEST_F (TuiAppNavigationTest, DownAndUpStepOverStatementsAndWrapAround) {
  EXPECT_EQ (After ("Down,Down")->Current, kFirstLink + 2);

  TUI_FRAME  *Main = After ("Up");
  EXPECT_EQ (Main->Current, kLastLink);                     // from the first link to the last
  EXPECT_EQ (Main->LastVisible, kLastLink);
  EXPECT_EQ (Main->FirstVisible, 5u);
  EXPECT_EQ (Shown (1, 27, 9), u"\u25BA Link 28");
  EXPECT_EQ (Shown (65, 26, 1), u"\u2588");                 // the thumb went to the bottom

  Main = After ("Up,Down");
  EXPECT_EQ (Main->Current, kFirstLink);                    // and back over the top
  EXPECT_EQ (Main->FirstVisible, 0u);
}

TEST_F (TuiAppNavigationTest, PagingHomeAndEndMoveTheWindow) {
  TUI_FRAME  *Main = After ("PgDn");
  EXPECT_EQ (Main->FirstVisible, 25u);
  EXPECT_EQ (Main->LastVisible, kLastLink);
  EXPECT_EQ (Main->Current, 25u);

  Main = After ("End");
  EXPECT_EQ (Main->LastVisible, kLastLink);

  Main = After ("End,Home");
  EXPECT_EQ (Main->FirstVisible, 0u);
  EXPECT_EQ (Shown (3, 3, 8), u"Overview");

  Main = After ("Home");                                    // already at the top: one pass, nothing moves
  EXPECT_EQ (Main->FirstVisible, 0u);
  EXPECT_EQ (Main->Current, kFirstLink);
}

TEST_F (TuiAppNavigationTest, EnterOnALinkOpensItsPageAndEscReturnsThroughTheHistory) {
  After ("Down,Down,Enter");
  EXPECT_EQ (gTuiApp->CurrentPage, kDetailsPage);
  EXPECT_EQ (gPageHistoryCount, 1u);
  EXPECT_EQ (Shown (3, 3, 7), u"Details");
  EXPECT_EQ (Shown (40, 3, 5), u"Shown");
  EXPECT_EQ (Shown (2, 1, 6), u"  Main");                   // a sub-page shows only its ancestor's tab,
  EXPECT_EQ (Shown (8, 1, 12), u" \u25BA Details  ");        // then its own title
  EXPECT_EQ (Devices.TextOut->RowText (1).find (u"Second"), std::u16string::npos);

  TUI_FRAME  *Main = After ("Down,Down,Enter,Esc");
  EXPECT_EQ (gTuiApp->CurrentPage, kMainPage);
  EXPECT_EQ (gTuiApp->State, 0u);                           // drawn since the change
  EXPECT_EQ (gPageHistoryCount, 0u);                        // the step back took its entry off
  EXPECT_EQ (Main->Current, kFirstLink + 2);                // the page keeps its focus
  EXPECT_EQ (Shown (67, 3, 17), u"Opens the details");
}

TEST_F (TuiAppNavigationTest, RightAndLeftWalkTheTabsWithWrapAround) {
  After ("Right");
  EXPECT_EQ (gTuiApp->CurrentPage, kSecondPage);
  EXPECT_EQ (Shown (3, 3, 11), u"Second page");
  EXPECT_EQ (DrawnAttribute (9, 1), 0x71);                  // " Second " is the current tab now

  EXPECT_EQ (Shown (3, 4, 5), u"Level");
  EXPECT_EQ (Shown (40, 4, 5), u"42   ");                  // read from its variable: the cache never held it

  After ("Right,Right");
  EXPECT_EQ (gTuiApp->CurrentPage, kMainPage);              // from the last tab to the first

  After ("Left");
  EXPECT_EQ (gTuiApp->CurrentPage, kSecondPage);            // from the first to the last

  After ("Enter,Right,Left");
  EXPECT_EQ (gTuiApp->CurrentPage, kDetailsPage);           // a sub-page ignores them
}

// Keys that move nothing add no history; a tab change empties it.
TEST_F (TuiAppNavigationTest, ATabChangeEmptiesTheHistory) {
  After ("Down,Up,Down,Up,PgDn,PgUp");
  EXPECT_EQ (gPageHistoryCount, 0u);
  After ("Enter,Esc,Enter");
  EXPECT_EQ (gPageHistoryCount, 1u);
  After ("Enter,Esc,Right");
  EXPECT_EQ (gPageHistoryCount, 0u);
  EXPECT_EQ (gTuiApp->CurrentPage, kSecondPage);
}

TEST_F (TuiAppNavigationTest, EscOnATopLevelPageLeavesSetup) {
  Boot ("Esc");
  EXPECT_EQ (RunTextSetup (0), EFI_SUCCESS);
  EXPECT_EQ (gTuiApp, nullptr);
  EXPECT_EQ (gTuiPopupInput, nullptr);

  Boot ("Enter,Esc,Right,Esc");
  EXPECT_EQ (RunTextSetup (0), EFI_SUCCESS);
}

TEST_F (TuiAppNavigationTest, ASecondRunWhileOneRunsIsRefused) {
  After ("");
  EXPECT_EQ (RunTextSetup (0), EFI_ALREADY_STARTED);
}

TEST_F (TuiAppNavigationTest, UnhandledEmptyKeysAreTakenAndClearedOthersAreNot) {
  After ("");
  EXPECT_EQ (Offer (TUI_EVENT_KEY, 0, 0), EFI_SUCCESS);
  EXPECT_EQ (gTuiApp->Input->Kind, (UINT32)TUI_EVENT_NONE);     // a pending event would come back for ever
  EXPECT_EQ (Offer (TUI_EVENT_KEY, 0, u'x'), EFI_UNSUPPORTED);
  Devices.TextIn->Script ().Append ("Enter");                     // closes the capture's "no file system" box
  EXPECT_EQ (Offer (TUI_EVENT_KEY, SCAN_F12, 0), EFI_SUCCESS);   // a hot key
  EXPECT_EQ (Offer (TUI_EVENT_KEY, SCAN_F11, 0), EFI_SUCCESS);   // with no service: taken all the same
  EXPECT_EQ (gTuiApp->Exit, 0);
  EXPECT_EQ (Offer (TUI_EVENT_KEY, SCAN_ESC, 0), EFI_SUCCESS);
  EXPECT_EQ (gTuiApp->Exit, 1);
}

TEST_F (TuiAppNavigationTest, HotKeysAreKnownByKeyAndShiftState) {
  KEY_CODE_DATA  Key = {};

  Key.Key.ScanCode = SCAN_F12;
  EXPECT_TRUE (IsAppHotKey (&Key));
  Key.KeyState.KeyShiftState = EFI_SHIFT_STATE_VALID | EFI_LEFT_CONTROL_PRESSED;
  EXPECT_TRUE (IsAppHotKey (&Key));                          // Ctrl+F12, either Ctrl key
  Key.Key.ScanCode = SCAN_F3;
  EXPECT_FALSE (IsAppHotKey (&Key));
}

TEST_F (TuiAppNavigationTest, KeyHelpClicksRunTheirLineAndOthersDoNothing) {
  After ("");
  EXPECT_EQ (Offer (TUI_EVENT_POINTER, 0, 0, 19, 70, 2), EFI_SUCCESS);   // row 3 of the pane: only explains
  EXPECT_EQ (gTuiApp->Exit, 0);
  EXPECT_EQ (Offer (TUI_EVENT_POINTER, 0, 0, 24, 70, 2), EFI_SUCCESS);   // "ESC: Exit" on a top-level page
  EXPECT_EQ (gTuiApp->Exit, 1);
}

// The key-help lines F1 to F3 (rows 4 to 6 of the pane) open their question only while
// the pane's hot click is enabled; F4 (row 7) asks "Save configuration and exit?" either
// way, and a save made there asks for a reset and leaves setup.
TEST_F (TuiAppNavigationTest, KeyHelpLinesOneToThreeNeedTheClickEnabledAndSaveAndExitMarksAReset) {
  const struct {
    UINT32          Row;
    std::u16string  Question;
  } Lines[] = {
    { 20, u"General Help" }, { 21, u"Load Previous Values?" }, { 22, u"Load Optimized Defaults?" },
  };
  std::u16string  Screen;

  After ("");
  Devices.TextIn->Script ().SetWaitHook ([this, &Screen] () {
    Screen.clear ();
    for (UINTN Row = 0; Row < 31; Row++) {
      Screen += Devices.TextOut->RowText (Row);
    }
  });
  TUI_CLICK_BINDING  *KeyHelp = gTuiApp->HotClicks[2];
  ASSERT_NE (KeyHelp->Flag, 0u);                            // enabled as the table makes it
  for (const auto &Line : Lines) {
    KeyHelp->Flag = 0;
    Screen.clear ();
    Devices.TextIn->Script ().Append ("Esc");
    EXPECT_EQ (Offer (TUI_EVENT_POINTER, 0, 0, Line.Row, 70, 2), EFI_SUCCESS);
    EXPECT_EQ (Devices.TextIn->Script ().Remaining (), 1u) << "row " << Line.Row << " asked while disabled";
    KeyHelp->Flag = 1;
    EXPECT_EQ (Offer (TUI_EVENT_POINTER, 0, 0, Line.Row, 70, 2), EFI_SUCCESS);
    EXPECT_EQ (Devices.TextIn->Script ().Remaining (), 0u) << "row " << Line.Row;
    EXPECT_NE (Screen.find (Line.Question), std::u16string::npos) << "row " << Line.Row;
  }
  EXPECT_EQ (gTuiApp->Exit, 0);

  KeyHelp->Flag = 0;
  gSaveAskedForReset = 0;
  Devices.TextIn->Script ().Append ("Enter");              // Yes
  EXPECT_EQ (Offer (TUI_EVENT_POINTER, 0, 0, 23, 70, 2), EFI_SUCCESS);
  EXPECT_NE (Screen.find (u"Save configuration and exit?"), std::u16string::npos);
  EXPECT_EQ (gSaveAskedForReset, 1);
  EXPECT_EQ (gTuiApp->Exit, 1);
  gSaveAskedForReset = 0;
  Devices.TextIn->Script ().SetWaitHook (nullptr);
}

TEST_F (TuiAppNavigationTest, TheEscLineOfTheKeyHelpOnASubPageGoesBack) {
  After ("Enter");
  ASSERT_EQ (gTuiApp->CurrentPage, kDetailsPage);
  EXPECT_EQ (Offer (TUI_EVENT_POINTER, 0, 0, 24, 70, 2), EFI_SUCCESS);
  EXPECT_EQ (gTuiApp->CurrentPage, kMainPage);
  EXPECT_EQ (gTuiApp->Exit, 0);
  EXPECT_EQ (gPageHistoryCount, 0u);
}

// An abort click in the main frame asks to leave, a select click does not; hot clicks
// need the screen size they were made for.
TEST_F (TuiAppNavigationTest, AnAbortClickInTheMainFrameAsksToLeave) {
  After ("");
  const UINT64  Rows = gTextScreenRows;
  gTextScreenRows = 25;
  EXPECT_EQ (Offer (TUI_EVENT_POINTER, 0, 0, 10, 10, 1), EFI_UNSUPPORTED);
  EXPECT_EQ (gTuiApp->Exit, 0);
  gTextScreenRows = Rows;
  EXPECT_EQ (Offer (TUI_EVENT_POINTER, 0, 0, 10, 10, 4), EFI_SUCCESS);   // a select click leaves nobody
  EXPECT_EQ (gTuiApp->Exit, 0);
  EXPECT_EQ (Offer (TUI_EVENT_POINTER, 0, 0, 10, 10, 1), EFI_SUCCESS);
  EXPECT_EQ (gTuiApp->Exit, 1);
}

TEST_F (TuiAppNavigationTest, AControlIsFoundInTheMainFrameByQuestionTypeAndPage) {
  After ("");
  TUI_PAGE   *Page = gTuiApp->Pages[kMainPage];
  TUI_FRAME  *Main = MainFrame (kMainPage);

  EXPECT_EQ (FindFrameControl (Page, 0x103, CONTROL_TYPE_REF, kMainPage), Main->Controls[2 + 3]);
  EXPECT_EQ (FindFrameControl (Page, 0x103, CONTROL_TYPE_TEXT, kMainPage), nullptr);
  EXPECT_EQ (FindFrameControl (Page, 0x103, CONTROL_TYPE_REF, kDetailsPage), nullptr);
  EXPECT_EQ (FindFrameControl (Page, 0x100 + kLinks, CONTROL_TYPE_REF, kMainPage), nullptr);
}

TEST_F (TuiAppNavigationTest, APageIsActiveWhileTheCurrentControlOfAFrameHoldsAPopup) {
  After ("");
  TUI_PAGE   *Page = gTuiApp->Pages[kMainPage];
  TUI_FRAME  *Main = MainFrame (kMainPage);

  EXPECT_FALSE (FrameHasActiveControl (Page));
  Main->Controls[Main->Current]->OwnsFrame = 1;
  EXPECT_TRUE (FrameHasActiveControl (Page));
  UINT32  Current = Main->Current;
  Main->Current   = TUI_NO_CONTROL;
  EXPECT_FALSE (FrameHasActiveControl (Page));
  Main->Current                   = Current;
  Main->Controls[Current]->OwnsFrame = 0;
}

TEST_F (TuiAppNavigationTest, ThePageHistoryFindsTheLatestEntryAndRefusesPagesWithoutObjects) {
  ASSERT_NE (After (""), nullptr);
  UINT32  Previous = 0;
  UINTN   Index    = 0;

  EXPECT_EQ (GetPageHistoryEntry (kDetailsPage, &Previous, &Index), EFI_NOT_FOUND);
  EXPECT_EQ (PushPageHistory (kMainPage, 9999), EFI_NOT_STARTED);
  EXPECT_EQ (PushPageHistory (9999, kMainPage), EFI_NOT_STARTED);
  EXPECT_EQ (GetPageHistoryEntry (9999, &Previous, &Index), EFI_NOT_STARTED);
  EXPECT_EQ (gPageHistoryCount, 0u);

  // More moves than the first capacity (the page count + 20) holds: the history grows.
  for (UINTN Move = 0; Move < gTuiApp->PageCount + 25; Move++) {
    ASSERT_EQ (PushPageHistory ((Move % 2 == 0) ? kMainPage : kSecondPage, kDetailsPage), EFI_SUCCESS);
  }
  ASSERT_EQ (PushPageHistory (kDetailsPage, kSecondPage), EFI_SUCCESS);
  EXPECT_EQ (gPageHistoryCount, gTuiApp->PageCount + 26);
  ASSERT_EQ (GetPageHistoryEntry (kDetailsPage, &Previous, &Index), EFI_SUCCESS);
  EXPECT_EQ (Previous, ((gTuiApp->PageCount + 24) % 2 == 0) ? kMainPage : kSecondPage);
  EXPECT_EQ (Index, gTuiApp->PageCount + 24);
  ASSERT_EQ (GetPageHistoryEntry (kSecondPage, &Previous, &Index), EFI_SUCCESS);
  EXPECT_EQ (Previous, kDetailsPage);
}

}  // namespace

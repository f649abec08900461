// The read-only classes and the tab strip on their own: the help pane's scrolling,
// empty pane texts, alignment, the strip with no current tab or no tabs, and modal
// pages.
#include <engine/testing/HeldForms.h>
#include <engine/testing/TuiAppTestSupport.h>

#include <engine/textui/TuiStatements.h>

#include <gtest/gtest.h>

namespace {

using namespace TuiAppTestData;

constexpr UINT16  kKeyHelpString = 152;    // nine lines
constexpr UINT16  kEmptyString   = 75;

class TextPaneTest : public StartedEngineTest {
protected:
  void TearDown () override
  {
    TuiDestroy (Pane, TRUE);
    StartedEngineTest::TearDown ();
  }

  // A pane of Rows rows at column 67, row 3, showing an engine string.
  EFI_STATUS MakePane (UINT16 StringId, UINT64 Rows, UINT32 FrameKind)
  {
    Opcode[2] = (UINT8)StringId;
    Opcode[3] = (UINT8)(StringId >> 8);
    Record = OwnRecord (CONTROL_TYPE_SUBTITLE, Opcode);
    EXPECT_EQ (TuiCreate (&gTuiTextPaneOps, &Pane), EFI_SUCCESS);
    EXPECT_EQ (Ops ().Initialize (Pane, &Record, nullptr), EFI_SUCCESS);
    (VOID)Ops ().SetPosition (Pane, 67, 3);
    (VOID)Ops ().SetDimensions (Pane, 31, Rows);
    ((TUI_CONTROL *)Pane)->FrameKind = FrameKind;
    return Ops ().Draw (Pane);
  }

  EFI_STATUS Key (CHAR16 Char)
  {
    TUI_INPUT  Event = {};
    Event.Kind                = TUI_EVENT_KEY;
    Event.Key.Key.UnicodeChar = Char;
    return Ops ().HandleAction (Pane, &Event);
  }

  TUI_CONTROL_OPS &Ops () { return gTuiTextPaneOps.Base; }
  UINT16 FirstLine () const { return ((TUI_TEXT_PANE *)Pane)->FirstLine; }

  VOID            *Pane = nullptr;
  CONTROL_RECORD  Record {};
  UINT8           Opcode[7] = { 0x02, 7, 0, 0, 0, 0, 0 };
};

TEST_F (TextPaneTest, TheHelpPaneScrollsWithKAndMOnlyWithinItsText) {
  ASSERT_EQ (MakePane (kKeyHelpString, 4, TUI_FRAME_HELP), EFI_SUCCESS);
  EXPECT_EQ (Drawn (67, 3, 17), u"\u2192\u2190: Select Screen");
  EXPECT_EQ (((TUI_TEXT_PANE *)Pane)->LinesShown, 4);

  EXPECT_EQ (Key (u'k'), EFI_UNSUPPORTED);            // the key goes on to other handlers
  EXPECT_EQ (FirstLine (), 0);                        // k at the top stays
  EXPECT_EQ (Key (u'm'), EFI_UNSUPPORTED);
  EXPECT_EQ (FirstLine (), 1);
  EXPECT_EQ (Drawn (67, 3, 15), u"\u2191\u2193: Select Item");
  for (int Press = 0; Press < 10; Press++) {
    (VOID)Key (u'm');
  }
  EXPECT_EQ (FirstLine (), 5);                        // nine lines, four rows: m at the bottom stays
  EXPECT_EQ (Drawn (67, 6, 9), u"ESC: Exit");
  EXPECT_EQ (Key (u'k'), EFI_UNSUPPORTED);
  EXPECT_EQ (FirstLine (), 4);
}

TEST_F (TextPaneTest, OtherPanesAndShortTextsDoNotScroll) {
  ASSERT_EQ (MakePane (kKeyHelpString, 4, TUI_FRAME_KEY_HELP), EFI_SUCCESS);
  (VOID)Key (u'm');
  EXPECT_EQ (FirstLine (), 0);
  TuiDestroy (Pane, TRUE);
  Pane = nullptr;

  ASSERT_EQ (MakePane (kKeyHelpString, 11, TUI_FRAME_HELP), EFI_SUCCESS);
  (VOID)Key (u'm');
  EXPECT_EQ (FirstLine (), 0);                        // the text fits: Draw puts the offset back
  EXPECT_EQ (Drawn (67, 3, 17), u"\u2192\u2190: Select Screen");
}

// An empty string draws nothing and says so; alignment centres or keeps left.
TEST_F (TextPaneTest, AlignmentCentresOrKeepsLeftAndRefusesOtherValues) {
  PrintAt (67, 3, u"untouched", 0x07);
  ASSERT_EQ (MakePane (kEmptyString, 1, TUI_FRAME_TITLE), EFI_OUT_OF_RESOURCES);
  EXPECT_EQ (Drawn (67, 3, 9), u"untouched");
  EXPECT_EQ (gTuiTextPaneOps.SetAlignment (Pane, 3), EFI_INVALID_PARAMETER);
  EXPECT_EQ (((TUI_TEXT_PANE *)Pane)->Alignment, TUI_ALIGN_LEFT);
  EXPECT_EQ (gTuiTextPaneOps.SetAlignment (Pane, TUI_ALIGN_CENTRE), EFI_SUCCESS);
  Opcode[2] = 7;                                      // "Setup Utility", 13 cells in 31
  ASSERT_EQ (Ops ().Draw (Pane), EFI_SUCCESS);
  EXPECT_EQ (Drawn (67, 3, 22), u"         Setup Utility");
}

class TabStripTest : public TuiAppTest {
protected:
  void SetUp () override
  {
    TuiAppTest::SetUp ();
    Boot ("");
    ASSERT_EQ (RunUntilKeysEnd (), EFI_TIMEOUT);
  }

  void TearDown () override
  {
    TuiDestroy (Strip, TRUE);
    TuiAppTest::TearDown ();
  }

  // A strip of the page numbered Page, as the frame filler makes one.
  TUI_TAB_STRIP *MakeStrip (UINT16 Page)
  {
    static UINT8  Opcode[7] = { 0x02, 7, 0, 0, 0, 0, 0 };
    CONTROL_RECORD  Record = OwnRecord (CONTROL_TYPE_TAB_STRIP, Opcode);

    Record.PageNumber = Page;
    EXPECT_EQ (TuiCreate (&gTuiTabStripOps.Base, &Strip), EFI_SUCCESS);
    (VOID)gTuiTabStripOps.Base.SetCallback (Strip, nullptr, OnTabStripSelect, &gTuiJumpNotify);
    EXPECT_EQ (gTuiTabStripOps.Base.Initialize (Strip, &Record, nullptr), EFI_SUCCESS);
    return (TUI_TAB_STRIP *)Strip;
  }

  EFI_STATUS Press (UINT16 Scan)
  {
    TUI_INPUT  Event = {};
    Event.Kind             = TUI_EVENT_KEY;
    Event.Key.Key.ScanCode = Scan;
    return gTuiTabStripOps.Base.HandleAction (Strip, &Event);
  }

  VOID  *Strip = nullptr;
};

TEST_F (TabStripTest, AStripWithNoCurrentTabStartsFromEitherEnd) {
  TUI_TAB_STRIP  *Tabs = MakeStrip (0);             // page 0 is never a tab
  ASSERT_EQ (Tabs->TabCount, 2);
  EXPECT_EQ (Tabs->CurrentTab, TUI_NO_TAB);
  EXPECT_EQ (Press (SCAN_LEFT), EFI_SUCCESS);
  EXPECT_EQ (gTuiApp->CurrentPage, kSecondPage);      // Left picks the last tab
  EXPECT_EQ (gTuiApp->State, (UINT32)TUI_APP_STATE_TAB);
  EXPECT_EQ (Press (SCAN_RIGHT), EFI_SUCCESS);
  EXPECT_EQ (gTuiApp->CurrentPage, kMainPage);        // Right the first
  // A strip without tabs takes no key.
  Tabs->TabCount = 0;
  EXPECT_EQ (Press (SCAN_LEFT), EFI_UNSUPPORTED);
  EXPECT_EQ (Press (SCAN_RIGHT), EFI_UNSUPPORTED);
  EXPECT_EQ (gTuiApp->CurrentPage, kMainPage);
}

// The width the tabs are laid out in follows the strip's size, and narrows on its own: a
// strip too narrow for both tabs shows the current one's screen and marks the next.
TEST_F (TabStripTest, TheStripWidthDecidesWhichTabsShareAScreen) {
  TUI_TAB_STRIP  *Tabs = MakeStrip (kMainPage);
  std::u16string  Row;

  (VOID)gTuiTabStripOps.Base.SetPosition (Strip, 0, 1);
  ASSERT_EQ (gTuiTabStripOps.Base.SetDimensions (Strip, 100, 1), EFI_SUCCESS);
  EXPECT_EQ (Tabs->UsableWidth, 98);
  ASSERT_EQ (gTuiTabStripOps.Base.Draw (Strip), EFI_SUCCESS);
  Row = Drawn (0, 1, 98);
  EXPECT_NE (Row.find (u" Main  Second "), std::u16string::npos);
  EXPECT_EQ (Row[97], u' ');

  ASSERT_EQ (gTuiTabStripOps.SetStripWidth (Strip, 12), EFI_SUCCESS);
  EXPECT_EQ (Tabs->Control.Width, 98);                 // the strip itself keeps its size
  ASSERT_EQ (gTuiTabStripOps.Base.Draw (Strip), EFI_SUCCESS);
  Row = Drawn (0, 1, 98);
  EXPECT_NE (Row.find (u" Main "), std::u16string::npos);
  EXPECT_EQ (Row.find (u"Second"), std::u16string::npos);
  EXPECT_EQ (Row[97], u'\x25BA');                      // a later screen follows
}

TEST_F (TabStripTest, ASubPageStripKnowsItsAncestorAndOnlyShowsIt) {
  TUI_TAB_STRIP  *Tabs = MakeStrip (kDetailsPage);
  EXPECT_EQ (Tabs->SubPage, 1);
  EXPECT_EQ (Tabs->CurrentTab, 0);
  EXPECT_EQ (Press (SCAN_RIGHT), EFI_SUCCESS);        // taken, with no effect
  EXPECT_EQ (gTuiApp->CurrentPage, kMainPage);
  EXPECT_EQ (Press (SCAN_UP), EFI_UNSUPPORTED);
}

// Parents that lead round in a loop reach no top-level page: the strip ends its climb,
// the page hangs below its form set's tab, and the path names each page of the loop once.
TEST_F (TabStripTest, ALoopOfParentsEndsAtTheFormSetsTabAndNamesEachPageOnce) {
  TuiPageRecord (kDetailsPage)->ParentPageNumber = kSecondPage;
  TuiPageRecord (kSecondPage)->ParentPageNumber  = kDetailsPage;
  TUI_TAB_STRIP  *Tabs = MakeStrip (kDetailsPage);
  EXPECT_EQ (Tabs->SubPage, 1);
  ASSERT_NE (Tabs->CurrentTab, TUI_NO_TAB);
  EXPECT_EQ (Tabs->Tabs[Tabs->CurrentTab].PageNumber, kMainPage);

  (VOID)gTuiTabStripOps.Base.SetPosition (Strip, 0, 1);
  ASSERT_EQ (gTuiTabStripOps.Base.SetDimensions (Strip, 100, 1), EFI_SUCCESS);
  ASSERT_EQ (gTuiTabStripOps.Base.Draw (Strip), EFI_SUCCESS);
  std::u16string  Row = Drawn (0, 1, 98);
  EXPECT_NE (Row.find (u" Main \x25BA Second \x25BA Details "), std::u16string::npos);
  EXPECT_EQ (Row.find (u"Details", Row.find (u"Details") + 1), std::u16string::npos);
}

TEST_F (TabStripTest, AModalPageIgnoresEscTabsAndHotClicks) {
  PAGE_RECORD  *Record = TuiPageRecord (kMainPage);
  TUI_INPUT    *Event  = gTuiApp->Input;

  Record->Flags |= PAGE_FLAG_MODAL;
  gTuiApp->Pages[kMainPage]->Head.Flags |= PAGE_FLAG_MODAL;
  MakeStrip (kMainPage);
  EXPECT_EQ (Press (SCAN_RIGHT), EFI_UNSUPPORTED);

  (VOID)gTuiInputOps.ClearAction (Event);
  Event->Kind             = TUI_EVENT_KEY;
  Event->Key.Key.ScanCode = SCAN_ESC;
  EXPECT_EQ (gTuiPageOps.HandleAction (gTuiApp->Pages[kMainPage], Event), EFI_UNSUPPORTED);
  EXPECT_EQ (Event->Kind, (UINT32)TUI_EVENT_NONE);    // the key stays on the page

  Event->Kind    = TUI_EVENT_POINTER;
  Event->Pointer = POINTER_ACTION_EVENT { 24, 70, 2 };
  EXPECT_EQ (gTuiAppOps.HandleAction (gTuiApp, Event), EFI_UNSUPPORTED);
  EXPECT_EQ (gTuiApp->Exit, 0);
}

}  // namespace

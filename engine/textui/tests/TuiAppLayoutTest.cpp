// The frames of a setup page on the 100x31 screen, cell by cell, on a page holding
// more controls than its main frame.
#include <engine/testing/TuiAppTestSupport.h>

#include <gtest/gtest.h>

namespace {

using namespace TuiAppTestData;

class TuiAppLayoutTest : public TuiAppTest {
protected:
  void SetUp () override
  {
    TuiAppTest::SetUp ();
    Boot ("");
    ASSERT_EQ (RunUntilKeysEnd (), EFI_TIMEOUT);
    ASSERT_NE (gTuiApp, nullptr);
  }
};

TEST_F (TuiAppLayoutTest, TitleTabsAndBottomLineSpanTheirRows) {
  EXPECT_EQ (Shown (43, 0, 13), u"Setup Utility");         // centred over 100 columns
  EXPECT_EQ (DrawnAttribute (43, 0), 0x1F);
  EXPECT_EQ (Shown (2, 1, 14), u"  Main  Second");          // from the strip's column + 1
  EXPECT_EQ (DrawnAttribute (3, 1), 0x71);                  // the current tab
  EXPECT_EQ (DrawnAttribute (9, 1), 0x17);                  // the others
  EXPECT_EQ (DrawnAttribute (99, 1), 0x17);
  EXPECT_EQ (DrawnAttribute (0, 30), 0x17);
  EXPECT_EQ (DrawnAttribute (99, 30), 0x17);
}

TEST_F (TuiAppLayoutTest, MainFramePutsPromptsAtColumnThreeValuesAtFortyAndLinkArrowsInTheIndent) {
  EXPECT_EQ (Shown (3, 3, 8), u"Overview");
  EXPECT_EQ (Shown (3, 4, 5), u"Board");
  EXPECT_EQ (Shown (40, 4, 10), u"Demo board");
  EXPECT_EQ (DrawnAttribute (40, 4), 0x78);                 // text statements draw in 0x08 on the frame
  EXPECT_EQ (Shown (1, 5, 9), u"\u25BA Link 01");
  EXPECT_EQ (DrawnAttribute (1, 5), 0x7F);                  // the focused link
  EXPECT_EQ (DrawnAttribute (1, 6), 0x71);
  EXPECT_EQ (Shown (1, 27, 9), u"\u25BA Link 23");          // the last but one row holds the 25th control
  EXPECT_EQ (Shown (1, 28, 9), u"         ");               // the last row stays free
  EXPECT_EQ (gTuiApp->Pages[kMainPage]->Head.ControlCount, 30u);
  EXPECT_EQ (MainFrame (kMainPage)->FirstVisible, 0u);
  EXPECT_EQ (MainFrame (kMainPage)->LastVisible, 24u);
  EXPECT_EQ (DrawnAttribute (1, 3), 0x71);                  // frame rows 3 to 28, columns 1 to 64
  EXPECT_EQ (DrawnAttribute (64, 27), 0x71);
  EXPECT_EQ (DrawnAttribute (0, 3), 0x07);                  // the cleared screen
}

TEST_F (TuiAppLayoutTest, ScrollBarRunsInColumnSixtyFiveFromTheFirstRowToTheLastButOne) {
  EXPECT_EQ (Shown (65, 3, 1), u"\u25B2");
  EXPECT_EQ (Shown (65, 27, 1), u"\u25BC");
  EXPECT_EQ (Shown (65, 28, 1), u" ");
  EXPECT_EQ (Shown (65, 4, 1), u"\u2588");                  // the window starts at the top
  EXPECT_EQ (Shown (65, 26, 1), u"\u2591");
  for (UINTN Row = 3; Row <= 27; Row++) {
    EXPECT_EQ (DrawnAttribute (65, Row), 0x71) << Row;
  }
  EXPECT_EQ (MainFrame (kMainPage)->ScrollBar, 1);
}

TEST_F (TuiAppLayoutTest, HelpAndKeyHelpPanesFillTheRightColumn) {
  EXPECT_EQ (Shown (67, 3, 17), u"Opens the details");     // help of the focused link
  EXPECT_EQ (Shown (67, 16, 17), u"\u2192\u2190: Select Screen");
  EXPECT_EQ (Shown (67, 24, 9), u"ESC: Exit");
  EXPECT_EQ (DrawnAttribute (67, 3), 0x71);
  EXPECT_EQ (DrawnAttribute (98, 13), 0x70);               // the column right of the help pane is cleared
  EXPECT_EQ (DrawnAttribute (67, 14), 0x07);               // the gap between the panes
  EXPECT_EQ (DrawnAttribute (98, 28), 0x71);
}

TEST_F (TuiAppLayoutTest, TextStatementsAreNeverFocusedAndSubtitlesNeither) {
  TUI_FRAME  *Main = MainFrame (kMainPage);

  EXPECT_EQ (Main->Current, 2u);
  EXPECT_NE (((TUI_CONTROL_OPS *)Main->Controls[0]->Header.Ops)->SetFocus (Main->Controls[0], TRUE), EFI_SUCCESS);
  EXPECT_NE (((TUI_CONTROL_OPS *)Main->Controls[1]->Header.Ops)->SetFocus (Main->Controls[1], TRUE), EFI_SUCCESS);
  EXPECT_FALSE (FrameSetFocus (Main, 1));
  EXPECT_EQ (Main->Current, 2u);
}

}  // namespace

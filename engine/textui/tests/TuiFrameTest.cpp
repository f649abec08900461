// Frames on a started engine with the 100x31 layout: controls added from their
// records, the window of those that fit, focus movement with wrap-around over hidden
// and grayed controls, paging, Home and End, and what a frame draws.
#include <engine/testing/HeldForms.h>
#include <engine/testing/TextUiMachineTest.h>

#include <engine/textui/TuiFrame.h>
#include <Uefi/UefiIfr.h>

#include <Emulator/KeyScript.h>

#include <deque>
#include <vector>

namespace {

constexpr UINT16  kBootMenuString = 23;     // "Entering Boot Menu...": one row in the main frame

class TuiFrameTest : public StartedEngineTest {
protected:
  void SetUp () override
  {
    StartedEngineTest::SetUp ();
    InitTextScreenMetrics ();
    ASSERT_EQ (TuiCreate (&gTuiFrameOps, (VOID **)&Frame), EFI_SUCCESS);
    ASSERT_EQ (gTuiFrameOps.Initialize (Frame, FindFrameLayout (TUI_FRAME_MAIN), 1), EFI_SUCCESS);
  }

  void TearDown () override
  {
    TuiDestroy (Frame, TRUE);
    gTuiFrameLayout = gTuiFrameLayout80;
    StartedEngineTest::TearDown ();
  }

  // A label record of the engine's own strings; ConditionOp makes it hidden or grayed.
  CONTROL_RECORD *Label (UINT8 ConditionOp = 0, UINT16 Type = 2)
  {
    auto            [Condition, Statement] = HoldLabel (Forms, kBootMenuString, 0, ConditionOp);
    CONTROL_RECORD  &Record = Records.emplace_back (OwnRecord (Type, Statement));
    Record.ConditionOpcode = (ConditionOp != 0) ? (UINT64)(UINTN)Condition : 0;
    return &Record;
  }

  // The focused row and the first and last rows shown.
  void ExpectWindow (UINT64 Current, UINT64 First, UINT64 Last)
  {
    EXPECT_EQ ((std::vector<UINT64> { Frame->Current, Frame->FirstVisible, Frame->LastVisible }),
               (std::vector<UINT64> { Current, First, Last }));
  }

  void AddLabels (UINT32 Count)
  {
    for (UINT32 Index = 0; Index < Count; Index++) {
      ASSERT_EQ (gTuiFrameOps.AddControl (Frame, Label ()), EFI_SUCCESS);
    }
  }

  EFI_STATUS Press (const char *Key)
  {
    TUI_INPUT  Event {};
    Event.Kind = TUI_EVENT_KEY;
    Event.Key  = Emu::ParseKeyScript (Key).at (0).Record;
    return gTuiFrameOps.HandleAction (Frame, &Event);
  }

  HeldForms                       Forms;     // stable addresses for the records' opcode pointers
  std::deque<CONTROL_RECORD>      Records;
  TUI_FRAME                       *Frame = nullptr;
  UINT64                          Mark   = 0;
};

TEST_F (TuiFrameTest, TheLayoutFollowsTheScreenWidth) {
  const TUI_FRAME_LAYOUT  *Main = FindFrameLayout (TUI_FRAME_MAIN);
  ASSERT_NE (Main, nullptr);
  EXPECT_EQ (Main->Width, 64);
  EXPECT_EQ (Main->Height, 26);
  EXPECT_EQ (Main->Row, 3);
  EXPECT_EQ (Main->Column, 1);
  EXPECT_EQ (FindFrameLayout (TUI_FRAME_KEY_HELP)->Row, 16);
  EXPECT_EQ (FindFrameLayout (TUI_FRAME_BOTTOM)->Row, 30);
  EXPECT_EQ (FindFrameLayout (0xFF), nullptr);         // the seventh row is never found
  EXPECT_EQ (gTuiValueColumn, 37u);

  Devices.TextOut->FailSetMode (EFI_DEVICE_ERROR);      // the console stays at 80 columns
  InitTextScreenMetrics ();
  EXPECT_EQ (FindFrameLayout (TUI_FRAME_MAIN)->Width, 51);
  EXPECT_EQ (FindFrameLayout (TUI_FRAME_BOTTOM)->Row, 23);
  EXPECT_EQ (gTuiValueColumn, 24u);
}

TEST_F (TuiFrameTest, RecordsWithoutAClassMakeNoControlAndTheRestStillComeIn) {
  CONTROL_RECORD  *Untyped = Label (0, 0);
  EXPECT_EQ (gTuiFrameOps.AddControl (Frame, Untyped), EFI_SUCCESS);
  EXPECT_EQ (Frame->UntypedCount, 1u);
  EXPECT_EQ (gTuiFrameOps.AddControl (Frame, Label (0, 9)), EFI_UNSUPPORTED);    // INCONSISTENT_IF
  EXPECT_EQ (gTuiFrameOps.AddControl (Frame, Label (0, 31)), EFI_UNSUPPORTED);
  AddLabels (2);
  ASSERT_EQ (Frame->ControlCount, 2u);
  EXPECT_EQ (Frame->Controls[1]->Column, 3);          // frame column + 2
  EXPECT_EQ (Frame->Controls[1]->Row, 4);
  EXPECT_EQ (Frame->Controls[1]->Width, 60);          // frame width - 4
  EXPECT_EQ (Frame->Controls[1]->FrameKind, (UINT32)TUI_FRAME_MAIN);
  EXPECT_EQ (Frame->Positions[1].Row, 4);
  EXPECT_EQ (Frame->Controls[0]->Header.CallbackContext, Frame);   // type 2 rows bind their callback
}

TEST_F (TuiFrameTest, FocusMovesScrollsAndWrapsAround) {
  AddLabels (30);
  EXPECT_EQ (Frame->LastVisible, 24u);                // 25 rows: the frame's last row stays free
  ASSERT_TRUE (FrameSetFocus (Frame, 0));
  for (int Step = 0; Step < 24; Step++) {
    EXPECT_EQ (Press ("Down"), EFI_SUCCESS);
  }
  ExpectWindow (24, 0, 24);
  Press ("Down");
  ExpectWindow (25, 1, 25);
  EXPECT_FALSE (Frame->Controls[0]->HasFocus);
  EXPECT_TRUE (Frame->Controls[25]->HasFocus);

  FrameSetFocus (Frame, 29);
  Frame->FirstVisible = 5;
  Frame->LastVisible  = 29;
  Press ("Down");                                     // past the end: back to the top
  ExpectWindow (0, 0, 24);
  Press ("Up");                                       // and from the top to the bottom
  ExpectWindow (29, 5, 29);
}

TEST_F (TuiFrameTest, PagingHomeAndEnd) {
  AddLabels (30);
  FrameSetFocus (Frame, 3);
  Press ("PgDn");
  ExpectWindow (25, 25, 29);
  Press ("PgUp");
  ExpectWindow (0, 0, 24);
  // Home with the window already at the top does one pass and changes nothing.
  Press ("Home");
  ExpectWindow (0, 0, 24);
  Press ("End");
  EXPECT_EQ (Frame->LastVisible, 29u);
  Press ("Home");
  EXPECT_EQ (Frame->FirstVisible, 0u);
}

// Ten shown labels, four hidden, twenty shown, three hidden: a window holds 25 rows and
// takes the hidden labels it passes; paging never moves into hidden labels alone.
TEST_F (TuiFrameTest, TheWindowWalkPassesHiddenControlsAndLeavesTheLastRowFree) {
  AddLabels (10);
  for (int Index = 0; Index < 4; Index++) {
    ASSERT_EQ (gTuiFrameOps.AddControl (Frame, Label (EFI_IFR_SUPPRESS_IF_OP)), EFI_SUCCESS);
  }
  AddLabels (20);
  for (int Index = 0; Index < 3; Index++) {
    ASSERT_EQ (gTuiFrameOps.AddControl (Frame, Label (EFI_IFR_SUPPRESS_IF_OP)), EFI_SUCCESS);
  }
  EXPECT_EQ (Frame->LastVisible, 28u);                // 10 + 15 shown rows, the 4 hidden between

  Frame->LastVisible = 36;
  EXPECT_EQ (FindVisibleFrameControl (Frame, &Frame->FirstVisible), 25u);
  EXPECT_EQ (Frame->FirstVisible, 5u);                // up from the end: 20 + 5 shown rows
  Frame->FirstVisible = 0;
  EXPECT_EQ (FindVisibleFrameControl (Frame, &Frame->LastVisible), 25u);
  EXPECT_EQ (Frame->LastVisible, 28u);

  FrameSetFocus (Frame, 0);
  Press ("PgDn");
  ExpectWindow (29, 29, 36);                          // the rest, with the hidden tail
  Press ("PgDn");
  ExpectWindow (33, 29, 36);                          // nothing shown lies further down: the last shown takes the focus
}

// On a page that fits its frame the window cannot move: PgDn and End put the focus on the
// last control, PgUp and Home on the first.
TEST_F (TuiFrameTest, PagingKeysOnAPageThatFitsMoveTheFocusToTheFirstOrLastControl) {
  AddLabels (5);
  FrameSetFocus (Frame, 2);
  Press ("PgDn");
  ExpectWindow (4, 0, 4);
  Press ("PgUp");
  ExpectWindow (0, 0, 4);
  Press ("End");
  ExpectWindow (4, 0, 4);
  Press ("Home");
  ExpectWindow (0, 0, 4);
}

TEST_F (TuiFrameTest, HiddenControlsAreSkippedAndGrayedOnesShownButNeverFocused) {
  ASSERT_EQ (gTuiFrameOps.AddControl (Frame, Label ()), EFI_SUCCESS);
  ASSERT_EQ (gTuiFrameOps.AddControl (Frame, Label (EFI_IFR_SUPPRESS_IF_OP)), EFI_SUCCESS);
  ASSERT_EQ (gTuiFrameOps.AddControl (Frame, Label (EFI_IFR_GRAY_OUT_IF_OP)), EFI_SUCCESS);
  ASSERT_EQ (gTuiFrameOps.AddControl (Frame, Label ()), EFI_SUCCESS);
  FrameSetFocus (Frame, 0);
  Press ("Down");
  EXPECT_EQ (Frame->Current, 3u);

  gTuiFrameOps.Draw (Frame);
  EXPECT_EQ (Drawn (3, 3, 8), u"Entering");
  EXPECT_EQ (DrawnAttribute (3, 3), 0x71);            // normal
  EXPECT_EQ (DrawnAttribute (3, 4), 0x78);            // the grayed one, on the next row
  EXPECT_EQ (DrawnAttribute (3, 5), 0x7F);            // the focused one
  EXPECT_EQ (Drawn (3, 6, 8), u"        ");
  EXPECT_EQ (DrawnAttribute (1, 27), 0x71);           // blank lines on all rows but the last
  EXPECT_EQ (DrawnAttribute (1, 28), 0x07);
  EXPECT_EQ (gDirtyLastRow, 28u);
}

TEST_F (TuiFrameTest, AFrameWithNothingFocusableDoesNotLoop) {
  for (int Index = 0; Index < 40; Index++) {
    ASSERT_EQ (gTuiFrameOps.AddControl (Frame, Label (EFI_IFR_GRAY_OUT_IF_OP)), EFI_SUCCESS);
  }
  EXPECT_EQ (Press ("Down"), EFI_SUCCESS);
  EXPECT_EQ (Frame->Current, TUI_NO_CONTROL);
  EXPECT_EQ (Press ("Up"), EFI_SUCCESS);
  EXPECT_EQ (Press ("End"), EFI_SUCCESS);
  EXPECT_EQ (Frame->LastVisible, 39u);
  EXPECT_EQ (Frame->Current, TUI_NO_CONTROL);
}

TEST_F (TuiFrameTest, KeysGoToTheCurrentControlFirstAndOthersAreNotTaken) {
  AddLabels (3);
  FrameSetFocus (Frame, 1);
  TUI_INPUT  Event {};
  Event.Kind = TUI_EVENT_KEY;
  Event.Key  = Emu::ParseKeyScript ("x").at (0).Record;
  EXPECT_EQ (gTuiFrameOps.HandleAction (Frame, &Event), EFI_UNSUPPORTED);
  EXPECT_EQ (Event.Kind, (UINT32)TUI_EVENT_KEY);     // left for the next candidate
  Event.Key = Emu::ParseKeyScript ("Enter").at (0).Record;
  EXPECT_EQ (gTuiFrameOps.HandleAction (Frame, &Event), EFI_SUCCESS);   // the label takes it
  EXPECT_EQ (Event.Kind, (UINT32)TUI_EVENT_NONE);
  TUI_INPUT  Tick {};
  Tick.Kind = TUI_EVENT_TICK;
  EXPECT_EQ (gTuiFrameOps.HandleAction (Frame, &Tick), EFI_UNSUPPORTED);
}

TEST_F (TuiFrameTest, TheScrollBarFollowsTheWindow) {
  AddLabels (30);
  FrameSetFocus (Frame, 0);
  gTuiFrameOps.Draw (Frame);
  std::u16string  Bar;
  for (UINTN Row = 3; Row <= 27; Row++) {
    Bar += Drawn (65, Row, 1);
    EXPECT_EQ (DrawnAttribute (65, Row), 0x71) << Row;
  }
  // 30 rows of controls in 26: the thumb takes 20 of the 23 rows between the arrows.
  EXPECT_EQ (Bar, u"\x25B2" + std::u16string (20, u'\x2588') + std::u16string (3, u'\x2591') + u"\x25BC");
  EXPECT_EQ (Drawn (65, 28, 1), u" ");

  Press ("End");
  gTuiFrameOps.Draw (Frame);
  Bar.clear ();
  for (UINTN Row = 3; Row <= 27; Row++) {
    Bar += Drawn (65, Row, 1);
  }
  EXPECT_EQ (Bar, u"\x25B2" + std::u16string (3, u'\x2591') + std::u16string (20, u'\x2588') + u"\x25BC");
  EXPECT_EQ (gTuiScrollThumbStart, 6u);
  EXPECT_EQ (gTuiScrollThumbEnd, 27u);
  // End pages down once: the last five controls fill the frame from its first row.
  EXPECT_EQ (Frame->FirstVisible, 25u);
  EXPECT_EQ (Frame->Controls[25]->Row, 3);
  EXPECT_EQ (Frame->Controls[29]->Row, 7);
}

TEST_F (TuiFrameTest, ABarNoLongerNeededIsClearedAndTheWindowGoesBackToTheTop) {
  AddLabels (3);
  Frame->ScrollBar    = 1;
  Frame->FirstVisible = 2;
  PrintAt (65, 10, u"\x2588", 0x71);
  gTuiFrameOps.Draw (Frame);
  EXPECT_EQ (Frame->ScrollBar, 0);
  EXPECT_EQ (Frame->FirstVisible, 0u);
  EXPECT_EQ (Drawn (65, 10, 1), u" ");
  EXPECT_EQ (DrawnAttribute (65, 10), 0x71);
  EXPECT_EQ (Frame->Controls[0]->Row, 3);
}

}  // namespace

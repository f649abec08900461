// Message boxes on a started engine: their size from the message, the places and
// colours of every button set, the progress bar, the status line, the keys, and
// RunPopupBox driven by scripted keys.
#include <engine/testing/TextUiMachineTest.h>

#include <engine/core/EngineStrings.h>
#include <engine/textui/MessageBox.h>
#include <engine/textui/TuiObject.h>
#include <engine/post/BootScreen.h>

#include <Emulator/KeyScript.h>

#include <string>

namespace {

class MessageBoxTest : public StartedEngineTest {
protected:
  void TearDown () override
  {
    TuiDestroy (Box, TRUE);
    gBootScreenState = 0;
    StartedEngineTest::TearDown ();
  }

  // A message of Cells cells gives a box Cells + 4 wide.
  void Define (UINTN Cells, const std::u16string &Title = u"")
  {
    Definition           = MSGBOX_DEF {};
    Definition.HiiHandle = ENGINE_OWN_HII_HANDLE;
    Definition.TitleId   = Title.empty () ? 0 : AddString (Title);
    Definition.MessageId = AddString (std::u16string (Cells, u'm'));
  }

  void Open (UINT8 Type, UINT32 Scheme = 2, const char16_t *Status = nullptr)
  {
    CONTROL_RECORD  Record;
    ASSERT_EQ (TuiCreate (&gTuiMessageBoxOps, (VOID **)&Box), EFI_SUCCESS);
    Box->ColourScheme = Scheme;
    Box->StatusText   = (Status != nullptr) ? StrDupUtf16 ((CONST CHAR16 *)Status) : nullptr;
    MakePopupRecord (&Record, &Definition);
    ASSERT_EQ (gTuiMessageBoxOps.Control.Initialize (Box, &Record, nullptr), EFI_SUCCESS);
    ASSERT_EQ (gTuiMessageBoxOps.SetBoxType (Box, Type), EFI_SUCCESS);
    ASSERT_EQ (gTuiMessageBoxOps.Control.Draw (Box), EFI_SUCCESS);
  }

  EFI_STATUS Press (const char *Key)
  {
    TUI_INPUT  Event {};
    Event.Kind = TUI_EVENT_KEY;
    Event.Key  = Emu::ParseKeyScript (Key).at (0).Record;
    return gTuiMessageBoxOps.Control.HandleAction (Box, &Event);
  }

  const TUI_CONTROL &C () const { return Box->Frame.Control; }
  UINT64 ButtonRow () const { return C ().Row + C ().Height - 2; }

  MSGBOX_DEF       Definition {};
  TUI_MESSAGE_BOX  *Box = nullptr;
};

TEST_F (MessageBoxTest, AYesNoBoxPlacesItsButtonsAtTheThirdsAndHighlightsTheSelection) {
  Define (26, u"Question");
  Open (MSGBOX_BUTTONS_YES_NO);
  ASSERT_EQ (C ().Width, 30);
  EXPECT_EQ (C ().Height, 1 + 4 + 2);
  EXPECT_EQ (Drawn (C ().Column + 8, ButtonRow (), 3), u"Yes");
  EXPECT_EQ (Drawn (C ().Column + 18, ButtonRow (), 2), u"No");
  EXPECT_EQ (DrawnAttribute (C ().Column + 8, ButtonRow ()), 0x0F);
  EXPECT_EQ (DrawnAttribute (C ().Column + 18, ButtonRow ()), 0x1F);
  // The band's separator keeps the frame's colours, and the title sits on the top border.
  EXPECT_EQ (Drawn (C ().Column, ButtonRow () - 1, 3), u"\x251C\x2500\x2500");
  EXPECT_EQ (Drawn (C ().Column + C ().Width - 1, ButtonRow () - 1, 1), u"\x2524");
  EXPECT_EQ (Drawn (C ().Column + 10, C ().Row, 10), u" Question ");
  // The message is centred in the pane under the title.
  EXPECT_EQ (Drawn (C ().Column + 2, C ().Row + 2, 26), std::u16string (26, u'm'));

  EXPECT_EQ (Press ("Right"), EFI_SUCCESS);
  EXPECT_EQ (DrawnAttribute (C ().Column + 18, ButtonRow ()), 0x0F);
  EXPECT_EQ (DrawnAttribute (C ().Column + 8, ButtonRow ()), 0x1F);
  Press ("Right");
  EXPECT_EQ (Box->Selected, 1);
  Press ("Left");
  EXPECT_EQ (Box->Selected, 0);
}

TEST_F (MessageBoxTest, AnOkBoxCentresItsButtonAndNeverMovesIt) {
  Define (16);
  Open (MSGBOX_BUTTONS_OK, 1);
  ASSERT_EQ (C ().Width, 20);
  // Eight cells of the inside each side of it, between the borders.
  EXPECT_EQ (Drawn (C ().Column, ButtonRow (), 20), u"\u2502        Ok        \u2502");
  EXPECT_EQ (DrawnAttribute (C ().Column + 9, ButtonRow ()), 0x0F);
  EXPECT_EQ (DrawnAttribute (C ().Column + 8, ButtonRow ()), 0x71);
  EXPECT_EQ (DrawnAttribute (C ().Column + 1, C ().Row + 1), 0x71);
  Press ("Right");
  EXPECT_EQ (Box->Selected, 0);
}

TEST_F (MessageBoxTest, ListButtonsShareTheWidthAndStopAtAnUnreadableOne) {
  Define (27);
  UINT16  Ids[3] = { AddString (u"Save"), AddString (u"Undo"), AddString (u"Quit") };
  CONTROL_RECORD  Record;
  ASSERT_EQ (TuiCreate (&gTuiMessageBoxOps, (VOID **)&Box), EFI_SUCCESS);
  Box->Buttons     = (UINT16 *)AllocateCopyPool (sizeof (Ids), Ids);
  Box->ButtonCount = 3;
  MakePopupRecord (&Record, &Definition);
  ASSERT_EQ (gTuiMessageBoxOps.Control.Initialize (Box, &Record, nullptr), EFI_SUCCESS);
  (VOID)gTuiMessageBoxOps.SetBoxType (Box, MSGBOX_BUTTONS_LIST);
  (VOID)gTuiMessageBoxOps.Control.Draw (Box);
  ASSERT_EQ (C ().Width, 31);
  EXPECT_EQ (Drawn (C ().Column + 3, ButtonRow (), 4), u"Save");
  EXPECT_EQ (Drawn (C ().Column + 13, ButtonRow (), 4), u"Undo");
  EXPECT_EQ (Drawn (C ().Column + 23, ButtonRow (), 4), u"Quit");

  Box->Buttons[1] = 0xFFFF;
  (VOID)gTuiMessageBoxOps.Control.Draw (Box);
  EXPECT_EQ (Drawn (C ().Column + 13, ButtonRow (), 4), u"    ");
  EXPECT_EQ (Drawn (C ().Column + 23, ButtonRow (), 4), u"    ");
  Press ("Right");
  Press ("Right");
  Press ("Right");
  EXPECT_EQ (Box->Selected, 2);      // the hidden buttons can still be chosen
}

TEST_F (MessageBoxTest, TheProgressBarFillsOneCellPerStepAndAllCellsAtTheEnd) {
  Define (18);
  Open (MSGBOX_PROGRESS);
  ASSERT_EQ (C ().Width, 22);
  auto  Bar = [&] () { return Drawn (C ().Column + 1, ButtonRow (), C ().Width - 2); };
  Box->Percentage = 42;
  (VOID)gTuiMessageBoxOps.Control.Draw (Box);
  EXPECT_EQ (Bar (), std::u16string (9, u'\x2588') + std::u16string (11, u' '));
  EXPECT_EQ (DrawnAttribute (C ().Column + 1, ButtonRow ()), 0x13);
  EXPECT_EQ (Drawn (C ().Column + 11 - 1, ButtonRow () - 1, 3), u"42%");
  Box->Percentage = 250;
  (VOID)gTuiMessageBoxOps.Control.Draw (Box);
  EXPECT_EQ (Box->Percentage, 100u);
  EXPECT_EQ (Drawn (C ().Column + 11 - 2, ButtonRow () - 1, 4), u"100%");
  TuiDestroy (Box, TRUE);
  Box = nullptr;

  Define (60);
  Open (MSGBOX_PROGRESS, 2, u"copying");
  ASSERT_EQ (C ().Width, 45);
  Box->Percentage = 99;
  (VOID)gTuiMessageBoxOps.Control.Draw (Box);
  EXPECT_EQ (Bar (), std::u16string (33, u'\x2588') + std::u16string (10, u' '));
  Box->Percentage = 100;
  (VOID)gTuiMessageBoxOps.Control.Draw (Box);
  EXPECT_EQ (Bar (), std::u16string (43, u'\x2588'));
  EXPECT_EQ (Drawn (C ().Column + 22 - 3, C ().Row + C ().Height - 1, 7), u"copying");
}

TEST_F (MessageBoxTest, ALongMessageMakesAFortyFiveColumnBoxAndWraps) {
  Define (60);
  Open (MSGBOX_BUTTONS_OK);
  EXPECT_EQ (C ().Width, 45);
  EXPECT_EQ (C ().Height, 2 + 4 + 2);
  // Wrapped lines keep a cell clear of each border.
  EXPECT_EQ (Drawn (C ().Column, C ().Row + 2, 45), u"\u2502 " + std::u16string (41, u'm') + u" \u2502");
  EXPECT_EQ (Drawn (C ().Column, C ().Row + 3, 45), u"\u2502            " + std::u16string (19, u'm') + u"            \u2502");
}

TEST_F (MessageBoxTest, ABoxWithoutButtonsShowsItsStatusOnTheBorderAndIgnoresEnter) {
  Define (10);
  Open (0x10, 2, u"Please wait a moment");
  EXPECT_EQ (C ().Height, 1 + 4);
  EXPECT_EQ (C ().Width, 28);          // the status text's width + 8
  EXPECT_EQ (Drawn (39, C ().Row + C ().Height - 1, 22), u" Please wait a moment ");
  EXPECT_EQ (DrawnAttribute (39, C ().Row + C ().Height - 1), 0x1F);
  // Left-aligned message at the pane's first column, a cell off the border.
  EXPECT_EQ (Drawn (C ().Column, C ().Row + 2, 12), u"\u2502 " + std::u16string (10, u'm'));

  TUI_BUTTON_ANSWER  Answer {};
  Answer.Button = 77;
  (VOID)gTuiMessageBoxOps.Control.SetCallback (Box, nullptr, [] (VOID *, VOID *, VOID *) -> EFI_STATUS {
    return EFI_SUCCESS;
  }, &Answer);
  EXPECT_EQ (Press ("Enter"), EFI_SUCCESS);
  EXPECT_EQ (Answer.Button, 77u);
  EXPECT_EQ (Press ("Esc"), EFI_SUCCESS);
  EXPECT_EQ (Answer.Button, 1u);
}

TEST_F (MessageBoxTest, TicksAndClicksAreNotTakenAndOtherEventsChangeNothing) {
  Define (5);
  Open (MSGBOX_BUTTONS_YES_NO);
  TUI_INPUT  Event {};
  Event.Kind = TUI_EVENT_TICK;
  EXPECT_EQ (gTuiMessageBoxOps.Control.HandleAction (Box, &Event), EFI_UNSUPPORTED);
  Event.Kind = TUI_EVENT_POINTER;
  EXPECT_EQ (gTuiMessageBoxOps.Control.HandleAction (Box, &Event), EFI_UNSUPPORTED);
  Event.Kind = 9;
  EXPECT_EQ (gTuiMessageBoxOps.Control.HandleAction (Box, &Event), EFI_SUCCESS);
  EXPECT_EQ (Box->Selected, 0);
}

TEST_F (MessageBoxTest, RunPopupBoxAnswersTheChosenButtonAndEscAnswersNoOrEndsABoxWithoutButtons) {
  Define (12, u"Exit");
  Devices.TextIn->Script ().Append ("Enter");
  EXPECT_EQ (RunPopupBox (&Definition, MSGBOX_BUTTONS_YES_NO), 0);
  Devices.TextIn->Script ().Append ("Right,Enter");
  EXPECT_EQ (RunPopupBox (&Definition, MSGBOX_BUTTONS_YES_NO), 1);
  Devices.TextIn->Script ().Append ("Esc");
  EXPECT_EQ (RunPopupBox (&Definition, MSGBOX_BUTTONS_OK_CANCEL), 1);
  EXPECT_EQ (gTuiPopupInput, nullptr);      // the box's own input object is gone again
  EXPECT_EQ (RunPopupBox (nullptr, MSGBOX_BUTTONS_OK), MSGBOX_NO_ANSWER);
  // Only Esc ends a box without buttons.
  Devices.TextIn->Script ().Append ("Enter,Left,Enter,Esc");
  EXPECT_EQ (RunPopupBox (&Definition, 0x10), 1);
  EXPECT_EQ (Devices.TextIn->Script ().Remaining (), 0u);
}

TEST_F (MessageBoxTest, DuringPostTheScreenUnderTheBoxComesBack) {
  PrintAt (45, 15, u"underneath", 0x1E);
  FlushTextScreen ();
  gBootScreenState = 5;
  Define (30);
  Devices.TextIn->Script ().Append ("Enter");
  (VOID)Devices.TextIn->Script ().SetWaitHook ([this] () {
    EXPECT_NE (Shown (45, 15, 10), u"underneath");
  });
  EXPECT_EQ (RunPopupBox (&Definition, MSGBOX_BUTTONS_OK), 0);
  EXPECT_EQ (Shown (45, 15, 10), u"underneath");
  EXPECT_EQ (DrawnAttribute (45, 15), 0x1E);
}

}  // namespace

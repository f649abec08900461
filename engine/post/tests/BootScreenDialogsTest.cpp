// The boot-screen interface's message box (slot 4) in text mode, driven by scripted keys.
#include <engine/testing/TextUiMachineTest.h>

#include <engine/post/BootScreenDialogs.h>
#include <engine/post/BootScreen.h>
#include <engine/textui/TextScreen.h>
#include <engine/textui/TuiObject.h>

#include <functional>
#include <memory>

namespace {

class BootScreenDialogsTest : public StartedEngineTest {
protected:
  // A dialog through the interface's slot with the given keys.
  EFI_STATUS Dialog (const char *Keys, UINT32 Colour, UINT8 BoxType, std::vector<UINT16> Buttons, std::vector<DIALOG_KEY> List,
                     const char16_t *Legend = nullptr, const char16_t *Message = u"Disk almost full")
  {
    if (*Keys != 0) {
      Devices.TextIn->Script ().Append (Keys);
    }
    return gBootScreenInterface.ShowBootScreenDialog ((CHAR16 *)u"Warning", (CHAR16 *)Message, (CHAR16 *)Legend, Colour, BoxType,
             Buttons.empty () ? nullptr : Buttons.data (), (UINT16)Buttons.size (), List.empty () ? nullptr : List.data (),
             (UINT16)List.size (), &Selection, &Key);
  }

  UINT8       Selection = 9;
  DIALOG_KEY  Key       = {};
};

TEST_F (BootScreenDialogsTest, TheMessageBoxSlotShowsTheTextsAndAnswersTheChosenButton) {
  UINT8  Selection = 9;
  bool   Seen      = false;
  Devices.TextIn->Script ().Append ("Right,Enter");
  Devices.TextIn->Script ().SetWaitHook ([&] () {
    Seen = Seen || (Devices.TextOut->RowText (12).find (u" Reset now? ") != std::u16string::npos);
  });
  ASSERT_EQ (gBootScreenInterface.ShowBootScreenMessageBox ((CHAR16 *)u"Reset now?", (CHAR16 *)u"Settings changed", 0x03,
              &Selection), EFI_SUCCESS);
  EXPECT_EQ (Selection, 1);
  EXPECT_TRUE (Seen);
  EXPECT_EQ (gTuiPopupInput, nullptr);

  // A second box reuses the row's strings with new texts.
  Devices.TextIn->Script ().Append ("Esc");
  ASSERT_EQ (gBootScreenInterface.ShowBootScreenMessageBox ((CHAR16 *)u"Other", (CHAR16 *)u"Text", 0x01, &Selection),
    EFI_SUCCESS);
  EXPECT_EQ (Selection, 1);
  Devices.TextIn->Script ().SetWaitHook (nullptr);
}

TEST_F (BootScreenDialogsTest, ATimedBoxStaysUntilItsTimerAndASecondOneReplacesTheFirst) {
  UINTN      Open  = M.Events ().OpenEventCount ();
  EFI_EVENT  Event = nullptr;
  ASSERT_EQ (gBootScreenInterface.ShowTimedInfoBox ((CHAR16 *)u"Note", (CHAR16 *)u"Wait", 2, &Event), EFI_SUCCESS);
  ASSERT_NE (gTimedInfoBox, nullptr);
  EXPECT_EQ (M.Events ().OpenEventCount (), Open + 1);
  FlushTextScreen ();
  EXPECT_NE (Devices.TextOut->RowText (13).find (u" Note "), std::u16string::npos);

  ASSERT_EQ (gBootScreenInterface.ShowTimedInfoBox ((CHAR16 *)u"Again", (CHAR16 *)u"Wait", 3, &Event), EFI_SUCCESS);
  EXPECT_EQ (M.Events ().OpenEventCount (), Open + 1);
  M.Events ().Advance (20000000);
  EXPECT_NE (gTimedInfoBox, nullptr);           // the first timer is gone with its box
  M.Events ().Advance (10000000);
  EXPECT_EQ (gTimedInfoBox, nullptr);
  EXPECT_EQ (M.Events ().OpenEventCount (), Open);

  EXPECT_EQ (ShowTimedInfoBox (u"t", u"m", 1, nullptr), EFI_INVALID_PARAMETER);
  ASSERT_EQ (ShowTimedInfoBox (u"t", u"m", 0, nullptr), EFI_SUCCESS);
  CloseTimedInfoBox (nullptr, nullptr);
}

// The box, its legend copy and the input object go with the close (the fixture finds
// no block left).
TEST_F (BootScreenDialogsTest, AProgressBoxKeepsItsOwnLegendReadsAKeyPerUpdateAndRefusesStaleHandles) {
  VOID    *Handle = nullptr;
  UINT8   Key[8] = {};
  {
    std::u16string  Legend = u"copying files";
    ASSERT_EQ (gBootScreenInterface.ShowProgressBox (1, (CHAR16 *)u"Update", (CHAR16 *)u"Flashing", (CHAR16 *)Legend.data (), 0,
                &Handle, Key), EFI_SUCCESS);
  }
  ASSERT_NE (Handle, nullptr);
  TUI_MESSAGE_BOX  *Box = (TUI_MESSAGE_BOX *)Handle;
  EXPECT_EQ (Box->BoxType, MSGBOX_PROGRESS);

  Devices.TextIn->Script ().Append ("x");
  ASSERT_EQ (gBootScreenInterface.ShowProgressBox (2, nullptr, (CHAR16 *)u"Almost", nullptr, 42, &Handle, Key), EFI_SUCCESS);
  EXPECT_EQ (Key[2], 'x');
  UINT64  Bottom = Box->Frame.Control.Row + Box->Frame.Control.Height;
  EXPECT_EQ (Drawn (Box->Frame.Control.Column + Box->Frame.Control.Width / 2 - 1, Bottom - 3, 3), u"42%");
  EXPECT_NE (Devices.TextOut->RowText (Bottom - 1).find (u"copying files"), std::u16string::npos);
  EXPECT_EQ (Drawn (Box->Frame.Control.Column + 1, Box->Frame.Control.Row + 2, Box->Frame.Control.Width - 2).find (u"Almost") !=
            std::u16string::npos, true);

  EXPECT_EQ (ShowProgressBox (2, nullptr, nullptr, nullptr, 50, &Handle, nullptr), EFI_INVALID_PARAMETER);
  EXPECT_EQ (ShowProgressBox (3, nullptr, nullptr, nullptr, 0, nullptr, nullptr), EFI_INVALID_PARAMETER);
  ASSERT_EQ (ShowProgressBox (3, nullptr, nullptr, nullptr, 0, &Handle, nullptr), EFI_SUCCESS);
  EXPECT_EQ (Handle, (VOID *)Box);            // the handle keeps its value ...
  EXPECT_EQ (ShowProgressBox (2, nullptr, nullptr, nullptr, 50, &Handle, Key), EFI_INVALID_PARAMETER);   // ... but is refused
  EXPECT_EQ (ShowProgressBox (3, nullptr, nullptr, nullptr, 0, &Handle, nullptr), EFI_INVALID_PARAMETER);
  EXPECT_EQ (ShowProgressBox (9, nullptr, nullptr, nullptr, 0, nullptr, nullptr), EFI_SUCCESS);
}

TEST_F (BootScreenDialogsTest, ADialogClearsTheScreenWhenAskedAndDrawsItsColourSchemeAndButtons) {
  PrintAt (0, 0, u"left over", 0x07);
  // Message 16 + 4 columns; one line + 4 rows + 2 for the buttons; scheme 3 is 0x2F.
  AtFirstKey ([&] () {
    EXPECT_EQ (Drawn (0, 0, 9), u"         ");
    EXPECT_EQ (Drawn (40, 12, 1), u"\x250C");
    EXPECT_EQ (DrawnAttribute (40, 12), 0x2F);
    EXPECT_EQ (Drawn (44, 17, 2), u"Ok");
    EXPECT_EQ (DrawnAttribute (44, 17), 0x0F);
    EXPECT_EQ (Drawn (50, 17, 6), u"Cancel");
    EXPECT_EQ (DrawnAttribute (50, 17), 0x2F);
  });
  ASSERT_EQ (Dialog ("Right,Enter", 0x1003, MSGBOX_BUTTONS_OK_CANCEL, {}, {}), EFI_SUCCESS);
  EXPECT_EQ (Selection, 1);
  EXPECT_EQ (gDialogAnswer, 1);
}

TEST_F (BootScreenDialogsTest, ADialogWithoutButtonsOrKeysEndsAtTheFirstOrdinaryKeyAndEscAnswersOne) {
  ASSERT_EQ (Dialog ("Enter", 2, MSGBOX_BUTTONS_NONE, {}, {}), EFI_SUCCESS);
  EXPECT_EQ (Selection, 9);               // no button was chosen
  EXPECT_EQ (gDialogAnswer, 0xFF);

  ASSERT_EQ (Dialog ("Esc", 2, 0x10, {}, {}), EFI_SUCCESS);
  EXPECT_EQ (Selection, 1);
}

TEST_F (BootScreenDialogsTest, AListedKeyEndsTheDialogEvenWhileButtonsAreShown) {
  ASSERT_EQ (Dialog ("Right,x,F1", 2, MSGBOX_BUTTONS_YES_NO, {}, { { SCAN_F1, 0, 0 } }), EFI_SUCCESS);
  EXPECT_EQ ((UINT32)Key.ScanCode, (UINT32)SCAN_F1);
  EXPECT_EQ ((UINT32)Key.UnicodeChar, 0u);
  EXPECT_EQ (Selection, 9);
  EXPECT_EQ (Devices.TextIn->Script ().Remaining (), 0u);

  // The buttons still answer.
  ASSERT_EQ (Dialog ("Enter", 2, MSGBOX_BUTTONS_YES_NO, {}, { { SCAN_F1, 0, 0 } }), EFI_SUCCESS);
  EXPECT_EQ (Selection, 0);
}

TEST_F (BootScreenDialogsTest, AButtonListDialogAnswersTheButtonsPositionAndTakesAtMostFour) {
  ASSERT_EQ (Dialog ("Right,Right,Right,Enter", 1, MSGBOX_BUTTONS_LIST, { 56, 57, 58 }, {}), EFI_SUCCESS);
  EXPECT_EQ (Selection, 2);
  EXPECT_EQ (Dialog ("", 1, MSGBOX_BUTTONS_LIST, { 56, 57, 58, 59, 56 }, {}), EFI_UNSUPPORTED);
}

TEST_F (BootScreenDialogsTest, ALegendWiderThanTheMessageWidensABoxWithoutButtonsAndStandsOnItsBorder) {
  // Legend 29 cells against "Please wait" + 4: 37 columns, 5 rows.
  AtFirstKey ([&] () {
    EXPECT_EQ (Drawn (31, 13, 1), u"\x250C");
    EXPECT_EQ (Drawn (67, 13, 1), u"\x2510");
    EXPECT_NE (Devices.TextOut->RowText (17).find (u" Press any key to continue now "), std::u16string::npos);
  });
  ASSERT_EQ (Dialog ("Esc", 2, MSGBOX_BUTTONS_NONE, {}, {}, u"Press any key to continue now", u"Please wait"), EFI_SUCCESS);
  EXPECT_EQ (Selection, 1);
}

TEST_F (BootScreenDialogsTest, DialogArgumentsAreCheckedBeforeAnythingIsShown) {
  UINT16      Ids[2] = { 56, 57 };
  DIALOG_KEY  Keys[1] = { { SCAN_F1, 0, 0 } };
  EXPECT_EQ (ShowTextMessageBox (nullptr, u"m", 1, &Selection), EFI_INVALID_PARAMETER);
  EXPECT_EQ (ShowTextMessageBox (u"t", nullptr, 1, &Selection), EFI_INVALID_PARAMETER);
  EXPECT_EQ (ShowTextMessageBox (u"t", u"m", 1, nullptr), EFI_INVALID_PARAMETER);
  EXPECT_EQ (ShowBootScreenDialog (nullptr, u"m", nullptr, 1, 1, nullptr, 0, nullptr, 0, &Selection, &Key),
    EFI_INVALID_PARAMETER);
  EXPECT_EQ (ShowBootScreenDialog (u"t", nullptr, nullptr, 1, 1, nullptr, 0, nullptr, 0, &Selection, &Key),
    EFI_INVALID_PARAMETER);
  EXPECT_EQ (ShowBootScreenDialog (u"t", u"m", nullptr, 1, 4, nullptr, 0, nullptr, 0, &Selection, &Key),
    EFI_INVALID_PARAMETER);
  EXPECT_EQ (ShowBootScreenDialog (u"t", u"m", nullptr, 1, 2, nullptr, 2, nullptr, 0, &Selection, &Key),
    EFI_INVALID_PARAMETER);
  EXPECT_EQ (ShowBootScreenDialog (u"t", u"m", nullptr, 1, 2, Ids, 2, nullptr, 1, &Selection, &Key),
    EFI_INVALID_PARAMETER);

  EFI_SIMPLE_TEXT_INPUT_PROTOCOL  *ConIn = gST->ConIn;
  gST->ConIn = nullptr;
  EXPECT_EQ (ShowBootScreenDialog (u"t", u"m", nullptr, 1, 2, Ids, 2, Keys, 1, &Selection, &Key), EFI_NOT_READY);
  gST->ConIn = ConIn;
  EXPECT_EQ (Selection, 9);
  EXPECT_EQ (Devices.TextIn->Script ().Released (), 0u);
}

TEST_F (BootScreenDialogsTest, StringColumnsComeFromTheDisplayWidthAndTheWidestLine) {
  EXPECT_EQ (GetStringColumns (gHiiHandle, AddString (u"Hello")), 5u);
  EXPECT_EQ (GetStringMaxLineColumns (gHiiHandle, AddString (u"ab\r\nabcdef\r\nabc")), 6u);
  EXPECT_EQ (GetStringMaxLineColumns (gHiiHandle, AddString (u"last line longest\r\nab\r\nthe last line is longest")), 24u);
  EXPECT_EQ (GetStringColumns (gHiiHandle, 0x7FFF), 0u);
  EXPECT_EQ (GetStringMaxLineColumns (gHiiHandle, 0x7FFF), 0u);
}

TEST_F (BootScreenDialogsTest, AProgressBoxShowsItsLatestMessageAndCountsAbove100As100) {
  VOID        *Handle = nullptr;
  DIALOG_KEY  Read    = {};
  ASSERT_EQ (gBootScreenInterface.ShowProgressBox (1, (CHAR16 *)u"Update", (CHAR16 *)u"Flashing", nullptr, 0, &Handle, &Read),
    EFI_SUCCESS);
  // "Flashing" + 4 columns; one line + 4 rows + 2 for the bar: at (44, 12).
  EXPECT_EQ (Drawn (44, 12, 1), u"\x250C");
  EXPECT_EQ (Drawn (49, 16, 2), u"0%");
  EXPECT_EQ (Drawn (45, 17, 10), u"          ");

  Devices.TextIn->Script ().Append ("a,b");
  ASSERT_EQ (gBootScreenInterface.ShowProgressBox (2, nullptr, (CHAR16 *)u"Erasing.", nullptr, 50, &Handle, &Read), EFI_SUCCESS);
  EXPECT_EQ (Drawn (46, 14, 8), u"Erasing.");
  EXPECT_EQ (Drawn (49, 16, 3), u"50%");
  EXPECT_EQ ((UINT32)Read.UnicodeChar, (UINT32)u'a');
  // A 10-cell bar takes a cell for every 10 percent.
  EXPECT_EQ (Drawn (45, 17, 10), u"\x2588\x2588\x2588\x2588\x2588     ");
  EXPECT_EQ (DrawnAttribute (45, 17), 0x13);

  ASSERT_EQ (gBootScreenInterface.ShowProgressBox (2, nullptr, (CHAR16 *)u"Writing.", nullptr, 120, &Handle, &Read), EFI_SUCCESS);
  EXPECT_EQ (Drawn (46, 14, 8), u"Writing.");
  EXPECT_EQ (Drawn (48, 16, 4), u"100%");
  EXPECT_EQ (Drawn (45, 17, 10), std::u16string (10, u'\x2588'));
  EXPECT_EQ ((UINT32)Read.UnicodeChar, (UINT32)u'b');
  ASSERT_EQ (gBootScreenInterface.ShowProgressBox (3, nullptr, nullptr, nullptr, 0, &Handle, nullptr), EFI_SUCCESS);
}

// Leaving no box behind is the fixture's check that no block is left.
TEST_F (BootScreenDialogsTest, ADialogThatCannotBeMadeAnswersOutOfResourcesAndLeavesNoBox) {
  UINT16  Ids[3] = { 56, 57, 58 };
  bool    Refused = false;

  for (UINT64 Failing = 1; Failing < 30; Failing++) {
    Selection = 9;
    if (Devices.TextIn->Script ().Remaining () == 0) {
      Devices.TextIn->Script ().Append ("Right,Enter");
    }
    M.Memory ().FailAllocation (Failing);
    EFI_STATUS  Status = ShowBootScreenDialog (u"Warning", u"Disk almost full", u"legend", 1, MSGBOX_BUTTONS_LIST, Ids, 3,
                           nullptr, 0, &Selection, &Key);
    M.Memory ().FailAllocation (0);
    if (Status != EFI_SUCCESS) {
      EXPECT_EQ (Status, EFI_OUT_OF_RESOURCES) << Failing;
      EXPECT_EQ (Selection, 9) << Failing;
      Refused = true;
    }
  }
  EXPECT_TRUE (Refused);
}

}  // namespace

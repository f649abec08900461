// The boot-screen interface's message box (slot 4) in text mode, driven by scripted keys.
#include "support/TextUiMachineTest.h"

#include <engine/textui/BootScreenDialogs.h>
#include <engine/textui/BootScreenInterface.h>
#include <engine/textui/TuiObject.h>

namespace {

class BootScreenDialogsTest : public TextUiMachineTest {
protected:
  void SetUp () override
  {
    TextUiMachineTest::SetUp ();
    StartEngine ();
  }
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

TEST_F (BootScreenDialogsTest, NullArgumentsAreRefused) {
  UINT8  Selection = 0;
  EXPECT_EQ (ShowTextMessageBox (nullptr, u"m", 1, &Selection), EFI_INVALID_PARAMETER);
  EXPECT_EQ (ShowTextMessageBox (u"t", nullptr, 1, &Selection), EFI_INVALID_PARAMETER);
  EXPECT_EQ (ShowTextMessageBox (u"t", u"m", 1, nullptr), EFI_INVALID_PARAMETER);
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

TEST_F (BootScreenDialogsTest, AProgressBoxKeepsItsOwnLegendReadsAKeyPerUpdateAndRefusesStaleHandles) {
  UINT64  Mark   = M.Memory ().AllocationCount ();
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
  // Only strings stay: the box, its legend copy and the input object are gone.
  for (const Emu::POOL_BLOCK &Block : M.Memory ().LeaksSince (Mark)) {
    EXPECT_NE (Block.Size, sizeof (TUI_MESSAGE_BOX));
  }
}

}  // namespace

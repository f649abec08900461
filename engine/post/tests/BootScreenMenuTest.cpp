// The boot-screen interface's pop-up menu (slot 13) in text mode, driven by scripted
// keys: the box's cells, separators and dimmed items, hotkeys of shown and hidden
// items, the menu following its caller's items, and the statuses it answers.
#include <engine/testing/TextUiMachineTest.h>

#include <engine/post/BootScreenDialogs.h>
#include <engine/post/BootScreen.h>
#include <engine/textui/TuiObject.h>

#include <Emulator/KeyScript.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

class BootScreenMenuTest : public StartedEngineTest {
protected:
  MENU_ITEM Item (const std::u16string &Text, UINT8 State = MENU_STATE_NORMAL)
  {
    MENU_ITEM  Made {};
    Made.StringId = Text.empty () ? (UINT16)MENU_ITEM_SEPARATOR : AddString (Text);
    Made.State    = State;
    return Made;
  }

  MENU_ITEM Hotkey (MENU_ITEM Made, const char *Key)
  {
    KEY_CODE_DATA  Record = Emu::ParseKeyScript (Key).at (0).Record;
    Made.ScanCode    = Record.Key.ScanCode;
    Made.UnicodeChar = Record.Key.UnicodeChar;
    return Made;
  }

  EFI_STATUS Run (std::vector<MENU_ITEM> &Items, UINT16 *Selection, const char *Keys, UINT16 TitleId = 0, UINT16 HelpId = 0)
  {
    if (*Keys != 0) {
      Devices.TextIn->Script ().Append (Keys);
    }
    gBootScreenState = 3;     // the POST flow has read its settings: menus may show from now on
    return gBootScreenInterface.ShowBootScreenMenu (nullptr, TitleId, HelpId, Items.data (), (UINT16)Items.size (), Selection);
  }
};

TEST_F (BootScreenMenuTest, TheMenuShowsItsItemsCentredAndSkipsSeparatorsAndDimmedItems) {
  std::vector<MENU_ITEM>  Items = { Item (u"First"), Item (u""), Item (u"Second", MENU_STATE_DIMMED), Item (u"Third") };
  UINT16                  Selection = 0;

  // Widest item 6 + 4 columns, 4 items + 2 rows, centred on 100 x 31.
  AtFirstKey ([&] () {
    EXPECT_EQ (Drawn (45, 12, 1), u"\x250C");
    EXPECT_EQ (Drawn (47, 13, 5), u"First");
    EXPECT_EQ (DrawnAttribute (47, 13), 0x0F);
    EXPECT_EQ (Drawn (45, 14, 10), u"\x251C\x2500\x2500\x2500\x2500\x2500\x2500\x2500\x2500\x2524");
    EXPECT_EQ (Drawn (47, 15, 6), u"Second");
    EXPECT_EQ (DrawnAttribute (47, 15), 0x17);
    EXPECT_EQ (Drawn (47, 16, 5), u"Third");
    EXPECT_EQ (DrawnAttribute (47, 16), 0x1F);
    EXPECT_EQ (Devices.TextOut->RowText (13).substr (47, 5), u"First");
  });
  ASSERT_EQ (Run (Items, &Selection, "Down,Enter"), EFI_SUCCESS);
  EXPECT_EQ (Selection, 3);
  // The box is gone: the screen under it is back.
  EXPECT_EQ (Drawn (45, 12, 1), u" ");

  // Down from the last item wraps to the first.
  Selection = 3;
  ASSERT_EQ (Run (Items, &Selection, "Down,Enter"), EFI_SUCCESS);
  EXPECT_EQ (Selection, 0);
}

// Before the POST flow has read its settings the menu is not ready and draws nothing.
TEST_F (BootScreenMenuTest, BeforeThePostSettingsAreReadTheMenuIsNotReady) {
  std::vector<MENU_ITEM>  Items = { Item (u"One") };
  UINT16                  Selection = 0;
  size_t                  Before    = Devices.TextOut->Calls ().size ();

  for (UINT64 State : { 0, 1, 2 }) {
    gBootScreenState = State;
    EXPECT_EQ (gBootScreenInterface.ShowBootScreenMenu (nullptr, 0, 0, Items.data (), 1, &Selection), EFI_NOT_READY);
  }
  EXPECT_EQ (Devices.TextOut->Calls ().size (), Before);
}

TEST_F (BootScreenMenuTest, TheTitleAndHelpWidenTheBox) {
  std::vector<MENU_ITEM>  Items = { Item (u"One"), Item (u"Two") };
  UINT16                  Title = AddString (u"Choose a device");
  UINT16                  Help  = AddString (u"Enter picks\r\nEsc leaves this menu now");
  UINT16                  Selection = 1;

  // Title 15 + 7 against help 24 + 4: 28 + 4 columns; 2 items + 2 rows, a title band
  // of 2 and a help band of 3.
  AtFirstKey ([&] () {
    EXPECT_EQ (Drawn (34, 11, 1), u"\x250C");
    EXPECT_EQ (Drawn (65, 11, 1), u"\x2510");
    EXPECT_EQ (Drawn (34, 19, 1), u"\x2514");
    bool  Titled = false;
    for (UINTN Row = 11; Row < 14; Row++) {
      Titled = Titled || (Devices.TextOut->RowText (Row).find (u" Choose a device ") != std::u16string::npos);
    }
    EXPECT_TRUE (Titled);
  });
  ASSERT_EQ (Run (Items, &Selection, "Enter", Title, Help), EFI_SUCCESS);
  EXPECT_EQ (Selection, 1);
}

TEST_F (BootScreenMenuTest, AHotkeyChoosesItsItemAndHiddenItemsOnlyAnswerTheirKeys) {
  std::vector<MENU_ITEM>  Items = {
    Item (u"Disk"), Hotkey (Item (u"Network"), "n"), Hotkey (Item (u"Shell", MENU_STATE_DIMMED), "s"),
    Hotkey (Item (u"Secret", MENU_STATE_HIDDEN_KEY), "F5"),
  };
  UINT16                  Selection = 0;

  // A dimmed item's key does nothing; a shown item's key chooses it.
  ASSERT_EQ (Run (Items, &Selection, "s,n"), EFI_SUCCESS);
  EXPECT_EQ (Selection, 1);

  // A hidden item without a callback ends the menu with success when its key is pressed;
  // the selection stays on the item shown as selected.
  Selection = 0;
  ASSERT_EQ (Run (Items, &Selection, "F5"), EFI_SUCCESS);
  EXPECT_EQ (Selection, 0);
}

TEST_F (BootScreenMenuTest, EscEndsTheMenuUnlessAnExitItemHoldsAnotherKey) {
  std::vector<MENU_ITEM>  Plain = { Item (u"Disk"), Item (u"Network") };
  UINT16                  Selection = 1;

  EXPECT_EQ (Run (Plain, &Selection, "Esc"), EFI_ABORTED);
  EXPECT_EQ (Selection, 1);

  std::vector<MENU_ITEM>  EscExit = { Item (u"Disk"), Hotkey (Item (u"Leave", MENU_STATE_HIDDEN_EXIT), "Esc") };
  Selection = 0;
  EXPECT_EQ (Run (EscExit, &Selection, "Esc"), EFI_ABORTED);

  // With a state-3 item bound to F1, Esc is ignored and F1 ends the menu.
  std::vector<MENU_ITEM>  F1Exit = { Item (u"Disk"), Hotkey (Item (u"Leave", MENU_STATE_HIDDEN_EXIT), "F1") };
  Selection = 0;
  EXPECT_EQ (Run (F1Exit, &Selection, "Esc,F1"), EFI_ABORTED);
  EXPECT_EQ (Devices.TextIn->Script ().Remaining (), 0u);
}

TEST_F (BootScreenMenuTest, AStartOnAHiddenOrDimmedItemMovesToTheFirstNormalOne) {
  std::vector<MENU_ITEM>  Items = {
    Item (u"Dim", MENU_STATE_DIMMED), Item (u"Gone", MENU_STATE_HIDDEN_KEY), Item (u"Normal"), Item (u"Last"),
  };
  // The box's order is Dim, Normal, Last, Gone: the hidden item lies past the shown ones.
  UINT16  Selection = 0;
  ASSERT_EQ (Run (Items, &Selection, "Enter"), EFI_SUCCESS);
  EXPECT_EQ (Selection, 2);
}

TEST_F (BootScreenMenuTest, LeftOutItemsKeepTheirPlaceAndMenusWithNothingToSelectAreRefused) {
  std::vector<MENU_ITEM>  Items = { Item (u"A"), Item (u"B"), Item (u"C") };
  Items[1].StringId = MENU_ITEM_LEFT_OUT;
  UINT16  Selection = 0;

  ASSERT_EQ (Run (Items, &Selection, "Down,Enter"), EFI_SUCCESS);
  EXPECT_EQ (Selection, 2);
  EXPECT_EQ (Items[1].State, MENU_STATE_HIDDEN_KEY);

  std::vector<MENU_ITEM>  None = { Item (u"A"), Item (u"B") };
  None[0].StringId = MENU_ITEM_LEFT_OUT;
  None[1].StringId = MENU_ITEM_LEFT_OUT;
  Selection = 0;
  EXPECT_EQ (Run (None, &Selection, ""), EFI_UNSUPPORTED);
  EXPECT_EQ (None[0].State, MENU_STATE_HIDDEN_KEY);
  EXPECT_EQ (None[1].State, MENU_STATE_HIDDEN_KEY);

  // Separators and dimmed items alone: nothing could ever be chosen.
  std::vector<MENU_ITEM>  Dim = { Item (u""), Item (u"Dim", MENU_STATE_DIMMED) };
  EXPECT_EQ (Run (Dim, &Selection, ""), EFI_UNSUPPORTED);
  EXPECT_EQ (Devices.TextIn->Script ().Released (), 2u);
}

TEST_F (BootScreenMenuTest, NullListsAndSelectionsOutOfRangeAreRefused) {
  std::vector<MENU_ITEM>  Items = { Item (u"A") };
  UINT16                  Selection = 1;

  EXPECT_EQ (ShowBootScreenMenu (nullptr, 0, 0, Items.data (), 1, &Selection), EFI_INVALID_PARAMETER);
  Selection = 0;
  EXPECT_EQ (ShowBootScreenMenu (nullptr, 0, 0, nullptr, 1, &Selection), EFI_INVALID_PARAMETER);
  EXPECT_EQ (ShowBootScreenMenu (nullptr, 0, 0, Items.data (), 1, nullptr), EFI_INVALID_PARAMETER);
  EXPECT_EQ (ShowBootScreenMenu (nullptr, 0, 0, Items.data (), 0, &Selection), EFI_INVALID_PARAMETER);
}

// What the callbacks below see and do.
struct CALLBACK_STATE {
  BootScreenMenuTest         *Test;
  std::function<void (UINT16)>  Action;
  std::vector<UINT16>        Positions;
};

EFI_STATUS
RecordingCallback (VOID *Context, VOID *Box, VOID *Position)
{
  CALLBACK_STATE  *State = (CALLBACK_STATE *)Context;
  (VOID)Box;
  State->Positions.push_back (*(UINT16 *)Position);
  if (State->Action) {
    State->Action (*(UINT16 *)Position);
  }
  return EFI_SUCCESS;
}

TEST_F (BootScreenMenuTest, ACallbackThatRenamesItsItemKeepsTheMenuOpenOnTheSamePosition) {
  CALLBACK_STATE          State { this, nullptr, {} };
  std::vector<MENU_ITEM>  Items = { Item (u"Keep"), Item (u"Rename me"), Item (u"Done") };
  UINT16                  Longer = AddString (u"Renamed to a longer text");
  Items[1].Callback = RecordingCallback;
  Items[1].Context  = &State;
  State.Action      = [&] (UINT16) { Items[1].StringId = Longer; };
  UINT16  Selection = 1;
  bool    Seen      = false;

  // After the first Enter the rebuilt box shows the new text, 24 + 4 columns wide.
  int     Waits = 0;
  Devices.TextIn->Script ().SetWaitHook ([&] () {
    if (++Waits == 2) {
      Seen = (Drawn (38, 15, 24) == u"Renamed to a longer text") && (DrawnAttribute (38, 15) == 0x0F);
    }
  });
  ASSERT_EQ (Run (Items, &Selection, "Enter,Down,Enter"), EFI_SUCCESS);
  EXPECT_TRUE (Seen);
  EXPECT_EQ (State.Positions, std::vector<UINT16> ({ 1 }));
  EXPECT_EQ (Selection, 2);
}

TEST_F (BootScreenMenuTest, ACallbackThatDimsTheSelectedItemMovesTheSelectionDown) {
  CALLBACK_STATE          State { this, nullptr, {} };
  std::vector<MENU_ITEM>  Items = { Item (u"Once"), Item (u"Next"), Item (u"Last") };
  Items[0].Callback = RecordingCallback;
  Items[0].Context  = &State;
  State.Action      = [&] (UINT16) { Items[0].State = MENU_STATE_DIMMED; };
  UINT16  Selection = 0;

  ASSERT_EQ (Run (Items, &Selection, "Enter,Enter"), EFI_SUCCESS);
  EXPECT_EQ (Selection, 1);
}

TEST_F (BootScreenMenuTest, ACallbackMayOpenAMenuOfItsOwn) {
  CALLBACK_STATE          State { this, nullptr, {} };
  std::vector<MENU_ITEM>  Inner = { Item (u"Inner one"), Item (u"Inner two") };
  std::vector<MENU_ITEM>  Outer = { Item (u"Open more"), Item (u"Finish") };
  UINT16                  InnerSelection = 0;
  EFI_STATUS              InnerStatus    = EFI_NOT_STARTED;
  Outer[0].Callback = RecordingCallback;
  Outer[0].Context  = &State;
  State.Action      = [&] (UINT16) {
    InnerStatus = ShowBootScreenMenu (nullptr, 0, 0, Inner.data (), (UINT16)Inner.size (), &InnerSelection);
  };
  UINT16  Selection = 0;

  ASSERT_EQ (Run (Outer, &Selection, "Enter,Down,Enter,Down,Enter"), EFI_SUCCESS);
  EXPECT_EQ (InnerStatus, EFI_SUCCESS);
  EXPECT_EQ (InnerSelection, 1);
  EXPECT_EQ (Selection, 1);
  EXPECT_EQ (gMenuItems, Outer.data ());
}

TEST_F (BootScreenMenuTest, AHiddenItemsCallbackRunsOnItsKeyWithItsPosition) {
  CALLBACK_STATE          State { this, nullptr, {} };
  std::vector<MENU_ITEM>  Items = { Item (u"Disk"), Hotkey (Item (u"Hidden", MENU_STATE_HIDDEN_KEY), "F9"), Item (u"Net") };
  Items[1].Callback = RecordingCallback;
  Items[1].Context  = &State;
  UINT16  Selection = 0;

  // In the box's order the hidden item comes after the two shown ones.
  ASSERT_EQ (Run (Items, &Selection, "F9,Down,Enter"), EFI_SUCCESS);
  EXPECT_EQ (State.Positions, std::vector<UINT16> ({ 2 }));
  EXPECT_EQ (Selection, 2);
}

TEST_F (BootScreenMenuTest, AnAllocationThatFailsEndsTheMenuWithAFailureAndLeavesNothingBehind) {
  std::vector<MENU_ITEM>  Items = { Item (u"Disk"), Item (u"Network") };
  bool                    Refused = false;

  for (UINT64 Failing = 1; Failing < 30; Failing++) {
    UINT16  Selection = 1;
    UINTN   Before    = Devices.TextIn->Script ().Released ();
    if (Devices.TextIn->Script ().Remaining () == 0) {
      Devices.TextIn->Script ().Append ("Enter");
    }
    M.Memory ().FailAllocation (Failing);
    EFI_STATUS  Status = ShowBootScreenMenu (nullptr, 0, 0, Items.data (), (UINT16)Items.size (), &Selection);
    M.Memory ().FailAllocation (0);
    if (Status == EFI_SUCCESS) {
      EXPECT_EQ (Selection, 1) << Failing;
      continue;
    }
    // A menu that could not be made read no key and chose nothing.
    EXPECT_EQ (Status, EFI_OUT_OF_RESOURCES) << Failing;
    EXPECT_EQ (Devices.TextIn->Script ().Released (), Before) << Failing;
    Refused = true;                // the Enter still waits: the next menu takes it
  }
  EXPECT_TRUE (Refused);
}

}  // namespace

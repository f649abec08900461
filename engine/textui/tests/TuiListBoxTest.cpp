// The list box in menu mode on a started engine: geometry, the scroll bar's
// threshold, the attributes of selected and dimmed items, moving with wrap-around and
// skipping, hotkeys, the callback's answers, and the screen put back when it closes.
#include <engine/testing/TextUiMachineTest.h>

#include <engine/core/EngineStrings.h>
#include <engine/textui/TuiPopup.h>

#include <Emulator/KeyScript.h>

#include <string>
#include <vector>

namespace {

struct ANSWER {
  VOID                  *Box;
  bool                  Null;
  UINT16                Value;
};

std::vector<ANSWER>  mAnswers;

EFI_STATUS
RecordAnswer (VOID *Context, VOID *Box, VOID *Data)
{
  (VOID)Context;
  mAnswers.push_back ({ Box, Data == nullptr, (Data == nullptr) ? (UINT16)0 : *(UINT16 *)Data });
  return EFI_SUCCESS;
}

class TuiListBoxTest : public StartedEngineTest {
protected:
  void SetUp () override
  {
    StartedEngineTest::SetUp ();
    mAnswers.clear ();
  }

  void TearDown () override
  {
    TuiDestroy (Box, TRUE);
    StartedEngineTest::TearDown ();
  }

  MENU_ITEM Item (const std::u16string &Text, UINT8 State = MENU_STATE_NORMAL)
  {
    MENU_ITEM  Made {};
    Made.StringId = Text.empty () ? (UINT16)MENU_ITEM_SEPARATOR : AddString (Text);
    Made.State    = State;
    return Made;
  }

  void Open (std::vector<MENU_ITEM> Items, UINT16 Hidden = 0, UINT16 TitleId = 0, UINT16 HelpId = 0)
  {
    CONTROL_RECORD   Record {};
    MENU_DEFINITION  Menu { TitleId, (UINT16)Items.size (), Items.data (), HelpId, &Record, Hidden };

    Record.HiiHandle = ENGINE_OWN_HII_HANDLE;
    Record.Flags     = CONTROL_FLAG_VALID;
    Record.QuestionOpcode = 1;           // a head the pop-up never reads
    ASSERT_EQ (TuiCreate (&gTuiListBoxOps, (VOID **)&Box), EFI_SUCCESS);
    ASSERT_EQ (gTuiListBoxOps.InitializeMenu (Box, &Menu), EFI_SUCCESS);
    ASSERT_EQ (gTuiListBoxOps.Control.SetCallback (Box, nullptr, RecordAnswer, nullptr), EFI_SUCCESS);
    ASSERT_EQ (gTuiListBoxOps.Control.Draw (Box), EFI_SUCCESS);
  }

  std::vector<MENU_ITEM> Numbered (UINTN Count)
  {
    std::vector<MENU_ITEM>  Items;
    for (UINTN Index = 0; Index < Count; Index++) {
      std::string  Name = "Item " + std::to_string (Index);
      Items.push_back (Item (std::u16string (Name.begin (), Name.end ())));
    }
    return Items;
  }

  EFI_STATUS Press (const char *Key)
  {
    TUI_INPUT  Event {};
    Event.Kind = TUI_EVENT_KEY;
    Event.Key  = Emu::ParseKeyScript (Key).at (0).Record;
    EFI_STATUS  Status = gTuiListBoxOps.Control.HandleAction (Box, &Event);
    EXPECT_EQ (gTuiListBoxOps.Control.Draw (Box), EFI_SUCCESS);
    return Status;
  }

  const TUI_CONTROL &C () const { return Box->Frame.Control; }

  TUI_LIST_BOX  *Box = nullptr;
};

TEST_F (TuiListBoxTest, AMenuIsCentredWithItsItemsTheSelectionBrightAndDimmedItemsGrey) {
  Open ({ Item (u"Alpha"), Item (u"Beta", MENU_STATE_DIMMED), Item (u""), Item (u"Gamma") });

  // Widest item 5 + 4 columns; 4 items + 2 rows; centred on 100 x 31.
  EXPECT_EQ (C ().Width, 9);
  EXPECT_EQ (C ().Height, 6);
  EXPECT_EQ (C ().Column, (100 - 9) / 2);
  EXPECT_EQ (C ().Row, (31 - 6) / 2);
  UINT16  X = C ().Column;
  UINT16  Y = C ().Row;
  EXPECT_EQ (Drawn (X, Y, 1), u"\x250C");
  EXPECT_EQ (Drawn (X + 2, Y + 1, 5), u"Alpha");
  EXPECT_EQ (DrawnAttribute (X + 2, Y + 1), 0x0F);
  EXPECT_EQ (Drawn (X + 2, Y + 2, 4), u"Beta");
  EXPECT_EQ (DrawnAttribute (X + 2, Y + 2), 0x07 | C ().Background);
  EXPECT_EQ (Drawn (X, Y + 3, 9), u"\x251C\x2500\x2500\x2500\x2500\x2500\x2500\x2500\x2524");
  EXPECT_EQ (DrawnAttribute (X + 2, Y + 4), C ().Foreground | C ().Background);
  // The shadow: two columns right and one row down, dark grey on black.
  EXPECT_EQ (DrawnAttribute (X + 9, Y + 6), 0x08);
}

TEST_F (TuiListBoxTest, NineteenItemsFitWithoutAScrollBarAndTwentyGetOne) {
  Open (Numbered (19));
  EXPECT_EQ (Box->ScrollBar, 0);
  EXPECT_EQ (C ().Height, 21);
  TuiDestroy (Box, TRUE);
  Box = nullptr;

  Open (Numbered (20));
  ASSERT_EQ (Box->ScrollBar, 1);
  EXPECT_EQ (C ().Height, 21);          // rows - 10
  EXPECT_EQ (Box->LastShown, 18);       // rows - 13
  UINT16  Bar = C ().Column + C ().Width - 2;
  EXPECT_EQ (Drawn (Bar, C ().Row + 1, 1), u"\x25B2");
  EXPECT_EQ (Drawn (Bar, C ().Row + C ().Height - 2, 1), u"\x25BC");
  EXPECT_EQ (Drawn (Bar, C ().Row + 2, 1), u"\x2588");
  EXPECT_EQ (Drawn (Bar, C ().Row + C ().Height - 3, 1), u"\x2591");

  // Up from the first item wraps to the last, and the shown range follows it.
  EXPECT_EQ (Press ("Up"), EFI_SUCCESS);
  EXPECT_EQ (Box->Selection, 19);
  EXPECT_EQ (Box->FirstShown, 1);
  EXPECT_EQ (Drawn (C ().Column + 2, C ().Row + C ().Height - 2, 7), u"Item 19");
  EXPECT_EQ (Drawn (Bar, C ().Row + C ().Height - 3, 1), u"\x2588");
  EXPECT_EQ (Press ("Down"), EFI_SUCCESS);
  EXPECT_EQ (Box->Selection, 0);
  EXPECT_EQ (Box->FirstShown, 0);
}

TEST_F (TuiListBoxTest, MovesSkipSeparatorsAndDimmedItemsAndNeverReachHiddenOnes) {
  Open ({ Item (u"One"), Item (u""), Item (u"Two", MENU_STATE_DIMMED), Item (u"Three"),
          Item (u"Hidden", MENU_STATE_HIDDEN_KEY) }, 1);
  EXPECT_EQ (C ().Height, 6);
  Press ("Down");
  EXPECT_EQ (Box->Selection, 3);
  Press ("Down");
  EXPECT_EQ (Box->Selection, 0);
  Press ("Up");
  EXPECT_EQ (Box->Selection, 3);
  EXPECT_EQ (Press ("PgDn"), EFI_UNSUPPORTED);      // a menu does not page
}

TEST_F (TuiListBoxTest, AMenuWithNothingSelectableKeepsItsPlaceAndIgnoresEnter) {
  Open ({ Item (u""), Item (u"Dim", MENU_STATE_DIMMED) });
  EXPECT_EQ (Press ("Down"), EFI_SUCCESS);
  EXPECT_EQ (Press ("Up"), EFI_SUCCESS);
  EXPECT_EQ (Box->Selection, 0);
  EXPECT_EQ (Press ("Enter"), EFI_SUCCESS);
  EXPECT_TRUE (mAnswers.empty ());
}

TEST_F (TuiListBoxTest, EnterAnswersTheSelectionEscAnswersNothingAndHotkeysChoose) {
  std::vector<MENU_ITEM>  Items = { Item (u"One"), Item (u"Two"), Item (u"Exit", MENU_STATE_HIDDEN_KEY) };
  Items[1].UnicodeChar = u't';
  Items[2].ScanCode    = SCAN_F10;
  Open (Items, 1);

  Press ("Down");
  EXPECT_EQ (Press ("Enter"), EFI_SUCCESS);
  EXPECT_EQ (Press ("Esc"), EFI_SUCCESS);
  Press ("Up");
  EXPECT_EQ (Press ("t"), EFI_SUCCESS);
  EXPECT_EQ (Box->Selection, 1);
  // A hidden item's hotkey answers its position without moving the selection.
  EXPECT_EQ (Press ("F10"), EFI_SUCCESS);
  EXPECT_EQ (Box->Selection, 1);
  EXPECT_EQ (Press ("x"), EFI_UNSUPPORTED);

  ASSERT_EQ (mAnswers.size (), 4u);
  EXPECT_EQ (mAnswers[0].Box, Box);
  EXPECT_EQ (mAnswers[0].Value, 1);
  EXPECT_TRUE (mAnswers[1].Null);
  EXPECT_EQ (mAnswers[2].Value, 1);
  const TUI_LIST_ANSWER  Expected = { TUI_LIST_ANSWER_HIDDEN_ITEM, 2 };
  EXPECT_EQ (mAnswers[3].Value, Expected.Kind);
  // Ticks and clicks are never a menu's.
  TUI_INPUT  Event {};
  Event.Kind  = TUI_EVENT_TICK;
  Event.Ticks = 1;
  EXPECT_EQ (gTuiListBoxOps.Control.HandleAction (Box, &Event), EFI_UNSUPPORTED);
  Event.Kind = TUI_EVENT_POINTER;
  EXPECT_EQ (gTuiListBoxOps.Control.HandleAction (Box, &Event), EFI_UNSUPPORTED);
  EXPECT_EQ (mAnswers.size (), 4u);
}

TEST_F (TuiListBoxTest, ClosingPutsBackTheScreenUnderTheBox) {
  PrintAt (45, 15, u"underneath", 0x1E);
  FlushTextScreen ();
  Open ({ Item (u"A long item that covers the middle") });
  EXPECT_NE (Drawn (45, 15, 10), u"underneath");
  FlushTextScreen ();
  TuiDestroy (Box, TRUE);
  Box = nullptr;
  EXPECT_EQ (Drawn (45, 15, 10), u"underneath");
  EXPECT_EQ (Shown (45, 15, 10), u"underneath");
  EXPECT_EQ (DrawnAttribute (45, 15), 0x1E);
}

TEST_F (TuiListBoxTest, ATitleWiderThanTheScreenKeepsTheBoxOnIt) {
  std::u16string  Long (120, u'T');
  Open ({ Item (u"One") }, 0, AddString (Long));
  EXPECT_LE (C ().Column + C ().Width, 100);
  EXPECT_EQ (C ().Width, 90);
  EXPECT_EQ (Drawn (C ().Column, C ().Row, 4), u" TTT");
  EXPECT_EQ (Drawn (C ().Column + C ().Width - 4, C ().Row, 4), u"T...");
}

TEST_F (TuiListBoxTest, HelpLinesGetTheirOwnBandUnderTheItems) {
  UINT16  Help = AddString (u"First line\r\nSecond line");
  Open ({ Item (u"One"), Item (u"Two") }, 0, AddString (u"Menu"), Help);
  // Title band 2, items 2, help band 3, borders 2.
  EXPECT_EQ (C ().Height, 9);
  EXPECT_EQ (C ().Width, 19);           // "Second line" + 4, then the list box's own + 4
  EXPECT_EQ (Drawn (C ().Column + 2, C ().Row + 3, 3), u"One");
  EXPECT_EQ (Drawn (C ().Column, C ().Row + 5, 1), u"\x251C");
  EXPECT_EQ (Drawn (C ().Column + 1, C ().Row + 7, 11), u"Second line");
}

}  // namespace

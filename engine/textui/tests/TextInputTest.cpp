// The edit box, the string control and the password control on the demo board's
// compiled pages: keys in through the controls' method tables and the pop-ups' own
// key reads, then the bytes of the variable cache and the cells of the screen.
#include <engine/testing/DemoControls.h>

#include <engine/core/EngineStrings.h>
#include <engine/forms/Passwords.h>
#include <engine/forms/IfrOpcode.h>
#include <engine/textui/PasswordPrompt.h>
#include <engine/textui/TuiEditBox.h>

#include <algorithm>

namespace {

constexpr UINT32  kSetup        = 0;       // cache index of "Setup"
constexpr UINT32  kPasswords    = 5;       // cache index of the password record
constexpr UINTN   kAssetTagAt   = 16;
constexpr UINTN   kAssetTagSize = 32;      // 16 characters
constexpr UINTN   kFieldSize    = 40;      // 20 characters

class StringControlTest : public DemoControlTest {
protected:
  TUI_CONTROL *AssetTag () { return Make (Record (CONTROL_TYPE_STRING)); }
};

TEST_F (StringControlTest, AChangedStringReachesTheCacheZeroPaddedToTheQuestionsWidthAndShows) {
  TUI_CONTROL  *Control = AssetTag ();
  ASSERT_EQ (Ops (Control)->Draw (Control), EFI_SUCCESS);
  EXPECT_EQ (Drawn (3, 5, 9), u"Asset Tag");
  EXPECT_EQ (Drawn (40, 5, 10), u"DEMO-0001 ");

  WatchFor ({ u"DEMO-0001" });
  // The box opens on the stored text, under the prompt, centred: 20 cells wide for 16 characters.
  Devices.TextIn->Script ().SetWaitHook ([this] () {
    if (Seen.empty ()) {
      Seen.push_back (Drawn (41, 15, 16));
      Seen.push_back (Drawn (40, 14, 20));
    }
  });
  ASSERT_EQ (Enter (Control, "Backspace,Backspace,Backspace,Backspace,4,2,Enter"), EFI_SUCCESS);
  ASSERT_EQ (Seen.size (), 2u);
  EXPECT_EQ (Seen[0], u"DEMO-0001       ");
  EXPECT_NE (Seen[1].find (u" Asset Tag "), std::u16string::npos);
  // The earlier "DEMO-0001" leaves nothing behind: the value is padded with zeros, not with old bytes.
  EXPECT_EQ (Cached (kSetup, kAssetTagAt, kAssetTagSize), Utf16 (u"DEMO-42", kAssetTagSize));
  ASSERT_EQ (Ops (Control)->Draw (Control), EFI_SUCCESS);
  EXPECT_EQ (Drawn (40, 5, 10), u"DEMO-42   ");
}

TEST_F (StringControlTest, ATextOfExactlyTheMaximumIsAcceptedAndOneCharacterMoreCannotBeTyped) {
  TUI_CONTROL  *Control = AssetTag ();
  std::string   Keys    = "Backspace,Backspace,Backspace,Backspace,Backspace,Backspace,Backspace,Backspace,Backspace";
  for (int Count = 0; Count < 17; Count++) {
    Keys += (Count < 16) ? ",a" : ",z";
  }
  ASSERT_EQ (Enter (Control, Keys + ",Enter"), EFI_SUCCESS);
  EXPECT_EQ (Cached (kSetup, kAssetTagAt, kAssetTagSize), Utf16 (u"aaaaaaaaaaaaaaaa", kAssetTagSize));
}

TEST_F (StringControlTest, EscLeavesTheStoredValueUnchanged) {
  TUI_CONTROL  *Control = AssetTag ();
  ASSERT_EQ (Enter (Control, "Backspace,x,y,Esc"), EFI_SUCCESS);
  EXPECT_EQ (Cached (kSetup, kAssetTagAt, kAssetTagSize), Utf16 (u"DEMO-0001", kAssetTagSize));
}

TEST_F (StringControlTest, ATextShorterThanTheMinimumIsRefusedWithTheRangeMessage) {
  CONTROL_RECORD  Copy = *Record (CONTROL_TYPE_STRING);
  const UINT8     *Source = (const UINT8 *)(UINTN)Copy.QuestionOpcode;
  std::vector<UINT8>  Opcode (Source, Source + IfrLength (Source));
  Opcode[13] = 5;                           // at least five characters
  Copy.QuestionOpcode = (UINT64)(UINTN)Opcode.data ();
  TUI_CONTROL  *Control = Make (&Copy);

  WatchFor ({ u"Invalid Input Range" });
  EXPECT_EQ (Enter (Control, "Backspace,Backspace,Backspace,Backspace,Backspace,Backspace,Backspace,Enter,Enter"), EFI_ABORTED);
  EXPECT_EQ (Seen, std::vector<std::u16string> ({ u"Invalid Input Range" }));
  EXPECT_EQ (Cached (kSetup, kAssetTagAt, kAssetTagSize), Utf16 (u"DEMO-0001", kAssetTagSize));
}

TEST_F (StringControlTest, OtherKeysAndTicksAreLeftToThePage) {
  TUI_CONTROL  *Control = AssetTag ();
  EXPECT_EQ (Key (Control, SCAN_ESC, 0), EFI_UNSUPPORTED);
  EXPECT_EQ (Key (Control, SCAN_NULL, u'+'), EFI_UNSUPPORTED);
  TUI_INPUT  Tick {};
  Tick.Kind  = TUI_EVENT_TICK;
  Tick.Ticks = 1;
  EXPECT_EQ (Ops (Control)->HandleAction (Control, &Tick), EFI_UNSUPPORTED);   // no refresh interval
}

//
// The edit box itself.
//

class EditBoxTest : public DemoControlTest {};

TEST_F (EditBoxTest, AMaskedBoxShowsStarsAndTakesOnlyWhatEveryKeyboardTypes) {
  TUI_CONTROL  *Control = Make (Record (CONTROL_TYPE_STRING));
  CHAR16       *Text    = nullptr;
  std::u16string  Shown;
  Devices.TextIn->Script ().Append ("a,b,Tab,Left,Up,c,Enter");
  Devices.TextIn->Script ().SetWaitHook ([&] () { Shown = Drawn (41, 15, 16); });
  ASSERT_EQ (AskText (Control, ENGINE_OWN_HII_HANDLE, 7, nullptr, &Text, TRUE), EFI_SUCCESS);
  EXPECT_EQ (std::u16string ((const char16_t *)Text), u"abc");
  EXPECT_EQ (Shown, u"***             ");
  FreeSecret (Text, 8);

  // A character above 126 is refused in mask mode and kept in plain mode.
  TUI_EDIT_BOX  *Box = nullptr;
  ASSERT_EQ (TuiCreate (&gTuiEditBoxOps, (VOID **)&Box), EFI_SUCCESS);
  ASSERT_EQ (gTuiEditBoxOps.SetMaskMode (Box, TRUE), EFI_SUCCESS);
  ASSERT_EQ (gTuiEditBoxOps.Control.Initialize (Box, Record (CONTROL_TYPE_STRING), nullptr), EFI_SUCCESS);
  TUI_INPUT  Event {};
  Event.Kind = TUI_EVENT_KEY;
  Event.Key.Key.UnicodeChar = 0xE9;
  EXPECT_EQ (gTuiEditBoxOps.Control.HandleAction (Box, &Event), EFI_SUCCESS);
  EXPECT_EQ (Box->Text[0], 0);
  ASSERT_EQ (gTuiEditBoxOps.SetMaskMode (Box, FALSE), EFI_SUCCESS);
  EXPECT_EQ (gTuiEditBoxOps.Control.HandleAction (Box, &Event), EFI_SUCCESS);
  EXPECT_EQ (Box->Text[0], 0xE9);
  TuiDestroy (Box, TRUE);
}

TEST_F (EditBoxTest, ALongStartingTextIsCutToTheMaximumAndEscPutsTheTextBack) {
  TUI_EDIT_BOX  *Box = nullptr;
  ASSERT_EQ (TuiCreate (&gTuiEditBoxOps, (VOID **)&Box), EFI_SUCCESS);
  ASSERT_EQ (gTuiEditBoxOps.SetText (Box, u"0123456789abcdefXYZ"), EFI_SUCCESS);
  ASSERT_EQ (gTuiEditBoxOps.Control.Initialize (Box, Record (CONTROL_TYPE_STRING), nullptr), EFI_SUCCESS);
  EXPECT_EQ (std::u16string ((const char16_t *)Box->Text), u"0123456789abcdef");
  EXPECT_EQ (Box->Frame.Control.Width, 20);
  EXPECT_EQ (Box->Frame.Control.Height, 3);

  Devices.TextIn->Script ().Append ("Backspace,Backspace,Esc");
  EXPECT_EQ (RunEditBox (Box), EDIT_BOX_CANCELLED);
  EXPECT_EQ (std::u16string ((const char16_t *)Box->Text), u"0123456789abcdef");
  EXPECT_EQ (gTuiPopupInput, nullptr);        // the box's own input object is gone again
  TuiDestroy (Box, TRUE);
}

TEST_F (EditBoxTest, ATickOrNoEventIsNotTheBoxsAndAClickOutsideCancels) {
  TUI_EDIT_BOX  *Box = nullptr;
  ASSERT_EQ (TuiCreate (&gTuiEditBoxOps, (VOID **)&Box), EFI_SUCCESS);
  ASSERT_EQ (gTuiEditBoxOps.SetText (Box, u"abc"), EFI_SUCCESS);
  ASSERT_EQ (gTuiEditBoxOps.Control.Initialize (Box, Record (CONTROL_TYPE_STRING), nullptr), EFI_SUCCESS);
  ASSERT_EQ (gTuiEditBoxOps.Control.Draw (Box), EFI_SUCCESS);
  TUI_INPUT  Event {};
  EXPECT_EQ (gTuiEditBoxOps.Control.HandleAction (Box, &Event), EFI_UNSUPPORTED);
  Event.Kind = TUI_EVENT_TICK;
  EXPECT_EQ (gTuiEditBoxOps.Control.HandleAction (Box, &Event), EFI_UNSUPPORTED);

  UINT8  Result = 9;
  (VOID)gTuiEditBoxOps.Control.SetCallback (Box, &Result, [] (VOID *Context, VOID *, VOID *Data) -> EFI_STATUS {
    *(UINT8 *)Context = (Data == nullptr) ? 1 : 0;
    return EFI_SUCCESS;
  }, nullptr);
  Event.Kind             = TUI_EVENT_POINTER;
  Event.Pointer.Row      = Box->Frame.Control.Row + 1;
  Event.Pointer.Column   = Box->Frame.Control.Column + 1;
  Event.Pointer.ClickKind = 4;            // a click inside: consumed, nothing answered
  EXPECT_EQ (gTuiEditBoxOps.Control.HandleAction (Box, &Event), EFI_SUCCESS);
  EXPECT_EQ (Result, 9);
  Event.Pointer.Row = 0;
  EXPECT_EQ (gTuiEditBoxOps.Control.HandleAction (Box, &Event), EFI_SUCCESS);
  EXPECT_EQ (Result, 1);
  TuiDestroy (Box, TRUE);
}

//
// The password dialogue.
//

class PasswordControlTest : public DemoControlTest {
protected:
  TUI_CONTROL *Administrator () { return Make (Record (CONTROL_TYPE_PASSWORD, 0)); }

  // The field as the engine stores it: zero-padded to 20 characters, encoded.
  static std::vector<UINT8> Encoded (const std::u16string &Text)
  {
    CHAR16  Units[kFieldSize / 2] = {};
    std::copy (Text.begin (), Text.end (), Units);
    if (!Text.empty ()) {
      EncodePasswordBuffer (Units, sizeof (Units));
    }
    return std::vector<UINT8> ((UINT8 *)Units, (UINT8 *)Units + sizeof (Units));
  }

  void Store (const std::u16string &Text)
  {
    std::vector<UINT8>  Field = Encoded (Text);
    ASSERT_EQ (WriteVariableBytes (kPasswords, 0, kFieldSize, Field.data ()), EFI_SUCCESS);
  }

  static std::string Typed (const std::string &Text)
  {
    std::string  Keys;
    for (char Char : Text) {
      Keys += std::string (1, Char) + ",";
    }
    return Keys + "Enter";
  }

  std::vector<std::u16string> Titles () const
  {
    return { u"Enter Current Password", u"Create New Password", u"Confirm New Password", u"Invalid Password",
             u"Clear Old Password. Continue?", u"Invalid Input Range" };
  }
};

TEST_F (PasswordControlTest, ANewPasswordIsAskedTwiceAndStoredEncodedAndNeverShown) {
  TUI_CONTROL  *Control = Administrator ();
  WatchFor (Titles ());
  ASSERT_EQ (Enter (Control, Typed ("secret") + "," + Typed ("secret")), EFI_SUCCESS);
  EXPECT_EQ (Seen, std::vector<std::u16string> ({ u"Create New Password", u"Confirm New Password" }));
  EXPECT_EQ (Cached (kPasswords, 0, kFieldSize), Encoded (u"secret"));
  ASSERT_EQ (Ops (Control)->Draw (Control), EFI_SUCCESS);
  EXPECT_EQ (Drawn (3, 5, 22), u"Administrator Password");
  FlushTextScreen ();
  EXPECT_FALSE (ConsoleShows (u"secret"));
}

TEST_F (PasswordControlTest, AStoredPasswordMustBeGivenFirstAndAWrongOneChangesNothing) {
  Store (u"secret");
  TUI_CONTROL  *Control = Administrator ();
  WatchFor (Titles ());
  ASSERT_EQ (Enter (Control, Typed ("wrong") + ",Enter"), EFI_SUCCESS);
  EXPECT_EQ (Seen, std::vector<std::u16string> ({ u"Enter Current Password", u"Invalid Password" }));
  EXPECT_EQ (Cached (kPasswords, 0, kFieldSize), Encoded (u"secret"));

  WatchFor (Titles ());
  ASSERT_EQ (Enter (Control, Typed ("secret") + "," + Typed ("other") + "," + Typed ("other")), EFI_SUCCESS);
  EXPECT_EQ (Seen, std::vector<std::u16string> ({ u"Enter Current Password", u"Create New Password", u"Confirm New Password" }));
  EXPECT_EQ (Cached (kPasswords, 0, kFieldSize), Encoded (u"other"));
}

TEST_F (PasswordControlTest, AnEmptyNewPasswordAgreedToClearsTheStoredOneWithoutAConfirmation) {
  Store (u"secret");
  TUI_CONTROL  *Control = Administrator ();
  WatchFor (Titles ());
  // No asks again; yes clears.
  ASSERT_EQ (Enter (Control, Typed ("secret") + ",Enter,Right,Enter,Enter,Enter"), EFI_SUCCESS);
  EXPECT_EQ (Seen, std::vector<std::u16string> ({ u"Enter Current Password", u"Create New Password",
                                                  u"Clear Old Password. Continue?", u"Create New Password",
                                                  u"Clear Old Password. Continue?" }));
  EXPECT_EQ (Cached (kPasswords, 0, kFieldSize), std::vector<UINT8> (kFieldSize, 0));
}

TEST_F (PasswordControlTest, AMismatchOrAnEmptyPasswordWithNoneStoredStoresNothing) {
  TUI_CONTROL  *Control = Administrator ();
  WatchFor (Titles ());
  ASSERT_EQ (Enter (Control, Typed ("abc") + "," + Typed ("abd") + ",Enter"), EFI_SUCCESS);
  EXPECT_EQ (Seen, std::vector<std::u16string> ({ u"Create New Password", u"Confirm New Password", u"Invalid Password" }));
  EXPECT_EQ (Cached (kPasswords, 0, kFieldSize), std::vector<UINT8> (kFieldSize, 0));

  WatchFor (Titles ());
  ASSERT_EQ (Enter (Control, "Enter,Enter"), EFI_SUCCESS);
  EXPECT_EQ (Seen, std::vector<std::u16string> ({ u"Create New Password", u"Invalid Password" }));
  EXPECT_EQ (Cached (kPasswords, 0, kFieldSize), std::vector<UINT8> (kFieldSize, 0));

  // Esc at any step ends the dialogue.
  ASSERT_EQ (Enter (Control, "a,Enter,Esc"), EFI_SUCCESS);
  EXPECT_EQ (Cached (kPasswords, 0, kFieldSize), std::vector<UINT8> (kFieldSize, 0));
}

TEST_F (PasswordControlTest, APasswordShorterThanTheMinimumShowsTheRangeMessage) {
  CONTROL_RECORD  Copy = *Record (CONTROL_TYPE_PASSWORD, 1);
  const UINT8     *Source = (const UINT8 *)(UINTN)Copy.QuestionOpcode;
  std::vector<UINT8>  Opcode (Source, Source + IfrLength (Source));
  Opcode[13] = 6;                           // u16 minimum size: six characters
  Opcode[14] = 0;
  Copy.QuestionOpcode = (UINT64)(UINTN)Opcode.data ();
  TUI_CONTROL  *Control = Make (&Copy);
  WatchFor (Titles ());
  ASSERT_EQ (Enter (Control, Typed ("abc") + ",Enter"), EFI_SUCCESS);
  EXPECT_EQ (Seen, std::vector<std::u16string> ({ u"Create New Password", u"Invalid Input Range" }));
  EXPECT_EQ (Cached (kPasswords, kFieldSize, kFieldSize), std::vector<UINT8> (kFieldSize, 0));
}

TEST_F (PasswordControlTest, NoFreedBufferKeepsATypedPassword) {
  Store (u"oldpass1");
  TUI_CONTROL     *Control = Administrator ();
  std::u16string  Old      = u"oldpass1";
  std::u16string  New      = u"newpass2";
  UINTN           Leaks    = 0;
  M.Memory ().SetFreeObserver ([&] (const VOID *Block, UINTN Size) {
    const char  *Bytes = (const char *)Block;
    for (const std::u16string *Text : { &Old, &New }) {
      const char  *Needle = (const char *)Text->data ();
      Leaks += std::search (Bytes, Bytes + Size, Needle, Needle + Text->size () * 2) != Bytes + Size;
    }
  });
  ASSERT_EQ (Enter (Control, Typed ("oldpass1") + "," + Typed ("newpass2") + "," + Typed ("newpass2")), EFI_SUCCESS);
  TuiDestroy (Control, TRUE);
  Made.clear ();
  M.Memory ().SetFreeObserver (nullptr);
  EXPECT_EQ (Leaks, 0u);
  EXPECT_EQ (Cached (kPasswords, 0, kFieldSize), Encoded (u"newpass2"));
}

TEST_F (PasswordControlTest, OnlyEnterOrAClickStartsTheDialogue) {
  TUI_CONTROL  *Control = Administrator ();
  EXPECT_EQ (Key (Control, SCAN_NULL, u'a'), EFI_UNSUPPORTED);
  EXPECT_EQ (Key (Control, SCAN_ESC, 0), EFI_UNSUPPORTED);
  TUI_INPUT  Tick {};
  Tick.Kind = TUI_EVENT_TICK;
  EXPECT_EQ (Ops (Control)->HandleAction (Control, &Tick), EFI_UNSUPPORTED);
}

}  // namespace

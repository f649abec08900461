// The boot-screen interface's text-entry box (slot 17) with scripted keys: classes,
// limits, moving between fields, accepting and cancelling, and the box's geometry.
#include <engine/testing/TextUiMachineTest.h>

#include <engine/core/EngineStrings.h>
#include <engine/post/BootScreenDialogs.h>
#include <engine/post/BootScreen.h>
#include <engine/textui/TextEntryBox.h>

#include <algorithm>
#include <array>

namespace {

class TextEntryBoxTest : public StartedEngineTest {
protected:
  UINT16 String (const std::u16string &Text)
  {
    UINT16  Id = SetStringAllLanguagesNew (gHiiHandle, 0, Text.c_str ());
    EXPECT_NE (Id, 0xFFFF);
    return Id;
  }

  TEXT_ENTRY_FIELD Field (UINT16 Label, UINT8 Max, UINT8 Class, CHAR16 *Buffer, UINT8 Mask = 0)
  {
    TEXT_ENTRY_FIELD  Entry {};
    Entry.LabelId   = Label;
    Entry.MaxLength = Max;
    Entry.Class     = Class;
    Entry.Mask      = Mask;
    Entry.Buffer    = Buffer;
    return Entry;
  }

  EFI_STATUS Run (UINT16 Title, std::vector<TEXT_ENTRY_FIELD> &Fields, const std::string &Keys, VOID *Filter = nullptr)
  {
    Devices.TextIn->Script ().Append (Keys);
    return gBootScreenInterface.ShowTextEntryBox (ENGINE_OWN_HII_HANDLE, Title, Fields.data (), (UINT16)Fields.size (), Filter);
  }

  static std::u16string Text (const CHAR16 *Buffer) { return std::u16string ((const char16_t *)Buffer); }
};

TEST_F (TextEntryBoxTest, ADigitsFieldRefusesALetterAndTakesADigitAndEnterOnTheLastAcceptsAll) {
  std::array<CHAR16, 5>  First  = { u'1', u'2', 0 };
  std::array<CHAR16, 5>  Second = {};
  std::vector<TEXT_ENTRY_FIELD>  Fields = { Field (5, 4, TEXT_ENTRY_DIGITS, First.data ()),
                                            Field (6, 4, TEXT_ENTRY_LETTERS, Second.data ()) };
  // Enter on the first field only moves to the second; the letters field refuses "7".
  ASSERT_EQ (Run (7, Fields, "a,5,Backspace,Backspace,9,.,Enter,7,x,Enter"), EFI_SUCCESS);
  EXPECT_EQ (Text (First.data ()), u"19");
  EXPECT_EQ (Text (Second.data ()), u"x");
}

TEST_F (TextEntryBoxTest, UpDownTabHomeAndEndMoveBetweenFieldsAndEscLeavesEveryBufferAsItWas) {
  std::array<CHAR16, 4>  A = { u'a', 0 };
  std::array<CHAR16, 4>  B = { u'b', 0 };
  std::array<CHAR16, 4>  C = { u'c', 0 };
  std::vector<TEXT_ENTRY_FIELD>  Fields = { Field (5, 3, 0, A.data ()), Field (6, 3, 0, B.data ()), Field (7, 3, 0, C.data ()) };
  ASSERT_EQ (Run (7, Fields, "End,3,Up,2,Home,1,Tab,Tab,Tab,z,Down,Esc"), EFI_ABORTED);
  EXPECT_EQ (Text (A.data ()), u"a");
  EXPECT_EQ (Text (B.data ()), u"b");
  EXPECT_EQ (Text (C.data ()), u"c");

  ASSERT_EQ (Run (7, Fields, "End,3,Up,2,Home,1,Tab,Tab,Tab,z,Enter"), EFI_SUCCESS);
  EXPECT_EQ (Text (A.data ()), u"a1");
  EXPECT_EQ (Text (B.data ()), u"b2");
  EXPECT_EQ (Text (C.data ()), u"c3z");
}

TEST_F (TextEntryBoxTest, ALongStartingTextIsCutAndAFullFieldTakesNoMore) {
  std::array<CHAR16, 8>  Buffer = { u'1', u'2', u'3', u'4', u'5', u'6', 0 };
  std::vector<TEXT_ENTRY_FIELD>  Fields = { Field (5, 3, TEXT_ENTRY_DIGITS, Buffer.data ()) };
  ASSERT_EQ (Run (7, Fields, "9,Enter"), EFI_SUCCESS);
  EXPECT_EQ (Text (Buffer.data ()), u"123");
  EXPECT_EQ (Buffer[4], u'5');                  // nothing written past the field's maximum + 1
}

BOOLEAN EFIAPI
NoX (UINT16 Position, CHAR16 Character, CHAR16 *Text)
{
  return (BOOLEAN)!((Position == 0) && (Character == u'x') && (Text != nullptr));
}

TEST_F (TextEntryBoxTest, AFilterFieldAsksTheCallersFilterAndAMaskedFieldShowsStars) {
  std::array<CHAR16, 6>  Buffer = {};
  std::array<CHAR16, 6>  Secret = {};
  std::vector<TEXT_ENTRY_FIELD>  Fields = { Field (5, 5, TEXT_ENTRY_CALLER_FILTER, Buffer.data ()),
                                            Field (6, 5, 0, Secret.data (), 1) };
  bool  Stars = false;
  Devices.TextIn->Script ().SetWaitHook ([&] () {
    for (UINTN Row = 0; Row < gTextScreenRows; Row++) {
      Stars = Stars || (Devices.TextOut->RowText (Row).find (u"[**") != std::u16string::npos);
    }
  });
  ASSERT_EQ (Run (7, Fields, "x,y,x,Enter,p,w,Enter", (VOID *)NoX), EFI_SUCCESS);
  EXPECT_EQ (Text (Buffer.data ()), u"y");
  EXPECT_EQ (Text (Secret.data ()), u"pw");
  EXPECT_TRUE (Stars);
}

TEST_F (TextEntryBoxTest, NoFreedBufferKeepsTheTextOfAMaskedField) {
  std::array<CHAR16, 9>  Secret = {};
  std::vector<TEXT_ENTRY_FIELD>  Fields = { Field (5, 8, 0, Secret.data (), 1) };
  std::u16string  Typed = u"pw12";
  UINTN           Leaks = 0;
  M.Memory ().SetFreeObserver ([&] (const VOID *Block, UINTN Size) {
    const char  *Bytes  = (const char *)Block;
    const char  *Needle = (const char *)Typed.data ();
    Leaks += std::search (Bytes, Bytes + Size, Needle, Needle + Typed.size () * 2) != Bytes + Size;
  });
  ASSERT_EQ (Run (7, Fields, "p,w,1,x,Backspace,2,Enter"), EFI_SUCCESS);
  M.Memory ().SetFreeObserver (nullptr);
  EXPECT_EQ (Leaks, 0u);
  EXPECT_EQ (Text (Secret.data ()), u"pw12");
}

TEST_F (TextEntryBoxTest, ATitleWiderThanLabelsAndValuesCentresTheBrackets) {
  UINT16  Title = String (u"0123456789012345678901234567890123456789");     // 40 cells
  UINT16  Label = String (u"Label 0123");                                     // 10 cells
  std::array<CHAR16, 9>  Buffer = {};
  std::vector<TEXT_ENTRY_FIELD>  Fields = { Field (Label, 8, 0, Buffer.data ()) };
  std::u16string  Row;
  UINT8           Bracket = 0;
  Devices.TextIn->Script ().SetWaitHook ([&] () {
    for (UINTN Line = 0; (Line < gTextScreenRows) && Row.empty (); Line++) {
      if (Drawn (0, Line, gTextScreenColumns).find (u"Label 0123") != std::u16string::npos) {
        Row     = Drawn (0, Line, gTextScreenColumns);
        Bracket = DrawnAttribute (50, Line);
      }
    }
  });
  ASSERT_EQ (Run (Title, Fields, "Enter"), EFI_SUCCESS);
  // 48 wide, centred at column 26; the brackets 24 columns right of it, the label ending two before.
  EXPECT_EQ (gTextEntryValueColumn, 24);
  EXPECT_EQ (Row.substr (38, 22), u"Label 0123  [        ]");
  EXPECT_EQ (Bracket, 0x1F);
}

TEST_F (TextEntryBoxTest, BadFieldsAndBoxesThatDoNotFitAreRefusedWithNoBufferWritten) {
  std::array<CHAR16, 4>  Buffer = { u'k', 0 };
  std::vector<TEXT_ENTRY_FIELD>  Fields = { Field (5, 3, 0, Buffer.data ()), Field (6, 0, 0, Buffer.data ()) };
  EXPECT_EQ (Run (7, Fields, ""), EFI_INVALID_PARAMETER);
  Fields[1] = Field (6, 3, 0, nullptr);
  EXPECT_EQ (Run (7, Fields, ""), EFI_INVALID_PARAMETER);
  Fields[1] = Field (6, 90, 0, Buffer.data ());        // 8 + 90 + 12 columns: wider than the screen
  EXPECT_EQ (Run (7, Fields, ""), EFI_UNSUPPORTED);
  EXPECT_EQ (gBootScreenInterface.ShowTextEntryBox (nullptr, 7, Fields.data (), 1, nullptr), EFI_UNSUPPORTED);
  EXPECT_EQ (gBootScreenInterface.ShowTextEntryBox (ENGINE_OWN_HII_HANDLE, 0xFFFF, Fields.data (), 1, nullptr), EFI_UNSUPPORTED);
  EXPECT_EQ (gBootScreenInterface.ShowTextEntryBox (ENGINE_OWN_HII_HANDLE, 7, nullptr, 1, nullptr), EFI_INVALID_PARAMETER);
  std::vector<TEXT_ENTRY_FIELD>  Tall (30, Field (5, 3, 0, Buffer.data ()));
  EXPECT_EQ (Run (7, Tall, ""), EFI_UNSUPPORTED);
  EXPECT_EQ (Text (Buffer.data ()), u"k");
}

TEST_F (TextEntryBoxTest, TheCallersPriorityAndTheEditBoxDrawAreGivenBack) {
  std::array<CHAR16, 4>  Buffer = {};
  std::vector<TEXT_ENTRY_FIELD>  Fields = { Field (5, 3, 0, Buffer.data ()) };
  EFI_STATUS  (*Draw)(VOID *) = gTuiEditBoxOps.Control.Draw;
  EFI_TPL     Old = gBS->RaiseTPL (TPL_CALLBACK);
  ASSERT_EQ (Run (7, Fields, "q,Enter"), EFI_SUCCESS);
  EXPECT_EQ (gBS->RaiseTPL (TPL_NOTIFY), (EFI_TPL)TPL_CALLBACK);
  gBS->RestoreTPL (Old);
  EXPECT_EQ (gTuiEditBoxOps.Control.Draw, Draw);
  EXPECT_EQ (Text (Buffer.data ()), u"q");
}

}  // namespace

// The choice, the ordered list and the number on their own, through their method
// tables, on a started engine whose variable 0 is an 8-byte "Setup" holding 1 to 8:
// what each draws, which keys it takes, and the bytes a change leaves in the cache.
#include <engine/testing/HeldForms.h>
#include <engine/testing/TextUiMachineTest.h>

#include <engine/forms/QuestionDefaults.h>
#include <engine/variables/VariableCache.h>
#include <engine/textui/TuiEditBox.h>
#include <engine/textui/TuiFrame.h>
#include <engine/textui/TuiValueControls.h>
#include <Builders/IfrBuilder.h>
#include <Emulator/KeyScript.h>
#include <Emulator/RunEnded.h>
#include <Uefi/UefiIfr.h>

#include <string>
#include <vector>

namespace {

// Engine strings the options borrow.
constexpr EFI_STRING_ID  kOk     = 56;
constexpr EFI_STRING_ID  kCancel = 57;
constexpr EFI_STRING_ID  kYes    = 58;
constexpr EFI_STRING_ID  kNo     = 59;
constexpr EFI_STRING_ID  kPrompt = 23;        // "Entering Boot Menu..."

constexpr UINTN  kColumn = 3;
constexpr UINTN  kRow    = 5;
constexpr UINTN  kValue  = kColumn + 37;

// A question's opcodes and the offset (package header included) of its opcode.
struct QUESTION {
  Builders::IfrBuilder  F;
  size_t                At = 0;
};

class TuiValueControlsTest : public TextUiMachineTest {
protected:
  void SetUp () override
  {
    TextUiMachineTest::SetUp ();
    StartEngine ();
    InitTextScreenMetrics ();
    ASSERT_EQ (BuildDefaultCaches (), EFI_SUCCESS);      // setup entry builds them
  }

  void TearDown () override
  {
    TuiDestroy (Control, TRUE);
    TextUiMachineTest::TearDown ();
  }

  // Makes a control of Ops from the question the builder's opcode at Offset starts.
  void Make (TUI_CONTROL_OPS *Ops, const QUESTION &Q, UINT16 Type, UINT32 Flags = 0, UINT16 ValueWidth = 0)
  {
    UINT8   *Held  = Forms.Hold (Q.F.Opcodes ());
    size_t  Offset = Q.At;

    Record            = OwnRecord (Type, Held + Offset - 4, Flags);
    Record.ValueWidth = ValueWidth;
    TuiDestroy (Control, TRUE);
    Control = nullptr;
    this->Ops = Ops;
    ASSERT_EQ (TuiCreate (Ops, (VOID **)&Control), EFI_SUCCESS);
    ASSERT_EQ (Ops->Initialize (Control, &Record, nullptr), EFI_SUCCESS);
    Ops->SetPosition (Control, kColumn, kRow);
    Ops->SetDimensions (Control, 60, 1);
    Ops->SetCallback (Control, nullptr, OnValueChanged, &gTuiValueNotify);
    ASSERT_EQ (Ops->SetFocus (Control, TRUE), EFI_SUCCESS);
  }

  EFI_STATUS Press (const std::string &Key)
  {
    TUI_INPUT  Event {};
    Event.Kind = TUI_EVENT_KEY;
    Event.Key  = Emu::ParseKeyScript (Key).at (0).Record;
    return Ops->HandleAction (Control, &Event);
  }

  std::vector<UINT8> Cached ()
  {
    std::vector<UINT8>  Bytes (8, 0xEE);
    EXPECT_EQ (ReadVariableBytes (0, 0, Bytes.size (), Bytes.data (), FALSE), EFI_SUCCESS);
    return Bytes;
  }

  static void SetDefault (UINTN Offset, std::vector<UINT8> Bytes)
  {
    ASSERT_EQ (AccessCacheBytes (TRUE, gVariableCacheStdDefaults, 0, Offset, Bytes.size (), Bytes.data ()), EFI_SUCCESS);
  }

  std::u16string Field (UINTN Count) { return Drawn (kValue, kRow, Count); }

  HeldForms        Forms;
  CONTROL_RECORD   Record {};
  TUI_CONTROL_OPS  *Ops    = nullptr;
  TUI_CONTROL      *Control = nullptr;
};

//
// The choice.
//

// A one-byte one-of at Offset with the options {Values[i]: Texts[i]}.
QUESTION
OneOf (uint16_t Offset, uint8_t Size, std::vector<std::pair<EFI_STRING_ID, uint64_t>> Options, bool Suppressed = false)
{
  QUESTION              Q;
  Builders::IfrBuilder  &F = Q.F;
  static const uint8_t  Types[] = { EFI_IFR_TYPE_NUM_SIZE_8, EFI_IFR_TYPE_NUM_SIZE_16, 0, EFI_IFR_TYPE_NUM_SIZE_32, 0, 0, 0,
                                    EFI_IFR_TYPE_NUM_SIZE_64 };
  uint8_t               SizeFlag = (Size == 1) ? 0 : ((Size == 2) ? 1 : ((Size == 4) ? 2 : 3));

  Q.At = F.OneOf ({ kPrompt, 0, 0x30, 1, Offset, 0 }, SizeFlag, 0, 0, 0);
  if (Suppressed) {
    F.SuppressIf ();
    F.Op (EFI_IFR_TRUE_OP, {});
  }

  for (const auto &[Text, Value] : Options) {
    F.OneOfOption (Text, 0, Types[Size - 1], Value);
  }

  if (Suppressed) {
    F.End ();
  }

  F.End ();
  return Q;
}

TEST_F (TuiValueControlsTest, PlusOnTheLastOptionSelectsTheFirstAndMinusOnTheFirstTheLast) {
  Make (&gTuiChoiceOps, OneOf (2, 1, { { kOk, 1 }, { kCancel, 3 }, { kYes, 5 } }), CONTROL_TYPE_ONE_OF);
  ASSERT_EQ (Ops->Draw (Control), EFI_SUCCESS);
  EXPECT_EQ (Drawn (kColumn, kRow, 20), u"Entering Boot Menu..");
  EXPECT_EQ (Field (9), u"[Cancel] ");                 // the stored 3
  EXPECT_EQ (DrawnAttribute (kValue, kRow), 0x7F);      // focused
  EXPECT_EQ (DrawnAttribute (kColumn + 59, kRow), 0x71);   // blanks to the right edge
  EXPECT_EQ (DrawnAttribute (kColumn + 60, kRow), 0x07);

  EXPECT_EQ (Press ("+"), EFI_SUCCESS);
  EXPECT_EQ (Cached ()[2], 5);
  EXPECT_EQ (Press ("+"), EFI_SUCCESS);                 // the last wraps to the first
  EXPECT_EQ (Cached ()[2], 1);
  EXPECT_EQ (Press ("-"), EFI_SUCCESS);                 // the first wraps to the last
  EXPECT_EQ (Cached (), (std::vector<UINT8> { 1, 2, 5, 4, 5, 6, 7, 8 }));
  ASSERT_EQ (Ops->Draw (Control), EFI_SUCCESS);
  EXPECT_EQ (Field (6), u"[Yes] ");
}

TEST_F (TuiValueControlsTest, AValueMatchingNoOptionTakesTheDefaultElseTheSmallestAtTheFullWidth) {
  // Bytes 4-7 hold 0x08070605, which no option has; the default 0x30 is one.
  SetDefault (4, { 0x30, 0, 0, 0 });
  Make (&gTuiChoiceOps, OneOf (4, 4, { { kOk, 0x20 }, { kCancel, 0x10 }, { kYes, 0x30 } }), CONTROL_TYPE_ONE_OF, 0, 4);
  ASSERT_EQ (Ops->Draw (Control), EFI_SUCCESS);
  EXPECT_EQ (Field (5), u"[Yes]");
  EXPECT_EQ (Cached (), (std::vector<UINT8> { 1, 2, 3, 4, 0x30, 0, 0, 0 }));

  // A default that is no option either: the smallest value, written over all four bytes.
  SetDefault (4, { 0x99, 0, 0, 0 });
  std::vector<UINT8>  Stale = { 0x77, 0x66, 0x55, 0x44 };
  ASSERT_EQ (WriteVariableBytes (0, 4, 4, Stale.data ()), EFI_SUCCESS);
  ASSERT_EQ (Ops->Draw (Control), EFI_SUCCESS);
  EXPECT_EQ (Field (8), u"[Cancel]");
  EXPECT_EQ (Cached (), (std::vector<UINT8> { 1, 2, 3, 4, 0x10, 0, 0, 0 }));
}

TEST_F (TuiValueControlsTest, AChoiceWithEveryOptionSuppressedShowsEmptyBracketsAndTakesNoKey) {
  Make (&gTuiChoiceOps, OneOf (2, 1, { { kOk, 1 }, { kCancel, 3 } }, true), CONTROL_TYPE_ONE_OF);
  ASSERT_EQ (Ops->Draw (Control), EFI_SUCCESS);
  EXPECT_EQ (Field (3), u"[] ");
  EXPECT_EQ (Press ("Enter"), EFI_UNSUPPORTED);
  EXPECT_EQ (Press ("+"), EFI_UNSUPPORTED);
  EXPECT_EQ (Press ("-"), EFI_UNSUPPORTED);
  EXPECT_EQ (Cached (), (std::vector<UINT8> { 1, 2, 3, 4, 5, 6, 7, 8 }));
}

TEST_F (TuiValueControlsTest, AReadOnlyOrUnfocusedChoiceIgnoresKeys) {
  Make (&gTuiChoiceOps, OneOf (2, 1, { { kOk, 3 }, { kCancel, 4 } }), CONTROL_TYPE_ONE_OF, CONTROL_FLAG_READ_ONLY);
  EXPECT_EQ (Press ("+"), EFI_UNSUPPORTED);
  EXPECT_EQ (Press ("Enter"), EFI_UNSUPPORTED);

  Make (&gTuiChoiceOps, OneOf (2, 1, { { kOk, 3 }, { kCancel, 4 } }), CONTROL_TYPE_ONE_OF);
  Ops->SetFocus (Control, FALSE);
  EXPECT_EQ (Press ("+"), EFI_UNSUPPORTED);
  EXPECT_EQ (Cached ()[2], 3);
}

// A read-only text or password question shows its value but Enter opens no edit box, and
// the keys that follow change nothing.
TEST_F (TuiValueControlsTest, AReadOnlyStringOrPasswordTakesNoEdit) {
  const struct {
    TUI_CONTROL_OPS  *Ops;
    UINT16           Type;
  } Cases[] = {
    { &gTuiStringOps,   CONTROL_TYPE_STRING },
    { &gTuiPasswordOps, CONTROL_TYPE_PASSWORD },
  };

  for (const auto &Case : Cases) {
    QUESTION  Q;
    Q.At = (Case.Type == CONTROL_TYPE_STRING) ? Q.F.String ({ kPrompt, 0, 0x33, 1, 0, EFI_IFR_FLAG_READ_ONLY }, 0, 4, 0)
                                              : Q.F.Password ({ kPrompt, 0, 0x33, 1, 0, EFI_IFR_FLAG_READ_ONLY }, 0, 4);
    Q.F.End ();
    Make (Case.Ops, Q, Case.Type, CONTROL_FLAG_READ_ONLY);
    Devices.TextIn->Script ().Append ("a,b,c,Enter");
    EXPECT_EQ (Press ("Enter"), EFI_UNSUPPORTED) << Case.Type;
    EXPECT_EQ (Devices.TextIn->Script ().Released (), 0u) << Case.Type;     // no box read a key
    EXPECT_EQ (Cached (), (std::vector<UINT8> { 1, 2, 3, 4, 5, 6, 7, 8 })) << Case.Type;
  }
}

TEST_F (TuiValueControlsTest, ACheckboxOffersDisabledAndEnabled) {
  QUESTION  Q;
  Q.At = Q.F.Checkbox ({ kPrompt, 0, 0x31, 1, 0, 0 }, 0);
  Q.F.End ();
  Make (&gTuiChoiceOps, Q, CONTROL_TYPE_CHECKBOX);
  ASSERT_EQ (Ops->Draw (Control), EFI_SUCCESS);
  EXPECT_EQ (Field (9), u"[Enabled]");                  // the stored 1
  EXPECT_EQ (Press ("-"), EFI_SUCCESS);
  ASSERT_EQ (Ops->Draw (Control), EFI_SUCCESS);
  EXPECT_EQ (Field (10), u"[Disabled]");
  EXPECT_EQ (Cached (), (std::vector<UINT8> { 0, 2, 3, 4, 5, 6, 7, 8 }));
}

//
// The ordered list.
//

QUESTION
OrderedList (uint8_t Containers)
{
  QUESTION              Q;
  Builders::IfrBuilder  &F = Q.F;
  Q.At = F.OrderedList ({ kPrompt, 0, 0x32, 1, 0, 0 }, Containers, 0);
  F.OneOfOption (kOk, 0, EFI_IFR_TYPE_NUM_SIZE_8, 1);
  F.OneOfOption (kCancel, 0, EFI_IFR_TYPE_NUM_SIZE_8, 2);
  F.OneOfOption (kYes, 0, EFI_IFR_TYPE_NUM_SIZE_8, 3);
  F.End ();
  return Q;
}

TEST_F (TuiValueControlsTest, AnOrderedListWithMoreContainersThanOptionsPadsItsValueWithZeros) {
  std::vector<UINT8>  Stored = { 3, 1, 2, 0, 0, 0 };
  ASSERT_EQ (WriteVariableBytes (0, 0, Stored.size (), Stored.data ()), EFI_SUCCESS);
  Make (&gTuiOrderListOps, OrderedList (6), CONTROL_TYPE_ORDERED_LIST);
  ASSERT_EQ (Ops->Draw (Control), EFI_SUCCESS);
  EXPECT_EQ (Drawn (kValue, kRow, 5), u"[Yes]");
  EXPECT_EQ (Drawn (kValue, kRow + 1, 4), u"[Ok]");
  EXPECT_EQ (Drawn (kValue, kRow + 2, 8), u"[Cancel]");
  UINT16  Height = 0;
  EXPECT_EQ (Ops->GetControlHeight (Control, 64, &Height), EFI_SUCCESS);
  EXPECT_EQ (Height, 3);

  // Enter, Down, + (Ok to the top), Enter: the whole order, then zeros to six bytes.
  EXPECT_EQ (Press ("Enter"), EFI_SUCCESS);
  EXPECT_EQ (Press ("Down"), EFI_SUCCESS);
  EXPECT_EQ (Press ("+"), EFI_SUCCESS);
  EXPECT_EQ (Press ("Enter"), EFI_SUCCESS);
  EXPECT_EQ (Cached (), (std::vector<UINT8> { 1, 3, 2, 0, 0, 0, 7, 8 }));
}

TEST_F (TuiValueControlsTest, AnOrderedListWithFewerContainersThanOptionsStoresOnlyItsContainers) {
  Make (&gTuiOrderListOps, OrderedList (2), CONTROL_TYPE_ORDERED_LIST);     // stored 1, 2
  ASSERT_EQ (Ops->Draw (Control), EFI_SUCCESS);
  EXPECT_EQ (Press ("Enter"), EFI_SUCCESS);
  EXPECT_EQ (Press ("-"), EFI_SUCCESS);                 // Ok one place down
  EXPECT_EQ (Press ("Esc"), EFI_SUCCESS);
  EXPECT_EQ (Cached (), (std::vector<UINT8> { 2, 1, 3, 4, 5, 6, 7, 8 }));
}

//
// The number.
//

QUESTION
Numeric (uint16_t Offset, uint8_t Flags, uint64_t Min, uint64_t Max, uint64_t Step)
{
  QUESTION  Q;
  Q.At = Q.F.Numeric ({ kPrompt, 0, 0x33, 1, Offset, 0 }, Flags, Min, Max, Step);
  Q.F.End ();
  return Q;
}

TEST_F (TuiValueControlsTest, AStoredValueOutOfRangeShowsAsTheBoundWhenTheDefaultIsOutsideToo) {
  SetDefault (0, { 1 });
  Make (&gTuiNumberOps, Numeric (0, EFI_IFR_NUMERIC_SIZE_1 | EFI_IFR_DISPLAY_UINT_DEC, 5, 50, 1), CONTROL_TYPE_NUMERIC);
  ASSERT_EQ (Ops->Draw (Control), EFI_SUCCESS);
  EXPECT_EQ (Field (4), u"5   ");                       // 1 is below 5

  SetDefault (7, { 8 });
  Make (&gTuiNumberOps, Numeric (7, EFI_IFR_NUMERIC_SIZE_1 | EFI_IFR_DISPLAY_UINT_DEC, 0, 6, 1), CONTROL_TYPE_NUMERIC);
  ASSERT_EQ (Ops->Draw (Control), EFI_SUCCESS);
  EXPECT_EQ (Field (2), u"6 ");

  SetDefault (7, { 2 });                                 // a default in range is taken first
  ASSERT_EQ (Ops->Draw (Control), EFI_SUCCESS);
  EXPECT_EQ (Field (2), u"2 ");
  EXPECT_EQ (Cached ()[7], 8);                            // showing writes nothing
}

TEST_F (TuiValueControlsTest, ASignedNumberKeepsANegativeValueInsideItsRange) {
  std::vector<UINT8>  Minus5 = { 0xFB };
  ASSERT_EQ (WriteVariableBytes (0, 0, 1, Minus5.data ()), EFI_SUCCESS);
  Make (&gTuiNumberOps, Numeric (0, EFI_IFR_NUMERIC_SIZE_1 | EFI_IFR_DISPLAY_INT_DEC, 0xF6, 10, 1),
    CONTROL_TYPE_NUMERIC);
  ASSERT_EQ (Ops->Draw (Control), EFI_SUCCESS);
  EXPECT_EQ (Field (3), u"-5 ");
  EXPECT_EQ (Press ("+"), EFI_SUCCESS);
  EXPECT_EQ (Cached ()[0], 0xFC);
  EXPECT_EQ (Field (3), u"-4 ");
}

// A sign goes first or nowhere: '-' inside a typed signed number is refused as a
// letter is, so "3-4" never reaches the store as 3.
TEST_F (TuiValueControlsTest, ASignedNumberTakesItsSignOnlyAtTheStart) {
  struct {
    std::vector<const char *>  Keys;       // typed after the first digit started the edit
    const char16_t             *Shown;
    UINT8                      Stored;
  } const  kCases[] = {
    { { "3", "-", "4" }, u"34  ", 34 },
    { { "1", "-", "-", "-" }, u"1   ", 1 },
    { { "2", "+", "5" }, u"25  ", 25 },
    { { "5", "Backspace", "-", "7" }, u"-7  ", 0xF9 },
  };

  for (const auto &Case : kCases) {
    Make (&gTuiNumberOps, Numeric (0, EFI_IFR_NUMERIC_SIZE_1 | EFI_IFR_DISPLAY_INT_DEC, 0x9C, 100, 1), CONTROL_TYPE_NUMERIC);
    for (const char *Key : Case.Keys) {
      const bool  Refused = (std::string (Key) == "+") || ((std::string (Key) == "-") && (Field (1) != u" "));
      EXPECT_EQ (Press (Key), Refused ? EFI_UNSUPPORTED : EFI_SUCCESS) << Key;
    }
    EXPECT_EQ (Field (4), Case.Shown);
    EXPECT_EQ (Press ("Enter"), EFI_SUCCESS);
    EXPECT_EQ (Cached ()[0], Case.Stored);
  }
}

TEST_F (TuiValueControlsTest, PlusOnTheMaximumAndMinusOnTheMinimumChangeNothing) {
  Make (&gTuiNumberOps, Numeric (2, EFI_IFR_NUMERIC_SIZE_1 | EFI_IFR_DISPLAY_UINT_DEC, 1, 3, 1), CONTROL_TYPE_NUMERIC);
  EXPECT_EQ (Press ("+"), EFI_SUCCESS);
  EXPECT_EQ (Cached ()[2], 3);
  Make (&gTuiNumberOps, Numeric (0, EFI_IFR_NUMERIC_SIZE_1 | EFI_IFR_DISPLAY_UINT_DEC, 1, 3, 5), CONTROL_TYPE_NUMERIC);
  EXPECT_EQ (Press ("-"), EFI_SUCCESS);
  EXPECT_EQ (Press ("+"), EFI_SUCCESS);                 // 1 + 5 would pass 3
  EXPECT_EQ (Cached (), (std::vector<UINT8> { 1, 2, 3, 4, 5, 6, 7, 8 }));

  Make (&gTuiNumberOps, Numeric (0, EFI_IFR_NUMERIC_SIZE_1 | EFI_IFR_DISPLAY_UINT_DEC, 0, 9, 0), CONTROL_TYPE_NUMERIC);
  EXPECT_EQ (Press ("+"), EFI_UNSUPPORTED);              // no step: + is not the number's
}

TEST_F (TuiValueControlsTest, AHexadecimalFieldTakesFAndRefusesG) {
  Make (&gTuiNumberOps, Numeric (0, EFI_IFR_NUMERIC_SIZE_2 | EFI_IFR_DISPLAY_UINT_HEX, 0, 0xFFFF, 1),
    CONTROL_TYPE_NUMERIC);
  EXPECT_EQ (Press ("G"), EFI_UNSUPPORTED);
  EXPECT_EQ (Press ("F"), EFI_SUCCESS);
  EXPECT_EQ (Press ("a"), EFI_SUCCESS);
  EXPECT_EQ (Field (2), u"Fa");
  EXPECT_EQ (Press ("Enter"), EFI_SUCCESS);
  EXPECT_EQ (Cached (), (std::vector<UINT8> { 0xFA, 0, 3, 4, 5, 6, 7, 8 }));
  EXPECT_EQ (Field (3), u"fa ");
}

TEST_F (TuiValueControlsTest, AFullFieldRefusesACharacterAndAnEmptyEnterStoresTheMinimum) {
  Make (&gTuiNumberOps, Numeric (0, EFI_IFR_NUMERIC_SIZE_1 | EFI_IFR_DISPLAY_UINT_DEC, 1, 200, 1), CONTROL_TYPE_NUMERIC);
  for (const char *Digit : { "1", "2", "3", "4" }) {
    EXPECT_EQ (Press (Digit), EFI_SUCCESS);
  }

  EXPECT_EQ (Press ("5"), EFI_UNSUPPORTED);             // four characters for a one-byte number
  EXPECT_EQ (Field (5), u"1234 ");
  for (int Erase = 0; Erase < 4; Erase++) {
    EXPECT_EQ (Press ("Backspace"), EFI_SUCCESS);
  }

  EXPECT_EQ (Press ("Backspace"), EFI_UNSUPPORTED);     // nothing left to erase
  EXPECT_EQ (Press ("Enter"), EFI_SUCCESS);
  EXPECT_EQ (Cached ()[0], 1);
  EXPECT_EQ (Field (2), u"1 ");
}

TEST_F (TuiValueControlsTest, EscWhileTypingStoresTheTypedValueAndLeavesEscToThePage) {
  Make (&gTuiNumberOps, Numeric (3, EFI_IFR_NUMERIC_SIZE_1 | EFI_IFR_DISPLAY_UINT_DEC, 0, 99, 1), CONTROL_TYPE_NUMERIC);
  EXPECT_EQ (Press ("4"), EFI_SUCCESS);
  EXPECT_EQ (Press ("2"), EFI_SUCCESS);
  EXPECT_EQ (Press ("Esc"), EFI_UNSUPPORTED);
  EXPECT_EQ (Cached ()[3], 42);
  EXPECT_EQ (Control->OwnsFrame, 0);
}

// The range message (shown while it waits for its key, as setup's own pages show) once
// dismissed gives the previous text back and stores nothing.
TEST_F (TuiValueControlsTest, ADismissedRangeMessageRestoresTheTextAndStoresNothing) {
  Make (&gTuiNumberOps, Numeric (3, EFI_IFR_NUMERIC_SIZE_1 | EFI_IFR_DISPLAY_UINT_DEC, 0, 99, 1), CONTROL_TYPE_NUMERIC);
  Devices.TextIn->Script ().Append ("Enter,Enter");
  EXPECT_EQ (Press ("1"), EFI_SUCCESS);
  EXPECT_EQ (Press ("2"), EFI_SUCCESS);
  EXPECT_EQ (Press ("3"), EFI_SUCCESS);
  EXPECT_EQ (Press ("Enter"), EFI_SUCCESS);
  EXPECT_EQ (Cached ()[3], 4);
  EXPECT_EQ (Field (2), u"4 ");
  EXPECT_EQ (Control->OwnsFrame, 0);
}

TEST_F (TuiValueControlsTest, EightByteUnsignedValuesShowWithoutSignAndTooManyDigitsAreOutOfRange) {
  std::vector<UINT8>  Big = { 1, 0, 0, 0, 0, 0, 0, 0x80 };      // 2^63 + 1
  ASSERT_EQ (WriteVariableBytes (0, 0, Big.size (), Big.data ()), EFI_SUCCESS);
  Make (&gTuiNumberOps, Numeric (0, EFI_IFR_NUMERIC_SIZE_8 | EFI_IFR_DISPLAY_UINT_DEC, 0, ~(uint64_t)0, 1),
    CONTROL_TYPE_NUMERIC);
  ASSERT_EQ (Ops->Draw (Control), EFI_SUCCESS);
  EXPECT_EQ (Field (20), u"9223372036854775809 ");

  // 20 digits past 2^64 - 1 would wrap; they are out of range instead.
  Devices.TextIn->Script ().Append ("Enter,Enter");
  for (char Digit : std::string ("99999999999999999999")) {
    ASSERT_EQ (Press (std::string (1, Digit)), EFI_SUCCESS);
  }

  EXPECT_EQ (Press ("Enter"), EFI_SUCCESS);
  EXPECT_EQ (Cached (), Big);
  EXPECT_EQ (Field (19), u"9223372036854775809");
}

TEST_F (TuiValueControlsTest, ANarrowNumberDrawsNoFieldPastItsRow) {
  Make (&gTuiNumberOps, Numeric (3, EFI_IFR_NUMERIC_SIZE_1 | EFI_IFR_DISPLAY_UINT_DEC, 0, 99, 1), CONTROL_TYPE_NUMERIC);
  Ops->SetDimensions (Control, 30, 1);                   // narrower than the value column
  FillTextRect (0, kRow, 100, 1, 0x07);
  ASSERT_EQ (Ops->Draw (Control), EFI_SUCCESS);
  EXPECT_EQ (Drawn (kValue, kRow, 4), u"    ");
  EXPECT_EQ (DrawnAttribute (kValue, kRow), 0x07);
  EXPECT_EQ (Drawn (kColumn, kRow + 1, 4), u"    ");
}

// The text-entry base on its own: Left is kept while editing, Up puts the text from before back, and
// leaving the control ends the edit with the text as typed.
TEST_F (TuiValueControlsTest, TheTextEntryKeepsItsBackupUntilEnterOrLeaving) {
  Make (&gTuiTextEntryOps, Numeric (3, EFI_IFR_NUMERIC_SIZE_1 | EFI_IFR_DISPLAY_UINT_DEC, 0, 99, 1), CONTROL_TYPE_NUMERIC);
  EXPECT_EQ (Press ("Left"), EFI_UNSUPPORTED);           // nothing is being edited
  EXPECT_EQ (Press ("7"), EFI_SUCCESS);
  EXPECT_EQ (Press ("Left"), EFI_SUCCESS);
  EXPECT_EQ (Press ("Up"), EFI_SUCCESS);
  EXPECT_EQ (((TUI_TEXT_ENTRY *)Control)->Text, std::u16string (u"\x0004"));   // the stored byte, as read
  EXPECT_EQ (Control->OwnsFrame, 0);

  EXPECT_EQ (Press ("9"), EFI_SUCCESS);
  EXPECT_EQ (Ops->SetFocus (Control, FALSE), EFI_SUCCESS);
  EXPECT_EQ (Control->OwnsFrame, 0);
  EXPECT_EQ (((TUI_TEXT_ENTRY *)Control)->Text, std::u16string (u"9"));
  EXPECT_EQ (Cached ()[3], 4);                            // nothing was reported
}

}  // namespace

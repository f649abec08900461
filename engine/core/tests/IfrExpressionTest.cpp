// The expression evaluator on sequences written with the IFR builder: every
// operator with its exact result cell (type and value), status and consumed
// length; question values by id; string operators; the FORM_MAP evaluator; and
// malformed or hostile sequences that must end with a status.
#include "support/ExpressionTestSupport.h"

#include <Protocol/DevicePathToText.h>

#include <gtest/gtest.h>

namespace ExpressionTests {
namespace {

using Op = std::function<void (IfrBuilder &)>;

Op
Ops (std::initializer_list<UINT8> Codes)
{
  std::vector<UINT8>  List (Codes);
  return [List] (IfrBuilder &F) { for (UINT8 Code : List) { F.Operator (Code); } };
}

Op
U8 (UINT8 Value)
{
  return [Value] (IfrBuilder &F) { F.Uint8 (Value); };
}

Op
Str (EFI_STRING_ID Id)
{
  return [Id] (IfrBuilder &F) { F.StringRef1 (Id); };
}

Op
Seq (std::initializer_list<Op> Parts)
{
  std::vector<Op>  List (Parts);
  return [List] (IfrBuilder &F) { for (const Op &Part : List) { Part (F); } };
}

class IfrExpressionTest : public ExpressionTest {
protected:
  // Builds and runs one expression inside a SUPPRESS_IF.
  OUTCOME Eval (const Op &Body)
  {
    size_t  At = Expr (Body);
    Finish ();
    return Run (At);
  }
};

struct CONSTANT_CASE {
  UINT8   Opcode;
  UINT8   Type;
  UINT64  Value;
};

TEST_F (IfrExpressionTest, ConstantsPushTheirTypeAndValue) {
  const CONSTANT_CASE  Cases[] = {
    { EFI_IFR_VERSION_OP, EFI_IFR_TYPE_NUM_SIZE_16, 561 },   { EFI_IFR_TRUE_OP, EFI_IFR_TYPE_BOOLEAN, 1 },
    { EFI_IFR_FALSE_OP, EFI_IFR_TYPE_BOOLEAN, 0 },          { EFI_IFR_ZERO_OP, EFI_IFR_TYPE_NUM_SIZE_8, 0 },
    { EFI_IFR_ONE_OP, EFI_IFR_TYPE_NUM_SIZE_8, 1 },         { EFI_IFR_ONES_OP, EFI_IFR_TYPE_NUM_SIZE_64, ~0ULL },
    { EFI_IFR_UNDEFINED_OP, EFI_IFR_TYPE_OTHER, 0 },
  };
  std::vector<size_t>  At;

  for (const auto &Case : Cases) {
    At.push_back (Expr (Ops ({ Case.Opcode })));
  }

  Finish ();
  for (size_t Index = 0; Index < At.size (); Index++) {
    OUTCOME  O = Run (At[Index]);
    ExpectCell (O, Cases[Index].Type, Cases[Index].Value);
    EXPECT_EQ (O.Length, 6u) << "SUPPRESS_IF, the operator and END";
  }
}

TEST_F (IfrExpressionTest, ImmediatesKeepTheirWidth) {
  size_t  A = Expr ([] (IfrBuilder &F) { F.Uint8 (0xAB); });
  size_t  B = Expr ([] (IfrBuilder &F) { F.Uint16 (0xABCD); });
  size_t  C = Expr ([] (IfrBuilder &F) { F.Uint32 (0x89ABCDEF); });
  size_t  D = Expr ([] (IfrBuilder &F) { F.Uint64 (0x0123456789ABCDEFull); });

  Finish ();
  ExpectCell (Run (A), EFI_IFR_TYPE_NUM_SIZE_8, 0xAB);
  ExpectCell (Run (B), EFI_IFR_TYPE_NUM_SIZE_16, 0xABCD);
  ExpectCell (Run (C), EFI_IFR_TYPE_NUM_SIZE_32, 0x89ABCDEF);
  ExpectCell (Run (D), EFI_IFR_TYPE_NUM_SIZE_64, 0x0123456789ABCDEFull);
  EXPECT_EQ (Run (D).Length, 2u + 10u + 2u);
}

TEST_F (IfrExpressionTest, LogicTakesBooleansOnly) {
  size_t  And   = Expr (Ops ({ EFI_IFR_TRUE_OP, EFI_IFR_FALSE_OP, EFI_IFR_AND_OP }));
  size_t  Or    = Expr (Ops ({ EFI_IFR_TRUE_OP, EFI_IFR_FALSE_OP, EFI_IFR_OR_OP }));
  size_t  Not   = Expr (Ops ({ EFI_IFR_FALSE_OP, EFI_IFR_NOT_OP }));
  size_t  NotU8 = Expr (Ops ({ EFI_IFR_ONE_OP, EFI_IFR_NOT_OP }));
  size_t  AndU8 = Expr (Ops ({ EFI_IFR_TRUE_OP, EFI_IFR_ONE_OP, EFI_IFR_AND_OP }));

  Finish ();
  ExpectCell (Run (And), EFI_IFR_TYPE_BOOLEAN, 0);
  ExpectCell (Run (Or), EFI_IFR_TYPE_BOOLEAN, 1);
  ExpectCell (Run (Not), EFI_IFR_TYPE_BOOLEAN, 1);
  EXPECT_EQ (Run (NotU8).Status, EFI_INVALID_PARAMETER);
  EXPECT_EQ (Run (AndU8).Status, EFI_INVALID_PARAMETER);
}

TEST_F (IfrExpressionTest, ComparisonsUseTheSignedDifference) {
  struct { UINT8 Opcode; bool ThreeFive; bool FiveFive; } const  Cases[] = {
    { EFI_IFR_EQUAL_OP, false, true },        { EFI_IFR_NOT_EQUAL_OP, true, false },
    { EFI_IFR_GREATER_THAN_OP, false, false }, { EFI_IFR_GREATER_EQUAL_OP, false, true },
    { EFI_IFR_LESS_THAN_OP, true, false },     { EFI_IFR_LESS_EQUAL_OP, true, true },
  };
  std::vector<std::pair<size_t, size_t>>  At;

  for (const auto &Case : Cases) {
    At.push_back ({ Expr (Seq ({ U8 (3), U8 (5), Ops ({ Case.Opcode }) })), Expr (Seq ({ U8 (5), U8 (5), Ops ({ Case.Opcode }) })) });
  }

  // All ones minus zero is -1 as a signed difference, so ONES is not greater than ZERO.
  size_t  Ones = Expr (Ops ({ EFI_IFR_ONES_OP, EFI_IFR_ZERO_OP, EFI_IFR_GREATER_THAN_OP }));
  size_t  Mixed = Expr (Seq ({ Str (kAlpha), U8 (1), Ops ({ EFI_IFR_EQUAL_OP }) }));
  size_t  Undefined = Expr (Ops ({ EFI_IFR_UNDEFINED_OP, EFI_IFR_ZERO_OP, EFI_IFR_EQUAL_OP }));
  Finish ();
  for (size_t Index = 0; Index < At.size (); Index++) {
    ExpectCell (Run (At[Index].first), EFI_IFR_TYPE_BOOLEAN, Cases[Index].ThreeFive);
    ExpectCell (Run (At[Index].second), EFI_IFR_TYPE_BOOLEAN, Cases[Index].FiveFive);
  }

  ExpectCell (Run (Ones), EFI_IFR_TYPE_BOOLEAN, 0);
  EXPECT_EQ (Run (Mixed).Status, EFI_INVALID_PARAMETER);
  EXPECT_EQ (Run (Undefined).Status, EFI_INVALID_PARAMETER);
}

TEST_F (IfrExpressionTest, StringsCompareByIdThenByText) {
  size_t  SameText = Expr (Seq ({ Str (kAlpha), Str (kAlphaAgain), Ops ({ EFI_IFR_EQUAL_OP }) }));
  size_t  Less     = Expr (Seq ({ Str (kBeta), Str (kAlpha), Ops ({ EFI_IFR_LESS_THAN_OP }) }));
  size_t  Missing  = Expr (Seq ({ Str (kAlpha), Str (0x7777), Ops ({ EFI_IFR_EQUAL_OP }) }));

  Finish ();
  ExpectCell (Run (SameText), EFI_IFR_TYPE_BOOLEAN, 1);
  ExpectCell (Run (Less), EFI_IFR_TYPE_BOOLEAN, 1);    // 'B' sorts before 'a'
  EXPECT_EQ (Run (Missing).Status, EFI_INVALID_PARAMETER);
}

TEST_F (IfrExpressionTest, ArithmeticGivesU64) {
  struct { UINT8 Opcode; UINT64 Result; } const  Cases[] = {
    { EFI_IFR_ADD_OP, 10 },         { EFI_IFR_SUBTRACT_OP, 4 },    { EFI_IFR_MULTIPLY_OP, 21 },
    { EFI_IFR_DIVIDE_OP, 2 },       { EFI_IFR_MODULO_OP, 1 },      { EFI_IFR_BITWISE_AND_OP, 3 },
    { EFI_IFR_BITWISE_OR_OP, 7 },   { EFI_IFR_SHIFT_LEFT_OP, 56 }, { EFI_IFR_SHIFT_RIGHT_OP, 0 },
  };
  std::vector<size_t>  At;

  for (const auto &Case : Cases) {
    At.push_back (Expr (Seq ({ U8 (7), U8 (3), Ops ({ Case.Opcode }) })));
  }

  size_t  Wide      = Expr (Seq ({ U8 (1), U8 (65), Ops ({ EFI_IFR_SHIFT_LEFT_OP }) }));   // count's low 6 bits
  size_t  Wrap      = Expr (Seq ({ U8 (0), U8 (1), Ops ({ EFI_IFR_SUBTRACT_OP }) }));
  size_t  Complement = Expr (Ops ({ EFI_IFR_ZERO_OP, EFI_IFR_BITWISE_NOT_OP }));
  size_t  Boolean   = Expr (Ops ({ EFI_IFR_TRUE_OP, EFI_IFR_TRUE_OP, EFI_IFR_ADD_OP }));
  size_t  OfString  = Expr (Seq ({ Str (kAlpha), U8 (1), Ops ({ EFI_IFR_ADD_OP }) }));
  size_t  ByZero    = Expr (Seq ({ U8 (7), Ops ({ EFI_IFR_ZERO_OP, EFI_IFR_DIVIDE_OP }) }));
  size_t  ModZero   = Expr (Seq ({ U8 (7), Ops ({ EFI_IFR_ZERO_OP, EFI_IFR_MODULO_OP }) }));
  Finish ();
  for (size_t Index = 0; Index < At.size (); Index++) {
    ExpectCell (Run (At[Index]), EFI_IFR_TYPE_NUM_SIZE_64, Cases[Index].Result);
  }

  ExpectCell (Run (Wide), EFI_IFR_TYPE_NUM_SIZE_64, 2);
  ExpectCell (Run (Wrap), EFI_IFR_TYPE_NUM_SIZE_64, ~0ULL);
  ExpectCell (Run (Complement), EFI_IFR_TYPE_NUM_SIZE_64, ~0ULL);
  ExpectCell (Run (Boolean), EFI_IFR_TYPE_NUM_SIZE_64, 2);
  EXPECT_EQ (Run (OfString).Status, EFI_INVALID_PARAMETER);
  EXPECT_EQ (Run (ByZero).Status, EFI_INVALID_PARAMETER);
  EXPECT_EQ (Run (ModZero).Status, EFI_INVALID_PARAMETER);
}

// "C A B CONDITIONAL": a true C takes the value pushed last.
TEST_F (IfrExpressionTest, ConditionalTrueTakesTheTopValue) {
  size_t  True  = Expr (Seq ({ Ops ({ EFI_IFR_TRUE_OP }), U8 (1), U8 (2), Ops ({ EFI_IFR_CONDITIONAL_OP }) }));
  size_t  False = Expr (Seq ({ Ops ({ EFI_IFR_FALSE_OP }), U8 (1), U8 (2), Ops ({ EFI_IFR_CONDITIONAL_OP }) }));
  size_t  Bad   = Expr (Seq ({ U8 (1), U8 (1), U8 (2), Ops ({ EFI_IFR_CONDITIONAL_OP }) }));
  size_t  Dup   = Expr (Seq ({ U8 (5), Ops ({ EFI_IFR_DUP_OP, EFI_IFR_ADD_OP }) }));

  Finish ();
  ExpectCell (Run (True), EFI_IFR_TYPE_NUM_SIZE_8, 2);
  ExpectCell (Run (False), EFI_IFR_TYPE_NUM_SIZE_8, 1);
  EXPECT_EQ (Run (Bad).Status, EFI_INVALID_PARAMETER);
  ExpectCell (Run (Dup), EFI_IFR_TYPE_NUM_SIZE_64, 10);
}

TEST_F (IfrExpressionTest, ExactlyOneValueMustBeLeft) {
  size_t  Two     = Expr (Ops ({ EFI_IFR_TRUE_OP, EFI_IFR_TRUE_OP }));
  size_t  None    = Expr ([] (IfrBuilder &) {});
  size_t  Missing = Expr (Ops ({ EFI_IFR_TRUE_OP, EFI_IFR_AND_OP }));

  Finish ();
  EXPECT_EQ (Run (Two).Status, EFI_INVALID_PARAMETER);
  EXPECT_EQ (Run (None).Status, EFI_INVALID_PARAMETER);
  EXPECT_EQ (Run (Missing).Status, EFI_INVALID_PARAMETER);
}

TEST_F (IfrExpressionTest, StacksGrowPastTheirFirstHundredCells) {
  size_t  At = Expr ([] (IfrBuilder &F) {
    for (int Index = 0; Index < 250; Index++) {
      F.Operator (EFI_IFR_ONE_OP);
    }

    for (int Index = 0; Index < 249; Index++) {
      F.Operator (EFI_IFR_ADD_OP);
    }
  });

  Finish ();
  UINT64  Mark = M.Memory ().AllocationCount ();
  ExpectCell (Run (At), EFI_IFR_TYPE_NUM_SIZE_64, 250);
  EXPECT_TRUE (M.Memory ().LeaksSince (Mark).empty ());
}

TEST_F (IfrExpressionTest, QuestionsAreReadFromTheCache) {
  size_t  Val      = Expr ([] (IfrBuilder &F) { F.EqIdVal (1, 5); });
  size_t  ValNo    = Expr ([] (IfrBuilder &F) { F.EqIdVal (1, 6); });
  size_t  List     = Expr ([] (IfrBuilder &F) { F.EqIdValList (2, { 1, 0x1234, 7 }); });
  size_t  ListNo   = Expr ([] (IfrBuilder &F) { F.EqIdValList (2, { 1, 7 }); });
  size_t  Ids      = Expr ([] (IfrBuilder &F) { F.EqIdId (1, 1); });
  size_t  IdsNo    = Expr ([] (IfrBuilder &F) { F.EqIdId (1, 2); });
  size_t  Ref1     = Expr ([] (IfrBuilder &F) { F.QuestionRef1 (2); });
  size_t  Boolean  = Expr ([] (IfrBuilder &F) { F.QuestionRef1 (3); F.Operator (EFI_IFR_NOT_OP); });
  size_t  Ref2     = Expr ([] (IfrBuilder &F) { F.Uint16 (2); F.QuestionRef2 (); });
  size_t  TooLarge = Expr ([] (IfrBuilder &F) { F.Uint32 (70000); F.QuestionRef2 (); });
  size_t  Absent   = Expr ([] (IfrBuilder &F) { F.QuestionRef1 (99); });
  size_t  Other    = Expr ([] (IfrBuilder &F) { F.QuestionRef1 (6); });
  size_t  ByGuid   = Expr ([] (IfrBuilder &F) { F.Uint8 (6); F.QuestionRef3_3 (0, kFormSetGuid); });
  size_t  NoSet    = Expr ([] (IfrBuilder &F) { F.Uint8 (6); F.QuestionRef3_3 (0, kListGuid); });
  size_t  Short3   = Expr ([] (IfrBuilder &F) { F.Uint8 (1); F.QuestionRef3 (); });

  Finish ();
  ExpectCell (Run (Val), EFI_IFR_TYPE_BOOLEAN, 1);
  ExpectCell (Run (ValNo), EFI_IFR_TYPE_BOOLEAN, 0);
  ExpectCell (Run (List), EFI_IFR_TYPE_BOOLEAN, 1);
  ExpectCell (Run (ListNo), EFI_IFR_TYPE_BOOLEAN, 0);
  ExpectCell (Run (Ids), EFI_IFR_TYPE_BOOLEAN, 1);
  ExpectCell (Run (IdsNo), EFI_IFR_TYPE_BOOLEAN, 0);
  ExpectCell (Run (Ref1), EFI_IFR_TYPE_NUM_SIZE_64, 0x1234);
  ExpectCell (Run (Boolean), EFI_IFR_TYPE_BOOLEAN, 0);
  ExpectCell (Run (Ref2), EFI_IFR_TYPE_NUM_SIZE_64, 0x1234);
  EXPECT_EQ (Run (TooLarge).Status, EFI_NOT_FOUND);
  EXPECT_EQ (Run (Absent).Status, EFI_NOT_FOUND);
  ExpectCell (Run (Other), EFI_IFR_TYPE_NUM_SIZE_64, 9);     // page 1 of the same package list
  ExpectCell (Run (ByGuid), EFI_IFR_TYPE_NUM_SIZE_64, 9);
  EXPECT_EQ (Run (NoSet).Status, EFI_NOT_FOUND);
  ExpectCell (Run (Short3), EFI_IFR_TYPE_NUM_SIZE_64, 5);
}

// The device-path text of a vendor node of the fake driver, as the firmware's converter gives it.
CHAR16 *EFIAPI
VendorPathToText (CONST EFI_DEVICE_PATH_PROTOCOL *Path, BOOLEAN, BOOLEAN)
{
  EFI_GUID      Guid;
  CONST CHAR16  *Text = u"VenHw(A0A0A0A0-1111-2222-0303-030303030303)";

  std::memcpy (&Guid, (const UINT8 *)Path + 4, sizeof (Guid));
  if (std::memcmp (&Guid, &kDriverGuid, sizeof (Guid)) != 0) {
    Text = u"VenHw(unknown)";
  }

  return (CHAR16 *)AllocateCopyPool (StrSize (Text), Text);
}

TEST_F (IfrExpressionTest, AnotherFormSetIsNamedByItsDriversDevicePath) {
  const EFI_GUID                    Guid = EFI_DEVICE_PATH_TO_TEXT_PROTOCOL_GUID;
  EFI_DEVICE_PATH_TO_TEXT_PROTOCOL  ToText {};
  EFI_HANDLE                        Converter = nullptr;
  size_t  Found   = Expr ([] (IfrBuilder &F) { F.Uint8 (6); F.QuestionRef3_2 (kDriverPathText); });
  size_t  Missing = Expr ([] (IfrBuilder &F) { F.Uint8 (6); F.QuestionRef3_2 (kOtherPathText); });
  size_t  ByGuid  = Expr ([] (IfrBuilder &F) { F.Uint8 (2); F.QuestionRef3_3 (kOtherPathText, kFormSetGuid); });

  Finish ();
  EXPECT_EQ (Run (Found).Status, EFI_NOT_FOUND) << "without a converter no path matches";
  ToText.ConvertDevicePathToText = VendorPathToText;
  ASSERT_EQ (M.Protocols ().Install (&Converter, &Guid, &ToText), EFI_SUCCESS);
  ExpectCell (Run (Found), EFI_IFR_TYPE_NUM_SIZE_64, 9);
  EXPECT_EQ (Run (Missing).Status, EFI_NOT_FOUND);
  // A GUID names the form set even when its path text matches no driver.
  ExpectCell (Run (ByGuid), EFI_IFR_TYPE_NUM_SIZE_64, 0x1234);
}

TEST_F (IfrExpressionTest, ThisIsTheControlsOwnQuestion) {
  size_t  At = Expr ([] (IfrBuilder &F) { F.This (); });

  Finish ();
  ExpectCell (Run (At, Number), EFI_IFR_TYPE_NUM_SIZE_64, 0x1234);
  EXPECT_EQ (Run (At).Status, EFI_UNSUPPORTED);    // a record without a question
}

TEST_F (IfrExpressionTest, StringQuestionsGiveTheirText) {
  size_t  Length = Expr ([] (IfrBuilder &F) { F.QuestionRef1 (4); F.Operator (EFI_IFR_LENGTH_OP); });
  size_t  Value  = Expr ([] (IfrBuilder &F) { F.QuestionRef1 (4); });

  Finish ();
  ExpectCell (Run (Length), EFI_IFR_TYPE_NUM_SIZE_64, 2);
  OUTCOME  O = Run (Value);
  ASSERT_EQ (O.Status, EFI_SUCCESS);
  EXPECT_EQ (O.Cell.Type, EFI_IFR_TYPE_STRING);
  EXPECT_EQ (TextOf (O.Cell), u"Hi");

  // An empty text is not started.
  UINT16  Empty = 0;
  ASSERT_EQ (WriteVariableBytes (0, 4, 2, &Empty), EFI_SUCCESS);
  EXPECT_EQ (Run (Length).Status, EFI_NOT_STARTED);
}

// Conditions run on every draw: strings an expression makes in passing never reach
// the package list, which grows only by a string an expression hands back.
TEST_F (IfrExpressionTest, PassingStringsLeaveThePackageListAlone) {
  size_t  Passing = Expr ([] (IfrBuilder &F) {
    F.QuestionRef1 (4);
    F.StringRef1 (kAlpha);
    F.Operator (EFI_IFR_CATENATE_OP);
    F.Operator (EFI_IFR_LENGTH_OP);
  });

  Finish ();
  for (int Round = 0; Round < 3; Round++) {
    ExpectCell (Run (Passing), EFI_IFR_TYPE_NUM_SIZE_64, 7);
  }

  CHAR16  *Next = HiiGetString (Handle, kOtherPathText + 1, nullptr);
  EXPECT_EQ (Next, nullptr) << "no string was added";
  if (Next != nullptr) {
    FreePool (Next);
  }
}

TEST_F (IfrExpressionTest, CaseAndPatternsGoThroughCollation) {
  size_t  Upper = Expr (Seq ({ Str (kAlpha), Ops ({ EFI_IFR_TO_UPPER_OP }) }));
  size_t  Lower = Expr (Seq ({ Str (kBeta), Ops ({ EFI_IFR_TO_LOWER_OP }) }));
  size_t  Match = Expr (Seq ({ Str (kPattern), Str (kAlpha), Ops ({ EFI_IFR_MATCH_OP }) }));
  size_t  Miss  = Expr (Seq ({ Str (kPattern), Str (kBeta), Ops ({ EFI_IFR_MATCH_OP }) }));

  Finish ();
  OUTCOME  O = Run (Upper);
  ASSERT_EQ (O.Status, EFI_SUCCESS);
  EXPECT_EQ (TextOf (O.Cell), u"ALPHA");
  EXPECT_EQ (TextOf (Run (Lower).Cell), u"beta");
  ExpectCell (Run (Match), EFI_IFR_TYPE_BOOLEAN, 1);
  ExpectCell (Run (Miss), EFI_IFR_TYPE_BOOLEAN, 0);
}

TEST_F (IfrExpressionTest, ConversionsToNumbersAndBooleans) {
  size_t  Hex      = Expr (Seq ({ Str (kHex), Ops ({ EFI_IFR_TO_UINT_OP }) }));
  size_t  Decimal  = Expr (Seq ({ Str (kDecimal), Ops ({ EFI_IFR_TO_UINT_OP }) }));
  size_t  Number   = Expr (Seq ({ U8 (200), Ops ({ EFI_IFR_TO_UINT_OP }) }));
  size_t  NoUint   = Expr (Ops ({ EFI_IFR_UNDEFINED_OP, EFI_IFR_TO_UINT_OP }));
  size_t  True     = Expr (Seq ({ Str (kTrueText), Ops ({ EFI_IFR_TO_BOOLEAN_OP }) }));
  size_t  False    = Expr (Seq ({ Str (kFalseText), Ops ({ EFI_IFR_TO_BOOLEAN_OP }) }));
  size_t  Maybe    = Expr (Seq ({ Str (kMaybe), Ops ({ EFI_IFR_TO_BOOLEAN_OP }) }));
  size_t  NotMaybe = Expr (Seq ({ Str (kMaybe), Ops ({ EFI_IFR_TO_BOOLEAN_OP, EFI_IFR_NOT_OP }) }));
  size_t  Zero     = Expr (Ops ({ EFI_IFR_ZERO_OP, EFI_IFR_TO_BOOLEAN_OP }));

  Finish ();
  ExpectCell (Run (Hex), EFI_IFR_TYPE_NUM_SIZE_64, 0x1F);
  ExpectCell (Run (Decimal), EFI_IFR_TYPE_NUM_SIZE_64, 0);
  ExpectCell (Run (Number), EFI_IFR_TYPE_NUM_SIZE_64, 200);
  EXPECT_EQ (Run (NoUint).Status, EFI_UNSUPPORTED);
  ExpectCell (Run (True), EFI_IFR_TYPE_BOOLEAN, 1);
  ExpectCell (Run (False), EFI_IFR_TYPE_BOOLEAN, 0);
  ExpectCell (Run (Maybe), EFI_IFR_TYPE_OTHER, 0);
  EXPECT_EQ (Run (NotMaybe).Status, EFI_INVALID_PARAMETER);
  ExpectCell (Run (Zero), EFI_IFR_TYPE_BOOLEAN, 0);
}

TEST_F (IfrExpressionTest, ToStringPrintsByFormat) {
  size_t  Decimal = Expr ([] (IfrBuilder &F) { F.Uint8 (255); F.ToString (0); });
  size_t  Lower   = Expr ([] (IfrBuilder &F) { F.Uint8 (255); F.ToString (2); });
  size_t  Upper   = Expr ([] (IfrBuilder &F) { F.Uint16 (0xBEEF); F.ToString (3); });
  size_t  True    = Expr ([] (IfrBuilder &F) { F.Operator (EFI_IFR_TRUE_OP); F.ToString (0); });
  size_t  False   = Expr ([] (IfrBuilder &F) { F.Operator (EFI_IFR_FALSE_OP); F.ToString (0); });
  size_t  Keeps   = Expr ([] (IfrBuilder &F) { F.StringRef1 (kBeta); F.ToString (0); });

  Finish ();
  EXPECT_EQ (TextOf (Run (Decimal).Cell), u"255");
  EXPECT_EQ (TextOf (Run (Lower).Cell), u"ff");
  EXPECT_EQ (TextOf (Run (Upper).Cell), u"BEEF");
  EXPECT_EQ (TextOf (Run (True).Cell), u"True");
  EXPECT_EQ (TextOf (Run (False).Cell), u"False");
  ExpectCell (Run (Keeps), EFI_IFR_TYPE_STRING, kBeta);
}

TEST_F (IfrExpressionTest, SubstringsStayInsideTheirText) {
  size_t  Mid     = Expr (Seq ({ Str (kAlpha), U8 (1), U8 (3), Ops ({ EFI_IFR_MID_OP }) }));
  size_t  Past    = Expr (Seq ({ Str (kAlpha), U8 (9), U8 (3), Ops ({ EFI_IFR_MID_OP }) }));
  size_t  Long    = Expr ([] (IfrBuilder &F) { F.StringRef1 (kAlpha); F.Uint8 (2); F.Uint64 (~0ULL); F.Operator (EFI_IFR_MID_OP); });
  size_t  Token   = Expr (Seq ({ Str (kTokens), Str (kComma), U8 (3), Ops ({ EFI_IFR_TOKEN_OP }) }));
  size_t  Blank   = Expr (Seq ({ Str (kTokens), Str (kComma), U8 (2), Ops ({ EFI_IFR_TOKEN_OP, EFI_IFR_LENGTH_OP }) }));
  size_t  NoToken = Expr (Seq ({ Str (kTokens), Str (kComma), U8 (9), Ops ({ EFI_IFR_TOKEN_OP, EFI_IFR_LENGTH_OP }) }));
  size_t  Joined  = Expr (Seq ({ Str (kAlpha), Str (kBeta), Ops ({ EFI_IFR_CATENATE_OP }) }));

  Finish ();
  EXPECT_EQ (TextOf (Run (Mid).Cell), u"lph");
  EXPECT_EQ (TextOf (Run (Past).Cell), u"");
  EXPECT_EQ (TextOf (Run (Long).Cell), u"pha");
  EXPECT_EQ (TextOf (Run (Token).Cell), u"c");
  ExpectCell (Run (Blank), EFI_IFR_TYPE_NUM_SIZE_64, 0);
  ExpectCell (Run (NoToken), EFI_IFR_TYPE_NUM_SIZE_64, 0);
  EXPECT_EQ (TextOf (Run (Joined).Cell), u"alphaBeta");
}

TEST_F (IfrExpressionTest, FindAndSpanGiveIndexes) {
  size_t  Find      = Expr ([] (IfrBuilder &F) { F.StringRef1 (kAlpha); F.StringRef1 (kPh); F.Uint8 (0); F.Find (0); });
  size_t  Cased     = Expr ([] (IfrBuilder &F) { F.StringRef1 (kAlpha); F.StringRef1 (kUpperPh); F.Uint8 (0); F.Find (0); });
  size_t  Uncased   = Expr ([] (IfrBuilder &F) { F.StringRef1 (kAlpha); F.StringRef1 (kUpperPh); F.Uint8 (0); F.Find (1); });
  size_t  Beyond    = Expr ([] (IfrBuilder &F) { F.StringRef1 (kAlpha); F.StringRef1 (kPh); F.Uint8 (40); F.Find (0); });
  size_t  BadFormat = Expr ([] (IfrBuilder &F) { F.StringRef1 (kAlpha); F.StringRef1 (kPh); F.Uint8 (0); F.Find (2); });
  size_t  Span      = Expr ([] (IfrBuilder &F) { F.StringRef1 (kHex); F.StringRef1 (kRanges); F.Uint8 (0); F.Span (0); });
  size_t  NonSpan   = Expr ([] (IfrBuilder &F) { F.StringRef1 (kDecimal); F.StringRef1 (kRanges); F.Uint8 (0); F.Span (1); });

  Finish ();
  ExpectCell (Run (Find), EFI_IFR_TYPE_NUM_SIZE_64, 2);
  ExpectCell (Run (Cased), EFI_IFR_TYPE_NUM_SIZE_64, ~0ULL);
  ExpectCell (Run (Uncased), EFI_IFR_TYPE_NUM_SIZE_64, 2);
  ExpectCell (Run (Beyond), EFI_IFR_TYPE_NUM_SIZE_64, ~0ULL);
  EXPECT_EQ (Run (BadFormat).Status, EFI_INVALID_PARAMETER);
  ExpectCell (Run (Span), EFI_IFR_TYPE_NUM_SIZE_64, 5);      // "size 0x1f!": the '0'
  ExpectCell (Run (NonSpan), EFI_IFR_TYPE_NUM_SIZE_64, ~0ULL);
}

TEST_F (IfrExpressionTest, StringReferences) {
  size_t  Ref2    = Expr ([] (IfrBuilder &F) { F.Uint16 (kBeta); F.StringRef2 (); });
  size_t  Missing = Expr ([] (IfrBuilder &F) { F.Uint16 (0x7777); F.StringRef2 (); F.Operator (EFI_IFR_LENGTH_OP); });
  size_t  Large   = Expr ([] (IfrBuilder &F) { F.Uint32 (0x10000); F.StringRef2 (); });
  size_t  Length  = Expr ([] (IfrBuilder &F) { F.StringRef1 (kTokens); F.Operator (EFI_IFR_LENGTH_OP); });

  Finish ();
  ExpectCell (Run (Ref2), EFI_IFR_TYPE_STRING, kBeta);
  ExpectCell (Run (Missing), EFI_IFR_TYPE_NUM_SIZE_64, 0);
  EXPECT_EQ (Run (Large).Status, EFI_NOT_FOUND);
  ExpectCell (Run (Length), EFI_IFR_TYPE_NUM_SIZE_64, 6);
}

TEST_F (IfrExpressionTest, RulesAreEvaluatedWhereTheyAreReferenced) {
  size_t  Rule = Forms.Rule (7);
  Forms.Uint8 (40);
  Forms.Uint8 (2);
  Forms.Operator (EFI_IFR_ADD_OP);
  Forms.End ();
  size_t  Loop = Forms.Rule (8);
  Forms.RuleRef (8);
  Forms.End ();
  size_t  Uses    = Expr ([] (IfrBuilder &F) { F.RuleRef (7); });
  size_t  Self    = Expr ([] (IfrBuilder &F) { F.RuleRef (8); });
  size_t  Unknown = Expr ([] (IfrBuilder &F) { F.RuleRef (9); });

  // The rule records: one points at its RULE, the other at the opcode after it.
  Finish ({ { .Type = CONTROL_TYPE_RULE, .Condition = Rule, .QuestionId = 7 },
            { .Type = CONTROL_TYPE_RULE, .Condition = Loop + 3, .QuestionId = 8 } });
  ExpectCell (Run (Uses), EFI_IFR_TYPE_NUM_SIZE_64, 42);
  EXPECT_EQ (Run (Self).Status, EFI_INVALID_PARAMETER);
  EXPECT_EQ (Run (Unknown).Status, EFI_NOT_FOUND);
}

// An expression ends at the END of its opener or at the first statement inside it.
TEST_F (IfrExpressionTest, TheExpressionEndsAtTheFirstStatement) {
  size_t  Condition = Forms.SuppressIf ();
  Forms.EqIdVal (1, 5);
  size_t  Question = Forms.Checkbox (Q (9, 0), 0, false);
  Forms.End ();
  size_t  Value = Forms.Value ();
  Forms.Operator (EFI_IFR_ONE_OP);
  Forms.End ();

  Finish ();
  OUTCOME  O = Run (Condition);
  ExpectCell (O, EFI_IFR_TYPE_BOOLEAN, 1);
  EXPECT_EQ (O.Length, Question - Condition);
  OUTCOME  V = Run (Value);
  ExpectCell (V, EFI_IFR_TYPE_NUM_SIZE_8, 1);
  EXPECT_EQ (V.Length, 6u);
  // An opcode that opens no expression is refused at once.
  OUTCOME  N = Run (Question);
  EXPECT_EQ (N.Status, EFI_UNSUPPORTED);
  EXPECT_EQ (N.Length, 0u);
}

TEST_F (IfrExpressionTest, MalformedSequencesEndWithAStatus) {
  size_t  Zero       = Forms.SuppressIf ();
  Forms.ZeroLengthOp (EFI_IFR_TRUE_OP);
  Forms.End ();
  size_t  ShortUint  = Forms.SuppressIf ();
  Forms.OpWithLength (EFI_IFR_UINT32_OP, 3, std::vector<uint8_t> { 1 });
  Forms.End ();
  size_t  ShortList  = Forms.SuppressIf ();
  Forms.OpWithLength (EFI_IFR_EQ_ID_VAL_LIST_OP, 8, std::vector<uint8_t> { 1, 0, 5, 0, 1, 0 });
  Forms.End ();
  size_t  NotHere    = Expr ([] (IfrBuilder &F) { F.Get (1, 0, 0); });
  size_t  MapHere    = Forms.SuppressIf ();
  Forms.Operator (EFI_IFR_MAP_OP);
  Forms.Text (1, 2);
  Forms.End ();
  Forms.End ();
  size_t  Unclosed   = Forms.SuppressIf ();
  Forms.Operator (EFI_IFR_TRUE_OP);

  Finish ();
  EXPECT_EQ (Run (Zero).Status, EFI_INVALID_PARAMETER);
  EXPECT_EQ (Run (ShortUint).Status, EFI_INVALID_PARAMETER);
  EXPECT_EQ (Run (ShortList).Status, EFI_INVALID_PARAMETER);
  EXPECT_EQ (Run (NotHere).Status, EFI_UNSUPPORTED);
  EXPECT_EQ (Run (MapHere).Status, EFI_UNSUPPORTED);
  EXPECT_EQ (Run (Unclosed).Status, EFI_INVALID_PARAMETER);    // runs into the package end
}

TEST_F (IfrExpressionTest, OutsideAnyPackageNothingIsRead) {
  UINT8           Loose[] = { EFI_IFR_SUPPRESS_IF_OP, 0x82, EFI_IFR_TRUE_OP, 0x02, EFI_IFR_END_OP, 0x02 };
  CONTROL_RECORD  C {};
  IFR_VALUE_CELL  Cell;
  UINTN           Length = 9;

  Finish ();
  C.ConditionOpcode = (UINT64)(UINTN)Loose;
  EXPECT_EQ (EvaluateOperator (&C, &Cell, &Length), EFI_NOT_FOUND);
  EXPECT_EQ (Length, 0u);
  C.ConditionOpcode = 0;
  EXPECT_EQ (EvaluateOperator (&C, &Cell, &Length), EFI_UNSUPPORTED);
}

TEST_F (IfrExpressionTest, CompareAndPrintForCallers) {
  IFR_VALUE_CELL  Ones, Zero, Other, Alpha, Again;
  INTN            Order = 9;

  Finish ();
  IfrSetCellNumber (&Ones, EFI_IFR_TYPE_NUM_SIZE_64, ~0ULL);
  IfrSetCellNumber (&Zero, EFI_IFR_TYPE_NUM_SIZE_8, 0);
  IfrSetCellNumber (&Other, EFI_IFR_TYPE_OTHER, 0);
  IfrSetCellNumber (&Alpha, EFI_IFR_TYPE_STRING, kAlpha);
  IfrSetCellNumber (&Again, EFI_IFR_TYPE_STRING, kAlphaAgain);
  EXPECT_EQ (CompareHiiValues (&Ones, &Zero, Handle, &Order), EFI_SUCCESS);
  EXPECT_EQ (Order, -1);
  EXPECT_EQ (CompareHiiValues (&Zero, &Ones, Handle, &Order), EFI_SUCCESS);
  EXPECT_EQ (Order, 1);
  EXPECT_EQ (CompareHiiValues (&Other, &Zero, Handle, &Order), EFI_INVALID_PARAMETER);
  EXPECT_EQ (CompareHiiValues (&Alpha, &Zero, Handle, &Order), EFI_INVALID_PARAMETER);
  EXPECT_EQ (CompareHiiValues (&Alpha, &Again, Handle, &Order), EFI_SUCCESS);
  EXPECT_EQ (Order, 0);
  // Equal ids are equal without any text.
  EXPECT_EQ (CompareHiiValues (&Alpha, &Alpha, nullptr, &Order), EFI_SUCCESS);
  EXPECT_EQ (Order, 0);

  CHAR16  *Text = ValueToString (Handle, 3, &Ones);
  ASSERT_NE (Text, nullptr);
  EXPECT_EQ (std::u16string (Text), u"FFFFFFFFFFFFFFFF");
  FreePool (Text);
  EXPECT_EQ (ValueToString (Handle, 0, &Other), nullptr);
}

TEST_F (IfrExpressionTest, QuestionValuesByIdForCallers) {
  IFR_VALUE_CELL  Cell;

  Finish ();
  ASSERT_EQ (GetQuestionValueById (2, 0, &Cell), EFI_SUCCESS);
  EXPECT_EQ (Cell.Type, EFI_IFR_TYPE_NUM_SIZE_64);
  EXPECT_EQ (Value (Cell), 0x1234u);
  IfrSetCellNumber (&Cell, EFI_IFR_TYPE_NUM_SIZE_64, 0xABCDEF);
  ASSERT_EQ (SetQuestionValueById (2, 0, &Cell), EFI_SUCCESS);
  EXPECT_EQ (((UINT8 *)gVariableCache[0].Data)[1], 0xEF);
  EXPECT_EQ (((UINT8 *)gVariableCache[0].Data)[2], 0xCD);
  EXPECT_EQ (((UINT8 *)gVariableCache[0].Data)[3], 1) << "only the question's two bytes";
  ASSERT_EQ (GetQuestionValueById (4, 0, &Cell), EFI_SUCCESS);
  EXPECT_EQ (TextOf (Cell), u"Hi");
  EXPECT_EQ (GetQuestionValueById (99, 0, &Cell), EFI_NOT_FOUND);
  EXPECT_EQ (SetQuestionValueById (4, 0, &Cell), EFI_UNSUPPORTED);
}

class FormMapExpressionTest : public IfrExpressionTest {
protected:
  // READ { Body } END; the first opcode inside.
  size_t Read (const Op &Body)
  {
    Forms.Op (EFI_IFR_READ_OP, {}, true);
    size_t  First = Forms.NextOffset ();
    Body (Forms);
    Forms.End ();
    return First;
  }

  OUTCOME RunMap (size_t First)
  {
    CONTROL_RECORD  C = *PageControl (0, 1);
    OUTCOME         O;

    O.Status = EvaluateExpression (At (First), &C, &O.Cell);
    return O;
  }
};

TEST_F (FormMapExpressionTest, ReadsComputeFromStoresAndMaps) {
  size_t  Get = Read ([] (IfrBuilder &F) { F.Get (1, 1, EFI_IFR_TYPE_NUM_SIZE_16); F.Uint16 (1); F.Operator (EFI_IFR_ADD_OP); });
  size_t  Map = Read ([] (IfrBuilder &F) {
    F.Uint8 (2);
    F.Operator (EFI_IFR_MAP_OP);
    F.Uint8 (1);
    F.Uint8 (10);
    F.Uint8 (2);
    F.Uint8 (20);
    F.End ();
  });
  size_t  NoMatch = Read ([] (IfrBuilder &F) { F.Uint8 (3); F.Operator (EFI_IFR_MAP_OP); F.Uint8 (1); F.Uint8 (10); F.End (); });
  size_t  This    = Read ([] (IfrBuilder &F) { F.This (); F.Uint8 (2); F.Operator (EFI_IFR_MULTIPLY_OP); });
  size_t  Undef   = Read ([] (IfrBuilder &F) { F.Uint8 (1); F.Operator (EFI_IFR_UNDEFINED_OP); });
  size_t  Unknown = Read ([] (IfrBuilder &F) { F.StringRef1 (kAlpha); });
  size_t  Not     = Read ([] (IfrBuilder &F) { F.Uint8 (1); F.Operator (EFI_IFR_BITWISE_NOT_OP); });
  size_t  Set     = Read ([] (IfrBuilder &F) { F.Uint8 (0x66); F.Set (1, 15, EFI_IFR_TYPE_NUM_SIZE_8); });

  Finish ();
  ExpectCell (RunMap (Get), EFI_IFR_TYPE_NUM_SIZE_64, 0x1235);
  ExpectCell (RunMap (Map), EFI_IFR_TYPE_NUM_SIZE_8, 20);
  ExpectCell (RunMap (NoMatch), EFI_IFR_TYPE_UNDEFINED, 0);
  ExpectCell (RunMap (This), EFI_IFR_TYPE_NUM_SIZE_64, 0x2468);
  ExpectCell (RunMap (Undef), EFI_IFR_TYPE_UNDEFINED, 0);
  ExpectCell (RunMap (Unknown), EFI_IFR_TYPE_UNDEFINED, 0);
  ExpectCell (RunMap (Not), EFI_IFR_TYPE_UNDEFINED, 0);
  ExpectCell (RunMap (Set), EFI_IFR_TYPE_BOOLEAN, 1);
  EXPECT_EQ (((UINT8 *)gVariableCache[0].Data)[15], 0x66);
}

}  // namespace
}  // namespace ExpressionTests

// The expression evaluator on sequences written with the IFR builder: every
// operator with its exact result cell (type and value), status and consumed
// length; question values by id; string operators; the FORM_MAP evaluator; and
// malformed or hostile sequences that must end with a status.
#include <engine/testing/ExpressionTestSupport.h>

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

// One expression's expected end: its status and, on success, its cell or its text.
struct RESULT {
  Op              Body;
  EFI_STATUS      Status = EFI_SUCCESS;
  UINT8           Type   = 0;
  UINT64          Value  = 0;
  const char16_t  *Text  = nullptr;
};

RESULT Is (Op Body, UINT8 Type, UINT64 Value) { return { Body, EFI_SUCCESS, Type, Value }; }
RESULT Fails (Op Body, EFI_STATUS Status) { return { Body, Status }; }
RESULT Reads (Op Body, const char16_t *Text) { return { Body, EFI_SUCCESS, EFI_IFR_TYPE_STRING, 0, Text }; }

class IfrExpressionTest : public ExpressionTest {
protected:
  // Builds every expression (each inside a SUPPRESS_IF), then runs each one.
  void ExpectResults (const std::vector<RESULT> &Cases)
  {
    std::vector<size_t>  At;

    for (const RESULT &Case : Cases) {
      At.push_back (Expr (Case.Body));
    }

    Finish ();
    for (size_t Index = 0; Index < Cases.size (); Index++) {
      const RESULT  &Case = Cases[Index];
      OUTCOME       O     = Run (At[Index]);

      SCOPED_TRACE ("expression " + std::to_string (Index));
      if (Case.Status != EFI_SUCCESS) {
        EXPECT_EQ (O.Status, Case.Status);
      } else if (Case.Text != nullptr) {
        ASSERT_EQ (O.Status, EFI_SUCCESS);
        EXPECT_EQ (O.Cell.Type, EFI_IFR_TYPE_STRING);
        EXPECT_EQ (TextOf (O.Cell), Case.Text);
      } else {
        ExpectCell (O, Case.Type, Case.Value);
      }
    }
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
  ExpectResults ({
    Is (Ops ({ EFI_IFR_TRUE_OP, EFI_IFR_FALSE_OP, EFI_IFR_AND_OP }), EFI_IFR_TYPE_BOOLEAN, 0),
    Is (Ops ({ EFI_IFR_TRUE_OP, EFI_IFR_FALSE_OP, EFI_IFR_OR_OP }), EFI_IFR_TYPE_BOOLEAN, 1),
    Is (Ops ({ EFI_IFR_FALSE_OP, EFI_IFR_NOT_OP }), EFI_IFR_TYPE_BOOLEAN, 1),
    Fails (Ops ({ EFI_IFR_ONE_OP, EFI_IFR_NOT_OP }), EFI_INVALID_PARAMETER),
    Fails (Ops ({ EFI_IFR_TRUE_OP, EFI_IFR_ONE_OP, EFI_IFR_AND_OP }), EFI_INVALID_PARAMETER),
  });
}

TEST_F (IfrExpressionTest, ComparisonsUseTheSignedDifference) {
  struct { UINT8 Opcode; bool ThreeFive; bool FiveFive; } const  Cases[] = {
    { EFI_IFR_EQUAL_OP, false, true },        { EFI_IFR_NOT_EQUAL_OP, true, false },
    { EFI_IFR_GREATER_THAN_OP, false, false }, { EFI_IFR_GREATER_EQUAL_OP, false, true },
    { EFI_IFR_LESS_THAN_OP, true, false },     { EFI_IFR_LESS_EQUAL_OP, true, true },
  };
  std::vector<RESULT>  Results = {
    // All ones minus zero is -1 as a signed difference, so ONES is not greater than ZERO.
    Is (Ops ({ EFI_IFR_ONES_OP, EFI_IFR_ZERO_OP, EFI_IFR_GREATER_THAN_OP }), EFI_IFR_TYPE_BOOLEAN, 0),
    Fails (Seq ({ Str (kAlpha), U8 (1), Ops ({ EFI_IFR_EQUAL_OP }) }), EFI_INVALID_PARAMETER),
    Fails (Ops ({ EFI_IFR_UNDEFINED_OP, EFI_IFR_ZERO_OP, EFI_IFR_EQUAL_OP }), EFI_INVALID_PARAMETER),
  };

  for (const auto &Case : Cases) {
    Results.push_back (Is (Seq ({ U8 (3), U8 (5), Ops ({ Case.Opcode }) }), EFI_IFR_TYPE_BOOLEAN, Case.ThreeFive));
    Results.push_back (Is (Seq ({ U8 (5), U8 (5), Ops ({ Case.Opcode }) }), EFI_IFR_TYPE_BOOLEAN, Case.FiveFive));
  }

  ExpectResults (Results);
}

TEST_F (IfrExpressionTest, StringsCompareByIdThenByText) {
  ExpectResults ({
    Is (Seq ({ Str (kAlpha), Str (kAlphaAgain), Ops ({ EFI_IFR_EQUAL_OP }) }), EFI_IFR_TYPE_BOOLEAN, 1),
    Is (Seq ({ Str (kBeta), Str (kAlpha), Ops ({ EFI_IFR_LESS_THAN_OP }) }), EFI_IFR_TYPE_BOOLEAN, 1),   // 'B' before 'a'
    Fails (Seq ({ Str (kAlpha), Str (0x7777), Ops ({ EFI_IFR_EQUAL_OP }) }), EFI_INVALID_PARAMETER),
  });
}

TEST_F (IfrExpressionTest, ArithmeticGivesU64) {
  struct { UINT8 Opcode; UINT64 Result; } const  Cases[] = {
    { EFI_IFR_ADD_OP, 10 },         { EFI_IFR_SUBTRACT_OP, 4 },    { EFI_IFR_MULTIPLY_OP, 21 },
    { EFI_IFR_DIVIDE_OP, 2 },       { EFI_IFR_MODULO_OP, 1 },      { EFI_IFR_BITWISE_AND_OP, 3 },
    { EFI_IFR_BITWISE_OR_OP, 7 },   { EFI_IFR_SHIFT_LEFT_OP, 56 }, { EFI_IFR_SHIFT_RIGHT_OP, 0 },
  };
  std::vector<RESULT>  Results = {
    Is (Seq ({ U8 (1), U8 (65), Ops ({ EFI_IFR_SHIFT_LEFT_OP }) }), EFI_IFR_TYPE_NUM_SIZE_64, 2),   // count's low 6 bits
    Is (Seq ({ U8 (0), U8 (1), Ops ({ EFI_IFR_SUBTRACT_OP }) }), EFI_IFR_TYPE_NUM_SIZE_64, ~0ULL),
    Is (Ops ({ EFI_IFR_ZERO_OP, EFI_IFR_BITWISE_NOT_OP }), EFI_IFR_TYPE_NUM_SIZE_64, ~0ULL),
    Is (Ops ({ EFI_IFR_TRUE_OP, EFI_IFR_TRUE_OP, EFI_IFR_ADD_OP }), EFI_IFR_TYPE_NUM_SIZE_64, 2),
    Fails (Seq ({ Str (kAlpha), U8 (1), Ops ({ EFI_IFR_ADD_OP }) }), EFI_INVALID_PARAMETER),
    Fails (Seq ({ U8 (7), Ops ({ EFI_IFR_ZERO_OP, EFI_IFR_DIVIDE_OP }) }), EFI_INVALID_PARAMETER),
    Fails (Seq ({ U8 (7), Ops ({ EFI_IFR_ZERO_OP, EFI_IFR_MODULO_OP }) }), EFI_INVALID_PARAMETER),
  };

  for (const auto &Case : Cases) {
    Results.push_back (Is (Seq ({ U8 (7), U8 (3), Ops ({ Case.Opcode }) }), EFI_IFR_TYPE_NUM_SIZE_64, Case.Result));
  }

  ExpectResults (Results);
}

// "C A B CONDITIONAL": a true C takes the value pushed last.
TEST_F (IfrExpressionTest, ConditionalTrueTakesTheTopValue) {
  ExpectResults ({
    Is (Seq ({ Ops ({ EFI_IFR_TRUE_OP }), U8 (1), U8 (2), Ops ({ EFI_IFR_CONDITIONAL_OP }) }), EFI_IFR_TYPE_NUM_SIZE_8, 2),
    Is (Seq ({ Ops ({ EFI_IFR_FALSE_OP }), U8 (1), U8 (2), Ops ({ EFI_IFR_CONDITIONAL_OP }) }), EFI_IFR_TYPE_NUM_SIZE_8, 1),
    Fails (Seq ({ U8 (1), U8 (1), U8 (2), Ops ({ EFI_IFR_CONDITIONAL_OP }) }), EFI_INVALID_PARAMETER),
    Is (Seq ({ U8 (5), Ops ({ EFI_IFR_DUP_OP, EFI_IFR_ADD_OP }) }), EFI_IFR_TYPE_NUM_SIZE_64, 10),
  });
}

TEST_F (IfrExpressionTest, ExactlyOneValueMustBeLeft) {
  ExpectResults ({
    Fails (Ops ({ EFI_IFR_TRUE_OP, EFI_IFR_TRUE_OP }), EFI_INVALID_PARAMETER),
    Fails (Ops ({}), EFI_INVALID_PARAMETER),
    Fails (Ops ({ EFI_IFR_TRUE_OP, EFI_IFR_AND_OP }), EFI_INVALID_PARAMETER),
  });
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
  ExpectResults ({
    Is ([] (IfrBuilder &F) { F.EqIdVal (1, 5); }, EFI_IFR_TYPE_BOOLEAN, 1),
    Is ([] (IfrBuilder &F) { F.EqIdVal (1, 6); }, EFI_IFR_TYPE_BOOLEAN, 0),
    Is ([] (IfrBuilder &F) { F.EqIdValList (2, { 1, 0x1234, 7 }); }, EFI_IFR_TYPE_BOOLEAN, 1),
    Is ([] (IfrBuilder &F) { F.EqIdValList (2, { 1, 7 }); }, EFI_IFR_TYPE_BOOLEAN, 0),
    Is ([] (IfrBuilder &F) { F.EqIdId (1, 1); }, EFI_IFR_TYPE_BOOLEAN, 1),
    Is ([] (IfrBuilder &F) { F.EqIdId (1, 2); }, EFI_IFR_TYPE_BOOLEAN, 0),
    Is ([] (IfrBuilder &F) { F.QuestionRef1 (2); }, EFI_IFR_TYPE_NUM_SIZE_64, 0x1234),
    Is ([] (IfrBuilder &F) { F.QuestionRef1 (3); F.Operator (EFI_IFR_NOT_OP); }, EFI_IFR_TYPE_BOOLEAN, 0),
    Is ([] (IfrBuilder &F) { F.Uint16 (2); F.QuestionRef2 (); }, EFI_IFR_TYPE_NUM_SIZE_64, 0x1234),
    Fails ([] (IfrBuilder &F) { F.Uint32 (70000); F.QuestionRef2 (); }, EFI_NOT_FOUND),
    Fails ([] (IfrBuilder &F) { F.QuestionRef1 (99); }, EFI_NOT_FOUND),
    Is ([] (IfrBuilder &F) { F.QuestionRef1 (6); }, EFI_IFR_TYPE_NUM_SIZE_64, 9),     // page 1 of the same package list
    Is ([] (IfrBuilder &F) { F.Uint8 (6); F.QuestionRef3_3 (0, kFormSetGuid); }, EFI_IFR_TYPE_NUM_SIZE_64, 9),
    Fails ([] (IfrBuilder &F) { F.Uint8 (6); F.QuestionRef3_3 (0, kListGuid); }, EFI_NOT_FOUND),
    Is ([] (IfrBuilder &F) { F.Uint8 (1); F.QuestionRef3 (); }, EFI_IFR_TYPE_NUM_SIZE_64, 5),
  });
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
  ExpectResults ({
    Reads (Seq ({ Str (kAlpha), Ops ({ EFI_IFR_TO_UPPER_OP }) }), u"ALPHA"),
    Reads (Seq ({ Str (kBeta), Ops ({ EFI_IFR_TO_LOWER_OP }) }), u"beta"),
    Is (Seq ({ Str (kPattern), Str (kAlpha), Ops ({ EFI_IFR_MATCH_OP }) }), EFI_IFR_TYPE_BOOLEAN, 1),
    Is (Seq ({ Str (kPattern), Str (kBeta), Ops ({ EFI_IFR_MATCH_OP }) }), EFI_IFR_TYPE_BOOLEAN, 0),
  });
}

TEST_F (IfrExpressionTest, ConversionsToNumbersAndBooleans) {
  ExpectResults ({
    Is (Seq ({ Str (kHex), Ops ({ EFI_IFR_TO_UINT_OP }) }), EFI_IFR_TYPE_NUM_SIZE_64, 0x1F),
    Is (Seq ({ Str (kDecimal), Ops ({ EFI_IFR_TO_UINT_OP }) }), EFI_IFR_TYPE_NUM_SIZE_64, 0),
    Is (Seq ({ U8 (200), Ops ({ EFI_IFR_TO_UINT_OP }) }), EFI_IFR_TYPE_NUM_SIZE_64, 200),
    Fails (Ops ({ EFI_IFR_UNDEFINED_OP, EFI_IFR_TO_UINT_OP }), EFI_UNSUPPORTED),
    Is (Seq ({ Str (kTrueText), Ops ({ EFI_IFR_TO_BOOLEAN_OP }) }), EFI_IFR_TYPE_BOOLEAN, 1),
    Is (Seq ({ Str (kFalseText), Ops ({ EFI_IFR_TO_BOOLEAN_OP }) }), EFI_IFR_TYPE_BOOLEAN, 0),
    Is (Seq ({ Str (kMaybe), Ops ({ EFI_IFR_TO_BOOLEAN_OP }) }), EFI_IFR_TYPE_OTHER, 0),
    Fails (Seq ({ Str (kMaybe), Ops ({ EFI_IFR_TO_BOOLEAN_OP, EFI_IFR_NOT_OP }) }), EFI_INVALID_PARAMETER),
    Is (Ops ({ EFI_IFR_ZERO_OP, EFI_IFR_TO_BOOLEAN_OP }), EFI_IFR_TYPE_BOOLEAN, 0),
  });
}

TEST_F (IfrExpressionTest, ToStringPrintsByFormat) {
  ExpectResults ({
    Reads ([] (IfrBuilder &F) { F.Uint8 (255); F.ToString (0); }, u"255"),
    Reads ([] (IfrBuilder &F) { F.Uint8 (255); F.ToString (2); }, u"ff"),
    Reads ([] (IfrBuilder &F) { F.Uint16 (0xBEEF); F.ToString (3); }, u"BEEF"),
    Reads ([] (IfrBuilder &F) { F.Operator (EFI_IFR_TRUE_OP); F.ToString (0); }, u"True"),
    Reads ([] (IfrBuilder &F) { F.Operator (EFI_IFR_FALSE_OP); F.ToString (0); }, u"False"),
    Is ([] (IfrBuilder &F) { F.StringRef1 (kBeta); F.ToString (0); }, EFI_IFR_TYPE_STRING, kBeta),
  });
}

TEST_F (IfrExpressionTest, SubstringsStayInsideTheirText) {
  ExpectResults ({
    Reads (Seq ({ Str (kAlpha), U8 (1), U8 (3), Ops ({ EFI_IFR_MID_OP }) }), u"lph"),
    Reads (Seq ({ Str (kAlpha), U8 (9), U8 (3), Ops ({ EFI_IFR_MID_OP }) }), u""),
    Reads ([] (IfrBuilder &F) { F.StringRef1 (kAlpha); F.Uint8 (2); F.Uint64 (~0ULL); F.Operator (EFI_IFR_MID_OP); }, u"pha"),
    Reads (Seq ({ Str (kTokens), Str (kComma), U8 (3), Ops ({ EFI_IFR_TOKEN_OP }) }), u"c"),
    Is (Seq ({ Str (kTokens), Str (kComma), U8 (2), Ops ({ EFI_IFR_TOKEN_OP, EFI_IFR_LENGTH_OP }) }), EFI_IFR_TYPE_NUM_SIZE_64, 0),
    Is (Seq ({ Str (kTokens), Str (kComma), U8 (9), Ops ({ EFI_IFR_TOKEN_OP, EFI_IFR_LENGTH_OP }) }), EFI_IFR_TYPE_NUM_SIZE_64, 0),
    Reads (Seq ({ Str (kAlpha), Str (kBeta), Ops ({ EFI_IFR_CATENATE_OP }) }), u"alphaBeta"),
  });
}

TEST_F (IfrExpressionTest, FindAndSpanGiveIndexes) {
  auto  Find = [] (EFI_STRING_ID In, EFI_STRING_ID What, UINT8 From, UINT8 Format) -> Op {
    return [=] (IfrBuilder &F) { F.StringRef1 (In); F.StringRef1 (What); F.Uint8 (From); F.Find (Format); };
  };
  auto  Span = [] (EFI_STRING_ID In, UINT8 Flags) -> Op {
    return [=] (IfrBuilder &F) { F.StringRef1 (In); F.StringRef1 (kRanges); F.Uint8 (0); F.Span (Flags); };
  };

  ExpectResults ({
    Is (Find (kAlpha, kPh, 0, 0), EFI_IFR_TYPE_NUM_SIZE_64, 2),
    Is (Find (kAlpha, kUpperPh, 0, 0), EFI_IFR_TYPE_NUM_SIZE_64, ~0ULL),
    Is (Find (kAlpha, kUpperPh, 0, 1), EFI_IFR_TYPE_NUM_SIZE_64, 2),
    Is (Find (kAlpha, kPh, 40, 0), EFI_IFR_TYPE_NUM_SIZE_64, ~0ULL),
    Fails (Find (kAlpha, kPh, 0, 2), EFI_INVALID_PARAMETER),
    Is (Span (kHex, 0), EFI_IFR_TYPE_NUM_SIZE_64, 5),            // "size 0x1f!": the '0'
    Is (Span (kDecimal, 1), EFI_IFR_TYPE_NUM_SIZE_64, ~0ULL),
  });
}

TEST_F (IfrExpressionTest, StringReferences) {
  ExpectResults ({
    Is ([] (IfrBuilder &F) { F.Uint16 (kBeta); F.StringRef2 (); }, EFI_IFR_TYPE_STRING, kBeta),
    Is ([] (IfrBuilder &F) { F.Uint16 (0x7777); F.StringRef2 (); F.Operator (EFI_IFR_LENGTH_OP); }, EFI_IFR_TYPE_NUM_SIZE_64, 0),
    Fails ([] (IfrBuilder &F) { F.Uint32 (0x10000); F.StringRef2 (); }, EFI_NOT_FOUND),
    Is ([] (IfrBuilder &F) { F.StringRef1 (kTokens); F.Operator (EFI_IFR_LENGTH_OP); }, EFI_IFR_TYPE_NUM_SIZE_64, 6),
  });
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

// While stacks are kept, evaluations borrow them: the same results, nested rules
// included, and no pool allocation once the pairs exist (each evaluation used to
// allocate and free two 100-cell stacks). After the keeping ends they are freed.
TEST_F (IfrExpressionTest, KeptStacksServeEveryEvaluationWithTheSameResults) {
  size_t  Rule = Forms.Rule (7);
  Forms.Uint8 (40);
  Forms.Uint8 (2);
  Forms.Operator (EFI_IFR_ADD_OP);
  Forms.End ();
  size_t  Uses    = Expr ([] (IfrBuilder &F) { F.RuleRef (7); F.Uint8 (1); F.Operator (EFI_IFR_ADD_OP); });
  size_t  Unknown = Expr ([] (IfrBuilder &F) { F.RuleRef (9); });

  Finish ({ { .Type = CONTROL_TYPE_RULE, .Condition = Rule, .QuestionId = 7 } });
  UINTN  Live = M.Memory ().LiveBlockCount ();

  IfrKeepEvaluationStacks ();
  IfrKeepEvaluationStacks ();                   // nested: the inner release keeps them
  ExpectCell (Run (Uses), EFI_IFR_TYPE_NUM_SIZE_64, 43);
  UINT64  Before = M.Memory ().AllocationCount ();
  for (int Round = 0; Round < 5; Round++) {
    ExpectCell (Run (Uses), EFI_IFR_TYPE_NUM_SIZE_64, 43);
    EXPECT_EQ (Run (Unknown).Status, EFI_NOT_FOUND);
  }

  EXPECT_EQ (M.Memory ().AllocationCount (), Before);
  IfrReleaseEvaluationStacks ();
  EXPECT_GT (M.Memory ().LiveBlockCount (), Live);
  IfrReleaseEvaluationStacks ();
  EXPECT_EQ (M.Memory ().LiveBlockCount (), Live);
  ExpectCell (Run (Uses), EFI_IFR_TYPE_NUM_SIZE_64, 43);
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

// Condition states of controls in nests written with the IFR builder (gray inside
// suppress and the reverse, disable, siblings, failing expressions, deep nests),
// the access rule, the page checks and the message box they ask for, FORM_MAP
// reads, option conditions and defaults given by expressions.
#include <engine/testing/ExpressionTestSupport.h>

#include <engine/forms/QuestionAccess.h>
#include <engine/forms/QuestionConditions.h>
#include <engine/post/BootScreen.h>
#include <Resources/EngineStringPackage.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace ExpressionTests {
namespace {

std::vector<std::pair<std::u16string, std::u16string>>  gShown;

EFI_STATUS EFIAPI
RecordMessageBox (CHAR16 *Title, CHAR16 *Message, UINT8 BoxType, UINT8 *Selection)
{
  EXPECT_EQ (BoxType, 0);
  *Selection = 0;
  gShown.push_back ({ Title, Message });
  return EFI_SUCCESS;
}

class QuestionConditionsTest : public ExpressionTest {
protected:
  void SetUp () override
  {
    ExpressionTest::SetUp ();
    gShown.clear ();
    ASSERT_EQ (gHiiDatabase->NewPackageList (gHiiDatabase, (CONST EFI_HII_PACKAGE_LIST_HEADER *)gSetupEngineStringPackageList,
                 nullptr, &gHiiHandle), EFI_SUCCESS);
  }

  void TearDown () override
  {
    gAccessLevel = 0;
    gHiiHandle   = nullptr;
    ExpressionTest::TearDown ();
  }

  // The boot-screen interface with only its message box answering.
  void InstallBootScreen ()
  {
    const EFI_GUID  Guid = BOOT_SCREEN_INTERFACE_GUID;
    EFI_HANDLE      Screen = nullptr;

    mScreen.ShowBootScreenMessageBox = RecordMessageBox;
    ASSERT_EQ (M.Protocols ().Install (&Screen, &Guid, &mScreen), EFI_SUCCESS);
  }

  UINT8 State (size_t Condition, size_t Question, UINT32 Flags = CONTROL_FLAG_VALID)
  {
    CONTROL_RECORD  C = At0 (Condition, Question);
    C.Flags = Flags;
    return EvaluateControlCondition (&C);
  }

  // A condition opener with its expression: EQ_ID_VAL of question 1 (value 5).
  size_t Open (size_t (IfrBuilder::*Opener) (), bool Holds)
  {
    size_t  At = (Forms.*Opener) ();
    Forms.EqIdVal (1, Holds ? 5 : 6);
    return At;
  }

  size_t Question (UINT16 Id = 20) { return Forms.Checkbox (Q (Id, 0), 0, false); }

  BOOT_SCREEN_INTERFACE  mScreen {};
};

TEST_F (QuestionConditionsTest, NestsCombineFromTheInnermostOut) {
  using OPENER = size_t (IfrBuilder::*) ();
  const OPENER  Suppress = &IfrBuilder::SuppressIf;
  const OPENER  Gray     = &IfrBuilder::GrayOutIf;
  const struct {
    std::vector<std::pair<OPENER, bool>>  Nest;      // outermost first, each with whether it holds
    UINT8                                 Expected;
    const char                            *What;
  } Rows[] = {
    { { { Suppress, true }, { Gray, true } }, CONDITION_STATE_SUPPRESSED, "gray inside a true suppress" },
    { { { Suppress, false }, { Gray, true } }, CONDITION_STATE_GRAYED_OUT, "true gray inside a false suppress" },
    { { { Gray, true }, { Suppress, true } }, CONDITION_STATE_SUPPRESSED, "true suppress inside a true gray" },
    { { { Gray, true }, { Suppress, false } }, CONDITION_STATE_GRAYED_OUT, "false suppress inside a true gray" },
    { { { &IfrBuilder::DisableIf, true } }, CONDITION_STATE_SUPPRESSED, "a true disable" },
    { { { Suppress, false }, { Gray, false } }, CONDITION_STATE_SHOWN, "both false" },
    { { { Suppress, false }, { Suppress, true }, { Gray, true } }, CONDITION_STATE_SUPPRESSED,
      "a true suppress around a true gray, both nested" },
  };
  std::vector<std::pair<size_t, size_t>>  Built;     // the outermost condition and the question

  for (const auto &Row : Rows) {
    size_t  Outer = Open (Row.Nest[0].first, Row.Nest[0].second);
    for (size_t Level = 1; Level < Row.Nest.size (); Level++) {
      Open (Row.Nest[Level].first, Row.Nest[Level].second);
    }
    Built.push_back ({ Outer, Question () });
    for (size_t Level = 0; Level < Row.Nest.size (); Level++) {
      Forms.End ();
    }
  }

  Finish ();
  for (size_t Index = 0; Index < Built.size (); Index++) {
    EXPECT_EQ (State (Built[Index].first, Built[Index].second), Rows[Index].Expected) << Rows[Index].What;
  }
  EXPECT_EQ (State (0, Built[5].second), CONDITION_STATE_SHOWN) << "no condition";
}

TEST_F (QuestionConditionsTest, ClosedAndFailedScopesAreSteppedOver) {
  size_t  Outer = Open (&IfrBuilder::SuppressIf, false);
  Open (&IfrBuilder::GrayOutIf, true);
  Question (21);
  Forms.End ();
  Forms.Subtitle (1, 2, 0, true);     // a scope that holds the question is entered
  size_t  Target = Question ();
  Forms.End ();
  Forms.End ();
  // A suppress whose expression fails counts as false, its whole scope stepped over.
  size_t  Failing = Forms.SuppressIf ();
  Forms.Uint8 (1);
  Forms.Operator (EFI_IFR_ZERO_OP);
  Forms.Operator (EFI_IFR_DIVIDE_OP);
  Open (&IfrBuilder::GrayOutIf, true);
  size_t  Hidden = Question (22);
  Forms.End ();
  Forms.End ();

  Finish ();
  EXPECT_EQ (State (Outer, Target), CONDITION_STATE_SHOWN) << "the gray around a sibling closed before it";
  EXPECT_EQ (State (Failing, Hidden), CONDITION_STATE_SHOWN);
}

TEST_F (QuestionConditionsTest, DeepNestsStopAtFiftyFrames) {
  size_t  Deep = Forms.SuppressIf ();
  Forms.Operator (EFI_IFR_FALSE_OP);
  for (int Level = 1; Level < 40; Level++) {
    Forms.SuppressIf ();
    Forms.Operator (EFI_IFR_FALSE_OP);
  }

  Open (&IfrBuilder::GrayOutIf, true);
  size_t  Inner = Question ();
  for (int Level = 0; Level < 41; Level++) {
    Forms.End ();
  }

  size_t  TooDeep = Forms.SuppressIf ();
  Forms.Operator (EFI_IFR_FALSE_OP);
  for (int Level = 1; Level < 60; Level++) {
    Forms.SuppressIf ();
    Forms.Operator (EFI_IFR_FALSE_OP);
  }

  Open (&IfrBuilder::GrayOutIf, true);
  size_t  Lost = Question ();
  for (int Level = 0; Level < 61; Level++) {
    Forms.End ();
  }

  Finish ();
  EXPECT_EQ (State (Deep, Inner), CONDITION_STATE_GRAYED_OUT);
  EXPECT_EQ (State (TooDeep, Lost), CONDITION_STATE_SHOWN);
}

TEST_F (QuestionConditionsTest, MalformedNestsEndTheWalk) {
  size_t  Broken = Forms.SuppressIf ();
  Forms.Operator (EFI_IFR_FALSE_OP);
  Forms.ZeroLengthOp (EFI_IFR_GRAY_OUT_IF_OP);
  size_t  After = Forms.NextOffset ();
  Forms.Operator (EFI_IFR_TRUE_OP);
  Forms.End ();
  size_t  Cut = Forms.SuppressIf ();
  Forms.Operator (EFI_IFR_FALSE_OP);
  Forms.OpWithLength (EFI_IFR_GRAY_OUT_IF_OP, 0x7F, {}, true);

  Finish ();
  EXPECT_EQ (State (Broken, After), CONDITION_STATE_SHOWN);
  EXPECT_EQ (State (Cut, 0), CONDITION_STATE_SHOWN);
  EXPECT_EQ (IsConditionOpcode (At (Cut)), Package.size () - Cut) << "no END: up to the package end";
}

// The access bits overrule every condition, suppress included.
TEST_F (QuestionConditionsTest, AccessBitsDecideAtUserLevel) {
  size_t  Suppress = Open (&IfrBuilder::SuppressIf, true);
  size_t  Q1       = Question ();
  Forms.End ();
  const UINT32  Grayed = CONTROL_FLAG_VALID | (2 << CONTROL_FLAG_ACCESS_SHIFT);
  const UINT32  Hidden = CONTROL_FLAG_VALID | (3 << CONTROL_FLAG_ACCESS_SHIFT);
  const UINT32  Other  = CONTROL_FLAG_VALID | (1 << CONTROL_FLAG_ACCESS_SHIFT);

  Finish ();
  gAccessLevel = ACCESS_LEVEL_USER;
  EXPECT_EQ (State (0, Q1, Hidden), CONDITION_STATE_SUPPRESSED);
  EXPECT_EQ (State (0, Q1, Grayed), CONDITION_STATE_GRAYED_OUT);
  EXPECT_EQ (State (Suppress, Q1, Other), CONDITION_STATE_SHOWN);
  EXPECT_EQ (State (Suppress, Q1), CONDITION_STATE_SUPPRESSED);
  gAccessLevel = 2;
  EXPECT_EQ (State (Suppress, Q1, Hidden), CONDITION_STATE_SHOWN);
  EXPECT_EQ (State (0, Q1, Grayed), CONDITION_STATE_SHOWN);
}

TEST_F (QuestionConditionsTest, InconsistencyShowsTheDriversErrorString) {
  size_t  Check = Forms.InconsistentIf (kError);
  Forms.EqIdVal (1, 5);
  Forms.End ();

  Finish ({ { .Type = CONTROL_TYPE_INCONSISTENT_IF, .Condition = Check } });
  InstallBootScreen ();
  EXPECT_EQ (EvaluateControlCondition (PageControl (0, 4)), CONDITION_STATE_INCONSISTENT);
  EXPECT_TRUE (CheckPageInconsistency (0));
  ASSERT_EQ (gShown.size (), 1u);
  EXPECT_EQ (gShown[0].first, u"Inconsistency error");
  EXPECT_EQ (gShown[0].second, u"Values do not agree");
  EXPECT_FALSE (CheckPageInconsistency (1));
  EXPECT_FALSE (CheckNoSubmit ());
  EXPECT_EQ (gShown.size (), 1u);
}

TEST_F (QuestionConditionsTest, InconsistencyWithoutErrorStringShowsTheTitleAlone) {
  size_t  Check = Forms.InconsistentIf (0xFFFF);
  Forms.Operator (EFI_IFR_TRUE_OP);
  Forms.End ();
  size_t  Quiet = Forms.InconsistentIf (kError);
  Forms.EqIdVal (1, 6);
  Forms.End ();

  Finish ({ { .Type = CONTROL_TYPE_INCONSISTENT_IF, .Condition = Quiet },
            { .Type = CONTROL_TYPE_INCONSISTENT_IF, .Condition = Check } });
  InstallBootScreen ();
  EXPECT_TRUE (CheckPageInconsistency (0));
  ASSERT_EQ (gShown.size (), 1u);
  EXPECT_EQ (gShown[0].first, u"Inconsistency error");
  EXPECT_EQ (gShown[0].second, u"");
}

// Settings must not be saved while a no-submit check holds, shown or not.
TEST_F (QuestionConditionsTest, NoSubmitHoldsWithOrWithoutTheBootScreen) {
  size_t  Check = Forms.NoSubmitIf (kError);
  Forms.EqIdVal (1, 5);
  Forms.End ();

  Finish ({ { .Type = CONTROL_TYPE_NO_SUBMIT_IF, .Condition = Check } });
  EXPECT_TRUE (CheckNoSubmit ());
  EXPECT_TRUE (gShown.empty ());
  InstallBootScreen ();
  EXPECT_TRUE (CheckNoSubmit ());
  ASSERT_EQ (gShown.size (), 1u);
  EXPECT_EQ (gShown[0].first, u"Submit error");
  EXPECT_EQ (gShown[0].second, u"Values do not agree");
  EXPECT_FALSE (CheckPageInconsistency (0));
}

// Checks inside a question that sits in a condition point at that condition; each is
// found by its place among the page's checks under it.
TEST_F (QuestionConditionsTest, ChecksInsideConditionedQuestionsStillHold) {
  size_t  Outer = Open (&IfrBuilder::SuppressIf, false);
  Forms.Numeric (Q (26, 15), EFI_IFR_NUMERIC_SIZE_1, 0, 99, 1, true);
  Forms.InconsistentIf (kError);
  Forms.Operator (EFI_IFR_FALSE_OP);
  Forms.End ();
  Forms.InconsistentIf (kError);
  Forms.EqIdVal (1, 5);
  Forms.End ();
  Forms.End ();
  Forms.End ();
  size_t  Hidden = Open (&IfrBuilder::SuppressIf, true);
  Forms.Numeric (Q (27, 15), EFI_IFR_NUMERIC_SIZE_1, 0, 99, 1, true);
  Forms.InconsistentIf (kError);
  Forms.Operator (EFI_IFR_TRUE_OP);
  Forms.End ();
  Forms.End ();
  Forms.End ();

  Finish ({ { .Type = CONTROL_TYPE_INCONSISTENT_IF, .Condition = Outer },
            { .Type = CONTROL_TYPE_INCONSISTENT_IF, .Condition = Outer },
            { .Type = CONTROL_TYPE_INCONSISTENT_IF, .Condition = Hidden } });
  EXPECT_EQ (EvaluateControlCondition (PageControl (0, 4)), CONDITION_STATE_SHOWN);
  EXPECT_EQ (EvaluateControlCondition (PageControl (0, 5)), CONDITION_STATE_INCONSISTENT);
  EXPECT_EQ (EvaluateControlCondition (PageControl (0, 6)), CONDITION_STATE_SUPPRESSED);
  InstallBootScreen ();
  EXPECT_TRUE (CheckPageInconsistency (0));
  ASSERT_EQ (gShown.size (), 1u);
  EXPECT_EQ (gShown[0].second, u"Values do not agree");
}

TEST_F (QuestionConditionsTest, FormMapReadsWriteTheQuestion) {
  size_t  Mapped = Forms.Numeric (Q (21, 15), EFI_IFR_NUMERIC_SIZE_1, 0, 99, 1, true);
  Forms.Op (EFI_IFR_READ_OP, {}, true);
  Forms.Uint8 (40);
  Forms.Uint8 (2);
  Forms.Operator (EFI_IFR_ADD_OP);
  Forms.End ();
  Forms.End ();

  Finish ({ { .Type = CONTROL_TYPE_NUMERIC, .Question = Mapped, .Flags = CONTROL_FLAG_VALID | CONTROL_FLAG_FORM_MAP_ACCESS },
            { .Type = CONTROL_TYPE_NUMERIC, .Question = Mapped } });
  EXPECT_EQ (EvaluateControlCondition (PageControl (0, 5)), CONDITION_STATE_SHOWN);
  EXPECT_EQ (((UINT8 *)gVariableCache[0].Data)[15], 9) << "without the flag nothing is read";
  gSetupVariableChanged = 0;
  EXPECT_EQ (EvaluateControlCondition (PageControl (0, 4)), CONDITION_STATE_SHOWN);
  EXPECT_EQ (((UINT8 *)gVariableCache[0].Data)[15], 42);
  // Every evaluation writes the read value again, so the settings count as changed.
  EXPECT_EQ (gSetupVariableChanged, 1);
}

TEST_F (QuestionConditionsTest, OptionsTakeTheStateOfTheirCondition) {
  size_t  List   = Forms.OneOf (Q (23, 0), EFI_IFR_NUMERIC_SIZE_1, 0, 0, 0, true);
  size_t  Hiding = Open (&IfrBuilder::SuppressIf, true);
  size_t  Gone   = Forms.OneOfOption (1, 0, EFI_IFR_TYPE_NUM_SIZE_8, 1);
  Forms.End ();
  size_t  Keeping = Open (&IfrBuilder::SuppressIf, false);
  size_t  Kept    = Forms.OneOfOption (2, 0, EFI_IFR_TYPE_NUM_SIZE_8, 2);
  Forms.End ();
  Forms.End ();

  Finish ({ { .Type = CONTROL_TYPE_ONE_OF, .Question = List } });
  EXPECT_EQ (EvaluateOptionCondition (PageControl (0, 4), At (Hiding), At (Gone)), CONDITION_STATE_SUPPRESSED);
  EXPECT_EQ (EvaluateOptionCondition (PageControl (0, 4), At (Keeping), At (Kept)), CONDITION_STATE_SHOWN);
  EXPECT_EQ (EvaluateOptionCondition (PageControl (0, 4), nullptr, At (Kept)), CONDITION_STATE_SHOWN);

  UINT8  Type = 0;
  UINTN  Size = 0;
  EXPECT_EQ (CountQuestionOptions (PageControl (0, 4), &Type, &Size), 1u);
}

TEST_F (QuestionConditionsTest, DefaultsFromExpressionsTakeTheQuestionsWidth) {
  size_t  Numeric = Forms.Numeric (Q (24, 1), EFI_IFR_NUMERIC_SIZE_2, 0, 0xFFFF, 1, true);
  Forms.DefaultExpression (0, EFI_IFR_TYPE_NUM_SIZE_16);
  Forms.Value ();
  Forms.This ();
  Forms.Uint8 (2);
  Forms.Operator (EFI_IFR_ADD_OP);
  Forms.End ();
  Forms.End ();
  Forms.End ();
  size_t  Plain = Forms.Numeric (Q (25, 1), EFI_IFR_NUMERIC_SIZE_2, 0, 0xFFFF, 1, true);
  Forms.Default (0, EFI_IFR_TYPE_NUM_SIZE_16, 3);
  Forms.End ();
  const UINT32  Expression = CONTROL_FLAG_VALID | CONTROL_FLAG_DEFAULT_EXPRESSION;

  Finish ({ { .Type = CONTROL_TYPE_NUMERIC, .Question = Numeric, .Flags = Expression },
            { .Type = CONTROL_TYPE_NUMERIC, .Question = Numeric },
            { .Type = CONTROL_TYPE_NUMERIC, .Question = Plain, .Flags = Expression } });
  UINT8  Value[EXPRESSION_DEFAULT_MAX] = {};
  ASSERT_EQ (GetDefaultFromExpression (PageControl (0, 4), Value), 2u);
  EXPECT_EQ (Value[0], 0x36);     // THIS (0x1234) + 2, in the question's two bytes
  EXPECT_EQ (Value[1], 0x12);
  EXPECT_EQ (Value[2], 0);
  EXPECT_EQ (GetDefaultFromExpression (PageControl (0, 5), Value), 0u);
  EXPECT_EQ (GetDefaultFromExpression (PageControl (0, 6), Value), 0u);
}

TEST_F (QuestionConditionsTest, ConditionOpcodesGiveTheirScopeLength) {
  size_t  Suppress = Open (&IfrBuilder::SuppressIf, true);
  Question ();
  Forms.End ();
  size_t  After = Forms.NextOffset ();
  size_t  NoSubmit = Forms.NoSubmitIf (kError);
  Forms.Operator (EFI_IFR_TRUE_OP);
  Forms.End ();
  size_t  Text = Forms.Text (1, 2);

  Finish ();
  EXPECT_EQ (IsConditionOpcode (At (Suppress)), After - Suppress);
  EXPECT_EQ (IsConditionOpcode (At (NoSubmit)), 4u + 2u + 2u);
  EXPECT_EQ (IsConditionOpcode (At (Text)), 0u);
  EXPECT_EQ (IsConditionOpcode (nullptr), 0u);
}

}  // namespace
}  // namespace ExpressionTests

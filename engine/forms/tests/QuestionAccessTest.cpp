// Question fields read from IFR opcodes written by the IFR builder: string ids,
// limits and widths of every question kind for all four numeric sizes, storage
// offsets, value sizes, option lists under SUPPRESS_IF and the simple condition
// helpers, and walks that stop at the end of the package copy.
#include <engine/testing/QuestionTestSupport.h>

#include <engine/forms/QuestionAccess.h>
#include <engine/core/SetupData.h>
#include <engine/variables/VariableCache.h>
#include <engine/core/VariableGuids.h>
#include <Library/BaseLib.h>
#include <Library/MemoryAllocationLib.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using Builders::IFR_QUESTION;

const EFI_GUID  kStoreGuid = ENGINE_SETTINGS_VARIABLE_GUID;

IFR_QUESTION
Q (UINT16 Id, UINT16 Offset = 0, UINT8 Flags = 0, UINT16 VarStoreId = 1)
{
  return { .Prompt = (EFI_STRING_ID)(0x100 + Id), .Help = (EFI_STRING_ID)(0x200 + Id), .QuestionId = Id,
           .VarStoreId = VarStoreId, .VarOffset = Offset, .Flags = Flags };
}

class QuestionFieldTest : public QuestionTest {
protected:
  UINT64 ValueSize (size_t Offset, UINT16 Type)
  {
    CONTROL_RECORD  C = Control (Offset, Type);
    return GetControlValueSize (&C);
  }
};

TEST_F (QuestionFieldTest, NumericLimitsFollowTheSizeBitsForAllFourSizes) {
  struct { UINT8 Size; UINT64 Min, Max, Step; } const  Cases[] = {
    { 0, 0x12, 0xFE, 0x03 },
    { 1, 0x1234, 0xFEDC, 0x0102 },
    { 2, 0x12345678, 0xFEDCBA98, 0x01020304 },
    { 3, 0x123456789ABCDEF0ull, 0xFEDCBA9876543210ull, 0x0102030405060708ull },
  };

  for (const auto &Case : Cases) {
    Builders::IfrBuilder  Forms;
    size_t                At = Forms.Numeric (Q (1), Case.Size, Case.Min, Case.Max, Case.Step, false);
    UsePackage (Forms);
    EXPECT_EQ (GetQuestionMinimum (this->At (At)), Case.Min) << (int)Case.Size;
    EXPECT_EQ (GetQuestionMaximum (this->At (At)), Case.Max) << (int)Case.Size;
    EXPECT_EQ (GetQuestionStep (this->At (At)), Case.Step) << (int)Case.Size;
    EXPECT_EQ (GetQuestionWidth (this->At (At)), 1u << Case.Size);
  }
}

// The size is bits 0-1 of the flags only: display bits (0x10, 0x20) or a stray bit 2
// once made a width of 32 or more bytes.
TEST_F (QuestionFieldTest, DisplayAndStrayFlagBitsNeverChangeTheSize) {
  Builders::IfrBuilder  Forms;
  size_t                Hex     = Forms.Numeric (Q (1), EFI_IFR_DISPLAY_UINT_HEX | EFI_IFR_NUMERIC_SIZE_2, 1, 0x1234, 1, false);
  size_t                OneOf   = Forms.OneOf (Q (2), 0x04 | EFI_IFR_NUMERIC_SIZE_2, 0, 0, 0, false);
  size_t                Numeric = Forms.Numeric (Q (3), 0x0C | EFI_IFR_NUMERIC_SIZE_1, 7, 9, 1, false);

  UsePackage (Forms);
  EXPECT_EQ (GetQuestionWidth (At (Hex)), 2);
  EXPECT_EQ (GetQuestionMaximum (At (Hex)), 0x1234u);
  EXPECT_EQ (GetQuestionWidth (At (OneOf)), 2);
  EXPECT_EQ (GetQuestionWidth (At (Numeric)), 1);
  EXPECT_EQ (GetQuestionMaximum (At (Numeric)), 9u);
}

TEST_F (QuestionFieldTest, EveryQuestionKindHasItsWidthAndRange) {
  Builders::IfrBuilder  Forms;
  size_t                OneOf    = Forms.OneOf (Q (1), EFI_IFR_NUMERIC_SIZE_8, 0, 0, 0, false);
  size_t                Checkbox = Forms.Checkbox (Q (2), 0, false);
  size_t                Password = Forms.Password (Q (3), 6, 20, false);
  size_t                String   = Forms.String (Q (4), 2, 16, 0, false);
  size_t                Date     = Forms.Date (Q (5), 0, false);
  size_t                Time     = Forms.Time (Q (6), 0, false);
  size_t                Action   = Forms.Action (Q (7), 0x30);
  size_t                Text     = Forms.Text (0x11, 0x12);
  size_t                List     = Forms.OrderedList (Q (8), 5, 0, false);

  UsePackage (Forms);
  EXPECT_EQ (GetQuestionWidth (At (OneOf)), 8);
  EXPECT_EQ (GetQuestionWidth (At (Checkbox)), 1);
  EXPECT_EQ (GetQuestionWidth (At (Password)), 40);
  EXPECT_EQ (GetQuestionMinimum (At (Password)), 6u);
  EXPECT_EQ (GetQuestionMaximum (At (Password)), 20u);
  EXPECT_EQ (GetQuestionWidth (At (String)), 32);
  EXPECT_EQ (GetQuestionMinimum (At (String)), 2u);
  EXPECT_EQ (GetQuestionMaximum (At (String)), 16u);
  EXPECT_EQ (GetQuestionWidth (At (Date)), 4);
  EXPECT_EQ (GetQuestionWidth (At (Time)), 3);
  EXPECT_EQ (GetQuestionWidth (At (Action)), 0);
  EXPECT_EQ (GetQuestionWidth (At (Text)), 0);
  EXPECT_EQ (GetQuestionWidth (At (List)), 0);
  EXPECT_EQ (GetQuestionStep (At (Password)), 0u);
  EXPECT_EQ (GetQuestionMinimum (At (Checkbox)), 0u);
  EXPECT_EQ (GetQuestionWidth (nullptr), 0);
}

TEST_F (QuestionFieldTest, StringIdsOfQuestionsFormsAndSubtitles) {
  Builders::IfrBuilder  Forms;
  size_t                Set      = Forms.FormSet (kStoreGuid, 0x41, 0x42, {});
  size_t                Form     = Forms.Form (1, 0x43);
  size_t                Subtitle = Forms.Subtitle (0x44, 0x45);
  size_t                Text     = Forms.Text (0x46, 0x47);
  size_t                OneOf    = Forms.OneOf (Q (9), 0, 0, 0, 0, false);
  size_t                Reset    = Forms.ResetButton (0x48, 0x49, 0);

  UsePackage (Forms);
  EXPECT_EQ (GetTitleToken (At (Set)), 0x41);
  EXPECT_EQ (GetTitleToken (At (Form)), 0x43);
  EXPECT_EQ (GetTitleToken (At (Subtitle)), 0x44);
  EXPECT_EQ (GetTitleToken (At (OneOf)), 0);
  EXPECT_EQ (GetHelpToken (At (Text)), 0x47);
  EXPECT_EQ (GetPromptToken (At (Text)), 0);          // a TEXT gives its help only
  EXPECT_EQ (GetPromptToken (At (OneOf)), 0x109);
  EXPECT_EQ (GetHelpToken (At (OneOf)), 0x209);
  EXPECT_EQ (GetPromptToken (At (Reset)), 0x48);
  EXPECT_EQ (GetHelpToken (At (Reset)), 0x49);
  EXPECT_EQ (GetHelpToken (At (Subtitle)), 0);
  EXPECT_EQ (GetHelpToken (nullptr), 0);
}

TEST_F (QuestionFieldTest, ValueSizeByControlType) {
  Builders::IfrBuilder  Forms;
  size_t                Numeric = Forms.Numeric (Q (1), EFI_IFR_NUMERIC_SIZE_2, 0, 9, 1, false);
  size_t                List    = Forms.OrderedList (Q (2), 7, 0, false);
  size_t                String  = Forms.String (Q (3), 1, 10, 0, false);

  UsePackage (Forms);
  EXPECT_EQ (ValueSize (Numeric, CONTROL_TYPE_TEXT), 2u);
  EXPECT_EQ (ValueSize (Numeric, CONTROL_TYPE_DATE), 4u);
  EXPECT_EQ (ValueSize (Numeric, CONTROL_TYPE_TIME), 3u);
  EXPECT_EQ (ValueSize (Numeric, CONTROL_TYPE_NUMERIC), 2u);
  EXPECT_EQ (ValueSize (String, CONTROL_TYPE_STRING), 20u);
  EXPECT_EQ (ValueSize (List, CONTROL_TYPE_ORDERED_LIST), 7u);
  EXPECT_EQ (ValueSize (Numeric, CONTROL_TYPE_REF), 0u);
  EXPECT_EQ (ValueSize (Numeric, CONTROL_TYPE_ACTION), 0u);
}

TEST_F (QuestionFieldTest, EnginePasswordVariablesHoldEncodedValues) {
  CONTROL_RECORD  C {};

  for (UINT32 Index : { 5u, 6u }) {
    C.VariableIndex = Index;
    EXPECT_TRUE (IsEncodedPasswordQuestion (&C));
  }
  for (UINT32 Index : { 0u, 4u, 7u }) {
    C.VariableIndex = Index;
    EXPECT_FALSE (IsEncodedPasswordQuestion (&C));
  }
}

//
// Storage offsets and the name/value exception, on compiled setup data.
//
class QuestionOffsetTest : public QuestionTest {
protected:
  void LoadBoard (UINT32 StoreFlags)
  {
    Builders::SETUP_DATA_DESC  D;

    D.Variables = { { .VendorGuid = kStoreGuid, .Name = u"Setup", .StoreFlags = VARIABLE_STORE_EFI, .Size = 8 },
                    { .VendorGuid = kStoreGuid, .Name = u"Speed", .VariableId = 7, .StoreFlags = StoreFlags, .Size = 2 } };
    D.Pages     = { { .FormId = 1 }, { .FormId = 2 } };
    D.FormSets  = { {} };
    LoadSetupData (D);
    PAGE_RECORD  *Page;
    ASSERT_EQ (GetPageData (1, &Page), EFI_SUCCESS);
    Page->HiiHandle                  = (EFI_HII_HANDLE)(UINTN)0x77;
    GetVariableRecord (1)->HiiHandle = (EFI_HII_HANDLE)(UINTN)0x77;
  }
};

TEST_F (QuestionOffsetTest, NameValueQuestionsOfTheCurrentPageHaveOffsetZero) {
  Builders::IfrBuilder  Forms;
  size_t                Named = Forms.Numeric (Q (1, 0x0123, 0, 7), 1, 0, 9, 1, false);
  size_t                Plain = Forms.Numeric (Q (2, 0x0010, 0, 1), 1, 0, 9, 1, false);
  size_t                Reset = Forms.ResetButton (1, 2, 0);

  UsePackage (Forms);
  LoadBoard (VARIABLE_STORE_NAME_VALUE);
  gDefaultBuildPage = 1;
  EXPECT_EQ (GetQuestionOffset (At (Named)), 0);
  EXPECT_EQ (GetQuestionOffset (At (Plain)), 0x10);
  EXPECT_EQ (GetQuestionOffset (At (Reset)), 0);
  // On a page of another package list the same VarStoreId is a plain offset.
  gDefaultBuildPage = 0;
  EXPECT_EQ (GetQuestionOffset (At (Named)), 0x0123);
}

TEST_F (QuestionOffsetTest, BufferStoresKeepTheirOffsets) {
  Builders::IfrBuilder  Forms;
  size_t                Named = Forms.Numeric (Q (1, 0x0123, 0, 7), 1, 0, 9, 1, false);

  UsePackage (Forms);
  LoadBoard (0);
  gDefaultBuildPage = 1;
  EXPECT_EQ (GetQuestionOffset (At (Named)), 0x0123);
}

//
// Options.
//
class QuestionOptionTest : public QuestionTest {
protected:
  UINTN Count (size_t Offset, UINT16 Type, UINT8 *ValueType, UINTN *ValueSize)
  {
    CONTROL_RECORD  C = Control (Offset, Type);
    return CountQuestionOptions (&C, ValueType, ValueSize);
  }

  // What GetQuestionOptions hands back; the lists are freed by the next call.
  struct OPTIONS {
    EFI_HII_HANDLE  Handle   = nullptr;
    UINT16          *Tokens  = nullptr;
    UINT64          *Values  = nullptr;
    UINTN           Count    = 99;
    UINT8           Callback = 9;
    UINT16          Id       = 0;

    EFI_STATUS Get (const CONTROL_RECORD &C)
    {
      return GetQuestionOptions (&C, &Handle, &Tokens, &Values, &Count, &Callback, &Id);
    }

    ~OPTIONS () { FreePool (Tokens); FreePool (Values); }
  };

  std::vector<std::pair<UINT16, UINT64>> Options (const CONTROL_RECORD &C)
  {
    OPTIONS  Out;

    EXPECT_EQ (Out.Get (C), EFI_SUCCESS);
    std::vector<std::pair<UINT16, UINT64>>  List;
    for (UINTN Index = 0; Index < Out.Count; Index++) {
      List.emplace_back (Out.Tokens[Index], Out.Values[Index]);
    }
    return List;
  }
};

TEST_F (QuestionOptionTest, OptionUnderAHoldingSuppressIfIsNotOffered) {
  Builders::IfrBuilder  Forms;
  size_t                OneOf = Forms.OneOf (Q (1), 0, 0, 0, 0);

  Forms.OneOfOption (0x10, 0, EFI_IFR_TYPE_NUM_SIZE_8, 1);
  Forms.SuppressIf ();
  Forms.Operator (EFI_IFR_TRUE_OP);
  Forms.OneOfOption (0x11, 0, EFI_IFR_TYPE_NUM_SIZE_8, 2);
  Forms.SuppressIf ();                                   // nested: only counted
  Forms.Operator (EFI_IFR_FALSE_OP);
  Forms.OneOfOption (0x12, 0, EFI_IFR_TYPE_NUM_SIZE_8, 3);
  Forms.End ();
  Forms.End ();
  Forms.SuppressIf ();
  Forms.Operator (EFI_IFR_FALSE_OP);
  Forms.OneOfOption (0x13, 0, EFI_IFR_TYPE_NUM_SIZE_8, 4);
  Forms.End ();
  Forms.OneOfOption (0x14, 0, EFI_IFR_TYPE_NUM_SIZE_8, 5);
  Forms.End ();
  Forms.OneOfOption (0x15, 0, EFI_IFR_TYPE_NUM_SIZE_8, 6);   // after the question's scope
  UsePackage (Forms);

  auto  List = Options (Control (OneOf, CONTROL_TYPE_ONE_OF));
  EXPECT_EQ (List, (std::vector<std::pair<UINT16, UINT64>> { { 0x10, 1 }, { 0x13, 4 }, { 0x14, 5 } }));
}

TEST_F (QuestionOptionTest, OptionValuesFollowTheirTypeAndListsGrowPastTen) {
  Builders::IfrBuilder  Forms;
  size_t                OneOf = Forms.OneOf (Q (1), EFI_IFR_NUMERIC_SIZE_8, 0, 0, 0);

  Forms.OneOfOption (1, 0, EFI_IFR_TYPE_NUM_SIZE_16, 0xBEEF);
  Forms.OneOfOption (2, 0, EFI_IFR_TYPE_NUM_SIZE_32, 0xDEADBEEF);
  Forms.OneOfOption (3, 0, EFI_IFR_TYPE_NUM_SIZE_64, 0x0123456789ABCDEFull);
  Forms.OneOfOption (4, 0, EFI_IFR_TYPE_BOOLEAN, 1);
  for (UINT16 Extra = 5; Extra <= 12; Extra++) {
    Forms.OneOfOption (Extra, 0, EFI_IFR_TYPE_NUM_SIZE_8, Extra);
  }
  Forms.End ();
  UsePackage (Forms);

  auto  List = Options (Control (OneOf, CONTROL_TYPE_ONE_OF));
  ASSERT_EQ (List.size (), 12u);
  EXPECT_EQ (List[0].second, 0xBEEFu);
  EXPECT_EQ (List[1].second, 0xDEADBEEFu);
  EXPECT_EQ (List[2].second, 0x0123456789ABCDEFull);
  EXPECT_EQ (List[3].second, 1u);
  EXPECT_EQ (List[11], (std::pair<UINT16, UINT64> { 12, 12 }));
}

TEST_F (QuestionOptionTest, CheckboxOffersDisabledAndEnabledWhateverItsFormSays) {
  Builders::IfrBuilder  Forms;
  size_t                Box = Forms.Checkbox (Q (4, 0, EFI_IFR_FLAG_CALLBACK), 0);

  Forms.OneOfOption (0x99, 0, EFI_IFR_TYPE_NUM_SIZE_8, 7);
  Forms.End ();
  UsePackage (Forms);
  gHiiHandle = (EFI_HII_HANDLE)(UINTN)0xE1;

  OPTIONS  Out;
  Out.Tokens = (UINT16 *)AllocatePool (4);      // an old list is freed
  ASSERT_EQ (Out.Get (Control (Box, CONTROL_TYPE_CHECKBOX)), EFI_SUCCESS);
  EXPECT_EQ (Out.Handle, gHiiHandle);
  ASSERT_EQ (Out.Count, 2u);
  EXPECT_EQ ((std::vector<UINT16> (Out.Tokens, Out.Tokens + 2)), (std::vector<UINT16> { 6, 5 }));
  EXPECT_EQ ((std::vector<UINT64> (Out.Values, Out.Values + 2)), (std::vector<UINT64> { 0, 1 }));
  EXPECT_EQ (Out.Callback, 1);
  EXPECT_EQ (Out.Id, 4);
}

TEST_F (QuestionOptionTest, ListsThatCannotBeAllocatedAreNull) {
  Builders::IfrBuilder  Forms;
  size_t                OneOf = Forms.OneOf (Q (1), 0, 0, 0, 0);

  for (UINT16 Option = 1; Option <= 11; Option++) {
    Forms.OneOfOption (Option, 0, EFI_IFR_TYPE_NUM_SIZE_8, Option);
  }
  Forms.End ();
  UsePackage (Forms);
  CONTROL_RECORD  C = Control (OneOf, CONTROL_TYPE_ONE_OF);

  // The first two allocations are the lists, the next two their growth past ten.
  for (UINT64 Nth = 1; Nth <= 4; Nth++) {
    OPTIONS  Out;
    UINT64   Mark = M.Memory ().AllocationCount ();

    M.Memory ().FailAllocation (Nth);
    EXPECT_EQ (Out.Get (C), EFI_OUT_OF_RESOURCES) << Nth;
    M.Memory ().FailAllocation (0);
    EXPECT_EQ (Out.Tokens, nullptr);
    EXPECT_EQ (Out.Values, nullptr);
    EXPECT_TRUE (M.Memory ().LeaksSince (Mark).empty ()) << Nth;
  }
}

TEST_F (QuestionOptionTest, CountReportsTheOptionType) {
  Builders::IfrBuilder  Forms;
  size_t                Wide   = Forms.OrderedList (Q (1), 4, 0);

  Forms.OneOfOption (1, 0, EFI_IFR_TYPE_NUM_SIZE_16, 10);
  Forms.OneOfOption (2, 0, EFI_IFR_TYPE_NUM_SIZE_16, 20);
  Forms.SuppressIf ();
  Forms.Operator (EFI_IFR_TRUE_OP);
  Forms.OneOfOption (3, 0, EFI_IFR_TYPE_NUM_SIZE_16, 30);
  Forms.End ();
  Forms.End ();
  size_t                Narrow = Forms.OrderedList (Q (2), 4, 0);
  Forms.OneOfOption (1, 0, EFI_IFR_TYPE_BOOLEAN, 1);
  Forms.End ();
  size_t                Empty  = Forms.OrderedList (Q (3), 4, 0);
  Forms.End ();
  UsePackage (Forms);

  UINT8  Type = 9;
  UINTN  Size = 9;
  EXPECT_EQ (Count (Wide, CONTROL_TYPE_ORDERED_LIST, &Type, &Size), 2u);
  EXPECT_EQ (Type, EFI_IFR_TYPE_NUM_SIZE_16);
  EXPECT_EQ (Size, 2u);
  EXPECT_EQ (Count (Narrow, CONTROL_TYPE_ORDERED_LIST, &Type, &Size), 1u);
  EXPECT_EQ (Type, 0);
  EXPECT_EQ (Size, 1u);
  EXPECT_EQ (Count (Empty, CONTROL_TYPE_ORDERED_LIST, &Type, &Size), 0u);
}

// A zero-length opcode once made the walk step in place forever, and a scope left
// open walked past the package into whatever followed it.
TEST_F (QuestionOptionTest, WalksStopAtMalformedOpcodesAndThePackageEnd) {
  Builders::IfrBuilder  Forms;
  size_t                Broken = Forms.OneOf (Q (1), 0, 0, 0, 0);

  Forms.OneOfOption (1, 0, EFI_IFR_TYPE_NUM_SIZE_8, 1);
  Forms.ZeroLengthOp (EFI_IFR_ONE_OF_OPTION_OP);
  Forms.OneOfOption (2, 0, EFI_IFR_TYPE_NUM_SIZE_8, 2);
  Forms.End ();
  size_t                Open = Forms.OneOf (Q (2), 0, 0, 0, 0);
  Forms.OneOfOption (3, 0, EFI_IFR_TYPE_NUM_SIZE_8, 3);
  UsePackage (Forms);

  EXPECT_EQ (Options (Control (Broken, CONTROL_TYPE_ONE_OF)), (std::vector<std::pair<UINT16, UINT64>> { { 1, 1 } }));
  EXPECT_EQ (Options (Control (Open, CONTROL_TYPE_ONE_OF)), (std::vector<std::pair<UINT16, UINT64>> { { 3, 3 } }));

  // An opcode no package copy holds is not walked at all.
  Builders::BYTES  Outside = Package;
  CONTROL_RECORD   C {};
  C.QuestionOpcode = (UINT64)(UINTN)(Outside.data () + Open);
  EXPECT_TRUE (Options (C).empty ());
}

//
// Conditions.
//
TEST_F (QuestionOptionTest, SuppressScopeValueComesFromTheInnermostOpenSuppressIf) {
  Builders::IfrBuilder  Forms;
  size_t                Outer = Forms.SuppressIf ();

  Forms.EqIdVal (1, 5);
  Forms.SuppressIf ();
  Forms.EqIdVal (1, 7);
  size_t                Inside = Forms.Checkbox (Q (3), 0, false);
  Forms.End ();
  size_t                After = Forms.Checkbox (Q (4), 0, false);
  Forms.End ();
  size_t                Outside = Forms.Checkbox (Q (5), 0, false);
  size_t                Gray    = Forms.GrayOutIf ();
  Forms.EqIdVal (1, 9);
  size_t                Grayed  = Forms.Checkbox (Q (6), 0, false);
  Forms.End ();
  UsePackage (Forms);

  EXPECT_EQ (FindSuppressScopeEnd (At (Outer), At (Inside)), 7);
  EXPECT_EQ (FindSuppressScopeEnd (At (Outer), At (After)), 5);
  EXPECT_EQ (FindSuppressScopeEnd (At (Outer), At (Outside)), -1);
  EXPECT_EQ (FindSuppressScopeEnd (At (Gray), At (Grayed)), -1);
}

class QuestionConditionTest : public QuestionTest {
protected:
  // Page 0: a one-of of variable 2 (question 1) and a checkbox hidden by question 1's
  // value; page 1, same form set: a numeric of variable 3 (question 2); the variable-GUID
  // list holds only variable 2's GUID.
  void LoadBoard ()
  {
    QuestionA = Forms.OneOf (Q (1), 0, 0, 0, 0, false);
    Condition = Forms.SuppressIf ();
    Forms.Operator (EFI_IFR_NOT_OP);
    Forms.EqIdVal (1, 3);
    Hidden = Forms.Checkbox (Q (7), 0, false);
    Forms.End ();
    QuestionB = Forms.Numeric (Q (2), 0, 0, 9, 1, false);
    Gray      = Forms.GrayOutIf ();
    Forms.EqIdValList (2, { 4, 8 });
    Grayed = Forms.Checkbox (Q (8), 0, false);
    Forms.End ();
    UsePackage (Forms);

    Builders::SETUP_DATA_DESC  D;
    EFI_GUID                   Listed = kStoreGuid;
    EFI_GUID                   Other  = kStoreGuid;
    Other.Data1 ^= 1;
    D.Variables = { { .VendorGuid = Other, .Name = u"V0", .Size = 1 }, { .VendorGuid = Other, .Name = u"V1", .Size = 1 },
                    { .VendorGuid = Listed, .Name = u"V2", .Size = 1 }, { .VendorGuid = Other, .Name = u"V3", .Size = 1 } };
    D.VariableGuids = std::vector<EFI_GUID> { Listed };
    D.Pages = { { .FormId = 1, .Controls = { { .VariableIndex = 2, .ControlType = CONTROL_TYPE_ONE_OF, .QuestionOpcode = 1 },
                                              { .VariableIndex = 0, .ControlType = CONTROL_TYPE_CHECKBOX, .QuestionOpcode = 1 },
                                              { .VariableIndex = 0, .ControlType = CONTROL_TYPE_CHECKBOX, .QuestionOpcode = 1 } } },
                { .FormId = 2, .Controls = { { .VariableIndex = 3, .ControlType = CONTROL_TYPE_NUMERIC, .QuestionOpcode = 1 } } } };
    D.FormSets = { {} };
    LoadSetupData (D);
    gControlData = gCompiledControlData;
    Bind (0, 0, QuestionA, 0);
    Bind (0, 1, Hidden, Condition);
    Bind (0, 2, Grayed, Gray);
    Bind (1, 0, QuestionB, 0);
  }

  void Bind (UINTN Page, UINTN N, size_t Question, size_t Cond)
  {
    PAGE_RECORD     *Record;
    CONTROL_RECORD  *C;
    ASSERT_EQ (GetPageData (Page, &Record), EFI_SUCCESS);
    Record->HiiHandle = (EFI_HII_HANDLE)(UINTN)0x5A;
    ASSERT_EQ (GetPageControl (Page, N, &C), EFI_SUCCESS);
    C->QuestionOpcode  = (UINT64)(UINTN)At (Question);
    C->ConditionOpcode = (Cond == 0) ? 0 : (UINT64)(UINTN)At (Cond);
    C->PageNumber      = (UINT16)Page;
  }

  CONTROL_RECORD *Page0 (UINTN N)
  {
    CONTROL_RECORD  *C = nullptr;
    EXPECT_EQ (GetPageControl (0, N, &C), EFI_SUCCESS);
    return C;
  }

  Builders::IfrBuilder  Forms;
  size_t  QuestionA = 0, Condition = 0, Hidden = 0, QuestionB = 0, Gray = 0, Grayed = 0;
};

TEST_F (QuestionConditionTest, ConditionVariableIsTheComparedQuestionsVariable) {
  LoadBoard ();
  EXPECT_EQ (GetConditionVariable (Page0 (1)), 2u);     // question 1 on the same page
  EXPECT_EQ (GetConditionVariable (Page0 (2)), 3u);     // question 2 on page 1 of the form set
  EXPECT_EQ (GetConditionVariable (Page0 (0)), 0u);     // no condition
}

TEST_F (QuestionConditionTest, ConditionCompareAndValueComeFromTheListedVariable) {
  UINT32                      Index  = 0;
  CONST VARIABLE_GUID_RECORD  *Record = nullptr;

  LoadBoard ();
  EXPECT_EQ (FindConditionCompare (Page0 (1), &Index, &Record), At (Condition) + 4);
  EXPECT_EQ (Index, 2u);
  ASSERT_NE (Record, nullptr);
  EXPECT_EQ (std::memcmp (&Record->VendorGuid, &kStoreGuid, sizeof (EFI_GUID)), 0);
  EXPECT_EQ (GetConditionValue (Page0 (1), &Record), 3);
  // Variable 3's GUID is not listed, and question 2 has no condition to follow.
  EXPECT_EQ (FindConditionCompare (Page0 (2), &Index, &Record), nullptr);
  EXPECT_EQ (GetConditionValue (Page0 (2), &Record), CONDITION_NO_VALUE);
}

TEST_F (QuestionConditionTest, CloneCopiesConditionAndQuestionAndMovesThePointers) {
  LoadBoard ();
  CONTROL_RECORD  C    = *Page0 (1);
  UINT8           *Copy = CloneControlOpcodes (3, &C);

  ASSERT_NE (Copy, nullptr);
  size_t  Length = Hidden + At (Hidden)[1] - Condition;
  EXPECT_EQ (std::memcmp (Copy, At (Condition), Length), 0);
  EXPECT_EQ (C.ConditionOpcode, (UINT64)(UINTN)Copy);
  EXPECT_EQ (C.QuestionOpcode, (UINT64)(UINTN)(Copy + (Hidden - Condition)));
  // Room for three more 28-byte options and 40 bytes, zero-filled.
  EXPECT_EQ (Copy[Length + 3 * 28 + 40 - 1], 0);
  EXPECT_EQ (Copy[Length], 0);
  FreePool (Copy);
}

}  // namespace

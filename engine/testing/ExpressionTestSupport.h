// A small board for the expression and condition tests: a driver's package list
// with strings, a forms package written with the IFR builder (questions first,
// then whatever the test adds), two pages of one form set whose controls point
// into it, and variable 0 "Setup" in the cache.
//
//   page 0: question 1 one-of u8 @0 = 5, question 2 numeric u16 @1 = 0x1234,
//           question 3 checkbox @3 = 1, question 4 string (5 chars) @4 = "Hi",
//           then the controls a test adds;
//   page 1: question 6 numeric u8 @15 = 9.
#ifndef ENGINE_CORE_TESTS_SUPPORT_EXPRESSION_TEST_SUPPORT_H_
#define ENGINE_CORE_TESTS_SUPPORT_EXPRESSION_TEST_SUPPORT_H_

#include "QuestionTestSupport.h"

#include <engine/core/EngineStrings.h>
#include <engine/forms/IfrExpression.h>
#include <engine/core/SetupData.h>
#include <engine/variables/VariableCache.h>
#include <engine/core/VariableGuids.h>
#include <Library/BaseLib.h>
#include <Library/MemoryAllocationLib.h>

#include <Builders/HiiPackageBuilder.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace ExpressionTests {

using Builders::IFR_QUESTION;
using Builders::IfrBuilder;

inline const EFI_GUID  kBoardGuid   = BOARD_SETUP_VARIABLE_GUID;
inline const EFI_GUID  kFormSetGuid = { 0x1B2C3D4E, 0x5F60, 0x4172, { 0x83, 0x94, 0xA5, 0xB6, 0xC7, 0xD8, 0xE9, 0xFA } };
inline const EFI_GUID  kDriverGuid  = { 0xA0A0A0A0, 0x1111, 0x2222, { 3, 3, 3, 3, 3, 3, 3, 3 } };
inline const EFI_GUID  kListGuid    = { 0x5A5A5A5A, 0x1111, 0x2222, { 5, 5, 5, 5, 5, 5, 5, 5 } };

// Driver strings.
enum : EFI_STRING_ID {
  kAlpha = 1, kBeta = 2, kAlphaAgain = 3, kTrueText = 4, kMaybe = 5, kHex = 6, kTokens = 7, kDecimal = 8,
  kPattern = 9, kError = 10, kPh = 11, kUpperPh = 12, kComma = 13, kRanges = 14, kFalseText = 15,
  kDriverPathText = 16, kOtherPathText = 17,
};

struct OUTCOME {
  EFI_STATUS      Status = EFI_SUCCESS;
  IFR_VALUE_CELL  Cell {};
  UINTN           Length = 0;
};

// A control a test adds to page 0: its type, question and condition offsets.
struct EXTRA_CONTROL {
  UINT16  Type;
  size_t  Question  = 0;
  size_t  Condition = 0;
  UINT16  QuestionId = 0;
  UINT32  Flags      = CONTROL_FLAG_VALID;
};

class ExpressionTest : public QuestionTest {
protected:
  void SetUp () override
  {
    QuestionTest::SetUp ();
    Driver = &AddDriver (kDriverGuid);
    Handle = Driver->Publish (*Hii, Builders::PackageListBuilder (kListGuid)
                                       .Add (Builders::BuildStringPackage ("en-US", 1, Strings ()))
                                       .Build ());
    ASSERT_NE (Handle, nullptr);
    One      = Forms.OneOf (Q (1, 0), EFI_IFR_NUMERIC_SIZE_1, 0, 9, 1, false);
    Number   = Forms.Numeric (Q (2, 1), EFI_IFR_NUMERIC_SIZE_2, 0, 0xFFFF, 1, false);
    Check    = Forms.Checkbox (Q (3, 3), 0, false);
    Words    = Forms.String (Q (4, 4), 0, 5, 0, false);
    Elsewhere = Forms.Numeric (Q (6, 15), EFI_IFR_NUMERIC_SIZE_1, 0, 9, 1, false);
  }

  void TearDown () override
  {
    ResetExpressionEvaluator ();
    FreeVariableCaches ();
    QuestionTest::TearDown ();
  }

  static std::map<EFI_STRING_ID, std::u16string> Strings ()
  {
    return { { kAlpha, u"alpha" }, { kBeta, u"Beta" }, { kAlphaAgain, u"alpha" }, { kTrueText, u"true" },
             { kMaybe, u"maybe" }, { kHex, u"size 0x1f!" }, { kTokens, u"a,b,,c" }, { kDecimal, u"123" },
             { kPattern, u"al*" }, { kError, u"Values do not agree" }, { kPh, u"ph" }, { kUpperPh, u"PH" },
             { kComma, u"," }, { kRanges, u"09AZ" }, { kFalseText, u"false" },
             { kDriverPathText, u"VenHw(A0A0A0A0-1111-2222-0303-030303030303)" }, { kOtherPathText, u"PciRoot(0x0)" } };
  }

  static IFR_QUESTION Q (UINT16 Id, UINT16 Offset)
  {
    return { .Prompt = 1, .Help = 2, .QuestionId = Id, .VarStoreId = 1, .VarOffset = Offset, .Flags = 0 };
  }

  // SUPPRESS_IF { Body } END; the offset of the SUPPRESS_IF.
  size_t Expr (const std::function<void (IfrBuilder &)> &Body)
  {
    size_t  At = Forms.SuppressIf ();
    Body (Forms);
    Forms.End ();
    return At;
  }

  // Lays out the board; Extra controls follow the four questions of page 0.
  void Finish (const std::vector<EXTRA_CONTROL> &Extra = {})
  {
    Builders::SETUP_DATA_DESC  D;
    std::vector<UINT8>         Setup (16, 0);

    UsePackage (Forms);
    Setup[0] = 5;
    Setup[1] = 0x34;
    Setup[2] = 0x12;
    Setup[3] = 1;
    Setup[4] = 'H';
    Setup[6] = 'i';
    Setup[15] = 9;
    D.Variables = { { .VendorGuid = kBoardGuid, .Name = u"Setup", .VariableId = 1, .StoreFlags = VARIABLE_STORE_EFI, .Size = 16 } };
    D.Pages = { { .FormId = 1 }, { .FormId = 2 } };
    for (size_t Index = 0; Index < 4 + Extra.size (); Index++) {
      D.Pages[0].Controls.push_back ({ .ControlType = (Index < 4) ? kTypes[Index] : Extra[Index - 4].Type, .QuestionOpcode = 1 });
    }

    D.Pages[1].Controls.push_back ({ .ControlType = CONTROL_TYPE_NUMERIC, .QuestionOpcode = 1 });
    D.FormSets = { { .Guid = kFormSetGuid } };
    M.Variables ().Put (u"Setup", kBoardGuid, 7, Setup);
    LoadSetupData (D);
    gControlData = gCompiledControlData;
    const size_t  Questions[] = { One, Number, Check, Words };
    for (size_t Index = 0; Index < 4; Index++) {
      Bind (0, Index, Questions[Index], 0, 0, CONTROL_FLAG_VALID);
    }

    for (size_t Index = 0; Index < Extra.size (); Index++) {
      Bind (0, 4 + Index, Extra[Index].Question, Extra[Index].Condition, Extra[Index].QuestionId, Extra[Index].Flags);
    }

    Bind (1, 0, Elsewhere, 0, 0, CONTROL_FLAG_VALID);
    ASSERT_EQ (LoadVariableCache (&gVariableCache, nullptr), EFI_SUCCESS);
  }

  void Bind (UINTN Page, UINTN N, size_t Question, size_t Condition, UINT16 QuestionId, UINT32 Flags)
  {
    PAGE_RECORD     *Record;
    CONTROL_RECORD  *C;

    ASSERT_EQ (GetPageData (Page, &Record), EFI_SUCCESS);
    Record->HiiHandle = Handle;
    ASSERT_EQ (GetPageControl (Page, N, &C), EFI_SUCCESS);
    C->HiiHandle       = Handle;
    C->QuestionOpcode  = (Question == 0) ? 0 : (UINT64)(UINTN)At (Question);
    C->ConditionOpcode = (Condition == 0) ? 0 : (UINT64)(UINTN)At (Condition);
    C->QuestionId      = QuestionId;
    C->Flags           = Flags;
    C->PageNumber      = (UINT16)Page;
  }

  CONTROL_RECORD *PageControl (UINTN Page, UINTN N)
  {
    CONTROL_RECORD  *C = nullptr;
    EXPECT_EQ (GetPageControl (Page, N, &C), EFI_SUCCESS);
    return C;
  }

  // A record of page 0 whose condition pointer is the opcode at Offset.
  CONTROL_RECORD At0 (size_t Offset, size_t Question = 0)
  {
    CONTROL_RECORD  C {};
    C.HiiHandle       = Handle;
    C.ConditionOpcode = (UINT64)(UINTN)At (Offset);
    C.QuestionOpcode  = (Question == 0) ? 0 : (UINT64)(UINTN)At (Question);
    C.ControlType     = CONTROL_TYPE_NUMERIC;
    return C;
  }

  OUTCOME Run (size_t Offset, size_t Question = 0)
  {
    CONTROL_RECORD  C = At0 (Offset, Question);
    OUTCOME         O;

    std::memset (&O.Cell, 0xEE, sizeof (O.Cell));
    O.Status = EvaluateOperator (&C, &O.Cell, &O.Length);
    return O;
  }

  // The text of a string cell the evaluator handed back.
  std::u16string TextOf (const IFR_VALUE_CELL &Cell)
  {
    UINT16  Id;
    std::memcpy (&Id, Cell.Value, sizeof (Id));
    CHAR16          *String = HiiGetString (Handle, Id, nullptr);
    std::u16string  Result  = Text (String);
    if (String != nullptr) {
      FreePool (String);
    }

    return Result;
  }

  static UINT64 Value (const IFR_VALUE_CELL &Cell) { return IfrCellNumber (&Cell); }

  // The whole 23 bytes: the type, the number in its first 8 value bytes, zeros after.
  static void ExpectCell (const OUTCOME &O, UINT8 Type, UINT64 Number)
  {
    IFR_VALUE_CELL  Expected {};
    Expected.Type = Type;
    std::memcpy (Expected.Value, &Number, sizeof (Number));
    ASSERT_EQ (O.Status, EFI_SUCCESS);
    EXPECT_EQ (O.Cell.Type, Type);
    EXPECT_EQ (std::memcmp (&O.Cell, &Expected, sizeof (Expected)), 0) << "value " << Value (O.Cell);
  }

  static constexpr UINT16  kTypes[4] = { CONTROL_TYPE_ONE_OF, CONTROL_TYPE_NUMERIC, CONTROL_TYPE_CHECKBOX, CONTROL_TYPE_STRING };

  IfrBuilder        Forms;
  Emu::FakeDriver   *Driver = nullptr;
  EFI_HII_HANDLE    Handle  = nullptr;
  size_t            One = 0, Number = 0, Check = 0, Words = 0, Elsewhere = 0;
};

}  // namespace ExpressionTests

#endif

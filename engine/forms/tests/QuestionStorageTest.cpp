// Question storage as the parser records it: widths, flags, defaults and default
// entries by value type, and the variable records of buffer, EFI-variable and
// name/value stores with their reuse.
#include <engine/testing/FormParserTestSupport.h>

#include <gtest/gtest.h>

#include <cstring>

using namespace ParserTest;
using Builders::IfrBuilder;
using Builders::IFR_QUESTION;

namespace {

constexpr UINT32  kNoDefaults = CONTROL_FLAG_NO_STANDARD_DEFAULT | CONTROL_FLAG_NO_MFG_DEFAULT;

UINT64
Read (const UINT8 *Bytes, UINTN Width)
{
  UINT64  Value = 0;

  std::memcpy (&Value, Bytes, Width);
  return Value;
}

}  // namespace

TEST_F (FormParserTest, NumericWidthComesFromTheTwoLowBitsOfItsFlags)
{
  ASSERT_EQ (Parse (OneForm ([] (IfrBuilder &F) {
    F.Numeric ({ 5, 6, 1, 1, 4, 0 }, 0x05, 0, 9, 1);      // size bits 1 (u16); bit 2 is not a size bit
    F.End ();
    F.OneOf ({ 5, 6, 2, 1, 0, 0 }, EFI_IFR_NUMERIC_SIZE_8, 0, 9, 1);
    F.End ();
  })), EFI_SUCCESS);
  EXPECT_EQ (Control (1, 0)->ValueWidth, 2);
  EXPECT_EQ (Control (1, 0)->ValueSize, 2);
  EXPECT_EQ (Control (1, 1)->ValueWidth, 8);
  EXPECT_EQ (Control (1, 0)->VariableIndex, 1u);       // after the default "Setup" store
}

TEST_F (FormParserTest, OptionFlagsGiveTheStandardAndManufacturingDefaults)
{
  ASSERT_EQ (Parse (OneForm ([] (IfrBuilder &F) {
    F.OneOf ({ 5, 6, 1, 1, 0, 0 }, EFI_IFR_NUMERIC_SIZE_2, 0, 9, 1);
    F.OneOfOption (7, 0x10, EFI_IFR_TYPE_NUM_SIZE_16, 0x1234);
    F.OneOfOption (8, 0x20, EFI_IFR_TYPE_NUM_SIZE_16, 0x5678);
    F.End ();
  })), EFI_SUCCESS);

  CONTROL_RECORD  *C = Control (1, 0);

  EXPECT_EQ (Read (StdDefault (C), 2), 0x1234u);
  EXPECT_EQ (Read (MfgDefault (C), 2), 0x5678u);
  EXPECT_EQ (C->DefaultCount, 0);
}

// Which defaults a question's forms give it is kept: loading defaults leaves a question
// without one as it is, rather than taking the zeros of its record.
TEST_F (FormParserTest, AQuestionIsMarkedForEachDefaultItsFormsDoNotGive)
{
  ASSERT_EQ (Parse (OneForm ([] (IfrBuilder &F) {
    F.OneOf ({ 5, 6, 1, 1, 0, 0 }, EFI_IFR_NUMERIC_SIZE_1, 0, 9, 1);
    F.OneOfOption (7, 0x10, EFI_IFR_TYPE_NUM_SIZE_8, 3);       // the standard default only
    F.OneOfOption (8, 0, EFI_IFR_TYPE_NUM_SIZE_8, 4);
    F.End ();
    F.Numeric ({ 5, 6, 2, 1, 1, 0 }, EFI_IFR_NUMERIC_SIZE_1, 0, 9, 1);
    F.Default (0x0020, EFI_IFR_TYPE_NUM_SIZE_8, 7);             // the manufacturing default only
    F.End ();
    F.Numeric ({ 5, 6, 3, 1, 2, 0 }, EFI_IFR_NUMERIC_SIZE_1, 0, 9, 1);
    F.End ();
    F.Checkbox ({ 5, 6, 4, 1, 3, 0 }, 0);                      // its flags always say both
    F.End ();
  })), EFI_SUCCESS);

  EXPECT_EQ (Control (1, 0)->Flags & kNoDefaults, (UINT32)CONTROL_FLAG_NO_MFG_DEFAULT);
  EXPECT_EQ (Control (1, 1)->Flags & kNoDefaults, (UINT32)CONTROL_FLAG_NO_STANDARD_DEFAULT);
  EXPECT_EQ (Control (1, 2)->Flags & kNoDefaults, kNoDefaults);
  EXPECT_EQ (Control (1, 3)->Flags & kNoDefaults, 0u);
}

TEST_F (FormParserTest, DefaultIdsZeroAndTwentyHexFillTheDefaultsAndEveryDefaultIsAnEntry)
{
  ASSERT_EQ (Parse (OneForm ([] (IfrBuilder &F) {
    F.Numeric ({ 5, 6, 1, 1, 0, 0 }, EFI_IFR_NUMERIC_SIZE_4, 0, 999, 1);
    F.Default (0x0000, EFI_IFR_TYPE_NUM_SIZE_32, 11);
    F.Default (0x0020, EFI_IFR_TYPE_NUM_SIZE_32, 22);
    F.Default (0x0001, EFI_IFR_TYPE_NUM_SIZE_32, 33);     // the UEFI manufacturing class is only an entry
    F.End ();
  })), EFI_SUCCESS);

  CONTROL_RECORD  *C = Control (1, 0);

  ASSERT_EQ (C->DefaultCount, 3);
  EXPECT_EQ (Read (StdDefault (C), 4), 11u);
  EXPECT_EQ (Read (MfgDefault (C), 4), 22u);
  EXPECT_EQ (Read (DefaultEntry (C, 2), 2), 0x0001u);
  EXPECT_EQ (Read (DefaultEntry (C, 2) + 2, 4), 33u);
  EXPECT_EQ (Read (DefaultEntry (C, 1), 2), 0x0020u);
  EXPECT_EQ (GetWorkPageControl (GetWorkPage (1), 0), C);
}

TEST_F (FormParserTest, CheckboxDefaultsComeFromItsFlags)
{
  ASSERT_EQ (Parse (OneForm ([] (IfrBuilder &F) {
    F.Checkbox ({ 5, 6, 1, 1, 0, 0 }, 0x01);
    F.End ();
    F.Checkbox ({ 5, 6, 2, 1, 1, 0 }, 0x02);
    F.End ();
  })), EFI_SUCCESS);
  EXPECT_EQ (Control (1, 0)->ValueWidth, 1);
  EXPECT_EQ (*StdDefault (Control (1, 0)), 1);
  EXPECT_EQ (*MfgDefault (Control (1, 0)), 0);
  EXPECT_EQ (*StdDefault (Control (1, 1)), 0);
  EXPECT_EQ (*MfgDefault (Control (1, 1)), 1);
}

TEST_F (FormParserTest, BufferDefaultGivesAnOrderedListItsWidth)
{
  const UINT8  Order[] = { 3, 1, 2 };

  ASSERT_EQ (Parse (OneForm ([&] (IfrBuilder &F) {
    F.OrderedList ({ 5, 6, 1, 1, 0, 0 }, 3, 0);
    F.OneOfOption (7, 0, EFI_IFR_TYPE_NUM_SIZE_8, 1);
    F.DefaultRaw (0, EFI_IFR_TYPE_BUFFER, Order);
    F.End ();
  })), EFI_SUCCESS);

  CONTROL_RECORD  *C = Control (1, 0);

  // The first value seen fixes the width: the option's element (1 byte).
  EXPECT_EQ (C->ValueWidth, 1);

  ASSERT_EQ (Parse (OneForm ([&] (IfrBuilder &F) {
    F.OrderedList ({ 5, 6, 1, 1, 0, 0 }, 3, 0);
    F.DefaultRaw (0, EFI_IFR_TYPE_BUFFER, Order);
    F.End ();
  })), EFI_SUCCESS);
  C = Control (2, 0);
  EXPECT_EQ (C->ValueWidth, 3);                          // length 8 - 5
  EXPECT_EQ (std::memcmp (StdDefault (C), Order, 3), 0);
}

TEST_F (FormParserTest, DefaultsByExpressionAreFlagged)
{
  ASSERT_EQ (Parse (OneForm ([] (IfrBuilder &F) {
    F.Numeric ({ 5, 6, 1, 1, 0, 0 }, EFI_IFR_NUMERIC_SIZE_2, 0, 999, 1);
    F.DefaultExpression (0, EFI_IFR_TYPE_OTHER);        // VALUE with a UINT16: a plain value
    F.Value ();
    F.Uint16 (0x0BCD);
    F.End ();
    F.End ();
    F.End ();
    F.Numeric ({ 5, 6, 2, 1, 2, 0 }, EFI_IFR_NUMERIC_SIZE_2, 0, 999, 1);
    F.DefaultExpression (0, EFI_IFR_TYPE_OTHER);        // VALUE with an expression: no width
    F.Value ();
    F.Operator (EFI_IFR_ONE_OP);
    F.End ();
    F.End ();
    F.End ();
    F.Numeric ({ 5, 6, 3, 1, 4, 0 }, EFI_IFR_NUMERIC_SIZE_2, 0, 999, 1);
    F.DefaultExpression (0, 0x0E);                      // a scope of a type above 11
    F.End ();
    F.End ();
  })), EFI_SUCCESS);
  EXPECT_EQ (Control (1, 0)->Flags & CONTROL_FLAG_DEFAULT_EXPRESSION, 0u);
  EXPECT_EQ (Read (StdDefault (Control (1, 0)), 2), 0x0BCDu);
  EXPECT_EQ (Control (1, 1)->Flags & CONTROL_FLAG_DEFAULT_EXPRESSION, (UINT32)CONTROL_FLAG_DEFAULT_EXPRESSION);
  EXPECT_EQ (Control (1, 2)->Flags & CONTROL_FLAG_DEFAULT_EXPRESSION, (UINT32)CONTROL_FLAG_DEFAULT_EXPRESSION);
}

TEST_F (FormParserTest, QuestionFlagsAndLimitsOfTheRefreshInterval)
{
  ASSERT_EQ (Parse (OneForm ([] (IfrBuilder &F) {
    F.Numeric ({ 5, 6, 1, 1, 0, EFI_IFR_FLAG_READ_ONLY | EFI_IFR_FLAG_CALLBACK | EFI_IFR_FLAG_RESET_REQUIRED },
               EFI_IFR_NUMERIC_SIZE_1, 0, 9, 1);
    F.Refresh (10);
    F.End ();
    F.Numeric ({ 5, 6, 2, 1, 1, 0 }, EFI_IFR_NUMERIC_SIZE_1, 0, 9, 1);
    F.Refresh (60);                                      // 300 is capped at 255
    F.End ();
  })), EFI_SUCCESS);
  EXPECT_EQ (Control (1, 0)->Flags, (UINT32)(CONTROL_FLAG_VALID | CONTROL_FLAG_READ_ONLY | CONTROL_FLAG_CALLBACK |
                                             CONTROL_FLAG_RESET_REQUIRED | (50u << 8) | kNoDefaults));
  EXPECT_EQ (Control (1, 1)->Flags, (UINT32)(CONTROL_FLAG_VALID | (255u << 8) | kNoDefaults));
}

TEST_F (FormParserTest, DateInTheClockRefreshesEveryFiveByItsOwnFlags)
{
  ASSERT_EQ (Parse (OneForm ([] (IfrBuilder &F) {
    F.Date ({ 5, 6, 1, 0, 0, 0 }, QF_DATE_STORAGE_TIME);
    F.End ();
    F.Time ({ 5, 6, 2, 1, 0, EFI_IFR_FLAG_RESET_REQUIRED }, QF_DATE_STORAGE_NORMAL);   // 0x10 of the question flags is no storage
    F.End ();
  })), EFI_SUCCESS);
  EXPECT_EQ (Control (1, 0)->Flags, (UINT32)(CONTROL_FLAG_VALID | (5u << 8) | kNoDefaults));
  EXPECT_EQ (Control (1, 1)->Flags, (UINT32)(CONTROL_FLAG_VALID | CONTROL_FLAG_RESET_REQUIRED | kNoDefaults));
  EXPECT_EQ (Control (1, 0)->ValueWidth, 4);             // no value fixed it: the store's width
  EXPECT_EQ (Control (1, 1)->ValueWidth, 3);
}

TEST_F (FormParserTest, RefreshGroupDevicePathAndRefQuestion)
{
  const EFI_GUID  Group = kOtherClass;

  ASSERT_EQ (Parse (OneForm ([&] (IfrBuilder &F) {
    F.Numeric ({ 5, 6, 1, 1, 0, 0 }, EFI_IFR_NUMERIC_SIZE_1, 0, 9, 1);
    F.RefreshId (Group);
    F.VarStoreDevice (0x44);
    F.End ();
    F.Ref2 ({ 5, 6, 2, 0, 0, 0 }, 1, 0x77);
  })), EFI_SUCCESS);
  EXPECT_EQ (Control (1, 0)->Flags & CONTROL_FLAG_REFRESH_EVENT_GROUP, (UINT32)CONTROL_FLAG_REFRESH_EVENT_GROUP);
  EXPECT_EQ (Control (1, 0)->DevicePathStringId, 0x44);
  EXPECT_EQ (Control (1, 1)->RefQuestionId, 0x77);
  EXPECT_EQ (Control (1, 1)->RefTargetPage, 1);
}

TEST_F (FormParserTest, ChecksInsideAQuestionFollowItsRecord)
{
  size_t  Check = 0;

  ASSERT_EQ (Parse (OneForm ([&] (IfrBuilder &F) {
    F.Numeric ({ 5, 6, 1, 1, 0, 0 }, EFI_IFR_NUMERIC_SIZE_1, 0, 9, 1);
    Check = F.InconsistentIf (8);
    F.Operator (EFI_IFR_FALSE_OP);
    F.End ();
    F.End ();
    F.Text (1, 2);
  })), EFI_SUCCESS);
  EXPECT_EQ (Types (1), (std::vector<UINT16> { 11, 9, 3 }));
  EXPECT_EQ (Control (1, 1)->QuestionOpcode, 0u);
  EXPECT_EQ (Control (1, 1)->ConditionOpcode, Address (Check));
  EXPECT_EQ (Control (1, 2)->ConditionOpcode, 0u);
}

TEST_F (FormParserTest, BufferAndEfiStoresMakeVariableRecords)
{
  ASSERT_EQ (Parse (OneForm ([] (IfrBuilder &F) {
    F.VarStoreEfi (2, kOtherClass, 0x7, 8, "AVariableNameThatIsMuchLongerThanThirtyNineCharacters");
    F.Numeric ({ 5, 6, 1, 2, 6, 0 }, EFI_IFR_NUMERIC_SIZE_2, 0, 9, 1);
    F.End ();
    F.Numeric ({ 5, 6, 2, 9, 0, 0 }, EFI_IFR_NUMERIC_SIZE_1, 0, 9, 1);     // of a store never declared
    F.End ();
  })), EFI_SUCCESS);
  ASSERT_EQ (GetWorkVariableCount (), 3u);

  VARIABLE_RECORD  *Buffer = GetWorkVariable (1);
  VARIABLE_RECORD  *Efi    = GetWorkVariable (2);

  EXPECT_EQ (Name (Buffer), u"Store");
  EXPECT_EQ (Buffer->VariableId, 1u);
  EXPECT_EQ (Buffer->Size, 16);
  EXPECT_EQ (Buffer->StoreFlags, 0u);
  EXPECT_EQ (Buffer->HiiHandle, Job.HiiHandle);
  EXPECT_EQ (Name (Efi), u"AVariableNameThatIsMuchLongerThanThirty");   // 39 characters and the terminator
  EXPECT_EQ (Efi->StoreFlags, (UINT32)VARIABLE_STORE_EFI);
  EXPECT_EQ (Efi->Attributes, 7u);
  EXPECT_EQ (Efi->Size, 8);
  EXPECT_EQ (Efi->StorageWord, 6);                       // the question's offset
  EXPECT_EQ (Control (1, 0)->VariableIndex, 2u);
  EXPECT_EQ (Control (1, 1)->VariableIndex, VARIABLE_INDEX_NONE);
}

// Element names longer than the record's field are cut to it.
TEST_F (FormParserTest, TwoQuestionsOfANameValueStoreGetTwoNamedRecords)
{
  std::u16string                           Long (50, u'n');
  std::map<EFI_STRING_ID, std::u16string>  Strings = { { 2, u"Set" }, { 3, u"Help" }, { 40, u"First" }, { 41, u"Second" },
                                                       { 42, Long } };
  IfrBuilder                               F;

  BeginSet (F);
  F.VarStoreNameValue (3, kStoreGuid);
  F.Form (1, 10);
  F.Numeric ({ 5, 6, 1, 3, 40, 0 }, EFI_IFR_NUMERIC_SIZE_2, 0, 9, 1);
  F.End ();
  F.Numeric ({ 5, 6, 2, 3, 41, 0 }, EFI_IFR_NUMERIC_SIZE_4, 0, 9, 1);
  F.End ();
  F.Numeric ({ 5, 6, 3, 3, 40, 0 }, EFI_IFR_NUMERIC_SIZE_2, 0, 9, 1);
  F.End ();
  F.Numeric ({ 5, 6, 4, 3, 42, 0 }, EFI_IFR_NUMERIC_SIZE_1, 0, 9, 1);
  F.End ();
  F.End ();
  F.End ();
  ASSERT_EQ (Parse (F, Strings), EFI_SUCCESS);
  ASSERT_EQ (GetWorkVariableCount (), 4u);
  EXPECT_EQ (Name (GetWorkVariable (3)), Long.substr (0, VARIABLE_NAME_LENGTH - 1));
  EXPECT_EQ (Name (GetWorkVariable (1)), u"First");
  EXPECT_EQ (GetWorkVariable (1)->Size, 2);
  EXPECT_EQ (GetWorkVariable (1)->StorageWord, 40);
  EXPECT_EQ (Name (GetWorkVariable (2)), u"Second");
  EXPECT_EQ (GetWorkVariable (2)->Size, 4);
  EXPECT_EQ (GetWorkVariable (2)->StoreFlags, (UINT32)VARIABLE_STORE_NAME_VALUE);
  EXPECT_EQ (GetWorkVariable (2)->VariableId, 3u);
  EXPECT_EQ (Control (1, 0)->VariableIndex, 1u);
  EXPECT_EQ (Control (1, 1)->VariableIndex, 2u);
  EXPECT_EQ (Control (1, 2)->VariableIndex, 1u);
}

TEST_F (FormParserTest, VarStoreReusesTheRecordAtIndexZeroOfItsName)
{
  VARIABLE_RECORD  Board {};

  Board.VendorGuid = kStoreGuid;
  std::memcpy (Board.Name, u"Store", sizeof (u"Store"));
  Board.Size = 16;
  ASSERT_EQ (AddVariableEntry (&Board, nullptr), EFI_SUCCESS);
  ASSERT_EQ (Parse (OneForm ([] (IfrBuilder &F) {
    F.Numeric ({ 5, 6, 1, 1, 0, 0 }, EFI_IFR_NUMERIC_SIZE_1, 0, 9, 1);
    F.End ();
  })), EFI_SUCCESS);
  EXPECT_EQ (GetWorkVariableCount (), 2u);               // the board's record and the "Setup" store
  EXPECT_EQ (GetWorkVariable (0)->HiiHandle, Job.HiiHandle);
  EXPECT_EQ (GetWorkVariable (0)->VariableId, 1u);
  EXPECT_EQ (Control (1, 0)->VariableIndex, 0u);
}

// Finding the compiled setup data in the driver's firmware file, the header check,
// and the accessors over pages, controls and variables.
#include <engine/testing/EngineTestMachine.h>

#include <engine/forms/QuestionAccess.h>
#include <engine/core/SetupData.h>
#include <engine/core/VariableGuids.h>
#include <Builders/FirmwareFileBuilder.h>
#include <Builders/IfrBuilder.h>
#include <Builders/SetupDataBuilder.h>
#include <Library/BaseMemoryLib.h>

#include <gtest/gtest.h>

#include <optional>
#include <span>

namespace {

constexpr EFI_GUID  kOtherGuid  = { 0x11111111, 0x2222, 0x3333, { 0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55 } };
constexpr EFI_GUID  kVendorGuid = BOARD_SETUP_VARIABLE_GUID;
constexpr EFI_GUID  kSectionGuid = SETUP_DATA_SECTION_GUID;

Builders::SETUP_DATA_DESC
TwoPageBoard ()
{
  Builders::SETUP_DATA_DESC  D;

  D.Settings.TitleStringId    = 0x20;
  D.Settings.TabTitleStringId = 0x21;
  D.FirstFormSetGuid          = EFI_GUID {};
  D.VariableGuids             = std::vector<EFI_GUID> {};
  D.Variables = {
    { .VendorGuid = kVendorGuid, .Name = u"Setup", .StoreFlags = VARIABLE_STORE_EFI, .Size = 16 },
    { .VendorGuid = kVendorGuid, .Name = u"PlatformLang", .StoreFlags = VARIABLE_STORE_EFI, .Size = 6 },
  };
  D.Pages = {
    { .FormId = 1, .TitleStringId = 0x100, .Controls = {
      { .ControlType = CONTROL_TYPE_ONE_OF, .QuestionOpcode = 0x40, .ValueWidth = 1, .MfgDefault = { 1 }, .StdDefault = { 0 } },
      { .ControlType = CONTROL_TYPE_CHECKBOX, .QuestionOpcode = 0x60, .ValueWidth = 1, .MfgDefault = { 1 }, .StdDefault = { 1 } },
    } },
    { .FormId = 2, .TitleStringId = 0x101, .Controls = {
      { .ControlType = CONTROL_TYPE_NUMERIC, .QuestionOpcode = 0x80, .ValueWidth = 2, .MfgDefault = { 5, 0 }, .StdDefault = { 9, 0 } },
    } },
  };
  D.FormSets = { { kOtherGuid, 1, 0, 0 }, { kVendorGuid, 2, 0, 0x100 } };
  return D;
}

std::vector<uint8_t>
TwoPageBlock ()
{
  return Builders::BuildSetupDataBlock (TwoPageBoard ());
}

// A freeform section body as ReadSection hands it out: the sub-type GUID, then the data.
std::vector<uint8_t>
SectionBody (const EFI_GUID &Guid, const std::vector<uint8_t> &Data)
{
  const std::vector<uint8_t>                Section = Builders::BuildFreeformSection (Guid, Data);
  std::optional<std::span<const uint8_t>>  Body    = Builders::FindSectionBody (Section, EFI_SECTION_FREEFORM_SUBTYPE_GUID, 0);

  return std::vector<uint8_t> (Body->begin (), Body->end ());
}

class SetupDataTest : public ::testing::Test {
protected:
  void TearDown () override { ResetSetupData (); }

  EngineTestMachine   Fw;
};

uint32_t &
HeaderWord (std::vector<uint8_t> &Block, int Word)
{
  return *(uint32_t *)&Block[4 * Word];
}

TEST_F (SetupDataTest, SecondFreeformSectionWithOurGuidIsTaken) {
  std::vector<uint8_t>  Block = TwoPageBlock ();

  // The block's GUID spelled out, not taken from the shared layout header.
  const EFI_GUID  Ours = { 0xFE612B72, 0x203C, 0x47B1, { 0x85, 0x60, 0xA6, 0x6D, 0x94, 0x6E, 0xB3, 0x71 } };

  Fw.AddFreeformSection (SectionBody (kOtherGuid, { 1, 2, 3, 4 }));
  Fw.AddFreeformSection (SectionBody (Ours, Block));
  ASSERT_EQ (LoadSetupData (Fw.ImageHandle ()), EFI_SUCCESS);
  EXPECT_EQ (gSetupDataSize, Block.size ());
  EXPECT_EQ (0, memcmp (gSetupData, Block.data (), Block.size ()));
  // The foreign section's buffer was freed; only the block's stays.
  EXPECT_EQ (Fw.LiveBlocks (), 1u);
  EXPECT_TRUE (Fw.M.Memory ().IsLive (gSetupData - 16));
}

TEST_F (SetupDataTest, NoSectionOfOursGivesNotFoundAndFreesEverything) {
  Fw.AddFreeformSection (SectionBody (kOtherGuid, { 1, 2 }));
  Fw.AddFreeformSection ({ 0xFE, 0x61 });
  EXPECT_EQ (LoadSetupData (Fw.ImageHandle ()), EFI_NOT_FOUND);
  EXPECT_EQ (gSetupData, nullptr);
  EXPECT_EQ (Fw.LiveBlocks (), 0u);
}

TEST_F (SetupDataTest, ImageNotLoadedFromAFirmwareFileHasNoSetupData) {
  Fw.AddFreeformSection (Builders::BuildSetupDataSectionBody (TwoPageBoard ()));
  Fw.UsePlainFilePath ();
  EXPECT_EQ (LoadSetupData (Fw.ImageHandle ()), EFI_NOT_FOUND);
  EXPECT_EQ (Fw.LiveBlocks (), 0u);
}

TEST_F (SetupDataTest, DeviceWithoutVolumeGivesItsStatus) {
  Fw.RemoveVolume ();
  EXPECT_EQ (LoadSetupData (Fw.ImageHandle ()), EFI_UNSUPPORTED);
}

TEST_F (SetupDataTest, HeaderPointersAreBlockPlusWords) {
  std::vector<uint8_t>  Block = TwoPageBlock ();

  Fw.AddFreeformSection (SectionBody (kSectionGuid, Block));
  ASSERT_EQ (LoadSetupData (Fw.ImageHandle ()), EFI_SUCCESS);
  ASSERT_EQ (ParseSetupDataHeader (), EFI_SUCCESS);
  EXPECT_EQ ((UINT8 *)gEngineSettings, gSetupData + HeaderWord (Block, 10));
  EXPECT_EQ (gPageList, gSetupData + HeaderWord (Block, 11));
  EXPECT_EQ (gCompiledControlData, gSetupData + HeaderWord (Block, 12));
  EXPECT_EQ (gVariableList, gSetupData + HeaderWord (Block, 13));
  EXPECT_EQ (gCompiledFormsRegion, gSetupData + HeaderWord (Block, 14));
  EXPECT_EQ (gVariableGuidList, gSetupData + HeaderWord (Block, 15));
  EXPECT_EQ (gCompiledFormsRegionSize, HeaderWord (Block, 15) - HeaderWord (Block, 14));
  EXPECT_EQ (gFormSetGuidTable, gSetupData + HeaderWord (Block, 16));
  EXPECT_EQ (gCompiledPageList, gPageList);
  EXPECT_EQ (gCompiledVariableList, gVariableList);
  EXPECT_EQ (gCompiledFormSetGuidTable, gFormSetGuidTable);
  ASSERT_NE (gFormSetEntries, nullptr);
  EXPECT_TRUE (CompareGuid (&gFormSetEntries[1].FormSetGuid, &kVendorGuid));
  EXPECT_EQ (gFormSetEntries[1].Class, 2);
  EXPECT_EQ (gEngineSettings->TitleStringId, 0x20);
  ASSERT_NE (gPostProgressRecord, nullptr);
  EXPECT_EQ (0, memcmp (gPostProgressRecord, std::vector<uint8_t> (80).data (), 80));
  EXPECT_EQ (GetPageCount (), 2u);
  EXPECT_EQ (GetVariableCount (), 2u);
  EXPECT_EQ (std::u16string (GetVariableRecord (1)->Name), u"PlatformLang");
  EXPECT_EQ (GetVariableRecord (2), nullptr);
}

struct BadBlock {
  const char  *What;
  void        (*Break)(std::vector<uint8_t> &Block);
};

class SetupDataBadHeaderTest : public SetupDataTest, public ::testing::WithParamInterface<BadBlock> {};

TEST_P (SetupDataBadHeaderTest, IsRefusedAndLeavesNoTable) {
  std::vector<uint8_t>  Block = TwoPageBlock ();

  GetParam ().Break (Block);
  Fw.AddFreeformSection (SectionBody (kSectionGuid, Block));
  ASSERT_EQ (LoadSetupData (Fw.ImageHandle ()), EFI_SUCCESS);
  EXPECT_EQ (ParseSetupDataHeader (), EFI_VOLUME_CORRUPTED) << GetParam ().What;
  EXPECT_EQ (gPageList, nullptr);
  EXPECT_EQ (gVariableList, nullptr);
  EXPECT_EQ (gPostProgressRecord, nullptr);
}

uint32_t
VariableListWord (std::vector<uint8_t> &Block, int Index)
{
  return HeaderWord (Block, 13) + 4 * Index;
}

INSTANTIATE_TEST_SUITE_P (
  Offsets,
  SetupDataBadHeaderTest,
  ::testing::Values (
    BadBlock { "block shorter than the header", [](std::vector<uint8_t> &B) { B.resize (67); } },
    BadBlock { "settings past the end", [](std::vector<uint8_t> &B) { HeaderWord (B, 10) = (uint32_t)B.size () - 11; } },
    BadBlock { "page list past the end", [](std::vector<uint8_t> &B) { HeaderWord (B, 11) = (uint32_t)B.size (); } },
    BadBlock { "page count past the end", [](std::vector<uint8_t> &B) { *(uint32_t *)&B[HeaderWord (B, 11)] = 0x40000000; } },
    BadBlock { "page record past the end", [](std::vector<uint8_t> &B) { *(uint32_t *)&B[HeaderWord (B, 11) + 4] = (uint32_t)B.size () - 24; } },
    BadBlock { "control count past the end", [](std::vector<uint8_t> &B) {
      uint32_t Page = *(uint32_t *)&B[HeaderWord (B, 11) + 4];
      *(uint32_t *)&B[Page + 28] = 0xFFFFFFFF;
    } },
    BadBlock { "control record past the end", [](std::vector<uint8_t> &B) {
      uint32_t Page = *(uint32_t *)&B[HeaderWord (B, 11) + 4];
      *(uint32_t *)&B[Page + 32] = (uint32_t)B.size ();
    } },
    BadBlock { "control defaults past the end", [](std::vector<uint8_t> &B) {
      uint32_t Page = *(uint32_t *)&B[HeaderWord (B, 11) + 4];
      uint32_t Control = HeaderWord (B, 12) + *(uint32_t *)&B[Page + 32];
      *(uint16_t *)&B[Control + 56] = 0xFFFF;
    } },
    BadBlock { "misaligned page record", [](std::vector<uint8_t> &B) { *(uint32_t *)&B[HeaderWord (B, 11) + 4] += 4; } },
    BadBlock { "variable list past the end", [](std::vector<uint8_t> &B) { HeaderWord (B, 13) = 0xFFFFFFF0; } },
    BadBlock { "variable record past the end", [](std::vector<uint8_t> &B) {
      *(uint32_t *)&B[VariableListWord (B, 2)] = (uint32_t)B.size () - HeaderWord (B, 13) - 64;
    } },
    BadBlock { "forms region ends before it starts", [](std::vector<uint8_t> &B) { HeaderWord (B, 14) = HeaderWord (B, 15) + 8; } },
    BadBlock { "variable-GUID list past the end", [](std::vector<uint8_t> &B) { HeaderWord (B, 15) = (uint32_t)B.size () + 8; HeaderWord (B, 14) = 0; } },
    BadBlock { "form-set entries past the end", [](std::vector<uint8_t> &B) { *(uint32_t *)&B[HeaderWord (B, 16)] = 40; } },
    BadBlock { "form-set table past the end", [](std::vector<uint8_t> &B) { HeaderWord (B, 16) = (uint32_t)B.size () - 2; } }));

TEST_F (SetupDataTest, AccessorsAnswerNotReadyWithoutSetupData) {
  CONTROL_RECORD  *Control;
  UINT32          Count;
  PAGE_RECORD     *Page;

  EXPECT_EQ (GetPageControl (0, 0, &Control), EFI_NOT_READY);
  EXPECT_EQ (GetPageControlCount (0, &Count), EFI_NOT_READY);
  EXPECT_EQ (GetPageData (0, &Page), EFI_NOT_READY);
  EXPECT_EQ (GetVariableCount (), 0u);
  EXPECT_EQ (GetVariableRecord (0), nullptr);
}

class SetupDataPagesTest : public SetupDataTest {
protected:
  void SetUp () override
  {
    Fw.AddFreeformSection (Builders::BuildSetupDataSectionBody (TwoPageBoard ()));
    ASSERT_EQ (LoadSetupData (Fw.ImageHandle ()), EFI_SUCCESS);
    ASSERT_EQ (ParseSetupDataHeader (), EFI_SUCCESS);
  }
};

TEST_F (SetupDataPagesTest, PageControlChecksHandleAndIndex) {
  CONTROL_RECORD  *Control;
  PAGE_RECORD     *Page;
  UINT32          Count = 0;

  ASSERT_EQ (GetPageControlCount (0, &Count), EFI_SUCCESS);
  EXPECT_EQ (Count, 2u);
  EXPECT_EQ (GetPageControlCount (2, &Count), EFI_INVALID_PARAMETER);

  // The form parser has not built the working records yet.
  EXPECT_EQ (GetPageControl (0, 0, &Control), EFI_NOT_READY);

  gControlData = gCompiledControlData;
  EXPECT_EQ (GetPageControl (0, 0, &Control), EFI_NOT_FOUND);   // page not bound to a package list
  ASSERT_EQ (GetPageData (0, &Page), EFI_SUCCESS);
  Page->HiiHandle = (EFI_HII_HANDLE)0x1234;
  ASSERT_EQ (GetPageControl (0, 1, &Control), EFI_SUCCESS);
  EXPECT_EQ (Control->ControlType, CONTROL_TYPE_CHECKBOX);
  EXPECT_EQ (GetPageControl (0, 2, &Control), EFI_INVALID_PARAMETER);   // N equal to the count
}

TEST_F (SetupDataPagesTest, CompiledControlsCarryTheirDefaults) {
  CONTROL_RECORD  *Control;

  ASSERT_EQ (GetCompiledPageControl (1, 0, &Control), EFI_SUCCESS);
  EXPECT_EQ (Control->ControlType, CONTROL_TYPE_NUMERIC);
  EXPECT_EQ (Control->ValueWidth, 2);
  EXPECT_EQ (((UINT8 *)Control)[64], 5);       // manufacturing default first
  EXPECT_EQ (((UINT8 *)Control)[66], 9);       // then the standard default
  EXPECT_EQ (GetCompiledPageControl (1, 1, &Control), EFI_INVALID_PARAMETER);
}

TEST_F (SetupDataPagesTest, FindControlByQuestionIdReadsByteSixOfQuestionOpcodes) {
  // ONE_OF with question id 0x1234, then a SUBTITLE whose bytes 6-7 happen to hold it too.
  uint8_t  OneOf[]    = { 0x05, 0x8F, 0, 0, 0, 0, 0x34, 0x12, 0, 0, 0, 0, 0, 0, 0 };
  uint8_t  Subtitle[] = { 0x02, 0x87, 0, 0, 0, 0, 0x34, 0x12 };
  uint8_t  Checkbox[] = { 0x06, 0x8F, 0, 0, 0, 0, 0x78, 0x56, 0, 0, 0, 0, 0, 0, 0 };
  CONTROL_RECORD  *First, *Second;
  PAGE_RECORD     *Page;
  UINTN           Index = 99;

  gControlData = gCompiledControlData;
  ASSERT_EQ (GetPageData (0, &Page), EFI_SUCCESS);
  Page->HiiHandle = (EFI_HII_HANDLE)0x1234;
  ASSERT_EQ (GetPageControl (0, 0, &First), EFI_SUCCESS);
  ASSERT_EQ (GetPageControl (0, 1, &Second), EFI_SUCCESS);
  First->QuestionOpcode  = (UINT64)(UINTN)Subtitle;
  Second->QuestionOpcode = (UINT64)(UINTN)Checkbox;
  EXPECT_EQ (FindControlByQuestionId (0, 0x5678, &Index), EFI_SUCCESS);
  EXPECT_EQ (Index, 1u);
  EXPECT_EQ (FindControlByQuestionId (0, 0x1234, &Index), EFI_NOT_FOUND);
  EXPECT_EQ (FindControlByQuestionId (0, 0, &Index), EFI_SUCCESS);   // a non-question counts as id 0
  EXPECT_EQ (Index, 0u);
  First->QuestionOpcode = (UINT64)(UINTN)OneOf;
  EXPECT_EQ (FindControlByQuestionId (0, 0x1234, &Index), EFI_SUCCESS);
  EXPECT_EQ (Index, 0u);
}

// The question opcodes by their UEFI values; a RESET_BUTTON is a statement, so even one
// long enough to hold a question header has no storage offset.
TEST (QuestionOpcodeTest, TenOpcodesCarryAQuestionHeader) {
  for (UINT8 OpCode : { 0x05, 0x06, 0x07, 0x08, 0x0C, 0x0F, 0x1A, 0x1B, 0x1C, 0x23 }) {
    EXPECT_TRUE (IsQuestionOpcode (OpCode)) << (int)OpCode;
  }

  for (UINT8 OpCode : { 0x00, 0x01, 0x02, 0x03, 0x09, 0x0D, 0x0E, 0x29, 0x5F }) {
    EXPECT_FALSE (IsQuestionOpcode (OpCode)) << (int)OpCode;
  }

  const uint8_t  OneOf[]  = { 0x05, 0x0F, 1, 0, 2, 0, 3, 0, 4, 0, 0x34, 0x12, 0, 0, 0 };
  const uint8_t  Padded[] = { 0x0D, 0x0C, 1, 0, 2, 0, 3, 0, 4, 0, 0x34, 0x12 };
  EXPECT_EQ (GetQuestionOffset (OneOf), 0x1234);
  EXPECT_EQ (GetQuestionOffset (Padded), 0);
}

TEST_F (SetupDataTest, VisitListKeepsDuplicatesAndGrowsPastFifty) {
  for (UINT32 Page = 0; Page < 51; Page++) {
    MarkPageVisited (Page);
  }

  MarkPageVisited (7);
  EXPECT_EQ (gVisitedPageCount, 52u);
  EXPECT_EQ (gVisitedPageCapacity, 100u);
  EXPECT_TRUE (IsPageVisited (50));
  EXPECT_FALSE (IsPageVisited (51));

  // A failed growth drops the page silently.
  ResetSetupData ();
  Fw.FailNextAllocation ();
  MarkPageVisited (3);
  EXPECT_FALSE (IsPageVisited (3));
}

TEST_F (SetupDataTest, CallbackContextStackPopsToTheEntryBelow) {
  SetCallbackContext ((EFI_HII_HANDLE)0x10, 4);
  EXPECT_EQ (gCallbackContext.HiiHandle, (EFI_HII_HANDLE)0x10);
  SetCallbackContext ((EFI_HII_HANDLE)0x20, 7);
  EXPECT_EQ (gCallbackContext.VariableIndex, 7u);
  SetCallbackContext (NULL, 0);
  EXPECT_EQ (gCallbackContext.HiiHandle, (EFI_HII_HANDLE)0x10);
  EXPECT_EQ (gCallbackContext.VariableIndex, 4u);
  SetCallbackContext (NULL, 0);
  EXPECT_EQ (gCallbackContext.HiiHandle, nullptr);
  EXPECT_EQ (gCallbackContext.VariableIndex, 0u);
  SetCallbackContext (NULL, 0);       // popping an empty stack changes nothing
  EXPECT_EQ (gCallbackContext.HiiHandle, nullptr);
}

TEST_F (SetupDataTest, CallbackContextPushBeyondTenIsRefusedAndItsPopIgnored) {
  for (UINTN Index = 1; Index <= 10; Index++) {
    SetCallbackContext ((EFI_HII_HANDLE)Index, (UINT32)Index);
  }

  SetCallbackContext ((EFI_HII_HANDLE)11, 11);
  EXPECT_EQ (gCallbackContext.VariableIndex, 10u);
  SetCallbackContext (NULL, 0);        // the refused push's pop
  EXPECT_EQ (gCallbackContext.VariableIndex, 10u);
  SetCallbackContext (NULL, 0);
  EXPECT_EQ (gCallbackContext.VariableIndex, 9u);
}

// Checkbox scopes written with the IFR builder; the control points at the checkbox.
class CheckboxTypeTest : public ::testing::Test {
protected:
  UINT16 TypeOf (size_t CheckboxAt, const std::vector<uint8_t> &Package, size_t Cut = 0)
  {
    mPackage = Package;
    CONTROL_RECORD  Control {};
    Control.QuestionOpcode = (UINT64)(UINTN)(mPackage.data () + CheckboxAt);
    return GetCheckboxControlType (&Control, mPackage.data () + mPackage.size () - Cut);
  }

  Builders::IfrBuilder  F;
  std::vector<uint8_t>  mPackage;
  // Spelled out, not taken from the shared layout header.
  const EFI_GUID        kVariant = { 0x7FDE1BF0, 0xD936, 0x4E50, { 0xAE, 0xF6, 0x56, 0xA1, 0x6D, 0x46, 0x1C, 0xB6 } };
  const EFI_GUID        kOther   = { 0x11111111, 0x2222, 0x3333, { 0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55 } };
};

TEST_F (CheckboxTypeTest, VariantGuidInsideANestedScopeGives31) {
  size_t  At = F.Checkbox ({ 1, 2, 3, 1, 0, 0 }, 0);
  F.SuppressIf ();
  F.Guid (kOther);
  F.Guid (kVariant);
  F.End ();
  F.End ();
  EXPECT_EQ (TypeOf (At, F.Package ()), CONTROL_TYPE_CHECKBOX_VARIANT);
}

// A variant GUID after the checkbox's scope closed, or after a checkbox without a
// scope, is not the checkbox's.
TEST_F (CheckboxTypeTest, VariantGuidOutsideTheScopeGives10) {
  size_t  Closed = F.Checkbox ({ 1, 2, 3, 1, 0, 0 }, 0);
  F.Default (0, EFI_IFR_TYPE_BOOLEAN, 1);
  F.End ();
  F.Guid (kVariant);
  size_t  Unscoped = F.Checkbox ({ 1, 2, 4, 1, 0, 0 }, 0, false);
  F.Guid (kVariant);
  EXPECT_EQ (TypeOf (Closed, F.Package ()), CONTROL_TYPE_CHECKBOX);
  EXPECT_EQ (TypeOf (Unscoped, F.Package ()), CONTROL_TYPE_CHECKBOX);
}

TEST_F (CheckboxTypeTest, WalkStopsAtThePackageEndAndAtZeroLengthOpcodes) {
  size_t  At = F.Checkbox ({ 1, 2, 3, 1, 0, 0 }, 0);
  F.Guid (kVariant);
  F.End ();
  // The GUID opcode cut by the package end is not read.
  EXPECT_EQ (TypeOf (At, F.Package (), 3), CONTROL_TYPE_CHECKBOX);

  Builders::IfrBuilder  G;
  size_t  Second = G.Checkbox ({ 1, 2, 3, 1, 0, 0 }, 0);
  G.ZeroLengthOp (EFI_IFR_SUPPRESS_IF_OP);
  G.Guid (kVariant);
  G.End ();
  EXPECT_EQ (TypeOf (Second, G.Package ()), CONTROL_TYPE_CHECKBOX);
}

}  // namespace

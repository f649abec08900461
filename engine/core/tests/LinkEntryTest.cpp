// The link entries of the variable-GUID list: a record is read as one only when
// the list's end and the next record leave it room for all its fields, so a record
// of a GUID alone stays an ordinary condition, and every read stays in the block.
#include <engine/testing/EngineTestMachine.h>

#include <engine/core/SetupData.h>
#include <Builders/SetupDataBuilder.h>
#include <Library/BaseMemoryLib.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

constexpr EFI_GUID  kPlainGuid  = { 0x1D3A0C11, 0x6A0F, 0x4C5B, { 0x90, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x01 } };
constexpr EFI_GUID  kBootGuid   = { 0x1D3A0C11, 0x6A0F, 0x4C5B, { 0x90, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x02 } };
constexpr EFI_GUID  kToolGuid   = { 0x1D3A0C11, 0x6A0F, 0x4C5B, { 0x90, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x03 } };
constexpr EFI_GUID  kLastGuid   = { 0x1D3A0C11, 0x6A0F, 0x4C5B, { 0x90, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x04 } };

Builders::SETUP_DATA_DESC
Board ()
{
  Builders::SETUP_DATA_DESC  D;

  D.FirstFormSetGuid = EFI_GUID {};
  D.VariableGuids    = std::vector<EFI_GUID> { kPlainGuid };
  D.Variables        = { { .VendorGuid = kPlainGuid, .Name = u"Setup", .StoreFlags = VARIABLE_STORE_EFI, .Size = 4 } };
  D.Pages            = { { .FormId = 1 } };
  D.FormSets         = { { kPlainGuid, 1, 0, 0 } };
  D.SpecialEntries   = {
    { .FileGuid = kBootGuid, .Flags = SPECIAL_ENTRY_HAS_KIND, .Kind = SPECIAL_KIND_BOOT_ENTRY },
    { .FileGuid = kToolGuid, .Flags = SPECIAL_ENTRY_START_PATHS, .Paths = u"\\a.efi|\\b.efi" },
  };
  return D;
}

class LinkEntryTest : public ::testing::Test {
protected:
  void TearDown () override { ResetSetupData (); }

  // Loads a block built from Desc; the header check's answer.
  EFI_STATUS Load (const Builders::SETUP_DATA_DESC &Desc)
  {
    Fw.AddFreeformSection (Builders::BuildSetupDataSectionBody (Desc));
    EFI_STATUS  Status = LoadSetupData (Fw.ImageHandle ());
    return EFI_ERROR (Status) ? Status : ParseSetupDataHeader ();
  }

  // The record of the list with this GUID, as the condition reader finds it.
  const VARIABLE_GUID_RECORD *Record (const EFI_GUID &Guid)
  {
    UINT32  Count;
    UINT32  Offset;

    std::memcpy (&Count, gVariableGuidList, 4);
    for (UINT32 Index = 0; Index < Count; Index++) {
      std::memcpy (&Offset, gVariableGuidList + 4 + 4 * Index, 4);
      if (CompareGuid ((const EFI_GUID *)(gVariableGuidList + Offset), &Guid)) {
        return (const VARIABLE_GUID_RECORD *)(gVariableGuidList + Offset);
      }
    }

    return nullptr;
  }

  std::u16string Paths (const SPECIAL_ENTRY &Entry)
  {
    std::u16string  Text (Entry.PathListLength, u'\0');
    std::memcpy (Text.data (), Entry.PathList, 2 * Entry.PathListLength);
    return Text;
  }

  EngineTestMachine  Fw;
};

TEST_F (LinkEntryTest, AnEntryGivesItsFlagsKindAndPaths) {
  SPECIAL_ENTRY  Entry;

  ASSERT_EQ (Load (Board ()), EFI_SUCCESS);
  ASSERT_TRUE (GetSpecialEntry (Record (kBootGuid), &Entry));
  EXPECT_TRUE (CompareGuid (&Entry.FileGuid, &kBootGuid));
  EXPECT_EQ (Entry.Flags, (UINT32)SPECIAL_ENTRY_HAS_KIND);
  EXPECT_EQ (Entry.Kind, (UINT32)SPECIAL_KIND_BOOT_ENTRY);
  EXPECT_EQ (Entry.PathListLength, 0u);

  ASSERT_TRUE (GetSpecialEntry (Record (kToolGuid), &Entry));
  EXPECT_EQ (Entry.Flags, (UINT32)SPECIAL_ENTRY_START_PATHS);
  EXPECT_EQ (Paths (Entry), u"\\a.efi|\\b.efi");
}

// The GUID-only record lies right before a link entry: the entry's bytes are not its own.
TEST_F (LinkEntryTest, ARecordOfAGuidAloneIsAnOrdinaryCondition) {
  SPECIAL_ENTRY  Entry;

  ASSERT_EQ (Load (Board ()), EFI_SUCCESS);
  ASSERT_NE (Record (kPlainGuid), nullptr);
  EXPECT_FALSE (GetSpecialEntry (Record (kPlainGuid), &Entry));
}

// The last record of the list is bounded by the list's end, not by the table after it.
TEST_F (LinkEntryTest, AGuidAloneAtTheListsEndIsAnOrdinaryCondition) {
  Builders::SETUP_DATA_DESC  D = Board ();
  SPECIAL_ENTRY              Entry;

  D.SpecialEntries.clear ();
  D.VariableGuids = std::vector<EFI_GUID> { kPlainGuid, kLastGuid };
  ASSERT_EQ (Load (D), EFI_SUCCESS);
  EXPECT_FALSE (GetSpecialEntry (Record (kLastGuid), &Entry));
}

// A block that records no end of the list (an older layout): every record is a GUID.
TEST_F (LinkEntryTest, ABlockWithoutTheListsEndHasNoSpecialEntries) {
  Builders::SETUP_DATA_DESC  D = Board ();
  SPECIAL_ENTRY              Entry;

  D.RecordListEnd = false;
  ASSERT_EQ (Load (D), EFI_SUCCESS);
  EXPECT_EQ (gVariableGuidListSize, 0u);
  EXPECT_FALSE (GetSpecialEntry (Record (kBootGuid), &Entry));
  EXPECT_FALSE (GetSpecialEntry (Record (kToolGuid), &Entry));
}

TEST_F (LinkEntryTest, ARecordTooShortForItsFieldsIsNotRead) {
  Builders::SETUP_DATA_DESC  D = Board ();
  SPECIAL_ENTRY              Entry;

  D.SpecialEntries[0].RecordSize = 24;              // the path length and the word after it cut off
  ASSERT_EQ (Load (D), EFI_SUCCESS);
  EXPECT_FALSE (GetSpecialEntry (Record (kBootGuid), &Entry));
  EXPECT_TRUE (GetSpecialEntry (Record (kToolGuid), &Entry));
}

TEST_F (LinkEntryTest, APathListLongerThanItsRecordIsNotRead) {
  Builders::SETUP_DATA_DESC  D = Board ();
  SPECIAL_ENTRY              Entry;

  D.SpecialEntries[1].PathListLength = 14;           // one character more than the record holds
  ASSERT_EQ (Load (D), EFI_SUCCESS);
  EXPECT_FALSE (GetSpecialEntry (Record (kToolGuid), &Entry));
}

TEST_F (LinkEntryTest, APointerOutsideTheListIsNoEntry) {
  SPECIAL_ENTRY  Entry;
  UINT8          Elsewhere[64] = {};

  ASSERT_EQ (Load (Board ()), EFI_SUCCESS);
  EXPECT_FALSE (GetSpecialEntry ((const VARIABLE_GUID_RECORD *)Elsewhere, &Entry));
  // Inside the list but not at a record's start.
  EXPECT_FALSE (GetSpecialEntry ((const VARIABLE_GUID_RECORD *)((const UINT8 *)Record (kBootGuid) + 4), &Entry));
  EXPECT_FALSE (GetSpecialEntry (nullptr, &Entry));
}

uint32_t &
Word (std::vector<uint8_t> &Block, int Index)
{
  return *(uint32_t *)&Block[4 * Index];
}

// The list's end must lie in the block, after the offsets, and past every record's GUID.
TEST_F (LinkEntryTest, AnEndThatCannotBoundTheRecordsIsRefused) {
  for (int Case = 0; Case < 3; Case++) {
    std::vector<uint8_t>  Block = Builders::BuildSetupDataBlock (Board ());
    switch (Case) {
      case 0: Word (Block, 9) = (uint32_t)Block.size () + 1; break;
      case 1: Word (Block, 9) = Word (Block, 15) + 4; break;
      // The offsets take 16 bytes, the GUID-only record the next 16: the end falls inside the second record's GUID.
      default: Word (Block, 9) = Word (Block, 15) + 40; break;
    }

    EXPECT_EQ (ValidateSetupData (Block.data (), Block.size ()), EFI_VOLUME_CORRUPTED) << Case;
  }
}

}  // namespace

// The variable cache at the byte level: reads and writes with the special indexes,
// loading, the default caches, default orders and the snapshot.
#include <engine/testing/EngineTestMachine.h>

#include <Builders/NvramImageBuilder.h>
#include <Builders/SetupDataBuilder.h>
#include <engine/core/EngineGlobals.h>
#include <engine/boot/BootOptions.h>
#include <engine/core/HookTable.h>
#include <engine/core/SetupData.h>
#include <engine/forms/QuestionDefaults.h>
#include <engine/forms/QuestionAccess.h>
#include <engine/variables/VariableCache.h>
#include <engine/variables/LegacyOrderFormat.h>
#include <engine/textui/TuiApp.h>
#include <engine/core/VariableGuids.h>
#include <engine/post/BootScreen.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Protocol/LegacyBios.h>

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr EFI_GUID  kBoardGuid   = BOARD_SETUP_VARIABLE_GUID;
constexpr EFI_GUID  kEngineGuid  = ENGINE_SETTINGS_VARIABLE_GUID;
// Spelled out, not taken from the engine's headers, so a wrong GUID there shows.
constexpr EFI_GUID  kOrderGuid         = { 0x45CF35F6, 0x0D6E, 0x4D04, { 0x85, 0x6A, 0x03, 0x70, 0xA5, 0xB1, 0x6F, 0x53 } };
constexpr EFI_GUID  kDefaultLegacyGuid = { 0x3C4EAD08, 0x45AE, 0x4315, { 0x8D, 0x15, 0xA6, 0x0E, 0xAA, 0x8C, 0xAF, 0x69 } };
constexpr EFI_GUID  kLegacyOrderGuid   = { 0xA56074DB, 0x65FE, 0x45F7, { 0xBD, 0x21, 0x2D, 0x2B, 0xDD, 0x8E, 0x96, 0x52 } };

int  gSnapshotHooks;
int  gOrderHooks;
int  gWrittenHooks;

UINT64 SnapshotMember (CONST HOOK_ARGS *) { gSnapshotHooks++; return 0; }
UINT64 OrderMember (CONST HOOK_ARGS *) { gOrderHooks++; return 0; }
UINT64 WrittenMember (CONST HOOK_ARGS *) { gWrittenHooks++; return 0; }
UINT64 Word (HOOK_FUNCTION F) { return (UINT64)(UINTN)F; }

const UINT64  kTestHooks[] = {
  HOOK_ID_SNAPSHOT_RESTORED, Word (SnapshotMember), Word (SnapshotMember),
  HOOK_ID_DEFAULT_ORDERS_LOADED, Word (OrderMember), Word (OrderMember),
  HOOK_ID_VARIABLE_WRITTEN, Word (WrittenMember), Word (WrittenMember),
  0xFFFF0000, Word (WrittenMember), 0
};

// Twenty-seven variables: every special index, a cache-only one (16), one that is never
// written (17), one that another driver owns (26).
Builders::SETUP_VARIABLE_DESC
Variable (std::u16string Name, const EFI_GUID &Guid, uint16_t Size, uint32_t StoreFlags)
{
  return { .VendorGuid = Guid, .Name = Name, .StoreFlags = StoreFlags, .Size = Size };
}

Builders::SETUP_DATA_DESC
Board ()
{
  Builders::SETUP_DATA_DESC  D;

  for (int Index = 0; Index < 27; Index++) {
    D.Variables.push_back (Variable (u"Var" + std::u16string (1, u'A' + Index), kBoardGuid, 4, VARIABLE_STORE_EFI));
  }

  D.Variables[0]  = Variable (u"Setup", kBoardGuid, 16, VARIABLE_STORE_EFI);
  D.Variables[1]  = Variable (u"PlatformLang", kEngineGuid, 6, 0);
  D.Variables[2]  = Variable (u"Timeout", kEngineGuid, 2, 0);
  D.Variables[3]  = Variable (u"SetupSnapshot", kEngineGuid, 0, 0);
  D.Variables[5]  = Variable (u"OKURWZSetup", kEngineGuid, 81, VARIABLE_STORE_EFI);
  D.Variables[7]  = Variable (u"BootOrder", kEngineGuid, 0, 0);
  D.Variables[8]  = Variable (u"LegacyDevOrder", kEngineGuid, 0, 0);
  D.Variables[16] = Variable (u"CacheOnly", kBoardGuid, 4, VARIABLE_STORE_CACHE_ONLY);
  D.Variables[17] = Variable (u"ReadOnly", kBoardGuid, 4, VARIABLE_STORE_EFI | VARIABLE_STORE_NO_WRITE);
  D.Variables[18] = Variable (u"DynamicPageCount", kEngineGuid, 2, VARIABLE_STORE_EFI);
  D.Variables[23] = Variable (u"DriverOrder", kEngineGuid, 0, 0);
  D.Variables[26] = Variable (u"DriverOwned", kBoardGuid, 8, VARIABLE_STORE_NAME_VALUE);
  D.Pages = { { .FormId = 1, .TitleStringId = 0x100, .Controls = {
    { .ControlType = CONTROL_TYPE_ONE_OF, .QuestionOpcode = 0x40, .ValueWidth = 1, .MfgDefault = { 0xAA }, .StdDefault = { 0xBB } },
    { .ControlType = CONTROL_TYPE_NUMERIC, .QuestionOpcode = 0x60, .ValueWidth = 2, .MfgDefault = { 0x11, 0x22 },
      .StdDefault = { 0x33, 0x44 } },
    { .VariableIndex = 1, .ControlType = CONTROL_TYPE_ONE_OF, .QuestionOpcode = 0x80, .ValueWidth = 1, .MfgDefault = { 0x01 },
      .StdDefault = { 0x02 } },
  } } };
  D.FormSets         = { {} };
  D.FirstFormSetGuid = EFI_GUID {};
  D.VariableGuids    = std::vector<EFI_GUID> {};
  D.Settings.TitleStringId    = 0x20;
  D.Settings.TabTitleStringId = 0x21;
  return D;
}

BYTES
Ascii (const char *Text)
{
  return BYTES (Text, Text + strlen (Text) + 1);
}

class VariableCacheTest : public ::testing::Test {
protected:
  void SetUp () override
  {
    mSavedHooks = gHookTable;
    gHookTable  = kTestHooks;
    gSnapshotHooks = gOrderHooks = gWrittenHooks = 0;
    Fw.AddFreeformSection (Builders::BuildSetupDataSectionBody (Board ()));
    ASSERT_EQ (LoadSetupData (Fw.ImageHandle ()), EFI_SUCCESS);
    ASSERT_EQ (ParseSetupDataHeader (), EFI_SUCCESS);
    Fw.PutVariable (u"Setup", kBoardGuid, { 1, 2, 3, 4, 5, 6, 7, 8 });
    Fw.PutVariable (u"PlatformLang", kEngineGuid, Ascii ("en-US"), 7);
    Fw.PutVariable (u"VarE", kBoardGuid, { 9, 9, 9, 9 });
    mLanguages[0] = { (CHAR8 *)"en-US", nullptr, nullptr, 0, {} };
    mLanguages[1] = { (CHAR8 *)"fr-FR", nullptr, nullptr, 0, {} };
    mLanguages[2] = { (CHAR8 *)"en", nullptr, nullptr, 0, {} };
  }

  void TearDown () override
  {
    FreeVariableCaches ();
    ResetSetupData ();
    gHookTable     = mSavedHooks;
    gLanguageList  = nullptr;
    gLanguageCount = 0;
    gBootScreenState = 0;
  }

  void UseLanguages (UINTN Count)
  {
    gLanguageList  = mLanguages;
    gLanguageCount = Count;
  }

  BYTES Entry (VARIABLE_CACHE_ENTRY *Cache, UINTN Index)
  {
    const uint8_t  *Data = (const uint8_t *)Cache[Index].Data;

    return Data == nullptr ? BYTES {} : BYTES (Data, Data + Cache[Index].Size);
  }

  EngineTestMachine   Fw;
  CONST UINT64        *mSavedHooks = nullptr;
  LANGUAGE_ENTRY      mLanguages[3] {};
};

TEST_F (VariableCacheTest, LoadReadsEveryStoredVariableAndLeavesAbsentOnesEmpty) {
  ASSERT_EQ (LoadVariableCache (&gVariableCache, nullptr), EFI_SUCCESS);
  EXPECT_EQ (Entry (gVariableCache, 0), (BYTES { 1, 2, 3, 4, 5, 6, 7, 8 }));
  EXPECT_EQ (Entry (gVariableCache, 1), Ascii ("en-US"));
  EXPECT_EQ (Entry (gVariableCache, 4), (BYTES { 9, 9, 9, 9 }));
  EXPECT_EQ (gVariableCache[2].Data, nullptr);
  EXPECT_EQ (gVariableCache[26].Data, nullptr);   // driver-owned: no configuration routing yet
  // The unread record's attributes became 7; the stored ones came back from the read.
  EXPECT_EQ (GetVariableRecord (2)->Attributes, 7u);
  EXPECT_EQ (GetVariableRecord (1)->Attributes, 7u);
}

TEST_F (VariableCacheTest, ShortReadGivesTheTailThenZeros) {
  uint8_t  Buffer[4] = { 0xEE, 0xEE, 0xEE, 0xEE };

  ASSERT_EQ (LoadVariableCache (&gVariableCache, nullptr), EFI_SUCCESS);
  ASSERT_EQ (ReadVariableBytes (0, 6, 4, Buffer, FALSE), EFI_SUCCESS);
  EXPECT_EQ (BYTES (Buffer, Buffer + 4), (BYTES { 7, 8, 0, 0 }));
  ASSERT_EQ (ReadVariableBytes (0, 8, 4, Buffer, FALSE), EFI_SUCCESS);   // at the end: all zeros
  EXPECT_EQ (BYTES (Buffer, Buffer + 4), (BYTES { 0, 0, 0, 0 }));
}

TEST_F (VariableCacheTest, WritePastTheEndGrowsTheEntryWithZeros) {
  uint8_t  Data[4] = { 0xA1, 0xA2, 0xA3, 0xA4 };

  ASSERT_EQ (LoadVariableCache (&gVariableCache, nullptr), EFI_SUCCESS);
  ASSERT_EQ (WriteVariableBytes (0, 10, 4, Data), EFI_SUCCESS);
  EXPECT_EQ (Entry (gVariableCache, 0), (BYTES { 1, 2, 3, 4, 5, 6, 7, 8, 0, 0, 0xA1, 0xA2, 0xA3, 0xA4 }));
  // Only the cache changed.
  EXPECT_EQ (*Fw.FindVariable (u"Setup", kBoardGuid), (BYTES { 1, 2, 3, 4, 5, 6, 7, 8 }));
  EXPECT_EQ (gWrittenHooks, 1);
  EXPECT_EQ (gSetupVariableChanged, 1);
}

TEST_F (VariableCacheTest, WriteToAnEmptyEntryAllocatesOffsetPlusSize) {
  uint8_t  Data[2] = { 0x34, 0x12 };

  ASSERT_EQ (LoadVariableCache (&gVariableCache, nullptr), EFI_SUCCESS);
  ASSERT_EQ (WriteVariableBytes (2, 2, 2, Data), EFI_SUCCESS);
  EXPECT_EQ (Entry (gVariableCache, 2), (BYTES { 0, 0, 0x34, 0x12 }));
}

// What setup puts in place while it draws, and a variable first read after the baseline
// was taken, join the baseline; the user's changes stay changes, also in a variable whose
// other bytes were adopted, and a discard takes back only those.
TEST_F (VariableCacheTest, AdoptedWritesAndLateReadsJoinTheBaselineAndUserChangesStayChanges) {
  uint8_t  User    = 0x55;
  uint8_t  Adopted = 0x66;
  uint8_t  Later   = 0x77;

  ASSERT_EQ (LoadVariableCache (&gVariableCache, nullptr), EFI_SUCCESS);
  ASSERT_EQ (TakeCacheBaseline (), EFI_SUCCESS);
  Fw.PutVariable (u"Timeout", kEngineGuid, { 5, 0 });
  uint8_t  Timeout[2] = {};
  ASSERT_EQ (ReadVariableBytes (2, 0, 2, Timeout, FALSE), EFI_SUCCESS);
  EXPECT_EQ (BYTES (Timeout, Timeout + 2), (BYTES { 5, 0 }));
  EXPECT_FALSE (VariableDiffersFromBaseline (2));

  ASSERT_EQ (WriteVariableBytes (0, 0, 1, &User), EFI_SUCCESS);
  BeginBaselineAdoption ();
  ASSERT_EQ (WriteVariableBytes (0, 4, 1, &Adopted), EFI_SUCCESS);
  ASSERT_EQ (WriteVariableBytes (4, 6, 1, &Adopted), EFI_SUCCESS);      // past its end: it grows in both
  EndBaselineAdoption ();
  EXPECT_TRUE (VariableDiffersFromBaseline (0));
  EXPECT_FALSE (VariableDiffersFromBaseline (4));
  EXPECT_EQ (Entry (gVariableCache, 4), (BYTES { 9, 9, 9, 9, 0, 0, 0x66 }));

  ASSERT_EQ (RestoreBaselineEntry (0), EFI_SUCCESS);
  EXPECT_EQ (Entry (gVariableCache, 0), (BYTES { 1, 2, 3, 4, 0x66, 6, 7, 8 }));
  ASSERT_EQ (WriteVariableBytes (4, 0, 1, &Later), EFI_SUCCESS);
  EXPECT_TRUE (VariableDiffersFromBaseline (4));
  FreeCacheBaseline ();
}

TEST_F (VariableCacheTest, GrowthThatCannotBeAllocatedLeavesTheEntryAsItWas) {
  uint8_t  Data[4] = { 0xA1, 0xA2, 0xA3, 0xA4 };

  ASSERT_EQ (LoadVariableCache (&gVariableCache, nullptr), EFI_SUCCESS);
  Fw.FailNextAllocation ();
  EXPECT_EQ (WriteVariableBytes (0, 10, 4, Data), EFI_OUT_OF_RESOURCES);
  EXPECT_EQ (Entry (gVariableCache, 0), (BYTES { 1, 2, 3, 4, 5, 6, 7, 8 }));
  EXPECT_EQ (gWrittenHooks, 0);
}

TEST_F (VariableCacheTest, AFailedReloadKeepsTheCacheInForce) {
  ASSERT_EQ (LoadVariableCache (&gVariableCache, nullptr), EFI_SUCCESS);
  VARIABLE_CACHE_ENTRY  *Before = gVariableCache;
  Fw.FailNextAllocation ();
  EXPECT_EQ (LoadVariableCache (&gVariableCache, nullptr), EFI_OUT_OF_RESOURCES);
  EXPECT_EQ (gVariableCache, Before);
  EXPECT_EQ (Entry (gVariableCache, 0), (BYTES { 1, 2, 3, 4, 5, 6, 7, 8 }));
}

TEST_F (VariableCacheTest, CacheOnlyVariablesReadFromTheCache) {
  UINTN    Size = 99;
  uint8_t  Data[2] = { 0x5A, 0xA5 };

  EXPECT_EQ (GetVariableByIndex (16, &Size), nullptr);       // no cache yet
  EXPECT_EQ (Size, 0u);
  ASSERT_EQ (LoadVariableCache (&gVariableCache, nullptr), EFI_SUCCESS);
  ASSERT_EQ (WriteVariableBytes (16, 1, 2, Data), EFI_SUCCESS);
  UINT8  *Copy = (UINT8 *)GetVariableByIndex (16, &Size);
  ASSERT_NE (Copy, nullptr);
  EXPECT_EQ (BYTES (Copy, Copy + Size), (BYTES { 0, 0x5A, 0xA5 }));
  FreePool (Copy);
  Size = 2;
  Copy = (UINT8 *)GetCachedVariable (16, &Size);             // a size below the entry's is kept
  ASSERT_NE (Copy, nullptr);
  EXPECT_EQ (BYTES (Copy, Copy + Size), (BYTES { 0, 0x5A }));
  FreePool (Copy);
}

TEST_F (VariableCacheTest, UnreadableVariableReadsAsZerosWithAnError) {
  uint8_t  Buffer[2] = { 0xEE, 0xEE };

  ASSERT_EQ (LoadVariableCache (&gVariableCache, nullptr), EFI_SUCCESS);
  EXPECT_EQ (ReadVariableBytes (2, 0, 2, Buffer, FALSE), EFI_INVALID_PARAMETER);
  EXPECT_EQ (BYTES (Buffer, Buffer + 2), (BYTES { 0, 0 }));
  EXPECT_EQ (ReadVariableBytes (27, 0, 2, Buffer, FALSE), EFI_INVALID_PARAMETER);   // beyond the list
  Buffer[0] = 0xEE;
  EXPECT_EQ (ReadVariableBytes (0, 0, 2, Buffer, TRUE), EFI_NOT_READY);            // no defaults cache yet
  EXPECT_EQ (Buffer[0], 0);
}

TEST_F (VariableCacheTest, HookAndChangeFlagSkipTheNoHookIndexes) {
  uint8_t  Data[1] = { 5 };

  ASSERT_EQ (LoadVariableCache (&gVariableCache, nullptr), EFI_SUCCESS);
  for (UINTN Index : { 4, 9, 15, 17, 20, 22, 24 }) {
    ASSERT_EQ (WriteVariableBytes (Index, 0, 1, Data), EFI_SUCCESS) << Index;
  }

  EXPECT_EQ (gWrittenHooks, 0);
  EXPECT_EQ (gSetupVariableChanged, 0);
  for (UINTN Index : { 2, 16, 21 }) {
    ASSERT_EQ (WriteVariableBytes (Index, 0, 1, Data), EFI_SUCCESS) << Index;
  }

  EXPECT_EQ (gWrittenHooks, 3);
  EXPECT_EQ (gSetupVariableChanged, 1);
}

// The code is stored, NVRAM written at once and a running application learns of it.
TEST_F (VariableCacheTest, LanguageWriteStoresTheCodeAndWritesNvramAtOnce) {
  uint16_t  French = 1;
  uint16_t  Read   = 0xFFFF;
  TUI_APP   App    = {};

  UseLanguages (2);
  ASSERT_EQ (LoadVariableCache (&gVariableCache, nullptr), EFI_SUCCESS);
  ASSERT_EQ (ReadVariableBytes (1, 0, 2, &Read, FALSE), EFI_SUCCESS);
  EXPECT_EQ (Read, 0);
  gTuiApp = &App;
  ASSERT_EQ (WriteVariableBytes (1, 0, 2, &French), EFI_SUCCESS);
  gTuiApp = nullptr;
  EXPECT_EQ (App.LanguageChanged, 1);
  EXPECT_EQ (Entry (gVariableCache, 1), Ascii ("fr-FR"));
  ASSERT_EQ (Fw.Writes ().size (), 1u);
  EXPECT_EQ (Fw.Writes ()[0].Name, u"PlatformLang");
  EXPECT_EQ (Fw.Writes ()[0].Data, Ascii ("fr-FR"));
  EXPECT_EQ (Fw.Writes ()[0].Attributes, 7u);
  EXPECT_EQ (gLanguageChanged, 1);
  ASSERT_EQ (ReadVariableBytes (1, 0, 2, &Read, FALSE), EFI_SUCCESS);
  EXPECT_EQ (Read, 1);
}

TEST_F (VariableCacheTest, LanguageIndexBeyondTheListIsRefusedAndNothingWritten) {
  uint16_t  Unknown = 2;

  UseLanguages (2);
  ASSERT_EQ (LoadVariableCache (&gVariableCache, nullptr), EFI_SUCCESS);
  EXPECT_EQ (WriteVariableBytes (1, 0, 2, &Unknown), EFI_INVALID_PARAMETER);
  EXPECT_EQ (Entry (gVariableCache, 1), Ascii ("en-US"));
  EXPECT_TRUE (Fw.Writes ().empty ());
  EXPECT_EQ (gWrittenHooks, 0);
  EXPECT_EQ (gLanguageChanged, 0);
}

TEST_F (VariableCacheTest, LanguageReadMatchesWholeCodesOnly) {
  uint16_t  Read = 0xABCD;

  UseLanguages (3);
  Fw.PutVariable (u"PlatformLang", kEngineGuid, Ascii ("en"), 7);
  ASSERT_EQ (LoadVariableCache (&gVariableCache, nullptr), EFI_SUCCESS);
  ASSERT_EQ (ReadVariableBytes (1, 0, 2, &Read, FALSE), EFI_SUCCESS);
  EXPECT_EQ (Read, 2);    // "en", not the "en-US" that starts with it

  // A code that is no list entry reads as the raw bytes.
  Fw.PutVariable (u"PlatformLang", kEngineGuid, { 'd', 'e' }, 7);
  RefreshVariableCache (1);
  ASSERT_EQ (ReadVariableBytes (1, 0, 2, &Read, FALSE), EFI_SUCCESS);
  EXPECT_EQ (Read, 'd' | ('e' << 8));
}

TEST_F (VariableCacheTest, WriteVariableBytesNoTranslateSkipsNvramHookAndFlag) {
  uint16_t  French = 1;

  UseLanguages (2);
  ASSERT_EQ (LoadVariableCache (&gVariableCache, nullptr), EFI_SUCCESS);
  ASSERT_EQ (WriteVariableBytesNoTranslate (1, 0, 2, &French), EFI_SUCCESS);
  EXPECT_EQ (Entry (gVariableCache, 1), Ascii ("fr-FR"));
  EXPECT_TRUE (Fw.Writes ().empty ());
  EXPECT_EQ (gWrittenHooks, 0);
}

TEST_F (VariableCacheTest, OrderWritesWithoutOptionTablesKeepTheCallersBytes) {
  uint16_t  Value = 0x0003;

  ASSERT_EQ (LoadVariableCache (&gVariableCache, nullptr), EFI_SUCCESS);
  ASSERT_EQ (WriteVariableBytes (7, 2, 2, &Value), EFI_SUCCESS);
  EXPECT_EQ (Entry (gVariableCache, 7), (BYTES { 0, 0, 3, 0 }));
  ASSERT_EQ (WriteVariableBytes (0, 0, 2, &Value), EFI_SUCCESS);   // index 0 is never translated
  EXPECT_EQ (Entry (gVariableCache, 0)[0], 3);
}

TEST_F (VariableCacheTest, SetVariableByIndexRoads) {
  uint8_t  Data[4] = { 1, 2, 3, 4 };

  ASSERT_EQ (LoadVariableCache (&gVariableCache, nullptr), EFI_SUCCESS);
  EXPECT_EQ (SetVariableByIndex (17, Data, 4), EFI_SUCCESS);           // never written back
  EXPECT_TRUE (Fw.Writes ().empty ());
  EXPECT_EQ (SetVariableByIndex (27, Data, 4), EFI_INVALID_PARAMETER);
  EXPECT_EQ (SetVariableByIndex (0, nullptr, 4), EFI_INVALID_PARAMETER);
  EXPECT_EQ (SetVariableByIndex (26, Data, 4), EFI_NOT_READY);        // routed, but this firmware has no HII

  // A record never read still has attributes 0, which would delete the variable.
  ASSERT_EQ (GetVariableRecord (19)->Attributes, 7u);
  GetVariableRecord (19)->Attributes = 0;
  ASSERT_EQ (SetVariableByIndex (19, Data, 4), EFI_SUCCESS);
  ASSERT_EQ (Fw.Writes ().size (), 1u);
  EXPECT_EQ (Fw.Writes ()[0].Attributes, 7u);
  EXPECT_EQ (*Fw.FindVariable (u"VarT", kBoardGuid), (BYTES { 1, 2, 3, 4 }));
  EXPECT_EQ (Entry (gVariableCache, 19), (BYTES { 1, 2, 3, 4 }));      // the cache was refreshed
}

TEST_F (VariableCacheTest, ReloadKeepsCacheOnlyValuesAndTheDynamicPageCount) {
  uint8_t  Kept[4] = { 0xC0, 0xC1, 0xC2, 0xC3 };
  uint8_t  Pages[2] = { 5, 0 };

  Fw.PutVariable (u"DynamicPageCount", kEngineGuid, { 1, 0 });
  ASSERT_EQ (LoadVariableCache (&gVariableCache, nullptr), EFI_SUCCESS);
  EXPECT_EQ (Entry (gVariableCache, 18), (BYTES { 1, 0 }));
  ASSERT_EQ (WriteVariableBytes (16, 0, 4, Kept), EFI_SUCCESS);
  ASSERT_EQ (WriteVariableBytes (18, 0, 2, Pages), EFI_SUCCESS);
  ASSERT_EQ (LoadVariableCache (&gVariableCache, nullptr), EFI_SUCCESS);
  EXPECT_EQ (Entry (gVariableCache, 16), (BYTES { 0xC0, 0xC1, 0xC2, 0xC3 }));
  EXPECT_EQ (Entry (gVariableCache, 18), (BYTES { 5, 0 }));

  // A stored count too short for two bytes is kept as read.
  Fw.PutVariable (u"DynamicPageCount", kEngineGuid, { 7 });
  ASSERT_EQ (LoadVariableCache (&gVariableCache, nullptr), EFI_SUCCESS);
  EXPECT_EQ (Entry (gVariableCache, 18), (BYTES { 7 }));
}

TEST_F (VariableCacheTest, FallbackFillsOnlyEmptyEntries) {
  ASSERT_EQ (BuildDefaultCaches (), EFI_SUCCESS);
  gVariableCacheStdDefaults[2].Data = AllocateCopyPool (2, "\x0A\x00");
  gVariableCacheStdDefaults[2].Size = 2;
  ASSERT_EQ (LoadVariableCache (&gVariableCache, gVariableCacheStdDefaults), EFI_SUCCESS);
  EXPECT_EQ (Entry (gVariableCache, 2), (BYTES { 0x0A, 0 }));
  EXPECT_EQ (Entry (gVariableCache, 0), (BYTES { 1, 2, 3, 4, 5, 6, 7, 8 }));
}

TEST_F (VariableCacheTest, LegacyOrderIndexesAbove255BecomeTheDisabledMarker) {
  // Two groups: type 2 with devices 1, 0x0102; type 3 with device 0x00FF.
  Fw.PutVariable (u"LegacyDevOrder", kEngineGuid, { 2, 0, 0, 0, 6, 0, 1, 0, 2, 1, 3, 0, 0, 0, 4, 0, 0xFF, 0 });
  gBootOrderDisabledMarker = 0xFFFE;
  ASSERT_EQ (LoadVariableCache (&gVariableCache, nullptr), EFI_SUCCESS);
  gBootOrderDisabledMarker = 0xFFFF;
  EXPECT_EQ (Entry (gVariableCache, 8), (BYTES { 2, 0, 0, 0, 6, 0, 1, 0, 0xFE, 0xFF, 3, 0, 0, 0, 4, 0, 0xFF, 0 }));
}

TEST_F (VariableCacheTest, WithoutTheOrdersOwnerAnOrderStaysAsStoredAndAQuestionWritesItsBytes) {
  BYTES  Stored { 2, 0, 0, 0, 6, 0, 1, 0, 2, 1, 3, 0, 0, 0, 4, 0, 0xFF, 0 };
  Fw.PutVariable (u"LegacyDevOrder", kEngineGuid, Stored);
  gVariableCacheNeighbours.Orders = nullptr;
  ASSERT_EQ (LoadVariableCache (&gVariableCache, nullptr), EFI_SUCCESS);
  EXPECT_EQ (Entry (gVariableCache, 8), Stored);
  UINT16  Value = 0x0003;
  EXPECT_EQ (WriteVariableBytes (8, 6, sizeof (Value), &Value), EFI_SUCCESS);
  Stored[6] = 3;
  EXPECT_EQ (Entry (gVariableCache, 8), Stored);
  gVariableCacheNeighbours.Orders = &gBootManagerOrders;
}

TEST_F (VariableCacheTest, LegacyOrderWalkStopsAtAGroupThatPassesTheEnd) {
  Fw.PutVariable (u"LegacyDevOrder", kEngineGuid, { 2, 0, 0, 0, 0x40, 0, 0x00, 0x02 });
  ASSERT_EQ (LoadVariableCache (&gVariableCache, nullptr), EFI_SUCCESS);
  EXPECT_EQ (Entry (gVariableCache, 8), (BYTES { 2, 0, 0, 0, 0x40, 0, 0x00, 0x02 }));
}

TEST_F (VariableCacheTest, LegacyOrderWithAnOddGroupLengthIsLeftAsStored) {
  // Length 5 would end the group inside its second index; the walk stops there, so the
  // index 0x0102 is not turned into the marker.
  BYTES  Stored { 2, 0, 0, 0, 5, 0, 2, 1, 0xFF, 3, 0, 0, 0, 4, 0, 0, 2 };
  Fw.PutVariable (u"LegacyDevOrder", kEngineGuid, Stored);
  gBootOrderDisabledMarker = 0xFFFE;
  ASSERT_EQ (LoadVariableCache (&gVariableCache, nullptr), EFI_SUCCESS);
  gBootOrderDisabledMarker = 0xFFFF;
  EXPECT_EQ (Entry (gVariableCache, 8), Stored);
}

// The one reader of "LegacyDevOrder" groups: what it accepts and what it refuses.
TEST (LegacyOrderFormat, AGroupIsReadOnlyWhenItLiesWholeInsideTheOrder) {
  struct {
    const char  *Name;
    BYTES       Order;
    UINTN       Offset;
    bool        Read;
    UINT32      Type;
    UINTN       Count;
  } const  Cases[] = {
    { "one device",                 { 2, 0, 0, 0, 4, 0, 7, 0 },                  0, true,  2, 1 },
    { "no device",                  { 5, 0, 0, 0, 2, 0 },                        0, true,  5, 0 },
    { "second group",               { 2, 0, 0, 0, 2, 0, 3, 0, 0, 0, 4, 0, 9, 0 }, 6, true,  3, 1 },
    { "length 0",                   { 2, 0, 0, 0, 0, 0, 7, 0 },                  0, false, 0, 0 },
    { "odd length",                 { 2, 0, 0, 0, 3, 0, 7, 0 },                  0, false, 0, 0 },
    { "ends past the order",        { 2, 0, 0, 0, 6, 0, 7, 0 },                  0, false, 0, 0 },
    { "header cut short",           { 2, 0, 0, 0, 2 },                           0, false, 0, 0 },
    { "offset past the order",      { 2, 0, 0, 0, 2, 0 },                        7, false, 0, 0 },
  };

  for (const auto &Case : Cases) {
    LEGACY_GROUP  Group;
    EXPECT_EQ (ReadLegacyGroup (Case.Order.data (), Case.Order.size (), Case.Offset, &Group), (BOOLEAN)Case.Read) << Case.Name;
    if (Case.Read) {
      EXPECT_EQ (Group.DeviceType, Case.Type) << Case.Name;
      EXPECT_EQ (Group.Count, Case.Count) << Case.Name;
      EXPECT_EQ (LEGACY_GROUP_NEXT (&Group), Case.Offset + 4 + Group.Length) << Case.Name;
      if (Case.Count != 0) {
        EXPECT_EQ (LegacyGroupIndex (&Group, 0), Case.Order[Case.Offset + 6]) << Case.Name;
      }
    }
  }

  LEGACY_GROUP  Group;
  EXPECT_FALSE (ReadLegacyGroup (nullptr, 8, 0, &Group));
}

class DefaultsTest : public VariableCacheTest {
protected:
  // The compiled page bound to a package list, its controls' question opcodes at
  // storage offsets 3, 6 and 0.
  void BindPage ()
  {
    PAGE_RECORD     *Page;
    CONTROL_RECORD  *Control;

    gControlData = gCompiledControlData;
    ASSERT_EQ (GetPageData (0, &Page), EFI_SUCCESS);
    Page->HiiHandle = (EFI_HII_HANDLE)0x77;
    for (UINTN N = 0; N < 3; N++) {
      ASSERT_EQ (GetPageControl (0, N, &Control), EFI_SUCCESS);
      Control->QuestionOpcode = (UINT64)(UINTN)mOpcodes[N];
    }
  }

  uint8_t  mOpcodes[3][16] = {
    { 0x05, 0x90, 0, 0, 0, 0, 1, 0, 0, 0, 3, 0 },
    { 0x07, 0x90, 0, 0, 0, 0, 2, 0, 0, 0, 6, 0 },
    { 0x05, 0x90, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0 },
  };
};

TEST_F (DefaultsTest, DefaultCachesTakeStoredValuesThenControlDefaults) {
  BindPage ();
  ASSERT_EQ (BuildDefaultCaches (), EFI_SUCCESS);
  EXPECT_EQ (Entry (gVariableCacheMfgDefaults, 0), (BYTES { 1, 2, 3, 0xAA, 5, 6, 0x11, 0x22 }));
  EXPECT_EQ (Entry (gVariableCacheStdDefaults, 0), (BYTES { 1, 2, 3, 0xBB, 5, 6, 0x33, 0x44 }));
  // The language question's defaults never reach the cache.
  EXPECT_EQ (Entry (gVariableCacheStdDefaults, 1), Ascii ("en-US"));
  EXPECT_EQ (gDefaultBuildPage, 0u);
  uint8_t  Read[2];
  ASSERT_EQ (ReadVariableBytes (0, 6, 2, Read, TRUE), EFI_SUCCESS);
  EXPECT_EQ (BYTES (Read, Read + 2), (BYTES { 0x33, 0x44 }));
}

TEST_F (DefaultsTest, UnboundPagesGiveNoControlDefaults) {
  gControlData = gCompiledControlData;
  ASSERT_EQ (BuildDefaultCaches (), EFI_SUCCESS);
  EXPECT_EQ (Entry (gVariableCacheStdDefaults, 0), (BYTES { 1, 2, 3, 4, 5, 6, 7, 8 }));
}

// The stored values, then the controls' defaults, then the two NVRAM store images:
// the newest copy of each variable the image holds overlays or replaces the entry,
// and the passwords in force survive the manufacturing image.
TEST_F (DefaultsTest, DefaultsImagesOverlayTheStoredValuesAndControlDefaults) {
  const EFI_GUID                kDefaultsGuid = { 0x4599D26F, 0x1A11, 0x49B8, { 0xB9, 0x1F, 0x85, 0x87, 0x45, 0xCF, 0xF8, 0x24 } };
  Builders::NVAR_VARIABLE_DESC  Setup   = { .Name = u"Setup", .Guid = kBoardGuid, .Data = { 0xD0, 0xD1 } };
  Builders::NVAR_VARIABLE_DESC  Grown   = { .Name = u"VarE", .Guid = kBoardGuid, .Data = { 7, 7, 7, 7, 7, 7 }, .AsciiName = true };
  Builders::NVAR_VARIABLE_DESC  MfgSetup = { .Name = u"Setup", .Guid = kBoardGuid, .Data = BYTES (8, 0x5A), .InlineGuid = true };
  Builders::NVAR_VARIABLE_DESC  Password = { .Name = u"OKURWZSetup", .Guid = kEngineGuid, .Data = BYTES (81, 0x77) };
  BYTES                         Stored (81, 0);

  Setup.NewerCopies = { { 0xE0, 0xE1, 0xE2 } };
  Stored[0]  = 'p';
  Stored[40] = 'q';
  Fw.PutVariable (u"OKURWZSetup", kEngineGuid, Stored);
  Fw.PutVariable (u"StdDefaults", kDefaultsGuid, Builders::BuildNvarImage ({ Setup, Grown }).Bytes);
  Fw.PutVariable (u"MfgDefaults", kDefaultsGuid, Builders::BuildNvarImage ({ MfgSetup, Password }).Bytes);
  BindPage ();
  ASSERT_EQ (BuildDefaultCaches (), EFI_SUCCESS);
  EXPECT_EQ (Entry (gVariableCacheStdDefaults, 0), (BYTES { 0xE0, 0xE1, 0xE2, 0xBB, 5, 6, 0x33, 0x44 }));
  EXPECT_EQ (Entry (gVariableCacheStdDefaults, 4), (BYTES { 7, 7, 7, 7, 7, 7 }));
  EXPECT_EQ (Entry (gVariableCacheMfgDefaults, 0), BYTES (8, 0x5A));
  EXPECT_EQ (Entry (gVariableCacheMfgDefaults, 4), (BYTES { 9, 9, 9, 9 }));
  BYTES  Expected = Stored;
  Expected[80] = 0x77;
  EXPECT_EQ (Entry (gVariableCacheMfgDefaults, 5), Expected);
  EXPECT_EQ (Entry (gVariableCacheStdDefaults, 5), Stored);
}

// A defaults variable that is no store image changes nothing.
TEST_F (DefaultsTest, AMalformedDefaultsImageLeavesTheDefaults) {
  const EFI_GUID  kDefaultsGuid = { 0x4599D26F, 0x1A11, 0x49B8, { 0xB9, 0x1F, 0x85, 0x87, 0x45, 0xCF, 0xF8, 0x24 } };

  Fw.PutVariable (u"StdDefaults", kDefaultsGuid, BYTES { 'N', 'V', 'A', 'R', 0xFF });
  ASSERT_EQ (BuildDefaultCaches (), EFI_SUCCESS);
  EXPECT_EQ (Entry (gVariableCacheStdDefaults, 0), (BYTES { 1, 2, 3, 4, 5, 6, 7, 8 }));
}

// An image value merged over an entry: the passwords in force (the record's first 80
// bytes) survive a value that covers them, are never installed over a shorter record,
// and a value shorter than the entry overwrites its start only.
TEST_F (DefaultsTest, ImageValuesMergeOverTheEntryAndKeepThePasswordsInForce) {
  BYTES  Passwords (81, 0);
  BYTES  Kept (81, 0x11);

  Passwords[0] = Kept[0] = 'p';
  Passwords[40] = Kept[40] = 'q';
  Passwords[80] = 1;
  BYTES  Covered (Passwords.begin (), Passwords.begin () + 80);
  Covered.resize (90, 0x5A);
  BYTES  Installed (80, 0);
  Installed.push_back (0x5A);
  const struct {
    const char  *Name;
    UINTN       Index;
    BYTES       Current, Image, Expected;
  } Cases[] = {
    { "image longer than the record", 5, Passwords, BYTES (90, 0x5A), Covered },
    { "record shorter than the passwords", 5, BYTES (10, 0), BYTES (81, 0x5A), Installed },
    { "image shorter than the record", 5, Kept, BYTES (50, 0x5A), Kept },
    { "plain variable, shorter image", 0, { 1, 2, 3, 4 }, { 0xD0, 0xD1 }, { 0xD0, 0xD1, 3, 4 } },
  };

  for (const auto &Case : Cases) {
    SCOPED_TRACE (Case.Name);
    VARIABLE_CACHE_ENTRY  Current = { AllocateCopyPool (Case.Current.size (), Case.Current.data ()), Case.Current.size () };
    MergeDefaultValue (Case.Index, &Current, AllocateCopyPool (Case.Image.size (), Case.Image.data ()), Case.Image.size ());
    EXPECT_EQ (BYTES ((uint8_t *)Current.Data, (uint8_t *)Current.Data + Current.Size), Case.Expected);
    FreePool (Current.Data);
  }
}

TEST_F (DefaultsTest, DefaultOrdersComeFromTheirVariablesAndRunTheHook) {
  Fw.PutVariable (u"BootOrder", kEngineGuid, { 1, 0, 2, 0 });
  Fw.PutVariable (u"LegacyDevOrder", kEngineGuid, { 2, 0, 0, 0, 4, 0, 1, 0 });
  Fw.PutVariable (u"DriverOrder", kEngineGuid, { 5, 0 });
  Fw.PutVariable (u"DefaultBootOrder", kOrderGuid, { 2, 0, 1, 0 });
  ASSERT_EQ (LoadDefaultOrders (), EFI_SUCCESS);
  EXPECT_EQ (Entry (gVariableCacheStdDefaults, 7), (BYTES { 2, 0, 1, 0 }));
  EXPECT_EQ (Entry (gVariableCacheMfgDefaults, 7), BYTES {});
  EXPECT_EQ (Entry (gVariableCacheStdDefaults, 8), BYTES {});
  EXPECT_EQ (Entry (gVariableCacheStdDefaults, 23), BYTES {});   // no "DefaultDriverOrder"
  EXPECT_EQ (Entry (gVariableCacheMfgDefaults, 23), BYTES {});
  EXPECT_EQ (gOrderHooks, 1);
}

TEST_F (DefaultsTest, DefaultOrdersRunTheHookEvenWhenTheCachesCannotBeBuilt) {
  Fw.PutVariable (u"DefaultBootOrder", kOrderGuid, { 2, 0, 1, 0 });
  Fw.FailNextAllocation ();
  EXPECT_EQ (LoadDefaultOrders (), EFI_OUT_OF_RESOURCES);
  EXPECT_EQ (gVariableCacheStdDefaults, nullptr);
  EXPECT_EQ (gOrderHooks, 1);
}

// A legacy BIOS with a BBS table of four devices: 1 and 2 SATA disks, 3 a USB disk,
// 4 a CD drive.
class DefaultLegacyOrderTest : public DefaultsTest {
protected:
  void SetUp () override
  {
    DefaultsTest::SetUp ();
    const BYTES  Pci = { 1, 1, 6, 0, 0, 0x1F };
    const BYTES  End = { 0x7F, 0xFF, 4, 0 };
    mPaths[0] = Pci;
    mPaths[0].insert (mPaths[0].end (), End.begin (), End.end ());
    mPaths[1] = mPaths[0];
    mPaths[2] = { 1, 1, 6, 0, 0, 0x14, 3, 5, 6, 0, 1, 0, 0x7F, 0xFF, 4, 0 };
    for (int Device = 0; Device < 3; Device++) {
      UINT64  Handle = (UINT64)(UINTN)Fw.AddHandle (gEfiDevicePathProtocolGuid, mPaths[Device].data ());
      mBbs[Device + 1].IBV1 = (UINT32)Handle;
      mBbs[Device + 1].IBV2 = (UINT32)(Handle >> 32);
    }

    mLegacyBios.GetBbsInfo = GetBbsInfo;
    mLegacyBiosHandle      = Fw.AddHandle (gEfiLegacyBiosProtocolGuid, &mLegacyBios);
    Fw.PutVariable (u"LegacyDevOrder", kLegacyOrderGuid, Current ());
  }

  static EFI_STATUS EFIAPI GetBbsInfo (EFI_LEGACY_BIOS_PROTOCOL *, UINT16 *HddCount, HDD_INFO **HddInfo, UINT16 *BbsCount,
                          BBS_TABLE **Table)
  {
    *HddCount = 0;
    *HddInfo  = nullptr;
    *BbsCount = 5;
    *Table    = mBbs;
    return EFI_SUCCESS;
  }

  // Groups {u32 type, u16 length, u16 devices}.
  static BYTES Group (uint8_t Type, std::initializer_list<uint16_t> Devices)
  {
    BYTES  Out = { Type, 0, 0, 0, (uint8_t)(2 + 2 * Devices.size ()), 0 };
    for (uint16_t Device : Devices) {
      Out.push_back ((uint8_t)Device);
      Out.push_back ((uint8_t)(Device >> 8));
    }

    return Out;
  }

  static BYTES Join (std::initializer_list<BYTES> Groups)
  {
    BYTES  Out;
    for (const BYTES &G : Groups) Out.insert (Out.end (), G.begin (), G.end ());
    return Out;
  }

  static BYTES Current () { return Join ({ Group (3, { 4 }), Group (2, { 1, 2 }) }); }

  BYTES                     mPaths[3];
  EFI_LEGACY_BIOS_PROTOCOL  mLegacyBios {};
  EFI_HANDLE                mLegacyBiosHandle = nullptr;
  static inline BBS_TABLE   mBbs[5] {};
};

TEST_F (DefaultLegacyOrderTest, DefaultGroupsFollowTheCurrentGroupOrder) {
  Fw.PutVariable (u"DefaultLegacyDevOrder", kDefaultLegacyGuid, Join ({ Group (2, { 2, 1 }), Group (3, { 4 }) }));
  ASSERT_EQ (LoadDefaultOrders (), EFI_SUCCESS);
  EXPECT_EQ (Entry (gVariableCacheStdDefaults, 8), Join ({ Group (3, { 4 }), Group (2, { 2, 1 }) }));
  EXPECT_EQ (Entry (gVariableCacheMfgDefaults, 8), BYTES {});
}

TEST_F (DefaultLegacyOrderTest, HardDiskGroupsMustAgreeOnUsbInTheirFirstDevices) {
  // The default disk group leads with the USB disk; the current one with a SATA disk.
  Fw.PutVariable (u"DefaultLegacyDevOrder", kDefaultLegacyGuid, Join ({ Group (2, { 3, 1 }), Group (3, { 4 }) }));
  ASSERT_EQ (LoadDefaultOrders (), EFI_SUCCESS);
  EXPECT_EQ (Entry (gVariableCacheStdDefaults, 8), BYTES {});

  // A disabled first device (high byte set) is looked up by its low byte.
  Fw.PutVariable (u"DefaultLegacyDevOrder", kDefaultLegacyGuid, Join ({ Group (2, { 0xFF02, 1 }), Group (3, { 4 }) }));
  ASSERT_EQ (LoadDefaultOrders (), EFI_SUCCESS);
  EXPECT_EQ (Entry (gVariableCacheStdDefaults, 8), Join ({ Group (3, { 4 }), Group (2, { 0xFF02, 1 }) }));
}

TEST_F (DefaultLegacyOrderTest, NoDefaultLegacyOrderWithoutACounterpartOrTheBbsTable) {
  // A different size.
  Fw.PutVariable (u"DefaultLegacyDevOrder", kDefaultLegacyGuid, Join ({ Group (2, { 2, 1 }), Group (3, { 4, 5 }) }));
  ASSERT_EQ (LoadDefaultOrders (), EFI_SUCCESS);
  EXPECT_EQ (Entry (gVariableCacheStdDefaults, 8), BYTES {});
  // A current group whose type the default lacks.
  Fw.PutVariable (u"DefaultLegacyDevOrder", kDefaultLegacyGuid, Join ({ Group (2, { 2, 1 }), Group (1, { 4 }) }));
  ASSERT_EQ (LoadDefaultOrders (), EFI_SUCCESS);
  EXPECT_EQ (Entry (gVariableCacheStdDefaults, 8), BYTES {});
  // No legacy BIOS.
  Fw.PutVariable (u"DefaultLegacyDevOrder", kDefaultLegacyGuid, Join ({ Group (2, { 2, 1 }), Group (3, { 4 }) }));
  Fw.RemoveInterface (mLegacyBiosHandle, gEfiLegacyBiosProtocolGuid, &mLegacyBios);
  ASSERT_EQ (LoadDefaultOrders (), EFI_SUCCESS);
  EXPECT_EQ (Entry (gVariableCacheStdDefaults, 8), BYTES {});
  EXPECT_EQ (gOrderHooks, 3);
}

// Snapshot records: u32 index, u16 size, GUID, 80-byte name, data.
BYTES
SnapshotRecord (uint32_t Index, const BYTES &Data, const std::u16string &Name, const EFI_GUID &Guid)
{
  BYTES  Out (102, 0);

  memcpy (&Out[0], &Index, 4);
  uint16_t  Size = (uint16_t)Data.size ();
  memcpy (&Out[4], &Size, 2);
  memcpy (&Out[6], &Guid, 16);
  memcpy (&Out[22], Name.data (), 2 * Name.size ());
  Builders::AppendBytes (Out, Data);
  return Out;
}

// Puts a snapshot of Count records, Records joined, in the cache's snapshot entry.
void
StageSnapshot (uint32_t Count, std::initializer_list<BYTES> Records)
{
  BYTES  Snapshot = { (uint8_t)Count, 0, 0, 0 };

  for (const BYTES &Record : Records) {
    Builders::AppendBytes (Snapshot, Record);
  }

  gVariableCache[3].Data = AllocateCopyPool (Snapshot.size (), Snapshot.data ());
  gVariableCache[3].Size = Snapshot.size ();
}

TEST_F (VariableCacheTest, SnapshotLayoutSkipsTheExcludedIndexes) {
  ASSERT_EQ (LoadVariableCache (&gVariableCache, nullptr), EFI_SUCCESS);
  SaveVariableSnapshot ();
  BYTES  Snapshot = Entry (gVariableCache, 3);
  // 27 variables less indexes 3, 4, 7, 8, 11, 12; data: Setup 8, PlatformLang 6.
  ASSERT_EQ (Snapshot.size (), 4u + 21 * 102 + 8 + 6);
  EXPECT_EQ (*(uint32_t *)Snapshot.data (), 21u);
  EXPECT_EQ (BYTES (Snapshot.begin () + 4, Snapshot.begin () + 4 + 110), SnapshotRecord (0, { 1, 2, 3, 4, 5, 6, 7, 8 }, u"Setup", kBoardGuid));
  EXPECT_EQ (BYTES (Snapshot.begin () + 114, Snapshot.begin () + 114 + 108), SnapshotRecord (1, Ascii ("en-US"), u"PlatformLang", kEngineGuid));
  EXPECT_EQ (BYTES (Snapshot.begin () + 222, Snapshot.begin () + 226), (BYTES { 2, 0, 0, 0 }));
  EXPECT_EQ (BYTES (Snapshot.begin () + 324, Snapshot.begin () + 328), (BYTES { 5, 0, 0, 0 }));   // 3 and 4 skipped
  // Written to its variable as well.
  ASSERT_NE (Fw.FindVariable (u"SetupSnapshot", kEngineGuid), nullptr);
  EXPECT_EQ (*Fw.FindVariable (u"SetupSnapshot", kEngineGuid), Snapshot);
}

TEST_F (VariableCacheTest, ASnapshotThatCannotBeWrittenStaysInTheCache) {
  ASSERT_EQ (LoadVariableCache (&gVariableCache, nullptr), EFI_SUCCESS);
  Fw.FailVariableWrites (EFI_OUT_OF_RESOURCES);
  SaveVariableSnapshot ();
  EXPECT_EQ (Fw.FindVariable (u"SetupSnapshot", kEngineGuid), nullptr);
  ASSERT_EQ (gVariableCache[3].Size, 4u + 21 * 102 + 8 + 6);
  uint8_t  Changed[2] = { 0xEE, 0xEE };
  ASSERT_EQ (WriteVariableBytes (0, 0, 2, Changed), EFI_SUCCESS);
  RestoreVariableSnapshot ();
  EXPECT_EQ (Entry (gVariableCache, 0), (BYTES { 1, 2, 3, 4, 5, 6, 7, 8 }));
}

TEST_F (VariableCacheTest, RestoreCopiesRecordsBackAndFindsMovedVariablesByName) {
  ASSERT_EQ (LoadVariableCache (&gVariableCache, nullptr), EFI_SUCCESS);
  // "VarT" (index 19) saved when it sat at index 6; "Gone" no longer exists.
  StageSnapshot (3, { SnapshotRecord (0, { 8, 7, 6, 5, 4, 3, 2, 1 }, u"Setup", kBoardGuid),
                      SnapshotRecord (6, { 0xAB, 0xCD, 0xEF, 0x01 }, u"VarT", kBoardGuid),
                      SnapshotRecord (2, { 1, 1 }, u"Gone", kBoardGuid) });
  RestoreVariableSnapshot ();
  EXPECT_EQ (Entry (gVariableCache, 0), (BYTES { 8, 7, 6, 5, 4, 3, 2, 1 }));
  EXPECT_EQ (Entry (gVariableCache, 19), (BYTES { 0xAB, 0xCD, 0xEF, 0x01 }));
  EXPECT_EQ (gVariableCache[2].Data, nullptr);
  EXPECT_EQ (gSnapshotHooks, 1);
  EXPECT_EQ (gResetNeeded, 1);
  EXPECT_TRUE (Fw.Writes ().empty ());     // a restore changes the cache only
}

TEST_F (VariableCacheTest, RestoreTakesRecordsOfIndexesTheSaveLeavesOut) {
  Fw.PutVariable (u"BootOrder", kEngineGuid, { 1, 0, 2, 0 });
  ASSERT_EQ (LoadVariableCache (&gVariableCache, nullptr), EFI_SUCCESS);
  StageSnapshot (1, { SnapshotRecord (7, { 2, 0, 1, 0 }, u"BootOrder", kEngineGuid) });
  RestoreVariableSnapshot ();
  EXPECT_EQ (Entry (gVariableCache, 7), (BYTES { 2, 0, 1, 0 }));
}

TEST_F (VariableCacheTest, RestoreStopsAtARecordThatPassesTheEnd) {
  ASSERT_EQ (LoadVariableCache (&gVariableCache, nullptr), EFI_SUCCESS);
  BYTES  Cut = SnapshotRecord (1, Ascii ("de-DE"), u"PlatformLang", kEngineGuid);
  Cut.resize (Cut.size () - 2);
  StageSnapshot (2, { SnapshotRecord (0, { 8, 7, 6, 5, 4, 3, 2, 1 }, u"Setup", kBoardGuid), Cut });
  RestoreVariableSnapshot ();
  EXPECT_EQ (Entry (gVariableCache, 0), (BYTES { 8, 7, 6, 5, 4, 3, 2, 1 }));
  EXPECT_EQ (Entry (gVariableCache, 1), Ascii ("en-US"));
  EXPECT_EQ (gResetNeeded, 1);
}

TEST_F (VariableCacheTest, RestoreGrowsAnEntryShorterThanTheRecord) {
  ASSERT_EQ (LoadVariableCache (&gVariableCache, nullptr), EFI_SUCCESS);
  // "VarJ" (index 9) is declared 4 bytes and has no stored value, so its entry is empty;
  // the record's index is out of range and it is found by size, GUID and name.
  ASSERT_EQ (gVariableCache[9].Size, 0u);
  StageSnapshot (1, { SnapshotRecord (30, { 1, 2, 3, 4 }, u"VarJ", kBoardGuid) });
  RestoreVariableSnapshot ();
  EXPECT_EQ (Entry (gVariableCache, 9), (BYTES { 1, 2, 3, 4 }));
}

TEST_F (VariableCacheTest, EmptySnapshotRestoresNothingAndRunsNoHook) {
  ASSERT_EQ (LoadVariableCache (&gVariableCache, nullptr), EFI_SUCCESS);
  RestoreVariableSnapshot ();
  EXPECT_EQ (gSnapshotHooks, 0);
  EXPECT_EQ (gResetNeeded, 0);
}

TEST_F (VariableCacheTest, FindVariableByIdGivesTheResetMarkerVariable) {
  UINTN  Index = 0;

  EXPECT_EQ (FindVariableById (SETUP_RESET_MARKER_VARIABLE_ID, &Index), nullptr);
  GetVariableRecord (21)->VariableId = SETUP_RESET_MARKER_VARIABLE_ID;
  GetVariableRecord (22)->VariableId = SETUP_RESET_MARKER_VARIABLE_ID;
  EXPECT_EQ (FindVariableById (SETUP_RESET_MARKER_VARIABLE_ID, &Index), GetVariableRecord (21));
  EXPECT_EQ (Index, 21u);
  // The argument is not looked at: any id finds the reset marker variable.
  Index = 0;
  GetVariableRecord (4)->VariableId = 0x1234;
  EXPECT_EQ (FindVariableById (0x1234, &Index), GetVariableRecord (21));
  EXPECT_EQ (Index, 21u);
}

TEST (UsbDevicePathTest, UsbNodesAnywhereInThePath) {
  EngineTestMachine   Fw;
  BYTES               Pci   = { 1, 1, 6, 0, 0, 0x1D };
  BYTES               End   = { 0x7F, 0xFF, 4, 0 };
  auto Path = [&](std::initializer_list<BYTES> Nodes) {
    BYTES  Out;
    for (const BYTES &Node : Nodes) Out.insert (Out.end (), Node.begin (), Node.end ());
    return Out;
  };

  const struct { const char *Name; BYTES Path; bool Usb; } Cases[] = {
    { "USB", Path ({ Pci, { 3, 5, 6, 0, 1, 0 }, End }), true },
    { "USB class", Path ({ Pci, { 3, 0x0F, 11, 0, 0, 0, 0, 0, 0, 0, 0 }, End }), true },
    { "USB WWID", Path ({ Pci, { 3, 0x10, 10, 0, 0, 0, 0, 0, 0, 0 }, End }), true },
    { "ATAPI", Path ({ Pci, { 3, 1, 8, 0, 0, 0, 0, 0 }, End }), false },
    { "zero-length node", Path ({ Pci, { 3, 1, 0, 0 }, { 3, 5, 6, 0, 1, 0 }, End }), false },
  };
  for (const auto &Case : Cases) {
    SCOPED_TRACE (Case.Name);
    EXPECT_EQ (IsUsbDevicePath (Fw.AddHandle (gEfiDevicePathProtocolGuid, (VOID *)Case.Path.data ())), Case.Usb);
  }

  EXPECT_FALSE (IsUsbDevicePath (Fw.ImageHandle ()));   // no device path
}

}  // namespace

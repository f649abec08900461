// The password record and the STRING/PASSWORD question values, on the emulator's
// machine with a small variable list and a board encoding (hook 0xFFFF0014) that
// adds 0x100 to every unit of the buffer it is given.
#include <engine/testing/HiiEngineTest.h>

#include <engine/forms/Passwords.h>
#include <engine/core/HookTable.h>
#include <engine/variables/VariableCache.h>
#include <engine/core/VariableGuids.h>
#include <Uefi/UefiIfr.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace {

using Builders::BYTES;

const EFI_GUID  kBoardGuid  = BOARD_SETUP_VARIABLE_GUID;
const EFI_GUID  kEngineGuid = ENGINE_SETTINGS_VARIABLE_GUID;

std::vector<std::pair<UINTN, UINTN>>  gEncodeCalls;    // units encoded, bytes given

UINT64
AddHundred (CONST HOOK_ARGS *Args)
{
  CHAR16  *Buffer = (CHAR16 *)(UINTN)Args->Arg[0];
  UINTN   Bytes   = (UINTN)Args->Arg[1];

  for (UINTN Index = 0; Index < Bytes / sizeof (CHAR16); Index++) {
    Buffer[Index] = (CHAR16)(Buffer[Index] + 0x100);
  }

  gEncodeCalls.push_back ({ Bytes / sizeof (CHAR16), Bytes });
  return 0;
}

const UINT64  kHooks[] = { HOOK_ID_ENCODE_PASSWORD, (UINT64)(UINTN)&AddHundred, (UINT64)(UINTN)&AddHundred, 0xFFFF0000,
                           (UINT64)(UINTN)&AddHundred, 0 };

class PasswordsTest : public HiiEngineTest {
protected:
  void SetUp () override
  {
    HiiEngineTest::SetUp ();
    mSavedHooks = gHookTable;
    gHookTable  = kHooks;
    gEncodeCalls.clear ();
    Builders::SETUP_DATA_DESC  D;
    D.Variables = {
      { .VendorGuid = kBoardGuid, .Name = u"Setup", .StoreFlags = VARIABLE_STORE_EFI, .Size = 32 },
      { .VendorGuid = kEngineGuid, .Name = u"PlatformLang", .Size = 6 },
      { .VendorGuid = kEngineGuid, .Name = u"Timeout", .Size = 2 },
      { .VendorGuid = kEngineGuid, .Name = u"Snapshot" },
      { .VendorGuid = kEngineGuid, .Name = u"Spare" },
      { .VendorGuid = kEngineGuid, .Name = u"OKURWZSetup", .StoreFlags = VARIABLE_STORE_EFI, .Size = 81 },
      { .VendorGuid = kEngineGuid, .Name = u"UserPassword", .StoreFlags = VARIABLE_STORE_EFI, .Size = 20 },
    };
    D.Pages = { { .FormId = 1, .TitleStringId = 0x100, .Controls = {} } };
    D.FormSets         = { {} };
    D.FirstFormSetGuid = EFI_GUID {};
    D.VariableGuids    = std::vector<EFI_GUID> {};
    LoadSetupData (D);
  }

  void TearDown () override
  {
    gHookTable = mSavedHooks;
    HiiEngineTest::TearDown ();
  }

  void Put (const std::u16string &Name, const EFI_GUID &Guid, const BYTES &Data)
  {
    M.Variables ().Put (Name, Guid, 7, Data);
  }

  void LoadCache () { ASSERT_EQ (LoadVariableCache (&gVariableCache, nullptr), EFI_SUCCESS); }

  static BYTES Record (UINTN Size, bool First, bool Second)
  {
    BYTES  R (Size, 0);

    if (First) {
      R.at (39) = 'x';
    }

    if (Second && (Size > 40)) {
      R.at (40) = 'y';
    }

    return R;
  }

  // A control of a STRING (max 8 characters) or PASSWORD (max 10) question at Offset.
  CONTROL_RECORD Control (UINT8 Opcode, UINT32 VariableIndex, UINT16 Offset)
  {
    const UINT8  String[16]   = { EFI_IFR_STRING_OP, 16, 1, 0, 2, 0, 3, 0, 4, 0, (UINT8)Offset, (UINT8)(Offset >> 8), 0, 1, 8, 0 };
    const UINT8  Password[17] = { EFI_IFR_PASSWORD_OP, 17, 1, 0, 2, 0, 3, 0, 4, 0, (UINT8)Offset, (UINT8)(Offset >> 8), 0, 1, 0, 10, 0 };
    CONTROL_RECORD  C;

    std::memset (&C, 0, sizeof (C));
    if (Opcode == EFI_IFR_STRING_OP) {
      std::memcpy (mOpcode, String, sizeof (String));
    } else {
      std::memcpy (mOpcode, Password, sizeof (Password));
    }

    C.VariableIndex  = VariableIndex;
    C.QuestionOpcode = (UINT64)(UINTN)mOpcode;
    return C;
  }

  static BYTES Units (const std::u16string &Text, UINTN Total, UINT16 Add = 0)
  {
    BYTES  Out (Total * 2, 0);

    for (size_t Index = 0; Index < Total; Index++) {
      UINT16  Unit = (UINT16)(((Index < Text.size ()) ? Text[Index] : 0) + Add);

      Out[2 * Index]     = (UINT8)Unit;
      Out[2 * Index + 1] = (UINT8)(Unit >> 8);
    }

    return Out;
  }

  const UINT64  *mSavedHooks = nullptr;
  UINT8         mOpcode[32]  = {};
};

// One bit per installed password; a record of 80 bytes gives no status.
TEST_F (PasswordsTest, StatusHasOneBitPerInstalledPassword) {
  const struct { UINTN Size; bool First, Second; UINT32 Status; } Cases[] = {
    { 81, true, false, 1 }, { 81, false, true, 2 }, { 81, true, true, 3 }, { 81, false, false, 0 }, { 80, true, true, 0 },
  };

  LoadCache ();
  for (const auto &Case : Cases) {
    Put (u"OKURWZSetup", kEngineGuid, Record (Case.Size, Case.First, Case.Second));
    RefreshVariableCache (5);
    EXPECT_EQ (GetPasswordStatus (), Case.Status) << Case.Size << Case.First << Case.Second;
  }
}

// A record longer than 81 bytes is a record: its first 81 bytes count.
TEST_F (PasswordsTest, ALongerRecordIsReadByItsFirst81Bytes) {
  BYTES  Long = Record (90, false, true);

  Long[85] = 'z';
  Put (u"OKURWZSetup", kEngineGuid, Long);
  LoadCache ();
  UINT8  *Data = nullptr;
  UINTN  Size  = 0;
  ASSERT_EQ (GetPasswordRecord (&Data, &Size), EFI_SUCCESS);
  EXPECT_EQ (Size, 90u);
  FreePool (Data);
  EXPECT_EQ (GetPasswordStatus (), 2u);
}

// The cache is used when it holds a whole record; a short cached copy is read again
// from the store.
TEST_F (PasswordsTest, AShortCachedRecordIsReadAfresh) {
  Put (u"OKURWZSetup", kEngineGuid, Record (20, false, false));
  LoadCache ();
  Put (u"OKURWZSetup", kEngineGuid, Record (81, true, false));
  EXPECT_EQ (GetPasswordStatus (), 1u);
  Put (u"OKURWZSetup", kEngineGuid, Record (81, false, false));
  RefreshVariableCache (5);
  Put (u"OKURWZSetup", kEngineGuid, Record (81, true, true));
  EXPECT_EQ (GetPasswordStatus (), 0u);      // the cached whole record wins
}

TEST_F (PasswordsTest, NoRecordAnywhereGivesNotFound) {
  UINT8  *Data = (UINT8 *)1;
  UINTN  Size  = 5;

  EXPECT_EQ (GetPasswordRecord (&Data, &Size), EFI_NOT_FOUND);
  EXPECT_EQ (Data, nullptr);
  EXPECT_EQ (Size, 0u);
  EXPECT_EQ (GetPasswordStatus (), 0u);
}

// An empty password used to come back as the caller's own pointer, which the caller
// then freed as if it were a copy. It is now always a new buffer.
TEST_F (PasswordsTest, EveryDuplicateIsANewBuffer) {
  CHAR16  Empty[] = u"";
  CHAR16  *Copy   = DuplicateAndEncodePassword (Empty, 20);

  ASSERT_NE (Copy, nullptr);
  EXPECT_NE (Copy, Empty);
  EXPECT_TRUE (M.Memory ().IsLive (Copy));
  EXPECT_EQ (Copy[0], 0);
  EXPECT_TRUE (gEncodeCalls.empty ());       // an empty password is not encoded
  FreePool (Copy);
}

TEST_F (PasswordsTest, ADuplicateIsEncodedOverTheGivenSize) {
  std::unique_ptr<CHAR16 []>  Password (new CHAR16[3] { u'a', u'b', 0 });
  CHAR16                      *Copy = DuplicateAndEncodePassword (Password.get (), 8);

  ASSERT_NE (Copy, nullptr);
  ASSERT_EQ (gEncodeCalls.size (), 1u);
  EXPECT_EQ (gEncodeCalls[0].second, 8u);
  EXPECT_EQ (std::u16string (Copy, 4), (std::u16string { 0x161, 0x162, 0x100, 0x100 }));
  EXPECT_EQ (Copy[4], 0);                    // terminated after the encoded field
  FreePool (Copy);
  EXPECT_EQ (DuplicateAndEncodePassword (nullptr, 8), nullptr);
}

TEST_F (PasswordsTest, StringValueIsSetWhenItsFirstCharacterIsNot0) {
  BYTES  Setup (32, 0);

  Put (u"Setup", kBoardGuid, Setup);
  LoadCache ();
  CONTROL_RECORD  C = Control (EFI_IFR_STRING_OP, 0, 4);
  EXPECT_FALSE (IsStringValueSet (&C));
  UINT8  Letter[2] = { 'k', 0 };
  ASSERT_EQ (WriteVariableBytes (0, 4, 2, Letter), EFI_SUCCESS);
  EXPECT_TRUE (IsStringValueSet (&C));
  EXPECT_FALSE (IsStringValueSet (nullptr));
}

// The comparison of a plain question: the stored value (at most 8 characters) against
// the given text. The given text is read only up to its terminator.
TEST_F (PasswordsTest, PlainValuesCompareAsText) {
  BYTES  Setup (32, 0);
  BYTES  Value = Units (u"secret", 8);

  std::copy (Value.begin (), Value.end (), Setup.begin () + 4);
  Put (u"Setup", kBoardGuid, Setup);
  LoadCache ();
  CONTROL_RECORD  C = Control (EFI_IFR_STRING_OP, 0, 4);
  std::unique_ptr<CHAR16 []>  Exact (new CHAR16[7] { u's', u'e', u'c', u'r', u'e', u't', 0 });
  EXPECT_TRUE (CompareStringValue (&C, Exact.get ()));
  EXPECT_FALSE (CompareStringValue (&C, u"secre"));
  EXPECT_FALSE (CompareStringValue (&C, u"secrets"));
  EXPECT_FALSE (CompareStringValue (&C, u"secret-too-long"));
  EXPECT_TRUE (gEncodeCalls.empty ());
}

// The engine's password variables hold values encoded over the whole field (10
// characters). The given text is shorter than the field: it used to be encoded in
// place over the field's size, reading and writing past its end; a zero-filled copy
// of the field's size is encoded instead.
TEST_F (PasswordsTest, EncodedValuesCompareAfterEncodingAFieldSizedCopy) {
  Put (u"UserPassword", kEngineGuid, Units (u"pw", 10, 0x100));
  LoadCache ();
  for (UINTN N = 0; N < 10; N++) {
    EXPECT_EQ (((UINT8 *)gVariableCache[6].Data)[2 * N + 1], 1) << N;   // zeros past the text are encoded too
  }

  CONTROL_RECORD              C = Control (EFI_IFR_PASSWORD_OP, 6, 0);
  std::unique_ptr<CHAR16 []>  Given (new CHAR16[3] { u'p', u'w', 0 });
  EXPECT_TRUE (CompareStringValue (&C, Given.get ()));
  ASSERT_EQ (gEncodeCalls.size (), 1u);
  EXPECT_EQ (gEncodeCalls[0].second, 20u);
  EXPECT_FALSE (CompareStringValue (&C, u"pW"));
  EXPECT_FALSE (CompareStringValue (&C, u""));
  EXPECT_TRUE (IsStringValueSet (&C));
}

TEST_F (PasswordsTest, AnEmptyEncodedFieldEqualsTheEmptyText) {
  Put (u"UserPassword", kEngineGuid, BYTES (20, 0));
  LoadCache ();
  CONTROL_RECORD  C = Control (EFI_IFR_PASSWORD_OP, 6, 0);
  EXPECT_TRUE (CompareStringValue (&C, u""));
  EXPECT_FALSE (IsStringValueSet (&C));
  EXPECT_TRUE (gEncodeCalls.empty ());
}

}  // namespace

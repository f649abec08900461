// The text-mode password prompt on a started engine whose variable 5 holds the
// password record: the levels it grants, attempts, Esc, the 20-character limit, the
// event groups, "SystemAccess", and that no freed buffer keeps the typed text.
#include <engine/testing/TextUiMachineTest.h>

#include <engine/core/HookTable.h>
#include <engine/variables/VariableCache.h>
#include <engine/textui/PasswordPrompt.h>
#include <engine/core/VariableGuids.h>
#include <Emulator/RunEnded.h>
#include <Protocol/BootScreenUiProvider.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace {

const EFI_GUID  kBoardGuid  = BOARD_SETUP_VARIABLE_GUID;
const EFI_GUID  kEngineGuid = ENGINE_SETTINGS_VARIABLE_GUID;
const EFI_GUID  kAccessGuid = SYSTEM_ACCESS_GUID;
const EFI_GUID  kStart      = { 0x073E7E01, 0x2611, 0x4E85, { 0xB8, 0x96, 0xA3, 0xB6, 0x76, 0x7C, 0xBA, 0x00 } };
const EFI_GUID  kUserLevel  = { 0xAB1404CA, 0x4801, 0x4208, { 0x98, 0xBF, 0x30, 0xD5, 0x21, 0xDA, 0xD4, 0xD3 } };
const EFI_GUID  kFullLevel  = { 0x541D5A75, 0x95EE, 0x43C7, { 0x9E, 0x5D, 0x23, 0x94, 0xDC, 0x48, 0x62, 0x49 } };
const EFI_GUID  kAllFailed  = { 0xD69240C0, 0xDD40, 0x4F2D, { 0x98, 0x63, 0x48, 0x48, 0xDA, 0x6E, 0x61, 0x5F } };
const EFI_GUID  kEnd        = { 0xB9B038B0, 0xE2B6, 0x4AAB, { 0x94, 0x35, 0x41, 0x65, 0xEC, 0xFE, 0xD0, 0x32 } };

class PasswordPromptTest : public TextUiMachineTest {
protected:
  // First field "user" stored plain, second "admin" stored encoded.
  void Start (bool WithSecond = true)
  {
    Builders::SETUP_DATA_DESC  D;
    D.Variables = {
      { .VendorGuid = kBoardGuid, .Name = u"Setup", .StoreFlags = VARIABLE_STORE_EFI, .Size = 8 },
      { .VendorGuid = kEngineGuid, .Name = u"PlatformLang", .Size = 6 },
      { .VendorGuid = kEngineGuid, .Name = u"Timeout", .Size = 2 },
      { .VendorGuid = kEngineGuid, .Name = u"Snapshot" },
      { .VendorGuid = kEngineGuid, .Name = u"Spare" },
      { .VendorGuid = kEngineGuid, .Name = u"OKURWZSetup", .StoreFlags = VARIABLE_STORE_EFI, .Size = 81 },
    };
    D.Pages            = { { .FormId = 1, .TitleStringId = 0x100, .Controls = {} } };
    D.FormSets         = { {} };
    D.FirstFormSetGuid = EFI_GUID {};
    D.VariableGuids    = std::vector<EFI_GUID> {};
    Devices.Image->SetPackageList (std::vector<UINT8> (gSetupEngineStringPackageList,
                                     gSetupEngineStringPackageList + gSetupEngineStringPackageListSize));
    Devices.Image->AddSection (Emu::kDefaultDriverFileGuid, SETUP_DATA_SECTION_TYPE, Builders::BuildSetupDataSectionBody (D));
    std::vector<UINT8>  Record (81, 0);
    Field (Record, 0, u"user", false);
    if (WithSecond) {
      Field (Record, 1, u"admin", true);
    }
    M.Variables ().Put (u"OKURWZSetup", kEngineGuid, 7, Record);
    ASSERT_EQ (SetupEngineDriverEntry (Devices.Image->ImageHandle (), M.SystemTable ()), EFI_SUCCESS);
    SetConsoleModeForScreen ();
    gAccessLevel = 0;
  }

  static void Field (std::vector<UINT8> &Record, UINTN Index, const std::u16string &Text, bool Encoded)
  {
    CHAR16  Units[20] = {};
    std::copy (Text.begin (), Text.end (), Units);
    if (Encoded) {
      EncodePasswordBuffer (Units, sizeof (Units));
    }
    std::memcpy (Record.data () + Index * 40, Units, sizeof (Units));
  }

  UINT32 Prompt (UINT32 Which, UINT32 &Attempts, const std::string &Keys)
  {
    Devices.TextIn->Script ().Append (Keys);
    LogStart = M.Protocols ().NullInterfaceLog ().size ();
    return PasswordPrompt (Which, &Attempts);
  }

  // The groups signalled by the last prompt, in order.
  // Their first 32 bits, which tell the groups apart.
  std::vector<UINT32> Groups ()
  {
    const std::vector<EFI_GUID>  &Log = M.Protocols ().NullInterfaceLog ();
    std::vector<UINT32>          Firsts;
    for (size_t Index = LogStart; Index < Log.size (); Index++) {
      Firsts.push_back (Log[Index].Data1);
    }
    return Firsts;
  }

  size_t  LogStart = 0;

  std::vector<UINT8> Access ()
  {
    UINT8   Value = 0xEE;
    UINTN   Size  = sizeof (Value);
    UINT32  Attributes = 0;
    if (EFI_ERROR (gRT->GetVariable ((CHAR16 *)u"SystemAccess", (EFI_GUID *)&kAccessGuid, &Attributes, &Size, &Value))) {
      return {};
    }
    EXPECT_EQ (Attributes, (UINT32)EFI_VARIABLE_BOOTSERVICE_ACCESS);
    return std::vector<UINT8> (1, Value);
  }
};

TEST (PasswordEncoding, EachUnitIsXoredWithItsPositionTimesCb05AndTwiceGivesTheText) {
  CHAR16  Text[3] = { u'a', u'b', u'c' };
  EncodePasswordBuffer (Text, sizeof (Text));
  EXPECT_EQ (Text[0], 0x61 ^ 0xCB05);
  EXPECT_EQ (Text[1], 0x62 ^ 0x960A);
  EXPECT_EQ (Text[2], 0x63 ^ 0x610F);
  EncodePasswordBuffer (Text, sizeof (Text));
  EXPECT_EQ (std::u16string ((const char16_t *)Text, 3), u"abc");
}

TEST_F (PasswordPromptTest, EachFieldGivesItsLevelWhenTheSecondIsAcceptedAndSystemAccessFollows) {
  Start ();
  UINT32  Attempts = 3;
  EXPECT_EQ (Prompt (3, Attempts, "u,s,e,r,Enter"), 1u);
  EXPECT_EQ (gAccessLevel, 1u);
  EXPECT_EQ (Access (), std::vector<UINT8> { 1 });
  EXPECT_EQ (Groups (), (std::vector<UINT32> { kStart.Data1, kUserLevel.Data1, kEnd.Data1 }));

  // The second field was stored encoded: the encoded entry matches it.
  EXPECT_EQ (Prompt (3, Attempts, "a,d,m,i,n,Enter"), 2u);
  EXPECT_EQ (Access (), std::vector<UINT8> { 0 });
  EXPECT_EQ (Groups (), (std::vector<UINT32> { kStart.Data1, kFullLevel.Data1, kEnd.Data1 }));
  EXPECT_EQ (Attempts, 3u);
}

// Asked for by a caller at TPL_CALLBACK, the prompt waits for its keys at the
// application level and hands the caller's level back. It used to step through the
// level 7, which UEFI does not define, restore the caller's level upwards from there
// and wait above the application level, where the wait is refused.
TEST_F (PasswordPromptTest, ACallerAboveTheApplicationLevelGetsItsLevelBackAndNoTplRuleBreaks) {
  Start ();
  UINT32   Attempts = 3;
  EFI_TPL  Outer    = gBS->RaiseTPL (TPL_CALLBACK);

  EXPECT_EQ (Prompt (3, Attempts, "u,s,e,r,Enter"), 1u);
  EXPECT_EQ (M.Events ().CurrentTpl (), (EFI_TPL)TPL_CALLBACK);
  gBS->RestoreTPL (Outer);
  EXPECT_TRUE (M.Events ().TplViolations ().empty ());
}

TEST_F (PasswordPromptTest, WithoutTheSecondAcceptedTheFirstGivesFullAccessAndTheSecondIsRefused) {
  Start ();
  UINT32  Attempts = 3;
  EXPECT_EQ (Prompt (1, Attempts, "u,s,e,r,Enter"), 2u);
  Attempts = 1;
  EXPECT_EQ (Prompt (1, Attempts, "a,d,m,i,n,Enter"), 0u);
  EXPECT_EQ (Attempts, 0u);
  EXPECT_EQ (Groups (), (std::vector<UINT32> { kStart.Data1, kAllFailed.Data1, kEnd.Data1 }));
}

TEST_F (PasswordPromptTest, EscCostsNoAttemptAndAWrongEntryWaitsForEnterBeforeTheNext) {
  Start ();
  UINT32  Attempts = 2;
  EXPECT_EQ (Prompt (3, Attempts, "Esc,x,Enter,a,Enter,u,s,e,r,Enter"), 1u);
  EXPECT_EQ (Attempts, 1u);
}

TEST_F (PasswordPromptTest, AnEmptyEntryNeverOpensAPasswordThatIsNotInstalled) {
  Start (false);
  UINT32  Attempts = 1;
  EXPECT_EQ (Prompt (3, Attempts, "Enter"), 0u);
  EXPECT_EQ (gAccessLevel, 0u);
}

TEST_F (PasswordPromptTest, TheLineHoldsTwentyCharactersShownAsStars) {
  Start ();
  CHAR16  Buffer[21];
  UINT64  Column = 0;
  UINT64  Row    = 0;
  DrawPasswordBox (STR_ENTER_PASSWORD, PASSWORD_MIN_BOX_WIDTH, &Column, &Row);
  EXPECT_EQ (Column, 39u);
  EXPECT_EQ (Row, 15u);
  EXPECT_EQ (Shown (39, 14, 14), u"Enter Password");
  std::string  Keys;
  for (int Index = 0; Index < 25; Index++) {
    Keys += std::string (1, (char)('a' + Index)) + ",";
  }
  Devices.TextIn->Script ().Append (Keys);
  Devices.TextIn->Script ().Append ("Enter");
  bool  Checked = false;
  Devices.TextIn->Script ().SetWaitHook ([&] () {
    if (Devices.TextIn->Script ().Remaining () == 1) {        // only Enter is left
      // The line and a cell of margin each side lie inside the box's borders.
      EXPECT_EQ (Shown (37, 15, 24), u"\u2502 " + std::u16string (20, u'*') + u" \u2502");
      EXPECT_EQ (DrawnAttribute (39, 15), 0x71);
      EXPECT_EQ (DrawnAttribute (58, 15), 0x71);
      EXPECT_EQ (DrawnAttribute (59, 15), 0x1F);
      Checked = true;
    }
  });
  ASSERT_EQ (ReadPasswordString (Buffer, 20, Column, Row, nullptr), EFI_SUCCESS);
  EXPECT_EQ (std::u16string ((const char16_t *)Buffer), u"abcdefghijklmnopqrst");
  EXPECT_TRUE (Checked);
  Devices.TextIn->Script ().SetWaitHook (nullptr);
}

TEST_F (PasswordPromptTest, NoFreedBufferKeepsTheTypedOrEncodedText) {
  Start ();
  std::u16string  Typed = u"secretpw";
  CHAR16          Encoded[8];
  std::copy (Typed.begin (), Typed.end (), Encoded);
  EncodePasswordBuffer (Encoded, sizeof (Encoded));
  UINTN  Leaks = 0;
  M.Memory ().SetFreeObserver ([&] (const VOID *Block, UINTN Size) {
    const char  *Bytes = (const char *)Block;
    for (const void *Needle : { (const void *)Typed.data (), (const void *)Encoded }) {
      Leaks += std::search (Bytes, Bytes + Size, (const char *)Needle, (const char *)Needle + 16) != Bytes + Size;
    }
  });
  UINT32  Attempts = 1;
  EXPECT_EQ (Prompt (3, Attempts, "s,e,c,r,e,t,p,w,Enter"), 0u);
  M.Memory ().SetFreeObserver (nullptr);
  EXPECT_EQ (Leaks, 0u);
}

// The hook defaults: POST takes the first password only, setup either, three attempts.
class PasswordHookTest : public PasswordPromptTest {
protected:
  UINT64 Post (const std::string &Keys)
  {
    HOOK_ARGS  Args = { 0, { 0 } };
    Devices.TextIn->Script ().Append (Keys);
    return CheckPostPassword (&Args);
  }

  void Setup (const std::string &Keys)
  {
    HOOK_ARGS  Args = { 0, { 0 } };
    Devices.TextIn->Script ().Append (Keys);
    EXPECT_EQ (CheckSetupPassword (&Args), 0u);
  }

  static EFI_STATUS EFIAPI ProviderPassword (UINTN Kind, UINT32 *Level)
  {
    mProviderKind = Kind;
    *Level        = 1;
    return EFI_SUCCESS;
  }

  static inline UINTN  mProviderKind = 99;
};

TEST_F (PasswordHookTest, PostTakesOnlyTheFirstPasswordAndAsksOncePerBoot) {
  Start ();
  EXPECT_EQ (Post ("a,d,m,i,n,Enter,Enter,u,s,e,r,Enter"), 1u);   // the second costs an attempt
  EXPECT_EQ (gAccessLevel, 2u);
  EXPECT_EQ (Access (), std::vector<UINT8> { 0 });

  gAccessLevel = 0;
  EXPECT_EQ (Post (""), 0u);                                       // no prompt: no key is read
}

TEST_F (PasswordHookTest, ThreeWrongPostEntriesLockTheMachineAndLaterKeysAreOnlyRead) {
  Start ();
  EXPECT_THROW (Post ("x,Enter,Enter,y,Enter,Enter,z,Enter,u,s,e,r,Enter"), Emu::KeyScriptExhausted);
  EXPECT_EQ (gAccessLevel, 0u);
  EXPECT_TRUE (Access ().empty ());
}

TEST_F (PasswordHookTest, SetupTakesEitherPassword) {
  Start ();
  Setup ("u,s,e,r,Enter");
  EXPECT_EQ (gAccessLevel, 1u);
  EXPECT_EQ (Access (), std::vector<UINT8> { 1 });
  EXPECT_EQ (Post (""), 0u);                                       // a level is fixed: POST asks nothing
}

TEST_F (PasswordHookTest, SetupIsOpenWithoutASecondPassword) {
  Start (false);
  Setup ("");
  EXPECT_EQ (gAccessLevel, 2u);
  EXPECT_EQ (Access (), std::vector<UINT8> { 0 });
}

TEST_F (PasswordHookTest, AProviderAnswersForTheTextPrompt) {
  Start ();
  BOOT_SCREEN_UI_PROVIDER  Provider = {};
  EFI_HANDLE               Handle   = nullptr;
  Provider.Password = ProviderPassword;
  ASSERT_EQ (gBS->InstallProtocolInterface (&Handle, &gBootScreenUiProviderGuid, EFI_NATIVE_INTERFACE, &Provider),
    EFI_SUCCESS);
  Setup ("");
  EXPECT_EQ (mProviderKind, 1u);
  EXPECT_EQ (gAccessLevel, 1u);
  EXPECT_EQ (gBS->UninstallProtocolInterface (Handle, &gBootScreenUiProviderGuid, &Provider), EFI_SUCCESS);
}

}  // namespace

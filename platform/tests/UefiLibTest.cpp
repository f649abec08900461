// Event-group signalling, two-call variable reads, language matching, HII string
// reads with their fallback, the HOB walk and debug texts through the status code.
#include <Library/UefiLib.h>
#include <Library/HobLib.h>
#include <Library/ReportStatusCodeLib.h>
#include <Library/BaseLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Guid/HobList.h>
#include <Protocol/HiiString.h>

#include "FakeFirmware.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

const EFI_GUID  kGroup = { 0x1B6BC809, 0xC986, 0x4937, { 0x93, 0x4F, 0x1E, 0xA5, 0x86, 0x22, 0xFE, 0x50 } };

TEST (SignalProtocolNotify, InstallsThenUninstallsOnTheSameNewHandle) {
  FakeFirmware  Firmware;

  EXPECT_EQ (EFI_SUCCESS, SignalProtocolNotify (&kGroup));
  ASSERT_EQ (2u, Firmware.ProtocolLog.size ());
  EXPECT_EQ ("install", Firmware.ProtocolLog[0].first);
  EXPECT_EQ ("uninstall", Firmware.ProtocolLog[1].first);   // on the handle install made
  EXPECT_EQ (0, std::memcmp (&kGroup, &Firmware.ProtocolLog[1].second, sizeof (EFI_GUID)));
}

TEST (GetVariableBuffer, ReadsWholeVariableIntoNewBuffer) {
  FakeFirmware  Firmware;
  VOID          *Buffer = nullptr;
  UINTN         Size = 0;
  UINT32        Attributes = 0;

  Firmware.Variables[u"BootOrder"] = { 1, 0, 2, 0 };
  ASSERT_EQ (EFI_SUCCESS, GetVariableBuffer (u"BootOrder", &kGroup, &Buffer, &Size, &Attributes));
  EXPECT_EQ (4u, Size);
  EXPECT_EQ (3u, Attributes);
  EXPECT_EQ (2, ((UINT8 *)Buffer)[2]);
  FreeAndNull (Buffer);
  EXPECT_EQ (0u, Firmware.Live.size ());
}

// The variable grows between the size query and the read: the helper must retry
// with the new size, not return a truncated value or a failure.
TEST (GetVariableBuffer, RetriesWhenTheVariableGrowsBetweenCalls) {
  FakeFirmware  Firmware;
  VOID          *Buffer = nullptr;
  UINTN         Size = 0;

  Firmware.Variables[u"Setup"] = std::vector<UINT8> (10, 0x11);
  Firmware.VariableGrowOnce = 6;
  ASSERT_EQ (EFI_SUCCESS, GetVariableBuffer (u"Setup", &kGroup, &Buffer, &Size, nullptr));
  EXPECT_EQ (16u, Size);
  EXPECT_EQ (0xEE, ((UINT8 *)Buffer)[15]);
  FreeAndNull (Buffer);
  EXPECT_EQ (0u, Firmware.Live.size ());
}

TEST (GetVariableBuffer, MissingVariableAndPoolFailureLeaveNothing) {
  FakeFirmware  Firmware;
  VOID          *Buffer = (VOID *)&Firmware;
  UINTN         Size = 7;

  EXPECT_EQ (EFI_NOT_FOUND, GetVariableBuffer (u"Absent", &kGroup, &Buffer, &Size, nullptr));
  EXPECT_EQ (nullptr, Buffer);
  EXPECT_EQ (0u, Size);
  Firmware.Variables[u"Setup"] = { 1 };
  Firmware.FailAllocationAfter = 0;
  EXPECT_EQ (EFI_OUT_OF_RESOURCES, GetVariableBuffer (u"Setup", &kGroup, &Buffer, &Size, nullptr));
  EXPECT_EQ (nullptr, Buffer);
  EXPECT_EQ (0u, Firmware.Live.size ());
}

std::string Best (const CHAR8 *Supported, const CHAR8 *First, const CHAR8 *Second = nullptr)
{
  FakeFirmware  Firmware;
  CHAR8         *Result = GetBestLanguage (Supported, FALSE, First, Second, nullptr);
  std::string   Text = (Result == nullptr) ? "<none>" : Result;

  FreePool (Result);
  return Text;
}

TEST (GetBestLanguage, MatchesExactlyThenByShorterPrefixes) {
  EXPECT_EQ ("en-US", Best ("en-US;fr-FR;de", "en-US"));
  EXPECT_EQ ("en", Best ("fr;en;de", "en-US"));
  EXPECT_EQ ("zh-Hant", Best ("zh;zh-Hant", "zh-Hant-TW"));
  EXPECT_EQ ("fr", Best ("en-US;fr", "fr-CA", "en-US"));      // first wanted language wins
  EXPECT_EQ ("en-US", Best ("fr;en-US", "de", "en-US"));
}

TEST (GetBestLanguage, IgnoresCaseAndReturnsSupportedSpelling) {
  EXPECT_EQ ("en-US", Best ("en-US", "EN-us"));
}

// A prefix only matches whole subtags: "en" must not match "eng" or "en-GB" match "en-G".
TEST (GetBestLanguage, NeverMatchesPartialSubtags) {
  EXPECT_EQ ("<none>", Best ("eng;en-G", "en-GB"));
  EXPECT_EQ ("<none>", Best ("de;fr", "en-US"));
  EXPECT_EQ ("<none>", Best ("", "en-US"));
  EXPECT_EQ ("fr", Best (";;fr;", "fr"));                      // empty entries are skipped
  EXPECT_EQ ("de", Best ("de;fr", "de;fr"));                   // a wanted list counts by its first entry
}

TEST (GetBestLanguage, IsoModeComparesThreeLetterCodes) {
  FakeFirmware  Firmware;
  CHAR8         *Result = GetBestLanguage ("engfraspa", TRUE, "spa", nullptr);

  ASSERT_NE (nullptr, Result);
  EXPECT_STREQ ("spa", Result);
  FreePool (Result);
  EXPECT_EQ (nullptr, GetBestLanguage ("engfr", TRUE, "fr", nullptr));
}

// A string package per language, answered with the two-call size protocol.
struct FakeHiiString {
  EFI_HII_STRING_PROTOCOL                       Protocol {};
  std::map<std::pair<std::string, int>, std::u16string>  Strings;
  std::vector<std::string>                      Asked;
  UINTN                                         SizeAnsweredOnRead = 0;   // 0: the true size
  static FakeHiiString                          *Current;

  FakeHiiString () { Current = this; Protocol.GetString = GetString; }

  static EFI_STATUS EFIAPI GetString (CONST EFI_HII_STRING_PROTOCOL *, CONST CHAR8 *Language, EFI_HII_HANDLE,
    EFI_STRING_ID Id, EFI_STRING String, UINTN *Size, EFI_FONT_INFO **)
  {
    Current->Asked.push_back (Language);
    auto  It = Current->Strings.find ({ Language, Id });
    if (It == Current->Strings.end ()) {
      return EFI_INVALID_LANGUAGE;
    }

    UINTN  Needed = (It->second.size () + 1) * 2;
    if (*Size < Needed) {
      *Size = Needed;
      return EFI_BUFFER_TOO_SMALL;
    }

    std::memcpy (String, It->second.c_str (), Needed);
    *Size = (Current->SizeAnsweredOnRead != 0) ? Current->SizeAnsweredOnRead : Needed;
    return EFI_SUCCESS;
  }
};
FakeHiiString  *FakeHiiString::Current = nullptr;

TEST (LibHiiGetString, UsesPlatformLanguageAndFallsBackToEnglish) {
  FakeFirmware   Firmware;
  FakeHiiString  Hii;
  const char     French[] = "fr-FR";

  Firmware.AddProtocol (gEfiHiiStringProtocolGuid, &Hii.Protocol);
  Firmware.Variables[u"PlatformLang"] = std::vector<UINT8> (French, French + sizeof (French));
  Hii.Strings[{ "fr-FR", 5 }] = u"Quitter";
  Hii.Strings[{ "en-US", 5 }] = u"Exit";
  Hii.Strings[{ "en-US", 6 }] = u"Save";

  EFI_STRING  Text = LibHiiGetString ((EFI_HII_HANDLE)1, 5, nullptr);
  ASSERT_NE (nullptr, Text);
  EXPECT_EQ (u"Quitter", std::u16string (Text));
  FreePool (Text);
  Text = LibHiiGetString ((EFI_HII_HANDLE)1, 6, nullptr);   // missing in French
  ASSERT_NE (nullptr, Text);
  EXPECT_EQ (u"Save", std::u16string (Text));
  FreePool (Text);
  EXPECT_EQ (nullptr, LibHiiGetString ((EFI_HII_HANDLE)1, 7, "en-US"));
  EXPECT_EQ ("en-US", Hii.Asked.back ());   // no second en-US attempt
  EXPECT_EQ (0u, Firmware.Live.size ());
}

// The size a protocol reports with the string must not steer where the terminator
// goes: the buffer is the one the first answer sized.
TEST (LibHiiGetString, TerminatesInsideItsOwnBuffer) {
  FakeFirmware   Firmware;
  FakeHiiString  Hii;

  Firmware.AddProtocol (gEfiHiiStringProtocolGuid, &Hii.Protocol);
  Hii.Strings[{ "en-US", 5 }] = u"Exit";
  for (UINTN Answer : { (UINTN)1, (UINTN)0x1000 }) {
    Hii.SizeAnsweredOnRead = Answer;
    EFI_STRING  Text = LibHiiGetString ((EFI_HII_HANDLE)1, 5, "en-US");
    ASSERT_NE (nullptr, Text);
    EXPECT_EQ (u"Exit", std::u16string (Text));
    FreePool (Text);
  }
}

TEST (LibHiiGetString, WithoutPlatformLanguageOrProtocol) {
  FakeFirmware   Firmware;
  FakeHiiString  Hii;

  EXPECT_EQ (nullptr, LibHiiGetString ((EFI_HII_HANDLE)1, 5, nullptr));   // no protocol
  Firmware.AddProtocol (gEfiHiiStringProtocolGuid, &Hii.Protocol);
  Hii.Strings[{ "en-US", 5 }] = u"Exit";
  EFI_STRING  Text = LibHiiGetString ((EFI_HII_HANDLE)1, 5, nullptr);
  ASSERT_NE (nullptr, Text);
  EXPECT_EQ (u"Exit", std::u16string (Text));
  FreePool (Text);
}

// A HOB list image: hand-off table, optional blocks, end block.
struct HobListBuilder {
  std::vector<UINT64>  Words;   // 8-byte aligned storage

  HobListBuilder (EFI_BOOT_MODE BootMode)
  {
    EFI_HOB_HANDOFF_INFO_TABLE  Handoff {};
    Handoff.Header.HobType   = EFI_HOB_TYPE_HANDOFF;
    Handoff.Header.HobLength = sizeof (Handoff);
    Handoff.BootMode         = BootMode;
    Append (&Handoff, sizeof (Handoff));
  }

  void Append (const void *Data, size_t Size)
  {
    size_t  Offset = Words.size () * 8;
    Words.resize (Words.size () + (Size + 7) / 8);
    std::memcpy ((UINT8 *)Words.data () + Offset, Data, Size);
  }

  void AddGuidHob (const EFI_GUID &Guid, UINT16 Length)
  {
    std::vector<UINT8>  Block (Length < sizeof (EFI_HOB_GUID_TYPE) ? sizeof (EFI_HOB_GUID_TYPE) : Length, 0x5A);
    EFI_HOB_GUID_TYPE   Header {};
    Header.Header.HobType   = EFI_HOB_TYPE_GUID_EXTENSION;
    Header.Header.HobLength = Length;
    Header.Name             = Guid;
    std::memcpy (Block.data (), &Header, sizeof (Header));
    Append (Block.data (), Block.size ());
  }

  void *Finish ()
  {
    EFI_HOB_GENERIC_HEADER  End { EFI_HOB_TYPE_END_OF_HOB_LIST, sizeof (End), 0 };
    size_t                  EndOffset = Words.size () * 8;
    Append (&End, sizeof (End));
    auto  *Handoff = (EFI_HOB_HANDOFF_INFO_TABLE *)Words.data ();
    Handoff->EfiEndOfHobList = (EFI_PHYSICAL_ADDRESS)(UINTN)((UINT8 *)Words.data () + EndOffset);
    return Words.data ();
  }
};

TEST (HobList, BootModeComesFromTheConfigurationTable) {
  FakeFirmware    Firmware;
  HobListBuilder  Hobs (BOOT_ON_FLASH_UPDATE);

  EXPECT_EQ ((EFI_BOOT_MODE)BOOT_WITH_FULL_CONFIGURATION, GetBootModeHob ());   // no list: normal boot
  Firmware.AddConfigTable (gEfiHobListGuid, Hobs.Finish ());
  EXPECT_EQ ((EFI_BOOT_MODE)BOOT_ON_FLASH_UPDATE, GetBootModeHob ());
}

TEST (HobList, FindsGuidBlockAfterOthers) {
  HobListBuilder  Hobs (BOOT_IN_RECOVERY_MODE);
  const EFI_GUID  Other = { 1, 2, 3, { 4 } };

  Hobs.AddGuidHob (Other, 32);
  Hobs.AddGuidHob (kGroup, 40);
  void  *List = Hobs.Finish ();
  const EFI_HOB_GUID_TYPE  *Found = FindGuidHobInList (List, &kGroup);
  ASSERT_NE (nullptr, Found);
  EXPECT_EQ (40, Found->Header.HobLength);
  EXPECT_EQ ((EFI_BOOT_MODE)BOOT_IN_RECOVERY_MODE, GetBootModeFromHobList (List));
}

// A zero-length block used to make such walks spin for ever; one that claims to run
// past the list's end used to be read past it. Both must end the walk.
TEST (HobList, MalformedLengthsStopTheWalk) {
  HobListBuilder  Zero (0);
  Zero.AddGuidHob (kGroup, 0);
  EXPECT_EQ (nullptr, FindGuidHobInList (Zero.Finish (), &kGroup));

  HobListBuilder  Long (0);
  Long.AddGuidHob ({ 9, 0, 0, { 0 } }, 24);
  void  *List = Long.Finish ();
  ((EFI_HOB_GENERIC_HEADER *)((UINT8 *)List + sizeof (EFI_HOB_HANDOFF_INFO_TABLE)))->HobLength = 0x4000;
  EXPECT_EQ (nullptr, FindGuidHobInList (List, &kGroup));
}

TEST (HobList, ListWithoutHandoffTableIsRefused) {
  UINT64  NotAList[8] = { 0 };

  EXPECT_EQ ((EFI_BOOT_MODE)BOOT_WITH_FULL_CONFIGURATION, GetBootModeFromHobList (NotAList));
  EXPECT_EQ (nullptr, FindGuidHobInList (NotAList, &kGroup));
}

struct FakeStatusCode {
  EFI_STATUS_CODE_PROTOCOL  Protocol { Report };
  struct Entry { UINT32 Type; UINT32 Value; std::string Text; };
  std::vector<Entry>        Log;
  static FakeStatusCode     *Current;

  FakeStatusCode () { Current = this; }

  static EFI_STATUS EFIAPI Report (EFI_STATUS_CODE_TYPE Type, EFI_STATUS_CODE_VALUE Value, UINT32, CONST EFI_GUID *,
    EFI_STATUS_CODE_DATA *Data)
  {
    std::string  Text;
    if (Data != nullptr) {
      EXPECT_EQ (0, std::memcmp (&Data->Type, &gEfiStatusCodeDataTypeStringGuid, sizeof (EFI_GUID)));
      Text = ((EFI_STATUS_CODE_STRING_DATA *)Data)->String.Ascii;
    }

    Current->Log.push_back ({ Type, Value, Text });
    return EFI_SUCCESS;
  }
};
FakeStatusCode  *FakeStatusCode::Current = nullptr;

TEST (DebugText, UpTo2008CharactersGoUnchanged) {
  FakeFirmware    Firmware;
  FakeStatusCode  StatusCode;
  std::string     Text (2008, 'a');

  EXPECT_EQ (EFI_NOT_FOUND, ReportDebugText ("x"));
  Firmware.AddProtocol (gEfiStatusCodeRuntimeProtocolGuid, &StatusCode.Protocol);
  EXPECT_EQ (EFI_SUCCESS, ReportDebugText (Text.c_str ()));
  ASSERT_EQ (1u, StatusCode.Log.size ());
  EXPECT_EQ ((UINT32)EFI_DEBUG_CODE, StatusCode.Log[0].Type);
  EXPECT_EQ (Text, StatusCode.Log[0].Text);
}

TEST (DebugText, LongerTextsEndInTheOverflowMark) {
  FakeFirmware    Firmware;
  FakeStatusCode  StatusCode;
  std::string     Text (2009, 'b');
  std::string     Mark = "... DEBUG BUFFER OVERFLOW!!!";

  Firmware.AddProtocol (gEfiStatusCodeRuntimeProtocolGuid, &StatusCode.Protocol);
  ReportDebugText (Text.c_str ());
  DebugPrint ("%a%a", "step: ", std::string (5000, 'c').c_str ());
  DebugPrint ("DHCP offer %d", 3);
  ASSERT_EQ (3u, StatusCode.Log.size ());
  for (int Index = 0; Index < 2; Index++) {
    EXPECT_EQ (2008u, StatusCode.Log[Index].Text.size ());
    EXPECT_EQ (Mark, StatusCode.Log[Index].Text.substr (2008 - Mark.size ()));
  }

  EXPECT_EQ ("step: ccc", StatusCode.Log[1].Text.substr (0, 9));
  EXPECT_EQ ("DHCP offer 3", StatusCode.Log[2].Text);
}

TEST (ReportStatusCode, ProgressAndErrorCodesCarryNoData) {
  FakeFirmware    Firmware;
  FakeStatusCode  StatusCode;

  Firmware.AddProtocol (gEfiStatusCodeRuntimeProtocolGuid, &StatusCode.Protocol);
  EXPECT_EQ (EFI_SUCCESS, ReportStatusCode (EFI_PROGRESS_CODE, 0x03051001));
  ASSERT_EQ (1u, StatusCode.Log.size ());
  EXPECT_EQ (0x03051001u, StatusCode.Log[0].Value);
  EXPECT_EQ ("", StatusCode.Log[0].Text);
}

}  // namespace

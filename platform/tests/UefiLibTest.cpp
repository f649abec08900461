// Event-group signalling, two-call variable reads, language matching, HII string
// reads with their fallback, the HOB walk and debug texts through the status code.
#include <Library/UefiLib.h>
#include <Library/HobLib.h>
#include <Library/ReportStatusCodeLib.h>
#include <Library/BaseLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Guid/GlobalVariable.h>
#include <Guid/HobList.h>
#include <Protocol/HiiString.h>

#include "LibraryMachine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

const EFI_GUID  kGroup = { 0x1B6BC809, 0xC986, 0x4937, { 0x93, 0x4F, 0x1E, 0xA5, 0x86, 0x22, 0xFE, 0x50 } };

int  gGroupNotifications;

VOID EFIAPI
CountNotification (EFI_EVENT, VOID *)
{
  gGroupNotifications++;
}

// The group's listeners hear it once, and the handle made for the signal goes again.
TEST (SignalProtocolNotify, NotifiesListenersAndLeavesNoHandle) {
  LibraryMachine  Firmware;
  EFI_EVENT       Event = nullptr;
  VOID            *Registration = nullptr;
  const UINTN     HandlesBefore = Firmware.M.Protocols ().Handles ().size ();

  gGroupNotifications = 0;
  ASSERT_EQ (EFI_SUCCESS, gLibBS->CreateEvent (EVT_NOTIFY_SIGNAL, TPL_CALLBACK, CountNotification, nullptr, &Event));
  ASSERT_EQ (EFI_SUCCESS, gLibBS->RegisterProtocolNotify ((EFI_GUID *)&kGroup, Event, &Registration));
  EXPECT_EQ (EFI_SUCCESS, SignalProtocolNotify (&kGroup));
  EXPECT_EQ (1, gGroupNotifications);
  EXPECT_TRUE (Firmware.M.Protocols ().HandlesWith (kGroup).empty ());
  EXPECT_EQ (HandlesBefore, Firmware.M.Protocols ().Handles ().size ());
}

TEST (GetVariableBuffer, ReadsWholeVariableIntoNewBuffer) {
  LibraryMachine  Firmware;
  VOID            *Buffer = nullptr;
  UINTN           Size = 0;
  UINT32          Attributes = 0;

  Firmware.PutVariable (u"BootOrder", kGroup, { 1, 0, 2, 0 });
  ASSERT_EQ (EFI_SUCCESS, GetVariableBuffer (u"BootOrder", &kGroup, &Buffer, &Size, &Attributes));
  EXPECT_EQ (4u, Size);
  EXPECT_EQ (3u, Attributes);
  EXPECT_EQ (2, ((UINT8 *)Buffer)[2]);
  FreeAndNull (Buffer);
  EXPECT_EQ (0u, Firmware.LiveBlocks ());
}

// GetVariable of the machine, except that the first answer "too small" is followed by
// the variable growing by six bytes, as another driver's write could make it.
EFI_GET_VARIABLE  gMachineGetVariable;
bool              gGrown;

EFI_STATUS EFIAPI
GetGrowingVariable (CHAR16 *Name, EFI_GUID *Guid, UINT32 *Attributes, UINTN *Size, VOID *Data)
{
  EFI_STATUS  Status = gMachineGetVariable (Name, Guid, Attributes, Size, Data);

  if ((Status == EFI_BUFFER_TOO_SMALL) && !gGrown) {
    gGrown = true;
    std::vector<UINT8>  Longer (*Size + 6, 0xEE);
    EXPECT_EQ (EFI_SUCCESS, gLibRT->SetVariable (Name, Guid, 3, Longer.size (), Longer.data ()));
  }

  return Status;
}

// The variable grows between the size query and the read: the helper must retry
// with the new size, not return a truncated value or a failure.
TEST (GetVariableBuffer, RetriesWhenTheVariableGrowsBetweenCalls) {
  LibraryMachine  Firmware;
  VOID            *Buffer = nullptr;
  UINTN           Size = 0;

  Firmware.PutVariable (u"Setup", kGroup, std::vector<UINT8> (10, 0x11));
  gMachineGetVariable = Firmware.M.RuntimeServices ()->GetVariable;
  gGrown              = false;
  Firmware.M.RuntimeServices ()->GetVariable = GetGrowingVariable;
  ASSERT_EQ (EFI_SUCCESS, GetVariableBuffer (u"Setup", &kGroup, &Buffer, &Size, nullptr));
  EXPECT_TRUE (gGrown);
  EXPECT_EQ (16u, Size);
  EXPECT_EQ (0xEE, ((UINT8 *)Buffer)[15]);
  FreeAndNull (Buffer);
  EXPECT_EQ (0u, Firmware.LiveBlocks ());
}

TEST (GetVariableBuffer, MissingVariableAndPoolFailureLeaveNothing) {
  LibraryMachine  Firmware;
  VOID            *Buffer = (VOID *)&Firmware;
  UINTN           Size = 7;

  EXPECT_EQ (EFI_NOT_FOUND, GetVariableBuffer (u"Absent", &kGroup, &Buffer, &Size, nullptr));
  EXPECT_EQ (nullptr, Buffer);
  EXPECT_EQ (0u, Size);
  Firmware.PutVariable (u"Setup", kGroup, { 1 });
  Firmware.FailNextAllocation ();
  EXPECT_EQ (EFI_OUT_OF_RESOURCES, GetVariableBuffer (u"Setup", &kGroup, &Buffer, &Size, nullptr));
  EXPECT_EQ (nullptr, Buffer);
  EXPECT_EQ (0u, Firmware.LiveBlocks ());
}

std::string Best (const CHAR8 *Supported, const CHAR8 *First, const CHAR8 *Second = nullptr)
{
  LibraryMachine  Firmware;
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
  EXPECT_EQ ("en-US", Best ("en-US", "EN-us"));                // case is ignored, the supported spelling given
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
  LibraryMachine  Firmware;
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

  FakeHiiString () { Current = this; Protocol.GetString = GetString; Protocol.GetLanguages = GetLanguages; }

  // The languages the strings are in, in the map's order.
  static EFI_STATUS EFIAPI GetLanguages (CONST EFI_HII_STRING_PROTOCOL *, EFI_HII_HANDLE, CHAR8 *Languages, UINTN *Size)
  {
    std::string  List;
    for (const auto &Entry : Current->Strings) {
      if (List.find (Entry.first.first) == std::string::npos) {
        List += (List.empty () ? "" : ";") + Entry.first.first;
      }
    }
    if (*Size < List.size () + 1) {
      *Size = List.size () + 1;
      return EFI_BUFFER_TOO_SMALL;
    }
    std::memcpy (Languages, List.c_str (), List.size () + 1);
    return EFI_SUCCESS;
  }

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
  LibraryMachine  Firmware;
  FakeHiiString  Hii;
  const char     French[] = "fr-FR";

  Firmware.AddProtocol (gEfiHiiStringProtocolGuid, &Hii.Protocol);
  Firmware.PutVariable (u"PlatformLang", gEfiGlobalVariableGuid, std::vector<UINT8> (French, French + sizeof (French)));
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
  EXPECT_EQ (0u, Firmware.LiveBlocks ());
}

std::string Matched (const CHAR8 *Supported, const CHAR8 *Wanted)
{
  LibraryMachine  Firmware;
  CHAR8           *Result = LibMatchPackageLanguage (Supported, Wanted);
  std::string     Text    = (Result == nullptr) ? "<none>" : Result;

  FreePool (Result);
  return Text;
}

// A package list's language for a wanted tag: itself or a shorter form, else a longer form
// at a tag boundary, else English, else the list's first.
TEST (LibMatchPackageLanguage, FindsTheFormThePackageListHas) {
  const struct { const char *Supported, *Wanted, *Found; } Rows[] = {
    { "en-US;fr-FR", "fr",         "fr-FR" },
    { "en-US;fr-FR", "fr-FR",      "fr-FR" },
    { "en-US;fr",    "fr-CA",      "fr" },
    { "en-US;fr-FR", "FR",         "fr-FR" },
    { "en-US;fr-FR", "f",          "en-US" },     // no partial subtag
    { "en-US;fr-FR", "de",         "en-US" },
    { "en-GB;fr-FR", "de",         "en-GB" },
    { "fr-FR;de-DE", "es",         "fr-FR" },
    { "fr-FR",       "",           "fr-FR" },
    { "",            "fr",         "<none>" },
  };

  for (const auto &Row : Rows) {
    EXPECT_EQ (Row.Found, Matched (Row.Supported, Row.Wanted)) << Row.Supported << " / " << Row.Wanted;
  }
}

// "fr", as a front page stores it, finds strings that a package list has in "fr-FR".
TEST (LibHiiGetString, APrimaryTagFindsItsRegionalStrings) {
  LibraryMachine  Firmware;
  FakeHiiString   Hii;
  const char      French[] = "fr";

  Firmware.AddProtocol (gEfiHiiStringProtocolGuid, &Hii.Protocol);
  Firmware.PutVariable (u"PlatformLang", gEfiGlobalVariableGuid, std::vector<UINT8> (French, French + sizeof (French)));
  Hii.Strings[{ "fr-FR", 5 }] = u"Quitter";
  Hii.Strings[{ "en-US", 5 }] = u"Exit";

  EFI_STRING  Text = LibHiiGetString ((EFI_HII_HANDLE)1, 5, nullptr);
  ASSERT_NE (nullptr, Text);
  EXPECT_EQ (u"Quitter", std::u16string (Text));
  FreePool (Text);
  EXPECT_EQ (0u, Firmware.LiveBlocks ());
}

// OVMF's front page names its languages in "en" and "fr" and keeps its texts in "en-US"
// and "fr-FR": with "fr" stored, a text "fr" lacks comes from "fr-FR", not from English,
// and one "fr" has still comes from "fr".
TEST (LibHiiGetString, AStringMissingInThePackagesLanguageComesFromItsRegionalForm) {
  LibraryMachine  Firmware;
  FakeHiiString   Hii;
  const char      French[] = "fr";

  Firmware.AddProtocol (gEfiHiiStringProtocolGuid, &Hii.Protocol);
  Firmware.PutVariable (u"PlatformLang", gEfiGlobalVariableGuid, std::vector<UINT8> (French, French + sizeof (French)));
  Hii.Strings[{ "en-US", 1 }] = u"English";
  Hii.Strings[{ "fr-FR", 1 }] = u"Fran\u00E7ais";
  Hii.Strings[{ "en", 1 }]    = u"Standard English";
  Hii.Strings[{ "fr", 1 }]    = u"Standard Fran\u00E7ais";
  Hii.Strings[{ "en-US", 9 }] = u"Select Language";
  Hii.Strings[{ "fr-FR", 9 }] = u"Choisir la Langue";

  for (auto [Id, Wanted] : { std::pair<int, std::u16string> { 9, u"Choisir la Langue" }, { 1, u"Standard Fran\u00E7ais" } }) {
    EFI_STRING  Text = LibHiiGetString ((EFI_HII_HANDLE)1, (EFI_STRING_ID)Id, nullptr);
    ASSERT_NE (nullptr, Text);
    EXPECT_EQ (Wanted, std::u16string (Text));
    FreePool (Text);
  }

  // In English the same: "en" has no text 9, "en-US" has.
  EFI_STRING  Text = LibHiiGetString ((EFI_HII_HANDLE)1, 9, "en");
  ASSERT_NE (nullptr, Text);
  EXPECT_EQ (u"Select Language", std::u16string (Text));
  FreePool (Text);
  EXPECT_EQ (0u, Firmware.LiveBlocks ());
}

// The size a protocol reports with the string must not steer where the terminator
// goes: the buffer is the one the first answer sized.
TEST (LibHiiGetString, TerminatesInsideItsOwnBuffer) {
  LibraryMachine  Firmware;
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
  LibraryMachine  Firmware;
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
  LibraryMachine  Firmware;
  HobListBuilder  Hobs (BOOT_ON_FLASH_UPDATE);

  EXPECT_EQ ((EFI_BOOT_MODE)BOOT_WITH_FULL_CONFIGURATION, GetBootModeHob ());   // no list: normal boot
  ASSERT_EQ (EFI_SUCCESS, Firmware.M.InstallConfigurationTable (&gEfiHobListGuid, Hobs.Finish ()));
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

  // A list without its hand-off table is refused.
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

// Debug texts of up to 2008 characters go unchanged, longer ones end in the overflow
// mark; progress and error codes carry no data.
TEST (DebugText, UpTo2008CharactersGoUnchangedLongerOnesEndInTheOverflowMark) {
  LibraryMachine  Firmware;
  FakeStatusCode  StatusCode;
  std::string     Fits (2008, 'a');
  std::string     Mark = "... DEBUG BUFFER OVERFLOW!!!";

  EXPECT_EQ (EFI_NOT_FOUND, ReportDebugText ("x"));
  Firmware.AddProtocol (gEfiStatusCodeRuntimeProtocolGuid, &StatusCode.Protocol);
  EXPECT_EQ (EFI_SUCCESS, ReportDebugText (Fits.c_str ()));
  ReportDebugText (std::string (2009, 'b').c_str ());
  DebugPrint ("%a%a", "step: ", std::string (5000, 'c').c_str ());
  DebugPrint ("DHCP offer %d", 3);
  EXPECT_EQ (EFI_SUCCESS, ReportStatusCode (EFI_PROGRESS_CODE, 0x03051001));
  ASSERT_EQ (5u, StatusCode.Log.size ());
  EXPECT_EQ ((UINT32)EFI_DEBUG_CODE, StatusCode.Log[0].Type);
  EXPECT_EQ (Fits, StatusCode.Log[0].Text);
  for (int Index = 1; Index < 3; Index++) {
    EXPECT_EQ (2008u, StatusCode.Log[Index].Text.size ());
    EXPECT_EQ (Mark, StatusCode.Log[Index].Text.substr (2008 - Mark.size ()));
  }

  EXPECT_EQ ("step: ccc", StatusCode.Log[2].Text.substr (0, 9));
  EXPECT_EQ ("DHCP offer 3", StatusCode.Log[3].Text);
  EXPECT_EQ (0x03051001u, StatusCode.Log[4].Value);
  EXPECT_EQ ("", StatusCode.Log[4].Text);
}

}  // namespace

/** @file
  Reading an HII string in the platform language, with "en-US" as the fallback.
**/
#include <Library/UefiLib.h>
#include <Library/BaseLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/PlatformLib.h>
#include <Guid/GlobalVariable.h>
#include <Protocol/HiiString.h>

static EFI_STRING
GetStringInLanguage (EFI_HII_STRING_PROTOCOL *HiiString, EFI_HII_HANDLE HiiHandle, EFI_STRING_ID StringId,
  CONST CHAR8 *Language)
{
  UINTN       Size   = 0;
  UINTN       Allocated;
  EFI_STRING  String = nullptr;
  EFI_STATUS  Status = HiiString->GetString (HiiString, Language, HiiHandle, StringId, nullptr, &Size, nullptr);

  if ((Status != EFI_BUFFER_TOO_SMALL) || (Size < sizeof (CHAR16))) {
    return nullptr;
  }

  Allocated = Size;
  String    = (EFI_STRING)AllocateZeroPool (Allocated);
  if (String == nullptr) {
    return nullptr;
  }

  Status = HiiString->GetString (HiiString, Language, HiiHandle, StringId, String, &Size, nullptr);
  if (EFI_ERROR (Status)) {
    FreeAndNull (String);
    return nullptr;
  }

  // A string that filled the buffer exactly must still end inside it. The size the
  // protocol reports back is not trusted to index the buffer we allocated.
  String[Allocated / sizeof (CHAR16) - 1] = 0;
  return String;
}

// The package list's languages, ';'-separated; NULL when it has none or they cannot be read.
static CHAR8 *
PackageLanguages (EFI_HII_STRING_PROTOCOL *HiiString, EFI_HII_HANDLE HiiHandle)
{
  UINTN       Size   = 0;
  CHAR8       Probe  = 0;
  CHAR8       *Languages;
  EFI_STATUS  Status = (HiiString->GetLanguages == nullptr) ? EFI_UNSUPPORTED
                       : HiiString->GetLanguages (HiiString, HiiHandle, &Probe, &Size);

  if ((Status != EFI_BUFFER_TOO_SMALL) || (Size == 0)) {
    return nullptr;
  }

  Languages = (CHAR8 *)AllocateZeroPool (Size + 1);     // ends inside whatever the protocol wrote
  if ((Languages != nullptr) && EFI_ERROR (HiiString->GetLanguages (HiiString, HiiHandle, Languages, &Size))) {
    FreeAndNull (Languages);
  }

  return Languages;
}

// The first entry of Supported that extends Wanted at a tag boundary: "fr" finds "fr-FR".
static CHAR8 *
LongerForm (CONST CHAR8 *Supported, CONST CHAR8 *Wanted)
{
  UINTN  Length = AsciiStrLen (Wanted);
  UINTN  Start  = 0;
  UINTN  Total  = AsciiStrLen (Supported);

  while ((Length != 0) && (Start < Total)) {
    UINTN  End = Start;

    while ((End < Total) && (Supported[End] != ';')) {
      End++;
    }

    if ((End - Start > Length) && (Supported[Start + Length] == '-') && (AsciiStrniCmp (Supported + Start, Wanted, Length) == 0)) {
      CHAR8  *Copy = (CHAR8 *)AllocateZeroPool (End - Start + 1);
      if (Copy != nullptr) {
        CopyMem (Copy, Supported + Start, End - Start);
      }

      return Copy;
    }

    Start = End + 1;
  }

  return nullptr;
}

CHAR8 *
LibMatchPackageLanguage (IN CONST CHAR8 *Supported, IN CONST CHAR8 *Wanted)
{
  CHAR8  *Match;
  UINTN  First = 0;

  if ((Supported == nullptr) || (Wanted == nullptr)) {
    return nullptr;
  }

  // As RFC 4646 look-ups go: the tag itself or a shorter form of it, else a longer form
  // (a primary tag finds its regional forms), else English, else the list's first language.
  Match = GetBestLanguage (Supported, FALSE, Wanted, nullptr);
  Match = (Match != nullptr) ? Match : LongerForm (Supported, Wanted);
  Match = (Match != nullptr) ? Match : GetBestLanguage (Supported, FALSE, "en-US", nullptr);
  Match = (Match != nullptr) ? Match : LongerForm (Supported, "en");
  if (Match == nullptr) {
    while ((Supported[First] != 0) && (Supported[First] != ';')) {
      First++;
    }

    if (First != 0) {
      Match = (CHAR8 *)AllocateZeroPool (First + 1);
      if (Match != nullptr) {
        CopyMem (Match, Supported, First);
      }
    }
  }

  return Match;
}

// The length of a language tag's primary subtag ("fr" of "fr-FR").
static UINTN
PrimaryLength (CONST CHAR8 *Tag, UINTN Length)
{
  UINTN  Index = 0;

  while ((Index < Length) && (Tag[Index] != '-')) {
    Index++;
  }

  return Index;
}

//
// A package list may hold a language only in part: a driver's "fr" package can carry
// its language's name alone while its texts are in "fr-FR". A string missing in the
// chosen language comes from another of the list's languages of the same primary
// language, in the list's order, before English is tried.
//
static EFI_STRING
GetStringInSameLanguage (EFI_HII_STRING_PROTOCOL *HiiString, EFI_HII_HANDLE HiiHandle, EFI_STRING_ID StringId,
  CONST CHAR8 *Supported, CONST CHAR8 *Language, CONST CHAR8 *Tried)
{
  UINTN       Primary = PrimaryLength (Language, AsciiStrLen (Language));
  UINTN       Start   = 0;
  UINTN       Total   = (Supported == nullptr) ? 0 : AsciiStrLen (Supported);
  EFI_STRING  String  = nullptr;
  CHAR8       *One;

  while ((String == nullptr) && (Primary != 0) && (Start < Total)) {
    UINTN  End = Start;

    while ((End < Total) && (Supported[End] != ';')) {
      End++;
    }

    if ((PrimaryLength (Supported + Start, End - Start) == Primary) &&
        (AsciiStrniCmp (Supported + Start, Language, Primary) == 0))
    {
      One = (CHAR8 *)AllocateZeroPool (End - Start + 1);
      if (One == nullptr) {
        return nullptr;
      }

      CopyMem (One, Supported + Start, End - Start);
      if ((AsciiStrCmp (One, Language) != 0) && ((Tried == nullptr) || (AsciiStrCmp (One, Tried) != 0))) {
        String = GetStringInLanguage (HiiString, HiiHandle, StringId, One);
      }

      FreePool (One);
    }

    Start = End + 1;
  }

  return String;
}

EFI_STRING
LibHiiGetString (IN EFI_HII_HANDLE HiiHandle, IN EFI_STRING_ID StringId, IN CONST CHAR8 *Language OPTIONAL)
{
  EFI_HII_STRING_PROTOCOL  *HiiString   = nullptr;
  CHAR8                    *Platform    = nullptr;
  CHAR8                    *Supported   = nullptr;
  CHAR8                    *Best        = nullptr;
  UINTN                    PlatformSize = 0;
  EFI_STRING               String       = nullptr;

  if ((gLibBS == nullptr) || (HiiHandle == nullptr) ||
      EFI_ERROR (gLibBS->LocateProtocol (&gEfiHiiStringProtocolGuid, nullptr, (VOID **)&HiiString))) {
    return nullptr;
  }

  if (Language == nullptr) {
    // Not found is the normal case on a first boot: "en-US" serves then.
    (VOID)GetVariableBuffer (u"PlatformLang", &gEfiGlobalVariableGuid, (VOID **)&Platform, &PlatformSize, nullptr);
    if ((Platform != nullptr) && (AsciiStrnLenS (Platform, PlatformSize) == PlatformSize)) {
      FreeAndNull (Platform);   // not terminated inside the variable: unusable
    }

    Language = (Platform != nullptr) ? Platform : "en-US";
  }

  // The package list's own form of the language ("fr-FR" for "fr"), when it names its languages.
  Supported = PackageLanguages (HiiString, HiiHandle);
  Best      = LibMatchPackageLanguage (Supported, Language);
  String    = GetStringInLanguage (HiiString, HiiHandle, StringId, (Best != nullptr) ? Best : Language);
  if ((String == nullptr) && (Best != nullptr) && (AsciiStrCmp (Best, Language) != 0)) {
    String = GetStringInLanguage (HiiString, HiiHandle, StringId, Language);
  }

  if (String == nullptr) {
    String = GetStringInSameLanguage (HiiString, HiiHandle, StringId, Supported, Language, Best);
  }

  if ((String == nullptr) && (AsciiStrCmp (Language, "en-US") != 0)) {
    String = GetStringInLanguage (HiiString, HiiHandle, StringId, "en-US");
  }

  FreePool (Best);
  FreePool (Supported);
  FreePool (Platform);
  return String;
}

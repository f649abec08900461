/** @file
  The platform's language list: the codes of "PlatformLangCodes" (else the one of
  "PlatformLang", else "en-US"), each with its own name from the engine's strings.

  The variables come from NVRAM: codes are read only up to the variable's size or
  its terminator, empty codes between separators are passed over, and the list is
  bounded whatever the variables hold.
**/
#include <engine/boot/OptionLists.h>
#include <engine/textui/TextScreen.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/EngineStrings.h>
#include <Resources/EngineStringIds.h>

#include <Guid/GlobalVariable.h>
#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/UefiLib.h>

//
// Every language adds its name to the engine's strings in each of their languages at
// every power-on, so the list is bounded: far more languages than any firmware offers,
// and no code longer than the longest language tag a system must take (35 characters).
//
#define MAX_PLATFORM_LANGUAGES     32
#define MAX_LANGUAGE_CODE_LENGTH   35

typedef struct {
  UINTN  Start;
  UINTN  Length;
} CODE_SPAN;

VOID
FreeLanguageList (
  VOID
  )
{
  for (UINTN Index = 0; (gLanguageList != NULL) && (Index < gLanguageCount); Index++) {
    FreePool (gLanguageList[Index].Code);
    FreePool (gLanguageList[Index].UnicodeCode);
    FreePool (gLanguageList[Index].Name);
  }

  FreeAndNull (gLanguageList);
  gLanguageCount = 0;
}

// The codes' bytes up to the terminator; a new buffer or null when the variable is missing or empty.
static CHAR8 *
ReadCodes (
  IN  CONST CHAR16  *Name,
  OUT UINTN         *Length
  )
{
  CHAR8  *Codes = NULL;
  UINTN  Size   = 0;

  *Length = 0;
  if (EFI_ERROR (GetVariableBuffer (Name, &gEfiGlobalVariableGuid, (VOID **)&Codes, &Size, NULL))) {
    return NULL;
  }

  while ((*Length < Size) && (Codes[*Length] != 0)) {
    (*Length)++;
  }

  if (*Length == 0) {
    FreeAndNull (Codes);
  }

  return Codes;
}

//
// The non-empty codes of a ";"-separated list, in one pass and at most
// MAX_PLATFORM_LANGUAGES of them; a "code" longer than any language code is not one.
//
static UINTN
SplitCodes (
  IN  CONST CHAR8  *Codes,
  IN  UINTN        Length,
  OUT CODE_SPAN    *Spans
  )
{
  UINTN  Count = 0;
  UINTN  End;

  for (UINTN At = 0; (At < Length) && (Count < MAX_PLATFORM_LANGUAGES); At = End + 1) {
    for (End = At; (End < Length) && (Codes[End] != ';'); End++) {
    }

    if ((End > At) && (End - At <= MAX_LANGUAGE_CODE_LENGTH)) {
      Spans[Count].Start  = At;
      Spans[Count].Length = End - At;
      Count++;
    }
  }

  return Count;
}

static BOOLEAN
FillLanguage (
  OUT LANGUAGE_ENTRY  *Entry,
  IN  CONST CHAR8     *Code,
  IN  UINTN           Length
  )
{
  Entry->Code = (CHAR8 *)AllocateZeroPool (Length + 1);
  if (Entry->Code == NULL) {
    return FALSE;
  }

  CopyMem (Entry->Code, Code, Length);
  Entry->UnicodeCode  = AsciiToUnicodeDup (Entry->Code);
  Entry->Name         = (Entry->UnicodeCode == NULL) ? NULL : HiiGetString (gHiiHandle, STR_LANGUAGE_NAME, Entry->UnicodeCode);
  Entry->NameStringId = 0;
  if (Entry->UnicodeCode == NULL) {
    FreeAndNull (Entry->Code);
    return FALSE;
  }

  return TRUE;
}

//
// The codes of "PlatformLangCodes"; else the one of "PlatformLang", which names a
// single language: any OS can write it, so a list or a run of bytes in it is no code
// and must not decide how much the firmware builds at every power-on; else "en-US".
//
static CHAR8 *
ReadPlatformCodes (
  OUT CODE_SPAN  *Spans,
  OUT UINTN      *Count
  )
{
  CHAR8  *Codes;
  UINTN  Length;

  Codes  = ReadCodes (u"PlatformLangCodes", &Length);
  *Count = (Codes == NULL) ? 0 : SplitCodes (Codes, Length, Spans);
  if (*Count != 0) {
    return Codes;
  }

  FreePool (Codes);
  Codes = ReadCodes (u"PlatformLang", &Length);
  if ((Codes != NULL) && (SplitCodes (Codes, Length, Spans) == 1) && (Spans[0].Length == Length)) {
    *Count = 1;
    return Codes;
  }

  FreePool (Codes);
  Codes           = AsciiStrDup ("en-US");
  Spans[0].Start  = 0;
  Spans[0].Length = (Codes == NULL) ? 0 : AsciiStrLen (Codes);
  *Count          = (Codes == NULL) ? 0 : 1;
  return Codes;
}

EFI_STATUS
BuildLanguageList (
  VOID
  )
{
  CODE_SPAN  Spans[MAX_PLATFORM_LANGUAGES];
  UINTN      Count;
  CHAR8      *Codes;

  FreeLanguageList ();
  Codes = ReadPlatformCodes (Spans, &Count);
  gLanguageList = (Count == 0) ? NULL : (LANGUAGE_ENTRY *)AllocateZeroPool (Count * sizeof (LANGUAGE_ENTRY));
  for (UINTN Index = 0; (gLanguageList != NULL) && (Index < Count); Index++) {
    gLanguageCount += FillLanguage (&gLanguageList[gLanguageCount], Codes + Spans[Index].Start, Spans[Index].Length) ? 1 : 0;
  }

  FreePool (Codes);
  if (gLanguageCount == 0) {
    FreeLanguageList ();
    return EFI_OUT_OF_RESOURCES;
  }

  // With the list complete each name can go into every language of the engine's package list.
  for (UINTN Index = 0; Index < gLanguageCount; Index++) {
    UINT16  Id = (gLanguageList[Index].Name == NULL) ? NO_STRING :
                 SetStringAllLanguagesNew (gHiiHandle, 0, gLanguageList[Index].Name);
    gLanguageList[Index].NameStringId = (Id == NO_STRING) ? 0 : Id;
  }

  return EFI_SUCCESS;
}

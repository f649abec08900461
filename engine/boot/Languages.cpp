/** @file
  The platform's language list: the codes of "PlatformLangCodes" (else the one of
  "PlatformLang", else "en-US"), each with its own name from the engine's strings.

  The variables come from NVRAM: codes are read only up to the variable's size or
  its terminator, and empty codes between separators are passed over.
**/
#include <engine/boot/OptionLists.h>
#include <engine/textui/TextScreen.h>
#include <engine/textui/TextScreen.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/EngineStrings.h>
#include <Resources/EngineStringIds.h>

#include <Guid/GlobalVariable.h>
#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/UefiLib.h>

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

// The Index-th non-empty code of Codes; FALSE past the last.
static BOOLEAN
NthCode (
  IN  CONST CHAR8  *Codes,
  IN  UINTN        Length,
  IN  UINTN        Index,
  OUT UINTN        *Start,
  OUT UINTN        *CodeLength
  )
{
  UINTN  Seen = 0;

  for (UINTN At = 0; At < Length; ) {
    UINTN  End = At;
    while ((End < Length) && (Codes[End] != ';')) {
      End++;
    }

    if ((End > At) && (Seen++ == Index)) {
      *Start      = At;
      *CodeLength = End - At;
      return TRUE;
    }

    At = End + 1;
  }

  return FALSE;
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

// The number of codes of Codes.
static UINTN
CountCodes (
  IN CONST CHAR8  *Codes,
  IN UINTN        Length
  )
{
  UINTN  Count = 0;
  UINTN  Start;
  UINTN  CodeLength;

  while ((Codes != NULL) && NthCode (Codes, Length, Count, &Start, &CodeLength)) {
    Count++;
  }

  return Count;
}

// The codes of the first variable that holds one, else "en-US".
static CHAR8 *
ReadPlatformCodes (
  OUT UINTN  *Length,
  OUT UINTN  *Count
  )
{
  CONST CHAR16  *Names[] = { u"PlatformLangCodes", u"PlatformLang" };
  CHAR8         *Codes;

  for (UINTN Index = 0; Index < ARRAY_SIZE (Names); Index++) {
    Codes  = ReadCodes (Names[Index], Length);
    *Count = CountCodes (Codes, *Length);
    if (*Count != 0) {
      return Codes;
    }

    FreePool (Codes);
  }

  Codes   = AsciiStrDup ("en-US");
  *Length = (Codes == NULL) ? 0 : AsciiStrLen (Codes);
  *Count  = (Codes == NULL) ? 0 : 1;
  return Codes;
}

EFI_STATUS
BuildLanguageList (
  VOID
  )
{
  UINTN  Length;
  UINTN  Count;
  CHAR8  *Codes;
  UINTN  Start;
  UINTN  CodeLength;

  FreeLanguageList ();
  Codes = ReadPlatformCodes (&Length, &Count);
  gLanguageList = (Count == 0) ? NULL : (LANGUAGE_ENTRY *)AllocateZeroPool (Count * sizeof (LANGUAGE_ENTRY));
  for (UINTN Index = 0; (gLanguageList != NULL) && (Index < Count); Index++) {
    // Every code up to Count was found when they were counted; one that is not is skipped.
    if (!NthCode (Codes, Length, Index, &Start, &CodeLength)) {
      continue;
    }

    gLanguageCount += FillLanguage (&gLanguageList[gLanguageCount], Codes + Start, CodeLength) ? 1 : 0;
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

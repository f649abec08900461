/** @file
  Best-language matching over RFC 4646 and ISO 639-2 language lists.
**/
#include <Library/UefiLib.h>
#include <Library/BaseLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/BaseMemoryLib.h>
#include <stdarg.h>

static CHAR8 *
CopyLanguage (CONST CHAR8 *Language, UINTN Length)
{
  CHAR8  *Copy = (CHAR8 *)AllocateZeroPool (Length + 1);

  if (Copy != nullptr) {
    CopyMem (Copy, Language, Length);
  }

  return Copy;
}

// The supported entry equal (ignoring case) to the first Length characters of
// Language; its length in *EntryLength.
static CONST CHAR8 *
FindRfcEntry (CONST CHAR8 *Supported, CONST CHAR8 *Language, UINTN Length, UINTN *EntryLength)
{
  UINTN  Total = AsciiStrnLenS (Supported, MAX_STRING_LENGTH);
  UINTN  Start = 0;

  while (Start < Total) {
    UINTN  End = Start;

    while ((End < Total) && (Supported[End] != ';')) {
      End++;
    }

    if ((End - Start == Length) && (AsciiStrniCmp (Supported + Start, Language, Length) == 0)) {
      *EntryLength = Length;
      return Supported + Start;
    }

    Start = End + 1;
  }

  return nullptr;
}

static CHAR8 *
BestRfcMatch (CONST CHAR8 *Supported, CONST CHAR8 *Language)
{
  UINTN        Length = 0;
  UINTN        EntryLength;
  CONST CHAR8  *Entry;

  while ((Length < MAX_STRING_LENGTH) && (Language[Length] != 0) && (Language[Length] != ';')) {
    Length++;
  }

  // "en-US" falls back to "en", "zh-Hant-TW" to "zh-Hant" and then "zh".
  while (Length != 0) {
    Entry = FindRfcEntry (Supported, Language, Length, &EntryLength);
    if (Entry != nullptr) {
      return CopyLanguage (Entry, EntryLength);
    }

    do {
      Length--;
    } while ((Length != 0) && (Language[Length] != '-'));
  }

  return nullptr;
}

static CHAR8 *
BestIsoMatch (CONST CHAR8 *Supported, CONST CHAR8 *Language)
{
  UINTN  Total = AsciiStrnLenS (Supported, MAX_STRING_LENGTH);

  if (AsciiStrnLenS (Language, 3) < 3) {
    return nullptr;
  }

  for (UINTN Start = 0; Start + 3 <= Total; Start += 3) {
    if (AsciiStrniCmp (Supported + Start, Language, 3) == 0) {
      return CopyLanguage (Supported + Start, 3);
    }
  }

  return nullptr;
}

CHAR8 *
GetBestLanguage (IN CONST CHAR8 *SupportedLanguages, IN UINTN Iso639Language, ...)
{
  va_list      Args;
  CONST CHAR8  *Language;
  CHAR8        *Best = nullptr;

  if (SupportedLanguages == nullptr) {
    return nullptr;
  }

  va_start (Args, Iso639Language);
  while ((Best == nullptr) && ((Language = va_arg (Args, CONST CHAR8 *)) != nullptr)) {
    Best = Iso639Language ? BestIsoMatch (SupportedLanguages, Language)
                          : BestRfcMatch (SupportedLanguages, Language);
  }

  va_end (Args);
  return Best;
}

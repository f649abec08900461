/** @file
  One implementation of each string routine for both character widths; String.cpp
  instantiates them for CHAR16 and CHAR8. Every walk stops at MAX_STRING_LENGTH.
**/
#ifndef PLATFORM_STRING_INTERNAL_H_
#define PLATFORM_STRING_INTERNAL_H_

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>

namespace StrImpl {

template <typename C>
inline UINTN Length (CONST C *String, UINTN Max)
{
  UINTN  Count = 0;

  if (String == nullptr) {
    return 0;
  }

  while ((Count < Max) && (String[Count] != 0)) {
    Count++;
  }

  return Count;
}

template <typename C>
inline C Upper (C Char)
{
  return ((Char >= 'a') && (Char <= 'z')) ? (C)(Char - ('a' - 'A')) : Char;
}

// Compares at most Max characters, optionally ignoring ASCII case.
template <typename C>
inline INTN Compare (CONST C *First, CONST C *Second, UINTN Max, bool IgnoreCase)
{
  for (UINTN Index = 0; Index < Max; Index++) {
    UINTN  A = IgnoreCase ? (UINTN)Upper (First[Index]) : (UINTN)First[Index];
    UINTN  B = IgnoreCase ? (UINTN)Upper (Second[Index]) : (UINTN)Second[Index];

    if ((A != B) || (A == 0)) {
      return (INTN)A - (INTN)B;
    }
  }

  return 0;
}

template <typename C>
inline bool Overlap (CONST C *Destination, UINTN DestMax, CONST C *Source, UINTN SourceCount)
{
  UINTN  D = (UINTN)Destination;
  UINTN  S = (UINTN)Source;

  return (S < D + DestMax * sizeof (C)) && (D < S + SourceCount * sizeof (C));
}

// Copies at most Count characters of Source (stopping at its terminator) behind the
// first Offset characters of Destination.
template <typename C>
inline EFI_STATUS CopyAt (C *Destination, UINTN DestMax, UINTN Offset, CONST C *Source, UINTN Count)
{
  UINTN  SourceLength;
  UINTN  Room;

  if ((Destination == nullptr) || (Source == nullptr) || (DestMax == 0) || (DestMax > MAX_STRING_LENGTH)) {
    return EFI_INVALID_PARAMETER;
  }

  // Never read more of Source than could fit: a longer source may have its
  // terminator beyond the memory the caller can vouch for.
  Room         = DestMax - Offset;
  SourceLength = Length (Source, (Count < Room) ? Count : Room);
  if (Overlap (Destination, DestMax, Source, SourceLength + 1)) {
    return EFI_ACCESS_DENIED;
  }

  if (Offset + SourceLength >= DestMax) {
    return EFI_BUFFER_TOO_SMALL;
  }

  CopyMem (Destination + Offset, Source, SourceLength * sizeof (C));
  Destination[Offset + SourceLength] = 0;
  return EFI_SUCCESS;
}

template <typename C>
inline EFI_STATUS Concatenate (C *Destination, UINTN DestMax, CONST C *Source, UINTN Count)
{
  UINTN  Existing;

  if ((Destination == nullptr) || (DestMax == 0)) {
    return EFI_INVALID_PARAMETER;
  }

  Existing = Length (Destination, DestMax);
  if (Existing == DestMax) {
    return EFI_BAD_BUFFER_SIZE;   // the destination holds no terminator within DestMax
  }

  if ((Source != nullptr) && (Destination <= Source) && (Source < Destination + DestMax)) {
    return EFI_ACCESS_DENIED;
  }

  return CopyAt (Destination, DestMax, Existing, Source, Count);
}

// A copy that does not fit leaves an empty destination, never a truncated one.
template <typename C>
inline EFI_STATUS Copy (C *Destination, UINTN DestMax, CONST C *Source, UINTN Count)
{
  EFI_STATUS  Status = CopyAt (Destination, DestMax, 0, Source, Count);

  if (Status == EFI_BUFFER_TOO_SMALL) {
    Destination[0] = 0;
  }

  return Status;
}

template <typename C>
inline C *Search (CONST C *String, CONST C *SearchString)
{
  UINTN  Needle;
  UINTN  Hay;

  if ((String == nullptr) || (SearchString == nullptr)) {
    return nullptr;
  }

  Needle = Length (SearchString, MAX_STRING_LENGTH);
  Hay    = Length (String, MAX_STRING_LENGTH);
  for (UINTN Start = 0; Start + Needle <= Hay; Start++) {
    if (CompareMem (String + Start, SearchString, Needle * sizeof (C)) == 0) {
      return (C *)(String + Start);
    }
  }

  return nullptr;
}

inline bool DigitValue (UINTN Char, UINTN Radix, UINTN *Value)
{
  UINTN  Digit;

  if ((Char >= '0') && (Char <= '9')) {
    Digit = Char - '0';
  } else if ((Char >= 'a') && (Char <= 'f')) {
    Digit = Char - 'a' + 10;
  } else if ((Char >= 'A') && (Char <= 'F')) {
    Digit = Char - 'A' + 10;
  } else {
    return false;
  }

  if (Digit >= Radix) {
    return false;
  }

  *Value = Digit;
  return true;
}

template <typename C>
inline UINTN ToUintn (CONST C *String, UINTN Radix)
{
  UINTN  Result = 0;
  UINTN  Digit;
  UINTN  Index  = 0;

  if (String == nullptr) {
    return 0;
  }

  while ((Index < MAX_STRING_LENGTH) && ((String[Index] == ' ') || (String[Index] == '\t'))) {
    Index++;
  }

  if ((Radix == 16) && (String[Index] == '0') && ((String[Index + 1] == 'x') || (String[Index + 1] == 'X'))) {
    Index += 2;
  }

  for ( ; (Index < MAX_STRING_LENGTH) && DigitValue ((UINTN)String[Index], Radix, &Digit); Index++) {
    if (Result > (MAX_UINTN - Digit) / Radix) {
      return MAX_UINTN;
    }

    Result = Result * Radix + Digit;
  }

  return Result;
}

}  // namespace StrImpl

#endif

/** @file
  UTF-16 and ASCII string routines, conversions and unaligned access.
**/
#include "StringInternal.h"

using namespace StrImpl;

UINTN StrLen (IN CONST CHAR16 *String) { return Length (String, MAX_STRING_LENGTH); }
UINTN StrSize (IN CONST CHAR16 *String) { return (StrLen (String) + 1) * sizeof (CHAR16); }
UINTN StrnLenS (IN CONST CHAR16 *String, IN UINTN MaxSize) { return Length (String, MaxSize); }

INTN StrCmp (IN CONST CHAR16 *First, IN CONST CHAR16 *Second)
{
  return Compare (First, Second, MAX_STRING_LENGTH, false);
}

INTN StrnCmp (IN CONST CHAR16 *First, IN CONST CHAR16 *Second, IN UINTN Count)
{
  return Compare (First, Second, Count, false);
}

INTN StriCmp (IN CONST CHAR16 *First, IN CONST CHAR16 *Second)
{
  return Compare (First, Second, MAX_STRING_LENGTH, true);
}

EFI_STATUS StrCpyS (OUT CHAR16 *Destination, IN UINTN DestMax, IN CONST CHAR16 *Source)
{
  return Copy (Destination, DestMax, Source, MAX_STRING_LENGTH);
}

EFI_STATUS StrnCpyS (OUT CHAR16 *Destination, IN UINTN DestMax, IN CONST CHAR16 *Source, IN UINTN Count)
{
  return Copy (Destination, DestMax, Source, Count);
}

EFI_STATUS StrCatS (IN OUT CHAR16 *Destination, IN UINTN DestMax, IN CONST CHAR16 *Source)
{
  return Concatenate (Destination, DestMax, Source, MAX_STRING_LENGTH);
}

EFI_STATUS StrnCatS (IN OUT CHAR16 *Destination, IN UINTN DestMax, IN CONST CHAR16 *Source, IN UINTN Count)
{
  return Concatenate (Destination, DestMax, Source, Count);
}

CHAR16 *StrStr (IN CONST CHAR16 *String, IN CONST CHAR16 *SearchString) { return Search (String, SearchString); }
CHAR16 CharToUpper (IN CHAR16 Char) { return Upper (Char); }
UINTN StrDecimalToUintn (IN CONST CHAR16 *String) { return ToUintn (String, 10); }
UINTN StrHexToUintn (IN CONST CHAR16 *String) { return ToUintn (String, 16); }

UINTN AsciiStrLen (IN CONST CHAR8 *String) { return Length (String, MAX_STRING_LENGTH); }
UINTN AsciiStrSize (IN CONST CHAR8 *String) { return AsciiStrLen (String) + 1; }
UINTN AsciiStrnLenS (IN CONST CHAR8 *String, IN UINTN MaxSize) { return Length (String, MaxSize); }

// ASCII compares treat bytes as unsigned, so bytes above 0x7F sort after letters.
INTN AsciiStrCmp (IN CONST CHAR8 *First, IN CONST CHAR8 *Second)
{
  return Compare ((CONST UINT8 *)First, (CONST UINT8 *)Second, MAX_STRING_LENGTH, false);
}

INTN AsciiStrnCmp (IN CONST CHAR8 *First, IN CONST CHAR8 *Second, IN UINTN Count)
{
  return Compare ((CONST UINT8 *)First, (CONST UINT8 *)Second, Count, false);
}

INTN AsciiStriCmp (IN CONST CHAR8 *First, IN CONST CHAR8 *Second)
{
  return Compare ((CONST UINT8 *)First, (CONST UINT8 *)Second, MAX_STRING_LENGTH, true);
}

INTN AsciiStrniCmp (IN CONST CHAR8 *First, IN CONST CHAR8 *Second, IN UINTN Count)
{
  return Compare ((CONST UINT8 *)First, (CONST UINT8 *)Second, Count, true);
}

EFI_STATUS AsciiStrCpyS (OUT CHAR8 *Destination, IN UINTN DestMax, IN CONST CHAR8 *Source)
{
  return Copy (Destination, DestMax, Source, MAX_STRING_LENGTH);
}

EFI_STATUS AsciiStrnCpyS (OUT CHAR8 *Destination, IN UINTN DestMax, IN CONST CHAR8 *Source, IN UINTN Count)
{
  return Copy (Destination, DestMax, Source, Count);
}

EFI_STATUS AsciiStrCatS (IN OUT CHAR8 *Destination, IN UINTN DestMax, IN CONST CHAR8 *Source)
{
  return Concatenate (Destination, DestMax, Source, MAX_STRING_LENGTH);
}

CHAR8 *AsciiStrStr (IN CONST CHAR8 *String, IN CONST CHAR8 *SearchString) { return Search (String, SearchString); }
UINTN AsciiStrDecimalToUintn (IN CONST CHAR8 *String) { return ToUintn (String, 10); }
UINTN AsciiStrHexToUintn (IN CONST CHAR8 *String) { return ToUintn (String, 16); }

// Both conversions check everything before writing, so a failure leaves the
// destination as it was.
template <typename From, typename To>
static EFI_STATUS
ConvertString (CONST From *Source, To *Destination, UINTN DestMax)
{
  UINTN  SourceLength;

  if ((Source == nullptr) || (Destination == nullptr) || (DestMax == 0)) {
    return EFI_INVALID_PARAMETER;
  }

  // A source as long as DestMax cannot fit, so no more of it is read.
  SourceLength = Length (Source, (DestMax < MAX_STRING_LENGTH) ? DestMax : MAX_STRING_LENGTH);
  if (SourceLength >= DestMax) {
    return EFI_BUFFER_TOO_SMALL;
  }

  if (Overlap ((CONST UINT8 *)Destination, DestMax * sizeof (To), (CONST UINT8 *)Source,
        (SourceLength + 1) * sizeof (From))) {
    return EFI_ACCESS_DENIED;
  }

  for (UINTN Index = 0; Index < SourceLength; Index++) {
    Destination[Index] = (To)(UINT8)Source[Index];
  }

  Destination[SourceLength] = 0;
  return EFI_SUCCESS;
}

EFI_STATUS UnicodeStrToAsciiStrS (IN CONST CHAR16 *Source, OUT CHAR8 *Destination, IN UINTN DestMax)
{
  return ConvertString (Source, Destination, DestMax);
}

EFI_STATUS AsciiStrToUnicodeStrS (IN CONST CHAR8 *Source, OUT CHAR16 *Destination, IN UINTN DestMax)
{
  return ConvertString (Source, Destination, DestMax);
}

UINT16 ReadUnaligned16 (IN CONST VOID *Buffer) { UINT16 V; CopyMem (&V, Buffer, 2); return V; }
UINT32 ReadUnaligned32 (IN CONST VOID *Buffer) { UINT32 V; CopyMem (&V, Buffer, 4); return V; }
UINT64 ReadUnaligned64 (IN CONST VOID *Buffer) { UINT64 V; CopyMem (&V, Buffer, 8); return V; }
UINT16 WriteUnaligned16 (OUT VOID *Buffer, IN UINT16 Value) { CopyMem (Buffer, &Value, 2); return Value; }
UINT32 WriteUnaligned32 (OUT VOID *Buffer, IN UINT32 Value) { CopyMem (Buffer, &Value, 4); return Value; }
UINT64 WriteUnaligned64 (OUT VOID *Buffer, IN UINT64 Value) { CopyMem (Buffer, &Value, 8); return Value; }

UINT32
ReadUnaligned24 (IN CONST VOID *Buffer)
{
  CONST UINT8  *Bytes = (CONST UINT8 *)Buffer;

  return (UINT32)Bytes[0] | ((UINT32)Bytes[1] << 8) | ((UINT32)Bytes[2] << 16);
}

UINT32
WriteUnaligned24 (OUT VOID *Buffer, IN UINT32 Value)
{
  UINT8  *Bytes = (UINT8 *)Buffer;

  Bytes[0] = (UINT8)Value;
  Bytes[1] = (UINT8)(Value >> 8);
  Bytes[2] = (UINT8)(Value >> 16);
  return Value & 0xFFFFFF;
}

UINT16 SwapBytes16 (IN UINT16 Value) { return (UINT16)((Value << 8) | (Value >> 8)); }
UINT32 SwapBytes32 (IN UINT32 Value) { return __builtin_bswap32 (Value); }

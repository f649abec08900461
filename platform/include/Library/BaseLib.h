/** @file
  String routines (UTF-16 and ASCII), number parsing and unaligned access.

  Sizes: "Max" arguments of the safe routines count characters including the
  terminator; "Size" results are bytes including the terminator. The safe routines
  return EFI_INVALID_PARAMETER for null pointers or a zero Max, EFI_BUFFER_TOO_SMALL
  when the result would not fit (a copy then leaves an empty destination, a
  concatenation leaves it unchanged), and EFI_ACCESS_DENIED when source and destination overlap.
**/
#ifndef LIBRARY_BASE_LIB_H_
#define LIBRARY_BASE_LIB_H_

#include <Uefi.h>

// Upper bound of any string walk, so a missing terminator ends in a status, not a
// run through memory: 1 MiB characters.
#define MAX_STRING_LENGTH  0x100000

UINTN StrLen (IN CONST CHAR16 *String);
UINTN StrSize (IN CONST CHAR16 *String);
// Length, or MaxSize when no terminator is found in the first MaxSize characters.
UINTN StrnLenS (IN CONST CHAR16 *String, IN UINTN MaxSize);
INTN StrCmp (IN CONST CHAR16 *FirstString, IN CONST CHAR16 *SecondString);
INTN StrnCmp (IN CONST CHAR16 *FirstString, IN CONST CHAR16 *SecondString, IN UINTN Length);
// Case-insensitive for ASCII letters only.
INTN StriCmp (IN CONST CHAR16 *FirstString, IN CONST CHAR16 *SecondString);
EFI_STATUS StrCpyS (OUT CHAR16 *Destination, IN UINTN DestMax, IN CONST CHAR16 *Source);
EFI_STATUS StrnCpyS (OUT CHAR16 *Destination, IN UINTN DestMax, IN CONST CHAR16 *Source, IN UINTN Length);
EFI_STATUS StrCatS (IN OUT CHAR16 *Destination, IN UINTN DestMax, IN CONST CHAR16 *Source);
EFI_STATUS StrnCatS (IN OUT CHAR16 *Destination, IN UINTN DestMax, IN CONST CHAR16 *Source, IN UINTN Length);
CHAR16 *StrStr (IN CONST CHAR16 *String, IN CONST CHAR16 *SearchString);
CHAR16 CharToUpper (IN CHAR16 Char);

// Leading spaces are skipped; parsing stops at the first non-digit; overflow
// saturates at MAX_UINTN. "0x"/"0X" is accepted before hex digits.
UINTN StrDecimalToUintn (IN CONST CHAR16 *String);
UINTN StrHexToUintn (IN CONST CHAR16 *String);

UINTN AsciiStrLen (IN CONST CHAR8 *String);
UINTN AsciiStrSize (IN CONST CHAR8 *String);
UINTN AsciiStrnLenS (IN CONST CHAR8 *String, IN UINTN MaxSize);
INTN AsciiStrCmp (IN CONST CHAR8 *FirstString, IN CONST CHAR8 *SecondString);
INTN AsciiStrnCmp (IN CONST CHAR8 *FirstString, IN CONST CHAR8 *SecondString, IN UINTN Length);
INTN AsciiStriCmp (IN CONST CHAR8 *FirstString, IN CONST CHAR8 *SecondString);
INTN AsciiStrniCmp (IN CONST CHAR8 *FirstString, IN CONST CHAR8 *SecondString, IN UINTN Length);
EFI_STATUS AsciiStrCpyS (OUT CHAR8 *Destination, IN UINTN DestMax, IN CONST CHAR8 *Source);
EFI_STATUS AsciiStrnCpyS (OUT CHAR8 *Destination, IN UINTN DestMax, IN CONST CHAR8 *Source, IN UINTN Length);
EFI_STATUS AsciiStrCatS (IN OUT CHAR8 *Destination, IN UINTN DestMax, IN CONST CHAR8 *Source);
CHAR8 *AsciiStrStr (IN CONST CHAR8 *String, IN CONST CHAR8 *SearchString);
UINTN AsciiStrDecimalToUintn (IN CONST CHAR8 *String);
UINTN AsciiStrHexToUintn (IN CONST CHAR8 *String);

// Conversions. UTF-16 to ASCII keeps the low byte of each unit; ASCII to UTF-16
// widens each byte. DestMax counts destination characters including the terminator.
EFI_STATUS UnicodeStrToAsciiStrS (IN CONST CHAR16 *Source, OUT CHAR8 *Destination, IN UINTN DestMax);
EFI_STATUS AsciiStrToUnicodeStrS (IN CONST CHAR8 *Source, OUT CHAR16 *Destination, IN UINTN DestMax);

// Hex text to bytes, least significant byte first: the last two digits of Str land
// in Buf[0]. Digits are read up to the first non-hex character. *Len is the buffer
// size in bytes on entry and the number of bytes produced on exit; a short buffer
// gives EFI_BUFFER_TOO_SMALL with the size needed in *Len and Buf untouched.
EFI_STATUS HexStringToBuf (OUT UINT8 *Buf, IN OUT UINTN *Len, IN CONST CHAR16 *Str,
  OUT UINTN *ConvertedStrLen OPTIONAL);

// Hex text to UTF-16, four digits per character, first character first. The digit
// count must be a multiple of four (else EFI_INVALID_PARAMETER). *Size is the
// buffer size in bytes on entry and the bytes produced (terminator included) on
// exit; a short buffer gives EFI_BUFFER_TOO_SMALL with the size needed.
EFI_STATUS HexStringToUnicode (OUT CHAR16 *Destination, IN OUT UINTN *Size, IN CONST CHAR16 *Str);

BOOLEAN IsHexDigit (OUT UINT8 *Digit, IN CHAR16 Char);

// Unaligned access to multi-byte fields of outside data.
UINT16 ReadUnaligned16 (IN CONST VOID *Buffer);
UINT32 ReadUnaligned24 (IN CONST VOID *Buffer);
UINT32 ReadUnaligned32 (IN CONST VOID *Buffer);
UINT64 ReadUnaligned64 (IN CONST VOID *Buffer);
UINT16 WriteUnaligned16 (OUT VOID *Buffer, IN UINT16 Value);
UINT32 WriteUnaligned24 (OUT VOID *Buffer, IN UINT32 Value);
UINT32 WriteUnaligned32 (OUT VOID *Buffer, IN UINT32 Value);
UINT64 WriteUnaligned64 (OUT VOID *Buffer, IN UINT64 Value);

UINT16 SwapBytes16 (IN UINT16 Value);
UINT32 SwapBytes32 (IN UINT32 Value);

#ifndef MAX_UINTN
#define MAX_UINTN  ((UINTN)~(UINTN)0)
#endif

#endif

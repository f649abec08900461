/** @file
  Hex text to bytes and to UTF-16, as the HII configuration strings carry them.
**/
#include "StringInternal.h"

BOOLEAN
IsHexDigit (OUT UINT8 *Digit, IN CHAR16 Char)
{
  UINTN  Value;

  if (!StrImpl::DigitValue (Char, 16, &Value)) {
    return FALSE;
  }

  if (Digit != nullptr) {
    *Digit = (UINT8)Value;
  }

  return TRUE;
}

static UINTN
CountHexDigits (CONST CHAR16 *Str)
{
  UINTN  Count = 0;

  while ((Count < MAX_STRING_LENGTH) && IsHexDigit (nullptr, Str[Count])) {
    Count++;
  }

  return Count;
}

EFI_STATUS
HexStringToBuf (OUT UINT8 *Buf, IN OUT UINTN *Len, IN CONST CHAR16 *Str, OUT UINTN *ConvertedStrLen OPTIONAL)
{
  UINTN  HexCount;
  UINTN  Needed;
  UINT8  Digit = 0;

  if ((Len == nullptr) || (Str == nullptr) || ((Buf == nullptr) && (*Len != 0))) {
    return EFI_INVALID_PARAMETER;
  }

  HexCount = CountHexDigits (Str);
  Needed   = (HexCount + 1) / 2;
  if (Needed > *Len) {
    *Len = Needed;
    return EFI_BUFFER_TOO_SMALL;
  }

  // The text is a number written most significant digit first; walk it from its
  // end so the lowest byte lands first.
  for (UINTN Index = 0; Index < HexCount; Index++) {
    IsHexDigit (&Digit, Str[HexCount - 1 - Index]);
    if ((Index & 1) == 0) {
      Buf[Index / 2] = Digit;
    } else {
      Buf[Index / 2] = (UINT8)((Buf[Index / 2] & 0x0F) | (Digit << 4));
    }
  }

  *Len = Needed;
  if (ConvertedStrLen != nullptr) {
    *ConvertedStrLen = HexCount;
  }

  return EFI_SUCCESS;
}

EFI_STATUS
HexStringToUnicode (OUT CHAR16 *Destination, IN OUT UINTN *Size, IN CONST CHAR16 *Str)
{
  UINTN  HexCount;
  UINTN  Needed;
  UINT8  Digit = 0;

  if ((Size == nullptr) || (Str == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }

  HexCount = CountHexDigits (Str);
  if ((HexCount % 4) != 0) {
    return EFI_INVALID_PARAMETER;
  }

  Needed = (HexCount / 4 + 1) * sizeof (CHAR16);
  if ((Destination == nullptr) || (Needed > *Size)) {
    *Size = Needed;
    return EFI_BUFFER_TOO_SMALL;
  }

  for (UINTN Char = 0; Char < HexCount / 4; Char++) {
    UINT16  Value = 0;

    for (UINTN Index = 0; Index < 4; Index++) {
      IsHexDigit (&Digit, Str[Char * 4 + Index]);
      Value = (UINT16)((Value << 4) | Digit);
    }

    Destination[Char] = Value;
  }

  Destination[HexCount / 4] = 0;
  *Size = Needed;
  return EFI_SUCCESS;
}

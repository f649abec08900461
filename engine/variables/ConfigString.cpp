/** @file
  Configuration-string text: the growing string the builders write into, the
  header builder, and the checks and decoders of what drivers and callers send.
  Nothing here calls a firmware service except the pool, so the parsers can be
  exercised on their own.

  Every walk of a received string is bounded by MAX_STRING_LENGTH characters; a
  string without a terminator in that range is refused.
**/
#include <engine/variables/ConfigString.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/DevicePathLib.h>
#include <Library/MemoryAllocationLib.h>

#define CONFIG_GUID_DIGITS      32
#define CONFIG_NAME_AMPERSAND   37     // "GUID=" and the 32 digits
#define CONFIG_NAME_DIGITS      5      // "NAME=" after the "&"
#define CONFIG_TEXT_GROWTH      64

static CONST CHAR16  mHexDigits[] = u"0123456789abcdef";

//
// The growing string.
//

static BOOLEAN
ConfigTextReserve (
  IN OUT CONFIG_TEXT  *Text,
  IN     UINTN        Extra
  )
{
  UINTN   Needed;
  CHAR16  *Grown;

  if (Text->Failed) {
    return FALSE;
  }

  Needed = Text->Length + Extra + 1;
  if (Needed <= Text->Capacity) {
    return TRUE;
  }

  Needed += CONFIG_TEXT_GROWTH;
  Grown   = (CHAR16 *)ReallocatePool (Text->Capacity * sizeof (CHAR16), Needed * sizeof (CHAR16), Text->Text);
  if (Grown == NULL) {
    Text->Failed = TRUE;
    return FALSE;
  }

  Text->Text     = Grown;
  Text->Capacity = Needed;
  return TRUE;
}

static VOID
ConfigTextPut (
  IN OUT CONFIG_TEXT  *Text,
  IN     CHAR16       Char
  )
{
  if (ConfigTextReserve (Text, 1)) {
    Text->Text[Text->Length++] = Char;
    Text->Text[Text->Length]   = 0;
  }
}

static VOID
ConfigTextPutByte (
  IN OUT CONFIG_TEXT  *Text,
  IN     UINT8        Byte
  )
{
  ConfigTextPut (Text, mHexDigits[Byte >> 4]);
  ConfigTextPut (Text, mHexDigits[Byte & 0xF]);
}

VOID
ConfigTextAppend (
  IN OUT CONFIG_TEXT   *Text,
  IN     CONST CHAR16  *String
  )
{
  UINTN  Length = StrnLenS (String, MAX_STRING_LENGTH);

  if (ConfigTextReserve (Text, Length)) {
    CopyMem (Text->Text + Text->Length, String, Length * sizeof (CHAR16));
    Text->Length            += Length;
    Text->Text[Text->Length] = 0;
  }
}

VOID
ConfigTextAppendBytes (
  IN OUT CONFIG_TEXT  *Text,
  IN     CONST VOID   *Bytes,
  IN     UINTN        Size
  )
{
  for (UINTN Index = 0; Index < Size; Index++) {
    ConfigTextPutByte (Text, ((CONST UINT8 *)Bytes)[Index]);
  }
}

VOID
ConfigTextAppendValue (
  IN OUT CONFIG_TEXT  *Text,
  IN     CONST VOID   *Bytes,
  IN     UINTN        Size
  )
{
  for (UINTN Index = Size; Index > 0; Index--) {
    ConfigTextPutByte (Text, ((CONST UINT8 *)Bytes)[Index - 1]);
  }
}

VOID
ConfigTextAppendNumber (
  IN OUT CONFIG_TEXT  *Text,
  IN     UINT64       Value
  )
{
  CHAR16  Digits[17];
  UINTN   At = 16;

  Digits[16] = 0;
  do {
    Digits[--At] = mHexDigits[Value & 0xF];
    Value      >>= 4;
  } while (Value != 0);

  ConfigTextAppend (Text, &Digits[At]);
}

VOID
ConfigTextAppendName (
  IN OUT CONFIG_TEXT   *Text,
  IN     CONST CHAR16  *Name,
  IN     UINTN         MaxLength
  )
{
  for (UINTN Index = 0; (Index < MaxLength) && (Name[Index] != 0); Index++) {
    ConfigTextPutByte (Text, (UINT8)(Name[Index] >> 8));
    ConfigTextPutByte (Text, (UINT8)Name[Index]);
  }
}

VOID
ConfigTextFree (
  IN OUT CONFIG_TEXT  *Text
  )
{
  FreePool (Text->Text);
  SetMem (Text, sizeof (*Text), 0);
}

//
// Builders.
//

BOOLEAN
ConfigTextAppendHeader (
  IN OUT CONFIG_TEXT                     *Text,
  IN     CONST EFI_GUID                  *Guid,
  IN     CONST CHAR16                    *Name OPTIONAL,
  IN     CONST EFI_DEVICE_PATH_PROTOCOL  *DevicePath OPTIONAL
  )
{
  UINTN  PathSize = 0;

  if (DevicePath != NULL) {
    PathSize = GetDevicePathSize (DevicePath);
    if (PathSize == 0) {
      return FALSE;
    }
  }

  ConfigTextAppend (Text, u"GUID=");
  ConfigTextAppendBytes (Text, Guid, sizeof (EFI_GUID));
  ConfigTextAppend (Text, u"&NAME=");
  if (Name != NULL) {
    ConfigTextAppendName (Text, Name, MAX_STRING_LENGTH);
  }

  ConfigTextAppend (Text, u"&PATH=");
  ConfigTextAppendBytes (Text, DevicePath, PathSize);
  return TRUE;
}

EFI_STATUS
BuildConfigHdr (
  OUT    CHAR16                          *Buffer OPTIONAL,
  IN OUT UINTN                           *Size,
  IN     CONST EFI_GUID                  *Guid,
  IN     CONST CHAR16                    *Name OPTIONAL,
  IN     CONST EFI_DEVICE_PATH_PROTOCOL  *DevicePath OPTIONAL
  )
{
  CONFIG_TEXT  Text = {};
  UINTN        Needed;
  EFI_STATUS   Status;

  if ((Size == NULL) || (Guid == NULL)) {
    return EFI_INVALID_PARAMETER;
  }

  if (!ConfigTextAppendHeader (&Text, Guid, Name, DevicePath)) {
    return EFI_INVALID_PARAMETER;
  }

  if (Text.Failed) {
    ConfigTextFree (&Text);
    return EFI_OUT_OF_RESOURCES;
  }

  Needed = (Text.Length + 1) * sizeof (CHAR16);
  Status = EFI_BUFFER_TOO_SMALL;
  if ((Buffer != NULL) && (*Size >= Needed)) {
    CopyMem (Buffer, Text.Text, Needed);
    Status = EFI_SUCCESS;
  }

  *Size = Needed;
  ConfigTextFree (&Text);
  return Status;
}

EFI_STATUS
AppendOffsetWidth (
  IN OUT CHAR16  **Request,
  IN OUT UINTN   *Size,
  IN     UINTN   Offset,
  IN     UINTN   Width
  )
{
  CONFIG_TEXT  Text = {};

  if ((Request == NULL) || (*Request == NULL) || (Size == NULL) || (*Size < sizeof (CHAR16))) {
    return EFI_INVALID_PARAMETER;
  }

  // Adopt the caller's string as the growing text; its terminator bounds it.
  Text.Text     = *Request;
  Text.Length   = StrnLenS (*Request, *Size / sizeof (CHAR16));
  Text.Capacity = *Size / sizeof (CHAR16);
  if (Text.Length == Text.Capacity) {
    return EFI_INVALID_PARAMETER;
  }

  ConfigTextAppend (&Text, u"&OFFSET=");
  ConfigTextAppendNumber (&Text, Offset);
  ConfigTextAppend (&Text, u"&WIDTH=");
  ConfigTextAppendNumber (&Text, Width);
  if (Text.Failed) {
    ConfigTextFree (&Text);
    *Request = NULL;
    *Size    = 0;
    return EFI_OUT_OF_RESOURCES;
  }

  *Request = Text.Text;
  *Size    = (Text.Length + 1) * sizeof (CHAR16);
  return EFI_SUCCESS;
}

//
// Checks and decoders.
//

static BOOLEAN
IsHexChar (
  IN CHAR16  Char
  )
{
  UINT8  Digit;

  return IsHexDigit (&Digit, Char);
}

static BOOLEAN
StartsWith (
  IN CONST CHAR16  *String,
  IN CONST CHAR16  *Word
  )
{
  return StrnCmp (String, Word, StrLen (Word)) == 0;
}

// Hex digits from String up to the next "&" or the end; FALSE at any other character.
static BOOLEAN
HexRun (
  IN  CONST CHAR16  *String,
  OUT UINTN         *Count
  )
{
  UINTN  Index = 0;

  while ((String[Index] != 0) && (String[Index] != u'&')) {
    if (!IsHexChar (String[Index]) || (Index == MAX_STRING_LENGTH)) {
      return FALSE;
    }

    Index++;
  }

  *Count = Index;
  return TRUE;
}

// The keywords a "&" may lead to; a header-only check ends after PATH's value.
static BOOLEAN
IsConfigKeyword (
  IN CONST CHAR16  *At,
  IN BOOLEAN       HeaderOnly
  )
{
  static CONST CHAR16  *CONST  Header[] = { u"NAME=", u"PATH=", u"OFFSET=" };
  static CONST CHAR16  *CONST  Body[]   = { u"WIDTH=", u"VALUE=", u"GUID=", u"ALTCFG=" };

  for (UINTN Index = 0; Index < ARRAY_SIZE (Header); Index++) {
    if (StartsWith (At, Header[Index])) {
      return TRUE;
    }
  }

  for (UINTN Index = 0; !HeaderOnly && (Index < ARRAY_SIZE (Body)); Index++) {
    if (StartsWith (At, Body[Index])) {
      return TRUE;
    }
  }

  return FALSE;
}

EFI_STATUS
ValidateConfigString (
  IN CONST CHAR16  *String,
  IN BOOLEAN       HeaderOnly
  )
{
  UINTN    Count;
  BOOLEAN  PathSeen = FALSE;

  if ((String == NULL) || !StartsWith (String, u"GUID=") || !HexRun (String + 5, &Count) ||
      (Count != CONFIG_GUID_DIGITS) || (StrnLenS (String, MAX_STRING_LENGTH) == MAX_STRING_LENGTH))
  {
    return EFI_NOT_FOUND;
  }

  for (UINTN Index = 5; String[Index] != 0; Index++) {
    if (String[Index] != u'&') {
      continue;
    }

    if (HeaderOnly && PathSeen) {
      return EFI_SUCCESS;
    }

    if (!IsConfigKeyword (String + Index + 1, HeaderOnly)) {
      return EFI_NOT_FOUND;
    }

    PathSeen = StartsWith (String + Index + 1, u"PATH=");
  }

  return EFI_SUCCESS;
}

// Four hex digits per UTF-16 character, first character first.
static VOID
DecodeCharacters (
  IN  CONST CHAR16  *Text,
  IN  UINTN         Digits,
  OUT UINT8         *Buffer
  )
{
  UINT8  Digit = 0;

  for (UINTN Char = 0; Char < Digits / 4; Char++) {
    UINT16  Value = 0;

    for (UINTN Index = 0; Index < 4; Index++) {
      (VOID)IsHexDigit (&Digit, Text[Char * 4 + Index]);  // the run was checked to be hex
      Value = (UINT16)((Value << 4) | Digit);
    }

    WriteUnaligned16 (Buffer + Char * sizeof (CHAR16), Value);
  }
}

EFI_STATUS
ConfigValueToBuffer (
  IN OUT UINT8         **Buffer,
  IN     CONST CHAR16  *Text,
  IN     UINTN         Size,
  IN     BOOLEAN       AsCharacters
  )
{
  UINTN       Digits;
  UINTN       Converted;
  EFI_STATUS  Status;

  if ((Buffer == NULL) || (Text == NULL) || !HexRun (Text, &Digits) || (Digits == 0)) {
    return EFI_INVALID_PARAMETER;
  }

  if (AsCharacters ? (((Digits % 4) != 0) || (Digits / 2 > Size)) : ((Digits + 1) / 2 > Size)) {
    return EFI_INVALID_PARAMETER;
  }

  if (*Buffer == NULL) {
    *Buffer = (UINT8 *)AllocatePool (Size);
    if (*Buffer == NULL) {
      return EFI_OUT_OF_RESOURCES;
    }
  }

  ZeroMem (*Buffer, Size);
  if (AsCharacters) {
    DecodeCharacters (Text, Digits, *Buffer);
    return EFI_SUCCESS;
  }

  // The run ends at "&" or the terminator, which ends the library's digit scan too.
  Converted = Size;
  Status    = HexStringToBuf (*Buffer, &Converted, Text, NULL);
  return EFI_ERROR (Status) ? EFI_INVALID_PARAMETER : EFI_SUCCESS;
}

static BOOLEAN
DecodeHexBytes (
  IN  CONST CHAR16  *Text,
  IN  UINTN         Count,
  OUT UINT8         *Bytes
  )
{
  UINT8  High;
  UINT8  Low;

  for (UINTN Index = 0; Index < Count; Index++) {
    if (!IsHexDigit (&High, Text[2 * Index]) || !IsHexDigit (&Low, Text[2 * Index + 1])) {
      return FALSE;
    }

    Bytes[Index] = (UINT8)((High << 4) | Low);
  }

  return TRUE;
}

EFI_STATUS
DecodeConfigHeader (
  IN  CONST CHAR16  *String,
  OUT EFI_GUID      *Guid,
  OUT CHAR16        *Name,
  OUT UINTN         *NameEnd
  )
{
  CONST CHAR16  *Digits;
  UINTN         Count;

  *NameEnd = 0;
  // StrnCmp stops at the terminator, so a short string never reads past it.
  if ((StrnCmp (String, u"GUID=", 5) != 0) || (StrnLenS (String, CONFIG_NAME_AMPERSAND + 1) <= CONFIG_NAME_AMPERSAND) ||
      (String[CONFIG_NAME_AMPERSAND] != u'&') || !DecodeHexBytes (String + 5, sizeof (EFI_GUID), (UINT8 *)Guid))
  {
    return EFI_INVALID_PARAMETER;
  }

  // From here on a fault lies in the name: the caller reports the "&" before it.
  *NameEnd = CONFIG_NAME_AMPERSAND;
  Digits   = String + CONFIG_NAME_AMPERSAND + 1 + CONFIG_NAME_DIGITS;
  if ((StrnCmp (String + CONFIG_NAME_AMPERSAND + 1, u"NAME=", CONFIG_NAME_DIGITS) != 0) ||
      !HexRun (Digits, &Count) || ((Count % 4) != 0) || (Count / 4 > CONFIG_NAME_MAX_LENGTH))
  {
    return EFI_INVALID_PARAMETER;
  }

  DecodeCharacters (Digits, Count, (UINT8 *)Name);
  Name[Count / 4] = 0;
  *NameEnd        = (UINTN)(Digits - String) + Count;
  return EFI_SUCCESS;
}

UINTN
FindConfigPathEnd (
  IN CONST CHAR16  *String,
  IN UINTN         NameEnd
  )
{
  UINTN  Count;

  if ((StrnCmp (String + NameEnd, u"&PATH=", 6) != 0) || !HexRun (String + NameEnd + 6, &Count) ||
      ((Count % 2) != 0))
  {
    return 0;
  }

  return NameEnd + 6 + Count;
}

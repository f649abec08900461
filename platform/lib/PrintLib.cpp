/** @file
  One formatter for both output widths and both format-string widths.
**/
#include <Library/PrintLib.h>
#include <Library/BaseLib.h>

namespace {

inline UINTN CharValue (CHAR8 Char) { return (UINT8)Char; }
inline UINTN CharValue (CHAR16 Char) { return Char; }

// Collects output, counting what would have been written past the end as well.
template <typename C>
struct SINK {
  C      *Buffer;
  UINTN  Max;        // characters the buffer holds, terminator included
  UINTN  Written;
  UINTN  Total;

  void Put (UINTN Char)
  {
    if ((Max != 0) && (Written + 1 < Max)) {
      Buffer[Written++] = (C)Char;
    }

    Total++;
  }

  void Repeat (UINTN Char, UINTN Count)
  {
    for (UINTN Index = 0; Index < Count; Index++) {
      Put (Char);
    }
  }
};

struct SPEC {
  bool   Left;
  bool   Zero;
  bool   Plus;
  bool   Space;
  bool   Prefix;
  bool   Long;
  UINTN  Width;
  INTN   Precision;    // -1 when absent
};

// Text with width and precision (precision caps the characters taken).
template <typename C, typename T>
void PutText (SINK<C> &Out, CONST T *Text, CONST SPEC &Spec)
{
  UINTN  Max    = (Spec.Precision >= 0) ? (UINTN)Spec.Precision : MAX_STRING_LENGTH;
  UINTN  Length = 0;

  while ((Length < Max) && (Text[Length] != 0)) {
    Length++;
  }

  UINTN  Pad = (Spec.Width > Length) ? Spec.Width - Length : 0;

  if (!Spec.Left) {
    Out.Repeat (' ', Pad);
  }

  for (UINTN Index = 0; Index < Length; Index++) {
    Out.Put (CharValue (Text[Index]));
  }

  if (Spec.Left) {
    Out.Repeat (' ', Pad);
  }
}

// Digits, sign and "0x" prefix, then padding by the flags.
template <typename C>
void PutNumber (SINK<C> &Out, UINT64 Magnitude, bool Negative, UINTN Radix, bool Upper, CONST SPEC &Spec)
{
  CONST CHAR8  *Digits = Upper ? "0123456789ABCDEF" : "0123456789abcdef";
  CHAR8        Text[24];
  UINTN        Count = 0;
  CHAR8        Sign  = Negative ? '-' : (Spec.Plus ? '+' : (Spec.Space ? ' ' : 0));
  bool         Hex   = (Radix == 16) && Spec.Prefix;

  do {
    Text[Count++] = Digits[Magnitude % Radix];
    Magnitude    /= Radix;
  } while (Magnitude != 0);

  UINTN  MinDigits = (Spec.Precision > 0) ? (UINTN)Spec.Precision : 0;
  UINTN  Zeros     = (MinDigits > Count) ? MinDigits - Count : 0;
  UINTN  Body      = Count + Zeros + (Sign != 0) + (Hex ? 2 : 0);
  UINTN  Pad       = (Spec.Width > Body) ? Spec.Width - Body : 0;

  if (Spec.Zero && !Spec.Left && (Spec.Precision < 0)) {
    Zeros += Pad;     // zero padding goes between the sign or prefix and the digits
    Pad    = 0;
  }

  if (!Spec.Left) {
    Out.Repeat (' ', Pad);
  }

  if (Sign != 0) {
    Out.Put ((UINTN)Sign);
  }

  if (Hex) {
    Out.Put ('0');
    Out.Put (Upper ? 'X' : 'x');
  }

  Out.Repeat ('0', Zeros);
  while (Count != 0) {
    Out.Put ((UINTN)Text[--Count]);
  }

  if (Spec.Left) {
    Out.Repeat (' ', Pad);
  }
}

template <typename C>
void PutGuid (SINK<C> &Out, CONST EFI_GUID *Guid)
{
  CHAR8  Text[40];
  SPEC   Plain = { false, false, false, false, false, false, 0, -1 };

  if (Guid == nullptr) {
    PutText (Out, "<null guid>", Plain);
    return;
  }

  AsciiSPrint (Text, sizeof (Text), "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X",
    Guid->Data1, Guid->Data2, Guid->Data3, Guid->Data4[0], Guid->Data4[1], Guid->Data4[2],
    Guid->Data4[3], Guid->Data4[4], Guid->Data4[5], Guid->Data4[6], Guid->Data4[7]);
  PutText (Out, Text, Plain);
}

template <typename C>
void PutStatus (SINK<C> &Out, EFI_STATUS Status, CONST SPEC &Spec)
{
  CONST CHAR8  *Name = StatusCodeName (Status);
  CHAR8        Text[40];

  if (Name == nullptr) {
    // The whole 64-bit value: the error bit is what tells an error from a warning.
    AsciiSPrint (Text, sizeof (Text), "%a(%lX)", "Status Code", (UINT64)Status);
    Name = Text;
  }

  PutText (Out, Name, Spec);
}

template <typename C>
void PutTime (SINK<C> &Out, CONST EFI_TIME *Time, CONST SPEC &Spec)
{
  CHAR8  Text[40];

  if (Time == nullptr) {
    PutText (Out, "<null time>", Spec);
    return;
  }

  AsciiSPrint (Text, sizeof (Text), "%02d/%02d/%04d  %02d:%02d", Time->Month, Time->Day, Time->Year,
    Time->Hour, Time->Minute);
  PutText (Out, Text, Spec);
}

// Reads flags, width, precision and length; returns the index of the conversion letter.
template <typename F>
UINTN ParseSpec (CONST F *Format, UINTN Index, SPEC &Spec, va_list &Args)
{
  Spec = { false, false, false, false, false, false, 0, -1 };
  for ( ; ; Index++) {
    UINTN  Char = CharValue (Format[Index]);

    if (Char == '-') { Spec.Left = true; }
    else if (Char == '0') { Spec.Zero = true; }
    else if (Char == '+') { Spec.Plus = true; }
    else if (Char == ' ') { Spec.Space = true; }
    else if (Char == '#') { Spec.Prefix = true; }
    else { break; }
  }

  if (Format[Index] == '*') {
    int  Width = va_arg (Args, int);
    Spec.Width = (Width < 0) ? 0 : (UINTN)Width;
    Index++;
  } else {
    for ( ; (Format[Index] >= '0') && (Format[Index] <= '9'); Index++) {
      Spec.Width = (Spec.Width * 10 + (CharValue (Format[Index]) - '0')) % 0x10000;
    }
  }

  if (Format[Index] == '.') {
    Index++;
    Spec.Precision = 0;
    if (Format[Index] == '*') {
      int  Precision = va_arg (Args, int);
      Spec.Precision = (Precision < 0) ? -1 : Precision;
      Index++;
    } else {
      for ( ; (Format[Index] >= '0') && (Format[Index] <= '9'); Index++) {
        Spec.Precision = (Spec.Precision * 10 + (INTN)(CharValue (Format[Index]) - '0')) % 0x10000;
      }
    }
  }

  while ((Format[Index] == 'l') || (Format[Index] == 'L')) {
    Spec.Long = true;
    Index++;
  }

  return Index;
}

template <typename C>
void PutSigned (SINK<C> &Out, CONST SPEC &Spec, va_list &Args)
{
  INT64  Value = Spec.Long ? va_arg (Args, INT64) : (INT64)va_arg (Args, int);
  UINT64 Magnitude = (Value < 0) ? (UINT64)0 - (UINT64)Value : (UINT64)Value;

  PutNumber (Out, Magnitude, Value < 0, 10, false, Spec);
}

template <typename C>
UINT64 UnsignedArgument (CONST SPEC &Spec, va_list &Args)
{
  return Spec.Long ? va_arg (Args, UINT64) : (UINT64)va_arg (Args, unsigned int);
}

// One conversion; an unknown letter is printed as it stands.
template <typename C>
void Convert (SINK<C> &Out, UINTN Letter, SPEC &Spec, va_list &Args)
{
  SPEC  Pointer = { false, true, false, false, false, true, 16, -1 };

  switch (Letter) {
    case 'd': case 'i': PutSigned (Out, Spec, Args); break;
    case 'u': PutNumber (Out, UnsignedArgument<C> (Spec, Args), false, 10, false, Spec); break;
    case 'x': PutNumber (Out, UnsignedArgument<C> (Spec, Args), false, 16, false, Spec); break;
    case 'X': PutNumber (Out, UnsignedArgument<C> (Spec, Args), false, 16, true, Spec); break;
    case 'p': PutNumber (Out, (UINT64)(UINTN)va_arg (Args, VOID *), false, 16, true, Pointer); break;
    case 'c': { CHAR16 Text[2] = { (CHAR16)va_arg (Args, int), 0 }; PutText (Out, Text, Spec); break; }
    case 's': case 'S': {
      CONST CHAR16  *Text = va_arg (Args, CONST CHAR16 *);
      if (Text == nullptr) { PutText (Out, "<null string>", Spec); } else { PutText (Out, Text, Spec); }
      break;
    }
    case 'a': {
      CONST CHAR8  *Text = va_arg (Args, CONST CHAR8 *);
      PutText (Out, (Text == nullptr) ? "<null string>" : Text, Spec);
      break;
    }
    case 'g': PutGuid (Out, va_arg (Args, CONST EFI_GUID *)); break;
    case 'r': PutStatus (Out, va_arg (Args, EFI_STATUS), Spec); break;
    case 't': PutTime (Out, va_arg (Args, CONST EFI_TIME *), Spec); break;
    default:  Out.Put (Letter); break;
  }
}

template <typename C, typename F>
UINTN Format (C *Buffer, UINTN BufferSize, CONST F *FormatString, va_list Args, UINTN *FullLength)
{
  SINK<C>  Out   = { Buffer, (Buffer == nullptr) ? 0 : BufferSize / sizeof (C), 0, 0 };
  SPEC     Spec;
  va_list  Marker;

  va_copy (Marker, Args);
  for (UINTN Index = 0; (FormatString != nullptr) && (FormatString[Index] != 0); Index++) {
    if ((FormatString[Index] != '%') || (FormatString[Index + 1] == 0)) {
      Out.Put (CharValue (FormatString[Index]));
      continue;
    }

    Index = ParseSpec (FormatString, Index + 1, Spec, Marker);
    if (FormatString[Index] == 0) {
      break;          // a format ending inside a conversion prints nothing for it
    }

    Convert (Out, CharValue (FormatString[Index]), Spec, Marker);
  }

  va_end (Marker);
  if (Out.Max != 0) {
    Buffer[Out.Written] = 0;
  }

  if (FullLength != nullptr) {
    *FullLength = Out.Total;
  }

  return Out.Written;
}

CONST CHAR8  *mErrorNames[] = {
  "EFI_LOAD_ERROR", "EFI_INVALID_PARAMETER", "EFI_UNSUPPORTED", "EFI_BAD_BUFFER_SIZE",
  "EFI_BUFFER_TOO_SMALL", "EFI_NOT_READY", "EFI_DEVICE_ERROR", "EFI_WRITE_PROTECTED",
  "EFI_OUT_OF_RESOURCES", "EFI_VOLUME_CORRUPTED", "EFI_VOLUME_FULL", "EFI_NO_MEDIA",
  "EFI_MEDIA_CHANGED", "EFI_NOT_FOUND", "EFI_ACCESS_DENIED", "EFI_NO_RESPONSE", "EFI_NO_MAPPING",
  "EFI_TIMEOUT", "EFI_NOT_STARTED", "EFI_ALREADY_STARTED", "EFI_ABORTED", "EFI_ICMP_ERROR",
  "EFI_TFTP_ERROR", "EFI_PROTOCOL_ERROR", "EFI_INCOMPATIBLE_VERSION", "EFI_SECURITY_VIOLATION",
  "EFI_CRC_ERROR", "EFI_END_OF_MEDIA", "EFI_UNDEFINED_29", "EFI_UNDEFINED_30",
};

CONST CHAR8  *mWarningNames[] = {
  "EFI_WARN_UNKNOWN_GLYPH", "EFI_WARN_DELETE_FAILURE", "EFI_WARN_WRITE_FAILURE",
  "EFI_WARN_BUFFER_TOO_SMALL", "EFI_WARN_STALE_DATA",
};

}  // namespace

CONST CHAR8 *
StatusCodeName (IN EFI_STATUS Status)
{
  if (Status == EFI_SUCCESS) {
    return "EFI_SUCCESS";
  }

  if (EFI_ERROR (Status)) {
    UINTN  Code = Status & ~(UINTN)EFI_MAX_BIT;
    return ((Code >= 1) && (Code <= ARRAY_SIZE (mErrorNames))) ? mErrorNames[Code - 1] : nullptr;
  }

  return (Status <= ARRAY_SIZE (mWarningNames)) ? mWarningNames[Status - 1] : nullptr;
}

UINTN
UnicodeVSPrint (OUT CHAR16 *Buffer, IN UINTN BufferSize, IN CONST CHAR16 *FormatString, IN va_list Marker)
{
  return Format (Buffer, BufferSize, FormatString, Marker, nullptr);
}

UINTN
UnicodeSPrint (OUT CHAR16 *Buffer, IN UINTN BufferSize, IN CONST CHAR16 *FormatString, ...)
{
  va_list  Marker;

  va_start (Marker, FormatString);
  UINTN  Count = Format (Buffer, BufferSize, FormatString, Marker, nullptr);
  va_end (Marker);
  return Count;
}

UINTN
UnicodeSPrintAsciiFormat (OUT CHAR16 *Buffer, IN UINTN BufferSize, IN CONST CHAR8 *FormatString, ...)
{
  va_list  Marker;

  va_start (Marker, FormatString);
  UINTN  Count = Format (Buffer, BufferSize, FormatString, Marker, nullptr);
  va_end (Marker);
  return Count;
}

UINTN
AsciiVSPrint (OUT CHAR8 *Buffer, IN UINTN BufferSize, IN CONST CHAR8 *FormatString, IN va_list Marker)
{
  return Format (Buffer, BufferSize, FormatString, Marker, nullptr);
}

UINTN
AsciiVSPrintMeasured (OUT CHAR8 *Buffer, IN UINTN BufferSize, IN CONST CHAR8 *FormatString, IN va_list Marker,
  OUT UINTN *FullLength)
{
  return Format (Buffer, BufferSize, FormatString, Marker, FullLength);
}

UINTN
AsciiSPrint (OUT CHAR8 *Buffer, IN UINTN BufferSize, IN CONST CHAR8 *FormatString, ...)
{
  va_list  Marker;

  va_start (Marker, FormatString);
  UINTN  Count = Format (Buffer, BufferSize, FormatString, Marker, nullptr);
  va_end (Marker);
  return Count;
}

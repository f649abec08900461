/** @file
  Status codes and debug texts through the status-code protocol.
**/
#include <Library/ReportStatusCodeLib.h>
#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/PlatformLib.h>
#include <Library/PrintLib.h>

// Located at every call: the protocol may arrive after this driver started.
static EFI_STATUS_CODE_PROTOCOL *
LocateStatusCode (VOID)
{
  EFI_STATUS_CODE_PROTOCOL  *StatusCode = nullptr;

  if ((gLibBS == nullptr) ||
      EFI_ERROR (gLibBS->LocateProtocol (&gEfiStatusCodeRuntimeProtocolGuid, nullptr, (VOID **)&StatusCode))) {
    return nullptr;
  }

  return StatusCode;
}

EFI_STATUS
ReportStatusCode (IN EFI_STATUS_CODE_TYPE Type, IN EFI_STATUS_CODE_VALUE Value)
{
  EFI_STATUS_CODE_PROTOCOL  *StatusCode = LocateStatusCode ();

  if (StatusCode == nullptr) {
    return EFI_NOT_FOUND;
  }

  return StatusCode->ReportStatusCode (Type, Value, 0, nullptr, nullptr);
}

// Sends a text of at most DEBUG_TEXT_MAX characters.
static EFI_STATUS
SendDebugString (CHAR8 *Text)
{
  EFI_STATUS_CODE_PROTOCOL     *StatusCode = LocateStatusCode ();
  EFI_STATUS_CODE_STRING_DATA  Data;

  if (StatusCode == nullptr) {
    return EFI_NOT_FOUND;
  }

  ZeroMem (&Data, sizeof (Data));
  Data.DataHeader.HeaderSize = (UINT16)sizeof (EFI_STATUS_CODE_DATA);
  Data.DataHeader.Size       = (UINT16)(sizeof (Data) - sizeof (EFI_STATUS_CODE_DATA));
  CopyGuid (&Data.DataHeader.Type, &gEfiStatusCodeDataTypeStringGuid);
  Data.StringType   = EfiStringAscii;
  Data.String.Ascii = Text;
  return StatusCode->ReportStatusCode (EFI_DEBUG_CODE, EFI_SOFTWARE_DXE_BS_DRIVER | EFI_DC_UNSPECIFIED, 0,
           nullptr, &Data.DataHeader);
}

// Text holds Length (> DEBUG_TEXT_MAX) characters of which the first DEBUG_TEXT_MAX
// are in the buffer: the tail becomes the overflow mark.
static VOID
MarkOverflow (CHAR8 *Text)
{
  CONST UINTN  MarkLength = sizeof (DEBUG_TEXT_OVERFLOW_MARK) - 1;

  CopyMem (Text + DEBUG_TEXT_MAX - MarkLength, DEBUG_TEXT_OVERFLOW_MARK, MarkLength);
  Text[DEBUG_TEXT_MAX] = 0;
}

EFI_STATUS
ReportDebugText (IN CONST CHAR8 *Text)
{
  CHAR8  Buffer[DEBUG_TEXT_MAX + 1];

  if (Text == nullptr) {
    return EFI_INVALID_PARAMETER;
  }

  UINTN  Length = AsciiStrnLenS (Text, DEBUG_TEXT_MAX + 1);
  CopyMem (Buffer, Text, (Length > DEBUG_TEXT_MAX) ? DEBUG_TEXT_MAX : Length);
  Buffer[(Length > DEBUG_TEXT_MAX) ? DEBUG_TEXT_MAX : Length] = 0;
  if (Length > DEBUG_TEXT_MAX) {
    MarkOverflow (Buffer);
  }

  return SendDebugString (Buffer);
}

EFI_STATUS
DebugPrint (IN CONST CHAR8 *Format, ...)
{
  CHAR8    Buffer[DEBUG_TEXT_MAX + 1];
  UINTN    FullLength = 0;
  va_list  Marker;

  va_start (Marker, Format);
  AsciiVSPrintMeasured (Buffer, sizeof (Buffer), Format, Marker, &FullLength);
  va_end (Marker);
  if (FullLength > DEBUG_TEXT_MAX) {
    MarkOverflow (Buffer);
  }

  return SendDebugString (Buffer);
}

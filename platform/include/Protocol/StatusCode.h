/** @file
  Status-code protocol: progress, error and debug reports with optional typed data.
  Debug texts travel as string data (EFI_STATUS_CODE_STRING_DATA) of debug type.
**/
#ifndef PROTOCOL_STATUS_CODE_H_
#define PROTOCOL_STATUS_CODE_H_

#include <Uefi.h>
#include <stddef.h>

#define EFI_STATUS_CODE_RUNTIME_PROTOCOL_GUID \
  { 0xD2B2B828, 0x0826, 0x48A7, { 0xB3, 0xDF, 0x98, 0x3C, 0x00, 0x60, 0x24, 0xF0 } }
extern EFI_GUID gEfiStatusCodeRuntimeProtocolGuid;

#define EFI_STATUS_CODE_DATA_TYPE_STRING_GUID \
  { 0x92D11080, 0x496F, 0x4D95, { 0xBE, 0x7E, 0x03, 0x74, 0x88, 0x38, 0x2B, 0x0A } }
extern EFI_GUID gEfiStatusCodeDataTypeStringGuid;

typedef UINT32 EFI_STATUS_CODE_TYPE;
typedef UINT32 EFI_STATUS_CODE_VALUE;

// Code types (low byte) and severities (top byte).
#define EFI_STATUS_CODE_TYPE_MASK  0x000000FF
#define EFI_PROGRESS_CODE          0x00000001
#define EFI_ERROR_CODE             0x00000002
#define EFI_DEBUG_CODE             0x00000003
#define EFI_ERROR_MINOR            0x40000000
#define EFI_ERROR_MAJOR            0x80000000
#define EFI_ERROR_UNRECOVERED      0x90000000
#define EFI_ERROR_UNCONTAINED      0xA0000000

// Code values: class in the top byte, subclass in the next, operation below.
#define EFI_SOFTWARE                 0x03000000
#define EFI_SOFTWARE_DXE_BS_DRIVER   (EFI_SOFTWARE | 0x00050000)
#define EFI_DC_UNSPECIFIED           0x00000000

#pragma pack(push, 1)
typedef struct {
  UINT16    HeaderSize;
  UINT16    Size;
  EFI_GUID  Type;
} EFI_STATUS_CODE_DATA;

typedef enum {
  EfiStringAscii,
  EfiStringUnicode,
  EfiStringToken
} EFI_STRING_TYPE;

// The text is not copied: String points at the sender's buffer for the call's duration.
typedef struct {
  EFI_STATUS_CODE_DATA  DataHeader;
  EFI_STRING_TYPE       StringType;
  union {
    CHAR8   *Ascii;
    CHAR16  *Unicode;
  } String;
} EFI_STATUS_CODE_STRING_DATA;
#pragma pack(pop)

static_assert (sizeof (EFI_STATUS_CODE_DATA) == 20, "status-code data header");
static_assert (offsetof (EFI_STATUS_CODE_STRING_DATA, String) == 24, "string pointer");

typedef EFI_STATUS (EFIAPI *EFI_REPORT_STATUS_CODE)(
  IN EFI_STATUS_CODE_TYPE   Type,
  IN EFI_STATUS_CODE_VALUE  Value,
  IN UINT32                 Instance,
  IN CONST EFI_GUID         *CallerId OPTIONAL,
  IN EFI_STATUS_CODE_DATA   *Data OPTIONAL
  );

typedef struct {
  EFI_REPORT_STATUS_CODE  ReportStatusCode;
} EFI_STATUS_CODE_PROTOCOL;

#endif

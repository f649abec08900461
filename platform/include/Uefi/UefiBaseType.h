/** @file
  UEFI base types and status codes, written from the public UEFI specification.

  The same header serves the host build (tests and emulator) and the freestanding
  UEFI image, so it includes only compiler-provided C headers.
**/
#ifndef UEFI_BASE_TYPE_H_
#define UEFI_BASE_TYPE_H_

#include <stdint.h>
#include <stddef.h>

//
// Interface functions use the Microsoft x64 convention on both targets, so host
// tests exercise the convention the real firmware calls with.
//
#define EFIAPI  __attribute__((ms_abi))

#define IN
#define OUT
#define OPTIONAL
#define CONST  const

typedef uint8_t   UINT8;
typedef int8_t    INT8;
typedef uint16_t  UINT16;
typedef int16_t   INT16;
typedef uint32_t  UINT32;
typedef int32_t   INT32;
typedef uint64_t  UINT64;
typedef int64_t   INT64;
typedef uintptr_t UINTN;
typedef intptr_t  INTN;
typedef char      CHAR8;
typedef char16_t  CHAR16;
typedef UINT8     BOOLEAN;
typedef void      VOID;

#define TRUE   ((BOOLEAN)1)
#define FALSE  ((BOOLEAN)0)

static_assert (sizeof (UINTN) == 8, "the firmware is x86-64 only");
static_assert (sizeof (CHAR16) == 2, "UTF-16 code units");

typedef UINTN   EFI_STATUS;
typedef VOID    *EFI_HANDLE;
typedef VOID    *EFI_EVENT;
typedef UINTN   EFI_TPL;
typedef UINT64  EFI_LBA;
typedef UINT64  EFI_PHYSICAL_ADDRESS;
typedef UINT64  EFI_VIRTUAL_ADDRESS;

typedef struct {
  UINT32    Data1;
  UINT16    Data2;
  UINT16    Data3;
  UINT8     Data4[8];
} EFI_GUID;

static_assert (sizeof (EFI_GUID) == 16, "EFI_GUID layout");

typedef struct {
  UINT8    Addr[4];
} EFI_IPv4_ADDRESS;

typedef struct {
  UINT8    Addr[16];
} EFI_IPv6_ADDRESS;

typedef struct {
  UINT8    Addr[32];
} EFI_MAC_ADDRESS;

//
// Status codes. Errors have the top bit set; callers test with EFI_ERROR, which is
// the signed comparison with zero.
//
#define EFI_MAX_BIT                 0x8000000000000000ULL
#define ENCODE_ERROR(Code)          ((EFI_STATUS)(EFI_MAX_BIT | (Code)))
#define ENCODE_WARNING(Code)        ((EFI_STATUS)(Code))
#define EFI_ERROR(Status)           (((INTN)(EFI_STATUS)(Status)) < 0)

#define EFI_SUCCESS                 ((EFI_STATUS)0)
#define EFI_LOAD_ERROR              ENCODE_ERROR (1)
#define EFI_INVALID_PARAMETER       ENCODE_ERROR (2)
#define EFI_UNSUPPORTED             ENCODE_ERROR (3)
#define EFI_BAD_BUFFER_SIZE         ENCODE_ERROR (4)
#define EFI_BUFFER_TOO_SMALL        ENCODE_ERROR (5)
#define EFI_NOT_READY               ENCODE_ERROR (6)
#define EFI_DEVICE_ERROR            ENCODE_ERROR (7)
#define EFI_WRITE_PROTECTED         ENCODE_ERROR (8)
#define EFI_OUT_OF_RESOURCES        ENCODE_ERROR (9)
#define EFI_VOLUME_CORRUPTED        ENCODE_ERROR (10)
#define EFI_VOLUME_FULL             ENCODE_ERROR (11)
#define EFI_NO_MEDIA                ENCODE_ERROR (12)
#define EFI_MEDIA_CHANGED           ENCODE_ERROR (13)
#define EFI_NOT_FOUND               ENCODE_ERROR (14)
#define EFI_ACCESS_DENIED           ENCODE_ERROR (15)
#define EFI_NO_RESPONSE             ENCODE_ERROR (16)
#define EFI_NO_MAPPING              ENCODE_ERROR (17)
#define EFI_TIMEOUT                 ENCODE_ERROR (18)
#define EFI_NOT_STARTED             ENCODE_ERROR (19)
#define EFI_ALREADY_STARTED         ENCODE_ERROR (20)
#define EFI_ABORTED                 ENCODE_ERROR (21)
#define EFI_ICMP_ERROR              ENCODE_ERROR (22)
#define EFI_TFTP_ERROR              ENCODE_ERROR (23)
#define EFI_PROTOCOL_ERROR          ENCODE_ERROR (24)
#define EFI_INCOMPATIBLE_VERSION    ENCODE_ERROR (25)
#define EFI_SECURITY_VIOLATION      ENCODE_ERROR (26)
#define EFI_CRC_ERROR               ENCODE_ERROR (27)
#define EFI_END_OF_MEDIA            ENCODE_ERROR (28)
#define EFI_END_OF_FILE             ENCODE_ERROR (31)
#define EFI_INVALID_LANGUAGE        ENCODE_ERROR (32)
#define EFI_COMPROMISED_DATA        ENCODE_ERROR (33)
#define EFI_IP_ADDRESS_CONFLICT     ENCODE_ERROR (34)
#define EFI_HTTP_ERROR              ENCODE_ERROR (35)

#define EFI_WARN_UNKNOWN_GLYPH      ENCODE_WARNING (1)
#define EFI_WARN_DELETE_FAILURE     ENCODE_WARNING (2)
#define EFI_WARN_WRITE_FAILURE      ENCODE_WARNING (3)
#define EFI_WARN_BUFFER_TOO_SMALL   ENCODE_WARNING (4)
#define EFI_WARN_STALE_DATA         ENCODE_WARNING (5)
#define EFI_WARN_FILE_SYSTEM        ENCODE_WARNING (6)
#define EFI_WARN_RESET_REQUIRED     ENCODE_WARNING (7)

//
// Task priority levels.
//
#define TPL_APPLICATION  4
#define TPL_CALLBACK     8
#define TPL_NOTIFY       16
#define TPL_HIGH_LEVEL   31

//
// Small helpers that every module wants and that must not depend on a library.
//
#define ARRAY_SIZE(Array)  (sizeof (Array) / sizeof ((Array)[0]))
#define SIGNATURE_16(A, B)  ((A) | ((B) << 8))
#define SIGNATURE_32(A, B, C, D)  (SIGNATURE_16 (A, B) | (SIGNATURE_16 (C, D) << 16))
#define SIGNATURE_64(A, B, C, D, E, F, G, H) \
  (SIGNATURE_32 (A, B, C, D) | ((UINT64)(SIGNATURE_32 (E, F, G, H)) << 32))

#endif

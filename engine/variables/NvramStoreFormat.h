/** @file
  Byte layout of an NVRAM store image: the format of the "StdDefaults" and
  "MfgDefaults" variables, which hold whole variable stores of default values.

  One header for both sides: the engine's reader (NvramStore.cpp) and the host
  test-data writer (emulator/builders) use these records and rules, so the choices
  below are made in one place. Freestanding, because the engine includes it.

  Image layout:

    record, record, ...        from the image start, each record right after the last
    free space                 0xFF bytes; the record walk stops there
    GUID table                 16-byte GUIDs growing down from the image end: entry i
                               is the 16 bytes at image end - 16 * (i + 1), so entry 0
                               ends at the image end

  Record layout (all fields little-endian, no alignment):

    0   u32  signature "NVAR"
    4   u16  record size, header included: at least 11, never 0xFFFF
    6   u24  link: offset from this record to a newer copy of the same variable;
             0xFFFFFF = none. A link is never shorter than the record, so every link
             points forward and a chain cannot loop.
    9   u8   flags (NVAR_FLAG_*)
    10  GUID: 16 bytes inline (NVAR_FLAG_GUID_INLINE), else a u8 index into the GUID table
    then the name, terminated: 8-bit characters (NVAR_FLAG_ASCII_NAME) or UTF-16
    then the data
    then, with NVAR_FLAG_EXTENDED, the extended fields (NVAR_EXTENDED_FIELDS) as the
    last NVAR_EXTENDED_SIZE bytes of the record

  Choices this format fixes:
  - A record that is not the head of its chain (NVAR_FLAG_NOT_HEAD) carries neither
    GUID nor name: its data starts right after the 10-byte header. A linked record
    without that flag is read by its own flags (GUID and name, then data).
  - The checksum flag lives in the extended fields, so only a record with
    NVAR_FLAG_EXTENDED can carry a checksum. With NVAR_EXTENDED_CHECKSUM set, the
    bytes of the record after the signature (header, GUID, name, data and extended
    fields, the checksum byte included) sum to 0 modulo 256.
  - With NVAR_FLAG_EXTENDED the data size is the extended fields' DataSize; it must
    fit between the name and the extended fields. Without it, the data runs from
    the name's end to the record's end.
  - The GUID table's size is not stored: an index is usable only when its entry lies
    inside the image and above the end of the record area, which is where the walk
    from the image start stops (a size of 0xFFFF or below 11, or a record that runs
    past the image). A writer therefore leaves at least NVAR_HEADER_SIZE bytes of
    free space between the last record and the GUID table.
  - A store image carries no variable attributes: its variables are read as
    non-volatile with boot-service and runtime access.
**/
#ifndef NVRAM_STORE_FORMAT_H_
#define NVRAM_STORE_FORMAT_H_

#include <Uefi.h>
#include <stddef.h>

#define NVAR_SIGNATURE  SIGNATURE_32 ('N', 'V', 'A', 'R')

#define NVAR_FLAG_ASCII_NAME   0x02
#define NVAR_FLAG_GUID_INLINE  0x04
#define NVAR_FLAG_NOT_HEAD     0x08
#define NVAR_FLAG_EXTENDED     0x10
#define NVAR_FLAG_VALID        0x80
#define NVAR_FLAGS_ERASED      0xFF    // a flags byte of all ones: an unwritten record

#define NVAR_NO_LINK           0xFFFFFF
#define NVAR_SIZE_ERASED       0xFFFF
#define NVAR_MIN_RECORD_SIZE   11      // the header and a one-byte GUID index
#define NVAR_GUID_SIZE         16

#pragma pack(push, 1)
typedef struct {
  UINT32  Signature;
  UINT16  Size;
  UINT8   Link[3];
  UINT8   Flags;
} NVAR_RECORD_HEADER;

typedef struct {
  UINT8   ExtFlags;       // NVAR_EXTENDED_*
  UINT8   Checksum;       // makes the record's byte sum 0 when NVAR_EXTENDED_CHECKSUM is set
  UINT32  DataSize;
} NVAR_EXTENDED_FIELDS;
#pragma pack(pop)

#define NVAR_EXTENDED_CHECKSUM  0x01

#define NVAR_HEADER_SIZE    10
#define NVAR_EXTENDED_SIZE  6

static_assert (sizeof (NVAR_RECORD_HEADER) == NVAR_HEADER_SIZE, "NVAR header");
static_assert (offsetof (NVAR_RECORD_HEADER, Size) == 4, "NVAR size");
static_assert (offsetof (NVAR_RECORD_HEADER, Link) == 6, "NVAR link");
static_assert (offsetof (NVAR_RECORD_HEADER, Flags) == 9, "NVAR flags");
static_assert (sizeof (NVAR_EXTENDED_FIELDS) == NVAR_EXTENDED_SIZE, "NVAR extended fields");
static_assert (offsetof (NVAR_EXTENDED_FIELDS, Checksum) == 1, "NVAR checksum");
static_assert (offsetof (NVAR_EXTENDED_FIELDS, DataSize) == 2, "NVAR data size");

#endif

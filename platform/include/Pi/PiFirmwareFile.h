/** @file
  Firmware-file and section layouts of PI firmware volumes: the file types, the
  section types and the common section headers. The driver reads its own sections
  through FV2; test tools and the QEMU image builder write the same layouts.
**/
#ifndef PI_FIRMWARE_FILE_H_
#define PI_FIRMWARE_FILE_H_

#include <Uefi.h>
#include <stddef.h>

typedef UINT8   EFI_FV_FILETYPE;
typedef UINT32  EFI_FV_FILE_ATTRIBUTES;
typedef UINT8   EFI_SECTION_TYPE;
typedef UINT8   EFI_FFS_FILE_ATTRIBUTES;
typedef UINT8   EFI_FFS_FILE_STATE;

#define EFI_FV_FILETYPE_ALL                    0x00
#define EFI_FV_FILETYPE_RAW                    0x01
#define EFI_FV_FILETYPE_FREEFORM               0x02
#define EFI_FV_FILETYPE_DRIVER                 0x07
#define EFI_FV_FILETYPE_APPLICATION            0x09
#define EFI_FV_FILETYPE_FIRMWARE_VOLUME_IMAGE  0x0B
#define EFI_FV_FILETYPE_FFS_PAD                0xF0

#define EFI_SECTION_ALL                    0x00
#define EFI_SECTION_COMPRESSION            0x01
#define EFI_SECTION_GUID_DEFINED           0x02
#define EFI_SECTION_PE32                   0x10
#define EFI_SECTION_PIC                    0x11
#define EFI_SECTION_TE                     0x12
#define EFI_SECTION_DXE_DEPEX              0x13
#define EFI_SECTION_VERSION                0x14
#define EFI_SECTION_USER_INTERFACE         0x15
#define EFI_SECTION_FIRMWARE_VOLUME_IMAGE  0x17
#define EFI_SECTION_FREEFORM_SUBTYPE_GUID  0x18
#define EFI_SECTION_RAW                    0x19

#define FFS_ATTRIB_LARGE_FILE   0x01
#define FFS_ATTRIB_FIXED        0x04
#define FFS_ATTRIB_DATA_ALIGNMENT 0x38
#define FFS_ATTRIB_CHECKSUM     0x40

#define EFI_FILE_HEADER_CONSTRUCTION  0x01
#define EFI_FILE_HEADER_VALID         0x02
#define EFI_FILE_DATA_VALID           0x04
#define EFI_FILE_MARKED_FOR_UPDATE    0x08
#define EFI_FILE_DELETED              0x10
#define EFI_FILE_HEADER_INVALID       0x20

// An FFS checksum the header carries when FFS_ATTRIB_CHECKSUM is clear.
#define FFS_FIXED_CHECKSUM  0xAA

#pragma pack(push, 1)

typedef struct {
  EFI_GUID                 Name;
  UINT8                    HeaderChecksum;
  UINT8                    FileChecksum;
  EFI_FV_FILETYPE          Type;
  EFI_FFS_FILE_ATTRIBUTES  Attributes;
  UINT8                    Size[3];
  EFI_FFS_FILE_STATE       State;
} EFI_FFS_FILE_HEADER;

// Sizes are 24-bit little endian; 0xFFFFFF would announce the extended-size form.
typedef struct {
  UINT8             Size[3];
  EFI_SECTION_TYPE  Type;
} EFI_COMMON_SECTION_HEADER;

typedef struct {
  EFI_COMMON_SECTION_HEADER  CommonHeader;
  EFI_GUID                   SubTypeGuid;
} EFI_FREEFORM_SUBTYPE_GUID_SECTION;

typedef struct {
  UINT64    ZeroVector[2];
  EFI_GUID  FileSystemGuid;
  UINT64    FvLength;
  UINT32    Signature;
  UINT32    Attributes;
  UINT16    HeaderLength;
  UINT16    Checksum;
  UINT16    ExtHeaderOffset;
  UINT8     Reserved[1];
  UINT8     Revision;
} EFI_FIRMWARE_VOLUME_HEADER;

// The block map follows the header: runs of equal blocks, ended by an all-zero entry.
typedef struct {
  UINT32  NumBlocks;
  UINT32  Length;
} EFI_FV_BLOCK_MAP_ENTRY;

// The extended header, at ExtHeaderOffset from the volume's start: the volume's own name,
// then entries up to ExtHeaderSize bytes.
typedef struct {
  EFI_GUID  FvName;
  UINT32    ExtHeaderSize;
} EFI_FIRMWARE_VOLUME_EXT_HEADER;

#pragma pack(pop)

static_assert (sizeof (EFI_FFS_FILE_HEADER) == 24, "FFS file header");
static_assert (offsetof (EFI_FFS_FILE_HEADER, Type) == 18, "FFS file type");
static_assert (offsetof (EFI_FFS_FILE_HEADER, Size) == 20, "FFS file size");
static_assert (offsetof (EFI_FFS_FILE_HEADER, State) == 23, "FFS file state");
static_assert (sizeof (EFI_COMMON_SECTION_HEADER) == 4, "section header");
static_assert (sizeof (EFI_FREEFORM_SUBTYPE_GUID_SECTION) == 20, "freeform section");
static_assert (sizeof (EFI_FIRMWARE_VOLUME_HEADER) == 56, "FV header");
static_assert (offsetof (EFI_FIRMWARE_VOLUME_HEADER, FvLength) == 32, "FV length");
static_assert (offsetof (EFI_FIRMWARE_VOLUME_HEADER, Signature) == 40, "FV signature");
static_assert (offsetof (EFI_FIRMWARE_VOLUME_HEADER, HeaderLength) == 48, "FV header length");
static_assert (offsetof (EFI_FIRMWARE_VOLUME_HEADER, Revision) == 55, "FV revision");
static_assert (offsetof (EFI_FIRMWARE_VOLUME_HEADER, Attributes) == 44, "FV attributes");
static_assert (offsetof (EFI_FIRMWARE_VOLUME_HEADER, Checksum) == 50, "FV checksum");
static_assert (offsetof (EFI_FIRMWARE_VOLUME_HEADER, ExtHeaderOffset) == 52, "FV extended header offset");
static_assert (offsetof (EFI_FFS_FILE_HEADER, HeaderChecksum) == 16, "FFS header checksum");
static_assert (offsetof (EFI_FFS_FILE_HEADER, FileChecksum) == 17, "FFS file checksum");
static_assert (offsetof (EFI_FFS_FILE_HEADER, Attributes) == 19, "FFS file attributes");
static_assert (sizeof (EFI_FV_BLOCK_MAP_ENTRY) == 8, "block map entry");
static_assert (sizeof (EFI_FIRMWARE_VOLUME_EXT_HEADER) == 20, "FV extended header");

#define EFI_FVH_SIGNATURE  0x4856465F   // "_FVH"
#define EFI_FVH_REVISION   0x02

// The file system of volumes whose files use the FFS header above (the second revision).
#define EFI_FIRMWARE_FILE_SYSTEM2_GUID \
  { 0x8C8CE578, 0x8A3D, 0x4F1C, { 0x99, 0x35, 0x89, 0x61, 0x85, 0xC3, 0x2D, 0xD3 } }

// Volume attributes (EFI_FVB_ATTRIBUTES_2) a read-only, memory-mapped volume carries;
// bits 16 to 20 hold the log2 of the largest file data alignment.
#define EFI_FVB2_READ_ENABLED_CAP  0x00000002
#define EFI_FVB2_READ_STATUS       0x00000004
#define EFI_FVB2_MEMORY_MAPPED     0x00000400
#define EFI_FVB2_ERASE_POLARITY    0x00000800
#define EFI_FVB2_ALIGNMENT_SHIFT   16

// Opcodes of a DXE dependency expression section.
#define EFI_DEP_TRUE  0x06
#define EFI_DEP_END   0x08

#endif

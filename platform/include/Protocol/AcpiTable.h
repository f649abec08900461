/** @file
  ACPI table protocol: installs a table (the firmware copies it and hands back a key)
  and uninstalls it by that key. Also the common ACPI description header.
**/
#ifndef PROTOCOL_ACPI_TABLE_H_
#define PROTOCOL_ACPI_TABLE_H_

#include <Uefi.h>
#include <stddef.h>

#define EFI_ACPI_TABLE_PROTOCOL_GUID \
  { 0xFFE06BDD, 0x6107, 0x46A6, { 0x7B, 0xB2, 0x5A, 0x9C, 0x7E, 0xC5, 0x27, 0x5C } }
extern EFI_GUID gEfiAcpiTableProtocolGuid;

#pragma pack(push, 1)
typedef struct {
  UINT32  Signature;
  UINT32  Length;
  UINT8   Revision;
  UINT8   Checksum;
  UINT8   OemId[6];
  UINT64  OemTableId;
  UINT32  OemRevision;
  UINT32  CreatorId;
  UINT32  CreatorRevision;
} EFI_ACPI_DESCRIPTION_HEADER;
#pragma pack(pop)

static_assert (sizeof (EFI_ACPI_DESCRIPTION_HEADER) == 36, "ACPI header");
static_assert (offsetof (EFI_ACPI_DESCRIPTION_HEADER, Checksum) == 9, "ACPI checksum");
static_assert (offsetof (EFI_ACPI_DESCRIPTION_HEADER, OemTableId) == 16, "ACPI OEM table id");

// Boot graphics resource table ("BGRT"): where the firmware drew the boot logo.
#define EFI_ACPI_BOOT_GRAPHICS_RESOURCE_TABLE_SIGNATURE  SIGNATURE_32 ('B', 'G', 'R', 'T')
#define EFI_ACPI_BOOT_GRAPHICS_RESOURCE_TABLE_REVISION   1
#define EFI_ACPI_BOOT_GRAPHICS_STATUS_DISPLAYED          0x01
#define EFI_ACPI_BOOT_GRAPHICS_IMAGE_TYPE_BMP            0

#pragma pack(push, 1)
typedef struct {
  EFI_ACPI_DESCRIPTION_HEADER  Header;
  UINT16                       Version;
  UINT8                        Status;
  UINT8                        ImageType;
  UINT64                       ImageAddress;
  UINT32                       ImageOffsetX;
  UINT32                       ImageOffsetY;
} EFI_ACPI_BOOT_GRAPHICS_RESOURCE_TABLE;
#pragma pack(pop)

static_assert (sizeof (EFI_ACPI_BOOT_GRAPHICS_RESOURCE_TABLE) == 56, "BGRT");
static_assert (offsetof (EFI_ACPI_BOOT_GRAPHICS_RESOURCE_TABLE, Status) == 38, "BGRT status");
static_assert (offsetof (EFI_ACPI_BOOT_GRAPHICS_RESOURCE_TABLE, ImageAddress) == 40, "BGRT image address");
static_assert (offsetof (EFI_ACPI_BOOT_GRAPHICS_RESOURCE_TABLE, ImageOffsetY) == 52, "BGRT offset y");

typedef struct _EFI_ACPI_TABLE_PROTOCOL EFI_ACPI_TABLE_PROTOCOL;

typedef EFI_STATUS (EFIAPI *EFI_ACPI_TABLE_INSTALL_ACPI_TABLE)(
  IN EFI_ACPI_TABLE_PROTOCOL  *This,
  IN VOID                     *AcpiTableBuffer,
  IN UINTN                    AcpiTableBufferSize,
  OUT UINTN                   *TableKey
  );

typedef EFI_STATUS (EFIAPI *EFI_ACPI_TABLE_UNINSTALL_ACPI_TABLE)(
  IN EFI_ACPI_TABLE_PROTOCOL  *This,
  IN UINTN                    TableKey
  );

struct _EFI_ACPI_TABLE_PROTOCOL {
  EFI_ACPI_TABLE_INSTALL_ACPI_TABLE    InstallAcpiTable;
  EFI_ACPI_TABLE_UNINSTALL_ACPI_TABLE  UninstallAcpiTable;
};

#endif

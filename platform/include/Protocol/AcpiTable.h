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

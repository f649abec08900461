/** @file
  The boot-graphics table the operating system keeps the logo by: the logo captured
  from the screen as a BMP image and published as the ACPI boot graphics resource
  table.
**/
#include <engine/post/PostScreen.h>
#include <engine/boot/BootGraphics.h>
#include <engine/core/EngineGlobals.h>
#include <engine/textui/TextScreen.h>

#include <Format/Bmp.h>
#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/UefiLib.h>
#include <Protocol/AcpiTable.h>

#define BMP_CAPTURE_MINIMUM          (4 * 1024 * 1024)


UINT8 *
BuildBgrtTable (
  IN UINT64  Address,
  IN UINT32  X,
  IN UINT32  Y
  )
{
  EFI_ACPI_BOOT_GRAPHICS_RESOURCE_TABLE  *Table;
  UINT8                                  Sum = 0;
  static CONST UINT8                     OemId[6]      = { 'B', 'R', 'I', 'S', 'E', 'L' };
  static CONST UINT8                     OemTableId[8] = { 'O', ' ', 'K', ' ', 'U', ' ', 0, 0 };

  Table = (EFI_ACPI_BOOT_GRAPHICS_RESOURCE_TABLE *)AllocateZeroPool (sizeof (*Table));
  if (Table == NULL) {
    return NULL;
  }

  Table->Header.Signature       = EFI_ACPI_BOOT_GRAPHICS_RESOURCE_TABLE_SIGNATURE;
  Table->Header.Length          = sizeof (*Table);
  Table->Header.Revision        = EFI_ACPI_BOOT_GRAPHICS_RESOURCE_TABLE_REVISION;
  CopyMem (Table->Header.OemId, OemId, sizeof (OemId));
  CopyMem (&Table->Header.OemTableId, OemTableId, sizeof (OemTableId));
  Table->Header.OemRevision     = 0x01072009;
  Table->Header.CreatorId       = 0x20554B4F;
  Table->Header.CreatorRevision = 0x00010013;
  Table->Version                = 1;
  Table->Status                 = EFI_ACPI_BOOT_GRAPHICS_STATUS_DISPLAYED;
  Table->ImageType              = EFI_ACPI_BOOT_GRAPHICS_IMAGE_TYPE_BMP;
  Table->ImageAddress           = Address;
  Table->ImageOffsetX           = X;
  Table->ImageOffsetY           = Y;
  for (UINTN Index = 0; Index < sizeof (*Table); Index++) {
    Sum = (UINT8)(Sum + ((UINT8 *)Table)[Index]);
  }

  Table->Header.Checksum = (UINT8)(0 - Sum);
  return (UINT8 *)Table;
}

UINT8 *
CaptureLogoAsBmp (
  OUT UINTN  *Size
  )
{
  UINT64                         Width  = gLogoBox.Right - gLogoBox.Left;
  UINT64                         Height = gLogoBox.Bottom - gLogoBox.Top;
  UINT64                         RowSize;
  UINT64                         DataSize;
  EFI_GRAPHICS_OUTPUT_BLT_PIXEL  *Pixels;
  UINT8                          *Bmp;
  UINT8                          *Row;

  *Size = 0;
  if ((gLogoBox.Right <= gLogoBox.Left) || (gLogoBox.Bottom <= gLogoBox.Top) || (gGraphicsOutput == NULL)) {
    return NULL;
  }

  RowSize  = (Width * 3 + 3) & ~(UINT64)3;
  DataSize = RowSize * Height;
  Pixels   = (EFI_GRAPHICS_OUTPUT_BLT_PIXEL *)AllocatePool ((UINTN)(Width * Height * sizeof (*Pixels)));
  // Sized to the picture: a box of several logos can exceed the customary block.
  Bmp = (UINT8 *)AllocateZeroPool ((UINTN)PostMax (BMP_CAPTURE_MINIMUM, BMP_HEADERS_SIZE + DataSize));
  if ((Pixels == NULL) || (Bmp == NULL) ||
      EFI_ERROR (gGraphicsOutput->Blt (gGraphicsOutput, Pixels, EfiBltVideoToBltBuffer, (UINTN)gLogoBox.Left,
                   (UINTN)gLogoBox.Top, 0, 0, (UINTN)Width, (UINTN)Height, 0)))
  {
    FreePool (Pixels);
    FreePool (Bmp);
    return NULL;
  }

  Bmp[0] = 'B';
  Bmp[1] = 'M';
  WriteUnaligned32 ((UINT32 *)(Bmp + BMP_FILE_SIZE_AT), (UINT32)(DataSize + BMP_HEADERS_SIZE));
  WriteUnaligned32 ((UINT32 *)(Bmp + BMP_PIXEL_OFFSET_AT), BMP_HEADERS_SIZE);
  WriteUnaligned32 ((UINT32 *)(Bmp + BMP_INFO_SIZE_AT), BMP_INFO_HEADER_SIZE);
  WriteUnaligned32 ((UINT32 *)(Bmp + BMP_INFO_WIDTH_AT), (UINT32)Width);
  WriteUnaligned32 ((UINT32 *)(Bmp + BMP_INFO_HEIGHT_AT), (UINT32)Height);
  WriteUnaligned16 ((UINT16 *)(Bmp + BMP_INFO_PLANES_AT), 1);
  WriteUnaligned16 ((UINT16 *)(Bmp + BMP_INFO_BITS_AT), 24);
  WriteUnaligned32 ((UINT32 *)(Bmp + BMP_INFO_IMAGE_SIZE_AT), (UINT32)DataSize);
  for (UINT64 Line = 0; Line < Height; Line++) {
    // Bottom-up: the last screen row is the first stored.
    Row = Bmp + BMP_HEADERS_SIZE + (Height - 1 - Line) * RowSize;
    for (UINT64 Column = 0; Column < Width; Column++) {
      Row[Column * 3]     = Pixels[Line * Width + Column].Blue;
      Row[Column * 3 + 1] = Pixels[Line * Width + Column].Green;
      Row[Column * 3 + 2] = Pixels[Line * Width + Column].Red;
    }
  }

  FreePool (Pixels);
  *Size = (UINTN)(BMP_HEADERS_SIZE + DataSize);
  return Bmp;
}

EFI_STATUS
PublishBootLogoTable (
  IN UINT8   *Bmp,
  IN UINT32  X,
  IN UINT32  Y
  )
{
  EFI_ACPI_TABLE_PROTOCOL  *AcpiTable = NULL;
  UINT8                    *Table;
  UINTN                    Key = 0;
  EFI_STATUS               Status;

  Status = gBS->LocateProtocol (&gEfiAcpiTableProtocolGuid, NULL, (VOID **)&AcpiTable);
  if (EFI_ERROR (Status) || (AcpiTable == NULL)) {
    return EFI_UNSUPPORTED;
  }

  Table = BuildBgrtTable ((UINT64)(UINTN)Bmp, X, Y);
  if (Table == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  Status = AcpiTable->InstallAcpiTable (AcpiTable, Table, sizeof (EFI_ACPI_BOOT_GRAPHICS_RESOURCE_TABLE), &Key);
  if (EFI_ERROR (Status)) {
    FreePool (Table);
    return Status;
  }

  // A table of an earlier logo goes: the operating system keeps only the latest.
  RemoveBootLogoTable ();
  gBootLogoTable    = Table;
  gBootLogoTableKey = Key;
  return EFI_SUCCESS;
}

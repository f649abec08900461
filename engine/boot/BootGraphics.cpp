/** @file
  The boot graphics ACPI table that the logo code publishes (kept here as a copy with
  its table key, so that it can be marked "not shown" or removed when the screen
  changes) and the bilinear scaling of 32-bit bitmaps.
**/
#include <engine/boot/BootGraphics.h>
#include <engine/core/EngineGlobals.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Protocol/AcpiTable.h>

#include <stddef.h>

#define BOOT_LOGO_TABLE_SIZE  sizeof (EFI_ACPI_BOOT_GRAPHICS_RESOURCE_TABLE)

UINT8  *gBootLogoTable    = NULL;
UINTN  gBootLogoTableKey  = 0;

static EFI_ACPI_TABLE_PROTOCOL *
LocateAcpiTable (
  VOID
  )
{
  EFI_ACPI_TABLE_PROTOCOL  *AcpiTable = NULL;

  if ((gBS == NULL) || EFI_ERROR (gBS->LocateProtocol (&gEfiAcpiTableProtocolGuid, NULL, (VOID **)&AcpiTable))) {
    return NULL;
  }

  return AcpiTable;
}

//
// The status byte's old value moves into the checksum byte, so the table's bytes
// still sum to 0 however often it is invalidated; then the table is published again
// under a new key. When the old table cannot be removed it stays as it was.
//
VOID
InvalidateBootLogoTable (
  VOID
  )
{
  EFI_ACPI_TABLE_PROTOCOL  *AcpiTable;
  UINT8                    *Status;
  UINT8                    *Checksum;

  if (gBootLogoTable == NULL) {
    return;
  }

  Status    = gBootLogoTable + offsetof (EFI_ACPI_BOOT_GRAPHICS_RESOURCE_TABLE, Status);
  Checksum  = gBootLogoTable + offsetof (EFI_ACPI_DESCRIPTION_HEADER, Checksum);
  *Checksum = (UINT8)(*Checksum + *Status);
  *Status   = 0;
  AcpiTable = LocateAcpiTable ();
  if ((AcpiTable != NULL) && !EFI_ERROR (AcpiTable->UninstallAcpiTable (AcpiTable, gBootLogoTableKey))) {
    // A failed install leaves no table: the operating system then finds no logo to keep.
    (VOID)AcpiTable->InstallAcpiTable (AcpiTable, gBootLogoTable, BOOT_LOGO_TABLE_SIZE, &gBootLogoTableKey);
  }
}

VOID
RemoveBootLogoTable (
  VOID
  )
{
  EFI_ACPI_TABLE_PROTOCOL  *AcpiTable = LocateAcpiTable ();
  UINT64                   Image;

  if ((gBootLogoTable == NULL) || (AcpiTable == NULL) || EFI_ERROR (AcpiTable->UninstallAcpiTable (AcpiTable, gBootLogoTableKey))) {
    return;
  }

  Image = ReadUnaligned64 (gBootLogoTable + offsetof (EFI_ACPI_BOOT_GRAPHICS_RESOURCE_TABLE, ImageAddress));
  if (Image != 0) {
    FreePool ((VOID *)(UINTN)Image);
  }

  FreeAndNull (gBootLogoTable);
  gBootLogoTableKey = 0;
}

// One channel mixed across two columns and then down two rows, with 8-bit fractions.
static UINT8
MixChannel (
  IN UINT32  TopLeft,
  IN UINT32  TopRight,
  IN UINT32  BottomLeft,
  IN UINT32  BottomRight,
  IN UINT32  FractionX,
  IN UINT32  FractionY
  )
{
  UINT32  Top    = TopLeft * (256 - FractionX) + TopRight * FractionX;
  UINT32  Bottom = BottomLeft * (256 - FractionX) + BottomRight * FractionX;

  return (UINT8)((Top * (256 - FractionY) + Bottom * FractionY) >> 16);
}

static VOID
ScalePixel (
  IN  CONST EFI_GRAPHICS_OUTPUT_BLT_PIXEL  *Source,
  IN  UINTN                                SourceWidth,
  IN  UINTN                                SourceHeight,
  IN  UINTN                                X,       // 8.8 source position
  IN  UINTN                                Y,
  OUT EFI_GRAPHICS_OUTPUT_BLT_PIXEL        *Target
  )
{
  UINTN                                X0 = X >> 8;
  UINTN                                Y0 = Y >> 8;
  UINTN                                X1 = (X0 + 1 < SourceWidth) ? X0 + 1 : X0;     // the edge repeats
  UINTN                                Y1 = (Y0 + 1 < SourceHeight) ? Y0 + 1 : Y0;
  UINT32                               Fx = (UINT32)(X & 0xFF);
  UINT32                               Fy = (UINT32)(Y & 0xFF);
  CONST EFI_GRAPHICS_OUTPUT_BLT_PIXEL  *A = &Source[Y0 * SourceWidth + X0];
  CONST EFI_GRAPHICS_OUTPUT_BLT_PIXEL  *B = &Source[Y0 * SourceWidth + X1];
  CONST EFI_GRAPHICS_OUTPUT_BLT_PIXEL  *C = &Source[Y1 * SourceWidth + X0];
  CONST EFI_GRAPHICS_OUTPUT_BLT_PIXEL  *D = &Source[Y1 * SourceWidth + X1];

  Target->Blue  = MixChannel (A->Blue, B->Blue, C->Blue, D->Blue, Fx, Fy);
  Target->Green = MixChannel (A->Green, B->Green, C->Green, D->Green, Fx, Fy);
  Target->Red   = MixChannel (A->Red, B->Red, C->Red, D->Red, Fx, Fy);
}

EFI_STATUS
ScaleBitmap (
  IN  CONST EFI_GRAPHICS_OUTPUT_BLT_PIXEL  *Source,
  IN  UINTN                                SourceWidth,
  IN  UINTN                                SourceHeight,
  OUT EFI_GRAPHICS_OUTPUT_BLT_PIXEL        *Target,
  IN  UINTN                                TargetWidth,
  IN  UINTN                                TargetHeight
  )
{
  UINTN  StepX;
  UINTN  StepY;

  // A zero size would divide by zero or read a pixel of an empty source.
  if ((Source == NULL) || (Target == NULL) || (SourceWidth == 0) || (SourceHeight == 0) || (TargetWidth == 0) ||
      (TargetHeight == 0))
  {
    return EFI_INVALID_PARAMETER;
  }

  StepX = SourceWidth * 256 / TargetWidth;
  StepY = SourceHeight * 256 / TargetHeight;
  for (UINTN Row = 0; Row < TargetHeight; Row++) {
    for (UINTN Column = 0; Column < TargetWidth; Column++) {
      ScalePixel (Source, SourceWidth, SourceHeight, Column * StepX, Row * StepY, &Target[Row * TargetWidth + Column]);
    }
  }

  return EFI_SUCCESS;
}

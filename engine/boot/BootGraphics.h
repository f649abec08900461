/** @file
  The boot graphics ACPI table that the logo code publishes, with its table key, and
  the bilinear scaling of 32-bit bitmaps.
**/
#ifndef BOOT_GRAPHICS_H_
#define BOOT_GRAPHICS_H_

#include <Uefi.h>
#include <Protocol/GraphicsOutput.h>

extern UINT8  *gBootLogoTable;       // a 56-byte copy in pool; null when none is kept
extern UINTN  gBootLogoTableKey;

/**
  Marks the boot-logo table as no longer shown: status byte 0, its old value added to
  the checksum (the byte sum stays 0), and the table published again under a new key.
**/
VOID
InvalidateBootLogoTable (
  VOID
  );

/** Uninstalls the boot-logo table; on success frees its image and the copy. */
VOID
RemoveBootLogoTable (
  VOID
  );

//
// Images.
//
/**
  Scales a bitmap of 32-bit pixels bilinearly (8.8 fixed-point steps); at the right and
  bottom edges the edge pixels stand in for the missing neighbours. The reserved byte
  of the target is not written.

  @retval EFI_INVALID_PARAMETER  A null bitmap or a zero width or height.
**/
EFI_STATUS
ScaleBitmap (
  IN  CONST EFI_GRAPHICS_OUTPUT_BLT_PIXEL  *Source,
  IN  UINTN                                SourceWidth,
  IN  UINTN                                SourceHeight,
  OUT EFI_GRAPHICS_OUTPUT_BLT_PIXEL        *Target,
  IN  UINTN                                TargetWidth,
  IN  UINTN                                TargetHeight
  );

#endif

/** @file
  The display mode chosen from the active EDID before a boot option starts.
**/
#ifndef ENGINE_DISPLAY_MODE_H_
#define ENGINE_DISPLAY_MODE_H_

#include <Uefi.h>
#include <engine/core/HookTable.h>

#define DISPLAY_MODE_NONE  0xFFFFFFFF

typedef struct {
  UINT32  Width;
  UINT32  Height;
} DISPLAY_MODE_SIZE;

/**
  The preferred resolution of an EDID's base block: the first detailed timing when
  the features byte says it is the preferred one.

  @retval EFI_SUCCESS            Width x Height, or 0 x 0 when no timing is preferred.
  @retval EFI_INVALID_PARAMETER  Fewer than 128 bytes, a wrong header, or a preferred
                                 timing of zero width or height.
  @retval EFI_CRC_ERROR          The base block's bytes do not sum to 0.
**/
EFI_STATUS
ReadEdidPreferredResolution (
  IN  CONST UINT8  *Edid,
  IN  UINTN        Size,
  OUT UINT32       *Width,
  OUT UINT32       *Height
  );

/**
  The mode for a preferred resolution: the last of exactly that size, else the last
  of the same aspect ratio, else the last 1024 x 768. Without a preferred resolution
  (0 x 0) only 1024 x 768 is taken. DISPLAY_MODE_NONE when nothing fits.
**/
UINT32
ChooseDisplayMode (
  IN CONST DISPLAY_MODE_SIZE  *Modes,
  IN UINT32                   ModeCount,
  IN UINT32                   Width,
  IN UINT32                   Height
  );

// Hook members and defaults, in the hook table's uniform type.
UINT64 SetDisplayModeFromEdid (CONST HOOK_ARGS *Args);

#endif

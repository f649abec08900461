/** @file
  Boot launching and the placed logo blit, which are not built yet: no option can be
  launched and no logo placed, so the boot-flow rows that need them answer with those
  failures.
**/
#include <engine/core/EngineNeighbours.h>

EFI_STATUS
LaunchBootOption (
  IN UINT16  OptionNumber,
  IN UINT16  *Place OPTIONAL,
  IN UINTN   Count
  )
{
  (VOID)OptionNumber;
  (VOID)Place;
  (VOID)Count;
  return EFI_NOT_FOUND;
}

EFI_STATUS
BltImageAtPlacement (
  IN EFI_GRAPHICS_OUTPUT_BLT_PIXEL  *Pixels,
  IN UINT32                         Placement,
  IN UINT64                         Width,
  IN UINT64                         Height,
  IN UINT64                         X,
  IN UINT64                         Y,
  IN UINT64                         Pitch
  )
{
  (VOID)Pixels;
  (VOID)Placement;
  (VOID)Width;
  (VOID)Height;
  (VOID)X;
  (VOID)Y;
  (VOID)Pitch;
  return EFI_UNSUPPORTED;
}

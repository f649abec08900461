/** @file
  Neighbours of the boot launcher that are not built yet: the placed logo blit (no
  logo is placed) and the boot-flow table's default row,
  which answers only for boot flow 5 ("BootFlow" = 5: nothing started, the setup
  request dropped) and otherwise as a table without a row for the flow
  (EFI_UNSUPPORTED: nothing started, nothing more to try).
**/
#include <engine/core/EngineNeighbours.h>
#include <engine/core/EngineGlobals.h>
#include <engine/boot/BootLaunch.h>
#include <engine/boot/BootOptions.h>

#define BOOT_FLOW_NO_OPTION  5

static EFI_GUID  mBootFlowGuid = BOOT_FLOW_VARIABLE_GUID;

EFI_STATUS
RunBootFlowDefaultBoot (
  VOID
  )
{
  UINT32  Flow = 0;
  UINTN   Size = sizeof (Flow);

  if (!EFI_ERROR (gRT->GetVariable ((CHAR16 *)u"BootFlow", &mBootFlowGuid, NULL, &Size, &Flow)) &&
      (Size == sizeof (Flow)) && (Flow == BOOT_FLOW_NO_OPTION))
  {
    gEnterSetupRequest = 0;
    return EFI_NOT_STARTED;
  }
  return EFI_UNSUPPORTED;
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

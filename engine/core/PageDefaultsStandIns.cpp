/** @file
  Loading a page's defaults from a default store is not built yet: nothing is
  written, the call answers EFI_UNSUPPORTED, and the stand-in counts its calls and
  keeps the last default store asked for, which is all a caller could see of it.
**/
#include <engine/core/EngineNeighbours.h>

UINTN   gPageDefaultsCalls     = 0;
UINT16  gPageDefaultsLastStore = 0;

EFI_STATUS
ApplyPageDefaults (
  IN CONTROL_RECORD  *Control,
  IN UINT16          DefaultId
  )
{
  (VOID)Control;
  gPageDefaultsCalls++;
  gPageDefaultsLastStore = DefaultId;
  return EFI_UNSUPPORTED;
}

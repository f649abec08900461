/** @file
  The text-mode application object's release. The engine's object model is not built
  yet, so no application object exists and there is nothing to release.
**/
#include <engine/core/EngineNeighbours.h>

VOID
ClearTuiAppExit (
  VOID
  )
{
}

VOID
DestroyTuiApp (
  VOID
  )
{
}

BOOLEAN
GetTuiAppCurrentPage (
  OUT UINT32  *Page
  )
{
  (VOID)Page;
  return FALSE;
}

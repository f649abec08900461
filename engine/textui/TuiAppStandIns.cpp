/** @file
  Stand-ins for the text-mode application object's release; replaced here when the
  engine's object model lands. No application object exists before it.
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

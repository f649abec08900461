/** @file
  Stand-in for the dynamic-page table's release; replaced here when the dynamic-page
  code lands. No dynamic page exists before it, so there is nothing to free.
**/
#include <engine/core/EngineNeighbours.h>

VOID
FreeDynamicPageTable (
  VOID
  )
{
}

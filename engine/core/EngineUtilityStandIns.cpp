/** @file
  Stand-in for the boot-logo table code; replaced here when that code lands. No
  boot-logo table is kept yet, so there is nothing to invalidate.
**/
#include <engine/core/EngineUtilities.h>

VOID
InvalidateBootLogoTable (
  VOID
  )
{
}

/** @file
  The request to enter setup at the boot flow's next decision point.
**/
#include <engine/browser/SetupEntryRequest.h>

// 1 = enter setup at the next decision point; reached only through the functions below.
UINT8  gEnterSetupRequest = 0;

VOID
RequestSetupEntry (
  VOID
  )
{
  gEnterSetupRequest = 1;
}

VOID
DropSetupEntryRequest (
  VOID
  )
{
  gEnterSetupRequest = 0;
}

BOOLEAN
SetupEntryRequested (
  VOID
  )
{
  return (BOOLEAN)(gEnterSetupRequest != 0);
}

BOOLEAN
TakeSetupEntryRequest (
  VOID
  )
{
  BOOLEAN  Requested = SetupEntryRequested ();

  gEnterSetupRequest = 0;
  return Requested;
}

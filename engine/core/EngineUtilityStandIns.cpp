/** @file
  Stand-ins for engine utilities of the password and boot-logo code; replaced here
  when that code lands. The password status reads the cached password record as the
  full routine will; no boot-logo table is kept yet, so there is nothing to invalidate.
**/
#include <engine/core/EngineNeighbours.h>
#include <engine/core/VariableCache.h>

#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>

static BOOLEAN
IsFieldSet (
  IN CONST UINT8  *Field
  )
{
  for (UINTN Index = 0; Index < SETUP_PASSWORD_FIELD_SIZE; Index++) {
    if (Field[Index] != 0) {
      return TRUE;
    }
  }

  return FALSE;
}

UINT32
GetPasswordStatus (
  VOID
  )
{
  UINTN   Size   = 0;
  UINT8   *Record = (UINT8 *)GetCachedVariable (SETUP_VARIABLE_INDEX_PASSWORD, &Size);
  UINT32  Status  = 0;

  if ((Record != NULL) && (Size >= SETUP_PASSWORD_RECORD_SIZE)) {
    Status = (IsFieldSet (Record) ? 1u : 0u) | (IsFieldSet (Record + SETUP_PASSWORD_FIELD_SIZE) ? 2u : 0u);
  }

  if (Record != NULL) {
    ZeroMem (Record, Size);      // it held passwords
    FreePool (Record);
  }

  return Status;
}

VOID
InvalidateBootLogoTable (
  VOID
  )
{
}

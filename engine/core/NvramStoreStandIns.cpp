/** @file
  Stand-ins for the NVRAM store-image reader; replaced here when the store-image code
  lands. Until then no "StdDefaults"/"MfgDefaults" image opens, and the default
  caches hold the stored values and the controls' defaults only.
**/
#include <engine/core/EngineNeighbours.h>

EFI_STATUS
InitNvarStore (
  IN  VOID        *Image,
  IN  UINTN       ImageSize,
  OUT NVAR_STORE  **Store
  )
{
  (VOID)Image;
  (VOID)ImageSize;
  *Store = NULL;
  return EFI_UNSUPPORTED;
}

EFI_STATUS
NvarGetVariable (
  IN     NVAR_STORE      *Store,
  IN     CONST CHAR16    *Name,
  IN     CONST EFI_GUID  *Guid,
  OUT    UINT32          *Attributes,
  IN OUT UINTN           *DataSize,
  OUT    VOID            *Data
  )
{
  (VOID)Store;
  (VOID)Name;
  (VOID)Guid;
  (VOID)Attributes;
  (VOID)DataSize;
  (VOID)Data;
  return EFI_NOT_FOUND;
}

VOID
FreeNvarStore (
  IN NVAR_STORE  *Store
  )
{
  (VOID)Store;
}

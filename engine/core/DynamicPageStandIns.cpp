/** @file
  The dynamic-page table and the look-up of the package copy that holds an opcode,
  and the table's release in the short form used while the dynamic-page code is not
  built: the table stays empty unless a caller fills it, so nothing needs freeing.
**/
#include <engine/core/DynamicPages.h>
#include <engine/core/EngineNeighbours.h>
#include <engine/core/FormTables.h>

#include <Library/BaseLib.h>

DYNAMIC_PAGE_RECORD  *gDynamicPageTable     = NULL;
UINTN                gDynamicPageSlotCount  = 0;

VOID
FreeDynamicPageTable (
  VOID
  )
{
  FreeWorkTables ();
}

CONST UINT8 *
FindFormsPackageEnd (
  IN CONST UINT8  *Opcode
  )
{
  for (UINTN Slot = 0; (gDynamicPageTable != NULL) && (Slot < gDynamicPageSlotCount); Slot++) {
    CONST UINT8  *Package = gDynamicPageTable[Slot].Package;
    UINTN        Length;

    if (Package == NULL) {
      continue;
    }

    // The package header's low 24 bits give its length, header included. The extra
    // slot's block has a zero header and holds no scopes to walk.
    Length = ReadUnaligned24 (Package);
    if ((Length > sizeof (EFI_HII_PACKAGE_HEADER)) && (Opcode >= Package) && ((UINTN)(Opcode - Package) < Length)) {
      return Package + Length;
    }
  }

  return NULL;
}

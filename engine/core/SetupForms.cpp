/** @file
  The setup pages of the form sets in the HII database: each package list that
  holds a forms package gets a slot of the dynamic-page table with the engine's own
  copy of that package, and the form parser turns the form sets of the setup classes
  into pages. The full dynamic-page build (packages that come and go while setup
  runs) is not built yet; this loads what the database holds when setup starts.
**/
#include <engine/core/DynamicPages.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/EngineNeighbours.h>
#include <engine/core/FormParser.h>
#include <engine/core/FormTables.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>

// At most this many package lists are looked at; a database rarely holds a few dozen.
#define MAX_FORM_SET_LISTS  256

UINTN
FindFormsPackage (
  IN  CONST UINT8  *List,
  IN  UINTN        Size,
  OUT UINTN        *Offset
  )
{
  UINTN  At = sizeof (EFI_HII_PACKAGE_LIST_HEADER);

  while ((List != NULL) && (At + sizeof (EFI_HII_PACKAGE_HEADER) <= Size)) {
    CONST EFI_HII_PACKAGE_HEADER  *Package = (CONST EFI_HII_PACKAGE_HEADER *)(List + At);
    UINTN                         Length   = ReadUnaligned24 (Package);

    if ((Length < sizeof (EFI_HII_PACKAGE_HEADER)) || (Length > Size - At) || (Package->Type == EFI_HII_PACKAGE_END)) {
      return 0;
    }

    if (Package->Type == EFI_HII_PACKAGE_FORMS) {
      *Offset = At;
      return Length;
    }

    At += Length;
  }

  return 0;
}

// The forms package of an exported package list, copied; null when it holds none.
static UINT8 *
CopyFormsPackage (
  IN CONST UINT8  *List,
  IN UINTN        Size
  )
{
  UINTN  Offset = 0;
  UINTN  Length = FindFormsPackage (List, Size, &Offset);

  return (Length == 0) ? NULL : (UINT8 *)AllocateCopyPool (Length, List + Offset);
}

// Exports one package list and keeps a copy of its forms package in the slot.
static VOID
FillSlot (
  IN  EFI_HII_HANDLE       Handle,
  OUT DYNAMIC_PAGE_RECORD  *Slot
  )
{
  UINTN       Size = 0;
  UINT8       *List;
  EFI_STATUS  Status = gHiiDatabase->ExportPackageLists (gHiiDatabase, Handle, &Size, NULL);

  if ((Status != EFI_BUFFER_TOO_SMALL) || (Size < sizeof (EFI_HII_PACKAGE_LIST_HEADER))) {
    return;
  }

  List = (UINT8 *)AllocatePool (Size);
  if (List == NULL) {
    return;
  }

  if (!EFI_ERROR (gHiiDatabase->ExportPackageLists (gHiiDatabase, Handle, &Size, (EFI_HII_PACKAGE_LIST_HEADER *)List))) {
    Slot->Package   = CopyFormsPackage (List, Size);
    Slot->HiiHandle = (Slot->Package != NULL) ? Handle : NULL;
  }

  FreePool (List);
}

VOID
FreeSetupFormSets (
  VOID
  )
{
  for (UINTN Slot = 0; (gDynamicPageTable != NULL) && (Slot < gDynamicPageSlotCount); Slot++) {
    FreePool (gDynamicPageTable[Slot].Package);
  }

  FreeAndNull (gDynamicPageTable);
  gDynamicPageSlotCount = 0;
  FreeWorkTables ();
}

EFI_STATUS
LoadSetupFormSets (
  VOID
  )
{
  EFI_HII_HANDLE  *Handles;
  UINTN           Size = 0;
  EFI_STATUS      Status;

  if (gHiiDatabase == NULL) {
    return EFI_NOT_READY;
  }

  FreeSetupFormSets ();
  Status = gHiiDatabase->ListPackageLists (gHiiDatabase, EFI_HII_PACKAGE_FORMS, NULL, &Size, NULL);
  if (Status != EFI_BUFFER_TOO_SMALL) {
    return (Status == EFI_NOT_FOUND) ? EFI_SUCCESS : Status;
  }

  Size    = (Size > MAX_FORM_SET_LISTS * sizeof (EFI_HII_HANDLE)) ? MAX_FORM_SET_LISTS * sizeof (EFI_HII_HANDLE) : Size;
  Handles = (EFI_HII_HANDLE *)AllocateZeroPool (Size);
  gDynamicPageTable = (DYNAMIC_PAGE_RECORD *)AllocateZeroPool ((Size / sizeof (EFI_HII_HANDLE)) * sizeof (DYNAMIC_PAGE_RECORD));
  if ((Handles == NULL) || (gDynamicPageTable == NULL) ||
      EFI_ERROR (Status = gHiiDatabase->ListPackageLists (gHiiDatabase, EFI_HII_PACKAGE_FORMS, NULL, &Size, Handles)))
  {
    FreePool (Handles);
    FreeSetupFormSets ();
    return EFI_ERROR (Status) ? Status : EFI_OUT_OF_RESOURCES;
  }

  gDynamicPageSlotCount = Size / sizeof (EFI_HII_HANDLE);
  for (UINTN Slot = 0; Slot < gDynamicPageSlotCount; Slot++) {
    FillSlot (Handles[Slot], &gDynamicPageTable[Slot]);
    if (gDynamicPageTable[Slot].Package != NULL) {
      (VOID)ParseFormSetForms (&gDynamicPageTable[Slot]);    // a form set of another class or a broken one gives no pages
    }
  }

  FreePool (Handles);
  return EFI_SUCCESS;
}

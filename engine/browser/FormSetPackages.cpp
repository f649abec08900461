/** @file
  Form sets in the HII database's package lists: the forms package of a list, the
  class its form set declares, the slot that holds a form set and form, and the
  package lists SendForm and a goto name.
**/
#include <engine/browser/DriverCallbacks.h>
#include <engine/browser/DynamicPages.h>
#include <engine/browser/DynamicPagesInternal.h>
#include <engine/core/EngineGlobals.h>
#include <engine/browser/FormBrowser.h>
#include <engine/forms/FormParser.h>
#include <engine/forms/FormTables.h>
#include <engine/forms/IfrOpcode.h>
#include <engine/browser/PackageNotify.h>
#include <engine/core/SetupData.h>
#include <engine/variables/VariableCache.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>

#define EXPORT_FIRST_GUESS      10

UINT32
PackageLength (
  IN CONST UINT8  *Package
  )
{
  return (Package == NULL) ? 0 : (ReadUnaligned24 (Package) & 0xFFFFFF);
}

//
// Packages and their form sets.
//

VOID
GetFormSetClass (
  IN  CONST UINT8  *Package,
  OUT UINT16       *Class,
  OUT UINT16       *SubClass
  )
{
  CONST UINT8  *End = Package + PackageLength (Package);
  CONST UINT8  *Op  = Package + FORM_SET_AT;
  UINTN        Depth = 0;

  *Class    = 0;
  *SubClass = 0;
  for (Op = IfrFits (Op, End) ? Op : NULL; Op != NULL; Op = IfrNext (Op, End)) {
    ReadClassExtension (Op, Class, SubClass);
    Depth = IfrOpensScope (Op) ? Depth + 1 : ((Op[0] == EFI_IFR_END_OP) && (Depth > 0)) ? Depth - 1 : Depth;
    if (Depth == 0) {
      break;
    }
  }
}

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

/** The first forms package of an exported package list, within the length its header gives. */
static CONST UINT8 *
FirstFormsPackage (
  IN CONST UINT8  *List,
  IN UINTN        Size
  )
{
  UINTN  Length = (Size < sizeof (EFI_HII_PACKAGE_LIST_HEADER)) ? 0 : ((EFI_HII_PACKAGE_LIST_HEADER *)List)->PackageLength;
  UINTN  Offset = 0;

  Length = (Length > Size) ? Size : Length;
  return (FindFormsPackage (List, Length, &Offset) == 0) ? NULL : List + Offset;
}

UINT8 *
GetFormSetPackage (
  IN     EFI_HII_HANDLE  HiiHandle,
  IN OUT UINT64          *Size
  )
{
  UINTN        BufferSize = (*Size == 0) ? EXPORT_FIRST_GUESS : (UINTN)*Size;
  UINT8        *List      = (UINT8 *)AllocateZeroPool (BufferSize);
  CONST UINT8  *Forms;
  UINT8        *Copy      = NULL;
  EFI_STATUS   Status;

  if ((List == NULL) || (gHiiDatabase == NULL)) {
    FreePool (List);
    return NULL;
  }

  Status = gHiiDatabase->ExportPackageLists (gHiiDatabase, HiiHandle, &BufferSize, (EFI_HII_PACKAGE_LIST_HEADER *)List);
  if (Status == EFI_BUFFER_TOO_SMALL) {
    FreePool (List);
    List   = (UINT8 *)AllocateZeroPool (BufferSize);
    Status = (List == NULL) ? EFI_OUT_OF_RESOURCES
             : gHiiDatabase->ExportPackageLists (gHiiDatabase, HiiHandle, &BufferSize, (EFI_HII_PACKAGE_LIST_HEADER *)List);
  }

  *Size = BufferSize;
  Forms = EFI_ERROR (Status) ? NULL : FirstFormsPackage (List, BufferSize);
  if (Forms != NULL) {
    if ((PackageLength (Forms) > FORM_SET_AT + IFR_HEADER_SIZE) && (Forms[FORM_SET_AT] == EFI_IFR_FORM_SET_OP)) {
      Copy = (UINT8 *)AllocateCopyPool (PackageLength (Forms), Forms);
    } else {
      *Size = 0;
    }
  }

  if (List != NULL) {
    FreePool (List);
  }

  return Copy;
}

/** TRUE when the form set holds a FORM or FORM_MAP with the form id, within the FORM_SET's scope. */
static BOOLEAN
FormSetHoldsForm (
  IN CONST UINT8  *Package,
  IN UINT16       FormId
  )
{
  CONST UINT8  *End   = Package + PackageLength (Package);
  CONST UINT8  *Op    = Package + FORM_SET_AT;
  UINTN        Depth  = 0;

  for (Op = IfrFits (Op, End) ? Op : NULL; Op != NULL; Op = IfrNext (Op, End)) {
    if (((Op[0] == EFI_IFR_FORM_OP) || (Op[0] == EFI_IFR_FORM_MAP_OP)) && (IfrField (Op, IFR_FORM_ID_AT, 2) == FormId) &&
        (IfrLength (Op) >= IFR_FORM_ID_AT + 2))
    {
      return TRUE;
    }

    Depth = IfrOpensScope (Op) ? Depth + 1 : ((Op[0] == EFI_IFR_END_OP) && (Depth > 0)) ? Depth - 1 : Depth;
    if (Depth == 0) {
      break;
    }
  }

  return FALSE;
}

UINT16
FirstFormOfList (
  IN EFI_HII_HANDLE  HiiHandle
  )
{
  CONST UINT8  *End;
  CONST UINT8  *Op;
  UINTN        Depth = 0;

  for (UINTN Slot = 0; (gDynamicPageTable != NULL) && (Slot + 1 < gDynamicPageSlotCount); Slot++) {
    CONST UINT8  *Package = gDynamicPageTable[Slot].Package;

    if ((gDynamicPageTable[Slot].HiiHandle != HiiHandle) || (Package == NULL) ||
        (PackageLength (Package) <= FORM_SET_AT))
    {
      continue;
    }

    End = Package + PackageLength (Package);
    for (Op = IfrFits (Package + FORM_SET_AT, End) ? Package + FORM_SET_AT : NULL; Op != NULL; Op = IfrNext (Op, End)) {
      if (((Op[0] == EFI_IFR_FORM_OP) || (Op[0] == EFI_IFR_FORM_MAP_OP)) && (IfrLength (Op) >= IFR_FORM_ID_AT + 2)) {
        return (UINT16)IfrField (Op, IFR_FORM_ID_AT, 2);
      }

      Depth = IfrOpensScope (Op) ? Depth + 1 : ((Op[0] == EFI_IFR_END_OP) && (Depth > 0)) ? Depth - 1 : Depth;
      if (Depth == 0) {
        break;
      }
    }

    return 0;
  }

  return 0;
}

BOOLEAN
SlotHasFormSet (
  IN CONST DYNAMIC_PAGE_RECORD  *Slot,
  IN CONST EFI_GUID             *Guid
  )
{
  UINT32  Length = PackageLength (Slot->Package);

  return (Length >= FORM_SET_AT + IFR_FORM_SET_GUID_AT + sizeof (EFI_GUID)) &&
         (CompareMem (Slot->Package + FORM_SET_AT + IFR_FORM_SET_GUID_AT, Guid, sizeof (EFI_GUID)) == 0);
}

UINT16
FindSlotByFormSetForm (
  IN CONST EFI_GUID  *Guid,
  IN UINT16          Class,
  IN UINT16          SubClass,
  IN UINT16          FormId
  )
{
  for (UINTN Slot = 0; (gDynamicPageTable != NULL) && (Slot + 1 < gDynamicPageSlotCount); Slot++) {
    DYNAMIC_PAGE_RECORD  *Record = &gDynamicPageTable[Slot];

    if ((Record->Package == NULL) || (PackageLength (Record->Package) <= sizeof (EFI_HII_PACKAGE_HEADER))) {
      continue;
    }

    if (SlotHasFormSet (Record, Guid) && (Record->Class == Class) && (Record->SubClass == SubClass) &&
        FormSetHoldsForm (Record->Package, FormId))
    {
      return (UINT16)Slot;
    }
  }

  return (gDynamicPageSlotCount == 0) ? 0 : (UINT16)(gDynamicPageSlotCount - 1);
}

//
// The handle list and the table.
//
EFI_STATUS
ListCandidates (
  OUT EFI_HII_HANDLE  **Candidates,
  OUT UINTN           *Count
  )
{
  UINTN       Length = 0;
  EFI_STATUS  Status;

  *Candidates = NULL;
  *Count      = 0;
  if (gSendFormHandles != NULL) {
    *Candidates = gSendFormHandles;
    *Count      = gSendFormHandleCount;
    return EFI_SUCCESS;
  }

  Status = gHiiDatabase->ListPackageLists (gHiiDatabase, EFI_HII_PACKAGE_TYPE_ALL, NULL, &Length, NULL);
  if (Status != EFI_BUFFER_TOO_SMALL) {
    return EFI_SUCCESS;     // an empty database leaves only the extra slot
  }

  *Candidates = (EFI_HII_HANDLE *)AllocateZeroPool (Length);
  if (*Candidates == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  if (EFI_ERROR (gHiiDatabase->ListPackageLists (gHiiDatabase, EFI_HII_PACKAGE_TYPE_ALL, NULL, &Length, *Candidates))) {
    Length = 0;     // a failing second call leaves no candidates
  }

  // The count of candidates is kept to 16 bits, as the slot numbers are.
  *Count = (UINT16)(Length / sizeof (EFI_HII_HANDLE));
  return EFI_SUCCESS;
}

// Every package list of the database, in a pool array (null and 0 when none or on failure).
static VOID
ListAllPackageLists (
  OUT EFI_HII_HANDLE  **Handles,
  OUT UINTN           *Count
  )
{
  UINTN  Length = 0;

  *Handles = NULL;
  *Count   = 0;
  if ((gHiiDatabase == NULL) ||
      (gHiiDatabase->ListPackageLists (gHiiDatabase, EFI_HII_PACKAGE_TYPE_ALL, NULL, &Length, NULL) != EFI_BUFFER_TOO_SMALL) ||
      ((*Handles = (EFI_HII_HANDLE *)AllocateZeroPool (Length)) == NULL))
  {
    return;
  }

  if (EFI_ERROR (gHiiDatabase->ListPackageLists (gHiiDatabase, EFI_HII_PACKAGE_TYPE_ALL, NULL, &Length, *Handles))) {
    Length = 0;
  }

  *Count = Length / sizeof (EFI_HII_HANDLE);
}

static BOOLEAN
IsLoadedPackageList (
  IN EFI_HII_HANDLE  Handle
  )
{
  for (UINTN Slot = 0; Slot + 1 < gDynamicPageSlotCount; Slot++) {
    if (gDynamicPageTable[Slot].HiiHandle == Handle) {
      return TRUE;
    }
  }

  return FALSE;
}

// Adds a handle to the lists SendForm shows, so its form set is taken whatever its class.
static EFI_STATUS
NameForSendForm (
  IN EFI_HII_HANDLE  Handle
  )
{
  EFI_HII_HANDLE  *Grown;

  Grown = (EFI_HII_HANDLE *)ReallocatePool (gSendFormHandleCount * sizeof (EFI_HII_HANDLE),
                                            (gSendFormHandleCount + 1) * sizeof (EFI_HII_HANDLE), gSendFormHandles);
  if (Grown == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  Grown[gSendFormHandleCount++] = Handle;
  gSendFormHandles              = Grown;
  return EFI_SUCCESS;
}

EFI_STATUS
LoadFormSetForGoto (
  IN CONST EFI_GUID  *FormSet
  )
{
  EFI_HII_HANDLE  *Handles;
  UINTN           Count;
  EFI_STATUS      Status = EFI_NOT_FOUND;

  // Outside SendForm every form set setup shows is loaded already.
  if ((FormSet == NULL) || (gSendFormHandles == NULL) || (gDynamicPageTable == NULL)) {
    return EFI_NOT_FOUND;
  }

  ListAllPackageLists (&Handles, &Count);
  for (UINTN Index = 0; (Index < Count) && (Status == EFI_NOT_FOUND); Index++) {
    UINT64               Size = 0;
    DYNAMIC_PAGE_RECORD  Probe;

    if (IsLoadedPackageList (Handles[Index])) {
      continue;
    }

    ZeroMem (&Probe, sizeof (Probe));
    Probe.Package = GetFormSetPackage (Handles[Index], &Size);
    if ((Probe.Package == NULL) || !SlotHasFormSet (&Probe, FormSet)) {
      FreePool (Probe.Package);
      continue;
    }

    Status = NameForSendForm (Handles[Index]);
    if (EFI_ERROR (Status)) {
      FreePool (Probe.Package);
      break;
    }

    Status = AddDynamicFormSet (Handles[Index], Probe.Package);
    if (!EFI_ERROR (Status)) {
      Status = RefreshDynamicPages ();
    }

    if (!EFI_ERROR (Status)) {
      OpenFormCallbacks (Handles[Index]);
    }
  }

  FreePool (Handles);
  return Status;
}

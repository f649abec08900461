/** @file
  Form sets that come and go while setup runs: the queued package notifications
  are collapsed to what still matters, then each adds, removes or parses again a
  form set, and the working tables are rebuilt around the change.
**/
#include <engine/browser/DynamicPages.h>
#include <engine/core/EngineGlobals.h>
#include <engine/forms/FormParser.h>
#include <engine/forms/FormTables.h>
#include <engine/browser/PackageNotify.h>
#include <engine/core/SetupData.h>
#include <engine/variables/VariableCache.h>
#include <engine/core/FrontEnd.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>

// Slot marks of "DynamicPageCount": counted now, or counted until its removal.
#define SLOT_COUNTED          1
#define SLOT_COUNTED_REMOVED  2

static BOOLEAN  mVariablesAddedDuringRebuild = FALSE;

static DYNAMIC_PAGE_RECORD *
FindSlotByHandle (
  IN EFI_HII_HANDLE  Handle
  )
{
  for (UINTN Slot = 0; (gDynamicPageTable != NULL) && (Slot + 1 < gDynamicPageSlotCount); Slot++) {
    if (gDynamicPageTable[Slot].HiiHandle == Handle) {
      return &gDynamicPageTable[Slot];
    }
  }

  return NULL;
}

static VOID
CountFormSet (
  IN OUT DYNAMIC_PAGE_RECORD  *Slot,
  IN     BOOLEAN              Add
  )
{
  if (Add && (Slot->Counted != SLOT_COUNTED)) {
    gDynamicPageCount++;
    Slot->Counted = SLOT_COUNTED;
  } else if (!Add && (Slot->Counted == SLOT_COUNTED) && (gDynamicPageCount > 0)) {
    gDynamicPageCount--;
    Slot->Counted = SLOT_COUNTED_REMOVED;
  } else {
    return;
  }

  WriteDynamicPageCount ();
}

EFI_STATUS
ReparseFormSet (
  IN OUT DYNAMIC_PAGE_RECORD  *Job
  )
{
  UINT32      Variables;
  EFI_STATUS  Status;
  EFI_STATUS  Resized;
  EFI_STATUS  Rebuilt;

  PrepareFormSetParse ();
  Variables               = GetWorkVariableCount ();
  gRebuildingDynamicPages = TRUE;
  Status                  = ParseFormSetForms (Job);
  gRebuildingDynamicPages = FALSE;
  mVariablesAddedDuringRebuild = mVariablesAddedDuringRebuild || (GetWorkVariableCount () != Variables);
  (VOID)RebuildFormSetGuidList ();     // on failure the work tables still answer
  // Both run even after a failure so that the tables stay as complete as memory allows;
  // a form set whose variables or pages did not make it in is not counted as shown.
  Resized = ResizeVariableTables ();
  Rebuilt = RebuildPageData ();
  if (gFrontEnd.PagesRebuilt != NULL) {
    gFrontEnd.PagesRebuilt (gPageList, GetPageCount ());
  }
  if (!EFI_ERROR (Status)) {
    Status = EFI_ERROR (Resized) ? Resized : Rebuilt;
  }

  return Status;
}

/** The front end builds its pages of a form set that came while setup runs. */
static VOID
BuildFrontEndPages (
  IN EFI_HII_HANDLE  Handle
  )
{
  for (UINT32 Page = 1; (gFrontEnd.PagesAdded != NULL) && (Page < GetPageCount ()) && (Page < 0xFFFF); Page++) {
    PAGE_RECORD  *Record;

    if (!EFI_ERROR (GetPageData (Page, &Record)) && (Record->HiiHandle == Handle)) {
      gFrontEnd.PagesAdded ((UINT16)Page, (UINT16)(Page + 1));
    }
  }
}

/** Takes the package as the slot's own copy, with its class and subclass. */
static VOID
GiveSlotPackage (
  IN OUT DYNAMIC_PAGE_RECORD  *Slot,
  IN     UINT8                *Package
  )
{
  if ((Slot->Package != NULL) && (Slot->ExportSize != 0)) {
    FreePool (Slot->Package);
  }

  Slot->Package    = Package;
  Slot->ExportSize = ReadUnaligned24 (Package);     // owned: freed with the table
  Slot->Parsed     = 0;
  GetFormSetClass (Package, &Slot->Class, &Slot->SubClass);
}

/** A new slot just before the extra slot; null when the tables cannot grow. */
static DYNAMIC_PAGE_RECORD *
InsertSlot (
  IN EFI_HII_HANDLE  Handle
  )
{
  UINTN                Count = gDynamicPageSlotCount;
  DYNAMIC_PAGE_RECORD  *Table;
  EFI_HII_HANDLE       *Handles;

  Table = (DYNAMIC_PAGE_RECORD *)ReallocatePool (Count * sizeof (*Table), (Count + 1) * sizeof (*Table), gDynamicPageTable);
  if (Table == NULL) {
    return NULL;
  }

  gDynamicPageTable = Table;
  Handles = (EFI_HII_HANDLE *)ReallocatePool (Count * sizeof (*Handles), (Count + 1) * sizeof (*Handles), gHiiHandleList);
  if (Handles == NULL) {
    return NULL;
  }

  gHiiHandleList       = Handles;
  Table[Count]         = Table[Count - 1];
  Handles[Count]       = Handles[Count - 1];
  ZeroMem (&Table[Count - 1], sizeof (*Table));
  Table[Count - 1].HiiHandle = Handle;
  Handles[Count - 1]   = Handle;
  gDynamicPageSlotCount = Count + 1;
  return &Table[Count - 1];
}

EFI_STATUS
AddDynamicFormSet (
  IN EFI_HII_HANDLE  Handle,
  IN UINT8           *Package OPTIONAL
  )
{
  DYNAMIC_PAGE_RECORD  *Slot;
  UINT64               Size = 0;
  EFI_STATUS           Status;

  if ((gDynamicPageTable == NULL) || (gDynamicPageSlotCount == 0)) {
    FreePool (Package);
    return EFI_NOT_READY;
  }

  Package = (Package != NULL) ? Package : GetFormSetPackage (Handle, &Size);
  if (Package == NULL) {
    return EFI_SUCCESS;     // the list holds no form set
  }

  // A package list removed earlier comes back into its own slot.
  Slot = FindSlotByHandle (Handle);
  Slot = (Slot != NULL) ? Slot : InsertSlot (Handle);
  if (Slot == NULL) {
    FreePool (Package);
    return EFI_OUT_OF_RESOURCES;
  }

  GiveSlotPackage (Slot, Package);
  mVariablesAddedDuringRebuild = TRUE;
  Status = ReparseFormSet (Slot);
  if (Status == EFI_SUCCESS) {
    CountFormSet (Slot, TRUE);
    BuildFrontEndPages (Handle);
  }

  // A form set the parser refuses shows no pages, which is no failure of the caller's;
  // running out of memory is.
  return (Status == EFI_OUT_OF_RESOURCES) ? Status : EFI_SUCCESS;
}

/** Frees the form set's controls and marks its pages pending; FALSE when no page has the handle. */
static BOOLEAN
ReleaseFormSetPages (
  IN EFI_HII_HANDLE  Handle
  )
{
  BOOLEAN  Found = FALSE;

  for (UINT32 Page = 1; Page < GetWorkPageCount (); Page++) {
    PAGE_RECORD  *Record = GetWorkPage (Page);

    if ((Record == NULL) || (Record->HiiHandle != Handle)) {
      continue;
    }

    for (UINT32 N = 0; N < Record->ControlCount; N++) {
      CONTROL_RECORD  *Control = GetWorkPageControl (Record, N);

      if ((Control != NULL) && (Control->HiiHandle != NULL)) {
        CloseControlRefreshEvent (Control);
        // A record that cannot be listed for reuse stays where it is, marked free.
        (VOID)ReleaseControlRecord ((UINT32)((UINT8 *)Control - gWorkControlData.Bytes),
                ControlRecordSize (Control->ValueWidth, Control->DefaultCount));
        Control->HiiHandle       = NULL;
        Control->QuestionOpcode  = 0;     // the package copy goes with the form set
        Control->ConditionOpcode = 0;
      }
    }

    if (gFrontEnd.PageRemoved != NULL) {
      gFrontEnd.PageRemoved ((UINT16)Page);
    }
    Record->HiiHandle = PAGE_REPARSE_PENDING;
    Found             = TRUE;
  }

  return Found;
}

EFI_STATUS
RemoveDynamicFormSet (
  IN EFI_HII_HANDLE  Handle
  )
{
  DYNAMIC_PAGE_RECORD  *Slot = FindSlotByHandle (Handle);

  if (Slot == NULL) {
    return EFI_NOT_FOUND;
  }

  PrepareFormSetParse ();
  (VOID)ReleaseFormSetPages (Handle);     // a list with no pages has none to release
  CountFormSet (Slot, FALSE);
  if (Slot->ExportSize != 0) {
    FreeAndNull (Slot->Package);
  }

  Slot->Package    = NULL;
  Slot->ExportSize = 0;
  Slot->Class      = 0;
  Slot->Parsed     = 0;
  return RebuildPageData ();
}

static VOID
ReleasePendingPages (
  VOID
  )
{
  for (UINT32 Page = 1; Page < GetWorkPageCount (); Page++) {
    PAGE_RECORD  *Record = GetWorkPage (Page);

    if ((Record != NULL) && (Record->HiiHandle == PAGE_REPARSE_PENDING)) {
      Record->HiiHandle = NULL;
    }
  }
}

EFI_STATUS
RefreshDynamicPages (
  VOID
  )
{
  if (gDynamicPageTable == NULL) {
    return EFI_UNSUPPORTED;
  }

  if (mVariablesAddedDuringRebuild) {
    (VOID)GrowVariableCaches (GetWorkVariableCount ());     // a cache that cannot grow keeps serving its variables
    mVariablesAddedDuringRebuild = FALSE;
  }

  // Only a change rebuilds the working tables: readers may hold records of them.
  for (UINT32 Page = 1; Page < GetWorkPageCount (); Page++) {
    PAGE_RECORD  *Record = GetWorkPage (Page);

    if ((Record != NULL) && (Record->HiiHandle == PAGE_REPARSE_PENDING)) {
      PrepareFormSetParse ();
      ReleasePendingPages ();
      return RebuildPageData ();
    }
  }

  return EFI_SUCCESS;
}

//
// The queue.
//
static BOOLEAN
IsKnownHandle (
  IN EFI_HII_HANDLE  Handle
  )
{
  return FindSlotByHandle (Handle) != NULL;
}

/** Drops every node of the handle older than Node (and of the type, unless AnyType). */
static VOID
DropOlder (
  IN PACKAGE_NOTIFY_NODE  *Node,
  IN BOOLEAN              AnyType
  )
{
  PACKAGE_NOTIFY_NODE  *Other = Node->Previous;

  while (Other != NULL) {
    PACKAGE_NOTIFY_NODE  *Previous = Other->Previous;

    if ((Other->HiiHandle == Node->HiiHandle) && (AnyType || (Other->NotifyType == Node->NotifyType))) {
      RemovePendingPackageNotify (Other);
    }

    Other = Previous;
  }
}

static PACKAGE_NOTIFY_NODE *
FindOlder (
  IN PACKAGE_NOTIFY_NODE           *Node,
  IN EFI_HII_DATABASE_NOTIFY_TYPE  Type
  )
{
  for (PACKAGE_NOTIFY_NODE *Other = Node->Previous; Other != NULL; Other = Other->Previous) {
    if ((Other->HiiHandle == Node->HiiHandle) && (Other->NotifyType == Type)) {
      return Other;
    }
  }

  return NULL;
}

/** Every node of the handle, newer ones included; the walk then starts again. */
static VOID
DropHandle (
  IN EFI_HII_HANDLE  Handle
  )
{
  PACKAGE_NOTIFY_NODE  *Node = gPendingPackageNotify->Last;

  while (Node != NULL) {
    PACKAGE_NOTIFY_NODE  *Previous = Node->Previous;

    if (Node->HiiHandle == Handle) {
      RemovePendingPackageNotify (Node);
    }

    Node = Previous;
  }
}

static VOID
CollapseDuplicates (
  VOID
  )
{
  for (PACKAGE_NOTIFY_NODE *Node = gPendingPackageNotify->Last; Node != NULL; Node = Node->Previous) {
    if ((Node->NotifyType == EFI_HII_DATABASE_NOTIFY_REMOVE_PACK) || (Node->NotifyType == EFI_HII_DATABASE_NOTIFY_ADD_PACK)) {
      DropOlder (Node, FALSE);
    }
  }
}

/** One step of the second walk; the node to go on from (older), or the newest to start again. */
static PACKAGE_NOTIFY_NODE *
CollapseNode (
  IN PACKAGE_NOTIFY_NODE  *Node
  )
{
  PACKAGE_NOTIFY_NODE  *Previous = Node->Previous;
  PACKAGE_NOTIFY_NODE  *Remove;

  if (Node->NotifyType == EFI_HII_DATABASE_NOTIFY_NEW_PACK) {
    return Previous;
  }

  // A list published and removed again before setup saw it leaves nothing to do,
  // whether setup knew its handle or not.
  if ((Node->NotifyType == EFI_HII_DATABASE_NOTIFY_REMOVE_PACK) && (FindOlder (Node, EFI_HII_DATABASE_NOTIFY_NEW_PACK) != NULL)) {
    DropHandle (Node->HiiHandle);
    return gPendingPackageNotify->Last;
  }

  if (!IsKnownHandle (Node->HiiHandle)) {
    RemovePendingPackageNotify (Node);
    return Previous;
  }

  if (Node->NotifyType == EFI_HII_DATABASE_NOTIFY_REMOVE_PACK) {
    DropOlder (Node, TRUE);
    return Node->Previous;
  }

  // ADD_PACK: a removal before it stays, and so does what lies between.
  Remove = FindOlder (Node, EFI_HII_DATABASE_NOTIFY_REMOVE_PACK);
  return (Remove != NULL) ? Remove->Previous : Previous;
}

static VOID
RunNotification (
  IN OUT PACKAGE_NOTIFY_NODE  *Node
  )
{
  DYNAMIC_PAGE_RECORD  *Slot;
  UINT8                *Package = Node->Package;

  Node->Package = NULL;     // handed on with the work
  if (Node->NotifyType == EFI_HII_DATABASE_NOTIFY_REMOVE_PACK) {
    (VOID)RemoveDynamicFormSet (Node->HiiHandle);     // an unknown list has nothing to remove
    return;
  }

  Slot = FindSlotByHandle (Node->HiiHandle);
  if ((Node->NotifyType == EFI_HII_DATABASE_NOTIFY_NEW_PACK) || (Slot == NULL) || (Package == NULL)) {
    (VOID)AddDynamicFormSet (Node->HiiHandle, Package);     // a form set that fails shows no pages
    return;
  }

  PrepareFormSetParse ();
  (VOID)ReleaseFormSetPages (Node->HiiHandle);     // a list with no pages has none to release
  GiveSlotPackage (Slot, Package);
  if (ReparseFormSet (Slot) == EFI_SUCCESS) {
    CountFormSet (Slot, TRUE);
    BuildFrontEndPages (Node->HiiHandle);
  } else {
    CountFormSet (Slot, FALSE);
  }
}

EFI_STATUS
ProcessPackageNotifications (
  VOID
  )
{
  PACKAGE_NOTIFY_NODE  *Node;

  if (!gPackageNotifyPending || (gPendingPackageNotify == NULL)) {
    return EFI_SUCCESS;
  }

  gPackageNotifyPending = FALSE;
  CollapseDuplicates ();
  for (Node = gPendingPackageNotify->Last; Node != NULL;) {
    Node = CollapseNode (Node);
  }

  while (gPendingPackageNotify->First != NULL) {
    RunNotification (gPendingPackageNotify->First);
    RemovePendingPackageNotify (gPendingPackageNotify->First);
  }

  return RefreshDynamicPages ();
}

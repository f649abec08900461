/** @file
  The dynamic-page build: the HII handle list with one slot per live form set and
  an extra slot for compiled pages that match none, the parse of every form set that
  no compiled page stands for, and the package notifications that start a rebuild.
**/
#include <engine/browser/DynamicPages.h>
#include <engine/browser/DynamicPagesInternal.h>
#include <engine/core/EngineGlobals.h>
#include <engine/forms/FormParser.h>
#include <engine/forms/FormTables.h>
#include <engine/forms/IfrOpcode.h>
#include <engine/browser/PackageNotify.h>
#include <engine/core/SetupData.h>
#include <engine/variables/VariableCache.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>

UINT64               gDynamicPageCount      = 0;

static CONST EFI_GUID  mDynamicPageCountGuid = DYNAMIC_PAGE_COUNT_VARIABLE_GUID;
static EFI_HANDLE  mNotifyHandles[3] = { NULL, NULL, NULL };

EFI_STATUS
BuildHiiHandleList (
  VOID
  )
{
  EFI_HII_HANDLE  *Candidates;
  UINTN           Count;
  UINTN           Kept = 0;
  EFI_STATUS      Status;

  if ((gHiiDatabase == NULL) &&
      EFI_ERROR (Status = gBS->LocateProtocol (&gEfiHiiDatabaseProtocolGuid, NULL, (VOID **)&gHiiDatabase)))
  {
    return Status;
  }

  Status = ListCandidates (&Candidates, &Count);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  FreeAndNull (gHiiHandleList);
  gHiiHandleList = (EFI_HII_HANDLE *)AllocateZeroPool ((Count + 1) * sizeof (EFI_HII_HANDLE));
  for (UINTN Index = 0; (gHiiHandleList != NULL) && (Index < Count); Index++) {
    UINT64  Size  = 0;
    UINT8   *Copy = GetFormSetPackage (Candidates[Index], &Size);

    if (Copy != NULL) {
      gHiiHandleList[Kept++] = Candidates[Index];
      FreePool (Copy);
    }
  }

  if ((Candidates != NULL) && (Candidates != gSendFormHandles)) {
    FreePool (Candidates);
  }

  gDynamicPageSlotCount = Kept + 1;
  return (gHiiHandleList == NULL) ? EFI_OUT_OF_RESOURCES : EFI_SUCCESS;
}

static EFI_STATUS
FillDynamicPageTable (
  VOID
  )
{
  gDynamicPageTable = (DYNAMIC_PAGE_RECORD *)AllocateZeroPool (gDynamicPageSlotCount * sizeof (DYNAMIC_PAGE_RECORD));
  if (gDynamicPageTable == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  for (UINTN Slot = 0; Slot + 1 < gDynamicPageSlotCount; Slot++) {
    DYNAMIC_PAGE_RECORD  *Record = &gDynamicPageTable[Slot];

    Record->Package = GetFormSetPackage (gHiiHandleList[Slot], &Record->ExportSize);
    if (Record->Package == NULL) {
      Record->ExportSize = 0;     // nothing of its own to free
      continue;
    }

    Record->HiiHandle = gHiiHandleList[Slot];
    GetFormSetClass (Record->Package, &Record->Class, &Record->SubClass);
  }

  return EFI_SUCCESS;
}

/** Parses every live slot that no compiled page stands for; the number parsed. */
static UINT64
ParseUnboundSlots (
  VOID
  )
{
  UINT64  Count = 0;

  for (UINTN Slot = 0; Slot + 1 < gDynamicPageSlotCount; Slot++) {
    DYNAMIC_PAGE_RECORD  *Record = &gDynamicPageTable[Slot];

    if (Record->Parsed || (Record->Package == NULL)) {
      continue;
    }

    // Skipped, aborted (driver health) and failed form sets are not counted.
    if (ParseFormSetForms (Record) == EFI_SUCCESS) {
      Record->Counted = 1;
      Count++;
    }
  }

  return Count;
}

VOID
WriteDynamicPageCount (
  VOID
  )
{
  // The count is informational for the platform; a failed write changes nothing here.
  if ((gRT != NULL) && (gRT->SetVariable != NULL)) {
    (VOID)gRT->SetVariable ((CHAR16 *)u"DynamicPageCount", (EFI_GUID *)&mDynamicPageCountGuid, EFI_VARIABLE_BOOTSERVICE_ACCESS,
            sizeof (gDynamicPageCount), &gDynamicPageCount);
  }

  // Without a cache there is nothing to re-read; the first load reads it.
  if (gVariableCache != NULL) {
    RefreshVariableCache (SETUP_VARIABLE_INDEX_DYNAMIC_PAGE_COUNT);
  }
}

static EFI_STATUS
RegisterPackageNotifications (
  VOID
  )
{
  static CONST EFI_HII_DATABASE_NOTIFY_TYPE  Types[3] = {
    EFI_HII_DATABASE_NOTIFY_NEW_PACK, EFI_HII_DATABASE_NOTIFY_REMOVE_PACK, EFI_HII_DATABASE_NOTIFY_ADD_PACK
  };
  EFI_STATUS  Status;

  for (UINTN Index = 0; Index < 3; Index++) {
    if (mNotifyHandles[Index] != NULL) {
      continue;     // registered by an earlier build that was not torn down
    }

    Status = gHiiDatabase->RegisterPackageNotify (gHiiDatabase, EFI_HII_PACKAGE_FORMS, NULL, OnHiiPackageNotify, Types[Index],
                             &mNotifyHandles[Index]);
    if (EFI_ERROR (Status)) {
      return Status;
    }
  }

  return EFI_SUCCESS;
}

static EFI_STATUS
BindPagesAndParse (
  VOID
  )
{
  EFI_STATUS  Status;

  Status = FillDynamicPageTable ();
  if (!EFI_ERROR (Status)) {
    Status = AllocateLinkBlocks ();
  }

  if (EFI_ERROR (Status)) {
    return Status;
  }

  BindFirstPageLinks ();
  CopyCompiledTables ();
  for (UINTN Page = 0; Page < CompiledPageCount (); Page++) {
    Status = BindCompiledPage (Page);
    if (EFI_ERROR (Status)) {
      return Status;
    }
  }

  gDynamicPageCount = ParseUnboundSlots ();
  WriteDynamicPageCount ();
  return EFI_SUCCESS;
}

EFI_STATUS
BuildDynamicPages (
  VOID
  )
{
  EFI_STATUS  Status;
  EFI_STATUS  Rebuilt;

  if ((gWorkPageList.Used != 0) || (gLinkPageRecord != NULL) || (gWorkPageData.Used != 0) || (gDynamicPageTable != NULL)) {
    FreeDynamicPageTable ();
  }

  if ((gHiiDatabase == NULL) &&
      EFI_ERROR (Status = gBS->LocateProtocol (&gEfiHiiDatabaseProtocolGuid, NULL, (VOID **)&gHiiDatabase)))
  {
    return Status;
  }

  if ((gCompiledSetupData == NULL) || (gCompiledControlData == NULL)) {
    return EFI_NOT_READY;
  }

  Status = RegisterPackageNotifications ();
  if (!EFI_ERROR (Status)) {
    Status = BuildHiiHandleList ();
  }

  if (!EFI_ERROR (Status)) {
    Status = BindPagesAndParse ();
  }

  if (EFI_ERROR (Status)) {
    return Status;
  }

  (VOID)RebuildFormSetGuidList ();     // on failure the work tables still answer
  // Variables the parse added that the caches cannot take are a failure as much as pages.
  Status  = ResizeVariableTables ();
  Rebuilt = RebuildPageData ();
  return EFI_ERROR (Status) ? Status : Rebuilt;
}

VOID
UnregisterPackageNotifications (
  VOID
  )
{
  for (UINTN Index = 0; Index < 3; Index++) {
    if ((mNotifyHandles[Index] != NULL) && (gHiiDatabase != NULL)) {
      (VOID)gHiiDatabase->UnregisterPackageNotify (gHiiDatabase, mNotifyHandles[Index]);     // nothing to do on failure
    }

    mNotifyHandles[Index] = NULL;
  }
}

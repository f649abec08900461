/** @file
  The rebuilt working tables: the form-set table, the variable list and the page
  records with their list become single blocks laid out as the compiled ones, so
  every reader goes through the same accessors; REF targets are resolved once the
  pages are in place. The teardown puts the compiled tables back.
**/
#include <engine/browser/DynamicPages.h>
#include <engine/browser/DynamicPagesInternal.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/EngineStrings.h>
#include <engine/forms/FormParser.h>
#include <engine/forms/FormTables.h>
#include <engine/forms/IfrOpcode.h>
#include <engine/browser/PackageNotify.h>
#include <engine/core/SetupData.h>
#include <engine/variables/VariableCache.h>

#include <Protocol/DevicePath.h>
#include <Protocol/DevicePathToText.h>
#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>

#define REF3_LENGTH           33
#define REF3_FORM_SET_AT      17
#define REF4_LENGTH           35
#define REF4_DEVICE_PATH_AT   33

// Located at the first REF4 that names a device path, forgotten with the tables.
static EFI_DEVICE_PATH_TO_TEXT_PROTOCOL  *mPathToText = NULL;

static UINT8  *mRebuiltPages     = NULL;
static UINT8  *mRebuiltVariables = NULL;
static UINT8  *mRebuiltFormSets  = NULL;

// What the rebuilt page block holds: the link page's bytes and the page data's.
static UINTN   mRebuiltLinkUsed  = 0;
static UINT32  mRebuiltPageData  = 0;

VOID  FreeFirstPageBindings (VOID);
VOID  UnregisterPackageNotifications (VOID);

static UINT32
Align8 (
  IN UINT64  Size
  )
{
  return (UINT32)((Size + 7) & ~7ull);
}

/**
  A block laid out as a compiled list: a u32 count, count u32 offsets from the
  block's start, then Count records of RecordSize bytes copied from Records.
**/
static UINT8 *
BuildListBlock (
  IN CONST UINT8  *Records,
  IN UINT32       Count,
  IN UINT32       RecordSize
  )
{
  UINT32  Head  = Align8 (4 + 4ull * Count);
  UINT8   *Block = (UINT8 *)AllocateZeroPool (Head + (UINTN)Count * RecordSize + 8);

  if (Block == NULL) {
    return NULL;
  }

  WriteUnaligned32 ((UINT32 *)Block, Count);
  for (UINT32 Index = 0; Index < Count; Index++) {
    WriteUnaligned32 ((UINT32 *)(Block + 4 + 4 * Index), Head + Index * RecordSize);
  }

  if (Count != 0) {
    CopyMem (Block + Head, Records, (UINTN)Count * RecordSize);
  }

  return Block;
}

EFI_STATUS
RebuildFormSetGuidList (
  VOID
  )
{
  UINT8  *Block = BuildListBlock (gWorkFormSets.Bytes, GetWorkFormSetCount (), sizeof (FORM_SET_ENTRY));

  if (Block == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  FreeAndNull (mRebuiltFormSets);
  mRebuiltFormSets  = Block;
  gFormSetGuidTable = Block;
  gFormSetEntries   = (GetWorkFormSetCount () == 0) ? NULL : (FORM_SET_ENTRY *)(Block + ReadUnaligned32 (Block + 4));
  return EFI_SUCCESS;
}

EFI_STATUS
ResizeVariableTables (
  VOID
  )
{
  UINT32      Count = GetWorkVariableCount ();
  UINT8       *Block;
  EFI_STATUS  Status;

  Block = BuildListBlock (gWorkVariables.Bytes, Count, sizeof (VARIABLE_RECORD));
  if (Block == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  FreeAndNull (mRebuiltVariables);
  mRebuiltVariables = Block;
  gVariableList     = Block;
  // The new entries are read from their stores, so the list must name them first.
  Status = GrowVariableCaches (Count);
  return Status;
}

static BOOLEAN
PageShowsFormSetForm (
  IN  UINT32          Index,
  IN  CONST EFI_GUID  *Guid,
  IN  UINT16          FormId,
  OUT PAGE_RECORD     **Record
  )
{
  return (BOOLEAN)(!EFI_ERROR (GetPageData (Index, Record)) && ((FormId == 0) || ((*Record)->FormId == FormId)) &&
                   (gFormSetEntries != NULL) && ((*Record)->FormSetIndex < ReadUnaligned32 (gFormSetGuidTable)) &&
                   CompareGuid (&gFormSetEntries[(*Record)->FormSetIndex].FormSetGuid, Guid));
}

/**
  The page of the first form of the package list that page Index shows, from Index on;
  Index itself when that form has no page. A goto's form id 0 names the form set's first
  form, as firmware browsers take it: the first in the package, not the first page, since
  a form its driver changed comes back as a page at the end of the list.
**/
static UINT16
FirstFormPage (
  IN UINT32  Index
  )
{
  PAGE_RECORD  *Record;
  PAGE_RECORD  *Other;
  UINT16       First;

  if (EFI_ERROR (GetPageData (Index, &Record))) {
    return (UINT16)Index;
  }

  First = FirstFormOfList (Record->HiiHandle);
  for (UINT32 Page = Index; (First != 0) && (Page < GetPageCount ()); Page++) {
    if (!EFI_ERROR (GetPageData (Page, &Other)) && (Other->HiiHandle == Record->HiiHandle) &&
        (Other->FormSetIndex == Record->FormSetIndex) && (Other->FormId == First))
    {
      return (UINT16)Page;
    }
  }

  return (UINT16)Index;
}

EFI_STATUS
FindPageByFormSetForm (
  IN  CONST EFI_GUID  *Guid,
  IN  UINT16          FormId,
  OUT UINT16          *Page
  )
{
  PAGE_RECORD  *Record;

  for (UINT32 Index = 0; Index < GetPageCount (); Index++) {
    if (!PageShowsFormSetForm (Index, Guid, FormId, &Record)) {
      continue;
    }

    *Page = (FormId != 0) ? (UINT16)Index : FirstFormPage (Index);
    return EFI_SUCCESS;
  }

  return EFI_INVALID_PARAMETER;
}

EFI_STATUS
GetPackageListDevicePath (
  IN  EFI_HII_HANDLE            Handle,
  OUT EFI_DEVICE_PATH_PROTOCOL  **Path
  )
{
  EFI_HANDLE  Driver = NULL;
  EFI_STATUS  Status;

  *Path = NULL;
  if (gHiiDatabase == NULL) {
    return EFI_NOT_READY;
  }

  Status = gHiiDatabase->GetPackageListHandle (gHiiDatabase, Handle, &Driver);
  return EFI_ERROR (Status) ? Status : gBS->HandleProtocol (Driver, &gEfiDevicePathProtocolGuid, (VOID **)Path);
}

EFI_STATUS
DevicePathToTextCached (
  IN  CONST EFI_DEVICE_PATH_PROTOCOL  *Path,
  OUT CHAR16                          **Text
  )
{
  *Text = NULL;
  if ((mPathToText == NULL) &&
      EFI_ERROR (gBS->LocateProtocol (&gEfiDevicePathToTextProtocolGuid, NULL, (VOID **)&mPathToText)))
  {
    mPathToText = NULL;
    return EFI_UNSUPPORTED;
  }

  *Text = mPathToText->ConvertDevicePathToText (Path, FALSE, FALSE);
  return (*Text == NULL) ? EFI_NOT_FOUND : EFI_SUCCESS;
}

/** Whether the driver that published the package list has the device path of text Wanted. */
static BOOLEAN
PublishedFrom (
  IN EFI_HII_HANDLE  Handle,
  IN CONST CHAR16    *Wanted
  )
{
  EFI_DEVICE_PATH_PROTOCOL  *Path;
  CHAR16                    *Text;
  BOOLEAN                   Same;

  if (EFI_ERROR (GetPackageListDevicePath (Handle, &Path)) || EFI_ERROR (DevicePathToTextCached (Path, &Text))) {
    return FALSE;
  }

  Same = (BOOLEAN)(StrCmp (Text, Wanted) == 0);
  FreePool (Text);
  return Same;
}

/** The first page of the form whose package list a driver of that device path published. */
static EFI_STATUS
FindPageByDevicePath (
  IN  CONST CHAR16    *Wanted,
  IN  CONST EFI_GUID  *FormSet,
  IN  UINT16          FormId,
  OUT UINT16          *Page
  )
{
  // Form id 0 names the form set's first form; a zero GUID any form set of that driver.
  for (UINT32 Index = 1; Index < GetPageCount (); Index++) {
    PAGE_RECORD  *Record;

    if (EFI_ERROR (GetPageData (Index, &Record)) || ((FormId != 0) && (Record->FormId != FormId)) ||
        (Record->HiiHandle == NULL) || (Record->HiiHandle == PAGE_REPARSE_PENDING))
    {
      continue;
    }

    if (!IsZeroGuid (FormSet) && ((gFormSetEntries == NULL) || (Record->FormSetIndex >= ReadUnaligned32 (gFormSetGuidTable)) ||
                                  !CompareGuid (&gFormSetEntries[Record->FormSetIndex].FormSetGuid, FormSet)))
    {
      continue;
    }

    if (PublishedFrom (Record->HiiHandle, Wanted)) {
      *Page = (FormId != 0) ? (UINT16)Index : FirstFormPage (Index);
      return EFI_SUCCESS;
    }
  }

  return EFI_NOT_FOUND;
}

EFI_STATUS
ResolveRefTarget (
  IN     UINTN           Page,
  IN OUT CONTROL_RECORD  *Control
  )
{
  CONST UINT8  *Op = (CONST UINT8 *)(UINTN)Control->QuestionOpcode;
  EFI_GUID     FormSet;
  UINT16       Target;
  UINT16       PathId;
  CHAR16       *Wanted;

  (VOID)Page;
  if ((Control->ControlType & CONTROL_TYPE_MASK) != CONTROL_TYPE_REF) {
    return EFI_INVALID_PARAMETER;
  }

  // REF and REF2 keep the target the parser took from the form-id map; a REF3
  // names its form set, which may be another package list's, and a REF4 the
  // device path of the driver that published it.
  if ((Op == NULL) || (Op[0] != EFI_IFR_REF_OP) || (IfrLength (Op) < REF3_LENGTH)) {
    return EFI_SUCCESS;
  }

  CopyMem (&FormSet, Op + REF3_FORM_SET_AT, sizeof (FormSet));
  PathId = (IfrLength (Op) >= REF4_LENGTH) ? (UINT16)IfrField (Op, REF4_DEVICE_PATH_AT, 2) : 0;
  if (PathId != 0) {
    Wanted = HiiGetString (Control->HiiHandle, PathId, NULL);
    if ((Wanted != NULL) &&
        !EFI_ERROR (FindPageByDevicePath (Wanted, &FormSet, (UINT16)IfrField (Op, IFR_REF_FORM_ID_AT, 2), &Target)))
    {
      Control->RefTargetPage = Target;
      FreePool (Wanted);
      return EFI_SUCCESS;
    }

    FreePool (Wanted);     // the form set alone then decides, as it did when the goto loaded it
  }

  if (IsZeroGuid (&FormSet)) {
    return EFI_SUCCESS;
  }

  if (!EFI_ERROR (FindPageByFormSetForm (&FormSet, (UINT16)IfrField (Op, IFR_REF_FORM_ID_AT, 2), &Target))) {
    Control->RefTargetPage = Target;
  }

  return EFI_SUCCESS;
}

BOOLEAN
GotoNamesUnloadedFormSet (
  IN  CONST CONTROL_RECORD  *Control,
  OUT EFI_GUID              *FormSet,
  OUT UINT16                *FormId
  )
{
  CONST UINT8  *Op = (Control == NULL) ? NULL : (CONST UINT8 *)(UINTN)Control->QuestionOpcode;
  UINT16       Page;

  if ((Op == NULL) || ((Control->ControlType & CONTROL_TYPE_MASK) != CONTROL_TYPE_REF) ||
      (Op[0] != EFI_IFR_REF_OP) || (IfrLength (Op) < REF3_LENGTH))
  {
    return FALSE;
  }

  // A REF4 also names the driver by device path; that only tells lists with the same form
  // set apart, so the form set's GUID decides whether any page of it is loaded.
  CopyMem (FormSet, Op + REF3_FORM_SET_AT, sizeof (*FormSet));
  *FormId = (UINT16)IfrField (Op, IFR_REF_FORM_ID_AT, 2);
  return !IsZeroGuid (FormSet) && EFI_ERROR (FindPageByFormSetForm (FormSet, *FormId, &Page));
}

static VOID
ResolveAllRefTargets (
  VOID
  )
{
  for (UINT32 Page = 0; Page < GetPageCount (); Page++) {
    PAGE_RECORD  *Record;

    // A page whose form set went away has no opcodes left to read.
    if (EFI_ERROR (GetPageData (Page, &Record)) || (Record->HiiHandle == PAGE_REPARSE_PENDING)) {
      continue;
    }

    for (UINT32 N = 0; N < Record->ControlCount; N++) {
      CONTROL_RECORD  *Control = GetWorkPageControl (Record, N);

      if ((Control != NULL) && (Control->HiiHandle != NULL) && ((Control->ControlType & CONTROL_TYPE_MASK) == CONTROL_TYPE_REF)) {
        (VOID)ResolveRefTarget (Page, Control);     // an unresolved link keeps its parsed target
      }
    }
  }
}

static UINT32
LinkPageSize (
  VOID
  )
{
  return (gLinkPageRecord == NULL) ? sizeof (PAGE_RECORD) : Align8 (gLinkPageUsed);
}

EFI_STATUS
RebuildPageData (
  VOID
  )
{
  UINT32  Count    = (GetWorkPageCount () == 0) ? 1 : GetWorkPageCount ();
  UINT32  Head     = Align8 (4 + 4ull * Count);
  UINT32  LinkSize = LinkPageSize ();
  UINT8   *Block   = (UINT8 *)AllocateZeroPool ((UINTN)Head + LinkSize + gWorkPageData.Used);

  if (Block == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  WriteUnaligned32 ((UINT32 *)Block, Count);
  WriteUnaligned32 ((UINT32 *)(Block + 4), Head);
  if (gLinkPageRecord != NULL) {
    CopyMem (Block + Head, gLinkPageRecord, gLinkPageUsed);
  }

  for (UINT32 Page = 1; Page < Count; Page++) {
    WriteUnaligned32 ((UINT32 *)(Block + 4 + 4 * Page), Head + LinkSize + ((UINT32 *)gWorkPageList.Bytes)[Page]);
  }

  if (gWorkPageData.Used != 0) {
    CopyMem (Block + Head + LinkSize, gWorkPageData.Bytes, gWorkPageData.Used);
  }

  FreeAndNull (mRebuiltPages);
  mRebuiltPages    = Block;
  mRebuiltLinkUsed = (gLinkPageRecord == NULL) ? 0 : gLinkPageUsed;
  mRebuiltPageData = gWorkPageData.Used;
  gSetupData    = Block;
  gPageList     = Block;
  gControlData  = gWorkControlData.Bytes;
  ResolveAllRefTargets ();
  return EFI_SUCCESS;
}

VOID
PrepareFormSetParse (
  VOID
  )
{
  UINT32  Head;

  // The working tables are copies of the work tables; readers may have changed
  // records in them (marks, handles), so those changes go back first, as far as
  // the work tables have not grown since.
  if ((mRebuiltPages != NULL) && (gSetupData == mRebuiltPages)) {
    Head = ReadUnaligned32 (mRebuiltPages + 4);
    if ((gLinkPageRecord != NULL) && (gLinkPageUsed >= mRebuiltLinkUsed)) {
      CopyMem (gLinkPageRecord, mRebuiltPages + Head, mRebuiltLinkUsed);
      ((PAGE_RECORD *)gLinkPageRecord)->ControlCount = (UINT32)((gLinkPageUsed - sizeof (PAGE_RECORD)) / sizeof (UINT32));
    }

    if ((mRebuiltPageData != 0) && (gWorkPageData.Used >= mRebuiltPageData)) {
      CopyMem (gWorkPageData.Bytes, mRebuiltPages + Head + ((mRebuiltLinkUsed == 0) ? sizeof (PAGE_RECORD) : Align8 (mRebuiltLinkUsed)),
        mRebuiltPageData);
    }
  }

  if ((mRebuiltVariables != NULL) && (gVariableList == mRebuiltVariables)) {
    UINT32  Count = ReadUnaligned32 (mRebuiltVariables);

    Count = (Count < GetWorkVariableCount ()) ? Count : GetWorkVariableCount ();
    if (Count != 0) {
      CopyMem (gWorkVariables.Bytes, mRebuiltVariables + ReadUnaligned32 (mRebuiltVariables + 4),
        (UINTN)Count * sizeof (VARIABLE_RECORD));
    }
  }
}

static VOID
FreeSlotPackages (
  VOID
  )
{
  for (UINTN Slot = 0; (gDynamicPageTable != NULL) && (Slot + 1 < gDynamicPageSlotCount); Slot++) {
    if (gDynamicPageTable[Slot].ExportSize != 0) {
      FreeAndNull (gDynamicPageTable[Slot].Package);
    }
  }

  FreeAndNull (gDynamicPageTable);
  FreeAndNull (gHiiHandleList);
  gDynamicPageSlotCount = 0;
}

VOID
FreeDynamicPageTable (
  VOID
  )
{
  FreeSlotPackages ();
  FreeFirstPageBindings ();
  FreeWorkTables ();
  FreeAndNull (mRebuiltPages);
  mRebuiltLinkUsed = 0;
  mRebuiltPageData = 0;
  FreeAndNull (mRebuiltVariables);
  FreeAndNull (mRebuiltFormSets);
  FreeAndNull (gCompiledPageFormSetGuids);
  gCompiledPageFormSetGuidCount = 0;
  gSetupData        = gCompiledSetupData;
  gPageList         = gCompiledPageList;
  gVariableList     = gCompiledVariableList;
  gFormSetGuidTable = gCompiledFormSetGuidTable;
  gFormSetEntries   = ((gFormSetGuidTable == NULL) || (ReadUnaligned32 (gFormSetGuidTable) == 0)) ? NULL
                      : (FORM_SET_ENTRY *)(gFormSetGuidTable + ReadUnaligned32 (gFormSetGuidTable + 4));
  gControlData      = NULL;
  mPathToText       = NULL;
  UnregisterPackageNotifications ();
  FreePendingPackageNotifications ();
}


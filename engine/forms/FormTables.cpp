/** @file
  The growable work tables of parsed form sets, their limits, and the mark that
  lets a form set that fails half-way leave them as they were.
**/
#include <engine/forms/FormTables.h>
#include <engine/forms/IfrOpcode.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/SetupData.h>
#include <engine/core/BootScreenInterface.h>
#include <Protocol/SimpleTextOut.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>

DYNAMIC_PAGE_RECORD  *gDynamicPageTable     = NULL;
UINTN                gDynamicPageSlotCount  = 0;
EFI_HII_HANDLE       *gHiiHandleList        = NULL;
EFI_HII_HANDLE       *gSendFormHandles      = NULL;
UINTN                gSendFormHandleCount   = 0;

FORMS_NEIGHBOURS  gFormsNeighbours = { NULL, NULL, NULL, NULL };

static CONST EFI_GUID  mExtensionGuid = EFI_IFR_TIANO_GUID;

WORK_TABLE  gWorkControlData = { NULL, 0, 0 };
WORK_TABLE  gWorkPageData    = { NULL, 0, 0 };
WORK_TABLE  gWorkPageList    = { NULL, 0, 0 };
WORK_TABLE  gWorkVariables   = { NULL, 0, 0 };
WORK_TABLE  gWorkFormSets    = { NULL, 0, 0 };

UINT8    *gLinkPageRecord        = NULL;
UINTN    gLinkPageCapacity       = 0;
UINTN    gLinkPageUsed           = 0;
UINT64   gTopLevelLinkCount      = 0;
UINT64   gDynamicFormSetCount    = 0;
BOOLEAN  gRebuildingDynamicPages = FALSE;

//
// Control records released by the removal of a form set: {offset, size} pairs.
//
typedef struct {
  UINT32  Offset;
  UINT32  Size;
} RELEASED_RECORD;

static RELEASED_RECORD  *mReleased        = NULL;
static UINTN            mReleasedCount    = 0;
static UINTN            mReleasedCapacity = 0;

//
// A table at least doubles when it grows, so that filling it copies each byte a
// bounded number of times; Step is the least it grows by, which keeps the first
// allocations of small tables small. Every pointer into a table moves with it: the
// tables are read through offsets, and gControlData is set again after each append.
//
static UINT64
GrownCapacity (
  IN UINT64  Capacity,
  IN UINT64  Needed,
  IN UINT32  Step
  )
{
  UINT64  Grown = Capacity + ((Capacity > Step) ? Capacity : Step);

  return (Grown < Needed) ? Needed + Step : Grown;
}

/** Makes room for Size more bytes; the new room is zeroed and the table is unchanged on failure. */
static EFI_STATUS
ReserveWorkTable (
  IN OUT WORK_TABLE  *Table,
  IN UINT32          Size,
  IN UINT32          Step
  )
{
  UINT64  Needed = (UINT64)Table->Used + Size;
  UINT64  Grown;
  UINT8   *Bytes;

  if (Needed <= Table->Capacity) {
    return EFI_SUCCESS;
  }

  if (Needed > 0xFFFFFFFFull) {
    return EFI_OUT_OF_RESOURCES;
  }

  Grown = GrownCapacity (Table->Capacity, Needed, Step);
  if (Grown > 0xFFFFFFFFull) {
    Grown = 0xFFFFFFFFull;
  }

  // Allocated, copied and zeroed here rather than reallocated: that would zero the
  // whole new table before copying the old one over it.
  Bytes = (UINT8 *)AllocatePool ((UINTN)Grown);
  if (Bytes == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  if (Table->Bytes != NULL) {
    CopyMem (Bytes, Table->Bytes, Table->Capacity);
    FreePool (Table->Bytes);
  }

  SetMem (Bytes + Table->Capacity, (UINTN)(Grown - Table->Capacity), 0);
  Table->Bytes    = Bytes;
  Table->Capacity = (UINT32)Grown;
  return EFI_SUCCESS;
}

static EFI_STATUS
AppendToWorkTable (
  IN OUT WORK_TABLE  *Table,
  IN CONST VOID      *Data,
  IN UINT32          Size,
  IN UINT32          Step
  )
{
  EFI_STATUS  Status = ReserveWorkTable (Table, Size, Step);

  if (!EFI_ERROR (Status)) {
    CopyMem (Table->Bytes + Table->Used, Data, Size);
    Table->Used += Size;
  }

  return Status;
}

UINT32
GetWorkPageCount (
  VOID
  )
{
  return gWorkPageList.Used / sizeof (UINT32);
}

PAGE_RECORD *
GetWorkPage (
  IN UINTN  Page
  )
{
  if ((Page == 0) || (Page >= GetWorkPageCount ())) {
    return (Page == 0) ? (PAGE_RECORD *)gLinkPageRecord : NULL;
  }

  return (PAGE_RECORD *)(gWorkPageData.Bytes + ((UINT32 *)gWorkPageList.Bytes)[Page]);
}

CONTROL_RECORD *
GetWorkPageControl (
  IN CONST PAGE_RECORD  *Page,
  IN UINTN              N
  )
{
  UINT32  Offset;

  if ((Page == NULL) || (N >= Page->ControlCount) || (gWorkControlData.Bytes == NULL)) {
    return NULL;
  }

  CopyMem (&Offset, (CONST UINT8 *)Page + PAGE_RECORD_CONTROL_OFFSETS + 4 * N, sizeof (Offset));
  return (Offset < gWorkControlData.Used) ? (CONTROL_RECORD *)(gWorkControlData.Bytes + Offset) : NULL;
}

UINT32
GetWorkVariableCount (
  VOID
  )
{
  return gWorkVariables.Used / sizeof (VARIABLE_RECORD);
}

VARIABLE_RECORD *
GetWorkVariable (
  IN UINTN  Index
  )
{
  return (Index < GetWorkVariableCount ()) ? (VARIABLE_RECORD *)gWorkVariables.Bytes + Index : NULL;
}

UINT32
GetWorkFormSetCount (
  VOID
  )
{
  return gWorkFormSets.Used / sizeof (FORM_SET_ENTRY);
}

FORM_SET_ENTRY *
GetWorkFormSet (
  IN UINTN  Index
  )
{
  return (Index < GetWorkFormSetCount ()) ? (FORM_SET_ENTRY *)gWorkFormSets.Bytes + Index : NULL;
}

//
// Only records that a removal released are reused, never a record that merely has
// a zero handle: compiled controls may carry 0 there and are still live.
//
static BOOLEAN
ReuseReleasedRecord (
  IN  CONST CONTROL_RECORD  *Record,
  IN  UINT32                Size,
  OUT UINT32                *Offset
  )
{
  for (UINTN Index = 0; gRebuildingDynamicPages && (Index < mReleasedCount); Index++) {
    if (mReleased[Index].Size == Size) {
      *Offset = mReleased[Index].Offset;
      CopyMem (gWorkControlData.Bytes + *Offset, Record, Size);
      mReleased[Index] = mReleased[--mReleasedCount];
      return TRUE;
    }
  }

  return FALSE;
}

EFI_STATUS
AppendControlRecord (
  IN  CONST CONTROL_RECORD  *Record,
  IN  UINT32                Size,
  OUT UINT32                *Offset
  )
{
  UINT32      Padded = (Size + CONTROL_RECORD_ALIGNMENT - 1) & ~(UINT32)(CONTROL_RECORD_ALIGNMENT - 1);
  BOOLEAN     Inside;
  UINTN       From;
  EFI_STATUS  Status;

  if ((Record == NULL) || (Offset == NULL) || (Size < sizeof (CONTROL_RECORD))) {
    return EFI_INVALID_PARAMETER;
  }

  if (ReuseReleasedRecord (Record, Padded, Offset)) {
    return EFI_SUCCESS;
  }

  // A record copied from the table itself moves with it when the table grows.
  Inside = (gWorkControlData.Bytes != NULL) && ((CONST UINT8 *)Record >= gWorkControlData.Bytes) &&
           ((CONST UINT8 *)Record < gWorkControlData.Bytes + gWorkControlData.Capacity);
  From   = Inside ? (UINTN)((CONST UINT8 *)Record - gWorkControlData.Bytes) : 0;

  // Grow while the used size plus the padded record would reach the capacity.
  Status = ReserveWorkTable (&gWorkControlData, Padded + 1, CONTROL_DATA_STEP);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  if (Inside) {
    Record = (CONST CONTROL_RECORD *)(gWorkControlData.Bytes + From);
  }

  *Offset = gWorkControlData.Used;
  CopyMem (gWorkControlData.Bytes + *Offset, Record, Size);
  SetMem (gWorkControlData.Bytes + *Offset + Size, Padded - Size, 0);
  gWorkControlData.Used += Padded;
  gControlData           = gWorkControlData.Bytes;
  return EFI_SUCCESS;
}

EFI_STATUS
ReleaseControlRecord (
  IN UINT32  Offset,
  IN UINT32  Size
  )
{
  if (((UINT64)Offset + Size > gWorkControlData.Used) || (Size < sizeof (CONTROL_RECORD))) {
    return EFI_INVALID_PARAMETER;
  }

  if (!GrowPoolArray (mReleased, mReleasedCount, mReleasedCapacity, 16)) {
    return EFI_OUT_OF_RESOURCES;
  }

  ((CONTROL_RECORD *)(gWorkControlData.Bytes + Offset))->HiiHandle = NULL;
  mReleased[mReleasedCount++] = { Offset, Size };
  return EFI_SUCCESS;
}

EFI_STATUS
AppendPageRecord (
  IN CONST PAGE_RECORD  *Page,
  IN UINT32             Size
  )
{
  UINT32      Step = PAGE_DATA_STEP;
  UINT32      Offset;
  UINT32      Padded;
  EFI_STATUS  Status;

  if ((Page == NULL) || (Size < sizeof (PAGE_RECORD))) {
    return EFI_INVALID_PARAMETER;
  }

  // The list starts with entry 0 kept for the link page.
  if (gWorkPageList.Used == 0) {
    Status = ReserveWorkTable (&gWorkPageList, PAGE_LIST_FIRST, PAGE_LIST_FIRST);
    if (EFI_ERROR (Status)) {
      return Status;
    }

    gWorkPageList.Used = sizeof (UINT32);
  }

  if (Size > PAGE_DATA_STEP) {
    Step = PAGE_DATA_STEP + (Size & ~(UINT32)(PAGE_DATA_STEP - 1));
  }

  // Records start on 8-byte boundaries, as the handle at their head needs.
  Offset = gWorkPageData.Used;
  Padded = (Size + 7) & ~(UINT32)7;
  Status = ReserveWorkTable (&gWorkPageList, sizeof (UINT32), PAGE_LIST_STEP);
  if (!EFI_ERROR (Status)) {
    Status = ReserveWorkTable (&gWorkPageData, Padded, Step);
  }

  if (!EFI_ERROR (Status)) {
    CopyMem (gWorkPageData.Bytes + Offset, Page, Size);
    SetMem (gWorkPageData.Bytes + Offset + Size, Padded - Size, 0);
    gWorkPageData.Used += Padded;
    Status = AppendToWorkTable (&gWorkPageList, &Offset, sizeof (Offset), PAGE_LIST_STEP);
  }

  return Status;
}

EFI_STATUS
AppendToPageRecord (
  IN OUT UINT8       **Record,
  IN OUT UINTN       *Capacity,
  IN OUT UINTN       *Used,
  IN CONST VOID      *Data,
  IN UINTN           Size
  )
{
  UINT8  *Grown;

  if (*Capacity == 0) {
    *Record = (UINT8 *)AllocateZeroPool (Size);
    if (*Record == NULL) {
      return EFI_OUT_OF_RESOURCES;
    }

    CopyMem (*Record, Data, Size);
    *Capacity = Size;
    *Used     = PAGE_RECORD_CONTROL_OFFSETS + 4ULL * ((PAGE_RECORD *)*Record)->ControlCount;
    return EFI_SUCCESS;
  }

  if (*Used + Size >= *Capacity) {
    UINTN  Larger = (UINTN)GrownCapacity (*Capacity, *Used + Size + 1, PAGE_RECORD_STEP);

    Grown = (UINT8 *)ReallocatePool (*Capacity, Larger, *Record);
    if (Grown == NULL) {
      return EFI_OUT_OF_RESOURCES;
    }

    *Record   = Grown;
    *Capacity = Larger;
  }

  CopyMem (*Record + *Used, Data, Size);
  *Used += Size;
  ((PAGE_RECORD *)*Record)->ControlCount++;
  return EFI_SUCCESS;
}

EFI_STATUS
AddVariableEntry (
  IN  CONST VARIABLE_RECORD  *Record,
  OUT UINT32                 *Index OPTIONAL
  )
{
  UINT32      Count = GetWorkVariableCount ();
  EFI_STATUS  Status;

  Status = AppendToWorkTable (&gWorkVariables, Record, sizeof (*Record), VARIABLE_DATA_STEP);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  if (Index != NULL) {
    *Index = Count;
  }

  if (Count + 1 == MAX_SETUP_VARIABLES) {
    ShowUnrecoverableError (u"Reached RWZ Maximum supported variables");
  }

  return EFI_SUCCESS;
}

EFI_STATUS
AddFormSetGuidEntry (
  IN CONST FORM_SET_ENTRY  *Entry
  )
{
  return AppendToWorkTable (&gWorkFormSets, Entry, sizeof (*Entry), FORM_SET_TABLE_STEP);
}

EFI_STATUS
FindOrAddFormSetGuid (
  IN  CONST EFI_GUID  *Guid,
  IN  UINT16          Class,
  IN  UINT16          SubClass,
  OUT UINT16          *Index
  )
{
  UINT32          Count = GetWorkFormSetCount ();
  FORM_SET_ENTRY  Entry;

  for (UINT32 Position = 0; Position < Count; Position++) {
    FORM_SET_ENTRY  *Existing = GetWorkFormSet (Position);

    if (CompareGuid (&Existing->FormSetGuid, Guid) && (Existing->Class == Class) && (Existing->SubClass == SubClass)) {
      *Index = (UINT16)Position;
      return EFI_SUCCESS;
    }
  }

  CopyGuid (&Entry.FormSetGuid, Guid);
  Entry.Class    = Class;
  Entry.SubClass = SubClass;
  *Index         = (UINT16)Count;
  return AddFormSetGuidEntry (&Entry);
}

EFI_STATUS
AppendLinkPageOffset (
  IN UINT32  Offset
  )
{
  PAGE_RECORD  Head;
  EFI_STATUS   Status;

  if (gLinkPageCapacity == 0) {
    ZeroMem (&Head, sizeof (Head));
    Status = AppendToPageRecord (&gLinkPageRecord, &gLinkPageCapacity, &gLinkPageUsed, &Head, sizeof (Head));
    if (EFI_ERROR (Status)) {
      return Status;
    }
  }

  return AppendToPageRecord (&gLinkPageRecord, &gLinkPageCapacity, &gLinkPageUsed, &Offset, sizeof (Offset));
}

VOID
ShowUnrecoverableError (
  IN CONST CHAR16  *Text
  )
{
  UINT8  Selection = 0;

  // The message only informs; parsing goes on whatever the box or console answer.
  if (gBootScreenInterface.ShowBootScreenMessageBox != NULL) {
    (VOID)gBootScreenInterface.ShowBootScreenMessageBox ((CHAR16 *)u" Unrecoverable Error", (CHAR16 *)Text, 0, &Selection);
  }

  if ((gST != NULL) && (gST->ConOut != NULL)) {
    // The console is the last place to say it; nothing is left to do when it refuses.
    (VOID)gST->ConOut->OutputString (gST->ConOut, (CHAR16 *)Text);
    (VOID)gST->ConOut->OutputString (gST->ConOut, (CHAR16 *)u"\r\n");
  }
}

EFI_STATUS
MarkWorkTables (
  OUT WORK_TABLE_MARK  *Mark
  )
{
  Mark->Control       = gWorkControlData.Used;
  Mark->PageData      = gWorkPageData.Used;
  Mark->PageList      = gWorkPageList.Used;
  Mark->Variables     = gWorkVariables.Used;
  Mark->FormSets      = gWorkFormSets.Used;
  Mark->LinkPageUsed  = gLinkPageUsed;
  Mark->LinkPageCount = (gLinkPageRecord == NULL) ? 0 : ((PAGE_RECORD *)gLinkPageRecord)->ControlCount;
  Mark->LinkCount     = gTopLevelLinkCount;
  Mark->FormSetCount  = gDynamicFormSetCount;
  Mark->VariableCopy  = NULL;
  if (gWorkVariables.Used != 0) {
    Mark->VariableCopy = (UINT8 *)AllocateCopyPool (gWorkVariables.Used, gWorkVariables.Bytes);
    if (Mark->VariableCopy == NULL) {
      return EFI_OUT_OF_RESOURCES;
    }
  }

  return EFI_SUCCESS;
}

VOID
RollBackWorkTables (
  IN OUT WORK_TABLE_MARK  *Mark
  )
{
  gWorkControlData.Used = Mark->Control;
  gWorkPageData.Used    = Mark->PageData;
  gWorkPageList.Used    = Mark->PageList;
  gWorkVariables.Used   = Mark->Variables;
  gWorkFormSets.Used    = Mark->FormSets;
  if (Mark->VariableCopy != NULL) {
    CopyMem (gWorkVariables.Bytes, Mark->VariableCopy, Mark->Variables);
  }

  if (gLinkPageRecord != NULL) {
    gLinkPageUsed                                = Mark->LinkPageUsed;
    ((PAGE_RECORD *)gLinkPageRecord)->ControlCount = Mark->LinkPageCount;
  }

  gTopLevelLinkCount   = Mark->LinkCount;
  gDynamicFormSetCount = Mark->FormSetCount;
  ForgetWorkTableMark (Mark);
}

VOID
ForgetWorkTableMark (
  IN OUT WORK_TABLE_MARK  *Mark
  )
{
  FreeAndNull (Mark->VariableCopy);
}

static VOID
FreeWorkTable (
  IN OUT WORK_TABLE  *Table
  )
{
  FreeAndNull (Table->Bytes);
  Table->Used     = 0;
  Table->Capacity = 0;
}

VOID
FreeWorkTables (
  VOID
  )
{
  if (gControlData == gWorkControlData.Bytes) {
    gControlData = NULL;
  }

  if (gFormsNeighbours.WorkTablesFreeing != NULL) {
    gFormsNeighbours.WorkTablesFreeing ();     // their controls go with the tables
  }
  FreeWorkTable (&gWorkControlData);
  FreeWorkTable (&gWorkPageData);
  FreeWorkTable (&gWorkPageList);
  FreeWorkTable (&gWorkVariables);
  FreeWorkTable (&gWorkFormSets);
  FreeAndNull (gLinkPageRecord);
  FreeAndNull (mReleased);
  gLinkPageCapacity       = 0;
  gLinkPageUsed           = 0;
  mReleasedCount          = 0;
  mReleasedCapacity       = 0;
  gTopLevelLinkCount      = 0;
  gDynamicFormSetCount    = 0;
  gRebuildingDynamicPages = FALSE;
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

VOID
ReadClassExtension (
  IN     CONST UINT8  *Op,
  IN OUT UINT16       *Class,
  IN OUT UINT16       *SubClass
  )
{
  if ((Op[0] != EFI_IFR_GUID_OP) || (IfrLength (Op) < IFR_GUID_EXTEND_VALUE_AT + 2) ||
      (CompareMem (Op + 2, &mExtensionGuid, sizeof (EFI_GUID)) != 0))
  {
    return;
  }

  if (Op[IFR_GUID_EXTEND_OP_AT] == EFI_IFR_EXTEND_OP_CLASS) {
    *Class = (UINT16)IfrField (Op, IFR_GUID_EXTEND_VALUE_AT, 2);
  } else if (Op[IFR_GUID_EXTEND_OP_AT] == EFI_IFR_EXTEND_OP_SUBCLASS) {
    *SubClass = (UINT16)IfrField (Op, IFR_GUID_EXTEND_VALUE_AT, 2);
  }
}

BOOLEAN
GetShownPage (
  OUT UINT32  *Page
  )
{
  return (gFormsNeighbours.GetShownPage != NULL) && gFormsNeighbours.GetShownPage (Page);
}

BOOLEAN
ApplicationLeaving (
  VOID
  )
{
  return (gFormsNeighbours.ApplicationLeaving != NULL) && gFormsNeighbours.ApplicationLeaving ();
}

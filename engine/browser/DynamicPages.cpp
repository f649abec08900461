/** @file
  The dynamic-page build: the HII handle list with one slot per live form set and
  an extra slot for compiled pages that match none, the binding of the compiled
  pages to the live packages, the links of the first page, and the parse of every
  form set that no compiled page stands for.
**/
#include <engine/browser/DynamicPages.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/EngineNeighbours.h>
#include <engine/forms/FormParser.h>
#include <engine/forms/FormTables.h>
#include <engine/forms/IfrOpcode.h>
#include <engine/browser/PackageNotify.h>
#include <engine/core/SetupData.h>
#include <engine/variables/VariableCache.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>

DYNAMIC_PAGE_RECORD  *gDynamicPageTable     = NULL;
UINTN                gDynamicPageSlotCount  = 0;
EFI_HII_HANDLE       *gHiiHandleList        = NULL;
EFI_HII_HANDLE       *gSendFormHandles      = NULL;
UINTN                gSendFormHandleCount   = 0;
UINT64               gDynamicPageCount      = 0;

// Nine 15-byte REF opcodes, one per link the top-level page table adds.
UINT8                *gTopLevelLinkOpcodes  = NULL;

#define REF_OPCODE_SIZE         15
#define LINK_OPCODE_SLOTS       9
#define EXTRA_BLOCK_REFS_AT     27
#define EXTRA_BLOCK_GUID_AT     6
#define FORM_SET_AT             4     // the first opcode, after the package header
#define TOP_LEVEL_LINK_DOUBLED  7     // at this count a link takes two offset-0 entries
#define EXPORT_FIRST_GUESS      10

//
// Pages that the first page links to when their form set is present; an HII handle
// of 0 matches any package list.
//
typedef struct {
  EFI_GUID        FormSetGuid;
  UINT16          FormId;
  UINT8           Reserved[6];
  EFI_HII_HANDLE  HiiHandle;
} TOP_LEVEL_PAGE_ROW;

#define MAIN_FORM_SET_GUID \
  { 0x7B59104A, 0xC00D, 0x4158, { 0x87, 0xFF, 0xF0, 0x4D, 0x63, 0x96, 0xA9, 0x15 } }

static CONST TOP_LEVEL_PAGE_ROW  mTopLevelPages[] = {
  { MAIN_FORM_SET_GUID, 10004, { 0 }, NULL }, { MAIN_FORM_SET_GUID, 10009, { 0 }, NULL },
  { MAIN_FORM_SET_GUID, 10010, { 0 }, NULL }, { MAIN_FORM_SET_GUID, 10013, { 0 }, NULL },
  { MAIN_FORM_SET_GUID, 10015, { 0 }, NULL }, { MAIN_FORM_SET_GUID, 10017, { 0 }, NULL },
  { MAIN_FORM_SET_GUID, 10018, { 0 }, NULL }, { MAIN_FORM_SET_GUID, 10002, { 0 }, NULL },
  { { 0, 0, 0, { 0 } }, 0, { 0 }, NULL }
};

static CONST EFI_GUID  mExtensionGuid        = EFI_IFR_TIANO_GUID;
static CONST EFI_GUID  mDynamicPageCountGuid = DYNAMIC_PAGE_COUNT_VARIABLE_GUID;

//
// The extra slot's block: a forms package whose FORM_SET carries the compiled
// data's GUID and whose REF opcodes stand for the compiled top-level pages bound to
// live form sets. Only working control records point into it, so it goes with them.
//
static UINT8   *mExtraSlotBlock     = NULL;
static UINTN   mLinkOpcodesUsed     = 0;
static EFI_HANDLE  mNotifyHandles[3] = { NULL, NULL, NULL };

//
// The compiled first page's bindings: the REF opcode of block position k and the
// handle of the live slot it stands for. Applied to the working copies of the
// page's controls, so that the compiled records stay as they were and every build
// starts from the same data.
//
typedef struct {
  UINT64          Offset;
  EFI_HII_HANDLE  HiiHandle;
} FIRST_PAGE_BINDING;

static FIRST_PAGE_BINDING  *mFirstPageBindings    = NULL;
static UINTN               mFirstPageBindingCount = 0;
static EFI_HII_HANDLE      mLastBoundHandle       = NULL;

static UINT32
PackageLength (
  IN CONST UINT8  *Package
  )
{
  return (Package == NULL) ? 0 : (ReadUnaligned24 (Package) & 0xFFFFFF);
}

static FORM_SET_ENTRY *
CompiledFormSet (
  IN UINTN  Index
  )
{
  UINT8  *Table = gCompiledFormSetGuidTable;

  if ((Table == NULL) || (Index >= ReadUnaligned32 (Table))) {
    return NULL;
  }

  return (FORM_SET_ENTRY *)(Table + ReadUnaligned32 (Table + 4 + 4 * Index));
}

static UINT32
CompiledPageCount (
  VOID
  )
{
  return (gCompiledPageList == NULL) ? 0 : ReadUnaligned32 (gCompiledPageList);
}

static PAGE_RECORD *
CompiledPage (
  IN UINTN  Page
  )
{
  return (PAGE_RECORD *)(gCompiledSetupData + ReadUnaligned32 (gCompiledPageList + 4 + 4 * Page));
}

static CONTROL_RECORD *
CompiledPageControl (
  IN CONST PAGE_RECORD  *Page,
  IN UINTN              N
  )
{
  return (CONTROL_RECORD *)(gCompiledControlData + ReadUnaligned32 ((CONST UINT8 *)Page + sizeof (PAGE_RECORD) + 4 * N));
}

//
// Packages and their form sets.
//
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

static BOOLEAN
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
static EFI_STATUS
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
  }

  FreePool (Handles);
  return Status;
}

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

static EFI_STATUS
AllocateLinkBlocks (
  VOID
  )
{
  UINTN  Size = EXTRA_BLOCK_REFS_AT + REF_OPCODE_SIZE * (UINTN)CompiledPageCount ();

  gTopLevelLinkOpcodes = (UINT8 *)AllocateZeroPool (LINK_OPCODE_SLOTS * REF_OPCODE_SIZE);
  mLinkOpcodesUsed     = 0;
  mExtraSlotBlock      = (UINT8 *)AllocateZeroPool (Size);
  mFirstPageBindings    = (FIRST_PAGE_BINDING *)AllocateZeroPool ((CompiledPageCount () + 1) * sizeof (FIRST_PAGE_BINDING));
  mFirstPageBindingCount = 0;
  if ((gTopLevelLinkOpcodes == NULL) || (mExtraSlotBlock == NULL) || (mFirstPageBindings == NULL)) {
    return EFI_OUT_OF_RESOURCES;
  }

  CopyMem (mExtraSlotBlock + EXTRA_BLOCK_GUID_AT, gCompiledSetupData + 4 * SETUP_DATA_WORD_FIRST_FORM_SET_GUID,
    sizeof (EFI_GUID));
  gDynamicPageTable[gDynamicPageSlotCount - 1].Package = mExtraSlotBlock;
  return EFI_SUCCESS;
}

static VOID
WriteRefOpcode (
  OUT UINT8  *Op,
  IN  UINT16 Prompt,
  IN  UINT16 Help
  )
{
  ZeroMem (Op, REF_OPCODE_SIZE);
  Op[0] = EFI_IFR_REF_OP;
  Op[1] = REF_OPCODE_SIZE;
  WriteUnaligned16 ((UINT16 *)(Op + 2), Prompt);
  WriteUnaligned16 ((UINT16 *)(Op + 4), Help);
}

/** Binds the compiled top-level pages to live slots through REF opcodes of the extra block. */
static VOID
BindFirstPageLinks (
  VOID
  )
{
  gTopLevelLinkCount = 0;
  mLastBoundHandle   = NULL;
  for (UINTN Page = 0; Page < CompiledPageCount (); Page++) {
    PAGE_RECORD     *Record = CompiledPage (Page);
    FORM_SET_ENTRY  *Set    = CompiledFormSet (Record->FormSetIndex);
    UINT16          Slot;

    if (Record->ParentPageNumber != 0) {
      continue;
    }

    gTopLevelLinkCount++;
    Slot = (Set == NULL) ? (UINT16)(gDynamicPageSlotCount - 1)
           : FindSlotByFormSetForm (&Set->FormSetGuid, Set->Class, Set->SubClass, Record->FormId);
    if ((UINTN)Slot + 1 >= gDynamicPageSlotCount) {
      continue;
    }

    UINT8   *Package = gDynamicPageTable[Slot].Package;
    UINT64  Offset   = EXTRA_BLOCK_REFS_AT + REF_OPCODE_SIZE * mFirstPageBindingCount;

    WriteRefOpcode (mExtraSlotBlock + Offset, (UINT16)IfrField (Package + FORM_SET_AT, IFR_FORM_SET_TITLE_AT, 2),
      (UINT16)IfrField (Package + FORM_SET_AT, IFR_FORM_SET_HELP_AT, 2));
    mFirstPageBindings[mFirstPageBindingCount++] = { Offset, gDynamicPageTable[Slot].HiiHandle };
    mLastBoundHandle                             = gDynamicPageTable[Slot].HiiHandle;
  }

  gDynamicPageTable[gDynamicPageSlotCount - 1].HiiHandle = gDynamicPageTable[0].HiiHandle;
}

/** The binding of the first page applied to one of its control copies. */
static VOID
ApplyFirstPageBinding (
  IN OUT CONTROL_RECORD  *Control
  )
{
  if (mFirstPageBindingCount == 0) {
    return;
  }

  Control->Flags &= ~(UINT32)CONTROL_FLAG_VALID;
  for (UINTN K = 0; K < mFirstPageBindingCount; K++) {
    if (Control->QuestionOpcode == mFirstPageBindings[K].Offset) {
      Control->QuestionOpcode = (UINT64)(UINTN)(mExtraSlotBlock + mFirstPageBindings[K].Offset);
      Control->HiiHandle      = mFirstPageBindings[K].HiiHandle;
      return;
    }
  }

  if ((Control->ControlType & CONTROL_TYPE_MASK) == CONTROL_TYPE_UNTYPED) {
    Control->HiiHandle = mLastBoundHandle;
  }
}

static VOID
CopyCompiledTables (
  VOID
  )
{
  UINT32  Count = (gCompiledVariableList == NULL) ? 0 : ReadUnaligned32 (gCompiledVariableList);

  // A failed copy leaves that entry out; the parse adds what it needs itself.
  for (UINT32 Index = 0; Index < Count; Index++) {
    (VOID)AddVariableEntry ((VARIABLE_RECORD *)(gCompiledVariableList + ReadUnaligned32 (gCompiledVariableList + 4 + 4 * Index)),
            NULL);
  }

  for (UINTN Index = 0; CompiledFormSet (Index) != NULL; Index++) {
    (VOID)AddFormSetGuidEntry (CompiledFormSet (Index));
  }

  FreeAndNull (gCompiledPageFormSetGuids);
  gCompiledPageFormSetGuidCount = 0;
  gCompiledPageFormSetGuids     = (EFI_GUID *)AllocateZeroPool ((CompiledPageCount () + 1) * sizeof (EFI_GUID));
  for (UINTN Page = 0; (gCompiledPageFormSetGuids != NULL) && (Page < CompiledPageCount ()); Page++) {
    FORM_SET_ENTRY  *Set = CompiledFormSet (CompiledPage (Page)->FormSetIndex);

    // A page without a form-set entry keeps a zero GUID, so entries stay in page order.
    if (Set != NULL) {
      CopyGuid (&gCompiledPageFormSetGuids[Page], &Set->FormSetGuid);
    }

    gCompiledPageFormSetGuidCount++;
  }
}

//
// Page binding.
//
/** TRUE when a compiled form-set entry of the slot's form set was compiled from a package of another length. */
static BOOLEAN
CompiledLengthDiffers (
  IN CONST DYNAMIC_PAGE_RECORD  *Slot
  )
{
  for (UINTN Entry = 1; CompiledFormSet (Entry) != NULL; Entry++) {
    FORM_SET_ENTRY         *Set = CompiledFormSet (Entry);
    COMPILED_FORMS_LENGTH  Pair;

    if ((Set->Class != Slot->Class) || (Set->SubClass != Slot->SubClass) || !SlotHasFormSet (Slot, &Set->FormSetGuid)) {
      continue;
    }

    // An entry beyond the recorded region has no length to compare.
    if (sizeof (Pair) * Entry > gCompiledFormsRegionSize) {
      continue;
    }

    CopyMem (&Pair, gCompiledFormsRegion + sizeof (Pair) * (Entry - 1), sizeof (Pair));
    if (Pair.FormsPackageLength != PackageLength (Slot->Package)) {
      return TRUE;
    }
  }

  return FALSE;
}

/** A package offset turned into an address of the slot's copy; 0 when it lies outside the copy. */
static UINT64
PackageAddress (
  IN CONST UINT8  *Package,
  IN UINT64       Offset
  )
{
  return (Offset < PackageLength (Package)) ? (UINT64)(UINTN)(Package + Offset) : 0;
}

/** Points a control copy of a live-bound page at the slot's package copy. */
static VOID
BindControlToSlot (
  IN OUT CONTROL_RECORD         *Control,
  IN CONST DYNAMIC_PAGE_RECORD  *Slot
  )
{
  UINT64           Question = Control->QuestionOpcode;
  VARIABLE_RECORD  *Variable;

  Control->HiiHandle = Slot->HiiHandle;
  if (Question != 0) {
    Control->QuestionOpcode = PackageAddress (Slot->Package, Question);
  }

  if (Control->ConditionOpcode != 0) {
    Control->ConditionOpcode = PackageAddress (Slot->Package, Question + Control->ConditionOpcode);
  }

  if ((Control->QuestionOpcode != 0) && (*(UINT8 *)(UINTN)Control->QuestionOpcode == EFI_IFR_CHECKBOX_OP)) {
    Control->ControlType = (UINT16)((Control->ControlType & ~CONTROL_TYPE_MASK) |
                                    GetCheckboxControlType (Control, Slot->Package + PackageLength (Slot->Package)));
  }

  if ((Control->QuestionOpcode != 0) && ((Control->Flags & CONTROL_FLAG_REFRESH_EVENT_GROUP) != 0)) {
    (VOID)AddRefreshEvent (Control);     // a question without its event still shows its value
  }

  Variable = GetWorkVariable (Control->VariableIndex);
  if ((Variable != NULL) && (Variable->HiiHandle == NULL)) {
    Variable->HiiHandle = Slot->HiiHandle;
  }
}

/** Copies one compiled control, binds it and appends it; its offset in *Offset. */
static EFI_STATUS
CopyCompiledControl (
  IN  CONST CONTROL_RECORD       *Compiled,
  IN  UINT32                     Size,
  IN  CONST DYNAMIC_PAGE_RECORD  *Slot OPTIONAL,
  IN  BOOLEAN                    FirstPage,
  OUT UINT32                     *Offset
  )
{
  CONTROL_RECORD  *Copy = (CONTROL_RECORD *)AllocateCopyPool (Size, Compiled);
  EFI_STATUS      Status;

  if (Copy == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  if (Slot != NULL) {
    BindControlToSlot (Copy, Slot);
  } else if (FirstPage) {
    ApplyFirstPageBinding (Copy);
  }

  Status = AppendControlRecord (Copy, Size, Offset);
  FreePool (Copy);
  return Status;
}

static EFI_STATUS
CopyPageControls (
  IN OUT PAGE_RECORD            *PageCopy,
  IN CONST PAGE_RECORD          *Compiled,
  IN CONST DYNAMIC_PAGE_RECORD  *Slot OPTIONAL,
  IN BOOLEAN                    FirstPage
  )
{
  CONTROL_RECORD  *First = (CONTROL_RECORD *)gCompiledControlData;
  UINT32          Offset;
  EFI_STATUS      Status;

  // A page without controls still brings the first record, which readers of the
  // control data expect to find at its start.
  if (Compiled->ControlCount == 0) {
    return AppendControlRecord (First, CONTROL_RECORD_DEFAULTS + 2 * First->ValueWidth, &Offset);
  }

  for (UINT32 N = 0; N < Compiled->ControlCount; N++) {
    CONTROL_RECORD  *Control = CompiledPageControl (Compiled, N);
    UINT32          Size     = CONTROL_RECORD_DEFAULTS + 2 * Control->ValueWidth +
                               Control->DefaultCount * (Control->ValueWidth + 2u);

    Status = CopyCompiledControl (Control, Size, Slot, FirstPage, &Offset);
    if (EFI_ERROR (Status)) {
      return Status;
    }

    WriteUnaligned32 ((UINT32 *)((UINT8 *)PageCopy + sizeof (PAGE_RECORD) + 4 * N), Offset);
  }

  return EFI_SUCCESS;
}

/** Adds the link of a compiled page named by the top-level page table to the link page. */
static EFI_STATUS
AddTopLevelLink (
  IN CONST PAGE_RECORD  *Page,
  IN UINT16             PageNumber
  )
{
  FORM_SET_ENTRY  *Set = CompiledFormSet (Page->FormSetIndex);
  CONST TOP_LEVEL_PAGE_ROW  *Row;
  CONTROL_RECORD  Link;
  UINT8           *Op;
  UINT32          Offset;
  EFI_STATUS      Status;

  for (Row = mTopLevelPages; (Set != NULL) && (Row->FormId != 0); Row++) {
    if ((Row->FormId == Page->FormId) && ((Row->HiiHandle == NULL) || (Row->HiiHandle == Page->HiiHandle)) &&
        CompareGuid (&Row->FormSetGuid, &Set->FormSetGuid))
    {
      break;
    }
  }

  if ((Set == NULL) || (Row->FormId == 0) || (mLinkOpcodesUsed >= LINK_OPCODE_SLOTS)) {
    return EFI_SUCCESS;
  }

  Status = AppendLinkPageOffset (0);
  if (!EFI_ERROR (Status) && (gTopLevelLinkCount == TOP_LEVEL_LINK_DOUBLED)) {
    Status = AppendLinkPageOffset (0);
  }

  Op = gTopLevelLinkOpcodes + REF_OPCODE_SIZE * mLinkOpcodesUsed++;
  WriteRefOpcode (Op, Page->TitleStringId, 0);
  ZeroMem (&Link, sizeof (Link));
  Link.HiiHandle      = Page->HiiHandle;
  Link.ControlType    = CONTROL_TYPE_REF;
  Link.RefTargetPage  = PageNumber;
  Link.Flags          = CONTROL_FLAG_VALID;
  Link.QuestionOpcode = (UINT64)(UINTN)Op;
  if (!EFI_ERROR (Status)) {
    Status = AppendControlRecord (&Link, sizeof (Link), &Offset);
  }

  if (!EFI_ERROR (Status)) {
    Status = AppendLinkPageOffset (Offset);
    gTopLevelLinkCount++;
  }

  return Status;
}

/**
  The live slot of compiled page Page, or null for the extra slot. A live form set
  whose package no longer has the recorded length drops the page: its pages come
  from the live package instead, parsed here in the compiled page's place.
**/
static BOOLEAN
ChoosePageSlot (
  IN  UINTN                Page,
  IN  CONST PAGE_RECORD    *Compiled,
  OUT DYNAMIC_PAGE_RECORD  **Slot
  )
{
  FORM_SET_ENTRY  *Set = CompiledFormSet (Compiled->FormSetIndex);
  UINT16          Index;

  *Slot = NULL;
  if ((Page == 0) || (Set == NULL)) {
    return TRUE;
  }

  Index = FindSlotByFormSetForm (&Set->FormSetGuid, Set->Class, Set->SubClass, Compiled->FormId);
  if ((UINTN)Index + 1 >= gDynamicPageSlotCount) {
    return TRUE;
  }

  *Slot = &gDynamicPageTable[Index];
  if (CompiledLengthDiffers (*Slot)) {
    if (!(*Slot)->Parsed) {
      (VOID)ParseFormSetForms (*Slot);     // a form set that fails to parse shows no pages
    }

    return FALSE;
  }

  (*Slot)->Parsed = 1;
  return TRUE;
}

static EFI_STATUS
BindCompiledPage (
  IN UINTN  Page
  )
{
  PAGE_RECORD          *Compiled = CompiledPage (Page);
  UINT32               Size      = sizeof (PAGE_RECORD) + 4 * Compiled->ControlCount;
  DYNAMIC_PAGE_RECORD  *Slot;
  PAGE_RECORD          *Copy;
  EFI_STATUS           Status;

  if (!ChoosePageSlot (Page, Compiled, &Slot)) {
    return EFI_SUCCESS;
  }

  Copy = (PAGE_RECORD *)AllocateCopyPool (Size, Compiled);
  if (Copy == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  Copy->HiiHandle = (Slot == NULL) ? NULL : Slot->HiiHandle;
  Status          = CopyPageControls (Copy, Compiled, Slot, Page == 0);
  if (!EFI_ERROR (Status) && (Page == 0)) {
    FreeAndNull (gLinkPageRecord);
    gLinkPageCapacity = 0;
    Status            = AppendToPageRecord (&gLinkPageRecord, &gLinkPageCapacity, &gLinkPageUsed, Copy, Size);
  } else if (!EFI_ERROR (Status)) {
    Status = AppendPageRecord (Copy, Size);
  }

  if (!EFI_ERROR (Status)) {
    Status = AddTopLevelLink (Copy, (Page == 0) ? 0 : (UINT16)(GetWorkPageCount () - 1));
  }

  FreePool (Copy);
  return Status;
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
  (VOID)ResizeVariableTables ();
  return RebuildPageData ();
}

VOID
FreeFirstPageBindings (
  VOID
  )
{
  FreeAndNull (mFirstPageBindings);
  FreeAndNull (gTopLevelLinkOpcodes);
  FreeAndNull (mExtraSlotBlock);
  mFirstPageBindingCount = 0;
  mLinkOpcodesUsed       = 0;
  mLastBoundHandle       = NULL;
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

/** @file
  The binding of the compiled pages to the live packages: each compiled page takes
  the slot of its form set, its controls point into the live forms package, and the
  first page's links stand for the top-level pages whose form sets are present.
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

// Nine 15-byte REF opcodes, one per link the top-level page table adds.
UINT8                *gTopLevelLinkOpcodes  = NULL;

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

//
// The extra slot's block: a forms package whose FORM_SET carries the compiled
// data's GUID and whose REF opcodes stand for the compiled top-level pages bound to
// live form sets. Only working control records point into it, so it goes with them.
//
static UINT8   *mExtraSlotBlock     = NULL;
static UINTN   mLinkOpcodesUsed     = 0;

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

#define TOP_LEVEL_LINK_DOUBLED  7     // at this count a link takes two offset-0 entries
#define EXTRA_BLOCK_GUID_AT     6
#define EXTRA_BLOCK_REFS_AT     27
#define LINK_OPCODE_SLOTS       9
#define REF_OPCODE_SIZE         15

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

UINT32
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

EFI_STATUS
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
VOID
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

VOID
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
    (VOID)AddFormSetGuidEntry (CompiledFormSet (Index));     // a form set left out is added by the parse when a page needs it
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

EFI_STATUS
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

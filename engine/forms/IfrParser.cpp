/** @file
  The form-set walk of the form parser: the package's framing checked first, then
  the varstores (IfrVarStores.cpp), the class check, the default store, the form-id
  map, the link of the form set, form-set-level conditions and the pages of its forms.
**/
#include <engine/forms/IfrParserInternal.h>
#include <engine/forms/FormTables.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>

UINT16    gDynamicPageAnchor            = 0;
BOOLEAN   gSendFormRunning              = FALSE;
EFI_GUID  *gSendFormGuid                = NULL;
EFI_GUID  *gCompiledPageFormSetGuids    = NULL;
UINTN     gCompiledPageFormSetGuidCount = 0;

static CONST EFI_GUID  mPlatformSetupClass  = EFI_HII_PLATFORM_SETUP_FORMSET_GUID;
static CONST EFI_GUID  mDriverHealthClass   = EFI_HII_DRIVER_HEALTH_FORMSET_GUID;
static CONST EFI_GUID  mUserCredentialClass = EFI_HII_USER_CREDENTIAL_FORMSET_GUID;
static CONST EFI_GUID  mStandardFormMethod  = EFI_HII_STANDARD_FORM_GUID;

#define FORM_SET_FLAGS_AT       22
#define FORM_SET_CLASS_AT       23
#define FORM_MAP_MIN_LENGTH     22
#define FORM_MAP_METHOD_SIZE    18
#define FORM_TITLE_AT           4
#define LINK_RECORD_SIZE        64
#define DOUBLE_LINK_COUNT       7

//
// Opcode table, names and scopes.
//
BOOLEAN
IsKnownIfrOpcode (
  IN UINT8  OpCode
  )
{
  // The UEFI 2.10 table assigns every code from FORM (0x01) to MATCH2 (0x64).
  return (OpCode >= EFI_IFR_FORM_OP) && (OpCode <= EFI_IFR_MATCH2_OP);
}

CONST UINT8 *
SkipScope (
  IN  CONST UINT8  *Opcode,
  IN  CONST UINT8  *End,
  OUT UINT16       *Count OPTIONAL
  )
{
  UINTN  Depth = IfrOpensScope (Opcode) ? 1 : 0;

  for (Opcode += IfrLength (Opcode); Depth > 0; Opcode += IfrLength (Opcode)) {
    if (!IfrFits (Opcode, End)) {
      return NULL;
    }

    if (Count != NULL) {
      (*Count)++;
    }

    if (Opcode[0] == EFI_IFR_END_OP) {
      Depth--;
    } else if (IfrOpensScope (Opcode)) {
      Depth++;
    }
  }

  return Opcode;
}

VOID
SetRecordNameAscii (
  OUT VARIABLE_RECORD  *Record,
  IN  CONST UINT8      *Text,
  IN  UINTN            MaxBytes
  )
{
  UINTN  Index;

  for (Index = 0; (Index < MaxBytes) && (Index < VARIABLE_NAME_LENGTH - 1) && (Text[Index] != 0); Index++) {
    Record->Name[Index] = Text[Index];
  }

  SetMem (Record->Name + Index, (VARIABLE_NAME_LENGTH - Index) * sizeof (CHAR16), 0);
}

VOID
SetRecordName (
  OUT VARIABLE_RECORD  *Record,
  IN  CONST CHAR16     *Text
  )
{
  UINTN  Index;

  for (Index = 0; (Index < VARIABLE_NAME_LENGTH - 1) && (Text[Index] != 0); Index++) {
    Record->Name[Index] = Text[Index];
  }

  SetMem (Record->Name + Index, (VARIABLE_NAME_LENGTH - Index) * sizeof (CHAR16), 0);
}

EFI_STATUS
PushScope (
  IN OUT FORM_SET_PARSE  *Set,
  IN CONST UINT8         *Opcode
  )
{
  // The framing check sized the stack for the deepest nest of the package.
  if (Set->ScopeDepth >= Set->ScopeCapacity) {
    return EFI_VOLUME_CORRUPTED;
  }

  Set->Scopes[Set->ScopeDepth++] = Opcode;
  return EFI_SUCCESS;
}

CONST UINT8 *
PopScope (
  IN OUT FORM_SET_PARSE  *Set
  )
{
  return (Set->ScopeDepth == 0) ? NULL : Set->Scopes[--Set->ScopeDepth];
}

//
// Framing: every opcode at least its header long and inside the package, no END
// without an open scope, every scope of the first form set closed. Gives the end of
// the first FORM_SET's scope (or of the package) and the deepest nest.
//
static EFI_STATUS
CheckFormsFraming (
  IN  CONST UINT8  *Body,
  IN  CONST UINT8  *End,
  OUT CONST UINT8  **SetEnd,
  OUT UINTN        *MaxDepth
  )
{
  UINTN    Depth   = 0;
  BOOLEAN  InSet   = FALSE;

  *MaxDepth = 0;
  for (CONST UINT8 *Opcode = Body; Opcode < End; Opcode += IfrLength (Opcode)) {
    if (!IfrFits (Opcode, End)) {
      return EFI_VOLUME_CORRUPTED;
    }

    if ((Opcode[0] == EFI_IFR_FORM_MAP_OP) && (IfrLength (Opcode) < FORM_MAP_MIN_LENGTH)) {
      return EFI_INVALID_PARAMETER;
    }

    InSet = InSet || ((Opcode[0] == EFI_IFR_FORM_SET_OP) && IfrOpensScope (Opcode));
    if (Opcode[0] == EFI_IFR_END_OP) {
      if (Depth == 0) {
        return EFI_VOLUME_CORRUPTED;
      }

      if ((--Depth == 0) && InSet) {
        *SetEnd = Opcode + IfrLength (Opcode);
        return EFI_SUCCESS;
      }
    } else if (IfrOpensScope (Opcode)) {
      Depth++;
      *MaxDepth = MAX (*MaxDepth, Depth);
    }
  }

  *SetEnd = End;
  return (Depth == 0) ? EFI_SUCCESS : EFI_VOLUME_CORRUPTED;
}

//
// Form-id map.
//
static FORM_ID_ENTRY *
FindFormId (
  IN CONST FORM_SET_PARSE  *Set,
  IN UINT16                FormId
  )
{
  for (UINTN Index = 0; Index < Set->FormIdCount; Index++) {
    if (Set->FormIds[Index].FormId == FormId) {
      return &Set->FormIds[Index];
    }
  }

  return NULL;
}

static EFI_STATUS
AddFormId (
  IN OUT FORM_SET_PARSE  *Set,
  IN UINT16              FormId,
  IN UINT16              Parent,
  OUT FORM_ID_ENTRY      **Entry
  )
{
  if (!GrowPoolArray (Set->FormIds, Set->FormIdCount, Set->FormIdCapacity, FORM_ID_MAP_STEP)) {
    return EFI_OUT_OF_RESOURCES;
  }

  *Entry  = &Set->FormIds[Set->FormIdCount++];
  **Entry = { FormId, Parent, FORM_ID_NO_PAGE };
  return EFI_SUCCESS;
}

// Whether Page is Ancestor or lies below it, climbing the map's parents; a climb ends
// after as many steps as the map has forms.
static BOOLEAN
IsAtOrBelow (
  IN CONST FORM_SET_PARSE  *Set,
  IN UINT16                Page,
  IN UINT16                Ancestor
  )
{
  for (UINTN Step = 0; (Step <= Set->FormIdCount) && (Page != 0); Step++) {
    CONST FORM_ID_ENTRY  *Entry = NULL;

    if (Page == Ancestor) {
      return TRUE;
    }

    for (UINTN Index = 0; Index < Set->FormIdCount; Index++) {
      if (Set->FormIds[Index].Page == Page) {
        Entry = &Set->FormIds[Index];
        break;
      }
    }

    if (Entry == NULL) {
      return FALSE;
    }

    Page = Entry->Parent;
  }

  return FALSE;
}

// A REF in the form of page Current to FormId makes that form a child of Current. A form's
// subforms often lead back to it ("Commit Changes and Exit"): such a REF would make the
// form a child of its own child, a loop of parents that leaves a page without a way up to
// its form set, so the form keeps the parent it has.
static EFI_STATUS
MapRefTarget (
  IN OUT FORM_SET_PARSE  *Set,
  IN UINT16              FormId,
  IN UINT16              CurrentFormId,
  IN UINT16              CurrentPage
  )
{
  FORM_ID_ENTRY  *Entry = FindFormId (Set, FormId);

  if ((FormId == 0) || (FormId == CurrentFormId)) {
    return EFI_SUCCESS;       // the current page: no page is its own parent
  }

  if (Entry == NULL) {
    return AddFormId (Set, FormId, CurrentPage, &Entry);
  }

  if ((Entry->Page != Set->FirstPage) &&
      ((Entry->Page == FORM_ID_NO_PAGE) || !IsAtOrBelow (Set, CurrentPage, Entry->Page)))
  {
    Entry->Parent = CurrentPage;
  }

  return EFI_SUCCESS;
}

static EFI_STATUS
BuildFormIdMap (
  IN OUT FORM_SET_PARSE  *Set
  )
{
  UINT32         Page          = Set->FirstPage;
  UINT16         CurrentFormId = 0;
  UINT16         CurrentPage   = 0;
  BOOLEAN        InForm        = FALSE;
  FORM_ID_ENTRY  *Entry;
  EFI_STATUS     Status        = EFI_SUCCESS;

  for (CONST UINT8 *Op = Set->FormSet; !EFI_ERROR (Status) && (Op != NULL) && (Op < Set->End); Op = IfrNext (Op, Set->End)) {
    if ((Op[0] == EFI_IFR_FORM_OP) || (Op[0] == EFI_IFR_FORM_MAP_OP)) {
      CurrentFormId = (UINT16)IfrField (Op, IFR_FORM_ID_AT, 2);
      CurrentPage   = (UINT16)Page++;
      InForm        = TRUE;
      Entry         = FindFormId (Set, CurrentFormId);
      if (Entry == NULL) {
        Status = AddFormId (Set, CurrentFormId, (CurrentPage == Set->FirstPage) ? 0 : (UINT16)Set->FirstPage, &Entry);
      }

      if (!EFI_ERROR (Status) && (Entry->Page == FORM_ID_NO_PAGE)) {
        Entry->Page = CurrentPage;
        Entry->Parent = (CurrentPage == Set->FirstPage) ? 0 : Entry->Parent;
      }
    } else if ((Op[0] == EFI_IFR_REF_OP) && InForm && (IfrLength (Op) >= IFR_REF_FORM_ID_AT + 2)) {
      Status = MapRefTarget (Set, (UINT16)IfrField (Op, IFR_REF_FORM_ID_AT, 2), CurrentFormId, CurrentPage);
    }
  }

  return Status;
}

UINT16
MapFormIdToPageIndex (
  IN CONST FORM_SET_PARSE  *Set,
  IN UINT16                FormId,
  IN UINT16                CurrentPage
  )
{
  FORM_ID_ENTRY  *Entry = FindFormId (Set, FormId);

  if (FormId == 0) {
    return CurrentPage;
  }

  return (Entry == NULL) ? CONTROL_NO_REF_TARGET : Entry->Page;
}

UINT16
FormIdParent (
  IN CONST FORM_SET_PARSE  *Set,
  IN UINT16                FormId
  )
{
  FORM_ID_ENTRY  *Entry = FindFormId (Set, FormId);

  return (Entry == NULL) ? 0 : Entry->Parent;
}

//
// The form set: class check, default store, form-id map and its link.
//
static BOOLEAN
HasAcceptedClass (
  IN CONST UINT8  *FormSet,
  OUT BOOLEAN     *DriverHealth
  )
{
  EFI_GUID  Class;

  // Without a class GUID the form set is not platform setup.
  if (((IfrField (FormSet, FORM_SET_FLAGS_AT, 1) & 3) == 0) || (IfrLength (FormSet) < FORM_SET_CLASS_AT + sizeof (EFI_GUID))) {
    return FALSE;
  }

  CopyMem (&Class, FormSet + FORM_SET_CLASS_AT, sizeof (Class));
  *DriverHealth = CompareGuid (&Class, &mDriverHealthClass);
  return *DriverHealth || CompareGuid (&Class, &mPlatformSetupClass);
}

// A caller of SendForm asks for its own form sets by handle: they are shown whatever their
// class (a firmware's front page and device manager are not platform setup).
static BOOLEAN
NamedBySendForm (
  IN EFI_HII_HANDLE  HiiHandle
  )
{
  for (UINTN Index = 0; (gSendFormHandles != NULL) && (Index < gSendFormHandleCount); Index++) {
    if (gSendFormHandles[Index] == HiiHandle) {
      return TRUE;
    }
  }

  return FALSE;
}

static EFI_STATUS
AddFormSetLink (
  IN CONST FORM_SET_PARSE  *Set
  )
{
  CONTROL_RECORD  Link;
  UINT32          Offset;
  EFI_STATUS      Status;

  ZeroMem (&Link, sizeof (Link));
  Link.HiiHandle      = Set->HiiHandle;
  Link.ControlType    = CONTROL_TYPE_REF;
  Link.RefTargetPage  = (UINT16)Set->FirstPage;
  Link.Flags          = CONTROL_FLAG_VALID;
  Link.PromptStringId = (UINT16)IfrField (Set->FormSet, IFR_FORM_SET_TITLE_AT, 2);
  Link.HelpStringId   = (UINT16)IfrField (Set->FormSet, IFR_FORM_SET_HELP_AT, 2);
  Status              = AppendControlRecord (&Link, LINK_RECORD_SIZE, &Offset);
  if (!EFI_ERROR (Status)) {
    Status = AppendLinkPageOffset (0);
  }

  if (!EFI_ERROR (Status) && (gTopLevelLinkCount == DOUBLE_LINK_COUNT)) {
    Status = AppendLinkPageOffset (0);
  }

  if (!EFI_ERROR (Status)) {
    Status = AppendLinkPageOffset (Offset);
  }

  if (!EFI_ERROR (Status)) {
    gTopLevelLinkCount++;
    gDynamicFormSetCount++;
  }

  return Status;
}

static EFI_STATUS
OpenFormSet (
  IN OUT FORM_SET_PARSE  *Set,
  IN CONST UINT8         *FormSet
  )
{
  EFI_GUID    Guid;
  EFI_STATUS  Status;

  if (!(HasAcceptedClass (FormSet, &Set->DriverHealth) || NamedBySendForm (Set->HiiHandle)) ||
      (IfrLength (FormSet) < IFR_FORM_SET_GUID_AT + sizeof (EFI_GUID)))
  {
    return EFI_ABORTED;
  }

  // The driver-health form set is known by its class or by its own GUID.
  CopyMem (&Guid, FormSet + IFR_FORM_SET_GUID_AT, sizeof (Guid));
  Set->DriverHealth = Set->DriverHealth || CompareGuid (&Guid, &mDriverHealthClass);
  Set->FormSet      = FormSet;
  Status       = PushScope (Set, FormSet);
  if (!EFI_ERROR (Status)) {
    Status = AddFormSetDefaultStore (Set, &Guid);
  }

  if (!EFI_ERROR (Status)) {
    Status = BuildFormIdMap (Set);
  }

  return EFI_ERROR (Status) ? Status : AddFormSetLink (Set);
}

//
// Pages.
//
static BOOLEAN
IsCompiledFormSet (
  IN CONST EFI_GUID  *Guid
  )
{
  for (UINTN Index = 0; (gCompiledPageFormSetGuids != NULL) && (Index < gCompiledPageFormSetGuidCount); Index++) {
    if (CompareGuid (&gCompiledPageFormSetGuids[Index], Guid)) {
      return TRUE;
    }
  }

  return FALSE;
}

static VOID
ApplyTopLevelRule (
  IN OUT FORM_SET_PARSE  *Set,
  IN OUT PAGE_RECORD     *Page,
  IN CONST EFI_GUID      *Guid
  )
{
  BOOLEAN  Special = Set->DriverHealth || CompareGuid (Guid, &mUserCredentialClass);

  if ((Page->ParentPageNumber != 0) || IsCompiledFormSet (Guid)) {
    return;
  }

  Page->TitleStringId = (UINT16)IfrField (Set->FormSet, IFR_FORM_SET_TITLE_AT, 2);
  if (!gSendFormRunning) {
    if (!Special) {
      Page->Flags           |= PAGE_FLAG_DYNAMIC;
      Page->ParentPageNumber = gDynamicPageAnchor;
    }

    Page->Flags |= PAGE_FLAG_ENTRY;
    return;
  }

  if ((gSendFormGuid != NULL) ? CompareGuid (Guid, gSendFormGuid) : Special) {
    Page->Flags |= PAGE_FLAG_ENTRY;
  } else {
    Page->Flags &= ~(UINT32)PAGE_FLAG_ENTRY;
  }
}

// FORM_MAP: the method with the standard form GUID, else the first; methods are {u16 title, GUID}.
static UINT16
FormMapTitle (
  IN  CONST UINT8  *FormMap,
  OUT BOOLEAN      *Standard
  )
{
  UINTN  Length = IfrLength (FormMap);

  *Standard = FALSE;
  for (UINTN At = FORM_TITLE_AT; At + FORM_MAP_METHOD_SIZE <= Length; At += FORM_MAP_METHOD_SIZE) {
    if (CompareMem (FormMap + At + 2, &mStandardFormMethod, sizeof (EFI_GUID)) == 0) {
      *Standard = TRUE;
      return (UINT16)IfrField (FormMap, At, 2);
    }
  }

  return (UINT16)IfrField (FormMap, FORM_TITLE_AT, 2);
}

static EFI_STATUS
ParseFormPage (
  IN OUT FORM_SET_PARSE  *Set,
  IN CONST UINT8         *Form,
  OUT UINTN              *Consumed
  )
{
  FORM_WALK    Walk;
  PAGE_RECORD  Head;
  EFI_GUID     Guid;
  EFI_STATUS   Status;

  ZeroMem (&Walk, sizeof (Walk));
  ZeroMem (&Head, sizeof (Head));
  CopyMem (&Guid, Set->FormSet + IFR_FORM_SET_GUID_AT, sizeof (Guid));
  Walk.Set              = Set;
  Walk.PageNumber       = (UINT16)Set->NextPage++;
  Head.HiiHandle        = Set->HiiHandle;
  Head.FormId           = (UINT16)IfrField (Form, IFR_FORM_ID_AT, 2);
  Head.TitleStringId    = (Form[0] == EFI_IFR_FORM_OP) ? (UINT16)IfrField (Form, FORM_TITLE_AT, 2)
                                                       : FormMapTitle (Form, &Walk.StandardMap);
  Head.PageNumber       = Walk.PageNumber;
  Head.ParentPageNumber = FormIdParent (Set, Head.FormId);
  Head.Flags            = Walk.StandardMap ? PAGE_FLAG_STANDARD_MAP : 0;
  Status                = FindOrAddFormSetGuid (&Guid, Set->Class, Set->SubClass, &Head.FormSetIndex);
  if (!EFI_ERROR (Status)) {
    Status = AppendToPageRecord (&Walk.Record, &Walk.Capacity, &Walk.Used, &Head, sizeof (Head));
  }

  if (!EFI_ERROR (Status)) {
    Status = ParseFormOpcodes (&Walk, Form, Consumed);
  }

  if (!EFI_ERROR (Status)) {
    ApplyTopLevelRule (Set, (PAGE_RECORD *)Walk.Record, &Guid);
    Status = AppendPageRecord ((PAGE_RECORD *)Walk.Record, (UINT32)Walk.Used);
  }

  FreePool (Walk.Record);
  return Status;
}

//
// The walk over the package body.
//
static BOOLEAN
IsFormSetCondition (
  IN UINT8  OpCode
  )
{
  return (OpCode == EFI_IFR_SUPPRESS_IF_OP) || (OpCode == EFI_IFR_GRAY_OUT_IF_OP) || (OpCode == EFI_IFR_DISABLE_IF_OP);
}

// One opcode of the form-set level; *Next is where the walk goes on (null: the form set is over).
static EFI_STATUS
WalkFormSetOpcode (
  IN OUT FORM_SET_PARSE  *Set,
  IN CONST UINT8         *Op,
  OUT CONST UINT8        **Next
  )
{
  UINTN       Consumed;
  EFI_STATUS  Status;

  *Next = Op + IfrLength (Op);
  switch (Op[0]) {
    case EFI_IFR_VARSTORE_OP:
    case EFI_IFR_VARSTORE_NAME_VALUE_OP:
    case EFI_IFR_VARSTORE_EFI_OP:
      return ParseVarStoreOpcode (Set, Op);
    case EFI_IFR_FORM_SET_OP:
      return (Set->FormSet != NULL) ? EFI_VOLUME_CORRUPTED : OpenFormSet (Set, Op);
    case EFI_IFR_FORM_OP:
    case EFI_IFR_FORM_MAP_OP:
      if (Set->FormSet == NULL) {
        return EFI_VOLUME_CORRUPTED;      // a form outside any form set
      }

      Consumed = 0;
      Status   = ParseFormPage (Set, Op, &Consumed);
      *Next    = Op + Consumed;
      return Status;
    case EFI_IFR_END_OP: {
      CONST UINT8  *Closed = PopScope (Set);

      Set->PendingCondition = (Closed == Set->PendingCondition) ? NULL : Set->PendingCondition;
      *Next                 = (Closed == Set->FormSet) ? NULL : *Next;
      return EFI_SUCCESS;
    }
    case EFI_IFR_GUID_OP:
      ReadClassExtension (Op, &Set->Class, &Set->SubClass);
      break;
    default:
      if (!IsKnownIfrOpcode (Op[0])) {
        *Next = SkipScope (Op, Set->End, NULL);
        return (*Next == NULL) ? EFI_VOLUME_CORRUPTED : EFI_SUCCESS;
      }

      if (IsFormSetCondition (Op[0]) && (Set->PendingCondition == NULL) && IfrOpensScope (Op)) {
        Set->PendingCondition = Op;
      }

      break;
  }

  return IfrOpensScope (Op) ? PushScope (Set, Op) : EFI_SUCCESS;
}

static EFI_STATUS
WalkFormSet (
  IN OUT FORM_SET_PARSE  *Set,
  IN CONST UINT8         *Body
  )
{
  CONST UINT8  *Op = Body;
  EFI_STATUS   Status;

  while ((Op != NULL) && (Op < Set->End)) {
    if (!IfrFits (Op, Set->End)) {
      return EFI_VOLUME_CORRUPTED;
    }

    Status = WalkFormSetOpcode (Set, Op, &Op);
    if (EFI_ERROR (Status)) {
      return Status;
    }
  }

  return (Set->FormSet == NULL) ? EFI_NOT_FOUND : EFI_SUCCESS;
}

static EFI_STATUS
StartFormSetParse (
  IN OUT FORM_SET_PARSE       *Set,
  IN CONST DYNAMIC_PAGE_RECORD *Job,
  OUT CONST UINT8             **Body
  )
{
  CONST UINT8  *Package = Job->Package;
  UINTN        MaxDepth;
  EFI_STATUS   Status;

  if (Package == NULL) {
    return EFI_INVALID_PARAMETER;
  }

  if (Package[3] != EFI_HII_PACKAGE_FORMS) {
    return EFI_UNSUPPORTED;
  }

  if (ReadUnaligned24 (Package) < sizeof (EFI_HII_PACKAGE_HEADER)) {
    return EFI_VOLUME_CORRUPTED;
  }

  // The length counts the 4-byte header: the opcodes run from the header's end to there.
  *Body  = Package + sizeof (EFI_HII_PACKAGE_HEADER);
  Status = CheckFormsFraming (*Body, Package + ReadUnaligned24 (Package), &Set->End, &MaxDepth);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  Set->HiiHandle     = Job->HiiHandle;
  Set->FirstPage     = MAX (GetWorkPageCount (), 1u);
  Set->NextPage      = Set->FirstPage;
  Set->ScopeCapacity = MaxDepth + 1;
  Set->Scopes        = (CONST UINT8 **)AllocatePool (Set->ScopeCapacity * sizeof (*Set->Scopes));
  return (Set->Scopes == NULL) ? EFI_OUT_OF_RESOURCES : EFI_SUCCESS;
}

EFI_STATUS
ParseFormSetForms (
  IN OUT DYNAMIC_PAGE_RECORD  *Job
  )
{
  FORM_SET_PARSE   Set;
  WORK_TABLE_MARK  Mark;
  CONST UINT8      *Body = NULL;
  EFI_STATUS       Status;

  ZeroMem (&Set, sizeof (Set));
  if (Job == NULL) {
    return EFI_INVALID_PARAMETER;
  }

  Status = StartFormSetParse (&Set, Job, &Body);
  if (!EFI_ERROR (Status)) {
    Status = MarkWorkTables (&Mark);
    if (!EFI_ERROR (Status)) {
      Status = WalkFormSet (&Set, Body);
      if (EFI_ERROR (Status)) {
        RollBackWorkTables (&Mark);
      } else {
        ForgetWorkTableMark (&Mark);
        SettleReparsedPages (Set.FirstPage);
      }
    }
  }

  FreeVarStoreMap (&Set);
  FreePool (Set.FormIds);
  FreePool (Set.Scopes);
  if (!EFI_ERROR (Status) || (Status == EFI_ABORTED)) {
    Job->Parsed = 1;
  }

  // The driver-health form set keeps its pages but does not count as parsed.
  return (!EFI_ERROR (Status) && Set.DriverHealth) ? EFI_ABORTED : Status;
}

/** @file
  The form walk of the form parser: one control record per statement and question
  of a form, the condition nest each control sits in, LOCKED and MODAL_TAG, and the
  controls' scopes stepped over.
**/
#include <engine/forms/IfrParserInternal.h>
#include <engine/forms/FormTables.h>
#include <engine/core/SetupData.h>

#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>

#define STATEMENT_PROMPT_AT     2
#define STATEMENT_HELP_AT       4
#define QUESTION_ID_AT          6
#define RULE_ID_AT              2
#define REF_QUESTION_ID_AT      15

static BOOLEAN
IsConditionOpening (
  IN UINT8  OpCode
  )
{
  return (OpCode == EFI_IFR_SUPPRESS_IF_OP) || (OpCode == EFI_IFR_GRAY_OUT_IF_OP) || (OpCode == EFI_IFR_DISABLE_IF_OP) ||
         (OpCode == EFI_IFR_NO_SUBMIT_IF_OP) || (OpCode == EFI_IFR_INCONSISTENT_IF_OP);
}

// The control type an opcode makes, or 0 for opcodes that make no record.
static UINT16
ControlTypeOf (
  IN CONST UINT8  *Op,
  IN CONST UINT8  *End
  )
{
  CONTROL_RECORD  Probe;

  switch (Op[0]) {
    case EFI_IFR_SUBTITLE_OP:        return CONTROL_TYPE_SUBTITLE;
    case EFI_IFR_TEXT_OP:            return CONTROL_TYPE_TEXT;
    case EFI_IFR_ONE_OF_OP:          return CONTROL_TYPE_ONE_OF;
    case EFI_IFR_NUMERIC_OP:         return CONTROL_TYPE_NUMERIC;
    case EFI_IFR_PASSWORD_OP:        return CONTROL_TYPE_PASSWORD;
    case EFI_IFR_ACTION_OP:          return CONTROL_TYPE_ACTION;
    case EFI_IFR_RESET_BUTTON_OP:    return CONTROL_TYPE_RESET_BUTTON;
    case EFI_IFR_REF_OP:             return CONTROL_TYPE_REF;
    case EFI_IFR_NO_SUBMIT_IF_OP:    return CONTROL_TYPE_NO_SUBMIT_IF;
    case EFI_IFR_INCONSISTENT_IF_OP: return CONTROL_TYPE_INCONSISTENT_IF;
    case EFI_IFR_RULE_OP:            return CONTROL_TYPE_RULE;
    case EFI_IFR_DATE_OP:            return CONTROL_TYPE_DATE;
    case EFI_IFR_TIME_OP:            return CONTROL_TYPE_TIME;
    case EFI_IFR_STRING_OP:          return CONTROL_TYPE_STRING;
    case EFI_IFR_ORDERED_LIST_OP:    return CONTROL_TYPE_ORDERED_LIST;
    case EFI_IFR_CHECKBOX_OP:
      ZeroMem (&Probe, sizeof (Probe));
      Probe.QuestionOpcode = (UINT64)(UINTN)Op;
      return GetCheckboxControlType (&Probe, End);
    default:
      return 0;
  }
}

static BOOLEAN
TakesStrings (
  IN UINT16  Type
  )
{
  return (Type != CONTROL_TYPE_RULE) && (Type != CONTROL_TYPE_NO_SUBMIT_IF) && (Type != CONTROL_TYPE_INCONSISTENT_IF);
}

// The first condition opening records the outermost condition; further ones nest.
static VOID
OpenCondition (
  IN OUT FORM_WALK  *Walk,
  IN CONST UINT8    *Op
  )
{
  if (Walk->ConditionDepth++ == 0) {
    Walk->Condition = (Walk->Set->PendingCondition != NULL) ? Walk->Set->PendingCondition : Op;
  }
}

static CONST UINT8 *
CurrentCondition (
  IN CONST FORM_WALK  *Walk,
  IN CONST UINT8      *Op
  )
{
  if (Walk->ConditionDepth > 0) {
    return Walk->Condition;
  }

  // A check inside a question with no condition open stands in its own nest.
  if ((Walk->Set->PendingCondition == NULL) && ((Op[0] == EFI_IFR_NO_SUBMIT_IF_OP) || (Op[0] == EFI_IFR_INCONSISTENT_IF_OP))) {
    return Op;
  }

  return Walk->Set->PendingCondition;
}

static EFI_STATUS
AppendControlToPage (
  IN OUT FORM_WALK       *Walk,
  IN CONST CONTROL_RECORD *Record,
  IN UINT32              Size
  )
{
  UINT32      Offset;
  EFI_STATUS  Status = AppendControlRecord (Record, Size, &Offset);

  if (!EFI_ERROR (Status)) {
    Status = AppendToPageRecord (&Walk->Record, &Walk->Capacity, &Walk->Used, &Offset, sizeof (Offset));
  }

  if (!EFI_ERROR (Status) && (((PAGE_RECORD *)Walk->Record)->ControlCount == MAX_PAGE_CONTROLS)) {
    ShowUnrecoverableError (u"Reached RWZ Maximum supported Controls");
  }

  if (!EFI_ERROR (Status) && ((Record->Flags & CONTROL_FLAG_REFRESH_EVENT_GROUP) != 0) &&
      (gFormsNeighbours.RefreshQuestionAdded != NULL))
  {
    Status = gFormsNeighbours.RefreshQuestionAdded (Record);
  }

  return Status;
}

static VOID
FillControlHead (
  IN CONST FORM_WALK       *Walk,
  IN CONST UINT8           *Op,
  IN UINT16                Type,
  IN CONST QUESTION_SHAPE  *Shape,
  OUT CONTROL_RECORD       *Record
  )
{
  Record->HiiHandle          = Walk->Set->HiiHandle;
  Record->VariableIndex      = Shape->VariableIndex;
  Record->DevicePathStringId = Shape->DevicePath;
  Record->DefaultCount       = Shape->DefaultCount;
  Record->ControlType        = Type & CONTROL_TYPE_MASK;
  Record->PageNumber         = Walk->PageNumber;
  Record->RefTargetPage      = CONTROL_NO_REF_TARGET;
  Record->Flags              = Shape->Flags;
  Record->SkippedOpcodeCount = Walk->SkippedCount;
  Record->ValueWidth         = Shape->Width;
  Record->ValueSize          = Shape->Width;
  Record->ConditionOpcode    = (UINT64)(UINTN)CurrentCondition (Walk, Op);
  if ((Type != CONTROL_TYPE_NO_SUBMIT_IF) && (Type != CONTROL_TYPE_INCONSISTENT_IF)) {
    Record->QuestionOpcode = (UINT64)(UINTN)Op;
  }

  if (IfrReadBanner (Op, NULL, NULL, &Record->PromptStringId)) {
    return;     // a header line: a text with no help, read whole where it is drawn
  }

  if (TakesStrings (Type)) {
    Record->PromptStringId = (UINT16)IfrField (Op, STATEMENT_PROMPT_AT, 2);
    Record->HelpStringId   = (UINT16)IfrField (Op, STATEMENT_HELP_AT, 2);
  }

  if (IsQuestionOpcode (Op[0])) {
    Record->QuestionId = (UINT16)IfrField (Op, QUESTION_ID_AT, 2);
  } else if (Type == CONTROL_TYPE_RULE) {
    Record->QuestionId      = (UINT16)IfrField (Op, RULE_ID_AT, 1);    // RULE_REF finds the rule by this id
    Record->ConditionOpcode = (UINT64)(UINTN)(Op + IfrLength (Op));
  }

  if (Type == CONTROL_TYPE_REF) {
    Record->RefTargetPage = MapFormIdToPageIndex (Walk->Set, (UINT16)IfrField (Op, IFR_REF_FORM_ID_AT, 2), Walk->PageNumber);
    Record->RefQuestionId = (UINT16)IfrField (Op, REF_QUESTION_ID_AT, 2);
  }
}

static EFI_STATUS AddNestedChecks (IN OUT FORM_WALK *Walk, IN CONST UINT8 *Question);

// Room on the stack for a control record under construction.
#define CONTROL_BUILD_BYTES  512

static EFI_STATUS
AddControl (
  IN OUT FORM_WALK  *Walk,
  IN CONST UINT8    *Op,
  IN UINT16         Type
  )
{
  QUESTION_SHAPE  Shape;
  UINT64          Usual[CONTROL_BUILD_BYTES / sizeof (UINT64)];
  CONTROL_RECORD  *Record;
  UINT32          Size;
  EFI_STATUS      Status;

  Status = ParseQuestionStorage (Walk, Op, Walk->Set->End, &Shape);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  // Most records are built on the stack; only wide values with many defaults need the pool.
  Size   = ControlRecordSize (Shape.Width, Shape.DefaultCount);
  Record = (Size <= sizeof (Usual)) ? (CONTROL_RECORD *)Usual : (CONTROL_RECORD *)AllocatePool (Size);
  if (Record == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  ZeroMem (Record, Size);
  FillControlHead (Walk, Op, Type, &Shape, Record);
  FillQuestionDefaults (Op, Walk->Set->End, &Shape, Record);
  TakeCompiledDefaults (Walk->Set->FormSet, Record);
  Status = AppendControlToPage (Walk, Record, Size);
  if (Record != (CONTROL_RECORD *)Usual) {
    FreePool (Record);
  }
  if (!EFI_ERROR (Status) && Shape.HasChecks) {
    Status = AddNestedChecks (Walk, Op);
  }

  return Status;
}

// The NO_SUBMIT_IF and INCONSISTENT_IF checks inside a question's scope, each its own record after the question's.
static EFI_STATUS
AddNestedChecks (
  IN OUT FORM_WALK  *Walk,
  IN CONST UINT8    *Question
  )
{
  CONST UINT8  *End   = SkipScope (Question, Walk->Set->End, NULL);
  EFI_STATUS   Status = EFI_SUCCESS;

  for (CONST UINT8 *Op = Question + IfrLength (Question); !EFI_ERROR (Status) && (Op != NULL) && (Op < End);
       Op = IfrNext (Op, End))
  {
    if ((Op[0] == EFI_IFR_NO_SUBMIT_IF_OP) || (Op[0] == EFI_IFR_INCONSISTENT_IF_OP)) {
      Status = AddControl (Walk, Op, ControlTypeOf (Op, End));
    }
  }

  return Status;
}

// A control and its scope: the scope's opcodes are stepped over and counted.
static EFI_STATUS
WalkControl (
  IN OUT FORM_WALK  *Walk,
  IN CONST UINT8    *Op,
  IN UINT16         Type,
  OUT CONST UINT8   **Next
  )
{
  UINT16      Skipped = 0;
  EFI_STATUS  Status  = AddControl (Walk, Op, Type);

  if (EFI_ERROR (Status)) {
    return Status;
  }

  // A subtitle's children are walked as opcodes of the form.
  if (Type == CONTROL_TYPE_SUBTITLE) {
    *Next = Op + IfrLength (Op);
    return IfrOpensScope (Op) ? PushScope (Walk->Set, Op) : EFI_SUCCESS;
  }

  *Next               = SkipScope (Op, Walk->Set->End, &Skipped);
  Walk->SkippedCount  = (UINT16)(Walk->SkippedCount + Skipped);
  return (*Next == NULL) ? EFI_VOLUME_CORRUPTED : EFI_SUCCESS;
}

// END: the closed scope ends a condition nest, or the form itself.
static BOOLEAN
CloseScope (
  IN OUT FORM_WALK  *Walk,
  IN CONST UINT8    *Form
  )
{
  CONST UINT8  *Closed = PopScope (Walk->Set);

  if ((Closed != NULL) && IsConditionOpening (Closed[0]) && (Walk->ConditionDepth > 0) && (--Walk->ConditionDepth == 0)) {
    Walk->Condition = NULL;
  }

  return (Closed == Form) || (Closed == NULL);
}

//
// A front page's header lines become text rows at the top of its page, one a line: the
// first banner of a line among those that stand together makes the row, which shows
// the line's texts of every alignment.
//
static BOOLEAN
StartsBannerLine (
  IN OUT FORM_WALK    *Walk,
  IN     CONST UINT8  *Op
  )
{
  UINT16  Line;
  UINT16  Earlier;

  if (!IfrReadBanner (Op, &Line, NULL, NULL) || !IfrIsFrontPage (Walk->Set->FormSet, Walk->Set->SubClass)) {
    return FALSE;
  }

  if (Op != Walk->BannerNext) {
    Walk->BannerRun = Op;
  }

  Walk->BannerNext = Op + IfrLength (Op);
  for (CONST UINT8 *Seen = Walk->BannerRun; Seen < Op; Seen += IfrLength (Seen)) {
    if (IfrReadBanner (Seen, &Earlier, NULL, NULL) && (Earlier == Line)) {
      return FALSE;
    }
  }

  return TRUE;
}

static EFI_STATUS
WalkFormOpcode (
  IN OUT FORM_WALK  *Walk,
  IN CONST UINT8    *Op,
  OUT CONST UINT8   **Next
  )
{
  UINT16  Type = ControlTypeOf (Op, Walk->Set->End);

  *Next = Op + IfrLength (Op);
  if (IsConditionOpening (Op[0]) && IfrOpensScope (Op)) {
    EFI_STATUS  Status = EFI_SUCCESS;

    OpenCondition (Walk, Op);
    if (Type != 0) {
      Status = AddControl (Walk, Op, Type);
    }

    return EFI_ERROR (Status) ? Status : PushScope (Walk->Set, Op);
  }

  if (Type != 0) {
    return WalkControl (Walk, Op, Type, Next);
  }

  if (StartsBannerLine (Walk, Op)) {
    return AddControl (Walk, Op, CONTROL_TYPE_TEXT);
  }

  switch (Op[0]) {
    case EFI_IFR_LOCKED_OP:
      Walk->Locked = TRUE;
      return EFI_SUCCESS;
    case EFI_IFR_MODAL_TAG_OP:
      ((PAGE_RECORD *)Walk->Record)->Flags |= PAGE_FLAG_MODAL;
      return EFI_SUCCESS;
    case EFI_IFR_VARSTORE_OP:
    case EFI_IFR_VARSTORE_NAME_VALUE_OP:
    case EFI_IFR_VARSTORE_EFI_OP:
      return ParseVarStoreOpcode (Walk->Set, Op);
    default:
      break;
  }

  if (!IsKnownIfrOpcode (Op[0])) {
    *Next = SkipScope (Op, Walk->Set->End, NULL);
    return (*Next == NULL) ? EFI_VOLUME_CORRUPTED : EFI_SUCCESS;
  }

  return IfrOpensScope (Op) ? PushScope (Walk->Set, Op) : EFI_SUCCESS;
}

EFI_STATUS
ParseFormOpcodes (
  IN OUT FORM_WALK  *Walk,
  IN CONST UINT8    *Form,
  OUT UINTN         *Consumed
  )
{
  CONST UINT8  *Op     = Form + IfrLength (Form);
  EFI_STATUS   Status;

  if (!IfrOpensScope (Form)) {
    *Consumed = IfrLength (Form);     // a form without a scope holds nothing
    return EFI_SUCCESS;
  }

  Status = PushScope (Walk->Set, Form);
  while (!EFI_ERROR (Status)) {
    if (!IfrFits (Op, Walk->Set->End)) {
      return EFI_VOLUME_CORRUPTED;
    }

    if (Op[0] == EFI_IFR_END_OP) {
      if (CloseScope (Walk, Form)) {
        *Consumed = (UINTN)(Op + IfrLength (Op) - Form);
        return EFI_SUCCESS;
      }

      Op += IfrLength (Op);
      continue;
    }

    Status = WalkFormOpcode (Walk, Op, &Op);
  }

  return Status;
}

/** @file
  Question conditions. A control record points at the outermost condition around
  it; that condition decides alone when it suppresses, disables or flags an error.
  Otherwise the nest is walked from there to the control's question, one frame per
  open scope, and the frames are combined from the innermost out.
**/
#include <engine/forms/QuestionConditions.h>
#include <engine/core/EngineGlobals.h>
#include <engine/forms/FormTables.h>
#include <engine/core/EngineStrings.h>
#include <engine/forms/IfrExpression.h>
#include <engine/forms/IfrOpcode.h>
#include <engine/forms/QuestionAccess.h>
#include <engine/core/SetupData.h>
#include <engine/core/BootScreenInterface.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>

#define ERROR_STRING_FIELD    2      // NO_SUBMIT_IF and INCONSISTENT_IF
#define NO_ERROR_STRING       0xFFFF
#define MESSAGE_BOX_OK        0

typedef struct {
  UINT8  State;
  UINT8  Opcode;
} CONDITION_FRAME;

typedef struct {
  CONDITION_FRAME  Frames[CONDITION_NEST_DEPTH];
  UINTN            Count;
} CONDITION_NEST;

static EFI_GUID  mBootScreenInterfaceGuid = BOOT_SCREEN_INTERFACE_GUID;

// The kind a condition gives when it holds; 0 for other opcodes.
static UINT8
ConditionKind (
  IN UINT8  Opcode
  )
{
  switch (Opcode) {
    case EFI_IFR_SUPPRESS_IF_OP:     case EFI_IFR_DISABLE_IF_OP: return CONDITION_STATE_SUPPRESSED;
    case EFI_IFR_GRAY_OUT_IF_OP:     return CONDITION_STATE_GRAYED_OUT;
    case EFI_IFR_INCONSISTENT_IF_OP: return CONDITION_STATE_INCONSISTENT;
    case EFI_IFR_NO_SUBMIT_IF_OP:    return CONDITION_STATE_NO_SUBMIT;
    default:                         return 0;
  }
}

// The bytes of an opcode with its whole scope; up to End when its END is missing.
static UINTN
ScopeLength (
  IN CONST UINT8  *Opcode,
  IN CONST UINT8  *End
  )
{
  UINTN  Depth = 0;

  for (CONST UINT8 *Op = Opcode; Op != NULL; Op = IfrNext (Op, End)) {
    if (Op[0] == EFI_IFR_END_OP) {
      Depth = (Depth == 0) ? 0 : Depth - 1;
    } else if (IfrOpensScope (Op)) {
      Depth++;
    }

    if (Depth == 0) {
      return (UINTN)(Op - Opcode) + IfrLength (Op);
    }
  }

  return (UINTN)(End - Opcode);
}

UINTN
IsConditionOpcode (
  IN CONST UINT8  *Opcode
  )
{
  CONST UINT8  *End = (Opcode == NULL) ? NULL : FindFormsPackageEnd (Opcode);

  if (!IfrFits (Opcode, End) || (ConditionKind (Opcode[0]) == 0)) {
    return 0;
  }

  return ScopeLength (Opcode, End);
}

//
// Whether one condition holds: its expression, evaluated for the control, is a
// true boolean. Length is what the expression took (0 when it failed).
//
static BOOLEAN
ConditionHolds (
  IN  CONST CONTROL_RECORD  *Control,
  IN  CONST UINT8           *Condition,
  OUT UINTN                 *Length
  )
{
  CONTROL_RECORD  Record;
  IFR_VALUE_CELL  Result;

  CopyMem (&Record, Control, sizeof (Record));
  Record.ConditionOpcode = (UINT64)(UINTN)Condition;
  if (EFI_ERROR (EvaluateOperator (&Record, &Result, Length))) {
    *Length = 0;
    return FALSE;
  }

  return (Result.Type == EFI_IFR_TYPE_BOOLEAN) && (IfrCellNumber (&Result) != 0);
}

static BOOLEAN
PushFrame (
  IN OUT CONDITION_NEST  *Nest,
  IN     UINT8           State,
  IN     UINT8           Opcode
  )
{
  if (Nest->Count == CONDITION_NEST_DEPTH) {
    return FALSE;
  }

  Nest->Frames[Nest->Count].State  = State;
  Nest->Frames[Nest->Count].Opcode = Opcode;
  Nest->Count++;
  return TRUE;
}

//
// A SUPPRESS_IF, DISABLE_IF or GRAY_OUT_IF on the walk: a frame when the
// question may lie in its scope, and the opcode after its expression. A failed
// expression counts as false and its whole scope is stepped over.
//
static CONST UINT8 *
EnterCondition (
  IN     CONST CONTROL_RECORD  *Control,
  IN     CONST UINT8           *Condition,
  IN     CONST UINT8           *End,
  IN OUT CONDITION_NEST        *Nest,
  OUT    BOOLEAN               *Full
  )
{
  UINTN    Scope  = ScopeLength (Condition, End);
  UINTN    Length = 0;
  BOOLEAN  Holds  = ConditionHolds (Control, Condition, &Length);

  *Full = FALSE;
  if ((Length == 0) || (Length >= Scope)) {
    return Condition + Scope;
  }

  *Full = !PushFrame (Nest, Holds ? ConditionKind (Condition[0]) : 0, Condition[0]);
  return Condition + Length;
}

static BOOLEAN
IsCheck (
  IN CONST CONTROL_RECORD  *Control
  )
{
  UINT16  Type = Control->ControlType & CONTROL_TYPE_MASK;

  return (Type == CONTROL_TYPE_INCONSISTENT_IF) || (Type == CONTROL_TYPE_NO_SUBMIT_IF);
}

// One step of the walk; null ends it.
static CONST UINT8 *
WalkStep (
  IN     CONST CONTROL_RECORD  *Control,
  IN     CONST UINT8           *Op,
  IN     CONST UINT8           *Question,
  IN     CONST UINT8           *End,
  IN OUT CONDITION_NEST        *Nest
  )
{
  UINTN    Scope;
  BOOLEAN  Full = FALSE;

  switch (Op[0]) {
    case EFI_IFR_SUPPRESS_IF_OP: case EFI_IFR_DISABLE_IF_OP: case EFI_IFR_GRAY_OUT_IF_OP:
      Op = EnterCondition (Control, Op, End, Nest, &Full);
      return Full ? NULL : Op;
    case EFI_IFR_NO_SUBMIT_IF_OP: case EFI_IFR_INCONSISTENT_IF_OP:
      // On the way to a check, the checks before it are passed; otherwise one ends the walk.
      return IsCheck (Control) ? Op + ScopeLength (Op, End) : NULL;
    case EFI_IFR_END_OP:
      Nest->Count -= (Nest->Count == 0) ? 0 : 1;
      return Op + IfrLength (Op);
    default:
      break;
  }

  // Forms, and any scope that holds the question, are entered; other scopes stepped over.
  Scope = ScopeLength (Op, End);
  if (IfrOpensScope (Op) && ((Op[0] == EFI_IFR_FORM_OP) || (Op[0] == EFI_IFR_FORM_MAP_OP) ||
                             ((Question > Op) && (Question < Op + Scope))))
  {
    return PushFrame (Nest, 0, Op[0]) ? Op + IfrLength (Op) : NULL;
  }

  return Op + Scope;
}

// Frames from the innermost out, starting from State.
static UINT8
CombineFrames (
  IN CONST CONDITION_NEST  *Nest,
  IN UINT8                 State
  )
{
  for (UINTN Index = Nest->Count; Index > 0; Index--) {
    UINT8  Frame = Nest->Frames[Index - 1].State;

    if ((State == 0) || (State >= CONDITION_STATE_INCONSISTENT) || ((State == CONDITION_STATE_GRAYED_OUT) && (Frame != 0))) {
      State = Frame;
    }
  }

  return State;
}

// The page's check records of the control's kind under its condition that come before it.
static UINTN
ChecksBefore (
  IN  CONST CONTROL_RECORD  *Control,
  IN  BOOLEAN               ByContent,
  OUT BOOLEAN               *Found
  )
{
  UINT16          Type    = Control->ControlType & CONTROL_TYPE_MASK;
  UINTN           Ordinal = 0;
  CONTROL_RECORD  *Other;

  *Found = FALSE;
  for (UINTN N = 0; !EFI_ERROR (GetPageControl (Control->PageNumber, N, &Other)); N++) {
    if (ByContent ? (CompareMem (Other, Control, sizeof (CONTROL_RECORD)) == 0) : (Other == Control)) {
      *Found = TRUE;
      break;
    }

    Ordinal += (((Other->ControlType & CONTROL_TYPE_MASK) == Type) && (Other->ConditionOpcode == Control->ConditionOpcode)) ? 1 : 0;
  }

  return *Found ? Ordinal : 0;
}

//
// A check record (inconsistency or no-submit) carries no opcode of its own: when
// its condition pointer names an enclosing condition, the check is the one of its
// kind in that scope whose position matches the record's among the page's check
// records of the same kind under the same condition.
//
static CONST UINT8 *
FindCheckOpcode (
  IN CONST CONTROL_RECORD  *Control,
  IN CONST UINT8           *Outer,
  IN CONST UINT8           *End
  )
{
  UINT16          Type   = Control->ControlType & CONTROL_TYPE_MASK;
  UINT8           Opcode = (Type == CONTROL_TYPE_NO_SUBMIT_IF) ? EFI_IFR_NO_SUBMIT_IF_OP : EFI_IFR_INCONSISTENT_IF_OP;
  CONST UINT8     *Stop  = Outer + ScopeLength (Outer, End);
  UINTN           Ordinal;
  BOOLEAN         Found;

  // The record itself, or else a copy of it (callers may hold one).
  Ordinal = ChecksBefore (Control, FALSE, &Found);
  if (!Found) {
    Ordinal = ChecksBefore (Control, TRUE, &Found);
  }

  for (CONST UINT8 *Op = IfrNext (Outer, End); (Op != NULL) && (Op < Stop); Op = IfrNext (Op, End)) {
    if ((Op[0] == Opcode) && (Ordinal-- == 0)) {
      return Op;
    }
  }

  return NULL;
}

static UINT8
EvaluateNest (
  IN CONST CONTROL_RECORD  *Control
  )
{
  CONST UINT8     *Outer    = (CONST UINT8 *)(UINTN)Control->ConditionOpcode;
  CONST UINT8     *Question = (CONST UINT8 *)(UINTN)Control->QuestionOpcode;
  CONST UINT8     *End      = FindFormsPackageEnd (Outer);
  CONST UINT8     *Check    = NULL;
  CONST UINT8     *Limit;
  CONDITION_NEST  Nest;
  UINTN           Length;
  UINT8           Kind;
  UINT8           State;

  if (!IfrFits (Outer, End) || ((Kind = ConditionKind (Outer[0])) == 0)) {
    return CONDITION_STATE_SHOWN;
  }

  if (ConditionHolds (Control, Outer, &Length) && (Kind != CONDITION_STATE_GRAYED_OUT)) {
    return Kind;
  }

  if (IsCheck (Control) && (Question == NULL) && (Kind < CONDITION_STATE_INCONSISTENT)) {
    Question = Check = FindCheckOpcode (Control, Outer, End);
  }

  // Without a question of its own, the walk ends with the outermost condition's scope.
  Limit = ((Question > Outer) && (Question < End)) ? Question : Outer + ScopeLength (Outer, End);
  Nest.Count = 0;
  for (CONST UINT8 *Op = Outer; (Op != NULL) && (Op < Limit) && IfrFits (Op, End); ) {
    Op = WalkStep (Control, Op, Question, End, &Nest);
  }

  State = CombineFrames (&Nest, CONDITION_STATE_SHOWN);
  if ((Check != NULL) && (State == CONDITION_STATE_SHOWN) && ConditionHolds (Control, Check, &Length)) {
    State = ConditionKind (Check[0]);
  }

  return State;
}

static UINT16
ControlQuestionId (
  IN CONST CONTROL_RECORD  *Control
  )
{
  CONST UINT8  *Question = (CONST UINT8 *)(UINTN)Control->QuestionOpcode;

  if ((Control->QuestionId != 0) || (Question == NULL) || (IfrLength (Question) < IFR_QUESTION_ID_END)) {
    return Control->QuestionId;
  }

  return (UINT16)IfrField (Question, IFR_QUESTION_ID_AT, 2);
}

//
// FORM_MAP questions: READ results go to the question; WRITE expressions and
// DEFAULT values are evaluated for what they do.
//
static VOID
RunFormMapAccess (
  IN CONST CONTROL_RECORD  *Control
  )
{
  CONST UINT8     *Question = (CONST UINT8 *)(UINTN)Control->QuestionOpcode;
  CONST UINT8     *End      = (Question == NULL) ? NULL : FindFormsPackageEnd (Question);
  CONST UINT8     *Stop;
  IFR_VALUE_CELL  Result;
  BOOLEAN         Read;

  if (!IfrFits (Question, End) || !IfrOpensScope (Question)) {
    return;
  }

  Stop = Question + ScopeLength (Question, End);
  for (CONST UINT8 *Op = IfrNext (Question, End); (Op != NULL) && (Op < Stop); Op = IfrNext (Op, End)) {
    Read = (Op[0] == EFI_IFR_READ_OP);
    if (!Read && (Op[0] != EFI_IFR_WRITE_OP) && !((Op[0] == EFI_IFR_DEFAULT_OP) && (IfrNext (Op, End) != NULL) &&
                                                   (IfrNext (Op, End)[0] == EFI_IFR_VALUE_OP)))
    {
      continue;
    }

    CONST UINT8  *Expression = IfrNext (Op, End);

    if ((Op[0] == EFI_IFR_DEFAULT_OP) && (Expression != NULL)) {
      Expression = IfrNext (Expression, End);
    }

    // A failed expression leaves the question as it is; the others still run.
    if ((Expression != NULL) && !EFI_ERROR (EvaluateExpression (Expression, Control, &Result)) && Read &&
        ((Control->ControlType & CONTROL_TYPE_MASK) != CONTROL_TYPE_INCONSISTENT_IF))
    {
      (VOID)SetQuestionValueById (ControlQuestionId (Control), Control->PageNumber, &Result);
    }
  }
}

UINT8
EvaluateControlCondition (
  IN CONST CONTROL_RECORD  *Control
  )
{
  UINT8  State  = CONDITION_STATE_SHOWN;
  UINT32 Access;

  if (Control == NULL) {
    return CONDITION_STATE_SHOWN;
  }

  if ((Control->Flags & CONTROL_FLAG_FORM_MAP_ACCESS) != 0) {
    RunFormMapAccess (Control);
  }

  if (Control->ConditionOpcode != 0) {
    State = EvaluateNest (Control);
  }

  // The access bits overrule every condition.
  Access = (Control->Flags & CONTROL_FLAG_ACCESS_MASK) >> CONTROL_FLAG_ACCESS_SHIFT;
  if (Access != 0) {
    State = CONDITION_STATE_SHOWN;
    if (gAccessLevel == ACCESS_LEVEL_USER) {
      State = (Access == CONTROL_ACCESS_GRAYED) ? CONDITION_STATE_GRAYED_OUT
                                                : ((Access == CONTROL_ACCESS_HIDDEN) ? CONDITION_STATE_SUPPRESSED : State);
    }
  }

  return State;
}

//
// The message box of a page check: the engine's title with the driver's error
// string of the check, or the title alone.
//
static VOID
ShowCheckMessage (
  IN CONST CONTROL_RECORD  *Control,
  IN EFI_STRING_ID         TitleId
  )
{
  BOOT_SCREEN_INTERFACE  *Screen = NULL;
  CONST UINT8            *Check  = (CONST UINT8 *)(UINTN)Control->ConditionOpcode;
  CONST UINT8            *End    = (Check == NULL) ? NULL : FindFormsPackageEnd (Check);
  CHAR16                 *Title;
  CHAR16                 *Message = NULL;
  CHAR16                 Empty[1] = { 0 };
  UINT16                 ErrorId  = NO_ERROR_STRING;
  UINT8                  Selection = 0;

  if ((gBS == NULL) || EFI_ERROR (gBS->LocateProtocol (&mBootScreenInterfaceGuid, NULL, (VOID **)&Screen)) ||
      (Screen == NULL))
  {
    return;
  }

  if (IfrFits (Check, End) && (ConditionKind (Check[0]) != 0) && (ConditionKind (Check[0]) < CONDITION_STATE_INCONSISTENT)) {
    Check = FindCheckOpcode (Control, Check, End);
  }

  if ((Check != NULL) && (ConditionKind (Check[0]) >= CONDITION_STATE_INCONSISTENT) &&
      (IfrLength (Check) >= ERROR_STRING_FIELD + sizeof (UINT16)))
  {
    ErrorId = (UINT16)IfrField (Check, ERROR_STRING_FIELD, 2);
  }

  Title   = HiiGetString (ENGINE_OWN_HII_HANDLE, TitleId, NULL);
  Message = (ErrorId == NO_ERROR_STRING) ? NULL : HiiGetString (Control->HiiHandle, ErrorId, NULL);
  // The user's answer changes nothing: the check holds either way.
  (VOID)Screen->ShowBootScreenMessageBox ((Title == NULL) ? Empty : Title, (Message == NULL) ? Empty : Message,
                                          MESSAGE_BOX_OK, &Selection);
  FreeAndNull (Title);
  FreeAndNull (Message);
}

// The first control of Type on Page whose state is State; null when none.
static CONTROL_RECORD *
FindHoldingCheck (
  IN UINTN   Page,
  IN UINT16  Type,
  IN UINT8   State
  )
{
  CONTROL_RECORD  *Control;

  for (UINTN N = 0; !EFI_ERROR (GetPageControl (Page, N, &Control)); N++) {
    if (((Control->ControlType & CONTROL_TYPE_MASK) == Type) && (EvaluateControlCondition (Control) == State)) {
      return Control;
    }
  }

  return NULL;
}

//
// A holding check refuses whether or not its message can be shown: only the
// message needs the boot-screen interface.
//
BOOLEAN
CheckPageInconsistency (
  IN UINTN  Page
  )
{
  CONTROL_RECORD  *Control = FindHoldingCheck (Page, CONTROL_TYPE_INCONSISTENT_IF, CONDITION_STATE_INCONSISTENT);

  if (Control == NULL) {
    return FALSE;
  }

  ShowCheckMessage (Control, STR_INCONSISTENCY_ERROR);
  return TRUE;
}

BOOLEAN
CheckNoSubmit (
  VOID
  )
{
  PAGE_RECORD     *Page;
  CONTROL_RECORD  *Control;

  for (UINTN Index = 0; Index < GetPageCount (); Index++) {
    if (EFI_ERROR (GetPageData (Index, &Page)) || (Page->HiiHandle == NULL)) {
      continue;
    }

    Control = FindHoldingCheck (Index, CONTROL_TYPE_NO_SUBMIT_IF, CONDITION_STATE_NO_SUBMIT);
    if (Control != NULL) {
      ShowCheckMessage (Control, STR_SUBMIT_ERROR);
      return TRUE;
    }
  }

  return FALSE;
}

UINT8
EvaluateOptionCondition (
  IN CONST CONTROL_RECORD  *Control,
  IN CONST UINT8           *Condition,
  IN CONST UINT8           *Option
  )
{
  CONTROL_RECORD  Record;

  if ((Control == NULL) || (Condition == NULL)) {
    return CONDITION_STATE_SHOWN;
  }

  ZeroMem (&Record, sizeof (Record));
  Record.HiiHandle       = Control->HiiHandle;
  Record.QuestionId      = Control->QuestionId;
  Record.PageNumber      = Control->PageNumber;
  Record.ConditionOpcode = (UINT64)(UINTN)Condition;
  Record.QuestionOpcode  = (UINT64)(UINTN)Option;
  return EvaluateControlCondition (&Record);
}

// The DEFAULT of the question's scope that holds an expression; null when none.
static CONST UINT8 *
FindDefaultExpression (
  IN CONST UINT8  *Question,
  IN CONST UINT8  *End
  )
{
  CONST UINT8  *Stop  = Question + ScopeLength (Question, End);
  UINTN        Depth  = 0;

  for (CONST UINT8 *Op = IfrNext (Question, End); (Op != NULL) && (Op < Stop); Op = IfrNext (Op, End)) {
    if ((Op[0] == EFI_IFR_DEFAULT_OP) && (Depth == 0) && IfrOpensScope (Op)) {
      return Op;
    }

    if (Op[0] == EFI_IFR_END_OP) {
      Depth -= (Depth == 0) ? 0 : 1;
    } else if (IfrOpensScope (Op)) {
      Depth++;
    }
  }

  return NULL;
}

UINTN
GetDefaultFromExpression (
  IN  CONST CONTROL_RECORD  *Control,
  OUT UINT8                 *Value
  )
{
  CONST UINT8     *Question = (Control == NULL) ? NULL : (CONST UINT8 *)(UINTN)Control->QuestionOpcode;
  CONST UINT8     *End      = (Question == NULL) ? NULL : FindFormsPackageEnd (Question);
  CONST UINT8     *Default;
  CONTROL_RECORD  Record;
  IFR_VALUE_CELL  Result;
  UINTN           Length;
  UINTN           Width;

  if ((Value == NULL) || ((Control->Flags & CONTROL_FLAG_DEFAULT_EXPRESSION) == 0) || !IfrFits (Question, End) ||
      ((Default = FindDefaultExpression (Question, End)) == NULL))
  {
    return 0;
  }

  // The expression sits in the VALUE inside the DEFAULT; THIS still names the question.
  CopyMem (&Record, Control, sizeof (Record));
  Record.ConditionOpcode = (UINT64)(UINTN)IfrNext (Default, End);
  if ((Record.ConditionOpcode == 0) || EFI_ERROR (EvaluateOperator (&Record, &Result, &Length))) {
    return 0;
  }

  Width = (Result.Type == EFI_IFR_TYPE_STRING) ? sizeof (EFI_STRING_ID) : GetQuestionWidth (Question);
  Width = (Width > EXPRESSION_DEFAULT_MAX) ? EXPRESSION_DEFAULT_MAX : Width;
  if ((Result.Type > EFI_IFR_TYPE_STRING) || (Width == 0)) {
    return 0;
  }

  CopyMem (Value, Result.Value, Width);
  return Width;
}

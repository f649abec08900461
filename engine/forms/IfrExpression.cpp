/** @file
  The expression evaluator's stacks and its walk: an expression runs from the
  opcode after its opener to the END that closes the opener's scope, or to the
  first opcode that is no part of an expression (the statements and questions a
  condition encloses follow its expression inside the same scope).
**/
#include <engine/forms/IfrEvaluation.h>
#include <engine/forms/FormTables.h>
#include <engine/forms/IfrOpcode.h>

#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>

EFI_STATUS
GrowExpressionStack (
  IN OUT IFR_VALUE_STACK  *Stack
  )
{
  IFR_VALUE_CELL  *Grown;

  Grown = (IFR_VALUE_CELL *)AllocateZeroPool ((Stack->Capacity + IFR_STACK_GROWTH) * sizeof (IFR_VALUE_CELL));
  if (Grown == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  if (Stack->Cells != NULL) {
    CopyMem (Grown, Stack->Cells, Stack->Count * sizeof (IFR_VALUE_CELL));
    FreePool (Stack->Cells);
  }

  Stack->Cells     = Grown;
  Stack->Capacity += IFR_STACK_GROWTH;
  return EFI_SUCCESS;
}

EFI_STATUS
PushExpressionValue (
  IN OUT IFR_VALUE_STACK       *Stack,
  IN     CONST IFR_VALUE_CELL  *Cell
  )
{
  EFI_STATUS  Status;

  if (Stack->Count == Stack->Capacity) {
    Status = GrowExpressionStack (Stack);
    if (EFI_ERROR (Status)) {
      return Status;
    }
  }

  CopyMem (&Stack->Cells[Stack->Count++], Cell, sizeof (IFR_VALUE_CELL));
  return EFI_SUCCESS;
}

EFI_STATUS
PopExpressionValue (
  IN OUT IFR_VALUE_STACK  *Stack,
  OUT    IFR_VALUE_CELL   *Cell
  )
{
  if (Stack->Count == 0) {
    return EFI_ACCESS_DENIED;
  }

  CopyMem (Cell, &Stack->Cells[--Stack->Count], sizeof (IFR_VALUE_CELL));
  return EFI_SUCCESS;
}

EFI_STATUS
PushScopeOpcode (
  IN OUT IFR_VALUE_STACK  *Stack,
  IN     UINT8            Opcode
  )
{
  IFR_VALUE_CELL  Cell;

  ZeroMem (&Cell, sizeof (Cell));
  Cell.Value[0] = Opcode;
  return PushExpressionValue (Stack, &Cell);
}

EFI_STATUS
PopScopeOpcode (
  IN OUT IFR_VALUE_STACK  *Stack,
  OUT    UINT8            *Opcode
  )
{
  IFR_VALUE_CELL  Cell;
  EFI_STATUS      Status;

  Status = PopExpressionValue (Stack, &Cell);
  if (!EFI_ERROR (Status)) {
    *Opcode = Cell.Value[0];
  }

  return Status;
}

VOID
FreeExpressionStack (
  IN OUT IFR_VALUE_STACK  *Stack
  )
{
  FreeAndNull (Stack->Cells);
  Stack->Count    = 0;
  Stack->Capacity = 0;
}

//
// The kept stack pairs. A pair handed back keeps its cells (and any growth); the next
// evaluation starts it empty, and no evaluation reads a cell it has not pushed, so a
// pair reused cannot be told from a new one.
//
#define IFR_KEPT_STACK_PAIRS  (IFR_RULE_DEPTH_LIMIT + 2)

typedef struct {
  IFR_VALUE_STACK  Values;
  IFR_VALUE_STACK  Scopes;
  BOOLEAN          InUse;
} IFR_KEPT_STACKS;

static IFR_KEPT_STACKS  mKeptStacks[IFR_KEPT_STACK_PAIRS];
static UINTN            mKeepDepth = 0;

VOID
IfrKeepEvaluationStacks (
  VOID
  )
{
  mKeepDepth++;
}

VOID
IfrReleaseEvaluationStacks (
  VOID
  )
{
  if ((mKeepDepth == 0) || (--mKeepDepth != 0)) {
    return;
  }

  // An evaluation still running keeps its pair; it frees the stacks itself when it ends.
  for (UINTN Pair = 0; Pair < IFR_KEPT_STACK_PAIRS; Pair++) {
    if (!mKeptStacks[Pair].InUse) {
      FreeExpressionStack (&mKeptStacks[Pair].Values);
      FreeExpressionStack (&mKeptStacks[Pair].Scopes);
    }
  }
}

VOID
IfrFreeKeptStacks (
  VOID
  )
{
  for (UINTN Pair = 0; Pair < IFR_KEPT_STACK_PAIRS; Pair++) {
    FreeExpressionStack (&mKeptStacks[Pair].Values);
    FreeExpressionStack (&mKeptStacks[Pair].Scopes);
    mKeptStacks[Pair].InUse = FALSE;
  }

  mKeepDepth = 0;
}

// Lends Eval a kept pair when stacks are being kept and one is free; FALSE otherwise.
static BOOLEAN
BorrowKeptStacks (
  IN OUT IFR_EVALUATION  *Eval
  )
{
  for (UINTN Pair = 0; (mKeepDepth > 0) && (Pair < IFR_KEPT_STACK_PAIRS); Pair++) {
    if (mKeptStacks[Pair].InUse) {
      continue;
    }

    if ((mKeptStacks[Pair].Values.Cells == NULL) && EFI_ERROR (GrowExpressionStack (&mKeptStacks[Pair].Values))) {
      return FALSE;
    }

    if ((mKeptStacks[Pair].Scopes.Cells == NULL) && EFI_ERROR (GrowExpressionStack (&mKeptStacks[Pair].Scopes))) {
      return FALSE;
    }

    mKeptStacks[Pair].InUse        = TRUE;
    mKeptStacks[Pair].Values.Count = 0;
    mKeptStacks[Pair].Scopes.Count = 0;
    Eval->Values                   = mKeptStacks[Pair].Values;
    Eval->Scopes                   = mKeptStacks[Pair].Scopes;
    Eval->Kept                     = Pair + 1;
    return TRUE;
  }

  return FALSE;
}

EFI_STATUS
IfrBeginEvaluation (
  OUT IFR_EVALUATION        *Eval,
  IN  CONST CONTROL_RECORD  *Control,
  IN  CONST UINT8           *End,
  IN  IFR_STRING_POOL       *Strings
  )
{
  EFI_STATUS  Status = EFI_SUCCESS;

  ZeroMem (Eval, sizeof (*Eval));
  Eval->Control = Control;
  Eval->End     = End;
  Eval->Strings = Strings;
  if (BorrowKeptStacks (Eval)) {
    return EFI_SUCCESS;
  }

  Status = GrowExpressionStack (&Eval->Values);
  if (!EFI_ERROR (Status)) {
    Status = GrowExpressionStack (&Eval->Scopes);
  }

  if (EFI_ERROR (Status)) {
    IfrEndEvaluation (Eval);
  }

  return Status;
}

VOID
IfrEndEvaluation (
  IN OUT IFR_EVALUATION  *Eval
  )
{
  IFR_KEPT_STACKS  *Pair;

  if (Eval->Kept != 0) {
    // The stacks may have grown (and moved) while the evaluation ran.
    Pair         = &mKeptStacks[Eval->Kept - 1];
    Pair->InUse  = FALSE;
    Eval->Kept   = 0;
    if (mKeepDepth != 0) {
      Pair->Values = Eval->Values;
      Pair->Scopes = Eval->Scopes;
      ZeroMem (&Eval->Values, sizeof (Eval->Values));
      ZeroMem (&Eval->Scopes, sizeof (Eval->Scopes));
      return;
    }

    // The keeping ended while this evaluation ran: its stacks go with it.
    ZeroMem (&Pair->Values, sizeof (Pair->Values));
    ZeroMem (&Pair->Scopes, sizeof (Pair->Scopes));
  }

  FreeExpressionStack (&Eval->Values);
  FreeExpressionStack (&Eval->Scopes);
}

static BOOLEAN
OpensExpression (
  IN UINT8  Opcode
  )
{
  return (Opcode == EFI_IFR_SUPPRESS_IF_OP) || (Opcode == EFI_IFR_NO_SUBMIT_IF_OP) ||
         (Opcode == EFI_IFR_INCONSISTENT_IF_OP) || (Opcode == EFI_IFR_GRAY_OUT_IF_OP) ||
         (Opcode == EFI_IFR_DISABLE_IF_OP) || (Opcode == EFI_IFR_RULE_OP) || (Opcode == EFI_IFR_VALUE_OP);
}

//
// Opcodes that are never part of an expression: forms, statements, questions,
// conditions and what a question's scope holds. Meeting one at the opener's level
// ends the expression. Any other opcode is an operator, evaluated or refused.
//
static BOOLEAN
EndsExpression (
  IN UINT8  Opcode
  )
{
  if ((Opcode >= EFI_IFR_FORM_OP) && (Opcode <= EFI_IFR_INCONSISTENT_IF_OP)) {
    return TRUE;
  }

  switch (Opcode) {
    case EFI_IFR_RULE_OP:         case EFI_IFR_GRAY_OUT_IF_OP: case EFI_IFR_DATE_OP:
    case EFI_IFR_TIME_OP:         case EFI_IFR_STRING_OP:      case EFI_IFR_REFRESH_OP:
    case EFI_IFR_DISABLE_IF_OP:   case EFI_IFR_ANIMATION_OP:   case EFI_IFR_ORDERED_LIST_OP:
    case EFI_IFR_VARSTORE_OP:     case EFI_IFR_VARSTORE_NAME_VALUE_OP:
    case EFI_IFR_VARSTORE_EFI_OP: case EFI_IFR_VARSTORE_DEVICE_OP:
    case EFI_IFR_VALUE_OP:        case EFI_IFR_DEFAULT_OP:     case EFI_IFR_DEFAULTSTORE_OP:
    case EFI_IFR_FORM_MAP_OP:     case EFI_IFR_GUID_OP:        case EFI_IFR_MODAL_TAG_OP:
    case EFI_IFR_REFRESH_ID_OP:   case EFI_IFR_WARNING_IF_OP:
      return TRUE;
    default:
      return FALSE;
  }
}

static EFI_STATUS
RunOperator (
  IN OUT IFR_EVALUATION  *Eval,
  IN     CONST UINT8     *Opcode
  )
{
  EFI_STATUS  Status;

  Status = IfrNumberOperator (Eval, Opcode);
  if (Status == EFI_UNSUPPORTED) {
    Status = IfrStringOperator (Eval, Opcode);
  }

  if (Status == EFI_UNSUPPORTED) {
    Status = IfrQuestionOperator (Eval, Opcode);
  }

  return Status;
}

//
// Runs the opcodes from First until the opener's scope closes or a statement
// follows the expression at the opener's level; Stop is where the walk ended.
//
static EFI_STATUS
RunExpression (
  IN OUT IFR_EVALUATION  *Eval,
  IN     CONST UINT8     *First,
  OUT    CONST UINT8     **Stop
  )
{
  CONST UINT8  *Opcode = First;
  EFI_STATUS   Status;
  UINT8        Closed;

  for ( ; ; Opcode += IfrLength (Opcode)) {
    if (!IfrFits (Opcode, Eval->End)) {
      return EFI_INVALID_PARAMETER;
    }

    if (Opcode[0] == EFI_IFR_END_OP) {
      if (EFI_ERROR (PopScopeOpcode (&Eval->Scopes, &Closed))) {
        return EFI_INVALID_PARAMETER;
      }

      if (Eval->Scopes.Count == 0) {
        *Stop = Opcode + IfrLength (Opcode);
        return EFI_SUCCESS;
      }

      continue;
    }

    if (EndsExpression (Opcode[0])) {
      *Stop = Opcode;
      // Inside an operator's own scope a statement is malformed.
      return (Eval->Scopes.Count == 1) ? EFI_SUCCESS : EFI_INVALID_PARAMETER;
    }

    Status = RunOperator (Eval, Opcode);
    if (!EFI_ERROR (Status) && IfrOpensScope (Opcode)) {
      Status = PushScopeOpcode (&Eval->Scopes, Opcode[0]);
    }

    if (EFI_ERROR (Status)) {
      return Status;
    }
  }
}

//
// One expression whose opener is Opener; First is the opcode after the opener's
// header. Exactly one value must be left.
//
static EFI_STATUS
EvaluateScope (
  IN  CONST CONTROL_RECORD  *Control,
  IN  UINT8                 Opener,
  IN  CONST UINT8           *First,
  IN  CONST UINT8           *End,
  IN  IFR_STRING_POOL       *Strings,
  IN  UINTN                 RuleDepth,
  OUT IFR_VALUE_CELL        *Result,
  OUT CONST UINT8           **Stop
  )
{
  IFR_EVALUATION  Eval;
  EFI_STATUS      Status;

  Status = IfrBeginEvaluation (&Eval, Control, End, Strings);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  Eval.RuleDepth = RuleDepth;
  Status         = PushScopeOpcode (&Eval.Scopes, Opener);
  if (!EFI_ERROR (Status)) {
    Status = RunExpression (&Eval, First, Stop);
  }

  if (!EFI_ERROR (Status)) {
    Status = IfrPop (&Eval, Result);
    if (EFI_ERROR (Status) || (Eval.Values.Count != 0)) {
      Status = EFI_INVALID_PARAMETER;
    }
  }

  IfrEndEvaluation (&Eval);
  return Status;
}

EFI_STATUS
EvaluateOperator (
  IN  CONST CONTROL_RECORD  *Control,
  OUT IFR_VALUE_CELL        *Result,
  OUT UINTN                 *Length
  )
{
  CONST UINT8      *Start;
  CONST UINT8      *End;
  CONST UINT8      *Stop = NULL;
  IFR_STRING_POOL  Strings;
  IFR_EVALUATION   Keeper;
  EFI_STATUS       Status;

  *Length = 0;
  Start   = (Control == NULL) ? NULL : (CONST UINT8 *)(UINTN)Control->ConditionOpcode;
  End     = (Start == NULL) ? NULL : FindFormsPackageEnd (Start);
  if (End == NULL) {
    return (Start == NULL) ? EFI_UNSUPPORTED : EFI_NOT_FOUND;
  }

  if (!IfrFits (Start, End)) {
    return EFI_INVALID_PARAMETER;
  }

  if (!OpensExpression (Start[0])) {
    return EFI_UNSUPPORTED;
  }

  ZeroMem (&Strings, sizeof (Strings));
  Status = EvaluateScope (Control, Start[0], Start + IfrLength (Start), End, &Strings, 0, Result, &Stop);
  if (!EFI_ERROR (Status)) {
    *Length = (UINTN)(Stop - Start);
    ZeroMem (&Keeper, sizeof (Keeper));
    Keeper.Strings = &Strings;
    Status         = IfrKeepString (&Keeper, Control->HiiHandle, Result);
  }

  IfrFreeStrings (&Strings);
  return Status;
}

//
// A RULE record points either at its RULE opcode or at the first opcode inside it.
//
EFI_STATUS
IfrEvaluateRule (
  IN  IFR_EVALUATION        *Eval,
  IN  CONST CONTROL_RECORD  *Rule,
  OUT IFR_VALUE_CELL        *Result
  )
{
  CONST UINT8  *Start = (CONST UINT8 *)(UINTN)Rule->ConditionOpcode;
  CONST UINT8  *End   = (Start == NULL) ? NULL : FindFormsPackageEnd (Start);
  CONST UINT8  *Stop;

  if (Eval->RuleDepth >= IFR_RULE_DEPTH_LIMIT) {
    return EFI_INVALID_PARAMETER;
  }

  if ((End == NULL) || !IfrFits (Start, End)) {
    return EFI_NOT_FOUND;
  }

  if (Start[0] == EFI_IFR_RULE_OP) {
    return EvaluateScope (Rule, EFI_IFR_RULE_OP, Start + IfrLength (Start), End, Eval->Strings, Eval->RuleDepth + 1,
             Result, &Stop);
  }

  return EvaluateScope (Rule, EFI_IFR_RULE_OP, Start, End, Eval->Strings, Eval->RuleDepth + 1, Result, &Stop);
}

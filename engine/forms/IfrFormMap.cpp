/** @file
  The evaluator of FORM_MAP questions' READ, WRITE and DEFAULT expressions: the
  number operators, THIS, MAP over pairs of match and result values, and GET and
  SET on a varstore of the question's package list. UNDEFINED, and any opcode not
  evaluated here, end the expression with an undefined result.
**/
#include <engine/forms/IfrEvaluation.h>
#include <engine/forms/FormTables.h>
#include <engine/forms/IfrOpcode.h>
#include <engine/core/SetupData.h>
#include <engine/variables/VariableCache.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>

#define VARSTORE_ID_FIELD    2
#define VARSTORE_INFO_FIELD  4
#define VARSTORE_TYPE_FIELD  6
#define VARSTORE_OP_LENGTH   7
#define STORE_VALUE_MAX      8

static BOOLEAN
IsFormMapOperator (
  IN UINT8  Opcode
  )
{
  switch (Opcode) {
    case EFI_IFR_AND_OP:           case EFI_IFR_OR_OP:            case EFI_IFR_CONDITIONAL_OP:
    case EFI_IFR_EQUAL_OP:         case EFI_IFR_NOT_EQUAL_OP:     case EFI_IFR_GREATER_THAN_OP:
    case EFI_IFR_GREATER_EQUAL_OP: case EFI_IFR_LESS_THAN_OP:     case EFI_IFR_LESS_EQUAL_OP:
    case EFI_IFR_BITWISE_AND_OP:   case EFI_IFR_BITWISE_OR_OP:    case EFI_IFR_SHIFT_LEFT_OP:
    case EFI_IFR_SHIFT_RIGHT_OP:   case EFI_IFR_ADD_OP:           case EFI_IFR_SUBTRACT_OP:
    case EFI_IFR_MULTIPLY_OP:      case EFI_IFR_DIVIDE_OP:        case EFI_IFR_MODULO_OP:
    case EFI_IFR_UINT8_OP:         case EFI_IFR_UINT16_OP:        case EFI_IFR_UINT32_OP:
    case EFI_IFR_UINT64_OP:
      return TRUE;
    default:
      return FALSE;
  }
}

// The variable of a varstore id, preferring the one the question's package list owns.
static BOOLEAN
FindVarStore (
  IN  CONST CONTROL_RECORD  *Control,
  IN  UINT16                VarStoreId,
  OUT UINTN                 *Index
  )
{
  VARIABLE_RECORD  *Record;
  BOOLEAN          Found = FALSE;

  for (UINTN Position = 0; (Record = GetVariableRecord (Position)) != NULL; Position++) {
    if (Record->VariableId != VarStoreId) {
      continue;
    }

    if (!Found || (Record->HiiHandle == Control->HiiHandle)) {
      *Index = Position;
      Found  = TRUE;
    }
  }

  return Found;
}

static EFI_STATUS
GetOrSet (
  IN OUT IFR_EVALUATION  *Eval,
  IN     CONST UINT8     *Opcode
  )
{
  UINT8           Type = (UINT8)IfrField (Opcode, VARSTORE_TYPE_FIELD, 1);
  UINTN           Width = (Type <= EFI_IFR_TYPE_NUM_SIZE_64) ? IfrTypeValueWidth (Type) : STORE_VALUE_MAX;
  UINTN           Offset = (UINTN)IfrField (Opcode, VARSTORE_INFO_FIELD, 2);
  UINT8           Bytes[STORE_VALUE_MAX];
  IFR_VALUE_CELL  Cell;
  UINTN           Index;
  EFI_STATUS      Status;

  if (IfrLength (Opcode) < VARSTORE_OP_LENGTH) {
    return EFI_INVALID_PARAMETER;
  }

  if (!FindVarStore (Eval->Control, (UINT16)IfrField (Opcode, VARSTORE_ID_FIELD, 2), &Index)) {
    return EFI_NOT_FOUND;
  }

  ZeroMem (Bytes, sizeof (Bytes));
  if (Opcode[0] == EFI_IFR_GET_OP) {
    Status = ReadVariableBytes (Index, Offset, Width, Bytes, FALSE);
    return EFI_ERROR (Status) ? Status
                              : IfrPushNumber (Eval, (Type <= EFI_IFR_TYPE_NUM_SIZE_64) ? Type : EFI_IFR_TYPE_NUM_SIZE_64,
                                  ReadUnaligned64 (Bytes));
  }

  if (EFI_ERROR (IfrPop (Eval, &Cell))) {
    return EFI_INVALID_PARAMETER;
  }

  // An undefined value is not written; SET answers whether it wrote.
  if (!IfrIsNumberType (Cell.Type)) {
    return IfrPushBoolean (Eval, FALSE);
  }

  WriteUnaligned64 (Bytes, IfrCellNumber (&Cell));
  return IfrPushBoolean (Eval, !EFI_ERROR (WriteVariableBytes (Index, Offset, Width, Bytes)));
}

// MAP: the operand sits at Base, then pairs of match and result values.
static EFI_STATUS
FinishMap (
  IN OUT IFR_EVALUATION  *Eval,
  IN     UINTN           Base
  )
{
  IFR_VALUE_CELL  *Cells = Eval->Values.Cells;
  IFR_VALUE_CELL  Result;
  INTN            Order;

  if (Base >= Eval->Values.Count) {
    return EFI_INVALID_PARAMETER;
  }

  IfrSetType (&Result, EFI_IFR_TYPE_UNDEFINED);
  for (UINTN Match = Base + 1; Match + 1 < Eval->Values.Count; Match += 2) {
    if (!EFI_ERROR (IfrCompareCells (Eval, &Cells[Base], &Cells[Match], &Order)) && (Order == 0)) {
      CopyMem (&Result, &Cells[Match + 1], sizeof (Result));
      break;
    }
  }

  Eval->Values.Count = Base;
  return IfrPush (Eval, &Result);
}

static EFI_STATUS
OpenMap (
  IN OUT IFR_EVALUATION  *Eval
  )
{
  IFR_VALUE_CELL  Scope;

  if (Eval->Values.Count == 0) {
    return EFI_INVALID_PARAMETER;
  }

  ZeroMem (&Scope, sizeof (Scope));
  Scope.Value[0] = EFI_IFR_MAP_OP;
  WriteUnaligned64 (Scope.Value + 1, Eval->Values.Count - 1);
  return PushExpressionValue (&Eval->Scopes, &Scope);
}

static EFI_STATUS
CloseScope (
  IN OUT IFR_EVALUATION  *Eval
  )
{
  IFR_VALUE_CELL  Scope;

  if (EFI_ERROR (PopExpressionValue (&Eval->Scopes, &Scope))) {
    return EFI_INVALID_PARAMETER;
  }

  return (Scope.Value[0] == EFI_IFR_MAP_OP) ? FinishMap (Eval, (UINTN)ReadUnaligned64 (Scope.Value + 1)) : EFI_SUCCESS;
}

//
// One opcode; Done is set when the expression ends here with an undefined result.
//
static EFI_STATUS
RunFormMapOpcode (
  IN OUT IFR_EVALUATION  *Eval,
  IN     CONST UINT8     *Opcode,
  OUT    BOOLEAN         *Done
  )
{
  IFR_VALUE_CELL  Cell;
  EFI_STATUS      Status;

  switch (Opcode[0]) {
    case EFI_IFR_MAP_OP:
      return OpenMap (Eval);
    case EFI_IFR_GET_OP: case EFI_IFR_SET_OP:
      return GetOrSet (Eval, Opcode);
    case EFI_IFR_THIS_OP:
      Status = IfrThisValue (Eval, &Cell);
      return EFI_ERROR (Status) ? Status : IfrPush (Eval, &Cell);
    case EFI_IFR_BITWISE_NOT_OP:
      if (EFI_ERROR (IfrPop (Eval, &Cell)) || !IfrIsNumberType (Cell.Type)) {
        return EFI_INVALID_PARAMETER;
      }

      IfrSetType (&Cell, EFI_IFR_TYPE_UNDEFINED);
      return IfrPush (Eval, &Cell);
    default:
      if (IsFormMapOperator (Opcode[0])) {
        return IfrNumberOperator (Eval, Opcode);
      }

      *Done = TRUE;
      return EFI_SUCCESS;
  }
}

static EFI_STATUS
RunFormMap (
  IN OUT IFR_EVALUATION  *Eval,
  IN     CONST UINT8     *First,
  OUT    IFR_VALUE_CELL  *Result
  )
{
  BOOLEAN     Done   = FALSE;
  EFI_STATUS  Status = EFI_SUCCESS;

  for (CONST UINT8 *Opcode = First; ; Opcode += IfrLength (Opcode)) {
    if (!IfrFits (Opcode, Eval->End)) {
      return EFI_INVALID_PARAMETER;
    }

    if (Opcode[0] == EFI_IFR_END_OP) {
      Status = CloseScope (Eval);
      if (EFI_ERROR (Status) || (Eval->Scopes.Count == 0)) {
        break;
      }

      continue;
    }

    Status = RunFormMapOpcode (Eval, Opcode, &Done);
    if (Done || EFI_ERROR (Status)) {
      return Status;     // Result stays undefined
    }

    if (IfrOpensScope (Opcode) && (Opcode[0] != EFI_IFR_MAP_OP)) {
      Status = PushScopeOpcode (&Eval->Scopes, Opcode[0]);
      if (EFI_ERROR (Status)) {
        return Status;
      }
    }
  }

  if (!EFI_ERROR (Status) && (Eval->Values.Count != 0)) {
    CopyMem (Result, &Eval->Values.Cells[Eval->Values.Count - 1], sizeof (*Result));
  }

  return Status;
}

EFI_STATUS
EvaluateExpression (
  IN  CONST UINT8           *Expression,
  IN  CONST CONTROL_RECORD  *Control,
  OUT IFR_VALUE_CELL        *Result
  )
{
  CONST UINT8      *End;
  IFR_STRING_POOL  Strings;
  IFR_EVALUATION   Eval;
  EFI_STATUS       Status;

  if ((Expression == NULL) || (Control == NULL) || (Result == NULL)) {
    return EFI_INVALID_PARAMETER;
  }

  IfrSetType (Result, EFI_IFR_TYPE_UNDEFINED);
  End = FindFormsPackageEnd (Expression);
  if (End == NULL) {
    return EFI_NOT_FOUND;
  }

  ZeroMem (&Strings, sizeof (Strings));
  Status = IfrBeginEvaluation (&Eval, Control, End, &Strings);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  // The READ, WRITE or DEFAULT whose scope holds the expression.
  Status = PushScopeOpcode (&Eval.Scopes, EFI_IFR_READ_OP);
  Status = EFI_ERROR (Status) ? Status : RunFormMap (&Eval, Expression, Result);
  IfrEndEvaluation (&Eval);
  IfrFreeStrings (&Strings);
  return Status;
}

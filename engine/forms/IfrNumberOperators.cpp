/** @file
  Operators of the expression evaluator over numbers and booleans: constants,
  logic, comparison, arithmetic and bitwise operators, CONDITIONAL and DUP.
  Operands are popped last-pushed first: for "A B SUBTRACT" B is popped first and
  the result is A - B.
**/
#include <engine/forms/IfrEvaluation.h>
#include <engine/forms/IfrOpcode.h>

#define IMMEDIATE_FIELD  2

// Pops B, then A.
static EFI_STATUS
PopTwo (
  IN OUT IFR_EVALUATION  *Eval,
  OUT    IFR_VALUE_CELL  *A,
  OUT    IFR_VALUE_CELL  *B
  )
{
  if (EFI_ERROR (IfrPop (Eval, B)) || EFI_ERROR (IfrPop (Eval, A))) {
    return EFI_INVALID_PARAMETER;
  }

  return EFI_SUCCESS;
}

static EFI_STATUS
Logic (
  IN OUT IFR_EVALUATION  *Eval,
  IN     UINT8           Opcode
  )
{
  IFR_VALUE_CELL  A;
  IFR_VALUE_CELL  B;

  if (Opcode == EFI_IFR_NOT_OP) {
    if (EFI_ERROR (IfrPop (Eval, &A)) || (A.Type != EFI_IFR_TYPE_BOOLEAN)) {
      return EFI_INVALID_PARAMETER;
    }

    return IfrPushBoolean (Eval, IfrCellNumber (&A) == 0);
  }

  if (EFI_ERROR (PopTwo (Eval, &A, &B)) || (A.Type != EFI_IFR_TYPE_BOOLEAN) || (B.Type != EFI_IFR_TYPE_BOOLEAN)) {
    return EFI_INVALID_PARAMETER;
  }

  if (Opcode == EFI_IFR_AND_OP) {
    return IfrPushBoolean (Eval, (IfrCellNumber (&A) != 0) && (IfrCellNumber (&B) != 0));
  }

  return IfrPushBoolean (Eval, (IfrCellNumber (&A) != 0) || (IfrCellNumber (&B) != 0));
}

static BOOLEAN
Comparable (
  IN UINT8  Type
  )
{
  return (Type <= EFI_IFR_TYPE_BOOLEAN) || (Type == EFI_IFR_TYPE_STRING);
}

static EFI_STATUS
Compare (
  IN OUT IFR_EVALUATION  *Eval,
  IN     UINT8           Opcode
  )
{
  IFR_VALUE_CELL  A;
  IFR_VALUE_CELL  B;
  INTN            Order;
  BOOLEAN         Holds;

  if (EFI_ERROR (PopTwo (Eval, &A, &B)) || !Comparable (A.Type) || !Comparable (B.Type) ||
      EFI_ERROR (IfrCompareCells (Eval, &A, &B, &Order)))
  {
    return EFI_INVALID_PARAMETER;
  }

  switch (Opcode) {
    case EFI_IFR_EQUAL_OP:         Holds = (Order == 0); break;
    case EFI_IFR_NOT_EQUAL_OP:     Holds = (Order != 0); break;
    case EFI_IFR_GREATER_THAN_OP:  Holds = (Order > 0);  break;
    case EFI_IFR_GREATER_EQUAL_OP: Holds = (Order >= 0); break;
    case EFI_IFR_LESS_THAN_OP:     Holds = (Order < 0);  break;
    default:                       Holds = (Order <= 0); break;
  }

  return IfrPushBoolean (Eval, Holds);
}

static EFI_STATUS
Arithmetic (
  IN OUT IFR_EVALUATION  *Eval,
  IN     UINT8           Opcode
  )
{
  IFR_VALUE_CELL  A;
  IFR_VALUE_CELL  B;
  UINT64          X;
  UINT64          Y;
  UINT64          Value;

  if (EFI_ERROR (PopTwo (Eval, &A, &B)) || !IfrIsNumberType (A.Type) || !IfrIsNumberType (B.Type)) {
    return EFI_INVALID_PARAMETER;
  }

  X = IfrCellNumber (&A);
  Y = IfrCellNumber (&B);
  if (((Opcode == EFI_IFR_DIVIDE_OP) || (Opcode == EFI_IFR_MODULO_OP)) && (Y == 0)) {
    return EFI_INVALID_PARAMETER;    // a zero divisor ends the expression
  }

  switch (Opcode) {
    case EFI_IFR_BITWISE_AND_OP: Value = X & Y;         break;
    case EFI_IFR_BITWISE_OR_OP:  Value = X | Y;         break;
    case EFI_IFR_SHIFT_LEFT_OP:  Value = X << (Y & 63); break;
    case EFI_IFR_SHIFT_RIGHT_OP: Value = X >> (Y & 63); break;
    case EFI_IFR_ADD_OP:         Value = X + Y;         break;
    case EFI_IFR_SUBTRACT_OP:    Value = X - Y;         break;
    case EFI_IFR_MULTIPLY_OP:    Value = X * Y;         break;
    case EFI_IFR_DIVIDE_OP:      Value = X / Y;         break;
    default:                     Value = X % Y;         break;
  }

  return IfrPushNumber (Eval, EFI_IFR_TYPE_NUM_SIZE_64, Value);
}

static EFI_STATUS
Immediate (
  IN OUT IFR_EVALUATION  *Eval,
  IN     CONST UINT8     *Opcode
  )
{
  UINT8  Type = (UINT8)(Opcode[0] - EFI_IFR_UINT8_OP);
  UINT8  Size = IfrTypeValueWidth (Type);

  if (IfrLength (Opcode) < (UINTN)IMMEDIATE_FIELD + Size) {
    return EFI_INVALID_PARAMETER;
  }

  return IfrPushNumber (Eval, Type, IfrField (Opcode, IMMEDIATE_FIELD, Size));
}

CONST IFR_VALUE_CELL *
IfrConditionalChoice (
  IN BOOLEAN               Condition,
  IN CONST IFR_VALUE_CELL  *Top,
  IN CONST IFR_VALUE_CELL  *Below
  )
{
  // For "C A B CONDITIONAL", a true C takes B, the value pushed last.
  return Condition ? Top : Below;
}

static EFI_STATUS
Conditional (
  IN OUT IFR_EVALUATION  *Eval
  )
{
  IFR_VALUE_CELL  Top;
  IFR_VALUE_CELL  Below;
  IFR_VALUE_CELL  Condition;

  if (EFI_ERROR (PopTwo (Eval, &Below, &Top)) || EFI_ERROR (IfrPop (Eval, &Condition)) ||
      (Condition.Type != EFI_IFR_TYPE_BOOLEAN))
  {
    return EFI_INVALID_PARAMETER;
  }

  return IfrPush (Eval, IfrConditionalChoice (IfrCellNumber (&Condition) != 0, &Top, &Below));
}

static EFI_STATUS
Duplicate (
  IN OUT IFR_EVALUATION  *Eval
  )
{
  IFR_VALUE_CELL  Cell;
  EFI_STATUS      Status;

  if (EFI_ERROR (IfrPop (Eval, &Cell))) {
    return EFI_INVALID_PARAMETER;
  }

  Status = IfrPush (Eval, &Cell);
  return EFI_ERROR (Status) ? Status : IfrPush (Eval, &Cell);
}

static EFI_STATUS
Constant (
  IN OUT IFR_EVALUATION  *Eval,
  IN     UINT8           Opcode
  )
{
  switch (Opcode) {
    case EFI_IFR_TRUE_OP:      return IfrPushBoolean (Eval, TRUE);
    case EFI_IFR_FALSE_OP:     return IfrPushBoolean (Eval, FALSE);
    case EFI_IFR_ZERO_OP:      return IfrPushNumber (Eval, EFI_IFR_TYPE_NUM_SIZE_8, 0);
    case EFI_IFR_ONE_OP:       return IfrPushNumber (Eval, EFI_IFR_TYPE_NUM_SIZE_8, 1);
    case EFI_IFR_ONES_OP:      return IfrPushNumber (Eval, EFI_IFR_TYPE_NUM_SIZE_64, ~0ULL);
    case EFI_IFR_UNDEFINED_OP: return IfrPushNumber (Eval, EFI_IFR_TYPE_OTHER, 0);
    case EFI_IFR_VERSION_OP:   return IfrPushNumber (Eval, EFI_IFR_TYPE_NUM_SIZE_16, IFR_EXPRESSION_VERSION);
    default:                   return EFI_UNSUPPORTED;
  }
}

EFI_STATUS
IfrNumberOperator (
  IN OUT IFR_EVALUATION  *Eval,
  IN     CONST UINT8     *Opcode
  )
{
  IFR_VALUE_CELL  Cell;

  switch (Opcode[0]) {
    case EFI_IFR_AND_OP: case EFI_IFR_OR_OP: case EFI_IFR_NOT_OP:
      return Logic (Eval, Opcode[0]);
    case EFI_IFR_EQUAL_OP:         case EFI_IFR_NOT_EQUAL_OP: case EFI_IFR_GREATER_THAN_OP:
    case EFI_IFR_GREATER_EQUAL_OP: case EFI_IFR_LESS_THAN_OP: case EFI_IFR_LESS_EQUAL_OP:
      return Compare (Eval, Opcode[0]);
    case EFI_IFR_BITWISE_AND_OP: case EFI_IFR_BITWISE_OR_OP: case EFI_IFR_SHIFT_LEFT_OP:
    case EFI_IFR_SHIFT_RIGHT_OP: case EFI_IFR_ADD_OP:        case EFI_IFR_SUBTRACT_OP:
    case EFI_IFR_MULTIPLY_OP:    case EFI_IFR_DIVIDE_OP:     case EFI_IFR_MODULO_OP:
      return Arithmetic (Eval, Opcode[0]);
    case EFI_IFR_BITWISE_NOT_OP:
      if (EFI_ERROR (IfrPop (Eval, &Cell)) || !IfrIsNumberType (Cell.Type)) {
        return EFI_INVALID_PARAMETER;
      }

      return IfrPushNumber (Eval, EFI_IFR_TYPE_NUM_SIZE_64, ~IfrCellNumber (&Cell));
    case EFI_IFR_UINT8_OP: case EFI_IFR_UINT16_OP: case EFI_IFR_UINT32_OP: case EFI_IFR_UINT64_OP:
      return Immediate (Eval, Opcode);
    case EFI_IFR_CONDITIONAL_OP:
      return Conditional (Eval);
    case EFI_IFR_DUP_OP:
      return Duplicate (Eval);
    default:
      return Constant (Eval, Opcode[0]);
  }
}

/** @file
  The IFR expression evaluator: postfix expressions of conditions, RULEs, VALUE
  and DEFAULT scopes, evaluated over a stack of 23-byte value cells with question
  values read from the variable cache; the smaller evaluator of the READ, WRITE and
  DEFAULT expressions of FORM_MAP questions; value comparison and conversion.

  Every walk is bounded by the end of the forms package copy that holds the
  expression: an opcode shorter than its header or running past that end stops
  the evaluation with EFI_INVALID_PARAMETER, never with a read outside the copy.
**/
#ifndef ENGINE_IFR_EXPRESSION_H_
#define ENGINE_IFR_EXPRESSION_H_

#include <Uefi.h>
#include <Uefi/UefiIfr.h>
#include <engine/core/SetupDataFormat.h>

//
// Value cell: the IFR type, then the 22-byte EFI_IFR_TYPE_VALUE (numbers in its
// first 8 bytes, little-endian; a string as its u16 string id).
//
#define IFR_VALUE_CELL_SIZE  23

typedef struct {
  UINT8    Type;
  UINT8    Value[sizeof (EFI_IFR_TYPE_VALUE)];
} IFR_VALUE_CELL;

static_assert (sizeof (IFR_VALUE_CELL) == IFR_VALUE_CELL_SIZE, "value cell");

// The value VERSION pushes.
#define IFR_EXPRESSION_VERSION  561

// Each stack starts with this many cells and grows by as many when full.
#define IFR_STACK_GROWTH  100

typedef struct {
  IFR_VALUE_CELL  *Cells;
  UINTN           Count;
  UINTN           Capacity;
} IFR_VALUE_STACK;

EFI_STATUS  GrowExpressionStack (IN OUT IFR_VALUE_STACK *Stack);

/**
  Between these (they nest), evaluations borrow their value and scope stacks from a
  few pairs kept for the purpose instead of allocating and freeing two for each: a
  setup entry evaluates thousands of conditions. An evaluation that begins while
  every kept pair is in use (they nest as rules refer to rules) gets stacks of its
  own, as outside. The last IfrReleaseEvaluationStacks frees the pairs.
**/
VOID        IfrKeepEvaluationStacks (VOID);
VOID        IfrReleaseEvaluationStacks (VOID);
EFI_STATUS  PushExpressionValue (IN OUT IFR_VALUE_STACK *Stack, IN CONST IFR_VALUE_CELL *Cell);
/** EFI_ACCESS_DENIED when the stack is empty. */
EFI_STATUS  PopExpressionValue (IN OUT IFR_VALUE_STACK *Stack, OUT IFR_VALUE_CELL *Cell);
/** The scope stack keeps the opcode in byte 1 of its cell. */
EFI_STATUS  PushScopeOpcode (IN OUT IFR_VALUE_STACK *Stack, IN UINT8 Opcode);
EFI_STATUS  PopScopeOpcode (IN OUT IFR_VALUE_STACK *Stack, OUT UINT8 *Opcode);
VOID        FreeExpressionStack (IN OUT IFR_VALUE_STACK *Stack);

/** The number a cell of type 0-6 holds, limited to the width of its type. */
UINT64      IfrCellNumber (IN CONST IFR_VALUE_CELL *Cell);
VOID        IfrSetCellNumber (OUT IFR_VALUE_CELL *Cell, IN UINT8 Type, IN UINT64 Value);

/**
  Evaluates the expression that starts after the control's condition opcode, which
  must be SUPPRESS_IF, NO_SUBMIT_IF, INCONSISTENT_IF, GRAY_OUT_IF, DISABLE_IF, RULE
  or VALUE. The expression ends at the END of that opcode's scope, or at the first
  opcode inside it that is no expression opcode (a statement or question the
  condition encloses).

  @param Length  Bytes consumed from the condition opcode on: up to and including
                 the END when the scope closed, up to the first opcode after the
                 expression otherwise; 0 when the start opcode is none of the above.

  @retval EFI_SUCCESS            Result holds the value.
  @retval EFI_UNSUPPORTED        The start opcode opens no expression, or an opcode
                                 inside is not evaluated here.
  @retval EFI_INVALID_PARAMETER  An operand of the wrong type, a zero divisor, no
                                 value or more than one value left, a malformed or
                                 truncated opcode, or rules that refer to each
                                 other too deeply.
  @retval EFI_NOT_FOUND          A question or string is missing, or the opcode lies
                                 in no forms package the engine holds.
  @retval EFI_OUT_OF_RESOURCES   A stack or string could not be allocated.
**/
EFI_STATUS  EvaluateOperator (IN CONST CONTROL_RECORD *Control, OUT IFR_VALUE_CELL *Result, OUT UINTN *Length);

/**
  The FORM_MAP evaluator: the expression from Expression (the first opcode inside a
  READ, WRITE, DEFAULT or VALUE scope) to the END of that scope. UNDEFINED, and an
  opcode it does not evaluate, end it with an undefined result (type 9).
**/
EFI_STATUS  EvaluateExpression (IN CONST UINT8 *Expression, IN CONST CONTROL_RECORD *Control, OUT IFR_VALUE_CELL *Result);

/**
  Compares two cells of types 0-7: numbers by the sign of their signed 64-bit
  difference, strings by id and then by text in HiiHandle's package list.

  @param Order  -1, 0 or 1.
  @retval EFI_INVALID_PARAMETER  A type of 8 or more, a string against a number, a
                                 string id of 0 or a text that cannot be read.
**/
EFI_STATUS  CompareHiiValues (IN CONST IFR_VALUE_CELL *A, IN CONST IFR_VALUE_CELL *B, IN EFI_HII_HANDLE HiiHandle,
              OUT INTN *Order);

/**
  The value of question QuestionId, looked for on Page and then on every page of
  the same package list: at most 8 bytes of its width from the variable cache as a
  u64 (a checkbox as a boolean); a STRING question's text as a new string of the
  question's package list.

  @retval EFI_NOT_FOUND    No control has that question id.
  @retval EFI_NOT_STARTED  A STRING question whose text is empty.
**/
EFI_STATUS  GetQuestionValueById (IN UINT16 QuestionId, IN UINTN Page, OUT IFR_VALUE_CELL *Cell);

/** Writes at most 8 bytes of a number cell to the question's place in the variable cache. */
EFI_STATUS  SetQuestionValueById (IN UINT16 QuestionId, IN UINTN Page, IN CONST IFR_VALUE_CELL *Cell);

/**
  TO_STRING: a number printed in decimal (Format 0 or 1), lower-case (2) or
  upper-case (3) hexadecimal, a boolean as "True" or "False", a string as its text.
  A new pool string; null for other types or when it cannot be read.
**/
CHAR16      *ValueToString (IN EFI_HII_HANDLE HiiHandle, IN UINT8 Format, IN CONST IFR_VALUE_CELL *Cell);

/**
  Forgets the located collation protocol (the next string operation looks again) and
  frees the kept evaluation stacks, ending their keeping.
**/
VOID        ResetExpressionEvaluator (VOID);

#endif

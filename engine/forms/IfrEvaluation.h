/** @file
  What the expression evaluator's files share: the state of one evaluation, its
  strings, and the operator groups.

  Strings that operators make (TO_UPPER, CATENATE, a STRING question's text...) live
  only as long as the evaluation: a cell of type 7 with a string id of 0 and a slot
  number in bytes 2-3 of its value names one of them. Conditions run on every draw,
  and a new HII string per operation would grow the package list without bound; a
  string becomes an HII string only when an expression hands one back.
**/
#ifndef ENGINE_IFR_EVALUATION_H_
#define ENGINE_IFR_EVALUATION_H_

#include <engine/forms/IfrExpression.h>

#define IFR_TEMP_STRING_SLOTS  32
// A RULE may refer to another one; a rule that refers to itself ends here.
#define IFR_RULE_DEPTH_LIMIT   8
#define IFR_TEMP_STRING_FIELD  2    // byte of the cell value holding the slot number + 1

typedef struct {
  CHAR16  *Text[IFR_TEMP_STRING_SLOTS];
  UINTN   Count;
} IFR_STRING_POOL;

typedef struct {
  IFR_VALUE_STACK       Values;
  IFR_VALUE_STACK       Scopes;
  CONST CONTROL_RECORD  *Control;
  CONST UINT8           *End;        // end of the forms package copy
  IFR_STRING_POOL       *Strings;    // shared with the rules this evaluation calls
  UINTN                 RuleDepth;
  UINTN                 Kept;       // 1 + the kept stack pair it borrowed; 0 when its stacks are its own
} IFR_EVALUATION;

//
// Cells.
//
VOID        IfrSetType (OUT IFR_VALUE_CELL *Cell, IN UINT8 Type);
BOOLEAN     IfrIsNumberType (IN UINT8 Type);    // 0-6
EFI_STATUS  IfrPush (IN OUT IFR_EVALUATION *Eval, IN CONST IFR_VALUE_CELL *Cell);
EFI_STATUS  IfrPop (IN OUT IFR_EVALUATION *Eval, OUT IFR_VALUE_CELL *Cell);
EFI_STATUS  IfrPushNumber (IN OUT IFR_EVALUATION *Eval, IN UINT8 Type, IN UINT64 Value);
EFI_STATUS  IfrPushBoolean (IN OUT IFR_EVALUATION *Eval, IN BOOLEAN Value);

//
// Strings of one evaluation.
//
/** A new pool copy of a string cell's text; EFI_INVALID_PARAMETER for another type. */
EFI_STATUS  IfrCellText (IN IFR_EVALUATION *Eval, IN CONST IFR_VALUE_CELL *Cell, OUT CHAR16 **Text);
/** Takes Text (pool) into the evaluation and pushes a cell naming it; frees it on failure. */
EFI_STATUS  IfrPushNewString (IN OUT IFR_EVALUATION *Eval, IN CHAR16 *Text);
VOID        IfrFreeStrings (IN OUT IFR_STRING_POOL *Pool);
/** Replaces a cell naming a string of the evaluation by a new string of HiiHandle's package list. */
EFI_STATUS  IfrKeepString (IN IFR_EVALUATION *Eval, IN EFI_HII_HANDLE HiiHandle, IN OUT IFR_VALUE_CELL *Cell);
/** TO_STRING: pops a value and pushes its text. */
EFI_STATUS  IfrToString (IN OUT IFR_EVALUATION *Eval, IN UINT8 Format);
EFI_STATUS  IfrCompareCells (IN IFR_EVALUATION *Eval, IN CONST IFR_VALUE_CELL *A, IN CONST IFR_VALUE_CELL *B,
              OUT INTN *Order);

//
// Operator groups: each handles one opcode and answers EFI_UNSUPPORTED for an
// opcode not in its group.
//
EFI_STATUS  IfrNumberOperator (IN OUT IFR_EVALUATION *Eval, IN CONST UINT8 *Opcode);
EFI_STATUS  IfrStringOperator (IN OUT IFR_EVALUATION *Eval, IN CONST UINT8 *Opcode);
EFI_STATUS  IfrQuestionOperator (IN OUT IFR_EVALUATION *Eval, IN CONST UINT8 *Opcode);

//
// Questions.
//
EFI_STATUS  IfrQuestionValue (IN IFR_EVALUATION *Eval, IN UINT16 QuestionId, IN UINTN Page, OUT IFR_VALUE_CELL *Cell);
/** The value of the evaluated control's own question (THIS). */
EFI_STATUS  IfrThisValue (IN IFR_EVALUATION *Eval, OUT IFR_VALUE_CELL *Cell);
/** The RULE control of the control's page with that rule id; null when none. */
CONST CONTROL_RECORD *IfrFindRule (IN CONST CONTROL_RECORD *Control, IN UINT8 RuleId);

//
// Evaluations.
//
EFI_STATUS  IfrBeginEvaluation (OUT IFR_EVALUATION *Eval, IN CONST CONTROL_RECORD *Control, IN CONST UINT8 *End,
              IN IFR_STRING_POOL *Strings);
VOID        IfrEndEvaluation (IN OUT IFR_EVALUATION *Eval);
/** Frees the kept stack pairs, in use or not, and ends the keeping: a run that was abandoned left them. */
VOID        IfrFreeKeptStacks (VOID);
/** A rule's value, evaluated with the caller's strings one level deeper. */
EFI_STATUS  IfrEvaluateRule (IN IFR_EVALUATION *Eval, IN CONST CONTROL_RECORD *Rule, OUT IFR_VALUE_CELL *Result);
/** The CONDITIONAL choice: true takes the top value, false the one below it. */
CONST IFR_VALUE_CELL *IfrConditionalChoice (IN BOOLEAN Condition, IN CONST IFR_VALUE_CELL *Top,
                        IN CONST IFR_VALUE_CELL *Below);

#endif

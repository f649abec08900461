/** @file
  The condition state of one option and of one control, in the short form used
  while the question conditions and the expression evaluator are not built: a
  condition holds only when its expression is the constant TRUE, so options and
  controls stay offered unless a form hides or grays them unconditionally.
**/
#include <engine/core/EngineNeighbours.h>
#include <engine/core/IfrOpcode.h>

#define CONDITION_SUPPRESSED  1
#define CONDITION_GRAYED      3

UINT8
EvaluateOptionCondition (
  IN CONST CONTROL_RECORD  *Control,
  IN CONST UINT8           *Condition,
  IN CONST UINT8           *Option
  )
{
  CONST UINT8  *Expression;

  (VOID)Control;
  if ((Condition == NULL) || (Option <= Condition) || !IfrFits (Condition, Option)) {
    return 0;
  }

  Expression = IfrNext (Condition, Option);
  return ((Expression != NULL) && (Expression[0] == EFI_IFR_TRUE_OP)) ? CONDITION_SUPPRESSED : 0;
}

UINT8
EvaluateControlCondition (
  IN CONST CONTROL_RECORD  *Control
  )
{
  CONST UINT8  *Condition;
  CONST UINT8  *Question;
  CONST UINT8  *Expression;

  if (Control == NULL) {
    return 0;
  }

  // The condition precedes its question, which bounds the walk.
  Condition = (CONST UINT8 *)(UINTN)Control->ConditionOpcode;
  Question  = (CONST UINT8 *)(UINTN)Control->QuestionOpcode;
  if ((Condition == NULL) || (Question <= Condition) || !IfrFits (Condition, Question)) {
    return 0;
  }

  Expression = IfrNext (Condition, Question);
  if ((Expression == NULL) || (Expression[0] != EFI_IFR_TRUE_OP)) {
    return 0;
  }

  if (Condition[0] == EFI_IFR_SUPPRESS_IF_OP) {
    return CONDITION_SUPPRESSED;
  }

  return (Condition[0] == EFI_IFR_GRAY_OUT_IF_OP) ? CONDITION_GRAYED : 0;
}

/** @file
  The condition state of one option, in the short form used while the question
  conditions and the expression evaluator are not built: a condition holds only when
  its expression is the constant TRUE, so options stay offered unless a form hides
  them unconditionally.
**/
#include <engine/core/EngineNeighbours.h>
#include <engine/core/IfrOpcode.h>

#define CONDITION_SUPPRESSED  1

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

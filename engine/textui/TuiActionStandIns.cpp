/** @file
  The special-link operation the text-mode pages call, while it is not built: no
  link stands for a special action.
**/
#include <engine/textui/SetupActions.h>
#include <engine/core/HookTable.h>

UINT8
RunSpecialLinkAction (
  IN CONTROL_RECORD  *Control
  )
{
  (VOID)Control;
  return 0;
}

/** @file
  The save, discard, load-defaults and special-link operations the text-mode pages
  call, while they are not built: no pop-up can ask yet, so leaving without saving is
  always agreed, nothing is written, discarded or loaded, and no link stands for a
  special action.
**/
#include <engine/textui/SetupActions.h>
#include <engine/core/EngineNeighbours.h>
#include <engine/core/HookMembers.h>

UINT8
SaveChanges (
  IN CONST CHAR16  *MessageBox OPTIONAL
  )
{
  (VOID)MessageBox;
  return 0;
}

EFI_STATUS
DiscardChanges (
  IN BOOLEAN  Ask
  )
{
  (VOID)Ask;
  return EFI_SUCCESS;
}

BOOLEAN
ConfirmExitDiscard (
  VOID
  )
{
  return TRUE;
}

UINT8
RunSpecialLinkAction (
  IN CONTROL_RECORD  *Control
  )
{
  (VOID)Control;
  return 0;
}

/** Loading defaults through its hook: nothing is loaded until the load routine exists. */
UINT64
LoadDefaultsHook (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

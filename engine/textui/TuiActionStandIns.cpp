/** @file
  The save, discard and special-link operations the text-mode pages call, while
  they are not built: no pop-up can ask yet, so leaving without saving is always
  agreed, nothing is written or discarded, and no link stands for a special action.
**/
#include <engine/textui/SetupActions.h>
#include <engine/core/EngineNeighbours.h>

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

/**
  The sign-on line keeps the version text the engine's strings carry until the
  POST screen, which knows the firmware version, is built.
**/
VOID
UpdateSignOnVersionString (
  VOID
  )
{
}

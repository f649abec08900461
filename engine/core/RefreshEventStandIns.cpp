/** @file
  Refresh events of questions that name an event group. The driver-callback code is
  not built yet: this registers nothing and reports success, so the form walk
  records the control's flag and goes on.
**/
#include <engine/core/DynamicPages.h>
#include <engine/core/FormParser.h>

EFI_STATUS
AddRefreshEvent (
  IN CONST CONTROL_RECORD  *Control
  )
{
  (VOID)Control;
  return EFI_SUCCESS;
}

VOID
CloseControlRefreshEvent (
  IN CONST CONTROL_RECORD  *Control
  )
{
  (VOID)Control;     // nothing was registered
}

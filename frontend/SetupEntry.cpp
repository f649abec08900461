/** @file
  Entering setup. The graphical setup screens are not part of this driver, so the
  engine's own text-mode pages serve: they run from the first page that has one
  until the user leaves them.
**/
#include <frontend/FrontEndServices.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/EngineNeighbours.h>
#include <engine/textui/TextScreen.h>
#include <engine/textui/TuiApp.h>

EFI_STATUS
EnterGraphicalSetup (
  VOID
  )
{
  EFI_STATUS  Status;

  if (gBootScreenTimerEvent != NULL) {
    (VOID)gBS->SetTimer (gBootScreenTimerEvent, TimerCancel, 0);   // closed next; a failed cancel changes nothing
    CloseEventAndClear (&gBootScreenTimerEvent);
  }

  gInSetup = 1;
  UpdateSignOnVersionString ();
  (VOID)LoadSetupFormSets ();     // without forms the compiled pages serve
  Status   = RunTextSetup (0);
  gInSetup = 0;
  return Status;
}

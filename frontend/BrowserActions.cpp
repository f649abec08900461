/** @file
  What the setup screens do for a driver's action request, with the engine's
  text-mode application standing in for the graphical front end: nothing asks the
  user first, since the driver that returned the request already decided.
**/
#include <frontend/FrontEndServices.h>
#include <engine/core/EngineGlobals.h>
#include <engine/browser/FormBrowser.h>
#include <engine/forms/FormParser.h>
#include <engine/textui/SetupActions.h>
#include <engine/textui/TuiApp.h>
#include <engine/core/SetupDataFormat.h>
#include <frontend/SetupSave.h>

VOID
ConfirmResetWithoutSaving (
  VOID
  )
{
  (VOID)DiscardChanges (FALSE);     // the reset follows whatever the reload gave
  RequestTuiAppExit ();
  // SendForm's caller gets the reset as its action request and resets when it is ready.
  if (!gSendFormRunning) {
    gRT->ResetSystem (EfiResetCold, EFI_SUCCESS, 0, NULL);
  }
}

VOID
ConfirmSaveAndExit (
  VOID
  )
{
  // A save held back by a no-submit condition or an inconsistency keeps setup open.
  if (SaveChanges (NULL) != 0) {
    RequestTuiAppExit ();
  }
}

VOID
ConfirmExitWithoutSaving (
  VOID
  )
{
  (VOID)DiscardChanges (FALSE);     // setup ends either way
  RequestTuiAppExit ();
}

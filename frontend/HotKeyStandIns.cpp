/** @file
  The hot-key services of the graphical front end, which is not built yet. Esc
  takes the user back a page, or out of setup from a top-level page; the other keys
  have no screen to show yet and do nothing.
**/
#include <frontend/FrontEndServices.h>
#include <engine/textui/TuiApp.h>

VOID
CaptureScreen (
  VOID
  )
{
}

VOID
CaptureScreenCtrl (
  VOID
  )
{
}

VOID
OnSaveChangesKey (
  VOID
  )
{
}

VOID
OnLoadPreviousValuesKey (
  VOID
  )
{
}

VOID
OnLoadOptimizedDefaultsKey (
  VOID
  )
{
}

VOID
ShowGeneralHelp (
  VOID
  )
{
}

VOID
OnEscapeKey (
  VOID
  )
{
  (VOID)GoBackOrExit ();
}

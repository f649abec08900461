/** @file
  What the parts above the text screens ask of the running application: to leave,
  to draw again, or to enter a page. Each request does nothing while no application
  runs, so a caller outside setup need not ask first.
**/
#include <engine/textui/TuiApp.h>

VOID
RequestTuiAppExit (
  VOID
  )
{
  if (gTuiApp != NULL) {
    gTuiApp->Exit = 1;
  }
}

VOID
MarkTuiAppRedraw (
  VOID
  )
{
  if (gTuiApp != NULL) {
    gTuiApp->Redraw = 1;
  }
}

VOID
EnterTuiPage (
  IN UINT32  Page
  )
{
  if (gTuiApp == NULL) {
    return;
  }

  // Without history the page still opens; Esc then leaves to the main page.
  (VOID)PushPageHistory (gTuiApp->CurrentPage, Page);
  gTuiApp->CurrentPage = Page;
  gTuiApp->Redraw      = 1;
}

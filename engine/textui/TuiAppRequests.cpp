/** @file
  What the parts above the text screens ask of the running application: to leave,
  to draw again, to enter a page, or to leave the form shown for its parent. Each
  request does nothing while no application runs, so a caller outside setup need not
  ask first.
**/
#include <engine/textui/TuiApp.h>
#include <engine/forms/FormParser.h>

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

BOOLEAN
GoToParentPage (
  VOID
  )
{
  UINT32       Page;
  UINT32       Previous;
  UINTN        Entry;
  PAGE_RECORD  *Record;

  if (!GetTuiAppCurrentPage (&Page) || ((Record = TuiPageRecord (Page)) == NULL) || (Record->ParentPageNumber == Page)) {
    return FALSE;
  }

  if ((Record->ParentPageNumber != 0) && !EFI_ERROR (ShowTuiPage (Record->ParentPageNumber))) {
    return TRUE;
  }

  // A top-level form reached through a goto goes back to the form the goto was on, as Esc does.
  if (!EFI_ERROR (GetPageHistoryEntry (Page, &Previous, &Entry)) && !EFI_ERROR (ShowTuiPage (Previous))) {
    DropPageHistory (Entry);
    return TRUE;
  }

  // A form set loaded for a goto goes back to the one SendForm was given.
  if (FindSendFormHomePage (Page, &Previous)) {
    return (BOOLEAN)!EFI_ERROR (ShowTuiPage (Previous));
  }

  // The first form SendForm showed: leaving it ends SendForm, which hands the request back.
  if (gSendFormRunning) {
    RequestTuiAppExit ();
  }

  return FALSE;
}

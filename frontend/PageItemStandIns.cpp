/** @file
  The front end's page items, which the graphical front end would keep for every
  page: not built yet. The engine's text-mode pages read the page records directly,
  so a rebuilt page list needs no items; the stand-ins count their calls, which is
  all a caller could see of them.
**/
#include <frontend/FrontEndServices.h>

UINTN  gFrontEndPageItemBuilds   = 0;
UINTN  gFrontEndMenuDeletions    = 0;

VOID
BuildSetupPageItems (
  IN UINT8  *PageList,
  IN UINTN  Count
  )
{
  (VOID)PageList;
  (VOID)Count;
  gFrontEndPageItemBuilds++;
}

VOID
QueueMenuEntryDeletion (
  IN UINT16  Page
  )
{
  (VOID)Page;
  gFrontEndMenuDeletions++;
}

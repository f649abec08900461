/** @file
  Pages of a form set parsed again while the dynamic pages are rebuilt: a page whose
  form set is being re-parsed (handle 65535) and whose form comes back with as many
  controls keeps its page number and takes the new record; otherwise the old page is
  dropped. Either way one slot of the page list goes, and every page number above it
  (page records, parents, the controls' pages and REF targets) moves down by one.
**/
#include <engine/forms/FormTables.h>
#include <engine/forms/FormParser.h>

#include <Library/BaseMemoryLib.h>

static UINT16
MovedPageNumber (
  IN UINT16  Number,
  IN UINT32  Slot,
  IN UINT16  Replacement
  )
{
  if ((Number == CONTROL_NO_REF_TARGET) || (Number < Slot)) {
    return Number;
  }

  if (Number == Slot) {
    Number = Replacement;
  }

  return (Number > Slot) ? (UINT16)(Number - 1) : Number;
}

static VOID
RenumberControls (
  IN CONST PAGE_RECORD  *Page,
  IN UINT32             Slot,
  IN UINT16             Replacement
  )
{
  for (UINT32 N = 0; (Page != NULL) && (N < Page->ControlCount); N++) {
    CONTROL_RECORD  *Control = GetWorkPageControl (Page, N);

    if (Control != NULL) {
      Control->PageNumber    = MovedPageNumber (Control->PageNumber, Slot, Replacement);
      Control->RefTargetPage = MovedPageNumber (Control->RefTargetPage, Slot, Replacement);
    }
  }
}

/** Takes slot Slot out of the page list; references to it go to Replacement. */
static VOID
RemovePageSlot (
  IN UINT32  Slot,
  IN UINT16  Replacement
  )
{
  UINT32  *Offsets = (UINT32 *)gWorkPageList.Bytes;
  UINT32  Count    = GetWorkPageCount ();

  CopyMem (&Offsets[Slot], &Offsets[Slot + 1], (Count - Slot - 1) * sizeof (UINT32));
  gWorkPageList.Used -= sizeof (UINT32);
  RenumberControls ((PAGE_RECORD *)gLinkPageRecord, Slot, Replacement);
  for (UINT32 Page = 1; Page < GetWorkPageCount (); Page++) {
    PAGE_RECORD  *Record = GetWorkPage (Page);

    Record->PageNumber       = (UINT16)Page;
    Record->ParentPageNumber = MovedPageNumber (Record->ParentPageNumber, Slot, Replacement);
    // A pending page's controls were released and may now be the new pages' records,
    // which their own pages renumber.
    if (Record->HiiHandle != PAGE_REPARSE_PENDING) {
      RenumberControls (Record, Slot, Replacement);
    }
  }
}

static UINT32
FindPendingPage (
  IN UINT16  FormId,
  IN UINT32  Before
  )
{
  for (UINT32 Page = 1; Page < Before; Page++) {
    PAGE_RECORD  *Record = GetWorkPage (Page);

    if ((Record->HiiHandle == PAGE_REPARSE_PENDING) && (Record->FormId == FormId)) {
      return Page;
    }
  }

  return 0;
}

VOID
SettleReparsedPages (
  IN UINT32  FirstPage
  )
{
  UINT32  Page = FirstPage;

  while (gRebuildingDynamicPages && (Page < GetWorkPageCount ())) {
    PAGE_RECORD  *Record = GetWorkPage (Page);
    UINT32       Old     = FindPendingPage (Record->FormId, FirstPage);
    PAGE_RECORD  *Kept   = (Old == 0) ? NULL : GetWorkPage (Old);

    if (Kept == NULL) {
      Page++;
    } else if (Kept->ControlCount == Record->ControlCount) {
      CopyMem (Kept, Record, PAGE_RECORD_CONTROL_OFFSETS + 4ULL * Record->ControlCount);
      RemovePageSlot (Page, (UINT16)Old);
    } else {
      RemovePageSlot (Old, (UINT16)Page);
      FirstPage--;
    }
  }
}

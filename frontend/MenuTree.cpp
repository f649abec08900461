/** @file
  The front end's menu tree and the page items of its entries. The engine's page
  list is the truth: the tree is built from it at setup entry and follows it when form
  sets come and go while setup runs. An entry whose form set went away is only queued
  for deletion, since whoever walks the tree may still hold it; queued entries go with
  the tree.
**/
#include <frontend/MenuTree.h>
#include <frontend/FrontEndServices.h>
#include <engine/forms/FormParser.h>
#include <engine/forms/FormTables.h>
#include <engine/textui/TuiApp.h>

#include <Library/MemoryAllocationLib.h>

static LAYOUT_ITEM  *mSetupMenu    = NULL;

// The entries to delete: a growable array of entry pointers with a count.
static LAYOUT_ITEM  **mDeleteList    = NULL;
static UINTN        mDeleteCount     = 0;
static UINTN        mDeleteCapacity  = 0;

#define DELETE_LIST_GROWTH  8

// Whether a page of this tree listed the form-set links (and so set the anchor).
static BOOLEAN      mAnchorListed    = FALSE;

/**
  A page the front end can show: the first page, which lists the top-level links and
  has no form set of its own, and every page of a form set that is not going away.
**/
static PAGE_RECORD *
ShownPage (
  IN UINTN  Page
  )
{
  PAGE_RECORD  *Record = TuiPageRecord (Page);

  if ((Record == NULL) || (Record->HiiHandle == PAGE_REPARSE_PENDING) ||
      ((Record->HiiHandle == NULL) && (Page != 0)))
  {
    return NULL;
  }

  return Record;
}

static LAYOUT_ITEM *
NewChild (
  IN OUT LAYOUT_ITEM  *Parent OPTIONAL,
  IN     UINT32       Id
  )
{
  LAYOUT_ITEM  *Item = (LAYOUT_ITEM *)AllocateZeroPool (sizeof (LAYOUT_ITEM));

  if (Item == NULL) {
    return NULL;
  }

  Item->Id                    = Id;
  Item->Descriptor.TargetPage = CONTROL_NO_REF_TARGET;
  Item->Parent                = Parent;
  if (Parent != NULL) {
    if (Parent->LastChild == NULL) {
      Parent->FirstChild = Item;
    } else {
      Parent->LastChild->Next = Item;
    }

    Parent->LastChild = Item;
    Parent->ChildCount++;
  }

  return Item;
}

static VOID
FreeChildren (
  IN OUT LAYOUT_ITEM  *Item
  )
{
  LAYOUT_ITEM  *Child = Item->FirstChild;

  while (Child != NULL) {
    LAYOUT_ITEM  *Next = Child->Next;

    FreeChildren (Child);
    FreePool (Child);
    Child = Next;
  }

  Item->FirstChild = NULL;
  Item->LastChild  = NULL;
  Item->ChildCount = 0;
}

/** A link to the top-level page of a form set that a driver published. */
static BOOLEAN
IsFormSetLink (
  IN CONST CONTROL_RECORD  *Control
  )
{
  PAGE_RECORD  *Target;

  if (((Control->ControlType & CONTROL_TYPE_MASK) != CONTROL_TYPE_REF) || (Control->RefTargetPage == CONTROL_NO_REF_TARGET)) {
    return FALSE;
  }

  Target = TuiPageRecord (Control->RefTargetPage);
  return (BOOLEAN)((Target != NULL) && ((Target->Flags & PAGE_FLAG_DYNAMIC) != 0));
}

/**
  The entry's items, one per control of its page. The first page found listing the
  links of drivers' form sets becomes the page that form sets published later hang
  below.
**/
static EFI_STATUS
BuildEntryItems (
  IN OUT LAYOUT_ITEM  *Entry
  )
{
  UINT16       Page   = Entry->Descriptor.PageNumber;
  PAGE_RECORD  *Record = TuiPageRecord (Page);
  UINT32       Count  = (Record != NULL) ? Record->ControlCount : 0;
  BOOLEAN      Listed = FALSE;

  FreeChildren (Entry);
  for (UINT32 N = 0; N < Count; N++) {
    CONTROL_RECORD  *Control = TuiPageControl (Record, N);
    LAYOUT_ITEM     *Item;

    // A control record of a form set that went away is free: it shows nothing.
    if ((Control == NULL) || (Control->HiiHandle == NULL)) {
      continue;
    }

    Item = NewChild (Entry, LAYOUT_ID_PAGE_ITEM);
    if (Item == NULL) {
      return EFI_OUT_OF_RESOURCES;
    }

    Item->Descriptor.PageNumber    = Page;
    Item->Descriptor.FormId        = Entry->Descriptor.FormId;
    Item->Descriptor.HiiHandle     = Control->HiiHandle;
    Item->Descriptor.TitleStringId = Control->PromptStringId;
    Item->Descriptor.ControlType   = (UINT16)(Control->ControlType & CONTROL_TYPE_MASK);
    Item->Descriptor.QuestionId    = Control->QuestionId;
    Item->Descriptor.TargetPage    = Control->RefTargetPage;
    Item->Descriptor.ControlIndex  = N;
    Listed                         = (BOOLEAN)(Listed || IsFormSetLink (Control));
  }

  if (Listed && !mAnchorListed) {
    gDynamicPageAnchor = Page;
    mAnchorListed      = TRUE;
  }

  return EFI_SUCCESS;
}

static LAYOUT_ITEM *
AddEntry (
  IN UINT16       Page,
  IN PAGE_RECORD  *Record
  )
{
  LAYOUT_ITEM  *Entry = NewChild (mSetupMenu, LAYOUT_ID_MENU_ENTRY);

  if (Entry == NULL) {
    return NULL;
  }

  Entry->Descriptor.PageNumber    = Page;
  Entry->Descriptor.FormId        = Record->FormId;
  Entry->Descriptor.HiiHandle     = Record->HiiHandle;
  Entry->Descriptor.TitleStringId = Record->TitleStringId;
  // An entry without all its items still leads to its page.
  (VOID)BuildEntryItems (Entry);
  return Entry;
}

EFI_STATUS
BuildSetupMenuTree (
  VOID
  )
{
  EFI_STATUS  Status = EFI_SUCCESS;

  FreeSetupMenuTree ();
  mSetupMenu = NewChild (NULL, LAYOUT_ID_SETUP_MENU);
  if (mSetupMenu == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  mAnchorListed = FALSE;
  for (UINT32 Page = 0; (Page < TuiPageCount ()) && (Page <= 0xFFFF); Page++) {
    PAGE_RECORD  *Record = ShownPage (Page);

    if ((Record != NULL) && (AddEntry ((UINT16)Page, Record) == NULL)) {
      Status = EFI_OUT_OF_RESOURCES;
    }
  }

  return Status;
}

VOID
FreeSetupMenuTree (
  VOID
  )
{
  if (mSetupMenu != NULL) {
    FreeChildren (mSetupMenu);
    FreePool (mSetupMenu);
    mSetupMenu = NULL;
  }

  // Queued entries hang in the tree still; only the list of them is left to free.
  if (mDeleteList != NULL) {
    FreePool (mDeleteList);
    mDeleteList = NULL;
  }

  mDeleteCount    = 0;
  mDeleteCapacity = 0;
}

LAYOUT_ITEM *
GetSetupMenu (
  VOID
  )
{
  return mSetupMenu;
}

LAYOUT_ITEM *
FindMenuEntryForPage (
  IN UINT16  Page
  )
{
  for (LAYOUT_ITEM *Entry = (mSetupMenu != NULL) ? mSetupMenu->FirstChild : NULL; Entry != NULL; Entry = Entry->Next) {
    if ((Entry->Id == LAYOUT_ID_MENU_ENTRY) && (Entry->Descriptor.PageNumber == Page) &&
        ((Entry->Flags & LAYOUT_ITEM_QUEUED_FOR_DELETION) == 0))
    {
      return Entry;
    }
  }

  return NULL;
}

UINTN
GetQueuedMenuEntryCount (
  VOID
  )
{
  return mDeleteCount;
}

LAYOUT_ITEM *
GetQueuedMenuEntry (
  IN UINTN  Index
  )
{
  return (Index < mDeleteCount) ? mDeleteList[Index] : NULL;
}

VOID
QueueMenuEntryDeletion (
  IN UINT16  Page
  )
{
  LAYOUT_ITEM  *Entry = FindMenuEntryForPage (Page);

  if (Entry == NULL) {
    return;
  }

  if (mDeleteCount == mDeleteCapacity) {
    UINTN        Capacity = mDeleteCapacity + DELETE_LIST_GROWTH;
    LAYOUT_ITEM  **Grown  = (LAYOUT_ITEM **)ReallocatePool (mDeleteCapacity * sizeof (*Grown), Capacity * sizeof (*Grown), mDeleteList);

    if (Grown == NULL) {
      return;     // not queued: the entry stays findable, as if its form set were still there
    }

    mDeleteList     = Grown;
    mDeleteCapacity = Capacity;
  }

  Entry->Flags                |= LAYOUT_ITEM_QUEUED_FOR_DELETION;
  mDeleteList[mDeleteCount++]  = Entry;
}

VOID
BuildSetupPageItems (
  IN UINT8  *PageList,
  IN UINTN  Count
  )
{
  (VOID)PageList;     // the engine's page list, which GetPageData reads
  if (mSetupMenu == NULL) {
    return;
  }

  for (UINTN Page = 0; (Page < Count) && (Page <= 0xFFFF); Page++) {
    PAGE_RECORD  *Record = ShownPage (Page);
    LAYOUT_ITEM  *Entry  = (Record != NULL) ? FindMenuEntryForPage ((UINT16)Page) : NULL;

    // An entry of another form now at this number is not this page's.
    if ((Entry != NULL) && (Entry->Descriptor.FormId == Record->FormId)) {
      (VOID)BuildEntryItems (Entry);     // an entry short of items still leads to its page
    }
  }
}

VOID
BuildPageFromForm (
  IN UINT16  Page,
  IN UINT16  End
  )
{
  if (mSetupMenu == NULL) {
    return;
  }

  for (UINT32 Number = Page; Number < End; Number++) {
    PAGE_RECORD  *Record = ShownPage (Number);
    LAYOUT_ITEM  *Entry;

    if (Record == NULL) {
      continue;
    }

    // A page asked for again keeps its one entry.
    Entry = FindMenuEntryForPage ((UINT16)Number);
    if (Entry == NULL) {
      (VOID)AddEntry ((UINT16)Number, Record);     // a page without an entry is still shown by the engine
    } else {
      Entry->Descriptor.FormId    = Record->FormId;
      Entry->Descriptor.HiiHandle = Record->HiiHandle;
      (VOID)BuildEntryItems (Entry);
    }
  }
}

VOID
SwitchSetupPage (
  IN UINT16  Page
  )
{
  (VOID)ShowTuiPage (Page);     // without a page object the page shown stays
}

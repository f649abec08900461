/** @file
  Making the page objects again when the page list changed under the running
  application (form sets published, replaced or loaded for a goto), without the user
  noticing: the page shown, each page's focus and the page history follow their forms
  to their new page numbers. And where Esc leads under SendForm when the history
  has nothing: to the form set SendForm was given, which alone ends it; a form set
  left with changes asks first what becomes of them. And a language chosen on a page,
  shown at once.
**/
#include <engine/textui/TuiApp.h>
#include <engine/textui/TuiObject.h>
#include <engine/forms/FormParser.h>
#include <engine/forms/FormTables.h>
#include <engine/textui/MessageBox.h>
#include <engine/textui/SetupActions.h>
#include <engine/browser/FormBrowser.h>
#include <engine/core/EngineStrings.h>
#include <Resources/EngineStringIds.h>

#include <Library/MemoryAllocationLib.h>

typedef struct {
  BOOLEAN         Valid;
  EFI_HII_HANDLE  HiiHandle;
  UINT16          FormId;
  UINT32          Current;
  UINT32          FirstVisible;
} KEPT_PAGE;

// How many of gSendFormHandles SendForm was given; the lists loaded for gotos follow them.
static UINTN  mGivenLists;

VOID
NoteSendFormLists (
  VOID
  )
{
  mGivenLists = gSendFormRunning ? gSendFormHandleCount : 0;
}

EFI_STATUS
FindTuiPageOfForm (
  IN  EFI_HII_HANDLE  HiiHandle,
  IN  UINT16          FormId,
  OUT UINT32          *Page
  )
{
  for (UINT32 Index = 0; Index < TuiPageCount (); Index++) {
    PAGE_RECORD  *Record = TuiPageRecord (Index);
    if ((Record != NULL) && (Record->HiiHandle == HiiHandle) && (Record->FormId == FormId)) {
      *Page = Index;
      return EFI_SUCCESS;
    }
  }

  return EFI_NOT_FOUND;
}

// The form a page object shows, from the object's own copy of its record: the page
// list may already be the new one.
static BOOLEAN
KeepPage (
  IN  TUI_APP    *App,
  IN  UINT32     Page,
  OUT KEPT_PAGE  *Kept
  )
{
  TUI_FRAME  *Main;

  if ((Page >= App->PageCount) || (App->Pages[Page] == NULL) || (App->Pages[Page]->Head.HiiHandle == NULL)) {
    return FALSE;
  }

  Main               = FindPageFrame (App->Pages[Page], TUI_FRAME_MAIN);
  Kept->Valid        = TRUE;
  Kept->HiiHandle    = App->Pages[Page]->Head.HiiHandle;
  Kept->FormId       = App->Pages[Page]->Head.FormId;
  Kept->Current      = (Main != NULL) ? Main->Current : TUI_NO_CONTROL;
  Kept->FirstVisible = (Main != NULL) ? Main->FirstVisible : 0;
  return TRUE;
}

// The new number of a kept page that has an object again; FALSE when it has none.
static BOOLEAN
FindKeptPage (
  IN  TUI_APP          *App,
  IN  CONST KEPT_PAGE  *Kept,
  OUT UINT32           *Page
  )
{
  return (BOOLEAN)(Kept->Valid && !EFI_ERROR (FindTuiPageOfForm (Kept->HiiHandle, Kept->FormId, Page)) &&
                   (*Page < App->PageCount) && (App->Pages[*Page] != NULL));
}

// The focus goes back to the control of the same place; one that no longer takes it
// leaves the page's first focused control.
static VOID
RestoreFocus (
  IN TUI_APP          *App,
  IN CONST KEPT_PAGE  *Kept
  )
{
  UINT32     Page;
  TUI_FRAME  *Main;

  if (!FindKeptPage (App, Kept, &Page) || (Kept->Current == TUI_NO_CONTROL)) {
    return;
  }

  Main = FindPageFrame (App->Pages[Page], TUI_FRAME_MAIN);
  if ((Main == NULL) || (Kept->Current >= Main->ControlCount) || !FrameSetFocus (Main, Kept->Current)) {
    return;
  }

  if (Kept->FirstVisible <= Kept->Current) {
    Main->FirstVisible = Kept->FirstVisible;
  }
}

EFI_STATUS
RemakeTuiPages (
  IN OUT TUI_APP       *App,
  IN     TUI_MAKE_PAGES  Make,
  IN OUT UINT32        *Follow OPTIONAL
  )
{
  UINT32      Count = App->PageCount;
  KEPT_PAGE   *Kept = (KEPT_PAGE *)AllocateZeroPool ((Count + 2) * sizeof (KEPT_PAGE));
  KEPT_PAGE   *Shown;
  KEPT_PAGE   *Followed;
  UINT32      Page;
  EFI_STATUS  Status;

  if (Kept == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  Shown    = &Kept[Count];
  Followed = &Kept[Count + 1];
  for (UINT32 Index = 0; Index < Count; Index++) {
    (VOID)KeepPage (App, Index, &Kept[Index]);     // a page without an object has nothing to keep
  }

  (VOID)KeepPage (App, App->CurrentPage, Shown);
  if (Follow != NULL) {
    (VOID)KeepPage (App, *Follow, Followed);
  }

  TuiDestroyList (&App->Pages, &App->PageCount);
  Status = Make (App);
  if (EFI_ERROR (Status)) {
    FreePool (Kept);
    return Status;
  }

  for (UINT32 Index = 0; Index < Count; Index++) {
    RestoreFocus (App, &Kept[Index]);
  }

  RenumberPageHistory ();
  if (Follow != NULL) {
    *Follow = FindKeptPage (App, Followed, &Page) ? Page : TUI_NO_PAGE;
  }

  App->Redraw = 1;
  Status      = EFI_NOT_FOUND;
  if (FindKeptPage (App, Shown, &Page)) {
    App->CurrentPage = Page;
    Status           = EFI_SUCCESS;
  }

  FreePool (Kept);
  return Status;
}

BOOLEAN
FindSendFormHomePage (
  IN  UINT32  Page,
  OUT UINT32  *Home
  )
{
  UINTN  Given = (mGivenLists < gSendFormHandleCount) ? mGivenLists : gSendFormHandleCount;

  if (!gSendFormRunning || (gTuiApp == NULL) || (Page >= gTuiApp->PageCount) || (gTuiApp->Pages[Page] == NULL)) {
    return FALSE;
  }

  for (UINTN List = 0; List < Given; List++) {
    if (gTuiApp->Pages[Page]->Head.HiiHandle == gSendFormHandles[List]) {
      return FALSE;
    }
  }

  for (UINTN List = 0; List < Given; List++) {
    for (UINT32 Index = 0; Index < gTuiApp->PageCount; Index++) {
      if ((gTuiApp->Pages[Index] != NULL) && (gTuiApp->Pages[Index]->Head.HiiHandle == gSendFormHandles[List])) {
        *Home = Index;
        return TRUE;
      }
    }
  }

  return FALSE;
}

static CONST MSGBOX_DEF  mAskQuit = { 0, STR_EXIT_WITHOUT_SAVING, 0, ENGINE_OWN_HII_HANDLE, STR_QUIT_WITHOUT_SAVING_ASK, 0 };

BOOLEAN
TuiMayLeaveFormSet (
  IN UINT32  From,
  IN UINT32  To
  )
{
  PAGE_RECORD  *Left = TuiPageRecord (From);
  PAGE_RECORD  *Next = TuiPageRecord (To);

  // Outside SendForm the whole setup's save or discard decides when setup ends.
  if (!gSendFormRunning || (Left == NULL) || (Left->HiiHandle == NULL) ||
      ((Next != NULL) && (Next->HiiHandle == Left->HiiHandle) && (Next->FormSetIndex == Left->FormSetIndex)) ||
      !FormSetChanged (From))
  {
    return TRUE;
  }

  // As leaving setup asks: Yes submits the form set to its drivers, No asks before its
  // values are taken back from their stores, and a No there stays.
  switch (RunPopupBox (&gMsgBoxSaveAndExit, MSGBOX_BUTTONS_YES_NO)) {
    case 0:
      if (!EFI_ERROR (SubmitFormSet (From))) {
        return TRUE;
      }

      // A store that refused its values: the user hears of it and may drop them.
      if (!AskDiscardAfterFailedSubmit (From)) {
        return FALSE;
      }

      break;
    case MSGBOX_NO_ANSWER:
      return FALSE;
    default:
      if (RunPopupBox (&mAskQuit, MSGBOX_BUTTONS_YES_NO) != 0) {
        return FALSE;
      }

      break;
  }

  (VOID)DiscardFormSet (From);     // values a store cannot give back stay as they are shown
  return TRUE;
}

static BOOLEAN  mLanguageRemake = FALSE;

VOID
ForgetTuiLanguageChange (
  VOID
  )
{
  mLanguageRemake = FALSE;
  (VOID)RefreshPlatformLanguage ();     // stored while setup was not running: no page is made yet
}

//
// A language chosen on a page shows at once: through the engine's own language question,
// or through a driver's callback that stores "PlatformLang" itself (OVMF's front page).
// Every string is read again in it, and the pages are made again so that what wraps
// differently in it is laid out anew.
//
BOOLEAN
NoteTuiLanguageChange (
  IN OUT TUI_APP  *App
  )
{
  BOOLEAN  Changed = RefreshPlatformLanguage ();

  if (Changed || (App->LanguageChanged != 0)) {
    App->LanguageChanged = 0;
    App->Redraw          = 1;
    mLanguageRemake      = TRUE;
  }

  return mLanguageRemake;
}

EFI_STATUS
FollowTuiLanguageChange (
  IN OUT TUI_APP         *App,
  IN     TUI_MAKE_PAGES  Make
  )
{
  if (!mLanguageRemake) {
    return EFI_SUCCESS;
  }

  mLanguageRemake = FALSE;
  App->Redraw     = 1;
  return RemakeTuiPages (App, Make, NULL);
}

/** @file
  The text-mode application: its pages, hot keys and hot clicks, the Esc path,
  the clicks of the main frame and the key-help pane, and the runner that drives it
  all from the input object's events.
**/
#include <engine/textui/TuiApp.h>
#include <engine/textui/SetupActions.h>
#include <engine/textui/TextScreen.h>
#include <engine/core/EngineGlobals.h>
#include <engine/browser/FormBrowser.h>
#include <engine/forms/QuestionConditions.h>
#include <engine/core/ShiftState.h>
#include <engine/core/HookTable.h>
#include <engine/browser/DynamicPages.h>
#include <engine/browser/PackageNotify.h>
#include <engine/core/SetupData.h>
#include <engine/forms/QuestionDefaults.h>
#include <engine/variables/VariableCache.h>
#include <engine/core/FrontEnd.h>
#include <engine/core/SetupDataFormat.h>
#include <engine/textui/Hotkeys.h>
#include <engine/textui/TuiFrame.h>
#include <engine/textui/TuiObject.h>

#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>

#define SCAN_F1_KEY   0x0B
#define SCAN_F2_KEY   0x0C
#define SCAN_F3_KEY   0x0D
#define SCAN_F4_KEY   0x0E
#define SCAN_F5_KEY   0x0F
#define SCAN_F10_KEY  0x14
#define SCAN_F11_KEY  0x15
#define SCAN_F12_KEY  0x16
#define SCAN_ESC_KEY  0x17
#define SHIFT_CTRL    0x0C

// Key codes that the application takes silently when nothing else did.
#define KEY_CODE_SILENT_1  31
#define KEY_CODE_SILENT_2  103
#define KEY_CODE_SILENT_3  85

TUI_APP  *gTuiApp = NULL;

// The front end's hot-key services take no arguments; the bindings call them through these.
template <VOID (*FRONT_END_SERVICES::*Service)(VOID)>
static EFI_STATUS
RunService (
  IN VOID  *Context,
  IN VOID  *Object,
  IN VOID  *Data
  )
{
  (VOID)Context;
  (VOID)Object;
  (VOID)Data;
  if (gFrontEnd.*Service != NULL) {
    (gFrontEnd.*Service)();
  }

  return EFI_SUCCESS;
}

static CONST TUI_HOT_KEY_ROW  mHotKeys[TUI_APP_HOT_KEYS] = {
  { SCAN_F12_KEY, 0, 0,          0, RunService<&FRONT_END_SERVICES::CaptureKeyPressed> },
  { SCAN_F12_KEY, 0, SHIFT_CTRL, 0, RunService<&FRONT_END_SERVICES::CtrlCaptureKeyPressed> },
  { SCAN_F10_KEY, 0, 0,          0, RunService<&FRONT_END_SERVICES::SaveKeyPressed> },
  { SCAN_F2_KEY,  0, 0,          0, RunService<&FRONT_END_SERVICES::PreviousValuesKeyPressed> },
  { SCAN_F5_KEY,  0, 0,          0, RunService<&FRONT_END_SERVICES::DefaultsKeyPressed> },
  { SCAN_F1_KEY,  0, 0,          0, RunService<&FRONT_END_SERVICES::HelpKeyPressed> },
  { SCAN_ESC_KEY, 0, 0,          0, RunService<&FRONT_END_SERVICES::EscapeKeyPressed> },
  { SCAN_F3_KEY,  0, 0,          0, RunService<&FRONT_END_SERVICES::DefaultsKeyPressed> },
  { SCAN_F4_KEY,  0, 0,          0, RunService<&FRONT_END_SERVICES::SaveKeyPressed> },
  { SCAN_F11_KEY, 0, 0,          0, NULL },
};

// The flag of a key-help row enables its help, previous-values and defaults lines.
static CONST TUI_HOT_CLICK_ROW  mHotClicks[TUI_APP_HOT_CLICKS] = {
  { 1,  3,  65, 29, 0, ExitClickHandler },
  { 67, 3,  99, 14, 0, NULL },
  { 67, 16, 99, 29, 1, HandleSetupHotkeyAction },
  { 1,  3,  52, 21, 0, ExitClickHandler },
  { 54, 3,  78, 11, 0, NULL },
  { 54, 13, 78, 21, 1, HandleSetupHotkeyAction },
  { 0,  0,  0,  0,  0, NULL },
};

BOOLEAN
IsAppHotKey (
  IN CONST KEY_CODE_DATA  *Key
  )
{
  for (UINTN Row = 0; (Key != NULL) && (Row < TUI_APP_HOT_KEYS); Row++) {
    if ((Key->Key.ScanCode == mHotKeys[Row].ScanCode) && (Key->Key.UnicodeChar == mHotKeys[Row].UnicodeChar) &&
        MatchShiftState (Key->KeyState.KeyShiftState, mHotKeys[Row].ShiftState))
    {
      return TRUE;
    }
  }

  return FALSE;
}

static TUI_PAGE *
CurrentPage (
  VOID
  )
{
  return ((gTuiApp == NULL) || (gTuiApp->CurrentPage >= gTuiApp->PageCount)) ? NULL : gTuiApp->Pages[gTuiApp->CurrentPage];
}

EFI_STATUS
GoBackOrExit (
  VOID
  )
{
  TUI_PAGE  *Page = CurrentPage ();
  UINT32    Home;

  if (Page == NULL) {
    return EFI_NOT_READY;
  }

  // Under SendForm only the form set it was given ends it; another goes back there.
  if ((Page->Head.ParentPageNumber == 0) && FindSendFormHomePage (gTuiApp->CurrentPage, &Home)) {
    return TuiMayLeaveFormSet (gTuiApp->CurrentPage, Home) ? ShowTuiPage (Home) : EFI_SUCCESS;
  }

  if (Page->Head.ParentPageNumber == 0) {
    gTuiApp->Exit = (UINT8)((gFrontEnd.LeaveAsked == NULL) || gFrontEnd.LeaveAsked ());
    return EFI_SUCCESS;
  }

  return LeaveSubPage (Page);
}

EFI_STATUS
ExitClickHandler (
  IN VOID  *Context,
  IN VOID  *Object,
  IN VOID  *Data
  )
{
  // The binding hands no event on: the one being dispatched is the application's input object.
  TUI_INPUT  *Event = (gTuiApp != NULL) ? gTuiApp->Input : NULL;

  (VOID)Context;
  (VOID)Object;
  (VOID)Data;
  if ((Event != NULL) && (Event->Kind == TUI_EVENT_POINTER) && (Event->Pointer.ClickKind == 1)) {
    gTuiApp->Exit = (UINT8)((gFrontEnd.LeaveAsked == NULL) || gFrontEnd.LeaveAsked ());
  }

  return EFI_SUCCESS;
}

// The key-help line a click or Enter selected, by its row in the pane; help, previous
// values and defaults only while the click is enabled.
static VOID
RunKeyHelpLine (
  IN UINT32   Line,
  IN BOOLEAN  Enabled
  )
{
  if (!Enabled && (Line >= 4) && (Line <= 6)) {
    return;
  }

  switch (Line) {
    case 4:
      if (gFrontEnd.HelpKeyPressed != NULL) {
        gFrontEnd.HelpKeyPressed ();
      }
      break;
    case 5:
      if (gFrontEnd.DiscardAsked != NULL) {
        (VOID)gFrontEnd.DiscardAsked (TRUE);     // the action shows its own outcome
      }

      break;
    case 6:
      // The action shows its own outcome.
      (VOID)HookLoadDefaults ((UINT64)(UINTN)gVariableCacheStdDefaults, (UINT64)(UINTN)&gMsgBoxLoadOptimized);
      break;
    case 7:
      // The save's reset mark lives with the front end's save state, so its service sets it.
      if ((gFrontEnd.SaveAndExitAsked != NULL) && (gFrontEnd.SaveAndExitAsked () != 0)) {
        gTuiApp->Exit = 1;
      }

      break;
    case 8:
      (VOID)GoBackOrExit ();     // at the outermost page there is nothing to go back to, and that is no fault
      break;
    default:
      break;       // the lines above F1 only explain
  }
}

EFI_STATUS
HandleSetupHotkeyAction (
  IN VOID  *Context,
  IN VOID  *Object,
  IN VOID  *Data
  )
{
  TUI_CLICK_BINDING  *Click = (TUI_CLICK_BINDING *)Object;
  TUI_INPUT          *Event = (gTuiApp != NULL) ? gTuiApp->Input : NULL;
  UINT32             Action;

  (VOID)Context;
  (VOID)Data;
  if ((gTuiApp == NULL) || (Click == NULL) || (Event == NULL) || (Event->Kind != TUI_EVENT_POINTER) ||
      (Event->Pointer.Row < Click->Top))
  {
    return EFI_SUCCESS;
  }

  Action = HookMapPointerAction ((UINT64)(UINTN)&Event->Pointer);
  if ((Action == ACTION_POINTER_20) || (Action == ACTION_SELECT)) {
    RunKeyHelpLine (Event->Pointer.Row - Click->Top, (BOOLEAN)(Click->Flag != 0));
  }

  return EFI_SUCCESS;
}

//
// The application object.
//

static EFI_STATUS
AppCreate (
  IN OUT VOID  **Object
  )
{
  EFI_STATUS  Status = TuiCreateRecord (Object, sizeof (TUI_APP), gTuiActionBindingOps.Create, &gTuiAppOps);

  if (!EFI_ERROR (Status)) {
    ((TUI_APP *)*Object)->Redraw = 1;
  }

  return Status;
}

static EFI_STATUS
AppDestroy (
  IN VOID     *Object,
  IN BOOLEAN  Free
  )
{
  TUI_APP  *App = (TUI_APP *)Object;

  TuiDestroy (App->Input, TRUE);
  App->Input = NULL;
  TuiDestroyList (&App->Pages, &App->PageCount);
  TuiDestroyList (&App->HotKeys, &App->HotKeyCount);
  TuiDestroyList (&App->HotClicks, &App->HotClickCount);
  return TuiActionBindingDestroy (Object, Free);
}

// One binding of a class per row, each calling back with the application as its context.
static EFI_STATUS
MakeBindings (
  IN  TUI_APP          *App,
  IN  TUI_BINDING_OPS  *Ops,
  IN  CONST VOID       *Rows,
  IN  UINTN            RowSize,
  IN  UINT32           Count,
  OUT VOID             ***List,
  OUT UINT32           *Made
  )
{
  *List = (VOID **)AllocateZeroPool (Count * sizeof (VOID *));
  if (*List == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  for (UINT32 Index = 0; Index < Count; Index++) {
    CONST VOID    *Row      = (CONST UINT8 *)Rows + Index * RowSize;
    TUI_CALLBACK  Callback  = (Ops == &gTuiKeyBindingOps) ? ((CONST TUI_HOT_KEY_ROW *)Row)->Callback
                                                          : ((CONST TUI_HOT_CLICK_ROW *)Row)->Callback;
    VOID          *Binding  = NULL;
    EFI_STATUS    Status    = TuiCreate (Ops, &Binding);
    if (EFI_ERROR (Status)) {
      return Status;
    }

    (*List)[Index] = Binding;
    *Made          = Index + 1;
    (VOID)Ops->SetBinding (Binding, Row);     // binding a row cannot fail
    (VOID)Ops->SetCallback (Binding, App, Callback, NULL);     // setting a callback cannot fail
  }

  return EFI_SUCCESS;
}

// One page object per page with a handle; pages see their own index while they are built.
static EFI_STATUS
MakeEveryPage (
  IN OUT TUI_APP  *App
  )
{
  UINT32       Count = TuiPageCount ();
  PAGE_RECORD  *Record;
  EFI_STATUS   Status;

  if (Count == 0) {
    return EFI_OUT_OF_RESOURCES;
  }

  App->Pages = (TUI_PAGE **)AllocateZeroPool (Count * sizeof (TUI_PAGE *));
  if (App->Pages == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  App->PageCount = Count;
  for (UINT32 Index = 0; Index < Count; Index++) {
    VOID  *Page = NULL;
    Record = TuiPageRecord (Index);
    if ((Record == NULL) || (Record->HiiHandle == NULL)) {
      continue;
    }

    App->CurrentPage = Index;
    Status = TuiCreate (&gTuiPageOps, &Page);
    if (EFI_ERROR (Status)) {
      return Status;
    }

    App->Pages[Index] = (TUI_PAGE *)Page;
    Status = gTuiPageOps.Initialize (Page, Record, NULL);
    if (Status == EFI_OUT_OF_RESOURCES) {
      return Status;
    }
  }

  App->CurrentPage = 0;
  return EFI_SUCCESS;
}

// The questions of every page are evaluated while the pages are built: each store
// is asked for its value at most once over the whole build.
static EFI_STATUS
MakePages (
  IN OUT TUI_APP  *App
  )
{
  EFI_STATUS  Status;

  BeginStoreReadPass ();
  Status = MakeEveryPage (App);
  EndStoreReadPass ();
  return Status;
}

static EFI_STATUS
AppInitialize (
  IN VOID  *Object,
  IN VOID  *Data,
  IN VOID  *Extra
  )
{
  TUI_APP     *App  = (TUI_APP *)Object;
  VOID        *Input = NULL;
  EFI_STATUS  Status;

  (VOID)Data;
  (VOID)Extra;
  Status = TuiCreate (&gTuiInputOps, &Input);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  App->Input = (TUI_INPUT *)Input;
  Status     = MakePages (App);
  if (!EFI_ERROR (Status)) {
    Status = MakeBindings (App, &gTuiKeyBindingOps, mHotKeys, sizeof (mHotKeys[0]), TUI_APP_HOT_KEYS,
               (VOID ***)&App->HotKeys, &App->HotKeyCount);
  }

  if (!EFI_ERROR (Status)) {
    Status = MakeBindings (App, &gTuiClickBindingOps, mHotClicks, sizeof (mHotClicks[0]), TUI_APP_HOT_CLICKS,
               (VOID ***)&App->HotClicks, &App->HotClickCount);
  }

  return Status;
}

static EFI_STATUS
AppDraw (
  IN VOID  *Object
  )
{
  TUI_APP  *App = (TUI_APP *)Object;

  (VOID)App;
  return (CurrentPage () != NULL) ? gTuiPageOps.Draw (CurrentPage ()) : EFI_NOT_FOUND;
}

// The hot clicks of this screen size: rows 0 to 2 on 100x31, 3 to 5 on 80x24, none on others.
static EFI_STATUS
OfferToHotClicks (
  IN     TUI_APP    *App,
  IN OUT TUI_INPUT  *Event
  )
{
  UINT32  First;

  if ((gTextScreenColumns == 100) && (gTextScreenRows == 31)) {
    First = 0;
  } else if ((gTextScreenColumns == 80) && (gTextScreenRows == 24)) {
    First = 3;
  } else {
    return EFI_UNSUPPORTED;
  }

  if ((Event->Kind != TUI_EVENT_POINTER) || IsPageModal (App->CurrentPage)) {
    return EFI_UNSUPPORTED;
  }

  for (UINT32 Row = First; (Row < First + 3) && (Row < App->HotClickCount); Row++) {
    if (gTuiClickBindingOps.HandleAction (App->HotClicks[Row], Event) == EFI_SUCCESS) {
      return EFI_SUCCESS;
    }
  }

  return EFI_UNSUPPORTED;
}

static EFI_STATUS
AppHandleAction (
  IN     VOID       *Object,
  IN OUT TUI_INPUT  *Event
  )
{
  TUI_APP  *App = (TUI_APP *)Object;
  UINT32   KeyCode;

  if (Event == NULL) {
    return EFI_UNSUPPORTED;
  }

  for (UINT32 Index = 0; Index < App->HotKeyCount; Index++) {
    if (gTuiKeyBindingOps.HandleAction (App->HotKeys[Index], Event) == EFI_SUCCESS) {
      return EFI_SUCCESS;
    }
  }

  if (OfferToHotClicks (App, Event) == EFI_SUCCESS) {
    return EFI_SUCCESS;
  }

  if (Event->Kind != TUI_EVENT_KEY) {
    return EFI_UNSUPPORTED;
  }

  KeyCode = Event->Key.EfiKey;
  if ((KeyCode == KEY_CODE_SILENT_1) || (KeyCode == KEY_CODE_SILENT_2) || (KeyCode == KEY_CODE_SILENT_3) ||
      ((Event->Key.Key.ScanCode == 0) && (Event->Key.Key.UnicodeChar == 0)))
  {
    // Reported as taken, so it is cleared too: a pending event would come back for ever.
    (VOID)gTuiInputOps.ClearAction (Event);
    return EFI_SUCCESS;
  }

  return EFI_UNSUPPORTED;
}

TUI_APP_OPS  gTuiAppOps = {
  AppCreate, AppDestroy, AppInitialize, AppDraw, AppHandleAction, TuiActionBindingSetCallback
};

//
// The runner.
//

// Draws the current page over a cleared screen when a page change asked for it, else over what is there.
static VOID
DrawApp (
  IN OUT TUI_APP  *App
  )
{
  if (TakeConsoleBack ()) {
    App->Redraw = 1;
  }

  if (App->Redraw) {
    ClearTextScreen ();
    MarkRowsDirty (0, gTextScreenRows - 1);
  }

  // A draw evaluates the conditions of the page's questions: each store is asked once.
  // What it puts in place of a stored value no control can show is not the user's change.
  BeginStoreReadPass ();
  BeginBaselineAdoption ();
  (VOID)AppDraw (App);     // a control that cannot draw now is drawn at the next redraw
  EndBaselineAdoption ();
  EndStoreReadPass ();
  App->Redraw = 0;
  FlushTextScreen ();
}

// One event: the page first, then the application; the event is cleared whoever took it.
static VOID
DispatchEvent (
  IN OUT TUI_APP  *App
  )
{
  TUI_PAGE    *Page   = CurrentPage ();
  EFI_STATUS  Status  = EFI_UNSUPPORTED;
  UINT32      Before  = App->CurrentPage;
  BOOLEAN     Tick    = (BOOLEAN)(App->Input->Kind == TUI_EVENT_TICK);

  if (Page != NULL) {
    Status = gTuiPageOps.HandleAction (Page, App->Input);
  }

  // Whatever the page did not take goes to the application, so that Esc on a top-level
  // page without history still reaches the exit question.
  if (EFI_ERROR (Status)) {
    Status = AppHandleAction (App, App->Input);
  }

  (VOID)gTuiInputOps.ClearAction (App->Input);     // clearing an event cannot fail
  if (App->CurrentPage != Before) {
    App->Redraw = 1;
  }

  // Ticks that nothing took change nothing on the screen. A language chosen by the key is
  // drawn by the runner, once the pages are made again in it.
  if (!App->Exit && (Tick || !NoteTuiLanguageChange (App)) && (App->Redraw || !Tick || (Status == EFI_SUCCESS))) {
    DrawApp (App);
  }
}

// The first page from Start on (then from 0) that has a page object; EFI_NOT_FOUND when none has.
static EFI_STATUS
FirstPageFrom (
  IN OUT TUI_APP  *App,
  IN     UINT32   Start
  )
{
  for (UINT32 Step = 0; Step < App->PageCount; Step++) {
    UINT32  Page = (Start + Step) % App->PageCount;
    if (App->Pages[Page] != NULL) {
      App->CurrentPage = Page;
      return EFI_SUCCESS;
    }
  }

  return EFI_NOT_FOUND;
}

/**
  Form sets published, removed or replaced while setup runs: the queued package
  notifications are worked off here, between events, where no driver call runs, and
  the page objects are made again from the rebuilt page list. The page shown stays
  when it still exists; otherwise the first page that has an object is shown.
**/
static EFI_STATUS
FollowPackageChanges (
  IN OUT TUI_APP  *App
  )
{
  EFI_STATUS  Status;

  if (!gPackageNotifyPending) {
    return EFI_SUCCESS;
  }

  (VOID)ProcessPackageNotifications ();     // a form set that fails shows no pages; the others stay
  Status = RemakeTuiPages (App, MakePages, NULL);
  return (Status == EFI_NOT_FOUND) ? FirstPageFrom (App, 0) : Status;
}

static struct {
  BOOLEAN   Pending;
  EFI_GUID  FormSet;
  UINT16    FormId;
  UINT32    From;
} mFormSetGoto;

VOID
RequestFormSetGoto (
  IN CONST EFI_GUID  *FormSet,
  IN UINT16          FormId,
  IN UINT32          FromPage
  )
{
  CopyMem (&mFormSetGoto.FormSet, FormSet, sizeof (*FormSet));
  mFormSetGoto.FormId  = FormId;
  mFormSetGoto.From    = FromPage;
  mFormSetGoto.Pending = TRUE;
}

/**
  A goto into a form set SendForm was not given: its package list becomes pages, the page
  objects are made again, and the form it names is shown with the link's page in the
  history, so Esc comes back. A form set no list holds leaves the page as it was.
**/
static EFI_STATUS
FollowFormSetGoto (
  IN OUT TUI_APP  *App
  )
{
  UINT16      Target;
  EFI_STATUS  Status;

  if (!mFormSetGoto.Pending) {
    return EFI_SUCCESS;
  }

  mFormSetGoto.Pending = FALSE;
  if (EFI_ERROR (LoadFormSetForGoto (&mFormSetGoto.FormSet)) ||
      EFI_ERROR (FindPageByFormSetForm (&mFormSetGoto.FormSet, mFormSetGoto.FormId, &Target)))
  {
    return EFI_SUCCESS;
  }

  Status = RemakeTuiPages (App, MakePages, &mFormSetGoto.From);
  if (EFI_ERROR (Status) && (Status != EFI_NOT_FOUND)) {
    return Status;
  }

  if ((Target < App->PageCount) && (App->Pages[Target] != NULL) && (mFormSetGoto.From != TUI_NO_PAGE)) {
    // A full history forgets the oldest page; the goto itself still happens.
    (VOID)RecordPageMove (mFormSetGoto.From, Target);
    // The front end shows the page the goto was waiting for, as it shows every page.
    if (gFrontEnd.PageShown != NULL) {
      gFrontEnd.PageShown (Target);
    } else {
      (VOID)ShowTuiPage (Target);
    }

    return EFI_SUCCESS;
  }

  return FirstPageFrom (App, (mFormSetGoto.From != TUI_NO_PAGE) ? mFormSetGoto.From : 0);
}

static struct {
  BOOLEAN  Pending;
  UINT32   Page;
} mPageRebuild;

VOID
RequestPageRebuild (
  IN UINT32  Page
  )
{
  mPageRebuild.Page    = Page;
  mPageRebuild.Pending = TRUE;
}

/**
  A page asked to be made again: its object is destroyed and made from its record as
  at the start, with the focus put back on the control of the same place, and drawn
  whole. A page without an object (or no longer in the list) stays as it is.
**/
static EFI_STATUS
FollowPageRebuild (
  IN OUT TUI_APP  *App
  )
{
  UINT32       Page  = mPageRebuild.Page;
  UINT32       Shown = App->CurrentPage;
  UINT32       Focus = TUI_NO_CONTROL;
  TUI_FRAME    *Main;
  PAGE_RECORD  *Record;
  VOID         *Object = NULL;
  EFI_STATUS   Status;

  if (!mPageRebuild.Pending) {
    return EFI_SUCCESS;
  }

  mPageRebuild.Pending = FALSE;
  Record               = TuiPageRecord (Page);
  if ((Page >= App->PageCount) || (App->Pages[Page] == NULL) || (Record == NULL) || (Record->HiiHandle == NULL)) {
    return EFI_SUCCESS;
  }

  Main  = FindPageFrame (App->Pages[Page], TUI_FRAME_MAIN);
  Focus = (Main != NULL) ? Main->Current : TUI_NO_CONTROL;
  TuiDestroy (App->Pages[Page], TRUE);
  App->Pages[Page] = NULL;
  App->Redraw      = 1;
  Status           = TuiCreate (&gTuiPageOps, &Object);
  if (EFI_ERROR (Status)) {
    return FirstPageFrom (App, Page);
  }

  // A page sees its own index while it is built.
  App->Pages[Page] = (TUI_PAGE *)Object;
  App->CurrentPage = Page;
  BeginStoreReadPass ();
  Status           = gTuiPageOps.Initialize (Object, Record, NULL);
  EndStoreReadPass ();
  App->CurrentPage = Shown;
  if (Status == EFI_OUT_OF_RESOURCES) {
    return Status;
  }

  Main = FindPageFrame (App->Pages[Page], TUI_FRAME_MAIN);
  if ((Main != NULL) && (Focus != TUI_NO_CONTROL)) {
    (VOID)FrameSetFocus (Main, Focus);     // a control that no longer takes the focus leaves the first one focused
  }

  return EFI_SUCCESS;
}

EFI_STATUS
OpenTextSetup (
  IN UINT32  StartPage
  )
{
  VOID        *Object = NULL;
  TUI_APP     *App;
  EFI_STATUS  Status;

  if (gTuiApp != NULL) {
    return EFI_ALREADY_STARTED;
  }

  InitTextScreenMetrics ();
  NoteSendFormLists ();
  mFormSetGoto.Pending = FALSE;
  mPageRebuild.Pending = FALSE;
  ForgetTuiLanguageChange ();
  (VOID)TakeCacheBaseline ();     // what leaving compares with; without it leaving asks
  // Until the first page is on the screen, each store is asked for its value once.
  BeginStoreReadPass ();
  if (gVariableCacheStdDefaults == NULL) {
    (VOID)LoadDefaultOrders ();   // the defaults the keys and exit items load; without them those load nothing
  }

  Status = TuiCreate (&gTuiAppOps, &Object);
  if (!EFI_ERROR (Status)) {
    App     = (TUI_APP *)Object;
    gTuiApp = App;
    Status  = gTuiAppOps.Initialize (App, NULL, NULL);
    if (!EFI_ERROR (Status)) {
      gTuiPopupInput = App->Input;
      Status         = FirstPageFrom (App, StartPage);
    }

    if (!EFI_ERROR (Status)) {
      DrawApp (App);
    }
  }

  EndStoreReadPass ();
  if (EFI_ERROR (Status)) {
    DestroyTuiApp ();
    FreeCacheBaseline ();
  }

  return Status;
}

EFI_STATUS
RunTextSetupLoop (
  VOID
  )
{
  TUI_APP     *App    = gTuiApp;
  EFI_STATUS  Status  = EFI_SUCCESS;

  if (App == NULL) {
    return EFI_NOT_STARTED;
  }

  WatchForBoots ();
  while (!App->Exit && !EFI_ERROR (Status)) {
    if (!EFI_ERROR (gTuiInputOps.GetAction (App->Input))) {
      DispatchEvent (App);
    }

    // A form set a goto loads gets its form-open callbacks, in which drivers fill their
    // forms: the changes they make are followed before the page waits for the next key.
    Status = FollowFormSetGoto (App);
    if (!EFI_ERROR (Status)) {
      Status = FollowPackageChanges (App);
    }

    if (!EFI_ERROR (Status)) {
      Status = FollowPageRebuild (App);
    }

    if (!EFI_ERROR (Status)) {
      Status = FollowTuiLanguageChange (App, MakePages);
      Status = (Status == EFI_NOT_FOUND) ? FirstPageFrom (App, 0) : Status;
    }
    if (ProcessQuestionRefreshes (App->CurrentPage) || TakeConsoleBack ()) {
      App->Redraw = 1;
    }

    if (!EFI_ERROR (Status) && App->Redraw && !App->Exit) {
      DrawApp (App);
    }
  }

  StopWatchingForBoots ();
  DestroyTuiApp ();
  FreeCacheBaseline ();
  return Status;
}

EFI_STATUS
RunTextSetup (
  IN UINT32  StartPage
  )
{
  EFI_STATUS  Status = OpenTextSetup (StartPage);

  return EFI_ERROR (Status) ? Status : RunTextSetupLoop ();
}

//
// What the engine core asks of the application.
//

VOID
ClearTuiAppExit (
  VOID
  )
{
  if (gTuiApp != NULL) {
    gTuiApp->Exit = 0;
  }
}

VOID
DestroyTuiApp (
  VOID
  )
{
  TUI_APP  *App = gTuiApp;

  if (App == NULL) {
    return;
  }

  if (gTuiPopupInput == App->Input) {
    gTuiPopupInput = NULL;
  }

  TuiDestroy (App, TRUE);
  gTuiApp = NULL;
  ClearPageHistory ();
}

BOOLEAN
TuiAppLeaving (
  VOID
  )
{
  return (BOOLEAN)((gTuiApp != NULL) && (gTuiApp->Exit != 0));
}

EFI_STATUS
ShowTuiPage (
  IN UINT32  Page
  )
{
  if ((gTuiApp == NULL) || (Page >= gTuiApp->PageCount) || (gTuiApp->Pages[Page] == NULL)) {
    return EFI_NOT_FOUND;
  }

  gTuiApp->CurrentPage = Page;
  gTuiApp->State       = TUI_APP_STATE_PAGE;
  gTuiApp->Redraw      = 1;
  return EFI_SUCCESS;
}

BOOLEAN
GetTuiAppCurrentPage (
  OUT UINT32  *Page
  )
{
  if ((gTuiApp == NULL) || (Page == NULL)) {
    return FALSE;
  }

  *Page = gTuiApp->CurrentPage;
  return TRUE;
}

VOID
MarkTuiAppLanguageChanged (
  VOID
  )
{
  if (gTuiApp != NULL) {
    gTuiApp->LanguageChanged = 1;
  }
}

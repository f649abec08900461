/** @file
  The text-mode application: one page object per page of the setup data, each with
  its six frames, the application's hot keys and hot clicks, the page history, and
  the runner that reads events and hands them to the current page and then to the
  application until the user leaves.
**/
#ifndef ENGINE_TUI_APP_H_
#define ENGINE_TUI_APP_H_

#include <engine/textui/TuiFrame.h>

typedef struct {
  TUI_ACTION_BINDING  Header;
  PAGE_RECORD         Head;            // the record's head, up to the control count
  UINT32              Unused[2];
  UINT32              Zero;
  UINT32              FrameCount;
  TUI_FRAME           **Frames;        // in layout-table order
  UINT32              HotActionCount;
  TUI_ACTION_BINDING  **HotActions;
} TUI_PAGE;

static_assert (sizeof (TUI_PAGE) == 104, "page");

#define TUI_APP_HOT_KEYS    10
#define TUI_APP_HOT_CLICKS  7

// State word: what kind of page change happened last.
#define TUI_APP_STATE_TAB   1
#define TUI_APP_STATE_PAGE  2

typedef struct {
  TUI_ACTION_BINDING  Header;
  TUI_INPUT           *Input;
  UINT32              CurrentPage;
  UINT32              PageCount;
  TUI_PAGE            **Pages;         // null entries for pages without a handle
  UINT32              HotKeyCount;
  TUI_KEY_BINDING     **HotKeys;
  UINT32              HotClickCount;
  TUI_CLICK_BINDING   **HotClicks;
  UINT8               Redraw;
  UINT8               Exit;
  UINT8               LanguageChanged;
  UINT32              State;
} TUI_APP;

typedef struct {
  TUI_CREATE         Create;
  TUI_DESTROY        Destroy;
  EFI_STATUS         (*Initialize)(IN VOID *Object, IN VOID *Data, IN VOID *Extra);
  EFI_STATUS         (*Draw)(IN VOID *Object);
  TUI_HANDLE_ACTION  HandleAction;
  TUI_SET_CALLBACK   SetCallback;
} TUI_APP_OPS;

extern TUI_APP_OPS  gTuiAppOps;
extern TUI_APP_OPS  gTuiPageOps;

// The one application object; null while none runs.
extern TUI_APP      *gTuiApp;

//
// Pages and frames. The pages are those the form parser made from the HII
// database's form sets, or, before it made any, those of the compiled setup data.
//
UINT32          TuiPageCount (VOID);
PAGE_RECORD     *TuiPageRecord (IN UINTN Page);
CONTROL_RECORD  *TuiPageControl (IN PAGE_RECORD *Page, IN UINTN N);
BOOLEAN     IsPageModal (IN UINTN PageNumber);
/** The page's frame of a kind; null when it has none. */
TUI_FRAME   *FindPageFrame (IN TUI_PAGE *Page, IN UINT32 Kind);
/** Puts a string into the first control of the page's frame of a kind (a pane takes it as its prompt). */
VOID        SetPaneText (IN TUI_PAGE *Page, IN UINT32 Kind, IN EFI_HII_HANDLE HiiHandle, IN UINT16 StringId);
/** The help pane shows the help of the main frame's focused control, or nothing. */
VOID        RefreshHelpPane (IN TUI_PAGE *Page);
/** Fills a frame of a page by its kind: the page's controls, a pane, or the tab strip. */
EFI_STATUS  SetControlAttributes (IN TUI_FRAME *Frame, IN UINT32 Kind, IN PAGE_RECORD *Page);
/**
  Leaves a sub-page for the page it was entered from, or else its parent; its main
  frame starts again from the top. An inconsistency on the page keeps it there (the
  check shows why).
**/
EFI_STATUS  LeaveSubPage (IN TUI_PAGE *Page);
/** Whether a frame of the page has its current control's pop-up open. */
BOOLEAN     FrameHasActiveControl (IN TUI_PAGE *Page);
/** The main frame's control of a question, type and page; null when none. */
TUI_CONTROL *FindFrameControl (IN TUI_PAGE *Page, IN UINT16 QuestionId, IN UINT16 Type, IN UINT16 PageNumber);

//
// The page history: where each page was entered from.
//
EFI_STATUS  PushPageHistory (IN UINT32 FromPage, IN UINT32 ToPage);
/** A move through a link: recorded, or, to a page already on the way back, the history cut back to it. */
EFI_STATUS  RecordPageMove (IN UINT32 FromPage, IN UINT32 ToPage);
/**
  Asks the main loop to follow a goto into a form set that has no page yet: its package
  list is loaded between events, where no page object is in use.
**/
VOID        RequestFormSetGoto (IN CONST EFI_GUID *FormSet, IN UINT16 FormId, IN UINT32 FromPage);
/**
  Asks the main loop to make the object of a page again from its record, between
  events: a link whose action started an image or booted an option is itself a
  control of the page, so the page cannot go while it runs. The focus stays on the
  control of the same place.
**/
VOID        RequestPageRebuild (IN UINT32 Page);
/** The page that Page was last entered from; EFI_NOT_FOUND when none. */
EFI_STATUS  GetPageHistoryEntry (IN UINT32 Page, OUT UINT32 *PreviousPage, OUT UINTN *Index);
/** Forgets the entry GetPageHistoryEntry gave, and every entry after it. */
VOID        DropPageHistory (IN UINTN Index);
VOID        ClearPageHistory (VOID);
/**
  After the pages were made again: each history entry takes the new numbers of the
  forms it named; an entry whose form went away is forgotten.
**/
VOID        RenumberPageHistory (VOID);
/** The page that shows form FormId of the package list HiiHandle; EFI_NOT_FOUND when none does. */
EFI_STATUS  FindTuiPageOfForm (IN EFI_HII_HANDLE HiiHandle, IN UINT16 FormId, OUT UINT32 *Page);
extern UINTN  gPageHistoryCount;

//
// The application.
//
/** Whether a key record is one of the application's hot keys. */
BOOLEAN     IsAppHotKey (IN CONST KEY_CODE_DATA *Key);
/** Esc: back to the page this one was entered from or its parent, or, on a top-level page, the exit question. */
EFI_STATUS  GoBackOrExit (VOID);
/** Hot-click callbacks of the main frame and the key-help pane. */
EFI_STATUS  ExitClickHandler (IN VOID *Context, IN VOID *Object, IN VOID *Data);
EFI_STATUS  HandleSetupHotkeyAction (IN VOID *Context, IN VOID *Object, IN VOID *Data);

/**
  Runs the text-mode setup from page StartPage until the user leaves: creates the
  application, draws its current page, reads events and offers each to the page and
  then to the application, and destroys the application at the end.

  @retval EFI_SUCCESS           The user left setup.
  @retval EFI_ALREADY_STARTED   An application already runs.
  @return                       Why the application could not be made.
**/
EFI_STATUS  RunTextSetup (IN UINT32 StartPage);

/**
  RunTextSetup in two steps, for a caller that does work of its own around the
  first page: OpenTextSetup creates the application and draws page StartPage (on
  failure nothing is left behind); RunTextSetupLoop then runs it until the user
  leaves and destroys it (EFI_NOT_STARTED when no application was opened).
**/
EFI_STATUS  OpenTextSetup (IN UINT32 StartPage);
EFI_STATUS  RunTextSetupLoop (VOID);

/** Clears the exit byte of the application object, when one exists. */
VOID        ClearTuiAppExit (VOID);
/** Destroys the application object, when one exists, and clears its global. */
VOID        DestroyTuiApp (VOID);
/** Shows a page that has a page object; EFI_NOT_FOUND when none runs or the page has none. */
EFI_STATUS  ShowTuiPage (IN UINT32 Page);
/** The page the application object shows; FALSE when no application object exists. */
BOOLEAN     GetTuiAppCurrentPage (OUT UINT32 *Page);
/** Tells a running application that the language changed, so it redraws its texts. */
VOID        MarkTuiAppLanguageChanged (VOID);
/** Asks a running application to end after the event it handles now. */
VOID        RequestTuiAppExit (VOID);
/**
  Leaves the page shown for its parent, or for the form a goto came from, or for the
  form set SendForm was given; FALSE when there is none (on the first form SendForm
  shows, SendForm then ends).
**/
BOOLEAN     GoToParentPage (VOID);
/** Asks a running application to draw its page again. */
VOID        MarkTuiAppRedraw (VOID);
/**
  Opens page Page in a running application, the page shown going into the history
  (it opens without history when the history cannot grow). The page's object is not
  checked: the caller made the page.
**/
VOID        EnterTuiPage (IN UINT32 Page);

//
// Making the pages again under the running application.
//
#define TUI_NO_PAGE  0xFFFFFFFFu

typedef EFI_STATUS (*TUI_MAKE_PAGES)(IN OUT TUI_APP *App);

/**
  Makes the page objects again with Make after the page list changed, keeping what
  the user sees: the page shown, each page's focus and the page history follow their
  forms. Follow, a page number of the old list, becomes the same form's new number
  (TUI_NO_PAGE when it went away).

  @retval EFI_SUCCESS    The page shown is shown again.
  @retval EFI_NOT_FOUND  The page shown went away; the caller picks another.
  @return                Why Make failed.
**/
EFI_STATUS  RemakeTuiPages (IN OUT TUI_APP *App, IN TUI_MAKE_PAGES Make, IN OUT UINT32 *Follow OPTIONAL);
/** Forgets a language change noted before setup started; the language stored then is the one read. */
VOID        ForgetTuiLanguageChange (VOID);
/** TRUE when a language was chosen since the last look and the pages are to be made again in it. */
BOOLEAN     NoteTuiLanguageChange (IN OUT TUI_APP *App);
/** Makes the pages again in a language noted; EFI_NOT_FOUND when no page is left to show. */
EFI_STATUS  FollowTuiLanguageChange (IN OUT TUI_APP *App, IN TUI_MAKE_PAGES Make);
/** Notes, as the application starts, which of the SendForm lists the caller gave. */
VOID        NoteSendFormLists (VOID);
/**
  Under SendForm, for a page of a form set loaded for a goto: the first page of the
  lists SendForm was given, where Esc goes when the history has nothing. FALSE
  outside SendForm and for the given lists' own pages.
**/
BOOLEAN     FindSendFormHomePage (IN UINT32 Page, OUT UINT32 *Home);
/**
  Under SendForm, before Esc goes from page From to page To of another form set: when
  From's form set was changed, asks whether to save its changes (submitted to its
  drivers) or drop them (taken back from its stores). FALSE when the user stays.
**/
BOOLEAN     TuiMayLeaveFormSet (IN UINT32 From, IN UINT32 To);

/** Whether the text application has been told to end (by the user or a driver's request). */
BOOLEAN     TuiAppLeaving (VOID);

#endif

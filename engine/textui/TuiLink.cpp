/** @file
  Controls that move between pages or start work: the link to another page, the
  action control, and the tab strip of the top-level pages with their callbacks.
**/
#include <engine/textui/TuiStatements.h>
#include <engine/textui/TuiApp.h>
#include <engine/core/FrontEnd.h>
#include <engine/textui/SetupActions.h>
#include <engine/textui/TextScreen.h>
#include <engine/browser/DriverCallbacks.h>
#include <engine/forms/QuestionConditions.h>
#include <engine/core/EngineStrings.h>
#include <engine/core/HookTable.h>
#include <engine/browser/DynamicPages.h>
#include <engine/forms/QuestionAccess.h>
#include <engine/variables/VariableCache.h>
#include <Protocol/HiiConfigAccess.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/PrintLib.h>

#define TAB_LEFT_MARK     0x25C4

BOOLEAN
TuiIsSelectEvent (
  IN CONST TUI_CONTROL  *Control,
  IN CONST TUI_INPUT    *Event
  )
{
  if (Event->Kind == TUI_EVENT_KEY) {
    return (BOOLEAN)(HookMapSetupKey (&Event->Key) == ACTION_SELECT);
  }

  return (BOOLEAN)(TuiPointerInside (Control, Event) &&
                   (HookMapPointerAction ((UINT64)(UINTN)&Event->Pointer) == ACTION_SELECT));
}

static EFI_STATUS
RunCallback (
  IN TUI_CONTROL  *Control
  )
{
  TUI_ACTION_BINDING  *Header = &Control->Header;

  return (Header->Callback == NULL) ? EFI_SUCCESS
                                    : Header->Callback (Header->CallbackContext, Control, Header->CallbackData);
}

//
// The callbacks.
//

// The target question of a link takes the focus in its page's main frame.
static VOID
FocusQuestion (
  IN UINT32  PageIndex,
  IN UINT16  QuestionId
  )
{
  TUI_PAGE   *Page = ((gTuiApp == NULL) || (PageIndex >= gTuiApp->PageCount)) ? NULL : gTuiApp->Pages[PageIndex];
  TUI_FRAME  *Main = FindPageFrame (Page, TUI_FRAME_MAIN);

  for (UINT32 Index = 0; (Main != NULL) && (Index < Main->ControlCount); Index++) {
    if (Main->Controls[Index]->Record.QuestionId == QuestionId) {
      (VOID)FrameSetFocus (Main, Index);     // a question that cannot take the focus leaves it where it was
      return;
    }
  }
}

EFI_STATUS
OnLinkSelect (
  IN VOID  *Frame,
  IN VOID  *Control,
  IN VOID  *Record
  )
{
  TUI_NOTIFY_PAGE  *Goto = (TUI_NOTIFY_PAGE *)Record;
  TUI_CONTROL      *Link = (TUI_CONTROL *)Control;

  (VOID)Frame;
  if ((gTuiApp == NULL) || (Goto == NULL) || (Goto->Kind != TUI_NOTIFY_KIND_GOTO)) {
    return EFI_SUCCESS;
  }

  gTuiApp->CurrentPage = Goto->PageIndex;
  if ((Link != NULL) && (Link->Record.RefQuestionId != 0)) {
    FocusQuestion (Goto->PageIndex, Link->Record.RefQuestionId);
  }

  gTuiApp->Redraw = 1;
  gTuiApp->State  = TUI_APP_STATE_PAGE;
  return EFI_SUCCESS;
}

EFI_STATUS
OnTabStripSelect (
  IN VOID  *Frame,
  IN VOID  *Control,
  IN VOID  *Record
  )
{
  TUI_NOTIFY_PAGE  *Jump = (TUI_NOTIFY_PAGE *)Record;

  (VOID)Frame;
  (VOID)Control;
  if ((gTuiApp == NULL) || (Jump == NULL) || (Jump->Kind != TUI_NOTIFY_KIND_JUMP)) {
    return EFI_SUCCESS;
  }

  gTuiApp->CurrentPage = Jump->PageIndex;
  gTuiApp->Redraw      = 1;
  gTuiApp->State       = TUI_APP_STATE_TAB;
  ClearPageHistory ();
  return EFI_SUCCESS;
}

//
// The link.
//

static EFI_STATUS
LinkCreate (
  IN OUT VOID  **Object
  )
{
  return TuiCreateRecord (Object, sizeof (TUI_LINK), TuiControlCreate, &gTuiLinkOps);
}

static EFI_STATUS
LinkInitialize (
  IN VOID  *Object,
  IN VOID  *Data,
  IN VOID  *Extra
  )
{
  TUI_LINK    *Link  = (TUI_LINK *)Object;
  EFI_STATUS  Status = TuiControlInitialize (Object, Data, Extra);

  if (EFI_ERROR (Status)) {
    return Status;
  }

  Link->Control.Record.HelpStringId = TuiStatementString (&Link->Control, 4);
  Link->Countdown        = TuiRefreshInterval (&Link->Control);
  Link->ValueOffset      = (UINT8)gTuiValueColumn;
  Link->Control.HasFocus = FALSE;
  // A board that sets no colour leaves the defaults.
  (VOID)HookSetControlColors (&Link->SelectBackground, &Link->Dimmed, NULL, NULL, &Link->FocusBackground,
          &Link->FocusForeground, &Link->NormalBackground, &Link->NormalForeground, NULL, &Link->PromptFocused,
          &Link->PromptNormal, NULL, NULL, NULL, NULL);
  return EFI_SUCCESS;
}

// "%c %s": the arrow, a blank and the prompt, as a new string.
static CHAR16 *
LinkText (
  IN CONST TUI_CONTROL  *Control
  )
{
  BOOLEAN  NoPrompt;
  CHAR16   *Prompt = TuiReadPrompt (Control, &NoPrompt);
  UINTN    Size;
  CHAR16   *Text;

  if (Prompt == NULL) {
    return NULL;
  }

  Size = (StrLen (Prompt) + 3) * sizeof (CHAR16);
  Text = (CHAR16 *)AllocateZeroPool (Size);
  if (Text != NULL) {
    UnicodeSPrint (Text, Size, u"%c %s", TUI_LINK_ARROW, Prompt);
  }

  FreePool (Prompt);
  return Text;
}

static EFI_STATUS
LinkDraw (
  IN VOID  *Object
  )
{
  TUI_LINK     *Link    = (TUI_LINK *)Object;
  TUI_CONTROL  *Control = &Link->Control;
  UINT8        State    = EvaluateControlCondition (&Control->Record);
  UINT8        Attribute;
  CHAR16       *Text;
  UINT64       Column   = (Control->Column >= TUI_CONTROL_INDENT) ? Control->Column - TUI_CONTROL_INDENT : 0;

  if (!TuiStateDrawn (State)) {
    return EFI_UNSUPPORTED;
  }

  Text = LinkText (Control);
  if (Text == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  Attribute = Control->HasFocus ? (UINT8)(Link->PromptFocused | Link->FocusBackground)
              : (UINT8)(Link->NormalBackground | TuiStateForeground (State, Link->PromptNormal));
  if (Control->Height < 2) {
    TuiPrintWithEllipsis (Column, Control->Row, Text, (UINT64)Control->Width + 3, (Control->Width > 2) ? Control->Width - 2 : 0,
      Attribute);
  } else {
    // How many lines it took is not needed here.
    (VOID)PrintWrappedLines (Control->Column, Control->Row, Control->Width, Control->Height, Text + 2, Attribute);
    Text[2] = 0;
    PrintAt (Column, Control->Row, Text, Attribute);
  }

  FreePool (Text);
  TuiMarkControlRows (Control);
  return TuiDrawnStatus (State);
}

// Enter on a link: the page move, which the driver's callback may take back, then any special
// action; a goto into a form set with no page yet is followed from the main loop.
static EFI_STATUS
LinkSelect (
  IN TUI_LINK  *Link
  )
{
  TUI_CONTROL  *Control = &Link->Control;
  EFI_STATUS   Status;
  EFI_GUID     FormSet;
  UINT16       FormId;

  // A goto naming a form set loaded since the page was made finds its page now, however
  // often that form set has been opened and left.
  (VOID)ResolveRefTarget (Control->Record.PageNumber, &Control->Record);
  gTuiGotoNotify.PageIndex = Control->Record.RefTargetPage;
  (VOID)RunCallback (Control);     // the page callback's answer is its own
  if ((Control->Record.Flags & CONTROL_FLAG_CALLBACK) != 0) {
    Status = InvokeControlCallback (&Control->Record, Control->Record.QuestionId, 0, EFI_BROWSER_ACTION_CHANGING);
    if ((Status != EFI_SUCCESS) && (Status != EFI_UNSUPPORTED)) {
      gTuiGotoNotify.PageIndex = Control->Record.PageNumber;
      (VOID)RunCallback (Control);     // the page callback's answer is its own
      return EFI_SUCCESS;
    }
  }

  if (GotoNamesUnloadedFormSet (&Control->Record, &FormSet, &FormId)) {
    RequestFormSetGoto (&FormSet, FormId, Control->Record.PageNumber);
    return EFI_SUCCESS;
  }

  Control = FindFrameControl ((gTuiApp == NULL) ? NULL : gTuiApp->Pages[Control->Record.PageNumber % gTuiApp->PageCount],
              Control->Record.QuestionId, CONTROL_TYPE_REF, Control->Record.PageNumber);
  // What a boot or a start left behind (the console, the options) shows on a page made again.
  if ((Control != NULL) && (gFrontEnd.SpecialLinkSelected != NULL) &&
      (gFrontEnd.SpecialLinkSelected (&Control->Record) != 0))
  {
    RequestPageRebuild (Control->Record.PageNumber);
  }

  return EFI_SUCCESS;
}

static EFI_STATUS
LinkHandleAction (
  IN     VOID       *Object,
  IN OUT TUI_INPUT  *Event
  )
{
  TUI_LINK  *Link = (TUI_LINK *)Object;

  if (Event == NULL) {
    return EFI_UNSUPPORTED;
  }

  if (Event->Kind == TUI_EVENT_TICK) {
    return TuiCountTick (&Link->Control, &Link->Countdown) ? EFI_SUCCESS : EFI_UNSUPPORTED;
  }

  if (!Link->Control.HasFocus || !TuiIsSelectEvent (&Link->Control, Event)) {
    return EFI_UNSUPPORTED;
  }

  (VOID)gTuiInputOps.ClearAction (Event);     // clearing an event cannot fail
  return LinkSelect (Link);
}

static EFI_STATUS
LinkGetControlHeight (
  IN  VOID    *Object,
  IN  UINT64  FrameWidth,
  OUT UINT16  *Height
  )
{
  CHAR16  *Text = LinkText ((TUI_CONTROL *)Object);

  *Height = TuiWrappedRows (Text, (FrameWidth > 2) ? FrameWidth - 2 : 1);
  FreePool (Text);
  return EFI_SUCCESS;
}

TUI_CONTROL_OPS  gTuiLinkOps = {
  // A link keeps no text of its own: a label's destroy would free its colour bytes.
  LinkCreate,       TuiActionBindingDestroy,     LinkInitialize,   LinkDraw,
  LinkHandleAction, TuiActionBindingSetCallback, TuiLabelSetFocus, TuiControlSetPosition,
  TuiControlSetDimensions, TuiControlSetAttributes, LinkGetControlHeight
};

//
// The action control: drawn as a label, its record's action runs on Enter.
//

static EFI_STATUS
PageLinkCreate (
  IN OUT VOID  **Object
  )
{
  return TuiCreateRecord (Object, sizeof (TUI_PAGE_LINK), TuiControlCreate, &gTuiPageLinkOps);
}

static EFI_STATUS
PageLinkInitialize (
  IN VOID  *Object,
  IN VOID  *Data,
  IN VOID  *Extra
  )
{
  TUI_PAGE_LINK  *Action = (TUI_PAGE_LINK *)Object;
  UINT16         Help;
  EFI_STATUS     Status  = gTuiLabelOps.Initialize (Object, Data, Extra);

  if (EFI_ERROR (Status)) {
    return Status;
  }

  Help = Action->Label.Control.Record.HelpStringId;
  Action->Label.Control.Record.HelpStringId = (Help != 0) ? Help : TuiStatementString (&Action->Label.Control, 4);
  Action->Countdown = TuiRefreshInterval (&Action->Label.Control);
  return EFI_SUCCESS;
}

static EFI_STATUS
PageLinkHandleAction (
  IN     VOID       *Object,
  IN OUT TUI_INPUT  *Event
  )
{
  TUI_PAGE_LINK  *Action  = (TUI_PAGE_LINK *)Object;
  TUI_CONTROL    *Control = &Action->Label.Control;
  BOOLEAN        Callback = (BOOLEAN)((Control->Record.Flags & CONTROL_FLAG_CALLBACK) != 0);

  if (Event == NULL) {
    return EFI_UNSUPPORTED;
  }

  if (Event->Kind == TUI_EVENT_TICK) {
    if (!TuiCountTick (Control, &Action->Countdown)) {
      return EFI_UNSUPPORTED;
    }

    if (Callback) {
      // The driver's answer is its own; the next tick calls it again.
      (VOID)InvokeControlCallback (&Control->Record, Control->Record.QuestionId, 0, EFI_BROWSER_ACTION_CHANGING);
    }

    return EFI_SUCCESS;
  }

  if (!TuiIsSelectEvent (Control, Event)) {
    return EFI_UNSUPPORTED;
  }

  (VOID)gTuiInputOps.ClearAction (Event);     // clearing an event cannot fail
  if ((Control->Record.Flags & CONTROL_FLAG_RESET_REQUIRED) != 0) {
    gResetNeeded = 1;
  }

  (VOID)RouteActionConfig (&Control->Record);     // a store that takes no configuration changes nothing
  if (Callback) {
    (VOID)InvokeControlCallback (&Control->Record, Control->Record.QuestionId, 0, EFI_BROWSER_ACTION_CHANGED);
  }

  return EFI_SUCCESS;
}

TUI_CONTROL_OPS  gTuiPageLinkOps = {
  PageLinkCreate,       TuiLabelDestroy,             PageLinkInitialize, TuiLabelDraw,
  PageLinkHandleAction, TuiActionBindingSetCallback, TuiLabelSetFocus,   TuiControlSetPosition,
  TuiControlSetDimensions, TuiControlSetAttributes, TuiLabelGetControlHeight
};

//
// The tab strip.
//

static EFI_STATUS
TabStripCreate (
  IN OUT VOID  **Object
  )
{
  return TuiCreateRecord (Object, sizeof (TUI_TAB_STRIP), TuiControlCreate, &gTuiTabStripOps);
}

static EFI_STATUS
TabStripDestroy (
  IN VOID     *Object,
  IN BOOLEAN  Free
  )
{
  FreeAndNull (((TUI_TAB_STRIP *)Object)->Tabs);
  return TuiActionBindingDestroy (Object, Free);
}

// A page that the strip shows as a tab: every top-level page but the link page, so the
// form sets that drivers publish, which the text screens list nowhere else, are tabs too.
static BOOLEAN
IsTabPage (
  IN CONST PAGE_RECORD  *Page
  )
{
  return (BOOLEAN)((Page != NULL) && (Page->HiiHandle != NULL) && (Page->HiiHandle != (EFI_HII_HANDLE)(UINTN)0xFFFF) &&
                   (Page->PageNumber != 0) && (Page->ParentPageNumber == 0));
}

// Whether Page is among the first Steps pages of the climb from Start (Start included).
static BOOLEAN
ClimbMeets (
  IN UINT16  Start,
  IN UINT32  Steps,
  IN UINT16  Page
  )
{
  for (UINT32 Step = 0; Step < Steps; Step++) {
    PAGE_RECORD  *Record = TuiPageRecord (Start);
    if (Start == Page) {
      return TRUE;
    }

    if ((Record == NULL) || (Record->ParentPageNumber == 0)) {
      break;
    }

    Start = Record->ParentPageNumber;
  }

  return FALSE;
}

// The tab of Page's own form set; Page itself when it has none.
static UINT16
FormSetTab (
  IN UINT16  Page
  )
{
  PAGE_RECORD  *Own = TuiPageRecord (Page);

  for (UINT32 Index = 0; (Own != NULL) && (Index < TuiPageCount ()); Index++) {
    PAGE_RECORD  *Record = TuiPageRecord (Index);
    if (IsTabPage (Record) && (Record->HiiHandle == Own->HiiHandle)) {
      return Record->PageNumber;
    }
  }

  return Page;
}

// The top-level page above Page. Parents that lead round in a loop (pages renumbered as a
// form set changes under them) reach none: the page then hangs below its form set's tab.
static UINT16
TopLevelAncestor (
  IN UINT16  Page
  )
{
  UINT16  Start = Page;
  UINT32  Count = TuiPageCount ();

  for (UINT32 Step = 0; Step < Count; Step++) {
    PAGE_RECORD  *Record = TuiPageRecord (Page);
    if ((Record == NULL) || (Record->ParentPageNumber == 0) || (Record->ParentPageNumber == Page)) {
      return Page;
    }

    if (ClimbMeets (Start, Step + 1, Record->ParentPageNumber)) {
      break;
    }

    Page = Record->ParentPageNumber;
  }

  return FormSetTab (Start);
}

static EFI_STATUS
TabStripInitialize (
  IN VOID  *Object,
  IN VOID  *Data,
  IN VOID  *Extra
  )
{
  TUI_TAB_STRIP  *Strip = (TUI_TAB_STRIP *)Object;
  UINT32         Count  = TuiPageCount ();
  UINT16         Own;
  EFI_STATUS     Status = TuiControlInitialize (Object, Data, Extra);

  if (EFI_ERROR (Status)) {
    return Status;
  }

  Strip->Tabs = (TUI_TAB *)AllocateZeroPool ((Count + 1) * sizeof (TUI_TAB));
  if (Strip->Tabs == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  Own               = TopLevelAncestor (Strip->Control.Record.PageNumber);
  Strip->SubPage    = (UINT8)(Own != Strip->Control.Record.PageNumber);
  Strip->CurrentTab = TUI_NO_TAB;
  for (UINT32 Index = 0; Index < Count; Index++) {
    PAGE_RECORD  *Page = TuiPageRecord (Index);
    if (!IsTabPage (Page)) {
      continue;
    }

    Strip->CurrentTab = (Page->PageNumber == Own) ? Strip->TabCount : Strip->CurrentTab;
    Strip->Tabs[Strip->TabCount++] = TUI_TAB { Page->HiiHandle, Page->PageNumber, Page->TitleStringId };
  }

  // A board that sets no colour leaves the defaults.
  (VOID)HookSetControlColors (NULL, NULL, &Strip->CurrentBackground, &Strip->CurrentForeground, NULL, NULL, NULL, NULL,
          NULL, NULL, NULL, NULL, NULL, &Strip->OtherForeground, &Strip->OtherBackground);
  return EFI_SUCCESS;
}

// The cells a tab takes: its title and a blank either side; a title too wide is cut and marked.
static UINT64
TabCells (
  IN CONST TUI_TAB_STRIP  *Strip,
  IN CONST CHAR16         *Title,
  OUT BOOLEAN             *Cut
  )
{
  UINT64  Width = GetTextCellCount (Title);

  *Cut = (BOOLEAN)((Strip->UsableWidth > 2) && (Width > (UINT64)Strip->UsableWidth - 2));
  return (*Cut ? ((Strip->UsableWidth > 5) ? Strip->UsableWidth - 5 : 0) + 3 : Width) + 2;
}

static CHAR16 *
TabTitle (
  IN CONST TUI_TAB  *Tab
  )
{
  CHAR16  *Title = HiiGetString (Tab->HiiHandle, Tab->TitleStringId, NULL);

  return (Title != NULL) ? Title : (CHAR16 *)AllocateZeroPool (sizeof (CHAR16));
}

// The first tab of the screen that holds Tab and the first of the screen after it (the
// tab count when none follows), and whether screens come before and after it.
static UINT16
ScreenStart (
  IN  CONST TUI_TAB_STRIP  *Strip,
  IN  UINT16               Tab,
  OUT UINT16               *End,
  OUT BOOLEAN              *Before,
  OUT BOOLEAN              *After
  )
{
  UINT16   First  = 0;
  UINT64   Used   = 0;
  BOOLEAN  Cut;

  *After = FALSE;
  *End   = Strip->TabCount;
  for (UINT16 Index = 0; Index < Strip->TabCount; Index++) {
    CHAR16  *Title = TabTitle (&Strip->Tabs[Index]);
    UINT64  Cells  = (Title == NULL) ? 2 : TabCells (Strip, Title, &Cut);
    FreePool (Title);
    if ((Index > First) && (Used + Cells + 2 > Strip->UsableWidth)) {
      if (Index > Tab) {
        *After = TRUE;
        *End   = Index;
        break;
      }

      First = Index;
      Used  = 0;
    }

    Used += Cells;
  }

  *Before = (BOOLEAN)(First > 0);
  return First;
}

// Prints one tab at Column; answers the column after it, and whether its title was cut.
static UINT64
PrintTab (
  IN  CONST TUI_TAB_STRIP  *Strip,
  IN  UINT16               Index,
  IN  UINT64               Column,
  OUT BOOLEAN              *Cut
  )
{
  CHAR16  *Title = TabTitle (&Strip->Tabs[Index]);
  UINT8   Attribute = (Index == Strip->CurrentTab) ? (UINT8)(Strip->CurrentBackground | Strip->CurrentForeground)
                      : (UINT8)(Strip->OtherBackground | Strip->OtherForeground);
  UINT64  Cells;

  *Cut = FALSE;
  if (Title == NULL) {
    return Column;
  }

  Cells = TabCells (Strip, Title, Cut);
  PrintAt (Column, Strip->Control.Row, u" ", Attribute);
  PrintCut (Column + 1, Strip->Control.Row, Title, *Cut ? Cells - 5 : Cells - 2, Attribute);
  PrintAt (Column + Cells - (*Cut ? 4 : 1), Strip->Control.Row, *Cut ? u"... " : u" ", Attribute);
  FreePool (Title);
  return Column + Cells;
}

//
// On a sub-page the strip names, after its ancestor's tab, the pages from there down to
// the one shown, so the user sees where the links led. When the row is too narrow the
// names nearest the page shown stay and "..." stands for the others.
//
#define PAGE_PATH_DEPTH  8

// The title of a page as a new string; null for a page without one.
static CHAR16 *
PageTitle (
  IN UINT16  Page
  )
{
  PAGE_RECORD  *Record = TuiPageRecord (Page);
  CHAR16       *Title  = ((Record == NULL) || (Record->TitleStringId == 0)) ? NULL
                         : HiiGetString (Record->HiiHandle, Record->TitleStringId, NULL);

  if ((Title != NULL) && (Title[0] == 0)) {
    FreeAndNull (Title);
  }

  return Title;
}

/**
  The titled pages from the strip's own page up to (not including) its ancestor's, the
  own page first; More tells whether titled pages above the deepest ones were left out.
**/
static UINTN
PagePath (
  IN  CONST TUI_TAB_STRIP  *Strip,
  OUT CHAR16               **Titles,
  OUT BOOLEAN              *More
  )
{
  UINT16  Page  = Strip->Control.Record.PageNumber;
  UINT16  Top   = TopLevelAncestor (Page);
  UINTN   Depth = 0;

  *More = FALSE;
  for (UINT32 Step = 0; (Step < TuiPageCount ()) && (Page != Top); Step++) {
    PAGE_RECORD  *Record = TuiPageRecord (Page);
    CHAR16       *Title  = (Record == NULL) ? NULL : PageTitle (Page);
    if ((Record == NULL) || ((Step > 0) && ClimbMeets (Strip->Control.Record.PageNumber, Step, Page))) {
      FreePool (Title);
      break;             // round a loop of parents: each page is named once
    }

    if ((Title != NULL) && (Depth == PAGE_PATH_DEPTH)) {
      FreePool (Title);
      *More = TRUE;
      break;
    }

    Titles[Depth] = Title;
    Depth        += (Title != NULL) ? 1 : 0;
    Page          = Record->ParentPageNumber;
  }

  return Depth;
}

static VOID
PrintPagePath (
  IN CONST TUI_TAB_STRIP  *Strip,
  IN UINT64               Column,
  IN UINT8                Attribute
  )
{
  CHAR16   *Titles[PAGE_PATH_DEPTH];
  BOOLEAN  More;
  UINTN    Depth = PagePath (Strip, Titles, &More);
  UINT64   Right = (UINT64)Strip->Control.Column + Strip->Control.Width;
  UINT64   Room  = (Right > Column) ? Right - Column : 0;
  UINT64   Used  = 0;
  UINTN    Shown = 0;
  CHAR16   Arrow[3] = { TUI_LINK_ARROW, u' ', 0 };

  // Each name takes an arrow, a blank, the name and a blank; "... " and its arrow take 6.
  while ((Shown < Depth) &&
         (Used + GetTextCellCount (Titles[Shown]) + 3 + (((Shown + 1 < Depth) || More) ? 6 : 0) <= Room))
  {
    Used += GetTextCellCount (Titles[Shown++]) + 3;
  }

  if ((Shown == 0) && (Depth > 0) && (Room > 8)) {
    PrintAt (Column, Strip->Control.Row, Arrow, Attribute);
    TuiPrintWithEllipsis (Column + 2, Strip->Control.Row, Titles[0], Room - 3, Room - 6, Attribute);
  } else if (Shown > 0) {
    if ((Shown < Depth) || More) {
      PrintAt (Column, Strip->Control.Row, Arrow, Attribute);
      PrintAt (Column + 2, Strip->Control.Row, u"...", Attribute);
      Column += 6;
    }

    for (UINTN Index = Shown; Index > 0; Index--) {
      PrintAt (Column, Strip->Control.Row, Arrow, Attribute);
      PrintAt (Column + 2, Strip->Control.Row, Titles[Index - 1], Attribute);
      Column += GetTextCellCount (Titles[Index - 1]) + 3;
    }
  }

  for (UINTN Index = 0; Index < Depth; Index++) {
    FreePool (Titles[Index]);
  }
}

static EFI_STATUS
TabStripDraw (
  IN VOID  *Object
  )
{
  TUI_TAB_STRIP  *Strip   = (TUI_TAB_STRIP *)Object;
  TUI_CONTROL    *Control = &Strip->Control;
  UINT8          Other    = (UINT8)(Strip->OtherBackground | Strip->OtherForeground);
  UINT8          State    = EvaluateControlCondition (&Control->Record);
  UINT64         Column   = Control->Column + 1;
  BOOLEAN        Before   = FALSE;
  BOOLEAN        After    = FALSE;
  BOOLEAN        Cut      = FALSE;
  UINT16         First;
  UINT16         End      = Strip->TabCount;

  FillTextRect (Control->Column, Control->Row, Control->Width, 1, Other);
  if (!TuiStateDrawn (State)) {
    return EFI_UNSUPPORTED;
  }

  First = ScreenStart (Strip, (Strip->CurrentTab == TUI_NO_TAB) ? 0 : Strip->CurrentTab, &End, &Before, &After);
  if (Before && !Strip->SubPage) {
    CHAR16  Mark[3] = { TAB_LEFT_MARK, u' ', 0 };
    PrintAt (Control->Column, Control->Row, Mark, Other);
  }

  // Only the tabs of the screen shown: the next screen's would run past the strip's width.
  for (UINT16 Index = First; (Index < End) && !Cut; Index++) {
    if (Strip->SubPage && (Index != Strip->CurrentTab)) {
      continue;
    }

    if (Column + 2 > (UINT64)Control->Column + Strip->UsableWidth) {
      break;
    }

    Column = PrintTab (Strip, Index, Column, &Cut);
  }

  if (Strip->SubPage && !Cut) {
    PrintPagePath (Strip, Column, Other);
  }

  if (After && !Strip->SubPage && (Control->Width > 0)) {
    CHAR16  Mark[2] = { TUI_LINK_ARROW, 0 };
    PrintAt ((UINT64)Control->Column + Control->Width - 1, Control->Row, Mark, Other);
  }

  MarkRowsDirty (Control->Row, Control->Row);
  return TuiDrawnStatus (State);
}

static EFI_STATUS
TabStripHandleAction (
  IN     VOID       *Object,
  IN OUT TUI_INPUT  *Event
  )
{
  TUI_TAB_STRIP  *Strip = (TUI_TAB_STRIP *)Object;
  UINT32         Action;
  UINT16         Tab;

  if ((Event == NULL) || (Event->Kind != TUI_EVENT_KEY) || (gTuiApp == NULL) ||
      (gTuiApp->CurrentPage >= gTuiApp->PageCount) || (gTuiApp->Pages[gTuiApp->CurrentPage] == NULL) ||
      IsPageModal (gTuiApp->CurrentPage))
  {
    return EFI_UNSUPPORTED;
  }

  Action = HookMapSetupKey (&Event->Key);
  if (((Action != ACTION_LEFT) && (Action != ACTION_RIGHT)) || (Strip->TabCount == 0)) {
    return EFI_UNSUPPORTED;
  }

  (VOID)gTuiInputOps.ClearAction (Event);     // clearing an event cannot fail
  if (Strip->SubPage) {
    return EFI_SUCCESS;             // a sub-page keeps its ancestor's tab
  }

  if (Strip->CurrentTab >= Strip->TabCount) {
    Tab = (Action == ACTION_LEFT) ? (UINT16)(Strip->TabCount - 1) : 0;
  } else if (Action == ACTION_LEFT) {
    Tab = (Strip->CurrentTab == 0) ? (UINT16)(Strip->TabCount - 1) : (UINT16)(Strip->CurrentTab - 1);
  } else {
    Tab = (UINT16)((Strip->CurrentTab + 1) % Strip->TabCount);
  }

  gTuiJumpNotify.PageIndex = Strip->Tabs[Tab].PageNumber;
  return RunCallback (&Strip->Control);
}

static EFI_STATUS
TabStripSetFocus (
  IN VOID     *Object,
  IN BOOLEAN  Focus
  )
{
  ((TUI_CONTROL *)Object)->HasFocus = Focus;
  return EFI_SUCCESS;
}

static EFI_STATUS
TabStripSetStripWidth (
  IN VOID    *Object,
  IN UINT64  Width
  )
{
  UINT64  Usable = (Width > 2) ? Width - 2 : 0;

  ((TUI_TAB_STRIP *)Object)->UsableWidth = (UINT8)((Usable > 0xFF) ? 0xFF : Usable);
  return EFI_SUCCESS;
}

// The strip and the width its tabs are laid out in shrink together.
static EFI_STATUS
TabStripSetDimensions (
  IN VOID    *Object,
  IN UINT64  Width,
  IN UINT64  Height
  )
{
  EFI_STATUS  Status = ((TUI_TAB_STRIP_OPS *)((TUI_CONTROL *)Object)->Header.Ops)->SetStripWidth (Object, Width);

  return EFI_ERROR (Status) ? Status : TuiControlSetDimensions (Object, (Width > 2) ? Width - 2 : 0, Height);
}

static EFI_STATUS
TabStripGetControlHeight (
  IN  VOID    *Object,
  IN  UINT64  FrameWidth,
  OUT UINT16  *Height
  )
{
  (VOID)Object;
  (VOID)FrameWidth;
  *Height = 1;
  return EFI_SUCCESS;
}

TUI_TAB_STRIP_OPS  gTuiTabStripOps = {
  {
    TabStripCreate,       TabStripDestroy,             TabStripInitialize, TabStripDraw,
    TabStripHandleAction, TuiActionBindingSetCallback, TabStripSetFocus,   TuiControlSetPosition,
    TabStripSetDimensions, TuiControlSetAttributes,    TabStripGetControlHeight
  },
  TabStripSetStripWidth
};

/** @file
  Setup pages on the text screen: the frame filler (a page's controls, the fixed
  exit items of page 0, the panes and the tab strip), the page object with its six
  frames, its drawing and its event dispatch, Esc and the page history.
**/
#include <engine/textui/TuiApp.h>
#include <engine/textui/TuiStatements.h>
#include <engine/textui/TuiValueControls.h>
#include <engine/textui/TextScreen.h>
#include <engine/core/EngineGlobals.h>
#include <engine/forms/QuestionConditions.h>
#include <engine/core/EngineStrings.h>
#include <engine/core/HookTable.h>
#include <engine/core/SetupData.h>
#include <engine/forms/FormTables.h>
#include <Resources/EngineStringIds.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>

#define EXIT_ITEMS               6
#define PANE_VARIANTS            5
#define SUBTITLE_OP              0x02
#define TEXT_OP                  0x03

//
// The fixed panes' SUBTITLE opcodes {op, length 7, u16 prompt, u16 help, u8 flags},
// one per variant; a page's Draw writes the prompts it shows into them.
//
static UINT8  mPaneOpcodes[PANE_VARIANTS][7] = {
  { SUBTITLE_OP, 7, 0, 0, 0, 0, 0 },
  { SUBTITLE_OP, 7, 0, 0, 0, 0, 0 },
  { SUBTITLE_OP, 7, 0, 0, 0, 0, 0 },
  { SUBTITLE_OP, 7, 0, 0, 0, 0, 0 },
  { SUBTITLE_OP, 7, STR_PANE_PLACEHOLDER, 0, 0, 0, 0 },
};

static UINT8  mBottomLineOpcode[7] = { SUBTITLE_OP, 7, STR_SIGN_ON_VERSION, 0, 0, 0, 0 };

// The exit items of page 0: TEXT opcodes {op, length 8, u16 prompt, u16 help, u16 second text}.
static UINT8  mExitItemOpcodes[EXIT_ITEMS][8] = {
  { TEXT_OP, 8, STR_LOAD_FAIL_SAFE,       0, STR_LOAD_FAIL_SAFE,  0, 0, 0 },
  { TEXT_OP, 8, STR_LOAD_OPTIMIZED,       0, STR_LOAD_OPTIMIZED,  0, 0, 0 },
  { TEXT_OP, 8, STR_SAVE_AND_EXIT_SETUP,  0, STR_SAVE_DATA,       0, 0, 0 },
  { TEXT_OP, 8, STR_EXIT_WITHOUT_SAVING,  0, STR_ABANDON_DATA,    0, 0, 0 },
  { TEXT_OP, 8, STR_SAVE_AND_RESET,       0, STR_SAVE_DATA,       0, 0, 0 },
  { TEXT_OP, 8, STR_RESET_WITHOUT_SAVING, 0, STR_ABANDON_DATA,    0, 0, 0 },
};

// A record the engine makes itself: the program's own strings, valid, of one type.
static VOID
MakeOwnRecord (
  OUT CONTROL_RECORD  *Record,
  IN  UINT16          Type,
  IN  UINT16          PageNumber,
  IN  CONST UINT8     *Opcode
  )
{
  ZeroMem (Record, sizeof (*Record));
  Record->HiiHandle      = ENGINE_OWN_HII_HANDLE;
  Record->ControlType    = Type;
  Record->PageNumber     = PageNumber;
  Record->Flags          = CONTROL_FLAG_VALID;
  Record->QuestionOpcode = (UINT64)(UINTN)Opcode;
}

static TUI_FRAME_OPS *
FrameOps (
  IN TUI_FRAME  *Frame
  )
{
  return (TUI_FRAME_OPS *)Frame->Header.Ops;
}

// Gives the focus to the first control from Index on that takes it, when none has it yet.
static VOID
FocusFirstFrom (
  IN OUT TUI_FRAME  *Frame,
  IN     UINT32     Index
  )
{
  for (UINT32 At = Index; (Frame->Current == TUI_NO_CONTROL) && (At < Frame->ControlCount); At++) {
    (VOID)FrameSetFocus (Frame, At);     // a control that refuses the focus passes it on to the next
  }
}

// Takes every control out of a frame.
static VOID
EmptyFrame (
  IN OUT TUI_FRAME  *Frame
  )
{
  for (UINT32 Index = 0; Index < Frame->ControlCount; Index++) {
    TuiDestroy (Frame->Controls[Index], TRUE);
  }

  Frame->ControlCount = 0;
  Frame->UntypedCount = 0;
  Frame->Current      = TUI_NO_CONTROL;
  Frame->FirstVisible = 0;
  Frame->LastVisible  = 0;
}

static EFI_STATUS
AddExitItems (
  IN OUT TUI_FRAME  *Frame
  )
{
  UINT32      Added   = 0;
  BOOLEAN     Focused = FALSE;
  EFI_STATUS  Status;

  EmptyFrame (Frame);
  for (UINTN Item = 0; Item < EXIT_ITEMS; Item++) {
    Status = AddFrameControl (Frame, mExitItemOpcodes[Item], &Added, &Focused);
    if (EFI_ERROR (Status)) {
      return Status;
    }
  }

  return EFI_SUCCESS;
}

/**
  Adds the page's controls. Records that make no control (untyped, or of a kind
  with no class such as the inconsistency and no-submit checks and rules) are passed
  over so that the controls after them still appear; only a lack of memory stops.
**/
static EFI_STATUS
FrameAddPageControls (
  IN OUT TUI_FRAME    *Frame,
  IN     PAGE_RECORD  *Page
  )
{
  CONTROL_RECORD  *Record;
  EFI_STATUS      Status;

  for (UINT32 Index = 0; Index < Page->ControlCount; Index++) {
    Record = TuiPageControl (Page, Index);
    if (Record == NULL) {
      continue;
    }

    Status = FrameOps (Frame)->AddControl (Frame, Record);
    if (Status == EFI_OUT_OF_RESOURCES) {
      return Status;
    }

    if (!EFI_ERROR (Status)) {
      FocusFirstFrom (Frame, (Frame->ControlCount > 0) ? Frame->ControlCount - 1 : 0);
    }
  }

  return (Frame->PageNumber == 0) ? AddExitItems (Frame) : EFI_SUCCESS;
}

static EFI_STATUS
FrameAddPaneControl (
  IN OUT TUI_FRAME  *Frame,
  IN     UINT32     Variant
  )
{
  CONTROL_RECORD  Record;
  EFI_STATUS      Status;
  TUI_CONTROL     *Pane;
  UINT64          Width = Frame->Layout.Width - ((Variant == TUI_FRAME_HELP) ? 1 : 0);

  MakeOwnRecord (&Record, CONTROL_TYPE_SUBTITLE, (UINT16)Frame->PageNumber,
    (Variant == TUI_FRAME_BOTTOM) ? mBottomLineOpcode : mPaneOpcodes[Variant - 1]);
  Status = FrameOps (Frame)->AddControl (Frame, &Record);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  Pane = Frame->Controls[Frame->ControlCount - 1];
  (VOID)gTuiTextPaneOps.Base.SetPosition (Pane, Frame->Layout.Column, Frame->Layout.Row);     // placing a pane cannot fail
  Status = gTuiTextPaneOps.Base.SetDimensions (Pane, Width, Frame->Layout.Height);
  // Colours and alignment of a pane cannot fail: the alignment is one of the three.
  (VOID)gTuiTextPaneOps.Base.SetAttributes (Pane, Frame->Layout.Attribute2, Frame->Layout.Attribute1);
  (VOID)gTuiTextPaneOps.SetAlignment (Pane, ((Variant == TUI_FRAME_TITLE) || (Variant == TUI_FRAME_BOTTOM)) ? TUI_ALIGN_CENTRE
                                                                                                       : TUI_ALIGN_LEFT);
  ((TUI_TEXT_PANE *)Pane)->Background = Frame->Layout.Attribute2;
  ((TUI_TEXT_PANE *)Pane)->Foreground = Frame->Layout.Attribute1;
  return Status;
}

static EFI_STATUS
FrameAddTabStrip (
  IN OUT TUI_FRAME  *Frame
  )
{
  CONTROL_RECORD  Record;

  EFI_STATUS      Status;

  MakeOwnRecord (&Record, CONTROL_TYPE_TAB_STRIP, (UINT16)Frame->PageNumber, mPaneOpcodes[TUI_FRAME_TAB_STRIP - 1]);
  Status = FrameOps (Frame)->AddControl (Frame, &Record);
  // The strip is its frame's current control, so that the frame hands it Left and Right.
  FocusFirstFrom (Frame, 0);
  return Status;
}

EFI_STATUS
SetControlAttributes (
  IN TUI_FRAME    *Frame,
  IN UINT32       Kind,
  IN PAGE_RECORD  *Page
  )
{
  static CONST UINT8  Framed[] = { 1, 3, 5, 7, 8, 14 };
  UINT8               Saved[HOOK_MAX_ARGS];
  EFI_STATUS          Status;

  CopyMem (Saved, gControlColorTable, sizeof (Saved));
  for (UINTN Index = 0; Index < sizeof (Framed); Index++) {
    gControlColorTable[Framed[Index]] = Frame->Layout.Attribute2;
  }

  if (Kind == TUI_FRAME_MAIN) {
    Status = FrameAddPageControls (Frame, Page);
  } else if (Kind == TUI_FRAME_TAB_STRIP) {
    gControlColorTable[3]  = 0x70;
    gControlColorTable[14] = 0x10;
    gControlColorTable[2]  = 0x01;
    gControlColorTable[13] = 0x07;
    Status = FrameAddTabStrip (Frame);
  } else {
    Status = FrameAddPaneControl (Frame, Kind);
  }

  CopyMem (gControlColorTable, Saved, sizeof (Saved));
  for (UINTN Pair = 0; Pair < 3; Pair++) {
    Frame->AttributePairs[Pair][0] = 0x01;
    Frame->AttributePairs[Pair][1] = 0x70;
  }

  return Status;
}

//
// Page helpers.
//

// Parsed pages not yet rebuilt into the working tables are read where the parser left them.
static BOOLEAN
ReadsWorkTables (
  VOID
  )
{
  return (BOOLEAN)((GetWorkPageCount () > 0) && (gPageList == gCompiledPageList));
}

UINT32
TuiPageCount (
  VOID
  )
{
  return ReadsWorkTables () ? GetWorkPageCount () : GetPageCount ();
}

PAGE_RECORD *
TuiPageRecord (
  IN UINTN  Page
  )
{
  PAGE_RECORD  *Record;

  if (ReadsWorkTables ()) {
    return GetWorkPage (Page);
  }

  return EFI_ERROR (GetPageData (Page, &Record)) ? NULL : Record;
}

CONTROL_RECORD *
TuiPageControl (
  IN PAGE_RECORD  *Page,
  IN UINTN        N
  )
{
  CONTROL_RECORD  *Control;

  // The rebuilt tables keep the work control data, which also holds the first page's links.
  if (ReadsWorkTables () || (gPageList != gCompiledPageList)) {
    return GetWorkPageControl (Page, N);
  }

  return EFI_ERROR (GetPageControl (Page->PageNumber, N, &Control)) ? NULL : Control;
}

BOOLEAN
IsPageModal (
  IN UINTN  PageNumber
  )
{
  PAGE_RECORD  *Record = TuiPageRecord (PageNumber);

  return (BOOLEAN)((Record != NULL) && ((Record->Flags & PAGE_FLAG_MODAL) != 0));
}

TUI_FRAME *
FindPageFrame (
  IN TUI_PAGE  *Page,
  IN UINT32    Kind
  )
{
  for (UINT32 Index = 0; (Page != NULL) && (Page->Frames != NULL) && (Index < Page->FrameCount); Index++) {
    if ((Page->Frames[Index] != NULL) && (Page->Frames[Index]->Layout.Kind == Kind)) {
      return Page->Frames[Index];
    }
  }

  return NULL;
}

VOID
SetPaneText (
  IN TUI_PAGE        *Page,
  IN UINT32          Kind,
  IN EFI_HII_HANDLE  HiiHandle,
  IN UINT16          StringId
  )
{
  TUI_FRAME    *Frame = FindPageFrame (Page, Kind);
  TUI_CONTROL  *First;
  UINT8        *Opcode;

  if ((StringId == 0) || (Frame == NULL) || (Frame->ControlCount == 0)) {
    return;
  }

  First                   = Frame->Controls[0];
  First->Record.HiiHandle = HiiHandle;
  Opcode                  = (UINT8 *)(UINTN)First->Record.QuestionOpcode;
  if (((First->Record.ControlType & CONTROL_TYPE_MASK) == CONTROL_TYPE_SUBTITLE) && (Opcode != NULL) &&
      (Opcode[0] == SUBTITLE_OP) && (Opcode[1] >= 4))
  {
    WriteUnaligned16 (Opcode + 2, StringId);
  }
}

VOID
RefreshHelpPane (
  IN TUI_PAGE  *Page
  )
{
  TUI_FRAME    *Main    = FindPageFrame (Page, TUI_FRAME_MAIN);
  TUI_CONTROL  *Current = ((Main == NULL) || (Main->Current == TUI_NO_CONTROL)) ? NULL : Main->Controls[Main->Current];

  if ((Current != NULL) && Current->HasFocus && (Current->Record.HelpStringId != 0)) {
    SetPaneText (Page, TUI_FRAME_HELP, Current->Record.HiiHandle, Current->Record.HelpStringId);
  } else {
    SetPaneText (Page, TUI_FRAME_HELP, ENGINE_OWN_HII_HANDLE, STR_EMPTY);
  }
}

TUI_CONTROL *
FindFrameControl (
  IN TUI_PAGE  *Page,
  IN UINT16    QuestionId,
  IN UINT16    Type,
  IN UINT16    PageNumber
  )
{
  TUI_FRAME  *Main = FindPageFrame (Page, TUI_FRAME_MAIN);

  for (UINT32 Index = 0; (Main != NULL) && (Index < Main->ControlCount); Index++) {
    CONST CONTROL_RECORD  *Record = &Main->Controls[Index]->Record;
    if ((Record->QuestionId == QuestionId) && ((Record->ControlType & CONTROL_TYPE_MASK) == Type) &&
        (Record->PageNumber == PageNumber))
    {
      return Main->Controls[Index];
    }
  }

  return NULL;
}

BOOLEAN
FrameHasActiveControl (
  IN TUI_PAGE  *Page
  )
{
  for (UINT32 Index = 0; Index < Page->FrameCount; Index++) {
    TUI_FRAME  *Frame = Page->Frames[Index];
    if ((Frame != NULL) && (Frame->Current != TUI_NO_CONTROL) && Frame->Controls[Frame->Current]->OwnsFrame) {
      return TRUE;
    }
  }

  return FALSE;
}

//
// The page object.
//

static EFI_STATUS
PageCreate (
  IN OUT VOID  **Object
  )
{
  return TuiCreateRecord (Object, sizeof (TUI_PAGE), gTuiActionBindingOps.Create, &gTuiPageOps);
}

static EFI_STATUS
PageDestroy (
  IN VOID     *Object,
  IN BOOLEAN  Free
  )
{
  TUI_PAGE  *Page = (TUI_PAGE *)Object;

  TuiDestroyList (&Page->HotActions, &Page->HotActionCount);
  TuiDestroyList (&Page->Frames, &Page->FrameCount);
  return TuiActionBindingDestroy (Object, Free);
}

// Data: the page's record. A frame that fails to fill keeps the frames made so far.
static EFI_STATUS
PageInitialize (
  IN VOID  *Object,
  IN VOID  *Data,
  IN VOID  *Extra
  )
{
  TUI_PAGE     *Page   = (TUI_PAGE *)Object;
  PAGE_RECORD  *Record = (PAGE_RECORD *)Data;
  EFI_STATUS   Status;

  (VOID)Extra;
  if (Record == NULL) {
    return EFI_INVALID_PARAMETER;
  }

  CopyMem (&Page->Head, Record, sizeof (Page->Head));
  Page->Frames = (TUI_FRAME **)AllocateZeroPool (TUI_FRAME_KINDS * sizeof (TUI_FRAME *));
  if (Page->Frames == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  Page->FrameCount = TUI_FRAME_KINDS;
  for (UINT32 Index = 0; Index < TUI_FRAME_KINDS; Index++) {
    VOID  *Frame = NULL;
    Status = TuiCreate (&gTuiFrameOps, &Frame);
    if (EFI_ERROR (Status)) {
      return Status;
    }

    Page->Frames[Index] = (TUI_FRAME *)Frame;
    Status = gTuiFrameOps.Initialize (Frame, &gTuiFrameLayout[Index], Record->PageNumber);
    if (!EFI_ERROR (Status)) {
      Status = SetControlAttributes ((TUI_FRAME *)Frame, gTuiFrameLayout[Index].Kind, Record);
    }

    if (EFI_ERROR (Status)) {
      return Status;
    }
  }

  return EFI_SUCCESS;
}

// Whether Left and Right lead anywhere: on a top-level page that is not modal, to another tab.
static BOOLEAN
HasOtherScreens (
  IN TUI_PAGE  *Page
  )
{
  TUI_FRAME      *Tabs = FindPageFrame (Page, TUI_FRAME_TAB_STRIP);
  TUI_TAB_STRIP  *Strip;

  if ((Tabs == NULL) || (Tabs->ControlCount == 0) ||
      ((Tabs->Controls[0]->Record.ControlType & CONTROL_TYPE_MASK) != CONTROL_TYPE_TAB_STRIP) ||
      ((Page->Head.Flags & PAGE_FLAG_MODAL) != 0))
  {
    return FALSE;
  }

  Strip = (TUI_TAB_STRIP *)Tabs->Controls[0];
  // A page that is no tab itself (the link page) can still go to the one tab there is.
  return (BOOLEAN)(!Strip->SubPage &&
                   ((Strip->TabCount > 1) || ((Strip->TabCount == 1) && (Strip->CurrentTab >= Strip->TabCount))));
}

// Puts the title, tab, help and key-help texts of the page into its panes.
static VOID
SetPageTexts (
  IN TUI_PAGE  *Page
  )
{
  UINT16  Title = (gEngineSettings != NULL) ? gEngineSettings->TitleStringId : 0;
  UINT16  Tab   = (gEngineSettings != NULL) ? gEngineSettings->TabTitleStringId : 0;

  RefreshHelpPane (Page);
  if (Page->Head.TitleLineStringId != 0) {
    SetPaneText (Page, TUI_FRAME_TITLE, Page->Head.HiiHandle, Page->Head.TitleLineStringId);
  } else {
    SetPaneText (Page, TUI_FRAME_TITLE, ENGINE_OWN_HII_HANDLE, Title);
  }

  if (Page->Head.TitleStringId != 0) {
    SetPaneText (Page, TUI_FRAME_TAB_STRIP, Page->Head.HiiHandle, Page->Head.TitleStringId);
  } else {
    SetPaneText (Page, TUI_FRAME_TAB_STRIP, ENGINE_OWN_HII_HANDLE, Tab);
  }

  SetPaneText (Page, TUI_FRAME_KEY_HELP, ENGINE_OWN_HII_HANDLE,
    HasOtherScreens (Page) ? STR_KEY_HELP : STR_KEY_HELP_ONE_SCREEN);
}

//
// The focus a control took when the page was made, before the values it depends on were
// settled, goes to the first control from the window on that takes it now.
//
static VOID
DropRefusedFocus (
  IN OUT TUI_FRAME  *Main
  )
{
  TUI_CONTROL  *Current;

  if (Main->Current == TUI_NO_CONTROL) {
    return;
  }

  Current = Main->Controls[Main->Current];
  if (EvaluateControlCondition (&Current->Record) == CONDITION_STATE_SHOWN) {
    return;
  }

  (VOID)((TUI_CONTROL_OPS *)Current->Header.Ops)->SetFocus (Current, FALSE);     // giving up the focus cannot fail
  Main->Current = TUI_NO_CONTROL;
  FocusFirstFrom (Main, Main->FirstVisible);
}

static EFI_STATUS
PageDraw (
  IN VOID  *Object
  )
{
  TUI_PAGE   *Page = (TUI_PAGE *)Object;
  TUI_FRAME  *Main = FindPageFrame (Page, TUI_FRAME_MAIN);
  UINT32     Before;
  UINT32     Writes;
  BOOLEAN    Settled;

  SetPageTexts (Page);
  if ((gTuiApp != NULL) && gTuiApp->Redraw && (gTuiApp->State != 0)) {
    gTuiApp->State = 0;
  }

  if ((Main != NULL) && (Main->Current != TUI_NO_CONTROL) && Main->Controls[Main->Current]->OwnsFrame) {
    return gTuiFrameOps.Draw (Main);
  }

  // A main frame that moves its focus while drawing changes the help text, and a control
  // that settles its value while drawing changes what the conditions of the controls
  // drawn before it read: one more pass, so that a page first shows as it stays.
  for (UINTN Pass = 0; Pass < 2; Pass++) {
    Before = (Main != NULL) ? Main->Current : TUI_NO_CONTROL;
    Writes = gTuiQuestionWrites;
    for (UINT32 Index = 0; Index < Page->FrameCount; Index++) {
      (VOID)gTuiFrameOps.Draw (Page->Frames[Index]);    // an empty frame draws nothing
    }

    Settled = (BOOLEAN)(gTuiQuestionWrites != Writes);
    if (Settled && (Main != NULL)) {
      DropRefusedFocus (Main);
    }

    if ((Main == NULL) || ((Main->Current == Before) && !Settled)) {
      break;
    }

    RefreshHelpPane (Page);
  }

  return EFI_SUCCESS;
}

// Frames in kind order 0, 1, 2, ...; the first that consumes the event ends the dispatch.
static EFI_STATUS
OfferToFrames (
  IN     TUI_PAGE   *Page,
  IN OUT TUI_INPUT  *Event
  )
{
  for (UINT32 Kind = 0; Kind < TUI_FRAME_KINDS; Kind++) {
    TUI_FRAME  *Frame = FindPageFrame (Page, Kind);
    if ((Frame != NULL) && (gTuiFrameOps.HandleAction (Frame, Event) == EFI_SUCCESS)) {
      return EFI_SUCCESS;
    }
  }

  for (UINT32 Index = 0; (Page->HotActions != NULL) && (Index < Page->HotActionCount); Index++) {
    TUI_BINDING_OPS  *Ops = (TUI_BINDING_OPS *)Page->HotActions[Index]->Ops;
    if (Ops->HandleAction (Page->HotActions[Index], Event) == EFI_SUCCESS) {
      return EFI_SUCCESS;
    }
  }

  return EFI_UNSUPPORTED;
}

// Whether the event asks to leave the page (Esc, or a pointer event the pointer hook maps to it).
static BOOLEAN
IsEscape (
  IN CONST TUI_INPUT  *Event
  )
{
  if (Event->Kind == TUI_EVENT_KEY) {
    return (BOOLEAN)(HookMapSetupKey (&Event->Key) == ACTION_ABORT);
  }

  return (BOOLEAN)((Event->Kind == TUI_EVENT_POINTER) &&
                   (HookMapPointerAction ((UINT64)(UINTN)&Event->Pointer) == ACTION_ABORT));
}

// The main frame starts again from its first control that takes the focus.
static VOID
ResetMainFrame (
  IN TUI_PAGE  *Page
  )
{
  TUI_FRAME  *Main = FindPageFrame (Page, TUI_FRAME_MAIN);

  if (Main == NULL) {
    return;
  }

  if (Main->Current != TUI_NO_CONTROL) {
    (VOID)((TUI_CONTROL_OPS *)Main->Controls[Main->Current]->Header.Ops)->SetFocus (Main->Controls[Main->Current], FALSE);
  }

  Main->Current      = TUI_NO_CONTROL;
  Main->FirstVisible = 0;
  FocusFirstFrom (Main, 0);
}

// Goes back to the page this one was last entered from, unless the user stays in a
// changed form set; EFI_NOT_FOUND when the history has none.
static EFI_STATUS
BackThroughHistory (
  IN TUI_PAGE  *Page
  )
{
  UINT32      Previous;
  UINTN       Index;
  EFI_STATUS  Status = GetPageHistoryEntry (Page->Head.PageNumber, &Previous, &Index);

  if (!EFI_ERROR (Status) && TuiMayLeaveFormSet (Page->Head.PageNumber, Previous)) {
    ResetMainFrame (Page);
    DropPageHistory (Index);
    gTuiApp->CurrentPage = Previous;
    gTuiApp->Redraw      = 1;
    gTuiApp->State       = TUI_APP_STATE_PAGE;
  }

  return Status;
}

EFI_STATUS
LeaveSubPage (
  IN TUI_PAGE  *Page
  )
{
  if (CheckPageInconsistency (Page->Head.PageNumber)) {
    return EFI_SUCCESS;
  }

  if (EFI_ERROR (BackThroughHistory (Page))) {
    ResetMainFrame (Page);
    gTuiApp->CurrentPage = Page->Head.ParentPageNumber;
    gTuiApp->Redraw      = 1;
    gTuiApp->State       = TUI_APP_STATE_PAGE;
  }

  return EFI_SUCCESS;
}

static EFI_STATUS
PageEscape (
  IN TUI_PAGE  *Page
  )
{
  if (gTuiApp == NULL) {
    return EFI_ABORTED;
  }

  if (Page->Head.ParentPageNumber == Page->Head.PageNumber) {
    return EFI_UNSUPPORTED;
  }

  if (Page->Head.ParentPageNumber != 0) {
    return LeaveSubPage (Page);
  }

  if ((gTuiApp->CurrentPage >= gTuiApp->PageCount) || (gTuiApp->Pages[gTuiApp->CurrentPage] == NULL)) {
    return EFI_ABORTED;
  }

  return BackThroughHistory (Page);
}

static EFI_STATUS
PageHandleAction (
  IN     VOID       *Object,
  IN OUT TUI_INPUT  *Event
  )
{
  TUI_PAGE    *Page   = (TUI_PAGE *)Object;
  UINT32      Before  = (gTuiApp != NULL) ? gTuiApp->CurrentPage : 0;
  EFI_STATUS  Status;
  BOOLEAN     Back    = FALSE;

  if (Event == NULL) {
    return EFI_UNSUPPORTED;
  }

  Status = OfferToFrames (Page, Event);
  if (EFI_ERROR (Status) && ((Page->Head.Flags & PAGE_FLAG_MODAL) != 0)) {
    if (Event->Kind == TUI_EVENT_KEY) {
      Event->Kind = TUI_EVENT_NONE;     // a modal page keeps its keys to itself
    }

    return EFI_UNSUPPORTED;
  }

  if (EFI_ERROR (Status) && IsEscape (Event)) {
    Status = PageEscape (Page);
    Back   = TRUE;
    if (!EFI_ERROR (Status)) {
      (VOID)gTuiInputOps.ClearAction (Event);     // clearing an event cannot fail
    }
  }

  // Only a move through a link is recorded: a step back took its entry off the history,
  // and a tab change emptied it.
  if (!EFI_ERROR (Status) && !Back && (gTuiApp != NULL) && (gTuiApp->CurrentPage != Before) &&
      (gTuiApp->State == TUI_APP_STATE_PAGE))
  {
    (VOID)RecordPageMove (Page->Head.PageNumber, gTuiApp->CurrentPage);
  }

  return Status;
}

TUI_APP_OPS  gTuiPageOps = {
  PageCreate, PageDestroy, PageInitialize, PageDraw, PageHandleAction, TuiActionBindingSetCallback
};

//
// The page history: a stack of {from, to} page moves.
//

typedef struct {
  UINT32          FromPage;
  UINT32          ToPage;
  // The forms the pages show: page numbers change when form sets come and go.
  EFI_HII_HANDLE  FromHandle;
  EFI_HII_HANDLE  ToHandle;
  UINT16          FromForm;
  UINT16          ToForm;
} PAGE_HISTORY_ENTRY;

#define PAGE_HISTORY_STEP  20

static PAGE_HISTORY_ENTRY  *mPageHistory;
static UINTN               mPageHistoryCapacity;
UINTN                      gPageHistoryCount;

static BOOLEAN
HasPageObject (
  IN UINT32  Page
  )
{
  return (BOOLEAN)((gTuiApp != NULL) && (Page < gTuiApp->PageCount) && (gTuiApp->Pages[Page] != NULL));
}

EFI_STATUS
PushPageHistory (
  IN UINT32  FromPage,
  IN UINT32  ToPage
  )
{
  PAGE_HISTORY_ENTRY  *Grown;
  UINTN               Capacity;
  PAGE_RECORD         *From = TuiPageRecord (FromPage);
  PAGE_RECORD         *To   = TuiPageRecord (ToPage);

  if (!HasPageObject (FromPage) || !HasPageObject (ToPage) || (From == NULL) || (To == NULL)) {
    return EFI_NOT_STARTED;
  }

  if (gPageHistoryCount == mPageHistoryCapacity) {
    Capacity = (mPageHistoryCapacity == 0) ? gTuiApp->PageCount + PAGE_HISTORY_STEP : mPageHistoryCapacity + PAGE_HISTORY_STEP;
    Grown    = (PAGE_HISTORY_ENTRY *)ReallocatePool (mPageHistoryCapacity * sizeof (*Grown), Capacity * sizeof (*Grown),
                                       mPageHistory);
    if (Grown == NULL) {
      return EFI_OUT_OF_RESOURCES;
    }

    mPageHistory         = Grown;
    mPageHistoryCapacity = Capacity;
  }

  mPageHistory[gPageHistoryCount++] = PAGE_HISTORY_ENTRY {
    FromPage, ToPage, From->HiiHandle, To->HiiHandle, From->FormId, To->FormId
  };
  return EFI_SUCCESS;
}

EFI_STATUS
RecordPageMove (
  IN UINT32  FromPage,
  IN UINT32  ToPage
  )
{
  // A page already on the way back (a subform's goto to its form set's main form) is
  // gone back to: the moves after it are forgotten, so Esc then leaves it for the page
  // it was first entered from, as firmware browsers keep their form history.
  for (UINTN At = gPageHistoryCount; At > 0; At--) {
    if ((mPageHistory[At - 1].ToPage == ToPage) || (mPageHistory[At - 1].FromPage == ToPage)) {
      gPageHistoryCount = (mPageHistory[At - 1].ToPage == ToPage) ? At : At - 1;
      return EFI_SUCCESS;
    }
  }

  return PushPageHistory (FromPage, ToPage);
}

EFI_STATUS
GetPageHistoryEntry (
  IN  UINT32  Page,
  OUT UINT32  *PreviousPage,
  OUT UINTN   *Index
  )
{
  if (!HasPageObject (Page)) {
    return EFI_NOT_STARTED;
  }

  for (UINTN At = gPageHistoryCount; At > 0; At--) {
    if (mPageHistory[At - 1].ToPage == Page) {
      *PreviousPage = mPageHistory[At - 1].FromPage;
      *Index        = At - 1;
      return EFI_SUCCESS;
    }
  }

  return EFI_NOT_FOUND;
}

VOID
DropPageHistory (
  IN UINTN  Index
  )
{
  gPageHistoryCount = (Index < gPageHistoryCount) ? Index : gPageHistoryCount;
}

VOID
ClearPageHistory (
  VOID
  )
{
  FreeAndNull (mPageHistory);
  mPageHistoryCapacity = 0;
  gPageHistoryCount    = 0;
}

VOID
RenumberPageHistory (
  VOID
  )
{
  UINTN  Kept = 0;

  for (UINTN At = 0; At < gPageHistoryCount; At++) {
    PAGE_HISTORY_ENTRY  Entry = mPageHistory[At];
    if (!EFI_ERROR (FindTuiPageOfForm (Entry.FromHandle, Entry.FromForm, &Entry.FromPage)) &&
        !EFI_ERROR (FindTuiPageOfForm (Entry.ToHandle, Entry.ToForm, &Entry.ToPage)) &&
        HasPageObject (Entry.FromPage) && HasPageObject (Entry.ToPage))
    {
      mPageHistory[Kept++] = Entry;
    }
  }

  gPageHistoryCount = Kept;
}

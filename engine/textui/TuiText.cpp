/** @file
  Read-only controls: the text statement (a prompt and a second text at the value
  column), the text pane (subtitles, and the title, help, key-help and bottom panes
  of every page; the help pane scrolls with k and m).
**/
#include <engine/textui/TuiStatements.h>
#include <engine/textui/TuiFrame.h>
#include <engine/textui/TuiValueControls.h>
#include <engine/textui/TextScreen.h>
#include <engine/core/EngineGlobals.h>
#include <engine/forms/QuestionConditions.h>
#include <engine/core/EngineStrings.h>
#include <engine/core/HookTable.h>
#include <engine/forms/IfrOpcode.h>
#include <engine/forms/FormTables.h>
#include <engine/forms/QuestionAccess.h>
#include <engine/variables/VariableCache.h>
#include <engine/core/SetupData.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/PrintLib.h>

#define TEXT_FOREGROUND   0x08
#define ELLIPSIS          u"..."

//
// Helpers the classes of this folder share.
//

UINT8
TuiRefreshInterval (
  IN CONST TUI_CONTROL  *Control
  )
{
  return (UINT8)((Control->Record.Flags & CONTROL_FLAG_REFRESH_MASK) >> CONTROL_FLAG_REFRESH_SHIFT);
}

BOOLEAN
TuiCountTick (
  IN     CONST TUI_CONTROL  *Control,
  IN OUT UINT8              *Countdown
  )
{
  if (TuiRefreshInterval (Control) == 0) {
    return FALSE;
  }

  if (*Countdown > 0) {
    (*Countdown)--;
  }

  if (*Countdown != 0) {
    return FALSE;
  }

  *Countdown = TuiRefreshInterval (Control);
  return TRUE;
}

VOID
TuiPrintWithEllipsis (
  IN UINT64        Column,
  IN UINT64        Row,
  IN CONST CHAR16  *Text,
  IN UINT64        Limit,
  IN UINT64        Cells,
  IN UINT8         Attribute
  )
{
  if (GetTextCellCount (Text) < Limit) {
    PrintAt (Column, Row, Text, Attribute);
    return;
  }

  PrintCut (Column, Row, Text, Cells, Attribute);
  PrintAt (Column + GetTextCellCount (Text) - GetTextCellCount (Text + CountCharsThatFit (Text, Cells)), Row,
    ELLIPSIS, Attribute);
}

VOID
TuiMarkControlRows (
  IN CONST TUI_CONTROL  *Control
  )
{
  MarkRowsDirty (Control->Row, (UINT64)Control->Row + ((Control->Height > 0) ? Control->Height - 1 : 0));
}

VOID
TuiPrintPrompt (
  IN CONST TUI_CONTROL  *Control,
  IN CONST CHAR16       *Prompt,
  IN UINT64             Cells,
  IN UINT8              Attribute
  )
{
  if (Control->Height < 2) {
    PrintCut (Control->Column, Control->Row, Prompt, Cells, Attribute);
  } else {
    // How many lines it took is not needed here.
    (VOID)PrintWrappedLines (Control->Column, Control->Row, Cells, Control->Height, Prompt, Attribute);
  }
}

UINT16
TuiWrappedRows (
  IN CONST CHAR16  *Text,
  IN UINT64        Width
  )
{
  UINT64  Lines    = 0;
  CHAR16  *Wrapped = (Text == NULL) ? NULL : WrapText (Text, Width, &Lines);

  FreePool (Wrapped);
  return (UINT16)((Lines == 0) ? 1 : ((Lines > 0xFFFF) ? 0xFFFF : Lines));
}

BOOLEAN
TuiPointerInside (
  IN CONST TUI_CONTROL  *Control,
  IN CONST TUI_INPUT    *Event
  )
{
  return (BOOLEAN)((Event->Kind == TUI_EVENT_POINTER) && (Event->Pointer.Column >= Control->Column) &&
                   (Event->Pointer.Column < (UINT32)Control->Column + Control->Width) &&
                   (Event->Pointer.Row >= Control->Row) && (Event->Pointer.Row < (UINT32)Control->Row + Control->Height));
}

// A u16 of the control's question opcode at Offset; 0 when the opcode is too short.
static UINT16
OpcodeWord (
  IN CONST TUI_CONTROL  *Control,
  IN UINTN              Offset
  )
{
  CONST UINT8  *Opcode = (CONST UINT8 *)(UINTN)Control->Record.QuestionOpcode;

  if ((Opcode == NULL) || (IfrLength (Opcode) < Offset + sizeof (UINT16))) {
    return 0;
  }

  return ReadUnaligned16 (Opcode + Offset);
}

static CHAR16 *
ControlString (
  IN CONST TUI_CONTROL  *Control,
  IN UINT16             StringId
  )
{
  return (StringId == 0) ? NULL : HiiGetString (Control->Record.HiiHandle, StringId, NULL);
}

static BOOLEAN
IsDrawable (
  IN CONST TUI_CONTROL  *Control,
  OUT UINT8             *State
  )
{
  *State = EvaluateControlCondition (&Control->Record);
  return TuiStateDrawn (*State);
}

// Where a second text or value starts, relative to the control's column, kept right of the prompt.
static UINT64
PromptCells (
  IN CONST TUI_CONTROL  *Control,
  IN UINT16             ValueOffset
  )
{
  return (ValueOffset > Control->Column) ? (UINT64)(ValueOffset - Control->Column) : 1;
}

//
// The text statement.
//

// A text without a second text (a header line with one text among them) has the whole row for its prompt.
static UINT64
TextPromptCells (
  IN CONST TUI_TEXT  *Text,
  IN UINT64          Width
  )
{
  if ((Text->Text == NULL) || (Text->Text[0] == L'\0')) {
    return (Width != 0) ? Width : 1;
  }

  return PromptCells (&Text->Control, Text->ValueOffset);
}

static EFI_STATUS
TextCreate (
  IN OUT VOID  **Object
  )
{
  return TuiCreateRecord (Object, sizeof (TUI_TEXT), TuiControlCreate, &gTuiTextOps.Base);
}

static EFI_STATUS
TextDestroy (
  IN VOID     *Object,
  IN BOOLEAN  Free
  )
{
  FreeAndNull (((TUI_TEXT *)Object)->Prompt);
  FreeAndNull (((TUI_TEXT *)Object)->Text);
  return TuiActionBindingDestroy (Object, Free);
}

static EFI_STATUS
TextSetTexts (
  IN VOID          *Object,
  IN CONST CHAR16  *Prompt OPTIONAL,
  IN CONST CHAR16  *Second OPTIONAL
  )
{
  TUI_TEXT  *Text       = (TUI_TEXT *)Object;
  CHAR16    *PromptCopy = (Prompt == NULL) ? NULL : StrDupUtf16 (Prompt);
  CHAR16    *SecondCopy = (Second == NULL) ? NULL : StrDupUtf16 (Second);

  if (((Prompt != NULL) && (PromptCopy == NULL)) || ((Second != NULL) && (SecondCopy == NULL))) {
    FreePool (PromptCopy);
    FreePool (SecondCopy);
    return EFI_OUT_OF_RESOURCES;
  }

  if (PromptCopy != NULL) {
    FreePool (Text->Prompt);
    Text->Prompt = PromptCopy;
  }

  if (SecondCopy != NULL) {
    FreePool (Text->Text);
    Text->Text = SecondCopy;
  }

  return EFI_SUCCESS;
}

//
// The string ids a text shows: a TEXT opcode's prompt and second text, or a front
// page's header line (a banner): its left text as the prompt, its right (else centre)
// text beside it.
//
static VOID
TextStringIds (
  IN  CONST TUI_TEXT  *Text,
  OUT UINT16          *Prompt,
  OUT UINT16          *Second
  )
{
  CONST UINT8  *Opcode = (CONST UINT8 *)(UINTN)Text->Control.Record.QuestionOpcode;
  UINT16       Titles[3];
  UINT16       Line;

  if (IfrReadBanner (Opcode, &Line, NULL, NULL)) {
    IfrBannerLineTitles (Opcode, FindFormsPackageEnd (Opcode), Line, Titles);
    *Prompt = Titles[EFI_IFR_BANNER_ALIGN_LEFT];
    *Second = (Titles[EFI_IFR_BANNER_ALIGN_RIGHT] != 0) ? Titles[EFI_IFR_BANNER_ALIGN_RIGHT] : Titles[EFI_IFR_BANNER_ALIGN_CENTER];
    return;
  }

  *Prompt = OpcodeWord (&Text->Control, 2);
  *Second = OpcodeWord (&Text->Control, 6);
}

// Reads both strings of the text again and keeps copies; a text without a second one shows its prompt alone.
static EFI_STATUS
TextReadStrings (
  IN TUI_TEXT  *Text
  )
{
  UINT16      PromptId;
  UINT16      SecondId;
  CHAR16      *Prompt;
  CHAR16      *Second;
  EFI_STATUS  Status;

  TextStringIds (Text, &PromptId, &SecondId);
  Prompt = (PromptId == 0) ? (CHAR16 *)AllocateZeroPool (sizeof (CHAR16)) : ControlString (&Text->Control, PromptId);
  Second = (SecondId == 0) ? (CHAR16 *)AllocateZeroPool (sizeof (CHAR16)) : ControlString (&Text->Control, SecondId);
  Status = ((Prompt == NULL) || (Second == NULL)) ? EFI_OUT_OF_RESOURCES : EFI_SUCCESS;

  if (!EFI_ERROR (Status)) {
    Status = TextSetTexts (Text, Prompt, Second);
  }

  FreePool (Prompt);
  FreePool (Second);
  return Status;
}

static EFI_STATUS
TextInitialize (
  IN VOID  *Object,
  IN VOID  *Data,
  IN VOID  *Extra
  )
{
  TUI_TEXT    *Text  = (TUI_TEXT *)Object;
  EFI_STATUS  Status = TuiControlInitialize (Object, Data, Extra);

  if (EFI_ERROR (Status)) {
    return Status;
  }

  // A board that sets no colour leaves the defaults.
  (VOID)HookSetControlColors (&Text->Background, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL,
          NULL, NULL, NULL);
  Text->Control.Record.HelpStringId = IfrReadBanner ((CONST UINT8 *)(UINTN)Text->Control.Record.QuestionOpcode, NULL, NULL, NULL)
                                      ? 0 : OpcodeWord (&Text->Control, 4);
  Text->ValueOffset = (UINT16)gTuiValueColumn;
  Text->Countdown   = TuiRefreshInterval (&Text->Control);
  (VOID)TextReadStrings (Text);     // Draw reads them again and reports what is missing
  return EFI_SUCCESS;
}

static EFI_STATUS
TextDraw (
  IN VOID  *Object
  )
{
  TUI_TEXT     *Text    = (TUI_TEXT *)Object;
  TUI_CONTROL  *Control = &Text->Control;
  UINT8        Attribute = (UINT8)(TEXT_FOREGROUND | Text->Background);
  UINT64       Prompt;
  UINT64       Room      = (Control->Width + 1 > Text->ValueOffset) ? (UINT64)(Control->Width + 1 - Text->ValueOffset) : 1;
  UINT8        State;

  if (!IsDrawable (Control, &State)) {
    return EFI_UNSUPPORTED;
  }

  if (EFI_ERROR (TextReadStrings (Text))) {
    return EFI_OUT_OF_RESOURCES;
  }

  Prompt = TextPromptCells (Text, Control->Width);
  TuiPrintPrompt (Control, Text->Prompt, Prompt, Attribute);
  if (Control->Height < 2) {
    TuiPrintWithEllipsis (Control->Column + Text->ValueOffset, Control->Row, Text->Text, Room, (Room > 3) ? Room - 3 : 0,
      Attribute);
  } else {
    // How many lines it took is not needed here.
    (VOID)PrintWrappedLines (Control->Column + Text->ValueOffset, Control->Row, Room, Control->Height, Text->Text,
            Attribute);
  }

  TuiMarkControlRows (Control);
  return TuiDrawnStatus (State);
}

static EFI_STATUS
TextHandleAction (
  IN     VOID       *Object,
  IN OUT TUI_INPUT  *Event
  )
{
  TUI_TEXT  *Text = (TUI_TEXT *)Object;

  if ((Event == NULL) || (Event->Kind != TUI_EVENT_TICK)) {
    return EFI_UNSUPPORTED;
  }

  return TuiCountTick (&Text->Control, &Text->Countdown) ? EFI_SUCCESS : EFI_UNSUPPORTED;
}

static EFI_STATUS
TextGetControlHeight (
  IN  VOID    *Object,
  IN  UINT64  FrameWidth,
  OUT UINT16  *Height
  )
{
  TUI_TEXT  *Text   = (TUI_TEXT *)Object;
  UINT64    Width   = (FrameWidth > 4) ? FrameWidth - 4 : 1;
  UINT64    Room    = (Width + 1 > Text->ValueOffset) ? Width + 1 - Text->ValueOffset : 1;
  UINT16    Second  = TuiWrappedRows (Text->Text, Room);
  UINT16    Prompt  = TuiWrappedRows (Text->Prompt, TextPromptCells (Text, Width));

  *Height = (Second > Prompt) ? Second : Prompt;
  return EFI_SUCCESS;
}

TUI_TEXT_OPS  gTuiTextOps = {
  {
    TextCreate,            TextDestroy,                 TextInitialize,          TextDraw,
    TextHandleAction,      TuiActionBindingSetCallback, TuiRefuseFocus,          TuiControlSetPosition,
    TuiControlSetDimensions, TuiControlSetAttributes,   TextGetControlHeight
  },
  TextSetTexts
};

//
// The text pane.
//

static EFI_STATUS
PaneCreate (
  IN OUT VOID  **Object
  )
{
  return TuiCreateRecord (Object, sizeof (TUI_TEXT_PANE), TuiControlCreate, &gTuiTextPaneOps);
}

static EFI_STATUS
PaneDestroy (
  IN VOID     *Object,
  IN BOOLEAN  Free
  )
{
  FreeAndNull (((TUI_TEXT_PANE *)Object)->BlankRow);
  return TuiActionBindingDestroy (Object, Free);
}

static EFI_STATUS
PaneInitialize (
  IN VOID  *Object,
  IN VOID  *Data,
  IN VOID  *Extra
  )
{
  TUI_TEXT_PANE  *Pane  = (TUI_TEXT_PANE *)Object;
  EFI_STATUS     Status = TuiControlInitialize (Object, Data, Extra);

  if (EFI_ERROR (Status)) {
    return Status;
  }

  // A board that sets no colour leaves the defaults.
  (VOID)HookSetControlColors (&Pane->Background, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL,
          NULL, NULL, NULL);
  Pane->Foreground = 0;
  Pane->Alignment  = TUI_ALIGN_LEFT;
  Pane->FirstLine  = 0;
  Pane->Countdown  = TuiRefreshInterval (&Pane->Control);
  return EFI_SUCCESS;
}

static EFI_STATUS
PaneSetDimensions (
  IN VOID    *Object,
  IN UINT64  Width,
  IN UINT64  Height
  )
{
  TUI_TEXT_PANE  *Pane = (TUI_TEXT_PANE *)Object;
  CHAR16         *Blank;

  // Every draw of a page sizes its panes again, mostly to the width they have.
  if ((Pane->BlankRow != NULL) && (Pane->Control.Width == Width)) {
    return TuiControlSetDimensions (Object, Width, Height);
  }

  Blank = (CHAR16 *)AllocateZeroPool ((UINTN)(Width + 1) * sizeof (CHAR16));
  if (Blank == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  for (UINT64 Index = 0; Index < Width; Index++) {
    Blank[Index] = u' ';
  }

  FreePool (Pane->BlankRow);
  Pane->BlankRow = Blank;
  return TuiControlSetDimensions (Object, Width, Height);
}

// The next wrapped line from *Line: cut at its end and *Line moved past it; null at the end.
static CHAR16 *
NextLine (
  IN OUT CHAR16  **Line
  )
{
  CHAR16  *Start = *Line;
  CHAR16  *End;

  if ((Start == NULL) || (*Start == 0)) {
    return NULL;
  }

  for (End = Start; (*End != 0) && (*End != CHAR_LINEFEED) && (*End != CHAR_CARRIAGE_RETURN); End++) {
  }

  *Line = End;
  if (*End != 0) {
    CHAR16  Ending = *End;
    *End  = 0;
    *Line = End + 1;
    // A CR LF or LF CR pair ends one line.
    if ((**Line != Ending) && ((**Line == CHAR_LINEFEED) || (**Line == CHAR_CARRIAGE_RETURN))) {
      (*Line)++;
    }
  }

  return Start;
}

// Prints the wrapped lines from the pane's scroll offset on; answers how many were printed.
static UINT64
PanePrintLines (
  IN TUI_TEXT_PANE  *Pane,
  IN CHAR16         *Wrapped,
  IN UINT8          Attribute
  )
{
  TUI_CONTROL  *Control = &Pane->Control;
  CHAR16       *Cursor  = Wrapped;
  CHAR16       *Line;
  UINT64       Index    = 0;
  UINT64       Printed  = 0;

  while (((Line = NextLine (&Cursor)) != NULL) && (Printed < Control->Height)) {
    if (Index++ < Pane->FirstLine) {
      continue;
    }

    PrintAligned (Control->Column, (UINT64)Control->Column + Control->Width, Control->Row + Printed, Pane->Alignment,
      Line, Attribute);
    Printed++;
  }

  return Printed;
}

static EFI_STATUS
PaneDraw (
  IN VOID  *Object
  )
{
  TUI_TEXT_PANE  *Pane    = (TUI_TEXT_PANE *)Object;
  TUI_CONTROL    *Control = &Pane->Control;
  UINT64         Lines    = 0;
  UINT8          State;
  CHAR16         *Text;
  CHAR16         *Wrapped;
  BOOLEAN        Scrolls;

  if (!IsDrawable (Control, &State)) {
    return EFI_UNSUPPORTED;
  }

  Text = ControlString (Control, OpcodeWord (Control, 2));
  if ((Text == NULL) || (Text[0] == 0)) {
    FreePool (Text);
    return EFI_OUT_OF_RESOURCES;
  }

  for (UINT64 Row = 0; (Pane->BlankRow != NULL) && (Row < Control->Height); Row++) {
    PrintAt (Control->Column, Control->Row + Row, Pane->BlankRow, (UINT8)(Pane->Background | Pane->Foreground));
  }

  Wrapped = WrapText (Text, Control->Width, &Lines);
  FreePool (Text);
  Scrolls = (BOOLEAN)((Control->FrameKind == TUI_FRAME_HELP) && (Lines > Control->Height));
  if (Scrolls) {
    Pane->FirstLine = (UINT16)((Pane->FirstLine > Lines - Control->Height) ? Lines - Control->Height : Pane->FirstLine);
  } else {
    Pane->FirstLine = 0;
  }

  Pane->LinesShown = (UINT16)PanePrintLines (Pane, Wrapped,
                               (UINT8)(Pane->Background | TuiStateForeground (State, Pane->Foreground)));
  FreePool (Wrapped);
  if ((Control->FrameKind == TUI_FRAME_HELP) && !Scrolls) {
    for (UINT64 Row = 0; Row < Control->Height; Row++) {
      PrintAt ((UINT64)Control->Column + Control->Width, Control->Row + Row, u" ", Pane->Background);
    }
  }

  TuiMarkControlRows (Control);
  if (Scrolls) {
    FlushTextScreen ();
  }

  return TuiDrawnStatus (State);
}

static EFI_STATUS
PaneHandleAction (
  IN     VOID       *Object,
  IN OUT TUI_INPUT  *Event
  )
{
  TUI_TEXT_PANE  *Pane = (TUI_TEXT_PANE *)Object;
  UINT32         Action;

  if (Event == NULL) {
    return EFI_UNSUPPORTED;
  }

  if (Event->Kind == TUI_EVENT_TICK) {
    return TuiCountTick (&Pane->Control, &Pane->Countdown) ? EFI_SUCCESS : EFI_UNSUPPORTED;
  }

  if ((Event->Kind != TUI_EVENT_KEY) || (Pane->Control.FrameKind != TUI_FRAME_HELP)) {
    return EFI_UNSUPPORTED;
  }

  Action = HookMapSetupKey (&Event->Key);
  if ((Action == ACTION_KEY_K) || (Action == ACTION_KEY_M)) {
    if (Action == ACTION_KEY_K) {
      Pane->FirstLine = (UINT16)((Pane->FirstLine > 0) ? Pane->FirstLine - 1 : 0);
    } else if (Pane->FirstLine < 0xFFFF) {
      Pane->FirstLine++;          // Draw limits it to the lines the text has
    }

    (VOID)PaneDraw (Pane);     // a control that cannot draw now is drawn at the next redraw
  }

  return EFI_UNSUPPORTED;         // the key goes on to the other handlers
}

static EFI_STATUS
PaneGetControlHeight (
  IN  VOID    *Object,
  IN  UINT64  FrameWidth,
  OUT UINT16  *Height
  )
{
  TUI_CONTROL  *Control = (TUI_CONTROL *)Object;
  UINT64       Width    = (FrameWidth != 0) ? ((FrameWidth > 4) ? FrameWidth - 4 : 1) : Control->Width;
  CHAR16       *Text    = ControlString (Control, OpcodeWord (Control, 2));

  *Height = TuiWrappedRows (Text, Width);
  FreePool (Text);
  return EFI_SUCCESS;
}

static EFI_STATUS
PaneSetAlignment (
  IN VOID    *Object,
  IN UINT64  Alignment
  )
{
  if (Alignment > TUI_ALIGN_RIGHT) {
    return EFI_INVALID_PARAMETER;
  }

  ((TUI_TEXT_PANE *)Object)->Alignment = (UINT8)Alignment;
  return EFI_SUCCESS;
}

TUI_TEXT_PANE_OPS  gTuiTextPaneOps = {
  {
    PaneCreate,        PaneDestroy,       PaneInitialize,          PaneDraw,
    PaneHandleAction,  TuiRefuseCallback, TuiRefuseFocus,          TuiControlSetPosition,
    PaneSetDimensions, TuiControlSetAttributes, PaneGetControlHeight
  },
  PaneSetAlignment
};

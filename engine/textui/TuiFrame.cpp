/** @file
  Frames of a setup page: the frame layouts, adding controls from their records (the
  window growing with them), key and tick events, and drawing. The window and focus
  moves live in TuiFrameWindow.cpp, the scroll bar in TuiScrollBar.cpp.

  Records that make no control (type 0, or a type without a class) leave the control
  list as it was, so the controls after them still appear.
**/
#include <engine/textui/TuiFrameInternal.h>
#include <engine/textui/TextScreen.h>
#include <engine/core/EngineStrings.h>

#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>

#define VALUE_COLUMN_80   24
#define VALUE_COLUMN_100  37

TUI_FRAME_LAYOUT  gTuiFrameLayout80[TUI_FRAME_KINDS + 1] = {
  { TUI_FRAME_TITLE,     1, { 0 }, 80, 1,  0,  0,  0x0F, 0x10, { 0 } },
  { TUI_FRAME_TAB_STRIP, 1, { 0 }, 80, 1,  1,  0,  0x07, 0x10, { 0 } },
  { TUI_FRAME_MAIN,      1, { 0 }, 51, 20, 3,  1,  0x01, 0x70, { 0 } },
  { TUI_FRAME_HELP,      1, { 0 }, 25, 9,  3,  54, 0x01, 0x70, { 0 } },
  { TUI_FRAME_KEY_HELP,  1, { 0 }, 25, 9,  13, 54, 0x01, 0x70, { 0 } },
  { TUI_FRAME_BOTTOM,    1, { 0 }, 80, 1,  23, 0,  0x07, 0x10, { 0 } },
  { 0xFF,                0, { 0 }, 0,  0,  0,  0,  0,    0,    { 0 } },
};

TUI_FRAME_LAYOUT  gTuiFrameLayout100[TUI_FRAME_KINDS + 1] = {
  { TUI_FRAME_TITLE,     1, { 0 }, 100, 1,  0,  0,  0x0F, 0x10, { 0 } },
  { TUI_FRAME_TAB_STRIP, 1, { 0 }, 100, 1,  1,  0,  0x07, 0x10, { 0 } },
  { TUI_FRAME_MAIN,      1, { 0 }, 64,  26, 3,  1,  0x01, 0x70, { 0 } },
  { TUI_FRAME_HELP,      1, { 0 }, 32,  11, 3,  67, 0x01, 0x70, { 0 } },
  { TUI_FRAME_KEY_HELP,  1, { 0 }, 32,  13, 16, 67, 0x01, 0x70, { 0 } },
  { TUI_FRAME_BOTTOM,    1, { 0 }, 100, 1,  30, 0,  0x07, 0x10, { 0 } },
  { 0xFF,                0, { 0 }, 0,   0,  0,  0,  0,    0,    { 0 } },
};

TUI_FRAME_LAYOUT  *gTuiFrameLayout = gTuiFrameLayout80;
UINT32            gTuiValueColumn  = VALUE_COLUMN_80;

VOID
InitTextScreenMetrics (
  VOID
  )
{
  SetConsoleModeForScreen ();
  gTuiFrameLayout = (gTextScreenColumns == TEXT_SCREEN_MAX_COLUMNS) ? gTuiFrameLayout100 : gTuiFrameLayout80;
  gTuiValueColumn = (gTextScreenColumns == TEXT_SCREEN_MAX_COLUMNS) ? VALUE_COLUMN_100 : VALUE_COLUMN_80;
}

CONST TUI_FRAME_LAYOUT *
FindFrameLayout (
  IN UINT32  Kind
  )
{
  for (UINTN Index = 0; Index < TUI_FRAME_KINDS; Index++) {
    if (gTuiFrameLayout[Index].Kind == Kind) {
      return &gTuiFrameLayout[Index];
    }
  }

  return NULL;
}

static EFI_STATUS
FrameHandleAction (
  IN     VOID       *Object,
  IN OUT TUI_INPUT  *Event
  )
{
  TUI_FRAME   *Frame    = (TUI_FRAME *)Object;
  BOOLEAN     Consumed  = FALSE;
  EFI_STATUS  Status;

  if ((Event == NULL) || (Frame->ControlCount == 0)) {
    return EFI_UNSUPPORTED;
  }

  if (Event->Kind == TUI_EVENT_TICK) {
    for (UINT32 Index = 0; Index < Frame->ControlCount; Index++) {
      Consumed |= (OpsOf (Frame->Controls[Index])->HandleAction (Frame->Controls[Index], Event) == EFI_SUCCESS);
    }

    return Consumed ? EFI_SUCCESS : EFI_UNSUPPORTED;
  }

  if (Event->Kind != TUI_EVENT_KEY) {
    return EFI_UNSUPPORTED;
  }

  if (Frame->Current != TUI_NO_CONTROL) {
    Status = OpsOf (Frame->Controls[Frame->Current])->HandleAction (Frame->Controls[Frame->Current], Event);
    if (!EFI_ERROR (Status)) {
      return Status;
    }
  }

  // The control's own handling may have changed what the conditions say.
  FrameForgetRows (Frame);
  if (!FrameMoveByAction (Frame, HookMapSetupKey (&Event->Key))) {
    return EFI_UNSUPPORTED;
  }

  (VOID)gTuiInputOps.ClearAction (Event);    // acted on: nobody else sees it
  return EFI_SUCCESS;
}

static EFI_STATUS
FrameCreate (
  IN OUT VOID  **Object
  )
{
  EFI_STATUS  Status = TuiCreateRecord (Object, sizeof (TUI_FRAME), gTuiActionBindingOps.Create, &gTuiFrameOps);

  if (!EFI_ERROR (Status)) {
    ((TUI_FRAME *)*Object)->Current = TUI_NO_CONTROL;
  }

  return Status;
}

static EFI_STATUS
FrameDestroy (
  IN VOID     *Object,
  IN BOOLEAN  Free
  )
{
  TUI_FRAME  *Frame = (TUI_FRAME *)Object;

  TuiDestroyList (&Frame->Controls, &Frame->ControlCount);     // frees the block the positions and rows share
  Frame->Positions = NULL;
  Frame->Rows      = NULL;
  FreeAndNull (Frame->BlankLine);
  Frame->Capacity     = 0;
  Frame->Current      = TUI_NO_CONTROL;
  return TuiActionBindingDestroy (Object, Free);
}

static EFI_STATUS
FrameInitialize (
  IN VOID                    *Object,
  IN CONST TUI_FRAME_LAYOUT  *Layout,
  IN UINT32                  PageNumber
  )
{
  TUI_FRAME  *Frame = (TUI_FRAME *)Object;

  if (Layout == NULL) {
    return EFI_INVALID_PARAMETER;
  }

  CopyMem (&Frame->Layout, Layout, sizeof (*Layout));
  for (UINTN Pair = 0; Pair < 3; Pair++) {
    Frame->AttributePairs[Pair][0] = 0x01;
    Frame->AttributePairs[Pair][1] = 0x70;
  }

  Frame->PageNumber = PageNumber;
  if (PageNumber == 0) {
    return EFI_SUCCESS;
  }

  Frame->BlankLine = (CHAR16 *)AllocateZeroPool ((Layout->Width + 1) * sizeof (CHAR16));
  if (Frame->BlankLine == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  for (UINTN Index = 0; Index < Layout->Width; Index++) {
    Frame->BlankLine[Index] = u' ';
  }

  return EFI_SUCCESS;
}

// Makes, binds and initialises the control of a record; null with the status when it cannot.
static TUI_CONTROL *
MakeControl (
  IN  TUI_FRAME                     *Frame,
  IN  CONTROL_RECORD                *Record,
  IN  CONST TUI_CONTROL_TYPE_ENTRY  *Type,
  OUT EFI_STATUS                    *Status
  )
{
  VOID  *Control = NULL;

  *Status = TuiCreate (Type->Ops, &Control);
  if (EFI_ERROR (*Status)) {
    return NULL;
  }

  if (Type->CallbackFlag != 0) {
    (VOID)((TUI_CONTROL_OPS *)Type->Ops)->SetCallback (Control, Frame, Type->Callback, Type->Notification);
  }

  *Status = ((TUI_CONTROL_OPS *)Type->Ops)->Initialize (Control, Record, (VOID *)Type);
  if (EFI_ERROR (*Status)) {
    TuiDestroy (Control, TRUE);
    return NULL;
  }

  return (TUI_CONTROL *)Control;
}

#define CONTROL_ARRAYS_FIRST_ROOM  8
#define WINDOW_ROWS_UNMEASURED     0xFFFFFFFF

//
// Room for one more control in the per-control arrays, which share one block: the
// controls, then their positions, then their rows. The block grows by doubling: a
// page build adds its controls one at a time, and growing by one would copy and
// reallocate all of them for each. On failure the frame keeps the room it had.
//
static EFI_STATUS
GrowControlArrays (
  IN OUT TUI_FRAME  *Frame
  )
{
  UINT32                Room = (Frame->Capacity == 0) ? CONTROL_ARRAYS_FIRST_ROOM : Frame->Capacity * 2;
  UINT8                 *Block;
  TUI_CONTROL           **Controls;
  TUI_CONTROL_POSITION  *Positions;
  UINT16                *Rows;

  if (Frame->ControlCount < Frame->Capacity) {
    return EFI_SUCCESS;
  }

  Block = (UINT8 *)AllocatePool (Room * (sizeof (*Controls) + sizeof (*Positions) + sizeof (*Rows)));
  if (Block == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  Controls  = (TUI_CONTROL **)Block;
  Positions = (TUI_CONTROL_POSITION *)(Controls + Room);
  Rows      = (UINT16 *)(Positions + Room);
  if (Frame->Capacity != 0) {
    CopyMem (Controls, Frame->Controls, Frame->ControlCount * sizeof (*Controls));
    CopyMem (Positions, Frame->Positions, Frame->ControlCount * sizeof (*Positions));
    CopyMem (Rows, Frame->Rows, Frame->ControlCount * sizeof (*Rows));
  }

  FreePool (Frame->Controls);     // the block
  Frame->Controls  = Controls;
  Frame->Positions = Positions;
  Frame->Rows      = Rows;
  Frame->Capacity  = Room;
  return EFI_SUCCESS;
}

//
// The window as controls are added: while it reaches the last control, the new one
// joins it when its rows still fit; once a control did not fit it ends there. Only
// the new control is measured: measuring the whole window again for each control
// would cost the square of the page length, as hidden controls take no rows and a
// long page with many of them never fills the window.
//
static VOID
ExtendWindow (
  IN OUT TUI_FRAME  *Frame,
  IN     UINT32     Index
  )
{
  UINT32  Rows;

  // A first control always fits; it is measured when a second one needs its rows (a
  // pane's text is never measured for nothing).
  if (Index == 0) {
    Frame->FirstVisible = 0;
    Frame->LastVisible  = 0;
    Frame->WindowRows   = WINDOW_ROWS_UNMEASURED;
    return;
  }

  if ((Frame->LastVisible >= Index) || (Frame->FirstVisible > Frame->LastVisible) ||
      (Frame->WindowRows == WINDOW_ROWS_UNMEASURED))
  {
    (VOID)FrameMeasureWindow (Frame, &Frame->LastVisible);
    return;
  }

  if (Frame->LastVisible + 1 != Index) {
    return;
  }

  Rows = FrameRowsOf (Frame, Index);
  // The last row of the frame stays free, as in MeasureWindow.
  if (Frame->WindowRows + Rows < Frame->Layout.Height) {
    Frame->WindowRows  += Rows;
    Frame->LastVisible  = Index;
  }
}

static EFI_STATUS
FrameAddControl (
  IN VOID            *Object,
  IN CONTROL_RECORD  *Record
  )
{
  TUI_FRAME                     *Frame = (TUI_FRAME *)Object;
  CONST TUI_CONTROL_TYPE_ENTRY  *Type;
  TUI_CONTROL                   *Control;
  EFI_STATUS                    Status;
  UINT32                        Index  = Frame->ControlCount;
  UINT16                        Column = (UINT16)(Frame->Layout.Column + TUI_CONTROL_INDENT);

  if (Record == NULL) {
    return EFI_INVALID_PARAMETER;
  }

  if (Record->ControlType == 0) {
    Frame->UntypedCount++;
    return EFI_SUCCESS;
  }

  Type = FindControlType (Record->ControlType);
  if (Type == NULL) {
    return EFI_UNSUPPORTED;
  }

  Control = MakeControl (Frame, Record, Type, &Status);
  if ((Control == NULL) || EFI_ERROR (Status = GrowControlArrays (Frame))) {
    TuiDestroy (Control, TRUE);
    return Status;
  }

  // Sizing and placing a control cannot fail.
  (VOID)OpsOf (Control)->SetDimensions (Control, (Frame->Layout.Kind == TUI_FRAME_TAB_STRIP) ? Frame->Layout.Width
                                                   : ((Frame->Layout.Width > 4) ? Frame->Layout.Width - 4 : 0), 1);
  (VOID)OpsOf (Control)->SetPosition (Control, Column, Frame->Layout.Row + Index);
  Control->FrameKind       = Frame->Layout.Kind;
  Frame->Controls[Index]   = Control;
  Frame->Positions[Index]  = TUI_CONTROL_POSITION { Column, (UINT16)(Frame->Layout.Row + Index) };
  Frame->ControlCount      = Index + 1;
  Frame->Rows[Index]       = TUI_ROWS_UNMEASURED;
  ExtendWindow (Frame, Index);

  return EFI_SUCCESS;
}

EFI_STATUS
AddFrameControl (
  IN     TUI_FRAME    *Frame,
  IN     CONST UINT8  *Opcode,
  IN OUT UINT32       *Index,
  IN OUT BOOLEAN      *Focused
  )
{
  CONTROL_RECORD  Record;
  EFI_STATUS      Status;

  if ((Frame == NULL) || (Opcode == NULL) || (Index == NULL) || (Focused == NULL)) {
    return EFI_INVALID_PARAMETER;
  }

  ZeroMem (&Record, sizeof (Record));
  Record.HiiHandle      = ENGINE_OWN_HII_HANDLE;
  Record.ControlType    = CONTROL_TYPE_LABEL;
  Record.PageNumber     = (UINT16)Frame->PageNumber;
  Record.Flags          = CONTROL_FLAG_VALID;
  Record.QuestionOpcode = (UINT64)(UINTN)Opcode;
  Status = FrameAddControl (Frame, &Record);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  if (!*Focused) {
    *Focused = FrameSetFocus (Frame, Frame->ControlCount - 1);
  }

  (*Index)++;
  return EFI_SUCCESS;
}

//
// The main frame's window as it is drawn: from its first control down as far as the
// rows reach, moved up when every control in it has been hidden since, and moved to the
// focused control when that lies outside it, so the focus is always on the screen.
//
static VOID
ShowWindow (
  IN OUT TUI_FRAME  *Frame
  )
{
  if ((FrameWindowFrom (Frame, Frame->FirstVisible) == 0) && FrameShownOutsideWindow (Frame, TRUE)) {
    (VOID)FrameWindowTo (Frame, FrameLastShown (Frame));
  }

  if (Frame->Current == TUI_NO_CONTROL) {
    return;
  }

  if (Frame->Current < Frame->FirstVisible) {
    (VOID)FrameWindowFrom (Frame, Frame->Current);
  } else if (Frame->Current > Frame->LastVisible) {
    (VOID)FrameWindowTo (Frame, Frame->Current);
  }
}

// Places the shown controls of the window one under the other, from the frame's first
// row to its last but one; a control taller than that is cut to it.
static VOID
PlaceWindow (
  IN OUT TUI_FRAME  *Frame
  )
{
  UINT32  NextRow = Frame->Layout.Row;
  UINT32  End     = (UINT32)Frame->Layout.Row + ((Frame->Layout.Height > 1) ? Frame->Layout.Height - 1 : 1);

  for (UINT32 Index = Frame->FirstVisible; (Index <= Frame->LastVisible) && (NextRow < End); Index++) {
    UINT32  Rows = FrameRowsOf (Frame, Index);
    if (Rows == 0) {
      continue;
    }

    Rows = (NextRow + Rows > End) ? End - NextRow : Rows;
    // Sizing and placing a control cannot fail.
    (VOID)OpsOf (Frame->Controls[Index])->SetDimensions (Frame->Controls[Index],
                                            (Frame->Layout.Width > 4) ? Frame->Layout.Width - 4 : 0, Rows);
    (VOID)OpsOf (Frame->Controls[Index])->SetPosition (Frame->Controls[Index], Frame->Layout.Column + TUI_CONTROL_INDENT,
                                            NextRow);
    NextRow += Rows;
  }
}

static EFI_STATUS
FrameDraw (
  IN VOID  *Object
  )
{
  TUI_FRAME  *Frame = (TUI_FRAME *)Object;
  BOOLEAN    Lost   = FALSE;

  if (!Frame->Layout.Enabled || (Frame->ControlCount == 0)) {
    return EFI_UNSUPPORTED;
  }

  if ((Frame->Current != TUI_NO_CONTROL) && Frame->Controls[Frame->Current]->OwnsFrame) {
    return OpsOf (Frame->Controls[Frame->Current])->Draw (Frame->Controls[Frame->Current]);
  }

  if ((Frame->Current != TUI_NO_CONTROL) && (Frame->Layout.Kind != TUI_FRAME_HELP) &&
      !FrameIsShown (Frame->Controls[Frame->Current]))
  {
    // Taking the focus away cannot fail.
    (VOID)OpsOf (Frame->Controls[Frame->Current])->SetFocus (Frame->Controls[Frame->Current], FALSE);
    Frame->Current = TUI_NO_CONTROL;
    Lost           = TRUE;
  }

  for (UINT32 Row = 0; (Frame->BlankLine != NULL) && (Row + 1 < Frame->Layout.Height); Row++) {
    PrintAt (Frame->Layout.Column, Frame->Layout.Row + Row, Frame->BlankLine,
      (UINT8)(Frame->Layout.Attribute1 | Frame->Layout.Attribute2));
  }

  if (Frame->Layout.Kind == TUI_FRAME_MAIN) {
    FrameForgetRows (Frame);
    // A bar that is no longer needed takes the window back to the top.
    if (Frame->ScrollBar && (FrameRowsBefore (Frame, Frame->ControlCount) <= (UINT32)Frame->Layout.Height - 1)) {
      Frame->FirstVisible = 0;
    }

    ShowWindow (Frame);
    PlaceWindow (Frame);
  }

  if (Lost) {
    // A page with nothing focusable shows without a focus.
    (VOID)FrameFocusFirstIn (Frame, Frame->FirstVisible, Frame->LastVisible);
  }

  for (UINT32 Index = Frame->FirstVisible; (Index <= Frame->LastVisible) && (Index < Frame->ControlCount); Index++) {
    (VOID)OpsOf (Frame->Controls[Index])->Draw (Frame->Controls[Index]);   // a hidden control draws nothing
  }

  if (Frame->Layout.Kind == TUI_FRAME_MAIN) {
    FrameUpdateScrollBar (Frame);
  }

  MarkRowsDirty (Frame->Layout.Row, (UINT64)Frame->Layout.Row + Frame->Layout.Height - 1);
  return EFI_SUCCESS;
}

TUI_FRAME_OPS  gTuiFrameOps = {
  FrameCreate, FrameDestroy, FrameInitialize, FrameDraw, FrameHandleAction, TuiActionBindingSetCallback, FrameAddControl
};

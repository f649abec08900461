/** @file
  Frames of a setup page: adding controls from their records, the window of the
  controls that fit, focus movement with wrap-around, paging, and drawing.

  A control counts as shown in condition states 0 and 3 (grayed); other states take
  no rows. A window fills the frame's rows but its last, and always holds the focus.
  Records that make no control (type 0, or a type without a class) leave the control
  list as it was, so the controls after them still appear.
**/
#include <engine/textui/TuiFrameInternal.h>
#include <engine/textui/TextScreen.h>
#include <engine/forms/QuestionConditions.h>
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

static TUI_CONTROL_OPS *
OpsOf (
  IN TUI_CONTROL  *Control
  )
{
  return (TUI_CONTROL_OPS *)Control->Header.Ops;
}

static BOOLEAN
IsShown (
  IN TUI_CONTROL  *Control
  )
{
  UINT8  State = EvaluateControlCondition (&Control->Record);

  return TuiStateDrawn (State);
}

//
// A layout (a draw, a key's move, the adds of a page build) asks for the rows of the
// same controls again and again; each control's condition and height are worked out
// once per layout and kept in Rows. Every layout starts by forgetting them, so a
// condition that changed since the last one shows or hides its control at once.
//
static VOID
ForgetRows (
  IN OUT TUI_FRAME  *Frame
  )
{
  if (Frame->Rows != NULL) {
    SetMem16 (Frame->Rows, Frame->ControlCount * sizeof (UINT16), TUI_ROWS_UNMEASURED);
  }
}

UINT32
FrameRowsOf (
  IN TUI_FRAME  *Frame,
  IN UINT32     Index
  )
{
  TUI_CONTROL  *Control = Frame->Controls[Index];
  UINT16       Height   = 1;

  if ((Frame->Rows != NULL) && (Frame->Rows[Index] != TUI_ROWS_UNMEASURED)) {
    return Frame->Rows[Index];
  }

  if (!IsShown (Control)) {
    Height = 0;
  } else if (EFI_ERROR (OpsOf (Control)->GetControlHeight (Control, Frame->Layout.Width, &Height)) || (Height == 0) ||
             (Height == TUI_ROWS_UNMEASURED))
  {
    Height = 1;
  }

  if (Frame->Rows != NULL) {
    Frame->Rows[Index] = Height;
  }

  return Height;
}

UINT32
FrameRowsBefore (
  IN TUI_FRAME  *Frame,
  IN UINT32     Index
  )
{
  UINT32  Rows = 0;

  for (UINT32 Before = 0; (Before < Index) && (Before < Frame->ControlCount); Before++) {
    Rows += FrameRowsOf (Frame, Before);
  }

  return Rows;
}

// FindVisibleFrameControl within a layout: the rows measured so far still hold.
static UINT32
MeasureWindow (
  IN OUT TUI_FRAME  *Frame,
  IN OUT UINT32     *Index
  )
{
  BOOLEAN  Forward = (BOOLEAN)(Index == &Frame->LastVisible);
  UINT32   From    = Forward ? Frame->FirstVisible : Frame->LastVisible;
  UINT32   Used    = 0;

  if (Frame->ControlCount == 0) {
    *Index = 0;
    return 0;
  }

  From   = (From < Frame->ControlCount) ? From : Frame->ControlCount - 1;
  *Index = From;
  for (UINT32 At = From; ; At = Forward ? At + 1 : At - 1) {
    UINT32  Rows = FrameRowsOf (Frame, At);
    // The last row of the frame stays free: a window reaches at most its last but one.
    if ((At != From) && (Used + Rows >= Frame->Layout.Height)) {
      break;
    }

    Used  += Rows;
    *Index = At;
    if (Forward ? (At + 1 >= Frame->ControlCount) : (At == 0)) {
      break;
    }
  }

  Frame->WindowRows = Used;
  return Used;
}

UINT32
FindVisibleFrameControl (
  IN OUT TUI_FRAME  *Frame,
  IN OUT UINT32     *Index
  )
{
  ForgetRows (Frame);
  return MeasureWindow (Frame, Index);
}

// The window from First down as far as its rows reach.
static UINT32
WindowFrom (
  IN OUT TUI_FRAME  *Frame,
  IN     UINT32     First
  )
{
  Frame->FirstVisible = ((First < Frame->ControlCount) || (Frame->ControlCount == 0)) ? First : Frame->ControlCount - 1;
  return MeasureWindow (Frame, &Frame->LastVisible);
}

// The window that ends at Last, as far up as its rows reach, then down from its first control.
static UINT32
WindowTo (
  IN OUT TUI_FRAME  *Frame,
  IN     UINT32     Last
  )
{
  Frame->LastVisible = Last;
  (VOID)MeasureWindow (Frame, &Frame->FirstVisible);
  return MeasureWindow (Frame, &Frame->LastVisible);
}

BOOLEAN
FrameSetFocus (
  IN TUI_FRAME  *Frame,
  IN UINT32     Index
  )
{
  if ((Frame == NULL) || (Index >= Frame->ControlCount) ||
      (OpsOf (Frame->Controls[Index])->SetFocus (Frame->Controls[Index], TRUE) != EFI_SUCCESS))
  {
    return FALSE;
  }

  for (UINT32 Other = 0; Other < Frame->ControlCount; Other++) {
    if (Other != Index) {
      (VOID)OpsOf (Frame->Controls[Other])->SetFocus (Frame->Controls[Other], FALSE);   // losing focus always works
    }
  }

  Frame->Current = Index;
  return TRUE;
}

// The first control from First to Last (inclusive) that takes the focus; FALSE when none does.
static BOOLEAN
FocusFirstIn (
  IN TUI_FRAME  *Frame,
  IN UINT32     First,
  IN UINT32     Last
  )
{
  for (UINT32 Index = First; (Index <= Last) && (Index < Frame->ControlCount); Index++) {
    if (FrameSetFocus (Frame, Index)) {
      return TRUE;
    }
  }

  return FALSE;
}

// A current control outside the window loses the focus.
static VOID
DropFocusOutsideWindow (
  IN OUT TUI_FRAME  *Frame
  )
{
  if ((Frame->Current != TUI_NO_CONTROL) &&
      ((Frame->Current < Frame->FirstVisible) || (Frame->Current > Frame->LastVisible)))
  {
    // Taking the focus away cannot fail.
    (VOID)OpsOf (Frame->Controls[Frame->Current])->SetFocus (Frame->Controls[Frame->Current], FALSE);
    Frame->Current = TUI_NO_CONTROL;
  }
}

static UINT32
FirstShown (
  IN TUI_FRAME  *Frame
  )
{
  for (UINT32 Index = 0; Index < Frame->ControlCount; Index++) {
    if ((FrameRowsOf (Frame, Index) != 0)) {
      return Index;
    }
  }

  return 0;
}

UINT32
FrameLastShown (
  IN TUI_FRAME  *Frame
  )
{
  for (UINT32 Index = Frame->ControlCount; Index-- > 0;) {
    if ((FrameRowsOf (Frame, Index) != 0)) {
      return Index;
    }
  }

  return Frame->ControlCount - 1;
}

//
// Focus down: the next shown control that takes the focus, the window scrolling to
// show it; past the last one the window returns to the top. Focus up mirrors it.
// Each walk visits every control at most once, so a frame with nothing focusable
// only moves its window.
//
static VOID
FocusDown (
  IN OUT TUI_FRAME  *Frame
  )
{
  UINT32  Start = (Frame->Current != TUI_NO_CONTROL) ? Frame->Current : Frame->LastVisible;

  for (UINT32 Index = Start + 1; Index < Frame->ControlCount; Index++) {
    if ((FrameRowsOf (Frame, Index) == 0)) {
      continue;
    }

    if (Index > Frame->LastVisible) {
      (VOID)WindowTo (Frame, Index);
    }

    if (FrameSetFocus (Frame, Index)) {
      return;
    }
  }

  (VOID)WindowFrom (Frame, FirstShown (Frame));
  if (!FocusFirstIn (Frame, Frame->FirstVisible, Frame->LastVisible)) {
    DropFocusOutsideWindow (Frame);
  }
}

static VOID
FocusUp (
  IN OUT TUI_FRAME  *Frame
  )
{
  UINT32  Start = (Frame->Current != TUI_NO_CONTROL) ? Frame->Current : Frame->FirstVisible;

  for (UINT32 Index = Start; Index-- > 0;) {
    if ((FrameRowsOf (Frame, Index) == 0)) {
      continue;
    }

    if (Index < Frame->FirstVisible) {
      (VOID)WindowFrom (Frame, Index);
    }

    if (FrameSetFocus (Frame, Index)) {
      return;
    }
  }

  (VOID)WindowTo (Frame, FrameLastShown (Frame));
  for (UINT32 Index = Frame->LastVisible + 1; Index-- > Frame->FirstVisible;) {
    if (FrameSetFocus (Frame, Index)) {
      return;
    }
  }

  DropFocusOutsideWindow (Frame);
}

// After a page move the focus goes to the first control of the new window that takes it, else to none.
static VOID
FocusNewWindow (
  IN OUT TUI_FRAME  *Frame
  )
{
  if (!FocusFirstIn (Frame, Frame->FirstVisible, Frame->LastVisible) && (Frame->Current != TUI_NO_CONTROL)) {
    // Taking the focus away cannot fail.
    (VOID)OpsOf (Frame->Controls[Frame->Current])->SetFocus (Frame->Controls[Frame->Current], FALSE);
    Frame->Current = TUI_NO_CONTROL;
  }
}

// Whether a shown control lies before the window (Before) or after it. The search goes
// outward from the window and stops at the first one, so it passes no more controls than
// the page move that follows.
static BOOLEAN
ShownOutsideWindow (
  IN TUI_FRAME  *Frame,
  IN BOOLEAN    Before
  )
{
  if (Before) {
    for (UINT32 Index = Frame->FirstVisible; Index-- > 0;) {
      if ((FrameRowsOf (Frame, Index) != 0)) {
        return TRUE;
      }
    }

    return FALSE;
  }

  for (UINT32 Index = Frame->LastVisible + 1; Index < Frame->ControlCount; Index++) {
    if ((FrameRowsOf (Frame, Index) != 0)) {
      return TRUE;
    }
  }

  return FALSE;
}

// A page move only happens towards shown controls, so the window is never left empty.
static BOOLEAN
PageUp (
  IN OUT TUI_FRAME  *Frame
  )
{
  if ((Frame->FirstVisible == 0) || !ShownOutsideWindow (Frame, TRUE)) {
    return FALSE;
  }

  (VOID)WindowTo (Frame, Frame->FirstVisible - 1);
  FocusNewWindow (Frame);
  return TRUE;
}

static BOOLEAN
PageDown (
  IN OUT TUI_FRAME  *Frame
  )
{
  if ((Frame->LastVisible + 1 >= Frame->ControlCount) || !ShownOutsideWindow (Frame, FALSE)) {
    return FALSE;
  }

  (VOID)WindowFrom (Frame, Frame->LastVisible + 1);
  FocusNewWindow (Frame);
  return TRUE;
}

// Moves by one key action; FALSE for an action the frame does not take.
static BOOLEAN
MoveByAction (
  IN OUT TUI_FRAME  *Frame,
  IN     UINT32     Action
  )
{
  switch (Action) {
    case ACTION_UP:
      FocusUp (Frame);
      return TRUE;
    case ACTION_DOWN:
      FocusDown (Frame);
      return TRUE;
    case ACTION_PAGE_UP:
      (VOID)PageUp (Frame);      // at the top there is nothing to move to
      return TRUE;
    case ACTION_PAGE_DOWN:
      (VOID)PageDown (Frame);    // at the bottom there is nothing to move to
      return TRUE;
    case ACTION_HOME:
      // Each pass moves the window up by at least one control, so this ends.
      while (PageUp (Frame)) {
      }

      return TRUE;
    case ACTION_END:
      while (PageDown (Frame)) {
      }

      return TRUE;
    default:
      return FALSE;
  }
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
  ForgetRows (Frame);
  if (!MoveByAction (Frame, HookMapSetupKey (&Event->Key))) {
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
    (VOID)MeasureWindow (Frame, &Frame->LastVisible);
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
  if ((WindowFrom (Frame, Frame->FirstVisible) == 0) && ShownOutsideWindow (Frame, TRUE)) {
    (VOID)WindowTo (Frame, FrameLastShown (Frame));
  }

  if (Frame->Current == TUI_NO_CONTROL) {
    return;
  }

  if (Frame->Current < Frame->FirstVisible) {
    (VOID)WindowFrom (Frame, Frame->Current);
  } else if (Frame->Current > Frame->LastVisible) {
    (VOID)WindowTo (Frame, Frame->Current);
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
      !IsShown (Frame->Controls[Frame->Current]))
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
    ForgetRows (Frame);
    // A bar that is no longer needed takes the window back to the top.
    if (Frame->ScrollBar && (FrameRowsBefore (Frame, Frame->ControlCount) <= (UINT32)Frame->Layout.Height - 1)) {
      Frame->FirstVisible = 0;
    }

    ShowWindow (Frame);
    PlaceWindow (Frame);
  }

  if (Lost) {
    // A page with nothing focusable shows without a focus.
    (VOID)FocusFirstIn (Frame, Frame->FirstVisible, Frame->LastVisible);
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

/** @file
  A frame's window and focus: the rows each control takes (measured once per layout),
  the window of the controls that fit, focus movement with wrap-around, and paging.
  Kept apart from the frame's making and drawing, which only ask for a window.

  A control counts as shown in condition states 0 and 3 (grayed); other states take
  no rows. A window fills the frame's rows but its last, and always holds the focus.
**/
#include <engine/textui/TuiFrameInternal.h>
#include <engine/forms/QuestionConditions.h>

#include <Library/BaseMemoryLib.h>

BOOLEAN
FrameIsShown (
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
VOID
FrameForgetRows (
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

  if (!FrameIsShown (Control)) {
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
UINT32
FrameMeasureWindow (
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
  FrameForgetRows (Frame);
  return FrameMeasureWindow (Frame, Index);
}

// The window from First down as far as its rows reach.
UINT32
FrameWindowFrom (
  IN OUT TUI_FRAME  *Frame,
  IN     UINT32     First
  )
{
  Frame->FirstVisible = ((First < Frame->ControlCount) || (Frame->ControlCount == 0)) ? First : Frame->ControlCount - 1;
  return FrameMeasureWindow (Frame, &Frame->LastVisible);
}

// The window that ends at Last, as far up as its rows reach, then down from its first control.
UINT32
FrameWindowTo (
  IN OUT TUI_FRAME  *Frame,
  IN     UINT32     Last
  )
{
  Frame->LastVisible = Last;
  (VOID)FrameMeasureWindow (Frame, &Frame->FirstVisible);
  return FrameMeasureWindow (Frame, &Frame->LastVisible);
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
BOOLEAN
FrameFocusFirstIn (
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
      (VOID)FrameWindowTo (Frame, Index);
    }

    if (FrameSetFocus (Frame, Index)) {
      return;
    }
  }

  (VOID)FrameWindowFrom (Frame, FirstShown (Frame));
  if (!FrameFocusFirstIn (Frame, Frame->FirstVisible, Frame->LastVisible)) {
    DropFocusOutsideWindow (Frame);
  }
}

// The last control of the window that takes the focus takes it; FALSE when none does.
static BOOLEAN
FocusLastIn (
  IN TUI_FRAME  *Frame
  )
{
  for (UINT32 Index = Frame->LastVisible + 1; Index-- > Frame->FirstVisible;) {
    if (FrameSetFocus (Frame, Index)) {
      return TRUE;
    }
  }

  return FALSE;
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
      (VOID)FrameWindowFrom (Frame, Index);
    }

    if (FrameSetFocus (Frame, Index)) {
      return;
    }
  }

  (VOID)FrameWindowTo (Frame, FrameLastShown (Frame));
  if (!FocusLastIn (Frame)) {
    DropFocusOutsideWindow (Frame);
  }
}

// After a page move the focus goes to the first control of the new window that takes it, else to none.
static VOID
FocusNewWindow (
  IN OUT TUI_FRAME  *Frame
  )
{
  if (!FrameFocusFirstIn (Frame, Frame->FirstVisible, Frame->LastVisible) && (Frame->Current != TUI_NO_CONTROL)) {
    // Taking the focus away cannot fail.
    (VOID)OpsOf (Frame->Controls[Frame->Current])->SetFocus (Frame->Controls[Frame->Current], FALSE);
    Frame->Current = TUI_NO_CONTROL;
  }
}

// Whether a shown control lies before the window (Before) or after it. The search goes
// outward from the window and stops at the first one, so it passes no more controls than
// the page move that follows.
BOOLEAN
FrameShownOutsideWindow (
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
  if ((Frame->FirstVisible == 0) || !FrameShownOutsideWindow (Frame, TRUE)) {
    return FALSE;
  }

  (VOID)FrameWindowTo (Frame, Frame->FirstVisible - 1);
  FocusNewWindow (Frame);
  return TRUE;
}

static BOOLEAN
PageDown (
  IN OUT TUI_FRAME  *Frame
  )
{
  if ((Frame->LastVisible + 1 >= Frame->ControlCount) || !FrameShownOutsideWindow (Frame, FALSE)) {
    return FALSE;
  }

  (VOID)FrameWindowFrom (Frame, Frame->LastVisible + 1);
  FocusNewWindow (Frame);
  return TRUE;
}

// PgUp and PgDn move the window by its height and focus the first control of the new
// one; where the window can go no further they put the focus on its first or last
// control. Home and End page as far as they go and do the same.
static VOID
Page (
  IN OUT TUI_FRAME  *Frame,
  IN     UINT32     Action
  )
{
  BOOLEAN  Up    = (BOOLEAN)((Action == ACTION_PAGE_UP) || (Action == ACTION_HOME));
  BOOLEAN  Far   = (BOOLEAN)((Action == ACTION_HOME) || (Action == ACTION_END));
  BOOLEAN  Moved = Up ? PageUp (Frame) : PageDown (Frame);

  // Each pass moves the window by at least one control, so this ends.
  while (Moved && Far && (Up ? PageUp (Frame) : PageDown (Frame))) {
  }

  if (!Moved || Far) {
    (VOID)(Up ? FrameFocusFirstIn (Frame, Frame->FirstVisible, Frame->LastVisible) : FocusLastIn (Frame));
  }
}

// Moves by one key action; FALSE for an action the frame does not take.
BOOLEAN
FrameMoveByAction (
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
    case ACTION_PAGE_DOWN:
    case ACTION_HOME:
    case ACTION_END:
      Page (Frame, Action);
      return TRUE;
    default:
      return FALSE;
  }
}

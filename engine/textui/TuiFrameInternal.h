/** @file
  What the frame's files share: the rows a control takes in its frame, as measured
  once per layout, the window and focus moves, and the main frame's scroll bar.
**/
#ifndef ENGINE_TUI_FRAME_INTERNAL_H_
#define ENGINE_TUI_FRAME_INTERNAL_H_

#include <engine/textui/TuiFrame.h>

static inline TUI_CONTROL_OPS *
OpsOf (
  IN TUI_CONTROL  *Control
  )
{
  return (TUI_CONTROL_OPS *)Control->Header.Ops;
}

/** Whether a control's condition state lets it take rows (shown or grayed). */
BOOLEAN FrameIsShown (IN TUI_CONTROL *Control);
/** Starts a layout: the rows measured in the last one no longer hold. */
VOID    FrameForgetRows (IN OUT TUI_FRAME *Frame);
/** Rows control Index takes in the frame: 0 when hidden, else at least 1; measured once per layout. */
UINT32  FrameRowsOf (IN TUI_FRAME *Frame, IN UINT32 Index);
/** Rows of the shown controls before Index. */
UINT32  FrameRowsBefore (IN TUI_FRAME *Frame, IN UINT32 Index);
/** FindVisibleFrameControl within a layout: the rows measured so far still hold. */
UINT32  FrameMeasureWindow (IN OUT TUI_FRAME *Frame, IN OUT UINT32 *Index);
/** The window from First down as far as its rows reach; its rows. */
UINT32  FrameWindowFrom (IN OUT TUI_FRAME *Frame, IN UINT32 First);
/** The window that ends at Last, as far up as its rows reach, then down from its first control; its rows. */
UINT32  FrameWindowTo (IN OUT TUI_FRAME *Frame, IN UINT32 Last);
/** The first control from First to Last (inclusive) that takes the focus; FALSE when none does. */
BOOLEAN FrameFocusFirstIn (IN TUI_FRAME *Frame, IN UINT32 First, IN UINT32 Last);
/** Whether a shown control lies before the window (Before) or after it. */
BOOLEAN FrameShownOutsideWindow (IN TUI_FRAME *Frame, IN BOOLEAN Before);
/** Moves the focus or the window by one key action; FALSE for an action the frame does not take. */
BOOLEAN FrameMoveByAction (IN OUT TUI_FRAME *Frame, IN UINT32 Action);
/** The last shown control; the last control when none is shown. */
UINT32  FrameLastShown (IN TUI_FRAME *Frame);
/** Sets or clears the main frame's scroll-bar flag and draws the bar (a clearing pass when it goes). */
VOID    FrameUpdateScrollBar (IN OUT TUI_FRAME *Frame);

#endif

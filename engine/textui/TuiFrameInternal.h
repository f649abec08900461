/** @file
  What the frame's files share: the rows a control takes in its frame, as measured
  once per layout, and the main frame's scroll bar.
**/
#ifndef ENGINE_TUI_FRAME_INTERNAL_H_
#define ENGINE_TUI_FRAME_INTERNAL_H_

#include <engine/textui/TuiFrame.h>

/** Rows control Index takes in the frame: 0 when hidden, else at least 1; measured once per layout. */
UINT32  FrameRowsOf (IN TUI_FRAME *Frame, IN UINT32 Index);
/** Rows of the shown controls before Index. */
UINT32  FrameRowsBefore (IN TUI_FRAME *Frame, IN UINT32 Index);
/** The last shown control; the last control when none is shown. */
UINT32  FrameLastShown (IN TUI_FRAME *Frame);
/** Sets or clears the main frame's scroll-bar flag and draws the bar (a clearing pass when it goes). */
VOID    FrameUpdateScrollBar (IN OUT TUI_FRAME *Frame);

#endif

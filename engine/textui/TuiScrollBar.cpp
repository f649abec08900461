/** @file
  The main frame's scroll bar, in the column right of the frame: an arrow on its
  first and last rows and the thumb between them, whose place and length follow the
  window over the shown controls' rows. It is kept apart from the frame's window and
  focus because only the main frame has one and its arithmetic stands alone.
**/
#include <engine/textui/TuiFrameInternal.h>
#include <engine/textui/TextScreen.h>

#define SCROLL_ATTRIBUTE  0x71
#define SCROLL_UP         0x25B2
#define SCROLL_DOWN       0x25BC
#define SCROLL_THUMB      0x2588
#define SCROLL_TRACK      0x2591

UINT32  gTuiScrollThumbStart = 0;
UINT32  gTuiScrollThumbEnd   = 0;

// The thumb's first and last rows (both outside it) for the current window.
static VOID
PlaceThumb (
  IN  TUI_FRAME  *Frame,
  OUT UINT32     *Start,
  OUT UINT32     *End,
  OUT UINT32     *Length
  )
{
  UINT32   Row    = Frame->Layout.Row;
  UINT32   H      = Frame->Layout.Height;
  UINT32   T      = FrameRowsBefore (Frame, Frame->ControlCount);
  UINT32   B      = FrameRowsBefore (Frame, Frame->FirstVisible);
  UINT32   L      = FrameRowsBefore (Frame, Frame->LastVisible);
  BOOLEAN  Adjust = (BOOLEAN)(T == H);

  T       = Adjust ? H + 1 : ((T == 0) ? 1 : T);
  *Start  = Row + (H - 1) * B / T;
  *End    = Row + (H - 1) * L / T;
  *Length = (H - 1) * (H - 2) / T + ((((H - 1) * (H - 2) % T) * (H - 2) > (H - 2) / 2) ? 1 : 0);
  if (Adjust && (Row + B < H - 2) &&
      (((Frame->LastVisible + 1 != Frame->ControlCount) && (*Start > H - 2)) ||
       (Frame->LastVisible == FrameLastShown (Frame)) || ((Frame->FirstVisible > 0) && (*Start == Row))))
  {
    *Start = Row + B;
    *End   = *Start + *Length + 1;
  }

  if ((*End - *Start < 2) || (*Length == 0)) {
    *Length = 1;
  }

  if (*End - *Start - 1 != *Length) {
    if (*Start + *Length + 1 > Row + H - 2) {
      *Start = (*Length + 3 <= Row + H) ? Row + H - *Length - 3 : Row;
    }

    *End = *Start + *Length + 1;
  }
}

// Draws the bar, or with Clear blanks its column.
static VOID
DrawScrollBar (
  IN TUI_FRAME  *Frame,
  IN BOOLEAN    Clear
  )
{
  UINT32  Column = (UINT32)Frame->Layout.Column + Frame->Layout.Width;
  UINT32  First  = Frame->Layout.Row;
  UINT32  Last   = First + Frame->Layout.Height - 2;
  UINT32  Start  = 0;
  UINT32  End    = 0;
  UINT32  Length = 0;
  CHAR16  Cell[2] = { u' ', 0 };

  if (!Clear) {
    PlaceThumb (Frame, &Start, &End, &Length);
    gTuiScrollThumbStart = Start;
    gTuiScrollThumbEnd   = End;
  }

  for (UINT32 Row = First; Row <= Last; Row++) {
    if (!Clear) {
      Cell[0] = (Row == First) ? SCROLL_UP : ((Row == Last) ? SCROLL_DOWN : SCROLL_TRACK);
      Cell[0] = ((Row > Start) && (Row < End) && (Row < Start + 1 + Length) && (Row != First) && (Row != Last))
                ? SCROLL_THUMB : Cell[0];
    }

    PrintAt (Column, Row, Cell, SCROLL_ATTRIBUTE);
  }
}

VOID
FrameUpdateScrollBar (
  IN OUT TUI_FRAME  *Frame
  )
{
  // The window holds the frame's height less one row: a page of exactly that height has a row out of sight.
  BOOLEAN  Needed = (BOOLEAN)((Frame->ControlCount >= 2) && (Frame->Layout.Height >= 3) &&
                              (FrameRowsBefore (Frame, Frame->ControlCount) >= Frame->Layout.Height));

  if (Needed) {
    Frame->ScrollBar = 1;
    DrawScrollBar (Frame, FALSE);
  } else if (Frame->ScrollBar != 0) {
    Frame->ScrollBar = 0;
    DrawScrollBar (Frame, TRUE);
  }
}

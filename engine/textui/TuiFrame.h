/** @file
  Frames: the fixed rectangles of a setup page (title line, tab strip, main frame,
  help and key-help panes, bottom line), each holding a list of controls with the
  window of those that fit, the focus, and the paging over them.
**/
#ifndef ENGINE_TUI_FRAME_H_
#define ENGINE_TUI_FRAME_H_

#include <engine/textui/TuiControl.h>

#define TUI_FRAME_MAIN       0
#define TUI_FRAME_TITLE      1
#define TUI_FRAME_HELP       2
#define TUI_FRAME_KEY_HELP   3
#define TUI_FRAME_TAB_STRIP  4
#define TUI_FRAME_BOTTOM     5
#define TUI_FRAME_KINDS      6

#define TUI_NO_CONTROL  0xFFFFFFFF

#pragma pack(push, 1)
typedef struct {
  UINT32  Kind;
  UINT8   Enabled;
  UINT8   Reserved[3];
  UINT8   Width;
  UINT8   Height;
  UINT8   Row;
  UINT8   Column;
  UINT8   Attribute1;
  UINT8   Attribute2;
  UINT8   Reserved2[6];
} TUI_FRAME_LAYOUT;
#pragma pack(pop)

static_assert (sizeof (TUI_FRAME_LAYOUT) == 20, "frame layout row");

typedef struct {
  UINT16  Column;
  UINT16  Row;
} TUI_CONTROL_POSITION;

typedef struct {
  TUI_ACTION_BINDING    Header;
  TUI_FRAME_LAYOUT      Layout;
  UINT8                 AttributePairs[3][2];
  UINT32                PageNumber;
  UINT32                ControlCount;
  UINT32                UntypedCount;     // records of type 0: counted, no control
  UINT32                Current;          // TUI_NO_CONTROL when none
  TUI_CONTROL           **Controls;
  CHAR16                *BlankLine;       // width spaces; only frames of pages other than 0
  UINT8                 ScrollBar;
  UINT32                FirstVisible;
  UINT32                LastVisible;
  TUI_CONTROL_POSITION  *Positions;
  UINT32                Capacity;         // room in Controls, Positions and Rows: one block, Controls its start
  UINT16                *Rows;            // each control's rows as measured in this layout; TUI_ROWS_UNMEASURED when not yet
  UINT32                WindowRows;       // rows of the shown controls from FirstVisible to LastVisible, as last measured
} TUI_FRAME;

#define TUI_ROWS_UNMEASURED  0xFFFF

typedef struct {
  TUI_CREATE         Create;
  TUI_DESTROY        Destroy;
  EFI_STATUS         (*Initialize)(IN VOID *Frame, IN CONST TUI_FRAME_LAYOUT *Layout, IN UINT32 PageNumber);
  EFI_STATUS         (*Draw)(IN VOID *Frame);
  TUI_HANDLE_ACTION  HandleAction;
  TUI_SET_CALLBACK   SetCallback;
  EFI_STATUS         (*AddControl)(IN VOID *Frame, IN CONTROL_RECORD *Record);
} TUI_FRAME_OPS;

extern TUI_FRAME_OPS  gTuiFrameOps;

//
// The six frames of a page, in the order a page makes them. The 80-column layout
// serves until the screen metrics choose the 100-column one.
//
extern TUI_FRAME_LAYOUT  *gTuiFrameLayout;
extern TUI_FRAME_LAYOUT  gTuiFrameLayout80[TUI_FRAME_KINDS + 1];
extern TUI_FRAME_LAYOUT  gTuiFrameLayout100[TUI_FRAME_KINDS + 1];
// Columns from a control's column to where it prints its value.
extern UINT32            gTuiValueColumn;
#define TUI_CONTROL_INDENT  2

// The main frame's scroll-bar thumb as last drawn: the rows just above and below it.
extern UINT32  gTuiScrollThumbStart;
extern UINT32  gTuiScrollThumbEnd;

/** Sets the console mode and picks the frame layout and value column for the screen's width. */
VOID     InitTextScreenMetrics (VOID);
/** The layout row of a frame kind among the first six rows; null when none. */
CONST TUI_FRAME_LAYOUT  *FindFrameLayout (IN UINT32 Kind);
/** Gives control Index the focus and takes it from every other; FALSE when it refuses or is out of range. */
BOOLEAN  FrameSetFocus (IN TUI_FRAME *Frame, IN UINT32 Index);

/**
  Works out one end of a frame's window from the other. Index is the frame's
  LastVisible or its FirstVisible: the walk starts at the other end and goes down the
  controls for LastVisible, up them for FirstVisible. Shown and grayed controls add their
  rows; the walk stops before the control whose rows would reach the frame's height (so
  its last row stays free) and at the first or last control; hidden controls are passed
  without rows. Each control passed is stored in Index, which ends at the last control
  that still fits (the first control always does).

  @return  The rows of the shown controls in the window; 0 when it shows none.
**/
UINT32   FindVisibleFrameControl (IN OUT TUI_FRAME *Frame, IN OUT UINT32 *Index);

/**
  Adds one of the engine's own labels (a statement opcode of the program's own strings)
  to a frame. The first label that takes the focus becomes the frame's current control:
  Focused tells whether one has. Index counts the labels added.

  @retval EFI_SUCCESS  The label was added; Index is one more.
  @return              Why the frame could not take it; Index and Focused are unchanged.
**/
EFI_STATUS  AddFrameControl (IN TUI_FRAME *Frame, IN CONST UINT8 *Opcode, IN OUT UINT32 *Index, IN OUT BOOLEAN *Focused);

#endif

/** @file
  The control classes that show text and move between pages: the text statement,
  the text pane (subtitles and the fixed panes of every page), the link, the action
  control and the tab strip of the top-level pages.
**/
#ifndef ENGINE_TUI_STATEMENTS_H_
#define ENGINE_TUI_STATEMENTS_H_

#include <engine/textui/TuiControl.h>

typedef struct {
  TUI_CONTROL  Control;
  CHAR16       *Prompt;
  UINT16       ValueOffset;       // columns from the control's column to the second text
  CHAR16       *Text;             // the second text
  UINT8        Countdown;
  UINT8        Background;
} TUI_TEXT;

static_assert (sizeof (TUI_TEXT) == 144, "text statement");

typedef struct {
  TUI_CONTROL_OPS  Base;
  // Replaces either text with a copy when one is given.
  EFI_STATUS       (*SetTexts)(IN VOID *Object, IN CONST CHAR16 *Prompt OPTIONAL, IN CONST CHAR16 *Second OPTIONAL);
} TUI_TEXT_OPS;

// Pane alignment, as PrintAligned takes it.
#define TUI_ALIGN_CENTRE  0
#define TUI_ALIGN_LEFT    1
#define TUI_ALIGN_RIGHT   2

typedef struct {
  TUI_CONTROL  Control;
  UINT8        Alignment;
  UINT16       LinesShown;
  CHAR16       *BlankRow;         // width spaces
  UINT16       FirstLine;         // scroll offset of the help pane
  UINT8        Countdown;
  UINT8        Background;
  UINT8        Foreground;
} TUI_TEXT_PANE;

static_assert (sizeof (TUI_TEXT_PANE) == 136, "text pane");

typedef struct {
  TUI_CONTROL_OPS  Base;
  EFI_STATUS       (*SetAlignment)(IN VOID *Object, IN UINT64 Alignment);   // TUI_ALIGN_*
} TUI_TEXT_PANE_OPS;

typedef struct {
  TUI_CONTROL  Control;
  UINT8        SelectBackground;     // P0
  UINT8        Dimmed;               // P1
  UINT8        FocusBackground;      // P4
  UINT8        FocusForeground;      // P5
  UINT8        NormalBackground;     // P6
  UINT8        NormalForeground;     // P7
  UINT8        PromptFocused;        // P9
  UINT8        PromptNormal;         // P10
  UINT8        ValueOffset;
  UINT8        Style;
  UINT8        Countdown;
} TUI_LINK;

static_assert (sizeof (TUI_LINK) <= 128, "link");

// Drawn as a label; the label's fields come first.
typedef struct {
  TUI_LABEL    Label;
  UINT8        Countdown;
} TUI_PAGE_LINK;

static_assert (sizeof (TUI_PAGE_LINK) == 136, "action control");

typedef struct {
  EFI_HII_HANDLE  HiiHandle;
  UINT16          PageNumber;
  UINT16          TitleStringId;
} TUI_TAB;

static_assert (sizeof (TUI_TAB) == 16, "tab");

typedef struct {
  TUI_CONTROL  Control;
  TUI_TAB      *Tabs;
  UINT16       TabCount;
  UINT16       CurrentTab;           // TUI_NO_TAB when the strip's page is no tab
  UINT8        SubPage;
  UINT8        UsableWidth;
  UINT8        CurrentBackground;    // P2
  UINT8        CurrentForeground;    // P3
  UINT8        OtherForeground;      // P13
  UINT8        OtherBackground;      // P14
} TUI_TAB_STRIP;

#define TUI_NO_TAB  0xFFFF

// The tab strip's operations: the control's, then the width its tabs are laid out in.
typedef struct {
  TUI_CONTROL_OPS  Base;
  EFI_STATUS       (*SetStripWidth)(IN VOID *Object, IN UINT64 Width);   // the tabs get Width - 2 cells
} TUI_TAB_STRIP_OPS;

extern TUI_TEXT_OPS       gTuiTextOps;
extern TUI_TEXT_PANE_OPS  gTuiTextPaneOps;
extern TUI_CONTROL_OPS    gTuiLinkOps;
extern TUI_CONTROL_OPS    gTuiPageLinkOps;
extern TUI_TAB_STRIP_OPS  gTuiTabStripOps;
extern TUI_CONTROL_OPS    gTuiResetButtonOps;

// The reset button: drawn as a label, it loads its default store's values for the page.
typedef struct {
  TUI_LABEL  Label;
} TUI_RESET_BUTTON;

// The arrow a link shows before its prompt.
#define TUI_LINK_ARROW  0x25BA

/** Moves to the page of a go-to record and focuses the link's target question there. */
EFI_STATUS  OnLinkSelect (IN VOID *Frame, IN VOID *Control, IN VOID *Record);
/** Moves to the page of a jump record and empties the page history. */
EFI_STATUS  OnTabStripSelect (IN VOID *Frame, IN VOID *Control, IN VOID *Record);

/** The refresh interval of a control's record (0 = none). */
UINT8       TuiRefreshInterval (IN CONST TUI_CONTROL *Control);
/** Counts a tick event down; TRUE (and the countdown reloaded) when it reaches 0. */
BOOLEAN     TuiCountTick (IN CONST TUI_CONTROL *Control, IN OUT UINT8 *Countdown);
/** Prints Text whole when it is narrower than Limit cells; else cut to Cells cells and followed by "...". */
VOID        TuiPrintWithEllipsis (IN UINT64 Column, IN UINT64 Row, IN CONST CHAR16 *Text, IN UINT64 Limit, IN UINT64 Cells,
              IN UINT8 Attribute);
/**
  Prints a control's prompt in the Cells columns left of its value: cut to one row on
  a one-row control, wrapped over the control's rows otherwise.
**/
VOID        TuiPrintPrompt (IN CONST TUI_CONTROL *Control, IN CONST CHAR16 *Prompt, IN UINT64 Cells, IN UINT8 Attribute);
/** Marks the rows a control covers (its first row when it has no height) for the next flush. */
VOID        TuiMarkControlRows (IN CONST TUI_CONTROL *Control);
/** The rows Text takes wrapped to Width columns, at least 1. */
UINT16      TuiWrappedRows (IN CONST CHAR16 *Text, IN UINT64 Width);
/** Whether an event selects: Enter, or a click inside the control that the pointer hook maps to select. */
BOOLEAN     TuiIsSelectEvent (IN CONST TUI_CONTROL *Control, IN CONST TUI_INPUT *Event);
/** Whether a pointer event falls inside a control's rectangle. */
BOOLEAN     TuiPointerInside (IN CONST TUI_CONTROL *Control, IN CONST TUI_INPUT *Event);

#endif

/** @file
  Pop-ups: the frame every pop-up shares (a box centred on the screen with a title
  and help lines) and the list box that offers the choices of a question or the items
  of a menu. A list box saves the screen under it and puts it back when destroyed.
**/
#ifndef ENGINE_TUI_POPUP_H_
#define ENGINE_TUI_POPUP_H_

#include <engine/textui/TuiControl.h>
#include <engine/textui/TextScreen.h>
#include <Uefi/UefiIfr.h>

#define TUI_POPUP_LAYOUT_PLAIN   0
#define TUI_POPUP_LAYOUT_TITLED  1

typedef struct {
  TUI_CONTROL  Control;
  CHAR16       *Title;
  CHAR16       *Text;
  UINT8        Visible;
  UINT8        Shadow;
  UINT8        Border;
  UINT16       LayoutMode;
  CHAR16       *Help;           // lines separated by "\r\n"
  VOID         *Buffer1;
  VOID         *Buffer2;
} TUI_POPUP_FRAME;

extern TUI_CONTROL_OPS  gTuiPopupFrameOps;

//
// Menu items as callers outside the engine fill them: the offsets are fixed.
//
#define MENU_ITEM_SEPARATOR  0
#define MENU_ITEM_LEFT_OUT   1

#define MENU_STATE_NORMAL       0
#define MENU_STATE_DIMMED       1
#define MENU_STATE_HIDDEN_KEY   2
#define MENU_STATE_HIDDEN_EXIT  3

typedef EFI_STATUS (*MENU_ITEM_CALLBACK)(IN VOID *Context, IN VOID *Box, IN VOID *Position);

#pragma pack(push, 1)
typedef struct {
  UINT16              StringId;
  UINT16              Reserved;
  UINT16              ScanCode;
  CHAR16              UnicodeChar;
  UINT32              ShiftPattern;
  UINT32              Reserved2;
  MENU_ITEM_CALLBACK  Callback;
  VOID                *Context;
  UINT8               State;
  UINT8               Reserved3[7];
} MENU_ITEM;
#pragma pack(pop)

static_assert (sizeof (MENU_ITEM) == 40, "menu item");
static_assert (offsetof (MENU_ITEM, Callback) == 16, "menu item callback");
static_assert (offsetof (MENU_ITEM, State) == 32, "menu item state");

typedef struct {
  UINT16          TitleId;
  UINT16          ItemCount;
  MENU_ITEM       *Items;          // shown items first, then those of states 2 and 3
  UINT16          HelpId;
  CONTROL_RECORD  *Record;         // null keeps the box's record
  UINT16          HiddenCount;
} MENU_DEFINITION;

typedef struct {
  TUI_POPUP_FRAME     Frame;
  TEXT_SCREEN_BUFFER  *Saved;
  EFI_HII_HANDLE      HiiHandle;
  UINT16              Selection;
  UINT16              FirstShown;
  UINT16              LastShown;
  UINT16              ItemCount;
  UINT16              *Tokens;       // list mode
  MENU_ITEM           *Items;        // menu mode
  UINT8               ScrollBar;
  UINT16              ReservedCount;
  UINT8               MenuMode;
} TUI_LIST_BOX;

typedef struct {
  TUI_CONTROL_OPS  Control;
  EFI_STATUS       (*InitializeMenu)(IN VOID *Box, IN CONST MENU_DEFINITION *Menu);
} TUI_LIST_BOX_OPS;

extern TUI_LIST_BOX_OPS  gTuiListBoxOps;

//
// What the list box's callback receives for a state-2 menu item chosen by its
// hotkey: the item's position, without the selection moving.
//
#define TUI_LIST_ANSWER_HIDDEN_ITEM  2

typedef struct {
  UINT16  Kind;
  UINT16  Position;
} TUI_LIST_ANSWER;

//
// Shared by the pop-ups that derive from the frame.
//
/** The frame's Initialize, for derived classes. */
EFI_STATUS  PopupFrameInitialize (IN VOID *Object, IN VOID *Data, IN VOID *Extra);
/** Centres the box on the screen (keeping it on the screen) and draws frame, title and help. */
EFI_STATUS  PopupFrameDraw (IN VOID *Object);
/** Releases what the frame owns, then the record when Free. */
EFI_STATUS  PopupFrameDestroy (IN VOID *Object, IN BOOLEAN Free);
// The frame's slots that derived classes share.
EFI_STATUS  PopupFrameSetFocus (IN VOID *Object, IN BOOLEAN Focus);
/** The frame's attribute: foreground | background. */
UINT8       PopupFrameAttribute (IN CONST TUI_POPUP_FRAME *Frame);
/** Text cut to the characters that fit in Cells - 3 cells followed by "..." when wider than Limit cells; a new string. */
CHAR16      *CutWithEllipsis (IN CONST CHAR16 *Text, IN UINT64 Limit, IN UINT64 Cells);
/** Prints "├", Width - 2 cells of "─" and "┤" (no right end when !RightEnd) keeping the cells' attributes. */
VOID        DrawPopupSeparator (IN UINT64 Column, IN UINT64 Row, IN UINT64 Width, IN BOOLEAN RightEnd);
// A pop-up shows a text of its own as a SUBTITLE statement that it makes.
#define TUI_SUBTITLE_OPCODE_SIZE  sizeof (EFI_IFR_SUBTITLE)
/** Writes a SUBTITLE opcode of PromptId, with no help and no flags, into Opcode's TUI_SUBTITLE_OPCODE_SIZE bytes. */
VOID        PopupSubtitleOpcode (OUT UINT8 *Opcode, IN UINT16 PromptId);
/** Rows the help band takes: its lines + 1, or 0 without help. */
UINT64      PopupHelpRows (IN CONST TUI_POPUP_FRAME *Frame);
/** Rows the title band takes: 2 with a title in the titled layout, else 0. */
UINT64      PopupTitleRows (IN CONST TUI_POPUP_FRAME *Frame);

#endif

/** @file
  The boot-screen interface's pop-ups in text mode.
**/
#ifndef ENGINE_BOOT_SCREEN_DIALOGS_H_
#define ENGINE_BOOT_SCREEN_DIALOGS_H_

#include <Uefi.h>
#include <Uefi/UefiHii.h>
#include <engine/textui/MessageBox.h>


/** Columns the string takes on the screen (its display width / 19); 0 when it cannot be read. */
UINT64      GetStringColumns (IN EFI_HII_HANDLE HiiHandle, IN UINT16 StringId);
/** Columns of the string's widest line (lines end at CR LF); 0 when it cannot be read. */
UINT64      GetStringMaxLineColumns (IN EFI_HII_HANDLE HiiHandle, IN UINT16 StringId);

/**
  Shows a message box with Title and Message of BoxType until a button is chosen.

  @retval EFI_INVALID_PARAMETER  A null Title, Message or Selection.
  @retval EFI_OUT_OF_RESOURCES   The texts or the box could not be made.
**/
EFI_STATUS  ShowTextMessageBox (IN CONST CHAR16 *Title, IN CONST CHAR16 *Message, IN UINT8 BoxType, OUT UINT8 *Selection);

// The box ShowTimedInfoBox leaves on the screen; null when none.
extern TUI_MESSAGE_BOX  *gTimedInfoBox;

/**
  Draws a box without buttons and leaves it; after Seconds (0: never) a timer
  closes it. A box still open from an earlier call is closed first.

  @param[out] Event  The timer; it closes itself with the box, so the caller must
                     not close it.
**/
EFI_STATUS  ShowTimedInfoBox (IN CONST CHAR16 *Title, IN CONST CHAR16 *Message, IN UINT64 Seconds, OUT EFI_EVENT *Event);
/** The timer's notify function: destroys the timed box and closes the timer. */
VOID EFIAPI CloseTimedInfoBox (IN EFI_EVENT Event, IN VOID *Context);

#define PROGRESS_OPEN    1
#define PROGRESS_UPDATE  2
#define PROGRESS_CLOSE   3

/**
  Opens (1), updates and reads one key (2), or closes (3) the progress box; other
  actions do nothing. Key is {u16 scan code, u16 character, u32 shift state}.

  @retval EFI_INVALID_PARAMETER  A null Handle, a null Key for an update, or a
                                 handle that is not the open progress box.
  @retval EFI_UNSUPPORTED        The box could not be made.
**/
EFI_STATUS  ShowProgressBox (IN UINT8 Action, IN CONST CHAR16 *Title, IN CONST CHAR16 *Message, IN CONST CHAR16 *Legend,
              IN UINT64 Percentage, IN OUT VOID **Handle, OUT VOID *Key);

// The caller's items of the innermost menu open; an item's callback may open another menu.
extern MENU_ITEM  *gMenuItems;

/**
  Shows the items of a menu (state 0 normal, 1 dimmed, 2 and 3 reached by their
  hotkey only; string id 0 a separator line, 1 left out) until one is chosen.
  HiiHandle null means the engine's own strings.

  @param[in, out] Selection  The starting position, a position of Items; the chosen
                             item's position on return.

  @retval EFI_SUCCESS            An item without a callback was chosen.
  @retval EFI_ABORTED            Esc, or the hotkey of an item of state 3.
  @retval EFI_INVALID_PARAMETER  A null Items or Selection, or *Selection not below Count.
  @retval EFI_UNSUPPORTED        No item can be selected.
**/
EFI_STATUS  ShowBootScreenMenu (IN EFI_HII_HANDLE HiiHandle, IN UINT16 TitleId, IN UINT16 HelpId, IN MENU_ITEM *Items,
              IN UINT16 Count, IN OUT UINT16 *Selection);

// The button chosen in the running dialog; 0xFF while none.
extern UINT8  gDialogAnswer;

// A key of a dialog's key list, and the key a dialog or the progress box hands back.
#pragma pack(push, 1)
typedef struct {
  UINT16  ScanCode;
  CHAR16  UnicodeChar;
  UINT32  ShiftState;       // a pattern for MatchShiftState in a key list
} DIALOG_KEY;
#pragma pack(pop)

static_assert (sizeof (DIALOG_KEY) == 8, "dialog key");

/**
  Shows a message box with a legend, a colour scheme (bit 12: the screen is cleared
  first) and a box type until a button is chosen, or until a key of Keys is pressed.

  @param[out] Selection  The chosen button (Esc gives 1); not written when a key of
                         the list ended the dialog.
  @param[out] Key        The key of the list that ended the dialog.

  @retval EFI_NOT_READY          No console input.
  @retval EFI_INVALID_PARAMETER  A null Title or Message, or a count without its list.
  @retval EFI_UNSUPPORTED        A button list (type 4) of more than 4 buttons.
  @retval EFI_OUT_OF_RESOURCES   The box could not be made.
**/
EFI_STATUS  ShowBootScreenDialog (IN CONST CHAR16 *Title, IN CONST CHAR16 *Message, IN CONST CHAR16 *Legend,
              IN UINT32 Colour, IN UINT8 BoxType, IN CONST UINT16 *ButtonIds, IN UINT16 ButtonCount,
              IN CONST DIALOG_KEY *Keys, IN UINT16 KeyCount, OUT UINT8 *Selection, OUT DIALOG_KEY *Key);

#endif

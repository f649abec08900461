/** @file
  The boot-screen interface's pop-ups in text mode.
**/
#ifndef ENGINE_BOOT_SCREEN_DIALOGS_H_
#define ENGINE_BOOT_SCREEN_DIALOGS_H_

#include <Uefi.h>
#include <Uefi/UefiHii.h>
#include <engine/textui/MessageBox.h>

/**
  Stores Text under StringId (0 makes a new string) in every language of the
  language list, or in "en-US" while the list is empty; answers the id, 0xFFFF on failure.
**/
UINT16      SetStringAllLanguagesNew (IN EFI_HII_HANDLE HiiHandle, IN UINT16 StringId, IN CONST CHAR16 *Text);

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

#endif

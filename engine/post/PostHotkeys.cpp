/** @file
  The POST key poll, the default of hook 0xFFFF0008: while the boot flow waits, each
  key is read, the keys typed after it are dropped, and the key becomes a setup
  request, a boot-flow request or a hotkey boot.

  The setup keys and F8 count only without modifiers, so Ctrl+Del goes on to the
  boot hotkeys like any other key.
**/
#include <engine/textui/Hotkeys.h>
#include <engine/post/BootScreen.h>
#include <engine/textui/TextScreen.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/EngineStrings.h>
#include <engine/core/ShiftState.h>
#include <engine/boot/BootFlowCodes.h>
#include <engine/boot/BootGraphics.h>
#include <engine/post/PostHooks.h>
#include <engine/browser/SetupEntryRequest.h>
#include <engine/post/PostScreen.h>
#include <Resources/EngineStringIds.h>

#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/UefiLib.h>
#include <Protocol/KeyCode.h>

#define MAX_POLLED_KEYS            1024      // a key source that never runs dry must not hold the boot

static VOID
ShowBootMenuNotice (
  VOID
  )
{
  CHAR16  *Text;

  if (gBootMenuNoticeShown) {
    return;
  }

  gBootMenuNoticeShown = TRUE;
  Text = HiiGetString (ENGINE_OWN_HII_HANDLE, STR_ENTERING_BOOT_MENU, NULL);
  if ((Text != NULL) && (gBootScreenInterface.PrintBootScreenText != NULL)) {
    (VOID)gBootScreenInterface.PrintBootScreenText (Text);   // a notice the screen cannot show is skipped
  }

  FreePool (Text);
}

static BOOLEAN
MatchBootHotkey (
  IN CONST KEY_CODE_DATA  *Key
  )
{
  for (UINTN Index = 0; (gBootHotkeyTable.Rows != NULL) && (Index < gBootHotkeyTable.Count); Index++) {
    CONST BOOT_HOTKEY_ENTRY  *Row = &gBootHotkeyTable.Rows[Index];
    if ((Row->ScanCode == Key->Key.ScanCode) && (Row->UnicodeChar == Key->Key.UnicodeChar) &&
        MatchShiftState (Key->KeyState.KeyShiftState, Row->ShiftPattern))
    {
      gBootFlowRequest  = BOOT_FLOW_HOTKEY_BOOT;
      gHotkeyBootOption = Row->BootOption;
      return TRUE;
    }
  }

  return FALSE;
}

static BOOLEAN
OfferToBoardHandlers (
  IN CONST KEY_CODE_DATA  *Key
  )
{
  BOOT_FLOW_CALLBACK  Callback;

  for (UINTN Index = 0; (gBoardKeyHandlers != NULL) && (gBoardKeyHandlers[Index] != NULL); Index++) {
    Callback = NULL;
    if (gBoardKeyHandlers[Index](Key->Key.UnicodeChar, Key->Key.ScanCode, Key->KeyState.KeyShiftState, &Callback) &&
        (Callback != NULL))
    {
      gBoardKeyFlowCallback = Callback;
      gBootFlowRequest      = BOOT_FLOW_BOARD_KEY;
      return TRUE;
    }
  }

  return FALSE;
}

static VOID
LeaveQuietBoot (
  VOID
  )
{
  gQuietBootOn = 0;
  ClearGraphicsScreen ();
  InvalidateBootLogoTable ();
  (VOID)HookPostKeyRead ();     // a notification: the board's answer decides nothing here
  DrawTextPostScreen ();
}

static VOID
DecideOnKey (
  IN CONST KEY_CODE_DATA  *Key
  )
{
  UINT16   Scan    = Key->Key.ScanCode;
  CHAR16   Char    = Key->Key.UnicodeChar;
  BOOLEAN  NoShift = MatchShiftState (Key->KeyState.KeyShiftState, 0);

  if (NoShift && (((Char == CHAR_NULL) && ((Scan == SCAN_DELETE) || (Scan == SCAN_F2))) ||
                  ((Char == u'.') && (Scan == SCAN_NULL))))
  {
    RequestSetupEntry ();
  } else if (NoShift && (Scan == SCAN_F8)) {
    ShowBootMenuNotice ();
    gBootFlowRequest = BOOT_FLOW_BOOT_MENU;
  } else if (!MatchBootHotkey (Key) && !OfferToBoardHandlers (Key) && (Char == CHAR_TAB) && (Scan == SCAN_NULL) &&
             (gQuietBootOn != 0))
  {
    LeaveQuietBoot ();
  }
}

UINT64
PollPostHotkeys (
  IN CONST HOOK_ARGS  *Args
  )
{
  CONSOLE_KEY_SOURCE  Source;
  KEY_CODE_DATA       Key;
  KEY_CODE_DATA       Dropped;
  EFI_STATUS          Status;

  (VOID)Args;           // the callers pass two unused arguments
  if ((gST == NULL) || (gST->ConIn == NULL)) {
    return EFI_NOT_READY;
  }

  // Firmware without key-code input (OVMF) hands its keys through input-ex all the same.
  Status = OpenConsoleKeySource (&Source);
  if (EFI_ERROR (Status) || SetupEntryRequested () || (gBootFlowRequest != BOOT_FLOW_NONE)) {
    return EFI_ERROR (Status) ? Status : EFI_SUCCESS;
  }

  for (UINTN Polled = 0; Polled < MAX_POLLED_KEYS; Polled++) {
    Status = ReadConsoleKey (&Source, &Key);
    if (EFI_ERROR (Status)) {
      return Status;
    }

    for (UINTN Count = 0; (Count < MAX_POLLED_KEYS) && !EFI_ERROR (ReadConsoleKey (&Source, &Dropped)); Count++) {
    }

    DecideOnKey (&Key);
  }

  return EFI_NOT_READY;
}

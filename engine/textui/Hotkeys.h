/** @file
  Keys and clicks turned into decisions: the action codes that setup's controls and
  pop-ups consume, the fixed key table behind them, the boot-option hotkeys of the
  "Key####" variables, and the POST key poll that turns keys into a setup request,
  a boot-flow request or a hotkey boot.
**/
#ifndef ENGINE_HOTKEYS_H_
#define ENGINE_HOTKEYS_H_

#include <Uefi.h>
#include <engine/core/HookTable.h>

//
// Action codes. Only the low byte of a table row's code is handed out.
//
enum : UINT8 {
  ACTION_NONE          = 0,
  ACTION_LEFT          = 1,
  ACTION_RIGHT         = 2,
  ACTION_UP            = 3,
  ACTION_DOWN          = 4,
  ACTION_PAGE_UP       = 5,
  ACTION_PAGE_DOWN     = 6,
  ACTION_NEXT          = 7,
  ACTION_PREVIOUS      = 8,
  ACTION_SELECT        = 9,
  ACTION_INCREMENT     = 10,
  ACTION_DECREMENT     = 11,
  ACTION_BACKSPACE     = 12,
  ACTION_ABORT         = 13,
  ACTION_ALPHA         = 14,
  ACTION_NUMERIC       = 15,
  ACTION_KEY_K         = 16,
  ACTION_KEY_M         = 17,
  ACTION_HOME          = 18,
  ACTION_END           = 19,
  ACTION_POINTER_20    = 20,
  ACTION_POINTER_21    = 21,
  ACTION_POINTER_22    = 22,
  ACTION_SPACE         = 24,
};

typedef struct {
  UINT16  Action;
  CHAR16  UnicodeChar;
  UINT16  ScanCode;
  UINT32  ShiftState;     // a pattern for MatchShiftState
} KEY_ACTION_ENTRY;

#define KEY_ACTION_TABLE_ROWS  18

//
// A pointer event as the pointer paths hand it to hook 0xFFFF001F: the click kind
// is its third 32-bit word. The record only lives in memory.
//
typedef struct {
  UINT32  Row;
  UINT32  Column;
  UINT32  ClickKind;
} POINTER_ACTION_EVENT;

static_assert (offsetof (POINTER_ACTION_EVENT, ClickKind) == 8, "third 32-bit word");

//
// Boot-option hotkeys: one row per "Key####" whose target "Boot####" still has the
// CRC the key option recorded.
//
typedef struct {
  UINT16  ScanCode;
  CHAR16  UnicodeChar;
  UINT32  ShiftPattern;
  UINT16  BootOption;
  UINT32  BootOptionCrc;
} BOOT_HOTKEY_ENTRY;

typedef struct {
  BOOT_HOTKEY_ENTRY  *Rows;
  UINTN              Count;
  UINTN              Capacity;
} BOOT_HOTKEY_TABLE;

#define BOOT_HOTKEY_TABLE_GROWTH  10
#define NO_HOTKEY_BOOT_OPTION     (~(UINT64)0)

extern BOOT_HOTKEY_TABLE  gBootHotkeyTable;
// The option a boot hotkey chose; NO_HOTKEY_BOOT_OPTION when none.
extern UINT64             gHotkeyBootOption;

// What a "Key####" variable asks for, once checked.
typedef struct {
  UINT16  ScanCode;         // the OR of the listed keys' scan codes
  CHAR16  UnicodeChar;      // the OR of their characters
  UINT32  ShiftPattern;     // 0x80000000 and both bits of every pressed modifier pair
  UINT16  BootOption;
  UINT32  BootOptionCrc;
} BOOT_KEY_OPTION_INFO;

/**
  Checks and reads a "Key####" variable's data.

  @retval EFI_SUCCESS            Info holds the option.
  @retval EFI_INVALID_PARAMETER  No key is listed, or Size is not exactly the head
                                 and the listed keys; nothing past Size was read.
**/
EFI_STATUS  ParseBootKeyOption (IN CONST UINT8 *Data, IN UINTN Size, OUT BOOT_KEY_OPTION_INFO *Info);
VOID        LoadBootOptionHotkeys (VOID);
VOID        RegisterBootOptionHotkey (IN CONST CHAR16 *Name);
VOID        FreeBootOptionHotkeys (VOID);

//
// Board key handlers: a null-ended list consulted by the POST key poll. One that
// claims a key hands back the callback that the boot-flow table's board-key
// row then runs.
//
typedef EFI_STATUS (*BOOT_FLOW_CALLBACK)(IN VOID *Row);
typedef BOOLEAN (*BOARD_KEY_HANDLER)(IN CHAR16 UnicodeChar, IN UINT16 ScanCode, IN UINT32 ShiftState,
                  OUT BOOT_FLOW_CALLBACK *Callback);

extern BOARD_KEY_HANDLER   *gBoardKeyHandlers;
extern BOOT_FLOW_CALLBACK  gBoardKeyFlowCallback;
// Set once the boot-menu notice was printed in this boot.
extern BOOLEAN             gBootMenuNoticeShown;

// Hook members and defaults, in the hook table's uniform type.
UINT64 MapKeyToAction (CONST HOOK_ARGS *Args);
UINT64 MapPointerToAction (CONST HOOK_ARGS *Args);

// The wrappers of hooks 0xFFFF0007 and 0xFFFF001F: each member, or the default above
// when the board has none, maps a key record or a pointer event to an action code.
UINT32  HookMapSetupKey (IN CONST VOID *KeyRecord);
UINT32  HookMapPointerAction (IN UINT64 Event);

#endif

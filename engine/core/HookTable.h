/** @file
  The hook table: board-specific behaviour added to the engine by table rows.

  The table is an array of 64-bit words. A row starts with a marker word
  0xFFFF0000 | id (ids 0x01 to 0x27, ascending), then the id's wrapper word, then
  the member functions in call order up to the next marker. The table ends with the
  row 0xFFFF0000, EmptyMethod and a 0 word. A word is a marker when its bits 16 to
  31 are all ones; no function address has that pattern.

  Every member and every default has the one type HOOK_FUNCTION, so no call ever
  goes through a function pointer of another type: the arguments travel in a
  HOOK_ARGS record that each member reads as its id defines.
**/
#ifndef ENGINE_HOOK_TABLE_H_
#define ENGINE_HOOK_TABLE_H_

#include <Uefi.h>

#define HOOK_MAX_ARGS  15

typedef struct {
  UINTN     Count;
  UINT64    Arg[HOOK_MAX_ARGS];
} HOOK_ARGS;

typedef UINT64 (*HOOK_FUNCTION)(CONST HOOK_ARGS *Args);

//
// The key record that console key-code input delivers and hook 0xFFFF0007 maps:
// u16 scan code, u16 character, u32 shift state, u8 toggle state, then the rest.
//
#define HOOK_KEY_RECORD_SIZE  20

#define HOOK_MARKER_MASK  0xFFFF0000ULL

enum : UINT64 {
  HOOK_ID_DRAW_POST_LOGO            = 0xFFFF0001,
  HOOK_ID_POST_PASSWORD_CHECK       = 0xFFFF0002,
  HOOK_ID_ENTER_SETUP               = 0xFFFF0003,
  HOOK_ID_BOOT_POPUP_DEFAULT        = 0xFFFF0004,
  HOOK_ID_PROCESS_OS_INDICATIONS    = 0xFFFF0005,
  HOOK_ID_AFTER_ENTER_UPDATE_CHECK  = 0xFFFF0006,
  HOOK_ID_MAP_SETUP_KEY             = 0xFFFF0007,
  HOOK_ID_POST_KEY_POLL             = 0xFFFF0008,
  HOOK_ID_BEFORE_LEGACY_BOOT        = 0xFFFF0009,
  HOOK_ID_AFTER_LEGACY_BOOT         = 0xFFFF000A,
  HOOK_ID_BEFORE_EFI_BOOT           = 0xFFFF000B,
  HOOK_ID_AFTER_EFI_BOOT            = 0xFFFF000C,
  HOOK_ID_SETTINGS_SAVED            = 0xFFFF000D,
  HOOK_ID_DEFAULTS_LOADED           = 0xFFFF000E,
  HOOK_ID_POST_WAIT_LOOP            = 0xFFFF000F,
  HOOK_ID_RECOVERY_BOOT_FILES       = 0xFFFF0010,
  HOOK_ID_RESERVED_11               = 0xFFFF0011,
  HOOK_ID_RESERVED_12               = 0xFFFF0012,
  HOOK_ID_RESERVED_13               = 0xFFFF0013,
  HOOK_ID_ENCODE_PASSWORD           = 0xFFFF0014,
  HOOK_ID_SET_CONTROL_COLORS        = 0xFFFF0015,
  HOOK_ID_FILTER_EDIT_KEY           = 0xFFFF0016,
  HOOK_ID_SNAPSHOT_RESTORED         = 0xFFFF0017,
  HOOK_ID_DEFAULT_ORDERS_LOADED     = 0xFFFF0018,
  HOOK_ID_CHANGES_DISCARDED         = 0xFFFF0019,
  HOOK_ID_VARIABLE_WRITTEN          = 0xFFFF001A,
  HOOK_ID_BOOT_FLOW_SETUP           = 0xFFFF001B,
  HOOK_ID_BBS_POPUP                 = 0xFFFF001C,
  HOOK_ID_LOAD_DEFAULTS             = 0xFFFF001D,
  HOOK_ID_BEFORE_SETUP_RESET        = 0xFFFF001E,
  HOOK_ID_MAP_POINTER_ACTION        = 0xFFFF001F,
  HOOK_ID_BOOT_MENU_SELECTION       = 0xFFFF0020,
  HOOK_ID_POST_SCREEN_START         = 0xFFFF0021,
  HOOK_ID_SETUP_PAGES_BUILT         = 0xFFFF0022,
  HOOK_ID_AFTER_LOGO                = 0xFFFF0023,
  HOOK_ID_RESERVED_24               = 0xFFFF0024,
  HOOK_ID_POST_KEY_READ             = 0xFFFF0025,
  HOOK_ID_GUI_SETUP_START           = 0xFFFF0026,
  HOOK_ID_RESERVED_27               = 0xFFFF0027,
};

//
// The table the engine walks. Start-up points it at the production table (which names
// members of every part, so it is built above them all, in start-up); tests point it
// at a table of their own and put it back.
//
extern CONST UINT64  *gHookTable;

/**
  Returns the address of the production table, built on first use.
**/
CONST UINT64 *
GetProductionHookTable (
  VOID
  );

/**
  Finds the member list of a hook id.

  @param[in]  Id     The hook id, 0xFFFF00nn.
  @param[out] First  Index of the first member; 0 when the id is absent.
  @param[out] Last   Index of the last member; First - 1 for an empty list.

  @return First: non-zero for every id present, even with an empty list; 0 when
          the id is absent. The terminator row is not a hook row.
**/
UINT64
FindHookList (
  IN  UINT64  Id,
  OUT UINTN   *First,
  OUT UINTN   *Last
  );

/**
  The default member of hook Id, which its wrapper runs when the table has no row for
  the id. Start-up sets the defaults that lie in the parts above the core; an id
  without one runs a member that does nothing and answers 0.
**/
VOID           SetHookDefault (IN UINT64 Id, IN HOOK_FUNCTION Default);
HOOK_FUNCTION  HookDefault (IN UINT64 Id);

/** The member function of hook-table row Index. */
HOOK_FUNCTION
MemberAt (
  IN UINTN  Index
  );

UINT64
CallHookList (
  IN UINT64         Id,
  IN HOOK_FUNCTION  Default
  );

UINT64
CallHookListWithArg (
  IN UINT64         Id,
  IN HOOK_FUNCTION  Default,
  IN UINT64         Arg
  );

UINT64
CallHookListWithTwoArgs (
  IN UINT64         Id,
  IN HOOK_FUNCTION  Default,
  IN UINT64         Arg1,
  IN UINT64         Arg2
  );

//
// Wrappers, one per id. Four have loops of their own because their results or
// arguments differ from the common three callers; the key-mapping and POST-password
// wrappers, whose defaults the text screens own, are declared with those.
//
UINT64   HookDrawPostLogo (VOID);
UINT64   HookEnterSetup (VOID);
UINT64   HookBootPopupDefault (VOID);
UINT64   HookProcessOsIndications (VOID);
UINT64   HookAfterEnterUpdateCheck (VOID);
UINT64   HookPostKeyPoll (IN UINT64 Arg1, IN UINT64 Arg2);
UINT64   HookBeforeLegacyBoot (VOID);
UINT64   HookAfterLegacyBoot (VOID);
UINT64   HookBeforeEfiBoot (VOID);
UINT64   HookAfterEfiBoot (VOID);
UINT64   HookSettingsSaved (VOID);
UINT64   HookDefaultsLoaded (VOID);
UINT64   HookPostWaitLoop (VOID);
UINT64   HookRecoveryBootFiles (IN UINT64 Arg);
UINT64   HookReserved11 (IN UINT64 Arg);
UINT64   HookReserved12 (IN UINT64 Arg);
UINT64   HookReserved13 (IN UINT64 Arg);
UINT64   HookEncodePassword (IN CHAR16 *Buffer, IN UINTN SizeInBytes);
UINT64   HookSetControlColors (
           IN UINT8 *P0,  IN UINT8 *P1,  IN UINT8 *P2,  IN UINT8 *P3,  IN UINT8 *P4,
           IN UINT8 *P5,  IN UINT8 *P6,  IN UINT8 *P7,  IN UINT8 *P8,  IN UINT8 *P9,
           IN UINT8 *P10, IN UINT8 *P11, IN UINT8 *P12, IN UINT8 *P13, IN UINT8 *P14);
UINT64   HookFilterEditKey (VOID);
UINT64   HookSnapshotRestored (VOID);
UINT64   HookDefaultOrdersLoaded (VOID);
UINT64   HookChangesDiscarded (VOID);
UINT64   HookVariableWritten (VOID);
UINT64   HookBootFlowSetup (VOID);
UINT64   HookBbsPopup (VOID);
UINT64   HookLoadDefaults (IN UINT64 DefaultsCache, IN UINT64 Confirmation);
UINT64   HookBeforeSetupReset (VOID);
UINT64   HookBootMenuSelection (VOID);
UINT64   HookPostScreenStart (VOID);
UINT64   HookSetupPagesBuilt (VOID);
UINT64   HookAfterLogo (VOID);
UINT64   HookReserved24 (IN UINT64 Arg1, IN UINT64 Arg2);
UINT64   HookPostKeyRead (VOID);
UINT64   HookGuiSetupStart (VOID);
UINT64   HookReserved27 (VOID);

//
// The engine's default colours, handed out through hook 0xFFFF0015. The fifteen
// attribute bytes in the order the text screen keeps them.
//
extern UINT8  gControlColorTable[HOOK_MAX_ARGS];

/**
  Default of hook 0xFFFF0015: fills each non-null attribute pointer from the
  colour table. The first eight pointers take the table's bytes swapped in pairs
  (P0 = byte 1, P1 = byte 0, ...); P8 to P14 take bytes 8 to 14.
**/
UINT64
GetDefaultColors (
  IN CONST HOOK_ARGS  *Args
  );

#endif

/** @file
  The production hook table of this board, and the wrapper of each hook id.

  Board behaviour is added by editing these rows, never the engine's functions.
  The rows are kept as typed data; the flat word table the lookup walks is laid out
  from them on first use, because function addresses are not constants the
  compiler may fold into 64-bit words.
**/
#include <engine/core/HookTable.h>
#include <engine/boot/BootMenu.h>
#include <engine/boot/DisplayMode.h>
#include <engine/post/PostHooks.h>
#include <engine/textui/Hotkeys.h>
#include <engine/textui/PasswordPrompt.h>
#include <frontend/BoardHooks.h>
#include <gui/GuiServices.h>
#include <engine/textui/SetupActions.h>

#define HOOK_ROW_MAX_MEMBERS  9

typedef struct {
  UINT64           Id;
  UINT64           (*Wrapper)(VOID);    // NULL when the wrapper takes arguments
  UINTN            MemberCount;
  HOOK_FUNCTION    Members[HOOK_ROW_MAX_MEMBERS];
} HOOK_ROW;

static CONST HOOK_ROW  mRows[] = {
  { HOOK_ID_DRAW_POST_LOGO,           HookDrawPostLogo,          9, {
      DrawPostLogo, BoardCheckPlatformProtocol, DrawOverclockOverlay, DrawOverclockGainTens,
      DrawOverclockGainUnits, DrawOverclockExtraImage, DrawHighResolutionBadge,
      BoardSignalLogoGroup, BoardLoadHighResolutionItems } },
  { HOOK_ID_POST_PASSWORD_CHECK,      NULL,                      3, {
      BoardManagementEnginePrompt, BoardCheckUserPasswordFlag, BoardCheckHddSecurity } },
  { HOOK_ID_ENTER_SETUP,              HookEnterSetup,            8, {
      CheckSetupPassword, BoardEnterSetup1, BoardEnterSetup2, BoardEnterSetup3,
      BoardEnterSetup4, BoardEnterSetup5, BoardEnterSetup6, BoardEnterSetup7 } },
  { HOOK_ID_BOOT_POPUP_DEFAULT,       HookBootPopupDefault,      1, { EmptyMethod } },
  { HOOK_ID_PROCESS_OS_INDICATIONS,   HookProcessOsIndications,  2, { ResetPostMessageWindow, BoardProcessOsIndications } },
  { HOOK_ID_AFTER_ENTER_UPDATE_CHECK, HookAfterEnterUpdateCheck, 1, { EmptyMethod } },
  { HOOK_ID_MAP_SETUP_KEY,            NULL,                      1, { MapKeyToAction } },
  { HOOK_ID_POST_KEY_POLL,            NULL,                      2, { PollPostHotkeys, BoardPostKeyPoll } },
  { HOOK_ID_BEFORE_LEGACY_BOOT,       HookBeforeLegacyBoot,      3, { EmptyMethod, SetDisplayModeFromEdid, BoardBeforeLegacyBoot } },
  { HOOK_ID_AFTER_LEGACY_BOOT,        HookAfterLegacyBoot,       3, { BoardMarkLastBoot, EmptyMethod, BoardShowNetworkBootFailure } },
  { HOOK_ID_BEFORE_EFI_BOOT,          HookBeforeEfiBoot,         5, {
      CancelBootTimeoutTimer, SetDisplayModeFromEdid, BoardBeforeEfiBoot1, BoardBeforeEfiBoot2,
      BoardBeforeEfiBoot3 } },
  { HOOK_ID_AFTER_EFI_BOOT,           HookAfterEfiBoot,          2, { EmptyMethod, BoardAfterEfiBoot } },
  { HOOK_ID_SETTINGS_SAVED,           HookSettingsSaved,         3, { BoardMirrorSetupFields, EmptyMethod, BoardUpdateCounter } },
  { HOOK_ID_DEFAULTS_LOADED,          HookDefaultsLoaded,        5, {
      BoardDefaultsLoaded1, BoardDefaultsLoaded2, EmptyMethod, BoardSecureBootKeys, BoardDefaultsLoaded3 } },
  { HOOK_ID_POST_WAIT_LOOP,           HookPostWaitLoop,          1, { EmptyMethod } },
  { HOOK_ID_RECOVERY_BOOT_FILES,      NULL,                      1, { LaunchOsRecoveryBootManager } },
  { HOOK_ID_RESERVED_11,              NULL,                      1, { ReturnZero } },
  { HOOK_ID_RESERVED_12,              NULL,                      1, { ReturnZero } },
  { HOOK_ID_RESERVED_13,              NULL,                      1, { ReturnZero } },
  { HOOK_ID_ENCODE_PASSWORD,          NULL,                      1, { EncodePassword } },
  { HOOK_ID_SET_CONTROL_COLORS,       NULL,                      1, { GetDefaultColors } },
  { HOOK_ID_FILTER_EDIT_KEY,          HookFilterEditKey,         1, { EmptyMethod } },
  { HOOK_ID_SNAPSHOT_RESTORED,        HookSnapshotRestored,      1, { EmptyMethod } },
  { HOOK_ID_DEFAULT_ORDERS_LOADED,    HookDefaultOrdersLoaded,   1, { EmptyMethod } },
  { HOOK_ID_CHANGES_DISCARDED,        HookChangesDiscarded,      2, { EmptyMethod, BoardSecureBootKeys } },
  { HOOK_ID_VARIABLE_WRITTEN,         HookVariableWritten,       1, { EmptyMethod } },
  { HOOK_ID_BOOT_FLOW_SETUP,          HookBootFlowSetup,         1, { ShowBootDeviceMenu } },
  { HOOK_ID_BBS_POPUP,                HookBbsPopup,              1, { BoardBbsPopup } },
  { HOOK_ID_LOAD_DEFAULTS,            NULL,                      1, { LoadDefaultsHook } },
  { HOOK_ID_BEFORE_SETUP_RESET,       HookBeforeSetupReset,      2, { EmptyMethod, BoardBeforeSetupReset } },
  { HOOK_ID_MAP_POINTER_ACTION,       NULL,                      1, { MapPointerToAction } },
  { HOOK_ID_BOOT_MENU_SELECTION,      HookBootMenuSelection,     1, { EmptyMethod } },
  { HOOK_ID_POST_SCREEN_START,        HookPostScreenStart,       1, { EmptyMethod } },
  // The graphical date and number installer (InstallGraphicalControlOps) joins this row
  // only with pages that draw dates and numbers themselves; setup shows the text pages,
  // which draw their own, so it would leave them blank.
  { HOOK_ID_SETUP_PAGES_BUILT,        HookSetupPagesBuilt,       1, { ApplyBootFlowPageRules } },
  { HOOK_ID_AFTER_LOGO,               HookAfterLogo,             2, { EmptyMethod, BoardSignalAfterLogoGroup } },
  { HOOK_ID_RESERVED_24,              NULL,                      1, { EmptyMethod } },
  { HOOK_ID_POST_KEY_READ,            HookPostKeyRead,           1, { EmptyMethod } },
  { HOOK_ID_GUI_SETUP_START,          HookGuiSetupStart,         4, {
      EmptyMethod, EmptyMethod, BoardSetVideoAndCsmFlags, BoardInstallModuleInterface } },
  { HOOK_ID_RESERVED_27,              HookReserved27,            0, { NULL } },
};

//
// Wrappers that take arguments cannot share the row's plain wrapper type; their
// words are filled in here by id.
//
static UINT64
ArgumentWrapperWord (
  IN UINT64  Id
  )
{
  switch (Id) {
    case HOOK_ID_POST_PASSWORD_CHECK:  return (UINT64)(UINTN)&HookPostPasswordCheck;
    case HOOK_ID_MAP_SETUP_KEY:        return (UINT64)(UINTN)&HookMapSetupKey;
    case HOOK_ID_POST_KEY_POLL:        return (UINT64)(UINTN)&HookPostKeyPoll;
    case HOOK_ID_RECOVERY_BOOT_FILES:  return (UINT64)(UINTN)&HookRecoveryBootFiles;
    case HOOK_ID_RESERVED_11:          return (UINT64)(UINTN)&HookReserved11;
    case HOOK_ID_RESERVED_12:          return (UINT64)(UINTN)&HookReserved12;
    case HOOK_ID_RESERVED_13:          return (UINT64)(UINTN)&HookReserved13;
    case HOOK_ID_ENCODE_PASSWORD:      return (UINT64)(UINTN)&HookEncodePassword;
    case HOOK_ID_SET_CONTROL_COLORS:   return (UINT64)(UINTN)&HookSetControlColors;
    case HOOK_ID_LOAD_DEFAULTS:        return (UINT64)(UINTN)&HookLoadDefaults;
    case HOOK_ID_MAP_POINTER_ACTION:   return (UINT64)(UINTN)&HookMapPointerAction;
    case HOOK_ID_RESERVED_24:          return (UINT64)(UINTN)&HookReserved24;
    default:                           return 0;
  }
}

#define HOOK_TABLE_WORDS  (ARRAY_SIZE (mRows) * (2 + HOOK_ROW_MAX_MEMBERS) + 3)

static UINT64   mProductionTable[HOOK_TABLE_WORDS];
static BOOLEAN  mProductionTableBuilt = FALSE;

CONST UINT64 *
GetProductionHookTable (
  VOID
  )
{
  UINTN  Word;
  UINTN  Row;
  UINTN  Member;

  if (mProductionTableBuilt) {
    return mProductionTable;
  }

  Word = 0;
  for (Row = 0; Row < ARRAY_SIZE (mRows); Row++) {
    mProductionTable[Word++] = mRows[Row].Id;
    mProductionTable[Word++] = (mRows[Row].Wrapper != NULL)
                               ? (UINT64)(UINTN)mRows[Row].Wrapper
                               : ArgumentWrapperWord (mRows[Row].Id);
    for (Member = 0; Member < mRows[Row].MemberCount; Member++) {
      mProductionTable[Word++] = (UINT64)(UINTN)mRows[Row].Members[Member];
    }
  }

  mProductionTable[Word++] = HOOK_MARKER_MASK;
  mProductionTable[Word++] = (UINT64)(UINTN)static_cast<UINT64 (*)(CONST HOOK_ARGS *)>(EmptyMethod);
  mProductionTable[Word]   = 0;
  mProductionTableBuilt    = TRUE;
  return mProductionTable;
}

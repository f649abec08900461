/** @file
  Hook lookup and the callers that run a hook's members or its default.

  The lookup is a linear walk: the table holds a few hundred words and is read on
  every key press and every control drawn, which a walk serves well enough that no
  index is kept.
**/
#include <engine/core/HookTable.h>

CONST UINT64  *gHookTable = NULL;

UINT8  gControlColorTable[HOOK_MAX_ARGS] = {
  0x08, 0x70, 0x01, 0x70, 0x0F, 0x70, 0x01, 0x70,
  0x70, 0x0F, 0x01, 0x10, 0x0F, 0x0F, 0x10
};

static BOOLEAN
IsMarker (
  IN UINT64  Word
  )
{
  return (BOOLEAN)((Word & 0xFFFF0000ULL) == HOOK_MARKER_MASK && (Word >> 32) == 0);
}

// Until start-up installs the production table, the table holds the terminator row alone.
static CONST UINT64  mEmptyTable[] = { HOOK_MARKER_MASK, 0, 0 };

static CONST UINT64 *
ActiveTable (
  VOID
  )
{
  return (gHookTable == NULL) ? mEmptyTable : gHookTable;
}

UINT64
FindHookList (
  IN  UINT64  Id,
  OUT UINTN   *First,
  OUT UINTN   *Last
  )
{
  CONST UINT64  *Table;
  UINTN         Index;
  UINTN         End;

  Table  = ActiveTable ();
  *First = 0;
  *Last  = 0;

  //
  // Only marker words are compared, and the terminator row (id 0) is not a hook
  // row: an id outside the table's rows is absent and its caller's default runs.
  //
  if (!IsMarker (Id) || (Id & 0xFFFF) == 0) {
    return 0;
  }

  for (Index = 0; Table[Index] != 0; Index++) {
    if (Table[Index] == Id) {
      break;
    }
  }

  if (Table[Index] == 0) {
    return 0;
  }

  *First = Index + 2;
  if (Table[Index + 1] == 0) {
    // A marker with no wrapper word ends the table; its list is empty.
    *First = Index + 1;
    *Last  = Index;
    return *First;
  }

  for (End = *First; Table[End] != 0 && !IsMarker (Table[End]); End++) {
  }

  *Last = End - 1;
  return *First;
}

//
// The default member of each id, run when the table has no row for it. Start-up sets
// the defaults that lie in the parts above the core; an id without one runs nothing
// and answers 0.
//
#define HOOK_DEFAULT_SLOTS  0x40

static HOOK_FUNCTION  mHookDefaults[HOOK_DEFAULT_SLOTS];

static UINT64
NoDefault (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

VOID
SetHookDefault (
  IN UINT64         Id,
  IN HOOK_FUNCTION  Default
  )
{
  if (((Id & HOOK_MARKER_MASK) == HOOK_MARKER_MASK) && ((Id & ~HOOK_MARKER_MASK) < HOOK_DEFAULT_SLOTS)) {
    mHookDefaults[Id & ~HOOK_MARKER_MASK] = Default;
  }
}

HOOK_FUNCTION
HookDefault (
  IN UINT64  Id
  )
{
  HOOK_FUNCTION  Default = NULL;

  if (((Id & HOOK_MARKER_MASK) == HOOK_MARKER_MASK) && ((Id & ~HOOK_MARKER_MASK) < HOOK_DEFAULT_SLOTS)) {
    Default = mHookDefaults[Id & ~HOOK_MARKER_MASK];
  }

  return (Default == NULL) ? NoDefault : Default;
}

HOOK_FUNCTION
MemberAt (
  IN UINTN  Index
  )
{
  return (HOOK_FUNCTION)(UINTN)ActiveTable ()[Index];
}

//
// Runs every member of the id with the same arguments, or the default when the id
// is absent, and returns the last result. No member can stop the others.
//
static UINT64
RunHook (
  IN UINT64           Id,
  IN HOOK_FUNCTION    Default,
  IN CONST HOOK_ARGS  *Args
  )
{
  UINTN   First;
  UINTN   Last;
  UINTN   Index;
  UINT64  Result;

  if (FindHookList (Id, &First, &Last) == 0) {
    return Default (Args);
  }

  Result = 0;
  for (Index = First; Index <= Last; Index++) {
    Result = MemberAt (Index)(Args);
  }

  return Result;
}

UINT64
CallHookList (
  IN UINT64         Id,
  IN HOOK_FUNCTION  Default
  )
{
  HOOK_ARGS  Args = { 0, { 0 } };

  return RunHook (Id, Default, &Args);
}

UINT64
CallHookListWithArg (
  IN UINT64         Id,
  IN HOOK_FUNCTION  Default,
  IN UINT64         Arg
  )
{
  HOOK_ARGS  Args = { 1, { Arg } };

  return RunHook (Id, Default, &Args);
}

UINT64
CallHookListWithTwoArgs (
  IN UINT64         Id,
  IN HOOK_FUNCTION  Default,
  IN UINT64         Arg1,
  IN UINT64         Arg2
  )
{
  HOOK_ARGS  Args = { 2, { Arg1, Arg2 } };

  return RunHook (Id, Default, &Args);
}

// ---------------------------------------------------------------------------
// Wrappers with loops of their own
// ---------------------------------------------------------------------------

UINT64
HookSetControlColors (
  IN UINT8 *P0,  IN UINT8 *P1,  IN UINT8 *P2,  IN UINT8 *P3,  IN UINT8 *P4,
  IN UINT8 *P5,  IN UINT8 *P6,  IN UINT8 *P7,  IN UINT8 *P8,  IN UINT8 *P9,
  IN UINT8 *P10, IN UINT8 *P11, IN UINT8 *P12, IN UINT8 *P13, IN UINT8 *P14
  )
{
  UINT8      *Pointers[HOOK_MAX_ARGS] = { P0, P1, P2, P3, P4, P5, P6, P7, P8, P9, P10, P11, P12, P13, P14 };
  HOOK_ARGS  Args;
  UINTN      Index;

  Args.Count = HOOK_MAX_ARGS;
  for (Index = 0; Index < HOOK_MAX_ARGS; Index++) {
    Args.Arg[Index] = (UINT64)(UINTN)Pointers[Index];
  }

  return RunHook (HOOK_ID_SET_CONTROL_COLORS, GetDefaultColors, &Args);
}

UINT64
GetDefaultColors (
  IN CONST HOOK_ARGS  *Args
  )
{
  UINTN  Index;
  UINTN  Source;
  UINT8  *Target;

  for (Index = 0; Index < Args->Count && Index < HOOK_MAX_ARGS; Index++) {
    Target = (UINT8 *)(UINTN)Args->Arg[Index];
    if (Target == NULL) {
      continue;
    }

    // The first eight attributes are kept in the table as swapped pairs.
    Source  = (Index < 8) ? (Index ^ 1) : Index;
    *Target = gControlColorTable[Source];
  }

  return 0;
}

// ---------------------------------------------------------------------------
// Wrappers that run the common callers
// ---------------------------------------------------------------------------

UINT64 HookDrawPostLogo (VOID)          { return CallHookList (HOOK_ID_DRAW_POST_LOGO, HookDefault (HOOK_ID_DRAW_POST_LOGO)); }
UINT64 HookEnterSetup (VOID)            { return CallHookList (HOOK_ID_ENTER_SETUP, HookDefault (HOOK_ID_ENTER_SETUP)); }
UINT64 HookBootPopupDefault (VOID)      { return CallHookList (HOOK_ID_BOOT_POPUP_DEFAULT, HookDefault (HOOK_ID_BOOT_POPUP_DEFAULT)); }
UINT64 HookProcessOsIndications (VOID)  { return CallHookList (HOOK_ID_PROCESS_OS_INDICATIONS, HookDefault (HOOK_ID_PROCESS_OS_INDICATIONS)); }
UINT64 HookAfterEnterUpdateCheck (VOID) { return CallHookList (HOOK_ID_AFTER_ENTER_UPDATE_CHECK, HookDefault (HOOK_ID_AFTER_ENTER_UPDATE_CHECK)); }
UINT64 HookBeforeLegacyBoot (VOID)      { return CallHookList (HOOK_ID_BEFORE_LEGACY_BOOT, HookDefault (HOOK_ID_BEFORE_LEGACY_BOOT)); }
UINT64 HookAfterLegacyBoot (VOID)       { return CallHookList (HOOK_ID_AFTER_LEGACY_BOOT, HookDefault (HOOK_ID_AFTER_LEGACY_BOOT)); }
UINT64 HookBeforeEfiBoot (VOID)         { return CallHookList (HOOK_ID_BEFORE_EFI_BOOT, HookDefault (HOOK_ID_BEFORE_EFI_BOOT)); }
UINT64 HookAfterEfiBoot (VOID)          { return CallHookList (HOOK_ID_AFTER_EFI_BOOT, HookDefault (HOOK_ID_AFTER_EFI_BOOT)); }
UINT64 HookSettingsSaved (VOID)         { return CallHookList (HOOK_ID_SETTINGS_SAVED, HookDefault (HOOK_ID_SETTINGS_SAVED)); }
UINT64 HookDefaultsLoaded (VOID)        { return CallHookList (HOOK_ID_DEFAULTS_LOADED, HookDefault (HOOK_ID_DEFAULTS_LOADED)); }
UINT64 HookPostWaitLoop (VOID)          { return CallHookList (HOOK_ID_POST_WAIT_LOOP, HookDefault (HOOK_ID_POST_WAIT_LOOP)); }
UINT64 HookFilterEditKey (VOID)         { return CallHookList (HOOK_ID_FILTER_EDIT_KEY, HookDefault (HOOK_ID_FILTER_EDIT_KEY)); }
UINT64 HookSnapshotRestored (VOID)      { return CallHookList (HOOK_ID_SNAPSHOT_RESTORED, HookDefault (HOOK_ID_SNAPSHOT_RESTORED)); }
UINT64 HookDefaultOrdersLoaded (VOID)   { return CallHookList (HOOK_ID_DEFAULT_ORDERS_LOADED, HookDefault (HOOK_ID_DEFAULT_ORDERS_LOADED)); }
UINT64 HookChangesDiscarded (VOID)      { return CallHookList (HOOK_ID_CHANGES_DISCARDED, HookDefault (HOOK_ID_CHANGES_DISCARDED)); }
UINT64 HookVariableWritten (VOID)       { return CallHookList (HOOK_ID_VARIABLE_WRITTEN, HookDefault (HOOK_ID_VARIABLE_WRITTEN)); }
UINT64 HookBootFlowSetup (VOID)         { return CallHookList (HOOK_ID_BOOT_FLOW_SETUP, HookDefault (HOOK_ID_BOOT_FLOW_SETUP)); }
UINT64 HookBbsPopup (VOID)              { return CallHookList (HOOK_ID_BBS_POPUP, HookDefault (HOOK_ID_BBS_POPUP)); }
UINT64 HookBeforeSetupReset (VOID)      { return CallHookList (HOOK_ID_BEFORE_SETUP_RESET, HookDefault (HOOK_ID_BEFORE_SETUP_RESET)); }
UINT64 HookBootMenuSelection (VOID)     { return CallHookList (HOOK_ID_BOOT_MENU_SELECTION, HookDefault (HOOK_ID_BOOT_MENU_SELECTION)); }
UINT64 HookPostScreenStart (VOID)       { return CallHookList (HOOK_ID_POST_SCREEN_START, HookDefault (HOOK_ID_POST_SCREEN_START)); }
UINT64 HookSetupPagesBuilt (VOID)       { return CallHookList (HOOK_ID_SETUP_PAGES_BUILT, HookDefault (HOOK_ID_SETUP_PAGES_BUILT)); }
UINT64 HookAfterLogo (VOID)             { return CallHookList (HOOK_ID_AFTER_LOGO, HookDefault (HOOK_ID_AFTER_LOGO)); }
UINT64 HookPostKeyRead (VOID)           { return CallHookList (HOOK_ID_POST_KEY_READ, HookDefault (HOOK_ID_POST_KEY_READ)); }
UINT64 HookGuiSetupStart (VOID)         { return CallHookList (HOOK_ID_GUI_SETUP_START, HookDefault (HOOK_ID_GUI_SETUP_START)); }
UINT64 HookReserved27 (VOID)            { return CallHookList (HOOK_ID_RESERVED_27, HookDefault (HOOK_ID_RESERVED_27)); }

UINT64 HookPostKeyPoll (UINT64 Arg1, UINT64 Arg2)
{
  return CallHookListWithTwoArgs (HOOK_ID_POST_KEY_POLL, HookDefault (HOOK_ID_POST_KEY_POLL), Arg1, Arg2);
}

UINT64 HookRecoveryBootFiles (UINT64 Arg) { return CallHookListWithArg (HOOK_ID_RECOVERY_BOOT_FILES, HookDefault (HOOK_ID_RECOVERY_BOOT_FILES), Arg); }
UINT64 HookReserved11 (UINT64 Arg)        { return CallHookListWithArg (HOOK_ID_RESERVED_11, HookDefault (HOOK_ID_RESERVED_11), Arg); }
UINT64 HookReserved12 (UINT64 Arg)        { return CallHookListWithArg (HOOK_ID_RESERVED_12, HookDefault (HOOK_ID_RESERVED_12), Arg); }
UINT64 HookReserved13 (UINT64 Arg)        { return CallHookListWithArg (HOOK_ID_RESERVED_13, HookDefault (HOOK_ID_RESERVED_13), Arg); }

UINT64 HookEncodePassword (CHAR16 *Buffer, UINTN SizeInBytes)
{
  return CallHookListWithTwoArgs (HOOK_ID_ENCODE_PASSWORD, HookDefault (HOOK_ID_ENCODE_PASSWORD), (UINT64)(UINTN)Buffer, SizeInBytes);
}

UINT64 HookLoadDefaults (UINT64 DefaultsCache, UINT64 Confirmation)
{
  return CallHookListWithTwoArgs (HOOK_ID_LOAD_DEFAULTS, HookDefault (HOOK_ID_LOAD_DEFAULTS), DefaultsCache, Confirmation);
}

UINT64 HookReserved24 (UINT64 Arg1, UINT64 Arg2)
{
  return CallHookListWithTwoArgs (HOOK_ID_RESERVED_24, HookDefault (HOOK_ID_RESERVED_24), Arg1, Arg2);
}

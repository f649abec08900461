/** @file
  The board's reserved hook members: the places where a board adds work of its own.
  This board adds none there, so each does nothing and answers 0 (FALSE for the
  management engine's POST prompt: nothing was drawn).
**/
#include <frontend/BoardHooks.h>

// Reserved: the event group boards listen to once the logo is up.
UINT64
BoardSignalLogoGroup (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

// Reserved: board items of high-resolution screens; this board has none.
UINT64
BoardLoadHighResolutionItems (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

// Reserved: the management engine's hotkey prompt; this board has no such engine (FALSE).
UINT64
BoardManagementEnginePrompt (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

// Reserved: a board step at setup entry, after the setup password.
UINT64
BoardEnterSetup1 (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

// Reserved: a board step at setup entry.
UINT64
BoardEnterSetup2 (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

// Reserved: a board step at setup entry.
UINT64
BoardEnterSetup3 (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

// Reserved: a board step at setup entry.
UINT64
BoardEnterSetup4 (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

// Reserved: a board step at setup entry.
UINT64
BoardEnterSetup5 (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

// Reserved: a board step at setup entry.
UINT64
BoardEnterSetup6 (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

// Reserved: a board step at setup entry.
UINT64
BoardEnterSetup7 (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

// Reserved: the board's own OsIndications bits, after the engine's.
UINT64
BoardProcessOsIndications (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

// Reserved: the board's keys at POST, after the engine's hotkeys.
UINT64
BoardPostKeyPoll (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

// Reserved: the board's preparation of a legacy boot.
UINT64
BoardBeforeLegacyBoot (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

// Reserved: the board's message after a failed network boot.
UINT64
BoardShowNetworkBootFailure (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

// Reserved: a board step before a UEFI image starts.
UINT64
BoardBeforeEfiBoot1 (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

// Reserved: a board step before a UEFI image starts.
UINT64
BoardBeforeEfiBoot2 (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

// Reserved: a board step before a UEFI image starts.
UINT64
BoardBeforeEfiBoot3 (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

// Reserved: a board step after a UEFI image returns.
UINT64
BoardAfterEfiBoot (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

// Reserved: setup fields the board copies into a variable of its own after a save.
UINT64
BoardMirrorSetupFields (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

// Reserved: the board's count of saves.
UINT64
BoardUpdateCounter (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

// Reserved: a board step after the defaults were loaded.
UINT64
BoardDefaultsLoaded1 (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

// Reserved: a board step after the defaults were loaded.
UINT64
BoardDefaultsLoaded2 (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

// Reserved: a board step after the defaults were loaded.
UINT64
BoardDefaultsLoaded3 (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

// Reserved: the Secure Boot keys that follow the board's defaults.
UINT64
BoardSecureBootKeys (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

// Reserved: a board step between leaving setup and the reset.
UINT64
BoardBeforeSetupReset (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

// Reserved: the event group boards listen to after the text POST logo.
UINT64
BoardSignalAfterLogoGroup (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

// Reserved: the board's video and compatibility-module flags at setup start.
UINT64
BoardSetVideoAndCsmFlags (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

// Reserved: the front end's module interface for board drivers.
UINT64
BoardInstallModuleInterface (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

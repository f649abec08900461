/** @file
  The hook members and defaults of the POST flow, key mapping and pop-ups that are
  not built yet. Each does nothing and answers 0 (no action, no password, success).
**/
#include <engine/core/HookMembers.h>

UINT64
DrawPostLogo (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

UINT64
ResetPostMessageWindow (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

UINT64
CancelBootTimeoutTimer (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

UINT64
LoadDefaultsHook (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

UINT64
ApplyBootFlowPageRules (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

UINT64
DrawOverclockOverlay (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

UINT64
DrawOverclockGainTens (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

UINT64
DrawOverclockGainUnits (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

UINT64
DrawOverclockExtraImage (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

UINT64
DrawHighResolutionBadge (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

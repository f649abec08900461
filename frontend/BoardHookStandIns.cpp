/** @file
  The board's hook members, which the graphical front end supplies; that front end
  is not built yet. Each does nothing and answers 0 (FALSE for the POST password
  checks, so the POST screen keeps what it drew).
**/
#include <frontend/BoardHooks.h>

UINT64
BoardCheckPlatformProtocol (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

UINT64
BoardSignalLogoGroup (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

UINT64
BoardLoadHighResolutionItems (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

UINT64
BoardManagementEnginePrompt (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

UINT64
BoardCheckUserPasswordFlag (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

UINT64
BoardCheckHddSecurity (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

UINT64
BoardEnterSetup1 (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

UINT64
BoardEnterSetup2 (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

UINT64
BoardEnterSetup3 (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

UINT64
BoardEnterSetup4 (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

UINT64
BoardEnterSetup5 (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

UINT64
BoardEnterSetup6 (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

UINT64
BoardEnterSetup7 (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

UINT64
BoardProcessOsIndications (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

UINT64
BoardPostKeyPoll (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

UINT64
BoardBeforeLegacyBoot (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

UINT64
BoardMarkLastBoot (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

UINT64
BoardShowNetworkBootFailure (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

UINT64
BoardBeforeEfiBoot1 (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

UINT64
BoardBeforeEfiBoot2 (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

UINT64
BoardBeforeEfiBoot3 (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

UINT64
BoardAfterEfiBoot (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

UINT64
BoardMirrorSetupFields (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

UINT64
BoardUpdateCounter (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

UINT64
BoardDefaultsLoaded1 (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

UINT64
BoardDefaultsLoaded2 (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

UINT64
BoardDefaultsLoaded3 (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

UINT64
BoardSecureBootKeys (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

UINT64
BoardBbsPopup (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

UINT64
BoardBeforeSetupReset (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

UINT64
BoardSignalAfterLogoGroup (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

UINT64
BoardSetVideoAndCsmFlags (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

UINT64
BoardInstallModuleInterface (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

/** @file
  The board's hook members, contributed by the graphical front end; until it is built
  each is a stand-in in BoardHookStandIns.cpp that does nothing and answers 0.
**/
#ifndef FRONTEND_BOARD_HOOKS_H_
#define FRONTEND_BOARD_HOOKS_H_

#include <engine/core/HookTable.h>

UINT64 BoardCheckPlatformProtocol (CONST HOOK_ARGS *Args);
UINT64 BoardSignalLogoGroup (CONST HOOK_ARGS *Args);
UINT64 BoardLoadHighResolutionItems (CONST HOOK_ARGS *Args);
UINT64 BoardManagementEnginePrompt (CONST HOOK_ARGS *Args);
UINT64 BoardCheckUserPasswordFlag (CONST HOOK_ARGS *Args);
UINT64 BoardCheckHddSecurity (CONST HOOK_ARGS *Args);
UINT64 BoardEnterSetup1 (CONST HOOK_ARGS *Args);
UINT64 BoardEnterSetup2 (CONST HOOK_ARGS *Args);
UINT64 BoardEnterSetup3 (CONST HOOK_ARGS *Args);
UINT64 BoardEnterSetup4 (CONST HOOK_ARGS *Args);
UINT64 BoardEnterSetup5 (CONST HOOK_ARGS *Args);
UINT64 BoardEnterSetup6 (CONST HOOK_ARGS *Args);
UINT64 BoardEnterSetup7 (CONST HOOK_ARGS *Args);
UINT64 BoardProcessOsIndications (CONST HOOK_ARGS *Args);
UINT64 BoardPostKeyPoll (CONST HOOK_ARGS *Args);
UINT64 BoardBeforeLegacyBoot (CONST HOOK_ARGS *Args);
UINT64 BoardMarkLastBoot (CONST HOOK_ARGS *Args);
UINT64 BoardShowNetworkBootFailure (CONST HOOK_ARGS *Args);
UINT64 BoardBeforeEfiBoot1 (CONST HOOK_ARGS *Args);
UINT64 BoardBeforeEfiBoot2 (CONST HOOK_ARGS *Args);
UINT64 BoardBeforeEfiBoot3 (CONST HOOK_ARGS *Args);
UINT64 BoardAfterEfiBoot (CONST HOOK_ARGS *Args);
UINT64 BoardMirrorSetupFields (CONST HOOK_ARGS *Args);
UINT64 BoardUpdateCounter (CONST HOOK_ARGS *Args);
UINT64 BoardDefaultsLoaded1 (CONST HOOK_ARGS *Args);
UINT64 BoardDefaultsLoaded2 (CONST HOOK_ARGS *Args);
UINT64 BoardDefaultsLoaded3 (CONST HOOK_ARGS *Args);
UINT64 BoardSecureBootKeys (CONST HOOK_ARGS *Args);
UINT64 BoardBbsPopup (CONST HOOK_ARGS *Args);
UINT64 BoardBeforeSetupReset (CONST HOOK_ARGS *Args);
UINT64 BoardSignalAfterLogoGroup (CONST HOOK_ARGS *Args);
UINT64 BoardSetVideoAndCsmFlags (CONST HOOK_ARGS *Args);
UINT64 BoardInstallModuleInterface (CONST HOOK_ARGS *Args);

#endif

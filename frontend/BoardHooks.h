/** @file
  The board's hook members, contributed by the front end: the ones whose work this
  board knows (BoardHookMembers.cpp) and the reserved ones that other boards fill
  (BoardReservedMembers.cpp).
**/
#ifndef FRONTEND_BOARD_HOOKS_H_
#define FRONTEND_BOARD_HOOKS_H_

#include <engine/core/HookTable.h>

// The board protocol looked for once the logo is drawn.
#define BOARD_PROTOCOL_GUID \
  { 0x6CECD5BB, 0x28B5, 0x479A, { 0x95, 0x32, 0x69, 0x9B, 0x9A, 0x09, 0x12, 0xDE } }

// The vendor GUID of the board's markers "CheckUserPSW", "BbsPopupCalled" and "LastBoot".
#define BOARD_MARKER_VARIABLE_GUID \
  { 0x4D9B2E61, 0x7C35, 0x4A18, { 0x8F, 0x02, 0xB6, 0x5E, 0x1A, 0xC7, 0x39, 0x54 } }

//
// Members with work of their own.
//
/** Looks for the board protocol: EFI_SUCCESS when the board has it. */
UINT64 BoardCheckPlatformProtocol (CONST HOOK_ARGS *Args);
/**
  Asks the power-on password when one is set, once per boot; TRUE when it was asked
  (the screen was drawn on), and then "CheckUserPSW" := 1 for this boot. A refused
  password stops the machine.
**/
UINT64 BoardCheckUserPasswordFlag (CONST HOOK_ARGS *Args);
/** After a legacy boot returns: "LastBoot" := the option number that booted. */
UINT64 BoardMarkLastBoot (CONST HOOK_ARGS *Args);
/** "BbsPopupCalled" := 1 for this boot, then boots the pop-up's choice; its status. */
UINT64 BoardBbsPopup (CONST HOOK_ARGS *Args);
/** Asks for the password of each locked drive that is not frozen (HddSecurity.cpp); TRUE when it asked. */
UINT64 BoardCheckHddSecurity (CONST HOOK_ARGS *Args);

//
// Reserved members: this board has nothing to do there, so each answers 0.
//
UINT64 BoardSignalLogoGroup (CONST HOOK_ARGS *Args);
UINT64 BoardLoadHighResolutionItems (CONST HOOK_ARGS *Args);
UINT64 BoardManagementEnginePrompt (CONST HOOK_ARGS *Args);
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
UINT64 BoardBeforeSetupReset (CONST HOOK_ARGS *Args);
UINT64 BoardSignalAfterLogoGroup (CONST HOOK_ARGS *Args);
UINT64 BoardSetVideoAndCsmFlags (CONST HOOK_ARGS *Args);
UINT64 BoardInstallModuleInterface (CONST HOOK_ARGS *Args);

#endif

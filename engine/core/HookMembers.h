/** @file
  Every function that a hook row names as a member or that a hook caller passes as
  a default, in the hook table's uniform type.

  Members that are not built yet are defined beside the code that will own them
  (engine/post/HookStandIns.cpp for the POST flow, key mapping and pop-ups,
  frontend/BoardHookStandIns.cpp for the board's members); each does nothing and
  answers 0.
**/
#ifndef ENGINE_HOOK_MEMBERS_H_
#define ENGINE_HOOK_MEMBERS_H_

#include <engine/core/HookTable.h>
#include <gui/GuiServices.h>

//
// POST screens, boot flow, key mapping and pop-ups.
//
UINT64 DrawPostLogo (CONST HOOK_ARGS *Args);
UINT64 CheckPostPassword (CONST HOOK_ARGS *Args);
UINT64 CheckSetupPassword (CONST HOOK_ARGS *Args);
UINT64 ResetPostMessageWindow (CONST HOOK_ARGS *Args);
UINT64 MapKeyToAction (CONST HOOK_ARGS *Args);
UINT64 PollPostHotkeys (CONST HOOK_ARGS *Args);
UINT64 SetDisplayModeFromEdid (CONST HOOK_ARGS *Args);
UINT64 CancelBootTimeoutTimer (CONST HOOK_ARGS *Args);
UINT64 LaunchOsRecoveryBootManager (CONST HOOK_ARGS *Args);
UINT64 EncodePassword (CONST HOOK_ARGS *Args);
UINT64 ShowBootMenuPopup (CONST HOOK_ARGS *Args);
UINT64 ShowBootDeviceMenu (CONST HOOK_ARGS *Args);
UINT64 BootSelectedPopupOption (CONST HOOK_ARGS *Args);
UINT64 LoadDefaultsHook (CONST HOOK_ARGS *Args);
UINT64 MapPointerToAction (CONST HOOK_ARGS *Args);
UINT64 ApplyBootFlowPageRules (CONST HOOK_ARGS *Args);
UINT64 InstallGraphicalControlOps (CONST HOOK_ARGS *Args);

//
// Logo overlays drawn after the main logo.
//
UINT64 DrawOverclockOverlay (CONST HOOK_ARGS *Args);
UINT64 DrawOverclockGainTens (CONST HOOK_ARGS *Args);
UINT64 DrawOverclockGainUnits (CONST HOOK_ARGS *Args);
UINT64 DrawOverclockExtraImage (CONST HOOK_ARGS *Args);
UINT64 DrawHighResolutionBadge (CONST HOOK_ARGS *Args);

//
// The board's members, contributed by the graphical front end.
//
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

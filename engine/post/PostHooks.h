/** @file
  Hook members and defaults of the POST flow: the logo and its overlays, the POST
  message window, the POST key poll, the boot timeout and the boot-flow page rules.
**/
#ifndef ENGINE_POST_HOOKS_H_
#define ENGINE_POST_HOOKS_H_

#include <engine/core/HookTable.h>

UINT64 DrawPostLogo (CONST HOOK_ARGS *Args);
UINT64 ResetPostMessageWindow (CONST HOOK_ARGS *Args);
UINT64 PollPostHotkeys (CONST HOOK_ARGS *Args);
UINT64 CancelBootTimeoutTimer (CONST HOOK_ARGS *Args);
UINT64 ApplyBootFlowPageRules (CONST HOOK_ARGS *Args);

// Logo overlays drawn after the main logo.
UINT64 DrawOverclockOverlay (CONST HOOK_ARGS *Args);
UINT64 DrawOverclockGainTens (CONST HOOK_ARGS *Args);
UINT64 DrawOverclockGainUnits (CONST HOOK_ARGS *Args);
UINT64 DrawOverclockExtraImage (CONST HOOK_ARGS *Args);
UINT64 DrawHighResolutionBadge (CONST HOOK_ARGS *Args);

#endif

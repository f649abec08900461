/** @file
  The calls that run against the direction of the engine's parts, where a lower part
  asks a higher one, are connected here once: each lower part keeps a table of function
  pointers, which start-up fills with the higher parts' functions.
**/
#include <engine/startup/SetupEngine.h>
#include <engine/boot/BootOptions.h>
#include <engine/boot/LegacyDevOrder.h>
#include <engine/browser/DriverCallbacks.h>
#include <engine/browser/DynamicPages.h>
#include <engine/browser/FormBrowser.h>
#include <engine/forms/FormTables.h>
#include <engine/post/BootScreen.h>
#include <engine/textui/TuiApp.h>
#include <engine/textui/TuiValueControls.h>
#include <engine/variables/VariableCache.h>
#include <engine/boot/BootMenu.h>
#include <engine/boot/BootLaunch.h>
#include <engine/post/PostHooks.h>
#include <engine/textui/PasswordPrompt.h>
#include <engine/core/HookTable.h>
#include <frontend/FrontEndServices.h>
#include <engine/textui/SetupActions.h>
#include <engine/post/BootFlowCallbacks.h>

VOID
ConnectEngineParts (
  VOID
  )
{
  gVariableCacheNeighbours.Orders          = &gBootManagerOrders;
  gVariableCacheNeighbours.LanguageChanged = MarkTuiAppLanguageChanged;

  gFormsNeighbours.RefreshQuestionAdded    = AddRefreshEvent;
  gFormsNeighbours.WorkTablesFreeing  = FreeRefreshEvents;
  gFormsNeighbours.GetShownPage       = GetTuiAppCurrentPage;
  gFormsNeighbours.ApplicationLeaving = TuiAppLeaving;

  gFormExitAsked       = GoToParentPage;
  gOrderQuestionStep   = StepOrderQuestion;
  gBootFlowDefaultBoot = RunBootFlowDefaultBoot;
  gSetBootScreenState  = SetBootScreenState;

  if (gHookTable == NULL) {
    gHookTable = GetProductionHookTable ();
  }

  // The hooks whose default members lie above the core.
  SetHookDefault (HOOK_ID_DRAW_POST_LOGO, DrawPostLogo);
  SetHookDefault (HOOK_ID_ENTER_SETUP, CheckSetupPassword);
  SetHookDefault (HOOK_ID_PROCESS_OS_INDICATIONS, ResetPostMessageWindow);
  SetHookDefault (HOOK_ID_BEFORE_EFI_BOOT, CancelBootTimeoutTimer);
  // No call in this build reaches hook 0x1B (F8 shows the boot-device menu, the row's
  // member, directly); the default stays for board tables and callers that use the hook.
  SetHookDefault (HOOK_ID_BOOT_FLOW_SETUP, ShowBootMenuPopup);
  SetHookDefault (HOOK_ID_BBS_POPUP, BootSelectedPopupOption);
  SetHookDefault (HOOK_ID_SETUP_PAGES_BUILT, ApplyBootFlowPageRules);
  SetHookDefault (HOOK_ID_POST_KEY_POLL, PollPostHotkeys);
  SetHookDefault (HOOK_ID_RECOVERY_BOOT_FILES, LaunchOsRecoveryBootManager);
  SetHookDefault (HOOK_ID_ENCODE_PASSWORD, EncodePassword);
  SetHookDefault (HOOK_ID_LOAD_DEFAULTS, LoadDefaultsHook);

  InstallBootScreenOperations ();
  ConnectFrontEnd ();
}

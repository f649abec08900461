/** @file
  Entering setup. The graphical setup screens are not part of this driver, so the
  engine's own text-mode pages serve: the pages are built afresh from the compiled
  setup data and the form sets the HII database holds (or those SendForm was given),
  and run from the first page that has one until the user leaves them.
**/
#include <engine/browser/DriverCallbacks.h>
#include <engine/post/PostScreen.h>
#include <frontend/FrontEndServices.h>
#include <frontend/HddSecurity.h>
#include <frontend/MenuTree.h>
#include <frontend/SetupSlots.h>
#include <engine/browser/DynamicPages.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/HookTable.h>
#include <engine/browser/FormBrowser.h>
#include <engine/textui/SetupActions.h>
#include <engine/textui/TextScreen.h>
#include <engine/textui/TuiApp.h>
#include <engine/forms/FormParser.h>
#include <engine/forms/IfrExpression.h>
#include <engine/variables/VariableCache.h>

EFI_STATUS
EnterGraphicalSetup (
  VOID
  )
{
  EFI_STATUS  Status;
  BOOLEAN     Tree = FALSE;
  BOOLEAN     Slots;
  BOOLEAN     Loaded;

  if (gBootScreenTimerEvent != NULL) {
    (VOID)gBS->SetTimer (gBootScreenTimerEvent, TimerCancel, 0);   // closed next; a failed cancel changes nothing
    CloseEventAndClear (&gBootScreenTimerEvent);
  }

  gInSetup = 1;
  UpdateSignOnVersionString ();
  // Before the text console takes its mode for the pages, so that it takes it on this one.
  SetGraphicsMode1024 (NULL);
  Slots = InstallSetupSlots ();
  // Thousands of conditions are evaluated while setup runs: their stacks are kept
  // for the whole entry rather than allocated for each.
  IfrKeepEvaluationStacks ();
  // Until the first page is on the screen, each driver's store is asked for its value
  // once: the variable tables, the drivers' form callbacks, the default caches and
  // the pages all read the same stores.
  BeginStoreReadPass ();
  // The boot flow's entry has built the pages and read the settings already.
  Loaded = TakeSetupEntryLoad ();
  if (!Loaded && EFI_ERROR (BuildDynamicPages ())) {
    FreeDynamicPageTable ();      // a half-built table serves nobody; the compiled pages do
  }

  // The board learns that setup starts, then applies its rules to the pages just built
  // (which are top-level, which are entry pages); neither answer decides anything here.
  (VOID)HookGuiSetupStart ();
  (VOID)HookSetupPagesBuilt ();

  // A setup inside setup (refused below) must not take the running one's tree.
  if (GetSetupMenu () == NULL) {
    Tree = TRUE;
    (VOID)BuildSetupMenuTree ();  // the engine's pages show without the front end's entries
  }

  if (!Loaded) {
    OpenFormCallbacks (NULL);
  }

  // The drives may have been unlocked or frozen since the record was last read.
  RefreshHddSecurityStatus ();

  // A boot flow may have asked for a page of its own; the next entry starts at the first again.
  Status             = OpenTextSetup (gBootFlowStartPage);
  gBootFlowStartPage = 0;
  EndStoreReadPass ();
  if (!EFI_ERROR (Status)) {
    Status = RunTextSetupLoop ();
  }

  IfrReleaseEvaluationStacks ();

  if (Tree) {
    FreeSetupMenuTree ();
  }

  if (Slots) {
    RestoreSetupSlots ();
  }

  gInSetup = 0;
  // Saved settings that need a reset, or a reset the user chose, take effect now.
  // Under SendForm the caller resets when it is ready.
  if (gResetNeeded && !gSendFormRunning) {
    (VOID)HookBeforeSetupReset ();     // a notification: the board's answer decides nothing here
    gRT->ResetSystem (EfiResetCold, EFI_SUCCESS, 0, NULL);
  }

  return Status;
}

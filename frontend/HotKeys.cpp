/** @file
  The hot keys of the setup screens. F10 and F4 save and leave, F2 takes back the
  stored values (on the main setup page only), F5 and F3 load the optimized (standard) defaults, F1 shows the keys,
  and Esc goes back a page or leaves setup, asking first about unsaved changes. The
  pane of key help names F3 and F4; F5 and F10 do the same, as firmware setup keys
  commonly do. F12 and Ctrl+F12 capture the screen (ScreenCapture.cpp).
**/
#include <frontend/FrontEndServices.h>
#include <engine/textui/SetupActions.h>
#include <engine/textui/TuiApp.h>
#include <engine/core/EngineStrings.h>
#include <engine/textui/MessageBox.h>
#include <frontend/SetupSave.h>
#include <engine/core/HookTable.h>
#include <engine/core/SetupData.h>
#include <engine/variables/VariableCache.h>
#include <Resources/EngineStringIds.h>

static CONST MSGBOX_DEF  mGeneralHelp = { 0, STR_GENERAL_HELP, 0, ENGINE_OWN_HII_HANDLE, STR_GENERAL_HELP_TEXT, 0 };

// The keys act on setup's pages only: without the application there is nothing to save or show.
static BOOLEAN
InSetupPages (
  VOID
  )
{
  return (BOOLEAN)(gTuiApp != NULL);
}

// The keys only the main setup page takes: a page that no other page leads to.
static BOOLEAN
OnMainSetupPage (
  VOID
  )
{
  UINT32       Page;
  PAGE_RECORD  *Record;

  return (BOOLEAN)(InSetupPages () && GetTuiAppCurrentPage (&Page) && !EFI_ERROR (GetPageData (Page, &Record)) &&
                   (Record->ParentPageNumber == 0));
}

VOID
OnSaveChangesKey (
  VOID
  )
{
  if (InSetupPages () && (SaveChanges (&gMsgBoxSaveAndExit) != 0)) {
    RequestTuiAppExit ();
  }
}

VOID
OnLoadPreviousValuesKey (
  VOID
  )
{
  if (OnMainSetupPage ()) {
    (VOID)DiscardChanges (TRUE);     // the action shows its own outcome
  }
}

VOID
OnLoadOptimizedDefaultsKey (
  VOID
  )
{
  if (InSetupPages ()) {
    // The action shows its own outcome.
    (VOID)HookLoadDefaults ((UINT64)(UINTN)gVariableCacheStdDefaults, (UINT64)(UINTN)&gMsgBoxLoadOptimized);
  }
}

VOID
ShowGeneralHelp (
  VOID
  )
{
  if (InSetupPages ()) {
    (VOID)RunPopupBox (&mGeneralHelp, MSGBOX_BUTTONS_OK);     // an OK box has one answer
  }
}

VOID
OnEscapeKey (
  VOID
  )
{
  (VOID)GoBackOrExit ();     // at the outermost page there is nothing to go back to, and that is no fault
}

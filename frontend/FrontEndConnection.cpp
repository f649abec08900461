/** @file
  The front end lends the engine its services through the engine's table.
**/
#include <frontend/FrontEndServices.h>
#include <frontend/HddSecurity.h>
#include <frontend/EngineActions.h>
#include <frontend/SetupSave.h>
#include <frontend/SpecialLinks.h>
#include <engine/core/FrontEnd.h>
#include <engine/textui/MessageBox.h>
#include <engine/textui/SetupActions.h>

// Saving with the question of the save-and-exit key-help line: a save made there asks for a reset.
static UINT8
SaveAndExitWithQuestion (
  VOID
  )
{
  if (SaveChanges (&gMsgBoxSaveAndExit) == 0) {
    return 0;
  }

  gSaveAskedForReset = 1;
  return 1;
}

VOID
ConnectFrontEnd (
  VOID
  )
{
  gFrontEnd.EnterGraphicalSetup        = EnterGraphicalSetup;
  gFrontEnd.ConfirmResetWithoutSaving  = ConfirmResetWithoutSaving;
  gFrontEnd.ConfirmSaveAndExit         = ConfirmSaveAndExit;
  gFrontEnd.ConfirmExitWithoutSaving   = ConfirmExitWithoutSaving;
  gFrontEnd.GoToParentPage             = GoToParentPage;
  gFrontEnd.RunSpecialLinkAction       = RunSpecialLinkAction;
  gFrontEnd.CaptureScreen              = CaptureScreen;
  gFrontEnd.CaptureScreenCtrl          = CaptureScreenCtrl;
  gFrontEnd.OnSaveChangesKey           = OnSaveChangesKey;
  gFrontEnd.OnLoadPreviousValuesKey    = OnLoadPreviousValuesKey;
  gFrontEnd.OnLoadOptimizedDefaultsKey = OnLoadOptimizedDefaultsKey;
  gFrontEnd.ShowGeneralHelp            = ShowGeneralHelp;
  gFrontEnd.OnEscapeKey                = OnEscapeKey;
  gFrontEnd.HddPasswordSetCallback     = HddPasswordSetCallback;
  gFrontEnd.HddPasswordCheckCallback   = HddPasswordCheckCallback;
  gFrontEnd.RefreshHddSecurityStatus   = RefreshHddSecurityStatus;
  gFrontEnd.ReadHddSecurityStatus      = ReadHddSecurityStatus;
  gFrontEnd.SaveAndExit                = SaveAndExitWithQuestion;
  gFrontEnd.DiscardChanges             = DiscardChanges;
  gFrontEnd.ConfirmLeaveSetup          = ConfirmLeaveSetup;
  gFrontEnd.OnExitItemSelect           = OnExitItemSelect;
  gFrontEnd.BuildSetupPageItems        = BuildSetupPageItems;
  gFrontEnd.BuildPageFromForm          = BuildPageFromForm;
  gFrontEnd.QueueMenuEntryDeletion     = QueueMenuEntryDeletion;
  gFrontEnd.SwitchSetupPage            = SwitchSetupPage;
}

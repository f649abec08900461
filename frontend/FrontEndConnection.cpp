/** @file
  The front end lends the engine its services through the engine's table.
**/
#include <frontend/FrontEndServices.h>
#include <frontend/HddSecurity.h>
#include <frontend/EngineActions.h>
#include <frontend/SetupSave.h>
#include <frontend/ActionLinks.h>
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
  gFrontEnd.SetupAsked               = EnterGraphicalSetup;
  gFrontEnd.DriverAskedReset         = ConfirmResetWithoutSaving;
  gFrontEnd.DriverAskedSaveAndExit   = ConfirmSaveAndExit;
  gFrontEnd.DriverAskedExit          = ConfirmExitWithoutSaving;
  gFrontEnd.SpecialLinkSelected      = RunSpecialLinkAction;
  gFrontEnd.CaptureKeyPressed        = CaptureScreen;
  gFrontEnd.CtrlCaptureKeyPressed    = CaptureScreenCtrl;
  gFrontEnd.SaveKeyPressed           = OnSaveChangesKey;
  gFrontEnd.PreviousValuesKeyPressed = OnLoadPreviousValuesKey;
  gFrontEnd.DefaultsKeyPressed       = OnLoadOptimizedDefaultsKey;
  gFrontEnd.HelpKeyPressed           = ShowGeneralHelp;
  gFrontEnd.EscapeKeyPressed         = OnEscapeKey;
  gFrontEnd.PasswordChosen           = HddPasswordSetCallback;
  gFrontEnd.PasswordCheckAsked       = HddPasswordCheckCallback;
  gFrontEnd.PasswordChanged          = RefreshHddSecurityStatus;
  gFrontEnd.SaveAndExitAsked         = SaveAndExitWithQuestion;
  gFrontEnd.DiscardAsked             = DiscardChanges;
  gFrontEnd.LeaveAsked               = ConfirmLeaveSetup;
  gFrontEnd.ExitItemSelected         = OnExitItemSelect;
  gFrontEnd.PagesRebuilt             = BuildSetupPageItems;
  gFrontEnd.PagesAdded               = BuildPageFromForm;
  gFrontEnd.PageRemoved              = QueueMenuEntryDeletion;
  gFrontEnd.PageShown                = SwitchSetupPage;

  gReadDriveSecurity = ReadHddSecurityStatus;
}

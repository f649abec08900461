/** @file
  SendForm: the form browser shows the form sets of the package lists a caller
  names, through the same setup the boot flow enters, and refuses to run inside a
  running setup.
**/
#include <engine/browser/DriverCallbacks.h>
#include <engine/browser/DynamicPages.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/TaskPriority.h>
#include <engine/forms/FormParser.h>
#include <engine/browser/PackageNotify.h>
#include <engine/variables/VariableCache.h>
#include <engine/core/BootScreenInterface.h>
#include <engine/core/FrontEnd.h>
#include <engine/browser/FormBrowser.h>
#include <engine/browser/SetupEntryRequest.h>

#include <Protocol/HiiConfigAccess.h>

#include <Library/MemoryAllocationLib.h>
#include <Protocol/SimpleTextIn.h>

// Set when a driver asked for a reset while SendForm runs; SendForm hands it to its caller.
BOOLEAN  gResetRequested = FALSE;
UINTN    gSendFormRequest = EFI_BROWSER_ACTION_REQUEST_NONE;

static EFI_STATUS
RefuseNestedSendForm (
  VOID
  )
{
  UINT8  Selection = 0;

  if (gBootScreenInterface.ShowBootScreenMessageBox != NULL) {
    (VOID)gBootScreenInterface.ShowBootScreenMessageBox ((CHAR16 *)u"SendForm Unsupported",
            (CHAR16 *)u"SendForm Not suppored Nestedly or from Valid Setup Context!", 1, &Selection);     // informs only
  }

  return EFI_UNSUPPORTED;
}

/** The given handles whose package lists hold a form set, in order; FALSE when none does. */
static BOOLEAN
KeepFormSetHandles (
  IN EFI_HII_HANDLE  *Handles,
  IN UINTN           Count
  )
{
  gSendFormHandleCount = 0;
  gSendFormHandles     = (EFI_HII_HANDLE *)AllocateZeroPool (Count * sizeof (EFI_HII_HANDLE));
  for (UINTN Index = 0; (gSendFormHandles != NULL) && (Index < Count); Index++) {
    UINT64  Size = 0;
    UINT8   *Copy = GetFormSetPackage (Handles[Index], &Size);

    if (Copy != NULL) {
      gSendFormHandles[gSendFormHandleCount++] = Handles[Index];
      FreePool (Copy);
    }
  }

  if (gSendFormHandleCount == 0) {
    FreeAndNull (gSendFormHandles);
    return FALSE;
  }

  return TRUE;
}

static EFI_STATUS
RunSendFormSetup (
  VOID
  )
{
  BOOLEAN     SavedRequest = SetupEntryRequested ();
  EFI_STATUS  Status;

  if (gVariableCache == NULL) {
    (VOID)LoadVariableCache (&gVariableCache, NULL);     // setup reads what it can without it
  }

  // Setup waits for keys, so it runs at the application level whatever level the
  // caller held, and returns there.
  (VOID)LowerToApplicationTpl ();     // the caller's level is not put back
  if ((gST->ConIn != NULL) && (gST->ConIn->Reset != NULL)) {
    (VOID)gST->ConIn->Reset (gST->ConIn, FALSE);     // stale keys only; a failed reset changes nothing
  }

  gSendFormRunning   = TRUE;
  Status             = (gFrontEnd.SetupAsked == NULL) ? EFI_UNSUPPORTED : gFrontEnd.SetupAsked ();
  gSendFormRunning   = FALSE;
  // The flow that called SendForm finds its request for setup as it left it.
  if (SavedRequest) {
    RequestSetupEntry ();
  } else {
    DropSetupEntryRequest ();
  }

  return Status;
}

EFI_STATUS EFIAPI
SendForm (
  IN  CONST EFI_FORM_BROWSER2_PROTOCOL  *This,
  IN  EFI_HII_HANDLE                    *Handles,
  IN  UINTN                             HandleCount,
  IN  EFI_GUID                          *FormSetGuid,
  IN  EFI_FORM_ID                       FormId,
  IN  CONST EFI_SCREEN_DESCRIPTOR       *ScreenDimensions,
  OUT EFI_BROWSER_ACTION_REQUEST        *ActionRequest
  )
{
  UINT32      Page;
  EFI_STATUS  Status;

  (VOID)This;
  (VOID)FormId;
  (VOID)ScreenDimensions;
  if (ActionRequest != NULL) {
    *ActionRequest = EFI_BROWSER_ACTION_REQUEST_NONE;
  }

  if (GetShownPage (&Page) || (gInSetup != 0) || gSendFormRunning) {
    return RefuseNestedSendForm ();
  }

  if ((Handles == NULL) || (HandleCount == 0)) {
    return EFI_INVALID_PARAMETER;
  }

  // Nothing is drawn for a call that has no form set to show.
  gSendFormGuid = FormSetGuid;
  if (!KeepFormSetHandles (Handles, HandleCount)) {
    gSendFormGuid = NULL;
    return EFI_NOT_FOUND;
  }

  gSendFormRequest = EFI_BROWSER_ACTION_REQUEST_NONE;
  Status           = RunSendFormSetup ();
  RunCallbacksForAction (EFI_BROWSER_ACTION_FORM_CLOSE);     // the form sets it showed, gotos' included
  FreeAndNull (gSendFormHandles);
  gSendFormHandleCount = 0;
  gSendFormGuid        = NULL;
  if (ActionRequest != NULL) {
    *ActionRequest = gResetRequested ? EFI_BROWSER_ACTION_REQUEST_RESET : (EFI_BROWSER_ACTION_REQUEST)gSendFormRequest;
  }

  gResetRequested  = FALSE;
  gSendFormRequest = EFI_BROWSER_ACTION_REQUEST_NONE;

  FreePendingPackageNotifications ();
  FreeVariableSnapshotCopies ();
  return Status;
}

/** @file
  The form browser's BrowserCallback and its handling of action requests, not built
  yet: BrowserCallback answers EFI_UNSUPPORTED, and an action request is taken as
  done, but for a reset asked for while SendForm runs, which SendForm reports.
**/
#include <engine/core/EngineNeighbours.h>
#include <engine/core/DynamicPages.h>
#include <engine/core/FormParser.h>

EFI_STATUS EFIAPI
BrowserCallback (
  IN     CONST EFI_FORM_BROWSER2_PROTOCOL  *This,
  IN OUT UINTN                             *ResultsDataSize,
  IN OUT EFI_STRING                        ResultsData,
  IN     BOOLEAN         RetrieveData,
  IN     CONST EFI_GUID  *VariableGuid,
  IN     CONST CHAR16    *VariableName
  )
{
  (VOID)This;
  (VOID)ResultsDataSize;
  (VOID)ResultsData;
  (VOID)RetrieveData;
  (VOID)VariableGuid;
  (VOID)VariableName;
  return EFI_UNSUPPORTED;
}

EFI_STATUS
ProcessActionRequest (
  IN UINTN  ActionRequest
  )
{
  // A reset asked for while SendForm runs goes back to SendForm's caller.
  if ((ActionRequest == EFI_BROWSER_ACTION_REQUEST_RESET) && gSendFormRunning) {
    gResetRequested = TRUE;
  }

  return EFI_SUCCESS;
}

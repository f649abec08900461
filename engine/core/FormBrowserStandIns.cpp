/** @file
  The form browser's two operations, its handling of action requests and the form
  callbacks. The form browser is not built yet: SendForm shows nothing and answers
  EFI_UNSUPPORTED, as does BrowserCallback; an action request is taken as done.
**/
#include <engine/core/EngineNeighbours.h>

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
  (VOID)This;
  (VOID)Handles;
  (VOID)HandleCount;
  (VOID)FormSetGuid;
  (VOID)FormId;
  (VOID)ScreenDimensions;
  if (ActionRequest != NULL) {
    *ActionRequest = 0;
  }

  return EFI_UNSUPPORTED;
}

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
  (VOID)ActionRequest;
  return EFI_SUCCESS;
}

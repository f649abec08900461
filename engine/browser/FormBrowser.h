/** @file
  The form browser protocol (SendForm and BrowserCallback), the action requests a
  driver returns, the submit and discard of a page, and the page defaults.
**/
#ifndef ENGINE_FORM_BROWSER_H_
#define ENGINE_FORM_BROWSER_H_

#include <Uefi.h>
#include <Protocol/FormBrowser2.h>
#include <engine/core/SetupDataFormat.h>

/**
  Writes the values of default store DefaultId of every control of Control's page
  into the variable cache.

  @retval EFI_UNSUPPORTED  The page has no HII handle.
**/
EFI_STATUS  ApplyPageDefaults (IN CONTROL_RECORD *Control, IN UINT16 DefaultId);

// Which default of the controls LoadDefaultsFromForms gathers.
#define LOAD_DEFAULTS_STANDARD       0x10
#define LOAD_DEFAULTS_MANUFACTURING  0x20
/**
  Writes the manufacturing (LOAD_DEFAULTS_MANUFACTURING) or standard default of every
  question of every page with a package list into Cache at the question's place;
  variables stored directly as UEFI variables are left out.
**/
VOID        LoadDefaultsFromForms (IN OUT VARIABLE_CACHE_ENTRY *Cache, IN UINT32 Flag);
EFI_STATUS EFIAPI SendForm (IN CONST EFI_FORM_BROWSER2_PROTOCOL *This, IN EFI_HII_HANDLE *Handles, IN UINTN HandleCount,
                     IN EFI_GUID *FormSetGuid, IN EFI_FORM_ID FormId, IN CONST EFI_SCREEN_DESCRIPTOR *ScreenDimensions,
                     OUT EFI_BROWSER_ACTION_REQUEST *ActionRequest);
EFI_STATUS EFIAPI BrowserCallback (IN CONST EFI_FORM_BROWSER2_PROTOCOL *This, IN OUT UINTN *ResultsDataSize,
                     IN OUT EFI_STRING ResultsData, IN BOOLEAN RetrieveData, IN CONST EFI_GUID *VariableGuid,
                     IN CONST CHAR16 *VariableName);
/** Acts on the action request a driver's callback returned (submit, exit, reset...). */
EFI_STATUS  ProcessActionRequest (IN UINTN ActionRequest);
/** Writes the variables of a page's questions to their stores (the orders are left to the whole save). */
EFI_STATUS  SubmitForm (IN UINT32 Page);
/** Takes the variables of a page's questions back from their stores and runs the page's RETRIEVE callbacks. */
EFI_STATUS  DiscardForm (IN UINT32 Page);
/** SubmitForm and DiscardForm over every page of the form set Page belongs to. */
EFI_STATUS  SubmitFormSet (IN UINT32 Page);
EFI_STATUS  DiscardFormSet (IN UINT32 Page);
/** TRUE when the user or a driver changed a value of the form set Page belongs to since its stores were read. */
BOOLEAN     FormSetChanged (IN UINT32 Page);
/**
  Tells the user that the form's store refused its values, naming the form by its
  title, and asks whether to drop them. TRUE when the user drops them.
**/
BOOLEAN     AskDiscardAfterFailedSubmit (IN UINT32 Page);
// Set by the discard action requests.
extern UINT8  gDiscardRequested;

// A driver asked to leave the form shown (FORM_SUBMIT_EXIT, FORM_DISCARD_EXIT): the
// application above goes to its parent, TRUE when a form was left. Start-up connects
// it; until then the form stays.
extern BOOLEAN  (*gFormExitAsked)(VOID);

#endif

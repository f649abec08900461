/** @file
  The form browser's BrowserCallback: a driver whose callback runs reads or
  changes the browser's uncommitted copy of one of its variables as a
  configuration ("OFFSET=..&WIDTH=..&VALUE=.."); and the action requests that
  drivers return from their callbacks.
**/
#include <engine/variables/ConfigString.h>
#include <engine/browser/DriverCallbacks.h>
#include <engine/browser/DynamicPages.h>
#include <engine/core/EngineGlobals.h>
#include <engine/browser/FormBrowser.h>
#include <engine/forms/FormParser.h>
#include <engine/core/SetupData.h>
#include <engine/variables/VariableCache.h>
#include <engine/core/FrontEnd.h>
#include <engine/core/BootScreenInterface.h>
#include <engine/core/EngineStrings.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/PrintLib.h>
#include <Resources/EngineStringIds.h>

// Set by the discard action requests.
UINT8    gDiscardRequested = 0;
BOOLEAN  (*gFormExitAsked)(VOID) = NULL;

/** A record the browser keeps the copy of: a block store, not a plain UEFI variable nor a name/value store. */
static BOOLEAN
IsBrowserStore (
  IN CONST VARIABLE_RECORD  *Record
  )
{
  return (BOOLEAN)((Record->StoreFlags & (VARIABLE_STORE_EFI | VARIABLE_STORE_NAME_VALUE)) == 0);
}

/**
  The variable a call names: without a GUID the one of the running callback; with
  one, the block store of that GUID and name, the current callback's package list
  winning over the first match.
**/
static EFI_STATUS
ChooseBrowserVariable (
  IN  CONST EFI_GUID  *VariableGuid OPTIONAL,
  IN  CONST CHAR16    *VariableName OPTIONAL,
  OUT UINTN           *Index
  )
{
  BOOLEAN  Found = FALSE;

  if (VariableGuid == NULL) {
    *Index = gCallbackContext.VariableIndex;
    return ((gCallbackContext.HiiHandle == NULL) || (GetVariableRecord (*Index) == NULL)) ? EFI_NOT_FOUND : EFI_SUCCESS;
  }

  if (VariableName == NULL) {
    return EFI_NOT_FOUND;
  }

  for (UINTN At = 0; At < GetVariableCount (); At++) {
    CONST VARIABLE_RECORD  *Record = GetVariableRecord (At);
    RECORD_NAME            Name;

    if ((Record == NULL) || !IsBrowserStore (Record) || !CompareGuid (&Record->VendorGuid, VariableGuid)) {
      continue;
    }

    GetRecordName (Record, &Name);
    if (StrCmp (Name.Text, VariableName) != 0) {
      continue;
    }

    if (!Found || ((Record->HiiHandle != NULL) && (Record->HiiHandle == gCallbackContext.HiiHandle))) {
      *Index = At;
      Found  = TRUE;
    }
  }

  return Found ? EFI_SUCCESS : EFI_NOT_FOUND;
}

/** "GUID=..&NAME=..&PATH=.." of the variable, into Header; FALSE when it cannot be built. */
static EFI_STATUS
BuildVariableHeader (
  IN  CONST VARIABLE_RECORD  *Record,
  OUT CONFIG_TEXT            *Header
  )
{
  EFI_DEVICE_PATH_PROTOCOL  *Path = NULL;
  RECORD_NAME               Name;
  EFI_STATUS                Status;

  ZeroMem (Header, sizeof (*Header));
  Status = GetVariableDevicePath (Record, &Path);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  GetRecordName (Record, &Name);
  if (!ConfigTextAppendHeader (Header, &Record->VendorGuid, Name.Text, Path)) {
    ConfigTextFree (Header);
    return EFI_INVALID_PARAMETER;
  }

  if (Header->Failed) {
    ConfigTextFree (Header);
    return EFI_OUT_OF_RESOURCES;
  }

  return EFI_SUCCESS;
}

/**
  Whether configuration routing can carry the store's bytes as one block: a name/value
  store has no block (EFI_UNSUPPORTED), and nothing is routed before the routing
  protocol is found (EFI_NOT_READY).
**/
static EFI_STATUS
RoutesBlocks (
  IN CONST VARIABLE_RECORD  *Record
  )
{
  if ((Record->StoreFlags & VARIABLE_STORE_NAME_VALUE) != 0) {
    return EFI_UNSUPPORTED;
  }

  return (gHiiConfigRouting == NULL) ? EFI_NOT_READY : EFI_SUCCESS;
}

EFI_STATUS
BuildConfigRespBlock (
  IN  CONST VARIABLE_RECORD  *Record,
  IN  CONST UINT8            *CachedData,
  IN  CONST CHAR16           *Header,
  OUT CHAR16                 **Results
  )
{
  CHAR16      *Request;
  UINTN       Size;
  EFI_STRING  Progress = NULL;
  EFI_STATUS  Status;

  *Results = NULL;
  Status   = RoutesBlocks (Record);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  Size    = StrSize (Header);
  Request = (CHAR16 *)AllocateCopyPool (Size, Header);
  if ((Request == NULL) || EFI_ERROR (AppendOffsetWidth (&Request, &Size, 0, Record->Size))) {
    FreePool (Request);
    return EFI_OUT_OF_RESOURCES;
  }

  Status = gHiiConfigRouting->BlockToConfig (gHiiConfigRouting, Request, CachedData, Record->Size, Results, &Progress);
  FreePool (Request);
  return Status;
}

/** The block text after the header and its "&", into the caller's buffer when it fits. */
static EFI_STATUS
RetrieveBrowserData (
  IN     CONST VARIABLE_RECORD  *Record,
  IN     CONST UINT8            *Copy,
  IN     CONST CONFIG_TEXT      *Header,
  IN OUT UINTN                  *ResultsDataSize,
  OUT    EFI_STRING             ResultsData
  )
{
  CHAR16      *Results = NULL;
  UINTN       Needed;
  EFI_STATUS  Status;

  Status = BuildConfigRespBlock (Record, Copy, Header->Text, &Results);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  // Routing answers with the request's header first; a shorter answer carries no block.
  if ((StrLen (Results) <= Header->Length) || (Results[Header->Length] != u'&')) {
    FreePool (Results);
    return EFI_NOT_FOUND;
  }

  Needed = StrSize (Results + Header->Length + 1);
  Status = EFI_BUFFER_TOO_SMALL;
  if (*ResultsDataSize >= Needed) {
    CopyMem (ResultsData, Results + Header->Length + 1, Needed);
    Status = EFI_SUCCESS;
  }

  *ResultsDataSize = Needed;
  FreePool (Results);
  return Status;
}

/**
  The driver's configuration, after the header, applied to the copy. Each block
  lands at its own offset, so a driver may send one field as well as the whole
  variable; a block past the variable's end is refused and nothing is written.
**/
static EFI_STATUS
SendBrowserData (
  IN     UINTN                  Index,
  IN     CONST VARIABLE_RECORD  *Record,
  IN OUT UINT8                  *Copy,
  IN     CONFIG_TEXT            *Header,
  IN     CONST CHAR16           *ResultsData
  )
{
  UINTN       Size     = Record->Size;
  EFI_STRING  Progress = NULL;
  EFI_STATUS  Status;

  Status = RoutesBlocks (Record);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  ConfigTextAppend (Header, u"&");
  ConfigTextAppend (Header, ResultsData);
  if (Header->Failed) {
    return EFI_OUT_OF_RESOURCES;
  }

  Status = gHiiConfigRouting->ConfigToBlock (gHiiConfigRouting, Header->Text, Copy, &Size, &Progress);
  if (Status == EFI_DEVICE_ERROR) {
    return EFI_INVALID_PARAMETER;     // a block past the variable's end
  }

  return EFI_ERROR (Status) ? Status : WriteWholeVariable (Index, Record->Size, Copy);
}

EFI_STATUS EFIAPI
BrowserCallback (
  IN     CONST EFI_FORM_BROWSER2_PROTOCOL  *This,
  IN OUT UINTN                             *ResultsDataSize,
  IN OUT EFI_STRING                        ResultsData,
  IN     BOOLEAN                           RetrieveData,
  IN     CONST EFI_GUID                    *VariableGuid,
  IN     CONST CHAR16                      *VariableName
  )
{
  CONST VARIABLE_RECORD  *Record;
  CONFIG_TEXT            Header;
  UINTN                  Index = 0;
  UINTN                  Size  = 0;
  UINT8                  *Copy;
  EFI_STATUS             Status;

  (VOID)This;
  if ((gInBrowserCallback == 0) && (gLoadingDefaults == 0)) {
    return EFI_UNSUPPORTED;
  }

  if ((ResultsDataSize == NULL) || ((*ResultsDataSize != 0) && (ResultsData == NULL))) {
    return EFI_INVALID_PARAMETER;
  }

  Status = ChooseBrowserVariable (VariableGuid, VariableName, &Index);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  Record = GetVariableRecord (Index);
  if ((Record->StoreFlags & VARIABLE_STORE_EFI) != 0) {
    return EFI_INVALID_PARAMETER;
  }

  Copy = (UINT8 *)GetCachedVariable (Index, &Size);
  if ((Copy == NULL) || (Size < Record->Size)) {
    FreePool (Copy);
    return (Copy == NULL) ? EFI_NOT_FOUND : EFI_INVALID_PARAMETER;
  }

  Status = BuildVariableHeader (Record, &Header);
  if (!EFI_ERROR (Status)) {
    Status = RetrieveData ? RetrieveBrowserData (Record, Copy, &Header, ResultsDataSize, ResultsData)
             : SendBrowserData (Index, Record, Copy, &Header, ResultsData);
    gDriverChangedValue = (BOOLEAN)(gDriverChangedValue || (!RetrieveData && !EFI_ERROR (Status)));
    if (!RetrieveData && !EFI_ERROR (Status)) {
      MarkVariableEdited (Index);     // the driver's change is submitted as the user's would be
    }

    ConfigTextFree (&Header);
  }

  FreePool (Copy);
  return Status;
}

//
// Action requests.
//

// The box a refused submit shows: a yes/no question, Yes (button 0) drops the values.
#define SUBMIT_FAIL_YES_NO    3
#define SUBMIT_FAIL_YES       0
#define SUBMIT_FAIL_NO        1

// The front end acts on the requests that concern its screens; without one nothing does.
static VOID
CallFrontEnd (
  IN VOID  (*Service)(VOID)
  )
{
  if (Service != NULL) {
    Service ();
  }
}

static BOOLEAN
GoToParent (
  VOID
  )
{
  return (gFormExitAsked != NULL) && gFormExitAsked ();
}

// The title of the form itself: a form set's first page shows the form set's title instead.
static UINT16
FormTitleOf (
  IN EFI_HII_HANDLE  HiiHandle,
  IN UINT16          FormId
  )
{
  UINT64             Size    = 0;
  UINT8              *Package = GetFormSetPackage (HiiHandle, &Size);
  UINTN              Length;
  UINTN              Offset;
  EFI_IFR_OP_HEADER  *Op;
  EFI_IFR_FORM       Form;
  UINT16             Title = 0;

  if (Package == NULL) {
    return 0;
  }

  Length = ((EFI_HII_PACKAGE_HEADER *)Package)->Length;
  for (Offset = sizeof (EFI_HII_PACKAGE_HEADER); Offset + sizeof (EFI_IFR_OP_HEADER) <= Length; Offset += Op->Length) {
    Op = (EFI_IFR_OP_HEADER *)(Package + Offset);
    if ((Op->Length == 0) || (Offset + Op->Length > Length)) {
      break;
    }

    if ((Op->OpCode == EFI_IFR_FORM_OP) && (Op->Length >= sizeof (Form))) {
      CopyMem (&Form, Op, sizeof (Form));
      if (Form.FormId == FormId) {
        Title = Form.FormTitle;
        break;
      }
    }
  }

  FreePool (Package);
  return Title;
}

BOOLEAN
AskDiscardAfterFailedSubmit (
  IN UINT32  Page
  )
{
  PAGE_RECORD  *Record    = NULL;
  CHAR16       *Form      = NULL;
  CHAR16       *Title     = HiiGetString (ENGINE_OWN_HII_HANDLE, STR_SUBMIT_FAILED, NULL);
  CHAR16       *Format    = HiiGetString (ENGINE_OWN_HII_HANDLE, STR_SUBMIT_FAILED_TEXT, NULL);
  CHAR16       *Message   = NULL;
  UINTN        Size;
  UINT8        Selection  = SUBMIT_FAIL_NO;
  UINT16       TitleId;

  if ((gBootScreenInterface.ShowBootScreenMessageBox != NULL) && (Title != NULL) && (Format != NULL)) {
    if (!EFI_ERROR (GetPageData (Page, &Record)) && (Record->HiiHandle != NULL)) {
      TitleId = FormTitleOf (Record->HiiHandle, Record->FormId);
      TitleId = (TitleId != 0) ? TitleId : Record->TitleStringId;
      Form    = (TitleId != 0) ? HiiGetString (Record->HiiHandle, TitleId, NULL) : NULL;
    }

    Size    = (StrLen (Format) + ((Form != NULL) ? StrLen (Form) : 0) + 1) * sizeof (CHAR16);
    Message = (CHAR16 *)AllocateZeroPool (Size);
    if (Message != NULL) {
      UnicodeSPrint (Message, Size, Format, (Form != NULL) ? Form : u"");
      if (EFI_ERROR (gBootScreenInterface.ShowBootScreenMessageBox (Title, Message, SUBMIT_FAIL_YES_NO, &Selection))) {
        Selection = SUBMIT_FAIL_NO;
      }
    }
  }

  FreePool (Message);
  FreePool (Form);
  FreePool (Format);
  FreePool (Title);
  return (BOOLEAN)(Selection == SUBMIT_FAIL_YES);
}

EFI_STATUS
ProcessActionRequest (
  IN UINTN  ActionRequest
  )
{
  UINT32      Page   = 0;
  BOOLEAN     Shown  = GetShownPage (&Page);
  EFI_STATUS  Status = EFI_SUCCESS;

  // SendForm reports the request that ended it; one that only stays leaves no mark.
  if (gSendFormRunning) {
    gSendFormRequest = ActionRequest;
  }

  switch (ActionRequest) {
    case EFI_BROWSER_ACTION_REQUEST_RESET:
      // SendForm hands a reset to its caller, which owns the machine's state.
      gResetRequested = (BOOLEAN)(gResetRequested || gSendFormRunning);
      CallFrontEnd (gFrontEnd.DriverAskedReset);
      break;
    case EFI_BROWSER_ACTION_REQUEST_SUBMIT:
      // Submit, then leave the browser; a save that is held back keeps setup open.
      CallFrontEnd (gFrontEnd.DriverAskedSaveAndExit);
      break;
    case EFI_BROWSER_ACTION_REQUEST_EXIT:
      CallFrontEnd (gFrontEnd.DriverAskedExit);
      break;
    case EFI_BROWSER_ACTION_REQUEST_FORM_SUBMIT_EXIT:
    case EFI_BROWSER_ACTION_REQUEST_FORM_APPLY:
      Status = Shown ? SubmitForm (Page) : EFI_SUCCESS;
      // A store that refused its values: the user hears of it and may drop them; kept,
      // they keep the user on the form, with the values shown.
      if (EFI_ERROR (Status) && Shown && AskDiscardAfterFailedSubmit (Page)) {
        gDiscardRequested = 1;
        (VOID)DiscardForm (Page);
        Status = EFI_SUCCESS;
      }

      if (!EFI_ERROR (Status) && (ActionRequest == EFI_BROWSER_ACTION_REQUEST_FORM_SUBMIT_EXIT)) {
        (VOID)GoToParent ();
      }

      break;
    case EFI_BROWSER_ACTION_REQUEST_FORM_DISCARD_EXIT:
    case EFI_BROWSER_ACTION_REQUEST_FORM_DISCARD:
      gDiscardRequested = 1;
      if (Shown) {
        // A form that cannot be discarded keeps its values shown; the driver's request is still taken.
        (VOID)DiscardForm (Page);
      }

      if (ActionRequest == EFI_BROWSER_ACTION_REQUEST_FORM_DISCARD_EXIT) {
        (VOID)GoToParent ();
      }

      break;
    default:
      break;
  }

  if (gSendFormRunning && !ApplicationLeaving ()) {
    gSendFormRequest = EFI_BROWSER_ACTION_REQUEST_NONE;
  }

  gVisitedPageCount = 0;
  return Status;
}

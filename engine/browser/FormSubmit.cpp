/** @file
  Submitting or discarding one form, as a driver asks with the form-level action
  requests: the variables the page's questions live in are written back to their
  stores, or taken back from them with the drivers' RETRIEVE callbacks run again.
  The boot, driver and legacy orders are left to the whole save, which keeps their
  option tables in step with them.
**/
#include <engine/browser/DriverCallbacks.h>
#include <engine/core/EngineGlobals.h>
#include <engine/browser/FormBrowser.h>
#include <engine/forms/FormTables.h>
#include <engine/core/SetupData.h>
#include <engine/variables/VariableCache.h>

#include <Protocol/HiiConfigAccess.h>
#include <Library/MemoryAllocationLib.h>

// More distinct variables than this on one page are not looked for (a page names a few).
#define FORM_VARIABLES_MAX  64

static BOOLEAN
IsOrderVariable (
  IN UINT32  Index
  )
{
  return (BOOLEAN)((Index == SETUP_VARIABLE_INDEX_BOOT_ORDER) || (Index == SETUP_VARIABLE_INDEX_LEGACY_DEV_ORDER) ||
                   (Index == SETUP_VARIABLE_INDEX_DRIVER_ORDER));
}

/** The distinct variables of the page's questions, in the order the questions name them. */
static UINTN
FormVariables (
  IN  UINT32  Page,
  OUT UINT32  *Indexes
  )
{
  PAGE_RECORD  *Record;
  UINTN        Count = 0;

  if (EFI_ERROR (GetPageData (Page, &Record)) || (Record->HiiHandle == NULL)) {
    return 0;
  }

  for (UINT32 N = 0; N < Record->ControlCount; N++) {
    CONTROL_RECORD  *Control;
    UINTN           Known = 0;

    if (EFI_ERROR (GetPageControl (Page, N, &Control)) || (Control->HiiHandle == NULL) ||
        (Control->QuestionOpcode == 0) || IsOrderVariable (Control->VariableIndex))
    {
      continue;
    }

    while ((Known < Count) && (Indexes[Known] != Control->VariableIndex)) {
      Known++;
    }

    if ((Known == Count) && (Count < FORM_VARIABLES_MAX)) {
      Indexes[Count++] = Control->VariableIndex;
    }
  }

  return Count;
}

EFI_STATUS
SubmitForm (
  IN UINT32  Page
  )
{
  UINT32      Indexes[FORM_VARIABLES_MAX];
  UINTN       Count  = FormVariables (Page, Indexes);
  EFI_STATUS  Result = EFI_SUCCESS;

  for (UINTN At = 0; At < Count; At++) {
    UINTN       Size = 0;
    VOID        *Data = GetCachedVariable (Indexes[At], &Size);
    EFI_STATUS  Status;

    if (Data == NULL) {
      continue;     // nothing cached, nothing changed
    }

    // What neither the user nor a driver changed is not written: a store that cannot
    // take a value it already holds would refuse a form that has nothing to submit.
    if (HasCacheBaseline () && (!VariableEdited (Indexes[At]) || !VariableDiffersFromBaseline (Indexes[At]))) {
      FreePool (Data);
      continue;
    }

    // The store's own rules apply: read-only stores are passed over there.
    Status = SetVariableByIndex (Indexes[At], Data, Size);
    Result = EFI_ERROR (Status) ? Status : Result;
    if (!EFI_ERROR (Status)) {
      AcceptBaselineEntry (Indexes[At]);
    }

    FreePool (Data);
  }

  return Result;
}

EFI_STATUS
DiscardForm (
  IN UINT32  Page
  )
{
  UINT32       Indexes[FORM_VARIABLES_MAX];
  UINTN        Count = FormVariables (Page, Indexes);
  PAGE_RECORD  *Record;

  for (UINTN At = 0; At < Count; At++) {
    RefreshVariableCache (Indexes[At]);
    AcceptBaselineEntry (Indexes[At]);
  }

  if (EFI_ERROR (GetPageData (Page, &Record))) {
    return EFI_SUCCESS;
  }

  // The drivers see their questions' stored values again.
  for (UINT32 N = 0; N < Record->ControlCount; N++) {
    CONTROL_RECORD  *Control;

    if (!EFI_ERROR (GetPageControl (Page, N, &Control)) && ((Control->Flags & CONTROL_FLAG_CALLBACK) != 0)) {
      (VOID)InvokeControlCallback (Control, Control->QuestionId, 0, EFI_BROWSER_ACTION_RETRIEVE);     // one driver's failure stops no other
    }
  }

  return EFI_SUCCESS;
}

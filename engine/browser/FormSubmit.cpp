/** @file
  Submitting or discarding one form, as a driver asks with the form-level action
  requests, or a whole form set, as the user answers on leaving it changed: the
  variables the questions live in are written back to their stores, or taken back from
  them with the drivers' RETRIEVE callbacks run again.
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

// The pages Page's form set shows: Page alone, or with FormSet every page of its form set.
static BOOLEAN
InScope (
  IN CONST PAGE_RECORD  *Shown,
  IN CONST PAGE_RECORD  *Other,
  IN BOOLEAN            FormSet
  )
{
  if (!FormSet) {
    return (BOOLEAN)(Shown == Other);
  }

  return (BOOLEAN)((Other->HiiHandle == Shown->HiiHandle) && (Other->FormSetIndex == Shown->FormSetIndex));
}

/** The distinct variables of the questions of Page, or of its whole form set, in the order the questions name them. */
static UINTN
ScopeVariables (
  IN  UINT32   Page,
  IN  BOOLEAN  FormSet,
  OUT UINT32   *Indexes
  )
{
  PAGE_RECORD  *Shown;
  UINTN        Count = 0;

  if (EFI_ERROR (GetPageData (Page, &Shown)) || (Shown->HiiHandle == NULL)) {
    return 0;
  }

  for (UINT32 Other = FormSet ? 0 : Page; Other < (FormSet ? GetPageCount () : Page + 1); Other++) {
    PAGE_RECORD  *Record;

    if (EFI_ERROR (GetPageData (Other, &Record)) || !InScope (Shown, Record, FormSet)) {
      continue;
    }

    for (UINT32 N = 0; N < Record->ControlCount; N++) {
      CONTROL_RECORD  *Control;
      UINTN           Known = 0;

      if (EFI_ERROR (GetPageControl (Other, N, &Control)) || (Control->HiiHandle == NULL) ||
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
  }

  return Count;
}

// What neither the user nor a driver changed is no change: a driver's store may answer
// differently at each read.
static BOOLEAN
VariableChanged (
  IN UINT32  Index
  )
{
  return (BOOLEAN)(!HasCacheBaseline () || (VariableEdited (Index) && VariableDiffersFromBaseline (Index)));
}

static EFI_STATUS
SubmitScope (
  IN UINT32   Page,
  IN BOOLEAN  FormSet
  )
{
  UINT32      Indexes[FORM_VARIABLES_MAX];
  UINTN       Count  = ScopeVariables (Page, FormSet, Indexes);
  EFI_STATUS  Result = EFI_SUCCESS;

  for (UINTN At = 0; At < Count; At++) {
    UINTN       Size = 0;
    VOID        *Data;
    EFI_STATUS  Status;

    // A store that cannot take a value it already holds would refuse a form that has
    // nothing to submit.
    if (!VariableChanged (Indexes[At])) {
      continue;
    }

    Data = GetCachedVariable (Indexes[At], &Size);
    if (Data == NULL) {
      continue;     // nothing cached, nothing changed
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

static EFI_STATUS
DiscardScope (
  IN UINT32   Page,
  IN BOOLEAN  FormSet
  )
{
  UINT32       Indexes[FORM_VARIABLES_MAX];
  UINTN        Count = ScopeVariables (Page, FormSet, Indexes);
  PAGE_RECORD  *Shown;

  for (UINTN At = 0; At < Count; At++) {
    RefreshVariableCache (Indexes[At]);
    AcceptBaselineEntry (Indexes[At]);
  }

  if (EFI_ERROR (GetPageData (Page, &Shown))) {
    return EFI_SUCCESS;
  }

  // The drivers see their questions' stored values again.
  for (UINT32 Other = FormSet ? 0 : Page; Other < (FormSet ? GetPageCount () : Page + 1); Other++) {
    PAGE_RECORD  *Record;

    if (EFI_ERROR (GetPageData (Other, &Record)) || !InScope (Shown, Record, FormSet)) {
      continue;
    }

    for (UINT32 N = 0; N < Record->ControlCount; N++) {
      CONTROL_RECORD  *Control;

      if (!EFI_ERROR (GetPageControl (Other, N, &Control)) && ((Control->Flags & CONTROL_FLAG_CALLBACK) != 0)) {
        (VOID)InvokeControlCallback (Control, Control->QuestionId, 0, EFI_BROWSER_ACTION_RETRIEVE);     // one driver's failure stops no other
      }
    }
  }

  return EFI_SUCCESS;
}

EFI_STATUS
SubmitForm (
  IN UINT32  Page
  )
{
  return SubmitScope (Page, FALSE);
}

EFI_STATUS
DiscardForm (
  IN UINT32  Page
  )
{
  return DiscardScope (Page, FALSE);
}

EFI_STATUS
SubmitFormSet (
  IN UINT32  Page
  )
{
  return SubmitScope (Page, TRUE);
}

EFI_STATUS
DiscardFormSet (
  IN UINT32  Page
  )
{
  return DiscardScope (Page, TRUE);
}

BOOLEAN
FormSetChanged (
  IN UINT32  Page
  )
{
  UINT32  Indexes[FORM_VARIABLES_MAX];
  UINTN   Count = ScopeVariables (Page, TRUE, Indexes);

  for (UINTN At = 0; At < Count; At++) {
    if (HasCacheBaseline () && VariableChanged (Indexes[At])) {
      return TRUE;
    }
  }

  return FALSE;
}

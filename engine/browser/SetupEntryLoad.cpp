/** @file
  What setup needs loaded when the boot flow enters it: the pages of the form sets
  the HII database holds now, the defaults their questions and the board give, and
  the settings read again from their stores, so that setup shows what is stored and
  not what an earlier visit left in the cache.
**/
#include <engine/browser/DynamicPages.h>
#include <engine/browser/DriverCallbacks.h>
#include <engine/core/SetupData.h>
#include <engine/core/SetupDataFormat.h>
#include <engine/forms/IfrExpression.h>
#include <engine/forms/QuestionDefaults.h>
#include <engine/variables/VariableCache.h>

#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Protocol/HiiConfigAccess.h>

static BOOLEAN  mSetupEntryLoaded = FALSE;

/** The engine's settings record made whole (81 bytes) where it is shorter, in NVRAM and in both default caches. */
static VOID
CompleteSettingsRecordAtEntry (
  VOID
  )
{
  UINTN  Size  = 0;
  UINT8  *Data = (UINT8 *)GetCachedVariable (SETUP_VARIABLE_INDEX_PASSWORD, &Size);
  UINT8  Record[SETUP_PASSWORD_RECORD_SIZE];

  if ((Data != NULL) && (Size >= SETUP_PASSWORD_RECORD_SIZE)) {
    FreePool (Data);
    return;
  }

  ZeroMem (Record, sizeof (Record));
  if (Data != NULL) {
    CopyMem (Record, Data, Size);
    FreePool (Data);
  }

  // A store that refuses keeps the short record; setup reads the missing bytes as zeros.
  if (EFI_ERROR (SetVariableByIndex (SETUP_VARIABLE_INDEX_PASSWORD, Record, sizeof (Record)))) {
    return;
  }

  if ((gVariableCacheStdDefaults != NULL) && (SETUP_VARIABLE_INDEX_PASSWORD < GetVariableCount ())) {
    RefreshCacheEntry (&gVariableCacheStdDefaults[SETUP_VARIABLE_INDEX_PASSWORD], SETUP_VARIABLE_INDEX_PASSWORD);
  }

  if ((gVariableCacheMfgDefaults != NULL) && (SETUP_VARIABLE_INDEX_PASSWORD < GetVariableCount ())) {
    RefreshCacheEntry (&gVariableCacheMfgDefaults[SETUP_VARIABLE_INDEX_PASSWORD], SETUP_VARIABLE_INDEX_PASSWORD);
  }
}

static EFI_STATUS
LoadSetupEntry (
  VOID
  )
{
  EFI_STATUS  Status;

  Status = BuildDynamicPages ();
  if (EFI_ERROR (Status)) {
    return Status;
  }

  RunCallbacksForAction (EFI_BROWSER_ACTION_FORM_OPEN);
  Status = LoadDefaultOrders ();
  if (EFI_ERROR (Status)) {
    return Status;
  }

  Status = LoadVariableCache (&gVariableCache, gVariableCacheStdDefaults);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  RunCallbacksForAction (EFI_BROWSER_ACTION_RETRIEVE);
  CompleteSettingsRecordAtEntry ();
  FreeVariableSnapshotCopies ();
  return EFI_SUCCESS;
}

EFI_STATUS
LoadSetupDefaultsAndVariables (
  VOID
  )
{
  EFI_STATUS  Status;

  // The pages' conditions, the variable tables, the default caches and the drivers'
  // callbacks all read the same stores and evaluate thousands of expressions: each store
  // is asked once and the evaluation stacks are kept, as at setup entry itself.
  IfrKeepEvaluationStacks ();
  BeginStoreReadPass ();
  mSetupEntryLoaded = FALSE;
  Status            = LoadSetupEntry ();
  mSetupEntryLoaded = !EFI_ERROR (Status);
  EndStoreReadPass ();
  IfrReleaseEvaluationStacks ();
  return Status;
}

BOOLEAN
TakeSetupEntryLoad (
  VOID
  )
{
  BOOLEAN  Loaded = mSetupEntryLoaded;

  mSetupEntryLoaded = FALSE;
  return Loaded;
}

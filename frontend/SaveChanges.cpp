/** @file
  Saving setup's settings: the plan of every write (the settings from SavePlan.cpp,
  the boot manager's variables from engine/boot/SaveWrites.h) is run phase by phase;
  a write the store refuses undoes the others, so NVRAM holds the settings as they
  were, whole, and the user is told which of the two happened.
  After a save, the cache and the load options' records describe what NVRAM holds.
**/
#include <engine/textui/SetupActions.h>
#include <engine/textui/TuiApp.h>
#include <engine/boot/BootOptions.h>
#include <engine/boot/LegacyDevOrder.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/EngineStrings.h>
#include <engine/core/SetupDataFormat.h>
#include <engine/textui/MessageBox.h>
#include <frontend/SavePlan.h>
#include <frontend/SetupSave.h>
#include <engine/core/HookTable.h>
#include <engine/core/SetupData.h>
#include <engine/forms/QuestionConditions.h>
#include <engine/variables/VariableCache.h>
#include <Resources/EngineStringIds.h>

#include <Guid/GlobalVariable.h>
#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/UefiLib.h>

static CONST EFI_GUID  mSaveBeginsGuid   = SAVE_CHANGES_NOTIFY_GUID;
static CONST EFI_GUID  mSaveDoneGuid     = SETTINGS_SAVED_EVENT_GUID;
static CONST EFI_GUID  mOrderChangedGuid = LEGACY_ORDER_CHANGED_EVENT_GUID;

static CONST MSGBOX_DEF  mSaveFailed = { 0, STR_ERROR, 0, ENGINE_OWN_HII_HANDLE, STR_SAVE_FAILED, 0 };
static CONST MSGBOX_DEF  mSaveUndoneAtStart = { 0, STR_ERROR, 0, ENGINE_OWN_HII_HANDLE, STR_SAVE_UNDONE_AT_START, 0 };
static CONST MSGBOX_DEF  mSavePartly = { 0, STR_ERROR, 0, ENGINE_OWN_HII_HANDLE, STR_SAVE_PARTLY, 0 };

UINT8  gSaveAskedForReset = 0;

// The save being planned: the legacy order's writes join it.
static SAVE_PLAN  *mPlanning = NULL;
// What the last save that failed left: the old settings, the old settings at the next start, or a mix.
static CONST MSGBOX_DEF  *mFailedSaveMessage = &mSaveFailed;

/** A write of the plan, or (Undo) the old value it replaced put back. */
static EFI_STATUS
WriteVariable (
  IN PENDING_WRITE  *Write,
  IN BOOLEAN        Undo
  )
{
  EFI_STATUS       Status;
  VARIABLE_RECORD  *Record;

  if (Write->Index != NOT_LISTED) {
    if (!Undo) {
      return SetVariableByIndex (Write->Index, Write->Data, Write->Size);
    }

    if (Write->OldExists) {
      return SetVariableByIndex (Write->Index, Write->OldData, Write->OldSize);
    }

    // Nothing was stored: a UEFI variable goes again; a driver's store that gave nothing cannot be given it back.
    Record = GetVariableRecord (Write->Index);
    if ((Record == NULL) || !IsDirectEfiVariable (Write->Index, Record)) {
      return EFI_UNSUPPORTED;
    }

    Status = SetVariableByIndex (Write->Index, Write->Data, 0);
  } else if (!Undo) {
    Status = gRT->SetVariable (Write->Name, &Write->Guid, Write->Attributes, Write->Size, Write->Data);
    if (Write->Size != 0) {
      return Status;
    }
  } else if (Write->OldExists) {
    return gRT->SetVariable (Write->Name, &Write->Guid, Write->OldAttributes, Write->OldSize, Write->OldData);
  } else {
    Status = gRT->SetVariable (Write->Name, &Write->Guid, 0, 0, NULL);
  }

  // A deletion of what is not there has done its work.
  return (Status == EFI_NOT_FOUND) ? EFI_SUCCESS : Status;
}

/** The user's value back in the cache, which an undone write refreshed with the stored one. */
static VOID
KeepUsersValue (
  IN OUT PENDING_WRITE  *Write
  )
{
  if ((Write->Index == NOT_LISTED) || (gVariableCache == NULL) || (Write->Index >= GetVariableCount ())) {
    return;
  }

  FreePool (gVariableCache[Write->Index].Data);
  gVariableCache[Write->Index].Data = Write->Data;
  gVariableCache[Write->Index].Size = Write->Size;
  Write->Data                       = NULL;
}

EFI_STATUS
RunPlan (
  IN OUT SAVE_PLAN  *Plan,
  OUT    BOOLEAN    *PutBack
  )
{
  EFI_STATUS  Result    = EFI_SUCCESS;
  BOOLEAN     Signalled = FALSE;

  *PutBack = TRUE;
  // A single write is whole or not done by itself; several need the undo record first.
  if (Plan->Count > 1) {
    Result = WriteSaveUndoRecord (Plan, &Plan->UndoCoversAll);
    if (Result == EFI_BAD_BUFFER_SIZE) {
      Result = EFI_SUCCESS;     // too large for the store: the save goes on, undone only in this boot
    } else if (EFI_ERROR (Result)) {
      return Result;            // nothing written yet
    } else {
      Plan->UndoStored = TRUE;
    }
  }

  for (UINT8 Phase = 0; (Phase < SAVE_PHASE_COUNT) && !EFI_ERROR (Result); Phase++) {
    for (UINTN At = 0; (At < Plan->Count) && !EFI_ERROR (Result); At++) {
      PENDING_WRITE  *Write = &Plan->Writes[At];

      if (Write->Phase != Phase) {
        continue;
      }

      if (Write->SignalBefore && !Signalled) {
        Signalled = TRUE;
        (VOID)SignalProtocolNotify (&mOrderChangedGuid);    // listeners are the board's
      }

      Result         = WriteVariable (Write, FALSE);
      Write->Written = (BOOLEAN)!EFI_ERROR (Result);
    }
  }

  // A record left behind would take a whole save back at the next start.
  if (!EFI_ERROR (Result) && Plan->UndoStored) {
    Result = DeleteSaveUndoRecord ();
    Plan->UndoStored = EFI_ERROR (Result);
  }

  if (!EFI_ERROR (Result)) {
    return EFI_SUCCESS;
  }

  // The settings are one whole: what was written goes back, last first.
  for (UINT8 Phase = SAVE_PHASE_COUNT; Phase-- > 0;) {
    for (UINTN At = Plan->Count; At-- > 0;) {
      PENDING_WRITE  *Write = &Plan->Writes[At];

      if ((Write->Phase != Phase) || !Write->Written) {
        continue;
      }

      if (EFI_ERROR (WriteVariable (Write, TRUE))) {
        *PutBack = FALSE;
      } else {
        Write->Written = FALSE;
      }

      KeepUsersValue (Write);
    }
  }

  // With everything put back the record has nothing left to do; one that stays would only write the same values.
  if (*PutBack && Plan->UndoStored && !EFI_ERROR (DeleteSaveUndoRecord ())) {
    Plan->UndoStored = FALSE;
  }

  return Result;
}

/** "BootOrder" as NVRAM holds it; null when it holds none. */
static UINT16 *
StoredBootOrder (
  OUT UINTN  *Count
  )
{
  UINT16  *Order = NULL;
  UINTN   Size   = 0;

  if (EFI_ERROR (GetVariableBuffer (u"BootOrder", &gEfiGlobalVariableGuid, (VOID **)&Order, &Size, NULL))) {
    Order = NULL;
    Size  = 0;
  }

  *Count = Size / sizeof (UINT16);
  return Order;
}

static EFI_STATUS
PlanStatus (
  IN CONST SAVE_PLAN  *Plan
  )
{
  if (Plan->NoMemory) {
    return EFI_OUT_OF_RESOURCES;
  }

  return Plan->Unreadable ? EFI_DEVICE_ERROR : EFI_SUCCESS;
}

/** After a save that wrote everything: the records and the cache take what NVRAM now holds. */
static VOID
TakeSavedState (
  IN CONST SAVE_PLAN  *Plan
  )
{
  static CONST UINTN  Orders[] = {
    SETUP_VARIABLE_INDEX_BOOT_ORDER, SETUP_VARIABLE_INDEX_DRIVER_ORDER, SETUP_VARIABLE_INDEX_LEGACY_DEV_ORDER
  };

  ApplySavedOptionRecords (Plan);
  ForgetDeletedOptions ();
  ApplySavedLegacyOrder (Plan);
  // The orders went by name, past the cache: it reads them back in its own form.
  for (UINTN At = 0; At < ARRAY_SIZE (Orders); At++) {
    if ((Orders[At] < GetVariableCount ()) && (gVariableCache != NULL)) {
      RefreshVariableCache (Orders[At]);
    }
  }
}

/** Builds and runs the save of every variable. */
static EFI_STATUS
SaveAllVariables (
  VOID
  )
{
  SAVE_PLAN   Plan  = {};
  UINTN       Count = GetVariableCount ();
  EFI_STATUS  Status;
  BOOLEAN     PutBack;

  mFailedSaveMessage = &mSaveFailed;
  // The boot order first: the legacy order follows the boot order the save stores.
  if (SETUP_VARIABLE_INDEX_BOOT_ORDER < Count) {
    PlanOptionOrder (&Plan, FALSE);
  }

  mPlanning = &Plan;
  for (UINTN Index = 0; (Index < Count) && !EFI_ERROR (PlanStatus (&Plan)); Index++) {
    if (Index == SETUP_VARIABLE_INDEX_BOOT_ORDER) {
      continue;
    } else if (Index == SETUP_VARIABLE_INDEX_DRIVER_ORDER) {
      PlanOptionOrder (&Plan, TRUE);
    } else if (Index == SETUP_VARIABLE_INDEX_LEGACY_DEV_ORDER) {
      if (CacheHolds (Index) && (gBootOptionCount != 0)) {
        (VOID)SaveLegacyDevOrder (&gVariableCache[Index]);     // its failure is the plan's
      }
    } else {
      PlanListedVariable (&Plan, Index);
    }
  }

  mPlanning = NULL;
  for (UINTN Driver = 0; (Driver < 2) && !EFI_ERROR (PlanStatus (&Plan)); Driver++) {
    UINTN                   Deleted  = 0;
    CONST BOOT_OPTION_INFO  *Options = GetDeletedOptions ((BOOLEAN)Driver, &Deleted);

    PlanDeletedOptions (&Plan, (BOOLEAN)Driver, Options, Deleted);
  }

  Status = PlanStatus (&Plan);
  if (EFI_ERROR (Status)) {
    FreePlan (&Plan);
    return Status;
  }

  Status = RunPlan (&Plan, &PutBack);
  if (EFI_ERROR (Status)) {
    if (!PutBack) {
      mFailedSaveMessage = (Plan.UndoStored && Plan.UndoCoversAll) ? &mSaveUndoneAtStart : &mSavePartly;
      gResetNeeded       = 1;     // the next start puts the old values back, or takes what stays written
    }

    FreePlan (&Plan);
    return Status;
  }

  TakeSavedState (&Plan);
  // Stored settings take effect at the next start.
  if (Plan.Count != 0) {
    gResetNeeded = 1;
  }

  FreePlan (&Plan);
  return EFI_SUCCESS;
}

EFI_STATUS
SaveLegacyDevOrder (
  IN VARIABLE_CACHE_ENTRY  *Entry
  )
{
  SAVE_PLAN   Plan  = {};
  UINTN       Count = 0;
  UINT16      *Order;
  EFI_STATUS  Status;
  BOOLEAN     PutBack;

  if ((Entry == NULL) || (Entry->Data == NULL) || (gBootOptionCount == 0)) {
    return EFI_INVALID_PARAMETER;
  }

  // Within a save its writes join the save's, written and put back with the others.
  if (mPlanning != NULL) {
    Order = (mPlanning->BootOrder != NULL) ? NULL : StoredBootOrder (&Count);
    PlanLegacyOrder (mPlanning, Entry, (Order != NULL) ? Order : mPlanning->BootOrder,
      (Order != NULL) ? Count : mPlanning->BootOrderCount);
    FreePool (Order);
    return PlanStatus (mPlanning);
  }

  Order = StoredBootOrder (&Count);
  PlanLegacyOrder (&Plan, Entry, Order, Count);
  FreePool (Order);
  Status = PlanStatus (&Plan);
  if (!EFI_ERROR (Status)) {
    Status = RunPlan (&Plan, &PutBack);
  }

  if (!EFI_ERROR (Status)) {
    ApplySavedLegacyOrder (&Plan);
    if ((gVariableCache != NULL) && (Entry == &gVariableCache[SETUP_VARIABLE_INDEX_LEGACY_DEV_ORDER])) {
      RefreshVariableCache (SETUP_VARIABLE_INDEX_LEGACY_DEV_ORDER);
    }
  }

  FreePlan (&Plan);
  return Status;
}

EFI_STATUS
SaveChangesNoPrompt (
  VOID
  )
{
  EFI_STATUS  Status;
  UINTN       MarkerIndex;
  UINT16      One = 1;

  if (CheckNoSubmit ()) {
    return EFI_ACCESS_DENIED;     // it has shown why
  }

  // The groups only inform board code; a signal no one receives changes nothing.
  (VOID)SignalProtocolNotify (&mSaveBeginsGuid);
  if (gResetNeeded && (FindVariableById (SETUP_RESET_MARKER_VARIABLE_ID, &MarkerIndex) != NULL)) {
    (VOID)WriteVariableBytes (MarkerIndex, 0, sizeof (One), &One);     // the save itself tells a failure
  }

  if (GetVariableCount () == 0) {
    (VOID)HookSettingsSaved ();     // a notification: the board's answer decides nothing here
    // The groups only inform board code; a signal no one receives changes nothing.
    (VOID)SignalProtocolNotify (&mSaveDoneGuid);
    return EFI_SUCCESS;
  }

  Status = SaveAllVariables ();
  if (EFI_ERROR (Status)) {
    return Status;
  }

  (VOID)TakeCacheBaseline ();     // without one, leaving asks as if something changed
  (VOID)HookSettingsSaved ();
  (VOID)SignalProtocolNotify (&mSaveDoneGuid);
  return EFI_SUCCESS;
}

UINT8
SaveChanges (
  IN CONST MSGBOX_DEF  *MessageBox OPTIONAL
  )
{
  UINT32      Page;
  EFI_STATUS  Status;

  if ((MessageBox != NULL) && (RunPopupBox (MessageBox, MSGBOX_BUTTONS_YES_NO) != 0)) {
    return 0;
  }

  if (GetTuiAppCurrentPage (&Page) && CheckPageInconsistency (Page)) {
    return 0;
  }

  Status = SaveChangesNoPrompt ();
  if (Status == EFI_ACCESS_DENIED) {
    return 0;
  }

  if (EFI_ERROR (Status)) {
    // An OK box has one answer.
    (VOID)RunPopupBox (mFailedSaveMessage, MSGBOX_BUTTONS_OK);
    return 0;
  }

  return 1;
}

BOOLEAN
SaveChangesAndReset (
  VOID
  )
{
  if (SaveChanges (&gMsgBoxSaveAndReset) == 0) {
    return FALSE;
  }

  gSaveAskedForReset = 1;
  gResetNeeded       = 1;
  return TRUE;
}

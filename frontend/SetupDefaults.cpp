/** @file
  Taking back the stored settings, loading the standard or manufacturing defaults,
  leaving setup with or without its changes, and deleting boot and driver options
  from the tables setup shows.
**/
#include <engine/textui/SetupActions.h>
#include <engine/textui/TuiApp.h>
#include <engine/textui/TuiControl.h>
#include <engine/boot/BootOptions.h>
#include <engine/boot/LegacyDevOrder.h>
#include <engine/browser/DriverCallbacks.h>
#include <engine/core/EngineGlobals.h>
#include <engine/browser/FormBrowser.h>
#include <engine/core/EngineStrings.h>
#include <engine/core/SetupDataFormat.h>
#include <engine/textui/MessageBox.h>
#include <frontend/SetupSave.h>
#include <frontend/SavePlan.h>
#include <engine/core/HookTable.h>
#include <engine/core/SetupData.h>
#include <engine/forms/FormParser.h>
#include <engine/forms/QuestionAccess.h>
#include <engine/variables/VariableCache.h>
#include <Resources/EngineStringIds.h>

#include <Protocol/HiiConfigAccess.h>
#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Guid/GlobalVariable.h>
#include <Library/PrintLib.h>
#include <Library/UefiLib.h>

#define OWN  ENGINE_OWN_HII_HANDLE


static CONST MSGBOX_DEF  mAskQuit       = { 0, STR_EXIT_WITHOUT_SAVING, 0, OWN, STR_QUIT_WITHOUT_SAVING_ASK, 0 };
static CONST MSGBOX_DEF  mBootDeleted   = { 0, STR_SUCCESS,             0, OWN, STR_BOOT_OPTION_DELETED,     0 };
static CONST MSGBOX_DEF  mDriverDeleted = { 0, STR_SUCCESS,             0, OWN, STR_DRIVER_DELETED,          0 };

static CONST EFI_GUID  mDefaultsLoadedGuid = DEFAULTS_LOADED_EVENT_GUID;
static CONST EFI_GUID  mPreviousLoadedGuid = PREVIOUS_VALUES_LOADED_EVENT_GUID;

// No current legacy group to find again.
#define NO_OPTION  0xFFFFFFFFu

static UINT32
CurrentLegacyOption (
  VOID
  )
{
  return (gCurrentLegacyGroup != NULL) ? gCurrentLegacyGroup->OptionNumber : NO_OPTION;
}

/** The legacy group of that option number made current again, and its device count told to the pages. */
static VOID
ReselectLegacyGroup (
  IN UINT32  OptionNumber
  )
{
  UINT16  Count;

  gCurrentLegacyGroup = (OptionNumber == NO_OPTION) ? NULL : FindBootOption ((UINT16)OptionNumber);
  if ((gCurrentLegacyGroup == NULL) || !IsLegacyGroup (gCurrentLegacyGroup)) {
    gCurrentLegacyGroup = NULL;
    return;
  }

  Count = gCurrentLegacyGroup->LegacyDeviceCount;
  (VOID)WriteVariableBytes (SETUP_VARIABLE_INDEX_LEGACY_GROUP_COUNT, 0, sizeof (Count), &Count);   // a cache-only count
}

EFI_STATUS
DiscardChanges (
  IN BOOLEAN  Ask
  )
{
  UINT32  Legacy;
  UINTN   Size     = 0;
  VOID    *Language;

  if (Ask && (RunPopupBox (&gMsgBoxLoadPrevious, MSGBOX_BUTTONS_YES_NO) != 0)) {
    return EFI_ABORTED;
  }

  Legacy = CurrentLegacyOption ();
  RestoreDeletedOptions ();
  // The baseline first: a variable no store gives back (never written, or a driver
  // that answers nothing) still returns to what setup started from.
  for (UINTN Index = 0; Index < GetVariableCount (); Index++) {
    (VOID)RestoreBaselineEntry (Index);
    RefreshVariableCache (Index);
  }

  // The language went to NVRAM when it changed: it goes back the same way.
  Language = GetCachedVariable (SETUP_VARIABLE_INDEX_LANGUAGE, &Size);
  if (Language != NULL) {
    UINTN  StoredSize = 0;
    VOID   *Stored    = GetVariableByIndex (SETUP_VARIABLE_INDEX_LANGUAGE, &StoredSize);
    if ((Stored == NULL) || (StoredSize != Size) || (CompareMem (Stored, Language, Size) != 0)) {
      // A language the store refuses still holds for this boot from the cache.
      (VOID)SetVariableByIndex (SETUP_VARIABLE_INDEX_LANGUAGE, Language, Size);
    }

    FreePool (Stored);
    FreePool (Language);
  }

  (VOID)HookChangesDiscarded ();     // a notification: the board's answer decides nothing here
  ReselectLegacyGroup (Legacy);
  if (!gSaveAskedForReset) {
    gResetNeeded = 0;
  }

  RunCallbacksForAction (EFI_BROWSER_ACTION_RETRIEVE);
  // Without a baseline, whether settings changed falls back to the changed flag.
  (VOID)TakeCacheBaseline ();
  MarkTuiAppRedraw ();
  // The groups only inform board code; a signal no one receives changes nothing.
  (VOID)SignalProtocolNotify (&mPreviousLoadedGuid);
  return EFI_SUCCESS;
}

// Variables whose defaults never come from a default cache: the engine's own
// language, snapshot, hard-disk security record and counters.
static BOOLEAN
KeepsItsValueOnDefaults (
  IN UINT32  Index
  )
{
  static CONST UINT32  Kept[] = { 1, 3, 6, 9, 10, 13, 15, 24, 25 };

  for (UINTN At = 0; At < ARRAY_SIZE (Kept); At++) {
    if (Kept[At] == Index) {
      return TRUE;
    }
  }

  return FALSE;
}

static VOID
CopyWholeDefault (
  IN UINT32                      Index,
  IN CONST VARIABLE_CACHE_ENTRY  *Default
  )
{
  VOID  *Copy;

  if ((gVariableCache == NULL) || (Default->Data == NULL) || (Default->Size == 0)) {
    return;
  }

  Copy = AllocateCopyPool ((UINTN)Default->Size, Default->Data);
  if (Copy != NULL) {
    FreePool (gVariableCache[Index].Data);
    gVariableCache[Index].Data = Copy;
    gVariableCache[Index].Size = Default->Size;
  }
}

// Whether a clock question's bytes name a day a calendar holds, or a time a clock shows.
static BOOLEAN
IsClockValue (
  IN UINT16       Type,
  IN CONST UINT8  *Value,
  IN UINTN        Width
  )
{
  static CONST UINT8  Days[] = { 31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
  UINT16              Year;
  UINT8               Month;
  UINT8               Day;

  if (Type == CONTROL_TYPE_TIME) {
    return (BOOLEAN)((Width >= 3) && (Value[0] < 24) && (Value[1] < 60) && (Value[2] < 60));
  }

  if (Width < 4) {
    return FALSE;
  }

  Year  = ReadUnaligned16 ((CONST UINT16 *)Value);
  Month = Value[2];
  Day   = Value[3];
  if ((Year == 0) || (Month == 0) || (Month > 12) || (Day == 0) || (Day > Days[Month - 1])) {
    return FALSE;
  }

  return (BOOLEAN)((Month != 2) || (Day < 29) || (((Year % 4) == 0) && (((Year % 100) != 0) || ((Year % 400) == 0))));
}

static VOID
LoadControlDefault (
  IN CONTROL_RECORD        *Control,
  IN VARIABLE_CACHE_ENTRY  *Defaults,
  IN UINTN                 DefaultsCount
  )
{
  CONST UINT8           *Op   = (CONST UINT8 *)(UINTN)Control->QuestionOpcode;
  UINT32                Index = Control->VariableIndex;
  VARIABLE_CACHE_ENTRY  *Default;
  UINTN                 Width;
  UINTN                 Offset;

  if ((Control->Flags & CONTROL_FLAG_CALLBACK) != 0) {
    // The driver that answers the default keeps the question.
    if (InvokeControlCallback (Control, Control->QuestionId, 0, EFI_BROWSER_ACTION_DEFAULT_STANDARD) != EFI_UNSUPPORTED) {
      return;
    }
  }

  // A question the forms and the board give no default keeps its value.
  if (((Control->Flags & CONTROL_FLAG_DEFAULT_EXPRESSION) != 0) || (Index >= DefaultsCount) || KeepsItsValueOnDefaults (Index) ||
      ((Control->Flags & ((Defaults == gVariableCacheMfgDefaults) ? CONTROL_FLAG_NO_MFG_DEFAULT : CONTROL_FLAG_NO_STANDARD_DEFAULT)) != 0))
  {
    return;
  }

  Default = &Defaults[Index];
  if ((Default->Data == NULL) || (Default->Size == 0)) {
    return;
  }

  if ((Index == SETUP_VARIABLE_INDEX_BOOT_ORDER) || (Index == SETUP_VARIABLE_INDEX_DRIVER_ORDER)) {
    CopyWholeDefault (Index, Default);
    return;
  }

  if (Index == SETUP_VARIABLE_INDEX_LEGACY_DEV_ORDER) {
    if (gVariableCache != NULL) {
      ApplyDefaultLegacyDevOrder (&gVariableCache[Index], Default);
    }

    return;
  }

  Width  = ((Control->ControlType & CONTROL_TYPE_MASK) == CONTROL_TYPE_ORDERED_LIST) ? Control->ValueWidth : GetQuestionWidth (Op);
  Offset = GetQuestionOffset (Op);
  if ((Width == 0) || (Offset == 0xFFFF) || (Offset + Width > Default->Size)) {
    return;
  }

  if ((((Control->ControlType & CONTROL_TYPE_MASK) == CONTROL_TYPE_DATE) || ((Control->ControlType & CONTROL_TYPE_MASK) == CONTROL_TYPE_TIME)) &&
      !IsClockValue (Control->ControlType & CONTROL_TYPE_MASK, (CONST UINT8 *)Default->Data + Offset, Width))
  {
    return;
  }

  // A question the cache cannot take keeps its value; the others still load.
  (VOID)AccessCacheBytes (TRUE, gVariableCache, Index, Offset, Width, (UINT8 *)Default->Data + Offset);
}

EFI_STATUS
LoadDefaults (
  IN VARIABLE_CACHE_ENTRY  *Defaults,
  IN CONST MSGBOX_DEF      *MessageBox OPTIONAL
  )
{
  UINT8   WasLoading = gLoadingDefaults;
  UINT32  Legacy;
  UINTN   Count      = GetVariableCount ();

  if ((MessageBox != NULL) && (RunPopupBox (MessageBox, MSGBOX_BUTTONS_YES_NO) != 0)) {
    return EFI_ABORTED;
  }

  if ((Defaults == NULL) || (gVariableCache == NULL)) {
    return EFI_NOT_READY;
  }

  gLoadingDefaults = 1;
  Legacy           = CurrentLegacyOption ();
  for (UINT32 Page = 0; Page < GetPageCount (); Page++) {
    PAGE_RECORD     *Record;
    CONTROL_RECORD  *Control;

    if (EFI_ERROR (GetPageData (Page, &Record)) || (Record->HiiHandle == NULL)) {
      continue;
    }

    for (UINT32 N = 0; N < Record->ControlCount; N++) {
      if (!EFI_ERROR (GetPageControl (Page, N, &Control)) && (Control->QuestionOpcode != 0)) {
        LoadControlDefault (Control, Defaults, Count);
      }
    }
  }

  // The groups only inform board code; a signal no one receives changes nothing.
  (VOID)SignalProtocolNotify (&mDefaultsLoadedGuid);
  gLoadingDefaults = WasLoading;
  ReselectLegacyGroup (Legacy);
  gResetNeeded = 1;
  (VOID)HookDefaultsLoaded ();     // a notification: the board's answer decides nothing here
  MarkTuiAppRedraw ();
  return EFI_SUCCESS;
}

UINT64
LoadDefaultsHook (
  IN CONST HOOK_ARGS  *Args
  )
{
  return (UINT64)LoadDefaults ((VARIABLE_CACHE_ENTRY *)(UINTN)Args->Arg[0], (CONST MSGBOX_DEF *)(UINTN)Args->Arg[1]);
}

BOOLEAN
ConfirmExitDiscard (
  VOID
  )
{
  if (RunPopupBox (&mAskQuit, MSGBOX_BUTTONS_YES_NO) != 0) {
    return FALSE;
  }

  if (!gSaveAskedForReset) {
    gResetNeeded = 0;
  }

  (VOID)DiscardChanges (FALSE);     // the discard shows its own outcome
  gSaveAskedForReset = 0;
  return TRUE;
}

// The engine's own bookkeeping, which no user changes: counts, the snapshot, the
// language (stored the moment it changes) and the reset marker.
static BOOLEAN
IsBookkeeping (
  IN UINTN  Index
  )
{
  static CONST UINTN  Kept[] = { 1, 3, 6, 9, 10, 11, 12, 13, 15, 18, 22, 24, 25 };

  for (UINTN At = 0; At < ARRAY_SIZE (Kept); At++) {
    if (Kept[At] == Index) {
      return TRUE;
    }
  }

  return FALSE;
}

BOOLEAN
SettingsChanged (
  VOID
  )
{
  if (!HasCacheBaseline ()) {
    return (BOOLEAN)(gSetupVariableChanged != 0);
  }

  for (UINTN Index = 0; Index < GetVariableCount (); Index++) {
    VARIABLE_RECORD  *Record = GetVariableRecord (Index);
    if ((Record == NULL) || IsBookkeeping (Index) ||
        ((Record->StoreFlags & (VARIABLE_STORE_NO_WRITE | VARIABLE_STORE_CACHE_ONLY)) != 0))
    {
      continue;
    }

    // A driver's store may answer differently at each read: under SendForm only what
    // the user changed counts.
    if (VariableDiffersFromBaseline (Index) && (!gSendFormRunning || VariableEdited (Index))) {
      return TRUE;
    }
  }

  return FALSE;
}

BOOLEAN
ConfirmLeaveSetup (
  VOID
  )
{
  // Under SendForm too: changes the forms' drivers never got are not dropped unasked.
  if (!SettingsChanged ()) {
    return TRUE;
  }

  // Yes saves (a refused save keeps setup open); No asks before anything is dropped.
  switch (RunPopupBox (&gMsgBoxSaveAndExit, MSGBOX_BUTTONS_YES_NO)) {
    case 0:
      return (BOOLEAN)(SaveChanges (NULL) != 0);
    case MSGBOX_NO_ANSWER:
      return FALSE;
    default:
      return ConfirmExitDiscard ();
  }
}

// Options deleted since the last save, per table, whole.
static BOOT_OPTION_INFO  *mDeleted[2]      = { NULL, NULL };
static UINTN             mDeletedCount[2] = { 0, 0 };

static BOOLEAN
KeepDeleted (
  IN BOOLEAN                 Driver,
  IN CONST BOOT_OPTION_INFO  *Record
  )
{
  UINTN             Count = mDeletedCount[Driver];
  BOOT_OPTION_INFO  *Grown = (BOOT_OPTION_INFO *)ReallocatePool (Count * sizeof (*Record), (Count + 1) * sizeof (*Record),
                                                   mDeleted[Driver]);

  if (Grown == NULL) {
    return FALSE;
  }

  CopyMem (&Grown[Count], Record, sizeof (*Record));
  mDeleted[Driver]      = Grown;
  mDeletedCount[Driver] = Count + 1;
  return TRUE;
}

CONST BOOT_OPTION_INFO *
GetDeletedOptions (
  IN  BOOLEAN  Driver,
  OUT UINTN    *Count
  )
{
  *Count = mDeletedCount[Driver ? 1 : 0];
  return mDeleted[Driver ? 1 : 0];
}

VOID
ForgetDeletedOptions (
  VOID
  )
{
  for (UINTN Driver = 0; Driver < 2; Driver++) {
    for (UINTN At = 0; At < mDeletedCount[Driver]; At++) {
      BOOT_OPTION_INFO  *Record = &mDeleted[Driver][At];

      FreePool (Record->Description);
      FreePool (Record->DevicePath);
      FreePool (Record->OptionalData);
      FreePool (Record->LegacyDevices);
    }

    mDeletedCount[Driver] = 0;
    FreeAndNull (mDeleted[Driver]);
  }
}

VOID
RestoreDeletedOptions (
  VOID
  )
{
  for (UINTN Driver = 0; Driver < 2; Driver++) {
    BOOT_OPTION_INFO  *Table = Driver ? gDriverOptionTable : gBootOptionTable;
    UINTN             *Count = Driver ? &gDriverOptionCount : &gBootOptionCount;

    // The table held them before: its room is still there.
    for (UINTN At = 0; (Table != NULL) && (At < mDeletedCount[Driver]); At++) {
      Table[(*Count)++] = mDeleted[Driver][At];
    }

    mDeletedCount[Driver] = 0;
    FreeAndNull (mDeleted[Driver]);
  }
}

//
// Deleting an option: the table loses its record, the cached order its number
// (hidden options staying behind the visible ones), and the counts the pages show
// follow. A number the table does not hold, and a legacy group, change nothing.
//
static VOID
DeleteOption (
  IN BOOLEAN  Driver,
  IN UINT16   OptionNumber
  )
{
  BOOT_OPTION_INFO  *Table  = Driver ? gDriverOptionTable : gBootOptionTable;
  UINTN             *Count  = Driver ? &gDriverOptionCount : &gBootOptionCount;
  UINTN             Index   = Driver ? SETUP_VARIABLE_INDEX_DRIVER_ORDER : SETUP_VARIABLE_INDEX_BOOT_ORDER;
  BOOT_OPTION_INFO  *Record = Driver ? FindDriverOption (OptionNumber) : FindBootOption (OptionNumber);
  UINTN             Size    = 0;
  UINT16            *Order;
  UINTN             Kept    = 0;
  UINTN             At;
  UINT16            Options;
  UINT16            Rows    = 0;

  if ((Record == NULL) || (!Driver && IsLegacyGroup (Record)) || (gVariableCache == NULL)) {
    return;
  }

  Order = (UINT16 *)GetCachedVariable (Index, &Size);
  for (UINTN Entry = 0; (Order != NULL) && (Entry < Size / sizeof (UINT16)); Entry++) {
    if (ReadUnaligned16 (&Order[Entry]) != OptionNumber) {
      WriteUnaligned16 (&Order[Kept++], ReadUnaligned16 (&Order[Entry]));
    }
  }

  // The record is kept whole until a save removes its variable or a discard puts it back.
  if (!KeepDeleted (Driver, Record)) {
    FreePool (Order);
    return;
  }

  At = (UINTN)(Record - Table);
  CopyMem (&Table[At], &Table[At + 1], (*Count - At - 1) * sizeof (BOOT_OPTION_INFO));
  (*Count)--;
  if (gCurrentLegacyGroup == Record) {
    gCurrentLegacyGroup = NULL;
  }

  if (Order != NULL) {
    MoveHiddenOptionsLast (Driver, Order, Kept);
    if (Kept == 0) {
      FreePool (gVariableCache[Index].Data);
      gVariableCache[Index].Data = NULL;
      gVariableCache[Index].Size = 0;
      FreePool (Order);
    } else {
      FreePool (gVariableCache[Index].Data);
      gVariableCache[Index].Data = Order;
      gVariableCache[Index].Size = Kept * sizeof (UINT16);
    }
  }

  Options = (UINT16)*Count;
  if (Driver) {
    if (EFI_ERROR (WriteVariableBytes (SETUP_VARIABLE_INDEX_DRIVER_OPTION_COUNT, 0, sizeof (Options), &Options))) {
      return;
    }
  } else {
    for (UINTN Option = 0; Option < gBootOptionCount; Option++) {
      Rows = (UINT16)(Rows + (IsLegacyGroup (&gBootOptionTable[Option]) ? gBootOptionTable[Option].LegacyDeviceCount : 1));
    }

    if (EFI_ERROR (WriteVariableBytes (SETUP_VARIABLE_INDEX_BOOT_OPTION_COUNT, 0, sizeof (Options), &Options)) ||
        EFI_ERROR (WriteVariableBytes (SETUP_VARIABLE_INDEX_BOOT_ROW_COUNT, 0, sizeof (Rows), &Rows)))
    {
      return;
    }
  }

  MarkTuiAppRedraw ();
  (VOID)RunPopupBox (Driver ? &mDriverDeleted : &mBootDeleted, MSGBOX_BUTTONS_OK);     // an OK box has one answer
}

VOID
DeleteBootOption (
  IN UINT16  OptionNumber
  )
{
  DeleteOption (FALSE, OptionNumber);
}

VOID
DeleteDriverOption (
  IN UINT16  OptionNumber
  )
{
  DeleteOption (TRUE, OptionNumber);
}

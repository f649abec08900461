/** @file
  Saving setup's settings: every variable whose cached value is not what its store
  holds goes back through the road its store needs (a UEFI variable, or the owning
  driver through HII configuration routing), the boot and driver orders together
  with the active bits of their load options, and the legacy device order with the
  devices it leaves out.

  A save is built whole before anything is written: every buffer is made first, so
  a want of memory stops it with NVRAM untouched. A store or driver that refuses is
  reported; the variables written before it keep their new values, each one whole.
**/
#include <engine/textui/SetupActions.h>
#include <engine/textui/TuiApp.h>
#include <engine/boot/BootOptions.h>
#include <engine/boot/LegacyDevOrder.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/EngineStrings.h>
#include <engine/core/SetupDataFormat.h>
#include <engine/textui/MessageBox.h>
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
#include <Library/DevicePathLib.h>
#include <Library/PrintLib.h>
#include <Library/UefiLib.h>
#include <Protocol/DevicePath.h>

static CONST EFI_GUID  mSaveBeginsGuid   = SAVE_CHANGES_NOTIFY_GUID;
static CONST EFI_GUID  mSaveDoneGuid     = SETTINGS_SAVED_EVENT_GUID;
static CONST EFI_GUID  mOrderChangedGuid = LEGACY_ORDER_CHANGED_EVENT_GUID;
static CONST EFI_GUID  mLegacyOrderGuid  = LEGACY_DEV_ORDER_VARIABLE_GUID;
static CONST EFI_GUID  mDisabledDevsGuid = DISABLED_DEVS_VARIABLE_GUID;

static CONST MSGBOX_DEF  mSaveFailed = { 0, STR_ERROR, 0, ENGINE_OWN_HII_HANDLE, STR_SAVE_FAILED, 0 };

UINT8  gSaveAskedForReset = 0;

// Not a variable of the list: a write by name.
#define NOT_LISTED  MAX_UINTN

// One write of a save, made before any is done.
typedef struct {
  UINTN       Index;            // of the variable list, or NOT_LISTED
  CHAR16      Name[16];         // for NOT_LISTED
  EFI_GUID    Guid;
  UINT32      Attributes;
  VOID        *Data;            // owned
  UINTN       Size;
  BOOLEAN     SignalBefore;     // the boot or legacy order differs from NVRAM's
  UINT16      OptionNumber;     // a load option's number, with Attributes of its table record
  BOOLEAN     DriverOption;
  UINT32      OptionAttributes;
  BOOLEAN     IsOption;
} PENDING_WRITE;

typedef struct {
  PENDING_WRITE  *Writes;
  UINTN          Count;
  UINTN          Capacity;
  BOOLEAN        NoMemory;
} SAVE_PLAN;

static VOID
FreePlan (
  IN OUT SAVE_PLAN  *Plan
  )
{
  for (UINTN At = 0; At < Plan->Count; At++) {
    FreePool (Plan->Writes[At].Data);
  }

  FreePool (Plan->Writes);
  ZeroMem (Plan, sizeof (*Plan));
}

/** A new write at the plan's end, taking Data; null (and Data freed) when the plan cannot grow. */
static PENDING_WRITE *
AddWrite (
  IN OUT SAVE_PLAN  *Plan,
  IN     VOID       *Data,
  IN     UINTN      Size
  )
{
  PENDING_WRITE  *Write;

  if (Data == NULL) {
    Plan->NoMemory = TRUE;
    return NULL;
  }

  if (Plan->Count == Plan->Capacity) {
    UINTN          Capacity = Plan->Capacity + 8;
    PENDING_WRITE  *Grown   = (PENDING_WRITE *)ReallocatePool (Plan->Capacity * sizeof (PENDING_WRITE),
                                                 Capacity * sizeof (PENDING_WRITE), Plan->Writes);
    if (Grown == NULL) {
      FreePool (Data);
      Plan->NoMemory = TRUE;
      return NULL;
    }

    Plan->Writes   = Grown;
    Plan->Capacity = Capacity;
  }

  Write = &Plan->Writes[Plan->Count++];
  ZeroMem (Write, sizeof (*Write));
  Write->Index      = NOT_LISTED;
  Write->Data       = Data;
  Write->Size       = Size;
  Write->Attributes = VARIABLE_DEFAULT_ATTRIBUTES;
  return Write;
}

static BOOLEAN
SameBytes (
  IN CONST VOID  *Stored,
  IN UINTN       StoredSize,
  IN CONST VOID  *Data,
  IN UINTN       Size
  )
{
  return (BOOLEAN)((Stored != NULL) && (StoredSize == Size) && ((Size == 0) || (CompareMem (Stored, Data, Size) == 0)));
}

/** Whether the cache holds a value for the variable: a copy that failed then wanted memory. */
static BOOLEAN
CacheHolds (
  IN UINTN  Index
  )
{
  return (BOOLEAN)((gVariableCache != NULL) && (Index < GetVariableCount ()) && (gVariableCache[Index].Data != NULL) &&
                   (gVariableCache[Index].Size != 0));
}

//
// The boot or driver order: the table's options that the cached order names are
// active, the others (hidden ones aside) inactive, and each disabled-marker entry
// of the order becomes the next inactive option in table order. Marker entries left
// over find no option and are dropped rather than written as option numbers.
//
static VOID
PlanOptionOrder (
  IN OUT SAVE_PLAN  *Plan,
  IN     BOOLEAN    Driver
  )
{
  UINTN             Index   = Driver ? SETUP_VARIABLE_INDEX_DRIVER_ORDER : SETUP_VARIABLE_INDEX_BOOT_ORDER;
  BOOT_OPTION_INFO  *Table  = Driver ? gDriverOptionTable : gBootOptionTable;
  UINTN             Options = Driver ? gDriverOptionCount : gBootOptionCount;
  UINT16            Marker  = Driver ? gDriverOrderDisabledMarker : gBootOrderDisabledMarker;
  CONST CHAR16      *Format = Driver ? u"Driver%04X" : u"Boot%04X";
  CONST CHAR16      *Name   = Driver ? u"DriverOrder" : u"BootOrder";
  UINTN             Size    = 0;
  UINT16            *Cached = (UINT16 *)GetCachedVariable (Index, &Size);
  UINTN             Count   = Size / sizeof (UINT16);
  UINT16            *Order;
  UINTN             Used     = 0;
  UINTN             NextFree = 0;
  UINT8             *Stored;
  UINTN             StoredSize;
  PENDING_WRITE     *Write;

  if (Cached == NULL) {
    Plan->NoMemory = CacheHolds (Index);     // nothing cached is nothing to save; a failed copy stops the save
    return;
  }

  Order = (UINT16 *)AllocateZeroPool ((Count + 1) * sizeof (UINT16));
  if (Order == NULL) {
    FreePool (Cached);
    Plan->NoMemory = TRUE;
    return;
  }

  for (UINTN At = 0; At < Options; At++) {
    BOOT_OPTION_INFO  *Record    = &Table[At];
    UINT32            Attributes = Record->Attributes;
    CHAR16            OptionName[16];

    if ((Attributes & LOAD_OPTION_HIDDEN) == 0) {
      Attributes &= ~(UINT32)LOAD_OPTION_ACTIVE;
      if (OrderHolds (Cached, Count, Record->OptionNumber)) {
        Attributes |= LOAD_OPTION_ACTIVE;
      }
    }

    UnicodeSPrint (OptionName, sizeof (OptionName), Format, Record->OptionNumber);
    Stored     = NULL;
    StoredSize = 0;
    // An option that cannot be read, or is too short to hold its attributes, is left alone.
    EFI_STATUS  Status = GetVariableBuffer (OptionName, &gEfiGlobalVariableGuid, (VOID **)&Stored, &StoredSize, NULL);
    if (Status == EFI_OUT_OF_RESOURCES) {
      Plan->NoMemory = TRUE;
      break;
    }

    if (EFI_ERROR (Status) || (StoredSize < sizeof (UINT32) + sizeof (UINT16))) {
      FreePool (Stored);
      continue;
    }

    if (ReadUnaligned32 ((UINT32 *)Stored) == Attributes) {
      FreePool (Stored);
      continue;
    }

    WriteUnaligned32 ((UINT32 *)Stored, Attributes);
    Write = AddWrite (Plan, Stored, StoredSize);
    if (Write != NULL) {
      StrCpyS (Write->Name, ARRAY_SIZE (Write->Name), OptionName);
      CopyGuid (&Write->Guid, &gEfiGlobalVariableGuid);
      Write->IsOption         = TRUE;
      Write->DriverOption     = Driver;
      Write->OptionNumber     = Record->OptionNumber;
      Write->OptionAttributes = Attributes;
    }
  }

  for (UINTN At = 0; At < Count; At++) {
    UINT16  Number = ReadUnaligned16 (&Cached[At]);

    if (Number != Marker) {
      Order[Used++] = Number;
      continue;
    }

    // The next option neither named by the order nor hidden takes the marker's place.
    while (NextFree < Options) {
      BOOT_OPTION_INFO  *Record = &Table[NextFree++];
      if (((Record->Attributes & LOAD_OPTION_HIDDEN) == 0) && !OrderHolds (Cached, Count, Record->OptionNumber) &&
          !OrderHolds (Order, Used, Record->OptionNumber))
      {
        Order[Used++] = Record->OptionNumber;
        break;
      }
    }
  }

  FreePool (Cached);
  Stored     = NULL;
  StoredSize = 0;
  // A variable that cannot be read compares as absent, and the order is written.
  (VOID)GetVariableBuffer (Name, &gEfiGlobalVariableGuid, (VOID **)&Stored, &StoredSize, NULL);
  if (SameBytes (Stored, StoredSize, Order, Used * sizeof (UINT16))) {
    FreePool (Stored);
    FreePool (Order);
    return;
  }

  FreePool (Stored);
  Write = AddWrite (Plan, Order, Used * sizeof (UINT16));
  if (Write != NULL) {
    StrCpyS (Write->Name, ARRAY_SIZE (Write->Name), Name);
    CopyGuid (&Write->Guid, &gEfiGlobalVariableGuid);
    Write->SignalBefore = !Driver;
  }
}

/** Appends Size bytes to a growing buffer; FALSE (buffer freed) when it cannot grow. */
static BOOLEAN
AppendBytes (
  IN OUT UINT8        **Buffer,
  IN OUT UINTN        *Used,
  IN     CONST VOID   *Data,
  IN     UINTN        Size
  )
{
  UINT8  *Grown = (UINT8 *)ReallocatePool (*Used, *Used + Size, *Buffer);

  if (Grown == NULL) {
    FreePool (*Buffer);
    *Buffer = NULL;
    return FALSE;
  }

  CopyMem (Grown + *Used, Data, Size);
  *Buffer = Grown;
  *Used  += Size;
  return TRUE;
}

/** A legacy device's device path, through the BBS entry's handle; null when it has none. */
static EFI_DEVICE_PATH_PROTOCOL *
BbsDevicePath (
  IN CONST BBS_VIEW  *Bbs,
  IN UINT16          BbsIndex
  )
{
  EFI_DEVICE_PATH_PROTOCOL  *Path = NULL;
  EFI_HANDLE                Handle;

  if ((Bbs == NULL) || (BbsIndex >= Bbs->Count)) {
    return NULL;
  }

  Handle = BbsEntryHandle (&Bbs->Table[BbsIndex]);
  if ((Handle == NULL) || EFI_ERROR (gBS->HandleProtocol (Handle, &gEfiDevicePathProtocolGuid, (VOID **)&Path))) {
    return NULL;
  }

  return Path;
}

//
// The legacy device order: the group of each legacy option of the boot order, its
// devices as the cache orders them, and each device the group leaves out written
// disabled (its index with the high byte set) in a disabled-marker place. Leftover
// marker places are dropped. The devices left out go to "DisabledDevs".
//
static BOOLEAN
PlanLegacyOrder (
  IN OUT SAVE_PLAN                   *Plan,
  IN     CONST VARIABLE_CACHE_ENTRY  *Cached,
  OUT    UINT32                      *Offsets
  )
{
  UINT8          *Order    = NULL;
  UINTN          OrderSize = 0;
  UINT8          *Paths    = NULL;
  UINTN          PathsSize = 0;
  UINTN          BootSize  = 0;
  UINT16         *Boot     = (UINT16 *)GetCachedVariable (SETUP_VARIABLE_INDEX_BOOT_ORDER, &BootSize);
  BBS_VIEW       Bbs;
  BOOLEAN        HaveBbs   = !EFI_ERROR (ReadBbsTable (&Bbs));
  UINT8          *Stored   = NULL;
  UINTN          StoredSize = 0;
  PENDING_WRITE  *Write;

  if (!HaveBbs) {
    ZeroMem (&Bbs, sizeof (Bbs));
  }

  for (UINTN At = 0; At < gBootOptionCount; At++) {
    Offsets[At] = gBootOptionTable[At].LegacyGroupOffset;
  }

  for (UINTN At = 0; (Boot != NULL) && (At < BootSize / sizeof (UINT16)); At++) {
    BOOT_OPTION_INFO  *Record = FindBootOption (ReadUnaligned16 (&Boot[At]));
    LEGACY_GROUP      Group;
    UINT8             Header[LEGACY_GROUP_HEADER_SIZE];
    UINTN             Start = OrderSize;
    UINTN             Devices = 0;

    if ((Record == NULL) || !IsLegacyGroup (Record) || (Record->LegacyGroupOffset == LEGACY_NO_GROUP_OFFSET) ||
        !ReadLegacyGroup ((CONST UINT8 *)Cached->Data, (UINTN)Cached->Size, Record->LegacyGroupOffset, &Group))
    {
      continue;
    }

    WriteUnaligned32 ((UINT32 *)Header, Group.DeviceType);
    WriteUnaligned16 ((UINT16 *)(Header + 4), 0);
    if (!AppendBytes (&Order, &OrderSize, Header, sizeof (Header))) {
      break;
    }

    UINTN  NextLeftOut = 0;
    for (UINTN Position = 0; Position < Group.Count; Position++) {
      UINT16  Index = LegacyGroupIndex (&Group, Position);

      if (Index == gBootOrderDisabledMarker) {
        Index = 0xFFFF;
        // The next device of the group that the order does not list takes the place, disabled.
        while ((NextLeftOut < Record->LegacyDeviceCount) && (Index == 0xFFFF)) {
          UINT16   Device = Record->LegacyDevices[NextLeftOut++].BbsIndex;
          BOOLEAN  Listed = FALSE;
          for (UINTN Other = 0; Other < Group.Count; Other++) {
            Listed = Listed || ((LegacyGroupIndex (&Group, Other) & 0xFF) == Device);
          }

          if (!Listed) {
            Index = (UINT16)(Device | LEGACY_INDEX_DISABLED);
          }
        }

        if (Index == 0xFFFF) {
          continue;       // a marker no device fills
        }

        EFI_DEVICE_PATH_PROTOCOL  *Path = BbsDevicePath (HaveBbs ? &Bbs : NULL, (UINT16)(Index & 0xFF));
        if ((Path != NULL) && !AppendBytes (&Paths, &PathsSize, Path, GetDevicePathSize (Path))) {
          Plan->NoMemory = TRUE;
          break;
        }
      }

      if (!AppendBytes (&Order, &OrderSize, &Index, sizeof (Index))) {
        break;
      }

      Devices++;
    }

    if ((Order == NULL) || Plan->NoMemory) {
      break;
    }

    WriteUnaligned16 ((UINT16 *)(Order + Start + 4), (UINT16)(sizeof (UINT16) * (Devices + 1)));
    Offsets[Record - gBootOptionTable] = (UINT32)Start;
  }

  FreePool (Boot);
  if ((Order == NULL) && (OrderSize != 0 || Plan->NoMemory)) {
    Plan->NoMemory = TRUE;
  }

  if (Plan->NoMemory) {
    FreePool (Order);
    FreePool (Paths);
    return FALSE;
  }

  // A variable that cannot be read compares as absent, and the order is written.
  (VOID)GetVariableBuffer (u"LegacyDevOrder", &mLegacyOrderGuid, (VOID **)&Stored, &StoredSize, NULL);
  BOOLEAN  Differs = !SameBytes (Stored, StoredSize, Order, OrderSize);
  FreePool (Stored);
  if (!Differs || (OrderSize == 0)) {
    FreePool (Order);
  } else {
    Write = AddWrite (Plan, Order, OrderSize);
    if (Write != NULL) {
      StrCpyS (Write->Name, ARRAY_SIZE (Write->Name), u"LegacyDevOrder");
      CopyGuid (&Write->Guid, &mLegacyOrderGuid);
      Write->SignalBefore = TRUE;
    }
  }

  Stored     = NULL;
  StoredSize = 0;
  // A variable that cannot be read compares as absent, and the list is written.
  (VOID)GetVariableBuffer (u"DisabledDevs", &mDisabledDevsGuid, (VOID **)&Stored, &StoredSize, NULL);
  if ((PathsSize == 0) || SameBytes (Stored, StoredSize, Paths, PathsSize)) {
    FreePool (Paths);
  } else {
    Write = AddWrite (Plan, Paths, PathsSize);
    if (Write != NULL) {
      StrCpyS (Write->Name, ARRAY_SIZE (Write->Name), u"DisabledDevs");
      CopyGuid (&Write->Guid, &mDisabledDevsGuid);
      Write->Attributes = EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_NON_VOLATILE;
    }
  }

  FreePool (Stored);
  return !Plan->NoMemory;
}

/** A variable of the list whose cached value its store does not hold yet. */
static VOID
PlanListedVariable (
  IN OUT SAVE_PLAN  *Plan,
  IN     UINTN      Index
  )
{
  VARIABLE_RECORD  *Record = GetVariableRecord (Index);
  UINTN            Size    = 0;
  VOID             *Data;
  UINTN            StoredSize = 0;
  VOID             *Stored;
  PENDING_WRITE    *Write;

  if ((Record == NULL) || ((Record->StoreFlags & (VARIABLE_STORE_NO_WRITE | VARIABLE_STORE_CACHE_ONLY)) != 0)) {
    return;
  }

  Data = GetCachedVariable (Index, &Size);
  if (Data == NULL) {
    Plan->NoMemory = CacheHolds (Index);
    return;
  }

  Stored = GetVariableByIndex (Index, &StoredSize);
  // A driver's store that gives nothing back is written only when setup changed it.
  if (SameBytes (Stored, StoredSize, Data, Size) ||
      ((Stored == NULL) && !IsDirectEfiVariable (Index, Record) && !VariableDiffersFromBaseline (Index)))
  {
    FreePool (Stored);
    FreePool (Data);
    return;
  }

  FreePool (Stored);
  Write = AddWrite (Plan, Data, Size);
  if (Write != NULL) {
    Write->Index = Index;
  }
}

static EFI_STATUS
RunPlan (
  IN SAVE_PLAN  *Plan
  )
{
  EFI_STATUS  Result = EFI_SUCCESS;
  BOOLEAN     Signalled = FALSE;

  for (UINTN At = 0; At < Plan->Count; At++) {
    PENDING_WRITE  *Write = &Plan->Writes[At];
    EFI_STATUS     Status;

    if (Write->SignalBefore && !Signalled) {
      Signalled = TRUE;
      (VOID)SignalProtocolNotify (&mOrderChangedGuid);    // listeners are the board's
    }

    if (Write->Index != NOT_LISTED) {
      Status = SetVariableByIndex (Write->Index, Write->Data, Write->Size);
    } else {
      Status = gRT->SetVariable (Write->Name, &Write->Guid, Write->Attributes, Write->Size, Write->Data);
    }

    if (EFI_ERROR (Status)) {
      Result = EFI_ERROR (Result) ? Result : Status;
      continue;       // the others are still the user's wish; each write is whole or not done
    }

    if (Write->IsOption) {
      BOOT_OPTION_INFO  *Record = Write->DriverOption ? FindDriverOption (Write->OptionNumber) : FindBootOption (Write->OptionNumber);
      if (Record != NULL) {
        Record->Attributes = Write->OptionAttributes;
      }
    }
  }

  return Result;
}

/** Builds and runs the save of every variable; the legacy order's group offsets follow a written order. */
static EFI_STATUS
SaveAllVariables (
  VOID
  )
{
  SAVE_PLAN   Plan    = {};
  UINTN       Count   = GetVariableCount ();
  UINT32      *Offsets = NULL;
  BOOLEAN     Legacy  = FALSE;
  EFI_STATUS  Status;

  for (UINTN Index = 0; (Index < Count) && !Plan.NoMemory; Index++) {
    if (Index == SETUP_VARIABLE_INDEX_BOOT_ORDER) {
      PlanOptionOrder (&Plan, FALSE);
    } else if (Index == SETUP_VARIABLE_INDEX_DRIVER_ORDER) {
      PlanOptionOrder (&Plan, TRUE);
    } else if (Index == SETUP_VARIABLE_INDEX_LEGACY_DEV_ORDER) {
      if ((gVariableCache == NULL) || (gVariableCache[Index].Data == NULL) || (gBootOptionCount == 0)) {
        continue;
      }

      Offsets = (UINT32 *)AllocatePool (gBootOptionCount * sizeof (UINT32));
      Plan.NoMemory = (Offsets == NULL);
      Legacy        = !Plan.NoMemory && PlanLegacyOrder (&Plan, &gVariableCache[Index], Offsets);
    } else {
      PlanListedVariable (&Plan, Index);
    }
  }

  if (Plan.NoMemory) {
    FreePlan (&Plan);
    FreePool (Offsets);
    return EFI_OUT_OF_RESOURCES;
  }

  Status = RunPlan (&Plan);
  if (!EFI_ERROR (Status)) {
    Status = RemoveDeletedOptionVariables ();
  }

  // Stored settings take effect at the next start.
  if (Plan.Count != 0) {
    gResetNeeded = 1;
  }

  if (Legacy && !EFI_ERROR (Status)) {
    for (UINTN At = 0; At < gBootOptionCount; At++) {
      gBootOptionTable[At].LegacyGroupOffset = Offsets[At];
    }
  }

  FreePlan (&Plan);
  FreePool (Offsets);
  return Status;
}

EFI_STATUS
SaveLegacyDevOrder (
  IN VARIABLE_CACHE_ENTRY  *Entry
  )
{
  SAVE_PLAN   Plan    = {};
  UINT32      *Offsets;
  EFI_STATUS  Status;

  if ((Entry == NULL) || (Entry->Data == NULL) || (gBootOptionCount == 0)) {
    return EFI_INVALID_PARAMETER;
  }

  Offsets = (UINT32 *)AllocatePool (gBootOptionCount * sizeof (UINT32));
  if ((Offsets == NULL) || !PlanLegacyOrder (&Plan, Entry, Offsets)) {
    FreePlan (&Plan);
    FreePool (Offsets);
    return EFI_OUT_OF_RESOURCES;
  }

  Status = RunPlan (&Plan);
  if (!EFI_ERROR (Status)) {
    for (UINTN At = 0; At < gBootOptionCount; At++) {
      gBootOptionTable[At].LegacyGroupOffset = Offsets[At];
    }
  }

  FreePlan (&Plan);
  FreePool (Offsets);
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
    (VOID)RunPopupBox (&mSaveFailed, MSGBOX_BUTTONS_OK);     // an OK box has one answer
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

/** @file
  Building the plan of a save: every variable that setup changed and whose cached
  value its store does not hold, the boot and driver orders with the active bits of their load options, and
  the options the user deleted, each write with the value it replaces.

  A save is built whole before anything is written: every buffer is made and every
  old value read first, so a want of memory stops it with NVRAM untouched, and a
  refused write can be undone.
**/
#include <frontend/SavePlan.h>
#include <engine/boot/BootOptions.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/SetupData.h>
#include <engine/variables/VariableCache.h>

#include <Guid/GlobalVariable.h>
#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/PrintLib.h>
#include <Library/UefiLib.h>

VOID
FreePlan (
  IN OUT SAVE_PLAN  *Plan
  )
{
  for (UINTN At = 0; At < Plan->Count; At++) {
    FreePool (Plan->Writes[At].Data);
    FreePool (Plan->Writes[At].OldData);
  }

  FreePool (Plan->Writes);
  FreePool (Plan->BootOrder);
  FreePool (Plan->LegacyOrder);
  FreePool (Plan->LegacyOffsets);
  ZeroMem (Plan, sizeof (*Plan));
}

PENDING_WRITE *
AddWrite (
  IN OUT SAVE_PLAN  *Plan,
  IN     UINT8      Phase,
  IN     VOID       *Data,
  IN     UINTN      Size
  )
{
  PENDING_WRITE  *Write;

  // Only a deletion (size 0) comes without data.
  if ((Data == NULL) && (Size != 0)) {
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
  Write->Phase      = Phase;
  Write->Attributes = (Size == 0) ? 0 : VARIABLE_DEFAULT_ATTRIBUTES;
  return Write;
}

BOOLEAN
ReadOldValue (
  IN OUT SAVE_PLAN     *Plan,
  IN     CONST CHAR16  *Name,
  IN     CONST EFI_GUID  *Guid,
  OUT    VOID          **Data,
  OUT    UINTN         *Size,
  OUT    UINT32        *Attributes,
  OUT    BOOLEAN       *Exists
  )
{
  EFI_STATUS  Status;

  *Attributes = 0;
  Status      = GetVariableBuffer (Name, Guid, Data, Size, Attributes);
  *Exists     = (BOOLEAN)!EFI_ERROR (Status);
  if (Status == EFI_OUT_OF_RESOURCES) {
    Plan->NoMemory = TRUE;
    return FALSE;
  }

  if (EFI_ERROR (Status) && (Status != EFI_NOT_FOUND)) {
    Plan->Unreadable = TRUE;      // what it held could not be put back
    return FALSE;
  }

  return TRUE;
}

/**
  A write of a variable by name, its old value read first; with OnlyWhenChanged, none
  when Data is what NVRAM holds (or nothing is stored and Data is empty). Null, with Data
  freed, when there is no write or the plan cannot take it.
**/
static PENDING_WRITE *
AddVariableWrite (
  IN OUT SAVE_PLAN       *Plan,
  IN     UINT8           Phase,
  IN     CONST CHAR16    *Name,
  IN     CONST EFI_GUID  *Guid,
  IN     UINT32          Attributes,
  IN     VOID            *Data,
  IN     UINTN           Size,
  IN     BOOLEAN         OnlyWhenChanged
  )
{
  VOID           *Old    = NULL;
  UINTN          OldSize = 0;
  UINT32         OldAttributes;
  BOOLEAN        Exists;
  PENDING_WRITE  *Write;

  if (!ReadOldValue (Plan, Name, Guid, &Old, &OldSize, &OldAttributes, &Exists) ||
      (OnlyWhenChanged && (Exists ? SameBytes (Old, OldSize, Data, Size) : (Size == 0))))
  {
    FreePool (Old);
    FreePool (Data);
    return NULL;
  }

  // A deletion carries no data.
  if (Size == 0) {
    FreePool (Data);
    Data = NULL;
  }

  Write = AddWrite (Plan, Phase, Data, Size);
  if (Write == NULL) {
    FreePool (Old);
    return NULL;
  }

  StrCpyS (Write->Name, ARRAY_SIZE (Write->Name), Name);
  CopyGuid (&Write->Guid, Guid);
  Write->Attributes    = (Size == 0) ? 0 : Attributes;
  Write->OldExists     = Exists;
  Write->OldData       = Old;
  Write->OldSize       = OldSize;
  Write->OldAttributes = OldAttributes;
  return Write;
}

PENDING_WRITE *
AddNamedWrite (
  IN OUT SAVE_PLAN       *Plan,
  IN     UINT8           Phase,
  IN     CONST CHAR16    *Name,
  IN     CONST EFI_GUID  *Guid,
  IN     UINT32          Attributes,
  IN     VOID            *Data,
  IN     UINTN           Size
  )
{
  return AddVariableWrite (Plan, Phase, Name, Guid, Attributes, Data, Size, FALSE);
}

PENDING_WRITE *
AddWriteIfChanged (
  IN OUT SAVE_PLAN       *Plan,
  IN     UINT8           Phase,
  IN     CONST CHAR16    *Name,
  IN     CONST EFI_GUID  *Guid,
  IN     UINT32          Attributes,
  IN     VOID            *Data,
  IN     UINTN           Size
  )
{
  if (((Data == NULL) && (Size != 0)) || Plan->NoMemory) {
    Plan->NoMemory = TRUE;
    FreePool (Data);
    return NULL;
  }

  return AddVariableWrite (Plan, Phase, Name, Guid, Attributes, Data, Size, TRUE);
}

BOOLEAN
SameBytes (
  IN CONST VOID  *Stored,
  IN UINTN       StoredSize,
  IN CONST VOID  *Data,
  IN UINTN       Size
  )
{
  return (BOOLEAN)((Stored != NULL) && (StoredSize == Size) && ((Size == 0) || (CompareMem (Stored, Data, Size) == 0)));
}

BOOLEAN
CacheHolds (
  IN UINTN  Index
  )
{
  return (BOOLEAN)((gVariableCache != NULL) && (Index < GetVariableCount ()) && (gVariableCache[Index].Data != NULL) &&
                   (gVariableCache[Index].Size != 0));
}

/** The load option's record with Attributes, when it does not hold them already. */
static VOID
PlanOptionRecord (
  IN OUT SAVE_PLAN         *Plan,
  IN     BOOLEAN           Driver,
  IN     BOOT_OPTION_INFO  *Record,
  IN     UINT32            Attributes
  )
{
  CHAR16         Name[16];
  UINT8          *Stored    = NULL;
  UINTN          StoredSize = 0;
  UINT32         StoredAttributes;
  EFI_STATUS     Status;
  VOID           *New;
  PENDING_WRITE  *Write;

  UnicodeSPrint (Name, sizeof (Name), Driver ? u"Driver%04X" : u"Boot%04X", Record->OptionNumber);
  StoredAttributes = 0;
  Status           = GetVariableBuffer (Name, &gEfiGlobalVariableGuid, (VOID **)&Stored, &StoredSize, &StoredAttributes);
  if (Status == EFI_OUT_OF_RESOURCES) {
    Plan->NoMemory = TRUE;
    return;
  }

  // An option that cannot be read, or is too short to hold its attributes, is left alone.
  if (EFI_ERROR (Status) || (StoredSize < sizeof (UINT32) + sizeof (UINT16)) || (ReadUnaligned32 ((UINT32 *)Stored) == Attributes)) {
    FreePool (Stored);
    return;
  }

  New = AllocateCopyPool (StoredSize, Stored);
  if (New != NULL) {
    WriteUnaligned32 ((UINT32 *)New, Attributes);
  }

  Write = AddWrite (Plan, SAVE_PHASE_OPTION_RECORDS, New, StoredSize);
  if (Write == NULL) {
    FreePool (Stored);
    return;
  }

  StrCpyS (Write->Name, ARRAY_SIZE (Write->Name), Name);
  CopyGuid (&Write->Guid, &gEfiGlobalVariableGuid);
  Write->IsOption         = TRUE;
  Write->DriverOption     = Driver;
  Write->OptionNumber     = Record->OptionNumber;
  Write->OptionAttributes = Attributes;
  Write->OldExists        = TRUE;
  Write->OldData          = Stored;
  Write->OldSize          = StoredSize;
  Write->OldAttributes    = StoredAttributes;
}

//
// The boot or driver order: the table's options that the cached order names are
// active, the others (hidden ones aside) inactive, and each disabled-marker entry
// of the order becomes the next inactive option in table order. Marker entries left
// over find no option and are dropped rather than written as option numbers.
//
VOID
PlanOptionOrder (
  IN OUT SAVE_PLAN  *Plan,
  IN     BOOLEAN    Driver
  )
{
  UINTN             Index   = Driver ? SETUP_VARIABLE_INDEX_DRIVER_ORDER : SETUP_VARIABLE_INDEX_BOOT_ORDER;
  BOOT_OPTION_INFO  *Table  = Driver ? gDriverOptionTable : gBootOptionTable;
  UINTN             Options = Driver ? gDriverOptionCount : gBootOptionCount;
  UINT16            Marker  = Driver ? gDriverOrderDisabledMarker : gBootOrderDisabledMarker;
  CONST CHAR16      *Name   = Driver ? u"DriverOrder" : u"BootOrder";
  UINTN             Size    = 0;
  UINT16            *Cached = (UINT16 *)GetCachedVariable (Index, &Size);
  UINTN             Count   = Size / sizeof (UINT16);
  UINT16            *Order;
  UINTN             Used     = 0;
  UINTN             NextFree = 0;
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

  for (UINTN At = 0; (At < Options) && !Plan->NoMemory && !Plan->Unreadable; At++) {
    BOOT_OPTION_INFO  *Record    = &Table[At];
    UINT32            Attributes = Record->Attributes;

    if ((Attributes & LOAD_OPTION_HIDDEN) == 0) {
      Attributes &= ~(UINT32)LOAD_OPTION_ACTIVE;
      if (OrderHolds (Cached, Count, Record->OptionNumber)) {
        Attributes |= LOAD_OPTION_ACTIVE;
      }
    }

    PlanOptionRecord (Plan, Driver, Record, Attributes);
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
  if (!Driver) {
    Plan->BootOrder      = (UINT16 *)AllocateCopyPool ((Used + 1) * sizeof (UINT16), Order);
    Plan->BootOrderCount = Used;
    Plan->NoMemory       = Plan->NoMemory || (Plan->BootOrder == NULL);
  }

  if (Plan->NoMemory) {
    FreePool (Order);
    return;
  }

  Write = AddWriteIfChanged (Plan, Driver ? SAVE_PHASE_DRIVER_ORDER : SAVE_PHASE_BOOT_ORDER, Name, &gEfiGlobalVariableGuid,
            VARIABLE_DEFAULT_ATTRIBUTES, Order, Used * sizeof (UINT16));
  if (Write != NULL) {
    Write->SignalBefore = !Driver;
  }
}

/** A variable of the list whose cached value its store does not hold yet. */
VOID
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

  // What setup did not change since it last read or saved it stays as its store holds
  // it: a driver's store asked for nothing may refuse even a write of its own bytes.
  if ((Record == NULL) || ((Record->StoreFlags & (VARIABLE_STORE_NO_WRITE | VARIABLE_STORE_CACHE_ONLY)) != 0) ||
      !VariableDiffersFromBaseline (Index))
  {
    return;
  }

  Data = GetCachedVariable (Index, &Size);
  if (Data == NULL) {
    Plan->NoMemory = CacheHolds (Index);
    return;
  }

  Stored = GetVariableByIndex (Index, &StoredSize);
  if (SameBytes (Stored, StoredSize, Data, Size)) {
    FreePool (Stored);
    FreePool (Data);
    return;
  }

  Write = AddWrite (Plan, SAVE_PHASE_SETTINGS, Data, Size);
  if (Write == NULL) {
    FreePool (Stored);
    return;
  }

  Write->Index     = Index;
  Write->OldExists = (BOOLEAN)(Stored != NULL);
  Write->OldData   = Stored;
  Write->OldSize   = StoredSize;
}

// The variables of the options deleted since the last save go, each with its value
// read first so that an undone save can give it back.
VOID
PlanDeletedOptions (
  IN OUT SAVE_PLAN  *Plan
  )
{
  for (UINTN Driver = 0; (Driver < 2) && !Plan->NoMemory && !Plan->Unreadable; Driver++) {
    UINTN                   Count   = 0;
    CONST BOOT_OPTION_INFO  *Deleted = GetDeletedOptions ((BOOLEAN)Driver, &Count);

    for (UINTN At = 0; (At < Count) && !Plan->NoMemory && !Plan->Unreadable; At++) {
      CHAR16         Name[16];
      PENDING_WRITE  *Write;

      UnicodeSPrint (Name, sizeof (Name), Driver ? u"Driver%04X" : u"Boot%04X", Deleted[At].OptionNumber);
      Write = AddNamedWrite (Plan, SAVE_PHASE_DELETIONS, Name, &gEfiGlobalVariableGuid, 0, NULL, 0);
      if ((Write != NULL) && !Write->OldExists) {
        Plan->Count--;      // gone already: nothing to delete
      }
    }
  }
}

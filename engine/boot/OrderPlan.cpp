/** @file
  The boot manager's part of a save: the load options' records with their active
  bits, "BootOrder" and "DriverOrder" with the cached orders' disabled markers turned
  back into option numbers, and the options deleted since the last save. Each write
  is planned with the value it replaces and only when NVRAM does not hold it already.
**/
#include <engine/boot/SaveWrites.h>
#include <engine/boot/BootOptions.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/SetupDataFormat.h>
#include <engine/variables/VariableCache.h>

#include <Guid/GlobalVariable.h>
#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/PrintLib.h>
#include <Library/UefiLib.h>

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

VOID
PlanOptionOrder (
  IN OUT SAVE_PLAN  *Plan,
  IN     BOOLEAN    Driver
  )
{
  UINTN             Index   = Driver ? SETUP_VARIABLE_INDEX_DRIVER_ORDER : SETUP_VARIABLE_INDEX_BOOT_ORDER;
  BOOT_OPTION_INFO  *Table  = Driver ? gDriverOptionTable : gBootOptionTable;
  UINTN             Options = Driver ? gDriverOptionCount : gBootOptionCount;
  CONST CHAR16      *Name   = Driver ? u"DriverOrder" : u"BootOrder";
  UINTN             Size    = 0;
  UINT16            *Cached = (UINT16 *)GetCachedVariable (Index, &Size);
  UINTN             Count   = Size / sizeof (UINT16);
  UINT16            *Order;
  UINTN             Used;
  PENDING_WRITE     *Write;

  if (Cached == NULL) {
    Plan->NoMemory = CacheHolds (Index);     // nothing cached is nothing to save; a failed copy stops the save
    return;
  }

  // An order setup did not change since it last read or saved it stays as NVRAM holds it,
  // with its options' records: a driver may have stored a new one while setup ran (OVMF's
  // Boot Maintenance Manager writes "BootOrder" when its order form is committed), and the
  // copy setup read at its start would undo it.
  if (!VariableDiffersFromBaseline (Index)) {
    FreePool (Cached);
    return;
  }

  Order = (UINT16 *)AllocateZeroPool ((Count + 1) * sizeof (UINT16));
  if (Order == NULL) {
    FreePool (Cached);
    Plan->NoMemory = TRUE;
    return;
  }

  for (UINTN At = 0; (At < Options) && !Plan->NoMemory && !Plan->Unreadable; At++) {
    PlanOptionRecord (Plan, Driver, &Table[At], OrderedOptionAttributes (&Table[At], Cached, Count));
  }

  Used = ResolveOrderMarkers (Driver, Cached, Count, Order);
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

// The variables of the options deleted since the last save go, each with its value
// read first so that an undone save can give it back.
VOID
PlanDeletedOptions (
  IN OUT SAVE_PLAN               *Plan,
  IN     BOOLEAN                 Driver,
  IN     CONST BOOT_OPTION_INFO  *Deleted,
  IN     UINTN                   Count
  )
{
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

VOID
ApplySavedOptionRecords (
  IN CONST SAVE_PLAN  *Plan
  )
{
  for (UINTN At = 0; At < Plan->Count; At++) {
    CONST PENDING_WRITE  *Write = &Plan->Writes[At];
    BOOT_OPTION_INFO     *Record;

    if (Write->IsOption) {
      Record = Write->DriverOption ? FindDriverOption (Write->OptionNumber) : FindBootOption (Write->OptionNumber);
      if (Record != NULL) {
        Record->Attributes = Write->OptionAttributes;
      }
    }
  }
}

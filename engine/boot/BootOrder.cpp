/** @file
  "BootOrder" and "DriverOrder" kept in step with the option tables, and the flat
  boot list: the boot options in table or boot order, where a legacy group stands
  for each of its devices.
**/
#include <engine/boot/BootOptions.h>
#include <engine/boot/LegacyDevOrder.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/SetupDataFormat.h>
#include <engine/variables/VariableCache.h>

#include <Guid/GlobalVariable.h>
#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/UefiLib.h>

#define ORDER_ATTRIBUTES    (EFI_VARIABLE_NON_VOLATILE | EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_RUNTIME_ACCESS)
#define MANAGER_ATTRIBUTES  EFI_VARIABLE_BOOTSERVICE_ACCESS

static CONST EFI_GUID  mBootManagerGuid   = { 0xB4909CF3, 0x7B93, 0x4751, { 0x9B, 0xD8, 0x5B, 0xA8, 0x22, 0x0B, 0x9B, 0xB2 } };
static CONST EFI_GUID  mDriverManagerGuid = { 0xC0B4FB05, 0x15E5, 0x4588, { 0x9F, 0xE9, 0xB3, 0xD3, 0x9C, 0x06, 0x77, 0x15 } };
static CONST EFI_GUID  mBootNowCountGuid  = BOOT_NOW_COUNT_VARIABLE_GUID;

typedef struct {
  BOOT_OPTION_INFO  *Table;
  UINTN             Count;
} OPTION_TABLE;

static OPTION_TABLE
TableOf (
  IN BOOLEAN  Driver
  )
{
  return Driver ? OPTION_TABLE { gDriverOptionTable, gDriverOptionCount }
                : OPTION_TABLE { gBootOptionTable, gBootOptionCount };
}

static BOOT_OPTION_INFO *
RecordOf (
  IN OPTION_TABLE  Options,
  IN UINT16        OptionNumber
  )
{
  for (UINTN Index = 0; Index < Options.Count; Index++) {
    if (Options.Table[Index].OptionNumber == OptionNumber) {
      return &Options.Table[Index];
    }
  }

  return NULL;
}

BOOLEAN
OrderHolds (
  IN CONST UINT16  *Order,
  IN UINTN         Count,
  IN UINT16        OptionNumber
  )
{
  for (UINTN Index = 0; Index < Count; Index++) {
    if (ReadUnaligned16 (&Order[Index]) == OptionNumber) {
      return TRUE;
    }
  }

  return FALSE;
}

static BOOLEAN
IsHidden (
  IN OPTION_TABLE  Options,
  IN UINT16        OptionNumber
  )
{
  BOOT_OPTION_INFO  *Record = RecordOf (Options, OptionNumber);

  return (BOOLEAN)((Record != NULL) && ((Record->Attributes & LOAD_OPTION_HIDDEN) != 0));
}

VOID
MoveHiddenOptionsLast (
  IN     BOOLEAN  DriverTable,
  IN OUT UINT16   *Order,
  IN     UINTN    Count
  )
{
  OPTION_TABLE  Options = TableOf (DriverTable);
  UINT16        Swap;

  for (UINTN Index = 0; Index + 1 < Count; Index++) {
    if (!IsHidden (Options, Order[Index])) {
      continue;
    }

    for (UINTN Later = Index + 1; Later < Count; Later++) {
      if (!IsHidden (Options, Order[Later])) {
        Swap          = Order[Index];
        Order[Index]  = Order[Later];
        Order[Later]  = Swap;
        break;
      }
    }
  }
}

/**
  The order in step with the table: the stored entries whose option exists and is
  active, in their order, each number once; then the active options the stored
  order lacks, then the inactive ones, both in table order. Order has room for
  every record, which the dropped duplicates guarantee.
**/
static UINTN
MergeOrder (
  IN  OPTION_TABLE  Options,
  IN  CONST UINT8   *Stored,
  IN  UINTN         StoredSize,
  OUT UINT16        *Order
  )
{
  UINTN             Count = 0;
  BOOT_OPTION_INFO  *Record;

  for (UINTN At = 0; At + sizeof (UINT16) <= StoredSize; At += sizeof (UINT16)) {
    Record = RecordOf (Options, ReadUnaligned16 (Stored + At));
    if ((Record != NULL) && ((Record->Attributes & LOAD_OPTION_ACTIVE) != 0) &&
        !OrderHolds (Order, Count, Record->OptionNumber))
    {
      Order[Count++] = Record->OptionNumber;
    }
  }

  for (UINTN Pass = 0; Pass < 2; Pass++) {
    for (UINTN Index = 0; Index < Options.Count; Index++) {
      Record = &Options.Table[Index];
      if ((((Record->Attributes & LOAD_OPTION_ACTIVE) != 0) == (Pass == 0)) &&
          !OrderHolds (Order, Count, Record->OptionNumber))
      {
        Order[Count++] = Record->OptionNumber;
      }
    }
  }

  return Count;
}

// Rewrites order variable Name from its stored value and the table.
static VOID
SyncOrder (
  IN BOOLEAN       Driver,
  IN CONST CHAR16  *Name
  )
{
  OPTION_TABLE  Options = TableOf (Driver);
  VOID          *Stored = NULL;
  UINTN         StoredSize = 0;
  UINT16        *Order;
  UINTN         Count;

  if (EFI_ERROR (GetVariableBuffer (Name, &gEfiGlobalVariableGuid, &Stored, &StoredSize, NULL))) {
    StoredSize = 0;                   // a missing order: every active option follows in table order
  }

  Order = (UINT16 *)AllocateZeroPool ((Options.Count + 1) * sizeof (UINT16));
  if (Order == NULL) {
    FreePool (Stored);
    return;                           // the stored order stays as it was
  }

  Count = MergeOrder (Options, (CONST UINT8 *)Stored, StoredSize, Order);
  MoveHiddenOptionsLast (Driver, Order, Count);
  // A store that refuses keeps the old order, which the next POST mends again.
  (VOID)gRT->SetVariable ((CHAR16 *)Name, &gEfiGlobalVariableGuid, ORDER_ATTRIBUTES, Count * sizeof (UINT16), Order);
  FreePool (Order);
  FreePool (Stored);
}

static VOID
WriteCount (
  IN CONST CHAR16    *Name,
  IN CONST EFI_GUID  *Guid,
  IN UINTN           Count
  )
{
  UINT16  Value = (UINT16)Count;

  // Only setup's lists read these counts; a refused write leaves them unknown to it.
  (VOID)gRT->SetVariable ((CHAR16 *)Name, (EFI_GUID *)Guid, MANAGER_ATTRIBUTES, sizeof (Value), &Value);
}

VOID
SyncBootOrder (
  VOID
  )
{
  SyncOrder (FALSE, u"BootOrder");
  RebuildLegacyDevOrder ();
  RefreshVariableCache (SETUP_VARIABLE_INDEX_BOOT_ORDER);
  RefreshVariableCache (SETUP_VARIABLE_INDEX_LEGACY_DEV_ORDER);
  WriteCount (u"BootManager", &mBootManagerGuid, gBootOptionCount);
  WriteCount (u"BootNowCount", &mBootNowCountGuid, CountFlatBootEntries ());
}

VOID
SyncDriverOrder (
  VOID
  )
{
  SyncOrder (TRUE, u"DriverOrder");
  WriteCount (u"DriverManager", &mDriverManagerGuid, gDriverOptionCount);
  RefreshVariableCache (SETUP_VARIABLE_INDEX_DRIVER_ORDER);
}

// The cached "BootOrder" (a copy the caller frees) and how many entries precede the disabled marker.
typedef struct {
  UINT16  *Order;
  UINTN   Count;        // every entry
  UINTN   Enabled;      // the entries before the marker
} CACHED_ORDER;

static CACHED_ORDER
ReadCachedBootOrder (
  VOID
  )
{
  CACHED_ORDER  Cached = { NULL, 0, 0 };
  UINTN         Size   = 0;
  UINT16        Marker = GetOrderDisabledMarker (FALSE);

  Cached.Order = (UINT16 *)GetCachedVariable (SETUP_VARIABLE_INDEX_BOOT_ORDER, &Size);
  Cached.Count = (Cached.Order == NULL) ? 0 : Size / sizeof (UINT16);
  while ((Cached.Enabled < Cached.Count) && (ReadUnaligned16 (&Cached.Order[Cached.Enabled]) != Marker)) {
    Cached.Enabled++;
  }

  return Cached;
}

/**
  The N-th boot record of the walk: table order, or with Cached the enabled part of
  the cached order (known options, each once) followed by the records it lacks.
**/
static BOOT_OPTION_INFO *
NthRecord (
  IN UINTN                N,
  IN CONST CACHED_ORDER   *Cached OPTIONAL
  )
{
  OPTION_TABLE      Options = TableOf (FALSE);
  BOOT_OPTION_INFO  *Record;
  UINTN             Seen    = 0;

  for (UINTN At = 0; (Cached != NULL) && (At < Cached->Enabled); At++) {
    UINT16  Number = ReadUnaligned16 (&Cached->Order[At]);
    Record = RecordOf (Options, Number);
    if ((Record != NULL) && !OrderHolds (Cached->Order, At, Number) && (Seen++ == N)) {
      return Record;
    }
  }

  for (UINTN Index = 0; Index < Options.Count; Index++) {
    Record = &Options.Table[Index];
    if (((Cached == NULL) || !OrderHolds (Cached->Order, Cached->Enabled, Record->OptionNumber)) && (Seen++ == N)) {
      return Record;
    }
  }

  return NULL;
}

static UINTN
FlatWidth (
  IN CONST BOOT_OPTION_INFO  *Record
  )
{
  return IsLegacyGroup (Record) ? Record->LegacyDeviceCount : 1;
}

// The record of flat entry Index and, for a legacy group, which of its devices.
static BOOT_OPTION_INFO *
FlatEntry (
  IN  UINT64              Index,
  IN  CONST CACHED_ORDER  *Cached OPTIONAL,
  OUT UINTN               *Device
  )
{
  BOOT_OPTION_INFO  *Record;

  for (UINTN N = 0; (Record = NthRecord (N, Cached)) != NULL; N++) {
    if (Index < FlatWidth (Record)) {
      *Device = (UINTN)Index;
      return Record;
    }

    Index -= FlatWidth (Record);
  }

  return NULL;
}

BOOT_OPTION_INFO *
FindFlatBootEntry (
  IN  UINT64  Index,
  OUT UINTN   *Device
  )
{
  return FlatEntry (Index, NULL, Device);
}

UINTN
CountFlatBootEntries (
  VOID
  )
{
  UINTN  Count = 0;

  for (UINTN Index = 0; Index < gBootOptionCount; Index++) {
    Count += FlatWidth (&gBootOptionTable[Index]);
  }

  return Count;
}

CONST CHAR16 *
GetBootOptionNameByIndex (
  IN UINT16   Index,
  IN UINT64   Reserved,
  IN BOOLEAN  InBootOrder
  )
{
  CACHED_ORDER      Cached = InBootOrder ? ReadCachedBootOrder () : CACHED_ORDER { NULL, 0, 0 };
  UINTN             Device = 0;
  BOOT_OPTION_INFO  *Record = FlatEntry (Index, InBootOrder ? &Cached : NULL, &Device);

  (VOID)Reserved;
  FreePool (Cached.Order);
  if ((Record == NULL) || ((Record->Attributes & LOAD_OPTION_HIDDEN) != 0)) {
    return NULL;
  }

  return IsLegacyGroup (Record) ? Record->LegacyDevices[Device].Name : GetBootOptionName (Record);
}

BOOLEAN
BootOptionDisabledByIndex (
  IN UINT64   Index,
  IN UINT64   Reserved,
  IN BOOLEAN  InBootOrder,
  IN BOOLEAN  ByOrder
  )
{
  CACHED_ORDER      Cached = ReadCachedBootOrder ();
  UINTN             Device = 0;
  BOOT_OPTION_INFO  *Record = FlatEntry (Index, InBootOrder ? &Cached : NULL, &Device);
  BOOLEAN           Disabled;

  (VOID)Reserved;
  if (InBootOrder && (Cached.Order == NULL)) {
    Disabled = TRUE;
  } else if (Record == NULL) {
    Disabled = FALSE;
  } else if (IsLegacyGroup (Record)) {
    Disabled = LegacyDeviceDisabledByIndex (Record, Device, ByOrder);
  } else if (ByOrder) {
    Disabled = !OrderHolds (Cached.Order, Cached.Count, Record->OptionNumber);
  } else {
    Disabled = (BOOLEAN)((Record->Attributes & LOAD_OPTION_ACTIVE) == 0);
  }

  FreePool (Cached.Order);
  return Disabled;
}

VOID
SelectLegacyGroupByIndex (
  IN UINT16  Index
  )
{
  UINTN  Seen = 0;

  for (UINTN At = 0; At < gBootOptionCount; At++) {
    BOOT_OPTION_INFO  *Record = &gBootOptionTable[At];
    if (IsLegacyGroup (Record) && ((Record->Attributes & LOAD_OPTION_HIDDEN) == 0) && (Seen++ == Index)) {
      gCurrentLegacyGroup = Record;
      return;
    }
  }
}

/** @file
  Editing the cached "BootOrder" and "DriverOrder" when a boot-priority question
  picks an option for one position: the whole order is rewritten so that every
  option keeps appearing once, and the disabled marker stands for the positions
  that hold no option. The rules of the marker live here: what an order read in
  makes of it, what a save makes of it (the active bits, the inactive options the
  marker stands for) as well as the edits. The variable cache hands every write of
  an order here (gBootManagerOrders).
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

typedef struct {
  UINT16   *Order;
  UINTN    Count;
  UINT16   Marker;
  BOOLEAN  Driver;
} EDITED_ORDER;

UINT16
GetOrderDisabledMarker (
  IN BOOLEAN  Driver
  )
{
  return Driver ? gDriverOrderDisabledMarker : gBootOrderDisabledMarker;
}

BOOLEAN
IsHiddenLoadOption (
  IN BOOLEAN  Driver,
  IN UINT16   OptionNumber
  )
{
  BOOT_OPTION_INFO  *Record = Driver ? FindDriverOption (OptionNumber) : FindBootOption (OptionNumber);

  return (BOOLEAN)((Record != NULL) && ((Record->Attributes & LOAD_OPTION_HIDDEN) != 0));
}

UINT32
OrderedOptionAttributes (
  IN CONST BOOT_OPTION_INFO  *Record,
  IN CONST UINT16            *Order,
  IN UINTN                   Count
  )
{
  UINT32  Attributes = Record->Attributes;

  // Hidden options are never offered, so the order says nothing of them.
  if ((Attributes & LOAD_OPTION_HIDDEN) != 0) {
    return Attributes;
  }

  Attributes &= ~(UINT32)LOAD_OPTION_ACTIVE;
  if (OrderHolds (Order, Count, Record->OptionNumber)) {
    Attributes |= LOAD_OPTION_ACTIVE;
  }

  return Attributes;
}

UINTN
ResolveOrderMarkers (
  IN  BOOLEAN       Driver,
  IN  CONST UINT16  *Cached,
  IN  UINTN         Count,
  OUT UINT16        *Order
  )
{
  BOOT_OPTION_INFO  *Table   = Driver ? gDriverOptionTable : gBootOptionTable;
  UINTN             Options  = Driver ? gDriverOptionCount : gBootOptionCount;
  UINT16            Marker   = GetOrderDisabledMarker (Driver);
  UINTN             Used     = 0;
  UINTN             NextFree = 0;

  for (UINTN At = 0; At < Count; At++) {
    UINT16  Number = ReadUnaligned16 (&Cached[At]);

    if (Number != Marker) {
      Order[Used++] = Number;
      continue;
    }

    // The next option neither named by the order nor hidden takes the marker's place;
    // a marker no option is left for is dropped rather than stored as an option number.
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

  return Used;
}

static BOOLEAN
IsHiddenOption (
  IN CONST EDITED_ORDER  *Edit,
  IN UINT16              OptionNumber
  )
{
  return IsHiddenLoadOption (Edit->Driver, OptionNumber);
}

// The first position from From on that holds Value; Count when none.
static UINTN
FindEntry (
  IN CONST EDITED_ORDER  *Edit,
  IN UINTN               From,
  IN UINT16              Value
  )
{
  for (UINTN Index = From; Index < Edit->Count; Index++) {
    if (Edit->Order[Index] == Value) {
      return Index;
    }
  }

  return Edit->Count;
}

/**
  Position Position is disabled: the options after it move up one place, each to the
  previous position that is not a hidden option's, and the marker takes the last
  place they left. Hidden options keep their places.
**/
static VOID
DisablePosition (
  IN OUT EDITED_ORDER  *Edit,
  IN     UINTN         Position
  )
{
  UINTN  Free = Position;

  for (UINTN Index = Position + 1; Index < Edit->Count; Index++) {
    if (!IsHiddenOption (Edit, Edit->Order[Index])) {
      Edit->Order[Free] = Edit->Order[Index];
      Free              = Index;
    }
  }

  Edit->Order[Free] = Edit->Marker;
}

// A disabled position gets Value: it joins the end of the enabled options.
static VOID
EnableAtMarker (
  IN OUT EDITED_ORDER  *Edit,
  IN     UINT16        Value
  )
{
  UINTN  Found = FindEntry (Edit, 0, Value);
  UINTN  End;

  if (Found == Edit->Count) {
    Found = FindEntry (Edit, 0, Edit->Marker);      // the position holds the marker, so one exists
    Edit->Order[Found] = Value;
    return;
  }

  End = FindEntry (Edit, Found + 1, Edit->Marker);
  for (UINTN Index = Found; Index + 1 < End; Index++) {
    Edit->Order[Index] = Edit->Order[Index + 1];
  }

  Edit->Order[End - 1] = Value;
}

static VOID
EditOrder (
  IN OUT EDITED_ORDER  *Edit,
  IN     UINTN         Position,
  IN     UINT16        Value
  )
{
  UINT16  Old = Edit->Order[Position];
  UINTN   Earlier;

  // Hidden options are never offered and keep their places: a change that would move one is dropped.
  if ((Value == Old) || IsHiddenOption (Edit, Old) || IsHiddenOption (Edit, Value)) {
    return;
  }

  if (Value == Edit->Marker) {
    DisablePosition (Edit, Position);
  } else if (Old == Edit->Marker) {
    EnableAtMarker (Edit, Value);
  } else {
    // The option chosen here leaves its old place to the option that stood here.
    Earlier = FindEntry (Edit, 0, Value);
    Earlier = (Earlier == Position) ? FindEntry (Edit, Position + 1, Value) : Earlier;
    Edit->Order[Position] = Value;
    if (Earlier < Edit->Count) {
      Edit->Order[Earlier] = Old;
    }
  }
}

/**
  The cached order of Index with Value chosen for position *Offset / 2, as a new
  buffer of the whole order (*Offset 0). A position past the order changes nothing:
  the order comes back as it is.
**/
static EFI_STATUS
ReorderOptionOrder (
  IN     BOOLEAN  Driver,
  IN     UINT16   Value,
  IN OUT UINT32   *Offset,
  OUT    UINT64   *Size,
  OUT    VOID     **Buffer
  )
{
  UINTN         Index  = Driver ? SETUP_VARIABLE_INDEX_DRIVER_ORDER : SETUP_VARIABLE_INDEX_BOOT_ORDER;
  UINTN         Count  = Driver ? gDriverOptionCount : gBootOptionCount;
  UINTN         Cached = 0;
  EDITED_ORDER  Edit;
  UINTN         Position;

  if ((Offset == NULL) || (Size == NULL) || (Buffer == NULL)) {
    return EFI_INVALID_PARAMETER;
  }

  Edit.Order  = (UINT16 *)GetCachedVariable (Index, &Cached);
  Edit.Count  = (Cached / sizeof (UINT16) < Count) ? Cached / sizeof (UINT16) : Count;
  Edit.Marker = GetOrderDisabledMarker (Driver);
  Edit.Driver = Driver;
  if ((Edit.Order == NULL) || (Edit.Count == 0)) {
    FreePool (Edit.Order);
    return EFI_NOT_FOUND;
  }

  Position = *Offset / sizeof (UINT16);
  if (Position < Edit.Count) {
    EditOrder (&Edit, Position, Value);
  }

  *Offset = 0;
  *Size   = Edit.Count * sizeof (UINT16);
  *Buffer = Edit.Order;
  return EFI_SUCCESS;
}

// A stored order's options that are neither active nor hidden become the marker.
static VOID
NormaliseOptionOrder (
  IN OUT VARIABLE_CACHE_ENTRY  *Entry,
  IN     BOOLEAN               Driver
  )
{
  UINT8             *Data  = (UINT8 *)Entry->Data;
  UINT16            Marker = GetOrderDisabledMarker (Driver);
  BOOT_OPTION_INFO  *Record;

  if ((Data == NULL) || ((Driver ? gDriverOptionCount : gBootOptionCount) == 0)) {
    return;
  }

  for (UINTN At = 0; At + 2 <= Entry->Size; At += 2) {
    Record = Driver ? FindDriverOption (ReadUnaligned16 (Data + At)) : FindBootOption (ReadUnaligned16 (Data + At));
    if ((Record != NULL) && ((Record->Attributes & (LOAD_OPTION_ACTIVE | LOAD_OPTION_HIDDEN)) == 0)) {
      WriteUnaligned16 (Data + At, Marker);
    }
  }
}

static VOID
OrderReadIn (
  IN     UINTN                 Index,
  IN OUT VARIABLE_CACHE_ENTRY  *Entry
  )
{
  if (Index == SETUP_VARIABLE_INDEX_LEGACY_DEV_ORDER) {
    NormaliseLegacyOrder (Entry);
  } else {
    NormaliseOptionOrder (Entry, (BOOLEAN)(Index == SETUP_VARIABLE_INDEX_DRIVER_ORDER));
  }
}

static EFI_STATUS
OrderQuestionWrite (
  IN     UINTN   Index,
  IN     UINT16  Value,
  IN OUT UINT32  *Offset,
  OUT    UINT64  *Size,
  OUT    VOID    **Buffer
  )
{
  if (Index == SETUP_VARIABLE_INDEX_LEGACY_DEV_ORDER) {
    return ReorderLegacyDevOrderCache (Value, Offset, Size, Buffer);
  }

  return ReorderOptionOrder ((BOOLEAN)(Index == SETUP_VARIABLE_INDEX_DRIVER_ORDER), Value, Offset, Size, Buffer);
}

/**
  The entry of a boot or driver order that + (TowardFront) or - makes the question
  at position Position take: the one before it (the first stays first), or the one
  after it unless that is the disabled marker or there is none. A position that
  holds the marker keeps it. FALSE when the position lies past the order's end.
**/
static BOOLEAN
StepOptionOrder (
  IN  CONST UINT8  *Order,
  IN  UINTN        Count,
  IN  UINTN        Position,
  IN  UINT16       Marker,
  IN  BOOLEAN      TowardFront,
  OUT UINT16       *Value
  )
{
  if (Position >= Count) {
    return FALSE;
  }

  *Value = ReadUnaligned16 (Order + Position * 2);
  if (*Value == Marker) {
    return TRUE;
  }

  if (TowardFront) {
    *Value = ReadUnaligned16 (Order + ((Position == 0) ? 0 : Position - 1) * 2);
  } else if ((Position + 1 < Count) && (ReadUnaligned16 (Order + (Position + 1) * 2) != Marker)) {
    *Value = ReadUnaligned16 (Order + (Position + 1) * 2);
  }

  return TRUE;
}

BOOLEAN
StepOrderQuestion (
  IN  UINTN    Index,
  IN  UINTN    Offset,
  IN  BOOLEAN  TowardFront,
  OUT UINT16   *Value
  )
{
  UINTN    Size   = 0;
  UINT8    *Order = (UINT8 *)GetCachedVariable (Index, &Size);
  UINT16   Old    = 0;
  BOOLEAN  Stepped;

  if (Index == SETUP_VARIABLE_INDEX_LEGACY_DEV_ORDER) {
    // An entry the order does not reach reads as 0, as the question's own read answers it.
    Old = ((Order != NULL) && (Offset + sizeof (UINT16) <= Size)) ? ReadUnaligned16 (Order + Offset) : 0;
    FreePool (Order);
    *Value = Old;
    GetLegacyDeviceStepValue (Offset, TowardFront, Value);
    return (BOOLEAN)(*Value != Old);
  }

  Stepped = (Order != NULL) &&
            StepOptionOrder (Order, Size / 2, Offset / 2, GetOrderDisabledMarker (Index == SETUP_VARIABLE_INDEX_DRIVER_ORDER),
              TowardFront, Value);
  Old = Stepped ? ReadUnaligned16 (Order + (Offset / 2) * 2) : 0;
  FreePool (Order);
  return (BOOLEAN)(Stepped && (*Value != Old));
}

CONST ORDER_VARIABLE_OWNER  gBootManagerOrders = { OrderReadIn, OrderQuestionWrite };

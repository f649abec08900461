/** @file
  The cached legacy device order (variable 8) while setup runs: the device
  questions of the current legacy group move devices within that group, + and -
  step a device's value, and loading defaults rebuilds the copy from the default
  order. In the cached copy a disabled device is the boot order's disabled marker;
  the rules of that marker, a save's included, live here.
**/
#include <engine/boot/LegacyDevOrder.h>
#include <engine/core/EngineGlobals.h>
#include <engine/variables/VariableCache.h>

#include <Guid/GlobalVariable.h>
#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/UefiLib.h>

static CONST EFI_GUID  mLegacyOrderGuid  = LEGACY_DEV_ORDER_VARIABLE_GUID;
static CONST EFI_GUID  mOrderChangedGuid = LEGACY_ORDER_CHANGED_EVENT_GUID;

BOOLEAN
IsLegacyCacheMarker (
  IN UINT16  Index
  )
{
  return (BOOLEAN)(Index == GetOrderDisabledMarker (FALSE));
}

VOID
NormaliseLegacyOrder (
  IN OUT VARIABLE_CACHE_ENTRY  *Entry
  )
{
  UINT8         *Data = (UINT8 *)Entry->Data;
  LEGACY_GROUP  Group;

  for (UINTN Offset = 0; ReadLegacyGroup (Data, Entry->Size, Offset, &Group); Offset = LEGACY_GROUP_NEXT (&Group)) {
    for (UINTN Position = 0; Position < Group.Count; Position++) {
      UINT8  *At = Data + Offset + LEGACY_GROUP_HEADER_SIZE + Position * sizeof (UINT16);

      if (ReadUnaligned16 (At) > 255) {
        WriteUnaligned16 (At, GetOrderDisabledMarker (FALSE));
      }
    }
  }
}

/** The next device of Record that Group does not list, from *Next on; FALSE when none is left. */
static BOOLEAN
NextLeftOutDevice (
  IN     CONST BOOT_OPTION_INFO  *Record,
  IN     CONST LEGACY_GROUP      *Group,
  IN OUT UINTN                   *Next,
  OUT    UINT16                  *Device
  )
{
  while (*Next < Record->LegacyDeviceCount) {
    BOOLEAN  Listed = FALSE;

    *Device = Record->LegacyDevices[(*Next)++].BbsIndex;
    for (UINTN Other = 0; Other < Group->Count; Other++) {
      Listed = Listed || ((LegacyGroupIndex (Group, Other) & 0xFF) == *Device);
    }

    if (!Listed) {
      return TRUE;
    }
  }

  return FALSE;
}

BOOLEAN
StoredLegacyIndex (
  IN     CONST BOOT_OPTION_INFO  *Record,
  IN     CONST LEGACY_GROUP      *Group,
  IN     UINTN                   Position,
  IN OUT UINTN                   *NextLeftOut,
  OUT    UINT16                  *Index,
  OUT    UINT16                  *LeftOutDevice
  )
{
  *Index         = LegacyGroupIndex (Group, Position);
  *LeftOutDevice = LEGACY_NO_DEVICE;
  if (!IsLegacyCacheMarker (*Index)) {
    return TRUE;
  }

  // The next device of the group that the order does not list takes the place, disabled.
  if (!NextLeftOutDevice (Record, Group, NextLeftOut, LeftOutDevice) || (*LeftOutDevice == LEGACY_NO_DEVICE)) {
    *LeftOutDevice = LEGACY_NO_DEVICE;
    return FALSE;
  }

  *Index = (UINT16)(*LeftOutDevice | LEGACY_INDEX_DISABLED);
  return TRUE;
}

// Indexes of one group, as an array the edits move entries in.
typedef struct {
  UINT8  *At;
  UINTN  Count;
} INDEX_LIST;

static UINT16
ItemAt (
  IN INDEX_LIST  List,
  IN UINTN       Position
  )
{
  return ReadUnaligned16 (List.At + Position * sizeof (UINT16));
}

static VOID
SetItem (
  IN INDEX_LIST  List,
  IN UINTN       Position,
  IN UINT16      Value
  )
{
  WriteUnaligned16 (List.At + Position * sizeof (UINT16), Value);
}

// Entries From+1 .. To-1 move up one place, and Value fills place To-1.
static VOID
MoveUpAndPlace (
  IN INDEX_LIST  List,
  IN UINTN       From,
  IN UINTN       To,
  IN UINT16      Value
  )
{
  for (UINTN Position = From; Position + 1 < To; Position++) {
    SetItem (List, Position, ItemAt (List, Position + 1));
  }

  SetItem (List, To - 1, Value);
}

static UINTN
FindItem (
  IN INDEX_LIST  List,
  IN UINT16      Value,
  IN UINTN       Skip
  )
{
  for (UINTN Position = 0; Position < List.Count; Position++) {
    if ((Position != Skip) && (ItemAt (List, Position) == Value)) {
      return Position;
    }
  }

  return List.Count;
}

// The edit rules of the order questions, applied to one group's indexes.
static VOID
ApplyOrderEdit (
  IN INDEX_LIST  List,
  IN UINTN       Position,
  IN UINT16      Value
  )
{
  UINT16  Old    = ItemAt (List, Position);
  UINT16  Marker = GetOrderDisabledMarker (FALSE);
  UINTN   Other  = FindItem (List, Value, Position);
  UINTN   FirstMarker;

  if (Value == Old) {
    return;
  }

  if (Value == Marker) {
    MoveUpAndPlace (List, Position, List.Count, Marker);
  } else if (Old == Marker) {
    FirstMarker = FindItem (List, Marker, List.Count);
    if (Other < List.Count) {
      // Taken out where it stood and placed last among the enabled devices.
      FirstMarker = (FirstMarker < Other) ? List.Count : FirstMarker;
      MoveUpAndPlace (List, Other, FirstMarker, Value);
    } else {
      SetItem (List, FirstMarker, Value);
    }
  } else {
    SetItem (List, Position, Value);
    if (Other < List.Count) {
      SetItem (List, Other, Old);
    }
  }
}

// The current group in Order, and the position Offset names in it; FALSE when Offset is outside its indexes.
static BOOLEAN
CurrentGroupPosition (
  IN  UINT8         *Order,
  IN  UINTN         Size,
  IN  UINTN         Offset,
  OUT INDEX_LIST    *List,
  OUT UINTN         *Position
  )
{
  LEGACY_GROUP  Group;
  UINTN         First;

  if ((gCurrentLegacyGroup == NULL) || !ReadLegacyGroup (Order, Size, gCurrentLegacyGroup->LegacyGroupOffset, &Group)) {
    return FALSE;
  }

  First = Group.Offset + LEGACY_GROUP_HEADER_SIZE;
  if ((Offset < First) || (((Offset - First) & 1) != 0) || ((Offset - First) / sizeof (UINT16) >= Group.Count)) {
    return FALSE;
  }

  List->At    = Order + First;
  List->Count = Group.Count;
  *Position   = (Offset - First) / sizeof (UINT16);
  return TRUE;
}

EFI_STATUS
ReorderLegacyDevOrderCache (
  IN     UINT16  Value,
  IN OUT UINT32  *Offset,
  OUT    UINT64  *Size,
  OUT    VOID    **Buffer
  )
{
  UINTN       OrderSize = 0;
  UINT8       *Order    = (UINT8 *)GetCachedVariable (SETUP_VARIABLE_INDEX_LEGACY_DEV_ORDER, &OrderSize);
  INDEX_LIST  List;
  UINTN       Position;

  if (Order == NULL) {
    return EFI_NOT_FOUND;
  }

  // A position outside the current group's indexes changes nothing: the order is
  // written back as it is, never another group's bytes.
  if (CurrentGroupPosition (Order, OrderSize, *Offset, &List, &Position)) {
    ApplyOrderEdit (List, Position, Value);
  }

  *Offset = 0;
  *Size   = OrderSize;
  *Buffer = Order;
  return EFI_SUCCESS;
}

VOID
GetLegacyDeviceStepValue (
  IN     UINTN    Offset,
  IN     BOOLEAN  TowardFront,
  IN OUT UINT16   *Value
  )
{
  UINTN       Size   = 0;
  UINT8       *Order = (UINT8 *)GetCachedVariable (SETUP_VARIABLE_INDEX_LEGACY_DEV_ORDER, &Size);
  INDEX_LIST  List;
  UINTN       Position;
  UINT16      Next;

  // A question outside the current group leaves the value as the caller had it.
  if (CurrentGroupPosition (Order, Size, Offset, &List, &Position)) {
    *Value = ItemAt (List, Position);
    if (IsLegacyCacheMarker (*Value)) {
      // stays
    } else if (TowardFront) {
      *Value = ItemAt (List, (Position == 0) ? 0 : Position - 1);
    } else if (Position + 1 < List.Count) {
      Next   = ItemAt (List, Position + 1);
      *Value = IsLegacyCacheMarker (Next) ? *Value : Next;
    }
  }

  FreePool (Order);
}

// The default group that stands for a legacy option: of its type, with devices, listing its first device.
static BOOLEAN
FindDefaultGroup (
  IN  CONST BOOT_OPTION_INFO      *Record,
  IN  CONST VARIABLE_CACHE_ENTRY  *Default,
  OUT LEGACY_GROUP                *Group,
  OUT BOOLEAN                     *Broken
  )
{
  CONST UINT8  *Data = (CONST UINT8 *)Default->Data;
  UINTN        Size  = (UINTN)Default->Size;
  UINT16       DeviceType;

  *Broken = FALSE;
  if (!GetLegacyOptionDeviceType (Record, &DeviceType) || (Record->LegacyDeviceCount == 0)) {
    return FALSE;
  }

  for (UINTN Offset = 0; Offset + LEGACY_GROUP_HEADER_SIZE <= Size; Offset += 4 + Group->Length) {
    if (!ReadLegacyGroup (Data, Size, Offset, Group)) {
      *Broken = TRUE;
      return FALSE;
    }

    for (UINTN Position = 0; (Group->DeviceType == DeviceType) && (Position < Group->Count); Position++) {
      if (LegacyGroupIndex (Group, Position) == Record->LegacyDevices[0].BbsIndex) {
        return TRUE;
      }
    }
  }

  return FALSE;
}

/**
  The default groups of the legacy options in "BootOrder" order, into NewOrder (of
  the default's size). FALSE when the walk must leave the cached copy as it was: an
  option deleted since setup began, or a default group that is not whole.
**/
static BOOLEAN
CollectDefaultGroups (
  IN  CONST UINT8                 *Boot,
  IN  UINTN                       BootSize,
  IN  CONST VARIABLE_CACHE_ENTRY  *Default,
  OUT UINT8                       *NewOrder
  )
{
  UINTN             Used = 0;
  BOOT_OPTION_INFO  *Record;
  LEGACY_GROUP      Group;
  BOOLEAN           Broken;

  for (UINTN At = 0; At + sizeof (UINT16) <= BootSize; At += sizeof (UINT16)) {
    Record = FindBootOption (ReadUnaligned16 (Boot + At));
    if (Record == NULL) {
      return FALSE;
    }

    if (!IsLegacyGroup (Record)) {
      continue;
    }

    // An option no default group fits keeps no group rather than another option's.
    Record->LegacyGroupOffset = LEGACY_NO_GROUP_OFFSET;
    if (!FindDefaultGroup (Record, Default, &Group, &Broken)) {
      if (Broken) {
        return FALSE;
      }

      continue;
    }

    if (Used + 4 + Group.Length <= Default->Size) {
      CopyMem (NewOrder + Used, (CONST UINT8 *)Default->Data + Group.Offset, 4 + (UINTN)Group.Length);
      Record->LegacyGroupOffset = (UINT32)Used;
      Used += 4 + (UINTN)Group.Length;
    }
  }

  return TRUE;
}

// Tells listeners that the order setup holds is not the one in NVRAM.
static VOID
SignalIfOrderDiffers (
  IN CONST UINT8  *Order,
  IN UINTN        Size
  )
{
  UINT8  *Stored    = NULL;
  UINTN  StoredSize = 0;

  if (EFI_ERROR (GetVariableBuffer (u"LegacyDevOrder", &mLegacyOrderGuid, (VOID **)&Stored, &StoredSize, NULL))) {
    return;
  }

  if ((StoredSize != Size) || (CompareMem (Stored, Order, Size) != 0)) {
    // Listeners are the board's; a failed signal changes nothing of the order.
    (VOID)SignalProtocolNotify (&mOrderChangedGuid);
  }

  FreePool (Stored);
}

VOID
ApplyDefaultLegacyDevOrder (
  IN OUT VARIABLE_CACHE_ENTRY        *Current,
  IN     CONST VARIABLE_CACHE_ENTRY  *Default
  )
{
  BBS_VIEW  Bbs;
  UINT8     *Boot    = NULL;
  UINTN     BootSize = 0;
  UINT8     *NewOrder;

  if ((Current == NULL) || (Default == NULL) || (Default->Data == NULL) || (Default->Size == 0) ||
      EFI_ERROR (ReadBbsTable (&Bbs)) ||
      EFI_ERROR (GetVariableBuffer (u"BootOrder", &gEfiGlobalVariableGuid, (VOID **)&Boot, &BootSize, NULL)))
  {
    return;
  }

  NewOrder = (BootSize == 0) ? NULL : (UINT8 *)AllocateZeroPool ((UINTN)Default->Size);
  if ((NewOrder == NULL) || !CollectDefaultGroups (Boot, BootSize, Default, NewOrder)) {
    FreePool (NewOrder);
    FreePool (Boot);
    return;
  }

  // The entry takes the new order's size with it, so no later access runs past it.
  FreePool (Current->Data);
  Current->Data = NewOrder;
  Current->Size = Default->Size;
  SignalIfOrderDiffers (NewOrder, (UINTN)Default->Size);
  FreePool (Boot);
}

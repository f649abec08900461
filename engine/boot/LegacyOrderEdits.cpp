/** @file
  The legacy device order as the boot lists and the boot use it: group names,
  disabled devices, and the BBS priorities a boot takes from the order.
**/
#include <engine/boot/LegacyDevOrder.h>
#include <engine/core/EngineGlobals.h>
#include <engine/variables/VariableCache.h>

#include <Guid/GlobalVariable.h>
#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/UefiLib.h>

#define LEGACY_INDEX_LIMIT  256

static CONST EFI_GUID  mLegacyOrderGuid  = LEGACY_DEV_ORDER_VARIABLE_GUID;

// The legacy order setup edits (variable 8), else the one in NVRAM; a copy the caller frees.
static UINT8 *
ReadLegacyOrder (
  OUT UINTN  *Size
  )
{
  UINT8  *Order;

  *Size = 0;
  Order = (UINT8 *)GetCachedVariable (SETUP_VARIABLE_INDEX_LEGACY_DEV_ORDER, Size);
  if ((Order == NULL) && EFI_ERROR (GetVariableBuffer (u"LegacyDevOrder", &mLegacyOrderGuid, (VOID **)&Order, Size, NULL))) {
    return NULL;
  }

  return Order;
}

// A disabled device: the marker of the cached copy, or an index with its high byte set as NVRAM keeps it.
static BOOLEAN
IsDisabledIndex (
  IN UINT16  Index
  )
{
  return (BOOLEAN)(IsLegacyCacheMarker (Index) || ((Index & LEGACY_INDEX_DISABLED) != 0));
}

// The record's group in Order; FALSE for a record that took none.
static BOOLEAN
RecordGroup (
  IN  CONST BOOT_OPTION_INFO  *Record,
  IN  CONST UINT8             *Order,
  IN  UINTN                   Size,
  OUT LEGACY_GROUP            *Group
  )
{
  return (BOOLEAN)((Record->LegacyDevices != NULL) && (Record->LegacyGroupOffset != LEGACY_NO_GROUP_OFFSET) &&
                   ReadLegacyGroup (Order, Size, Record->LegacyGroupOffset, Group));
}

CONST CHAR16 *
GetLegacyGroupName (
  IN CONST BOOT_OPTION_INFO  *Record
  )
{
  UINTN         Size;
  UINT8         *Order = ReadLegacyOrder (&Size);
  LEGACY_GROUP  Group;
  CONST CHAR16  *Name  = NULL;
  UINT16        First;

  if (RecordGroup (Record, Order, Size, &Group)) {
    Name  = Record->Description;
    First = (Group.Count == 0) ? GetOrderDisabledMarker (FALSE) : LegacyGroupIndex (&Group, 0);
    if (IsDisabledIndex (First)) {
      Name = u"Disabled in BBS Order";
    }

    for (UINTN Index = 0; !IsDisabledIndex (First) && (Index < Record->LegacyDeviceCount); Index++) {
      if (Record->LegacyDevices[Index].BbsIndex == First) {
        Name = Record->LegacyDevices[Index].Name;
        break;
      }
    }
  }

  FreePool (Order);
  return Name;
}

static BOOLEAN
GroupLists (
  IN CONST LEGACY_GROUP  *Group,
  IN UINT16              Index
  )
{
  for (UINTN Position = 0; Position < Group->Count; Position++) {
    if (LegacyGroupIndex (Group, Position) == Index) {
      return TRUE;
    }
  }

  return FALSE;
}

static BOOLEAN
InBootOrder (
  IN UINT16  OptionNumber
  )
{
  UINTN    Size  = 0;
  UINT8    *Order = (UINT8 *)GetCachedVariable (SETUP_VARIABLE_INDEX_BOOT_ORDER, &Size);
  BOOLEAN  Found = FALSE;

  if ((Order == NULL) && EFI_ERROR (GetVariableBuffer (u"BootOrder", &gEfiGlobalVariableGuid, (VOID **)&Order, &Size, NULL))) {
    return FALSE;
  }

  for (UINTN At = 0; !Found && (At + sizeof (UINT16) <= Size); At += sizeof (UINT16)) {
    Found = (BOOLEAN)(ReadUnaligned16 (Order + At) == OptionNumber);
  }

  FreePool (Order);
  return Found;
}

BOOLEAN
LegacyDeviceDisabledByIndex (
  IN CONST BOOT_OPTION_INFO  *Record,
  IN UINTN                   Position,
  IN BOOLEAN                 ByOrder
  )
{
  UINTN         Size;
  UINT8         *Order;
  LEGACY_GROUP  Group;
  BOOLEAN       Disabled = TRUE;

  if (ByOrder ? !InBootOrder (Record->OptionNumber) : ((Record->Attributes & LOAD_OPTION_ACTIVE) == 0)) {
    return TRUE;
  }

  Order = ReadLegacyOrder (&Size);
  if (RecordGroup (Record, Order, Size, &Group)) {
    if (ByOrder) {
      Disabled = (BOOLEAN)((Position >= Record->LegacyDeviceCount) ||
                           !GroupLists (&Group, Record->LegacyDevices[Position].BbsIndex));
    } else {
      Disabled = (BOOLEAN)((Position >= Group.Count) || IsDisabledIndex (LegacyGroupIndex (&Group, Position)));
    }
  }

  FreePool (Order);
  return Disabled;
}

// Priorities of one group: unlisted devices never boot, listed ones count on from *Next.
VOID
AssignLegacyGroupPriorities (
  IN     CONST BOOT_OPTION_INFO  *Record,
  IN     CONST LEGACY_GROUP      *Group,
  IN OUT BBS_VIEW                *Bbs,
  IN OUT UINT16                  *Next
  )
{
  for (UINTN Index = 0; Index < Record->LegacyDeviceCount; Index++) {
    UINT16  Device = Record->LegacyDevices[Index].BbsIndex;
    if ((Device < Bbs->Count) && !GroupLists (Group, Device)) {
      Bbs->Table[Device].BootPriority = BBS_DO_NOT_BOOT_FROM;
    }
  }

  for (UINTN Position = 0; Position < Group->Count; Position++) {
    UINT16  Device = LegacyGroupIndex (Group, Position);
    if ((Device < LEGACY_INDEX_LIMIT) && (Device < Bbs->Count) &&
        (Bbs->Table[Device].BootPriority == BBS_UNPRIORITIZED_ENTRY))
    {
      Bbs->Table[Device].BootPriority = (*Next)++;
    }
  }
}

VOID
AssignAllLegacyPriorities (
  IN UINT16  First
  )
{
  BBS_VIEW          Bbs;
  UINT8             *Boot = NULL;
  UINTN             BootSize = 0;
  UINT8             *Order = NULL;
  UINTN             OrderSize = 0;
  BOOT_OPTION_INFO  *Record;
  LEGACY_GROUP      Group;

  if (EFI_ERROR (ReadBbsTable (&Bbs)) ||
      EFI_ERROR (GetVariableBuffer (u"BootOrder", &gEfiGlobalVariableGuid, (VOID **)&Boot, &BootSize, NULL)))
  {
    return;
  }

  // A missing order leaves no group to walk.
  (VOID)GetVariableBuffer (u"LegacyDevOrder", &mLegacyOrderGuid, (VOID **)&Order, &OrderSize, NULL);
  for (UINTN At = 0; At + sizeof (UINT16) <= BootSize; At += sizeof (UINT16)) {
    Record = FindBootOption (ReadUnaligned16 (Boot + At));
    if ((Record == NULL) || !IsLegacyGroup (Record)) {
      continue;
    }

    if (!RecordGroup (Record, Order, OrderSize, &Group)) {
      break;
    }

    AssignLegacyGroupPriorities (Record, &Group, &Bbs, &First);
  }

  FreePool (Boot);
  FreePool (Order);
}

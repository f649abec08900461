/** @file
  "LegacyDevOrder" read whole group by group, and its rebuild at every POST: the
  stored groups matched to the legacy boot options, devices let back from
  "DisabledDevs", disabled devices put last, and the device lists with their names.

  The variable lives in NVRAM that any boot-time code may write, and BBS indexes
  come from it: every group is checked to lie inside the variable, and an index
  names a BBS entry only when it is below the table's count.
**/
#include <engine/boot/LegacyDevOrder.h>
#include <engine/core/EngineGlobals.h>
#include <engine/variables/VariableCache.h>

#include <Guid/GlobalVariable.h>
#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/UefiLib.h>

#define ORDER_ATTRIBUTES          (EFI_VARIABLE_NON_VOLATILE | EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_RUNTIME_ACCESS)
#define BBS_NODE_DEVICE_TYPE_AT   4
#define TAKEN_GROUP_TYPE          0xFF

static CONST EFI_GUID  mLegacyOrderGuid = LEGACY_DEV_ORDER_VARIABLE_GUID;

EFI_LEGACY_BIOS_PROTOCOL  *gLegacyBios = NULL;

EFI_STATUS
LocateLegacyBios (
  VOID
  )
{
  EFI_STATUS  Status;

  if (gLegacyBios != NULL) {
    return EFI_SUCCESS;
  }

  Status = gBS->LocateProtocol (&gEfiLegacyBiosProtocolGuid, NULL, (VOID **)&gLegacyBios);
  if (EFI_ERROR (Status) || (gLegacyBios == NULL)) {
    gLegacyBios = NULL;
    return EFI_NOT_FOUND;
  }

  return EFI_SUCCESS;
}

EFI_STATUS
ReadBbsTable (
  OUT BBS_VIEW  *Bbs
  )
{
  EFI_STATUS  Status;

  ZeroMem (Bbs, sizeof (*Bbs));
  Status = LocateLegacyBios ();
  if (!EFI_ERROR (Status)) {
    Status = gLegacyBios->GetBbsInfo (gLegacyBios, &Bbs->HddCount, &Bbs->HddInfo, &Bbs->Count, &Bbs->Table);
  }

  if (!EFI_ERROR (Status) && (Bbs->Table == NULL)) {
    Bbs->Count = 0;                 // an empty table lists no device
  }

  return Status;
}

EFI_HANDLE
BbsEntryHandle (
  IN CONST BBS_TABLE  *Entry
  )
{
  return (EFI_HANDLE)(UINTN)(((UINT64)Entry->IBV2 << 32) | Entry->IBV1);
}

BOOLEAN
GetLegacyOptionDeviceType (
  IN  CONST BOOT_OPTION_INFO  *Record,
  OUT UINT16                  *DeviceType
  )
{
  CONST UINT8  *Node = (CONST UINT8 *)Record->DevicePath;

  if (!IsLegacyGroup (Record) || (Record->DevicePathSize < BBS_NODE_DEVICE_TYPE_AT + sizeof (UINT16)) ||
      (ReadUnaligned16 (Node + 2) < BBS_NODE_DEVICE_TYPE_AT + sizeof (UINT16)))
  {
    return FALSE;
  }

  *DeviceType = ReadUnaligned16 (Node + BBS_NODE_DEVICE_TYPE_AT);
  return TRUE;
}

static VOID
ForgetLegacyDevices (
  IN OUT BOOT_OPTION_INFO  *Record
  )
{
  FreeAndNull (Record->LegacyDevices);
  Record->LegacyDeviceCount = 0;
  Record->LegacyGroupOffset = 0;
}

VOID
ResetLegacyGroups (
  VOID
  )
{
  for (UINTN Index = 0; (gBootOptionTable != NULL) && (Index < gBootOptionCount); Index++) {
    ForgetLegacyDevices (&gBootOptionTable[Index]);
  }
}

// What the rebuild works on: the stored order (taken groups marked), the new
// orders being built, and the BBS table.
typedef struct {
  UINT8     *Stored;
  UINTN     StoredSize;
  UINT32    StoredAttributes;
  UINT8     *NewOrder;
  UINTN     NewSize;
  UINT16    *NewBoot;
  UINTN     NewBootCount;
  UINTN     Taken;
  BBS_VIEW  Bbs;
} LEGACY_REBUILD;

// The handle of the BBS entry a group's first index names; 0 when it names none.
static EFI_HANDLE
FirstDeviceHandle (
  IN CONST LEGACY_REBUILD  *Work,
  IN CONST LEGACY_GROUP    *Group
  )
{
  UINT16  Index;

  if (Group->Count == 0) {
    return NULL;
  }

  Index = LegacyGroupIndex (Group, 0) & 0x00FF;
  return (Index < Work->Bbs.Count) ? BbsEntryHandle (&Work->Bbs.Table[Index]) : NULL;
}

/**
  The stored group a legacy option takes: the first with devices, of the option's
  device type, that belongs to it.

  @retval EFI_SUCCESS         Group is the one taken.
  @retval EFI_NOT_FOUND       No group fits the option.
  @retval EFI_VOLUME_CORRUPTED A group of the stored order is not whole.
**/
static EFI_STATUS
FindStoredGroup (
  IN  CONST LEGACY_REBUILD    *Work,
  IN  CONST BOOT_OPTION_INFO  *Record,
  OUT LEGACY_GROUP            *Group
  )
{
  UINT16  DeviceType;
  BOOLEAN Typed = GetLegacyOptionDeviceType (Record, &DeviceType);

  // Bytes too few for a header end the groups; a header whose group is not whole
  // makes the stored order unusable.
  for (UINTN Offset = 0; Offset + LEGACY_GROUP_HEADER_SIZE <= Work->StoredSize; Offset += 4 + Group->Length) {
    if (!ReadLegacyGroup (Work->Stored, Work->StoredSize, Offset, Group)) {
      return EFI_VOLUME_CORRUPTED;
    }

    if (Typed && (Group->Count > 0) && (Group->DeviceType == DeviceType) &&
        LegacyGroupMatchesOption (Record, Group, FirstDeviceHandle (Work, Group)))
    {
      return EFI_SUCCESS;
    }
  }

  return EFI_NOT_FOUND;
}

// Devices no longer listed in "DisabledDevs" come back; the disabled ones go last.
static VOID
ArrangeDevices (
  IN CONST LEGACY_REBUILD  *Work,
  IN OUT UINT8             *Indexes,
  IN UINTN                 Count
  )
{
  for (UINTN Position = 0; Position < Count; Position++) {
    UINT16  Index = ReadUnaligned16 (Indexes + Position * 2);
    UINT16  Low   = Index & 0x00FF;
    if (((Index & 0xFF00) == LEGACY_INDEX_DISABLED) && (Low < Work->Bbs.Count) &&
        !IsLegacyDeviceInDisabledDevs (&Work->Bbs.Table[Low]))
    {
      WriteUnaligned16 (Indexes + Position * 2, Low);
    }
  }

  for (UINTN Position = 0; Position < Count; Position++) {
    UINTN  Later = Position + 1;
    UINT16 Index = ReadUnaligned16 (Indexes + Position * 2);
    if ((Index & 0xFF00) != LEGACY_INDEX_DISABLED) {
      continue;
    }

    while ((Later < Count) && ((ReadUnaligned16 (Indexes + Later * 2) & 0xFF00) == LEGACY_INDEX_DISABLED)) {
      Later++;
    }

    if (Later == Count) {
      break;
    }

    WriteUnaligned16 (Indexes + Position * 2, ReadUnaligned16 (Indexes + Later * 2));
    WriteUnaligned16 (Indexes + Later * 2, Index);
  }
}

// The record's device list from the copy of its group; FALSE when memory runs out.
static BOOLEAN
GiveDeviceList (
  IN     CONST LEGACY_REBUILD  *Work,
  IN OUT BOOT_OPTION_INFO      *Record,
  IN     CONST LEGACY_GROUP    *Copy
  )
{
  LEGACY_DEVICE_ENTRY  *Devices = (LEGACY_DEVICE_ENTRY *)AllocateZeroPool (Copy->Count * sizeof (LEGACY_DEVICE_ENTRY));

  if (Devices == NULL) {
    return FALSE;
  }

  for (UINTN Position = 0; Position < Copy->Count; Position++) {
    Devices[Position].BbsIndex = LegacyGroupIndex (Copy, Position) & 0x00FF;
    GetLegacyDeviceName (&Work->Bbs, Devices[Position].BbsIndex, Devices[Position].Name);
  }

  Record->LegacyGroupOffset = (UINT32)Copy->Offset;
  Record->LegacyDeviceCount = (UINT16)Copy->Count;
  Record->LegacyDevices     = Devices;
  return TRUE;
}

// Moves the taken group into the new order and gives the record its devices.
static BOOLEAN
TakeGroup (
  IN OUT LEGACY_REBUILD    *Work,
  IN OUT BOOT_OPTION_INFO  *Record,
  IN     CONST LEGACY_GROUP *Group
  )
{
  UINTN         Bytes = 4 + (UINTN)Group->Length;
  LEGACY_GROUP  Copy;

  CopyMem (Work->NewOrder + Work->NewSize, Work->Stored + Group->Offset, Bytes);
  WriteUnaligned32 (Work->Stored + Group->Offset, TAKEN_GROUP_TYPE);
  (VOID)ReadLegacyGroup (Work->NewOrder, Work->StoredSize, Work->NewSize, &Copy);   // whole, as its source was
  Work->NewSize += Bytes;
  Work->Taken++;
  ArrangeDevices (Work, (UINT8 *)Copy.Indexes, Copy.Count);
  return GiveDeviceList (Work, Record, &Copy);
}

/**
  Steps 4a-4g over "BootOrder": EFI_SUCCESS, or a failure (an invalid stored group,
  memory) after which nothing may be written.
**/
static EFI_STATUS
MatchBootOrder (
  IN OUT LEGACY_REBUILD  *Work,
  IN     CONST UINT8     *BootOrder,
  IN     UINTN           BootOrderSize
  )
{
  EFI_STATUS        Status;
  BOOT_OPTION_INFO  *Record;
  LEGACY_GROUP      Group;

  for (UINTN At = 0; At + sizeof (UINT16) <= BootOrderSize; At += sizeof (UINT16)) {
    Record = FindBootOption (ReadUnaligned16 (BootOrder + At));
    if ((Record == NULL) || !IsLegacyGroup (Record)) {
      if (Record != NULL) {
        Work->NewBoot[Work->NewBootCount++] = Record->OptionNumber;
      }

      continue;
    }

    Status = FindStoredGroup (Work, Record, &Group);
    if (Status == EFI_NOT_FOUND) {
      continue;                       // the option leaves "BootOrder"; its record keeps no devices
    }

    if (EFI_ERROR (Status)) {
      return Status;
    }

    if (!TakeGroup (Work, Record, &Group)) {
      return EFI_OUT_OF_RESOURCES;
    }

    Work->NewBoot[Work->NewBootCount++] = Record->OptionNumber;
  }

  return EFI_SUCCESS;
}

static VOID
WriteLegacyCounts (
  IN UINTN  Taken
  )
{
  UINT16  Groups = (UINT16)Taken;
  UINT16  Zero   = 0;

  // Nothing in the firmware reads these back; a refused write loses nothing here.
  (VOID)gRT->SetVariable ((CHAR16 *)u"LegacyDev", (EFI_GUID *)&mLegacyOrderGuid, EFI_VARIABLE_BOOTSERVICE_ACCESS,
              sizeof (Groups), &Groups);
  (VOID)gRT->SetVariable ((CHAR16 *)u"LegacyGroup", (EFI_GUID *)&mLegacyOrderGuid, EFI_VARIABLE_BOOTSERVICE_ACCESS,
              sizeof (Zero), &Zero);
}

// Steps 3-5 once both variables were read: FALSE when nothing may be written.
static BOOLEAN
RebuildFromStored (
  IN OUT LEGACY_REBUILD  *Work,
  IN     CONST UINT8     *BootOrder,
  IN     UINTN           BootOrderSize
  )
{
  Work->NewOrder = (UINT8 *)AllocateZeroPool (Work->StoredSize + 1);
  Work->NewBoot  = (UINT16 *)AllocateZeroPool (BootOrderSize + sizeof (UINT16));
  if ((Work->NewOrder == NULL) || (Work->NewBoot == NULL) ||
      EFI_ERROR (MatchBootOrder (Work, BootOrder, BootOrderSize)))
  {
    return FALSE;
  }

  // A store that refuses leaves the old orders, which the next POST takes up again.
  (VOID)gRT->SetVariable ((CHAR16 *)u"LegacyDevOrder", (EFI_GUID *)&mLegacyOrderGuid, Work->StoredAttributes,
              Work->NewSize, Work->NewOrder);
  (VOID)gRT->SetVariable ((CHAR16 *)u"BootOrder", &gEfiGlobalVariableGuid, ORDER_ATTRIBUTES,
              Work->NewBootCount * sizeof (UINT16), Work->NewBoot);
  return TRUE;
}

VOID
RebuildLegacyDevOrder (
  VOID
  )
{
  LEGACY_REBUILD  Work;
  VOID            *BootOrder    = NULL;
  UINTN           BootOrderSize = 0;
  BOOLEAN         Written       = TRUE;

  ZeroMem (&Work, sizeof (Work));
  ResetLegacyGroups ();
  if (EFI_ERROR (ReadBbsTable (&Work.Bbs))) {
    return;
  }

  if (!EFI_ERROR (GetVariableBuffer (u"LegacyDevOrder", &mLegacyOrderGuid, (VOID **)&Work.Stored, &Work.StoredSize,
                    &Work.StoredAttributes)) &&
      !EFI_ERROR (GetVariableBuffer (u"BootOrder", &gEfiGlobalVariableGuid, &BootOrder, &BootOrderSize, NULL)))
  {
    Written = RebuildFromStored (&Work, (CONST UINT8 *)BootOrder, BootOrderSize);
  }

  if (Written) {
    WriteLegacyCounts (Work.Taken);
  } else {
    // Nothing reached NVRAM, so no record may point into the order that was dropped.
    ResetLegacyGroups ();
  }

  FreePool (Work.Stored);
  FreePool (Work.NewOrder);
  FreePool (Work.NewBoot);
  FreePool (BootOrder);
}

/** @file
  The boot manager's part of a save for the legacy device order: the group of each
  legacy option of the boot order the save leaves stored, its devices as the cache
  orders them, each device the group leaves out written disabled, and the devices
  left out listed in "DisabledDevs". Once the save has written it, the legacy options' group offsets
  and device lists follow the stored layout, which the cache then holds too.
**/
#include <engine/boot/SaveWrites.h>
#include <engine/boot/BootOptions.h>
#include <engine/boot/LegacyDevOrder.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/SetupData.h>
#include <engine/variables/VariableCache.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/DevicePathLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/UefiLib.h>
#include <Protocol/DevicePath.h>

static CONST EFI_GUID  mLegacyOrderGuid  = LEGACY_DEV_ORDER_VARIABLE_GUID;
static CONST EFI_GUID  mDisabledDevsGuid = DISABLED_DEVS_VARIABLE_GUID;

/** Appends Size bytes to a growing buffer; FALSE (buffer freed, the plan out of memory) when it cannot grow. */
static BOOLEAN
AppendBytes (
  IN OUT SAVE_PLAN   *Plan,
  IN OUT UINT8       **Buffer,
  IN OUT UINTN       *Used,
  IN     CONST VOID  *Data,
  IN     UINTN       Size
  )
{
  UINT8  *Grown = (UINT8 *)ReallocatePool (*Used, *Used + Size, *Buffer);

  if (Grown == NULL) {
    FreePool (*Buffer);
    *Buffer        = NULL;
    *Used          = 0;
    Plan->NoMemory = TRUE;
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

/** Record's group as the save writes it, appended to Order; its devices left out appended to Paths. */
static VOID
PlanLegacyGroup (
  IN OUT SAVE_PLAN               *Plan,
  IN     CONST BOOT_OPTION_INFO  *Record,
  IN     CONST LEGACY_GROUP      *Group,
  IN     CONST BBS_VIEW          *Bbs OPTIONAL,
  IN OUT UINT8                   **Order,
  IN OUT UINTN                   *OrderSize,
  IN OUT UINT8                   **Paths,
  IN OUT UINTN                   *PathsSize
  )
{
  UINT8  Header[LEGACY_GROUP_HEADER_SIZE];
  UINTN  Start       = *OrderSize;
  UINTN  Devices     = 0;
  UINTN  NextLeftOut = 0;

  WriteUnaligned32 ((UINT32 *)Header, Group->DeviceType);
  WriteUnaligned16 ((UINT16 *)(Header + LEGACY_GROUP_LENGTH_AT), 0);
  if (!AppendBytes (Plan, Order, OrderSize, Header, sizeof (Header))) {
    return;
  }

  for (UINTN Position = 0; Position < Group->Count; Position++) {
    UINT16  Index;
    UINT16  LeftOut;

    if (!StoredLegacyIndex (Record, Group, Position, &NextLeftOut, &Index, &LeftOut)) {
      continue;       // a marker no device fills
    }

    if (LeftOut != LEGACY_NO_DEVICE) {
      EFI_DEVICE_PATH_PROTOCOL  *Path = BbsDevicePath (Bbs, LeftOut);
      if ((Path != NULL) && !AppendBytes (Plan, Paths, PathsSize, Path, GetDevicePathSize (Path))) {
        return;
      }
    }

    if (!AppendBytes (Plan, Order, OrderSize, &Index, sizeof (Index))) {
      return;
    }

    Devices++;
  }

  WriteUnaligned16 ((UINT16 *)(*Order + Start + LEGACY_GROUP_LENGTH_AT), (UINT16)(sizeof (UINT16) * (Devices + 1)));
  Plan->LegacyOffsets[Record - gBootOptionTable] = (UINT32)Start;
}

VOID
PlanLegacyOrder (
  IN OUT SAVE_PLAN                   *Plan,
  IN     CONST VARIABLE_CACHE_ENTRY  *Cached,
  IN     CONST UINT16                *BootOrder,
  IN     UINTN                       BootOrderCount
  )
{
  UINT8     *Order    = NULL;
  UINTN     OrderSize = 0;
  UINT8     *Paths    = NULL;
  UINTN     PathsSize = 0;
  BBS_VIEW  Bbs;
  BOOLEAN   HaveBbs   = !EFI_ERROR (ReadBbsTable (&Bbs));

  Plan->LegacyOffsets = (UINT32 *)AllocatePool ((gBootOptionCount + 1) * sizeof (UINT32));
  if (Plan->LegacyOffsets == NULL) {
    Plan->NoMemory = TRUE;
    return;
  }

  // A legacy option whose group the save does not write has none in the stored order.
  for (UINTN At = 0; At < gBootOptionCount; At++) {
    Plan->LegacyOffsets[At] = IsLegacyGroup (&gBootOptionTable[At]) ? LEGACY_NO_GROUP_OFFSET : gBootOptionTable[At].LegacyGroupOffset;
  }

  // The boot order the save leaves stored, inactive options included: a legacy option
  // the user disabled keeps its group, as the next start's rebuild expects.
  for (UINTN At = 0; (BootOrder != NULL) && (At < BootOrderCount) && !Plan->NoMemory; At++) {
    BOOT_OPTION_INFO  *Record = FindBootOption (ReadUnaligned16 (&BootOrder[At]));
    LEGACY_GROUP      Group;

    // A legacy option that took no group at the start has no devices and its offset names none.
    if ((Record == NULL) || !IsLegacyGroup (Record) || (Record->LegacyDevices == NULL) ||
        (Record->LegacyGroupOffset == LEGACY_NO_GROUP_OFFSET) ||
        (Plan->LegacyOffsets[Record - gBootOptionTable] != LEGACY_NO_GROUP_OFFSET) ||
        !ReadLegacyGroup ((CONST UINT8 *)Cached->Data, (UINTN)Cached->Size, Record->LegacyGroupOffset, &Group))
    {
      continue;
    }

    PlanLegacyGroup (Plan, Record, &Group, HaveBbs ? &Bbs : NULL, &Order, &OrderSize, &Paths, &PathsSize);
  }

  if (Plan->NoMemory) {
    FreePool (Order);
    FreePool (Paths);
    return;
  }

  Plan->LegacyPlanned   = TRUE;
  Plan->LegacyOrder     = Order;
  Plan->LegacyOrderSize = OrderSize;
  if (OrderSize == 0) {
    // No legacy option keeps a group: what NVRAM holds stays for the next start's rebuild.
    FreePool (Paths);
    return;
  }

  // "DisabledDevs" before the order whose disabled devices it lists: the two are written together.
  (VOID)AddWriteIfChanged (Plan, SAVE_PHASE_DISABLED_DEVICES, u"DisabledDevs", &mDisabledDevsGuid,
          EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_NON_VOLATILE, Paths, PathsSize);
  if (!Plan->NoMemory && !Plan->Unreadable) {
    PENDING_WRITE  *Write = AddWriteIfChanged (Plan, SAVE_PHASE_LEGACY_ORDER, u"LegacyDevOrder", &mLegacyOrderGuid,
                              VARIABLE_DEFAULT_ATTRIBUTES, AllocateCopyPool (OrderSize, Order), OrderSize);
    if (Write != NULL) {
      Write->SignalBefore = TRUE;   // the legacy order differs from NVRAM's
    }
  }
}

/** Record's device list in the order of the stored group: the flat boot list follows NVRAM. */
static VOID
FollowStoredGroup (
  IN OUT BOOT_OPTION_INFO    *Record,
  IN     CONST LEGACY_GROUP  *Group
  )
{
  for (UINTN Position = 0; (Position < Group->Count) && (Position < Record->LegacyDeviceCount); Position++) {
    UINT16  Wanted = (UINT16)(LegacyGroupIndex (Group, Position) & 0xFF);

    for (UINTN Other = Position; Other < Record->LegacyDeviceCount; Other++) {
      if (Record->LegacyDevices[Other].BbsIndex == Wanted) {
        LEGACY_DEVICE_ENTRY  Swap = Record->LegacyDevices[Position];
        Record->LegacyDevices[Position] = Record->LegacyDevices[Other];
        Record->LegacyDevices[Other]    = Swap;
        break;
      }
    }
  }
}

VOID
ApplySavedLegacyOrder (
  IN CONST SAVE_PLAN  *Plan
  )
{
  LEGACY_GROUP  Group;

  if (!Plan->LegacyPlanned || (Plan->LegacyOffsets == NULL)) {
    return;
  }

  for (UINTN At = 0; At < gBootOptionCount; At++) {
    BOOT_OPTION_INFO  *Record = &gBootOptionTable[At];

    if (!IsLegacyGroup (Record)) {
      continue;
    }

    Record->LegacyGroupOffset = Plan->LegacyOffsets[At];
    if ((Record->LegacyDevices != NULL) &&
        ReadLegacyGroup (Plan->LegacyOrder, Plan->LegacyOrderSize, Record->LegacyGroupOffset, &Group))
    {
      FollowStoredGroup (Record, &Group);
    }
  }
}

/** @file
  Launching by option number or flat-list entry, with "BootCurrent" around the launch,
  the BBS priorities a legacy launch needs, the retries of network options, and
  launching a file from every volume that may have it.
**/
#include <engine/textui/BootLaunch.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/EngineNeighbours.h>
#include <engine/core/HookMembers.h>
#include <engine/core/SetupDataFormat.h>
#include <engine/core/VariableCache.h>

#include <Guid/GlobalVariable.h>
#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/DevicePathLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Protocol/FirmwareVolume2.h>
#include <Protocol/LegacyBios.h>
#include <Protocol/SimpleTextIn.h>
#include <Protocol/SimpleTextOut.h>
#include <Protocol/SimpleFileSystem.h>

#define BOOT_FLOW_FIRMWARE_BOOTS  7
#define NETWORK_RETRIES           2
#define NETWORK_FAILURE_STALL_US  5000000
#define BBS_INDEX_LIMIT           256
#define LEGACY_GROUP_HEADER_SIZE  6      // u32 device type, u16 length

typedef struct {
  BBS_TABLE  *Table;
  UINT16     Count;
} BBS_VIEW;

/** The legacy BIOS's BBS table; FALSE when there is no legacy BIOS or no table. */
static
BOOLEAN
OpenBbsTable (
  OUT BBS_VIEW  *View
  )
{
  EFI_LEGACY_BIOS_PROTOCOL  *Legacy = NULL;
  UINT16                    HddCount;
  HDD_INFO                  *HddInfo;

  View->Table = NULL;
  View->Count = 0;
  return (BOOLEAN)(!EFI_ERROR (gBS->LocateProtocol (&gEfiLegacyBiosProtocolGuid, NULL, (VOID **)&Legacy)) &&
                   (Legacy != NULL) &&
                   !EFI_ERROR (Legacy->GetBbsInfo (Legacy, &HddCount, &HddInfo, &View->Count, &View->Table)) &&
                   (View->Table != NULL));
}

/** Every entry that may boot becomes unprioritised. */
static
VOID
ResetBbsPriorities (
  IN BBS_VIEW  *View
  )
{
  for (UINT16 Index = 0; Index < View->Count; Index++) {
    UINT16  Priority = View->Table[Index].BootPriority;
    if ((Priority < BBS_DO_NOT_BOOT_FROM) || (Priority == BBS_UNPRIORITIZED_ENTRY)) {
      View->Table[Index].BootPriority = BBS_UNPRIORITIZED_ENTRY;
    }
  }
}

UINT8 *
ReadLegacyDevOrder (
  OUT UINTN    *Size,
  OUT BOOLEAN  *Owned
  )
{
  UINT8  *Order = (UINT8 *)GetCachedVariable (SETUP_VARIABLE_INDEX_LEGACY_DEV_ORDER, Size);

  *Owned = FALSE;
  if (Order == NULL) {
    Order  = (UINT8 *)GetVariableByIndex (SETUP_VARIABLE_INDEX_LEGACY_DEV_ORDER, Size);
    *Owned = (BOOLEAN)(Order != NULL);
  }
  return Order;
}

// A group counts only when no read of it runs into the next group or past the data.
CONST UINT16 *
LegacyGroupDevices (
  IN  CONST UINT8  *Order,
  IN  UINTN        Size,
  IN  UINT32       Offset,
  OUT UINTN        *Count
  )
{
  UINT16  Length;

  *Count = 0;
  if ((Order == NULL) || (Size < LEGACY_GROUP_HEADER_SIZE) || (Offset > Size - LEGACY_GROUP_HEADER_SIZE)) {
    return NULL;
  }
  Length = ReadUnaligned16 (Order + Offset + 4);
  if ((Length < 2) || ((Length & 1) != 0) || (Length > Size - Offset - 4)) {
    return NULL;
  }
  *Count = (Length - 2) / 2;
  return (CONST UINT16 *)(Order + Offset + LEGACY_GROUP_HEADER_SIZE);
}

static
VOID
FreeOwnedOrder (
  IN UINT8    *Order,
  IN BOOLEAN  Owned
  )
{
  if (Owned) {
    FreePool (Order);
  }
}

static
BOOLEAN
GroupLists (
  IN CONST UINT16  *Devices,
  IN UINTN         Count,
  IN UINT16        BbsIndex
  )
{
  for (UINTN Index = 0; Index < Count; Index++) {
    if (ReadUnaligned16 (&Devices[Index]) == BbsIndex) {
      return TRUE;
    }
  }
  return FALSE;
}

/** Numbers the devices of Record's group from *Next on; its devices the group no longer lists do not boot. */
static
VOID
AssignGroupPriorities (
  IN     BBS_VIEW          *View,
  IN     BOOT_OPTION_INFO  *Record,
  IN OUT UINT16            *Next
  )
{
  UINTN         Size   = 0;
  BOOLEAN       Owned;
  UINT8         *Order = ReadLegacyDevOrder (&Size, &Owned);
  UINTN         Count;
  CONST UINT16  *Devices = LegacyGroupDevices (Order, Size, Record->LegacyGroupOffset, &Count);

  if (Devices == NULL) {
    FreeOwnedOrder (Order, Owned);
    return;
  }
  for (UINTN Index = 0; Index < Record->LegacyDeviceCount; Index++) {
    UINT16  BbsIndex = Record->LegacyDevices[Index].BbsIndex;
    if ((BbsIndex < View->Count) && !GroupLists (Devices, Count, BbsIndex)) {
      View->Table[BbsIndex].BootPriority = BBS_DO_NOT_BOOT_FROM;
    }
  }
  for (UINTN Index = 0; Index < Count; Index++) {
    UINT16  BbsIndex = ReadUnaligned16 (&Devices[Index]);
    if ((BbsIndex >= BBS_INDEX_LIMIT) || (BbsIndex >= View->Count)) {
      continue;  // a disabled device, or one the table does not have
    }
    UINT16  Priority = View->Table[BbsIndex].BootPriority;
    if ((Priority != 0) && (Priority != BBS_DO_NOT_BOOT_FROM)) {
      View->Table[BbsIndex].BootPriority = (*Next)++;
    }
  }
  FreeOwnedOrder (Order, Owned);
}

VOID
SetLegacyBootPriorities (
  IN BOOT_OPTION_INFO  *Record,
  IN UINT16            *Place OPTIONAL,
  IN UINTN             Count
  )
{
  BBS_VIEW          View;
  UINT16            Next = 0;
  BOOT_OPTION_INFO  *Group;

  if (!OpenBbsTable (&View)) {
    return;
  }
  ResetBbsPriorities (&View);
  if (Place == NULL) {
    if ((Record != NULL) && IsLegacyGroup (Record)) {
      AssignGroupPriorities (&View, Record, &Next);
    }
    return;
  }
  for (UINTN Index = 0; Index < Count; Index++) {
    Group = FindBootOption (ReadUnaligned16 (&Place[Index]));
    if ((Group != NULL) && IsLegacyGroup (Group)) {
      AssignGroupPriorities (&View, Group, &Next);
    }
  }
}

static
VOID
SetBootCurrent (
  IN UINT16  *OptionNumber OPTIONAL
  )
{
  // "BootCurrent" informs the booted image; a launch goes on without it.
  (VOID)gRT->SetVariable ((CHAR16 *)u"BootCurrent", &gEfiGlobalVariableGuid,
               EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_RUNTIME_ACCESS,
               (OptionNumber == NULL) ? 0 : sizeof (UINT16), OptionNumber);
}

/** Launches Record with "BootCurrent" set meanwhile; a failure is reported (and network paths retried). */
static
EFI_STATUS
LaunchRecord (
  IN BOOT_OPTION_INFO  *Record
  )
{
  UINT16      Number = Record->OptionNumber;
  EFI_STATUS  Status;

  SetBootCurrent (&Number);
  Status = LoadAndStartBootOption (Record->DevicePath, Record->OptionalData, Record->OptionalDataSize, 1);
  if (EFI_ERROR (Status)) {
    Status = ReportBootFailure (Record, Status);
  }
  SetBootCurrent (NULL);
  return Status;
}

EFI_STATUS
LaunchBootOption (
  IN UINT16  OptionNumber,
  IN UINT16  *Place OPTIONAL,
  IN UINTN   Count
  )
{
  BOOT_OPTION_INFO  *Record = FindBootOption (OptionNumber);

  if (Record == NULL) {
    return EFI_NOT_FOUND;
  }
  if (gBootFlowRequest != BOOT_FLOW_FIRMWARE_BOOTS) {
    SetLegacyBootPriorities (Record, Place, Count);
  }
  return LaunchRecord (Record);
}

/** The chosen legacy device boots first (priority 0), then the groups' devices in their order. */
static
EFI_STATUS
PrioritiseLegacyDevice (
  IN UINT16  BbsIndex
  )
{
  BBS_VIEW  View;
  UINT16    Next = 1;

  if (!OpenBbsTable (&View) || (BbsIndex >= View.Count)) {
    return EFI_UNSUPPORTED;
  }
  ResetBbsPriorities (&View);
  View.Table[BbsIndex].BootPriority = 0;
  for (UINTN Index = 0; Index < gBootOptionCount; Index++) {
    if (IsLegacyGroup (&gBootOptionTable[Index])) {
      AssignGroupPriorities (&View, &gBootOptionTable[Index], &Next);
    }
  }
  return EFI_SUCCESS;
}

EFI_STATUS
BootOptionByIndex (
  IN UINT16  Index
  )
{
  UINTN             Device = 0;
  BOOT_OPTION_INFO  *Record;

  (VOID)HookBootMenuSelection ();
  Record = FindFlatBootEntry (Index, &Device);
  if (Record == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }
  if (IsLegacyGroup (Record) && EFI_ERROR (PrioritiseLegacyDevice (Record->LegacyDevices[Device].BbsIndex))) {
    return EFI_UNSUPPORTED;
  }
  return LaunchRecord (Record);
}

static
VOID
ShowNetworkFailure (
  IN CONST CHAR16  *Line
  )
{
  if (gST->ConOut == NULL) {
    return;
  }
  // A console that cannot print loses only the message; the stall still gives the user time.
  (VOID)gST->ConOut->OutputString (gST->ConOut, (CHAR16 *)u"\r\n******************************\r\n");
  (VOID)gST->ConOut->OutputString (gST->ConOut, (CHAR16 *)Line);
  (VOID)gST->ConOut->OutputString (gST->ConOut, (CHAR16 *)u"******************************\r\n");
  (VOID)gST->ConOut->OutputString (gST->ConOut, (CHAR16 *)u"Please Check Network And Try Again.");
}

EFI_STATUS
ReportBootFailure (
  IN BOOT_OPTION_INFO  *Record,
  IN EFI_STATUS        Status
  )
{
  CONST UINT8                     *End  = (CONST UINT8 *)Record->DevicePath + Record->DevicePathSize;
  CONST EFI_DEVICE_PATH_PROTOCOL  *Node = Record->DevicePath;

  // The record's path was checked whole when it was loaded: its end node lies before End.
  for ( ; ((CONST UINT8 *)Node < End) && !IsDevicePathEnd (Node); Node = NextDevicePathNode (Node)) {
    BOOLEAN  Ip4 = (BOOLEAN)((Node->Type == MESSAGING_DEVICE_PATH) && (Node->SubType == MSG_IPv4_DP));
    BOOLEAN  Ip6 = (BOOLEAN)((Node->Type == MESSAGING_DEVICE_PATH) && (Node->SubType == MSG_IPv6_DP));
    if (!Ip4 && !Ip6) {
      if (!EFI_ERROR (Status)) {
        break;
      }
      continue;
    }
    for (UINTN Try = 0; (Try < NETWORK_RETRIES) && EFI_ERROR (Status); Try++) {
      Status = LoadAndStartBootOption (Record->DevicePath, Record->OptionalData, Record->OptionalDataSize, 1);
    }
    if (!EFI_ERROR (Status)) {
      return Status;
    }
    ShowNetworkFailure (Ip4 ? u"!!! Error: UEFI: PXE IP4 Boot Failed !!!\r\n" : u"!!! Error: UEFI: PXE IP6 Boot Failed !!!\r\n");
    (VOID)gBS->Stall (NETWORK_FAILURE_STALL_US);  // a stall cannot fail
  }
  return Status;
}

/** Launches Node appended to the path of each handle with Protocol in turn, up to the first success. */
static
EFI_STATUS
LaunchOnEveryHandle (
  IN EFI_GUID                        *Protocol,
  IN CONST EFI_GUID                  *FileGuid OPTIONAL,
  IN CONST CHAR16                    *FileName OPTIONAL
  )
{
  EFI_HANDLE                         *Handles = NULL;
  UINTN                              Count    = 0;
  EFI_STATUS                         Status   = EFI_UNSUPPORTED;
  MEDIA_FW_VOL_FILEPATH_DEVICE_PATH  Node;
  EFI_DEVICE_PATH_PROTOCOL           *Path;

  if (EFI_ERROR (gBS->LocateHandleBuffer (ByProtocol, Protocol, NULL, &Count, &Handles))) {
    return EFI_UNSUPPORTED;
  }
  for (UINTN Index = 0; Index < Count; Index++) {
    if (FileGuid != NULL) {
      Node.Header.Type    = MEDIA_DEVICE_PATH;
      Node.Header.SubType = MEDIA_PIWG_FW_FILE_DP;
      SetDevicePathNodeLength (&Node, sizeof (Node));
      CopyGuid (&Node.FvFileName, FileGuid);
      Path = AppendDevicePathNode (DevicePathFromHandle (Handles[Index]), &Node.Header);
    } else {
      Path = FileDevicePath (Handles[Index], FileName);
    }
    Status = (Path == NULL) ? EFI_OUT_OF_RESOURCES : LoadAndStartBootOption (Path, NULL, 0, 0);
    FreePool (Path);
    if (!EFI_ERROR (Status)) {
      break;
    }
  }
  FreePool (Handles);
  return Status;
}

EFI_STATUS
LaunchFvFileByGuid (
  IN CONST EFI_GUID  *FileGuid
  )
{
  return LaunchOnEveryHandle (&gEfiFirmwareVolume2ProtocolGuid, FileGuid, NULL);
}

EFI_STATUS
LaunchFileFromAnyFileSystem (
  IN CONST CHAR16  *Path
  )
{
  return LaunchOnEveryHandle (&gEfiSimpleFileSystemProtocolGuid, NULL, Path);
}

UINT64
LaunchOsRecoveryBootManager (
  IN CONST HOOK_ARGS  *Args
  )
{
  static CONST CHAR16  *CONST  Paths[] = {
    u"EFI\\Microsoft\\Recovery\\bootmgfw.efi",
    u"EFI\\VORN\\Boot\\bootmgfw.efi",
    NULL
  };

  (VOID)Args;
  for (UINTN Index = 0; Paths[Index] != NULL; Index++) {
    if (!EFI_ERROR (LaunchFileFromAnyFileSystem (Paths[Index]))) {
      break;
    }
  }
  return 0;
}

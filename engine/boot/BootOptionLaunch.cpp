/** @file
  Launching by option number or flat-list entry, with "BootCurrent" around the launch,
  the BBS priorities a legacy launch needs, the retries of network options, and
  launching a file from every volume that may have it.
**/
#include <engine/boot/BootFlowCodes.h>
#include <engine/boot/BootLaunch.h>
#include <engine/boot/LegacyDevOrder.h>
#include <engine/core/EngineGlobals.h>
#include <engine/boot/BootMenu.h>
#include <engine/core/SetupDataFormat.h>
#include <engine/variables/VariableCache.h>

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

#define NETWORK_RETRIES           2
#define NETWORK_FAILURE_STALL_US  5000000

/** Every entry that may boot becomes unprioritised. */
static
VOID
ResetBbsPriorities (
  IN BBS_VIEW  *Bbs
  )
{
  for (UINT16 Index = 0; Index < Bbs->Count; Index++) {
    UINT16  Priority = Bbs->Table[Index].BootPriority;
    if ((Priority < BBS_DO_NOT_BOOT_FROM) || (Priority == BBS_UNPRIORITIZED_ENTRY)) {
      Bbs->Table[Index].BootPriority = BBS_UNPRIORITIZED_ENTRY;
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

/** Record's group of "LegacyDevOrder" numbered from *Next on; a group that does not hold together is left alone. */
static
VOID
AssignRecordPriorities (
  IN     BBS_VIEW          *Bbs,
  IN     BOOT_OPTION_INFO  *Record,
  IN OUT UINT16            *Next
  )
{
  UINTN         Size = 0;
  BOOLEAN       Owned;
  UINT8         *Order = ReadLegacyDevOrder (&Size, &Owned);
  LEGACY_GROUP  Group;

  if (ReadLegacyGroup (Order, Size, Record->LegacyGroupOffset, &Group)) {
    AssignLegacyGroupPriorities (Record, &Group, Bbs, Next);
  }
  if (Owned) {
    FreePool (Order);
  }
}

VOID
SetLegacyBootPriorities (
  IN BOOT_OPTION_INFO  *Record,
  IN UINT16            *Place OPTIONAL,
  IN UINTN             Count
  )
{
  BBS_VIEW          Bbs;
  UINT16            Next = 0;
  BOOT_OPTION_INFO  *Group;

  if (EFI_ERROR (ReadBbsTable (&Bbs))) {
    return;
  }
  ResetBbsPriorities (&Bbs);
  if (Place == NULL) {
    if ((Record != NULL) && IsLegacyGroup (Record)) {
      AssignRecordPriorities (&Bbs, Record, &Next);
    }
    return;
  }
  for (UINTN Index = 0; Index < Count; Index++) {
    Group = FindBootOption (ReadUnaligned16 (&Place[Index]));
    if ((Group != NULL) && IsLegacyGroup (Group)) {
      AssignRecordPriorities (&Bbs, Group, &Next);
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
  BBS_VIEW  Bbs;

  if (EFI_ERROR (ReadBbsTable (&Bbs)) || (BbsIndex >= Bbs.Count)) {
    return EFI_UNSUPPORTED;
  }
  ResetBbsPriorities (&Bbs);
  Bbs.Table[BbsIndex].BootPriority = 0;
  AssignAllLegacyPriorities (1);
  return EFI_SUCCESS;
}

EFI_STATUS
BootOptionByIndex (
  IN UINT16  Index
  )
{
  UINTN             Device = 0;
  BOOT_OPTION_INFO  *Record;

  (VOID)HookBootMenuSelection ();     // a notification: the board's answer decides nothing here
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

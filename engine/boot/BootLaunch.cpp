/** @file
  LoadAndStartBootOption: the one road of every launch. A UEFI option is loaded by its
  path (a short-form hard-drive path expanded first), then, when that fails, from the
  default boot file of the removable medium the path names, or of the first volume on
  or below a whole device the path names; a legacy option boots
  through the legacy BIOS. The hooks, event groups and status codes around a launch
  are what board code and other drivers wait for.
**/
#include <engine/boot/BootFlowCodes.h>
#include <engine/boot/BootLaunch.h>
#include <engine/boot/LegacyDevOrder.h>
#include <engine/textui/TextScreen.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/TaskPriority.h>
#include <engine/boot/BootGraphics.h>
#include <engine/boot/BootSecurity.h>
#include <engine/core/HookTable.h>
#include <engine/core/BootScreenInterface.h>

#include <Guid/ConfigurationTables.h>
#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/DevicePathLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/ReportStatusCodeLib.h>
#include <Library/UefiLib.h>
#include <Protocol/BlockIo.h>
#include <Protocol/ConsoleControl.h>
#include <Protocol/LegacyBios.h>
#include <Protocol/LoadedImage.h>
#include <Protocol/SimpleFileSystem.h>
#include <Protocol/SimpleTextOut.h>
#include <Protocol/UsbIo.h>

EFI_HANDLE  gLastBootImage = NULL;
VOID        (*gSetBootScreenState)(IN UINT64 State) = NULL;

// Just before a UEFI image starts; after any launch returns.
static EFI_GUID  mBeforeEfiBootGroup = { 0x3677770F, 0xEFB2, 0x43B2, { 0xB8, 0xAE, 0xB3, 0x02, 0xE9, 0x60, 0x48, 0x82 } };
static EFI_GUID  mAfterBootGroup     = { 0x8C12A959, 0x70BC, 0x4362, { 0xB4, 0x37, 0xB8, 0x05, 0x14, 0xA1, 0x91, 0x6E } };
// Protocols whose arrival while an image runs means the OS took the screen.
static EFI_GUID  mCleanupWatch[2] = {
  { 0x47C7B223, 0xC42A, 0x11D2, { 0x8E, 0x57, 0x00, 0xA0, 0xC9, 0x69, 0x72, 0x3B } },
  { 0x63027E08, 0x7F9B, 0x4F30, { 0x87, 0xAC, 0x60, 0xC9, 0xFE, 0xF5, 0xDA, 0x4E } },
};
// The firmware's own boot manager, which boots under boot flow 7.
static EFI_GUID  mFirmwareBootGuid = { 0x30CB7768, 0xECDE, 0x445A, { 0xBA, 0xAC, 0x66, 0x54, 0x45, 0x09, 0x55, 0x22 } };

typedef EFI_STATUS (EFIAPI *FIRMWARE_BOOT)(VOID);

static EFI_EVENT  mCleanupEvents[2];
static VOID       *mCleanupRegistrations[2];

static
VOID
CloseCleanupEvents (
  VOID
  )
{
  CloseEventAndClear (&mCleanupEvents[0]);
  CloseEventAndClear (&mCleanupEvents[1]);
}

/** The OS has taken the screen: hand it over clean, with the cursor on. */
static
VOID
EFIAPI
OnScreenTakenOver (
  IN EFI_EVENT  Event,
  IN VOID       *Context
  )
{
  (VOID)Event;
  (VOID)Context;
  InvalidateBootLogoTable ();
  ClearGraphicsScreen ();
  if (gST->ConOut != NULL) {
    // The screen belongs to the OS now; there is nothing to do about a console that fails.
    (VOID)gST->ConOut->ClearScreen (gST->ConOut);
    (VOID)gST->ConOut->EnableCursor (gST->ConOut, TRUE);
  }
  CloseCleanupEvents ();
}

static
VOID
RegisterCleanupEvents (
  VOID
  )
{
  for (UINTN Index = 0; Index < 2; Index++) {
    if (EFI_ERROR (gBS->CreateEvent (EVT_NOTIFY_SIGNAL, TPL_CALLBACK, OnScreenTakenOver, NULL, &mCleanupEvents[Index]))) {
      mCleanupEvents[Index] = NULL;
      continue;
    }
    if (EFI_ERROR (gBS->RegisterProtocolNotify (&mCleanupWatch[Index], mCleanupEvents[Index],
                     &mCleanupRegistrations[Index])))
    {
      CloseEventAndClear (&mCleanupEvents[Index]);
    }
  }
}

static
VOID
EFIAPI
IgnoreSignal (
  IN EFI_EVENT  Event,
  IN VOID       *Context
  )
{
  (VOID)Event;
  (VOID)Context;
}

/** The standard ready-to-boot group: an event of the group created, signalled and closed. */
static
VOID
SignalReadyToBoot (
  VOID
  )
{
  EFI_EVENT  Event;

  if (!EFI_ERROR (gBS->CreateEventEx (EVT_NOTIFY_SIGNAL, TPL_CALLBACK, IgnoreSignal, NULL, &gEfiEventReadyToBootGuid,
                    &Event)))
  {
    (VOID)gBS->SignalEvent (Event);  // a valid event cannot refuse
    (VOID)gBS->CloseEvent (Event);
  }
}

/** Event groups have no status worth acting on here: a missing listener is normal. */
static
VOID
SignalGroup (
  IN EFI_GUID  *Group
  )
{
  (VOID)SignalProtocolNotify (Group);     // the groups only inform board code; a signal no one receives changes nothing
}

static
BOOLEAN
IsBbsPath (
  IN CONST EFI_DEVICE_PATH_PROTOCOL  *Path
  )
{
  return (BOOLEAN)(((Path->Type & 0x7F) == BBS_DEVICE_PATH) && (Path->SubType == BBS_BBS_DP));
}

/** Under boot flow 7 the firmware's own boot manager boots; the engine only prepares the screen. */
static
EFI_STATUS
HandOverToFirmwareBoot (
  IN EFI_DEVICE_PATH_PROTOCOL  *DevicePath
  )
{
  FIRMWARE_BOOT  *Boot = NULL;
  EFI_STATUS     Status;

  if (IsBbsPath (DevicePath)) {
    (VOID)HookBeforeLegacyBoot ();     // a notification: the board's answer decides nothing here
    RemoveBootLogoTable ();
  } else {
    (VOID)HookBeforeEfiBoot ();     // a notification: the board's answer decides nothing here
    CloseCleanupEvents ();
    SignalGroup (&mBeforeEfiBootGroup);
    RegisterCleanupEvents ();
  }

  Status = gBS->LocateProtocol (&mFirmwareBootGuid, NULL, (VOID **)&Boot);
  Status = (EFI_ERROR (Status) || (Boot == NULL) || (*Boot == NULL)) ? EFI_UNSUPPORTED : (*Boot)();
  SignalGroup (&mAfterBootGroup);
  return Status;
}

static
EFI_STATUS
BootLegacyPath (
  IN EFI_DEVICE_PATH_PROTOCOL  *DevicePath
  )
{
  CONSOLE_CONTROL_PROTOCOL      *Control = NULL;
  CONSOLE_CONTROL_SCREEN_MODE   Mode;
  EFI_STATUS                    Status;

  // Console control is optional: firmware without it is always in a mode the legacy boot can take.
  if (!EFI_ERROR (gBS->LocateProtocol (&gConsoleControlProtocolGuid, NULL, (VOID **)&Control)) && (Control != NULL) &&
      !EFI_ERROR (Control->GetMode (Control, &Mode, NULL, NULL)) && (Mode == ConsoleControlScreenGraphics))
  {
    (VOID)Control->SetMode (Control, ConsoleControlScreenText);  // the legacy boot redraws the screen anyway
    InvalidateBootLogoTable ();
  }

  (VOID)HookBeforeLegacyBoot ();     // a notification: the board's answer decides nothing here
  RemoveBootLogoTable ();
  Status = LocateLegacyBios ();
  if (!EFI_ERROR (Status)) {
    Status = gLegacyBios->LegacyBoot (gLegacyBios, (BBS_BBS_DEVICE_PATH *)DevicePath, 0, NULL);
  }
  if (Status == EFI_SECURITY_VIOLATION) {
    ShowSecureBootViolation (Status);
  }
  (VOID)HookAfterLegacyBoot ();     // a notification: the board's answer decides nothing here
  return Status;
}

static
EFI_STATUS
LoadWithSecurityMessage (
  IN  EFI_DEVICE_PATH_PROTOCOL  *DevicePath,
  OUT EFI_HANDLE                *Image
  )
{
  EFI_STATUS  Status = gBS->LoadImage (TRUE, gImageHandle, DevicePath, NULL, 0, Image);

  // Only a Secure Boot refusal shows the message; other failures pass silently to the fallbacks.
  ShowSecureBootViolationAtBoot (Status);
  return Status;
}

static
BOOLEAN
IsHardDriveNode (
  IN CONST EFI_DEVICE_PATH_PROTOCOL  *Node
  )
{
  return (BOOLEAN)((Node->Type == MEDIA_DEVICE_PATH) && (Node->SubType == MEDIA_HARDDRIVE_DP) &&
                   (DevicePathNodeLength (Node) == sizeof (HARDDRIVE_DEVICE_PATH)));
}

/** The last node before the end of a valid path, or null for an empty one. */
static
CONST EFI_DEVICE_PATH_PROTOCOL *
LastNode (
  IN CONST EFI_DEVICE_PATH_PROTOCOL  *Path
  )
{
  CONST EFI_DEVICE_PATH_PROTOCOL  *Last = NULL;

  for ( ; !IsDevicePathEnd (Path); Path = NextDevicePathNode (Path)) {
    Last = Path;
  }
  return Last;
}

static
BOOLEAN
SamePartition (
  IN CONST HARDDRIVE_DEVICE_PATH  *A,
  IN CONST HARDDRIVE_DEVICE_PATH  *B
  )
{
  return (BOOLEAN)((ReadUnaligned32 (&A->PartitionNumber) == ReadUnaligned32 (&B->PartitionNumber)) &&
                   (A->SignatureType == B->SignatureType) && (CompareMem (A->Signature, B->Signature, 16) == 0));
}

EFI_DEVICE_PATH_PROTOCOL *
ExpandHardDriveDevicePath (
  IN CONST EFI_DEVICE_PATH_PROTOCOL  *ShortForm
  )
{
  EFI_HANDLE                      *Handles = NULL;
  UINTN                           Count    = 0;
  EFI_BLOCK_IO_PROTOCOL           *BlockIo;
  CONST EFI_DEVICE_PATH_PROTOCOL  *Path;
  CONST EFI_DEVICE_PATH_PROTOCOL  *Last;
  EFI_DEVICE_PATH_PROTOCOL        *Full = NULL;

  if ((ShortForm == NULL) || !IsDevicePathValid (ShortForm, 0) || !IsHardDriveNode (ShortForm) ||
      EFI_ERROR (gBS->LocateHandleBuffer (ByProtocol, &gEfiBlockIoProtocolGuid, NULL, &Count, &Handles)))
  {
    return NULL;
  }
  for (UINTN Index = 0; (Index < Count) && (Full == NULL); Index++) {
    if (EFI_ERROR (gBS->HandleProtocol (Handles[Index], &gEfiBlockIoProtocolGuid, (VOID **)&BlockIo)) ||
        (BlockIo->Media == NULL) || !BlockIo->Media->LogicalPartition)
    {
      continue;
    }
    Path = DevicePathFromHandle (Handles[Index]);
    Last = (Path == NULL) ? NULL : LastNode (Path);
    if ((Last != NULL) && IsHardDriveNode (Last) &&
        SamePartition ((CONST HARDDRIVE_DEVICE_PATH *)Last, (CONST HARDDRIVE_DEVICE_PATH *)ShortForm))
    {
      Full = AppendDevicePath (Path, NextDevicePathNode (ShortForm));
    }
  }
  FreePool (Handles);
  return Full;
}

/** USB class and WWID nodes match a device by its descriptors; 0xFFFF and 0xFF are wildcards. */
static
BOOLEAN
UsbDeviceMatches (
  IN EFI_USB_IO_PROTOCOL             *UsbIo,
  IN CONST EFI_DEVICE_PATH_PROTOCOL  *Node
  )
{
  EFI_USB_DEVICE_DESCRIPTOR     Device;
  EFI_USB_INTERFACE_DESCRIPTOR  Interface;

  if (EFI_ERROR (UsbIo->UsbGetDeviceDescriptor (UsbIo, &Device)) ||
      EFI_ERROR (UsbIo->UsbGetInterfaceDescriptor (UsbIo, &Interface)))
  {
    return FALSE;
  }
  if (Node->SubType == MSG_USB_WWID_DP) {
    CONST USB_WWID_DEVICE_PATH  *Wwid = (CONST USB_WWID_DEVICE_PATH *)Node;
    return (BOOLEAN)((ReadUnaligned16 (&Wwid->VendorId) == Device.IdVendor) &&
                     (ReadUnaligned16 (&Wwid->ProductId) == Device.IdProduct) &&
                     (ReadUnaligned16 (&Wwid->InterfaceNumber) == Interface.InterfaceNumber));
  }
  CONST USB_CLASS_DEVICE_PATH  *Class  = (CONST USB_CLASS_DEVICE_PATH *)Node;
  UINT16                       Vendor  = ReadUnaligned16 (&Class->VendorId);
  UINT16                       Product = ReadUnaligned16 (&Class->ProductId);
  // A device that declares its class per interface is matched on the interface.
  BOOLEAN  PerInterface = (BOOLEAN)(Device.DeviceClass == 0);
  UINT8    Kind         = PerInterface ? Interface.InterfaceClass : Device.DeviceClass;
  UINT8    SubKind      = PerInterface ? Interface.InterfaceSubClass : Device.DeviceSubClass;
  UINT8    Protocol     = PerInterface ? Interface.InterfaceProtocol : Device.DeviceProtocol;
  return (BOOLEAN)(((Vendor == 0xFFFF) || (Vendor == Device.IdVendor)) &&
                   ((Product == 0xFFFF) || (Product == Device.IdProduct)) &&
                   ((Class->DeviceClass == 0xFF) || (Class->DeviceClass == Kind)) &&
                   ((Class->DeviceSubClass == 0xFF) || (Class->DeviceSubClass == SubKind)) &&
                   ((Class->DeviceProtocol == 0xFF) || (Class->DeviceProtocol == Protocol)));
}

/** The first USB device a class or WWID path stands for; null when none is attached. */
static
EFI_HANDLE
FindUsbDevice (
  IN CONST EFI_DEVICE_PATH_PROTOCOL  *Node
  )
{
  EFI_HANDLE           *Handles = NULL;
  UINTN                Count    = 0;
  EFI_HANDLE           Found    = NULL;
  EFI_USB_IO_PROTOCOL  *UsbIo;

  if (EFI_ERROR (gBS->LocateHandleBuffer (ByProtocol, &gEfiUsbIoProtocolGuid, NULL, &Count, &Handles))) {
    return NULL;
  }
  for (UINTN Index = 0; (Index < Count) && (Found == NULL); Index++) {
    if (!EFI_ERROR (gBS->HandleProtocol (Handles[Index], &gEfiUsbIoProtocolGuid, (VOID **)&UsbIo)) &&
        UsbDeviceMatches (UsbIo, Node))
    {
      Found = Handles[Index];
    }
  }
  FreePool (Handles);
  return Found;
}

static
BOOLEAN
IsUsbShortForm (
  IN CONST EFI_DEVICE_PATH_PROTOCOL  *Path
  )
{
  return (BOOLEAN)((Path->Type == MESSAGING_DEVICE_PATH) &&
                   (((Path->SubType == MSG_USB_CLASS_DP) && (DevicePathNodeLength (Path) == sizeof (USB_CLASS_DEVICE_PATH))) ||
                    ((Path->SubType == MSG_USB_WWID_DP) && (DevicePathNodeLength (Path) >= sizeof (USB_WWID_DEVICE_PATH)))));
}

/** The file system a removable-media path names: the path must end at the volume. */
static
EFI_HANDLE
FindRemovableVolume (
  IN EFI_DEVICE_PATH_PROTOCOL  *DevicePath
  )
{
  EFI_DEVICE_PATH_PROTOCOL  *Rest   = DevicePath;
  EFI_HANDLE                Volume  = NULL;

  if (IsUsbShortForm (DevicePath)) {
    Volume = FindUsbDevice (DevicePath);
    Rest   = (Volume == NULL) ? NULL : DevicePathFromHandle (Volume);
    if (Rest == NULL) {
      return NULL;
    }
  }
  if (EFI_ERROR (gBS->LocateDevicePath (&gEfiSimpleFileSystemProtocolGuid, &Rest, &Volume)) ||
      !IsDevicePathEnd (Rest))
  {
    return NULL;
  }
  return Volume;
}

/** The default boot file of one volume. */
static
EFI_STATUS
LoadVolumeDefault (
  IN  EFI_HANDLE  Volume,
  OUT EFI_HANDLE  *Image
  )
{
  EFI_BLOCK_IO_PROTOCOL     *BlockIo;
  EFI_DEVICE_PATH_PROTOCOL  *File;
  VOID                      *Block;
  EFI_STATUS                Status;

  // Reading the first block makes a drive that changed media notice it before the load.
  if (!EFI_ERROR (gBS->HandleProtocol (Volume, &gEfiBlockIoProtocolGuid, (VOID **)&BlockIo)) &&
      (BlockIo->Media != NULL) && (BlockIo->Media->BlockSize != 0))
  {
    Block = AllocatePool (BlockIo->Media->BlockSize);
    if (Block != NULL) {
      // Only the drive's noticing counts, not what it read.
      (VOID)BlockIo->ReadBlocks (BlockIo, BlockIo->Media->MediaId, 0, BlockIo->Media->BlockSize, Block);
      FreePool (Block);
    }
  }
  File = FileDevicePath (Volume, u"\\EFI\\BOOT\\BOOTX64.EFI");
  if (File == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }
  Status = LoadWithSecurityMessage (File, Image);
  FreePool (File);
  return Status;
}

/**
  A path without a file node names a whole device: its boot file is on one of the
  volumes the device holds, so the path alone never loads anything.
**/
static
BOOLEAN
NamesWholeDevice (
  IN CONST EFI_DEVICE_PATH_PROTOCOL  *Path
  )
{
  for ( ; !IsDevicePathEnd (Path); Path = NextDevicePathNode (Path)) {
    if ((Path->Type == MEDIA_DEVICE_PATH) &&
        ((Path->SubType == MEDIA_FILEPATH_DP) || (Path->SubType == MEDIA_PIWG_FW_FILE_DP)))
    {
      return FALSE;
    }
  }
  return TRUE;
}

/** Whether Path starts with all of Prefix's nodes (whole nodes, so a byte prefix is a node prefix). */
static
BOOLEAN
PathStartsWith (
  IN CONST EFI_DEVICE_PATH_PROTOCOL  *Path,
  IN CONST EFI_DEVICE_PATH_PROTOCOL  *Prefix
  )
{
  UINTN  PrefixSize = GetDevicePathSize (Prefix) - END_DEVICE_PATH_LENGTH;
  UINTN  PathSize   = GetDevicePathSize (Path) - END_DEVICE_PATH_LENGTH;

  return (BOOLEAN)((PrefixSize <= PathSize) && (CompareMem (Path, Prefix, PrefixSize) == 0));
}

/**
  Firmware may leave a device's partitions and file systems unmade until its
  controllers are connected: connect the deepest controller on the path, and all
  below it, before looking for volumes.
**/
static
VOID
ConnectDevice (
  IN EFI_DEVICE_PATH_PROTOCOL  *DevicePath
  )
{
  EFI_DEVICE_PATH_PROTOCOL  *Rest   = DevicePath;
  EFI_HANDLE                Device  = NULL;

  if (EFI_ERROR (gBS->LocateDevicePath (&gEfiDevicePathProtocolGuid, &Rest, &Device)) || (Device == NULL)) {
    return;
  }
  // Nothing to bind (already connected, or no driver) is normal; the volume search decides.
  (VOID)gBS->ConnectController (Device, NULL, IsDevicePathEnd (Rest) ? NULL : Rest, TRUE);
}

/** A whole device boots the default boot file of the first of its volumes that has one. */
static
EFI_STATUS
LoadWholeDeviceDefault (
  IN  EFI_DEVICE_PATH_PROTOCOL  *DevicePath,
  OUT EFI_HANDLE                *Image
  )
{
  EFI_HANDLE                *Handles = NULL;
  UINTN                     Count    = 0;
  EFI_STATUS                Status   = EFI_NOT_FOUND;
  EFI_DEVICE_PATH_PROTOCOL  *Path;

  ConnectDevice (DevicePath);
  if (EFI_ERROR (gBS->LocateHandleBuffer (ByProtocol, &gEfiSimpleFileSystemProtocolGuid, NULL, &Count, &Handles))) {
    return EFI_NOT_FOUND;
  }
  for (UINTN Index = 0; Index < Count; Index++) {
    Path = DevicePathFromHandle (Handles[Index]);
    if ((Path == NULL) || !IsDevicePathValid (Path, 0) || !PathStartsWith (Path, DevicePath)) {
      continue;
    }
    Status = LoadVolumeDefault (Handles[Index], Image);
    if (!EFI_ERROR (Status)) {
      break;
    }
  }
  FreePool (Handles);
  return Status;
}

/**
  The removable-media fallback: the default boot file of the volume the path names,
  or, for a path that names a whole device, of the volumes on or below it.
**/
static
EFI_STATUS
LoadRemovableDefault (
  IN  EFI_DEVICE_PATH_PROTOCOL  *DevicePath,
  OUT EFI_HANDLE                *Image
  )
{
  EFI_HANDLE  Volume = FindRemovableVolume (DevicePath);

  if (Volume != NULL) {
    return LoadVolumeDefault (Volume, Image);
  }
  return NamesWholeDevice (DevicePath) ? LoadWholeDeviceDefault (DevicePath, Image) : EFI_NOT_FOUND;
}

/** LoadImage by the option's path, again after a health check, then from the removable medium. */
static
EFI_STATUS
LoadOptionImage (
  IN  EFI_DEVICE_PATH_PROTOCOL  *DevicePath,
  OUT EFI_HANDLE                *Image
  )
{
  EFI_DEVICE_PATH_PROTOCOL  *Expanded = NULL;
  EFI_DEVICE_PATH_PROTOCOL  *Path     = DevicePath;
  EFI_STATUS                Status;

  if (IsHardDriveNode (DevicePath)) {
    Expanded = ExpandHardDriveDevicePath (DevicePath);
    Path     = (Expanded != NULL) ? Expanded : DevicePath;
  }
  Status = LoadWithSecurityMessage (Path, Image);
  if (EFI_ERROR (Status) && !EFI_ERROR (CheckBootDeviceHealth (Path))) {
    Status = LoadWithSecurityMessage (Path, Image);
  }
  if (EFI_ERROR (Status)) {
    Status = LoadRemovableDefault (Path, Image);
  }
  if (Expanded != NULL) {
    FreePool (Expanded);
  }
  return Status;
}

/** After a UEFI image returned: the screen is the engine's again. */
static
VOID
TakeScreenBack (
  IN EFI_STATUS  Status,
  IN UINT8       ReportFlag
  )
{
  CloseCleanupEvents ();
  (VOID)HookAfterEfiBoot ();     // a notification: the board's answer decides nothing here
  SignalGroup (&mAfterBootGroup);
  ClearGraphicsScreen ();
  if (EFI_ERROR (Status) && (ReportFlag != 0)) {
    (VOID)ReportStatusCode (BOOT_ERROR_CODE_TYPE, BOOT_ERROR_START);  // nobody may listen
  }
  ClearTextScreen ();
  if (gST->ConOut != NULL) {
    // The text screen is redrawn whole from the buffer at the next flush.
    (VOID)gST->ConOut->SetAttribute (gST->ConOut, EFI_WHITE);
    (VOID)gST->ConOut->ClearScreen (gST->ConOut);
  }
  MarkRowsDirty (0, gTextScreenRows - 1);
}

static
EFI_STATUS
BootEfiPath (
  IN EFI_DEVICE_PATH_PROTOCOL  *DevicePath,
  IN VOID                      *OptionalData,
  IN UINT64                    OptionalDataSize,
  IN UINT8                     ReportFlag
  )
{
  EFI_HANDLE                 Image  = NULL;
  EFI_LOADED_IMAGE_PROTOCOL  *Loaded;
  EFI_STATUS                 Status = LoadOptionImage (DevicePath, &Image);

  if (EFI_ERROR (Status)) {
    if (ReportFlag != 0) {
      (VOID)ReportStatusCode (BOOT_ERROR_CODE_TYPE, BOOT_ERROR_LOAD);  // nobody may listen
    }
    return Status;
  }
  if (gST->ConOut != NULL) {
    (VOID)gST->ConOut->EnableCursor (gST->ConOut, FALSE);  // cosmetic
  }
  if (!EFI_ERROR (gBS->HandleProtocol (Image, &gEfiLoadedImageProtocolGuid, (VOID **)&Loaded))) {
    Loaded->LoadOptions     = OptionalData;
    Loaded->LoadOptionsSize = (UINT32)OptionalDataSize;
  }
  gLastBootImage = Image;
  (VOID)HookBeforeEfiBoot ();     // a notification: the board's answer decides nothing here
  SignalGroup (&mBeforeEfiBootGroup);
  RegisterCleanupEvents ();
  Status = gBS->StartImage (Image, NULL, NULL);
  TakeScreenBack (Status, ReportFlag);
  return Status;
}

UINT64
SwapBootScreenState (
  IN UINT64  State
  )
{
  UINT64  Previous = CurrentBootScreenState ();

  if (gSetBootScreenState != NULL) {
    gSetBootScreenState (State);
  }

  return Previous;
}

EFI_STATUS
LoadAndStartBootOption (
  IN EFI_DEVICE_PATH_PROTOCOL  *DevicePath,
  IN VOID                      *OptionalData OPTIONAL,
  IN UINT64                    OptionalDataSize,
  IN UINT8                     ReportFlag
  )
{
  UINT64      SavedState;
  EFI_TPL     CallerTpl;
  EFI_STATUS  Status;

  if ((DevicePath == NULL) || !IsDevicePathValid (DevicePath, 0) || (OptionalDataSize > 0xFFFFFFFFULL)) {
    return EFI_INVALID_PARAMETER;
  }
  SavedState = SwapBootScreenState (BOOT_SCREEN_STATE_BOOTING);
  SignalReadyToBoot ();
  (VOID)ReportStatusCode (EFI_PROGRESS_CODE, BOOT_PROGRESS_LAUNCH);  // nobody may listen
  NotifyHddSecurityOnce ();
  if (gBootFlowRequest == BOOT_FLOW_FIRMWARE_BOOTS) {
    Status = HandOverToFirmwareBoot (DevicePath);
    SwapBootScreenState (SavedState);
    return Status;
  }

  gTextScreenColumns = TEXT_SCREEN_MAX_COLUMNS;
  gTextScreenRows    = TEXT_SCREEN_MAX_ROWS;
  if (IsBbsPath (DevicePath)) {
    Status = BootLegacyPath (DevicePath);
    SignalGroup (&mAfterBootGroup);
    SwapBootScreenState (SavedState);
    return Status;
  }

  // Images start at the application level whatever level the caller ran at.
  CallerTpl = LowerToApplicationTpl ();
  Status = BootEfiPath (DevicePath, OptionalData, OptionalDataSize, ReportFlag);
  SwapBootScreenState (SavedState);
  RestoreCallerTpl (CallerTpl);
  return Status;
}

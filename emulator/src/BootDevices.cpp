/** @file
  Block devices, USB I/O and the device-path node builders of the boot tests.
**/
#include <Emulator/BootDevices.h>
#include <Emulator/DevicePathUtil.h>

#include "DeviceRecord.h"

#include <cstring>

namespace Emu {

static constexpr UINT64  kBlockSignature = 0x454D55424C4F434BULL;  // "KCOLBUME"
static constexpr UINT64  kUsbSignature   = 0x454D55555342494FULL;  // "OIBSUUME"

struct BLOCK_RECORD {
  EFI_BLOCK_IO_PROTOCOL  Protocol;
  UINT64                 Signature;
  BLOCK_PRIVATE          *Owner;
};

struct USB_RECORD {
  EFI_USB_IO_PROTOCOL  Protocol;
  UINT64               Signature;
  BLOCK_PRIVATE        *Owner;
};

struct BLOCK_PRIVATE {
  Machine              *Owner;
  BYTE_LIST            Path;
  EFI_BLOCK_IO_MEDIA   Media {};
  BLOCK_RECORD         Block {};
  USB_RECORD           Usb {};
  USB_IDENTITY         Identity;
  EFI_HANDLE           Handle = nullptr;
  std::vector<UINT64>  Reads;
};

static EFI_STATUS EFIAPI
BlockReset (EFI_BLOCK_IO_PROTOCOL *This, BOOLEAN Extended)
{
  (VOID)Extended;
  return (OwnerOf<BLOCK_RECORD> (This, kBlockSignature) == nullptr) ? EFI_INVALID_PARAMETER : EFI_SUCCESS;
}

// Every block reads as zeros; the read is logged so tests see the device was touched.
static EFI_STATUS EFIAPI
BlockRead (EFI_BLOCK_IO_PROTOCOL *This, UINT32 MediaId, EFI_LBA Lba, UINTN Size, VOID *Buffer)
{
  BLOCK_PRIVATE  *Device = OwnerOf<BLOCK_RECORD> (This, kBlockSignature);

  if ((Device == nullptr) || (Buffer == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }
  if (!Device->Media.MediaPresent) {
    return EFI_NO_MEDIA;
  }
  if ((MediaId != Device->Media.MediaId) || (Device->Media.BlockSize == 0) || (Size % Device->Media.BlockSize != 0)) {
    return EFI_BAD_BUFFER_SIZE;
  }
  if (Lba + Size / Device->Media.BlockSize > Device->Media.LastBlock + 1) {
    return EFI_INVALID_PARAMETER;
  }
  Device->Reads.push_back (Lba);
  std::memset (Buffer, 0, Size);
  return EFI_SUCCESS;
}

static EFI_STATUS EFIAPI
BlockWrite (EFI_BLOCK_IO_PROTOCOL *This, UINT32 MediaId, EFI_LBA Lba, UINTN Size, VOID *Buffer)
{
  (VOID)MediaId;
  (VOID)Lba;
  (VOID)Size;
  (VOID)Buffer;
  return (OwnerOf<BLOCK_RECORD> (This, kBlockSignature) == nullptr) ? EFI_INVALID_PARAMETER : EFI_WRITE_PROTECTED;
}

static EFI_STATUS EFIAPI
BlockFlush (EFI_BLOCK_IO_PROTOCOL *This)
{
  return (OwnerOf<BLOCK_RECORD> (This, kBlockSignature) == nullptr) ? EFI_INVALID_PARAMETER : EFI_SUCCESS;
}

static EFI_STATUS EFIAPI
UsbDeviceDescriptor (EFI_USB_IO_PROTOCOL *This, EFI_USB_DEVICE_DESCRIPTOR *Descriptor)
{
  BLOCK_PRIVATE  *Device = OwnerOf<USB_RECORD> (This, kUsbSignature);

  if ((Device == nullptr) || (Descriptor == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }
  *Descriptor = {};
  Descriptor->Length            = sizeof (*Descriptor);
  Descriptor->DescriptorType    = 1;
  Descriptor->BcdUSB            = 0x0200;
  Descriptor->IdVendor          = Device->Identity.VendorId;
  Descriptor->IdProduct         = Device->Identity.ProductId;
  Descriptor->NumConfigurations = 1;
  return EFI_SUCCESS;
}

// The class lives in the interface descriptor, as on a mass-storage stick.
static EFI_STATUS EFIAPI
UsbInterfaceDescriptor (EFI_USB_IO_PROTOCOL *This, EFI_USB_INTERFACE_DESCRIPTOR *Descriptor)
{
  BLOCK_PRIVATE  *Device = OwnerOf<USB_RECORD> (This, kUsbSignature);

  if ((Device == nullptr) || (Descriptor == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }
  *Descriptor = {};
  Descriptor->Length            = sizeof (*Descriptor);
  Descriptor->DescriptorType    = 4;
  Descriptor->NumEndpoints      = 2;
  Descriptor->InterfaceClass    = Device->Identity.Class;
  Descriptor->InterfaceSubClass = Device->Identity.SubClass;
  Descriptor->InterfaceProtocol = Device->Identity.Protocol;
  return EFI_SUCCESS;
}

BlockDevice::BlockDevice (Machine &Owner, const BYTE_LIST &Path, const BLOCK_MEDIA &Media)
  : mPrivate (std::make_unique<BLOCK_PRIVATE> ())
{
  BLOCK_PRIVATE  &P = *mPrivate;

  P.Owner                  = &Owner;
  P.Path                   = Path;
  P.Media.MediaId          = 1;
  P.Media.MediaPresent     = Media.Present;
  P.Media.RemovableMedia   = Media.Removable;
  P.Media.LogicalPartition = Media.LogicalPartition;
  P.Media.ReadOnly         = TRUE;
  P.Media.BlockSize        = Media.BlockSize;
  P.Media.LastBlock        = Media.LastBlock;
  P.Block.Protocol         = { 0x00010000, &P.Media, BlockReset, BlockRead, BlockWrite, BlockFlush };
  P.Block.Signature        = kBlockSignature;
  P.Block.Owner            = &P;
  RequireInstalled (Owner.Protocols ().InstallMultiple (&P.Handle, { { &gEfiBlockIoProtocolGuid, &P.Block.Protocol },
                                                                      { &gEfiDevicePathProtocolGuid, P.Path.data () } }),
                    "block device");
}

BlockDevice::~BlockDevice ()
{
  mPrivate->Block.Signature = 0;
  mPrivate->Usb.Signature   = 0;
}

EFI_HANDLE
BlockDevice::Handle () const
{
  return mPrivate->Handle;
}

const BYTE_LIST &
BlockDevice::Path () const
{
  return mPrivate->Path;
}

EFI_BLOCK_IO_MEDIA &
BlockDevice::Media ()
{
  return mPrivate->Media;
}

const std::vector<UINT64> &
BlockDevice::Reads () const
{
  return mPrivate->Reads;
}

void
BlockDevice::AddUsbIo (const USB_IDENTITY &Identity)
{
  BLOCK_PRIVATE  &P = *mPrivate;

  P.Identity                               = Identity;
  P.Usb.Protocol                           = {};
  P.Usb.Protocol.UsbGetDeviceDescriptor    = UsbDeviceDescriptor;
  P.Usb.Protocol.UsbGetInterfaceDescriptor = UsbInterfaceDescriptor;
  P.Usb.Signature                          = kUsbSignature;
  P.Usb.Owner                              = &P;
  RequireInstalled (P.Owner->Protocols ().Install (&P.Handle, &gEfiUsbIoProtocolGuid, &P.Usb.Protocol), "USB I/O");
}

template <class NODE>
static BYTE_LIST
NodeBytes (UINT8 Type, UINT8 SubType, const NODE &Node)
{
  constexpr UINTN  Header = sizeof (EFI_DEVICE_PATH_PROTOCOL);
  return DevicePathNode (Type, SubType, reinterpret_cast<const UINT8 *>(&Node) + Header, sizeof (NODE) - Header);
}

BYTE_LIST
PciNode (UINT8 Device, UINT8 Function)
{
  PCI_DEVICE_PATH  Node {};
  Node.Device   = Device;
  Node.Function = Function;
  return NodeBytes (HARDWARE_DEVICE_PATH, HW_PCI_DP, Node);
}

BYTE_LIST
SataNode (UINT16 Port)
{
  SATA_DEVICE_PATH  Node {};
  Node.HBAPortNumber            = Port;
  Node.PortMultiplierPortNumber = 0xFFFF;
  return NodeBytes (MESSAGING_DEVICE_PATH, MSG_SATA_DP, Node);
}

BYTE_LIST
UsbNode (UINT8 Port, UINT8 Interface)
{
  USB_DEVICE_PATH  Node {};
  Node.ParentPortNumber = Port;
  Node.InterfaceNumber  = Interface;
  return NodeBytes (MESSAGING_DEVICE_PATH, MSG_USB_DP, Node);
}

BYTE_LIST
UsbClassNode (UINT16 VendorId, UINT16 ProductId, UINT8 Class, UINT8 SubClass, UINT8 Protocol)
{
  USB_CLASS_DEVICE_PATH  Node {};
  Node.VendorId       = VendorId;
  Node.ProductId      = ProductId;
  Node.DeviceClass    = Class;
  Node.DeviceSubClass = SubClass;
  Node.DeviceProtocol = Protocol;
  return NodeBytes (MESSAGING_DEVICE_PATH, MSG_USB_CLASS_DP, Node);
}

BYTE_LIST
UsbWwidNode (UINT16 Interface, UINT16 VendorId, UINT16 ProductId)
{
  USB_WWID_DEVICE_PATH  Node {};
  Node.InterfaceNumber = Interface;
  Node.VendorId        = VendorId;
  Node.ProductId       = ProductId;
  return NodeBytes (MESSAGING_DEVICE_PATH, MSG_USB_WWID_DP, Node);
}

BYTE_LIST
HardDriveNode (UINT32 Partition, UINT64 Start, UINT64 Size, const UINT8 Signature[16], UINT8 SignatureType)
{
  HARDDRIVE_DEVICE_PATH  Node {};
  Node.PartitionNumber = Partition;
  Node.PartitionStart  = Start;
  Node.PartitionSize   = Size;
  std::memcpy (Node.Signature, Signature, sizeof (Node.Signature));
  Node.MBRType       = (SignatureType == 2) ? 2 : 1;
  Node.SignatureType = SignatureType;
  return NodeBytes (MEDIA_DEVICE_PATH, MEDIA_HARDDRIVE_DP, Node);
}

BYTE_LIST
FilePathNode (const std::u16string &Name)
{
  BYTE_LIST  Body;
  for (char16_t C : Name) {
    Body.push_back ((UINT8)C);
    Body.push_back ((UINT8)(C >> 8));
  }
  Body.insert (Body.end (), { 0, 0 });
  return DevicePathNode (MEDIA_DEVICE_PATH, MEDIA_FILEPATH_DP, Body.data (), Body.size ());
}

BYTE_LIST
FvFileNode (const EFI_GUID &File)
{
  return DevicePathNode (MEDIA_DEVICE_PATH, MEDIA_PIWG_FW_FILE_DP, &File, sizeof (File));
}

BYTE_LIST
MacNode ()
{
  MAC_ADDR_DEVICE_PATH  Node {};
  const UINT8           Mac[6] = { 0x52, 0x54, 0x00, 0x12, 0x34, 0x56 };
  std::memcpy (Node.MacAddress, Mac, sizeof (Mac));
  Node.IfType = 1;
  return NodeBytes (MESSAGING_DEVICE_PATH, MSG_MAC_ADDR_DP, Node);
}

BYTE_LIST
IpNode (bool Version6)
{
  if (Version6) {
    return NodeBytes (MESSAGING_DEVICE_PATH, MSG_IPv6_DP, IPv6_DEVICE_PATH {});
  }
  return NodeBytes (MESSAGING_DEVICE_PATH, MSG_IPv4_DP, IPv4_DEVICE_PATH {});
}

BYTE_LIST
BbsNode (UINT16 DeviceType, const char *Description)
{
  BYTE_LIST  Body = { (UINT8)DeviceType, (UINT8)(DeviceType >> 8), 0, 0 };
  for (const char *C = Description; *C != 0; C++) {
    Body.push_back ((UINT8)*C);
  }
  Body.push_back (0);
  return DevicePathNode (BBS_DEVICE_PATH, BBS_BBS_DP, Body.data (), Body.size ());
}

BYTE_LIST
JoinPath (const std::vector<BYTE_LIST> &Nodes)
{
  BYTE_LIST  Path;
  for (const BYTE_LIST &Node : Nodes) {
    Path.insert (Path.end (), Node.begin (), Node.end ());
  }
  EndDevicePath (Path);
  return Path;
}

BYTE_LIST
PathBody (const BYTE_LIST &Path)
{
  UINTN  Body = DevicePathBodySize (reinterpret_cast<const EFI_DEVICE_PATH_PROTOCOL *>(Path.data ()), Path.size ());
  return (Body == SIZE_MAX) ? BYTE_LIST {} : BYTE_LIST (Path.begin (), Path.begin () + (ptrdiff_t)Body);
}

}  // namespace Emu

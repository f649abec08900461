/** @file
  Device-path node types and subtypes, and the packed layouts of the nodes this
  firmware builds or reads. The node header EFI_DEVICE_PATH_PROTOCOL itself comes
  with the system-table definitions; every node here starts with it.

  Nodes are byte streams: never take the address of a multi-byte field for a wider
  load, read it through the unaligned-access helpers of BaseLib.
**/
#ifndef PROTOCOL_DEVICE_PATH_H_
#define PROTOCOL_DEVICE_PATH_H_

#include <Uefi.h>
#include <stddef.h>

#define EFI_DEVICE_PATH_PROTOCOL_GUID \
  { 0x09576E91, 0x6D3F, 0x11D2, { 0x8E, 0x39, 0x00, 0xA0, 0xC9, 0x69, 0x72, 0x3B } }
extern EFI_GUID gEfiDevicePathProtocolGuid;

// Node types.
#define HARDWARE_DEVICE_PATH   0x01
#define ACPI_DEVICE_PATH       0x02
#define MESSAGING_DEVICE_PATH  0x03
#define MEDIA_DEVICE_PATH      0x04
#define BBS_DEVICE_PATH        0x05
#define END_DEVICE_PATH_TYPE   0x7F

// Subtypes of the end type: an instance ends (multi-instance paths) or the path ends.
#define END_INSTANCE_DEVICE_PATH_SUBTYPE  0x01
#define END_ENTIRE_DEVICE_PATH_SUBTYPE    0xFF
#define END_DEVICE_PATH_LENGTH            4

// Hardware subtypes.
#define HW_PCI_DP         0x01
#define HW_VENDOR_DP      0x04
#define HW_CONTROLLER_DP  0x05

// ACPI subtypes.
#define ACPI_DP           0x01
#define ACPI_EXTENDED_DP  0x02

// Messaging subtypes.
#define MSG_ATAPI_DP     0x01
#define MSG_SCSI_DP      0x02
#define MSG_USB_DP       0x05
#define MSG_VENDOR_DP    0x0A
#define MSG_MAC_ADDR_DP  0x0B
#define MSG_IPv4_DP      0x0C
#define MSG_IPv6_DP      0x0D
#define MSG_USB_CLASS_DP 0x0F
#define MSG_USB_WWID_DP  0x10
#define MSG_DEVICE_LOGICAL_UNIT_DP 0x11
#define MSG_SATA_DP      0x12
#define MSG_NVME_NAMESPACE_DP 0x17

// Media subtypes.
#define MEDIA_HARDDRIVE_DP     0x01
#define MEDIA_CDROM_DP         0x02
#define MEDIA_VENDOR_DP        0x03
#define MEDIA_FILEPATH_DP      0x04
#define MEDIA_PIWG_FW_FILE_DP  0x06
#define MEDIA_PIWG_FW_VOL_DP   0x07

// BBS (legacy boot device) subtype.
#define BBS_BBS_DP  0x01

// Hard-drive node: partition format and signature kind.
#define MBR_TYPE_PCAT                0x01
#define MBR_TYPE_EFI_PARTITION_TABLE_HEADER 0x02
#define NO_DISK_SIGNATURE            0x00
#define SIGNATURE_TYPE_MBR           0x01
#define SIGNATURE_TYPE_GUID          0x02

// BBS device types.
#define BBS_TYPE_FLOPPY          0x01
#define BBS_TYPE_HARDDRIVE       0x02
#define BBS_TYPE_CDROM           0x03
#define BBS_TYPE_PCMCIA          0x04
#define BBS_TYPE_USB             0x05
#define BBS_TYPE_EMBEDDED_NETWORK 0x06
#define BBS_TYPE_BEV             0x80
#define BBS_TYPE_UNKNOWN         0xFF

#pragma pack(push, 1)

typedef struct {
  EFI_DEVICE_PATH_PROTOCOL  Header;
  UINT8                     Function;
  UINT8                     Device;
} PCI_DEVICE_PATH;

typedef struct {
  EFI_DEVICE_PATH_PROTOCOL  Header;
  UINT32                    ControllerNumber;
} CONTROLLER_DEVICE_PATH;

typedef struct {
  EFI_DEVICE_PATH_PROTOCOL  Header;
  EFI_GUID                  Guid;
} VENDOR_DEVICE_PATH;

typedef struct {
  EFI_DEVICE_PATH_PROTOCOL  Header;
  UINT32                    HID;
  UINT32                    UID;
} ACPI_HID_DEVICE_PATH;

typedef struct {
  EFI_DEVICE_PATH_PROTOCOL  Header;
  UINT8                     PrimarySecondary;
  UINT8                     SlaveMaster;
  UINT16                    Lun;
} ATAPI_DEVICE_PATH;

typedef struct {
  EFI_DEVICE_PATH_PROTOCOL  Header;
  UINT16                    Pun;
  UINT16                    Lun;
} SCSI_DEVICE_PATH;

typedef struct {
  EFI_DEVICE_PATH_PROTOCOL  Header;
  UINT8                     ParentPortNumber;
  UINT8                     InterfaceNumber;
} USB_DEVICE_PATH;

typedef struct {
  EFI_DEVICE_PATH_PROTOCOL  Header;
  UINT16                    VendorId;
  UINT16                    ProductId;
  UINT8                     DeviceClass;
  UINT8                     DeviceSubClass;
  UINT8                     DeviceProtocol;
} USB_CLASS_DEVICE_PATH;

// Followed by the device's serial number, UTF-16 without a terminator, to the node's length.
typedef struct {
  EFI_DEVICE_PATH_PROTOCOL  Header;
  UINT16                    InterfaceNumber;
  UINT16                    VendorId;
  UINT16                    ProductId;
} USB_WWID_DEVICE_PATH;

typedef struct {
  EFI_DEVICE_PATH_PROTOCOL  Header;
  UINT16                    HBAPortNumber;
  UINT16                    PortMultiplierPortNumber;
  UINT16                    Lun;
} SATA_DEVICE_PATH;

typedef struct {
  EFI_DEVICE_PATH_PROTOCOL  Header;
  UINT32                    NamespaceId;
  UINT64                    NamespaceUuid;
} NVME_NAMESPACE_DEVICE_PATH;

typedef struct {
  EFI_DEVICE_PATH_PROTOCOL  Header;
  UINT8                     MacAddress[32];
  UINT8                     IfType;
} MAC_ADDR_DEVICE_PATH;

typedef struct {
  EFI_DEVICE_PATH_PROTOCOL  Header;
  UINT8                     LocalIpAddress[4];
  UINT8                     RemoteIpAddress[4];
  UINT16                    LocalPort;
  UINT16                    RemotePort;
  UINT16                    Protocol;
  BOOLEAN                   StaticIpAddress;
  UINT8                     GatewayIpAddress[4];
  UINT8                     SubnetMask[4];
} IPv4_DEVICE_PATH;

typedef struct {
  EFI_DEVICE_PATH_PROTOCOL  Header;
  UINT8                     LocalIpAddress[16];
  UINT8                     RemoteIpAddress[16];
  UINT16                    LocalPort;
  UINT16                    RemotePort;
  UINT16                    Protocol;
  UINT8                     IpAddressOrigin;
  UINT8                     PrefixLength;
  UINT8                     GatewayIpAddress[16];
} IPv6_DEVICE_PATH;

typedef struct {
  EFI_DEVICE_PATH_PROTOCOL  Header;
  UINT32                    PartitionNumber;
  UINT64                    PartitionStart;
  UINT64                    PartitionSize;
  UINT8                     Signature[16];
  UINT8                     MBRType;
  UINT8                     SignatureType;
} HARDDRIVE_DEVICE_PATH;

typedef struct {
  EFI_DEVICE_PATH_PROTOCOL  Header;
  UINT32                    BootEntry;
  UINT64                    PartitionStart;
  UINT64                    PartitionSize;
} CDROM_DEVICE_PATH;

// Followed by the zero-terminated UTF-16 path, to the node's length.
typedef struct {
  EFI_DEVICE_PATH_PROTOCOL  Header;
  CHAR16                    PathName[1];
} FILEPATH_DEVICE_PATH;
#define SIZE_OF_FILEPATH_DEVICE_PATH  offsetof (FILEPATH_DEVICE_PATH, PathName)

typedef struct {
  EFI_DEVICE_PATH_PROTOCOL  Header;
  EFI_GUID                  FvFileName;
} MEDIA_FW_VOL_FILEPATH_DEVICE_PATH;

typedef struct {
  EFI_DEVICE_PATH_PROTOCOL  Header;
  EFI_GUID                  FvName;
} MEDIA_FW_VOL_DEVICE_PATH;

// Followed by the zero-terminated ASCII description, to the node's length.
typedef struct {
  EFI_DEVICE_PATH_PROTOCOL  Header;
  UINT16                    DeviceType;
  UINT16                    StatusFlag;
  CHAR8                     String[1];
} BBS_BBS_DEVICE_PATH;

#pragma pack(pop)

static_assert (sizeof (EFI_DEVICE_PATH_PROTOCOL) == 4, "node header");
static_assert (sizeof (PCI_DEVICE_PATH) == 6, "PCI node");
static_assert (sizeof (CONTROLLER_DEVICE_PATH) == 8, "controller node");
static_assert (sizeof (VENDOR_DEVICE_PATH) == 20, "vendor node");
static_assert (sizeof (ACPI_HID_DEVICE_PATH) == 12, "ACPI node");
static_assert (offsetof (ACPI_HID_DEVICE_PATH, UID) == 8, "ACPI UID");
static_assert (sizeof (ATAPI_DEVICE_PATH) == 8, "ATAPI node");
static_assert (offsetof (ATAPI_DEVICE_PATH, Lun) == 6, "ATAPI LUN");
static_assert (sizeof (SCSI_DEVICE_PATH) == 8, "SCSI node");
static_assert (sizeof (USB_DEVICE_PATH) == 6, "USB node");
static_assert (sizeof (USB_CLASS_DEVICE_PATH) == 11, "USB class node");
static_assert (offsetof (USB_CLASS_DEVICE_PATH, DeviceClass) == 8, "USB class");
static_assert (sizeof (USB_WWID_DEVICE_PATH) == 10, "USB WWID node");
static_assert (offsetof (USB_WWID_DEVICE_PATH, ProductId) == 8, "USB WWID product");
static_assert (sizeof (SATA_DEVICE_PATH) == 10, "SATA node");
static_assert (offsetof (SATA_DEVICE_PATH, Lun) == 8, "SATA LUN");
static_assert (sizeof (NVME_NAMESPACE_DEVICE_PATH) == 16, "NVMe node");
static_assert (sizeof (MAC_ADDR_DEVICE_PATH) == 37, "MAC node");
static_assert (offsetof (MAC_ADDR_DEVICE_PATH, IfType) == 36, "MAC interface type");
static_assert (sizeof (IPv4_DEVICE_PATH) == 27, "IPv4 node");
static_assert (offsetof (IPv4_DEVICE_PATH, StaticIpAddress) == 18, "IPv4 static flag");
static_assert (offsetof (IPv4_DEVICE_PATH, SubnetMask) == 23, "IPv4 mask");
static_assert (sizeof (IPv6_DEVICE_PATH) == 60, "IPv6 node");
static_assert (offsetof (IPv6_DEVICE_PATH, PrefixLength) == 43, "IPv6 prefix");
static_assert (offsetof (IPv6_DEVICE_PATH, GatewayIpAddress) == 44, "IPv6 gateway");
static_assert (sizeof (HARDDRIVE_DEVICE_PATH) == 42, "hard-drive node");
static_assert (offsetof (HARDDRIVE_DEVICE_PATH, PartitionStart) == 8, "partition start");
static_assert (offsetof (HARDDRIVE_DEVICE_PATH, Signature) == 24, "partition signature");
static_assert (offsetof (HARDDRIVE_DEVICE_PATH, MBRType) == 40, "MBR type");
static_assert (sizeof (CDROM_DEVICE_PATH) == 24, "CD-ROM node");
static_assert (SIZE_OF_FILEPATH_DEVICE_PATH == 4, "file-path node header");
static_assert (sizeof (MEDIA_FW_VOL_FILEPATH_DEVICE_PATH) == 20, "FV file node");
static_assert (sizeof (MEDIA_FW_VOL_DEVICE_PATH) == 20, "FV node");
static_assert (offsetof (BBS_BBS_DEVICE_PATH, String) == 8, "BBS node");

#endif

/** @file
  Disk information protocol: the identify and inquiry data of a disk, tagged with the
  kind of controller interface that produced them.
**/
#ifndef PROTOCOL_DISK_INFO_H_
#define PROTOCOL_DISK_INFO_H_

#include <Uefi.h>

#define EFI_DISK_INFO_PROTOCOL_GUID \
  { 0xD432A67F, 0x14DC, 0x484B, { 0xB3, 0xBB, 0x3F, 0x02, 0x91, 0x84, 0x93, 0x27 } }
extern EFI_GUID gEfiDiskInfoProtocolGuid;

// Values of the Interface member.
#define EFI_DISK_INFO_IDE_INTERFACE_GUID \
  { 0x5E948FE3, 0x26D3, 0x42B5, { 0xAF, 0x17, 0x61, 0x02, 0x87, 0x18, 0x8D, 0xEC } }
extern EFI_GUID gEfiDiskInfoIdeInterfaceGuid;
#define EFI_DISK_INFO_AHCI_INTERFACE_GUID \
  { 0x9E498932, 0x4ABC, 0x45AF, { 0xA3, 0x4D, 0x02, 0x47, 0x78, 0x7B, 0xE7, 0xC6 } }
extern EFI_GUID gEfiDiskInfoAhciInterfaceGuid;
#define EFI_DISK_INFO_USB_INTERFACE_GUID \
  { 0xCB871572, 0xC11A, 0x47B5, { 0xB4, 0x92, 0x67, 0x5E, 0xAF, 0xA7, 0x77, 0x27 } }
extern EFI_GUID gEfiDiskInfoUsbInterfaceGuid;
#define EFI_DISK_INFO_NVME_INTERFACE_GUID \
  { 0x3AB14680, 0x5D3F, 0x4A4D, { 0xBC, 0xDC, 0xCC, 0x38, 0x00, 0x18, 0xC7, 0xF7 } }
extern EFI_GUID gEfiDiskInfoNvmeInterfaceGuid;
#define EFI_DISK_INFO_SCSI_INTERFACE_GUID \
  { 0x08F74BAA, 0xEA36, 0x41D9, { 0x95, 0x21, 0x21, 0xA7, 0x0F, 0x87, 0x80, 0xBC } }
extern EFI_GUID gEfiDiskInfoScsiInterfaceGuid;

typedef struct _EFI_DISK_INFO_PROTOCOL EFI_DISK_INFO_PROTOCOL;

typedef EFI_STATUS (EFIAPI *EFI_DISK_INFO_INQUIRY)(
  IN EFI_DISK_INFO_PROTOCOL  *This,
  IN OUT VOID                *InquiryData,
  IN OUT UINT32              *InquiryDataSize
  );

// ATA/ATAPI identify data (512 bytes) for IDE and AHCI disks.
typedef EFI_STATUS (EFIAPI *EFI_DISK_INFO_IDENTIFY)(
  IN EFI_DISK_INFO_PROTOCOL  *This,
  IN OUT VOID                *IdentifyData,
  IN OUT UINT32              *IdentifyDataSize
  );

typedef EFI_STATUS (EFIAPI *EFI_DISK_INFO_SENSE_DATA)(
  IN EFI_DISK_INFO_PROTOCOL  *This,
  IN OUT VOID                *SenseData,
  IN OUT UINT32              *SenseDataSize,
  OUT UINT8                  *SenseDataNumber
  );

typedef EFI_STATUS (EFIAPI *EFI_DISK_INFO_WHICH_IDE)(
  IN EFI_DISK_INFO_PROTOCOL  *This,
  OUT UINT32                 *IdeChannel,
  OUT UINT32                 *IdeDevice
  );

struct _EFI_DISK_INFO_PROTOCOL {
  EFI_GUID                  Interface;
  EFI_DISK_INFO_INQUIRY     Inquiry;
  EFI_DISK_INFO_IDENTIFY    Identify;
  EFI_DISK_INFO_SENSE_DATA  SenseData;
  EFI_DISK_INFO_WHICH_IDE   WhichIde;
};

#endif

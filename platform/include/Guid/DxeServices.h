/** @file
  The DXE services table (found in the system configuration table under its GUID):
  only dispatching and firmware-volume processing are typed, for the loader that
  hands a firmware volume of ours to the DXE core.
**/
#ifndef GUID_DXE_SERVICES_H_
#define GUID_DXE_SERVICES_H_

#include <Uefi.h>
#include <stddef.h>

#define DXE_SERVICES_TABLE_GUID \
  { 0x05AD34BA, 0x6F02, 0x4214, { 0x95, 0x2E, 0x4D, 0xA0, 0x39, 0x8E, 0x2B, 0xB9 } }
extern EFI_GUID gEfiDxeServicesTableGuid;

#define DXE_SERVICES_SIGNATURE  0x565245535F455844ULL   // "DXE_SERV"

typedef EFI_STATUS (EFIAPI *EFI_DISPATCH)(VOID);
typedef EFI_STATUS (EFIAPI *EFI_SCHEDULE)(IN EFI_HANDLE FirmwareVolumeHandle, IN CONST EFI_GUID *FileName);
typedef EFI_STATUS (EFIAPI *EFI_TRUST)(IN EFI_HANDLE FirmwareVolumeHandle, IN CONST EFI_GUID *FileName);
typedef EFI_STATUS (EFIAPI *EFI_PROCESS_FIRMWARE_VOLUME)(
  IN CONST VOID   *FirmwareVolumeHeader,
  IN UINTN        Size,
  OUT EFI_HANDLE  *FirmwareVolumeHandle
  );

typedef struct {
  EFI_TABLE_HEADER             Hdr;
  VOID                         *AddMemorySpace;
  VOID                         *AllocateMemorySpace;
  VOID                         *FreeMemorySpace;
  VOID                         *RemoveMemorySpace;
  VOID                         *GetMemorySpaceDescriptor;
  VOID                         *SetMemorySpaceAttributes;
  VOID                         *GetMemorySpaceMap;
  VOID                         *AddIoSpace;
  VOID                         *AllocateIoSpace;
  VOID                         *FreeIoSpace;
  VOID                         *RemoveIoSpace;
  VOID                         *GetIoSpaceDescriptor;
  VOID                         *GetIoSpaceMap;
  EFI_DISPATCH                 Dispatch;
  EFI_SCHEDULE                 Schedule;
  EFI_TRUST                    Trust;
  EFI_PROCESS_FIRMWARE_VOLUME  ProcessFirmwareVolume;
  VOID                         *SetMemorySpaceCapabilities;
} DXE_SERVICES;
static_assert (offsetof (DXE_SERVICES, Dispatch) == 128, "DXE services layout");
static_assert (offsetof (DXE_SERVICES, ProcessFirmwareVolume) == 152, "DXE services layout");

#endif

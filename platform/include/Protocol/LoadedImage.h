/** @file
  Loaded-image protocol: what the firmware knows about a loaded image (its device,
  file path, load options and memory). The driver finds its own firmware file through
  DeviceHandle and FilePath.
**/
#ifndef PROTOCOL_LOADED_IMAGE_H_
#define PROTOCOL_LOADED_IMAGE_H_

#include <Uefi.h>

#define EFI_LOADED_IMAGE_PROTOCOL_GUID \
  { 0x5B1B31A1, 0x9562, 0x11D2, { 0x8E, 0x3F, 0x00, 0xA0, 0xC9, 0x69, 0x72, 0x3B } }
extern EFI_GUID gEfiLoadedImageProtocolGuid;

#define EFI_LOADED_IMAGE_PROTOCOL_REVISION  0x1000

typedef EFI_STATUS (EFIAPI *EFI_IMAGE_UNLOAD_FN)(IN EFI_HANDLE ImageHandle);

typedef struct {
  UINT32                    Revision;
  EFI_HANDLE                ParentHandle;
  EFI_SYSTEM_TABLE          *SystemTable;
  EFI_HANDLE                DeviceHandle;
  EFI_DEVICE_PATH_PROTOCOL  *FilePath;
  VOID                      *Reserved;
  UINT32                    LoadOptionsSize;
  VOID                      *LoadOptions;
  VOID                      *ImageBase;
  UINT64                    ImageSize;
  EFI_MEMORY_TYPE           ImageCodeType;
  EFI_MEMORY_TYPE           ImageDataType;
  EFI_IMAGE_UNLOAD_FN       Unload;
} EFI_LOADED_IMAGE_PROTOCOL;

#endif

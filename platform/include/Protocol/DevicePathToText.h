/** @file
  Device-path-to-text protocol: turns a node or a whole path into display text.
  The returned strings are pool allocations the caller frees.
**/
#ifndef PROTOCOL_DEVICE_PATH_TO_TEXT_H_
#define PROTOCOL_DEVICE_PATH_TO_TEXT_H_

#include <Uefi.h>

#define EFI_DEVICE_PATH_TO_TEXT_PROTOCOL_GUID \
  { 0x8B843E20, 0x8132, 0x4852, { 0x90, 0xCC, 0x55, 0x1A, 0x4E, 0x4A, 0x7F, 0x1C } }
extern EFI_GUID gEfiDevicePathToTextProtocolGuid;

typedef CHAR16 *(EFIAPI *EFI_DEVICE_PATH_TO_TEXT_NODE)(
  IN CONST EFI_DEVICE_PATH_PROTOCOL  *DeviceNode,
  IN BOOLEAN                         DisplayOnly,
  IN BOOLEAN                         AllowShortcuts
  );

typedef CHAR16 *(EFIAPI *EFI_DEVICE_PATH_TO_TEXT_PATH)(
  IN CONST EFI_DEVICE_PATH_PROTOCOL  *DevicePath,
  IN BOOLEAN                         DisplayOnly,
  IN BOOLEAN                         AllowShortcuts
  );

typedef struct {
  EFI_DEVICE_PATH_TO_TEXT_NODE  ConvertDeviceNodeToText;
  EFI_DEVICE_PATH_TO_TEXT_PATH  ConvertDevicePathToText;
} EFI_DEVICE_PATH_TO_TEXT_PROTOCOL;

#endif

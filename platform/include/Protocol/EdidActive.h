/** @file
  EDID active protocol: the EDID of the display in use, on the graphics-output handle.
**/
#ifndef PROTOCOL_EDID_ACTIVE_H_
#define PROTOCOL_EDID_ACTIVE_H_

#include <Uefi.h>

#define EFI_EDID_ACTIVE_PROTOCOL_GUID \
  { 0xBD8C1056, 0x9F36, 0x44EC, { 0x92, 0xA8, 0xA6, 0x33, 0x7F, 0x81, 0x79, 0x86 } }
extern EFI_GUID gEfiEdidActiveProtocolGuid;

#define EFI_EDID_DISCOVERED_PROTOCOL_GUID \
  { 0x1C0C34F6, 0xD380, 0x41FA, { 0xA0, 0x49, 0x8A, 0xD0, 0x6C, 0x1A, 0x66, 0xAA } }
extern EFI_GUID gEfiEdidDiscoveredProtocolGuid;

// SizeOfEdid may be 0 with a null Edid: the display gave none.
typedef struct {
  UINT32  SizeOfEdid;
  UINT8   *Edid;
} EFI_EDID_ACTIVE_PROTOCOL;

typedef EFI_EDID_ACTIVE_PROTOCOL EFI_EDID_DISCOVERED_PROTOCOL;

#endif

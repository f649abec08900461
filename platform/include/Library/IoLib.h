/** @file
  I/O port and model-specific register access: CMOS through ports 0x70/0x71, the
  keyboard controller's status port 0x64, the POST-code port 0x80, and processor
  MSRs; and the real-mode memory of a compatibility module. The UEFI image
  implements them with the port and MSR instructions and the identity-mapped low
  memory; on the host they ask the interfaces below, which a host firmware
  installs over its simulated hardware.
**/
#ifndef LIBRARY_IO_LIB_H_
#define LIBRARY_IO_LIB_H_

#include <Uefi.h>

UINT8 IoRead8 (IN UINTN Port);
// Returns the value written.
UINT8 IoWrite8 (IN UINTN Port, IN UINT8 Value);
UINT64 AsmReadMsr64 (IN UINT32 Index);
// Returns the value written.
UINT64 AsmWriteMsr64 (IN UINT32 Index, IN UINT64 Value);

// Legacy BIOS data lies below this address (real-mode segment:offset reaches 0x10FFEF).
#define LEGACY_MEMORY_LIMIT  0x110000

/**
  The bytes at a real-mode physical address (segment x 16 + offset): a pointer and
  how many bytes may be read from it; null (Available 0) for address 0 or beyond
  LEGACY_MEMORY_LIMIT.
**/
CONST UINT8 *MapLegacyMemory (IN UINT32 Address, OUT UINTN *Available);

//
// Host builds have no low memory: there MapLegacyMemory asks the interface a host
// firmware installs under this GUID (none: no bytes), so the library needs no link
// to the host firmware.
//
#define HOST_LEGACY_MEMORY_PROTOCOL_GUID \
  { 0x6C3E2A51, 0x94D7, 0x4B0E, { 0x8A, 0x61, 0x2F, 0x5D, 0x0C, 0x77, 0x13, 0xB9 } }

typedef struct {
  CONST UINT8 *(EFIAPI *Map)(IN UINT32 Address, OUT UINTN *Available);
} HOST_LEGACY_MEMORY_PROTOCOL;

//
// Host builds have no ports or MSRs: there the four functions above ask the interface a
// host firmware installs under this GUID. Without it reads float high (ports) or give
// 0 (MSRs) and writes go nowhere, as on an empty bus.
//
#define HOST_PORT_IO_PROTOCOL_GUID \
  { 0x38B767F9, 0x3B19, 0x4D0B, { 0x94, 0xB8, 0xF4, 0x8C, 0x9F, 0x5D, 0xC2, 0xDF } }

typedef struct {
  UINT8   (EFIAPI *Read8)(IN UINTN Port);
  VOID    (EFIAPI *Write8)(IN UINTN Port, IN UINT8 Value);
  UINT64  (EFIAPI *ReadMsr)(IN UINT32 Index);
  VOID    (EFIAPI *WriteMsr)(IN UINT32 Index, IN UINT64 Value);
} HOST_PORT_IO_PROTOCOL;

#endif

/** @file
  PCI root bridge I/O protocol. Only configuration-space, memory and I/O reads and
  writes are typed; the other members keep their slots as untyped pointers because
  nothing here calls them.
**/
#ifndef PROTOCOL_PCI_ROOT_BRIDGE_IO_H_
#define PROTOCOL_PCI_ROOT_BRIDGE_IO_H_

#include <Uefi.h>
#include <stddef.h>

#define EFI_PCI_ROOT_BRIDGE_IO_PROTOCOL_GUID \
  { 0x2F707EBB, 0x4A1A, 0x11D4, { 0x9A, 0x38, 0x00, 0x90, 0x27, 0x3F, 0xC1, 0x4D } }
extern EFI_GUID gEfiPciRootBridgeIoProtocolGuid;

typedef struct _EFI_PCI_ROOT_BRIDGE_IO_PROTOCOL EFI_PCI_ROOT_BRIDGE_IO_PROTOCOL;

typedef enum {
  EfiPciWidthUint8,
  EfiPciWidthUint16,
  EfiPciWidthUint32,
  EfiPciWidthUint64,
  EfiPciWidthFifoUint8,
  EfiPciWidthFifoUint16,
  EfiPciWidthFifoUint32,
  EfiPciWidthFifoUint64,
  EfiPciWidthFillUint8,
  EfiPciWidthFillUint16,
  EfiPciWidthFillUint32,
  EfiPciWidthFillUint64,
  EfiPciWidthMaximum
} EFI_PCI_ROOT_BRIDGE_IO_PROTOCOL_WIDTH;

// Configuration-space address: register | function << 8 | device << 16 | bus << 24.
#define EFI_PCI_ADDRESS(Bus, Device, Function, Register) \
  ((UINT64)((((UINTN)(Bus)) << 24) | (((UINTN)(Device)) << 16) | (((UINTN)(Function)) << 8) | ((UINTN)(Register))))

typedef EFI_STATUS (EFIAPI *EFI_PCI_ROOT_BRIDGE_IO_PROTOCOL_IO_MEM)(
  IN EFI_PCI_ROOT_BRIDGE_IO_PROTOCOL        *This,
  IN EFI_PCI_ROOT_BRIDGE_IO_PROTOCOL_WIDTH  Width,
  IN UINT64                                 Address,
  IN UINTN                                  Count,
  IN OUT VOID                               *Buffer
  );

typedef struct {
  EFI_PCI_ROOT_BRIDGE_IO_PROTOCOL_IO_MEM  Read;
  EFI_PCI_ROOT_BRIDGE_IO_PROTOCOL_IO_MEM  Write;
} EFI_PCI_ROOT_BRIDGE_IO_PROTOCOL_ACCESS;

struct _EFI_PCI_ROOT_BRIDGE_IO_PROTOCOL {
  EFI_HANDLE                              ParentHandle;
  VOID                                    *PollMem;
  VOID                                    *PollIo;
  EFI_PCI_ROOT_BRIDGE_IO_PROTOCOL_ACCESS  Mem;
  EFI_PCI_ROOT_BRIDGE_IO_PROTOCOL_ACCESS  Io;
  EFI_PCI_ROOT_BRIDGE_IO_PROTOCOL_ACCESS  Pci;
  VOID                                    *CopyMem;
  VOID                                    *Map;
  VOID                                    *Unmap;
  VOID                                    *AllocateBuffer;
  VOID                                    *FreeBuffer;
  VOID                                    *Flush;
  VOID                                    *GetAttributes;
  VOID                                    *SetAttributes;
  VOID                                    *Configuration;
  UINT32                                  SegmentNumber;
};
static_assert (offsetof (EFI_PCI_ROOT_BRIDGE_IO_PROTOCOL, Pci) == 56, "root bridge layout");
static_assert (offsetof (EFI_PCI_ROOT_BRIDGE_IO_PROTOCOL, SegmentNumber) == 144, "root bridge layout");

#endif

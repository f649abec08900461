/** @file
  I/O port and model-specific register access: CMOS through ports 0x70/0x71, the
  keyboard controller's status port 0x64, the POST-code port 0x80, and processor
  MSRs. The UEFI image implements them with the port and MSR instructions; on the
  host the emulator defines them over its simulated hardware.
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

#endif

/** @file
  Memory copy, fill and compare, and GUID helpers. Byte-exact and safe for
  overlapping copies; they work on any alignment.
**/
#ifndef LIBRARY_BASE_MEMORY_LIB_H_
#define LIBRARY_BASE_MEMORY_LIB_H_

#include <Uefi.h>

// Copies Length bytes; the ranges may overlap. Returns Destination.
VOID *CopyMem (OUT VOID *Destination, IN CONST VOID *Source, IN UINTN Length);

// Fills Length bytes with Value. Returns Buffer.
VOID *SetMem (OUT VOID *Buffer, IN UINTN Length, IN UINT8 Value);

VOID *SetMem16 (OUT VOID *Buffer, IN UINTN Length, IN UINT16 Value);
VOID *SetMem32 (OUT VOID *Buffer, IN UINTN Length, IN UINT32 Value);

VOID *ZeroMem (OUT VOID *Buffer, IN UINTN Length);

// Zero when equal, else the difference of the first differing bytes (unsigned).
INTN CompareMem (IN CONST VOID *DestinationBuffer, IN CONST VOID *SourceBuffer, IN UINTN Length);

BOOLEAN CompareGuid (IN CONST EFI_GUID *Guid1, IN CONST EFI_GUID *Guid2);
EFI_GUID *CopyGuid (OUT EFI_GUID *DestinationGuid, IN CONST EFI_GUID *SourceGuid);
BOOLEAN IsZeroGuid (IN CONST EFI_GUID *Guid);

#endif

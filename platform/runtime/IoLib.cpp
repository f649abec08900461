/** @file
  Port, MSR and low-memory access for the UEFI image. On the host the emulator defines these.
**/
#include <Library/IoLib.h>

UINT8
IoRead8 (IN UINTN Port)
{
  UINT8  Value;

  __asm__ volatile ("inb %w1, %b0" : "=a"(Value) : "Nd"((UINT16)Port));
  return Value;
}

UINT8
IoWrite8 (IN UINTN Port, IN UINT8 Value)
{
  __asm__ volatile ("outb %b0, %w1" : : "a"(Value), "Nd"((UINT16)Port));
  return Value;
}

UINT64
AsmReadMsr64 (IN UINT32 Index)
{
  UINT32  Low;
  UINT32  High;

  __asm__ volatile ("rdmsr" : "=a"(Low), "=d"(High) : "c"(Index));
  return ((UINT64)High << 32) | Low;
}

UINT64
AsmWriteMsr64 (IN UINT32 Index, IN UINT64 Value)
{
  __asm__ volatile ("wrmsr" : : "c"(Index), "a"((UINT32)Value), "d"((UINT32)(Value >> 32)));
  return Value;
}

CONST UINT8 *
MapLegacyMemory (IN UINT32 Address, OUT UINTN *Available)
{
  // Boot services run with physical memory identity-mapped.
  if ((Address == 0) || (Address >= LEGACY_MEMORY_LIMIT)) {
    *Available = 0;
    return NULL;
  }

  *Available = LEGACY_MEMORY_LIMIT - Address;
  return (CONST UINT8 *)(UINTN)Address;
}

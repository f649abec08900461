/** @file
  Pool allocation over the boot services (gLibBS). Every allocation is boot-services
  data. A null result means the pool is exhausted (or the size was absurd).
**/
#ifndef LIBRARY_MEMORY_ALLOCATION_LIB_H_
#define LIBRARY_MEMORY_ALLOCATION_LIB_H_

#include <Uefi.h>

VOID *AllocatePool (IN UINTN AllocationSize);
VOID *AllocateZeroPool (IN UINTN AllocationSize);

// A new buffer holding a copy of AllocationSize bytes of Buffer.
VOID *AllocateCopyPool (IN UINTN AllocationSize, IN CONST VOID *Buffer);

// A new buffer of NewSize bytes holding the first min(OldSize, NewSize) bytes of
// OldBuffer, the rest zero; OldBuffer is freed on success and kept on failure.
VOID *ReallocatePool (IN UINTN OldSize, IN UINTN NewSize, IN VOID *OldBuffer OPTIONAL);

// Frees a pool buffer; a null pointer is ignored.
VOID FreePool (IN VOID *Buffer);

// Frees the buffer and clears the caller's pointer, so no dangling copy stays behind.
VOID FreePoolAndNull (IN OUT VOID **Buffer);

template <typename T>
inline VOID FreeAndNull (T *&Buffer)
{
  VOID  *Old = (VOID *)Buffer;

  Buffer = nullptr;
  FreePool (Old);
}

// Makes room for one entry after the Count an array holds: a full array grows by Step
// entries (zero-filled). FALSE, with the array and Capacity as they were, when the pool
// cannot supply the larger array.
template <typename T>
inline BOOLEAN GrowPoolArray (T *&Array, UINTN Count, UINTN &Capacity, UINTN Step)
{
  T  *Grown;

  if (Count < Capacity) {
    return TRUE;
  }

  Grown = (T *)ReallocatePool (Capacity * sizeof (T), (Capacity + Step) * sizeof (T), Array);
  if (Grown == nullptr) {
    return FALSE;
  }

  Array     = Grown;
  Capacity += Step;
  return TRUE;
}

#endif

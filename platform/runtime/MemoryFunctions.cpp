/** @file
  malloc, free and abort for the UEFI image's C dependencies. Built only into the image:
  on the host the C library's own serve.
**/
#include <Uefi.h>
#include <Library/MemoryAllocationLib.h>
#include <stdlib.h>

extern "C" {

void *
malloc (size_t Size)
{
  // The pool has no zero-sized blocks; C allows a null answer for them.
  return (Size == 0) ? nullptr : AllocatePool (Size);
}

void
free (void *Pointer)
{
  if (Pointer != nullptr) {
    FreePool (Pointer);
  }
}

// Reached only when a dependency finds its own state broken beyond reporting an error:
// stop here, where a debugger attached to the firmware finds the caller, rather than run
// on over corrupt state.
void
abort (void)
{
  for ( ; ;) {
    __asm__ volatile ("pause");
  }
}

}

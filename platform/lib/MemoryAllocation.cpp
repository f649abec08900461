/** @file
  Pool allocation over the boot services. Allocations are boot-services data, the
  pool type of a boot-service driver's working memory.
**/
#include <Library/MemoryAllocationLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/PlatformLib.h>

VOID *
AllocatePool (IN UINTN AllocationSize)
{
  VOID  *Buffer = nullptr;

  if (gLibBS == nullptr) {
    return nullptr;
  }

  if (EFI_ERROR (gLibBS->AllocatePool (EfiBootServicesData, AllocationSize, &Buffer))) {
    return nullptr;
  }

  return Buffer;
}

VOID *
AllocateZeroPool (IN UINTN AllocationSize)
{
  VOID  *Buffer = AllocatePool (AllocationSize);

  if (Buffer != nullptr) {
    ZeroMem (Buffer, AllocationSize);
  }

  return Buffer;
}

VOID *
AllocateCopyPool (IN UINTN AllocationSize, IN CONST VOID *Buffer)
{
  VOID  *Copy;

  if ((Buffer == nullptr) && (AllocationSize != 0)) {
    return nullptr;
  }

  Copy = AllocatePool (AllocationSize);
  if (Copy != nullptr) {
    CopyMem (Copy, Buffer, AllocationSize);
  }

  return Copy;
}

VOID *
ReallocatePool (IN UINTN OldSize, IN UINTN NewSize, IN VOID *OldBuffer OPTIONAL)
{
  VOID  *NewBuffer = AllocateZeroPool (NewSize);

  if (NewBuffer == nullptr) {
    return nullptr;
  }

  if (OldBuffer != nullptr) {
    CopyMem (NewBuffer, OldBuffer, (OldSize < NewSize) ? OldSize : NewSize);
    FreePool (OldBuffer);
  }

  return NewBuffer;
}

VOID
FreePool (IN VOID *Buffer)
{
  if ((Buffer == nullptr) || (gLibBS == nullptr)) {
    return;
  }

  // A failure means the pointer was not a pool buffer; nothing useful can follow.
  (VOID)gLibBS->FreePool (Buffer);
}

VOID
FreePoolAndNull (IN OUT VOID **Buffer)
{
  if (Buffer != nullptr) {
    VOID  *Old = *Buffer;

    *Buffer = nullptr;
    FreePool (Old);
  }
}

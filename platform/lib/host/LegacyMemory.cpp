/** @file
  Low memory on the host: only what the host firmware's legacy memory interface
  holds. The UEFI image reads the identity-mapped memory itself (runtime/IoLib.cpp).
**/
#include <Library/IoLib.h>
#include <Library/PlatformLib.h>

static CONST EFI_GUID  mHostLegacyMemoryGuid = HOST_LEGACY_MEMORY_PROTOCOL_GUID;

CONST UINT8 *
MapLegacyMemory (
  IN  UINT32  Address,
  OUT UINTN   *Available
  )
{
  HOST_LEGACY_MEMORY_PROTOCOL  *Memory = NULL;

  *Available = 0;
  if ((gLibBS == NULL) || (Address == 0) || (Address >= LEGACY_MEMORY_LIMIT) ||
      EFI_ERROR (gLibBS->LocateProtocol ((EFI_GUID *)&mHostLegacyMemoryGuid, NULL, (VOID **)&Memory)) || (Memory == NULL))
  {
    return NULL;
  }

  return Memory->Map (Address, Available);
}

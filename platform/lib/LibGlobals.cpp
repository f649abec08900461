/** @file
  The base library's globals and their constructor.
**/
#include <Library/PlatformLib.h>

EFI_HANDLE            gLibImageHandle = nullptr;
EFI_SYSTEM_TABLE      *gLibST         = nullptr;
EFI_BOOT_SERVICES     *gLibBS         = nullptr;
EFI_RUNTIME_SERVICES  *gLibRT         = nullptr;

EFI_STATUS
PlatformLibConstructor (
  IN EFI_HANDLE        ImageHandle,
  IN EFI_SYSTEM_TABLE  *SystemTable
  )
{
  if ((SystemTable == nullptr) || (SystemTable->BootServices == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }

  gLibImageHandle = ImageHandle;
  gLibST          = SystemTable;
  gLibBS          = SystemTable->BootServices;
  gLibRT          = SystemTable->RuntimeServices;
  return EFI_SUCCESS;
}

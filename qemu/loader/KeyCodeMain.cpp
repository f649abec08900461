/** @file
  The key-code adapter as a boot-service driver of its own: it stays resident after
  its entry point, which the loader (an application, unloaded when it returns) cannot.
**/
#include <Uefi.h>

#include "Loader.h"
#include "LoaderConsole.h"

namespace loader {
EFI_BOOT_SERVICES *gBoot;
}  // namespace loader

extern "C" EFI_STATUS EFIAPI
KeyCodeMain (EFI_HANDLE, EFI_SYSTEM_TABLE *St)
{
  loader::gBoot = St->BootServices;
  loader::SetConsole (St);
  // A failure unloads the image again; the engine's pages then show but take no keys.
  return loader::InstallKeyCodeAdapter (St) ? EFI_SUCCESS : EFI_UNSUPPORTED;
}

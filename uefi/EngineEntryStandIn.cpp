/** @file
  Weak stand-in for the engine's driver entry while the engine has none: the image
  loads and reports that it cannot start. The engine's own (strong) definition wins
  at link time; remove this file once the engine defines its entry.
**/
#include <Uefi.h>

__attribute__((weak)) EFI_STATUS EFIAPI
SetupEngineDriverEntry (IN EFI_HANDLE ImageHandle, IN EFI_SYSTEM_TABLE *SystemTable)
{
  (VOID)ImageHandle;
  (VOID)SystemTable;
  return EFI_UNSUPPORTED;
}

/** @file
  Entry of the UEFI driver image: the base library first (global constructors may
  allocate from the pool), then the C++ global constructors, then the engine.
**/
#include <Uefi.h>
#include <Library/PlatformLib.h>
#include <Runtime/CrtSupport.h>

#if __has_include(<engine/core/SetupEngine.h>)
#include <engine/core/SetupEngine.h>
#else
EFI_STATUS EFIAPI SetupEngineDriverEntry (IN EFI_HANDLE ImageHandle, IN EFI_SYSTEM_TABLE *SystemTable);
#endif

extern "C" EFI_STATUS EFIAPI
_ModuleEntryPoint (
  IN EFI_HANDLE        ImageHandle,
  IN EFI_SYSTEM_TABLE  *SystemTable
  )
{
  EFI_STATUS  Status = PlatformLibConstructor (ImageHandle, SystemTable);

  if (EFI_ERROR (Status)) {
    return Status;
  }

  RunGlobalConstructors ();
  return SetupEngineDriverEntry (ImageHandle, SystemTable);
}

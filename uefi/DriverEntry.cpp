/** @file
  Entry of the UEFI driver image: the base library first (global constructors may
  allocate from the pool), then the C++ global constructors, then the engine.
**/
#include <Uefi.h>
#include <Library/PlatformLib.h>
#include <Runtime/CrtSupport.h>

#include <engine/startup/SetupEngine.h>

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

/** @file
  Image and controller services. Loading and starting images comes with the boot
  manager's tests (a registry of test images by device path); until then LoadImage
  finds nothing, which is what firmware answers for an unknown path.
**/
#include <Emulator/Machine.h>


namespace Emu {

static Machine &
Here ()
{
  return Machine::Serving ("boot");
}

static EFI_STATUS EFIAPI
EmuLoadImage (BOOLEAN BootPolicy, EFI_HANDLE Parent, EFI_DEVICE_PATH_PROTOCOL *DevicePath, VOID *Source,
  UINTN SourceSize, EFI_HANDLE *ImageHandle)
{
  (VOID)BootPolicy;
  (VOID)SourceSize;
  if ((ImageHandle == nullptr) || !Here ().Protocols ().IsHandle (Parent) ||
      ((DevicePath == nullptr) && (Source == nullptr)))
  {
    return EFI_INVALID_PARAMETER;
  }
  return EFI_NOT_FOUND;
}

static EFI_STATUS EFIAPI
EmuStartImage (EFI_HANDLE ImageHandle, UINTN *ExitDataSize, CHAR16 **ExitData)
{
  (VOID)ImageHandle;
  (VOID)ExitDataSize;
  (VOID)ExitData;
  return EFI_INVALID_PARAMETER;  // no image was ever loaded
}

static EFI_STATUS EFIAPI
EmuExit (EFI_HANDLE ImageHandle, EFI_STATUS Status, UINTN ExitDataSize, CHAR16 *ExitData)
{
  (VOID)ImageHandle;
  (VOID)Status;
  (VOID)ExitDataSize;
  (VOID)ExitData;
  return EFI_INVALID_PARAMETER;
}

static EFI_STATUS EFIAPI
EmuUnloadImage (EFI_HANDLE ImageHandle)
{
  (VOID)ImageHandle;
  return EFI_UNSUPPORTED;
}

static EFI_STATUS EFIAPI
EmuExitBootServices (EFI_HANDLE ImageHandle, UINTN MapKey)
{
  (VOID)ImageHandle;
  (VOID)MapKey;
  static const EFI_GUID  ExitBootServicesGroup =
    { 0x27ABF055, 0xB1B8, 0x4C26, { 0x80, 0x48, 0x74, 0x8F, 0x37, 0xBA, 0xA2, 0xDF } };
  Here ().Events ().SignalGroup (ExitBootServicesGroup);
  return EFI_SUCCESS;
}

static EFI_STATUS EFIAPI
EmuConnectController (EFI_HANDLE Controller, EFI_HANDLE *DriverImages, EFI_DEVICE_PATH_PROTOCOL *Remaining,
  BOOLEAN Recursive)
{
  (VOID)DriverImages;
  (VOID)Remaining;
  Machine  &Current = Here ();
  if (!Current.Protocols ().IsHandle (Controller)) {
    return EFI_INVALID_PARAMETER;
  }
  Current.RecordControllerCall (CONTROLLER_CALL { true, Controller, Recursive != FALSE });
  // No emulated driver binds to anything, which firmware reports as not found.
  return EFI_NOT_FOUND;
}

static EFI_STATUS EFIAPI
EmuDisconnectController (EFI_HANDLE Controller, EFI_HANDLE Driver, EFI_HANDLE Child)
{
  (VOID)Driver;
  (VOID)Child;
  Machine  &Current = Here ();
  if (!Current.Protocols ().IsHandle (Controller)) {
    return EFI_INVALID_PARAMETER;
  }
  Current.RecordControllerCall (CONTROLLER_CALL { false, Controller, false });
  return EFI_SUCCESS;
}

void
FillImageServices (EFI_BOOT_SERVICES *Services)
{
  Services->LoadImage            = EmuLoadImage;
  Services->StartImage           = EmuStartImage;
  Services->Exit                 = EmuExit;
  Services->UnloadImage          = EmuUnloadImage;
  Services->ExitBootServices     = EmuExitBootServices;
  Services->ConnectController    = EmuConnectController;
  Services->DisconnectController = EmuDisconnectController;
}

}  // namespace Emu

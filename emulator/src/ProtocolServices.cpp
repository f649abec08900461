/** @file
  The protocol-handler boot services as EFIAPI entry points, including the two
  variadic multiple-interface services.
**/
#include <Emulator/Machine.h>


namespace Emu {

static ProtocolDatabase &
Database ()
{
  return Machine::Serving ("boot").Protocols ();
}

static EFI_STATUS EFIAPI
EmuInstallProtocolInterface (EFI_HANDLE *Handle, EFI_GUID *Guid, EFI_INTERFACE_TYPE Type, VOID *Interface)
{
  if (Type != EFI_NATIVE_INTERFACE) {
    return EFI_INVALID_PARAMETER;
  }
  return Database ().Install (Handle, Guid, Interface);
}

static EFI_STATUS EFIAPI
EmuReinstallProtocolInterface (EFI_HANDLE Handle, EFI_GUID *Guid, VOID *OldInterface, VOID *NewInterface)
{
  return Database ().Reinstall (Handle, Guid, OldInterface, NewInterface);
}

static EFI_STATUS EFIAPI
EmuUninstallProtocolInterface (EFI_HANDLE Handle, EFI_GUID *Guid, VOID *Interface)
{
  return Database ().Uninstall (Handle, Guid, Interface);
}

static EFI_STATUS EFIAPI
EmuHandleProtocol (EFI_HANDLE Handle, EFI_GUID *Guid, VOID **Interface)
{
  return Database ().HandleProtocol (Handle, Guid, Interface);
}

static EFI_STATUS EFIAPI
EmuRegisterProtocolNotify (EFI_GUID *Guid, EFI_EVENT Event, VOID **Registration)
{
  return Database ().RegisterNotify (Guid, Event, Registration);
}

static EFI_STATUS EFIAPI
EmuLocateHandle (EFI_LOCATE_SEARCH_TYPE Type, EFI_GUID *Guid, VOID *Key, UINTN *Size, EFI_HANDLE *Buffer)
{
  return Database ().LocateHandle (Type, Guid, Key, Size, Buffer);
}

static EFI_STATUS EFIAPI
EmuLocateDevicePath (EFI_GUID *Guid, EFI_DEVICE_PATH_PROTOCOL **DevicePath, EFI_HANDLE *Device)
{
  return Database ().LocateDevicePath (Guid, DevicePath, Device);
}

static EFI_STATUS EFIAPI
EmuOpenProtocol (EFI_HANDLE Handle, EFI_GUID *Guid, VOID **Interface, EFI_HANDLE Agent, EFI_HANDLE Controller,
  UINT32 Attributes)
{
  return Database ().Open (Handle, Guid, Interface, Agent, Controller, Attributes);
}

static EFI_STATUS EFIAPI
EmuCloseProtocol (EFI_HANDLE Handle, EFI_GUID *Guid, EFI_HANDLE Agent, EFI_HANDLE Controller)
{
  return Database ().Close (Handle, Guid, Agent, Controller);
}

static EFI_STATUS EFIAPI
EmuOpenProtocolInformation (EFI_HANDLE Handle, EFI_GUID *Guid, EFI_OPEN_PROTOCOL_INFORMATION_ENTRY **Entries,
  UINTN *Count)
{
  return Database ().OpenInformation (Handle, Guid, Entries, Count);
}

static EFI_STATUS EFIAPI
EmuProtocolsPerHandle (EFI_HANDLE Handle, EFI_GUID ***Guids, UINTN *Count)
{
  return Database ().ProtocolsPerHandle (Handle, Guids, Count);
}

static EFI_STATUS EFIAPI
EmuLocateHandleBuffer (EFI_LOCATE_SEARCH_TYPE Type, EFI_GUID *Guid, VOID *Key, UINTN *Count, EFI_HANDLE **Buffer)
{
  return Database ().LocateHandleBuffer (Type, Guid, Key, Count, Buffer);
}

static EFI_STATUS EFIAPI
EmuLocateProtocol (EFI_GUID *Guid, VOID *Registration, VOID **Interface)
{
  return Database ().LocateProtocol (Guid, Registration, Interface);
}

// Reads (GUID *, VOID *) pairs up to the null GUID pointer. Bounded, so a caller
// that forgot the terminator gets an error instead of a walk through its stack.
static bool
ReadPairs (__builtin_ms_va_list &Args, ProtocolDatabase::INTERFACE_LIST *Pairs)
{
  for (int Count = 0; Count < 64; Count++) {
    auto  *Guid = __builtin_va_arg (Args, EFI_GUID *);
    if (Guid == nullptr) {
      return true;
    }
    auto  *Interface = __builtin_va_arg (Args, VOID *);
    Pairs->emplace_back (Guid, Interface);
  }
  return false;
}

static EFI_STATUS EFIAPI
EmuInstallMultipleProtocolInterfaces (EFI_HANDLE *Handle, ...)
{
  __builtin_ms_va_list             Args;
  ProtocolDatabase::INTERFACE_LIST Pairs;

  __builtin_ms_va_start (Args, Handle);
  bool  Ended = ReadPairs (Args, &Pairs);
  __builtin_ms_va_end (Args);
  if (!Ended) {
    return EFI_INVALID_PARAMETER;
  }
  return Database ().InstallMultiple (Handle, Pairs);
}

static EFI_STATUS EFIAPI
EmuUninstallMultipleProtocolInterfaces (EFI_HANDLE Handle, ...)
{
  __builtin_ms_va_list             Args;
  ProtocolDatabase::INTERFACE_LIST Pairs;

  __builtin_ms_va_start (Args, Handle);
  bool  Ended = ReadPairs (Args, &Pairs);
  __builtin_ms_va_end (Args);
  if (!Ended) {
    return EFI_INVALID_PARAMETER;
  }
  return Database ().UninstallMultiple (Handle, Pairs);
}

void
FillProtocolServices (EFI_BOOT_SERVICES *Services)
{
  Services->InstallProtocolInterface            = EmuInstallProtocolInterface;
  Services->ReinstallProtocolInterface          = EmuReinstallProtocolInterface;
  Services->UninstallProtocolInterface          = EmuUninstallProtocolInterface;
  Services->HandleProtocol                      = EmuHandleProtocol;
  Services->RegisterProtocolNotify              = EmuRegisterProtocolNotify;
  Services->LocateHandle                        = EmuLocateHandle;
  Services->LocateDevicePath                    = EmuLocateDevicePath;
  Services->OpenProtocol                        = EmuOpenProtocol;
  Services->CloseProtocol                       = EmuCloseProtocol;
  Services->OpenProtocolInformation             = EmuOpenProtocolInformation;
  Services->ProtocolsPerHandle                  = EmuProtocolsPerHandle;
  Services->LocateHandleBuffer                  = EmuLocateHandleBuffer;
  Services->LocateProtocol                      = EmuLocateProtocol;
  Services->InstallMultipleProtocolInterfaces   = EmuInstallMultipleProtocolInterfaces;
  Services->UninstallMultipleProtocolInterfaces = EmuUninstallMultipleProtocolInterfaces;
}

}  // namespace Emu

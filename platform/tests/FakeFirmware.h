// A tiny stand-in for the firmware, enough for the base library's tests: the shared
// fake pool (live blocks, failure on demand), a protocol list for LocateProtocol and
// install/uninstall logging, a variable store and a system table. The real
// emulator is a separate library; these tests must not depend on it.
#ifndef PLATFORM_TESTS_FAKE_FIRMWARE_H_
#define PLATFORM_TESTS_FAKE_FIRMWARE_H_

#include "support/FakePool.h"

#include <Uefi.h>
#include <Library/PlatformLib.h>

#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

struct FakeFirmware : FakePool {
  EFI_SYSTEM_TABLE      SystemTable {};
  EFI_BOOT_SERVICES     BootServices {};
  EFI_RUNTIME_SERVICES  RuntimeServices {};

  struct Installed {
    EFI_GUID  Guid;
    VOID      *Interface;
  };

  // Every call the library makes that the tests check.
  std::vector<std::pair<std::string, EFI_GUID>>   ProtocolLog;
  std::vector<Installed>                          Protocols;
  std::map<std::u16string, std::vector<UINT8>>    Variables;
  std::vector<EFI_CONFIGURATION_TABLE>            ConfigTables;
  int       VariableGrowOnce = 0;       // bytes a variable grows between the two calls

  static FakeFirmware  *Current;

  FakeFirmware ()
  {
    Current = this;
    BootServices.AllocatePool               = AllocatePool;
    BootServices.FreePool                   = FreePool;
    BootServices.LocateProtocol             = LocateProtocol;
    BootServices.InstallProtocolInterface   = InstallProtocolInterface;
    BootServices.UninstallProtocolInterface = UninstallProtocolInterface;
    RuntimeServices.GetVariable             = GetVariable;
    SystemTable.BootServices                = &BootServices;
    SystemTable.RuntimeServices             = &RuntimeServices;
    PlatformLibConstructor ((EFI_HANDLE)this, &SystemTable);
  }

  ~FakeFirmware ()
  {
    gLibBS  = nullptr;
    gLibST  = nullptr;
    gLibRT  = nullptr;
    Current = nullptr;
  }

  void AddConfigTable (const EFI_GUID &Guid, VOID *Table)
  {
    ConfigTables.push_back ({ Guid, Table });
    SystemTable.NumberOfTableEntries = ConfigTables.size ();
    SystemTable.ConfigurationTable   = ConfigTables.data ();
  }

  void AddProtocol (const EFI_GUID &Guid, VOID *Interface) { Protocols.push_back ({ Guid, Interface }); }

  static EFI_STATUS EFIAPI AllocatePool (EFI_MEMORY_TYPE, UINTN Size, VOID **Buffer)
  {
    return Current->Allocate (Size, Buffer);
  }

  static EFI_STATUS EFIAPI FreePool (VOID *Buffer) { return Current->Free (Buffer); }

  static EFI_STATUS EFIAPI LocateProtocol (EFI_GUID *Guid, VOID *, VOID **Interface)
  {
    for (auto &P : Current->Protocols) {
      if (std::memcmp (&P.Guid, Guid, sizeof (EFI_GUID)) == 0) {
        *Interface = P.Interface;
        return EFI_SUCCESS;
      }
    }

    return EFI_NOT_FOUND;
  }

  static EFI_STATUS EFIAPI InstallProtocolInterface (EFI_HANDLE *Handle, EFI_GUID *Guid, EFI_INTERFACE_TYPE, VOID *)
  {
    if (*Handle == nullptr) {
      *Handle = (EFI_HANDLE)&Current->ProtocolLog;   // any non-null new handle
    }

    Current->ProtocolLog.push_back ({ "install", *Guid });
    return EFI_SUCCESS;
  }

  static EFI_STATUS EFIAPI UninstallProtocolInterface (EFI_HANDLE Handle, EFI_GUID *Guid, VOID *)
  {
    Current->ProtocolLog.push_back ({ Handle == nullptr ? "uninstall-null" : "uninstall", *Guid });
    return EFI_SUCCESS;
  }

  static EFI_STATUS EFIAPI GetVariable (CHAR16 *Name, EFI_GUID *, UINT32 *Attributes, UINTN *Size, VOID *Data)
  {
    auto  It = Current->Variables.find (std::u16string (Name));

    if (It == Current->Variables.end ()) {
      return EFI_NOT_FOUND;
    }

    EFI_STATUS  Status = CopyVariableOut (It->second, Size, Data);

    if (Status == EFI_BUFFER_TOO_SMALL) {
      // Let the variable grow between the size query and the read, as another
      // driver's write could make it.
      It->second.resize (It->second.size () + Current->VariableGrowOnce, 0xEE);
      Current->VariableGrowOnce = 0;
      return Status;
    }

    if (Attributes != nullptr) {
      *Attributes = 3;
    }

    return Status;
  }
};

#endif

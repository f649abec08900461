/** @file
  The handle and protocol database: what InstallProtocolInterface, OpenProtocol,
  LocateHandle and their relatives work on.

  Emulated devices and services (consoles, graphics, the firmware volume, later the
  HII services) are C++ objects that install their protocol structures on handles
  here, exactly as a driver would; tests then inspect which interfaces sit on which
  handle, inject failures per operation and GUID, and read the log of event groups
  signalled by installing a null interface.
**/
#ifndef EMULATOR_PROTOCOL_DATABASE_H_
#define EMULATOR_PROTOCOL_DATABASE_H_

#include <Uefi.h>

#include <cstdio>
#include <deque>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace Emu {

class EventSystem;
class Pool;

enum class ProtocolOp {
  Install,          // InstallProtocolInterface and each pair of the multiple form
  Uninstall,
  Reinstall,
  Open,             // OpenProtocol and HandleProtocol
  LocateProtocol,
  LocateHandle,     // LocateHandle and LocateHandleBuffer
  RegisterNotify
};

struct PROTOCOL_FAULT {
  ProtocolOp               Op;
  std::optional<EFI_GUID>  Guid;   // nullopt: any GUID
  EFI_STATUS               Status;
  UINT32                   Skip;   // matching calls that still succeed first
  UINT32                   Times;  // failures to give; 0 = every matching call from then on
};

struct PROTOCOL_OPEN {
  EFI_HANDLE  Agent;
  EFI_HANDLE  Controller;
  UINT32      Attributes;
  UINT32      Count;
};

struct PROTOCOL_ENTRY {
  EFI_GUID                    Guid;
  VOID                        *Interface;
  UINT64                      Serial;  // order of installation, for stable lookups
  std::vector<PROTOCOL_OPEN>  Opens;
};

struct HANDLE_RECORD;
struct NOTIFY_REGISTRATION;

class ProtocolDatabase {
public:
  ProtocolDatabase (EventSystem &Events, Pool &Memory);
  ~ProtocolDatabase ();
  ProtocolDatabase (const ProtocolDatabase &)            = delete;
  ProtocolDatabase &operator= (const ProtocolDatabase &) = delete;

  using INTERFACE_LIST = std::vector<std::pair<const EFI_GUID *, VOID *>>;

  EFI_STATUS Install (EFI_HANDLE *Handle, const EFI_GUID *Guid, VOID *Interface);
  EFI_STATUS Uninstall (EFI_HANDLE Handle, const EFI_GUID *Guid, VOID *Interface);
  EFI_STATUS Reinstall (EFI_HANDLE Handle, const EFI_GUID *Guid, VOID *OldInterface, VOID *NewInterface);
  // All or nothing, as the boot services promise.
  EFI_STATUS InstallMultiple (EFI_HANDLE *Handle, const INTERFACE_LIST &Interfaces);
  EFI_STATUS UninstallMultiple (EFI_HANDLE Handle, const INTERFACE_LIST &Interfaces);
  EFI_STATUS HandleProtocol (EFI_HANDLE Handle, const EFI_GUID *Guid, VOID **Interface);
  EFI_STATUS Open (EFI_HANDLE Handle, const EFI_GUID *Guid, VOID **Interface, EFI_HANDLE Agent,
               EFI_HANDLE Controller, UINT32 Attributes);
  EFI_STATUS Close (EFI_HANDLE Handle, const EFI_GUID *Guid, EFI_HANDLE Agent, EFI_HANDLE Controller);
  EFI_STATUS OpenInformation (EFI_HANDLE Handle, const EFI_GUID *Guid,
               EFI_OPEN_PROTOCOL_INFORMATION_ENTRY **Entries, UINTN *Count);
  EFI_STATUS ProtocolsPerHandle (EFI_HANDLE Handle, EFI_GUID ***Guids, UINTN *Count);
  EFI_STATUS RegisterNotify (const EFI_GUID *Guid, EFI_EVENT Event, VOID **Registration);
  EFI_STATUS LocateHandle (EFI_LOCATE_SEARCH_TYPE Type, const EFI_GUID *Guid, VOID *Key, UINTN *Size,
               EFI_HANDLE *Buffer);
  EFI_STATUS LocateHandleBuffer (EFI_LOCATE_SEARCH_TYPE Type, const EFI_GUID *Guid, VOID *Key,
               UINTN *Count, EFI_HANDLE **Buffer);
  EFI_STATUS LocateProtocol (const EFI_GUID *Guid, VOID *Registration, VOID **Interface);
  EFI_STATUS LocateDevicePath (const EFI_GUID *Guid, EFI_DEVICE_PATH_PROTOCOL **DevicePath,
               EFI_HANDLE *Device);

  // Inspection for tests and the program.
  bool                    IsHandle (EFI_HANDLE Handle) const;
  std::vector<EFI_HANDLE> Handles () const;  // live handles in creation order
  std::vector<EFI_HANDLE> HandlesWith (const EFI_GUID &Guid) const;  // in installation order
  std::vector<std::pair<EFI_GUID, VOID *>> InterfacesOn (EFI_HANDLE Handle) const;
  VOID                   *Find (EFI_HANDLE Handle, const EFI_GUID &Guid) const;
  // GUIDs installed with a null interface, in order: how event groups get signalled.
  const std::vector<EFI_GUID> &NullInterfaceLog () const { return mNullLog; }

  void InjectFault (const PROTOCOL_FAULT &Fault) { mFaults.push_back (Fault); }
  void ClearFaults () { mFaults.clear (); }
  // Drops the notify registrations of an event that was closed.
  void ForgetEvent (EFI_EVENT Event);

private:
  HANDLE_RECORD  *FindHandle (EFI_HANDLE Handle) const;
  PROTOCOL_ENTRY *FindEntry (HANDLE_RECORD *Record, const EFI_GUID &Guid) const;
  EFI_STATUS      Fault (ProtocolOp Op, const EFI_GUID *Guid);
  void            Notify (const EFI_GUID &Guid, EFI_HANDLE Handle);
  void            RemoveEntry (HANDLE_RECORD *Record, const EFI_GUID &Guid);
  std::vector<EFI_HANDLE> Search (EFI_LOCATE_SEARCH_TYPE Type, const EFI_GUID *Guid, VOID *Key, bool Take);
  NOTIFY_REGISTRATION *FindRegistration (VOID *Key) const;
  EFI_HANDLE      NextNotified (NOTIFY_REGISTRATION *Registration, bool Take);

  EventSystem                                        &mEvents;
  Pool                                               &mPool;
  std::vector<std::unique_ptr<HANDLE_RECORD>>        mHandles;  // live ones, in creation order
  // Dead handles stay allocated, so a stale handle never names a new one and stays
  // detectable; they are kept apart, so lookups cost no more as handles come and go.
  std::vector<std::unique_ptr<HANDLE_RECORD>>        mDeadHandles;
  std::vector<std::unique_ptr<NOTIFY_REGISTRATION>>  mRegistrations;
  std::vector<PROTOCOL_FAULT>                        mFaults;
  std::vector<EFI_GUID>                              mNullLog;
  UINT64                                             mSerial = 0;
};

//
// For a device model's set-up: a refused installation or open is a fault of the
// machine being built (a handle that already carries the protocol, no memory left), and
// a test on a machine missing a device would report something else, so it throws.
//
inline void
RequireInstalled (EFI_STATUS Status, const char *What)
{
  if (EFI_ERROR (Status)) {
    char  Code[24];
    snprintf (Code, sizeof (Code), "0x%llX", (unsigned long long)Status);
    throw std::logic_error (std::string ("device set-up: ") + What + " refused with status " + Code);
  }
}

}  // namespace Emu

#endif

/** @file
  One emulated machine: the system table with its boot and runtime services, the
  pool, the event system on its virtual clock, the protocol database, the variable
  store and the real-time clock, plus the devices a test or the program adds.

  Boot services have no This pointer, so the services find their machine through
  Machine::Current(); only one machine exists at a time. Devices are C++ objects
  that the machine owns (Machine::Add) and that install their protocols on handles
  in Protocols(), the way the HII services of emulator/hii/ slot in too.
**/
#ifndef EMULATOR_MACHINE_H_
#define EMULATOR_MACHINE_H_

#include <Uefi.h>

#include <Emulator/Events.h>
#include <Emulator/Pool.h>
#include <Emulator/ProtocolDatabase.h>
#include <Emulator/RealTimeClock.h>
#include <Emulator/Variables.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace Emu {

// Base of everything a machine owns besides its core services.
class Device {
public:
  virtual ~Device () = default;
};

struct RESET_RECORD {
  EFI_RESET_TYPE      Type;
  EFI_STATUS          Status;
  std::vector<UINT8>  Data;
  UINT64              At;  // virtual clock
};

struct CONTROLLER_CALL {
  bool        Connect;
  EFI_HANDLE  Controller;
  bool        Recursive;
};

class Machine {
public:
  Machine ();
  ~Machine ();
  Machine (const Machine &)            = delete;
  Machine &operator= (const Machine &) = delete;

  // The machine whose services the tables call; null when none exists.
  static Machine *Current ();
  // The current machine for an entry of a service table of the given Kind ("boot",
  // "runtime"). A table outliving its machine is a test bug, not something to
  // emulate: throws std::logic_error when none exists.
  static Machine &Serving (const char *Kind);

  Pool             &Memory () { return mPool; }
  EventSystem      &Events () { return mEvents; }
  ProtocolDatabase &Protocols () { return mProtocols; }
  VariableStore    &Variables () { return mVariables; }
  const VariableStore &Variables () const { return mVariables; }
  RealTimeClock    &Clock () { return mClock; }

  EFI_SYSTEM_TABLE     *SystemTable () { return &mSystemTable; }
  EFI_BOOT_SERVICES    *BootServices () { return &mBootServices; }
  EFI_RUNTIME_SERVICES *RuntimeServices () { return &mRuntimeServices; }

  // Takes ownership of a device and returns it.
  template <class DEVICE>
  DEVICE &Add (std::unique_ptr<DEVICE> Item)
  {
    DEVICE  &Ref = *Item;
    mDevices.push_back (std::move (Item));
    return Ref;
  }

  // The first device of a type, or null: how services without This find theirs.
  template <class DEVICE>
  DEVICE *FindDevice () const
  {
    for (const auto &Item : mDevices) {
      if (auto *Found = dynamic_cast<DEVICE *>(Item.get ())) {
        return Found;
      }
    }
    return nullptr;
  }

  // Configuration tables (the hand-off block list, ACPI, ...).
  EFI_STATUS InstallConfigurationTable (const EFI_GUID *Guid, VOID *Table);
  VOID      *FindConfigurationTable (const EFI_GUID &Guid) const;

  // ResetSystem records here, then ends the run with ResetSystemCalled.
  const std::vector<RESET_RECORD> &Resets () const { return mResets; }
  void                             RecordReset (const RESET_RECORD &Record) { mResets.push_back (Record); }
  const std::vector<CONTROLLER_CALL> &ControllerCalls () const { return mControllerCalls; }
  void                             RecordControllerCall (const CONTROLLER_CALL &Call) { mControllerCalls.push_back (Call); }
  UINT64                           NextMonotonicCount () { return ++mMonotonic; }

private:
  void BuildTables ();

  Pool                                  mPool;
  EventSystem                           mEvents;
  ProtocolDatabase                      mProtocols;
  VariableStore                         mVariables;
  RealTimeClock                         mClock;
  EFI_SYSTEM_TABLE                      mSystemTable;
  EFI_BOOT_SERVICES                     mBootServices;
  EFI_RUNTIME_SERVICES                  mRuntimeServices;
  std::vector<EFI_CONFIGURATION_TABLE>  mConfigTables;
  std::vector<std::unique_ptr<Device>>  mDevices;
  std::vector<RESET_RECORD>             mResets;
  std::vector<CONTROLLER_CALL>          mControllerCalls;
  UINT64                                mMonotonic = 0;
};

// Boot and runtime services tables filled with the emulator's services.
void FillBootServices (EFI_BOOT_SERVICES *Services);
void FillRuntimeServices (EFI_RUNTIME_SERVICES *Services);

}  // namespace Emu

#endif

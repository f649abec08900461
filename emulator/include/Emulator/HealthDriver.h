/** @file
  A driver that reports the health of the controllers it manages, for tests: its
  driver handle carries the driver-health interface (and, when named, a component
  name interface and a device path), and each controller or child it manages opens
  that interface by child controller, so the open information ties them to it.
  Statuses, messages, configuration forms and what a repair leaves are scripted;
  repairs are logged.
**/
#ifndef EMULATOR_HEALTH_DRIVER_H_
#define EMULATOR_HEALTH_DRIVER_H_

#include <Uefi.h>
#include <Protocol/ComponentName2.h>
#include <Protocol/DriverHealth.h>

#include <Emulator/Machine.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace Emu {

struct HEALTH_STATE {
  EFI_DRIVER_HEALTH_STATUS                             Status       = EfiDriverHealthStatusHealthy;
  std::vector<std::pair<EFI_HII_HANDLE, EFI_STRING_ID>> Messages {};
  EFI_HII_HANDLE                                       Form         = nullptr;
  EFI_DRIVER_HEALTH_STATUS                             AfterRepair  = EfiDriverHealthStatusHealthy;
  EFI_STATUS                                           RepairStatus = EFI_SUCCESS;
  std::u16string                                       Name {};       // the component name's controller name
};

struct HEALTH_DRIVER_PRIVATE;

class HealthDriver : public Device {
public:
  // Name: the driver's component name in "en-US" (none: no component name interface);
  // Path: its device path (empty: none).
  HealthDriver (Machine &Owner, std::optional<std::u16string> Name, std::vector<UINT8> Path = {});
  ~HealthDriver () override;

  EFI_HANDLE                 Handle () const { return mHandle; }
  EFI_DRIVER_HEALTH_PROTOCOL *Protocol ();

  // A new controller handle (with an interface of its own) that the driver manages.
  EFI_HANDLE AddController (const HEALTH_STATE &State);
  // A new child handle of Controller.
  EFI_HANDLE AddChild (EFI_HANDLE Controller, const HEALTH_STATE &State);
  // Ties an existing handle to the driver, as an agent that opened the driver's interface.
  void       OpenBy (EFI_HANDLE Agent, EFI_HANDLE Controller);
  HEALTH_STATE &State (EFI_HANDLE Controller, EFI_HANDLE Child = nullptr) { return mStates[{ Controller, Child }]; }
  // The driver's own status (controller 0) is the worst of its controllers' unless set.
  void       SetOverall (std::optional<EFI_DRIVER_HEALTH_STATUS> Status) { mOverall = Status; }
  const std::vector<std::pair<EFI_HANDLE, EFI_HANDLE>> &Repairs () const { return mRepairs; }

  EFI_STATUS GetHealthStatus (EFI_HANDLE Controller, EFI_HANDLE Child, EFI_DRIVER_HEALTH_STATUS *Status,
               EFI_DRIVER_HEALTH_HII_MESSAGE **Messages, EFI_HII_HANDLE *Form);
  EFI_STATUS Repair (EFI_HANDLE Controller, EFI_HANDLE Child);
  EFI_STATUS ControllerName (EFI_HANDLE Controller, EFI_HANDLE Child, CHAR16 **Name);
  const CHAR16 *DriverName () const { return mName ? mName->c_str () : nullptr; }

private:
  Machine                                                   &mMachine;
  std::unique_ptr<HEALTH_DRIVER_PRIVATE>                    mPrivate;
  EFI_HANDLE                                                mHandle = nullptr;
  std::optional<std::u16string>                             mName;
  std::vector<UINT8>                                        mPath;
  std::map<std::pair<EFI_HANDLE, EFI_HANDLE>, HEALTH_STATE> mStates;
  std::optional<EFI_DRIVER_HEALTH_STATUS>                   mOverall;
  std::vector<std::pair<EFI_HANDLE, EFI_HANDLE>>            mRepairs;
  std::vector<std::unique_ptr<UINT8>>                       mControllerTags;
};

}  // namespace Emu

#endif

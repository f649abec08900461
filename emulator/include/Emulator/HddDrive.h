/** @file
  A hard disk with the ATA security feature set behind the firmware's hard-disk
  security protocol, for tests and the demo machine. Its security state can be set
  and read directly: whether it supports security, whether a user password is
  installed (security enabled), whether it is locked or frozen, both passwords and
  the count of failed tries. Building it is its power-on: a drive with a user
  password comes up locked, and no drive comes up frozen. Writes can be made to
  fail as a drive that stops answering would.
**/
#ifndef EMULATOR_HDD_DRIVE_H_
#define EMULATOR_HDD_DRIVE_H_

#include <Uefi.h>
#include <Protocol/HddSecurity.h>

#include <Emulator/Machine.h>

#include <memory>
#include <string>
#include <vector>

namespace Emu {

struct HDD_DRIVE_STATE {
  bool                Supported = true;
  bool                Enabled   = false;   // a user password is installed
  bool                Locked    = false;
  bool                Frozen    = false;
  std::vector<UINT8>  UserPassword {};     // as the drive keeps it: 32 bytes, or empty for none
  std::vector<UINT8>  MasterPassword {};
  unsigned            FailedTries = 0;     // refused unlocks and disables since power-on
  bool                FailWrites  = false; // setting or removing a password answers EFI_DEVICE_ERROR
};

struct HDD_DRIVE_PRIVATE;

class HddDrive : public Device {
public:
  // Powers the drive on with State; a user password enables security.
  HddDrive (Machine &Owner, HDD_DRIVE_STATE State = {});
  ~HddDrive () override;

  EFI_HANDLE            Handle () const { return mHandle; }
  HDD_SECURITY_PROTOCOL *Protocol ();
  HDD_DRIVE_STATE       &State () { return mState; }
  // Locked when security is enabled, never frozen, no failed tries: a power cycle.
  void                  PowerOn ();

  // A password as the drive keeps it: the text's characters as bytes, zero-padded to 32.
  static std::vector<UINT8> Padded (const std::string &Text);

  EFI_STATUS GetStatus (UINT16 *Status) const;
  EFI_STATUS SetPassword (UINT32 Which, const UINT8 *Password, UINTN Size);
  EFI_STATUS Unlock (UINT32 Which, const UINT8 *Password, UINTN Size);
  EFI_STATUS Disable (UINT32 Which, const UINT8 *Password, UINTN Size);
  EFI_STATUS FreezeLock ();

private:
  bool Matches (UINT32 Which, const UINT8 *Password, UINTN Size) const;

  std::unique_ptr<HDD_DRIVE_PRIVATE>  mPrivate;
  EFI_HANDLE                          mHandle = nullptr;
  HDD_DRIVE_STATE                     mState;
};

}  // namespace Emu

#endif

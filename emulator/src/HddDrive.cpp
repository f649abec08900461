/** @file
  The emulated hard disk's security state machine. It follows the ATA security
  feature set where the setup program can tell: a locked or frozen drive takes no
  password change, a frozen one not even an unlock, and every refused password
  counts as a failed try.
**/
#include <Emulator/HddDrive.h>

#include <algorithm>

#include "DeviceRecord.h"

namespace Emu {

constexpr UINT64  kHddSignature = SIGNATURE_64 ('E', 'M', 'U', 'H', 'D', 'D', 'S', 'E');

static const EFI_GUID  kHddSecurityGuid = HDD_SECURITY_PROTOCOL_GUID;

struct HDD_DRIVE_PRIVATE {
  HDD_SECURITY_PROTOCOL  Protocol;   // first, so This is the record
  UINT64                 Signature;
  HddDrive               *Owner;
};

static HddDrive *
DriveFromThis (HDD_SECURITY_PROTOCOL *This)
{
  return OwnerOf<HDD_DRIVE_PRIVATE> (This, kHddSignature);
}

static EFI_STATUS EFIAPI
EmuGetSecurityStatus (HDD_SECURITY_PROTOCOL *This, UINT16 *Status)
{
  HddDrive  *Self = DriveFromThis (This);
  return (Self == nullptr) ? EFI_INVALID_PARAMETER : Self->GetStatus (Status);
}

static EFI_STATUS EFIAPI
EmuSetPassword (HDD_SECURITY_PROTOCOL *This, UINT32 Which, CONST UINT8 *Password, UINTN Size)
{
  HddDrive  *Self = DriveFromThis (This);
  return (Self == nullptr) ? EFI_INVALID_PARAMETER : Self->SetPassword (Which, Password, Size);
}

static EFI_STATUS EFIAPI
EmuUnlockPassword (HDD_SECURITY_PROTOCOL *This, UINT32 Which, CONST UINT8 *Password, UINTN Size)
{
  HddDrive  *Self = DriveFromThis (This);
  return (Self == nullptr) ? EFI_INVALID_PARAMETER : Self->Unlock (Which, Password, Size);
}

static EFI_STATUS EFIAPI
EmuDisablePassword (HDD_SECURITY_PROTOCOL *This, UINT32 Which, CONST UINT8 *Password, UINTN Size)
{
  HddDrive  *Self = DriveFromThis (This);
  return (Self == nullptr) ? EFI_INVALID_PARAMETER : Self->Disable (Which, Password, Size);
}

static EFI_STATUS EFIAPI
EmuFreezeLock (HDD_SECURITY_PROTOCOL *This)
{
  HddDrive  *Self = DriveFromThis (This);
  return (Self == nullptr) ? EFI_INVALID_PARAMETER : Self->FreezeLock ();
}

HddDrive::HddDrive (Machine &Owner, HDD_DRIVE_STATE State)
  : mPrivate (std::make_unique<HDD_DRIVE_PRIVATE>()), mState (std::move (State))
{
  mPrivate->Protocol  = HDD_SECURITY_PROTOCOL { EmuGetSecurityStatus, EmuSetPassword, EmuUnlockPassword,
                                                EmuDisablePassword, EmuFreezeLock };
  mPrivate->Signature = kHddSignature;
  mPrivate->Owner     = this;
  mState.Enabled      = mState.Enabled || !mState.UserPassword.empty ();
  PowerOn ();
  RequireInstalled (Owner.Protocols ().Install (&mHandle, &kHddSecurityGuid, &mPrivate->Protocol), "hard-disk security");
}

HddDrive::~HddDrive ()
{
  mPrivate->Signature = 0;
}

HDD_SECURITY_PROTOCOL *
HddDrive::Protocol ()
{
  return &mPrivate->Protocol;
}

void
HddDrive::PowerOn ()
{
  mState.Locked      = mState.Supported && mState.Enabled;
  mState.Frozen      = false;
  mState.FailedTries = 0;
}

std::vector<UINT8>
HddDrive::Padded (const std::string &Text)
{
  std::vector<UINT8>  Bytes (HDD_PASSWORD_MAX_BYTES, 0);

  std::copy_n (Text.begin (), std::min<size_t> (Text.size (), Bytes.size ()), Bytes.begin ());
  return Bytes;
}

bool
HddDrive::Matches (UINT32 Which, const UINT8 *Password, UINTN Size) const
{
  const std::vector<UINT8>  &Stored = (Which == HDD_PASSWORD_MASTER) ? mState.MasterPassword : mState.UserPassword;
  std::vector<UINT8>         Given (HDD_PASSWORD_MAX_BYTES, 0);

  if (Stored.empty () || (Password == nullptr) || (Size > HDD_PASSWORD_MAX_BYTES)) {
    return false;
  }
  std::copy_n (Password, Size, Given.begin ());
  return Given == Stored;
}

EFI_STATUS
HddDrive::GetStatus (UINT16 *Status) const
{
  if (Status == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  *Status = 0;
  if (!mState.Supported) {
    return EFI_SUCCESS;
  }
  *Status = (UINT16)(HDD_SECURITY_SUPPORTED | (mState.Enabled ? HDD_SECURITY_ENABLED : 0) |
                     (mState.Locked ? HDD_SECURITY_LOCKED : 0) | (mState.Frozen ? HDD_SECURITY_FROZEN : 0) |
                     (mState.UserPassword.empty () ? 0 : HDD_SECURITY_USER_PASSWORD_SET) |
                     (mState.MasterPassword.empty () ? 0 : HDD_SECURITY_MASTER_PASSWORD_SET));
  return EFI_SUCCESS;
}

EFI_STATUS
HddDrive::SetPassword (UINT32 Which, const UINT8 *Password, UINTN Size)
{
  if (!mState.Supported) {
    return EFI_UNSUPPORTED;
  }
  if ((Password == nullptr) || (Size == 0) || (Size > HDD_PASSWORD_MAX_BYTES) ||
      ((Which != HDD_PASSWORD_USER) && (Which != HDD_PASSWORD_MASTER)))
  {
    return EFI_INVALID_PARAMETER;
  }
  if (mState.Locked || mState.Frozen) {
    return EFI_ACCESS_DENIED;
  }
  if (mState.FailWrites) {
    return EFI_DEVICE_ERROR;
  }
  std::vector<UINT8>  Stored (HDD_PASSWORD_MAX_BYTES, 0);
  std::copy_n (Password, Size, Stored.begin ());
  if (Which == HDD_PASSWORD_MASTER) {
    mState.MasterPassword = Stored;
  } else {
    mState.UserPassword = Stored;
    mState.Enabled      = true;
  }
  return EFI_SUCCESS;
}

EFI_STATUS
HddDrive::Unlock (UINT32 Which, const UINT8 *Password, UINTN Size)
{
  if (!mState.Supported) {
    return EFI_UNSUPPORTED;
  }
  if (mState.Frozen) {
    return EFI_ACCESS_DENIED;
  }
  if (!Matches (Which, Password, Size)) {
    mState.FailedTries++;
    return EFI_ACCESS_DENIED;
  }
  mState.Locked = false;
  return EFI_SUCCESS;
}

EFI_STATUS
HddDrive::Disable (UINT32 Which, const UINT8 *Password, UINTN Size)
{
  if (!mState.Supported) {
    return EFI_UNSUPPORTED;
  }
  if (mState.Locked || mState.Frozen) {
    return EFI_ACCESS_DENIED;
  }
  if (mState.FailWrites) {
    return EFI_DEVICE_ERROR;
  }
  if (!Matches (Which, Password, Size)) {
    mState.FailedTries++;
    return EFI_ACCESS_DENIED;
  }
  if (Which == HDD_PASSWORD_MASTER) {
    mState.MasterPassword.clear ();
  } else {
    mState.UserPassword.clear ();
    mState.Enabled = false;
  }
  return EFI_SUCCESS;
}

EFI_STATUS
HddDrive::FreezeLock ()
{
  if (!mState.Supported) {
    return EFI_UNSUPPORTED;
  }
  // A locked drive refuses the freeze, as ATA drives abort it.
  if (mState.Locked) {
    return EFI_ACCESS_DENIED;
  }
  mState.Frozen = true;
  return EFI_SUCCESS;
}

}  // namespace Emu

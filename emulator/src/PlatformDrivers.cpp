/** @file
  The board's platform check and OEM badging drivers for tests.
**/
#include <Emulator/PlatformDrivers.h>
#include <Emulator/ProtocolDatabase.h>

#include "DeviceRecord.h"

namespace Emu {

constexpr UINT64  kCheckSignature   = SIGNATURE_64 ('E', 'M', 'U', 'P', 'C', 'H', 'K', ' ');
constexpr UINT64  kPolicySignature  = SIGNATURE_64 ('E', 'M', 'U', 'P', 'P', 'O', 'L', ' ');
constexpr UINT64  kBadgingSignature = SIGNATURE_64 ('E', 'M', 'U', 'B', 'A', 'D', 'G', 'E');

static const EFI_GUID  kCheckGuid   = PLATFORM_CHECK_PROTOCOL_GUID;
static const EFI_GUID  kPolicyGuid  = PLATFORM_CHECK_POLICY_PROTOCOL_GUID;
static const EFI_GUID  kBadgingGuid = OEM_BADGING_PROTOCOL_GUID;

struct PLATFORM_CHECK_PRIVATE {
  PLATFORM_CHECK_PROTOCOL  Protocol;  // first, so This is the record
  UINT64                   Signature;
  PlatformCheckDriver      *Owner;
};

struct PLATFORM_CHECK_POLICY_PRIVATE {
  PLATFORM_CHECK_POLICY_PROTOCOL  Protocol;
  UINT64                          Signature;
  PlatformCheckDriver             *Owner;
};

struct OEM_BADGING_PRIVATE {
  OEM_BADGING_PROTOCOL  Protocol;
  UINT64                Signature;
  OemBadgingDriver      *Owner;
};

static EFI_STATUS EFIAPI
EmuCheckReserved (PLATFORM_CHECK_PROTOCOL *This)
{
  (void)This;
  return EFI_UNSUPPORTED;
}

static EFI_STATUS EFIAPI
EmuShowFaultScreen (PLATFORM_CHECK_PROTOCOL *This, UINT8 *EnterSetup)
{
  PlatformCheckDriver  *Self = OwnerOf<PLATFORM_CHECK_PRIVATE> (This, kCheckSignature);
  return ((Self == nullptr) || (EnterSetup == nullptr)) ? EFI_INVALID_PARAMETER : Self->ShowFaultScreen (EnterSetup);
}

static EFI_STATUS EFIAPI
EmuRunCheck (PLATFORM_CHECK_PROTOCOL *This)
{
  PlatformCheckDriver  *Self = OwnerOf<PLATFORM_CHECK_PRIVATE> (This, kCheckSignature);
  return (Self == nullptr) ? EFI_INVALID_PARAMETER : Self->RunCheck ();
}

static EFI_STATUS EFIAPI
EmuReportWanted (PLATFORM_CHECK_POLICY_PROTOCOL *This, PLATFORM_CHECK_PROTOCOL *Check)
{
  PlatformCheckDriver  *Self = OwnerOf<PLATFORM_CHECK_POLICY_PRIVATE> (This, kPolicySignature);
  return (Self == nullptr) ? EFI_INVALID_PARAMETER : Self->ReportWanted (Check);
}

static EFI_STATUS EFIAPI
EmuGetBadge (OEM_BADGING_PROTOCOL *This, UINT32 Index, VOID **Image, UINTN *Size, UINT32 *Placement, UINTN *X, UINTN *Y)
{
  OemBadgingDriver  *Self = OwnerOf<OEM_BADGING_PRIVATE> (This, kBadgingSignature);
  if ((Self == nullptr) || (Image == nullptr) || (Size == nullptr) || (Placement == nullptr) || (X == nullptr) ||
      (Y == nullptr))
  {
    return EFI_INVALID_PARAMETER;
  }
  return Self->GetImage (Index, Image, Size, Placement, X, Y);
}

PlatformCheckDriver::PlatformCheckDriver (Machine &Owner, const PLATFORM_CHECK_SCRIPT &Script)
  : mScript (Script), mPrivate (std::make_unique<PLATFORM_CHECK_PRIVATE>())
{
  mPrivate->Protocol  = PLATFORM_CHECK_PROTOCOL { 1, 0, 0, { 0 }, EmuCheckReserved, EmuShowFaultScreen, EmuCheckReserved,
                                                  EmuCheckReserved, EmuRunCheck };
  mPrivate->Signature = kCheckSignature;
  mPrivate->Owner     = this;
  RequireInstalled (Owner.Protocols ().Install (&mHandle, &kCheckGuid, &mPrivate->Protocol), "platform check");
  if (mScript.Policy) {
    mPolicy            = std::make_unique<PLATFORM_CHECK_POLICY_PRIVATE>();
    mPolicy->Protocol  = PLATFORM_CHECK_POLICY_PROTOCOL { EmuReportWanted };
    mPolicy->Signature = kPolicySignature;
    mPolicy->Owner     = this;
    RequireInstalled (Owner.Protocols ().Install (&mHandle, &kPolicyGuid, &mPolicy->Protocol), "platform check policy");
  }
}

PlatformCheckDriver::~PlatformCheckDriver ()
{
  mPrivate->Signature = 0;
  if (mPolicy) {
    mPolicy->Signature = 0;
  }
}

PLATFORM_CHECK_PROTOCOL *
PlatformCheckDriver::Protocol ()
{
  return &mPrivate->Protocol;
}

UINT8
PlatformCheckDriver::FaultFound () const
{
  return mPrivate->Protocol.FaultFound;
}

EFI_STATUS
PlatformCheckDriver::RunCheck ()
{
  mChecks++;
  mPrivate->Protocol.FaultFound      = mScript.FaultFound;
  mPrivate->Protocol.RecoveryPending = mScript.RecoveryPending;
  return EFI_SUCCESS;
}

EFI_STATUS
PlatformCheckDriver::ShowFaultScreen (UINT8 *EnterSetup)
{
  mScreens++;
  *EnterSetup = mScript.ScreenFlag;
  return mScript.ScreenAnswer;
}

EFI_STATUS
PlatformCheckDriver::ReportWanted (PLATFORM_CHECK_PROTOCOL *Check)
{
  mPolicyAsks++;
  return (Check != &mPrivate->Protocol) ? EFI_INVALID_PARAMETER : mScript.PolicyAnswer;
}

OemBadgingDriver::OemBadgingDriver (Machine &Owner, std::vector<OEM_BADGE> Badges)
  : mPrivate (std::make_unique<OEM_BADGING_PRIVATE>()), mBadges (std::move (Badges))
{
  mPrivate->Protocol  = OEM_BADGING_PROTOCOL { EmuGetBadge };
  mPrivate->Signature = kBadgingSignature;
  mPrivate->Owner     = this;
  RequireInstalled (Owner.Protocols ().Install (&mHandle, &kBadgingGuid, &mPrivate->Protocol), "OEM badging");
}

OemBadgingDriver::~OemBadgingDriver ()
{
  mPrivate->Signature = 0;
}

EFI_STATUS
OemBadgingDriver::GetImage (UINT32 Index, VOID **Image, UINTN *Size, UINT32 *Placement, UINTN *X, UINTN *Y)
{
  mRequests.push_back (Index);
  if (Index >= mBadges.size ()) {
    return EFI_NOT_FOUND;
  }

  OEM_BADGE  &Badge = mBadges[Index];
  *Image     = Badge.Image.data ();
  *Size      = Badge.Image.size ();
  *Placement = Badge.Placement;
  *X         = Badge.X;
  *Y         = Badge.Y;
  return EFI_SUCCESS;
}

}  // namespace Emu

/** @file
  Board drivers that a test installs to stand up the platform's own protocols (none
  of them is on a machine by default, as on a board without them):

  - PlatformCheckDriver: the platform's power-on check and, optionally, the policy that
    lets its fault screen show. Its check sets the bytes the test scripted; its fault
    screen answers the scripted status and flag. Calls are counted.
  - OemBadgingDriver: an OEM badging instance that hands out the images the test
    gave it, each with its placement and position, and logs every request.
**/
#ifndef EMULATOR_PLATFORM_DRIVERS_H_
#define EMULATOR_PLATFORM_DRIVERS_H_

#include <Uefi.h>
#include <Protocol/OemBadging.h>
#include <Protocol/PlatformCheck.h>

#include <Emulator/Machine.h>

#include <memory>
#include <vector>

namespace Emu {

struct PLATFORM_CHECK_SCRIPT {
  UINT8       FaultFound      = 0;      // what the check leaves in byte 1
  UINT8       RecoveryPending = 0;      // and in byte 2
  bool        Policy          = true;   // install the policy protocol
  EFI_STATUS  PolicyAnswer    = EFI_SUCCESS;
  EFI_STATUS  ScreenAnswer    = EFI_SUCCESS;
  UINT8       ScreenFlag      = 0;      // what the fault screen hands back in its flag
};

struct PLATFORM_CHECK_PRIVATE;
struct PLATFORM_CHECK_POLICY_PRIVATE;

class PlatformCheckDriver : public Device {
public:
  PlatformCheckDriver (Machine &Owner, const PLATFORM_CHECK_SCRIPT &Script);
  ~PlatformCheckDriver () override;

  PLATFORM_CHECK_PROTOCOL *Protocol ();
  size_t                  Checks () const { return mChecks; }
  size_t                  Screens () const { return mScreens; }
  size_t                  PolicyAsks () const { return mPolicyAsks; }
  // Byte 1 as the check left it when the fault screen was asked for (or as it is now).
  UINT8                   FaultFound () const;

  EFI_STATUS              RunCheck ();
  EFI_STATUS              ShowFaultScreen (UINT8 *EnterSetup);
  EFI_STATUS              ReportWanted (PLATFORM_CHECK_PROTOCOL *Check);

private:
  PLATFORM_CHECK_SCRIPT                           mScript;
  std::unique_ptr<PLATFORM_CHECK_PRIVATE>         mPrivate;
  std::unique_ptr<PLATFORM_CHECK_POLICY_PRIVATE>  mPolicy;
  EFI_HANDLE                                      mHandle     = nullptr;
  size_t                                          mChecks     = 0;
  size_t                                          mScreens    = 0;
  size_t                                          mPolicyAsks = 0;
};

struct OEM_BADGE {
  std::vector<UINT8>  Image;        // a BMP or JPEG file image
  UINT32              Placement = 0;
  UINTN               X         = 0;
  UINTN               Y         = 0;
};

struct OEM_BADGING_PRIVATE;

class OemBadgingDriver : public Device {
public:
  OemBadgingDriver (Machine &Owner, std::vector<OEM_BADGE> Badges);
  ~OemBadgingDriver () override;

  // The indexes asked for, in order.
  const std::vector<UINT32> &Requests () const { return mRequests; }
  EFI_STATUS                GetImage (UINT32 Index, VOID **Image, UINTN *Size, UINT32 *Placement, UINTN *X, UINTN *Y);

private:
  std::unique_ptr<OEM_BADGING_PRIVATE>  mPrivate;
  std::vector<OEM_BADGE>                mBadges;
  std::vector<UINT32>                   mRequests;
  EFI_HANDLE                            mHandle = nullptr;
};

}  // namespace Emu

#endif

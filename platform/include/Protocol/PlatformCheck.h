/** @file
  The platform's power-on check and the policy that decides whether its fault screen
  is shown. The board's platform driver installs them; without them the POST flow
  skips the check.

  The POST flow fixes only the two GUIDs, the check's slots 1 and 4, its bytes 1 and
  2, the policy's slot 0 and the answer 0x88000001; this header is the one definition
  of the interfaces for the engine and the emulator.

  - `Check` (slot 4) examines the platform and sets FaultFound and RecoveryPending.
  - `ShowFaultScreen` (slot 1) tells the user what was found on a cleared screen and
    asks whether to enter setup: *EnterSetup becomes 1 when the user chose it, or the
    answer is PLATFORM_CHECK_ENTER_SETUP.
  - The policy's `ReportWanted` (slot 0) answers EFI_SUCCESS when the fault screen of
    the check it is given may be shown at this boot.
**/
#ifndef PROTOCOL_PLATFORM_CHECK_H_
#define PROTOCOL_PLATFORM_CHECK_H_

#include <Uefi.h>

#define PLATFORM_CHECK_PROTOCOL_GUID \
  { 0x3EBBF3E6, 0x455B, 0x4526, { 0x86, 0x45, 0xAE, 0x5D, 0xF3, 0x27, 0xFB, 0xCD } }
extern EFI_GUID gPlatformCheckProtocolGuid;

#define PLATFORM_CHECK_POLICY_PROTOCOL_GUID \
  { 0xE9B69347, 0x0A01, 0x43BE, { 0x99, 0xC1, 0x85, 0xC0, 0xE1, 0x46, 0xD4, 0xE0 } }
extern EFI_GUID gPlatformCheckPolicyProtocolGuid;

// The fault screen's answer that asks for setup whatever the flag says.
#define PLATFORM_CHECK_ENTER_SETUP  ((EFI_STATUS)0x88000001ULL)

typedef struct _PLATFORM_CHECK_PROTOCOL         PLATFORM_CHECK_PROTOCOL;
typedef struct _PLATFORM_CHECK_POLICY_PROTOCOL  PLATFORM_CHECK_POLICY_PROTOCOL;

typedef EFI_STATUS (EFIAPI *PLATFORM_CHECK_RESERVED)(IN PLATFORM_CHECK_PROTOCOL *This);

typedef EFI_STATUS (EFIAPI *PLATFORM_CHECK_SHOW_FAULT_SCREEN)(
  IN  PLATFORM_CHECK_PROTOCOL  *This,
  OUT UINT8                    *EnterSetup
  );

typedef EFI_STATUS (EFIAPI *PLATFORM_CHECK_RUN)(IN PLATFORM_CHECK_PROTOCOL *This);

struct _PLATFORM_CHECK_PROTOCOL {
  UINT8                             Revision;          // byte 0
  UINT8                             FaultFound;        // byte 1: the check found something the user must see
  UINT8                             RecoveryPending;   // byte 2: the platform recovered from a failed boot
  UINT8                             Reserved[5];
  PLATFORM_CHECK_RESERVED           Reserved0;         // slot 0
  PLATFORM_CHECK_SHOW_FAULT_SCREEN  ShowFaultScreen;   // slot 1
  PLATFORM_CHECK_RESERVED           Reserved2;         // slot 2
  PLATFORM_CHECK_RESERVED           Reserved3;         // slot 3
  PLATFORM_CHECK_RUN                Check;             // slot 4
};

typedef EFI_STATUS (EFIAPI *PLATFORM_CHECK_REPORT_WANTED)(
  IN PLATFORM_CHECK_POLICY_PROTOCOL  *This,
  IN PLATFORM_CHECK_PROTOCOL         *Check
  );

struct _PLATFORM_CHECK_POLICY_PROTOCOL {
  PLATFORM_CHECK_REPORT_WANTED  ReportWanted;          // slot 0
};

#endif

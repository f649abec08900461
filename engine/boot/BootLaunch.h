/** @file
  Launching boot options: every launch goes through LoadAndStartBootOption (UEFI
  images with the removable-media fallback, legacy BBS options through the legacy
  BIOS), and the boot loop tries "BootNext" once and then "BootOrder".
**/
#ifndef ENGINE_BOOT_BOOT_LAUNCH_H_
#define ENGINE_BOOT_BOOT_LAUNCH_H_

#include <Uefi.h>
#include <Protocol/GraphicsOutput.h>
#include <Protocol/DevicePath.h>
#include <engine/boot/BootOptions.h>

// Status codes of a launch.
#define BOOT_PROGRESS_LAUNCH      0x03051001
#define BOOT_ERROR_LOAD           0x03051002
#define BOOT_ERROR_START          0x03051003
#define BOOT_ERROR_CODE_TYPE      0x80000002

// The POST-screen state while an option boots, and while a Secure Boot message shows.

// Where the boot loop hands control back to.
typedef enum {
  BootLoopToDecision,   // back to the POST flow's decision point (setup, or another pass)
  BootLoopLeave         // leave the POST flow with the status given
} BOOT_LOOP_RESULT;

// Handle of the image the last launch loaded.
extern EFI_HANDLE  gLastBootImage;

/**
  Loads and starts one boot option's device path with its optional data as the
  image's load options. ReportFlag makes a failure report its status code.

  @return The status of the legacy boot or of LoadImage/StartImage.
**/
EFI_STATUS  LoadAndStartBootOption (IN EFI_DEVICE_PATH_PROTOCOL *DevicePath, IN VOID *OptionalData OPTIONAL,
              IN UINT64 OptionalDataSize, IN UINT8 ReportFlag);

/** Retries network options (PXE over IPv4 or IPv6) twice and reports their failure; the final status. */
EFI_STATUS  ReportBootFailure (IN BOOT_OPTION_INFO *Record, IN EFI_STATUS Status);

/** Boots entry Index of the flat boot list (table order); EFI_OUT_OF_RESOURCES past its end. */
EFI_STATUS  BootOptionByIndex (IN UINT16 Index);

/** Each firmware volume in turn with the file's node appended, until one starts. */
EFI_STATUS  LaunchFvFileByGuid (IN CONST EFI_GUID *FileGuid);
/** Each simple file system in turn with a file-path node for Path, until one starts. */
EFI_STATUS  LaunchFileFromAnyFileSystem (IN CONST CHAR16 *Path);

/**
  The full path of a short-form hard-drive path: the partition whose hard-drive node
  has the same number, signature type and signature, with the rest of the short form
  appended. A new pool path the caller frees; null when no partition matches.
**/
EFI_DEVICE_PATH_PROTOCOL  *ExpandHardDriveDevicePath (IN CONST EFI_DEVICE_PATH_PROTOCOL *ShortForm);

/**
  Sets the BBS priorities for booting Record: every bootable entry unprioritised, then
  the legacy groups from Place on (Count entries of a boot order), or Record's own
  group without a place, numbered in their "LegacyDevOrder" order.
**/
VOID  SetLegacyBootPriorities (IN BOOT_OPTION_INFO *Record, IN UINT16 *Place OPTIONAL, IN UINTN Count);

/**
  "LegacyDevOrder" from the variable cache, or read from NVRAM when the cache has no
  copy (then *Owned is TRUE and the caller frees it); null when neither has it.
**/
UINT8  *ReadLegacyDevOrder (OUT UINTN *Size, OUT BOOLEAN *Owned);

/**
  The boot loop: "BootNext" once, then the active head of "BootOrder" until an image
  does not return. Answers where the POST flow goes next; for BootLoopLeave, *Status
  is the status to leave with.
**/
BOOT_LOOP_RESULT  RunBootLoop (OUT EFI_STATUS *Status);

//
// Neighbours the launcher asks.
//
/** The health of the controller behind a boot device; success when it is healthy or has no health driver. */
EFI_STATUS  CheckBootDeviceHealth (IN EFI_DEVICE_PATH_PROTOCOL *DevicePath);
/**
  The boot-flow table's default row when the boot loop runs out of options. The table
  is the boot screen's (post), above the boot manager: start-up connects it, and until
  then the loop sees a table without a row for the flow (EFI_UNSUPPORTED).
**/
extern EFI_STATUS  (*gBootFlowDefaultBoot)(VOID);
/**
  Sets the boot screen's state (BOOT_SCREEN_STATE_*) while an option launches or a
  launch's security dialog shows. The state is the boot screen's (post): start-up
  connects it, and until then the state stays where it is.
**/
extern VOID  (*gSetBootScreenState)(IN UINT64 State);
/** Sets the boot screen's state through gSetBootScreenState; answers the state it had. */
UINT64      SwapBootScreenState (IN UINT64 State);

/** Boots option Boot#### (Place: its entry in a boot-order array with Count entries from there, or null). */
EFI_STATUS  LaunchBootOption (IN UINT16 OptionNumber, IN UINT16 *Place OPTIONAL, IN UINTN Count);

#endif

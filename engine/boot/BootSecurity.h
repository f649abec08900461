/** @file
  Boot-time security: the one call per boot of the drives' security freeze, and the
  message shown when an image fails Secure Boot.
**/
#ifndef BOOT_SECURITY_H_
#define BOOT_SECURITY_H_

#include <Uefi.h>

// Set once a drive's security freeze has succeeded during this boot.
extern BOOLEAN  gHddSecurityNotified;

/** Calls the fifth operation of each hard-disk security instance until one succeeds, once per boot. */
VOID
NotifyHddSecurityOnce (
  VOID
  );

/** For EFI_SECURITY_VIOLATION: the "Secure Boot Violation" dialog on a cleared text screen. */
VOID
ShowSecureBootViolation (
  IN EFI_STATUS  Status
  );

/**
  The same dialog for EFI_SECURITY_VIOLATION or EFI_ACCESS_DENIED while an image is
  being booted: boot-screen state 5 meanwhile, the boot-logo table invalidated after.
**/
VOID
ShowSecureBootViolationAtBoot (
  IN EFI_STATUS  Status
  );

#endif

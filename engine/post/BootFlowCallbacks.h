/** @file
  Callbacks that rows of the boot-flow table run (each takes its row).
**/
#ifndef BOOT_FLOW_CALLBACKS_H_
#define BOOT_FLOW_CALLBACKS_H_

#include <Uefi.h>

/** Row 0xA: boots the option a boot hotkey chose; EFI_NOT_FOUND when none was chosen. */
EFI_STATUS
HotkeyBootFlowCallback (
  IN VOID  *Row
  );

/** Leaves the boot loop for boot flow 7. */
EFI_STATUS
LeaveBootFlowCallback (
  IN VOID  *Row
  );

/**
  Row 0xB: draws the boot-time image of the image-resource protocol (a BMP image, at
  placement 9 and the position the protocol gives), then releases it.

  @return The release's status; the locate failure when there is no such protocol.
**/
EFI_STATUS
BoardImageFlowCallback (
  IN VOID  *Row
  );

/** The callback of the boot-menu flow (flow 6) of the boot-flow table. */
EFI_STATUS
BootMenuFlowCallback (
  IN VOID  *Row
  );

/** The boot-flow table's default row, run when the boot loop runs out of options. */
EFI_STATUS  RunBootFlowDefaultBoot (VOID);

#endif

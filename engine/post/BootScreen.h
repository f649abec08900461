/** @file
  The boot screen's part of start-up: the operations of the boot-screen interface,
  the companion's notification, the text POST screen and the console arrival
  notifications.
**/
#ifndef ENGINE_POST_BOOT_SCREEN_H_
#define ENGINE_POST_BOOT_SCREEN_H_

#include <engine/core/BootScreenInterface.h>

//
// The boot screen's state (BOOT_SCREEN_STATE_*): the POST flow moves it along; other
// parts read it through the interface's QueryBootScreenState and change it through
// SetBootScreenState (the boot manager through gSetBootScreenState, BootLaunch.h).
//
extern UINT64  gBootScreenState;
VOID        SetBootScreenState (IN UINT64 State);

/** Fills gBootScreenInterface with the boot screen's operations. */
VOID        InstallBootScreenOperations (VOID);

EFI_STATUS EFIAPI PostRefreshNotify (VOID);

/** Draws the text POST screen: a small logo at the top of a cleared text console. */
VOID        DrawTextPostScreen (VOID);

/** Registers the arrival notifications of the console devices. */
EFI_STATUS  RegisterConsoleNotifications (VOID);
/** Closes the events that RegisterConsoleNotifications created. */
VOID        CloseConsoleNotifications (VOID);

/** Forgets the provider and the console notifications of a machine that is gone (host runs). */
VOID        ResetBootScreenProvider (VOID);
VOID        ResetConsoleNotifications (VOID);

#endif

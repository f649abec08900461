/** @file
  Globals that several parts of the engine share: the firmware tables, the state of
  the boot screen and of setup entry. Each module's own state stays in its module.
**/
#ifndef ENGINE_GLOBALS_H_
#define ENGINE_GLOBALS_H_

#include <Uefi.h>

extern EFI_HANDLE            gImageHandle;
extern EFI_SYSTEM_TABLE      *gST;
extern EFI_BOOT_SERVICES     *gBS;
extern EFI_RUNTIME_SERVICES  *gRT;

//
// The handle that carries the boot-screen interface, the form browser and the
// companion interface; null until start-up installs them.
//
extern EFI_HANDLE  gEngineHandle;

//
// POST-screen state of the boot flow; 0 before the interfaces are installed.
//
extern UINT64  gBootScreenState;

//
// The user's access level, and the request of the boot flow to enter setup.
//
extern UINT32  gAccessLevel;
extern UINT8   gEnterSetupRequest;

#endif

/** @file
  Definitions of the globals shared across the engine.
**/
#include <engine/core/EngineGlobals.h>

EFI_HANDLE            gImageHandle       = NULL;
EFI_SYSTEM_TABLE      *gST               = NULL;
EFI_BOOT_SERVICES     *gBS               = NULL;
EFI_RUNTIME_SERVICES  *gRT               = NULL;
EFI_HANDLE            gEngineHandle      = NULL;
UINT64                gBootScreenState   = 0;
UINT32                gAccessLevel       = 0;
UINT8                 gEnterSetupRequest = 0;

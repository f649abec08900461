/** @file
  Definitions of the globals shared across the engine.
**/
#include <engine/core/EngineGlobals.h>
#include <engine/core/BootScreenInterface.h>
#include <engine/core/FrontEnd.h>

EFI_HANDLE            gImageHandle       = NULL;
EFI_SYSTEM_TABLE      *gST               = NULL;
EFI_BOOT_SERVICES     *gBS               = NULL;
EFI_RUNTIME_SERVICES  *gRT               = NULL;
EFI_HANDLE            gEngineHandle      = NULL;
UINT8                 gInSetup           = 0;
EFI_EVENT             gBootScreenTimerEvent = NULL;
UINT32                gAccessLevel       = 0;
UINT32                gBootFlowRequest   = 0;
EFI_HII_HANDLE        gHiiHandle               = NULL;
EFI_HII_FONT_PROTOCOL            *gHiiFont          = NULL;
EFI_HII_DATABASE_PROTOCOL        *gHiiDatabase      = NULL;
EFI_HII_STRING_PROTOCOL          *gHiiString        = NULL;
EFI_HII_CONFIG_ROUTING_PROTOCOL  *gHiiConfigRouting = NULL;
UINT8                 gHiiConfigRoutingLocated = 0;
UINT8                 gInBrowserCallback       = 0;
LANGUAGE_ENTRY        *gLanguageList           = NULL;
UINTN                 gLanguageCount           = 0;
UINTN                 gBootOptionCount         = 0;
UINTN                 gDriverOptionCount       = 0;

// Filled at start-up by the boot screen and the front end, which lie above the engine core.
BOOT_SCREEN_INTERFACE  gBootScreenInterface;
FRONT_END_SERVICES     gFrontEnd;

UINT32
CurrentBootScreenState (
  VOID
  )
{
  return (gBootScreenInterface.QueryBootScreenState == NULL) ? BOOT_SCREEN_STATE_NONE :
         gBootScreenInterface.QueryBootScreenState ();
}

/** @file
  The platform's power-on check. A board with a platform check driver learns here
  what went wrong at the last boots (a failed overclock, a recovered firmware) and
  may show the user a screen about it, from which setup can be entered. Without the
  driver the POST flow goes on as if everything were fine.
**/
#include <engine/post/PostScreen.h>
#include <engine/boot/BootFlowCodes.h>
#include <engine/boot/BootGraphics.h>
#include <engine/boot/BootOptions.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/VariableGuids.h>
#include <engine/textui/TextScreen.h>
#include <engine/browser/SetupEntryRequest.h>

#include <Library/MemoryAllocationLib.h>
#include <Library/UefiLib.h>
#include <Protocol/PlatformCheck.h>

// The board's "Setup": its size, and the bytes that steer the check.
#define BOARD_SETUP_SIZE             4341
#define SETUP_CHECK_AT_FIRMWARE_BOOT 4075    // non-zero: check even when the firmware boots on its own
#define SETUP_CHECK_MODE             4076    // 2: never at a firmware boot
#define SETUP_CHECK_MODE_NEVER       2
#define SETUP_REPORT_KIND            4287    // with the switch below: always show the screen
#define SETUP_REPORT_KIND_ALWAYS     11
#define SETUP_REPORT_SWITCH          4288

static EFI_GUID  mBoardSetupGuid = BOARD_SETUP_VARIABLE_GUID;

/** The board's "Setup", zero-filled past what is stored; NULL when it cannot be read. */
static UINT8 *
ReadBoardSetup (
  VOID
  )
{
  UINTN  Size   = BOARD_SETUP_SIZE;
  UINT8  *Setup = (UINT8 *)AllocateZeroPool (BOARD_SETUP_SIZE);

  if ((Setup != NULL) && EFI_ERROR (gRT->GetVariable ((CHAR16 *)u"Setup", &mBoardSetupGuid, NULL, &Size, Setup))) {
    FreePool (Setup);
    return NULL;
  }

  return Setup;
}

/** Whether the check reported something the board wants shown at this boot. */
static BOOLEAN
ReportWanted (
  IN PLATFORM_CHECK_PROTOCOL  *Check,
  IN CONST UINT8              *Setup OPTIONAL
  )
{
  PLATFORM_CHECK_POLICY_PROTOCOL  *Policy = NULL;

  if (EFI_ERROR (gBS->LocateProtocol (&gPlatformCheckPolicyProtocolGuid, NULL, (VOID **)&Policy)) || (Policy == NULL) ||
      (Policy->ReportWanted == NULL) || EFI_ERROR (Policy->ReportWanted (Policy, Check)))
  {
    return FALSE;
  }

  return (BOOLEAN)((Check->FaultFound == 1) || (Check->RecoveryPending == 1) ||
                   ((Setup != NULL) && (Setup[SETUP_REPORT_SWITCH] == 1) &&
                    (Setup[SETUP_REPORT_KIND] == SETUP_REPORT_KIND_ALWAYS)));
}

VOID
RunPlatformCheck (
  VOID
  )
{
  PLATFORM_CHECK_PROTOCOL  *Check = NULL;
  UINT8                    *Setup;
  UINT8                    EnterSetup = 0;
  EFI_STATUS               Status;

  if (EFI_ERROR (gBS->LocateProtocol (&gPlatformCheckProtocolGuid, NULL, (VOID **)&Check)) || (Check == NULL)) {
    return;
  }

  Setup = ReadBoardSetup ();
  // The check's own answer changes nothing here: what it found is in its bytes.
  if (ReadBootFlow () == BOOT_FLOW_FIRMWARE_BOOTS) {
    // The firmware boots on its own: the check runs only when the board asks for it,
    // and what it finds is not shown.
    if ((Setup != NULL) && (Setup[SETUP_CHECK_AT_FIRMWARE_BOOT] != 0) &&
        (Setup[SETUP_CHECK_MODE] != SETUP_CHECK_MODE_NEVER) && (Check->Check != NULL))
    {
      (VOID)Check->Check (Check);
    }

    Check->FaultFound = 0;
  } else if (Check->Check != NULL) {
    (VOID)Check->Check (Check);
  }

  if (ReportWanted (Check, Setup) && (Check->ShowFaultScreen != NULL)) {
    ClearGraphicsScreen ();
    InvalidateBootLogoTable ();
    Status = Check->ShowFaultScreen (Check, &EnterSetup);
    if ((Status == PLATFORM_CHECK_ENTER_SETUP) || (EnterSetup == 1)) {
      RequestSetupEntry ();
      gBootFlowRequest   = BOOT_FLOW_NONE;
      (VOID)WriteBootFlow (BOOT_FLOW_NONE);     // setup wins over a boot flow asked for earlier
    }
  }

  FreePool (Setup);
}

/** @file
  The driver's main routine, its counterpart, and the HII helpers.

  A failed start-up leaves the system as it found it, except for a form browser that
  was already removed: the firmware unloads a driver whose entry fails, so any
  interface, event or buffer left behind would point into freed code.
**/
#include <engine/startup/SetupEngine.h>
#include <engine/browser/DriverCallbacks.h>
#include <engine/core/EngineGlobals.h>
#include <engine/browser/DynamicPages.h>
#include <engine/browser/FormBrowser.h>
#include <engine/textui/TuiApp.h>
#include <engine/core/EngineStrings.h>
#include <engine/forms/Passwords.h>
#include <engine/forms/QuestionAccess.h>
#include <engine/boot/BootGraphics.h>
#include <engine/boot/BootSecurity.h>
#include <engine/core/HookTable.h>
#include <engine/forms/IfrExpression.h>
#include <engine/core/SetupData.h>
#include <engine/variables/VariableCache.h>
#include <engine/post/BootScreen.h>
#include <engine/textui/TextScreen.h>
#include <engine/post/PostScreen.h>
#include <engine/browser/SetupEntryRequest.h>
#include <engine/boot/LegacyDevOrder.h>
#include <engine/textui/PasswordPrompt.h>
#include <frontend/HddSecurity.h>
#include <frontend/MenuTree.h>
#include <frontend/ScreenCapture.h>
#include <frontend/SetupSave.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/PlatformLib.h>
#include <Library/UefiLib.h>
#include <Protocol/FormBrowser2.h>
#include <Protocol/HiiPackageList.h>
#include <Protocol/SimpleTextOut.h>

static EFI_GUID  mHiiDatabaseGuid       = EFI_HII_DATABASE_PROTOCOL_GUID;
static EFI_GUID  mPackageListGuid       = EFI_HII_PACKAGE_LIST_PROTOCOL_GUID;
static EFI_GUID  mFormBrowser2Guid      = EFI_FORM_BROWSER2_PROTOCOL_GUID;
static EFI_GUID  mBootScreenGuid        = BOOT_SCREEN_INTERFACE_GUID;
static EFI_GUID  mCompanionGuid         = BOOT_SCREEN_COMPANION_GUID;

static EFI_FORM_BROWSER2_PROTOCOL       mFormBrowser = { SendForm, BrowserCallback };
static BOOT_SCREEN_COMPANION_INTERFACE  mCompanion   = { PostRefreshNotify };

// What the start-up installed, so a failure removes exactly that.
static BOOLEAN                    mBootScreenInstalled  = FALSE;
static BOOLEAN                    mFormBrowserInstalled = FALSE;
static BOOLEAN                    mCompanionInstalled   = FALSE;
static EFI_HII_DATABASE_PROTOCOL  *mPackageListDatabase = NULL;

static VOID
StoreTables (
  IN EFI_HANDLE        ImageHandle,
  IN EFI_SYSTEM_TABLE  *SystemTable
  )
{
  gImageHandle = ImageHandle;
  gST          = SystemTable;
  if (gLibST == NULL) {
    (VOID)PlatformLibConstructor (ImageHandle, SystemTable);     // the constructor only records the tables it is given
  }

  gBS = (gLibBS != NULL) ? gLibBS : SystemTable->BootServices;
  gRT = (gLibRT != NULL) ? gLibRT : SystemTable->RuntimeServices;
}

// Not fatal: without the package list the engine's strings are simply not found.
static VOID
RegisterPackageList (
  IN EFI_HANDLE  ImageHandle
  )
{
  EFI_HII_PACKAGE_LIST_HEADER  *PackageList;
  EFI_HII_DATABASE_PROTOCOL    *Database;

  gHiiHandle = NULL;
  if (EFI_ERROR (gBS->OpenProtocol (ImageHandle, &mPackageListGuid, (VOID **)&PackageList, ImageHandle, NULL,
                   EFI_OPEN_PROTOCOL_GET_PROTOCOL)) ||
      EFI_ERROR (gBS->LocateProtocol (&mHiiDatabaseGuid, NULL, (VOID **)&Database)))
  {
    return;
  }

  if (EFI_ERROR (Database->NewPackageList (Database, PackageList, NULL, &gHiiHandle))) {
    gHiiHandle = NULL;
    return;
  }

  mPackageListDatabase = Database;
}

static EFI_STATUS
InstallOne (
  IN EFI_GUID  *Guid,
  IN VOID      *Interface
  )
{
  return gBS->InstallMultipleProtocolInterfaces (&gEngineHandle, Guid, Interface, NULL);
}

static VOID
UninstallOne (
  IN OUT BOOLEAN  *Installed,
  IN     EFI_GUID *Guid,
  IN     VOID     *Interface
  )
{
  if (*Installed && !EFI_ERROR (gBS->UninstallMultipleProtocolInterfaces (gEngineHandle, Guid, Interface, NULL))) {
    *Installed = FALSE;
  }
}

//
// Everything a start-up may have left: the interfaces on the engine's handle, the
// caches, the compiled data, the screen buffers, the width table and the package list.
//
static VOID
UndoStartup (
  VOID
  )
{
  UninstallOne (&mCompanionInstalled, &mCompanionGuid, &mCompanion);
  UninstallOne (&mFormBrowserInstalled, &mFormBrowser2Guid, &mFormBrowser);
  UninstallOne (&mBootScreenInstalled, &mBootScreenGuid, &gBootScreenInterface);
  if (!mCompanionInstalled && !mFormBrowserInstalled && !mBootScreenInstalled) {
    gEngineHandle = NULL;
  }

  FreeVariableCaches ();
  gDefaultBuildPage = 0;
  FreeSetupData ();
  FreeScreenBuffers ();
  FreeAndNull (gGlyphWidthTable);
  if ((mPackageListDatabase != NULL) && (gHiiHandle != NULL)) {
    // The list goes with the driver; a refusal leaves only strings no one shows.
    (VOID)mPackageListDatabase->RemovePackageList (mPackageListDatabase, gHiiHandle);
  }

  gHiiHandle           = NULL;
  mPackageListDatabase = NULL;
}

//
// The form browser and the companion interface join the boot-screen interface only
// once it is installed; a failure of the notifications takes all three away again.
//
static EFI_STATUS
InstallInterfaces (
  VOID
  )
{
  EFI_STATUS  Status;

  Status = InstallOne (&mBootScreenGuid, &gBootScreenInterface);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  mBootScreenInstalled = TRUE;
  UninstallFormBrowser2 (gEngineHandle);
  mFormBrowserInstalled = !EFI_ERROR (InstallOne (&mFormBrowser2Guid, &mFormBrowser));
  mCompanionInstalled   = !EFI_ERROR (InstallOne (&mCompanionGuid, &mCompanion));

  Status = RegisterConsoleNotifications ();
  if (EFI_ERROR (Status)) {
    CloseConsoleNotifications ();
  }

  return Status;
}

EFI_STATUS
EFIAPI
SetupEngineDriverEntry (
  IN EFI_HANDLE        ImageHandle,
  IN EFI_SYSTEM_TABLE  *SystemTable
  )
{
  EFI_STATUS  Status;

  ConnectEngineParts ();

  StoreTables (ImageHandle, SystemTable);
  RegisterPackageList (ImageHandle);
  Status = LocateHiiProtocols ();
  if (EFI_ERROR (Status)) {
    UndoStartup ();
    return Status;
  }

  (VOID)AllocateScreenBuffers ();     // the text screen copes without them
  Status = LoadSetupData (ImageHandle);
  if (!EFI_ERROR (Status)) {
    Status = ParseSetupDataHeader ();
  }

  if (EFI_ERROR (Status)) {
    Status = SetupEngineCleanup (Status);
    UndoStartup ();
    return Status;
  }

  // A save cut short gives back the settings it replaced before anything reads them.
  RestoreUnfinishedSave ();
  Status = LoadVariableCache (&gVariableCache, NULL);
  if (!EFI_ERROR (Status)) {
    HookProcessOsIndications ();
    SetBootScreenState (BOOT_SCREEN_STATE_NONE);
    Status = InstallInterfaces ();
  }

  if (EFI_ERROR (Status)) {
    UndoStartup ();
  }

  return Status;
}

EFI_STATUS
SetupEngineCleanup (
  IN EFI_STATUS  Status
  )
{
  if (gBootScreenEntryCount > 2) {
    ClearTuiAppExit ();
  } else {
    DestroyTuiApp ();
  }

  // The refresh events of questions have one owner, the refresh list, which closes them
  // with the parsed pages; a clean-up runs only when start-up fails, before any parse.
  RunCallbacksForAction (EFI_BROWSER_ACTION_FORM_CLOSE);
  FreeSavedValues ();
  // Only the current values go: reads after the clean-up fall back to the standard
  // defaults, which therefore stay.
  FreeCurrentVariableCache ();
  FreeDynamicPageTable ();
  FreeAndNull (gGlyphWidthTable);
  if ((gST != NULL) && (gST->ConOut != NULL)) {
    // Leaving setup: the console shows what it can, and nothing is left to recover.
    (VOID)gST->ConOut->Reset (gST->ConOut, FALSE);
    (VOID)gST->ConOut->ClearScreen (gST->ConOut);
    (VOID)gST->ConOut->EnableCursor (gST->ConOut, FALSE);
  }

  return Status;
}

// Only one instance goes per call: the first handle found, with the interface that
// LocateProtocol gives.
VOID
UninstallFormBrowser2 (
  IN EFI_HANDLE  Handle
  )
{
  UINTN       Size     = 0;
  EFI_HANDLE  *Handles;
  VOID        *Interface;
  EFI_STATUS  Status;

  (VOID)Handle;
  Status = gBS->LocateHandle (ByProtocol, &mFormBrowser2Guid, NULL, &Size, NULL);
  if ((Status != EFI_BUFFER_TOO_SMALL) || (Size < sizeof (EFI_HANDLE))) {
    return;
  }

  Handles = (EFI_HANDLE *)AllocateZeroPool (Size);
  if (Handles == NULL) {
    return;
  }

  Status = gBS->LocateHandle (ByProtocol, &mFormBrowser2Guid, NULL, &Size, Handles);
  if (!EFI_ERROR (Status) && (Size >= sizeof (EFI_HANDLE)) && (Handles[0] != NULL) &&
      !EFI_ERROR (gBS->LocateProtocol (&mFormBrowser2Guid, NULL, &Interface)) && (Interface != NULL))
  {
    // The firmware's browser stays in place when it refuses; ours is still found first.
    (VOID)gBS->UninstallMultipleProtocolInterfaces (Handles[0], &mFormBrowser2Guid, Interface, NULL);
  }

  FreePool (Handles);
}

VOID
ResetEngineState (
  VOID
  )
{
  // The clean-up leaves the defaults and the store copies for later reads; a new
  // machine must not inherit them.
  FreeVariableCaches ();
  gDefaultBuildPage = 0;
  EndAllStoreReadPasses ();
  ResetExpressionEvaluator ();
  ForgetCallStrings ();     // they name the old machine's package lists
  ForgetScreenCaptureTarget ();
  ForgetBootWatch ();
  FreeSetupMenuTree ();
  mBootScreenInstalled     = FALSE;
  mFormBrowserInstalled    = FALSE;
  mCompanionInstalled      = FALSE;
  mPackageListDatabase     = NULL;
  gHiiHandle               = NULL;
  gHiiFont                 = NULL;
  gHiiDatabase             = NULL;
  gHiiString               = NULL;
  gHiiConfigRouting        = NULL;
  gHiiConfigRoutingLocated = 0;
  gInBrowserCallback       = 0;
  gEngineHandle            = NULL;
  gImageHandle             = NULL;
  gST                      = NULL;
  gBS                      = NULL;
  gRT                      = NULL;
  SetBootScreenState (BOOT_SCREEN_STATE_NONE);
  gInSetup                 = 0;
  gBootScreenTimerEvent    = NULL;      // it belonged to the old machine
  gBootScreenEntryCount    = 0;
  DropSetupEntryRequest ();
  gAccessLevel             = 0;
  gPostPasswordAsked       = 0;
  gSaveAskedForReset       = 0;      // a save's reset mark belongs to the setup that made it
  ZeroMem (gPlatformLanguage, sizeof (gPlatformLanguage));
  FreeAndNull (gBootLogoTable);
  gBootLogoTableKey    = 0;
  gHddSecurityNotified = FALSE;
  ForgetHddPasswords ();
  gLegacyBios          = NULL;      // it belonged to the old machine
  ResetPostState ();
}

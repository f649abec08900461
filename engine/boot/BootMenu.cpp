/** @file
  The boot pop-up's list, the setup-entry checks it runs first, and booting the chosen
  entry and, when it returns, every other enabled one. The menus that show the list
  are in BootDeviceMenu.cpp (the one F8 shows) and BootMenuPopup.cpp.
**/
#include <engine/boot/BootMenu.h>
#include <engine/boot/BootLaunch.h>
#include <engine/boot/BootOptions.h>
#include <engine/textui/TextScreen.h>
#include <engine/core/EngineGlobals.h>
#include <engine/variables/VariableCache.h>
#include <engine/browser/SetupEntryRequest.h>

#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/ReportStatusCodeLib.h>
#include <Library/UefiLib.h>
#include <Protocol/SimpleTextIn.h>

#define SETUP_ENTRY_PROGRESS     0x03050007

BOOT_MENU_ENTRY  *gBootMenuList     = NULL;
UINT32           gBootMenuCount     = 0;
UINT16           gBootMenuChoice    = 0;
UINT32           gBootMenuCursor    = 0;
UINT32           gBootMenuWindowRow = 0;

BOOLEAN          gSetupEntryDone = FALSE;
static EFI_GUID  mSetupEntryGroup = { 0x71202EEE, 0x5F53, 0x40D9, { 0xAB, 0x3D, 0x9E, 0x0C, 0x26, 0xD9, 0x66, 0x57 } };
static EFI_GUID  mBootNowCountGuid = BOOT_NOW_COUNT_VARIABLE_GUID;

VOID
EnterSetupOnce (
  VOID
  )
{
  if (gSetupEntryDone) {
    return;
  }
  gSetupEntryDone = TRUE;
  // Board code may listen for the group; none listening is normal, as is no status-code listener.
  (VOID)SignalProtocolNotify (&mSetupEntryGroup);
  (VOID)HookEnterSetup ();
  (VOID)SignalProtocolNotify (&mSetupEntryGroup);
  (VOID)ReportStatusCode (EFI_PROGRESS_CODE, SETUP_ENTRY_PROGRESS);
}

VOID
FreeBootMenuList (
  VOID
  )
{
  for (UINT32 Index = 0; (gBootMenuList != NULL) && (Index < gBootMenuCount); Index++) {
    FreePool (gBootMenuList[Index].Name);
  }
  FreeAndNull (gBootMenuList);
  gBootMenuCount = 0;
}

EFI_STATUS
BuildBootMenuList (
  VOID
  )
{
  UINT16          Count = (UINT16)CountFlatBootEntries ();
  UINTN           Size  = sizeof (Count);
  CONST CHAR16    *Name;
  EFI_STATUS      Status;

  EnterSetupOnce ();
  // The count is informative for board code; the list below stands without it.
  (VOID)gRT->SetVariable ((CHAR16 *)u"BootNowCount", &mBootNowCountGuid, EFI_VARIABLE_BOOTSERVICE_ACCESS, Size, &Count);
  Status = LoadVariableCache (&gVariableCache, gVariableCacheStdDefaults);
  if (EFI_ERROR (Status)) {
    return Status;
  }
  gTextScreenColumns = TEXT_SCREEN_MAX_COLUMNS;
  gTextScreenRows    = TEXT_SCREEN_MAX_ROWS;
  if (EFI_ERROR (gRT->GetVariable ((CHAR16 *)u"BootNowCount", &mBootNowCountGuid, NULL, &Size, &Count)) ||
      (Size != sizeof (Count)))
  {
    Count = 2;
  }
  FreeBootMenuList ();
  gBootMenuList = (BOOT_MENU_ENTRY *)AllocateZeroPool ((UINTN)Count * sizeof (BOOT_MENU_ENTRY));
  if ((gBootMenuList == NULL) && (Count != 0)) {
    return EFI_OUT_OF_RESOURCES;
  }
  gBootMenuCount = Count;
  for (UINT32 Index = 0; Index < Count; Index++) {
    // A hidden entry, or one past the list (the count is only a variable), has no name: it stays unnamed.
    Name                        = GetBootOptionNameByIndex ((UINT16)Index, 0, FALSE);
    gBootMenuList[Index].Index  = Index;
    gBootMenuList[Index].Name   = (Name == NULL) ? NULL : StrDupUtf16 (Name);
  }
  return EFI_SUCCESS;
}

UINT64
BootSelectedPopupOption (
  IN CONST HOOK_ARGS  *Args
  )
{
  EFI_STATUS  Status;
  UINTN       Count = CountFlatBootEntries ();

  (VOID)Args;
  if (SetupEntryRequested ()) {
    return EFI_SUCCESS;
  }
  Status = BootOptionByIndex (gBootMenuChoice);
  for (UINTN Index = 0; Index < Count; Index++) {
    if ((Index != gBootMenuChoice) && !BootOptionDisabledByIndex (Index, 0, FALSE, FALSE)) {
      Status = BootOptionByIndex ((UINT16)Index);
    }
  }
  return Status;
}

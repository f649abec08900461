/** @file
  The boot-device menu: every enabled entry of the flat boot list and "Enter Setup",
  shown through the boot-screen interface's menu (so a graphical front end that
  replaced that operation shows it its way). Disabled and hidden entries keep their
  place in the list but are left out of the menu, so the chosen position is always
  the flat index.
**/
#include <engine/boot/BootFlowCodes.h>
#include <engine/boot/BootMenu.h>
#include <engine/boot/BootOptions.h>
#include <engine/core/BootScreenInterface.h>
#include <engine/textui/TextScreen.h>
#include <engine/textui/TuiFrame.h>
#include <engine/textui/TuiPopup.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/EngineStrings.h>
#include <engine/browser/SetupEntryRequest.h>
#include <Resources/EngineStringIds.h>

#include <Library/MemoryAllocationLib.h>

static EFI_GUID  mBootScreenGuid = BOOT_SCREEN_INTERFACE_GUID;
static EFI_GUID  mBootFlowGuid   = BOOT_FLOW_VARIABLE_GUID;

/** One item per flat entry (left out when disabled or unnamed), then "Enter Setup". */
static
MENU_ITEM *
BuildDeviceItems (
  VOID
  )
{
  MENU_ITEM     *Items = (MENU_ITEM *)AllocateZeroPool (((UINTN)gBootMenuCount + 1) * sizeof (MENU_ITEM));
  CONST CHAR16  *Name;
  UINT16        Id;

  if (Items == NULL) {
    return NULL;
  }
  for (UINT32 Index = 0; Index < gBootMenuCount; Index++) {
    Name = GetBootOptionNameByIndex ((UINT16)Index, 0, FALSE);
    Id   = MENU_ITEM_LEFT_OUT;
    if ((Name != NULL) && !BootOptionDisabledByIndex (Index, 0, FALSE, FALSE)) {
      Id = HiiAddStringAllLanguages (gHiiHandle, Name);
      Id = (Id == NO_STRING) ? (UINT16)MENU_ITEM_LEFT_OUT : Id;
    }
    Items[Index].StringId = Id;
  }
  Items[gBootMenuCount].StringId = STR_ENTER_SETUP;
  return Items;
}

UINT64
ShowBootDeviceMenu (
  IN CONST HOOK_ARGS  *Args
  )
{
  BOOT_SCREEN_INTERFACE  *Interface = NULL;
  MENU_ITEM              *Items;
  UINT16                 Selection = 0;
  EFI_STATUS             Status;

  (VOID)Args;
  Status = gBS->LocateProtocol (&mBootScreenGuid, NULL, (VOID **)&Interface);
  if (EFI_ERROR (Status)) {
    return Status;
  }
  ClearTextScreen ();
  InitTextScreenMetrics ();
  Items = BuildDeviceItems ();
  if (Items == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }
  gBootMenuChoice = 0;
  Status = Interface->ShowBootScreenMenu (gHiiHandle, STR_SELECT_BOOT_DEVICE, STR_BOOT_MENU_HELP, Items,
                        (UINT16)(gBootMenuCount + 1), &Selection);
  if (!EFI_ERROR (Status) && (Selection <= gBootMenuCount)) {
    if (Items[Selection].StringId == STR_ENTER_SETUP) {
      RequestSetupEntry ();
    } else {
      gBootMenuChoice = Selection;
    }
  } else if (Status == EFI_ABORTED) {
    (VOID)HookBootPopupDefault ();     // a notification: the board's answer decides nothing here
    gBootMenuChoice = 0;
  }
  FreePool (Items);
  gBootFlowRequest = BOOT_FLOW_NONE;
  return gRT->SetVariable ((CHAR16 *)u"BootFlow", &mBootFlowGuid, EFI_VARIABLE_BOOTSERVICE_ACCESS, sizeof (UINT32),
                &gBootFlowRequest);
}

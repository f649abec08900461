/** @file
  The boot pop-up: the list of every flat boot-list entry, the text-mode "BBS MENU",
  the boot-device menu offered through the boot-screen interface's menu, and booting
  the entry the user chose.
**/
#ifndef ENGINE_BOOT_BOOT_MENU_H_
#define ENGINE_BOOT_BOOT_MENU_H_

#include <Uefi.h>
#include <engine/core/HookTable.h>

typedef struct {
  CHAR16  *Name;     // a copy of the entry's name (shortened for the menu); null for a hidden entry
  UINT32  Index;     // the entry's place in the flat boot list (table order)
} BOOT_MENU_ENTRY;

#define BOOT_MENU_VISIBLE_ITEMS  8

extern BOOT_MENU_ENTRY  *gBootMenuList;
extern UINT32           gBootMenuCount;
// The flat index chosen with Enter; 0 after Esc.
extern UINT16           gBootMenuChoice;
// The highlighted entry among the shown ones, and its row within the window.
extern UINT32           gBootMenuCursor;
extern UINT32           gBootMenuWindowRow;

/**
  Prepares the list: the setup-entry checks once per boot, "BootNowCount", the variable
  cache over the standard defaults, and one entry per flat boot-list entry.

  @retval EFI_OUT_OF_RESOURCES  The list could not be allocated; it is empty.
  @return The failure of loading the variable cache.
**/
EFI_STATUS  BuildBootMenuList (VOID);
VOID        FreeBootMenuList (VOID);

/** The setup password and the setup-entry event group; only the first call of a boot acts. */
extern BOOLEAN  gSetupEntryDone;
VOID        EnterSetupOnce (VOID);

// Hook members and defaults, in the hook table's uniform type.
UINT64 LaunchOsRecoveryBootManager (CONST HOOK_ARGS *Args);
UINT64 ShowBootMenuPopup (CONST HOOK_ARGS *Args);
UINT64 ShowBootDeviceMenu (CONST HOOK_ARGS *Args);
UINT64 BootSelectedPopupOption (CONST HOOK_ARGS *Args);

#endif

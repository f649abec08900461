/** @file
  The boot-screen interface that the engine installs for the firmware's boot phase
  (18 operations) and its companion interface (one operation). The boot screen's part
  (post/) fills the table at start-up; the parts below it show their messages through
  it, so a slot is null until then.
**/
#ifndef ENGINE_BOOT_SCREEN_INTERFACE_H_
#define ENGINE_BOOT_SCREEN_INTERFACE_H_

#include <Uefi.h>
#include <Uefi/UefiHii.h>

#define BOOT_SCREEN_INTERFACE_GUID \
  { 0x8A91B1E1, 0x56C7, 0x4ADC, { 0xAB, 0xEB, 0x1C, 0x2C, 0xA1, 0x72, 0x9E, 0xFF } }
#define BOOT_SCREEN_COMPANION_GUID \
  { 0x73905351, 0xEB4D, 0x4637, { 0xA8, 0x3B, 0xD1, 0xBF, 0x6C, 0x1C, 0x48, 0xEB } }

#define BOOT_SCREEN_SLOT_COUNT  18

// The states of the boot screen that QueryBootScreenState answers, in the order the
// boot flow passes through them; the variable snapshot and the pop-ups compare them.
#define BOOT_SCREEN_STATE_NONE         0   // before the interfaces are installed
#define BOOT_SCREEN_STATE_TEXT_POST    1
#define BOOT_SCREEN_STATE_LOGO         2
#define BOOT_SCREEN_STATE_SETTINGS     3
#define BOOT_SCREEN_STATE_SETUP        4
#define BOOT_SCREEN_STATE_IN_SETUP     5   // pop-ups save and restore what they cover
#define BOOT_SCREEN_STATE_BOOT_MENU    6
#define BOOT_SCREEN_STATE_BOOTING      7   // pop-ups clear the screen when they close

typedef struct {
  EFI_STATUS  (EFIAPI *RunBootScreenFlow)(VOID);
  EFI_STATUS  (EFIAPI *PrintBootScreenText)(IN CHAR16 *Text);
  EFI_STATUS  (EFIAPI *PrintBootScreenTextChecked)(IN CHAR16 *Text, IN UINT64 Mode);
  EFI_STATUS  (EFIAPI *DrawLogoScreenText)(IN CHAR16 *Text, IN UINT64 X, IN UINT64 Y, IN UINT32 Placement,
                IN UINT32 Foreground, IN UINT32 Background);
  EFI_STATUS  (EFIAPI *ShowBootScreenMessageBox)(IN CHAR16 *Title, IN CHAR16 *Message, IN UINT8 BoxType, OUT UINT8 *Selection);
  EFI_STATUS  (EFIAPI *LeaveLogoScreen)(VOID);
  EFI_STATUS  (EFIAPI *SetBootScreenCursor)(IN UINT64 Column, IN UINT64 Row);
  EFI_STATUS  (EFIAPI *GetBootScreenCursor)(OUT UINT64 *Column, OUT UINT64 *Row);
  EFI_STATUS  (EFIAPI *CreateBootProgressBar)(IN UINT64 Left, IN UINT64 Top, IN UINT64 Width, IN UINT64 Height, IN UINT64 Steps);
  EFI_STATUS  (EFIAPI *MoveBootProgressBar)(VOID);
  UINT32      (EFIAPI *QueryBootScreenState)(VOID);
  EFI_STATUS  (EFIAPI *ShowTimedInfoBox)(IN CHAR16 *Title, IN CHAR16 *Message, IN UINT64 Seconds, OUT EFI_EVENT *Event);
  EFI_STATUS  (EFIAPI *SetBootScreenColour)(IN UINT8 Attribute);
  EFI_STATUS  (EFIAPI *ShowBootScreenMenu)(IN EFI_HII_HANDLE HiiHandle, IN UINT16 TitleId, IN UINT16 HelpId, IN VOID *Items,
                IN UINT16 ItemCount, IN OUT UINT16 *Selection);
  EFI_STATUS  (EFIAPI *ShowBootScreenDialog)(IN CHAR16 *Title, IN CHAR16 *Message, IN CHAR16 *Legend, IN UINT32 Colours,
                IN UINT8 BoxType, IN UINT16 *Buttons, IN UINT16 ButtonCount, IN VOID *Keys, IN UINT16 KeyCount,
                OUT UINT8 *Selection, OUT VOID *Key);
  EFI_STATUS  (EFIAPI *ShowProgressBox)(IN UINT8 Action, IN CHAR16 *Title, IN CHAR16 *Message, IN CHAR16 *Legend,
                IN UINT64 Percentage, IN OUT VOID **Handle, OUT VOID *Key);
  EFI_STATUS  (EFIAPI *GetBootScreenColour)(OUT UINT8 *Attribute);
  EFI_STATUS  (EFIAPI *ShowTextEntryBox)(IN EFI_HII_HANDLE HiiHandle, IN UINT16 TitleId, IN VOID *Fields, IN UINT16 FieldCount,
                IN VOID *Filter);
} BOOT_SCREEN_INTERFACE;

static_assert (sizeof (BOOT_SCREEN_INTERFACE) == BOOT_SCREEN_SLOT_COUNT * sizeof (VOID *), "18 slots");

typedef struct {
  EFI_STATUS  (EFIAPI *PostRefreshNotify)(VOID);
} BOOT_SCREEN_COMPANION_INTERFACE;

// The table the engine installs; the graphical setup swaps some of its slots.
extern BOOT_SCREEN_INTERFACE  gBootScreenInterface;

/**
  The boot screen's state as its interface answers it, for the parts below the boot
  screen that only read it; BOOT_SCREEN_STATE_NONE while the operations are not there.
**/
UINT32  CurrentBootScreenState (VOID);

#endif

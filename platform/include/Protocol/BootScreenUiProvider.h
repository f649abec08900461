/** @file
  The outside POST user-interface provider (BOOT_SCREEN_UI_PROVIDER). When present it
  takes over the boot-screen interface's pop-ups: those operations hand it all their
  arguments and return its result unchanged. This firmware never installs one.

  Only its GUID and the slots the boot-screen interface calls are fixed by the
  callers (0 message box, 1 create progress bar, 2 move progress bar, 4 timed info
  box, 5 menu, 6 dialog, 7 progress box, 8 text-entry box, 14 set item, 15 password);
  the remaining slots are reserved. Arguments the engine defines itself (menu items,
  dialog keys, text-entry fields, the filter) travel as untyped pointers here.
**/
#ifndef PROTOCOL_BOOT_SCREEN_UI_PROVIDER_H_
#define PROTOCOL_BOOT_SCREEN_UI_PROVIDER_H_

#include <Uefi.h>
#include <Uefi/UefiHii.h>
#include <stddef.h>

#define BOOT_SCREEN_UI_PROVIDER_GUID \
  { 0x113FD31A, 0xBE8B, 0x418B, { 0xB0, 0x34, 0x7E, 0xAF, 0xE5, 0xC6, 0x0C, 0x99 } }
extern EFI_GUID gBootScreenUiProviderGuid;

typedef EFI_STATUS (EFIAPI *UI_PROVIDER_MESSAGE_BOX)(
  IN CHAR16  *Title,
  IN CHAR16  *Message,
  IN UINT8   BoxType,
  OUT UINT8  *Selection
  );

typedef EFI_STATUS (EFIAPI *UI_PROVIDER_CREATE_PROGRESS_BAR)(
  IN UINT64  Left,
  IN UINT64  Top,
  IN UINT64  Width,
  IN UINT64  Height,
  IN UINT64  StepCount
  );

typedef EFI_STATUS (EFIAPI *UI_PROVIDER_MOVE_PROGRESS_BAR)(VOID);

typedef EFI_STATUS (EFIAPI *UI_PROVIDER_TIMED_INFO_BOX)(
  IN CHAR16      *Title,
  IN CHAR16      *Message,
  IN UINT64      Seconds,
  OUT EFI_EVENT  *Event
  );

typedef EFI_STATUS (EFIAPI *UI_PROVIDER_MENU)(
  IN EFI_HII_HANDLE  HiiHandle,
  IN UINT16          TitleStringId,
  IN UINT16          HelpStringId,
  IN VOID            *Items,
  IN UINT16          ItemCount,
  IN OUT UINT16      *Selection
  );

typedef EFI_STATUS (EFIAPI *UI_PROVIDER_DIALOG)(
  IN CHAR16   *Title,
  IN CHAR16   *Message,
  IN CHAR16   *Legend,
  IN UINT32   ColourScheme,
  IN UINT8    BoxType,
  IN UINT16   *ButtonStringIds,
  IN UINT16   ButtonCount,
  IN VOID     *Keys,
  IN UINT16   KeyCount,
  OUT UINT8   *Selection,
  OUT VOID    *Key
  );

typedef EFI_STATUS (EFIAPI *UI_PROVIDER_PROGRESS_BOX)(
  IN UINT8           Action,
  IN CHAR16          *Title,
  IN CHAR16          *Message,
  IN CHAR16          *Legend,
  IN UINT64          Percentage,
  IN OUT EFI_HANDLE  *Handle,
  OUT VOID           *Key
  );

typedef EFI_STATUS (EFIAPI *UI_PROVIDER_TEXT_ENTRY_BOX)(
  IN EFI_HII_HANDLE  HiiHandle,
  IN UINT16          TitleStringId,
  IN VOID            *Fields,
  IN UINT16          FieldCount,
  IN VOID            *Filter OPTIONAL
  );

// Hands the provider the address of one of the engine's items (HII handle, language
// list, graphics output, boot-screen state, ...); Flag is 1.
typedef EFI_STATUS (EFIAPI *UI_PROVIDER_SET_ITEM)(
  IN UINTN  ItemId,
  IN UINTN  Flag,
  IN VOID   *PointerA OPTIONAL,
  IN VOID   *PointerB OPTIONAL
  );

// Asks for a password; *AccessLevel receives 0 (refused), 1 (second password) or 2.
typedef EFI_STATUS (EFIAPI *UI_PROVIDER_PASSWORD)(
  IN UINTN    Kind,
  OUT UINT32  *AccessLevel
  );

typedef struct {
  UI_PROVIDER_MESSAGE_BOX          MessageBox;           // slot 0
  UI_PROVIDER_CREATE_PROGRESS_BAR  CreateProgressBar;    // slot 1
  UI_PROVIDER_MOVE_PROGRESS_BAR    MoveProgressBar;      // slot 2
  VOID                             *Reserved3;
  UI_PROVIDER_TIMED_INFO_BOX       TimedInfoBox;         // slot 4
  UI_PROVIDER_MENU                 Menu;                 // slot 5
  UI_PROVIDER_DIALOG               Dialog;               // slot 6
  UI_PROVIDER_PROGRESS_BOX         ProgressBox;          // slot 7
  UI_PROVIDER_TEXT_ENTRY_BOX       TextEntryBox;         // slot 8
  VOID                             *Reserved9[5];
  UI_PROVIDER_SET_ITEM             SetItem;              // slot 14
  UI_PROVIDER_PASSWORD             Password;             // slot 15
} BOOT_SCREEN_UI_PROVIDER;

static_assert (offsetof (BOOT_SCREEN_UI_PROVIDER, TextEntryBox) == 8 * 8, "provider slot 8");
static_assert (offsetof (BOOT_SCREEN_UI_PROVIDER, SetItem) == 14 * 8, "provider slot 14");
static_assert (offsetof (BOOT_SCREEN_UI_PROVIDER, Password) == 15 * 8, "provider slot 15");

#endif

/** @file
  Boot-time security: the one call per boot of the drives' security freeze, and the
  message shown when an image fails Secure Boot.
**/
#include <engine/core/EngineStrings.h>
#include <engine/boot/BootGraphics.h>
#include <engine/boot/BootSecurity.h>
#include <engine/boot/BootLaunch.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/BootScreenInterface.h>
#include <engine/textui/TextScreen.h>
#include <Resources/EngineStringIds.h>

#include <Library/MemoryAllocationLib.h>
#include <Protocol/HddSecurity.h>

// The dialog's look: the warning colours (white on red) and one "Ok" button.
#define SECURE_BOOT_DIALOG_COLOURS   4
#define SECURE_BOOT_DIALOG_BOX_TYPE  1

BOOLEAN  gHddSecurityNotified = FALSE;

VOID
NotifyHddSecurityOnce (
  VOID
  )
{
  EFI_HANDLE             *Handles = NULL;
  UINTN                  Count    = 0;
  HDD_SECURITY_PROTOCOL  *Security;

  if (gHddSecurityNotified || (gBS == NULL) ||
      EFI_ERROR (gBS->LocateHandleBuffer (ByProtocol, &gHddSecurityProtocolGuid, NULL, &Count, &Handles)))
  {
    return;
  }

  for (UINTN Index = 0; (Index < Count) && !gHddSecurityNotified; Index++) {
    if (!EFI_ERROR (gBS->OpenProtocol (Handles[Index], &gHddSecurityProtocolGuid, (VOID **)&Security, gImageHandle, NULL,
                      EFI_OPEN_PROTOCOL_GET_PROTOCOL)) &&
        (Security != NULL) && !EFI_ERROR (Security->FreezeLock (Security)))
    {
      gHddSecurityNotified = TRUE;
    }
  }

  FreePool (Handles);
}

static VOID
ShowViolationDialog (
  VOID
  )
{
  CHAR16  *Title   = HiiGetString (ENGINE_OWN_HII_HANDLE, STR_SECURE_BOOT_VIOLATION, NULL);
  CHAR16  *Message = HiiGetString (ENGINE_OWN_HII_HANDLE, STR_SECURE_BOOT_VIOLATION_TEXT, NULL);
  UINT8   Selection = 0;
  UINT64  Key       = 0;    // the 8-byte key record the dialog fills

  SetConsoleModeForScreen ();
  ClearTextScreen ();
  if ((Title != NULL) && (Message != NULL)) {
    // The dialog only informs: which button closed it does not matter.
    (VOID)gBootScreenInterface.ShowBootScreenDialog (Title, Message, NULL, SECURE_BOOT_DIALOG_COLOURS,
                                 SECURE_BOOT_DIALOG_BOX_TYPE, NULL, 0, NULL, 0, &Selection, &Key);
  }

  FreePool (Title);
  FreePool (Message);
}

VOID
ShowSecureBootViolation (
  IN EFI_STATUS  Status
  )
{
  if (Status == EFI_SECURITY_VIOLATION) {
    ShowViolationDialog ();
  }
}

VOID
ShowSecureBootViolationAtBoot (
  IN EFI_STATUS  Status
  )
{
  UINT64  Saved;

  if ((Status != EFI_SECURITY_VIOLATION) && (Status != EFI_ACCESS_DENIED)) {
    return;
  }

  Saved = SwapBootScreenState (BOOT_SCREEN_STATE_IN_SETUP);
  ShowViolationDialog ();
  SwapBootScreenState (Saved);
  InvalidateBootLogoTable ();
}

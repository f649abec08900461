/** @file
  Callbacks that rows of the boot-flow table run: booting the option a hotkey chose,
  leaving for boot flow 7, and drawing the board's boot-time image.
**/
#include <engine/post/BootFlowCallbacks.h>
#include <engine/core/EngineGlobals.h>
#include <engine/boot/BootFlowCodes.h>
#include <engine/boot/BootLaunch.h>
#include <engine/post/LogoDecoders.h>
#include <engine/textui/Hotkeys.h>
#include <engine/forms/Passwords.h>
#include <engine/boot/BootGraphics.h>
#include <engine/post/BootScreen.h>
#include <engine/post/PostScreen.h>
#include <engine/browser/SetupEntryRequest.h>

#include <Library/MemoryAllocationLib.h>
#include <Protocol/ImageResource.h>

#define BOARD_IMAGE_PLACEMENT       9

EFI_STATUS
HotkeyBootFlowCallback (
  IN VOID  *Row
  )
{
  (VOID)Row;
  if (gHotkeyBootOption == NO_HOTKEY_BOOT_OPTION) {
    return EFI_NOT_FOUND;
  }

  return LaunchBootOption ((UINT16)gHotkeyBootOption, NULL, 0);
}

EFI_STATUS
LeaveBootFlowCallback (
  IN VOID  *Row
  )
{
  (VOID)Row;
  gBootFlowRequest = BOOT_FLOW_FIRMWARE_BOOTS;
  return EFI_SUCCESS;
}

// A BMP image ("BM") converted and blitted where the protocol asked; other images are not drawn.
static VOID
DrawBoardImage (
  IN CONST UINT8  *Image,
  IN UINTN        Size,
  IN UINTN        X,
  IN UINTN        Y
  )
{
  VOID    *Blt    = NULL;
  UINT64  BltSize = 0;
  UINT64  Height  = 0;
  UINT64  Width   = 0;

  if ((Image == NULL) || (Size < 2) || (Image[0] != 'B') || (Image[1] != 'M') ||
      EFI_ERROR (ConvertBmpToGopBlt ((VOID *)Image, Size, &Blt, &BltSize, &Height, &Width)))
  {
    return;
  }

  // The image is a decoration: a failed blit leaves the screen as it was.
  (VOID)BltImageAtPlacement ((EFI_GRAPHICS_OUTPUT_BLT_PIXEL *)Blt, BOARD_IMAGE_PLACEMENT, Width, Height, X, Y, Width);
  FreePool (Blt);
}

EFI_STATUS
BoardImageFlowCallback (
  IN VOID  *Row
  )
{
  IMAGE_RESOURCE_PROTOCOL  *Resources = NULL;
  VOID                     *Image     = NULL;
  UINTN                    Size       = 0;
  UINTN                    X          = 0;
  UINTN                    Y          = 0;
  EFI_STATUS               Status;

  (VOID)Row;
  Status = gBS->LocateProtocol (&gImageResourceProtocolGuid, NULL, (VOID **)&Resources);
  if (EFI_ERROR (Status) || (Resources == NULL)) {
    return EFI_ERROR (Status) ? Status : EFI_NOT_FOUND;
  }

  if (!EFI_ERROR (Resources->GetBootImage (Resources, &Image, &Size, &X, &Y))) {
    DrawBoardImage ((CONST UINT8 *)Image, Size, X, Y);
  }

  return Resources->Release (Resources);
}

EFI_STATUS
BootMenuFlowCallback (
  IN VOID  *Row
  )
{
  UINT32  Passwords = GetPasswordStatus () & PASSWORD_FIELD_BOTH;

  (VOID)Row;
  if ((Passwords == PASSWORD_FIELD_FIRST) || ((Passwords == PASSWORD_FIELD_BOTH) && (gAccessLevel == ACCESS_LEVEL_USER))) {
    return EFI_SUCCESS;
  }

  gBootScreenState   = BOOT_SCREEN_STATE_BOOT_MENU;
  RequestSetupEntry ();
  return EFI_SUCCESS;
}

EFI_STATUS
EFIAPI
PostRefreshNotify (
  VOID
  )
{
  InvalidateBootLogoTable ();
  return EFI_SUCCESS;
}

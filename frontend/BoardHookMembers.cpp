/** @file
  The board's hook members that have work of their own: the power-on password, the
  boot pop-up and the last-boot markers, and the look for the board protocol after
  the logo.
**/
#include <frontend/BoardHooks.h>
#include <engine/boot/BootMenu.h>
#include <engine/core/EngineGlobals.h>
#include <engine/textui/PasswordPrompt.h>

#include <Guid/GlobalVariable.h>
#include <Library/UefiLib.h>

static EFI_GUID  mBoardProtocolGuid = BOARD_PROTOCOL_GUID;
static EFI_GUID  mMarkerGuid        = BOARD_MARKER_VARIABLE_GUID;

// Markers of this boot only: a reset forgets them.
static VOID
SetBootMarker (
  IN CONST CHAR16  *Name
  )
{
  UINT8  Set = 1;

  // A marker that cannot be written leaves the board without a hint; nothing else depends on it.
  (VOID)gRT->SetVariable ((CHAR16 *)Name, &mMarkerGuid, EFI_VARIABLE_BOOTSERVICE_ACCESS, sizeof (Set), &Set);
}

UINT64
BoardCheckPlatformProtocol (
  IN CONST HOOK_ARGS  *Args
  )
{
  VOID  *Interface = NULL;

  (VOID)Args;
  return (UINT64)gBS->LocateProtocol (&mBoardProtocolGuid, NULL, &Interface);
}

UINT64
BoardCheckUserPasswordFlag (
  IN CONST HOOK_ARGS  *Args
  )
{
  // The hook's row replaces the engine's own check, so the password is asked here as the
  // engine would; a refusal never comes back.
  if ((CheckPostPassword (Args) & 0xFF) == 0) {
    return FALSE;
  }

  SetBootMarker (u"CheckUserPSW");
  return TRUE;
}

UINT64
BoardMarkLastBoot (
  IN CONST HOOK_ARGS  *Args
  )
{
  UINT16  Current = 0;
  UINTN   Size    = sizeof (Current);

  (VOID)Args;
  if (EFI_ERROR (gRT->GetVariable ((CHAR16 *)u"BootCurrent", &gEfiGlobalVariableGuid, NULL, &Size, &Current)) ||
      (Size != sizeof (Current)))
  {
    return 0;
  }

  // Kept across resets: the board tells at the next power-on what booted last.
  (VOID)gRT->SetVariable ((CHAR16 *)u"LastBoot", &mMarkerGuid,
               EFI_VARIABLE_NON_VOLATILE | EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_RUNTIME_ACCESS,
               sizeof (Current), &Current);
  return 0;
}

UINT64
BoardBbsPopup (
  IN CONST HOOK_ARGS  *Args
  )
{
  SetBootMarker (u"BbsPopupCalled");
  return BootSelectedPopupOption (Args);
}

/** @file
  The key-code input interface on the console-input handle, for firmware that has
  none (OVMF): the engine reads every key of its pages through it. Each record is the
  input-ex protocol's key with the physical-key and scan-code fields left empty, which
  the engine reads as "no physical key known". The loader stays resident while it is
  installed, since the interface's functions live in its image.
**/
#include <Protocol/KeyCode.h>
#include <Protocol/SimpleTextInEx.h>

#include "Loader.h"
#include "LoaderConsole.h"

namespace loader {
namespace {

EFI_GUID gKeyCodeGuid = KEY_CODE_PROTOCOL_GUID;
EFI_GUID gTextInExGuid = EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL_GUID;

EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL *gTextInEx;
KEY_CODE_PROTOCOL                  gKeyCode;

EFI_STATUS EFIAPI
KeyCodeReset (KEY_CODE_PROTOCOL *, BOOLEAN ExtendedVerification)
{
  return gTextInEx->Reset (gTextInEx, ExtendedVerification);
}

EFI_STATUS EFIAPI
KeyCodeRead (KEY_CODE_PROTOCOL *, KEY_CODE_DATA *KeyData)
{
  if (KeyData == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  EFI_KEY_DATA     Key    = {};
  const EFI_STATUS Status = gTextInEx->ReadKeyStrokeEx (gTextInEx, &Key);
  gBoot->SetMem (KeyData, sizeof *KeyData, 0);
  if (EFI_ERROR (Status)) {
    return Status;
  }
  KeyData->Key      = Key.Key;
  KeyData->KeyState = Key.KeyState;
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI
KeyCodeSetState (KEY_CODE_PROTOCOL *, EFI_KEY_TOGGLE_STATE *ToggleState)
{
  return gTextInEx->SetState (gTextInEx, ToggleState);
}

EFI_STATUS EFIAPI
KeyCodeRegisterNotify (KEY_CODE_PROTOCOL *, EFI_KEY_DATA *KeyData, EFI_KEY_NOTIFY_FUNCTION Function, VOID **Handle)
{
  return gTextInEx->RegisterKeyNotify (gTextInEx, KeyData, Function, Handle);
}

EFI_STATUS EFIAPI
KeyCodeUnregisterNotify (KEY_CODE_PROTOCOL *, VOID *Handle)
{
  return gTextInEx->UnregisterKeyNotify (gTextInEx, Handle);
}

}  // namespace

bool
InstallKeyCodeAdapter (
  IN EFI_SYSTEM_TABLE  *St
  )
{
  EFI_HANDLE Console  = St->ConsoleInHandle;
  VOID      *Existing = nullptr;
  if (Console == nullptr) {
    Line ().Text (u"key-code input: no console-input handle").Print ();
    return false;
  }
  if (!EFI_ERROR (gBoot->HandleProtocol (Console, &gKeyCodeGuid, &Existing))) {
    Line ().Text (u"key-code input: the firmware's own").Print ();
    return true;
  }
  EFI_STATUS Status = gBoot->HandleProtocol (Console, &gTextInExGuid, (VOID **)&gTextInEx);
  if (!EFI_ERROR (Status)) {
    gKeyCode = { KeyCodeReset, KeyCodeRead, gTextInEx->WaitForKeyEx, KeyCodeSetState, KeyCodeRegisterNotify, KeyCodeUnregisterNotify };
    Status   = gBoot->InstallProtocolInterface (&Console, &gKeyCodeGuid, EFI_NATIVE_INTERFACE, &gKeyCode);
  }
  Line ().Text (u"key-code input: adapter over the input-ex protocol: ").Status (Status).Print ();
  return !EFI_ERROR (Status);
}

}  // namespace loader

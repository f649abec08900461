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

EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL* gTextInEx;
KEY_CODE_PROTOCOL gKeyCode;

EFI_STATUS EFIAPI KeyCodeReset(KEY_CODE_PROTOCOL*, BOOLEAN extendedVerification) {
  return gTextInEx->Reset(gTextInEx, extendedVerification);
}

EFI_STATUS EFIAPI KeyCodeRead(KEY_CODE_PROTOCOL*, KEY_CODE_DATA* keyData) {
  if (keyData == nullptr) return EFI_INVALID_PARAMETER;
  EFI_KEY_DATA key = {};
  const EFI_STATUS status = gTextInEx->ReadKeyStrokeEx(gTextInEx, &key);
  gBoot->SetMem(keyData, sizeof *keyData, 0);
  if (EFI_ERROR(status)) return status;
  keyData->Key = key.Key;
  keyData->KeyState = key.KeyState;
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI KeyCodeSetState(KEY_CODE_PROTOCOL*, EFI_KEY_TOGGLE_STATE* toggleState) {
  return gTextInEx->SetState(gTextInEx, toggleState);
}

EFI_STATUS EFIAPI KeyCodeRegisterNotify(KEY_CODE_PROTOCOL*, EFI_KEY_DATA* keyData,
                                        EFI_KEY_NOTIFY_FUNCTION function, VOID** handle) {
  return gTextInEx->RegisterKeyNotify(gTextInEx, keyData, function, handle);
}

EFI_STATUS EFIAPI KeyCodeUnregisterNotify(KEY_CODE_PROTOCOL*, VOID* handle) {
  return gTextInEx->UnregisterKeyNotify(gTextInEx, handle);
}

}  // namespace

bool InstallKeyCodeAdapter(EFI_SYSTEM_TABLE* st) {
  EFI_HANDLE console = st->ConsoleInHandle;
  VOID* existing = nullptr;
  if (console == nullptr) {
    Line().Text(u"key-code input: no console-input handle").Print();
    return false;
  }
  if (!EFI_ERROR(gBoot->HandleProtocol(console, &gKeyCodeGuid, &existing))) {
    Line().Text(u"key-code input: the firmware's own").Print();
    return true;
  }
  EFI_STATUS status = gBoot->HandleProtocol(console, &gTextInExGuid, (VOID**)&gTextInEx);
  if (!EFI_ERROR(status)) {
    gKeyCode = {KeyCodeReset, KeyCodeRead, gTextInEx->WaitForKeyEx, KeyCodeSetState,
                KeyCodeRegisterNotify, KeyCodeUnregisterNotify};
    status = gBoot->InstallProtocolInterface(&console, &gKeyCodeGuid, EFI_NATIVE_INTERFACE, &gKeyCode);
  }
  Line().Text(u"key-code input: adapter over the input-ex protocol: ").Status(status).Print();
  return !EFI_ERROR(status);
}

}  // namespace loader

/** @file
  The firmware core's key-code input protocol, found on the console-input handle.

  Only its GUID, its key event and its read operation are fixed by the places that
  call it; this header is the one definition of the whole interface for the engine,
  the GUI and the emulator. The operation table follows the input-ex protocol's
  shape (reset, read, key event, set state, key notify register/unregister), with
  the read operation returning the extended 20-byte key record below.
**/
#ifndef PROTOCOL_KEY_CODE_H_
#define PROTOCOL_KEY_CODE_H_

#include <Protocol/SimpleTextInEx.h>

#define KEY_CODE_PROTOCOL_GUID \
  { 0x0ADFB62D, 0xFF74, 0x484C, { 0x89, 0x44, 0xF8, 0x5C, 0x4B, 0xEA, 0x87, 0xA8 } }
extern EFI_GUID gKeyCodeProtocolGuid;

#pragma pack(push, 1)
// The first 12 bytes are an EFI_KEY_DATA. EfiKey is the physical key position (the
// EFI_KEY numbering of the HII keyboard layout); the PS/2 fields carry the raw
// set-1 scan code when the device has one.
typedef struct {
  EFI_INPUT_KEY  Key;
  EFI_KEY_STATE  KeyState;
  UINT32         EfiKey;
  UINT8          EfiKeyIsValid;
  UINT8          PS2ScanCode;
  UINT8          PS2ScanCodeIsValid;
  UINT8          Reserved;
} KEY_CODE_DATA;
#pragma pack(pop)

static_assert (sizeof (KEY_CODE_DATA) == 20, "key record");
static_assert (offsetof (KEY_CODE_DATA, KeyState) == 4, "shift state");
static_assert (offsetof (KEY_CODE_DATA, KeyState) + offsetof (EFI_KEY_STATE, KeyToggleState) == 8,
  "toggle state");
static_assert (offsetof (KEY_CODE_DATA, EfiKey) == 12, "EFI key code");

typedef struct _KEY_CODE_PROTOCOL KEY_CODE_PROTOCOL;

typedef EFI_STATUS (EFIAPI *KEY_CODE_RESET)(
  IN KEY_CODE_PROTOCOL  *This,
  IN BOOLEAN            ExtendedVerification
  );

// EFI_NOT_READY when no key is waiting.
typedef EFI_STATUS (EFIAPI *KEY_CODE_READ)(
  IN KEY_CODE_PROTOCOL  *This,
  OUT KEY_CODE_DATA     *KeyData
  );

typedef EFI_STATUS (EFIAPI *KEY_CODE_SET_STATE)(
  IN KEY_CODE_PROTOCOL     *This,
  IN EFI_KEY_TOGGLE_STATE  *KeyToggleState
  );

typedef EFI_STATUS (EFIAPI *KEY_CODE_REGISTER_NOTIFY)(
  IN KEY_CODE_PROTOCOL        *This,
  IN EFI_KEY_DATA             *KeyData,
  IN EFI_KEY_NOTIFY_FUNCTION  KeyNotificationFunction,
  OUT VOID                    **NotifyHandle
  );

typedef EFI_STATUS (EFIAPI *KEY_CODE_UNREGISTER_NOTIFY)(
  IN KEY_CODE_PROTOCOL  *This,
  IN VOID               *NotificationHandle
  );

struct _KEY_CODE_PROTOCOL {
  KEY_CODE_RESET              Reset;
  KEY_CODE_READ               ReadKeyCode;
  EFI_EVENT                   WaitForKeyCode;
  KEY_CODE_SET_STATE          SetState;
  KEY_CODE_REGISTER_NOTIFY    RegisterKeyNotify;
  KEY_CODE_UNREGISTER_NOTIFY  UnregisterKeyNotify;
};

#endif

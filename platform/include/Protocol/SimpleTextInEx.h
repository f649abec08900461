/** @file
  Simple text input-ex protocol: key strokes with shift and toggle state, and key
  notifications.
**/
#ifndef PROTOCOL_SIMPLE_TEXT_IN_EX_H_
#define PROTOCOL_SIMPLE_TEXT_IN_EX_H_

#include <Protocol/SimpleTextIn.h>

#define EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL_GUID \
  { 0xDD9E7534, 0x7762, 0x4698, { 0x8C, 0x14, 0xF5, 0x85, 0x17, 0xA6, 0x25, 0xAA } }
extern EFI_GUID gEfiSimpleTextInputExProtocolGuid;

typedef struct _EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL;

typedef UINT8 EFI_KEY_TOGGLE_STATE;

typedef struct {
  UINT32                KeyShiftState;
  EFI_KEY_TOGGLE_STATE  KeyToggleState;
} EFI_KEY_STATE;

typedef struct {
  EFI_INPUT_KEY  Key;
  EFI_KEY_STATE  KeyState;
} EFI_KEY_DATA;

static_assert (sizeof (EFI_KEY_STATE) == 8, "key state");
static_assert (sizeof (EFI_KEY_DATA) == 12, "key data");
static_assert (offsetof (EFI_KEY_DATA, KeyState) == 4, "key state offset");

// Shift state: bit 31 says the other bits are valid.
#define EFI_SHIFT_STATE_VALID     0x80000000
#define EFI_RIGHT_SHIFT_PRESSED   0x00000001
#define EFI_LEFT_SHIFT_PRESSED    0x00000002
#define EFI_RIGHT_CONTROL_PRESSED 0x00000004
#define EFI_LEFT_CONTROL_PRESSED  0x00000008
#define EFI_RIGHT_ALT_PRESSED     0x00000010
#define EFI_LEFT_ALT_PRESSED      0x00000020
#define EFI_RIGHT_LOGO_PRESSED    0x00000040
#define EFI_LEFT_LOGO_PRESSED     0x00000080
#define EFI_MENU_KEY_PRESSED      0x00000100
#define EFI_SYS_REQ_PRESSED       0x00000200

// Toggle state: bit 7 says the other bits are valid; bit 6 marks a record that only
// exposes a state change (a modifier pressed alone).
#define EFI_TOGGLE_STATE_VALID    0x80
#define EFI_KEY_STATE_EXPOSED     0x40
#define EFI_SCROLL_LOCK_ACTIVE    0x01
#define EFI_NUM_LOCK_ACTIVE       0x02
#define EFI_CAPS_LOCK_ACTIVE      0x04

typedef EFI_STATUS (EFIAPI *EFI_INPUT_RESET_EX)(
  IN EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL  *This,
  IN BOOLEAN                            ExtendedVerification
  );

typedef EFI_STATUS (EFIAPI *EFI_INPUT_READ_KEY_EX)(
  IN EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL  *This,
  OUT EFI_KEY_DATA                      *KeyData
  );

typedef EFI_STATUS (EFIAPI *EFI_SET_STATE)(
  IN EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL  *This,
  IN EFI_KEY_TOGGLE_STATE               *KeyToggleState
  );

typedef EFI_STATUS (EFIAPI *EFI_KEY_NOTIFY_FUNCTION)(IN EFI_KEY_DATA *KeyData);

typedef EFI_STATUS (EFIAPI *EFI_REGISTER_KEYSTROKE_NOTIFY)(
  IN EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL  *This,
  IN EFI_KEY_DATA                       *KeyData,
  IN EFI_KEY_NOTIFY_FUNCTION            KeyNotificationFunction,
  OUT VOID                              **NotifyHandle
  );

typedef EFI_STATUS (EFIAPI *EFI_UNREGISTER_KEYSTROKE_NOTIFY)(
  IN EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL  *This,
  IN VOID                               *NotificationHandle
  );

struct _EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL {
  EFI_INPUT_RESET_EX               Reset;
  EFI_INPUT_READ_KEY_EX            ReadKeyStrokeEx;
  EFI_EVENT                        WaitForKeyEx;
  EFI_SET_STATE                    SetState;
  EFI_REGISTER_KEYSTROKE_NOTIFY    RegisterKeyNotify;
  EFI_UNREGISTER_KEYSTROKE_NOTIFY  UnregisterKeyNotify;
};

#endif

/** @file
  The firmware core's pointer-device protocol: an absolute pointer position on the
  screen with three buttons and a wheel, merged from every pointing device.

  Its callers fix only its GUID and what they read (position, buttons, wheel); this
  header is the one definition of the interface for the GUI, the front end and the
  emulator: reset, a state read, a wait event, and the screen size to clip to.
**/
#ifndef PROTOCOL_POINTER_DEVICE_H_
#define PROTOCOL_POINTER_DEVICE_H_

#include <Uefi.h>

#define POINTER_DEVICE_PROTOCOL_GUID \
  { 0xC7A7030C, 0xC3D8, 0x45EE, { 0xBE, 0xD9, 0x5D, 0x9E, 0x76, 0x76, 0x29, 0x53 } }
extern EFI_GUID gPointerDeviceProtocolGuid;

typedef struct _POINTER_DEVICE_PROTOCOL POINTER_DEVICE_PROTOCOL;

#define POINTER_BUTTON_LEFT    0x01
#define POINTER_BUTTON_RIGHT   0x02
#define POINTER_BUTTON_MIDDLE  0x04

typedef struct {
  INT32   X;            // pixels from the left edge
  INT32   Y;            // pixels from the top edge
  INT32   Wheel;        // detents since the last read, positive away from the user
  UINT32  Buttons;      // POINTER_BUTTON_* held now
} POINTER_DEVICE_STATE;

typedef EFI_STATUS (EFIAPI *POINTER_DEVICE_RESET)(IN POINTER_DEVICE_PROTOCOL *This);

// EFI_NOT_READY when nothing changed since the last read.
typedef EFI_STATUS (EFIAPI *POINTER_DEVICE_GET_STATE)(
  IN POINTER_DEVICE_PROTOCOL  *This,
  OUT POINTER_DEVICE_STATE    *State
  );

typedef EFI_STATUS (EFIAPI *POINTER_DEVICE_SET_BOUNDS)(
  IN POINTER_DEVICE_PROTOCOL  *This,
  IN UINT32                   Width,
  IN UINT32                   Height
  );

struct _POINTER_DEVICE_PROTOCOL {
  POINTER_DEVICE_RESET       Reset;
  POINTER_DEVICE_GET_STATE   GetState;
  EFI_EVENT                  WaitForInput;
  POINTER_DEVICE_SET_BOUNDS  SetBounds;
};

#endif

/** @file
  Simple pointer protocol: relative mouse movement and two buttons.
**/
#ifndef PROTOCOL_SIMPLE_POINTER_H_
#define PROTOCOL_SIMPLE_POINTER_H_

#include <Uefi.h>

#define EFI_SIMPLE_POINTER_PROTOCOL_GUID \
  { 0x31878C87, 0x0B75, 0x11D5, { 0x9A, 0x4F, 0x00, 0x90, 0x27, 0x3F, 0xC1, 0x4D } }
extern EFI_GUID gEfiSimplePointerProtocolGuid;

typedef struct _EFI_SIMPLE_POINTER_PROTOCOL EFI_SIMPLE_POINTER_PROTOCOL;

typedef struct {
  INT32    RelativeMovementX;
  INT32    RelativeMovementY;
  INT32    RelativeMovementZ;
  BOOLEAN  LeftButton;
  BOOLEAN  RightButton;
} EFI_SIMPLE_POINTER_STATE;

typedef struct {
  UINT64   ResolutionX;
  UINT64   ResolutionY;
  UINT64   ResolutionZ;
  BOOLEAN  LeftButton;
  BOOLEAN  RightButton;
} EFI_SIMPLE_POINTER_MODE;

typedef EFI_STATUS (EFIAPI *EFI_SIMPLE_POINTER_RESET)(
  IN EFI_SIMPLE_POINTER_PROTOCOL  *This,
  IN BOOLEAN                      ExtendedVerification
  );

typedef EFI_STATUS (EFIAPI *EFI_SIMPLE_POINTER_GET_STATE)(
  IN EFI_SIMPLE_POINTER_PROTOCOL  *This,
  OUT EFI_SIMPLE_POINTER_STATE    *State
  );

struct _EFI_SIMPLE_POINTER_PROTOCOL {
  EFI_SIMPLE_POINTER_RESET      Reset;
  EFI_SIMPLE_POINTER_GET_STATE  GetState;
  EFI_EVENT                     WaitForInput;
  EFI_SIMPLE_POINTER_MODE       *Mode;
};

#endif

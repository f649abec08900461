/** @file
  The OEM badging protocol: images a board adds to the power-on logo, each with where
  it goes. Any number of drivers may install an instance; the logo asks each in turn.

  The logo fixes only the GUID and slot 0; this header is the one definition of the
  interface for the engine and the emulator. `GetImage` answers the Index-th image of
  its instance (counted from 0) as a file image (BMP or baseline JPEG) with a
  placement code of the power-on screen and the x and y that code reads; an index past
  the last image answers an error. The image stays owned by the protocol.
**/
#ifndef PROTOCOL_OEM_BADGING_H_
#define PROTOCOL_OEM_BADGING_H_

#include <Uefi.h>

#define OEM_BADGING_PROTOCOL_GUID \
  { 0x170E13C0, 0xBF1B, 0x4218, { 0x87, 0x1D, 0x2A, 0xBD, 0xC6, 0xF8, 0x87, 0xBC } }
extern EFI_GUID gOemBadgingProtocolGuid;

typedef struct _OEM_BADGING_PROTOCOL OEM_BADGING_PROTOCOL;

typedef EFI_STATUS (EFIAPI *OEM_BADGING_GET_IMAGE)(
  IN  OEM_BADGING_PROTOCOL  *This,
  IN  UINT32                Index,
  OUT VOID                  **Image,
  OUT UINTN                 *ImageSize,
  OUT UINT32                *Placement,
  OUT UINTN                 *X,
  OUT UINTN                 *Y
  );

struct _OEM_BADGING_PROTOCOL {
  OEM_BADGING_GET_IMAGE  GetImage;   // slot 0
};

#endif

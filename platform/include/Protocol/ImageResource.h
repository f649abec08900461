/** @file
  The firmware's image-resource protocol: brackets a run of the graphical setup and
  serves images by resource-set GUID and id; it also hands out a boot-time image with
  its position.

  Its callers fix only the GUID and slots 0 (release the image handed out, and end
  the bracket) and 1 (get the boot-time image and where to draw it); the other slots
  are this header's one definition for the GUI, the front end and the emulator.
  Images are file images (BMP, PNG, ...) that stay owned by the protocol until released.
**/
#ifndef PROTOCOL_IMAGE_RESOURCE_H_
#define PROTOCOL_IMAGE_RESOURCE_H_

#include <Uefi.h>

#define IMAGE_RESOURCE_PROTOCOL_GUID \
  { 0x8FE545E5, 0xDCA9, 0x4D52, { 0xBF, 0xCD, 0x8F, 0x13, 0xE7, 0x17, 0x01, 0x5F } }
extern EFI_GUID gImageResourceProtocolGuid;

typedef struct _IMAGE_RESOURCE_PROTOCOL IMAGE_RESOURCE_PROTOCOL;

typedef EFI_STATUS (EFIAPI *IMAGE_RESOURCE_RELEASE)(IN IMAGE_RESOURCE_PROTOCOL *This);

typedef EFI_STATUS (EFIAPI *IMAGE_RESOURCE_GET_BOOT_IMAGE)(
  IN IMAGE_RESOURCE_PROTOCOL  *This,
  OUT VOID                    **Image,
  OUT UINTN                   *ImageSize,
  OUT UINTN                   *X,
  OUT UINTN                   *Y
  );

typedef EFI_STATUS (EFIAPI *IMAGE_RESOURCE_BEGIN)(IN IMAGE_RESOURCE_PROTOCOL *This);

typedef EFI_STATUS (EFIAPI *IMAGE_RESOURCE_GET_IMAGE)(
  IN IMAGE_RESOURCE_PROTOCOL  *This,
  IN CONST EFI_GUID           *ResourceSet,
  IN UINT32                   ImageId,
  OUT VOID                    **Image,
  OUT UINTN                   *ImageSize
  );

struct _IMAGE_RESOURCE_PROTOCOL {
  IMAGE_RESOURCE_RELEASE         Release;        // slot 0
  IMAGE_RESOURCE_GET_BOOT_IMAGE  GetBootImage;   // slot 1
  IMAGE_RESOURCE_BEGIN           Begin;          // slot 2
  IMAGE_RESOURCE_GET_IMAGE       GetImage;       // slot 3
};

#endif

/** @file
  Load-file protocol: a device that produces a boot image on request (network boot).
**/
#ifndef PROTOCOL_LOAD_FILE_H_
#define PROTOCOL_LOAD_FILE_H_

#include <Uefi.h>

#define EFI_LOAD_FILE_PROTOCOL_GUID \
  { 0x56EC3091, 0x954C, 0x11D2, { 0x8E, 0x3F, 0x00, 0xA0, 0xC9, 0x69, 0x72, 0x3B } }
extern EFI_GUID gEfiLoadFileProtocolGuid;

typedef struct _EFI_LOAD_FILE_PROTOCOL EFI_LOAD_FILE_PROTOCOL;

typedef EFI_STATUS (EFIAPI *EFI_LOAD_FILE)(
  IN EFI_LOAD_FILE_PROTOCOL    *This,
  IN EFI_DEVICE_PATH_PROTOCOL  *FilePath,
  IN BOOLEAN                   BootPolicy,
  IN OUT UINTN                 *BufferSize,
  IN VOID                      *Buffer OPTIONAL
  );

struct _EFI_LOAD_FILE_PROTOCOL {
  EFI_LOAD_FILE  LoadFile;
};

#endif

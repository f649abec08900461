/** @file
  SMM base 2 protocol: tells a driver whether it runs inside SMRAM.
**/
#ifndef PROTOCOL_SMM_BASE2_H_
#define PROTOCOL_SMM_BASE2_H_

#include <Uefi.h>

#define EFI_SMM_BASE2_PROTOCOL_GUID \
  { 0xF4CCBFB7, 0xF6E0, 0x47FD, { 0x9D, 0xD4, 0x10, 0xA8, 0xF1, 0x50, 0xC1, 0x91 } }
extern EFI_GUID gEfiSmmBase2ProtocolGuid;

typedef struct _EFI_SMM_BASE2_PROTOCOL EFI_SMM_BASE2_PROTOCOL;

typedef EFI_STATUS (EFIAPI *EFI_SMM_INSIDE_OUT2)(
  IN CONST EFI_SMM_BASE2_PROTOCOL  *This,
  OUT BOOLEAN                      *InSmram
  );

// The SMM system table is never used outside SMM, so it stays opaque here.
typedef EFI_STATUS (EFIAPI *EFI_SMM_GET_SMST_LOCATION2)(
  IN CONST EFI_SMM_BASE2_PROTOCOL  *This,
  IN OUT VOID                      **Smst
  );

struct _EFI_SMM_BASE2_PROTOCOL {
  EFI_SMM_INSIDE_OUT2         InSmm;
  EFI_SMM_GET_SMST_LOCATION2  GetSmstLocation;
};

#endif

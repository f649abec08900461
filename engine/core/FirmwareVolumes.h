/** @file
  Raw sections of firmware files, read from whichever firmware volume holds the file.
**/
#ifndef FIRMWARE_VOLUMES_H_
#define FIRMWARE_VOLUMES_H_

#include <Uefi.h>

/**
  Reads the first raw section of a firmware file from the first of the given volume
  handles that has it. Handles is a pool buffer; it is freed in every case.

  @param[in,out] Buffer, Size  As FV2 ReadSection takes them (a null *Buffer: a new one).

  @retval EFI_WARN_BUFFER_TOO_SMALL, EFI_BUFFER_TOO_SMALL
                                A volume has the section and it does not fit, as that
                                volume answered; no further volume is asked.
  @retval EFI_NOT_FOUND         No volume has it.
**/
EFI_STATUS
ReadFvFileSection (
  IN     CONST EFI_GUID  *FileGuid,
  IN OUT VOID            **Buffer,
  IN OUT UINTN           *Size,
  IN     EFI_HANDLE      *Handles,
  IN     UINTN           HandleCount
  );

#endif

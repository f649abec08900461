/** @file
  Raw sections of firmware files, read from whichever firmware volume holds the file.
**/
#include <engine/core/FirmwareVolumes.h>
#include <engine/core/EngineGlobals.h>

#include <Library/MemoryAllocationLib.h>
#include <Pi/PiFirmwareFile.h>
#include <Protocol/FirmwareVolume2.h>

EFI_STATUS
ReadFvFileSection (
  IN     CONST EFI_GUID  *FileGuid,
  IN OUT VOID            **Buffer,
  IN OUT UINTN           *Size,
  IN     EFI_HANDLE      *Handles,
  IN     UINTN           HandleCount
  )
{
  EFI_FIRMWARE_VOLUME2_PROTOCOL  *Volume;
  UINT32                         Authentication;
  EFI_STATUS                     Status = EFI_NOT_FOUND;

  for (UINTN Index = 0; (Handles != NULL) && (FileGuid != NULL) && (Buffer != NULL) && (Size != NULL) && (Index < HandleCount);
       Index++)
  {
    if (EFI_ERROR (gBS->HandleProtocol (Handles[Index], &gEfiFirmwareVolume2ProtocolGuid, (VOID **)&Volume))) {
      continue;
    }

    Status = Volume->ReadSection (Volume, FileGuid, EFI_SECTION_RAW, 0, Buffer, Size, &Authentication);
    if (!EFI_ERROR (Status) || (Status == EFI_BUFFER_TOO_SMALL)) {
      break;
    }

    Status = EFI_NOT_FOUND;
  }

  FreePool (Handles);
  return Status;
}

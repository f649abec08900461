/** @file
  The compiled setup data carried in the driver's own image, for a driver that the
  firmware loaded from a file rather than dispatched from a firmware volume: a file
  has no sections to read, so the block travels as a GUID package of the image's HII
  package list. The firmware takes that list from the image's resource section, which
  the image's signature covers, and puts it on the image handle.

  The list is outside data like any section: every package is checked to lie inside
  the length the list's header gives before it is looked at.
**/
#include <engine/core/SetupData.h>
#include <engine/core/EngineGlobals.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Protocol/HiiPackageList.h>
#include <Uefi/UefiHii.h>

static CONST EFI_GUID  mImageSetupDataGuid = SETUP_DATA_SECTION_GUID;

CONST UINT8 *
FindGuidPackage (
  IN  CONST UINT8     *List,
  IN  UINTN           Size,
  IN  CONST EFI_GUID  *Guid,
  OUT UINTN           *DataSize
  )
{
  UINTN  End;
  UINTN  At;

  *DataSize = 0;
  if ((List == NULL) || (Guid == NULL) || (Size < sizeof (EFI_HII_PACKAGE_LIST_HEADER))) {
    return NULL;
  }

  // The header's own length bounds the walk; a buffer shorter than it bounds it further.
  End = ReadUnaligned32 (List + offsetof (EFI_HII_PACKAGE_LIST_HEADER, PackageLength));
  End = (End < Size) ? End : Size;
  for (At = sizeof (EFI_HII_PACKAGE_LIST_HEADER); (At <= End) && (End - At >= sizeof (EFI_HII_PACKAGE_HEADER)); ) {
    UINTN  Length = ReadUnaligned24 (List + At);
    UINT8  Type   = List[At + 3];

    if ((Length < sizeof (EFI_HII_PACKAGE_HEADER)) || (Length > End - At) || (Type == EFI_HII_PACKAGE_END)) {
      return NULL;
    }

    if ((Type == EFI_HII_PACKAGE_TYPE_GUID) && (Length >= sizeof (EFI_HII_GUID_PACKAGE_HDR)) &&
        CompareGuid ((CONST EFI_GUID *)(List + At + sizeof (EFI_HII_PACKAGE_HEADER)), Guid))
    {
      *DataSize = Length - sizeof (EFI_HII_PACKAGE_HEADER);
      return List + At + sizeof (EFI_HII_PACKAGE_HEADER);
    }

    At += Length;
  }

  return NULL;
}

EFI_STATUS
ReadImageSetupData (
  IN  EFI_HANDLE  ImageHandle,
  OUT VOID        **Buffer,
  OUT UINTN       *Size
  )
{
  EFI_STATUS   Status;
  CONST UINT8  *List;
  CONST UINT8  *Data;
  UINTN        DataSize;

  *Buffer = NULL;
  *Size   = 0;
  Status  = gBS->OpenProtocol (ImageHandle, &gEfiHiiPackageListProtocolGuid, (VOID **)&List, ImageHandle, NULL,
                   EFI_OPEN_PROTOCOL_GET_PROTOCOL);
  if (EFI_ERROR (Status) || (List == NULL)) {
    return EFI_NOT_FOUND;
  }

  // The firmware hands the list over without its size: its header's length is all there is.
  Data = FindGuidPackage (List, MAX_UINTN, &mImageSetupDataGuid, &DataSize);
  if ((Data == NULL) || (DataSize <= SETUP_DATA_BLOCK_OFFSET)) {
    return EFI_NOT_FOUND;
  }

  // A copy, as a section read gives one: the package sits at no particular alignment in
  // the image, and the block's records are read in place at theirs.
  *Buffer = AllocateCopyPool (DataSize, Data);
  if (*Buffer == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  *Size = DataSize;
  return EFI_SUCCESS;
}

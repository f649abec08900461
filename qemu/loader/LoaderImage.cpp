/** @file
  Starting a boot-service driver image that lies on the loader's own disk: the
  firmware loads it by a whole device path (the disk's path and a file-path node), so
  under Secure Boot it is checked as any image from that disk.
**/
#include <Protocol/DevicePath.h>
#include <Protocol/LoadedImage.h>

#include "Loader.h"
#include "LoaderConsole.h"

namespace loader {
namespace {

EFI_GUID gImageGuid = EFI_LOADED_IMAGE_PROTOCOL_GUID;
EFI_GUID gPathGuid = EFI_DEVICE_PATH_PROTOCOL_GUID;

// Bytes of a device path before its end node; 0 when no end comes within `Limit`.
UINTN
PathBytes (
  IN const EFI_DEVICE_PATH_PROTOCOL  *Path,
  IN UINTN                           Limit
  )
{
  const UINT8 *At   = reinterpret_cast<const UINT8 *> (Path);
  UINTN        Size = 0;
  while (Size + END_DEVICE_PATH_LENGTH <= Limit) {
    const UINTN Length = UINTN (At[Size + 2] | At[Size + 3] << 8);
    if (At[Size] == END_DEVICE_PATH_TYPE && At[Size + 1] == END_ENTIRE_DEVICE_PATH_SUBTYPE) {
      return Size;
    }
    if (Length < END_DEVICE_PATH_LENGTH) {
      return 0;
    }
    Size += Length;
  }
  return 0;
}

void
PutNode (
  OUT UINT8  *At,
  IN  UINT8  Type,
  IN  UINT8  SubType,
  IN  UINTN  Length
  )
{
  At[0] = Type;
  At[1] = SubType;
  At[2] = UINT8 (Length);
  At[3] = UINT8 (Length >> 8);
}

// The device path of `Name` on the disk the loader came from, in pool memory.
EFI_DEVICE_PATH_PROTOCOL *
DiskFilePath (
  IN EFI_HANDLE    Image,
  IN const CHAR16  *Name
  )
{
  EFI_LOADED_IMAGE_PROTOCOL *Loaded = nullptr;
  EFI_DEVICE_PATH_PROTOCOL  *Disk   = nullptr;
  if (
    EFI_ERROR (gBoot->HandleProtocol (Image, &gImageGuid, (VOID **)&Loaded)) ||
    EFI_ERROR (gBoot->HandleProtocol (Loaded->DeviceHandle, &gPathGuid, (VOID **)&Disk))) {
    return nullptr;
  }
  const UINTN DiskBytes = PathBytes (Disk, 4096);
  UINTN       Chars     = 0;
  while (Name[Chars] != 0) {
    ++Chars;
  }
  const UINTN FileNode = 4 + (Chars + 1) * sizeof (CHAR16);
  UINT8      *Path     = nullptr;
  if (
    (DiskBytes == 0 && Disk->Type != END_DEVICE_PATH_TYPE) ||
    EFI_ERROR (gBoot->AllocatePool (EfiBootServicesData, DiskBytes + FileNode + END_DEVICE_PATH_LENGTH, (VOID **)&Path))) {
    return nullptr;
  }
  gBoot->CopyMem (Path, Disk, DiskBytes);
  PutNode (Path + DiskBytes, MEDIA_DEVICE_PATH, MEDIA_FILEPATH_DP, FileNode);
  gBoot->CopyMem (Path + DiskBytes + 4, const_cast<CHAR16 *> (Name), (Chars + 1) * sizeof (CHAR16));
  PutNode (Path + DiskBytes + FileNode, END_DEVICE_PATH_TYPE, END_ENTIRE_DEVICE_PATH_SUBTYPE, END_DEVICE_PATH_LENGTH);
  return reinterpret_cast<EFI_DEVICE_PATH_PROTOCOL *> (Path);
}

}  // namespace

EFI_STATUS
StartDiskDriver (
  IN EFI_HANDLE    Image,
  IN const CHAR16  *Name
  )
{
  EFI_DEVICE_PATH_PROTOCOL *Path = DiskFilePath (Image, Name);
  if (Path == nullptr) {
    return EFI_NOT_FOUND;
  }
  EFI_HANDLE Driver = nullptr;
  EFI_STATUS Status = gBoot->LoadImage (FALSE, Image, Path, nullptr, 0, &Driver);
  gBoot->FreePool (Path);
  if (!EFI_ERROR (Status)) {
    Status = gBoot->StartImage (Driver, nullptr, nullptr);
  }
  return Status;
}

}  // namespace loader

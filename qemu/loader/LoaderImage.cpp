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

// Bytes of a device path before its end node; 0 when no end comes within `limit`.
UINTN PathBytes(const EFI_DEVICE_PATH_PROTOCOL* path, UINTN limit) {
  const UINT8* at = reinterpret_cast<const UINT8*>(path);
  UINTN size = 0;
  while (size + END_DEVICE_PATH_LENGTH <= limit) {
    const UINTN length = UINTN(at[size + 2] | at[size + 3] << 8);
    if (at[size] == END_DEVICE_PATH_TYPE && at[size + 1] == END_ENTIRE_DEVICE_PATH_SUBTYPE) return size;
    if (length < END_DEVICE_PATH_LENGTH) return 0;
    size += length;
  }
  return 0;
}

void PutNode(UINT8* at, UINT8 type, UINT8 subType, UINTN length) {
  at[0] = type;
  at[1] = subType;
  at[2] = UINT8(length);
  at[3] = UINT8(length >> 8);
}

// The device path of `name` on the disk the loader came from, in pool memory.
EFI_DEVICE_PATH_PROTOCOL* DiskFilePath(EFI_HANDLE image, const CHAR16* name) {
  EFI_LOADED_IMAGE_PROTOCOL* loaded = nullptr;
  EFI_DEVICE_PATH_PROTOCOL* disk = nullptr;
  if (EFI_ERROR(gBoot->HandleProtocol(image, &gImageGuid, (VOID**)&loaded)) ||
      EFI_ERROR(gBoot->HandleProtocol(loaded->DeviceHandle, &gPathGuid, (VOID**)&disk)))
    return nullptr;
  const UINTN diskBytes = PathBytes(disk, 4096);
  UINTN chars = 0;
  while (name[chars] != 0) ++chars;
  const UINTN fileNode = 4 + (chars + 1) * sizeof(CHAR16);
  UINT8* path = nullptr;
  if ((diskBytes == 0 && disk->Type != END_DEVICE_PATH_TYPE) ||
      EFI_ERROR(gBoot->AllocatePool(EfiBootServicesData, diskBytes + fileNode + END_DEVICE_PATH_LENGTH,
                                    (VOID**)&path)))
    return nullptr;
  gBoot->CopyMem(path, disk, diskBytes);
  PutNode(path + diskBytes, MEDIA_DEVICE_PATH, MEDIA_FILEPATH_DP, fileNode);
  gBoot->CopyMem(path + diskBytes + 4, const_cast<CHAR16*>(name), (chars + 1) * sizeof(CHAR16));
  PutNode(path + diskBytes + fileNode, END_DEVICE_PATH_TYPE, END_ENTIRE_DEVICE_PATH_SUBTYPE,
          END_DEVICE_PATH_LENGTH);
  return reinterpret_cast<EFI_DEVICE_PATH_PROTOCOL*>(path);
}

}  // namespace

EFI_STATUS StartDiskDriver(EFI_HANDLE image, const CHAR16* name) {
  EFI_DEVICE_PATH_PROTOCOL* path = DiskFilePath(image, name);
  if (path == nullptr) return EFI_NOT_FOUND;
  EFI_HANDLE driver = nullptr;
  EFI_STATUS status = gBoot->LoadImage(FALSE, image, path, nullptr, 0, &driver);
  gBoot->FreePool(path);
  if (!EFI_ERROR(status)) status = gBoot->StartImage(driver, nullptr, nullptr);
  return status;
}

}  // namespace loader

/** @file
  Starting a boot-service driver image that lies on the loader's own disk: the
  firmware loads it by a whole device path (the disk's path and a file-path node), so
  under Secure Boot it is checked as any image from that disk.
**/
#include <Protocol/DevicePath.h>
#include <Protocol/FirmwareVolume2.h>
#include <Protocol/HiiPackageList.h>
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

EFI_STATUS
LoadDiskImage (
  IN  EFI_HANDLE    Image,
  IN  const CHAR16  *Name,
  OUT EFI_HANDLE    *Driver
  )
{
  EFI_DEVICE_PATH_PROTOCOL *Path = DiskFilePath (Image, Name);
  *Driver                        = nullptr;
  if (Path == nullptr) {
    return EFI_NOT_FOUND;
  }
  const EFI_STATUS Status = gBoot->LoadImage (FALSE, Image, Path, nullptr, 0, Driver);
  gBoot->FreePool (Path);
  // An image that failed its check may still be loaded ("Security Violation"): it must
  // not be started, and nothing of it may stay.
  if (EFI_ERROR (Status) && *Driver != nullptr) {
    gBoot->UnloadImage (*Driver);
    *Driver = nullptr;
  }
  return Status;
}

}  // namespace

bool
StartDriverFromFiles (
  IN     EFI_HANDLE    Image,
  IN     const CHAR16  *Unsigned,
  IN     const CHAR16  *Signed,
  IN     bool          SecureBoot,
  IN OUT DriverWatch   &Watch
  )
{
  EFI_HANDLE Driver  = nullptr;
  EFI_STATUS Refused = LoadDiskImage (Image, Unsigned, &Driver);
  Line ().Text (u"unsigned driver file ").Text (Unsigned).Text (u": load ").Status (Refused).Print ();
  if (Driver != nullptr) {
    gBoot->UnloadImage (Driver);  // only its refusal was to be seen
  }
  const bool RefusedRight = !SecureBoot || Refused == EFI_ACCESS_DENIED || Refused == EFI_SECURITY_VIOLATION;

  EFI_STATUS Status = LoadDiskImage (Image, Signed, &Driver);
  Line ().Text (u"driver file ").Text (Signed).Text (u": load ").Status (Status).Print ();
  if (EFI_ERROR (Status)) {
    return false;
  }
  EFI_LOADED_IMAGE_PROTOCOL *Loaded = nullptr;
  VOID                      *Any    = nullptr;
  EFI_GUID                   Fv2    = EFI_FIRMWARE_VOLUME2_PROTOCOL_GUID;
  EFI_GUID                   Hii    = EFI_HII_PACKAGE_LIST_PROTOCOL_GUID;
  const bool                 OnDisk = !EFI_ERROR (gBoot->HandleProtocol (Driver, &gImageGuid, (VOID **)&Loaded)) &&
                      EFI_ERROR (gBoot->HandleProtocol (Loaded->DeviceHandle, &Fv2, &Any));
  Line ().Text (u"driver file's device is a disk, not a volume: ").YesNo (OnDisk).Print ();
  // The firmware puts the image's HII resource on the image handle, as for a volume's driver.
  VOID *List           = nullptr;
  Watch.ImageHandle     = Driver;
  Watch.PackageListSeen = !EFI_ERROR (gBoot->HandleProtocol (Driver, &Hii, &List)) && List != nullptr;
  if (Watch.PackageListSeen) {
    gBoot->CopyMem (&Watch.PackageListGuid, List, sizeof Watch.PackageListGuid);
  }
  Status = gBoot->StartImage (Driver, nullptr, nullptr);
  // A driver whose entry point fails is unloaded by the firmware at once.
  const bool Resident = !EFI_ERROR (gBoot->HandleProtocol (Driver, &gImageGuid, &Any));
  Line ().Text (u"driver file start-up: ").Status (Status).Text (Resident ? u" (image resident)" : u" (image unloaded)").Print ();
  return RefusedRight && OnDisk && !EFI_ERROR (Status) && Resident;
}

}  // namespace loader

/** @file
  Bounded device-path walking, node building and LocateDevicePath.
**/
#include <Emulator/DevicePathUtil.h>
#include <Emulator/Guid.h>
#include <Emulator/ProtocolDatabase.h>

#include <Protocol/DevicePath.h>

#include <cstdint>
#include <cstring>

namespace Emu {

static const EFI_GUID  kDevicePathGuid = EFI_DEVICE_PATH_PROTOCOL_GUID;

UINTN
DevicePathBodySize (const EFI_DEVICE_PATH_PROTOCOL *Path, UINTN MaxSize)
{
  const UINT8  *Bytes = reinterpret_cast<const UINT8 *>(Path);
  UINTN        Offset = 0;

  if (Path == nullptr) {
    return SIZE_MAX;
  }
  MaxSize = (MaxSize < kMaxDevicePathSize) ? MaxSize : kMaxDevicePathSize;
  // Each node's header, and then its whole length, must lie inside the bound before any
  // of it is read or skipped.
  while (MaxSize - Offset >= sizeof (EFI_DEVICE_PATH_PROTOCOL)) {
    const UINT8  *Node   = Bytes + Offset;
    UINTN        Length  = (UINTN)Node[2] | ((UINTN)Node[3] << 8);
    if ((Length < sizeof (EFI_DEVICE_PATH_PROTOCOL)) || (Length > MaxSize - Offset)) {
      return SIZE_MAX;
    }
    if ((Node[0] == END_DEVICE_PATH_TYPE) && (Node[1] == END_ENTIRE_DEVICE_PATH_SUBTYPE)) {
      // Every reader copies the body and a 4-byte end node; a longer end is malformed.
      return (Length == sizeof (EFI_DEVICE_PATH_PROTOCOL)) ? Offset : SIZE_MAX;
    }
    Offset += Length;
  }
  return SIZE_MAX;
}

std::vector<UINT8>
DevicePathNode (UINT8 Type, UINT8 SubType, const VOID *Body, UINTN BodySize)
{
  UINTN               Length = sizeof (EFI_DEVICE_PATH_PROTOCOL) + BodySize;
  std::vector<UINT8>  Node (Length);

  // Sized once and filled in place: GCC 12 at -O2 and above takes a ranged insert into the
  // four header bytes just made for a write out of bounds.
  Node[0] = Type;
  Node[1] = SubType;
  Node[2] = (UINT8)Length;
  Node[3] = (UINT8)(Length >> 8);
  if (BodySize != 0) {
    std::memcpy (Node.data () + sizeof (EFI_DEVICE_PATH_PROTOCOL), Body, BodySize);
  }
  return Node;
}

void
EndDevicePath (std::vector<UINT8> &Path)
{
  Path.insert (Path.end (), { END_DEVICE_PATH_TYPE, END_ENTIRE_DEVICE_PATH_SUBTYPE, 4, 0 });
}

EFI_STATUS
ProtocolDatabase::LocateDevicePath (const EFI_GUID *Guid, EFI_DEVICE_PATH_PROTOCOL **DevicePath,
  EFI_HANDLE *Device)
{
  if ((Guid == nullptr) || (DevicePath == nullptr) || (*DevicePath == nullptr) || (Device == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }
  UINTN  SourceSize = DevicePathBodySize (*DevicePath);
  if (SourceSize == SIZE_MAX) {
    return EFI_INVALID_PARAMETER;
  }
  // The handle whose whole path is the longest prefix of the given one wins.
  EFI_HANDLE  Best     = nullptr;
  UINTN       BestSize = 0;
  for (EFI_HANDLE Handle : HandlesWith (*Guid)) {
    auto   *Path = static_cast<const EFI_DEVICE_PATH_PROTOCOL *>(Find (Handle, kDevicePathGuid));
    UINTN  Size  = DevicePathBodySize (Path);
    if ((Size == SIZE_MAX) || (Size > SourceSize) || ((Best != nullptr) && (Size <= BestSize))) {
      continue;
    }
    if (std::memcmp (Path, *DevicePath, Size) == 0) {
      Best     = Handle;
      BestSize = Size;
    }
  }
  if (Best == nullptr) {
    return EFI_NOT_FOUND;
  }
  *Device     = Best;
  *DevicePath = reinterpret_cast<EFI_DEVICE_PATH_PROTOCOL *>(reinterpret_cast<UINT8 *>(*DevicePath) + BestSize);
  return EFI_SUCCESS;
}

}  // namespace Emu

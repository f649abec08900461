/** @file
  Walking and building device paths inside the emulator. Every walk is bounded:
  a node shorter than its header, or a path longer than kMaxDevicePathSize,
  ends the walk as malformed.
**/
#ifndef EMULATOR_DEVICE_PATH_UTIL_H_
#define EMULATOR_DEVICE_PATH_UTIL_H_

#include <Uefi.h>

#include <vector>

namespace Emu {

constexpr UINTN kMaxDevicePathSize = 0x10000;

// Bytes before the end node; SIZE_MAX when the path is malformed.
UINTN DevicePathBodySize (const EFI_DEVICE_PATH_PROTOCOL *Path);

// Builds one node as bytes (header included).
std::vector<UINT8> DevicePathNode (UINT8 Type, UINT8 SubType, const VOID *Body, UINTN BodySize);
// Appends the end node to a byte list of nodes.
void               EndDevicePath (std::vector<UINT8> &Path);

}  // namespace Emu

#endif

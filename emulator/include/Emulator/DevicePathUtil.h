/** @file
  Walking and building device paths inside the emulator. Every walk is bounded:
  a node shorter than its header or running past the bound, an end node that is not
  4 bytes, or a path longer than kMaxDevicePathSize ends the walk as malformed.
**/
#ifndef EMULATOR_DEVICE_PATH_UTIL_H_
#define EMULATOR_DEVICE_PATH_UTIL_H_

#include <Uefi.h>

#include <vector>

namespace Emu {

constexpr UINTN kMaxDevicePathSize = 0x10000;

// Bytes before the end node; SIZE_MAX when the path is malformed or its end node does
// not lie within the first MaxSize bytes (a path read from a package or file has the
// size of what holds it; one handed over in memory only the overall limit).
UINTN DevicePathBodySize (const EFI_DEVICE_PATH_PROTOCOL *Path, UINTN MaxSize = kMaxDevicePathSize);

// Builds one node as bytes (header included).
std::vector<UINT8> DevicePathNode (UINT8 Type, UINT8 SubType, const VOID *Body, UINTN BodySize);
// Appends the end node to a byte list of nodes.
void               EndDevicePath (std::vector<UINT8> &Path);

}  // namespace Emu

#endif

/** @file
  What a firmware's image loader reads of a PE/COFF image before it starts it: the
  subsystem (an application is unloaded when it returns, a driver that succeeds stays)
  and the data of the resource of type "HII", which the loader installs as the image's
  HII package-list protocol. Read from the file's bytes, every offset checked.
**/
#ifndef EMULATOR_PE_IMAGE_H_
#define EMULATOR_PE_IMAGE_H_

#include <Uefi.h>

#include <optional>
#include <span>
#include <vector>

namespace Emu {

inline constexpr UINT16  kPeSubsystemApplication   = 10;
inline constexpr UINT16  kPeSubsystemBootDriver    = 11;
inline constexpr UINT16  kPeSubsystemRuntimeDriver = 12;

struct PE_IMAGE_INFO {
  UINT16              Subsystem = 0;
  UINT32              ImageSize = 0;    // SizeOfImage of the optional header
  std::vector<UINT8>  HiiResource;      // empty when the image carries none
};

// nullopt when the bytes are no PE32 or PE32+ image; a resource directory that does not
// hold together gives an image without an HII resource, as the firmware's loader treats it.
std::optional<PE_IMAGE_INFO> ReadPeImage (std::span<const UINT8> File);

}  // namespace Emu

#endif

// Win32 resource (.res) writer: lld-link turns a .res input into the image's resource
// section. Real firmware installs the HII package-list protocol on a driver's image
// handle from a resource of type "HII" there, so this is how the driver's own package
// list reaches the firmware.
#pragma once

#include <cstdint>
#include <string_view>

#include "FvWriter.h"

namespace fvwriter {

inline constexpr uint16_t kLanguageEnUs = 0x0409;

// A .res file holding one resource: a named type, a numeric name and a language.
Bytes
MakeResourceFile (
  IN std::u16string_view  Type,
  IN uint16_t             NameId,
  IN uint16_t             Language,
  IN const Bytes          &Data
  );

// The driver's HII resource: type "HII", name 1, en-US, the package list as its data.
inline Bytes
MakeHiiResourceFile (
  IN const Bytes  &PackageList
  )
{
  return MakeResourceFile (u"HII", 1, kLanguageEnUs, PackageList);
}

// The package list with a GUID package (the GUID, then `Data`) put before its end
// package, and the list's length made whole again. A driver that the firmware loads from
// a file has no firmware file to read sections from: what it would read there travels in
// its package list, which the image's signature covers.
Bytes
AddGuidPackage (
  IN const Bytes  &PackageList,
  IN const Guid   &Name,
  IN const Bytes  &Data
  );

}  // namespace fvwriter

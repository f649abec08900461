// String packages from any bytes: a package that decodes must encode into one that decodes
// to the same strings.
#include <EmulatorHii/StringPackage.h>

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int
LLVMFuzzerTestOneInput (const uint8_t *Data, size_t Size)
{
  Emu::STRING_PACKAGE  Package;

  if (Emu::DecodeStringPackage (Data, Size, &Package) != EFI_SUCCESS) {
    return 0;
  }
  std::vector<UINT8>   Encoded = Emu::EncodeStringPackage (Package);
  Emu::STRING_PACKAGE  Again;
  if ((Emu::DecodeStringPackage (Encoded.data (), Encoded.size (), &Again) != EFI_SUCCESS) ||
      (Again.Strings != Package.Strings)) {
    __builtin_trap ();
  }
  return 0;
}

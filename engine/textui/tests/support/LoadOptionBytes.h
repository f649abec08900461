// Bytes of load options and u16 lists as NVRAM holds them, for the boot tests.
#ifndef ENGINE_TEXTUI_TESTS_SUPPORT_LOAD_OPTION_BYTES_H_
#define ENGINE_TEXTUI_TESTS_SUPPORT_LOAD_OPTION_BYTES_H_

#include <Uefi.h>

#include <string>
#include <vector>

namespace BootTest {

using BYTES = std::vector<UINT8>;

constexpr UINT32  kNvBsRt = EFI_VARIABLE_NON_VOLATILE | EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_RUNTIME_ACCESS;
inline const EFI_GUID  kBootFlowGuid = { 0xEF152FB4, 0x7B2F, 0x427D, { 0xBD, 0xB4, 0x7E, 0x0A, 0x05, 0x82, 0x6E, 0x64 } };

inline BYTES
LoadOption (UINT32 Attributes, const std::u16string &Description, const BYTES &Path, const BYTES &Optional = {})
{
  BYTES  Bytes = { (UINT8)Attributes, (UINT8)(Attributes >> 8), (UINT8)(Attributes >> 16), (UINT8)(Attributes >> 24),
                   (UINT8)Path.size (), (UINT8)(Path.size () >> 8) };
  for (char16_t C : Description) {
    Bytes.push_back ((UINT8)C);
    Bytes.push_back ((UINT8)(C >> 8));
  }
  Bytes.insert (Bytes.end (), { 0, 0 });
  Bytes.insert (Bytes.end (), Path.begin (), Path.end ());
  Bytes.insert (Bytes.end (), Optional.begin (), Optional.end ());
  return Bytes;
}

inline BYTES
U16List (const std::vector<UINT16> &Numbers)
{
  BYTES  Bytes;
  for (UINT16 N : Numbers) {
    Bytes.push_back ((UINT8)N);
    Bytes.push_back ((UINT8)(N >> 8));
  }
  return Bytes;
}

}  // namespace BootTest

#endif

/** @file
  GUID helpers for the emulator: comparison for ordered maps and the registry
  form ("8BE4DF61-93CA-11D2-AA0D-00E098032B8C") used by logs and the program.
**/
#ifndef EMULATOR_GUID_H_
#define EMULATOR_GUID_H_

#include <Uefi.h>

#include <cstring>
#include <optional>
#include <string>

namespace Emu {

inline bool
GuidEqual (const EFI_GUID &A, const EFI_GUID &B)
{
  return std::memcmp (&A, &B, sizeof (EFI_GUID)) == 0;
}

struct GUID_LESS {
  bool operator() (const EFI_GUID &A, const EFI_GUID &B) const
  {
    return std::memcmp (&A, &B, sizeof (EFI_GUID)) < 0;
  }
};

std::string GuidToString (const EFI_GUID &Guid);

// Parses the registry form; nullopt when the text is not exactly one GUID.
std::optional<EFI_GUID> GuidFromString (const std::string &Text);

// UTF-16 <-> UTF-8 for names in logs and files; unpaired surrogates become U+FFFD.
std::string    Utf16ToUtf8 (const std::u16string &Text);
std::u16string Utf8ToUtf16 (const std::string &Text);

}  // namespace Emu

#endif

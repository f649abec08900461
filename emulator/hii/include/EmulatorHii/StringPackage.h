/** @file
  String packages as the emulated HII database keeps them: decoded into a map from
  string id to text per language, and encoded back into UCS-2 string blocks when a
  package changed. Decoding is bounded by the package length; a malformed package
  gives a status, never a read past its end.
**/
#ifndef EMULATOR_HII_STRING_PACKAGE_H_
#define EMULATOR_HII_STRING_PACKAGE_H_

#include <Uefi.h>
#include <Uefi/UefiHii.h>

#include <array>
#include <map>
#include <string>
#include <vector>

namespace Emu {

struct STRING_PACKAGE {
  std::string                              Language;       // RFC 4646 tag, e.g. "en-US"
  std::array<CHAR16, 16>                   LanguageWindow{};
  EFI_STRING_ID                            LanguageName = 0;
  std::map<EFI_STRING_ID, std::u16string>  Strings;        // ids absent here were skipped
  EFI_STRING_ID                            LastId = 0;     // highest id the blocks reached, skips included
  UINTN                                    DecodedUnits = 0;  // code units of text decoded, duplicates included
};

// Decodes a whole string package, header included. SCSU text is taken as 8-bit
// characters, which is exact for the ASCII that firmware string packages hold.
// EFI_INVALID_PARAMETER when a header, block or text runs past Size, the block list
// has no end block, or the text (duplicates included) would pass 8 Mi code units, the
// most a package of the largest size could hold; Out is then unspecified.
EFI_STATUS DecodeStringPackage (const UINT8 *Package, UINTN Size, STRING_PACKAGE *Out);

// One UCS-2 block per string, skip blocks for the gaps, an end block.
std::vector<UINT8> EncodeStringPackage (const STRING_PACKAGE &Package);

// Case-insensitive comparison of two language tags.
bool LanguageEqual (const std::string &A, const std::string &B);

// The primary language of a package's language field: the tag before any ";",
// after which the package names its secondary languages.
std::string PrimaryLanguage (const std::string &Field);

}  // namespace Emu

#endif

/** @file
  Bounded decoders for HII package lists, string packages and IFR opcode streams.

  The builders' tests use them to read back what was built, and the emulator may use
  them to serve strings. Every walk checks that a unit's header fits, that its length
  is at least its header, and that it does not run past its container; the first
  violation ends the walk with a message in Error.
**/
#ifndef BUILDERS_HII_DECODE_H_
#define BUILDERS_HII_DECODE_H_

#include <Uefi/UefiHii.h>

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

namespace Builders {

struct HII_PACKAGE_VIEW {
  uint8_t                   Type = 0;
  size_t                    Offset = 0;      // from the start of the buffer given
  std::span<const uint8_t>  Bytes;           // the whole package, header included
};

struct HII_PACKAGE_LIST_VIEW {
  EFI_GUID                       Guid {};
  size_t                         Offset = 0;
  uint32_t                       Length = 0;
  std::vector<HII_PACKAGE_VIEW>  Packages;   // END package included
};

struct HII_EXPORT_VIEW {
  std::vector<HII_PACKAGE_LIST_VIEW>  Lists;
  std::string                         Error; // empty when every length was consistent
};

// Package lists back to back, as ExportPackageLists returns them.
HII_EXPORT_VIEW SplitPackageLists (std::span<const uint8_t> Buffer);

struct DECODED_STRING_PACKAGE {
  std::string                              Language;
  EFI_STRING_ID                            LanguageName = 0;
  std::map<EFI_STRING_ID, std::u16string>  Strings;     // UCS-2 and SCSU (ASCII) texts
  std::map<EFI_STRING_ID, EFI_STRING_ID>   Duplicates;  // id -> the id it repeats
  std::map<EFI_STRING_ID, uint8_t>         Fonts;
  std::map<uint8_t, uint32_t>              BlockCounts; // block type -> blocks seen
  EFI_STRING_ID                            LastId = 0;
  std::string                              Error;

  // Text of Id, following duplicates; nullptr when the id holds no string.
  const std::u16string *Find (EFI_STRING_ID Id) const;
};

DECODED_STRING_PACKAGE DecodeStringPackage (std::span<const uint8_t> Package);

struct IFR_OP_VIEW {
  uint8_t                   OpCode = 0;
  uint8_t                   Length = 0;
  bool                      Scope = false;
  int                       Depth = 0;       // scope depth the opcode sits at
  size_t                    Offset = 0;      // from the package start
  std::span<const uint8_t>  Bytes;           // the whole opcode
};

struct IFR_DECODE_RESULT {
  std::vector<IFR_OP_VIEW>  Ops;
  int                       OpenScopes = 0;  // left open at the end
  std::string               Error;
};

// The opcodes of a forms package (package header included in Package).
IFR_DECODE_RESULT DecodeIfr (std::span<const uint8_t> Package);

}  // namespace Builders

#endif

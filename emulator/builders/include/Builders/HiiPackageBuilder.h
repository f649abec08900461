/** @file
  String packages and package lists in the UEFI HII layout.

  StringPackageBuilder writes string blocks one at a time, so a test can place skip,
  duplicate, font and extended blocks exactly where it wants them; the string id of
  each block is the running id the HII rules give it. BuildStringPackage lays out a
  whole id-to-text table with the fewest blocks (skip blocks over gaps).
**/
#ifndef BUILDERS_HII_PACKAGE_BUILDER_H_
#define BUILDERS_HII_PACKAGE_BUILDER_H_

#include <Builders/ByteWriter.h>
#include <Uefi/UefiHii.h>

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace Builders {

class StringPackageBuilder {
public:
  // Language: RFC 4646 tag ("en-US"); LanguageName: the id of the language's own name.
  StringPackageBuilder (std::string Language, EFI_STRING_ID LanguageName);

  // The id the next string block gives its (first) string.
  EFI_STRING_ID NextId () const { return mNextId; }

  EFI_STRING_ID AddString (std::u16string_view Text);                      // SIBT_STRING_UCS2
  EFI_STRING_ID AddStringFont (uint8_t FontId, std::u16string_view Text);  // SIBT_STRING_UCS2_FONT
  EFI_STRING_ID AddStrings (const std::vector<std::u16string> &Texts);     // SIBT_STRINGS_UCS2
  EFI_STRING_ID AddStringsFont (uint8_t FontId, const std::vector<std::u16string> &Texts);
  EFI_STRING_ID AddStringScsu (std::string_view Text);                     // SIBT_STRING_SCSU (ASCII range)
  EFI_STRING_ID AddStringsScsu (const std::vector<std::string> &Texts);
  EFI_STRING_ID Duplicate (EFI_STRING_ID Of);                              // SIBT_DUPLICATE
  void Skip1 (uint8_t Count);
  void Skip2 (uint16_t Count);
  void Skip (uint32_t Count);                                              // SKIP1/SKIP2 as needed
  // EXT1/EXT2/EXT4 blocks that carry no string (readers step over them by length).
  void Ext (uint8_t BlockType, uint8_t BlockType2, std::span<const uint8_t> Data);
  void Font (uint8_t FontId, uint16_t FontSize, EFI_HII_FONT_STYLE Style, std::u16string_view Name);
  void RawBlock (std::span<const uint8_t> Bytes);

  // The package: header, language, blocks, SIBT_END.
  BYTES Package () const;

private:
  std::string    mLanguage;
  EFI_STRING_ID  mLanguageName;
  EFI_STRING_ID  mNextId = 1;
  BYTES          mBlocks;
};

// A whole table: ids in ascending order, gaps covered by skip blocks.
BYTES BuildStringPackage (const std::string &Language, EFI_STRING_ID LanguageName, const std::map<EFI_STRING_ID, std::u16string> &Strings);

// Package list: header (GUID, total length), the packages as given, END package.
class PackageListBuilder {
public:
  explicit PackageListBuilder (const EFI_GUID &Guid) : mGuid (Guid) {}

  PackageListBuilder &Add (std::span<const uint8_t> Package);
  BYTES Build () const;

private:
  EFI_GUID  mGuid;
  BYTES     mPackages;
};

// A package of any type with the given body (header written here).
BYTES BuildPackage (uint8_t Type, std::span<const uint8_t> Body);

}  // namespace Builders

#endif

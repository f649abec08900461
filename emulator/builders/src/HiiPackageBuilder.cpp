#include <Builders/HiiPackageBuilder.h>

#include <stdexcept>

namespace Builders {

namespace {

void
AppendText (BYTES &Out, const std::u16string &Text)
{
  AppendUcs2z (Out, Text);
}

void
AppendText (BYTES &Out, const std::string &Text)
{
  AppendAsciiz (Out, Text);
}

// The count and texts of a STRINGS block (UCS-2 or SCSU); returns the first id and
// moves NextId past the texts.
template <class TEXT>
EFI_STRING_ID
AppendCountedTexts (BYTES &Blocks, EFI_STRING_ID &NextId, const std::vector<TEXT> &Texts)
{
  EFI_STRING_ID  First = NextId;

  AppendU16 (Blocks, (uint16_t)Texts.size ());
  for (const TEXT &Text : Texts) {
    AppendText (Blocks, Text);
  }

  NextId = (EFI_STRING_ID)(NextId + Texts.size ());
  return First;
}

}  // namespace

StringPackageBuilder::StringPackageBuilder (std::string Language, EFI_STRING_ID LanguageName)
    : mLanguage (std::move (Language)), mLanguageName (LanguageName)
{
}

EFI_STRING_ID
StringPackageBuilder::AddString (std::u16string_view Text)
{
  AppendU8 (mBlocks, EFI_HII_SIBT_STRING_UCS2);
  AppendUcs2z (mBlocks, Text);
  return mNextId++;
}

EFI_STRING_ID
StringPackageBuilder::AddStringFont (uint8_t FontId, std::u16string_view Text)
{
  AppendU8 (mBlocks, EFI_HII_SIBT_STRING_UCS2_FONT);
  AppendU8 (mBlocks, FontId);
  AppendUcs2z (mBlocks, Text);
  return mNextId++;
}

EFI_STRING_ID
StringPackageBuilder::AddStrings (const std::vector<std::u16string> &Texts)
{
  AppendU8 (mBlocks, EFI_HII_SIBT_STRINGS_UCS2);
  return AppendCountedTexts (mBlocks, mNextId, Texts);
}

EFI_STRING_ID
StringPackageBuilder::AddStringsFont (uint8_t FontId, const std::vector<std::u16string> &Texts)
{
  AppendU8 (mBlocks, EFI_HII_SIBT_STRINGS_UCS2_FONT);
  AppendU8 (mBlocks, FontId);
  return AppendCountedTexts (mBlocks, mNextId, Texts);
}

EFI_STRING_ID
StringPackageBuilder::AddStringScsu (std::string_view Text)
{
  AppendU8 (mBlocks, EFI_HII_SIBT_STRING_SCSU);
  AppendAsciiz (mBlocks, Text);
  return mNextId++;
}

EFI_STRING_ID
StringPackageBuilder::AddStringsScsu (const std::vector<std::string> &Texts)
{
  AppendU8 (mBlocks, EFI_HII_SIBT_STRINGS_SCSU);
  return AppendCountedTexts (mBlocks, mNextId, Texts);
}

EFI_STRING_ID
StringPackageBuilder::Duplicate (EFI_STRING_ID Of)
{
  AppendU8 (mBlocks, EFI_HII_SIBT_DUPLICATE);
  AppendU16 (mBlocks, Of);
  return mNextId++;
}

void
StringPackageBuilder::Skip1 (uint8_t Count)
{
  AppendU8 (mBlocks, EFI_HII_SIBT_SKIP1);
  AppendU8 (mBlocks, Count);
  mNextId = (EFI_STRING_ID)(mNextId + Count);
}

void
StringPackageBuilder::Skip2 (uint16_t Count)
{
  AppendU8 (mBlocks, EFI_HII_SIBT_SKIP2);
  AppendU16 (mBlocks, Count);
  mNextId = (EFI_STRING_ID)(mNextId + Count);
}

void
StringPackageBuilder::Skip (uint32_t Count)
{
  if (Count == 0) {
    return;
  }

  if (Count <= 0xFF) {
    Skip1 ((uint8_t)Count);
  } else if (Count <= 0xFFFF) {
    Skip2 ((uint16_t)Count);
  } else {
    throw std::invalid_argument ("string ids are 16 bits");
  }
}

void
StringPackageBuilder::Ext (uint8_t BlockType, uint8_t BlockType2, std::span<const uint8_t> Data)
{
  AppendU8 (mBlocks, BlockType);
  AppendU8 (mBlocks, BlockType2);
  switch (BlockType) {
    case EFI_HII_SIBT_EXT1:
      if (Data.size () + 3 > 0xFF) {
        throw std::length_error ("EXT1 block too long");
      }

      AppendU8 (mBlocks, (uint8_t)(Data.size () + 3));
      break;
    case EFI_HII_SIBT_EXT2:
      if (Data.size () + 4 > 0xFFFF) {
        throw std::length_error ("EXT2 block too long");
      }

      AppendU16 (mBlocks, (uint16_t)(Data.size () + 4));
      break;
    case EFI_HII_SIBT_EXT4:
      AppendU32 (mBlocks, (uint32_t)(Data.size () + 6));
      break;
    default:
      throw std::invalid_argument ("not an extended block type");
  }

  AppendBytes (mBlocks, Data);
}

void
StringPackageBuilder::Font (uint8_t FontId, uint16_t FontSize, EFI_HII_FONT_STYLE Style, std::u16string_view Name)
{
  BYTES  Data;

  AppendU8 (Data, FontId);
  AppendU16 (Data, FontSize);
  AppendU32 (Data, Style);
  AppendUcs2z (Data, Name);
  Ext (EFI_HII_SIBT_EXT2, EFI_HII_SIBT_FONT, Data);
}

void
StringPackageBuilder::RawBlock (std::span<const uint8_t> Bytes)
{
  AppendBytes (mBlocks, Bytes);
}

BYTES
StringPackageBuilder::Package () const
{
  BYTES     Body;
  uint32_t  HdrSize = (uint32_t)(EFI_HII_STRING_PACKAGE_FIXED_SIZE + mLanguage.size () + 1);

  AppendU32 (Body, HdrSize);
  AppendU32 (Body, HdrSize);             // the blocks follow the header directly
  for (int Index = 0; Index < 16; Index++) {
    AppendU16 (Body, 0);                 // LanguageWindow: no SCSU windows preset
  }

  AppendU16 (Body, mLanguageName);
  AppendAsciiz (Body, mLanguage);
  AppendBytes (Body, mBlocks);
  AppendU8 (Body, EFI_HII_SIBT_END);
  return BuildPackage (EFI_HII_PACKAGE_STRINGS, Body);
}

BYTES
BuildStringPackage (const std::string &Language, EFI_STRING_ID LanguageName, const std::map<EFI_STRING_ID, std::u16string> &Strings)
{
  StringPackageBuilder  Builder (Language, LanguageName);

  for (const auto &[Id, Text] : Strings) {
    if (Id == 0) {
      throw std::invalid_argument ("string id 0 is reserved");
    }

    Builder.Skip ((uint32_t)(Id - Builder.NextId ()));
    Builder.AddString (Text);
  }

  return Builder.Package ();
}

BYTES
BuildPackage (uint8_t Type, std::span<const uint8_t> Body)
{
  BYTES  Out;

  if (Body.size () + 4 > EFI_HII_PACKAGE_MAX_LENGTH) {
    throw std::length_error ("package longer than 24 bits");
  }

  AppendU24 (Out, (uint32_t)(Body.size () + 4));
  AppendU8 (Out, Type);
  AppendBytes (Out, Body);
  return Out;
}

PackageListBuilder &
PackageListBuilder::Add (std::span<const uint8_t> Package)
{
  AppendBytes (mPackages, Package);
  return *this;
}

BYTES
PackageListBuilder::Build () const
{
  BYTES  Out;

  AppendGuid (Out, mGuid);
  AppendU32 (Out, (uint32_t)(sizeof (EFI_HII_PACKAGE_LIST_HEADER) + mPackages.size () + 4));
  AppendBytes (Out, mPackages);
  AppendU24 (Out, 4);
  AppendU8 (Out, EFI_HII_PACKAGE_END);
  return Out;
}

}  // namespace Builders

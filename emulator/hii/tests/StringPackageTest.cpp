// String-package decoding and encoding: every block type the database meets, ids
// across skips and duplicates, and refusal of packages that run past their end.
#include <EmulatorHii/StringPackage.h>

#include <Builders/HiiPackageBuilder.h>

#include <gtest/gtest.h>

namespace {

using Builders::BYTES;
using Builders::StringPackageBuilder;
using Emu::STRING_PACKAGE;

TEST (StringPackage, IdsFollowSkipDuplicateAndMultiStringBlocks)
{
  StringPackageBuilder  Builder ("fr-FR", 1);
  Builder.AddString (u"Langue");                   // 1
  Builder.Skip1 (2);                               // 2, 3
  Builder.AddStrings ({ u"Quatre", u"Cinq" });     // 4, 5
  Builder.Duplicate (4);                           // 6
  Builder.Skip2 (300);                             // 7 .. 306
  Builder.AddStringFont (1, u"Police");            // 307
  Builder.AddStringScsu ("Ascii");                 // 308
  Builder.Font (1, 19, EFI_HII_FONT_STYLE_NORMAL, u"");  // extended block, no id
  Builder.AddStringsFont (1, { u"A", u"B" });      // 309, 310
  BYTES  Bytes = Builder.Package ();

  STRING_PACKAGE  Package;
  ASSERT_EQ (Emu::DecodeStringPackage (Bytes.data (), Bytes.size (), &Package), EFI_SUCCESS);
  EXPECT_EQ (Package.Language, "fr-FR");
  EXPECT_EQ (Package.LanguageName, 1);
  EXPECT_EQ (Package.Strings.at (1), u"Langue");
  EXPECT_EQ (Package.Strings.count (2), 0u);
  EXPECT_EQ (Package.Strings.at (5), u"Cinq");
  EXPECT_EQ (Package.Strings.at (6), u"Quatre");
  EXPECT_EQ (Package.Strings.count (306), 0u);
  EXPECT_EQ (Package.Strings.at (307), u"Police");
  EXPECT_EQ (Package.Strings.at (308), u"Ascii");
  EXPECT_EQ (Package.Strings.at (310), u"B");
  EXPECT_EQ (Package.LastId, 310);
}

// The last id is that of the last string, or past it (a trailing skip keeps it).
TEST (StringPackage, EncodedPackageDecodesToTheSameTable)
{
  for (EFI_STRING_ID LastId : { 65000, 65009 }) {
    STRING_PACKAGE  Original;
    Original.Language       = "en-US";
    Original.LanguageName   = 1;
    Original.Strings[1]     = u"English";
    Original.Strings[2]     = u"";
    Original.Strings[600]   = u"Far";
    Original.Strings[65000] = u"Farther";
    Original.LastId         = LastId;
    auto  Bytes = Emu::EncodeStringPackage (Original);

    STRING_PACKAGE  Decoded;
    ASSERT_EQ (Emu::DecodeStringPackage (Bytes.data (), Bytes.size (), &Decoded), EFI_SUCCESS);
    EXPECT_EQ (Decoded.Strings, Original.Strings);
    EXPECT_EQ (Decoded.Language, "en-US");
    EXPECT_EQ (Decoded.LastId, LastId);
  }
}

TEST (StringPackage, EveryTruncationIsRefusedWithoutReadingPastTheEnd)
{
  StringPackageBuilder  Builder ("en-US", 1);
  Builder.AddString (u"Hello");
  Builder.AddStrings ({ u"x", u"yz" });
  Builder.Duplicate (1);
  Builder.Skip2 (4);
  BYTES  Bytes = Builder.Package ();

  for (size_t Cut = 0; Cut < Bytes.size (); Cut++) {
    // The copy is exactly Cut bytes long, so the sanitizer sees any overrun.
    std::vector<UINT8>  Short (Bytes.begin (), Bytes.begin () + Cut);
    if (Cut >= 3) {
      HiiWriteUint24 (Short.data (), (UINT32)Cut);
    }
    STRING_PACKAGE  Package;
    EXPECT_EQ (Emu::DecodeStringPackage (Short.data (), Short.size (), &Package), EFI_INVALID_PARAMETER)
      << "cut at " << Cut;
  }
}

TEST (StringPackage, BadHeaderOffsetsAndBlockTypesAreRefused)
{
  const BYTES  Good = Builders::BuildStringPackage ("en-US", 1, { { 1, u"A" } });
  const struct { const char *Name; size_t At; UINT8 Value; } Cases[] = {
    { "string info offset past the package", 8, 200 },
    { "header size inside the fixed header", 4, 40 },
    { "unknown block type where the end block was", Good.size () - 1, 0x7E },
    { "not a string package", 3, EFI_HII_PACKAGE_FORMS },
  };

  for (const auto &Case : Cases) {
    BYTES           Bad = Good;
    STRING_PACKAGE  Package;
    Bad[Case.At] = Case.Value;
    EXPECT_EQ (Emu::DecodeStringPackage (Bad.data (), Bad.size (), &Package), EFI_INVALID_PARAMETER) << Case.Name;
  }
}

TEST (StringPackage, ExtendedBlockShorterThanItsHeaderIsRefused)
{
  StringPackageBuilder  Builder ("en-US", 1);
  const UINT8           Short[] = { EFI_HII_SIBT_EXT1, EFI_HII_SIBT_FONT, 2 };  // length 2 < its 3-byte header
  Builder.RawBlock (Short);
  BYTES           Bytes = Builder.Package ();
  STRING_PACKAGE  Package;
  EXPECT_EQ (Emu::DecodeStringPackage (Bytes.data (), Bytes.size (), &Package), EFI_INVALID_PARAMETER);
}

TEST (StringPackage, LanguageTagsCompareWithoutCase)
{
  EXPECT_TRUE (Emu::LanguageEqual ("en-US", "EN-us"));
  EXPECT_FALSE (Emu::LanguageEqual ("en-US", "en"));
  EXPECT_FALSE (Emu::LanguageEqual ("en-US", "en-UK"));
}

BYTES
OneStringAndDuplicates (size_t Length, int Duplicates)
{
  StringPackageBuilder  Builder ("en-US", 1);
  Builder.AddStringScsu (std::string (Length, 'A'));
  for (int Index = 0; Index < Duplicates; Index++) {
    Builder.Duplicate (1);
  }
  return Builder.Package ();
}

// 120 KB: one 30,000-character string and 30,000 duplicates of it decoded to 1.8 GB of text.
TEST (StringPackage, DuplicatesCannotDecodeToMoreTextThanAPackageHolds)
{
  BYTES           Bytes = OneStringAndDuplicates (30000, 30000);
  STRING_PACKAGE  Package;
  ASSERT_LT (Bytes.size (), 130000u);
  EXPECT_EQ (Emu::DecodeStringPackage (Bytes.data (), Bytes.size (), &Package), EFI_INVALID_PARAMETER);
}

// 256 copies of 32,768 characters are the 8 Mi code units a package may decode to; one
// more copy is refused.
TEST (StringPackage, DecodedTextStopsAtEightMebiUnits)
{
  BYTES           Fits = OneStringAndDuplicates (32768, 255);
  STRING_PACKAGE  Package;
  ASSERT_EQ (Emu::DecodeStringPackage (Fits.data (), Fits.size (), &Package), EFI_SUCCESS);
  EXPECT_EQ (Package.Strings.at (256).size (), 32768u);
  BYTES  Over = OneStringAndDuplicates (32768, 256);
  EXPECT_EQ (Emu::DecodeStringPackage (Over.data (), Over.size (), &Package), EFI_INVALID_PARAMETER);
}

}  // namespace

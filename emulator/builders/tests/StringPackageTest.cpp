// String packages and package lists: the header fields, the running string ids of
// every block kind, and the package-list framing.
#include <Builders/HiiDecode.h>
#include <Builders/HiiPackageBuilder.h>

#include <gtest/gtest.h>

#include <cstring>

using namespace Builders;

namespace {

const EFI_GUID  kList = MakeGuid ("0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0");

}  // namespace

TEST (StringPackage, HeaderCarriesLanguageAndOffsets)
{
  StringPackageBuilder  B ("fr-FR", 7);
  B.AddString (u"Activ\u00e9");
  BYTES  P = B.Package ();

  EXPECT_EQ (HiiGetPackageType (P.data ()), EFI_HII_PACKAGE_STRINGS);
  EXPECT_EQ (HiiGetPackageLength (P.data ()), P.size ());
  EXPECT_EQ (GetU32 (P, 4), EFI_HII_STRING_PACKAGE_FIXED_SIZE + 6u);   // "fr-FR" and its NUL
  EXPECT_EQ (GetU32 (P, 8), GetU32 (P, 4));
  EXPECT_EQ (GetU16 (P, 44), 7);
  EXPECT_EQ (std::string ((const char *)&P[46]), "fr-FR");
  EXPECT_EQ (P[GetU32 (P, 8)], EFI_HII_SIBT_STRING_UCS2);
  EXPECT_EQ (P.back (), EFI_HII_SIBT_END);
  // 1 block type + 7 UTF-16 units with the terminator, then SIBT_END.
  EXPECT_EQ (P.size (), GetU32 (P, 8) + 1 + 14 + 1);
}

// Each block kind advances the string id the way the HII rules say.
TEST (StringPackage, EveryBlockKindKeepsTheRunningId)
{
  StringPackageBuilder  B ("en-US", 0);

  EXPECT_EQ (B.AddString (u"one"), 1);
  B.Skip1 (2);                                          // 2, 3 empty
  EXPECT_EQ (B.AddStringFont (1, u"four"), 4);
  EXPECT_EQ (B.AddStrings ({ u"five", u"six" }), 5);
  EXPECT_EQ (B.Duplicate (1), 7);
  B.Skip2 (300);                                        // 8 .. 307 empty
  EXPECT_EQ (B.AddStringScsu ("ascii"), 308);
  B.Font (1, 19, EFI_HII_FONT_STYLE_BOLD, u"sysfont");  // no string id
  B.Ext (EFI_HII_SIBT_EXT1, 0x77, std::vector<uint8_t> { 1, 2 });
  B.Ext (EFI_HII_SIBT_EXT4, 0x78, std::vector<uint8_t> { 3 });
  EXPECT_EQ (B.AddStringsFont (2, { u"a", u"b" }), 309);
  EXPECT_EQ (B.AddStringsScsu ({ "c" }), 311);

  DECODED_STRING_PACKAGE  D = DecodeStringPackage (B.Package ());

  ASSERT_EQ (D.Error, "");
  EXPECT_EQ (D.Language, "en-US");
  EXPECT_EQ (D.LastId, 311);
  EXPECT_EQ (*D.Find (1), u"one");
  EXPECT_EQ (D.Find (2), nullptr);
  EXPECT_EQ (*D.Find (4), u"four");
  EXPECT_EQ (D.Fonts.at (4), 1);
  EXPECT_EQ (*D.Find (6), u"six");
  EXPECT_EQ (*D.Find (7), u"one");
  EXPECT_EQ (D.Find (8), nullptr);
  EXPECT_EQ (*D.Find (308), u"ascii");
  EXPECT_EQ (*D.Find (310), u"b");
  EXPECT_EQ (D.Fonts.at (310), 2);
  EXPECT_EQ (*D.Find (311), u"c");
  EXPECT_EQ (D.BlockCounts.at (EFI_HII_SIBT_EXT2), 1u);
  EXPECT_EQ (D.BlockCounts.at (EFI_HII_SIBT_EXT4), 1u);
}

TEST (StringPackage, WholeTableUsesSkipBlocksOverGaps)
{
  std::map<EFI_STRING_ID, std::u16string>  Table { { 1, u"a" }, { 5, u"e" }, { 400, u"z" } };
  BYTES                    P = BuildStringPackage ("de-DE", 0, Table);
  DECODED_STRING_PACKAGE   D = DecodeStringPackage (P);

  ASSERT_EQ (D.Error, "");
  EXPECT_EQ (D.Strings, Table);
  EXPECT_EQ (D.BlockCounts.at (EFI_HII_SIBT_SKIP1), 1u);
  EXPECT_EQ (D.BlockCounts.at (EFI_HII_SIBT_SKIP2), 1u);
  EXPECT_EQ (D.LastId, 400);
}

TEST (StringPackage, DecoderStopsAtATruncatedString)
{
  StringPackageBuilder  B ("en-US", 0);
  B.RawBlock (std::vector<uint8_t> { EFI_HII_SIBT_STRING_UCS2, 'x', 0 });   // no terminator follows
  BYTES  P = B.Package ();

  P.pop_back ();                                        // drop SIBT_END
  HiiSetPackageHeader (P.data (), (uint32_t)P.size (), EFI_HII_PACKAGE_STRINGS);
  EXPECT_EQ (DecodeStringPackage (P).Error, "unterminated string");
}

TEST (PackageList, HeaderLengthCoversPackagesAndEnd)
{
  BYTES  Forms   = BuildPackage (EFI_HII_PACKAGE_FORMS, std::vector<uint8_t> { 0x29, 0x02 });
  BYTES  Strings = BuildStringPackage ("en-US", 0, { { 1, u"x" } });
  BYTES  List    = PackageListBuilder (kList).Add (Forms).Add (Strings).Build ();

  EXPECT_TRUE (SameGuid (GetGuid (List, 0), kList));
  EXPECT_EQ (GetU32 (List, 16), List.size ());
  EXPECT_EQ (List.size (), 20 + Forms.size () + Strings.size () + 4);
  EXPECT_EQ (GetU32 (List, List.size () - 4), 0xDF000004u);

  HII_EXPORT_VIEW  View = SplitPackageLists (List);
  ASSERT_EQ (View.Error, "");
  ASSERT_EQ (View.Lists.size (), 1u);
  ASSERT_EQ (View.Lists[0].Packages.size (), 3u);
  EXPECT_EQ (View.Lists[0].Packages[0].Type, EFI_HII_PACKAGE_FORMS);
  EXPECT_EQ (View.Lists[0].Packages[1].Type, EFI_HII_PACKAGE_STRINGS);
  EXPECT_EQ (View.Lists[0].Packages[2].Type, EFI_HII_PACKAGE_END);
}

TEST (PackageList, SplitRefusesInconsistentLengths)
{
  BYTES  List = PackageListBuilder (kList).Add (BuildPackage (EFI_HII_PACKAGE_FORMS, {})).Build ();
  BYTES  Long = List;

  PutU32 (Long, 16, (uint32_t)List.size () + 1);
  EXPECT_EQ (SplitPackageLists (Long).Error, "package list length out of range");

  BYTES  BadPackage = List;
  HiiSetPackageHeader (&BadPackage[20], 3, EFI_HII_PACKAGE_FORMS);
  EXPECT_EQ (SplitPackageLists (BadPackage).Error, "package length out of range");

  BYTES  NoEnd = List;
  NoEnd.resize (NoEnd.size () - 4);
  PutU32 (NoEnd, 16, (uint32_t)NoEnd.size ());
  EXPECT_EQ (SplitPackageLists (NoEnd).Error, "package list without END package");
}

// Bit-field order is the compiler's choice: the packed headers must still put the
// 24-bit length in the low bytes and the type in the top byte.
TEST (PackageList, PackageHeaderBitFieldsMatchTheByteReaders)
{
  BYTES                   Package = BuildPackage (EFI_HII_PACKAGE_SIMPLE_FONTS, std::vector<uint8_t> (0x12345, 0));
  EFI_HII_PACKAGE_HEADER  Header;

  std::memcpy (&Header, Package.data (), sizeof (Header));
  EXPECT_EQ (Header.Length, 0x12349u);
  EXPECT_EQ (Header.Type, (uint32_t)EFI_HII_PACKAGE_SIMPLE_FONTS);
  EXPECT_EQ (HiiGetPackageLength (Package.data ()), 0x12349u);
  EXPECT_EQ (HiiGetPackageType (Package.data ()), EFI_HII_PACKAGE_SIMPLE_FONTS);
}

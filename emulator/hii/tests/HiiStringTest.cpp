// HII String: two-call reads, one id for the whole list after NewString, SetString
// per language, GetLanguages, and the statuses for a missing language or id.
#include "HiiFixture.h"

#include <Builders/HiiDecode.h>
#include <Builders/HiiPackageBuilder.h>
#include <EmulatorHii/StringPackage.h>
#include <Guid/GlobalVariable.h>

namespace {

using Builders::BYTES;
using Builders::BuildStringPackage;

const EFI_GUID  kListGuid = { 0xABCDEF01, 0x2345, 0x6789, { 1, 3, 5, 7, 9, 11, 13, 15 } };

class HiiString : public HiiTest::HiiFixture {
protected:
  void SetUp () override
  {
    HiiFixture::SetUp ();
    Builders::StringPackageBuilder  French ("fr-FR", 1);
    French.AddString (u"Fran\u00e7ais");
    French.Skip1 (1);
    French.AddString (u"D\u00e9sactiv\u00e9");
    Handle = Add (Builders::PackageListBuilder (kListGuid)
                    .Add (BuildStringPackage ("en-US", 1, { { 1, u"English" }, { 2, u"Enabled" }, { 3, u"Disabled" } }))
                    .Add (French.Package ())
                    .Add (BuildStringPackage ("de-DE", 1, { { 1, u"Deutsch" }, { 2, u"Aktiviert" }, { 3, u"Deaktiviert" } }))
                    .Build ());
  }

  std::u16string Read (const char *Language, EFI_STRING_ID Id, EFI_STATUS *Status = nullptr)
  {
    return ReadString (Handle, Language, Id, Status);
  }

  EFI_HII_HANDLE  Handle = nullptr;
};

TEST_F (HiiString, GetStringIsTwoCallAndSizesIncludeTheTerminator)
{
  UINTN   Size = 0;
  CHAR16  Small[4];

  EXPECT_EQ (String->GetString (String, "en-US", Handle, 2, nullptr, &Size, nullptr), EFI_BUFFER_TOO_SMALL);
  EXPECT_EQ (Size, 16u);  // "Enabled" and its terminator
  Size = sizeof (Small);
  EXPECT_EQ (String->GetString (String, "en-US", Handle, 2, Small, &Size, nullptr), EFI_BUFFER_TOO_SMALL);
  EXPECT_EQ (Size, 16u);
  EXPECT_EQ (Read ("en-US", 2), u"Enabled");
  EXPECT_EQ (Read ("EN-us", 3), u"Disabled");
  EXPECT_EQ (Read ("fr-FR", 3), u"D\u00e9sactiv\u00e9");
  Size = 0;
  EXPECT_EQ (String->GetString (String, "en-US", Handle, 2, nullptr, nullptr, nullptr), EFI_INVALID_PARAMETER);
  Size = 8;
  EXPECT_EQ (String->GetString (String, "en-US", Handle, 2, nullptr, &Size, nullptr), EFI_INVALID_PARAMETER);
}

TEST_F (HiiString, MissingIdLanguageOrListGiveTheirOwnStatus)
{
  EFI_STATUS  Status;
  UINTN       Size = 0;

  Read ("fr-FR", 2, &Status);  // skipped in French, present in English
  EXPECT_EQ (Status, EFI_INVALID_LANGUAGE);
  Read ("ja-JP", 1, &Status);
  EXPECT_EQ (Status, EFI_INVALID_LANGUAGE);
  Read ("en-US", 4, &Status);
  EXPECT_EQ (Status, EFI_NOT_FOUND);
  Read ("en-US", 0, &Status);
  EXPECT_EQ (Status, EFI_INVALID_PARAMETER);
  EXPECT_EQ (String->GetString (String, "en-US", (EFI_HII_HANDLE)&Size, 1, nullptr, &Size, nullptr), EFI_NOT_FOUND);
}

TEST_F (HiiString, NewStringGivesOneIdThatNamesAStringInEveryLanguage)
{
  EFI_STRING_ID  First  = 0;
  EFI_STRING_ID  Second = 0;

  ASSERT_EQ (String->NewString (String, Handle, &First, "fr-FR", nullptr, (EFI_STRING)u"Nouveau", nullptr), EFI_SUCCESS);
  EXPECT_EQ (First, 4);
  ASSERT_EQ (String->NewString (String, Handle, &Second, "en-US", nullptr, (EFI_STRING)u"Newer", nullptr), EFI_SUCCESS);
  EXPECT_EQ (Second, 5);
  for (const char *Language : { "en-US", "fr-FR", "de-DE" }) {
    EXPECT_EQ (Read (Language, First), u"Nouveau") << Language;
    EXPECT_EQ (Read (Language, Second), u"Newer") << Language;
  }
  // Then each language gets its own text under the same id.
  ASSERT_EQ (String->SetString (String, Handle, First, "de-DE", (EFI_STRING)u"Neu", nullptr), EFI_SUCCESS);
  ASSERT_EQ (String->SetString (String, Handle, First, "en-US", (EFI_STRING)u"New", nullptr), EFI_SUCCESS);
  EXPECT_EQ (Read ("de-DE", First), u"Neu");
  EXPECT_EQ (Read ("en-US", First), u"New");
  EXPECT_EQ (Read ("fr-FR", First), u"Nouveau");
}

TEST_F (HiiString, ExportCarriesNewAndChangedStrings)
{
  EFI_STRING_ID  Id = 0;
  ASSERT_EQ (String->NewString (String, Handle, &Id, "en-US", nullptr, (EFI_STRING)u"Added", nullptr), EFI_SUCCESS);
  ASSERT_EQ (String->SetString (String, Handle, 1, "fr-FR", (EFI_STRING)u"Langue", nullptr), EFI_SUCCESS);

  BYTES                             Bytes = Export (Handle);
  Builders::HII_EXPORT_VIEW         View  = Builders::SplitPackageLists (Bytes);
  std::vector<Emu::STRING_PACKAGE>  Packages;
  ASSERT_TRUE (View.Error.empty ()) << View.Error;
  ASSERT_EQ (View.Lists.size (), 1u);
  for (const Builders::HII_PACKAGE_VIEW &Package : View.Lists[0].Packages) {
    if (Package.Type == EFI_HII_PACKAGE_STRINGS) {
      Packages.emplace_back ();
      ASSERT_EQ (Emu::DecodeStringPackage (Package.Bytes.data (), Package.Bytes.size (), &Packages.back ()), EFI_SUCCESS);
    }
  }
  ASSERT_EQ (Packages.size (), 3u);
  EXPECT_EQ (Packages[0].Strings.at (Id), u"Added");
  EXPECT_EQ (Packages[1].Strings.at (1), u"Langue");
  EXPECT_EQ (Packages[1].Strings.count (2), 0u);
  EXPECT_EQ (Packages[2].Strings.at (Id), u"Added");
}

TEST_F (HiiString, SetStringRefusesUnknownIdsAndLanguages)
{
  EXPECT_EQ (String->SetString (String, Handle, 4, "en-US", (EFI_STRING)u"x", nullptr), EFI_NOT_FOUND);
  EXPECT_EQ (String->SetString (String, Handle, 0, "en-US", (EFI_STRING)u"x", nullptr), EFI_NOT_FOUND);
  EXPECT_EQ (String->SetString (String, Handle, 1, "ja-JP", (EFI_STRING)u"x", nullptr), EFI_NOT_FOUND);
  EXPECT_EQ (String->SetString (String, Handle, 1, "en-US", nullptr, nullptr), EFI_INVALID_PARAMETER);
  // An id skipped in one language may be filled in there.
  EXPECT_EQ (String->SetString (String, Handle, 2, "fr-FR", (EFI_STRING)u"Activ\u00e9", nullptr), EFI_SUCCESS);
  EXPECT_EQ (Read ("fr-FR", 2), u"Activ\u00e9");
}

TEST_F (HiiString, NewStringInANewLanguageCreatesItsPackage)
{
  EFI_STRING_ID  Id = 0;
  ASSERT_EQ (String->NewString (String, Handle, &Id, "ja-JP", nullptr, (EFI_STRING)u"\u65e5\u672c", nullptr), EFI_SUCCESS);
  EXPECT_EQ (Read ("ja-JP", Id), u"\u65e5\u672c");
  EXPECT_EQ (Read ("en-US", Id), u"\u65e5\u672c");
}

TEST_F (HiiString, GetLanguagesIsTwoCallAndSemicolonSeparated)
{
  UINTN  Size = 0;
  char   Text[64];

  EXPECT_EQ (String->GetLanguages (String, Handle, nullptr, &Size), EFI_BUFFER_TOO_SMALL);
  EXPECT_EQ (Size, sizeof ("en-US;fr-FR;de-DE"));
  Size = 5;
  EXPECT_EQ (String->GetLanguages (String, Handle, Text, &Size), EFI_BUFFER_TOO_SMALL);
  Size = sizeof (Text);
  EXPECT_EQ (String->GetLanguages (String, Handle, Text, &Size), EFI_SUCCESS);
  EXPECT_STREQ (Text, "en-US;fr-FR;de-DE");
  EXPECT_EQ (String->GetLanguages (String, nullptr, Text, &Size), EFI_NOT_FOUND);
  EXPECT_EQ (String->GetLanguages (String, Handle, Text, nullptr), EFI_INVALID_PARAMETER);
}

TEST_F (HiiString, GetLanguagesOfAListWithoutStringsIsNotFound)
{
  const EFI_GUID  FormsOnly = { 0xABCDEF02, 0x2345, 0x6789, { 2, 4, 6, 8, 10, 12, 14, 16 } };
  EFI_HII_HANDLE  Forms     = Add (Builders::PackageListBuilder (FormsOnly)
                                     .Add (Builders::BuildPackage (EFI_HII_PACKAGE_FORMS, BYTES (6, 1))).Build ());
  UINTN           Size      = 0;

  EXPECT_EQ (String->GetLanguages (String, Forms, nullptr, &Size), EFI_NOT_FOUND);
  EXPECT_EQ (Size, 0u);
}

TEST_F (HiiString, SecondaryLanguagesFollowThePrimaryOne)
{
  const EFI_GUID  Regional = { 0xABCDEF03, 0x2345, 0x6789, { 3, 4, 6, 8, 10, 12, 14, 16 } };
  EFI_HII_HANDLE  English  = Add (Builders::PackageListBuilder (Regional)
                                    .Add (BuildStringPackage ("en-US;en-GB", 1, { { 1, u"Colour" } })).Build ());
  char            Text[32];
  UINTN           Size = 0;

  EXPECT_EQ (String->GetSecondaryLanguages (String, English, "EN-us", nullptr, &Size), EFI_BUFFER_TOO_SMALL);
  EXPECT_EQ (Size, sizeof ("en-GB"));
  Size = sizeof (Text);
  ASSERT_EQ (String->GetSecondaryLanguages (String, English, "en-US", Text, &Size), EFI_SUCCESS);
  EXPECT_STREQ (Text, "en-GB");
  Size = sizeof (Text);
  ASSERT_EQ (String->GetSecondaryLanguages (String, Handle, "fr-FR", Text, &Size), EFI_SUCCESS);
  EXPECT_STREQ (Text, "");
  EXPECT_EQ (Size, 1u);
  EXPECT_EQ (String->GetSecondaryLanguages (String, Handle, "ja-JP", Text, &Size), EFI_INVALID_LANGUAGE);
  EXPECT_EQ (String->GetSecondaryLanguages (String, (EFI_HII_HANDLE)&Size, "en-US", Text, &Size), EFI_NOT_FOUND);
  EXPECT_EQ (String->GetSecondaryLanguages (String, Handle, "en-US", Text, nullptr), EFI_INVALID_PARAMETER);

  // The package is the primary language's: read and listed under that tag alone.
  EXPECT_EQ (ReadString (English, "en-US", 1), u"Colour");
  Size = sizeof (Text);
  ASSERT_EQ (String->GetLanguages (String, English, Text, &Size), EFI_SUCCESS);
  EXPECT_STREQ (Text, "en-US");
}

TEST_F (HiiString, StringIdDrawnWithoutALanguageUsesThePlatformLanguage)
{
  EFI_IMAGE_OUTPUT  *Image    = nullptr;
  EFI_HII_ROW_INFO  *Rows     = nullptr;
  UINTN             RowCount  = 0;
  const char        French[]  = "fr-FR";
  M.Variables ().Put (u"PlatformLang", gEfiGlobalVariableGuid, EFI_VARIABLE_BOOTSERVICE_ACCESS |
                        EFI_VARIABLE_RUNTIME_ACCESS, std::vector<UINT8> (French, French + sizeof (French)));

  ASSERT_EQ (Font->StringIdToImage (Font, 0, Handle, 1, nullptr, nullptr, &Image, 0, 0, &Rows, &RowCount, nullptr),
    EFI_SUCCESS);
  ASSERT_NE (Image, nullptr);
  ASSERT_EQ (RowCount, 1u);
  EXPECT_EQ (Rows->LineWidth, 8u * 8);  // "Fran\u00e7ais", not "English"
  EXPECT_EQ (M.Memory ().Free (Rows), EFI_SUCCESS);
  EXPECT_EQ (M.Memory ().Free (Image->Image.Bitmap), EFI_SUCCESS);
  EXPECT_EQ (M.Memory ().Free (Image), EFI_SUCCESS);
}

// Firmware browsers "delete" a string they created by setting it empty in every
// language; the id stays valid and reads back as the empty string.
TEST_F (HiiString, DeletingByEmptyTextKeepsTheIdReadable)
{
  EFI_STRING_ID  Id = 0;
  ASSERT_EQ (String->NewString (String, Handle, &Id, "en-US", nullptr, (EFI_STRING)u"Temporary", nullptr), EFI_SUCCESS);
  for (const char *Language : { "en-US", "fr-FR", "de-DE" }) {
    ASSERT_EQ (String->SetString (String, Handle, Id, Language, (EFI_STRING)u"", nullptr), EFI_SUCCESS);
  }
  UINTN   Size = 0;
  EXPECT_EQ (String->GetString (String, "fr-FR", Handle, Id, nullptr, &Size, nullptr), EFI_BUFFER_TOO_SMALL);
  EXPECT_EQ (Size, 2u);
  EXPECT_EQ (Hii->String (Handle, "de-DE", Id), std::u16string ());
}

}  // namespace

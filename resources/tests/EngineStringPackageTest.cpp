// The engine's package list decodes back: the list framing, one string package per
// language with the same ids, every text of the table, and the prescribed texts.
#include <Builders/ByteWriter.h>
#include <Builders/HiiDecode.h>
#include <Resources/EngineStringIds.h>
#include <Resources/EngineStringPackage.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace Builders;

namespace {

const std::vector<std::string>  kLanguages = { "en-US", "fr-FR", "de-DE" };

std::span<const uint8_t>
List ()
{
  return { gSetupEngineStringPackageList, gSetupEngineStringPackageListSize };
}

std::vector<DECODED_STRING_PACKAGE>
DecodeAll ()
{
  std::vector<DECODED_STRING_PACKAGE>  Out;
  HII_EXPORT_VIEW                      View = SplitPackageLists (List ());

  EXPECT_EQ (View.Error, "");
  for (const HII_PACKAGE_VIEW &Package : View.Lists.at (0).Packages) {
    if (Package.Type == EFI_HII_PACKAGE_STRINGS) {
      Out.push_back (DecodeStringPackage (Package.Bytes));
      EXPECT_EQ (Out.back ().Error, "");
    }
  }

  return Out;
}

std::u16string
Utf16 (const std::string &Utf8)
{
  std::u16string  Out;

  // The table holds BMP text only, so one to three UTF-8 bytes make one code unit.
  for (size_t Index = 0; Index < Utf8.size ();) {
    unsigned char  Lead  = (unsigned char)Utf8[Index];
    int            Extra = Lead >= 0xE0 ? 2 : Lead >= 0xC0 ? 1 : 0;
    char16_t       Unit  = (char16_t)(Extra == 2 ? Lead & 0x0F : Extra == 1 ? Lead & 0x1F : Lead);

    for (int Follow = 1; Follow <= Extra && Index + Follow < Utf8.size (); Follow++) {
      Unit = (char16_t)((Unit << 6) | ((unsigned char)Utf8[Index + Follow] & 0x3F));
    }

    Out.push_back (Unit);
    Index += 1 + Extra;
  }

  return Out;
}

std::string
Unescape (const std::string &Text)
{
  std::string  Out;

  for (size_t Index = 0; Index < Text.size (); Index++) {
    if (Text[Index] == '\\' && Index + 1 < Text.size ()) {
      char  Next = Text[++Index];
      Out.push_back (Next == 'r' ? '\r' : Next == 'n' ? '\n' : Next == 't' ? '\t' : Next);
    } else {
      Out.push_back (Text[Index]);
    }
  }

  return Out;
}

// {id, texts per language} from the table, read independently of the generator.
std::map<EFI_STRING_ID, std::vector<std::u16string>>
ReadTable ()
{
  std::ifstream  File (SETUP_ENGINE_STRINGS_TABLE);
  std::string    Line;
  std::map<EFI_STRING_ID, std::vector<std::u16string>>  Rows;

  while (std::getline (File, Line)) {
    if (Line.empty () || Line[0] == '#') {
      continue;
    }

    std::vector<std::string>  Cells;
    std::stringstream         Stream (Line);
    std::string               Cell;
    while (std::getline (Stream, Cell, '\t')) {
      Cells.push_back (Cell);
    }

    Cells.resize (7);
    for (size_t Language = 0; Language < kLanguages.size (); Language++) {
      Rows[(EFI_STRING_ID)std::stoi (Cells[0])].push_back (Utf16 (Unescape (Cells[3 + Language])));
    }
  }

  return Rows;
}

}  // namespace

TEST (EngineStringPackage, ListHeaderGuidLengthAndEndPackage)
{
  const EFI_GUID   Expected = SETUP_ENGINE_PACKAGE_LIST_GUID;
  HII_EXPORT_VIEW  View     = SplitPackageLists (List ());

  ASSERT_EQ (View.Error, "");
  ASSERT_EQ (View.Lists.size (), 1u);
  EXPECT_TRUE (SameGuid (View.Lists[0].Guid, Expected));
  EXPECT_EQ (View.Lists[0].Length, gSetupEngineStringPackageListSize);
  EXPECT_EQ ((uintptr_t)gSetupEngineStringPackageList % 8, 0u);
  ASSERT_EQ (View.Lists[0].Packages.size (), 4u);
  EXPECT_EQ (View.Lists[0].Packages[3].Type, EFI_HII_PACKAGE_END);
}

// One package per language, each naming itself with string 1, with identical ids.
TEST (EngineStringPackage, ThreeLanguagesWithIdenticalIds)
{
  std::vector<DECODED_STRING_PACKAGE>  Packages = DecodeAll ();
  const std::u16string                 Names[] = { u"English", u"Fran\u00e7ais", u"Deutsch" };

  ASSERT_EQ (Packages.size (), kLanguages.size ());
  for (size_t Index = 0; Index < Packages.size (); Index++) {
    EXPECT_EQ (Packages[Index].Language, kLanguages[Index]);
    EXPECT_EQ (Packages[Index].LanguageName, STR_LANGUAGE_NAME);
    ASSERT_NE (Packages[Index].Find (STR_LANGUAGE_NAME), nullptr);
    EXPECT_EQ (*Packages[Index].Find (STR_LANGUAGE_NAME), Names[Index]);
    EXPECT_EQ (Packages[Index].LastId, Packages[0].LastId);
    ASSERT_EQ (Packages[Index].Strings.size (), Packages[0].Strings.size ());
    for (const auto &[Id, Text] : Packages[0].Strings) {
      EXPECT_TRUE (Packages[Index].Strings.count (Id)) << kLanguages[Index] << " lacks id " << Id;
    }
  }
}

// Every row of the table, in every language, decodes back unchanged.
TEST (EngineStringPackage, EveryTableTextDecodesBack)
{
  std::vector<DECODED_STRING_PACKAGE>  Packages = DecodeAll ();
  auto                                 Rows     = ReadTable ();

  ASSERT_GE (Rows.size (), 30u);
  ASSERT_EQ (Packages.size (), kLanguages.size ());
  EXPECT_EQ (Packages[0].Strings.size (), Rows.size ());
  for (const auto &[Id, Texts] : Rows) {
    for (size_t Language = 0; Language < Packages.size (); Language++) {
      const std::u16string  *Text = Packages[Language].Find (Id);
      ASSERT_NE (Text, nullptr) << kLanguages[Language] << " id " << Id;
      EXPECT_EQ (*Text, Texts[Language]) << kLanguages[Language] << " id " << Id;
    }
  }
}

// The texts the system prescribes, pinned here so an edit of the table cannot drift.
TEST (EngineStringPackage, PrescribedEnglishTexts)
{
  const DECODED_STRING_PACKAGE  English = DecodeAll ().at (0);
  const std::map<EFI_STRING_ID, std::u16string>  Expected = {
    { 5, u"Enabled" }, { 6, u"Disabled" }, { 8, u"FDD" }, { 9, u"HDD" }, { 10, u"CD/DVD ROM" },
    { 11, u"Embedded Network" }, { 12, u"BEV" }, { 18, u"No option to boot to.\r\n\r\n\r" },
    { 19, u"Enter Password" }, { 20, u"Invalid Password" }, { 23, u"Entering Boot Menu..." },
    { 56, u"Ok" }, { 57, u"Cancel" }, { 58, u"Yes" }, { 59, u"No" }, { 75, u"" },
    { 76, u"Inconsistency error" }, { 77, u"Submit error" }, { 78, u"Please select boot device:" },
    { 82, u"\u2191 and \u2193 to move selection\r\nENTER to select boot device\r\nESC to boot using defaults" },
    { 83, u"Enter Setup" }, { 84, u"USB" }, { 118, u"OKU Progress Box" },
    { 119, u"Message Box for Progress Update" }, { 126, u"Secure Boot Violation" },
  };

  for (const auto &[Id, Text] : Expected) {
    ASSERT_NE (English.Find (Id), nullptr) << "id " << Id;
    EXPECT_EQ (*English.Find (Id), Text) << "id " << Id;
  }

  EXPECT_EQ (STR_ENABLED, 5);
  EXPECT_EQ (STR_DISABLED, 6);
  EXPECT_EQ (STR_INCONSISTENCY_ERROR, 76);
  EXPECT_EQ (STR_SUBMIT_ERROR, 77);
  EXPECT_EQ (STR_SECURE_BOOT_VIOLATION, 126);
  EXPECT_EQ (STR_KEY_HELP, 152);
}

// Clicks pick key-help lines by row, so every language keeps the nine lines, with
// the prescribed F1 .. ESC lines in English at rows 4 to 8; so does the key help of a
// page without other screens, whose first line is blank.
TEST (EngineStringPackage, KeyHelpKeepsItsRowsInEveryLanguage)
{
  for (const DECODED_STRING_PACKAGE &Package : DecodeAll ()) {
    for (EFI_STRING_ID Id : { STR_KEY_HELP, STR_KEY_HELP_ONE_SCREEN }) {
      std::u16string  Text = *Package.Find (Id);
      std::vector<std::u16string>  Lines;
      size_t          Start = 0;

      for (size_t End; (End = Text.find (u"\r\n", Start)) != std::u16string::npos; Start = End + 2) {
        Lines.push_back (Text.substr (Start, End - Start));
      }

      Lines.push_back (Text.substr (Start));
      ASSERT_EQ (Lines.size (), 9u) << Package.Language;
      EXPECT_EQ (Lines[0].empty (), Id == STR_KEY_HELP_ONE_SCREEN) << Package.Language;
      if (Package.Language == "en-US") {
        EXPECT_EQ (Lines[4], u"F1: General Help");
        EXPECT_EQ (Lines[5], u"F2: Previous Values");
        EXPECT_EQ (Lines[6], u"F3: Optimized Defaults");
        EXPECT_EQ (Lines[7], u"F4: Save & Exit");
        EXPECT_EQ (Lines[8], u"ESC: Exit");
      }
    }
  }
}

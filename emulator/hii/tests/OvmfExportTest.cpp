// The OVMF HII export loads into the emulated database: twenty package lists whose
// form-set titles read back in English and, where the firmware had it, French;
// exporting again gives the same bytes.
#include "HiiFixture.h"

#include <Builders/ByteWriter.h>
#include <Builders/HiiDecode.h>
#include <EmulatorHii/FakeDriver.h>
#include <Protocol/DevicePath.h>
#include <Uefi/UefiIfr.h>

#include <Fixtures.h>

#include <cstring>

namespace {

// Title string ids of the FORM_SET opcodes of a list.
std::vector<EFI_STRING_ID>
FormSetTitles (const Emu::HII_PACKAGE_LIST &List)
{
  std::vector<EFI_STRING_ID>  Titles;

  for (const Emu::HII_PACKAGE &Package : List.Packages) {
    if (Package.Type != EFI_HII_PACKAGE_FORMS) {
      continue;
    }
    Builders::IFR_DECODE_RESULT  Forms = Builders::DecodeIfr (Package.Bytes);
    EXPECT_TRUE (Forms.Error.empty ()) << "malformed forms package: " << Forms.Error;
    for (const Builders::IFR_OP_VIEW &Op : Forms.Ops) {
      if ((Op.OpCode == EFI_IFR_FORM_SET_OP) && (Op.Length >= offsetof (EFI_IFR_FORM_SET, FormSetTitle) + 2)) {
        Titles.push_back (Builders::GetU16 (Op.Bytes, offsetof (EFI_IFR_FORM_SET, FormSetTitle)));
      }
    }
  }
  return Titles;
}

class OvmfExport : public HiiTest::HiiFixture {
protected:
  void SetUp () override
  {
    HiiFixture::SetUp ();
    Bytes = Fixtures::Read ("ovmf/HIIDB.BIN");
    ASSERT_EQ (Bytes.size (), 99571u);
    ASSERT_EQ (Hii->LoadExport (Bytes.data (), Bytes.size (), true, &Handles), EFI_SUCCESS);
  }

  std::vector<UINT8>           Bytes;
  std::vector<EFI_HII_HANDLE>  Handles;
};

TEST_F (OvmfExport, FormSetTitlesReadBackInEnglishAndFrench)
{
  struct EXPECTED { const char16_t *English; bool French; } Expected[] = {
    { u"File Explorer", true },                   { u"Secure Boot Configuration", false },
    { u"Driver Health Manager", true },           { u"Driver Health Manager", true },
    { u"File Explorer", true },                   { u"RAM Disk Configuration", false },
    { u"File Explorer", true },                   { u"Tls Auth Configuration", false },
    { u"OVMF Platform Configuration", false },    { u"iSCSI Configuration", false },
    { u"VLAN Configuration", false },             { u"IPv4 Network Configuration", false },
    { u"IPv6 Network Configuration", false },     { u"HTTP Boot Configuration", false },
  };
  size_t  Seen = 0;

  ASSERT_EQ (Handles.size (), 20u);
  for (EFI_HII_HANDLE Handle : Handles) {
    for (EFI_STRING_ID Id : FormSetTitles (*Hii->Find (Handle))) {
      ASSERT_LT (Seen, std::size (Expected));
      EFI_STATUS  Status;
      EXPECT_EQ (ReadString (Handle, "en-US", Id, &Status), Expected[Seen].English);
      EXPECT_EQ (Status, EFI_SUCCESS);
      std::u16string  French = ReadString (Handle, "fr-FR", Id, &Status);
      if (Expected[Seen].French) {
        EXPECT_EQ (French, Expected[Seen].English);  // OVMF leaves these titles untranslated
        EXPECT_EQ (Status, EFI_SUCCESS);
      } else {
        EXPECT_EQ (Status, EFI_INVALID_LANGUAGE) << "form set " << Seen;
      }
      Seen++;
    }
  }
  EXPECT_EQ (Seen, std::size (Expected));
}

TEST_F (OvmfExport, LanguagesAndStringPackagesMatchTheSummary)
{
  std::map<std::string, int>  Counts;
  for (EFI_HII_HANDLE Handle : Handles) {
    for (const Emu::HII_PACKAGE &Package : Hii->Find (Handle)->Packages) {
      if (Package.Strings != nullptr) {
        Counts[Package.Strings->Language]++;
      }
    }
  }
  EXPECT_EQ (Counts, (std::map<std::string, int>{ { "en-US", 18 }, { "fr-FR", 6 }, { "x-UEFI-ns", 1 } }));

  char   Languages[64];
  UINTN  Size = sizeof (Languages);
  ASSERT_EQ (String->GetLanguages (String, Handles[4], Languages, &Size), EFI_SUCCESS);
  EXPECT_STREQ (Languages, "en-US;fr-FR");
  // The iSCSI keyword package: 175 strings with ids up to 236, skip blocks between.
  const Emu::STRING_PACKAGE  *Keywords = nullptr;
  for (const Emu::HII_PACKAGE &Package : Hii->Find (Handles[15])->Packages) {
    if ((Package.Strings != nullptr) && (Package.Strings->Language == "x-UEFI-ns")) {
      Keywords = Package.Strings.get ();
    }
  }
  ASSERT_NE (Keywords, nullptr);
  EXPECT_EQ (Keywords->Strings.size (), 175u);
  EXPECT_EQ (Keywords->LastId, 236);
}

TEST_F (OvmfExport, ExportingAgainGivesTheSameBytes)
{
  EXPECT_EQ (Export (nullptr), Bytes);
}

TEST_F (OvmfExport, ListsWithADevicePathGetADriverHandleCarryingIt)
{
  EFI_HANDLE      Driver = nullptr;
  VOID            *Path  = nullptr;

  ASSERT_EQ (Database->GetPackageListHandle (Database, Handles[5], &Driver), EFI_SUCCESS);  // Secure Boot
  ASSERT_EQ (M.Protocols ().HandleProtocol (Driver, &gEfiDevicePathProtocolGuid, &Path), EFI_SUCCESS);
  const UINT8  *Node = (const UINT8 *)Path;
  EXPECT_EQ (Node[0], HARDWARE_DEVICE_PATH);
  EXPECT_EQ (Node[1], HW_VENDOR_DP);
  const EFI_GUID  SecureBoot = { 0x5DAF50A5, 0xEA81, 0x4DE2, { 0x8F, 0x9B, 0xCA, 0xBD, 0xA9, 0xCF, 0x5C, 0x14 } };
  EXPECT_EQ (std::memcmp (Node + 4, &SecureBoot, 16), 0);
  EXPECT_EQ (Database->GetPackageListHandle (Database, Handles[0], &Driver), EFI_NOT_FOUND);  // strings only
}

// Three drivers publish the file explorer's list FE561596-...; without their handles
// the second copy is the same GUID published twice without a driver.
TEST (OvmfExportWithoutDrivers, StopsAtTheSecondCopyOfARepeatedList)
{
  Emu::Machine                 M;
  auto                         &Hii  = M.Add (std::make_unique<Emu::HiiServices> (M));
  std::vector<UINT8>           Bytes = Fixtures::Read ("ovmf/HIIDB.BIN");
  std::vector<EFI_HII_HANDLE>  Loaded;
  ASSERT_FALSE (Bytes.empty ());

  EXPECT_EQ (Hii.LoadExport (Bytes.data (), Bytes.size (), false, &Loaded), EFI_INVALID_PARAMETER);
  ASSERT_EQ (Loaded.size (), 7u);
  const EFI_GUID  Repeated = { 0xFE561596, 0xE6BF, 0x41A6, { 0x83, 0x76, 0xC7, 0x2B, 0x71, 0x98, 0x74, 0xD0 } };
  EXPECT_EQ (std::memcmp (&Hii.Find (Loaded[4])->Guid, &Repeated, sizeof (EFI_GUID)), 0);
}

TEST (OvmfExportCut, EveryCutIsRefusedWithoutReadingPastIt)
{
  std::vector<UINT8>  Bytes = Fixtures::Read ("ovmf/HIIDB.BIN");
  ASSERT_FALSE (Bytes.empty ());

  // A fresh database per cut: the lists before the cut must load, and a list the
  // database already holds would be refused before the cut is reached.
  for (size_t Cut = 1; Cut < Bytes.size (); Cut += 997) {
    Emu::Machine                 M;
    auto                         &Hii = M.Add (std::make_unique<Emu::HiiServices> (M));
    std::vector<UINT8>           Short (Bytes.begin (), Bytes.begin () + Cut);
    std::vector<EFI_HII_HANDLE>  Loaded;
    EXPECT_EQ (Hii.LoadExport (Short.data (), Short.size (), true, &Loaded), EFI_INVALID_PARAMETER) << Cut;
    EXPECT_EQ (Loaded, Hii.PackageLists ()) << Cut;
  }
}

}  // namespace

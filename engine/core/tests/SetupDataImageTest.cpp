// The setup data a driver loaded from a file carries in its own image: the GUID package
// of the image's package list, taken only when no firmware volume loaded the driver,
// and the bounded walk that finds it.
#include <engine/testing/EngineTestMachine.h>

#include <engine/core/SetupData.h>
#include <Builders/HiiPackageBuilder.h>
#include <Builders/SetupDataBuilder.h>

#include <gtest/gtest.h>

#include <cstring>

namespace {

// Spelled out, not taken from the shared layout header.
constexpr EFI_GUID  kSetupDataGuid = { 0xFE612B72, 0x203C, 0x47B1, { 0x85, 0x60, 0xA6, 0x6D, 0x94, 0x6E, 0xB3, 0x71 } };
constexpr EFI_GUID  kOtherGuid     = { 0x11111111, 0x2222, 0x3333, { 0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55 } };
constexpr EFI_GUID  kListGuid      = { 0x0BADF00D, 0x1234, 0x5678, { 0x9A, 0xBC, 0xDE, 0xF0, 0x12, 0x34, 0x56, 0x78 } };

Builders::SETUP_DATA_DESC
OnePageBoard ()
{
  Builders::SETUP_DATA_DESC  D;

  D.Pages = { { .FormId = 1, .TitleStringId = 0x100, .Controls = {
    { .ControlType = CONTROL_TYPE_CHECKBOX, .QuestionOpcode = 0x40, .ValueWidth = 1, .MfgDefault = { 1 }, .StdDefault = { 0 } },
  } } };
  D.FormSets         = { {} };
  D.FirstFormSetGuid = EFI_GUID {};
  D.VariableGuids    = std::vector<EFI_GUID> {};
  return D;
}

BYTES
GuidPackage (const EFI_GUID &Guid, const BYTES &Data)
{
  BYTES  Body (sizeof (Guid));

  std::memcpy (Body.data (), &Guid, sizeof (Guid));
  Body.insert (Body.end (), Data.begin (), Data.end ());
  return Builders::BuildPackage (EFI_HII_PACKAGE_TYPE_GUID, Body);
}

// The engine's strings, a foreign GUID package, then the setup data, as the build lays
// out the image's list.
BYTES
ImageList (const BYTES &Block)
{
  return Builders::PackageListBuilder (kListGuid)
           .Add (Builders::BuildStringPackage ("en-US", 1, { { 1, u"English" }, { 5, u"Enabled" } }))
           .Add (GuidPackage (kOtherGuid, { 9, 9, 9, 9 }))
           .Add (GuidPackage (kSetupDataGuid, Block))
           .Build ();
}

class SetupDataImageTest : public ::testing::Test {
protected:
  void TearDown () override { ResetSetupData (); }

  EngineTestMachine   Fw;
};

TEST_F (SetupDataImageTest, ADriverLoadedFromAFileReadsTheBlockItsImageCarries) {
  const BYTES  Block = Builders::BuildSetupDataBlock (OnePageBoard ());

  Fw.Image.SetPackageList (ImageList (Block));
  Fw.RemoveVolume ();
  Fw.UsePlainFilePath ();
  ASSERT_EQ (LoadSetupData (Fw.ImageHandle ()), EFI_SUCCESS);
  ASSERT_EQ (gSetupDataSize, Block.size ());
  EXPECT_EQ (0, std::memcmp (gSetupData, Block.data (), Block.size ()));
  // A pool copy that starts with the GUID, as a section read hands it out, and on the
  // alignment the block's records are read at.
  EXPECT_TRUE (Fw.M.Memory ().IsLive (gSetupData - 16));
  EXPECT_EQ (0, std::memcmp (gSetupData - 16, &kSetupDataGuid, sizeof (kSetupDataGuid)));
  EXPECT_EQ ((UINTN)gSetupData % 8, 0u);
  EXPECT_EQ (ParseSetupDataHeader (), EFI_SUCCESS);
  FreeSetupData ();
  EXPECT_EQ (Fw.LiveBlocks (), 0u);
}

TEST_F (SetupDataImageTest, AVolumesDriverNeverTakesTheBlockFromItsImage) {
  Fw.Image.SetPackageList (ImageList (Builders::BuildSetupDataBlock (OnePageBoard ())));
  EXPECT_EQ (LoadSetupData (Fw.ImageHandle ()), EFI_NOT_FOUND);
  EXPECT_EQ (gSetupData, nullptr);
  EXPECT_EQ (Fw.LiveBlocks (), 0u);
}

TEST_F (SetupDataImageTest, AFileImageWithoutTheBlockGivesTheVolumeLookUpsStatus) {
  Fw.Image.SetPackageList (Builders::PackageListBuilder (kListGuid).Add (GuidPackage (kOtherGuid, { 1, 2, 3 })).Build ());
  Fw.RemoveVolume ();
  EXPECT_EQ (LoadSetupData (Fw.ImageHandle ()), EFI_UNSUPPORTED);
  EXPECT_EQ (gSetupData, nullptr);
  EXPECT_EQ (Fw.LiveBlocks (), 0u);
}

TEST_F (SetupDataImageTest, APackageWithTheGuidAloneIsNoBlock) {
  Fw.Image.SetPackageList (Builders::PackageListBuilder (kListGuid).Add (GuidPackage (kSetupDataGuid, {})).Build ());
  Fw.RemoveVolume ();
  EXPECT_EQ (LoadSetupData (Fw.ImageHandle ()), EFI_UNSUPPORTED);
  EXPECT_EQ (Fw.LiveBlocks (), 0u);
}

TEST_F (SetupDataImageTest, NoPoolForTheCopyIsSaid) {
  Fw.Image.SetPackageList (ImageList (Builders::BuildSetupDataBlock (OnePageBoard ())));
  Fw.RemoveVolume ();
  Fw.FailNextAllocation ();
  EXPECT_EQ (LoadSetupData (Fw.ImageHandle ()), EFI_OUT_OF_RESOURCES);
  EXPECT_EQ (gSetupData, nullptr);
}

TEST (FindGuidPackage, FindsThePackageAfterOthersAndGivesItsGuidAndData) {
  const BYTES  List = ImageList ({ 1, 2, 3, 4, 5 });
  UINTN        Size = 0;
  const UINT8  *Data = FindGuidPackage (List.data (), List.size (), &kSetupDataGuid, &Size);

  ASSERT_NE (Data, nullptr);
  ASSERT_EQ (Size, 16u + 5u);
  EXPECT_EQ (0, std::memcmp (Data, &kSetupDataGuid, 16));
  EXPECT_EQ (Data[16 + 4], 5);
}

TEST (FindGuidPackage, TheEndPackageEndsTheWalk) {
  // A list whose end package comes before the data: what follows it is not the list's.
  BYTES  List = Builders::PackageListBuilder (kListGuid).Build ();
  BYTES  After = GuidPackage (kSetupDataGuid, { 1 });
  UINTN  Size = 0;

  List.insert (List.end (), After.begin (), After.end ());
  *(UINT32 *)&List[16] = (UINT32)List.size ();
  EXPECT_EQ (FindGuidPackage (List.data (), List.size (), &kSetupDataGuid, &Size), nullptr);
  EXPECT_EQ (Size, 0u);
}

TEST (FindGuidPackage, APackageThatRunsPastTheListsLengthIsNotRead) {
  BYTES  List = ImageList ({ 1, 2, 3, 4, 5 });
  UINTN  Size = 0;

  // The list's header claims less than the last package needs: the package lies
  // partly outside the list, though inside the buffer.
  *(UINT32 *)&List[16] = (UINT32)(List.size () - 4 - 3);
  EXPECT_EQ (FindGuidPackage (List.data (), List.size (), &kSetupDataGuid, &Size), nullptr);
  // And a buffer shorter than the header says bounds it the same way.
  List = ImageList ({ 1, 2, 3, 4, 5 });
  EXPECT_EQ (FindGuidPackage (List.data (), List.size () - 7, &kSetupDataGuid, &Size), nullptr);
  EXPECT_NE (FindGuidPackage (List.data (), List.size (), &kSetupDataGuid, &Size), nullptr);
}

TEST (FindGuidPackage, APackageShorterThanItsHeaderStopsTheWalk) {
  BYTES  List = ImageList ({ 1 });
  UINTN  Size = 0;

  // The string package's length made 2: stepping by it would never get anywhere sane.
  List[20] = 2;
  List[21] = 0;
  List[22] = 0;
  EXPECT_EQ (FindGuidPackage (List.data (), List.size (), &kSetupDataGuid, &Size), nullptr);
}

TEST (FindGuidPackage, AGuidPackageTooShortForItsGuidIsSkipped) {
  BYTES  Short = Builders::BuildPackage (EFI_HII_PACKAGE_TYPE_GUID, BYTES (8, 0x72));
  BYTES  List  = Builders::PackageListBuilder (kListGuid).Add (Short).Add (GuidPackage (kSetupDataGuid, { 7 })).Build ();
  UINTN  Size  = 0;
  const UINT8  *Data = FindGuidPackage (List.data (), List.size (), &kSetupDataGuid, &Size);

  ASSERT_NE (Data, nullptr);
  EXPECT_EQ (Data, List.data () + 20 + Short.size () + 4);
  EXPECT_EQ (Size, 17u);
}

TEST (FindGuidPackage, ATooShortListHasNone) {
  BYTES  List (19, 0);
  UINTN  Size = 1;

  EXPECT_EQ (FindGuidPackage (List.data (), List.size (), &kSetupDataGuid, &Size), nullptr);
  EXPECT_EQ (Size, 0u);
  EXPECT_EQ (FindGuidPackage (nullptr, 100, &kSetupDataGuid, &Size), nullptr);
}

}  // namespace

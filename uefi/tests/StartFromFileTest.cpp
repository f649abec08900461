// The built driver image started from a file, as a loader or the shell starts a signed
// image under Secure Boot: the emulator loads the image file from a disk's file system
// by its device path, takes its HII resource as the firmware does, and the entry point
// (the engine's, built for the host) must find the setup data the image carries.
#include <engine/testing/EngineMachineTest.h>

#include <engine/core/EngineGlobals.h>
#include <engine/core/SetupData.h>

#include <DemoBoard.h>
#include <Emulator/BootDevices.h>
#include <Emulator/DevicePathUtil.h>
#include <Emulator/FileSystem.h>
#include <Emulator/PeImage.h>
#include <EmulatorHii/HiiServices.h>
#include <Protocol/HiiPackageList.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace {

const EFI_GUID  kSetupDataGuid   = { 0xFE612B72, 0x203C, 0x47B1, { 0x85, 0x60, 0xA6, 0x6D, 0x94, 0x6E, 0xB3, 0x71 } };
const EFI_GUID  kBootScreenGuid  = { 0x8A91B1E1, 0x56C7, 0x4ADC, { 0xAB, 0xEB, 0x1C, 0x2C, 0xA1, 0x72, 0x9E, 0xFF } };
const EFI_GUID  kFormBrowserGuid = { 0xB9D4C360, 0xBCFB, 0x4F9B, { 0x92, 0x98, 0x53, 0xC1, 0x36, 0x98, 0x22, 0x58 } };

class StartFromFileTest : public EngineMachineTest {
protected:
  void SetUp () override
  {
    EngineMachineTest::SetUp ();
    auto  Bytes = Emu::ReadFileBytes (SETUP_UEFI_IMAGE_FILE);
    ASSERT_TRUE (Bytes.has_value ()) << "missing " << SETUP_UEFI_IMAGE_FILE;
    Image = *Bytes;
    Root  = std::filesystem::temp_directory_path () / ("setup-file-start-" + std::to_string (::getpid ()));
    std::filesystem::create_directories (Root);
    std::filesystem::copy_file (SETUP_UEFI_IMAGE_FILE, Root / "SetupEngineDxe.efi");
    Disk = &M.Add (std::make_unique<Emu::BlockDevice> (M, DiskPath, Emu::BLOCK_MEDIA {}));
    M.Add (std::make_unique<Emu::FileSystemVolume> (M, Root, Disk->Handle ()));
    M.Add (std::make_unique<Emu::HiiServices> (M));
    Demo::SeedVariables (M.Variables (), Board);
    // The image's code is the engine built for the host: the entry point it stands for.
    Images.RegisterBytes (Image, "SetupEngineDxe", [this] (const Emu::LOADER_CALL &Call) {
                            return SetupEngineDriverEntry (Call.ImageHandle, M.SystemTable ());
                          });
  }

  void TearDown () override
  {
    EngineMachineTest::TearDown ();
    std::filesystem::remove_all (Root);
  }

  EFI_STATUS Load (EFI_HANDLE *Driver)
  {
    Emu::BYTE_LIST  Path = Emu::JoinPath ({ Emu::PathBody (DiskPath), Emu::FilePathNode (u"\\SetupEngineDxe.efi") });
    return M.BootServices ()->LoadImage (FALSE, Devices.Image->ImageHandle (), (EFI_DEVICE_PATH_PROTOCOL *)Path.data (),
                             nullptr, 0, Driver);
  }

  Demo::BOARD             Board  = Demo::BuildBoard ();
  Emu::BootImages         &Images = M.Add (std::make_unique<Emu::BootImages> (M));
  Emu::BYTE_LIST          DiskPath = Emu::JoinPath ({ Emu::PciNode (1, 0), Emu::SataNode (2) });
  Emu::BlockDevice        *Disk = nullptr;
  std::filesystem::path   Root;
  std::vector<UINT8>      Image;
};

// The image's HII resource holds the demo board's block, led by its GUID, as the
// volume's section does.
TEST_F (StartFromFileTest, TheImagesPackageListCarriesTheBoardsSetupData) {
  auto   Pe = Emu::ReadPeImage (Image);
  UINTN  Size = 0;

  ASSERT_TRUE (Pe.has_value ());
  EXPECT_EQ (Pe->Subsystem, Emu::kPeSubsystemBootDriver);
  ASSERT_FALSE (Pe->HiiResource.empty ());
  const UINT8  *Data = FindGuidPackage (Pe->HiiResource.data (), Pe->HiiResource.size (), &kSetupDataGuid, &Size);
  ASSERT_NE (Data, nullptr);
  EXPECT_EQ (std::vector<UINT8> (Data, Data + Size), Board.SetupDataSection);
}

TEST_F (StartFromFileTest, TheDriverLoadedFromAFileStartsAndStays) {
  EFI_HANDLE  Driver = nullptr;

  ASSERT_EQ (Load (&Driver), EFI_SUCCESS);
  EXPECT_EQ (M.BootServices ()->StartImage (Driver, nullptr, nullptr), EFI_SUCCESS);
  EXPECT_EQ (Images.LoadedImages (), 1u);
  ASSERT_NE (gEngineHandle, nullptr);
  EXPECT_EQ (M.Protocols ().HandlesWith (kBootScreenGuid).size (), 1u);
  EXPECT_EQ (M.Protocols ().HandlesWith (kFormBrowserGuid), std::vector<EFI_HANDLE> { gEngineHandle });
  // The block it runs on is the board's, read from the image's own package list (the
  // engine works on its tables in place, so only their header stays as it came).
  ASSERT_NE (gSetupData, nullptr);
  ASSERT_EQ (gSetupDataSize + 16, Board.SetupDataSection.size ());
  EXPECT_EQ (0, std::memcmp (gSetupData, Board.SetupDataSection.data () + 16, sizeof (SETUP_DATA_HEADER)));
  EXPECT_NE (gHiiHandle, nullptr);
}

}  // namespace

// The image services and block devices that boot tests stand on: which loads fail and
// how, what a started image sees, and what a block read checks.
#include <Emulator/BootDevices.h>
#include <Emulator/FileSystem.h>
#include <Emulator/StandardMachine.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

class BootDevicesTest : public ::testing::Test {
protected:
  void SetUp () override
  {
    Root = std::filesystem::temp_directory_path () / ("emu-boot-" + std::to_string (::getpid ()));
    std::filesystem::create_directories (Root);
    std::ofstream (Root / "known.efi", std::ios::binary) << "MZknown";
    std::ofstream (Root / "other.efi", std::ios::binary) << "MZother";
    Disk = &Machine.Add (std::make_unique<Emu::BlockDevice> (Machine, DiskPath, Emu::BLOCK_MEDIA { .LastBlock = 7 }));
    Machine.Add (std::make_unique<Emu::FileSystemVolume> (Machine, Root, Disk->Handle ()));
    Images.RegisterBytes ({ 'M', 'Z', 'k', 'n', 'o', 'w', 'n' }, "known", Emu::BootImages::Returns (EFI_ABORTED));
  }

  void TearDown () override { std::filesystem::remove_all (Root); }

  EFI_STATUS Load (const std::u16string &File, EFI_HANDLE *Image)
  {
    Emu::BYTE_LIST  Path = Emu::JoinPath ({ Emu::PathBody (DiskPath), Emu::FilePathNode (File) });
    return BS->LoadImage (TRUE, Devices.Image->ImageHandle (), (EFI_DEVICE_PATH_PROTOCOL *)Path.data (), nullptr, 0, Image);
  }

  Emu::Machine           Machine;
  Emu::STANDARD_DEVICES  Devices = Emu::BuildStandardMachine (Machine, {});
  EFI_BOOT_SERVICES      *BS     = Machine.BootServices ();
  Emu::BootImages        &Images = Machine.Add (std::make_unique<Emu::BootImages> (Machine));
  Emu::BYTE_LIST         DiskPath = Emu::JoinPath ({ Emu::PciNode (1, 0), Emu::SataNode (2) });
  Emu::BlockDevice       *Disk = nullptr;
  std::filesystem::path  Root;
};

// A missing file is not found, a file of unknown bytes is no image, a scripted fault wins once.
TEST_F (BootDevicesTest, LoadImageTellsMissingFilesFromUnknownImages)
{
  EFI_HANDLE  Image = nullptr;
  EXPECT_EQ (Load (u"\\missing.efi", &Image), EFI_NOT_FOUND);
  EXPECT_EQ (Load (u"\\other.efi", &Image), EFI_LOAD_ERROR);
  Images.FailLoad (Emu::JoinPath ({ Emu::PathBody (DiskPath), Emu::FilePathNode (u"\\known.efi") }),
    EFI_SECURITY_VIOLATION);
  EXPECT_EQ (Load (u"\\known.efi", &Image), EFI_SECURITY_VIOLATION);
  EXPECT_EQ (Load (u"\\known.efi", &Image), EFI_SUCCESS);
  EXPECT_EQ (Images.Loads ().size (), 4u);
  EXPECT_EQ (Images.LoadedImages (), 1u);
}

// The loader sees its load options; a returning image is unloaded and cannot start again.
TEST_F (BootDevicesTest, AStartedImageSeesItsLoadOptionsAndIsUnloadedWhenItReturns)
{
  EFI_HANDLE                 Image = nullptr;
  EFI_LOADED_IMAGE_PROTOCOL  *Loaded;
  UINT8                      Options[3] = { 1, 2, 3 };
  ASSERT_EQ (Load (u"known.efi", &Image), EFI_SUCCESS);
  ASSERT_EQ (BS->HandleProtocol (Image, &gEfiLoadedImageProtocolGuid, (VOID **)&Loaded), EFI_SUCCESS);
  Loaded->LoadOptions     = Options;
  Loaded->LoadOptionsSize = sizeof (Options);
  EXPECT_EQ (BS->StartImage (Image, nullptr, nullptr), EFI_ABORTED);
  ASSERT_EQ (Images.Log ().size (), 1u);
  EXPECT_EQ (Images.Log ()[0].LoadOptions, (Emu::BYTE_LIST { 1, 2, 3 }));
  EXPECT_TRUE (Images.Log ()[0].Returned);
  EXPECT_EQ (BS->StartImage (Image, nullptr, nullptr), EFI_INVALID_PARAMETER);
  EXPECT_EQ (Images.LoadedImages (), 0u);
}

// Reads are bounded by the medium and logged; no medium, no read.
TEST_F (BootDevicesTest, BlockReadsStayOnTheMedium)
{
  EFI_BLOCK_IO_PROTOCOL  *BlockIo;
  UINT8                  Buffer[1024];
  ASSERT_EQ (BS->HandleProtocol (Disk->Handle (), &gEfiBlockIoProtocolGuid, (VOID **)&BlockIo), EFI_SUCCESS);
  EXPECT_EQ (BlockIo->ReadBlocks (BlockIo, 1, 6, 1024, Buffer), EFI_SUCCESS);
  EXPECT_EQ (BlockIo->ReadBlocks (BlockIo, 1, 7, 1024, Buffer), EFI_INVALID_PARAMETER);
  EXPECT_EQ (BlockIo->ReadBlocks (BlockIo, 1, 0, 100, Buffer), EFI_BAD_BUFFER_SIZE);
  Disk->Media ().MediaPresent = FALSE;
  EXPECT_EQ (BlockIo->ReadBlocks (BlockIo, 1, 0, 512, Buffer), EFI_NO_MEDIA);
  EXPECT_EQ (Disk->Reads (), (std::vector<UINT64> { 6 }));
}

}  // namespace

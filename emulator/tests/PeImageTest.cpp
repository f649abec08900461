// What the image services read of a PE image, as a firmware's loader reads it: the
// subsystem and the HII resource, reached through the resource directories with every
// offset checked; and a driver image loaded from a file: its loaded image names the
// disk, its package list is installed, and it stays when its entry point succeeds.
#include <Emulator/BootDevices.h>
#include <Emulator/DevicePathUtil.h>
#include <Emulator/FileSystem.h>
#include <Emulator/PeImage.h>
#include <Emulator/StandardMachine.h>
#include <Protocol/HiiPackageList.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

using Emu::BYTE_LIST;

constexpr UINT32  kSectionVa  = 0x1000;
constexpr UINT32  kSectionRaw = 0x200;

void
Put16 (BYTE_LIST &B, size_t At, UINT16 V)
{
  B[At]     = (UINT8)V;
  B[At + 1] = (UINT8)(V >> 8);
}

void
Put32 (BYTE_LIST &B, size_t At, UINT32 V)
{
  Put16 (B, At, (UINT16)V);
  Put16 (B, At + 2, (UINT16)(V >> 16));
}

// The offsets of the resource tree inside the section, for tests that break one.
struct TREE {
  size_t  Root      = 0;        // root directory
  size_t  Name      = 0x30;     // its named entry's string
  size_t  Level2    = 0x40;
  size_t  Level3    = 0x60;
  size_t  Leaf      = 0x80;     // data entry
  size_t  Data      = 0x90;
};

// A PE32+ image of one section, .rsrc, holding a resource named TypeName (name 1,
// language 0x409) whose data is Data, with the given subsystem.
BYTE_LIST
MakePe (UINT16 Subsystem, const BYTE_LIST &Data, const std::u16string &TypeName = u"HII")
{
  const TREE  T;
  const size_t  Pe = 0x40, Optional = Pe + 24, Table = Optional + 240;
  BYTE_LIST  Image (kSectionRaw + 0x200 + Data.size (), 0);

  Image[0] = 'M';
  Image[1] = 'Z';
  Put32 (Image, 0x3C, Pe);
  std::memcpy (&Image[Pe], "PE\0\0", 4);
  Put16 (Image, Pe + 4, 0x8664);
  Put16 (Image, Pe + 6, 1);
  Put16 (Image, Pe + 20, 240);
  Put16 (Image, Optional, 0x20B);
  Put32 (Image, Optional + 56, kSectionVa + 0x1000);
  Put16 (Image, Optional + 68, Subsystem);
  Put32 (Image, Optional + 108, 16);
  Put32 (Image, Optional + 112 + 2 * 8, kSectionVa);
  Put32 (Image, Optional + 112 + 2 * 8 + 4, (UINT32)(T.Data + Data.size ()));
  std::memcpy (&Image[Table], ".rsrc", 5);
  Put32 (Image, Table + 8, (UINT32)(0x200 + Data.size ()));
  Put32 (Image, Table + 12, kSectionVa);
  Put32 (Image, Table + 16, (UINT32)(0x200 + Data.size ()));
  Put32 (Image, Table + 20, kSectionRaw);

  const size_t  S = kSectionRaw;
  Put16 (Image, S + T.Root + 12, 1);                                   // one named entry
  Put32 (Image, S + T.Root + 16, 0x80000000u | (UINT32)T.Name);
  Put32 (Image, S + T.Root + 20, 0x80000000u | (UINT32)T.Level2);
  Put16 (Image, S + T.Name, (UINT16)TypeName.size ());
  for (size_t I = 0; I < TypeName.size (); I++) {
    Put16 (Image, S + T.Name + 2 + 2 * I, TypeName[I]);
  }

  Put16 (Image, S + T.Level2 + 14, 1);                                 // one id entry: name 1
  Put32 (Image, S + T.Level2 + 16, 1);
  Put32 (Image, S + T.Level2 + 20, 0x80000000u | (UINT32)T.Level3);
  Put16 (Image, S + T.Level3 + 14, 1);                                 // one id entry: en-US
  Put32 (Image, S + T.Level3 + 16, 0x409);
  Put32 (Image, S + T.Level3 + 20, (UINT32)T.Leaf);
  Put32 (Image, S + T.Leaf, kSectionVa + (UINT32)T.Data);
  Put32 (Image, S + T.Leaf + 4, (UINT32)Data.size ());
  std::memcpy (&Image[S + T.Data], Data.data (), Data.size ());
  return Image;
}

TEST (PeImage, ReadsTheSubsystemAndTheHiiResource)
{
  const BYTE_LIST  Data = { 1, 2, 3, 4, 5, 6, 7 };
  auto             Info = Emu::ReadPeImage (MakePe (Emu::kPeSubsystemBootDriver, Data));

  ASSERT_TRUE (Info.has_value ());
  EXPECT_EQ (Info->Subsystem, Emu::kPeSubsystemBootDriver);
  EXPECT_EQ (Info->ImageSize, 0x2000u);
  EXPECT_EQ (Info->HiiResource, Data);
}

TEST (PeImage, AResourceOfAnotherNameIsNoPackageList)
{
  auto  Info = Emu::ReadPeImage (MakePe (Emu::kPeSubsystemBootDriver, { 1, 2 }, u"HIX"));

  ASSERT_TRUE (Info.has_value ());
  EXPECT_TRUE (Info->HiiResource.empty ());
  Info = Emu::ReadPeImage (MakePe (Emu::kPeSubsystemBootDriver, { 1, 2 }, u"HIIX"));
  ASSERT_TRUE (Info.has_value ());
  EXPECT_TRUE (Info->HiiResource.empty ());
}

TEST (PeImage, DataThatRunsPastItsSectionIsNotRead)
{
  BYTE_LIST  Image = MakePe (Emu::kPeSubsystemBootDriver, { 1, 2, 3 });
  const TREE T;

  Put32 (Image, kSectionRaw + T.Leaf + 4, 0x10000);
  auto  Info = Emu::ReadPeImage (Image);
  ASSERT_TRUE (Info.has_value ());
  EXPECT_TRUE (Info->HiiResource.empty ());

  // Nor a data RVA outside every section.
  Image = MakePe (Emu::kPeSubsystemBootDriver, { 1, 2, 3 });
  Put32 (Image, kSectionRaw + T.Leaf, 0x9000);
  EXPECT_TRUE (Emu::ReadPeImage (Image)->HiiResource.empty ());
}

TEST (PeImage, ADirectoryThatLeadsToItselfEnds)
{
  BYTE_LIST  Image = MakePe (Emu::kPeSubsystemBootDriver, { 1, 2, 3 });
  const TREE T;

  Put32 (Image, kSectionRaw + T.Level3 + 20, 0x80000000u | (UINT32)T.Level2);
  auto  Info = Emu::ReadPeImage (Image);
  ASSERT_TRUE (Info.has_value ());
  EXPECT_TRUE (Info->HiiResource.empty ());
}

TEST (PeImage, BytesThatAreNoImageGiveNothing)
{
  BYTE_LIST  Image = MakePe (Emu::kPeSubsystemApplication, { 1 });

  EXPECT_FALSE (Emu::ReadPeImage (BYTE_LIST { 'M', 'Z', 'k', 'n', 'o', 'w', 'n' }).has_value ());
  Put32 (Image, 0x3C, (UINT32)Image.size () - 8);                      // the PE header past the end
  EXPECT_FALSE (Emu::ReadPeImage (Image).has_value ());
  Image = MakePe (Emu::kPeSubsystemApplication, { 1 });
  Put16 (Image, 0x40 + 6, 0x4000);                                     // more sections than the file holds
  EXPECT_FALSE (Emu::ReadPeImage (Image).has_value ());
  Image.resize (0x40 + 24 + 100);                                      // an optional header cut short
  EXPECT_FALSE (Emu::ReadPeImage (Image).has_value ());
}

class DriverFileTest : public ::testing::Test {
protected:
  void SetUp () override
  {
    Root = std::filesystem::temp_directory_path () / ("emu-pe-" + std::to_string (::getpid ()));
    std::filesystem::create_directories (Root);
    Disk = &Machine.Add (std::make_unique<Emu::BlockDevice> (Machine, DiskPath, Emu::BLOCK_MEDIA {}));
    Machine.Add (std::make_unique<Emu::FileSystemVolume> (Machine, Root, Disk->Handle ()));
  }

  void TearDown () override { std::filesystem::remove_all (Root); }

  EFI_STATUS LoadFile (const BYTE_LIST &Bytes, EFI_STATUS Entry, EFI_HANDLE *Image)
  {
    std::ofstream ((Root / "driver.efi"), std::ios::binary).write ((const char *)Bytes.data (), (std::streamsize)Bytes.size ());
    Images.RegisterBytes (Bytes, "driver", [this, Entry] (const Emu::LOADER_CALL &Call) {
                            Seen = *Call.LoadedImage;
                            return Entry;
                          });
    Emu::BYTE_LIST  Path = Emu::JoinPath ({ Emu::PathBody (DiskPath), Emu::FilePathNode (u"\\driver.efi") });
    return BS->LoadImage (FALSE, Devices.Image->ImageHandle (), (EFI_DEVICE_PATH_PROTOCOL *)Path.data (), nullptr, 0, Image);
  }

  Emu::Machine               Machine;
  Emu::STANDARD_DEVICES      Devices = Emu::BuildStandardMachine (Machine, {});
  EFI_BOOT_SERVICES          *BS     = Machine.BootServices ();
  Emu::BootImages            &Images = Machine.Add (std::make_unique<Emu::BootImages> (Machine));
  Emu::BYTE_LIST             DiskPath = Emu::JoinPath ({ Emu::PciNode (1, 0), Emu::SataNode (2) });
  Emu::BlockDevice           *Disk = nullptr;
  std::filesystem::path      Root;
  EFI_LOADED_IMAGE_PROTOCOL  Seen {};
};

TEST_F (DriverFileTest, ADriverFromAFileNamesItsDiskCarriesItsPackageListAndStays)
{
  const EFI_GUID   ListGuid = EFI_HII_PACKAGE_LIST_PROTOCOL_GUID;
  const BYTE_LIST  Bytes    = MakePe (Emu::kPeSubsystemBootDriver, { 9, 8, 7 });
  EFI_HANDLE       Image    = nullptr;
  VOID             *List    = nullptr;

  ASSERT_EQ (LoadFile (Bytes, EFI_SUCCESS, &Image), EFI_SUCCESS);
  ASSERT_EQ (BS->HandleProtocol (Image, (EFI_GUID *)&ListGuid, &List), EFI_SUCCESS);
  EXPECT_EQ (0, std::memcmp (List, "\x09\x08\x07", 3));
  EXPECT_EQ (BS->StartImage (Image, nullptr, nullptr), EFI_SUCCESS);
  // The device is the disk the file lies on, the file path only the file's node.
  EXPECT_EQ (Seen.DeviceHandle, Disk->Handle ());
  ASSERT_NE (Seen.FilePath, nullptr);
  EXPECT_EQ (Seen.FilePath->Type, MEDIA_DEVICE_PATH);
  EXPECT_EQ (Seen.FilePath->SubType, MEDIA_FILEPATH_DP);
  EXPECT_EQ (Seen.ImageSize, Bytes.size ());
  // A driver that succeeded stays, its package list with it.
  EXPECT_EQ (Images.LoadedImages (), 1u);
  EXPECT_EQ (BS->HandleProtocol (Image, (EFI_GUID *)&ListGuid, &List), EFI_SUCCESS);
}

TEST_F (DriverFileTest, ADriverThatFailsAndAnApplicationAreUnloaded)
{
  const EFI_GUID  ListGuid = EFI_HII_PACKAGE_LIST_PROTOCOL_GUID;
  EFI_HANDLE      Image    = nullptr;
  VOID            *List    = nullptr;

  ASSERT_EQ (LoadFile (MakePe (Emu::kPeSubsystemBootDriver, { 1 }), EFI_UNSUPPORTED, &Image), EFI_SUCCESS);
  EXPECT_EQ (BS->StartImage (Image, nullptr, nullptr), EFI_UNSUPPORTED);
  EXPECT_EQ (Images.LoadedImages (), 0u);
  EXPECT_NE (BS->HandleProtocol (Image, (EFI_GUID *)&ListGuid, &List), EFI_SUCCESS);
  ASSERT_EQ (LoadFile (MakePe (Emu::kPeSubsystemApplication, { 2 }), EFI_SUCCESS, &Image), EFI_SUCCESS);
  EXPECT_EQ (BS->StartImage (Image, nullptr, nullptr), EFI_SUCCESS);
  EXPECT_EQ (Images.LoadedImages (), 0u);
}

}  // namespace

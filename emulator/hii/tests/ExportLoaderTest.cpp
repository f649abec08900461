// The export loader walks what a list carries only within that list: a device-path
// package is read up to its own end, whatever bytes follow it.
#include "HiiFixture.h"

#include <Builders/HiiPackageBuilder.h>
#include <Emulator/DevicePathUtil.h>
#include <Protocol/DevicePath.h>

#include <vector>

namespace {

const EFI_GUID  kListGuid = { 0x6C2A4A0E, 0x11D2, 0x4C3F, { 0x9A, 0x61, 0x2B, 0x0E, 0x7D, 0x45, 0x90, 0x13 } };

std::vector<UINT8>
ExportWithPath (const std::vector<UINT8> &Path)
{
  return Builders::PackageListBuilder (kListGuid)
           .Add (Builders::BuildPackage (EFI_HII_PACKAGE_DEVICE_PATH, Path))
           .Build ();
}

class ExportLoader : public HiiTest::HiiFixture {
protected:
  // Loads BYTES with driver handles; the list must load and get no driver when its
  // path is malformed.
  void ExpectLoadedWithoutDriver (const std::vector<UINT8> &Bytes)
  {
    std::vector<EFI_HII_HANDLE>  Loaded;
    ASSERT_EQ (Hii->LoadExport (Bytes.data (), Bytes.size (), true, &Loaded), EFI_SUCCESS);
    ASSERT_EQ (Loaded.size (), 1u);
    EFI_HANDLE  Driver = nullptr;
    EXPECT_EQ (Database->GetPackageListHandle (Database, Loaded[0], &Driver), EFI_NOT_FOUND);
  }
};

// 20-byte list header, an 8-byte device-path package holding one 4-byte hardware node
// and no end node, the 4-byte end package: the walk used to read on past the package.
TEST_F (ExportLoader, PathWithoutEndNodeIsNotReadPastItsPackage)
{
  const std::vector<UINT8>  Bytes = ExportWithPath ({ HARDWARE_DEVICE_PATH, HW_VENDOR_DP, 4, 0 });
  ASSERT_EQ (Bytes.size (), 32u);
  ExpectLoadedWithoutDriver (Bytes);
}

TEST_F (ExportLoader, NodeRunningPastItsPackageIsMalformed)
{
  ExpectLoadedWithoutDriver (ExportWithPath ({ HARDWARE_DEVICE_PATH, HW_VENDOR_DP, 0x40, 0, 0, 0, 0, 0,
                                               END_DEVICE_PATH_TYPE, END_ENTIRE_DEVICE_PATH_SUBTYPE, 4, 0 }));
}

TEST_F (ExportLoader, EndNodeLongerThanItsHeaderIsMalformed)
{
  ExpectLoadedWithoutDriver (ExportWithPath ({ END_DEVICE_PATH_TYPE, END_ENTIRE_DEVICE_PATH_SUBTYPE, 8, 0, 0, 0, 0, 0 }));
}

TEST_F (ExportLoader, WellFormedPathGivesTheListADriverCarryingIt)
{
  const std::vector<UINT8>     Path = { HARDWARE_DEVICE_PATH, HW_CONTROLLER_DP, 8, 0, 2, 0, 0, 0,
                                        END_DEVICE_PATH_TYPE, END_ENTIRE_DEVICE_PATH_SUBTYPE, 4, 0 };
  const std::vector<UINT8>     Bytes = ExportWithPath (Path);
  std::vector<EFI_HII_HANDLE>  Loaded;
  ASSERT_EQ (Hii->LoadExport (Bytes.data (), Bytes.size (), true, &Loaded), EFI_SUCCESS);
  ASSERT_EQ (Loaded.size (), 1u);

  EFI_HANDLE  Driver  = nullptr;
  VOID        *Found  = nullptr;
  ASSERT_EQ (Database->GetPackageListHandle (Database, Loaded[0], &Driver), EFI_SUCCESS);
  ASSERT_EQ (M.Protocols ().HandleProtocol (Driver, &gEfiDevicePathProtocolGuid, &Found), EFI_SUCCESS);
  EXPECT_EQ (Emu::DevicePathBodySize ((const EFI_DEVICE_PATH_PROTOCOL *)Found), 8u);
}

TEST (DevicePathBodySize, EndNodeMustLieWithinTheBound)
{
  const UINT8  Path[] = { HARDWARE_DEVICE_PATH, HW_CONTROLLER_DP, 8, 0, 2, 0, 0, 0,
                          END_DEVICE_PATH_TYPE, END_ENTIRE_DEVICE_PATH_SUBTYPE, 4, 0 };
  const auto   *Node  = (const EFI_DEVICE_PATH_PROTOCOL *)Path;

  EXPECT_EQ (Emu::DevicePathBodySize (Node, sizeof (Path)), 8u);
  EXPECT_EQ (Emu::DevicePathBodySize (Node, sizeof (Path) - 1), SIZE_MAX);
  EXPECT_EQ (Emu::DevicePathBodySize (Node, 8), SIZE_MAX);
  EXPECT_EQ (Emu::DevicePathBodySize (Node, 0), SIZE_MAX);
}

}  // namespace

// Device-path walking with malformed lengths, and the builders.
#include <Library/DevicePathLib.h>
#include <Library/BaseLib.h>
#include <Library/MemoryAllocationLib.h>

#include "LibraryMachine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

std::vector<UINT8> PciThenEnd ()
{
  return { HARDWARE_DEVICE_PATH, HW_PCI_DP, 6, 0, 1, 0x1F, END_DEVICE_PATH_TYPE, END_ENTIRE_DEVICE_PATH_SUBTYPE, 4, 0 };
}

TEST (DevicePathWalk, MeasuresWellFormedPath) {
  auto  Path = PciThenEnd ();

  EXPECT_EQ (10u, GetDevicePathSize ((EFI_DEVICE_PATH_PROTOCOL *)Path.data ()));
  EXPECT_TRUE (IsDevicePathValid ((EFI_DEVICE_PATH_PROTOCOL *)Path.data (), Path.size ()));
  EXPECT_EQ (6u, DevicePathNodeLength (Path.data ()));
  EXPECT_TRUE (IsDevicePathEnd (NextDevicePathNode (Path.data ())));

  // An end-of-instance node separates instances; only the end-of-path node ends a walk.
  std::vector<UINT8>  Instances = { END_DEVICE_PATH_TYPE, END_INSTANCE_DEVICE_PATH_SUBTYPE, 4, 0,
                                    MEDIA_DEVICE_PATH, MEDIA_PIWG_FW_FILE_DP, 20, 0 };
  Instances.resize (24, 0);
  Instances.insert (Instances.end (), { END_DEVICE_PATH_TYPE, END_ENTIRE_DEVICE_PATH_SUBTYPE, 4, 0 });
  EXPECT_EQ (28u, GetDevicePathSize ((EFI_DEVICE_PATH_PROTOCOL *)Instances.data ()));
}

// A node length below the header would loop on the same node; one past the limit
// would read outside the buffer. Both make the path invalid.
TEST (DevicePathWalk, RefusesMalformedLengths) {
  auto  Short = PciThenEnd ();
  Short[2] = 2;
  EXPECT_EQ (0u, GetDevicePathSize ((EFI_DEVICE_PATH_PROTOCOL *)Short.data ()));

  auto  Zero = PciThenEnd ();
  Zero[2] = 0;
  EXPECT_FALSE (IsDevicePathValid ((EFI_DEVICE_PATH_PROTOCOL *)Zero.data (), Zero.size ()));

  auto  Long = PciThenEnd ();
  Long[2] = 200;
  EXPECT_FALSE (IsDevicePathValid ((EFI_DEVICE_PATH_PROTOCOL *)Long.data (), Long.size ()));

  auto  NoEnd = PciThenEnd ();
  NoEnd.resize (6);
  EXPECT_FALSE (IsDevicePathValid ((EFI_DEVICE_PATH_PROTOCOL *)NoEnd.data (), NoEnd.size ()));
  EXPECT_FALSE (IsDevicePathValid ((EFI_DEVICE_PATH_PROTOCOL *)PciThenEnd ().data (), 9));   // end cut off
  EXPECT_FALSE (IsDevicePathValid (nullptr, 0));
}

TEST (DevicePathBuild, AppendNodeAndPaths) {
  LibraryMachine  Firmware;
  auto          Pci = PciThenEnd ();
  auto          *Node = CreateDeviceNode (MESSAGING_DEVICE_PATH, MSG_USB_DP, sizeof (USB_DEVICE_PATH));

  ASSERT_NE (nullptr, Node);
  auto  *Joined = AppendDevicePathNode ((EFI_DEVICE_PATH_PROTOCOL *)Pci.data (), Node);
  ASSERT_NE (nullptr, Joined);
  EXPECT_EQ (16u, GetDevicePathSize (Joined));
  EXPECT_EQ (MSG_USB_DP, DevicePathSubType (NextDevicePathNode (Joined)));
  auto  *Twice = AppendDevicePath (Joined, Joined);
  EXPECT_EQ (28u, GetDevicePathSize (Twice));
  auto  *EndOnly = AppendDevicePath (nullptr, nullptr);
  EXPECT_EQ (4u, GetDevicePathSize (EndOnly));
  // Without a node the path is copied; without either, the result is the empty path
  // (an end node alone), as appending two absent paths gives.
  auto  *Copy = AppendDevicePathNode ((EFI_DEVICE_PATH_PROTOCOL *)Pci.data (), nullptr);
  auto  *NoNode = AppendDevicePathNode (nullptr, nullptr);
  ASSERT_NE (nullptr, Copy);
  EXPECT_EQ (0, std::memcmp (Copy, Pci.data (), Pci.size ()));
  ASSERT_NE (nullptr, NoNode);
  EXPECT_EQ (4u, GetDevicePathSize (NoNode));
  for (auto *Path : { Node, Joined, Twice, EndOnly, Copy, NoNode }) {
    FreePool (Path);
  }

  EXPECT_EQ (nullptr, CreateDeviceNode (1, 1, 3));
  EXPECT_EQ (0u, Firmware.LiveBlocks ());
}

// An 8-byte path whose end node claims 0xFF7B bytes measured 65,407 bytes, which
// DuplicateDevicePath copied out of the 8; builders also count every end node as 4
// bytes. An end node is exactly 4 bytes. Invalid input to a builder gives null.
TEST (DevicePathWalk, EndNodeIsExactlyFourBytes) {
  LibraryMachine      Firmware;
  auto                Bad = PciThenEnd ();

  Bad[2] = 1;
  EXPECT_EQ (nullptr, DuplicateDevicePath ((EFI_DEVICE_PATH_PROTOCOL *)Bad.data ()));
  EXPECT_EQ (nullptr, AppendDevicePath ((EFI_DEVICE_PATH_PROTOCOL *)PciThenEnd ().data (),
                        (EFI_DEVICE_PATH_PROTOCOL *)Bad.data ()));
  EXPECT_EQ (nullptr, AppendDevicePathNode (nullptr, (EFI_DEVICE_PATH_PROTOCOL *)Bad.data ()));
  std::vector<UINT8>  Claims = { HARDWARE_DEVICE_PATH, HW_VENDOR_DP, 4, 0,
                                 END_DEVICE_PATH_TYPE, END_ENTIRE_DEVICE_PATH_SUBTYPE, 0x7B, 0xFF };
  std::vector<UINT8>  Long   = { END_DEVICE_PATH_TYPE, END_ENTIRE_DEVICE_PATH_SUBTYPE, 8, 0, 0, 0, 0, 0 };
  EXPECT_EQ (0u, GetDevicePathSize ((EFI_DEVICE_PATH_PROTOCOL *)Claims.data ()));
  EXPECT_EQ (nullptr, DuplicateDevicePath ((EFI_DEVICE_PATH_PROTOCOL *)Claims.data ()));
  EXPECT_FALSE (IsDevicePathValid ((EFI_DEVICE_PATH_PROTOCOL *)Long.data (), Long.size ()));
  EXPECT_EQ (0u, GetDevicePathSize ((EFI_DEVICE_PATH_PROTOCOL *)Long.data ()));
  EXPECT_EQ (nullptr, AppendDevicePath ((EFI_DEVICE_PATH_PROTOCOL *)Long.data (),
                        (EFI_DEVICE_PATH_PROTOCOL *)PciThenEnd ().data ()));
  EXPECT_EQ (0u, Firmware.LiveBlocks ());
}

TEST (DevicePathBuild, FileDevicePathWithoutDevice) {
  LibraryMachine  Firmware;
  auto          *Path = FileDevicePath (nullptr, u"\\EFI\\BOOT\\BOOTX64.EFI");

  ASSERT_NE (nullptr, Path);
  EXPECT_EQ (MEDIA_FILEPATH_DP, DevicePathSubType (Path));
  EXPECT_EQ (4u + 22u * 2, DevicePathNodeLength (Path));   // 21 characters and the terminator
  EXPECT_EQ (0, StrCmp ((CHAR16 *)((UINT8 *)Path + 4), u"\\EFI\\BOOT\\BOOTX64.EFI"));
  EXPECT_TRUE (IsDevicePathEnd (NextDevicePathNode (Path)));
  FreePool (Path);
}

}  // namespace

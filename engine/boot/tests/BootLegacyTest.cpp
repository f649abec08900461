// Legacy boot options on the emulator: the BBS priorities a launch sets (read from a
// legacy BIOS that snapshots them when it boots), the groups the boot loop passes over,
// and groups of "LegacyDevOrder" that do not hold together.
#include <engine/testing/BootMachine.h>

#include <engine/core/EngineGlobals.h>
#include <engine/variables/VariableCache.h>
#include <Protocol/LegacyBios.h>

#include <Emulator/LegacyBios.h>

#include <algorithm>
#include <cstring>

namespace {

using namespace BootTest;

constexpr UINT16  kHdd = 2, kCdRom = 3;

class BootLegacyTest : public BootMachineTest {
protected:
  void Start () override { StartWithOrders (); }

  void SetUp () override
  {
    BootMachineTest::SetUp ();
    Bios = &M.Add (std::make_unique<Emu::LegacyBios> (M));
    Bios->Table ().push_back (Emu::BbsEntry (BBS_IGNORE_ENTRY, 0));
    Bios->Table ().push_back (Emu::BbsEntry (5, kHdd, Device (1)));
    Bios->Table ().push_back (Emu::BbsEntry (5, kCdRom, Device (2)));
    Bios->Table ().push_back (Emu::BbsEntry (5, kHdd, Device (3)));
    Bios->Table ().push_back (Emu::BbsEntry (5, kHdd, Device (4)));
    Bios->Table ().push_back (Emu::BbsEntry (5, 1, Device (5)));
    Bios->SetBootStatus (EFI_DEVICE_ERROR);
  }

  // A handle with a device path of its own, as a BBS entry's device has.
  EFI_HANDLE Device (UINT8 Number)
  {
    EFI_HANDLE  Handle = nullptr;
    mPaths.push_back (Emu::JoinPath ({ Emu::PciNode (0x11, 0), Emu::SataNode (Number) }));
    EXPECT_EQ (gBS->InstallMultipleProtocolInterfaces (&Handle, &gEfiDevicePathProtocolGuid, mPaths.back ().data (),
                 nullptr), EFI_SUCCESS);
    return Handle;
  }

  // Hard disks (Boot0001) and CD-ROMs (Boot0002) as legacy groups, a UEFI option (Boot0003).
  void PutOptions (const BYTES &LegacyOrder, const std::vector<UINT16> &BootOrder = { 1, 2, 3 })
  {
    PutOrder (BootOrder);
    PutBoot (1, LoadOption (LOAD_OPTION_ACTIVE, u"Hard disks", Emu::JoinPath ({ Emu::BbsNode (kHdd, "HDD") })));
    PutBoot (2, LoadOption (LOAD_OPTION_ACTIVE, u"CD-ROMs", Emu::JoinPath ({ Emu::BbsNode (kCdRom, "CD") })));
    std::filesystem::path  Root = Folder ("uefi", "os.efi", "uefi");
    Emu::BlockDevice       &Disk = DiskWithVolume (Emu::JoinPath ({ Emu::PciNode (7, 0) }), Root);
    PutBoot (3, LoadOption (LOAD_OPTION_ACTIVE, u"UEFI OS",
                  Emu::JoinPath ({ Emu::PathBody (Disk.Path ()), Emu::FilePathNode (u"\\os.efi") })));
    Images->RegisterBytes (ImageBytes ("uefi"), "uefi", Emu::BootImages::NeverReturns ("uefi"));
    const EFI_GUID  LegacyOrderGuid = { 0xA56074DB, 0x65FE, 0x45F7, { 0xBD, 0x21, 0x2D, 0x2B, 0xDD, 0x8E, 0x96, 0x52 } };
    M.Variables ().Put (u"LegacyDevOrder", LegacyOrderGuid, kNvBsRt, LegacyOrder);
    // The CD-ROM drive stays disabled only while "DisabledDevs" lists it.
    const EFI_GUID  DisabledDevsGuid = { 0xB4909CF3, 0x7B93, 0x4751, { 0x9B, 0xD8, 0x5B, 0xA8, 0x22, 0x0B, 0x9B, 0xB2 } };
    M.Variables ().Put (u"DisabledDevs", DisabledDevsGuid, kNvBsRt, mPaths[1]);
    ASSERT_EQ (BuildBootOptionTables (), EFI_SUCCESS);
  }

  // Hard disks: 3 then 1 (4 is not listed); CD-ROMs: 2, disabled unless Enabled.
  static BYTES Groups (bool CdEnabled = false)
  {
    return { 2, 0, 0, 0, 6, 0, 3, 0, 1, 0,
             3, 0, 0, 0, 4, 0, 2, (UINT8)(CdEnabled ? 0x00 : 0xFF) };
  }

  Emu::LegacyBios     *Bios = nullptr;
  std::vector<BYTES>  mPaths;
};

// Disk 3 first, disk 1 second; disk 4 belongs to no group and stays unprioritised.
const std::vector<UINT16>  kDisksFirst = { BBS_IGNORE_ENTRY, 1, BBS_UNPRIORITIZED_ENTRY, 0, BBS_UNPRIORITIZED_ENTRY,
                                           BBS_UNPRIORITIZED_ENTRY };

// A launch numbers the groups' devices in their order from its place in the order on;
// devices a group dropped or disabled do not boot.
TEST_F (BootLegacyTest, ALaunchNumbersTheGroupsDevicesInTheirOrder) {
  PutOptions (Groups ());
  UINT16  Order[3] = { 1, 2, 3 };

  EXPECT_EQ (LaunchBootOption (1, Order, 3), EFI_DEVICE_ERROR);
  ASSERT_EQ (Bios->Boots ().size (), 1u);
  EXPECT_EQ (Bios->Boots ()[0].Priorities, (std::vector<UINT16> { BBS_IGNORE_ENTRY, 1, BBS_DO_NOT_BOOT_FROM, 0,
                                                                   BBS_UNPRIORITIZED_ENTRY, BBS_UNPRIORITIZED_ENTRY }));
  EXPECT_EQ (Bios->Boots ()[0].BbsPath, Emu::BbsNode (2, "HDD"));
  EXPECT_EQ (Find (u"BootCurrent"), nullptr);
}

// The loop passes over a group whose first device is disabled, and goes on after a failed legacy boot.
TEST_F (BootLegacyTest, TheLoopSkipsAGroupWhoseFirstDeviceIsDisabled) {
  PutOptions (Groups (), { 2, 1, 3 });
  EFI_STATUS  Status;

  EXPECT_THROW (RunBootLoop (&Status), Emu::OsBooted);
  ASSERT_EQ (Bios->Boots ().size (), 1u);
  EXPECT_EQ (Bios->Boots ()[0].Priorities, kDisksFirst);
  EXPECT_EQ (Booted (), (std::vector<std::string> { "uefi" }));
}

// A device chosen from the flat list boots first; the groups' devices follow from 1.
TEST_F (BootLegacyTest, AChosenDeviceBootsFirstAndTheGroupsFollow) {
  PutOptions (Groups (true));
  M.Variables ().Put (u"DisabledDevs", { 0xB4909CF3, 0x7B93, 0x4751, { 0x9B, 0xD8, 0x5B, 0xA8, 0x22, 0x0B, 0x9B, 0xB2 } },
    kNvBsRt, mPaths[4]);

  EXPECT_EQ (BootOptionByIndex (1), EFI_DEVICE_ERROR);    // disk 1, the second of the hard disks
  ASSERT_EQ (Bios->Boots ().size (), 1u);
  EXPECT_EQ (Bios->Boots ()[0].Priorities, (std::vector<UINT16> { BBS_IGNORE_ENTRY, 0, 2, 1, BBS_UNPRIORITIZED_ENTRY,
                                                                   BBS_UNPRIORITIZED_ENTRY }));
}

// A cached order whose group runs past the data, or lists an index the table lacks, is
// read no further than the data and writes no priority outside the table.
TEST_F (BootLegacyTest, GroupsThatDoNotHoldTogetherAreNotRead) {
  PutOptions (Groups (), { 2, 1, 3 });
  const EFI_GUID  LegacyOrderGuid = { 0xA56074DB, 0x65FE, 0x45F7, { 0xBD, 0x21, 0x2D, 0x2B, 0xDD, 0x8E, 0x96, 0x52 } };
  // The groups where the rebuild put them: the disks list 9 and 1, the CD-ROM group claims 0x40 bytes.
  const BYTES  Disks = { 2, 0, 0, 0, 6, 0, 9, 0, 1, 0 };
  const BYTES  Cds   = { 3, 0, 0, 0, 0x40, 0, 2, 0 };
  UINT32       AtDisks = FindBootOption (1)->LegacyGroupOffset, AtCds = FindBootOption (2)->LegacyGroupOffset;
  ASSERT_EQ (std::max (AtDisks + Disks.size (), AtCds + Cds.size ()), 18u);
  BYTES  Bad (18, 0);
  std::copy (Disks.begin (), Disks.end (), Bad.begin () + AtDisks);
  std::copy (Cds.begin (), Cds.end (), Bad.begin () + AtCds);
  M.Variables ().Put (u"LegacyDevOrder", LegacyOrderGuid, kNvBsRt, Bad);
  RefreshVariableCache (SETUP_VARIABLE_INDEX_LEGACY_DEV_ORDER);
  EFI_STATUS  Status;

  EXPECT_THROW (RunBootLoop (&Status), Emu::OsBooted);
  ASSERT_EQ (Bios->Boots ().size (), 1u);
  EXPECT_EQ (Bios->Boots ()[0].Priorities, (std::vector<UINT16> { BBS_IGNORE_ENTRY, 0, BBS_UNPRIORITIZED_ENTRY,
                                                                   BBS_DO_NOT_BOOT_FROM, BBS_UNPRIORITIZED_ENTRY,
                                                                   BBS_UNPRIORITIZED_ENTRY }));
  EXPECT_EQ (Booted (), (std::vector<std::string> { "uefi" }));
}

}  // namespace

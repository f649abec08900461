// Legacy boot options on the emulator: the BBS priorities a launch sets (read from a
// legacy BIOS that snapshots them when it boots), the groups the boot loop passes over,
// and groups of "LegacyDevOrder" that do not hold together.
#include "support/BootMachine.h"

#include <engine/core/EngineGlobals.h>
#include <engine/core/VariableCache.h>
#include <Protocol/LegacyBios.h>

#include <cstring>

namespace {

using namespace BootTest;

struct FAKE_LEGACY_BIOS {
  EFI_LEGACY_BIOS_PROTOCOL          Protocol;
  std::vector<BBS_TABLE>            Table;
  std::vector<std::vector<UINT16>>  Boots;      // the priorities at each LegacyBoot
  std::vector<BYTES>                Paths;
  EFI_STATUS                        Answer = EFI_DEVICE_ERROR;
};

FAKE_LEGACY_BIOS  *gLegacy = nullptr;

EFI_STATUS EFIAPI
FakeGetBbsInfo (EFI_LEGACY_BIOS_PROTOCOL *, UINT16 *HddCount, HDD_INFO **HddInfo, UINT16 *BbsCount, BBS_TABLE **Table)
{
  *HddCount = 0;
  *HddInfo  = nullptr;
  *BbsCount = (UINT16)gLegacy->Table.size ();
  *Table    = gLegacy->Table.data ();
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI
FakeLegacyBoot (EFI_LEGACY_BIOS_PROTOCOL *, BBS_BBS_DEVICE_PATH *Path, UINT32, VOID *)
{
  std::vector<UINT16>  Priorities;
  for (UINTN Index = 0; Index < gLegacy->Table.size (); Index++) {
    UINT16  Priority;
    std::memcpy (&Priority, &gLegacy->Table[Index], sizeof (Priority));   // the entries are packed
    Priorities.push_back (Priority);
  }
  gLegacy->Boots.push_back (Priorities);
  gLegacy->Paths.push_back (Path == nullptr ? BYTES {} : BYTES ((UINT8 *)Path, (UINT8 *)Path + Path->Header.Length[0]));
  return gLegacy->Answer;
}

// Devices named by BBS index; the arrays belong to the test, never to the tables.
LEGACY_DEVICE_ENTRY  gDisks[3]  = { { 1, u"Disk B" }, { 3, u"Disk D" }, { 4, u"Disk E" } };
LEGACY_DEVICE_ENTRY  gCdroms[1] = { { 2, u"CD C" } };

class BootLegacyTest : public BootMachineTest {
protected:
  void Start () override { StartWithOrders (); }

  void SetUp () override
  {
    BootMachineTest::SetUp ();
    Fake.Protocol.GetBbsInfo = FakeGetBbsInfo;
    Fake.Protocol.LegacyBoot = FakeLegacyBoot;
    Fake.Table.resize (6);
    for (BBS_TABLE &Entry : Fake.Table) {
      std::memset (&Entry, 0, sizeof (Entry));
      Entry.BootPriority = 5;
    }
    Fake.Table[0].BootPriority = BBS_IGNORE_ENTRY;
    gLegacy = &Fake;
    ASSERT_EQ (gBS->InstallProtocolInterface (&Handle, &gEfiLegacyBiosProtocolGuid, EFI_NATIVE_INTERFACE, &Fake.Protocol),
               EFI_SUCCESS);
  }

  void TearDown () override
  {
    for (UINTN Index = 0; Index < gBootOptionCount; Index++) {
      gBootOptionTable[Index].LegacyDevices     = nullptr;
      gBootOptionTable[Index].LegacyDeviceCount = 0;
    }
    gLegacy = nullptr;
    BootMachineTest::TearDown ();
  }

  // Hard disks (Boot0001) and CD-ROMs (Boot0002) as legacy groups, a UEFI option (Boot0003).
  void PutOptions (const BYTES &LegacyOrder, const std::vector<UINT16> &BootOrder = { 1, 2, 3 })
  {
    PutOrder (BootOrder);
    PutBoot (1, LoadOption (LOAD_OPTION_ACTIVE, u"Hard disks", Emu::JoinPath ({ Emu::BbsNode (2, "HDD") })));
    PutBoot (2, LoadOption (LOAD_OPTION_ACTIVE, u"CD-ROMs", Emu::JoinPath ({ Emu::BbsNode (3, "CD") })));
    std::filesystem::path  Root = Folder ("uefi", "os.efi", "uefi");
    Emu::BlockDevice       &Disk = DiskWithVolume (Emu::JoinPath ({ Emu::PciNode (7, 0) }), Root);
    PutBoot (3, LoadOption (LOAD_OPTION_ACTIVE, u"UEFI OS",
                  Emu::JoinPath ({ Emu::PathBody (Disk.Path ()), Emu::FilePathNode (u"\\os.efi") })));
    Images->RegisterBytes (ImageBytes ("uefi"), "uefi", Emu::BootImages::NeverReturns ("uefi"));
    const EFI_GUID  LegacyOrderGuid = { 0xA56074DB, 0x65FE, 0x45F7, { 0xBD, 0x21, 0x2D, 0x2B, 0xDD, 0x8E, 0x96, 0x52 } };
    M.Variables ().Put (u"LegacyDevOrder", LegacyOrderGuid, kNvBsRt, LegacyOrder);
    ASSERT_EQ (BuildBootOptionTables (), EFI_SUCCESS);
    BOOT_OPTION_INFO  *Disks = FindBootOption (1);
    BOOT_OPTION_INFO  *Cds   = FindBootOption (2);
    ASSERT_TRUE (IsLegacyGroup (Disks));
    Disks->LegacyGroupOffset = 0;
    Disks->LegacyDeviceCount = 3;
    Disks->LegacyDevices     = gDisks;
    Cds->LegacyGroupOffset   = 10;
    Cds->LegacyDeviceCount   = 1;
    Cds->LegacyDevices       = gCdroms;
  }

  // Hard disks: 3 then 1 (4 no longer listed); CD-ROMs: 2, disabled unless Enabled.
  static BYTES Groups (bool CdEnabled = false)
  {
    return { 2, 0, 0, 0, 6, 0, 3, 0, 1, 0,
             3, 0, 0, 0, 4, 0, 2, (UINT8)(CdEnabled ? 0x00 : 0xFF) };
  }

  FAKE_LEGACY_BIOS  Fake {};
  EFI_HANDLE        Handle = nullptr;
};

const std::vector<UINT16>  kDisksFirst = { BBS_IGNORE_ENTRY, 1, BBS_UNPRIORITIZED_ENTRY, 0, BBS_DO_NOT_BOOT_FROM,
                                           BBS_UNPRIORITIZED_ENTRY };

// A launch numbers the groups' devices in their order from its place in the order on;
// devices a group dropped or disabled do not boot.
TEST_F (BootLegacyTest, ALaunchNumbersTheGroupsDevicesInTheirOrder) {
  PutOptions (Groups ());
  UINT16  Order[3] = { 1, 2, 3 };

  EXPECT_EQ (LaunchBootOption (1, Order, 3), EFI_DEVICE_ERROR);
  ASSERT_EQ (Fake.Boots.size (), 1u);
  EXPECT_EQ (Fake.Boots[0], (std::vector<UINT16> { BBS_IGNORE_ENTRY, 1, BBS_DO_NOT_BOOT_FROM, 0, BBS_DO_NOT_BOOT_FROM,
                                                   BBS_UNPRIORITIZED_ENTRY }));
  EXPECT_EQ (Fake.Paths[0], Emu::BbsNode (2, "HDD"));
  EXPECT_EQ (Find (u"BootCurrent"), nullptr);
}

// The loop passes over a group whose first device is disabled, and goes on after a failed legacy boot.
TEST_F (BootLegacyTest, TheLoopSkipsAGroupWhoseFirstDeviceIsDisabled) {
  PutOptions (Groups (), { 2, 1, 3 });
  EFI_STATUS  Status;

  EXPECT_THROW (RunBootLoop (&Status), Emu::OsBooted);
  ASSERT_EQ (Fake.Boots.size (), 1u);
  EXPECT_EQ (Fake.Boots[0], kDisksFirst);
  EXPECT_EQ (Booted (), (std::vector<std::string> { "uefi" }));
}

// A device chosen from the flat list boots first; the groups' devices follow from 1.
TEST_F (BootLegacyTest, AChosenDeviceBootsFirstAndTheGroupsFollow) {
  PutOptions (Groups (true));

  EXPECT_EQ (BootOptionByIndex (0), EFI_DEVICE_ERROR);
  ASSERT_EQ (Fake.Boots.size (), 1u);
  EXPECT_EQ (Fake.Boots[0], (std::vector<UINT16> { BBS_IGNORE_ENTRY, 0, 2, 1, BBS_DO_NOT_BOOT_FROM,
                                                   BBS_UNPRIORITIZED_ENTRY }));
}

// A group whose length runs past the variable, or that lists indexes the table lacks,
// is read no further than the data and writes no priority outside the table.
TEST_F (BootLegacyTest, GroupsThatDoNotHoldTogetherAreNotRead) {
  PutOptions ({ 2, 0, 0, 0, 6, 0, 9, 0, 1, 0,
                3, 0, 0, 0, 0x40, 0, 2, 0 }, { 2, 1, 3 });
  EFI_STATUS  Status;

  EXPECT_THROW (RunBootLoop (&Status), Emu::OsBooted);
  ASSERT_EQ (Fake.Boots.size (), 1u);
  EXPECT_EQ (Fake.Boots[0], (std::vector<UINT16> { BBS_IGNORE_ENTRY, 0, BBS_UNPRIORITIZED_ENTRY, BBS_DO_NOT_BOOT_FROM,
                                                   BBS_DO_NOT_BOOT_FROM, BBS_UNPRIORITIZED_ENTRY }));
}

}  // namespace

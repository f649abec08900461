// The boot and driver option tables on the emulator: OVMF's own options, malformed
// load options, and "BootOrder" / "DriverOrder" kept in step with scripted option sets.
#include <engine/testing/BootOptionTestSupport.h>

#include <engine/core/EngineGlobals.h>
#include <engine/core/SetupData.h>
#include <engine/variables/VariableCache.h>
#include <engine/boot/BootOptions.h>
#include <engine/boot/SaveWrites.h>
#include <Guid/GlobalVariable.h>
#include <Library/BaseLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Protocol/BlockIo.h>

#include <Builders/SetupDataBuilder.h>
#include <Fixtures.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

TEST_F (BootOptionsTest, OvmfOptionsLoadWithTheirDescriptionsAndPaths) {
  std::string  Error;
  ASSERT_TRUE (M.Variables ().LoadBytes (Fixtures::Read ("ovmf/VARS.BIN"), &Error)) << Error;

  ASSERT_EQ (BuildBootOptionTables (), EFI_SUCCESS);
  ASSERT_EQ (gBootOptionCount, 3u);
  EXPECT_EQ (gDriverOptionCount, 0u);
  EXPECT_EQ (std::u16string (FindBootOption (0)->Description), u"UiApp");
  EXPECT_EQ (FindBootOption (0)->Attributes, 0x109u);
  EXPECT_EQ (std::u16string (FindBootOption (1)->Description), u"UEFI Non-Block Boot Device");
  EXPECT_EQ (FindBootOption (1)->DevicePathSize, 22);
  EXPECT_EQ (FindBootOption (1)->OptionalDataSize, 16u);
  EXPECT_NE (FindBootOption (1)->OptionalData, nullptr);
  EXPECT_EQ (FindBootOption (2)->OptionalData, nullptr);
  EXPECT_EQ (((const UINT8 *)FindBootOption (2)->DevicePath)[0], 0x04);
  EXPECT_EQ (gBootOrderDisabledMarker, 0xFFFF);
  // The stored 1, 0, 2: the hidden front page moves behind the shell.
  EXPECT_EQ (Stored (u"BootOrder"), Order ({ 1, 2, 0 }));
  EXPECT_EQ (Stored (u"BootManager", kBootMgrGuid), Order ({ 3 }));
  EXPECT_EQ (Stored (u"BootNowCount", kBootNowGuid), Order ({ 3 }));
  EXPECT_EQ (Stored (u"DriverManager", kDriverMgrGuid), Order ({ 0 }));
}

TEST (LoadOptionParse, MalformedOptionsAreRefusedWithoutReadingPastThem) {
  LOAD_OPTION_VIEW  View;
  BYTES             Good = LoadOption (kActive, u"Disk", FilePath (), { 9, 8, 7 });

  ASSERT_EQ (ParseLoadOption (Good.data (), Good.size (), &View), EFI_SUCCESS);
  EXPECT_EQ (View.OptionalDataSize, 3u);
  EXPECT_EQ (View.OptionalData[0], 9);
  EXPECT_EQ (View.DescriptionSize, 10u);

  // Each cut copy lives in a buffer of exactly its size, so a read past it is caught.
  for (size_t Size : { (size_t)0, (size_t)5, (size_t)6, (size_t)12, (size_t)16, Good.size () - 4 - 1 }) {
    BYTES  Cut (Good.begin (), Good.begin () + Size);
    EXPECT_EQ (ParseLoadOption (Cut.data (), Cut.size (), &View), EFI_INVALID_PARAMETER) << Size;
  }

  BYTES  PathTooLong = Good;
  PathTooLong[4] = 0xFF;
  const struct { const char *Name; BYTES Option; } Broken[] = {
    { "unterminated description", { 1, 0, 0, 0, 4, 0, 'A', 0, 'B', 0 } },
    { "path longer than the option", PathTooLong },
    { "zero-length node", LoadOption (kActive, u"Z", { 0x04, 0x04, 0, 0, 0x7F, 0xFF, 4, 0 }) },
    { "node past the path", LoadOption (kActive, u"Z", { 0x04, 0x04, 9, 0, 0x7F, 0xFF, 4, 0 }) },
    // A list without its end node would send every walker past the copy.
    { "no end node", LoadOption (kActive, u"Z", { 0x04, 0x04, 4, 0 }, { 0x7F, 0xFF, 4, 0 }) },
  };
  for (const auto &Case : Broken) {
    EXPECT_EQ (ParseLoadOption (Case.Option.data (), Case.Option.size (), &View), EFI_INVALID_PARAMETER) << Case.Name;
  }
}

TEST_F (BootOptionsTest, MalformedAndForeignOptionsArePassedOver) {
  static const EFI_GUID  Vendor = { 0x12345678, 0x1, 0x2, { 3, 4, 5, 6, 7, 8, 9, 10 } };
  BYTES                  Broken = LoadOption (kActive, u"Broken", FilePath ());
  Broken[4] = 0xFF;

  PutBoot (1, LoadOption (kActive, u"One", FilePath ()));
  PutBoot (2, Broken);
  M.Variables ().Put (u"Boot0003", Vendor, kNvBsRt, LoadOption (kActive, u"Vendor's", FilePath ()));
  M.Variables ().Put (u"Boot0001", Vendor, kNvBsRt, LoadOption (kActive, u"Vendor's", FilePath ()));
  M.Variables ().Put (u"Boot00001", gEfiGlobalVariableGuid, kNvBsRt, LoadOption (kActive, u"Long", FilePath ()));
  M.Variables ().Put (u"BootXYZW", gEfiGlobalVariableGuid, kNvBsRt, LoadOption (kActive, u"Not hex", FilePath ()));

  ASSERT_EQ (BuildBootOptionTables (), EFI_SUCCESS);
  ASSERT_EQ (gBootOptionCount, 1u);
  EXPECT_EQ (std::u16string (gBootOptionTable[0].Description), u"One");
  EXPECT_EQ (Stored (u"BootOrder"), Order ({ 1 }));
}

TEST_F (BootOptionsTest, OptionNumbersComeFromHexInAnyCase) {
  PutBoot (0xABCD, LoadOption (kActive, u"Upper", FilePath ()));
  M.Variables ().Put (u"bootbeef", gEfiGlobalVariableGuid, kNvBsRt, LoadOption (kActive, u"Lower", FilePath ()));
  PutBoot (0x0010, LoadOption (kActive, u"Driver", FilePath ()), u"Driver");

  ASSERT_EQ (BuildBootOptionTables (), EFI_SUCCESS);
  ASSERT_EQ (gBootOptionCount, 2u);
  EXPECT_NE (FindBootOption (0xABCD), nullptr);
  EXPECT_NE (FindBootOption (0xBEEF), nullptr);
  ASSERT_NE (FindDriverOption (0x10), nullptr);
  EXPECT_EQ (FindBootOption (0x10), nullptr);
}

TEST_F (BootOptionsTest, BootOrderFollowsTheTable) {
  PutBoot (1, LoadOption (kActive, u"A", FilePath ()));
  PutBoot (2, LoadOption (0, u"Inactive", FilePath ()));
  PutBoot (3, LoadOption (kActive, u"C", FilePath ()));
  PutBoot (4, LoadOption (kActive, u"New", FilePath ()));
  // 2 is inactive, 9 was deleted, 3 and 1 are named twice.
  M.Variables ().Put (u"BootOrder", gEfiGlobalVariableGuid, kNvBsRt, Order ({ 2, 3, 9, 1, 3, 1 }));

  ASSERT_EQ (BuildBootOptionTables (), EFI_SUCCESS);
  EXPECT_EQ (Stored (u"BootOrder"), Order ({ 3, 1, 4, 2 }));
  EXPECT_EQ (M.Variables ().Lookup (u"BootOrder", gEfiGlobalVariableGuid)->Attributes, kNvBsRt);
  EXPECT_EQ (Stored (u"BootManager", kBootMgrGuid), Order ({ 4 }));
}

TEST_F (BootOptionsTest, AMissingOrderListsActiveThenInactiveInTableOrder) {
  PutBoot (5, LoadOption (0, u"Off", FilePath ()), u"Driver");
  PutBoot (6, LoadOption (kActive, u"On", FilePath ()), u"Driver");
  PutBoot (7, LoadOption (0, u"Off", FilePath ()));
  PutBoot (8, LoadOption (kActive, u"On", FilePath ()));

  ASSERT_EQ (BuildBootOptionTables (), EFI_SUCCESS);
  EXPECT_EQ (Stored (u"DriverOrder"), Order ({ 6, 5 }));
  EXPECT_EQ (Stored (u"BootOrder"), Order ({ 8, 7 }));
  EXPECT_EQ (Stored (u"DriverManager", kDriverMgrGuid), Order ({ 2 }));
}

TEST_F (BootOptionsTest, HiddenOptionsNeverStayInFrontOfVisibleOnes) {
  PutBoot (1, LoadOption (kHidden, u"H1", FilePath ()));
  PutBoot (2, LoadOption (kHidden, u"H2", FilePath ()));
  PutBoot (3, LoadOption (kActive, u"V3", FilePath ()));
  PutBoot (4, LoadOption (LOAD_OPTION_HIDDEN, u"H4 off", FilePath ()));
  PutBoot (5, LoadOption (0, u"V5 off", FilePath ()));
  M.Variables ().Put (u"BootOrder", gEfiGlobalVariableGuid, kNvBsRt, Order ({ 1, 2, 3 }));

  ASSERT_EQ (BuildBootOptionTables (), EFI_SUCCESS);
  BYTES  Result = Stored (u"BootOrder");
  ASSERT_EQ (Result.size (), 10u);
  bool  SeenHidden = false;
  for (size_t At = 0; At < Result.size (); At += 2) {
    bool  Hidden = (FindBootOption ((UINT16)(Result[At] | (Result[At + 1] << 8)))->Attributes & LOAD_OPTION_HIDDEN) != 0;
    EXPECT_FALSE (SeenHidden && !Hidden) << "visible option after a hidden one at " << At / 2;
    SeenHidden |= Hidden;
  }
}

TEST_F (BootOptionsTest, TheMarkerStepsDownPastNumbersInUse) {
  PutBoot (0xFFFF, LoadOption (kActive, u"Top", FilePath ()));
  PutBoot (0x0001, LoadOption (kActive, u"Low", FilePath ()));
  PutBoot (0xFFFE, LoadOption (kActive, u"Next", FilePath ()));
  PutBoot (0xFFFE, LoadOption (kActive, u"Drv", FilePath ()), u"Driver");

  ASSERT_EQ (BuildBootOptionTables (), EFI_SUCCESS);
  EXPECT_EQ (gBootOrderDisabledMarker, 0xFFFD);
  EXPECT_EQ (gDriverOrderDisabledMarker, 0xFFFF);
}

TEST_F (BootOptionsTest, BootFlowSevenLoadsOnlyTheFirstOrderedOption) {
  PutBoot (1, LoadOption (kActive, u"One", FilePath ()));
  PutBoot (2, LoadOption (kActive, u"Two", FilePath ()));
  M.Variables ().Put (u"BootOrder", gEfiGlobalVariableGuid, kNvBsRt, Order ({ 2, 7, 1 }));
  M.Variables ().Put (u"BootFlow", kBootFlowGuid, EFI_VARIABLE_BOOTSERVICE_ACCESS, { 7, 0, 0, 0 });
  M.Variables ().ClearWriteLog ();

  ASSERT_EQ (BuildBootOptionTables (), EFI_SUCCESS);
  ASSERT_EQ (gBootOptionCount, 1u);
  EXPECT_EQ (gBootOptionTable[0].OptionNumber, 2);
  EXPECT_TRUE (M.Variables ().WriteLog ().empty ());
}

TEST_F (BootOptionsTest, WithoutCollationNothingIsRead) {
  M.~Machine ();
  new (&M) Emu::Machine ();
  Emu::MACHINE_OPTIONS  Options;
  Options.Collation = false;
  Devices = Emu::BuildStandardMachine (M, Options);
  Attach ();
  PutBoot (1, LoadOption (kActive, u"One", FilePath ()));

  EXPECT_EQ (BuildBootOptionTables (), EFI_NOT_FOUND);
  EXPECT_EQ (gBootOptionCount, 0u);
}

TEST_F (BootOptionsTest, LegacyGroupsCountTheirDevicesInTheFlatList) {
  PutBoot (1, LoadOption (kActive, u"Hard disks", BbsPath ()));
  PutBoot (2, LoadOption (kActive, u"Shell", FilePath ()));
  PutBoot (3, LoadOption (kActive, u"Floppies", BbsPath ()));
  PutBoot (4, LoadOption (kHidden, u"Hidden", FilePath ()));
  ASSERT_EQ (BuildBootOptionTables (), EFI_SUCCESS);

  static LEGACY_DEVICE_ENTRY  Disks[3]  = { { 0, u"Disk A" }, { 1, u"Disk B" }, { 2, u"Disk C" } };
  static LEGACY_DEVICE_ENTRY  Floppy[2] = { { 3, u"Floppy A" }, { 4, u"Floppy B" } };
  BOOT_OPTION_INFO  *Group1 = FindBootOption (1);
  BOOT_OPTION_INFO  *Group3 = FindBootOption (3);
  ASSERT_TRUE (IsLegacyGroup (Group1));
  EXPECT_FALSE (IsLegacyGroup (FindBootOption (2)));
  Group1->LegacyDeviceCount = 3;
  Group3->LegacyDeviceCount = 2;
  Group1->LegacyDevices     = Disks;
  Group3->LegacyDevices     = Floppy;

  EXPECT_EQ (CountFlatBootEntries (), 7u);
  EXPECT_EQ (std::u16string (GetBootOptionNameByIndex (2, 0, FALSE)), u"Disk C");
  EXPECT_EQ (std::u16string (GetBootOptionNameByIndex (3, 0, FALSE)), u"Shell");
  EXPECT_EQ (std::u16string (GetBootOptionNameByIndex (5, 0, FALSE)), u"Floppy B");
  EXPECT_EQ (GetBootOptionNameByIndex (6, 0, FALSE), nullptr);     // hidden
  EXPECT_EQ (GetBootOptionNameByIndex (7, 0, FALSE), nullptr);     // past the end
  EXPECT_FALSE (BootOptionDisabledByIndex (3, 0, FALSE, FALSE));
  EXPECT_TRUE (BootOptionDisabledByIndex (3, 0, FALSE, TRUE));     // no cached order holds it
  EXPECT_TRUE (BootOptionDisabledByIndex (0, 0, TRUE, FALSE));     // no cached order at all
  EXPECT_FALSE (BootOptionDisabledByIndex (9, 0, FALSE, FALSE));

  SelectLegacyGroupByIndex (1);
  EXPECT_EQ (gCurrentLegacyGroup, Group3);
  SelectLegacyGroupByIndex (2);
  EXPECT_EQ (gCurrentLegacyGroup, Group3);

  Group1->LegacyDevices = nullptr;        // the arrays are the test's own
  Group3->LegacyDevices = nullptr;
}

// A SATA disk at 976773167 + 1 blocks of 512 bytes with one partition, each handle
// carrying block I/O and its device path, as a disk driver and the partition driver leave them.
class BootDiskSizeTest : public BootOptionsTest {
protected:
  void AddDisk (bool Present, UINT32 BlockSize)
  {
    DiskMedia                       = {};
    DiskMedia.MediaPresent          = Present;
    DiskMedia.BlockSize             = BlockSize;
    DiskMedia.LastBlock             = 976773167;
    PartitionMedia                  = DiskMedia;
    PartitionMedia.LogicalPartition = true;
    PartitionMedia.LastBlock        = 2047;
    DiskIo.Media      = &DiskMedia;
    PartitionIo.Media = &PartitionMedia;
    DiskPath          = Prefix ();
    DiskPath.insert (DiskPath.end (), kEnd.begin (), kEnd.end ());
    PartitionPath     = Prefix ();
    PartitionPath.insert (PartitionPath.end (), kHardDrive.begin (), kHardDrive.end ());
    PartitionPath.insert (PartitionPath.end (), kEnd.begin (), kEnd.end ());
    ASSERT_EQ (gBS->InstallMultipleProtocolInterfaces (&Disk, &gEfiBlockIoProtocolGuid, &DiskIo,
                 &gEfiDevicePathProtocolGuid, DiskPath.data (), nullptr), EFI_SUCCESS);
    ASSERT_EQ (gBS->InstallMultipleProtocolInterfaces (&Partition, &gEfiBlockIoProtocolGuid, &PartitionIo,
                 &gEfiDevicePathProtocolGuid, PartitionPath.data (), nullptr), EFI_SUCCESS);
  }

  // Root bridge, PCI device, SATA port.
  static BYTES Prefix ()
  {
    return { 0x02, 0x01, 12, 0, 0xD0, 0x41, 0x03, 0x0A, 0, 0, 0, 0, 0x01, 0x01, 6, 0, 0, 0x1F,
             0x03, 18, 10, 0, 0, 0, 0xFF, 0xFF, 0, 0 };
  }

  // An option booting a file on the partition.
  static BYTES OptionPath ()
  {
    BYTES  Path = Prefix ();
    BYTES  File = FilePath ();
    Path.insert (Path.end (), kHardDrive.begin (), kHardDrive.end ());
    Path.insert (Path.end (), File.begin (), File.end ());
    return Path;
  }

  inline static const BYTES  kHardDrive = [] {
    BYTES  Node (42, 0);
    Node[0] = 0x04;
    Node[1] = 0x01;
    Node[2] = 42;
    return Node;
  }();

  EFI_BLOCK_IO_MEDIA     DiskMedia {}, PartitionMedia {};
  EFI_BLOCK_IO_PROTOCOL  DiskIo {}, PartitionIo {};
  BYTES                  DiskPath, PartitionPath;
  EFI_HANDLE             Disk = nullptr, Partition = nullptr;
};

TEST_F (BootDiskSizeTest, SataOptionsNameTheWholeDisksSize) {
  AddDisk (true, 512);
  PutBoot (1, LoadOption (kActive, u"SATA Disk   ", OptionPath ()));
  PutBoot (2, LoadOption (kActive, u"Shell", FilePath ()));
  PutBoot (3, LoadOption (kActive, u"Driver", OptionPath ()), u"Driver");

  EXPECT_EQ (GetParentDiskHandle (Partition), Disk);
  EXPECT_EQ (GetParentDiskHandle (Disk), Disk);
  ASSERT_EQ (BuildBootOptionTables (), EFI_SUCCESS);
  EXPECT_EQ (std::u16string (FindBootOption (1)->Description), u"SATA Disk (476940MB) ");
  EXPECT_EQ (std::u16string (FindBootOption (2)->Description), u"Shell");
  EXPECT_EQ (std::u16string (FindDriverOption (3)->Description), u"Driver");
}

TEST_F (BootDiskSizeTest, NoSizeWithoutMediaOrWithAnUnknownBlockSize) {
  for (auto [Present, BlockSize] : { std::pair { false, 512u }, std::pair { true, 0xFFFFu } }) {
    AddDisk (Present, BlockSize);
    PutBoot (1, LoadOption (kActive, u"SATA Disk ", OptionPath ()));
    ASSERT_EQ (BuildBootOptionTables (), EFI_SUCCESS);
    EXPECT_EQ (std::u16string (FindBootOption (1)->Description), u"SATA Disk ");
    ASSERT_EQ (gBS->UninstallMultipleProtocolInterfaces (Disk, &gEfiBlockIoProtocolGuid, &DiskIo,
                 &gEfiDevicePathProtocolGuid, DiskPath.data (), nullptr), EFI_SUCCESS);
    ASSERT_EQ (gBS->UninstallMultipleProtocolInterfaces (Partition, &gEfiBlockIoProtocolGuid, &PartitionIo,
                 &gEfiDevicePathProtocolGuid, PartitionPath.data (), nullptr), EFI_SUCCESS);
    Disk = Partition = nullptr;
  }
}

// With a board whose variable list holds "BootOrder" at index 7 (and "DriverOrder" at 23), the flat list can
// follow the cached order, in which inactive options stand as the disabled marker.
class CachedBootOrderTest : public BootOptionsTest {
protected:
  void SetUp () override
  {
    BootOptionsTest::SetUp ();
    LoadBoardWithOrders ();
  }

  void TearDown () override
  {
    ForgetBoard ();
    BootOptionsTest::TearDown ();
  }
};

TEST_F (CachedBootOrderTest, TheBootOrderWalkPutsDisabledOptionsAfterTheEnabledOnes) {
  PutBoot (1, LoadOption (kActive, u"One", FilePath ()));
  PutBoot (2, LoadOption (0, u"Two off", FilePath ()));
  PutBoot (3, LoadOption (kActive, u"Three", FilePath ()));
  M.Variables ().Put (u"BootOrder", gEfiGlobalVariableGuid, kNvBsRt, Order ({ 3, 2, 1 }));

  ASSERT_EQ (BuildBootOptionTables (), EFI_SUCCESS);
  ASSERT_EQ (Stored (u"BootOrder"), Order ({ 3, 1, 2 }));
  EXPECT_EQ (std::u16string (GetBootOptionNameByIndex (0, 0, TRUE)), u"Three");
  EXPECT_EQ (std::u16string (GetBootOptionNameByIndex (1, 0, TRUE)), u"One");
  EXPECT_EQ (std::u16string (GetBootOptionNameByIndex (2, 0, TRUE)), u"Two off");
  EXPECT_EQ (GetBootOptionNameByIndex (3, 0, TRUE), nullptr);
  EXPECT_FALSE (BootOptionDisabledByIndex (1, 0, TRUE, TRUE));
  EXPECT_TRUE (BootOptionDisabledByIndex (2, 0, TRUE, TRUE));      // only the marker stands for it
  EXPECT_TRUE (BootOptionDisabledByIndex (2, 0, TRUE, FALSE));     // inactive
  EXPECT_FALSE (BootOptionDisabledByIndex (0, 0, FALSE, TRUE));    // table order: One, in the order
}

// A boot-priority question writes one option number at one position of the cached
// order; the whole order is rewritten so that each option still appears once.
class BootOrderEditTest : public CachedBootOrderTest {
protected:
  // Three active options 1, 2 and 3 (Hidden ones hidden), with the cache holding Cached.
  void Start (std::vector<UINT16> Cached, std::vector<UINT16> Hidden = {})
  {
    for (UINT16 Number : { 1, 2, 3 }) {
      bool  IsHidden = std::find (Hidden.begin (), Hidden.end (), Number) != Hidden.end ();
      PutBoot (Number, LoadOption (IsHidden ? kHidden : kActive, u"Option", FilePath ()));
    }
    ASSERT_EQ (BuildBootOptionTables (), EFI_SUCCESS);
    ASSERT_EQ (gBootOrderDisabledMarker, 0xFFFF);
    Cache (Cached);
  }

  void Cache (std::vector<UINT16> Cached)
  {
    M.Variables ().Put (u"BootOrder", gEfiGlobalVariableGuid, kNvBsRt, Order (Cached));
    RefreshVariableCache (SETUP_VARIABLE_INDEX_BOOT_ORDER);
  }

  BYTES Choose (UINTN Position, UINT16 Value, UINTN Index = SETUP_VARIABLE_INDEX_BOOT_ORDER)
  {
    EXPECT_EQ (WriteVariableBytes (Index, Position * 2, sizeof (Value), &Value), EFI_SUCCESS);
    UINTN  Size   = 0;
    UINT8  *Bytes = (UINT8 *)GetCachedVariable (Index, &Size);
    BYTES  Copy   = (Bytes == nullptr) ? BYTES {} : BYTES (Bytes, Bytes + Size);
    FreePool (Bytes);
    return Copy;
  }
};

// Disabling the first of three moves the others up and the marker last; choosing an
// option for a position swaps it with the one there; a position past the order is left.
TEST_F (BootOrderEditTest, DisablingOrChoosingAPositionKeepsEveryOptionOnce) {
  Start ({ 1, 2, 3 });
  EXPECT_EQ (Choose (0, 0xFFFF), Order ({ 2, 3, 0xFFFF }));
  EXPECT_EQ (Choose (0, 2), Order ({ 2, 3, 0xFFFF }));      // the same option again: no change
  Cache ({ 1, 2, 3 });
  EXPECT_EQ (Choose (0, 3), Order ({ 3, 2, 1 }));
  EXPECT_EQ (Choose (2, 2), Order ({ 3, 1, 2 }));
  EXPECT_EQ (Choose (3, 0xFFFF), Order ({ 3, 1, 2 }));
  EXPECT_EQ (Choose (200, 2), Order ({ 3, 1, 2 }));
}

TEST_F (BootOrderEditTest, HiddenOptionsKeepTheirPlacesWhenAPositionIsDisabled) {
  Start ({ 1, 2, 3 }, { 2 });
  EXPECT_EQ (Choose (0, 0xFFFF), Order ({ 3, 2, 0xFFFF }));
  Cache ({ 1, 3, 2 });
  // The hidden option holds the last place, so the marker takes the last one it freed.
  EXPECT_EQ (Choose (0, 0xFFFF), Order ({ 3, 0xFFFF, 2 }));
  // Nothing moves a hidden option: neither choosing for its place nor choosing it.
  EXPECT_EQ (Choose (2, 0xFFFF), Order ({ 3, 0xFFFF, 2 }));
  EXPECT_EQ (Choose (2, 3), Order ({ 3, 0xFFFF, 2 }));
  EXPECT_EQ (Choose (0, 2), Order ({ 3, 0xFFFF, 2 }));
}

TEST_F (BootOrderEditTest, AnOptionChosenForADisabledPositionJoinsTheEnabledOnes) {
  Start ({ 1, 0xFFFF, 0xFFFF });
  // Not in the order: it takes the first marker.
  EXPECT_EQ (Choose (2, 3), Order ({ 1, 3, 0xFFFF }));
  // Already enabled: it moves behind the other enabled options.
  EXPECT_EQ (Choose (2, 1), Order ({ 3, 1, 0xFFFF }));
}

TEST_F (BootOrderEditTest, TheDriverOrderIsEditedWithTheDriverTableAndItsMarker) {
  for (UINT16 Number : { 4, 5 }) {
    PutBoot (Number, LoadOption (kActive, u"Driver", FilePath ()), u"Driver");
  }
  PutBoot (0xFFFF, LoadOption (kActive, u"Driver", FilePath ()), u"Driver");
  ASSERT_EQ (BuildBootOptionTables (), EFI_SUCCESS);
  ASSERT_EQ (gDriverOrderDisabledMarker, 0xFFFE);
  M.Variables ().Put (u"DriverOrder", gEfiGlobalVariableGuid, kNvBsRt, Order ({ 4, 5, 0xFFFF }));
  RefreshVariableCache (SETUP_VARIABLE_INDEX_DRIVER_ORDER);
  EXPECT_EQ (Choose (1, 0xFFFE, SETUP_VARIABLE_INDEX_DRIVER_ORDER), Order ({ 4, 0xFFFF, 0xFFFE }));
  EXPECT_EQ (Choose (0, 0xFFFF, SETUP_VARIABLE_INDEX_DRIVER_ORDER), Order ({ 0xFFFF, 4, 0xFFFE }));
}

// What a save makes of the cached order: the options it names are active, the others
// inactive unless hidden, and each marker becomes the next option in table order that
// the order does not name and that is not hidden; a marker no option is left for goes.
TEST_F (BootOrderEditTest, ASaveTurnsEachMarkerIntoTheNextInactiveOptionInTableOrder) {
  Start ({ 1, 2, 3 }, { 2 });
  PutBoot (4, LoadOption (kActive, u"Option", FilePath ()));
  ASSERT_EQ (BuildBootOptionTables (), EFI_SUCCESS);
  ASSERT_EQ (gBootOptionCount, 4u);
  ASSERT_EQ (gBootOptionTable[3].OptionNumber, 4);      // table order 1, 2, 3, 4

  const BYTES  Cached = Order ({ 3, 0xFFFF, 2, 0xFFFF, 0xFFFF });
  UINT16       Stored[5] = {};
  UINTN        Used = ResolveOrderMarkers (FALSE, (const UINT16 *)Cached.data (), 5, Stored);
  EXPECT_EQ (std::vector<UINT16> (Stored, Stored + Used), (std::vector<UINT16> { 3, 1, 2, 4 }));

  EXPECT_EQ (OrderedOptionAttributes (FindBootOption (3), (const UINT16 *)Cached.data (), 5), kActive);
  EXPECT_EQ (OrderedOptionAttributes (FindBootOption (1), (const UINT16 *)Cached.data (), 5), 0u);
  EXPECT_EQ (OrderedOptionAttributes (FindBootOption (2), (const UINT16 *)Cached.data (), 1), kHidden);
  EXPECT_EQ (GetOrderDisabledMarker (FALSE), 0xFFFF);
  EXPECT_TRUE (IsHiddenLoadOption (FALSE, 2));
  EXPECT_FALSE (IsHiddenLoadOption (FALSE, 1));
}

// The boot manager's part of a save: the records whose active bit changes, the order as
// NVRAM keeps it with the changed-order signal before it, and the deletions of options
// whose variables still exist; after the save the table takes the attributes written.
TEST_F (BootOrderEditTest, ThePlanHoldsTheChangedRecordsTheStoredOrderAndTheDeletions) {
  Start ({ 1, 2, 3 });
  VARIABLE_CACHE_ENTRY  &Entry = gVariableCache[SETUP_VARIABLE_INDEX_BOOT_ORDER];
  const BYTES           Cached = Order ({ 1, 3, 0xFFFF });
  FreePool (Entry.Data);
  Entry.Data = AllocateCopyPool (Cached.size (), Cached.data ());
  Entry.Size = Cached.size ();

  SAVE_PLAN  Plan = {};
  PlanOptionOrder (&Plan, FALSE);
  ASSERT_FALSE (Plan.NoMemory);
  ASSERT_EQ (Plan.Count, 2u);
  EXPECT_EQ (std::u16string (Plan.Writes[0].Name), u"Boot0002");
  EXPECT_EQ (Plan.Writes[0].Phase, SAVE_PHASE_OPTION_RECORDS);
  EXPECT_EQ (Plan.Writes[0].OptionAttributes, 0u);
  EXPECT_EQ (ReadUnaligned32 ((UINT32 *)Plan.Writes[0].Data), 0u);
  EXPECT_EQ (ReadUnaligned32 ((UINT32 *)Plan.Writes[0].OldData), kActive);
  EXPECT_EQ (std::u16string (Plan.Writes[1].Name), u"BootOrder");
  EXPECT_EQ (Plan.Writes[1].Phase, SAVE_PHASE_BOOT_ORDER);
  EXPECT_TRUE (Plan.Writes[1].SignalBefore);
  EXPECT_EQ (BYTES ((UINT8 *)Plan.Writes[1].Data, (UINT8 *)Plan.Writes[1].Data + Plan.Writes[1].Size), Order ({ 1, 3, 2 }));
  EXPECT_EQ (std::vector<UINT16> (Plan.BootOrder, Plan.BootOrder + Plan.BootOrderCount), (std::vector<UINT16> { 1, 3, 2 }));

  BOOT_OPTION_INFO  Deleted[2] = {};
  Deleted[0].OptionNumber = 3;
  Deleted[1].OptionNumber = 9;      // never stored: nothing to delete
  PlanDeletedOptions (&Plan, FALSE, Deleted, 2);
  ASSERT_EQ (Plan.Count, 3u);
  EXPECT_EQ (std::u16string (Plan.Writes[2].Name), u"Boot0003");
  EXPECT_EQ (Plan.Writes[2].Phase, SAVE_PHASE_DELETIONS);
  EXPECT_EQ (Plan.Writes[2].Size, 0u);
  EXPECT_TRUE (Plan.Writes[2].OldExists);

  ApplySavedOptionRecords (&Plan);
  EXPECT_EQ (FindBootOption (2)->Attributes, 0u);
  EXPECT_EQ (FindBootOption (1)->Attributes, kActive);
  FreePlan (&Plan);
}

}  // namespace

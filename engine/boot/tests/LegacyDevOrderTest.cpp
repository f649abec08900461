// The legacy device order on the emulator: stored groups matched to legacy boot
// options through a scripted BBS table, devices let back from "DisabledDevs", the
// device names, the group names and disabled states, and the BBS priorities.
#include <engine/testing/BootOptionTestSupport.h>

#include <engine/startup/SetupEngine.h>
#include <engine/variables/VariableCache.h>
#include <engine/core/SetupData.h>
#include <engine/boot/LegacyDevOrder.h>
#include <engine/forms/QuestionAccess.h>
#include <engine/boot/OptionLists.h>
#include <engine/core/EngineStrings.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Builders/SetupDataBuilder.h>
#include <Emulator/LegacyBios.h>
#include <EmulatorHii/HiiServices.h>
#include <Resources/EngineStringPackage.h>

#include <algorithm>
#include <deque>
#include <memory>

namespace {

const EFI_GUID  kLegacyOrderGuid  = LEGACY_DEV_ORDER_VARIABLE_GUID;
const EFI_GUID  kDisabledDevsGuid = DISABLED_DEVS_VARIABLE_GUID;

constexpr UINT16  kFloppy = 1, kHdd = 2, kCdRom = 3, kPcmcia = 4, kUsb = 5;

// A BBS node for a legacy group of DeviceType, optionally followed by a second device path.
BYTES
BbsPathOf (UINT16 DeviceType, const BYTES &Second = {})
{
  BYTES  Path = { 0x05, 0x01, 12, 0, (UINT8)DeviceType, (UINT8)(DeviceType >> 8), 0, 0, 'L', 'G', 0, 0 };
  Path.insert (Path.end (), kEnd.begin (), kEnd.end ());
  Path.insert (Path.end (), Second.begin (), Second.end ());
  return Path;
}

// One group of "LegacyDevOrder".
BYTES
Group (UINT32 DeviceType, std::vector<UINT16> Indexes)
{
  BYTES   Bytes  = { (UINT8)DeviceType, (UINT8)(DeviceType >> 8), (UINT8)(DeviceType >> 16), (UINT8)(DeviceType >> 24) };
  UINT16  Length = (UINT16)(2 + 2 * Indexes.size ());
  Bytes.push_back ((UINT8)Length);
  Bytes.push_back ((UINT8)(Length >> 8));
  BYTES  Listed = Order (Indexes);
  Bytes.insert (Bytes.end (), Listed.begin (), Listed.end ());
  return Bytes;
}

BYTES
Concat (std::vector<BYTES> Parts)
{
  BYTES  All;
  for (const BYTES &Part : Parts) {
    All.insert (All.end (), Part.begin (), Part.end ());
  }
  return All;
}

// A PCI device path (root bridge, device Device) ending in a USB node at port Port.
BYTES
UsbDevicePath (UINT8 Device, UINT8 Port)
{
  BYTES  Path = { 0x02, 0x01, 12, 0, 0xD0, 0x41, 0x03, 0x0A, 0, 0, 0, 0, 0x01, 0x01, 6, 0, 0, Device,
                  0x03, 0x05, 6, 0, Port, 0 };
  Path.insert (Path.end (), kEnd.begin (), kEnd.end ());
  return Path;
}

class LegacyDevOrderTest : public BootOptionsTest {
protected:
  void SetUp () override
  {
    BootOptionsTest::SetUp ();
    Bios = &M.Add (std::make_unique<Emu::LegacyBios>(M));
    // The engine's strings name the device types.
    M.Add (std::make_unique<Emu::HiiServices>(M));
    ASSERT_EQ (LocateHiiProtocols (), EFI_SUCCESS);
    ASSERT_EQ (gHiiDatabase->NewPackageList (gHiiDatabase, (CONST EFI_HII_PACKAGE_LIST_HEADER *)gSetupEngineStringPackageList,
                 nullptr, &gHiiHandle), EFI_SUCCESS);
  }

  // A handle carrying Path as its device path.
  EFI_HANDLE Device (const BYTES &Path)
  {
    EFI_HANDLE  Handle = nullptr;
    Paths.push_back (Path);
    EXPECT_EQ (gBS->InstallMultipleProtocolInterfaces (&Handle, &gEfiDevicePathProtocolGuid, Paths.back ().data (),
                 nullptr), EFI_SUCCESS);
    return Handle;
  }

  // BBS entries 0..Count-1 of DeviceType, each with its own USB device path.
  void AddDevices (UINT16 DeviceType, size_t Count)
  {
    for (size_t Index = 0; Index < Count; Index++) {
      size_t  Entry = Bios->Table ().size ();
      Bios->Table ().push_back (Emu::BbsEntry (BBS_UNPRIORITIZED_ENTRY, DeviceType, Device (UsbDevicePath (2, (UINT8)Entry))));
    }
  }

  void PutOrder (const BYTES &Bytes)
  {
    M.Variables ().Put (u"LegacyDevOrder", kLegacyOrderGuid, kNvBsRt, Bytes);
  }

  std::vector<UINT16> DeviceIndexes (UINT16 OptionNumber)
  {
    std::vector<UINT16>  Indexes;
    BOOT_OPTION_INFO     *Record = FindBootOption (OptionNumber);
    for (UINT16 Index = 0; (Record != nullptr) && (Index < Record->LegacyDeviceCount); Index++) {
      Indexes.push_back (Record->LegacyDevices[Index].BbsIndex);
    }
    return Indexes;
  }

  std::u16string DeviceName (UINT16 OptionNumber, UINT16 Position)
  {
    return FindBootOption (OptionNumber)->LegacyDevices[Position].Name;
  }

  // The entries are packed: the priority is read by value.
  UINT16 Priority (size_t Entry) { return Bios->Table ()[Entry].BootPriority; }

  Emu::LegacyBios    *Bios = nullptr;
  std::deque<BYTES>  Paths;
};

TEST_F (LegacyDevOrderTest, DevicesStillListedAsDisabledGoLastAndTheOthersComeBack) {
  AddDevices (kHdd, 7);
  PutBoot (1, LoadOption (kActive, u"Hard disks", BbsPathOf (kHdd)));
  PutBoot (2, LoadOption (kActive, u"Shell", FilePath ()));
  M.Variables ().Put (u"BootOrder", gEfiGlobalVariableGuid, kNvBsRt, Order ({ 2, 1 }));
  PutOrder (Group (kHdd, { 0x0004, 0xFF05, 0x0006 }));
  BYTES  Disabled = UsbDevicePath (2, 5);
  M.Variables ().Put (u"DisabledDevs", kDisabledDevsGuid, kNvBsRt, Disabled);

  ASSERT_EQ (BuildBootOptionTables (), EFI_SUCCESS);
  EXPECT_EQ (Stored (u"LegacyDevOrder", kLegacyOrderGuid), Group (kHdd, { 0x0004, 0x0006, 0xFF05 }));
  EXPECT_EQ (M.Variables ().Lookup (u"LegacyDevOrder", kLegacyOrderGuid)->Attributes, kNvBsRt);
  EXPECT_EQ (Stored (u"BootOrder"), Order ({ 2, 1 }));
  EXPECT_EQ (Stored (u"LegacyDev", kLegacyOrderGuid), Order ({ 1 }));
  EXPECT_EQ (Stored (u"LegacyGroup", kLegacyOrderGuid), Order ({ 0 }));
  EXPECT_EQ (M.Variables ().Lookup (u"LegacyDev", kLegacyOrderGuid)->Attributes, (UINT32)EFI_VARIABLE_BOOTSERVICE_ACCESS);
  EXPECT_EQ (DeviceIndexes (1), (std::vector<UINT16> { 4, 6, 5 }));
  EXPECT_EQ (FindBootOption (1)->LegacyGroupOffset, 0u);
  EXPECT_EQ (CountFlatBootEntries (), 4u);
  EXPECT_EQ (Stored (u"BootNowCount", kBootNowGuid), Order ({ 4 }));

  // Once the device is no longer listed it comes back in its place.
  M.Variables ().Put (u"DisabledDevs", kDisabledDevsGuid, kNvBsRt, UsbDevicePath (2, 9));
  PutOrder (Group (kHdd, { 0x0004, 0xFF05, 0x0006 }));
  ASSERT_EQ (BuildBootOptionTables (), EFI_SUCCESS);
  EXPECT_EQ (Stored (u"LegacyDevOrder", kLegacyOrderGuid), Group (kHdd, { 0x0004, 0x0005, 0x0006 }));
}

TEST_F (LegacyDevOrderTest, WithoutDisabledDevsOnlyDevicesWithoutAPathStayDisabled) {
  AddDevices (kCdRom, 2);
  Bios->Table ().push_back (Emu::BbsEntry (BBS_UNPRIORITIZED_ENTRY, kCdRom));                       // no handle
  Bios->Table ().push_back (Emu::BbsEntry (BBS_UNPRIORITIZED_ENTRY, kCdRom, Device ({})));          // no device path
  PutBoot (1, LoadOption (kActive, u"CD", BbsPathOf (kCdRom)));
  PutOrder (Group (kCdRom, { 0xFF00, 0xFF02, 0x0001, 0xFF03 }));

  // The handle whose interface is an empty list has no device path to compare.
  ASSERT_EQ (BuildBootOptionTables (), EFI_SUCCESS);
  EXPECT_EQ (Stored (u"LegacyDevOrder", kLegacyOrderGuid), Group (kCdRom, { 0x0000, 0x0001, 0xFF02, 0xFF03 }));
}

TEST_F (LegacyDevOrderTest, AnOptionTakesTheFirstMatchingGroupAndUntakenGroupsAreDropped) {
  AddDevices (kCdRom, 4);
  AddDevices (kFloppy, 1);
  PutBoot (1, LoadOption (kActive, u"CD", BbsPathOf (kCdRom)));
  PutOrder (Concat ({ Group (kFloppy, { 4 }), Group (kCdRom, {}), Group (kCdRom, { 2, 3 }), Group (kCdRom, { 0, 1 }) }));

  ASSERT_EQ (BuildBootOptionTables (), EFI_SUCCESS);
  EXPECT_EQ (Stored (u"LegacyDevOrder", kLegacyOrderGuid), Group (kCdRom, { 2, 3 }));
  EXPECT_EQ (DeviceIndexes (1), (std::vector<UINT16> { 2, 3 }));
  EXPECT_EQ (Stored (u"LegacyDev", kLegacyOrderGuid), Order ({ 1 }));
}

TEST_F (LegacyDevOrderTest, TheSecondDevicePathOfAnOptionPicksItsOwnGroup) {
  AddDevices (kUsb, 4);         // devices 0-3 on ports 0-3 of PCI device 2
  BYTES  Controller = UsbDevicePath (2, 3);
  PutBoot (1, LoadOption (kActive, u"USB on port 3", BbsPathOf (kUsb, Controller)));
  PutOrder (Concat ({ Group (kUsb, { 0, 1 }), Group (kUsb, { 3, 2 }) }));

  ASSERT_EQ (BuildBootOptionTables (), EFI_SUCCESS);
  EXPECT_EQ (DeviceIndexes (1), (std::vector<UINT16> { 3, 2 }));
  EXPECT_EQ (Stored (u"LegacyDevOrder", kLegacyOrderGuid), Group (kUsb, { 3, 2 }));
}

TEST_F (LegacyDevOrderTest, WhenNoOptionTakesAGroupTheOrderIsDeletedAndTheOptionLeavesBootOrder) {
  AddDevices (kHdd, 2);
  PutBoot (1, LoadOption (kActive, u"Floppies", BbsPathOf (kFloppy)));
  PutBoot (2, LoadOption (kActive, u"Shell", FilePath ()));
  M.Variables ().Put (u"BootOrder", gEfiGlobalVariableGuid, kNvBsRt, Order ({ 1, 2 }));
  PutOrder (Group (kHdd, { 0, 1 }));

  ASSERT_EQ (BuildBootOptionTables (), EFI_SUCCESS);
  EXPECT_EQ (M.Variables ().Lookup (u"LegacyDevOrder", kLegacyOrderGuid), nullptr);
  EXPECT_EQ (Stored (u"LegacyDev", kLegacyOrderGuid), Order ({ 0 }));
  EXPECT_EQ (Stored (u"BootOrder"), Order ({ 2 }));
  ASSERT_NE (FindBootOption (1), nullptr);
  EXPECT_EQ (FindBootOption (1)->LegacyDeviceCount, 0);
  EXPECT_EQ (GetBootOptionName (FindBootOption (1)), nullptr);
}

TEST_F (LegacyDevOrderTest, AStoredGroupThatIsNotWholeStopsTheRebuildWithNothingWritten) {
  AddDevices (kHdd, 3);
  PutBoot (1, LoadOption (kActive, u"Hard disks", BbsPathOf (kHdd)));
  PutBoot (2, LoadOption (kActive, u"More disks", BbsPathOf (kHdd)));
  M.Variables ().Put (u"BootOrder", gEfiGlobalVariableGuid, kNvBsRt, Order ({ 1, 2 }));
  BYTES  Good = Group (kHdd, { 0, 1 });

  BYTES  ZeroLength = Concat ({ Good, Group (kHdd, { 2 }) });
  ZeroLength[Good.size () + 4] = 0;
  BYTES  Odd = Concat ({ Good, Group (kHdd, { 2 }) });
  Odd[Good.size () + 4] = 3;
  BYTES  PastTheEnd = Concat ({ Good, Group (kHdd, { 2 }) });
  PastTheEnd[Good.size () + 4] = 6;                        // below the size, but the group would end outside
  BYTES  NotBelowSize = Group (kHdd, { 0, 1 });
  NotBelowSize[4] = (UINT8)NotBelowSize.size ();
  for (const BYTES &Broken : { ZeroLength, Odd, PastTheEnd, NotBelowSize }) {
    PutOrder (Broken);
    M.Variables ().ClearWriteLog ();
    ASSERT_EQ (BuildBootOptionTables (), EFI_SUCCESS);
    EXPECT_EQ (Stored (u"LegacyDevOrder", kLegacyOrderGuid), Broken);
    EXPECT_EQ (M.Variables ().Lookup (u"LegacyDev", kLegacyOrderGuid), nullptr);
    EXPECT_EQ (FindBootOption (1)->LegacyDeviceCount, 0);
    EXPECT_EQ (FindBootOption (1)->LegacyDevices, nullptr);
    EXPECT_EQ (Stored (u"BootOrder"), Order ({ 1, 2 }));
  }
}

TEST_F (LegacyDevOrderTest, IndexesBeyondTheBbsTableNameNoDevice) {
  AddDevices (kHdd, 2);
  PutBoot (1, LoadOption (kActive, u"Hard disks", BbsPathOf (kHdd)));
  PutOrder (Group (kHdd, { 0x0001, 0x0040, 0xFF41 }));

  ASSERT_EQ (BuildBootOptionTables (), EFI_SUCCESS);
  EXPECT_EQ (Stored (u"LegacyDevOrder", kLegacyOrderGuid), Group (kHdd, { 0x0001, 0x0040, 0xFF41 }));
  EXPECT_EQ (DeviceName (1, 1), u"Unknown Unknown");

  Bios->Table ()[0].BootPriority = BBS_UNPRIORITIZED_ENTRY;
  AssignAllLegacyPriorities (0);
  EXPECT_EQ (Priority (1), 0);
  EXPECT_EQ (Priority (0), BBS_UNPRIORITIZED_ENTRY);
}

TEST_F (LegacyDevOrderTest, WithoutALegacyBiosOrAStoredOrderNothingIsMatched) {
  PutBoot (1, LoadOption (kActive, u"Hard disks", BbsPathOf (kHdd)));
  ASSERT_EQ (BuildBootOptionTables (), EFI_SUCCESS);
  EXPECT_EQ (Stored (u"LegacyDev", kLegacyOrderGuid), Order ({ 0 }));
  EXPECT_EQ (Stored (u"LegacyGroup", kLegacyOrderGuid), Order ({ 0 }));
  EXPECT_EQ (Stored (u"BootOrder"), Order ({ 1 }));
  EXPECT_TRUE (BootOptionDisabledByIndex (0, 0, FALSE, FALSE) || (CountFlatBootEntries () == 0));

  Bios->FailBbsInfo (EFI_DEVICE_ERROR);
  M.Variables ().Put (u"LegacyDev", kLegacyOrderGuid, EFI_VARIABLE_BOOTSERVICE_ACCESS, Order ({ 7 }));
  ASSERT_EQ (BuildBootOptionTables (), EFI_SUCCESS);
  EXPECT_EQ (Stored (u"LegacyDev", kLegacyOrderGuid), Order ({ 7 }));    // nothing written without a table
}

TEST_F (LegacyDevOrderTest, DeviceNamesComeFromTheDescriptionThePathOrTheType) {
  AddDevices (kUsb, 1);                                                       // 0: "USB 0", path on port 0
  Bios->Table ().push_back (Emu::BbsEntry (BBS_UNPRIORITIZED_ENTRY, kUsb));   // 1: nothing known
  Bios->Table ().push_back (Emu::BbsEntry (BBS_UNPRIORITIZED_ENTRY, kPcmcia)); // 2: no type name either
  Bios->Table ().push_back (Emu::BbsEntry (BBS_UNPRIORITIZED_ENTRY, kHdd));   // 3: a long description
  Bios->Table ()[3].DescStringSegment = 0xF000;
  Bios->Table ()[3].DescStringOffset  = 0x0010;
  std::string  Long (60, 'x');
  Long.replace (0, 6, "Disk 3");
  Bios->PutMemory (0xF0010, BYTES (Long.begin (), Long.end ()));             // no terminator inside the memory
  Bios->Table ().push_back (Emu::BbsEntry (BBS_UNPRIORITIZED_ENTRY, kHdd));   // 4: a short one
  Bios->Table ()[4].DescStringSegment = 0xF000;
  Bios->Table ()[4].DescStringOffset  = 0x0100;
  Bios->PutMemory (0xF0100, { 'S', 'h', 'o', 'r', 't', 0, 'X' });
  PutBoot (1, LoadOption (kActive, u"USB", BbsPathOf (kUsb)));
  PutOrder (Group (kUsb, { 0, 1, 2, 3, 4 }));

  ASSERT_EQ (BuildBootOptionTables (), EFI_SUCCESS);
  EXPECT_EQ (DeviceName (1, 0), u"USB 0 USB");
  EXPECT_EQ (DeviceName (1, 1), u"Unknown USB");
  EXPECT_EQ (DeviceName (1, 2), u"Unknown Unknown");
  EXPECT_EQ (DeviceName (1, 3), std::u16string (Long.begin (), Long.begin () + 50));
  EXPECT_EQ (DeviceName (1, 4), u"Short");
  EXPECT_EQ (std::u16string (GetBootOptionNameByIndex (3, 0, FALSE)), std::u16string (Long.begin (), Long.begin () + 50));
}

TEST_F (LegacyDevOrderTest, GroupNamesAndDisabledDevicesFollowTheStoredOrder) {
  AddDevices (kHdd, 3);
  AddDevices (kCdRom, 1);
  PutBoot (1, LoadOption (kActive, u"Hard disks", BbsPathOf (kHdd)));
  PutBoot (2, LoadOption (kActive, u"CD", BbsPathOf (kCdRom)));
  PutBoot (3, LoadOption (0, u"Off", BbsPathOf (kFloppy)));
  M.Variables ().Put (u"DisabledDevs", kDisabledDevsGuid, kNvBsRt, Concat ({ UsbDevicePath (2, 0), UsbDevicePath (2, 3) }));
  PutOrder (Concat ({ Group (kHdd, { 1, 0xFF00, 2 }), Group (kCdRom, { 0xFF03 }) }));

  ASSERT_EQ (BuildBootOptionTables (), EFI_SUCCESS);
  EXPECT_EQ (std::u16string (GetBootOptionName (FindBootOption (1))), u"USB 1 HDD");
  EXPECT_EQ (std::u16string (GetBootOptionName (FindBootOption (2))), u"Disabled in BBS Order");
  // Hard disks 1, 2, then disabled 0; the CD drive.
  EXPECT_FALSE (LegacyDeviceDisabledByIndex (FindBootOption (1), 1, FALSE));
  EXPECT_TRUE (LegacyDeviceDisabledByIndex (FindBootOption (1), 2, FALSE));
  EXPECT_TRUE (LegacyDeviceDisabledByIndex (FindBootOption (1), 3, FALSE));
  EXPECT_TRUE (LegacyDeviceDisabledByIndex (FindBootOption (2), 0, FALSE));
  EXPECT_FALSE (LegacyDeviceDisabledByIndex (FindBootOption (1), 0, TRUE));    // listed as it is
  EXPECT_TRUE (LegacyDeviceDisabledByIndex (FindBootOption (1), 2, TRUE));     // listed only as disabled
  EXPECT_TRUE (LegacyDeviceDisabledByIndex (FindBootOption (3), 0, FALSE));    // inactive, no group
  EXPECT_FALSE (BootOptionDisabledByIndex (0, 0, FALSE, FALSE));
  EXPECT_TRUE (BootOptionDisabledByIndex (2, 0, FALSE, FALSE));
}

TEST_F (LegacyDevOrderTest, PrioritiesCountOnAcrossGroupsAndSkipDisabledDevices) {
  AddDevices (kHdd, 3);
  AddDevices (kCdRom, 2);
  PutBoot (1, LoadOption (kActive, u"Hard disks", BbsPathOf (kHdd)));
  PutBoot (2, LoadOption (kActive, u"CD", BbsPathOf (kCdRom)));
  M.Variables ().Put (u"BootOrder", gEfiGlobalVariableGuid, kNvBsRt, Order ({ 2, 1 }));
  M.Variables ().Put (u"DisabledDevs", kDisabledDevsGuid, kNvBsRt, UsbDevicePath (2, 1));
  PutOrder (Concat ({ Group (kHdd, { 2, 0xFF01, 0 }), Group (kCdRom, { 4, 3 }) }));
  ASSERT_EQ (BuildBootOptionTables (), EFI_SUCCESS);

  AssignAllLegacyPriorities (1);
  EXPECT_EQ (Priority (4), 1);
  EXPECT_EQ (Priority (3), 2);
  EXPECT_EQ (Priority (2), 3);
  EXPECT_EQ (Priority (0), 4);
  EXPECT_EQ (Priority (1), BBS_DO_NOT_BOOT_FROM);    // listed only as disabled
}

// With a board whose variable list holds "BootOrder" and "LegacyDevOrder" at 7 and
// 8, the cached copy is what the device questions edit.
class LegacyOrderCacheTest : public LegacyDevOrderTest {
protected:
  void SetUp () override
  {
    LegacyDevOrderTest::SetUp ();
    LoadBoardWithOrders ();

    AddDevices (kHdd, 3);
    AddDevices (kCdRom, 3);
    PutBoot (1, LoadOption (kActive, u"Hard disks", BbsPathOf (kHdd)));
    PutBoot (2, LoadOption (kActive, u"CD", BbsPathOf (kCdRom)));
    M.Variables ().Put (u"BootOrder", gEfiGlobalVariableGuid, kNvBsRt, Order ({ 1, 2 }));
    M.Variables ().Put (u"DisabledDevs", kDisabledDevsGuid, kNvBsRt, UsbDevicePath (2, 5));
    PutOrder (Concat ({ Group (kHdd, { 0, 1, 2 }), Group (kCdRom, { 3, 0xFF05, 4 }) }));
    ASSERT_EQ (BuildBootOptionTables (), EFI_SUCCESS);
  }

  void TearDown () override
  {
    ForgetBoard ();
    LegacyDevOrderTest::TearDown ();
  }

  // The cached order after a device question of the current group chose Value at Position.
  BYTES Reordered (UINT32 Position, UINT16 Value, UINT32 GroupOffset)
  {
    UINT32  Offset = GroupOffset + LEGACY_GROUP_HEADER_SIZE + 2 * Position;
    UINT64  Size   = 0;
    VOID    *Buffer = nullptr;
    EXPECT_EQ (ReorderLegacyDevOrderCache (Value, &Offset, &Size, &Buffer), EFI_SUCCESS);
    EXPECT_EQ (Offset, 0u);
    BYTES  Bytes ((UINT8 *)Buffer, (UINT8 *)Buffer + Size);
    FreePool (Buffer);
    return Bytes;
  }

  // The cached copy as setup would hold it after earlier edits.
  void Cache (const BYTES &Bytes)
  {
    VARIABLE_CACHE_ENTRY  &Entry = gVariableCache[SETUP_VARIABLE_INDEX_LEGACY_DEV_ORDER];
    FreePool (Entry.Data);
    Entry.Data = AllocateCopyPool (Bytes.size (), Bytes.data ());
    Entry.Size = Bytes.size ();
  }

  // A ONE_OF question on variable 8 whose storage offset is Offset.
  CONTROL_RECORD Question (UINT16 Offset)
  {
    OneOf = { 0x05, 17, 0x10, 0, 0x11, 0, 0x01, 0, 0x08, 0, (UINT8)Offset, (UINT8)(Offset >> 8), 0, 0x01, 0, 0xFF, 1 };
    CONTROL_RECORD  Control {};
    Control.VariableIndex  = SETUP_VARIABLE_INDEX_LEGACY_DEV_ORDER;
    Control.ControlType    = CONTROL_TYPE_ONE_OF;
    Control.QuestionOpcode = (UINT64)(UINTN)OneOf.data ();
    return Control;
  }

  UINT16 Stepped (UINT16 Position, BOOLEAN TowardFront)
  {
    CONTROL_RECORD  Control = Question ((UINT16)(gCurrentLegacyGroup->LegacyGroupOffset + LEGACY_GROUP_HEADER_SIZE + 2 * Position));
    UINT16          Value   = 0x7777;
    GetLegacyDeviceStepValue (GetQuestionOffset ((CONST UINT8 *)(UINTN)Control.QuestionOpcode), TowardFront, &Value);
    return Value;
  }

  BYTES  OneOf;
};

TEST_F (LegacyOrderCacheTest, TheCacheShowsDisabledDevicesAsTheMarker) {
  UINTN  Size = 0;
  UINT8  *Data = (UINT8 *)GetCachedVariable (SETUP_VARIABLE_INDEX_LEGACY_DEV_ORDER, &Size);
  ASSERT_NE (Data, nullptr);
  EXPECT_EQ (BYTES (Data, Data + Size), Concat ({ Group (kHdd, { 0, 1, 2 }), Group (kCdRom, { 3, 4, 0xFFFF }) }));
  FreePool (Data);
  EXPECT_EQ (FindBootOption (2)->LegacyGroupOffset, 12u);
  EXPECT_EQ (std::u16string (GetBootOptionName (FindBootOption (1))), u"USB 0 HDD");
}

TEST_F (LegacyOrderCacheTest, DeviceQuestionsMoveDevicesWithinTheCurrentGroupOnly) {
  const BYTES  Hdd = Group (kHdd, { 0, 1, 2 });
  SelectLegacyGroupByIndex (1);
  ASSERT_EQ (gCurrentLegacyGroup, FindBootOption (2));

  // The same value changes nothing; another swaps the two devices.
  EXPECT_EQ (Reordered (0, 3, 12), Concat ({ Hdd, Group (kCdRom, { 3, 4, 0xFFFF }) }));
  EXPECT_EQ (Reordered (1, 3, 12), Concat ({ Hdd, Group (kCdRom, { 4, 3, 0xFFFF }) }));
  // Disabling moves the rest up inside the group, never into the next group's bytes.
  Cache (Concat ({ Hdd, Group (kCdRom, { 3, 4, 5 }) }));
  EXPECT_EQ (Reordered (0, 0xFFFF, 12), Concat ({ Hdd, Group (kCdRom, { 4, 5, 0xFFFF }) }));
  Cache (Concat ({ Hdd, Group (kCdRom, { 3, 0xFFFF, 0xFFFF }) }));
  // At a marker: a device listed elsewhere becomes the last enabled one; one that is not replaces the first marker.
  EXPECT_EQ (Reordered (2, 3, 12), Concat ({ Hdd, Group (kCdRom, { 3, 0xFFFF, 0xFFFF }) }));
  EXPECT_EQ (Reordered (2, 5, 12), Concat ({ Hdd, Group (kCdRom, { 3, 5, 0xFFFF }) }));
  Cache (Concat ({ Hdd, Group (kCdRom, { 4, 3, 0xFFFF }) }));
  EXPECT_EQ (Reordered (2, 4, 12), Concat ({ Hdd, Group (kCdRom, { 3, 4, 0xFFFF }) }));

  // Offsets outside the current group's indexes leave the whole order as it is.
  const BYTES  Unchanged = Concat ({ Hdd, Group (kCdRom, { 4, 3, 0xFFFF }) });
  EXPECT_EQ (Reordered (1, 2, 0), Unchanged);
  EXPECT_EQ (Reordered (3, 5, 12), Unchanged);
  UINT32  Odd = 12 + 7;
  UINT64  Size = 0;
  VOID    *Buffer = nullptr;
  ASSERT_EQ (ReorderLegacyDevOrderCache (5, &Odd, &Size, &Buffer), EFI_SUCCESS);
  EXPECT_EQ (BYTES ((UINT8 *)Buffer, (UINT8 *)Buffer + Size), Unchanged);
  FreePool (Buffer);
}

TEST_F (LegacyOrderCacheTest, PlusAndMinusStepToTheNeighbouringDevice) {
  SelectLegacyGroupByIndex (1);
  EXPECT_EQ (Stepped (0, TRUE), 3);           // the front stays
  EXPECT_EQ (Stepped (1, TRUE), 3);
  EXPECT_EQ (Stepped (0, FALSE), 4);
  EXPECT_EQ (Stepped (1, FALSE), 4);          // the next one is disabled
  EXPECT_EQ (Stepped (2, FALSE), 0xFFFF);     // a disabled device stays disabled
  EXPECT_EQ (Stepped (2, TRUE), 0xFFFF);
  EXPECT_EQ (Stepped (3, FALSE), 0x7777);     // no such device: the value is left alone

  SelectLegacyGroupByIndex (0);
  EXPECT_EQ (Stepped (2, FALSE), 2);          // the back stays
}

// A save stores each marker of a cached group as the next device of the option that the
// group leaves out, disabled; a marker no device is left for is dropped.
TEST_F (LegacyOrderCacheTest, ASaveStoresEachMarkerAsTheNextDeviceTheGroupLeavesOut) {
  const BYTES   Cached = Concat ({ Group (kHdd, { 0, 1, 2 }), Group (kCdRom, { 4, 0xFFFF, 0xFFFF, 0xFFFF }) });
  LEGACY_GROUP  Read;
  UINTN         Next    = 0;
  UINT16        Index   = 0;
  UINT16        LeftOut = 0;
  ASSERT_TRUE (ReadLegacyGroup (Cached.data (), Cached.size (), 12, &Read));

  ASSERT_TRUE (StoredLegacyIndex (FindBootOption (2), &Read, 0, &Next, &Index, &LeftOut));
  EXPECT_EQ (Index, 4);
  EXPECT_EQ (LeftOut, LEGACY_NO_DEVICE);
  ASSERT_TRUE (StoredLegacyIndex (FindBootOption (2), &Read, 1, &Next, &Index, &LeftOut));
  EXPECT_EQ (Index, 0xFF03);
  EXPECT_EQ (LeftOut, 3);
  ASSERT_TRUE (StoredLegacyIndex (FindBootOption (2), &Read, 2, &Next, &Index, &LeftOut));
  EXPECT_EQ (Index, 0xFF05);
  EXPECT_EQ (LeftOut, 5);
  EXPECT_FALSE (StoredLegacyIndex (FindBootOption (2), &Read, 3, &Next, &Index, &LeftOut));

  EXPECT_TRUE (IsLegacyCacheMarker (0xFFFF));
  EXPECT_FALSE (IsLegacyCacheMarker (0xFF05));
}

TEST_F (LegacyOrderCacheTest, DefaultsFollowBootOrderAndTakeTheDefaultsSize) {
  const EFI_GUID        Changed  = LEGACY_ORDER_CHANGED_EVENT_GUID;
  BYTES                 Defaults = Concat ({ Group (kCdRom, { 4, 3, 5 }), Group (kHdd, { 2, 0, 1 }), Group (kFloppy, { 9 }) });
  VARIABLE_CACHE_ENTRY  Current { AllocateZeroPool (200), 200 };
  VARIABLE_CACHE_ENTRY  Default { Defaults.data (), Defaults.size () };
  auto                  Signalled = [&] {
    const auto  &Log = M.Protocols ().NullInterfaceLog ();
    return std::count_if (Log.begin (), Log.end (), [&] (const EFI_GUID &G) { return CompareGuid (&G, &Changed) != 0; });
  };

  // A default group that is not whole leaves the copy as it was.
  BYTES  Broken = Defaults;
  Broken[4] = 0;
  VARIABLE_CACHE_ENTRY  BrokenDefault { Broken.data (), Broken.size () };
  VOID                  *Before = Current.Data;
  ApplyDefaultLegacyDevOrder (&Current, &BrokenDefault);
  EXPECT_EQ (Current.Data, Before);
  EXPECT_EQ (Current.Size, 200u);

  // The groups follow "BootOrder"; the entry takes the default's size, not its old larger one.
  ApplyDefaultLegacyDevOrder (&Current, &Default);
  ASSERT_EQ (Current.Size, Defaults.size ());
  EXPECT_EQ (BYTES ((UINT8 *)Current.Data, (UINT8 *)Current.Data + Current.Size),
    Concat ({ Group (kHdd, { 2, 0, 1 }), Group (kCdRom, { 4, 3, 5 }), BYTES (8, 0) }));
  EXPECT_EQ (FindBootOption (1)->LegacyGroupOffset, 0u);
  EXPECT_EQ (FindBootOption (2)->LegacyGroupOffset, 12u);
  EXPECT_EQ (Signalled (), 1);

  // Without a legacy option in "BootOrder" the copy is all zero bytes of the default's size.
  ASSERT_EQ (gRT->SetVariable ((CHAR16 *)u"Boot0001", &gEfiGlobalVariableGuid, 0, 0, nullptr), EFI_SUCCESS);
  ASSERT_EQ (gRT->SetVariable ((CHAR16 *)u"Boot0002", &gEfiGlobalVariableGuid, 0, 0, nullptr), EFI_SUCCESS);
  PutBoot (7, LoadOption (kActive, u"Shell", FilePath ()));
  ASSERT_EQ (BuildBootOptionTables (), EFI_SUCCESS);
  ASSERT_EQ (Stored (u"BootOrder"), Order ({ 7 }));
  ApplyDefaultLegacyDevOrder (&Current, &Default);
  EXPECT_EQ (BYTES ((UINT8 *)Current.Data, (UINT8 *)Current.Data + Current.Size), BYTES (Defaults.size (), 0));
  EXPECT_EQ (Signalled (), 1);          // no "LegacyDevOrder" is left in NVRAM to differ from
  FreePool (Current.Data);
}

TEST_F (LegacyOrderCacheTest, TheDeviceQuestionListsTheGroupsDevicesAndMovesIntoTheGroupOnce) {
  SelectLegacyGroupByIndex (1);
  CONTROL_RECORD  Control = Question (2);             // the compiled offset within the group's indexes
  Control.HiiHandle = gHiiHandle;

  for (int Pass = 0; Pass < 2; Pass++) {
    ASSERT_EQ (BuildLegacyDeviceOptionList (&Control, 1), EFI_SUCCESS);
    const UINT8  *Copy = (const UINT8 *)(UINTN)Control.QuestionOpcode;
    EXPECT_EQ (Copy[10] | (Copy[11] << 8), 12 + 6 + 2);     // moved by the group's offset and header, once
    const UINT8  *Option = Copy + (Copy[1] & 0x7F);
    std::vector<std::pair<std::u16string, UINT16>>  Listed;
    std::vector<UINT8>                              Flags;
    for (; Option[0] == EFI_IFR_ONE_OF_OPTION_OP; Option += Option[1] & 0x7F) {
      CHAR16  *Text = HiiGetString (gHiiHandle, (UINT16)(Option[2] | (Option[3] << 8)), nullptr);
      Listed.push_back ({ (Text == nullptr) ? u"<none>" : Text, (UINT16)(Option[6] | (Option[7] << 8)) });
      Flags.push_back (Option[4]);
      FreePool (Text);
    }
    EXPECT_EQ (Option[0], EFI_IFR_END_OP);
    EXPECT_EQ (Listed, (std::vector<std::pair<std::u16string, UINT16>> {
      { u"USB 3 CD/DVD ROM", 3 }, { u"USB 4 CD/DVD ROM", 4 }, { u"USB 5 CD/DVD ROM", 5 }, { u"Disabled", 0xFFFF } }));
    EXPECT_EQ (Flags, (std::vector<UINT8> { 0x01, 0x11, 0x01, 0x01 }));
  }

  gCurrentLegacyGroup = nullptr;
  EXPECT_EQ (BuildLegacyDeviceOptionList (&Control, 0), EFI_NOT_FOUND);
  ForgetRewrittenQuestions ();
}

}  // namespace

// The boot loop on the emulator: which options boot in which order (read from the
// machine's boot log), what is deleted and written around a launch, and the screens
// shown when nothing boots.
#include <engine/testing/BootMachine.h>

#include <engine/core/EngineGlobals.h>
#include <engine/browser/SetupEntryRequest.h>
#include <engine/post/BootScreen.h>
#include <Guid/ConfigurationTables.h>
#include <Library/BaseMemoryLib.h>
#include <Library/UefiLib.h>
#include <Pi/PiHob.h>

#include <Emulator/HealthDriver.h>
#include <Fixtures.h>

#include <deque>

namespace {

using namespace BootTest;

int  gDialogs       = 0;
int  gFirmwareBoots = 0;

EFI_STATUS EFIAPI
CountDialog (CHAR16 *, CHAR16 *, CHAR16 *, UINT32, UINT8, UINT16 *, UINT16, VOID *, UINT16, UINT8 *, VOID *)
{
  gDialogs++;
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI
FirmwareBoot (VOID)
{
  gFirmwareBoots++;
  return EFI_SUCCESS;
}

EFI_SIMPLE_TEXT_INPUT_PROTOCOL  *gArrivingConIn = nullptr;

VOID EFIAPI
ConsoleArrives (EFI_EVENT, VOID *)
{
  gST->ConIn = gArrivingConIn;
}

const EFI_GUID  kShellFile = { 0x7C04A583, 0x9E3E, 0x4F1C, { 0xAD, 0x65, 0xE0, 0x52, 0x68, 0xD0, 0xB4, 0xD1 } };
const EFI_GUID  kLoaderFile = { 0x3B0E5E47, 0x1B1C, 0x4D47, { 0x9B, 0x3E, 0x5A, 0x0A, 0x7D, 0x12, 0x66, 0x01 } };

class BootLoopTest : public BootMachineTest {
protected:
  // A file on its own volume; the option's path names the volume and the file.
  BYTES FileOption (const std::string &Folder, const std::string &Name, UINT32 Number)
  {
    std::filesystem::path  Root = this->Folder (Folder, "loader.efi", Name);
    Emu::BlockDevice       &Disk = DiskWithVolume (Emu::JoinPath ({ Emu::PciNode (Number, 0), Emu::SataNode (0) }), Root);
    return Emu::JoinPath ({ Emu::PathBody (Disk.Path ()), Emu::FilePathNode (u"\\loader.efi") });
  }

  EFI_STATUS RunLoop (BOOT_LOOP_RESULT Expected = BootLoopToDecision)
  {
    EFI_STATUS  Status = EFI_ABORTED;
    EXPECT_EQ (BuildBootOptionTables (), EFI_SUCCESS);
    EXPECT_EQ (RunBootLoop (&Status), Expected);
    return Status;
  }

  std::u16string Screen (UINTN Row) { return Devices.TextOut->RowText (Row); }

  std::u16string Printed ()
  {
    std::u16string  Text;
    for (const auto &Call : Devices.TextOut->Calls ()) {
      Text += Call.Text;
    }
    return Text;
  }
};

// "BootNext" is deleted before it boots, so a failing one is tried once; then the order follows.
TEST_F (BootLoopTest, BootNextBootsOnceAndIsDeletedBeforeTheOrder) {
  std::vector<BYTES>  Seen;
  BYTES  First  = FileOption ("a", "first", 1);
  BYTES  Second = FileOption ("b", "second", 2);
  Images->RegisterBytes (ImageBytes ("first"), "first", [&] (const Emu::LOADER_CALL &) {
    const Emu::VARIABLE  *Current = Find (u"BootCurrent");
    Seen.push_back (Current == nullptr ? BYTES {} : Current->Data);
    EXPECT_EQ (Find (u"BootNext"), nullptr);
    return EFI_LOAD_ERROR;
  });
  Images->RegisterBytes (ImageBytes ("second"), "second", Emu::BootImages::NeverReturns ("second"));
  PutBoot (1, LoadOption (LOAD_OPTION_ACTIVE, u"First", First));
  PutBoot (2, LoadOption (LOAD_OPTION_ACTIVE, u"Second", Second));
  PutOrder ({ 2, 1 });
  M.Variables ().Put (u"BootNext", gEfiGlobalVariableGuid, kNvBsRt, U16List ({ 1 }));

  EXPECT_THROW (RunLoop (), Emu::OsBooted);
  EXPECT_EQ (Booted (), (std::vector<std::string> { "first", "second" }));
  EXPECT_EQ (Seen, (std::vector<BYTES> { U16List ({ 1 }) }));
  EXPECT_EQ (Find (u"BootNext"), nullptr);
  EXPECT_EQ (Images->Log ()[0].DevicePath, First);
}

// Options boot in "BootOrder" order; an option that returns hands over to the next one.
TEST_F (BootLoopTest, TheOrderBootsInTurnWithTheOptionalDataAsLoadOptions) {
  PutBoot (1, LoadOption (LOAD_OPTION_ACTIVE, u"One", FileOption ("a", "one", 1), { 'o', 'n', 'e' }));
  PutBoot (2, LoadOption (LOAD_OPTION_ACTIVE, u"Two", FileOption ("b", "two", 2)));
  PutBoot (3, LoadOption (LOAD_OPTION_ACTIVE, u"Three", FileOption ("c", "three", 3)));
  Images->RegisterBytes (ImageBytes ("one"), "one", Emu::BootImages::Returns (EFI_SUCCESS));
  Images->RegisterBytes (ImageBytes ("two"), "two", Emu::BootImages::Returns (EFI_ABORTED));
  Images->RegisterBytes (ImageBytes ("three"), "three", Emu::BootImages::NeverReturns ("three"));
  PutOrder ({ 2, 1, 3 });

  EXPECT_THROW (RunLoop (), Emu::OsBooted);
  ASSERT_EQ (Booted (), (std::vector<std::string> { "two", "one", "three" }));
  EXPECT_EQ (Images->Log ()[1].LoadOptions, (BYTES { 'o', 'n', 'e' }));
  EXPECT_TRUE (Images->Log ()[0].LoadOptions.empty ());
  // The last one took the machine: "BootCurrent" names it, its image stays loaded.
  ASSERT_NE (Find (u"BootCurrent"), nullptr);
  EXPECT_EQ (Find (u"BootCurrent")->Data, U16List ({ 3 }));
  EXPECT_EQ (Images->LoadedImages (), 1u);
}

// The run of candidates ends at the first inactive entry; hidden options go behind it and never boot.
TEST_F (BootLoopTest, InactiveOptionsEndTheRunAndHiddenOnesStayBehindThem) {
  PutBoot (1, LoadOption (LOAD_OPTION_ACTIVE | LOAD_OPTION_HIDDEN, u"Hidden", FileOption ("a", "hidden", 1)));
  PutBoot (2, LoadOption (LOAD_OPTION_ACTIVE, u"Shown", FileOption ("b", "shown", 2)));
  PutBoot (3, LoadOption (0, u"Off", FileOption ("c", "off", 3)));
  Images->RegisterBytes (ImageBytes ("hidden"), "hidden", Emu::BootImages::Returns (EFI_NOT_FOUND));
  Images->RegisterBytes (ImageBytes ("shown"), "shown", Emu::BootImages::Returns (EFI_NOT_FOUND));
  Images->RegisterBytes (ImageBytes ("off"), "off", Emu::BootImages::NeverReturns ("off"));
  PutOrder ({ 1, 3, 2 });
  Devices.TextIn->Script ().Append ("Enter");

  EXPECT_EQ (RunLoop (), EFI_NOT_FOUND);
  EXPECT_EQ (Booted (), (std::vector<std::string> { "shown" }));
  EXPECT_EQ (Find (u"BootOrder")->Data, U16List ({ 2, 3, 1 }));
}

// An inactive first entry gives an empty run: nothing launches, the screen asks for media.
TEST_F (BootLoopTest, NothingBootableShowsTheRebootScreenCellByCell) {
  PutBoot (1, LoadOption (0, u"Off", FileOption ("a", "off", 1)));
  PutOrder ({ 1 });
  Devices.TextIn->Script ().Append ("x");
  RequestSetupEntry ();

  RunLoop ();
  EXPECT_TRUE (Images->Log ().empty ());
  EXPECT_FALSE (SetupEntryRequested ());
  ASSERT_EQ (Devices.TextOut->Columns (), 100u);
  ASSERT_EQ (Devices.TextOut->Rows (), 31u);
  const std::u16string  Line1 = u"Reboot and Select proper Boot device";
  const std::u16string  Line2 = u"or Insert Boot Media in selected Boot device and press a key";
  EXPECT_EQ (Screen (0), Line1 + std::u16string (100 - Line1.size (), u' '));
  EXPECT_EQ (Screen (1), Line2 + std::u16string (100 - Line2.size (), u' '));
  EXPECT_EQ (Screen (2), std::u16string (100, u' '));
  for (UINT8 Attribute : Devices.TextOut->RowAttributes (1)) {
    EXPECT_EQ (Attribute, 0x07);
  }
}

// Esc on the screen shows the message once more before the decision point.
TEST_F (BootLoopTest, EscOnTheRebootScreenPrintsTheMessageAgain) {
  Devices.TextIn->Script ().Append ("Esc");
  RunLoop ();
  EXPECT_EQ (Screen (1).substr (60, 36), u"Reboot and Select proper Boot device");
  EXPECT_EQ (Screen (2).substr (0, 9), u"or Insert");
}

// In recovery or flash update the loop asks for setup instead of the screen.
TEST_F (BootLoopTest, FlashUpdateWithoutOptionsRequestsSetup) {
  Devices.Hobs->SetBootMode (BOOT_ON_FLASH_UPDATE);
  RunLoop ();
  EXPECT_TRUE (SetupEntryRequested ());
  EXPECT_EQ (Printed ().find (u"Reboot"), std::u16string::npos);
}

// Under boot flow 7 the firmware's boot manager boots "BootNext": it stays for it.
TEST_F (BootLoopTest, BootFlowSevenLeavesBootNextForTheFirmware) {
  PutBoot (1, LoadOption (LOAD_OPTION_ACTIVE, u"One", FileOption ("a", "one", 1)));
  PutOrder ({ 1 });
  M.Variables ().Put (u"BootNext", gEfiGlobalVariableGuid, kNvBsRt, U16List ({ 1 }));
  gBootFlowRequest = 7;

  EXPECT_EQ (RunLoop (BootLoopLeave), EFI_SUCCESS);
  gBootFlowRequest = 0;
  ASSERT_NE (Find (u"BootNext"), nullptr);
  EXPECT_TRUE (Images->Loads ().empty ());
}

// Boot flow 5 starts nothing: between passes the loop says so and waits for a key, so it cannot spin.
TEST_F (BootLoopTest, EveryFailedPassWaitsForAKeyWhileTheDefaultStartsNothing) {
  PutBoot (1, LoadOption (LOAD_OPTION_ACTIVE, u"One", FileOption ("a", "one", 1)));
  Images->RegisterBytes (ImageBytes ("one"), "one", Emu::BootImages::Returns (EFI_DEVICE_ERROR));
  PutOrder ({ 1 });
  M.Variables ().Put (u"BootFlow", kBootFlowGuid, EFI_VARIABLE_BOOTSERVICE_ACCESS, { 5, 0, 0, 0 });
  Devices.TextIn->Script ().Append ("a,b");

  EXPECT_THROW (RunLoop (), Emu::KeyScriptExhausted);
  EXPECT_EQ (Booted (), (std::vector<std::string> { "one", "one", "one" }));
  EXPECT_NE (Printed ().find (u"No option to boot to.\r\n\r\n\r"), std::u16string::npos);
}

// "No option to boot to." waits for a key and hands it to the hotkey poll: a key that is no
// hotkey shows the message again, Del asks for setup, so a machine with nothing to boot reaches it.
TEST_F (BootLoopTest, DelAtNoOptionToBootToRequestsSetup) {
  M.Variables ().Put (u"BootFlow", kBootFlowGuid, EFI_VARIABLE_BOOTSERVICE_ACCESS, { 5, 0, 0, 0 });
  Devices.TextIn->Script ().Append ("x,Del");

  EXPECT_EQ (RunLoop (), EFI_SUCCESS);
  EXPECT_TRUE (SetupEntryRequested ());
  EXPECT_TRUE (Images->Log ().empty ());
  std::u16string  Text = Printed ();
  const std::u16string  Message = u"No option to boot to.\r\n\r\n\r";
  size_t          First = Text.find (Message);
  ASSERT_NE (First, std::u16string::npos);
  EXPECT_NE (Text.find (Message, First + 1), std::u16string::npos);
  EXPECT_EQ (Text.find (u"Reboot"), std::u16string::npos);
  DropSetupEntryRequest ();
}

// Without console input no key can end a pass: every pass that boots nothing ends in a pause
// on the virtual clock, and each launch signals ready-to-boot once, so the loop never spins.
TEST_F (BootLoopTest, WithoutConsoleInputEachFailedPassPausesInsteadOfSpinning) {
  PutBoot (1, LoadOption (LOAD_OPTION_ACTIVE, u"One", FileOption ("a", "one", 1)));
  Images->RegisterBytes (ImageBytes ("one"), "one", Emu::BootImages::Returns (EFI_DEVICE_ERROR));
  PutOrder ({ 1 });
  EFI_SIMPLE_TEXT_INPUT_PROTOCOL  *ConIn = M.SystemTable ()->ConIn;
  M.SystemTable ()->ConIn = nullptr;
  auto  ReadyToBoot = [&] () {
    size_t  Count = 0;
    for (const EFI_GUID &Guid : M.Events ().GroupSignalLog ()) {
      Count += CompareGuid (&Guid, &gEfiEventReadyToBootGuid) ? 1 : 0;
    }
    return Count;
  };

  // The decision point runs the loop again after each pass; three passes stand for it.
  for (size_t Pass = 1; Pass <= 3; Pass++) {
    UINT64  Start = M.Events ().Now ();
    EXPECT_EQ (RunLoop (), EFI_DEVICE_ERROR);
    EXPECT_GE (M.Events ().Now () - Start, 50000000u) << "pass " << Pass;
    EXPECT_LT (M.Events ().Now () - Start, 60000000u) << "pass " << Pass;
    EXPECT_EQ (ReadyToBoot (), Pass);
  }
  EXPECT_EQ (Booted (), (std::vector<std::string> { "one", "one", "one" }));
  EXPECT_NE (Printed ().find (u"Reboot and Select proper Boot device"), std::u16string::npos);
  M.SystemTable ()->ConIn = ConIn;
}

// A console that arrives while "No option to boot to." pauses is waited on from then on.
TEST_F (BootLoopTest, NoOptionToBootToPausesUntilAConsoleArrives) {
  EFI_EVENT  Arrival = nullptr;
  gArrivingConIn = M.SystemTable ()->ConIn;
  M.SystemTable ()->ConIn = nullptr;
  ASSERT_EQ (gBS->CreateEvent (EVT_TIMER | EVT_NOTIFY_SIGNAL, TPL_CALLBACK, ConsoleArrives, nullptr, &Arrival), EFI_SUCCESS);
  ASSERT_EQ (gBS->SetTimer (Arrival, TimerRelative, 120000000), EFI_SUCCESS);
  M.Variables ().Put (u"BootFlow", kBootFlowGuid, EFI_VARIABLE_BOOTSERVICE_ACCESS, { 5, 0, 0, 0 });
  Devices.TextIn->Script ().Append ("Del");
  UINT64  Start = M.Events ().Now ();

  EXPECT_EQ (RunLoop (), EFI_SUCCESS);
  (VOID)gBS->CloseEvent (Arrival);
  M.SystemTable ()->ConIn = gArrivingConIn;
  EXPECT_TRUE (SetupEntryRequested ());
  DropSetupEntryRequest ();
  // Passes at 0, 5 and 10 s; the console comes at 12 s and Del ends the fourth.
  EXPECT_GE (M.Events ().Now () - Start, 120000000u);
  EXPECT_LT (M.Events ().Now () - Start, 125000000u);
  std::u16string  Text  = Printed ();
  size_t          Shown = 0;
  for (size_t At = Text.find (u"No option to boot to."); At != std::u16string::npos; At = Text.find (u"No option", At + 1)) {
    Shown++;
  }
  EXPECT_EQ (Shown, 4u);
}

// A removable disk whose option names only the device boots its default boot file.
TEST_F (BootLoopTest, ARemovableDiskBootsItsDefaultFile) {
  std::filesystem::path  Root = Folder ("usb", "EFI/BOOT/BOOTX64.EFI", "removable");
  BYTES                  Path = Emu::JoinPath ({ Emu::PciNode (0x1D, 0), Emu::UsbNode (1, 0) });
  Emu::BlockDevice       &Disk = DiskWithVolume (Path, Root, Emu::BLOCK_MEDIA { .Removable = true });
  Images->RegisterBytes (ImageBytes ("removable"), "removable", Emu::BootImages::NeverReturns ("removable"));
  PutBoot (1, LoadOption (LOAD_OPTION_ACTIVE, u"USB stick", Path));
  PutOrder ({ 1 });

  EXPECT_THROW (RunLoop (), Emu::OsBooted);
  EXPECT_EQ (Booted (), (std::vector<std::string> { "removable" }));
  EXPECT_EQ (Disk.Reads (), (std::vector<UINT64> { 0 }));
  EXPECT_EQ (Images->Log ()[0].DevicePath,
             Emu::JoinPath ({ Emu::PathBody (Path), Emu::FilePathNode (u"\\EFI\\BOOT\\BOOTX64.EFI") }));
}

// A USB class path finds the stick by its descriptors, wherever it is plugged in.
TEST_F (BootLoopTest, AUsbClassPathFindsTheStickByItsDescriptors) {
  std::filesystem::path  Root = Folder ("usb", "EFI/BOOT/BOOTX64.EFI", "stick");
  Emu::BlockDevice       &Other = DiskWithVolume (Emu::JoinPath ({ Emu::PciNode (0x1D, 0), Emu::UsbNode (2, 0) }),
                                     Folder ("other", "x", "x"), Emu::BLOCK_MEDIA { .Removable = true });
  Emu::BlockDevice       &Disk  = DiskWithVolume (Emu::JoinPath ({ Emu::PciNode (0x1D, 0), Emu::UsbNode (3, 0) }), Root,
                                     Emu::BLOCK_MEDIA { .Removable = true });
  Other.AddUsbIo (Emu::USB_IDENTITY { .ProductId = 0x1111 });
  Disk.AddUsbIo (Emu::USB_IDENTITY {});
  Images->RegisterBytes (ImageBytes ("stick"), "stick", Emu::BootImages::NeverReturns ("stick"));
  PutBoot (1, LoadOption (LOAD_OPTION_ACTIVE, u"Any stick",
                Emu::JoinPath ({ Emu::UsbClassNode (0xFFFF, 0x5567, 0x08, 0xFF, 0xFF) })));
  PutOrder ({ 1 });

  EXPECT_THROW (RunLoop (), Emu::OsBooted);
  EXPECT_EQ (Booted (), (std::vector<std::string> { "stick" }));
  EXPECT_TRUE (Other.Reads ().empty ());
}

// A short-form hard-drive path is completed from the partition with the same signature.
TEST_F (BootLoopTest, AShortFormHardDrivePathBootsFromItsPartition) {
  const UINT8  Signature[16] = { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16 };
  const UINT8  Another[16]   = { 16, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 1 };
  BYTES        DiskPath      = Emu::JoinPath ({ Emu::PciNode (0x1F, 2), Emu::SataNode (0) });
  M.Add (std::make_unique<Emu::BlockDevice> (M, DiskPath, Emu::BLOCK_MEDIA {}));
  DiskWithVolume (Emu::JoinPath ({ Emu::PathBody (DiskPath), Emu::HardDriveNode (1, 2048, 100, Another, 2) }),
    Folder ("p0", "EFI/os/grub.efi", "wrong"), Emu::BLOCK_MEDIA { .LogicalPartition = true });
  DiskWithVolume (Emu::JoinPath ({ Emu::PathBody (DiskPath), Emu::HardDriveNode (1, 4096, 100, Signature, 2) }),
    Folder ("p1", "EFI/os/grub.efi", "right"), Emu::BLOCK_MEDIA { .LogicalPartition = true });
  Images->RegisterBytes (ImageBytes ("wrong"), "wrong", Emu::BootImages::NeverReturns ("wrong"));
  Images->RegisterBytes (ImageBytes ("right"), "right", Emu::BootImages::NeverReturns ("right"));
  PutBoot (1, LoadOption (LOAD_OPTION_ACTIVE, u"OS", Emu::JoinPath ({ Emu::HardDriveNode (1, 4096, 100, Signature, 2),
                                                                      Emu::FilePathNode (u"\\EFI\\os\\grub.efi") })));
  PutOrder ({ 1 });

  EXPECT_THROW (RunLoop (), Emu::OsBooted);
  EXPECT_EQ (Booted (), (std::vector<std::string> { "right" }));
}

// An option naming a whole disk boots the default boot file of the first of its partitions that has
// one, after the disk's controllers are connected; another disk's file is not taken for it.
TEST_F (BootLoopTest, AWholeDiskOptionBootsTheDefaultFileOfItsFirstVolumeThatHasOne) {
  const UINT8  Signature[16] = { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16 };
  BYTES        Elsewhere     = Emu::JoinPath ({ Emu::PciNode (0x1F, 2), Emu::SataNode (1) });
  BYTES        DiskPath      = Emu::JoinPath ({ Emu::PciNode (0x1F, 2), Emu::SataNode (0) });
  BYTES        Second        = Emu::JoinPath ({ Emu::PathBody (DiskPath), Emu::HardDriveNode (2, 4096, 100, Signature, 2) });
  DiskWithVolume (Elsewhere, Folder ("other", "EFI/BOOT/BOOTX64.EFI", "elsewhere"));
  Emu::BlockDevice  &Disk = M.Add (std::make_unique<Emu::BlockDevice> (M, DiskPath, Emu::BLOCK_MEDIA {}));
  DiskWithVolume (Emu::JoinPath ({ Emu::PathBody (DiskPath), Emu::HardDriveNode (1, 2048, 100, Signature, 2) }),
    Folder ("p1", "EFI/os/notes.txt", "notes"), Emu::BLOCK_MEDIA { .LogicalPartition = true });
  DiskWithVolume (Second, Folder ("p2", "EFI/BOOT/BOOTX64.EFI", "disk"), Emu::BLOCK_MEDIA { .LogicalPartition = true });
  Images->RegisterBytes (ImageBytes ("elsewhere"), "elsewhere", Emu::BootImages::NeverReturns ("elsewhere"));
  Images->RegisterBytes (ImageBytes ("disk"), "disk", Emu::BootImages::NeverReturns ("disk"));
  Images->RegisterBytes (ImageBytes ("next"), "next", Emu::BootImages::NeverReturns ("next"));
  PutBoot (1, LoadOption (LOAD_OPTION_ACTIVE, u"Disk", DiskPath));
  PutBoot (2, LoadOption (LOAD_OPTION_ACTIVE, u"Next", FileOption ("n", "next", 5)));
  PutOrder ({ 1, 2 });

  EXPECT_THROW (RunLoop (), Emu::OsBooted);
  EXPECT_EQ (Booted (), (std::vector<std::string> { "disk" }));
  EXPECT_EQ (Images->Log ()[0].DevicePath,
             Emu::JoinPath ({ Emu::PathBody (Second), Emu::FilePathNode (u"\\EFI\\BOOT\\BOOTX64.EFI") }));
  bool  Connected = false;
  for (const auto &Call : M.ControllerCalls ()) {
    Connected = Connected || (Call.Connect && (Call.Controller == Disk.Handle ()) && Call.Recursive);
  }
  EXPECT_TRUE (Connected);
}

// A whole disk whose volumes hold no default boot file fails as before, and the loop goes on.
TEST_F (BootLoopTest, AWholeDiskWithoutADefaultFileFailsAndTheLoopGoesOn) {
  const UINT8  Signature[16] = { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16 };
  BYTES        DiskPath      = Emu::JoinPath ({ Emu::PciNode (3, 0), Emu::SataNode (0) });
  BYTES        Volume        = Emu::JoinPath ({ Emu::PathBody (DiskPath), Emu::HardDriveNode (1, 2048, 100, Signature, 2) });
  M.Add (std::make_unique<Emu::BlockDevice> (M, DiskPath, Emu::BLOCK_MEDIA {}));
  DiskWithVolume (Volume, Folder ("cd", "EFI/os/notes.txt", "notes"), Emu::BLOCK_MEDIA { .LogicalPartition = true });
  Images->RegisterBytes (ImageBytes ("next"), "next", Emu::BootImages::NeverReturns ("next"));
  PutBoot (1, LoadOption (LOAD_OPTION_ACTIVE, u"Disk", DiskPath));
  PutBoot (2, LoadOption (LOAD_OPTION_ACTIVE, u"Next", FileOption ("n", "next", 5)));
  PutOrder ({ 1, 2 });

  EXPECT_THROW (RunLoop (), Emu::OsBooted);
  EXPECT_EQ (Booted (), (std::vector<std::string> { "next" }));
  BYTES  Tried = Emu::JoinPath ({ Emu::PathBody (Volume), Emu::FilePathNode (u"\\EFI\\BOOT\\BOOTX64.EFI") });
  bool   Seen  = false;
  for (const auto &Load : Images->Loads ()) {
    Seen = Seen || ((Load.DevicePath == Tried) && (Load.Status == EFI_NOT_FOUND));
  }
  EXPECT_TRUE (Seen);
}

// An option naming a file that is missing does not turn into its volume's default boot file, and
// connects nothing looking for one.
TEST_F (BootLoopTest, AFullPathOptionWithAMissingFileDoesNotBootTheDefaultFile) {
  BYTES  DiskPath = Emu::JoinPath ({ Emu::PciNode (3, 0), Emu::SataNode (0) });
  DiskWithVolume (DiskPath, Folder ("d", "EFI/BOOT/BOOTX64.EFI", "fallback"));
  Images->RegisterBytes (ImageBytes ("fallback"), "fallback", Emu::BootImages::NeverReturns ("fallback"));
  Images->RegisterBytes (ImageBytes ("next"), "next", Emu::BootImages::NeverReturns ("next"));
  PutBoot (1, LoadOption (LOAD_OPTION_ACTIVE, u"Missing",
                Emu::JoinPath ({ Emu::PathBody (DiskPath), Emu::FilePathNode (u"\\missing.efi") })));
  PutBoot (2, LoadOption (LOAD_OPTION_ACTIVE, u"Next", FileOption ("n", "next", 5)));
  PutOrder ({ 1, 2 });

  EXPECT_THROW (RunLoop (), Emu::OsBooted);
  EXPECT_EQ (Booted (), (std::vector<std::string> { "next" }));
  EXPECT_TRUE (M.ControllerCalls ().empty ());
}

// A network option is launched three times in all (each load asked twice, the second time after the
// device's health check), then the PXE message stands for five seconds.
TEST_F (BootLoopTest, AFailingPxeOptionIsRetriedTwiceAndReported) {
  BYTES  Path = Emu::JoinPath ({ Emu::PciNode (3, 0), Emu::MacNode (), Emu::IpNode (false) });
  PutBoot (1, LoadOption (LOAD_OPTION_ACTIVE, u"PXE", Path));
  PutOrder ({ 1 });
  Devices.TextIn->Script ().Append ("Enter");
  UINT64  Start = M.Events ().Now ();

  RunLoop ();
  EXPECT_EQ (Images->Loads ().size (), 6u);
  EXPECT_GE (M.Events ().Now () - Start, 50000000u);
  EXPECT_NE (Printed ().find (u"!!! Error: UEFI: PXE IP4 Boot Failed !!!\r\n"), std::u16string::npos);
  EXPECT_NE (Printed ().find (u"Please Check Network And Try Again."), std::u16string::npos);
}

// The status codes and event groups around a launch that returns with an error.
TEST_F (BootLoopTest, ALaunchReportsItsProgressAndItsFailure) {
  PutBoot (1, LoadOption (LOAD_OPTION_ACTIVE, u"One", FileOption ("a", "one", 1)));
  Images->RegisterBytes (ImageBytes ("one"), "one", Emu::BootImages::Returns (EFI_DEVICE_ERROR));
  PutBoot (2, LoadOption (LOAD_OPTION_ACTIVE, u"Gone", Emu::JoinPath ({ Emu::PciNode (9, 0) })));
  PutOrder ({ 1, 2 });
  Devices.TextIn->Script ().Append ("Enter");

  RunLoop ();
  std::vector<UINT32>  Codes;
  for (const auto &Record : Devices.StatusCodes->Records ()) {
    Codes.push_back (Record.Value);
  }
  EXPECT_EQ (Codes, (std::vector<UINT32> { 0x03051001, 0x03051003, 0x03051001, 0x03051002 }));
  const EFI_GUID  FirstLaunch = { 0xC48D651C, 0x9D0E, 0x4CE7, { 0xAD, 0x39, 0xED, 0xD1, 0xAB, 0x83, 0x6B, 0x30 } };
  UINTN           Signals     = 0;
  for (const EFI_GUID &Guid : M.Protocols ().NullInterfaceLog ()) {
    Signals += (CompareGuid (&Guid, &FirstLaunch) ? 1 : 0);
  }
  EXPECT_EQ (Signals, 1u);
}

// A device whose driver reports it failed gets no second load; one its driver repairs does.
TEST_F (BootLoopTest, OnlyAHealthyOrRepairedDeviceIsLoadedAgain) {
  Emu::HealthDriver   &Driver   = M.Add (std::make_unique<Emu::HealthDriver> (M, std::nullopt));
  EFI_HANDLE          Failed    = Driver.AddController ({ .Status = EfiDriverHealthStatusFailed });
  EFI_HANDLE          Repaired  = Driver.AddController ({ .Status = EfiDriverHealthStatusRepairRequired });
  std::deque<BYTES>   Paths;
  for (EFI_HANDLE Handle : { Failed, Repaired }) {
    Paths.push_back (Emu::JoinPath ({ Emu::PciNode ((UINT8)(0x10 + Paths.size ()), 0) }));
    ASSERT_EQ (gBS->InstallMultipleProtocolInterfaces (&Handle, &gEfiDevicePathProtocolGuid, Paths.back ().data (), nullptr),
               EFI_SUCCESS);
  }
  BYTES  First  = Emu::JoinPath ({ Emu::PathBody (Paths[0]), Emu::FilePathNode (u"\\os.efi") });
  BYTES  Second = Emu::JoinPath ({ Emu::PathBody (Paths[1]), Emu::FilePathNode (u"\\os.efi") });
  Images->RegisterPath (First, "failed", Emu::BootImages::NeverReturns ("failed"));
  Images->RegisterPath (Second, "repaired", Emu::BootImages::NeverReturns ("repaired"));
  Images->FailLoad (First, EFI_DEVICE_ERROR);
  Images->FailLoad (Second, EFI_DEVICE_ERROR);
  PutBoot (1, LoadOption (LOAD_OPTION_ACTIVE, u"Failed disk", First));
  PutBoot (2, LoadOption (LOAD_OPTION_ACTIVE, u"Repaired disk", Second));
  PutOrder ({ 1, 2 });

  EXPECT_THROW (RunLoop (), Emu::OsBooted);
  ASSERT_EQ (Images->Loads ().size (), 3u);
  EXPECT_EQ (Images->Loads ()[0].DevicePath, First);
  EXPECT_EQ (Images->Loads ()[1].DevicePath, Second);
  EXPECT_EQ (Booted (), (std::vector<std::string> { "repaired" }));
  EXPECT_EQ (Driver.State (Repaired).Status, EfiDriverHealthStatusHealthy);
}

// OVMF's own options: the front page is hidden and last, the non-block device has nothing
// to load, and the shell in the firmware volume boots.
TEST_F (BootLoopTest, OvmfOptionsBootTheShellFromTheFirmwareVolume) {
  std::string  Error;
  ASSERT_TRUE (M.Variables ().LoadBytes (Fixtures::Read ("ovmf/VARS.BIN"), &Error)) << Error;
  const Emu::VARIABLE  *Shell = Find (u"Boot0002");
  ASSERT_NE (Shell, nullptr);
  BYTES  ShellPath (Shell->Data.begin () + 6 + 2 * 19, Shell->Data.end ());
  Images->RegisterPath (ShellPath, "shell", Emu::BootImages::NeverReturns ("shell"));

  EXPECT_THROW (RunLoop (), Emu::OsBooted);
  ASSERT_EQ (Booted (), (std::vector<std::string> { "shell" }));
  EXPECT_EQ (Images->Loads ().front ().Status, EFI_NOT_FOUND);
  EXPECT_EQ (Images->Loads ().back ().DevicePath, ShellPath);
}

// A file of the firmware volume boots by its name.
TEST_F (BootLoopTest, AFirmwareVolumeFileLaunchesByItsGuid) {
  Devices.Image->AddSection (kLoaderFile, EFI_SECTION_PE32, ImageBytes ("fv"));
  Images->RegisterBytes (ImageBytes ("fv"), "fv", Emu::BootImages::Returns (EFI_SUCCESS));

  EXPECT_EQ (LaunchFvFileByGuid (&kShellFile), EFI_NOT_FOUND);
  EXPECT_EQ (LaunchFvFileByGuid (&kLoaderFile), EFI_SUCCESS);
  EXPECT_EQ (Booted (), (std::vector<std::string> { "fv" }));
  EXPECT_EQ (LaunchFileFromAnyFileSystem (u"\\missing.efi"), EFI_UNSUPPORTED);
}

}  // namespace

namespace {

using namespace BootTest;

class BootLaunchTest : public BootMachineTest {
protected:
  void SetUp () override
  {
    BootMachineTest::SetUp ();
    mSavedDialog   = gBootScreenInterface.ShowBootScreenDialog;
    gDialogs       = 0;
    gFirmwareBoots = 0;
    gBootScreenInterface.ShowBootScreenDialog = CountDialog;
    std::filesystem::path  Root = Folder ("os", "os.efi", "os");
    Emu::BlockDevice       &Disk = DiskWithVolume (Emu::JoinPath ({ Emu::PciNode (4, 0), Emu::SataNode (1) }), Root);
    Path = Emu::JoinPath ({ Emu::PathBody (Disk.Path ()), Emu::FilePathNode (u"\\os.efi") });
    PutBoot (1, LoadOption (LOAD_OPTION_ACTIVE, u"OS", Path));
    PutOrder ({ 1 });
    ASSERT_EQ (BuildBootOptionTables (), EFI_SUCCESS);
  }

  void TearDown () override
  {
    gBootScreenInterface.ShowBootScreenDialog = mSavedDialog;
    gBootFlowRequest = 0;
    BootMachineTest::TearDown ();
  }

  UINTN Signalled (const EFI_GUID &Group)
  {
    UINTN  Count = 0;
    for (const EFI_GUID &Guid : M.Protocols ().NullInterfaceLog ()) {
      Count += CompareGuid (&Guid, &Group) ? 1 : 0;
    }
    return Count;
  }

  BYTES  Path;
  decltype (gBootScreenInterface.ShowBootScreenDialog) mSavedDialog = nullptr;
};

const EFI_GUID  kAfterBoot = { 0x8C12A959, 0x70BC, 0x4362, { 0xB4, 0x37, 0xB8, 0x05, 0x14, 0xA1, 0x91, 0x6E } };

// A Secure Boot refusal shows the violation dialog; the retry after the health check boots.
TEST_F (BootLaunchTest, ASecureBootRefusalShowsTheViolationDialog) {
  Images->RegisterBytes (ImageBytes ("os"), "os", Emu::BootImages::Returns (EFI_SUCCESS));
  Images->FailLoad (Path, EFI_SECURITY_VIOLATION);

  EXPECT_EQ (LaunchBootOption (1, nullptr, 0), EFI_SUCCESS);
  EXPECT_EQ (gDialogs, 1);
  EXPECT_EQ (Booted (), (std::vector<std::string> { "os" }));
  EXPECT_EQ (gBootScreenState, 0u);
}

// An OS that installs one of the watched protocols takes the screen: it is cleared and the
// cursor turned on, and the watch ends with the launch.
TEST_F (BootLaunchTest, AnOsTakingTheScreenGetsItCleanWithTheCursorOn) {
  const EFI_GUID  Watched = { 0x47C7B223, 0xC42A, 0x11D2, { 0x8E, 0x57, 0x00, 0xA0, 0xC9, 0x69, 0x72, 0x3B } };
  UINTN           Clears  = 0;
  UINTN           Events  = M.Events ().OpenEventCount ();
  Images->RegisterBytes (ImageBytes ("os"), "os", [&] (const Emu::LOADER_CALL &) {
    EXPECT_EQ (gBootScreenState, 7u);
    EXPECT_EQ (M.Events ().OpenEventCount (), Events + 2);
    Devices.TextOut->ClearCalls ();
    EFI_STATUS  Status = SignalProtocolNotify (&Watched);
    Clears = Devices.TextOut->CountCalls (Emu::TextOp::ClearScreen);
    EXPECT_FALSE (Devices.TextOut->Calls ().empty () ||
                  (Devices.TextOut->Calls ().back ().Op != Emu::TextOp::EnableCursor) ||
                  (Devices.TextOut->Calls ().back ().A != 1));
    EXPECT_EQ (M.Events ().OpenEventCount (), Events);
    return Status;
  });

  EXPECT_EQ (LaunchBootOption (1, nullptr, 0), EFI_SUCCESS);
  EXPECT_EQ (Clears, 1u);
  EXPECT_EQ (M.Events ().OpenEventCount (), Events);
  EXPECT_EQ (Signalled (kAfterBoot), 1u);
}

// Under boot flow 7 the firmware's own boot manager boots; nothing is loaded here.
TEST_F (BootLaunchTest, BootFlowSevenHandsTheLaunchToTheFirmware) {
  static EFI_STATUS  (EFIAPI *Protocol)(VOID) = FirmwareBoot;
  const EFI_GUID     FirmwareBootGuid = { 0x30CB7768, 0xECDE, 0x445A, { 0xBA, 0xAC, 0x66, 0x54, 0x45, 0x09, 0x55, 0x22 } };
  gBootFlowRequest = 7;
  EXPECT_EQ (LaunchBootOption (1, nullptr, 0), EFI_UNSUPPORTED);

  EFI_HANDLE  Handle = nullptr;
  ASSERT_EQ (gBS->InstallProtocolInterface (&Handle, (EFI_GUID *)&FirmwareBootGuid, EFI_NATIVE_INTERFACE, (VOID *)&Protocol),
             EFI_SUCCESS);
  EXPECT_EQ (LaunchBootOption (1, nullptr, 0), EFI_SUCCESS);
  EXPECT_EQ (gFirmwareBoots, 1);
  EXPECT_TRUE (Images->Loads ().empty ());
  EXPECT_EQ (Signalled (kAfterBoot), 2u);
}

}  // namespace

// The board's hook members on the road the machine takes: the power-on password asked
// when one is set (and what three wrong entries do), F8's pop-up booting through the
// board's pop-up handler, the last-boot marker after a legacy boot, the look for the
// board protocol, and setup entry applying the board's page rules.
#include <engine/testing/BootMachine.h>

#include <engine/browser/DynamicPages.h>
#include <engine/core/BootScreenInterface.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/HookTable.h>
#include <engine/core/SetupDataFormat.h>
#include <engine/textui/PasswordPrompt.h>
#include <engine/textui/TuiApp.h>
#include <frontend/BoardHooks.h>
#include <frontend/FrontEndServices.h>
#include <Builders/HiiPackageBuilder.h>
#include <Builders/IfrBuilder.h>
#include <Protocol/LegacyBios.h>

#include <Emulator/KeyScript.h>
#include <Emulator/LegacyBios.h>
#include <Emulator/RunEnded.h>

#include <cstring>
#include <string>

namespace {

using namespace BootTest;

const EFI_GUID  kEngineGuid  = ENGINE_SETTINGS_VARIABLE_GUID;
const EFI_GUID  kMarkerGuid  = BOARD_MARKER_VARIABLE_GUID;
const EFI_GUID  kMainFormSet = { 0x7B59104A, 0xC00D, 0x4158, { 0x87, 0xFF, 0xF0, 0x4D, 0x63, 0x96, 0xA9, 0x15 } };
const EFI_GUID  kPlatform    = EFI_HII_PLATFORM_SETUP_FORMSET_GUID;

class BoardHookMembersTest : public BootMachineTest {
protected:
  void Start () override {}

  void TearDown () override
  {
    DestroyTuiApp ();
    FreeDynamicPageTable ();
    BootMachineTest::TearDown ();
  }

  // The board: time-out at 2, the settings record at 5, the orders at 7, 8 and 23, one page.
  static Builders::SETUP_DATA_DESC Board ()
  {
    Builders::SETUP_DATA_DESC  D = BoardWithOrders ();
    D.Variables[2] = { .VendorGuid = kEngineGuid, .Name = u"BootTimeout", .StoreFlags = VARIABLE_STORE_EFI, .Size = 2 };
    D.Variables[5] = { .VendorGuid = kEngineGuid, .Name = u"OKURWZSetup", .StoreFlags = VARIABLE_STORE_EFI, .Size = 81 };
    D.Pages        = { { .FormId = 1, .TitleStringId = 0x100, .Controls = {
      { .ControlType = CONTROL_TYPE_CHECKBOX, .QuestionOpcode = 0x40, .ValueWidth = 1, .MfgDefault = { 1 }, .StdDefault = { 0 } },
    } } };
    D.FormSets     = { { .Class = 1, .SubClass = 0 } };
    D.Settings.TitleStringId    = 7;
    D.Settings.TabTitleStringId = 7;
    return D;
  }

  // The settings record with the power-on (first) password stored plain, or none.
  void PutPowerOnPassword (const std::u16string &Text)
  {
    BYTES   Record (81, 0);
    CHAR16  Units[20] = {};
    std::copy (Text.begin (), Text.end (), Units);
    std::memcpy (Record.data (), Units, sizeof (Units));
    M.Variables ().Put (u"OKURWZSetup", kEngineGuid, kNvBsRt, Record);
  }

  void PutTimeout (UINT16 Seconds)
  {
    M.Variables ().Put (u"BootTimeout", kEngineGuid, kNvBsRt, { (UINT8)Seconds, (UINT8)(Seconds >> 8) });
  }

  // Boot#### for each name, each an image on its own disk that takes the machine.
  void PutOptions (const std::vector<std::string> &Names)
  {
    std::vector<UINT16>  Order;
    for (size_t Index = 0; Index < Names.size (); Index++) {
      UINT16                 Number = (UINT16)(Index + 1);
      std::filesystem::path  Root   = Folder (Names[Index], "loader.efi", Names[Index]);
      Emu::BlockDevice       &Disk  = DiskWithVolume (Emu::JoinPath ({ Emu::PciNode (Number, 0), Emu::SataNode (0) }), Root);
      PutBoot (Number, LoadOption (LOAD_OPTION_ACTIVE, std::u16string (Names[Index].begin (), Names[Index].end ()),
                                   Emu::JoinPath ({ Emu::PathBody (Disk.Path ()), Emu::FilePathNode (u"\\loader.efi") })));
      Images->RegisterBytes (ImageBytes (Names[Index]), Names[Index], [this, Name = Names[Index]] (const Emu::LOADER_CALL &) {
        PopupMarkerAtBoot = Marker (u"BbsPopupCalled");
        throw Emu::OsBooted (Name);
        return EFI_SUCCESS;
      });
      Order.push_back (Number);
    }
    PutOrder (Order);
  }

  // The driver started as the dispatcher does.
  void StartBoard ()
  {
    Devices.Image->SetPackageList (std::vector<UINT8> (gSetupEngineStringPackageList,
                                     gSetupEngineStringPackageList + gSetupEngineStringPackageListSize));
    Devices.Image->AddSection (Emu::kDefaultDriverFileGuid, SETUP_DATA_SECTION_TYPE, Builders::BuildSetupDataSectionBody (Board ()));
    ASSERT_EQ (SetupEngineDriverEntry (Devices.Image->ImageHandle (), M.SystemTable ()), EFI_SUCCESS);
  }

  // The screen the first time it shows Text.
  void WatchFor (const std::string &Text)
  {
    Devices.TextIn->Script ().SetWaitHook ([this, Text] () {
      std::string  Screen = Devices.TextOut->ScreenText ();
      if (Seen.empty () && (Screen.find (Text) != std::string::npos)) {
        Seen = Screen;
      }
    });
  }

  BYTES Marker (const std::u16string &Name) const
  {
    const Emu::VARIABLE  *Found = M.Variables ().Lookup (Name, kMarkerGuid);
    return (Found == nullptr) ? BYTES {} : Found->Data;
  }

  std::string  Seen;
  BYTES        PopupMarkerAtBoot;
};

// A power-on password that is set is asked before anything else; the right one lets
// the machine boot, and the board marks that it asked.
TEST_F (BoardHookMembersTest, APowerOnPasswordThatIsSetIsAskedAndTheRightOneBoots) {
  PutPowerOnPassword (u"open");
  PutTimeout (0);
  PutOptions ({ "os" });
  Devices.TextIn->Script ().Append ("o,p,e,n,Enter");
  WatchFor ("Enter Password");
  StartBoard ();

  EXPECT_THROW (gBootScreenInterface.RunBootScreenFlow (), Emu::OsBooted);
  EXPECT_NE (Seen, "");
  EXPECT_EQ (Marker (u"CheckUserPSW"), (BYTES { 1 }));
  EXPECT_EQ (Booted (), (std::vector<std::string> { "os" }));
  EXPECT_EQ (gAccessLevel, 2u);
}

// A wrong entry says so and waits for Enter; after three the machine stops and says
// why, and the right password no longer helps.
TEST_F (BoardHookMembersTest, ThreeWrongPowerOnPasswordsStopTheMachine) {
  PutPowerOnPassword (u"open");
  PutOptions ({ "os" });
  Devices.TextIn->Script ().Append ("x,Enter,Enter,y,Enter,Enter,z,Enter,o,p,e,n,Enter");
  WatchFor ("Invalid Password");
  StartBoard ();

  EXPECT_THROW (gBootScreenInterface.RunBootScreenFlow (), Emu::KeyScriptExhausted);
  EXPECT_NE (Seen, "");
  EXPECT_NE (Devices.TextOut->ScreenText ().find ("System halted: the password was refused."), std::string::npos);
  EXPECT_EQ (Marker (u"CheckUserPSW"), BYTES {});
  EXPECT_TRUE (Images->Log ().empty ());
  EXPECT_EQ (gAccessLevel, 0u);
}

// Esc at the prompt costs no attempt: after two wrong entries and an Esc the right
// password still opens the machine.
TEST_F (BoardHookMembersTest, EscAtThePowerOnPromptCostsNoAttempt) {
  PutPowerOnPassword (u"open");
  PutTimeout (0);
  PutOptions ({ "os" });
  Devices.TextIn->Script ().Append ("x,Enter,Enter,Esc,y,Enter,Enter,o,p,e,n,Enter");
  StartBoard ();

  EXPECT_THROW (gBootScreenInterface.RunBootScreenFlow (), Emu::OsBooted);
  EXPECT_EQ (Marker (u"CheckUserPSW"), (BYTES { 1 }));
  EXPECT_EQ (Booted (), (std::vector<std::string> { "os" }));
}

// Without a power-on password nothing is asked and the machine boots.
TEST_F (BoardHookMembersTest, WithoutAPowerOnPasswordNothingIsAsked) {
  PutPowerOnPassword (u"");
  PutTimeout (0);
  PutOptions ({ "os" });
  WatchFor ("Enter Password");
  StartBoard ();

  EXPECT_THROW (gBootScreenInterface.RunBootScreenFlow (), Emu::OsBooted);
  EXPECT_EQ (Seen, "");
  EXPECT_EQ (Marker (u"CheckUserPSW"), BYTES {});
  EXPECT_EQ (Booted (), (std::vector<std::string> { "os" }));
}

// F8's pop-up boots through the board's pop-up handler, which marks the boot as chosen there.
TEST_F (BoardHookMembersTest, F8BootsTheChosenDeviceThroughTheBoardsPopupHandler) {
  PutPowerOnPassword (u"");
  PutOptions ({ "first", "second" });
  StartBoard ();
  Devices.TextIn->Script ().Append ("F8@1,Down,Enter");

  EXPECT_THROW (gBootScreenInterface.RunBootScreenFlow (), Emu::OsBooted);
  EXPECT_EQ (Booted (), (std::vector<std::string> { "second" }));
  EXPECT_EQ (PopupMarkerAtBoot, (BYTES { 1 }));
}

// A boot from the order is no pop-up boot: the marker stays unset.
TEST_F (BoardHookMembersTest, ABootFromTheOrderLeavesThePopupMarkerUnset) {
  PutPowerOnPassword (u"");
  PutTimeout (0);
  PutOptions ({ "first", "second" });
  StartBoard ();

  EXPECT_THROW (gBootScreenInterface.RunBootScreenFlow (), Emu::OsBooted);
  EXPECT_EQ (Booted (), (std::vector<std::string> { "first" }));
  EXPECT_EQ (PopupMarkerAtBoot, BYTES {});
}

// A legacy boot that comes back leaves the option it booted as the last boot; one
// that is not tried leaves nothing.
TEST_F (BoardHookMembersTest, ALegacyBootThatReturnsMarksItsOptionAsTheLastBoot) {
  constexpr UINT16  kHdd = 2;
  Emu::LegacyBios   &Bios = M.Add (std::make_unique<Emu::LegacyBios> (M));
  BYTES             Path  = Emu::JoinPath ({ Emu::PciNode (0x11, 0), Emu::SataNode (1) });
  EFI_HANDLE        Disk  = nullptr;
  ASSERT_EQ (gBS->InstallMultipleProtocolInterfaces (&Disk, &gEfiDevicePathProtocolGuid, Path.data (), nullptr), EFI_SUCCESS);
  Bios.Table ().push_back (Emu::BbsEntry (BBS_IGNORE_ENTRY, 0));
  Bios.Table ().push_back (Emu::BbsEntry (5, kHdd, Disk));
  Bios.SetBootStatus (EFI_DEVICE_ERROR);
  PutPowerOnPassword (u"");
  StartBoard ();
  const EFI_GUID  LegacyOrderGuid = { 0xA56074DB, 0x65FE, 0x45F7, { 0xBD, 0x21, 0x2D, 0x2B, 0xDD, 0x8E, 0x96, 0x52 } };
  M.Variables ().Put (u"LegacyDevOrder", LegacyOrderGuid, kNvBsRt, { kHdd, 0, 0, 0, 4, 0, 1, 0 });
  PutBoot (7, LoadOption (LOAD_OPTION_ACTIVE, u"Hard disks", Emu::JoinPath ({ Emu::BbsNode (kHdd, "HDD") })));
  PutOrder ({ 7 });
  ASSERT_EQ (BuildBootOptionTables (), EFI_SUCCESS);
  UINT16  Order[1] = { 7 };

  EXPECT_EQ (LaunchBootOption (8, Order, 1), EFI_NOT_FOUND);
  EXPECT_EQ (Marker (u"LastBoot"), BYTES {});
  EXPECT_EQ (LaunchBootOption (7, Order, 1), EFI_DEVICE_ERROR);
  ASSERT_EQ (Bios.Boots ().size (), 1u);
  EXPECT_EQ (Marker (u"LastBoot"), U16List ({ 7 }));
  EXPECT_EQ (M.Variables ().Lookup (u"LastBoot", kMarkerGuid)->Attributes, kNvBsRt);
}

// The look for the board protocol after the logo finds it only where the board installed it.
TEST_F (BoardHookMembersTest, TheBoardProtocolIsFoundOnlyWhenInstalled) {
  static UINT8      Interface = 0;
  EFI_GUID          Guid      = BOARD_PROTOCOL_GUID;
  EFI_HANDLE        Handle    = nullptr;
  const HOOK_ARGS   None      = {};

  EXPECT_EQ (BoardCheckPlatformProtocol (&None), EFI_NOT_FOUND);
  ASSERT_EQ (gBS->InstallProtocolInterface (&Handle, &Guid, EFI_NATIVE_INTERFACE, &Interface), EFI_SUCCESS);
  EXPECT_EQ (BoardCheckPlatformProtocol (&None), EFI_SUCCESS);
}

// The board's main form set: form 1 links to 10004, which the board's rules raise to a
// page of its own, and to 10005, which stays below form 1.
void
PublishMainForms ()
{
  Builders::IfrBuilder  F;
  EFI_HII_HANDLE        Handle = nullptr;

  F.FormSet (kMainFormSet, 1, 2, { kPlatform });
  F.Form (1, 0x10);
  F.Ref ({ 0x11, 0, 0x100 }, 10004);
  F.Ref ({ 0x12, 0, 0x101 }, 10005);
  F.End ();
  F.Form (10004, 0x11);
  F.Text (0x13, 0, 0x13);
  F.End ();
  F.Form (10005, 0x12);
  F.Text (0x13, 0, 0x13);
  F.End ();
  F.End ();
  Builders::PackageListBuilder  List (kMainFormSet);
  List.Add (F.Package ()).Add (Builders::BuildStringPackage ("en-US", 1, {
    { 1, u"Main" }, { 2, u"Main settings" }, { 0x10, u"Main" }, { 0x11, u"Chipset" }, { 0x12, u"Power" }, { 0x13, u"Here" } }));
  Builders::BYTES  Bytes = List.Build ();
  ASSERT_EQ (gHiiDatabase->NewPackageList (gHiiDatabase, (EFI_HII_PACKAGE_LIST_HEADER *)Bytes.data (), nullptr, &Handle),
             EFI_SUCCESS);
}

// Setup entry applies the board's page rules: the page the rules name becomes a tab of
// its own; its neighbour stays a link.
TEST_F (BoardHookMembersTest, SetupEntryMakesThePagesTheRulesNameTopLevel) {
  PutPowerOnPassword (u"");
  StartBoard ();
  PublishMainForms ();

  EXPECT_THROW ((VOID)EnterGraphicalSetup (), Emu::KeyScriptExhausted);
  std::u16string  Tabs = Devices.TextOut->RowText (1);
  EXPECT_NE (Tabs.find (u"Main"), std::u16string::npos);
  EXPECT_NE (Tabs.find (u"Chipset"), std::u16string::npos);
  EXPECT_EQ (Tabs.find (u"Power"), std::u16string::npos);
}

}  // namespace

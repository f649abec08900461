// The POST flow end to end on the emulator's virtual clock: the driver started as a
// dispatcher would, then the boot-screen interface's first operation called as the
// firmware's boot phase does. What a test checks is what the machine shows and keeps:
// timer arguments, variables, event groups, the text screen, the frame buffer and
// the boot log.
#include <engine/testing/BootMachine.h>

#include <engine/browser/DynamicPages.h>
#include <engine/textui/TuiApp.h>
#include <Builders/HiiPackageBuilder.h>
#include <Builders/IfrBuilder.h>

#include <engine/post/PostScreen.h>
#include <engine/core/BootScreenInterface.h>
#include <engine/core/HookTable.h>
#include <engine/core/SetupDataFormat.h>
#include <engine/startup/SetupEngine.h>
#include <engine/textui/Hotkeys.h>
#include <engine/textui/PasswordPrompt.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/VariableGuids.h>
#include <engine/post/BootScreen.h>
#include <Guid/ConfigurationTables.h>
#include <Library/BaseMemoryLib.h>
#include <Protocol/AcpiTable.h>

#include <Emulator/KeyScript.h>
#include <Emulator/PlatformDrivers.h>
#include <Emulator/RunEnded.h>

#include <cstring>
#include <functional>

namespace {

using namespace BootTest;

const EFI_GUID  kEngineGuid   = ENGINE_SETTINGS_VARIABLE_GUID;
const EFI_GUID  kBoardItems   = { 0x0024FD50, 0x3BC1, 0x436C, { 0xBD, 0xDD, 0x2C, 0x92, 0x51, 0x5C, 0x12, 0x85 } };
const EFI_GUID  kFirstLogo    = { 0x7F2A5C10, 0x3B1E, 0x4C8D, { 0x9A, 0x41, 0x52, 0x0B, 0x6E, 0x11, 0xD0, 0x01 } };
const EFI_GUID  kTextLogo     = { 0x63819805, 0x67BB, 0x46EF, { 0xAA, 0x8D, 0x15, 0x24, 0xA1, 0x9A, 0x01, 0xE4 } };
const EFI_GUID  kWaitStart    = { 0x1CBFC9B6, 0x7F1E, 0x4E9E, { 0x80, 0x1F, 0xFB, 0xCE, 0x4D, 0x92, 0xA7, 0x6D } };
const EFI_GUID  kWaitEnd      = { 0xCAD40D6E, 0xC871, 0x4398, { 0x91, 0x0D, 0x2D, 0x74, 0xEE, 0x94, 0x71, 0x1A } };
const EFI_GUID  kSetupEntry   = { 0x71202EEE, 0x5F53, 0x40D9, { 0xAB, 0x3D, 0x9E, 0x0C, 0x26, 0xD9, 0x66, 0x57 } };
const EFI_GUID  kMainFormSet  = { 0x7B59104A, 0xC00D, 0x4158, { 0x87, 0xFF, 0xF0, 0x4D, 0x63, 0x96, 0xA9, 0x15 } };
const EFI_SECTION_TYPE  kRawSection = 0x19;

// A 24-bit bottom-up BMP of one colour.
BYTES
SolidBmp (UINT32 Width, UINT32 Height, UINT8 Red, UINT8 Green, UINT8 Blue)
{
  UINT32  Row  = (Width * 3 + 3) & ~3u;
  BYTES   Bmp (54 + Row * Height, 0);
  auto    Put32 = [&] (size_t At, UINT32 Value) { std::memcpy (&Bmp[At], &Value, 4); };
  Bmp[0] = 'B';
  Bmp[1] = 'M';
  Put32 (2, (UINT32)Bmp.size ());
  Put32 (10, 54);
  Put32 (14, 40);
  Put32 (18, Width);
  Put32 (22, Height);
  Bmp[26] = 1;
  Bmp[28] = 24;
  for (UINT32 Y = 0; Y < Height; Y++) {
    for (UINT32 X = 0; X < Width; X++) {
      Bmp[54 + Y * Row + X * 3]     = Blue;
      Bmp[54 + Y * Row + X * 3 + 1] = Green;
      Bmp[54 + Y * Row + X * 3 + 2] = Red;
    }
  }
  return Bmp;
}

// What the flow showed while setup ran, taken at setup's first key wait.
struct SETUP_VISIT {
  int          Count = 0;
  UINT64       State = 0;
  std::string  Screen;
  std::vector<UINT64>  Timers;     // the relative timers armed before setup
};

class PostFlowTest : public BootMachineTest {
protected:
  void Start () override {}

  // The board: time-out at index 2, the settings record at 5 and the orders at 7, 8
  // and 23; its one page has form 10004 of the main form set (keys 1, 0).
  static Builders::SETUP_DATA_DESC Board ()
  {
    Builders::SETUP_DATA_DESC  D = BoardWithOrders ();
    D.Variables[2]      = { .VendorGuid = kEngineGuid, .Name = u"BootTimeout", .StoreFlags = VARIABLE_STORE_EFI, .Size = 2 };
    D.Variables[5]      = { .VendorGuid = kEngineGuid, .Name = u"OKURWZSetup", .StoreFlags = VARIABLE_STORE_EFI, .Size = 81 };
    D.Pages             = { { .FormId = 10004, .TitleStringId = 0x100, .Controls = {
      { .ControlType = CONTROL_TYPE_CHECKBOX, .QuestionOpcode = 0x40, .ValueWidth = 1, .MfgDefault = { 1 }, .StdDefault = { 0 } },
    } } };
    D.FormSets          = { { .Class = 1, .SubClass = 0 } };
    D.Settings.TitleStringId    = 7;
    D.Settings.TabTitleStringId = 7;
    return D;
  }

  void PutTimeout (UINT16 Seconds)
  {
    M.Variables ().Put (u"BootTimeout", kEngineGuid, kNvBsRt, { (UINT8)Seconds, (UINT8)(Seconds >> 8) });
  }

  // The settings record: quiet boot (1 centred, 2 scaled), and the passwords.
  void PutSettings (UINT8 Quiet, const std::u16string &User = u"", const std::u16string &Admin = u"")
  {
    BYTES  Record (81, 0);
    Field (Record, 0, User, false);
    Field (Record, 1, Admin, true);
    Record[80] = Quiet;
    M.Variables ().Put (u"OKURWZSetup", kEngineGuid, kNvBsRt, Record);
  }

  static void Field (BYTES &Record, UINTN Index, const std::u16string &Text, bool Encoded)
  {
    CHAR16  Units[20] = {};
    if (Text.empty ()) {
      return;
    }
    std::copy (Text.begin (), Text.end (), Units);
    if (Encoded) {
      EncodePasswordBuffer (Units, sizeof (Units));
    }
    std::memcpy (Record.data () + Index * 40, Units, sizeof (Units));
  }

  void PutLogo (const BYTES &Image, const EFI_GUID &File = kFirstLogo)
  {
    Devices.Image->AddSection (File, kRawSection, Image);
  }

  void StartBoard ()
  {
    Devices.Image->SetPackageList (std::vector<UINT8> (gSetupEngineStringPackageList,
                                     gSetupEngineStringPackageList + gSetupEngineStringPackageListSize));
    Devices.Image->AddSection (Emu::kDefaultDriverFileGuid, SETUP_DATA_SECTION_TYPE, Builders::BuildSetupDataSectionBody (Board ()));
    ASSERT_EQ (SetupEngineDriverEntry (Devices.Image->ImageHandle (), M.SystemTable ()), EFI_SUCCESS);
    PublishMainPage ();
  }

  // The board's main page in the HII database, which setup shows: "Main" with one line.
  void PublishMainPage ()
  {
    static const EFI_GUID  Platform = EFI_HII_PLATFORM_SETUP_FORMSET_GUID;
    Builders::IfrBuilder   F;
    EFI_HII_HANDLE         Handle = nullptr;

    F.FormSet (kMainFormSet, 1, 2, { Platform });
    F.Form (10004, 0x10);
    F.Text (0x11, 0, 0x12);
    F.End ();
    F.End ();
    Builders::PackageListBuilder  List (kMainFormSet);
    List.Add (F.Package ()).Add (Builders::BuildStringPackage ("en-US", 1, {
      { 1, u"Main" }, { 2, u"Main settings" }, { 0x10, u"Main" }, { 0x11, u"Board" }, { 0x12, u"Post board" } }));
    Builders::BYTES  Bytes = List.Build ();
    ASSERT_EQ (gHiiDatabase->NewPackageList (gHiiDatabase, (EFI_HII_PACKAGE_LIST_HEADER *)Bytes.data (), nullptr, &Handle),
               EFI_SUCCESS);
  }

  void TearDown () override
  {
    DestroyTuiApp ();
    FreeDynamicPageTable ();
    BootMachineTest::TearDown ();
  }

  // A file on its own disk; the option's path names the disk and the file.
  BYTES FileOption (const std::string &Name, UINT32 Number)
  {
    std::filesystem::path  Root = this->Folder (Name, "loader.efi", Name);
    Emu::BlockDevice       &Disk = DiskWithVolume (Emu::JoinPath ({ Emu::PciNode (Number, 0), Emu::SataNode (0) }), Root);
    return Emu::JoinPath ({ Emu::PathBody (Disk.Path ()), Emu::FilePathNode (u"\\loader.efi") });
  }

  // Boot#### for each name, in order, each an image that takes the machine.
  void PutOptions (const std::vector<std::string> &Names)
  {
    std::vector<UINT16>  Order;
    for (size_t Index = 0; Index < Names.size (); Index++) {
      UINT16  Number = (UINT16)(Index + 1);
      PutBoot (Number, LoadOption (LOAD_OPTION_ACTIVE, std::u16string (Names[Index].begin (), Names[Index].end ()),
                                   FileOption (Names[Index], Number)));
      Images->RegisterBytes (ImageBytes (Names[Index]), Names[Index], [this, Name = Names[Index]] (const Emu::LOADER_CALL &) {
        const Emu::VARIABLE  *Current = Find (u"BootCurrent");
        BootCurrentSeen = (Current == nullptr) ? BYTES {} : Current->Data;
        throw Emu::OsBooted (Name);
        return EFI_SUCCESS;
      });
      Order.push_back (Number);
    }
    PutOrder (Order);
  }

  // Records what setup shows each time it first waits for a key.
  void WatchSetup ()
  {
    Devices.TextIn->Script ().SetWaitHook ([this] () {
      if ((gInSetup != 0) && !InSetupNow) {
        InSetupNow = true;
        Visit.Count++;
        Visit.State  = gBootScreenState;
        Visit.Screen = Devices.TextOut->ScreenText ();
        Visit.Timers = RelativeTimers ();
        if (OnSetup) {
          OnSetup ();
        }
      }
      if (gInSetup == 0) {
        InSetupNow = false;
      }
    });
  }

  EFI_STATUS Flow () { return gBootScreenInterface.RunBootScreenFlow (); }

  // For a test that boots several machines in turn: the engine forgotten, a new machine.
  void FreshMachine ()
  {
    DestroyTuiApp ();
    FreeDynamicPageTable ();
    FreeBootOptionTables ();
    ForgetEngine ();
    Rebuild ({});
    Images = &M.Add (std::make_unique<Emu::BootImages> (M));
    Visit  = {};
  }

  // The relative timers of a second or more: the time-outs (setup's key reads wait 50 ms).
  std::vector<UINT64> RelativeTimers ()
  {
    std::vector<UINT64>  Out;
    for (const auto &Entry : M.Events ().TimerLog ()) {
      if ((Entry.Type == TimerRelative) && (Entry.TriggerTime >= 10000000)) {
        Out.push_back (Entry.TriggerTime);
      }
    }
    return Out;
  }

  size_t Signals (const EFI_GUID &Group)
  {
    size_t  Count = 0;
    for (const EFI_GUID &Guid : M.Protocols ().NullInterfaceLog ()) {
      Count += CompareGuid (&Guid, &Group) ? 1 : 0;
    }
    return Count;
  }

  std::string Printed () const
  {
    std::u16string  Text;
    for (const auto &Call : Devices.TextOut->Calls ()) {
      Text += Call.Text;
    }
    return std::string (Text.begin (), Text.end ());
  }

  bool IsColour (UINT32 X, UINT32 Y, UINT8 Red, UINT8 Green, UINT8 Blue) const
  {
    EFI_GRAPHICS_OUTPUT_BLT_PIXEL  P = Devices.Graphics->Pixel (X, Y);
    return (P.Red == Red) && (P.Green == Green) && (P.Blue == Blue);
  }

  BYTES                   BootCurrentSeen;
  SETUP_VISIT             Visit;
  bool                    InSetupNow = false;
  std::function<void ()>  OnSetup;
};

// Quiet boot: the logo at 38.2 % of the height with the prompt under it, the default
// time-out of 10 s written back and waited out on the virtual clock, then the boot.
TEST_F (PostFlowTest, QuietBootShowsTheLogoWaitsOutTheTimeoutAndBoots) {
  PutSettings (1);
  PutLogo (SolidBmp (100, 50, 0xFF, 0, 0));
  M.Variables ().Put (u"SIBoardItemControl", kBoardItems, kNvBsRt, { 0, 0, 0, 0, 0, 0, 0, 1 });
  PutOptions ({ "os" });
  StartBoard ();

  EXPECT_THROW (Flow (), Emu::OsBooted);
  // The logo's centre row is 768 x 382 / 1000 = 293; it is 100 x 50 and centred.
  EXPECT_TRUE (IsColour (512, 293, 0xFF, 0, 0));
  EXPECT_TRUE (IsColour (462, 268, 0xFF, 0, 0));
  EXPECT_FALSE (IsColour (461, 268, 0xFF, 0, 0));
  EXPECT_FALSE (IsColour (462, 267, 0xFF, 0, 0));
  // The prompt: grey text in the 19-pixel row whose bottom is 60 pixels above the screen's.
  bool  Grey = false;
  for (UINT32 X = 0; X < 1024; X++) {
    for (UINT32 Y = 768 - 60 - 19; Y < 768 - 60; Y++) {
      Grey = Grey || IsColour (X, Y, 0x98, 0x98, 0x98);
    }
  }
  EXPECT_TRUE (Grey);
  EXPECT_EQ (Find (u"BootTimeout", kEngineGuid)->Data, (BYTES { 10, 0 }));
  EXPECT_EQ (RelativeTimers (), (std::vector<UINT64> { 100000000 }));
  EXPECT_GE (M.Events ().Now (), 100000000u);
  EXPECT_LT (M.Events ().Now (), 101000000u);
  EXPECT_EQ (Signals (kWaitStart), 1u);
  EXPECT_EQ (Signals (kWaitEnd), 1u);
  EXPECT_EQ (Booted (), (std::vector<std::string> { "os" }));
  EXPECT_EQ (BootCurrentSeen, U16List ({ 1 }));
  EXPECT_EQ (gBootScreenState, 7u);
}

// Without quiet boot the text POST screen shows: its small logo at the text area's
// top-left, the sign-on line with the firmware version under it.
TEST_F (PostFlowTest, TextPostScreenShowsTheSignOnLineUnderTheSmallLogo) {
  PutSettings (0);
  PutTimeout (0);
  PutLogo (SolidBmp (40, 30, 0, 0xFF, 0), kTextLogo);
  PutOptions ({ "os" });
  StartBoard ();

  EXPECT_THROW (Flow (), Emu::OsBooted);
  // 100 x 31 cells of 8 x 19 pixels centred on 1024 x 768: the text area starts at (112, 89).
  EXPECT_TRUE (IsColour (112, 89, 0, 0xFF, 0));
  EXPECT_FALSE (IsColour (111, 89, 0, 0xFF, 0));
  // The logo covers two 19-pixel rows: the messages start on the third.
  EXPECT_EQ (Devices.TextOut->RowText (2).substr (0, 24), u"BIOS Version 2.23.4678.0");
  EXPECT_TRUE (RelativeTimers ().empty ());
}

// Del, F2 and "." enter setup during the wait; leaving setup goes on to the boot.
class SetupKeyTest : public PostFlowTest, public ::testing::WithParamInterface<const char *> {};

TEST_P (SetupKeyTest, EntersSetupAndLeavingItBoots) {
  PutSettings (0);
  PutOptions ({ "os" });
  StartBoard ();
  Devices.TextIn->Script ().Append (std::string (GetParam ()) + "@2,Esc");
  WatchSetup ();

  EXPECT_THROW (Flow (), Emu::OsBooted);
  EXPECT_EQ (Visit.Count, 1);
  EXPECT_EQ (Visit.State, 4u);
  EXPECT_NE (Visit.Screen.find ("Post board"), std::string::npos);
  EXPECT_EQ (Visit.Timers, (std::vector<UINT64> { 100000000 }));
  EXPECT_EQ (Signals (kSetupEntry), 2u);
  EXPECT_EQ (Booted (), (std::vector<std::string> { "os" }));
  EXPECT_EQ (gPostMessagesEnabled, 1);
}

INSTANTIATE_TEST_SUITE_P (Keys, SetupKeyTest, ::testing::Values ("Del", "F2", "."));

// The setup password is asked before setup shows; three wrong entries stop the
// machine with a screen that says so, and setup never runs.
TEST_F (PostFlowTest, AWrongSetupPasswordStopsTheMachineAndSaysWhy) {
  PutSettings (0, u"", u"admin");
  PutOptions ({ "os" });
  StartBoard ();
  Devices.TextIn->Script ().Append ("Del@1,x,Enter,Enter,y,Enter,Enter,z,Enter");
  WatchSetup ();

  EXPECT_THROW (Flow (), Emu::KeyScriptExhausted);
  EXPECT_EQ (Visit.Count, 0);
  EXPECT_TRUE (Images->Log ().empty ());
  EXPECT_NE (Devices.TextOut->ScreenText ().find ("System halted: the password was refused."), std::string::npos);
}

// The right setup password opens setup.
TEST_F (PostFlowTest, TheRightSetupPasswordOpensSetup) {
  PutSettings (0, u"", u"admin");
  PutOptions ({ "os" });
  StartBoard ();
  Devices.TextIn->Script ().Append ("Del@1,a,d,m,i,n,Enter,Esc");
  WatchSetup ();

  EXPECT_THROW (Flow (), Emu::OsBooted);
  EXPECT_EQ (Visit.Count, 1);
  EXPECT_EQ (gAccessLevel, 2u);
}

// F8: "Entering Boot Menu..." once, then the pop-up of devices; the one chosen boots first.
// The platform's language ("en", as OVMF keeps it) is not one of the engine's: the
// devices' names are still listed.
TEST_F (PostFlowTest, F8OpensThePopupAndTheChosenDeviceBoots) {
  PutSettings (0);
  PutOptions ({ "first", "second" });
  M.Variables ().Put (u"PlatformLang", gEfiGlobalVariableGuid, kNvBsRt, { 'e', 'n', 0 });
  StartBoard ();
  std::string  MenuScreen;
  Devices.TextIn->Script ().Append ("F8@1,Down,Enter");
  Devices.TextIn->Script ().SetWaitHook ([&] () {
    if ((gBootScreenState == 6) && MenuScreen.empty ()) {
      MenuScreen = Devices.TextOut->ScreenText ();
    }
  });

  EXPECT_THROW (Flow (), Emu::OsBooted);
  EXPECT_EQ (Booted (), (std::vector<std::string> { "second" }));
  EXPECT_EQ (BootCurrentSeen, U16List ({ 2 }));
  std::string  All = Printed ();
  size_t       First = All.find ("Entering Boot Menu...");
  EXPECT_NE (First, std::string::npos);
  EXPECT_EQ (All.find ("Entering Boot Menu...", First + 1), std::string::npos);
  EXPECT_NE (MenuScreen.find ("first"), std::string::npos);
  EXPECT_NE (MenuScreen.find ("second"), std::string::npos);
}

// A Key#### hotkey boots its option ahead of the order.
TEST_F (PostFlowTest, ABootHotkeyBootsItsOption) {
  PutSettings (0);
  PutOptions ({ "first", "second" });
  const Emu::VARIABLE  *Second = Find (u"Boot0002");
  ASSERT_NE (Second, nullptr);
  UINT32  Crc = 0;
  ASSERT_EQ (M.SystemTable ()->BootServices->CalculateCrc32 ((VOID *)Second->Data.data (), Second->Data.size (), &Crc),
    EFI_SUCCESS);
  EFI_KEY_OPTION  Head { 1u << 30, Crc, 2 };
  EFI_INPUT_KEY   F5 { SCAN_F5, 0 };
  BYTES           Key ((UINT8 *)&Head, (UINT8 *)&Head + sizeof (Head));
  Key.insert (Key.end (), (UINT8 *)&F5, (UINT8 *)&F5 + sizeof (F5));
  M.Variables ().Put (u"Key0001", gEfiGlobalVariableGuid, kNvBsRt, Key);
  StartBoard ();
  Devices.TextIn->Script ().Append ("F5@3");

  EXPECT_THROW (Flow (), Emu::OsBooted);
  EXPECT_EQ (Booted (), (std::vector<std::string> { "second" }));
  EXPECT_EQ (BootCurrentSeen, U16List ({ 2 }));
}

// BootNext boots first and is gone afterwards.
TEST_F (PostFlowTest, BootNextBootsBeforeTheOrder) {
  PutSettings (0);
  PutTimeout (0);
  PutOptions ({ "first", "second" });
  M.Variables ().Put (u"BootNext", gEfiGlobalVariableGuid, kNvBsRt, U16List ({ 2 }));
  StartBoard ();

  EXPECT_THROW (Flow (), Emu::OsBooted);
  EXPECT_EQ (Booted (), (std::vector<std::string> { "second" }));
  EXPECT_EQ (Find (u"BootNext"), nullptr);
  // A time-out of 0 arms no timer and waits for nothing.
  EXPECT_TRUE (RelativeTimers ().empty ());
  EXPECT_EQ (Signals (kWaitEnd), 1u);
}

// Nothing to boot: the screen asks for boot media and a key, then the decision comes again.
TEST_F (PostFlowTest, NothingBootableAsksForBootMedia) {
  PutSettings (0);
  PutTimeout (0);
  StartBoard ();
  Devices.TextIn->Script ().Append ("x");

  EXPECT_THROW (Flow (), Emu::KeyScriptExhausted);
  EXPECT_NE (Devices.TextOut->ScreenText ().find ("Reboot and Select proper Boot device"), std::string::npos);
  EXPECT_TRUE (Images->Log ().empty ());
}

// OsIndications asking for the firmware's user interface opens setup at its page,
// with no wait; the bit is cleared and the platform's own capabilities are kept.
TEST_F (PostFlowTest, OsIndicationsOpenSetupAndKeepThePlatformsBits) {
  PutSettings (0);
  PutOptions ({ "os" });
  M.Variables ().Put (u"OsIndications", gEfiGlobalVariableGuid, kNvBsRt, { 0x11, 0, 0, 0, 0, 0, 0, 0 });
  M.Variables ().Put (u"OsIndicationsSupported", gEfiGlobalVariableGuid, 6, { 0x40, 0, 0, 0, 0, 0, 0, 0 });
  StartBoard ();
  EXPECT_EQ (Find (u"OsIndications")->Data, (BYTES { 0x10, 0, 0, 0, 0, 0, 0, 0 }));
  EXPECT_EQ (Find (u"OsIndicationsSupported")->Data, (BYTES { 0x41, 0, 0, 0, 0, 0, 0, 0 }));
  Devices.TextIn->Script ().Append ("Esc@0.5");        // for setup: a key at the POST would be a hotkey
  WatchSetup ();

  EXPECT_THROW (Flow (), Emu::OsBooted);
  EXPECT_EQ (Visit.Count, 1);
  EXPECT_LT (M.Events ().Now (), 10000000u);
}

// A second call of the first operation while setup runs is refused and leaves the
// running setup's state as it was.
TEST_F (PostFlowTest, ANestedCallIsRefusedAndLeavesSetupsState) {
  PutSettings (0);
  PutOptions ({ "os" });
  StartBoard ();
  Devices.TextIn->Script ().Append ("F2@1,Esc");
  EFI_STATUS  Nested = EFI_SUCCESS;
  OnSetup = [&] () {
    Nested = Flow ();
    EXPECT_EQ (gInSetup, 1);
    EXPECT_EQ (gBootScreenState, 4u);
    EXPECT_EQ (gBootScreenEntryCount, 1u);
    EXPECT_EQ (gBootScreenInterface.PrintBootScreenText ((CHAR16 *)u"x"), EFI_UNSUPPORTED);
  };
  WatchSetup ();

  EXPECT_THROW (Flow (), Emu::OsBooted);
  EXPECT_TRUE (EFI_ERROR (Nested));
  EXPECT_EQ (Visit.Count, 1);
}

// A time-out of 65535 never expires: only a key ends the wait, however late.
TEST_F (PostFlowTest, NoTimeoutWaitsForAKey) {
  PutSettings (0);
  PutTimeout (65535);
  PutOptions ({ "os" });
  StartBoard ();
  Devices.TextIn->Script ().Append ("Del@700,Esc");
  WatchSetup ();

  EXPECT_THROW (Flow (), Emu::OsBooted);
  EXPECT_EQ (Visit.Count, 1);
  EXPECT_TRUE (Visit.Timers.empty ());
  EXPECT_GE (M.Events ().Now (), 7000000000u);
}

// The longest time-out is 6553.4 s.
TEST_F (PostFlowTest, LongTimeoutsAreCutTo6553Point4Seconds) {
  PutSettings (0);
  PutTimeout (7000);
  PutOptions ({ "os" });
  StartBoard ();
  Devices.TextIn->Script ().Append ("Del@1,Esc");
  WatchSetup ();

  EXPECT_THROW (Flow (), Emu::OsBooted);
  EXPECT_EQ (Visit.Timers, (std::vector<UINT64> { 65534000000ULL }));
}

}  // namespace

namespace {

using namespace BootTest;

// A boot flow that holds the machine in setup cannot hold a user without setup rights:
// the request is dropped and the machine boots instead of asking again without end.
TEST_F (PostFlowTest, AFlowHoldingSetupBootsAUserWithoutSetupRights) {
  PutSettings (0);
  PutOptions ({ "os" });
  M.Variables ().Put (u"BootFlow", kBootFlowGuid, EFI_VARIABLE_BOOTSERVICE_ACCESS, { 1, 0, 0, 0 });
  StartBoard ();
  gAccessLevel = ACCESS_LEVEL_USER;  // the POST password gave user rights only
  Devices.TextIn->Script ().Append ("Del@1");
  WatchSetup ();

  EXPECT_THROW (Flow (), Emu::OsBooted);
  EXPECT_EQ (Visit.Count, 0);
  EXPECT_EQ (gBootFlowHoldsSetup, 0);
  EXPECT_EQ (Booted (), (std::vector<std::string> { "os" }));
  // Holding setup turned the time-out off: only the key ended the wait.
  EXPECT_TRUE (RelativeTimers ().empty ());
}

}  // namespace

namespace {

using namespace BootTest;

const EFI_GUID  kBoardSetupGuid = BOARD_SETUP_VARIABLE_GUID;

// The board's "Setup" with the bytes the platform check reads.
void
PutBoardSetup (Emu::Machine &Machine, std::initializer_list<std::pair<size_t, UINT8>> Bytes)
{
  BYTES  Setup (4341, 0);
  for (const auto &[At, Value] : Bytes) {
    Setup[At] = Value;
  }
  Machine.Variables ().Put (u"Setup", kBoardSetupGuid, kNvBsRt, Setup);
}

// A platform check that found a fault shows its screen; when the user asks for setup
// there, setup opens before anything boots and the stored boot flow is cleared.
TEST_F (PostFlowTest, APlatformFaultTheUserTakesToSetupOpensSetupFirst) {
  struct { EFI_STATUS Answer; UINT8 Flag; } Cases[] = {
    { EFI_SUCCESS, 1 },                       // the user chose setup
    { PLATFORM_CHECK_ENTER_SETUP, 0 },        // the screen asks for it itself
  };
  for (const auto &Case : Cases) {
    SCOPED_TRACE (Case.Flag);
    FreshMachine ();
    Emu::PLATFORM_CHECK_SCRIPT  Script;
    Script.FaultFound   = 1;
    Script.ScreenAnswer = Case.Answer;
    Script.ScreenFlag   = Case.Flag;
    auto  &Check = M.Add (std::make_unique<Emu::PlatformCheckDriver> (M, Script));
    PutSettings (0);
    PutBoardSetup (M, {});
    PutOptions ({ "os" });
    M.Variables ().Put (u"BootFlow", kBootFlowGuid, EFI_VARIABLE_BOOTSERVICE_ACCESS, { 4, 0, 0, 0 });
    StartBoard ();
    Devices.TextIn->Script ().Append ("Esc@1");
    WatchSetup ();

    EXPECT_THROW (Flow (), Emu::OsBooted);
    EXPECT_EQ (Check.Checks (), 1u);
    EXPECT_EQ (Check.Screens (), 1u);
    EXPECT_EQ (Visit.Count, 1);
    EXPECT_EQ (Find (u"BootFlow", kBootFlowGuid)->Data, (BYTES { 0, 0, 0, 0 }));
    EXPECT_EQ (Booted (), (std::vector<std::string> { "os" }));
  }
}

// The screen shows only when the check found something, or the board always wants it,
// and the board's policy lets it; declined, the machine boots as usual.
TEST_F (PostFlowTest, ThePlatformFaultScreenShowsOnlyWhenFoundAndAllowed) {
  struct CASE { UINT8 Fault; UINT8 Recovery; bool Policy; EFI_STATUS PolicyAnswer; bool Always; size_t Screens; };
  const CASE  Cases[] = {
    { 0, 0, true, EFI_SUCCESS, false, 0 },          // nothing found
    { 1, 0, true, EFI_SUCCESS, false, 1 },
    { 0, 1, true, EFI_SUCCESS, false, 1 },          // a recovered boot
    { 0, 0, true, EFI_SUCCESS, true, 1 },           // the board's setting asks for it every time
    { 1, 0, false, EFI_SUCCESS, false, 0 },         // no policy: never
    { 1, 0, true, EFI_ACCESS_DENIED, false, 0 },    // the policy declines
  };
  for (const CASE &Case : Cases) {
    SCOPED_TRACE (&Case - Cases);
    FreshMachine ();
    Emu::PLATFORM_CHECK_SCRIPT  Script;
    Script.FaultFound      = Case.Fault;
    Script.RecoveryPending = Case.Recovery;
    Script.Policy          = Case.Policy;
    Script.PolicyAnswer    = Case.PolicyAnswer;
    auto  &Check = M.Add (std::make_unique<Emu::PlatformCheckDriver> (M, Script));
    PutSettings (0);
    PutTimeout (0);
    if (Case.Always) {
      PutBoardSetup (M, { { 4287, 11 }, { 4288, 1 } });
    }
    PutOptions ({ "os" });
    StartBoard ();
    WatchSetup ();

    EXPECT_THROW (Flow (), Emu::OsBooted);
    EXPECT_EQ (Check.Checks (), 1u);
    EXPECT_EQ (Check.Screens (), Case.Screens);
    EXPECT_EQ (Visit.Count, 0);
    EXPECT_EQ (Booted (), (std::vector<std::string> { "os" }));
  }
}

// When the firmware boots on its own (boot flow 7) the check runs only when the board's
// setting asks for it, and what it found is not shown.
TEST_F (PostFlowTest, AtAFirmwareBootThePlatformCheckRunsOnlyWhenTheBoardAsks) {
  struct CASE { UINT8 Enable; UINT8 Mode; size_t Checks; };
  const CASE  Cases[] = { { 0, 0, 0 }, { 1, 2, 0 }, { 1, 0, 1 } };
  for (const CASE &Case : Cases) {
    SCOPED_TRACE (&Case - Cases);
    FreshMachine ();
    Emu::PLATFORM_CHECK_SCRIPT  Script;
    Script.FaultFound = 1;
    auto  &Check = M.Add (std::make_unique<Emu::PlatformCheckDriver> (M, Script));
    Check.Protocol ()->FaultFound = 1;      // left from an earlier look
    PutSettings (0);
    PutTimeout (0);
    PutBoardSetup (M, { { 4075, Case.Enable }, { 4076, Case.Mode } });
    PutOptions ({ "os" });
    M.Variables ().Put (u"BootFlow", kBootFlowGuid, EFI_VARIABLE_BOOTSERVICE_ACCESS, { 7, 0, 0, 0 });
    StartBoard ();

    EXPECT_EQ (Flow (), EFI_UNSUPPORTED);     // no firmware boot manager to hand over to
    EXPECT_EQ (Check.Checks (), Case.Checks);
    EXPECT_EQ (Check.Screens (), 0u);
    EXPECT_EQ (Check.FaultFound (), 0);
  }
}

// OEM badging images go over the logo where each asks; every instance is asked until
// it has no more.
TEST_F (PostFlowTest, OemBadgesAreDrawnOverTheLogoWhereTheyAsk) {
  PutSettings (1);
  PutTimeout (0);
  PutLogo (SolidBmp (100, 50, 0xFF, 0, 0));
  auto  &First  = M.Add (std::make_unique<Emu::OemBadgingDriver> (M, std::vector<Emu::OEM_BADGE> {
    { SolidBmp (20, 10, 0, 0, 0xFF), 0, 10, 20 },                  // top-left, at (10, 20)
    { SolidBmp (30, 15, 0, 0xFF, 0), 4, 5, 5 },                    // bottom-right, 5 pixels in
  }));
  auto  &Second = M.Add (std::make_unique<Emu::OemBadgingDriver> (M, std::vector<Emu::OEM_BADGE> {
    { SolidBmp (2000, 10, 0xFF, 0xFF, 0), 0, 0, 100 },             // wider than any screen: left out
    { SolidBmp (8, 8, 0xFF, 0, 0xFF), 1, 0, 700 },                 // centred at the bottom
  }));
  PutOptions ({ "os" });
  StartBoard ();

  EXPECT_THROW (Flow (), Emu::OsBooted);
  EXPECT_TRUE (IsColour (10, 20, 0, 0, 0xFF));
  EXPECT_TRUE (IsColour (29, 29, 0, 0, 0xFF));
  EXPECT_FALSE (IsColour (30, 20, 0, 0, 0xFF));
  EXPECT_TRUE (IsColour (1024 - 5 - 30, 768 - 5 - 15, 0, 0xFF, 0));
  EXPECT_TRUE (IsColour (1024 - 6, 768 - 6, 0, 0xFF, 0));
  EXPECT_FALSE (IsColour (0, 100, 0xFF, 0xFF, 0));
  EXPECT_TRUE (IsColour (508, 700, 0xFF, 0, 0xFF));
  EXPECT_TRUE (IsColour (512, 293, 0xFF, 0, 0));               // the logo stays
  EXPECT_EQ (First.Requests (), (std::vector<UINT32> { 0, 1, 2 }));
  EXPECT_EQ (Second.Requests (), (std::vector<UINT32> { 0, 1, 2 }));
}

}  // namespace

namespace {

using namespace BootTest;

// Nothing to boot: Del at "No option to boot to." opens setup, as it does during the wait.
TEST_F (PostFlowTest, DelAtNoOptionToBootToEntersSetup) {
  PutSettings (0);
  PutTimeout (0);
  M.Variables ().Put (u"BootFlow", kBootFlowGuid, EFI_VARIABLE_BOOTSERVICE_ACCESS, { 5, 0, 0, 0 });
  StartBoard ();
  // "x" is typed during the POST (a time-out of 0 still polls once), "y" at the message.
  Devices.TextIn->Script ().Append ("x,y,Del");
  WatchSetup ();

  EXPECT_THROW (Flow (), Emu::KeyScriptExhausted);
  EXPECT_EQ (Visit.Count, 1);
  EXPECT_EQ (Visit.State, 4u);
  EXPECT_NE (Visit.Screen.find ("Post board"), std::string::npos);
  // Before "y" and after it: a key that is no hotkey asks again.
  std::string  All = Printed ();
  size_t       Shown = 0;
  for (size_t At = All.find ("No option to boot to."); At != std::string::npos; At = All.find ("No option", At + 1)) {
    Shown++;
  }
  EXPECT_EQ (Shown, 2u);
  EXPECT_TRUE (Images->Log ().empty ());
}

// Without a keyboard nothing can answer "Reboot and Select proper Boot device": the
// decision point starts the next pass only after a pause, so the options are launched
// once a pass and ready-to-boot is signalled once a launch, never in a tight loop.
TEST_F (PostFlowTest, WithoutAKeyboardFailedPassesFollowEachOtherAfterAPause) {
  std::vector<UINT64>  Launched;
  PutSettings (0);
  PutTimeout (0);
  PutBoot (1, LoadOption (LOAD_OPTION_ACTIVE, u"os", FileOption ("os", 1)));
  PutOrder ({ 1 });
  Images->RegisterBytes (ImageBytes ("os"), "os", [&] (const Emu::LOADER_CALL &) {
    Launched.push_back (M.Events ().Now ());
    if (Launched.size () == 3) {
      throw Emu::OsBooted ("os");
    }
    return EFI_DEVICE_ERROR;
  });
  EFI_SIMPLE_TEXT_INPUT_PROTOCOL  *ConIn = M.SystemTable ()->ConIn;
  M.SystemTable ()->ConIn = nullptr;
  StartBoard ();

  EXPECT_THROW (Flow (), Emu::OsBooted);
  M.SystemTable ()->ConIn = ConIn;
  ASSERT_EQ (Launched.size (), 3u);
  EXPECT_GE (Launched[1] - Launched[0], 50000000u);
  EXPECT_GE (Launched[2] - Launched[1], 50000000u);
  EXPECT_LT (Launched[2] - Launched[0], 120000000u);
  size_t  ReadyToBoot = 0;
  for (const EFI_GUID &Guid : M.Events ().GroupSignalLog ()) {
    ReadyToBoot += CompareGuid (&Guid, &gEfiEventReadyToBootGuid) ? 1 : 0;
  }
  EXPECT_EQ (ReadyToBoot, 3u);
  EXPECT_NE (Printed ().find ("Reboot and Select proper Boot device"), std::string::npos);
}

}  // namespace

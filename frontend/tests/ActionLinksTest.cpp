// The action links of the setup pages, chosen with the keys on a page of links as a
// user would: what each kind does (the boot log, the screen, the variables, the driver
// that was called), the firmware-volume file and the path list with their WARNING box,
// the question a pending reset asks instead of a boot, and the page made again after
// every start. Each link's condition compares a hidden question whose variable's GUID
// names a link entry of the compiled setup data.
#include <engine/testing/BootMachine.h>

#include <engine/boot/DriverHealth.h>
#include <engine/browser/DynamicPages.h>
#include <engine/core/FrontEnd.h>
#include <engine/core/SetupData.h>
#include <engine/post/PostScreen.h>
#include <engine/textui/TuiApp.h>
#include <engine/variables/VariableCache.h>
#include <frontend/EngineActions.h>
#include <frontend/SetupSave.h>
#include <frontend/ActionLinks.h>
#include <Builders/HiiPackageBuilder.h>
#include <Builders/IfrBuilder.h>
#include <Emulator/HealthDriver.h>
#include <Emulator/LegacyBios.h>
#include <Emulator/RunEnded.h>
#include <EmulatorHii/FakeDriver.h>
#include <Resources/EngineStringIds.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace BootTest;

constexpr EFI_GUID  kLinksSet  = { 0x6E1B0C20, 0x0001, 0x4B00, { 0x80, 0, 0, 0, 0, 0, 0, 0x01 } };
constexpr EFI_GUID  kLinksList = { 0x6E1B0C20, 0x0002, 0x4B00, { 0x80, 0, 0, 0, 0, 0, 0, 0x02 } };
constexpr EFI_GUID  kPlatform  = EFI_HII_PLATFORM_SETUP_FORMSET_GUID;
constexpr EFI_GUID  kToolFile  = { 0x6E1B0C20, 0x0003, 0x4B00, { 0x80, 0, 0, 0, 0, 0, 0, 0x03 } };
constexpr EFI_GUID  kGoneFile  = { 0x6E1B0C20, 0x0004, 0x4B00, { 0x80, 0, 0, 0, 0, 0, 0, 0x04 } };
constexpr UINT16    kHdd       = 2;

// One link entry: its GUID (also its variable's), what the record says, and the link on the page.
struct ENTRY {
  EFI_GUID        Guid;
  UINT32          Flags;
  UINT32          Kind;
  std::u16string  Paths;
};

EFI_GUID
EntryGuid (UINT8 Number)
{
  return { 0x6E1B0C21, 0x0000, 0x4B00, { 0x80, 0, 0, 0, 0, 0, 0, Number } };
}

// The entries, in the order of their hidden questions (0x500 + position).
enum : UINT16 {
  kBootEntry, kAction, kCallback, kLegacy, kHddDevice, kHealthList, kHealthEntry, kUnknownKind, kFile, kGone, kPaths,
  kFirstPath, kNoPath, kEntries
};

const std::vector<ENTRY>  kEntryTable = {
  { EntryGuid (1), SPECIAL_ENTRY_HAS_KIND, SPECIAL_KIND_BOOT_ENTRY, u"" },
  { EntryGuid (2), SPECIAL_ENTRY_HAS_KIND, SPECIAL_KIND_ENGINE_ACTION, u"" },
  { EntryGuid (3), SPECIAL_ENTRY_HAS_KIND, SPECIAL_KIND_FORM_CALLBACK, u"" },
  { EntryGuid (4), SPECIAL_ENTRY_HAS_KIND, SPECIAL_KIND_LEGACY_GROUP, u"" },
  { EntryGuid (5), SPECIAL_ENTRY_HAS_KIND, SPECIAL_KIND_HDD_SECURITY, u"" },
  { EntryGuid (6), SPECIAL_ENTRY_HAS_KIND, SPECIAL_KIND_DRIVER_HEALTH_LIST, u"" },
  { EntryGuid (7), SPECIAL_ENTRY_HAS_KIND, SPECIAL_KIND_DRIVER_HEALTH_ENTRY, u"" },
  { EntryGuid (8), SPECIAL_ENTRY_HAS_KIND, 9, u"" },
  { kToolFile, SPECIAL_ENTRY_START_FILE, 0, u"" },
  { kGoneFile, SPECIAL_ENTRY_START_FILE, 0, u"" },
  { EntryGuid (9), SPECIAL_ENTRY_START_PATHS, 0, u"\\EFI\\missing.efi|\\EFI\\tool.efi" },
  { EntryGuid (10), SPECIAL_ENTRY_START_PATHS, 0, u"\\EFI\\tool.efi|\\EFI\\other.efi" },
  { EntryGuid (11), SPECIAL_ENTRY_START_PATHS, 0, u"\\EFI\\missing.efi|\\EFI\\gone.efi" },
};

// The links of the page, top to bottom under the reset-needing checkbox: the entry each names and its index.
struct LINK {
  const char16_t  *Prompt;
  UINT16          Entry;
  UINT16          Index;
};

const std::vector<LINK>  kLinks = {
  { u"Boot the second entry", kBootEntry, 1 },
  { u"General help", kAction, ENGINE_ACTION_GENERAL_HELP },
  { u"Driver callback", kCallback, 0x345 },
  { u"Hard-disk group", kLegacy, 0 },
  { u"Disk security", kHddDevice, 2 },
  { u"Health of driver 1", kHealthList, 0 },
  { u"First controller", kHealthEntry, 0 },
  { u"Unknown kind", kUnknownKind, 0 },
  { u"No index", kAction, 0xFFFE },
  { u"Tool in the volume", kFile, 0 },
  { u"File not there", kGone, 0 },
  { u"Second path", kPaths, 0 },
  { u"First path", kFirstPath, 0 },
  { u"No path starts", kNoPath, 0 },
  { u"Ordinary link", kEntries, 0 },     // its question's variable has a GUID-only record
};

enum : UINT16 {
  kLinkBoot, kLinkHelp, kLinkCallback, kLinkLegacy, kLinkHdd, kLinkHealthList, kLinkHealthEntry, kLinkUnknown,
  kLinkNoIndex, kLinkFile, kLinkGone, kLinkPaths, kLinkFirstPath, kLinkNoPath, kLinkOrdinary
};

constexpr UINT32  kLinksPage     = 1;      // page 0 is the engine's link page
constexpr UINTN   kFirstLinkRow  = 4;      // the checkbox takes row 3
constexpr EFI_GUID kPlainGuid    = { 0x6E1B0C21, 0x0000, 0x4B00, { 0x80, 0, 0, 0, 0, 0, 0, 0x7F } };
constexpr UINT16  kCallbackQuestion = 0x345;
// A line of the General Help box (the key-help pane names "F1: General Help" all the time).
const std::u16string  kHelpBoxLine = u"F4, F10: Save & Exit";

// What the hard-disk security double was asked.
std::vector<UINTN>  gHddDevicesRead;

EFI_STATUS
ReadHddSecurityDouble (
  OUT UINT8  *Record,
  IN  UINTN  Device
  )
{
  gHddDevicesRead.push_back (Device);
  for (UINTN Byte = 0; Byte < 18; Byte++) {
    Record[Byte] = (UINT8)(0xA0 + Device + Byte);
  }

  return EFI_SUCCESS;
}

class ActionLinksTest : public BootMachineTest {
protected:
  void Start () override
  {
    Builders::SETUP_DATA_DESC  D = BoardWithOrders ();

    D.Variables[6]  = { .VendorGuid = gEfiGlobalVariableGuid, .Name = u"HddSecurity", .StoreFlags = VARIABLE_STORE_EFI, .Size = 20 };
    D.VariableGuids = std::vector<EFI_GUID> { kPlainGuid };
    for (const ENTRY &Entry : kEntryTable) {
      D.SpecialEntries.push_back ({ .FileGuid = Entry.Guid, .Flags = Entry.Flags, .Kind = Entry.Kind, .Paths = Entry.Paths });
    }

    Devices.Image->SetPackageList (std::vector<UINT8> (gSetupEngineStringPackageList,
                                     gSetupEngineStringPackageList + gSetupEngineStringPackageListSize));
    Devices.Image->AddSection (Emu::kDefaultDriverFileGuid, SETUP_DATA_SECTION_TYPE, Builders::BuildSetupDataSectionBody (D));
    M.Variables ().Put (u"LinkSettings", kLinksSet, 7, { 0 });
    M.Variables ().Put (u"HddSecurity", gEfiGlobalVariableGuid, 7, std::vector<UINT8> (20, 0x11));
    ASSERT_EQ (SetupEngineDriverEntry (Devices.Image->ImageHandle (), M.SystemTable ()), EFI_SUCCESS);
    SetConsoleModeForScreen ();
  }

  void TearDown () override
  {
    Devices.TextIn->Script ().SetWaitHook (nullptr);
    DestroyTuiApp ();
    FreeDynamicPageTable ();
    FreeDriverHealthList ();
    gReadDriveSecurity = nullptr;
    gHddDevicesRead.clear ();
    gBootFlowHoldsSetup = 0;
    gSaveAskedForReset  = 0;       // the engine's reset between machines leaves the front end's flag
    BootMachineTest::TearDown ();
  }

  // The page: hidden questions naming the entries, a checkbox whose change needs a reset, the links.
  static Builders::IfrBuilder LinkForms ()
  {
    Builders::IfrBuilder  F;

    F.FormSet (kLinksSet, 1, 0, { kPlatform });
    F.VarStoreEfi (1, kLinksSet, 7, 1, "LinkSettings");
    for (UINT16 Entry = 0; Entry <= kEntries; Entry++) {
      F.VarStoreEfi ((EFI_VARSTORE_ID)(0x10 + Entry), (Entry == kEntries) ? kPlainGuid : kEntryTable[Entry].Guid, 7, 2, "Link");
    }

    F.Form (1, 0x10);
    F.SuppressIf ();
    F.Operator (EFI_IFR_TRUE_OP);
    for (UINT16 Entry = 0; Entry <= kEntries; Entry++) {
      F.Numeric ({ 0x11, 0, (EFI_QUESTION_ID)(0x500 + Entry), (EFI_VARSTORE_ID)(0x10 + Entry), 0, 0 },
        EFI_IFR_NUMERIC_SIZE_2, 0, 0xFFFF, 1);
      F.End ();
    }

    F.End ();
    F.Checkbox ({ 0x12, 0, 0x400, 1, 0, EFI_IFR_FLAG_RESET_REQUIRED }, 0);
    F.End ();
    for (UINT16 Link = 0; Link < kLinks.size (); Link++) {
      F.SuppressIf ();
      F.EqIdVal ((EFI_QUESTION_ID)(0x500 + kLinks[Link].Entry), kLinks[Link].Index);
      F.Ref ({ (EFI_STRING_ID)(0x20 + Link), 0, (EFI_QUESTION_ID)(0x600 + Link) }, 0);
      F.End ();
    }

    F.End ();
    F.End ();
    return F;
  }

  static std::map<EFI_STRING_ID, std::u16string> Strings ()
  {
    std::map<EFI_STRING_ID, std::u16string>  Text = {
      { 1, u"Links" }, { 0x10, u"Links" }, { 0x11, u"Hidden" }, { 0x12, u"Needs reset" }, { 0x13, u"Controller repaired" },
    };
    for (UINT16 Link = 0; Link < kLinks.size (); Link++) {
      Text[(EFI_STRING_ID)(0x20 + Link)] = kLinks[Link].Prompt;
    }
    return Text;
  }

  // The page's form set published by a driver with a form callback; the pages built.
  void Publish ()
  {
    Builders::PackageListBuilder  List (kLinksList);

    Driver = &M.Add (std::make_unique<Emu::FakeDriver> (M, Emu::FakeDriver::VendorPath (kLinksList)));
    List.Add (LinkForms ().Package ()).Add (Builders::BuildStringPackage ("en-US", 1, Strings ()));
    FormsHandle = Driver->Publish (*Hii, List.Build ());
    ASSERT_NE (FormsHandle, nullptr);
    ASSERT_EQ (BuildDynamicPages (), EFI_SUCCESS);
  }

  // Two boot options, each a file on a volume of its own; "second" is flat entry 1.
  void PutBootOptions ()
  {
    PutBoot (1, FileOption ("first", 1));
    PutBoot (2, FileOption ("second", 2));
    PutOrder ({ 1, 2 });
  }

  BYTES FileOption (const std::string &Name, UINT8 Number)
  {
    std::filesystem::path  Root = Folder (Name, "boot.efi", Name);
    Emu::BlockDevice       &Disk = DiskWithVolume (Emu::JoinPath ({ Emu::PciNode (Number, 0), Emu::SataNode (0) }), Root);
    return LoadOption (LOAD_OPTION_ACTIVE, std::u16string (Name.begin (), Name.end ()),
             Emu::JoinPath ({ Emu::PathBody (Disk.Path ()), Emu::FilePathNode (u"\\boot.efi") }));
  }

  // Each registered image prints a line, so a screen left as the image left it would show it.
  void Register (const std::string &Name, EFI_STATUS Answer = EFI_SUCCESS)
  {
    Images->RegisterBytes (ImageBytes (Name), Name, [Answer] (const Emu::LOADER_CALL &) {
      (VOID)gST->ConOut->OutputString (gST->ConOut, (CHAR16 *)u"Image output\r\n");
      return Answer;
    });
  }

  // A volume with the tool at \EFI\tool.efi (and, when asked, the other at \EFI\other.efi).
  void ToolVolume (bool Other = false)
  {
    std::filesystem::path  Root = Folder ("tools", "EFI/tool.efi", "tool");
    if (Other) {
      (VOID)Folder ("tools", "EFI/other.efi", "other");
    }

    M.Add (std::make_unique<Emu::FileSystemVolume> (M, Root, 7));
    Register ("tool");
    Register ("other");
  }

  // Runs setup on the links page until the keys run out; the application stays to be looked at.
  EFI_STATUS RunKeys (const std::string &Keys)
  {
    Devices.TextIn->Script ().Append (Keys);
    try {
      return RunTextSetup (kLinksPage);
    } catch (const Emu::KeyScriptExhausted &) {
      return EFI_TIMEOUT;
    }
  }

  // The keys that choose link Link (the focus starts on the checkbox), then Then.
  static std::string Choose (UINT16 Link, const std::string &Then = "")
  {
    std::string  Keys;
    for (UINT16 Step = 0; Step <= Link; Step++) {
      Keys += "Down,";
    }

    Keys += "Enter";
    return Then.empty () ? Keys : Keys + "," + Then;
  }

  // Runs Check once, when the program waits for a key with Taken keys read so far.
  void AtKey (size_t Taken, std::function<void ()> Check)
  {
    auto  Done = std::make_shared<bool> (false);
    Devices.TextIn->Script ().SetWaitHook ([this, Taken, Check, Done] () {
      if (!*Done && (Devices.TextIn->Script ().Released () == Taken)) {
        *Done = true;
        Check ();
      }
    });
  }

  static size_t KeyCount (const std::string &Keys) { return (size_t)std::count (Keys.begin (), Keys.end (), ',') + 1; }

  std::u16string Row (UINTN Number) { return Devices.TextOut->RowText (Number); }

  bool ScreenShows (const std::u16string &Text)
  {
    for (UINTN Number = 0; Number < 31; Number++) {
      if (Row (Number).find (Text) != std::u16string::npos) {
        return true;
      }
    }

    return false;
  }

  // Whether a load's device path ends with a file-path node naming File.
  static bool EndsWithFile (const BYTES &Path, const std::u16string &File)
  {
    BYTES  Node = Emu::FilePathNode (File);
    return (Path.size () >= Node.size () + 4) && std::equal (Node.begin (), Node.end (), Path.end () - 4 - Node.size ());
  }

  TUI_FRAME *MainFrame () { return FindPageFrame (gTuiApp->Pages[kLinksPage], TUI_FRAME_MAIN); }

  // The question id of the main frame's focused control.
  UINT16 FocusedQuestion ()
  {
    TUI_FRAME  *Main = MainFrame ();
    return ((Main == nullptr) || (Main->Current >= Main->ControlCount)) ? 0 : Main->Controls[Main->Current]->Record.QuestionId;
  }

  // Text screen copies still alive since Mark: a saved screen nobody freed.
  size_t SavedScreensLeft (UINT64 Mark)
  {
    size_t  Count = 0;
    for (const Emu::POOL_BLOCK &Block : M.Memory ().LeaksSince (Mark)) {
      Count += (Block.Size == sizeof (TEXT_SCREEN_BUFFER)) ? 1 : 0;
    }
    return Count;
  }

  // The record of link Link on the page as the parser made it.
  CONTROL_RECORD *LinkRecord (UINT16 Link)
  {
    PAGE_RECORD  *Page = TuiPageRecord (kLinksPage);
    for (UINT32 N = 0; (Page != nullptr) && (N < Page->ControlCount); N++) {
      CONTROL_RECORD  *Control = TuiPageControl (Page, N);
      if ((Control != nullptr) && ((Control->ControlType & CONTROL_TYPE_MASK) == CONTROL_TYPE_REF) &&
          (Control->QuestionId == 0x600 + Link))
      {
        return Control;
      }
    }
    return nullptr;
  }

  Emu::FakeDriver  *Driver      = nullptr;
  EFI_HII_HANDLE   FormsHandle = nullptr;
};

TEST_F (ActionLinksTest, ThePageShowsEveryLinkUnderTheCheckbox) {
  Publish ();
  EXPECT_EQ (RunKeys ("Down"), EFI_TIMEOUT);
  EXPECT_NE (Row (3).find (u"Needs reset"), std::u16string::npos);
  for (UINT16 Link = 0; Link < kLinks.size (); Link++) {
    EXPECT_NE (Row (kFirstLinkRow + Link).find (kLinks[Link].Prompt), std::u16string::npos) << Link;
  }
}

// Kind 1 boots the flat boot-list entry of the link's index. The page is made again and
// shown whole over what the image printed, with the focus still on the link.
TEST_F (ActionLinksTest, ABootEntryLinkBootsItsEntryAndThePageIsMadeAgain) {
  UINT64  Mark = 0;

  PutBootOptions ();
  Register ("first");
  Register ("second");
  ASSERT_EQ (BuildBootOptionTables (), EFI_SUCCESS);
  Publish ();
  AtKey (0, [&] () { Mark = M.Memory ().AllocationCount (); });
  EXPECT_EQ (RunKeys (Choose (kLinkBoot, "Down")), EFI_TIMEOUT);
  EXPECT_EQ (Booted (), (std::vector<std::string> { "second" }));
  ASSERT_NE (M.Memory ().Find (gTuiApp->Pages[kLinksPage]), nullptr);
  EXPECT_GT (M.Memory ().Find (gTuiApp->Pages[kLinksPage])->Number, Mark);     // made after the keys began
  EXPECT_FALSE (ScreenShows (u"Image output"));
  EXPECT_NE (Row (3).find (u"Needs reset"), std::u16string::npos);
  EXPECT_NE (Row (kFirstLinkRow + kLinkBoot).find (u"Boot the second entry"), std::u16string::npos);
  EXPECT_EQ (FocusedQuestion (), 0x600 + kLinkHelp);               // the link kept the focus; Down moved on
  EXPECT_FALSE (ScreenShows (u"WARNING"));                          // a boot reports its own failures
}

// A setting that needs a reset was changed: the boot link asks to save and reset
// instead of booting, and the user's yes saves and ends setup.
TEST_F (ActionLinksTest, WithAResetPendingABootLinkAsksToSaveAndResetInsteadOfBooting) {
  std::string  Keys  = "+," + Choose (kLinkBoot, "Enter");
  bool         Asked = false;

  PutBootOptions ();
  Register ("first");
  Register ("second");
  ASSERT_EQ (BuildBootOptionTables (), EFI_SUCCESS);
  Publish ();
  AtKey (KeyCount (Keys) - 1, [&] () { Asked = ScreenShows (u"Save configuration and reset?"); });
  EXPECT_EQ (RunKeys (Keys), EFI_SUCCESS);                        // setup ended
  EXPECT_TRUE (Asked);
  EXPECT_TRUE (Booted ().empty ());
  EXPECT_EQ (gSaveAskedForReset, 1);
  EXPECT_EQ (Find (u"LinkSettings", kLinksSet)->Data, (BYTES { 1 }));
}

TEST_F (ActionLinksTest, DecliningToSaveAndResetStaysInSetupWithoutBooting) {
  PutBootOptions ();
  Register ("first");
  Register ("second");
  ASSERT_EQ (BuildBootOptionTables (), EFI_SUCCESS);
  Publish ();
  EXPECT_EQ (RunKeys ("+," + Choose (kLinkBoot, "Esc,Down")), EFI_TIMEOUT);
  EXPECT_TRUE (Booted ().empty ());
  EXPECT_EQ (gTuiApp->Exit, 0);
  EXPECT_EQ (gSaveAskedForReset, 0);
  EXPECT_EQ (Find (u"LinkSettings", kLinksSet)->Data, (BYTES { 0 }));
}

TEST_F (ActionLinksTest, WhileABootFlowHoldsSetupABootLinkDoesNothing) {
  PutBootOptions ();
  Register ("first");
  Register ("second");
  ASSERT_EQ (BuildBootOptionTables (), EFI_SUCCESS);
  Publish ();
  gBootFlowHoldsSetup = 1;
  EXPECT_EQ (RunKeys (Choose (kLinkBoot, "Down")), EFI_TIMEOUT);
  EXPECT_TRUE (Booted ().empty ());
  EXPECT_EQ (FocusedQuestion (), 0x600 + kLinkHelp);
}

TEST_F (ActionLinksTest, AnEngineActionLinkRunsTheActionOfItsCode) {
  Publish ();
  EXPECT_EQ (RunKeys (Choose (kLinkHelp)), EFI_TIMEOUT);            // the keys end while the box waits
  EXPECT_TRUE (ScreenShows (kHelpBoxLine));
}

// The action table: codes unique, ended by 0xFF, and each exit item's prompt in one row.
TEST (EngineActionTable, EveryCodeOnceEveryExitItemOnceAndAnEndRow) {
  std::vector<UINT8>   Codes;
  std::vector<UINT16>  Prompts;
  size_t               Rows = 0;

  for (const ENGINE_ACTION_ROW *Row = gActionTable; Row->Code != ENGINE_ACTION_END; Row++, Rows++) {
    ASSERT_LT (Rows, 256u);
    EXPECT_EQ (std::count (Codes.begin (), Codes.end (), Row->Code), 0) << (int)Row->Code;
    Codes.push_back (Row->Code);
    EXPECT_NE (Row->Run, nullptr);
    if (Row->ExitItemPrompt != 0) {
      Prompts.push_back (Row->ExitItemPrompt);
    }
  }

  std::sort (Prompts.begin (), Prompts.end ());
  EXPECT_EQ (Prompts, (std::vector<UINT16> { STR_LOAD_FAIL_SAFE, STR_LOAD_OPTIMIZED, STR_SAVE_AND_EXIT_SETUP,
                                             STR_EXIT_WITHOUT_SAVING, STR_SAVE_AND_RESET, STR_RESET_WITHOUT_SAVING }));
  EXPECT_EQ (RunEngineAction (0xFE), EFI_NOT_FOUND);
}

TEST_F (ActionLinksTest, AFormCallbackLinkCallsTheDriverWithTheLinksIndexAsQuestionId) {
  Publish ();
  EXPECT_EQ (RunKeys (Choose (kLinkCallback, "Down")), EFI_TIMEOUT);
  size_t  Calls = 0;
  for (const Emu::CONFIG_ACCESS_CALL &Call : Driver->Calls ()) {
    if ((Call.Op == Emu::ConfigAccessOp::Callback) && (Call.QuestionId == kCallbackQuestion)) {
      EXPECT_EQ (Call.Action, (EFI_BROWSER_ACTION)EFI_BROWSER_ACTION_CHANGED);
      Calls++;
    }
  }

  EXPECT_EQ (Calls, 1u);
}

TEST_F (ActionLinksTest, ALegacyGroupLinkMakesTheGroupCurrentAndCountsItsDevices) {
  Emu::LegacyBios    &Bios = M.Add (std::make_unique<Emu::LegacyBios> (M));
  std::deque<BYTES>  Paths;

  for (UINT8 Port = 0; Port < 2; Port++) {
    EFI_HANDLE  Handle = nullptr;
    Paths.push_back (Emu::JoinPath ({ Emu::PciNode (3, 0), Emu::SataNode (Port) }));
    ASSERT_EQ (gBS->InstallMultipleProtocolInterfaces (&Handle, &gEfiDevicePathProtocolGuid, Paths.back ().data (), nullptr),
               EFI_SUCCESS);
    Bios.Table ().push_back (Emu::BbsEntry (BBS_UNPRIORITIZED_ENTRY, kHdd, Handle));
  }

  const EFI_GUID  OrderGuid = LEGACY_DEV_ORDER_VARIABLE_GUID;
  PutBoot (3, LoadOption (LOAD_OPTION_ACTIVE, u"Hard disks", Emu::JoinPath ({ Emu::BbsNode (kHdd, "HD") })));
  PutOrder ({ 3 });
  // One group: type, length (2 + 2 per device), the two BBS indexes.
  M.Variables ().Put (u"LegacyDevOrder", OrderGuid, kNvBsRt, { kHdd, 0, 0, 0, 6, 0, 0, 0, 1, 0 });
  ASSERT_EQ (BuildBootOptionTables (), EFI_SUCCESS);
  Publish ();
  EXPECT_EQ (RunKeys (Choose (kLinkLegacy, "Down")), EFI_TIMEOUT);
  ASSERT_NE (gCurrentLegacyGroup, nullptr);
  EXPECT_EQ (gCurrentLegacyGroup->OptionNumber, 3);
  UINT16  Count = 0;
  ASSERT_EQ (ReadVariableBytes (SETUP_VARIABLE_INDEX_LEGACY_GROUP_COUNT, 0, sizeof (Count), &Count, FALSE), EFI_SUCCESS);
  EXPECT_EQ (Count, 2);
}

TEST_F (ActionLinksTest, ADiskSecurityLinkRefreshesTheRecordOfItsDeviceInTheCache) {
  UINT8  Record[20] = {};

  gReadDriveSecurity = ReadHddSecurityDouble;
  Publish ();
  EXPECT_EQ (RunKeys (Choose (kLinkHdd, "Down")), EFI_TIMEOUT);
  EXPECT_EQ (gHddDevicesRead, (std::vector<UINTN> { 2 }));
  ASSERT_EQ (ReadVariableBytes (SETUP_VARIABLE_INDEX_HDD_SECURITY, 0, sizeof (Record), Record, FALSE), EFI_SUCCESS);
  for (UINTN Byte = 0; Byte < 18; Byte++) {
    EXPECT_EQ (Record[Byte], 0xA2 + Byte) << Byte;
  }

  EXPECT_EQ (Record[18], 0x11);                                     // the rest of the variable stays
  EXPECT_EQ (Find (u"HddSecurity")->Data, std::vector<UINT8> (20, 0x11));   // the cache only, until a save
}

// Until the front end fills its member, nothing reads the drives and nothing changes.
TEST_F (ActionLinksTest, WithoutTheFrontEndsReaderADiskSecurityLinkChangesNothing) {
  UINT8  Record[20] = {};

  Publish ();
  EXPECT_EQ (RunKeys (Choose (kLinkHdd, "Down")), EFI_TIMEOUT);
  ASSERT_EQ (ReadVariableBytes (SETUP_VARIABLE_INDEX_HDD_SECURITY, 0, sizeof (Record), Record, FALSE), EFI_SUCCESS);
  EXPECT_EQ (std::vector<UINT8> (Record, Record + 20), std::vector<UINT8> (20, 0x11));
}

// Kind 16 lists the controllers of a driver ("DrvHealthCtrlCnt"); kind 17 then acts on
// one: a repair, whose message shows.
TEST_F (ActionLinksTest, DriverHealthLinksListTheControllersAndRepairOne) {
  const EFI_GUID    CountGuid = DRIVER_HEALTH_COUNT_VARIABLE_GUID;
  Emu::HealthDriver &Health   = M.Add (std::make_unique<Emu::HealthDriver> (M, u"Disk controller"));
  std::string       Keys      = Choose (kLinkHealthList, "Down,Enter");
  bool              Shown     = false;

  Publish ();
  EFI_HANDLE  First = Health.AddController ({ .Status = EfiDriverHealthStatusRepairRequired,
                                               .Messages = { { FormsHandle, 0x13 } } });
  (VOID)Health.AddController ({});
  AtKey (KeyCount (Keys), [&] () { Shown = ScreenShows (u"Controller repaired"); });
  EXPECT_EQ (RunKeys (Keys), EFI_TIMEOUT);
  ASSERT_NE (Find (u"DrvHealthCtrlCnt", CountGuid), nullptr);
  EXPECT_EQ (Find (u"DrvHealthCtrlCnt", CountGuid)->Data, (BYTES { 2, 0 }));
  EXPECT_EQ (Health.Repairs ().size (), 1u);
  EXPECT_EQ (Health.Repairs ()[0].first, First);
  EXPECT_TRUE (Shown);
}

// Links that name nothing to do: a kind code outside the seven, index 0xFFFE, and a
// condition whose variable has a GUID-only record. None starts, shows or keeps anything.
TEST_F (ActionLinksTest, AnUnknownKindIndex0xFFFEAndAnOrdinaryConditionDoNothing) {
  Publish ();
  for (UINT16 Link : { kLinkUnknown, kLinkNoIndex, kLinkOrdinary }) {
    UINT64  Mark  = 0;
    VOID    *Page = nullptr;

    DestroyTuiApp ();
    AtKey (Devices.TextIn->Script ().Released (), [&] () {
      Mark = M.Memory ().AllocationCount ();
      Page = gTuiApp->Pages[kLinksPage];
    });
    EXPECT_EQ (RunKeys (Choose (Link, "Up")), EFI_TIMEOUT) << Link;
    EXPECT_TRUE (Booted ().empty ()) << Link;
    EXPECT_EQ (gTuiApp->Pages[kLinksPage], Page) << Link;           // not made again
    EXPECT_LT (M.Memory ().Find (Page)->Number, Mark) << Link;
    EXPECT_FALSE (ScreenShows (kHelpBoxLine)) << Link;              // index 0xFFFE of the action entry is no action
    EXPECT_FALSE (ScreenShows (u"WARNING")) << Link;
    EXPECT_EQ (FocusedQuestion (), 0x600 + Link - 1) << Link;      // Up moved on from the link
    EXPECT_EQ (SavedScreensLeft (Mark), 0u) << Link;
  }
}

TEST_F (ActionLinksTest, AFirmwareVolumeFileLinkStartsTheFileAndThePageIsMadeAgain) {
  UINT64  Mark = 0;

  Devices.Image->AddSection (kToolFile, EFI_SECTION_PE32, ImageBytes ("fvtool"));
  Register ("fvtool");
  Publish ();
  AtKey (0, [&] () { Mark = M.Memory ().AllocationCount (); });
  EXPECT_EQ (RunKeys (Choose (kLinkFile, "Down")), EFI_TIMEOUT);
  EXPECT_EQ (Booted (), (std::vector<std::string> { "fvtool" }));
  EXPECT_GT (M.Memory ().Find (gTuiApp->Pages[kLinksPage])->Number, Mark);
  EXPECT_FALSE (ScreenShows (u"Image output"));
  EXPECT_FALSE (ScreenShows (u"WARNING"));
  EXPECT_EQ (FocusedQuestion (), 0x600 + kLinkGone);
  EXPECT_EQ (SavedScreensLeft (Mark), 0u);
}

// The file is in no volume: the page as it was comes back with the WARNING box over it,
// and after the box the page is made again.
TEST_F (ActionLinksTest, WhenEveryStartFailsTheWarningBoxShowsOverThePage) {
  std::string  Keys     = Choose (kLinkGone, "Enter,Down");
  bool         Warned   = false;
  bool         PageUnder = false;
  UINT64       Mark     = 0;

  Publish ();
  Devices.TextIn->Script ().Append (Keys);
  Devices.TextIn->Script ().SetWaitHook ([&] () {
    size_t  Taken = Devices.TextIn->Script ().Released ();
    if (Taken == 0) {
      Mark = M.Memory ().AllocationCount ();
    } else if (Taken == KeyCount (Keys) - 2) {
      Warned    = ScreenShows (u"WARNING") && ScreenShows (u"The file could not be started.");
      PageUnder = (Row (3).find (u"Needs reset") != std::u16string::npos);
    }
  });
  try {
    (VOID)RunTextSetup (kLinksPage);
  } catch (const Emu::KeyScriptExhausted &) {
  }

  EXPECT_TRUE (Warned);
  EXPECT_TRUE (PageUnder);
  EXPECT_TRUE (Booted ().empty ());
  EXPECT_FALSE (ScreenShows (u"WARNING"));                          // gone with its key
  EXPECT_GT (M.Memory ().Find (gTuiApp->Pages[kLinksPage])->Number, Mark);
  EXPECT_EQ (FocusedQuestion (), 0x600 + kLinkPaths);
  EXPECT_EQ (SavedScreensLeft (Mark), 0u);
}

// The first path is in no volume, so the second one is started (the last load, the only one that worked).
TEST_F (ActionLinksTest, APathListFallsThroughToItsSecondPathWhenTheFirstFails) {
  ToolVolume ();
  Publish ();
  EXPECT_EQ (RunKeys (Choose (kLinkPaths, "Down")), EFI_TIMEOUT);
  EXPECT_EQ (Booted (), (std::vector<std::string> { "tool" }));
  ASSERT_GE (Images->Loads ().size (), 2u);
  EXPECT_TRUE (EndsWithFile (Images->Loads ().front ().DevicePath, u"\\EFI\\missing.efi"));
  EXPECT_TRUE (EFI_ERROR (Images->Loads ().front ().Status));
  EXPECT_TRUE (EndsWithFile (Images->Loads ().back ().DevicePath, u"\\EFI\\tool.efi"));
  EXPECT_EQ (Images->Loads ().back ().Status, EFI_SUCCESS);
  EXPECT_FALSE (ScreenShows (u"WARNING"));
}

// The first path starts: the second, which would start too, is never tried.
TEST_F (ActionLinksTest, APathListStopsAtTheFirstPathThatStarts) {
  ToolVolume (true);
  Publish ();
  EXPECT_EQ (RunKeys (Choose (kLinkFirstPath, "Down")), EFI_TIMEOUT);
  EXPECT_EQ (Booted (), (std::vector<std::string> { "tool" }));
  ASSERT_EQ (Images->Loads ().size (), 1u);
  EXPECT_TRUE (EndsWithFile (Images->Loads ()[0].DevicePath, u"\\EFI\\tool.efi"));
}

TEST_F (ActionLinksTest, APathListWhereNoPathStartsShowsTheWarning) {
  ToolVolume ();
  Publish ();
  EXPECT_EQ (RunKeys (Choose (kLinkNoPath)), EFI_TIMEOUT);          // the keys end while the box waits
  EXPECT_TRUE (Booted ().empty ());
  ASSERT_GE (Images->Loads ().size (), 2u);
  EXPECT_TRUE (EndsWithFile (Images->Loads ().back ().DevicePath, u"\\EFI\\gone.efi"));
  for (const Emu::LOAD_ATTEMPT &Load : Images->Loads ()) {
    EXPECT_TRUE (EFI_ERROR (Load.Status));
  }

  EXPECT_TRUE (ScreenShows (u"WARNING"));
}

// Every road frees or puts back the copy of the screen taken first (nothing left per
// click), whatever the link does; the answer says whether the page must be made again.
TEST_F (ActionLinksTest, NoRoadLeavesTheSavedScreenBehind) {
  struct ROAD {
    UINT16       Link;
    const char   *Keys;
    UINT8        Answer;
  };
  Emu::HealthDriver &Health = M.Add (std::make_unique<Emu::HealthDriver> (M, u"Disk controller"));

  gReadDriveSecurity = ReadHddSecurityDouble;
  Devices.Image->AddSection (kToolFile, EFI_SECTION_PE32, ImageBytes ("fvtool"));
  Register ("fvtool");
  ToolVolume ();
  Publish ();
  (VOID)Health.AddController ({ .Status = EfiDriverHealthStatusFailed, .Messages = { { FormsHandle, 0x13 } } });
  // Without the application the help action shows nothing; the other boxes read one key.
  for (const ROAD &Road : { ROAD { kLinkHelp, "", 0 }, ROAD { kLinkCallback, "", 0 }, ROAD { kLinkLegacy, "", 0 },
                            ROAD { kLinkHdd, "", 0 }, ROAD { kLinkHealthList, "", 0 }, ROAD { kLinkHealthEntry, "Enter", 0 },
                            ROAD { kLinkUnknown, "", 0 }, ROAD { kLinkNoIndex, "", 0 }, ROAD { kLinkOrdinary, "", 0 },
                            ROAD { kLinkFile, "", 1 }, ROAD { kLinkGone, "Enter", 1 }, ROAD { kLinkPaths, "", 1 },
                            ROAD { kLinkNoPath, "Enter", 1 } }) {
    CONTROL_RECORD  *Record = LinkRecord (Road.Link);
    UINT64          Mark    = M.Memory ().AllocationCount ();
    size_t          Before  = Devices.TextIn->Script ().Released ();

    ASSERT_NE (Record, nullptr) << Road.Link;
    if (*Road.Keys != 0) {
      Devices.TextIn->Script ().Append (Road.Keys);
    }

    EXPECT_EQ (gFrontEnd.SpecialLinkSelected (Record), Road.Answer) << Road.Link;
    EXPECT_EQ (SavedScreensLeft (Mark), 0u) << Road.Link;
    EXPECT_EQ (Devices.TextIn->Script ().Released () - Before, (*Road.Keys != 0) ? 1u : 0u) << Road.Link;
  }
}

}  // namespace

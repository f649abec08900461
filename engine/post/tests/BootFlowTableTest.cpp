// The boot-flow table on the emulator: what each boot-flow code answers before and
// after the hotkey wait and when the boot loop runs out of options, which setup page
// it asks for, the setup page rules, and OsIndications at start-up.
#include <engine/testing/BootMachine.h>

#include <engine/post/PostScreen.h>
#include <engine/textui/Hotkeys.h>
#include <engine/core/EngineGlobals.h>
#include <engine/boot/BootLaunch.h>
#include <engine/core/SetupDataFormat.h>
#include <engine/post/PostHooks.h>
#include <engine/startup/SetupEngine.h>
#include <engine/core/SetupData.h>
#include <engine/textui/TextScreen.h>
#include <engine/post/BootFlowCallbacks.h>
#include <engine/browser/SetupEntryRequest.h>
#include <engine/post/BootScreen.h>
#include <Library/BaseMemoryLib.h>

#include <Emulator/RunEnded.h>

namespace {

using namespace BootTest;

const EFI_GUID  kTpmFlowGuid  = { 0xB6460A49, 0x0AC1, 0x484F, { 0xAE, 0x58, 0xF1, 0x6E, 0xB2, 0x39, 0xDB, 0x3D } };
const EFI_GUID  kMainFormSet  = { 0x7B59104A, 0xC00D, 0x4158, { 0x87, 0xFF, 0xF0, 0x4D, 0x63, 0x96, 0xA9, 0x15 } };
const EFI_GUID  kOtherFormSet = { 0x11112222, 0x3333, 0x4444, { 0x55, 0x55, 0x66, 0x66, 0x77, 0x77, 0x88, 0x88 } };
const EFI_GUID  kShellFile    = { 0xC57AD6B7, 0x0515, 0x40A8, { 0x9D, 0x21, 0x55, 0x16, 0x52, 0x85, 0x4E, 0x37 } };
const EFI_GUID  kDefaultBoot  = { 0x06449BC5, 0x4494, 0x4F8C, { 0x87, 0x73, 0x1D, 0x24, 0x64, 0xC0, 0xE7, 0xEC } };

class BootFlowTableTest : public BootMachineTest {
protected:
  // Pages: 0 is form 10004 of a form set keyed (2, 0), 1 is form 10004 of the main form
  // set keyed (1, 0), 2 is its form 10001, 3 is form 10002 of the other form set.
  void Start () override
  {
    Builders::SETUP_DATA_DESC  D = BoardWithOrders ();
    D.FormSets = {
      { .Guid = kOtherFormSet, .Class = 2, .SubClass = 0 },
      { .Guid = kMainFormSet, .Class = 1, .SubClass = 0 },
    };
    D.Pages = {
      { .FormSetIndex = 0, .FormId = 10004, .TitleStringId = 0x100, .ParentPageNumber = 3 },
      { .FormSetIndex = 1, .FormId = 10004, .TitleStringId = 0x100, .ParentPageNumber = 3 },
      { .FormSetIndex = 1, .FormId = 10001, .TitleStringId = 0x100, .ParentPageNumber = 3, .Flags = 0x20 },
      { .FormSetIndex = 0, .FormId = 10002, .TitleStringId = 0x100, .ParentPageNumber = 3, .Flags = 0x20 },
    };
    Devices.Image->SetPackageList (std::vector<UINT8> (gSetupEngineStringPackageList,
                                     gSetupEngineStringPackageList + gSetupEngineStringPackageListSize));
    Devices.Image->AddSection (Emu::kDefaultDriverFileGuid, SETUP_DATA_SECTION_TYPE, Builders::BuildSetupDataSectionBody (D));
    ASSERT_EQ (SetupEngineDriverEntry (Devices.Image->ImageHandle (), M.SystemTable ()), EFI_SUCCESS);
  }

  void PutFlow (UINT32 Flow, const EFI_GUID &Guid = kBootFlowGuid, const char16_t *Name = u"BootFlow")
  {
    M.Variables ().Put (Name, Guid, EFI_VARIABLE_BOOTSERVICE_ACCESS,
                        { (UINT8)Flow, (UINT8)(Flow >> 8), (UINT8)(Flow >> 16), (UINT8)(Flow >> 24) });
  }

  size_t Signals (const EFI_GUID &Group)
  {
    size_t  Count = 0;
    for (const EFI_GUID &Guid : M.Protocols ().NullInterfaceLog ()) {
      Count += CompareGuid (&Guid, &Group) ? 1 : 0;
    }
    return Count;
  }
};

// Each code's answer before the wait, and what it leaves asked for.
TEST_F (BootFlowTableTest, EachCodeAnswersAsItsRowSays) {
  struct {
    const char   *What;
    UINT32       Flow;
    UINT32       Tpm;
    UINT8        SetupBefore;
    EFI_STATUS   Status;
    UINT8        SetupAfter;
    UINT32       StartPage;
    UINT32       Request;
  } Cases[] = {
    { "no flow",                        0,      0, 0, EFI_SUCCESS,     0, 0, 0 },
    { "a code without a row",           0x1234, 0, 0, EFI_SUCCESS,     0, 0, 0 },
    { "1: not valid, its page absent",  1,      0, 0, EFI_UNSUPPORTED, 0, 0, 0 },
    { "4: the main form set's page",    4,      0, 0, EFI_SUCCESS,     1, 1, 0 },
    { "TPMBootFlow 0 keeps BootFlow",   4,      0, 0, EFI_SUCCESS,     1, 1, 0 },
    { "TPMBootFlow overrides",          4,      5, 1, EFI_NOT_STARTED, 0, 0, 0 },
    { "5: setup dropped",               5,      0, 1, EFI_NOT_STARTED, 0, 0, 0 },
    { "0xA without a hotkey",           0xA,    0, 0, EFI_NOT_FOUND,   0, 0, 0 },
    { "6: the boot pop-up",             6,      0, 0, EFI_SUCCESS,     1, 0, 0 },
    { "7: the firmware boots",          7,      0, 1, EFI_NOT_STARTED, 0, 0, 7 },
  };
  for (const auto &Case : Cases) {
    SCOPED_TRACE (Case.What);
    PutFlow (Case.Flow);
    PutFlow (Case.Tpm, kTpmFlowGuid, u"TPMBootFlow");
    if (Case.SetupBefore != 0) {
      RequestSetupEntry ();
    } else {
      DropSetupEntryRequest ();
    }
    gBootFlowStartPage = 0;
    gBootFlowRequest   = 0;
    gBootScreenState   = 3;
    gHotkeyBootOption  = NO_HOTKEY_BOOT_OPTION;
    EXPECT_EQ (RunBootFlowEntry (), Case.Status);
    EXPECT_EQ (SetupEntryRequested (), Case.SetupAfter != 0);
    EXPECT_EQ (gBootFlowStartPage, Case.StartPage);
    EXPECT_EQ (gBootFlowRequest, Case.Request);
    EXPECT_EQ (gBootScreenState, (Case.Flow == 6) ? 6u : 3u);
  }
  gBootFlowRequest = 0;
}

// When the boot loop runs out: a row with a page asks for it; the default-boot rows try
// the removable-media file of every volume, tell the platform, then the shell.
TEST_F (BootFlowTableTest, TheDefaultBootTriesRemovableMediaThenTheShell) {
  std::filesystem::path  Root = Folder ("usb", "EFI/BOOT/BOOTX64.EFI", "removable");
  DiskWithVolume (Emu::JoinPath ({ Emu::PciNode (0x1D, 0), Emu::UsbNode (1, 0) }), Root);
  Images->RegisterBytes (ImageBytes ("removable"), "removable", Emu::BootImages::Returns (EFI_ABORTED));
  Devices.Image->AddSection (kShellFile, 0x10, ImageBytes ("shell"));
  Images->RegisterBytes (ImageBytes ("shell"), "shell", Emu::BootImages::Returns (EFI_SUCCESS));

  PutFlow (7);
  EXPECT_EQ (RunBootFlowDefaultBoot (), EFI_UNSUPPORTED);
  EXPECT_EQ (Booted (), (std::vector<std::string> { "removable", "shell" }));
  EXPECT_EQ (Signals (kDefaultBoot), 1u);

  PutFlow (5);
  EXPECT_EQ (RunBootFlowDefaultBoot (), EFI_NOT_STARTED);
  PutFlow (2);              // its page (keys 64, 0) is not in this setup
  DropSetupEntryRequest ();
  EXPECT_EQ (RunBootFlowDefaultBoot (), EFI_NOT_STARTED);
  EXPECT_FALSE (SetupEntryRequested ());
  PutFlow (0x4321);
  EXPECT_EQ (RunBootFlowDefaultBoot (), EFI_SUCCESS);
  EXPECT_EQ (Booted ().size (), 2u);
  gBootFlowRequest = 0;
}

// The page rules apply to the main form set's pages only.
TEST_F (BootFlowTableTest, ThePageRulesMakeTopLevelAndEntryPagesOfTheMainFormSet) {
  (VOID)ApplyBootFlowPageRules (nullptr);
  PAGE_RECORD  *Page = nullptr;
  ASSERT_EQ (GetPageData (0, &Page), EFI_SUCCESS);
  EXPECT_EQ (Page->ParentPageNumber, 3u);                // another form set's 10004
  ASSERT_EQ (GetPageData (1, &Page), EFI_SUCCESS);
  EXPECT_EQ (Page->ParentPageNumber, 0u);
  ASSERT_EQ (GetPageData (2, &Page), EFI_SUCCESS);
  EXPECT_EQ (Page->Flags, 0x01u);                        // bit 0 set, bit 5 cleared
  EXPECT_EQ (Page->ParentPageNumber, 3u);
  ASSERT_EQ (GetPageData (3, &Page), EFI_SUCCESS);
  EXPECT_EQ (Page->Flags, 0x20u);
}

// OsIndications: created when absent, left alone without its bit, and nothing at all
// when the capability cannot be declared.
TEST_F (BootFlowTableTest, OsIndicationsAreOnlyRewrittenForTheirBit) {
  M.Variables ().Put (u"OsIndications", gEfiGlobalVariableGuid, kNvBsRt, { 0x04, 0, 0, 0, 0, 0, 0, 0 });
  M.Variables ().ClearWriteLog ();
  EXPECT_EQ (ProcessOsIndications (), EFI_SUCCESS);
  ASSERT_EQ (M.Variables ().WriteLog ().size (), 1u);
  EXPECT_EQ (M.Variables ().WriteLog ()[0].Name, u"OsIndicationsSupported");
  EXPECT_EQ (Find (u"OsIndicationsSupported")->Data, (BYTES { 1, 0, 0, 0, 0, 0, 0, 0 }));

  M.Variables ().Put (u"OsIndications", gEfiGlobalVariableGuid, kNvBsRt, {});
  ASSERT_EQ (M.Variables ().Lookup (u"OsIndications", gEfiGlobalVariableGuid)->Data.size (), 0u);
  M.Variables ().ClearWriteLog ();
  M.Variables ().InjectFault ({ Emu::VariableOp::Set, u"OsIndicationsSupported", EFI_WRITE_PROTECTED, 1 });
  EXPECT_EQ (ProcessOsIndications (), EFI_WRITE_PROTECTED);
  ASSERT_EQ (M.Variables ().WriteLog ().size (), 1u);

  EXPECT_EQ (ProcessOsIndications (), EFI_SUCCESS);
  ASSERT_NE (Find (u"OsIndications"), nullptr);
  EXPECT_EQ (Find (u"OsIndications")->Data, (BYTES (8, 0)));
  EXPECT_EQ (Find (u"OsIndications")->Attributes, kNvBsRt);
}

// The POST window starts as 80 x 24 and is clamped to a smaller screen when it opens.
TEST_F (BootFlowTableTest, ThePostWindowStartsAt80By24) {
  gPostWindow = POST_MESSAGE_WINDOW { 5, 31, 100, TRUE };
  gPostCursorRow = 9;
  (VOID)ResetPostMessageWindow (nullptr);
  EXPECT_EQ (gPostWindow.BottomLimit, 24u);
  EXPECT_EQ (gPostWindow.RightLimit, 80u);
  EXPECT_EQ (gPostWindow.TopRow, 0u);
  EXPECT_EQ (gPostCursorRow, 0u);
  gTextScreenRows = 20;
  OpenPostWindow (2);
  EXPECT_EQ (gPostWindow.BottomLimit, 20u);
  gTextScreenRows = TEXT_SCREEN_MAX_ROWS;
}

}  // namespace

// The boot pop-up on the emulator: the list it is built from, the text "BBS MENU"
// driven by scripted keys, the boot-device menu handed to the boot-screen interface's
// menu operation, and booting the chosen entry (read from the machine's boot log).
#include <engine/testing/BootMachine.h>

#include <engine/core/EngineGlobals.h>
#include <engine/core/EngineStrings.h>
#include <gui/GuiServices.h>
#include <engine/boot/BootMenu.h>
#include <engine/textui/TuiPopup.h>
#include <engine/browser/SetupEntryRequest.h>

#include <map>

namespace {

using namespace BootTest;

int                     gPopupDefaultCalls = 0;
std::vector<MENU_ITEM>  gMenuSeen;
UINT16                  gMenuTitle = 0, gMenuHelp = 0;
UINT16                  gMenuAnswer = 0;
EFI_STATUS              gMenuStatus = EFI_SUCCESS;

UINT64
CountPopupDefault (CONST HOOK_ARGS *)
{
  gPopupDefaultCalls++;
  return 0;
}

EFI_STATUS EFIAPI
RecordMenu (EFI_HII_HANDLE, UINT16 TitleId, UINT16 HelpId, VOID *Items, UINT16 Count, UINT16 *Selection)
{
  gMenuTitle = TitleId;
  gMenuHelp  = HelpId;
  gMenuSeen.assign ((MENU_ITEM *)Items, (MENU_ITEM *)Items + Count);
  EXPECT_EQ (*Selection, 0);
  *Selection = gMenuAnswer;
  return gMenuStatus;
}

class BootMenuTest : public BootMachineTest {
protected:
  void SetUp () override
  {
    BootMachineTest::SetUp ();
    mSavedHooks        = gHookTable;
    mSavedMenu         = gBootScreenInterface.ShowBootScreenMenu;
    HOOK_FUNCTION  Empty = EmptyMethod;
    mHooks             = { HOOK_ID_BOOT_POPUP_DEFAULT, (UINT64)(UINTN)Empty, (UINT64)(UINTN)CountPopupDefault,
                           0xFFFF0000, (UINT64)(UINTN)Empty, 0 };
    gHookTable         = mHooks.data ();
    gPopupDefaultCalls = 0;
    gSetupEntryDone    = FALSE;
    gBootMenuChoice    = 0;
  }

  void TearDown () override
  {
    gHookTable                              = mSavedHooks;
    gBootScreenInterface.ShowBootScreenMenu = mSavedMenu;
    FreeBootMenuList ();
    gSetupEntryDone = FALSE;
    BootMachineTest::TearDown ();
  }

  // Count options named "Option 1".."Option N", each a file on its own volume.
  void PutOptions (UINT16 Count, UINT32 Attributes = LOAD_OPTION_ACTIVE)
  {
    std::vector<UINT16>  Order;
    for (UINT16 N = 1; N <= Count; N++) {
      std::string     Name  = "option" + std::to_string (N);
      std::u16string  Title = u"Option " + std::u16string (1, (char16_t)(u'A' + N - 1));
      PutBoot (N, LoadOption (Attributes, Title, OptionPath (Name, N)));
      Images->RegisterBytes (ImageBytes (Name), Name, Emu::BootImages::Returns (EFI_ABORTED));
      Order.push_back (N);
    }
    PutOrder (Order);
  }

  // The file on disk Number, which is made once; an option rewritten later names the same disk.
  BYTES OptionPath (const std::string &Name, UINT16 Number)
  {
    auto  Made = mOptionPaths.find (Number);
    if (Made != mOptionPaths.end ()) {
      return Made->second;
    }

    Emu::BlockDevice  &Disk = DiskWithVolume (Emu::JoinPath ({ Emu::PciNode ((UINT8)Number, 0) }),
                                Folder (Name, "boot.efi", Name));
    return mOptionPaths[Number] = Emu::JoinPath ({ Emu::PathBody (Disk.Path ()), Emu::FilePathNode (u"\\boot.efi") });
  }

  void BuildList ()
  {
    ASSERT_EQ (BuildBootOptionTables (), EFI_SUCCESS);
    ASSERT_EQ (BuildBootMenuList (), EFI_SUCCESS);
  }

  std::u16string Row (UINTN Row) { return Devices.TextOut->RowText (Row); }
  UINT8 Attribute (UINTN Column, UINTN Row) { return Devices.TextOut->Cell (Column, Row).Attribute; }

  std::map<UINT16, BYTES>        mOptionPaths;
  CONST UINT64                   *mSavedHooks = nullptr;
  std::vector<UINT64>            mHooks;
  decltype (gBootScreenInterface.ShowBootScreenMenu) mSavedMenu = nullptr;
};

// Every flat entry gets a place; a hidden one keeps its index without a name.
TEST_F (BootMenuTest, TheListHoldsEveryFlatEntryWithHiddenOnesUnnamed) {
  PutOptions (2);
  PutBoot (3, LoadOption (LOAD_OPTION_ACTIVE | LOAD_OPTION_HIDDEN, u"Front page", OptionPath ("front", 3)));
  BuildList ();

  ASSERT_EQ (gBootMenuCount, 3u);
  EXPECT_EQ (std::u16string (gBootMenuList[0].Name), u"Option A");
  EXPECT_EQ (gBootMenuList[1].Index, 1u);
  EXPECT_EQ (gBootMenuList[2].Name, nullptr);
  EXPECT_EQ (Find (u"BootNowCount", { 0x052E6EB0, 0xF240, 0x42C5, { 0x83, 0x09, 0x45, 0x87, 0x45, 0x45, 0xC6, 0xB4 } })->Data,
             U16List ({ 3 }));
  EXPECT_TRUE (gSetupEntryDone);
}

// A 40-character name shows as 25 characters and "..."; the option keeps its name.
TEST_F (BootMenuTest, ALongNameIsShortenedOnTheMenuOnly) {
  std::u16string  Long = u"0123456789012345678901234567890123456789";
  PutBoot (1, LoadOption (LOAD_OPTION_ACTIVE, Long, OptionPath ("long", 1)));
  PutOrder ({ 1 });
  BuildList ();
  Devices.TextIn->Script ().Append ("Esc");

  ShowBootMenuPopup (nullptr);
  EXPECT_EQ (Row (10).substr (20, 29), u"0123456789012345678901234... ");
  EXPECT_EQ (std::u16string (FindBootOption (1)->Description), Long);
}

// The frame: title at (30, 8) bright, joins on row 9, eight of twelve entries and the mark below.
TEST_F (BootMenuTest, TwelveEntriesShowEightWithTheMarkBelow) {
  PutOptions (12);
  BuildList ();
  std::vector<std::u16string>  Screen;
  Devices.TextIn->Script ().SetWaitHook ([&] () {
    if (Screen.empty ()) {
      for (UINTN R = 0; R < 31; R++) {
        Screen.push_back (Row (R));
      }
    }
  });
  Devices.TextIn->Script ().Append ("Esc");

  ShowBootMenuPopup (nullptr);
  ASSERT_EQ (Screen.size (), 31u);
  EXPECT_EQ (Screen[8].substr (30, 8), u"BBS MENU");
  EXPECT_EQ (Screen[7].substr (17, 35), u"\x250C" + std::u16string (33, u'\x2500') + u"\x2510");
  EXPECT_EQ (Screen[9].substr (17, 1), u"\x251C");
  EXPECT_EQ (Screen[9].substr (51, 1), u"\x2524");
  EXPECT_EQ (Screen[10].substr (20, 8), u"Option A");
  EXPECT_EQ (Screen[17].substr (20, 8), u"Option H");
  EXPECT_EQ (Screen[17].substr (50, 1), u"\x25BC");
  EXPECT_EQ (Screen[10].substr (50, 1), u" ");
  EXPECT_EQ (Screen[18].substr (17, 35), u"\x2514" + std::u16string (33, u'\x2500') + u"\x2518");
}

// Down eight times scrolls the window by one; both marks show and Enter takes the entry.
TEST_F (BootMenuTest, DownPastTheWindowScrollsItAndEnterChoosesTheEntry) {
  PutOptions (12);
  BuildList ();
  Devices.TextIn->Script ().Append ("Down,Down,Down,Down,Down,Down,Down,Down,Enter");

  ShowBootMenuPopup (nullptr);
  EXPECT_EQ (gBootMenuChoice, 8);
  EXPECT_EQ (gBootMenuWindowRow, 7u);
  EXPECT_EQ (Row (10).substr (20, 8), u"Option B");
  EXPECT_EQ (Row (17).substr (20, 8), u"Option I");
  EXPECT_EQ (Attribute (20, 17), 0x0F);
  EXPECT_EQ (Attribute (20, 16), 0x07);
  EXPECT_EQ (Row (10).substr (50, 1), u"\x25B2");
  EXPECT_EQ (Row (17).substr (50, 1), u"\x25BC");
  EXPECT_EQ (gPopupDefaultCalls, 0);
}

// Esc leaves the choice at 0 and runs the pop-up's default hook.
TEST_F (BootMenuTest, EscLeavesTheChoiceAtZeroAndRunsTheDefaultHook) {
  PutOptions (3);
  BuildList ();
  gBootMenuChoice = 2;
  Devices.TextIn->Script ().Append ("Down,Esc");

  ShowBootMenuPopup (nullptr);
  EXPECT_EQ (gBootMenuChoice, 0);
  EXPECT_EQ (gPopupDefaultCalls, 1);
}

// The chosen entry boots first, then every other enabled one in list order.
TEST_F (BootMenuTest, TheChoiceBootsFirstThenTheOtherEnabledEntries) {
  PutOptions (4);
  PutBoot (2, LoadOption (0, u"Option B", OptionPath ("option2", 2)));
  BuildList ();
  gBootMenuChoice = 2;

  EXPECT_EQ (BootSelectedPopupOption (nullptr), (UINT64)EFI_ABORTED);
  EXPECT_EQ (Booted (), (std::vector<std::string> { "option3", "option1", "option4" }));
}

// With setup requested nothing boots.
TEST_F (BootMenuTest, WithSetupRequestedTheChoiceIsNotBooted) {
  PutOptions (2);
  BuildList ();
  RequestSetupEntry ();

  EXPECT_EQ (BootSelectedPopupOption (nullptr), (UINT64)EFI_SUCCESS);
  DropSetupEntryRequest ();
  EXPECT_TRUE (Images->Log ().empty ());
  EXPECT_EQ (BootOptionByIndex (2), EFI_OUT_OF_RESOURCES);
}

// Disabled entries keep their index but are left out; "Enter Setup" comes last.
TEST_F (BootMenuTest, TheDeviceMenuLeavesDisabledEntriesOutAndKeepsFlatIndexes) {
  PutOptions (3);
  PutBoot (2, LoadOption (0, u"Option B", OptionPath ("option2", 2)));
  BuildList ();
  gBootScreenInterface.ShowBootScreenMenu = RecordMenu;
  gMenuAnswer = 2;
  gMenuStatus = EFI_SUCCESS;
  gBootFlowRequest = 6;

  EXPECT_EQ (ShowBootDeviceMenu (nullptr), (UINT64)EFI_SUCCESS);
  EXPECT_EQ (gMenuTitle, 78);
  EXPECT_EQ (gMenuHelp, 82);
  ASSERT_EQ (gMenuSeen.size (), 4u);
  EXPECT_GT (gMenuSeen[0].StringId, 1);
  EXPECT_EQ (gMenuSeen[1].StringId, MENU_ITEM_LEFT_OUT);
  EXPECT_EQ (gMenuSeen[3].StringId, 83);
  CHAR16  *Text = HiiGetString (gHiiHandle, gMenuSeen[2].StringId, nullptr);
  ASSERT_NE (Text, nullptr);
  EXPECT_EQ (std::u16string (Text), u"Option C");
  FreePool (Text);
  EXPECT_EQ (gBootMenuChoice, 2);
  EXPECT_EQ (gBootFlowRequest, 0u);
  EXPECT_EQ (Find (u"BootFlow", kBootFlowGuid)->Data, (BYTES { 0, 0, 0, 0 }));
}

// "Enter Setup" asks for setup; Esc runs the default hook with choice 0.
TEST_F (BootMenuTest, TheDeviceMenuAsksForSetupOrFallsBackToTheDefault) {
  BuildList ();
  gBootScreenInterface.ShowBootScreenMenu = RecordMenu;
  gMenuAnswer = 0;
  gMenuStatus = EFI_SUCCESS;

  EXPECT_EQ (ShowBootDeviceMenu (nullptr), (UINT64)EFI_SUCCESS);
  ASSERT_EQ (gMenuSeen.size (), 1u);
  EXPECT_TRUE (SetupEntryRequested ());
  DropSetupEntryRequest ();
  gMenuStatus        = EFI_ABORTED;
  gBootMenuChoice    = 1;
  EXPECT_EQ (ShowBootDeviceMenu (nullptr), (UINT64)EFI_SUCCESS);
  EXPECT_EQ (gBootMenuChoice, 0);
  EXPECT_EQ (gPopupDefaultCalls, 1);
  EXPECT_FALSE (SetupEntryRequested ());
}

}  // namespace

// The boot-screen interface while setup runs: its progress bar reports success and
// draws nothing, its progress box tells "Progress: " with the percentage (and answers
// EFI_NOT_READY without a console), its selection box shows the items that can be
// chosen first whatever the boot screen's state, its message box shows both texts;
// when setup ends, on every road, the engine's own operations answer again.
#include <engine/testing/TuiAppTestSupport.h>

#include <engine/core/BootScreenInterface.h>
#include <engine/core/EngineGlobals.h>
#include <engine/post/BootScreenDialogs.h>
#include <engine/post/BootScreen.h>
#include <frontend/FrontEndServices.h>
#include <Resources/EngineStringIds.h>

#include <gtest/gtest.h>

namespace {

class SetupSlotsTest : public TuiAppTest {
protected:
  void TearDown () override
  {
    Devices.TextIn->Script ().SetWaitHook (nullptr);
    gInSetup = 0;
    TuiAppTest::TearDown ();
  }

  // Whether any row of the console shows Text.
  bool OnScreen (const std::u16string &Text)
  {
    for (UINTN Row = 0; Row < gTextScreenRows; Row++) {
      if (Devices.TextOut->RowText (Row).find (Text) != std::u16string::npos) {
        return true;
      }
    }
    return false;
  }

  // Runs Look once while setup waits for its first key, then lets the keys end setup.
  EFI_STATUS EnterAndLook (const std::string &Keys, std::function<void()> Look)
  {
    bool  Looked = false;

    Boot (Keys);
    FreeDynamicPageTable ();
    Devices.TextIn->Script ().SetWaitHook ([&] () {
      if (!Looked && (gTuiApp != nullptr)) {
        Looked = true;
        Look ();
      }
    });
    EFI_STATUS  Status = EnterGraphicalSetup ();
    Devices.TextIn->Script ().SetWaitHook (nullptr);
    EXPECT_TRUE (Looked);
    return Status;
  }
};

TEST_F (SetupSlotsTest, DuringSetupTheFrontEndAnswersAndAfterItTheEngineDoes)
{
  BOOT_SCREEN_INTERFACE  Engine = gBootScreenInterface;
  BOOT_SCREEN_INTERFACE  InSetup {};
  size_t                 Blts   = 0;

  ASSERT_EQ (EnterAndLook ("Esc", [&] () {
    InSetup = gBootScreenInterface;
    Blts    = Devices.Graphics->BltLog ().size ();
    EXPECT_EQ (gBootScreenInterface.CreateBootProgressBar (10, 10, 100, 8, 4), EFI_SUCCESS);
    EXPECT_EQ (gBootScreenInterface.MoveBootProgressBar (), EFI_SUCCESS);
    EXPECT_EQ (Devices.Graphics->BltLog ().size (), Blts);        // no bar is drawn over setup

    VOID        *Box = nullptr;
    DIALOG_KEY  Key  = {};
    EXPECT_EQ (gBootScreenInterface.ShowProgressBox (PROGRESS_OPEN, (CHAR16 *)u"Copying", (CHAR16 *)u"Files", (CHAR16 *)u"Legend",
                                                     0, &Box, &Key), EFI_SUCCESS);
    EXPECT_TRUE (OnScreen (u"Progress: 0%"));
    EXPECT_FALSE (OnScreen (u"Legend"));
    EXPECT_EQ (gBootScreenInterface.ShowProgressBox (PROGRESS_CLOSE, nullptr, nullptr, nullptr, 0, &Box, &Key), EFI_SUCCESS);

    EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL  *ConOut = gST->ConOut;
    gST->ConOut = nullptr;
    Box         = nullptr;
    EXPECT_EQ (gBootScreenInterface.ShowProgressBox (PROGRESS_OPEN, (CHAR16 *)u"Copying", (CHAR16 *)u"Files", nullptr, 0, &Box, &Key),
               EFI_NOT_READY);
    EXPECT_EQ (Box, nullptr);
    gST->ConOut = ConOut;
  }), EFI_SUCCESS);

  // Every slot the front end serves was its own, and the engine's are back.
  EXPECT_NE (InSetup.ShowBootScreenMessageBox, Engine.ShowBootScreenMessageBox);
  EXPECT_NE (InSetup.ShowBootScreenMenu, Engine.ShowBootScreenMenu);
  EXPECT_NE (InSetup.ShowProgressBox, Engine.ShowProgressBox);
  EXPECT_EQ (InSetup.ShowBootScreenDialog, Engine.ShowBootScreenDialog);
  EXPECT_EQ (std::memcmp (&gBootScreenInterface, &Engine, sizeof (Engine)), 0);
  EXPECT_EQ (gBootScreenInterface.MoveBootProgressBar (), EFI_UNSUPPORTED);     // the engine's: no bar made

  // The progress box of setup tells the percentage it is given, at most 100.
  VOID        *Box = nullptr;
  DIALOG_KEY  Key  = {};
  Devices.TextIn->Script ().Append ("x,y");
  ASSERT_EQ (InSetup.ShowProgressBox (PROGRESS_OPEN, (CHAR16 *)u"Copying", (CHAR16 *)u"Files", nullptr, 0, &Box, &Key), EFI_SUCCESS);
  EXPECT_EQ (InSetup.ShowProgressBox (PROGRESS_UPDATE, nullptr, nullptr, nullptr, 40, &Box, &Key), EFI_SUCCESS);
  EXPECT_TRUE (OnScreen (u"Progress: 40%"));
  EXPECT_EQ (InSetup.ShowProgressBox (PROGRESS_UPDATE, nullptr, nullptr, nullptr, 250, &Box, &Key), EFI_SUCCESS);
  EXPECT_TRUE (OnScreen (u"Progress: 100%"));
  EXPECT_EQ (InSetup.ShowProgressBox (PROGRESS_CLOSE, nullptr, nullptr, nullptr, 0, &Box, &Key), EFI_SUCCESS);
}

TEST_F (SetupSlotsTest, TheSelectionBoxOfSetupShowsUsableItemsFirstWhateverTheBootScreenState)
{
  BOOT_SCREEN_INTERFACE  InSetup {};

  ASSERT_EQ (EnterAndLook ("Esc", [&] () { InSetup = gBootScreenInterface; }), EFI_SUCCESS);
  gBootScreenState = BOOT_SCREEN_STATE_NONE;     // no POST screen ran: under SendForm, say

  // Yes is reached only by its hotkey: the menu shows Ok and Cancel, Ok first.
  MENU_ITEM  Items[3] = {};
  Items[0].StringId  = STR_BUTTON_YES;
  Items[0].State     = MENU_STATE_HIDDEN_KEY;
  Items[0].UnicodeChar = u'y';
  Items[1].StringId  = STR_BUTTON_OK;
  Items[2].StringId  = STR_BUTTON_CANCEL;
  UINT16  Selection = 0;
  EXPECT_EQ (gBootScreenInterface.ShowBootScreenMenu (nullptr, STR_SCREEN_CAPTURE, 0, Items, 3, &Selection), EFI_NOT_READY);

  std::vector<std::u16string>  Rows;
  Devices.TextIn->Script ().Append ("Down,Enter");
  Devices.TextIn->Script ().SetWaitHook ([&] () {
    if (Rows.empty ()) {
      for (UINTN Row = 0; Row < gTextScreenRows; Row++) {
        Rows.push_back (Devices.TextOut->RowText (Row));
      }
    }
  });
  ASSERT_EQ (InSetup.ShowBootScreenMenu (nullptr, STR_SCREEN_CAPTURE, 0, Items, 3, &Selection), EFI_SUCCESS);
  EXPECT_EQ (Selection, 2);      // Down from Ok: Cancel, the caller's third item
  size_t  Ok = 0, Cancel = 0, Yes = 0;
  for (size_t Row = 0; Row < Rows.size (); Row++) {
    Ok     = (Rows[Row].find (u"Ok ") != std::u16string::npos) ? Row : Ok;
    Cancel = (Rows[Row].find (u"Cancel") != std::u16string::npos) ? Row : Cancel;
    Yes   += (Rows[Row].find (u"Yes") != std::u16string::npos) ? 1 : 0;
  }
  EXPECT_NE (Ok, 0u);
  EXPECT_EQ (Cancel, Ok + 1);
  EXPECT_EQ (Yes, 0u);
}

TEST_F (SetupSlotsTest, TheMessageBoxOfSetupShowsTitleAndTextAndAFailedEntryStillPutsTheSlotsBack)
{
  BOOT_SCREEN_INTERFACE  Engine = gBootScreenInterface;
  BOOT_SCREEN_INTERFACE  InSetup {};
  bool                   Shown  = false;

  ASSERT_EQ (EnterAndLook ("Esc", [&] () { InSetup = gBootScreenInterface; }), EFI_SUCCESS);
  Devices.TextIn->Script ().Append ("Enter");
  Devices.TextIn->Script ().SetWaitHook ([&] () { Shown = Shown || (OnScreen (u"Driver says") && OnScreen (u"All is well")); });
  UINT8  Selection = 0xFF;
  EXPECT_EQ (InSetup.ShowBootScreenMessageBox ((CHAR16 *)u"Driver says", (CHAR16 *)u"All is well", MSGBOX_BUTTONS_OK, &Selection),
             EFI_SUCCESS);
  EXPECT_TRUE (Shown);
  EXPECT_EQ (Selection, 0);

  // An application already running makes the entry fail; the slots come back all the same.
  Devices.TextIn->Script ().SetWaitHook (nullptr);
  gTuiApp = reinterpret_cast<TUI_APP *>(&Selection);
  EXPECT_EQ (EnterGraphicalSetup (), EFI_ALREADY_STARTED);
  gTuiApp = nullptr;
  EXPECT_EQ (std::memcmp (&gBootScreenInterface, &Engine, sizeof (Engine)), 0);
}

}  // namespace

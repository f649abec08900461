// A fixture for the text screens on the emulator's standard machine with the HII
// services (the font gives the cell widths): the engine's firmware tables point at
// the machine, the screen buffers are fresh, and everything the text screen and the
// hotkeys keep in globals is put back afterwards.
#ifndef ENGINE_TESTING_TEXT_UI_MACHINE_TEST_H_
#define ENGINE_TESTING_TEXT_UI_MACHINE_TEST_H_

#include <engine/testing/EngineMachineTest.h>

#include <engine/core/EngineGlobals.h>
#include <engine/startup/SetupEngine.h>
#include <engine/textui/TextScreen.h>
#include <engine/core/VariableGuids.h>
#include <engine/core/EngineStrings.h>
#include <Library/MemoryAllocationLib.h>

#include <EmulatorHii/HiiServices.h>
#include <Builders/SetupDataBuilder.h>
#include <Resources/EngineStringPackage.h>

#include <functional>
#include <memory>
#include <vector>
#include <new>
#include <string>

class TextUiMachineTest : public EngineMachineTest {
protected:
  void SetUp () override
  {
    EngineMachineTest::SetUp ();
    Attach ();
  }

  void TearDown () override
  {
    gGraphicsOutput = nullptr;
    ResetScreenState ();
    EngineMachineTest::TearDown ();
  }

  // Rebuilds the machine with other options (mode lists, EDID, keys).
  void Rebuild (const Emu::MACHINE_OPTIONS &Options)
  {
    FreeScreenBuffers ();
    FreeAndNull (gGlyphWidthTable);      // it lives in the old machine's pool
    M.~Machine ();
    new (&M) Emu::Machine ();
    Devices = Emu::BuildStandardMachine (M, Options);
    ForgetLibraryTables ();
    Attach ();
  }

  // What the console shows in the cells [Column, Column + Count) of Row.
  std::u16string Shown (UINTN Column, UINTN Row, UINTN Count)
  {
    return Devices.TextOut->RowText (Row).substr (Column, Count);
  }

  std::u16string Drawn (UINTN Column, UINTN Row, UINTN Count)
  {
    return std::u16string (&gTextScreen->Chars[Row * gTextScreenColumns + Column], Count);
  }

  // The one-page board StartEngine gives the engine: variable 0 is an 8-byte "Setup".
  static Builders::SETUP_DATA_DESC OnePageBoard ()
  {
    static const EFI_GUID  BoardGuid  = BOARD_SETUP_VARIABLE_GUID;
    static const EFI_GUID  EngineGuid = ENGINE_SETTINGS_VARIABLE_GUID;
    Builders::SETUP_DATA_DESC  D;

    D.Variables = {
      { .VendorGuid = BoardGuid, .Name = u"Setup", .StoreFlags = VARIABLE_STORE_EFI, .Size = 8 },
      { .VendorGuid = EngineGuid, .Name = u"PlatformLang", .Size = 6 },
    };
    D.Pages = { { .FormId = 1, .TitleStringId = 0x100, .Controls = {
      { .ControlType = CONTROL_TYPE_CHECKBOX, .QuestionOpcode = 0x40, .ValueWidth = 1, .MfgDefault = { 1 }, .StdDefault = { 0 } },
    } } };
    D.FormSets         = { {} };
    D.Settings.TitleStringId    = 7;         // the engine's own "Setup Utility"
    D.Settings.TabTitleStringId = 7;
    D.FirstFormSetGuid = EFI_GUID {};
    D.VariableGuids    = std::vector<EFI_GUID> {};
    return D;
  }

  // The one-page board with the first Count variable indexes taken by engine variables,
  // as a real board's setup data has the engine's fixed indexes: the stores of the form
  // sets parsed at setup entry come after them, so none of them lands on an index the
  // engine reads as one of its own.
  static Builders::SETUP_DATA_DESC BoardWithEngineVariables (size_t Count = 26)
  {
    static const EFI_GUID      EngineGuid = ENGINE_SETTINGS_VARIABLE_GUID;
    Builders::SETUP_DATA_DESC  D          = OnePageBoard ();

    while (D.Variables.size () < Count) {
      D.Variables.push_back ({ .VendorGuid = EngineGuid, .Name = u"Engine" + std::u16string (1, (char16_t)(u'A' + D.Variables.size ())),
                               .Size = 2 });
    }

    return D;
  }

  // Starts the engine as a dispatcher would, with its own strings and the board's
  // setup data (by default the one-page board, whose "Setup" holds 1 to 8).
  void StartEngine (const Builders::SETUP_DATA_DESC &D = OnePageBoard ())
  {
    static const EFI_GUID  BoardGuid  = BOARD_SETUP_VARIABLE_GUID;

    Devices.Image->SetPackageList (std::vector<UINT8> (gSetupEngineStringPackageList,
                                     gSetupEngineStringPackageList + gSetupEngineStringPackageListSize));
    Devices.Image->AddSection (Emu::kDefaultDriverFileGuid, SETUP_DATA_SECTION_TYPE, Builders::BuildSetupDataSectionBody (D));
    M.Variables ().Put (u"Setup", BoardGuid, 7, { 1, 2, 3, 4, 5, 6, 7, 8 });
    ASSERT_EQ (SetupEngineDriverEntry (Devices.Image->ImageHandle (), M.SystemTable ()), EFI_SUCCESS);
    SetConsoleModeForScreen ();
  }

  UINT8 DrawnAttribute (UINTN Column, UINTN Row)
  {
    return gTextScreen->Attributes[Row * gTextScreenColumns + Column];
  }

  // Adds an en-US string to the engine's own package list; answers its id.
  UINT16 AddString (const std::u16string &Text)
  {
    EFI_STRING_ID  Id = 0;
    EXPECT_EQ (gHiiString->NewString (gHiiString, gHiiHandle, &Id, (CHAR8 *)"en-US", nullptr,
                 (EFI_STRING)Text.c_str (), nullptr), EFI_SUCCESS);
    return Id;
  }

  // Runs Check once, when the program first waits for a scripted key.
  void AtFirstKey (std::function<void ()> Check)
  {
    auto  Done = std::make_shared<bool> (false);
    Devices.TextIn->Script ().SetWaitHook ([Check, Done] () {
      if (!*Done) {
        *Done = true;
        Check ();
      }
    });
  }

  Emu::HiiServices  *Hii = nullptr;

private:
  void Attach ()
  {
    Hii = &M.Add (std::make_unique<Emu::HiiServices> (M));
    (VOID)PlatformLibConstructor (Devices.Image->ImageHandle (), M.SystemTable ());
    gST = M.SystemTable ();
    gBS = gST->BootServices;
    gRT = gST->RuntimeServices;
    ASSERT_EQ (LocateHiiProtocols (), EFI_SUCCESS);
    ASSERT_EQ (AllocateScreenBuffers (), EFI_SUCCESS);
    if (Devices.TextOut != nullptr) {
      SetConsoleModeForScreen ();       // as the engine does before it draws
      Devices.TextOut->ClearCalls ();
    }
  }

  static void ResetScreenState ()
  {
    gTextScreenRows    = TEXT_SCREEN_MAX_ROWS;
    gTextScreenColumns = TEXT_SCREEN_MAX_COLUMNS;
    gPostWindow        = POST_MESSAGE_WINDOW { 0, TEXT_SCREEN_MAX_ROWS, TEXT_SCREEN_MAX_COLUMNS, FALSE };
    gPostCursorColumn  = 0;
    gPostCursorRow     = 0;
    gHiiFont           = nullptr;
    gHiiString         = nullptr;
    gHiiDatabase       = nullptr;
  }
};

// The engine started on the one-page board, its width table made: from there on no
// pool block may be left behind, and no wait hook outlives the test.
class StartedEngineTest : public TextUiMachineTest {
protected:
  void SetUp () override
  {
    TextUiMachineTest::SetUp ();
    StartEngine ();
    (VOID)GetStringDisplayWidth (u"a");       // the width table lives as long as the engine
    Mark = M.Memory ().AllocationCount ();
  }

  void TearDown () override
  {
    Devices.TextIn->Script ().SetWaitHook (nullptr);
    EXPECT_TRUE (M.Memory ().LeaksSince (Mark).empty ()) << M.Memory ().LeaksSince (Mark).size () << " blocks";
    TextUiMachineTest::TearDown ();
  }

  UINT64  Mark = 0;
};

#endif

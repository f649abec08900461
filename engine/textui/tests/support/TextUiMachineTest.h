// A fixture for the text screens on the emulator's standard machine with the HII
// services (the font gives the cell widths): the engine's firmware tables point at
// the machine, the screen buffers are fresh, and everything the text screen and the
// hotkeys keep in globals is put back afterwards.
#ifndef ENGINE_TEXTUI_TESTS_SUPPORT_TEXT_UI_MACHINE_TEST_H_
#define ENGINE_TEXTUI_TESTS_SUPPORT_TEXT_UI_MACHINE_TEST_H_

#include "../../../core/tests/support/EngineMachineTest.h"

#include <engine/core/EngineGlobals.h>
#include <engine/core/SetupEngine.h>
#include <engine/textui/TextScreen.h>
#include <Library/MemoryAllocationLib.h>

#include <EmulatorHii/HiiServices.h>

#include <memory>
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

  UINT8 DrawnAttribute (UINTN Column, UINTN Row)
  {
    return gTextScreen->Attributes[Row * gTextScreenColumns + Column];
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

#endif

// Controls of the demo board's pages, as the form parser makes them, made through the control-type table
// and driven through their method tables with scripted keys, as a frame would: the
// board's date, time and asset-tag string live in "Setup" (cache index 0), its two
// passwords in the engine's password record (cache index 5).
#ifndef ENGINE_TESTING_DEMO_CONTROLS_H_
#define ENGINE_TESTING_DEMO_CONTROLS_H_

#include <engine/testing/EngineMachineTest.h>
#include "HeldForms.h"

#include <DemoBoard.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/SetupData.h>
#include <engine/variables/VariableCache.h>
#include <engine/textui/TextScreen.h>
#include <engine/textui/TuiApp.h>
#include <engine/textui/TuiControl.h>
#include <engine/browser/DynamicPages.h>
#include <engine/textui/TuiFrame.h>
#include <engine/textui/TuiObject.h>

#include <cstring>
#include <string>
#include <vector>

class DemoControlTest : public EngineMachineTest {
protected:
  void SetUp () override
  {
    EngineMachineTest::SetUp ();
    Board = Demo::BuildBoard ();
    Demo::SeedVariables (M.Variables (), Board);
    ASSERT_EQ (Demo::StartSetupDriver (M, Devices, Board).Status, EFI_SUCCESS);
    InitTextScreenMetrics ();
    ASSERT_EQ (BuildDynamicPages (), EFI_SUCCESS);     // the board's forms as setup shows them
  }

  void TearDown () override
  {
    for (VOID *Control : Made) {
      TuiDestroy (Control, TRUE);
    }

    Devices.TextIn->Script ().SetWaitHook (nullptr);
    FreeDynamicPageTable ();

    EngineMachineTest::TearDown ();
  }

  // The Nth control record of a type, in page order.
  CONTROL_RECORD *Record (UINT16 Type, UINTN Nth = 0)
  {
    // Page 0 holds the links to the others; a page without a handle is not shown.
    for (UINT32 Page = 1; Page < TuiPageCount (); Page++) {
      PAGE_RECORD  *Head = TuiPageRecord (Page);
      for (UINT32 Index = 0; (Head != nullptr) && (Head->HiiHandle != nullptr) && (Index < Head->ControlCount); Index++) {
        CONTROL_RECORD  *Control = TuiPageControl (Head, Index);
        if ((Control != nullptr) && ((Control->ControlType & CONTROL_TYPE_MASK) == Type) && (Nth-- == 0)) {
          return Control;
        }
      }
    }
    ADD_FAILURE () << "no control of type " << Type;
    return nullptr;
  }

  // A control made, bound and initialised as a frame makes it, on row Row with the focus.
  TUI_CONTROL *Make (CONTROL_RECORD *Source, UINT16 Row = 5)
  {
    const TUI_CONTROL_TYPE_ENTRY  *Type    = FindControlType (Source->ControlType);
    VOID                          *Control = nullptr;
    EXPECT_NE (Type, nullptr);
    EXPECT_EQ (TuiCreate (Type->Ops, &Control), EFI_SUCCESS);
    TUI_CONTROL_OPS  *Ops = (TUI_CONTROL_OPS *)Type->Ops;
    if (Type->CallbackFlag != 0) {
      (VOID)Ops->SetCallback (Control, nullptr, Type->Callback, Type->Notification);
    }
    EXPECT_EQ (Ops->Initialize (Control, Source, (VOID *)Type), EFI_SUCCESS);
    (VOID)Ops->SetDimensions (Control, 60, 1);
    (VOID)Ops->SetPosition (Control, 3, Row);
    (VOID)Ops->SetFocus (Control, TRUE);
    Made.push_back (Control);
    return (TUI_CONTROL *)Control;
  }

  static TUI_CONTROL_OPS *Ops (TUI_CONTROL *Control) { return (TUI_CONTROL_OPS *)Control->Header.Ops; }

  // Hands one key to the control as the frame would; the pop-ups it opens read the script.
  EFI_STATUS Key (TUI_CONTROL *Control, UINT16 Scan, CHAR16 Char)
  {
    TUI_INPUT  Event {};
    Event.Kind             = TUI_EVENT_KEY;
    Event.Key.Key.ScanCode    = Scan;
    Event.Key.Key.UnicodeChar = Char;
    return Ops (Control)->HandleAction (Control, &Event);
  }

  EFI_STATUS Enter (TUI_CONTROL *Control, const std::string &Script)
  {
    Devices.TextIn->Script ().Append (Script);
    return Key (Control, SCAN_NULL, CHAR_CARRIAGE_RETURN);
  }

  std::vector<UINT8> Cached (UINT32 Variable, UINTN Offset, UINTN Width)
  {
    std::vector<UINT8>  Bytes (Width, 0xEE);
    EXPECT_EQ (ReadVariableBytes (Variable, Offset, Width, Bytes.data (), FALSE), EFI_SUCCESS);
    return Bytes;
  }

  static std::vector<UINT8> Utf16 (const std::u16string &Text, UINTN Width)
  {
    std::vector<UINT8>  Bytes (Width, 0);
    std::memcpy (Bytes.data (), Text.data (), std::min<UINTN> (Width, Text.size () * 2));
    return Bytes;
  }

  std::u16string Drawn (UINTN Column, UINTN Row, UINTN Count)
  {
    return std::u16string (&gTextScreen->Chars[Row * gTextScreenColumns + Column], Count);
  }

  UINT8 DrawnAttribute (UINTN Column, UINTN Row) { return gTextScreen->Attributes[Row * gTextScreenColumns + Column]; }

  // Whether any row the console shows holds Text.
  bool ConsoleShows (const std::u16string &Text)
  {
    for (UINTN Row = 0; Row < gTextScreenRows; Row++) {
      if (Devices.TextOut->RowText (Row).find (Text) != std::u16string::npos) {
        return true;
      }
    }
    return false;
  }

  // Collects, at every key wait, the texts the console shows that match one of Texts.
  void WatchFor (const std::vector<std::u16string> &Texts)
  {
    Seen.clear ();
    Devices.TextIn->Script ().SetWaitHook ([this, Texts] () {
      for (const std::u16string &Text : Texts) {
        if (ConsoleShows (Text) && (Seen.empty () || (Seen.back () != Text))) {
          Seen.push_back (Text);
        }
      }
    });
  }

  Demo::BOARD                  Board;
  std::vector<VOID *>          Made;
  std::vector<std::u16string>  Seen;
};

#endif

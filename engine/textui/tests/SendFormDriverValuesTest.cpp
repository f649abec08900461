// A driver that keeps its own copy of its store in step with the browser's, as OVMF's
// Boot Maintenance Manager does: every callback reads the browser's copy of the whole
// store through BrowserCallback, takes it as its own and writes it all back, and stores
// its settings only when the browser routes the store to it. A value the user types
// stays shown, a form apply the driver asks for routes it at once, and leaving with a
// save routes it although the driver's store already answers with it.
#include <engine/testing/TextUiMachineTest.h>

#include <engine/browser/DynamicPages.h>
#include <engine/browser/FormBrowser.h>
#include <engine/core/SetupData.h>
#include <engine/core/VariableGuids.h>
#include <engine/textui/TuiApp.h>
#include <Builders/HiiPackageBuilder.h>
#include <Builders/IfrBuilder.h>
#include <EmulatorHii/ConfigString.h>
#include <EmulatorHii/FakeDriver.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr EFI_GUID  kSet   = { 0x5EED0003, 0x0001, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x01 } };
constexpr EFI_GUID  kList  = { 0x5EED0003, 0x0002, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x02 } };
constexpr EFI_GUID  kPath  = { 0x5EED0003, 0x0003, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x03 } };
constexpr EFI_GUID  kStore = { 0x5EED0003, 0x0004, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x04 } };

constexpr EFI_QUESTION_ID  kTimeOut = 0x300;
constexpr EFI_QUESTION_ID  kMode    = 0x301;     // no storage: the driver keeps the value

class SendFormDriverValuesTest : public TextUiMachineTest {
protected:
  void SetUp () override
  {
    TextUiMachineTest::SetUp ();
    StartEngine (BoardWithEngineVariables ());
    Driver = &M.Add (std::make_unique<Emu::FakeDriver> (M, Emu::FakeDriver::VendorPath (kPath)));

    Builders::IfrBuilder  Forms;
    Forms.FormSet (kSet, 1, 2, { EFI_HII_PLATFORM_SETUP_FORMSET_GUID });
    Forms.VarStore (kStore, 1, 4, "Bmm");
    Forms.Form (1, 1);
    Forms.Numeric ({ .Prompt = 3, .Help = 2, .QuestionId = kTimeOut, .VarStoreId = 1, .VarOffset = 0, .Flags = EFI_IFR_FLAG_CALLBACK },
      EFI_IFR_NUMERIC_SIZE_2 | EFI_IFR_DISPLAY_UINT_DEC, 0, 65535, 0);
    Forms.End ();
    Forms.OneOf ({ .Prompt = 4, .Help = 2, .QuestionId = kMode, .VarStoreId = 0, .VarOffset = 0xFFFF, .Flags = EFI_IFR_FLAG_CALLBACK },
      EFI_IFR_NUMERIC_SIZE_1, 0, 0, 0);
    Forms.OneOfOption (5, 0, EFI_IFR_TYPE_NUM_SIZE_8, 0);
    Forms.OneOfOption (6, 0, EFI_IFR_TYPE_NUM_SIZE_8, 1);
    Forms.End ();
    Forms.End ();
    Forms.End ();
    Driver->SetStore (kStore, u"Bmm", { 4, 0, 0, 0 });
    Handle = Driver->Publish (*Hii, Builders::PackageListBuilder (kList).Add (Forms.Package ())
                                     .Add (Builders::BuildStringPackage ("en-US", 1, {
                                       { 1, u"Boot Maintenance" }, { 2, u"" }, { 3, u"Auto Boot Time-out" }, { 4, u"Boot Mode" }, { 5, u"Standard" },
                                       { 6, u"Custom" } }))
                                     .Build ());
    ASSERT_NE (Handle, nullptr);

    Driver->OnCallback = [this] (Emu::FakeDriver &Self, EFI_BROWSER_ACTION Action, EFI_QUESTION_ID Question, UINT8, EFI_IFR_TYPE_VALUE *Value,
                           EFI_BROWSER_ACTION_REQUEST *Request) {
      if (Question == kMode) {
        return ModeCallback (Action, Value);
      }
      if ((Action != EFI_BROWSER_ACTION_CHANGING) && (Action != EFI_BROWSER_ACTION_CHANGED)) {
        return EFI_UNSUPPORTED;
      }
      TakeBrowserCopy (Self);
      if (Action == EFI_BROWSER_ACTION_CHANGED) {
        SeenChanged.push_back (Value->u16);
        *Request = Asked;
      }
      return EFI_SUCCESS;
    };
    Driver->OnRoute = [this] (Emu::FakeDriver &Self, CONST CHAR16 *Configuration, CHAR16 **Progress) {
      Routes++;
      return Self.DefaultRoute (Configuration, Progress);
    };
  }

  void TearDown () override
  {
    Devices.TextIn->Script ().SetWaitHook (nullptr);
    DestroyTuiApp ();
    FreeDynamicPageTable ();
    TextUiMachineTest::TearDown ();
  }

  // The browser's copy of the whole store becomes the driver's own and is written back whole.
  void TakeBrowserCopy (Emu::FakeDriver &Self)
  {
    UINTN                Size = 0;
    std::vector<CHAR16>  Text;

    ASSERT_EQ (BrowserCallback (nullptr, &Size, nullptr, TRUE, &kStore, u"Bmm"), EFI_BUFFER_TOO_SMALL);
    Text.resize (Size / sizeof (CHAR16));
    ASSERT_EQ (BrowserCallback (nullptr, &Size, Text.data (), TRUE, &kStore, u"Bmm"), EFI_SUCCESS);

    std::vector<UINT8>  Path    = Emu::FakeDriver::VendorPath (kPath);
    std::u16string      Whole   = u"GUID=" + Emu::HexBytes (&kStore, sizeof (kStore)) + u"&NAME=" + Emu::HexName (u"Bmm") +
                                  u"&PATH=" + Emu::HexBytes (Path.data (), Path.size ()) + u"&" + Text.data ();
    CHAR16              *Progress = nullptr;
    ASSERT_EQ (Self.DefaultRoute (Whole.c_str (), &Progress), EFI_SUCCESS);

    std::u16string  Back (Text.data ());
    UINTN           BackSize = (Back.size () + 1) * sizeof (CHAR16);
    ASSERT_EQ (BrowserCallback (nullptr, &BackSize, Back.data (), FALSE, &kStore, u"Bmm"), EFI_SUCCESS);
  }

  // The mode lives with the driver, as OVMF's Secure Boot mode does: RETRIEVE gives it,
  // CHANGED takes a new one.
  EFI_STATUS ModeCallback (EFI_BROWSER_ACTION Action, EFI_IFR_TYPE_VALUE *Value)
  {
    if (Action == EFI_BROWSER_ACTION_RETRIEVE) {
      Value->u8 = Mode;
      return EFI_SUCCESS;
    }
    if (Action == EFI_BROWSER_ACTION_CHANGED) {
      Mode = Value->u8;
      if (AskInPopup) {
        // As OVMF's drivers ask: straight on the console, over the page, which they leave as it is.
        EXPECT_EQ (gST->ConOut->SetCursorPosition (gST->ConOut, 10, 6), EFI_SUCCESS);
        EXPECT_EQ (gST->ConOut->OutputString (gST->ConOut, (CHAR16 *)u"| Are you sure? [ Yes ] [ No ] |"), EFI_SUCCESS);
      }
      return EFI_SUCCESS;
    }
    return EFI_UNSUPPORTED;
  }

  // The value drawn on Prompt's row, empty when the row is not shown.
  std::u16string ShownValue (const std::u16string &Prompt)
  {
    for (UINTN Row = 0; Row < Devices.TextOut->Rows (); Row++) {
      std::u16string  Text = Devices.TextOut->RowText (Row);
      size_t          At   = Text.find (Prompt);
      if (At == std::u16string::npos) {
        continue;
      }
      size_t  Start = Text.find_first_not_of (u' ', At + Prompt.size ());
      size_t  End   = (Start == std::u16string::npos) ? Start : Text.find (u' ', Start);
      return (Start == std::u16string::npos) ? u"" : Text.substr (Start, End - Start);
    }
    return u"";
  }

  std::u16string ShownTimeOut () { return ShownValue (u"Auto Boot Time-out"); }

  bool ConsoleShows (const std::u16string &Text)
  {
    for (UINTN Row = 0; Row < Devices.TextOut->Rows (); Row++) {
      if (Devices.TextOut->RowText (Row).find (Text) != std::u16string::npos) {
        return true;
      }
    }
    return false;
  }

  std::vector<UINT8> Stored () const
  {
    const std::vector<UINT8>  *Bytes = Driver->Store (kStore, u"Bmm");
    return (Bytes == nullptr) ? std::vector<UINT8> () : *Bytes;
  }

  Emu::FakeDriver             *Driver = nullptr;
  EFI_HII_HANDLE              Handle  = nullptr;
  EFI_BROWSER_ACTION_REQUEST  Asked   = EFI_BROWSER_ACTION_REQUEST_NONE;
  std::vector<UINT64>         SeenChanged;
  size_t                      Routes = 0;
  UINT8                       Mode   = 0;
  bool                        AskInPopup = false;
};

// 7 typed over the time-out of 4 stays shown, and the driver's CHANGED sees 7. Nothing is
// routed to the driver until the user leaves; leaving asks, and Yes routes the store to
// the driver, which answers with 7 already.
TEST_F (SendFormDriverValuesTest, ATypedValueStaysShownAndLeavingWithASaveRoutesIt)
{
  std::u16string  Shown;
  size_t          RoutesBeforeLeaving = 99;

  Devices.TextIn->Script ().Append ("7,Enter,Esc,Enter");
  Devices.TextIn->Script ().SetWaitHook ([&] () {
    if ((gTuiApp != nullptr) && (Devices.TextIn->Script ().Remaining () == 2)) {
      Shown               = ShownTimeOut ();
      RoutesBeforeLeaving = Routes;
    }
  });
  EXPECT_EQ (SendForm (nullptr, &Handle, 1, nullptr, 0, nullptr, nullptr), EFI_SUCCESS);
  EXPECT_EQ (Devices.TextIn->Script ().Remaining (), 0u);
  EXPECT_EQ (Shown, u"7");
  EXPECT_EQ (SeenChanged, std::vector<UINT64> ({ 7 }));
  EXPECT_EQ (RoutesBeforeLeaving, 0u);
  EXPECT_EQ (Routes, 1u);
  EXPECT_EQ (Stored (), (std::vector<UINT8> { 7, 0, 0, 0 }));
}

// A driver that asks for a form apply on CHANGED has the store routed to it at once; the
// form stays, with the value shown.
TEST_F (SendFormDriverValuesTest, AFormApplyRoutesTheTypedValueAtOnceAndTheFormStays)
{
  EFI_BROWSER_ACTION_REQUEST  Request = 99;
  std::u16string              Shown;
  size_t                      RoutesAfterApply = 99;
  std::vector<UINT8>          StoredAfterApply;

  Asked = EFI_BROWSER_ACTION_REQUEST_FORM_APPLY;
  Devices.TextIn->Script ().Append ("7,Enter,Down");
  Devices.TextIn->Script ().SetWaitHook ([&] () {
    if ((gTuiApp != nullptr) && (Devices.TextIn->Script ().Remaining () == 0) && Shown.empty ()) {
      Shown            = ShownTimeOut ();
      RoutesAfterApply = Routes;
      StoredAfterApply = Stored ();
      (VOID)ProcessActionRequest (EFI_BROWSER_ACTION_REQUEST_EXIT);
    }
  });
  EXPECT_EQ (SendForm (nullptr, &Handle, 1, nullptr, 0, nullptr, &Request), EFI_SUCCESS);
  EXPECT_EQ (Shown, u"7");
  EXPECT_EQ (RoutesAfterApply, 1u);
  EXPECT_EQ (StoredAfterApply, (std::vector<UINT8> { 7, 0, 0, 0 }));
  EXPECT_EQ (Request, (EFI_BROWSER_ACTION_REQUEST)EFI_BROWSER_ACTION_REQUEST_EXIT);
}

// A choice without storage is its driver's: the driver's value shows, the driver takes
// the new one, and a save afterwards has no store to write it to and does not fail for it.
TEST_F (SendFormDriverValuesTest, AChoiceWithoutStorageIsTheDriversAndASaveDoesNotFailForIt)
{
  std::u16string  Before;
  std::u16string  After;
  bool            Refused = false;

  // To the mode, open its list, the next option, take it; F4 and Yes.
  Devices.TextIn->Script ().Append ("Down,Enter,Down,Enter,F4,Enter,Down");
  Devices.TextIn->Script ().SetWaitHook ([&] () {
    size_t  Left = Devices.TextIn->Script ().Remaining ();
    if (gTuiApp == nullptr) {
      return;
    }
    if (Left == 6) {
      Before = ShownValue (u"Boot Mode");
    } else if (Left == 3) {
      After = ShownValue (u"Boot Mode");
    } else if (Left <= 1) {
      Refused = Refused || ConsoleShows (u"could not be saved");
    }
  });
  EXPECT_EQ (SendForm (nullptr, &Handle, 1, nullptr, 0, nullptr, nullptr), EFI_SUCCESS);
  EXPECT_EQ (Before, u"[Standard]");
  EXPECT_EQ (After, u"[Custom]");
  EXPECT_EQ (Mode, 1);
  EXPECT_FALSE (Refused);
  EXPECT_EQ (Devices.TextIn->Script ().Remaining (), 1u);     // the save left the browser
}

// A driver that asks in its own pop-up from CHANGED draws straight on the console; when
// it returns, the page is drawn whole again before the next key, the pop-up gone.
TEST_F (SendFormDriverValuesTest, WhatADriverDrewFromItsCallbackIsDrawnOverBeforeTheNextKey)
{
  bool            Asked     = false;
  bool            LeftAfter = true;
  std::u16string  After;

  AskInPopup = true;
  Devices.TextIn->Script ().Append ("Down,Enter,Down,Enter,Down");
  Devices.TextIn->Script ().SetWaitHook ([&] () {
    if ((gTuiApp == nullptr) || (Devices.TextIn->Script ().Remaining () != 0) || !After.empty ()) {
      return;
    }
    Asked     = (Mode == 1);
    LeftAfter = ConsoleShows (u"Are you sure?");
    After     = ShownValue (u"Boot Mode");
    (VOID)ProcessActionRequest (EFI_BROWSER_ACTION_REQUEST_EXIT);
  });
  EXPECT_EQ (SendForm (nullptr, &Handle, 1, nullptr, 0, nullptr, nullptr), EFI_SUCCESS);
  EXPECT_TRUE (Asked);
  EXPECT_FALSE (LeftAfter);
  EXPECT_EQ (After, u"[Custom]");
}

}  // namespace

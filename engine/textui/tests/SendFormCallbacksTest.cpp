// SendForm with drivers that fill their forms when a form opens: the open and retrieve
// callbacks run before the user sees a form set, also for one a goto loads, and the
// close callbacks when SendForm ends; the action requests drivers return end SendForm
// and reach its caller.
#include <engine/testing/TextUiMachineTest.h>

#include <engine/browser/DynamicPages.h>
#include <engine/browser/FormBrowser.h>
#include <engine/browser/PackageNotify.h>
#include <engine/core/SetupDataFormat.h>
#include <engine/forms/FormTables.h>
#include <engine/core/SetupData.h>
#include <engine/core/VariableGuids.h>
#include <engine/textui/TuiApp.h>
#include <Builders/HiiPackageBuilder.h>
#include <Builders/IfrBuilder.h>
#include <EmulatorHii/FakeDriver.h>
#include <Guid/ConfigurationTables.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr EFI_GUID  kFrontSet  = { 0x5EED0002, 0x0001, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x01 } };
constexpr EFI_GUID  kOtherSet  = { 0x5EED0002, 0x0002, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x02 } };
constexpr EFI_GUID  kFrontList = { 0x5EED0002, 0x0003, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x03 } };
constexpr EFI_GUID  kOtherList = { 0x5EED0002, 0x0004, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x04 } };
constexpr EFI_GUID  kFrontPath = { 0x5EED0002, 0x0005, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x05 } };
constexpr EFI_GUID  kOtherPath = { 0x5EED0002, 0x0006, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x06 } };
constexpr EFI_GUID  kFrontStore = { 0x5EED0002, 0x0007, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x07 } };

constexpr EFI_QUESTION_ID  kGotoQuestion   = 0x100;
constexpr EFI_QUESTION_ID  kFrontAction    = 0x101;
constexpr EFI_QUESTION_ID  kOtherAction    = 0x201;
constexpr EFI_QUESTION_ID  kFrontCheckbox  = 0x102;
constexpr EFI_QUESTION_ID  kPlainQuestion  = 0x301;
constexpr EFI_GUID         kPlainSet       = { 0x5EED0002, 0x0008, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x08 } };
constexpr EFI_GUID         kPlainList      = { 0x5EED0002, 0x0009, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x09 } };
constexpr EFI_GUID         kPlainPath      = { 0x5EED0002, 0x000A, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x0A } };

// Which driver saw which action for which question.
using SEEN = std::vector<std::pair<char, EFI_BROWSER_ACTION>>;

class SendFormCallbacksTest : public TextUiMachineTest {
protected:
  // The engine's fixed variable indexes (up to 25) all taken, as a real board has them:
  // the front form set's store comes after them.
  static Builders::SETUP_DATA_DESC BoardWithEngineVariables ()
  {
    static const EFI_GUID      EngineGuid = ENGINE_SETTINGS_VARIABLE_GUID;
    Builders::SETUP_DATA_DESC  D          = TextUiMachineTest::OnePageBoard ();

    while (D.Variables.size () < 26) {
      D.Variables.push_back ({ .VendorGuid = EngineGuid, .Name = u"Engine" + std::u16string (1, (char16_t)(u'A' + D.Variables.size ())),
                               .Size = 2 });
    }

    return D;
  }

  void SetUp () override
  {
    TextUiMachineTest::SetUp ();
    StartEngine (BoardWithEngineVariables ());
    Front = &M.Add (std::make_unique<Emu::FakeDriver> (M, Emu::FakeDriver::VendorPath (kFrontPath)));
    Other = &M.Add (std::make_unique<Emu::FakeDriver> (M, Emu::FakeDriver::VendorPath (kOtherPath)));

    // The front form: a goto into the other list's form set, an action question with
    // the callback flag and a checkbox in the driver's store; the other form: one such
    // action question.
    std::vector<UINT8>  Ref3 = { 3, 0, 4, 0, (UINT8)kGotoQuestion, (UINT8)(kGotoQuestion >> 8), 0, 0, 0, 0, 0, 1, 0, 0, 0 };
    Ref3.insert (Ref3.end (), (const UINT8 *)&kOtherSet, (const UINT8 *)&kOtherSet + sizeof (kOtherSet));
    Builders::IfrBuilder  FrontForms;
    FrontForms.FormSet (kFrontSet, 1, 2, { EFI_HII_PLATFORM_SETUP_FORMSET_GUID });
    FrontForms.VarStore (kFrontStore, 1, 4, "Front");
    FrontForms.Form (1, 1);
    FrontForms.Op (EFI_IFR_REF_OP, Ref3);
    FrontForms.Action1 ({ .Prompt = 5, .Help = 4, .QuestionId = kFrontAction, .Flags = EFI_IFR_FLAG_CALLBACK });
    FrontForms.Checkbox ({ .Prompt = 6, .Help = 4, .QuestionId = kFrontCheckbox, .VarStoreId = 1, .VarOffset = 2 }, 0);
    FrontForms.End ();
    FrontForms.End ();
    FrontForms.End ();
    Front->SetStore (kFrontStore, u"Front", { 0, 0, 0, 0 });
    FrontHandle = Front->Publish (*Hii, Builders::PackageListBuilder (kFrontList).Add (FrontForms.Package ())
                                          .Add (Builders::BuildStringPackage ("en-US", 1, {
                                            { 1, u"Front" }, { 2, u"" }, { 3, u"Into the other" }, { 4, u"" }, { 5, u"Act" }, { 6, u"Fast" } }))
                                          .Build ());

    Builders::IfrBuilder  OtherForms;
    OtherForms.FormSet (kOtherSet, 1, 2, { EFI_HII_PLATFORM_SETUP_FORMSET_GUID });
    OtherForms.Form (1, 1);
    OtherForms.Action1 ({ .Prompt = 3, .Help = 2, .QuestionId = kOtherAction, .Flags = EFI_IFR_FLAG_CALLBACK });
    OtherForms.End ();
    OtherForms.End ();
    OtherHandle = Other->Publish (*Hii, Builders::PackageListBuilder (kOtherList).Add (OtherForms.Package ())
                                          .Add (Builders::BuildStringPackage ("en-US", 1, { { 1, u"Other" }, { 2, u"" }, { 3, u"Go" } }))
                                          .Build ());
    ASSERT_NE (FrontHandle, nullptr);
    ASSERT_NE (OtherHandle, nullptr);
    Record (*Front, 'F');
    Record (*Other, 'O');
  }

  void TearDown () override
  {
    Devices.TextIn->Script ().SetWaitHook (nullptr);
    DestroyTuiApp ();
    FreeDynamicPageTable ();
    TextUiMachineTest::TearDown ();
  }

  void Record (Emu::FakeDriver &Driver, char Name)
  {
    Driver.OnCallback = [this, Name] (Emu::FakeDriver &, EFI_BROWSER_ACTION Action, EFI_QUESTION_ID, UINT8, EFI_IFR_TYPE_VALUE *,
                          EFI_BROWSER_ACTION_REQUEST *Request) {
      Seen.emplace_back (Name, Action);
      if ((Action == EFI_BROWSER_ACTION_CHANGED) && (Name == Asker)) {
        *Request = Asked;
      }
      return (Action == EFI_BROWSER_ACTION_CHANGED) ? EFI_SUCCESS : EFI_UNSUPPORTED;
    };
  }

  // Runs SendForm over the front list with Keys; unless the keys end it, the browser is
  // told to exit at the key wait after the last key.
  EFI_STATUS Run (const char *Keys, EFI_BROWSER_ACTION_REQUEST *Request, bool KeysEndIt = false)
  {
    Devices.TextIn->Script ().Append (Keys);
    if (!KeysEndIt) {
      Devices.TextIn->Script ().Append ("Down");     // wakes the wait the exit is asked at
    }
    HookEnded = false;
    Devices.TextIn->Script ().SetWaitHook ([this] () {
      if ((gTuiApp != nullptr) && (Devices.TextIn->Script ().Remaining () == 0) && !HookEnded) {
        HookEnded = true;
        (VOID)ProcessActionRequest (EFI_BROWSER_ACTION_REQUEST_EXIT);
      }
    });
    return SendForm (nullptr, &FrontHandle, 1, nullptr, 0, nullptr, Request);
  }

  Emu::FakeDriver             *Front      = nullptr;
  Emu::FakeDriver             *Other      = nullptr;
  EFI_HII_HANDLE              FrontHandle = nullptr;
  EFI_HII_HANDLE              OtherHandle = nullptr;
  SEEN                        Seen;
  char                        Asker       = 0;
  EFI_BROWSER_ACTION_REQUEST  Asked       = EFI_BROWSER_ACTION_REQUEST_NONE;
  bool                        HookEnded   = false;
};

// The front page's driver sees its form open and its values retrieved before any key,
// the other driver when the goto loads its form set, and both see their forms close
// when SendForm ends.
TEST_F (SendFormCallbacksTest, FormsOpenBeforeTheyAreShownAndCloseWhenSendFormEnds)
{
  EFI_BROWSER_ACTION_REQUEST  Request = 9;

  EXPECT_EQ (Run ("Enter,Esc", &Request), EFI_SUCCESS);
  const SEEN  Opening = {
    { 'F', EFI_BROWSER_ACTION_FORM_OPEN }, { 'F', EFI_BROWSER_ACTION_RETRIEVE },
    { 'O', EFI_BROWSER_ACTION_FORM_OPEN }, { 'O', EFI_BROWSER_ACTION_RETRIEVE },
  };
  const SEEN  Closing = { { 'F', EFI_BROWSER_ACTION_FORM_CLOSE }, { 'O', EFI_BROWSER_ACTION_FORM_CLOSE } };
  ASSERT_GE (Seen.size (), Opening.size () + Closing.size ());
  EXPECT_EQ (SEEN (Seen.begin (), Seen.begin () + Opening.size ()), Opening);
  EXPECT_EQ (SEEN (Seen.end () - Closing.size (), Seen.end ()), Closing);
  // In between only values are taken back (leaving without saving); no form opens or closes twice.
  for (auto At = Seen.begin () + Opening.size (); At != Seen.end () - Closing.size (); ++At) {
    EXPECT_EQ (At->second, EFI_BROWSER_ACTION_RETRIEVE) << At->first;
  }
}

// Enter on the front form's action question: the driver's request on CHANGED. The requests
// that leave the form (submit saves and leaves the browser) end SendForm from its first form
// and SendForm hands them to its caller; those that stay leave it running until it is told
// to exit.
TEST_F (SendFormCallbacksTest, EachRequestFromTheFirstFormEitherEndsSendFormWithItOrStays)
{
  const struct {
    EFI_BROWSER_ACTION_REQUEST  Asked;
    bool                        Ends;
  } Cases[] = {
    { EFI_BROWSER_ACTION_REQUEST_RESET,             true  },
    { EFI_BROWSER_ACTION_REQUEST_SUBMIT,            true  },
    { EFI_BROWSER_ACTION_REQUEST_EXIT,              true  },
    { EFI_BROWSER_ACTION_REQUEST_FORM_SUBMIT_EXIT,  true  },
    { EFI_BROWSER_ACTION_REQUEST_FORM_DISCARD_EXIT, true  },
    { EFI_BROWSER_ACTION_REQUEST_FORM_APPLY,        false },
    { EFI_BROWSER_ACTION_REQUEST_FORM_DISCARD,      false },
  };

  for (const auto &Case : Cases) {
    EFI_BROWSER_ACTION_REQUEST  Request = 99;

    Asker = 'F';
    Asked = Case.Asked;
    Seen.clear ();
    EXPECT_EQ (Run ("Down,Enter", &Request, Case.Ends), EFI_SUCCESS) << "request " << Case.Asked;
    EXPECT_EQ (HookEnded, !Case.Ends) << "request " << Case.Asked;
    EXPECT_EQ (Request, Case.Ends ? Case.Asked : (EFI_BROWSER_ACTION_REQUEST)EFI_BROWSER_ACTION_REQUEST_EXIT) << "request " << Case.Asked;
    EXPECT_EQ (gSendFormHandles, nullptr);
  }
}

// A driver that answers submit has what the user changed written to its store, and the
// browser leaves: SendForm returns with the request, no exit needed.
TEST_F (SendFormCallbacksTest, SubmitSavesTheChangedStoreAndLeaves)
{
  EFI_BROWSER_ACTION_REQUEST  Request = 99;

  Asker = 'F';
  Asked = EFI_BROWSER_ACTION_REQUEST_SUBMIT;
  // To the checkbox, switch it on, back to the action question and select it.
  EXPECT_EQ (Run ("Down,Down,+,Up,Enter", &Request, true), EFI_SUCCESS);
  EXPECT_EQ (Request, (EFI_BROWSER_ACTION_REQUEST)EFI_BROWSER_ACTION_REQUEST_SUBMIT);
  ASSERT_NE (Front->Store (kFrontStore, u"Front"), nullptr);
  EXPECT_EQ (*Front->Store (kFrontStore, u"Front"), (std::vector<UINT8> { 0, 0, 1, 0 }));
}

// A form set a goto opened is left for the form the goto was on, not out of SendForm.
TEST_F (SendFormCallbacksTest, LeavingAFormAGotoOpenedGoesBackToTheGotosForm)
{
  const EFI_BROWSER_ACTION_REQUEST  Leaving[] = { EFI_BROWSER_ACTION_REQUEST_FORM_SUBMIT_EXIT, EFI_BROWSER_ACTION_REQUEST_FORM_DISCARD_EXIT };

  for (EFI_BROWSER_ACTION_REQUEST Asked : Leaving) {
    std::vector<EFI_HII_HANDLE>  Shown;
    EFI_BROWSER_ACTION_REQUEST   Request = 99;

    Asker       = 'O';
    this->Asked = Asked;
    Devices.TextIn->Script ().Append ("Enter,Enter,Down");
    Devices.TextIn->Script ().SetWaitHook ([&Shown] () {
      PAGE_RECORD  *Record = nullptr;
      UINT32       Page    = 0;
      if ((gTuiApp == nullptr) || !GetTuiAppCurrentPage (&Page) || EFI_ERROR (GetPageData (Page, &Record))) {
        return;
      }
      Shown.push_back (Record->HiiHandle);
      if (Shown.size () == 3) {
        (VOID)ProcessActionRequest (EFI_BROWSER_ACTION_REQUEST_EXIT);
      }
    });
    EXPECT_EQ (SendForm (nullptr, &FrontHandle, 1, nullptr, 0, nullptr, &Request), EFI_SUCCESS);
    EXPECT_EQ (Shown, std::vector<EFI_HII_HANDLE> ({ FrontHandle, OtherHandle, FrontHandle })) << "request " << Asked;
    EXPECT_EQ (Request, (EFI_BROWSER_ACTION_REQUEST)EFI_BROWSER_ACTION_REQUEST_EXIT);
  }
}

// Whether any row of the console reads Text.
bool
ConsoleShows (Emu::ConsoleOutput &Out, const std::u16string &Text)
{
  for (UINTN Row = 0; Row < Out.Rows (); Row++) {
    if (Out.RowText (Row).find (Text) != std::u16string::npos) {
      return true;
    }
  }
  return false;
}

// Esc on the form SendForm was given, with the driver's store changed: the user is asked,
// as leaving setup with changes asks, and Yes writes the change before SendForm ends.
TEST_F (SendFormCallbacksTest, EscOnAChangedFormAsksAndYesSavesTheChange)
{
  bool  Asked = false;

  Devices.TextIn->Script ().Append ("Down,Down,+,Esc,Enter");
  Devices.TextIn->Script ().SetWaitHook ([this, &Asked] () {
    if ((gTuiApp != nullptr) && (Devices.TextIn->Script ().Remaining () == 1)) {
      Asked = ConsoleShows (*Devices.TextOut, u"Save configuration and exit?");
    }
  });
  EXPECT_EQ (SendForm (nullptr, &FrontHandle, 1, nullptr, 0, nullptr, nullptr), EFI_SUCCESS);
  EXPECT_TRUE (Asked);
  EXPECT_EQ (Devices.TextIn->Script ().Remaining (), 0u);
  ASSERT_NE (Front->Store (kFrontStore, u"Front"), nullptr);
  EXPECT_EQ (*Front->Store (kFrontStore, u"Front"), (std::vector<UINT8> { 0, 0, 1, 0 }));
}

// Nothing changed: Esc leaves without a word.
TEST_F (SendFormCallbacksTest, EscOnAnUnchangedFormLeavesUnasked)
{
  Devices.TextIn->Script ().Append ("Down,Down,Esc");
  EXPECT_EQ (SendForm (nullptr, &FrontHandle, 1, nullptr, 0, nullptr, nullptr), EFI_SUCCESS);
  EXPECT_EQ (Devices.TextIn->Script ().Remaining (), 0u);
  EXPECT_FALSE (ConsoleShows (*Devices.TextOut, u"Save configuration and exit?"));
}

// A question without a varstore changed (as OVMF's RAM disk size is): the firmware's
// browser has nothing of it to save, so Esc leaves without a question and the driver's
// variable is written.
TEST_F (SendFormCallbacksTest, EscAfterChangingAQuestionWithoutAVarStoreLeavesUnasked)
{
  bool  Changed = false;

  // A driver's form set of one question without a varstore and with the callback flag.
  Emu::FakeDriver       &Plain = M.Add (std::make_unique<Emu::FakeDriver> (M, Emu::FakeDriver::VendorPath (kPlainPath)));
  Builders::IfrBuilder  Forms;
  Forms.FormSet (kPlainSet, 1, 2, { EFI_HII_PLATFORM_SETUP_FORMSET_GUID });
  Forms.Form (1, 1);
  Forms.Checkbox ({ .Prompt = 3, .Help = 2, .QuestionId = kPlainQuestion, .Flags = EFI_IFR_FLAG_CALLBACK }, 0);
  Forms.End ();
  Forms.End ();
  Forms.End ();
  EFI_HII_HANDLE  Handle = Plain.Publish (*Hii, Builders::PackageListBuilder (kPlainList).Add (Forms.Package ())
                                                  .Add (Builders::BuildStringPackage ("en-US", 1, { { 1, u"Plain" }, { 2, u"" }, { 3, u"Size" } }))
                                                  .Build ());

  ASSERT_NE (Handle, nullptr);
  Devices.TextIn->Script ().Append ("+,Esc");
  Devices.TextIn->Script ().SetWaitHook ([this, &Changed] () {
    if ((gTuiApp != nullptr) && (Devices.TextIn->Script ().Remaining () == 1)) {
      for (UINTN Row = 0; Row < Devices.TextOut->Rows (); Row++) {
        const std::u16string  Text = Devices.TextOut->RowText (Row);
        Changed = Changed || ((Text.find (u"Size") != std::u16string::npos) && (Text.find (u"[Enabled]") != std::u16string::npos));
      }
    }
  });
  EXPECT_EQ (SendForm (nullptr, &Handle, 1, nullptr, 0, nullptr, nullptr), EFI_SUCCESS);
  EXPECT_TRUE (Changed);
  EXPECT_EQ (Devices.TextIn->Script ().Remaining (), 0u);
  EXPECT_FALSE (ConsoleShows (*Devices.TextOut, u"Save configuration and exit?"));
  EXPECT_EQ (M.Variables ().Lookup (u"Setup", kPlainSet), nullptr);
}

// A store that refuses every value it is given.
EFI_STATUS
RefuseEverything (Emu::FakeDriver &, CONST CHAR16 *, CHAR16 **)
{
  return EFI_DEVICE_ERROR;
}

// "Commit Changes and Exit" with nothing changed: nothing is written, so nothing is
// refused, and the form is left as the driver asked: SendForm ends with its request.
TEST_F (SendFormCallbacksTest, CommitWithNothingChangedLeaves)
{
  EFI_BROWSER_ACTION_REQUEST  Request = 99;
  size_t                      Routes  = 0;

  Front->OnRoute = [&Routes] (Emu::FakeDriver &Driver, CONST CHAR16 *Text, CHAR16 **Progress) {
    Routes++;
    return RefuseEverything (Driver, Text, Progress);
  };
  Asker = 'F';
  Asked = EFI_BROWSER_ACTION_REQUEST_FORM_SUBMIT_EXIT;
  EXPECT_EQ (Run ("Down,Enter", &Request, true), EFI_SUCCESS);
  EXPECT_EQ (Request, (EFI_BROWSER_ACTION_REQUEST)EFI_BROWSER_ACTION_REQUEST_FORM_SUBMIT_EXIT);
  EXPECT_EQ (Routes, 0u);
  EXPECT_FALSE (HookEnded);
}

// A changed value the store refuses: the user is told so, with the form's title, and
// asked whether to drop it; Yes takes the stored values back and leaves the form.
TEST_F (SendFormCallbacksTest, ARefusedCommitSaysSoAndOffersToDiscard)
{
  EFI_BROWSER_ACTION_REQUEST  Request = 99;
  bool                        Told    = false;

  Front->OnRoute = RefuseEverything;
  Asker          = 'F';
  Asked          = EFI_BROWSER_ACTION_REQUEST_FORM_SUBMIT_EXIT;
  // To the checkbox, switch it on, back to the action question, select it; Yes to the box.
  Devices.TextIn->Script ().Append ("Down,Down,+,Up,Enter,Enter");
  Devices.TextIn->Script ().SetWaitHook ([this, &Told] () {
    if ((gTuiApp != nullptr) && (Devices.TextIn->Script ().Remaining () == 1)) {
      Told = ConsoleShows (*Devices.TextOut, u"Submit Fail For Form: Front");
    }
  });
  EXPECT_EQ (SendForm (nullptr, &FrontHandle, 1, nullptr, 0, nullptr, &Request), EFI_SUCCESS);
  EXPECT_TRUE (Told);
  EXPECT_EQ (Request, (EFI_BROWSER_ACTION_REQUEST)EFI_BROWSER_ACTION_REQUEST_FORM_SUBMIT_EXIT);
  ASSERT_NE (Front->Store (kFrontStore, u"Front"), nullptr);
  EXPECT_EQ (*Front->Store (kFrontStore, u"Front"), (std::vector<UINT8> { 0, 0, 0, 0 }));
}

// A driver publishes a form set while the front form shows (OVMF's do when their forms
// open): the pages are made again, and the focus stays on the control it was on.
TEST_F (SendFormCallbacksTest, TheFocusStaysWhereItWasWhenThePagesAreMadeAgain)
{
  constexpr EFI_GUID  kLateList = { 0x5EED0002, 0x0008, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x08 } };
  constexpr EFI_GUID  kLateSet  = { 0x5EED0002, 0x0009, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x09 } };
  UINTN               Waits     = 0;
  UINT32              Focus     = TUI_NO_CONTROL;
  bool                Remade    = false;

  // F11 does nothing: it only wakes the main loop, which makes the pages again between keys.
  Devices.TextIn->Script ().Append ("Down,Down,F11,F11");
  Devices.TextIn->Script ().SetWaitHook ([this, &Waits, &Focus, &Remade, kLateList, kLateSet] () {
    UINT32  Page = 0;
    if ((gTuiApp == nullptr) || !GetTuiAppCurrentPage (&Page)) {
      return;
    }
    ++Waits;
    if (Waits == 3) {
      Builders::IfrBuilder  Late;
      EFI_HII_HANDLE        Handle = nullptr;
      Late.FormSet (kLateSet, 1, 2, { EFI_HII_PLATFORM_SETUP_FORMSET_GUID });
      Late.Form (1, 1);
      Late.End ();
      Late.End ();
      std::vector<UINT8>  List = Builders::PackageListBuilder (kLateList).Add (Late.Package ())
                                   .Add (Builders::BuildStringPackage ("en-US", 1, { { 1, u"Late" }, { 2, u"" } }))
                                   .Build ();
      EXPECT_EQ (gHiiDatabase->NewPackageList (gHiiDatabase, (EFI_HII_PACKAGE_LIST_HEADER *)List.data (), nullptr, &Handle),
                 EFI_SUCCESS);
    } else if (Waits == 4) {
      TUI_FRAME  *Main = FindPageFrame (gTuiApp->Pages[Page], TUI_FRAME_MAIN);
      Focus  = (Main != nullptr) ? Main->Current : TUI_NO_CONTROL;
      Remade = !gPackageNotifyPending;
    } else if (Waits == 5) {
      (VOID)ProcessActionRequest (EFI_BROWSER_ACTION_REQUEST_EXIT);
    }
  });
  Devices.TextIn->Script ().Append ("Down");
  EXPECT_EQ (SendForm (nullptr, &FrontHandle, 1, nullptr, 0, nullptr, nullptr), EFI_SUCCESS);
  EXPECT_TRUE (Remade);
  EXPECT_EQ (Focus, 2u);
}

// What the console shows, every cell: the text and the attributes of each row.
std::vector<std::pair<std::u16string, std::vector<UINT8>>>
ConsoleCells (const Emu::ConsoleOutput &Out)
{
  std::vector<std::pair<std::u16string, std::vector<UINT8>>>  Cells;
  for (UINTN Row = 0; Row < Out.Rows (); Row++) {
    Cells.emplace_back (Out.RowText (Row), Out.RowAttributes (Row));
  }
  return Cells;
}

VOID EFIAPI
IgnoreSignal (EFI_EVENT, VOID *)
{
}

// A driver's callback boots an option as a boot manager's form does (the ready-to-boot group
// signalled, then an image that takes the console, clears it and draws, in its own mode or in
// the page's): when it returns, every cell of the page is drawn again before the next key.
TEST_F (SendFormCallbacksTest, AfterABootFromACallbackReturnsThePageIsDrawnWhole)
{
  for (bool OwnMode : { false, true }) {
    std::vector<std::pair<std::u16string, std::vector<UINT8>>>  Before;
    std::vector<std::pair<std::u16string, std::vector<UINT8>>>  After;

    Front->OnCallback = [&] (Emu::FakeDriver &, EFI_BROWSER_ACTION Action, EFI_QUESTION_ID Question, UINT8,
                          EFI_IFR_TYPE_VALUE *, EFI_BROWSER_ACTION_REQUEST *) {
      if ((Action != EFI_BROWSER_ACTION_CHANGED) || (Question != kFrontAction)) {
        return (Action == EFI_BROWSER_ACTION_CHANGED) ? EFI_SUCCESS : EFI_UNSUPPORTED;
      }
      Before = ConsoleCells (*Devices.TextOut);
      EFI_EVENT  Event = nullptr;
      EXPECT_EQ (gBS->CreateEventEx (EVT_NOTIFY_SIGNAL, TPL_CALLBACK, IgnoreSignal, nullptr, &gEfiEventReadyToBootGuid,
                   &Event), EFI_SUCCESS);
      EXPECT_EQ (gBS->SignalEvent (Event), EFI_SUCCESS);
      EXPECT_EQ (gBS->CloseEvent (Event), EFI_SUCCESS);
      if (OwnMode) {
        EXPECT_EQ (gST->ConOut->SetMode (gST->ConOut, 0), EFI_SUCCESS);
      }
      EXPECT_EQ (gST->ConOut->SetAttribute (gST->ConOut, EFI_LIGHTGRAY), EFI_SUCCESS);
      EXPECT_EQ (gST->ConOut->ClearScreen (gST->ConOut), EFI_SUCCESS);
      EXPECT_EQ (gST->ConOut->OutputString (gST->ConOut, (CHAR16 *)u"Shell> exit"), EFI_SUCCESS);
      return EFI_SUCCESS;
    };
    // To the action question and select it; the last key only wakes the wait the screen is read at.
    Devices.TextIn->Script ().Append ("Down,Enter,Down");
    Devices.TextIn->Script ().SetWaitHook ([&] () {
      if ((gTuiApp == nullptr) || !After.empty () || Before.empty ()) {
        return;
      }
      After = ConsoleCells (*Devices.TextOut);
      (VOID)ProcessActionRequest (EFI_BROWSER_ACTION_REQUEST_EXIT);
    });
    EXPECT_EQ (SendForm (nullptr, &FrontHandle, 1, nullptr, 0, nullptr, nullptr), EFI_SUCCESS);
    Devices.TextIn->Script ().SetWaitHook (nullptr);
    ASSERT_FALSE (Before.empty ()) << "own mode " << OwnMode;
    ASSERT_EQ (After.size (), Before.size ()) << "own mode " << OwnMode;
    for (size_t Row = 0; Row < Before.size (); Row++) {
      EXPECT_EQ (After[Row], Before[Row]) << "own mode " << OwnMode << ", row " << Row;
    }
  }
}

}  // namespace

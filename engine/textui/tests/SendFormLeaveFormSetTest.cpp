// Under SendForm, leaving a form set whose values the user changed asks at that moment
// what becomes of them, as the firmware's own browser asks: Yes submits that form set to
// its driver, No (and Yes to quitting) takes its values back from its store, and No to
// both stays in it. The form set the user came back to keeps its own state.
#include <engine/testing/TextUiMachineTest.h>

#include <engine/browser/DynamicPages.h>
#include <engine/browser/FormBrowser.h>
#include <engine/core/SetupDataFormat.h>
#include <engine/core/SetupData.h>
#include <engine/textui/TuiApp.h>
#include <Builders/HiiPackageBuilder.h>
#include <Builders/IfrBuilder.h>
#include <EmulatorHii/FakeDriver.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr EFI_GUID  kFrontSet   = { 0x5EED0003, 0x0001, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x01 } };
constexpr EFI_GUID  kOtherSet   = { 0x5EED0003, 0x0002, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x02 } };
constexpr EFI_GUID  kFrontList  = { 0x5EED0003, 0x0003, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x03 } };
constexpr EFI_GUID  kOtherList  = { 0x5EED0003, 0x0004, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x04 } };
constexpr EFI_GUID  kFrontPath  = { 0x5EED0003, 0x0005, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x05 } };
constexpr EFI_GUID  kOtherPath  = { 0x5EED0003, 0x0006, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x06 } };
constexpr EFI_GUID  kFrontStore = { 0x5EED0003, 0x0007, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x07 } };
constexpr EFI_GUID  kOtherStore = { 0x5EED0003, 0x0008, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x08 } };

const std::vector<UINT8>  kStored       = { 0, 0, 0, 0 };
const std::vector<UINT8>  kOtherChanged = { 0, 1, 0, 0 };
const std::vector<UINT8>  kFrontChanged = { 0, 0, 1, 0 };

class SendFormLeaveFormSetTest : public TextUiMachineTest {
protected:
  void SetUp () override
  {
    TextUiMachineTest::SetUp ();
    // The form sets' stores come after the engine's fixed variable indexes, as on a real board.
    StartEngine (BoardWithEngineVariables ());
    Front = &M.Add (std::make_unique<Emu::FakeDriver> (M, Emu::FakeDriver::VendorPath (kFrontPath)));
    Other = &M.Add (std::make_unique<Emu::FakeDriver> (M, Emu::FakeDriver::VendorPath (kOtherPath)));

    // The front form: a goto into the other form set, then a checkbox of its own store;
    // the other form: a checkbox of the other driver's store.
    std::vector<UINT8>  Ref3 = { 3, 0, 4, 0, 0x00, 0x01, 0, 0, 0, 0, 0, 1, 0, 0, 0 };
    Ref3.insert (Ref3.end (), (const UINT8 *)&kOtherSet, (const UINT8 *)&kOtherSet + sizeof (kOtherSet));
    Builders::IfrBuilder  FrontForms;
    FrontForms.FormSet (kFrontSet, 1, 2, { EFI_HII_PLATFORM_SETUP_FORMSET_GUID });
    FrontForms.VarStore (kFrontStore, 1, 4, "Front");
    FrontForms.Form (1, 1);
    FrontForms.Op (EFI_IFR_REF_OP, Ref3);
    FrontForms.Checkbox ({ .Prompt = 5, .Help = 4, .QuestionId = 0x102, .VarStoreId = 1, .VarOffset = 2 }, 0);
    FrontForms.End ();
    FrontForms.End ();
    FrontForms.End ();
    Front->SetStore (kFrontStore, u"Front", kStored);
    FrontHandle = Front->Publish (*Hii, Builders::PackageListBuilder (kFrontList).Add (FrontForms.Package ())
                                          .Add (Builders::BuildStringPackage ("en-US", 1, {
                                            { 1, u"Front" }, { 2, u"" }, { 3, u"Into the other" }, { 4, u"" }, { 5, u"Fast" } }))
                                          .Build ());

    Builders::IfrBuilder  OtherForms;
    OtherForms.FormSet (kOtherSet, 1, 2, { EFI_HII_PLATFORM_SETUP_FORMSET_GUID });
    OtherForms.VarStore (kOtherStore, 1, 4, "Other");
    OtherForms.Form (1, 1);
    OtherForms.Checkbox ({ .Prompt = 3, .Help = 2, .QuestionId = 0x201, .VarStoreId = 1, .VarOffset = 1 }, 0);
    OtherForms.End ();
    OtherForms.End ();
    OtherForms.End ();
    Other->SetStore (kOtherStore, u"Other", kStored);
    OtherHandle = Other->Publish (*Hii, Builders::PackageListBuilder (kOtherList).Add (OtherForms.Package ())
                                          .Add (Builders::BuildStringPackage ("en-US", 1, { { 1, u"Other" }, { 2, u"" }, { 3, u"Quiet" } }))
                                          .Build ());
    ASSERT_NE (FrontHandle, nullptr);
    ASSERT_NE (OtherHandle, nullptr);
  }

  void TearDown () override
  {
    Devices.TextIn->Script ().SetWaitHook (nullptr);
    DestroyTuiApp ();
    FreeDynamicPageTable ();
    TextUiMachineTest::TearDown ();
  }

  bool ConsoleShows (const std::u16string &Text)
  {
    for (UINTN Row = 0; Row < Devices.TextOut->Rows (); Row++) {
      if (Devices.TextOut->RowText (Row).find (Text) != std::u16string::npos) {
        return true;
      }
    }

    return false;
  }

  // Runs SendForm over the front list with Keys, which end it. At each key wait: the
  // list of the page shown, whether the save question shows, and the front driver's
  // store as it was when the other driver's store first changed.
  void Run (const char *Keys)
  {
    Devices.TextIn->Script ().Append (Keys);
    Devices.TextIn->Script ().SetWaitHook ([this] () {
      UINT32  Page = 0;
      if ((gTuiApp == nullptr) || !GetTuiAppCurrentPage (&Page)) {
        return;
      }

      Shown.push_back (TuiPageRecord (Page)->HiiHandle);
      Asked.push_back (ConsoleShows (u"Save configuration and exit?"));
      Refused.push_back (ConsoleShows (u"Submit Fail For Form: Other"));
      if (FrontWhenOtherSaved.empty () && (*Other->Store (kOtherStore, u"Other") != kStored)) {
        FrontWhenOtherSaved = *Front->Store (kFrontStore, u"Front");
      }
    });
    EXPECT_EQ (SendForm (nullptr, &FrontHandle, 1, nullptr, 0, nullptr, nullptr), EFI_SUCCESS);
    EXPECT_EQ (Devices.TextIn->Script ().Remaining (), 0u);
  }

  Emu::FakeDriver              *Front      = nullptr;
  Emu::FakeDriver              *Other      = nullptr;
  EFI_HII_HANDLE               FrontHandle = nullptr;
  EFI_HII_HANDLE               OtherHandle = nullptr;
  std::vector<EFI_HII_HANDLE>  Shown;
  std::vector<bool>            Asked;
  std::vector<bool>            Refused;
  std::vector<UINT8>           FrontWhenOtherSaved;
};

// The other form set changed, Esc back to the front page: asked there, and Yes writes the
// other store through its driver before the front page shows; leaving then asks nothing.
TEST_F (SendFormLeaveFormSetTest, EscOutOfAChangedFormSetAsksAndYesSubmitsIt)
{
  Run ("Enter,+,Esc,Enter,Esc");
  ASSERT_EQ (Shown.size (), 5u);
  EXPECT_EQ (Shown, std::vector<EFI_HII_HANDLE> ({ FrontHandle, OtherHandle, OtherHandle, OtherHandle, FrontHandle }));
  EXPECT_EQ (Asked, std::vector<bool> ({ false, false, false, true, false }));
  EXPECT_EQ (*Other->Store (kOtherStore, u"Other"), kOtherChanged);
  EXPECT_EQ (*Front->Store (kFrontStore, u"Front"), kStored);
}

// No, then Yes to quitting without saving: the other store is not written, and its
// values are the store's again, so leaving SendForm has nothing to ask about.
TEST_F (SendFormLeaveFormSetTest, NoDropsTheFormSetsChanges)
{
  Run ("Enter,+,Esc,Right,Enter,Enter,Esc");
  ASSERT_EQ (Shown.size (), 7u);
  EXPECT_EQ (Shown[6], FrontHandle);
  EXPECT_TRUE (Asked[3]);
  EXPECT_FALSE (Asked[6]);
  EXPECT_EQ (*Other->Store (kOtherStore, u"Other"), kStored);
  EXPECT_EQ (*Front->Store (kFrontStore, u"Front"), kStored);
}

// Esc on the question and on the one about quitting: the user stays in the changed form
// set with the change kept, and the next Esc asks again.
TEST_F (SendFormLeaveFormSetTest, EscOnTheQuestionStaysInTheFormSet)
{
  Run ("Enter,+,Esc,Esc,Esc,Esc,Enter,Esc");
  ASSERT_EQ (Shown.size (), 8u);
  EXPECT_EQ (Shown[5], OtherHandle);
  EXPECT_TRUE (Asked[6]);
  EXPECT_EQ (Shown[7], FrontHandle);
  EXPECT_EQ (*Other->Store (kOtherStore, u"Other"), kOtherChanged);
}

// The front form set changed too: submitting the other form set writes nothing of the
// front one, whose change is still asked about when SendForm ends.
TEST_F (SendFormLeaveFormSetTest, TheFormSetComeBackToKeepsItsOwnChanges)
{
  Run ("Down,+,Up,Enter,+,Esc,Enter,Esc,Enter");
  ASSERT_EQ (Shown.size (), 9u);
  EXPECT_EQ (FrontWhenOtherSaved, kStored);
  EXPECT_EQ (Shown[7], FrontHandle);
  EXPECT_TRUE (Asked[8]);
  EXPECT_EQ (*Other->Store (kOtherStore, u"Other"), kOtherChanged);
  EXPECT_EQ (*Front->Store (kFrontStore, u"Front"), kFrontChanged);
}

EFI_STATUS
RefuseEverything (Emu::FakeDriver &, CONST CHAR16 *, CHAR16 **)
{
  return EFI_DEVICE_ERROR;
}

// Yes, and the driver refuses the values: the user is told, and Yes to dropping them
// takes them back from the store and goes on; nothing is left to ask about.
TEST_F (SendFormLeaveFormSetTest, ARefusedSubmitSaysSoAndOffersToDrop)
{
  Other->OnRoute = RefuseEverything;
  Run ("Enter,+,Esc,Enter,Enter,Esc");
  ASSERT_EQ (Shown.size (), 6u);
  EXPECT_TRUE (Refused[4]);
  EXPECT_EQ (Shown[5], FrontHandle);
  EXPECT_FALSE (Asked[5]);
  EXPECT_EQ (*Other->Store (kOtherStore, u"Other"), kStored);
}

// Outside the changed form set nothing is asked: a change of the front form set alone
// lets the user into the other one and back unasked.
TEST_F (SendFormLeaveFormSetTest, LeavingAnUnchangedFormSetAsksNothing)
{
  Run ("Down,+,Up,Enter,Esc,Esc,Enter");
  ASSERT_EQ (Shown.size (), 7u);
  EXPECT_EQ (Shown[4], OtherHandle);
  EXPECT_EQ (Shown[5], FrontHandle);
  EXPECT_FALSE (Asked[5]);
  EXPECT_TRUE (Asked[6]);
  EXPECT_EQ (*Other->Store (kOtherStore, u"Other"), kStored);
  EXPECT_EQ (*Front->Store (kFrontStore, u"Front"), kFrontChanged);
}

}  // namespace

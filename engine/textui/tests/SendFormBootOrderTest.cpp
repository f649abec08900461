// A boot order changed through a driver's ordered list, as OVMF's Boot Maintenance
// Manager offers it: the list holds the options' numbers plus one as UINT32 values in
// the driver's block store, the driver reads the browser's copy of the whole store and
// writes it back from every callback, and its "Commit Changes and Exit" asks for a form
// submit. The new order must reach the driver's store.
#include <engine/testing/TextUiMachineTest.h>

#include <engine/browser/DynamicPages.h>
#include <engine/browser/FormBrowser.h>
#include <engine/core/SetupData.h>
#include <engine/core/VariableGuids.h>
#include <engine/textui/TuiApp.h>
#include <Builders/HiiPackageBuilder.h>
#include <Builders/IfrBuilder.h>
#include <EmulatorHii/FakeDriver.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr EFI_GUID  kSet   = { 0x5EED0004, 0x0001, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x01 } };
constexpr EFI_GUID  kList  = { 0x5EED0004, 0x0002, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x02 } };
constexpr EFI_GUID  kPath  = { 0x5EED0004, 0x0003, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x03 } };
constexpr EFI_GUID  kStore = { 0x5EED0004, 0x0004, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x04 } };

constexpr EFI_QUESTION_ID  kOrder  = 0x500;
constexpr EFI_QUESTION_ID  kCommit = 0x501;
constexpr EFI_QUESTION_ID  kGoto   = 0x502;

constexpr EFI_FORM_ID  kMainForm  = 1;
constexpr EFI_FORM_ID  kOrderForm = 2;
// As in OVMF's store: room for 100 options, far into a store of several kilobytes, after
// a time-out at its start.
constexpr UINT8   kContainers  = 100;
constexpr UINT16  kOrderOffset = 0x2F6;
constexpr UINT16  kStoreSize   = 0x1234;

std::vector<UINT8>
OrderBytes (std::vector<UINT32> Order)
{
  std::vector<UINT8>  Bytes (kStoreSize, 0);

  Order.resize (kContainers, 0);
  std::memcpy (Bytes.data () + kOrderOffset, Order.data (), Order.size () * sizeof (UINT32));
  Bytes[0] = 4;
  return Bytes;
}

class SendFormBootOrderTest : public TextUiMachineTest {
protected:
  void SetUp () override
  {
    TextUiMachineTest::SetUp ();
    StartEngine (BoardWithEngineVariables ());
    Driver = &M.Add (std::make_unique<Emu::FakeDriver> (M, Emu::FakeDriver::VendorPath (kPath)));

    Driver->SetStore (kStore, u"Bmm", OrderBytes ({ 2, 3, 4 }));
    Handle = Driver->Publish (*Hii, Builders::PackageListBuilder (kList).Add (Forms ())
                                     .Add (Builders::BuildStringPackage ("en-US", 1, {
                                       { 1, u"Change Boot Order" }, { 2, u"" }, { 3, u"Change the order" }, { 4, u"DVD-ROM" },
                                       { 5, u"Misc Device" }, { 6, u"Internal Shell" }, { 7, u"Commit Changes and Exit" },
                                       { 8, u"Boot Maintenance" } }))
                                     .Build ());
    ASSERT_NE (Handle, nullptr);

    Driver->OnCallback = [this] (Emu::FakeDriver &, EFI_BROWSER_ACTION Action, EFI_QUESTION_ID Question, UINT8, EFI_IFR_TYPE_VALUE *,
                           EFI_BROWSER_ACTION_REQUEST *Request) {
      if ((Action != EFI_BROWSER_ACTION_CHANGING) && (Action != EFI_BROWSER_ACTION_CHANGED)) {
        return EFI_UNSUPPORTED;
      }
      RoundTripBrowserCopy ();
      if ((Action == EFI_BROWSER_ACTION_CHANGING) && (Question == kGoto) && FillOnGoto) {
        // The order's page is made when its goto is taken, its list in the order stored.
        OrderFilled = true;
        std::vector<UINT8>  List = Builders::PackageListBuilder (kList).Add (Forms ()).Build ();
        EXPECT_EQ (gHiiDatabase->UpdatePackageList (gHiiDatabase, Handle, (EFI_HII_PACKAGE_LIST_HEADER *)List.data ()), EFI_SUCCESS);
      }
      if ((Action == EFI_BROWSER_ACTION_CHANGED) && (Question == kCommit)) {
        *Request = EFI_BROWSER_ACTION_REQUEST_FORM_SUBMIT_EXIT;
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

  // With FillOnGoto the main form leads to the order's form, whose list the driver adds
  // between its labels when the goto is taken; otherwise the order is the first form.
  std::vector<UINT8> Forms () const
  {
    Builders::IfrBuilder  F;

    F.FormSet (kSet, 1, 2, { EFI_HII_PLATFORM_SETUP_FORMSET_GUID });
    F.VarStore (kStore, 1, kStoreSize, "Bmm");
    if (FillOnGoto) {
      F.Form (kMainForm, 8);
      F.Ref ({ .Prompt = 1, .Help = 2, .QuestionId = kGoto, .Flags = EFI_IFR_FLAG_CALLBACK }, kOrderForm);
      F.End ();
    }
    F.Form (FillOnGoto ? kOrderForm : kMainForm, 1);
    F.GuidLabel (0x1000);
    if (OrderFilled || !FillOnGoto) {
      F.OrderedList ({ .Prompt = 3, .Help = 2, .QuestionId = kOrder, .VarStoreId = 1, .VarOffset = kOrderOffset }, kContainers, 0);
      F.OneOfOption (4, 0, EFI_IFR_TYPE_NUM_SIZE_32, 2);
      F.OneOfOption (5, 0, EFI_IFR_TYPE_NUM_SIZE_32, 3);
      F.OneOfOption (6, 0, EFI_IFR_TYPE_NUM_SIZE_32, 4);
      F.End ();
    }
    F.GuidLabel (0xFFFF);
    F.Action1 ({ .Prompt = 7, .Help = 2, .QuestionId = kCommit, .Flags = EFI_IFR_FLAG_CALLBACK });
    F.End ();
    F.End ();
    return F.Package ();
  }

  // The browser's copy of the whole store, read and written back unchanged.
  void RoundTripBrowserCopy ()
  {
    UINTN                Size = 0;
    std::vector<CHAR16>  Text;

    ASSERT_EQ (BrowserCallback (nullptr, &Size, nullptr, TRUE, &kStore, u"Bmm"), EFI_BUFFER_TOO_SMALL);
    Text.resize (Size / sizeof (CHAR16));
    ASSERT_EQ (BrowserCallback (nullptr, &Size, Text.data (), TRUE, &kStore, u"Bmm"), EFI_SUCCESS);
    ASSERT_EQ (BrowserCallback (nullptr, &Size, Text.data (), FALSE, &kStore, u"Bmm"), EFI_SUCCESS);
  }

  std::vector<UINT8> Stored () const
  {
    const std::vector<UINT8>  *Bytes = Driver->Store (kStore, u"Bmm");
    return (Bytes == nullptr) ? std::vector<UINT8> () : *Bytes;
  }

  Emu::FakeDriver  *Driver = nullptr;
  EFI_HII_HANDLE   Handle  = nullptr;
  size_t           Routes  = 0;
  bool             FillOnGoto  = false;
  bool             OrderFilled = false;
};

class SendFormBootOrderPageTest : public SendFormBootOrderTest {
protected:
  void SetUp () override
  {
    FillOnGoto = true;
    SendFormBootOrderTest::SetUp ();
  }
};

}  // namespace

// Enter opens the order, - moves the first option one down, Enter keeps the order; the
// commit's form submit routes the store, which then holds the new order after it.
TEST_F (SendFormBootOrderTest, AMovedOptionIsCommittedToTheDriversStore)
{
  EFI_BROWSER_ACTION_REQUEST  Request = 99;

  Devices.TextIn->Script ().Append ("Enter,-,Enter,Down,Enter");
  EXPECT_EQ (SendForm (nullptr, &Handle, 1, nullptr, 0, nullptr, &Request), EFI_SUCCESS);
  EXPECT_EQ (Devices.TextIn->Script ().Remaining (), 0u);
  EXPECT_EQ (Request, (EFI_BROWSER_ACTION_REQUEST)EFI_BROWSER_ACTION_REQUEST_FORM_SUBMIT_EXIT);
  EXPECT_EQ (Routes, 1u);
  EXPECT_EQ (Stored (), OrderBytes ({ 3, 2, 4 }));
}

// The same on the order's own form, filled by the driver when its goto is taken: the
// commit routes the new order and goes back to the main form.
TEST_F (SendFormBootOrderPageTest, AMovedOptionOnAPageTheDriverFilledIsCommittedToItsStore)
{
  std::vector<UINT8>  StoredAfterCommit;

  Devices.TextIn->Script ().Append ("Enter,Enter,-,Enter,Down,Enter,F11");
  Devices.TextIn->Script ().SetWaitHook ([&] () {
    if ((gTuiApp != nullptr) && (Devices.TextIn->Script ().Remaining () == 0) && StoredAfterCommit.empty ()) {
      StoredAfterCommit = Stored ();
      (VOID)ProcessActionRequest (EFI_BROWSER_ACTION_REQUEST_EXIT);
    }
  });
  EXPECT_EQ (SendForm (nullptr, &Handle, 1, nullptr, 0, nullptr, nullptr), EFI_SUCCESS);
  EXPECT_EQ (Routes, 1u);
  EXPECT_EQ (StoredAfterCommit, OrderBytes ({ 3, 2, 4 }));
}

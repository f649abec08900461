// A fake driver's form set after the dynamic-page build: a question whose refresh
// group is signalled calls its driver only from the main loop's turn, and no more
// once its form set is gone; the page defaults write a default store's values into
// the page's questions; the forms' defaults fill a default cache; submitting the form
// routes the store to its driver, discarding it reads the store back and retrieves.
#include <engine/testing/FormParserTestSupport.h>

#include <engine/browser/DriverCallbacks.h>
#include <engine/browser/DynamicPages.h>
#include <engine/browser/FormBrowser.h>
#include <engine/core/SetupData.h>
#include <engine/variables/VariableCache.h>

#include <Library/MemoryAllocationLib.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

using Builders::BYTES;
using Builders::IFR_QUESTION;

constexpr EFI_GUID  kBoardStore = { 0x6B0C1A10, 0x0001, 0x4B00, { 0x91, 0, 0, 0, 0, 0, 0, 0x01 } };
constexpr EFI_GUID  kGroup      = { 0x6B0C1A10, 0x0002, 0x4B00, { 0x91, 0, 0, 0, 0, 0, 0, 0x02 } };
constexpr EFI_GUID  kPathGuid   = { 0x6B0C1A10, 0x0003, 0x4B00, { 0x91, 0, 0, 0, 0, 0, 0, 0x03 } };

// The default store the forms' manufacturing defaults carry.
constexpr UINT16  kManufacturing = 0x20;

constexpr UINT16  kRefreshed = 0x21;     // a u16 at offset 2, defaults 0x1111 (standard) and 0x2222 (manufacturing)
constexpr UINT16  kChecked   = 0x22;     // a checkbox at offset 5, default 1 (manufacturing)

IFR_QUESTION
Q (UINT16 Id, UINT16 Offset)
{
  return { .Prompt = 11, .Help = 12, .QuestionId = Id, .VarStoreId = 1, .VarOffset = Offset, .Flags = EFI_IFR_FLAG_CALLBACK };
}

VOID EFIAPI
Nothing (EFI_EVENT, VOID *)
{
}

}  // namespace

class DriverFormsTest : public FormParserTest {
protected:
  void SetUp () override
  {
    FormParserTest::SetUp ();
    Builders::IfrBuilder  F;

    F.FormSet (ParserTest::kSetGuid, ParserTest::kSetTitle, ParserTest::kSetHelp, { ParserTest::kPlatformSetup });
    F.DefaultStore (13, EFI_HII_DEFAULT_CLASS_STANDARD);
    F.DefaultStore (14, kManufacturing);
    F.VarStore (kBoardStore, 1, 8, "Board");
    F.Form (1, 10);
    F.Numeric (Q (kRefreshed, 2), EFI_IFR_NUMERIC_SIZE_2, 0, 0xFFFF, 1);
    F.Default (EFI_HII_DEFAULT_CLASS_STANDARD, EFI_IFR_TYPE_NUM_SIZE_16, 0x1111);
    F.Default (kManufacturing, EFI_IFR_TYPE_NUM_SIZE_16, 0x2222);
    F.RefreshId (kGroup);
    F.End ();
    F.Checkbox (Q (kChecked, 5), 0);
    F.Default (kManufacturing, EFI_IFR_TYPE_BOOLEAN, 1);
    F.End ();
    F.End ();
    F.End ();

    Driver = &AddDriver (kPathGuid);
    Driver->SetStore (kBoardStore, u"Board", { 0, 1, 2, 3, 4, 5, 6, 7 });
    Handle = Driver->Publish (*Hii, Builders::PackageListBuilder (ParserTest::kListGuid)
                                      .Add (F.Package ())
                                      .Add (Builders::BuildStringPackage ("en-US", 1, { { 10, u"Form" }, { 11, u"Q" } }))
                                      .Build ());
    ASSERT_NE (Handle, nullptr);
    LoadPlainBoard ();
    ASSERT_EQ (BuildDynamicPages (), EFI_SUCCESS);
    ASSERT_NE (Find (kRefreshed), nullptr);
    Board = Find (kRefreshed)->VariableIndex;
    Driver->ClearCalls ();
  }

  void TearDown () override
  {
    if (Group != nullptr) {
      (VOID)gBS->CloseEvent (Group);
    }
    FreeDynamicPageTable ();
    FreeVariableCaches ();
    FormParserTest::TearDown ();
  }

  static CONTROL_RECORD *Find (UINT16 QuestionId)
  {
    for (UINT32 Page = 1; Page < GetPageCount (); Page++) {
      UINT32  Count = 0;
      (VOID)GetPageControlCount (Page, &Count);
      for (UINT32 N = 0; N < Count; N++) {
        CONTROL_RECORD  *Control = nullptr;
        if (!EFI_ERROR (GetPageControl (Page, N, &Control)) && (Control->QuestionId == QuestionId)) {
          return Control;
        }
      }
    }
    return nullptr;
  }

  void Signal ()
  {
    if (Group == nullptr) {
      ASSERT_EQ (gBS->CreateEventEx (EVT_NOTIFY_SIGNAL, TPL_CALLBACK, Nothing, nullptr, &kGroup, &Group), EFI_SUCCESS);
    }
    ASSERT_EQ (gBS->SignalEvent (Group), EFI_SUCCESS);
  }

  BYTES Cached () const
  {
    return BYTES ((UINT8 *)gVariableCache[Board].Data, (UINT8 *)gVariableCache[Board].Data + gVariableCache[Board].Size);
  }

  Emu::FakeDriver  *Driver = nullptr;
  EFI_HII_HANDLE   Handle  = nullptr;
  EFI_EVENT        Group   = nullptr;
  UINT32           Board   = 0;
};

TEST_F (DriverFormsTest, ASignalledRefreshGroupCallsTheDriverFromTheMainLoopOnly)
{
  UINT16  Page = Find (kRefreshed)->PageNumber;

  Signal ();
  EXPECT_TRUE (Driver->Calls ().empty ());     // nothing at notification time

  EXPECT_FALSE (ProcessQuestionRefreshes (Page + 1));
  ASSERT_EQ (Driver->Calls ().size (), 1u);     // the store's value was read in with the build
  EXPECT_EQ (Driver->Calls ()[0].Op, Emu::ConfigAccessOp::Callback);
  EXPECT_EQ (Driver->Calls ()[0].Action, (EFI_BROWSER_ACTION)EFI_BROWSER_ACTION_CHANGED);
  EXPECT_EQ (Driver->Calls ()[0].QuestionId, kRefreshed);
  EXPECT_EQ (Driver->Calls ()[0].Type, EFI_IFR_TYPE_NUM_SIZE_16);
  EXPECT_EQ (Driver->Calls ()[0].Value, (BYTES { 2, 3 }));

  EXPECT_FALSE (ProcessQuestionRefreshes (Page));     // nothing signalled since
  Signal ();
  EXPECT_TRUE (ProcessQuestionRefreshes (Page));      // the page shown needs a redraw
  EXPECT_EQ (Driver->Calls ().size (), 2u);
}

TEST_F (DriverFormsTest, ARemovedFormSetsRefreshEventIsClosed)
{
  ASSERT_EQ (gHiiDatabase->RemovePackageList (gHiiDatabase, Handle), EFI_SUCCESS);
  ASSERT_EQ (ProcessPackageNotifications (), EFI_SUCCESS);
  ASSERT_EQ (Find (kRefreshed), nullptr);

  Signal ();
  EXPECT_FALSE (ProcessQuestionRefreshes (0));
  EXPECT_TRUE (Driver->Calls ().empty ());
}

TEST_F (DriverFormsTest, PageDefaultsWriteTheStoresValuesIntoThePagesQuestions)
{
  CONTROL_RECORD  Button = *Find (kRefreshed);

  ASSERT_EQ (ApplyPageDefaults (&Button, kManufacturing), EFI_SUCCESS);
  EXPECT_EQ (Cached (), (BYTES { 0, 1, 0x22, 0x22, 4, 1, 6, 7 }));

  ASSERT_EQ (ApplyPageDefaults (&Button, EFI_HII_DEFAULT_CLASS_STANDARD), EFI_SUCCESS);
  EXPECT_EQ (Cached (), (BYTES { 0, 1, 0x11, 0x11, 4, 1, 6, 7 }));     // the checkbox has no standard default

  ASSERT_EQ (ApplyPageDefaults (&Button, 7), EFI_SUCCESS);              // a store no question names
  EXPECT_EQ (Cached (), (BYTES { 0, 1, 0x11, 0x11, 4, 1, 6, 7 }));
  EXPECT_EQ (*Driver->Store (kBoardStore, u"Board"), (BYTES { 0, 1, 2, 3, 4, 5, 6, 7 }));     // the cache only

  Button.PageNumber = 0;     // the link page has no package list
  EXPECT_EQ (ApplyPageDefaults (&Button, EFI_HII_DEFAULT_CLASS_STANDARD), EFI_UNSUPPORTED);
  EXPECT_EQ (ApplyPageDefaults (nullptr, EFI_HII_DEFAULT_CLASS_STANDARD), EFI_UNSUPPORTED);
}

TEST_F (DriverFormsTest, TheFormsDefaultsFillTheDefaultCacheAskedFor)
{
  UINTN                 Count = GetVariableCount ();
  VARIABLE_CACHE_ENTRY  *Mfg  = (VARIABLE_CACHE_ENTRY *)AllocateZeroPool (Count * sizeof (VARIABLE_CACHE_ENTRY));
  VARIABLE_CACHE_ENTRY  *Std  = (VARIABLE_CACHE_ENTRY *)AllocateZeroPool (Count * sizeof (VARIABLE_CACHE_ENTRY));

  LoadDefaultsFromForms (Mfg, LOAD_DEFAULTS_MANUFACTURING);
  LoadDefaultsFromForms (Std, LOAD_DEFAULTS_STANDARD);
  ASSERT_GE (Mfg[Board].Size, 6u);
  ASSERT_GE (Std[Board].Size, 6u);
  EXPECT_EQ (BYTES ((UINT8 *)Mfg[Board].Data + 2, (UINT8 *)Mfg[Board].Data + 6), (BYTES { 0x22, 0x22, 0, 1 }));
  EXPECT_EQ (BYTES ((UINT8 *)Std[Board].Data + 2, (UINT8 *)Std[Board].Data + 6), (BYTES { 0x11, 0x11, 0, 0 }));
  for (UINTN Index = 0; Index < Count; Index++) {
    FreePool (Mfg[Index].Data);
    FreePool (Std[Index].Data);
  }
  FreePool (Mfg);
  FreePool (Std);
}

TEST_F (DriverFormsTest, DiscardingTheFormReadsTheStoreBackAndRetrievesEveryCallbackQuestion)
{
  UINT16  Page = Find (kRefreshed)->PageNumber;
  UINT8   Changed[2] = { 0xAA, 0xBB };

  ASSERT_EQ (WriteVariableBytes (Board, 2, sizeof (Changed), Changed), EFI_SUCCESS);
  ASSERT_EQ (DiscardForm (Page), EFI_SUCCESS);
  EXPECT_EQ (Cached (), (BYTES { 0, 1, 2, 3, 4, 5, 6, 7 }));

  std::vector<Emu::CONFIG_ACCESS_CALL>  Callbacks;
  for (const Emu::CONFIG_ACCESS_CALL &Call : Driver->Calls ()) {
    if (Call.Op == Emu::ConfigAccessOp::Callback) {
      Callbacks.push_back (Call);
    }
  }
  ASSERT_EQ (Callbacks.size (), 2u);
  EXPECT_EQ (Callbacks[0].Action, (EFI_BROWSER_ACTION)EFI_BROWSER_ACTION_RETRIEVE);
  EXPECT_EQ (Callbacks[0].QuestionId, kRefreshed);
  EXPECT_EQ (Callbacks[0].Type, EFI_IFR_TYPE_NUM_SIZE_16);
  EXPECT_EQ (Callbacks[0].Value, (BYTES { 2, 3 }));
  EXPECT_EQ (Callbacks[1].QuestionId, kChecked);
  EXPECT_EQ (Callbacks[1].Type, EFI_IFR_TYPE_BOOLEAN);
  EXPECT_EQ (Callbacks[1].Value, (BYTES { 5 }));
}

TEST_F (DriverFormsTest, SubmittingTheFormRoutesTheWholeStoreToItsDriver)
{
  UINT8  Changed[2] = { 0xAA, 0xBB };

  ASSERT_EQ (WriteVariableBytes (Board, 2, sizeof (Changed), Changed), EFI_SUCCESS);
  ASSERT_EQ (SubmitForm (Find (kRefreshed)->PageNumber), EFI_SUCCESS);
  EXPECT_EQ (*Driver->Store (kBoardStore, u"Board"), (BYTES { 0, 1, 0xAA, 0xBB, 4, 5, 6, 7 }));
  size_t  Routes = 0;
  for (const Emu::CONFIG_ACCESS_CALL &Call : Driver->Calls ()) {
    if (Call.Op == Emu::ConfigAccessOp::Route) {
      Routes++;
      EXPECT_NE (Call.Text.find (u"&OFFSET=0&WIDTH=8&VALUE=07060504bbaa0100"), std::u16string::npos);
    }
  }
  EXPECT_EQ (Routes, 1u);
}

// The dynamic-page build: compiled pages bound to the live form sets that drivers
// publish, pages parsed from live packages, the links of the first page, the
// "DynamicPageCount" variable, the rebuilt working tables and their teardown.
#include <engine/testing/FormParserTestSupport.h>

#include <engine/browser/DynamicPages.h>
#include <engine/core/EngineGlobals.h>
#include <engine/browser/FormBrowser.h>
#include <engine/browser/PackageNotify.h>
#include <engine/core/SetupData.h>
#include <engine/variables/VariableCacheInternal.h>
#include <frontend/FrontEndServices.h>
#include <frontend/MenuTree.h>

#include <Protocol/DevicePathToText.h>
#include <Library/BaseLib.h>
#include <Library/MemoryAllocationLib.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace ParserTest;
using Builders::IfrBuilder;

namespace {

constexpr EFI_GUID  kBoardGuid = { 0x5A5A0001, 0x1111, 0x4222, { 0x83, 0x33, 0, 0, 0, 0, 0, 0x01 } };
constexpr EFI_GUID  kMainGuid  = { 0x7B59104A, 0xC00D, 0x4158, { 0x87, 0xFF, 0xF0, 0x4D, 0x63, 0x96, 0xA9, 0x15 } };
constexpr EFI_GUID  kOtherSet  = { 0x1A2B3C4D, 0x0009, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x09 } };
constexpr EFI_GUID  kCountGuid = DYNAMIC_PAGE_COUNT_VARIABLE_GUID;

// A form set with two forms, form 1 linking to form 2; TextAt receives the offset of form 2's text.
IfrBuilder
TwoForms (const EFI_GUID &Guid, size_t *TextAt = nullptr, const std::vector<EFI_GUID> &Classes = { kPlatformSetup })
{
  IfrBuilder  F;
  size_t      Text;

  F.FormSet (Guid, kSetTitle, kSetHelp, Classes);
  F.Form (1, 10);
  F.Ref ({ 11, 12, 0x100, 0, 0, 0 }, 2);
  F.End ();
  F.Form (2, 20);
  Text = F.Text (21, 22);
  F.End ();
  F.End ();
  if (TextAt != nullptr) {
    *TextAt = Text;
  }
  return F;
}

}  // namespace

class DynamicPagesTest : public FormParserTest {
protected:
  void TearDown () override
  {
    FreeDynamicPageTable ();
    FreeSetupMenuTree ();
    FormParserTest::TearDown ();
  }

  // The board: page 0 with Own controls, then the given pages.
  void LoadBoard (std::vector<Builders::SETUP_PAGE_DESC> Pages, std::vector<Builders::SETUP_FORM_SET_DESC> Sets, size_t Own = 1)
  {
    Builders::SETUP_DATA_DESC   Desc;
    Builders::SETUP_PAGE_DESC   First;

    First.FormSetIndex = 0;
    First.FormId       = 1;
    for (size_t N = 0; N < Own; N++) {
      First.Controls.push_back ({ .ControlType = CONTROL_TYPE_TEXT, .PromptStringId = (uint16_t)(30 + N) });
    }
    Desc.Pages.push_back (First);
    Desc.Pages.insert (Desc.Pages.end (), Pages.begin (), Pages.end ());
    Desc.FormSets.push_back ({ .Guid = kBoardGuid });
    Desc.FormSets.insert (Desc.FormSets.end (), Sets.begin (), Sets.end ());
    LoadSetupData (Desc);
  }

  static UINT64 StoredCount ()
  {
    UINT64    Value = 0xDEAD;
    UINTN     Size  = sizeof (Value);
    UINT32    Attributes = 0;
    EFI_GUID  Guid  = kCountGuid;

    EXPECT_EQ (gRT->GetVariable ((CHAR16 *)u"DynamicPageCount", &Guid, &Attributes, &Size, &Value), EFI_SUCCESS);
    EXPECT_EQ (Attributes, (UINT32)EFI_VARIABLE_BOOTSERVICE_ACCESS);
    EXPECT_EQ (Size, sizeof (Value));
    return Value;
  }

  static PAGE_RECORD *Page (UINTN Index)
  {
    PAGE_RECORD  *Record = nullptr;
    EXPECT_EQ (GetPageData (Index, &Record), EFI_SUCCESS);
    return Record;
  }

  static CONTROL_RECORD *PageControl (UINTN Index, UINTN N) { return GetWorkPageControl (Page (Index), N); }
};

TEST_F (DynamicPagesTest, WithoutLiveFormSetsOnlyTheExtraSlotRemainsAndCompiledPagesKeepNoHandle)
{
  Builders::SETUP_PAGE_DESC  Second { .FormSetIndex = 1, .FormId = 1, .ParentPageNumber = 0 };

  Second.Controls.push_back ({ .ControlType = CONTROL_TYPE_TEXT });
  LoadBoard ({ Second }, { { .Guid = kSetGuid, .FormsPackageLength = 100 } });

  ASSERT_EQ (BuildDynamicPages (), EFI_SUCCESS);
  EXPECT_EQ (gDynamicPageSlotCount, 1u);
  ASSERT_EQ (GetPageCount (), 2u);
  EXPECT_EQ (Page (0)->HiiHandle, nullptr);
  EXPECT_EQ (Page (1)->HiiHandle, nullptr);
  EXPECT_EQ (Page (0)->ControlCount, 1u);
  EXPECT_EQ (StoredCount (), 0u);
  // The extra slot's block carries the board's form-set GUID after a zero header.
  EXPECT_EQ (CompareMem (gDynamicPageTable[0].Package + 6, &kBoardGuid, sizeof (EFI_GUID)), 0);
}

TEST_F (DynamicPagesTest, CompiledPageOfALiveFormSetPointsIntoTheSlotsPackageCopy)
{
  size_t                     TextAt = 0;
  IfrBuilder                 Live   = TwoForms (kSetGuid, &TextAt);
  EFI_HII_HANDLE             Handle = Keep (Live);
  Builders::SETUP_PAGE_DESC  Second { .FormSetIndex = 1, .FormId = 2, .ParentPageNumber = 0 };

  Second.Controls.push_back ({ .ControlType = CONTROL_TYPE_TEXT, .QuestionOpcode = (uint32_t)TextAt });
  LoadBoard ({ Second }, { { .Guid = kSetGuid, .FormsPackageLength = (uint32_t)Live.Package ().size () } });

  ASSERT_EQ (BuildDynamicPages (), EFI_SUCCESS);
  ASSERT_EQ (gDynamicPageSlotCount, 2u);
  EXPECT_EQ (gDynamicPageTable[0].HiiHandle, Handle);
  EXPECT_EQ (gDynamicPageTable[0].Parsed, 1);
  EXPECT_EQ (gDynamicPageTable[1].HiiHandle, Handle);     // the extra slot takes slot 0's handle
  ASSERT_EQ (GetPageCount (), 2u);                       // bound, so not parsed again
  EXPECT_EQ (Page (1)->HiiHandle, Handle);
  EXPECT_EQ (PageControl (1, 0)->HiiHandle, Handle);
  EXPECT_EQ (PageControl (1, 0)->QuestionOpcode, (UINT64)(UINTN)(gDynamicPageTable[0].Package + TextAt));
  EXPECT_EQ (StoredCount (), 0u);
}

TEST_F (DynamicPagesTest, LengthMismatchReplacesTheCompiledPagesByParsedOnesInTheirPlace)
{
  IfrBuilder                 Live   = TwoForms (kSetGuid);
  EFI_HII_HANDLE             Handle = Keep (Live);
  Builders::SETUP_PAGE_DESC  Second { .FormSetIndex = 1, .FormId = 2 };

  Second.Controls.push_back ({ .ControlType = CONTROL_TYPE_TEXT });
  LoadBoard ({ Second }, { { .Guid = kSetGuid, .FormsPackageLength = (uint32_t)Live.Package ().size () + 1 } });

  ASSERT_EQ (BuildDynamicPages (), EFI_SUCCESS);
  ASSERT_EQ (GetPageCount (), 3u);       // the link page and the live form set's two forms
  EXPECT_EQ (Page (1)->HiiHandle, Handle);
  EXPECT_EQ (Page (1)->FormId, 1);
  EXPECT_EQ (Page (2)->FormId, 2);
  EXPECT_EQ (PageControl (1, 0)->RefTargetPage, 2);
  EXPECT_EQ (StoredCount (), 0u);       // a compiled form set is not a dynamic one
}

TEST_F (DynamicPagesTest, OnlyParsedDynamicFormSetsAreCounted)
{
  Keep (TwoForms (kOtherSet));
  Keep (TwoForms (kListGuid, nullptr, { kOtherClass }));     // skipped for its class
  LoadBoard ({}, {});

  ASSERT_EQ (BuildDynamicPages (), EFI_SUCCESS);
  EXPECT_EQ (gDynamicPageSlotCount, 3u);
  EXPECT_EQ (gDynamicPageCount, 1u);
  EXPECT_EQ (StoredCount (), 1u);
  ASSERT_EQ (GetPageCount (), 3u);
  EXPECT_EQ (Page (1)->HiiHandle, gDynamicPageTable[0].HiiHandle);
  // The parser linked the dynamic form set from the first page, behind its own control.
  EXPECT_GT (Page (0)->ControlCount, 1u);
}

TEST_F (DynamicPagesTest, AFormSetSendFormWasGivenBecomesPagesWhateverItsClass)
{
  EFI_HII_HANDLE  Handle = Keep (TwoForms (kListGuid, nullptr, { kOtherClass }));
  LoadBoard ({}, {});

  gSendFormHandles     = &Handle;
  gSendFormHandleCount = 1;
  const EFI_STATUS  Status = BuildDynamicPages ();
  gSendFormHandles     = nullptr;
  gSendFormHandleCount = 0;
  ASSERT_EQ (Status, EFI_SUCCESS);
  EXPECT_EQ (gDynamicPageCount, 1u);
  ASSERT_EQ (GetPageCount (), 3u);
  EXPECT_EQ (Page (1)->HiiHandle, Handle);
  EXPECT_EQ (Page (2)->HiiHandle, Handle);
}

TEST_F (DynamicPagesTest, TopLevelTableLinksItsPagesFromTheFirstPage)
{
  Builders::SETUP_PAGE_DESC  Main { .FormSetIndex = 1, .FormId = 10004, .TitleStringId = 44 };

  Main.Controls.push_back ({ .ControlType = CONTROL_TYPE_TEXT });
  LoadBoard ({ Main }, { { .Guid = kMainGuid } }, 3);

  ASSERT_EQ (BuildDynamicPages (), EFI_SUCCESS);
  ASSERT_EQ (Page (0)->ControlCount, 5u);     // its three, the offset-0 entry and the link
  EXPECT_EQ (ReadUnaligned32 ((UINT8 *)Page (0) + sizeof (PAGE_RECORD) + 4 * 3), 0u);

  CONTROL_RECORD  *Link = PageControl (0, 4);
  ASSERT_NE (Link, nullptr);
  EXPECT_EQ (Link->ControlType, CONTROL_TYPE_REF);
  EXPECT_EQ (Link->RefTargetPage, 1);
  EXPECT_EQ (Link->Flags, (UINT32)CONTROL_FLAG_VALID);
  const UINT8  *Op = (const UINT8 *)(UINTN)Link->QuestionOpcode;
  ASSERT_NE (Op, nullptr);
  EXPECT_EQ (Op[0], EFI_IFR_REF_OP);
  EXPECT_EQ (Op[1], 15);
  EXPECT_EQ (ReadUnaligned16 ((const UINT16 *)(Op + 2)), 44);
}

TEST_F (DynamicPagesTest, SeventhTopLevelEntryTakesTwoOffsetZeroEntries)
{
  std::vector<Builders::SETUP_PAGE_DESC>  Pages;

  // Page 0 and six more top-level pages bring the counter to 7 before the link.
  for (uint16_t N = 0; N < 6; N++) {
    Pages.push_back ({ .FormSetIndex = 0, .FormId = (uint16_t)(100 + N) });
  }
  Pages.push_back ({ .FormSetIndex = 1, .FormId = 10009, .ParentPageNumber = 1 });
  LoadBoard (Pages, { { .Guid = kMainGuid } });

  ASSERT_EQ (BuildDynamicPages (), EFI_SUCCESS);
  EXPECT_EQ (gTopLevelLinkCount, 8u);
  EXPECT_EQ (Page (0)->ControlCount, 1u + 2u + 1u);
}

TEST_F (DynamicPagesTest, RebuildingGivesTheSameTablesAndTheCountStays)
{
  Keep (TwoForms (kOtherSet));
  LoadBoard ({}, {});

  ASSERT_EQ (BuildDynamicPages (), EFI_SUCCESS);
  UINT32  Pages = GetPageCount ();
  UINT32  Links = Page (0)->ControlCount;

  ASSERT_EQ (BuildDynamicPages (), EFI_SUCCESS);
  EXPECT_EQ (GetPageCount (), Pages);
  EXPECT_EQ (Page (0)->ControlCount, Links);
  EXPECT_EQ (StoredCount (), 1u);

  FreeDynamicPageTable ();
  EXPECT_EQ (gSetupData, gCompiledSetupData);
  EXPECT_EQ (gPageList, gCompiledPageList);
  EXPECT_EQ (GetPageCount (), 1u);
  EXPECT_EQ (gDynamicPageTable, nullptr);
}

TEST_F (DynamicPagesTest, PackageListsPublishedAfterTheBuildAreQueuedWithTheirForms)
{
  LoadBoard ({}, {});
  ASSERT_EQ (BuildDynamicPages (), EFI_SUCCESS);

  IfrBuilder      Live   = TwoForms (kOtherSet);
  EFI_HII_HANDLE  Handle = Keep (Live);

  ASSERT_NE (gPendingPackageNotify, nullptr);
  ASSERT_EQ (gPendingPackageNotify->Count, 1u);
  EXPECT_TRUE (gPackageNotifyPending);
  EXPECT_EQ (gPendingPackageNotify->First->HiiHandle, Handle);
  EXPECT_EQ (gPendingPackageNotify->First->NotifyType, (UINTN)EFI_HII_DATABASE_NOTIFY_NEW_PACK);
  ASSERT_NE (gPendingPackageNotify->First->Package, nullptr);
  EXPECT_EQ (CompareMem (gPendingPackageNotify->First->Package, Live.Package ().data (), Live.Package ().size ()), 0);

  FreeDynamicPageTable ();     // the registrations end with the table
  Keep (TwoForms (kSetGuid));
  EXPECT_EQ (gPendingPackageNotify, nullptr);
}

//
// Form sets that come and go while setup runs.
//
class DynamicPageChangesTest : public DynamicPagesTest {
protected:
  // The pages of a package list: {form id, page number of the REF's target on form 1}.
  static std::vector<UINT32> PagesOf (EFI_HII_HANDLE Handle)
  {
    std::vector<UINT32>  Result;

    for (UINT32 Index = 1; Index < GetPageCount (); Index++) {
      if (Page (Index)->HiiHandle == Handle) {
        Result.push_back (Index);
      }
    }
    return Result;
  }

public:
  // Form 1's link leads to the page of form 2 of the same list.
  static void ExpectLinked (EFI_HII_HANDLE Handle)
  {
    std::vector<UINT32>  Pages = PagesOf (Handle);

    ASSERT_EQ (Pages.size (), 2u);
    EXPECT_EQ (Page (Pages[0])->FormId, 1);
    EXPECT_EQ (Page (Pages[1])->FormId, 2);
    EXPECT_EQ (PageControl (Pages[0], 0)->RefTargetPage, Pages[1]);
    EXPECT_EQ (PageControl (Pages[0], 0)->HiiHandle, Handle);
  }
};

TEST_F (DynamicPageChangesTest, PublishedRemovedAndRepublishedFormSetsKeepPagesLinksAndCountRight)
{
  Keep (TwoForms (kOtherSet));
  LoadBoard ({}, {});
  ASSERT_EQ (BuildDynamicPages (), EFI_SUCCESS);
  ASSERT_EQ (StoredCount (), 1u);
  ASSERT_EQ (BuildSetupMenuTree (), EFI_SUCCESS);     // as setup entry does

  EFI_HII_HANDLE  Second = Keep (TwoForms (kSetGuid));
  ASSERT_EQ (ProcessPackageNotifications (), EFI_SUCCESS);
  EXPECT_EQ (gDynamicPageSlotCount, 3u);
  EXPECT_EQ (StoredCount (), 2u);
  ExpectLinked (Second);
  EXPECT_EQ (gPendingPackageNotify->Count, 0u);

  ASSERT_EQ (gHiiDatabase->RemovePackageList (gHiiDatabase, Second), EFI_SUCCESS);
  ASSERT_EQ (ProcessPackageNotifications (), EFI_SUCCESS);
  EXPECT_TRUE (PagesOf (Second).empty ());
  EXPECT_TRUE (PagesOf (PAGE_REPARSE_PENDING).empty ());
  EXPECT_EQ (StoredCount (), 1u);
  EXPECT_EQ (GetQueuedMenuEntryCount (), 2u);     // the entries of the set's two pages

  EFI_HII_HANDLE  Again = Keep (TwoForms (kSetGuid));
  ASSERT_EQ (ProcessPackageNotifications (), EFI_SUCCESS);
  EXPECT_EQ (StoredCount (), 2u);
  ExpectLinked (Again);
  ExpectLinked (gDynamicPageTable[0].HiiHandle);
}

TEST_F (DynamicPageChangesTest, RemovingAFormSetThatWasNeverCountedLeavesTheCount)
{
  IfrBuilder                 Live   = TwoForms (kSetGuid);
  EFI_HII_HANDLE             Handle = Keep (Live);
  Builders::SETUP_PAGE_DESC  Second { .FormSetIndex = 1, .FormId = 2 };

  LoadBoard ({ Second }, { { .Guid = kSetGuid, .FormsPackageLength = (uint32_t)Live.Package ().size () } });
  ASSERT_EQ (BuildDynamicPages (), EFI_SUCCESS);
  ASSERT_EQ (StoredCount (), 0u);

  ASSERT_EQ (gHiiDatabase->RemovePackageList (gHiiDatabase, Handle), EFI_SUCCESS);
  ASSERT_EQ (ProcessPackageNotifications (), EFI_SUCCESS);
  EXPECT_EQ (gDynamicPageCount, 0u);
  EXPECT_EQ (Page (1)->HiiHandle, nullptr);
}

TEST_F (DynamicPageChangesTest, AListPublishedAndRemovedBeforeTheMainLoopLeavesNothingQueued)
{
  LoadBoard ({}, {});
  ASSERT_EQ (BuildDynamicPages (), EFI_SUCCESS);
  UINT32  Pages = GetPageCount ();

  EFI_HII_HANDLE  Handle = Keep (TwoForms (kSetGuid));
  ASSERT_EQ (gHiiDatabase->RemovePackageList (gHiiDatabase, Handle), EFI_SUCCESS);
  ASSERT_EQ (gPendingPackageNotify->Count, 2u);
  ASSERT_EQ (ProcessPackageNotifications (), EFI_SUCCESS);
  EXPECT_EQ (gPendingPackageNotify->Count, 0u);
  EXPECT_EQ (GetPageCount (), Pages);
  EXPECT_EQ (gDynamicPageSlotCount, 1u);
  EXPECT_EQ (gDynamicPageCount, 0u);
}

TEST_F (DynamicPageChangesTest, AnUpdatedFormSetIsParsedAgainInItsOldPagesAndCountedOnce)
{
  EFI_HII_HANDLE  Handle = Keep (TwoForms (kSetGuid));
  LoadBoard ({}, {});
  ASSERT_EQ (BuildDynamicPages (), EFI_SUCCESS);
  std::vector<UINT32>  Before = PagesOf (Handle);

  Builders::PackageListBuilder  List (kListGuid);
  List.Add (TwoForms (kSetGuid).Package ());
  Builders::BYTES  Bytes = List.Build ();
  ASSERT_EQ (gHiiDatabase->UpdatePackageList (gHiiDatabase, Handle, (EFI_HII_PACKAGE_LIST_HEADER *)Bytes.data ()), EFI_SUCCESS);
  ASSERT_EQ (ProcessPackageNotifications (), EFI_SUCCESS);

  EXPECT_EQ (PagesOf (Handle), Before);
  ExpectLinked (Handle);
  EXPECT_EQ (StoredCount (), 1u);
}

// The driver of the two forms fills its first one (a link and a longer text) through
// the HII database, as a driver does from its form-open callback.
static void
RefillFirstForm (EFI_HII_HANDLE List)
{
  IfrBuilder  Filled;
  Filled.FormSet (kSetGuid, kSetTitle, kSetHelp, { kPlatformSetup });
  Filled.Form (1, 10);
  Filled.Ref ({ 11, 12, 0x100, 0, 0, 0 }, 2);
  Filled.Text (21, 22, 22);
  Filled.End ();
  Filled.Form (2, 20);
  Filled.Text (21, 22);
  Filled.End ();
  Filled.End ();
  Builders::BYTES  Bytes = Builders::PackageListBuilder (kListGuid).Add (Filled.Package ()).Build ();
  ASSERT_EQ (gHiiDatabase->UpdatePackageList (gHiiDatabase, List, (EFI_HII_PACKAGE_LIST_HEADER *)Bytes.data ()), EFI_SUCCESS);
  ASSERT_EQ (ProcessPackageNotifications (), EFI_SUCCESS);
}

// A driver fills its first form (OVMF's Boot Maintenance Manager does as it opens): the
// form comes back as a page behind the second, and a goto's form 0 still opens it, by
// form set alone or by form set and driver (a front page's goto).
TEST_F (DynamicPageChangesTest, FormZeroOpensTheFirstFormAfterItsDriverFilledIt)
{
  EFI_HII_HANDLE  Handle = Keep (TwoForms (kSetGuid));
  LoadBoard ({}, {});
  ASSERT_EQ (BuildDynamicPages (), EFI_SUCCESS);

  RefillFirstForm (Handle);

  std::vector<UINT32>  Pages = PagesOf (Handle);
  ASSERT_EQ (Pages.size (), 2u);
  PAGE_RECORD  *First = nullptr;
  ASSERT_EQ (GetPageData (Pages[1], &First), EFI_SUCCESS);
  ASSERT_EQ (First->FormId, 1u);     // the filled form is the later page
  UINT16  Found = 0;
  ASSERT_EQ (FindPageByFormSetForm (&kSetGuid, 0, &Found), EFI_SUCCESS);
  EXPECT_EQ (Found, Pages[1]);
}

namespace {

// A form set whose second form holds a numeric in buffer store 1, so that publishing
// it adds a variable as well as pages.
IfrBuilder
TwoFormsWithStore (const EFI_GUID &Guid)
{
  IfrBuilder  F;

  F.FormSet (Guid, kSetTitle, kSetHelp, { kPlatformSetup });
  F.VarStore (kStoreGuid, 1, 16, "Store");
  F.Form (1, 10);
  F.Ref ({ 11, 12, 0x100, 0, 0, 0 }, 2);
  F.End ();
  F.Form (2, 20);
  F.Numeric ({ 21, 22, 0x101, 1, 0, 0 }, 0, 0, 9, 1, false);
  F.End ();
  F.End ();
  return F;
}

// One run of the fixture outside gtest's own, so that a sweep can start afresh each time.
class PublishRun : public DynamicPageChangesTest {
public:
  void TestBody () override {}

  // Publishes a form set after the build with the Failing-th allocation from then on
  // failing (0: none); how many allocations the publishing made.
  UINT64 Publish (UINT64 Failing)
  {
    SetUp ();
    LoadPlainBoard (1);
    EXPECT_EQ (BuildDynamicPages (), EFI_SUCCESS);
    Handle = Keep (TwoFormsWithStore (kSetGuid));
    UINT64  Mark = M.Memory ().AllocationCount ();
    M.Memory ().FailAllocation (Failing);
    EXPECT_EQ (ProcessPackageNotifications (), EFI_SUCCESS);
    M.Memory ().FailAllocation (0);
    return M.Memory ().AllocationCount () - Mark;
  }

  void Finish ()
  {
    FreeVariableCaches ();
    TearDown ();
  }

  EFI_HII_HANDLE  Handle = nullptr;
};

}  // namespace

// Publishing with each allocation failing in turn: a form set is counted as shown only
// when its pages are linked and its variable has a cache entry; otherwise it stays
// uncounted rather than shown half-built.
TEST (DynamicPageAllocationFailure, AFormSetIsCountedOnlyWhenItsPagesAndVariablesAllMadeIt)
{
  UINT64  Needed;
  {
    PublishRun  Full;
    Needed = Full.Publish (0);
    ASSERT_EQ (gDynamicPageCount, 1u);
    Full.ExpectLinked (Full.Handle);
    EXPECT_EQ (gCurrentCacheCount, (UINTN)GetWorkVariableCount ());
    Full.Finish ();
  }

  UINT64  Refused = 0;
  for (UINT64 Failing = 1; Failing <= Needed; Failing++) {
    PublishRun  Run;
    Run.Publish (Failing);
    if (gDynamicPageCount != 0) {
      Run.ExpectLinked (Run.Handle);
      EXPECT_EQ (gCurrentCacheCount, (UINTN)GetWorkVariableCount ()) << "allocation " << Failing;
    } else {
      Refused++;
    }
    Run.Finish ();
  }

  EXPECT_GT (Refused, 0u);
}

//
// SendForm's refusals: none of them shows setup.
//
TEST_F (DynamicPagesTest, SendFormRefusesNestedCallsBadHandlesAndListsWithoutFormSets)
{
  EFI_BROWSER_ACTION_REQUEST  Request = 7;
  EFI_HII_HANDLE              Forms   = Keep (TwoForms (kSetGuid));

  gInSetup = 1;
  EXPECT_EQ (SendForm (nullptr, &Forms, 1, nullptr, 0, nullptr, &Request), EFI_UNSUPPORTED);
  gInSetup = 0;
  ASSERT_EQ (gMessages.size (), 1u);
  EXPECT_EQ (gMessages[0].Title, u"SendForm Unsupported");
  EXPECT_EQ (gMessages[0].Text, u"SendForm Not suppored Nestedly or from Valid Setup Context!");
  EXPECT_EQ (Request, EFI_BROWSER_ACTION_REQUEST_NONE);

  EXPECT_EQ (SendForm (nullptr, nullptr, 1, nullptr, 0, nullptr, nullptr), EFI_INVALID_PARAMETER);
  EXPECT_EQ (SendForm (nullptr, &Forms, 0, nullptr, 0, nullptr, nullptr), EFI_INVALID_PARAMETER);

  Builders::PackageListBuilder  List (kOtherSet);
  List.Add (Builders::BuildStringPackage ("en-US", 1, { { 1, u"No forms" } }));
  Builders::BYTES  Bytes    = List.Build ();
  EFI_HII_HANDLE   NoForms  = nullptr;
  ASSERT_EQ (gHiiDatabase->NewPackageList (gHiiDatabase, (EFI_HII_PACKAGE_LIST_HEADER *)Bytes.data (), nullptr, &NoForms),
             EFI_SUCCESS);
  EXPECT_EQ (SendForm (nullptr, &NoForms, 1, (EFI_GUID *)&kSetGuid, 0, nullptr, nullptr), EFI_NOT_FOUND);
  EXPECT_EQ (gSendFormHandles, nullptr);
  EXPECT_EQ (gSendFormGuid, nullptr);
  EXPECT_EQ (gMessages.size (), 1u);
}

//
// A REF4 names the device path of the driver whose form it opens.
//
namespace {

std::vector<UINT8>  gLinkedPath;

CHAR16 *EFIAPI
PathText (CONST EFI_DEVICE_PATH_PROTOCOL *Path, BOOLEAN, BOOLEAN)
{
  const CHAR16  *Text = ((Path != nullptr) && (gLinkedPath.size () > 0) &&
                         (std::memcmp (Path, gLinkedPath.data (), gLinkedPath.size ()) == 0)) ? u"VenHw(Linked)" : u"VenHw(Other)";
  return (CHAR16 *)AllocateCopyPool (StrSize (Text), Text);
}

EFI_DEVICE_PATH_TO_TEXT_PROTOCOL  gPathToText = { PathText, PathText };

}  // namespace

TEST_F (DynamicPageChangesTest, Ref3AndRef4OpenTheFormOfTheFormSetAndTheDriverTheyName)
{
  constexpr EFI_GUID  kLinkedPath = { 0x1A2B3C4D, 0x0010, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x10 } };
  constexpr EFI_GUID  kOtherPath  = { 0x1A2B3C4D, 0x0011, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x11 } };
  EFI_HANDLE          Installed   = nullptr;
  IfrBuilder          From;
  std::vector<UINT8>  Ref4 = { 11, 0, 12, 0, 0x00, 0x01, 0, 0, 0, 0, 0, 2, 0, 0, 0 };

  std::vector<UINT8>  Ref3 = Ref4;

  Ref4.resize (31, 0);                     // no form-set GUID
  Ref4.insert (Ref4.end (), { 5, 0 });     // the device path's string
  Ref3.insert (Ref3.end (), (const UINT8 *)&kSetGuid, (const UINT8 *)&kSetGuid + sizeof (EFI_GUID));
  // A front page's goto: form set and driver named, form 0 for the form set's first form.
  std::vector<UINT8>  FirstForm = Ref3;
  FirstForm[11] = 0;
  FirstForm.insert (FirstForm.end (), { 5, 0 });
  From.FormSet (kOtherSet, kSetTitle, kSetHelp, { kPlatformSetup });
  From.Form (1, 10);
  From.Op (EFI_IFR_REF_OP, Ref4);
  From.Op (EFI_IFR_REF_OP, Ref3);
  From.Op (EFI_IFR_REF_OP, FirstForm);
  From.End ();
  From.End ();

  Emu::FakeDriver  &Linked = AddDriver (kLinkedPath);
  Emu::FakeDriver  &Other  = AddDriver (kOtherPath);
  EFI_GUID         SecondList = kListGuid;
  SecondList.Data4[7] = 0x42;
  gLinkedPath = Linked.DevicePath ();
  EFI_HII_HANDLE  Target = Linked.Publish (*Hii, Builders::PackageListBuilder (kListGuid).Add (TwoForms (kSetGuid).Package ()).Build ());
  EFI_HII_HANDLE  Source = Other.Publish (*Hii, Builders::PackageListBuilder (SecondList).Add (From.Package ())
                                                   .Add (Builders::BuildStringPackage ("en-US", 1, { { 5, u"VenHw(Linked)" } })).Build ());
  ASSERT_EQ (M.Protocols ().Install (&Installed, &gEfiDevicePathToTextProtocolGuid, &gPathToText), EFI_SUCCESS);
  LoadBoard ({}, {});

  ASSERT_EQ (BuildDynamicPages (), EFI_SUCCESS);
  std::vector<UINT32>  Targets = PagesOf (Target);
  std::vector<UINT32>  Sources = PagesOf (Source);
  ASSERT_EQ (Targets.size (), 2u);
  ASSERT_EQ (Sources.size (), 1u);
  EXPECT_EQ (PageControl (Sources[0], 0)->RefTargetPage, Targets[1]);     // REF4: the linked driver's form 2
  EXPECT_EQ (PageControl (Sources[0], 1)->RefTargetPage, Targets[1]);     // REF3: the named form set's form 2
  EXPECT_EQ (PageControl (Sources[0], 2)->RefTargetPage, Targets[0]);     // REF4, form 0: its first form

  // The driver fills its first form, whose page then comes after the second: form 0 still
  // opens the first form.
  RefillFirstForm (Target);
  Targets = PagesOf (Target);
  Sources = PagesOf (Source);
  ASSERT_EQ (Targets.size (), 2u);
  PAGE_RECORD  *Later = nullptr;
  ASSERT_EQ (GetPageData (Targets[1], &Later), EFI_SUCCESS);
  ASSERT_EQ (Later->FormId, 1u);
  ASSERT_EQ (ResolveRefTarget (Sources[0], PageControl (Sources[0], 2)), EFI_SUCCESS);
  EXPECT_EQ (PageControl (Sources[0], 2)->RefTargetPage, Targets[1]);

  // Another driver's path names no page: the link keeps what the parser gave it.
  gLinkedPath.clear ();
  ASSERT_EQ (BuildDynamicPages (), EFI_SUCCESS);
  EXPECT_NE (PageControl (PagesOf (Source)[0], 0)->RefTargetPage, PagesOf (Target)[1]);
}

// OVMF's front page links its menus to form sets its program publishes but does not hand
// to SendForm; a firmware browser follows such a goto, so the engine loads the list then.
TEST_F (DynamicPageChangesTest, AGotoToAFormSetSendFormWasNotGivenLoadsItsListOnce)
{
  constexpr EFI_GUID  kNowhere = { 0x1A2B3C4D, 0x00FF, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0xFF } };
  IfrBuilder          From;
  std::vector<UINT8>  Ref3 = { 11, 0, 12, 0, 0x00, 0x01, 0, 0, 0, 0, 0, 2, 0, 0, 0 };

  Ref3.insert (Ref3.end (), (const UINT8 *)&kSetGuid, (const UINT8 *)&kSetGuid + sizeof (EFI_GUID));
  From.FormSet (kOtherSet, kSetTitle, kSetHelp, { kOtherClass });
  From.Form (1, 10);
  From.Op (EFI_IFR_REF_OP, Ref3);
  From.End ();
  From.End ();
  EFI_HII_HANDLE  Source = Keep (From);
  EFI_HII_HANDLE  Target = Keep (TwoForms (kSetGuid, nullptr, { kOtherClass }));
  LoadBoard ({}, {});

  // Outside SendForm every form set setup shows is loaded already.
  EXPECT_EQ (LoadFormSetForGoto (&kSetGuid), EFI_NOT_FOUND);

  gSendFormHandles     = (EFI_HII_HANDLE *)AllocateCopyPool (sizeof (Source), &Source);
  gSendFormHandleCount = 1;
  ASSERT_EQ (BuildDynamicPages (), EFI_SUCCESS);
  UINT16  Found = 0;
  EXPECT_TRUE (PagesOf (Target).empty ());
  EXPECT_EQ (FindPageByFormSetForm (&kSetGuid, 2, &Found), EFI_INVALID_PARAMETER);
  EXPECT_EQ (LoadFormSetForGoto (&kNowhere), EFI_NOT_FOUND);
  EXPECT_EQ (gSendFormHandleCount, 1u);

  ASSERT_EQ (LoadFormSetForGoto (&kSetGuid), EFI_SUCCESS);
  EXPECT_EQ (gSendFormHandleCount, 2u);
  ASSERT_EQ (PagesOf (Target).size (), 2u);
  ASSERT_EQ (FindPageByFormSetForm (&kSetGuid, 2, &Found), EFI_SUCCESS);
  EXPECT_EQ (Found, PagesOf (Target)[1]);
  ASSERT_EQ (PagesOf (Source).size (), 1u);
  EXPECT_EQ (PageControl (PagesOf (Source)[0], 0)->RefTargetPage, Found);
  ASSERT_EQ (FindPageByFormSetForm (&kSetGuid, 0, &Found), EFI_SUCCESS);     // form 0: the first
  EXPECT_EQ (Found, PagesOf (Target)[0]);
  EXPECT_EQ (LoadFormSetForGoto (&kSetGuid), EFI_NOT_FOUND);     // loaded once
  EXPECT_EQ (gSendFormHandleCount, 2u);

  FreePool (gSendFormHandles);
  gSendFormHandles     = nullptr;
  gSendFormHandleCount = 0;
}

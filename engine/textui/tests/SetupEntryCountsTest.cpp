// Entering setup over every form set of an OVMF HII export, to the first key wait: the
// work grows with the controls built, not with their square. Each control's rows are
// measured at most twice, the pool is asked a few times per control, and each driver's
// store once. The counts were quadratic and in the tens of thousands when every
// control added measured the whole window again and every condition allocated its
// evaluation stacks, and the stores were asked from each reader in turn.
#include <engine/testing/TextUiMachineTest.h>

#include <engine/browser/DynamicPages.h>
#include <engine/browser/FormBrowser.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/SetupData.h>
#include <engine/core/VariableGuids.h>
#include <engine/textui/TuiApp.h>
#include <engine/textui/TuiControl.h>
#include <engine/textui/TuiFrame.h>

#include <Fixtures.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

using HEIGHT_OP = EFI_STATUS (*)(VOID *, UINT64, UINT16 *);

std::map<const VOID *, HEIGHT_OP>  gHeightOps;       // each class's own operation
UINT64                             gMeasures = 0;
std::map<std::u16string, UINTN>    gAsked;
EFI_HII_EXTRACT_CONFIG             gRouted   = nullptr;

EFI_STATUS
CountedHeight (VOID *Object, UINT64 FrameWidth, UINT16 *Height)
{
  gMeasures++;
  return gHeightOps.at (((TUI_CONTROL *)Object)->Header.Ops) (Object, FrameWidth, Height);
}

EFI_STATUS EFIAPI
CountedExtract (CONST EFI_HII_CONFIG_ROUTING_PROTOCOL *This, CONST EFI_STRING Request, EFI_STRING *Progress,
  EFI_STRING *Results)
{
  if (Request != nullptr) {
    std::u16string  Text (Request);
    gAsked[Text.substr (0, Text.find (u"&OFFSET="))]++;
  }

  return gRouted (This, Request, Progress, Results);
}

}  // namespace

class SetupEntryCounts : public TextUiMachineTest {
protected:
  void SetUp () override
  {
    std::string  Error;

    TextUiMachineTest::SetUp ();
    ASSERT_TRUE (M.Variables ().LoadBytes (Fixtures::Read ("ovmf/VARS.BIN"), &Error)) << Error;
    StartEngine (BoardWithEngineVariables (24));
    std::vector<UINT8>  Bytes = Fixtures::Read ("ovmf/HIIDB.BIN");
    ASSERT_EQ (Hii->LoadExport (Bytes.data (), Bytes.size (), true, &Lists), EFI_SUCCESS);

    for (UINT64 Type = 1; Type < 256; Type++) {
      const TUI_CONTROL_TYPE_ENTRY  *Row = FindControlType (Type);
      if ((Row != nullptr) && (gHeightOps.count (Row->Ops) == 0)) {
        gHeightOps[Row->Ops] = ((TUI_CONTROL_OPS *)Row->Ops)->GetControlHeight;
        ((TUI_CONTROL_OPS *)Row->Ops)->GetControlHeight = CountedHeight;
      }
    }

    gRouted                          = gHiiConfigRouting->ExtractConfig;
    gHiiConfigRouting->ExtractConfig = CountedExtract;
  }

  void TearDown () override
  {
    for (auto &[Ops, Height] : gHeightOps) {
      ((TUI_CONTROL_OPS *)Ops)->GetControlHeight = Height;
    }

    gHeightOps.clear ();
    gAsked.clear ();
    gHiiConfigRouting->ExtractConfig = gRouted;
    Devices.TextIn->Script ().SetWaitHook (nullptr);
    DestroyTuiApp ();
    FreeDynamicPageTable ();
    TextUiMachineTest::TearDown ();
  }

  // Setup entered and left at its first key wait, with the counts up to that wait.
  void EnterOnce ()
  {
    bool                        Reached = false;
    UINT64                      Before  = M.Memory ().AllocationCount ();
    EFI_BROWSER_ACTION_REQUEST  Request = EFI_BROWSER_ACTION_REQUEST_NONE;

    gMeasures = 0;
    gAsked.clear ();
    Devices.TextIn->Script ().Append ("Down");
    Devices.TextIn->Script ().SetWaitHook ([&] () {
      if (Reached || (gTuiApp == nullptr)) {
        return;
      }

      Reached     = true;
      Allocations = M.Memory ().AllocationCount () - Before;
      Measures    = gMeasures;
      Asked       = gAsked;
      Controls    = 0;
      for (UINT32 Page = 0; Page < gTuiApp->PageCount; Page++) {
        for (UINT32 Frame = 0; (gTuiApp->Pages[Page] != nullptr) && (Frame < gTuiApp->Pages[Page]->FrameCount); Frame++) {
          Controls += gTuiApp->Pages[Page]->Frames[Frame]->ControlCount;
        }
      }

      (VOID)ProcessActionRequest (EFI_BROWSER_ACTION_REQUEST_RESET);
    });
    EXPECT_EQ (SendForm (nullptr, Lists.data (), Lists.size (), nullptr, 0, nullptr, &Request), EFI_SUCCESS);
    Devices.TextIn->Script ().SetWaitHook (nullptr);
    ASSERT_TRUE (Reached);
  }

  // What an entry may leave in the firmware's databases: per package list of the
  // caller, its packages and each string package's strings and highest id; the
  // lists, handles, open events, variables and live pool blocks of the machine.
  std::vector<UINT64> Resources ()
  {
    std::vector<UINT64>  Counts;

    for (EFI_HII_HANDLE Handle : Lists) {
      const Emu::HII_PACKAGE_LIST  *List = Hii->Find (Handle);
      Counts.push_back ((List == nullptr) ? 0 : List->Packages.size ());
      for (size_t Index = 0; (List != nullptr) && (Index < List->Packages.size ()); Index++) {
        if (List->Packages[Index].Strings != nullptr) {
          Counts.push_back (List->Packages[Index].Strings->Strings.size ());
          Counts.push_back (List->Packages[Index].Strings->LastId);
        }
      }
    }

    Counts.push_back (Hii->PackageLists ().size ());
    Counts.push_back (M.Protocols ().Handles ().size ());
    Counts.push_back (M.Events ().OpenEventCount ());
    Counts.push_back (M.Variables ().All ().size ());
    Counts.push_back (M.Memory ().LiveBlockCount ());
    return Counts;
  }

  // The caller's package lists as their drivers published them.
  std::vector<std::vector<UINT8>> Exports ()
  {
    std::vector<std::vector<UINT8>>  All;

    for (EFI_HII_HANDLE Handle : Lists) {
      UINTN  Size = 0;
      EXPECT_EQ (Hii->ExportPackageLists (Handle, &Size, nullptr), EFI_BUFFER_TOO_SMALL);
      All.emplace_back (Size);
      EXPECT_EQ (Hii->ExportPackageLists (Handle, &Size, All.back ().data ()), EFI_SUCCESS);
    }

    return All;
  }

  // Every list of the caller removed and published again by its driver, as a driver
  // that is stopped and started again does: its packages under a new handle.
  void PublishAgain (const std::vector<std::vector<UINT8>> &Published)
  {
    ASSERT_EQ (Published.size (), Lists.size ());
    for (size_t Index = 0; Index < Lists.size (); Index++) {
      EFI_HANDLE  Driver = Hii->Find (Lists[Index])->DriverHandle;
      ASSERT_EQ (Hii->RemovePackageList (Lists[Index]), EFI_SUCCESS);
      ASSERT_EQ (Hii->NewPackageList ((CONST EFI_HII_PACKAGE_LIST_HEADER *)Published[Index].data (), Driver, &Lists[Index]),
        EFI_SUCCESS);
    }
  }

  std::vector<EFI_HII_HANDLE>      Lists;
  UINT64                           Allocations = 0;
  UINT64                           Measures    = 0;
  UINT64                           Controls    = 0;
  std::map<std::u16string, UINTN>  Asked;
};

TEST_F (SetupEntryCounts, AColdEntryMeasuresEachControlAtMostTwiceAndAsksEachStoreOnce)
{
  EnterOnce ();

  EXPECT_GT (Controls, 600u);             // every frame of every page, the panes too
  EXPECT_LE (Measures, 2 * Controls);
  EXPECT_LE (Allocations, 10 * Controls);
  EXPECT_GE (Asked.size (), 8u);          // OVMF's drivers' block stores
  for (const auto &[Store, Times] : Asked) {
    EXPECT_EQ (Times, 1u) << std::string (Store.begin (), Store.begin () + std::min<size_t> (Store.size (), 60));
  }
}

TEST_F (SetupEntryCounts, AWarmEntryStaysWithinTheSameCounts)
{
  EnterOnce ();
  EnterOnce ();

  EXPECT_LE (Measures, 2 * Controls);
  EXPECT_LE (Allocations, 10 * Controls);
  for (const auto &[Store, Times] : Asked) {
    EXPECT_EQ (Times, 1u) << std::string (Store.begin (), Store.begin () + std::min<size_t> (Store.size (), 60));
  }
}

// Setup entered again and again leaves the firmware's databases as the first entry
// left them. Each call of a STRING or PASSWORD question used to add a string to its
// driver's package list once the engine's table of kept strings was full.
TEST_F (SetupEntryCounts, RepeatedEntriesLeaveTheDatabasesAsTheFirstEntryLeftThem)
{
  EnterOnce ();
  std::vector<UINT64>  First = Resources ();

  for (int Entry = 0; Entry < 4; Entry++) {
    EnterOnce ();
    EXPECT_EQ (Resources (), First) << "entry " << (Entry + 2);
  }
}

// Drivers stopped and started again publish their forms under new handles; the
// strings that carry text questions to them are kept for the new lists as for the
// first ones. The engine's table of them used to fill with the lists that were gone
// (nine of OVMF's lists have such questions, and it held sixteen), and from then on
// every entry added strings to the lists it left out.
TEST_F (SetupEntryCounts, FormsPublishedAgainLeaveNoStringsBehindOnLaterEntries)
{
  std::vector<std::vector<UINT8>>  Published = Exports ();

  EnterOnce ();
  std::vector<UINT64>  First = Resources ();

  for (int Round = 1; Round <= 3; Round++) {
    PublishAgain (Published);
    EnterOnce ();
    EXPECT_EQ (Resources (), First) << "round " << Round << ", first entry";
    EnterOnce ();
    EXPECT_EQ (Resources (), First) << "round " << Round << ", second entry";
  }
}

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
  // The one-page board with the engine's fixed variable indexes all taken, so the form
  // sets' stores are drivers' stores.
  static Builders::SETUP_DATA_DESC BoardWithEngineVariables ()
  {
    static const EFI_GUID      EngineGuid = ENGINE_SETTINGS_VARIABLE_GUID;
    Builders::SETUP_DATA_DESC  D          = TextUiMachineTest::OnePageBoard ();

    while (D.Variables.size () < 24) {
      D.Variables.push_back ({ .VendorGuid = EngineGuid, .Name = u"Engine" + std::u16string (1, (char16_t)(u'A' + D.Variables.size ())),
                               .Size = 2 });
    }

    return D;
  }

  void SetUp () override
  {
    std::string  Error;

    TextUiMachineTest::SetUp ();
    ASSERT_TRUE (M.Variables ().LoadBytes (Fixtures::Read ("ovmf/VARS.BIN"), &Error)) << Error;
    StartEngine (BoardWithEngineVariables ());
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

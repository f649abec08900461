// Entering setup through SendForm with every form set of the OVMF HII export in the
// HII database and OVMF's variables in NVRAM: the dynamic pages are built, the text
// application makes its pages and draws the first one. Timed (processor time of the
// thread) from the call to the first key wait; the run then leaves setup and the pages
// are freed untimed. Counters give the pages built and, up to the first key wait, the
// configuration requests and pool allocations of the first (cold) entry and of the
// last one.
#include <engine/testing/TextUiMachineTest.h>

#include <engine/browser/DynamicPages.h>
#include <engine/browser/FormBrowser.h>
#include <engine/core/EngineGlobals.h>
#include <engine/variables/ConfigString.h>
#include <engine/core/SetupData.h>
#include <engine/textui/TuiApp.h>
#include <engine/core/VariableGuids.h>

#include <Fixtures.h>

#include <benchmark/benchmark.h>

#include <ctime>
#include <string>
#include <vector>

namespace {

// The thread's processor time: what the entry costs, whatever else the core runs.
double
ThreadSeconds ()
{
  timespec  Now {};

  (void)clock_gettime (CLOCK_THREAD_CPUTIME_ID, &Now);
  return (double)Now.tv_sec + (double)Now.tv_nsec * 1e-9;
}

UINTN                   gExtracts      = 0;
EFI_HII_EXTRACT_CONFIG  gRoutedExtract = nullptr;

EFI_STATUS EFIAPI
CountedExtract (CONST EFI_HII_CONFIG_ROUTING_PROTOCOL *This, CONST EFI_STRING Request, EFI_STRING *Progress,
  EFI_STRING *Results)
{
  gExtracts++;
  return gRoutedExtract (This, Request, Progress, Results);
}

class SETUP_ENTRY : public TextUiMachineTest {
public:
  void Start ()
  {
    std::string  Error;

    SetUp ();
    (void)M.Variables ().LoadBytes (Fixtures::Read ("ovmf/VARS.BIN"), &Error);    // OVMF's own settings, its language too
    StartEngine (BoardWithEngineVariables (24));
    std::vector<UINT8>  Bytes = Fixtures::Read ("ovmf/HIIDB.BIN");
    (void)Hii->LoadExport (Bytes.data (), Bytes.size (), true, &Lists);
    gRoutedExtract                   = gHiiConfigRouting->ExtractConfig;
    gHiiConfigRouting->ExtractConfig = CountedExtract;
  }

  void Stop ()
  {
    gHiiConfigRouting->ExtractConfig = gRoutedExtract;
    Devices.TextIn->Script ().SetWaitHook (nullptr);
    DestroyTuiApp ();
    FreeDynamicPageTable ();
    TearDown ();
  }

  // One entry: the time until setup first waits for a key.
  double Enter ()
  {
    double                      Start   = 0.0;
    double                      Waiting = 0.0;
    bool                        Reached = false;
    EFI_BROWSER_ACTION_REQUEST  Request = EFI_BROWSER_ACTION_REQUEST_NONE;
    UINT64                      Before  = M.Memory ().AllocationCount ();

    gExtracts = 0;
    Devices.TextIn->Script ().Append ("Down");
    Devices.TextIn->Script ().SetWaitHook ([&] () {
      if (!Reached && (gTuiApp != nullptr)) {
        Waiting     = ThreadSeconds ();
        Reached     = true;
        Pages       = GetPageCount ();
        Allocations = M.Memory ().AllocationCount () - Before;
        Extracts    = gExtracts;
        (VOID)ProcessActionRequest (EFI_BROWSER_ACTION_REQUEST_RESET);
      }
    });
    Start = ThreadSeconds ();
    (void)SendForm (nullptr, Lists.data (), Lists.size (), nullptr, 0, nullptr, &Request);
    Devices.TextIn->Script ().SetWaitHook (nullptr);
    FreeDynamicPageTable ();
    return Reached ? Waiting - Start : 0.0;
  }

  void TestBody () override {}

  std::vector<EFI_HII_HANDLE>  Lists;
  UINT32                       Pages       = 0;
  UINT64                       Allocations = 0;
  UINTN                        Extracts    = 0;
};

void
EnterSetupWithOvmfFormSets (benchmark::State &State)
{
  SETUP_ENTRY  Entry;

  bool         Cold = true;

  Entry.Start ();
  for (auto _ : State) {
    double  Seconds = Entry.Enter ();
    if (Seconds == 0.0) {
      State.SkipWithError ("setup never waited for a key");
      break;
    }
    State.SetIterationTime (Seconds);
    if (Cold) {
      State.counters["cold_extracts"] = (double)Entry.Extracts;
      State.counters["cold_allocs"]   = (double)Entry.Allocations;
      Cold                            = false;
    }
  }

  State.counters["pages"]    = (double)Entry.Pages;
  State.counters["extracts"] = (double)Entry.Extracts;
  State.counters["allocs"]   = (double)Entry.Allocations;
  Entry.Stop ();
}

BENCHMARK (EnterSetupWithOvmfFormSets)->UseManualTime ()->Unit (benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN ();

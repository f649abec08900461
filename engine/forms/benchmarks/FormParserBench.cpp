// Parsing every form set of the OVMF HII export into pages, as the dynamic-page build
// does at setup entry: the whole export per iteration, the work tables freed between
// iterations. Counters give the opcodes walked and the time per opcode.
#include <engine/core/EngineGlobals.h>
#include <engine/forms/FormParser.h>
#include <engine/forms/FormTables.h>
#include <Library/PlatformLib.h>

#include <Emulator/Machine.h>
#include <EmulatorHii/HiiServices.h>
#include <Fixtures.h>

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

struct OVMF_FORMS {
  Emu::Machine                      M;
  std::vector<EFI_HII_HANDLE>       Handles;
  std::vector<std::vector<UINT8>>   Packages;
  std::vector<EFI_HII_HANDLE>       Owners;
  size_t                            Opcodes = 0;

  OVMF_FORMS ()
  {
    Emu::HiiServices    &Hii  = M.Add (std::make_unique<Emu::HiiServices> (M));
    std::vector<UINT8>  Bytes = Fixtures::Read ("ovmf/HIIDB.BIN");

    (void)PlatformLibConstructor (nullptr, M.SystemTable ());
    gST = M.SystemTable ();
    gBS = gST->BootServices;
    (void)gBS->LocateProtocol (&gEfiHiiDatabaseProtocolGuid, nullptr, (VOID **)&gHiiDatabase);
    (void)gBS->LocateProtocol (&gEfiHiiStringProtocolGuid, nullptr, (VOID **)&gHiiString);
    (void)Hii.LoadExport (Bytes.data (), Bytes.size (), true, &Handles);
    for (EFI_HII_HANDLE Handle : Handles) {
      for (const Emu::HII_PACKAGE &Package : Hii.Find (Handle)->Packages) {
        if (Package.Type == EFI_HII_PACKAGE_FORMS) {
          Packages.push_back (Package.Bytes);
          Owners.push_back (Handle);
          for (size_t At = 4; At + 1 < Package.Bytes.size () && (Package.Bytes[At + 1] & 0x7F) >= 2; At += Package.Bytes[At + 1] & 0x7F) {
            Opcodes++;
          }
        }
      }
    }
  }
};

void
ParseOvmfExport (benchmark::State &State)
{
  OVMF_FORMS  Forms;

  for (auto _ : State) {
    for (size_t Index = 0; Index < Forms.Packages.size (); Index++) {
      DYNAMIC_PAGE_RECORD  Job {};

      Job.Package   = Forms.Packages[Index].data ();
      Job.HiiHandle = Forms.Owners[Index];
      benchmark::DoNotOptimize (ParseFormSetForms (&Job));
    }

    State.PauseTiming ();
    FreeWorkTables ();
    State.ResumeTiming ();
  }

  State.counters["opcodes"]    = (double)Forms.Opcodes;
  State.counters["per_opcode"] = benchmark::Counter ((double)Forms.Opcodes * State.iterations (),
                                   benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

BENCHMARK (ParseOvmfExport)->Unit (benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN ();

// Replays a fuzz target's corpus outside libFuzzer: every file under the folders (or the
// files) named on the command line is fed once to LLVMFuzzerTestOneInput, in a heap block
// of exactly its size so the sanitizers see any read past the input. A finding aborts the
// run through the sanitizer, so the seeds serve as a regression suite in any build.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput (const uint8_t *Data, size_t Size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize (int *Argc, char ***Argv);

namespace {

std::vector<std::filesystem::path>
InputsOf (int Argc, char **Argv)
{
  std::vector<std::filesystem::path>  Inputs;

  for (int Index = 1; Index < Argc; Index++) {
    const std::filesystem::path  Arg (Argv[Index]);
    if (!std::filesystem::is_directory (Arg)) {
      Inputs.push_back (Arg);
      continue;
    }
    for (const auto &Entry : std::filesystem::recursive_directory_iterator (Arg)) {
      if (Entry.is_regular_file ()) {
        Inputs.push_back (Entry.path ());
      }
    }
  }
  // A stable order, so a failure names the same seed on every machine.
  std::sort (Inputs.begin (), Inputs.end ());
  return Inputs;
}

bool
Replay (const std::filesystem::path &Input)
{
  std::ifstream  File (Input, std::ios::binary);

  if (!File) {
    std::fprintf (stderr, "cannot read %s\n", Input.c_str ());
    return false;
  }
  const std::vector<char>  Bytes ((std::istreambuf_iterator<char> (File)), std::istreambuf_iterator<char> ());
  // An empty input still gets a block of its own, never a pointer into another.
  std::unique_ptr<uint8_t[]>  Copy (new uint8_t[Bytes.empty () ? 1 : Bytes.size ()]);
  if (!Bytes.empty ()) {
    std::memcpy (Copy.get (), Bytes.data (), Bytes.size ());
  }
  LLVMFuzzerTestOneInput (Copy.get (), Bytes.size ());
  return true;
}

}  // namespace

int
main (int Argc, char **Argv)
{
  if (LLVMFuzzerInitialize != nullptr) {
    LLVMFuzzerInitialize (&Argc, &Argv);
  }
  const std::vector<std::filesystem::path>  Inputs = InputsOf (Argc, Argv);
  if (Inputs.empty ()) {
    std::fprintf (stderr, "usage: %s <corpus folder or input>...: no input found\n", Argv[0]);
    return 1;
  }
  size_t  Failed = 0;
  for (const auto &Input : Inputs) {
    Failed += Replay (Input) ? 0 : 1;
  }
  std::printf ("replayed %zu inputs, %zu unreadable\n", Inputs.size () - Failed, Failed);
  return (Failed == 0) ? 0 : 1;
}

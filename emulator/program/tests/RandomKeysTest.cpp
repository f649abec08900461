// Setup under keys nobody would choose: runs of the program with seeded random keys
// on the board's pages and on OVMF's, each of which must end as a scripted run ends,
// with no pool misuse, no sanitizer report and within its time. A failure names the
// seed, so the run can be repeated by hand.
//
// SETUP_RANDOM_KEYS (the keys setup must take in all) and SETUP_RANDOM_SEED (the first
// seed) make a longer or another run by hand; the default is a short budget with
// fixed seeds.
#include <Fixtures.h>
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

struct RUN {
  std::string  Output;
  int          ExitCode = -1;
};

RUN
RunProgram (const std::string &Arguments)
{
  // A hang fails the run instead of the whole test session.
  std::string             Command = "timeout 300 " + std::string (SETUP_EMULATOR_PROGRAM) + " " + Arguments + " 2>&1";
  FILE                    *Pipe   = popen (Command.c_str (), "r");
  RUN                     Run;
  std::array<char, 4096>  Chunk;

  if (Pipe == nullptr) {
    ADD_FAILURE () << "cannot start " << Command;
    return Run;
  }
  while (fgets (Chunk.data (), (int)Chunk.size (), Pipe) != nullptr) {
    Run.Output += Chunk.data ();
  }
  int  Status = pclose (Pipe);
  Run.ExitCode = WIFEXITED (Status) ? WEXITSTATUS (Status) : -1;
  return Run;
}

unsigned long
FromEnvironment (const char *Name, unsigned long Otherwise)
{
  const char  *Value = std::getenv (Name);
  return (Value != nullptr) ? std::strtoul (Value, nullptr, 10) : Otherwise;
}

// Keys weighted as a user's hands fall: mostly moving and choosing, some typing, now
// and then a hot key or Esc. Save-and-exit keys are left out, as they end a run early.
// F2 first opens setup at the power-on screen.
std::string
RandomKeys (unsigned long Seed, unsigned long Count)
{
  static const std::vector<std::pair<const char *, int>>  kKeys = {
    { "Up", 12 },  { "Down", 16 }, { "Left", 5 },  { "Right", 6 }, { "Enter", 12 }, { "Esc", 3 }, { "PgUp", 3 },
    { "PgDn", 3 }, { "Home", 2 },  { "End", 2 },   { "Tab", 3 },   { "+", 4 },      { "-", 4 },   { "Backspace", 3 },
    { "Space", 2 }, { "0", 2 },    { "1", 2 },     { "5", 2 },     { "9", 2 },      { "a", 2 },   { "F", 1 },
    { "z", 1 },    { "F1", 1 },    { "F2", 1 },    { "F3", 1 },    { "Del", 1 },    { "Ins", 1 },
  };
  std::vector<int>  Weights;
  for (const auto &Key : kKeys) {
    Weights.push_back (Key.second);
  }
  std::mt19937                     Generator ((std::mt19937::result_type)Seed);
  std::discrete_distribution<int>  Pick (Weights.begin (), Weights.end ());
  std::string                      Keys = "F2\n";       // setup, from the power-on screen

  for (unsigned long Index = 0; Index < Count; Index++) {
    Keys += std::string (kKeys[(size_t)Pick (Generator)].first) + ((Index % 16 == 15) ? "\n" : ",");
  }
  return Keys + "\n";
}

// Keys setup took in a run, from the report's count.
unsigned long
KeysTaken (const std::string &Output)
{
  const std::string  Count = "Engine on the consoles: ";
  size_t             At    = Output.find (Count);

  return (At == std::string::npos) ? 0 : std::strtoul (Output.c_str () + At + Count.size (), nullptr, 10);
}

// A run ends as soon as the keys leave setup (Esc on the main page boots the board's
// shell, an exit item resets): runs follow one another, seed after seed, until setup
// has taken the budget of keys.
TEST (RandomKeys, SetupSurvivesSeededRandomKeysOnTheBoardsAndOvmfsPages)
{
  const unsigned long  Budget = FromEnvironment ("SETUP_RANDOM_KEYS", 1500);
  const unsigned long  First  = FromEnvironment ("SETUP_RANDOM_SEED", 1);
  unsigned long        Taken  = 0;
  unsigned long        Seed   = First;

  for (; (Taken < Budget) && (Seed < First + 1000); Seed++) {
    std::string  Nvram  = ::testing::TempDir () + "random-keys-nvram.bin";
    std::string  Script = ::testing::TempDir () + "random-keys.txt";
    std::filesystem::remove (Nvram);
    std::filesystem::copy_file (Fixtures::Path ("ovmf/VARS.BIN"), Nvram);
    std::filesystem::permissions (Nvram, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    std::ofstream (Script) << RandomKeys (Seed, 400);

    // Odd seeds walk OVMF's form sets as well, on its 80x25 serial console.
    std::string  Arguments = "--nvram " + Nvram + " --no-nvram-save --no-terminal --key-script " + Script;
    if (Seed % 2 == 1) {
      Arguments += " --text-mode 80x25 --hii-export " + Fixtures::Path ("ovmf/HIIDB.BIN");
    }
    RUN  Run = RunProgram (Arguments);

    SCOPED_TRACE ("seed " + std::to_string (Seed) + " (SETUP_RANDOM_SEED=" + std::to_string (Seed) + " repeats it)");
    EXPECT_EQ (Run.ExitCode, 0) << Run.Output.substr (Run.Output.size () > 4000 ? Run.Output.size () - 4000 : 0);
    EXPECT_NE (Run.Output.find ("Run ended"), std::string::npos);
    EXPECT_EQ (Run.Output.find ("Run ended with an error"), std::string::npos);
    EXPECT_EQ (Run.Output.find ("Pool misuse"), std::string::npos);
    EXPECT_EQ (Run.Output.find ("runtime error"), std::string::npos);
    EXPECT_EQ (Run.Output.find ("Sanitizer"), std::string::npos);
    if (::testing::Test::HasFailure ()) {
      break;
    }
    Taken += KeysTaken (Run.Output);
  }
  EXPECT_GE (Taken, Budget) << "setup took too few keys in " << (Seed - First) << " runs";
}

}  // namespace

// The program's report compares between runs: no host addresses, the same text for
// the same NVRAM file, and a second run that loads the file the first one saved lists
// exactly the variables that were kept (the volatile ones never are). Its saved screen
// is what the engine drew, never a screen of the program's own.
#include <Fixtures.h>
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <regex>
#include <set>
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
  std::string  Command = std::string (SETUP_EMULATOR_PROGRAM) + " " + Arguments + " 2>&1";
  FILE         *Pipe   = popen (Command.c_str (), "r");
  RUN          Run;
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

// A private copy of OVMF's variables, so a run may save over it.
std::string
NvramCopy (const std::string &Name)
{
  std::string  Path = ::testing::TempDir () + Name;
  std::filesystem::remove (Path);
  std::filesystem::copy_file (Fixtures::Path ("ovmf/VARS.BIN"), Path);
  std::filesystem::permissions (Path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  return Path;
}

struct LISTED {
  std::set<std::string>  NonVolatile;  // "GUID name"
  std::set<std::string>  Volatile;
};

// The machine's variable list, the first one the report prints.
LISTED
ListedVariables (const std::string &Output)
{
  static const std::regex  Line ("^  ([0-9A-F-]{36}) attr 0x[0-9A-F]{8} (non-volatile|volatile) +size [0-9]+ (.*)$");
  LISTED                   Listed;
  std::istringstream       In (Output);
  std::string              Text;
  std::smatch              Match;

  while (std::getline (In, Text) && (Text.rfind ("Setup driver", 0) != 0)) {
    if (std::regex_match (Text, Match, Line)) {
      (Match[2] == "volatile" ? Listed.Volatile : Listed.NonVolatile).insert (Match[1].str () + " " + Match[3].str ());
    }
  }
  return Listed;
}

TEST (ProgramRun, TwoRunsOnOneNvramFileReportTheSameWithoutHostAddresses)
{
  std::string  Nvram = NvramCopy ("program-same.bin");
  RUN          First  = RunProgram ("--nvram " + Nvram + " --no-nvram-save --keys F2,Enter,a");
  RUN          Second = RunProgram ("--nvram " + Nvram + " --no-nvram-save --keys F2,Enter,a");

  ASSERT_EQ (First.ExitCode, 0) << First.Output;
  EXPECT_EQ (First.Output, Second.Output);
  EXPECT_FALSE (std::regex_search (First.Output, std::regex ("0x[0-9A-Fa-f]{9,}"))) << First.Output;
  EXPECT_TRUE (std::regex_search (First.Output, std::regex ("Engine handle: #[0-9]+ of [0-9]+"))) << First.Output;
  EXPECT_TRUE (std::regex_search (First.Output, std::regex ("Engine package list: #[0-9]+ of [0-9]+ in the HII database")))
    << First.Output;
}

TEST (ProgramRun, ASecondRunListsTheNonVolatileVariablesOfTheFirstAndNoVolatileOne)
{
  std::string  Nvram  = NvramCopy ("program-saved.bin");
  RUN          First  = RunProgram ("--nvram " + Nvram);
  RUN          Second = RunProgram ("--nvram " + Nvram);
  LISTED       Before = ListedVariables (First.Output);
  LISTED       After  = ListedVariables (Second.Output);

  ASSERT_EQ (First.ExitCode, 0) << First.Output;
  ASSERT_EQ (Second.ExitCode, 0) << Second.Output;
  // OVMF's export holds both kinds; the saved file only the non-volatile ones.
  EXPECT_EQ (Before.Volatile.size (), 15u);
  EXPECT_EQ (Before.NonVolatile.size (), 30u);
  EXPECT_TRUE (After.Volatile.empty ());
  for (const std::string &Kept : Before.NonVolatile) {
    EXPECT_EQ (After.NonVolatile.count (Kept), 1u) << Kept;
  }
  for (const std::string &Dropped : Before.Volatile) {
    EXPECT_EQ (After.NonVolatile.count (Dropped), 0u) << Dropped;
  }
  EXPECT_NE (First.Output.find ("30 non-volatile, 15 volatile"), std::string::npos) << First.Output;
}

TEST (ProgramRun, TheSavedScreenIsWhatTheEngineDrew)
{
  std::string  Nvram  = NvramCopy ("program-screen.bin");
  std::string  Screen = ::testing::TempDir () + "program-screen.txt";
  std::string  Png    = ::testing::TempDir () + "program-screen.png";
  RUN          Run    = RunProgram ("--nvram " + Nvram + " --no-nvram-save --keys F2,Enter,a --save-screen " + Screen +
                          " --save-png " + Png);
  std::smatch  Match;

  ASSERT_EQ (Run.ExitCode, 0) << Run.Output;
  ASSERT_TRUE (std::regex_search (Run.Output, Match,
    std::regex ("Engine on the consoles: ([0-9]+) of 3 scripted keys taken, ([0-9]+) text-output calls")))
    << Run.Output;
  std::ifstream  File (Screen);
  std::string    Text ((std::istreambuf_iterator<char> (File)), std::istreambuf_iterator<char> ());
  ASSERT_FALSE (Text.empty ());
  if (Match[2] == "0") {
    // Nothing drew: the screen is blank, and keys the engine never took are not echoed.
    EXPECT_EQ (Text.find_first_not_of (" \n"), std::string::npos) << Text;
    EXPECT_EQ (Match[1], "0");
  }
  EXPECT_GT (std::filesystem::file_size (Png), 0u);
}

std::string
FileText (const std::string &Path)
{
  std::ifstream  File (Path);
  return std::string ((std::istreambuf_iterator<char> (File)), std::istreambuf_iterator<char> ());
}

// F2 at the power-on screen enters setup; Enter opens the main page's first link, Esc goes
// back, and Esc on the main page leaves setup for the boot of the board's shell.
TEST (ProgramRun, AScriptedRunWalksIntoTheSecondPageBackAndOut)
{
  std::string  Nvram   = NvramCopy ("program-walk.bin");
  std::string  Inside  = ::testing::TempDir () + "program-walk-inside.txt";
  std::string  Leaving = ::testing::TempDir () + "program-walk-leaving.txt";
  RUN          Into    = RunProgram ("--nvram " + Nvram + " --no-nvram-save --keys F2,Down,Down,Down,Enter --save-screen " + Inside);
  RUN          Out     = RunProgram ("--nvram " + Nvram + " --no-nvram-save --keys F2,Down,Down,Down,Enter,Esc,Esc --save-screen " + Leaving);

  ASSERT_EQ (Into.ExitCode, 0) << Into.Output;
  ASSERT_EQ (Out.ExitCode, 0) << Out.Output;
  EXPECT_NE (Into.Output.find ("the key script ran out while setup was showing"), std::string::npos) << Into.Output;
  EXPECT_NE (Out.Output.find ("Run ended: booted UEFI Shell"), std::string::npos) << Out.Output;
  EXPECT_EQ (FileText (Inside), FileText (std::string (SETUP_PROGRAM_EXPECTED) + "/AdvancedPage.txt"));
  EXPECT_EQ (FileText (Leaving), FileText (std::string (SETUP_PROGRAM_EXPECTED) + "/MainPageAfterLeaving.txt"));
}

// A machine like OVMF, without key-code input or console control: F2 at the power-on
// screen and the keys of the setup pages come through the console's own input, and the
// walk shows what it shows with key-code input.
TEST (ProgramRun, WithoutKeyCodeInputTheSameWalkTakesTheConsolesKeys)
{
  std::string  Nvram   = NvramCopy ("program-no-key-code.bin");
  std::string  Inside  = ::testing::TempDir () + "program-no-key-code-inside.txt";
  std::string  Leaving = ::testing::TempDir () + "program-no-key-code-leaving.txt";
  std::string  Machine = "--nvram " + Nvram + " --no-nvram-save --no-terminal --no-key-code --no-console-control ";
  RUN          Into    = RunProgram (Machine + "--keys F2,Down,Down,Down,Enter --save-screen " + Inside);
  RUN          Out     = RunProgram (Machine + "--keys F2,Down,Down,Down,Enter,Esc,Esc --save-screen " + Leaving);

  ASSERT_EQ (Into.ExitCode, 0) << Into.Output;
  ASSERT_EQ (Out.ExitCode, 0) << Out.Output;
  EXPECT_NE (Into.Output.find ("5 of 5 scripted keys taken"), std::string::npos) << Into.Output;
  EXPECT_NE (Out.Output.find ("Run ended: booted UEFI Shell"), std::string::npos) << Out.Output;
  EXPECT_EQ (FileText (Inside), FileText (std::string (SETUP_PROGRAM_EXPECTED) + "/AdvancedPage.txt"));
  EXPECT_EQ (FileText (Leaving), FileText (std::string (SETUP_PROGRAM_EXPECTED) + "/MainPageAfterLeaving.txt"));
}

// The saved attributes line up with the saved text: the focused prompt is the one
// row whose prompt cells carry the highlight, and it follows the focus.
TEST (ProgramRun, TheSavedAttributesShowWhichControlHasTheFocus)
{
  std::string  Nvram = NvramCopy ("program-attributes.bin");
  struct {
    const char  *Keys;
    const char  *Focused;
  } const  kCases[] = {
    { "F2,Right", "System Date" }, { "F2,Right,Down", "System Time" }, { "F2,Right,Down,Down,Down", "Advanced" },
  };

  for (const auto &Case : kCases) {
    std::string  Screen     = ::testing::TempDir () + "program-attributes.txt";
    std::string  Attributes = ::testing::TempDir () + "program-attributes.hex";
    RUN          Run        = RunProgram ("--nvram " + Nvram + " --no-nvram-save --no-terminal --keys " + Case.Keys +
                                " --save-screen " + Screen + " --save-screen-attributes " + Attributes);
    ASSERT_EQ (Run.ExitCode, 0) << Run.Output;
    std::istringstream        Text (FileText (Screen));
    std::istringstream        Codes (FileText (Attributes));
    std::string               Line;
    std::string               Hex;
    std::vector<std::string>  Highlighted;
    while (std::getline (Text, Line) && std::getline (Codes, Hex)) {
      EXPECT_EQ (Hex.size (), 200u) << "two digits for each of the 100 cells";
      // Column 3 is where every prompt of the page starts; only the focused one stands out.
      if ((Line.find ("System") == 3 || Line.find ("Asset") == 3 || Line.find ("\u25BA ") == 1) &&
          (Hex.substr (6, 2) != Hex.substr (Hex.size () - 10, 2))) {
        Highlighted.push_back (Line.substr (Line.find_first_not_of (" \u25BA", 1), std::string::npos).substr (0, 20));
      }
    }
    ASSERT_EQ (Highlighted.size (), 1u) << Case.Keys;
    EXPECT_EQ (Highlighted[0].rfind (Case.Focused, 0), 0u) << Case.Keys << ": " << Highlighted[0];
  }
}

// A pop-up takes away everything it drew: the warning before a password is cleared
// leaves no border behind when it closes, a No answer asks again in a fresh box, and
// once the dialogue is over the page looks, cell for cell and colour for colour, as
// it did before it.
TEST (ProgramRun, APopUpRestoresExactlyWhatItCovered)
{
  std::string        Nvram = NvramCopy ("program-popups.bin");
  const std::string  Set   = "F2,Down,Down,Down,Down,Enter,Enter,a,b,c,Enter,a,b,c,Enter";   // Security, a new password
  const std::string  Clear = Set + ",Enter,a,b,c,Enter,Enter";                           // an empty new one: the warning
  struct SCREEN {
    std::string  Text;
    std::string  Attributes;
  };
  auto  Shown = [&] (const std::string &Keys) {
    std::string  Text       = ::testing::TempDir () + "program-popups.txt";
    std::string  Attributes = ::testing::TempDir () + "program-popups.hex";
    RUN          Run        = RunProgram ("--nvram " + Nvram + " --no-nvram-save --no-terminal --keys " + Keys +
                                " --save-screen " + Text + " --save-screen-attributes " + Attributes);
    EXPECT_EQ (Run.ExitCode, 0) << Run.Output;
    return SCREEN { FileText (Text), FileText (Attributes) };
  };

  SCREEN  Before  = Shown (Set);
  SCREEN  Warning = Shown (Clear);
  SCREEN  Again   = Shown (Clear + ",Right,Enter");
  SCREEN  After   = Shown (Clear + ",Right,Enter,Esc");

  EXPECT_NE (Warning.Text.find ("Clear Old Password. Continue?"), std::string::npos) << Warning.Text;
  EXPECT_NE (Again.Text.find ("Create New Password"), std::string::npos) << Again.Text;
  EXPECT_EQ (Again.Text.find ("WARNING"), std::string::npos) << Again.Text;
  EXPECT_EQ (Again.Text.find ("Cle"), std::string::npos) << Again.Text;
  EXPECT_EQ (After.Text, Before.Text);
  EXPECT_EQ (After.Attributes, Before.Attributes);
}

// A run that cannot save what it was asked to says which file and why, and fails.
TEST (ProgramRun, AScreenThatCannotBeSavedIsNamedWithTheReason)
{
  std::string  Nvram   = NvramCopy ("program-unsaved.bin");
  std::string  Missing = ::testing::TempDir () + "no-such-folder/screen.txt";
  RUN          Text    = RunProgram ("--nvram " + Nvram + " --no-nvram-save --no-terminal --save-screen " + Missing);
  RUN          Colours = RunProgram ("--nvram " + Nvram + " --no-nvram-save --no-terminal --save-screen-attributes " + Missing);

  EXPECT_NE (Text.ExitCode, 0);
  EXPECT_NE (Text.Output.find ("Cannot write the screen to " + Missing + ": No such file or directory"), std::string::npos)
    << Text.Output;
  EXPECT_EQ (Text.Output.find ("saved to " + Missing), std::string::npos) << Text.Output;
  EXPECT_NE (Colours.ExitCode, 0);
  EXPECT_NE (Colours.Output.find ("Cannot write the screen's attributes to " + Missing), std::string::npos) << Colours.Output;
}

// An export that cannot be read, or that holds no package list, ends the run with an
// error before setup starts: setup without the forms asked for would look like a success.
TEST (ProgramRun, AnHiiExportThatIsMissingOrNoExportIsAnError)
{
  std::string  Nvram   = NvramCopy ("program-bad-export.bin");
  std::string  Text    = ::testing::TempDir () + "program-not-an-export.txt";
  std::string  Empty   = ::testing::TempDir () + "program-empty-export.bin";
  std::ofstream (Text) << "This is a text file, not an HII database.\n";
  std::ofstream (Empty).close ();
  struct {
    std::string  Path;
    std::string  Says;
  } const  kCases[] = {
    { ::testing::TempDir () + "no-such-export.bin", "cannot read HII export " },
    { Text, " is no HII database export (EFI_INVALID_PARAMETER" },
    { Empty, " is no HII database export (EFI_SUCCESS, 0 package lists)" },
  };

  for (const auto &Case : kCases) {
    RUN  Run = RunProgram ("--nvram " + Nvram + " --no-nvram-save --no-terminal --hii-export " + Case.Path);
    EXPECT_EQ (Run.ExitCode, 1) << Case.Path << "\n" << Run.Output;
    EXPECT_NE (Run.Output.find (Case.Says), std::string::npos) << Run.Output;
    EXPECT_EQ (Run.Output.find ("Entering setup"), std::string::npos) << Run.Output;
  }
}

// The form sets of an export are tabs beside the board's main page; Right opens the next one.
TEST (ProgramRun, SetupWalksTheFormSetsOfAnHiiExport)
{
  std::string  Nvram  = NvramCopy ("program-export.bin");
  std::string  Screen = ::testing::TempDir () + "program-export.txt";
  RUN          Run    = RunProgram ("--nvram " + Nvram + " --no-nvram-save --hii-export " + Fixtures::Path ("ovmf/HIIDB.BIN") +
                          " --keys F2,Right --save-screen " + Screen);

  ASSERT_EQ (Run.ExitCode, 0) << Run.Output;
  std::string  Text = FileText (Screen);
  std::string  Tabs = Text.substr (Text.find ('\n') + 1, Text.find ('\n', Text.find ('\n') + 1) - Text.find ('\n') - 1);
  EXPECT_EQ (Tabs.rfind ("    Main  Secure Boot Configuration  ", 0), 0u) << Tabs;
  EXPECT_NE (Text.find ("Attempt Secure Boot"), std::string::npos) << Text;
}

// The board's message box and setup password show on the console before setup: a run
// whose keys end while one waits leaves it on the saved screen.
TEST (ProgramRun, TheBoardAsksWithAMessageBoxAndForItsSetupPasswordBeforeSetup)
{
  std::string  Nvram   = NvramCopy ("program-asks.bin");
  std::string  Message = ::testing::TempDir () + "program-asks-message.txt";
  std::string  Prompt  = ::testing::TempDir () + "program-asks-prompt.txt";
  std::string  Asks    = "--nvram " + Nvram + " --no-nvram-save --no-terminal --message 'Load the demo settings?' " +
                         "--setup-password abc";
  RUN          AtBox    = RunProgram (Asks + " --save-screen " + Message);
  RUN          AtPrompt = RunProgram (Asks + " --keys Right,Enter,x --save-screen " + Prompt);
  RUN          Through  = RunProgram (Asks + " --keys Enter,x,Enter,Enter,a,b,c,Enter,F2");

  EXPECT_NE (AtBox.Output.find ("the key script has none left"), std::string::npos) << AtBox.Output;
  std::string  Box = FileText (Message);
  EXPECT_NE (Box.find ("\u2500 Demo board \u2500"), std::string::npos) << Box;
  EXPECT_NE (Box.find ("\u2502 Load the demo settings? \u2502"), std::string::npos) << Box;
  EXPECT_NE (Box.find ("Yes      No"), std::string::npos) << Box;

  EXPECT_NE (AtPrompt.Output.find ("Message box answered: EFI_SUCCESS, No"), std::string::npos) << AtPrompt.Output;
  std::string  Entry = FileText (Prompt);
  EXPECT_NE (Entry.find ("Enter Password"), std::string::npos) << Entry;
  EXPECT_NE (Entry.find ("\u2502 *"), std::string::npos) << Entry;
  EXPECT_EQ (Entry.find ("Load the demo settings?"), std::string::npos) << Entry;

  ASSERT_EQ (Through.ExitCode, 0) << Through.Output;
  EXPECT_NE (Through.Output.find ("Message box answered: EFI_SUCCESS, Yes"), std::string::npos) << Through.Output;
  EXPECT_NE (Through.Output.find ("Setup password: access level 2"), std::string::npos) << Through.Output;
  EXPECT_NE (Through.Output.find ("the key script ran out while setup was showing"), std::string::npos) << Through.Output;
}

}  // namespace

TEST (ProgramRun, PrintsTheParsedPagesOfTheBoardAndOfAnHiiExport)
{
  std::string  Nvram = NvramCopy ("parsed-forms.bin");
  RUN          Run   = RunProgram ("--no-nvram-save --nvram " + Nvram + " --hii-export " + Fixtures::Path ("ovmf/HIIDB.BIN"));

  ASSERT_EQ (Run.ExitCode, 0) << Run.Output;
  EXPECT_NE (Run.Output.find ("Form set of package list 7B59104A-C00D-4158-87FF-F04D6396A915: EFI_SUCCESS, 6 pages"),
             std::string::npos) << Run.Output;
  EXPECT_NE (Run.Output.find ("20 package lists"), std::string::npos);
  EXPECT_NE (Run.Output.find ("page 1: form 1 \"Secure Boot Configuration\", parent 0, flags 0x21, 6 controls"),
             std::string::npos) << Run.Output;
  EXPECT_NE (Run.Output.find ("link (1) \"Custom Secure Boot Options\", question 4352, variable 0, 0 bytes, to page 2"),
             std::string::npos);
  EXPECT_EQ (Run.Output, RunProgram ("--no-nvram-save --nvram " + Nvram + " --hii-export " +
                                     Fixtures::Path ("ovmf/HIIDB.BIN")).Output);
}

// Without keys the machine powers on through the POST flow: the logo and its prompt on
// the framebuffer, the board's 3 s, then the boot of the board's shell ends the run.
TEST (ProgramRun, WithoutKeysThePostFlowBootsTheBoardsShell)
{
  std::string  Nvram = NvramCopy ("program-post.bin");
  RUN          Run   = RunProgram ("--nvram " + Nvram + " --no-terminal");

  ASSERT_EQ (Run.ExitCode, 0) << Run.Output;
  EXPECT_NE (Run.Output.find ("Power on: the POST flow"), std::string::npos) << Run.Output;
  EXPECT_NE (Run.Output.find ("Run ended: booted UEFI Shell"), std::string::npos) << Run.Output;
  // The logo and the prompt under it are the blits of the power-on screen.
  EXPECT_NE (Run.Output.find ("0 of 0 scripted keys taken"), std::string::npos) << Run.Output;
  EXPECT_EQ (Run.Output.find (" 0 graphics blits"), std::string::npos) << Run.Output;
  // The board's first run on an NVRAM file gives the hotkeys 3 s; a second run keeps what is stored.
  RUN  Again = RunProgram ("--nvram " + Nvram + " --no-terminal --keys F2@2.5,Esc");
  ASSERT_EQ (Again.ExitCode, 0) << Again.Output;
  EXPECT_NE (Again.Output.find ("Run ended: booted UEFI Shell"), std::string::npos) << Again.Output;
  EXPECT_NE (Again.Output.find ("2 of 2 scripted keys taken"), std::string::npos) << Again.Output;
}

namespace {

// Every tab of OVMF's forms visited, then F4 and Yes: the stores nobody changed (the
// drivers' own, and the default stores of their form sets, which hold nothing) stay
// untouched, so the save leaves setup without an error and without a reset, and the
// NVRAM file is what a run that never entered setup leaves.
TEST (ProgramRun, SavingAfterVisitingEveryTabOfOvmfsFormsWritesNothingAndDoesNotReset)
{
  std::string  Export  = " --no-terminal --hii-export " + Fixtures::Path ("ovmf/HIIDB.BIN");
  std::string  Quiet   = NvramCopy ("program-ovmf-quiet.bin");
  std::string  Visited = NvramCopy ("program-ovmf-visited.bin");
  std::string  Tabs;
  for (int Tab = 0; Tab < 24; Tab++) {
    Tabs += ",Right";       // the strip wraps: every tab at least twice
  }

  RUN  Boot  = RunProgram ("--nvram " + Quiet + Export);
  RUN  Saved = RunProgram ("--nvram " + Visited + Export + " --keys F2" + Tabs + ",F4,Enter");

  ASSERT_EQ (Boot.ExitCode, 0) << Boot.Output;
  ASSERT_EQ (Saved.ExitCode, 0) << Saved.Output;
  EXPECT_NE (Saved.Output.find ("Run ended: booted UEFI Shell"), std::string::npos) << Saved.Output;
  EXPECT_EQ (Saved.Output.find ("ResetSystem"), std::string::npos) << Saved.Output;
  EXPECT_EQ (FileText (Visited), FileText (Quiet));
}

}  // namespace

namespace {

// The Advanced page, + on the boot mode, F4 and Yes: a save that needs a reset.
const std::string  kSaveAChange = "F2,Down,Down,Down,Enter,+,F4,Enter";

// A save resets the machine, which powers on again with the new value and the keys the
// script still holds; the NVRAM file keeps what the last start left.
TEST (ProgramRun, AResetPowersTheMachineOnAgainWithWhatWasSaved)
{
  std::string  Nvram  = NvramCopy ("program-reset.bin");
  std::string  Screen = ::testing::TempDir () + "program-reset.txt";
  RUN          Run    = RunProgram ("--nvram " + Nvram + " --no-terminal --keys " + kSaveAChange +
                          ",F2,Down,Down,Down,Enter --save-screen " + Screen);

  ASSERT_EQ (Run.ExitCode, 0) << Run.Output;
  size_t  Reset = Run.Output.find ("Run ended: ResetSystem (type 0)");
  ASSERT_NE (Reset, std::string::npos) << Run.Output;
  EXPECT_NE (Run.Output.find ("Power on again (2 of at most 4), with the NVRAM as the reset left it", Reset), std::string::npos)
    << Run.Output;
  EXPECT_NE (Run.Output.find ("Run ended: the key script ran out while setup was showing", Reset), std::string::npos)
    << Run.Output;
  EXPECT_NE (FileText (Screen).find ("Boot Mode                            [Legacy]"), std::string::npos) << FileText (Screen);

  RUN  Again = RunProgram ("--nvram " + Nvram + " --no-nvram-save --no-terminal --keys F2,Down,Down,Down,Enter --save-screen " +
                           Screen);
  ASSERT_EQ (Again.ExitCode, 0) << Again.Output;
  EXPECT_NE (FileText (Screen).find ("Boot Mode                            [Legacy]"), std::string::npos) << FileText (Screen);
}

// A machine that resets at every start ends the run after four starts.
TEST (ProgramRun, AMachineThatResetsAtEveryStartStopsAfterFourStarts)
{
  std::string  Nvram = NvramCopy ("program-reset-loop.bin");
  std::string  Keys  = kSaveAChange;
  for (int Start = 1; Start < 6; Start++) {
    Keys += "," + kSaveAChange;
  }

  RUN  Run = RunProgram ("--nvram " + Nvram + " --no-nvram-save --no-terminal --keys " + Keys);
  ASSERT_EQ (Run.ExitCode, 0) << Run.Output;
  EXPECT_NE (Run.Output.find ("Power on again (4 of at most 4)"), std::string::npos) << Run.Output;
  EXPECT_EQ (Run.Output.find ("Power on again (5 of"), std::string::npos) << Run.Output;
  EXPECT_NE (Run.Output.find ("The machine reset at each of 4 starts in a row: the run stops here."), std::string::npos)
    << Run.Output;
}

}  // namespace

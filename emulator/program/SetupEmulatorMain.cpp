/** @file
  setup-emulator: boots the demo machine, starts the setup driver on it, prints what
  both hold and what the engine did with the scripted keys and the consoles, and saves
  the text screen, the framebuffer and the NVRAM file.
**/
#include "DemoMachine.h"
#include "SetupEmulatorUsage.h"
#include "TerminalConsole.h"

#include <Emulator/BootDevices.h>
#include <Emulator/RunEnded.h>
#include <DemoBoard.h>
#include <engine/core/EngineGlobals.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace {

struct PROGRAM_OPTIONS {
  Emu::DEMO_OPTIONS  Demo;
  std::string        ScreenPath;
  std::string        AttributesPath;
  std::string        PngPath;
  bool               SaveNvram = true;
  bool               Terminal  = true;
  bool               TextModeGiven = false;
};

std::string
ProgramDirectory ()
{
  char     Path[4096];
  ssize_t  Length = readlink ("/proc/self/exe", Path, sizeof (Path) - 1);

  if (Length <= 0) {
    return ".";
  }
  Path[Length] = 0;
  std::string  Text (Path);
  return Text.substr (0, Text.rfind ('/'));
}

// "<columns>x<rows>", both at least 1.
std::pair<UINTN, UINTN>
ParseTextMode (const std::string &Text)
{
  size_t  Used = 0;
  size_t  Cross = Text.find ('x');

  if ((Cross == std::string::npos) || (Cross == 0)) {
    throw std::invalid_argument ("text mode " + Text + " is not <columns>x<rows>");
  }
  const unsigned long  Columns = std::stoul (Text.substr (0, Cross), &Used);
  const unsigned long  Rows    = std::stoul (Text.substr (Cross + 1));

  if ((Used != Cross) || (Columns == 0) || (Rows == 0)) {
    throw std::invalid_argument ("text mode " + Text + " is not <columns>x<rows>");
  }
  return { (UINTN)Columns, (UINTN)Rows };
}

std::string
ReadKeyScriptFile (const std::string &Path)
{
  std::ifstream  File (Path);
  std::string    Line;
  std::string    Keys;

  if (!File) {
    throw std::invalid_argument ("cannot open key script " + Path);
  }
  while (std::getline (File, Line)) {
    if (Line.compare (0, 2, "//") != 0) {
      Keys += Line + ",";
    }
  }
  return Keys;
}

// The default NVRAM file starts as a copy of the OVMF variables, so a first run
// already shows a real machine's store.
std::string
DefaultNvram ()
{
  std::string  Path = ProgramDirectory () + "/nvram.bin";

  if (!Emu::ReadFileBytes (Path)) {
    auto  Seed = Emu::ReadFileBytes (std::string (SETUP_OVMF_DIR) + "/VARS.BIN");
    if (Seed) {
      std::ofstream  Out (Path, std::ios::binary);
      Out.write (reinterpret_cast<const char *>(Seed->data ()), (std::streamsize)Seed->size ());
    }
  }
  return Path;
}

std::string
NextValue (int Argc, char **Argv, int *Index)
{
  if (*Index + 1 >= Argc) {
    throw std::invalid_argument (std::string (Argv[*Index]) + " needs a value");
  }
  return Argv[++*Index];
}

bool
ParseOption (int Argc, char **Argv, int *Index, PROGRAM_OPTIONS &Options, std::string &EdidPath)
{
  std::string  Arg = Argv[*Index];

  if (Arg == "--keys") {
    Options.Demo.Machine.Keys += NextValue (Argc, Argv, Index) + ",";
  } else if (Arg == "--key-script") {
    Options.Demo.Machine.Keys += ReadKeyScriptFile (NextValue (Argc, Argv, Index));
  } else if (Arg == "--nvram") {
    Options.Demo.NvramPath = NextValue (Argc, Argv, Index);
  } else if (Arg == "--no-nvram-save") {
    Options.SaveNvram = false;
  } else if (Arg == "--edid") {
    EdidPath = NextValue (Argc, Argv, Index);
  } else if (Arg == "--hii-export") {
    Options.Demo.HiiExportPath = NextValue (Argc, Argv, Index);
  } else if (Arg == "--no-edid") {
    EdidPath.clear ();
  } else if (Arg == "--no-console-control") {
    Options.Demo.Machine.ConsoleControl = false;
  } else if (Arg == "--no-key-code") {
    Options.Demo.Machine.KeyCode = false;
  } else if (Arg == "--text-mode") {
    Options.Demo.Machine.TextModes = { ParseTextMode (NextValue (Argc, Argv, Index)) };
    Options.TextModeGiven          = true;
  } else if (Arg == "--save-screen") {
    Options.ScreenPath = NextValue (Argc, Argv, Index);
  } else if (Arg == "--save-screen-attributes") {
    Options.AttributesPath = NextValue (Argc, Argv, Index);
  } else if (Arg == "--no-terminal") {
    Options.Terminal = false;
  } else if (Arg == "--setup-password") {
    Options.Demo.SetupPassword = NextValue (Argc, Argv, Index);
  } else if (Arg == "--message") {
    Options.Demo.Message = NextValue (Argc, Argv, Index);
  } else if (Arg == "--save-png") {
    Options.PngPath = NextValue (Argc, Argv, Index);
  } else {
    return false;
  }
  return true;
}

PROGRAM_OPTIONS
ParseArguments (int Argc, char **Argv)
{
  PROGRAM_OPTIONS  Options;
  std::string      EdidPath = std::string (SETUP_OVMF_DIR) + "/EDIDMMIO.BIN";

  for (int Index = 1; Index < Argc; Index++) {
    if ((std::strcmp (Argv[Index], "--help") == 0) || (std::strcmp (Argv[Index], "-h") == 0)) {
      std::cout << kUsage;
      std::exit (0);
    }
    if (!ParseOption (Argc, Argv, &Index, Options, EdidPath)) {
      throw std::invalid_argument (std::string ("unknown option ") + Argv[Index]);
    }
  }
  if (!EdidPath.empty ()) {
    auto  Edid = Emu::ReadFileBytes (EdidPath);
    if (!Edid) {
      throw std::invalid_argument ("cannot read EDID file " + EdidPath);
    }
    Options.Demo.Machine.Edid = *Edid;
  }
  if (!Options.Demo.HiiExportPath.empty () && !std::ifstream (Options.Demo.HiiExportPath, std::ios::binary)) {
    throw std::invalid_argument ("cannot read HII export " + Options.Demo.HiiExportPath + ": " + std::strerror (errno));
  }
  if (Options.Demo.NvramPath.empty ()) {
    Options.Demo.NvramPath = DefaultNvram ();
  }
  return Options;
}

// Setup shows on the terminal when the scripted keys run out: the console offers only
// the text modes the terminal shows whole (80x25 on a terminal smaller than 100x31). A
// terminal too small for every mode is told so when setup shows. Returns the line that
// says what was left out, or nothing.
std::string
FitTextModes (const Emu::TerminalConsole &Terminal, std::vector<std::pair<UINTN, UINTN>> &Modes)
{
  UINTN  Columns = 0;
  UINTN  Rows    = 0;

  if (!Terminal.WindowSize (&Columns, &Rows)) {
    return {};
  }
  auto  Fit = Emu::ModesThatFit (Modes, Columns, Rows);
  if (Fit.size () == Modes.size ()) {
    return {};
  }
  std::string  Line = "Terminal " + std::to_string (Columns) + "x" + std::to_string (Rows) + ": text modes";
  for (const auto &Mode : Fit) {
    Line += " " + std::to_string (Mode.first) + "x" + std::to_string (Mode.second);
  }
  Modes = Fit;
  return Line + " only, the ones it shows whole (--text-mode chooses another)\n";
}

// A reset powers the machine on again, up to this many starts in a row: a machine that
// resets at every start still ends the run.
constexpr int  kPowerOns = 4;

// What a person at the terminal needs before it takes over: the keys of the power-on
// screen, which in a quiet boot is drawn only into the frame buffer.
std::string
Greeting (const PROGRAM_OPTIONS &Options)
{
  // Lines that an 80-column terminal shows whole.
  return "Power on: Del or F2 enters setup, F8 the boot menu, Tab the text POST screen.\n"
         "The logo and its prompt are drawn only into the frame buffer, which\n" +
         (Options.PngPath.empty () ? std::string ("--save-png FILE saves when the run ends.\n")
                                   : "is saved when the run ends to " + Options.PngPath + "\n") +
         "Ctrl+C ends the run.\n";
}

// Runs the machine; the return value is the process exit code. *Reset tells a run that
// ended in ResetSystem, after which the machine may power on again.
int
Run (Emu::DemoMachine &Demo, bool *Reset)
{
  *Reset = false;
  try {
    Demo.Boot ();
    std::cout << "Run ended: the program returned\n";
    return 0;
  } catch (const Emu::OsBooted &Booted) {
    std::cout << "Run ended: booted " << Booted.Loader << "\n";
    return 0;
  } catch (const Emu::ResetSystemCalled &Called) {
    std::cout << "Run ended: ResetSystem (type " << Called.Type << ")\n";
    *Reset = true;
    return 0;
  } catch (const Emu::KeyScriptExhausted &Ended) {
    // A scripted run ends when its keys do; in setup that is where the script meant to stop.
    if (gInSetup != 0) {
      std::cout << "Run ended: the key script ran out while setup was showing\n";
      return 0;
    }
    std::cout << "Run ended with an error: " << Ended.what () << "\n";
    return 2;
  } catch (const Emu::RunEnded &Ended) {
    std::cout << "Run ended with an error: " << Ended.what () << "\n";
    return 2;
  }
}

// Writes one saved screen; a file that cannot be written is named with the reason.
bool
SaveText (const std::string &Path, const std::string &Text, const char *What)
{
  std::ofstream  Out (Path);

  if (Out) {
    Out << Text;
    Out.close ();
  }
  if (!Out) {
    std::cout << "Cannot write the " << What << " to " << Path << ": " << std::strerror (errno) << "\n";
    return false;
  }
  std::cout << "Text " << What << " saved to " << Path << "\n";
  return true;
}

// One line per row, each cell's attribute as two hexadecimal digits (background in the
// high digit, foreground in the low one), so that highlights and colours can be read back.
std::string
ScreenAttributes (const Emu::ConsoleOutput &TextOut)
{
  static const char  kHex[] = "0123456789ABCDEF";
  std::string        Text;

  for (UINTN Row = 0; Row < TextOut.Rows (); Row++) {
    for (UINT8 Attribute : TextOut.RowAttributes (Row)) {
      Text += kHex[Attribute >> 4];
      Text += kHex[Attribute & 0x0F];
    }
    Text += '\n';
  }
  return Text;
}

int
SaveOutputs (const PROGRAM_OPTIONS &Options, Emu::DemoMachine &Demo)
{
  int                       Result  = 0;
  const Emu::ConsoleOutput  *TextOut = Demo.Devices ().TextOut;

  if (!Options.ScreenPath.empty ()) {
    Result |= SaveText (Options.ScreenPath, (TextOut != nullptr) ? TextOut->ScreenText () : "", "screen") ? 0 : 1;
  }
  if (!Options.AttributesPath.empty ()) {
    Result |= SaveText (Options.AttributesPath, (TextOut != nullptr) ? ScreenAttributes (*TextOut) : "",
                        "screen's attributes") ? 0 : 1;
  }
  if (!Options.PngPath.empty () && (Demo.Devices ().Graphics != nullptr)) {
    bool  Saved = Demo.Devices ().Graphics->SavePng (Options.PngPath);
    Result |= Saved ? 0 : 1;
    std::cout << (Saved ? "Framebuffer saved to " : "Cannot write the framebuffer to ") << Options.PngPath << "\n";
  }
  if (Options.SaveNvram) {
    bool  Saved = Demo.SaveNvram ();
    Result |= Saved ? 0 : 1;
    std::cout << (Saved ? "NVRAM saved to " : "Cannot write ") << Options.Demo.NvramPath << "\n";
  }
  return Result;
}

}  // namespace

int
main (int Argc, char **Argv)
{
  try {
    PROGRAM_OPTIONS       Options = ParseArguments (Argc, Argv);
    Emu::TerminalConsole  Terminal;
    std::string           Fitted;
    if (Options.Terminal && !Options.TextModeGiven) {
      Fitted = FitTextModes (Terminal, Options.Demo.Machine.TextModes);
    }
    auto  Demo = std::make_unique<Emu::DemoMachine> (Options.Demo);
    std::cout << "Setup emulator\n" << Fitted << Demo->Describe ();
    if (Options.Terminal && Terminal.Active ()) {
      std::cout << Greeting (Options) << std::flush;
      Terminal.SetGreeting (Greeting (Options));
    }
    int  Status = 0;
    for (int PowerOn = 1; ; PowerOn++) {
      if (Options.Terminal) {
        Terminal.Attach (Demo->Devices ());
      }
      bool  Reset = false;
      Status = Run (*Demo, &Reset);
      if (!Reset || (PowerOn == kPowerOns)) {
        if (Reset) {
          std::cout << "The machine reset at each of " << kPowerOns << " starts in a row: the run stops here.\n";
        }
        break;
      }
      // A reset: the machine powers on again with what its NVRAM kept and the keys not yet used.
      Emu::VariableStore  &Store = Demo->Target ().Variables ();
      Store.DropVolatile ();
      Options.Demo.NvramAfterReset = Store.SaveBytes ();
      Options.Demo.Machine.Keys    = (Demo->Devices ().TextIn != nullptr) ? Demo->Devices ().TextIn->Script ().RemainingText () : "";
      std::cout << Demo->DescribeRun () << "Power on again (" << (PowerOn + 1) << " of at most " << kPowerOns
                << "), with the NVRAM as the reset left it\n";
      Demo::PowerOffDriver ();      // while its machine still answers the driver's calls
      Demo.reset ();
      Demo = std::make_unique<Emu::DemoMachine> (Options.Demo);
    }
    Terminal.End ();
    std::cout << Demo->DescribeRun (Terminal.Typed ());
    // Real firmware faults on what the host pool only records (a free of a pointer it
    // never gave out): the run fails.
    for (const std::string &Violation : Demo->Target ().Memory ().Violations ()) {
      std::cout << "Pool misuse: " << Violation << "\n";
      Status = 1;
    }
    if (SaveOutputs (Options, *Demo) != 0) {
      Status = 1;
    }
    return Status;
  } catch (const std::invalid_argument &Error) {
    std::cerr << "setup-emulator: " << Error.what () << "\n" << kUsage;
    return 1;
  } catch (const std::exception &Error) {
    std::cerr << "setup-emulator: " << Error.what () << "\n";
    return 1;
  }
}

// The terminal console: what a terminal sends becomes the keys a firmware keyboard
// gives, colours map to ANSI, and the program run on a pseudo-terminal shows setup
// there and leaves it with the keys typed.
#include "../TerminalConsole.h"

#include <Fixtures.h>
#include <gtest/gtest.h>

#include <pty.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

TEST (TerminalConsole, EscapeSequencesAndCharactersBecomeKeyNames)
{
  EXPECT_EQ (Emu::TerminalKeyName ("\x1b"), "Esc");
  EXPECT_EQ (Emu::TerminalKeyName ("\x1b[A"), "Up");
  EXPECT_EQ (Emu::TerminalKeyName ("\x1b[6~"), "PgDn");
  EXPECT_EQ (Emu::TerminalKeyName ("\x1bOP"), "F1");
  EXPECT_EQ (Emu::TerminalKeyName ("\x1b[21~"), "F10");
  EXPECT_EQ (Emu::TerminalKeyName ("\x1b[24~"), "F12");
  EXPECT_EQ (Emu::TerminalKeyName ("\r"), "Enter");
  EXPECT_EQ (Emu::TerminalKeyName ("\x7f"), "Backspace");
  EXPECT_EQ (Emu::TerminalKeyName (","), "Comma");
  EXPECT_EQ (Emu::TerminalKeyName ("k"), "k");
  EXPECT_EQ (Emu::TerminalKeyName ("\x1b[99~"), "");       // unknown sequences are dropped
  EXPECT_EQ (Emu::TerminalKeyName ("\x01"), "");
}

// What a terminal sends in one read is split into keys by what follows an Esc, not by
// time: a quick Esc then Down is two keys, and an Esc waits only while the bytes so far
// could still be the start of a sequence. UTF-8 characters arrive as their UCS-2 code.
TEST (TerminalConsole, BytesSplitIntoKeysByWhatFollowsAnEsc)
{
  struct {
    std::string               Bytes;
    bool                      Complete;
    std::vector<std::string>  Names;      // of the keys split off
    std::string               Left;       // what waits for more bytes
  } const  kCases[] = {
    { "\x1b", false, {}, "\x1b" },
    { "\x1b", true, { "Esc" }, "" },
    { "\x1b\x1b[B", false, { "Esc", "Down" }, "" },
    { "\x1b[B\x1b", false, { "Down" }, "\x1b" },
    { "\x1b[B\x1b", true, { "Down", "Esc" }, "" },
    { "\x1bq", false, { "Esc", "q" }, "" },
    { "\x1b\r", false, { "Esc", "Enter" }, "" },
    { "\x1b[", false, {}, "\x1b[" },
    { "\x1b[2", false, {}, "\x1b[2" },
    { "\x1b[24~a", false, { "F12", "a" }, "" },
    { "\x1bOP\x1bOQ", false, { "F1", "F2" }, "" },
    { "\x1bO", true, { "Esc", "O" }, "" },
    { "ab\x1b[A", false, { "a", "b", "Up" }, "" },
    { "\xc3\xa9", false, { "U+00E9" }, "" },
    { "\xe2\x82\xac,", false, { "U+20AC", "Comma" }, "" },
    { "x\xc3", false, { "x" }, "\xc3" },
    { "\xc3", true, { "" }, "" },                          // cut off: no key
    { "\xf0\x9f\x98\x80", false, { "" }, "" },          // past UCS-2
    { "\xc0\xaf", false, { "", "" }, "" },                // an overlong '/' and a stray byte
    { "\xff\xe9", true, { "", "" }, "" },
  };

  for (const auto &Case : kCases) {
    std::string               Pending = Case.Bytes;
    std::vector<std::string>  Names;
    for (const std::string &Key : Emu::SplitTerminalKeys (Pending, Case.Complete)) {
      Names.push_back (Emu::TerminalKeyName (Key));
    }
    EXPECT_EQ (Names, Case.Names) << testing::PrintToString (Case.Bytes);
    EXPECT_EQ (Pending, Case.Left) << testing::PrintToString (Case.Bytes);
  }
}

TEST (TerminalConsole, AttributesBecomeAnsiColours)
{
  EXPECT_EQ (Emu::AnsiColour (0x17), "\x1b[0;37;44m");       // light gray on blue
  EXPECT_EQ (Emu::AnsiColour (0x71), "\x1b[0;34;47m");       // blue on light gray
  EXPECT_EQ (Emu::AnsiColour (0x1F), "\x1b[0;1;37;44m");     // white: bright light gray
  EXPECT_EQ (Emu::AnsiColour (0x4E), "\x1b[0;1;33;41m");     // yellow on red
}

TEST (TerminalConsole, TheTooSmallNoticeNamesBothSizesWithinTheTerminalsWidth)
{
  for (UINTN Width : { 20u, 41u, 80u, 99u }) {
    std::string  Notice = Emu::TooSmallNotice (Width, 10, 100, 31);
    std::string  Flat;
    size_t       Start = 0;
    for (;;) {
      size_t       End  = Notice.find ("\r\n", Start);
      std::string  Line = Notice.substr (Start, End - Start);
      EXPECT_LE (Line.size (), Width) << Line;
      EXPECT_FALSE (Line.empty ());
      Flat += (Flat.empty () ? "" : " ") + Line;
      if (End == std::string::npos) {
        break;
      }
      Start = End + 2;
    }
    EXPECT_NE (Flat.find ("This terminal is " + std::to_string (Width) + "x10;"), std::string::npos) << Flat;
    EXPECT_NE (Flat.find ("setup's screen is 100x31."), std::string::npos) << Flat;
    EXPECT_NE (Flat.find ("Ctrl+C ends the run."), std::string::npos) << Flat;
  }
}

TEST (TerminalConsole, OnlyTheModesATerminalShowsWholeAreOffered)
{
  using MODES = std::vector<std::pair<UINTN, UINTN>>;
  const MODES  All = { { 80, 25 }, { 80, 50 }, { 100, 31 } };
  struct {
    UINTN  Columns;
    UINTN  Rows;
    MODES  Expected;
  } const      Cases[] = {
    { 0, 0, All },                                    // size unknown
    { 100, 0, All },
    { 200, 60, All },
    { 100, 31, { { 80, 25 }, { 100, 31 } } },         // exactly the largest
    { 99, 31, { { 80, 25 } } },
    { 100, 30, { { 80, 25 } } },
    { 80, 25, { { 80, 25 } } },
    { 80, 50, { { 80, 25 }, { 80, 50 } } },
    { 80, 24, All },                                  // none fits: the notice says so
    { 79, 100, All },
  };

  for (const auto &Case : Cases) {
    EXPECT_EQ (Emu::ModesThatFit (All, Case.Columns, Case.Rows), Case.Expected) << Case.Columns << "x" << Case.Rows;
  }
}

// Reads what the program writes until it closes the terminal or Limit passes.
std::string
Pump (int Fd, std::chrono::milliseconds Limit)
{
  std::string  Out;
  auto         End = std::chrono::steady_clock::now () + Limit;
  char         Chunk[4096];

  while (std::chrono::steady_clock::now () < End) {
    struct pollfd  Wait = { Fd, POLLIN, 0 };
    if (poll (&Wait, 1, 20) != 1) {
      continue;
    }
    ssize_t  Got = read (Fd, Chunk, sizeof (Chunk));
    if (Got <= 0) {
      break;
    }
    Out.append (Chunk, (size_t)Got);
  }
  return Out;
}

TEST (TerminalConsole, TheProgramOnATerminalShowsSetupAndLeavesWithTheKeysTyped)
{
  int    Fd  = -1;
  pid_t  Pid = forkpty (&Fd, nullptr, nullptr, nullptr);

  if (Pid < 0) {
    GTEST_SKIP () << "no pseudo-terminal on this machine";
  }
  if (Pid == 0) {
    execl (SETUP_EMULATOR_PROGRAM, "setup-emulator", "--no-nvram-save", "--keys", "F2,Enter", (char *)nullptr);
    _exit (127);
  }
  std::string  Shown = Pump (Fd, std::chrono::milliseconds (4000));
  for (const char *Key : { "\x1b[B", "\x1b", "\x1b" }) {        // Down, then Esc back and Esc out
    ASSERT_EQ (write (Fd, Key, strlen (Key)), (ssize_t)strlen (Key));
    Shown += Pump (Fd, std::chrono::milliseconds (500));
  }
  Shown += Pump (Fd, std::chrono::milliseconds (60000));      // until the program ends and the terminal closes
  int  Status = 0;
  ASSERT_EQ (waitpid (Pid, &Status, 0), Pid);
  close (Fd);

  EXPECT_TRUE (WIFEXITED (Status) && (WEXITSTATUS (Status) == 0)) << Shown;
  EXPECT_NE (Shown.find ("\x1b[?1049h"), std::string::npos);   // setup on the alternate screen
  EXPECT_NE (Shown.find ("Boot Mode"), std::string::npos);     // the page the scripted Enter opened
  EXPECT_NE (Shown.find ("\x1b[0;37;44m"), std::string::npos);
  // The report comes whole once the terminal is given back, nothing of it on setup's screen;
  // the keys typed there are not counted as scripted ones.
  size_t  GivenBack = Shown.rfind ("\x1b[?1049l");
  ASSERT_NE (GivenBack, std::string::npos);
  EXPECT_NE (Shown.find ("\x1b[2J"), std::string::npos);      // setup's screen starts blank
  EXPECT_NE (Shown.find ("Run ended: booted UEFI Shell", GivenBack), std::string::npos) << Shown;
  EXPECT_TRUE (std::regex_search (Shown.substr (GivenBack),
                                  std::regex ("2 of 2 scripted keys taken, [0-9]+ text-output calls, [0-9]+ graphics blits; "
                                              "[23] keys typed at the terminal\r\n")))
    << Shown;
}

// Starts the program on a pseudo-terminal of Columns x Rows.
pid_t
StartOnTerminal (int *Fd, unsigned short Columns, unsigned short Rows, const std::vector<const char *> &Arguments)
{
  struct winsize  Size = {};

  Size.ws_col = Columns;
  Size.ws_row = Rows;
  pid_t  Pid = forkpty (Fd, nullptr, nullptr, &Size);
  if (Pid == 0) {
    std::vector<char *>  Argv = { (char *)"setup-emulator" };
    for (const char *Argument : Arguments) {
      Argv.push_back ((char *)Argument);
    }
    Argv.push_back (nullptr);
    execv (SETUP_EMULATOR_PROGRAM, Argv.data ());
    _exit (127);
  }
  return Pid;
}

TEST (TerminalConsole, ATerminalTooSmallForEveryModeIsToldSoUntilItGrows)
{
  int    Fd  = -1;
  pid_t  Pid = StartOnTerminal (&Fd, 80, 24, { "--no-nvram-save", "--keys", "F2,Enter" });

  if (Pid < 0) {
    GTEST_SKIP () << "no pseudo-terminal on this machine";
  }
  std::string  Shown = Pump (Fd, std::chrono::milliseconds (4000));
  size_t       Setup = Shown.find ("\x1b[?1049h");
  ASSERT_NE (Setup, std::string::npos) << Shown;
  EXPECT_NE (Shown.find ("This terminal is 80x24;", Setup), std::string::npos) << Shown;
  EXPECT_EQ (Shown.find ("Setup Utility", Setup), std::string::npos) << Shown;   // nothing of setup's screen, cut
  // A key typed at the notice is typed blind: setup never gets it.
  ASSERT_EQ (write (Fd, "\x1b[B", 3), 3);
  Shown += Pump (Fd, std::chrono::milliseconds (500));

  struct winsize  Larger = {};
  Larger.ws_col = 120;
  Larger.ws_row = 40;
  ASSERT_EQ (ioctl (Fd, TIOCSWINSZ, &Larger), 0);
  std::string  Grown = Pump (Fd, std::chrono::milliseconds (1500));
  EXPECT_NE (Grown.find ("Setup Utility"), std::string::npos) << Grown;
  ASSERT_EQ (write (Fd, "\x1b", 1), 1);
  Grown += Pump (Fd, std::chrono::milliseconds (60000));
  int  Status = 0;
  ASSERT_EQ (waitpid (Pid, &Status, 0), Pid);
  close (Fd);

  EXPECT_TRUE (WIFEXITED (Status) && (WEXITSTATUS (Status) == 0)) << Grown;
  size_t  GivenBack = Grown.rfind ("\x1b[?1049l");
  ASSERT_NE (GivenBack, std::string::npos) << Grown;
  EXPECT_NE (Grown.find ("2 of 2 scripted keys taken", GivenBack), std::string::npos) << Grown;
  // Esc on the main page leaves setup; the Down typed at the notice moved nothing.
  EXPECT_NE (Grown.find ("; 1 key typed at the terminal", GivenBack), std::string::npos) << Grown;
}

TEST (TerminalConsole, ATerminalSmallerThanTheLargestModeGetsTheModesItShows)
{
  struct {
    unsigned short  Columns;
    unsigned short  Rows;
    const char      *Said;              // nullptr: every mode stays
    const char      *Modes;
  } const  Cases[] = {
    { 90, 30, "Terminal 90x30: text modes 80x25 only", "Text output: 0: 80x25 *\r\n" },
    { 100, 31, "Terminal 100x31: text modes 80x25 100x31 only", "Text output: 0: 80x25 * 1: 100x31\r\n" },
    { 160, 60, nullptr, "Text output: 0: 80x25 * 1: 80x50 2: 100x31\r\n" },
  };

  for (const auto &Case : Cases) {
    int    Fd  = -1;
    // The scripted keys enter and leave setup: the terminal only sized the console.
    pid_t  Pid = StartOnTerminal (&Fd, Case.Columns, Case.Rows, { "--no-nvram-save", "--keys", "F2,Esc" });
    if (Pid < 0) {
      GTEST_SKIP () << "no pseudo-terminal on this machine";
    }
    std::string  Shown  = Pump (Fd, std::chrono::milliseconds (60000));
    int          Status = 0;
    ASSERT_EQ (waitpid (Pid, &Status, 0), Pid);
    close (Fd);
    EXPECT_TRUE (WIFEXITED (Status) && (WEXITSTATUS (Status) == 0)) << Shown;
    EXPECT_EQ (Shown.find ("\x1b[?1049h"), std::string::npos) << Shown;
    if (Case.Said != nullptr) {
      EXPECT_NE (Shown.find (Case.Said), std::string::npos) << Shown;
    } else {
      EXPECT_EQ (Shown.find ("Terminal "), std::string::npos) << Shown;
    }
    EXPECT_NE (Shown.find (Case.Modes), std::string::npos) << Shown;
  }
}

}  // namespace

namespace {

// Nobody at the terminal types: the power-on screen says which keys do what (the logo
// itself is only in the frame buffer), the POST time-out runs as the clock says, and the
// machine boots on its own. The key polls of the flow never wait for a key.
TEST (TerminalConsole, WithoutAKeyTheMachineBootsOnItsOwnWhenTheTimeOutEnds)
{
  std::string  Nvram = ::testing::TempDir () + "terminal-untouched.bin";
  std::filesystem::remove (Nvram);
  std::filesystem::copy_file (Fixtures::Path ("ovmf/VARS.BIN"), Nvram);
  std::filesystem::permissions (Nvram, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  int    Fd    = -1;
  auto   Start = std::chrono::steady_clock::now ();
  pid_t  Pid   = StartOnTerminal (&Fd, 100, 31, { "--nvram", Nvram.c_str (), "--no-nvram-save" });

  if (Pid < 0) {
    GTEST_SKIP () << "no pseudo-terminal on this machine";
  }
  std::string  Shown   = Pump (Fd, std::chrono::milliseconds (60000));
  auto         Seconds = std::chrono::duration_cast<std::chrono::seconds> (std::chrono::steady_clock::now () - Start).count ();
  int          Status  = 0;
  ASSERT_EQ (waitpid (Pid, &Status, 0), Pid);
  close (Fd);

  EXPECT_TRUE (WIFEXITED (Status) && (WEXITSTATUS (Status) == 0)) << Shown;
  size_t  Takeover = Shown.find ("\x1b[?1049h");
  ASSERT_NE (Takeover, std::string::npos) << Shown;
  size_t  Said = Shown.find ("Power on: Del or F2 enters setup, F8 the boot menu");
  EXPECT_LT (Said, Takeover) << Shown;
  EXPECT_NE (Shown.find ("--save-png FILE"), std::string::npos) << Shown;
  EXPECT_NE (Shown.find ("Del or F2 enters setup", Takeover), std::string::npos) << Shown;   // while the console is blank
  EXPECT_NE (Shown.find ("Run ended: booted UEFI Shell", Takeover), std::string::npos) << Shown;
  // The board's time-out is 3 s of the machine's clock, which the terminal keeps in step.
  EXPECT_GE (Seconds, 2);
  EXPECT_LE (Seconds, 30);
}

}  // namespace

// The terminal console: what a terminal sends becomes the keys a firmware keyboard
// gives, colours map to ANSI, and the program run on a pseudo-terminal shows setup
// there and leaves it with the keys typed.
#include "../TerminalConsole.h"

#include <gtest/gtest.h>

#include <pty.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

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

TEST (TerminalConsole, AttributesBecomeAnsiColours)
{
  EXPECT_EQ (Emu::AnsiColour (0x17), "\x1b[0;37;44m");       // light gray on blue
  EXPECT_EQ (Emu::AnsiColour (0x71), "\x1b[0;34;47m");       // blue on light gray
  EXPECT_EQ (Emu::AnsiColour (0x1F), "\x1b[0;1;37;44m");     // white: bright light gray
  EXPECT_EQ (Emu::AnsiColour (0x4E), "\x1b[0;1;33;41m");     // yellow on red
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
    execl (SETUP_EMULATOR_PROGRAM, "setup-emulator", "--no-nvram-save", "--keys", "Enter", (char *)nullptr);
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
  EXPECT_NE (Shown.find ("Setup left: EFI_SUCCESS"), std::string::npos) << Shown;
  EXPECT_NE (Shown.find ("\x1b[?1049l"), std::string::npos);   // the terminal given back
}

}  // namespace

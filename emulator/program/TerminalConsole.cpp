/** @file
  The emulator's text console and keyboard on the program's terminal.
**/
#include "TerminalConsole.h"

#include <Emulator/RunEnded.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <map>

namespace Emu {

namespace {

// An escape sequence is complete when no byte follows within this time; a lone Esc is a key.
constexpr int  kSequenceGapMs = 40;
constexpr char kCtrlC         = 0x03;

// UEFI colour numbers to ANSI ones (blue and red swap places, as do cyan and brown).
constexpr int  kAnsiOfEfi[8] = { 0, 4, 2, 6, 1, 5, 3, 7 };

std::string
Utf8 (char16_t Char)
{
  std::string  Out;

  if (Char < 0x80) {
    Out += (char)Char;
  } else if (Char < 0x800) {
    Out += (char)(0xC0 | (Char >> 6));
    Out += (char)(0x80 | (Char & 0x3F));
  } else {
    Out += (char)(0xE0 | (Char >> 12));
    Out += (char)(0x80 | ((Char >> 6) & 0x3F));
    Out += (char)(0x80 | (Char & 0x3F));
  }
  return Out;
}

}  // namespace

std::string
TerminalKeyName (const std::string &Sequence)
{
  static const std::map<std::string, std::string>  kNames = {
    { "\x1b", "Esc" },        { "\x1b[A", "Up" },      { "\x1b[B", "Down" },    { "\x1b[C", "Right" },
    { "\x1b[D", "Left" },     { "\x1b[H", "Home" },    { "\x1b[F", "End" },     { "\x1b[1~", "Home" },
    { "\x1b[4~", "End" },     { "\x1bOH", "Home" },    { "\x1bOF", "End" },     { "\x1b[2~", "Ins" },
    { "\x1b[3~", "Del" },     { "\x1b[5~", "PgUp" },   { "\x1b[6~", "PgDn" },   { "\x1bOP", "F1" },
    { "\x1bOQ", "F2" },       { "\x1bOR", "F3" },      { "\x1bOS", "F4" },      { "\x1b[15~", "F5" },
    { "\x1b[17~", "F6" },     { "\x1b[18~", "F7" },    { "\x1b[19~", "F8" },    { "\x1b[20~", "F9" },
    { "\x1b[21~", "F10" },    { "\x1b[23~", "F11" },   { "\x1b[24~", "F12" },   { "\r", "Enter" },
    { "\n", "Enter" },        { "\t", "Tab" },         { "\x7f", "Backspace" }, { "\b", "Backspace" },
    { " ", "Space" },         { ",", "Comma" },
  };
  auto  Found = kNames.find (Sequence);

  if (Found != kNames.end ()) {
    return Found->second;
  }
  if ((Sequence.size () == 1) && (Sequence[0] > ' ') && (Sequence[0] < 0x7f)) {
    return Sequence;
  }
  return {};
}

std::string
AnsiColour (UINT8 Attribute)
{
  int  Foreground = kAnsiOfEfi[Attribute & 0x7];
  int  Background = kAnsiOfEfi[(Attribute >> 4) & 0x7];

  return "\x1b[0;" + std::string ((Attribute & 0x8) ? "1;" : "") + std::to_string (30 + Foreground) + ";" +
         std::to_string (40 + Background) + "m";
}

TerminalConsole::TerminalConsole ()
{
  if (!isatty (STDIN_FILENO)) {
    return;
  }
  mFd = open ("/dev/tty", O_RDWR | O_NOCTTY);
  if ((mFd >= 0) && (tcgetattr (mFd, &mSaved) != 0)) {
    close (mFd);
    mFd = -1;
  }
}

TerminalConsole::~TerminalConsole ()
{
  End ();
  if (mFd >= 0) {
    close (mFd);
  }
}

// Raw keys and the alternate screen, from the first key the terminal gives on.
void
TerminalConsole::Begin ()
{
  if (mStarted) {
    return;
  }
  std::fflush (stdout);
  struct termios  Raw = mSaved;
  cfmakeraw (&Raw);
  (void)tcsetattr (mFd, TCSANOW, &Raw);
  Write ("\x1b[?1049h\x1b[?25l");
  mStarted = true;
}

void
TerminalConsole::End ()
{
  if (!mStarted) {
    return;
  }
  Write ("\x1b[0m\x1b[?25h\x1b[?1049l");
  (void)tcsetattr (mFd, TCSANOW, &mSaved);
  mStarted = false;
}

void
TerminalConsole::Write (const std::string &Text) const
{
  size_t  Done = 0;

  while (Done < Text.size ()) {
    ssize_t  Wrote = write (mFd, Text.data () + Done, Text.size () - Done);
    if (Wrote <= 0) {
      return;
    }
    Done += (size_t)Wrote;
  }
}

void
TerminalConsole::Draw (const ConsoleOutput &Out)
{
  std::string  Frame = "\x1b[H";
  int          Last  = -1;

  for (UINTN Row = 0; Row < Out.Rows (); Row++) {
    Frame += "\x1b[" + std::to_string (Row + 1) + ";1H";
    for (UINTN Column = 0; Column < Out.Columns (); Column++) {
      const TEXT_CELL  &Cell = Out.Cell (Column, Row);
      if (Cell.Char == 0) {
        continue;                    // the right half of a wide character
      }
      if (Cell.Attribute != Last) {
        Frame += AnsiColour (Cell.Attribute);
        Last   = Cell.Attribute;
      }
      Frame += Utf8 ((Cell.Char < ' ') ? u' ' : Cell.Char);
    }
  }
  if (Frame != mShown) {
    Write (Frame);
    mShown = Frame;
  }
}

// One key as the terminal sent it: a byte, or an escape sequence read until a pause.
std::string
TerminalConsole::ReadSequence ()
{
  std::string    Sequence;
  struct pollfd  Wait = { mFd, POLLIN, 0 };
  char           Byte;

  while (read (mFd, &Byte, 1) != 1) {
  }
  Sequence += Byte;
  if (Byte != 0x1b) {
    return Sequence;
  }
  while ((Sequence.size () < 8) && (poll (&Wait, 1, kSequenceGapMs) == 1) && (read (mFd, &Byte, 1) == 1)) {
    Sequence += Byte;
    if ((Sequence.size () > 2) && ((Byte == '~') || ((Byte >= 'A') && (Byte <= 'Z')))) {
      break;
    }
  }
  return Sequence;
}

void
TerminalConsole::Attach (STANDARD_DEVICES &Devices)
{
  if (!Active () || (Devices.TextIn == nullptr) || (Devices.TextOut == nullptr)) {
    return;
  }
  ConsoleOutput  *Out    = Devices.TextOut;
  KeyScript      *Script = &Devices.TextIn->Script ();

  Script->SetWaitHook ([this, Out, Script] {
    if (Script->Remaining () > 0) {
      return;                        // scripted keys come first
    }
    Begin ();
    Draw (*Out);
    for (;;) {
      std::string  Sequence = ReadSequence ();
      if ((Sequence.size () == 1) && (Sequence[0] == kCtrlC)) {
        throw RunEnded ("Ctrl+C on the terminal");
      }
      std::string  Name = TerminalKeyName (Sequence);
      if (!Name.empty ()) {
        Script->Append (Name);
        return;
      }
    }
  });
}

}  // namespace Emu

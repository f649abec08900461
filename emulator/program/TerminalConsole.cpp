/** @file
  The emulator's text console and keyboard on the program's terminal.
**/
#include "TerminalConsole.h"

#include <Emulator/RunEnded.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <map>

namespace Emu {

namespace {

// A key cut off by the terminal's write is complete once no byte follows within this
// time; only then is a lone Esc taken for the key.
constexpr int  kSequenceGapMs = 40;
constexpr char kCtrlC         = 0x03;
// How often a waiting console looks at the terminal's size, so a resize redraws it.
constexpr int  kResizePollMs  = 200;

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

namespace {

// Bytes of the UTF-8 character that starts with Lead; 0 for a byte no character starts with.
size_t
Utf8Length (unsigned char Lead)
{
  if (Lead < 0x80) {
    return 1;
  }
  if ((Lead >= 0xC2) && (Lead <= 0xDF)) {
    return 2;
  }
  if ((Lead >= 0xE0) && (Lead <= 0xEF)) {
    return 3;
  }
  if ((Lead >= 0xF0) && (Lead <= 0xF4)) {
    return 4;
  }
  return 0;
}

// The code of a whole UTF-8 character of two bytes or more; 0 when it is not one.
char32_t
Utf8Code (const std::string &Bytes)
{
  size_t    Length = Utf8Length ((unsigned char)Bytes[0]);
  char32_t  Code   = (unsigned char)Bytes[0] & (0x7F >> Length);

  if ((Length < 2) || (Bytes.size () != Length)) {
    return 0;
  }
  for (size_t Index = 1; Index < Length; Index++) {
    if (((unsigned char)Bytes[Index] & 0xC0) != 0x80) {
      return 0;
    }
    Code = (Code << 6) | ((unsigned char)Bytes[Index] & 0x3F);
  }
  // Overlong forms and surrogates are no characters.
  static const char32_t  kLeast[5] = { 0, 0, 0x80, 0x800, 0x10000 };
  return ((Code < kLeast[Length]) || ((Code >= 0xD800) && (Code <= 0xDFFF))) ? 0 : Code;
}

// Bytes of the key at the start of Bytes (at least 1), or 0 when more bytes are needed to tell.
size_t
KeyLength (const std::string &Bytes)
{
  if (Bytes[0] != 0x1b) {
    size_t  Length = Utf8Length ((unsigned char)Bytes[0]);
    if (Length == 0) {
      return 1;                      // a stray byte: a key of its own, which has no name
    }
    for (size_t Index = 1; Index < Length; Index++) {
      if (Index >= Bytes.size ()) {
        return 0;
      }
      if (((unsigned char)Bytes[Index] & 0xC0) != 0x80) {
        return Index;                // cut short: what came is dropped, the rest is read anew
      }
    }
    return Length;
  }
  if (Bytes.size () < 2) {
    return 0;
  }
  if (Bytes[1] == 'O') {
    return (Bytes.size () < 3) ? 0 : 3;
  }
  if (Bytes[1] != '[') {
    return 1;                        // Esc itself, and what follows is the next key
  }
  // Parameters and intermediates, then the final byte.
  for (size_t Index = 2; Index < Bytes.size (); Index++) {
    unsigned char  Byte = (unsigned char)Bytes[Index];
    if ((Byte >= 0x40) && (Byte <= 0x7E)) {
      return Index + 1;
    }
    if ((Byte < 0x20) || (Byte > 0x3F)) {
      return Index;                  // no sequence goes on so: it ends before this byte
    }
  }
  return 0;
}

}  // namespace

std::vector<std::string>
SplitTerminalKeys (std::string &Pending, bool Complete)
{
  std::vector<std::string>  Keys;

  while (!Pending.empty ()) {
    size_t  Length = KeyLength (Pending);
    if (Length == 0) {
      if (!Complete) {
        break;
      }
      // Nothing more came: an Esc that starts no whole sequence is the key itself (the
      // bytes after it are keys of their own); a cut-off character has no name.
      Length = (Pending[0] == 0x1b) ? 1 : Pending.size ();
    }
    Keys.push_back (Pending.substr (0, Length));
    Pending.erase (0, Length);
  }
  return Keys;
}

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
  char32_t  Code = Sequence.empty () ? 0 : Utf8Code (Sequence);
  if ((Code >= 0xA0) && (Code <= 0xFFFF)) {
    char  Name[8];
    std::snprintf (Name, sizeof (Name), "U+%04X", (unsigned)Code);
    return Name;
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

std::string
TooSmallNotice (UINTN TerminalColumns, UINTN TerminalRows, UINTN Columns, UINTN Rows)
{
  const std::string  Words = "This terminal is " + std::to_string (TerminalColumns) + "x" + std::to_string (TerminalRows) +
                             "; setup's screen is " + std::to_string (Columns) + "x" + std::to_string (Rows) +
                             ". Enlarge the terminal to see it (or start with --text-mode 80x25). Ctrl+C ends the run.";
  const size_t       Width = (TerminalColumns < 20) ? 20 : (size_t)TerminalColumns;
  std::string        Lines;
  std::string        Line;
  size_t             Start = 0;

  // Word wrap to the terminal's width, so the notice itself is not cut.
  while (Start < Words.size ()) {
    size_t  Space = Words.find (' ', Start);
    if (Space == std::string::npos) {
      Space = Words.size ();
    }
    std::string  Word = Words.substr (Start, Space - Start);
    if (!Line.empty () && (Line.size () + 1 + Word.size () > Width)) {
      Lines += Line + "\r\n";
      Line.clear ();
    }
    Line += (Line.empty () ? "" : " ") + Word;
    Start = Space + 1;
  }
  return Lines + Line;
}

std::vector<std::pair<UINTN, UINTN>>
ModesThatFit (const std::vector<std::pair<UINTN, UINTN>> &Modes, UINTN Columns, UINTN Rows)
{
  std::vector<std::pair<UINTN, UINTN>>  Fit;

  if ((Columns == 0) || (Rows == 0)) {
    return Modes;
  }
  for (const auto &Mode : Modes) {
    if ((Mode.first <= Columns) && (Mode.second <= Rows)) {
      Fit.push_back (Mode);
    }
  }
  return Fit.empty () ? Modes : Fit;
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

bool
TerminalConsole::WindowSize (UINTN *Columns, UINTN *Rows) const
{
  struct winsize  Size {};

  if ((mFd < 0) || (ioctl (mFd, TIOCGWINSZ, &Size) != 0) || (Size.ws_col == 0) || (Size.ws_row == 0)) {
    return false;
  }
  *Columns = Size.ws_col;
  *Rows    = Size.ws_row;
  return true;
}

// Raw keys and the alternate screen, cleared, from the first key the terminal gives on.
// Output processing stays on, so a line the program writes meanwhile still starts at the
// left; the program's own output is held back until End.
void
TerminalConsole::Begin ()
{
  if (mStarted) {
    return;
  }
  std::cout.flush ();
  std::fflush (stdout);
  mCoutBuffer = std::cout.rdbuf (mHeld.rdbuf ());
  struct termios  Raw = mSaved;
  cfmakeraw (&Raw);
  Raw.c_oflag = mSaved.c_oflag;
  (void)tcsetattr (mFd, TCSANOW, &Raw);
  Write ("\x1b[?1049h\x1b[?25l\x1b[0m\x1b[2J");
  mShown.clear ();
  mNotice  = false;
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
  std::cout.rdbuf (mCoutBuffer);
  std::cout << mHeld.str () << std::flush;
  mHeld.str ("");
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
  UINTN        Columns = 0;
  UINTN        Rows    = 0;
  const bool   Small   = WindowSize (&Columns, &Rows) && ((Columns < Out.Columns ()) || (Rows < Out.Rows ()));
  std::string  Frame;

  bool  Blank = true;
  for (UINTN Row = 0; Blank && (Row < Out.Rows ()); Row++) {
    for (UINTN Column = 0; Blank && (Column < Out.Columns ()); Column++) {
      Blank = (Out.Cell (Column, Row).Char == 0) || (Out.Cell (Column, Row).Char == u' ');
    }
  }

  const bool  Greets = Blank && !Small && !mGreeting.empty ();
  if (Small) {
    Frame = "\x1b[0m\x1b[2J\x1b[H" + TooSmallNotice (Columns, Rows, Out.Columns (), Out.Rows ());
  } else if (Greets) {
    // While the console shows nothing (a quiet boot draws only in the frame buffer),
    // the terminal says what the keys do rather than stay black.
    Frame = "\x1b[0m\x1b[2J";
    std::istringstream  Lines (mGreeting);
    std::string         Line;
    for (UINTN Row = 1; std::getline (Lines, Line); Row++) {
      Frame += "\x1b[" + std::to_string (Row) + ";1H" + Line;
    }
  } else {
    int  Last = -1;
    // Back from the notice or the greeting (or a smaller window), nothing of it may stay
    // beside the screen.
    Frame = (mNotice || mGreeted) ? "\x1b[0m\x1b[2J\x1b[H" : "\x1b[H";
    for (UINTN Row = 0; Row < Out.Rows (); Row++) {
      Frame += "\x1b[" + std::to_string (Row + 1) + ";1H";
      for (UINTN Column = 0; Column < Out.Columns (); Column++) {
        const TEXT_CELL  &Cell = Out.Cell (Column, Row);
        if (Cell.Char == 0) {
          continue;                  // the right half of a wide character
        }
        if (Cell.Attribute != Last) {
          Frame += AnsiColour (Cell.Attribute);
          Last   = Cell.Attribute;
        }
        Frame += Utf8 ((Cell.Char < ' ') ? u' ' : Cell.Char);
      }
    }
  }
  if (Frame != mShown) {
    Write (Frame);
    mShown = Frame;
  }
  mNotice  = Small;
  mGreeted = Greets;
}

int
TerminalConsole::RealTimeAhead () const
{
  Machine  *Current = Machine::Current ();

  // A poll (CheckEvent) returns whatever it finds; only a wait with nothing due needs a key.
  if ((Current == nullptr) || (Current->Events ().Waiting () && !Current->Events ().NextWakeTime ())) {
    return -1;                       // nothing but a key can end this wait
  }
  const INT64  Virtual = (INT64)(Current->Events ().Now () / 10000);       // 100-ns units to ms
  const INT64  Real    = std::chrono::duration_cast<std::chrono::milliseconds> (std::chrono::steady_clock::now () - mOrigin).count ();
  const INT64  Ahead   = Virtual - Real;
  return (int)((Ahead < 0) ? 0 : (Ahead > 50) ? 50 : Ahead);
}

bool
TerminalConsole::KeyWaiting (int Milliseconds) const
{
  struct pollfd  Wait = { mFd, POLLIN, 0 };

  return poll (&Wait, 1, Milliseconds) == 1;
}

// One key as the terminal sent it: a character or a whole escape sequence. Bytes are
// read as they come; only a key the bytes so far cannot tell waits out the gap.
std::string
TerminalConsole::ReadKey ()
{
  struct pollfd  Wait = { mFd, POLLIN, 0 };
  char           Chunk[64];

  while (mKeys.empty ()) {
    bool     Complete = false;
    ssize_t  Got;
    if (mPending.empty ()) {
      Got = read (mFd, Chunk, sizeof (Chunk));
      if ((Got == 0) || ((Got < 0) && (errno != EINTR))) {
        throw RunEnded ("the terminal closed");
      }
    } else if (poll (&Wait, 1, kSequenceGapMs) == 1) {
      Got = read (mFd, Chunk, sizeof (Chunk));
    } else {
      Got      = 0;
      Complete = true;
    }
    if (Got > 0) {
      mPending.append (Chunk, (size_t)Got);
    }
    for (std::string &Key : SplitTerminalKeys (mPending, Complete)) {
      mKeys.push_back (std::move (Key));
    }
  }
  std::string  Key = mKeys.front ();
  mKeys.pop_front ();
  return Key;
}

void
TerminalConsole::Attach (STANDARD_DEVICES &Devices)
{
  if (!Active () || (Devices.TextIn == nullptr) || (Devices.TextOut == nullptr)) {
    return;
  }
  ConsoleOutput  *Out    = Devices.TextOut;
  KeyScript      *Script = &Devices.TextIn->Script ();

  // A person at the terminal never runs out of keys.
  Script->SetStarveLimit (~(UINT64)0);
  mOrigin = std::chrono::steady_clock::now ();
  Script->SetWaitHook ([this, Out, Script] {
    if (Script->Remaining () > 0) {
      return;                        // scripted keys come first
    }
    Begin ();
    for (;;) {
      Draw (*Out);
      // When the clock will move by itself (a time-out, a poll), the wait needs no key:
      // the terminal is given the real time by which the machine's clock is ahead, so a
      // POST time-out takes about as long as it says. Keys already read, or the start of
      // one, need no wait for the terminal.
      int  Ahead = RealTimeAhead ();
      if (mKeys.empty () && mPending.empty () &&
          !KeyWaiting ((Ahead >= 0) ? std::min (Ahead, kResizePollMs) : kResizePollMs)) {
        if (Ahead >= 0) {
          return;
        }
        continue;
      }
      std::string  Sequence = ReadKey ();
      if ((Sequence.size () == 1) && (Sequence[0] == kCtrlC)) {
        throw RunEnded ("Ctrl+C on the terminal");
      }
      // Keys typed at the notice were typed blind: they are not setup's.
      std::string  Name = mNotice ? std::string () : TerminalKeyName (Sequence);
      if (!Name.empty ()) {
        Script->Append (Name);
        mTyped++;
        return;
      }
    }
  });
}

}  // namespace Emu

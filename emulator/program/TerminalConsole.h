/** @file
  The emulator's consoles on a real terminal: whenever the program waits for a key
  and the key script has none left, the text console is drawn on the terminal (its
  colours as ANSI colours, box characters as they are) and one key typed there is
  read, turned into the key record a firmware keyboard gives, and handed to the key
  script. While the console shows nothing (the logo is only in the frame buffer) the
  terminal shows a greeting that says what to press. Ctrl+C ends the run. Setup shows on the terminal's alternate screen, so the
  program's report is left as it was; a terminal too small for the console's mode says so
  instead of showing part of it.
**/
#ifndef SETUP_EMULATOR_TERMINAL_CONSOLE_H_
#define SETUP_EMULATOR_TERMINAL_CONSOLE_H_

#include <Emulator/StandardMachine.h>

#include <chrono>
#include <deque>
#include <sstream>
#include <string>
#include <termios.h>
#include <utility>
#include <vector>

namespace Emu {

// The key-script name of what a terminal sent (a whole escape sequence or one
// character, a UTF-8 one as its UCS-2 code "U+00E9"); empty for sequences this
// console does not know and characters past UCS-2.
std::string TerminalKeyName (const std::string &Sequence);

// Takes the keys off the front of Pending, the bytes a terminal sent: whole escape
// sequences, single characters and UTF-8 characters. An Esc is told from the start
// of a sequence by the byte after it ('[' or 'O' begin one; anything else, another
// Esc included, is the next key). What may still be the start of a key stays in
// Pending unless Complete says that nothing more follows now: then an Esc that
// starts no whole sequence is the Esc key, and the bytes after it keys of their own.
std::vector<std::string> SplitTerminalKeys (std::string &Pending, bool Complete);

// The ANSI colour escape of a UEFI text attribute (foreground in the low nibble,
// background in bits 4 to 6).
std::string AnsiColour (UINT8 Attribute);

// What the terminal shows instead of the console when it is smaller than the console's
// mode (columns x rows of each), on lines of at most the terminal's width.
std::string TooSmallNotice (UINTN TerminalColumns, UINTN TerminalRows, UINTN Columns, UINTN Rows);

// The text modes of Modes that a terminal of Columns x Rows shows whole; all of them when
// it shows none (its size then gets the notice above) or its size is unknown (0).
std::vector<std::pair<UINTN, UINTN>> ModesThatFit (const std::vector<std::pair<UINTN, UINTN>> &Modes, UINTN Columns,
                                                   UINTN Rows);

class TerminalConsole {
public:
  // Opens the controlling terminal when standard input is one; Active () is false otherwise.
  TerminalConsole ();
  ~TerminalConsole ();
  TerminalConsole (const TerminalConsole &) = delete;
  TerminalConsole &operator= (const TerminalConsole &) = delete;

  bool Active () const { return mFd >= 0; }
  // The terminal's size; false when it is not known (no terminal, or a size of 0).
  bool WindowSize (UINTN *Columns, UINTN *Rows) const;
  // Feeds the machine's key script from this terminal from now on.
  void Attach (STANDARD_DEVICES &Devices);
  // Gives the terminal back as it was, then writes what the program printed meanwhile.
  void End ();
  // Keys typed at the terminal and handed to the key script.
  size_t Typed () const { return mTyped; }
  // Lines the terminal shows while the console is blank (keys typed there count).
  void   SetGreeting (const std::string &Lines) { mGreeting = Lines; }

private:
  void        Begin ();
  void        Draw (const ConsoleOutput &Out);
  bool        KeyWaiting (int Milliseconds) const;
  // Milliseconds the machine's clock is ahead of the real time since Attach (0 to 50);
  // -1 when nothing but a key can end the machine's wait (a poll always ends by itself).
  int         RealTimeAhead () const;
  std::string ReadKey ();
  void        Write (const std::string &Text) const;

  int                      mFd = -1;
  struct termios           mSaved {};
  std::string              mShown;
  std::string              mPending;            // bytes read that are not a whole key yet
  std::deque<std::string>  mKeys;               // whole keys read, not yet handed over
  bool                     mStarted = false;
  bool                     mNotice  = false;    // the too-small notice is what the terminal shows
  bool                     mGreeted = false;    // the greeting is what the terminal shows
  std::string              mGreeting;
  size_t                   mTyped   = 0;
  // The program's output while the terminal shows setup: held back so that it neither
  // lands on setup's screen nor gets lost with it, and printed in order by End ().
  std::ostringstream                     mHeld;
  std::streambuf                         *mCoutBuffer = nullptr;
  std::chrono::steady_clock::time_point  mOrigin;
};

}  // namespace Emu

#endif

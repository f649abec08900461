/** @file
  The emulator's consoles on a real terminal: whenever the program waits for a key
  and the key script has none left, the text console is drawn on the terminal (its
  colours as ANSI colours, box characters as they are) and one key typed there is
  read, turned into the key record a firmware keyboard gives, and handed to the key
  script. Ctrl+C ends the run.
**/
#ifndef SETUP_EMULATOR_TERMINAL_CONSOLE_H_
#define SETUP_EMULATOR_TERMINAL_CONSOLE_H_

#include <Emulator/StandardMachine.h>

#include <string>
#include <termios.h>

namespace Emu {

// The key-script name of what a terminal sent (a whole escape sequence or one
// character); empty for sequences this console does not know.
std::string TerminalKeyName (const std::string &Sequence);

// The ANSI colour escape of a UEFI text attribute (foreground in the low nibble,
// background in bits 4 to 6).
std::string AnsiColour (UINT8 Attribute);

class TerminalConsole {
public:
  // Opens the controlling terminal when standard input is one; Active () is false otherwise.
  TerminalConsole ();
  ~TerminalConsole ();
  TerminalConsole (const TerminalConsole &) = delete;
  TerminalConsole &operator= (const TerminalConsole &) = delete;

  bool Active () const { return mFd >= 0; }
  // Feeds the machine's key script from this terminal from now on.
  void Attach (STANDARD_DEVICES &Devices);
  // Gives the terminal back as it was (the program's own output shows again).
  void End ();

private:
  void        Begin ();
  void        Draw (const ConsoleOutput &Out);
  std::string ReadSequence ();
  void        Write (const std::string &Text) const;

  int             mFd = -1;
  struct termios  mSaved {};
  std::string     mShown;
  bool            mStarted = false;
};

}  // namespace Emu

#endif

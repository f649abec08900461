/** @file
  The machine the program boots: the standard machine with the NVRAM file and the
  EDID of the display, and the place where the setup driver is started.

  Boot starts the driver as a dispatcher would and reports what it installed and
  holds. The engine reads no key and draws nothing at start-up; DescribeRun says
  what it did on the consoles, so the saved screen and framebuffer are only ever
  what the engine drew.
**/
#ifndef SETUP_EMULATOR_DEMO_MACHINE_H_
#define SETUP_EMULATOR_DEMO_MACHINE_H_

#include <Emulator/StandardMachine.h>

#include <optional>
#include <string>
#include <vector>

namespace Emu {

struct DEMO_OPTIONS {
  MACHINE_OPTIONS  Machine;
  std::string      NvramPath;  // empty: no NVRAM file
  std::optional<std::vector<UINT8>>  NvramAfterReset;  // the store a reset left, in place of the file's
  std::string      HiiExportPath;  // an HII database export whose forms are parsed too; empty: none
  std::string      SetupPassword;  // the board's setup password, asked before setup; empty: none
  std::string      Message;        // a message box shown before setup; empty: none
};

class DemoMachine {
public:
  explicit DemoMachine (const DEMO_OPTIONS &Options);

  Machine          &Target () { return mMachine; }
  STANDARD_DEVICES &Devices () { return mDevices; }
  // Text describing consoles, graphics modes and variables, for the program's output.
  std::string       Describe () const;
  // Starts the setup driver and reports on it. Run endings (ResetSystem, an exhausted
  // key script) propagate to the caller.
  void              Boot ();
  // What the engine did with the consoles since the machine was built: keys read (the
  // last TypedKeys of the key script were typed at the terminal, not scripted),
  // text-output calls, graphics blits.
  std::string       DescribeRun (size_t TypedKeys = 0) const;
  bool              SaveNvram () const;

private:
  DEMO_OPTIONS      mOptions;
  Machine           mMachine;
  STANDARD_DEVICES  mDevices;
  std::string       mNvramNote;
  size_t            mTextCallsBefore = 0;
  size_t            mBltsBefore      = 0;
};

}  // namespace Emu

#endif

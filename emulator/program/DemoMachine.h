/** @file
  The machine the program boots: the standard machine with the NVRAM file and the
  EDID of the display, and the place where the setup driver is started.

  Starting the driver (loading its firmware file and package list into the image,
  then calling SetupEngineDriverEntry) lands with the driver start-up; until then
  the demo runs a small console loop that shows each scripted key on the screen.
**/
#ifndef SETUP_EMULATOR_DEMO_MACHINE_H_
#define SETUP_EMULATOR_DEMO_MACHINE_H_

#include <Emulator/StandardMachine.h>

#include <string>

namespace Emu {

struct DEMO_OPTIONS {
  MACHINE_OPTIONS  Machine;
  std::string      NvramPath;  // empty: no NVRAM file
};

class DemoMachine {
public:
  explicit DemoMachine (const DEMO_OPTIONS &Options);

  Machine          &Target () { return mMachine; }
  STANDARD_DEVICES &Devices () { return mDevices; }
  // Text describing consoles, graphics modes and variables, for the program's output.
  std::string       Describe () const;
  // Boots: today the console loop; the driver entry joins here. Run endings
  // (ResetSystem, an exhausted key script) propagate to the caller.
  void              Boot ();
  bool              SaveNvram () const;

private:
  void              ConsoleLoop ();

  DEMO_OPTIONS      mOptions;
  Machine           mMachine;
  STANDARD_DEVICES  mDevices;
  std::string       mNvramNote;
};

}  // namespace Emu

#endif

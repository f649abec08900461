/** @file
  The demo board: a small board's setup forms (one-of, checkbox, numeric, string,
  password, date and time questions on four pages, and an "HDD Security" page whose
  passwords go to the machine's hard disk), compiled into the driver's setup
  data with the engine's special variables, the engine's own package list in the
  driver's image, and the NVRAM the board starts from.

  StartSetupDriver runs SetupEngineDriverEntry on a machine as a dispatcher would;
  ReportSetupDriver prints what a firmware engineer wants to see after it.
**/
#ifndef EMULATOR_DEMO_DEMO_BOARD_H_
#define EMULATOR_DEMO_DEMO_BOARD_H_

#include <Emulator/StandardMachine.h>
#include <EmulatorHii/HiiServices.h>

#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace Demo {

// The board's own setup variable, its form set and the engine's variables.
extern const EFI_GUID  kBoardSetupGuid;
extern const EFI_GUID  kBoardFormSetGuid;
extern const EFI_GUID  kEngineVariableGuid;

struct BOARD {
  std::vector<uint8_t>                  FormsPackageList;  // the board's forms and strings
  std::vector<uint8_t>                  SetupDataSection;  // section body: GUID, then the block
  std::map<EFI_STRING_ID, std::u16string>  Strings;        // the board's en-US strings
};

// Builds the board; the same bytes every time.
BOARD BuildBoard ();

// Variables the board needs that the NVRAM does not hold yet ("Setup", "OKURWZSetup",
// "Timeout", Boot#### options and "BootOrder"); what the NVRAM holds stays as it is.
void SeedVariables (Emu::VariableStore &Variables, const BOARD &Board);

// The board's own boot option first in "BootOrder": the shell of the firmware volume
// whose device path (without its end node) is VolumePath.
void PutBoardBootOption (Emu::VariableStore &Variables, const std::vector<uint8_t> &VolumePath);

// The board's logo: a 24-bit BMP of the given size.
std::vector<uint8_t> LogoBmp (uint32_t Width, uint32_t Height);

struct STARTED_DRIVER {
  EFI_STATUS        Status = EFI_NOT_STARTED;
  Emu::HiiServices  *Hii   = nullptr;
  EFI_HII_HANDLE    BoardForms = nullptr;   // the board's package list in the HII database
  std::vector<EFI_HANDLE>  BrowsersBefore;
};

// Adds the HII services, publishes the board's forms, puts the compiled setup data and
// the engine's package list into the driver's image and runs the driver's entry.
STARTED_DRIVER StartSetupDriver (Emu::Machine &Target, Emu::STANDARD_DEVICES &Devices, const BOARD &Board);

void ReportSetupDriver (std::ostream &Out, Emu::Machine &Target, const STARTED_DRIVER &Started, const BOARD &Board);

// Parses the forms of the package lists into pages with the engine's form parser and
// prints every page with its controls and the variables the parse added.
void ReportParsedForms (std::ostream &Out, Emu::HiiServices &Hii, const std::vector<EFI_HII_HANDLE> &Handles);

// Builds the board, seeds the NVRAM, starts the driver and reports, then the parsed
// forms of the board and of an HII export file when one is named: the program's run.
// What a run may ask of the board before setup is entered.
struct DEMO_REQUESTS {
  std::u16string  SetupPassword;   // stored as the board's setup password and asked for; empty: none
  std::u16string  Message;         // shown in a Yes/No message box through the boot-screen interface; empty: none
};

void RunDemoBoard (Emu::Machine &Target, Emu::STANDARD_DEVICES &Devices, std::ostream &Out,
                   const std::string &HiiExportPath = "", const DEMO_REQUESTS &Requests = {});

// Everything the driver of a run holds given back and its state forgotten, as a power
// cycle leaves it: the next machine starts the driver afresh.
void PowerOffDriver ();

// "EFI_SUCCESS", "EFI_NOT_FOUND", ... or the value in hex.
std::string StatusName (EFI_STATUS Status);

}  // namespace Demo

#endif

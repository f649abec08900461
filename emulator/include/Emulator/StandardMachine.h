/** @file
  The usual machine in one call: consoles, graphics, console control, pointer, the
  driver's firmware image, the board's ports and MSRs, status codes, ACPI tables
  and the hand-off block list. Each piece can be left out or reshaped through
  MACHINE_OPTIONS; the returned STANDARD_DEVICES point at what was built (null for
  what was left out), all owned by the machine.
**/
#ifndef EMULATOR_STANDARD_MACHINE_H_
#define EMULATOR_STANDARD_MACHINE_H_

#include <Emulator/Consoles.h>
#include <Emulator/FirmwareImage.h>
#include <Emulator/GraphicsOutput.h>
#include <Emulator/Machine.h>
#include <Emulator/PlatformDevices.h>
#include <Emulator/UnicodeCollation.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace Emu {

// The driver's firmware file when a test names none.
extern const EFI_GUID  kDefaultDriverFileGuid;

struct MACHINE_OPTIONS {
  std::vector<std::pair<UINTN, UINTN>>    TextModes     = { { 80, 25 }, { 80, 50 }, { 100, 31 } };
  std::vector<std::pair<UINT32, UINT32>>  GraphicsModes = { { 1024, 768 }, { 800, 600 }, { 1280, 720 }, { 1920, 1080 } };
  bool                               ConOut         = true;   // false: ConOut, StdErr and their handles are null
  bool                               ConIn          = true;   // false: ConIn and ConsoleInHandle are null
  bool                               KeyCode        = true;   // the key-code protocol on the console-input handle
  bool                               InputEx        = true;   // input-ex on the console-input handle
  bool                               ConsoleControl = true;   // OVMF has none
  bool                               Pointer        = true;
  bool                               Graphics       = true;
  bool                               Collation      = true;   // Unicode Collation 2
  bool                               OlderCollation = false;  // the older Unicode Collation too
  std::optional<std::vector<UINT8>>  Edid;                    // nullopt: no EDID active protocol
  EFI_GUID                           DriverFile     = kDefaultDriverFileGuid;
  EFI_BOOT_MODE                      BootMode       = BOOT_WITH_FULL_CONFIGURATION;
  std::string                        Keys;                    // key script, text form
};

struct STANDARD_DEVICES {
  ConsoleOutput     *TextOut     = nullptr;
  ConsoleInput      *TextIn      = nullptr;
  ConsoleControl    *Control     = nullptr;
  PointerDevice     *Pointer     = nullptr;
  GraphicsOutput    *Graphics    = nullptr;
  FirmwareImage     *Image       = nullptr;
  PlatformHardware  *Hardware    = nullptr;
  StatusCodeLog     *StatusCodes = nullptr;
  AcpiTables        *Acpi        = nullptr;
  HobList           *Hobs        = nullptr;
  UnicodeCollation  *Collation   = nullptr;
};

STANDARD_DEVICES BuildStandardMachine (Machine &Target, const MACHINE_OPTIONS &Options);

// Reads a whole file; nullopt when it cannot be opened.
std::optional<std::vector<UINT8>> ReadFileBytes (const std::string &Path);

}  // namespace Emu

#endif

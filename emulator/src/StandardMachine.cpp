/** @file
  Assembling the usual machine.
**/
#include <Emulator/StandardMachine.h>

#include <fstream>
#include <iterator>

namespace Emu {

const EFI_GUID  kDefaultDriverFileGuid =
  { 0x4B8C1F7A, 0x3E52, 0x4A0D, { 0x9C, 0x61, 0x2D, 0x8E, 0x5B, 0x70, 0x14, 0xA3 } };

std::optional<std::vector<UINT8>>
ReadFileBytes (const std::string &Path)
{
  std::ifstream  File (Path, std::ios::binary);

  if (!File) {
    return std::nullopt;
  }
  return std::vector<UINT8>((std::istreambuf_iterator<char>(File)), std::istreambuf_iterator<char>());
}

static void
BuildConsoles (Machine &Target, const MACHINE_OPTIONS &Options, STANDARD_DEVICES &Devices)
{
  EFI_SYSTEM_TABLE  *System = Target.SystemTable ();

  if (Options.ConOut) {
    Devices.TextOut             = &Target.Add (std::make_unique<ConsoleOutput>(Target, Options.TextModes));
    System->ConsoleOutHandle    = Devices.TextOut->Handle ();
    System->ConOut              = Devices.TextOut->Protocol ();
    System->StandardErrorHandle = Devices.TextOut->Handle ();
    System->StdErr              = Devices.TextOut->Protocol ();
  }
  if (Options.ConIn) {
    Devices.TextIn          = &Target.Add (std::make_unique<ConsoleInput>(Target, Options.KeyCode, Options.InputEx));
    System->ConsoleInHandle = Devices.TextIn->Handle ();
    System->ConIn           = Devices.TextIn->TextIn ();
    Devices.TextIn->Script ().Append (Options.Keys);
  }
  if (Options.ConsoleControl) {
    Devices.Control = &Target.Add (std::make_unique<ConsoleControl>(Target));
  }
  if (Options.Pointer) {
    Devices.Pointer = &Target.Add (std::make_unique<PointerDevice>(Target));
  }
}

STANDARD_DEVICES
BuildStandardMachine (Machine &Target, const MACHINE_OPTIONS &Options)
{
  STANDARD_DEVICES  Devices;

  BuildConsoles (Target, Options, Devices);
  if (Options.Graphics) {
    Devices.Graphics = &Target.Add (std::make_unique<GraphicsOutput>(Target, Options.GraphicsModes, Options.Edid));
  }
  Devices.Image       = &Target.Add (std::make_unique<FirmwareImage>(Target, Options.DriverFile));
  Devices.Hardware    = &Target.Add (std::make_unique<PlatformHardware>(Target));
  Devices.StatusCodes = &Target.Add (std::make_unique<StatusCodeLog>(Target));
  Devices.Acpi        = &Target.Add (std::make_unique<AcpiTables>(Target));
  Devices.Hobs        = &Target.Add (std::make_unique<HobList>(Target, Options.BootMode));
  if (Options.Collation) {
    Devices.Collation = &Target.Add (std::make_unique<UnicodeCollation>(Target, Options.OlderCollation));
  }
  return Devices;
}

}  // namespace Emu

/** @file
  The demo board's page of action links: links that boot an option, run an engine
  action, call the board driver's form callback, select a legacy group, refresh a
  disk's security state, list and act on driver-health controllers, and start files
  from a firmware volume and from a file system, and the devices and tools of the
  machine they reach (the board driver, a legacy BIOS with a hard-disk group, a
  driver-health driver, the tools in the firmware volume and on a volume of their own).

  Each link's condition compares a hidden question of a variable whose GUID names a
  link entry of the compiled setup data: the entry says what the link does and
  the compared value is its index.
**/
#ifndef EMULATOR_DEMO_DEMO_ACTION_LINKS_H_
#define EMULATOR_DEMO_DEMO_ACTION_LINKS_H_

#include <Builders/IfrBuilder.h>
#include <Builders/SetupDataBuilder.h>
#include <Emulator/BootDevices.h>
#include <Emulator/StandardMachine.h>
#include <EmulatorHii/HiiServices.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace Demo {

// The form of the page and its link on the main page.
constexpr uint16_t  kSpecialLinksForm = 0x100;

// The firmware-volume files the page starts: one the volume holds, one it does not.
extern const EFI_GUID  kDiagnosticsFile;
extern const EFI_GUID  kRecoveryFile;

// The form set's question the board driver's callback answers: it reads the sensors.
constexpr uint16_t  kReadSensorsQuestion = 0x130;

// The page's links, top to bottom.
enum SPECIAL_LINK : uint16_t {
  kLinkBootEntry1, kLinkBootEntry2, kLinkBootEntry3, kLinkBootEntry4, kLinkLoadDefaults, kLinkReadSensors, kLinkLegacyGroup, kLinkDiskSecurity, kLinkHealthList,
  kLinkHealthEntry, kLinkDiagnostics, kLinkRecovery, kLinkFlashTool, kSpecialLinkCount
};

// The prompt of each link, in page order.
const std::vector<std::u16string> &SpecialLinkPrompts ();

// The link to the page, for the main form.
void WriteSpecialLinksRef (Builders::IfrBuilder &F);

// The page's varstores and form.
void WriteSpecialLinksForm (Builders::IfrBuilder &F);

// The page's strings, added to the board's.
const std::map<EFI_STRING_ID, std::u16string> &SpecialLinkStrings ();

// The link entries in the board's setup data, and the engine variable the page shows
// (the device count of the selected legacy group, kept in the cache only).
void AddSpecialEntries (Builders::SETUP_DATA_DESC &Desc);

// Publishes the board's forms through the board's setup driver, which answers the form
// callback of the sensors question; the package list's handle.
EFI_HII_HANDLE PublishBoardForms (Emu::Machine &Target, Emu::HiiServices &Hii, const std::vector<uint8_t> &PackageList);

// What the links reach on the machine: the tools (in the driver's firmware volume and on
// a volume of their own), a legacy BIOS with two hard disks, and a driver-health driver
// with a controller that asks for a repair.
void AddSpecialLinkTargets (Emu::Machine &Target, Emu::STANDARD_DEVICES &Devices, Emu::BootImages &Images,
                            EFI_HII_HANDLE BoardForms);

// The boot option of the two legacy hard disks' group, last in "BootOrder", and the group in
// "LegacyDevOrder"; what the NVRAM holds already stays.
void PutLegacyBootOption (Emu::VariableStore &Variables);

}  // namespace Demo

#endif

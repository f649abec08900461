// Fuzz target of the boot road: what the POST flow, the boot loop, the boot menu and the
// save take from NVRAM, which any boot-time code or operating system writes. Each input
// powers the demo board on once, with the variables it names put into NVRAM (or a logo
// file into the board's firmware volume), under one of four key scripts: boot; setup,
// load defaults and save; the boot menu; the boot device order edited and saved.
//
// Input: byte 0 picks the script, byte 1 bit 0 adds a legacy BIOS with hard-disk and CD
// entries; then records of a target byte, a 16-bit little-endian length and that many
// bytes (the last record takes what is left). A record of no bytes deletes the variable.
// A run ends when the script runs out, an option boots or the machine resets; a fault,
// a sanitizer report, a bad free or a run that never ends is a finding.
#include <DemoBoard.h>

#include <engine/boot/BootMenu.h>
#include <engine/boot/BootOptions.h>
#include <engine/boot/LegacyDevOrder.h>
#include <engine/browser/DynamicPages.h>
#include <engine/core/BootScreenInterface.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/SetupData.h>
#include <engine/post/BootScreen.h>
#include <engine/post/PostScreen.h>
#include <engine/startup/SetupEngine.h>
#include <engine/textui/TextScreen.h>
#include <engine/textui/TuiApp.h>
#include <engine/variables/VariableCache.h>
#include <frontend/SetupSave.h>
#include <Guid/GlobalVariable.h>
#include <Library/PlatformLib.h>

#include <Emulator/LegacyBios.h>
#include <Emulator/RunEnded.h>
#include <Emulator/StandardMachine.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using BYTES = std::vector<UINT8>;

constexpr UINT32  kNvBsRt   = EFI_VARIABLE_NON_VOLATILE | EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_RUNTIME_ACCESS;
constexpr UINT32  kBs       = EFI_VARIABLE_BOOTSERVICE_ACCESS;
constexpr size_t  kMaxRecords = 64;
constexpr UINT64  kPollStep    = 100000;          // 10 ms in units of 100 ns
constexpr UINT64  kStarveLimit = 300000000;       // 30 s
constexpr UINT8   kRawSection = 0x19;
constexpr UINT16  kBbsHardDisk = 2;     // BBS device types
constexpr UINT16  kBbsCdRom    = 3;

const EFI_GUID  kBootFlowGuid     = { 0xEF152FB4, 0x7B2F, 0x427D, { 0xBD, 0xB4, 0x7E, 0x0A, 0x05, 0x82, 0x6E, 0x64 } };
const EFI_GUID  kUpdateGuid       = { 0x96569704, 0xFCF8, 0x4D11, { 0x99, 0x72, 0x95, 0xC0, 0xE1, 0xFF, 0x65, 0xB7 } };
const EFI_GUID  kCmosFailGuid     = { 0xC89DC9C7, 0x5105, 0x472C, { 0xA7, 0x43, 0xB1, 0x62, 0x1E, 0x14, 0x2B, 0x41 } };
const EFI_GUID  kBoardItemGuid    = { 0x0024FD50, 0x3BC1, 0x436C, { 0xBD, 0xDD, 0x2C, 0x92, 0x51, 0x5C, 0x12, 0x85 } };
const EFI_GUID  kLegacyOrderGuid  = { 0xA56074DB, 0x65FE, 0x45F7, { 0xBD, 0x21, 0x2D, 0x2B, 0xDD, 0x8E, 0x96, 0x52 } };
const EFI_GUID  kDisabledDevsGuid = DISABLED_DEVS_VARIABLE_GUID;
const EFI_GUID  kDefaultsGuid     = SETUP_DEFAULTS_VARIABLE_GUID;
const EFI_GUID  kDefaultOrderGuid = SETUP_DEFAULT_ORDER_GUID;

struct TARGET {
  const char16_t  *Name;     // null: the logo file
  const EFI_GUID  *Guid;
  UINT32          Attributes;
};

// The variables of the boot road, by the target byte of a record (modulo their count).
const TARGET  kTargets[] = {
  { u"BootOrder", &gEfiGlobalVariableGuid, kNvBsRt },           // 0
  { u"BootNext", &gEfiGlobalVariableGuid, kNvBsRt },
  { u"Boot0000", &gEfiGlobalVariableGuid, kNvBsRt },
  { u"Boot0001", &gEfiGlobalVariableGuid, kNvBsRt },
  { u"Boot0002", &gEfiGlobalVariableGuid, kNvBsRt },
  { u"Boot0003", &gEfiGlobalVariableGuid, kNvBsRt },            // 5
  { u"Key0000", &gEfiGlobalVariableGuid, kNvBsRt },
  { u"Key0001", &gEfiGlobalVariableGuid, kNvBsRt },
  { u"OsIndications", &gEfiGlobalVariableGuid, kNvBsRt },
  { u"Timeout", &gEfiGlobalVariableGuid, kNvBsRt },
  { u"PlatformLang", &gEfiGlobalVariableGuid, kNvBsRt },        // 10
  { u"PlatformLangCodes", &gEfiGlobalVariableGuid, kNvBsRt },
  { u"BootFlow", &kBootFlowGuid, kBs },
  { u"Setup", &Demo::kBoardSetupGuid, kNvBsRt },
  { u"OKURWZSetup", &Demo::kEngineVariableGuid, kNvBsRt },
  { u"SIBoardItemControl", &kBoardItemGuid, kNvBsRt },          // 15
  { u"StdDefaults", &kDefaultsGuid, kNvBsRt },
  { u"MfgDefaults", &kDefaultsGuid, kNvBsRt },
  { u"LegacyDevOrder", &kLegacyOrderGuid, kNvBsRt },
  { u"DisabledDevs", &kDisabledDevsGuid, kNvBsRt },
  { u"DriverOrder", &gEfiGlobalVariableGuid, kNvBsRt },         // 20
  { u"Driver0000", &gEfiGlobalVariableGuid, kNvBsRt },
  { u"DefaultBootOrder", &kDefaultOrderGuid, kNvBsRt },
  { u"EnterYxUpdate", &kUpdateGuid, kNvBsRt },
  { u"CMOSfailflag", &kCmosFailGuid, kNvBsRt },
  { u"DynamicPageCount", &Demo::kEngineVariableGuid, kNvBsRt }, // 25
  { u"SetupResetMarker", &Demo::kEngineVariableGuid, kNvBsRt },
  { nullptr, nullptr, 0 },
};

// Setup is entered with Del; F3 loads the defaults, F10 saves and leaves (Enter: yes).
const char *const  kScripts[] = {
  "",
  "Del,F3,Enter,F10,Enter",
  "F8,Down,Enter",
  "Del,Down,Down,Down,Down,Down,Enter,Down,Enter,Down,+,Enter,F10,Enter",
};

struct RECORD {
  const TARGET  *Target;
  BYTES         Data;
};

std::vector<RECORD>
ReadRecords (const uint8_t *Data, size_t Size)
{
  std::vector<RECORD>  Records;

  for (size_t At = 0; (At < Size) && (Records.size () < kMaxRecords); ) {
    const TARGET  *Target = &kTargets[Data[At] % (sizeof (kTargets) / sizeof (kTargets[0]))];
    size_t        Length  = (At + 2 < Size) ? (size_t)(Data[At + 1] | (Data[At + 2] << 8)) : 0;
    size_t        Start   = (At + 3 < Size) ? At + 3 : Size;
    size_t        End     = (Length < Size - Start) ? Start + Length : Size;
    Records.push_back ({ Target, BYTES (Data + Start, Data + End) });
    At = End;
  }

  return Records;
}

// A legacy BIOS of two hard disks and two CD drives, each with its own device path.
void
AddLegacyBios (Emu::Machine &M, std::vector<BYTES> &Paths)
{
  Emu::LegacyBios    &Bios = M.Add (std::make_unique<Emu::LegacyBios> (M));
  EFI_BOOT_SERVICES  *Services = M.SystemTable ()->BootServices;

  Paths.reserve (4);
  for (UINT8 Index = 0; Index < 4; Index++) {
    EFI_HANDLE  Handle = nullptr;
    Paths.push_back ({ 0x03, 0x05, 6, 0, Index, 0, 0x7F, 0xFF, 4, 0 });
    (void)Services->InstallMultipleProtocolInterfaces (&Handle, &gEfiDevicePathProtocolGuid, Paths.back ().data (), nullptr);
    Bios.Table ().push_back (Emu::BbsEntry (BBS_UNPRIORITIZED_ENTRY, (UINT16)((Index < 2) ? kBbsHardDisk : kBbsCdRom), Handle));
  }
}

// What a run of the engine leaves in its globals goes before the machine does.
void
ForgetEngine ()
{
  DestroyTuiApp ();
  FreeDynamicPageTable ();
  FreeBootMenuList ();
  RestoreDeletedOptions ();
  FreeBootOptionTables ();
  (VOID)SetupEngineCleanup (EFI_SUCCESS);
  FreeSetupData ();
  FreeScreenBuffers ();
  CloseConsoleNotifications ();
  ResetEngineState ();
  gLegacyBios = nullptr;
  gLibST      = nullptr;
  gLibBS      = nullptr;
  gLibRT      = nullptr;
}

}  // namespace

extern "C" int
LLVMFuzzerTestOneInput (const uint8_t *Data, size_t Size)
{
  static const Demo::BOARD  Board = Demo::BuildBoard ();
  Emu::MACHINE_OPTIONS      Options;
  std::vector<BYTES>        Paths;

  if (Size < 2) {
    return 0;
  }

  Options.Keys = kScripts[Data[0] % (sizeof (kScripts) / sizeof (kScripts[0]))];
  {
    Emu::Machine           M;
    Emu::STANDARD_DEVICES  Devices = Emu::BuildStandardMachine (M, Options);

    // Polling waits move the clock in steps of 10 ms, and a wait for keys the script no
    // longer has ends after 30 s: a time-out any variable sets costs a few thousand polls.
    M.Events ().SetPollStep (kPollStep);
    Devices.TextIn->Script ().SetStarveLimit (kStarveLimit);
    (void)PlatformLibConstructor (Devices.Image->ImageHandle (), M.SystemTable ());
    ConnectEngineParts ();
    if ((Data[1] & 1) != 0) {
      AddLegacyBios (M, Paths);
    }

    for (const RECORD &Record : ReadRecords (Data + 2, Size - 2)) {
      if (Record.Target->Name == nullptr) {
        // Read before the board's own images: the first section of a file is the one read.
        for (const EFI_GUID &Logo : gDailyLogoFiles) {
          Devices.Image->AddSection (Logo, kRawSection, Record.Data);
        }
        Devices.Image->AddSection (gTextPostLogoFile, kRawSection, Record.Data);
      } else if (Record.Data.empty ()) {
        (void)M.Variables ().Set ((CHAR16 *)Record.Target->Name, Record.Target->Guid, Record.Target->Attributes, 0, nullptr);
      } else {
        M.Variables ().Put (Record.Target->Name, *Record.Target->Guid, Record.Target->Attributes, Record.Data);
      }
    }

    Demo::SeedVariables (M.Variables (), Board);
    try {
      if (Demo::StartSetupDriver (M, Devices, Board).Status == EFI_SUCCESS) {
        (void)gBootScreenInterface.RunBootScreenFlow ();
      }
    } catch (const Emu::RunEnded &) {
      // The script ran out, an option booted or the machine reset: the run is over.
    }

    bool  BadFrees = !M.Memory ().Violations ().empty ();
    ForgetEngine ();
    if (BadFrees) {
      abort ();
    }
  }

  return 0;
}

/** @file
  The demo board's page of action links and what the links reach.
**/
#include "DemoActionLinks.h"
#include "DemoBoard.h"

#include <Builders/ByteWriter.h>
#include <Emulator/FileSystem.h>
#include <Emulator/Guid.h>
#include <Emulator/HealthDriver.h>
#include <Emulator/LegacyBios.h>
#include <EmulatorHii/FakeDriver.h>
#include <engine/core/SetupDataFormat.h>
#include <Guid/GlobalVariable.h>
#include <Protocol/DevicePath.h>

#include <memory>
#include <optional>
#include <stdexcept>

namespace Demo {

const EFI_GUID  kDiagnosticsFile = { 0x2F3A61C0, 0x5B1E, 0x4C8A, { 0x9D, 0x41, 0x0B, 0x7E, 0x52, 0x19, 0xC3, 0x01 } };
const EFI_GUID  kRecoveryFile    = { 0x2F3A61C0, 0x5B1E, 0x4C8A, { 0x9D, 0x41, 0x0B, 0x7E, 0x52, 0x19, 0xC3, 0x02 } };

namespace {

using Builders::BYTES;

// The GUIDs that name the entries of links that are not files.
constexpr EFI_GUID  kBootEntryLinks  = { 0x2F3A61C1, 0x5B1E, 0x4C8A, { 0x9D, 0x41, 0x0B, 0x7E, 0x52, 0x19, 0xC3, 0x11 } };
constexpr EFI_GUID  kActionLinks     = { 0x2F3A61C1, 0x5B1E, 0x4C8A, { 0x9D, 0x41, 0x0B, 0x7E, 0x52, 0x19, 0xC3, 0x12 } };
constexpr EFI_GUID  kCallbackLinks   = { 0x2F3A61C1, 0x5B1E, 0x4C8A, { 0x9D, 0x41, 0x0B, 0x7E, 0x52, 0x19, 0xC3, 0x13 } };
constexpr EFI_GUID  kLegacyLinks     = { 0x2F3A61C1, 0x5B1E, 0x4C8A, { 0x9D, 0x41, 0x0B, 0x7E, 0x52, 0x19, 0xC3, 0x14 } };
constexpr EFI_GUID  kDiskLinks       = { 0x2F3A61C1, 0x5B1E, 0x4C8A, { 0x9D, 0x41, 0x0B, 0x7E, 0x52, 0x19, 0xC3, 0x15 } };
constexpr EFI_GUID  kHealthListLinks = { 0x2F3A61C1, 0x5B1E, 0x4C8A, { 0x9D, 0x41, 0x0B, 0x7E, 0x52, 0x19, 0xC3, 0x16 } };
constexpr EFI_GUID  kHealthLinks     = { 0x2F3A61C1, 0x5B1E, 0x4C8A, { 0x9D, 0x41, 0x0B, 0x7E, 0x52, 0x19, 0xC3, 0x17 } };
constexpr EFI_GUID  kFlashToolLinks  = { 0x2F3A61C1, 0x5B1E, 0x4C8A, { 0x9D, 0x41, 0x0B, 0x7E, 0x52, 0x19, 0xC3, 0x18 } };
constexpr EFI_GUID  kBoardDriverPath = { 0x2F3A61C2, 0x5B1E, 0x4C8A, { 0x9D, 0x41, 0x0B, 0x7E, 0x52, 0x19, 0xC3, 0x21 } };
constexpr EFI_GUID  kLegacyOrderGuid = { 0xA56074DB, 0x65FE, 0x45F7, { 0xBD, 0x21, 0x2D, 0x2B, 0xDD, 0x8E, 0x96, 0x52 } };
constexpr EFI_GUID  kGlobalGuid      = { 0x8BE4DF61, 0x93CA, 0x11D2, { 0xAA, 0x0D, 0x00, 0xE0, 0x98, 0x03, 0x2B, 0x8C } };

constexpr uint16_t  kHardDisk           = 2;        // BBS device type
constexpr uint16_t  kLegacyOption       = 0x0200;
constexpr uint32_t  kNvBsRt             = EFI_VARIABLE_NON_VOLATILE | EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_RUNTIME_ACCESS;
constexpr EFI_VARSTORE_ID  kFirstStore  = 0x100;   // one per entry, in the order of kEntries
constexpr EFI_VARSTORE_ID  kCountStore  = 0x120;   // the engine's legacy group count
constexpr uint16_t  kFirstHidden        = 0x100;   // the hidden questions, one per entry
constexpr uint16_t  kFirstLink          = 0x110;
constexpr uint16_t  kGroupCountQuestion = 0x121;

// String ids of the page (the board's own run from 0x01 to 0x52).
enum : EFI_STRING_ID {
  kTitle = 0x100, kHelp, kRefHelp, kBootSection, kActionSection, kDriverSection, kLegacySection, kDiskSection,
  kHealthSection, kToolSection, kSensors, kSensorsValue, kGroupCount, kGroupCountHelp, kHidden, kRepaired,
  kFirstPrompt = 0x110, kFirstLinkHelp = 0x120
};

// One link entry of the board's setup data, and the links that name it.
struct ENTRY {
  EFI_GUID        Guid;
  uint32_t        Flags;
  uint32_t        Kind;
  std::u16string  Paths;
};

const std::vector<ENTRY> &
Entries ()
{
  static const std::vector<ENTRY>  List = {
    { kBootEntryLinks, SPECIAL_ENTRY_HAS_KIND, SPECIAL_KIND_BOOT_ENTRY, u"" },
    { kActionLinks, SPECIAL_ENTRY_HAS_KIND, SPECIAL_KIND_ENGINE_ACTION, u"" },
    { kCallbackLinks, SPECIAL_ENTRY_HAS_KIND, SPECIAL_KIND_FORM_CALLBACK, u"" },
    { kLegacyLinks, SPECIAL_ENTRY_HAS_KIND, SPECIAL_KIND_LEGACY_GROUP, u"" },
    { kDiskLinks, SPECIAL_ENTRY_HAS_KIND, SPECIAL_KIND_HDD_SECURITY, u"" },
    { kHealthListLinks, SPECIAL_ENTRY_HAS_KIND, SPECIAL_KIND_DRIVER_HEALTH_LIST, u"" },
    { kHealthLinks, SPECIAL_ENTRY_HAS_KIND, SPECIAL_KIND_DRIVER_HEALTH_ENTRY, u"" },
    { kDiagnosticsFile, SPECIAL_ENTRY_START_FILE, 0, u"" },
    { kRecoveryFile, SPECIAL_ENTRY_START_FILE, 0, u"" },
    // The old tool's path comes first: the volume holds only the new one.
    { kFlashToolLinks, SPECIAL_ENTRY_START_PATHS, 0, u"\\EFI\\Tools\\FlashOld.efi|\\EFI\\Tools\\Flash.efi" },
  };
  return List;
}

struct LINK {
  EFI_STRING_ID   Section;     // a subtitle before the link; 0 = none
  size_t          Entry;       // in Entries ()
  uint16_t        Index;
  std::u16string  Prompt;
  std::u16string  Help;
};

const std::vector<LINK> &
Links ()
{
  static const std::vector<LINK>  List = {
    // The boot list counts hidden options too, which the boot menu (F8) leaves out.
    { kBootSection, 0, 0, u"Boot-list entry 1", u"Boots the first option of the boot list now" },
    { 0, 0, 1, u"Boot-list entry 2", u"Boots the second option of the boot list now" },
    { 0, 0, 2, u"Boot-list entry 3", u"Boots the third option of the boot list now" },
    { 0, 0, 3, u"Boot-list entry 4", u"Boots the fourth option of the boot list now" },
    { kActionSection, 1, 1, u"Load Optimized Defaults", u"The engine's own action, as F3 runs it" },
    { kDriverSection, 2, kReadSensorsQuestion, u"Read the board sensors", u"Calls the board driver's form callback" },
    { kLegacySection, 3, 0, u"Select the hard-disk group", u"Makes the legacy hard-disk group current" },
    { kDiskSection, 4, 0, u"Refresh the state of disk 1", u"Reads the security state of the first disk again" },
    { kHealthSection, 5, 0, u"Controllers of the RAID driver", u"Lists the controllers of the first driver" },
    { 0, 6, 0, u"Repair the first controller", u"Acts on the first controller the list holds" },
    { kToolSection, 7, 0, u"Diagnostics", u"Starts the diagnostics of the firmware volume" },
    { 0, 8, 0, u"Recovery tool", u"Starts the recovery tool, which this firmware does not hold" },
    { 0, 9, 0, u"Flash tool", u"Starts the flash tool from a file system" },
  };
  return List;
}

// A firmware-style host image: its bytes, and a loader that prints and waits for a key.
BYTES
ToolBytes (const std::string &Name)
{
  BYTES  Bytes = { 'M', 'Z' };
  Bytes.insert (Bytes.end (), Name.begin (), Name.end ());
  return Bytes;
}

Emu::OS_LOADER
ToolLoader (Emu::Machine &Target, std::vector<std::u16string> Lines)
{
  return [&Target, Lines] (const Emu::LOADER_CALL &) {
    EFI_SYSTEM_TABLE  *System = Target.SystemTable ();
    EFI_INPUT_KEY     Key;
    UINTN             Index = 0;

    if (System->ConOut != nullptr) {
      for (const std::u16string &Line : Lines) {
        std::u16string  Text = Line + u"\r\n";
        (VOID)System->ConOut->OutputString (System->ConOut, (CHAR16 *)Text.c_str ());
      }
    }

    if ((System->ConIn != nullptr) &&
        !EFI_ERROR (System->BootServices->WaitForEvent (1, &System->ConIn->WaitForKey, &Index)))
    {
      (VOID)System->ConIn->ReadKeyStroke (System->ConIn, &Key);
    }

    return EFI_SUCCESS;
  };
}

// A legacy disk: a handle with its device path, as the BBS table names it.
class LegacyDisk : public Emu::Device {
public:
  LegacyDisk (Emu::Machine &Target, BYTES Path) : mPath (std::move (Path))
  {
    if (EFI_ERROR (Target.Protocols ().Install (&mHandle, &gEfiDevicePathProtocolGuid, mPath.data ()))) {
      throw std::runtime_error ("the legacy disk's device path could not be installed");
    }
  }

  EFI_HANDLE Handle () const { return mHandle; }

private:
  BYTES       mPath;
  EFI_HANDLE  mHandle = nullptr;
};

BYTES
LoadOption (const std::u16string &Description, const BYTES &Path)
{
  BYTES  Out;

  Builders::AppendU32 (Out, LOAD_OPTION_ACTIVE);
  Builders::AppendU16 (Out, (uint16_t)Path.size ());
  for (char16_t Char : Description) {
    Builders::AppendU16 (Out, Char);
  }

  Builders::AppendU16 (Out, 0);
  Builders::AppendBytes (Out, Path);
  return Out;
}

}  // namespace

const std::vector<std::u16string> &
SpecialLinkPrompts ()
{
  static const std::vector<std::u16string>  Prompts = [] {
    std::vector<std::u16string>  List;
    for (const LINK &Link : Links ()) {
      List.push_back (Link.Prompt);
    }
    return List;
  } ();
  return Prompts;
}

void
WriteSpecialLinksRef (Builders::IfrBuilder &F)
{
  F.Ref ({ kTitle, kRefHelp, 0x18 }, kSpecialLinksForm);
}

void
WriteSpecialLinksForm (Builders::IfrBuilder &F)
{
  const std::vector<ENTRY>  &List = Entries ();

  for (size_t Entry = 0; Entry < List.size (); Entry++) {
    F.VarStoreEfi ((EFI_VARSTORE_ID)(kFirstStore + Entry), List[Entry].Guid, EFI_VARIABLE_BOOTSERVICE_ACCESS, 2, "SpecialLink");
  }

  F.VarStoreEfi (kCountStore, kEngineVariableGuid, EFI_VARIABLE_BOOTSERVICE_ACCESS, 2, "EngineVar15");
  F.Form (kSpecialLinksForm, kTitle);
  // The questions that name the entries; no store holds them, so they compare nothing.
  F.SuppressIf ();
  F.Operator (EFI_IFR_TRUE_OP);
  for (size_t Entry = 0; Entry < List.size (); Entry++) {
    F.Numeric ({ kHidden, 0, (EFI_QUESTION_ID)(kFirstHidden + Entry), (EFI_VARSTORE_ID)(kFirstStore + Entry), 0, 0 },
      EFI_IFR_NUMERIC_SIZE_2, 0, 0xFFFF, 1);
    F.End ();
  }

  F.End ();
  for (size_t Link = 0; Link < Links ().size (); Link++) {
    const LINK  &Item = Links ()[Link];
    if (Item.Section != 0) {
      F.Subtitle (Item.Section, 0);
    }

    F.SuppressIf ();
    F.EqIdVal ((EFI_QUESTION_ID)(kFirstHidden + Item.Entry), Item.Index);
    F.Ref ({ (EFI_STRING_ID)(kFirstPrompt + Link), (EFI_STRING_ID)(kFirstLinkHelp + Link), (EFI_QUESTION_ID)(kFirstLink + Link) }, 0);
    F.End ();
    if (Link == kLinkReadSensors) {
      F.Text (kSensors, 0, kSensorsValue);
    } else if (Link == kLinkLegacyGroup) {
      F.Numeric ({ kGroupCount, kGroupCountHelp, kGroupCountQuestion, kCountStore, 0, EFI_IFR_FLAG_READ_ONLY },
        EFI_IFR_NUMERIC_SIZE_2 | EFI_IFR_DISPLAY_UINT_DEC, 0, 0xFFFF, 1);
      F.End ();
    }
  }

  F.End ();
}

const std::map<EFI_STRING_ID, std::u16string> &
SpecialLinkStrings ()
{
  static const std::map<EFI_STRING_ID, std::u16string>  Strings = [] {
    std::map<EFI_STRING_ID, std::u16string>  Map = {
      { kTitle, u"Action Links" }, { kHelp, u"Links that boot, start or act" },
      { kRefHelp, u"Boot an option, start a tool, run an action" },
      { kBootSection, u"Boot Override" }, { kActionSection, u"Engine Action" }, { kDriverSection, u"Board Driver" },
      { kLegacySection, u"Legacy Devices" }, { kDiskSection, u"Hard-Disk Security" }, { kHealthSection, u"Driver Health" },
      { kToolSection, u"Tools" }, { kSensors, u"Board sensors" }, { kSensorsValue, u"not read yet" },
      { kGroupCount, u"Devices in the group" }, { kGroupCountHelp, u"The selected legacy group's devices" },
      { kHidden, u"Link entry" }, { kRepaired, u"The RAID controller was repaired." },
    };
    for (size_t Link = 0; Link < Links ().size (); Link++) {
      Map[(EFI_STRING_ID)(kFirstPrompt + Link)]   = Links ()[Link].Prompt;
      Map[(EFI_STRING_ID)(kFirstLinkHelp + Link)] = Links ()[Link].Help;
    }
    return Map;
  } ();
  return Strings;
}

void
AddSpecialEntries (Builders::SETUP_DATA_DESC &Desc)
{
  for (const ENTRY &Entry : Entries ()) {
    Desc.SpecialEntries.push_back ({ .FileGuid = Entry.Guid, .Flags = Entry.Flags, .Kind = Entry.Kind, .Paths = Entry.Paths });
  }

  // The device count of the selected legacy group: in the cache only, and shown by the page.
  Builders::SETUP_VARIABLE_DESC  &Count = Desc.Variables.at (SETUP_VARIABLE_INDEX_LEGACY_GROUP_COUNT);
  Count.Size       = 2;
  Count.StoreFlags = VARIABLE_STORE_CACHE_ONLY | VARIABLE_STORE_EFI;
}

EFI_HII_HANDLE
PublishBoardForms (Emu::Machine &Target, Emu::HiiServices &Hii, const std::vector<uint8_t> &PackageList)
{
  Emu::FakeDriver  &Driver = Target.Add (std::make_unique<Emu::FakeDriver> (Target, Emu::FakeDriver::VendorPath (kBoardDriverPath)));
  auto             Reads   = std::make_shared<unsigned> (0);
  EFI_HII_HANDLE   Handle  = Driver.Publish (Hii, PackageList);

  // The board driver reads its sensors when the link asks and shows the reading in the page's text.
  Driver.OnCallback = [&Hii, Handle, Reads] (Emu::FakeDriver &, EFI_BROWSER_ACTION Action, EFI_QUESTION_ID Question, UINT8,
                                              EFI_IFR_TYPE_VALUE *, EFI_BROWSER_ACTION_REQUEST *) {
    if ((Action != EFI_BROWSER_ACTION_CHANGED) || (Question != kReadSensorsQuestion)) {
      return EFI_UNSUPPORTED;
    }

    ++*Reads;
    std::string     Count = std::to_string (*Reads);
    std::u16string  Text  = u"CPU 42 C (read " + std::u16string (Count.begin (), Count.end ()) + u")";
    return Hii.SetString (Handle, kSensorsValue, "en-US", (const CHAR16 *)Text.c_str ());
  };
  return Handle;
}

void
PutLegacyBootOption (Emu::VariableStore &Store)
{
  const Emu::VARIABLE  *Order   = Store.Lookup (u"BootOrder", kGlobalGuid);
  BYTES                Numbers  = (Order == nullptr) ? BYTES {} : Order->Data;

  if (Store.Lookup (u"Boot0200", kGlobalGuid) != nullptr) {
    return;
  }

  Store.Put (u"Boot0200", kGlobalGuid, kNvBsRt, LoadOption (u"Legacy Hard Disks", Emu::JoinPath ({ Emu::BbsNode (kHardDisk, "HDD") })));
  Numbers.insert (Numbers.end (), { (uint8_t)kLegacyOption, (uint8_t)(kLegacyOption >> 8) });
  Store.Put (u"BootOrder", kGlobalGuid, kNvBsRt, Numbers);
  if (Store.Lookup (u"LegacyDevOrder", kLegacyOrderGuid) == nullptr) {
    // One group: its type, its length (2 + 2 per device) and the BBS indexes of both disks.
    Store.Put (u"LegacyDevOrder", kLegacyOrderGuid, kNvBsRt, { kHardDisk, 0, 0, 0, 6, 0, 0, 0, 1, 0 });
  }
}

void
AddSpecialLinkTargets (Emu::Machine &Target, Emu::STANDARD_DEVICES &Devices, Emu::BootImages &Images, EFI_HII_HANDLE BoardForms)
{
  BYTES  Diagnostics = ToolBytes ("demo diagnostics");

  Devices.Image->AddSection (kDiagnosticsFile, EFI_SECTION_PE32, Diagnostics);
  Images.RegisterBytes (Diagnostics, "Diagnostics",
    ToolLoader (Target, { u"Diagnostics of the demo board", u"Memory, disks and fans: all tests passed.",
                          u"Press a key to return to setup." }));

  // The flash tool on a volume of its own (a folder the build writes, see CMakeLists.txt).
  std::optional<BYTES>  Flash = Emu::ReadFileBytes (DEMO_TOOLS_VOLUME "/EFI/Tools/Flash.efi");
  if (Flash.has_value ()) {
    Target.Add (std::make_unique<Emu::FileSystemVolume> (Target, DEMO_TOOLS_VOLUME, 0x70));
    Images.RegisterBytes (*Flash, "Flash tool",
      ToolLoader (Target, { u"Flash tool of the demo board", u"The firmware is up to date.", u"Press a key to return to setup." }));
  }

  // A legacy BIOS with two hard disks (PutLegacyBootOption adds their group's boot option).
  Emu::LegacyBios  &Bios = Target.Add (std::make_unique<Emu::LegacyBios> (Target));
  for (uint8_t Port = 0; Port < 2; Port++) {
    LegacyDisk  &Disk = Target.Add (std::make_unique<LegacyDisk> (Target, Emu::JoinPath ({ Emu::PciNode (0x1F, 2), Emu::SataNode (Port) })));
    Bios.Table ().push_back (Emu::BbsEntry (BBS_UNPRIORITIZED_ENTRY, kHardDisk, Disk.Handle ()));
  }


  // A RAID driver whose first controller asks for a repair.
  Emu::HealthDriver  &Health = Target.Add (std::make_unique<Emu::HealthDriver> (Target, u"RAID Driver"));
  (VOID)Health.AddController ({ .Status = EfiDriverHealthStatusRepairRequired, .Messages = { { BoardForms, kRepaired } },
                                .Name = u"RAID Controller" });
  (VOID)Health.AddController ({ .Name = u"Spare Controller" });
}

}  // namespace Demo

/** @file
  The demo board's forms, compiled setup data, variables and boot options.
**/
#include "DemoBoard.h"
#include "DemoActionLinks.h"

#include <Builders/HiiPackageBuilder.h>
#include <Builders/IfrBuilder.h>
#include <Builders/SetupDataBuilder.h>
#include <Emulator/Guid.h>
#include <engine/core/VariableGuids.h>
#include <frontend/HddSecurity.h>

#include <cstring>

namespace Demo {

const EFI_GUID  kBoardSetupGuid     = BOARD_SETUP_VARIABLE_GUID;
const EFI_GUID  kBoardFormSetGuid   = { 0x7B59104A, 0xC00D, 0x4158, { 0x87, 0xFF, 0xF0, 0x4D, 0x63, 0x96, 0xA9, 0x15 } };
const EFI_GUID  kEngineVariableGuid = ENGINE_SETTINGS_VARIABLE_GUID;

namespace {

using Builders::BYTES;
using Builders::IfrBuilder;
using Builders::IFR_QUESTION;

const EFI_GUID  kGlobalGuid         = { 0x8BE4DF61, 0x93CA, 0x11D2, { 0xAA, 0x0D, 0x00, 0xE0, 0x98, 0x03, 0x2B, 0x8C } };
const EFI_GUID  kLegacyOrderGuid    = { 0xA56074DB, 0x65FE, 0x45F7, { 0xBD, 0x21, 0x2D, 0x2B, 0xDD, 0x8E, 0x96, 0x52 } };
const EFI_GUID  kPlatformSetupClass = EFI_HII_PLATFORM_SETUP_FORMSET_GUID;
const EFI_GUID  kBoardItemGuid      = { 0x0024FD50, 0x3BC1, 0x436C, { 0xBD, 0xDD, 0x2C, 0x92, 0x51, 0x5C, 0x12, 0x85 } };
const EFI_GUID  kShellFileGuid      = { 0x7C04A583, 0x9E3E, 0x4F1C, { 0xAD, 0x65, 0xE0, 0x52, 0x68, 0xD0, 0xB4, 0xD1 } };

// Varstore ids of the forms; the engine's reset-marker variable has its own id.
constexpr uint16_t  kSetupStore   = 1;
constexpr uint16_t  kTimeoutStore = 2;
constexpr uint16_t  kEngineStore  = 5;
constexpr uint16_t  kHddStore     = SETUP_VARIABLE_INDEX_HDD_SECURITY;
constexpr uint16_t  kSetupSize    = 64;

// Layout of "Setup".
constexpr uint16_t  kBootModeAt     = 0;
constexpr uint16_t  kNetworkStackAt = 1;
constexpr uint16_t  kFanLimitAt     = 2;
constexpr uint16_t  kTempOffsetAt   = 4;
constexpr uint16_t  kLatencyAt      = 5;
constexpr uint16_t  kDateAt         = 8;
constexpr uint16_t  kTimeAt         = 12;
constexpr uint16_t  kAssetTagAt     = 16;
constexpr uint8_t   kAssetTagChars  = 16;
constexpr uint16_t  kBootDevicesAt  = 48;
constexpr uint8_t   kBootDevices    = 4;

const std::map<EFI_STRING_ID, std::u16string>  kStrings = {
  { 1, u"English" },
  { 2, u"Demo Board Setup" }, { 3, u"Settings of the demo board" },
  { 4, u"Standard" }, { 5, u"Manufacturing" },
  { 0x10, u"Main" }, { 0x11, u"System Date" }, { 0x12, u"System Time" }, { 0x13, u"Asset Tag" }, { 0x14, u"Date of the system clock" },
  { 0x15, u"Time of the system clock" }, { 0x16, u"Up to 16 characters" },
  { 0x20, u"Advanced" }, { 0x21, u"Boot Mode" }, { 0x22, u"UEFI" }, { 0x23, u"Legacy" }, { 0x24, u"UEFI and Legacy" },
  { 0x25, u"Network Stack" }, { 0x26, u"Fan Speed Limit" }, { 0x27, u"Percent of the full speed" },
  { 0x30, u"Security" }, { 0x31, u"Administrator Password" }, { 0x32, u"User Password" }, { 0x33, u"Up to 20 characters" },
  { 0x40, u"Boot" }, { 0x41, u"Boot Logo" }, { 0x42, u"Hidden" }, { 0x43, u"Shown" }, { 0x44, u"Boot Timeout" },
  { 0x45, u"Seconds; 65535 waits for a key" },
  { 0x28, u"Temperature Offset" }, { 0x29, u"Degrees added to the CPU sensor" }, { 0x2A, u"PCI Latency Timer" },
  { 0x2B, u"PCI clocks, hexadecimal" },
  { 0x46, u"Boot Device Order" }, { 0x47, u"Enter, then + and - move the selected device" }, { 0x48, u"Hard Disk" },
  { 0x49, u"USB Drive" }, { 0x4A, u"Network" }, { 0x4B, u"Optical Drive" },
  { 0x50, u"Boot mode, network stack and fan speed" }, { 0x51, u"Setup passwords" }, { 0x52, u"Boot logo and time-out" },
};

struct CONTROL_AT {
  size_t    Opcode;
  uint32_t  VariableIndex;
  uint64_t  Mfg;
  uint64_t  Std;
};

struct PAGE_AT {
  uint16_t                 FormId;
  uint16_t                 Title;
  std::vector<CONTROL_AT>  Controls;
};

void
OneOfOptions (IfrBuilder &F, std::initializer_list<std::pair<EFI_STRING_ID, uint8_t>> Options, uint8_t Default)
{
  for (const auto &[Text, Value] : Options) {
    F.OneOfOption (Text, Value == Default ? EFI_IFR_OPTION_DEFAULT : 0, EFI_IFR_TYPE_NUM_SIZE_8, Value);
  }
}

// One question with its scope closed; the option list, when given, inside it.
template <class EMIT>
size_t
Question (IfrBuilder &F, EMIT Emit)
{
  size_t  At = Emit ();
  F.End ();
  return At;
}

// The drive's security page: its two passwords, which go to the drive and never into
// the variable, then what the drive reports (read-only), all of setup variable 6.
constexpr uint16_t  kHddSecurityForm = 5;

const std::map<EFI_STRING_ID, std::u16string>  kHddSecurityStrings = {
  { 0x60, u"HDD Security" }, { 0x61, u"Passwords of the hard disk" }, { 0x62, u"Hard Disk User Password" },
  { 0x63, u"Hard Disk Master Password" }, { 0x64, u"Up to 32 characters, kept by the drive" },
  { 0x65, u"Security Supported" }, { 0x66, u"Security Enabled" }, { 0x67, u"Security Locked" },
  { 0x68, u"Security Frozen" }, { 0x69, u"User Password Status" }, { 0x6A, u"Master Password Status" },
  { 0x6B, u"No" }, { 0x6C, u"Yes" }, { 0x6D, u"Not Installed" }, { 0x6E, u"Installed" }, { 0x6F, u"Read from the drive" },
};

void
WriteHddSecurityForm (IfrBuilder &F, std::vector<PAGE_AT> &Pages)
{
  constexpr uint32_t  Hdd = SETUP_VARIABLE_INDEX_HDD_SECURITY;
  PAGE_AT             Page { kHddSecurityForm, 0x60, {} };

  F.Form (kHddSecurityForm, 0x60);
  Page.Controls.push_back ({ Question (F, [&] { return F.Password ({ 0x62, 0x64, 0x60, kHddStore, HDD_USER_PASSWORD_OFFSET, 0 }, 0,
                                                                   HDD_PASSWORD_MAX_BYTES); }), Hdd, 0, 0 });
  Page.Controls.push_back ({ Question (F, [&] { return F.Password ({ 0x63, 0x64, 0x61, kHddStore, HDD_MASTER_PASSWORD_OFFSET, 0 }, 0,
                                                                   HDD_PASSWORD_MAX_BYTES); }), Hdd, 0, 0 });
  const struct { EFI_STRING_ID Prompt; uint16_t Offset; EFI_STRING_ID No; EFI_STRING_ID Yes; } States[] = {
    { 0x65, offsetof (HDD_SECURITY_RECORD, Supported), 0x6B, 0x6C },
    { 0x66, offsetof (HDD_SECURITY_RECORD, Enabled), 0x6B, 0x6C },
    { 0x67, offsetof (HDD_SECURITY_RECORD, Locked), 0x6B, 0x6C },
    { 0x68, offsetof (HDD_SECURITY_RECORD, Frozen), 0x6B, 0x6C },
    { 0x69, offsetof (HDD_SECURITY_RECORD, UserPasswordSet), 0x6D, 0x6E },
    { 0x6A, offsetof (HDD_SECURITY_RECORD, MasterPasswordSet), 0x6D, 0x6E },
  };
  uint16_t  Id = 0x62;
  for (const auto &State : States) {
    size_t  At = F.OneOf ({ State.Prompt, 0x6F, Id++, kHddStore, State.Offset, EFI_IFR_FLAG_READ_ONLY }, EFI_IFR_NUMERIC_SIZE_1, 0, 1, 0);
    OneOfOptions (F, { { State.No, 0 }, { State.Yes, 1 } }, 0);
    F.End ();
    Page.Controls.push_back ({ At, Hdd, 0, 0 });
  }
  F.End ();
  Pages.push_back (Page);
}

std::vector<PAGE_AT>
WriteForms (IfrBuilder &F)
{
  std::vector<PAGE_AT>  Pages;

  F.FormSet (kBoardFormSetGuid, 2, 3, { kPlatformSetupClass });
  F.DefaultStore (4, EFI_HII_DEFAULT_CLASS_STANDARD);
  F.DefaultStore (5, EFI_HII_DEFAULT_CLASS_MANUFACTURING);
  F.VarStore (kBoardSetupGuid, kSetupStore, kSetupSize, "Setup");
  F.VarStore (kEngineVariableGuid, kEngineStore, 81, "OKURWZSetup");
  F.VarStore (kGlobalGuid, kTimeoutStore, 2, "Timeout");
  F.VarStore (kEngineVariableGuid, kHddStore, HDD_SECURITY_VARIABLE_SIZE, "HddSecurity");

  F.Form (1, 0x10);
  Pages.push_back ({ 1, 0x10, {
    { Question (F, [&] { return F.Date ({ 0x11, 0x14, 0x10, kSetupStore, kDateAt, 0 }, QF_DATE_STORAGE_NORMAL); }), 0, 0, 0 },
    { Question (F, [&] { return F.Time ({ 0x12, 0x15, 0x11, kSetupStore, kTimeAt, 0 }, QF_DATE_STORAGE_NORMAL); }), 0, 0, 0 },
    { Question (F, [&] { return F.String ({ 0x13, 0x16, 0x12, kSetupStore, kAssetTagAt, 0 }, 0, kAssetTagChars, 0); }), 0, 0, 0 },
  } });
  // Links to the other forms; they carry no value, so the compiled page leaves them out.
  F.Ref ({ 0x20, 0x50, 0x15 }, 2);
  F.Ref ({ 0x30, 0x51, 0x16 }, 3);
  F.Ref ({ 0x40, 0x52, 0x17 }, 4);
  F.Ref ({ 0x60, 0x61, 0x18 }, kHddSecurityForm);
  WriteSpecialLinksRef (F);
  F.End ();

  F.Form (2, 0x20);
  size_t  BootMode = F.OneOf ({ 0x21, 0x21, 0x20, kSetupStore, kBootModeAt, EFI_IFR_FLAG_RESET_REQUIRED }, EFI_IFR_NUMERIC_SIZE_1, 0, 2, 0);
  OneOfOptions (F, { { 0x22, 0 }, { 0x23, 1 }, { 0x24, 2 } }, 0);
  F.End ();
  Pages.push_back ({ 2, 0x20, {
    { BootMode, 0, 2, 0 },
    { Question (F, [&] { return F.Checkbox ({ 0x25, 0x25, 0x21, kSetupStore, kNetworkStackAt, 0 }, EFI_IFR_CHECKBOX_DEFAULT); }), 0, 1, 1 },
    { Question (F, [&] { return F.Numeric ({ 0x26, 0x27, 0x22, kSetupStore, kFanLimitAt, 0 }, EFI_IFR_NUMERIC_SIZE_2 | EFI_IFR_DISPLAY_UINT_DEC, 20, 100, 5); }), 0, 100, 60 },
    // Signed: -10 to 10 in one byte.
    { Question (F, [&] { return F.Numeric ({ 0x28, 0x29, 0x23, kSetupStore, kTempOffsetAt, 0 }, EFI_IFR_NUMERIC_SIZE_1 | EFI_IFR_DISPLAY_INT_DEC, 0xF6, 10, 1); }), 0, 0, 0 },
    { Question (F, [&] { return F.Numeric ({ 0x2A, 0x2B, 0x24, kSetupStore, kLatencyAt, 0 }, EFI_IFR_NUMERIC_SIZE_1 | EFI_IFR_DISPLAY_UINT_HEX, 0x20, 0xF8, 8); }), 0, 0x40, 0x40 },
  } });
  F.End ();

  F.Form (3, 0x30);
  Pages.push_back ({ 3, 0x30, {
    { Question (F, [&] { return F.Password ({ 0x31, 0x33, 0x30, kEngineStore, 0, 0 }, 0, 20); }), 5, 0, 0 },
    { Question (F, [&] { return F.Password ({ 0x32, 0x33, 0x31, kEngineStore, 40, 0 }, 0, 20); }), 5, 0, 0 },
  } });
  F.End ();

  F.Form (4, 0x40);
  size_t  Logo = F.OneOf ({ 0x41, 0x41, 0x40, kEngineStore, 80, 0 }, EFI_IFR_NUMERIC_SIZE_1, 0, 1, 0);
  OneOfOptions (F, { { 0x42, 0 }, { 0x43, 1 } }, 1);
  F.End ();
  size_t  Devices = F.OrderedList ({ 0x46, 0x47, 0x42, kSetupStore, kBootDevicesAt, 0 }, kBootDevices, 0);
  OneOfOptions (F, { { 0x48, 1 }, { 0x49, 2 }, { 0x4A, 3 }, { 0x4B, 4 } }, 0xFF);
  F.End ();
  Pages.push_back ({ 4, 0x40, {
    { Logo, 5, 1, 1 },
    { Devices, 0, 0, 0 },
    { Question (F, [&] { return F.Numeric ({ 0x44, 0x45, 0x41, kTimeoutStore, 0, 0 }, EFI_IFR_NUMERIC_SIZE_2 | EFI_IFR_DISPLAY_UINT_DEC, 0, 65535, 1); }), 2, 5, 5 },
  } });
  F.End ();
  WriteHddSecurityForm (F, Pages);
  WriteSpecialLinksForm (F);
  F.End ();
  return Pages;
}

Builders::SETUP_VARIABLE_DESC
Variable (const EFI_GUID &Guid, const char16_t *Name, uint16_t Size, uint32_t StoreFlags = 0, uint32_t Id = 0)
{
  Builders::SETUP_VARIABLE_DESC  Desc;

  Desc.VendorGuid = Guid;
  Desc.Name       = Name;
  Desc.Size       = Size;
  Desc.StoreFlags = StoreFlags;
  Desc.VariableId = Id;
  return Desc;
}

// Every index the engine reserves, in list order.
std::vector<Builders::SETUP_VARIABLE_DESC>
Variables ()
{
  std::vector<Builders::SETUP_VARIABLE_DESC>  List;

  for (int Index = 0; Index < 25; Index++) {
    std::u16string  Name = u"EngineVar" + std::u16string (1, u'0' + Index / 10) + std::u16string (1, u'0' + Index % 10);
    List.push_back (Variable (kEngineVariableGuid, Name.c_str (), 0, VARIABLE_STORE_CACHE_ONLY));
  }

  List[0]  = Variable (kBoardSetupGuid, u"Setup", kSetupSize, VARIABLE_STORE_EFI, kSetupStore);
  List[1]  = Variable (kGlobalGuid, u"PlatformLang", 6);
  List[2]  = Variable (kGlobalGuid, u"Timeout", 2, 0, kTimeoutStore);
  List[3]  = Variable (kEngineVariableGuid, u"SetupSnapshot", 0);
  List[5]  = Variable (kEngineVariableGuid, u"OKURWZSetup", 81, VARIABLE_STORE_EFI, kEngineStore);
  // The drive's state, read afresh whenever setup is entered: nothing of it goes to NVRAM.
  List[6]  = Variable (kEngineVariableGuid, u"HddSecurity", HDD_SECURITY_VARIABLE_SIZE, VARIABLE_STORE_CACHE_ONLY, kHddStore);
  List[7]  = Variable (kGlobalGuid, u"BootOrder", 0);
  List[8]  = Variable (kLegacyOrderGuid, u"LegacyDevOrder", 0);
  List[18] = Variable (kEngineVariableGuid, u"DynamicPageCount", 2, VARIABLE_STORE_EFI);
  List[23] = Variable (kGlobalGuid, u"DriverOrder", 0);
  List[24] = Variable (kEngineVariableGuid, u"SetupResetMarker", 2, VARIABLE_STORE_EFI, SETUP_RESET_MARKER_VARIABLE_ID);
  return List;
}

}  // namespace

BOARD
BuildBoard ()
{
  IfrBuilder                F;
  std::vector<PAGE_AT>      Pages = WriteForms (F);
  BYTES                     Forms = F.Package ();
  Builders::SETUP_DATA_DESC Desc;
  BOARD                     Board;

  for (const PAGE_AT &Page : Pages) {
    Builders::SETUP_PAGE_DESC  PageDesc;
    PageDesc.FormId        = Page.FormId;
    PageDesc.TitleStringId = Page.Title;
    for (const CONTROL_AT &At : Page.Controls) {
      Builders::SETUP_CONTROL_DESC  Control = Builders::ControlFromOpcode (Forms, At.Opcode);
      Control.VariableIndex = At.VariableIndex;
      Control.MfgDefault    = Builders::ValueBytes (At.Mfg, Control.ValueWidth < 8 ? Control.ValueWidth : 8);
      Control.StdDefault    = Builders::ValueBytes (At.Std, Control.ValueWidth < 8 ? Control.ValueWidth : 8);
      PageDesc.Controls.push_back (Control);
    }

    Desc.Pages.push_back (PageDesc);
  }

  Desc.Variables = Variables ();
  AddSpecialEntries (Desc);
  Desc.FormSets  = { { kBoardFormSetGuid, 1, 0, (uint32_t)Forms.size () } };
  Desc.Settings.TitleStringId    = 7;     // the engine's own "Setup Utility"
  Desc.Settings.TabTitleStringId = 7;
  Board.SetupDataSection = Builders::BuildSetupDataSectionBody (Desc);
  Board.Strings          = kStrings;
  Board.Strings.insert (kHddSecurityStrings.begin (), kHddSecurityStrings.end ());
  Board.Strings.insert (SpecialLinkStrings ().begin (), SpecialLinkStrings ().end ());

  Builders::PackageListBuilder  List (kBoardFormSetGuid);
  BYTES                         Strings = Builders::BuildStringPackage ("en-US", 1, Board.Strings);
  List.Add (Forms).Add (Strings);
  Board.FormsPackageList = List.Build ();
  return Board;
}

namespace {

BYTES
Node (uint8_t Type, uint8_t SubType, const BYTES &Body)
{
  BYTES  Out = { Type, SubType, (uint8_t)(4 + Body.size ()), 0 };

  Builders::AppendBytes (Out, Body);
  return Out;
}

BYTES
LoadOption (uint32_t Attributes, const std::u16string &Description, std::vector<BYTES> Nodes)
{
  BYTES  Path;
  BYTES  Out;

  for (const BYTES &Item : Nodes) {
    Path.insert (Path.end (), Item.begin (), Item.end ());
  }

  Path.insert (Path.end (), { 0x7F, 0xFF, 4, 0 });
  Builders::AppendU32 (Out, Attributes);
  Builders::AppendU16 (Out, (uint16_t)Path.size ());
  for (char16_t Char : Description) {
    Builders::AppendU16 (Out, Char);
  }

  Builders::AppendU16 (Out, 0);
  Out.insert (Out.end (), Path.begin (), Path.end ());
  return Out;
}

void
PutIfAbsent (Emu::VariableStore &Store, const std::u16string &Name, const EFI_GUID &Guid, const BYTES &Data)
{
  if (Store.Lookup (Name, Guid) == nullptr) {
    Store.Put (Name, Guid, EFI_VARIABLE_NON_VOLATILE | EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_RUNTIME_ACCESS, Data);
  }
}

}  // namespace

void
SeedVariables (Emu::VariableStore &Store, const BOARD &Board)
{
  (void)Board;
  BYTES  Setup (kSetupSize, 0);
  Setup[kNetworkStackAt] = 1;
  Setup[kFanLimitAt]     = 60;
  Setup[kLatencyAt]      = 0x40;
  // The board's clock fields start at a date a firmware clock gives, the same on every
  // run: 01/01/2026 00:00:00.
  Setup[kDateAt]         = (uint8_t)(2026 & 0xFF);
  Setup[kDateAt + 1]     = (uint8_t)(2026 >> 8);
  Setup[kDateAt + 2]     = 1;
  Setup[kDateAt + 3]     = 1;
  for (uint8_t Device = 0; Device < kBootDevices; Device++) {
    Setup[kBootDevicesAt + Device] = (uint8_t)(Device + 1);
  }
  const char16_t  Tag[] = u"DEMO-0001";
  std::memcpy (&Setup[kAssetTagAt], Tag, sizeof (Tag));
  PutIfAbsent (Store, u"Setup", kBoardSetupGuid, Setup);

  BYTES  Engine (81, 0);
  Engine[80] = 1;                     // the boot logo is shown
  PutIfAbsent (Store, u"OKURWZSetup", kEngineVariableGuid, Engine);
  PutIfAbsent (Store, u"PlatformLang", kGlobalGuid, { 'e', 'n', '-', 'U', 'S', 0 });
  PutIfAbsent (Store, u"Timeout", kGlobalGuid, { 5, 0 });

  // The first time the board sees this NVRAM: the setup prompt under its logo, and 3 s
  // to press a hotkey (OVMF's export holds a time-out of 0, which shows no POST screen).
  if (Store.Lookup (u"SIBoardItemControl", kBoardItemGuid) == nullptr) {
    PutIfAbsent (Store, u"SIBoardItemControl", kBoardItemGuid, { 0, 0, 0, 0, 0, 0, 0, 1 });
    const Emu::VARIABLE  *Timeout = Store.Lookup (u"Timeout", kGlobalGuid);
    if ((Timeout != nullptr) && (Timeout->Data == BYTES { 0, 0 })) {
      Store.Put (u"Timeout", kGlobalGuid, Timeout->Attributes, { 3, 0 });
    }
  }

  if (Store.Lookup (u"BootOrder", kGlobalGuid) == nullptr) {
    BYTES  Shell (16);
    std::memcpy (Shell.data (), &kShellFileGuid, 16);
    PutIfAbsent (Store, u"Boot0000", kGlobalGuid, LoadOption (1, u"UEFI Shell", { Node (4, 6, Shell) }));
    PutIfAbsent (Store, u"Boot0001", kGlobalGuid,
      LoadOption (1, u"UEFI: USB Flash Drive", { Node (2, 1, { 0xD0, 0x41, 0x03, 0x0A, 0, 0, 0, 0 }), Node (1, 1, { 0, 0x14 }),
                                                 Node (3, 5, { 2, 0 }) }));
    PutIfAbsent (Store, u"Boot0002", kGlobalGuid,
      LoadOption (0, u"UEFI: Network", { Node (2, 1, { 0xD0, 0x41, 0x03, 0x0A, 0, 0, 0, 0 }), Node (1, 1, { 0, 0x19 }) }));
    Store.Put (u"BootOrder", kGlobalGuid, EFI_VARIABLE_NON_VOLATILE | EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_RUNTIME_ACCESS,
      { 0, 0, 1, 0, 2, 0 });
  }
}

void
PutBoardBootOption (Emu::VariableStore &Store, const std::vector<uint8_t> &VolumePath)
{
  const uint16_t        Number = 0x0100;
  BYTES                 File (16);
  const Emu::VARIABLE   *Order = Store.Lookup (u"BootOrder", kGlobalGuid);
  BYTES                 Numbers = (Order == nullptr) ? BYTES {} : Order->Data;

  std::memcpy (File.data (), &kShellFileGuid, 16);
  PutIfAbsent (Store, u"Boot0100", kGlobalGuid, LoadOption (1, u"UEFI Shell (board)", { VolumePath, Node (4, 6, File) }));
  for (size_t Index = 0; Index + 1 < Numbers.size (); Index += 2) {
    if ((Numbers[Index] == (uint8_t)Number) && (Numbers[Index + 1] == (uint8_t)(Number >> 8))) {
      return;
    }
  }

  Numbers.insert (Numbers.begin (), { (uint8_t)Number, (uint8_t)(Number >> 8) });
  Store.Put (u"BootOrder", kGlobalGuid, EFI_VARIABLE_NON_VOLATILE | EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_RUNTIME_ACCESS,
    Numbers);
}

std::vector<uint8_t>
LogoBmp (uint32_t Width, uint32_t Height)
{
  const uint32_t        Row = (Width * 3 + 3) & ~3u;
  std::vector<uint8_t>  Out (54 + (size_t)Row * Height, 0);
  auto                  Put32 = [&Out] (size_t At, uint32_t Value) { std::memcpy (&Out[At], &Value, 4); };

  Out[0] = 'B';
  Out[1] = 'M';
  Put32 (2, (uint32_t)Out.size ());
  Put32 (10, 54);
  Put32 (14, 40);
  Put32 (18, Width);
  Put32 (22, Height);
  Out[26] = 1;
  Out[28] = 24;
  for (uint32_t Y = 0; Y < Height; Y++) {
    uint8_t  *Line = &Out[54 + (size_t)(Height - 1 - Y) * Row];
    for (uint32_t X = 0; X < Width; X++) {
      // A frame of three pixels around a band from deep blue to cyan, with a light stripe.
      bool     Frame  = (X < 3) || (Y < 3) || (X + 3 >= Width) || (Y + 3 >= Height);
      bool     Stripe = (Y > Height / 2 - Height / 10) && (Y < Height / 2 + Height / 10);
      uint8_t  Blue   = (uint8_t)(0x80 + 0x7F * X / Width);
      uint8_t  Green  = (uint8_t)(0x20 + 0xB0 * X / Width);
      Line[X * 3]     = Frame ? 0xFF : Blue;
      Line[X * 3 + 1] = Frame ? 0xFF : (Stripe ? 0xE0 : Green);
      Line[X * 3 + 2] = Frame ? 0xFF : (Stripe ? 0xE0 : 0x10);
    }
  }
  return Out;
}

}  // namespace Demo

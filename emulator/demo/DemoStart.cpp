/** @file
  Starting the setup driver on the demo machine and reporting what it holds.
**/
#include "DemoBoard.h"
#include "DemoActionLinks.h"

#include <engine/core/EngineGlobals.h>
#include <engine/forms/FormParser.h>
#include <engine/forms/FormTables.h>
#include <engine/core/SetupData.h>
#include <engine/startup/SetupEngine.h>
#include <engine/variables/VariableCache.h>
#include <engine/core/HookTable.h>
#include <engine/post/BootScreen.h>
#include <engine/post/PostScreen.h>
#include <engine/textui/PasswordPrompt.h>
#include <engine/textui/TextScreen.h>
#include <frontend/FrontEndServices.h>
#include <frontend/SetupSave.h>
#include <engine/boot/BootOptions.h>
#include <engine/browser/DynamicPages.h>
#include <engine/textui/TuiApp.h>
#include <Library/PlatformLib.h>
#include <Resources/EngineStringPackage.h>

#include <Emulator/BootDevices.h>
#include <Emulator/Guid.h>
#include <Protocol/DevicePath.h>
#include <Protocol/FormBrowser2.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <stdexcept>

namespace Demo {

namespace {

const EFI_GUID  kFormBrowserGuid = EFI_FORM_BROWSER2_PROTOCOL_GUID;
const EFI_GUID  kBootScreenGuid  = BOOT_SCREEN_INTERFACE_GUID;
const EFI_GUID  kCompanionGuid   = BOOT_SCREEN_COMPANION_GUID;
const EFI_GUID  kShellFileGuid   = { 0x7C04A583, 0x9E3E, 0x4F1C, { 0xAD, 0x65, 0xE0, 0x52, 0x68, 0xD0, 0xB4, 0xD1 } };
const EFI_SECTION_TYPE            kRawSection  = 0x19;
const EFI_SECTION_TYPE            kPe32Section = 0x10;
const std::vector<UINT8>          kShellImage  = { 'M', 'Z', 'd', 'e', 'm', 'o', ' ', 's', 'h', 'e', 'l', 'l' };

EFI_STATUS EFIAPI
FirmwareSendForm (CONST EFI_FORM_BROWSER2_PROTOCOL *, EFI_HII_HANDLE *, UINTN, EFI_GUID *, EFI_FORM_ID,
  CONST EFI_SCREEN_DESCRIPTOR *, EFI_BROWSER_ACTION_REQUEST *)
{
  return EFI_UNSUPPORTED;
}

EFI_STATUS EFIAPI
FirmwareBrowserCallback (CONST EFI_FORM_BROWSER2_PROTOCOL *, UINTN *, EFI_STRING, BOOLEAN, CONST EFI_GUID *, CONST CHAR16 *)
{
  return EFI_UNSUPPORTED;
}

// The firmware's own form browser, which the engine replaces.
EFI_FORM_BROWSER2_PROTOCOL  mFirmwareBrowser = { FirmwareSendForm, FirmwareBrowserCallback };

// The device path of a handle without its end node.
std::vector<UINT8>
VolumePathBody (Emu::Machine &Target, EFI_HANDLE Handle)
{
  const UINT8         *Node = (const UINT8 *)Target.Protocols ().Find (Handle, gEfiDevicePathProtocolGuid);
  std::vector<UINT8>  Body;

  while ((Node != nullptr) && (Node[0] != 0x7F)) {
    UINT16  Length = (UINT16)(Node[2] | (Node[3] << 8));
    if (Length < 4) {
      break;
    }
    Body.insert (Body.end (), Node, Node + Length);
    Node += Length;
  }
  return Body;
}

std::string
Hex (UINT64 Value)
{
  char  Text[24];

  std::snprintf (Text, sizeof (Text), "0x%llX", (unsigned long long)Value);
  return Text;
}

std::string
Bytes (const VOID *Data, UINT64 Size, UINT64 Limit)
{
  std::string  Out;
  char         Text[4];

  for (UINT64 Index = 0; Index < Size && Index < Limit; Index++) {
    std::snprintf (Text, sizeof (Text), "%02X", ((const UINT8 *)Data)[Index]);
    // Appended piece by piece: GCC 12 at -O2 and above takes the temporary of
    // "separator" + std::string (Text) for an overlapping copy (restrict).
    if (Index != 0) {
      Out += ' ';
    }

    Out += Text;
  }

  if (Size > Limit) {
    Out += " ...";
  }

  return Out;
}

const char *
ControlTypeName (UINT16 Type)
{
  switch (Type & CONTROL_TYPE_MASK) {
    case CONTROL_TYPE_REF:              return "link";
    case CONTROL_TYPE_TEXT:             return "text";
    case CONTROL_TYPE_DATE:             return "date";
    case CONTROL_TYPE_TIME:             return "time";
    case CONTROL_TYPE_ONE_OF:           return "one-of";
    case CONTROL_TYPE_SUBTITLE:         return "subtitle";
    case CONTROL_TYPE_CHECKBOX:         return "checkbox";
    case CONTROL_TYPE_CHECKBOX_VARIANT: return "checkbox (variant)";
    case CONTROL_TYPE_NUMERIC:          return "numeric";
    case CONTROL_TYPE_PASSWORD:         return "password";
    case CONTROL_TYPE_ORDERED_LIST:     return "ordered list";
    case CONTROL_TYPE_STRING:           return "string";
    case CONTROL_TYPE_ACTION:           return "action";
    case CONTROL_TYPE_RESET_BUTTON:     return "reset button";
    case CONTROL_TYPE_RULE:             return "rule";
    case CONTROL_TYPE_NO_SUBMIT_IF:     return "no-submit check";
    case CONTROL_TYPE_INCONSISTENT_IF:  return "inconsistency check";
    default:                            return "other";
  }
}

std::string
StoreName (UINT32 Flags)
{
  std::string  Out;

  Out += (Flags & VARIABLE_STORE_EFI) ? "efi " : "";
  Out += (Flags & VARIABLE_STORE_NAME_VALUE) ? "name/value " : "";
  Out += (Flags & VARIABLE_STORE_CACHE_ONLY) ? "cache-only " : "";
  Out += (Flags & VARIABLE_STORE_NO_WRITE) ? "no-write " : "";
  return Out.empty () ? "-" : Out.substr (0, Out.size () - 1);
}

std::string
BoardString (const BOARD &Board, EFI_STRING_ID Id)
{
  auto  It = Board.Strings.find (Id);

  return It == Board.Strings.end () ? "?" : Emu::Utf16ToUtf8 (It->second);
}

// A handle by its place in a list ("#3 of 12"), so reports of two runs compare equal
// where a host address would differ.
template <class HANDLE>
std::string
Ordinal (HANDLE Handle, const std::vector<HANDLE> &List)
{
  for (size_t Index = 0; Index < List.size (); Index++) {
    if (List[Index] == Handle) {
      return "#" + std::to_string (Index + 1) + " of " + std::to_string (List.size ());
    }
  }

  return "not listed";
}

void
ReportInterfaces (std::ostream &Out, Emu::Machine &Target, const STARTED_DRIVER &Started)
{
  Out << "Engine handle: "
      << (gEngineHandle == nullptr ? std::string ("none") : Ordinal (gEngineHandle, Target.Protocols ().Handles ()) + " (in creation order)")
      << "\n";
  if (gEngineHandle != nullptr) {
    for (const auto &[Guid, Interface] : Target.Protocols ().InterfacesOn (gEngineHandle)) {
      const char  *Name = Emu::GuidEqual (Guid, kBootScreenGuid)  ? "boot-screen interface, 18 operations"
                        : Emu::GuidEqual (Guid, kFormBrowserGuid) ? "EFI_FORM_BROWSER2_PROTOCOL (SendForm, BrowserCallback)"
                        : Emu::GuidEqual (Guid, kCompanionGuid)   ? "companion interface, PostRefreshNotify"
                                                                  : "other";
      Out << "  " << Emu::GuidToString (Guid) << "  " << Name << "\n";
      (void)Interface;
    }
  }

  auto  Browsers = Target.Protocols ().HandlesWith (kFormBrowserGuid);
  Out << "Form browsers before start-up: " << Started.BrowsersBefore.size () << "; now: " << Browsers.size ();
  bool  OnlyOurs = (Browsers.size () == 1) && (Browsers[0] == gEngineHandle);
  Out << (OnlyOurs ? " (the engine's own; no other form browser remains)" : "") << "\n";
  Out << "Engine package list: ";
  if ((gHiiHandle == nullptr) || (Started.Hii == nullptr)) {
    Out << "not registered";
  } else {
    Out << Ordinal (gHiiHandle, Started.Hii->PackageLists ()) << " in the HII database, languages";
    for (const std::string &Language : Started.Hii->Languages (gHiiHandle)) {
      Out << " " << Language;
    }

    auto  Enabled = Started.Hii->String (gHiiHandle, "en-US", 5);
    Out << ", string 5 \"" << (Enabled ? Emu::Utf16ToUtf8 (*Enabled) : std::string ("?")) << "\"";
  }

  Out << "\n";
}

void
ReportPages (std::ostream &Out, const BOARD &Board)
{
  Out << "Compiled setup data: " << gSetupDataSize << " bytes; pages: " << GetPageCount () << "\n";
  for (UINT32 Page = 0; Page < GetPageCount (); Page++) {
    PAGE_RECORD  *Record;
    if (EFI_ERROR (GetPageData (Page, &Record))) {
      continue;
    }

    Out << "  page " << Page << ": form " << Record->FormId << " \"" << BoardString (Board, Record->TitleStringId) << "\", "
        << Record->ControlCount << " controls:";
    for (UINT32 N = 0; N < Record->ControlCount; N++) {
      CONTROL_RECORD  *Control;
      if (!EFI_ERROR (GetCompiledPageControl (Page, N, &Control))) {
        Out << (N == 0 ? " " : ", ") << ControlTypeName (Control->ControlType) << " \""
            << BoardString (Board, Control->PromptStringId) << "\" (variable " << Control->VariableIndex << ", "
            << Control->ValueWidth << " bytes)";
      }
    }

    Out << "\n";
  }
}

void
ReportVariables (std::ostream &Out)
{
  UINTN  Marker = 0;

  Out << "Variables: " << GetVariableCount () << " (index, name, vendor GUID, store, declared size; cache entry)\n";
  for (UINT32 Index = 0; Index < GetVariableCount (); Index++) {
    VARIABLE_RECORD  *Record = GetVariableRecord (Index);
    CHAR16           Name[VARIABLE_NAME_LENGTH];

    std::memcpy (Name, Record->Name, sizeof (Name));
    Name[VARIABLE_NAME_LENGTH - 1] = 0;
    Out << "  " << (Index < 10 ? " " : "") << Index << "  " << Emu::Utf16ToUtf8 (std::u16string (Name)) << "  "
        << Emu::GuidToString (Record->VendorGuid) << "  " << StoreName (Record->StoreFlags) << "  " << Record->Size << ";  ";
    if ((gVariableCache == nullptr) || (gVariableCache[Index].Data == nullptr)) {
      Out << "empty\n";
    } else {
      Out << gVariableCache[Index].Size << " bytes: " << Bytes (gVariableCache[Index].Data, gVariableCache[Index].Size, 16) << "\n";
    }
  }

  if (FindVariableById (SETUP_RESET_MARKER_VARIABLE_ID, &Marker) != nullptr) {
    Out << "Reset-marker variable (id 0xF017): index " << Marker << "\n";
  }
}

}  // namespace

std::string
StatusName (EFI_STATUS Status)
{
  static const char  *Errors[] = {
    "EFI_SUCCESS", "EFI_LOAD_ERROR", "EFI_INVALID_PARAMETER", "EFI_UNSUPPORTED", "EFI_BAD_BUFFER_SIZE",
    "EFI_BUFFER_TOO_SMALL", "EFI_NOT_READY", "EFI_DEVICE_ERROR", "EFI_WRITE_PROTECTED", "EFI_OUT_OF_RESOURCES",
    "EFI_VOLUME_CORRUPTED", "EFI_VOLUME_FULL", "EFI_NO_MEDIA", "EFI_MEDIA_CHANGED", "EFI_NOT_FOUND",
    "EFI_ACCESS_DENIED", "EFI_NO_RESPONSE", "EFI_NO_MAPPING", "EFI_TIMEOUT", "EFI_NOT_STARTED", "EFI_ALREADY_STARTED",
    "EFI_ABORTED"
  };
  UINT64  Code = Status & ~(1ULL << 63);

  if ((Status == 0 || EFI_ERROR (Status)) && (Code < sizeof (Errors) / sizeof (Errors[0]))) {
    return Errors[Code];
  }

  return Hex (Status);
}

STARTED_DRIVER
StartSetupDriver (Emu::Machine &Target, Emu::STANDARD_DEVICES &Devices, const BOARD &Board)
{
  STARTED_DRIVER  Started;
  EFI_HANDLE      FirmwareBrowserHandle = nullptr;

  Started.Hii = &Target.Add (std::make_unique<Emu::HiiServices> (Target));
  // The platform's setup driver publishes the board's forms, as it would at boot.
  Started.BoardForms = PublishBoardForms (Target, *Started.Hii, Board.FormsPackageList);
  (void)Target.Protocols ().Install (&FirmwareBrowserHandle, &kFormBrowserGuid, &mFirmwareBrowser);
  Started.BrowsersBefore = Target.Protocols ().HandlesWith (kFormBrowserGuid);

  Devices.Image->AddSection (Emu::kDefaultDriverFileGuid, SETUP_DATA_SECTION_TYPE, Board.SetupDataSection);
  // The board's logo in each daily variant and the small logo of the text POST screen.
  for (const EFI_GUID &Logo : gDailyLogoFiles) {
    Devices.Image->AddSection (Logo, kRawSection, LogoBmp (360, 120));
  }
  Devices.Image->AddSection (gTextPostLogoFile, kRawSection, LogoBmp (160, 36));
  // The UEFI shell of the board's firmware volume: booting it ends the run.
  Emu::BootImages  &Images = Target.Add (std::make_unique<Emu::BootImages> (Target));
  Devices.Image->AddSection (kShellFileGuid, kPe32Section, kShellImage);
  Images.RegisterBytes (kShellImage, "UEFI Shell", Emu::BootImages::NeverReturns ("UEFI Shell"));
  AddSpecialLinkTargets (Target, Devices, Images, Started.BoardForms);
  Devices.Image->SetPackageList (std::vector<UINT8> (gSetupEngineStringPackageList,
                                   gSetupEngineStringPackageList + gSetupEngineStringPackageListSize));
  Started.Status = SetupEngineDriverEntry (Devices.Image->ImageHandle (), Target.SystemTable ());
  return Started;
}

void
ReportSetupDriver (std::ostream &Out, Emu::Machine &Target, const STARTED_DRIVER &Started, const BOARD &Board)
{
  Out << "Setup driver\n";
  Out << "SetupEngineDriverEntry: " << StatusName (Started.Status) << "\n";
  ReportInterfaces (Out, Target, Started);
  if (gSetupData == nullptr) {
    Out << "Compiled setup data: not loaded\n";
    return;
  }

  ReportPages (Out, Board);
  ReportVariables (Out);
}

namespace {

std::string
HiiText (Emu::HiiServices &Hii, EFI_HII_HANDLE Handle, EFI_STRING_ID Id)
{
  auto  Text = Hii.String (Handle, "en-US", Id);

  return (Id == 0) ? std::string () : (Text ? Emu::Utf16ToUtf8 (*Text) : "#" + std::to_string (Id));
}

void
ReportParsedPage (std::ostream &Out, Emu::HiiServices &Hii, UINT32 Page)
{
  PAGE_RECORD  *Record = GetWorkPage (Page);

  Out << "  page " << Page << ": form " << Record->FormId << " \"" << HiiText (Hii, Record->HiiHandle, Record->TitleStringId)
      << "\", parent " << Record->ParentPageNumber << ", flags " << Hex (Record->Flags) << ", " << Record->ControlCount
      << " controls\n";
  for (UINT32 N = 0; N < Record->ControlCount; N++) {
    CONTROL_RECORD  *Control = GetWorkPageControl (Record, N);

    Out << "    " << ControlTypeName (Control->ControlType) << " (" << Control->ControlType << ")";
    if (Control->PromptStringId != 0) {
      Out << " \"" << HiiText (Hii, Record->HiiHandle, Control->PromptStringId) << "\"";
    }

    if ((Control->QuestionId != 0) && (Control->QuestionOpcode != 0)) {
      Out << ", question " << Control->QuestionId;
      if (Control->VariableIndex != VARIABLE_INDEX_NONE) {
        Out << ", variable " << Control->VariableIndex;
      }

      Out << ", " << Control->ValueWidth << " bytes";
    }

    if (Control->RefTargetPage != CONTROL_NO_REF_TARGET) {
      Out << ", to page " << Control->RefTargetPage;
    }

    Out << ", flags " << Hex (Control->Flags) << "\n";
  }
}

void
ReportParsedVariables (std::ostream &Out, UINT32 First)
{
  for (UINT32 Index = First; Index < GetWorkVariableCount (); Index++) {
    VARIABLE_RECORD  *Record = GetWorkVariable (Index);

    Out << "  variable " << Index << ": \"" << Emu::Utf16ToUtf8 (std::u16string (Record->Name)) << "\" "
        << Emu::GuidToString (Record->VendorGuid) << ", id " << Hex (Record->VariableId) << ", "
        << StoreName (Record->StoreFlags) << ", " << Record->Size << " bytes\n";
  }
}

// The board's setup password: the second field of the engine's password record, encoded.
void
StoreSetupPassword (Emu::VariableStore &Store, const std::u16string &Password)
{
  const Emu::VARIABLE  *Stored = Store.Lookup (u"OKURWZSetup", kEngineVariableGuid);
  std::vector<UINT8>   Record  = (Stored == nullptr) ? std::vector<UINT8> (81, 0) : Stored->Data;
  CHAR16               Field[PASSWORD_MAX_CHARS] = {};

  Record.resize (std::max<size_t> (Record.size (), 2 * sizeof (Field)), 0);
  std::copy_n (Password.begin (), std::min<size_t> (Password.size (), PASSWORD_MAX_CHARS), Field);
  EncodePasswordBuffer (Field, sizeof (Field));
  std::memcpy (Record.data () + sizeof (Field), Field, sizeof (Field));
  Store.Put (u"OKURWZSetup", kEngineVariableGuid, (Stored == nullptr) ? 7 : Stored->Attributes, Record);
}

// What a board driver and the POST flow would ask on the way into setup.
void
AskBeforeSetup (std::ostream &Out, const DEMO_REQUESTS &Requests)
{
  if (!Requests.Message.empty ()) {
    std::u16string  Message   = Requests.Message;
    UINT8           Selection = 0xFF;
    Out << "Message box: the board asks through the boot-screen interface\n" << std::flush;
    EFI_STATUS  Status = gBootScreenInterface.ShowBootScreenMessageBox ((CHAR16 *)u"Demo board", (CHAR16 *)Message.c_str (), 3,
                           &Selection);
    Out << "Message box answered: " << StatusName (Status)
        << (EFI_ERROR (Status) ? "" : (Selection == 0) ? ", Yes" : ", No") << "\n";
  }

  if (!Requests.SetupPassword.empty ()) {
    Out << "Setup password: asked on the text console before setup\n" << std::flush;
    ClearTextScreen ();       // the message box stays drawn otherwise: only POST restores what it covered
    FlushTextScreen ();
    (VOID)HookEnterSetup ();
    Out << "Setup password: access level " << gAccessLevel << "\n";
  }
}

}  // namespace

void
ReportParsedForms (std::ostream &Out, Emu::HiiServices &Hii, const std::vector<EFI_HII_HANDLE> &Handles)
{
  for (EFI_HII_HANDLE Handle : Handles) {
    const Emu::HII_PACKAGE_LIST  *List = Hii.Find (Handle);

    for (size_t Index = 0; (List != nullptr) && (Index < List->Packages.size ()); Index++) {
      if (List->Packages[Index].Type != EFI_HII_PACKAGE_FORMS) {
        continue;
      }

      std::vector<UINT8>   Package   = List->Packages[Index].Bytes;
      DYNAMIC_PAGE_RECORD  Job       = {};
      UINT32               FirstPage = std::max (GetWorkPageCount (), 1u);
      UINT32               Variables = GetWorkVariableCount ();

      Job.Package   = Package.data ();
      Job.HiiHandle = Handle;
      EFI_STATUS  Status = ParseFormSetForms (&Job);
      Out << "Form set of package list " << Emu::GuidToString (List->Guid) << ": " << StatusName (Status) << ", "
          << (GetWorkPageCount () - std::min (FirstPage, GetWorkPageCount ())) << " pages\n";
      for (UINT32 Page = FirstPage; Page < GetWorkPageCount (); Page++) {
        ReportParsedPage (Out, Hii, Page);
      }

      ReportParsedVariables (Out, Variables);
    }
  }

  FreeWorkTables ();
}

void
RunDemoBoard (Emu::Machine &Target, Emu::STANDARD_DEVICES &Devices, std::ostream &Out, const std::string &HiiExportPath,
              const DEMO_REQUESTS &Requests)
{
  BOARD                        Board = BuildBoard ();
  std::vector<EFI_HII_HANDLE>  Exported;

  SeedVariables (Target.Variables (), Board);
  PutBoardBootOption (Target.Variables (), VolumePathBody (Target, Devices.Image->VolumeHandle ()));
  PutLegacyBootOption (Target.Variables ());
  if (!Requests.SetupPassword.empty ()) {
    StoreSetupPassword (Target.Variables (), Requests.SetupPassword);
  }

  STARTED_DRIVER  Started = StartSetupDriver (Target, Devices, Board);
  ReportSetupDriver (Out, Target, Started, Board);
  Out << "Forms parsed into pages (the board's own)\n";
  ReportParsedForms (Out, *Started.Hii, { Started.BoardForms });
  if (!HiiExportPath.empty ()) {
    EFI_STATUS  Status = Started.Hii->LoadExportFile (HiiExportPath, true, &Exported);
    Out << "Forms parsed into pages (HII export " << HiiExportPath << ": " << StatusName (Status) << ", "
        << Exported.size () << " package lists)\n";
    if ((Status != EFI_SUCCESS) || Exported.empty ()) {
      // Setup without the forms asked for would look like a run that found them empty.
      throw std::runtime_error (HiiExportPath + " is no HII database export (" + StatusName (Status) + ", " +
                                std::to_string (Exported.size ()) + " package lists)");
    }
    ReportParsedForms (Out, *Started.Hii, Exported);
  }

  if (Started.Status == EFI_SUCCESS) {
    AskBeforeSetup (Out, Requests);
    Out << "Power on: the POST flow of the boot-screen interface (Del or F2 enters setup, F8 the boot menu)\n"
        << std::flush;
    EFI_STATUS  Status = gBootScreenInterface.RunBootScreenFlow ();
    Out << "POST flow left: " << StatusName (Status) << "\n";
  }
}

void
PowerOffDriver ()
{
  DestroyTuiApp ();
  FreeDynamicPageTable ();
  RestoreDeletedOptions ();
  FreeBootOptionTables ();
  gSaveAskedForReset = 0;
  (VOID)SetupEngineCleanup (EFI_SUCCESS);
  FreeSetupData ();
  FreeScreenBuffers ();
  CloseConsoleNotifications ();
  ResetEngineState ();
  gLibST = nullptr;
  gLibBS = nullptr;
  gLibRT = nullptr;
}

}  // namespace Demo

/** @file
  QEMU loader: started from the removable-media path of a FAT disk, it hands our
  firmware volume to the DXE core and runs the dispatcher, so the firmware loads the
  setup engine exactly as it loads its own drivers (firmware-file device path, FV2 on
  the device handle). Then it prints what it finds and switches the machine off, or,
  when the disk asks for it, returns to the firmware's boot manager.
**/
#include <Uefi.h>
#include <Guid/DxeServices.h>
#include <Guid/GlobalVariable.h>
#include <Pi/PiFirmwareFile.h>
#include <Protocol/KeyCode.h>
#include <Protocol/LoadedImage.h>
#include <Protocol/SimpleFileSystem.h>
#include <Protocol/SimpleTextInEx.h>

#include "Loader.h"
#include "LoaderConsole.h"
#include "LoaderParse.h"

namespace loader {

EFI_BOOT_SERVICES *gBoot;

namespace {

const CHAR16 kVolumePath[] = u"\\SetupEngine.fv";
const CHAR16 kVariablesPath[] = u"\\SetupEngine.vars";
// Present on the disk when the firmware is to go on to its own boot manager and front
// page after the checks, with the engine as its form browser, instead of switching off.
// It may name a package list whose form sets are shown first.
const CHAR16 kStayPath[] = u"\\SetupEngine.stay";
// With this marker beside the stay marker the loader runs the POST flow through the
// driver's boot-screen interface, as a firmware's boot phase does.
const CHAR16 kPostPath[] = u"\\SetupEngine.post";
// With this marker the driver is not dispatched from the volume but loaded from the two
// image files beside it, the unsigned one first.
const CHAR16 kDriverFilePath[]   = u"\\SetupEngine.file";
const CHAR16 kSignedDriver[]     = u"\\SetupEngineDxe.efi";
const CHAR16 kUnsignedDriver[]   = u"\\SetupEngineUnsigned.efi";
// Volatile marker of a dispatch in this boot: the boot manager may start the loader again
// (after its front page, or from its boot menu), and the volume must be handed over once.
const CHAR16 kDispatchedName[]   = u"SetupQemuDispatched";
EFI_GUID     gLoaderVariableGuid = { 0x3F1C7A52, 0x8E04, 0x4B6D, { 0x9A, 0x21, 0x5C, 0xE8, 0x0B, 0x4F, 0x71, 0xD3 } };

DXE_SERVICES *
FindDxeServices (
  IN EFI_SYSTEM_TABLE  *St
  )
{
  static const EFI_GUID KDxeServices = DXE_SERVICES_TABLE_GUID;
  for (UINTN I = 0; I < St->NumberOfTableEntries; ++I) {
    if (SameBytes (&St->ConfigurationTable[I].VendorGuid, &KDxeServices, sizeof KDxeServices)) {
      return static_cast<DXE_SERVICES *> (St->ConfigurationTable[I].VendorTable);
    }
  }
  return nullptr;
}

EFI_STATUS
OpenFile (
  IN  EFI_HANDLE         Image,
  IN  const CHAR16       *Path,
  OUT EFI_FILE_PROTOCOL  **File
  )
{
  EFI_GUID                         LoadedImageGuid = EFI_LOADED_IMAGE_PROTOCOL_GUID;
  EFI_GUID                         FileSystemGuid  = EFI_SIMPLE_FILE_SYSTEM_PROTOCOL_GUID;
  EFI_LOADED_IMAGE_PROTOCOL       *Loaded          = nullptr;
  EFI_SIMPLE_FILE_SYSTEM_PROTOCOL *Fs              = nullptr;
  EFI_FILE_PROTOCOL               *Root            = nullptr;
  EFI_STATUS                       Status          = gBoot->HandleProtocol (Image, &LoadedImageGuid, (VOID **)&Loaded);
  if (!EFI_ERROR (Status)) {
    Status = gBoot->HandleProtocol (Loaded->DeviceHandle, &FileSystemGuid, (VOID **)&Fs);
  }
  if (!EFI_ERROR (Status)) {
    Status = Fs->OpenVolume (Fs, &Root);
  }
  if (EFI_ERROR (Status)) {
    return Status;
  }
  Status = Root->Open (Root, File, const_cast<CHAR16 *> (Path), EFI_FILE_MODE_READ, 0);  // only read
  Root->Close (Root);                                                                    // the opened file stays valid on its own
  return Status;
}

// Reads a file of the loader's disk into page memory: the DXE core keeps using a volume's
// buffer for as long as its FV2 instance lives, and a volume must sit on at least its own
// 4 KiB alignment. The pages are never freed.
EFI_STATUS
ReadDiskFile (
  IN  EFI_HANDLE    Image,
  IN  const CHAR16  *Path,
  OUT VOID          **Buffer,
  OUT UINTN         *Size
  )
{
  EFI_FILE_PROTOCOL *File   = nullptr;
  EFI_STATUS         Status = OpenFile (Image, Path, &File);
  if (EFI_ERROR (Status)) {
    return Status;
  }
  UINT64 End = 0;
  Status     = File->SetPosition (File, ~0ULL);  // to the end, to learn the size
  if (!EFI_ERROR (Status)) {
    Status = File->GetPosition (File, &End);
  }
  if (!EFI_ERROR (Status)) {
    Status = File->SetPosition (File, 0);
  }
  EFI_PHYSICAL_ADDRESS Pages = 0;
  if (!EFI_ERROR (Status)) {
    Status = gBoot->AllocatePages (AllocateAnyPages, EfiBootServicesData, UINTN ((End + EFI_PAGE_SIZE - 1) / EFI_PAGE_SIZE), &Pages);
  }
  *Size = UINTN (End);
  if (!EFI_ERROR (Status)) {
    Status = File->Read (File, Size, (VOID *)(UINTN)Pages);
  }
  File->Close (File);
  if (!EFI_ERROR (Status) && *Size != End) {
    Status = EFI_END_OF_FILE;
  }
  *Buffer = (VOID *)(UINTN)Pages;
  return Status;
}

// Hands the firmware a copy of the volume whose driver file header no longer sums to zero.
// It must refuse it: that is what makes its acceptance of the real volume mean something.
// The copy gets a name of its own, since the firmware remembers a refused volume's name
// (the real one would then count as started already), and it is never freed, since the
// firmware may keep a handle on it.
void
ReportCorruptCopy (
  IN DXE_SERVICES  *Dxe,
  IN const VOID    *Fv,
  IN UINTN         Size,
  IN UINTN         FileOffset
  )
{
  EFI_PHYSICAL_ADDRESS Pages = 0;
  const UINTN          Count = (Size + EFI_PAGE_SIZE - 1) / EFI_PAGE_SIZE;
  if (EFI_ERROR (gBoot->AllocatePages (AllocateAnyPages, EfiBootServicesData, Count, &Pages))) {
    return;
  }
  UINT8 *Copy = (UINT8 *)(UINTN)Pages;
  gBoot->CopyMem (Copy, const_cast<VOID *> (Fv), Size);
  Copy[FileOffset + offsetof (EFI_FFS_FILE_HEADER, HeaderChecksum)] ^= 0x01;
  EFI_GUID Name;
  if (FindVolumeName (Copy, Size, &Name)) {
    const UINT8 *At = Copy + offsetof (EFI_FIRMWARE_VOLUME_HEADER, ExtHeaderOffset);
    Copy[UINTN (At[0] | At[1] << 8) + offsetof (EFI_FIRMWARE_VOLUME_EXT_HEADER, FvName)] ^= 0xFF;
  }
  EFI_HANDLE       Handle = nullptr;
  const EFI_STATUS Status = Dxe->ProcessFirmwareVolume (Copy, Size, &Handle);
  Line ().Text (u"volume with a broken file checksum: ").Status (Status).Print ();
}

// The board's own variables, as a board's NVRAM holds them before any driver runs; a
// variable the firmware already has is left as it is. Without the file there are none.
bool
SeedBoardVariables (
  IN EFI_SYSTEM_TABLE  *St,
  IN EFI_HANDLE        Image
  )
{
  VOID *File = nullptr;
  UINTN Size = 0;
  if (EFI_ERROR (ReadDiskFile (Image, kVariablesPath, &File, &Size))) {
    Line ().Text (u"board variables: none").Print ();
    return true;
  }
  const UINT8    *Bytes  = static_cast<const UINT8 *> (File);
  UINTN           Offset = 0, Seeded = 0, Present = 0;
  VARIABLE_RECORD Record;
  bool            Ok = true;
  while (NextVariableRecord (Bytes, Size, &Offset, &Record)) {
    UINTN            Probe = 0;
    const EFI_STATUS Found = St->RuntimeServices->GetVariable (Record.Name, &Record.Guid, nullptr, &Probe, nullptr);
    if (Found != EFI_NOT_FOUND) {
      ++Present;
      continue;
    }
    const EFI_STATUS Status =
      St->RuntimeServices->SetVariable (Record.Name, &Record.Guid, Record.Attributes, Record.DataSize, const_cast<UINT8 *> (Record.Data));
    Line ().Text (u"board variable ").Text (Record.Name).Text (u": ").Status (Status).Print ();
    Ok = Ok && !EFI_ERROR (Status);
    Seeded += EFI_ERROR (Status) ? 0 : 1;
  }
  Ok = Ok && Offset == Size;  // a record that did not parse ends the walk early
  Line ()
    .Text (u"board variables: ")
    .Decimal (Seeded)
    .Text (u" seeded, ")
    .Decimal (Present)
    .Text (u" already present, file read ")
    .Text (Offset == Size ? u"whole" : u"partly")
    .Print ();
  return Ok;
}

bool
SecureBootOn (
  IN EFI_SYSTEM_TABLE  *St
  )
{
  EFI_GUID Global = EFI_GLOBAL_VARIABLE_GUID;
  UINT8    Value  = 0;
  UINTN    Size   = sizeof Value;
  return !EFI_ERROR (St->RuntimeServices->GetVariable (const_cast<CHAR16 *> (u"SecureBoot"), &Global, nullptr, &Size, &Value)) &&
         Value == 1;
}

bool
DiskFileExists (
  IN EFI_HANDLE    Image,
  IN const CHAR16  *Path
  )
{
  EFI_FILE_PROTOCOL *File = nullptr;
  if (EFI_ERROR (OpenFile (Image, Path, &File))) {
    return false;
  }
  File->Close (File);
  return true;
}

// The stay marker may name a package list (its 16-byte GUID) whose form sets are shown
// through SendForm before the firmware goes on.
bool
FirstFormSetToShow (
  IN  EFI_HANDLE  Image,
  OUT EFI_GUID    *Guid
  )
{
  EFI_FILE_PROTOCOL *File = nullptr;
  if (EFI_ERROR (OpenFile (Image, kStayPath, &File))) {
    return false;
  }
  UINTN            Size   = sizeof *Guid;
  const EFI_STATUS Status = File->Read (File, &Size, Guid);
  File->Close (File);
  return !EFI_ERROR (Status) && Size == sizeof *Guid;
}

// The first slot of the boot-screen interface: the POST flow.
struct BOOT_SCREEN_FIRST_SLOT {
  EFI_STATUS (EFIAPI *RunBootScreenFlow)(VOID);
};

// The marker holds the boot time-out in seconds (u16), as the board's setup keeps it.
void
RunPostFlow (
  IN EFI_HANDLE        Image,
  IN EFI_SYSTEM_TABLE  *St
  )
{
  EFI_FILE_PROTOCOL *File    = nullptr;
  UINT16             Seconds = 0;
  UINTN              Size    = sizeof Seconds;
  EFI_GUID           Global  = { 0x8BE4DF61, 0x93CA, 0x11D2, { 0xAA, 0x0D, 0x00, 0xE0, 0x98, 0x03, 0x2B, 0x8C } };
  if (!EFI_ERROR (OpenFile (Image, kPostPath, &File))) {
    if (!EFI_ERROR (File->Read (File, &Size, &Seconds)) && (Size == sizeof Seconds)) {
      const EFI_STATUS Status = St->RuntimeServices->SetVariable (
        const_cast<CHAR16 *> (u"Timeout"), &Global,
        EFI_VARIABLE_NON_VOLATILE | EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_RUNTIME_ACCESS, sizeof Seconds, &Seconds);
      Line ().Text (u"POST time-out ").Decimal (Seconds).Text (u" s: ").Status (Status).Print ();
    }
    File->Close (File);
  }

  EFI_GUID                Guid      = { 0x8A91B1E1, 0x56C7, 0x4ADC, { 0xAB, 0xEB, 0x1C, 0x2C, 0xA1, 0x72, 0x9E, 0xFF } };
  BOOT_SCREEN_FIRST_SLOT  *Interface = nullptr;

  if (EFI_ERROR (gBoot->LocateProtocol (&Guid, nullptr, reinterpret_cast<VOID **> (&Interface))) || (Interface == nullptr)) {
    Line ().Text (u"POST flow: no boot-screen interface").Print ();
    return;
  }
  Line ().Text (u"POST flow: started").Print ();
  const EFI_STATUS Status = Interface->RunBootScreenFlow ();
  Line ().Text (u"POST flow: left with ").Status (Status).Print ();
}

// The boot option the firmware (or the engine's boot loop) started this loader as.
void
ReportBootCurrent (
  IN EFI_SYSTEM_TABLE  *St
  )
{
  EFI_GUID Global = { 0x8BE4DF61, 0x93CA, 0x11D2, { 0xAA, 0x0D, 0x00, 0xE0, 0x98, 0x03, 0x2B, 0x8C } };
  UINT16   Current = 0;
  UINTN    Size    = sizeof Current;
  if (EFI_ERROR (St->RuntimeServices->GetVariable (const_cast<CHAR16 *> (u"BootCurrent"), &Global, nullptr, &Size, &Current))) {
    Line ().Text (u"BootCurrent: none").Print ();
    return;
  }
  Line ().Text (u"BootCurrent: ").Hex (Current).Print ();
}

bool
DispatchedThisBoot (
  IN EFI_SYSTEM_TABLE  *St
  )
{
  UINT8 Value = 0;
  UINTN Size  = sizeof Value;
  return !EFI_ERROR (
    St->RuntimeServices->GetVariable (const_cast<CHAR16 *> (kDispatchedName), &gLoaderVariableGuid, nullptr, &Size, &Value));
}

void
MarkDispatched (
  IN EFI_SYSTEM_TABLE  *St
  )
{
  UINT8            Value  = 1;
  const EFI_STATUS Status = St->RuntimeServices->SetVariable (
    const_cast<CHAR16 *> (kDispatchedName), &gLoaderVariableGuid, EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_RUNTIME_ACCESS,
    sizeof Value, &Value);
  if (EFI_ERROR (Status)) {
    Line ().Text (u"dispatch marker: ").Status (Status).Print ();
  }
}

void
Shutdown (
  IN EFI_SYSTEM_TABLE  *St
  )
{
  Line ().Text (u"power off").Print ();
  St->RuntimeServices->ResetSystem (EfiResetShutdown, EFI_SUCCESS, 0, nullptr);
}

// Dispatches the driver; false when the firmware never got to run it.
bool
DispatchDriver (
  IN     EFI_SYSTEM_TABLE  *St,
  IN     EFI_HANDLE        Image,
  IN OUT DriverWatch       &Watch
  )
{
  DXE_SERVICES *Dxe = FindDxeServices (St);
  Line ().Text (u"DXE services table: ").YesNo (Dxe != nullptr).Print ();
  VOID            *Fv         = nullptr;
  UINTN            Size       = 0;
  const EFI_STATUS ReadStatus = ReadDiskFile (Image, kVolumePath, &Fv, &Size);
  Line ().Text (u"read ").Text (kVolumePath).Text (u": ").Status (ReadStatus).Print ();
  if (Dxe == nullptr || EFI_ERROR (ReadStatus)) {
    return false;
  }
  UINTN FileOffset = 0;
  if (!FindDriverFile (static_cast<const UINT8 *> (Fv), Size, &Watch.FileName, &FileOffset)) {
    Line ().Text (u"volume holds no driver file").Print ();
    return false;
  }
  Line ().Text (u"volume ").Decimal (Size).Text (u" bytes, driver file ").Guid (Watch.FileName).Print ();
  ReportCorruptCopy (Dxe, Fv, Size, FileOffset);
  EFI_EVENT Events[2] = { nullptr, nullptr };
  if (!StartImageWatch (Watch, Events)) {
    return false;
  }
  EFI_STATUS Status = Dxe->ProcessFirmwareVolume (Fv, Size, &Watch.VolumeHandle);
  Line ().Text (u"process firmware volume: ").Status (Status).Print ();
  bool Named = false;
  if (!EFI_ERROR (Status)) {
    Named = ReportVolumePath (static_cast<const UINT8 *> (Fv), Size, Watch.VolumeHandle);
    Line ().Text (u"watching the volume's section reads: ").YesNo (StartSectionWatch (Watch)).Print ();
    Status = Dxe->Dispatch ();
    StopSectionWatch ();
    Line ().Text (u"dispatch: ").Status (Status).Print ();
  }
  StopImageWatch (Events);
  return !EFI_ERROR (Status) && Named;
}

// What the console-input handle offers the engine's key reader: OVMF has no key-code
// input, and the engine must do with the console's own.
void
ReportConsoleInput (
  IN EFI_SYSTEM_TABLE  *St
  )
{
  EFI_GUID KeyCodeGuid = KEY_CODE_PROTOCOL_GUID;
  EFI_GUID InputExGuid = EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL_GUID;
  VOID    *Interface   = nullptr;
  const bool KeyCode   = St->ConsoleInHandle != nullptr &&
                         !EFI_ERROR (gBoot->HandleProtocol (St->ConsoleInHandle, &KeyCodeGuid, &Interface));
  const bool InputEx   = St->ConsoleInHandle != nullptr &&
                         !EFI_ERROR (gBoot->HandleProtocol (St->ConsoleInHandle, &InputExGuid, &Interface));
  Line ().Text (u"console input: key-code ").YesNo (KeyCode).Text (u", input-ex ").YesNo (InputEx).Print ();
}

}  // namespace
}  // namespace loader

using namespace loader;

extern "C" EFI_STATUS EFIAPI
LoaderMain (
  IN EFI_HANDLE        Image,
  IN EFI_SYSTEM_TABLE  *St
  )
{
  gBoot = St->BootServices;
  SetConsole (St);
  Line ().Text (u"loader started, firmware ").Text (St->FirmwareVendor).Print ();
  Line ().Text (u"secure boot: ").Text (SecureBootOn (St) ? u"on" : u"off").Print ();
  const bool Stay = DiskFileExists (Image, kStayPath);
  if (Stay && DispatchedThisBoot (St)) {
    // Success sends the boot manager on to its menu, which shows the front page again.
    ReportBootCurrent (St);
    Line ().Text (u"driver dispatched already; back to the firmware").Print ();
    return EFI_SUCCESS;
  }
  if (Stay) {
    ReportConsoleInput (St);
  }
  BrowserSnapshot Before = {};
  TakeBrowserSnapshot (Before);
  Line ().Text (u"form browsers before dispatch: ").Decimal (Before.Count).Print ();
  bool        Pass     = SeedBoardVariables (St, Image);
  DriverWatch Watch    = {};
  if (DiskFileExists (Image, kDriverFilePath)) {
    Pass = StartDriverFromFiles (Image, kUnsignedDriver, kSignedDriver, SecureBootOn (St), Watch) && Pass;
    Pass = ReportInterfaces (Before) && Pass;
  } else {
    Pass                 = DispatchDriver (St, Image, Watch) && Pass;
    bool       Resident  = false;
    const bool SetupData = ReportSetupSection (Watch);
    Pass                 = ReportDriverStart (Watch, Resident) && SetupData && Pass;
    ReportStartFailure (Watch, Resident);
    Pass = ReportInterfaces (Before) && Resident && Pass;
  }
  Pass = ReportPackageList (Watch) && Pass;
  Line ().Text (u"result: ").Text (Pass ? u"PASS" : u"FAIL").Print ();
  if (!Stay) {
    Shutdown (St);
    return EFI_SUCCESS;
  }
  MarkDispatched (St);
  if (Pass && DiskFileExists (Image, kPostPath)) {
    RunPostFlow (Image, St);
  }
  EFI_GUID First;
  if (Pass && FirstFormSetToShow (Image, &First)) {
    ShowFormSetOf (First);
  }
  // The boot manager treats a boot option that returns success as a request for its menu:
  // the firmware's front page, now shown through the engine's form browser.
  Line ().Text (u"back to the firmware").Print ();
  return EFI_SUCCESS;
}

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
#include <Protocol/LoadedImage.h>
#include <Protocol/SimpleFileSystem.h>

#include "Loader.h"
#include "LoaderConsole.h"
#include "LoaderParse.h"

namespace loader {

EFI_BOOT_SERVICES* gBoot;

namespace {

const CHAR16 kVolumePath[] = u"\\SetupEngine.fv";
const CHAR16 kVariablesPath[] = u"\\SetupEngine.vars";
// Present on the disk when the firmware is to go on to its own boot manager and front
// page after the checks, with the engine as its form browser, instead of switching off.
// It may name a package list whose form sets are shown first.
const CHAR16 kStayPath[] = u"\\SetupEngine.stay";
// Volatile marker of a dispatch in this boot: the boot manager may start the loader again
// (after its front page, or from its boot menu), and the volume must be handed over once.
const CHAR16 kKeyCodePath[] = u"\\SetupKeyCode.efi";
const CHAR16 kDispatchedName[] = u"SetupQemuDispatched";
EFI_GUID gLoaderVariableGuid = {0x3F1C7A52, 0x8E04, 0x4B6D, {0x9A, 0x21, 0x5C, 0xE8, 0x0B, 0x4F, 0x71, 0xD3}};

DXE_SERVICES* FindDxeServices(EFI_SYSTEM_TABLE* st) {
  static const EFI_GUID kDxeServices = DXE_SERVICES_TABLE_GUID;
  for (UINTN i = 0; i < st->NumberOfTableEntries; ++i)
    if (SameBytes(&st->ConfigurationTable[i].VendorGuid, &kDxeServices, sizeof kDxeServices))
      return static_cast<DXE_SERVICES*>(st->ConfigurationTable[i].VendorTable);
  return nullptr;
}

EFI_STATUS OpenFile(EFI_HANDLE image, const CHAR16* path, EFI_FILE_PROTOCOL** file) {
  EFI_GUID loadedImageGuid = EFI_LOADED_IMAGE_PROTOCOL_GUID;
  EFI_GUID fileSystemGuid = EFI_SIMPLE_FILE_SYSTEM_PROTOCOL_GUID;
  EFI_LOADED_IMAGE_PROTOCOL* loaded = nullptr;
  EFI_SIMPLE_FILE_SYSTEM_PROTOCOL* fs = nullptr;
  EFI_FILE_PROTOCOL* root = nullptr;
  EFI_STATUS status = gBoot->HandleProtocol(image, &loadedImageGuid, (VOID**)&loaded);
  if (!EFI_ERROR(status))
    status = gBoot->HandleProtocol(loaded->DeviceHandle, &fileSystemGuid, (VOID**)&fs);
  if (!EFI_ERROR(status)) status = fs->OpenVolume(fs, &root);
  if (EFI_ERROR(status)) return status;
  status = root->Open(root, file, const_cast<CHAR16*>(path), EFI_FILE_MODE_READ, 0);  // only read
  root->Close(root);  // the opened file stays valid on its own
  return status;
}

// Reads a file of the loader's disk into page memory: the DXE core keeps using a volume's
// buffer for as long as its FV2 instance lives, and a volume must sit on at least its own
// 4 KiB alignment. The pages are never freed.
EFI_STATUS ReadDiskFile(EFI_HANDLE image, const CHAR16* path, VOID** buffer, UINTN* size) {
  EFI_FILE_PROTOCOL* file = nullptr;
  EFI_STATUS status = OpenFile(image, path, &file);
  if (EFI_ERROR(status)) return status;
  UINT64 end = 0;
  status = file->SetPosition(file, ~0ULL);  // to the end, to learn the size
  if (!EFI_ERROR(status)) status = file->GetPosition(file, &end);
  if (!EFI_ERROR(status)) status = file->SetPosition(file, 0);
  EFI_PHYSICAL_ADDRESS pages = 0;
  if (!EFI_ERROR(status))
    status = gBoot->AllocatePages(AllocateAnyPages, EfiBootServicesData,
                                  UINTN((end + EFI_PAGE_SIZE - 1) / EFI_PAGE_SIZE), &pages);
  *size = UINTN(end);
  if (!EFI_ERROR(status)) status = file->Read(file, size, (VOID*)(UINTN)pages);
  file->Close(file);
  if (!EFI_ERROR(status) && *size != end) status = EFI_END_OF_FILE;
  *buffer = (VOID*)(UINTN)pages;
  return status;
}

// Hands the firmware a copy of the volume whose driver file header no longer sums to zero.
// It must refuse it: that is what makes its acceptance of the real volume mean something.
// The copy gets a name of its own, since the firmware remembers a refused volume's name
// (the real one would then count as started already), and it is never freed, since the
// firmware may keep a handle on it.
void ReportCorruptCopy(DXE_SERVICES* dxe, const VOID* fv, UINTN size, UINTN fileOffset) {
  EFI_PHYSICAL_ADDRESS pages = 0;
  const UINTN count = (size + EFI_PAGE_SIZE - 1) / EFI_PAGE_SIZE;
  if (EFI_ERROR(gBoot->AllocatePages(AllocateAnyPages, EfiBootServicesData, count, &pages))) return;
  UINT8* copy = (UINT8*)(UINTN)pages;
  gBoot->CopyMem(copy, const_cast<VOID*>(fv), size);
  copy[fileOffset + offsetof(EFI_FFS_FILE_HEADER, HeaderChecksum)] ^= 0x01;
  EFI_GUID name;
  if (FindVolumeName(copy, size, &name)) {
    const UINT8* at = copy + offsetof(EFI_FIRMWARE_VOLUME_HEADER, ExtHeaderOffset);
    copy[UINTN(at[0] | at[1] << 8) + offsetof(EFI_FIRMWARE_VOLUME_EXT_HEADER, FvName)] ^= 0xFF;
  }
  EFI_HANDLE handle = nullptr;
  const EFI_STATUS status = dxe->ProcessFirmwareVolume(copy, size, &handle);
  Line().Text(u"volume with a broken file checksum: ").Status(status).Print();
}

// The board's own variables, as a board's NVRAM holds them before any driver runs; a
// variable the firmware already has is left as it is. Without the file there are none.
bool SeedBoardVariables(EFI_SYSTEM_TABLE* st, EFI_HANDLE image) {
  VOID* file = nullptr;
  UINTN size = 0;
  if (EFI_ERROR(ReadDiskFile(image, kVariablesPath, &file, &size))) {
    Line().Text(u"board variables: none").Print();
    return true;
  }
  const UINT8* bytes = static_cast<const UINT8*>(file);
  UINTN offset = 0, seeded = 0, present = 0;
  VARIABLE_RECORD record;
  bool ok = true;
  while (NextVariableRecord(bytes, size, &offset, &record)) {
    UINTN probe = 0;
    const EFI_STATUS found = st->RuntimeServices->GetVariable(record.name, &record.guid, nullptr, &probe, nullptr);
    if (found != EFI_NOT_FOUND) {
      ++present;
      continue;
    }
    const EFI_STATUS status = st->RuntimeServices->SetVariable(
        record.name, &record.guid, record.attributes, record.dataSize, const_cast<UINT8*>(record.data));
    Line().Text(u"board variable ").Text(record.name).Text(u": ").Status(status).Print();
    ok = ok && !EFI_ERROR(status);
    seeded += EFI_ERROR(status) ? 0 : 1;
  }
  ok = ok && offset == size;  // a record that did not parse ends the walk early
  Line().Text(u"board variables: ").Decimal(seeded).Text(u" seeded, ").Decimal(present)
      .Text(u" already present, file read ").Text(offset == size ? u"whole" : u"partly").Print();
  return ok;
}

bool SecureBootOn(EFI_SYSTEM_TABLE* st) {
  EFI_GUID global = EFI_GLOBAL_VARIABLE_GUID;
  UINT8 value = 0;
  UINTN size = sizeof value;
  return !EFI_ERROR(st->RuntimeServices->GetVariable(const_cast<CHAR16*>(u"SecureBoot"), &global,
                                                     nullptr, &size, &value)) && value == 1;
}

bool DiskFileExists(EFI_HANDLE image, const CHAR16* path) {
  EFI_FILE_PROTOCOL* file = nullptr;
  if (EFI_ERROR(OpenFile(image, path, &file))) return false;
  file->Close(file);
  return true;
}

// The stay marker may name a package list (its 16-byte GUID) whose form sets are shown
// through SendForm before the firmware goes on.
bool FirstFormSetToShow(EFI_HANDLE image, EFI_GUID* guid) {
  EFI_FILE_PROTOCOL* file = nullptr;
  if (EFI_ERROR(OpenFile(image, kStayPath, &file))) return false;
  UINTN size = sizeof *guid;
  const EFI_STATUS status = file->Read(file, &size, guid);
  file->Close(file);
  return !EFI_ERROR(status) && size == sizeof *guid;
}

bool DispatchedThisBoot(EFI_SYSTEM_TABLE* st) {
  UINT8 value = 0;
  UINTN size = sizeof value;
  return !EFI_ERROR(st->RuntimeServices->GetVariable(const_cast<CHAR16*>(kDispatchedName),
                                                     &gLoaderVariableGuid, nullptr, &size, &value));
}

void MarkDispatched(EFI_SYSTEM_TABLE* st) {
  UINT8 value = 1;
  const EFI_STATUS status = st->RuntimeServices->SetVariable(
      const_cast<CHAR16*>(kDispatchedName), &gLoaderVariableGuid,
      EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_RUNTIME_ACCESS, sizeof value, &value);
  if (EFI_ERROR(status)) Line().Text(u"dispatch marker: ").Status(status).Print();
}

void Shutdown(EFI_SYSTEM_TABLE* st) {
  Line().Text(u"power off").Print();
  st->RuntimeServices->ResetSystem(EfiResetShutdown, EFI_SUCCESS, 0, nullptr);
}

// Dispatches the driver; false when the firmware never got to run it.
bool DispatchDriver(EFI_SYSTEM_TABLE* st, EFI_HANDLE image, DriverWatch& watch) {
  DXE_SERVICES* dxe = FindDxeServices(st);
  Line().Text(u"DXE services table: ").YesNo(dxe != nullptr).Print();
  VOID* fv = nullptr;
  UINTN size = 0;
  const EFI_STATUS readStatus = ReadDiskFile(image, kVolumePath, &fv, &size);
  Line().Text(u"read ").Text(kVolumePath).Text(u": ").Status(readStatus).Print();
  if (dxe == nullptr || EFI_ERROR(readStatus)) return false;
  UINTN fileOffset = 0;
  if (!FindDriverFile(static_cast<const UINT8*>(fv), size, &watch.fileName, &fileOffset)) {
    Line().Text(u"volume holds no driver file").Print();
    return false;
  }
  Line().Text(u"volume ").Decimal(size).Text(u" bytes, driver file ").Guid(watch.fileName).Print();
  ReportCorruptCopy(dxe, fv, size, fileOffset);
  EFI_EVENT events[2] = {nullptr, nullptr};
  if (!StartImageWatch(watch, events)) return false;
  EFI_STATUS status = dxe->ProcessFirmwareVolume(fv, size, &watch.volumeHandle);
  Line().Text(u"process firmware volume: ").Status(status).Print();
  bool named = false;
  if (!EFI_ERROR(status)) {
    named = ReportVolumePath(static_cast<const UINT8*>(fv), size, watch.volumeHandle);
    Line().Text(u"watching the volume's section reads: ").YesNo(StartSectionWatch(watch)).Print();
    status = dxe->Dispatch();
    StopSectionWatch();
    Line().Text(u"dispatch: ").Status(status).Print();
  }
  StopImageWatch(events);
  return !EFI_ERROR(status) && named;
}

}  // namespace
}  // namespace loader

using namespace loader;

extern "C" EFI_STATUS EFIAPI LoaderMain(EFI_HANDLE image, EFI_SYSTEM_TABLE* st) {
  gBoot = st->BootServices;
  SetConsole(st);
  Line().Text(u"loader started, firmware ").Text(st->FirmwareVendor).Print();
  Line().Text(u"secure boot: ").Text(SecureBootOn(st) ? u"on" : u"off").Print();
  const bool stay = DiskFileExists(image, kStayPath);
  if (stay && DispatchedThisBoot(st)) {
    // Success sends the boot manager on to its menu, which shows the front page again.
    Line().Text(u"driver dispatched already; back to the firmware").Print();
    return EFI_SUCCESS;
  }
  // The engine reads its keys through the key-code interface, which OVMF lacks; its
  // adapter is a driver of its own, since the loader's image goes when it returns.
  if (stay) {
    const EFI_STATUS status = StartDiskDriver(image, kKeyCodePath);
    Line().Text(u"key-code adapter ").Text(kKeyCodePath).Text(u": ").Status(status).Print();
  }
  BrowserSnapshot before = {};
  TakeBrowserSnapshot(before);
  Line().Text(u"form browsers before dispatch: ").Decimal(before.count).Print();
  bool pass = SeedBoardVariables(st, image);
  DriverWatch watch = {};
  pass = DispatchDriver(st, image, watch) && pass;
  bool resident = false;
  const bool setupData = ReportSetupSection(watch);
  pass = ReportDriverStart(watch, resident) && setupData && pass;
  ReportStartFailure(watch, resident);
  pass = ReportInterfaces(before) && resident && pass;
  pass = ReportPackageList(watch) && pass;
  Line().Text(u"result: ").Text(pass ? u"PASS" : u"FAIL").Print();
  if (!stay) {
    Shutdown(st);
    return EFI_SUCCESS;
  }
  MarkDispatched(st);
  EFI_GUID first;
  if (pass && FirstFormSetToShow(image, &first)) ShowFormSetOf(first);
  // The boot manager treats a boot option that returns success as a request for its menu:
  // the firmware's front page, now shown through the engine's form browser.
  Line().Text(u"back to the firmware").Print();
  return EFI_SUCCESS;
}

/** @file
  What the loader checks once the dispatcher has run the driver: how the image was
  loaded and whether it stayed, the three interfaces on one handle with no other form
  browser left, and the driver's package list and strings in the firmware's HII
  database.
**/
#include <Protocol/DevicePath.h>
#include <Protocol/FormBrowser2.h>
#include <Protocol/FirmwareVolume2.h>
#include <Protocol/HiiDatabase.h>
#include <Protocol/HiiString.h>
#include <Protocol/LoadedImage.h>

#include "Loader.h"
#include "LoaderConsole.h"
#include "LoaderParse.h"

namespace loader {
namespace {

EFI_GUID gBootScreenGuid = {0x8A91B1E1, 0x56C7, 0x4ADC, {0xAB, 0xEB, 0x1C, 0x2C, 0xA1, 0x72, 0x9E, 0xFF}};
EFI_GUID gFormBrowser2Guid = {0xB9D4C360, 0xBCFB, 0x4F9B, {0x92, 0x98, 0x53, 0xC1, 0x36, 0x98, 0x22, 0x58}};
EFI_GUID gCompanionGuid = {0x73905351, 0xEB4D, 0x4637, {0xA8, 0x3B, 0xD1, 0xBF, 0x6C, 0x1C, 0x48, 0xEB}};
EFI_GUID gSetupDataGuid = {0xFE612B72, 0x203C, 0x47B1, {0x85, 0x60, 0xA6, 0x6D, 0x94, 0x6E, 0xB3, 0x71}};
EFI_GUID gLoadedImageGuid = EFI_LOADED_IMAGE_PROTOCOL_GUID;
EFI_GUID gFv2Guid = EFI_FIRMWARE_VOLUME2_PROTOCOL_GUID;
EFI_GUID gDevicePathGuid = EFI_DEVICE_PATH_PROTOCOL_GUID;
EFI_GUID gHiiDatabaseGuid = EFI_HII_DATABASE_PROTOCOL_GUID;
EFI_GUID gHiiStringGuid = EFI_HII_STRING_PROTOCOL_GUID;

constexpr UINTN kStringsShown = 4;
constexpr UINT16 kStringIdsTried = 64;

bool Has(EFI_HANDLE handle, EFI_GUID* protocol) {
  VOID* p = nullptr;
  return !EFI_ERROR(gBoot->HandleProtocol(handle, protocol, &p));
}

// Exports one package list into pool memory; the caller frees it.
UINT8* Export(EFI_HII_DATABASE_PROTOCOL* db, EFI_HII_HANDLE handle, UINTN* size) {
  *size = 0;
  if (db->ExportPackageLists(db, handle, size, nullptr) != EFI_BUFFER_TOO_SMALL) return nullptr;
  UINT8* buffer = nullptr;
  if (EFI_ERROR(gBoot->AllocatePool(EfiBootServicesData, *size, (VOID**)&buffer))) return nullptr;
  if (!EFI_ERROR(db->ExportPackageLists(db, handle, size, (EFI_HII_PACKAGE_LIST_HEADER*)buffer))) return buffer;
  gBoot->FreePool(buffer);
  return nullptr;
}

// The HII handle whose package list carries `guid`, with that list's first language.
EFI_HII_HANDLE FindPackageList(EFI_HII_DATABASE_PROTOCOL* db, const EFI_GUID& guid, CHAR8* language) {
  EFI_HII_HANDLE handles[128];
  UINTN length = sizeof handles;
  if (EFI_ERROR(db->ListPackageLists(db, EFI_HII_PACKAGE_TYPE_ALL, nullptr, &length, handles)))
    return nullptr;
  for (UINTN i = 0; i < length / sizeof handles[0]; ++i) {
    UINTN size = 0;
    UINT8* list = Export(db, handles[i], &size);
    const bool match = list != nullptr && size >= sizeof(EFI_HII_PACKAGE_LIST_HEADER) &&
                       SameBytes(list, &guid, sizeof guid);  // the list header begins with its GUID
    if (match && !FirstStringLanguage(list, size, language, 16)) language[0] = 0;
    if (list != nullptr) gBoot->FreePool(list);
    if (match) return handles[i];
  }
  return nullptr;
}

// Prints the first strings the list holds (ids in a list may be skipped); their count.
UINTN PrintStrings(EFI_HII_STRING_PROTOCOL* strings, EFI_HII_HANDLE handle, const CHAR8* language) {
  UINTN read = 0;
  for (UINT16 id = 1; id <= kStringIdsTried && read < kStringsShown; ++id) {
    CHAR16 text[160];
    UINTN size = sizeof text;
    const EFI_STATUS status = strings->GetString(strings, language, handle, id, text, &size, nullptr);
    if (status == EFI_NOT_FOUND) continue;
    Line line;
    line.Text(u"string ").Decimal(id).Text(u" (").Ascii(language).Text(u"): ");
    if (EFI_ERROR(status)) {
      line.Status(status).Print();
      continue;
    }
    line.Text(u"\"").Text(text).Text(u"\"").Print();
    ++read;
  }
  return read;
}

}  // namespace

void ShowFormSetOf(const EFI_GUID& listGuid) {
  EFI_HII_DATABASE_PROTOCOL* db = nullptr;
  EFI_FORM_BROWSER2_PROTOCOL* browser = nullptr;
  CHAR8 language[16];
  EFI_HII_HANDLE handle = nullptr;
  EFI_STATUS status = gBoot->LocateProtocol(&gHiiDatabaseGuid, nullptr, (VOID**)&db);
  if (!EFI_ERROR(status)) status = gBoot->LocateProtocol(&gFormBrowser2Guid, nullptr, (VOID**)&browser);
  if (!EFI_ERROR(status)) {
    handle = FindPackageList(db, listGuid, language);
    status = handle == nullptr ? EFI_NOT_FOUND : EFI_SUCCESS;
  }
  EFI_BROWSER_ACTION_REQUEST request = EFI_BROWSER_ACTION_REQUEST_NONE;
  // The engine runs its pages here until the user leaves them.
  if (!EFI_ERROR(status)) status = browser->SendForm(browser, &handle, 1, nullptr, 0, nullptr, &request);
  Line().Text(u"send form of ").Guid(listGuid).Text(u": ").Status(status).Text(u", action request ")
      .Decimal(request).Print();
}

void TakeBrowserSnapshot(BrowserSnapshot& snapshot) {
  UINTN size = sizeof snapshot.handles;
  snapshot.count = 0;
  if (!EFI_ERROR(gBoot->LocateHandle(ByProtocol, &gFormBrowser2Guid, nullptr, &size,
                                     snapshot.handles)))
    snapshot.count = size / sizeof(EFI_HANDLE);
}

bool ReportDriverStart(const DriverWatch& watch, bool& resident) {
  const bool loaded = watch.imageHandle != nullptr && watch.pathIsFvFile;
  Line().Text(u"driver loaded from firmware file: ").YesNo(loaded).Print();
  Line().Text(u"file path is the firmware-file node alone: ").YesNo(watch.pathIsLoneFvFile).Print();
  Line().Text(u"device handle is our volume: ").YesNo(watch.deviceIsOurVolume).Print();
  resident = loaded && Has(watch.imageHandle, &gLoadedImageGuid);
  // An entry point that fails makes the firmware unload the image at once.
  Line()
      .Text(u"driver start-up: ")
      .Text(resident ? u"Success (image resident)"
                     : loaded ? u"failed (image unloaded)" : u"not run (image never loaded)")
      .Print();
  return loaded && watch.pathIsLoneFvFile && watch.deviceIsOurVolume && resident;
}

void ReportStartFailure(const DriverWatch& watch, bool resident) {
  Line line;
  line.Text(u"driver's setup data requests: ").Decimal(watch.setupDataRequests);
  if (watch.setupDataRequests != 0)
    line.Text(u", found ").Decimal(watch.setupDataFound).Text(u", last ").Status(watch.lastSetupDataStatus);
  line.Print();
  if (resident || watch.imageHandle == nullptr) return;
  // Asked for its setup data, told there is none, and unloaded: that is why it failed.
  const bool noSetupData = watch.setupDataRequests != 0 && watch.setupDataFound == 0 &&
                           watch.lastSetupDataStatus == EFI_NOT_FOUND;
  Line()
      .Text(u"start-up failed for: ")
      .Text(noSetupData ? u"no setup data"
                        : watch.setupDataRequests == 0 ? u"a reason before its setup data was read"
                                                       : u"a reason after its setup data was read")
      .Print();
}

bool ReportVolumePath(const UINT8* fv, UINTN size, EFI_HANDLE volumeHandle) {
  EFI_GUID name;
  const bool named = FindVolumeName(fv, size, &name);
  EFI_DEVICE_PATH_PROTOCOL* path = nullptr;
  Line line;
  line.Text(u"volume device path: ");
  if (EFI_ERROR(gBoot->HandleProtocol(volumeHandle, &gDevicePathGuid, (VOID**)&path)) || path == nullptr) {
    line.Text(u"none").Print();
    return false;
  }
  const bool fvNode = path->Type == MEDIA_DEVICE_PATH && path->SubType == MEDIA_PIWG_FW_VOL_DP &&
                      UINTN(path->Length[0] | path->Length[1] << 8) >= sizeof(MEDIA_FW_VOL_DEVICE_PATH);
  if (!fvNode) {
    line.Text(u"node type ").Decimal(path->Type).Text(u" subtype ").Decimal(path->SubType).Print();
    return !named;  // without a name the firmware may name it by its memory range
  }
  const EFI_GUID& found = reinterpret_cast<const MEDIA_FW_VOL_DEVICE_PATH*>(path)->FvName;
  const bool same = named && SameBytes(&found, &name, sizeof name);
  line.Text(u"Fv(").Guid(found).Text(u")").Print();
  Line().Text(u"volume handle named by the volume's own name: ").YesNo(same).Print();
  return same;
}

bool ReportSetupSection(const DriverWatch& watch) {
  EFI_FIRMWARE_VOLUME2_PROTOCOL* fv = nullptr;
  if (watch.volumeHandle == nullptr ||
      EFI_ERROR(gBoot->HandleProtocol(watch.volumeHandle, &gFv2Guid, (VOID**)&fv)))
    return false;
  VOID* buffer = nullptr;
  UINTN size = 0;
  UINT32 authentication = 0;
  const EFI_STATUS status = fv->ReadSection(fv, &watch.fileName, EFI_SECTION_FREEFORM_SUBTYPE_GUID, 0,
                                            &buffer, &size, &authentication);
  Line line;
  line.Text(u"setup data section: ").Status(status);
  const bool led = !EFI_ERROR(status) && size >= 16 && SameBytes(buffer, &gSetupDataGuid, 16);
  if (!EFI_ERROR(status)) line.Text(u", ").Decimal(size).Text(u" bytes, led by its GUID: ").YesNo(led);
  line.Print();
  if (buffer != nullptr) gBoot->FreePool(buffer);
  return led;
}

// How many handles carry the protocol; a failed start-up must leave none of the engine's.
static UINTN CountHandles(EFI_GUID* protocol) {
  EFI_HANDLE handles[16];
  UINTN size = sizeof handles;
  const EFI_STATUS status = gBoot->LocateHandle(ByProtocol, protocol, nullptr, &size, handles);
  // Too small a buffer still reports the size all the handles need.
  if (status == EFI_BUFFER_TOO_SMALL || !EFI_ERROR(status)) return size / sizeof(EFI_HANDLE);
  return 0;
}

bool ReportInterfaces(const BrowserSnapshot& before) {
  Line()
      .Text(u"boot-screen interfaces: ")
      .Decimal(CountHandles(&gBootScreenGuid))
      .Text(u", companion interfaces: ")
      .Decimal(CountHandles(&gCompanionGuid))
      .Print();
  EFI_HANDLE handles[16];
  UINTN size = sizeof handles;
  UINTN count = 0;
  if (!EFI_ERROR(gBoot->LocateHandle(ByProtocol, &gFormBrowser2Guid, nullptr, &size, handles)))
    count = size / sizeof(EFI_HANDLE);
  EFI_HANDLE engine = nullptr;
  for (UINTN i = 0; i < count && engine == nullptr; ++i)
    if (Has(handles[i], &gBootScreenGuid) && Has(handles[i], &gCompanionGuid)) engine = handles[i];
  Line()
      .Text(u"one handle with boot screen, form browser and companion: ")
      .YesNo(engine != nullptr)
      .Print();
  bool gone = true;
  for (UINTN i = 0; i < before.count; ++i) gone = gone && !Has(before.handles[i], &gFormBrowser2Guid);
  Line().Text(u"form browsers after dispatch: ").Decimal(count).Print();
  Line().Text(u"firmware's form browser gone: ").YesNo(gone).Print();
  return engine != nullptr && count == 1 && gone;
}

bool ReportPackageList(const DriverWatch& watch) {
  Line line;
  line.Text(u"image package list: ").YesNo(watch.packageListSeen);
  if (watch.packageListSeen) line.Text(u", GUID ").Guid(watch.packageListGuid);
  line.Print();
  EFI_HII_DATABASE_PROTOCOL* db = nullptr;
  EFI_HII_STRING_PROTOCOL* strings = nullptr;
  if (!watch.packageListSeen ||
      EFI_ERROR(gBoot->LocateProtocol(&gHiiDatabaseGuid, nullptr, (VOID**)&db)) ||
      EFI_ERROR(gBoot->LocateProtocol(&gHiiStringGuid, nullptr, (VOID**)&strings)))
    return false;
  CHAR8 language[16] = {0};
  EFI_HII_HANDLE handle = FindPackageList(db, watch.packageListGuid, language);
  Line().Text(u"package list in HII database: ").YesNo(handle != nullptr).Print();
  if (handle == nullptr || language[0] == 0) return false;
  return PrintStrings(strings, handle, language) > 0;
}

}  // namespace loader

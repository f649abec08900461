/** @file
  Watches the images the dispatcher loads. The firmware does not tell the caller of
  Dispatch what a driver's entry point returned, and it unloads a driver whose entry
  point failed, so the loader notes the driver's image handle and package-list GUID
  while the image exists and looks again afterwards. It also watches the driver's
  requests for its setup data through the volume's FV2 instance, which tell why a
  start-up failed.
**/
#include <Pi/PiFirmwareFile.h>
#include <Protocol/DevicePath.h>
#include <Protocol/FirmwareVolume2.h>
#include <Protocol/HiiPackageList.h>
#include <Protocol/LoadedImage.h>

#include "Loader.h"
#include "LoaderParse.h"

namespace loader {
namespace {

EFI_GUID gLoadedImageGuid = EFI_LOADED_IMAGE_PROTOCOL_GUID;
EFI_GUID gPackageListGuid = EFI_HII_PACKAGE_LIST_PROTOCOL_GUID;
EFI_GUID gFv2Guid = EFI_FIRMWARE_VOLUME2_PROTOCOL_GUID;

// The watched FV2 instance, its own ReadSection and where the requests are counted.
EFI_FIRMWARE_VOLUME2_PROTOCOL* gWatchedVolume;
EFI_FV_READ_SECTION gVolumeReadSection;
DriverWatch* gSectionWatch;
constexpr UINTN kMaxPathNodes = 64;

// Copies the package list's GUID while the image (and so the list inside it) exists.
void NotePackageList(DriverWatch& watch, EFI_HANDLE handle) {
  VOID* list = nullptr;
  if (EFI_ERROR(gBoot->HandleProtocol(handle, &gPackageListGuid, &list)) || list == nullptr)
    return;
  gBoot->CopyMem(&watch.packageListGuid, list, sizeof(EFI_GUID));
  watch.packageListSeen = true;
}

// The firmware may install the package list before or after the loaded image, so both
// notifications end up here.
void CheckLoadedImage(DriverWatch& watch, EFI_HANDLE handle) {
  EFI_LOADED_IMAGE_PROTOCOL* loaded = nullptr;
  if (EFI_ERROR(gBoot->HandleProtocol(handle, &gLoadedImageGuid, (VOID**)&loaded))) return;
  const MEDIA_FW_VOL_FILEPATH_DEVICE_PATH* node = LastFvFileNode(loaded->FilePath, kMaxPathNodes);
  if (node == nullptr || !SameBytes(&node->FvFileName, &watch.fileName, sizeof(EFI_GUID))) return;
  watch.imageHandle = handle;
  watch.pathIsFvFile = true;
  watch.pathIsLoneFvFile = IsLoneFvFileNode(loaded->FilePath);
  watch.deviceIsOurVolume = loaded->DeviceHandle == watch.volumeHandle;
  NotePackageList(watch, handle);
}

// Takes every handle that got the protocol of `key` since the last look.
void Drain(DriverWatch& watch, VOID* key) {
  for (int guard = 0; key != nullptr && guard < 256; ++guard) {
    EFI_HANDLE handle = nullptr;
    UINTN size = sizeof handle;
    if (EFI_ERROR(gBoot->LocateHandle(ByRegisterNotify, nullptr, key, &size, &handle))) return;
    CheckLoadedImage(watch, handle);
  }
}

VOID EFIAPI OnImageEvent(EFI_EVENT, VOID* context) {
  DriverWatch& watch = *static_cast<DriverWatch*>(context);
  Drain(watch, watch.loadedImageKey);
  Drain(watch, watch.packageListKey);
}

bool Watch(EFI_GUID* protocol, EFI_EVENT_NOTIFY notify, DriverWatch& watch, VOID** key,
           EFI_EVENT* event) {
  if (EFI_ERROR(gBoot->CreateEvent(EVT_NOTIFY_SIGNAL, TPL_CALLBACK, notify, &watch, event)))
    return false;
  return !EFI_ERROR(gBoot->RegisterProtocolNotify(protocol, *event, key));
}

// Answers as the firmware's own instance does, counting what the driver asks of its file.
EFI_STATUS EFIAPI WatchedReadSection(CONST EFI_FIRMWARE_VOLUME2_PROTOCOL* This, CONST EFI_GUID* NameGuid,
                                     EFI_SECTION_TYPE SectionType, UINTN SectionInstance, VOID** Buffer,
                                     UINTN* BufferSize, UINT32* AuthenticationStatus) {
  const EFI_STATUS status = gVolumeReadSection(This, NameGuid, SectionType, SectionInstance, Buffer,
                                               BufferSize, AuthenticationStatus);
  DriverWatch* watch = gSectionWatch;
  if (watch != nullptr && NameGuid != nullptr && SectionType == EFI_SECTION_FREEFORM_SUBTYPE_GUID &&
      SameBytes(NameGuid, &watch->fileName, sizeof(EFI_GUID))) {
    ++watch->setupDataRequests;
    watch->setupDataFound += EFI_ERROR(status) ? 0 : 1;
    watch->lastSetupDataStatus = status;
  }
  return status;
}

}  // namespace

bool StartSectionWatch(DriverWatch& watch) {
  EFI_FIRMWARE_VOLUME2_PROTOCOL* fv = nullptr;
  if (watch.volumeHandle == nullptr ||
      EFI_ERROR(gBoot->HandleProtocol(watch.volumeHandle, &gFv2Guid, (VOID**)&fv)) || fv == nullptr)
    return false;
  gSectionWatch = &watch;
  gWatchedVolume = fv;
  gVolumeReadSection = fv->ReadSection;
  fv->ReadSection = WatchedReadSection;
  return true;
}

void StopSectionWatch() {
  if (gWatchedVolume != nullptr) gWatchedVolume->ReadSection = gVolumeReadSection;
  gWatchedVolume = nullptr;
  gSectionWatch = nullptr;
}

bool StartImageWatch(DriverWatch& watch, EFI_EVENT events[2]) {
  return Watch(&gLoadedImageGuid, OnImageEvent, watch, &watch.loadedImageKey, &events[0]) &&
         Watch(&gPackageListGuid, OnImageEvent, watch, &watch.packageListKey, &events[1]);
}

void StopImageWatch(EFI_EVENT events[2]) {
  for (int i = 0; i < 2; ++i)
    if (events[i] != nullptr) gBoot->CloseEvent(events[i]);  // closing cannot fail usefully
}

}  // namespace loader

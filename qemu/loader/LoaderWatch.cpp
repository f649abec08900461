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
EFI_FIRMWARE_VOLUME2_PROTOCOL *gWatchedVolume;
EFI_FV_READ_SECTION            gVolumeReadSection;
DriverWatch                   *gSectionWatch;
constexpr UINTN                kMaxPathNodes = 64;

// Copies the package list's GUID while the image (and so the list inside it) exists.
void
NotePackageList (
  IN OUT DriverWatch  &Watch,
  IN     EFI_HANDLE   Handle
  )
{
  VOID *List = nullptr;
  if (EFI_ERROR (gBoot->HandleProtocol (Handle, &gPackageListGuid, &List)) || List == nullptr) {
    return;
  }
  gBoot->CopyMem (&Watch.PackageListGuid, List, sizeof (EFI_GUID));
  Watch.PackageListSeen = true;
}

// The firmware may install the package list before or after the loaded image, so both
// notifications end up here.
void
CheckLoadedImage (
  IN OUT DriverWatch  &Watch,
  IN     EFI_HANDLE   Handle
  )
{
  EFI_LOADED_IMAGE_PROTOCOL *Loaded = nullptr;
  if (EFI_ERROR (gBoot->HandleProtocol (Handle, &gLoadedImageGuid, (VOID **)&Loaded))) {
    return;
  }
  const MEDIA_FW_VOL_FILEPATH_DEVICE_PATH *Node = LastFvFileNode (Loaded->FilePath, kMaxPathNodes);
  if (Node == nullptr || !SameBytes (&Node->FvFileName, &Watch.FileName, sizeof (EFI_GUID))) {
    return;
  }
  Watch.ImageHandle       = Handle;
  Watch.PathIsFvFile      = true;
  Watch.PathIsLoneFvFile  = IsLoneFvFileNode (Loaded->FilePath);
  Watch.DeviceIsOurVolume = Loaded->DeviceHandle == Watch.VolumeHandle;
  NotePackageList (Watch, Handle);
}

// Takes every handle that got the protocol of `Key` since the last look.
void
Drain (
  IN OUT DriverWatch  &Watch,
  IN     VOID         *Key
  )
{
  for (int Guard = 0; Key != nullptr && Guard < 256; ++Guard) {
    EFI_HANDLE Handle = nullptr;
    UINTN      Size   = sizeof Handle;
    if (EFI_ERROR (gBoot->LocateHandle (ByRegisterNotify, nullptr, Key, &Size, &Handle))) {
      return;
    }
    CheckLoadedImage (Watch, Handle);
  }
}

VOID EFIAPI
OnImageEvent (EFI_EVENT, VOID *Context)
{
  DriverWatch &Watch = *static_cast<DriverWatch *> (Context);
  Drain (Watch, Watch.LoadedImageKey);
  Drain (Watch, Watch.PackageListKey);
}

bool
WatchProtocol (
  IN     EFI_GUID          *Protocol,
  IN     EFI_EVENT_NOTIFY  Notify,
  IN OUT DriverWatch       &Watch,
  OUT    VOID              **Key,
  OUT    EFI_EVENT         *Event
  )
{
  if (EFI_ERROR (gBoot->CreateEvent (EVT_NOTIFY_SIGNAL, TPL_CALLBACK, Notify, &Watch, Event))) {
    return false;
  }
  return !EFI_ERROR (gBoot->RegisterProtocolNotify (Protocol, *Event, Key));
}

// Answers as the firmware's own instance does, counting what the driver asks of its file.
EFI_STATUS EFIAPI
WatchedReadSection (
  CONST EFI_FIRMWARE_VOLUME2_PROTOCOL *This,
  CONST EFI_GUID                      *NameGuid,
  EFI_SECTION_TYPE                     SectionType,
  UINTN                                SectionInstance,
  VOID                               **Buffer,
  UINTN                               *BufferSize,
  UINT32                              *AuthenticationStatus
  )
{
  const EFI_STATUS Status = gVolumeReadSection (This, NameGuid, SectionType, SectionInstance, Buffer, BufferSize, AuthenticationStatus);
  DriverWatch     *Watch  = gSectionWatch;
  if (
    Watch != nullptr && NameGuid != nullptr && SectionType == EFI_SECTION_FREEFORM_SUBTYPE_GUID &&
    SameBytes (NameGuid, &Watch->FileName, sizeof (EFI_GUID))) {
    ++Watch->SetupDataRequests;
    Watch->SetupDataFound += EFI_ERROR (Status) ? 0 : 1;
    Watch->LastSetupDataStatus = Status;
  }
  return Status;
}

}  // namespace

bool
StartSectionWatch (
  IN OUT DriverWatch  &Watch
  )
{
  EFI_FIRMWARE_VOLUME2_PROTOCOL *Fv = nullptr;
  if (Watch.VolumeHandle == nullptr || EFI_ERROR (gBoot->HandleProtocol (Watch.VolumeHandle, &gFv2Guid, (VOID **)&Fv)) || Fv == nullptr) {
    return false;
  }
  gSectionWatch      = &Watch;
  gWatchedVolume     = Fv;
  gVolumeReadSection = Fv->ReadSection;
  Fv->ReadSection = WatchedReadSection;
  return true;
}

void
StopSectionWatch ()
{
  if (gWatchedVolume != nullptr) {
    gWatchedVolume->ReadSection = gVolumeReadSection;
  }
  gWatchedVolume = nullptr;
  gSectionWatch = nullptr;
}

bool
StartImageWatch (
  IN OUT DriverWatch  &Watch,
  OUT    EFI_EVENT    Events[2]
  )
{
  return WatchProtocol (&gLoadedImageGuid, OnImageEvent, Watch, &Watch.LoadedImageKey, &Events[0]) &&
         WatchProtocol (&gPackageListGuid, OnImageEvent, Watch, &Watch.PackageListKey, &Events[1]);
}

void
StopImageWatch (
  IN EFI_EVENT  Events[2]
  )
{
  for (int I = 0; I < 2; ++I) {
    if (Events[I] != nullptr) {
      gBoot->CloseEvent (Events[I]);  // closing cannot fail usefully
    }
  }
}

}  // namespace loader

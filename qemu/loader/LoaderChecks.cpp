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

EFI_GUID gBootScreenGuid   = { 0x8A91B1E1, 0x56C7, 0x4ADC, { 0xAB, 0xEB, 0x1C, 0x2C, 0xA1, 0x72, 0x9E, 0xFF } };
EFI_GUID gFormBrowser2Guid = { 0xB9D4C360, 0xBCFB, 0x4F9B, { 0x92, 0x98, 0x53, 0xC1, 0x36, 0x98, 0x22, 0x58 } };
EFI_GUID gCompanionGuid    = { 0x73905351, 0xEB4D, 0x4637, { 0xA8, 0x3B, 0xD1, 0xBF, 0x6C, 0x1C, 0x48, 0xEB } };
EFI_GUID gSetupDataGuid    = { 0xFE612B72, 0x203C, 0x47B1, { 0x85, 0x60, 0xA6, 0x6D, 0x94, 0x6E, 0xB3, 0x71 } };
EFI_GUID gLoadedImageGuid  = EFI_LOADED_IMAGE_PROTOCOL_GUID;
EFI_GUID gFv2Guid          = EFI_FIRMWARE_VOLUME2_PROTOCOL_GUID;
EFI_GUID gDevicePathGuid   = EFI_DEVICE_PATH_PROTOCOL_GUID;
EFI_GUID gHiiDatabaseGuid  = EFI_HII_DATABASE_PROTOCOL_GUID;
EFI_GUID gHiiStringGuid    = EFI_HII_STRING_PROTOCOL_GUID;

constexpr UINTN kStringsShown = 4;
constexpr UINT16 kStringIdsTried = 64;

bool
Has (
  IN EFI_HANDLE  Handle,
  IN EFI_GUID    *Protocol
  )
{
  VOID *P = nullptr;
  return !EFI_ERROR (gBoot->HandleProtocol (Handle, Protocol, &P));
}

// Exports one package list into pool memory; the caller frees it.
UINT8 *
Export (
  IN  EFI_HII_DATABASE_PROTOCOL  *Db,
  IN  EFI_HII_HANDLE             Handle,
  OUT UINTN                      *Size
  )
{
  *Size = 0;
  if (Db->ExportPackageLists (Db, Handle, Size, nullptr) != EFI_BUFFER_TOO_SMALL) {
    return nullptr;
  }
  UINT8 *Buffer = nullptr;
  if (EFI_ERROR (gBoot->AllocatePool (EfiBootServicesData, *Size, (VOID **)&Buffer))) {
    return nullptr;
  }
  if (!EFI_ERROR (Db->ExportPackageLists (Db, Handle, Size, (EFI_HII_PACKAGE_LIST_HEADER *)Buffer))) {
    return Buffer;
  }
  gBoot->FreePool (Buffer);
  return nullptr;
}

// The HII handle whose package list carries `Guid`, with that list's first language.
EFI_HII_HANDLE
FindPackageList (
  IN  EFI_HII_DATABASE_PROTOCOL  *Db,
  IN  const EFI_GUID             &Guid,
  OUT CHAR8                      *Language
  )
{
  EFI_HII_HANDLE Handles[128];
  UINTN          Length = sizeof Handles;
  if (EFI_ERROR (Db->ListPackageLists (Db, EFI_HII_PACKAGE_TYPE_ALL, nullptr, &Length, Handles))) {
    return nullptr;
  }
  for (UINTN I = 0; I < Length / sizeof Handles[0]; ++I) {
    UINTN      Size  = 0;
    UINT8     *List  = Export (Db, Handles[I], &Size);
    const bool Match = List != nullptr && Size >= sizeof (EFI_HII_PACKAGE_LIST_HEADER) &&
                       SameBytes (List, &Guid, sizeof Guid);  // the list header begins with its GUID
    if (Match && !FirstStringLanguage (List, Size, Language, 16)) {
      Language[0] = 0;
    }
    if (List != nullptr) {
      gBoot->FreePool (List);
    }
    if (Match) {
      return Handles[I];
    }
  }
  return nullptr;
}

// Prints the first strings the list holds (ids in a list may be skipped); their count.
UINTN
PrintStrings (
  IN EFI_HII_STRING_PROTOCOL  *Strings,
  IN EFI_HII_HANDLE           Handle,
  IN const CHAR8              *Language
  )
{
  UINTN Read = 0;
  for (UINT16 Id = 1; Id <= kStringIdsTried && Read < kStringsShown; ++Id) {
    CHAR16           Text[160];
    UINTN            Size   = sizeof Text;
    const EFI_STATUS Status = Strings->GetString (Strings, Language, Handle, Id, Text, &Size, nullptr);
    if (Status == EFI_NOT_FOUND) {
      continue;
    }
    Line Message;
    Message.Text (u"string ").Decimal (Id).Text (u" (").Ascii (Language).Text (u"): ");
    if (EFI_ERROR (Status)) {
      Message.Status (Status).Print ();
      continue;
    }
    Message.Text (u"\"").Text (Text).Text (u"\"").Print ();
    ++Read;
  }
  return Read;
}

}  // namespace

void
ShowFormSetOf (
  IN const EFI_GUID  &ListGuid
  )
{
  EFI_HII_DATABASE_PROTOCOL  *Db      = nullptr;
  EFI_FORM_BROWSER2_PROTOCOL *Browser = nullptr;
  CHAR8                       Language[16];
  EFI_HII_HANDLE              Handle = nullptr;
  EFI_STATUS                  Status = gBoot->LocateProtocol (&gHiiDatabaseGuid, nullptr, (VOID **)&Db);
  if (!EFI_ERROR (Status)) {
    Status = gBoot->LocateProtocol (&gFormBrowser2Guid, nullptr, (VOID **)&Browser);
  }
  if (!EFI_ERROR (Status)) {
    Handle = FindPackageList (Db, ListGuid, Language);
    Status = Handle == nullptr ? EFI_NOT_FOUND : EFI_SUCCESS;
  }
  EFI_BROWSER_ACTION_REQUEST Request = EFI_BROWSER_ACTION_REQUEST_NONE;
  // The engine runs its pages here until the user leaves them.
  if (!EFI_ERROR (Status)) {
    Status = Browser->SendForm (Browser, &Handle, 1, nullptr, 0, nullptr, &Request);
  }
  Line ().Text (u"send form of ").Guid (ListGuid).Text (u": ").Status (Status).Text (u", action request ").Decimal (Request).Print ();
}

void
TakeBrowserSnapshot (
  OUT BrowserSnapshot  &Snapshot
  )
{
  UINTN Size     = sizeof Snapshot.Handles;
  Snapshot.Count = 0;
  if (!EFI_ERROR (gBoot->LocateHandle (ByProtocol, &gFormBrowser2Guid, nullptr, &Size, Snapshot.Handles))) {
    Snapshot.Count = Size / sizeof (EFI_HANDLE);
  }
}

bool
ReportDriverStart (
  IN  const DriverWatch  &Watch,
  OUT bool               &Resident
  )
{
  const bool Loaded = Watch.ImageHandle != nullptr && Watch.PathIsFvFile;
  Line ().Text (u"driver loaded from firmware file: ").YesNo (Loaded).Print ();
  Line ().Text (u"file path is the firmware-file node alone: ").YesNo (Watch.PathIsLoneFvFile).Print ();
  Line ().Text (u"device handle is our volume: ").YesNo (Watch.DeviceIsOurVolume).Print ();
  Resident = Loaded && Has (Watch.ImageHandle, &gLoadedImageGuid);
  // An entry point that fails makes the firmware unload the image at once.
  Line ()
    .Text (u"driver start-up: ")
    .Text (
      Resident ? u"Success (image resident)"
      : Loaded ? u"failed (image unloaded)"
               : u"not run (image never loaded)")
    .Print ();
  return Loaded && Watch.PathIsLoneFvFile && Watch.DeviceIsOurVolume && Resident;
}

void
ReportStartFailure (
  IN const DriverWatch  &Watch,
  IN bool               Resident
  )
{
  Line Message;
  Message.Text (u"driver's setup data requests: ").Decimal (Watch.SetupDataRequests);
  if (Watch.SetupDataRequests != 0) {
    Message.Text (u", found ").Decimal (Watch.SetupDataFound).Text (u", last ").Status (Watch.LastSetupDataStatus);
  }
  Message.Print ();
  if (Resident || Watch.ImageHandle == nullptr) {
    return;
  }
  // Asked for its setup data, told there is none, and unloaded: that is why it failed.
  const bool NoSetupData = Watch.SetupDataRequests != 0 && Watch.SetupDataFound == 0 && Watch.LastSetupDataStatus == EFI_NOT_FOUND;
  Line ()
    .Text (u"start-up failed for: ")
    .Text (
      NoSetupData                    ? u"no setup data"
      : Watch.SetupDataRequests == 0 ? u"a reason before its setup data was read"
                                     : u"a reason after its setup data was read")
    .Print ();
}

bool
ReportVolumePath (
  IN const UINT8  *Fv,
  IN UINTN        Size,
  IN EFI_HANDLE   VolumeHandle
  )
{
  EFI_GUID                  Name;
  const bool                Named = FindVolumeName (Fv, Size, &Name);
  EFI_DEVICE_PATH_PROTOCOL *Path  = nullptr;
  Line                      Message;
  Message.Text (u"volume device path: ");
  if (EFI_ERROR (gBoot->HandleProtocol (VolumeHandle, &gDevicePathGuid, (VOID **)&Path)) || Path == nullptr) {
    Message.Text (u"none").Print ();
    return false;
  }
  const bool FvNode = Path->Type == MEDIA_DEVICE_PATH && Path->SubType == MEDIA_PIWG_FW_VOL_DP &&
                      UINTN (Path->Length[0] | Path->Length[1] << 8) >= sizeof (MEDIA_FW_VOL_DEVICE_PATH);
  if (!FvNode) {
    Message.Text (u"node type ").Decimal (Path->Type).Text (u" subtype ").Decimal (Path->SubType).Print ();
    return !Named;  // without a name the firmware may name it by its memory range
  }
  const EFI_GUID &Found = reinterpret_cast<const MEDIA_FW_VOL_DEVICE_PATH *> (Path)->FvName;
  const bool      Same  = Named && SameBytes (&Found, &Name, sizeof Name);
  Message.Text (u"Fv(").Guid (Found).Text (u")").Print ();
  Line ().Text (u"volume handle named by the volume's own name: ").YesNo (Same).Print ();
  return Same;
}

bool
ReportSetupSection (
  IN const DriverWatch  &Watch
  )
{
  EFI_FIRMWARE_VOLUME2_PROTOCOL *Fv = nullptr;
  if (Watch.VolumeHandle == nullptr || EFI_ERROR (gBoot->HandleProtocol (Watch.VolumeHandle, &gFv2Guid, (VOID **)&Fv))) {
    return false;
  }
  VOID            *Buffer         = nullptr;
  UINTN            Size           = 0;
  UINT32           Authentication = 0;
  const EFI_STATUS Status = Fv->ReadSection (Fv, &Watch.FileName, EFI_SECTION_FREEFORM_SUBTYPE_GUID, 0, &Buffer, &Size, &Authentication);
  Line             Message;
  Message.Text (u"setup data section: ").Status (Status);
  const bool Led = !EFI_ERROR (Status) && Size >= 16 && SameBytes (Buffer, &gSetupDataGuid, 16);
  if (!EFI_ERROR (Status)) {
    Message.Text (u", ").Decimal (Size).Text (u" bytes, led by its GUID: ").YesNo (Led);
  }
  Message.Print ();
  if (Buffer != nullptr) {
    gBoot->FreePool (Buffer);
  }
  return Led;
}

// How many handles carry the protocol; a failed start-up must leave none of the engine's.
static UINTN
CountHandles (
  IN EFI_GUID  *Protocol
  )
{
  EFI_HANDLE       Handles[16];
  UINTN            Size   = sizeof Handles;
  const EFI_STATUS Status = gBoot->LocateHandle (ByProtocol, Protocol, nullptr, &Size, Handles);
  // Too small a buffer still reports the size all the handles need.
  if (Status == EFI_BUFFER_TOO_SMALL || !EFI_ERROR (Status)) {
    return Size / sizeof (EFI_HANDLE);
  }
  return 0;
}

bool
ReportInterfaces (
  IN const BrowserSnapshot  &Before
  )
{
  Line ()
    .Text (u"boot-screen interfaces: ")
    .Decimal (CountHandles (&gBootScreenGuid))
    .Text (u", companion interfaces: ")
    .Decimal (CountHandles (&gCompanionGuid))
    .Print ();
  EFI_HANDLE Handles[16];
  UINTN      Size  = sizeof Handles;
  UINTN      Count = 0;
  if (!EFI_ERROR (gBoot->LocateHandle (ByProtocol, &gFormBrowser2Guid, nullptr, &Size, Handles))) {
    Count = Size / sizeof (EFI_HANDLE);
  }
  EFI_HANDLE Engine = nullptr;
  for (UINTN I = 0; I < Count && Engine == nullptr; ++I) {
    if (Has (Handles[I], &gBootScreenGuid) && Has (Handles[I], &gCompanionGuid)) {
      Engine = Handles[I];
    }
  }
  Line ().Text (u"one handle with boot screen, form browser and companion: ").YesNo (Engine != nullptr).Print ();
  bool Gone = true;
  for (UINTN I = 0; I < Before.Count; ++I) {
    Gone = Gone && !Has (Before.Handles[I], &gFormBrowser2Guid);
  }
  Line ().Text (u"form browsers after dispatch: ").Decimal (Count).Print ();
  Line ().Text (u"firmware's form browser gone: ").YesNo (Gone).Print ();
  return Engine != nullptr && Count == 1 && Gone;
}

bool
ReportPackageList (
  IN const DriverWatch  &Watch
  )
{
  Line Message;
  Message.Text (u"image package list: ").YesNo (Watch.PackageListSeen);
  if (Watch.PackageListSeen) {
    Message.Text (u", GUID ").Guid (Watch.PackageListGuid);
  }
  Message.Print ();
  EFI_HII_DATABASE_PROTOCOL *Db      = nullptr;
  EFI_HII_STRING_PROTOCOL   *Strings = nullptr;
  if (
    !Watch.PackageListSeen || EFI_ERROR (gBoot->LocateProtocol (&gHiiDatabaseGuid, nullptr, (VOID **)&Db)) ||
    EFI_ERROR (gBoot->LocateProtocol (&gHiiStringGuid, nullptr, (VOID **)&Strings))) {
    return false;
  }
  CHAR8          Language[16] = { 0 };
  EFI_HII_HANDLE Handle       = FindPackageList (Db, Watch.PackageListGuid, Language);
  Line ().Text (u"package list in HII database: ").YesNo (Handle != nullptr).Print ();
  if (Handle == nullptr || Language[0] == 0) {
    return false;
  }
  return PrintStrings (Strings, Handle, Language) > 0;
}

}  // namespace loader

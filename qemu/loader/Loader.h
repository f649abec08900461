/** @file
  Shared state of the QEMU loader: what it learned while the firmware dispatched the
  driver, handed from the dispatch step to the checks.
**/
#ifndef QEMU_LOADER_H_
#define QEMU_LOADER_H_

#include <Uefi.h>

namespace loader {

extern EFI_BOOT_SERVICES *gBoot;

// What the image watch saw while the dispatcher loaded images.
struct DriverWatch {
  EFI_GUID   FileName;      // the driver's firmware file, from our volume
  EFI_HANDLE VolumeHandle;  // the handle ProcessFirmwareVolume created
  VOID      *LoadedImageKey;
  VOID      *PackageListKey;
  EFI_HANDLE ImageHandle;        // set when an image with our firmware file path was loaded
  bool       PathIsFvFile;       // its file path ends in a firmware-file node naming our file
  bool       PathIsLoneFvFile;   // and that node is the whole path
  bool       DeviceIsOurVolume;  // its device handle is the volume we handed over
  bool       PackageListSeen;    // the loader installed a package list on that image handle
  EFI_GUID   PackageListGuid;    // copied at once: the image may be unloaded later
  // The driver's requests for its setup data (freeform sections of its own file) through
  // the volume's FV2 instance while the dispatcher ran it.
  UINTN SetupDataRequests;
  UINTN SetupDataFound;
  EFI_STATUS LastSetupDataStatus;
};

// Form-browser handles present before the driver ran, so the checks can tell the
// firmware's own instance from the engine's.
struct BrowserSnapshot {
  static constexpr UINTN kMax = 8;
  EFI_HANDLE Handles[kMax];
  UINTN Count;
};

void
TakeBrowserSnapshot (
  OUT BrowserSnapshot  &Snapshot
  );

// Starts watching image loads for `Watch.FileName`; false when the events cannot be made.
bool
StartImageWatch (
  IN OUT DriverWatch  &Watch,
  OUT    EFI_EVENT    Events[2]
  );

void
StopImageWatch (
  IN EFI_EVENT  Events[2]
  );

// Counts the driver's setup-data requests through the FV2 instance on the volume handle
// until StopSectionWatch; false when the handle carries no FV2 to watch.
bool
StartSectionWatch (
  IN OUT DriverWatch  &Watch
  );

void StopSectionWatch ();

// Prints the checks a firmware engineer would make after the dispatch; true when all pass.
bool
ReportDriverStart (
  IN  const DriverWatch  &Watch,
  OUT bool               &Resident
  );

// Why a driver that was unloaded failed, as far as its requests show it.
void
ReportStartFailure (
  IN const DriverWatch  &Watch,
  IN bool               Resident
  );

bool
ReportInterfaces (
  IN const BrowserSnapshot  &Before
  );

bool
ReportPackageList (
  IN const DriverWatch  &Watch
  );

// How the firmware names the volume's handle: by the volume's own name when it has one.
bool
ReportVolumePath (
  IN const UINT8  *Fv,
  IN UINTN        Size,
  IN EFI_HANDLE   VolumeHandle
  );

// Reads the setup data section back through the firmware's FV2 instance of our volume.
bool
ReportSetupSection (
  IN const DriverWatch  &Watch
  );

// Shows the form sets of the package list named `ListGuid` through the form browser, as a
// driver's configuration tool does, and prints what SendForm answered.
void
ShowFormSetOf (
  IN const EFI_GUID  &ListGuid
  );

// Loads the driver from files of the loader's disk, as a loader or the shell's `load` does:
// first an unsigned copy, which Secure Boot must refuse, then the signed image, which
// must start and stay; fills the watch's image handle and package list. True when all
// went so.
bool
StartDriverFromFiles (
  IN     EFI_HANDLE    Image,
  IN     const CHAR16  *Unsigned,
  IN     const CHAR16  *Signed,
  IN     bool          SecureBoot,
  IN OUT DriverWatch   &Watch
  );

}  // namespace loader

#endif

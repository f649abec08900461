/** @file
  Shared state of the QEMU loader: what it learned while the firmware dispatched the
  driver, handed from the dispatch step to the checks.
**/
#ifndef QEMU_LOADER_H_
#define QEMU_LOADER_H_

#include <Uefi.h>

namespace loader {

extern EFI_BOOT_SERVICES* gBoot;

// What the image watch saw while the dispatcher loaded images.
struct DriverWatch {
  EFI_GUID fileName;          // the driver's firmware file, from our volume
  EFI_HANDLE volumeHandle;    // the handle ProcessFirmwareVolume created
  VOID* loadedImageKey;
  VOID* packageListKey;
  EFI_HANDLE imageHandle;     // set when an image with our firmware file path was loaded
  bool pathIsFvFile;          // its file path ends in a firmware-file node naming our file
  bool pathIsLoneFvFile;      // and that node is the whole path
  bool deviceIsOurVolume;     // its device handle is the volume we handed over
  bool packageListSeen;       // the loader installed a package list on that image handle
  EFI_GUID packageListGuid;   // copied at once: the image may be unloaded later
  // The driver's requests for its setup data (freeform sections of its own file) through
  // the volume's FV2 instance while the dispatcher ran it.
  UINTN setupDataRequests;
  UINTN setupDataFound;
  EFI_STATUS lastSetupDataStatus;
};

// Form-browser handles present before the driver ran, so the checks can tell the
// firmware's own instance from the engine's.
struct BrowserSnapshot {
  static constexpr UINTN kMax = 8;
  EFI_HANDLE handles[kMax];
  UINTN count;
};

void TakeBrowserSnapshot(BrowserSnapshot& snapshot);

// Starts watching image loads for `watch.fileName`; false when the events cannot be made.
bool StartImageWatch(DriverWatch& watch, EFI_EVENT events[2]);
void StopImageWatch(EFI_EVENT events[2]);

// Counts the driver's setup-data requests through the FV2 instance on the volume handle
// until StopSectionWatch; false when the handle carries no FV2 to watch.
bool StartSectionWatch(DriverWatch& watch);
void StopSectionWatch();

// Prints the checks a firmware engineer would make after the dispatch; true when all pass.
bool ReportDriverStart(const DriverWatch& watch, bool& resident);
// Why a driver that was unloaded failed, as far as its requests show it.
void ReportStartFailure(const DriverWatch& watch, bool resident);
bool ReportInterfaces(const BrowserSnapshot& before);
bool ReportPackageList(const DriverWatch& watch);
// How the firmware names the volume's handle: by the volume's own name when it has one.
bool ReportVolumePath(const UINT8* fv, UINTN size, EFI_HANDLE volumeHandle);
// Reads the setup data section back through the firmware's FV2 instance of our volume.
bool ReportSetupSection(const DriverWatch& watch);

// Installs the key-code input interface over the input-ex protocol on the console-input
// handle when the firmware has none; false when neither can be had.
bool InstallKeyCodeAdapter(EFI_SYSTEM_TABLE* st);

// Shows the form sets of the package list named `listGuid` through the form browser, as a
// driver's configuration tool does, and prints what SendForm answered.
void ShowFormSetOf(const EFI_GUID& listGuid);

// Loads and starts a boot-service driver image from the loader's own disk.
EFI_STATUS StartDiskDriver(EFI_HANDLE image, const CHAR16* name);

}  // namespace loader

#endif

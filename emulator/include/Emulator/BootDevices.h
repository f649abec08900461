/** @file
  What booting needs of the machine: bootable images and the devices they sit on.

  BootImages serves LoadImage and StartImage. An image is known by its bytes (found
  in a firmware-volume file's PE32 section or in a file of a simple-file-system
  volume) or by its whole device path, and stands for a host function, the test OS
  loader, that StartImage runs: it may return a status or not return at all
  (throws OsBooted). Every start goes into a boot log that tests read. Bytes that
  are a PE image are loaded as firmware loads them (PeImage.h): a driver that
  succeeds stays loaded, with its HII resource as its package list.

  BlockDevice is a disk (or a partition of one) with block I/O and a device path;
  a file-system volume can be put on its handle, and a USB disk carries USB I/O with
  the descriptors that USB class and WWID paths are matched against.
**/
#ifndef EMULATOR_BOOT_DEVICES_H_
#define EMULATOR_BOOT_DEVICES_H_

#include <Uefi.h>
#include <Protocol/BlockIo.h>
#include <Protocol/DevicePath.h>
#include <Protocol/LoadedImage.h>
#include <Protocol/UsbIo.h>

#include <Emulator/Machine.h>
#include <Emulator/RunEnded.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Emu {

using BYTE_LIST = std::vector<UINT8>;

// A loader that took the machine over: StartImage never returns.
class OsBooted : public RunEnded {
public:
  explicit OsBooted (const std::string &Loader) : RunEnded ("booted " + Loader), Loader (Loader) {}
  std::string  Loader;
};

// What a test OS loader is handed when it starts.
struct LOADER_CALL {
  EFI_HANDLE                 ImageHandle;
  EFI_LOADED_IMAGE_PROTOCOL  *LoadedImage;
};

using OS_LOADER = std::function<EFI_STATUS (const LOADER_CALL &Call)>;

struct BOOT_LOG_ENTRY {
  std::string  Loader;       // the name it was registered under
  BYTE_LIST    DevicePath;   // as LoadImage was given it, end node included
  BYTE_LIST    LoadOptions;  // what the loaded image carried at StartImage
  bool         Returned;     // false while running, and for a loader that did not return
  EFI_STATUS   Status;       // what StartImage answered
  UINT64       At;           // virtual clock at the start
};

struct LOAD_ATTEMPT {
  BYTE_LIST   DevicePath;
  EFI_STATUS  Status;
};

class BootImages : public Device {
public:
  explicit BootImages (Machine &Owner);
  ~BootImages () override;

  // An image found by its bytes wherever they lie (FV file or file on a volume).
  void RegisterBytes (const BYTE_LIST &Bytes, const std::string &Name, OS_LOADER Loader);
  // An image at exactly this device path (end node included).
  void RegisterPath (const BYTE_LIST &Path, const std::string &Name, OS_LOADER Loader);
  // LoadImage of this exact path answers Status the next Times calls.
  void FailLoad (const BYTE_LIST &Path, EFI_STATUS Status, UINTN Times = 1);

  // Loaders that answer a status, and one that never comes back.
  static OS_LOADER Returns (EFI_STATUS Status);
  static OS_LOADER NeverReturns (const std::string &Name);

  const std::vector<BOOT_LOG_ENTRY> &Log () const { return mLog; }
  const std::vector<LOAD_ATTEMPT>   &Loads () const { return mLoads; }
  // Image handles loaded and not yet started or unloaded.
  UINTN                              LoadedImages () const;

  EFI_STATUS Load (EFI_HANDLE Parent, const EFI_DEVICE_PATH_PROTOCOL *Path, const VOID *Source, UINTN SourceSize,
               EFI_HANDLE *Image);
  EFI_STATUS Start (EFI_HANDLE Image);
  EFI_STATUS Unload (EFI_HANDLE Image);

  struct IMAGE;
  struct KNOWN;

private:
  // The image at Path, the handle of the device it lies on and where its file's part of
  // the path starts.
  EFI_STATUS Resolve (const EFI_DEVICE_PATH_PROTOCOL *Path, const KNOWN **Found, EFI_HANDLE *From, UINTN *FileAt);
  const KNOWN *ByBytes (const BYTE_LIST &Bytes) const;

  Machine                              &mMachine;
  std::vector<std::unique_ptr<KNOWN>>  mKnown;
  std::vector<std::unique_ptr<IMAGE>>  mImages;
  std::vector<BOOT_LOG_ENTRY>          mLog;
  std::vector<LOAD_ATTEMPT>            mLoads;
  struct FAULT { BYTE_LIST Path; EFI_STATUS Status; UINTN Times; };
  std::vector<FAULT>                   mFaults;
};

struct BLOCK_MEDIA {
  bool    Present          = true;
  bool    Removable        = false;
  bool    LogicalPartition = false;
  UINT32  BlockSize        = 512;
  UINT64  LastBlock        = 0xFFFF;
};

struct USB_IDENTITY {
  UINT16  VendorId  = 0x0781;
  UINT16  ProductId = 0x5567;
  UINT8   Class     = 0x08;   // mass storage
  UINT8   SubClass  = 0x06;
  UINT8   Protocol  = 0x50;
};

struct BLOCK_PRIVATE;

class BlockDevice : public Device {
public:
  // A device at Path (nodes as bytes, end node included).
  BlockDevice (Machine &Owner, const BYTE_LIST &Path, const BLOCK_MEDIA &Media);
  ~BlockDevice () override;

  EFI_HANDLE               Handle () const;
  const BYTE_LIST          &Path () const;
  EFI_BLOCK_IO_MEDIA       &Media ();
  // Logical blocks read, in order.
  const std::vector<UINT64> &Reads () const;
  // Adds USB I/O with these descriptors on the handle.
  void                     AddUsbIo (const USB_IDENTITY &Identity);

private:
  std::unique_ptr<BLOCK_PRIVATE>  mPrivate;
};

// Device-path nodes as bytes, for building the paths of devices and options.
BYTE_LIST PciNode (UINT8 Device, UINT8 Function);
BYTE_LIST SataNode (UINT16 Port);
BYTE_LIST UsbNode (UINT8 Port, UINT8 Interface);
BYTE_LIST UsbClassNode (UINT16 VendorId, UINT16 ProductId, UINT8 Class, UINT8 SubClass, UINT8 Protocol);
BYTE_LIST UsbWwidNode (UINT16 Interface, UINT16 VendorId, UINT16 ProductId);
BYTE_LIST HardDriveNode (UINT32 Partition, UINT64 Start, UINT64 Size, const UINT8 Signature[16], UINT8 SignatureType);
BYTE_LIST FilePathNode (const std::u16string &Name);
BYTE_LIST FvFileNode (const EFI_GUID &File);
BYTE_LIST MacNode ();
BYTE_LIST IpNode (bool Version6);
BYTE_LIST BbsNode (UINT16 DeviceType, const char *Description);
// Concatenates nodes (each without an end node) and ends the path.
BYTE_LIST JoinPath (const std::vector<BYTE_LIST> &Nodes);
// A path without its end node, so that nodes can follow it.
BYTE_LIST PathBody (const BYTE_LIST &Path);

}  // namespace Emu

#endif

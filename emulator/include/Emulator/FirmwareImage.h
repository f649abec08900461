/** @file
  The driver's own image as the firmware sees it: a firmware volume (FV2 on its
  handle, with a device path) holding the driver's firmware file, and the image
  handle with the loaded-image protocol (DeviceHandle = the volume, FilePath = an
  FV-file node naming the file) and, when given, the image's HII package list.

  Files are filled either section by section (AddSection) or from FFS file bytes
  as the firmware-volume writer produces them (AddFfsFile). ReadSection finds
  sections by file GUID, section type and instance (counted from 0).
**/
#ifndef EMULATOR_FIRMWARE_IMAGE_H_
#define EMULATOR_FIRMWARE_IMAGE_H_

#include <Uefi.h>
#include <Pi/PiFirmwareFile.h>
#include <Protocol/FirmwareVolume2.h>
#include <Protocol/LoadedImage.h>

#include <Emulator/Guid.h>
#include <Emulator/Machine.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Emu {

struct FV_SECTION {
  EFI_SECTION_TYPE    Type;
  std::vector<UINT8>  Body;  // after the common header; a 0x18 body begins with its sub-type GUID
};

struct FV_PRIVATE;

class FirmwareImage : public Device {
public:
  // Creates the volume handle and the image handle for the driver's file.
  FirmwareImage (Machine &Owner, const EFI_GUID &DriverFile);
  ~FirmwareImage () override;

  EFI_HANDLE ImageHandle () const { return mImageHandle; }
  EFI_HANDLE VolumeHandle () const { return mVolumeHandle; }
  EFI_LOADED_IMAGE_PROTOCOL     *LoadedImage ();
  EFI_FIRMWARE_VOLUME2_PROTOCOL *Volume ();

  void AddSection (const EFI_GUID &File, EFI_SECTION_TYPE Type, const std::vector<UINT8> &Body);
  // Parses one FFS file (header and sections); false with a message when malformed.
  bool AddFfsFile (const std::vector<UINT8> &File, std::string *Error);
  // Installs the package list on the image handle (the bytes are kept).
  void SetPackageList (const std::vector<UINT8> &PackageList);
  void FailReadSection (EFI_STATUS Status) { mReadFault = Status; }
  UINTN ReadSectionCalls () const { return mReadCalls; }

  EFI_STATUS ReadSection (const EFI_GUID *File, EFI_SECTION_TYPE Type, UINTN Instance, VOID **Buffer,
               UINTN *BufferSize);
  EFI_STATUS ReadFile (const EFI_GUID *File, VOID **Buffer, UINTN *BufferSize, EFI_FV_FILETYPE *Type);

private:
  EFI_STATUS Deliver (const std::vector<UINT8> &Bytes, VOID **Buffer, UINTN *BufferSize);

  Machine                                                &mMachine;
  std::unique_ptr<FV_PRIVATE>                            mPrivate;
  std::map<EFI_GUID, std::vector<FV_SECTION>, GUID_LESS> mFiles;
  std::vector<UINT8>                                     mVolumePath;
  std::vector<UINT8>                                     mFilePath;
  std::vector<UINT8>                                     mPackageList;
  EFI_HANDLE                                             mVolumeHandle = nullptr;
  EFI_HANDLE                                             mImageHandle  = nullptr;
  EFI_STATUS                                             mReadFault    = EFI_SUCCESS;
  UINTN                                                  mReadCalls    = 0;
};

}  // namespace Emu

#endif

/** @file
  The driver's firmware volume, firmware file and loaded image.
**/
#include <Emulator/FirmwareImage.h>
#include <Emulator/DevicePathUtil.h>

#include <Protocol/DevicePath.h>
#include <Protocol/HiiPackageList.h>

#include <cstring>

#include "DeviceRecord.h"

namespace Emu {

constexpr UINT64  kFvSignature = SIGNATURE_64 ('E', 'M', 'U', 'F', 'V', '2', ' ', ' ');

static const EFI_GUID  kFv2Guid         = EFI_FIRMWARE_VOLUME2_PROTOCOL_GUID;
static const EFI_GUID  kLoadedImageGuid = EFI_LOADED_IMAGE_PROTOCOL_GUID;
static const EFI_GUID  kDevicePathGuid  = EFI_DEVICE_PATH_PROTOCOL_GUID;
static const EFI_GUID  kPackageListGuid = EFI_HII_PACKAGE_LIST_PROTOCOL_GUID;
// The name of the emulated volume in its device path.
static const EFI_GUID  kVolumeName = { 0x6C7E4E4B, 0x2B0C, 0x4D8F, { 0x9A, 0x51, 0x3E, 0x0D, 0x27, 0x6A, 0x11, 0xC4 } };

struct FV_PRIVATE {
  EFI_FIRMWARE_VOLUME2_PROTOCOL  Protocol;  // first, so This is the record
  UINT64                         Signature;
  EFI_LOADED_IMAGE_PROTOCOL      LoadedImage;
  FirmwareImage                  *Owner;
};

static FirmwareImage *
FromThis (const EFI_FIRMWARE_VOLUME2_PROTOCOL *This)
{
  return OwnerOf<FV_PRIVATE> (This, kFvSignature);
}

static EFI_STATUS EFIAPI
FvGetAttributes (CONST EFI_FIRMWARE_VOLUME2_PROTOCOL *This, EFI_FV_ATTRIBUTES *Attributes)
{
  if ((FromThis (This) == nullptr) || (Attributes == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }
  *Attributes = 0;
  return EFI_SUCCESS;
}

static EFI_STATUS EFIAPI
FvSetAttributes (CONST EFI_FIRMWARE_VOLUME2_PROTOCOL *This, EFI_FV_ATTRIBUTES *Attributes)
{
  (VOID)This;
  (VOID)Attributes;
  return EFI_UNSUPPORTED;
}

static EFI_STATUS EFIAPI
FvReadFile (CONST EFI_FIRMWARE_VOLUME2_PROTOCOL *This, CONST EFI_GUID *Name, VOID **Buffer, UINTN *BufferSize,
  EFI_FV_FILETYPE *FoundType, EFI_FV_FILE_ATTRIBUTES *FileAttributes, UINT32 *AuthenticationStatus)
{
  FirmwareImage  *Self = FromThis (This);

  if ((Self == nullptr) || (FoundType == nullptr) || (FileAttributes == nullptr) || (AuthenticationStatus == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }
  *FileAttributes       = 0;
  *AuthenticationStatus = 0;
  return Self->ReadFile (Name, Buffer, BufferSize, FoundType);
}

static EFI_STATUS EFIAPI
FvReadSection (CONST EFI_FIRMWARE_VOLUME2_PROTOCOL *This, CONST EFI_GUID *Name, EFI_SECTION_TYPE Type,
  UINTN Instance, VOID **Buffer, UINTN *BufferSize, UINT32 *AuthenticationStatus)
{
  FirmwareImage  *Self = FromThis (This);

  if ((Self == nullptr) || (AuthenticationStatus == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }
  *AuthenticationStatus = 0;
  return Self->ReadSection (Name, Type, Instance, Buffer, BufferSize);
}

static EFI_STATUS EFIAPI
FvWriteFile (CONST EFI_FIRMWARE_VOLUME2_PROTOCOL *This, UINT32 Count, EFI_FV_WRITE_POLICY Policy,
  EFI_FV_WRITE_FILE_DATA *Data)
{
  (VOID)This;
  (VOID)Count;
  (VOID)Policy;
  (VOID)Data;
  return EFI_WRITE_PROTECTED;
}

static EFI_STATUS EFIAPI
FvGetNextFile (CONST EFI_FIRMWARE_VOLUME2_PROTOCOL *This, VOID *Key, EFI_FV_FILETYPE *Type, EFI_GUID *Name,
  EFI_FV_FILE_ATTRIBUTES *Attributes, UINTN *Size)
{
  (VOID)This;
  (VOID)Key;
  (VOID)Type;
  (VOID)Name;
  (VOID)Attributes;
  (VOID)Size;
  return EFI_UNSUPPORTED;  // nothing here walks the volume
}

static EFI_STATUS EFIAPI
FvGetInfo (CONST EFI_FIRMWARE_VOLUME2_PROTOCOL *This, CONST EFI_GUID *Type, UINTN *Size, VOID *Buffer)
{
  (VOID)This;
  (VOID)Type;
  (VOID)Size;
  (VOID)Buffer;
  return EFI_UNSUPPORTED;
}

static EFI_STATUS EFIAPI
FvSetInfo (CONST EFI_FIRMWARE_VOLUME2_PROTOCOL *This, CONST EFI_GUID *Type, UINTN Size, CONST VOID *Buffer)
{
  (VOID)This;
  (VOID)Type;
  (VOID)Size;
  (VOID)Buffer;
  return EFI_UNSUPPORTED;
}

static std::vector<UINT8>
GuidNodePath (UINT8 SubType, const EFI_GUID &Guid)
{
  std::vector<UINT8>  Path = DevicePathNode (MEDIA_DEVICE_PATH, SubType, &Guid, sizeof (Guid));

  EndDevicePath (Path);
  return Path;
}

FirmwareImage::FirmwareImage (Machine &Owner, const EFI_GUID &DriverFile)
  : mMachine (Owner), mPrivate (std::make_unique<FV_PRIVATE>()),
    mVolumePath (GuidNodePath (MEDIA_PIWG_FW_VOL_DP, kVolumeName)),
    mFilePath (GuidNodePath (MEDIA_PIWG_FW_FILE_DP, DriverFile))
{
  mPrivate->Protocol = EFI_FIRMWARE_VOLUME2_PROTOCOL {
    FvGetAttributes, FvSetAttributes, FvReadFile, FvReadSection, FvWriteFile, FvGetNextFile, 0, nullptr,
    FvGetInfo, FvSetInfo
  };
  mPrivate->Signature = kFvSignature;
  mPrivate->Owner     = this;
  ProtocolDatabase  &Protocols = Owner.Protocols ();
  (VOID)Protocols.Install (&mVolumeHandle, &kDevicePathGuid, mVolumePath.data ());  // new handle: cannot fail
  (VOID)Protocols.Install (&mVolumeHandle, &kFv2Guid, &mPrivate->Protocol);
  mPrivate->LoadedImage = EFI_LOADED_IMAGE_PROTOCOL {
    EFI_LOADED_IMAGE_PROTOCOL_REVISION, nullptr, Owner.SystemTable (), mVolumeHandle,
    reinterpret_cast<EFI_DEVICE_PATH_PROTOCOL *>(mFilePath.data ()), nullptr, 0, nullptr, nullptr, 0,
    EfiBootServicesCode, EfiBootServicesData, nullptr
  };
  (VOID)Protocols.Install (&mImageHandle, &kLoadedImageGuid, &mPrivate->LoadedImage);
  mFiles[DriverFile];
}

FirmwareImage::~FirmwareImage ()
{
  mPrivate->Signature = 0;
}

EFI_LOADED_IMAGE_PROTOCOL *
FirmwareImage::LoadedImage ()
{
  return &mPrivate->LoadedImage;
}

EFI_FIRMWARE_VOLUME2_PROTOCOL *
FirmwareImage::Volume ()
{
  return &mPrivate->Protocol;
}

void
FirmwareImage::AddSection (const EFI_GUID &File, EFI_SECTION_TYPE Type, const std::vector<UINT8> &Body)
{
  mFiles[File].push_back (FV_SECTION { Type, Body });
}

void
FirmwareImage::SetPackageList (const std::vector<UINT8> &PackageList)
{
  if (!mPackageList.empty ()) {
    (VOID)mMachine.Protocols ().Uninstall (mImageHandle, &kPackageListGuid, mPackageList.data ());  // ours
  }
  mPackageList = PackageList;
  (VOID)mMachine.Protocols ().Install (&mImageHandle, &kPackageListGuid, mPackageList.data ());  // a live handle
}

static UINT32
Size24 (const UINT8 *Size)
{
  return (UINT32)Size[0] | ((UINT32)Size[1] << 8) | ((UINT32)Size[2] << 16);
}

bool
FirmwareImage::AddFfsFile (const std::vector<UINT8> &File, std::string *Error)
{
  auto  Fail = [Error](const std::string &Why) {
                 if (Error != nullptr) {
                   *Error = Why;
                 }
                 return false;
               };

  if (File.size () < sizeof (EFI_FFS_FILE_HEADER)) {
    return Fail ("file shorter than its header");
  }
  EFI_FFS_FILE_HEADER  Header;
  std::memcpy (&Header, File.data (), sizeof (Header));
  UINT32  FileSize = Size24 (Header.Size);
  if (((Header.Attributes & FFS_ATTRIB_LARGE_FILE) != 0) || (FileSize < sizeof (Header)) || (FileSize > File.size ())) {
    return Fail ("file size field does not fit the bytes");
  }
  std::vector<FV_SECTION>  Sections;
  size_t                   Offset = sizeof (Header);
  while (Offset + sizeof (EFI_COMMON_SECTION_HEADER) <= FileSize) {
    const UINT8  *Section = File.data () + Offset;
    UINT32       Size     = Size24 (Section);
    if ((Size < sizeof (EFI_COMMON_SECTION_HEADER)) || (Size == 0xFFFFFF) || (Size > FileSize - Offset)) {
      return Fail ("section at offset " + std::to_string (Offset) + " has a bad size");
    }
    Sections.push_back (FV_SECTION { Section[3], std::vector<UINT8>(Section + 4, Section + Size) });
    Offset += (Size + 3) & ~3u;  // sections start 4-byte aligned
  }
  auto  &Target = mFiles[Header.Name];
  Target.insert (Target.end (), Sections.begin (), Sections.end ());
  return true;
}

EFI_STATUS
FirmwareImage::Deliver (const std::vector<UINT8> &Bytes, VOID **Buffer, UINTN *BufferSize)
{
  // A null buffer asks the volume to allocate; a caller's buffer gets what fits.
  if (*Buffer == nullptr) {
    EFI_STATUS  Status = mMachine.Memory ().Allocate (EfiBootServicesData, Bytes.size (), Buffer);
    if (EFI_ERROR (Status)) {
      return Status;
    }
    // An empty section has no bytes to copy, and an empty vector's data() may be null.
    if (!Bytes.empty ()) {
      std::memcpy (*Buffer, Bytes.data (), Bytes.size ());
    }
    *BufferSize = Bytes.size ();
    return EFI_SUCCESS;
  }
  UINTN  Copied = (*BufferSize < Bytes.size ()) ? *BufferSize : Bytes.size ();
  if (Copied != 0) {
    std::memcpy (*Buffer, Bytes.data (), Copied);
  }
  bool  Truncated = *BufferSize < Bytes.size ();
  *BufferSize = Bytes.size ();
  return Truncated ? EFI_WARN_BUFFER_TOO_SMALL : EFI_SUCCESS;
}

EFI_STATUS
FirmwareImage::ReadSection (const EFI_GUID *File, EFI_SECTION_TYPE Type, UINTN Instance, VOID **Buffer,
  UINTN *BufferSize)
{
  mReadCalls++;
  if ((File == nullptr) || (Buffer == nullptr) || (BufferSize == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }
  if (EFI_ERROR (mReadFault)) {
    return mReadFault;
  }
  auto  Found = mFiles.find (*File);
  if (Found == mFiles.end ()) {
    return EFI_NOT_FOUND;
  }
  for (const FV_SECTION &Section : Found->second) {
    if ((Type != EFI_SECTION_ALL) && (Section.Type != Type)) {
      continue;
    }
    if (Instance-- == 0) {
      return Deliver (Section.Body, Buffer, BufferSize);
    }
  }
  return EFI_NOT_FOUND;
}

EFI_STATUS
FirmwareImage::ReadFile (const EFI_GUID *File, VOID **Buffer, UINTN *BufferSize, EFI_FV_FILETYPE *Type)
{
  if ((File == nullptr) || (BufferSize == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }
  auto  Found = mFiles.find (*File);
  if (Found == mFiles.end ()) {
    return EFI_NOT_FOUND;
  }
  // The file data is its section stream, each section 4-byte aligned.
  std::vector<UINT8>  Data;
  for (const FV_SECTION &Section : Found->second) {
    UINT32  Size = (UINT32)(Section.Body.size () + sizeof (EFI_COMMON_SECTION_HEADER));
    Data.resize ((Data.size () + 3) & ~(size_t)3, 0);
    Data.insert (Data.end (), { (UINT8)Size, (UINT8)(Size >> 8), (UINT8)(Size >> 16), Section.Type });
    Data.insert (Data.end (), Section.Body.begin (), Section.Body.end ());
  }
  *Type = EFI_FV_FILETYPE_DRIVER;
  if (Buffer == nullptr) {
    *BufferSize = Data.size ();  // size query
    return EFI_SUCCESS;
  }
  return Deliver (Data, Buffer, BufferSize);
}

}  // namespace Emu

/** @file
  File-system volumes over host directories, read-only unless a test makes one
  writable. File names are UEFI paths ("\dir\file", '\' separated, "." and ".."
  refused); a file's bytes are read when it is opened, and written back to the host
  file when it is flushed or closed.
**/
#include <Emulator/FileSystem.h>
#include <Protocol/DevicePath.h>

#include "DeviceRecord.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace Emu {

static constexpr UINT64  kVolumeSignature = 0x454D55464F4C5653ULL;  // "SVLOFUME"
static constexpr UINT64  kFileSignature   = 0x454D5546494C4546ULL;  // "FEFILUME"
static constexpr UINTN   kMaxName         = 1024;

struct VOLUME_DEVICE_PATH {
  VENDOR_DEVICE_PATH        Vendor;
  UINT32                    Number;
  EFI_DEVICE_PATH_PROTOCOL  End;
};

struct VOLUME_RECORD {
  EFI_SIMPLE_FILE_SYSTEM_PROTOCOL  Protocol;
  UINT64                           Signature;
  VOLUME_PRIVATE                   *Owner;
};

struct FILE_RECORD {
  EFI_FILE_PROTOCOL      Protocol;
  UINT64                 Signature;
  VOLUME_PRIVATE         *Owner;
  std::filesystem::path  Path;     // relative to the root
  bool                   IsDirectory;
  std::vector<UINT8>     Bytes;
  UINT64                 Position;
  UINT64                 OpenMode;
  bool                   Dirty = false;
};

struct VOLUME_PRIVATE {
  Machine                                    *Owner;
  std::filesystem::path                      Root;
  VOLUME_RECORD                              Record;
  VOLUME_DEVICE_PATH                         DevicePath;
  EFI_HANDLE                                 Handle = nullptr;
  std::vector<std::unique_ptr<FILE_RECORD>>  Files;
  bool                                       Writable   = false;
  EFI_STATUS                                 WriteFault = EFI_SUCCESS;
};

static VOLUME_PRIVATE *
VolumeOf (EFI_FILE_PROTOCOL *This, FILE_RECORD **File)
{
  VOLUME_PRIVATE  *Volume = OwnerOf<FILE_RECORD> (This, kFileSignature);

  *File = reinterpret_cast<FILE_RECORD *>(This);
  return Volume;
}

static EFI_FILE_PROTOCOL *NewFile (VOLUME_PRIVATE *Volume, const std::filesystem::path &Relative, UINT64 OpenMode);

// The path of Name relative to the root, starting at Base (or at the root for a name
// that starts with '\'); false for names that climb out or are too long.
static bool
Resolve (const std::filesystem::path &Base, const CHAR16 *Name, std::filesystem::path *Out)
{
  std::filesystem::path  Path = Base;
  std::string            Part;
  UINTN                  Index = 0;

  if (Name[0] == u'\\') {
    Path.clear ();
    Index = 1;
  }
  for (; ; Index++) {
    if (Index >= kMaxName) {
      return false;
    }
    CHAR16  Char = Name[Index];
    if ((Char == 0) || (Char == u'\\')) {
      if ((Part == ".") || (Part == "..")) {
        return false;
      }
      if (!Part.empty ()) {
        Path /= Part;
      }
      Part.clear ();
      if (Char == 0) {
        break;
      }
      continue;
    }
    if ((Char > 0x7E) || (Char < 0x20) || (Char == u'/')) {
      return false;  // host names are plain ASCII here
    }
    Part.push_back ((char)Char);
  }
  *Out = Path;
  return true;
}

static EFI_STATUS EFIAPI
FileOpen (EFI_FILE_PROTOCOL *This, EFI_FILE_PROTOCOL **NewHandle, CHAR16 *FileName, UINT64 OpenMode, UINT64 Attributes)
{
  FILE_RECORD     *File;
  VOLUME_PRIVATE  *Volume = VolumeOf (This, &File);

  (VOID)Attributes;
  if ((Volume == nullptr) || (NewHandle == nullptr) || (FileName == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }
  constexpr UINT64  kReadWrite = EFI_FILE_MODE_READ | EFI_FILE_MODE_WRITE;
  if ((OpenMode != EFI_FILE_MODE_READ) && (OpenMode != kReadWrite) && (OpenMode != (kReadWrite | EFI_FILE_MODE_CREATE))) {
    return EFI_INVALID_PARAMETER;
  }
  if ((OpenMode != EFI_FILE_MODE_READ) && !Volume->Writable) {
    return EFI_WRITE_PROTECTED;
  }
  std::filesystem::path  Relative;
  if (!Resolve (File->IsDirectory ? File->Path : File->Path.parent_path (), FileName, &Relative)) {
    return EFI_NOT_FOUND;
  }
  std::error_code  Error;
  if (!std::filesystem::exists (Volume->Root / Relative, Error)) {
    if (((OpenMode & EFI_FILE_MODE_CREATE) == 0) || Relative.empty ()) {
      return EFI_NOT_FOUND;
    }
    if (Volume->WriteFault != EFI_SUCCESS) {
      return Volume->WriteFault;
    }
    std::ofstream  Created (Volume->Root / Relative, std::ios::binary);
    if (!Created) {
      return EFI_DEVICE_ERROR;
    }
  }
  *NewHandle = NewFile (Volume, Relative, OpenMode);
  return (*NewHandle == nullptr) ? EFI_DEVICE_ERROR : EFI_SUCCESS;
}

// Writes what was written to the file back to its host file.
static EFI_STATUS
WriteBack (VOLUME_PRIVATE *Volume, FILE_RECORD *File)
{
  if (!File->Dirty) {
    return EFI_SUCCESS;
  }
  std::ofstream  Out (Volume->Root / File->Path, std::ios::binary | std::ios::trunc);
  Out.write (reinterpret_cast<const char *>(File->Bytes.data ()), (std::streamsize)File->Bytes.size ());
  if (!Out) {
    return EFI_DEVICE_ERROR;
  }
  File->Dirty = false;
  return EFI_SUCCESS;
}

static void
Forget (VOLUME_PRIVATE *Volume, FILE_RECORD *File)
{
  File->Signature = 0;
  for (auto It = Volume->Files.begin (); It != Volume->Files.end (); ++It) {
    if (It->get () == File) {
      Volume->Files.erase (It);
      break;
    }
  }
}

static EFI_STATUS EFIAPI
FileClose (EFI_FILE_PROTOCOL *This)
{
  FILE_RECORD     *File;
  VOLUME_PRIVATE  *Volume = VolumeOf (This, &File);

  if (Volume == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  // Closing cannot report a failed write-back (the protocol gives Close no error), as on a disk.
  (VOID)WriteBack (Volume, File);
  Forget (Volume, File);
  return EFI_SUCCESS;
}

static EFI_STATUS EFIAPI
FileDelete (EFI_FILE_PROTOCOL *This)
{
  FILE_RECORD     *File;
  VOLUME_PRIVATE  *Volume = VolumeOf (This, &File);

  if (Volume == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  // The file is closed either way, as the protocol says; only one opened for writing goes.
  bool             Removed = false;
  std::error_code  Error;
  if (Volume->Writable && ((File->OpenMode & EFI_FILE_MODE_WRITE) != 0) && !File->IsDirectory) {
    Removed = std::filesystem::remove (Volume->Root / File->Path, Error);
  }
  Forget (Volume, File);
  return Removed ? EFI_SUCCESS : EFI_WARN_DELETE_FAILURE;
}

static EFI_STATUS EFIAPI
FileRead (EFI_FILE_PROTOCOL *This, UINTN *BufferSize, VOID *Buffer)
{
  FILE_RECORD     *File;
  VOLUME_PRIVATE  *Volume = VolumeOf (This, &File);

  if ((Volume == nullptr) || (BufferSize == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }
  if (File->IsDirectory) {
    *BufferSize = 0;  // directory entries are not listed by this volume
    return EFI_SUCCESS;
  }
  if (File->Position > File->Bytes.size ()) {
    return EFI_DEVICE_ERROR;
  }
  UINTN  Count = std::min<UINTN> (*BufferSize, File->Bytes.size () - File->Position);
  if ((Count != 0) && (Buffer == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }
  if (Count != 0) {
    memcpy (Buffer, File->Bytes.data () + File->Position, Count);
  }
  File->Position += Count;
  *BufferSize     = Count;
  return EFI_SUCCESS;
}

static EFI_STATUS EFIAPI
FileWrite (EFI_FILE_PROTOCOL *This, UINTN *BufferSize, VOID *Buffer)
{
  FILE_RECORD     *File;
  VOLUME_PRIVATE  *Volume = VolumeOf (This, &File);

  if ((Volume == nullptr) || (BufferSize == nullptr) || ((*BufferSize != 0) && (Buffer == nullptr))) {
    return EFI_INVALID_PARAMETER;
  }
  if (!Volume->Writable) {
    return EFI_WRITE_PROTECTED;
  }
  if (File->IsDirectory) {
    return EFI_UNSUPPORTED;
  }
  if ((File->OpenMode & EFI_FILE_MODE_WRITE) == 0) {
    return EFI_ACCESS_DENIED;
  }
  if (Volume->WriteFault != EFI_SUCCESS) {
    *BufferSize = 0;
    return Volume->WriteFault;
  }
  UINT64  End = File->Position + *BufferSize;
  if (End > File->Bytes.size ()) {
    File->Bytes.resize (End);
  }
  if (*BufferSize != 0) {
    memcpy (File->Bytes.data () + File->Position, Buffer, *BufferSize);
  }
  File->Position = End;
  File->Dirty    = true;
  return EFI_SUCCESS;
}

static EFI_STATUS EFIAPI
FileGetPosition (EFI_FILE_PROTOCOL *This, UINT64 *Position)
{
  FILE_RECORD     *File;
  VOLUME_PRIVATE  *Volume = VolumeOf (This, &File);

  if ((Volume == nullptr) || (Position == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }
  if (File->IsDirectory) {
    return EFI_UNSUPPORTED;
  }
  *Position = File->Position;
  return EFI_SUCCESS;
}

static EFI_STATUS EFIAPI
FileSetPosition (EFI_FILE_PROTOCOL *This, UINT64 Position)
{
  FILE_RECORD     *File;
  VOLUME_PRIVATE  *Volume = VolumeOf (This, &File);

  if (Volume == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  if (File->IsDirectory) {
    return (Position == 0) ? EFI_SUCCESS : EFI_UNSUPPORTED;
  }
  File->Position = (Position == 0xFFFFFFFFFFFFFFFFULL) ? File->Bytes.size () : Position;
  return EFI_SUCCESS;
}

// Copies Info (Size bytes) out, or asks for a bigger buffer.
static EFI_STATUS
GiveInfo (const std::vector<UINT8> &Info, UINTN *BufferSize, VOID *Buffer)
{
  if (*BufferSize < Info.size ()) {
    *BufferSize = Info.size ();
    return EFI_BUFFER_TOO_SMALL;
  }
  if (Buffer == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  memcpy (Buffer, Info.data (), Info.size ());
  *BufferSize = Info.size ();
  return EFI_SUCCESS;
}

static std::vector<UINT8>
FileInfoOf (const FILE_RECORD &File)
{
  std::string         Name = File.Path.filename ().string ();
  std::vector<UINT8>  Info (SIZE_OF_EFI_FILE_INFO + (Name.size () + 1) * sizeof (CHAR16));
  auto                *Record = reinterpret_cast<EFI_FILE_INFO *>(Info.data ());

  Record->Size         = Info.size ();
  Record->FileSize     = File.Bytes.size ();
  Record->PhysicalSize = File.Bytes.size ();
  Record->Attribute    = (File.Owner->Writable ? 0 : EFI_FILE_READ_ONLY) | (File.IsDirectory ? EFI_FILE_DIRECTORY : 0);
  for (UINTN Index = 0; Index < Name.size (); Index++) {
    CHAR16  Char = (CHAR16)(UINT8)Name[Index];
    memcpy (Info.data () + SIZE_OF_EFI_FILE_INFO + Index * sizeof (CHAR16), &Char, sizeof (Char));
  }
  return Info;
}

static std::vector<UINT8>
FileSystemInfoOf (const VOLUME_PRIVATE &Volume)
{
  std::vector<UINT8>  Info (SIZE_OF_EFI_FILE_SYSTEM_INFO + sizeof (CHAR16));
  auto                *Record = reinterpret_cast<EFI_FILE_SYSTEM_INFO *>(Info.data ());
  UINT64              Total   = 0;
  std::error_code     Error;

  for (const auto &Entry : std::filesystem::recursive_directory_iterator (Volume.Root, Error)) {
    Total += Entry.is_regular_file (Error) ? Entry.file_size (Error) : 0;
  }
  Record->Size       = Info.size ();
  Record->ReadOnly   = Volume.Writable ? FALSE : TRUE;
  Record->VolumeSize = Total;
  Record->FreeSpace  = 0;
  Record->BlockSize  = 512;
  return Info;
}

static EFI_STATUS EFIAPI
FileGetInfo (EFI_FILE_PROTOCOL *This, EFI_GUID *InformationType, UINTN *BufferSize, VOID *Buffer)
{
  FILE_RECORD     *File;
  VOLUME_PRIVATE  *Volume = VolumeOf (This, &File);

  if ((Volume == nullptr) || (InformationType == nullptr) || (BufferSize == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }
  if (memcmp (InformationType, &gEfiFileInfoGuid, sizeof (EFI_GUID)) == 0) {
    return GiveInfo (FileInfoOf (*File), BufferSize, Buffer);
  }
  if (memcmp (InformationType, &gEfiFileSystemInfoGuid, sizeof (EFI_GUID)) == 0) {
    return GiveInfo (FileSystemInfoOf (*Volume), BufferSize, Buffer);
  }
  return EFI_UNSUPPORTED;
}

static EFI_STATUS EFIAPI
FileSetInfo (EFI_FILE_PROTOCOL *This, EFI_GUID *InformationType, UINTN BufferSize, VOID *Buffer)
{
  (VOID)This;
  (VOID)InformationType;
  (VOID)BufferSize;
  (VOID)Buffer;
  return EFI_WRITE_PROTECTED;
}

static EFI_STATUS EFIAPI
FileFlush (EFI_FILE_PROTOCOL *This)
{
  FILE_RECORD     *File;
  VOLUME_PRIVATE  *Volume = VolumeOf (This, &File);

  if (Volume == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  return WriteBack (Volume, File);
}

static EFI_FILE_PROTOCOL *
NewFile (VOLUME_PRIVATE *Volume, const std::filesystem::path &Relative, UINT64 OpenMode)
{
  auto             File = std::make_unique<FILE_RECORD> ();
  std::error_code  Error;

  File->Protocol    = { EFI_FILE_PROTOCOL_REVISION, FileOpen, FileClose, FileDelete, FileRead, FileWrite,
                        FileGetPosition, FileSetPosition, FileGetInfo, FileSetInfo, FileFlush,
                        nullptr, nullptr, nullptr, nullptr };
  File->Signature   = kFileSignature;
  File->Owner       = Volume;
  File->Path        = Relative;
  File->IsDirectory = std::filesystem::is_directory (Volume->Root / Relative, Error);
  File->Position    = 0;
  File->OpenMode    = OpenMode;
  if (!File->IsDirectory) {
    std::ifstream  In (Volume->Root / Relative, std::ios::binary);
    if (!In) {
      return nullptr;
    }
    File->Bytes.assign (std::istreambuf_iterator<char> (In), {});
  }
  Volume->Files.push_back (std::move (File));
  return &Volume->Files.back ()->Protocol;
}

static EFI_STATUS EFIAPI
OpenVolume (EFI_SIMPLE_FILE_SYSTEM_PROTOCOL *This, EFI_FILE_PROTOCOL **Root)
{
  VOLUME_PRIVATE  *Volume = OwnerOf<VOLUME_RECORD> (This, kVolumeSignature);

  if ((Volume == nullptr) || (Root == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }
  *Root = NewFile (Volume, std::filesystem::path (), EFI_FILE_MODE_READ);
  return (*Root == nullptr) ? EFI_DEVICE_ERROR : EFI_SUCCESS;
}

FileSystemVolume::FileSystemVolume (Machine &Owner, const std::filesystem::path &Root, UINT32 Number)
  : mPrivate (std::make_unique<VOLUME_PRIVATE> ())
{
  static const EFI_GUID  kVolumeVendor = {
    0x5c2f4b2e, 0x7d41, 0x4a8e, { 0x9b, 0x1f, 0x63, 0x0e, 0x2a, 0x71, 0xc4, 0x58 }
  };
  VOLUME_PRIVATE  &P = *mPrivate;

  P.Owner  = &Owner;
  P.Root   = Root;
  P.Record = { { 0x00010000, OpenVolume }, kVolumeSignature, &P };
  P.DevicePath.Vendor.Header = { HARDWARE_DEVICE_PATH, HW_VENDOR_DP, { sizeof (VENDOR_DEVICE_PATH) + 4, 0 } };
  P.DevicePath.Vendor.Guid   = kVolumeVendor;
  P.DevicePath.Number        = Number;
  P.DevicePath.End           = { END_DEVICE_PATH_TYPE, END_ENTIRE_DEVICE_PATH_SUBTYPE, { END_DEVICE_PATH_LENGTH, 0 } };
  RequireInstalled (Owner.Protocols ().InstallMultiple (&P.Handle, { { &gEfiSimpleFileSystemProtocolGuid, &P.Record.Protocol },
                                                                      { &gEfiDevicePathProtocolGuid, &P.DevicePath } }),
                    "file system volume");
}

FileSystemVolume::FileSystemVolume (Machine &Owner, const std::filesystem::path &Root, EFI_HANDLE Device)
  : mPrivate (std::make_unique<VOLUME_PRIVATE> ())
{
  VOLUME_PRIVATE  &P = *mPrivate;

  P.Owner  = &Owner;
  P.Root   = Root;
  P.Record = { { 0x00010000, OpenVolume }, kVolumeSignature, &P };
  P.Handle = Device;
  RequireInstalled (Owner.Protocols ().Install (&P.Handle, &gEfiSimpleFileSystemProtocolGuid, &P.Record.Protocol),
                    "file system on a device");
}

FileSystemVolume::~FileSystemVolume ()
{
  for (auto &File : mPrivate->Files) {
    File->Signature = 0;
  }
  mPrivate->Record.Signature = 0;
}

EFI_HANDLE
FileSystemVolume::Handle () const
{
  return mPrivate->Handle;
}

const std::filesystem::path &
FileSystemVolume::Root () const
{
  return mPrivate->Root;
}

UINTN
FileSystemVolume::OpenFiles () const
{
  return mPrivate->Files.size ();
}

void
FileSystemVolume::SetWritable (bool Writable)
{
  mPrivate->Writable = Writable;
}

void
FileSystemVolume::FailWrites (EFI_STATUS Status)
{
  mPrivate->WriteFault = Status;
}

}  // namespace Emu

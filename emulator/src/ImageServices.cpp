/** @file
  Image and controller services. Images come from the machine's BootImages device
  (test OS loaders found by path or by bytes, with a boot log); a machine without
  one finds nothing, which is what firmware answers for an unknown path.

  An image known by its bytes is loaded as firmware loads a PE image: its loaded
  image names the device it came from and the rest of its path, its HII resource
  becomes the package-list protocol on its handle, and a driver whose entry point
  succeeds stays loaded; an application, or an image that fails, is unloaded.
**/
#include <Emulator/BootDevices.h>
#include <Emulator/DevicePathUtil.h>
#include <Emulator/Machine.h>
#include <Emulator/PeImage.h>
#include <Pi/PiFirmwareFile.h>
#include <Protocol/FirmwareVolume2.h>
#include <Protocol/HiiPackageList.h>
#include <Protocol/SimpleFileSystem.h>

#include <algorithm>
#include <cstring>

namespace Emu {

static Machine &
Here ()
{
  return Machine::Serving ("boot");
}

// Paths reach these walks only after DevicePathBodySize accepted them.
static UINTN
NodeLength (const EFI_DEVICE_PATH_PROTOCOL *Node)
{
  return (UINTN)Node->Length[0] | ((UINTN)Node->Length[1] << 8);
}

static const EFI_DEVICE_PATH_PROTOCOL *
NextNode (const EFI_DEVICE_PATH_PROTOCOL *Node)
{
  return (const EFI_DEVICE_PATH_PROTOCOL *)((const UINT8 *)Node + NodeLength (Node));
}

struct BootImages::KNOWN {
  std::string  Name;
  BYTE_LIST    Bytes;  // empty for an image known by its path
  BYTE_LIST    Path;
  OS_LOADER    Loader;
};

struct BootImages::IMAGE {
  EFI_LOADED_IMAGE_PROTOCOL  Loaded;
  EFI_HANDLE                 Handle;
  BYTE_LIST                  Path;
  BYTE_LIST                  FilePath;
  const KNOWN                *Known;
  BYTE_LIST                  PackageList;   // the image's HII resource; empty: none installed
  bool                       Driver = false;
};

static const EFI_GUID  kPackageListGuid = EFI_HII_PACKAGE_LIST_PROTOCOL_GUID;

BootImages::BootImages (Machine &Owner) : mMachine (Owner) {}

BootImages::~BootImages () = default;

void
BootImages::RegisterBytes (const BYTE_LIST &Bytes, const std::string &Name, OS_LOADER Loader)
{
  mKnown.push_back (std::make_unique<KNOWN> (KNOWN { Name, Bytes, {}, std::move (Loader) }));
}

void
BootImages::RegisterPath (const BYTE_LIST &Path, const std::string &Name, OS_LOADER Loader)
{
  mKnown.push_back (std::make_unique<KNOWN> (KNOWN { Name, {}, Path, std::move (Loader) }));
}

void
BootImages::FailLoad (const BYTE_LIST &Path, EFI_STATUS Status, UINTN Times)
{
  mFaults.push_back (FAULT { Path, Status, Times });
}

OS_LOADER
BootImages::Returns (EFI_STATUS Status)
{
  return [Status] (const LOADER_CALL &) { return Status; };
}

OS_LOADER
BootImages::NeverReturns (const std::string &Name)
{
  return [Name] (const LOADER_CALL &) -> EFI_STATUS { throw OsBooted (Name); };
}

UINTN
BootImages::LoadedImages () const
{
  return mImages.size ();
}

const BootImages::KNOWN *
BootImages::ByBytes (const BYTE_LIST &Bytes) const
{
  for (const auto &Known : mKnown) {
    if (!Known->Bytes.empty () && (Known->Bytes == Bytes)) {
      return Known.get ();
    }
  }
  return nullptr;
}

// The file named by the file-path nodes from Node on, read whole from Volume.
static EFI_STATUS
ReadVolumeFile (EFI_SIMPLE_FILE_SYSTEM_PROTOCOL *Volume, const EFI_DEVICE_PATH_PROTOCOL *Node, BYTE_LIST *Bytes)
{
  std::u16string  Name;
  for (; Node->Type != END_DEVICE_PATH_TYPE; Node = NextNode (Node)) {
    UINTN  Length = NodeLength (Node);
    if ((Node->Type != MEDIA_DEVICE_PATH) || (Node->SubType != MEDIA_FILEPATH_DP) || (Length < 6)) {
      return EFI_NOT_FOUND;
    }
    std::u16string  Part ((Length - 4) / 2, u'\0');
    std::memcpy (Part.data (), (const UINT8 *)Node + 4, Part.size () * 2);
    Part.resize (std::char_traits<char16_t>::length (Part.c_str ()));
    if (!Name.empty () && (Name.back () != u'\\') && (Part.empty () || (Part.front () != u'\\'))) {
      Name.push_back (u'\\');
    }
    Name += Part;
  }
  if (Name.empty ()) {
    return EFI_NOT_FOUND;  // a path that ends at the volume names no file
  }
  EFI_FILE_PROTOCOL  *Root = nullptr, *File = nullptr;
  EFI_STATUS         Status = Volume->OpenVolume (Volume, &Root);
  if (EFI_ERROR (Status)) {
    return Status;
  }
  Status = Root->Open (Root, &File, Name.data (), EFI_FILE_MODE_READ, 0);
  (VOID)Root->Close (Root);  // the opened file stands on its own
  if (EFI_ERROR (Status)) {
    return EFI_NOT_FOUND;
  }
  UINT8  Chunk[4096];
  for (UINTN Size = sizeof (Chunk); ; Size = sizeof (Chunk)) {
    Status = File->Read (File, &Size, Chunk);
    if (EFI_ERROR (Status) || (Size == 0)) {
      break;
    }
    Bytes->insert (Bytes->end (), Chunk, Chunk + Size);
  }
  (VOID)File->Close (File);  // read-only: nothing to lose
  return Status;
}

// The PE32 section of the firmware file the FV-file node names.
static EFI_STATUS
ReadVolumeImage (EFI_FIRMWARE_VOLUME2_PROTOCOL *Volume, const EFI_DEVICE_PATH_PROTOCOL *Node, BYTE_LIST *Bytes)
{
  if ((Node->Type != MEDIA_DEVICE_PATH) || (Node->SubType != MEDIA_PIWG_FW_FILE_DP) ||
      (NodeLength (Node) != sizeof (MEDIA_FW_VOL_FILEPATH_DEVICE_PATH)))
  {
    return EFI_NOT_FOUND;
  }
  EFI_GUID  File;
  std::memcpy (&File, (const UINT8 *)Node + 4, sizeof (File));
  VOID    *Buffer = nullptr;
  UINTN   Size    = 0;
  UINT32  Authentication;
  if (EFI_ERROR (Volume->ReadSection (Volume, &File, EFI_SECTION_PE32, 0, &Buffer, &Size, &Authentication))) {
    return EFI_NOT_FOUND;
  }
  Bytes->assign ((const UINT8 *)Buffer, (const UINT8 *)Buffer + Size);
  (VOID)Here ().Memory ().Free (Buffer);  // our own copy
  return EFI_SUCCESS;
}

EFI_STATUS
BootImages::Resolve (const EFI_DEVICE_PATH_PROTOCOL *Path, const KNOWN **Found, EFI_HANDLE *From, UINTN *FileAt)
{
  UINTN      Body = DevicePathBodySize (Path);
  BYTE_LIST  Whole ((const UINT8 *)Path, (const UINT8 *)Path + Body + 4);
  for (const auto &Known : mKnown) {
    if (Known->Path == Whole) {
      *Found = Known.get ();
      return EFI_SUCCESS;
    }
  }
  BYTE_LIST                 Bytes;
  EFI_STATUS                Status = EFI_NOT_FOUND;
  EFI_DEVICE_PATH_PROTOCOL  *Rest  = (EFI_DEVICE_PATH_PROTOCOL *)Whole.data ();
  EFI_HANDLE                Device = nullptr;
  if (!EFI_ERROR (mMachine.Protocols ().LocateDevicePath (&gEfiSimpleFileSystemProtocolGuid, &Rest, &Device))) {
    auto  *Volume = (EFI_SIMPLE_FILE_SYSTEM_PROTOCOL *)mMachine.Protocols ().Find (Device, gEfiSimpleFileSystemProtocolGuid);
    Status = ReadVolumeFile (Volume, Rest, &Bytes);
  } else if (Rest = (EFI_DEVICE_PATH_PROTOCOL *)Whole.data (),
             !EFI_ERROR (mMachine.Protocols ().LocateDevicePath (&gEfiFirmwareVolume2ProtocolGuid, &Rest, &Device)))
  {
    auto  *Volume = (EFI_FIRMWARE_VOLUME2_PROTOCOL *)mMachine.Protocols ().Find (Device, gEfiFirmwareVolume2ProtocolGuid);
    Status = ReadVolumeImage (Volume, Rest, &Bytes);
  }
  if (EFI_ERROR (Status)) {
    return Status;
  }
  *From   = Device;
  *FileAt = (UINTN)((const UINT8 *)Rest - Whole.data ());
  *Found  = ByBytes (Bytes);
  return (*Found == nullptr) ? EFI_LOAD_ERROR : EFI_SUCCESS;
}

EFI_STATUS
BootImages::Load (EFI_HANDLE Parent, const EFI_DEVICE_PATH_PROTOCOL *Path, const VOID *Source, UINTN SourceSize,
  EFI_HANDLE *Image)
{
  const KNOWN  *Found  = nullptr;
  EFI_HANDLE   From    = nullptr;
  UINTN        FileAt  = 0;
  EFI_STATUS   Status;
  BYTE_LIST    Whole;

  if (Path != nullptr) {
    UINTN  Body = DevicePathBodySize (Path);
    if (Body == SIZE_MAX) {
      return EFI_INVALID_PARAMETER;
    }
    Whole.assign ((const UINT8 *)Path, (const UINT8 *)Path + Body + 4);
  }
  auto  Fault = std::find_if (mFaults.begin (), mFaults.end (), [&] (const FAULT &F) { return F.Path == Whole; });
  if ((Fault != mFaults.end ()) && (Fault->Times > 0)) {
    Fault->Times--;
    Status = Fault->Status;
  } else if (Source != nullptr) {
    Found  = ByBytes (BYTE_LIST ((const UINT8 *)Source, (const UINT8 *)Source + SourceSize));
    Status = (Found == nullptr) ? EFI_LOAD_ERROR : EFI_SUCCESS;
  } else {
    Status = Resolve (Path, &Found, &From, &FileAt);
  }
  mLoads.push_back (LOAD_ATTEMPT { Whole, Status });
  if (EFI_ERROR (Status)) {
    return Status;
  }
  auto  Item = std::make_unique<IMAGE> ();
  Item->Path                = Whole;
  Item->Known               = Found;
  Item->Handle              = nullptr;
  Item->Loaded              = {};
  Item->Loaded.Revision     = 0x1000;
  Item->Loaded.ParentHandle = Parent;
  Item->Loaded.SystemTable  = mMachine.SystemTable ();
  Item->Loaded.FilePath     = Whole.empty () ? nullptr : (EFI_DEVICE_PATH_PROTOCOL *)(Item->Path.data () + FileAt);
  Item->Loaded.DeviceHandle = From;
  if (std::optional<PE_IMAGE_INFO> Pe = ReadPeImage (Found->Bytes)) {
    Item->Loaded.ImageBase = (VOID *)Found->Bytes.data ();
    Item->Loaded.ImageSize = Found->Bytes.size ();
    Item->Driver           = (Pe->Subsystem == kPeSubsystemBootDriver) || (Pe->Subsystem == kPeSubsystemRuntimeDriver);
    Item->PackageList      = std::move (Pe->HiiResource);
  }
  Status = mMachine.Protocols ().Install (&Item->Handle, &gEfiLoadedImageProtocolGuid, &Item->Loaded);
  if (EFI_ERROR (Status)) {
    return Status;
  }
  if (!Item->PackageList.empty () &&
      EFI_ERROR (mMachine.Protocols ().Install (&Item->Handle, &kPackageListGuid, Item->PackageList.data ())))
  {
    Item->PackageList.clear ();   // the image runs without it, as it would without the resource
  }
  *Image = Item->Handle;
  mImages.push_back (std::move (Item));
  return EFI_SUCCESS;
}

EFI_STATUS
BootImages::Unload (EFI_HANDLE Image)
{
  for (auto It = mImages.begin (); It != mImages.end (); ++It) {
    if ((*It)->Handle == Image) {
      if (!(*It)->PackageList.empty ()) {
        (VOID)mMachine.Protocols ().Uninstall (Image, &kPackageListGuid, (*It)->PackageList.data ());  // installed by Load
      }
      (VOID)mMachine.Protocols ().Uninstall (Image, &gEfiLoadedImageProtocolGuid, &(*It)->Loaded);  // handle goes with it
      mImages.erase (It);
      return EFI_SUCCESS;
    }
  }
  return EFI_INVALID_PARAMETER;
}

// Runs the loader; one that does not return leaves its log entry marked as running.
EFI_STATUS
BootImages::Start (EFI_HANDLE Image)
{
  auto  It = std::find_if (mImages.begin (), mImages.end (), [&] (const auto &I) { return I->Handle == Image; });
  if (It == mImages.end ()) {
    return EFI_INVALID_PARAMETER;
  }
  IMAGE           &Item    = **It;
  const UINT8     *Options = (const UINT8 *)Item.Loaded.LoadOptions;
  BOOT_LOG_ENTRY  Entry { Item.Known->Name, Item.Path, {}, false, EFI_SUCCESS, mMachine.Events ().Now () };
  if (Options != nullptr) {
    Entry.LoadOptions.assign (Options, Options + Item.Loaded.LoadOptionsSize);
  }
  mLog.push_back (Entry);
  UINTN       Index  = mLog.size () - 1;
  EFI_STATUS  Status = Item.Known->Loader (LOADER_CALL { Image, &Item.Loaded });
  mLog[Index].Returned = true;
  mLog[Index].Status   = Status;
  if (EFI_ERROR (Status) || !Item.Driver) {
    (VOID)Unload (Image);  // a returning application, or an image that failed, is unloaded by firmware
  }
  return Status;
}

static EFI_STATUS EFIAPI
EmuLoadImage (BOOLEAN BootPolicy, EFI_HANDLE Parent, EFI_DEVICE_PATH_PROTOCOL *DevicePath, VOID *Source,
  UINTN SourceSize, EFI_HANDLE *ImageHandle)
{
  (VOID)BootPolicy;
  if ((ImageHandle == nullptr) || !Here ().Protocols ().IsHandle (Parent) ||
      ((DevicePath == nullptr) && (Source == nullptr)))
  {
    return EFI_INVALID_PARAMETER;
  }
  BootImages  *Images = Here ().FindDevice<BootImages> ();
  return (Images == nullptr) ? EFI_NOT_FOUND : Images->Load (Parent, DevicePath, Source, SourceSize, ImageHandle);
}

static EFI_STATUS EFIAPI
EmuStartImage (EFI_HANDLE ImageHandle, UINTN *ExitDataSize, CHAR16 **ExitData)
{
  if (ExitDataSize != nullptr) {
    *ExitDataSize = 0;
  }
  if (ExitData != nullptr) {
    *ExitData = nullptr;
  }
  BootImages  *Images = Here ().FindDevice<BootImages> ();
  return (Images == nullptr) ? EFI_INVALID_PARAMETER : Images->Start (ImageHandle);
}

static EFI_STATUS EFIAPI
EmuExit (EFI_HANDLE ImageHandle, EFI_STATUS Status, UINTN ExitDataSize, CHAR16 *ExitData)
{
  (VOID)ImageHandle;
  (VOID)Status;
  (VOID)ExitDataSize;
  (VOID)ExitData;
  return EFI_INVALID_PARAMETER;
}

static EFI_STATUS EFIAPI
EmuUnloadImage (EFI_HANDLE ImageHandle)
{
  BootImages  *Images = Here ().FindDevice<BootImages> ();
  return (Images == nullptr) ? EFI_UNSUPPORTED : Images->Unload (ImageHandle);
}

static EFI_STATUS EFIAPI
EmuExitBootServices (EFI_HANDLE ImageHandle, UINTN MapKey)
{
  (VOID)ImageHandle;
  (VOID)MapKey;
  static const EFI_GUID  ExitBootServicesGroup =
    { 0x27ABF055, 0xB1B8, 0x4C26, { 0x80, 0x48, 0x74, 0x8F, 0x37, 0xBA, 0xA2, 0xDF } };
  Here ().Events ().SignalGroup (ExitBootServicesGroup);
  return EFI_SUCCESS;
}

static EFI_STATUS EFIAPI
EmuConnectController (EFI_HANDLE Controller, EFI_HANDLE *DriverImages, EFI_DEVICE_PATH_PROTOCOL *Remaining,
  BOOLEAN Recursive)
{
  (VOID)DriverImages;
  (VOID)Remaining;
  Machine  &Current = Here ();
  if (!Current.Protocols ().IsHandle (Controller)) {
    return EFI_INVALID_PARAMETER;
  }
  Current.RecordControllerCall (CONTROLLER_CALL { true, Controller, Recursive != FALSE });
  // No emulated driver binds to anything, which firmware reports as not found.
  return EFI_NOT_FOUND;
}

static EFI_STATUS EFIAPI
EmuDisconnectController (EFI_HANDLE Controller, EFI_HANDLE Driver, EFI_HANDLE Child)
{
  (VOID)Driver;
  (VOID)Child;
  Machine  &Current = Here ();
  if (!Current.Protocols ().IsHandle (Controller)) {
    return EFI_INVALID_PARAMETER;
  }
  Current.RecordControllerCall (CONTROLLER_CALL { false, Controller, false });
  return EFI_SUCCESS;
}

void
FillImageServices (EFI_BOOT_SERVICES *Services)
{
  Services->LoadImage            = EmuLoadImage;
  Services->StartImage           = EmuStartImage;
  Services->Exit                 = EmuExit;
  Services->UnloadImage          = EmuUnloadImage;
  Services->ExitBootServices     = EmuExitBootServices;
  Services->ConnectController    = EmuConnectController;
  Services->DisconnectController = EmuDisconnectController;
}

}  // namespace Emu

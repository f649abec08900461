/** @file
  Package lists of the emulated HII database: add, update, remove, list, export and
  the package notifications.
**/
#include <EmulatorHii/HiiServices.h>

#include <Emulator/DevicePathUtil.h>
#include <Emulator/Guid.h>
#include <Protocol/DevicePath.h>

#include <cstring>

namespace Emu {

namespace {

const EFI_GUID *
PackageGuidOf (const HII_PACKAGE &Package)
{
  if ((Package.Type == EFI_HII_PACKAGE_TYPE_GUID) && (Package.Bytes.size () >= sizeof (EFI_HII_GUID_PACKAGE_HDR))) {
    return (const EFI_GUID *)(Package.Bytes.data () + 4);
  }
  return nullptr;
}

bool
SameType (const HII_PACKAGE &A, const HII_PACKAGE &B)
{
  if (A.Type != B.Type) {
    return false;
  }
  const EFI_GUID  *GuidA = PackageGuidOf (A);
  const EFI_GUID  *GuidB = PackageGuidOf (B);
  return (GuidA == nullptr) || (GuidB == nullptr) || GuidEqual (*GuidA, *GuidB);
}

}  // namespace

HII_PACKAGE_LIST *
HiiServices::FindList (EFI_HII_HANDLE Handle) const
{
  if (Handle == nullptr) {
    return nullptr;
  }
  for (const auto &List : mLists) {
    if ((List.get () == Handle) && List->Live) {
      return List.get ();
    }
  }
  return nullptr;
}

const HII_PACKAGE_LIST *
HiiServices::Find (EFI_HII_HANDLE Handle) const
{
  return FindList (Handle);
}

std::vector<EFI_HII_HANDLE>
HiiServices::PackageLists () const
{
  std::vector<EFI_HII_HANDLE>  Handles;

  for (const auto &List : mLists) {
    if (List->Live) {
      Handles.push_back (List.get ());
    }
  }
  return Handles;
}

// Splits a list into its packages, bounded by the list length; the list must end
// with an END package exactly at its end.
EFI_STATUS
HiiServices::ParseList (CONST EFI_HII_PACKAGE_LIST_HEADER *List, std::vector<HII_PACKAGE> *Packages) const
{
  UINT32       Length;
  const UINT8  *Start = (const UINT8 *)List;

  std::memcpy (&Length, Start + 16, 4);
  if (Length < sizeof (EFI_HII_PACKAGE_LIST_HEADER) + 4) {
    return EFI_INVALID_PARAMETER;
  }
  for (UINT32 At = sizeof (EFI_HII_PACKAGE_LIST_HEADER); ;) {
    if (Length - At < 4) {
      return EFI_INVALID_PARAMETER;
    }
    UINT32  Size = HiiReadUint24 (Start + At);
    UINT8   Type = Start[At + 3];
    if ((Size < 4) || (Size > Length - At)) {
      return EFI_INVALID_PARAMETER;
    }
    if (Type == EFI_HII_PACKAGE_END) {
      return (At + Size == Length) ? EFI_SUCCESS : EFI_INVALID_PARAMETER;
    }
    HII_PACKAGE  Package;
    Package.Type = Type;
    Package.Bytes.assign (Start + At, Start + At + Size);
    if (Type == EFI_HII_PACKAGE_STRINGS) {
      Package.Strings = std::make_unique<STRING_PACKAGE> ();
      if (DecodeStringPackage (Package.Bytes.data (), Size, Package.Strings.get ()) != EFI_SUCCESS) {
        return EFI_INVALID_PARAMETER;
      }
    } else if ((Type == EFI_HII_PACKAGE_TYPE_GUID) && (Size < sizeof (EFI_HII_GUID_PACKAGE_HDR))) {
      return EFI_INVALID_PARAMETER;
    }
    Packages->push_back (std::move (Package));
    At += Size;
  }
}

void
HiiServices::Notify (HII_PACKAGE_LIST *List, UINTN Index, EFI_HII_DATABASE_NOTIFY_TYPE NotifyType)
{
  // A notify function may register or unregister others; walk a snapshot of the
  // registrations and skip any that went away meanwhile (retired ones stay allocated).
  std::vector<HII_NOTIFY_REGISTRATION *>  Snapshot;

  Snapshot.reserve (mNotifies.size ());
  for (const auto &Registration : mNotifies) {
    Snapshot.push_back (Registration.get ());
  }
  for (HII_NOTIFY_REGISTRATION *Registration : Snapshot) {
    if (!Registration->Live || ((Registration->NotifyType & NotifyType) == 0) || (Index >= List->Packages.size ())) {
      continue;
    }
    const HII_PACKAGE  &Package = List->Packages[Index];
    const EFI_GUID     *Guid    = PackageGuidOf (Package);
    if ((Registration->PackageType != Package.Type) ||
        ((Package.Type == EFI_HII_PACKAGE_TYPE_GUID) && ((Guid == nullptr) || !GuidEqual (*Guid, Registration->PackageGuid)))) {
      continue;
    }
    // The status of a notify function has no meaning to the database.
    (VOID)Registration->Function (Package.Type, Guid, (const EFI_HII_PACKAGE_HEADER *)Package.Bytes.data (), List,
            NotifyType);
  }
}

void
HiiServices::AddPackages (HII_PACKAGE_LIST *List, std::vector<HII_PACKAGE> &&Packages,
  EFI_HII_DATABASE_NOTIFY_TYPE NotifyType)
{
  for (HII_PACKAGE &Package : Packages) {
    if (!List->Live) {
      return;  // a notify function removed the list meanwhile
    }
    List->Packages.push_back (std::move (Package));
    Notify (List, List->Packages.size () - 1, NotifyType);
  }
}

// A list published for a driver carries that driver's device path, as firmware
// databases add it, unless the list brought one itself.
void
HiiServices::AddDevicePathPackage (HII_PACKAGE_LIST *List)
{
  VOID  *Path = nullptr;

  for (const HII_PACKAGE &Package : List->Packages) {
    if (Package.Type == EFI_HII_PACKAGE_DEVICE_PATH) {
      return;
    }
  }
  if (!List->Live || (List->DriverHandle == nullptr) ||
      (mMachine.Protocols ().HandleProtocol (List->DriverHandle, &gEfiDevicePathProtocolGuid, &Path) != EFI_SUCCESS) ||
      (Path == nullptr)) {
    return;
  }
  UINTN  Body = DevicePathBodySize ((const EFI_DEVICE_PATH_PROTOCOL *)Path);
  if (Body == SIZE_MAX) {
    return;
  }
  std::vector<HII_PACKAGE>  Packages (1);
  Packages[0].Type = EFI_HII_PACKAGE_DEVICE_PATH;
  Packages[0].Bytes.assign (4, 0);
  Packages[0].Bytes.insert (Packages[0].Bytes.end (), (const UINT8 *)Path, (const UINT8 *)Path + Body + 4);
  HiiSetPackageHeader (Packages[0].Bytes.data (), (UINT32)Packages[0].Bytes.size (), EFI_HII_PACKAGE_DEVICE_PATH);
  AddPackages (List, std::move (Packages), EFI_HII_DATABASE_NOTIFY_NEW_PACK);
}

EFI_STATUS
HiiServices::NewPackageList (CONST EFI_HII_PACKAGE_LIST_HEADER *List, EFI_HANDLE DriverHandle,
  EFI_HII_HANDLE *Handle)
{
  std::vector<HII_PACKAGE>  Packages;

  if ((List == nullptr) || (Handle == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }
  EFI_GUID  Guid;
  std::memcpy (&Guid, List, sizeof (EFI_GUID));
  // One driver publishes a list once; the same GUID may come from several driver
  // handles (OVMF's file-explorer forms, which three drivers each publish).
  for (const auto &Other : mLists) {
    if (Other->Live && (Other->DriverHandle == DriverHandle) && GuidEqual (Other->Guid, Guid)) {
      return EFI_INVALID_PARAMETER;
    }
  }
  EFI_STATUS  Status = ParseList (List, &Packages);
  if (Status != EFI_SUCCESS) {
    return Status;
  }
  auto  Record = std::make_unique<HII_PACKAGE_LIST> ();
  Record->Guid = Guid;
  Record->DriverHandle = DriverHandle;
  HII_PACKAGE_LIST  *New = Record.get ();
  mLists.push_back (std::move (Record));
  *Handle = New;
  AddPackages (New, std::move (Packages), EFI_HII_DATABASE_NOTIFY_NEW_PACK);
  AddDevicePathPackage (New);
  return EFI_SUCCESS;
}

EFI_STATUS
HiiServices::RemovePackageList (EFI_HII_HANDLE Handle)
{
  HII_PACKAGE_LIST  *List = FindList (Handle);

  if (List == nullptr) {
    return EFI_NOT_FOUND;
  }
  while (!List->Packages.empty ()) {
    Notify (List, 0, EFI_HII_DATABASE_NOTIFY_REMOVE_PACK);
    List->Packages.erase (List->Packages.begin ());
  }
  List->Live = false;
  return EFI_SUCCESS;
}

EFI_STATUS
HiiServices::UpdatePackageList (EFI_HII_HANDLE Handle, CONST EFI_HII_PACKAGE_LIST_HEADER *List)
{
  std::vector<HII_PACKAGE>  Packages;
  HII_PACKAGE_LIST          *Record = FindList (Handle);

  if (List == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  if (Record == nullptr) {
    return EFI_NOT_FOUND;
  }
  EFI_STATUS  Status = ParseList (List, &Packages);
  if (Status != EFI_SUCCESS) {
    return Status;
  }
  for (UINTN Index = 0; Index < Record->Packages.size ();) {
    bool  Replaced = false;
    for (const HII_PACKAGE &New : Packages) {
      Replaced = Replaced || SameType (Record->Packages[Index], New);
    }
    if (!Replaced) {
      Index++;
      continue;
    }
    Notify (Record, Index, EFI_HII_DATABASE_NOTIFY_REMOVE_PACK);
    Record->Packages.erase (Record->Packages.begin () + (std::ptrdiff_t)Index);
  }
  AddPackages (Record, std::move (Packages), EFI_HII_DATABASE_NOTIFY_ADD_PACK);
  return EFI_SUCCESS;
}

EFI_STATUS
HiiServices::ListPackageLists (UINT8 PackageType, CONST EFI_GUID *PackageGuid, UINTN *HandleBufferLength,
  EFI_HII_HANDLE *Handles)
{
  std::vector<EFI_HII_HANDLE>  Found;

  if ((HandleBufferLength == nullptr) || ((*HandleBufferLength != 0) && (Handles == nullptr)) ||
      ((PackageType == EFI_HII_PACKAGE_TYPE_GUID) != (PackageGuid != nullptr))) {
    return EFI_INVALID_PARAMETER;
  }
  for (const auto &List : mLists) {
    bool  Match = List->Live && (PackageType == EFI_HII_PACKAGE_TYPE_ALL);
    for (const HII_PACKAGE &Package : List->Packages) {
      const EFI_GUID  *Guid = PackageGuidOf (Package);
      Match = Match || (List->Live && (Package.Type == PackageType) &&
                        ((PackageGuid == nullptr) || ((Guid != nullptr) && GuidEqual (*Guid, *PackageGuid))));
    }
    if (Match) {
      Found.push_back (List.get ());
    }
  }
  if (Found.empty ()) {
    return EFI_NOT_FOUND;
  }
  UINTN  Needed = Found.size () * sizeof (EFI_HII_HANDLE);
  if (*HandleBufferLength < Needed) {
    *HandleBufferLength = Needed;
    return EFI_BUFFER_TOO_SMALL;
  }
  std::memcpy (Handles, Found.data (), Needed);
  *HandleBufferLength = Needed;
  return EFI_SUCCESS;
}

UINTN
HiiServices::ExportSize (const HII_PACKAGE_LIST &List) const
{
  UINTN  Size = sizeof (EFI_HII_PACKAGE_LIST_HEADER) + 4;

  for (const HII_PACKAGE &Package : List.Packages) {
    Size += Package.Bytes.size ();
  }
  return Size;
}

EFI_STATUS
HiiServices::ExportPackageLists (EFI_HII_HANDLE Handle, UINTN *BufferSize, VOID *Buffer)
{
  std::vector<HII_PACKAGE_LIST *>  Lists;
  UINTN                            Needed = 0;

  if ((BufferSize == nullptr) || ((*BufferSize != 0) && (Buffer == nullptr))) {
    return EFI_INVALID_PARAMETER;
  }
  if (Handle != nullptr) {
    if (FindList (Handle) == nullptr) {
      return EFI_NOT_FOUND;
    }
    Lists.push_back (FindList (Handle));
  } else {
    for (const auto &List : mLists) {
      if (List->Live) {
        Lists.push_back (List.get ());
      }
    }
  }
  auto  Measure = [&] {
    Needed = 0;
    for (HII_PACKAGE_LIST *List : Lists) {
      Needed += ExportSize (*List);
    }
    return Needed;
  };
  if (*BufferSize < Measure ()) {
    *BufferSize = Needed;
    return EFI_BUFFER_TOO_SMALL;
  }
  for (HII_PACKAGE_LIST *List : Lists) {
    for (UINTN Index = 0; Index < List->Packages.size (); Index++) {
      Notify (List, Index, EFI_HII_DATABASE_NOTIFY_EXPORT_PACK);
    }
  }
  // A notify function may have added strings or packages meanwhile: measure again
  // so that the copy never runs past the caller's buffer.
  if (*BufferSize < Measure ()) {
    *BufferSize = Needed;
    return EFI_BUFFER_TOO_SMALL;
  }
  UINT8  *Out = (UINT8 *)Buffer;
  for (HII_PACKAGE_LIST *List : Lists) {
    UINT32  Length = (UINT32)ExportSize (*List);
    std::memcpy (Out, &List->Guid, sizeof (EFI_GUID));
    std::memcpy (Out + 16, &Length, 4);
    Out += sizeof (EFI_HII_PACKAGE_LIST_HEADER);
    for (const HII_PACKAGE &Package : List->Packages) {
      std::memcpy (Out, Package.Bytes.data (), Package.Bytes.size ());
      Out += Package.Bytes.size ();
    }
    const UINT8  End[] = { 4, 0, 0, EFI_HII_PACKAGE_END };
    std::memcpy (Out, End, 4);
    Out += 4;
  }
  *BufferSize = Needed;
  return EFI_SUCCESS;
}

EFI_STATUS
HiiServices::RegisterPackageNotify (UINT8 PackageType, CONST EFI_GUID *PackageGuid, EFI_HII_DATABASE_NOTIFY Function,
  EFI_HII_DATABASE_NOTIFY_TYPE NotifyType, EFI_HANDLE *NotifyHandle)
{
  // The notify types are bits: one registration may ask for several of them.
  const EFI_HII_DATABASE_NOTIFY_TYPE  Known = EFI_HII_DATABASE_NOTIFY_NEW_PACK | EFI_HII_DATABASE_NOTIFY_REMOVE_PACK |
                                              EFI_HII_DATABASE_NOTIFY_EXPORT_PACK | EFI_HII_DATABASE_NOTIFY_ADD_PACK;
  bool                                Types = (NotifyType != 0) && ((NotifyType & ~Known) == 0);

  if ((Function == nullptr) || (NotifyHandle == nullptr) || !Types ||
      ((PackageType == EFI_HII_PACKAGE_TYPE_GUID) != (PackageGuid != nullptr))) {
    return EFI_INVALID_PARAMETER;
  }
  auto  Registration = std::make_unique<HII_NOTIFY_REGISTRATION> ();
  Registration->PackageType = PackageType;
  Registration->PackageGuid = (PackageGuid != nullptr) ? *PackageGuid : EFI_GUID{};
  Registration->Function    = Function;
  Registration->NotifyType  = NotifyType;
  Registration->Live        = true;
  *NotifyHandle             = Registration.get ();
  mNotifies.push_back (std::move (Registration));
  return EFI_SUCCESS;
}

EFI_STATUS
HiiServices::UnregisterPackageNotify (EFI_HANDLE NotifyHandle)
{
  for (auto Registration = mNotifies.begin (); Registration != mNotifies.end (); ++Registration) {
    if ((Registration->get () == NotifyHandle) && (*Registration)->Live) {
      (*Registration)->Live = false;
      mRetiredNotifies.push_back (std::move (*Registration));
      mNotifies.erase (Registration);
      return EFI_SUCCESS;
    }
  }
  return EFI_NOT_FOUND;
}

EFI_STATUS
HiiServices::GetPackageListHandle (EFI_HII_HANDLE Handle, EFI_HANDLE *DriverHandle)
{
  if (DriverHandle == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  HII_PACKAGE_LIST  *List = FindList (Handle);
  if (List == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  if (List->DriverHandle == nullptr) {
    return EFI_NOT_FOUND;
  }
  *DriverHandle = List->DriverHandle;
  return EFI_SUCCESS;
}

}  // namespace Emu

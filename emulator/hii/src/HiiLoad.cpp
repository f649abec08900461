/** @file
  Loading an HII export (ExportPackageLists output) into the emulated database, and
  finding the configuration-access driver for a configuration header.
**/
#include <EmulatorHii/HiiServices.h>

#include <Emulator/DevicePathUtil.h>
#include <Emulator/Guid.h>
#include <Protocol/DevicePath.h>
#include <Protocol/HiiConfigAccess.h>
#include <Uefi/UefiIfr.h>

#include <cstring>
#include <fstream>
#include <iterator>

namespace Emu {

namespace {

// A handle that stands for the driver that published a loaded list: it carries the
// list's device path and nothing else.
class PublisherHandle : public Device {
public:
  PublisherHandle (Machine &Owner, const UINT8 *Path, UINTN Size) : mPath (Path, Path + Size)
  {
    if (Owner.Protocols ().Install (&mHandle, &gEfiDevicePathProtocolGuid, mPath.data ()) != EFI_SUCCESS) {
      mHandle = nullptr;
    }
  }
  EFI_HANDLE  Handle () const { return mHandle; }

private:
  std::vector<UINT8>  mPath;
  EFI_HANDLE          mHandle = nullptr;
};

// Name of a buffer or EFI varstore opcode against a header's NAME.
bool
AsciiNameEqual (const UINT8 *Name, const UINT8 *End, const std::u16string &Wanted)
{
  UINTN  Index = 0;

  for (; (Name + Index < End) && (Name[Index] != 0); Index++) {
    if ((Index >= Wanted.size ()) || (Wanted[Index] != Name[Index])) {
      return false;
    }
  }
  return (Name + Index < End) && (Index == Wanted.size ());
}

// Name/value stores carry no name; their GUID sits where an EFI store's does.
static_assert (offsetof (EFI_IFR_VARSTORE_NAME_VALUE, Guid) == offsetof (EFI_IFR_VARSTORE_EFI, Guid), "store GUID");

bool
FormsDeclareStore (const std::vector<UINT8> &Package, CONST EFI_GUID &Guid, const std::u16string &Name,
  bool *HasStores)
{
  const UINT8  *At  = Package.data () + 4;
  const UINT8  *End = Package.data () + Package.size ();

  while (End - At >= 2) {
    UINTN  Length = At[1] & 0x7F;
    if ((Length < 2) || (Length > (UINTN)(End - At))) {
      return false;  // malformed forms declare nothing further
    }
    UINT8  Op      = At[0];
    bool   Buffer  = (Op == EFI_IFR_VARSTORE_OP);
    UINTN  GuidAt  = Buffer ? offsetof (EFI_IFR_VARSTORE, Guid) : offsetof (EFI_IFR_VARSTORE_EFI, Guid);
    UINTN  NameAt  = Buffer ? offsetof (EFI_IFR_VARSTORE, Name) : offsetof (EFI_IFR_VARSTORE_EFI, Name);
    bool   IsStore = Buffer || (Op == EFI_IFR_VARSTORE_NAME_VALUE_OP) || (Op == EFI_IFR_VARSTORE_EFI_OP);
    if (IsStore && (Length >= GuidAt + sizeof (EFI_GUID))) {
      *HasStores = true;
      bool  Match = std::memcmp (At + GuidAt, &Guid, sizeof (EFI_GUID)) == 0;
      if (Match && ((Op == EFI_IFR_VARSTORE_NAME_VALUE_OP) ||
                    ((Length > NameAt) && AsciiNameEqual (At + NameAt, At + Length, Name)))) {
        return true;
      }
    }
    At += Length;
  }
  return false;
}

}  // namespace

EFI_STATUS
HiiServices::LoadExport (CONST UINT8 *Bytes, UINTN Size, bool WithDrivers, std::vector<EFI_HII_HANDLE> *Handles)
{
  UINTN  At = 0;

  if ((Bytes == nullptr) && (Size != 0)) {
    return EFI_INVALID_PARAMETER;
  }
  while (At < Size) {
    UINT32  Length;
    if (Size - At < sizeof (EFI_HII_PACKAGE_LIST_HEADER)) {
      return EFI_INVALID_PARAMETER;
    }
    std::memcpy (&Length, Bytes + At + 16, 4);
    if ((Length < sizeof (EFI_HII_PACKAGE_LIST_HEADER) + 4) || (Length > Size - At)) {
      return EFI_INVALID_PARAMETER;
    }
    // Each list is copied out so that its length is all the parser may read.
    std::vector<UINT8>        Copy (Bytes + At, Bytes + At + Length);
    std::vector<HII_PACKAGE>  Packages;
    EFI_STATUS                Status = ParseList ((const EFI_HII_PACKAGE_LIST_HEADER *)Copy.data (), &Packages);
    if (Status != EFI_SUCCESS) {
      return Status;
    }
    EFI_HANDLE  Driver = nullptr;
    for (const HII_PACKAGE &Package : Packages) {
      // The path is walked within its package: it may lack an end node.
      if (WithDrivers && (Package.Type == EFI_HII_PACKAGE_DEVICE_PATH) && (Driver == nullptr) &&
          (DevicePathBodySize ((const EFI_DEVICE_PATH_PROTOCOL *)(Package.Bytes.data () + 4),
             Package.Bytes.size () - 4) != SIZE_MAX)) {
        auto  &Publisher = mMachine.Add (std::make_unique<PublisherHandle> (mMachine, Package.Bytes.data () + 4,
                             Package.Bytes.size () - 4));
        Driver = Publisher.Handle ();
      }
    }
    EFI_HII_HANDLE  Handle;
    Status = NewPackageList ((const EFI_HII_PACKAGE_LIST_HEADER *)Copy.data (), Driver, &Handle);
    if (Status != EFI_SUCCESS) {
      return Status;
    }
    if (Handles != nullptr) {
      Handles->push_back (Handle);
    }
    At += Length;
  }
  return EFI_SUCCESS;
}

EFI_STATUS
HiiServices::LoadExportFile (const std::string &Path, bool WithDrivers, std::vector<EFI_HII_HANDLE> *Handles)
{
  std::ifstream  File (Path, std::ios::binary);

  if (!File) {
    return EFI_NOT_FOUND;
  }
  std::vector<UINT8>  Bytes ((std::istreambuf_iterator<char> (File)), std::istreambuf_iterator<char> ());
  return LoadExport (Bytes.data (), Bytes.size (), WithDrivers, Handles);
}

bool
HiiServices::DriverDeclaresStore (EFI_HANDLE Driver, CONST EFI_GUID &Guid, const std::u16string &Name,
  bool *HasStores) const
{
  *HasStores = false;
  for (const auto &List : mLists) {
    if (!List->Live || (List->DriverHandle != Driver)) {
      continue;
    }
    for (const HII_PACKAGE &Package : List->Packages) {
      if ((Package.Type == EFI_HII_PACKAGE_FORMS) && FormsDeclareStore (Package.Bytes, Guid, Name, HasStores)) {
        return true;
      }
    }
  }
  return false;
}

// PATH names the driver; when that driver's forms declare stores, GUID and NAME
// must name one of them, as a firmware router checks before it calls the driver.
EFI_HII_CONFIG_ACCESS_PROTOCOL *
HiiServices::FindConfigAccess (const std::vector<UINT8> &Path, CONST EFI_GUID &Guid, const std::u16string &Name)
{
  for (const auto &List : mLists) {
    VOID  *DevicePath = nullptr;
    VOID  *Access     = nullptr;
    bool  HasStores;
    if (!List->Live || (List->DriverHandle == nullptr) ||
        (mMachine.Protocols ().HandleProtocol (List->DriverHandle, &gEfiDevicePathProtocolGuid, &DevicePath) != EFI_SUCCESS)) {
      continue;
    }
    UINTN  Body = DevicePathBodySize ((const EFI_DEVICE_PATH_PROTOCOL *)DevicePath);
    bool   Same = (Body != SIZE_MAX) && ((Path.size () == Body) || (Path.size () == Body + 4)) &&
                  (Path.empty () || (std::memcmp (Path.data (), DevicePath, Path.size ()) == 0));
    if (!Same || (mMachine.Protocols ().HandleProtocol (List->DriverHandle, &gEfiHiiConfigAccessProtocolGuid, &Access) != EFI_SUCCESS)) {
      continue;
    }
    if (DriverDeclaresStore (List->DriverHandle, Guid, Name, &HasStores) || !HasStores) {
      return (EFI_HII_CONFIG_ACCESS_PROTOCOL *)Access;
    }
  }
  return nullptr;
}

}  // namespace Emu

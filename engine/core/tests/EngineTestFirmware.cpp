#include "EngineTestFirmware.h"

#include <engine/core/EngineGlobals.h>
#include <Library/PlatformLib.h>
#include <Protocol/DevicePath.h>

#include <cstring>

EngineTestFirmware  *EngineTestFirmware::Current = nullptr;

EngineTestFirmware::EngineTestFirmware ()
{
  Current                             = this;
  BootServices.AllocatePool           = AllocatePool;
  BootServices.FreePool               = FreePool;
  BootServices.HandleProtocol         = HandleProtocol;
  BootServices.LocateProtocol         = LocateProtocol;
  RuntimeServices.GetVariable         = GetVariable;
  RuntimeServices.SetVariable         = SetVariable;
  SystemTable.BootServices            = &BootServices;
  SystemTable.RuntimeServices         = &RuntimeServices;
  mVolume.ReadSection                 = ReadSection;
  FileName = { 0x1B2C3D4E, 0x5F60, 0x4172, { 0x83, 0x94, 0xA5, 0xB6, 0xC7, 0xD8, 0xE9, 0xFA } };

  // Firmware-file node with the file's name, then the end node. The path is laid out in one
  // block of its final size: GCC 12 at -O2 and above takes a ranged insert behind the node
  // just written for a write out of bounds.
  static const UINT8  FileNode[4] = { MEDIA_DEVICE_PATH, MEDIA_PIWG_FW_FILE_DP, 20, 0 };
  static const UINT8  EndNode[4]  = { 0x7F, 0xFF, 4, 0 };
  mFilePath.assign (24, 0);
  std::memcpy (&mFilePath[0], FileNode, sizeof (FileNode));
  std::memcpy (&mFilePath[4], &FileName, sizeof (FileName));
  std::memcpy (&mFilePath[20], EndNode, sizeof (EndNode));
  mLoadedImage.DeviceHandle = &mDeviceHandle;
  mLoadedImage.FilePath     = (EFI_DEVICE_PATH_PROTOCOL *)mFilePath.data ();
  Attach ();
}

EngineTestFirmware::~EngineTestFirmware ()
{
  gBS = nullptr;
  gRT = nullptr;
  gST = nullptr;
  gLibBS = nullptr;
  gLibRT = nullptr;
  gLibST = nullptr;
  Current = nullptr;
}

void
EngineTestFirmware::Attach ()
{
  gST = &SystemTable;
  gBS = &BootServices;
  gRT = &RuntimeServices;
  PlatformLibConstructor (ImageHandle (), &SystemTable);
}

void
EngineTestFirmware::UsePlainFilePath ()
{
  mFilePath[0] = MEDIA_DEVICE_PATH;
  mFilePath[1] = MEDIA_FILEPATH_DP;
}

EngineTestFirmware::KEY
EngineTestFirmware::Key (const std::u16string &Name, const EFI_GUID &Guid)
{
  return { Name, std::string ((const char *)&Guid, sizeof (Guid)) };
}

void
EngineTestFirmware::PutVariable (const std::u16string &Name, const EFI_GUID &Guid, const BYTES &Data, UINT32 Attributes)
{
  Variables[Key (Name, Guid)] = { Attributes, Data };
}

const BYTES *
EngineTestFirmware::FindVariable (const std::u16string &Name, const EFI_GUID &Guid) const
{
  auto  It = Variables.find (Key (Name, Guid));

  return It == Variables.end () ? nullptr : &It->second.Data;
}

EFI_STATUS EFIAPI
EngineTestFirmware::AllocatePool (EFI_MEMORY_TYPE, UINTN Size, VOID **Buffer)
{
  return Current->Allocate (Size, Buffer);
}

EFI_STATUS EFIAPI
EngineTestFirmware::FreePool (VOID *Buffer)
{
  return Current->Free (Buffer);
}

EFI_STATUS EFIAPI
EngineTestFirmware::HandleProtocol (EFI_HANDLE Handle, EFI_GUID *Guid, VOID **Interface)
{
  if ((Handle == &Current->mImageHandle) && std::memcmp (Guid, &gEfiLoadedImageProtocolGuid, sizeof (EFI_GUID)) == 0) {
    *Interface = &Current->mLoadedImage;
    return EFI_SUCCESS;
  }

  if (Current->mVolumeInstalled && (Handle == &Current->mDeviceHandle) &&
      std::memcmp (Guid, &gEfiFirmwareVolume2ProtocolGuid, sizeof (EFI_GUID)) == 0)
  {
    *Interface = &Current->mVolume;
    return EFI_SUCCESS;
  }

  auto  Path = Current->DevicePaths.find (Handle);
  if ((Path != Current->DevicePaths.end ()) && std::memcmp (Guid, &gEfiDevicePathProtocolGuid, sizeof (EFI_GUID)) == 0) {
    *Interface = Path->second.data ();
    return EFI_SUCCESS;
  }

  return EFI_UNSUPPORTED;
}

EFI_STATUS EFIAPI
EngineTestFirmware::LocateProtocol (EFI_GUID *Guid, VOID *Registration, VOID **Interface)
{
  (void)Registration;
  auto  Found = Current->Protocols.find (std::string ((const char *)Guid, sizeof (EFI_GUID)));

  if (Found == Current->Protocols.end ()) {
    *Interface = nullptr;
    return EFI_NOT_FOUND;
  }

  *Interface = Found->second;
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI
EngineTestFirmware::ReadSection (CONST EFI_FIRMWARE_VOLUME2_PROTOCOL *, CONST EFI_GUID *Name, EFI_SECTION_TYPE Type,
  UINTN Instance, VOID **Buffer, UINTN *Size, UINT32 *Auth)
{
  if ((std::memcmp (Name, &Current->FileName, sizeof (EFI_GUID)) != 0) || (Type != 0x18) ||
      (Instance >= Current->FreeformSections.size ()))
  {
    return EFI_NOT_FOUND;
  }

  const BYTES  &Body = Current->FreeformSections[Instance];

  AllocatePool (EfiBootServicesData, Body.size (), Buffer);
  std::memcpy (*Buffer, Body.data (), Body.size ());
  *Size = Body.size ();
  *Auth = 0;
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI
EngineTestFirmware::GetVariable (CHAR16 *Name, EFI_GUID *Guid, UINT32 *Attributes, UINTN *Size, VOID *Data)
{
  auto  It = Current->Variables.find (Key (Name, *Guid));

  if (It == Current->Variables.end ()) {
    return EFI_NOT_FOUND;
  }

  EFI_STATUS  Status = CopyVariableOut (It->second.Data, Size, Data);

  if (!EFI_ERROR (Status) && (Attributes != nullptr)) {
    *Attributes = It->second.Attributes;
  }

  return Status;
}

EFI_STATUS EFIAPI
EngineTestFirmware::SetVariable (CHAR16 *Name, EFI_GUID *Guid, UINT32 Attributes, UINTN Size, VOID *Data)
{
  BYTES  Bytes ((const uint8_t *)Data, (const uint8_t *)Data + Size);

  Current->Writes.push_back ({ Name, *Guid, Attributes, Bytes });
  if (EFI_ERROR (Current->SetVariableStatus)) {
    return Current->SetVariableStatus;
  }

  if ((Size == 0) || (Attributes == 0)) {
    Current->Variables.erase (Key (Name, *Guid));
    return EFI_SUCCESS;
  }

  Current->Variables[Key (Name, *Guid)] = { Attributes, Bytes };
  return EFI_SUCCESS;
}

/** @file
  A driver-health driver for tests: scripted controller statuses behind the
  driver-health and component name interfaces.
**/
#include <Emulator/HealthDriver.h>

#include <cstring>

#include "DeviceRecord.h"

namespace Emu {

constexpr UINT64  kHealthSignature = SIGNATURE_64 ('E', 'M', 'U', 'H', 'E', 'A', 'L', 'T');

static const EFI_GUID  kDriverHealthGuid  = EFI_DRIVER_HEALTH_PROTOCOL_GUID;
static const EFI_GUID  kComponentNameGuid = EFI_COMPONENT_NAME2_PROTOCOL_GUID;
static const EFI_GUID  kDevicePathGuid    = { 0x09576E91, 0x6D3F, 0x11D2, { 0x8E, 0x39, 0x00, 0xA0, 0xC9, 0x69, 0x72, 0x3B } };
// What a managed controller carries, so it is a handle of its own.
static const EFI_GUID  kControllerTagGuid = { 0x2F1D6C04, 0x5B3A, 0x4C8E, { 0x9A, 0x17, 0x60, 0x3E, 0x21, 0xB4, 0xC8, 0x5D } };
static CHAR8           kLanguages[]       = "en-US;fr-FR";

struct HEALTH_DRIVER_PRIVATE {
  EFI_DRIVER_HEALTH_PROTOCOL    Protocol;  // first, so This is the record
  UINT64                        Signature;
  HealthDriver                  *Owner;
  EFI_COMPONENT_NAME2_PROTOCOL  Name;
};

static HealthDriver *
HealthFromThis (EFI_DRIVER_HEALTH_PROTOCOL *This)
{
  return OwnerOf<HEALTH_DRIVER_PRIVATE> (This, kHealthSignature);
}

static HealthDriver *
HealthFromName (EFI_COMPONENT_NAME2_PROTOCOL *This)
{
  if (This == nullptr) {
    return nullptr;
  }
  auto  *Private = reinterpret_cast<HEALTH_DRIVER_PRIVATE *>(reinterpret_cast<UINT8 *>(This) - offsetof (HEALTH_DRIVER_PRIVATE, Name));
  return (Private->Signature == kHealthSignature) ? Private->Owner : nullptr;
}

static EFI_STATUS EFIAPI
EmuGetHealthStatus (EFI_DRIVER_HEALTH_PROTOCOL *This, EFI_HANDLE Controller, EFI_HANDLE Child,
  EFI_DRIVER_HEALTH_STATUS *Status, EFI_DRIVER_HEALTH_HII_MESSAGE **Messages, EFI_HII_HANDLE *Form)
{
  HealthDriver  *Self = HealthFromThis (This);
  return (Self == nullptr) ? EFI_INVALID_PARAMETER : Self->GetHealthStatus (Controller, Child, Status, Messages, Form);
}

static EFI_STATUS EFIAPI
EmuRepair (EFI_DRIVER_HEALTH_PROTOCOL *This, EFI_HANDLE Controller, EFI_HANDLE Child, EFI_DRIVER_HEALTH_REPAIR_NOTIFY Notify)
{
  HealthDriver  *Self = HealthFromThis (This);
  (VOID)Notify;
  return (Self == nullptr) ? EFI_INVALID_PARAMETER : Self->Repair (Controller, Child);
}

static EFI_STATUS EFIAPI
EmuGetDriverName (EFI_COMPONENT_NAME2_PROTOCOL *This, CHAR8 *Language, CHAR16 **Name)
{
  HealthDriver  *Self = HealthFromName (This);
  if ((Self == nullptr) || (Language == nullptr) || (Name == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }
  if (std::strcmp (Language, "en-US") != 0) {
    return EFI_UNSUPPORTED;
  }
  *Name = const_cast<CHAR16 *>(Self->DriverName ());
  return EFI_SUCCESS;
}

static EFI_STATUS EFIAPI
EmuGetControllerName (EFI_COMPONENT_NAME2_PROTOCOL *This, EFI_HANDLE Controller, EFI_HANDLE Child, CHAR8 *Language,
  CHAR16 **Name)
{
  HealthDriver  *Self = HealthFromName (This);
  if ((Self == nullptr) || (Language == nullptr) || (Name == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }
  return (std::strcmp (Language, "en-US") != 0) ? EFI_UNSUPPORTED : Self->ControllerName (Controller, Child, Name);
}

HealthDriver::HealthDriver (Machine &Owner, std::optional<std::u16string> Name, std::vector<UINT8> Path)
  : mMachine (Owner), mPrivate (std::make_unique<HEALTH_DRIVER_PRIVATE>()), mName (std::move (Name)), mPath (std::move (Path))
{
  mPrivate->Protocol  = EFI_DRIVER_HEALTH_PROTOCOL { EmuGetHealthStatus, EmuRepair };
  mPrivate->Signature = kHealthSignature;
  mPrivate->Owner     = this;
  mPrivate->Name      = EFI_COMPONENT_NAME2_PROTOCOL { EmuGetDriverName, EmuGetControllerName, kLanguages };
  RequireInstalled (Owner.Protocols ().Install (&mHandle, &kDriverHealthGuid, &mPrivate->Protocol), "driver health");
  if (mName) {
    RequireInstalled (Owner.Protocols ().Install (&mHandle, &kComponentNameGuid, &mPrivate->Name), "component name");
  }
  if (!mPath.empty ()) {
    RequireInstalled (Owner.Protocols ().Install (&mHandle, &kDevicePathGuid, mPath.data ()), "driver device path");
  }
}

HealthDriver::~HealthDriver ()
{
  mPrivate->Signature = 0;
}

EFI_DRIVER_HEALTH_PROTOCOL *
HealthDriver::Protocol ()
{
  return &mPrivate->Protocol;
}

void
HealthDriver::OpenBy (EFI_HANDLE Agent, EFI_HANDLE Controller)
{
  VOID  *Interface = nullptr;
  RequireInstalled (mMachine.Protocols ().Open (mHandle, &kDriverHealthGuid, &Interface, Agent, Controller,
                                                EFI_OPEN_PROTOCOL_BY_CHILD_CONTROLLER),
                    "driver health opened by its controller");
}

EFI_HANDLE
HealthDriver::AddController (const HEALTH_STATE &State)
{
  EFI_HANDLE  Controller = nullptr;

  mControllerTags.push_back (std::make_unique<UINT8>(0));
  RequireInstalled (mMachine.Protocols ().Install (&Controller, &kControllerTagGuid, mControllerTags.back ().get ()),
                    "controller");
  mStates[{ Controller, nullptr }] = State;
  OpenBy (mHandle, Controller);
  return Controller;
}

EFI_HANDLE
HealthDriver::AddChild (EFI_HANDLE Controller, const HEALTH_STATE &State)
{
  EFI_HANDLE  Child = nullptr;

  mControllerTags.push_back (std::make_unique<UINT8>(0));
  RequireInstalled (mMachine.Protocols ().Install (&Child, &kControllerTagGuid, mControllerTags.back ().get ()),
                    "child controller");
  mStates[{ Controller, Child }] = State;
  OpenBy (mHandle, Child);
  return Child;
}

EFI_STATUS
HealthDriver::GetHealthStatus (EFI_HANDLE Controller, EFI_HANDLE Child, EFI_DRIVER_HEALTH_STATUS *Status,
  EFI_DRIVER_HEALTH_HII_MESSAGE **Messages, EFI_HII_HANDLE *Form)
{
  if (Status == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  if (Messages != nullptr) {
    *Messages = nullptr;
  }
  if (Form != nullptr) {
    *Form = nullptr;
  }
  if (Controller == nullptr) {
    EFI_DRIVER_HEALTH_STATUS  Worst = EfiDriverHealthStatusHealthy;
    for (const auto &[Key, State] : mStates) {
      Worst = (State.Status > Worst) ? State.Status : Worst;
    }
    *Status = mOverall.value_or (Worst);
    return EFI_SUCCESS;
  }
  auto  Found = mStates.find ({ Controller, Child });
  if (Found == mStates.end ()) {
    return EFI_UNSUPPORTED;
  }
  *Status = Found->second.Status;
  if (Form != nullptr) {
    *Form = Found->second.Form;
  }
  if ((Messages != nullptr) && !Found->second.Messages.empty ()) {
    // A pool array the caller frees, ended by a null handle.
    UINTN  Size = (Found->second.Messages.size () + 1) * sizeof (EFI_DRIVER_HEALTH_HII_MESSAGE);
    VOID   *List = nullptr;
    if (mMachine.Memory ().Allocate (EfiBootServicesData, Size, &List) == EFI_SUCCESS) {
      auto  *Entries = static_cast<EFI_DRIVER_HEALTH_HII_MESSAGE *>(List);
      std::memset (Entries, 0, Size);
      for (size_t Index = 0; Index < Found->second.Messages.size (); Index++) {
        Entries[Index] = { Found->second.Messages[Index].first, Found->second.Messages[Index].second, Index };
      }
      *Messages = Entries;
    }
  }
  return EFI_SUCCESS;
}

EFI_STATUS
HealthDriver::Repair (EFI_HANDLE Controller, EFI_HANDLE Child)
{
  auto  Found = mStates.find ({ Controller, Child });

  mRepairs.push_back ({ Controller, Child });
  if (Found == mStates.end ()) {
    return EFI_UNSUPPORTED;
  }
  if (Found->second.RepairStatus == EFI_SUCCESS) {
    Found->second.Status = Found->second.AfterRepair;
  }
  return Found->second.RepairStatus;
}

EFI_STATUS
HealthDriver::ControllerName (EFI_HANDLE Controller, EFI_HANDLE Child, CHAR16 **Name)
{
  auto  Found = mStates.find ({ Controller, Child });

  if ((Found == mStates.end ()) || Found->second.Name.empty ()) {
    return EFI_UNSUPPORTED;
  }
  *Name = const_cast<CHAR16 *>(Found->second.Name.c_str ());
  return EFI_SUCCESS;
}

}  // namespace Emu

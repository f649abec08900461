/** @file
  The Database and String protocol functions, and the installation of the four
  HII protocols on one handle.
**/
#include <EmulatorHii/HiiServices.h>

#include "Guard.h"
#include "HiiInternal.h"

#include <cstring>
#include <stdexcept>

namespace Emu {

namespace {

EFI_STATUS EFIAPI
DbNewPackageList (CONST EFI_HII_DATABASE_PROTOCOL *This, CONST EFI_HII_PACKAGE_LIST_HEADER *List, EFI_HANDLE Driver,
  EFI_HII_HANDLE *Handle)
{
  return Guarded ([&] { return OwnerOf<HiiServices> (This)->NewPackageList (List, Driver, Handle); });
}

EFI_STATUS EFIAPI
DbRemovePackageList (CONST EFI_HII_DATABASE_PROTOCOL *This, EFI_HII_HANDLE Handle)
{
  return Guarded ([&] { return OwnerOf<HiiServices> (This)->RemovePackageList (Handle); });
}

EFI_STATUS EFIAPI
DbUpdatePackageList (CONST EFI_HII_DATABASE_PROTOCOL *This, EFI_HII_HANDLE Handle, CONST EFI_HII_PACKAGE_LIST_HEADER *List)
{
  return Guarded ([&] { return OwnerOf<HiiServices> (This)->UpdatePackageList (Handle, List); });
}

EFI_STATUS EFIAPI
DbListPackageLists (CONST EFI_HII_DATABASE_PROTOCOL *This, UINT8 Type, CONST EFI_GUID *Guid, UINTN *Length,
  EFI_HII_HANDLE *Handles)
{
  return Guarded ([&] { return OwnerOf<HiiServices> (This)->ListPackageLists (Type, Guid, Length, Handles); });
}

EFI_STATUS EFIAPI
DbExportPackageLists (CONST EFI_HII_DATABASE_PROTOCOL *This, EFI_HII_HANDLE Handle, UINTN *Size,
  EFI_HII_PACKAGE_LIST_HEADER *Buffer)
{
  return Guarded ([&] { return OwnerOf<HiiServices> (This)->ExportPackageLists (Handle, Size, Buffer); });
}

EFI_STATUS EFIAPI
DbRegisterPackageNotify (CONST EFI_HII_DATABASE_PROTOCOL *This, UINT8 Type, CONST EFI_GUID *Guid,
  CONST EFI_HII_DATABASE_NOTIFY Function, EFI_HII_DATABASE_NOTIFY_TYPE NotifyType, EFI_HANDLE *NotifyHandle)
{
  return Guarded ([&] {
    return OwnerOf<HiiServices> (This)->RegisterPackageNotify (Type, Guid, Function, NotifyType, NotifyHandle);
  });
}

EFI_STATUS EFIAPI
DbUnregisterPackageNotify (CONST EFI_HII_DATABASE_PROTOCOL *This, EFI_HANDLE NotifyHandle)
{
  return Guarded ([&] { return OwnerOf<HiiServices> (This)->UnregisterPackageNotify (NotifyHandle); });
}

// No keyboard layouts are published in the emulated machine.
EFI_STATUS EFIAPI
DbFindKeyboardLayouts (CONST EFI_HII_DATABASE_PROTOCOL *, UINT16 *Length, EFI_GUID *)
{
  return (Length == nullptr) ? EFI_INVALID_PARAMETER : EFI_NOT_FOUND;
}

EFI_STATUS EFIAPI
DbGetKeyboardLayout (CONST EFI_HII_DATABASE_PROTOCOL *, CONST EFI_GUID *, UINT16 *Length, EFI_HII_KEYBOARD_LAYOUT *)
{
  return (Length == nullptr) ? EFI_INVALID_PARAMETER : EFI_NOT_FOUND;
}

EFI_STATUS EFIAPI
DbSetKeyboardLayout (CONST EFI_HII_DATABASE_PROTOCOL *, CONST EFI_GUID *Guid)
{
  return (Guid == nullptr) ? EFI_INVALID_PARAMETER : EFI_NOT_FOUND;
}

EFI_STATUS EFIAPI
DbGetPackageListHandle (CONST EFI_HII_DATABASE_PROTOCOL *This, EFI_HII_HANDLE Handle, EFI_HANDLE *Driver)
{
  return Guarded ([&] { return OwnerOf<HiiServices> (This)->GetPackageListHandle (Handle, Driver); });
}

EFI_STATUS EFIAPI
StrNewString (CONST EFI_HII_STRING_PROTOCOL *This, EFI_HII_HANDLE Handle, EFI_STRING_ID *Id, CONST CHAR8 *Language,
  CONST CHAR16 *LanguageName, CONST EFI_STRING String, CONST EFI_FONT_INFO *)
{
  return Guarded ([&] { return OwnerOf<HiiServices> (This)->NewString (Handle, Id, Language, LanguageName, String); });
}

EFI_STATUS EFIAPI
StrGetString (CONST EFI_HII_STRING_PROTOCOL *This, CONST CHAR8 *Language, EFI_HII_HANDLE Handle, EFI_STRING_ID Id,
  EFI_STRING String, UINTN *Size, EFI_FONT_INFO **FontInfo)
{
  return Guarded ([&] {
    if (FontInfo != nullptr) {
      *FontInfo = nullptr;  // strings carry no font of their own here
    }
    return OwnerOf<HiiServices> (This)->GetString (Language, Handle, Id, String, Size);
  });
}

EFI_STATUS EFIAPI
StrSetString (CONST EFI_HII_STRING_PROTOCOL *This, EFI_HII_HANDLE Handle, EFI_STRING_ID Id, CONST CHAR8 *Language,
  CONST EFI_STRING String, CONST EFI_FONT_INFO *)
{
  return Guarded ([&] { return OwnerOf<HiiServices> (This)->SetString (Handle, Id, Language, String); });
}

EFI_STATUS EFIAPI
StrGetLanguages (CONST EFI_HII_STRING_PROTOCOL *This, EFI_HII_HANDLE Handle, CHAR8 *Languages, UINTN *Size)
{
  return Guarded ([&] { return OwnerOf<HiiServices> (This)->GetLanguages (Handle, Languages, Size); });
}

// A string package names its secondary languages after its primary one in its
// language field: "en-US;en-GB".
EFI_STATUS
SecondaryLanguages (const HiiServices &Hii, EFI_HII_HANDLE Handle, CONST CHAR8 *Primary, CHAR8 *Out, UINTN *Size)
{
  if ((Primary == nullptr) || (Size == nullptr) || ((Out == nullptr) && (*Size != 0)) || (strnlen (Primary, 256) == 256)) {
    return EFI_INVALID_PARAMETER;
  }
  const HII_PACKAGE_LIST  *List = Hii.Find (Handle);
  if (List == nullptr) {
    return EFI_NOT_FOUND;
  }
  for (const HII_PACKAGE &Package : List->Packages) {
    const std::string  *Field = (Package.Strings != nullptr) ? &Package.Strings->Language : nullptr;
    if ((Field == nullptr) || !LanguageEqual (PrimaryLanguage (*Field), Primary)) {
      continue;
    }
    size_t       Split = Field->find (';');
    std::string  Rest  = (Split == std::string::npos) ? std::string () : Field->substr (Split + 1);
    if (*Size < Rest.size () + 1) {
      *Size = Rest.size () + 1;
      return EFI_BUFFER_TOO_SMALL;
    }
    std::memcpy (Out, Rest.c_str (), Rest.size () + 1);
    *Size = Rest.size () + 1;
    return EFI_SUCCESS;
  }
  return EFI_INVALID_LANGUAGE;
}

EFI_STATUS EFIAPI
StrGetSecondaryLanguages (CONST EFI_HII_STRING_PROTOCOL *This, EFI_HII_HANDLE Handle, CONST CHAR8 *Primary,
  CHAR8 *Secondary, UINTN *Size)
{
  return Guarded ([&] { return SecondaryLanguages (*OwnerOf<HiiServices> (This), Handle, Primary, Secondary, Size); });
}

}  // namespace

void
FillDatabaseProtocol (EFI_HII_DATABASE_PROTOCOL *Protocol)
{
  Protocol->NewPackageList          = DbNewPackageList;
  Protocol->RemovePackageList       = DbRemovePackageList;
  Protocol->UpdatePackageList       = DbUpdatePackageList;
  Protocol->ListPackageLists        = DbListPackageLists;
  Protocol->ExportPackageLists      = DbExportPackageLists;
  Protocol->RegisterPackageNotify   = DbRegisterPackageNotify;
  Protocol->UnregisterPackageNotify = DbUnregisterPackageNotify;
  Protocol->FindKeyboardLayouts     = DbFindKeyboardLayouts;
  Protocol->GetKeyboardLayout       = DbGetKeyboardLayout;
  Protocol->SetKeyboardLayout       = DbSetKeyboardLayout;
  Protocol->GetPackageListHandle    = DbGetPackageListHandle;
}

void
FillStringProtocol (EFI_HII_STRING_PROTOCOL *Protocol)
{
  Protocol->NewString             = StrNewString;
  Protocol->GetString             = StrGetString;
  Protocol->SetString             = StrSetString;
  Protocol->GetLanguages          = StrGetLanguages;
  Protocol->GetSecondaryLanguages = StrGetSecondaryLanguages;
}

HiiServices::HiiServices (Machine &Owner) : mMachine (Owner), mProtocols (std::make_unique<HII_PROTOCOLS> ())
{
  FillDatabaseProtocol (&mProtocols->Database.Protocol);
  FillStringProtocol (&mProtocols->String.Protocol);
  FillFontProtocol (&mProtocols->Font.Protocol);
  FillRoutingProtocol (&mProtocols->Routing.Protocol);
  mProtocols->Database.Owner = this;
  mProtocols->String.Owner   = this;
  mProtocols->Font.Owner     = this;
  mProtocols->Routing.Owner  = this;
  EFI_STATUS  Status = mMachine.Protocols ().InstallMultiple (&mHandle, {
    { &gEfiHiiDatabaseProtocolGuid, &mProtocols->Database.Protocol },
    { &gEfiHiiStringProtocolGuid, &mProtocols->String.Protocol },
    { &gEfiHiiFontProtocolGuid, &mProtocols->Font.Protocol },
    { &gEfiHiiConfigRoutingProtocolGuid, &mProtocols->Routing.Protocol },
  });
  if (Status != EFI_SUCCESS) {
    throw std::runtime_error ("HII services could not be installed");
  }
}

// The protocols stay installed: the machine tears its devices down before its
// protocol database, and nothing runs in between.
HiiServices::~HiiServices () = default;

VOID *
HiiServices::Protocol (const EFI_GUID &Guid) const
{
  return mMachine.Protocols ().Find (mHandle, Guid);
}

}  // namespace Emu

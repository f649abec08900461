/** @file
  Fake configuration-access driver: default answers from byte stores, scripts,
  callback rules and the call record.
**/
#include <EmulatorHii/ConfigString.h>
#include <EmulatorHii/FakeDriver.h>

#include <Emulator/DevicePathUtil.h>
#include <Emulator/Guid.h>
#include <Protocol/DevicePath.h>

#include "Guard.h"
#include "HiiProtocolLayout.h"

#include <cstring>
#include <stdexcept>

namespace Emu {

namespace {

const EFI_GUID  kDevicePathGuid   = EFI_DEVICE_PATH_PROTOCOL_GUID;
const EFI_GUID  kConfigAccessGuid = EMU_HII_CONFIG_ACCESS_GUID;

bool
CopyText (CONST CHAR16 *Text, std::u16string *Out)
{
  Out->clear ();
  for (UINTN Index = 0; Index < 0x100000; Index++) {
    if (Text[Index] == 0) {
      return true;
    }
    Out->push_back (Text[Index]);
  }
  return false;
}

}  // namespace

struct FakeDriver::ACCESS {
  EMU_HII_CONFIG_ACCESS_PROTOCOL  Protocol;
  FakeDriver                      *Owner;
};

namespace {

FakeDriver *
DriverOf (CONST EMU_HII_CONFIG_ACCESS_PROTOCOL *This)
{
  struct WRAPPER { EMU_HII_CONFIG_ACCESS_PROTOCOL Protocol; FakeDriver *Owner; };
  return ((const WRAPPER *)This)->Owner;
}

EFI_STATUS EFIAPI
AccessExtractConfig (CONST EMU_HII_CONFIG_ACCESS_PROTOCOL *This, CONST CHAR16 *Request, CHAR16 **Progress,
  CHAR16 **Results)
{
  return Guarded ([&] { return DriverOf (This)->Extract (Request, Progress, Results); });
}

EFI_STATUS EFIAPI
AccessRouteConfig (CONST EMU_HII_CONFIG_ACCESS_PROTOCOL *This, CONST CHAR16 *Configuration, CHAR16 **Progress)
{
  return Guarded ([&] { return DriverOf (This)->Route (Configuration, Progress); });
}

EFI_STATUS EFIAPI
AccessCallback (CONST EMU_HII_CONFIG_ACCESS_PROTOCOL *This, UINTN Action, EFI_QUESTION_ID QuestionId, UINT8 Type,
  EFI_IFR_TYPE_VALUE *Value, UINTN *ActionRequest)
{
  return Guarded ([&] { return DriverOf (This)->Callback (Action, QuestionId, Type, Value, ActionRequest); });
}

}  // namespace

FakeDriver::FakeDriver (Machine &Owner, std::vector<UINT8> DevicePath)
  : mMachine (Owner), mDevicePath (std::move (DevicePath)), mAccess (std::make_unique<ACCESS> ())
{
  if (DevicePathBodySize ((const EFI_DEVICE_PATH_PROTOCOL *)mDevicePath.data ()) == SIZE_MAX) {
    throw std::invalid_argument ("fake driver device path is malformed");
  }
  mAccess->Protocol.ExtractConfig = AccessExtractConfig;
  mAccess->Protocol.RouteConfig   = AccessRouteConfig;
  mAccess->Protocol.Callback      = AccessCallback;
  mAccess->Owner                  = this;
  EFI_STATUS  Status = mMachine.Protocols ().InstallMultiple (&mHandle, {
    { &kDevicePathGuid, mDevicePath.data () },
    { &kConfigAccessGuid, &mAccess->Protocol },
  });
  if (Status != EFI_SUCCESS) {
    throw std::runtime_error ("fake driver protocols could not be installed");
  }
}

FakeDriver::~FakeDriver () = default;

std::vector<UINT8>
FakeDriver::VendorPath (const EFI_GUID &Guid)
{
  std::vector<UINT8>  Path = DevicePathNode (HARDWARE_DEVICE_PATH, HW_VENDOR_DP, &Guid, sizeof (Guid));
  EndDevicePath (Path);
  return Path;
}

VOID *
FakeDriver::ConfigAccess ()
{
  return &mAccess->Protocol;
}

EFI_HII_HANDLE
FakeDriver::Publish (HiiServices &Hii, const std::vector<UINT8> &PackageList)
{
  EFI_HII_HANDLE  Handle = nullptr;

  if (Hii.NewPackageList ((const EFI_HII_PACKAGE_LIST_HEADER *)PackageList.data (), mHandle, &Handle) != EFI_SUCCESS) {
    return nullptr;
  }
  return Handle;
}

void
FakeDriver::SetStore (const EFI_GUID &Guid, const std::u16string &Name, std::vector<UINT8> Bytes)
{
  std::vector<UINT8>  *Store = FindStore (Guid, Name);

  if (Store != nullptr) {
    *Store = std::move (Bytes);
  } else {
    mStores.push_back ({ { Guid, Name }, std::move (Bytes) });
  }
}

std::vector<UINT8> *
FakeDriver::FindStore (const EFI_GUID &Guid, const std::u16string &Name)
{
  for (auto &Entry : mStores) {
    if (GuidEqual (Entry.first.first, Guid) && (Entry.first.second == Name)) {
      return &Entry.second;
    }
  }
  return nullptr;
}

const std::vector<UINT8> *
FakeDriver::Store (const EFI_GUID &Guid, const std::u16string &Name) const
{
  return const_cast<FakeDriver *>(this)->FindStore (Guid, Name);
}

void
FakeDriver::SetNameValue (const EFI_GUID &Guid, const std::u16string &Name, std::u16string HexValue)
{
  for (auto &Entry : mNameValues) {
    if (GuidEqual (Entry.first, Guid) && (Entry.second.first == Name)) {
      Entry.second.second = std::move (HexValue);
      return;
    }
  }
  mNameValues.push_back ({ Guid, { Name, std::move (HexValue) } });
}

const std::u16string *
FakeDriver::NameValue (const EFI_GUID &Guid, const std::u16string &Name) const
{
  for (const auto &Entry : mNameValues) {
    if (GuidEqual (Entry.first, Guid) && (Entry.second.first == Name)) {
      return &Entry.second.second;
    }
  }
  return nullptr;
}

bool
FakeDriver::HasNameValues (const EFI_GUID &Guid) const
{
  for (const auto &Entry : mNameValues) {
    if (GuidEqual (Entry.first, Guid)) {
      return true;
    }
  }
  return false;
}

namespace {

// The "&"-led elements after the header: index of each "&" and the text after it.
std::vector<std::pair<UINTN, std::u16string>>
Elements (const std::u16string &Text, UINTN From)
{
  std::vector<std::pair<UINTN, std::u16string>>  List;

  while (From < Text.size ()) {
    UINTN  Next = Text.find (u'&', From + 1);
    if (Next == std::u16string::npos) {
      Next = Text.size ();
    }
    List.emplace_back (From, Text.substr (From + 1, Next - From - 1));
    From = Next;
  }
  return List;
}

}  // namespace

EFI_STATUS
FakeDriver::ExtractNameValues (const std::u16string &Text, UINTN HeaderEnd, const EFI_GUID &Guid,
  std::u16string *Answer, UINTN *ErrorAt) const
{
  *Answer = Text.substr (0, HeaderEnd);
  if (HeaderEnd == Text.size ()) {
    for (const auto &Entry : mNameValues) {
      if (GuidEqual (Entry.first, Guid)) {
        *Answer += u"&" + Entry.second.first + u"=" + Entry.second.second;
      }
    }
    return EFI_SUCCESS;
  }
  for (const auto &[At, Name] : Elements (Text, HeaderEnd)) {
    const std::u16string  *Value = NameValue (Guid, Name);
    if (Value == nullptr) {
      *ErrorAt = At;
      return EFI_NOT_FOUND;
    }
    *Answer += u"&" + Name + u"=" + *Value;
  }
  return EFI_SUCCESS;
}

EFI_STATUS
FakeDriver::RouteNameValues (const std::u16string &Text, UINTN HeaderEnd, const EFI_GUID &Guid, UINTN *ErrorAt)
{
  auto  List = Elements (Text, HeaderEnd);

  for (const auto &[At, Element] : List) {
    UINTN  Equal = Element.find (u'=');
    bool   Hex   = (Equal != std::u16string::npos) && (Equal + 1 < Element.size ()) &&
                   (Element.find_first_not_of (u"0123456789abcdefABCDEF", Equal + 1) == std::u16string::npos);
    if (!Hex) {
      *ErrorAt = At;
      return EFI_INVALID_PARAMETER;
    }
    if (NameValue (Guid, Element.substr (0, Equal)) == nullptr) {
      *ErrorAt = At;
      return EFI_NOT_FOUND;
    }
  }
  for (const auto &[At, Element] : List) {
    UINTN  Equal = Element.find (u'=');
    SetNameValue (Guid, Element.substr (0, Equal), Element.substr (Equal + 1));
  }
  *ErrorAt = Text.size ();
  return EFI_SUCCESS;
}

EFI_STATUS
FakeDriver::DefaultExtract (CONST CHAR16 *Request, CHAR16 **Progress, CHAR16 **Results)
{
  std::u16string  Text;
  std::u16string  Answer;
  CONFIG_HEADER   Header;
  UINTN           ErrorAt;

  if ((Progress == nullptr) || (Results == nullptr) || (Request == nullptr) || !CopyText (Request, &Text)) {
    return EFI_INVALID_PARAMETER;
  }
  *Progress = (CHAR16 *)Request;
  if (!ParseConfigHeader (Text, 0, &Header, &ErrorAt)) {
    *Progress = (CHAR16 *)Request + ErrorAt;
    return EFI_INVALID_PARAMETER;
  }
  std::vector<UINT8>  *Store  = FindStore (Header.Guid, Header.Name);
  bool                Blocks = (Text.compare (Header.End, 8, u"&OFFSET=") == 0);
  EFI_STATUS          Status;
  if ((Store != nullptr) && (Blocks || (Header.End == Text.size ()))) {
    std::u16string  Asked = Text;
    if (!Blocks) {
      Asked += u"&OFFSET=0&WIDTH=" + HexNumberText (Store->size ());
    }
    Status = BlockToConfigText (Asked, Store->data (), Store->size (), &Answer, &ErrorAt);
  } else if (!Blocks && HasNameValues (Header.Guid)) {
    Status = ExtractNameValues (Text, Header.End, Header.Guid, &Answer, &ErrorAt);
  } else {
    return EFI_NOT_FOUND;
  }
  if (Status != EFI_SUCCESS) {
    *Progress = (CHAR16 *)Request + ((ErrorAt <= Text.size ()) ? ErrorAt : 0);
    return Status;
  }
  VOID  *Buffer = nullptr;
  if (mMachine.Memory ().Allocate (EfiBootServicesData, (Answer.size () + 1) * sizeof (CHAR16), &Buffer) != EFI_SUCCESS) {
    return EFI_OUT_OF_RESOURCES;
  }
  std::memcpy (Buffer, Answer.c_str (), (Answer.size () + 1) * sizeof (CHAR16));
  *Results  = (CHAR16 *)Buffer;
  *Progress = (CHAR16 *)Request + Text.size ();
  return EFI_SUCCESS;
}

EFI_STATUS
FakeDriver::DefaultRoute (CONST CHAR16 *Configuration, CHAR16 **Progress)
{
  std::u16string  Text;
  CONFIG_HEADER   Header;
  UINTN           ErrorAt;
  UINTN           Needed;

  if ((Progress == nullptr) || (Configuration == nullptr) || !CopyText (Configuration, &Text)) {
    return EFI_INVALID_PARAMETER;
  }
  *Progress = (CHAR16 *)Configuration;
  if (!ParseConfigHeader (Text, 0, &Header, &ErrorAt)) {
    *Progress = (CHAR16 *)Configuration + ErrorAt;
    return EFI_INVALID_PARAMETER;
  }
  std::vector<UINT8>  *Store  = FindStore (Header.Guid, Header.Name);
  bool                Blocks = (Text.compare (Header.End, 8, u"&OFFSET=") == 0);
  EFI_STATUS          Status;
  if ((Store != nullptr) && Blocks) {
    Status = ConfigToBlockText (Text, Store->data (), Store->size (), &Needed, &ErrorAt);
  } else if (!Blocks && HasNameValues (Header.Guid)) {
    Status = RouteNameValues (Text, Header.End, Header.Guid, &ErrorAt);
  } else {
    return EFI_NOT_FOUND;
  }
  *Progress = (CHAR16 *)Configuration + ErrorAt;
  return Status;
}

EFI_STATUS
FakeDriver::Extract (CONST CHAR16 *Request, CHAR16 **Progress, CHAR16 **Results)
{
  CONFIG_ACCESS_CALL  Call{ ConfigAccessOp::Extract, u"", 0, 0, 0, {}, EFI_SUCCESS };

  if (Request != nullptr) {
    (VOID)CopyText (Request, &Call.Text);  // a runaway text is recorded cut short
  }
  Call.Status = OnExtract ? OnExtract (*this, Request, Progress, Results) : DefaultExtract (Request, Progress, Results);
  mCalls.push_back (Call);
  return Call.Status;
}

EFI_STATUS
FakeDriver::Route (CONST CHAR16 *Configuration, CHAR16 **Progress)
{
  CONFIG_ACCESS_CALL  Call{ ConfigAccessOp::Route, u"", 0, 0, 0, {}, EFI_SUCCESS };

  if (Configuration != nullptr) {
    (VOID)CopyText (Configuration, &Call.Text);  // a runaway text is recorded cut short
  }
  Call.Status = OnRoute ? OnRoute (*this, Configuration, Progress) : DefaultRoute (Configuration, Progress);
  mCalls.push_back (Call);
  return Call.Status;
}

UINTN
FakeDriver::ValueSize (UINT8 Type) const
{
  switch (Type) {
    case EFI_IFR_TYPE_NUM_SIZE_8:  return 1;
    case EFI_IFR_TYPE_NUM_SIZE_16: return 2;
    case EFI_IFR_TYPE_NUM_SIZE_32: return 4;
    case EFI_IFR_TYPE_NUM_SIZE_64: return 8;
    case EFI_IFR_TYPE_BOOLEAN:     return 1;
    case EFI_IFR_TYPE_TIME:        return 3;
    case EFI_IFR_TYPE_DATE:        return 4;
    case EFI_IFR_TYPE_STRING:      return 2;
    case EFI_IFR_TYPE_ACTION:      return 2;
    case EFI_IFR_TYPE_REF:         return sizeof (EFI_HII_REF);
    case EFI_IFR_TYPE_BUFFER:      return mBufferSize;
    default:                       return 0;
  }
}

EFI_STATUS
FakeDriver::Callback (BROWSER_ACTION Action, EFI_QUESTION_ID QuestionId, UINT8 Type, EFI_IFR_TYPE_VALUE *Value,
  BROWSER_ACTION_REQUEST *ActionRequest)
{
  CONFIG_ACCESS_CALL  Call{ ConfigAccessOp::Callback, u"", Action, QuestionId, Type, {}, EFI_UNSUPPORTED };

  if (Value != nullptr) {
    Call.Value.assign ((const UINT8 *)Value, (const UINT8 *)Value + ValueSize (Type));
  }
  // Recorded before the script runs, so a script that calls back into the browser
  // leaves its nested calls after this one.
  mCalls.push_back (Call);
  UINTN  Slot = mCalls.size () - 1;
  if (OnCallback) {
    Call.Status = OnCallback (*this, Action, QuestionId, Type, Value, ActionRequest);
  } else {
    for (const CALLBACK_RULE &Rule : mRules) {
      if ((Rule.Action != Action) || (Rule.QuestionId != QuestionId)) {
        continue;
      }
      if (Rule.NewValue && (Value != nullptr)) {
        std::memcpy (Value, Rule.NewValue->data (), Rule.NewValue->size ());
      }
      if (ActionRequest != nullptr) {
        *ActionRequest = Rule.ActionRequest;
      }
      Call.Status = Rule.Status;
      break;
    }
  }
  mCalls[Slot].Status = Call.Status;
  return Call.Status;
}

}  // namespace Emu

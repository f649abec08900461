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
#include "HiiInternal.h"

#include <cstring>
#include <stdexcept>

namespace Emu {

struct FakeDriver::ACCESS : OWNED_PROTOCOL<EFI_HII_CONFIG_ACCESS_PROTOCOL, FakeDriver> {};

// What both default operations start from: the caller's text, its header and the
// byte store that GUID and NAME name, if any.
struct FakeDriver::OWN_CONFIG {
  std::u16string      Text;
  CONFIG_HEADER       Header;
  std::vector<UINT8>  *Store  = nullptr;
  bool                Blocks = false;  // OFFSET/WIDTH elements follow the header
};

namespace {

EFI_STATUS EFIAPI
AccessExtractConfig (CONST EFI_HII_CONFIG_ACCESS_PROTOCOL *This, CONST EFI_STRING Request, EFI_STRING *Progress,
  EFI_STRING *Results)
{
  return Guarded ([&] { return OwnerOf<FakeDriver> (This)->Extract (Request, Progress, Results); });
}

EFI_STATUS EFIAPI
AccessRouteConfig (CONST EFI_HII_CONFIG_ACCESS_PROTOCOL *This, CONST EFI_STRING Configuration, EFI_STRING *Progress)
{
  return Guarded ([&] { return OwnerOf<FakeDriver> (This)->Route (Configuration, Progress); });
}

EFI_STATUS EFIAPI
AccessCallback (CONST EFI_HII_CONFIG_ACCESS_PROTOCOL *This, EFI_BROWSER_ACTION Action, EFI_QUESTION_ID QuestionId,
  UINT8 Type, EFI_IFR_TYPE_VALUE *Value, EFI_BROWSER_ACTION_REQUEST *ActionRequest)
{
  return Guarded ([&] {
    return OwnerOf<FakeDriver> (This)->Callback (Action, QuestionId, Type, Value, ActionRequest);
  });
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
    { &gEfiDevicePathProtocolGuid, mDevicePath.data () },
    { &gEfiHiiConfigAccessProtocolGuid, &mAccess->Protocol },
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

EFI_HII_CONFIG_ACCESS_PROTOCOL *
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
FakeDriver::ParseOwnConfig (CONST CHAR16 *Config, CHAR16 **Progress, OWN_CONFIG *Out)
{
  UINTN  ErrorAt = 0;

  if ((Progress == nullptr) || (Config == nullptr) || !CopyText (Config, kMaxConfigText, &Out->Text)) {
    return EFI_INVALID_PARAMETER;
  }
  *Progress = (CHAR16 *)Config;
  if (!ParseConfigHeader (Out->Text, 0, &Out->Header, &ErrorAt)) {
    *Progress = (CHAR16 *)Config + ErrorAt;
    return EFI_INVALID_PARAMETER;
  }
  Out->Store  = FindStore (Out->Header.Guid, Out->Header.Name);
  Out->Blocks = (Out->Text.compare (Out->Header.End, 8, u"&OFFSET=") == 0);
  return EFI_SUCCESS;
}

// A driver asked without a request gives every setting it holds: each byte store
// whole, then the elements of each name/value GUID, one configuration each.
std::u16string
FakeDriver::AllSettings () const
{
  std::u16string  Path = HexBytes (mDevicePath.data (), mDevicePath.size ());
  std::u16string  Answer;

  for (const auto &[Key, Bytes] : mStores) {
    Answer += Answer.empty () ? u"" : u"&";
    Answer += u"GUID=" + HexBytes (&Key.first, sizeof (EFI_GUID)) + u"&NAME=" + HexName (Key.second) + u"&PATH=" + Path +
              u"&OFFSET=0&WIDTH=" + HexNumberText (Bytes.size ()) + u"&VALUE=" + HexValue (Bytes.data (), Bytes.size ());
  }
  for (UINTN Index = 0; Index < mNameValues.size (); Index++) {
    const EFI_GUID  &Guid = mNameValues[Index].first;
    bool            First = true;
    for (UINTN Before = 0; (Before < Index) && First; Before++) {
      First = !GuidEqual (mNameValues[Before].first, Guid);
    }
    if (First) {
      std::u16string  Header = u"GUID=" + HexBytes (&Guid, sizeof (EFI_GUID)) + u"&NAME=&PATH=" + Path;
      std::u16string  Group;
      UINTN           ErrorAt = 0;
      (VOID)ExtractNameValues (Header, Header.size (), Guid, &Group, &ErrorAt);  // a bare header cannot fail
      Answer += (Answer.empty () ? u"" : u"&") + Group;
    }
  }
  return Answer;
}

EFI_STATUS
FakeDriver::DefaultExtract (CONST CHAR16 *Request, CHAR16 **Progress, CHAR16 **Results)
{
  OWN_CONFIG      Own;
  std::u16string  Answer;
  UINTN           ErrorAt = 0;

  if ((Results == nullptr) || (Progress == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }
  if (Request == nullptr) {
    *Progress = nullptr;
    Answer    = AllSettings ();
    return Answer.empty () ? EFI_NOT_FOUND : PoolText (mMachine, Answer, Results);
  }
  EFI_STATUS  Status = ParseOwnConfig (Request, Progress, &Own);
  if (Status != EFI_SUCCESS) {
    return Status;
  }
  if ((Own.Store != nullptr) && (Own.Blocks || (Own.Header.End == Own.Text.size ()))) {
    std::u16string  Asked = Own.Text;
    if (!Own.Blocks) {
      Asked += u"&OFFSET=0&WIDTH=" + HexNumberText (Own.Store->size ());
    }
    Status = BlockToConfigText (Asked, Own.Store->data (), Own.Store->size (), &Answer, &ErrorAt);
  } else if (!Own.Blocks && HasNameValues (Own.Header.Guid)) {
    Status = ExtractNameValues (Own.Text, Own.Header.End, Own.Header.Guid, &Answer, &ErrorAt);
  } else {
    return EFI_NOT_FOUND;
  }
  if (Status != EFI_SUCCESS) {
    *Progress = (CHAR16 *)Request + ((ErrorAt <= Own.Text.size ()) ? ErrorAt : 0);
    return Status;
  }
  Status = PoolText (mMachine, Answer, Results);
  if (Status == EFI_SUCCESS) {
    *Progress = (CHAR16 *)Request + Own.Text.size ();
  }
  return Status;
}

EFI_STATUS
FakeDriver::DefaultRoute (CONST CHAR16 *Configuration, CHAR16 **Progress)
{
  OWN_CONFIG  Own;
  UINTN       ErrorAt = 0;
  UINTN       Needed;

  EFI_STATUS  Status = ParseOwnConfig (Configuration, Progress, &Own);
  if (Status != EFI_SUCCESS) {
    return Status;
  }
  if ((Own.Store != nullptr) && (Own.Blocks || (Own.Header.End == Own.Text.size ()))) {
    // A header alone names the store and changes nothing in it.
    Status = ConfigToBlockText (Own.Text, Own.Store->data (), Own.Store->size (), &Needed, &ErrorAt);
  } else if (!Own.Blocks && HasNameValues (Own.Header.Guid)) {
    Status = RouteNameValues (Own.Text, Own.Header.End, Own.Header.Guid, &ErrorAt);
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
    (VOID)CopyText (Request, kMaxConfigText, &Call.Text);  // a runaway text is recorded cut short
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
    (VOID)CopyText (Configuration, kMaxConfigText, &Call.Text);  // a runaway text is recorded cut short
  }
  Call.Status = OnRoute ? OnRoute (*this, Configuration, Progress) : DefaultRoute (Configuration, Progress);
  mCalls.push_back (Call);
  return Call.Status;
}

UINTN
FakeDriver::ValueSize (UINT8 Type) const
{
  // The opcode fixes the width of every type but these two; an action value is a
  // string id.
  switch (Type) {
    case EFI_IFR_TYPE_ACTION: return sizeof (EFI_STRING_ID);
    case EFI_IFR_TYPE_BUFFER: return mBufferSize;
    default:                  return IfrTypeValueWidth (Type);
  }
}

EFI_STATUS
FakeDriver::Callback (EFI_BROWSER_ACTION Action, EFI_QUESTION_ID QuestionId, UINT8 Type, EFI_IFR_TYPE_VALUE *Value,
  EFI_BROWSER_ACTION_REQUEST *ActionRequest)
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

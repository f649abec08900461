/** @file
  Handles, protocol interfaces, opens and protocol notifications.
**/
#include <Emulator/ProtocolDatabase.h>

#include <Emulator/Events.h>
#include <Emulator/Guid.h>
#include <Emulator/Pool.h>
#include <Protocol/DevicePath.h>

#include <algorithm>
#include <cstring>

namespace Emu {

constexpr UINT64  kHandleSignature       = SIGNATURE_64 ('E', 'M', 'U', 'H', 'A', 'N', 'D', 'L');
constexpr UINT64  kRegistrationSignature = SIGNATURE_64 ('E', 'M', 'U', 'P', 'N', 'O', 'T', 'E');

static const EFI_GUID  kDevicePathGuid =
  { 0x09576E91, 0x6D3F, 0x11D2, { 0x8E, 0x39, 0x00, 0xA0, 0xC9, 0x69, 0x72, 0x3B } };

struct HANDLE_RECORD {
  UINT64                                        Signature;
  bool                                          Live;
  std::vector<std::unique_ptr<PROTOCOL_ENTRY>>  Protocols;
};

struct NOTIFY_REGISTRATION {
  UINT64                  Signature;
  bool                    Live;
  EFI_GUID                Guid;
  EFI_EVENT               Event;
  std::deque<EFI_HANDLE>  Pending;  // handles that gained the protocol since the last lookup
};

ProtocolDatabase::ProtocolDatabase (EventSystem &Events, Pool &Memory)
  : mEvents (Events), mPool (Memory)
{
}

ProtocolDatabase::~ProtocolDatabase () = default;

HANDLE_RECORD *
ProtocolDatabase::FindHandle (EFI_HANDLE Handle) const
{
  for (const auto &Record : mHandles) {
    if ((Record.get () == Handle) && Record->Live) {
      return Record.get ();
    }
  }
  return nullptr;
}

PROTOCOL_ENTRY *
ProtocolDatabase::FindEntry (HANDLE_RECORD *Record, const EFI_GUID &Guid) const
{
  for (const auto &Entry : Record->Protocols) {
    if (GuidEqual (Entry->Guid, Guid)) {
      return Entry.get ();
    }
  }
  return nullptr;
}

EFI_STATUS
ProtocolDatabase::Fault (ProtocolOp Op, const EFI_GUID *Guid)
{
  for (auto It = mFaults.begin (); It != mFaults.end (); ++It) {
    if ((It->Op != Op) || (It->Guid && ((Guid == nullptr) || !GuidEqual (*It->Guid, *Guid)))) {
      continue;
    }
    if (It->Skip > 0) {
      It->Skip--;
      return EFI_SUCCESS;
    }
    EFI_STATUS  Status = It->Status;
    if ((It->Times != 0) && (--It->Times == 0)) {
      mFaults.erase (It);
    }
    return Status;
  }
  return EFI_SUCCESS;
}

bool
ProtocolDatabase::IsHandle (EFI_HANDLE Handle) const
{
  return FindHandle (Handle) != nullptr;
}

void
ProtocolDatabase::Notify (const EFI_GUID &Guid, EFI_HANDLE Handle)
{
  // Copy first: a notify function may register more notifications.
  std::vector<NOTIFY_REGISTRATION *>  Matching;

  for (const auto &Registration : mRegistrations) {
    if (Registration->Live && GuidEqual (Registration->Guid, Guid)) {
      Registration->Pending.push_back (Handle);
      Matching.push_back (Registration.get ());
    }
  }
  for (NOTIFY_REGISTRATION *Registration : Matching) {
    if (Registration->Live) {
      (VOID)mEvents.Signal (Registration->Event);  // a closed event was already forgotten
    }
  }
}

EFI_STATUS
ProtocolDatabase::Install (EFI_HANDLE *Handle, const EFI_GUID *Guid, VOID *Interface)
{
  if ((Handle == nullptr) || (Guid == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }
  HANDLE_RECORD  *Record = nullptr;
  if (*Handle != nullptr) {
    Record = FindHandle (*Handle);
    if ((Record == nullptr) || (FindEntry (Record, *Guid) != nullptr)) {
      return EFI_INVALID_PARAMETER;
    }
  }
  EFI_STATUS  Status = Fault (ProtocolOp::Install, Guid);
  if (EFI_ERROR (Status)) {
    return Status;
  }
  if (Record == nullptr) {
    mHandles.push_back (std::make_unique<HANDLE_RECORD>());
    Record            = mHandles.back ().get ();
    Record->Signature = kHandleSignature;
    Record->Live      = true;
    *Handle           = Record;
  }
  Record->Protocols.push_back (std::make_unique<PROTOCOL_ENTRY>(
    PROTOCOL_ENTRY { *Guid, Interface, ++mSerial, {} }));
  if (Interface == nullptr) {
    mNullLog.push_back (*Guid);
  }
  Notify (*Guid, Record);
  return EFI_SUCCESS;
}

void
ProtocolDatabase::RemoveEntry (HANDLE_RECORD *Record, const EFI_GUID &Guid)
{
  auto  &List = Record->Protocols;

  List.erase (std::remove_if (List.begin (), List.end (),
    [&Guid](const std::unique_ptr<PROTOCOL_ENTRY> &Entry) { return GuidEqual (Entry->Guid, Guid); }),
    List.end ());
  if (List.empty ()) {
    Record->Live      = false;
    Record->Signature = 0;
    auto  Dead = std::find_if (mHandles.begin (), mHandles.end (),
      [Record](const std::unique_ptr<HANDLE_RECORD> &Item) { return Item.get () == Record; });
    if (Dead != mHandles.end ()) {
      mDeadHandles.push_back (std::move (*Dead));
      mHandles.erase (Dead);
    }
  }
}

EFI_STATUS
ProtocolDatabase::Uninstall (EFI_HANDLE Handle, const EFI_GUID *Guid, VOID *Interface)
{
  HANDLE_RECORD  *Record = FindHandle (Handle);

  if ((Record == nullptr) || (Guid == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }
  PROTOCOL_ENTRY  *Entry = FindEntry (Record, *Guid);
  if ((Entry == nullptr) || (Entry->Interface != Interface)) {
    return EFI_NOT_FOUND;
  }
  EFI_STATUS  Status = Fault (ProtocolOp::Uninstall, Guid);
  if (EFI_ERROR (Status)) {
    return Status;
  }
  RemoveEntry (Record, *Guid);
  return EFI_SUCCESS;
}

EFI_STATUS
ProtocolDatabase::Reinstall (EFI_HANDLE Handle, const EFI_GUID *Guid, VOID *OldInterface, VOID *NewInterface)
{
  HANDLE_RECORD  *Record = FindHandle (Handle);

  if ((Record == nullptr) || (Guid == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }
  PROTOCOL_ENTRY  *Entry = FindEntry (Record, *Guid);
  if ((Entry == nullptr) || (Entry->Interface != OldInterface)) {
    return EFI_NOT_FOUND;
  }
  EFI_STATUS  Status = Fault (ProtocolOp::Reinstall, Guid);
  if (EFI_ERROR (Status)) {
    return Status;
  }
  Entry->Interface = NewInterface;
  Entry->Opens.clear ();
  Notify (*Guid, Handle);
  return EFI_SUCCESS;
}

EFI_STATUS
ProtocolDatabase::InstallMultiple (EFI_HANDLE *Handle, const INTERFACE_LIST &Interfaces)
{
  if (Handle == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  // A second device path on another handle would make the device ambiguous.
  for (const auto &Pair : Interfaces) {
    if ((Pair.first != nullptr) && GuidEqual (*Pair.first, kDevicePathGuid) && (Pair.second != nullptr)) {
      EFI_DEVICE_PATH_PROTOCOL  *Path = static_cast<EFI_DEVICE_PATH_PROTOCOL *>(Pair.second);
      EFI_HANDLE                Existing = nullptr;
      if (!EFI_ERROR (LocateDevicePath (&kDevicePathGuid, &Path, &Existing)) &&
          (Path->Type == END_DEVICE_PATH_TYPE) && (Existing != *Handle))
      {
        return EFI_ALREADY_STARTED;
      }
    }
  }
  // Protocol notifies wait until the whole set is on the handle, or gone again: a
  // listener never sees half a set, nor a pair that is about to be taken back.
  EFI_TPL     OldTpl   = mEvents.RaiseTpl (std::max (mEvents.CurrentTpl (), (EFI_TPL)TPL_NOTIFY));
  EFI_HANDLE  Original = *Handle;
  EFI_STATUS  Status   = EFI_SUCCESS;
  for (size_t Index = 0; (Index < Interfaces.size ()) && !EFI_ERROR (Status); Index++) {
    Status = Install (Handle, Interfaces[Index].first, Interfaces[Index].second);
    if (EFI_ERROR (Status)) {
      for (size_t Undo = Index; Undo > 0; Undo--) {
        (VOID)Uninstall (*Handle, Interfaces[Undo - 1].first, Interfaces[Undo - 1].second);  // just installed: cannot fail
      }
      *Handle = Original;
    }
  }
  mEvents.RestoreTpl (OldTpl);
  return Status;
}

EFI_STATUS
ProtocolDatabase::UninstallMultiple (EFI_HANDLE Handle, const INTERFACE_LIST &Interfaces)
{
  // Checking every pair first keeps the handle alive when one pair is wrong; the
  // undo below only covers injected faults.
  HANDLE_RECORD  *Record = FindHandle (Handle);
  for (const auto &Pair : Interfaces) {
    PROTOCOL_ENTRY  *Entry = ((Record == nullptr) || (Pair.first == nullptr)) ? nullptr : FindEntry (Record, *Pair.first);
    if ((Entry == nullptr) || (Entry->Interface != Pair.second)) {
      return EFI_INVALID_PARAMETER;
    }
  }
  for (size_t Index = 0; Index < Interfaces.size (); Index++) {
    EFI_STATUS  Status = Uninstall (Handle, Interfaces[Index].first, Interfaces[Index].second);
    if (EFI_ERROR (Status)) {
      // Put back what went, on the same handle when it still exists.
      EFI_HANDLE  Target = IsHandle (Handle) ? Handle : nullptr;
      for (size_t Undo = Index; Undo > 0; Undo--) {
        (VOID)Install (&Target, Interfaces[Undo - 1].first, Interfaces[Undo - 1].second);  // restoring: best effort
      }
      return EFI_INVALID_PARAMETER;
    }
  }
  return EFI_SUCCESS;
}

EFI_STATUS
ProtocolDatabase::HandleProtocol (EFI_HANDLE Handle, const EFI_GUID *Guid, VOID **Interface)
{
  return Open (Handle, Guid, Interface, nullptr, nullptr, EFI_OPEN_PROTOCOL_BY_HANDLE_PROTOCOL);
}

// The attribute values an open may carry: one kind, or a driver's exclusive open.
static bool
OpenAttributesValid (UINT32 Attributes)
{
  switch (Attributes) {
    case EFI_OPEN_PROTOCOL_BY_HANDLE_PROTOCOL:
    case EFI_OPEN_PROTOCOL_GET_PROTOCOL:
    case EFI_OPEN_PROTOCOL_TEST_PROTOCOL:
    case EFI_OPEN_PROTOCOL_BY_CHILD_CONTROLLER:
    case EFI_OPEN_PROTOCOL_BY_DRIVER:
    case EFI_OPEN_PROTOCOL_EXCLUSIVE:
    case EFI_OPEN_PROTOCOL_BY_DRIVER | EFI_OPEN_PROTOCOL_EXCLUSIVE:
      return true;
    default:
      return false;
  }
}

static bool
OpensConflict (const PROTOCOL_ENTRY &Entry, EFI_HANDLE Agent, UINT32 Attributes, EFI_STATUS *Status)
{
  const UINT32  Exclusive = EFI_OPEN_PROTOCOL_BY_DRIVER | EFI_OPEN_PROTOCOL_EXCLUSIVE;

  // Only a driver's or an exclusive open can be refused; plain lookups (handle
  // protocol, get, test, by child) always see the interface.
  if ((Attributes & Exclusive) == 0) {
    return false;
  }
  for (const PROTOCOL_OPEN &Open : Entry.Opens) {
    if ((Open.Attributes & EFI_OPEN_PROTOCOL_EXCLUSIVE) != 0) {
      *Status = (Open.Agent == Agent) ? EFI_ALREADY_STARTED : EFI_ACCESS_DENIED;
      return true;
    }
    if (((Attributes & Exclusive) != 0) && ((Open.Attributes & EFI_OPEN_PROTOCOL_BY_DRIVER) != 0)) {
      *Status = ((Open.Agent == Agent) && (Attributes == EFI_OPEN_PROTOCOL_BY_DRIVER))
                ? EFI_ALREADY_STARTED : EFI_ACCESS_DENIED;
      return true;
    }
  }
  return false;
}

EFI_STATUS
ProtocolDatabase::Open (EFI_HANDLE Handle, const EFI_GUID *Guid, VOID **Interface, EFI_HANDLE Agent,
  EFI_HANDLE Controller, UINT32 Attributes)
{
  HANDLE_RECORD  *Record = FindHandle (Handle);

  if ((Record == nullptr) || (Guid == nullptr) || !OpenAttributesValid (Attributes) ||
      ((Interface == nullptr) && (Attributes != EFI_OPEN_PROTOCOL_TEST_PROTOCOL)))
  {
    return EFI_INVALID_PARAMETER;
  }
  // An application's exclusive open names no controller; the driver-model opens do.
  const UINT32  NeedsController = EFI_OPEN_PROTOCOL_BY_CHILD_CONTROLLER | EFI_OPEN_PROTOCOL_BY_DRIVER;
  const UINT32  NeedsAgent      = NeedsController | EFI_OPEN_PROTOCOL_EXCLUSIVE;
  if ((((Attributes & NeedsAgent) != 0) && !IsHandle (Agent)) ||
      (((Attributes & NeedsController) != 0) && !IsHandle (Controller)))
  {
    return EFI_INVALID_PARAMETER;
  }
  if (Interface != nullptr) {
    *Interface = nullptr;
  }
  PROTOCOL_ENTRY  *Entry = FindEntry (Record, *Guid);
  if (Entry == nullptr) {
    return EFI_UNSUPPORTED;
  }
  EFI_STATUS  Status = Fault (ProtocolOp::Open, Guid);
  if (EFI_ERROR (Status)) {
    return Status;
  }
  if (OpensConflict (*Entry, Agent, Attributes, &Status)) {
    if ((Status == EFI_ALREADY_STARTED) && (Interface != nullptr)) {
      *Interface = Entry->Interface;
    }
    return Status;
  }
  if (Interface != nullptr) {
    *Interface = Entry->Interface;
  }
  if (Attributes == EFI_OPEN_PROTOCOL_TEST_PROTOCOL) {
    return EFI_SUCCESS;
  }
  for (PROTOCOL_OPEN &Open : Entry->Opens) {
    if ((Open.Agent == Agent) && (Open.Controller == Controller) && (Open.Attributes == Attributes)) {
      Open.Count++;
      return EFI_SUCCESS;
    }
  }
  Entry->Opens.push_back (PROTOCOL_OPEN { Agent, Controller, Attributes, 1 });
  return EFI_SUCCESS;
}

EFI_STATUS
ProtocolDatabase::Close (EFI_HANDLE Handle, const EFI_GUID *Guid, EFI_HANDLE Agent, EFI_HANDLE Controller)
{
  HANDLE_RECORD  *Record = FindHandle (Handle);

  if ((Record == nullptr) || (Guid == nullptr) || !IsHandle (Agent) ||
      ((Controller != nullptr) && !IsHandle (Controller)))
  {
    return EFI_INVALID_PARAMETER;
  }
  PROTOCOL_ENTRY  *Entry = FindEntry (Record, *Guid);
  if (Entry == nullptr) {
    return EFI_NOT_FOUND;
  }
  auto  &Opens = Entry->Opens;
  auto  Before = Opens.size ();
  Opens.erase (std::remove_if (Opens.begin (), Opens.end (), [&](const PROTOCOL_OPEN &Open) {
    return (Open.Agent == Agent) && (Open.Controller == Controller);
  }), Opens.end ());
  return (Opens.size () == Before) ? EFI_NOT_FOUND : EFI_SUCCESS;
}

EFI_STATUS
ProtocolDatabase::OpenInformation (EFI_HANDLE Handle, const EFI_GUID *Guid,
  EFI_OPEN_PROTOCOL_INFORMATION_ENTRY **Entries, UINTN *Count)
{
  HANDLE_RECORD  *Record = FindHandle (Handle);

  if ((Record == nullptr) || (Guid == nullptr) || (Entries == nullptr) || (Count == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }
  PROTOCOL_ENTRY  *Entry = FindEntry (Record, *Guid);
  if (Entry == nullptr) {
    return EFI_NOT_FOUND;
  }
  VOID        *Buffer = nullptr;
  EFI_STATUS  Status  = mPool.Allocate (EfiBootServicesData,
                          Entry->Opens.size () * sizeof (EFI_OPEN_PROTOCOL_INFORMATION_ENTRY), &Buffer);
  if (EFI_ERROR (Status)) {
    return Status;
  }
  auto  *Out = static_cast<EFI_OPEN_PROTOCOL_INFORMATION_ENTRY *>(Buffer);
  for (size_t Index = 0; Index < Entry->Opens.size (); Index++) {
    const PROTOCOL_OPEN  &Open = Entry->Opens[Index];
    Out[Index] = EFI_OPEN_PROTOCOL_INFORMATION_ENTRY { Open.Agent, Open.Controller, Open.Attributes, Open.Count };
  }
  *Entries = Out;
  *Count   = Entry->Opens.size ();
  return EFI_SUCCESS;
}

EFI_STATUS
ProtocolDatabase::ProtocolsPerHandle (EFI_HANDLE Handle, EFI_GUID ***Guids, UINTN *Count)
{
  HANDLE_RECORD  *Record = FindHandle (Handle);

  if ((Record == nullptr) || (Guids == nullptr) || (Count == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }
  VOID        *Buffer = nullptr;
  EFI_STATUS  Status  = mPool.Allocate (EfiBootServicesData, Record->Protocols.size () * sizeof (EFI_GUID *), &Buffer);
  if (EFI_ERROR (Status)) {
    return Status;
  }
  auto  **Out = static_cast<EFI_GUID **>(Buffer);
  for (size_t Index = 0; Index < Record->Protocols.size (); Index++) {
    Out[Index] = &Record->Protocols[Index]->Guid;
  }
  *Guids = Out;
  *Count = Record->Protocols.size ();
  return EFI_SUCCESS;
}

EFI_STATUS
ProtocolDatabase::RegisterNotify (const EFI_GUID *Guid, EFI_EVENT Event, VOID **Registration)
{
  if ((Guid == nullptr) || (Registration == nullptr) || !mEvents.IsEvent (Event)) {
    return EFI_INVALID_PARAMETER;
  }
  EFI_STATUS  Status = Fault (ProtocolOp::RegisterNotify, Guid);
  if (EFI_ERROR (Status)) {
    return Status;
  }
  mRegistrations.push_back (std::make_unique<NOTIFY_REGISTRATION>(
    NOTIFY_REGISTRATION { kRegistrationSignature, true, *Guid, Event, {} }));
  *Registration = mRegistrations.back ().get ();
  return EFI_SUCCESS;
}

void
ProtocolDatabase::ForgetEvent (EFI_EVENT Event)
{
  for (const auto &Registration : mRegistrations) {
    if (Registration->Event == Event) {
      Registration->Live = false;
      Registration->Pending.clear ();
    }
  }
}

NOTIFY_REGISTRATION *
ProtocolDatabase::FindRegistration (VOID *Key) const
{
  for (const auto &Registration : mRegistrations) {
    if ((Registration.get () == Key) && Registration->Live) {
      return Registration.get ();
    }
  }
  return nullptr;
}

EFI_HANDLE
ProtocolDatabase::NextNotified (NOTIFY_REGISTRATION *Registration, bool Take)
{
  // Handles that lost the protocol again since they were queued are skipped.
  while (!Registration->Pending.empty ()) {
    EFI_HANDLE     Handle = Registration->Pending.front ();
    HANDLE_RECORD  *Record = FindHandle (Handle);
    if ((Record != nullptr) && (FindEntry (Record, Registration->Guid) != nullptr)) {
      if (Take) {
        Registration->Pending.pop_front ();
      }
      return Handle;
    }
    Registration->Pending.pop_front ();
  }
  return nullptr;
}

std::vector<EFI_HANDLE>
ProtocolDatabase::Search (EFI_LOCATE_SEARCH_TYPE Type, const EFI_GUID *Guid, VOID *Key, bool Take)
{
  if (Type == AllHandles) {
    return Handles ();
  }
  if (Type == ByProtocol) {
    return HandlesWith (*Guid);
  }
  std::vector<EFI_HANDLE>  Found;
  EFI_HANDLE               Handle = NextNotified (FindRegistration (Key), Take);
  if (Handle != nullptr) {
    Found.push_back (Handle);
  }
  return Found;
}

EFI_STATUS
ProtocolDatabase::LocateHandle (EFI_LOCATE_SEARCH_TYPE Type, const EFI_GUID *Guid, VOID *Key, UINTN *Size,
  EFI_HANDLE *Buffer)
{
  if ((Size == nullptr) || (Type > ByProtocol) ||
      ((Type == ByProtocol) && (Guid == nullptr)) ||
      ((Type == ByRegisterNotify) && (FindRegistration (Key) == nullptr)))
  {
    return EFI_INVALID_PARAMETER;
  }
  EFI_STATUS  Status = Fault (ProtocolOp::LocateHandle, Guid);
  if (EFI_ERROR (Status)) {
    return Status;
  }
  std::vector<EFI_HANDLE>  Found = Search (Type, Guid, Key, false);
  if (Found.empty ()) {
    return EFI_NOT_FOUND;
  }
  UINTN  Needed = Found.size () * sizeof (EFI_HANDLE);
  // Too small is told before a missing buffer is refused: a caller that sizes with a
  // stale non-zero size and no buffer still learns the size.
  if (*Size < Needed) {
    *Size = Needed;
    return EFI_BUFFER_TOO_SMALL;
  }
  if (Buffer == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  if (Type == ByRegisterNotify) {
    (VOID)Search (Type, Guid, Key, true);  // the lookup that fits consumes the handle
  }
  std::memcpy (Buffer, Found.data (), Needed);
  *Size = Needed;
  return EFI_SUCCESS;
}

EFI_STATUS
ProtocolDatabase::LocateHandleBuffer (EFI_LOCATE_SEARCH_TYPE Type, const EFI_GUID *Guid, VOID *Key,
  UINTN *Count, EFI_HANDLE **Buffer)
{
  if ((Count == nullptr) || (Buffer == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }
  *Count  = 0;
  *Buffer = nullptr;
  UINTN       Size   = 0;
  EFI_STATUS  Status = LocateHandle (Type, Guid, Key, &Size, nullptr);
  if (Status != EFI_BUFFER_TOO_SMALL) {
    return EFI_ERROR (Status) ? Status : EFI_NOT_FOUND;
  }
  VOID  *Memory = nullptr;
  Status = mPool.Allocate (EfiBootServicesData, Size, &Memory);
  if (EFI_ERROR (Status)) {
    return Status;
  }
  Status = LocateHandle (Type, Guid, Key, &Size, static_cast<EFI_HANDLE *>(Memory));
  if (EFI_ERROR (Status)) {
    (VOID)mPool.Free (Memory);  // our own block: cannot fail
    return Status;
  }
  *Buffer = static_cast<EFI_HANDLE *>(Memory);
  *Count  = Size / sizeof (EFI_HANDLE);
  return EFI_SUCCESS;
}

EFI_STATUS
ProtocolDatabase::LocateProtocol (const EFI_GUID *Guid, VOID *Registration, VOID **Interface)
{
  if ((Guid == nullptr) || (Interface == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }
  *Interface = nullptr;
  EFI_STATUS  Status = Fault (ProtocolOp::LocateProtocol, Guid);
  if (EFI_ERROR (Status)) {
    return Status;
  }
  EFI_HANDLE  Handle = nullptr;
  if (Registration != nullptr) {
    NOTIFY_REGISTRATION  *Found = FindRegistration (Registration);
    Handle = (Found == nullptr) ? nullptr : NextNotified (Found, true);
  } else {
    std::vector<EFI_HANDLE>  All = HandlesWith (*Guid);
    Handle = All.empty () ? nullptr : All.front ();
  }
  if (Handle == nullptr) {
    return EFI_NOT_FOUND;
  }
  *Interface = Find (Handle, *Guid);
  return EFI_SUCCESS;
}

std::vector<EFI_HANDLE>
ProtocolDatabase::Handles () const
{
  std::vector<EFI_HANDLE>  Live;

  for (const auto &Record : mHandles) {
    if (Record->Live) {
      Live.push_back (Record.get ());
    }
  }
  return Live;
}

std::vector<EFI_HANDLE>
ProtocolDatabase::HandlesWith (const EFI_GUID &Guid) const
{
  std::vector<std::pair<UINT64, EFI_HANDLE>>  Found;

  for (const auto &Record : mHandles) {
    PROTOCOL_ENTRY  *Entry = Record->Live ? FindEntry (Record.get (), Guid) : nullptr;
    if (Entry != nullptr) {
      Found.emplace_back (Entry->Serial, Record.get ());
    }
  }
  std::sort (Found.begin (), Found.end ());
  std::vector<EFI_HANDLE>  Handles;
  for (const auto &Pair : Found) {
    Handles.push_back (Pair.second);
  }
  return Handles;
}

std::vector<std::pair<EFI_GUID, VOID *>>
ProtocolDatabase::InterfacesOn (EFI_HANDLE Handle) const
{
  std::vector<std::pair<EFI_GUID, VOID *>>  List;
  HANDLE_RECORD                             *Record = FindHandle (Handle);

  if (Record != nullptr) {
    for (const auto &Entry : Record->Protocols) {
      List.emplace_back (Entry->Guid, Entry->Interface);
    }
  }
  return List;
}

VOID *
ProtocolDatabase::Find (EFI_HANDLE Handle, const EFI_GUID &Guid) const
{
  HANDLE_RECORD   *Record = FindHandle (Handle);
  PROTOCOL_ENTRY  *Entry  = (Record == nullptr) ? nullptr : FindEntry (Record, Guid);

  return (Entry == nullptr) ? nullptr : Entry->Interface;
}

}  // namespace Emu

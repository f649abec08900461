/** @file
  Key input: simple text input, input-ex and the key-code protocol, all reading
  the one key script, with their key events as wait-type events whose notify asks
  the script for the next key.
**/
#include <Emulator/Consoles.h>

#include <algorithm>

namespace Emu {

constexpr UINT64  kTextInSignature = SIGNATURE_64 ('E', 'M', 'U', 'C', 'O', 'N', 'I', 'N');

static const EFI_GUID  kTextInGuid   = EFI_SIMPLE_TEXT_INPUT_PROTOCOL_GUID;
static const EFI_GUID  kTextInExGuid = EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL_GUID;
static const EFI_GUID  kKeyCodeGuid  = KEY_CODE_PROTOCOL_GUID;

struct TEXT_IN_PRIVATE {
  UINT64                             Signature;
  EFI_SIMPLE_TEXT_INPUT_PROTOCOL     TextIn;
  EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL  TextInEx;
  KEY_CODE_PROTOCOL                  KeyCode;
  ConsoleInput                       *Owner;
};

template <class PROTOCOL>
static ConsoleInput *
FromThis (PROTOCOL *This, PROTOCOL TEXT_IN_PRIVATE::*Member)
{
  if (This == nullptr) {
    return nullptr;
  }
  // Container-of: the offset of the member gives the record back.
  TEXT_IN_PRIVATE  Probe {};
  auto             Offset  = reinterpret_cast<UINT8 *>(&(Probe.*Member)) - reinterpret_cast<UINT8 *>(&Probe);
  auto             *Private = reinterpret_cast<TEXT_IN_PRIVATE *>(reinterpret_cast<UINT8 *>(This) - Offset);
  return (Private->Signature == kTextInSignature) ? Private->Owner : nullptr;
}

// Reset, SetState and the key notifies behave alike on all three interfaces; only
// the member of the record that This points into differs.
template <class PROTOCOL, PROTOCOL TEXT_IN_PRIVATE::*Member>
struct SHARED_MEMBERS {
  static EFI_STATUS EFIAPI
  Reset (PROTOCOL *This, BOOLEAN Extended)
  {
    (VOID)Extended;
    ConsoleInput  *Self = FromThis (This, Member);
    return (Self == nullptr) ? EFI_INVALID_PARAMETER : Self->Reset ();
  }

  static EFI_STATUS EFIAPI
  SetState (PROTOCOL *This, EFI_KEY_TOGGLE_STATE *State)
  {
    return ((FromThis (This, Member) == nullptr) || (State == nullptr)) ? EFI_INVALID_PARAMETER : EFI_SUCCESS;
  }

  static EFI_STATUS EFIAPI
  RegisterNotify (PROTOCOL *This, EFI_KEY_DATA *Key, EFI_KEY_NOTIFY_FUNCTION Function, VOID **Handle)
  {
    ConsoleInput  *Self = FromThis (This, Member);
    return (Self == nullptr) ? EFI_INVALID_PARAMETER : Self->RegisterNotify (Key, Function, Handle);
  }

  static EFI_STATUS EFIAPI
  UnregisterNotify (PROTOCOL *This, VOID *Handle)
  {
    ConsoleInput  *Self = FromThis (This, Member);
    return (Self == nullptr) ? EFI_INVALID_PARAMETER : Self->UnregisterNotify (Handle);
  }
};

using IN_MEMBERS    = SHARED_MEMBERS<EFI_SIMPLE_TEXT_INPUT_PROTOCOL, &TEXT_IN_PRIVATE::TextIn>;
using IN_EX_MEMBERS = SHARED_MEMBERS<EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL, &TEXT_IN_PRIVATE::TextInEx>;
using CODE_MEMBERS  = SHARED_MEMBERS<KEY_CODE_PROTOCOL, &TEXT_IN_PRIVATE::KeyCode>;

static EFI_STATUS EFIAPI
InReadKeyStroke (EFI_SIMPLE_TEXT_INPUT_PROTOCOL *This, EFI_INPUT_KEY *Key)
{
  ConsoleInput  *Self = FromThis (This, &TEXT_IN_PRIVATE::TextIn);
  KEY_CODE_DATA Record;

  if ((Self == nullptr) || (Key == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }
  EFI_STATUS  Status = Self->Read (&Record);
  // A modifier-only record has no key stroke in the simple protocol.
  while (!EFI_ERROR (Status) && (Record.Key.ScanCode == SCAN_NULL) && (Record.Key.UnicodeChar == 0)) {
    Status = Self->Read (&Record);
  }
  if (!EFI_ERROR (Status)) {
    *Key = Record.Key;
  }
  return Status;
}

static EFI_STATUS EFIAPI
InExReadKeyStroke (EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL *This, EFI_KEY_DATA *Key)
{
  ConsoleInput  *Self = FromThis (This, &TEXT_IN_PRIVATE::TextInEx);
  KEY_CODE_DATA Record;

  if ((Self == nullptr) || (Key == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }
  EFI_STATUS  Status = Self->Read (&Record);
  if (!EFI_ERROR (Status)) {
    *Key = EFI_KEY_DATA { Record.Key, Record.KeyState };
  }
  return Status;
}

static EFI_STATUS EFIAPI
CodeRead (KEY_CODE_PROTOCOL *This, KEY_CODE_DATA *Record)
{
  ConsoleInput  *Self = FromThis (This, &TEXT_IN_PRIVATE::KeyCode);
  return ((Self == nullptr) || (Record == nullptr)) ? EFI_INVALID_PARAMETER : Self->Read (Record);
}

static VOID EFIAPI
KeyWaitNotify (EFI_EVENT Event, VOID *Context)
{
  static_cast<ConsoleInput *>(Context)->WaitNotify (Event);
}

ConsoleInput::ConsoleInput (Machine &Owner, bool WithKeyCode, bool WithInputEx)
  : mMachine (Owner), mScript (Owner.Events ()), mPrivate (std::make_unique<TEXT_IN_PRIVATE>()),
    mWithKeyCode (WithKeyCode), mWithInputEx (WithInputEx)
{
  EventSystem  &Events = Owner.Events ();
  EFI_EVENT    Waits[3] = { nullptr, nullptr, nullptr };

  for (EFI_EVENT &Wait : Waits) {
    (VOID)Events.Create (EVT_NOTIFY_WAIT, TPL_NOTIFY, KeyWaitNotify, this, nullptr, &Wait);  // valid arguments
  }
  mPrivate->Signature = kTextInSignature;
  mPrivate->Owner     = this;
  mPrivate->TextIn    = EFI_SIMPLE_TEXT_INPUT_PROTOCOL { IN_MEMBERS::Reset, InReadKeyStroke, Waits[0] };
  mPrivate->TextInEx  = EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL {
    IN_EX_MEMBERS::Reset, InExReadKeyStroke, Waits[1], IN_EX_MEMBERS::SetState, IN_EX_MEMBERS::RegisterNotify,
    IN_EX_MEMBERS::UnregisterNotify
  };
  mPrivate->KeyCode = KEY_CODE_PROTOCOL {
    CODE_MEMBERS::Reset, CodeRead, Waits[2], CODE_MEMBERS::SetState, CODE_MEMBERS::RegisterNotify,
    CODE_MEMBERS::UnregisterNotify
  };
  ProtocolDatabase  &Protocols = Owner.Protocols ();
  (VOID)Protocols.Install (&mHandle, &kTextInGuid, &mPrivate->TextIn);  // new handle: cannot fail
  if (WithInputEx) {
    (VOID)Protocols.Install (&mHandle, &kTextInExGuid, &mPrivate->TextInEx);  // new GUIDs on our handle
  }
  if (WithKeyCode) {
    (VOID)Protocols.Install (&mHandle, &kKeyCodeGuid, &mPrivate->KeyCode);  // likewise
  }
  Events.SetWaitSource (&mScript);
}

ConsoleInput::~ConsoleInput ()
{
  mMachine.Events ().SetWaitSource (nullptr);
  mPrivate->Signature = 0;
}

EFI_SIMPLE_TEXT_INPUT_PROTOCOL *
ConsoleInput::TextIn ()
{
  return &mPrivate->TextIn;
}

EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL *
ConsoleInput::TextInEx ()
{
  return mWithInputEx ? &mPrivate->TextInEx : nullptr;
}

KEY_CODE_PROTOCOL *
ConsoleInput::KeyCode ()
{
  return mWithKeyCode ? &mPrivate->KeyCode : nullptr;
}

EFI_STATUS
ConsoleInput::Reset ()
{
  // A reset flushes what the device holds; scripted keys not yet released stay.
  mResets++;
  mScript.Flush ();
  return EFI_SUCCESS;
}

EFI_STATUS
ConsoleInput::Read (KEY_CODE_DATA *Record)
{
  if (mReadStep != 0) {
    mMachine.Events ().Advance (mReadStep);
  }
  mScript.ReleaseDue ();
  return mScript.Take (Record) ? EFI_SUCCESS : EFI_NOT_READY;
}

static bool
NotifyMatches (const EFI_KEY_DATA &Wanted, const KEY_CODE_DATA &Record)
{
  if ((Wanted.Key.ScanCode != Record.Key.ScanCode) || (Wanted.Key.UnicodeChar != Record.Key.UnicodeChar)) {
    return false;
  }
  UINT32  Shift = Wanted.KeyState.KeyShiftState;
  return ((Shift & EFI_SHIFT_STATE_VALID) == 0) || (Shift == Record.KeyState.KeyShiftState);
}

void
ConsoleInput::WaitNotify (EFI_EVENT Event)
{
  bool  Had = mScript.HasPending ();

  mScript.OnWait ();
  if (!mScript.HasPending ()) {
    return;
  }
  if (!Had) {
    // A key just arrived: registered key notifies see it, as in firmware.
    const KEY_CODE_DATA  &Arrived = *mScript.Pending ();
    for (const auto &Entry : mNotifies) {
      if (NotifyMatches (Entry->Key, Arrived)) {
        EFI_KEY_DATA  Data { Arrived.Key, Arrived.KeyState };
        (VOID)Entry->Function (&Data);  // the status of a key notify means nothing to the device
      }
    }
  }
  (VOID)mMachine.Events ().Signal (Event);  // our own live event
}

EFI_STATUS
ConsoleInput::RegisterNotify (const EFI_KEY_DATA *Key, EFI_KEY_NOTIFY_FUNCTION Function, VOID **Handle)
{
  if ((Key == nullptr) || (Function == nullptr) || (Handle == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }
  mNotifies.push_back (std::make_unique<KEY_NOTIFY_ENTRY>(KEY_NOTIFY_ENTRY { *Key, Function }));
  *Handle = mNotifies.back ().get ();
  return EFI_SUCCESS;
}

EFI_STATUS
ConsoleInput::UnregisterNotify (VOID *Handle)
{
  auto  Found = std::find_if (mNotifies.begin (), mNotifies.end (),
                  [Handle](const std::unique_ptr<KEY_NOTIFY_ENTRY> &Entry) { return Entry.get () == Handle; });

  if (Found == mNotifies.end ()) {
    return EFI_INVALID_PARAMETER;
  }
  mNotifies.erase (Found);
  return EFI_SUCCESS;
}

}  // namespace Emu

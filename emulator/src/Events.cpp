/** @file
  Events, timers and TPL on the virtual clock.
**/
#include <Emulator/Events.h>
#include <Emulator/Guid.h>
#include <Emulator/RunEnded.h>

#include <algorithm>

namespace Emu {

constexpr UINT64  kEventSignature = SIGNATURE_64 ('E', 'M', 'U', 'E', 'V', 'E', 'N', 'T');

// The groups that the two special CreateEvent types join.
static const EFI_GUID  kExitBootServicesGroup =
  { 0x27ABF055, 0xB1B8, 0x4C26, { 0x80, 0x48, 0x74, 0x8F, 0x37, 0xBA, 0xA2, 0xDF } };
static const EFI_GUID  kVirtualAddressChangeGroup =
  { 0x13FA7698, 0xC831, 0x49C7, { 0x87, 0xEA, 0x8F, 0x43, 0xFC, 0xC2, 0x51, 0x96 } };

struct EVENT_RECORD {
  UINT64            Signature;
  UINT32            Type;
  EFI_TPL           NotifyTpl;
  EFI_EVENT_NOTIFY  Function;
  VOID              *Context;
  bool              HasGroup;
  EFI_GUID          Group;
  bool              Signaled;
  bool              Queued;
  UINT64            QueueOrder;
  bool              Armed;
  UINT64            Due;
  UINT64            Period;
  UINT64            Serial;
};

EventSystem::EventSystem () = default;
EventSystem::~EventSystem () = default;

EVENT_RECORD *
EventSystem::Find (EFI_EVENT Event) const
{
  auto  *Record = static_cast<EVENT_RECORD *>(Event);

  if ((Record == nullptr) || (mLive.count (Record) == 0)) {
    return nullptr;
  }
  return Record;
}

bool
EventSystem::IsEvent (EFI_EVENT Event) const
{
  return Find (Event) != nullptr;
}

bool
EventSystem::IsSignaled (EFI_EVENT Event) const
{
  EVENT_RECORD  *Record = Find (Event);

  return (Record != nullptr) && Record->Signaled;
}

bool
EventSystem::IsTimerArmed (EFI_EVENT Event) const
{
  EVENT_RECORD  *Record = Find (Event);

  return (Record != nullptr) && Record->Armed;
}

void
EventSystem::Violation (const std::string &What, EFI_TPL From, EFI_TPL To)
{
  mViolations.push_back (TPL_VIOLATION { What, From, To });
}

EFI_STATUS
EventSystem::Create (UINT32 Type, EFI_TPL NotifyTpl, EFI_EVENT_NOTIFY Function, const VOID *Context,
  const EFI_GUID *Group, EFI_EVENT *Event)
{
  const UINT32  Known = EVT_TIMER | EVT_RUNTIME | EVT_NOTIFY_WAIT | EVT_NOTIFY_SIGNAL | 0x3;

  if ((Event == nullptr) || ((Type & ~Known) != 0)) {
    return EFI_INVALID_PARAMETER;
  }
  if ((Type & (EVT_NOTIFY_WAIT | EVT_NOTIFY_SIGNAL)) == (EVT_NOTIFY_WAIT | EVT_NOTIFY_SIGNAL)) {
    return EFI_INVALID_PARAMETER;
  }
  if ((Type == EVT_SIGNAL_EXIT_BOOT_SERVICES) || (Type == EVT_SIGNAL_VIRTUAL_ADDRESS_CHANGE)) {
    if (Group != nullptr) {
      return EFI_INVALID_PARAMETER;
    }
    Group = (Type == EVT_SIGNAL_EXIT_BOOT_SERVICES) ? &kExitBootServicesGroup : &kVirtualAddressChangeGroup;
  } else if ((Type & 0x3) != 0) {
    return EFI_INVALID_PARAMETER;
  }
  bool  Notifies = (Type & (EVT_NOTIFY_WAIT | EVT_NOTIFY_SIGNAL)) != 0;
  // A notify at or below TPL_APPLICATION could never run, since the TPL never drops
  // below the application level.
  if (Notifies && ((Function == nullptr) || (NotifyTpl <= TPL_APPLICATION) || (NotifyTpl >= TPL_HIGH_LEVEL))) {
    return EFI_INVALID_PARAMETER;
  }
  auto  Record = std::make_unique<EVENT_RECORD>();
  *Record = EVENT_RECORD {
    kEventSignature, Type, Notifies ? NotifyTpl : 0, Notifies ? Function : nullptr,
    const_cast<VOID *>(Context), Group != nullptr, Group != nullptr ? *Group : EFI_GUID {},
    false, false, 0, false, 0, 0, ++mSerial
  };
  *Event = Record.get ();
  mLive.insert (Record.get ());
  mAll.push_back (std::move (Record));
  return EFI_SUCCESS;
}

EFI_STATUS
EventSystem::SetTimer (EFI_EVENT Event, EFI_TIMER_DELAY Type, UINT64 TriggerTime)
{
  EVENT_RECORD  *Record = Find (Event);

  if ((Record == nullptr) || ((Record->Type & EVT_TIMER) == 0) || (Type > TimerRelative)) {
    return EFI_INVALID_PARAMETER;
  }
  mTimerLog.push_back (TIMER_LOG_ENTRY { Event, Type, TriggerTime, mNow });
  Record->Armed = false;
  if (Type == TimerCancel) {
    return EFI_SUCCESS;
  }
  // A periodic timer cannot beat the platform timer: below its resolution it is
  // raised to it, which also keeps long clock jumps bounded. A time of 0, periodic
  // or relative, means the next tick; due at once, a notify that re-arms itself
  // with 0 would spin with the clock standing still.
  UINT64  Period = TriggerTime;
  if (TriggerTime == 0) {
    Period = kTimerTick;
  } else if ((Type == TimerPeriodic) && (TriggerTime < kMinimumPeriod)) {
    Period = kMinimumPeriod;
  }
  Record->Period = (Type == TimerPeriodic) ? Period : 0;
  Record->Due    = mNow + Period;
  Record->Armed  = true;
  return EFI_SUCCESS;
}

void
EventSystem::Queue (EVENT_RECORD *Record)
{
  if (!Record->Queued) {
    Record->Queued     = true;
    Record->QueueOrder = ++mSerial;
  }
}

void
EventSystem::SignalOne (EVENT_RECORD *Record)
{
  if (Record->Signaled) {
    return;
  }
  Record->Signaled = true;
  if ((Record->Type & EVT_NOTIFY_SIGNAL) != 0) {
    Queue (Record);
  }
}

EFI_STATUS
EventSystem::Signal (EFI_EVENT Event)
{
  EVENT_RECORD  *Record = Find (Event);

  if (Record == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  if (Record->HasGroup) {
    SignalGroup (Record->Group);
    return EFI_SUCCESS;
  }
  SignalOne (Record);
  DispatchPending ();
  return EFI_SUCCESS;
}

void
EventSystem::SignalGroup (const EFI_GUID &Group)
{
  mGroupLog.push_back (Group);
  for (auto &Record : mAll) {
    if ((mLive.count (Record.get ()) != 0) && Record->HasGroup && GuidEqual (Record->Group, Group)) {
      SignalOne (Record.get ());
    }
  }
  DispatchPending ();
}

EFI_STATUS
EventSystem::Close (EFI_EVENT Event)
{
  EVENT_RECORD  *Record = Find (Event);

  if (Record == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  Record->Armed     = false;
  Record->Queued    = false;
  Record->Signature = 0;
  mLive.erase (Record);
  auto  Closed = std::find_if (mAll.begin (), mAll.end (),
    [Record](const std::unique_ptr<EVENT_RECORD> &Item) { return Item.get () == Record; });
  if (Closed != mAll.end ()) {
    mClosed.push_back (std::move (*Closed));
    mAll.erase (Closed);
  }
  return EFI_SUCCESS;
}

EVENT_RECORD *
EventSystem::NextToDispatch () const
{
  EVENT_RECORD  *Best = nullptr;

  for (EVENT_RECORD *Record : mLive) {
    if (!Record->Queued || (Record->NotifyTpl <= mTpl)) {
      continue;
    }
    if ((Best == nullptr) || (Record->NotifyTpl > Best->NotifyTpl) ||
        ((Record->NotifyTpl == Best->NotifyTpl) && (Record->QueueOrder < Best->QueueOrder)))
    {
      Best = Record;
    }
  }
  return Best;
}

void
EventSystem::DispatchPending ()
{
  for (EVENT_RECORD *Record = NextToDispatch (); Record != nullptr; Record = NextToDispatch ()) {
    EFI_TPL  Saved = mTpl;

    Record->Queued = false;
    // Signal-type events are consumed by their notify; wait-type events stay
    // signalled until CheckEvent or WaitForEvent takes the signal.
    if ((Record->Type & EVT_NOTIFY_SIGNAL) != 0) {
      Record->Signaled = false;
    }
    mTpl = Record->NotifyTpl;
    // A notify may end the run by throwing; the TPL must still come back down so
    // a test that catches the ending can go on using the machine.
    struct TPL_RESTORE {
      EFI_TPL  &Tpl;
      EFI_TPL  Value;
      ~TPL_RESTORE () { Tpl = Value; }
    } Restore { mTpl, Saved };
    Record->Function (Record, Record->Context);
  }
}

namespace {

// UEFI names four task priority levels; the others are reserved, and a driver that
// moves the level to one of them trips the DXE core's asserts.
bool
IsUefiTpl (EFI_TPL Tpl)
{
  return (Tpl == TPL_APPLICATION) || (Tpl == TPL_CALLBACK) || (Tpl == TPL_NOTIFY) || (Tpl == TPL_HIGH_LEVEL);
}

}  // namespace

EFI_TPL
EventSystem::RaiseTpl (EFI_TPL NewTpl)
{
  EFI_TPL  Old = mTpl;

  // Real firmware asserts on these; the machine records the break and refuses the
  // move, so a test sees both the record and a level that did not change.
  if (NewTpl < Old) {
    Violation ("RaiseTPL to a lower level", Old, NewTpl);
    return Old;
  }
  if (!IsUefiTpl (NewTpl)) {
    Violation ("RaiseTPL to a level UEFI does not define", Old, NewTpl);
    return Old;
  }
  mTpl = NewTpl;
  return Old;
}

void
EventSystem::RestoreTpl (EFI_TPL OldTpl)
{
  // Lowering by more than one raise is legal; raising through RestoreTPL and
  // levels UEFI does not name are refused.
  if (OldTpl > mTpl) {
    Violation ("RestoreTPL to a higher level", mTpl, OldTpl);
    return;
  }
  if (!IsUefiTpl (OldTpl)) {
    Violation ("RestoreTPL to a level UEFI does not define", mTpl, OldTpl);
    return;
  }
  mTpl = OldTpl;
  DispatchPending ();
}

EVENT_RECORD *
EventSystem::NextDueTimer (UINT64 Limit) const
{
  EVENT_RECORD  *Best = nullptr;

  for (EVENT_RECORD *Record : mLive) {
    if (!Record->Armed || (Record->Due > Limit)) {
      continue;
    }
    if ((Best == nullptr) || (Record->Due < Best->Due) ||
        ((Record->Due == Best->Due) && (Record->Serial < Best->Serial)))
    {
      Best = Record;
    }
  }
  return Best;
}

void
EventSystem::AdvanceTo (UINT64 Time)
{
  // Timers fire one at a time in due order, with the clock standing at each one's
  // due time, so a notify that reads the clock sees when it fell due.
  for (EVENT_RECORD *Record = NextDueTimer (Time); Record != nullptr; Record = NextDueTimer (Time)) {
    mNow = std::max (mNow, Record->Due);
    if (Record->Period != 0) {
      Record->Due += Record->Period;
    } else {
      Record->Armed = false;
    }
    // A timer in a group fires the group, as any signal of a member does.
    if (Record->HasGroup) {
      SignalGroup (Record->Group);
    } else {
      SignalOne (Record);
      DispatchPending ();
    }
  }
  mNow = std::max (mNow, Time);
}

void
EventSystem::Advance (UINT64 Ticks)
{
  AdvanceTo (mNow + Ticks);
}

void
EventSystem::Stall (UINTN Microseconds)
{
  Advance ((UINT64)Microseconds * 10);
}

EFI_STATUS
EventSystem::CheckOne (EVENT_RECORD *Record)
{
  if ((Record->Type & EVT_NOTIFY_SIGNAL) != 0) {
    return EFI_INVALID_PARAMETER;
  }
  // A wait-type event's notify is how a device gets asked whether it has something
  // (the key source releases its next key here).
  if (!Record->Signaled && ((Record->Type & EVT_NOTIFY_WAIT) != 0)) {
    Queue (Record);
    DispatchPending ();
  }
  if (Record->Signaled) {
    Record->Signaled = false;
    return EFI_SUCCESS;
  }
  return EFI_NOT_READY;
}

EFI_STATUS
EventSystem::Check (EFI_EVENT Event)
{
  EVENT_RECORD  *Record = Find (Event);

  // Refused before the poll step, so a refused check moves no time and fires no timer.
  if ((Record == nullptr) || ((Record->Type & EVT_NOTIFY_SIGNAL) != 0)) {
    return EFI_INVALID_PARAMETER;
  }
  Advance (mPollStep);
  if (Find (Event) == nullptr) {
    return EFI_INVALID_PARAMETER;  // a notify on the way closed it
  }
  return CheckOne (Record);
}

std::optional<UINT64>
EventSystem::NextWakeTime () const
{
  std::optional<UINT64>  Next;
  EVENT_RECORD           *Timer = NextDueTimer (UINT64 (-1));

  if (Timer != nullptr) {
    Next = Timer->Due;
  }
  if (mWaitSource != nullptr) {
    std::optional<UINT64>  Source = mWaitSource->NextWakeTime ();
    if (Source && (*Source > mNow) && (!Next || (*Source < *Next))) {
      Next = Source;
    }
  }
  return Next;
}

EFI_STATUS
EventSystem::Wait (UINTN NumberOfEvents, EFI_EVENT *Events, UINTN *Index)
{
  const UINT64  kWaitLimit = 24 * 3600 * kTicksPerSecond;
  UINT64        Start      = mNow;

  if ((NumberOfEvents == 0) || (Events == nullptr) || (Index == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }
  if (mTpl != TPL_APPLICATION) {
    Violation ("WaitForEvent above TPL_APPLICATION", mTpl, mTpl);
    return EFI_UNSUPPORTED;
  }
  // Cleared however the wait ends, run endings thrown from a notify included.
  struct WAITING {
    bool  &Flag;
    bool  Before;
    explicit WAITING (bool &Waiting) : Flag (Waiting), Before (Waiting) { Flag = true; }
    ~WAITING () { Flag = Before; }
  } Waiting (mWaiting);
  for (;;) {
    for (UINTN Number = 0; Number < NumberOfEvents; Number++) {
      EVENT_RECORD  *Record = Find (Events[Number]);
      EFI_STATUS    Status  = (Record == nullptr) ? EFI_INVALID_PARAMETER : CheckOne (Record);
      if (Status != EFI_NOT_READY) {
        *Index = Number;
        return Status;
      }
    }
    std::optional<UINT64>  Next = NextWakeTime ();
    if (!Next) {
      if ((mWaitSource != nullptr) && mWaitSource->Exhausted ()) {
        throw KeyScriptExhausted ("WaitForEvent: the program waits and the key script has no key left");
      }
      throw WaitNeverEnds ("WaitForEvent: no armed timer or scripted key can signal the events waited on");
    }
    if ((*Next > Start) && (*Next - Start > kWaitLimit)) {
      throw WaitNeverEnds ("WaitForEvent: nothing signalled the events waited on in a virtual day");
    }
    AdvanceTo (*Next);
  }
}

}  // namespace Emu

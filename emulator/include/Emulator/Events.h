/** @file
  Events, timers and task priority levels on a virtual clock.

  Time is a counter of 100-ns units that moves only when the program waits, stalls
  or polls, or when a test advances it; nothing sleeps, so a 10-second time-out
  runs in microseconds. Timers fall due in clock order and notify functions run at
  their own TPL whenever the current TPL is below it, as in firmware.
**/
#ifndef EMULATOR_EVENTS_H_
#define EMULATOR_EVENTS_H_

#include <Uefi.h>

#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

namespace Emu {

constexpr UINT64 kTicksPerSecond      = 10000000;  // the clock counts 100 ns
constexpr UINT64 kTicksPerMillisecond = 10000;
// A timer set to 0 (periodic or relative) fires at the next timer tick of the platform.
constexpr UINT64 kTimerTick = 10 * kTicksPerMillisecond;
// Shorter periods are raised to this: the resolution of the platform timer.
constexpr UINT64 kMinimumPeriod = kTicksPerMillisecond;

struct EVENT_RECORD;

// Something outside the event list that can wake a wait: the key script.
class WaitSource {
public:
  virtual ~WaitSource () = default;
  // The clock value at which the source will next have something, if ever.
  virtual std::optional<UINT64> NextWakeTime () const = 0;
  // True when the source has nothing left to give (the script is used up).
  virtual bool Exhausted () const = 0;
};

struct TIMER_LOG_ENTRY {
  EFI_EVENT        Event;
  EFI_TIMER_DELAY  Type;
  UINT64           TriggerTime;  // the argument, in 100-ns units
  UINT64           At;           // clock when SetTimer was called
};

struct TPL_VIOLATION {
  std::string  What;
  EFI_TPL      From;
  EFI_TPL      To;
};

class EventSystem {
public:
  EventSystem ();
  ~EventSystem ();
  EventSystem (const EventSystem &)            = delete;
  EventSystem &operator= (const EventSystem &) = delete;

  // Boot services. Group may be null; CreateEvent passes null.
  EFI_STATUS Create (UINT32 Type, EFI_TPL NotifyTpl, EFI_EVENT_NOTIFY Function, const VOID *Context,
               const EFI_GUID *Group, EFI_EVENT *Event);
  EFI_STATUS SetTimer (EFI_EVENT Event, EFI_TIMER_DELAY Type, UINT64 TriggerTime);
  EFI_STATUS Signal (EFI_EVENT Event);
  EFI_STATUS Close (EFI_EVENT Event);
  EFI_STATUS Check (EFI_EVENT Event);
  EFI_STATUS Wait (UINTN NumberOfEvents, EFI_EVENT *Events, UINTN *Index);
  EFI_TPL    RaiseTpl (EFI_TPL NewTpl);
  void       RestoreTpl (EFI_TPL OldTpl);
  void       Stall (UINTN Microseconds);

  // Signals every event of a group, as SignalEvent on one member does.
  void       SignalGroup (const EFI_GUID &Group);

  // Test controls: move the clock, firing what falls due on the way.
  void       Advance (UINT64 Ticks);
  void       AdvanceTo (UINT64 Time);
  UINT64     Now () const { return mNow; }
  EFI_TPL    CurrentTpl () const { return mTpl; }
  // How far each CheckEvent moves the clock, so polling loops make progress.
  void       SetPollStep (UINT64 Ticks) { mPollStep = Ticks; }
  void       SetWaitSource (WaitSource *Source) { mWaitSource = Source; }

  // When the clock would next move by itself (a timer or a timed key); nullopt when nothing is due.
  std::optional<UINT64> NextWakeTime () const;
  // True inside WaitForEvent, which returns only once an event is signalled; false in a
  // CheckEvent, a poll that must come back at once whatever it finds.
  bool       Waiting () const { return mWaiting; }
  bool       IsEvent (EFI_EVENT Event) const;
  bool       IsSignaled (EFI_EVENT Event) const;
  bool       IsTimerArmed (EFI_EVENT Event) const;
  UINTN      OpenEventCount () const { return mLive.size (); }
  const std::vector<TIMER_LOG_ENTRY> &TimerLog () const { return mTimerLog; }
  const std::vector<TPL_VIOLATION>   &TplViolations () const { return mViolations; }
  const std::vector<EFI_GUID>        &GroupSignalLog () const { return mGroupLog; }

private:
  EVENT_RECORD *Find (EFI_EVENT Event) const;
  void          SignalOne (EVENT_RECORD *Record);
  void          Queue (EVENT_RECORD *Record);
  void          DispatchPending ();
  EVENT_RECORD *NextToDispatch () const;
  EVENT_RECORD *NextDueTimer (UINT64 Limit) const;
  EFI_STATUS    CheckOne (EVENT_RECORD *Record);
  void          Violation (const std::string &What, EFI_TPL From, EFI_TPL To);

  std::vector<std::unique_ptr<EVENT_RECORD>>  mAll;     // open ones, in creation order
  // Closed events stay allocated, so a stale event never names a new one and stays
  // detectable; kept apart, they cost nothing to the group signals that follow.
  std::vector<std::unique_ptr<EVENT_RECORD>>  mClosed;
  std::unordered_set<EVENT_RECORD *>          mLive;
  std::vector<TIMER_LOG_ENTRY>                mTimerLog;
  std::vector<TPL_VIOLATION>                  mViolations;
  std::vector<EFI_GUID>                       mGroupLog;
  WaitSource                                  *mWaitSource = nullptr;
  UINT64                                      mNow         = 0;
  UINT64                                      mPollStep    = kTicksPerMillisecond;
  UINT64                                      mSerial      = 0;
  EFI_TPL                                     mTpl         = TPL_APPLICATION;
  bool                                        mWaiting     = false;
};

}  // namespace Emu

#endif

// The virtual clock, timers, TPL rules and event groups, called through the boot
// services table as the driver calls them.
#include <Emulator/Machine.h>
#include <Emulator/RunEnded.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

struct NOTIFY_TRACE {
  std::vector<UINT64>  Times;
  std::vector<EFI_TPL> Tpls;
  Emu::Machine         *Machine;
};

VOID EFIAPI
RecordNotify (EFI_EVENT Event, VOID *Context)
{
  (VOID)Event;
  auto  *Trace = static_cast<NOTIFY_TRACE *>(Context);
  Trace->Times.push_back (Trace->Machine->Events ().Now ());
  Trace->Tpls.push_back (Trace->Machine->Events ().CurrentTpl ());
}

class EventsTest : public ::testing::Test {
protected:
  Emu::Machine      Machine;
  EFI_BOOT_SERVICES *BS = Machine.BootServices ();
  NOTIFY_TRACE      Trace { {}, {}, &Machine };

  EFI_EVENT NotifyTimer ()
  {
    EFI_EVENT  Event = nullptr;
    EXPECT_EQ (BS->CreateEvent (EVT_TIMER | EVT_NOTIFY_SIGNAL, TPL_CALLBACK, RecordNotify, &Trace, &Event),
      EFI_SUCCESS);
    return Event;
  }
};

// A 10-second relative timer waited on returns at exactly 10 s of virtual time.
TEST_F (EventsTest, WaitJumpsTheClockToTheRelativeTimer)
{
  EFI_EVENT  Timer = nullptr;
  UINTN      Index = 99;

  ASSERT_EQ (BS->CreateEvent (EVT_TIMER, 0, nullptr, nullptr, &Timer), EFI_SUCCESS);
  ASSERT_EQ (BS->SetTimer (Timer, TimerRelative, 100000000), EFI_SUCCESS);
  ASSERT_EQ (BS->WaitForEvent (1, &Timer, &Index), EFI_SUCCESS);
  EXPECT_EQ (Index, 0u);
  EXPECT_EQ (Machine.Events ().Now (), 100000000u);
  // The signal was consumed by the wait, and a relative timer fires once.
  EXPECT_EQ (BS->CheckEvent (Timer), EFI_NOT_READY);
  ASSERT_EQ (Machine.Events ().TimerLog ().size (), 1u);
  EXPECT_EQ (Machine.Events ().TimerLog ()[0].TriggerTime, 100000000u);
}

// A periodic 0.5-s timer fires at every period while a Stall passes over it, and
// its notify runs at TPL_CALLBACK with the clock at the due time.
TEST_F (EventsTest, PeriodicTimerFiresEachPeriodDuringStall)
{
  EFI_EVENT  Timer = NotifyTimer ();

  ASSERT_EQ (BS->SetTimer (Timer, TimerPeriodic, 5000000), EFI_SUCCESS);
  ASSERT_EQ (BS->Stall (1700000), EFI_SUCCESS);
  EXPECT_EQ (Trace.Times, (std::vector<UINT64> { 5000000, 10000000, 15000000 }));
  EXPECT_EQ (Trace.Tpls, (std::vector<EFI_TPL> { TPL_CALLBACK, TPL_CALLBACK, TPL_CALLBACK }));
  EXPECT_EQ (Machine.Events ().Now (), 17000000u);
}

// Cancelling stops a timer; setting it again restarts the count from now.
TEST_F (EventsTest, CancelledTimerDoesNotFire)
{
  EFI_EVENT  Timer = NotifyTimer ();

  ASSERT_EQ (BS->SetTimer (Timer, TimerRelative, 1000), EFI_SUCCESS);
  ASSERT_EQ (BS->SetTimer (Timer, TimerCancel, 0), EFI_SUCCESS);
  Machine.Events ().Advance (5000);
  EXPECT_TRUE (Trace.Times.empty ());
  ASSERT_EQ (BS->SetTimer (Timer, TimerRelative, 1000), EFI_SUCCESS);
  Machine.Events ().Advance (999);
  EXPECT_TRUE (Trace.Times.empty ());
  Machine.Events ().Advance (1);
  EXPECT_EQ (Trace.Times, (std::vector<UINT64> { 6000 }));
}

// Notifies wait while the TPL is at or above theirs, and run when RestoreTPL drops
// below it, including a drop from 31 straight to 4.
TEST_F (EventsTest, NotifyRunsWhenRestoreTplDropsBelowItsLevel)
{
  EFI_EVENT  Event = nullptr;

  ASSERT_EQ (BS->CreateEvent (EVT_NOTIFY_SIGNAL, TPL_CALLBACK, RecordNotify, &Trace, &Event), EFI_SUCCESS);
  EFI_TPL  Old = BS->RaiseTPL (TPL_HIGH_LEVEL);
  EXPECT_EQ (Old, (EFI_TPL)TPL_APPLICATION);
  ASSERT_EQ (BS->SignalEvent (Event), EFI_SUCCESS);
  EXPECT_TRUE (Trace.Times.empty ());
  BS->RestoreTPL (TPL_CALLBACK);
  EXPECT_TRUE (Trace.Times.empty ());
  BS->RestoreTPL (TPL_APPLICATION);
  EXPECT_EQ (Trace.Tpls, (std::vector<EFI_TPL> { TPL_CALLBACK }));
  ASSERT_EQ (BS->SignalEvent (Event), EFI_SUCCESS);
  EXPECT_EQ (Trace.Tpls, (std::vector<EFI_TPL> { TPL_CALLBACK, TPL_CALLBACK }));
  (VOID)BS->RaiseTPL (TPL_HIGH_LEVEL);
  ASSERT_EQ (BS->SignalEvent (Event), EFI_SUCCESS);
  BS->RestoreTPL (TPL_APPLICATION);
  EXPECT_EQ (Trace.Tpls.size (), 3u);
  EXPECT_TRUE (Machine.Events ().TplViolations ().empty ());
}

// Real firmware asserts when RaiseTPL lowers, when RestoreTPL raises, or when either
// names a level UEFI does not define (such as 7): the machine records each and
// refuses the move, so the level stays where it was and no notify runs early.
TEST_F (EventsTest, ForbiddenTplMovesAreRecordedAndRefused)
{
  EFI_EVENT  Event = nullptr;

  ASSERT_EQ (BS->CreateEvent (EVT_NOTIFY_SIGNAL, TPL_CALLBACK, RecordNotify, &Trace, &Event), EFI_SUCCESS);
  EXPECT_EQ (BS->RaiseTPL (TPL_NOTIFY), (EFI_TPL)TPL_APPLICATION);
  ASSERT_EQ (BS->SignalEvent (Event), EFI_SUCCESS);
  EXPECT_EQ (BS->RaiseTPL (TPL_CALLBACK), (EFI_TPL)TPL_NOTIFY);
  EXPECT_EQ (Machine.Events ().CurrentTpl (), (EFI_TPL)TPL_NOTIFY);
  EXPECT_EQ (BS->RaiseTPL (20), (EFI_TPL)TPL_NOTIFY);
  EXPECT_EQ (BS->RaiseTPL (TPL_HIGH_LEVEL + 1), (EFI_TPL)TPL_NOTIFY);
  EXPECT_EQ (Machine.Events ().CurrentTpl (), (EFI_TPL)TPL_NOTIFY);
  BS->RestoreTPL (7);
  EXPECT_EQ (Machine.Events ().CurrentTpl (), (EFI_TPL)TPL_NOTIFY);
  EXPECT_TRUE (Trace.Times.empty ());
  BS->RestoreTPL (TPL_HIGH_LEVEL);
  EXPECT_EQ (Machine.Events ().CurrentTpl (), (EFI_TPL)TPL_NOTIFY);
  BS->RestoreTPL (TPL_APPLICATION);
  EXPECT_EQ (Trace.Tpls, (std::vector<EFI_TPL> { TPL_CALLBACK }));

  const auto  &Seen = Machine.Events ().TplViolations ();
  ASSERT_EQ (Seen.size (), 5u);
  EXPECT_EQ (Seen[0].What, "RaiseTPL to a lower level");
  EXPECT_EQ (Seen[1].What, "RaiseTPL to a level UEFI does not define");
  EXPECT_EQ (Seen[2].What, "RaiseTPL to a level UEFI does not define");
  EXPECT_EQ (Seen[3].What, "RestoreTPL to a level UEFI does not define");
  EXPECT_EQ (Seen[3].To, (EFI_TPL)7);
  EXPECT_EQ (Seen[4].What, "RestoreTPL to a higher level");
}

// Breaking the TPL rules is recorded, not fatal: RestoreTPL upwards (refused) and
// WaitForEvent above TPL_APPLICATION (which answers EFI_UNSUPPORTED).
TEST_F (EventsTest, TplRuleBreaksAreRecorded)
{
  EFI_EVENT  Timer = nullptr;
  UINTN      Index = 0;

  ASSERT_EQ (BS->CreateEvent (EVT_TIMER, 0, nullptr, nullptr, &Timer), EFI_SUCCESS);
  BS->RestoreTPL (TPL_NOTIFY);
  EXPECT_EQ (Machine.Events ().CurrentTpl (), (EFI_TPL)TPL_APPLICATION);
  (VOID)BS->RaiseTPL (TPL_NOTIFY);
  EXPECT_EQ (BS->WaitForEvent (1, &Timer, &Index), EFI_UNSUPPORTED);
  BS->RestoreTPL (TPL_APPLICATION);
  ASSERT_EQ (Machine.Events ().TplViolations ().size (), 2u);
  EXPECT_EQ (Machine.Events ().TplViolations ()[0].What, "RestoreTPL to a higher level");
  EXPECT_EQ (Machine.Events ().TplViolations ()[1].What, "WaitForEvent above TPL_APPLICATION");
}

// SignalEvent on one member of a group signals every member, and only them.
TEST_F (EventsTest, SignallingOneGroupMemberSignalsTheGroup)
{
  static const EFI_GUID  Group = { 0x7CE88FB3, 0x4BD7, 0x4679, { 0x87, 0xA8, 0xA8, 0xD8, 0xDE, 0xE5, 0x0D, 0x2B } };
  EFI_EVENT              First = nullptr;
  EFI_EVENT              Second = nullptr;
  EFI_EVENT              Loner = nullptr;

  ASSERT_EQ (BS->CreateEventEx (EVT_NOTIFY_SIGNAL, TPL_CALLBACK, RecordNotify, &Trace, &Group, &First), EFI_SUCCESS);
  ASSERT_EQ (BS->CreateEventEx (EVT_NOTIFY_SIGNAL, TPL_NOTIFY, RecordNotify, &Trace, &Group, &Second), EFI_SUCCESS);
  ASSERT_EQ (BS->CreateEvent (EVT_NOTIFY_SIGNAL, TPL_CALLBACK, RecordNotify, &Trace, &Loner), EFI_SUCCESS);
  ASSERT_EQ (BS->SignalEvent (First), EFI_SUCCESS);
  // Higher TPL first.
  EXPECT_EQ (Trace.Tpls, (std::vector<EFI_TPL> { TPL_NOTIFY, TPL_CALLBACK }));
  ASSERT_EQ (Machine.Events ().GroupSignalLog ().size (), 1u);
  ASSERT_EQ (BS->CloseEvent (Second), EFI_SUCCESS);
  ASSERT_EQ (BS->SignalEvent (First), EFI_SUCCESS);
  EXPECT_EQ (Trace.Tpls.size (), 3u);
}

// Check and wait argument rules: signal-type events cannot be waited on (the index
// names the refused one), closed events are invalid, and a wait that nothing can end
// ends the run.
TEST_F (EventsTest, InvalidWaitsAreRejected)
{
  EFI_EVENT  Events[2] = { nullptr, nullptr };
  EFI_EVENT  Plain     = nullptr;
  UINTN      Index     = 0;

  ASSERT_EQ (BS->CreateEvent (EVT_TIMER, 0, nullptr, nullptr, &Events[0]), EFI_SUCCESS);
  ASSERT_EQ (BS->CreateEvent (EVT_NOTIFY_SIGNAL, TPL_CALLBACK, RecordNotify, &Trace, &Events[1]), EFI_SUCCESS);
  EXPECT_EQ (BS->CheckEvent (Events[1]), EFI_INVALID_PARAMETER);
  EXPECT_EQ (BS->WaitForEvent (2, Events, &Index), EFI_INVALID_PARAMETER);
  EXPECT_EQ (Index, 1u);
  ASSERT_EQ (BS->CreateEvent (0, 0, nullptr, nullptr, &Plain), EFI_SUCCESS);
  EXPECT_THROW (BS->WaitForEvent (1, &Plain, &Index), Emu::WaitNeverEnds);
  ASSERT_EQ (BS->CloseEvent (Plain), EFI_SUCCESS);
  EXPECT_EQ (BS->CheckEvent (Plain), EFI_INVALID_PARAMETER);
  EXPECT_EQ (BS->CreateEvent (EVT_NOTIFY_WAIT | EVT_NOTIFY_SIGNAL, TPL_CALLBACK, RecordNotify, nullptr, &Plain),
    EFI_INVALID_PARAMETER);
  EXPECT_EQ (BS->CreateEvent (EVT_NOTIFY_SIGNAL, TPL_CALLBACK, nullptr, nullptr, &Plain), EFI_INVALID_PARAMETER);
  EXPECT_EQ (Machine.Events ().OpenEventCount (), 2u);
}

// Polling CheckEvent moves the clock, so a busy loop on a timer ends.
TEST_F (EventsTest, CheckEventPollingReachesTheTimer)
{
  EFI_EVENT  Timer = nullptr;
  int        Polls = 0;

  ASSERT_EQ (BS->CreateEvent (EVT_TIMER, 0, nullptr, nullptr, &Timer), EFI_SUCCESS);
  ASSERT_EQ (BS->SetTimer (Timer, TimerRelative, 5 * Emu::kTicksPerMillisecond), EFI_SUCCESS);
  while (BS->CheckEvent (Timer) == EFI_NOT_READY) {
    Polls++;
    ASSERT_LT (Polls, 100);
  }
  EXPECT_EQ (Polls, 4);
}

// The wait returns the first ready event of the list by index.
TEST_F (EventsTest, WaitReportsWhichEventEnded)
{
  EFI_EVENT  Events[2] = { nullptr, nullptr };
  UINTN      Index     = 0;

  ASSERT_EQ (BS->CreateEvent (EVT_TIMER, 0, nullptr, nullptr, &Events[0]), EFI_SUCCESS);
  ASSERT_EQ (BS->CreateEvent (EVT_TIMER, 0, nullptr, nullptr, &Events[1]), EFI_SUCCESS);
  ASSERT_EQ (BS->SetTimer (Events[0], TimerRelative, 300), EFI_SUCCESS);
  ASSERT_EQ (BS->SetTimer (Events[1], TimerRelative, 200), EFI_SUCCESS);
  ASSERT_EQ (BS->WaitForEvent (2, Events, &Index), EFI_SUCCESS);
  EXPECT_EQ (Index, 1u);
  EXPECT_EQ (Machine.Events ().Now (), 200u);
}

// A timer set to 0 falls due at the next 10-ms tick, not at once, so a notify that
// re-arms its timer with 0 runs once per tick instead of spinning on a clock that
// never moves.
TEST_F (EventsTest, ZeroTimerFiresAtTheNextTick)
{
  EFI_EVENT  Timer = NotifyTimer ();

  ASSERT_EQ (BS->SetTimer (Timer, TimerRelative, 0), EFI_SUCCESS);
  Machine.Events ().Advance (0);
  EXPECT_TRUE (Trace.Times.empty ());
  Machine.Events ().Advance (Emu::kTimerTick - 1);
  EXPECT_TRUE (Trace.Times.empty ());
  Machine.Events ().Advance (1);
  EXPECT_EQ (Trace.Times, (std::vector<UINT64> { Emu::kTimerTick }));
  ASSERT_EQ (BS->SetTimer (Timer, TimerPeriodic, 0), EFI_SUCCESS);
  Machine.Events ().Advance (2 * Emu::kTimerTick);
  EXPECT_EQ (Trace.Times, (std::vector<UINT64> { Emu::kTimerTick, 2 * Emu::kTimerTick, 3 * Emu::kTimerTick }));
}

// A timer that belongs to a group signals the whole group when it fires: one
// member's signal is every member's.
TEST_F (EventsTest, GroupTimerSignalsEveryMember)
{
  static const EFI_GUID  Group = { 0x2B7C7A0E, 0x5D1F, 0x4C6B, { 0x9E, 0x33, 0x61, 0x0A, 0x4F, 0x8D, 0x21, 0xC7 } };
  EFI_EVENT              Timer = nullptr;
  EFI_EVENT              Listener = nullptr;

  ASSERT_EQ (BS->CreateEventEx (EVT_TIMER, 0, nullptr, nullptr, &Group, &Timer), EFI_SUCCESS);
  ASSERT_EQ (BS->CreateEventEx (EVT_NOTIFY_SIGNAL, TPL_CALLBACK, RecordNotify, &Trace, &Group, &Listener),
    EFI_SUCCESS);
  ASSERT_EQ (BS->SetTimer (Timer, TimerRelative, 1000), EFI_SUCCESS);
  Machine.Events ().Advance (1000);
  EXPECT_EQ (Trace.Times, (std::vector<UINT64> { 1000 }));
  EXPECT_EQ (BS->CheckEvent (Timer), EFI_SUCCESS);
}

// Checking a signal-type event is refused before anything happens: no poll step
// passes, so no timer fires on the way.
TEST_F (EventsTest, RefusedCheckMovesNoTime)
{
  EFI_EVENT  Signal = nullptr;
  EFI_EVENT  Timer  = NotifyTimer ();

  ASSERT_EQ (BS->CreateEvent (EVT_NOTIFY_SIGNAL, TPL_CALLBACK, RecordNotify, &Trace, &Signal), EFI_SUCCESS);
  ASSERT_EQ (BS->SetTimer (Timer, TimerRelative, 1), EFI_SUCCESS);
  EXPECT_EQ (BS->CheckEvent (Signal), EFI_INVALID_PARAMETER);
  EXPECT_EQ (Machine.Events ().Now (), 0u);
  EXPECT_TRUE (Trace.Times.empty ());
}

// A signal of an event already signalled queues nothing more: its notify runs
// once. Closing an event drops a notify still waiting for the TPL to drop.
TEST_F (EventsTest, PendingNotifiesRunOnceAndCloseDropsThem)
{
  EFI_EVENT  Once   = nullptr;
  EFI_EVENT  Closed = nullptr;

  ASSERT_EQ (BS->CreateEvent (EVT_NOTIFY_SIGNAL, TPL_CALLBACK, RecordNotify, &Trace, &Once), EFI_SUCCESS);
  ASSERT_EQ (BS->CreateEvent (EVT_NOTIFY_SIGNAL, TPL_NOTIFY, RecordNotify, &Trace, &Closed), EFI_SUCCESS);
  EFI_TPL  Old = BS->RaiseTPL (TPL_HIGH_LEVEL);
  ASSERT_EQ (BS->SignalEvent (Once), EFI_SUCCESS);
  ASSERT_EQ (BS->SignalEvent (Once), EFI_SUCCESS);
  ASSERT_EQ (BS->SignalEvent (Closed), EFI_SUCCESS);
  ASSERT_EQ (BS->CloseEvent (Closed), EFI_SUCCESS);
  BS->RestoreTPL (Old);
  EXPECT_EQ (Trace.Tpls, (std::vector<EFI_TPL> { TPL_CALLBACK }));
}

}  // namespace

namespace {

// What a wait-type event's notify sees: whether the program blocks on it (WaitForEvent)
// or only polls it (CheckEvent). A key source fed by a person must never hold up a poll.
struct WAIT_SEEN {
  Emu::Machine       *Machine;
  std::vector<bool>  Waiting;
  bool               SignalAt;       // signal the event on the second call
};

VOID EFIAPI
SeeWaiting (EFI_EVENT Event, VOID *Context)
{
  auto  *Seen = static_cast<WAIT_SEEN *>(Context);
  Seen->Waiting.push_back (Seen->Machine->Events ().Waiting ());
  if (Seen->SignalAt && (Seen->Waiting.size () == 2)) {
    (VOID)Seen->Machine->BootServices ()->SignalEvent (Event);
  }
}

TEST_F (EventsTest, AWaitNotifyTellsABlockingWaitFromAPoll)
{
  WAIT_SEEN  Seen { &Machine, {}, true };
  EFI_EVENT  Key   = nullptr;
  EFI_EVENT  Timer = nullptr;
  UINTN      Index = 9;

  ASSERT_EQ (BS->CreateEvent (EVT_NOTIFY_WAIT, TPL_NOTIFY, SeeWaiting, &Seen, &Key), EFI_SUCCESS);
  EXPECT_FALSE (Machine.Events ().Waiting ());
  EXPECT_EQ (BS->CheckEvent (Key), EFI_NOT_READY);
  ASSERT_EQ (BS->CreateEvent (EVT_TIMER, 0, nullptr, nullptr, &Timer), EFI_SUCCESS);
  ASSERT_EQ (BS->SetTimer (Timer, TimerRelative, 10000), EFI_SUCCESS);
  EFI_EVENT  Both[] = { Key, Timer };
  ASSERT_EQ (BS->WaitForEvent (2, Both, &Index), EFI_SUCCESS);
  EXPECT_EQ (Index, 0u);
  EXPECT_EQ (Seen.Waiting, (std::vector<bool> { false, true }));
  EXPECT_FALSE (Machine.Events ().Waiting ());       // over once the wait returned

  // A wait that ends the run (nothing can signal it) leaves no wait behind either.
  EFI_EVENT  Lone = nullptr;
  ASSERT_EQ (BS->CreateEvent (EVT_TIMER, 0, nullptr, nullptr, &Lone), EFI_SUCCESS);
  EXPECT_THROW ((VOID)BS->WaitForEvent (1, &Lone, &Index), Emu::RunEnded);
  EXPECT_FALSE (Machine.Events ().Waiting ());
}

}  // namespace

// A closed event stays refused and no later event takes its handle, however many come
// and go; the group's other members keep being signalled.
TEST_F (EventsTest, AClosedEventStaysStaleWhileOthersComeAndGo)
{
  static const EFI_GUID  Group  = { 0x1D3E5A41, 0x92C7, 0x4B0E, { 0x8F, 0x61, 0x3A, 0x5B, 0x0C, 0x9D, 0x27, 0xE4 } };
  EFI_EVENT              Kept   = nullptr;
  EFI_EVENT              Closed = nullptr;

  ASSERT_EQ (BS->CreateEventEx (EVT_NOTIFY_SIGNAL, TPL_CALLBACK, RecordNotify, &Trace, &Group, &Closed), EFI_SUCCESS);
  ASSERT_EQ (BS->CreateEventEx (EVT_NOTIFY_SIGNAL, TPL_CALLBACK, RecordNotify, &Trace, &Group, &Kept), EFI_SUCCESS);
  ASSERT_EQ (BS->CloseEvent (Closed), EFI_SUCCESS);

  for (int Round = 0; Round < 64; Round++) {
    EFI_EVENT  Other = nullptr;
    ASSERT_EQ (BS->CreateEventEx (EVT_NOTIFY_SIGNAL, TPL_CALLBACK, RecordNotify, &Trace, &Group, &Other), EFI_SUCCESS);
    EXPECT_NE (Other, Closed);
    ASSERT_EQ (BS->CloseEvent (Other), EFI_SUCCESS);
  }

  EXPECT_EQ (BS->SignalEvent (Closed), EFI_INVALID_PARAMETER);
  EXPECT_EQ (BS->CloseEvent (Closed), EFI_INVALID_PARAMETER);
  ASSERT_EQ (BS->SignalEvent (Kept), EFI_SUCCESS);
  EXPECT_EQ (Trace.Tpls.size (), 1u);
  EXPECT_EQ (Machine.Events ().OpenEventCount (), 1u);
}

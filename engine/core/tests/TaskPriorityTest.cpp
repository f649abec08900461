// The engine's pair of task-priority moves, on the emulator's boot services, which
// record and refuse every move UEFI forbids.
#include <engine/core/TaskPriority.h>
#include <engine/testing/EngineTestMachine.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<EFI_TPL>  gNotifyTpls;

VOID EFIAPI
RecordNotify (EFI_EVENT Event, VOID *Context)
{
  (VOID)Event;
  gNotifyTpls.push_back (static_cast<Emu::Machine *>(Context)->Events ().CurrentTpl ());
}

class TaskPriorityTest : public ::testing::Test {
protected:
  void SetUp () override { gNotifyTpls.clear (); }

  EngineTestMachine  T;
  Emu::Machine       &M = T.M;
};

// Called at the application level, the pair leaves the level there and breaks no rule.
TEST_F (TaskPriorityTest, FromTheApplicationLevelThePairChangesNothing)
{
  EFI_TPL  Caller = LowerToApplicationTpl ();

  EXPECT_EQ (Caller, (EFI_TPL)TPL_APPLICATION);
  EXPECT_EQ (M.Events ().CurrentTpl (), (EFI_TPL)TPL_APPLICATION);
  RestoreCallerTpl (Caller);
  EXPECT_EQ (M.Events ().CurrentTpl (), (EFI_TPL)TPL_APPLICATION);
  EXPECT_TRUE (M.Events ().TplViolations ().empty ());
}

// From each level UEFI names, the engine drops to the application level and gives the
// caller's level back, and the caller's own RestoreTPL afterwards is still a lowering.
TEST_F (TaskPriorityTest, EveryCallerLevelComesBackWithinUefiRules)
{
  for (EFI_TPL Level : { (EFI_TPL)TPL_CALLBACK, (EFI_TPL)TPL_NOTIFY, (EFI_TPL)TPL_HIGH_LEVEL }) {
    EFI_TPL  Outer  = gBS->RaiseTPL (Level);
    EFI_TPL  Caller = LowerToApplicationTpl ();

    EXPECT_EQ (Caller, Level);
    EXPECT_EQ (M.Events ().CurrentTpl (), (EFI_TPL)TPL_APPLICATION);
    RestoreCallerTpl (Caller);
    EXPECT_EQ (M.Events ().CurrentTpl (), Level);
    gBS->RestoreTPL (Outer);
    EXPECT_EQ (M.Events ().CurrentTpl (), (EFI_TPL)TPL_APPLICATION);
  }
  EXPECT_TRUE (M.Events ().TplViolations ().empty ());
}

// A notification held back by the caller's level runs when the engine drops to the
// application level, at its own level, before the engine goes on.
TEST_F (TaskPriorityTest, LoweringRunsTheNotificationsTheCallerHeldBack)
{
  EFI_EVENT  Event = nullptr;

  ASSERT_EQ (gBS->CreateEvent (EVT_NOTIFY_SIGNAL, TPL_CALLBACK, RecordNotify, &M, &Event), EFI_SUCCESS);
  EFI_TPL  Outer = gBS->RaiseTPL (TPL_NOTIFY);
  ASSERT_EQ (gBS->SignalEvent (Event), EFI_SUCCESS);
  EXPECT_TRUE (gNotifyTpls.empty ());

  EFI_TPL  Caller = LowerToApplicationTpl ();
  EXPECT_EQ (gNotifyTpls, (std::vector<EFI_TPL> { TPL_CALLBACK }));
  RestoreCallerTpl (Caller);
  gBS->RestoreTPL (Outer);
  EXPECT_EQ (gNotifyTpls.size (), 1u);
  EXPECT_EQ (gBS->CloseEvent (Event), EFI_SUCCESS);
  EXPECT_TRUE (M.Events ().TplViolations ().empty ());
}

// The restore works from any level the engine reached in between, above or at the
// caller's, without RestoreTPL ever going up.
TEST_F (TaskPriorityTest, RestoreWorksFromAboveTheCallersLevel)
{
  EFI_TPL  Outer  = gBS->RaiseTPL (TPL_CALLBACK);
  EFI_TPL  Caller = LowerToApplicationTpl ();

  (VOID)gBS->RaiseTPL (TPL_NOTIFY);     // left raised on purpose: the restore must cope
  RestoreCallerTpl (Caller);
  EXPECT_EQ (M.Events ().CurrentTpl (), (EFI_TPL)TPL_CALLBACK);
  gBS->RestoreTPL (Outer);
  EXPECT_TRUE (M.Events ().TplViolations ().empty ());
}

}  // namespace

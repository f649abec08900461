// The text-mode object model on the emulator: the input object's tick and key
// events with their clearing, and the key and click bindings that run callbacks.
#include <engine/testing/TextUiMachineTest.h>

#include <engine/textui/TuiObject.h>
#include <Library/MemoryAllocationLib.h>

#include <Emulator/KeyScript.h>

#include <vector>

namespace {

struct CALL {
  VOID  *Context;
  VOID  *Object;
  VOID  *Data;
};

std::vector<CALL>  mCalls;

EFI_STATUS
Record (VOID *Context, VOID *Object, VOID *Data)
{
  mCalls.push_back ({ Context, Object, Data });
  return EFI_ABORTED;            // a callback's answer does not change the binding's
}

class TuiObjectTest : public TextUiMachineTest {
protected:
  void SetUp () override
  {
    TextUiMachineTest::SetUp ();
    mCalls.clear ();
    Mark = M.Memory ().AllocationCount ();
  }

  TUI_INPUT *NewInput ()
  {
    VOID  *Object = nullptr;
    EXPECT_EQ (TuiCreate (&gTuiInputOps, &Object), EFI_SUCCESS);
    return (TUI_INPUT *)Object;
  }

  // An event record holding one key, as GetAction fills it.
  static TUI_INPUT KeyEvent (const std::string &Name)
  {
    TUI_INPUT  Event {};
    Event.Kind = TUI_EVENT_KEY;
    Event.Key  = Emu::ParseKeyScript (Name).at (0).Record;
    return Event;
  }

  static TUI_INPUT Click (UINT32 Row, UINT32 Column)
  {
    TUI_INPUT  Event {};
    Event.Kind    = TUI_EVENT_POINTER;
    Event.Pointer = POINTER_ACTION_EVENT { Row, Column, 1 };
    return Event;
  }

  UINT64  Mark = 0;
};

TEST_F (TuiObjectTest, TheInputObjectHandsOutTicksThenKeysAndKeepsAnEventUntilCleared) {
  UINTN      Open  = M.Events ().OpenEventCount ();
  TUI_INPUT  *Input = NewInput ();
  ASSERT_NE (Input, nullptr);
  EXPECT_EQ (Input->Header.Ops, &gTuiInputOps);
  EXPECT_EQ (M.Events ().OpenEventCount (), Open + 1);

  M.Events ().Advance (2500000);                  // 250 ms: two ticks
  ASSERT_EQ (gTuiInputOps.GetAction (Input), EFI_SUCCESS);
  EXPECT_EQ (Input->Kind, (UINT32)TUI_EVENT_TICK);
  EXPECT_EQ (Input->Ticks, 2u);
  EXPECT_EQ (Input->TickCounter, 0u);

  // A pending event is answered again at once, whatever came since.
  Devices.TextIn->Script ().Append ("F10");
  UINT64  Now = M.Events ().Now ();
  EXPECT_EQ (gTuiInputOps.GetAction (Input), EFI_SUCCESS);
  EXPECT_EQ (Input->Kind, (UINT32)TUI_EVENT_TICK);
  EXPECT_EQ (M.Events ().Now (), Now);

  gTuiInputOps.ClearAction (Input);
  EXPECT_EQ (Input->Kind, (UINT32)TUI_EVENT_NONE);
  EXPECT_EQ (Input->Ticks, 0u);
  ASSERT_EQ (gTuiInputOps.GetAction (Input), EFI_SUCCESS);
  EXPECT_EQ (Input->Kind, (UINT32)TUI_EVENT_KEY);
  EXPECT_EQ (Input->Key.Key.ScanCode, 0x14);

  // No key within 50 ms: nothing to hand out.
  gTuiInputOps.ClearAction (Input);
  EXPECT_EQ (gTuiInputOps.GetAction (Input), EFI_UNSUPPORTED);
  EXPECT_EQ (Input->Kind, (UINT32)TUI_EVENT_NONE);

  TuiDestroy (Input, TRUE);
  EXPECT_EQ (M.Events ().OpenEventCount (), Open);
  EXPECT_TRUE (M.Memory ().LeaksSince (Mark).empty ());
}

TEST_F (TuiObjectTest, ThePopupInputGlobalIsClearedWhenItsObjectGoes) {
  gTuiPopupInput = NewInput ();
  TuiDestroy (gTuiPopupInput, TRUE);
  EXPECT_EQ (gTuiPopupInput, nullptr);

  M.Memory ().FailAllocation (1);
  VOID  *Object = nullptr;
  EXPECT_EQ (TuiCreate (&gTuiInputOps, &Object), EFI_OUT_OF_RESOURCES);
  EXPECT_EQ (Object, nullptr);
  TuiDestroy (nullptr, TRUE);
  EXPECT_TRUE (M.Memory ().LeaksSince (Mark).empty ());
}

TEST_F (TuiObjectTest, AKeyBindingMatchesItsKeyWithItsShiftPattern) {
  VOID  *Object = nullptr;
  ASSERT_EQ (TuiCreate (&gTuiKeyBindingOps, &Object), EFI_SUCCESS);
  TUI_KEY_BINDING  *Binding = (TUI_KEY_BINDING *)Object;
  TUI_HOT_KEY_ROW  CtrlF12  = { 0x16, 0, 0x0C, 5, nullptr };
  int              Context, Data;
  ASSERT_EQ (gTuiKeyBindingOps.SetBinding (Binding, &CtrlF12), EFI_SUCCESS);
  ASSERT_EQ (gTuiKeyBindingOps.SetCallback (Binding, &Context, Record, &Data), EFI_SUCCESS);
  EXPECT_EQ (Binding->Flag, 5u);

  for (const char *Other : { "F12", "Alt+F12", "Ctrl+F11" }) {
    TUI_INPUT  Event = KeyEvent (Other);
    EXPECT_EQ (gTuiKeyBindingOps.HandleAction (Binding, &Event), EFI_UNSUPPORTED) << Other;
    EXPECT_EQ (Event.Kind, (UINT32)TUI_EVENT_KEY);
  }
  EXPECT_TRUE (mCalls.empty ());

  for (UINT32 Ctrl : { 0x80000004u, 0x80000008u }) {
    TUI_INPUT  Event = KeyEvent ("F12");
    Event.Key.KeyState.KeyShiftState = Ctrl;
    EXPECT_EQ (gTuiKeyBindingOps.HandleAction (Binding, &Event), EFI_SUCCESS);
    EXPECT_EQ (Event.Kind, (UINT32)TUI_EVENT_NONE);          // consumed and cleared
    EXPECT_EQ (Event.Key.Key.ScanCode, 0);
  }
  ASSERT_EQ (mCalls.size (), 2u);
  EXPECT_EQ (mCalls[0].Context, &Context);
  EXPECT_EQ (mCalls[0].Object, Binding);
  EXPECT_EQ (mCalls[0].Data, &Data);

  TUI_INPUT  Tick {};
  Tick.Kind = TUI_EVENT_TICK;
  EXPECT_EQ (gTuiKeyBindingOps.HandleAction (Binding, &Tick), EFI_UNSUPPORTED);
  TuiDestroy (Binding, TRUE);
  EXPECT_TRUE (M.Memory ().LeaksSince (Mark).empty ());
}

TEST_F (TuiObjectTest, AClickBindingTakesClicksInsideItsInclusiveRectangle) {
  VOID  *Object = nullptr;
  ASSERT_EQ (TuiCreate (&gTuiClickBindingOps, &Object), EFI_SUCCESS);
  TUI_HOT_CLICK_ROW  MainFrame = { 1, 3, 65, 29, 0, nullptr };
  ASSERT_EQ (gTuiClickBindingOps.SetBinding (Object, &MainFrame), EFI_SUCCESS);

  // Without a callback a matching click is still consumed (an empty operation).
  for (auto Inside : { Click (3, 1), Click (29, 65), Click (10, 30) }) {
    EXPECT_EQ (gTuiClickBindingOps.HandleAction (Object, &Inside), EFI_SUCCESS);
    EXPECT_EQ (Inside.Kind, (UINT32)TUI_EVENT_NONE);
  }
  for (auto Outside : { Click (2, 10), Click (30, 10), Click (10, 0), Click (10, 66) }) {
    EXPECT_EQ (gTuiClickBindingOps.HandleAction (Object, &Outside), EFI_UNSUPPORTED);
    EXPECT_EQ (Outside.Kind, (UINT32)TUI_EVENT_POINTER);
  }
  TUI_INPUT  Key = KeyEvent ("Enter");
  EXPECT_EQ (gTuiClickBindingOps.HandleAction (Object, &Key), EFI_UNSUPPORTED);
  TuiDestroy (Object, TRUE);
}

TEST_F (TuiObjectTest, TheRootBindingHandlesNothingAndKeepsItsCallback) {
  VOID  *Object = nullptr;
  ASSERT_EQ (TuiCreate (&gTuiActionBindingOps, &Object), EFI_SUCCESS);
  int  Context;
  ASSERT_EQ (gTuiActionBindingOps.SetCallback (Object, &Context, Record, nullptr), EFI_SUCCESS);
  TUI_INPUT  Key = KeyEvent ("Enter");
  EXPECT_EQ (gTuiActionBindingOps.HandleAction (Object, &Key), EFI_UNSUPPORTED);
  EXPECT_EQ (gTuiActionBindingOps.Draw (Object), EFI_SUCCESS);
  EXPECT_EQ (((TUI_ACTION_BINDING *)Object)->CallbackContext, &Context);
  EXPECT_TRUE (mCalls.empty ());
  TuiDestroy (Object, TRUE);

  // Create on a record the caller holds fills it in place and allocates nothing.
  Object = AllocateZeroPool (sizeof (TUI_KEY_BINDING));
  VOID    *Held  = Object;
  UINT64  Before = M.Memory ().AllocationCount ();
  ASSERT_EQ (TuiCreate (&gTuiKeyBindingOps, &Object), EFI_SUCCESS);
  EXPECT_EQ (M.Memory ().AllocationCount (), Before);
  EXPECT_EQ (Object, Held);
  EXPECT_EQ (((TUI_ACTION_BINDING *)Object)->Ops, &gTuiKeyBindingOps);
  TuiDestroy (Object, TRUE);
  EXPECT_TRUE (M.Memory ().LeaksSince (Mark).empty ());
}

}  // namespace

/** @file
  The root of the text-mode object model (the action binding), the key and click
  bindings, and the input object.

  The input object counts 100 ms timer ticks in its notify function and hands them
  out as one tick event; otherwise it waits up to 50 ms for a key. An event stays
  pending until a consumer clears it, so GetAction answers at once while one is.
**/
#include <engine/textui/TuiObject.h>
#include <engine/textui/TextScreen.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/ShiftState.h>

#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>

#define TICK_PERIOD  1000000        // 100 ms in 100-ns units

TUI_INPUT  *gTuiPopupInput = NULL;

EFI_STATUS
TuiSuccessOperation (
  IN VOID  *Object
  )
{
  (VOID)Object;
  return EFI_SUCCESS;
}

EFI_STATUS
TuiUnsupportedOperation (
  IN VOID  *Object
  )
{
  (VOID)Object;
  return EFI_UNSUPPORTED;
}

EFI_STATUS
TuiCreate (
  IN     VOID  *Ops,
  IN OUT VOID  **Object
  )
{
  return ((Ops == NULL) || (Object == NULL)) ? EFI_INVALID_PARAMETER : ((TUI_BASE_OPS *)Ops)->Create (Object);
}

VOID
TuiDestroy (
  IN VOID     *Object,
  IN BOOLEAN  Free
  )
{
  if ((Object != NULL) && (((TUI_ACTION_BINDING *)Object)->Ops != NULL)) {
    (VOID)((TUI_BASE_OPS *)((TUI_ACTION_BINDING *)Object)->Ops)->Destroy (Object, Free);   // release cannot be retried
  }
}

EFI_STATUS
TuiCreateRecord (
  IN OUT VOID        **Object,
  IN     UINTN       Size,
  IN     TUI_CREATE  BaseCreate OPTIONAL,
  IN     VOID        *Ops
  )
{
  BOOLEAN     Allocated = FALSE;
  EFI_STATUS  Status    = EFI_SUCCESS;

  if (Object == NULL) {
    return EFI_INVALID_PARAMETER;
  }

  if (*Object == NULL) {
    *Object = AllocateZeroPool (Size);
    if (*Object == NULL) {
      return EFI_OUT_OF_RESOURCES;
    }

    Allocated = TRUE;
  }

  if (BaseCreate != NULL) {
    Status = BaseCreate (Object);
  }

  if (EFI_ERROR (Status) && Allocated) {
    FreePool (*Object);       // only what this Create allocated
    *Object = NULL;
  } else if (!EFI_ERROR (Status)) {
    ((TUI_ACTION_BINDING *)*Object)->Ops = Ops;
  }

  return Status;
}

//
// The action binding: the root class.
//

static EFI_STATUS
ActionBindingCreate (
  IN OUT VOID  **Object
  )
{
  return TuiCreateRecord (Object, sizeof (TUI_ACTION_BINDING), NULL, &gTuiActionBindingOps);
}

EFI_STATUS
TuiActionBindingDestroy (
  IN VOID     *Object,
  IN BOOLEAN  Free
  )
{
  if (Free) {
    FreePool (Object);
  }

  return EFI_SUCCESS;
}

EFI_STATUS
TuiActionBindingSetCallback (
  IN VOID          *Object,
  IN VOID          *Context,
  IN TUI_CALLBACK  Function,
  IN VOID          *Data
  )
{
  TUI_ACTION_BINDING  *Binding = (TUI_ACTION_BINDING *)Object;

  Binding->Callback        = Function;
  Binding->CallbackContext = Context;
  Binding->CallbackData    = Data;
  return EFI_SUCCESS;
}

static EFI_STATUS
NoBinding (
  IN VOID        *Object,
  IN CONST VOID  *Row
  )
{
  (VOID)Object;
  (VOID)Row;
  return EFI_SUCCESS;
}

EFI_STATUS
TuiRefuseAction (
  IN     VOID       *Object,
  IN OUT TUI_INPUT  *Event
  )
{
  (VOID)Object;
  (VOID)Event;
  return EFI_UNSUPPORTED;
}

TUI_BINDING_OPS  gTuiActionBindingOps = {
  ActionBindingCreate, TuiActionBindingDestroy, NoBinding, TuiSuccessOperation, TuiRefuseAction, TuiActionBindingSetCallback
};

EFI_STATUS
TuiRunCallbackAndClear (
  IN     TUI_ACTION_BINDING  *Binding,
  IN OUT TUI_INPUT           *Event
  )
{
  if (Binding->Callback != NULL) {
    (VOID)Binding->Callback (Binding->CallbackContext, Binding, Binding->CallbackData);   // its answer is its own
  }

  (VOID)gTuiInputOps.ClearAction (Event);     // clearing an event cannot fail
  return EFI_SUCCESS;
}

//
// The key binding.
//

static EFI_STATUS
KeyBindingCreate (
  IN OUT VOID  **Object
  )
{
  return TuiCreateRecord (Object, sizeof (TUI_KEY_BINDING), ActionBindingCreate, &gTuiKeyBindingOps);
}

static EFI_STATUS
KeyBindingSetKey (
  IN VOID        *Object,
  IN CONST VOID  *Row
  )
{
  TUI_KEY_BINDING        *Binding = (TUI_KEY_BINDING *)Object;
  CONST TUI_HOT_KEY_ROW  *Key     = (CONST TUI_HOT_KEY_ROW *)Row;

  if (Key == NULL) {
    return EFI_INVALID_PARAMETER;
  }

  Binding->ScanCode    = Key->ScanCode;
  Binding->UnicodeChar = Key->UnicodeChar;
  Binding->ShiftState  = Key->ShiftState;
  Binding->Flag        = Key->Flag;
  return EFI_SUCCESS;
}

static EFI_STATUS
KeyBindingHandleAction (
  IN     VOID       *Object,
  IN OUT TUI_INPUT  *Event
  )
{
  TUI_KEY_BINDING  *Binding = (TUI_KEY_BINDING *)Object;

  if ((Event == NULL) || (Event->Kind != TUI_EVENT_KEY) || (Event->Key.Key.ScanCode != Binding->ScanCode) ||
      (Event->Key.Key.UnicodeChar != Binding->UnicodeChar) ||
      !MatchShiftState (Event->Key.KeyState.KeyShiftState, Binding->ShiftState))
  {
    return EFI_UNSUPPORTED;
  }

  return TuiRunCallbackAndClear (&Binding->Header, Event);
}

TUI_BINDING_OPS  gTuiKeyBindingOps = {
  KeyBindingCreate, TuiActionBindingDestroy, KeyBindingSetKey, TuiSuccessOperation, KeyBindingHandleAction,
  TuiActionBindingSetCallback
};

//
// The click binding.
//

static EFI_STATUS
ClickBindingCreate (
  IN OUT VOID  **Object
  )
{
  return TuiCreateRecord (Object, sizeof (TUI_CLICK_BINDING), ActionBindingCreate, &gTuiClickBindingOps);
}

static EFI_STATUS
ClickBindingSetRectangle (
  IN VOID        *Object,
  IN CONST VOID  *Row
  )
{
  TUI_CLICK_BINDING        *Binding = (TUI_CLICK_BINDING *)Object;
  CONST TUI_HOT_CLICK_ROW  *Click   = (CONST TUI_HOT_CLICK_ROW *)Row;

  if (Click == NULL) {
    return EFI_INVALID_PARAMETER;
  }

  Binding->Left   = Click->Left;
  Binding->Top    = Click->Top;
  Binding->Right  = Click->Right;
  Binding->Bottom = Click->Bottom;
  Binding->Flag   = Click->Flag;
  return EFI_SUCCESS;
}

static EFI_STATUS
ClickBindingHandleAction (
  IN     VOID       *Object,
  IN OUT TUI_INPUT  *Event
  )
{
  TUI_CLICK_BINDING  *Binding = (TUI_CLICK_BINDING *)Object;

  if ((Event == NULL) || (Event->Kind != TUI_EVENT_POINTER) || (Event->Pointer.Column < Binding->Left) ||
      (Event->Pointer.Column > Binding->Right) || (Event->Pointer.Row < Binding->Top) ||
      (Event->Pointer.Row > Binding->Bottom))
  {
    return EFI_UNSUPPORTED;
  }

  return TuiRunCallbackAndClear (&Binding->Header, Event);
}

TUI_BINDING_OPS  gTuiClickBindingOps = {
  ClickBindingCreate, TuiActionBindingDestroy, ClickBindingSetRectangle, TuiSuccessOperation, ClickBindingHandleAction,
  TuiActionBindingSetCallback
};

//
// The input object.
//

static VOID EFIAPI
CountTick (
  IN EFI_EVENT  Event,
  IN VOID       *Context
  )
{
  (VOID)Event;
  TUI_INPUT  *Input = (TUI_INPUT *)Context;

  Input->TickCounter = Input->TickCounter + 1;
}

static EFI_STATUS
InputDestroy (
  IN VOID     *Object,
  IN BOOLEAN  Free
  )
{
  TUI_INPUT  *Input = (TUI_INPUT *)Object;

  CloseEventAndClear (&Input->Timer);
  if (gTuiPopupInput == Input) {
    gTuiPopupInput = NULL;
  }

  return TuiActionBindingDestroy (Object, Free);
}

static EFI_STATUS
InputCreate (
  IN OUT VOID  **Object
  )
{
  BOOLEAN     Allocated = (BOOLEAN)((Object != NULL) && (*Object == NULL));
  TUI_INPUT   *Input;
  EFI_STATUS  Status    = TuiCreateRecord (Object, sizeof (TUI_INPUT), ActionBindingCreate, &gTuiInputOps);

  if (EFI_ERROR (Status)) {
    return Status;
  }

  Input  = (TUI_INPUT *)*Object;
  Status = CreateTimerEvent (&Input->Timer, CountTick, Input, TimerPeriodic, TICK_PERIOD, TPL_CALLBACK);
  if (EFI_ERROR (Status) && Allocated) {
    FreePool (Input);
    *Object = NULL;
  }

  return Status;
}

static EFI_STATUS
InputClearAction (
  IN OUT TUI_INPUT  *Input
  )
{
  Input->Kind = TUI_EVENT_NONE;
  ZeroMem (&Input->Key, sizeof (Input->Key));
  return EFI_SUCCESS;
}

static EFI_STATUS
InputGetAction (
  IN OUT TUI_INPUT  *Input
  )
{
  EFI_TPL  OldTpl;
  UINT32   Ticks;

  if (Input->Kind != TUI_EVENT_NONE) {
    return EFI_SUCCESS;
  }

  // The notify function counts at TPL_CALLBACK: take the count and clear it at once.
  OldTpl = gBS->RaiseTPL (TPL_CALLBACK);
  Ticks  = Input->TickCounter;
  Input->TickCounter = 0;
  gBS->RestoreTPL (OldTpl);
  if (Ticks > 0) {
    Input->Kind  = TUI_EVENT_TICK;
    Input->Ticks = Ticks;
    return EFI_SUCCESS;
  }

  if (EFI_ERROR (ReadKeyWithTimeout (&Input->Key))) {
    ZeroMem (&Input->Key, sizeof (Input->Key));
    return EFI_UNSUPPORTED;
  }

  Input->Kind = TUI_EVENT_KEY;
  return EFI_SUCCESS;
}

TUI_INPUT_OPS  gTuiInputOps = { InputCreate, InputDestroy, InputGetAction, InputClearAction };

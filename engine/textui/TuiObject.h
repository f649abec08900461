/** @file
  The engine's text-mode object model: plain records whose first word points to
  their class's table of operations, the key and click bindings, and the input
  object that produces the events (it is also the event record itself).

  Every class's table starts with Create and Destroy, so any object can be made and
  released through its table; the other slots keep one order across classes, each
  class filling them with its own operations or with the shared success and
  unsupported operations. The tables are writable: a class may patch a slot.
**/
#ifndef ENGINE_TUI_OBJECT_H_
#define ENGINE_TUI_OBJECT_H_

#include <Uefi.h>
#include <Protocol/KeyCode.h>
#include <Library/MemoryAllocationLib.h>
#include <engine/textui/Hotkeys.h>

typedef EFI_STATUS (*TUI_CALLBACK)(IN VOID *Context, IN VOID *Object, IN VOID *Data);

// The header every object starts with (the root class, the action binding).
typedef struct {
  VOID          *Ops;
  TUI_CALLBACK  Callback;
  VOID          *CallbackContext;
  VOID          *CallbackData;
} TUI_ACTION_BINDING;

static_assert (sizeof (TUI_ACTION_BINDING) == 32, "object header");

//
// Slots 0 and 1 of every class: Create allocates a zero-filled record when *Object
// is null, runs the base class's Create and stores the class's table; Destroy
// releases what the object owns, runs the base Destroy and frees the record when
// Free is TRUE.
//
typedef EFI_STATUS (*TUI_CREATE)(IN OUT VOID **Object);
typedef EFI_STATUS (*TUI_DESTROY)(IN VOID *Object, IN BOOLEAN Free);
typedef EFI_STATUS (*TUI_SET_CALLBACK)(IN VOID *Object, IN VOID *Context, IN TUI_CALLBACK Function, IN VOID *Data);

typedef struct {
  TUI_CREATE   Create;
  TUI_DESTROY  Destroy;
} TUI_BASE_OPS;

//
// The event record: kind 0 none, 1 key, 2 timer ticks, 3 pointer.
//
#define TUI_EVENT_NONE     0
#define TUI_EVENT_KEY      1
#define TUI_EVENT_TICK     2
#define TUI_EVENT_POINTER  3

typedef struct _TUI_INPUT TUI_INPUT;

typedef EFI_STATUS (*TUI_HANDLE_ACTION)(IN VOID *Object, IN OUT TUI_INPUT *Event);

struct _TUI_INPUT {
  TUI_ACTION_BINDING      Header;
  UINT32                  Kind;
  union {
    KEY_CODE_DATA         Key;        // kind 1: the key record as read
    UINT32                Ticks;      // kind 2: ticks since the last tick event
    POINTER_ACTION_EVENT  Pointer;    // kind 3: row, column, click kind
  };
  volatile UINT32         TickCounter;    // counted by the timer's notify function
  EFI_EVENT               Timer;
};

typedef struct {
  TUI_CREATE   Create;
  TUI_DESTROY  Destroy;
  EFI_STATUS   (*GetAction)(IN OUT TUI_INPUT *Input);
  EFI_STATUS   (*ClearAction)(IN OUT TUI_INPUT *Input);
} TUI_INPUT_OPS;

//
// Bindings: a key or a screen rectangle that runs a callback. Slot 2 takes the row
// the binding is made from.
//
typedef struct {
  UINT16        ScanCode;
  CHAR16        UnicodeChar;
  UINT32        ShiftState;     // a pattern for MatchShiftState
  UINT32        Flag;
  TUI_CALLBACK  Callback;
} TUI_HOT_KEY_ROW;

typedef struct {
  UINT32        Left;           // inclusive, in character cells
  UINT32        Top;
  UINT32        Right;
  UINT32        Bottom;
  UINT32        Flag;
  TUI_CALLBACK  Callback;
} TUI_HOT_CLICK_ROW;

typedef struct {
  TUI_ACTION_BINDING  Header;
  UINT16              ScanCode;
  CHAR16              UnicodeChar;
  UINT32              ShiftState;
  UINT32              Flag;         // copied from the row, not read by the binding
} TUI_KEY_BINDING;

typedef struct {
  TUI_ACTION_BINDING  Header;
  UINT32              Left;
  UINT32              Top;
  UINT32              Right;
  UINT32              Bottom;
  UINT32              Flag;
} TUI_CLICK_BINDING;

static_assert (sizeof (TUI_KEY_BINDING) == 48, "key binding");
static_assert (sizeof (TUI_CLICK_BINDING) == 56, "click binding");

typedef struct {
  TUI_CREATE         Create;
  TUI_DESTROY        Destroy;
  EFI_STATUS         (*SetBinding)(IN VOID *Object, IN CONST VOID *Row);   // SetKey / SetRectangle
  EFI_STATUS         (*Draw)(IN VOID *Object);
  TUI_HANDLE_ACTION  HandleAction;
  TUI_SET_CALLBACK   SetCallback;
} TUI_BINDING_OPS;

extern TUI_BINDING_OPS  gTuiActionBindingOps;
extern TUI_BINDING_OPS  gTuiKeyBindingOps;
extern TUI_BINDING_OPS  gTuiClickBindingOps;
extern TUI_INPUT_OPS    gTuiInputOps;

// The input object the pop-ups read their events from; null while none exists.
extern TUI_INPUT  *gTuiPopupInput;

//
// The shared operations a class puts in a slot it has no use for.
//
EFI_STATUS  TuiSuccessOperation (IN VOID *Object);
EFI_STATUS  TuiUnsupportedOperation (IN VOID *Object);
EFI_STATUS  TuiRefuseAction (IN VOID *Object, IN OUT TUI_INPUT *Event);

// The root class's Destroy and SetCallback, which every class shares.
EFI_STATUS  TuiActionBindingDestroy (IN VOID *Object, IN BOOLEAN Free);
EFI_STATUS  TuiActionBindingSetCallback (IN VOID *Object, IN VOID *Context, IN TUI_CALLBACK Function, IN VOID *Data);

/**
  The common part of every Create: allocates a zero-filled record of Size bytes when
  *Object is null, runs the base class's Create on it (none for the root) and stores
  Ops. A failing base Create frees only a record allocated here.
**/
EFI_STATUS  TuiCreateRecord (IN OUT VOID **Object, IN UINTN Size, IN TUI_CREATE BaseCreate OPTIONAL, IN VOID *Ops);
/** Runs an object's callback for an event it acted on, then clears the event; answers 0 (consumed). */
EFI_STATUS  TuiRunCallbackAndClear (IN TUI_ACTION_BINDING *Object, IN OUT TUI_INPUT *Event);

/** Makes an object of the class whose table is Ops; *Object null allocates it. */
EFI_STATUS  TuiCreate (IN VOID *Ops, IN OUT VOID **Object);
/** Releases an object through its own table; a null object is ignored. */
VOID        TuiDestroy (IN VOID *Object, IN BOOLEAN Free);

/** Releases every object of an owned list, then the list itself; the count ends at 0. */
template <typename OBJECT>
inline VOID
TuiDestroyList (
  IN OUT OBJECT  ***List,
  IN OUT UINT32  *Count
  )
{
  for (UINT32 Index = 0; (*List != NULL) && (Index < *Count); Index++) {
    TuiDestroy ((*List)[Index], TRUE);
  }

  FreeAndNull (*List);
  *Count = 0;
}

#endif

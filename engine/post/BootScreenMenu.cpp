/** @file
  The boot-screen interface's pop-up menu in text mode: the caller's menu items in a
  list box, with separators, dimmed items, hotkeys and items that only a hotkey
  reaches. An item's callback may change the caller's items (the menu follows them)
  or open a further menu of its own.
**/
#include <engine/post/BootScreenDialogs.h>
#include <engine/textui/TextScreen.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/EngineStrings.h>
#include <engine/core/ShiftState.h>
#include <engine/core/HookTable.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>


MENU_ITEM  *gMenuItems = NULL;

// What one running menu keeps; its box's callback receives it as context.
typedef struct {
  TUI_LIST_BOX  *Box;
  BOOLEAN       Ended;
} MENU_RUN;

static BOOLEAN
IsHiddenItem (
  IN CONST MENU_ITEM  *Item
  )
{
  return (BOOLEAN)((Item->State == MENU_STATE_HIDDEN_KEY) || (Item->State == MENU_STATE_HIDDEN_EXIT) ||
                   (Item->StringId == MENU_ITEM_LEFT_OUT));
}

/**
  Copies the items in the box's order: the shown items first, then those only a
  hotkey reaches (states 2 and 3, and the items left out of the menu). With
  MarkLeftOut the items left out get state 2 in Source too. Answers the hidden count.
**/
static UINT16
CopyMenuItems (
  IN OUT MENU_ITEM  *Source,
  IN     UINT16     Count,
  IN     BOOLEAN    MarkLeftOut,
  OUT    MENU_ITEM  *Copies
  )
{
  UINT16  Shown = 0;
  UINT16  Hidden = 0;

  for (UINT16 Index = 0; Index < Count; Index++) {
    if (MarkLeftOut && (Source[Index].StringId == MENU_ITEM_LEFT_OUT)) {
      Source[Index].State = MENU_STATE_HIDDEN_KEY;
    }

    if (!IsHiddenItem (&Source[Index])) {
      Copies[Shown++] = Source[Index];
    }
  }

  for (UINT16 Index = 0; Index < Count; Index++) {
    if (IsHiddenItem (&Source[Index])) {
      Copies[Shown + Hidden++] = Source[Index];
    }
  }

  return Hidden;
}

static BOOLEAN
IsSelectableItem (
  IN CONST TUI_LIST_BOX  *Box,
  IN UINTN               Position
  )
{
  return (BOOLEAN)((Position < (UINTN)(Box->ItemCount - Box->ReservedCount)) &&
                   (Box->Items[Position].StringId != MENU_ITEM_SEPARATOR) &&
                   (Box->Items[Position].State == MENU_STATE_NORMAL));
}

// The menu's colours are the box's two bytes joined and split again by nibble.
static VOID
RecombineColours (
  IN OUT TUI_LIST_BOX  *Box
  )
{
  UINT8  Joined = (UINT8)(Box->Frame.Control.Foreground | Box->Frame.Control.Background);

  Box->Frame.Control.Foreground = (UINT8)(Joined & 0x0F);
  Box->Frame.Control.Background = (UINT8)(Joined & 0xF0);
}

static BOOLEAN
KeyMatchesItem (
  IN CONST MENU_ITEM  *Item,
  IN CONST TUI_INPUT  *Event
  )
{
  if ((Item->ScanCode == 0) && (Item->UnicodeChar == 0) && (Item->ShiftPattern == 0)) {
    return FALSE;       // no hotkey
  }

  return (BOOLEAN)((Event->Kind == TUI_EVENT_KEY) && (Item->ScanCode == Event->Key.Key.ScanCode) &&
                   (Item->UnicodeChar == Event->Key.Key.UnicodeChar) &&
                   MatchShiftState (Event->Key.KeyState.KeyShiftState, Item->ShiftPattern));
}

static BOOLEAN
ItemDiffers (
  IN CONST MENU_ITEM  *Caller,
  IN CONST MENU_ITEM  *Copy
  )
{
  return (BOOLEAN)((Caller->State != Copy->State) || (Caller->Callback != Copy->Callback) ||
                   (Caller->ScanCode != Copy->ScanCode) || (Caller->UnicodeChar != Copy->UnicodeChar) ||
                   (Caller->ShiftPattern != Copy->ShiftPattern));
}

// Puts the screen under the box back into the drawing buffer, keeping the copy.
static VOID
UncoverScreen (
  IN TUI_LIST_BOX  *Box
  )
{
  if ((Box->Saved == NULL) || (gTextScreen == NULL)) {
    return;
  }

  CopyMem (gTextScreen, Box->Saved, sizeof (TEXT_SCREEN_BUFFER));
  gTextScreen->Signature = TEXT_SCREEN_LIVE_SIGNATURE;
  MarkRowsDirty (0, gTextScreenRows - 1);
}

// After a rebuild: back to the old position, or past it when it became dimmed.
static VOID
RestoreSelection (
  IN OUT MENU_RUN  *Run,
  IN     UINT16    Position
  )
{
  TUI_LIST_BOX  *Box = Run->Box;
  TUI_INPUT     Down;
  UINT8         State;

  if (Position >= Box->ItemCount) {
    return;
  }

  State = Box->Items[Position].State;
  if ((State == MENU_STATE_NORMAL) || (State == MENU_STATE_DIMMED)) {
    Box->Selection = Position;
    if (State == MENU_STATE_DIMMED) {
      ZeroMem (&Down, sizeof (Down));
      Down.Kind                 = TUI_EVENT_KEY;
      Down.Key.Key.ScanCode     = SCAN_DOWN;
      // A dimmed item passes the selection on; at the last item it stays.
      (VOID)gTuiListBoxOps.Control.HandleAction (Box, &Down);
    }
  } else if (Box->Items[Position].Callback == NULL) {
    Run->Ended = TRUE;
  }
}

static EFI_STATUS
RebuildMenuItems (
  IN OUT MENU_RUN  *Run
  )
{
  TUI_LIST_BOX     *Box      = Run->Box;
  UINT16           Position  = Box->Selection;
  MENU_ITEM        *Copies   = (MENU_ITEM *)AllocateZeroPool ((UINTN)Box->ItemCount * sizeof (MENU_ITEM) + 1);
  MENU_DEFINITION  Menu;
  EFI_STATUS       Status;

  if (Copies == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  ZeroMem (&Menu, sizeof (Menu));
  Menu.ItemCount   = Box->ItemCount;
  Menu.Items       = Copies;
  Menu.HiddenCount = CopyMenuItems (gMenuItems, Box->ItemCount, FALSE, Copies);
  Box->Frame.Control.Width  = 0;
  Box->Frame.Control.Height = 0;
  Status = gTuiListBoxOps.InitializeMenu (Box, &Menu);
  FreePool (Copies);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  RecombineColours (Box);
  UncoverScreen (Box);
  RestoreSelection (Run, Position);
  return EFI_SUCCESS;
}

// Rebuilds the box when the caller's items no longer agree with its copies.
static VOID
SyncMenuItems (
  IN OUT MENU_RUN  *Run
  )
{
  TUI_LIST_BOX  *Box = Run->Box;

  if (gMenuItems == NULL) {
    return;
  }

  for (UINT16 Position = 0; Position < Box->ItemCount; Position++) {
    CONST MENU_ITEM  *Match = NULL;
    for (UINT16 Index = 0; (Index < Box->ItemCount) && (Match == NULL); Index++) {
      Match = (gMenuItems[Index].StringId == Box->Items[Position].StringId) ? &gMenuItems[Index] : NULL;
    }

    if ((Match == NULL) || ItemDiffers (Match, &Box->Items[Position])) {
      // A menu that cannot be rebuilt keeps what it shows.
      (VOID)RebuildMenuItems (Run);
      return;
    }
  }
}

/**
  The box's callback: Enter or a hotkey chose an item (Data points to the selection,
  or to the answer record of an item only its hotkey reaches); Esc gives null.
**/
static EFI_STATUS
OnMenuItemChosen (
  IN VOID  *Context,
  IN VOID  *Object,
  IN VOID  *Data
  )
{
  MENU_RUN            *Run = (MENU_RUN *)Context;
  TUI_LIST_BOX        *Box = (TUI_LIST_BOX *)Object;
  UINT16              Position;
  MENU_ITEM_CALLBACK  Callback;
  MENU_ITEM           *Saved;

  if (Data == NULL) {
    return EFI_SUCCESS;
  }

  Position = (Data == &Box->Selection) ? Box->Selection : ((TUI_LIST_ANSWER *)Data)->Position;
  if (Position >= Box->ItemCount) {
    return EFI_SUCCESS;
  }

  // The callback may change the caller's items, and with them the box's copies.
  Callback = Box->Items[Position].Callback;
  if (Callback != NULL) {
    Saved = gMenuItems;
    (VOID)Callback (Box->Items[Position].Context, Box, &Position);    // the menu goes on whatever it answers
    if (Saved != NULL) {
      gMenuItems = Saved;
    }
  }

  SyncMenuItems (Run);
  if ((Position < Box->ItemCount) && (Box->Items[Position].Callback == NULL)) {
    Run->Ended = TRUE;
  }

  return EFI_SUCCESS;
}

// The caller's position of the first item that shows the box's selected item's text.
static UINT16
CallerPosition (
  IN CONST TUI_LIST_BOX  *Box,
  IN CONST MENU_ITEM     *Items,
  IN UINT16              Count,
  IN UINT16              Current
  )
{
  for (UINT16 Index = 0; (Box->Selection < Box->ItemCount) && (Index < Count); Index++) {
    if (Items[Index].StringId == Box->Items[Box->Selection].StringId) {
      return Index;
    }
  }

  return Current;
}

static BOOLEAN
HasExitItem (
  IN CONST TUI_LIST_BOX  *Box
  )
{
  for (UINT16 Index = 0; Index < Box->ItemCount; Index++) {
    if (Box->Items[Index].State == MENU_STATE_HIDDEN_EXIT) {
      return TRUE;
    }
  }

  return FALSE;
}

static VOID
RereadTitle (
  IN OUT TUI_LIST_BOX  *Box,
  IN     UINT16        TitleId
  )
{
  if ((TitleId == 0) || (Box->Frame.Title == NULL)) {
    return;
  }

  FreeAndNull (Box->Frame.Title);
  Box->Frame.Title = (TitleId == NO_STRING) ? NULL : HiiGetString (Box->HiiHandle, TitleId, NULL);
}

typedef struct {
  MENU_ITEM  *Items;
  UINT16     Count;
  UINT16     TitleId;
  UINT16     *Selection;
  UINT32     LastAction;
} MENU_CALL;

// One event of the menu's loop; answers the status of the box's handling, or EFI_ABORTED.
static EFI_STATUS
HandleMenuEvent (
  IN OUT MENU_RUN   *Run,
  IN OUT MENU_CALL  *Call,
  IN OUT TUI_INPUT  *Input
  )
{
  TUI_LIST_BOX  *Box = Run->Box;
  EFI_STATUS    Status;

  *Call->Selection = CallerPosition (Box, Call->Items, Call->Count, *Call->Selection);
  Status = gTuiListBoxOps.Control.HandleAction (Box, Input);
  Call->LastAction = (Input->Kind == TUI_EVENT_KEY) ? HookMapSetupKey (&Input->Key) : Call->LastAction;
  for (UINT16 Index = 0; Index < Call->Count; Index++) {
    if ((Box->Selection < Box->ItemCount) && (Call->Items[Index].StringId == Box->Items[Box->Selection].StringId)) {
      *Call->Selection = Index;
    }

    if ((Index < Box->ItemCount) && (Box->Items[Index].State == MENU_STATE_HIDDEN_EXIT) &&
        KeyMatchesItem (&Box->Items[Index], Input))
    {
      Run->Ended = TRUE;
      return EFI_ABORTED;
    }
  }

  if (Call->LastAction == ACTION_SELECT) {
    RereadTitle (Box, Call->TitleId);
    gMenuItems = Call->Items;
    SyncMenuItems (Run);
  } else if ((Call->LastAction == ACTION_ABORT) && !HasExitItem (Box)) {
    Run->Ended = TRUE;
    return EFI_ABORTED;
  }

  return Status;
}

static EFI_STATUS
RunMenu (
  IN OUT MENU_RUN   *Run,
  IN OUT MENU_CALL  *Call,
  IN OUT TUI_INPUT  *Input
  )
{
  EFI_STATUS  Status = EFI_SUCCESS;

  (VOID)gTuiListBoxOps.Control.SetCallback (Run->Box, Run, OnMenuItemChosen, NULL);     // setting a callback cannot fail
  (VOID)gTuiListBoxOps.Control.Draw (Run->Box);     // a box that cannot draw now is drawn at the next pass
  FlushTextScreen ();
  while (!Run->Ended) {
    (VOID)gTuiInputOps.ClearAction (Input);     // clearing an event cannot fail
    (VOID)gTuiListBoxOps.Control.Draw (Run->Box);     // a box that cannot draw now is drawn at the next pass
    FlushTextScreen ();
    if (EFI_ERROR (gTuiInputOps.GetAction (Input))) {
      continue;
    }

    Status = HandleMenuEvent (Run, Call, Input);
  }

  return Status;
}

// The box with the caller's items, shown items first; its starting selection is set.
static EFI_STATUS
OpenMenuBox (
  IN  EFI_HII_HANDLE  HiiHandle,
  IN  UINT16          TitleId,
  IN  UINT16          HelpId,
  IN  MENU_CALL       *Call,
  OUT TUI_LIST_BOX    **Box
  )
{
  CONTROL_RECORD   *Head   = (CONTROL_RECORD *)AllocateZeroPool (sizeof (CONTROL_RECORD));
  MENU_ITEM        *Copies = (MENU_ITEM *)AllocateZeroPool ((UINTN)Call->Count * sizeof (MENU_ITEM));
  MENU_DEFINITION  Menu    = { TitleId, Call->Count, Copies, HelpId, Head, 0 };
  EFI_STATUS       Status  = ((Head == NULL) || (Copies == NULL)) ? EFI_OUT_OF_RESOURCES : EFI_SUCCESS;

  if (!EFI_ERROR (Status)) {
    Head->HiiHandle  = (HiiHandle != NULL) ? HiiHandle : ENGINE_OWN_HII_HANDLE;
    Head->Flags      = CONTROL_FLAG_VALID;
    Menu.HiddenCount = CopyMenuItems (Call->Items, Call->Count, TRUE, Copies);
    Status           = TuiCreate (&gTuiListBoxOps, (VOID **)Box);
  }

  Status = EFI_ERROR (Status) ? Status : gTuiListBoxOps.InitializeMenu (*Box, &Menu);
  FreePool (Head);
  FreePool (Copies);
  return Status;
}

// The first selectable item from the caller's starting position on; FALSE when none.
static BOOLEAN
StartSelection (
  IN OUT TUI_LIST_BOX  *Box,
  IN     UINT16        Start
  )
{
  if (IsSelectableItem (Box, Start)) {
    Box->Selection = Start;
    return TRUE;
  }

  for (UINT16 Index = 0; Index < Box->ItemCount; Index++) {
    if (IsSelectableItem (Box, Index)) {
      Box->Selection = Index;
      return TRUE;
    }
  }

  return FALSE;
}

EFI_STATUS
ShowBootScreenMenu (
  IN     EFI_HII_HANDLE  HiiHandle,
  IN     UINT16          TitleId,
  IN     UINT16          HelpId,
  IN     MENU_ITEM       *Items,
  IN     UINT16          Count,
  IN OUT UINT16          *Selection
  )
{
  MENU_CALL   Call   = { Items, Count, TitleId, Selection, 0 };
  MENU_RUN    Run    = { NULL, FALSE };
  TUI_INPUT   *Input = NULL;
  EFI_STATUS  Status;

  if ((Items == NULL) || (Selection == NULL) || (*Selection >= Count)) {
    return EFI_INVALID_PARAMETER;
  }

  Status = TuiCreate (&gTuiInputOps, (VOID **)&Input);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  gMenuItems = Items;
  Status     = OpenMenuBox (HiiHandle, TitleId, HelpId, &Call, &Run.Box);
  // With nothing to select, Enter would choose nothing and the menu could never end.
  if (!EFI_ERROR (Status) && !StartSelection (Run.Box, *Selection)) {
    Status = EFI_UNSUPPORTED;
  }

  if (!EFI_ERROR (Status)) {
    RecombineColours (Run.Box);
    Status = RunMenu (&Run, &Call, Input);
  }

  TuiDestroy (Run.Box, TRUE);
  TuiDestroy (Input, TRUE);
  MarkRowsDirty (0, gTextScreenRows - 1);
  FlushTextScreen ();
  return Status;
}

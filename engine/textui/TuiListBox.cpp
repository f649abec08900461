/** @file
  The list box: the choices of a one-of or ordered-list question (list mode) or the
  items of a pop-up menu (menu mode) in a pop-up frame, with a scroll bar when they
  do not fit. It saves the screen under it and puts it back when destroyed.
**/
#include <engine/textui/TuiPopup.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/EngineStrings.h>
#include <engine/core/ShiftState.h>
#include <engine/core/HookTable.h>
#include <engine/forms/QuestionAccess.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>

#define CHAR_ARROW_UP    0x25B2
#define CHAR_ARROW_DOWN  0x25BC
#define CHAR_THUMB       0x2588
#define CHAR_TRACK       0x2591

#define SELECTED_ATTRIBUTE  0x0F
#define DIMMED_FOREGROUND   0x07

static EFI_STATUS
ListBoxCreate (
  IN OUT VOID  **Object
  )
{
  return TuiCreateRecord (Object, sizeof (TUI_LIST_BOX), gTuiPopupFrameOps.Create, &gTuiListBoxOps);
}

static EFI_STATUS
ListBoxDestroy (
  IN VOID     *Object,
  IN BOOLEAN  Free
  )
{
  TUI_LIST_BOX  *Box = (TUI_LIST_BOX *)Object;

  if (Box->Saved != NULL) {
    RestoreTextScreen (Box->Saved);     // frees the copy and marks every row dirty
    Box->Saved = NULL;
  }

  FreeAndNull (Box->Tokens);
  FreeAndNull (Box->Items);
  return PopupFrameDestroy (Object, Free);
}

// Items Up and Down reach: those of the menu's hidden states lie past them.
static UINT16
ShownCount (
  IN CONST TUI_LIST_BOX  *Box
  )
{
  return (Box->ItemCount > Box->ReservedCount) ? (UINT16)(Box->ItemCount - Box->ReservedCount) : 0;
}

static UINT16
ItemStringId (
  IN CONST TUI_LIST_BOX  *Box,
  IN UINTN               Index
  )
{
  return Box->MenuMode ? Box->Items[Index].StringId : Box->Tokens[Index];
}

// A menu's separators and dimmed items are never selected.
static BOOLEAN
IsSelectable (
  IN CONST TUI_LIST_BOX  *Box,
  IN UINTN               Index
  )
{
  return !Box->MenuMode ||
         ((Box->Items[Index].StringId != MENU_ITEM_SEPARATOR) && (Box->Items[Index].State == MENU_STATE_NORMAL));
}

// Rows between the bands that show items.
static UINT64
ItemRows (
  IN CONST TUI_LIST_BOX  *Box
  )
{
  UINT64  Used = 2 + PopupTitleRows (&Box->Frame) + PopupHelpRows (&Box->Frame);

  return (Box->Frame.Control.Height > Used) ? Box->Frame.Control.Height - Used : 0;
}

// Moves the shown range so that the selection stays in it.
static VOID
FollowSelection (
  IN OUT TUI_LIST_BOX  *Box
  )
{
  UINT64  Rows = ItemRows (Box);

  if (Rows == 0) {
    return;
  }

  if (Box->Selection < Box->FirstShown) {
    Box->FirstShown = Box->Selection;
  } else if (Box->Selection >= Box->FirstShown + Rows) {
    Box->FirstShown = (UINT16)(Box->Selection - Rows + 1);
  }

  Box->LastShown = (UINT16)(Box->FirstShown + Rows - 1);
}

// Widest string of a list, in cells; unreadable strings count as empty.
static UINT64
WidestString (
  IN EFI_HII_HANDLE  HiiHandle,
  IN CONST UINT16    *Ids,
  IN UINTN           Stride,
  IN UINTN           Count
  )
{
  UINT64  Widest = 0;

  for (UINTN Index = 0; Index < Count; Index++) {
    UINT16  Id   = *(CONST UINT16 *)((CONST UINT8 *)Ids + Index * Stride);
    CHAR16  *Text = (Id == MENU_ITEM_SEPARATOR) ? NULL : HiiGetString (HiiHandle, Id, NULL);

    if (Text != NULL) {
      UINT64  Cells = GetTextCellCount (Text);
      Widest = (Cells > Widest) ? Cells : Widest;
      FreePool (Text);
    }
  }

  return Widest;
}

// Widest line of the help text, in cells.
static UINT64
WidestHelpLine (
  IN CONST CHAR16  *Help
  )
{
  UINT64  Widest = 0;
  UINT64  Cells  = 0;

  for (CONST CHAR16 *Cursor = Help; (Cursor != NULL) && (*Cursor != 0); Cursor++) {
    if ((*Cursor == u'\r') || (*Cursor == u'\n')) {
      Cells = 0;
      continue;
    }

    Cells  += GetCharCellCount (*Cursor);
    Widest  = (Cells > Widest) ? Cells : Widest;
  }

  return Widest;
}

// The steps list and menu mode share once the width and height of the items are known.
static EFI_STATUS
FinishListBox (
  IN OUT TUI_LIST_BOX  *Box
  )
{
  TUI_CONTROL  *Control = &Box->Frame.Control;
  UINT8        Colors[15];
  UINT64       Limit    = gTextScreenRows - 10;

  Control->Width = (UINT16)(Control->Width + 4);
  if (Control->Height > Limit) {
    Control->Height = (UINT16)Limit;
    Control->Width  = (UINT16)(Control->Width + 1);
  }

  Box->FirstShown = 0;
  Box->Selection  = 0;
  FollowSelection (Box);
  SetMem (Colors, sizeof (Colors), 0);
  // A board that sets no colour leaves the defaults.
  (VOID)HookSetControlColors (&Colors[0], &Colors[1], &Colors[2], &Colors[3], &Colors[4], &Colors[5], &Colors[6],
          &Colors[7], &Colors[8], &Colors[9], &Colors[10], &Colors[11], &Colors[12], &Colors[13], &Colors[14]);
  Control->Foreground = Colors[13];
  Control->Background = Colors[14];
  Box->Frame.Shadow   = 1;
  Box->Frame.Border   = 1;
  if (Box->Saved == NULL) {
    Box->Saved = SaveTextScreen ();
    if (Box->Saved == NULL) {
      return EFI_OUT_OF_RESOURCES;
    }
  }

  return EFI_SUCCESS;
}

// The question's prompt, cut to what a box on this screen can show.
static EFI_STATUS
SetPromptTitle (
  IN OUT TUI_LIST_BOX  *Box
  )
{
  CONST UINT8  *Opcode = (CONST UINT8 *)(UINTN)Box->Frame.Control.Record.QuestionOpcode;
  UINT16       Prompt  = GetPromptToken (Opcode);
  CHAR16       *Text   = (Prompt == NO_STRING) ? NULL : HiiGetString (Box->Frame.Control.Record.HiiHandle, Prompt, NULL);
  UINTN        Keep;

  if (Text == NULL) {
    return EFI_SUCCESS;
  }

  Keep = gTextScreenColumns - 9;
  if (StrLen (Text) > Keep) {
    Text[Keep] = 0;
  }

  FreeAndNull (Box->Frame.Title);
  Box->Frame.Title = Text;
  return EFI_SUCCESS;
}

static EFI_STATUS
ListBoxInitialize (
  IN VOID  *Object,
  IN VOID  *Data,
  IN VOID  *Extra
  )
{
  TUI_LIST_BOX  *Box     = (TUI_LIST_BOX *)Object;
  TUI_CONTROL   *Control = &Box->Frame.Control;
  UINT64        *Values  = NULL;
  UINTN         Count    = 0;
  UINT8         HasCallback;
  UINT16        QuestionId;
  EFI_STATUS    Status   = PopupFrameInitialize (Object, Data, Extra);
  UINT64        Width;
  UINT64        TitleCells;

  if (EFI_ERROR (Status)) {
    return Status;
  }

  Status = GetQuestionOptions (&Control->Record, &Box->HiiHandle, &Box->Tokens, &Values, &Count, &HasCallback, &QuestionId);
  FreeAndNull (Values);       // the owner keeps the values; the box answers positions
  if (EFI_ERROR (Status)) {
    return Status;
  }

  Box->ItemCount = (UINT16)Count;
  Width          = WidestString (Box->HiiHandle, Box->Tokens, sizeof (UINT16), Count);
  Width          = (Width > gTextScreenColumns - 6) ? gTextScreenColumns - 6 : Width;
  Control->Height = (UINT16)(Count + 2);
  (VOID)SetPromptTitle (Box);     // a question without a readable prompt has no title
  TitleCells = (Box->Frame.Title != NULL) ? GetTextCellCount (Box->Frame.Title) : 0;
  Width      = ((TitleCells != 0) && (Width < TitleCells + 7)) ? TitleCells + 7 : Width;
  Control->Width = (UINT16)Width;
  return FinishListBox (Box);
}

static EFI_STATUS
ListBoxInitializeMenu (
  IN VOID                   *Object,
  IN CONST MENU_DEFINITION  *Menu
  )
{
  TUI_LIST_BOX  *Box     = (TUI_LIST_BOX *)Object;
  TUI_CONTROL   *Control = &Box->Frame.Control;
  UINT64        Width;
  UINT64        Shown;

  if ((Menu == NULL) || ((Menu->Items == NULL) && (Menu->ItemCount != 0)) || (Menu->HiddenCount > Menu->ItemCount)) {
    return EFI_INVALID_PARAMETER;
  }

  // A menu's head names only the strings' package: it carries no opcode to check.
  if (Menu->Record != NULL) {
    if ((Menu->Record->Flags & CONTROL_FLAG_VALID) == 0) {
      return EFI_UNSUPPORTED;
    }

    CopyMem (&Control->Record, Menu->Record, sizeof (CONTROL_RECORD));
    Box->Frame.Visible = 1;
    Box->HiiHandle     = Control->Record.HiiHandle;
  }

  FreeAndNull (Box->Items);
  Box->Items = (MENU_ITEM *)AllocateCopyPool ((UINTN)Menu->ItemCount * sizeof (MENU_ITEM), Menu->Items);
  if ((Box->Items == NULL) && (Menu->ItemCount != 0)) {
    return EFI_OUT_OF_RESOURCES;
  }

  Box->MenuMode      = 1;
  Box->ItemCount     = Menu->ItemCount;
  Box->ReservedCount = Menu->HiddenCount;
  if ((Menu->TitleId != 0) && (Menu->TitleId != NO_STRING)) {
    FreeAndNull (Box->Frame.Title);
    Box->Frame.Title = HiiGetString (Box->HiiHandle, Menu->TitleId, NULL);
  }

  if ((Menu->HelpId != 0) && (Menu->HelpId != NO_STRING)) {
    FreeAndNull (Box->Frame.Help);
    Box->Frame.Help = HiiGetString (Box->HiiHandle, Menu->HelpId, NULL);
  }

  // The help lines need their own band: the menu is a titled box when it has any.
  Box->Frame.LayoutMode = (Box->Frame.Help != NULL) ? TUI_POPUP_LAYOUT_TITLED : TUI_POPUP_LAYOUT_PLAIN;
  Shown = ShownCount (Box);
  Width = WidestString (Box->HiiHandle, &Box->Items[0].StringId, sizeof (MENU_ITEM), (UINTN)Shown);
  Width = (Width > gTextScreenColumns - 6) ? gTextScreenColumns - 6 : Width;
  if (Box->Frame.Title != NULL) {
    Width = (Width < GetTextCellCount (Box->Frame.Title) + 7) ? GetTextCellCount (Box->Frame.Title) + 7 : Width;
  }

  Width = (Width < WidestHelpLine (Box->Frame.Help) + 4) ? WidestHelpLine (Box->Frame.Help) + 4 : Width;
  Control->Width  = (UINT16)Width;
  Control->Height = (UINT16)(Shown + 2 + PopupTitleRows (&Box->Frame) + PopupHelpRows (&Box->Frame));
  return FinishListBox (Box);
}

// The scroll bar in the inner right column over the item rows.
static VOID
DrawScrollBar (
  IN CONST TUI_LIST_BOX  *Box,
  IN UINT64              Top,
  IN UINT64              Rows
  )
{
  CONST TUI_CONTROL  *Control = &Box->Frame.Control;
  UINT64             Column   = Control->Column + Control->Width - 2;
  UINT64             Track    = (Rows > 2) ? Rows - 2 : 0;
  UINT64             Shown    = ShownCount (Box);
  UINT64             First    = Top + 1 + Box->FirstShown * Track / Shown;
  UINT64             End      = Top + 1 + ((UINT64)Box->LastShown + 1) * Track / Shown;
  UINT8              Attribute = PopupFrameAttribute (&Box->Frame);

  End = (End <= First) ? First + 1 : End;
  PrintAt (Column, Top, u"\x25B2", Attribute);
  for (UINT64 Row = Top + 1; Row < Top + 1 + Track; Row++) {
    CHAR16  Cell[2] = { (CHAR16)(((Row >= First) && (Row < End)) ? CHAR_THUMB : CHAR_TRACK), 0 };
    PrintAt (Column, Row, Cell, Attribute);
  }

  if (Rows > 1) {
    PrintAt (Column, Top + Rows - 1, u"\x25BC", Attribute);
  }
}

// One item on its row, cut to the room it has.
static VOID
DrawItem (
  IN CONST TUI_LIST_BOX  *Box,
  IN UINTN               Index,
  IN UINT64              Row,
  IN UINT64              Room
  )
{
  CONST TUI_CONTROL  *Control = &Box->Frame.Control;
  UINT16             Id       = ItemStringId (Box, Index);
  BOOLEAN            Dimmed   = Box->MenuMode && (Box->Items[Index].State == MENU_STATE_DIMMED);
  UINT8              Attribute = PopupFrameAttribute (&Box->Frame);
  CHAR16             *Text;

  if (Box->MenuMode && (Id == MENU_ITEM_SEPARATOR)) {
    DrawPopupSeparator (Control->Column, Row, Box->ScrollBar ? Control->Width - 1 : Control->Width, !Box->ScrollBar);
    return;
  }

  if (Dimmed) {
    Attribute = (UINT8)(DIMMED_FOREGROUND | Control->Background);
  } else if (Index == Box->Selection) {
    Attribute = SELECTED_ATTRIBUTE;
  }

  Text = HiiGetString (Box->HiiHandle, Id, NULL);
  if (Text != NULL) {
    Text[CountCharsThatFit (Text, Room)] = 0;
    PrintAt (Control->Column + 2, Row, Text, Attribute);
    FreePool (Text);
  }
}

static EFI_STATUS
ListBoxDraw (
  IN VOID  *Object
  )
{
  TUI_LIST_BOX  *Box     = (TUI_LIST_BOX *)Object;
  TUI_CONTROL   *Control = &Box->Frame.Control;
  EFI_STATUS    Status   = PopupFrameDraw (Object);
  UINT64        Top;
  UINT64        Rows;

  if (EFI_ERROR (Status)) {
    return Status;
  }

  FollowSelection (Box);
  Top           = Control->Row + 1 + PopupTitleRows (&Box->Frame);
  Rows          = ItemRows (Box);
  Box->ScrollBar = (UINT8)(ShownCount (Box) > gTextScreenRows - 12);
  if (Box->ScrollBar && (ShownCount (Box) != 0)) {
    DrawScrollBar (Box, Top, Rows);
  }

  for (UINT64 Line = 0; (Line < Rows) && (Box->FirstShown + Line < ShownCount (Box)); Line++) {
    UINT64  Room = (Control->Width > 5) ? Control->Width - (Box->ScrollBar ? 5 : 4) : 0;
    DrawItem (Box, (UINTN)(Box->FirstShown + Line), Top + Line, Room);
  }

  MarkRowsDirty (Control->Row, Control->Row + Control->Height);
  return EFI_SUCCESS;
}

/**
  The next selectable item from the selection in Step's direction, wrapping; the
  walk ends after one round, so a list with nothing selectable keeps its selection.
**/
static BOOLEAN
StepSelection (
  IN OUT TUI_LIST_BOX  *Box,
  IN     INTN          Step
  )
{
  UINTN  Count = ShownCount (Box);
  UINTN  Index = Box->Selection;

  for (UINTN Tried = 0; Tried < Count; Tried++) {
    Index = (Step > 0) ? ((Index + 1 >= Count) ? 0 : Index + 1) : ((Index == 0) ? Count - 1 : Index - 1);
    if (IsSelectable (Box, Index)) {
      Box->Selection = (UINT16)Index;
      return TRUE;
    }
  }

  return FALSE;
}

static VOID
PageSelection (
  IN OUT TUI_LIST_BOX  *Box,
  IN     BOOLEAN       Down
  )
{
  UINT64  Page  = (Box->Frame.Control.Height > 3) ? Box->Frame.Control.Height - 3 : 1;
  UINT64  Count = ShownCount (Box);

  if (Count == 0) {
    return;
  }

  if (Down) {
    Box->Selection = (UINT16)((Box->Selection + Page >= Count) ? Count - 1 : Box->Selection + Page);
  } else {
    Box->Selection = (UINT16)((Box->Selection < Page) ? 0 : Box->Selection - Page);
  }
}

static EFI_STATUS
RunBoxCallback (
  IN OUT TUI_LIST_BOX  *Box,
  IN     VOID          *Data
  )
{
  TUI_CALLBACK  Callback = Box->Frame.Control.Header.Callback;

  return (Callback != NULL) ? Callback (Box->Frame.Control.Header.CallbackContext, Box, Data) : EFI_SUCCESS;
}

static BOOLEAN
HotkeyMatches (
  IN CONST MENU_ITEM      *Item,
  IN CONST KEY_CODE_DATA  *Key
  )
{
  if ((Item->ScanCode == 0) && (Item->UnicodeChar == 0) && (Item->ShiftPattern == 0)) {
    return FALSE;
  }

  return (Item->ScanCode == Key->Key.ScanCode) && (Item->UnicodeChar == Key->Key.UnicodeChar) &&
         MatchShiftState (Key->KeyState.KeyShiftState, Item->ShiftPattern);
}

// A key that is no move: the first item of state 0 or 2 from the selection on whose hotkey it is.
static EFI_STATUS
HandleMenuHotkey (
  IN OUT TUI_LIST_BOX   *Box,
  IN     KEY_CODE_DATA  *Key
  )
{
  static TUI_LIST_ANSWER  Answer;

  for (UINTN Tried = 0; Tried < Box->ItemCount; Tried++) {
    UINTN            Index = (Box->Selection + Tried) % Box->ItemCount;
    CONST MENU_ITEM  *Item = &Box->Items[Index];

    if (((Item->State != MENU_STATE_NORMAL) && (Item->State != MENU_STATE_HIDDEN_KEY)) || !HotkeyMatches (Item, Key)) {
      continue;
    }

    if (Item->State == MENU_STATE_HIDDEN_KEY) {
      Answer = TUI_LIST_ANSWER { TUI_LIST_ANSWER_HIDDEN_ITEM, (UINT16)Index };
      return RunBoxCallback (Box, &Answer);
    }

    Box->Selection = (UINT16)Index;
    return RunBoxCallback (Box, &Box->Selection);
  }

  return EFI_UNSUPPORTED;
}

static EFI_STATUS
HandleListKey (
  IN OUT TUI_LIST_BOX  *Box,
  IN OUT TUI_INPUT     *Event
  )
{
  switch (HookMapSetupKey (&Event->Key)) {
    case ACTION_UP:
      (VOID)StepSelection (Box, -1);      // nothing selectable keeps the selection
      return EFI_SUCCESS;
    case ACTION_DOWN:
      (VOID)StepSelection (Box, 1);
      return EFI_SUCCESS;
    case ACTION_PAGE_UP:
    case ACTION_PAGE_DOWN:
      if (Box->MenuMode) {
        return EFI_UNSUPPORTED;
      }

      PageSelection (Box, HookMapSetupKey (&Event->Key) == ACTION_PAGE_DOWN);
      return EFI_SUCCESS;
    case ACTION_SELECT:
      if ((Box->Selection >= ShownCount (Box)) || !IsSelectable (Box, Box->Selection)) {
        return EFI_SUCCESS;             // nothing selectable: Enter chooses nothing
      }

      return RunBoxCallback (Box, &Box->Selection);
    case ACTION_ABORT:
      return RunBoxCallback (Box, NULL);
    default:
      return Box->MenuMode ? HandleMenuHotkey (Box, &Event->Key) : EFI_UNSUPPORTED;
  }
}

static EFI_STATUS
ListBoxHandleAction (
  IN     VOID       *Object,
  IN OUT TUI_INPUT  *Event
  )
{
  TUI_LIST_BOX  *Box = (TUI_LIST_BOX *)Object;
  EFI_STATUS    Status;

  if ((Event == NULL) || (Event->Kind != TUI_EVENT_KEY)) {
    return EFI_UNSUPPORTED;
  }

  Status = HandleListKey (Box, Event);
  FollowSelection (Box);
  return Status;
}

TUI_LIST_BOX_OPS  gTuiListBoxOps = {
  {
    ListBoxCreate,       ListBoxDestroy,              ListBoxInitialize,  ListBoxDraw,
    ListBoxHandleAction, TuiActionBindingSetCallback, PopupFrameSetFocus, TuiControlSetPosition,
    TuiControlSetDimensions, TuiControlSetAttributes, TuiRefuseHeight
  },
  ListBoxInitializeMenu
};

/** @file
  The ordered list: an ordered-list question shown as a column of its options in
  the stored order. Enter opens a list box in which + and - move the selected
  option up and down; when the box closes the whole new order is stored.
**/
#include <engine/textui/TuiValueControls.h>
#include <engine/textui/TuiStatements.h>
#include <engine/textui/TuiFrame.h>
#include <engine/textui/TextScreen.h>
#include <engine/core/EngineStrings.h>
#include <engine/core/HookTable.h>
#include <engine/forms/QuestionAccess.h>
#include <engine/forms/QuestionConditions.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/PrintLib.h>

#define ELEMENT_MAX       8

static EFI_STATUS
OrderListCreate (
  IN OUT VOID  **Object
  )
{
  EFI_STATUS  Status = TuiChoiceCreate (Object);

  if (!EFI_ERROR (Status)) {
    ((TUI_ACTION_BINDING *)*Object)->Ops = &gTuiOrderListOps;
  }

  return Status;
}

// Bytes of one element of the stored array and the number of elements it holds.
static UINTN
ElementWidth (
  IN CONST TUI_ORDER_LIST  *List,
  OUT UINTN                *Containers
  )
{
  UINT8  Type;
  UINTN  Size = 1;

  (VOID)CountQuestionOptions (&List->Control.Record, &Type, &Size);     // only the element size is wanted here, not the count
  *Containers = (UINTN)GetControlValueSize (&List->Control.Record);
  return ((Size == 0) || (Size > ELEMENT_MAX)) ? 1 : Size;
}

static UINT64
ReadElement (
  IN CONST UINT8  *Bytes,
  IN UINTN        Width
  )
{
  UINT64  Value = 0;

  CopyMem (&Value, Bytes, Width);
  return Value;
}

/**
  Brings the options into the stored order: each stored element in turn pulls the
  option of its value into its position. Only positions that an option can fill are
  walked, so a list longer than its options reads none past them.
**/
static VOID
SortToStoredOrder (
  IN OUT TUI_ORDER_LIST  *List
  )
{
  UINTN   Containers;
  UINTN   Width  = ElementWidth (List, &Containers);
  UINTN   Walked = (Containers < List->OptionCount) ? Containers : List->OptionCount;
  UINT8   *Stored = (Containers == 0) ? NULL : (UINT8 *)AllocateZeroPool (Containers * Width);

  if ((Stored == NULL) || EFI_ERROR (TuiReadQuestionBytes (&List->Control, Containers * Width, Stored))) {
    FreePool (Stored);
    return;                     // an order that cannot be read is shown as the options come
  }

  for (UINTN Position = 0; Position < Walked; Position++) {
    UINT64  Wanted = ReadElement (Stored + Position * Width, Width);
    for (UINTN Other = Position; Other < List->OptionCount; Other++) {
      if (List->Options[Other].Value == Wanted) {
        TUI_OPTION  Swap       = List->Options[Position];
        List->Options[Position] = List->Options[Other];
        List->Options[Other]    = Swap;
        break;
      }
    }
  }

  FreePool (Stored);
}

static EFI_STATUS
OrderListInitialize (
  IN VOID  *Object,
  IN VOID  *Data,
  IN VOID  *Extra
  )
{
  TUI_ORDER_LIST  *List  = (TUI_ORDER_LIST *)Object;
  EFI_STATUS      Status = TuiChoiceInitialize (Object, Data, Extra);

  if (!EFI_ERROR (Status)) {
    List->Control.Record.HelpStringId = GetHelpToken ((CONST UINT8 *)(UINTN)List->Control.Record.QuestionOpcode);
  }

  return Status;
}

static VOID
DrawOption (
  IN TUI_ORDER_LIST  *List,
  IN UINT16          Index,
  IN UINT8           Attribute
  )
{
  TUI_CONTROL  *Control = &List->Control;
  CHAR16       *Text    = HiiGetString (List->OptionHandle, List->Options[Index].StringId, NULL);
  UINTN        Size     = ((Text == NULL) ? 0 : StrLen (Text) + 3) * sizeof (CHAR16);
  CHAR16       *Value   = (Size == 0) ? NULL : (CHAR16 *)AllocateZeroPool (Size);
  INT64        Limit    = (INT64)Control->Width - List->ValueOffset - Control->Column - 2;
  UINT64       Column   = (UINT64)Control->Column + List->ValueOffset;

  if (Value != NULL) {
    UnicodeSPrint (Value, Size, u"[%s]", Text);
    if ((INT64)GetTextCellCount (Value) <= Limit) {
      PrintAt (Column, (UINT64)Control->Row + Index, Value, Attribute);
    } else if (Limit >= 2) {
      UINT64  Kept = CountCharsThatFit (Value, (UINT64)(Limit - 2));
      Value[Kept] = 0;
      PrintAt (Column, (UINT64)Control->Row + Index, Value, Attribute);
      PrintAt (Column + GetTextCellCount (Value), (UINT64)Control->Row + Index, u"...", Attribute);
    }
  }

  FreePool (Value);
  FreePool (Text);
}

static EFI_STATUS
OrderListDraw (
  IN VOID  *Object
  )
{
  TUI_ORDER_LIST  *List    = (TUI_ORDER_LIST *)Object;
  TUI_CONTROL     *Control = &List->Control;
  UINT8           State    = EvaluateControlCondition (&Control->Record);
  UINT16          Rows;

  if (!TuiStateDrawn (State)) {
    return EFI_UNSUPPORTED;
  }

  if (List->ListBox != NULL) {
    return gTuiListBoxOps.Control.Draw (List->ListBox);
  }

  SortToStoredOrder (List);
  TuiChoiceDrawPrompt (List, State);
  for (UINT16 Index = 0; Index < List->OptionCount; Index++) {
    DrawOption (List, Index, TuiChoiceValueAttribute (List, State));
  }

  Rows = (List->OptionCount > Control->Height) ? List->OptionCount : Control->Height;
  MarkRowsDirty (Control->Row, (UINT64)Control->Row + ((Rows > 0) ? Rows - 1 : 0));
  return TuiDrawnStatus (State);
}

static EFI_STATUS
OrderListGetControlHeight (
  IN  VOID    *Object,
  IN  UINT64  FrameWidth,
  OUT UINT16  *Height
  )
{
  TUI_ORDER_LIST  *List  = (TUI_ORDER_LIST *)Object;
  UINT16          Prompt = TuiChoicePromptRows (List);

  (VOID)FrameWidth;
  *Height = (List->OptionCount > Prompt) ? List->OptionCount : Prompt;
  return EFI_SUCCESS;
}

/**
  The new order as the question stores it: the boot and legacy device orders as
  their options' u16 values; any other list as its element array, padded with zeros
  to its containers and never longer than them.
**/
static EFI_STATUS
CommitOrder (
  IN TUI_ORDER_LIST  *List
  )
{
  UINTN        Containers;
  UINTN        Width  = ElementWidth (List, &Containers);
  UINT32       Index  = 0;
  BOOLEAN      Words  = (BOOLEAN)(TuiQuestionCacheIndex (&List->Control, &Index) &&
                                  ((Index == SETUP_VARIABLE_INDEX_BOOT_ORDER) || (Index == SETUP_VARIABLE_INDEX_LEGACY_DEV_ORDER)));
  UINTN        Count  = Words ? List->OptionCount : ((Containers < List->OptionCount) ? Containers : List->OptionCount);
  UINTN        Size   = Words ? Count * sizeof (UINT16) : Containers * Width;
  UINT8        *Value;
  TUI_CONTROL  *Control = &List->Control;
  EFI_STATUS   Status;

  Width = Words ? sizeof (UINT16) : Width;
  Value = (Size == 0) ? NULL : (UINT8 *)AllocateZeroPool (Size);
  if (Value == NULL) {
    return (Size == 0) ? EFI_SUCCESS : EFI_OUT_OF_RESOURCES;
  }

  for (UINTN Position = 0; Position < Count; Position++) {
    CopyMem (Value + Position * Width, &List->Options[Position].Value, Width);
  }

  Status = TuiCommitValue (&Control, Value, (UINT32)Size);
  FreePool (Value);
  return Status;
}

// Moves the selected option of the open list one place up (TowardFront) or down, the list following.
static VOID
MoveSelected (
  IN OUT TUI_ORDER_LIST  *List,
  IN     BOOLEAN         TowardFront
  )
{
  TUI_LIST_BOX  *Box  = List->ListBox;
  UINT16        From  = Box->Selection;
  UINT16        To;
  TUI_OPTION    Swap;

  if ((From >= List->OptionCount) || (From >= Box->ItemCount) || (TowardFront ? (From == 0) : (From + 1 >= List->OptionCount))) {
    return;                     // the ends stay put
  }

  To                   = TowardFront ? (UINT16)(From - 1) : (UINT16)(From + 1);
  Swap                 = List->Options[From];
  List->Options[From]  = List->Options[To];
  List->Options[To]    = Swap;
  Box->Tokens[From]    = List->Options[From].StringId;
  Box->Tokens[To]      = List->Options[To].StringId;
  Box->Selection       = To;
  (VOID)gTuiListBoxOps.Control.Draw (Box);     // a control that cannot draw now is drawn at the next redraw
}

// The list box's rows in the control's current order, the box wide enough for the widest.
static EFI_STATUS
OpenOrderList (
  IN TUI_ORDER_LIST  *List
  )
{
  TUI_LIST_BOX  *Box;
  UINT64        Widest = 0;
  EFI_STATUS    Status = TuiChoiceOpenList (List, 0);

  if (EFI_ERROR (Status) || (List->ListBox == NULL)) {
    return Status;
  }

  Box = List->ListBox;
  for (UINT16 Index = 0; (Index < Box->ItemCount) && (Index < List->OptionCount); Index++) {
    CHAR16  *Text = HiiGetString (List->OptionHandle, List->Options[Index].StringId, NULL);
    Box->Tokens[Index] = List->Options[Index].StringId;
    Widest = ((Text != NULL) && (GetTextCellCount (Text) > Widest)) ? GetTextCellCount (Text) : Widest;
    FreePool (Text);
  }

  Box->Frame.Control.Width = (Box->Frame.Control.Width < Widest + 5) ? (UINT16)(Widest + 5) : Box->Frame.Control.Width;
  Box->Selection           = (List->Selected < Box->ItemCount) ? List->Selected
                             : (UINT16)((Box->ItemCount == 0) ? 0 : Box->ItemCount - 1);
  return gTuiListBoxOps.Control.Draw (Box);
}

// A drag on the list (pointer action 21): above the selected row moves it up, below it down.
static BOOLEAN
DragDirection (
  IN  CONST TUI_ORDER_LIST  *List,
  IN  CONST TUI_INPUT       *Event,
  OUT BOOLEAN               *TowardFront
  )
{
  CONST TUI_LIST_BOX  *Box = List->ListBox;
  UINT64              Row  = (UINT64)Box->Frame.Control.Row + 1 + (Box->Selection - Box->FirstShown);

  if ((Event->Kind != TUI_EVENT_POINTER) || (HookMapPointerAction ((UINT64)(UINTN)&Event->Pointer) != ACTION_POINTER_21) ||
      (Event->Pointer.Row == Row))
  {
    return FALSE;
  }

  *TowardFront = (BOOLEAN)(Event->Pointer.Row < Row);
  return TRUE;
}

static EFI_STATUS
HandleListEvent (
  IN     TUI_ORDER_LIST  *List,
  IN OUT TUI_INPUT       *Event
  )
{
  UINT32      Action = (Event->Kind == TUI_EVENT_KEY) ? HookMapSetupKey (&Event->Key) : (UINT32)ACTION_NONE;
  BOOLEAN     TowardFront;
  EFI_STATUS  Status;

  if ((Action == ACTION_INCREMENT) || (Action == ACTION_DECREMENT)) {
    MoveSelected (List, (BOOLEAN)(Action == ACTION_INCREMENT));
    return EFI_SUCCESS;
  }

  if (DragDirection (List, Event, &TowardFront)) {
    MoveSelected (List, TowardFront);
    return EFI_SUCCESS;
  }

  Status = gTuiListBoxOps.Control.HandleAction (List->ListBox, Event);
  if (List->ListClosed) {
    List->Selected = (List->ListBox->Selection < List->OptionCount) ? List->ListBox->Selection : 0;
    TuiChoiceCloseList (List);
    (VOID)CommitOrder (List);        // the order is made; the callback's answer is its own
    return EFI_SUCCESS;
  }

  return Status;
}

static EFI_STATUS
OrderListHandleAction (
  IN     VOID       *Object,
  IN OUT TUI_INPUT  *Event
  )
{
  TUI_ORDER_LIST  *List = (TUI_ORDER_LIST *)Object;

  if (Event == NULL) {
    return EFI_UNSUPPORTED;
  }

  if (Event->Kind == TUI_EVENT_TICK) {
    return TuiChoiceTick (List);
  }

  if (((List->Control.Record.Flags & CONTROL_FLAG_READ_ONLY) != 0) || !List->Control.HasFocus) {
    return EFI_UNSUPPORTED;
  }

  if (List->ListBox != NULL) {
    return HandleListEvent (List, Event);
  }

  if ((Event->Kind == TUI_EVENT_KEY) && (HookMapSetupKey (&Event->Key) == ACTION_SELECT) && (List->OptionCount != 0)) {
    return OpenOrderList (List);
  }

  return EFI_UNSUPPORTED;
}

TUI_CONTROL_OPS  gTuiOrderListOps = {
  OrderListCreate,         TuiChoiceDestroy,            OrderListInitialize, OrderListDraw,
  OrderListHandleAction,   TuiActionBindingSetCallback, TuiLabelSetFocus,    TuiControlSetPosition,
  TuiControlSetDimensions, TuiControlSetAttributes,     OrderListGetControlHeight
};

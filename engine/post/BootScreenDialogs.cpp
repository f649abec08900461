/** @file
  The boot-screen interface's pop-ups in text mode.
**/
#include <engine/post/BootScreenDialogs.h>
#include <engine/textui/MessageBox.h>
#include <engine/textui/TextScreen.h>
#include <engine/variables/ConfigString.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/EngineStrings.h>
#include <engine/core/ShiftState.h>
#include <Resources/EngineStringIds.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/UefiLib.h>

// The row ShowTextMessageBox fills before each use: its ids stay for the next one.
static MSGBOX_DEF  mMessageBoxRow = { 0, 0, 0, ENGINE_OWN_HII_HANDLE, 0, 0 };
static MSGBOX_DEF  mTimedBoxRow   = { 0, 0, 0, ENGINE_OWN_HII_HANDLE, 0, 0 };

TUI_MESSAGE_BOX  *gTimedInfoBox = NULL;
// The timer that closes gTimedInfoBox; the caller holds the same handle.
static EFI_EVENT  mTimedInfoEvent = NULL;


UINT64
GetStringColumns (
  IN EFI_HII_HANDLE  HiiHandle,
  IN UINT16          StringId
  )
{
  CHAR16  *Text   = HiiGetString (HiiHandle, StringId, NULL);
  UINT64  Columns = GetStringDisplayWidth (Text) / WIDTH_UNITS_PER_CELL;

  FreePool (Text);
  return Columns;
}

UINT64
GetStringMaxLineColumns (
  IN EFI_HII_HANDLE  HiiHandle,
  IN UINT16          StringId
  )
{
  CHAR16  *Text  = HiiGetString (HiiHandle, StringId, NULL);
  UINT64  Widest = 0;
  CHAR16  *Line  = Text;

  // Each line is measured alone: its end is cut off in place, then the walk goes on past it.
  for (CHAR16 *Cursor = Text; Cursor != NULL; Cursor++) {
    CHAR16  Ended = *Cursor;
    if ((Ended != 0) && (Ended != u'\r') && (Ended != u'\n')) {
      continue;
    }

    *Cursor = 0;
    UINT64  Columns = GetStringDisplayWidth (Line) / WIDTH_UNITS_PER_CELL;
    Widest  = (Columns > Widest) ? Columns : Widest;
    Line    = Cursor + 1;
    if (Ended == 0) {
      break;
    }
  }

  FreePool (Text);
  return Widest;
}

// The key of an event as a dialog hands it back; Key may be unaligned.
static VOID
CopyEventKey (
  OUT DIALOG_KEY       *Key,
  IN  CONST TUI_INPUT  *Input
  )
{
  DIALOG_KEY  Read = { Input->Key.Key.ScanCode, Input->Key.Key.UnicodeChar, Input->Key.KeyState.KeyShiftState };

  CopyMem (Key, &Read, sizeof (Read));
}

static MSGBOX_DEF       mProgressRow = { 0, 0, 0, ENGINE_OWN_HII_HANDLE, 0, 0 };
// The one progress box open; handles that are not it are refused.
static TUI_MESSAGE_BOX  *mProgressBox = NULL;

// Stores the texts in a row's strings; FALSE when they cannot be stored.
static BOOLEAN
FillRow (
  IN OUT MSGBOX_DEF    *Row,
  IN     CONST CHAR16  *Title,
  IN     CONST CHAR16  *Message
  )
{
  UINT16  TitleId   = SetStringAllLanguagesNew (gHiiHandle, Row->TitleId, Title);
  UINT16  MessageId = SetStringAllLanguagesNew (gHiiHandle, (UINT16)Row->MessageId, Message);

  // An id the package no longer holds (its strings were registered again) gets a new string.
  TitleId   = ((TitleId == NO_STRING) && (Row->TitleId != 0)) ? SetStringAllLanguagesNew (gHiiHandle, 0, Title) : TitleId;
  MessageId = ((MessageId == NO_STRING) && (Row->MessageId != 0)) ? SetStringAllLanguagesNew (gHiiHandle, 0, Message)
                                                                  : MessageId;

  if ((TitleId == NO_STRING) || (MessageId == NO_STRING)) {
    return FALSE;
  }

  Row->TitleId   = TitleId;
  Row->MessageId = MessageId;
  return TRUE;
}

VOID EFIAPI
CloseTimedInfoBox (
  IN EFI_EVENT  Event,
  IN VOID       *Context
  )
{
  (VOID)Event;
  (VOID)Context;
  TuiDestroy (gTimedInfoBox, TRUE);
  gTimedInfoBox = NULL;
  CloseEventAndClear (&mTimedInfoEvent);
}

EFI_STATUS
ShowTimedInfoBox (
  IN  CONST CHAR16  *Title,
  IN  CONST CHAR16  *Message,
  IN  UINT64        Seconds,
  OUT EFI_EVENT     *Event
  )
{
  CONTROL_RECORD  Record;
  EFI_STATUS      Status;

  if ((Title == NULL) || (Message == NULL) || ((Seconds != 0) && (Event == NULL))) {
    return EFI_INVALID_PARAMETER;
  }

  // A box still open would be lost, and its timer would close the new one.
  CloseTimedInfoBox (NULL, NULL);
  if (!FillRow (&mTimedBoxRow, Title, Message) || EFI_ERROR (TuiCreate (&gTuiMessageBoxOps, (VOID **)&gTimedInfoBox))) {
    return EFI_OUT_OF_RESOURCES;
  }

  MakePopupRecord (&Record, &mTimedBoxRow);
  Status = gTuiMessageBoxOps.Control.Initialize (gTimedInfoBox, &Record, NULL);
  if (EFI_ERROR (Status)) {
    CloseTimedInfoBox (NULL, NULL);
    return Status;
  }

  // The box types come from the message box's own table.
  (VOID)gTuiMessageBoxOps.SetBoxType (gTimedInfoBox, MSGBOX_BUTTONS_NONE);
  (VOID)gTuiMessageBoxOps.Control.Draw (gTimedInfoBox);     // a box that cannot draw now is drawn at the next pass
  if (Seconds == 0) {
    return EFI_SUCCESS;
  }

  Status = CreateTimerEvent (&mTimedInfoEvent, CloseTimedInfoBox, NULL, TimerRelative, Seconds * 10000000ULL, TPL_CALLBACK);
  *Event = mTimedInfoEvent;
  return Status;
}

EFI_STATUS
ShowTextMessageBox (
  IN  CONST CHAR16  *Title,
  IN  CONST CHAR16  *Message,
  IN  UINT8         BoxType,
  OUT UINT8         *Selection
  )
{
  UINT8   Answer;

  if ((Title == NULL) || (Message == NULL) || (Selection == NULL)) {
    return EFI_INVALID_PARAMETER;
  }

  if (!FillRow (&mMessageBoxRow, Title, Message)) {
    return EFI_OUT_OF_RESOURCES;
  }

  // RunPopupBox makes the input object it needs when no application keeps one.
  Answer = RunPopupBox (&mMessageBoxRow, BoxType);
  if (Answer == MSGBOX_NO_ANSWER) {
    return EFI_OUT_OF_RESOURCES;
  }

  *Selection = Answer;
  return EFI_SUCCESS;
}

static EFI_STATUS
OpenProgressBox (
  IN  CONST CHAR16  *Title,
  IN  CONST CHAR16  *Message,
  IN  CONST CHAR16  *Legend,
  OUT VOID          **Handle
  )
{
  TUI_MESSAGE_BOX  *Box = NULL;
  CONTROL_RECORD   Record;
  EFI_STATUS       Status;

  if (EFI_ERROR (TuiCreate (&gTuiMessageBoxOps, (VOID **)&Box))) {
    return EFI_UNSUPPORTED;
  }

  mProgressRow.TitleId   = SetStringAllLanguagesNew (gHiiHandle, STR_PROGRESS_BOX_TITLE, (Title != NULL) ? Title : u"");
  mProgressRow.MessageId = SetStringAllLanguagesNew (gHiiHandle, STR_PROGRESS_BOX_MESSAGE, (Message != NULL) ? Message : u"");
  MakePopupRecord (&Record, &mProgressRow);
  Status = gTuiMessageBoxOps.Control.Initialize (Box, &Record, NULL);
  // The box keeps its own copy: the caller's legend may go away while the box is open.
  Box->StatusText = EFI_ERROR (Status) || (Legend == NULL) ? NULL : StrDupUtf16 (Legend);
  if (EFI_ERROR (Status) || ((Legend != NULL) && (Box->StatusText == NULL))) {
    TuiDestroy (Box, TRUE);
    return EFI_ERROR (Status) ? Status : EFI_OUT_OF_RESOURCES;
  }

  Box->Percentage = 0;
  (VOID)gTuiMessageBoxOps.SetBoxType (Box, MSGBOX_PROGRESS);     // the box types come from the message box's own table
  (VOID)gTuiMessageBoxOps.Control.Draw (Box);     // draws and flushes
  TuiDestroy (mProgressBox, TRUE);
  mProgressBox = Box;
  *Handle      = Box;
  return EFI_SUCCESS;
}

static EFI_STATUS
UpdateProgressBox (
  IN  TUI_MESSAGE_BOX  *Box,
  IN  CONST CHAR16     *Message,
  IN  UINT64           Percentage,
  OUT DIALOG_KEY       *Key
  )
{
  TUI_INPUT  *Input = NULL;

  Box->Percentage = Percentage;
  if ((Message != NULL) && (Box->Frame.Buffer1 != NULL)) {
    UINT16  Id = SetStringAllLanguagesNew (gHiiHandle, 0, Message);
    if (Id != NO_STRING) {
      WriteUnaligned16 ((UINT16 *)((UINT8 *)Box->Frame.Buffer1 + 2), Id);    // the pane's SUBTITLE prompt
    }
  }

  (VOID)gTuiMessageBoxOps.Control.Draw (Box);     // a box that cannot draw now is drawn at the next pass
  // Without an input object no key is read; the update itself still succeeded.
  if (!EFI_ERROR (TuiCreate (&gTuiInputOps, (VOID **)&Input))) {
    if (!EFI_ERROR (gTuiInputOps.GetAction (Input)) && (Input->Kind == TUI_EVENT_KEY)) {
      CopyEventKey (Key, Input);
    }

    TuiDestroy (Input, TRUE);
  }

  return EFI_SUCCESS;
}

EFI_STATUS
ShowProgressBox (
  IN     UINT8         Action,
  IN     CONST CHAR16  *Title,
  IN     CONST CHAR16  *Message,
  IN     CONST CHAR16  *Legend,
  IN     UINT64        Percentage,
  IN OUT VOID          **Handle,
  OUT    VOID          *Key
  )
{
  if ((Action < PROGRESS_OPEN) || (Action > PROGRESS_CLOSE)) {
    return EFI_SUCCESS;
  }

  if ((Handle == NULL) || ((Action == PROGRESS_UPDATE) && (Key == NULL)) ||
      ((Action != PROGRESS_OPEN) && ((*Handle == NULL) || (*Handle != mProgressBox))))
  {
    return EFI_INVALID_PARAMETER;
  }

  if (Action == PROGRESS_OPEN) {
    return OpenProgressBox (Title, Message, Legend, Handle);
  }

  if (Action == PROGRESS_UPDATE) {
    return UpdateProgressBox (mProgressBox, Message, Percentage, (DIALOG_KEY *)Key);
  }

  TuiDestroy (mProgressBox, TRUE);
  mProgressBox = NULL;
  return EFI_SUCCESS;
}

//
// The extended dialog.
//

#define DIALOG_ANSWER_KIND    3
#define DIALOG_CLEAR_SCREEN   0x1000
#define DIALOG_MAX_BUTTONS    4
#define DIALOG_NO_ANSWER      0xFF

UINT8              gDialogAnswer = DIALOG_NO_ANSWER;
static MSGBOX_DEF  mDialogRow    = { 0, 0, 0, ENGINE_OWN_HII_HANDLE, 0, 0 };

// The box writes the chosen button into the record before it calls back.
static EFI_STATUS
OnDialogButton (
  IN VOID  *Context,
  IN VOID  *Box,
  IN VOID  *Data
  )
{
  CONST TUI_BUTTON_ANSWER  *Answer = (CONST TUI_BUTTON_ANSWER *)Data;

  (VOID)Context;
  (VOID)Box;
  if ((Answer != NULL) && (Answer->Kind == DIALOG_ANSWER_KIND)) {
    gDialogAnswer = (UINT8)Answer->Button;
  }

  return EFI_SUCCESS;
}

typedef struct {
  CONST CHAR16      *Legend;
  UINT32            Colour;
  UINT8             BoxType;
  CONST UINT16      *ButtonIds;
  UINT16            ButtonCount;
  CONST DIALOG_KEY  *Keys;
  UINT16            KeyCount;
} DIALOG_CALL;

// The box of a dialog, ready to run: its legend and buttons are its own copies.
static EFI_STATUS
MakeDialogBox (
  IN  CONST DIALOG_CALL  *Call,
  IN  TUI_BUTTON_ANSWER  *Answer,
  OUT TUI_MESSAGE_BOX    **Box
  )
{
  CONTROL_RECORD  Record;
  EFI_STATUS      Status;

  if (EFI_ERROR (TuiCreate (&gTuiMessageBoxOps, (VOID **)Box))) {
    return EFI_OUT_OF_RESOURCES;
  }

  (*Box)->ColourScheme = Call->Colour & ~(UINT32)DIALOG_CLEAR_SCREEN;
  (*Box)->StatusText   = (Call->Legend != NULL) ? StrDupUtf16 (Call->Legend) : NULL;
  (*Box)->Buttons      = (Call->ButtonCount != 0) ? (UINT16 *)AllocateCopyPool (Call->ButtonCount * sizeof (UINT16),
                                                                 Call->ButtonIds) : NULL;
  (*Box)->ButtonCount  = Call->ButtonCount;
  if (((Call->Legend != NULL) && ((*Box)->StatusText == NULL)) || ((Call->ButtonCount != 0) && ((*Box)->Buttons == NULL))) {
    return EFI_OUT_OF_RESOURCES;
  }

  MakePopupRecord (&Record, &mDialogRow);
  Status = gTuiMessageBoxOps.Control.Initialize (*Box, &Record, NULL);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  (VOID)gTuiMessageBoxOps.SetBoxType (*Box, Call->BoxType);     // the caller's box type was checked before
  gDialogAnswer = DIALOG_NO_ANSWER;
  ZeroMem (Answer, sizeof (*Answer));
  Answer->Kind = DIALOG_ANSWER_KIND;
  (VOID)gTuiMessageBoxOps.Control.SetCallback (*Box, NULL, OnDialogButton, Answer);     // setting a callback cannot fail
  if ((Call->Colour & DIALOG_CLEAR_SCREEN) != 0) {
    ClearTextScreen ();
  }

  return EFI_SUCCESS;
}

static BOOLEAN
IsListedKey (
  IN CONST DIALOG_CALL  *Call,
  IN CONST TUI_INPUT    *Input
  )
{
  for (UINT16 Index = 0; (Input->Kind == TUI_EVENT_KEY) && (Index < Call->KeyCount); Index++) {
    DIALOG_KEY  Listed;
    CopyMem (&Listed, &Call->Keys[Index], sizeof (Listed));
    if ((Listed.ScanCode == Input->Key.Key.ScanCode) && (Listed.UnicodeChar == Input->Key.Key.UnicodeChar) &&
        MatchShiftState (Input->Key.KeyState.KeyShiftState, Listed.ShiftState))
    {
      return TRUE;
    }
  }

  return FALSE;
}

/**
  Runs the box until a button is answered; a key of the list, or without a list any
  key a box without buttons leaves, ends it earlier. TRUE when a key of the list ended it.
**/
static BOOLEAN
RunDialogBox (
  IN  TUI_MESSAGE_BOX    *Box,
  IN  TUI_INPUT          *Input,
  IN  CONST DIALOG_CALL  *Call,
  OUT DIALOG_KEY         *Key
  )
{
  while (gDialogAnswer == DIALOG_NO_ANSWER) {
    (VOID)gTuiInputOps.ClearAction (Input);     // clearing an event cannot fail
    (VOID)gTuiMessageBoxOps.Control.Draw (Box);     // a box that cannot draw now is drawn at the next pass
    if (EFI_ERROR (gTuiInputOps.GetAction (Input))) {
      continue;
    }

    (VOID)gTuiMessageBoxOps.Control.HandleAction (Box, Input);     // what it did shows in gDialogAnswer
    FlushTextScreen ();
    if ((Call->KeyCount != 0) && IsListedKey (Call, Input)) {
      if (Key != NULL) {
        CopyEventKey (Key, Input);
      }

      return TRUE;
    }

    if ((Call->KeyCount == 0) && ((Call->BoxType & 0x0F) == MSGBOX_BUTTONS_NONE) && (Input->Kind == TUI_EVENT_KEY)) {
      return FALSE;
    }
  }

  return FALSE;
}

static EFI_STATUS
CheckDialogArguments (
  IN CONST CHAR16       *Title,
  IN CONST CHAR16       *Message,
  IN CONST DIALOG_CALL  *Call
  )
{
  BOOLEAN  ButtonList = (BOOLEAN)((Call->BoxType & 0x0F) == MSGBOX_BUTTONS_LIST);

  if ((gST == NULL) || (gST->ConIn == NULL)) {
    return EFI_NOT_READY;
  }

  if ((Title == NULL) || (Message == NULL) || (ButtonList && (Call->ButtonIds == NULL)) ||
      ((Call->ButtonCount != 0) && (Call->ButtonIds == NULL)) || ((Call->KeyCount != 0) && (Call->Keys == NULL)))
  {
    return EFI_INVALID_PARAMETER;
  }

  return (ButtonList && (Call->ButtonCount > DIALOG_MAX_BUTTONS)) ? EFI_UNSUPPORTED : EFI_SUCCESS;
}

EFI_STATUS
ShowBootScreenDialog (
  IN  CONST CHAR16      *Title,
  IN  CONST CHAR16      *Message,
  IN  CONST CHAR16      *Legend,
  IN  UINT32            Colour,
  IN  UINT8             BoxType,
  IN  CONST UINT16      *ButtonIds,
  IN  UINT16            ButtonCount,
  IN  CONST DIALOG_KEY  *Keys,
  IN  UINT16            KeyCount,
  OUT UINT8             *Selection,
  OUT DIALOG_KEY        *Key
  )
{
  DIALOG_CALL        Call      = { Legend, Colour, BoxType, ButtonIds, ButtonCount, Keys, KeyCount };
  TUI_MESSAGE_BOX    *Box      = NULL;
  TUI_INPUT          *Temporary = NULL;
  TUI_BUTTON_ANSWER  Answer;
  EFI_STATUS         Status    = CheckDialogArguments (Title, Message, &Call);
  BOOLEAN            KeyEnded;

  if (EFI_ERROR (Status)) {
    return Status;
  }

  if (!FillRow (&mDialogRow, Title, Message) ||
      ((gTuiPopupInput == NULL) && EFI_ERROR (TuiCreate (&gTuiInputOps, (VOID **)&Temporary))))
  {
    return EFI_OUT_OF_RESOURCES;
  }

  Status = MakeDialogBox (&Call, &Answer, &Box);
  if (!EFI_ERROR (Status)) {
    KeyEnded = RunDialogBox (Box, (Temporary != NULL) ? Temporary : gTuiPopupInput, &Call, Key);
    if (!KeyEnded && (gDialogAnswer != DIALOG_NO_ANSWER) && (Selection != NULL)) {
      *Selection = gDialogAnswer;
    }
  }

  TuiDestroy (Box, TRUE);
  TuiDestroy (Temporary, TRUE);
  return Status;
}

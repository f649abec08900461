/** @file
  The boot-screen interface's pop-ups in text mode.
**/
#include <engine/textui/BootScreenDialogs.h>
#include <engine/textui/MessageBox.h>
#include <engine/textui/TextScreen.h>
#include <engine/core/ConfigString.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/EngineUtilities.h>
#include <engine/core/SetupEngine.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>

#define NO_STRING  0xFFFF

// The row ShowTextMessageBox fills before each use: its ids stay for the next one.
static MSGBOX_DEF  mMessageBoxRow = { 0, 0, 0, ENGINE_OWN_HII_HANDLE, 0, 0 };
static MSGBOX_DEF  mTimedBoxRow   = { 0, 0, 0, ENGINE_OWN_HII_HANDLE, 0, 0 };

TUI_MESSAGE_BOX  *gTimedInfoBox = NULL;
// The timer that closes gTimedInfoBox; the caller holds the same handle.
static EFI_EVENT  mTimedInfoEvent = NULL;

UINT16
SetStringAllLanguagesNew (
  IN EFI_HII_HANDLE  HiiHandle,
  IN UINT16          StringId,
  IN CONST CHAR16    *Text
  )
{
  if (StringId == 0) {
    return HiiAddStringAllLanguages (HiiHandle, Text);
  }

  // Before the language list is built the strings still need a language to live in.
  if ((gLanguageList == NULL) || (gLanguageCount == 0)) {
    return NewStringInLanguage (HiiHandle, StringId, u"en-US", Text);
  }

  return EFI_ERROR (SetStringAllLanguages (HiiHandle, StringId, Text)) ? (UINT16)NO_STRING : StringId;
}

static MSGBOX_DEF       mProgressRow = { 0, 0, 0, ENGINE_OWN_HII_HANDLE, 0, 0 };
// The one progress box open; handles that are not it are refused.
static TUI_MESSAGE_BOX  *mProgressBox = NULL;

#define PROGRESS_TITLE_STRING    118
#define PROGRESS_MESSAGE_STRING  119

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

  (VOID)gTuiMessageBoxOps.SetBoxType (gTimedInfoBox, MSGBOX_BUTTONS_NONE);
  (VOID)gTuiMessageBoxOps.Control.Draw (gTimedInfoBox);
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

  mProgressRow.TitleId   = SetStringAllLanguagesNew (gHiiHandle, PROGRESS_TITLE_STRING, (Title != NULL) ? Title : u"");
  mProgressRow.MessageId = SetStringAllLanguagesNew (gHiiHandle, PROGRESS_MESSAGE_STRING, (Message != NULL) ? Message : u"");
  MakePopupRecord (&Record, &mProgressRow);
  Status = gTuiMessageBoxOps.Control.Initialize (Box, &Record, NULL);
  // The box keeps its own copy: the caller's legend may go away while the box is open.
  Box->StatusText = EFI_ERROR (Status) || (Legend == NULL) ? NULL : StrDupUtf16 (Legend);
  if (EFI_ERROR (Status) || ((Legend != NULL) && (Box->StatusText == NULL))) {
    TuiDestroy (Box, TRUE);
    return EFI_ERROR (Status) ? Status : EFI_OUT_OF_RESOURCES;
  }

  Box->Percentage = 0;
  (VOID)gTuiMessageBoxOps.SetBoxType (Box, MSGBOX_PROGRESS);
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
  OUT UINT8            *Key
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

  (VOID)gTuiMessageBoxOps.Control.Draw (Box);
  // Without an input object no key is read; the update itself still succeeded.
  if (!EFI_ERROR (TuiCreate (&gTuiInputOps, (VOID **)&Input))) {
    if (!EFI_ERROR (gTuiInputOps.GetAction (Input)) && (Input->Kind == TUI_EVENT_KEY)) {
      UINT32  Shift = Input->Key.KeyState.KeyShiftState;
      CopyMem (Key, &Input->Key.Key.ScanCode, sizeof (UINT16));
      CopyMem (Key + 2, &Input->Key.Key.UnicodeChar, sizeof (UINT16));
      CopyMem (Key + 4, &Shift, sizeof (UINT32));
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
    return UpdateProgressBox (mProgressBox, Message, Percentage, (UINT8 *)Key);
  }

  TuiDestroy (mProgressBox, TRUE);
  mProgressBox = NULL;
  return EFI_SUCCESS;
}

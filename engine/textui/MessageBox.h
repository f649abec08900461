/** @file
  The message box: a message, question or progress pop-up with a button band, a
  status line and a colour scheme, and RunPopupBox, which shows one modally and
  answers the chosen button.
**/
#ifndef ENGINE_MESSAGE_BOX_H_
#define ENGINE_MESSAGE_BOX_H_

#include <engine/textui/TuiPopup.h>
#include <engine/textui/TuiStatements.h>
#include <Resources/EngineStringIds.h>

// What a pop-up is built from: the opcode of its control record.
#pragma pack(push, 1)
typedef struct {
  UINT16          Zero;
  UINT16          TitleId;
  UINT32          Reserved;
  EFI_HII_HANDLE  HiiHandle;      // all ones: the engine's own strings
  UINT32          MessageId;
  UINT32          Reserved2;
} MSGBOX_DEF;
#pragma pack(pop)

static_assert (sizeof (MSGBOX_DEF) == 24, "pop-up definition row");

// Button sets: the low nibble of a box type. The high nibble aligns the message.
#define MSGBOX_BUTTONS_NONE       0
#define MSGBOX_BUTTONS_OK         1
#define MSGBOX_BUTTONS_OK_CANCEL  2
#define MSGBOX_BUTTONS_YES_NO     3
#define MSGBOX_BUTTONS_LIST       4
#define MSGBOX_PROGRESS           5

// RunPopupBox's answer when the box could not be shown.
#define MSGBOX_NO_ANSWER  255

typedef struct {
  TUI_POPUP_FRAME     Frame;
  TEXT_SCREEN_BUFFER  *Saved;
  TUI_TEXT_PANE       *Pane;
  UINT8               BoxType;
  UINT8               Selected;
  CHAR16              *StatusText;
  UINT32              ColourScheme;
  UINT16              *Buttons;
  UINT16              ButtonCount;
  UINT64              Percentage;
} TUI_MESSAGE_BOX;

typedef struct {
  TUI_CONTROL_OPS  Control;
  EFI_STATUS       (*SetBoxType)(IN VOID *Box, IN UINT8 BoxType);
} TUI_MESSAGE_BOX_OPS;

extern TUI_MESSAGE_BOX_OPS  gTuiMessageBoxOps;

/**
  The record a box's callback receives: the chosen button is written into the u64
  at byte 8 before the callback runs.
**/
typedef struct {
  UINT16  Kind;
  UINT8   Reserved[6];
  UINT64  Button;
} TUI_BUTTON_ANSWER;

static_assert (offsetof (TUI_BUTTON_ANSWER, Button) == 8, "answer record");

/** The attribute of a colour scheme: background in the high nibble, foreground in the low one. */
UINT8  MessageBoxSchemeAttribute (IN UINT32 Scheme);

/**
  Fills a 64-byte control-record head for a pop-up built from Definition: the
  engine's own strings, valid, with the definition as its opcode.
**/
VOID   MakePopupRecord (OUT CONTROL_RECORD *Record, IN CONST MSGBOX_DEF *Definition);

/**
  Shows a message box of BoxType built from Definition until a button is chosen.
  Reads its events from the pop-up input object, made for the time of the box when
  none exists.

  @return The chosen button (Esc answers 1), or MSGBOX_NO_ANSWER when the box could
          not be made.
**/
UINT8  RunPopupBox (IN CONST MSGBOX_DEF *Definition, IN UINT8 BoxType);

#endif

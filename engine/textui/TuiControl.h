/** @file
  The control base class every control of a frame derives from, the label (the
  simplest control), the control-type table that picks a class for a control
  record, and the notification records a control's callback receives.
**/
#ifndef ENGINE_TUI_CONTROL_H_
#define ENGINE_TUI_CONTROL_H_

#include <engine/textui/TuiObject.h>
#include <engine/core/SetupDataFormat.h>

typedef struct {
  TUI_ACTION_BINDING  Header;
  CONTROL_RECORD      Record;          // a copy of the record's 64-byte head
  UINT16              Column;
  UINT16              Row;
  UINT16              Width;
  UINT16              Height;
  UINT8               Background;
  UINT8               Foreground;
  UINT8               HasFocus;
  UINT8               OwnsFrame;       // a pop-up of the control is open
  UINT32              FrameKind;
} TUI_CONTROL;

static_assert (sizeof (CONTROL_RECORD) == 64, "control record head");
static_assert (sizeof (TUI_CONTROL) == 112, "control");

//
// The slot order every control class keeps.
//
typedef struct {
  TUI_CREATE         Create;
  TUI_DESTROY        Destroy;
  EFI_STATUS         (*Initialize)(IN VOID *Object, IN VOID *Data, IN VOID *Extra);
  EFI_STATUS         (*Draw)(IN VOID *Object);
  TUI_HANDLE_ACTION  HandleAction;
  TUI_SET_CALLBACK   SetCallback;
  EFI_STATUS         (*SetFocus)(IN VOID *Object, IN BOOLEAN Focus);
  EFI_STATUS         (*SetPosition)(IN VOID *Object, IN UINT64 Column, IN UINT64 Row);
  EFI_STATUS         (*SetDimensions)(IN VOID *Object, IN UINT64 Width, IN UINT64 Height);
  EFI_STATUS         (*SetAttributes)(IN VOID *Object, IN UINT8 Background, IN UINT8 Foreground);
  EFI_STATUS         (*GetControlHeight)(IN VOID *Object, IN UINT64 FrameWidth, OUT UINT16 *Height);
} TUI_CONTROL_OPS;

extern TUI_CONTROL_OPS  gTuiControlOps;

//
// Base and label operations that other classes put in their own tables.
//
EFI_STATUS  TuiControlCreate (IN OUT VOID **Object);
EFI_STATUS  TuiControlInitialize (IN VOID *Object, IN VOID *Data, IN VOID *Extra);
EFI_STATUS  TuiControlSetPosition (IN VOID *Object, IN UINT64 Column, IN UINT64 Row);
EFI_STATUS  TuiControlSetDimensions (IN VOID *Object, IN UINT64 Width, IN UINT64 Height);
EFI_STATUS  TuiControlSetAttributes (IN VOID *Object, IN UINT8 Background, IN UINT8 Foreground);
EFI_STATUS  TuiLabelDestroy (IN VOID *Object, IN BOOLEAN Free);
EFI_STATUS  TuiLabelDraw (IN VOID *Object);
EFI_STATUS  TuiLabelSetFocus (IN VOID *Object, IN BOOLEAN Focus);
EFI_STATUS  TuiLabelGetControlHeight (IN VOID *Object, IN UINT64 FrameWidth, OUT UINT16 *Height);
/** The prompt (Offset 2) or help (Offset 4) id of a statement; 0xFFFF when the opcode is too short. */
UINT16      TuiStatementString (IN CONST TUI_CONTROL *Control, IN UINTN Offset);
/** The prompt as a new string: null for the id 0xFFFF, an empty string when it cannot be read. */
CHAR16      *TuiReadPrompt (IN CONST TUI_CONTROL *Control, OUT BOOLEAN *NoPrompt);
/** The shared operations of a slot a class does not take. */
EFI_STATUS  TuiRefuseFocus (IN VOID *Object, IN BOOLEAN Focus);
EFI_STATUS  TuiRefuseCallback (IN VOID *Object, IN VOID *Context, IN TUI_CALLBACK Function, IN VOID *Data);
EFI_STATUS  TuiRefuseHeight (IN VOID *Object, IN UINT64 FrameWidth, OUT UINT16 *Height);

typedef struct {
  TUI_CONTROL  Control;
  CHAR16       *Text;                  // the prompt last drawn
  UINT8        FocusBackground;
  UINT8        FocusForeground;
  UINT8        NormalBackground;
  UINT8        NormalForeground;
} TUI_LABEL;

static_assert (sizeof (TUI_LABEL) == 128, "label");

extern TUI_CONTROL_OPS  gTuiLabelOps;

// A grayed control's foreground, and what Draw answers for one (not an error).
#define TUI_GRAYED_FOREGROUND  0x08
#define TUI_DRAWN_GRAYED       3

/** Whether a control whose condition evaluates to State is drawn: shown, or grayed out. */
BOOLEAN     TuiStateDrawn (IN UINT8 State);
/** The foreground a control drawn in State takes: the grayed one when grayed out, else Foreground. */
UINT8       TuiStateForeground (IN UINT8 State, IN UINT8 Foreground);
/** What Draw answers for a control drawn in State: TUI_DRAWN_GRAYED when grayed out. */
EFI_STATUS  TuiDrawnStatus (IN UINT8 State);

//
// Notification records: one static record per kind, filled just before a control's
// callback runs; the callbacks ignore a record of another kind.
//
#define TUI_NOTIFY_KIND_GOTO      1
#define TUI_NOTIFY_KIND_VALUE     2
#define TUI_NOTIFY_KIND_PASSWORD  7
#define TUI_NOTIFY_KIND_JUMP      8

typedef struct {
  UINT32  Kind;
  UINT32  Size;
  UINT32  PageIndex;
} TUI_NOTIFY_PAGE;

typedef struct {
  UINT32  Kind;
  UINT32  Size;
  UINT32  VariableIndex;
  UINT32  Offset;            // 16 bits used
  UINT32  Width;             // bytes
  UINT32  Reserved;
  VOID    *Value;            // the new value; for a password its UTF-16 text
  UINT64  Reserved2;         // password records only
} TUI_NOTIFY_VALUE;

static_assert (sizeof (TUI_NOTIFY_PAGE) == 12, "go-to and jump records");
static_assert (offsetof (TUI_NOTIFY_VALUE, Reserved2) == 32, "value record");
static_assert (sizeof (TUI_NOTIFY_VALUE) == 40, "password record");

extern TUI_NOTIFY_PAGE   gTuiGotoNotify;
extern TUI_NOTIFY_PAGE   gTuiJumpNotify;
extern TUI_NOTIFY_VALUE  gTuiValueNotify;
extern TUI_NOTIFY_VALUE  gTuiPasswordNotify;

/**
  Stores a changed password: hard-disk security takes its own; the others are cut or
  zero-padded to the question's width, encoded when the question stores encoded
  values, and written into the variable cache. The record is a password record.
**/
EFI_STATUS  OnPasswordChanged (IN VOID *Frame, IN VOID *Control, IN VOID *Record);
/**
  Text cut or zero-padded to Width bytes, with a terminator after them; a new
  buffer of Width + 2 bytes (zero it before freeing when it held a password).
**/
CHAR16      *TuiPaddedText (IN CONST CHAR16 *Text OPTIONAL, IN UINTN Width);
/** Writes a changed value into the variable cache; the record is a value record. */
EFI_STATUS  OnValueChanged (IN VOID *Frame, IN VOID *Control, IN VOID *Record);

//
// The control-type table: which class a control record of each type becomes, and
// the callback its control gets when Flag is set. A class not built yet has no
// table here, and its records make no control.
//
typedef struct {
  UINT64        ControlType;
  VOID          *Ops;
  UINT64        CallbackFlag;
  TUI_CALLBACK  Callback;
  VOID          *Notification;
} TUI_CONTROL_TYPE_ENTRY;

static_assert (sizeof (TUI_CONTROL_TYPE_ENTRY) == 40, "control-type row");

/** The first row of the table for a control type; null for type 0 and unknown types. */
CONST TUI_CONTROL_TYPE_ENTRY  *FindControlType (IN UINT64 ControlType);

#endif

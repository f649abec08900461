/** @file
  The controls that change a question's value: the choice (one-of and checkbox
  questions, stepped with + and - or picked from a list box), the ordered list
  (its options moved up and down inside an open list box), the in-place text entry
  and the numeric control built on it. A changed value goes out through the value
  notification record to the control's callback (OnValueChanged).

  Also the question-value helpers these controls share: which cache entry holds a
  question's variable, reading its bytes and defaults, and the commit of a new
  value with the driver's callback for interactive questions.
**/
#ifndef ENGINE_TUI_VALUE_CONTROLS_H_
#define ENGINE_TUI_VALUE_CONTROLS_H_

#include <engine/textui/TuiPopup.h>

//
// The choice and the ordered list.
//
typedef struct {
  UINT16  StringId;
  UINT16  Reserved[3];
  UINT64  Value;
} TUI_OPTION;

static_assert (sizeof (TUI_OPTION) == 16, "option");

typedef struct {
  TUI_CONTROL     Control;
  UINT16          PromptId;
  UINT16          ValueOffset;          // columns from the control's column to its value
  UINT8           Background;           // P0
  UINT8           Dimmed;               // P1
  UINT8           FocusBackground;      // P4
  UINT8           FocusForeground;      // P5
  UINT8           ValueForeground;      // P7
  UINT8           PromptFocused;        // P9
  UINT8           PromptNormal;         // P10
  TUI_LIST_BOX    *ListBox;             // open while the user picks
  UINT8           ListClosed;           // the list's callback ran
  UINT8           ListAnswered;         // ... with a selection (not Esc)
  UINT16          ListAnswer;
  EFI_HII_HANDLE  OptionHandle;         // package list of the option strings
  UINT16          Selected;
  UINT16          OptionCount;
  UINT16          Interactive;          // the question has a form callback
  UINT16          QuestionId;
  TUI_OPTION      *Options;             // an ordered list keeps them in the stored order
  UINT8           Countdown;
} TUI_CHOICE;

static_assert (sizeof (TUI_CHOICE) <= 176, "choice");

typedef TUI_CHOICE  TUI_ORDER_LIST;

extern TUI_CONTROL_OPS  gTuiChoiceOps;
extern TUI_CONTROL_OPS  gTuiOrderListOps;

// The choice's slots the ordered list shares.
EFI_STATUS  TuiChoiceCreate (IN OUT VOID **Object);
EFI_STATUS  TuiChoiceDestroy (IN VOID *Object, IN BOOLEAN Free);
EFI_STATUS  TuiChoiceInitialize (IN VOID *Object, IN VOID *Data, IN VOID *Extra);
/** Draws the prompt: cut before the value on a one-row control, else wrapped there. */
VOID        TuiChoiceDrawPrompt (IN TUI_CHOICE *Choice, IN UINT8 State);
/** The attribute of the value: focused, or normal (grayed in state 3). */
UINT8       TuiChoiceValueAttribute (IN CONST TUI_CHOICE *Choice, IN UINT8 State);
/** Rows the prompt needs before the value column, at least 1. */
UINT16      TuiChoicePromptRows (IN TUI_CHOICE *Choice);
/** Opens the list box of the control's options with the selection on Selection. */
EFI_STATUS  TuiChoiceOpenList (IN TUI_CHOICE *Choice, IN UINT16 Selection);
/** Closes the open list box and gives the frame back. */
VOID        TuiChoiceCloseList (IN TUI_CHOICE *Choice);
/** A tick for a choice or ordered list: counts down and re-reads the value; 0 when it did. */
EFI_STATUS  TuiChoiceTick (IN TUI_CHOICE *Choice);

//
// The text entry and the number.
//
typedef struct {
  TUI_CONTROL  Control;
  CHAR16       *Text;                   // Capacity + 1 characters
  CHAR16       *Backup;                 // the text from before the edit
  UINT16       ValueOffset;
  UINT16       Capacity;                // characters
  UINT16       FieldWidth;              // cells, as last drawn
  UINT8        FocusForeground;         // P5
  UINT8        NormalBackground;        // P6
  UINT8        NormalForeground;        // P7
  UINT8        PromptFocused;           // P9
  UINT8        PromptNormal;            // P10
  UINT8        FieldBackground;         // P11
  UINT8        EditForeground;          // P12
  CHAR16       Mask;                    // 0: the text is shown
} TUI_TEXT_ENTRY;

static_assert (sizeof (TUI_TEXT_ENTRY) <= 152, "text entry");

// Number bases; signed numbers are decimal.
#define TUI_NUMBER_HEX      16
#define TUI_NUMBER_DECIMAL  10
#define TUI_NUMBER_SIGNED   32

typedef struct {
  TUI_TEXT_ENTRY  Entry;
  UINT16          Base;
  UINT64          Minimum;
  UINT64          Maximum;
  UINT64          Current;
  UINT64          Step;
  UINT8           Countdown;
} TUI_NUMBER;

static_assert (sizeof (TUI_NUMBER) <= 192, "number");

extern TUI_CONTROL_OPS  gTuiTextEntryOps;
extern TUI_CONTROL_OPS  gTuiNumberOps;

/** The number's handler while the graphical setup runs: it draws the number itself, so only ticks count here. */
EFI_STATUS  GraphicalNumberHandleAction (IN VOID *Object, IN OUT TUI_INPUT *Event);

// The text entry's slots the number builds on.
EFI_STATUS  TuiTextEntryCreate (IN OUT VOID **Object);
EFI_STATUS  TuiTextEntryDestroy (IN VOID *Object, IN BOOLEAN Free);
EFI_STATUS  TuiTextEntryInitialize (IN VOID *Object, IN VOID *Data, IN VOID *Extra);
EFI_STATUS  TuiTextEntryDraw (IN VOID *Object);
EFI_STATUS  TuiTextEntryHandleAction (IN VOID *Object, IN OUT TUI_INPUT *Event);
EFI_STATUS  TuiTextEntrySetFocus (IN VOID *Object, IN BOOLEAN Focus);
/** Whether an edit is in progress (the owns-the-frame byte doubles as the flag). */
BOOLEAN     TuiTextEntryEditing (IN CONST TUI_TEXT_ENTRY *Entry);

//
// Question values.
//

/**
  The cache index of a control's variable. The cache holds the variable list of the
  setup data; a record the form parser made names its own list, whose variable is
  found in the cache by its GUID and name. FALSE when the cache does not hold it.
**/
BOOLEAN     TuiQuestionCacheIndex (IN CONST TUI_CONTROL *Control, OUT UINT32 *CacheIndex);
/** TRUE for a store reached through configuration routing whose owning driver gives nothing back. */
BOOLEAN     TuiStoreTakesNoChange (IN UINT32 Index);
/**
  Size bytes of a question's value at its offset from the variable cache, or, for a
  plain UEFI variable that only the form parser knows of, from the variable itself.
**/
EFI_STATUS  TuiReadQuestionBytes (IN CONST TUI_CONTROL *Control, IN UINTN Size, OUT VOID *Buffer);
/** Size bytes of the question's standard default from the defaults cache. */
EFI_STATUS  TuiReadQuestionDefault (IN CONST TUI_CONTROL *Control, IN UINTN Size, OUT VOID *Buffer);
/** Writes Size bytes at the question's offset into the current cache; EFI_NOT_FOUND when it has no entry. */
EFI_STATUS  TuiWriteQuestionBytes (IN CONST TUI_CONTROL *Control, IN UINTN Size, IN VOID *Value);
/**
  Counts the writes of TuiWriteQuestionBytes. A control that puts a valid value in place
  of a stored one while it draws changes what the conditions of the page read, so the
  page is drawn once more when the count moved during a draw.
**/
extern UINT32  gTuiQuestionWrites;
/** The question's storage offset. */
UINT16      TuiQuestionOffset (IN CONST TUI_CONTROL *Control);
/**
  Reports a new value: the value record gets the variable, offset, Width and Value;
  the question's old value is kept for the form callback; the control's callback
  runs; for an interactive question the driver's callback runs, after which the
  control is looked up again on the current page (the page may have been rebuilt).

  @param Control  In: the control. Out: the control as found again (null when gone).
**/
EFI_STATUS  TuiCommitValue (IN OUT TUI_CONTROL **Control, IN VOID *Value, IN UINT32 Width);
/** Whether no control of the current page has a pop-up open (ticks then count down). */
BOOLEAN     TuiNoPopupOpen (VOID);

// The step + or - makes an order question's entry take (the question at Offset of the
// boot, driver or legacy order Index), which the boot manager's rules give: TRUE with the
// new value in *Value, FALSE when the entry keeps its value. Start-up connects it; until
// then no order question steps.
extern BOOLEAN  (*gOrderQuestionStep)(IN UINTN Index, IN UINTN Offset, IN BOOLEAN TowardFront, OUT UINT16 *Value);

#endif

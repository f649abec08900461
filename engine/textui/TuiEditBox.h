/** @file
  Text input: the edit box (a modal pop-up that takes one line of text, shown or
  masked), the routines that run it, and the password and string controls that ask
  their values through it.
**/
#ifndef ENGINE_TUI_EDIT_BOX_H_
#define ENGINE_TUI_EDIT_BOX_H_

#include <engine/textui/TuiPopup.h>
#include <Resources/EngineStringIds.h>

typedef struct {
  TUI_POPUP_FRAME     Frame;           // the frame's title is the question's prompt
  TEXT_SCREEN_BUFFER  *Saved;
  UINT8               MaskMode;        // 1: every character shows as MaskChar, only 32 to 126 taken
  UINT16              LinesUsed;
  UINT16              MaxLength;       // characters
  CHAR16              *Text;           // MaxLength + 1 characters once initialised
  CHAR16              *Backup;         // the text from before the first change
  CHAR16              *BlankRow;       // width - 2 spaces
  CHAR16              MaskChar;
  UINT16              CursorColumn;    // just after the text, as last drawn
  UINT16              CursorRow;
  UINT8               Marked;          // the current field of a text-entry box
} TUI_EDIT_BOX;

typedef struct {
  TUI_CONTROL_OPS  Control;
  EFI_STATUS       (*SetMaskMode)(IN VOID *Box, IN BOOLEAN Mask);
  /** Copies Text (the empty string when null), cut to the box's maximum once it has one. */
  EFI_STATUS       (*SetText)(IN VOID *Box, IN CONST CHAR16 *Text OPTIONAL);
} TUI_EDIT_BOX_OPS;

extern TUI_EDIT_BOX_OPS  gTuiEditBoxOps;

// The running box's result: open, accepted or cancelled.
#define EDIT_BOX_OPEN       255
#define EDIT_BOX_ACCEPTED   0
#define EDIT_BOX_CANCELLED  1

extern UINT8  gEditBoxResult;

/**
  Shows an initialised edit box until it is accepted or cancelled, reading events
  from the pop-up input object (one made for the time of the box when none exists).

  @return EDIT_BOX_ACCEPTED or EDIT_BOX_CANCELLED (also when no input can be made).
**/
UINT8       RunEditBox (IN TUI_EDIT_BOX *Box);

/**
  Asks for a text in an edit box titled with string TitleId of TitleHandle's
  package list (the control's, or the engine's own), starting from OldText, masked
  when Mask.

  @param[out] Text  On success a new pool string (it may hold a password: free it
                    with FreeSecret).

  @retval EFI_UNSUPPORTED       Cancelled.
  @retval EFI_OUT_OF_RESOURCES  The box could not be made.
**/
EFI_STATUS  AskText (IN CONST TUI_CONTROL *Control, IN EFI_HII_HANDLE TitleHandle, IN UINT16 TitleId,
              IN CONST CHAR16 *OldText OPTIONAL,
              OUT CHAR16 **Text, IN BOOLEAN Mask);

// Drawn as a label (its prompt, in colours P4 to P7); the password itself never shows.
typedef struct {
  TUI_LABEL    Label;
  CHAR16       *Accepted;           // the last password stored; zeroed before it is freed
} TUI_PASSWORD;

typedef struct {
  TUI_CONTROL  Control;
  UINT8        FocusBackground;     // P4
  UINT8        FocusForeground;     // P5
  UINT8        NormalBackground;    // P6
  UINT8        NormalForeground;    // P7
  UINT8        PromptFocused;       // P9
  CHAR16       *Text;               // the stored string as last drawn
  UINT16       ValueOffset;
  UINT16       MaxLength;           // characters
  UINT16       ShownWidth;
  UINT8        Countdown;
} TUI_STRING;

extern TUI_CONTROL_OPS  gTuiPasswordOps;
extern TUI_CONTROL_OPS  gTuiStringOps;

/** The box's text as it shows: every character the mask character in mask mode; a new string (zero it when freed). */
CHAR16      *EditBoxShownText (IN CONST TUI_EDIT_BOX *Box);

/**
  Makes the control's record name the variable cache's index of its variable, so
  that every read and write of the core reaches the cache; a variable the cache does
  not hold gets TUI_NO_VARIABLE, which reads nothing and is never written.
**/
VOID        TuiBindCacheVariable (IN OUT TUI_CONTROL *Control);
#define TUI_NO_VARIABLE  0xFFFFFFFF

/** A message box of the engine's strings TitleId and MessageId with Buttons; answers the button chosen. */
UINT8       ShowEngineMessage (IN UINT16 TitleId, IN UINT16 MessageId, IN UINT8 Buttons);

#endif

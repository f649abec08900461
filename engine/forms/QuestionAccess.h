/** @file
  Question accessors: the engine keeps no parsed copy of a question; every field
  is read from the IFR opcode the control record points at, on demand. Also the
  option lists of a question with suppressed options left out, the simple
  condition helpers that tie a control to another question, dates and times kept
  in a variable, the real-time clock or the wake-up time, and the routine that
  re-reads a control's value from its store.

  Fixed fields are read only when the opcode's own length covers them (0
  otherwise). Walks over a question's scope stay inside the forms package copy
  that holds it, and stop at an opcode shorter than its header.
**/
#ifndef ENGINE_QUESTION_ACCESS_H_
#define ENGINE_QUESTION_ACCESS_H_

#include <Uefi.h>
#include <engine/core/SetupDataFormat.h>
#include <Resources/EngineStringIds.h>

// Size of the ONE_OF_OPTION opcodes CloneControlOpcodes leaves room for, and the slack after them.
#define CLONE_OPTION_OPCODE_SIZE  28
#define CLONE_EXTRA_BYTES         40

// GetConditionValue when the condition compares no value.
#define CONDITION_NO_VALUE  (-2)

//
// String ids.
//
UINT16      GetHelpToken (IN CONST UINT8 *Opcode);
UINT16      GetPromptToken (IN CONST UINT8 *Opcode);
UINT16      GetTitleToken (IN CONST UINT8 *Opcode);

//
// Limits, width and storage.
//
UINT64      GetQuestionMinimum (IN CONST UINT8 *Opcode);
UINT64      GetQuestionMaximum (IN CONST UINT8 *Opcode);
UINT64      GetQuestionStep (IN CONST UINT8 *Opcode);
/** Bytes the question's value takes in its store. */
UINT16      GetQuestionWidth (IN CONST UINT8 *Opcode);
/**
  The storage offset (VarStoreInfo) of a question opcode; 0 for other opcodes, and
  0 for a question of a name/value store of the current page's package list, whose
  VarStoreInfo names the element instead.
**/
UINT16      GetQuestionOffset (IN CONST UINT8 *Opcode);
// The page whose controls' defaults are being gathered: the current page of the
// offset rule when no page is shown.
extern UINT32  gDefaultBuildPage;
/**
  Whether a question opcode names a varstore: in the UEFI forms a varstore id of 0
  means the question has no storage, and its driver keeps its value through callbacks.
**/
BOOLEAN     QuestionHasVarStore (IN CONST UINT8 *Opcode);
/** The bytes of a control's value by control type; 0 for types without one. */
UINT64      GetControlValueSize (IN CONST CONTROL_RECORD *Control);

/**
  Where a control's value lies, read from its opcode once and handed to whatever
  reads, saves, passes or writes back that value, so that a commit does not go back
  to the opcode at every step. The offset follows GetQuestionOffset's rule for the
  page shown when it is resolved.
**/
typedef struct {
  CONST UINT8  *Op;              // the question opcode; null when the control has none
  UINT32       VariableIndex;    // the control's variable
  UINT16       Offset;           // where the value starts in it
  UINT16       Width;            // its bytes (GetQuestionWidth)
  BOOLEAN      Encoded;          // a password the engine's own store keeps encoded
} RESOLVED_QUESTION;

/** Fills Question from the control; a null control or opcode gives a question without a value. */
VOID        ResolveQuestion (IN CONST CONTROL_RECORD *Control OPTIONAL, OUT RESOLVED_QUESTION *Question);

//
// Options.
//

/**
  The options a control offers: a checkbox always offers "Disabled" (0) and
  "Enabled" (1) from the engine's own package list; other questions their
  ONE_OF_OPTIONs that no holding SUPPRESS_IF hides.

  @param HiiHandle    Out: the package list that holds the option strings.
  @param Tokens       In: an old list or null (freed). Out: a new pool list of string ids.
  @param Values       In: an old list or null (freed). Out: a new pool list of values.
  @param HasCallback  Out: 1 when the question has the callback flag, else 0.
  @param QuestionId   Out: the question id when it has; unchanged otherwise.

  @retval EFI_OUT_OF_RESOURCES  The lists could not be allocated; both are null.
**/
EFI_STATUS  GetQuestionOptions (IN CONST CONTROL_RECORD *Control, OUT EFI_HII_HANDLE *HiiHandle, IN OUT UINT16 **Tokens,
              IN OUT UINT64 **Values, OUT UINTN *Count, OUT UINT8 *HasCallback, OUT UINT16 *QuestionId);

/**
  Appends the visible ONE_OF_OPTIONs of the question's scope to new pool lists
  with room for Room entries, grown by 10 when full.
**/
EFI_STATUS  CollectVisibleOptions (IN CONST CONTROL_RECORD *Control, OUT UINT16 **Tokens, OUT UINT64 **Values,
              OUT UINTN *Count, IN UINTN Room);

/**
  The number of visible options, and the IFR type and byte size of their values:
  (1, 2) u16, (2, 4) u32, (3, 8) u64, otherwise (0, 1).
**/
UINTN       CountQuestionOptions (IN CONST CONTROL_RECORD *Control, OUT UINT8 *ValueType, OUT UINTN *ValueSize);

//
// Simple conditions.
//

/**
  From a SUPPRESS_IF, the value (byte 4) of the first EQ_ID_VAL inside the
  innermost SUPPRESS_IF still open at Limit; -1 when SuppressIf is not a
  SUPPRESS_IF, its scope closes before Limit, or no EQ_ID_VAL is found.
**/
INT16       FindSuppressScopeEnd (IN CONST UINT8 *SuppressIf, IN CONST UINT8 *Limit);

/**
  For a SUPPRESS_IF or GRAY_OUT_IF (optionally over NOT) over EQ_ID_VAL or
  EQ_ID_VAL_LIST: the variable index of the control of the compared question, on
  the control's page or another page of its form set; 0 when none.
**/
UINT32      GetConditionVariable (IN CONST CONTROL_RECORD *Control);

/**
  The EQ_ID_VAL or EQ_ID_VAL_LIST of the control's condition whose compared
  question's variable is in the variable-GUID list, following the condition of the
  control that owns the compared question when it is not; null when none.
**/
CONST UINT8 *FindConditionCompare (IN CONST CONTROL_RECORD *Control, OUT UINT32 *VariableIndex,
               OUT CONST VARIABLE_GUID_RECORD **Record);

/** The value the compare of FindConditionCompare tests for; CONDITION_NO_VALUE when none. */
INT16       GetConditionValue (IN CONST CONTROL_RECORD *Control, OUT CONST VARIABLE_GUID_RECORD **Record);

/**
  Copies the control's condition opcodes and its question opcode into a new
  zero-filled pool buffer with room for N more options, and moves the control's
  two opcode pointers to the copy. Null (and the control unchanged) on failure.
**/
UINT8       *CloneControlOpcodes (IN UINTN N, IN OUT CONTROL_RECORD *Control);

/** TRUE for controls of the engine's own password variables, whose values are stored encoded. */
BOOLEAN     IsEncodedPasswordQuestion (IN CONST CONTROL_RECORD *Control);

//
// Values.
//

/**
  Reads or writes a DATE or TIME control's value by the storage bits of the
  opcode's own flags: a variable (date {u16 year, u8 month, u8 day}, time {hour,
  minute, second} at the question's offset), the real-time clock, or the wake-up
  time (written with the alarm enabled). A variable read fills only the date or
  the time fields of Time.

  @retval EFI_UNSUPPORTED        Storage bits 0x30, or not a DATE or TIME question.
  @retval EFI_INVALID_PARAMETER  A write of a date no calendar holds (month 13,
                                 02/31) or a time no clock shows (24:00, minute 60).
  @return                        The status of the variable cache or the clock.
**/
EFI_STATUS  ReadDateTimeValue (IN CONST CONTROL_RECORD *Control, IN OUT EFI_TIME *Time);
EFI_STATUS  WriteDateTimeValue (IN CONST CONTROL_RECORD *Control, IN EFI_TIME *Time);

/**
  Reads a control's value from its store again and puts it into the current cache
  when it differs. Values kept in the clock are left alone. *Unchanged is TRUE when
  the cache already held what the store holds (the browser then asks the driver).

  @retval EFI_SUCCESS      Also when nothing could be read.
  @retval EFI_UNSUPPORTED  A control type without a stored value.
**/
EFI_STATUS  ReloadControlValue (IN CONTROL_RECORD *Control, OUT BOOLEAN *Unchanged);

/**
  Sends an ACTION question's configuration string (read from the control's
  package list) through Configuration Routing. Success without doing anything for
  other opcodes or an empty string; EFI_UNSUPPORTED for a null control.
**/
EFI_STATUS  RouteActionConfig (IN CONST CONTROL_RECORD *Control);

#endif

/** @file
  Question fields read from the IFR opcode: string ids, limits, width, storage
  offset and value size.

  The size of a NUMERIC or ONE_OF value is always taken from bits 0-1 of its own
  flags byte (1, 2, 4 or 8 bytes); the other bits of that byte carry the display
  form and must not change the size.
**/
#include <engine/forms/QuestionAccess.h>
#include <engine/forms/IfrOpcode.h>
#include <engine/core/SetupData.h>
#include <engine/variables/VariableCache.h>
#include <engine/forms/FormTables.h>

// Question header fields (the header starts at byte 2 of a question opcode).
#define QUESTION_PROMPT         2
#define QUESTION_HELP           4
#define QUESTION_VARSTORE_ID    8
#define QUESTION_VARSTORE_INFO  10

// Fields after the question header.
#define NUMERIC_DATA            14
#define PASSWORD_MIN_SIZE       13
#define PASSWORD_MAX_SIZE       15
#define STRING_MIN_SIZE         13
#define STRING_MAX_SIZE         14
#define ORDERED_LIST_CONTAINERS 13

#define FORM_TITLE              4
#define SUBTITLE_PROMPT         2
#define FORM_SET_TITLE          18

#define DATE_WIDTH              4      // u16 year, u8 month, u8 day
#define TIME_WIDTH              3      // hour, minute, second

// The questions, and the two statements whose prompt and help the engine shows with them.
static BOOLEAN
IsQuestionWithHelp (
  IN UINT8  Op
  )
{
  return (Op == EFI_IFR_TEXT_OP) || (Op == EFI_IFR_RESET_BUTTON_OP) || IsQuestionOpcode (Op);
}

static BOOLEAN
IsPromptedOpcode (
  IN UINT8  Op
  )
{
  return (Op != EFI_IFR_TEXT_OP) && IsQuestionWithHelp (Op);
}

UINT16
GetHelpToken (
  IN CONST UINT8  *Opcode
  )
{
  return ((Opcode != NULL) && IsQuestionWithHelp (Opcode[0])) ? (UINT16)IfrField (Opcode, QUESTION_HELP, 2) : 0;
}

UINT16
GetPromptToken (
  IN CONST UINT8  *Opcode
  )
{
  return ((Opcode != NULL) && IsPromptedOpcode (Opcode[0])) ? (UINT16)IfrField (Opcode, QUESTION_PROMPT, 2) : 0;
}

UINT16
GetTitleToken (
  IN CONST UINT8  *Opcode
  )
{
  if (Opcode == NULL) {
    return 0;
  }

  switch (Opcode[0]) {
    case EFI_IFR_FORM_OP:
      return (UINT16)IfrField (Opcode, FORM_TITLE, 2);
    case EFI_IFR_SUBTITLE_OP:
      return (UINT16)IfrField (Opcode, SUBTITLE_PROMPT, 2);
    case EFI_IFR_FORM_SET_OP:
      return (UINT16)IfrField (Opcode, FORM_SET_TITLE, 2);
    default:
      return 0;
  }
}

// Bytes of a NUMERIC or ONE_OF value: bits 0-1 of the opcode's flags.
static UINTN
NumericSize (
  IN CONST UINT8  *Opcode
  )
{
  return (UINTN)1 << (IfrField (Opcode, IFR_NUMERIC_FLAGS_AT, 1) & EFI_IFR_NUMERIC_SIZE);
}

//
// MinMaxData of a NUMERIC: minimum, maximum and step, each of the value's size.
//
static UINT64
NumericLimit (
  IN CONST UINT8  *Opcode,
  IN UINTN        Which
  )
{
  UINTN  Size = NumericSize (Opcode);

  return IfrField (Opcode, NUMERIC_DATA + Which * Size, Size);
}

UINT64
GetQuestionMinimum (
  IN CONST UINT8  *Opcode
  )
{
  if (Opcode == NULL) {
    return 0;
  }

  switch (Opcode[0]) {
    case EFI_IFR_NUMERIC_OP:
      return NumericLimit (Opcode, 0);
    case EFI_IFR_PASSWORD_OP:
      return IfrField (Opcode, PASSWORD_MIN_SIZE, 2);
    case EFI_IFR_STRING_OP:
      return IfrField (Opcode, STRING_MIN_SIZE, 1);
    default:
      return 0;
  }
}

UINT64
GetQuestionMaximum (
  IN CONST UINT8  *Opcode
  )
{
  if (Opcode == NULL) {
    return 0;
  }

  switch (Opcode[0]) {
    case EFI_IFR_NUMERIC_OP:
      return NumericLimit (Opcode, 1);
    case EFI_IFR_PASSWORD_OP:
      return IfrField (Opcode, PASSWORD_MAX_SIZE, 2);
    case EFI_IFR_STRING_OP:
      return IfrField (Opcode, STRING_MAX_SIZE, 1);
    default:
      return 0;
  }
}

UINT64
GetQuestionStep (
  IN CONST UINT8  *Opcode
  )
{
  return ((Opcode != NULL) && (Opcode[0] == EFI_IFR_NUMERIC_OP)) ? NumericLimit (Opcode, 2) : 0;
}

UINT16
GetQuestionWidth (
  IN CONST UINT8  *Opcode
  )
{
  if (Opcode == NULL) {
    return 0;
  }

  switch (Opcode[0]) {
    case EFI_IFR_ONE_OF_OP:
    case EFI_IFR_NUMERIC_OP:
      return (UINT16)NumericSize (Opcode);
    case EFI_IFR_CHECKBOX_OP:
      return 1;
    case EFI_IFR_PASSWORD_OP:
      return (UINT16)(IfrField (Opcode, PASSWORD_MAX_SIZE, 2) * sizeof (CHAR16));
    case EFI_IFR_STRING_OP:
      return (UINT16)(IfrField (Opcode, STRING_MAX_SIZE, 1) * sizeof (CHAR16));
    case EFI_IFR_DATE_OP:
      return DATE_WIDTH;
    case EFI_IFR_TIME_OP:
      return TIME_WIDTH;
    default:
      return 0;
  }
}

UINT32  gDefaultBuildPage = 0;

// The page whose package list the offset rule looks at: the page shown, or the
// page whose defaults are being gathered when no application exists.
static EFI_HII_HANDLE
CurrentPageHandle (
  VOID
  )
{
  UINT32       Page = gDefaultBuildPage;
  PAGE_RECORD  *Record;

  (VOID)GetShownPage (&Page);   // FALSE leaves the default-build page
  return EFI_ERROR (GetPageData (Page, &Record)) ? NULL : Record->HiiHandle;
}

static BOOLEAN
IsNameValueQuestion (
  IN UINT16  VarStoreId
  )
{
  EFI_HII_HANDLE   Handle = CurrentPageHandle ();
  UINT32           Count  = GetVariableCount ();
  VARIABLE_RECORD  *Record;

  for (UINT32 Index = 0; (Handle != NULL) && (Index < Count); Index++) {
    Record = GetVariableRecord (Index);
    if (((Record->StoreFlags & VARIABLE_STORE_NAME_VALUE) != 0) && (Record->HiiHandle == Handle) &&
        (Record->VariableId == VarStoreId))
    {
      return TRUE;
    }
  }

  return FALSE;
}

BOOLEAN
QuestionHasVarStore (
  IN CONST UINT8  *Opcode
  )
{
  return (BOOLEAN)((Opcode != NULL) && IsQuestionOpcode (Opcode[0]) && (IfrField (Opcode, QUESTION_VARSTORE_ID, 2) != 0));
}

UINT16
GetQuestionOffset (
  IN CONST UINT8  *Opcode
  )
{
  // RESET_BUTTON carries a statement header only, so it has no storage.
  if ((Opcode == NULL) || !IsQuestionOpcode (Opcode[0]) || (IfrLength (Opcode) < QUESTION_VARSTORE_INFO + 2)) {
    return 0;
  }

  // A name/value question's VarStoreInfo is the string id of its element's name.
  if (IsNameValueQuestion ((UINT16)IfrField (Opcode, QUESTION_VARSTORE_ID, 2))) {
    return 0;
  }

  return (UINT16)IfrField (Opcode, QUESTION_VARSTORE_INFO, 2);
}

UINT64
GetControlValueSize (
  IN CONST CONTROL_RECORD  *Control
  )
{
  CONST UINT8  *Opcode = (CONST UINT8 *)(UINTN)Control->QuestionOpcode;

  switch (Control->ControlType & CONTROL_TYPE_MASK) {
    case CONTROL_TYPE_TEXT:
      return 2;
    case CONTROL_TYPE_DATE:
      return DATE_WIDTH;
    case CONTROL_TYPE_TIME:
      return TIME_WIDTH;
    case CONTROL_TYPE_ONE_OF:
    case CONTROL_TYPE_CHECKBOX:
    case CONTROL_TYPE_NUMERIC:
    case CONTROL_TYPE_PASSWORD:
    case CONTROL_TYPE_STRING:
      return GetQuestionWidth (Opcode);
    case CONTROL_TYPE_ORDERED_LIST:
      return ((Opcode != NULL) && (Opcode[0] == EFI_IFR_ORDERED_LIST_OP)) ? IfrField (Opcode, ORDERED_LIST_CONTAINERS, 1) : 0;
    default:
      return 0;
  }
}

VOID
ResolveQuestion (
  IN  CONST CONTROL_RECORD  *Control OPTIONAL,
  OUT RESOLVED_QUESTION     *Question
  )
{
  Question->Op            = (Control == NULL) ? NULL : (CONST UINT8 *)(UINTN)Control->QuestionOpcode;
  Question->VariableIndex = (Control == NULL) ? 0 : Control->VariableIndex;
  Question->Offset        = GetQuestionOffset (Question->Op);
  Question->Width         = GetQuestionWidth (Question->Op);
  Question->Encoded       = IsEncodedPasswordQuestion (Control);
}

BOOLEAN
IsEncodedPasswordQuestion (
  IN CONST CONTROL_RECORD  *Control
  )
{
  return (Control != NULL) && ((Control->VariableIndex == SETUP_VARIABLE_INDEX_PASSWORD) ||
                               (Control->VariableIndex == SETUP_VARIABLE_INDEX_HDD_SECURITY));
}

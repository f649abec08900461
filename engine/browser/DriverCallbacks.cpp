/** @file
  Calls into the drivers that own questions with the callback flag: the browser
  actions through their configuration-access protocol, the value a driver returns
  written back into the variable cache, and the action request it asks for.
**/
#include <engine/browser/DriverCallbacks.h>
#include <engine/core/EngineStrings.h>
#include <engine/forms/Passwords.h>
#include <engine/browser/DynamicPages.h>
#include <engine/core/EngineGlobals.h>
#include <engine/browser/FormBrowser.h>
#include <engine/forms/FormTables.h>
#include <engine/forms/IfrOpcode.h>
#include <engine/forms/QuestionAccess.h>
#include <engine/core/SetupData.h>
#include <engine/variables/VariableCache.h>

#include <Protocol/HiiConfigAccess.h>
#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>

UINT8    gLoadingDefaults        = 0;
BOOLEAN  gDriverChangedValue     = FALSE;
UINT32   gChangeCallbackCount    = 0;

// The question's value before a change (written back before the call) and its new
// value; for a password question they hold passwords, so both are zeroed when freed.
static UINT8  *mOldValue     = NULL;
static UINTN  mOldValueSize  = 0;
static UINTN  mOldValueBytes = 0;
static UINT8  *mNewValue     = NULL;
static UINTN  mNewValueSize  = 0;

#define ACTION_CONFIG_AT     13     // after the 13-byte question header
#define NUMERIC_FLAGS_AT     13
#define IFR_TYPE_OTHER       8
#define VALUE_BUFFER_SIZE    256

EFI_STATUS
CallConfigAccessCallback (
  IN     EFI_HII_HANDLE      HiiHandle,
  IN     UINT16              QuestionId,
  IN     UINT8               Type,
  IN OUT EFI_IFR_TYPE_VALUE  *Value,
  IN     UINTN               Action
  )
{
  EFI_HANDLE                      DriverHandle = NULL;
  EFI_HII_CONFIG_ACCESS_PROTOCOL  *Access      = NULL;
  EFI_BROWSER_ACTION_REQUEST      Request      = EFI_BROWSER_ACTION_REQUEST_NONE;
  UINT8                           SavedIn      = gInBrowserCallback;
  UINT8                           SavedLoading = gLoadingDefaults;
  EFI_STATUS                      Status;

  if (gHiiDatabase == NULL) {
    return EFI_NOT_READY;
  }

  Status = gHiiDatabase->GetPackageListHandle (gHiiDatabase, HiiHandle, &DriverHandle);
  if (!EFI_ERROR (Status)) {
    Status = gBS->HandleProtocol (DriverHandle, &gEfiHiiConfigAccessProtocolGuid, (VOID **)&Access);
  }

  if (EFI_ERROR (Status)) {
    return Status;
  }

  if ((Action == EFI_BROWSER_ACTION_CHANGING) || (Action == EFI_BROWSER_ACTION_CHANGED)) {
    gChangeCallbackCount++;
  }

  // Both flags go back to what they were, so a call nested in another keeps them set.
  gInBrowserCallback = 1;
  gLoadingDefaults   = 1;
  Status             = Access->Callback (Access, Action, QuestionId, Type, Value, &Request);
  gInBrowserCallback = SavedIn;
  gLoadingDefaults   = SavedLoading;
  if (Request != EFI_BROWSER_ACTION_REQUEST_NONE) {
    Status = ProcessActionRequest (Request);
  }

  (VOID)RefreshDynamicPages ();     // without a table there is nothing pending
  return Status;
}

EFI_STATUS
CallFormSetCallback (
  IN EFI_HII_HANDLE  HiiHandle,
  IN UINT16          QuestionId,
  IN UINT64          Value
  )
{
  EFI_IFR_TYPE_VALUE  TypeValue;

  ZeroMem (&TypeValue, sizeof (TypeValue));
  TypeValue.u64 = Value;
  return CallConfigAccessCallback (HiiHandle, QuestionId, EFI_IFR_TYPE_NUM_SIZE_64, &TypeValue, EFI_BROWSER_ACTION_CHANGED);
}

static BOOLEAN
IsKnownAction (
  IN UINTN  Action
  )
{
  return (Action <= EFI_BROWSER_ACTION_FORM_CLOSE) || (Action == EFI_BROWSER_ACTION_DEFAULT_STANDARD) ||
         (Action == EFI_BROWSER_ACTION_DEFAULT_MANUFACTURING);
}

/** The IFR value type of a question; FALSE for a question whose value cannot be passed. */
static BOOLEAN
QuestionValueType (
  IN  CONST UINT8  *Op,
  OUT UINT8        *Type
  )
{
  switch (Op[0]) {
    case EFI_IFR_ONE_OF_OP:
    case EFI_IFR_NUMERIC_OP:
      *Type = (UINT8)(IfrField (Op, NUMERIC_FLAGS_AT, 1) & EFI_IFR_NUMERIC_SIZE);
      return TRUE;
    case EFI_IFR_CHECKBOX_OP:     *Type = EFI_IFR_TYPE_BOOLEAN; return TRUE;
    case EFI_IFR_REF_OP:          *Type = EFI_IFR_TYPE_REF;     return TRUE;
    case EFI_IFR_ACTION_OP:       *Type = IFR_TYPE_OTHER;       return TRUE;
    case EFI_IFR_DATE_OP:         *Type = EFI_IFR_TYPE_DATE;    return TRUE;
    case EFI_IFR_TIME_OP:         *Type = EFI_IFR_TYPE_TIME;    return TRUE;
    case EFI_IFR_ORDERED_LIST_OP: *Type = EFI_IFR_TYPE_BUFFER;  return TRUE;
    default:                      return FALSE;
  }
}

//
// What becomes of the question's value after a call.
//
typedef enum {
  KEEP_NONE,          // the value in the cache stays (the one from before a refused change)
  KEEP_RETURNED,      // the value the driver left in the call's Value
  KEEP_PASSED         // the value the call was given
} VALUE_KEPT;

/**
  After CHANGING and RETRIEVE the value a driver answers with is the question's:
  OVMF's drivers write their whole store back through BrowserCallback from every
  callback, the question's value from before the change among it, and only the answer
  carries the new one. A driver that set the question itself to another value through
  BrowserCallback keeps what it set. EFI_UNSUPPORTED lets a change go on with the value
  passed and leaves a retrieved value as it was; any other error refuses the change.
  After other actions the answer stands unless the driver set the question; there
  EFI_NOT_FOUND and EFI_UNSUPPORTED leave the value passed.
**/
static VALUE_KEPT
ValueKept (
  IN UINTN       Action,
  IN EFI_STATUS  Status,
  IN BOOLEAN     SetByDriver
  )
{
  if ((Action == EFI_BROWSER_ACTION_CHANGED) || SetByDriver) {
    return KEEP_NONE;
  }

  if ((Action == EFI_BROWSER_ACTION_CHANGING) || (Action == EFI_BROWSER_ACTION_RETRIEVE)) {
    if (!EFI_ERROR (Status)) {
      return KEEP_RETURNED;
    }

    return ((Action == EFI_BROWSER_ACTION_CHANGING) && (Status == EFI_UNSUPPORTED)) ? KEEP_PASSED : KEEP_NONE;
  }

  return (!EFI_ERROR (Status) || (Status == EFI_NOT_FOUND) || (Status == EFI_UNSUPPORTED)) ? KEEP_RETURNED : KEEP_NONE;
}

/**
  The question's bytes in the cache, before a call, to tell afterwards whether the
  driver set the question itself; FALSE when they cannot be read (nothing to compare).
**/
static BOOLEAN
ReadQuestionBytes (
  IN  CONST RESOLVED_QUESTION  *Question,
  OUT UINT8                    *Bytes
  )
{
  return (BOOLEAN)((Question->Width != 0) && (Question->Width <= VALUE_BUFFER_SIZE) &&
                   !EFI_ERROR (ReadVariableBytes (Question->VariableIndex, Question->Offset, Question->Width, Bytes, FALSE)));
}

/** Whether the driver changed the question's bytes through BrowserCallback during its call. */
static BOOLEAN
DriverSetQuestion (
  IN CONST RESOLVED_QUESTION  *Question,
  IN BOOLEAN                  HadBefore,
  IN CONST UINT8              *Before
  )
{
  UINT8  After[VALUE_BUFFER_SIZE];

  if (!gDriverChangedValue) {
    return FALSE;
  }

  // Bytes that could not be compared: the driver's write wins, as it always did.
  if (!HadBefore || !ReadQuestionBytes (Question, After)) {
    return TRUE;
  }

  return (BOOLEAN)(CompareMem (Before, After, Question->Width) != 0);
}

static BOOLEAN
ChangeAgreed (
  IN UINTN       Action,
  IN EFI_STATUS  Status
  )
{
  return (BOOLEAN)((Action == EFI_BROWSER_ACTION_CHANGING) && (!EFI_ERROR (Status) || (Status == EFI_UNSUPPORTED)));
}

static BOOLEAN
HasStoredValue (
  IN CONST UINT8  *Op
  )
{
  return (Op[0] != EFI_IFR_ACTION_OP) && (Op[0] != EFI_IFR_REF_OP);
}

VOID
SaveQuestionOldValue (
  IN CONST RESOLVED_QUESTION  *Question
  )
{
  UINTN  Size = Question->Width;

  FreeSecret (mOldValue, mOldValueBytes);
  mOldValueSize  = 0;
  mOldValue      = (Size == 0) ? NULL : (UINT8 *)AllocateZeroPool (Size);
  mOldValueBytes = (mOldValue == NULL) ? 0 : Size;
  if ((mOldValue != NULL) && !EFI_ERROR (ReadVariableBytes (Question->VariableIndex, Question->Offset, Size, mOldValue, FALSE))) {
    mOldValueSize = Size;
  }
}

VOID
SaveControlOldValue (
  IN CONST CONTROL_RECORD  *Control
  )
{
  RESOLVED_QUESTION  Question;

  ResolveQuestion (Control, &Question);
  SaveQuestionOldValue (&Question);
}

VOID
SaveControlNewValue (
  IN CONST VOID  *Value,
  IN UINTN       Size
  )
{
  FreeSecret (mNewValue, mNewValueSize);
  mNewValue     = (Size == 0) ? NULL : (UINT8 *)AllocateCopyPool (Size, Value);
  mNewValueSize = (mNewValue == NULL) ? 0 : Size;
}

VOID
FreeSavedValues (
  VOID
  )
{
  FreeSecret (mOldValue, mOldValueBytes);
  FreeSecret (mNewValue, mNewValueSize);
  mOldValue      = NULL;
  mNewValue      = NULL;
  mOldValueSize  = 0;
  mOldValueBytes = 0;
  mNewValueSize  = 0;
}

/** The question's new value from the cache; the saved old value is then put back for the driver to read. */
static BOOLEAN
ReadCallbackValue (
  IN  CONST RESOLVED_QUESTION  *Question,
  OUT UINT8                    *Buffer,
  OUT UINTN                    *Width
  )
{
  *Width = Question->Width;
  if (*Width > VALUE_BUFFER_SIZE) {
    return FALSE;
  }

  // The driver gets the new value and reads the one from before the change through BrowserCallback.
  if (EFI_ERROR (ReadVariableBytes (Question->VariableIndex, Question->Offset, *Width, Buffer, FALSE))) {
    return FALSE;
  }

  // Should the old value not go back, the driver reads the new one as the old: nothing is lost.
  if ((mOldValue != NULL) && (mOldValueSize == *Width)) {
    (VOID)WriteVariableBytesNoTranslate (Question->VariableIndex, Question->Offset, *Width, mOldValue);
  }

  return TRUE;
}

static EFI_STATUS
CallControl (
  IN     CONST CONTROL_RECORD  *Control,
  IN     UINT16                QuestionId,
  IN     UINT8                 Type,
  IN OUT EFI_IFR_TYPE_VALUE    *Value,
  IN     UINTN                 Action
  )
{
  EFI_STATUS  Status;

  gDriverChangedValue = FALSE;
  SetCallbackContext (Control->HiiHandle, Control->VariableIndex);
  Status = CallConfigAccessCallback (Control->HiiHandle, QuestionId, Type, Value, Action);
  SetCallbackContext (NULL, 0);
  return Status;
}

static BOOLEAN
IsTextQuestion (
  IN CONST UINT8  *Op
  )
{
  return (BOOLEAN)((Op[0] == EFI_IFR_STRING_OP) || (Op[0] == EFI_IFR_PASSWORD_OP));
}

/**
  The text a STRING or PASSWORD question hands its driver: a new password typed, or
  the cached value; the saved old value is then put back for the driver to read.
**/
static VOID
ReadCallbackText (
  IN  CONST RESOLVED_QUESTION  *Question,
  OUT CHAR16                   *Text
  )
{
  UINTN  Width = Question->Width;

  if ((Question->Op[0] == EFI_IFR_PASSWORD_OP) && (mNewValue != NULL)) {
    CopyMem (Text, mNewValue, ((Width < mNewValueSize) ? Width : mNewValueSize));
  } else {
    (VOID)ReadVariableBytes (Question->VariableIndex, Question->Offset, Width, Text, FALSE);     // unread: empty text
  }

  // Should the old value not go back, the driver reads the new one as the old: nothing is lost.
  if ((mOldValue != NULL) && (mOldValueSize == Width)) {
    (VOID)WriteVariableBytesNoTranslate (Question->VariableIndex, Question->Offset, Width, mOldValue);
  }
}

/** The text into the question's place, encoded where the store keeps it so. */
static EFI_STATUS
StoreCallbackText (
  IN CONST RESOLVED_QUESTION  *Question,
  IN CONST CHAR16             *Text
  )
{
  UINTN       Width = Question->Width;
  CHAR16      *Encoded;
  EFI_STATUS  Status;

  if (Question->Encoded) {
    Encoded = DuplicateAndEncodePassword (Text, Width);
    if (Encoded == NULL) {
      return EFI_OUT_OF_RESOURCES;
    }

    Status = WriteVariableBytesNoTranslate (Question->VariableIndex, Question->Offset, Width, Encoded);
    ZeroMem (Encoded, Width);
    FreePool (Encoded);
    return Status;
  }

  return WriteVariableBytesNoTranslate (Question->VariableIndex, Question->Offset, Width, (VOID *)Text);
}

/** The driver's text, read back from its string, into the question's place; the failure to store it. */
static EFI_STATUS
WriteBackCallbackText (
  IN     EFI_HII_HANDLE           HiiHandle,
  IN     CONST RESOLVED_QUESTION  *Question,
  IN     EFI_STRING_ID            StringId,
  IN OUT CHAR16                   *Text
  )
{
  UINTN   Width = Question->Width;
  CHAR16  *Back = HiiGetString (HiiHandle, StringId, NULL);

  // A string the driver removed leaves no answer: the question keeps its value.
  if (Back == NULL) {
    return EFI_SUCCESS;
  }

  ZeroMem (Text, Width);
  CopyMem (Text, Back, (StrSize (Back) - sizeof (CHAR16) < Width) ? StrSize (Back) - sizeof (CHAR16) : Width);
  ZeroMem (Back, StrSize (Back));
  FreePool (Back);
  return StoreCallbackText (Question, Text);
}

//
// The string that carries a STRING or PASSWORD question's text to its driver. Each
// package list keeps one, emptied after each call and used again by the next: a new
// string for every call would grow the driver's string package for as long as the
// machine runs, as every setup entry calls each such question. A kept string is used
// again only while it is still empty, so a string the package list no longer holds,
// or another list's at the same handle, is never written over; then a new one serves.
// The table holds an entry for every list that has such questions, however many, and
// an entry whose list is gone (a reconnected driver publishes its forms again under a
// new handle) serves the next list: once a table of fixed size was full, every call
// of every list left out of it added a string again.
//
#define SCRATCH_STRING_FIRST_COUNT  16
#define SCRATCH_STRING_NONE         MAX_UINTN

typedef struct {
  EFI_HII_HANDLE  HiiHandle;
  EFI_STRING_ID   StringId;
  BOOLEAN         InUse;      // a driver's call that carries it is running
} SCRATCH_STRING;

static SCRATCH_STRING  *mScratchStrings    = NULL;
static UINTN           mScratchStringCount = 0;

static BOOLEAN
IsEmptyString (
  IN EFI_HII_HANDLE  HiiHandle,
  IN EFI_STRING_ID   StringId
  )
{
  CHAR16  Probe[1] = { 1 };
  UINTN   Size     = sizeof (Probe);

  return !EFI_ERROR (gHiiString->GetString (gHiiString, "en-US", HiiHandle, StringId, Probe, &Size, NULL)) &&
         (Probe[0] == 0);
}

// The index of an entry no list holds: one whose string is gone or taken over, else a
// new one at the end of a larger table; SCRATCH_STRING_NONE when the pool is out.
static UINTN
TakeScratchEntry (
  VOID
  )
{
  UINTN           Index;
  UINTN           Count;
  SCRATCH_STRING  *Larger;

  for (Index = 0; Index < mScratchStringCount; Index++) {
    SCRATCH_STRING  *Entry = &mScratchStrings[Index];
    if ((Entry->HiiHandle == NULL) ||
        (!Entry->InUse && !IsEmptyString (Entry->HiiHandle, Entry->StringId)))
    {
      ZeroMem (Entry, sizeof (*Entry));
      return Index;
    }
  }

  Count  = (mScratchStringCount == 0) ? SCRATCH_STRING_FIRST_COUNT : 2 * mScratchStringCount;
  Larger = (SCRATCH_STRING *)ReallocatePool (mScratchStringCount * sizeof (SCRATCH_STRING), Count * sizeof (SCRATCH_STRING),
                               mScratchStrings);
  if (Larger == NULL) {
    return SCRATCH_STRING_NONE;
  }

  ZeroMem (&Larger[mScratchStringCount], (Count - mScratchStringCount) * sizeof (SCRATCH_STRING));
  Index               = mScratchStringCount;
  mScratchStrings     = Larger;
  mScratchStringCount = Count;
  return Index;
}

// Puts Text into the package list's string for the call; Slot is its kept entry's index,
// or SCRATCH_STRING_NONE. An index, not a pointer: the table may grow while a driver runs.
static EFI_STATUS
PutCallString (
  IN  EFI_HII_HANDLE  HiiHandle,
  IN  CONST CHAR16    *Text,
  OUT EFI_STRING_ID   *StringId,
  OUT UINTN           *Slot
  )
{
  EFI_STATUS  Status;
  UINTN       Free;

  *Slot = SCRATCH_STRING_NONE;
  for (UINTN Index = 0; Index < mScratchStringCount; Index++) {
    SCRATCH_STRING  *Entry = &mScratchStrings[Index];
    if ((Entry->HiiHandle == HiiHandle) && !Entry->InUse) {
      if (IsEmptyString (HiiHandle, Entry->StringId) &&
          !EFI_ERROR (gHiiString->SetString (gHiiString, HiiHandle, Entry->StringId, "en-US", (EFI_STRING)Text, NULL)))
      {
        Entry->InUse = TRUE;
        *StringId    = Entry->StringId;
        *Slot        = Index;
        return EFI_SUCCESS;
      }

      Entry->HiiHandle = NULL;     // not ours any more
    }
  }

  Status = gHiiString->NewString (gHiiString, HiiHandle, StringId, "en-US", NULL, (EFI_STRING)Text, NULL);
  Free   = EFI_ERROR (Status) ? SCRATCH_STRING_NONE : TakeScratchEntry ();
  if (Free != SCRATCH_STRING_NONE) {
    mScratchStrings[Free].HiiHandle = HiiHandle;
    mScratchStrings[Free].StringId  = *StringId;
    mScratchStrings[Free].InUse     = TRUE;
    *Slot                           = Free;
  }

  return Status;
}

VOID
ForgetCallStrings (
  VOID
  )
{
  FreeAndNull (mScratchStrings);
  mScratchStringCount = 0;
}

/**
  A STRING or PASSWORD question passes its text as a string of its package list; the
  text the driver leaves there is its answer. The string is emptied afterwards, so
  no password stays readable in the database.
**/
static EFI_STATUS
InvokeTextCallback (
  IN CONTROL_RECORD           *Control,
  IN CONST RESOLVED_QUESTION  *Question,
  IN UINT16                   QuestionId,
  IN UINTN                    Action
  )
{
  UINTN               Width = Question->Width;
  CHAR16              *Text = (CHAR16 *)AllocateZeroPool (Width + sizeof (CHAR16));
  UINTN               Slot  = SCRATCH_STRING_NONE;
  EFI_IFR_TYPE_VALUE  Value;
  UINT8               Before[VALUE_BUFFER_SIZE];
  BOOLEAN             HadBefore;
  VALUE_KEPT          Kept;
  EFI_STATUS          Status;
  EFI_STATUS          Written;

  ZeroMem (&Value, sizeof (Value));
  Status = ((Text == NULL) || (gHiiString == NULL)) ? EFI_OUT_OF_RESOURCES : EFI_SUCCESS;
  if (!EFI_ERROR (Status)) {
    ReadCallbackText (Question, Text);
    Status = PutCallString (Control->HiiHandle, Text, &Value.string, &Slot);
  }

  if (!EFI_ERROR (Status)) {
    HadBefore = ReadQuestionBytes (Question, Before);
    Status    = CallControl (Control, QuestionId, EFI_IFR_TYPE_STRING, &Value, Action);
    Kept      = ValueKept (Action, Status, DriverSetQuestion (Question, HadBefore, Before));
    if (Kept != KEEP_NONE) {
      Written = (Kept == KEEP_PASSED) ? StoreCallbackText (Question, Text)
                : WriteBackCallbackText (Control->HiiHandle, Question, Value.string, Text);
      Status  = EFI_ERROR (Written) ? Written : Status;     // the driver's answer did not reach the question
    }

    (VOID)gHiiString->SetString (gHiiString, Control->HiiHandle, Value.string, "en-US", (EFI_STRING)u"", NULL);     // emptied, whatever it held
    if ((Slot != SCRATCH_STRING_NONE) && (mScratchStrings[Slot].StringId != Value.string)) {
      // The driver answered with a string of its own; the one passed held the text too.
      (VOID)gHiiString->SetString (gHiiString, Control->HiiHandle, mScratchStrings[Slot].StringId, "en-US", (EFI_STRING)u"", NULL);
    }

    if (Slot != SCRATCH_STRING_NONE) {
      mScratchStrings[Slot].InUse = FALSE;
    }
  }

  if (Text != NULL) {
    ZeroMem (Text, Width);
    FreePool (Text);
  }

  // The typed password stays for the CHANGED call; the old value must not come back.
  FreeSecret (mOldValue, mOldValueBytes);
  mOldValue      = NULL;
  mOldValueSize  = 0;
  mOldValueBytes = 0;
  if (ChangeAgreed (Action, Status)) {
    (VOID)InvokeQuestionCallback (Control, Question, QuestionId, EFI_BROWSER_ACTION_CHANGED);     // the change is made either way
  }

  FreeSavedValues ();
  return Status;
}

EFI_STATUS
InvokeQuestionCallback (
  IN CONTROL_RECORD           *Control,
  IN CONST RESOLVED_QUESTION  *Question,
  IN UINT16                   QuestionId,
  IN UINTN                    Action
  )
{
  CONST UINT8  *Op = Question->Op;
  UINT8        Buffer[VALUE_BUFFER_SIZE];
  UINT8        Sent[VALUE_BUFFER_SIZE];
  UINT8        Before[VALUE_BUFFER_SIZE];
  UINTN        Width = 0;
  UINT8        Type;
  BOOLEAN      Read;
  BOOLEAN      HadBefore;
  VALUE_KEPT   Kept;
  EFI_STATUS   Status;
  EFI_STATUS   Written;

  if (!IsKnownAction (Action) || (Control == NULL) || (Op == NULL) || (Control->HiiHandle == NULL)) {
    return EFI_UNSUPPORTED;
  }

  ZeroMem (Buffer, sizeof (Buffer));
  // Drivers refuse a call without a value whatever the action (OVMF's Secure Boot page does),
  // so FORM_OPEN passes the question's value too; nothing comes back from it.
  if (Action == EFI_BROWSER_ACTION_FORM_OPEN) {
    Type = EFI_IFR_TYPE_UNDEFINED;
    if (!IsTextQuestion (Op) && QuestionValueType (Op, &Type) && HasStoredValue (Op)) {
      (VOID)ReadCallbackValue (Question, Buffer, &Width);     // unread: zero
    }

    Status = CallControl (Control, QuestionId, Type, (EFI_IFR_TYPE_VALUE *)Buffer, Action);
    FreeSavedValues ();
    return Status;
  }

  if (IsTextQuestion (Op)) {
    return InvokeTextCallback (Control, Question, QuestionId, Action);
  }

  if (!QuestionValueType (Op, &Type)) {
    return EFI_UNSUPPORTED;
  }

  if (Type == IFR_TYPE_OTHER) {
    WriteUnaligned16 ((UINT16 *)Buffer, (UINT16)IfrField (Op, ACTION_CONFIG_AT, 2));
  }

  // A value that cannot be read goes as zero: drivers write their answer into Value for
  // every question that has one (OVMF's front page does for its language, kept nowhere).
  Read = HasStoredValue (Op) && ReadCallbackValue (Question, Buffer, &Width);
  CopyMem (Sent, Buffer, sizeof (Sent));
  HadBefore = Read && ReadQuestionBytes (Question, Before);
  Status    = CallControl (Control, QuestionId, Type, (EFI_IFR_TYPE_VALUE *)Buffer, Action);

  // Only a value that was read has a place to come back to.
  Kept = ValueKept (Action, Status, DriverSetQuestion (Question, HadBefore, Before));
  if (Read && (Kept != KEEP_NONE)) {
    Written = WriteVariableBytesNoTranslate (Question->VariableIndex, Question->Offset, Width,
                (Kept == KEEP_PASSED) ? Sent : Buffer);
    Status  = EFI_ERROR (Written) ? Written : Status;     // the driver's answer did not reach the question
  }

  FreeSavedValues ();
  if (ChangeAgreed (Action, Status) && HasStoredValue (Op)) {
    (VOID)InvokeQuestionCallback (Control, Question, QuestionId, EFI_BROWSER_ACTION_CHANGED);     // the change is made either way
  }

  return Status;
}

EFI_STATUS
InvokeControlCallback (
  IN CONTROL_RECORD  *Control,
  IN UINT16          QuestionId,
  IN UINTN           Reserved,
  IN UINTN           Action
  )
{
  RESOLVED_QUESTION  Question;

  (VOID)Reserved;
  ResolveQuestion (Control, &Question);
  return InvokeQuestionCallback (Control, &Question, QuestionId, Action);
}

EFI_STATUS
RefreshControlValue (
  IN CONTROL_RECORD  *Control
  )
{
  BOOLEAN     Unchanged;
  EFI_STATUS  Status = ReloadControlValue (Control, &Unchanged);

  if (Unchanged && ((Control->Flags & CONTROL_FLAG_CALLBACK) != 0)) {
    // A driver that does not handle RETRIEVE leaves the value as it is.
    (VOID)InvokeControlCallback (Control, (UINT16)IfrField ((CONST UINT8 *)(UINTN)Control->QuestionOpcode, IFR_QUESTION_ID_AT, 2),
            0, EFI_BROWSER_ACTION_RETRIEVE);
  }

  return Status;
}

/**
  Action for every question with the callback flag on the pages of one package list (all
  pages when Handle is NULL). A driver may change its forms from inside its callback and
  the pages are then rebuilt, so each page and control is looked up afresh.
**/
VOID
RunListCallbacks (
  IN EFI_HII_HANDLE  Handle,
  IN UINTN           Action
  )
{
  UINT8  Saved = gLoadingDefaults;

  gLoadingDefaults = 1;
  for (UINT32 Page = 0; Page < GetPageCount (); Page++) {
    for (UINT32 N = 0;; N++) {
      PAGE_RECORD     *Record;
      CONTROL_RECORD  *Control;

      if (EFI_ERROR (GetPageData (Page, &Record)) || (Record->HiiHandle == NULL) ||
          (Record->HiiHandle == PAGE_REPARSE_PENDING) || ((Handle != NULL) && (Record->HiiHandle != Handle)) ||
          (N >= Record->ControlCount))
      {
        break;
      }

      if (!EFI_ERROR (GetPageControl (Page, N, &Control)) && ((Control->Flags & CONTROL_FLAG_CALLBACK) != 0)) {
        (VOID)InvokeControlCallback (Control, Control->QuestionId, 0, Action);     // one driver's failure stops no other
      }
    }
  }

  gLoadingDefaults = Saved;
}

VOID
RunCallbacksForAction (
  IN UINTN  Action
  )
{
  RunListCallbacks (NULL, Action);
}

VOID
OpenFormCallbacks (
  IN EFI_HII_HANDLE  Handle
  )
{
  // Drivers fill their forms on FORM_OPEN; the values they then show come with RETRIEVE.
  RunListCallbacks (Handle, EFI_BROWSER_ACTION_FORM_OPEN);
  RunListCallbacks (Handle, EFI_BROWSER_ACTION_RETRIEVE);
}

/** @file
  Option lists of setup questions whose options are not fixed: the question's IFR
  is copied with one ONE_OF_OPTION per current entry, each a copy of the question's
  first option with its string, flags and u16 value replaced, and an END.

  A question that was rewritten before is rewritten again from its compiled IFR,
  never from the previous copy, so a storage offset moved for a legacy group is
  moved once.
**/
#include <engine/boot/OptionLists.h>
#include <engine/textui/TextScreen.h>
#include <engine/boot/BootOptions.h>
#include <engine/boot/LegacyDevOrder.h>
#include <engine/core/EngineGlobals.h>
#include <engine/forms/FormTables.h>
#include <engine/core/EngineStrings.h>
#include <engine/forms/IfrOpcode.h>
#include <engine/forms/QuestionAccess.h>
#include <engine/variables/VariableCache.h>
#include <Resources/EngineStringIds.h>

#include <Guid/GlobalVariable.h>
#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>

#define OPTION_FLAG_TYPE_U16      0x01
#define OPTION_FLAG_DEFAULT       0x10
#define OPTION_STRING_AT          2
#define OPTION_MIN_SIZE           8
#define QUESTION_PROMPT_AT        2
#define QUESTION_HELP_AT          4
#define QUESTION_VARSTORE_INFO_AT 10
#define MAX_SCOPE_WALK            0x10000

// Per-entry string ids of one list in one package list (NO_STRING: none yet).
typedef struct {
  EFI_HII_HANDLE  Handle;
  UINT16          *Ids;
  UINTN           Count;
} OPTION_STRING_CACHE;

// A control whose question points into a copy made here, and what it pointed at before.
typedef struct {
  CONTROL_RECORD  *Control;
  UINT64          Question;
  UINT64          Condition;
  UINT8           *Copy;
  UINT64          CopyQuestion;    // the question opcode inside Copy the control points at
  EFI_HII_HANDLE  Handle;          // the package list of the compiled question
  UINT16          Prompt;          // its texts copied into the engine's package list; 0 when not
  UINT16          Help;
} REWRITTEN_QUESTION;

typedef struct {
  UINT16  StringId;
  UINT16  Value;
  UINT8   Flags;
} GENERATED_OPTION;

static OPTION_STRING_CACHE  mBootStrings;
static OPTION_STRING_CACHE  mDriverStrings;
static OPTION_STRING_CACHE  mLegacyStrings;
static OPTION_STRING_CACHE  mDisabledStrings;
static REWRITTEN_QUESTION   *mRewritten;
static UINTN                mRewrittenCount;

static BOOLEAN
GrowStringCache (
  IN OUT OPTION_STRING_CACHE  *Cache,
  IN     UINTN                Index
  )
{
  UINT16  *Grown;

  if (Index < Cache->Count) {
    return TRUE;
  }

  Grown = (UINT16 *)ReallocatePool (Cache->Count * sizeof (UINT16), (Index + 1) * sizeof (UINT16), Cache->Ids);
  if (Grown == NULL) {
    return FALSE;
  }

  SetMem16 (Grown + Cache->Count, (Index + 1 - Cache->Count) * sizeof (UINT16), NO_STRING);
  Cache->Ids   = Grown;
  Cache->Count = Index + 1;
  return TRUE;
}

/**
  The id of Text for entry Index of a list in Handle's package list: the cached
  string when it still reads Text, else Text stored again (under the cached id, or a
  new one). String 9 when it cannot be stored.
**/
static UINT16
CachedOptionString (
  IN OUT OPTION_STRING_CACHE  *Cache,
  IN     EFI_HII_HANDLE       Handle,
  IN     UINTN                Index,
  IN     CONST CHAR16         *Text
  )
{
  CHAR16  *Stored;
  UINT16  Id;

  if (Cache->Handle != Handle) {
    FreeAndNull (Cache->Ids);
    Cache->Count  = 0;
    Cache->Handle = Handle;
  }

  // An option whose text cannot be kept shows the engine's "HDD", the commonest kind.
  if (!GrowStringCache (Cache, Index)) {
    return STR_DEVICE_TYPE_HDD;
  }

  Id = Cache->Ids[Index];
  if (Id != NO_STRING) {
    Stored = HiiGetString (Handle, Id, NULL);
    if ((Stored != NULL) && (StrCmp (Stored, Text) == 0)) {
      FreePool (Stored);
      return Id;
    }

    FreePool (Stored);
  }

  Id = SetStringAllLanguagesNew (Handle, (Id == NO_STRING) ? 0 : Id, Text);
  if ((Id == NO_STRING) || (Id == 0)) {
    return STR_DEVICE_TYPE_HDD;
  }

  Cache->Ids[Index] = Id;
  return Id;
}

// The engine's "Disabled", copied into the form's package list.
static UINT16
DisabledOptionString (
  IN EFI_HII_HANDLE  Handle
  )
{
  CHAR16  *Text = HiiGetString (gHiiHandle, STR_DISABLED, NULL);
  UINT16  Id    = CachedOptionString (&mDisabledStrings, Handle, 0, (Text != NULL) ? Text : u"Disabled");

  FreePool (Text);
  return Id;
}

// The slot of Control; a record at its address that no longer points into the copy
// made for it is another control since, and its slot is reused.
static REWRITTEN_QUESTION *
FindSlot (
  IN  CONST CONTROL_RECORD  *Control,
  OUT BOOLEAN               *Current
  )
{
  for (UINTN Index = 0; Index < mRewrittenCount; Index++) {
    if (mRewritten[Index].Control == Control) {
      *Current = (BOOLEAN)(Control->QuestionOpcode == mRewritten[Index].CopyQuestion);
      return &mRewritten[Index];
    }
  }

  *Current = FALSE;
  return NULL;
}

static REWRITTEN_QUESTION *
FindRewritten (
  IN CONST CONTROL_RECORD  *Control
  )
{
  BOOLEAN             Current;
  REWRITTEN_QUESTION  *Slot = FindSlot (Control, &Current);

  return Current ? Slot : NULL;
}

// The question opcode a control had before any rewrite here.
static UINT8 *
OriginalQuestion (
  IN CONST CONTROL_RECORD  *Control
  )
{
  REWRITTEN_QUESTION  *Entry = FindRewritten (Control);

  return (UINT8 *)(UINTN)((Entry != NULL) ? Entry->Question : Control->QuestionOpcode);
}

// Records a new copy for Control in its Slot (null: a new slot); FALSE (nothing recorded) when the table cannot grow.
static BOOLEAN
RememberRewrite (
  IN CONTROL_RECORD      *Control,
  IN REWRITTEN_QUESTION  *Slot OPTIONAL,
  IN BOOLEAN             Current,
  IN UINT64              Question,
  IN UINT64              Condition,
  IN UINT8               *Copy
  )
{
  REWRITTEN_QUESTION  *Grown;
  REWRITTEN_QUESTION  Fresh = { Control, Question, Condition, Copy, Control->QuestionOpcode, Control->HiiHandle, 0, 0 };

  if (Slot != NULL) {
    FreePool (Slot->Copy);
    Slot->Copy         = Copy;
    Slot->CopyQuestion = Control->QuestionOpcode;
    if (!Current) {
      *Slot = Fresh;
    }

    return TRUE;
  }

  Grown = (REWRITTEN_QUESTION *)ReallocatePool (mRewrittenCount * sizeof (REWRITTEN_QUESTION),
            (mRewrittenCount + 1) * sizeof (REWRITTEN_QUESTION), mRewritten);
  if (Grown == NULL) {
    return FALSE;
  }

  mRewritten                    = Grown;
  mRewritten[mRewrittenCount++] = Fresh;
  return TRUE;
}

VOID
ForgetRewrittenQuestions (
  VOID
  )
{
  for (UINTN Index = 0; Index < mRewrittenCount; Index++) {
    FreePool (mRewritten[Index].Copy);
  }

  FreeAndNull (mRewritten);
  mRewrittenCount = 0;
  OPTION_STRING_CACHE  *Caches[] = { &mBootStrings, &mDriverStrings, &mLegacyStrings, &mDisabledStrings };
  for (UINTN Index = 0; Index < ARRAY_SIZE (Caches); Index++) {
    FreeAndNull (Caches[Index]->Ids);
    Caches[Index]->Count  = 0;
    Caches[Index]->Handle = NULL;
  }
}

/**
  The question's first ONE_OF_OPTION inside its scope, into Template (zeroed, at
  least OPTION_MIN_SIZE bytes); without one a plain u16 option. The walk stays
  inside the forms package that holds the question.
**/
static UINTN
CopyOptionTemplate (
  IN  CONST UINT8  *Question,
  OUT UINT8        *Template
  )
{
  CONST UINT8  *End    = FindFormsPackageEnd (Question);
  CONST UINT8  *Opcode = IfrFits (Question, End) ? IfrNext (Question, End) : NULL;
  UINTN        Depth   = 1;
  UINTN        Length  = OPTION_MIN_SIZE;

  ZeroMem (Template, CLONE_OPTION_OPCODE_SIZE);
  for (UINTN Walk = 0; (Opcode != NULL) && IfrOpensScope (Question) && (Depth > 0) && (Walk < MAX_SCOPE_WALK); Walk++) {
    if ((Depth == 1) && (Opcode[0] == EFI_IFR_ONE_OF_OPTION_OP)) {
      Length = IfrLength (Opcode);
      Length = (Length < OPTION_MIN_SIZE) ? OPTION_MIN_SIZE : ((Length > CLONE_OPTION_OPCODE_SIZE) ? CLONE_OPTION_OPCODE_SIZE : Length);
      CopyMem (Template, Opcode, (IfrLength (Opcode) < Length) ? IfrLength (Opcode) : Length);
      break;
    }

    Depth  = (Opcode[0] == EFI_IFR_END_OP) ? Depth - 1 : Depth + (IfrOpensScope (Opcode) ? 1 : 0);
    Opcode = IfrNext (Opcode, End);
  }

  Template[0] = EFI_IFR_ONE_OF_OPTION_OP;
  Template[1] = (UINT8)Length;
  // The values written are u16: the type says so, and nothing of a wider value stays.
  Template[IFR_OPTION_TYPE_AT] = EFI_IFR_TYPE_NUM_SIZE_16;
  ZeroMem (Template + IFR_OPTION_VALUE_AT, Length - IFR_OPTION_VALUE_AT);
  return Length;
}

/**
  Rewrites the control's question with Options: a copy of its compiled condition
  and question opcodes, the options, and an END. The control keeps its old options
  when the copy cannot be made.
**/
static EFI_STATUS
RewriteQuestion (
  IN OUT CONTROL_RECORD          *Control,
  IN     CONST GENERATED_OPTION  *Options,
  IN     UINTN                   Count
  )
{
  BOOLEAN             Current;
  REWRITTEN_QUESTION  *Slot     = FindSlot (Control, &Current);
  REWRITTEN_QUESTION  *Entry    = Current ? Slot : NULL;
  UINT64              Question  = (Entry != NULL) ? Entry->Question : Control->QuestionOpcode;
  UINT64              Condition = (Entry != NULL) ? Entry->Condition : Control->ConditionOpcode;
  UINT64              Before[2] = { Control->QuestionOpcode, Control->ConditionOpcode };
  UINT8               Template[CLONE_OPTION_OPCODE_SIZE];
  UINTN               Length;
  UINT8               *Copy;
  UINT8               *At;

  if (Question == 0) {
    return EFI_INVALID_PARAMETER;
  }

  Length                   = CopyOptionTemplate ((CONST UINT8 *)(UINTN)Question, Template);
  Control->QuestionOpcode  = Question;
  Control->ConditionOpcode = Condition;
  Copy                     = CloneControlOpcodes (Count, Control);
  if ((Copy == NULL) || !RememberRewrite (Control, Slot, Current, Question, Condition, Copy)) {
    FreePool (Copy);
    Control->QuestionOpcode  = Before[0];
    Control->ConditionOpcode = Before[1];
    return EFI_OUT_OF_RESOURCES;
  }

  At = (UINT8 *)(UINTN)Control->QuestionOpcode;
  At += IfrLength (At);
  for (UINTN Index = 0; Index < Count; Index++, At += Length) {
    CopyMem (At, Template, Length);
    WriteUnaligned16 (At + OPTION_STRING_AT, Options[Index].StringId);
    At[IFR_OPTION_FLAGS_AT] = Options[Index].Flags;
    WriteUnaligned16 (At + IFR_OPTION_VALUE_AT, Options[Index].Value);
  }

  At[0] = EFI_IFR_END_OP;
  At[1] = IFR_HEADER_SIZE;
  return EFI_SUCCESS;
}

static UINT8
OptionFlags (
  IN UINTN  Index,
  IN UINTN  Current
  )
{
  return (UINT8)((Index == Current) ? (OPTION_FLAG_DEFAULT | OPTION_FLAG_TYPE_U16) : OPTION_FLAG_TYPE_U16);
}

// One option per visible record of a table, then "Disabled" with the marker.
static EFI_STATUS
BuildOrderOptionList (
  IN OUT CONTROL_RECORD          *Control,
  IN     UINT16                  Current,
  IN     CONST BOOT_OPTION_INFO  *Table,
  IN     UINTN                   TableCount,
  IN OUT OPTION_STRING_CACHE     *Cache,
  IN     UINT16                  Marker
  )
{
  GENERATED_OPTION  *Options;
  UINTN             Count = 0;
  EFI_STATUS        Status;

  Options = (GENERATED_OPTION *)AllocateZeroPool ((TableCount + 1) * sizeof (GENERATED_OPTION));
  if (Options == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  for (UINTN Index = 0; (Table != NULL) && (Index < TableCount); Index++) {
    if ((Table[Index].Attributes & LOAD_OPTION_HIDDEN) == 0) {
      Options[Count++] = GENERATED_OPTION { CachedOptionString (Cache, Control->HiiHandle, Index, Table[Index].Description),
                                            Table[Index].OptionNumber, OptionFlags (Index, Current) };
    }
  }

  Options[Count++] = GENERATED_OPTION { DisabledOptionString (Control->HiiHandle), Marker, OPTION_FLAG_TYPE_U16 };
  Status           = RewriteQuestion (Control, Options, Count);
  FreePool (Options);
  return Status;
}

EFI_STATUS
BuildBootOptionList (
  IN OUT CONTROL_RECORD  *Control,
  IN     UINT16          Current
  )
{
  return BuildOrderOptionList (Control, Current, gBootOptionTable, gBootOptionCount, &mBootStrings,
           GetOrderDisabledMarker (FALSE));
}

EFI_STATUS
BuildDriverOptionList (
  IN OUT CONTROL_RECORD  *Control,
  IN     UINT16          Current
  )
{
  return BuildOrderOptionList (Control, Current, gDriverOptionTable, gDriverOptionCount, &mDriverStrings,
           GetOrderDisabledMarker (TRUE));
}

// The current legacy group's devices in the cached order; FALSE without a group.
static BOOLEAN
CurrentLegacyGroup (
  OUT LEGACY_GROUP  *Group,
  OUT UINT8         **Order
  )
{
  UINTN  Size = 0;

  *Order = (gCurrentLegacyGroup == NULL) ? NULL :
           (UINT8 *)GetVariableCachedOrRead (SETUP_VARIABLE_INDEX_LEGACY_DEV_ORDER, &Size);
  if ((*Order == NULL) || !ReadLegacyGroup (*Order, Size, gCurrentLegacyGroup->LegacyGroupOffset, Group)) {
    FreeAndNull (*Order);
    return FALSE;
  }

  return TRUE;
}

// A ONE_OF question of the group stores its value inside the group's indexes.
static VOID
MoveLegacyQuestionOffset (
  IN OUT CONTROL_RECORD  *Control,
  IN     UINTN           GroupOffset
  )
{
  UINT8  *Copy     = (UINT8 *)(UINTN)Control->QuestionOpcode;
  UINT8  *Original = OriginalQuestion (Control);

  if ((Copy[0] == EFI_IFR_ONE_OF_OP) && (IfrLength (Copy) >= QUESTION_VARSTORE_INFO_AT + 2)) {
    WriteUnaligned16 (Copy + QUESTION_VARSTORE_INFO_AT,
      (UINT16)(IfrField (Original, QUESTION_VARSTORE_INFO_AT, 2) + GroupOffset + LEGACY_GROUP_HEADER_SIZE));
  }
}

EFI_STATUS
BuildLegacyDeviceOptionList (
  IN OUT CONTROL_RECORD  *Control,
  IN     UINT16          Current
  )
{
  LEGACY_GROUP      Group;
  UINT8             *Order;
  GENERATED_OPTION  *Options;
  EFI_STATUS        Status;
  UINTN             Index;

  if (!CurrentLegacyGroup (&Group, &Order)) {
    return EFI_NOT_FOUND;
  }

  Options = (GENERATED_OPTION *)AllocateZeroPool ((Group.Count + 1) * sizeof (GENERATED_OPTION));
  for (Index = 0; (Options != NULL) && (Index < Group.Count); Index++) {
    BOOLEAN  Listed = (BOOLEAN)(Index < gCurrentLegacyGroup->LegacyDeviceCount);
    Options[Index] = GENERATED_OPTION {
      CachedOptionString (&mLegacyStrings, Control->HiiHandle, Index, Listed ? gCurrentLegacyGroup->LegacyDevices[Index].Name : u""),
      Listed ? gCurrentLegacyGroup->LegacyDevices[Index].BbsIndex : (UINT16)(LegacyGroupIndex (&Group, Index) & 0x00FF),
      OptionFlags (Index, Current) };
  }

  Status = EFI_OUT_OF_RESOURCES;
  if (Options != NULL) {
    Options[Index] = GENERATED_OPTION { DisabledOptionString (Control->HiiHandle), GetOrderDisabledMarker (FALSE), OPTION_FLAG_TYPE_U16 };
    Status         = RewriteQuestion (Control, Options, Group.Count + 1);
  }

  if (!EFI_ERROR (Status)) {
    MoveLegacyQuestionOffset (Control, Group.Offset);
  }

  FreePool (Options);
  FreePool (Order);
  return Status;
}

// Copies string Id of the control's package list into the engine's; the new id, or Id when it cannot be copied.
static UINT16
CopyStringToEngine (
  IN EFI_HII_HANDLE  From,
  IN UINT16          Id
  )
{
  CHAR16  *Text   = HiiGetString (From, Id, NULL);
  UINT16  Copied  = (Text == NULL) ? NO_STRING : SetStringAllLanguagesNew (gHiiHandle, 0, Text);

  FreePool (Text);
  return ((Copied == NO_STRING) || (Copied == 0)) ? Id : Copied;
}

EFI_STATUS
BuildLanguageOptions (
  IN OUT CONTROL_RECORD  *Control
  )
{
  GENERATED_OPTION  *Options = (GENERATED_OPTION *)AllocateZeroPool ((gLanguageCount + 1) * sizeof (GENERATED_OPTION));
  EFI_STATUS          Status;
  UINT8               *Question;
  REWRITTEN_QUESTION  *Entry;

  for (UINTN Index = 0; (Options != NULL) && (gLanguageList != NULL) && (Index < gLanguageCount); Index++) {
    LANGUAGE_ENTRY  *Entry = &gLanguageList[Index];
    UINT16          Id     = SetStringAllLanguagesNew (gHiiHandle, Entry->NameStringId, (Entry->Name != NULL) ? Entry->Name : u"");
    Entry->NameStringId = ((Id == NO_STRING) || (Id == 0)) ? Entry->NameStringId : Id;
    Options[Index]      = GENERATED_OPTION { Entry->NameStringId, (UINT16)Index, OPTION_FLAG_TYPE_U16 };
  }

  Status = (Options == NULL) ? EFI_OUT_OF_RESOURCES : RewriteQuestion (Control, Options, gLanguageCount);
  FreePool (Options);
  if (EFI_ERROR (Status) || ((Entry = FindRewritten (Control)) == NULL) || (Entry->Handle == gHiiHandle)) {
    return Status;
  }

  // The option strings live in the engine's package list, so the question moves there with its texts.
  Question = (UINT8 *)(UINTN)Control->QuestionOpcode;
  if (Entry->Prompt == 0) {
    Entry->Prompt = CopyStringToEngine (Entry->Handle, (UINT16)IfrField (Question, QUESTION_PROMPT_AT, 2));
    Entry->Help   = CopyStringToEngine (Entry->Handle, (UINT16)IfrField (Question, QUESTION_HELP_AT, 2));
  }

  WriteUnaligned16 (Question + QUESTION_PROMPT_AT, Entry->Prompt);
  WriteUnaligned16 (Question + QUESTION_HELP_AT, Entry->Help);
  Control->HiiHandle = gHiiHandle;
  return EFI_SUCCESS;
}

VOID *
GetQuestionValueCopy (
  IN  CONST CONTROL_RECORD  *Control,
  OUT UINTN                 *Size
  )
{
  UINT8  *Value;

  *Size = (UINTN)GetControlValueSize (Control);
  Value = (*Size == 0) ? NULL : (UINT8 *)AllocateZeroPool (*Size);
  if ((Value != NULL) &&
      EFI_ERROR (ReadVariableBytes (Control->VariableIndex, GetQuestionOffset ((CONST UINT8 *)(UINTN)Control->QuestionOpcode),
                   *Size, Value, FALSE)))
  {
    FreeAndNull (Value);
  }

  *Size = (Value == NULL) ? 0 : *Size;
  return Value;
}

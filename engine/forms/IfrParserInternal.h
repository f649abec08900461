/** @file
  State the form parser's walks share while one form set is parsed.
**/
#ifndef ENGINE_IFR_PARSER_INTERNAL_H_
#define ENGINE_IFR_PARSER_INTERNAL_H_

#include <Uefi.h>
#include <engine/forms/FormParser.h>
#include <engine/forms/IfrOpcode.h>

#ifndef MIN
#define MIN(A, B)  (((A) < (B)) ? (A) : (B))
#endif
#ifndef MAX
#define MAX(A, B)  (((A) > (B)) ? (A) : (B))
#endif

// One node per varstore opcode and one for the form set's default store (id 0).
typedef struct VARSTORE_MAP_NODE_ {
  UINT32                     VarStoreId;
  UINT32                     VariableIndex;
  EFI_HII_HANDLE             HiiHandle;
  struct VARSTORE_MAP_NODE_  *Next;
} VARSTORE_MAP_NODE;

static_assert (sizeof (VARSTORE_MAP_NODE) == 24, "varstore map node");

#define FORM_ID_NO_PAGE   0xFFFF
#define FORM_ID_MAP_STEP  50

typedef struct {
  UINT16  FormId;
  UINT16  Parent;
  UINT16  Page;
} FORM_ID_ENTRY;

typedef struct {
  EFI_HII_HANDLE     HiiHandle;
  CONST UINT8        *FormSet;          // the FORM_SET opcode
  CONST UINT8        *End;              // past the FORM_SET's END
  VARSTORE_MAP_NODE  *VarStores;
  FORM_ID_ENTRY      *FormIds;
  UINTN              FormIdCount;
  UINTN              FormIdCapacity;
  CONST UINT8        *PendingCondition; // form-set-level SUPPRESS_IF, GRAY_OUT_IF or DISABLE_IF
  UINT16             Class;
  UINT16             SubClass;
  UINT32             FirstPage;
  UINT32             NextPage;
  CONST UINT8        **Scopes;          // open scopes, one cell per opcode that opened one
  UINTN              ScopeDepth;
  UINTN              ScopeCapacity;
  BOOLEAN            DriverHealth;
} FORM_SET_PARSE;

typedef struct {
  FORM_SET_PARSE  *Set;
  UINT8           *Record;              // the page record under construction
  UINTN           Capacity;
  UINTN           Used;
  UINT16          PageNumber;
  BOOLEAN         StandardMap;
  BOOLEAN         Locked;
  CONST UINT8     *Condition;
  UINTN           ConditionDepth;
  UINT16          SkippedCount;
  CONST UINT8     *BannerRun;           // the first of the banners standing together
  CONST UINT8     *BannerNext;          // the opcode after the last banner seen
} FORM_WALK;

//
// IfrParser.cpp
//
EFI_STATUS  PushScope (IN OUT FORM_SET_PARSE *Set, IN CONST UINT8 *Opcode);
CONST UINT8 *PopScope (IN OUT FORM_SET_PARSE *Set);
UINT16      MapFormIdToPageIndex (IN CONST FORM_SET_PARSE *Set, IN UINT16 FormId, IN UINT16 CurrentPage);
UINT16      FormIdParent (IN CONST FORM_SET_PARSE *Set, IN UINT16 FormId);
BOOLEAN     IsKnownIfrOpcode (IN UINT8 OpCode);
/** The opcode after Opcode's whole scope (or after Opcode alone); null when past End. */
CONST UINT8 *SkipScope (IN CONST UINT8 *Opcode, IN CONST UINT8 *End, OUT UINT16 *Count OPTIONAL);
/** ASCII or UTF-16 text copied into a record's name field, cut at 39 characters. */
VOID        SetRecordNameAscii (OUT VARIABLE_RECORD *Record, IN CONST UINT8 *Text, IN UINTN MaxBytes);
VOID        SetRecordName (OUT VARIABLE_RECORD *Record, IN CONST CHAR16 *Text);

//
// IfrVarStores.cpp
//
EFI_STATUS  ParseVarStoreOpcode (IN OUT FORM_SET_PARSE *Set, IN CONST UINT8 *Opcode);
UINT32      MapVarStoreIdToVariable (IN CONST FORM_SET_PARSE *Set, IN UINT16 VarStoreId);
/** Maps varstore id 0 to the "Setup" variable of Guid, adding its record when there is none. */
EFI_STATUS  AddFormSetDefaultStore (IN OUT FORM_SET_PARSE *Set, IN CONST EFI_GUID *Guid);
VOID        FreeVarStoreMap (IN OUT FORM_SET_PARSE *Set);

//
// IfrFormWalk.cpp
//
EFI_STATUS  ParseFormOpcodes (IN OUT FORM_WALK *Walk, IN CONST UINT8 *Form, OUT UINTN *Consumed);

//
// QuestionStorage.cpp
//
typedef struct {
  UINT16       Width;
  UINT8        DefaultCount;
  UINT32       Flags;
  UINT16       DevicePath;
  UINT32       VariableIndex;
  BOOLEAN      HasChecks;              // a NO_SUBMIT_IF or INCONSISTENT_IF inside the scope
} QUESTION_SHAPE;

/**
  Works out a question's variable, width, flags and the number of its default
  entries from the opcode and its scope (which ends before End), and names and
  sizes a name/value store's record for it.
**/
EFI_STATUS  ParseQuestionStorage (IN OUT FORM_WALK *Walk, IN CONST UINT8 *Question, IN CONST UINT8 *End,
              OUT QUESTION_SHAPE *Shape);
/** Fills the manufacturing and standard defaults and the default entries of a record of that shape. */
VOID        FillQuestionDefaults (IN CONST UINT8 *Question, IN CONST UINT8 *End, IN CONST QUESTION_SHAPE *Shape,
              IN OUT CONTROL_RECORD *Record);
/**
  The defaults the forms do not give a question of the form set FormSet (its FORM_SET
  opcode), taken from the board's compiled record of the same question when there is one.
**/
VOID        TakeCompiledDefaults (IN CONST UINT8 *FormSet, IN OUT CONTROL_RECORD *Record);

#endif

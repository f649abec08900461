/** @file
  The growable work tables that parsed form sets are appended to: control data,
  page records with the page list, variable records and form-set entries, and the
  link page that collects one link per dynamic form set. The dynamic-page build
  turns them into the working tables every other reader goes through; until then
  they are read here.

  Page numbers are positions in the work page list, whose entry 0 is kept for the
  link page, so the first parsed page is page 1.
**/
#ifndef ENGINE_FORM_TABLES_H_
#define ENGINE_FORM_TABLES_H_

#include <Uefi.h>
#include <Uefi/UefiHii.h>
#include <Uefi/UefiIfr.h>
#include <engine/core/SetupDataFormat.h>

typedef struct {
  UINT8   *Bytes;
  UINT32  Used;
  UINT32  Capacity;
} WORK_TABLE;

// The least each table grows by; a table that grows at least doubles.
#define CONTROL_DATA_STEP     4096
#define PAGE_DATA_STEP        4096
#define PAGE_LIST_STEP        128
#define PAGE_LIST_FIRST       512
#define VARIABLE_DATA_STEP    256
#define FORM_SET_TABLE_STEP   256
#define PAGE_RECORD_STEP      128

#define MAX_SETUP_VARIABLES   300
#define MAX_PAGE_CONTROLS     65534

extern WORK_TABLE  gWorkControlData;    // gControlData follows its bytes
extern WORK_TABLE  gWorkPageData;       // PAGE_RECORDs with their control offsets
extern WORK_TABLE  gWorkPageList;       // u32 offsets into the page data; entry 0 kept for the link page
extern WORK_TABLE  gWorkVariables;      // VARIABLE_RECORDs back to back: the variable index is the position
extern WORK_TABLE  gWorkFormSets;       // FORM_SET_ENTRYs back to back

//
// The link page under construction: a page record head and its control offsets.
//
extern UINT8   *gLinkPageRecord;
extern UINTN   gLinkPageCapacity;
extern UINTN   gLinkPageUsed;

// Top-level entries of the first page; at 7 a link gets two offset-0 entries ahead of it.
extern UINT64  gTopLevelLinkCount;
// Form sets the parser has linked from the link page.
extern UINT64  gDynamicFormSetCount;
// Set while the dynamic pages are rebuilt: released control records may then be reused.
extern BOOLEAN gRebuildingDynamicPages;

UINT32           GetWorkPageCount (VOID);
PAGE_RECORD      *GetWorkPage (IN UINTN Page);
CONTROL_RECORD   *GetWorkPageControl (IN CONST PAGE_RECORD *Page, IN UINTN N);
UINT32           GetWorkVariableCount (VOID);
VARIABLE_RECORD  *GetWorkVariable (IN UINTN Index);
UINT32           GetWorkFormSetCount (VOID);
FORM_SET_ENTRY   *GetWorkFormSet (IN UINTN Index);

/** Copies a control record to the control data (or over a released one of the same size); its offset in *Offset. */
EFI_STATUS  AppendControlRecord (IN CONST CONTROL_RECORD *Record, IN UINT32 Size, OUT UINT32 *Offset);
/** Marks a control record free, so that a rebuild may put a record of the same size there. */
EFI_STATUS  ReleaseControlRecord (IN UINT32 Offset, IN UINT32 Size);
/** Appends a finished page record to the page data and its offset to the page list. */
EFI_STATUS  AppendPageRecord (IN CONST PAGE_RECORD *Page, IN UINT32 Size);
/**
  The page-record builder: the first call (capacity 0) copies a head with its
  offsets; every later call appends Size bytes (one control offset) and counts one
  more control. On failure the record is left as it was.
**/
EFI_STATUS  AppendToPageRecord (IN OUT UINT8 **Record, IN OUT UINTN *Capacity, IN OUT UINTN *Used,
              IN CONST VOID *Data, IN UINTN Size);
/** Appends a variable record; its index in *Index. The 300th shows the limit's error. */
EFI_STATUS  AddVariableEntry (IN CONST VARIABLE_RECORD *Record, OUT UINT32 *Index OPTIONAL);
EFI_STATUS  AddFormSetGuidEntry (IN CONST FORM_SET_ENTRY *Entry);
/** The index of the form-set entry {Guid, Class, SubClass}, added when missing. */
EFI_STATUS  FindOrAddFormSetGuid (IN CONST EFI_GUID *Guid, IN UINT16 Class, IN UINT16 SubClass, OUT UINT16 *Index);
/** Appends one control offset to the link page, starting the page when needed. */
EFI_STATUS  AppendLinkPageOffset (IN UINT32 Offset);

/** Shows a fatal limit of the tables: a message box titled " Unrecoverable Error" and the console. */
VOID        ShowUnrecoverableError (IN CONST CHAR16 *Text);

//
// A mark of the tables' sizes, so that a form set that fails half-way can be taken
// out again. It also keeps a copy of the variable records, which reuse changes in place.
//
typedef struct {
  UINT32  Control;
  UINT32  PageData;
  UINT32  PageList;
  UINT32  Variables;
  UINT32  FormSets;
  UINTN   LinkPageUsed;
  UINT32  LinkPageCount;
  UINT64  LinkCount;
  UINT64  FormSetCount;
  UINT8   *VariableCopy;
} WORK_TABLE_MARK;

EFI_STATUS  MarkWorkTables (OUT WORK_TABLE_MARK *Mark);
VOID        RollBackWorkTables (IN OUT WORK_TABLE_MARK *Mark);
VOID        ForgetWorkTableMark (IN OUT WORK_TABLE_MARK *Mark);

// The handle of a page whose form set is being removed or parsed again.
#define PAGE_REPARSE_PENDING  ((EFI_HII_HANDLE)(UINTN)0xFFFF)

/**
  While the dynamic pages are rebuilt: each page from FirstPage on whose form id a
  pending page (PAGE_REPARSE_PENDING) before FirstPage has takes that page's place
  when their control counts match; otherwise the pending page is dropped. Page
  numbers above a removed slot move down by one everywhere.
**/
VOID        SettleReparsedPages (IN UINT32 FirstPage);

/** Frees every work table and forgets the link page and counters. */
VOID        FreeWorkTables (VOID);

//
// The dynamic-page table: one record per slot of the HII handle list, each with the
// engine's own copy of its form set's forms package. Every question opcode a working
// control record points at lies in one of these copies.
//
typedef struct {
  UINT8           *Package;      // the slot's copy of its forms package; null when reading it failed
  EFI_HII_HANDLE  HiiHandle;     // null when reading the package failed
  UINT16          Class;
  UINT64          ExportSize;    // buffer size of the slot's last export; non-zero: the copy is freed with the table
  UINT8           Parsed;
  UINT16          SubClass;
  UINT8           Counted;       // the slot's form set is counted in "DynamicPageCount"
} DYNAMIC_PAGE_RECORD;

extern DYNAMIC_PAGE_RECORD  *gDynamicPageTable;
extern UINTN                gDynamicPageSlotCount;

// The HII handles of the slots, the last being the extra slot.
extern EFI_HII_HANDLE  *gHiiHandleList;

// While SendForm runs, the package lists it was asked to show stand for the database's.
extern EFI_HII_HANDLE  *gSendFormHandles;
extern UINTN           gSendFormHandleCount;

/**
  The end of the forms package copy that holds Opcode, so that a walk over a
  question's scope stays inside it; null when no copy the engine holds contains it.
**/
CONST UINT8 *FindFormsPackageEnd (IN CONST UINT8 *Opcode);

/**
  A front page's header line: TRUE when Op is a banner opcode, with its line, alignment
  (left, centre, right) and text's string id.
**/
BOOLEAN     IfrReadBanner (IN CONST UINT8 *Op, OUT UINT16 *Line OPTIONAL, OUT UINT8 *Alignment OPTIONAL, OUT UINT16 *Title OPTIONAL);
/** The string ids of Line's texts by alignment (0 for none) among the banners that stand together from Op on. */
VOID        IfrBannerLineTitles (IN CONST UINT8 *Op, IN CONST UINT8 *End, IN UINT16 Line, OUT UINT16 Titles[3]);
/** TRUE for a front page's form set (its class GUIDs or its subclass say so): the one whose header lines show. */
BOOLEAN     IfrIsFrontPage (IN CONST UINT8 *FormSet, IN UINT16 SubClass);

/** Takes the class or subclass of a class-extension GUID opcode into *Class or *SubClass; other opcodes change nothing. */
VOID        ReadClassExtension (IN CONST UINT8 *Op, IN OUT UINT16 *Class, IN OUT UINT16 *SubClass);

//
// What the forms tell the parts above them or ask of them. The members say what
// happened, not who listens: a question of a refresh event group was added to the
// work tables (an error refuses it, and its form set with it), the work tables are
// about to be freed (the browser's refresh events hold their controls); and the page
// the application shows, and whether it is leaving. Start-up connects them; one not
// connected does nothing or answers that no application runs.
//
typedef struct {
  EFI_STATUS  (*RefreshQuestionAdded)(IN CONST CONTROL_RECORD *Control);
  VOID        (*WorkTablesFreeing)(VOID);
  BOOLEAN     (*GetShownPage)(OUT UINT32 *Page);
  BOOLEAN     (*ApplicationLeaving)(VOID);
} FORMS_NEIGHBOURS;

extern FORMS_NEIGHBOURS  gFormsNeighbours;

/** The page the application shows; FALSE (Page unchanged) when none runs. */
BOOLEAN     GetShownPage (OUT UINT32 *Page);
/** Whether the application has been told to end; FALSE when none runs. */
BOOLEAN     ApplicationLeaving (VOID);

#endif

/** @file
  Byte layout of the compiled setup data: the block that the board's setup forms are
  compiled into ahead of time and that rides in a freeform section of the driver's
  own firmware file.

  One header for both sides: the engine reads the block through these records, and
  the host test-data builder writes it through them, so a layout change cannot reach
  one side only. Freestanding (no C++ standard headers) because the engine includes it.

  Block layout as the builder writes it (every table starts on an 8-byte boundary;
  the reader must not rely on that order, only on the header offsets):

    SETUP_DATA_HEADER (68 bytes, words 0-16)
    ENGINE_SETTINGS
    page list: u32 count, count x u32 offsets of PAGE_RECORDs from the block start
    PAGE_RECORDs, each followed by its u32 control offsets
    control data: CONTROL_RECORDs, each 8-byte aligned; PAGE_RECORD control offsets
      count from the start of this region (header word 12). The region always begins
      with a record, so "the first control record" exists even for a board without
      controls.
    variable list: u32 count, count x u32 offsets from the list start, then the
      VARIABLE_RECORDs (the position in the list is the variable index)
    compiled forms region (word 14 to word 15): one COMPILED_FORMS_LENGTH per
      form-set entry from entry 1 on
    variable-GUID list (word 15): u32 count, count x u32 offsets from the list start
      of VARIABLE_GUID_RECORDs, each a GUID alone or the longer SPECIAL_ENTRY_RECORD;
      the records end at word 9
    form-set table (word 16): u32 count, count x u32 offsets from the table start of
      FORM_SET_ENTRYs, which lie back to back

  All multi-byte fields are little-endian. The records are laid out so that natural
  alignment gives exactly the stored layout (pinned below), and are not packed, so
  engine code may take the address of a field. The one exception is the snapshot
  record, whose GUID sits at an odd offset.
**/
#ifndef SETUP_DATA_FORMAT_H_
#define SETUP_DATA_FORMAT_H_

#include <Uefi/UefiHii.h>

//
// The section: type 0x18 (freeform with sub-type GUID); its body starts with this
// GUID and the block follows right after it.
//
#define SETUP_DATA_SECTION_TYPE  0x18
#define SETUP_DATA_SECTION_GUID \
  { 0xFE612B72, 0x203C, 0x47B1, { 0x85, 0x60, 0xA6, 0x6D, 0x94, 0x6E, 0xB3, 0x71 } }
#define SETUP_DATA_BLOCK_OFFSET  16     // from the section body to the block

// A CHECKBOX whose scope holds a GUID opcode with this GUID is the checkbox variant (31).
#define SETUP_CHECKBOX_VARIANT_GUID \
  { 0x7FDE1BF0, 0xD936, 0x4E50, { 0xAE, 0xF6, 0x56, 0xA1, 0x6D, 0x46, 0x1C, 0xB6 } }

//
// Header: u32 words. Words 0-4 are not read by the engine; the builder writes 0.
//
typedef struct {
  UINT32      Reserved[5];               // words 0-4
  EFI_GUID    FirstFormSetGuid;          // words 5-8: form set of the first page
  UINT32      VariableGuidListEnd;       // word 9: where the variable-GUID list's records end; 0 = not recorded
  UINT32      EngineSettingsOffset;      // word 10
  UINT32      PageListOffset;            // word 11
  UINT32      ControlDataOffset;         // word 12
  UINT32      VariableListOffset;        // word 13
  UINT32      FormsRegionOffset;         // word 14
  UINT32      VariableGuidListOffset;    // word 15, also the end of the forms region
  UINT32      FormSetTableOffset;        // word 16
} SETUP_DATA_HEADER;

#define SETUP_DATA_WORD_FIRST_FORM_SET_GUID  5
#define SETUP_DATA_WORD_VARIABLE_GUID_END    9
#define SETUP_DATA_WORD_ENGINE_SETTINGS      10
#define SETUP_DATA_WORD_PAGE_LIST            11
#define SETUP_DATA_WORD_CONTROL_DATA         12
#define SETUP_DATA_WORD_VARIABLE_LIST        13
#define SETUP_DATA_WORD_FORMS_REGION         14
#define SETUP_DATA_WORD_VARIABLE_GUID_LIST   15
#define SETUP_DATA_WORD_FORM_SET_TABLE       16
#define SETUP_DATA_HEADER_SIZE               68

// Engine settings: u16 fields; the text-mode page reads the two string ids, both in
// the engine's own package list.
typedef struct {
  UINT16    Reserved[4];
  UINT16    TitleStringId;               // byte 8: title line when a page has none
  UINT16    TabTitleStringId;            // byte 10: tab strip when a page has no title
} ENGINE_SETTINGS;

//
// Page record, followed by ControlCount u32 offsets into the control data.
//
typedef struct {
  EFI_HII_HANDLE    HiiHandle;           // 0 = page not present
  UINT16            FormSetIndex;        // position in the form-set table
  UINT16            FormId;
  UINT16            TitleLineStringId;   // 0 = the engine settings' title
  UINT16            TitleStringId;
  UINT16            PageNumber;
  UINT16            ParentPageNumber;    // 0 = top level
  UINT32            Flags;               // PAGE_FLAG_*
  UINT32            Reserved;
  UINT32            ControlCount;
  // UINT32 ControlOffsets[ControlCount];
} PAGE_RECORD;

#define PAGE_RECORD_CONTROL_OFFSETS  32

#define PAGE_FLAG_ENTRY          0x01    // set by the form parser's top-level rule
#define PAGE_FLAG_MODAL          0x10
#define PAGE_FLAG_DYNAMIC        0x20    // a dynamic form set hung below the anchor page
#define PAGE_FLAG_STANDARD_MAP   0x40    // FORM_MAP with the standard method

//
// Control record, followed by the defaults:
//   ValueWidth bytes manufacturing default, ValueWidth bytes standard default,
//   DefaultCount x { u16 default id, ValueWidth bytes value },
// and padded to a multiple of 8.
//
typedef struct {
  EFI_HII_HANDLE    HiiHandle;
  UINT32            VariableIndex;
  UINT16            QuestionId;
  UINT16            DevicePathStringId;
  UINT8             DefaultCount;
  UINT8             Reserved17;
  UINT16            RefQuestionId;       // question id named by REF2 and later
  UINT16            ControlType;         // low 12 bits: CONTROL_TYPE_*
  UINT16            PageNumber;
  UINT16            RefTargetPage;       // CONTROL_NO_REF_TARGET when none
  UINT16            Reserved26;
  UINT32            Flags;               // CONTROL_FLAG_*
  UINT16            HelpStringId;
  UINT16            Reserved34;
  UINT16            SkippedOpcodeCount;
  UINT16            Reserved38;
  //
  // Compiled data: offset of the question opcode from the start of its forms
  // package (package header included, so a real opcode is never at 0; 0 = none).
  // Working data: its address.
  //
  UINT64            QuestionOpcode;
  //
  // Compiled data: offset of the outermost enclosing condition opcode, counted from
  // the question opcode, or from the package start when the record has no question
  // opcode; 0 = none. A condition precedes its question, so the offset is normally
  // negative: read it as a two's-complement INT64. Working data: its address.
  //
  UINT64            ConditionOpcode;
  UINT16            ValueWidth;
  UINT16            ValueSize;           // the copy of the width used for sizes
  UINT16            PromptStringId;
  UINT16            Reserved62;
  // UINT8 MfgDefault[ValueWidth]; UINT8 StdDefault[ValueWidth];
  // CONTROL_DEFAULT_ENTRY Defaults[DefaultCount];
} CONTROL_RECORD;

#define CONTROL_RECORD_DEFAULTS   64
#define CONTROL_RECORD_ALIGNMENT  8
#define CONTROL_TYPE_MASK         0x0FFF
#define CONTROL_NO_REF_TARGET     0xFFFF

#define CONTROL_TYPE_UNTYPED          0
#define CONTROL_TYPE_REF              1
#define CONTROL_TYPE_LABEL            2
#define CONTROL_TYPE_TEXT             3
#define CONTROL_TYPE_DATE             4
#define CONTROL_TYPE_TIME             5
#define CONTROL_TYPE_ONE_OF           6
#define CONTROL_TYPE_SUBTITLE         8
#define CONTROL_TYPE_INCONSISTENT_IF  9
#define CONTROL_TYPE_CHECKBOX         10
#define CONTROL_TYPE_NUMERIC          11
#define CONTROL_TYPE_PASSWORD         13
#define CONTROL_TYPE_TAB_STRIP        14
#define CONTROL_TYPE_ORDERED_LIST     15
#define CONTROL_TYPE_STRING           19
#define CONTROL_TYPE_NO_SUBMIT_IF     22
#define CONTROL_TYPE_ACTION           27
#define CONTROL_TYPE_RESET_BUTTON     28
#define CONTROL_TYPE_RULE             29
#define CONTROL_TYPE_CHECKBOX_VARIANT 31

#define CONTROL_FLAG_VALID                0x00000001
#define CONTROL_FLAG_ACCESS_MASK          0x00000006    // set only by compiled data
#define CONTROL_FLAG_ACCESS_SHIFT         1
#define CONTROL_FLAG_RESET_REQUIRED       0x00000008
#define CONTROL_FLAG_READ_ONLY            0x00000010
#define CONTROL_FLAG_CALLBACK             0x00000020
#define CONTROL_FLAG_DEFAULT_EXPRESSION   0x00000040
#define CONTROL_FLAG_REFRESH_MASK         0x0000FF00    // refresh interval
#define CONTROL_FLAG_REFRESH_SHIFT        8
#define CONTROL_FLAG_REFRESH_EVENT_GROUP  0x00010000
#define CONTROL_FLAG_FORM_MAP_ACCESS      0x00020000
// Set only by the form parser: neither the forms nor the compiled data give the question
// that default, so loading defaults leaves its value as it is.
#define CONTROL_FLAG_NO_STANDARD_DEFAULT  0x00040000
#define CONTROL_FLAG_NO_MFG_DEFAULT       0x00080000

/** Bytes a control record with the given value width and default entries occupies. */
static inline UINT32
ControlRecordSize (
  IN UINT32  ValueWidth,
  IN UINT32  DefaultCount
  )
{
  UINT32  Size = CONTROL_RECORD_DEFAULTS + 2 * ValueWidth + DefaultCount * (ValueWidth + 2);

  return (Size + CONTROL_RECORD_ALIGNMENT - 1) & ~(UINT32)(CONTROL_RECORD_ALIGNMENT - 1);
}

//
// Variable record (128 bytes).
//
#define VARIABLE_NAME_LENGTH  40         // characters, the terminator included

typedef struct {
  EFI_GUID          VendorGuid;
  CHAR16            Name[VARIABLE_NAME_LENGTH];
  UINT32            Attributes;          // 0 becomes 7 at the first read
  UINT32            VariableId;          // the IFR VarStoreId
  UINT32            StoreFlags;          // VARIABLE_STORE_*
  UINT16            StorageWord;         // written by the form parser, never read back
  UINT16            Reserved110;
  EFI_HII_HANDLE    HiiHandle;           // package list that owns the store
  UINT16            Size;
  UINT8             Reserved122[6];
} VARIABLE_RECORD;

#define VARIABLE_STORE_NO_WRITE     0x0002
#define VARIABLE_STORE_CACHE_ONLY   0x0004
#define VARIABLE_STORE_EFI          0x1000
#define VARIABLE_STORE_NAME_VALUE   0x2000

#define VARIABLE_DEFAULT_ATTRIBUTES  7   // non-volatile, boot-service and runtime access

// The variable that receives the u16 value 1 at offset 0 when a saved change needs a reset.
#define SETUP_RESET_MARKER_VARIABLE_ID  0xF017

//
// Special variable indexes: positions in the variable list that the compiled data
// reserves for the engine's own variables.
//
#define SETUP_VARIABLE_INDEX_SETUP               0    // the board's "Setup" store
#define SETUP_VARIABLE_INDEX_LANGUAGE            1    // ASCII language code; questions see an index
#define SETUP_VARIABLE_INDEX_BOOT_TIMEOUT        2    // u16 seconds
#define SETUP_VARIABLE_INDEX_SNAPSHOT            3
#define SETUP_VARIABLE_INDEX_PASSWORD            5    // at least 81 bytes
#define SETUP_VARIABLE_INDEX_HDD_SECURITY        6
#define SETUP_VARIABLE_INDEX_BOOT_ORDER          7
#define SETUP_VARIABLE_INDEX_LEGACY_DEV_ORDER    8
#define SETUP_VARIABLE_INDEX_BOOT_OPTION_COUNT   11
#define SETUP_VARIABLE_INDEX_BOOT_ROW_COUNT      12
#define SETUP_VARIABLE_INDEX_LEGACY_GROUP_COUNT  15
#define SETUP_VARIABLE_INDEX_DYNAMIC_PAGE_COUNT  18
#define SETUP_VARIABLE_INDEX_DRIVER_OPTION_COUNT 22
#define SETUP_VARIABLE_INDEX_DRIVER_ORDER        23

//
// The ranges of fixed indexes (first and last, both included) that are read and written
// as UEFI variables of their own, whatever their store flags say.
//
typedef struct {
  UINT8  First;
  UINT8  Last;
} SETUP_VARIABLE_INDEX_RANGE;

#define SETUP_DIRECT_VARIABLE_RANGES  { { 1, 15 }, { 22, 25 }, { 47, 54 } }

// The password record: two 40-byte password fields and the quiet-boot byte.
#define SETUP_PASSWORD_FIELD_SIZE    40
#define SETUP_PASSWORD_RECORD_SIZE   81
#define SETUP_PASSWORD_QUIET_BOOT    80

//
// Form-set table entry; entries lie back to back.
//
typedef struct {
  EFI_GUID    FormSetGuid;
  UINT16      Class;
  UINT16      SubClass;
} FORM_SET_ENTRY;

// The forms region: entry e (e >= 1) of the form-set table has its pair at 8 x (e - 1).
typedef struct {
  UINT32    FormsPackageLength;          // low 24 bits of the package header it was compiled from
  UINT32    Reserved;
} COMPILED_FORMS_LENGTH;

// A record of the variable-GUID list: the leading GUID, which a variable's vendor GUID is looked up by.
typedef struct {
  EFI_GUID    VendorGuid;
} VARIABLE_GUID_RECORD;

//
// The long form of a variable-GUID record: a link entry, which tells what a link
// whose condition compares a question of a variable with this GUID does when it is
// chosen (the compared value is the link's index n). A record is read as a link
// entry only when the list's end (header word 9) and the next record leave it room
// for the fixed fields and the whole path list; a shorter record, and every record
// of a block whose word 9 is 0, is a GUID alone: an ordinary condition.
//
typedef struct {
  EFI_GUID    FileGuid;                  // also the firmware-volume file to start
  UINT32      Flags;                     // SPECIAL_ENTRY_*
  UINT32      Kind;                      // SPECIAL_KIND_*, with SPECIAL_ENTRY_HAS_KIND
  UINT16      PathListLength;            // characters of the path list, no terminator
  UINT16      Reserved26;
  // CHAR16 PathList[PathListLength]: file paths separated by "|"
} SPECIAL_ENTRY_RECORD;

#define SPECIAL_ENTRY_PATH_LIST   28      // where the path list starts
#define SPECIAL_ENTRY_PATH_SEPARATOR  u'|'

#define SPECIAL_ENTRY_HAS_KIND    0x1     // the kind code says what the link does
#define SPECIAL_ENTRY_START_FILE  0x2     // start the firmware-volume file named by the GUID
#define SPECIAL_ENTRY_START_PATHS 0x4     // start the first path of the list that starts

#define SPECIAL_KIND_BOOT_ENTRY           1    // boot flat boot-list entry n
#define SPECIAL_KIND_ENGINE_ACTION        2    // run engine action n
#define SPECIAL_KIND_FORM_CALLBACK        3    // call the form set's callback with question id n
#define SPECIAL_KIND_LEGACY_GROUP         7    // make legacy group n current
#define SPECIAL_KIND_HDD_SECURITY         8    // refresh hard-disk security device n
#define SPECIAL_KIND_DRIVER_HEALTH_LIST   16   // list the controllers of driver-health driver n
#define SPECIAL_KIND_DRIVER_HEALTH_ENTRY  17   // act on driver-health entry n

// The 16-byte working-cache entry, one per variable index.
typedef struct {
  VOID      *Data;
  UINT64    Size;
} VARIABLE_CACHE_ENTRY;

//
// Variable snapshot (the data of variable 3): u32 record count, then records of this
// header followed by DataSize bytes of data.
//
#pragma pack(push, 1)
typedef struct {
  UINT32      VariableIndex;
  UINT16      DataSize;
  EFI_GUID    VendorGuid;
  CHAR16      Name[VARIABLE_NAME_LENGTH];
} VARIABLE_SNAPSHOT_RECORD;
#pragma pack(pop)

#define VARIABLE_SNAPSHOT_RECORD_SIZE  102

static_assert (sizeof (SETUP_DATA_HEADER) == SETUP_DATA_HEADER_SIZE, "header words 0-16");
static_assert (offsetof (SETUP_DATA_HEADER, FirstFormSetGuid) == 4 * SETUP_DATA_WORD_FIRST_FORM_SET_GUID, "word 5");
static_assert (offsetof (SETUP_DATA_HEADER, EngineSettingsOffset) == 4 * SETUP_DATA_WORD_ENGINE_SETTINGS, "word 10");
static_assert (offsetof (SETUP_DATA_HEADER, PageListOffset) == 4 * SETUP_DATA_WORD_PAGE_LIST, "word 11");
static_assert (offsetof (SETUP_DATA_HEADER, ControlDataOffset) == 4 * SETUP_DATA_WORD_CONTROL_DATA, "word 12");
static_assert (offsetof (SETUP_DATA_HEADER, VariableListOffset) == 4 * SETUP_DATA_WORD_VARIABLE_LIST, "word 13");
static_assert (offsetof (SETUP_DATA_HEADER, FormsRegionOffset) == 4 * SETUP_DATA_WORD_FORMS_REGION, "word 14");
static_assert (offsetof (SETUP_DATA_HEADER, VariableGuidListOffset) == 4 * SETUP_DATA_WORD_VARIABLE_GUID_LIST, "word 15");
static_assert (offsetof (SETUP_DATA_HEADER, FormSetTableOffset) == 4 * SETUP_DATA_WORD_FORM_SET_TABLE, "word 16");

static_assert (offsetof (ENGINE_SETTINGS, TitleStringId) == 8, "settings title");
static_assert (offsetof (ENGINE_SETTINGS, TabTitleStringId) == 10, "settings second title");
static_assert (sizeof (ENGINE_SETTINGS) == 12, "engine settings");

static_assert (offsetof (PAGE_RECORD, HiiHandle) == 0, "page handle");
static_assert (offsetof (PAGE_RECORD, FormSetIndex) == 8, "page form-set index");
static_assert (offsetof (PAGE_RECORD, FormId) == 10, "page form id");
static_assert (offsetof (PAGE_RECORD, TitleLineStringId) == 12, "page title line");
static_assert (offsetof (PAGE_RECORD, TitleStringId) == 14, "page title");
static_assert (offsetof (PAGE_RECORD, PageNumber) == 16, "page number");
static_assert (offsetof (PAGE_RECORD, ParentPageNumber) == 18, "page parent");
static_assert (offsetof (PAGE_RECORD, Flags) == 20, "page flags");
static_assert (offsetof (PAGE_RECORD, Reserved) == 24, "page reserved");
static_assert (offsetof (PAGE_RECORD, ControlCount) == 28, "page control count");
static_assert (sizeof (PAGE_RECORD) == PAGE_RECORD_CONTROL_OFFSETS, "page record head");

static_assert (offsetof (CONTROL_RECORD, VariableIndex) == 8, "control variable");
static_assert (offsetof (CONTROL_RECORD, QuestionId) == 12, "control question id");
static_assert (offsetof (CONTROL_RECORD, DevicePathStringId) == 14, "control device path");
static_assert (offsetof (CONTROL_RECORD, DefaultCount) == 16, "control default count");
static_assert (offsetof (CONTROL_RECORD, RefQuestionId) == 18, "control REF question");
static_assert (offsetof (CONTROL_RECORD, ControlType) == 20, "control type");
static_assert (offsetof (CONTROL_RECORD, PageNumber) == 22, "control page");
static_assert (offsetof (CONTROL_RECORD, RefTargetPage) == 24, "control REF target");
static_assert (offsetof (CONTROL_RECORD, Flags) == 28, "control flags");
static_assert (offsetof (CONTROL_RECORD, HelpStringId) == 32, "control help");
static_assert (offsetof (CONTROL_RECORD, SkippedOpcodeCount) == 36, "control skipped count");
static_assert (offsetof (CONTROL_RECORD, QuestionOpcode) == 40, "control question opcode");
static_assert (offsetof (CONTROL_RECORD, ConditionOpcode) == 48, "control condition");
static_assert (offsetof (CONTROL_RECORD, ValueWidth) == 56, "control width");
static_assert (offsetof (CONTROL_RECORD, ValueSize) == 58, "control width copy");
static_assert (offsetof (CONTROL_RECORD, PromptStringId) == 60, "control prompt");
static_assert (sizeof (CONTROL_RECORD) == CONTROL_RECORD_DEFAULTS, "control record head");

static_assert (offsetof (VARIABLE_RECORD, Name) == 16, "variable name");
static_assert (offsetof (VARIABLE_RECORD, Attributes) == 96, "variable attributes");
static_assert (offsetof (VARIABLE_RECORD, VariableId) == 100, "variable id");
static_assert (offsetof (VARIABLE_RECORD, StoreFlags) == 104, "variable store flags");
static_assert (offsetof (VARIABLE_RECORD, StorageWord) == 108, "variable storage word");
static_assert (offsetof (VARIABLE_RECORD, HiiHandle) == 112, "variable handle");
static_assert (offsetof (VARIABLE_RECORD, Size) == 120, "variable size");
static_assert (offsetof (VARIABLE_RECORD, Reserved122) == 122, "variable tail");
static_assert (sizeof (VARIABLE_RECORD) == 128, "variable record");

static_assert (offsetof (FORM_SET_ENTRY, Class) == 16 && offsetof (FORM_SET_ENTRY, SubClass) == 18, "form-set entry");
static_assert (sizeof (FORM_SET_ENTRY) == 20, "form-set entry size");
static_assert (sizeof (COMPILED_FORMS_LENGTH) == 8, "forms length pair");
static_assert (sizeof (VARIABLE_GUID_RECORD) == 16, "variable GUID record");
static_assert (offsetof (SETUP_DATA_HEADER, VariableGuidListEnd) == 4 * SETUP_DATA_WORD_VARIABLE_GUID_END, "word 9");
static_assert (offsetof (SPECIAL_ENTRY_RECORD, Flags) == 16, "link entry flags");
static_assert (offsetof (SPECIAL_ENTRY_RECORD, Kind) == 20, "link entry kind");
static_assert (offsetof (SPECIAL_ENTRY_RECORD, PathListLength) == 24, "link entry path length");
static_assert (sizeof (SPECIAL_ENTRY_RECORD) == SPECIAL_ENTRY_PATH_LIST, "link entry head");
static_assert (sizeof (VARIABLE_CACHE_ENTRY) == 16, "cache entry");

static_assert (offsetof (VARIABLE_SNAPSHOT_RECORD, DataSize) == 4, "snapshot size");
static_assert (offsetof (VARIABLE_SNAPSHOT_RECORD, VendorGuid) == 6, "snapshot GUID");
static_assert (offsetof (VARIABLE_SNAPSHOT_RECORD, Name) == 22, "snapshot name");
static_assert (sizeof (VARIABLE_SNAPSHOT_RECORD) == VARIABLE_SNAPSHOT_RECORD_SIZE, "snapshot record");

#endif

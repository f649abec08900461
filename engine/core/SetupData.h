/** @file
  The compiled setup data: finding the block in the driver's own firmware file,
  checking and reading its header, and the small accessors over its pages,
  controls and variables. Every table of the engine is reached through the working
  pointers below; the compiled copies let the dynamic-page build start again.
**/
#ifndef ENGINE_SETUP_DATA_H_
#define ENGINE_SETUP_DATA_H_

#include <Uefi.h>
#include <engine/core/SetupDataFormat.h>

//
// The block (16 bytes past the section's start) and its size in bytes, which bounds
// every walk of the compiled tables.
//
extern UINT8            *gSetupData;
extern UINTN            gSetupDataSize;

extern ENGINE_SETTINGS  *gEngineSettings;
extern UINT8            *gPageList;
extern UINT8            *gCompiledControlData;
extern UINT8            *gControlData;          // working control data; null until the form parser builds it
extern UINT8            *gVariableList;
extern UINT8            *gCompiledFormsRegion;
extern UINTN            gCompiledFormsRegionSize;
extern UINT8            *gVariableGuidList;
extern UINTN            gVariableGuidListSize;  // up to the end of its records (header word 9); 0 = not recorded
extern UINT8            *gFormSetGuidTable;
extern FORM_SET_ENTRY   *gFormSetEntries;

//
// The compiled tables as the header gave them.
//
extern UINT8            *gCompiledSetupData;
extern UINT8            *gCompiledPageList;
extern UINT8            *gCompiledVariableList;
extern UINT8            *gCompiledFormSetGuidTable;

#define POST_PROGRESS_RECORD_SIZE  80
extern VOID             *gPostProgressRecord;

extern UINT32           *gVisitedPages;
extern UINTN            gVisitedPageCount;
extern UINTN            gVisitedPageCapacity;

#define CALLBACK_CONTEXT_DEPTH  10
typedef struct {
  EFI_HII_HANDLE    HiiHandle;
  UINT32            VariableIndex;
} CALLBACK_CONTEXT;

extern CALLBACK_CONTEXT  gCallbackContext;      // the current one: {0, 0} when none

/**
  Finds the compiled setup data and sets gSetupData and gSetupDataSize. A driver
  dispatched from a firmware volume (FV2 on its device handle) reads it from the
  freeform sections of its own firmware file, and only there; a driver loaded from a
  file reads it from its image's own package list (ReadImageSetupData).

  @retval EFI_SUCCESS          Found.
  @retval EFI_NOT_FOUND        No section carries the block, or the image was not
                               loaded from a firmware file of the volume.
  @return Other                The failing status of the loaded-image look-up; for an
                               image whose package list carries no block either, that
                               of the volume look-up.
**/
EFI_STATUS
LoadSetupData (
  IN EFI_HANDLE  ImageHandle
  );

/**
  The data of the first GUID package named Guid in an HII package list: the GUID and
  what follows it, within the list's own length and Size, whichever ends first. A
  package whose length runs past that end, or shorter than its header, ends the walk
  as the end package does.

  @return The package's GUID, with *DataSize bytes from there; NULL when none.
**/
CONST UINT8 *
FindGuidPackage (
  IN  CONST UINT8     *List,
  IN  UINTN           Size,
  IN  CONST EFI_GUID  *Guid,
  OUT UINTN           *DataSize
  );

/**
  A pool copy of the setup data that the image itself carries: the GUID package of
  the image's package list (the package-list protocol on ImageHandle) that leads with
  the setup data's GUID, laid out as the freeform section's body is.

  @retval EFI_SUCCESS           *Buffer holds *Size bytes; the caller owns it.
  @retval EFI_NOT_FOUND         The image has no package list, or no such package.
  @retval EFI_OUT_OF_RESOURCES  No pool for the copy.
**/
EFI_STATUS
ReadImageSetupData (
  IN  EFI_HANDLE  ImageHandle,
  OUT VOID        **Buffer,
  OUT UINTN       *Size
  );

/**
  Checks the header's offsets and the tables they locate against the block's size,
  then sets the table pointers, their compiled copies and the progress record.

  @retval EFI_SUCCESS           The tables are in place.
  @retval EFI_NOT_READY         No block is loaded.
  @retval EFI_VOLUME_CORRUPTED  An offset or a table reaches past the block; no
                                pointer is changed.
**/
EFI_STATUS
ParseSetupDataHeader (
  VOID
  );

/**
  Checks a block without touching any global; the test and the parser share it.
**/
EFI_STATUS
ValidateSetupData (
  IN CONST UINT8  *Block,
  IN UINTN        Size
  );

/** Frees the block when a start-up fails, then forgets it as ResetSetupData does. */
VOID
FreeSetupData (
  VOID
  );

/** Forgets the block and every table pointer; frees what the parser allocated. */
VOID
ResetSetupData (
  VOID
  );

//
// Pages.
//
UINT32      GetPageCount (VOID);
EFI_STATUS  GetPageData (IN UINTN Page, OUT PAGE_RECORD **Record);
EFI_STATUS  GetPageControl (IN UINTN Page, IN UINTN N, OUT CONTROL_RECORD **Control);
EFI_STATUS  GetPageControlCount (IN UINTN Page, OUT UINT32 *Count);

/**
  The N-th control of a page in the compiled control data, for readers that run
  before the form parser has built the working records (the defaults of compiled
  pages, the program's report).
**/
EFI_STATUS  GetCompiledPageControl (IN UINTN Page, IN UINTN N, OUT CONTROL_RECORD **Control);

BOOLEAN     IsPageVisited (IN UINT32 Page);
VOID        MarkPageVisited (IN UINT32 Page);

/**
  A non-null handle pushes {handle, index} and makes it current; a null handle
  pops the top entry. A push beyond the stack's depth is refused and its pop is
  ignored, so the entries below it stay intact.
**/
VOID        SetCallbackContext (IN EFI_HII_HANDLE HiiHandle, IN UINT32 VariableIndex);

/**
  CONTROL_TYPE_CHECKBOX_VARIANT (31) when the checkbox's scope holds a GUID opcode
  with the variant GUID, else CONTROL_TYPE_CHECKBOX (10). The walk of the opcodes
  after the checkbox stops at End, the end of its forms package, and at an opcode
  shorter than its header.
**/
UINT16      GetCheckboxControlType (IN CONST CONTROL_RECORD *Control, IN CONST UINT8 *End);

EFI_STATUS  FindControlByQuestionId (IN UINTN Page, IN UINT16 QuestionId, OUT UINTN *Index);

//
// Link entries of the variable-GUID list.
//
typedef struct {
  EFI_GUID     FileGuid;
  UINT32       Flags;            // SPECIAL_ENTRY_*
  UINT32       Kind;             // SPECIAL_KIND_*
  CONST UINT8  *PathList;        // PathListLength UTF-16 characters, unaligned and not terminated
  UINTN        PathListLength;
} SPECIAL_ENTRY;

/**
  Reads a record of the variable-GUID list as a link entry. The record's room
  runs from its offset to the nearest record after it or to the list's end (header
  word 9); the fixed fields and the whole path list must lie in that room.

  @retval TRUE   Entry holds the record's fields; its path list points into the block.
  @retval FALSE  The record is a GUID alone (or no record of the list): an ordinary
                 condition, with nothing to do.
**/
BOOLEAN     GetSpecialEntry (IN CONST VARIABLE_GUID_RECORD *Record, OUT SPECIAL_ENTRY *Entry);

//
// Variables.
//
UINT32           GetVariableCount (VOID);
/** How many variables the compiled setup data itself lists; form sets' stores follow them. */
UINT32           GetCompiledVariableCount (VOID);
VARIABLE_RECORD  *GetVariableRecord (IN UINTN Index);

typedef struct {
  CHAR16  Text[VARIABLE_NAME_LENGTH];
} RECORD_NAME;

/**
  A record's name with a forced terminator: names come from storage, and only such
  a copy may reach the string routines.
**/
VOID             GetRecordName (IN CONST VARIABLE_RECORD *Record, OUT RECORD_NAME *Name);

#endif

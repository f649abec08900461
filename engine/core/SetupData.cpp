/** @file
  The compiled setup data: loader, header check and parser, accessors.

  The block comes from storage, so nothing in it is trusted: before any pointer is
  set, every offset of the header and every record the tables name is checked to lie
  inside the block, and records that the engine reads as structures must sit on
  their natural alignment. Later accessors then only check indexes against counts.
**/
#include <engine/core/SetupData.h>
#include <engine/core/EngineGlobals.h>

#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Protocol/DevicePath.h>
#include <Protocol/FirmwareVolume2.h>
#include <Protocol/LoadedImage.h>
#include <Uefi/UefiIfr.h>

UINT8            *gSetupData               = NULL;
UINTN            gSetupDataSize            = 0;
ENGINE_SETTINGS  *gEngineSettings          = NULL;
UINT8            *gPageList                = NULL;
UINT8            *gCompiledControlData     = NULL;
UINT8            *gControlData             = NULL;
UINT8            *gVariableList            = NULL;
UINT8            *gCompiledFormsRegion     = NULL;
UINTN            gCompiledFormsRegionSize  = 0;
UINT8            *gVariableGuidList        = NULL;
UINTN            gVariableGuidListSize     = 0;
UINT8            *gFormSetGuidTable        = NULL;
FORM_SET_ENTRY   *gFormSetEntries          = NULL;
UINT8            *gCompiledSetupData       = NULL;
UINT8            *gCompiledPageList        = NULL;
UINT8            *gCompiledVariableList    = NULL;
UINT8            *gCompiledFormSetGuidTable = NULL;
VOID             *gPostProgressRecord      = NULL;
UINT32           *gVisitedPages            = NULL;
UINTN            gVisitedPageCount         = 0;
UINTN            gVisitedPageCapacity      = 0;
CALLBACK_CONTEXT gCallbackContext          = { NULL, 0 };

static VOID              *mSetupDataBuffer = NULL;   // the section as read, for a failed start-up to free
static CALLBACK_CONTEXT  mCallbackStack[CALLBACK_CONTEXT_DEPTH];
static UINTN             mCallbackDepth    = 0;
static UINTN             mRefusedPushes    = 0;    // pushes past the depth, whose pops are ignored

static CONST EFI_GUID  mSetupDataSectionGuid = SETUP_DATA_SECTION_GUID;
static CONST EFI_GUID  mCheckboxVariantGuid  = SETUP_CHECKBOX_VARIANT_GUID;

#define VISITED_PAGES_STEP  50

// Every page, control and variable look-up goes through here: assembled from its
// little-endian bytes in place rather than copied out by a library call.
static inline UINT32
ReadU32 (
  IN CONST UINT8  *Block,
  IN UINT64       Offset
  )
{
  CONST UINT8  *At = Block + Offset;

  return (UINT32)At[0] | ((UINT32)At[1] << 8) | ((UINT32)At[2] << 16) | ((UINT32)At[3] << 24);
}

// Offset and Length are 64-bit so that count x entry size cannot wrap.
static BOOLEAN
InBlock (
  IN UINT64  Size,
  IN UINT64  Offset,
  IN UINT64  Length
  )
{
  return (Offset <= Size) && (Length <= Size - Offset);
}

static BOOLEAN
IsAligned (
  IN UINT64  Offset,
  IN UINT64  Alignment
  )
{
  return (Offset & (Alignment - 1)) == 0;
}

//
// A list of u32 count then count u32 offsets. Each entry must hold a record of
// RecordSize bytes at Base + offset, aligned to Alignment.
//
static BOOLEAN
ValidateOffsetList (
  IN CONST UINT8  *Block,
  IN UINT64       Size,
  IN UINT64       ListOffset,
  IN UINT64       Base,
  IN UINT64       RecordSize,
  IN UINT64       Alignment
  )
{
  UINT32  Count;
  UINT64  Record;

  if (!InBlock (Size, ListOffset, 4) || !IsAligned (ListOffset, 4)) {
    return FALSE;
  }

  Count = ReadU32 (Block, ListOffset);
  if (!InBlock (Size, ListOffset + 4, (UINT64)Count * 4)) {
    return FALSE;
  }

  for (UINT32 Index = 0; Index < Count; Index++) {
    Record = Base + ReadU32 (Block, ListOffset + 4 + 4ULL * Index);
    if (!InBlock (Size, Record, RecordSize) || !IsAligned (Record, Alignment)) {
      return FALSE;
    }
  }

  return TRUE;
}

static BOOLEAN
ValidateControl (
  IN CONST UINT8  *Block,
  IN UINT64       Size,
  IN UINT64       Record
  )
{
  CONST CONTROL_RECORD  *Control;

  if (!InBlock (Size, Record, sizeof (CONTROL_RECORD)) || !IsAligned (Record, 8)) {
    return FALSE;
  }

  Control = (CONST CONTROL_RECORD *)(Block + Record);
  return InBlock (Size, Record, ControlRecordSize (Control->ValueWidth, Control->DefaultCount));
}

static BOOLEAN
ValidatePages (
  IN CONST UINT8  *Block,
  IN UINT64       Size,
  IN UINT64       PageList,
  IN UINT64       ControlData
  )
{
  UINT32             Count = ReadU32 (Block, PageList);
  UINT64             Page;
  CONST PAGE_RECORD  *Record;

  for (UINT32 Index = 0; Index < Count; Index++) {
    Page   = ReadU32 (Block, PageList + 4 + 4ULL * Index);
    Record = (CONST PAGE_RECORD *)(Block + Page);
    if (!InBlock (Size, Page + sizeof (PAGE_RECORD), (UINT64)Record->ControlCount * 4)) {
      return FALSE;
    }

    for (UINT32 N = 0; N < Record->ControlCount; N++) {
      if (!ValidateControl (Block, Size, ControlData + ReadU32 (Block, Page + sizeof (PAGE_RECORD) + 4ULL * N))) {
        return FALSE;
      }
    }
  }

  return TRUE;
}

// The form-set entries lie back to back from the first one, so all of them must fit there.
static BOOLEAN
ValidateFormSetTable (
  IN CONST UINT8  *Block,
  IN UINT64       Size,
  IN UINT64       Table
  )
{
  UINT32  Count;

  if (!ValidateOffsetList (Block, Size, Table, Table, sizeof (FORM_SET_ENTRY), 4)) {
    return FALSE;
  }

  Count = ReadU32 (Block, Table);
  return (Count == 0) ||
         InBlock (Size, Table + ReadU32 (Block, Table + 4), (UINT64)Count * sizeof (FORM_SET_ENTRY));
}

//
// With its end recorded (word 9), the variable-GUID list's records must lie before
// that end, which lies in the block after the offset array: the end then bounds
// every link entry's room.
//
static BOOLEAN
ValidateVariableGuidListEnd (
  IN CONST UINT8  *Block,
  IN UINT64       Size,
  IN UINT64       List,
  IN UINT64       End
  )
{
  UINT32  Count = ReadU32 (Block, List);

  if (End == 0) {
    return TRUE;
  }

  if ((End > Size) || (End < List + 4 + 4ULL * Count)) {
    return FALSE;
  }

  for (UINT32 Index = 0; Index < Count; Index++) {
    if (!InBlock (End, List + ReadU32 (Block, List + 4 + 4ULL * Index), sizeof (VARIABLE_GUID_RECORD))) {
      return FALSE;
    }
  }

  return TRUE;
}

EFI_STATUS
ValidateSetupData (
  IN CONST UINT8  *Block,
  IN UINTN        Size
  )
{
  SETUP_DATA_HEADER  Header;

  if ((Block == NULL) || (Size < sizeof (SETUP_DATA_HEADER))) {
    return EFI_VOLUME_CORRUPTED;
  }

  CopyMem (&Header, Block, sizeof (Header));
  if (!InBlock (Size, Header.EngineSettingsOffset, sizeof (ENGINE_SETTINGS)) ||
      !IsAligned (Header.EngineSettingsOffset, 2) ||
      !InBlock (Size, Header.ControlDataOffset, 0) || !IsAligned (Header.ControlDataOffset, 8) ||
      !ValidateOffsetList (Block, Size, Header.PageListOffset, 0, sizeof (PAGE_RECORD), 8) ||
      !ValidatePages (Block, Size, Header.PageListOffset, Header.ControlDataOffset) ||
      !ValidateOffsetList (Block, Size, Header.VariableListOffset, Header.VariableListOffset, sizeof (VARIABLE_RECORD), 8) ||
      (Header.FormsRegionOffset > Header.VariableGuidListOffset) ||
      !ValidateOffsetList (Block, Size, Header.VariableGuidListOffset, Header.VariableGuidListOffset, sizeof (VARIABLE_GUID_RECORD), 1) ||
      !ValidateVariableGuidListEnd (Block, Size, Header.VariableGuidListOffset, Header.VariableGuidListEnd) ||
      !ValidateFormSetTable (Block, Size, Header.FormSetTableOffset))
  {
    return EFI_VOLUME_CORRUPTED;
  }

  return EFI_SUCCESS;
}

//
// The name of the driver's own firmware file: the GUID of the firmware-file node
// that a dispatcher puts first in the image's file path. A driver loaded from a
// plain file has no such node and no compiled data.
//
static EFI_STATUS
GetOwnFileName (
  IN  EFI_LOADED_IMAGE_PROTOCOL  *LoadedImage,
  OUT EFI_GUID                   *FileName
  )
{
  CONST EFI_DEVICE_PATH_PROTOCOL  *Node = LoadedImage->FilePath;
  UINT16                          Length;

  if (Node == NULL) {
    return EFI_NOT_FOUND;
  }

  Length = (UINT16)(Node->Length[0] | (Node->Length[1] << 8));
  if ((Node->Type != MEDIA_DEVICE_PATH) || (Node->SubType != MEDIA_PIWG_FW_FILE_DP) ||
      (Length < sizeof (MEDIA_FW_VOL_FILEPATH_DEVICE_PATH)))
  {
    return EFI_NOT_FOUND;
  }

  CopyMem (FileName, (CONST UINT8 *)Node + sizeof (EFI_DEVICE_PATH_PROTOCOL), sizeof (EFI_GUID));
  return EFI_SUCCESS;
}

static BOOLEAN
IsSetupDataSection (
  IN CONST VOID  *Buffer,
  IN UINTN       Size
  )
{
  return (Buffer != NULL) && (Size >= sizeof (EFI_GUID)) && CompareGuid ((CONST EFI_GUID *)Buffer, &mSetupDataSectionGuid);
}

EFI_STATUS
LoadSetupData (
  IN EFI_HANDLE  ImageHandle
  )
{
  EFI_STATUS                     Status;
  EFI_LOADED_IMAGE_PROTOCOL      *LoadedImage;
  EFI_FIRMWARE_VOLUME2_PROTOCOL  *Volume;
  EFI_GUID                       FileName;
  VOID                           *Buffer;
  UINTN                          Size;
  UINT32                         Authentication;

  Status = gBS->HandleProtocol (ImageHandle, &gEfiLoadedImageProtocolGuid, (VOID **)&LoadedImage);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  Status = gBS->HandleProtocol (LoadedImage->DeviceHandle, &gEfiFirmwareVolume2ProtocolGuid, (VOID **)&Volume);
  if (EFI_ERROR (Status)) {
    // Loaded from a file (a signed image started by a loader or the shell): the image
    // carries its own block. A volume's driver never falls back to it, so a volume
    // without the section still stops the start-up.
    EFI_STATUS  ImageStatus = ReadImageSetupData (ImageHandle, &Buffer, &Size);

    if (EFI_ERROR (ImageStatus)) {
      return (ImageStatus == EFI_NOT_FOUND) ? Status : ImageStatus;
    }

    mSetupDataBuffer = Buffer;
    gSetupData     = (UINT8 *)Buffer + SETUP_DATA_BLOCK_OFFSET;
    gSetupDataSize = Size - SETUP_DATA_BLOCK_OFFSET;
    return EFI_SUCCESS;
  }

  Status = GetOwnFileName (LoadedImage, &FileName);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  for (UINTN Instance = 0; ; Instance++) {
    Buffer = NULL;
    Size   = 0;
    Status = Volume->ReadSection (Volume, &FileName, SETUP_DATA_SECTION_TYPE, Instance, &Buffer, &Size, &Authentication);
    if (EFI_ERROR (Status)) {
      return Status;
    }

    if (IsSetupDataSection (Buffer, Size)) {
      break;
    }

    if (Buffer != NULL) {
      FreePool (Buffer);
    }
  }

  // The block stays for the driver's lifetime.
  mSetupDataBuffer = Buffer;
  gSetupData     = (UINT8 *)Buffer + SETUP_DATA_BLOCK_OFFSET;
  gSetupDataSize = Size - SETUP_DATA_BLOCK_OFFSET;
  return EFI_SUCCESS;
}

EFI_STATUS
ParseSetupDataHeader (
  VOID
  )
{
  SETUP_DATA_HEADER  Header;
  EFI_STATUS         Status;

  if (gSetupData == NULL) {
    return EFI_NOT_READY;
  }

  Status = ValidateSetupData (gSetupData, gSetupDataSize);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  CopyMem (&Header, gSetupData, sizeof (Header));
  gEngineSettings          = (ENGINE_SETTINGS *)(gSetupData + Header.EngineSettingsOffset);
  gPageList                = gSetupData + Header.PageListOffset;
  gCompiledControlData     = gSetupData + Header.ControlDataOffset;
  gVariableList            = gSetupData + Header.VariableListOffset;
  gCompiledFormsRegion     = gSetupData + Header.FormsRegionOffset;
  gCompiledFormsRegionSize = Header.VariableGuidListOffset - Header.FormsRegionOffset;
  gVariableGuidList        = gSetupData + Header.VariableGuidListOffset;
  gVariableGuidListSize    = (Header.VariableGuidListEnd == 0) ? 0 : Header.VariableGuidListEnd - Header.VariableGuidListOffset;
  gFormSetGuidTable        = gSetupData + Header.FormSetTableOffset;
  gFormSetEntries          = (ReadU32 (gFormSetGuidTable, 0) == 0) ? NULL
                             : (FORM_SET_ENTRY *)(gFormSetGuidTable + ReadU32 (gFormSetGuidTable, 4));

  gCompiledSetupData        = gSetupData;
  gCompiledPageList         = gPageList;
  gCompiledVariableList     = gVariableList;
  gCompiledFormSetGuidTable = gFormSetGuidTable;

  // The progress bar draws nothing without it; the start-up does not depend on it.
  if (gPostProgressRecord == NULL) {
    gPostProgressRecord = AllocateZeroPool (POST_PROGRESS_RECORD_SIZE);
  }

  return EFI_SUCCESS;
}

VOID
FreeSetupData (
  VOID
  )
{
  FreeAndNull (mSetupDataBuffer);
  ResetSetupData ();
}

VOID
ResetSetupData (
  VOID
  )
{
  mSetupDataBuffer = NULL;
  gSetupData = gCompiledSetupData = NULL;
  gSetupDataSize = gCompiledFormsRegionSize = gVariableGuidListSize = 0;
  gEngineSettings = NULL;
  gPageList = gCompiledPageList = NULL;
  gCompiledControlData = gControlData = NULL;
  gVariableList = gCompiledVariableList = NULL;
  gCompiledFormsRegion = gVariableGuidList = NULL;
  gFormSetGuidTable = gCompiledFormSetGuidTable = NULL;
  gFormSetEntries = NULL;
  FreeAndNull (gPostProgressRecord);
  FreeAndNull (gVisitedPages);
  gVisitedPageCount = gVisitedPageCapacity = 0;
  mCallbackDepth    = 0;
  mRefusedPushes    = 0;
  gCallbackContext  = { NULL, 0 };
}

UINT32
GetPageCount (
  VOID
  )
{
  return (gPageList == NULL) ? 0 : ReadU32 (gPageList, 0);
}

EFI_STATUS
GetPageData (
  IN  UINTN        Page,
  OUT PAGE_RECORD  **Record
  )
{
  if (gSetupData == NULL || gPageList == NULL) {
    return EFI_NOT_READY;
  }

  if ((Record == NULL) || (Page >= GetPageCount ())) {
    return EFI_INVALID_PARAMETER;
  }

  *Record = (PAGE_RECORD *)(gSetupData + ReadU32 (gPageList, 4 + 4ULL * Page));
  return EFI_SUCCESS;
}

static UINT32
PageControlOffset (
  IN CONST PAGE_RECORD  *Record,
  IN UINTN              N
  )
{
  return ReadU32 ((CONST UINT8 *)Record, sizeof (PAGE_RECORD) + 4ULL * N);
}

//
// Control N of a page in one copy of the control data. The working copy answers
// only for pages bound to a package list; the compiled copy for every page.
//
static EFI_STATUS
PageControlIn (
  IN  UINT8           *ControlData,
  IN  BOOLEAN         NeedsPackageList,
  IN  UINTN           Page,
  IN  UINTN           N,
  OUT CONTROL_RECORD  **Control
  )
{
  PAGE_RECORD  *Record;
  EFI_STATUS   Status;

  if (ControlData == NULL) {
    return EFI_NOT_READY;
  }

  Status = GetPageData (Page, &Record);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  if (NeedsPackageList && (Record->HiiHandle == NULL)) {
    return EFI_NOT_FOUND;
  }

  if ((Control == NULL) || (N >= Record->ControlCount)) {
    return EFI_INVALID_PARAMETER;
  }

  *Control = (CONTROL_RECORD *)(ControlData + PageControlOffset (Record, N));
  return EFI_SUCCESS;
}

EFI_STATUS
GetPageControl (
  IN  UINTN           Page,
  IN  UINTN           N,
  OUT CONTROL_RECORD  **Control
  )
{
  return PageControlIn (gControlData, TRUE, Page, N, Control);
}

EFI_STATUS
GetCompiledPageControl (
  IN  UINTN           Page,
  IN  UINTN           N,
  OUT CONTROL_RECORD  **Control
  )
{
  return PageControlIn (gCompiledControlData, FALSE, Page, N, Control);
}

EFI_STATUS
GetPageControlCount (
  IN  UINTN   Page,
  OUT UINT32  *Count
  )
{
  PAGE_RECORD  *Record;
  EFI_STATUS   Status;

  if (gSetupData == NULL) {
    return EFI_NOT_READY;
  }

  Status = GetPageData (Page, &Record);
  if (!EFI_ERROR (Status)) {
    *Count = Record->ControlCount;
  }

  return Status;
}

BOOLEAN
IsPageVisited (
  IN UINT32  Page
  )
{
  for (UINTN Index = 0; Index < gVisitedPageCount; Index++) {
    if (gVisitedPages[Index] == Page) {
      return TRUE;
    }
  }

  return FALSE;
}

VOID
MarkPageVisited (
  IN UINT32  Page
  )
{
  if (!GrowPoolArray (gVisitedPages, gVisitedPageCount, gVisitedPageCapacity, VISITED_PAGES_STEP)) {
    return;
  }

  gVisitedPages[gVisitedPageCount++] = Page;
}

VOID
SetCallbackContext (
  IN EFI_HII_HANDLE  HiiHandle,
  IN UINT32          VariableIndex
  )
{
  if (HiiHandle != NULL) {
    if (mCallbackDepth == CALLBACK_CONTEXT_DEPTH) {
      mRefusedPushes++;
      return;
    }

    mCallbackStack[mCallbackDepth++] = { HiiHandle, VariableIndex };
  } else if (mRefusedPushes > 0) {
    mRefusedPushes--;
    return;
  } else if (mCallbackDepth > 0) {
    mCallbackDepth--;
  }

  gCallbackContext = (mCallbackDepth == 0) ? CALLBACK_CONTEXT { NULL, 0 } : mCallbackStack[mCallbackDepth - 1];
}

#define IFR_SCOPE_BIT       0x80
#define IFR_LENGTH_MASK     0x7F
#define IFR_GUID_OP_SIZE    (2 + sizeof (EFI_GUID))

UINT16
GetCheckboxControlType (
  IN CONST CONTROL_RECORD  *Control,
  IN CONST UINT8           *End
  )
{
  CONST UINT8  *Opcode = (CONST UINT8 *)(UINTN)Control->QuestionOpcode;
  UINTN        Length;
  UINTN        Depth  = 1;

  if ((Opcode == NULL) || (End <= Opcode) || ((UINTN)(End - Opcode) < 2) ||
      ((Opcode[1] & IFR_SCOPE_BIT) == 0) || (Opcode[0] == EFI_IFR_END_OP))
  {
    return CONTROL_TYPE_CHECKBOX;
  }

  for (Length = Opcode[1] & IFR_LENGTH_MASK; ; ) {
    if ((Length < 2) || (Length > (UINTN)(End - Opcode))) {
      return CONTROL_TYPE_CHECKBOX;     // malformed: no variant can be proven
    }

    Opcode += Length;
    if ((UINTN)(End - Opcode) < 2) {
      return CONTROL_TYPE_CHECKBOX;
    }

    Length = Opcode[1] & IFR_LENGTH_MASK;
    if ((Opcode[0] == EFI_IFR_GUID_OP) && (Length >= IFR_GUID_OP_SIZE) && (Length <= (UINTN)(End - Opcode)) &&
        (CompareMem (Opcode + 2, &mCheckboxVariantGuid, sizeof (EFI_GUID)) == 0))
    {
      return CONTROL_TYPE_CHECKBOX_VARIANT;
    }

    if (Opcode[0] == EFI_IFR_END_OP) {
      if (--Depth < 1) {
        return CONTROL_TYPE_CHECKBOX;
      }
    } else if ((Opcode[1] & IFR_SCOPE_BIT) != 0) {
      Depth++;
    }
  }
}

//
// The question id sits at byte 6 of the question opcodes that carry one; an opcode
// too short to hold it counts as no question.
//
static UINT16
QuestionIdOfControl (
  IN CONST CONTROL_RECORD  *Control
  )
{
  CONST UINT8  *Opcode = (CONST UINT8 *)(UINTN)Control->QuestionOpcode;
  UINT16       QuestionId;

  if ((Opcode == NULL) || ((Opcode[1] & 0x7F) < 8) || !IsQuestionOpcode (Opcode[0])) {
    return 0;
  }

  CopyMem (&QuestionId, Opcode + 6, sizeof (QuestionId));
  return QuestionId;
}

EFI_STATUS
FindControlByQuestionId (
  IN  UINTN   Page,
  IN  UINT16  QuestionId,
  OUT UINTN   *Index
  )
{
  CONTROL_RECORD  *Control;

  for (UINTN N = 0; !EFI_ERROR (GetPageControl (Page, N, &Control)); N++) {
    if (QuestionIdOfControl (Control) == QuestionId) {
      *Index = N;
      return EFI_SUCCESS;
    }
  }

  return EFI_NOT_FOUND;
}

UINT32
GetVariableCount (
  VOID
  )
{
  return (gVariableList == NULL) ? 0 : ReadU32 (gVariableList, 0);
}

UINT32
GetCompiledVariableCount (
  VOID
  )
{
  return (gCompiledVariableList == NULL) ? 0 : ReadU32 (gCompiledVariableList, 0);
}

VARIABLE_RECORD *
GetVariableRecord (
  IN UINTN  Index
  )
{
  if (Index >= GetVariableCount ()) {
    return NULL;
  }

  return (VARIABLE_RECORD *)(gVariableList + ReadU32 (gVariableList, 4 + 4ULL * Index));
}

VOID
GetRecordName (
  IN  CONST VARIABLE_RECORD  *Record,
  OUT RECORD_NAME            *Name
  )
{
  CopyMem (Name->Text, Record->Name, sizeof (Name->Text));
  Name->Text[VARIABLE_NAME_LENGTH - 1] = 0;
}

//
// Link entries. The list's records carry no length: a record ends where the
// nearest record after it starts, or at the list's end, so a GUID-only record
// followed by another one is never read as more than its GUID.
//
static BOOLEAN
SpecialEntryRoom (
  IN  CONST UINT8  *Record,
  OUT UINT64       *Room
  )
{
  UINT64   Offset;
  UINT32   Count;
  UINT32   Other;
  BOOLEAN  Listed = FALSE;

  if ((gVariableGuidList == NULL) || (gVariableGuidListSize == 0) || (Record < gVariableGuidList) ||
      ((UINT64)(Record - gVariableGuidList) >= gVariableGuidListSize))
  {
    return FALSE;
  }

  // The header check put the offset array and every record before the list's end.
  Offset = (UINT64)(Record - gVariableGuidList);
  Count  = ReadU32 (gVariableGuidList, 0);
  *Room  = gVariableGuidListSize - Offset;
  for (UINT32 Index = 0; Index < Count; Index++) {
    Other  = ReadU32 (gVariableGuidList, 4 + 4ULL * Index);
    Listed = (BOOLEAN)(Listed || (Other == Offset));
    if ((Other > Offset) && (Other - Offset < *Room)) {
      *Room = Other - Offset;
    }
  }

  return Listed;
}

BOOLEAN
GetSpecialEntry (
  IN  CONST VARIABLE_GUID_RECORD  *Record,
  OUT SPECIAL_ENTRY               *Entry
  )
{
  SPECIAL_ENTRY_RECORD  Head;
  UINT64                Room;

  if ((Record == NULL) || (Entry == NULL) || !SpecialEntryRoom ((CONST UINT8 *)Record, &Room) ||
      (Room < sizeof (SPECIAL_ENTRY_RECORD)))
  {
    return FALSE;
  }

  CopyMem (&Head, Record, sizeof (Head));
  if ((UINT64)Head.PathListLength * sizeof (CHAR16) > Room - sizeof (SPECIAL_ENTRY_RECORD)) {
    return FALSE;
  }

  CopyGuid (&Entry->FileGuid, &Head.FileGuid);
  Entry->Flags          = Head.Flags;
  Entry->Kind           = Head.Kind;
  Entry->PathList       = (CONST UINT8 *)Record + SPECIAL_ENTRY_PATH_LIST;
  Entry->PathListLength = Head.PathListLength;
  return TRUE;
}

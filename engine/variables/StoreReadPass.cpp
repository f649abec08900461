/** @file
  Store read passes. Every read of a driver's store is a configuration request that
  the driver answers with the whole store as text, and a setup entry or a page build
  reads the same few stores from many places (the variable tables, the drivers' form
  callbacks, the default caches, the questions and conditions). Within a pass each
  store's answer, or its lack of one, is kept, and the store is asked once.

  Plain UEFI variables are not kept: a read of one is no round trip to a driver, and
  the engine writes some of them (the dynamic page count) past the variable list.
**/
#include <engine/variables/VariableCacheInternal.h>
#include <engine/core/SetupData.h>

#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>

#define ANSWER_UNKNOWN  0
#define ANSWER_NONE     1     // the store gave nothing
#define ANSWER_BYTES    2

//
// One kept answer per variable index. The store it came from is kept with it: a
// rebuild of the variable list during the pass may give the index another store,
// whose answer this is not.
//
typedef struct {
  EFI_GUID        VendorGuid;
  CHAR16          Name[VARIABLE_NAME_LENGTH];
  EFI_HII_HANDLE  HiiHandle;
  UINT32          StoreFlags;
  UINT16          Size;
  UINT8           State;
  VOID            *Data;
} STORE_ANSWER;

static UINTN         mReadPassDepth = 0;
static STORE_ANSWER  *mAnswers      = NULL;
static UINTN         mAnswerCount   = 0;

VOID
BeginStoreReadPass (
  VOID
  )
{
  mReadPassDepth++;
}

static VOID
FreeAnswers (
  VOID
  )
{
  for (UINTN Index = 0; Index < mAnswerCount; Index++) {
    FreePool (mAnswers[Index].Data);
  }

  FreeAndNull (mAnswers);
  mAnswerCount = 0;
}

VOID
EndStoreReadPass (
  VOID
  )
{
  if ((mReadPassDepth > 0) && (--mReadPassDepth == 0)) {
    FreeAnswers ();
  }
}

VOID
EndAllStoreReadPasses (
  VOID
  )
{
  mReadPassDepth = 0;
  FreeAnswers ();
}

static BOOLEAN
IsSameStore (
  IN CONST STORE_ANSWER     *Answer,
  IN CONST VARIABLE_RECORD  *Record
  )
{
  return CompareGuid (&Answer->VendorGuid, &Record->VendorGuid) &&
         (CompareMem (Answer->Name, Record->Name, sizeof (Answer->Name)) == 0) &&
         (Answer->HiiHandle == Record->HiiHandle) && (Answer->StoreFlags == Record->StoreFlags) &&
         (Answer->Size == Record->Size);
}

BOOLEAN
RecallStoreAnswer (
  IN  UINTN                  Index,
  IN  CONST VARIABLE_RECORD  *Record,
  OUT VOID                   **Buffer,
  OUT UINTN                  *Size,
  OUT BOOLEAN                *NoMemory
  )
{
  STORE_ANSWER  *Answer = (Index < mAnswerCount) ? &mAnswers[Index] : NULL;

  if ((mReadPassDepth == 0) || (Answer == NULL) || (Answer->State == ANSWER_UNKNOWN) || !IsSameStore (Answer, Record)) {
    return FALSE;
  }

  *Buffer = NULL;
  *Size   = 0;
  if (Answer->State == ANSWER_BYTES) {
    *Buffer   = AllocateCopyPool (Answer->Size, Answer->Data);
    *Size     = (*Buffer == NULL) ? 0 : Answer->Size;
    *NoMemory = (*Buffer == NULL);
  }

  return TRUE;
}

// Room for an answer at Index; FALSE when there is none (the store is then simply asked again).
static BOOLEAN
AnswerRoom (
  IN UINTN  Index
  )
{
  UINTN         Count = GetVariableCount ();
  STORE_ANSWER  *Grown;

  if (Index < mAnswerCount) {
    return TRUE;
  }

  Count = (Count > Index) ? Count : Index + 1;
  Grown = (STORE_ANSWER *)ReallocatePool (mAnswerCount * sizeof (STORE_ANSWER), Count * sizeof (STORE_ANSWER), mAnswers);
  if (Grown == NULL) {
    return FALSE;
  }

  ZeroMem (Grown + mAnswerCount, (Count - mAnswerCount) * sizeof (STORE_ANSWER));
  mAnswers     = Grown;
  mAnswerCount = Count;
  return TRUE;
}

VOID
KeepStoreAnswer (
  IN UINTN                  Index,
  IN CONST VARIABLE_RECORD  *Record,
  IN CONST VOID             *Data OPTIONAL,
  IN UINTN                  Size
  )
{
  STORE_ANSWER  *Answer;

  if ((mReadPassDepth == 0) || !AnswerRoom (Index)) {
    return;
  }

  Answer = &mAnswers[Index];
  FreeAndNull (Answer->Data);
  Answer->State = ANSWER_UNKNOWN;
  if ((Data != NULL) && ((Size != Record->Size) || ((Answer->Data = AllocateCopyPool (Size, Data)) == NULL))) {
    return;       // not kept: the store is asked again
  }

  CopyGuid (&Answer->VendorGuid, &Record->VendorGuid);
  CopyMem (Answer->Name, Record->Name, sizeof (Answer->Name));
  Answer->HiiHandle  = Record->HiiHandle;
  Answer->StoreFlags = Record->StoreFlags;
  Answer->Size       = Record->Size;
  Answer->State      = (Data == NULL) ? ANSWER_NONE : ANSWER_BYTES;
}

VOID
ForgetStoreAnswer (
  IN UINTN  Index
  )
{
  if (Index < mAnswerCount) {
    FreeAndNull (mAnswers[Index].Data);
    mAnswers[Index].State = ANSWER_UNKNOWN;
  }
}

/** @file
  What the variable cache's files share: the cache counts, entry helpers, the
  NVRAM read.
**/
#ifndef VARIABLE_CACHE_INTERNAL_H_
#define VARIABLE_CACHE_INTERNAL_H_

#include <engine/variables/VariableCache.h>
#include <Protocol/LegacyBios.h>
#include <engine/variables/LegacyOrderFormat.h>

// How many entries the current cache and the default caches were built with.
extern UINTN  gCurrentCacheCount;
extern UINTN  gDefaultCacheCount;

UINTN
CacheCount (
  IN CONST VARIABLE_CACHE_ENTRY  *Cache
  );

VOID
FreeCacheArray (
  IN OUT VARIABLE_CACHE_ENTRY  **Cache,
  IN     UINTN                 Count
  );

VOID
SetEntry (
  IN OUT VARIABLE_CACHE_ENTRY  *Entry,
  IN     VOID                  *Data,
  IN     UINTN                 Size
  );

VOID *
ReadVariableAlloc (
  IN  CONST CHAR16    *Name,
  IN  CONST EFI_GUID  *Guid,
  OUT UINT32          *Attributes,
  OUT UINTN           *Size,
  OUT BOOLEAN         *NoMemory = NULL
  );

VOID *
ReadVariableOfIndex (
  IN  UINTN    Index,
  OUT UINTN    *Size,
  OUT BOOLEAN  *NoMemory
  );

EFI_STATUS
GrowEntry (
  IN OUT VARIABLE_CACHE_ENTRY  *Entry,
  IN     UINTN                 NewSize
  );

/** The baseline takes a variable read into the current cache after it was taken. */
VOID
NoteStoreRead (
  IN UINTN  Index
  );

/** Bytes written into the current cache join the baseline while an adoption runs. */
VOID
AdoptWrittenBytes (
  IN UINTN       Index,
  IN UINTN       Offset,
  IN UINTN       Size,
  IN CONST VOID  *Data
  );

BOOLEAN
IsUsbLegacyGroup (
  IN CONST UINT8      *Group,
  IN UINT16           Length,
  IN CONST BBS_TABLE  *Bbs,
  IN UINT16           BbsCount
  );

/** Takes the values of variables added to the cache since the baseline was taken into it. */
VOID
ExtendCacheBaseline (
  VOID
  );

//
// The answers of drivers' stores kept during a store read pass (StoreReadPass.cpp).
//
/** TRUE when the pass holds the store's answer: Buffer is a new copy of it, or null when it gave nothing. */
BOOLEAN
RecallStoreAnswer (
  IN  UINTN                  Index,
  IN  CONST VARIABLE_RECORD  *Record,
  OUT VOID                   **Buffer,
  OUT UINTN                  *Size,
  OUT BOOLEAN                *NoMemory
  );

/** Keeps what the store answered (Data null: nothing) until the pass ends. */
VOID
KeepStoreAnswer (
  IN UINTN                  Index,
  IN CONST VARIABLE_RECORD  *Record,
  IN CONST VOID             *Data OPTIONAL,
  IN UINTN                  Size
  );

/** After a write the store is asked again. */
VOID
ForgetStoreAnswer (
  IN UINTN  Index
  );

#endif

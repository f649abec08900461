/** @file
  Reads and writes of cached bytes as questions see them: the language, the boot,
  driver and legacy orders are translated between the question's form and the form
  the cache holds, and a write runs the variable's hook and marks the change.
**/
#include <engine/variables/VariableCache.h>
#include <engine/variables/VariableCacheInternal.h>
#include <engine/variables/ConfigString.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/HookTable.h>
#include <engine/variables/NvramStore.h>
#include <engine/core/SetupData.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Protocol/DevicePath.h>
#include <Protocol/LegacyBios.h>

//
// The cached language is an ASCII code that may lack its terminator; it matches a
// list entry only when the whole code up to the first zero is equal.
//
static VOID
MapLanguageToIndex (
  IN     UINTN  Size,
  IN OUT VOID   *Buffer
  )
{
  CONST CHAR8  *Cached;
  UINTN        CachedLength;

  if ((gVariableCache == NULL) || (gCurrentCacheCount <= SETUP_VARIABLE_INDEX_LANGUAGE) || (gLanguageList == NULL)) {
    return;
  }

  Cached = (CONST CHAR8 *)gVariableCache[SETUP_VARIABLE_INDEX_LANGUAGE].Data;
  if (Cached == NULL) {
    return;
  }

  CachedLength = AsciiStrnLenS (Cached, (UINTN)gVariableCache[SETUP_VARIABLE_INDEX_LANGUAGE].Size);
  for (UINTN Position = 0; Position < gLanguageCount; Position++) {
    CONST CHAR8  *Code = gLanguageList[Position].Code;

    if ((Code != NULL) && (AsciiStrLen (Code) == CachedLength) && (CompareMem (Code, Cached, CachedLength) == 0)) {
      ZeroMem (Buffer, Size);
      if (Size >= sizeof (UINT16)) {
        WriteUnaligned16 (Buffer, (UINT16)Position);
      } else {
        *(UINT8 *)Buffer = (UINT8)Position;
      }

      return;
    }
  }
}

EFI_STATUS
ReadVariableBytes (
  IN  UINTN    Index,
  IN  UINTN    Offset,
  IN  UINTN    Size,
  OUT VOID     *Buffer,
  IN  BOOLEAN  UseDefaults
  )
{
  VARIABLE_CACHE_ENTRY  *Cache = (UseDefaults || (gVariableCache == NULL)) ? gVariableCacheStdDefaults : gVariableCache;
  EFI_STATUS            Status;

  if (Cache == NULL) {
    if ((Buffer != NULL) && (Size != 0)) {
      ZeroMem (Buffer, Size);
    }

    return EFI_NOT_READY;
  }

  Status = AccessCacheBytes (FALSE, Cache, Index, Offset, Size, Buffer);
  if (!EFI_ERROR (Status) && (Index == SETUP_VARIABLE_INDEX_LANGUAGE)) {
    MapLanguageToIndex (Size, Buffer);
  }

  return Status;
}

static UINT16
FirstValue (
  IN CONST VOID  *Data,
  IN UINTN       Size
  )
{
  return (Size >= sizeof (UINT16)) ? ReadUnaligned16 (Data) : *(CONST UINT8 *)Data;
}

// The orders' owner makes a question's choice the whole order; while it is not connected the translation is refused.
static EFI_STATUS
TranslateOrderQuestion (
  IN     UINTN   Index,
  IN     UINT16  Value,
  IN OUT UINT32  *Offset,
  OUT    UINT64  *Size,
  OUT    VOID    **Buffer
  )
{
  CONST ORDER_VARIABLE_OWNER  *Orders = gVariableCacheNeighbours.Orders;

  return (Orders == NULL) ? EFI_UNSUPPORTED : Orders->QuestionWrite (Index, Value, Offset, Size, Buffer);
}

static VOID
TellLanguageChanged (
  VOID
  )
{
  if (gVariableCacheNeighbours.LanguageChanged != NULL) {
    gVariableCacheNeighbours.LanguageChanged ();
  }
}

//
// Questions see some engine variables in another form than the cache holds them.
// On success *Data is a new buffer, and Offset and Size describe it.
//
static EFI_STATUS
TranslateSpecialVariable (
  IN     UINTN  Index,
  IN OUT UINTN  *Offset,
  IN OUT UINTN  *Size,
  IN OUT VOID   **Data
  )
{
  UINT16      Value = FirstValue (*Data, *Size);
  UINT32      Offset32 = (UINT32)*Offset;
  UINT64      Size64   = 0;
  VOID        *Buffer  = NULL;
  EFI_STATUS  Status;

  switch (Index) {
    case SETUP_VARIABLE_INDEX_SETUP:
      return EFI_UNSUPPORTED;
    case SETUP_VARIABLE_INDEX_LANGUAGE:
      if ((Value >= gLanguageCount) || (gLanguageList == NULL) || (gLanguageList[Value].Code == NULL)) {
        return EFI_INVALID_PARAMETER;
      }

      Size64   = AsciiStrSize (gLanguageList[Value].Code);
      Buffer   = AllocateCopyPool ((UINTN)Size64, gLanguageList[Value].Code);
      Offset32 = 0;
      Status   = (Buffer == NULL) ? EFI_OUT_OF_RESOURCES : EFI_SUCCESS;
      break;
    case SETUP_VARIABLE_INDEX_BOOT_ORDER:
    case SETUP_VARIABLE_INDEX_LEGACY_DEV_ORDER:
    case SETUP_VARIABLE_INDEX_DRIVER_ORDER:
      Status = TranslateOrderQuestion (Index, Value, &Offset32, &Size64, &Buffer);
      break;
    default:
      return EFI_INVALID_PARAMETER;
  }

  if (EFI_ERROR (Status) || (Buffer == NULL) || (Size64 == 0)) {
    FreePool (Buffer);
    return EFI_ERROR (Status) ? Status : EFI_NOT_FOUND;
  }

  *Offset = Offset32;
  *Size   = (UINTN)Size64;
  *Data   = Buffer;
  return EFI_SUCCESS;
}

static BOOLEAN
IsNoHookIndex (
  IN UINTN  Index
  )
{
  return (Index == 4) || ((Index >= 9) && (Index <= 15)) || ((Index >= 17) && (Index <= 20)) ||
         (Index == 22) || ((Index >= 24) && (Index <= 30));
}

//
// Translation and cache write shared by both writers. A language index that names
// no language is refused: writing its raw bytes would corrupt the language code that
// goes to NVRAM at once. Other indexes whose translation fails keep the caller's bytes.
//
static EFI_STATUS
TranslateAndWrite (
  IN  UINTN    Index,
  IN  UINTN    Offset,
  IN  UINTN    Size,
  IN  VOID     *Data,
  OUT VOID     **Written,
  OUT UINTN    *WrittenSize
  )
{
  VOID        *Translated = Data;
  EFI_STATUS  Status;

  *Written = NULL;
  if ((Data == NULL) || (Size == 0)) {
    return EFI_INVALID_PARAMETER;
  }

  if (gVariableCache == NULL) {
    return EFI_NOT_READY;
  }

  Status = TranslateSpecialVariable (Index, &Offset, &Size, &Translated);
  if (EFI_ERROR (Status) && (Index == SETUP_VARIABLE_INDEX_LANGUAGE)) {
    return Status;
  }

  Status = AccessCacheBytes (TRUE, gVariableCache, Index, Offset, Size, Translated);
  if (Translated != Data) {
    *Written = Translated;
  } else if (!EFI_ERROR (Status)) {
    AdoptWrittenBytes (Index, Offset, Size, Data);
  }

  *WrittenSize = Size;
  return Status;
}

EFI_STATUS
WriteVariableBytes (
  IN UINTN  Index,
  IN UINTN  Offset,
  IN UINTN  Size,
  IN VOID   *Data
  )
{
  VOID        *Translated;
  UINTN       TranslatedSize;
  EFI_STATUS  Status;

  Status = TranslateAndWrite (Index, Offset, Size, Data, &Translated, &TranslatedSize);
  if (EFI_ERROR (Status)) {
    FreePool (Translated);
    return Status;
  }

  if ((Index == SETUP_VARIABLE_INDEX_LANGUAGE) && (Translated != NULL)) {
    gLanguageChanged = 1;
    TellLanguageChanged ();
    Status           = SetVariableByIndex (Index, Translated, TranslatedSize);
  }

  FreePool (Translated);
  if (!IsNoHookIndex (Index)) {
    HookVariableWritten ();
    gSetupVariableChanged = 1;
  }

  return Status;
}

EFI_STATUS
WriteVariableBytesNoTranslate (
  IN UINTN  Index,
  IN UINTN  Offset,
  IN UINTN  Size,
  IN VOID   *Data
  )
{
  VOID        *Translated;
  UINTN       TranslatedSize;
  EFI_STATUS  Status;

  Status = TranslateAndWrite (Index, Offset, Size, Data, &Translated, &TranslatedSize);
  FreePool (Translated);
  return Status;
}

//
// A whole value a driver hands back through the form browser: the bytes are the
// variable as it is stored, so no per-question translation applies to them (an
// order would otherwise be read as one moved entry). The language still goes to
// NVRAM at once, and the hook and the changed flag follow as for any write.
//
EFI_STATUS
WriteWholeVariable (
  IN UINTN  Index,
  IN UINTN  Size,
  IN VOID   *Data
  )
{
  EFI_STATUS  Status;

  if ((Data == NULL) || (Size == 0)) {
    return EFI_INVALID_PARAMETER;
  }

  if (gVariableCache == NULL) {
    return EFI_NOT_READY;
  }

  Status = AccessCacheBytes (TRUE, gVariableCache, Index, 0, Size, Data);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  if (Index == SETUP_VARIABLE_INDEX_LANGUAGE) {
    gLanguageChanged = 1;
    TellLanguageChanged ();
    Status           = SetVariableByIndex (Index, Data, Size);
  }

  if (!IsNoHookIndex (Index)) {
    HookVariableWritten ();
    gSetupVariableChanged = 1;
  }

  return Status;
}

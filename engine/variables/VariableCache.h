/** @file
  The variable cache: one in-memory copy of every variable of the variable list
  (current values), two caches of the same shape for the manufacturing and standard
  defaults, byte-level reads and writes with the special variable indexes, and the
  variable snapshot.
**/
#ifndef ENGINE_VARIABLE_CACHE_H_
#define ENGINE_VARIABLE_CACHE_H_

#include <Uefi.h>
#include <engine/core/SetupDataFormat.h>

extern VARIABLE_CACHE_ENTRY  *gVariableCache;
extern VARIABLE_CACHE_ENTRY  *gVariableCacheMfgDefaults;
extern VARIABLE_CACHE_ENTRY  *gVariableCacheStdDefaults;
extern VARIABLE_CACHE_ENTRY  *gVariableStoreCopies;
extern UINTN                 gVariableStoreCopyCount;

extern UINT8  gSetupVariableChanged;   // a variable outside the no-hook set was written
extern UINT8  gResetNeeded;            // a snapshot was restored
extern UINT8  gLanguageChanged;        // the language variable was written

// Vendor GUID of "StdDefaults" and "MfgDefaults".
#define SETUP_DEFAULTS_VARIABLE_GUID \
  { 0x4599D26F, 0x1A11, 0x49B8, { 0xB9, 0x1F, 0x85, 0x87, 0x45, 0xCF, 0xF8, 0x24 } }
// Vendor GUID of "DefaultBootOrder" and "DefaultDriverOrder".
#define SETUP_DEFAULT_ORDER_GUID \
  { 0x45CF35F6, 0x0D6E, 0x4D04, { 0x85, 0x6A, 0x03, 0x70, 0xA5, 0xB1, 0x6F, 0x53 } }

// Vendor GUID of "DefaultLegacyDevOrder".
#define SETUP_DEFAULT_LEGACY_ORDER_GUID \
  { 0x3C4EAD08, 0x45AE, 0x4315, { 0x8D, 0x15, 0xA6, 0x0E, 0xAA, 0x8C, 0xAF, 0x69 } }
// Vendor GUID of "LegacyDevOrder".
#define LEGACY_DEV_ORDER_VARIABLE_GUID \
  { 0xA56074DB, 0x65FE, 0x45F7, { 0xBD, 0x21, 0x2D, 0x2B, 0xDD, 0x8E, 0x96, 0x52 } }

BOOLEAN     IsDirectEfiVariable (IN UINTN Index, IN CONST VARIABLE_RECORD *Record);

VOID        *GetVariableByIndex (IN UINTN Index, OUT UINTN *Size);
/**
  Between these (they nest), a driver's store is asked for its value once: what it
  answered, or that it gave nothing, serves every later read of it until the pass
  ends or the store is written. A setup entry or a page build that reads a store
  from many places asks its driver once.
**/
VOID        BeginStoreReadPass (VOID);
VOID        EndStoreReadPass (VOID);
/** Ends every pass at once, as when the run that began them was abandoned. */
VOID        EndAllStoreReadPasses (VOID);
EFI_STATUS  SetVariableByIndex (IN UINTN Index, IN VOID *Data, IN UINTN Size);

EFI_STATUS  AccessCacheBytes (IN BOOLEAN Write, IN VARIABLE_CACHE_ENTRY *Cache, IN UINTN Index,
              IN UINTN Offset, IN UINTN Size, IN OUT VOID *Buffer);
EFI_STATUS  ReadVariableBytes (IN UINTN Index, IN UINTN Offset, IN UINTN Size, OUT VOID *Buffer, IN BOOLEAN UseDefaults);
EFI_STATUS  WriteVariableBytes (IN UINTN Index, IN UINTN Offset, IN UINTN Size, IN VOID *Data);
EFI_STATUS  WriteVariableBytesNoTranslate (IN UINTN Index, IN UINTN Offset, IN UINTN Size, IN VOID *Data);
/** Writes a variable's whole value from offset 0, as stored: no special-variable translation. */
EFI_STATUS  WriteWholeVariable (IN UINTN Index, IN UINTN Size, IN VOID *Data);

VOID        *GetCachedVariable (IN UINTN Index, IN OUT UINTN *Size);
VOID        *GetVariableCachedOrRead (IN UINTN Index, IN OUT UINTN *Size);
VOID        RefreshCacheEntry (IN OUT VARIABLE_CACHE_ENTRY *Entry, IN UINTN Index);
VOID        RefreshVariableCache (IN UINTN Index);

EFI_STATUS  BuildVariableCopies (IN OUT VARIABLE_CACHE_ENTRY **Cache);
EFI_STATUS  LoadVariableCache (IN OUT VARIABLE_CACHE_ENTRY **Cache, IN VARIABLE_CACHE_ENTRY *FallbackCache OPTIONAL);
VOID        FreeVariableSnapshotCopies (VOID);

//
// The default caches, in the steps the forms' BuildDefaultCaches and LoadDefaultOrders
// take: each variable's stored value, the questions' own defaults over it, what the
// defaults images in NVRAM hold over those; then the default orders.
//
/** New standard and manufacturing caches holding each variable's stored value. */
EFI_STATUS  TakeStoredDefaults (VOID);
/** A question's manufacturing and standard defaults at its place (a null default leaves that cache). */
VOID        WriteDefaultBytes (IN UINTN Index, IN UINTN Offset, IN UINTN Size, IN CONST VOID *Manufacturing OPTIONAL,
              IN CONST VOID *Standard OPTIONAL);
/** The values of the "StdDefaults" and "MfgDefaults" images over the caches. */
VOID        ApplyDefaultsImages (VOID);
/**
  Merges one variable's value from a defaults image into a cache entry. The
  password fields of variable 5 never come from an image.
**/
VOID        MergeDefaultValue (IN UINTN Index, IN OUT VARIABLE_CACHE_ENTRY *Entry, IN VOID *Found, IN UINTN FoundSize);
/**
  The default boot, driver and legacy orders saved in NVRAM replace whatever the
  caches held for the orders; the hook follows. Without caches nothing is touched.
**/
VOID        TakeDefaultOrders (VOID);

VOID        SaveVariableSnapshot (VOID);
VOID        RestoreVariableSnapshot (VOID);

VARIABLE_RECORD  *FindVariableById (IN UINT32 Id, OUT UINTN *Index);
BOOLEAN          IsUsbDevicePath (IN EFI_HANDLE Handle);

/** Frees the current cache's entries and array; the defaults and the store copies stay. */
VOID        FreeCurrentVariableCache (VOID);

/** Frees the three caches and the store copies, and clears the flags. */
VOID        FreeVariableCaches (VOID);
/** Grows the current and default caches to Count variables; new current entries are read in. */
EFI_STATUS  GrowVariableCaches (IN UINTN Count);

//
// Setup's baseline: the cache as it was last taken from or given to the stores.
//
EFI_STATUS  TakeCacheBaseline (VOID);
VOID        FreeCacheBaseline (VOID);
BOOLEAN     HasCacheBaseline (VOID);
/** TRUE when the cached variable is not what the baseline holds (always TRUE without a baseline). */
BOOLEAN     VariableDiffersFromBaseline (IN UINTN Index);
/**
  The user changed a value of the variable through a question (the baseline forgets it
  when it is taken again). Drivers' stores may answer differently at each read; only
  what the user changed counts as a change of theirs.
**/
VOID        MarkVariableEdited (IN UINTN Index);
BOOLEAN     VariableEdited (IN UINTN Index);
/** The cached variable is what its store now holds (it was submitted or taken back): the baseline takes it, unedited. */
VOID        AcceptBaselineEntry (IN UINTN Index);
/** Puts the baseline's value of a variable back into the cache; EFI_NOT_FOUND when it held none. */
EFI_STATUS  RestoreBaselineEntry (IN UINTN Index);
/**
  Between these (they nest), what is written into the cache joins the baseline: the
  values setup itself puts in place while it draws are not the user's changes.
**/
VOID        BeginBaselineAdoption (VOID);
VOID        EndBaselineAdoption (VOID);

//
// The boot manager owns "BootOrder", "DriverOrder" and "LegacyDevOrder" and the form
// the cache keeps them in, where a disabled option or device stands as its marker. The
// cache tells it of every write of one: the order read in from its store, or a
// question's value for one position of it, which the owner's rules turn into the
// whole order.
//
typedef struct {
  /** Index's order was read from its store into Entry: it takes the cache's form. */
  VOID        (*ReadIn)(IN UINTN Index, IN OUT VARIABLE_CACHE_ENTRY *Entry);
  /**
    A question chose Value for the position at *Offset of Index's cached order: the whole
    order as it becomes, as a new pool buffer (*Offset 0, *Size its length).
  **/
  EFI_STATUS  (*QuestionWrite)(IN UINTN Index, IN UINT16 Value, IN OUT UINT32 *Offset, OUT UINT64 *Size, OUT VOID **Buffer);
} ORDER_VARIABLE_OWNER;

//
// What the cache tells the parts above it: the order variables' owner of their writes
// (the boot manager) and the application of a new language. Start-up connects them;
// until then the orders stay as stored, a question's bytes are written as they come,
// and no application is told.
//
typedef struct {
  CONST ORDER_VARIABLE_OWNER  *Orders;
  VOID                        (*LanguageChanged)(VOID);
} VARIABLE_CACHE_NEIGHBOURS;

extern VARIABLE_CACHE_NEIGHBOURS  gVariableCacheNeighbours;

#endif

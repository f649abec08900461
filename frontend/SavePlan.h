/** @file
  The plan of a save, shared by the files that build and run it: every write the save
  will make, each with the value it replaces, read before anything is written, so
  that a write the store refuses can be undone by putting the others back.
**/
#ifndef FRONTEND_SAVE_PLAN_H_
#define FRONTEND_SAVE_PLAN_H_

#include <Uefi.h>
#include <engine/boot/BootOptions.h>
#include <engine/core/SetupData.h>
#include <engine/core/SetupDataFormat.h>

// Not a variable of the list: a write by name.
#define NOT_LISTED  MAX_UINTN

//
// The order in which a save writes. The undo record takes a save cut short back at the
// next start, but only where it can: a driver's store, or a start that cannot write,
// keeps what a power loss between two writes left. So writes that depend on each other
// go in the order that keeps such a mix closest to a setting the next start can use:
// records before the order that names them (a new order never names what is not stored
// yet), and deletions after the order that drops them (a stored order never names what
// is gone).
//
typedef enum {
  SAVE_PHASE_SETTINGS,          // the variables of the list, independent of each other
  SAVE_PHASE_OPTION_RECORDS,    // Boot####/Driver#### with their new active bits
  SAVE_PHASE_DISABLED_DEVICES,  // "DisabledDevs", which the legacy order's disabled devices refer to
  SAVE_PHASE_LEGACY_ORDER,      // "LegacyDevOrder", whose groups the boot order's legacy options take
  SAVE_PHASE_DRIVER_ORDER,
  SAVE_PHASE_BOOT_ORDER,
  SAVE_PHASE_DELETIONS,         // options the user deleted, after the orders no longer name them
  SAVE_PHASE_COUNT
} SAVE_PHASE;

// One write of a save, made before any is done.
typedef struct {
  UINTN       Index;            // of the variable list, or NOT_LISTED
  CHAR16      Name[16];         // for NOT_LISTED
  EFI_GUID    Guid;
  UINT32      Attributes;
  VOID        *Data;            // owned; null for a deletion
  UINTN       Size;
  UINT8       Phase;            // SAVE_PHASE
  BOOLEAN     SignalBefore;     // the boot or legacy order differs from NVRAM's
  BOOLEAN     IsOption;         // a load option's number, with Attributes of its table record
  BOOLEAN     DriverOption;
  UINT16      OptionNumber;
  UINT32      OptionAttributes;
  BOOLEAN     OldExists;        // what the store held before: put back when the save is undone
  UINT32      OldAttributes;
  VOID        *OldData;         // owned
  UINTN       OldSize;
  BOOLEAN     Written;
} PENDING_WRITE;

typedef struct {
  PENDING_WRITE  *Writes;
  UINTN          Count;
  UINTN          Capacity;
  BOOLEAN        NoMemory;
  BOOLEAN        Unreadable;     // an old value could not be read: the save could not be undone
  UINT16         *BootOrder;     // the boot order the save leaves stored, markers resolved; owned
  UINTN          BootOrderCount;
  BOOLEAN        LegacyPlanned;  // the legacy order below is what the save leaves stored
  UINT8          *LegacyOrder;   // owned
  UINTN          LegacyOrderSize;
  UINT32         *LegacyOffsets; // per boot option: its group's offset in LegacyOrder; owned
  BOOLEAN        UndoStored;     // the undo record is in NVRAM
  BOOLEAN        UndoCoversAll;  // and it can put every write back
} SAVE_PLAN;

VOID           FreePlan (IN OUT SAVE_PLAN *Plan);
/** A new write at the plan's end, taking Data; null (and Data freed) when the plan cannot grow. */
PENDING_WRITE  *AddWrite (IN OUT SAVE_PLAN *Plan, IN UINT8 Phase, IN VOID *Data, IN UINTN Size);
/** A write of a variable by name, its old value read first; null when the plan cannot take it. */
PENDING_WRITE  *AddNamedWrite (IN OUT SAVE_PLAN *Plan, IN UINT8 Phase, IN CONST CHAR16 *Name, IN CONST EFI_GUID *Guid,
                  IN UINT32 Attributes, IN VOID *Data, IN UINTN Size);
/**
  A write of a variable by name when Data differs from what NVRAM holds (an empty Data
  deletes it), its old value read first; null, with Data freed, when nothing changes or
  the plan cannot take it.
**/
PENDING_WRITE  *AddWriteIfChanged (IN OUT SAVE_PLAN *Plan, IN UINT8 Phase, IN CONST CHAR16 *Name, IN CONST EFI_GUID *Guid,
                  IN UINT32 Attributes, IN VOID *Data, IN UINTN Size);
/**
  Reads a variable's value with its attributes as the plan's old value. FALSE (and the
  plan marked) when it cannot be read other than by being absent.
**/
BOOLEAN        ReadOldValue (IN OUT SAVE_PLAN *Plan, IN CONST CHAR16 *Name, IN CONST EFI_GUID *Guid,
                 OUT VOID **Data, OUT UINTN *Size, OUT UINT32 *Attributes, OUT BOOLEAN *Exists);
BOOLEAN        SameBytes (IN CONST VOID *Stored, IN UINTN StoredSize, IN CONST VOID *Data, IN UINTN Size);
/** Whether the cache holds a value for the variable: a copy that failed then wanted memory. */
BOOLEAN        CacheHolds (IN UINTN Index);

/** The options deleted since the last save, kept whole. */
CONST BOOT_OPTION_INFO  *GetDeletedOptions (IN BOOLEAN Driver, OUT UINTN *Count);
/** Frees the deleted options once a save has removed their variables. */
VOID           ForgetDeletedOptions (VOID);

VOID           PlanOptionOrder (IN OUT SAVE_PLAN *Plan, IN BOOLEAN Driver);
VOID           PlanListedVariable (IN OUT SAVE_PLAN *Plan, IN UINTN Index);
VOID           PlanDeletedOptions (IN OUT SAVE_PLAN *Plan);
/** The legacy order and the devices it leaves out, from Cached, in the order of the boot order given. */
VOID           PlanLegacyOrder (IN OUT SAVE_PLAN *Plan, IN CONST VARIABLE_CACHE_ENTRY *Cached,
                 IN CONST UINT16 *BootOrder, IN UINTN BootOrderCount);
/** After a save that wrote everything: the legacy groups' offsets and device lists follow the stored order. */
VOID           ApplySavedLegacyOrder (IN CONST SAVE_PLAN *Plan);

//
// The undo record of a save (SaveUndo.cpp): what its writes replace, stored before
// the first of them and deleted after the last, so that a start after a save that
// was cut short puts the old values back.
//
typedef struct {
  EFI_GUID     Guid;
  UINT32       Attributes;     // 0: the variable did not exist
  RECORD_NAME  Name;
  CONST UINT8  *Data;          // inside the record
  UINTN        DataSize;
} SAVE_UNDO_ENTRY;

/** Stores what the plan's writes replace; *CoversAll is FALSE when a driver's store is among them. */
EFI_STATUS     WriteSaveUndoRecord (IN CONST SAVE_PLAN *Plan, OUT BOOLEAN *CoversAll);
EFI_STATUS     DeleteSaveUndoRecord (VOID);
/** The entry at *At of a record, moving *At past it; FALSE when it is not whole or names a variable no save writes. */
BOOLEAN        ReadSaveUndoEntry (IN CONST UINT8 *Undo, IN UINTN Size, IN OUT UINTN *At, OUT SAVE_UNDO_ENTRY *Entry);
/** TRUE when the bytes are a whole undo record, every entry whole and of a variable a save writes. */
BOOLEAN        CheckSaveUndoRecord (IN CONST UINT8 *Undo, IN UINTN Size);

/**
  Writes the plan, phase by phase, between the storing and the deletion of its undo
  record. When a write fails, the writes already done are put back in reverse order.
  *PutBack tells whether the store then holds what it held before the save, whole;
  when it does not, the plan's UndoStored tells whether the next start puts it back.
**/
EFI_STATUS     RunPlan (IN OUT SAVE_PLAN *Plan, OUT BOOLEAN *PutBack);

#endif

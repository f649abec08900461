/** @file
  What a save of setup writes, as pending writes built before anything is written:
  each write with the value it replaces, so that a write the store refuses can be
  undone by putting the others back. The boot manager fills in the writes of its own
  variables (the load options' records, "BootOrder", "DriverOrder", "LegacyDevOrder",
  "DisabledDevs" and the deleted options), turning the cached orders' disabled
  markers back into what NVRAM keeps; the front end adds the settings and decides
  whether and when the list is written.
**/
#ifndef ENGINE_BOOT_SAVE_WRITES_H_
#define ENGINE_BOOT_SAVE_WRITES_H_

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

//
// The boot manager's part of a save (OrderPlan.cpp, LegacyOrderPlan.cpp).
//

/**
  The boot or driver order the save leaves stored and the load options' records with
  their active bits: the options the cached order names are active, the others (hidden
  ones aside) inactive, and each disabled marker of the cached order becomes an
  inactive option. For the boot order, Plan->BootOrder takes the order as stored.
**/
VOID  PlanOptionOrder (IN OUT SAVE_PLAN *Plan, IN BOOLEAN Driver);
/** The deletions of the Count options of Deleted (boot or driver options) whose variables still exist. */
VOID  PlanDeletedOptions (IN OUT SAVE_PLAN *Plan, IN BOOLEAN Driver, IN CONST BOOT_OPTION_INFO *Deleted, IN UINTN Count);
/** The legacy order and the devices it leaves out, from Cached, in the order of the boot order given. */
VOID  PlanLegacyOrder (IN OUT SAVE_PLAN *Plan, IN CONST VARIABLE_CACHE_ENTRY *Cached, IN CONST UINT16 *BootOrder,
        IN UINTN BootOrderCount);
/** After a save that wrote everything: the load options' records take the attributes written. */
VOID  ApplySavedOptionRecords (IN CONST SAVE_PLAN *Plan);
/** After a save that wrote everything: the legacy groups' offsets and device lists follow the stored order. */
VOID  ApplySavedLegacyOrder (IN CONST SAVE_PLAN *Plan);

#endif

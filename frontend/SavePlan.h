/** @file
  The plan of a save, shared by the files that build and run it: every write the save
  will make (engine/boot/SaveWrites.h), each with the value it replaces, read before
  anything is written, so that a write the store refuses can be undone by putting the
  others back. The boot manager plans its own variables; the front end adds the
  settings, keeps the undo record and decides when the plan runs.
**/
#ifndef FRONTEND_SAVE_PLAN_H_
#define FRONTEND_SAVE_PLAN_H_

#include <Uefi.h>
#include <engine/boot/BootOptions.h>
#include <engine/boot/SaveWrites.h>
#include <engine/core/SetupData.h>
#include <engine/core/SetupDataFormat.h>

/** The options deleted since the last save, kept whole. */
CONST BOOT_OPTION_INFO  *GetDeletedOptions (IN BOOLEAN Driver, OUT UINTN *Count);
/** Frees the deleted options once a save has removed their variables. */
VOID           ForgetDeletedOptions (VOID);

VOID           PlanListedVariable (IN OUT SAVE_PLAN *Plan, IN UINTN Index);

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

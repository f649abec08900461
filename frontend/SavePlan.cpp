/** @file
  The settings of a save: every variable of the list that setup changed and whose
  cached value its store does not hold, with the value it replaces. The boot
  manager plans the orders, the load options and the legacy order
  (engine/boot/SaveWrites.h).
**/
#include <frontend/SavePlan.h>
#include <engine/core/SetupData.h>
#include <engine/variables/VariableCache.h>

#include <Library/MemoryAllocationLib.h>

/** A variable of the list whose cached value its store does not hold yet. */
VOID
PlanListedVariable (
  IN OUT SAVE_PLAN  *Plan,
  IN     UINTN      Index
  )
{
  VARIABLE_RECORD  *Record = GetVariableRecord (Index);
  UINTN            Size    = 0;
  VOID             *Data;
  UINTN            StoredSize = 0;
  VOID             *Stored;
  PENDING_WRITE    *Write;

  // What setup did not change since it last read or saved it stays as its store holds
  // it: a driver's store asked for nothing may refuse even a write of its own bytes.
  if ((Record == NULL) || ((Record->StoreFlags & (VARIABLE_STORE_NO_WRITE | VARIABLE_STORE_CACHE_ONLY)) != 0) ||
      !VariableDiffersFromBaseline (Index))
  {
    return;
  }

  Data = GetCachedVariable (Index, &Size);
  if (Data == NULL) {
    Plan->NoMemory = CacheHolds (Index);
    return;
  }

  // A driver's store may answer with the very copy its callbacks changed through
  // BrowserCallback (OVMF's Boot Maintenance Manager does, and stores its settings only
  // when they are routed back to it): a change made through setup is written whatever
  // such a store answers now.
  Stored = GetVariableByIndex (Index, &StoredSize);
  // The default store of a form set that declares none (no size, no owner) holds only
  // the values of questions without storage, which their drivers took through their
  // callbacks: no store answers for it, and a write to it could only fail the save.
  if ((Stored == NULL) && (Record->Size == 0) && (Record->HiiHandle == NULL) && !IsDirectEfiVariable (Index, Record)) {
    FreePool (Data);
    return;
  }

  if (SameBytes (Stored, StoredSize, Data, Size) && (IsDirectEfiVariable (Index, Record) || !VariableEdited (Index))) {
    FreePool (Stored);
    FreePool (Data);
    return;
  }

  Write = AddWrite (Plan, SAVE_PHASE_SETTINGS, Data, Size);
  if (Write == NULL) {
    FreePool (Stored);
    return;
  }

  Write->Index     = Index;
  Write->OldExists = (BOOLEAN)(Stored != NULL);
  Write->OldData   = Stored;
  Write->OldSize   = StoredSize;
}

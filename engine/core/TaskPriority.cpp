// The engine's two task-priority moves; see TaskPriority.h for why there are only two.
#include <engine/core/TaskPriority.h>

#include <engine/core/EngineGlobals.h>

EFI_TPL
LowerToApplicationTpl (
  VOID
  )
{
  // RaiseTPL is the only call that tells the current level; from the top,
  // RestoreTPL may go to any level below.
  EFI_TPL  CallerTpl = gBS->RaiseTPL (TPL_HIGH_LEVEL);

  gBS->RestoreTPL (TPL_APPLICATION);
  return CallerTpl;
}

VOID
RestoreCallerTpl (
  IN EFI_TPL  CallerTpl
  )
{
  // The level in between may be anything the engine reached since; raising to
  // the top first keeps the restore a lowering one.
  (VOID)gBS->RaiseTPL (TPL_HIGH_LEVEL);     // the level it returns is left behind on purpose
  gBS->RestoreTPL (CallerTpl);
}

/** @file
  The one way the engine drops to the application task priority and gives the
  caller's level back. Waiting for keys or events is allowed only at
  TPL_APPLICATION, and firmware may call the engine at a higher level; UEFI lets
  RestoreTPL only lower the level and RaiseTPL only raise it, and names four
  levels (4, 8, 16, 31), so these two calls are the only ones that move it.
**/
#ifndef ENGINE_CORE_TASK_PRIORITY_H_
#define ENGINE_CORE_TASK_PRIORITY_H_

#include <Uefi.h>

/**
  Drops the task priority to TPL_APPLICATION, whatever level the caller held;
  notifications pending above it run on the way down.

  @return  the caller's level, for RestoreCallerTpl.
**/
EFI_TPL
LowerToApplicationTpl (
  VOID
  );

/**
  Puts back the level LowerToApplicationTpl returned, from whatever level the
  engine is at now (through TPL_HIGH_LEVEL, so neither call goes the wrong way).
**/
VOID
RestoreCallerTpl (
  IN EFI_TPL  CallerTpl
  );

#endif

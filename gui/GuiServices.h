/** @file
  The two do-nothing operations the GUI toolkit lends to every method table and to
  the engine's hook rows.

  C++ calls must match the callee's type exactly, so each use gets an overload of
  its own shape instead of one function called through mismatched pointers.
**/
#ifndef GUI_SERVICES_H_
#define GUI_SERVICES_H_

#include <Uefi.h>
#include <engine/core/HookTable.h>

VOID
EmptyMethod (
  VOID
  );

UINT64
EmptyMethod (
  IN CONST HOOK_ARGS  *Args
  );

UINT64
ReturnZero (
  VOID
  );

UINT64
ReturnZero (
  IN CONST HOOK_ARGS  *Args
  );

#endif

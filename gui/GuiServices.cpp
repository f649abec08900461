/** @file
  Empty operations shared by method tables and hook rows.
**/
#include <gui/GuiServices.h>

VOID
EmptyMethod (
  VOID
  )
{
}

UINT64
EmptyMethod (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

UINT64
ReturnZero (
  VOID
  )
{
  return 0;
}

UINT64
ReturnZero (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  return 0;
}

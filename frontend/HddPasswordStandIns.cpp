/** @file
  The hard-disk password services of the graphical front end, which is not built
  yet. A password of the hard-disk security record (variable 6) is taken and
  dropped, so that the engine never writes that record itself; every other password
  is left to the engine, and no drive has a security state to refresh.
**/
#include <frontend/FrontEndServices.h>

EFI_STATUS
HddPasswordSetCallback (
  IN CONST CONTROL_RECORD  *Control,
  IN CONST CHAR16          *Password
  )
{
  (VOID)Password;
  return ((Control != NULL) && (Control->VariableIndex == SETUP_VARIABLE_INDEX_HDD_SECURITY)) ? EFI_SUCCESS : EFI_UNSUPPORTED;
}

EFI_STATUS
HddPasswordCheckCallback (
  IN CONST CONTROL_RECORD  *Control,
  IN CONST CHAR16          *Text OPTIONAL,
  IN UINT8                 Unlock
  )
{
  (VOID)Text;
  (VOID)Unlock;
  return ((Control != NULL) && (Control->VariableIndex == SETUP_VARIABLE_INDEX_HDD_SECURITY)) ? EFI_SUCCESS : EFI_UNSUPPORTED;
}

VOID
RefreshHddSecurityStatus (
  VOID
  )
{
}

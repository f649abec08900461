/** @file
  The boot-option table look-up and the order editing of the cached boot, driver
  and legacy orders. The boot-option code is not built yet: no option is known and no
  order translation happens, so writes of the order variables store the caller's
  bytes unchanged.
**/
#include <engine/core/EngineNeighbours.h>

BOOLEAN
FindLoadOptionAttributes (
  IN  BOOLEAN  DriverOption,
  IN  UINT16   OptionNumber,
  OUT UINT32   *Attributes
  )
{
  (VOID)DriverOption;
  (VOID)OptionNumber;
  (VOID)Attributes;
  return FALSE;
}

EFI_STATUS
ReorderBootOrderCache (
  IN     UINT16  Value,
  IN OUT UINT32  *Offset,
  OUT    UINT64  *Size,
  OUT    VOID    **Buffer
  )
{
  (VOID)Value;
  (VOID)Offset;
  (VOID)Size;
  (VOID)Buffer;
  return EFI_UNSUPPORTED;
}

EFI_STATUS
ReorderDriverOrderCache (
  IN     UINT16  Value,
  IN OUT UINT32  *Offset,
  OUT    UINT64  *Size,
  OUT    VOID    **Buffer
  )
{
  (VOID)Value;
  (VOID)Offset;
  (VOID)Size;
  (VOID)Buffer;
  return EFI_UNSUPPORTED;
}

EFI_STATUS
ReorderLegacyDevOrderCache (
  IN     UINT16  Value,
  IN OUT UINT32  *Offset,
  OUT    UINT64  *Size,
  OUT    VOID    **Buffer
  )
{
  (VOID)Value;
  (VOID)Offset;
  (VOID)Size;
  (VOID)Buffer;
  return EFI_UNSUPPORTED;
}

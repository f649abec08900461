/** @file
  The order editing of the cached boot, driver and legacy orders is not built yet:
  no order translation happens, so writes of the order variables store the caller's
  bytes unchanged.
**/
#include <engine/core/EngineNeighbours.h>

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

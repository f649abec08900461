/** @file
  The order editing of the cached legacy device order is not built yet: no order
  translation happens, so writes of "LegacyDevOrder" store the caller's bytes
  unchanged.
**/
#include <engine/core/EngineNeighbours.h>

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

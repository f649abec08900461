/** @file
  Stand-ins for reading and writing variables that other drivers own through HII
  configuration strings; replaced here when the configuration-string code lands.
  Until then such variables read as absent and refuse writes.
**/
#include <engine/core/EngineNeighbours.h>

EFI_STATUS
ExtractVariableConfig (
  IN  VARIABLE_RECORD  *Record,
  OUT VOID             **Buffer,
  IN  UINTN            Offset,
  IN  UINTN            Width
  )
{
  (VOID)Record;
  (VOID)Offset;
  (VOID)Width;
  *Buffer = NULL;
  return EFI_NOT_FOUND;
}

EFI_STATUS
RouteVariableConfig (
  IN VARIABLE_RECORD  *Record,
  IN CONST VOID       *Data,
  IN UINTN            Offset,
  IN UINTN            Width
  )
{
  (VOID)Record;
  (VOID)Data;
  (VOID)Offset;
  (VOID)Width;
  return EFI_UNSUPPORTED;
}

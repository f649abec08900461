/** @file
  Memory copy, fill and compare. The compiler's builtins turn into the runtime's
  memmove/memset on the UEFI target and libc's on the host.
**/
#include <Library/BaseMemoryLib.h>

VOID *
CopyMem (OUT VOID *Destination, IN CONST VOID *Source, IN UINTN Length)
{
  if (Length != 0) {
    __builtin_memmove (Destination, Source, Length);
  }

  return Destination;
}

VOID *
SetMem (OUT VOID *Buffer, IN UINTN Length, IN UINT8 Value)
{
  if (Length != 0) {
    __builtin_memset (Buffer, Value, Length);
  }

  return Buffer;
}

// Length is in bytes; a trailing partial element is left untouched.
static VOID *
FillElements (OUT VOID *Buffer, IN UINTN Length, IN CONST VOID *Element, IN UINTN Width)
{
  UINT8  *Bytes = (UINT8 *)Buffer;

  for (UINTN Index = 0; Index + Width <= Length; Index += Width) {
    __builtin_memcpy (Bytes + Index, Element, Width);
  }

  return Buffer;
}

VOID *
SetMem16 (OUT VOID *Buffer, IN UINTN Length, IN UINT16 Value)
{
  return FillElements (Buffer, Length, &Value, sizeof (Value));
}

VOID *
SetMem32 (OUT VOID *Buffer, IN UINTN Length, IN UINT32 Value)
{
  return FillElements (Buffer, Length, &Value, sizeof (Value));
}

VOID *
ZeroMem (OUT VOID *Buffer, IN UINTN Length)
{
  return SetMem (Buffer, Length, 0);
}

INTN
CompareMem (IN CONST VOID *DestinationBuffer, IN CONST VOID *SourceBuffer, IN UINTN Length)
{
  CONST UINT8  *Left  = (CONST UINT8 *)DestinationBuffer;
  CONST UINT8  *Right = (CONST UINT8 *)SourceBuffer;

  for (UINTN Index = 0; Index < Length; Index++) {
    if (Left[Index] != Right[Index]) {
      return (INTN)Left[Index] - (INTN)Right[Index];
    }
  }

  return 0;
}

BOOLEAN
CompareGuid (IN CONST EFI_GUID *Guid1, IN CONST EFI_GUID *Guid2)
{
  return CompareMem (Guid1, Guid2, sizeof (EFI_GUID)) == 0;
}

EFI_GUID *
CopyGuid (OUT EFI_GUID *DestinationGuid, IN CONST EFI_GUID *SourceGuid)
{
  CopyMem (DestinationGuid, SourceGuid, sizeof (EFI_GUID));
  return DestinationGuid;
}

BOOLEAN
IsZeroGuid (IN CONST EFI_GUID *Guid)
{
  static CONST EFI_GUID  Zero = { 0, 0, 0, { 0, 0, 0, 0, 0, 0, 0, 0 } };

  return CompareGuid (Guid, &Zero);
}

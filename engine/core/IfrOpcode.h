/** @file
  Small readers of IFR opcodes for the engine's walks over forms packages: the
  length byte (bits 0-6) and scope bit (bit 7), bounded stepping, and fields read
  only when the opcode's own length covers them.
**/
#ifndef ENGINE_IFR_OPCODE_H_
#define ENGINE_IFR_OPCODE_H_

#include <Uefi.h>
#include <Uefi/UefiIfr.h>

#define IFR_OPCODE_SCOPE   0x80
#define IFR_OPCODE_LENGTH  0x7F
#define IFR_HEADER_SIZE    2

static inline UINTN
IfrLength (
  IN CONST UINT8  *Opcode
  )
{
  return Opcode[1] & IFR_OPCODE_LENGTH;
}

static inline BOOLEAN
IfrOpensScope (
  IN CONST UINT8  *Opcode
  )
{
  return (Opcode[1] & IFR_OPCODE_SCOPE) != 0;
}

/** TRUE when the opcode's header and its whole length lie before End, and the length covers the header. */
static inline BOOLEAN
IfrFits (
  IN CONST UINT8  *Opcode,
  IN CONST UINT8  *End
  )
{
  return (Opcode != NULL) && (End > Opcode) && ((UINTN)(End - Opcode) >= IFR_HEADER_SIZE) &&
         (IfrLength (Opcode) >= IFR_HEADER_SIZE) && (IfrLength (Opcode) <= (UINTN)(End - Opcode));
}

/** The opcode after a fitting one; null at End or when the next one does not fit. */
static inline CONST UINT8 *
IfrNext (
  IN CONST UINT8  *Opcode,
  IN CONST UINT8  *End
  )
{
  CONST UINT8  *Next = Opcode + IfrLength (Opcode);

  return IfrFits (Next, End) ? Next : NULL;
}

/** A little-endian field of Size bytes (1 to 8) at Offset; 0 when the opcode is too short to hold it. */
static inline UINT64
IfrField (
  IN CONST UINT8  *Opcode,
  IN UINTN        Offset,
  IN UINTN        Size
  )
{
  UINT64  Value = 0;

  if ((Opcode == NULL) || (Offset + Size > IfrLength (Opcode))) {
    return 0;
  }

  for (UINTN Index = Size; Index > 0; Index--) {
    Value = (Value << 8) | Opcode[Offset + Index - 1];
  }

  return Value;
}

#endif

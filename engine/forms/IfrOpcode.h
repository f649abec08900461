/** @file
  Small readers of IFR opcodes for the engine's walks over forms packages: the
  length byte (bits 0-6) and scope bit (bit 7), bounded stepping, and fields read
  only when the opcode's own length covers them.
**/
#ifndef ENGINE_IFR_OPCODE_H_
#define ENGINE_IFR_OPCODE_H_

#include <Uefi.h>
#include <Uefi/UefiIfr.h>
#include <stddef.h>

#define IFR_OPCODE_SCOPE   0x80
#define IFR_OPCODE_LENGTH  0x7F
#define IFR_HEADER_SIZE    2

//
// Offsets from an opcode's first byte of the fields that several readers take, from
// the packed layouts of UefiIfr.h.
//
#define IFR_QUESTION_ID_AT        (IFR_HEADER_SIZE + offsetof (EFI_IFR_QUESTION_HEADER, QuestionId))
#define IFR_QUESTION_ID_END       (IFR_QUESTION_ID_AT + sizeof (EFI_QUESTION_ID))
#define IFR_FORM_SET_GUID_AT      offsetof (EFI_IFR_FORM_SET, Guid)
#define IFR_FORM_SET_TITLE_AT     offsetof (EFI_IFR_FORM_SET, FormSetTitle)
#define IFR_FORM_SET_HELP_AT      offsetof (EFI_IFR_FORM_SET, Help)
#define IFR_FORM_ID_AT            offsetof (EFI_IFR_FORM, FormId)             // FORM_MAP's too
#define IFR_REF_FORM_ID_AT        offsetof (EFI_IFR_REF, FormId)
#define IFR_GUID_EXTEND_OP_AT     offsetof (EFI_IFR_GUID_CLASS, ExtendOpCode)
#define IFR_GUID_EXTEND_VALUE_AT  offsetof (EFI_IFR_GUID_CLASS, Class)         // SUBCLASS's too
#define IFR_OPTION_FLAGS_AT       offsetof (EFI_IFR_ONE_OF_OPTION, Flags)
#define IFR_OPTION_TYPE_AT        offsetof (EFI_IFR_ONE_OF_OPTION, Type)
#define IFR_OPTION_VALUE_AT       offsetof (EFI_IFR_ONE_OF_OPTION, Value)
#define IFR_NUMERIC_FLAGS_AT      offsetof (EFI_IFR_NUMERIC, Flags)
#define IFR_DATE_TIME_FLAGS_AT    offsetof (EFI_IFR_DATE, Flags)             // TIME's too; storage in bits 4 and 5

static_assert (offsetof (EFI_IFR_FORM_MAP, FormId) == IFR_FORM_ID_AT, "FORM_MAP form id");
static_assert (offsetof (EFI_IFR_GUID_SUBCLASS, SubClass) == IFR_GUID_EXTEND_VALUE_AT, "SUBCLASS value");
static_assert (offsetof (EFI_IFR_TIME, Flags) == IFR_DATE_TIME_FLAGS_AT, "TIME flags");

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

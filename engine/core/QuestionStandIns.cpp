/** @file
  Stand-in for the question accessor that gives a question's storage offset; replaced
  here when the question-accessor code lands. It reads VarStoreInfo (byte 10 of the
  question header) of the question opcodes that carry one, without the name/value
  store exception of the full accessor.
**/
#include <engine/core/EngineNeighbours.h>
#include <Uefi/UefiIfr.h>

UINT16
GetQuestionOffset (
  IN CONST UINT8  *Opcode
  )
{
  if ((Opcode == NULL) || ((Opcode[1] & 0x7F) < 12)) {
    return 0;
  }

  switch (Opcode[0]) {
    case EFI_IFR_ONE_OF_OP:
    case EFI_IFR_CHECKBOX_OP:
    case EFI_IFR_NUMERIC_OP:
    case EFI_IFR_PASSWORD_OP:
    case EFI_IFR_ACTION_OP:
    case EFI_IFR_RESET_BUTTON_OP:
    case EFI_IFR_REF_OP:
    case EFI_IFR_DATE_OP:
    case EFI_IFR_TIME_OP:
    case EFI_IFR_STRING_OP:
    case EFI_IFR_ORDERED_LIST_OP:
      return (UINT16)(Opcode[10] | (Opcode[11] << 8));
    default:
      return 0;
  }
}

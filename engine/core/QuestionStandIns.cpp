/** @file
  Stand-in for the question accessor that gives a question's storage offset; replaced
  here when the question-accessor code lands. It reads VarStoreInfo (byte 10 of the
  question header) of the question opcodes, without the name/value store exception of
  the full accessor. RESET_BUTTON has no question header and so no storage offset.
**/
#include <engine/core/EngineNeighbours.h>
#include <Uefi/UefiIfr.h>

UINT16
GetQuestionOffset (
  IN CONST UINT8  *Opcode
  )
{
  if ((Opcode == NULL) || ((Opcode[1] & 0x7F) < 12) || !IsQuestionOpcode (Opcode[0])) {
    return 0;
  }

  return (UINT16)(Opcode[10] | (Opcode[11] << 8));
}

// Opcodes held as the engine's copies of live forms packages: the condition
// evaluator reads an opcode only inside such a copy, so records of a test's loose
// opcodes must point into one.
#ifndef ENGINE_TESTING_HELD_FORMS_H_
#define ENGINE_TESTING_HELD_FORMS_H_

#include <engine/browser/DynamicPages.h>
#include <engine/core/EngineStrings.h>
#include <Uefi/UefiHii.h>
#include <Uefi/UefiIfr.h>

#include <deque>
#include <utility>
#include <vector>

class HeldForms {
public:
  HeldForms () = default;
  HeldForms (const HeldForms &)            = delete;
  HeldForms &operator= (const HeldForms &) = delete;

  ~HeldForms ()
  {
    gDynamicPageTable     = nullptr;
    gDynamicPageSlotCount = 0;
  }

  // A package of the opcodes; the address of the first one, stable while this lives.
  UINT8 *Hold (const std::vector<UINT8> &Opcodes)
  {
    std::vector<UINT8>  &Package = mPackages.emplace_back ();
    UINT32              Length   = (UINT32)(Opcodes.size () + sizeof (EFI_HII_PACKAGE_HEADER));

    Package = { (UINT8)Length, (UINT8)(Length >> 8), (UINT8)(Length >> 16), EFI_HII_PACKAGE_FORMS };
    Package.insert (Package.end (), Opcodes.begin (), Opcodes.end ());
    mSlots.clear ();
    for (std::vector<UINT8> &Held : mPackages) {
      DYNAMIC_PAGE_RECORD  &Slot = mSlots.emplace_back ();
      Slot           = {};
      Slot.Package   = Held.data ();
      Slot.HiiHandle = (EFI_HII_HANDLE)(UINTN)0x5A;
    }

    gDynamicPageTable     = mSlots.data ();
    gDynamicPageSlotCount = mSlots.size ();
    return Package.data () + sizeof (EFI_HII_PACKAGE_HEADER);
  }

private:
  std::deque<std::vector<UINT8>>    mPackages;
  std::vector<DYNAMIC_PAGE_RECORD>  mSlots;
};

// A valid record of the engine's own strings whose question opcode is Question.
inline CONTROL_RECORD
OwnRecord (UINT16 Type, const VOID *Question, UINT32 Flags = 0)
{
  CONTROL_RECORD  Record {};

  Record.HiiHandle      = ENGINE_OWN_HII_HANDLE;
  Record.ControlType    = Type;
  Record.Flags          = CONTROL_FLAG_VALID | Flags;
  Record.QuestionOpcode = (UINT64)(UINTN)Question;
  return Record;
}

// A TEXT statement (prompt Prompt, help Help) held in Forms, under a condition whose
// expression is TRUE when ConditionOp is given: the address of the condition, or of
// the statement when there is none, and of the statement.
inline std::pair<UINT8 *, UINT8 *>
HoldLabel (HeldForms &Forms, UINT16 Prompt, UINT16 Help, UINT8 ConditionOp = 0)
{
  std::vector<UINT8>  Ifr;

  if (ConditionOp != 0) {
    Ifr = { ConditionOp, 0x82, EFI_IFR_TRUE_OP, 0x02 };
  }

  size_t  Statement = Ifr.size ();
  Ifr.insert (Ifr.end (), { EFI_IFR_TEXT_OP, 8, (UINT8)Prompt, (UINT8)(Prompt >> 8), (UINT8)Help, (UINT8)(Help >> 8), 0, 0 });
  UINT8   *Held = Forms.Hold (Ifr);
  return { Held, Held + Statement };
}

#endif

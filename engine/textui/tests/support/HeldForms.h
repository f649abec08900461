// Opcodes held as the engine's copies of live forms packages: the condition
// evaluator reads an opcode only inside such a copy, so records of a test's loose
// opcodes must point into one.
#ifndef ENGINE_TEXTUI_TESTS_SUPPORT_HELD_FORMS_H_
#define ENGINE_TEXTUI_TESTS_SUPPORT_HELD_FORMS_H_

#include <engine/core/DynamicPages.h>
#include <Uefi/UefiHii.h>

#include <deque>
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

#endif

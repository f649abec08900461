// Forms for the question-accessor tests: a forms package written with the IFR
// builder, held as the engine's copy of a live package (the dynamic-page table's
// only slot), and control records that point into it.
#ifndef ENGINE_CORE_TESTS_SUPPORT_QUESTION_TEST_SUPPORT_H_
#define ENGINE_CORE_TESTS_SUPPORT_QUESTION_TEST_SUPPORT_H_

#include "HiiEngineTest.h"

#include <engine/browser/DynamicPages.h>
#include <engine/core/SetupDataFormat.h>

#include <Builders/IfrBuilder.h>

class QuestionTest : public HiiEngineTest {
protected:
  void TearDown () override
  {
    gDynamicPageTable     = nullptr;
    gDynamicPageSlotCount = 0;
    HiiEngineTest::TearDown ();
  }

  // The package the engine walks; opcodes past its end are out of reach.
  void UsePackage (const Builders::IfrBuilder &Forms)
  {
    Package          = Forms.Package ();
    mSlot            = {};
    mSlot.Package    = Package.data ();
    mSlot.HiiHandle  = (EFI_HII_HANDLE)(UINTN)0x5A;
    gDynamicPageTable     = &mSlot;
    gDynamicPageSlotCount = 1;
  }

  const UINT8 *At (size_t Offset) const { return Package.data () + Offset; }

  CONTROL_RECORD Control (size_t QuestionOffset, UINT16 Type, size_t ConditionOffset = 0) const
  {
    CONTROL_RECORD  C {};

    C.ControlType     = Type;
    C.QuestionOpcode  = (UINT64)(UINTN)At (QuestionOffset);
    C.ConditionOpcode = (ConditionOffset == 0) ? 0 : (UINT64)(UINTN)At (ConditionOffset);
    return C;
  }

  Builders::BYTES      Package;
  DYNAMIC_PAGE_RECORD  mSlot {};
};

#endif

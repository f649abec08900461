/** @file
  The questions' own defaults in the default caches, at the places the questions'
  opcodes give.
**/
#include <engine/forms/QuestionDefaults.h>
#include <engine/forms/QuestionAccess.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/SetupData.h>
#include <engine/variables/VariableCache.h>

static VOID
ApplyControlDefaults (
  VOID
  )
{
  PAGE_RECORD     *Page;
  CONTROL_RECORD  *Control;
  CONST UINT8     *Defaults;

  for (UINTN PageIndex = 0; !EFI_ERROR (GetPageData (PageIndex, &Page)); PageIndex++) {
    if (Page->HiiHandle == NULL) {
      continue;
    }

    // Without an application, the offset rule looks at the page whose defaults these are.
    gDefaultBuildPage = Page->PageNumber;
    for (UINTN N = 0; !EFI_ERROR (GetPageControl (PageIndex, N, &Control)); N++) {
      if ((Control->VariableIndex == SETUP_VARIABLE_INDEX_LANGUAGE) || (Control->VariableIndex == SETUP_VARIABLE_INDEX_BOOT_ORDER) ||
          (Control->VariableIndex == SETUP_VARIABLE_INDEX_LEGACY_DEV_ORDER) || (Control->ValueWidth == 0) ||
          (Control->QuestionOpcode == 0))
      {
        continue;
      }

      // A question without a default leaves the stored value there.
      Defaults = (CONST UINT8 *)Control + CONTROL_RECORD_DEFAULTS;
      WriteDefaultBytes (Control->VariableIndex, GetQuestionOffset ((CONST UINT8 *)(UINTN)Control->QuestionOpcode),
        Control->ValueWidth, ((Control->Flags & CONTROL_FLAG_NO_MFG_DEFAULT) == 0) ? Defaults : NULL,
        ((Control->Flags & CONTROL_FLAG_NO_STANDARD_DEFAULT) == 0) ? Defaults + Control->ValueWidth : NULL);
    }
  }
}

EFI_STATUS
BuildDefaultCaches (
  VOID
  )
{
  EFI_STATUS  Status = TakeStoredDefaults ();

  if (EFI_ERROR (Status)) {
    return Status;
  }

  ApplyControlDefaults ();
  ApplyDefaultsImages ();
  return EFI_SUCCESS;
}

EFI_STATUS
LoadDefaultOrders (
  VOID
  )
{
  // The orders and the hook follow even when the caches could not be built: the
  // emptying and the order reads then find no cache to touch.
  EFI_STATUS  Status = BuildDefaultCaches ();

  TakeDefaultOrders ();
  return Status;
}

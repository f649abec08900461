/** @file
  Defaults taken from the forms themselves: the values of one default store written
  into the questions of a page (a RESET_BUTTON), and the manufacturing or standard
  defaults of every question gathered into a default cache when no stored default
  images exist.
**/
#include <engine/core/EngineGlobals.h>
#include <engine/browser/FormBrowser.h>
#include <engine/forms/QuestionAccess.h>
#include <engine/forms/QuestionConditions.h>
#include <engine/core/SetupData.h>
#include <engine/variables/VariableCache.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>

#define DEFAULT_ENTRY_ID_SIZE  2

// The store default id 1 names, which also goes to the standard-default cache.
#define STANDARD_CACHE_DEFAULT_ID  1

/** The value of default store DefaultId among the record's default entries; null when it has none. */
static CONST UINT8 *
FindDefaultEntry (
  IN CONST CONTROL_RECORD  *Control,
  IN UINT16                DefaultId
  )
{
  CONST UINT8  *Entry = (CONST UINT8 *)Control + CONTROL_RECORD_DEFAULTS + 2 * (UINTN)Control->ValueWidth;

  for (UINT8 N = 0; N < Control->DefaultCount; N++) {
    if (ReadUnaligned16 ((CONST UINT16 *)Entry) == DefaultId) {
      return Entry + DEFAULT_ENTRY_ID_SIZE;
    }

    Entry += DEFAULT_ENTRY_ID_SIZE + Control->ValueWidth;
  }

  return NULL;
}

/** One control's value from the default store, written at its question's place. */
static VOID
ApplyControlDefault (
  IN CONST CONTROL_RECORD  *Control,
  IN UINT16                DefaultId
  )
{
  CONST UINT8  *Op = (CONST UINT8 *)(UINTN)Control->QuestionOpcode;
  UINT8        Value[EXPRESSION_DEFAULT_MAX];
  CONST UINT8  *Found;
  UINTN        Width;

  if ((Op == NULL) || (Control->ValueWidth == 0)) {
    return;
  }

  if ((Control->Flags & CONTROL_FLAG_DEFAULT_EXPRESSION) != 0) {
    Width = GetDefaultFromExpression (Control, Value);
    if (Width == 0) {
      return;
    }

    // Each write stands alone: a question whose store refuses keeps its value.
    (VOID)WriteVariableBytes (Control->VariableIndex, GetQuestionOffset (Op), Width, Value);
    if ((DefaultId == STANDARD_CACHE_DEFAULT_ID) && (gVariableCacheStdDefaults != NULL)) {
      (VOID)AccessCacheBytes (TRUE, gVariableCacheStdDefaults, Control->VariableIndex, GetQuestionOffset (Op), Width, Value);
    }

    return;
  }

  Found = FindDefaultEntry (Control, DefaultId);
  if (Found != NULL) {
    // As above: a question whose store refuses keeps its value.
    (VOID)WriteVariableBytes (Control->VariableIndex, GetQuestionOffset (Op), Control->ValueWidth, (VOID *)Found);
  }
}

EFI_STATUS
ApplyPageDefaults (
  IN CONTROL_RECORD  *Control,
  IN UINT16          DefaultId
  )
{
  PAGE_RECORD  *Page;
  UINT32       Count;

  if ((Control == NULL) || EFI_ERROR (GetPageData (Control->PageNumber, &Page)) || (Page->HiiHandle == NULL)) {
    return EFI_UNSUPPORTED;
  }

  Count = Page->ControlCount;
  for (UINT32 N = 0; N < Count; N++) {
    CONTROL_RECORD  *Each;

    if (!EFI_ERROR (GetPageControl (Control->PageNumber, N, &Each))) {
      ApplyControlDefault (Each, DefaultId);
    }
  }

  return EFI_SUCCESS;
}

VOID
LoadDefaultsFromForms (
  IN OUT VARIABLE_CACHE_ENTRY  *Cache,
  IN     UINT32                Flag
  )
{
  PAGE_RECORD     *Page;
  CONTROL_RECORD  *Control;
  CONST UINT8     *Op;
  UINTN           Skip = (Flag == LOAD_DEFAULTS_MANUFACTURING) ? 0 : 1;     // the record keeps the manufacturing default first

  for (UINTN PageIndex = 0; (Cache != NULL) && !EFI_ERROR (GetPageData (PageIndex, &Page)); PageIndex++) {
    if (Page->HiiHandle == NULL) {
      continue;
    }

    for (UINTN N = 0; !EFI_ERROR (GetPageControl (PageIndex, N, &Control)); N++) {
      Op = (CONST UINT8 *)(UINTN)Control->QuestionOpcode;
      if ((Op == NULL) || (Control->ValueWidth == 0) ||
          ((Control->Flags & ((Flag == LOAD_DEFAULTS_MANUFACTURING) ? CONTROL_FLAG_NO_MFG_DEFAULT : CONTROL_FLAG_NO_STANDARD_DEFAULT)) != 0) ||
          IsDirectEfiVariable (Control->VariableIndex, GetVariableRecord (Control->VariableIndex)))
      {
        continue;
      }

      // A question whose place lies outside its variable keeps the cache as it was.
      (VOID)AccessCacheBytes (TRUE, Cache, Control->VariableIndex, GetQuestionOffset (Op), Control->ValueWidth,
              (UINT8 *)Control + CONTROL_RECORD_DEFAULTS + Skip * Control->ValueWidth);
    }
  }
}

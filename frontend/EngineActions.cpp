/** @file
  The engine's own actions, in one table that the exit items of page 0 and the
  action links that name an engine action both run.
**/
#include <frontend/EngineActions.h>
#include <frontend/FrontEndServices.h>
#include <frontend/SetupSave.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/HookTable.h>
#include <engine/textui/SetupActions.h>
#include <engine/textui/TuiApp.h>
#include <engine/variables/VariableCache.h>
#include <Resources/EngineStringIds.h>

#include <Library/BaseLib.h>

static BOOLEAN
LoadFailSafeDefaults (
  VOID
  )
{
  // The action shows its own outcome.
  (VOID)HookLoadDefaults ((UINT64)(UINTN)gVariableCacheMfgDefaults, (UINT64)(UINTN)&gMsgBoxLoadFailSafe);
  return FALSE;
}

static BOOLEAN
LoadOptimizedDefaults (
  VOID
  )
{
  // The action shows its own outcome.
  (VOID)HookLoadDefaults ((UINT64)(UINTN)gVariableCacheStdDefaults, (UINT64)(UINTN)&gMsgBoxLoadOptimized);
  return FALSE;
}

static BOOLEAN
SaveAndExit (
  VOID
  )
{
  return (BOOLEAN)(SaveChanges (&gMsgBoxSaveAndExit) != 0);
}

static BOOLEAN
ResetWithoutSaving (
  VOID
  )
{
  if (!ConfirmExitDiscard ()) {
    return FALSE;
  }

  gResetNeeded = 1;       // leaving resets, with the stored settings
  return TRUE;
}

static BOOLEAN
LoadPreviousValues (
  VOID
  )
{
  (VOID)DiscardChanges (TRUE);     // the action shows its own outcome
  return FALSE;
}

static BOOLEAN
GeneralHelp (
  VOID
  )
{
  ShowGeneralHelp ();
  return FALSE;
}

CONST ENGINE_ACTION_ROW  gActionTable[] = {
  { ENGINE_ACTION_LOAD_FAIL_SAFE,       STR_LOAD_FAIL_SAFE,       LoadFailSafeDefaults  },
  { ENGINE_ACTION_LOAD_OPTIMIZED,       STR_LOAD_OPTIMIZED,       LoadOptimizedDefaults },
  { ENGINE_ACTION_SAVE_AND_EXIT,        STR_SAVE_AND_EXIT_SETUP,  SaveAndExit           },
  { ENGINE_ACTION_EXIT_WITHOUT_SAVING,  STR_EXIT_WITHOUT_SAVING,  ConfirmExitDiscard    },
  { ENGINE_ACTION_SAVE_AND_RESET,       STR_SAVE_AND_RESET,       SaveChangesAndReset   },
  { ENGINE_ACTION_RESET_WITHOUT_SAVING, STR_RESET_WITHOUT_SAVING, ResetWithoutSaving    },
  { ENGINE_ACTION_LOAD_PREVIOUS_VALUES, 0,                        LoadPreviousValues    },
  { ENGINE_ACTION_GENERAL_HELP,         0,                        GeneralHelp           },
  { ENGINE_ACTION_END,                  0,                        NULL                  },
};

static VOID
RunRow (
  IN CONST ENGINE_ACTION_ROW  *Row
  )
{
  if (Row->Run ()) {
    RequestTuiAppExit ();
  }
}

EFI_STATUS
RunEngineAction (
  IN UINT8  Code
  )
{
  for (CONST ENGINE_ACTION_ROW *Row = gActionTable; Row->Code != ENGINE_ACTION_END; Row++) {
    if (Row->Code == Code) {
      RunRow (Row);
      return EFI_SUCCESS;
    }
  }

  return EFI_NOT_FOUND;
}

EFI_STATUS
OnExitItemSelect (
  IN VOID  *Context,
  IN VOID  *Object,
  IN VOID  *Data
  )
{
  TUI_CONTROL  *Control = (TUI_CONTROL *)Object;
  CONST UINT8  *Opcode  = (Control != NULL) ? (CONST UINT8 *)(UINTN)Control->Record.QuestionOpcode : NULL;
  UINT16       Prompt;

  (VOID)Context;
  (VOID)Data;
  if (Opcode == NULL) {
    return EFI_SUCCESS;
  }

  Prompt = ReadUnaligned16 ((CONST UINT16 *)(Opcode + 2));
  for (CONST ENGINE_ACTION_ROW *Row = gActionTable; (Row->Code != ENGINE_ACTION_END) && (Prompt != 0); Row++) {
    if (Row->ExitItemPrompt == Prompt) {
      RunRow (Row);
      break;
    }
  }

  return EFI_SUCCESS;
}

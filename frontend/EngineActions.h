/** @file
  The engine's own actions that a page item can stand for: loading defaults or the
  previous values, saving or leaving with or without a reset, and the general help.
  The fixed exit items of page 0 run them by their prompts, and an action link that
  names an engine action runs the one of its code (gActionTable). Actions that need
  more than their code (deleting an option names the option) are not among them.
**/
#ifndef FRONTEND_ENGINE_ACTIONS_H_
#define FRONTEND_ENGINE_ACTIONS_H_

#include <Uefi.h>

#define ENGINE_ACTION_LOAD_FAIL_SAFE        0
#define ENGINE_ACTION_LOAD_OPTIMIZED        1
#define ENGINE_ACTION_SAVE_AND_EXIT         2
#define ENGINE_ACTION_EXIT_WITHOUT_SAVING   3
#define ENGINE_ACTION_SAVE_AND_RESET        4
#define ENGINE_ACTION_RESET_WITHOUT_SAVING  5
#define ENGINE_ACTION_LOAD_PREVIOUS_VALUES  6
#define ENGINE_ACTION_GENERAL_HELP          7
#define ENGINE_ACTION_END                   0xFF     // ends the table

typedef struct {
  UINT8     Code;
  UINT16    ExitItemPrompt;      // the prompt of the exit item that runs it; 0 = no exit item
  BOOLEAN   (*Run)(VOID);        // TRUE when setup is to end
} ENGINE_ACTION_ROW;

// The rows, ended by a row of code ENGINE_ACTION_END.
extern CONST ENGINE_ACTION_ROW  gActionTable[];

/**
  Runs the action of the given code (each asks its own question and shows its own
  outcome) and ends setup when the action says so.

  @retval EFI_SUCCESS    The action ran.
  @retval EFI_NOT_FOUND  No action has that code; nothing was done.
**/
EFI_STATUS  RunEngineAction (IN UINT8 Code);

/** The callback of the six fixed exit items of page 0, told apart by their prompts. */
EFI_STATUS  OnExitItemSelect (IN VOID *Context, IN VOID *Object, IN VOID *Data);

#endif

/** @file
  Question conditions: the display state of a control from the nest of IFR
  conditions around it, its access bits and the user's access level; the page
  checks run before a page is left and before settings are saved; the state of a
  single option; a question's default given by an expression.
**/
#ifndef ENGINE_QUESTION_CONDITIONS_H_
#define ENGINE_QUESTION_CONDITIONS_H_

#include <Uefi.h>
#include <engine/core/SetupDataFormat.h>
#include <Resources/EngineStringIds.h>

#define CONDITION_STATE_SHOWN         0
#define CONDITION_STATE_SUPPRESSED    1
#define CONDITION_STATE_GRAYED_OUT    3
#define CONDITION_STATE_INCONSISTENT  4
#define CONDITION_STATE_NO_SUBMIT     5

// Conditions nested deeper than this end the walk; the frames so far decide.
#define CONDITION_NEST_DEPTH  50

// The access bits of a control that gray it out or hide it at ACCESS_LEVEL_USER.
#define CONTROL_ACCESS_GRAYED 2
#define CONTROL_ACCESS_HIDDEN 3

// Titles of the page checks' message boxes, in the engine's own package list.

// The most bytes GetDefaultFromExpression writes.
#define EXPRESSION_DEFAULT_MAX  8

/**
  The condition state (CONDITION_STATE_*) of a control. A FORM_MAP control first
  has its READ results written to its question. An expression that fails counts as
  false. Whatever the conditions say, a control with access bits is shown, and at
  user level grayed out (access 2) or hidden (access 3).
**/
UINT8    EvaluateControlCondition (IN CONST CONTROL_RECORD *Control);

/**
  TRUE when an inconsistency check (type 9) of the page holds; the first one found
  is shown in a message box through the boot-screen interface when it is there.
**/
BOOLEAN  CheckPageInconsistency (IN UINTN Page);

/** TRUE when a no-submit check (type 22) of any page holds; shown as above. */
BOOLEAN  CheckNoSubmit (VOID);

/**
  The condition state of one ONE_OF_OPTION of Control under the condition opcode
  Condition: a record with the control's handle, question id and page whose
  condition is Condition and whose question is the option.
**/
UINT8    EvaluateOptionCondition (IN CONST CONTROL_RECORD *Control, IN CONST UINT8 *Condition, IN CONST UINT8 *Option);

/**
  For a control whose default is an expression (flag 0x40): evaluates the DEFAULT
  scope of its question and writes the value in the question's width (at most
  EXPRESSION_DEFAULT_MAX bytes) to Value.

  @return The bytes written; 0 when there is no such default or it fails.
**/
UINTN    GetDefaultFromExpression (IN CONST CONTROL_RECORD *Control, OUT UINT8 *Value);

/**
  0 for an opcode that is no condition; for SUPPRESS_IF, NO_SUBMIT_IF,
  INCONSISTENT_IF, GRAY_OUT_IF and DISABLE_IF the bytes of its whole scope up to
  and including its END (or up to the end of the package when the END is missing).
**/
UINTN    IsConditionOpcode (IN CONST UINT8 *Opcode);

#endif

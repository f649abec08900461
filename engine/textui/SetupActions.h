/** @file
  Ending setup's state: saving the settings to their stores, taking back the stored
  values, loading defaults, leaving without saving, deleting load options, and the
  special link actions of the pages.
**/
#ifndef ENGINE_TEXTUI_SETUP_ACTIONS_H_
#define ENGINE_TEXTUI_SETUP_ACTIONS_H_

#include <Uefi.h>
#include <engine/core/SetupDataFormat.h>
#include <engine/textui/MessageBox.h>

// Event groups signalled around saves, discards and defaults.
#define SAVE_CHANGES_NOTIFY_GUID \
  { 0xF7AE935C, 0xE0CF, 0x42C6, { 0xA6, 0x34, 0xE9, 0x2D, 0x73, 0xAE, 0xB1, 0x07 } }
#define SETTINGS_SAVED_EVENT_GUID \
  { 0xD84BEFF0, 0x159A, 0x4B60, { 0x9A, 0xB9, 0xAC, 0x5C, 0x47, 0x4B, 0xD3, 0xB1 } }
#define DEFAULTS_LOADED_EVENT_GUID \
  { 0x855FBEB3, 0x0535, 0x4A69, { 0x9B, 0x6C, 0x2A, 0x90, 0xE5, 0x73, 0x97, 0x07 } }
#define PREVIOUS_VALUES_LOADED_EVENT_GUID \
  { 0xAD138458, 0xC1BF, 0x4D2A, { 0xA8, 0x06, 0x6D, 0xFD, 0xA0, 0x04, 0x02, 0x4F } }

// The questions setup asks before it ends its state (a choice of 0 agrees).
extern CONST MSGBOX_DEF  gMsgBoxSaveAndExit;
extern CONST MSGBOX_DEF  gMsgBoxSaveAndReset;
extern CONST MSGBOX_DEF  gMsgBoxLoadPrevious;
extern CONST MSGBOX_DEF  gMsgBoxLoadOptimized;
extern CONST MSGBOX_DEF  gMsgBoxLoadFailSafe;

// Set by SaveChangesAndReset: the reset was asked for, a later discard keeps it.
extern UINT8  gSaveAskedForReset;

/**
  Writes every changed setting to its store, asking MessageBox first when given.
  A page inconsistency or a no-submit condition holds the save back; a store or
  driver that refuses is reported with a message box.

  @return 1 when everything was written; 0 when declined, held back or refused.
**/
UINT8       SaveChanges (IN CONST MSGBOX_DEF *MessageBox OPTIONAL);

/**
  The same writes without asking and without the page check.

  @retval EFI_SUCCESS           Everything was written.
  @retval EFI_ACCESS_DENIED     A no-submit condition holds (it was shown).
  @retval EFI_OUT_OF_RESOURCES  The save could not be built; nothing was written.
  @retval other                 The first refusal of a store or driver.
**/
EFI_STATUS  SaveChangesNoPrompt (VOID);
/** SaveChanges asking "Save configuration and reset?"; on success the reset is due. */
BOOLEAN     SaveChangesAndReset (VOID);
/** Writes "LegacyDevOrder" and "DisabledDevs" from a cached legacy order. */
EFI_STATUS  SaveLegacyDevOrder (IN VARIABLE_CACHE_ENTRY *Entry);
/** Takes the cache back to the stored settings, asking first when Ask is TRUE; EFI_ABORTED when declined. */
EFI_STATUS  DiscardChanges (IN BOOLEAN Ask);
/** Copies a default cache into the settings, asking MessageBox first when given; EFI_ABORTED when declined. */
EFI_STATUS  LoadDefaults (IN VARIABLE_CACHE_ENTRY *Defaults, IN CONST MSGBOX_DEF *MessageBox OPTIONAL);
/** Asks whether to quit without saving; TRUE (changes discarded) when the user agrees. */
BOOLEAN     ConfirmExitDiscard (VOID);
/** TRUE when a setting differs from what was last stored or read. */
BOOLEAN     SettingsChanged (VOID);
/**
  Leaving setup: with changes, asks "Save configuration and exit?" and saves, or
  asks whether to quit without saving. TRUE when setup may end.
**/
BOOLEAN     ConfirmLeaveSetup (VOID);
/** Removes a load option from the table and the cached order; nothing for an absent number or a legacy group. */
VOID        DeleteBootOption (IN UINT16 OptionNumber);
VOID        DeleteDriverOption (IN UINT16 OptionNumber);
/** Removes the variables of the options deleted since the last save; the first refusal, the others done. */
EFI_STATUS  RemoveDeletedOptionVariables (VOID);
/** Puts the options deleted since the last save back into their tables. */
VOID        RestoreDeletedOptions (VOID);
/** The callback of the six fixed exit items of page 0, told apart by their prompts. */
EFI_STATUS  OnExitItemSelect (IN VOID *Context, IN VOID *Object, IN VOID *Data);
/** Acts on a link that stands for a boot option or another special function; 1 when a boot was attempted. */
UINT8       RunSpecialLinkAction (IN CONTROL_RECORD *Control);

#endif

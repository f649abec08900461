/** @file
  Saving, discarding and loading the defaults of setup's settings, the question on
  leaving setup and the deleted load options: the setup screens' own actions, which
  the engine's text screens reach through its front-end services.
**/
#ifndef FRONTEND_SETUP_SAVE_H_
#define FRONTEND_SETUP_SAVE_H_

#include <Uefi.h>
#include <engine/core/HookTable.h>
#include <engine/core/SetupDataFormat.h>
#include <engine/textui/MessageBox.h>

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
/**
  At start-up, before anything reads the settings: when a save was cut short, puts
  back the values it replaced, so the settings are the old ones as a whole.
**/
VOID        RestoreUnfinishedSave (VOID);
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
/** Puts the options deleted since the last save back into their tables. */
VOID        RestoreDeletedOptions (VOID);

#endif

/** @file
  While the setup screens run they serve five of the boot-screen interface's slots
  (the message box, both progress-bar operations, the selection box and the progress
  box); the engine's own come back when setup ends.
**/
#ifndef FRONTEND_SETUP_SLOTS_H_
#define FRONTEND_SETUP_SLOTS_H_

#include <Uefi.h>

/** Puts the setup screens' services into the slots; FALSE when they are there already (a setup inside setup). */
BOOLEAN  InstallSetupSlots (VOID);

/** Puts back what the slots held before the InstallSetupSlots that answered TRUE. */
VOID     RestoreSetupSlots (VOID);

#endif

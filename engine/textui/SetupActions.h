/** @file
  Ending setup's state: saving the settings to their stores, taking back the stored
  values, loading defaults, leaving without saving and deleting load options.
**/
#ifndef ENGINE_TEXTUI_SETUP_ACTIONS_H_
#define ENGINE_TEXTUI_SETUP_ACTIONS_H_

#include <Uefi.h>
#include <engine/core/HookTable.h>
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

/** Rewrites the engine's string 4 with the firmware version for the sign-on line. */
VOID        UpdateSignOnVersionString (VOID);

// The default member of the load-defaults hook, in the hook table's uniform type.
UINT64 LoadDefaultsHook (CONST HOOK_ARGS *Args);

#endif

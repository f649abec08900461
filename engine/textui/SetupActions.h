/** @file
  The save, discard and defaults operations and the special link actions that the
  text-mode pages call. Those not built yet answer from TuiActionStandIns.cpp.
**/
#ifndef ENGINE_TEXTUI_SETUP_ACTIONS_H_
#define ENGINE_TEXTUI_SETUP_ACTIONS_H_

#include <Uefi.h>
#include <engine/core/SetupDataFormat.h>

/** 1 when every setting was written; 0 when declined or held back. A null MessageBox asks nothing. */
UINT8       SaveChanges (IN CONST CHAR16 *MessageBox OPTIONAL);
/** Takes the cache back to the stored settings, asking first when Ask is TRUE. */
EFI_STATUS  DiscardChanges (IN BOOLEAN Ask);
/** Asks whether to quit without saving; TRUE (changes discarded) when the user agrees. */
BOOLEAN     ConfirmExitDiscard (VOID);
/** Acts on a link that stands for a boot option or another special function; 1 when a boot was attempted. */
UINT8       RunSpecialLinkAction (IN CONTROL_RECORD *Control);

#endif

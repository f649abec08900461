/** @file
  The action links of the setup pages: links that stand for a boot, a start or
  another action rather than a page. The engine's link control reaches them through
  the front end's services (RunSpecialLinkAction).
**/
#ifndef FRONTEND_ACTION_LINKS_H_
#define FRONTEND_ACTION_LINKS_H_

#include <Uefi.h>
#include <engine/core/SetupDataFormat.h>
#include <engine/textui/MessageBox.h>

// "WARNING": shown over the page when every start of a link failed.
extern CONST MSGBOX_DEF  gMsgBoxSecureBootWarning;

/**
  Acts on a chosen link whose condition names a link entry: with a kind code it
  boots flat boot-list entry n, runs engine action n, calls the form set's callback
  for question n, selects legacy group n, refreshes hard-disk security device n, or
  lists or acts on driver-health entry n; without one it starts the entry's
  firmware-volume file, else the first path of its list that starts. A boot or start
  waits while a setting needs a reset (the user is asked to save and reset instead)
  or while a boot flow holds setup. When every start failed, the page is put back and
  the WARNING box shown. A link whose condition names no link entry, or gives
  index 0xFFFE, does nothing.

  @return 1 when a boot or start was attempted (the page is to be made again), else 0.
**/
UINT8  RunSpecialLinkAction (IN CONTROL_RECORD *Control);

// How a hard-disk security link reads a drive's record: ReadHddSecurityStatus once
// ConnectFrontEnd ran, a stand-in for the drives in tests; null reads nothing.
extern EFI_STATUS  (*gReadDriveSecurity)(OUT UINT8 *Record, IN UINTN Device);

#endif

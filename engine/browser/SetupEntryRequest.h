/** @file
  The request to enter setup at the boot flow's next decision point. The POST flow,
  its hotkeys and boot-flow rows and the boot manager's menus and loop ask for setup
  or drop the request; the POST flow's decision point takes it. SendForm keeps the
  request its caller's flow held while setup runs under it.
**/
#ifndef ENGINE_SETUP_ENTRY_REQUEST_H_
#define ENGINE_SETUP_ENTRY_REQUEST_H_

#include <Uefi.h>

/** Asks for setup at the next decision point. */
VOID     RequestSetupEntry (VOID);
/** Withdraws a request for setup, when there is one. */
VOID     DropSetupEntryRequest (VOID);
/** Whether setup is asked for. */
BOOLEAN  SetupEntryRequested (VOID);
/** Whether setup is asked for; the request is consumed. */
BOOLEAN  TakeSetupEntryRequest (VOID);

#endif

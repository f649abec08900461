/** @file
  Start-up of the freestanding C++ runtime of the UEFI image.
**/
#ifndef RUNTIME_CRT_SUPPORT_H_
#define RUNTIME_CRT_SUPPORT_H_

#include <Uefi.h>

// Runs every global constructor of the image once, in link order. Call it after
// PlatformLibConstructor: constructors may allocate from the pool.
VOID RunGlobalConstructors (VOID);

#endif

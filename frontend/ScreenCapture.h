/** @file
  Screen capture (F12 and Ctrl+F12 call CaptureScreen and CaptureScreenCtrl).
**/
#ifndef FRONTEND_SCREEN_CAPTURE_H_
#define FRONTEND_SCREEN_CAPTURE_H_

#include <Uefi.h>

/** Forgets the file system Ctrl+F12 saves to and the menu's strings: they belong to the machine that ran. */
VOID  ForgetScreenCaptureTarget (VOID);

#endif

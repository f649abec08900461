/** @file
  The default caches with the questions' own defaults: the forms know where each
  question's value lies, so they put the defaults of the controls between the
  stored values and the NVRAM defaults images that the variable cache reads.
**/
#ifndef ENGINE_QUESTION_DEFAULTS_H_
#define ENGINE_QUESTION_DEFAULTS_H_

#include <Uefi.h>

/**
  Builds the standard and manufacturing default caches: each variable's stored
  value; over it, for each page with a package list, the defaults of its controls
  (not those of the language, the boot order or the legacy device order, nor a
  default the control does not have); over those, the "StdDefaults" and
  "MfgDefaults" images.

  @retval EFI_OUT_OF_RESOURCES  The caches could not be made; there are none.
**/
EFI_STATUS  BuildDefaultCaches (VOID);

/**
  BuildDefaultCaches, then the default orders (TakeDefaultOrders), which follow even
  when the caches could not be built; the status of the build.
**/
EFI_STATUS  LoadDefaultOrders (VOID);

#endif

/** @file
  Umbrella header for UEFI code: base types, status codes and the service tables.
**/
#ifndef UEFI_H_
#define UEFI_H_

#include <Uefi/UefiBaseType.h>
#include <Uefi/UefiServices.h>

#endif

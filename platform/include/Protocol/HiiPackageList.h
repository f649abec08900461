/** @file
  HII package-list protocol: installed on an image handle by the loader when the image
  carries an HII resource section; its interface pointer is the package list itself.
**/
#ifndef PROTOCOL_HII_PACKAGE_LIST_H_
#define PROTOCOL_HII_PACKAGE_LIST_H_

#include <Uefi.h>

#define EFI_HII_PACKAGE_LIST_PROTOCOL_GUID \
  { 0x6A1EE763, 0xD47A, 0x43B4, { 0xAA, 0xBE, 0xEF, 0x1D, 0xE2, 0xAB, 0x56, 0xFC } }
extern EFI_GUID gEfiHiiPackageListProtocolGuid;

// Points at an EFI_HII_PACKAGE_LIST_HEADER followed by the packages.
typedef VOID *EFI_HII_PACKAGE_LIST_PROTOCOL;

#endif

/** @file
  The engine's own HII package list: one string package per UI language (en-US,
  fr-FR, de-DE) and the END package, generated at build time from
  resources/EngineStrings.tsv. The image's HII package-list interface hands these
  bytes out, and start-up registers them with the HII database.

  The string ids live in the generated <Resources/EngineStringIds.h>.
**/
#ifndef RESOURCES_ENGINE_STRING_PACKAGE_H_
#define RESOURCES_ENGINE_STRING_PACKAGE_H_

#include <Uefi/UefiBaseType.h>

// {58C8AA27-CFE6-4F9A-884E-567E550FBBA8}: the PackageListGuid of the engine's list.
#define SETUP_ENGINE_PACKAGE_LIST_GUID \
  { 0x58C8AA27, 0xCFE6, 0x4F9A, { 0x88, 0x4E, 0x56, 0x7E, 0x55, 0x0F, 0xBB, 0xA8 } }

// The whole package list (EFI_HII_PACKAGE_LIST_HEADER first), 8-byte aligned.
extern const UINT8  gSetupEngineStringPackageList[];
extern const UINTN  gSetupEngineStringPackageListSize;

#endif

/** @file
  Helpers over the boot and runtime services: event-group signalling through the
  protocol database, variables read into new buffers, configuration tables, language
  matching and HII string reads.
**/
#ifndef LIBRARY_UEFI_LIB_H_
#define LIBRARY_UEFI_LIB_H_

#include <Uefi.h>
#include <Uefi/UefiHii.h>

// Signals everyone waiting for Guid by installing a null interface under it on a new
// handle and uninstalling it at once. Returns the first failing status.
EFI_STATUS SignalProtocolNotify (IN CONST EFI_GUID *Guid);

// Reads a whole variable into a new pool buffer (two-call size protocol, repeated
// when the variable grows between the calls). On success *Buffer is the caller's to
// free (non-null even for an empty variable), *Size its size and *Attributes its
// attributes. On failure *Buffer is null and *Size is 0.
EFI_STATUS GetVariableBuffer (IN CONST CHAR16 *Name, IN CONST EFI_GUID *Guid, OUT VOID **Buffer,
  OUT UINTN *Size OPTIONAL, OUT UINT32 *Attributes OPTIONAL);

// The table the system table lists under Guid, or EFI_NOT_FOUND.
EFI_STATUS GetSystemConfigurationTable (IN CONST EFI_GUID *Guid, OUT VOID **Table);

// The best match among SupportedLanguages for the languages that follow (a
// null-ended list of ASCII language codes, most wanted first). RFC 4646 mode:
// SupportedLanguages is ";"-separated, matching is case-insensitive, and a wanted
// language is shortened at its last "-" until something matches ("en-US" then "en").
// ISO 639-2 mode: both are three-letter codes, the list has no separators.
// Returns a new pool string with the supported spelling, or null.
// Iso639Language is TRUE or FALSE; it is a UINTN because a variadic function's last
// named parameter must not be a type that undergoes promotion.
CHAR8 *GetBestLanguage (IN CONST CHAR8 *SupportedLanguages, IN UINTN Iso639Language, ...);

// The language of Supported (a package list's ';'-separated RFC 4646 list) that serves Wanted:
// the tag or a shorter form, else a longer form ("fr" finds "fr-FR"), else English, else the
// first; a pool copy, NULL for an empty list.
CHAR8 *LibMatchPackageLanguage (IN CONST CHAR8 *Supported, IN CONST CHAR8 *Wanted);

// The string StringId of a package list as a new pool string, or null. Language
// null means the platform language ("PlatformLang"); it is matched to the package
// list's languages as above, and when that fails "en-US" is tried.
EFI_STRING LibHiiGetString (IN EFI_HII_HANDLE HiiHandle, IN EFI_STRING_ID StringId,
  IN CONST CHAR8 *Language OPTIONAL);

#endif

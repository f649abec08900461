/** @file
  Formatted print into UTF-16 and ASCII buffers.

  Conversions: %d %i (signed), %u, %x (lower-case hex), %X (upper-case hex), %p
  (pointer, 16 hex digits), %c (a CHAR16 passed as int), %s and %S (UTF-16 string),
  %a (ASCII string), %g (EFI_GUID *, registry form 8-4-4-4-12, upper case), %r
  (EFI_STATUS by name), %t (EFI_TIME *, "mm/dd/yyyy  hh:mm"), %% (a percent sign).
  Flags: '-' left-justify, '0' zero-pad, '+' sign, ' ' space for sign, '#' "0x"
  before hex. Width and precision may be digits or '*' (an int argument); precision
  is the digit minimum of numbers and the character maximum of strings. 'l' or 'L'
  makes %d %i %u %x %X take a 64-bit argument; without it they take 32 bits.
  A null string argument prints "<null string>".

  BufferSize is in bytes. Output stops at the buffer's end and is always terminated
  (when at least one character fits). The result is the number of characters written,
  terminator excluded.
**/
#ifndef LIBRARY_PRINT_LIB_H_
#define LIBRARY_PRINT_LIB_H_

#include <Uefi.h>
#include <stdarg.h>

UINTN UnicodeSPrint (OUT CHAR16 *StartOfBuffer, IN UINTN BufferSize, IN CONST CHAR16 *FormatString, ...);
UINTN UnicodeVSPrint (OUT CHAR16 *StartOfBuffer, IN UINTN BufferSize, IN CONST CHAR16 *FormatString,
  IN va_list Marker);
UINTN UnicodeSPrintAsciiFormat (OUT CHAR16 *StartOfBuffer, IN UINTN BufferSize, IN CONST CHAR8 *FormatString, ...);
UINTN AsciiSPrint (OUT CHAR8 *StartOfBuffer, IN UINTN BufferSize, IN CONST CHAR8 *FormatString, ...);
UINTN AsciiVSPrint (OUT CHAR8 *StartOfBuffer, IN UINTN BufferSize, IN CONST CHAR8 *FormatString,
  IN va_list Marker);

// As AsciiVSPrint, and *FullLength receives the length the whole text would have had,
// so callers can tell a cut text from a complete one.
UINTN AsciiVSPrintMeasured (OUT CHAR8 *StartOfBuffer, IN UINTN BufferSize, IN CONST CHAR8 *FormatString,
  IN va_list Marker, OUT UINTN *FullLength);

// The name "%r" prints for Status: "EFI_SUCCESS", "EFI_LOAD_ERROR" ... "EFI_END_OF_MEDIA",
// "EFI_UNDEFINED_29", "EFI_UNDEFINED_30", "EFI_WARN_UNKNOWN_GLYPH" ... "EFI_WARN_STALE_DATA";
// null for any other value (which prints as "Status Code(<hex>)").
CONST CHAR8 *StatusCodeName (IN EFI_STATUS Status);

#endif

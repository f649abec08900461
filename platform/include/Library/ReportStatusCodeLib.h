/** @file
  Status-code reports through the status-code protocol: progress and error codes,
  and debug texts sent as ASCII string data.
**/
#ifndef LIBRARY_REPORT_STATUS_CODE_LIB_H_
#define LIBRARY_REPORT_STATUS_CODE_LIB_H_

#include <Uefi.h>
#include <Protocol/StatusCode.h>

// The longest debug text sent, in characters. A longer text is cut so that it ends in
// DEBUG_TEXT_OVERFLOW_MARK and is still DEBUG_TEXT_MAX characters long.
#define DEBUG_TEXT_MAX             2008
#define DEBUG_TEXT_OVERFLOW_MARK   "... DEBUG BUFFER OVERFLOW!!!"

// EFI_NOT_FOUND when no status-code protocol is installed.
EFI_STATUS ReportStatusCode (IN EFI_STATUS_CODE_TYPE Type, IN EFI_STATUS_CODE_VALUE Value);

// Sends Text (as is, or cut as above) as a debug code with string data.
EFI_STATUS ReportDebugText (IN CONST CHAR8 *Text);

// Formats as AsciiSPrint does, then sends the text as ReportDebugText does.
EFI_STATUS DebugPrint (IN CONST CHAR8 *Format, ...);

#endif

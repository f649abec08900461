/** @file
  HII configuration strings: building and checking the UTF-16 texts that carry a
  variable owned by another driver ("GUID=..&NAME=..&PATH=..", then
  "&OFFSET=..&WIDTH=.." and "&VALUE=.."), reading and writing such variables
  through Configuration Routing or the owning driver, and the engine's own
  configuration-access instance that answers requests for the engine's variables.

  Hex case: everything the engine writes is lower case; everything it reads
  accepts both cases. Offsets and widths are hex without leading zeros, GUID and
  PATH bytes in memory order, VALUE bytes last byte first.
**/
#ifndef ENGINE_CONFIG_STRING_H_
#define ENGINE_CONFIG_STRING_H_

#include <Uefi.h>
#include <engine/core/SetupDataFormat.h>
#include <Protocol/DevicePath.h>
#include <Protocol/HiiConfigAccess.h>

//
// Longest variable name the engine's own instance decodes from a request, in
// characters (the terminator comes on top).
//
#define CONFIG_NAME_MAX_LENGTH  80

//
// A growing pool string. Appends after a failed allocation do nothing and leave
// Failed set, so a builder appends everything and checks once at the end.
//
typedef struct {
  CHAR16     *Text;          // terminated; null until the first append
  UINTN      Length;         // characters, terminator excluded
  UINTN      Capacity;       // characters, terminator included
  BOOLEAN    Failed;
} CONFIG_TEXT;

VOID        ConfigTextAppend (IN OUT CONFIG_TEXT *Text, IN CONST CHAR16 *String);
/** Bytes as two lower-case hex digits each, in memory order (GUID=, PATH=). */
VOID        ConfigTextAppendBytes (IN OUT CONFIG_TEXT *Text, IN CONST VOID *Bytes, IN UINTN Size);
/** Bytes as two lower-case hex digits each, last byte first (VALUE=). */
VOID        ConfigTextAppendValue (IN OUT CONFIG_TEXT *Text, IN CONST VOID *Bytes, IN UINTN Size);
/** A number in lower-case hex without leading zeros (OFFSET=, WIDTH=). */
VOID        ConfigTextAppendNumber (IN OUT CONFIG_TEXT *Text, IN UINT64 Value);
/** Four lower-case hex digits per character of a terminated name, at most MaxLength characters. */
VOID        ConfigTextAppendName (IN OUT CONFIG_TEXT *Text, IN CONST CHAR16 *Name, IN UINTN MaxLength);
/**
  "GUID=<guid>&NAME=<name>&PATH=<path>"; a null name or path leaves its element
  empty. The path must be whole (end node included); FALSE when it is malformed.
**/
BOOLEAN     ConfigTextAppendHeader (IN OUT CONFIG_TEXT *Text, IN CONST EFI_GUID *Guid, IN CONST CHAR16 *Name OPTIONAL,
              IN CONST EFI_DEVICE_PATH_PROTOCOL *DevicePath OPTIONAL);
/** Frees the text and clears the record. */
VOID        ConfigTextFree (IN OUT CONFIG_TEXT *Text);

/**
  Writes "GUID=<guid>&NAME=<name>&PATH=<device path>" into Buffer.

  @param Buffer      Destination; may be null when *Size is 0.
  @param Size        In: the buffer's size in bytes. Out: the bytes the header
                     needs, terminator included.
  @param Name        Null leaves "&NAME=" empty (name/value stores).
  @param DevicePath  Null leaves "&PATH=" empty; otherwise a whole path, end node
                     included.

  @retval EFI_SUCCESS            Written.
  @retval EFI_BUFFER_TOO_SMALL   *Size is the size needed; Buffer untouched.
  @retval EFI_INVALID_PARAMETER  Size or Guid is null, or the device path is malformed.
  @retval EFI_OUT_OF_RESOURCES   The header could not be built.
**/
EFI_STATUS  BuildConfigHdr (OUT CHAR16 *Buffer OPTIONAL, IN OUT UINTN *Size, IN CONST EFI_GUID *Guid,
              IN CONST CHAR16 *Name OPTIONAL, IN CONST EFI_DEVICE_PATH_PROTOCOL *DevicePath OPTIONAL);

/**
  Appends "&OFFSET=<offset>&WIDTH=<width>" to a terminated pool string, reallocating
  it. *Size is the string's size in bytes (terminator included) before and after.
  On EFI_OUT_OF_RESOURCES the old string is freed and *Request is null.
**/
EFI_STATUS  AppendOffsetWidth (IN OUT CHAR16 **Request, IN OUT UINTN *Size, IN UINTN Offset, IN UINTN Width);

/**
  EFI_SUCCESS when String starts with "GUID=" and 32 hex digits and every "&" is
  followed by a keyword of a configuration: NAME=, PATH= and OFFSET=; unless
  HeaderOnly also WIDTH=, VALUE=, and the GUID= and ALTCFG= of a following
  configuration. With HeaderOnly the check ends after the PATH element, so the
  name/value pairs of a name/value store may follow. EFI_NOT_FOUND otherwise.
**/
EFI_STATUS  ValidateConfigString (IN CONST CHAR16 *String, IN BOOLEAN HeaderOnly);

/**
  Converts the hex digits of Text (up to the next "&" or the end) into a value of
  Size bytes: a number, last byte first, zero-extended when the text is shorter.
  When AsCharacters is set (a name/value string longer than 8 bytes), the text
  holds 4 hex digits per UTF-16 character, first character first.

  @param Buffer  In: a pool buffer of Size bytes, or null. Out: the value; a
                 missing or short buffer is replaced by a new one.

  @retval EFI_SUCCESS            Converted.
  @retval EFI_INVALID_PARAMETER  No digits, a character that is not a hex digit, or
                                 more digits than Size bytes hold.
  @retval EFI_OUT_OF_RESOURCES   The buffer could not be allocated.
**/
EFI_STATUS  ConfigValueToBuffer (IN OUT UINT8 **Buffer, IN CONST CHAR16 *Text, IN UINTN Size, IN BOOLEAN AsCharacters);

/**
  Decodes the header of a request or configuration sent to the engine's own
  instance: "GUID=" with 32 hex digits, "&" at character 37, "NAME=" with at most
  CONFIG_NAME_MAX_LENGTH groups of 4 hex digits, then "&" or the end.

  @param Name      CONFIG_NAME_MAX_LENGTH + 1 characters.
  @param NameEnd   Out: the character after the name's digits.

  @retval EFI_SUCCESS            Decoded.
  @retval EFI_INVALID_PARAMETER  The GUID part is malformed (*NameEnd is 0), or the
                                 name is (*NameEnd is 37, the "&" before it).
**/
EFI_STATUS  DecodeConfigHeader (IN CONST CHAR16 *String, OUT EFI_GUID *Guid, OUT CHAR16 *Name, OUT UINTN *NameEnd);

/**
  The character just past the "&PATH=<digits>" element that follows NameEnd, or 0
  when the next element is not a PATH made of an even number of hex digits.
**/
UINTN       FindConfigPathEnd (IN CONST CHAR16 *String, IN UINTN NameEnd);

//
// Reading and writing variables that other drivers own.
//

/**
  The device path of the driver that published the record's package list.
  @retval EFI_NOT_READY  The HII database has not been located.
  @return                The failing status of GetPackageListHandle or HandleProtocol.
**/
EFI_STATUS  GetVariableDevicePath (IN CONST VARIABLE_RECORD *Record, OUT EFI_DEVICE_PATH_PROTOCOL **DevicePath);

/**
  Reads Width bytes at Offset of a variable another driver owns: a block request
  through Configuration Routing, or, for a name/value store, the record's name
  through the owning driver. The callback context and gInBrowserCallback are set
  around the call and always restored.

  @param Buffer  Out: a new pool buffer of Width bytes, or null on failure.

  @retval EFI_NOT_FOUND  The results do not validate or hold no value.
  @return                The status of the routing or the driver.
**/
EFI_STATUS  ExtractVariableConfig (IN VARIABLE_RECORD *Record, OUT VOID **Buffer, IN UINTN Offset, IN UINTN Width);

/**
  Writes Width bytes at Offset of a variable another driver owns, the way
  ExtractVariableConfig reads them. A write to "UndiNVData" of its vendor GUID is
  skipped with success: that store must not be written from setup.
**/
EFI_STATUS  RouteVariableConfig (IN VARIABLE_RECORD *Record, IN CONST VOID *Data, IN UINTN Offset, IN UINTN Width);

/**
  Sets string StringId of a package list to String in every language of
  gLanguageList. Every language is tried; the first failure is returned.
**/
EFI_STATUS  SetStringAllLanguages (IN EFI_HII_HANDLE HiiHandle, IN EFI_STRING_ID StringId, IN CONST CHAR16 *String);

//
// The engine's own configuration-access instance. Its variables are plain UEFI
// variables named by GUID and NAME; the PATH is not looked at. Where it is
// published is up to the caller.
//
extern EFI_HII_CONFIG_ACCESS_PROTOCOL  gEngineConfigAccess;

EFI_STATUS EFIAPI ExtractConfig (IN CONST EFI_HII_CONFIG_ACCESS_PROTOCOL *This, IN CONST EFI_STRING Request,
                     OUT EFI_STRING *Progress, OUT EFI_STRING *Results);
EFI_STATUS EFIAPI RouteConfig (IN CONST EFI_HII_CONFIG_ACCESS_PROTOCOL *This, IN CONST EFI_STRING Configuration,
                     OUT EFI_STRING *Progress);

#endif

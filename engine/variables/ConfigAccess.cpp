/** @file
  Variables that other drivers own, read and written through HII configuration
  strings, and the engine's own configuration-access instance.

  Block stores go through Configuration Routing, which finds the owning driver by
  GUID, NAME and PATH. Name/value stores go straight to the owning driver, since
  their element names are the driver's own business.
**/
#include <engine/variables/ConfigString.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/SetupData.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/UefiLib.h>

// The network driver's store of this GUID and name must never be written from setup.
#define UNDI_STORE_GUID \
  { 0xA31ABB16, 0xC627, 0x475B, { 0x98, 0x8E, 0x7E, 0xE0, 0x77, 0x67, 0x40, 0xF3 } }
#define UNDI_STORE_NAME  u"UndiNVData"

// Longest value of a name/value element still read and written as a number.
#define NAME_VALUE_NUMBER_SIZE  8

static CONST EFI_GUID  mUndiStoreGuid = UNDI_STORE_GUID;

static BOOLEAN
IsNameValueStore (
  IN CONST VARIABLE_RECORD  *Record
  )
{
  return (Record->StoreFlags & VARIABLE_STORE_NAME_VALUE) != 0;
}

static EFI_STATUS
GetOwnerHandle (
  IN  CONST VARIABLE_RECORD  *Record,
  OUT EFI_HANDLE             *DriverHandle
  )
{
  if ((gHiiDatabase == NULL) || (gBS == NULL)) {
    return EFI_NOT_READY;
  }

  return gHiiDatabase->GetPackageListHandle (gHiiDatabase, Record->HiiHandle, DriverHandle);
}

EFI_STATUS
GetVariableDevicePath (
  IN  CONST VARIABLE_RECORD     *Record,
  OUT EFI_DEVICE_PATH_PROTOCOL  **DevicePath
  )
{
  EFI_HANDLE  DriverHandle = NULL;
  EFI_STATUS  Status;

  *DevicePath = NULL;
  Status      = GetOwnerHandle (Record, &DriverHandle);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  return gBS->HandleProtocol (DriverHandle, &gEfiDevicePathProtocolGuid, (VOID **)DevicePath);
}

static EFI_STATUS
GetOwnerConfigAccess (
  IN  CONST VARIABLE_RECORD           *Record,
  OUT EFI_HII_CONFIG_ACCESS_PROTOCOL  **Access
  )
{
  EFI_HANDLE  DriverHandle = NULL;
  EFI_STATUS  Status       = GetOwnerHandle (Record, &DriverHandle);

  if (EFI_ERROR (Status)) {
    return Status;
  }

  return gBS->HandleProtocol (DriverHandle, &gEfiHiiConfigAccessProtocolGuid, (VOID **)Access);
}

//
// The header of a record and its range: "&<name>" for a name/value store, else
// "&OFFSET=..&WIDTH=..".
//
static EFI_STATUS
BuildVariableRequest (
  IN  CONST VARIABLE_RECORD  *Record,
  IN  UINTN                  Offset,
  IN  UINTN                  Width,
  OUT CONFIG_TEXT            *Text
  )
{
  EFI_DEVICE_PATH_PROTOCOL  *DevicePath;
  RECORD_NAME               Name;
  EFI_STATUS                Status = GetVariableDevicePath (Record, &DevicePath);

  if (EFI_ERROR (Status)) {
    return Status;
  }

  GetRecordName (Record, &Name);
  if (!ConfigTextAppendHeader (Text, &Record->VendorGuid, IsNameValueStore (Record) ? NULL : Name.Text, DevicePath)) {
    return EFI_INVALID_PARAMETER;
  }

  ConfigTextAppend (Text, u"&");
  if (IsNameValueStore (Record)) {
    ConfigTextAppend (Text, Name.Text);
  } else {
    ConfigTextAppend (Text, u"OFFSET=");
    ConfigTextAppendNumber (Text, Offset);
    ConfigTextAppend (Text, u"&WIDTH=");
    ConfigTextAppendNumber (Text, Width);
  }

  return EFI_SUCCESS;
}

static UINT32
FindRecordIndex (
  IN CONST VARIABLE_RECORD  *Record
  )
{
  UINT32           Count = GetVariableCount ();
  VARIABLE_RECORD  *First = GetVariableRecord (0);
  UINTN            Guess;

  // Records usually lie back to back in index order, which gives the index at once.
  if ((First != NULL) && ((UINTN)Record >= (UINTN)First)) {
    Guess = ((UINTN)Record - (UINTN)First) / sizeof (VARIABLE_RECORD);
    if ((Guess < Count) && (GetVariableRecord (Guess) == Record)) {
      return (UINT32)Guess;
    }
  }

  for (UINT32 Index = 0; Index < Count; Index++) {
    if (GetVariableRecord (Index) == Record) {
      return Index;
    }
  }

  return 0;
}

//
// Around every call into a driver: the record's handle becomes the callback
// context and gInBrowserCallback is set, so the driver may call BrowserCallback;
// afterwards both are put back as they were.
//
typedef struct {
  UINT8    SavedInCallback;
  BOOLEAN  Pushed;
} DRIVER_CALL;

static VOID
EnterDriverCall (
  IN  CONST VARIABLE_RECORD  *Record,
  OUT DRIVER_CALL            *Call
  )
{
  Call->SavedInCallback = gInBrowserCallback;
  // A null handle would pop the context instead of pushing one.
  Call->Pushed = (Record->HiiHandle != NULL);
  if (Call->Pushed) {
    SetCallbackContext (Record->HiiHandle, FindRecordIndex (Record));
  }

  gInBrowserCallback = 1;
}

static VOID
LeaveDriverCall (
  IN CONST DRIVER_CALL  *Call
  )
{
  gInBrowserCallback = Call->SavedInCallback;
  if (Call->Pushed) {
    SetCallbackContext (NULL, 0);
  }
}

//
// Who answers for a record: the owning driver for a name/value store (Access set),
// Configuration Routing for any other (Access null).
//
static EFI_STATUS
FindConfigTarget (
  IN  CONST VARIABLE_RECORD           *Record,
  OUT EFI_HII_CONFIG_ACCESS_PROTOCOL  **Access
  )
{
  *Access = NULL;
  if (IsNameValueStore (Record)) {
    return GetOwnerConfigAccess (Record, Access);
  }

  return (gHiiConfigRouting == NULL) ? EFI_NOT_READY : EFI_SUCCESS;
}

//
// Hands a request (Results set: ExtractConfig) or a configuration (Results null:
// RouteConfig) to whoever answers for the record, inside the driver-call context.
//
static EFI_STATUS
CallConfigTarget (
  IN  VARIABLE_RECORD  *Record,
  IN  CHAR16           *Text,
  OUT CHAR16           **Results OPTIONAL
  )
{
  EFI_HII_CONFIG_ACCESS_PROTOCOL  *Access;
  CHAR16                          *Progress = NULL;
  DRIVER_CALL                     Call;
  EFI_STATUS                      Status = FindConfigTarget (Record, &Access);

  if (EFI_ERROR (Status)) {
    return Status;
  }

  EnterDriverCall (Record, &Call);
  if (Results != NULL) {
    Status = (Access != NULL) ? Access->ExtractConfig (Access, Text, &Progress, Results)
                              : gHiiConfigRouting->ExtractConfig (gHiiConfigRouting, Text, &Progress, Results);
  } else {
    Status = (Access != NULL) ? Access->RouteConfig (Access, Text, &Progress)
                              : gHiiConfigRouting->RouteConfig (gHiiConfigRouting, Text, &Progress);
  }

  LeaveDriverCall (&Call);
  return Status;
}

// The value of the results: after "&VALUE=", or after "&<name>=" for a name/value store.
static EFI_STATUS
ReadResultValue (
  IN  CONST VARIABLE_RECORD  *Record,
  IN  CONST CHAR16           *Results,
  IN  UINTN                  Width,
  OUT VOID                   **Buffer
  )
{
  CONFIG_TEXT   Key = {};
  RECORD_NAME   Name;
  CONST CHAR16  *Value = NULL;
  BOOLEAN       NameValue = IsNameValueStore (Record);

  if (EFI_ERROR (ValidateConfigString (Results, NameValue))) {
    return EFI_NOT_FOUND;
  }

  GetRecordName (Record, &Name);
  ConfigTextAppend (&Key, u"&");
  ConfigTextAppend (&Key, NameValue ? Name.Text : u"VALUE");
  ConfigTextAppend (&Key, u"=");
  if (Key.Failed) {
    ConfigTextFree (&Key);
    return EFI_OUT_OF_RESOURCES;
  }

  Value = StrStr (Results, Key.Text);
  if ((Value != NULL) &&
      EFI_ERROR (ConfigValueToBuffer ((UINT8 **)Buffer, Value + Key.Length, Width,
                   NameValue && (Width > NAME_VALUE_NUMBER_SIZE))))
  {
    Value = NULL;
  }

  ConfigTextFree (&Key);
  return (Value == NULL) ? EFI_NOT_FOUND : EFI_SUCCESS;
}

EFI_STATUS
ExtractVariableConfig (
  IN  VARIABLE_RECORD  *Record,
  OUT VOID             **Buffer,
  IN  UINTN            Offset,
  IN  UINTN            Width
  )
{
  CONFIG_TEXT  Request  = {};
  CHAR16       *Results = NULL;
  EFI_STATUS   Status;

  if (Buffer != NULL) {
    *Buffer = NULL;
  }

  if ((Record == NULL) || (Buffer == NULL) || (Width == 0)) {
    return EFI_INVALID_PARAMETER;
  }

  Status = BuildVariableRequest (Record, Offset, Width, &Request);
  if (!EFI_ERROR (Status) && Request.Failed) {
    Status = EFI_OUT_OF_RESOURCES;
  }

  if (!EFI_ERROR (Status)) {
    Status = CallConfigTarget (Record, Request.Text, &Results);
  }

  if (!EFI_ERROR (Status)) {
    Status = (Results == NULL) ? EFI_NOT_FOUND : ReadResultValue (Record, Results, Width, Buffer);
  }

  if (EFI_ERROR (Status)) {
    FreePoolAndNull (Buffer);
  }

  ConfigTextFree (&Request);
  FreePool (Results);
  return Status;
}

static BOOLEAN
IsUndiStore (
  IN CONST VARIABLE_RECORD  *Record
  )
{
  RECORD_NAME  Name;

  GetRecordName (Record, &Name);
  return CompareGuid (&Record->VendorGuid, &mUndiStoreGuid) && (StrCmp (Name.Text, UNDI_STORE_NAME) == 0);
}

// A name/value string longer than a number travels as 4 hex digits per character.
static VOID
AppendCharacters (
  IN OUT CONFIG_TEXT  *Text,
  IN     CONST UINT8  *Data,
  IN     UINTN        Size
  )
{
  for (UINTN Index = 0; Index + 1 < Size; Index += 2) {
    ConfigTextAppendValue (Text, Data + Index, sizeof (CHAR16));
  }
}

EFI_STATUS
RouteVariableConfig (
  IN VARIABLE_RECORD  *Record,
  IN CONST VOID       *Data,
  IN UINTN            Offset,
  IN UINTN            Width
  )
{
  CONFIG_TEXT  Configuration = {};
  EFI_STATUS   Status;

  if ((Record == NULL) || (Data == NULL) || (Width == 0)) {
    return EFI_INVALID_PARAMETER;
  }

  if (IsUndiStore (Record)) {
    return EFI_SUCCESS;
  }

  Status = BuildVariableRequest (Record, Offset, Width, &Configuration);
  if (!EFI_ERROR (Status)) {
    ConfigTextAppend (&Configuration, IsNameValueStore (Record) ? u"=" : u"&VALUE=");
    if (IsNameValueStore (Record) && (Width > NAME_VALUE_NUMBER_SIZE)) {
      AppendCharacters (&Configuration, (CONST UINT8 *)Data, Width);
    } else {
      ConfigTextAppendValue (&Configuration, Data, Width);
    }

    Status = Configuration.Failed ? EFI_OUT_OF_RESOURCES : CallConfigTarget (Record, Configuration.Text, NULL);
  }

  ConfigTextFree (&Configuration);
  return Status;
}

EFI_STATUS
SetStringAllLanguages (
  IN EFI_HII_HANDLE  HiiHandle,
  IN EFI_STRING_ID   StringId,
  IN CONST CHAR16    *String
  )
{
  EFI_STATUS  Result = EFI_SUCCESS;
  EFI_STATUS  Status;

  if ((String == NULL) || (HiiHandle == NULL)) {
    return EFI_INVALID_PARAMETER;
  }

  if (gHiiString == NULL) {
    return EFI_NOT_READY;
  }

  for (UINTN Index = 0; Index < gLanguageCount; Index++) {
    if ((gLanguageList == NULL) || (gLanguageList[Index].Code == NULL)) {
      continue;
    }

    Status = gHiiString->SetString (gHiiString, HiiHandle, StringId, gLanguageList[Index].Code, (EFI_STRING)String, NULL);
    if (EFI_ERROR (Status) && !EFI_ERROR (Result)) {
      Result = Status;
    }
  }

  return Result;
}

/** @file
  The engine's own configuration-access instance: requests and configurations for
  the engine's variables, which are plain UEFI variables named by the GUID and NAME
  of the header. Configuration Routing converts between the variable's bytes and
  the text.

  Progress follows the UEFI rules: the terminator on success, the most recent "&"
  before a fault, or the start of the string when the fault lies in the header.
**/
#include <engine/variables/ConfigString.h>
#include <engine/core/EngineGlobals.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/UefiLib.h>

// Attributes of a variable a configuration creates: non-volatile, boot-service access.
#define CREATED_VARIABLE_ATTRIBUTES  (EFI_VARIABLE_NON_VOLATILE | EFI_VARIABLE_BOOTSERVICE_ACCESS)

// The engine's forms have no driver callbacks of their own.
static EFI_STATUS EFIAPI
EngineConfigCallback (
  IN  CONST EFI_HII_CONFIG_ACCESS_PROTOCOL  *This,
  IN  EFI_BROWSER_ACTION                    Action,
  IN  EFI_QUESTION_ID                       QuestionId,
  IN  UINT8                                 Type,
  IN  OUT EFI_IFR_TYPE_VALUE                *Value,
  OUT EFI_BROWSER_ACTION_REQUEST            *ActionRequest
  )
{
  (VOID)This;
  (VOID)Action;
  (VOID)QuestionId;
  (VOID)Type;
  (VOID)Value;
  (VOID)ActionRequest;
  return EFI_UNSUPPORTED;
}

EFI_HII_CONFIG_ACCESS_PROTOCOL  gEngineConfigAccess = { ExtractConfig, RouteConfig, EngineConfigCallback };

//
// A request that ends after its header asks for the whole variable: it is
// answered as if it had named offset 0 and the variable's size.
//
static EFI_STATUS
ExtractWholeVariable (
  IN  CONST CHAR16  *Request,
  IN  UINTN         PathEnd,
  IN  CONST UINT8   *Data,
  IN  UINTN         Size,
  OUT EFI_STRING    *Progress,
  OUT EFI_STRING    *Results
  )
{
  UINTN       RequestSize = (PathEnd + 1) * sizeof (CHAR16);
  CHAR16      *Whole      = (CHAR16 *)AllocateCopyPool (RequestSize, Request);
  CHAR16      *Inner      = NULL;
  EFI_STATUS  Status;

  if (Whole == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  Status = AppendOffsetWidth (&Whole, &RequestSize, 0, Size);
  if (!EFI_ERROR (Status)) {
    Status = gHiiConfigRouting->BlockToConfig (gHiiConfigRouting, Whole, Data, Size, Results, &Inner);
  }

  // Progress of the longer copy means nothing to the caller: the end of what was
  // asked on success, the start otherwise.
  *Progress = (EFI_STRING)Request + (EFI_ERROR (Status) ? 0 : PathEnd);
  FreePool (Whole);
  return Status;
}

EFI_STATUS EFIAPI
ExtractConfig (
  IN  CONST EFI_HII_CONFIG_ACCESS_PROTOCOL  *This,
  IN  CONST EFI_STRING                      Request,
  OUT EFI_STRING                            *Progress,
  OUT EFI_STRING                            *Results
  )
{
  EFI_GUID    Guid;
  CHAR16      Name[CONFIG_NAME_MAX_LENGTH + 1];
  UINTN       NameEnd;
  UINTN       PathEnd;
  UINT8       *Data = NULL;
  UINTN       Size  = 0;
  EFI_STATUS  Status;

  (VOID)This;
  if ((Progress == NULL) || (Results == NULL)) {
    return EFI_INVALID_PARAMETER;
  }

  *Results  = NULL;
  *Progress = Request;
  if (Request == NULL) {
    return EFI_INVALID_PARAMETER;
  }

  if (gHiiConfigRouting == NULL) {
    return EFI_NOT_READY;
  }

  if (EFI_ERROR (DecodeConfigHeader (Request, &Guid, Name, &NameEnd))) {
    *Progress = Request + NameEnd;
    return EFI_INVALID_PARAMETER;
  }

  Status = GetVariableBuffer (Name, &Guid, (VOID **)&Data, &Size, NULL);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  PathEnd = FindConfigPathEnd (Request, NameEnd);
  if (PathEnd == 0) {
    *Progress = Request + NameEnd;
    Status    = EFI_INVALID_PARAMETER;
  } else if (Request[PathEnd] == 0) {
    Status = ExtractWholeVariable (Request, PathEnd, Data, Size, Progress, Results);
  } else if (StrnCmp (Request + PathEnd, u"&OFFSET=", 8) == 0) {
    Status = gHiiConfigRouting->BlockToConfig (gHiiConfigRouting, Request, Data, Size, Results, Progress);
  } else {
    *Progress = Request + PathEnd;
    Status    = EFI_INVALID_PARAMETER;
  }

  FreePool (Data);
  return Status;
}

//
// ConfigToBlock into the variable's bytes, growing them once to the size the
// configuration needs. The grown block keeps the old bytes, so the ranges the
// configuration does not name keep their values. A configuration may name any offset
// and width, so the growth stops at the largest variable a firmware's variable store
// takes: beyond it the pool would be asked for whatever the string says.
//
#define ENGINE_CONFIG_VARIABLE_MAX_SIZE  0x10000

static EFI_STATUS
ConfigurationToBlock (
  IN     CONST CHAR16  *Configuration,
  IN OUT UINT8         **Data,
  IN OUT UINTN         *Size,
  OUT    EFI_STRING    *Progress
  )
{
  UINTN       BlockSize = *Size;
  UINT8       *Grown;
  EFI_STATUS  Status;

  Status = gHiiConfigRouting->ConfigToBlock (gHiiConfigRouting, (EFI_STRING)Configuration, *Data, &BlockSize, Progress);
  if (!((Status == EFI_DEVICE_ERROR) || ((Status == EFI_INVALID_PARAMETER) && (*Data == NULL))) ||
      (BlockSize <= *Size))
  {
    return Status;
  }

  if (BlockSize > ENGINE_CONFIG_VARIABLE_MAX_SIZE) {
    return EFI_OUT_OF_RESOURCES;
  }

  Grown = (UINT8 *)ReallocatePool (*Size, BlockSize, *Data);
  if (Grown == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  *Data  = Grown;
  *Size  = BlockSize;
  return gHiiConfigRouting->ConfigToBlock (gHiiConfigRouting, (EFI_STRING)Configuration, *Data, &BlockSize, Progress);
}

EFI_STATUS EFIAPI
RouteConfig (
  IN  CONST EFI_HII_CONFIG_ACCESS_PROTOCOL  *This,
  IN  CONST EFI_STRING                      Configuration,
  OUT EFI_STRING                            *Progress
  )
{
  EFI_GUID    Guid;
  CHAR16      Name[CONFIG_NAME_MAX_LENGTH + 1];
  UINTN       NameEnd;
  UINT8       *Data      = NULL;
  UINTN       Size       = 0;
  UINT32      Attributes = 0;
  EFI_STATUS  Status;

  (VOID)This;
  if (Progress == NULL) {
    return EFI_INVALID_PARAMETER;
  }

  *Progress = Configuration;
  if (Configuration == NULL) {
    return EFI_INVALID_PARAMETER;
  }

  if (EFI_ERROR (DecodeConfigHeader (Configuration, &Guid, Name, &NameEnd))) {
    return EFI_NOT_FOUND;
  }

  if ((gHiiConfigRouting == NULL) || (gRT == NULL)) {
    return EFI_NOT_READY;
  }

  Status = GetVariableBuffer (Name, &Guid, (VOID **)&Data, &Size, &Attributes);
  if (Status == EFI_NOT_FOUND) {
    Attributes = CREATED_VARIABLE_ATTRIBUTES;
  } else if (EFI_ERROR (Status)) {
    return Status;
  }

  Status = ConfigurationToBlock (Configuration, &Data, &Size, Progress);
  // Neither a refused configuration nor a failed write is reported as success.
  if (!EFI_ERROR (Status)) {
    Status = gRT->SetVariable (Name, &Guid, Attributes, Size, Data);
  }

  FreePool (Data);
  return Status;
}

/** @file
  The drivers that report the health of their controllers, the controller list of
  the chosen driver and its count variable, and the texts of both lists.
**/
#include <engine/boot/DriverHealth.h>
#include <engine/core/EngineGlobals.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/DevicePathLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/PrintLib.h>
#include <Protocol/ComponentName2.h>
#include <Protocol/DevicePathToText.h>

#define HEALTH_TEXT_CHARS      160
#define LANGUAGE_CODE_CHARS    16

static CONST EFI_GUID  mCountGuid = DRIVER_HEALTH_COUNT_VARIABLE_GUID;
static CONST CHAR16    *mStatusTexts[] = {
  u"Healthy", u"Repair Required", u"Configuration Required", u"Failed", u"Reconnect Required", u"Reboot Required"
};

DRIVER_HEALTH_RECORD        *gDriverHealthList   = NULL;
EFI_HANDLE                  gDriverHealthHandle  = NULL;
EFI_DRIVER_HEALTH_PROTOCOL  *gDriverHealth       = NULL;

CONST CHAR16 *
DriverHealthStatusText (
  IN UINT32  Status
  )
{
  return (Status < ARRAY_SIZE (mStatusTexts)) ? mStatusTexts[Status] : NULL;
}

// The Index-th handle that really carries the interface, and the interface.
static BOOLEAN
FindHealthDriver (
  IN  UINT16                      Index,
  OUT EFI_HANDLE                  *Handle,
  OUT EFI_DRIVER_HEALTH_PROTOCOL  **Health
  )
{
  EFI_HANDLE  *Handles = NULL;
  UINTN       Count    = 0;
  UINTN       Seen     = 0;
  BOOLEAN     Found    = FALSE;

  if (EFI_ERROR (gBS->LocateHandleBuffer (ByProtocol, &gEfiDriverHealthProtocolGuid, NULL, &Count, &Handles))) {
    return FALSE;
  }

  for (UINTN At = 0; !Found && (At < Count); At++) {
    *Health = NULL;
    if (!EFI_ERROR (gBS->HandleProtocol (Handles[At], &gEfiDriverHealthProtocolGuid, (VOID **)Health)) &&
        (*Health != NULL) && (Seen++ == Index))
    {
      *Handle = Handles[At];
      Found   = TRUE;
    }
  }

  FreePool (Handles);
  return Found;
}

// The first language of a component name's list, up to its first ";".
static VOID
FirstLanguage (
  IN  CONST EFI_COMPONENT_NAME2_PROTOCOL  *Names,
  OUT CHAR8                               *Language
  )
{
  UINTN  Length = 0;

  while ((Names->SupportedLanguages != NULL) && (Length + 1 < LANGUAGE_CODE_CHARS) &&
         (Names->SupportedLanguages[Length] != 0) && (Names->SupportedLanguages[Length] != ';'))
  {
    Language[Length] = Names->SupportedLanguages[Length];
    Length++;
  }

  Language[Length] = 0;
}

static EFI_COMPONENT_NAME2_PROTOCOL *
ComponentNameOf (
  IN  EFI_HANDLE  Handle,
  OUT CHAR8       *Language
  )
{
  EFI_COMPONENT_NAME2_PROTOCOL  *Names = NULL;

  if (EFI_ERROR (gBS->HandleProtocol (Handle, &gEfiComponentName2ProtocolGuid, (VOID **)&Names)) || (Names == NULL)) {
    return NULL;
  }

  FirstLanguage (Names, Language);
  return Names;
}

// The driver's name: its component name, else its device path as text, else its handle.
static VOID
DriverName (
  IN  EFI_HANDLE  Handle,
  OUT CHAR16      *Name,
  IN  UINTN       NameSize
  )
{
  CHAR8                             Language[LANGUAGE_CODE_CHARS];
  EFI_COMPONENT_NAME2_PROTOCOL      *Names = ComponentNameOf (Handle, Language);
  EFI_DEVICE_PATH_TO_TEXT_PROTOCOL  *ToText = NULL;
  EFI_DEVICE_PATH_PROTOCOL          *Path   = DevicePathFromHandle (Handle);
  CHAR16                            *Text   = NULL;

  if ((Names != NULL) && !EFI_ERROR (Names->GetDriverName (Names, Language, &Text)) && (Text != NULL)) {
    (VOID)StrnCpyS (Name, NameSize / sizeof (CHAR16), Text, NameSize / sizeof (CHAR16) - 1);   // cut to fit
    return;
  }

  if ((Path != NULL) && !EFI_ERROR (gBS->LocateProtocol (&gEfiDevicePathToTextProtocolGuid, NULL, (VOID **)&ToText)) &&
      (ToText != NULL) && ((Text = ToText->ConvertDevicePathToText (Path, FALSE, FALSE)) != NULL))
  {
    (VOID)StrnCpyS (Name, NameSize / sizeof (CHAR16), Text, NameSize / sizeof (CHAR16) - 1);   // cut to fit
    FreePool (Text);
    return;
  }

  UnicodeSPrint (Name, NameSize, u"Driver At Handle %Lx", (UINT64)(UINTN)Handle);
}

// "<name>     <status text>", or the name alone for a status without a text.
static CHAR16 *
HealthText (
  IN CONST CHAR16  *Name,
  IN EFI_STATUS    Status,
  IN UINT32        Health
  )
{
  CHAR16        Text[HEALTH_TEXT_CHARS * 2];
  CONST CHAR16  *StatusText = EFI_ERROR (Status) ? NULL : DriverHealthStatusText (Health);

  if (StatusText == NULL) {
    UnicodeSPrint (Text, sizeof (Text), u"%s", Name);
  } else {
    UnicodeSPrint (Text, sizeof (Text), u"%s     %s", Name, StatusText);
  }

  return (CHAR16 *)AllocateCopyPool (StrSize (Text), Text);
}

CHAR16 *
GetDriverHealthDriverText (
  IN UINT16  Index
  )
{
  EFI_HANDLE                  Handle;
  EFI_DRIVER_HEALTH_PROTOCOL  *Health;
  EFI_DRIVER_HEALTH_STATUS    Status = EfiDriverHealthStatusHealthy;
  EFI_STATUS                  Asked;
  CHAR16                      Name[HEALTH_TEXT_CHARS];

  if (!FindHealthDriver (Index, &Handle, &Health)) {
    return NULL;
  }

  Asked = Health->GetHealthStatus (Health, NULL, NULL, &Status, NULL, NULL);
  DriverName (Handle, Name, sizeof (Name));
  return HealthText (Name, Asked, (UINT32)Status);
}

VOID
FreeDriverHealthList (
  VOID
  )
{
  while (gDriverHealthList != NULL) {
    DRIVER_HEALTH_RECORD  *Next = gDriverHealthList->Next;
    FreePool (gDriverHealthList);
    gDriverHealthList = Next;
  }
}

// Appends a record; FALSE when memory runs out.
static BOOLEAN
AppendRecord (
  IN OUT DRIVER_HEALTH_RECORD  **Tail,
  IN     EFI_HANDLE            Controller,
  IN     EFI_HANDLE            Child,
  IN     UINT32                Status
  )
{
  DRIVER_HEALTH_RECORD  *Record = (DRIVER_HEALTH_RECORD *)AllocateZeroPool (sizeof (DRIVER_HEALTH_RECORD));

  if (Record == NULL) {
    return FALSE;
  }

  Record->Controller = Controller;
  Record->Child      = Child;
  Record->Status     = Status;
  *Tail              = Record;
  return TRUE;
}

UINT16
RebuildDriverHealthControllerList (
  IN UINT16  DriverIndex
  )
{
  EFI_HANDLE                *Handles = NULL;
  UINTN                     Count    = 0;
  UINT16                    Records  = 0;
  DRIVER_HEALTH_RECORD      **Tail   = &gDriverHealthList;
  EFI_DRIVER_HEALTH_STATUS  Status;

  FreeDriverHealthList ();
  if (!FindHealthDriver (DriverIndex, &gDriverHealthHandle, &gDriverHealth) ||
      EFI_ERROR (gBS->LocateHandleBuffer (AllHandles, NULL, NULL, &Count, &Handles)))
  {
    return 0;
  }

  for (UINTN Controller = 0; Controller < Count; Controller++) {
    if (EFI_ERROR (gDriverHealth->GetHealthStatus (gDriverHealth, Handles[Controller], NULL, &Status, NULL, NULL)) ||
        !AppendRecord (Tail, Handles[Controller], NULL, (UINT32)Status))
    {
      continue;
    }

    Tail = &(*Tail)->Next;
    Records++;
    for (UINTN Child = 0; Child < Count; Child++) {
      if (!EFI_ERROR (gDriverHealth->GetHealthStatus (gDriverHealth, Handles[Controller], Handles[Child], &Status, NULL, NULL)) &&
          AppendRecord (Tail, Handles[Controller], Handles[Child], (UINT32)Status))
      {
        Tail = &(*Tail)->Next;
        Records++;
      }
    }
  }

  FreePool (Handles);
  return Records;
}

VOID
RefreshDriverHealthCount (
  IN UINT16  DriverIndex
  )
{
  UINT16  Count = RebuildDriverHealthControllerList (DriverIndex);

  // The forms size their controller list from it; a refused write leaves the old size.
  (VOID)gRT->SetVariable ((CHAR16 *)u"DrvHealthCtrlCnt", (EFI_GUID *)&mCountGuid, EFI_VARIABLE_BOOTSERVICE_ACCESS,
              sizeof (Count), &Count);
}

DRIVER_HEALTH_RECORD *
GetDriverHealthRecord (
  IN UINT16  Index
  )
{
  DRIVER_HEALTH_RECORD  *Record = gDriverHealthList;

  for (UINT16 At = 0; (Record != NULL) && (At < Index); At++) {
    Record = Record->Next;
  }

  return Record;
}

CHAR16 *
GetDriverHealthControllerText (
  IN DRIVER_HEALTH_RECORD  *Record
  )
{
  EFI_DRIVER_HEALTH_STATUS      Status = EfiDriverHealthStatusHealthy;
  EFI_STATUS                    Asked;
  CHAR8                         Language[LANGUAGE_CODE_CHARS];
  EFI_COMPONENT_NAME2_PROTOCOL  *Names;
  CHAR16                        *Text = NULL;
  CHAR16                        Name[HEALTH_TEXT_CHARS];

  if ((Record == NULL) || (gDriverHealth == NULL)) {
    return NULL;
  }

  Asked = gDriverHealth->GetHealthStatus (gDriverHealth, Record->Controller, Record->Child, &Status, NULL, NULL);
  if (!EFI_ERROR (Asked)) {
    Record->Status = (UINT32)Status;
  }

  Names = ComponentNameOf (gDriverHealthHandle, Language);
  if ((Names != NULL) && !EFI_ERROR (Names->GetControllerName (Names, Record->Controller, Record->Child, Language, &Text)) &&
      (Text != NULL))
  {
    (VOID)StrnCpyS (Name, ARRAY_SIZE (Name), Text, ARRAY_SIZE (Name) - 1);    // cut to fit
  } else {
    UnicodeSPrint (Name, sizeof (Name), u"Controller %Lx Child %Lx", (UINT64)(UINTN)Record->Controller,
      (UINT64)(UINTN)Record->Child);
  }

  return HealthText (Name, Asked, Record->Status);
}

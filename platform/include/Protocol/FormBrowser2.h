/** @file
  Form browser 2 protocol: shows forms of HII package lists and gives drivers access
  to the browser's copy of their question values.
**/
#ifndef PROTOCOL_FORM_BROWSER2_H_
#define PROTOCOL_FORM_BROWSER2_H_

#include <Protocol/HiiConfigAccess.h>

#define EFI_FORM_BROWSER2_PROTOCOL_GUID \
  { 0xB9D4C360, 0xBCFB, 0x4F9B, { 0x92, 0x98, 0x53, 0xC1, 0x36, 0x98, 0x22, 0x58 } }
extern EFI_GUID gEfiFormBrowser2ProtocolGuid;

typedef struct _EFI_FORM_BROWSER2_PROTOCOL EFI_FORM_BROWSER2_PROTOCOL;

typedef struct {
  UINTN  LeftColumn;
  UINTN  RightColumn;
  UINTN  TopRow;
  UINTN  BottomRow;
} EFI_SCREEN_DESCRIPTOR;

typedef EFI_STATUS (EFIAPI *EFI_SEND_FORM2)(
  IN CONST EFI_FORM_BROWSER2_PROTOCOL  *This,
  IN EFI_HII_HANDLE                    *Handle,
  IN UINTN                             HandleCount,
  IN EFI_GUID                          *FormSetGuid OPTIONAL,
  IN EFI_FORM_ID                       FormId OPTIONAL,
  IN CONST EFI_SCREEN_DESCRIPTOR       *ScreenDimensions OPTIONAL,
  OUT EFI_BROWSER_ACTION_REQUEST       *ActionRequest OPTIONAL
  );

typedef EFI_STATUS (EFIAPI *EFI_BROWSER_CALLBACK2)(
  IN CONST EFI_FORM_BROWSER2_PROTOCOL  *This,
  IN OUT UINTN                         *ResultsDataSize,
  IN OUT EFI_STRING                    ResultsData,
  IN BOOLEAN                           RetrieveData,
  IN CONST EFI_GUID                    *VariableGuid OPTIONAL,
  IN CONST CHAR16                      *VariableName OPTIONAL
  );

struct _EFI_FORM_BROWSER2_PROTOCOL {
  EFI_SEND_FORM2         SendForm;
  EFI_BROWSER_CALLBACK2  BrowserCallback;
};

#endif

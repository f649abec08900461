/** @file
  Reading an HII string in the platform language, with "en-US" as the fallback.
**/
#include <Library/UefiLib.h>
#include <Library/BaseLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/PlatformLib.h>
#include <Guid/GlobalVariable.h>
#include <Protocol/HiiString.h>

static EFI_STRING
GetStringInLanguage (EFI_HII_STRING_PROTOCOL *HiiString, EFI_HII_HANDLE HiiHandle, EFI_STRING_ID StringId,
  CONST CHAR8 *Language)
{
  UINTN       Size   = 0;
  UINTN       Allocated;
  EFI_STRING  String = nullptr;
  EFI_STATUS  Status = HiiString->GetString (HiiString, Language, HiiHandle, StringId, nullptr, &Size, nullptr);

  if ((Status != EFI_BUFFER_TOO_SMALL) || (Size < sizeof (CHAR16))) {
    return nullptr;
  }

  Allocated = Size;
  String    = (EFI_STRING)AllocateZeroPool (Allocated);
  if (String == nullptr) {
    return nullptr;
  }

  Status = HiiString->GetString (HiiString, Language, HiiHandle, StringId, String, &Size, nullptr);
  if (EFI_ERROR (Status)) {
    FreeAndNull (String);
    return nullptr;
  }

  // A string that filled the buffer exactly must still end inside it. The size the
  // protocol reports back is not trusted to index the buffer we allocated.
  String[Allocated / sizeof (CHAR16) - 1] = 0;
  return String;
}

EFI_STRING
LibHiiGetString (IN EFI_HII_HANDLE HiiHandle, IN EFI_STRING_ID StringId, IN CONST CHAR8 *Language OPTIONAL)
{
  EFI_HII_STRING_PROTOCOL  *HiiString   = nullptr;
  CHAR8                    *Platform    = nullptr;
  UINTN                    PlatformSize = 0;
  EFI_STRING               String       = nullptr;

  if ((gLibBS == nullptr) || (HiiHandle == nullptr) ||
      EFI_ERROR (gLibBS->LocateProtocol (&gEfiHiiStringProtocolGuid, nullptr, (VOID **)&HiiString))) {
    return nullptr;
  }

  if (Language == nullptr) {
    // Not found is the normal case on a first boot: "en-US" serves then.
    (VOID)GetVariableBuffer (u"PlatformLang", &gEfiGlobalVariableGuid, (VOID **)&Platform, &PlatformSize, nullptr);
    if ((Platform != nullptr) && (AsciiStrnLenS (Platform, PlatformSize) == PlatformSize)) {
      FreeAndNull (Platform);   // not terminated inside the variable: unusable
    }

    Language = (Platform != nullptr) ? Platform : "en-US";
  }

  String = GetStringInLanguage (HiiString, HiiHandle, StringId, Language);
  if ((String == nullptr) && (AsciiStrCmp (Language, "en-US") != 0)) {
    String = GetStringInLanguage (HiiString, HiiHandle, StringId, "en-US");
  }

  FreePool (Platform);
  return String;
}

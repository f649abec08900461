/** @file
  The one definition of every GUID that the platform headers declare. Kept in one
  file so a GUID's bytes appear once in the image.
**/
#include <Uefi.h>
#include <Guid/GlobalVariable.h>
#include <Guid/HobList.h>
#include <Guid/ConfigurationTables.h>
#include <Protocol/DevicePath.h>
#include <Protocol/DevicePathToText.h>
#include <Protocol/LoadedImage.h>
#include <Protocol/LoadFile.h>
#include <Protocol/FirmwareVolume2.h>
#include <Protocol/SimpleTextIn.h>
#include <Protocol/SimpleTextInEx.h>
#include <Protocol/SimpleTextOut.h>
#include <Protocol/KeyCode.h>
#include <Protocol/ConsoleControl.h>
#include <Protocol/GraphicsOutput.h>
#include <Protocol/EdidActive.h>
#include <Protocol/HiiPackageList.h>
#include <Protocol/SimplePointer.h>
#include <Protocol/PointerDevice.h>
#include <Protocol/AcpiTable.h>
#include <Protocol/StatusCode.h>
#include <Protocol/SmmBase2.h>
#include <Protocol/UnicodeCollation.h>

EFI_GUID gEfiGlobalVariableGuid             = EFI_GLOBAL_VARIABLE_GUID;
EFI_GUID gEfiHobListGuid                    = HOB_LIST_GUID;
EFI_GUID gEfiAcpi20TableGuid                = EFI_ACPI_20_TABLE_GUID;
EFI_GUID gEfiAcpi10TableGuid                = EFI_ACPI_10_TABLE_GUID;
EFI_GUID gEfiSmbiosTableGuid                = EFI_SMBIOS_TABLE_GUID;
EFI_GUID gEfiSmbios3TableGuid               = EFI_SMBIOS3_TABLE_GUID;
EFI_GUID gEfiEventReadyToBootGuid           = EFI_EVENT_GROUP_READY_TO_BOOT;
EFI_GUID gEfiDevicePathProtocolGuid         = EFI_DEVICE_PATH_PROTOCOL_GUID;
EFI_GUID gEfiDevicePathToTextProtocolGuid   = EFI_DEVICE_PATH_TO_TEXT_PROTOCOL_GUID;
EFI_GUID gEfiLoadedImageProtocolGuid        = EFI_LOADED_IMAGE_PROTOCOL_GUID;
EFI_GUID gEfiLoadFileProtocolGuid           = EFI_LOAD_FILE_PROTOCOL_GUID;
EFI_GUID gEfiFirmwareVolume2ProtocolGuid    = EFI_FIRMWARE_VOLUME2_PROTOCOL_GUID;
EFI_GUID gEfiSimpleTextInProtocolGuid       = EFI_SIMPLE_TEXT_INPUT_PROTOCOL_GUID;
EFI_GUID gEfiSimpleTextInputExProtocolGuid  = EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL_GUID;
EFI_GUID gEfiSimpleTextOutProtocolGuid      = EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL_GUID;
EFI_GUID gKeyCodeProtocolGuid               = KEY_CODE_PROTOCOL_GUID;
EFI_GUID gConsoleControlProtocolGuid        = CONSOLE_CONTROL_PROTOCOL_GUID;
EFI_GUID gEfiGraphicsOutputProtocolGuid     = EFI_GRAPHICS_OUTPUT_PROTOCOL_GUID;
EFI_GUID gEfiEdidActiveProtocolGuid         = EFI_EDID_ACTIVE_PROTOCOL_GUID;
EFI_GUID gEfiEdidDiscoveredProtocolGuid     = EFI_EDID_DISCOVERED_PROTOCOL_GUID;
EFI_GUID gEfiHiiPackageListProtocolGuid     = EFI_HII_PACKAGE_LIST_PROTOCOL_GUID;
EFI_GUID gEfiSimplePointerProtocolGuid      = EFI_SIMPLE_POINTER_PROTOCOL_GUID;
EFI_GUID gPointerDeviceProtocolGuid         = POINTER_DEVICE_PROTOCOL_GUID;
EFI_GUID gEfiAcpiTableProtocolGuid          = EFI_ACPI_TABLE_PROTOCOL_GUID;
EFI_GUID gEfiStatusCodeRuntimeProtocolGuid  = EFI_STATUS_CODE_RUNTIME_PROTOCOL_GUID;
EFI_GUID gEfiStatusCodeDataTypeStringGuid   = EFI_STATUS_CODE_DATA_TYPE_STRING_GUID;
EFI_GUID gEfiSmmBase2ProtocolGuid           = EFI_SMM_BASE2_PROTOCOL_GUID;
EFI_GUID gEfiUnicodeCollation2ProtocolGuid  = EFI_UNICODE_COLLATION_PROTOCOL2_GUID;
EFI_GUID gEfiUnicodeCollationProtocolGuid   = EFI_UNICODE_COLLATION_PROTOCOL_GUID;

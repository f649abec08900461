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
#include <Protocol/HiiString.h>
#include <Protocol/HiiDatabase.h>
#include <Protocol/HiiFont.h>
#include <Protocol/HiiImage.h>
#include <Protocol/HiiConfigRouting.h>
#include <Protocol/HiiConfigAccess.h>
#include <Protocol/FormBrowser2.h>
#include <Protocol/SimpleFileSystem.h>
#include <Protocol/BlockIo.h>
#include <Protocol/DiskIo.h>
#include <Protocol/DiskInfo.h>
#include <Protocol/UsbIo.h>
#include <Protocol/PciRootBridgeIo.h>
#include <Protocol/ComponentName2.h>
#include <Protocol/DriverHealth.h>
#include <Protocol/Decompress.h>
#include <Protocol/LegacyBios.h>
#include <Protocol/HddSecurity.h>
#include <Protocol/BootScreenUiProvider.h>
#include <Protocol/PlatformToken.h>
#include <Protocol/ImageResource.h>
#include <Protocol/PlatformCheck.h>
#include <Protocol/OemBadging.h>
#include <Guid/DxeServices.h>

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
EFI_GUID gEfiHiiStringProtocolGuid          = EFI_HII_STRING_PROTOCOL_GUID;
EFI_GUID gEfiHiiDatabaseProtocolGuid        = EFI_HII_DATABASE_PROTOCOL_GUID;
EFI_GUID gEfiHiiFontProtocolGuid            = EFI_HII_FONT_PROTOCOL_GUID;
EFI_GUID gEfiHiiImageProtocolGuid           = EFI_HII_IMAGE_PROTOCOL_GUID;
EFI_GUID gEfiHiiConfigRoutingProtocolGuid   = EFI_HII_CONFIG_ROUTING_PROTOCOL_GUID;
EFI_GUID gEfiHiiConfigAccessProtocolGuid    = EFI_HII_CONFIG_ACCESS_PROTOCOL_GUID;
EFI_GUID gEfiFormBrowser2ProtocolGuid       = EFI_FORM_BROWSER2_PROTOCOL_GUID;
EFI_GUID gEfiSimpleFileSystemProtocolGuid   = EFI_SIMPLE_FILE_SYSTEM_PROTOCOL_GUID;
EFI_GUID gEfiFileInfoGuid                   = EFI_FILE_INFO_ID;
EFI_GUID gEfiFileSystemInfoGuid             = EFI_FILE_SYSTEM_INFO_ID;
EFI_GUID gEfiFileSystemVolumeLabelInfoIdGuid = EFI_FILE_SYSTEM_VOLUME_LABEL_ID;
EFI_GUID gEfiBlockIoProtocolGuid            = EFI_BLOCK_IO_PROTOCOL_GUID;
EFI_GUID gEfiDiskIoProtocolGuid             = EFI_DISK_IO_PROTOCOL_GUID;
EFI_GUID gEfiDiskInfoProtocolGuid           = EFI_DISK_INFO_PROTOCOL_GUID;
EFI_GUID gEfiDiskInfoIdeInterfaceGuid       = EFI_DISK_INFO_IDE_INTERFACE_GUID;
EFI_GUID gEfiDiskInfoAhciInterfaceGuid      = EFI_DISK_INFO_AHCI_INTERFACE_GUID;
EFI_GUID gEfiDiskInfoUsbInterfaceGuid       = EFI_DISK_INFO_USB_INTERFACE_GUID;
EFI_GUID gEfiDiskInfoNvmeInterfaceGuid      = EFI_DISK_INFO_NVME_INTERFACE_GUID;
EFI_GUID gEfiDiskInfoScsiInterfaceGuid      = EFI_DISK_INFO_SCSI_INTERFACE_GUID;
EFI_GUID gEfiUsbIoProtocolGuid              = EFI_USB_IO_PROTOCOL_GUID;
EFI_GUID gEfiPciRootBridgeIoProtocolGuid    = EFI_PCI_ROOT_BRIDGE_IO_PROTOCOL_GUID;
EFI_GUID gEfiComponentName2ProtocolGuid     = EFI_COMPONENT_NAME2_PROTOCOL_GUID;
EFI_GUID gEfiDriverHealthProtocolGuid       = EFI_DRIVER_HEALTH_PROTOCOL_GUID;
EFI_GUID gEfiDecompressProtocolGuid         = EFI_DECOMPRESS_PROTOCOL_GUID;
EFI_GUID gEfiLegacyBiosProtocolGuid         = EFI_LEGACY_BIOS_PROTOCOL_GUID;
EFI_GUID gEfiDxeServicesTableGuid           = DXE_SERVICES_TABLE_GUID;
EFI_GUID gHddSecurityProtocolGuid           = HDD_SECURITY_PROTOCOL_GUID;
EFI_GUID gBootScreenUiProviderGuid          = BOOT_SCREEN_UI_PROVIDER_GUID;
EFI_GUID gPlatformTokenProtocolGuid         = PLATFORM_TOKEN_PROTOCOL_GUID;
EFI_GUID gImageResourceProtocolGuid         = IMAGE_RESOURCE_PROTOCOL_GUID;
EFI_GUID gPlatformCheckProtocolGuid         = PLATFORM_CHECK_PROTOCOL_GUID;
EFI_GUID gPlatformCheckPolicyProtocolGuid   = PLATFORM_CHECK_POLICY_PROTOCOL_GUID;
EFI_GUID gOemBadgingProtocolGuid            = OEM_BADGING_PROTOCOL_GUID;

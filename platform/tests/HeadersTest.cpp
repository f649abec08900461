// Every platform header must compile on its own (include what it uses), and the GUID
// definitions must carry the registry bytes the firmware uses.
#include <Protocol/AcpiTable.h>
#include <Protocol/ConsoleControl.h>
#include <Protocol/DevicePath.h>
#include <Protocol/DevicePathToText.h>
#include <Protocol/EdidActive.h>
#include <Protocol/FirmwareVolume2.h>
#include <Protocol/GraphicsOutput.h>
#include <Protocol/HiiPackageList.h>
#include <Protocol/KeyCode.h>
#include <Protocol/LoadFile.h>
#include <Protocol/LoadedImage.h>
#include <Protocol/PointerDevice.h>
#include <Protocol/SimplePointer.h>
#include <Protocol/SimpleTextIn.h>
#include <Protocol/SimpleTextInEx.h>
#include <Protocol/SimpleTextOut.h>
#include <Protocol/SmmBase2.h>
#include <Protocol/StatusCode.h>
#include <Protocol/UnicodeCollation.h>
#include <Guid/HobList.h>
#include <Guid/DxeServices.h>
#include <Guid/ConfigurationTables.h>
#include <Protocol/BlockIo.h>
#include <Protocol/BootScreenUiProvider.h>
#include <Protocol/ComponentName2.h>
#include <Protocol/Decompress.h>
#include <Protocol/DiskInfo.h>
#include <Protocol/DiskIo.h>
#include <Protocol/DriverHealth.h>
#include <Protocol/FormBrowser2.h>
#include <Protocol/HddSecurity.h>
#include <Protocol/HiiConfigAccess.h>
#include <Protocol/HiiConfigRouting.h>
#include <Protocol/HiiDatabase.h>
#include <Protocol/HiiFont.h>
#include <Protocol/HiiImage.h>
#include <Protocol/HiiString.h>
#include <Protocol/ImageResource.h>
#include <Protocol/LegacyBios.h>
#include <Protocol/PciRootBridgeIo.h>
#include <Protocol/PlatformToken.h>
#include <Protocol/SimpleFileSystem.h>
#include <Protocol/UsbIo.h>
#include <Guid/GlobalVariable.h>

#include <gtest/gtest.h>

#include <cstring>

namespace {

// The last group of a GUID is stored byte by byte: a swapped pair would still compile.
TEST (Guids, KeyCodeProtocolGuidHasRegistryBytes) {
  const UINT8 Expected[16] = { 0x2D, 0xB6, 0xDF, 0x0A, 0x74, 0xFF, 0x4C, 0x48,
                               0x89, 0x44, 0xF8, 0x5C, 0x4B, 0xEA, 0x87, 0xA8 };
  EXPECT_EQ (0, std::memcmp (&gKeyCodeProtocolGuid, Expected, 16));
}

TEST (Guids, DistinctProtocolsHaveDistinctGuids) {
  const EFI_GUID *All[] = {
    &gEfiDevicePathProtocolGuid, &gEfiLoadedImageProtocolGuid, &gEfiFirmwareVolume2ProtocolGuid,
    &gEfiSimpleTextInProtocolGuid, &gEfiSimpleTextInputExProtocolGuid, &gEfiSimpleTextOutProtocolGuid,
    &gKeyCodeProtocolGuid, &gConsoleControlProtocolGuid, &gEfiGraphicsOutputProtocolGuid,
    &gEfiEdidActiveProtocolGuid, &gEfiHiiPackageListProtocolGuid, &gEfiSimplePointerProtocolGuid,
    &gPointerDeviceProtocolGuid, &gEfiAcpiTableProtocolGuid, &gEfiStatusCodeRuntimeProtocolGuid,
    &gEfiSmmBase2ProtocolGuid, &gEfiUnicodeCollation2ProtocolGuid, &gEfiUnicodeCollationProtocolGuid,
    &gEfiHobListGuid, &gEfiGlobalVariableGuid, &gEfiHiiStringProtocolGuid, &gEfiHiiDatabaseProtocolGuid,
    &gEfiHiiFontProtocolGuid, &gEfiHiiImageProtocolGuid, &gEfiHiiConfigRoutingProtocolGuid,
    &gEfiHiiConfigAccessProtocolGuid, &gEfiFormBrowser2ProtocolGuid, &gEfiSimpleFileSystemProtocolGuid,
    &gEfiFileInfoGuid, &gEfiFileSystemInfoGuid, &gEfiBlockIoProtocolGuid, &gEfiDiskIoProtocolGuid,
    &gEfiDiskInfoProtocolGuid, &gEfiUsbIoProtocolGuid, &gEfiPciRootBridgeIoProtocolGuid,
    &gEfiComponentName2ProtocolGuid, &gEfiDriverHealthProtocolGuid, &gEfiDecompressProtocolGuid,
    &gEfiLegacyBiosProtocolGuid, &gEfiDxeServicesTableGuid, &gHddSecurityProtocolGuid,
    &gBootScreenUiProviderGuid, &gPlatformTokenProtocolGuid, &gImageResourceProtocolGuid,
    &gEfiAcpi20TableGuid, &gEfiSmbiosTableGuid, &gEfiEventReadyToBootGuid, &gEfiLoadFileProtocolGuid,
    &gEfiDevicePathToTextProtocolGuid,
  };
  for (size_t I = 0; I < ARRAY_SIZE (All); I++) {
    for (size_t J = I + 1; J < ARRAY_SIZE (All); J++) {
      EXPECT_NE (0, std::memcmp (All[I], All[J], sizeof (EFI_GUID))) << I << " and " << J;
    }
  }
}

}  // namespace

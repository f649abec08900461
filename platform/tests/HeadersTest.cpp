// The GUID definitions must carry the registry bytes the firmware uses. (That each header
// compiles on its own is checked by the build: platform_headers_alone.)
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
#include <Library/PrintLib.h>

#include <gtest/gtest.h>

namespace {

// Each published GUID against its registry text: a wrong digit anywhere (a swapped
// byte of the last group still compiles) would leave the firmware's protocol unfound,
// and nothing else would tell. The texts differ, so the GUIDs do too.
TEST (Guids, PublishedGuidsCarryTheirRegistryValues) {
  const struct { const EFI_GUID *Guid; const char *Text; } Expected[] = {
    { &gEfiGlobalVariableGuid,              "8BE4DF61-93CA-11D2-AA0D-00E098032B8C" },
    { &gEfiHobListGuid,                     "7739F24C-93D7-11D4-9A3A-0090273FC14D" },
    { &gEfiAcpi20TableGuid,                 "8868E871-E4F1-11D3-BC22-0080C73C8881" },
    { &gEfiAcpi10TableGuid,                 "EB9D2D30-2D88-11D3-9A16-0090273FC14D" },
    { &gEfiSmbiosTableGuid,                 "EB9D2D31-2D88-11D3-9A16-0090273FC14D" },
    { &gEfiSmbios3TableGuid,                "F2FD1544-9794-4A2C-992E-E5BBCF20E394" },
    { &gEfiEventReadyToBootGuid,            "7CE88FB3-4BD7-4679-87A8-A8D8DEE50D2B" },
    { &gEfiDxeServicesTableGuid,            "05AD34BA-6F02-4214-952E-4DA0398E2BB9" },
    { &gEfiDevicePathProtocolGuid,          "09576E91-6D3F-11D2-8E39-00A0C969723B" },
    { &gEfiDevicePathToTextProtocolGuid,    "8B843E20-8132-4852-90CC-551A4E4A7F1C" },
    { &gEfiLoadedImageProtocolGuid,         "5B1B31A1-9562-11D2-8E3F-00A0C969723B" },
    { &gEfiLoadFileProtocolGuid,            "56EC3091-954C-11D2-8E3F-00A0C969723B" },
    { &gEfiFirmwareVolume2ProtocolGuid,     "220E73B6-6BDB-4413-8405-B974B108619A" },
    { &gEfiSimpleTextInProtocolGuid,        "387477C1-69C7-11D2-8E39-00A0C969723B" },
    { &gEfiSimpleTextInputExProtocolGuid,   "DD9E7534-7762-4698-8C14-F58517A625AA" },
    { &gEfiSimpleTextOutProtocolGuid,       "387477C2-69C7-11D2-8E39-00A0C969723B" },
    { &gConsoleControlProtocolGuid,         "F42F7782-012E-4C12-9956-49F94304F721" },
    { &gEfiGraphicsOutputProtocolGuid,      "9042A9DE-23DC-4A38-96FB-7ADED080516A" },
    { &gEfiEdidActiveProtocolGuid,          "BD8C1056-9F36-44EC-92A8-A6337F817986" },
    { &gEfiEdidDiscoveredProtocolGuid,      "1C0C34F6-D380-41FA-A049-8AD06C1A66AA" },
    { &gEfiHiiPackageListProtocolGuid,      "6A1EE763-D47A-43B4-AABE-EF1DE2AB56FC" },
    { &gEfiSimplePointerProtocolGuid,       "31878C87-0B75-11D5-9A4F-0090273FC14D" },
    { &gEfiAcpiTableProtocolGuid,           "FFE06BDD-6107-46A6-7BB2-5A9C7EC5275C" },
    { &gEfiStatusCodeRuntimeProtocolGuid,   "D2B2B828-0826-48A7-B3DF-983C006024F0" },
    { &gEfiStatusCodeDataTypeStringGuid,    "92D11080-496F-4D95-BE7E-037488382B0A" },
    { &gEfiSmmBase2ProtocolGuid,            "F4CCBFB7-F6E0-47FD-9DD4-10A8F150C191" },
    { &gEfiUnicodeCollation2ProtocolGuid,   "A4C751FC-23AE-4C3E-92E9-4964CF63F349" },
    { &gEfiUnicodeCollationProtocolGuid,    "1D85CD7F-F43D-11D2-9A0C-0090273FC14D" },
    { &gEfiHiiStringProtocolGuid,           "0FD96974-23AA-4CDC-B9CB-98D17750322A" },
    { &gEfiHiiDatabaseProtocolGuid,         "EF9FC172-A1B2-4693-B327-6D32FC416042" },
    { &gEfiHiiFontProtocolGuid,             "E9CA4775-8657-47FC-97E7-7ED65A084324" },
    { &gEfiHiiImageProtocolGuid,            "31A6406A-6BDF-4E46-B2A2-EBAA89C40920" },
    { &gEfiHiiConfigRoutingProtocolGuid,    "587E72D7-CC50-4F79-8209-CA291FC1A10F" },
    { &gEfiHiiConfigAccessProtocolGuid,     "330D4706-F2A0-4E4F-A369-B66FA8D54385" },
    { &gEfiFormBrowser2ProtocolGuid,        "B9D4C360-BCFB-4F9B-9298-53C136982258" },
    { &gEfiSimpleFileSystemProtocolGuid,    "964E5B22-6459-11D2-8E39-00A0C969723B" },
    { &gEfiFileInfoGuid,                    "09576E92-6D3F-11D2-8E39-00A0C969723B" },
    { &gEfiFileSystemInfoGuid,              "09576E93-6D3F-11D2-8E39-00A0C969723B" },
    { &gEfiFileSystemVolumeLabelInfoIdGuid, "DB47D7D3-FE81-11D3-9A35-0090273FC14D" },
    { &gEfiBlockIoProtocolGuid,             "964E5B21-6459-11D2-8E39-00A0C969723B" },
    { &gEfiDiskIoProtocolGuid,              "CE345171-BA0B-11D2-8E4F-00A0C969723B" },
    { &gEfiDiskInfoProtocolGuid,            "D432A67F-14DC-484B-B3BB-3F0291849327" },
    { &gEfiDiskInfoIdeInterfaceGuid,        "5E948FE3-26D3-42B5-AF17-610287188DEC" },
    { &gEfiDiskInfoAhciInterfaceGuid,       "9E498932-4ABC-45AF-A34D-0247787BE7C6" },
    { &gEfiDiskInfoUsbInterfaceGuid,        "CB871572-C11A-47B5-B492-675EAFA77727" },
    { &gEfiDiskInfoNvmeInterfaceGuid,       "3AB14680-5D3F-4A4D-BCDC-CC380018C7F7" },
    { &gEfiDiskInfoScsiInterfaceGuid,       "08F74BAA-EA36-41D9-9521-21A70F8780BC" },
    { &gEfiUsbIoProtocolGuid,               "2B2F68D6-0CD2-44CF-8E8B-BBA20B1B5B75" },
    { &gEfiPciRootBridgeIoProtocolGuid,     "2F707EBB-4A1A-11D4-9A38-0090273FC14D" },
    { &gEfiComponentName2ProtocolGuid,      "6A7A5CFF-E8D9-4F70-BADA-75AB3025CE14" },
    { &gEfiDriverHealthProtocolGuid,        "2A534210-9280-41D8-AE79-CADA01A2B127" },
    { &gEfiDecompressProtocolGuid,          "D8117CFE-94A6-11D4-9A3A-0090273FC14D" },
    { &gEfiLegacyBiosProtocolGuid,          "DB9A1E3D-45CB-4ABB-853B-E5387FDB2E2D" },
    { &gImageResourceProtocolGuid,          "8FE545E5-DCA9-4D52-BFCD-8F13E717015F" },
    { &gBootScreenUiProviderGuid,           "113FD31A-BE8B-418B-B034-7EAFE5C60C99" },
    { &gPointerDeviceProtocolGuid,          "C7A7030C-C3D8-45EE-BED9-5D9E76762953" },
    { &gHddSecurityProtocolGuid,            "F4F63529-281E-4040-A313-C1D6766384BE" },
    { &gPlatformTokenProtocolGuid,          "9851740C-22E0-440D-9090-EF2D71C251C9" },
    { &gKeyCodeProtocolGuid,                "0ADFB62D-FF74-484C-8944-F85C4BEA87A8" },
  };
  CHAR8  Text[40];

  for (const auto &Entry : Expected) {
    AsciiSPrint (Text, sizeof (Text), "%g", Entry.Guid);
    EXPECT_STREQ (Entry.Text, Text);
  }
}

}  // namespace

// Bytes of load options and u16 lists as NVRAM holds them, and a board whose variable
// list holds the order variables, for the boot tests.
#ifndef ENGINE_TESTING_LOAD_OPTION_BYTES_H_
#define ENGINE_TESTING_LOAD_OPTION_BYTES_H_

#include <Uefi.h>
#include <engine/core/SetupDataFormat.h>
#include <Guid/GlobalVariable.h>

#include <Builders/SetupDataBuilder.h>

#include <string>
#include <vector>

namespace BootTest {

using BYTES = std::vector<UINT8>;

constexpr UINT32  kNvBsRt = EFI_VARIABLE_NON_VOLATILE | EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_RUNTIME_ACCESS;
inline const EFI_GUID  kBootFlowGuid = { 0xEF152FB4, 0x7B2F, 0x427D, { 0xBD, 0xB4, 0x7E, 0x0A, 0x05, 0x82, 0x6E, 0x64 } };

inline BYTES
LoadOption (UINT32 Attributes, const std::u16string &Description, const BYTES &Path, const BYTES &Optional = {})
{
  BYTES  Bytes = { (UINT8)Attributes, (UINT8)(Attributes >> 8), (UINT8)(Attributes >> 16), (UINT8)(Attributes >> 24),
                   (UINT8)Path.size (), (UINT8)(Path.size () >> 8) };
  for (char16_t C : Description) {
    Bytes.push_back ((UINT8)C);
    Bytes.push_back ((UINT8)(C >> 8));
  }
  Bytes.insert (Bytes.end (), { 0, 0 });
  Bytes.insert (Bytes.end (), Path.begin (), Path.end ());
  Bytes.insert (Bytes.end (), Optional.begin (), Optional.end ());
  return Bytes;
}

inline BYTES
U16List (const std::vector<UINT16> &Numbers)
{
  BYTES  Bytes;
  for (UINT16 N : Numbers) {
    Bytes.push_back ((UINT8)N);
    Bytes.push_back ((UINT8)(N >> 8));
  }
  return Bytes;
}

// Setup data of one empty page whose variable list has 24 four-byte variables, with
// "BootOrder", "LegacyDevOrder" and "DriverOrder" at their special indexes 7, 8 and 23.
inline Builders::SETUP_DATA_DESC
BoardWithOrders ()
{
  static const EFI_GUID      LegacyOrderGuid = { 0xA56074DB, 0x65FE, 0x45F7, { 0xBD, 0x21, 0x2D, 0x2B, 0xDD, 0x8E, 0x96, 0x52 } };
  Builders::SETUP_DATA_DESC  D;
  for (int Index = 0; Index < 24; Index++) {
    D.Variables.push_back ({ .VendorGuid = gEfiGlobalVariableGuid, .Name = u"Var" + std::u16string (1, u'A' + Index),
                             .StoreFlags = VARIABLE_STORE_EFI, .Size = 4 });
  }
  D.Variables[7]     = { .VendorGuid = gEfiGlobalVariableGuid, .Name = u"BootOrder", .StoreFlags = 0, .Size = 0 };
  D.Variables[8]     = { .VendorGuid = LegacyOrderGuid, .Name = u"LegacyDevOrder", .StoreFlags = 0, .Size = 0 };
  D.Variables[23]    = { .VendorGuid = gEfiGlobalVariableGuid, .Name = u"DriverOrder", .StoreFlags = 0, .Size = 0 };
  D.Pages            = { { .FormId = 1, .TitleStringId = 0x100, .Controls = {} } };
  D.FormSets         = { {} };
  D.FirstFormSetGuid = EFI_GUID {};
  D.VariableGuids    = std::vector<EFI_GUID> {};
  return D;
}

}  // namespace BootTest

#endif

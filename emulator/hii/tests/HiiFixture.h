// A machine with the HII services installed, and the protocols as the engine sees
// them (found with LocateProtocol, typed by the platform headers).
#ifndef EMULATOR_HII_TEST_FIXTURE_H_
#define EMULATOR_HII_TEST_FIXTURE_H_

#include <Emulator/Machine.h>
#include <EmulatorHii/HiiServices.h>
#include <Protocol/HiiConfigAccess.h>
#include <Protocol/HiiConfigRouting.h>
#include <Protocol/HiiDatabase.h>
#include <Protocol/HiiFont.h>
#include <Protocol/HiiString.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace HiiTest {

class HiiFixture : public ::testing::Test {
protected:
  void SetUp () override
  {
    Hii = &M.Add (std::make_unique<Emu::HiiServices> (M));
    ASSERT_EQ (M.Protocols ().LocateProtocol (&gEfiHiiDatabaseProtocolGuid, nullptr, (VOID **)&Database), EFI_SUCCESS);
    ASSERT_EQ (M.Protocols ().LocateProtocol (&gEfiHiiStringProtocolGuid, nullptr, (VOID **)&String), EFI_SUCCESS);
    ASSERT_EQ (M.Protocols ().LocateProtocol (&gEfiHiiFontProtocolGuid, nullptr, (VOID **)&Font), EFI_SUCCESS);
    ASSERT_EQ (M.Protocols ().LocateProtocol (&gEfiHiiConfigRoutingProtocolGuid, nullptr, (VOID **)&Routing), EFI_SUCCESS);
  }

  EFI_HII_HANDLE Add (const std::vector<UINT8> &List, EFI_HANDLE Driver = nullptr)
  {
    EFI_HII_HANDLE  Handle = nullptr;
    EXPECT_EQ (Database->NewPackageList (Database, (const EFI_HII_PACKAGE_LIST_HEADER *)List.data (), Driver, &Handle),
      EFI_SUCCESS);
    return Handle;
  }

  // Reads as the engine does: ask for the size, then read. "<none>" when the size
  // call already fails; Status (if given) is the status of the last call.
  std::u16string ReadString (EFI_HII_HANDLE Handle, const char *Language, EFI_STRING_ID Id,
                   EFI_STATUS *Status = nullptr)
  {
    UINTN       Size  = 0;
    EFI_STATUS  First = String->GetString (String, Language, Handle, Id, nullptr, &Size, nullptr);
    if (First != EFI_BUFFER_TOO_SMALL) {
      if (Status != nullptr) {
        *Status = First;
      }
      return u"<none>";
    }
    std::vector<CHAR16>  Text (Size / 2);
    EFI_STATUS           Second = String->GetString (String, Language, Handle, Id, Text.data (), &Size, nullptr);
    if (Status != nullptr) {
      *Status = Second;
    }
    EXPECT_EQ (Size, Text.size () * 2);
    return std::u16string (Text.data ());
  }

  std::vector<UINT8> Export (EFI_HII_HANDLE Handle)
  {
    UINTN  Size = 0;
    EXPECT_EQ (Database->ExportPackageLists (Database, Handle, &Size, nullptr), EFI_BUFFER_TOO_SMALL);
    std::vector<UINT8>  Bytes (Size);
    EXPECT_EQ (Database->ExportPackageLists (Database, Handle, &Size, (EFI_HII_PACKAGE_LIST_HEADER *)Bytes.data ()),
      EFI_SUCCESS);
    return Bytes;
  }

  Emu::Machine                     M;
  Emu::HiiServices                 *Hii     = nullptr;
  EFI_HII_DATABASE_PROTOCOL        *Database = nullptr;
  EFI_HII_STRING_PROTOCOL          *String   = nullptr;
  EFI_HII_FONT_PROTOCOL            *Font     = nullptr;
  EFI_HII_CONFIG_ROUTING_PROTOCOL  *Routing  = nullptr;
};

}  // namespace HiiTest

#endif

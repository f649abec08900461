// The emulated hard disk's security, as the setup program reaches it through the
// protocol: what power-on leaves, what a locked or frozen drive refuses, and that
// every refused password is counted.
#include <Emulator/HddDrive.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class HddDriveTest : public ::testing::Test {
protected:
  HDD_SECURITY_PROTOCOL *Found ()
  {
    VOID  *Interface = nullptr;
    EXPECT_EQ (Machine.BootServices ()->LocateProtocol (&kGuid, nullptr, &Interface), EFI_SUCCESS);
    return static_cast<HDD_SECURITY_PROTOCOL *>(Interface);
  }

  UINT16 Bits (HDD_SECURITY_PROTOCOL *Security)
  {
    UINT16  Status = 0xFFFF;
    EXPECT_EQ (Security->GetSecurityStatus (Security, &Status), EFI_SUCCESS);
    return Status;
  }

  static EFI_STATUS Call (HDD_SECURITY_PASSWORD_OP Op, HDD_SECURITY_PROTOCOL *Security, UINT32 Which, const std::string &Text)
  {
    std::vector<UINT8>  Bytes (Text.begin (), Text.end ());
    return Op (Security, Which, Bytes.data (), Bytes.size ());
  }

  EFI_GUID        kGuid = HDD_SECURITY_PROTOCOL_GUID;
  Emu::Machine    Machine;
};

TEST_F (HddDriveTest, AUserPasswordLocksTheDriveAtPowerOnAndOnlyTheRightPasswordOpensIt) {
  Emu::HddDrive          &Drive = Machine.Add (std::make_unique<Emu::HddDrive> (Machine,
                                    Emu::HDD_DRIVE_STATE { .UserPassword = Emu::HddDrive::Padded ("user"),
                                                           .MasterPassword = Emu::HddDrive::Padded ("master") }));
  HDD_SECURITY_PROTOCOL  *Security = Found ();

  EXPECT_EQ (Bits (Security), HDD_SECURITY_SUPPORTED | HDD_SECURITY_ENABLED | HDD_SECURITY_LOCKED |
                              HDD_SECURITY_USER_PASSWORD_SET | HDD_SECURITY_MASTER_PASSWORD_SET);
  // A locked drive takes no change and refuses the freeze.
  EXPECT_EQ (Call (Security->SetPassword, Security, HDD_PASSWORD_USER, "new"), EFI_ACCESS_DENIED);
  EXPECT_EQ (Security->FreezeLock (Security), EFI_ACCESS_DENIED);
  EXPECT_EQ (Call (Security->UnlockPassword, Security, HDD_PASSWORD_USER, "master"), EFI_ACCESS_DENIED);
  EXPECT_EQ (Call (Security->UnlockPassword, Security, HDD_PASSWORD_USER, "use"), EFI_ACCESS_DENIED);
  EXPECT_EQ (Drive.State ().FailedTries, 2u);
  EXPECT_TRUE (Drive.State ().Locked);
  // Shorter than 32 bytes is the same password padded with zeros.
  EXPECT_EQ (Call (Security->UnlockPassword, Security, HDD_PASSWORD_USER, std::string ("user\0\0", 6)), EFI_SUCCESS);
  EXPECT_FALSE (Drive.State ().Locked);

  Drive.PowerOn ();
  EXPECT_TRUE (Drive.State ().Locked);
  EXPECT_EQ (Drive.State ().FailedTries, 0u);
  EXPECT_EQ (Call (Security->UnlockPassword, Security, HDD_PASSWORD_MASTER, "master"), EFI_SUCCESS);
}

TEST_F (HddDriveTest, AnOpenDriveTakesPasswordsUntilFrozenAndFailedWritesChangeNothing) {
  Emu::HddDrive          &Drive    = Machine.Add (std::make_unique<Emu::HddDrive> (Machine));
  HDD_SECURITY_PROTOCOL  *Security = Found ();

  EXPECT_EQ (Bits (Security), HDD_SECURITY_SUPPORTED);
  Drive.State ().FailWrites = true;
  EXPECT_EQ (Call (Security->SetPassword, Security, HDD_PASSWORD_USER, "abc"), EFI_DEVICE_ERROR);
  EXPECT_TRUE (Drive.State ().UserPassword.empty ());
  Drive.State ().FailWrites = false;

  EXPECT_EQ (Call (Security->SetPassword, Security, HDD_PASSWORD_USER, "abc"), EFI_SUCCESS);
  EXPECT_EQ (Call (Security->SetPassword, Security, HDD_PASSWORD_MASTER, "xyz"), EFI_SUCCESS);
  EXPECT_EQ (Drive.State ().UserPassword, Emu::HddDrive::Padded ("abc"));
  EXPECT_EQ (Drive.State ().MasterPassword, Emu::HddDrive::Padded ("xyz"));
  EXPECT_TRUE (Drive.State ().Enabled);
  EXPECT_FALSE (Drive.State ().Locked);      // locked only from the next power-on

  // Removing takes the password that is removed, and counts a wrong one.
  EXPECT_EQ (Call (Security->DisablePassword, Security, HDD_PASSWORD_USER, "xyz"), EFI_ACCESS_DENIED);
  EXPECT_EQ (Drive.State ().FailedTries, 1u);
  EXPECT_EQ (Call (Security->DisablePassword, Security, HDD_PASSWORD_USER, "abc"), EFI_SUCCESS);
  EXPECT_FALSE (Drive.State ().Enabled);
  EXPECT_EQ (Bits (Security), HDD_SECURITY_SUPPORTED | HDD_SECURITY_MASTER_PASSWORD_SET);

  EXPECT_EQ (Security->FreezeLock (Security), EFI_SUCCESS);
  EXPECT_TRUE (Drive.State ().Frozen);
  EXPECT_EQ (Call (Security->SetPassword, Security, HDD_PASSWORD_USER, "abc"), EFI_ACCESS_DENIED);
  EXPECT_EQ (Call (Security->DisablePassword, Security, HDD_PASSWORD_MASTER, "xyz"), EFI_ACCESS_DENIED);
  EXPECT_EQ (Drive.State ().MasterPassword, Emu::HddDrive::Padded ("xyz"));
}

TEST_F (HddDriveTest, ADriveWithoutSecurityReportsNothingAndRefusesEveryOperation) {
  Machine.Add (std::make_unique<Emu::HddDrive> (Machine, Emu::HDD_DRIVE_STATE { .Supported = false }));
  HDD_SECURITY_PROTOCOL  *Security = Found ();

  EXPECT_EQ (Bits (Security), 0);
  EXPECT_EQ (Call (Security->SetPassword, Security, HDD_PASSWORD_USER, "abc"), EFI_UNSUPPORTED);
  EXPECT_EQ (Security->FreezeLock (Security), EFI_UNSUPPORTED);
}

}  // namespace

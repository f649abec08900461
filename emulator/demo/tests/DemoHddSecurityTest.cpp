// The demo board's hard disk: locked drives opened at power-on, and the HDD Security
// page whose passwords go to the drive and never into setup variable 6. Checked
// where a user or the drive would see it: the screen, the drive's state and the
// variable cache.
#include <DemoBoard.h>
#include <engine/testing/EngineMachineTest.h>

#include <engine/browser/DynamicPages.h>
#include <engine/core/VariableGuids.h>
#include <engine/textui/PasswordPrompt.h>
#include <engine/textui/TuiApp.h>
#include <engine/variables/VariableCache.h>
#include <frontend/FrontEndServices.h>
#include <frontend/HddSecurity.h>
#include <Emulator/BootDevices.h>
#include <Emulator/HddDrive.h>
#include <Emulator/RunEnded.h>

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace {

// From the main page: the fourth link, below the date, time and asset tag.
const std::string  kHddPage = "Down,Down,Down,Down,Down,Down,Enter";
// Rows of the page: the two passwords, then what the drive reports.
constexpr UINTN    kSupportedRow = 5;
constexpr UINTN    kUserStatusRow = 9;
constexpr UINTN    kValueColumn  = 40;

class DemoHddSecurityTest : public EngineMachineTest {
protected:
  void TearDown () override
  {
    DestroyTuiApp ();
    FreeDynamicPageTable ();
    EngineMachineTest::TearDown ();
  }

  // Powers the drive on with State and queues Keys.
  void AddDrive (const std::string &Keys, const Emu::HDD_DRIVE_STATE &State = {})
  {
    Drive = &M.Add (std::make_unique<Emu::HddDrive> (M, State));
    Devices.TextIn->Script ().Append (Keys);
  }

  // Powers the drive on and starts the driver, without the POST flow.
  void PowerOn (const std::string &Keys, const Emu::HDD_DRIVE_STATE &State = {})
  {
    AddDrive (Keys, State);
    Demo::BOARD  Board = Demo::BuildBoard ();
    Demo::SeedVariables (M.Variables (), Board);
    ASSERT_EQ (Demo::StartSetupDriver (M, Devices, Board).Status, EFI_SUCCESS);
  }

  // The board's whole power-on: the driver started and the POST flow of the boot-screen
  // interface, whose POST screen runs hook 0x02; it ends in setup or the board's shell.
  VOID RunPost ()
  {
    std::ostringstream  Report;
    Demo::RunDemoBoard (M, Devices, Report);
  }

  // Types Keys in setup; the run ends when they run out.
  void Setup (const std::string &Keys)
  {
    DestroyTuiApp ();         // what the last run left when its keys ran out
    FreeDynamicPageTable ();
    Devices.TextIn->Script ().Append (Keys);
    EXPECT_THROW ((VOID)EnterGraphicalSetup (), Emu::KeyScriptExhausted);
  }

  // Everything the engine wrote to the console, in order.
  std::u16string Written () const
  {
    std::u16string  All;
    for (const Emu::TEXT_CALL &Call : Devices.TextOut->Calls ()) {
      All += Call.Text;
    }
    return All;
  }

  bool OnScreen (const std::u16string &Text) const
  {
    for (UINTN Row = 0; Row < Devices.TextOut->Rows (); Row++) {
      if (Devices.TextOut->RowText (Row).find (Text) != std::u16string::npos) {
        return true;
      }
    }
    return false;
  }

  HDD_SECURITY_RECORD CachedRecord ()
  {
    HDD_SECURITY_RECORD  Record;
    std::memset (&Record, 0xEE, sizeof (Record));
    EXPECT_EQ (ReadVariableBytes (SETUP_VARIABLE_INDEX_HDD_SECURITY, 0, sizeof (Record), &Record, FALSE), EFI_SUCCESS);
    return Record;
  }

  // The password questions' bytes of variable 6: never written.
  std::vector<UINT8> CachedPasswordArea ()
  {
    std::vector<UINT8>  Bytes (HDD_SECURITY_VARIABLE_SIZE - HDD_SECURITY_RECORD_SIZE, 0xEE);
    EXPECT_EQ (ReadVariableBytes (SETUP_VARIABLE_INDEX_HDD_SECURITY, HDD_SECURITY_RECORD_SIZE, Bytes.size (), Bytes.data (), FALSE),
               EFI_SUCCESS);
    return Bytes;
  }

  std::u16string Shown (UINTN Row, UINTN Count) { return Devices.TextOut->RowText (Row).substr (kValueColumn, Count); }

  Emu::HddDrive  *Drive = nullptr;
};

Emu::HDD_DRIVE_STATE
Locked (const std::string &User)
{
  return Emu::HDD_DRIVE_STATE { .UserPassword = Emu::HddDrive::Padded (User) };
}

TEST_F (DemoHddSecurityTest, ALockedDriveIsAskedForAtPowerOnAndOpensWithItsUserPassword) {
  // F2 after the password: the POST goes on into setup, which shows the drive open.
  AddDrive ("s,e,c,r,e,t,Enter,F2," + kHddPage, Locked ("secret"));
  EXPECT_THROW (RunPost (), Emu::KeyScriptExhausted);
  EXPECT_FALSE (Drive->State ().Locked);
  EXPECT_EQ (Drive->State ().FailedTries, 0u);
  EXPECT_NE (Written ().find (u"Enter Hard Disk Password"), std::u16string::npos);
  EXPECT_EQ (Written ().find (u"secret"), std::u16string::npos);        // typed as stars
  EXPECT_EQ (Shown (kSupportedRow + 2, 4), u"[No]");
  EXPECT_EQ (Shown (kUserStatusRow, 11), u"[Installed]");

  // The password that opened it is what clears it from setup.
  Setup (kHddPage + ",Enter,Enter,Enter");
  EXPECT_EQ (Shown (kUserStatusRow, 15), u"[Not Installed]");
  EXPECT_TRUE (Drive->State ().UserPassword.empty ());
  EXPECT_FALSE (Drive->State ().Enabled);
}

TEST_F (DemoHddSecurityTest, ThreeWrongPasswordsLeaveTheDriveLockedAndPowerOnGoesOn) {
  AddDrive ("a,Enter,Enter,b,Enter,Enter,c,Enter,Enter", Locked ("secret"));
  EXPECT_THROW (RunPost (), Emu::OsBooted);
  EXPECT_TRUE (Drive->State ().Locked);
  EXPECT_EQ (Drive->State ().FailedTries, 3u);
  EXPECT_NE (Written ().find (u"Invalid Password"), std::u16string::npos);
  EXPECT_NE (Written ().find (u"The hard disk stays locked."), std::u16string::npos);
  EXPECT_EQ (Devices.TextIn->Script ().Remaining (), 0u);
}

// The hook's answer: TRUE because the prompt was drawn over the POST screen, which the
// POST screen then puts back.
TEST_F (DemoHddSecurityTest, EscGivesTheDriveUpWithoutATryAndTheHookSaysThePromptWasDrawn) {
  PowerOn ("Esc", Locked ("secret"));
  EXPECT_TRUE (HookPostPasswordCheck ());
  EXPECT_TRUE (Drive->State ().Locked);
  EXPECT_EQ (Drive->State ().FailedTries, 0u);
  EXPECT_FALSE (OnScreen (u"Enter Hard Disk Password"));
}

TEST_F (DemoHddSecurityTest, AFrozenDriveIsNeverAskedFor) {
  AddDrive ("", Locked ("first"));
  Emu::HddDrive  &Open = M.Add (std::make_unique<Emu::HddDrive> (M));
  ASSERT_EQ (Open.Protocol ()->FreezeLock (Open.Protocol ()), EFI_SUCCESS);
  Open.State ().UserPassword = Emu::HddDrive::Padded ("second");     // as if locked, but frozen first
  Open.State ().Locked       = true;
  Drive->State ().Frozen     = true;
  EXPECT_THROW (RunPost (), Emu::OsBooted);
  EXPECT_EQ (Written ().find (u"Enter Hard Disk Password"), std::u16string::npos);
  EXPECT_EQ (Drive->State ().FailedTries + Open.State ().FailedTries, 0u);
  EXPECT_TRUE (Open.State ().Frozen);
}

TEST_F (DemoHddSecurityTest, AnOpenDriveIsNotAskedForAndTheHookSaysNothingWasDrawn) {
  PowerOn ("");
  EXPECT_FALSE (HookPostPasswordCheck ());
  EXPECT_EQ (Written ().find (u"Enter Hard Disk Password"), std::u16string::npos);
}

TEST_F (DemoHddSecurityTest, TheUserPasswordIsSetAndClearedThroughThePageAndOnlyTheDriveKeepsIt) {
  PowerOn ("");
  Setup (kHddPage);
  EXPECT_EQ (Shown (kSupportedRow, 5), u"[Yes]");
  EXPECT_EQ (Shown (kUserStatusRow, 15), u"[Not Installed]");

  Setup (kHddPage + ",Enter,a,b,c,Enter,a,b,c,Enter");
  EXPECT_EQ (Drive->State ().UserPassword, Emu::HddDrive::Padded ("abc"));
  EXPECT_TRUE (Drive->State ().Enabled);
  EXPECT_EQ (Shown (kUserStatusRow, 11), u"[Installed]");
  EXPECT_EQ (CachedRecord ().UserPasswordSet, 1);
  EXPECT_EQ (CachedPasswordArea (), std::vector<UINT8> (CachedPasswordArea ().size (), 0));

  // No current password is asked: the drive is open, and an empty one clears it.
  Setup (kHddPage + ",Enter,Enter,Enter");
  EXPECT_TRUE (Drive->State ().UserPassword.empty ());
  EXPECT_FALSE (Drive->State ().Enabled);
  EXPECT_EQ (Shown (kUserStatusRow, 15), u"[Not Installed]");
  EXPECT_EQ (Drive->State ().FailedTries, 0u);
}

TEST_F (DemoHddSecurityTest, TheMasterPasswordQuestionReachesTheDrivesMasterPassword) {
  PowerOn ("");
  Setup (kHddPage + ",Down,Enter,m,a,s,t,e,r,Enter,m,a,s,t,e,r,Enter");
  EXPECT_EQ (Drive->State ().MasterPassword, Emu::HddDrive::Padded ("master"));
  EXPECT_TRUE (Drive->State ().UserPassword.empty ());
  EXPECT_EQ (CachedRecord ().MasterPasswordSet, 1);
  EXPECT_EQ (CachedPasswordArea (), std::vector<UINT8> (CachedPasswordArea ().size (), 0));
}

// The engine used to store a hard-disk password in variable 6 when the drive did not
// take it; now the user is told and nothing is kept anywhere.
TEST_F (DemoHddSecurityTest, AChangeTheDriveCannotWriteIsShownAndNothingIsStored) {
  PowerOn ("");
  Drive->State ().FailWrites = true;
  Setup (kHddPage + ",Enter,a,b,c,Enter,a,b,c,Enter");
  EXPECT_TRUE (OnScreen (u"ERROR"));
  EXPECT_TRUE (OnScreen (u"The hard disk refused the password"));
  EXPECT_TRUE (Drive->State ().UserPassword.empty ());
  EXPECT_EQ (CachedRecord ().UserPasswordSet, 0);
  EXPECT_EQ (CachedPasswordArea (), std::vector<UINT8> (CachedPasswordArea ().size (), 0));
  EXPECT_EQ (Written ().find (u"abc"), std::u16string::npos);

  // The box closes to the page, which still shows no password, and nothing was kept
  // after it either.
  Setup (kHddPage + ",Enter,a,b,c,Enter,a,b,c,Enter,Enter");
  EXPECT_FALSE (OnScreen (u"ERROR"));
  EXPECT_EQ (Shown (kUserStatusRow, 15), u"[Not Installed]");
  EXPECT_EQ (CachedPasswordArea (), std::vector<UINT8> (CachedPasswordArea ().size (), 0));
  EXPECT_TRUE (Drive->State ().UserPassword.empty ());
}

TEST_F (DemoHddSecurityTest, TheRefreshReadsTheDriveAgainAndTheRecordNamesItsDrive) {
  const EFI_GUID  BoardItems = BOARD_ITEM_CONTROL_VARIABLE_GUID;
  PowerOn ("");
  M.Add (std::make_unique<Emu::HddDrive> (M, Emu::HDD_DRIVE_STATE { .MasterPassword = Emu::HddDrive::Padded ("m") }));
  M.Variables ().Put (u"SIBoardItemControl", BoardItems, 7, { 5, 0, 0, 0, 0, 0, 0, 1 });
  Setup ("");
  HDD_SECURITY_RECORD  Record = CachedRecord ();
  EXPECT_EQ (Record.DeviceCount, 2);
  EXPECT_EQ (Record.Device, 0);
  EXPECT_EQ (Record.Supported, 1);
  EXPECT_EQ (Record.MasterPasswordSet, 0);
  EXPECT_EQ (Record.BoardItem, 5);

  // The drive changed behind setup's back: only the refresh shows it.
  Drive->State ().Frozen = true;
  EXPECT_EQ (CachedRecord ().Frozen, 0);
  RefreshHddSecurityStatus ();
  EXPECT_EQ (CachedRecord ().Frozen, 1);

  // A record that names the second drive is refreshed from that drive.
  UINT16  Second = 1;
  ASSERT_EQ (AccessCacheBytes (TRUE, gVariableCache, SETUP_VARIABLE_INDEX_HDD_SECURITY, offsetof (HDD_SECURITY_RECORD, Device),
                               sizeof (Second), &Second), EFI_SUCCESS);
  RefreshHddSecurityStatus ();
  Record = CachedRecord ();
  EXPECT_EQ (Record.Device, 1);
  EXPECT_EQ (Record.Frozen, 0);
  EXPECT_EQ (Record.MasterPasswordSet, 1);

  // A drive that is not there: the count, nothing else.
  std::vector<UINT8>  None (HDD_SECURITY_RECORD_SIZE, 0xEE);
  EXPECT_EQ (ReadHddSecurityStatus (None.data (), 2), EFI_NOT_FOUND);
  EXPECT_EQ (None, (std::vector<UINT8> { 2, 0, 2, 0, 0, 0, 0, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0 }));
}

// Which questions hard-disk security takes, and the unlock a caller can ask of it.
TEST_F (DemoHddSecurityTest, TheCheckTakesOnlyQuestionsOfVariableSixAndOpensTheDriveOnRequest) {
  CONTROL_RECORD  Hdd   = {};
  CONTROL_RECORD  Other = {};
  PowerOn ("", Locked ("secret"));
  Hdd.VariableIndex   = SETUP_VARIABLE_INDEX_HDD_SECURITY;
  Other.VariableIndex = SETUP_VARIABLE_INDEX_PASSWORD;
  EXPECT_EQ (HddPasswordCheckCallback (&Hdd, nullptr, 0), EFI_NOT_FOUND);      // no record before setup reads one
  EXPECT_EQ (HddPasswordSetCallback (&Other, u"abc"), EFI_UNSUPPORTED);
  RefreshHddSecurityStatus ();
  EXPECT_EQ (HddPasswordCheckCallback (&Other, nullptr, 0), EFI_UNSUPPORTED);
  EXPECT_EQ (HddPasswordCheckCallback (&Hdd, nullptr, 0), EFI_SUCCESS);
  EXPECT_TRUE (Drive->State ().Locked);
  EXPECT_EQ (HddPasswordCheckCallback (&Hdd, u"wrong", 1), EFI_ACCESS_DENIED);
  EXPECT_EQ (HddPasswordCheckCallback (&Hdd, u"secret", 1), EFI_SUCCESS);
  EXPECT_FALSE (Drive->State ().Locked);
  EXPECT_EQ (Drive->State ().FailedTries, 1u);
}

}  // namespace

// The boot graphics table, bitmap scaling, raw sections of firmware volumes, the
// drives' security freeze and the Secure Boot message, on the emulator's machine.
#include <engine/testing/HiiEngineTest.h>

#include <engine/browser/DynamicPages.h>
#include <engine/boot/BootGraphics.h>
#include <engine/core/FirmwareVolumes.h>
#include <engine/boot/BootSecurity.h>
#include <engine/post/BootFlowCallbacks.h>
#include <engine/textui/Hotkeys.h>
#include <engine/post/BootScreen.h>
#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Pi/PiFirmwareFile.h>
#include <Protocol/AcpiTable.h>
#include <Protocol/HddSecurity.h>
#include <Protocol/ImageResource.h>
#include <Resources/EngineStringPackage.h>

#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <string>
#include <vector>

namespace {

using Builders::BYTES;

uint8_t
ByteSum (const BYTES &Bytes)
{
  return (uint8_t)std::accumulate (Bytes.begin (), Bytes.end (), 0u);
}

class BootUtilitiesTest : public HiiEngineTest {
protected:
  // A published boot graphics table as the logo code leaves it: status 1, checksum
  // making the byte sum 0, the image in pool.
  void PublishLogoTable ()
  {
    EFI_ACPI_BOOT_GRAPHICS_RESOURCE_TABLE  Table;

    ZeroMem (&Table, sizeof (Table));
    Table.Header.Signature = EFI_ACPI_BOOT_GRAPHICS_RESOURCE_TABLE_SIGNATURE;
    Table.Header.Length    = sizeof (Table);
    Table.Header.Revision  = 1;
    Table.Version          = 1;
    Table.Status           = 1;
    Table.ImageAddress     = (UINT64)(UINTN)AllocateZeroPool (64);
    Table.ImageOffsetX     = 300;
    BYTES  Bytes ((UINT8 *)&Table, (UINT8 *)&Table + sizeof (Table));
    Table.Header.Checksum = (UINT8)(0x100 - ByteSum (Bytes));
    gBootLogoTable = (UINT8 *)AllocateCopyPool (sizeof (Table), &Table);
    ASSERT_EQ (Devices.Acpi->Install (gBootLogoTable, sizeof (Table), &gBootLogoTableKey), EFI_SUCCESS);
  }

  BYTES Installed () const
  {
    EXPECT_EQ (Devices.Acpi->Tables ().size (), 1u);
    return Devices.Acpi->Tables ().empty () ? BYTES {} : Devices.Acpi->Tables ()[0].Bytes;
  }
};

TEST_F (BootUtilitiesTest, InvalidatingTheLogoTableKeepsItsByteSumAt0) {
  PublishLogoTable ();
  UINTN  FirstKey = gBootLogoTableKey;

  InvalidateBootLogoTable ();
  BYTES  Once = Installed ();
  ASSERT_EQ (Once.size (), 56u);
  EXPECT_EQ (Once[38], 0);
  EXPECT_EQ (ByteSum (Once), 0);
  EXPECT_NE (gBootLogoTableKey, FirstKey);
  EXPECT_EQ (Devices.Acpi->Tables ()[0].Key, gBootLogoTableKey);

  // A second time (through the companion interface's refresh notification, which is how
  // the front end says the logo is gone) changes neither byte, yet the table is again
  // removed and published.
  UINTN  SecondKey = gBootLogoTableKey;
  EXPECT_EQ (PostRefreshNotify (), EFI_SUCCESS);
  EXPECT_EQ (Installed (), Once);
  EXPECT_NE (gBootLogoTableKey, SecondKey);
}

// Neither an invalidation nor a removal changes anything without a kept table or when
// the table cannot be removed; a failed removal keeps the copy.
TEST_F (BootUtilitiesTest, WithoutAKeptTableOrWhenItCannotBeRemovedNothingChanges) {
  InvalidateBootLogoTable ();
  EXPECT_TRUE (Devices.Acpi->Tables ().empty ());
  PublishLogoTable ();
  gBootLogoTableKey += 100;            // a key the firmware does not know
  InvalidateBootLogoTable ();
  EXPECT_EQ (Installed ()[38], 1);
  EXPECT_EQ (gBootLogoTableKey, Devices.Acpi->Tables ()[0].Key + 100);
  RemoveBootLogoTable ();
  EXPECT_NE (gBootLogoTable, nullptr);
  EXPECT_EQ (Devices.Acpi->Tables ().size (), 1u);
}

TEST_F (BootUtilitiesTest, RemovingTheLogoTableFreesItsImageAndCopy) {
  PublishLogoTable ();
  VOID  *Image = (VOID *)(UINTN)ReadUnaligned64 (gBootLogoTable + 40);

  RemoveBootLogoTable ();
  EXPECT_TRUE (Devices.Acpi->Tables ().empty ());
  EXPECT_EQ (gBootLogoTable, nullptr);
  EXPECT_FALSE (M.Memory ().IsLive (Image));
  RemoveBootLogoTable ();              // nothing left to remove
  EXPECT_TRUE (M.Memory ().Violations ().empty ());
}

EFI_GRAPHICS_OUTPUT_BLT_PIXEL
Pixel (UINT8 Blue, UINT8 Green, UINT8 Red)
{
  return { Blue, Green, Red, 0x5A };
}

TEST (ScaleBitmap, TwoByTwoToFourByFourKeepsTheCornersAndMixesBetween) {
  EFI_GRAPHICS_OUTPUT_BLT_PIXEL  Source[4] = { Pixel (0, 0, 0), Pixel (200, 100, 40), Pixel (40, 80, 120), Pixel (255, 255, 255) };
  EFI_GRAPHICS_OUTPUT_BLT_PIXEL  Target[16];

  std::memset (Target, 0xEE, sizeof (Target));
  ASSERT_EQ (ScaleBitmap (Source, 2, 2, Target, 4, 4), EFI_SUCCESS);
  for (auto [T, S] : { std::pair { 0, 0 }, { 3, 1 }, { 12, 2 }, { 15, 3 } }) {
    EXPECT_EQ (Target[T].Blue, Source[S].Blue) << T;
    EXPECT_EQ (Target[T].Green, Source[S].Green) << T;
    EXPECT_EQ (Target[T].Red, Source[S].Red) << T;
  }

  // Half-way across the top row: (0 + 200) / 2 for blue; the last columns repeat the edge.
  EXPECT_EQ (Target[1].Blue, 100);
  EXPECT_EQ (Target[2].Blue, 200);
  EXPECT_EQ (Target[2].Red, 40);
  // The middle: a quarter of each of the four.
  EXPECT_EQ (Target[5].Green, (0 + 100 + 80 + 255) / 4);
  for (const EFI_GRAPHICS_OUTPUT_BLT_PIXEL &P : Target) {
    EXPECT_EQ (P.Reserved, 0xEE);      // never written
  }
}

TEST (ScaleBitmap, DownscalingSamplesEveryOtherPixel) {
  EFI_GRAPHICS_OUTPUT_BLT_PIXEL  Source[4] = { Pixel (10, 0, 0), Pixel (20, 0, 0), Pixel (30, 0, 0), Pixel (40, 0, 0) };
  EFI_GRAPHICS_OUTPUT_BLT_PIXEL  Target[2] = {};

  ASSERT_EQ (ScaleBitmap (Source, 4, 1, Target, 2, 1), EFI_SUCCESS);
  EXPECT_EQ (Target[0].Blue, 10);
  EXPECT_EQ (Target[1].Blue, 30);
}

// A zero size used to divide by zero (target) or read a pixel of an empty source.
TEST (ScaleBitmap, RefusesZeroSizes) {
  EFI_GRAPHICS_OUTPUT_BLT_PIXEL  One[1] = {};

  EXPECT_EQ (ScaleBitmap (One, 1, 1, One, 0, 1), EFI_INVALID_PARAMETER);
  EXPECT_EQ (ScaleBitmap (One, 1, 1, One, 1, 0), EFI_INVALID_PARAMETER);
  EXPECT_EQ (ScaleBitmap (One, 0, 1, One, 1, 1), EFI_INVALID_PARAMETER);
  EXPECT_EQ (ScaleBitmap (One, 1, 0, One, 1, 1), EFI_INVALID_PARAMETER);
  EXPECT_EQ (ScaleBitmap (nullptr, 1, 1, One, 1, 1), EFI_INVALID_PARAMETER);
}

const EFI_GUID  kLogoFile = { 0x7BB28B99, 0x61BB, 0x11D5, { 0x9A, 0x5D, 0x00, 0x90, 0x27, 0x3F, 0xC1, 0x4D } };

EFI_HANDLE *
HandleList (std::vector<EFI_HANDLE> Handles)
{
  return (EFI_HANDLE *)AllocateCopyPool (Handles.size () * sizeof (EFI_HANDLE), Handles.data ());
}

TEST_F (BootUtilitiesTest, ARawSectionComesFromTheFirstVolumeThatHasIt) {
  Devices.Image->AddSection (kLogoFile, EFI_SECTION_RAW, { 'B', 'M', 1, 2 });
  EFI_HANDLE  NoVolume = Hii->Handle ();
  VOID        *Buffer  = nullptr;
  UINTN       Size     = 0;
  UINT64      Mark     = M.Memory ().AllocationCount ();

  ASSERT_EQ (ReadFvFileSection (&kLogoFile, &Buffer, &Size, HandleList ({ NoVolume, Devices.Image->VolumeHandle () }), 2),
    EFI_SUCCESS);
  EXPECT_EQ (BYTES ((UINT8 *)Buffer, (UINT8 *)Buffer + Size), (BYTES { 'B', 'M', 1, 2 }));
  FreePool (Buffer);
  EXPECT_TRUE (M.Memory ().LeaksSince (Mark).empty ());      // the handle list was freed
}

TEST_F (BootUtilitiesTest, AShortCallerBufferIsReportedAndAMissingFileIsNotFound) {
  Devices.Image->AddSection (kLogoFile, EFI_SECTION_RAW, { 1, 2, 3, 4, 5 });
  UINT8  Small[2];
  VOID   *Buffer = Small;
  UINTN  Size    = sizeof (Small);

  // Firmware volumes copy what fits and warn; the warning comes back as it is.
  EXPECT_EQ (ReadFvFileSection (&kLogoFile, &Buffer, &Size, HandleList ({ Devices.Image->VolumeHandle () }), 1),
    EFI_WARN_BUFFER_TOO_SMALL);
  EXPECT_EQ (BYTES (Small, Small + 2), (BYTES { 1, 2 }));
  const EFI_GUID  Missing = { 1, 2, 3, { 4, 5, 6, 7, 8, 9, 10, 11 } };
  Buffer = nullptr;
  UINT64  Mark = M.Memory ().AllocationCount ();
  EXPECT_EQ (ReadFvFileSection (&Missing, &Buffer, &Size, HandleList ({ Devices.Image->VolumeHandle () }), 1), EFI_NOT_FOUND);
  EXPECT_EQ (ReadFvFileSection (&Missing, &Buffer, &Size, nullptr, 0), EFI_NOT_FOUND);
  EXPECT_TRUE (M.Memory ().LeaksSince (Mark).empty ());
}

// A drive's security protocol whose freeze answers as scripted and counts its calls.
struct FAKE_HDD {
  HDD_SECURITY_PROTOCOL  Protocol;
  EFI_STATUS             Answer;
  int                    Calls;
};

EFI_STATUS EFIAPI
FakeFreeze (HDD_SECURITY_PROTOCOL *This)
{
  FAKE_HDD  *Hdd = (FAKE_HDD *)This;

  Hdd->Calls++;
  return Hdd->Answer;
}

TEST_F (BootUtilitiesTest, TheDrivesSecurityFreezeRunsUntilItsFirstSuccessOncePerBoot) {
  FAKE_HDD    Drives[3] = { { {}, EFI_DEVICE_ERROR, 0 }, { {}, EFI_SUCCESS, 0 }, { {}, EFI_SUCCESS, 0 } };
  EFI_HANDLE  Handles[3] = {};

  for (int N = 0; N < 3; N++) {
    Drives[N].Protocol.FreezeLock = FakeFreeze;
    ASSERT_EQ (gBS->InstallMultipleProtocolInterfaces (&Handles[N], &gHddSecurityProtocolGuid, &Drives[N].Protocol, nullptr),
      EFI_SUCCESS);
  }

  NotifyHddSecurityOnce ();
  EXPECT_EQ (Drives[0].Calls + Drives[1].Calls + Drives[2].Calls, 2);   // a failure, then the success
  EXPECT_TRUE (gHddSecurityNotified);
  NotifyHddSecurityOnce ();
  EXPECT_EQ (Drives[0].Calls + Drives[1].Calls + Drives[2].Calls, 2);
}

TEST_F (BootUtilitiesTest, AFreezeThatAlwaysFailsIsTriedAgainLater) {
  FAKE_HDD    Drive = { {}, EFI_DEVICE_ERROR, 0 };
  EFI_HANDLE  Handle = nullptr;

  NotifyHddSecurityOnce ();            // no drive yet
  Drive.Protocol.FreezeLock = FakeFreeze;
  ASSERT_EQ (gBS->InstallMultipleProtocolInterfaces (&Handle, &gHddSecurityProtocolGuid, &Drive.Protocol, nullptr), EFI_SUCCESS);
  NotifyHddSecurityOnce ();
  NotifyHddSecurityOnce ();
  EXPECT_EQ (Drive.Calls, 2);
  EXPECT_FALSE (gHddSecurityNotified);
}

// What the boot-screen dialog was asked to show.
struct DIALOG_CALL {
  std::u16string  Title;
  std::u16string  Message;
  UINT64          BootScreenState;
};

std::vector<DIALOG_CALL>  gDialogs;

EFI_STATUS EFIAPI
RecordDialog (CHAR16 *Title, CHAR16 *Message, CHAR16 *, UINT32, UINT8, UINT16 *, UINT16, VOID *, UINT16, UINT8 *Selection,
  VOID *Key)
{
  *Selection = 0;
  ZeroMem (Key, 8);
  gDialogs.push_back ({ Title, Message, gBootScreenState });
  return EFI_SUCCESS;
}

class SecureBootDialogTest : public BootUtilitiesTest {
protected:
  void SetUp () override
  {
    BootUtilitiesTest::SetUp ();
    ASSERT_EQ (gHiiDatabase->NewPackageList (gHiiDatabase, (CONST EFI_HII_PACKAGE_LIST_HEADER *)gSetupEngineStringPackageList,
                 nullptr, &gHiiHandle), EFI_SUCCESS);
    mSaved = gBootScreenInterface.ShowBootScreenDialog;
    gBootScreenInterface.ShowBootScreenDialog = RecordDialog;
    gDialogs.clear ();
  }

  void TearDown () override
  {
    gBootScreenInterface.ShowBootScreenDialog = mSaved;
    BootUtilitiesTest::TearDown ();
  }

  decltype (gBootScreenInterface.ShowBootScreenDialog)  mSaved = nullptr;
};

TEST_F (SecureBootDialogTest, OnlyASecurityViolationShowsTheMessage) {
  ShowSecureBootViolation (EFI_ACCESS_DENIED);
  ShowSecureBootViolation (EFI_SUCCESS);
  EXPECT_TRUE (gDialogs.empty ());
  ShowSecureBootViolation (EFI_SECURITY_VIOLATION);
  ASSERT_EQ (gDialogs.size (), 1u);
  EXPECT_EQ (gDialogs[0].Title, u"Secure Boot Violation");
  EXPECT_EQ (gDialogs[0].Message, u"Invalid signature detected. Check Secure Boot Policy in Setup.");
  EXPECT_GT (Devices.TextOut->CountCalls (Emu::TextOp::ClearScreen), 0u);
}

TEST_F (SecureBootDialogTest, AtBootADeniedImageShowsItInState5AndInvalidatesTheLogo) {
  PublishLogoTable ();
  gBootScreenState = 2;
  ShowSecureBootViolationAtBoot (EFI_NOT_FOUND);
  EXPECT_TRUE (gDialogs.empty ());
  EXPECT_EQ (Installed ()[38], 1);
  ShowSecureBootViolationAtBoot (EFI_ACCESS_DENIED);
  ShowSecureBootViolationAtBoot (EFI_SECURITY_VIOLATION);
  ASSERT_EQ (gDialogs.size (), 2u);
  EXPECT_EQ (gDialogs[0].BootScreenState, 5u);
  EXPECT_EQ (gBootScreenState, 2u);
  EXPECT_EQ (Installed ()[38], 0);
}

// An image-resource protocol that hands out a scripted image and counts releases.
struct FAKE_IMAGES {
  IMAGE_RESOURCE_PROTOCOL  Protocol;
  EFI_STATUS               GetAnswer;
  EFI_STATUS               ReleaseAnswer;
  int                      Gets;
  int                      Releases;
  UINT8                    Image[4];
};

EFI_STATUS EFIAPI
FakeGetBootImage (IMAGE_RESOURCE_PROTOCOL *This, VOID **Image, UINTN *Size, UINTN *X, UINTN *Y)
{
  FAKE_IMAGES  *Fake = (FAKE_IMAGES *)This;

  Fake->Gets++;
  *Image = Fake->Image;
  *Size  = sizeof (Fake->Image);
  *X     = 10;
  *Y     = 20;
  return Fake->GetAnswer;
}

EFI_STATUS EFIAPI
FakeRelease (IMAGE_RESOURCE_PROTOCOL *This)
{
  FAKE_IMAGES  *Fake = (FAKE_IMAGES *)This;

  Fake->Releases++;
  return Fake->ReleaseAnswer;
}

TEST_F (BootUtilitiesTest, TheBoardImageRowAsksForTheImageAndAlwaysReleasesIt) {
  FAKE_IMAGES  Fake = { {}, EFI_SUCCESS, EFI_WARN_STALE_DATA, 0, 0, { 'B', 'M', 0, 0 } };
  EFI_HANDLE   Handle = nullptr;

  EXPECT_EQ (BoardImageFlowCallback (nullptr), EFI_NOT_FOUND);          // no such protocol yet
  Fake.Protocol.GetBootImage = FakeGetBootImage;
  Fake.Protocol.Release      = FakeRelease;
  ASSERT_EQ (gBS->InstallMultipleProtocolInterfaces (&Handle, &gImageResourceProtocolGuid, &Fake.Protocol, nullptr), EFI_SUCCESS);
  EXPECT_EQ (BoardImageFlowCallback (nullptr), EFI_WARN_STALE_DATA);    // the release's answer
  Fake.GetAnswer     = EFI_NOT_FOUND;
  Fake.ReleaseAnswer = EFI_SUCCESS;
  EXPECT_EQ (BoardImageFlowCallback (nullptr), EFI_SUCCESS);
  EXPECT_EQ (Fake.Gets, 2);
  EXPECT_EQ (Fake.Releases, 2);
}

TEST (BootFlowCallbacks, LeavingAsksForFlow7AndAHotkeyBootNeedsAChosenOption) {
  gBootFlowRequest = 0;
  EXPECT_EQ (LeaveBootFlowCallback (nullptr), EFI_SUCCESS);
  EXPECT_EQ (gBootFlowRequest, 7u);
  gBootFlowRequest  = 0;
  gHotkeyBootOption = NO_HOTKEY_BOOT_OPTION;
  EXPECT_EQ (HotkeyBootFlowCallback (nullptr), EFI_NOT_FOUND);
}

TEST (DynamicPageClass, ComesFromTheEntryOfTheHandle) {
  DYNAMIC_PAGE_RECORD  Table[2] = {};
  UINT16               Class    = 0;
  UINT16               SubClass = 0;

  Table[0].HiiHandle = (EFI_HII_HANDLE)0x10;
  Table[0].Class     = 1;
  Table[1].HiiHandle = (EFI_HII_HANDLE)0x20;
  Table[1].Class     = 3;
  Table[1].SubClass  = 7;
  gDynamicPageTable     = Table;
  gDynamicPageSlotCount = 2;
  EXPECT_EQ (GetDynamicPageClass ((EFI_HII_HANDLE)0x20, &Class, &SubClass), EFI_SUCCESS);
  EXPECT_EQ (Class, 3);
  EXPECT_EQ (SubClass, 7);
  EXPECT_EQ (GetDynamicPageClass ((EFI_HII_HANDLE)0x30, &Class, &SubClass), EFI_INVALID_PARAMETER);
  EXPECT_EQ (GetDynamicPageClass (nullptr, &Class, &SubClass), EFI_INVALID_PARAMETER);
  gDynamicPageTable     = nullptr;
  gDynamicPageSlotCount = 0;
  EXPECT_EQ (GetDynamicPageClass ((EFI_HII_HANDLE)0x20, &Class, &SubClass), EFI_INVALID_PARAMETER);
}

}  // namespace

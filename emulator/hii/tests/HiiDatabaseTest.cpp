// HII Database: package lists in and out in the UEFI layout, notifications in
// order, package-list handles, and malformed lists refused without a trace.
#include "HiiFixture.h"

#include <Builders/HiiPackageBuilder.h>
#include <EmulatorHii/FakeDriver.h>

#include <cstring>

namespace {

using Builders::BYTES;
using Builders::BuildPackage;
using Builders::BuildStringPackage;
using Builders::PackageListBuilder;

const EFI_GUID  kListGuid  = { 0x11111111, 0x2222, 0x3333, { 1, 2, 3, 4, 5, 6, 7, 8 } };
const EFI_GUID  kOtherGuid = { 0x44444444, 0x5555, 0x6666, { 8, 7, 6, 5, 4, 3, 2, 1 } };
const EFI_GUID  kPackGuid  = { 0x77777777, 0x8888, 0x9999, { 9, 9, 9, 9, 9, 9, 9, 9 } };

struct NOTICE {
  UINT8           Type;
  EFI_HII_HANDLE  Handle;
  UINTN           NotifyType;
  UINT32          Length;
};

std::vector<NOTICE>  gNotices;

EFI_STATUS EFIAPI
Record (UINT8 PackageType, CONST EFI_GUID *, CONST EFI_HII_PACKAGE_HEADER *Package, EFI_HII_HANDLE Handle,
  EFI_HII_DATABASE_NOTIFY_TYPE NotifyType)
{
  gNotices.push_back ({ PackageType, Handle, NotifyType, HiiGetPackageLength (Package) });
  return EFI_SUCCESS;
}

// A notify function that unregisters another registration, once.
EFI_HII_DATABASE_PROTOCOL  *gUnregisterFrom = nullptr;
EFI_HANDLE                 gToUnregister    = nullptr;

EFI_STATUS EFIAPI
RecordAndUnregister (UINT8 PackageType, CONST EFI_GUID *Guid, CONST EFI_HII_PACKAGE_HEADER *Package,
  EFI_HII_HANDLE Handle, EFI_HII_DATABASE_NOTIFY_TYPE NotifyType)
{
  if (gToUnregister != nullptr) {
    EXPECT_EQ (gUnregisterFrom->UnregisterPackageNotify (gUnregisterFrom, gToUnregister), EFI_SUCCESS);
    gToUnregister = nullptr;
  }
  return Record (PackageType, Guid, Package, Handle, NotifyType);
}

// The database keeps forms packages as bytes; the filler tells them apart.
BYTES
FormsPackage (UINT8 Filler)
{
  return BuildPackage (EFI_HII_PACKAGE_FORMS, BYTES (6, Filler));
}

BYTES
GuidPackage (const EFI_GUID &Guid)
{
  BYTES  Body;
  Builders::AppendGuid (Body, Guid);
  Builders::AppendU8 (Body, 0xAB);
  return BuildPackage (EFI_HII_PACKAGE_TYPE_GUID, Body);
}

class HiiDatabase : public HiiTest::HiiFixture {
protected:
  void SetUp () override
  {
    HiiFixture::SetUp ();
    gNotices.clear ();
  }
  EFI_HANDLE Register (UINT8 Type, UINTN NotifyType, const EFI_GUID *Guid = nullptr)
  {
    EFI_HANDLE  Handle = nullptr;
    EXPECT_EQ (Database->RegisterPackageNotify (Database, Type, Guid, Record, NotifyType, &Handle), EFI_SUCCESS);
    return Handle;
  }
};

TEST_F (HiiDatabase, ExportGivesBackTheListByteForByte)
{
  BYTES  List = PackageListBuilder (kListGuid).Add (FormsPackage (1))
                                              .Add (BuildStringPackage ("en-US", 1, { { 1, u"A" }, { 2, u"B" } }))
                                              .Add (GuidPackage (kPackGuid)).Build ();
  EFI_HII_HANDLE  Handle = Add (List);

  EXPECT_EQ (Export (Handle), List);
  EXPECT_EQ (Export (nullptr), List);
}

TEST_F (HiiDatabase, ExportOfAllListsPutsThemBackToBackInCreationOrder)
{
  BYTES  First  = PackageListBuilder (kListGuid).Add (FormsPackage (1)).Build ();
  BYTES  Second = PackageListBuilder (kOtherGuid).Add (BuildStringPackage ("fr-FR", 1, { { 1, u"Oui" } })).Build ();
  Add (First);
  Add (Second);

  BYTES  Both = First;
  Both.insert (Both.end (), Second.begin (), Second.end ());
  EXPECT_EQ (Export (nullptr), Both);

  UINTN  Size = Both.size () - 1;
  BYTES  Short (Size);
  EXPECT_EQ (Database->ExportPackageLists (Database, nullptr, &Size, (EFI_HII_PACKAGE_LIST_HEADER *)Short.data ()),
    EFI_BUFFER_TOO_SMALL);
  EXPECT_EQ (Size, Both.size ());
}

TEST_F (HiiDatabase, DriverHandleAddsItsDevicePathPackage)
{
  auto  &Driver = M.Add (std::make_unique<Emu::FakeDriver> (M, Emu::FakeDriver::VendorPath (kOtherGuid)));
  BYTES  List   = PackageListBuilder (kListGuid).Add (FormsPackage (2)).Build ();
  Register (EFI_HII_PACKAGE_DEVICE_PATH, EFI_HII_DATABASE_NOTIFY_NEW_PACK);

  EFI_HII_HANDLE  Handle = Add (List, Driver.Handle ());
  BYTES           Out    = Export (Handle);
  BYTES           Expected = PackageListBuilder (kListGuid).Add (FormsPackage (2))
                                                           .Add (BuildPackage (EFI_HII_PACKAGE_DEVICE_PATH, Driver.DevicePath ()))
                                                           .Build ();
  EXPECT_EQ (Out, Expected);
  ASSERT_EQ (gNotices.size (), 1u);
  EXPECT_EQ (gNotices[0].Length, 4 + Driver.DevicePath ().size ());

  EFI_HANDLE  Owner = nullptr;
  EXPECT_EQ (Database->GetPackageListHandle (Database, Handle, &Owner), EFI_SUCCESS);
  EXPECT_EQ (Owner, Driver.Handle ());
}

TEST_F (HiiDatabase, SameGuidTwiceFromOneDriverIsRefused)
{
  auto            &Driver = M.Add (std::make_unique<Emu::FakeDriver> (M, Emu::FakeDriver::VendorPath (kOtherGuid)));
  BYTES           List    = PackageListBuilder (kListGuid).Add (FormsPackage (1)).Build ();
  EFI_HII_HANDLE  First   = Add (List);
  EFI_HII_HANDLE  Second  = nullptr;
  Register (EFI_HII_PACKAGE_FORMS, EFI_HII_DATABASE_NOTIFY_NEW_PACK);

  EXPECT_EQ (Database->NewPackageList (Database, (const EFI_HII_PACKAGE_LIST_HEADER *)List.data (), nullptr, &Second),
    EFI_INVALID_PARAMETER);
  EXPECT_EQ (Second, nullptr);
  EXPECT_TRUE (gNotices.empty ());
  EXPECT_EQ (Hii->PackageLists ().size (), 1u);
  // Another driver handle is another instance of the driver: its list is welcome.
  EXPECT_NE (Add (List, Driver.Handle ()), nullptr);
  EXPECT_EQ (Database->NewPackageList (Database, (const EFI_HII_PACKAGE_LIST_HEADER *)List.data (), Driver.Handle (),
               &Second), EFI_INVALID_PARAMETER);
  // A removed list no longer holds its GUID.
  EXPECT_EQ (Database->RemovePackageList (Database, First), EFI_SUCCESS);
  EXPECT_NE (Add (List), nullptr);
}

TEST_F (HiiDatabase, PackageListHandleWithoutDriverOrForAStaleHandle)
{
  EFI_HII_HANDLE  Handle = Add (PackageListBuilder (kListGuid).Add (FormsPackage (3)).Build ());
  EFI_HANDLE      Owner  = nullptr;

  EXPECT_EQ (Database->GetPackageListHandle (Database, Handle, &Owner), EFI_NOT_FOUND);
  EXPECT_EQ (Database->GetPackageListHandle (Database, Handle, nullptr), EFI_INVALID_PARAMETER);
  EXPECT_EQ (Database->RemovePackageList (Database, Handle), EFI_SUCCESS);
  EXPECT_EQ (Database->GetPackageListHandle (Database, Handle, &Owner), EFI_INVALID_PARAMETER);
  EXPECT_EQ (Database->RemovePackageList (Database, Handle), EFI_NOT_FOUND);
}

TEST_F (HiiDatabase, NewNotificationsComeOncePerPackageInListOrderWithTheNewHandle)
{
  Register (EFI_HII_PACKAGE_FORMS, EFI_HII_DATABASE_NOTIFY_NEW_PACK);
  Register (EFI_HII_PACKAGE_STRINGS, EFI_HII_DATABASE_NOTIFY_NEW_PACK);
  Register (EFI_HII_PACKAGE_FORMS, EFI_HII_DATABASE_NOTIFY_REMOVE_PACK);

  EFI_HII_HANDLE  Handle = Add (PackageListBuilder (kListGuid).Add (FormsPackage (1))
                                                              .Add (BuildStringPackage ("en-US", 1, { { 1, u"x" } }))
                                                              .Add (FormsPackage (2)).Build ());
  ASSERT_EQ (gNotices.size (), 3u);
  EXPECT_EQ (gNotices[0].Type, EFI_HII_PACKAGE_FORMS);
  EXPECT_EQ (gNotices[1].Type, EFI_HII_PACKAGE_STRINGS);
  EXPECT_EQ (gNotices[2].Type, EFI_HII_PACKAGE_FORMS);
  for (const auto &Notice : gNotices) {
    EXPECT_EQ (Notice.Handle, Handle);
    EXPECT_EQ (Notice.NotifyType, (UINTN)EFI_HII_DATABASE_NOTIFY_NEW_PACK);
  }
}

TEST_F (HiiDatabase, UpdateRemovesPackagesOfTheNewTypesThenAddsTheNewOnes)
{
  EFI_HII_HANDLE  Handle = Add (PackageListBuilder (kListGuid).Add (FormsPackage (1))
                                                              .Add (BuildStringPackage ("en-US", 1, { { 1, u"x" } }))
                                                              .Add (FormsPackage (2)).Build ());
  Register (EFI_HII_PACKAGE_FORMS, EFI_HII_DATABASE_NOTIFY_REMOVE_PACK);
  Register (EFI_HII_PACKAGE_FORMS, EFI_HII_DATABASE_NOTIFY_ADD_PACK);
  Register (EFI_HII_PACKAGE_STRINGS, EFI_HII_DATABASE_NOTIFY_REMOVE_PACK);

  BYTES  Update = PackageListBuilder (kOtherGuid).Add (BuildPackage (EFI_HII_PACKAGE_FORMS, BYTES (9, 7))).Build ();
  ASSERT_EQ (Database->UpdatePackageList (Database, Handle, (const EFI_HII_PACKAGE_LIST_HEADER *)Update.data ()),
    EFI_SUCCESS);
  ASSERT_EQ (gNotices.size (), 3u);
  EXPECT_EQ (gNotices[0].NotifyType, (UINTN)EFI_HII_DATABASE_NOTIFY_REMOVE_PACK);
  EXPECT_EQ (gNotices[1].NotifyType, (UINTN)EFI_HII_DATABASE_NOTIFY_REMOVE_PACK);
  EXPECT_EQ (gNotices[2].NotifyType, (UINTN)EFI_HII_DATABASE_NOTIFY_ADD_PACK);
  EXPECT_EQ (gNotices[2].Length, 13u);
  // The list keeps its own GUID and its string package.
  EXPECT_EQ (Export (Handle), PackageListBuilder (kListGuid).Add (BuildStringPackage ("en-US", 1, { { 1, u"x" } }))
                                                            .Add (BuildPackage (EFI_HII_PACKAGE_FORMS, BYTES (9, 7)))
                                                            .Build ());
}

TEST_F (HiiDatabase, GuidPackagesAreMatchedByTheirGuid)
{
  Register (EFI_HII_PACKAGE_TYPE_GUID, EFI_HII_DATABASE_NOTIFY_NEW_PACK, &kPackGuid);
  Add (PackageListBuilder (kListGuid).Add (GuidPackage (kOtherGuid)).Add (GuidPackage (kPackGuid)).Build ());
  ASSERT_EQ (gNotices.size (), 1u);

  EFI_HII_HANDLE  Handles[4];
  UINTN           Length = sizeof (Handles);
  EXPECT_EQ (Database->ListPackageLists (Database, EFI_HII_PACKAGE_TYPE_GUID, &kPackGuid, &Length, Handles),
    EFI_SUCCESS);
  EXPECT_EQ (Length, sizeof (EFI_HII_HANDLE));
  Length = sizeof (Handles);
  EXPECT_EQ (Database->ListPackageLists (Database, EFI_HII_PACKAGE_TYPE_GUID, &kListGuid, &Length, Handles),
    EFI_NOT_FOUND);
  EXPECT_EQ (Database->ListPackageLists (Database, EFI_HII_PACKAGE_TYPE_GUID, nullptr, &Length, Handles),
    EFI_INVALID_PARAMETER);
}

TEST_F (HiiDatabase, RemoveNotifiesEachPackageBeforeItGoes)
{
  EFI_HII_HANDLE  Handle = Add (PackageListBuilder (kListGuid).Add (FormsPackage (1)).Add (FormsPackage (2))
                                                              .Build ());
  EFI_HANDLE      Notify = Register (EFI_HII_PACKAGE_FORMS, EFI_HII_DATABASE_NOTIFY_REMOVE_PACK);

  EXPECT_EQ (Database->RemovePackageList (Database, Handle), EFI_SUCCESS);
  EXPECT_EQ (gNotices.size (), 2u);
  UINTN  Size = 0;
  EXPECT_EQ (Database->ExportPackageLists (Database, nullptr, &Size, nullptr), EFI_SUCCESS);
  EXPECT_EQ (Size, 0u);

  EXPECT_EQ (Database->UnregisterPackageNotify (Database, Notify), EFI_SUCCESS);
  EXPECT_EQ (Database->UnregisterPackageNotify (Database, Notify), EFI_NOT_FOUND);
  Handle = Add (PackageListBuilder (kListGuid).Add (FormsPackage (1)).Build ());
  EXPECT_EQ (Database->RemovePackageList (Database, Handle), EFI_SUCCESS);
  EXPECT_EQ (gNotices.size (), 2u);
}

TEST_F (HiiDatabase, ListPackageListsIsTwoCallAndFiltersByType)
{
  EFI_HII_HANDLE  Forms   = Add (PackageListBuilder (kListGuid).Add (FormsPackage (1)).Build ());
  EFI_HII_HANDLE  Strings = Add (PackageListBuilder (kOtherGuid).Add (BuildStringPackage ("en-US", 1, { { 1, u"s" } }))
                                                                .Build ());
  UINTN           Length  = 0;

  EXPECT_EQ (Database->ListPackageLists (Database, EFI_HII_PACKAGE_TYPE_ALL, nullptr, &Length, nullptr),
    EFI_BUFFER_TOO_SMALL);
  EXPECT_EQ (Length, 2 * sizeof (EFI_HII_HANDLE));
  std::vector<EFI_HII_HANDLE>  Handles (2);
  EXPECT_EQ (Database->ListPackageLists (Database, EFI_HII_PACKAGE_TYPE_ALL, nullptr, &Length, Handles.data ()),
    EFI_SUCCESS);
  EXPECT_EQ (Handles, (std::vector<EFI_HII_HANDLE>{ Forms, Strings }));

  Length = 2 * sizeof (EFI_HII_HANDLE);
  EXPECT_EQ (Database->ListPackageLists (Database, EFI_HII_PACKAGE_STRINGS, nullptr, &Length, Handles.data ()),
    EFI_SUCCESS);
  EXPECT_EQ (Length, sizeof (EFI_HII_HANDLE));
  EXPECT_EQ (Handles[0], Strings);
  Length = 2 * sizeof (EFI_HII_HANDLE);
  EXPECT_EQ (Database->ListPackageLists (Database, EFI_HII_PACKAGE_FONTS, nullptr, &Length, Handles.data ()),
    EFI_NOT_FOUND);
}

TEST_F (HiiDatabase, MalformedListsAreRefusedAndLeaveNoTrace)
{
  Register (EFI_HII_PACKAGE_FORMS, EFI_HII_DATABASE_NOTIFY_NEW_PACK);
  BYTES  Good = PackageListBuilder (kListGuid).Add (FormsPackage (1))
                                              .Add (BuildStringPackage ("en-US", 1, { { 1, u"A" } })).Build ();

  std::vector<BYTES>  Bad;
  Bad.push_back (Good);
  Bad.back ()[16] -= 1;                              // list length cuts the END package
  Bad.push_back (Good);
  Bad.back ().resize (Good.size () - 4);             // no END package at all
  { UINT32 L = (UINT32)Bad.back ().size (); std::memcpy (&Bad.back ()[16], &L, 4); }
  Bad.push_back (Good);
  Bad.back ()[20] = 0;                               // forms package of length 0
  Bad.back ()[21] = 0;
  Bad.push_back (Good);
  Bad.back ()[20] = 0xFF;                            // forms package runs past the list
  Bad.push_back (Good);
  Bad.back ()[30 + 8] = 0xF0;                        // string package info offset past its end
  Bad.push_back (Good);
  Bad.back ().insert (Bad.back ().end (), { 4, 0, 0, 0 });  // bytes after the END package
  { UINT32 L = (UINT32)Bad.back ().size (); std::memcpy (&Bad.back ()[16], &L, 4); }

  for (size_t Index = 0; Index < Bad.size (); Index++) {
    EFI_HII_HANDLE  Handle = nullptr;
    EXPECT_EQ (Database->NewPackageList (Database, (const EFI_HII_PACKAGE_LIST_HEADER *)Bad[Index].data (), nullptr,
                 &Handle), EFI_INVALID_PARAMETER) << "case " << Index;
  }
  EXPECT_TRUE (gNotices.empty ());
  EXPECT_TRUE (Hii->PackageLists ().empty ());
}

TEST_F (HiiDatabase, ExportNotifiesEachExportedPackageOfTheType)
{
  EFI_HII_HANDLE  Handle = Add (PackageListBuilder (kListGuid).Add (FormsPackage (1))
                                                              .Add (BuildStringPackage ("en-US", 1, { { 1, u"x" } }))
                                                              .Add (FormsPackage (2)).Build ());
  Add (PackageListBuilder (kOtherGuid).Add (FormsPackage (3)).Build ());
  Register (EFI_HII_PACKAGE_FORMS, EFI_HII_DATABASE_NOTIFY_EXPORT_PACK);

  Export (Handle);
  ASSERT_EQ (gNotices.size (), 2u);  // the sizing call exports nothing
  EXPECT_EQ (gNotices[1].Handle, Handle);
  EXPECT_EQ (gNotices[1].NotifyType, (UINTN)EFI_HII_DATABASE_NOTIFY_EXPORT_PACK);
  gNotices.clear ();
  Export (nullptr);
  EXPECT_EQ (gNotices.size (), 3u);
}

// A notify function that removes the list it is told about must not upset the walk.
EFI_STATUS EFIAPI
RemoveOnNotice (UINT8, CONST EFI_GUID *, CONST EFI_HII_PACKAGE_HEADER *, EFI_HII_HANDLE Handle,
  EFI_HII_DATABASE_NOTIFY_TYPE)
{
  EFI_HII_DATABASE_PROTOCOL  *Database = nullptr;
  Emu::Machine::Current ()->Protocols ().LocateProtocol (&gEfiHiiDatabaseProtocolGuid, nullptr, (VOID **)&Database);
  gNotices.push_back ({ 0, Handle, 0, 0 });
  return Database->RemovePackageList (Database, Handle);
}

TEST_F (HiiDatabase, NotifyFunctionMayRemoveTheListItIsToldAbout)
{
  EFI_HANDLE  Notify;
  ASSERT_EQ (Database->RegisterPackageNotify (Database, EFI_HII_PACKAGE_FORMS, nullptr, RemoveOnNotice,
               EFI_HII_DATABASE_NOTIFY_NEW_PACK, &Notify), EFI_SUCCESS);
  EFI_HII_HANDLE  Handle = Add (PackageListBuilder (kListGuid).Add (FormsPackage (1)).Add (FormsPackage (2))
                                                              .Build ());
  EXPECT_EQ (gNotices.size (), 1u);
  EXPECT_EQ (Hii->Find (Handle), nullptr);
}

TEST_F (HiiDatabase, OneRegistrationMayAskForSeveralNotifyTypes)
{
  Register (EFI_HII_PACKAGE_FORMS, EFI_HII_DATABASE_NOTIFY_NEW_PACK | EFI_HII_DATABASE_NOTIFY_REMOVE_PACK);
  EFI_HII_HANDLE  Handle = Add (PackageListBuilder (kListGuid).Add (FormsPackage (1)).Build ());
  EXPECT_EQ (Database->RemovePackageList (Database, Handle), EFI_SUCCESS);

  ASSERT_EQ (gNotices.size (), 2u);
  EXPECT_EQ (gNotices[0].NotifyType, (UINTN)EFI_HII_DATABASE_NOTIFY_NEW_PACK);
  EXPECT_EQ (gNotices[1].NotifyType, (UINTN)EFI_HII_DATABASE_NOTIFY_REMOVE_PACK);
  EFI_HANDLE  Notify = nullptr;
  EXPECT_EQ (Database->RegisterPackageNotify (Database, EFI_HII_PACKAGE_FORMS, nullptr, Record, 0, &Notify),
    EFI_INVALID_PARAMETER);
  EXPECT_EQ (Database->RegisterPackageNotify (Database, EFI_HII_PACKAGE_FORMS, nullptr, Record, 0x10, &Notify),
    EFI_INVALID_PARAMETER);
}

// A notify function that adds a string to the list being exported.
EFI_STATUS EFIAPI
GrowOnExport (UINT8, CONST EFI_GUID *, CONST EFI_HII_PACKAGE_HEADER *, EFI_HII_HANDLE Handle,
  EFI_HII_DATABASE_NOTIFY_TYPE)
{
  EFI_HII_STRING_PROTOCOL  *Strings = nullptr;
  EFI_STRING_ID            Id;
  Emu::Machine::Current ()->Protocols ().LocateProtocol (&gEfiHiiStringProtocolGuid, nullptr, (VOID **)&Strings);
  return Strings->NewString (Strings, Handle, &Id, "en-US", nullptr, (EFI_STRING)u"Grown while exported", nullptr);
}

TEST_F (HiiDatabase, ExportNeverWritesPastTheBufferWhenANotifyFunctionGrowsTheList)
{
  EFI_HII_HANDLE  Handle = Add (PackageListBuilder (kListGuid).Add (BuildStringPackage ("en-US", 1, { { 1, u"x" } }))
                                                              .Build ());
  EFI_HANDLE      Notify = nullptr;
  ASSERT_EQ (Database->RegisterPackageNotify (Database, EFI_HII_PACKAGE_STRINGS, nullptr, GrowOnExport,
               EFI_HII_DATABASE_NOTIFY_EXPORT_PACK, &Notify), EFI_SUCCESS);

  UINTN  Size = 0;
  ASSERT_EQ (Database->ExportPackageLists (Database, Handle, &Size, nullptr), EFI_BUFFER_TOO_SMALL);
  BYTES  Bytes (Size);
  UINTN  Asked = Size;
  EXPECT_EQ (Database->ExportPackageLists (Database, Handle, &Size, (EFI_HII_PACKAGE_LIST_HEADER *)Bytes.data ()),
    EFI_BUFFER_TOO_SMALL);
  EXPECT_GT (Size, Asked);
}

}  // namespace

// A registration that a notify function removes during a notification is not called
// for it, the ones after it still are, and no later registration takes its handle: a
// stale notify handle stays refused however many come and go.
TEST_F (HiiDatabase, ARegistrationRemovedDuringANotificationIsSkippedAndItsHandleStaysStale)
{
  EFI_HANDLE  First = nullptr;

  ASSERT_EQ (Database->RegisterPackageNotify (Database, EFI_HII_PACKAGE_FORMS, nullptr, RecordAndUnregister,
               EFI_HII_DATABASE_NOTIFY_NEW_PACK, &First), EFI_SUCCESS);
  EFI_HANDLE  Removed = Register (EFI_HII_PACKAGE_FORMS, EFI_HII_DATABASE_NOTIFY_NEW_PACK);
  EFI_HANDLE  Last    = Register (EFI_HII_PACKAGE_FORMS, EFI_HII_DATABASE_NOTIFY_NEW_PACK);
  gUnregisterFrom = Database;
  gToUnregister   = Removed;

  Add (PackageListBuilder (kListGuid).Add (FormsPackage (1)).Build ());
  EXPECT_EQ (gNotices.size (), 2u);     // the first and the last
  EXPECT_EQ (gToUnregister, nullptr);

  for (int Round = 0; Round < 64; Round++) {
    EFI_HANDLE  Other = Register (EFI_HII_PACKAGE_FORMS, EFI_HII_DATABASE_NOTIFY_REMOVE_PACK);
    EXPECT_NE (Other, Removed);
    EXPECT_EQ (Database->UnregisterPackageNotify (Database, Other), EFI_SUCCESS);
  }
  EXPECT_EQ (Database->UnregisterPackageNotify (Database, Removed), EFI_NOT_FOUND);
  EXPECT_EQ (Database->UnregisterPackageNotify (Database, Last), EFI_SUCCESS);
  EXPECT_EQ (Database->UnregisterPackageNotify (Database, First), EFI_SUCCESS);
}

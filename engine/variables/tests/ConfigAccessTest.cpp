// Variables other drivers own, through the emulator's Configuration Routing and fake
// drivers: the exact strings sent, byte-exact round trips, name/value stores, the
// callback state around every call, and the engine's own configuration-access
// instance with the statuses and Progress positions of the UEFI rules.
#include <engine/testing/HiiEngineTest.h>

#include <engine/variables/ConfigString.h>
#include <engine/variables/VariableCache.h>
#include <engine/core/VariableGuids.h>
#include <engine/core/SetupData.h>
#include <Library/MemoryAllocationLib.h>

#include <Builders/HiiPackageBuilder.h>
#include <Builders/IfrBuilder.h>
#include <EmulatorHii/ConfigString.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using Builders::BYTES;

const EFI_GUID  kStoreGuid  = ENGINE_SETTINGS_VARIABLE_GUID;
const EFI_GUID  kDriverGuid = { 0xA0A0A0A0, 0x1111, 0x2222, { 3, 3, 3, 3, 3, 3, 3, 3 } };
const EFI_GUID  kListGuid   = { 0x5A5A5A5A, 0x1111, 0x2222, { 5, 5, 5, 5, 5, 5, 5, 5 } };
const EFI_GUID  kEngineVar  = BOARD_SETUP_VARIABLE_GUID;
// Spelled out, not taken from the engine, so a wrong GUID there shows.
const EFI_GUID  kUndiGuid   = { 0xA31ABB16, 0xC627, 0x475B, { 0x98, 0x8E, 0x7E, 0xE0, 0x77, 0x67, 0x40, 0xF3 } };

BYTES
FormsWithStores ()
{
  Builders::IfrBuilder  Forms;

  Forms.VarStore (kStoreGuid, 1, 8, "Board");
  Forms.VarStoreNameValue (2, kStoreGuid);
  return Builders::PackageListBuilder (kListGuid).Add (Forms.Package ()).Build ();
}

VARIABLE_RECORD
Record (const std::u16string &Name, UINT32 StoreFlags, EFI_HII_HANDLE Handle, UINT16 Size)
{
  VARIABLE_RECORD  R {};

  R.VendorGuid = kStoreGuid;
  std::memcpy (R.Name, Name.c_str (), (Name.size () + 1) * sizeof (CHAR16));
  R.StoreFlags = StoreFlags;
  R.HiiHandle  = Handle;
  R.Size       = Size;
  return R;
}

class ConfigAccessTest : public HiiEngineTest {
protected:
  void SetUp () override
  {
    HiiEngineTest::SetUp ();
    Driver = &AddDriver (kDriverGuid);
    Handle = Driver->Publish (*Hii, FormsWithStores ());
    ASSERT_NE (Handle, nullptr);
    Driver->SetStore (kStoreGuid, u"Board", { 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17 });
    Driver->SetNameValue (kStoreGuid, u"Speed", u"0064");
    Header = u"GUID=" + Emu::HexBytes (&kStoreGuid, 16) + u"&NAME=" + Emu::HexName (u"Board") + u"&PATH=" +
             Emu::HexBytes (Driver->DevicePath ().data (), Driver->DevicePath ().size ());
    NameValueHeader = u"GUID=" + Emu::HexBytes (&kStoreGuid, 16) + u"&NAME=&PATH=" +
                      Emu::HexBytes (Driver->DevicePath ().data (), Driver->DevicePath ().size ());
  }

  std::vector<UINT8> Bytes (VOID *Buffer, UINTN Size)
  {
    std::vector<UINT8>  Copy ((UINT8 *)Buffer, (UINT8 *)Buffer + Size);
    FreePool (Buffer);
    return Copy;
  }

  Emu::FakeDriver  *Driver = nullptr;
  EFI_HII_HANDLE   Handle  = nullptr;
  std::u16string   Header;
  std::u16string   NameValueHeader;
};

TEST_F (ConfigAccessTest, BlockReadAsksForTheRangeAndGetsItsBytes) {
  VARIABLE_RECORD  R      = Record (u"Board", 0, Handle, 8);
  VOID             *Data = nullptr;

  ASSERT_EQ (ExtractVariableConfig (&R, &Data, 4, 2), EFI_SUCCESS);
  EXPECT_EQ (Bytes (Data, 2), (std::vector<UINT8> { 0x14, 0x15 }));
  ASSERT_EQ (Driver->Calls ().size (), 1u);
  EXPECT_EQ (Driver->Calls ()[0].Text, Header + u"&OFFSET=4&WIDTH=2");
}

TEST_F (ConfigAccessTest, BlockWriteSendsOffsetWidthAndValueLastByteFirst) {
  VARIABLE_RECORD  R       = Record (u"Board", 0, Handle, 8);
  const UINT8      Data[2] = { 0x12, 0x34 };

  ASSERT_EQ (RouteVariableConfig (&R, Data, 4, 2), EFI_SUCCESS);
  ASSERT_EQ (Driver->Calls ().size (), 1u);
  EXPECT_EQ (Driver->Calls ()[0].Text, Header + u"&OFFSET=4&WIDTH=2&VALUE=3412");
  EXPECT_EQ (*Driver->Store (kStoreGuid, u"Board"), (std::vector<UINT8> { 0x10, 0x11, 0x12, 0x13, 0x12, 0x34, 0x16, 0x17 }));

  VOID  *Back = nullptr;
  ASSERT_EQ (ExtractVariableConfig (&R, &Back, 0, 8), EFI_SUCCESS);
  EXPECT_EQ (Bytes (Back, 8), *Driver->Store (kStoreGuid, u"Board"));
}

EFI_STATUS EFIAPI
RefuseExtract (CONST EFI_HII_CONFIG_ROUTING_PROTOCOL *, CONST EFI_STRING, EFI_STRING *, EFI_STRING *)
{
  return EFI_DEVICE_ERROR;
}

EFI_STATUS EFIAPI
RefuseRoute (CONST EFI_HII_CONFIG_ROUTING_PROTOCOL *, CONST EFI_STRING, EFI_STRING *)
{
  return EFI_DEVICE_ERROR;
}

// The owning driver is asked directly: a Configuration Routing that refuses every request
// changes nothing for a name/value store.
TEST_F (ConfigAccessTest, NameValueStoreIsAskedByElementNameAtTheDriver) {
  VARIABLE_RECORD                  R      = Record (u"Speed", VARIABLE_STORE_NAME_VALUE, Handle, 2);
  VOID                             *Data = nullptr;
  const UINT8                      New[2] = { 0xC8, 0x00 };
  EFI_HII_CONFIG_ROUTING_PROTOCOL  *Real   = gHiiConfigRouting;
  EFI_HII_CONFIG_ROUTING_PROTOCOL  Refusing = *Real;

  Refusing.ExtractConfig = RefuseExtract;
  Refusing.RouteConfig   = RefuseRoute;
  gHiiConfigRouting      = &Refusing;
  ASSERT_EQ (ExtractVariableConfig (&R, &Data, 0, 2), EFI_SUCCESS);
  EXPECT_EQ (Bytes (Data, 2), (std::vector<UINT8> { 0x64, 0x00 }));
  ASSERT_EQ (RouteVariableConfig (&R, New, 0, 2), EFI_SUCCESS);
  EXPECT_EQ (*Driver->NameValue (kStoreGuid, u"Speed"), u"00c8");
  ASSERT_EQ (Driver->Calls ().size (), 2u);
  EXPECT_EQ (Driver->Calls ()[0].Text, NameValueHeader + u"&Speed");
  EXPECT_EQ (Driver->Calls ()[1].Text, NameValueHeader + u"&Speed=00c8");
  gHiiConfigRouting = Real;
}

TEST_F (ConfigAccessTest, LongNameValueValuesTravelAsCharacters) {
  VARIABLE_RECORD  R      = Record (u"Label", VARIABLE_STORE_NAME_VALUE, Handle, 12);
  const CHAR16     Text[6] = u"Lab01";
  VOID             *Data  = nullptr;

  Driver->SetNameValue (kStoreGuid, u"Label", u"0000");
  ASSERT_EQ (RouteVariableConfig (&R, Text, 0, sizeof (Text)), EFI_SUCCESS);
  EXPECT_EQ (*Driver->NameValue (kStoreGuid, u"Label"), u"004c0061006200300031" u"0000");
  ASSERT_EQ (ExtractVariableConfig (&R, &Data, 0, sizeof (Text)), EFI_SUCCESS);
  EXPECT_EQ (std::u16string ((CHAR16 *)Data), u"Lab01");
  FreePool (Data);
}

TEST_F (ConfigAccessTest, UndiStoreIsNeverWritten) {
  VARIABLE_RECORD  R       = Record (u"UndiNVData", 0, Handle, 8);
  const UINT8      Data[2] = { 1, 2 };

  R.VendorGuid = kUndiGuid;
  EXPECT_EQ (RouteVariableConfig (&R, Data, 0, 2), EFI_SUCCESS);
  EXPECT_TRUE (Driver->Calls ().empty ());
  // Another GUID with that name is written as usual (and fails: no such store here).
  R.VendorGuid = kStoreGuid;
  EXPECT_NE (RouteVariableConfig (&R, Data, 0, 2), EFI_SUCCESS);
}

TEST_F (ConfigAccessTest, CallbackStateIsSetDuringTheCallAndRestoredAfter) {
  VARIABLE_RECORD  R       = Record (u"Board", 0, Handle, 8);
  UINT8            Seen    = 0;
  EFI_HII_HANDLE   Context = nullptr;
  VOID             *Data  = nullptr;

  Driver->OnExtract = [&] (Emu::FakeDriver &D, CONST CHAR16 *Request, CHAR16 **Progress, CHAR16 **Results) {
    Seen    = gInBrowserCallback;
    Context = gCallbackContext.HiiHandle;
    return D.DefaultExtract (Request, Progress, Results);
  };
  ASSERT_EQ (ExtractVariableConfig (&R, &Data, 0, 1), EFI_SUCCESS);
  FreePool (Data);
  EXPECT_EQ (Seen, 1);
  EXPECT_EQ (Context, Handle);
  EXPECT_EQ (gInBrowserCallback, 0);
  EXPECT_EQ (gCallbackContext.HiiHandle, nullptr);

  // Nested inside another driver call the flag stays set, also when the driver fails.
  Driver->OnExtract = [&] (Emu::FakeDriver &, CONST CHAR16 *, CHAR16 **Progress, CHAR16 **) {
    *Progress = nullptr;
    return EFI_DEVICE_ERROR;
  };
  gInBrowserCallback = 1;
  EXPECT_EQ (ExtractVariableConfig (&R, &Data, 0, 1), EFI_DEVICE_ERROR);
  EXPECT_EQ (Data, nullptr);
  EXPECT_EQ (gInBrowserCallback, 1);
  EXPECT_EQ (gCallbackContext.HiiHandle, nullptr);
}

TEST_F (ConfigAccessTest, ResultsThatDoNotValidateReadAsNotFound) {
  VARIABLE_RECORD  R     = Record (u"Board", 0, Handle, 8);
  VOID             *Data = nullptr;
  std::u16string   Answer;

  Driver->OnExtract = [&] (Emu::FakeDriver &D, CONST CHAR16 *, CHAR16 **Progress, CHAR16 **Results) {
    *Progress = nullptr;
    *Results  = (CHAR16 *)AllocateCopyPool ((Answer.size () + 1) * sizeof (CHAR16), Answer.c_str ());
    (VOID)D;
    return EFI_SUCCESS;
  };
  for (const std::u16string &Bad : { Header + u"&OFFSET=0&WIDTH=1&SIZE=3", Header + u"&OFFSET=0&WIDTH=1",
                                     Header + u"&OFFSET=0&WIDTH=1&VALUE=12x", Header + u"&OFFSET=0&WIDTH=1&VALUE=123",
                                     std::u16string (u"NAME=") }) {
    Answer = Bad;
    EXPECT_EQ (ExtractVariableConfig (&R, &Data, 0, 1), EFI_NOT_FOUND);
    EXPECT_EQ (Data, nullptr);
  }
}

// Every allocation of a read or a write failing in turn: each call fails or succeeds
// whole, frees what it built, and leaves the callback state as it found it.
TEST_F (ConfigAccessTest, AllocationFailuresLeakNothingAndRestoreTheCallbackState) {
  VARIABLE_RECORD  Block     = Record (u"Board", 0, Handle, 8);
  VARIABLE_RECORD  NameValue = Record (u"Speed", VARIABLE_STORE_NAME_VALUE, Handle, 2);
  const UINT8      Data[2]   = { 0x12, 0x34 };
  UINTN            Failures  = 0;

  for (VARIABLE_RECORD *R : { &Block, &NameValue }) {
    for (UINT64 Nth = 1; Nth <= 12; Nth++) {
      UINT64  Mark = M.Memory ().AllocationCount ();
      VOID    *Out = nullptr;

      M.Memory ().FailAllocation (Nth);
      EFI_STATUS  Read = ExtractVariableConfig (R, &Out, 0, 2);
      M.Memory ().FailAllocation (Nth);
      EFI_STATUS  Write = RouteVariableConfig (R, Data, 0, 2);
      M.Memory ().FailAllocation (0);

      EXPECT_EQ (EFI_ERROR (Read), Out == nullptr) << Nth;
      Failures += (EFI_ERROR (Read) ? 1 : 0) + (EFI_ERROR (Write) ? 1 : 0);
      FreePool (Out);
      EXPECT_TRUE (M.Memory ().LeaksSince (Mark).empty ()) << Nth;
      EXPECT_EQ (gInBrowserCallback, 0);
      EXPECT_EQ (gCallbackContext.HiiHandle, nullptr);
    }
  }

  EXPECT_GT (Failures, 4u);
}

TEST_F (ConfigAccessTest, UnknownPackageListOrMissingRoutingFails) {
  VARIABLE_RECORD  R     = Record (u"Board", 0, (EFI_HII_HANDLE)(UINTN)0x1234, 8);
  VOID             *Data = nullptr;

  EXPECT_EQ (ExtractVariableConfig (&R, &Data, 0, 1), EFI_INVALID_PARAMETER);
  R.HiiHandle       = Handle;
  gHiiConfigRouting = nullptr;
  EXPECT_EQ (ExtractVariableConfig (&R, &Data, 0, 1), EFI_NOT_READY);
  EXPECT_EQ (RouteVariableConfig (&R, &Data, 0, 1), EFI_NOT_READY);
  EXPECT_TRUE (Driver->Calls ().empty ());
}

TEST_F (ConfigAccessTest, RoutedVariablesReachTheVariableCache) {
  Builders::SETUP_DATA_DESC  D;

  for (int Index = 0; Index < 27; Index++) {
    D.Variables.push_back ({ .VendorGuid = kEngineVar, .Name = u"Var" + std::u16string (1, u'A' + Index),
                             .StoreFlags = VARIABLE_STORE_EFI, .Size = 2 });
  }
  D.Variables[26]  = { .VendorGuid = kStoreGuid, .Name = u"Board", .StoreFlags = 0, .Size = 8 };
  D.FormSets       = { {} };
  LoadSetupData (D);
  GetVariableRecord (26)->HiiHandle = Handle;

  UINTN  Size = 0;
  VOID   *Data = GetVariableByIndex (26, &Size);
  ASSERT_NE (Data, nullptr);
  EXPECT_EQ (Bytes (Data, Size), *Driver->Store (kStoreGuid, u"Board"));

  UINT8  New[8] = { 8, 7, 6, 5, 4, 3, 2, 1 };
  ASSERT_EQ (SetVariableByIndex (26, New, 8), EFI_SUCCESS);
  EXPECT_EQ (*Driver->Store (kStoreGuid, u"Board"), std::vector<UINT8> (New, New + 8));
}

// Inside a read pass a store that gave nothing is asked once, and reads of it give
// what they give outside one (zeros, the same status); a store that answers is read
// once into the cache. A write opens the store again, and so does the pass's end.
TEST_F (ConfigAccessTest, AReadPassAsksAStoreThatGivesNothingOnce) {
  Builders::SETUP_DATA_DESC  D;

  for (int Index = 0; Index < 26; Index++) {
    D.Variables.push_back ({ .VendorGuid = kEngineVar, .Name = u"Var" + std::u16string (1, u'A' + Index),
                             .StoreFlags = VARIABLE_STORE_EFI, .Size = 2 });
  }
  D.Variables.push_back ({ .VendorGuid = kStoreGuid, .Name = u"Board", .StoreFlags = 0, .Size = 8 });
  D.FormSets = { {} };
  LoadSetupData (D);
  GetVariableRecord (26)->HiiHandle = Handle;

  bool  Answers = false;
  Driver->OnExtract = [&] (Emu::FakeDriver &Self, CONST CHAR16 *Request, CHAR16 **Progress, CHAR16 **Results) {
    return Answers ? Self.DefaultExtract (Request, Progress, Results) : EFI_NOT_FOUND;
  };
  ASSERT_EQ (LoadVariableCache (&gVariableCache, nullptr), EFI_SUCCESS);
  ASSERT_EQ (gVariableCache[26].Size, 0u);

  struct READ {
    EFI_STATUS  Status;
    UINT8       Byte;
  };
  auto  ReadAll = [] () {
    std::vector<READ>  Reads;
    for (UINTN Offset = 0; Offset < 8; Offset++) {
      UINT8  Byte = 0xEE;
      Reads.push_back ({ ReadVariableBytes (26, Offset, 1, &Byte, FALSE), Byte });
    }
    return Reads;
  };
  auto  Same = [] (const std::vector<READ> &A, const std::vector<READ> &B) {
    for (size_t At = 0; At < A.size (); At++) {
      if ((A[At].Status != B[At].Status) || (A[At].Byte != B[At].Byte)) {
        return false;
      }
    }
    return A.size () == B.size ();
  };

  Driver->ClearCalls ();
  std::vector<READ>  Outside = ReadAll ();
  EXPECT_EQ (Driver->Calls ().size (), 8u);       // without a pass every read asks
  EXPECT_EQ (Outside[3].Byte, 0);

  Driver->ClearCalls ();
  BeginStoreReadPass ();
  BeginStoreReadPass ();                          // nested: the inner end keeps the pass
  EXPECT_TRUE (Same (ReadAll (), Outside));
  EndStoreReadPass ();
  EXPECT_TRUE (Same (ReadAll (), Outside));
  EXPECT_EQ (Driver->Calls ().size (), 1u);

  // A write to the store is read back, in the pass too.
  Answers = true;
  UINT8  New[8] = { 9, 8, 7, 6, 5, 4, 3, 2 };
  ASSERT_EQ (SetVariableByIndex (26, New, 8), EFI_SUCCESS);
  Driver->ClearCalls ();
  FreePool (gVariableCache[26].Data);
  gVariableCache[26] = {};
  std::vector<READ>  Written = ReadAll ();
  EndStoreReadPass ();
  EXPECT_EQ (Written[0].Byte, 9);
  EXPECT_EQ (Written[7].Byte, 2);
  EXPECT_EQ (Driver->Calls ().size (), 0u);       // the answer read back after the write serves them

  // After the pass a store that stopped answering is asked again on each read.
  Answers = false;
  FreePool (gVariableCache[26].Data);
  gVariableCache[26] = {};
  Driver->ClearCalls ();
  (VOID)ReadAll ();
  EXPECT_EQ (Driver->Calls ().size (), 8u);
  FreeVariableCaches ();
}

// Inside a read pass a store that answers is asked once, however many readers ask for
// it (the variable tables, the default caches and the pages of a setup entry each read
// every store); a store that takes the index's place after a rebuild of the variable
// list is asked for itself; after the pass every read asks again.
TEST_F (ConfigAccessTest, AReadPassAsksAStoreThatAnswersOnce) {
  Builders::SETUP_DATA_DESC  D;

  for (int Index = 0; Index < 26; Index++) {
    D.Variables.push_back ({ .VendorGuid = kEngineVar, .Name = u"Var" + std::u16string (1, u'A' + Index),
                             .StoreFlags = VARIABLE_STORE_EFI, .Size = 2 });
  }
  D.Variables.push_back ({ .VendorGuid = kStoreGuid, .Name = u"Board", .StoreFlags = 0, .Size = 8 });
  D.FormSets = { {} };
  LoadSetupData (D);
  GetVariableRecord (26)->HiiHandle = Handle;
  Driver->SetStore (kStoreGuid, u"Board", { 1, 2, 3, 4, 5, 6, 7, 8 });

  auto  Read = [] () {
    UINTN               Size = 0;
    UINT8               *Data = (UINT8 *)GetVariableByIndex (26, &Size);
    std::vector<UINT8>  Bytes (Data, Data + ((Data == nullptr) ? 0 : Size));
    FreePool (Data);
    return Bytes;
  };

  Driver->ClearCalls ();
  BeginStoreReadPass ();
  for (int Reader = 0; Reader < 4; Reader++) {
    EXPECT_EQ (Read (), (std::vector<UINT8> { 1, 2, 3, 4, 5, 6, 7, 8 }));
  }
  EXPECT_EQ (Driver->Calls ().size (), 1u);

  // Another store now sits at the index: its own answer, not the kept one.
  Driver->SetStore (kStoreGuid, u"Other", { 9, 9, 9, 9, 9, 9, 9, 9 });
  std::memcpy (GetVariableRecord (26)->Name, u"Other", sizeof (u"Other"));
  EXPECT_EQ (Read (), (std::vector<UINT8> { 9, 9, 9, 9, 9, 9, 9, 9 }));
  EXPECT_EQ (Driver->Calls ().size (), 2u);
  EndStoreReadPass ();

  (VOID)Read ();
  (VOID)Read ();
  EXPECT_EQ (Driver->Calls ().size (), 4u);
}

// The fixed indexes are the engine's own only where the compiled list has a variable:
// after a short list they belong to the form sets' stores appended there.
TEST_F (ConfigAccessTest, DirectVariablesAreFlaggedOrAtTheEnginesFixedIndexesOfTheCompiledList) {
  VARIABLE_RECORD  Plain = Record (u"X", 0, nullptr, 1);
  VARIABLE_RECORD  Efi   = Record (u"X", VARIABLE_STORE_EFI, nullptr, 1);
  UINT8            *Compiled = gCompiledVariableList;
  UINT8            LongList[4]  = { 60, 0, 0, 0 };     // the count alone is read
  UINT8            ShortList[4] = { 25, 0, 0, 0 };

  gCompiledVariableList = LongList;
  for (UINTN Index : { 1, 15, 22, 25, 47, 54 }) {
    EXPECT_TRUE (IsDirectEfiVariable (Index, &Plain)) << Index;
  }
  for (UINTN Index : { 0, 16, 21, 26, 46, 55 }) {
    EXPECT_FALSE (IsDirectEfiVariable (Index, &Plain)) << Index;
    EXPECT_TRUE (IsDirectEfiVariable (Index, &Efi)) << Index;
  }

  gCompiledVariableList = ShortList;
  for (UINTN Index : { 1, 15, 22, 24 }) {
    EXPECT_TRUE (IsDirectEfiVariable (Index, &Plain)) << Index;
  }
  for (UINTN Index : { 25, 47, 54 }) {
    EXPECT_FALSE (IsDirectEfiVariable (Index, &Plain)) << Index;
    EXPECT_TRUE (IsDirectEfiVariable (Index, &Efi)) << Index;
  }

  gCompiledVariableList = Compiled;
}

TEST_F (ConfigAccessTest, SetStringAllLanguagesChangesEveryLanguage) {
  BYTES                 List = Builders::PackageListBuilder (kListGuid)
                                 .Add (Builders::BuildStringPackage ("en-US", 1, { { 1, u"One" } }))
                                 .Add (Builders::BuildStringPackage ("fr-FR", 1, { { 1, u"Un" } }))
                                 .Build ();
  EFI_HII_HANDLE        Strings = nullptr;
  CHAR8                 En[] = "en-US";
  CHAR8                 Fr[] = "fr-FR";
  CHAR8                 De[] = "de-DE";
  LANGUAGE_ENTRY        Languages[3] = {};

  Languages[0].Code = En;
  Languages[1].Code = De;
  Languages[2].Code = Fr;

  ASSERT_EQ (gHiiDatabase->NewPackageList (gHiiDatabase, (EFI_HII_PACKAGE_LIST_HEADER *)List.data (), nullptr, &Strings),
    EFI_SUCCESS);
  gLanguageList  = Languages;
  gLanguageCount = 3;
  // German has no package here: its failure is reported, the others still change.
  EXPECT_NE (SetStringAllLanguages (Strings, 1, u"Two"), EFI_SUCCESS);
  EXPECT_EQ (Hii->String (Strings, "en-US", 1).value_or (u""), u"Two");
  EXPECT_EQ (Hii->String (Strings, "fr-FR", 1).value_or (u""), u"Two");
  gLanguageCount = 2;
  gLanguageList  = Languages + 1;
  Languages[1].Code = Fr;
  EXPECT_EQ (SetStringAllLanguages (Strings, 1, u"Deux"), EFI_SUCCESS);
  gLanguageList  = nullptr;
  gLanguageCount = 0;
}

//
// The engine's own instance.
//
class EngineConfigTest : public ConfigAccessTest {
protected:
  std::u16string EngineHeader (const std::u16string &Name)
  {
    return u"GUID=" + Emu::HexBytes (&kEngineVar, 16) + u"&NAME=" + Emu::HexName (Name) + u"&PATH=7fff0400";
  }

  EFI_STATUS Extract (const std::u16string &Request, std::u16string *Results, INTN *ProgressAt)
  {
    EFI_STRING  Progress = nullptr;
    EFI_STRING  Out      = nullptr;
    EFI_STATUS  Status   = gEngineConfigAccess.ExtractConfig (&gEngineConfigAccess, (EFI_STRING)Request.c_str (),
                             &Progress, &Out);
    *ProgressAt = (Progress == nullptr) ? -1 : (INTN)(Progress - Request.c_str ());
    *Results    = Text (Out);
    FreePool (Out);
    return Status;
  }

  EFI_STATUS Route (const std::u16string &Config, INTN *ProgressAt)
  {
    EFI_STRING  Progress = nullptr;
    EFI_STATUS  Status   = gEngineConfigAccess.RouteConfig (&gEngineConfigAccess, (EFI_STRING)Config.c_str (), &Progress);
    *ProgressAt = (Progress == nullptr) ? -1 : (INTN)(Progress - Config.c_str ());
    return Status;
  }
};

// A header alone gets the whole variable; a block request is answered as it stands.
TEST_F (EngineConfigTest, RequestsGetTheWholeVariableOrTheirBlock) {
  std::u16string  Results;
  std::u16string  Request = EngineHeader (u"Timeout") + u"&OFFSET=1&WIDTH=2";
  INTN            At;

  M.Variables ().Put (u"Timeout", kEngineVar, 7, { 0x0A, 0x00, 0x05 });
  ASSERT_EQ (Extract (EngineHeader (u"Timeout"), &Results, &At), EFI_SUCCESS);
  EXPECT_EQ (Results, EngineHeader (u"Timeout") + u"&OFFSET=0&WIDTH=3&VALUE=05000a");
  EXPECT_EQ (At, (INTN)EngineHeader (u"Timeout").size ());
  ASSERT_EQ (Extract (Request, &Results, &At), EFI_SUCCESS);
  EXPECT_EQ (Results, Request + u"&VALUE=0500");
  EXPECT_EQ (At, (INTN)Request.size ());
  // A range past the variable is the conversion's error.
  EXPECT_EQ (Extract (EngineHeader (u"Timeout") + u"&OFFSET=2&WIDTH=2", &Results, &At), EFI_DEVICE_ERROR);
}

TEST_F (EngineConfigTest, MalformedRequestsGetInvalidParameterAndTheirProgress) {
  std::u16string  Results;
  INTN            At = 0;
  std::u16string  GuidPart = u"GUID=" + Emu::HexBytes (&kEngineVar, 16);

  M.Variables ().Put (u"Timeout", kEngineVar, 7, { 0x0A, 0x00 });
  EFI_STRING  Progress = (EFI_STRING)u"x";
  EFI_STRING  Out      = nullptr;
  EXPECT_EQ (gEngineConfigAccess.ExtractConfig (&gEngineConfigAccess, nullptr, &Progress, &Out), EFI_INVALID_PARAMETER);
  EXPECT_EQ (Progress, nullptr);

  EXPECT_EQ (Extract (u"NAME=0041", &Results, &At), EFI_INVALID_PARAMETER);
  EXPECT_EQ (At, 0);
  EXPECT_EQ (Extract (GuidPart + u"0&NAME=0041", &Results, &At), EFI_INVALID_PARAMETER);
  EXPECT_EQ (At, 0);
  // A bad name: progress 74 bytes in, at the "&" before NAME.
  EXPECT_EQ (Extract (GuidPart + u"&NAME=00410&PATH=00", &Results, &At), EFI_INVALID_PARAMETER);
  EXPECT_EQ (At * (INTN)sizeof (CHAR16), 74);
  EXPECT_EQ (Extract (GuidPart + u"&PATH=00", &Results, &At), EFI_INVALID_PARAMETER);
  EXPECT_EQ (At, 37);
  // After a good header, anything but OFFSET is refused at its "&".
  std::u16string  Header = EngineHeader (u"Timeout");
  EXPECT_EQ (Extract (Header + u"&WIDTH=2", &Results, &At), EFI_INVALID_PARAMETER);
  EXPECT_EQ (At, (INTN)Header.size ());
  EXPECT_EQ (Extract (GuidPart + u"&NAME=" + Emu::HexName (u"Timeout") + u"&OFFSET=0&WIDTH=1", &Results, &At),
    EFI_INVALID_PARAMETER);
  EXPECT_EQ (At, (INTN)(GuidPart.size () + 6 + 28));
}

TEST_F (EngineConfigTest, MissingVariableIsNotFoundWithProgressAtTheStart) {
  std::u16string  Results;
  INTN            At = -5;

  EXPECT_EQ (Extract (EngineHeader (u"Nothing"), &Results, &At), EFI_NOT_FOUND);
  EXPECT_EQ (At, 0);
  EXPECT_EQ (Results, u"<null>");
}

TEST_F (EngineConfigTest, ConfigurationForAMissingVariableCreatesItWithAttributes3) {
  INTN  At;

  ASSERT_EQ (Route (EngineHeader (u"Fresh") + u"&OFFSET=2&WIDTH=2&VALUE=3412", &At), EFI_SUCCESS);
  const Emu::VARIABLE  *Created = M.Variables ().Lookup (u"Fresh", kEngineVar);
  ASSERT_NE (Created, nullptr);
  EXPECT_EQ (Created->Attributes, 3u);
  EXPECT_EQ (Created->Data, (std::vector<UINT8> { 0, 0, 0x12, 0x34 }));
}

TEST_F (EngineConfigTest, ConfigurationKeepsAttributesAndTheBytesItDoesNotName) {
  INTN  At;

  M.Variables ().Put (u"Timeout", kEngineVar, 7, { 1, 2, 3 });
  ASSERT_EQ (Route (EngineHeader (u"Timeout") + u"&OFFSET=0&WIDTH=1&VALUE=ff", &At), EFI_SUCCESS);
  EXPECT_EQ (M.Variables ().Lookup (u"Timeout", kEngineVar)->Data, (std::vector<UINT8> { 0xFF, 2, 3 }));
  EXPECT_EQ (M.Variables ().Lookup (u"Timeout", kEngineVar)->Attributes, 7u);
  // Growing the variable keeps what it held.
  ASSERT_EQ (Route (EngineHeader (u"Timeout") + u"&OFFSET=4&WIDTH=1&VALUE=9", &At), EFI_SUCCESS);
  EXPECT_EQ (M.Variables ().Lookup (u"Timeout", kEngineVar)->Data, (std::vector<UINT8> { 0xFF, 2, 3, 0, 9 }));
}

// A configuration naming bytes far past the variable asks for no block of that size: it is
// refused and the variable stays as it was.
TEST_F (EngineConfigTest, ConfigurationPastTheLargestVariableIsRefused) {
  INTN  At;

  M.Variables ().Put (u"Timeout", kEngineVar, 7, { 1, 2 });
  EXPECT_EQ (Route (EngineHeader (u"Timeout") + u"&OFFSET=0&WIDTH=3f3e36b2&VALUE=4412", &At), EFI_OUT_OF_RESOURCES);
  EXPECT_EQ (Route (EngineHeader (u"Timeout") + u"&OFFSET=ffff&WIDTH=2&VALUE=4412", &At), EFI_OUT_OF_RESOURCES);
  EXPECT_EQ (M.Variables ().Lookup (u"Timeout", kEngineVar)->Data, (std::vector<UINT8> { 1, 2 }));
  ASSERT_EQ (Route (EngineHeader (u"Timeout") + u"&OFFSET=fffe&WIDTH=2&VALUE=4412", &At), EFI_SUCCESS);
  EXPECT_EQ (M.Variables ().Lookup (u"Timeout", kEngineVar)->Data.size (), 0x10000u);
}

// RouteConfig used to answer success whatever the conversion or the write did.
TEST_F (EngineConfigTest, RouteConfigReportsTheFailingStatus) {
  INTN  At;

  M.Variables ().Put (u"Timeout", kEngineVar, 7, { 1, 2 });
  EXPECT_EQ (Route (EngineHeader (u"Timeout") + u"&OFFSET=0&WIDTH=1&VALUE=1x", &At), EFI_INVALID_PARAMETER);
  EXPECT_EQ (M.Variables ().Lookup (u"Timeout", kEngineVar)->Data, (std::vector<UINT8> { 1, 2 }));

  M.Variables ().InjectFault ({ Emu::VariableOp::Set, u"Timeout", EFI_WRITE_PROTECTED, 1 });
  EXPECT_EQ (Route (EngineHeader (u"Timeout") + u"&OFFSET=0&WIDTH=1&VALUE=9", &At), EFI_WRITE_PROTECTED);
  EXPECT_EQ (M.Variables ().Lookup (u"Timeout", kEngineVar)->Data, (std::vector<UINT8> { 1, 2 }));
}

TEST_F (EngineConfigTest, RouteConfigRefusesWhatIsNotAConfiguration) {
  INTN        At;
  EFI_STRING  Progress = nullptr;

  EXPECT_EQ (gEngineConfigAccess.RouteConfig (&gEngineConfigAccess, nullptr, &Progress), EFI_INVALID_PARAMETER);
  EXPECT_EQ (Route (u"OFFSET=0&WIDTH=1&VALUE=9", &At), EFI_NOT_FOUND);
  EXPECT_EQ (At, 0);
  EXPECT_EQ (Route (u"GUID=" + Emu::HexBytes (&kEngineVar, 16) + u"&NAME=004", &At), EFI_NOT_FOUND);
  EXPECT_EQ (gEngineConfigAccess.Callback (&gEngineConfigAccess, 0, 1, 0, nullptr, nullptr), EFI_UNSUPPORTED);
}

// Published on a driver handle, the instance answers through Configuration Routing:
// a write and a read travel byte for byte.
TEST_F (EngineConfigTest, InstanceAnswersThroughRouting) {
  std::vector<UINT8>  Path   = Emu::FakeDriver::VendorPath (kListGuid);
  EFI_HANDLE          Engine = nullptr;
  EFI_HII_HANDLE      List   = nullptr;
  BYTES               Empty  = Builders::PackageListBuilder (kEngineVar).Build ();
  EFI_STRING          Progress = nullptr;
  EFI_STRING          Out      = nullptr;

  ASSERT_EQ (gBS->InstallMultipleProtocolInterfaces (&Engine, &gEfiDevicePathProtocolGuid, Path.data (),
               &gEfiHiiConfigAccessProtocolGuid, &gEngineConfigAccess, nullptr), EFI_SUCCESS);
  ASSERT_EQ (gHiiDatabase->NewPackageList (gHiiDatabase, (EFI_HII_PACKAGE_LIST_HEADER *)Empty.data (), Engine, &List),
    EFI_SUCCESS);
  M.Variables ().Put (u"Timeout", kEngineVar, 7, { 0, 0, 0, 0, 0, 0 });

  std::u16string  Header = u"GUID=" + Emu::HexBytes (&kEngineVar, 16) + u"&NAME=" + Emu::HexName (u"Timeout") +
                           u"&PATH=" + Emu::HexBytes (Path.data (), Path.size ());
  std::u16string  Config = Header + u"&OFFSET=4&WIDTH=2&VALUE=3412";
  ASSERT_EQ (gHiiConfigRouting->RouteConfig (gHiiConfigRouting, (EFI_STRING)Config.c_str (), &Progress), EFI_SUCCESS);
  EXPECT_EQ (M.Variables ().Lookup (u"Timeout", kEngineVar)->Data, (std::vector<UINT8> { 0, 0, 0, 0, 0x12, 0x34 }));

  ASSERT_EQ (gHiiConfigRouting->ExtractConfig (gHiiConfigRouting, (EFI_STRING)Header.c_str (), &Progress, &Out), EFI_SUCCESS);
  EXPECT_EQ (Text (Out), Header + u"&OFFSET=0&WIDTH=6&VALUE=341200000000");
  FreePool (Out);
}

}  // namespace

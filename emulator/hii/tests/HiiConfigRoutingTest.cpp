// Configuration Routing: requests routed by GUID, NAME and PATH to the fake
// driver that owns the package list, results joined and handed out from the pool,
// Progress placed exactly, and the block conversions through the protocol.
#include "HiiFixture.h"

#include <Builders/HiiPackageBuilder.h>
#include <Builders/IfrBuilder.h>
#include <EmulatorHii/ConfigString.h>
#include <EmulatorHii/FakeDriver.h>
#include <Uefi/UefiIfr.h>

#include <cstring>

namespace {

using Builders::BYTES;

const EFI_GUID  kVarGuid    = { 0x3D5E7A21, 0x6C04, 0x4E1B, { 0x92, 0x17, 0x5A, 0xC3, 0x08, 0x6F, 0xD4, 0x41 } };
const EFI_GUID  kDriverAGuid = { 0xA0A0A0A0, 0x1111, 0x2222, { 3, 3, 3, 3, 3, 3, 3, 3 } };
const EFI_GUID  kDriverBGuid = { 0xB0B0B0B0, 0x1111, 0x2222, { 4, 4, 4, 4, 4, 4, 4, 4 } };
const EFI_GUID  kListGuid    = { 0x5A5A5A5A, 0x1111, 0x2222, { 5, 5, 5, 5, 5, 5, 5, 5 } };

// A package list whose forms declare one EFI varstore.
BYTES
ListWithStore (const EFI_GUID &Guid, const std::string &Name)
{
  Builders::IfrBuilder  Forms;
  Forms.VarStoreEfi (1, Guid, 7, 16, Name);
  return Builders::PackageListBuilder (kListGuid).Add (Forms.Package ()).Build ();
}

std::u16string
Header (const EFI_GUID &Guid, const std::u16string &Name, const BYTES &Path)
{
  return u"GUID=" + Emu::HexBytes (&Guid, 16) + u"&NAME=" + Emu::HexName (Name) + u"&PATH=" +
         Emu::HexBytes (Path.data (), Path.size ());
}

class HiiRouting : public HiiTest::HiiFixture {
protected:
  void SetUp () override
  {
    HiiFixture::SetUp ();
    A = &M.Add (std::make_unique<Emu::FakeDriver> (M, Emu::FakeDriver::VendorPath (kDriverAGuid)));
    B = &M.Add (std::make_unique<Emu::FakeDriver> (M, Emu::FakeDriver::VendorPath (kDriverBGuid)));
    ASSERT_NE (A->Publish (*Hii, ListWithStore (kVarGuid, "Setup")), nullptr);
    ASSERT_NE (B->Publish (*Hii, ListWithStore (kVarGuid, "Other")), nullptr);
    A->SetStore (kVarGuid, u"Setup", { 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17 });
    B->SetStore (kVarGuid, u"Other", { 0xA0, 0xA1, 0xA2 });
    HeaderA = Header (kVarGuid, u"Setup", A->DevicePath ());
    HeaderB = Header (kVarGuid, u"Other", B->DevicePath ());
  }

  EFI_STATUS Extract (const std::u16string &Request, std::u16string *Results, UINTN *ProgressAt)
  {
    EFI_STRING  Progress = nullptr;
    EFI_STRING  Out      = nullptr;
    EFI_STATUS  Status   = Routing->ExtractConfig (Routing, (EFI_STRING)Request.c_str (), &Progress, &Out);
    *ProgressAt = (UINTN)(Progress - Request.c_str ());
    Results->clear ();
    if (Out != nullptr) {
      *Results = Out;
      EXPECT_EQ (M.Memory ().Free (Out), EFI_SUCCESS);
    }
    return Status;
  }

  Emu::FakeDriver  *A = nullptr;
  Emu::FakeDriver  *B = nullptr;
  std::u16string   HeaderA;
  std::u16string   HeaderB;
};

TEST_F (HiiRouting, ExtractReachesTheDriverThatOwnsThePath)
{
  std::u16string  Results;
  UINTN           ProgressAt;
  std::u16string  Request = HeaderA + u"&OFFSET=2&WIDTH=3";

  ASSERT_EQ (Extract (Request, &Results, &ProgressAt), EFI_SUCCESS);
  EXPECT_EQ (Results, Request + u"&VALUE=141312");
  EXPECT_EQ (ProgressAt, Request.size ());
  ASSERT_EQ (A->Calls ().size (), 1u);
  EXPECT_EQ (A->Calls ()[0].Op, Emu::ConfigAccessOp::Extract);
  EXPECT_EQ (A->Calls ()[0].Text, Request);
  EXPECT_TRUE (B->Calls ().empty ());
}

TEST_F (HiiRouting, HeaderOnlyRequestGetsTheWholeStore)
{
  std::u16string  Results;
  UINTN           ProgressAt;

  ASSERT_EQ (Extract (HeaderB, &Results, &ProgressAt), EFI_SUCCESS);
  EXPECT_EQ (Results, HeaderB + u"&OFFSET=0&WIDTH=3&VALUE=a2a1a0");
}

TEST_F (HiiRouting, SeveralConfigurationsAreJoinedWithAmpersands)
{
  std::u16string  Results;
  UINTN           ProgressAt;
  std::u16string  Request = HeaderA + u"&OFFSET=0&WIDTH=1&" + HeaderB + u"&OFFSET=1&WIDTH=2";

  ASSERT_EQ (Extract (Request, &Results, &ProgressAt), EFI_SUCCESS);
  EXPECT_EQ (Results, HeaderA + u"&OFFSET=0&WIDTH=1&VALUE=10&" + HeaderB + u"&OFFSET=1&WIDTH=2&VALUE=a2a1");
  EXPECT_EQ (ProgressAt, Request.size ());
}

TEST_F (HiiRouting, NoDriverForTheHeaderGivesNotFoundAtItsGuid)
{
  std::u16string  Results;
  UINTN           ProgressAt;
  BYTES           Unknown = Emu::FakeDriver::VendorPath (kListGuid);
  std::u16string  First   = HeaderA + u"&OFFSET=0&WIDTH=1";

  EXPECT_EQ (Extract (First + u"&" + Header (kVarGuid, u"Setup", Unknown), &Results, &ProgressAt), EFI_NOT_FOUND);
  EXPECT_EQ (ProgressAt, First.size () + 1);
  EXPECT_TRUE (Results.empty ());
  // The right path but a store its forms do not declare.
  EXPECT_EQ (Extract (Header (kVarGuid, u"Other", A->DevicePath ()), &Results, &ProgressAt), EFI_NOT_FOUND);
  EXPECT_EQ (ProgressAt, 0u);
  EXPECT_EQ (Extract (Header (kDriverAGuid, u"Setup", A->DevicePath ()), &Results, &ProgressAt), EFI_NOT_FOUND);
}

TEST_F (HiiRouting, MalformedRequestsAreRefusedWithTheirProgress)
{
  std::u16string  Results;
  UINTN           ProgressAt;
  EFI_STRING      Progress = (EFI_STRING)u"x";
  EFI_STRING      Out      = nullptr;

  EXPECT_EQ (Extract (u"NAME=0041", &Results, &ProgressAt), EFI_INVALID_PARAMETER);
  EXPECT_EQ (ProgressAt, 0u);
  std::u16string  Bad = HeaderA + u"&" + HeaderB.substr (0, 40);  // second header cut inside NAME=
  EXPECT_EQ (Extract (Bad, &Results, &ProgressAt), EFI_INVALID_PARAMETER);
  EXPECT_EQ (ProgressAt, HeaderA.size () + 1 + 37);
  EXPECT_EQ (Routing->ExtractConfig (Routing, nullptr, &Progress, &Out), EFI_INVALID_PARAMETER);
  EXPECT_EQ (Progress, nullptr);
}

TEST_F (HiiRouting, DriverFaultProgressIsMappedIntoTheWholeRequest)
{
  B->OnExtract = [] (Emu::FakeDriver &, CONST CHAR16 *Request, CHAR16 **Progress, CHAR16 **) {
    *Progress = (CHAR16 *)Request + 5;
    return EFI_INVALID_PARAMETER;
  };
  std::u16string  Results;
  UINTN           ProgressAt;
  std::u16string  First = HeaderA + u"&OFFSET=0&WIDTH=1";

  EXPECT_EQ (Extract (First + u"&" + HeaderB, &Results, &ProgressAt), EFI_INVALID_PARAMETER);
  EXPECT_EQ (ProgressAt, First.size () + 1 + 5);
  EXPECT_TRUE (Results.empty ());
  ASSERT_EQ (B->Calls ().size (), 1u);
  EXPECT_EQ (B->Calls ()[0].Status, EFI_INVALID_PARAMETER);
}

TEST_F (HiiRouting, ExtractLeavesOnlyTheResultsAllocated)
{
  UINT64          Mark    = M.Memory ().AllocationCount ();
  std::u16string  Request = HeaderA + u"&OFFSET=0&WIDTH=8";
  EFI_STRING      Progress;
  EFI_STRING      Out = nullptr;

  ASSERT_EQ (Routing->ExtractConfig (Routing, (EFI_STRING)Request.c_str (), &Progress, &Out), EFI_SUCCESS);
  auto  Live = M.Memory ().LeaksSince (Mark);
  ASSERT_EQ (Live.size (), 1u);
  EXPECT_TRUE (M.Memory ().IsLive (Out));
  EXPECT_EQ (M.Memory ().Free (Out), EFI_SUCCESS);
}

TEST_F (HiiRouting, RouteConfigWritesTheDriversStore)
{
  std::u16string  Config = HeaderA + u"&OFFSET=4&WIDTH=2&VALUE=3412&" + HeaderB + u"&OFFSET=0&WIDTH=1&VALUE=ff";
  EFI_STRING      Progress = nullptr;

  ASSERT_EQ (Routing->RouteConfig (Routing, (EFI_STRING)Config.c_str (), &Progress), EFI_SUCCESS);
  EXPECT_EQ (Progress, Config.c_str () + Config.size ());
  EXPECT_EQ (*A->Store (kVarGuid, u"Setup"), (BYTES{ 0x10, 0x11, 0x12, 0x13, 0x12, 0x34, 0x16, 0x17 }));
  EXPECT_EQ (*B->Store (kVarGuid, u"Other"), (BYTES{ 0xFF, 0xA1, 0xA2 }));
  ASSERT_EQ (A->Calls ().size (), 1u);
  EXPECT_EQ (A->Calls ()[0].Op, Emu::ConfigAccessOp::Route);
  EXPECT_EQ (A->Calls ()[0].Text, HeaderA + u"&OFFSET=4&WIDTH=2&VALUE=3412");

  // A configuration with nothing after the header changes nothing and is no error.
  ASSERT_EQ (Routing->RouteConfig (Routing, (EFI_STRING)HeaderA.c_str (), &Progress), EFI_SUCCESS);
  EXPECT_EQ (Progress, HeaderA.c_str () + HeaderA.size ());
  EXPECT_EQ (*A->Store (kVarGuid, u"Setup"), (BYTES{ 0x10, 0x11, 0x12, 0x13, 0x12, 0x34, 0x16, 0x17 }));
}

TEST_F (HiiRouting, BlockToConfigThroughTheProtocol)
{
  const UINT8     Block[] = { 0x00, 0x01, 0x02, 0x03, 0x04, 0x05 };
  std::u16string  Request = HeaderA + u"&OFFSET=3&WIDTH=3";
  EFI_STRING      Config   = nullptr;
  EFI_STRING      Progress = nullptr;

  ASSERT_EQ (Routing->BlockToConfig (Routing, (EFI_STRING)Request.c_str (), Block, sizeof (Block), &Config, &Progress),
    EFI_SUCCESS);
  EXPECT_EQ (std::u16string (Config), Request + u"&VALUE=050403");
  EXPECT_EQ (Progress, Request.c_str () + Request.size ());
  EXPECT_EQ (M.Memory ().Free (Config), EFI_SUCCESS);

  Config = nullptr;
  EXPECT_EQ (Routing->BlockToConfig (Routing, (EFI_STRING)Request.c_str (), nullptr, 6, &Config, &Progress),
    EFI_INVALID_PARAMETER);
  EXPECT_EQ (Progress, Request.c_str ());
  EXPECT_EQ (Routing->BlockToConfig (Routing, (EFI_STRING)Request.c_str (), Block, 5, &Config, &Progress),
    EFI_DEVICE_ERROR);
  EXPECT_EQ (Config, nullptr);
  std::u16string  Bad = HeaderA + u"&OFFSET=3&WIDTH=";
  EXPECT_EQ (Routing->BlockToConfig (Routing, (EFI_STRING)Bad.c_str (), Block, 6, &Config, &Progress),
    EFI_INVALID_PARAMETER);
  EXPECT_EQ (Progress, Bad.c_str () + HeaderA.size () + 9);
}

TEST_F (HiiRouting, ConfigToBlockTellsTheSizeItNeeds)
{
  std::u16string  Response = HeaderA + u"&OFFSET=5&WIDTH=3&VALUE=aabbcc";
  EFI_STRING      Progress = nullptr;
  UINTN           Size     = 0;

  EXPECT_EQ (Routing->ConfigToBlock (Routing, (EFI_STRING)Response.c_str (), nullptr, &Size, &Progress),
    EFI_INVALID_PARAMETER);
  EXPECT_EQ (Size, 8u);
  EXPECT_EQ (Progress, Response.c_str ());
  BYTES  Block (7, 0);
  Size = Block.size ();
  EXPECT_EQ (Routing->ConfigToBlock (Routing, (EFI_STRING)Response.c_str (), Block.data (), &Size, &Progress),
    EFI_DEVICE_ERROR);
  EXPECT_EQ (Size, 8u);
  EXPECT_EQ (Block, BYTES (7, 0));
  Block.assign (8, 0);
  Size = Block.size ();
  ASSERT_EQ (Routing->ConfigToBlock (Routing, (EFI_STRING)Response.c_str (), Block.data (), &Size, &Progress),
    EFI_SUCCESS);
  EXPECT_EQ (Block, (BYTES{ 0, 0, 0, 0, 0, 0xCC, 0xBB, 0xAA }));
  EXPECT_EQ (Size, 7u);  // the largest index written
  EXPECT_EQ (Progress, Response.c_str () + Response.size ());
}

TEST_F (HiiRouting, CallbacksAreRecordedAndRulesAnswerThem)
{
  EFI_HII_CONFIG_ACCESS_PROTOCOL  *Access = A->ConfigAccess ();
  A->AddCallbackRule ({ EFI_BROWSER_ACTION_CHANGING, 0x1234, EFI_SUCCESS, BYTES{ 0x99, 0x88 },
                        EFI_BROWSER_ACTION_REQUEST_SUBMIT });
  EFI_IFR_TYPE_VALUE          Value{};
  EFI_BROWSER_ACTION_REQUEST  Request = EFI_BROWSER_ACTION_REQUEST_NONE;
  Value.u16 = 0x0102;

  EXPECT_EQ (Access->Callback (Access, EFI_BROWSER_ACTION_CHANGING, 0x1234, EFI_IFR_TYPE_NUM_SIZE_16, &Value, &Request),
    EFI_SUCCESS);
  EXPECT_EQ (Value.u16, 0x8899);
  EXPECT_EQ (Request, (EFI_BROWSER_ACTION_REQUEST)EFI_BROWSER_ACTION_REQUEST_SUBMIT);
  EXPECT_EQ (Access->Callback (Access, EFI_BROWSER_ACTION_FORM_OPEN, 7, EFI_IFR_TYPE_UNDEFINED, nullptr, &Request),
    EFI_UNSUPPORTED);
  Value.u64 = 0x1122334455667788ull;
  EXPECT_EQ (Access->Callback (Access, EFI_BROWSER_ACTION_CHANGED, 9, EFI_IFR_TYPE_NUM_SIZE_32, &Value, &Request),
    EFI_UNSUPPORTED);

  ASSERT_EQ (A->Calls ().size (), 3u);
  const auto  &First = A->Calls ()[0];
  EXPECT_EQ (First.Op, Emu::ConfigAccessOp::Callback);
  EXPECT_EQ (First.Action, (UINTN)EFI_BROWSER_ACTION_CHANGING);
  EXPECT_EQ (First.QuestionId, 0x1234);
  EXPECT_EQ (First.Type, EFI_IFR_TYPE_NUM_SIZE_16);
  EXPECT_EQ (First.Value, (BYTES{ 0x02, 0x01 }));  // as the driver received it
  EXPECT_TRUE (A->Calls ()[1].Value.empty ());
  EXPECT_EQ (A->Calls ()[2].Value, (BYTES{ 0x88, 0x77, 0x66, 0x55 }));
}

TEST_F (HiiRouting, ScriptedCallbackSeesNestedCallsAfterItsOwn)
{
  EFI_HII_CONFIG_ACCESS_PROTOCOL  *Access = A->ConfigAccess ();
  A->OnCallback = [Access] (Emu::FakeDriver &, EFI_BROWSER_ACTION Action, EFI_QUESTION_ID Id, UINT8,
                    EFI_IFR_TYPE_VALUE *, EFI_BROWSER_ACTION_REQUEST *) -> EFI_STATUS {
    if (Action == EFI_BROWSER_ACTION_CHANGING) {
      // Stands for a driver calling back into the browser, which calls the driver again.
      return Access->Callback (Access, EFI_BROWSER_ACTION_CHANGED, Id, EFI_IFR_TYPE_UNDEFINED, nullptr, nullptr);
    }
    return EFI_DEVICE_ERROR;
  };
  EXPECT_EQ (Access->Callback (Access, EFI_BROWSER_ACTION_CHANGING, 5, EFI_IFR_TYPE_UNDEFINED, nullptr, nullptr),
    EFI_DEVICE_ERROR);
  ASSERT_EQ (A->Calls ().size (), 2u);
  EXPECT_EQ (A->Calls ()[0].Action, (UINTN)EFI_BROWSER_ACTION_CHANGING);
  EXPECT_EQ (A->Calls ()[0].Status, EFI_DEVICE_ERROR);
  EXPECT_EQ (A->Calls ()[1].Action, (UINTN)EFI_BROWSER_ACTION_CHANGED);
}

TEST_F (HiiRouting, NameValueStoresAnswerByElementName)
{
  EFI_HII_CONFIG_ACCESS_PROTOCOL  *Access = B->ConfigAccess ();
  std::u16string                  Head    = Header (kDriverBGuid, u"", B->DevicePath ());
  B->SetNameValue (kDriverBGuid, u"Speed", u"0064");
  B->SetNameValue (kDriverBGuid, u"Mode", u"2");

  std::u16string  Request  = Head + u"&Mode&Speed";
  EFI_STRING      Progress = nullptr;
  EFI_STRING      Results  = nullptr;
  ASSERT_EQ (Access->ExtractConfig (Access, (EFI_STRING)Request.c_str (), &Progress, &Results), EFI_SUCCESS);
  EXPECT_EQ (std::u16string (Results), Head + u"&Mode=2&Speed=0064");
  EXPECT_EQ (Progress, Request.c_str () + Request.size ());
  EXPECT_EQ (M.Memory ().Free (Results), EFI_SUCCESS);

  Results = nullptr;
  ASSERT_EQ (Access->ExtractConfig (Access, (EFI_STRING)Head.c_str (), &Progress, &Results), EFI_SUCCESS);
  EXPECT_EQ (std::u16string (Results), Head + u"&Speed=0064&Mode=2");
  EXPECT_EQ (M.Memory ().Free (Results), EFI_SUCCESS);

  std::u16string  Missing = Head + u"&Mode&Colour";
  EXPECT_EQ (Access->ExtractConfig (Access, (EFI_STRING)Missing.c_str (), &Progress, &Results), EFI_NOT_FOUND);
  EXPECT_EQ (Progress, Missing.c_str () + Head.size () + 5);

  std::u16string  Config = Head + u"&Speed=00c8&Mode=1";
  ASSERT_EQ (Access->RouteConfig (Access, (EFI_STRING)Config.c_str (), &Progress), EFI_SUCCESS);
  EXPECT_EQ (*B->NameValue (kDriverBGuid, u"Speed"), u"00c8");
  EXPECT_EQ (*B->NameValue (kDriverBGuid, u"Mode"), u"1");
  std::u16string  Bad = Head + u"&Speed=0001&Mode";  // no value: nothing is written
  EXPECT_EQ (Access->RouteConfig (Access, (EFI_STRING)Bad.c_str (), &Progress), EFI_INVALID_PARAMETER);
  EXPECT_EQ (Progress, Bad.c_str () + Head.size () + 11);
  EXPECT_EQ (*B->NameValue (kDriverBGuid, u"Speed"), u"00c8");
}

TEST_F (HiiRouting, DriverAskedWithoutARequestGivesEverySetting)
{
  EFI_HII_CONFIG_ACCESS_PROTOCOL  *Access = B->ConfigAccess ();
  B->SetNameValue (kDriverBGuid, u"Speed", u"0064");
  B->SetNameValue (kDriverBGuid, u"Mode", u"2");
  EFI_STRING  Progress = (EFI_STRING)u"x";
  EFI_STRING  Results  = nullptr;

  ASSERT_EQ (Access->ExtractConfig (Access, nullptr, &Progress, &Results), EFI_SUCCESS);
  EXPECT_EQ (std::u16string (Results), HeaderB + u"&OFFSET=0&WIDTH=3&VALUE=a2a1a0&" +
                                       Header (kDriverBGuid, u"", B->DevicePath ()) + u"&Speed=0064&Mode=2");
  EXPECT_EQ (Progress, nullptr);
  EXPECT_EQ (M.Memory ().Free (Results), EFI_SUCCESS);

  auto  &Empty = M.Add (std::make_unique<Emu::FakeDriver> (M, Emu::FakeDriver::VendorPath (kListGuid)));
  Results = nullptr;
  EXPECT_EQ (Empty.ConfigAccess ()->ExtractConfig (Empty.ConfigAccess (), nullptr, &Progress, &Results), EFI_NOT_FOUND);
  EXPECT_EQ (Results, nullptr);
}

}  // namespace

// Configuration round trips with the real form sets of an OVMF HII export, each
// published by a fake driver that holds its block stores: the dynamic-page build
// reads every store through Configuration Routing, one question per store is
// changed in the cache, and submitting its form routes it back so that the driver's
// bytes change exactly there; discarding a form takes the driver's bytes back.
#include <engine/testing/FormParserTestSupport.h>

#include <engine/browser/DynamicPages.h>
#include <engine/browser/FormBrowser.h>
#include <engine/forms/IfrOpcode.h>
#include <engine/forms/QuestionAccess.h>
#include <engine/core/SetupData.h>
#include <engine/variables/VariableCache.h>

#include <Fixtures.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

// A question of a block store: the page it is on and where its bytes lie.
struct STORE_QUESTION {
  UINT32  Page;
  UINT32  Variable;
  UINT16  Offset;
  UINT16  Width;
};

bool
IsValueQuestion (const UINT8 *Op)
{
  return (Op[0] == EFI_IFR_ONE_OF_OP) || (Op[0] == EFI_IFR_NUMERIC_OP) || (Op[0] == EFI_IFR_CHECKBOX_OP);
}

}  // namespace

class OvmfRoundTrip : public FormParserTest {
protected:
  void SetUp () override
  {
    FormParserTest::SetUp ();
    std::vector<UINT8>           Bytes = Fixtures::Read ("ovmf/HIIDB.BIN");
    std::vector<EFI_HII_HANDLE>  Loaded;

    ASSERT_EQ (Hii->LoadExport (Bytes.data (), Bytes.size (), true, &Loaded), EFI_SUCCESS);
    for (size_t Index = 0; Index < Loaded.size (); Index++) {
      Republish (Loaded[Index], (UINT8)Index);
    }

    LoadPlainBoard ();
  }

  void TearDown () override
  {
    FreeDynamicPageTable ();
    FreeVariableCaches ();
    FormParserTest::TearDown ();
  }

  // The list again, from a fake driver of its own, which then answers for its stores.
  void Republish (EFI_HII_HANDLE Handle, UINT8 Number)
  {
    UINTN  Size = 0;

    ASSERT_EQ (gHiiDatabase->ExportPackageLists (gHiiDatabase, Handle, &Size, nullptr), EFI_BUFFER_TOO_SMALL);
    std::vector<UINT8>  List (Size);
    ASSERT_EQ (gHiiDatabase->ExportPackageLists (gHiiDatabase, Handle, &Size, (EFI_HII_PACKAGE_LIST_HEADER *)List.data ()),
               EFI_SUCCESS);
    ASSERT_EQ (gHiiDatabase->RemovePackageList (gHiiDatabase, Handle), EFI_SUCCESS);

    EFI_GUID          PathGuid = ParserTest::kListGuid;
    PathGuid.Data4[7] = Number;
    Emu::FakeDriver  &Driver   = AddDriver (PathGuid);
    EFI_HII_HANDLE    Again    = Driver.Publish (*Hii, List);
    ASSERT_NE (Again, nullptr);
    Drivers[Again] = &Driver;
  }

  // Every block store the build found gets bytes of its own at its driver, read into the cache.
  void FillStores ()
  {
    for (UINT32 Index = 0; Index < GetVariableCount (); Index++) {
      VARIABLE_RECORD  *Record = GetVariableRecord (Index);
      if ((Record->StoreFlags != 0) || (Drivers.count (Record->HiiHandle) == 0) || (Record->Size == 0)) {
        continue;
      }
      RECORD_NAME         Name;
      std::vector<UINT8>  Bytes (Record->Size);
      GetRecordName (Record, &Name);
      for (size_t At = 0; At < Bytes.size (); At++) {
        Bytes[At] = (UINT8)(Index * 13 + At * 7 + 1);
      }
      Drivers[Record->HiiHandle]->SetStore (Record->VendorGuid, Name.Text, Bytes);
      RefreshVariableCache (Index);
      Stores[Index] = Bytes;
    }
  }

  // The first value question of each filled store.
  std::map<UINT32, STORE_QUESTION> FirstQuestions ()
  {
    std::map<UINT32, STORE_QUESTION>  Found;

    for (UINT32 Page = 1; Page < GetPageCount (); Page++) {
      UINT32  Count = 0;
      (VOID)GetPageControlCount (Page, &Count);
      for (UINT32 N = 0; N < Count; N++) {
        CONTROL_RECORD  *Control = nullptr;
        if (EFI_ERROR (GetPageControl (Page, N, &Control)) || (Control->QuestionOpcode == 0)) {
          continue;
        }
        const UINT8  *Op = (const UINT8 *)(UINTN)Control->QuestionOpcode;
        UINT32       Var = Control->VariableIndex;
        if (IsValueQuestion (Op) && (Stores.count (Var) != 0) && (Found.count (Var) == 0) && (GetQuestionWidth (Op) != 0) &&
            (GetQuestionOffset (Op) + GetQuestionWidth (Op) <= Stores[Var].size ()))
        {
          Found[Var] = { Page, Var, GetQuestionOffset (Op), GetQuestionWidth (Op) };
        }
      }
    }
    return Found;
  }

  const std::vector<UINT8> &StoreOf (UINT32 Index)
  {
    RECORD_NAME  Name;
    GetRecordName (GetVariableRecord (Index), &Name);
    return *Drivers[GetVariableRecord (Index)->HiiHandle]->Store (GetVariableRecord (Index)->VendorGuid, Name.Text);
  }

  std::vector<UINT8> CachedOf (UINT32 Index)
  {
    return std::vector<UINT8> ((UINT8 *)gVariableCache[Index].Data, (UINT8 *)gVariableCache[Index].Data + gVariableCache[Index].Size);
  }

  std::map<EFI_HII_HANDLE, Emu::FakeDriver *>  Drivers;
  std::map<UINT32, std::vector<UINT8>>         Stores;
};

TEST_F (OvmfRoundTrip, OneChangedQuestionPerStoreReachesItsDriverExactlyThere)
{
  ASSERT_EQ (BuildDynamicPages (), EFI_SUCCESS);
  FillStores ();
  std::map<UINT32, STORE_QUESTION>  Questions = FirstQuestions ();
  ASSERT_GE (Questions.size (), 2u);     // the export's setup forms hold several block stores

  for (const auto &[Index, Q] : Questions) {
    SCOPED_TRACE ("variable " + std::to_string (Index) + " offset " + std::to_string (Q.Offset));
    ASSERT_EQ (CachedOf (Index), Stores[Index]);     // read through routing

    std::vector<UINT8>  Expected = Stores[Index];
    std::vector<UINT8>  Value (Expected.begin () + Q.Offset, Expected.begin () + Q.Offset + Q.Width);
    for (UINT8 &Byte : Value) {
      Byte = (UINT8)~Byte;
    }
    std::copy (Value.begin (), Value.end (), Expected.begin () + Q.Offset);
    ASSERT_EQ (WriteVariableBytes (Index, Q.Offset, Q.Width, Value.data ()), EFI_SUCCESS);
    EXPECT_EQ (StoreOf (Index), Stores[Index]);      // nothing reaches the driver before the submit

    ASSERT_EQ (SubmitForm (Q.Page), EFI_SUCCESS);
    EXPECT_EQ (StoreOf (Index), Expected);
  }
}

TEST_F (OvmfRoundTrip, DiscardingAFormTakesItsStoresBackFromTheDrivers)
{
  ASSERT_EQ (BuildDynamicPages (), EFI_SUCCESS);
  FillStores ();
  std::map<UINT32, STORE_QUESTION>  Questions = FirstQuestions ();
  ASSERT_FALSE (Questions.empty ());

  const STORE_QUESTION  &Q     = Questions.begin ()->second;
  std::vector<UINT8>    Ones (Q.Width, 0xFF);
  ASSERT_EQ (WriteVariableBytes (Q.Variable, Q.Offset, Q.Width, Ones.data ()), EFI_SUCCESS);
  ASSERT_NE (CachedOf (Q.Variable), Stores[Q.Variable]);

  ASSERT_EQ (DiscardForm (Q.Page), EFI_SUCCESS);
  EXPECT_EQ (CachedOf (Q.Variable), Stores[Q.Variable]);
  EXPECT_EQ (StoreOf (Q.Variable), Stores[Q.Variable]);
}

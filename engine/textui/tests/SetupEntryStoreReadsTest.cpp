// Entering setup over the form sets of an OVMF HII export, each list published by a
// driver of its own that answers for some of its block stores and not for others:
// until the first page is on the screen each store is asked for its value at most
// once, however many questions and conditions read it, and every question's bytes
// are those of its driver's store (zeros where the store gives nothing), read inside
// the page build or outside it alike.
#include <engine/testing/TextUiMachineTest.h>

#include <engine/browser/DynamicPages.h>
#include <engine/browser/FormBrowser.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/SetupDataFormat.h>
#include <engine/variables/ConfigString.h>
#include <engine/core/SetupData.h>
#include <engine/forms/IfrOpcode.h>
#include <engine/forms/QuestionAccess.h>
#include <engine/textui/TuiApp.h>
#include <engine/variables/VariableCache.h>
#include <engine/core/VariableGuids.h>
#include <EmulatorHii/FakeDriver.h>

#include <Fixtures.h>

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

std::map<std::u16string, UINTN>  gAsked;         // requests per store while the first page is built
bool                             gCounting = false;
EFI_HII_EXTRACT_CONFIG           gRouted   = nullptr;

EFI_STATUS EFIAPI
CountingExtract (CONST EFI_HII_CONFIG_ROUTING_PROTOCOL *This, CONST EFI_STRING Request, EFI_STRING *Progress,
  EFI_STRING *Results)
{
  if (gCounting && (gTuiApp != nullptr) && (Request != nullptr)) {
    std::u16string  Text (Request);
    gAsked[Text.substr (0, Text.find (u"&OFFSET="))]++;
  }

  return gRouted (This, Request, Progress, Results);
}

bool
IsValueQuestion (const UINT8 *Op)
{
  return (Op[0] == EFI_IFR_ONE_OF_OP) || (Op[0] == EFI_IFR_NUMERIC_OP) || (Op[0] == EFI_IFR_CHECKBOX_OP);
}

}  // namespace

class SetupEntryStoreReads : public TextUiMachineTest {
protected:
  void SetUp () override
  {
    TextUiMachineTest::SetUp ();
    StartEngine (BoardWithEngineVariables (24));
    std::vector<UINT8>           Bytes = Fixtures::Read ("ovmf/HIIDB.BIN");
    std::vector<EFI_HII_HANDLE>  Loaded;
    ASSERT_EQ (Hii->LoadExport (Bytes.data (), Bytes.size (), true, &Loaded), EFI_SUCCESS);
    for (size_t Index = 0; Index < Loaded.size (); Index++) {
      Republish (Loaded[Index], (UINT8)Index);
    }

    gAsked.clear ();
    gRouted                          = gHiiConfigRouting->ExtractConfig;
    gHiiConfigRouting->ExtractConfig = CountingExtract;
  }

  void TearDown () override
  {
    gHiiConfigRouting->ExtractConfig = gRouted;
    gCounting                        = false;
    Devices.TextIn->Script ().SetWaitHook (nullptr);
    DestroyTuiApp ();
    FreeDynamicPageTable ();
    TextUiMachineTest::TearDown ();
  }

  // The list again, from a driver of its own that holds bytes for every other block
  // store its forms declare (the others it does not answer for).
  void Republish (EFI_HII_HANDLE Handle, UINT8 Number)
  {
    UINTN  Size = 0;
    ASSERT_EQ (gHiiDatabase->ExportPackageLists (gHiiDatabase, Handle, &Size, nullptr), EFI_BUFFER_TOO_SMALL);
    std::vector<UINT8>  List (Size);
    ASSERT_EQ (gHiiDatabase->ExportPackageLists (gHiiDatabase, Handle, &Size, (EFI_HII_PACKAGE_LIST_HEADER *)List.data ()),
               EFI_SUCCESS);
    ASSERT_EQ (gHiiDatabase->RemovePackageList (gHiiDatabase, Handle), EFI_SUCCESS);

    EFI_GUID  PathGuid = { 0x1A2B3C4D, 0x0003, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, Number } };
    Emu::FakeDriver  &Driver = M.Add (std::make_unique<Emu::FakeDriver> (M, Emu::FakeDriver::VendorPath (PathGuid)));
    std::map<std::u16string, std::vector<UINT8>>  Stores = FillStores (Driver, List);
    EFI_HII_HANDLE                                Again  = Driver.Publish (*Hii, List);
    ASSERT_NE (Again, nullptr);
    Filled[Again] = Stores;
  }

  static std::u16string StoreKey (const EFI_GUID &Guid, const std::u16string &Name)
  {
    return Name + u"/" + std::u16string ((const char16_t *)&Guid, sizeof (Guid) / 2);
  }

  // The VARSTORE opcodes of the list's forms packages: {GUID, id, size, name}.
  std::map<std::u16string, std::vector<UINT8>> FillStores (Emu::FakeDriver &Driver, const std::vector<UINT8> &List)
  {
    std::map<std::u16string, std::vector<UINT8>>  Stores;

    for (size_t At = sizeof (EFI_HII_PACKAGE_LIST_HEADER); At + 4 <= List.size ();) {
      UINT32  Length = List[At] | (List[At + 1] << 8) | (List[At + 2] << 16);
      UINT8   Type   = List[At + 3];
      if ((Length < 4) || (At + Length > List.size ())) {
        break;
      }
      for (size_t Op = At + 4; (Type == EFI_HII_PACKAGE_FORMS) && (Op + 2 <= At + Length);) {
        UINT8  OpLength = List[Op + 1] & 0x7F;
        if (OpLength < 2) {
          break;
        }
        if ((List[Op] == EFI_IFR_VARSTORE_OP) && (OpLength > 22)) {
          EFI_GUID        Guid;
          UINT16          Bytes = (UINT16)(List[Op + 20] | (List[Op + 21] << 8));
          std::u16string  Name;
          std::memcpy (&Guid, &List[Op + 2], sizeof (Guid));
          for (size_t Char = Op + 22; (Char < Op + OpLength) && (List[Char] != 0); Char++) {
            Name.push_back (List[Char]);
          }
          if ((Declared++ % 2) == 0) {
            std::vector<UINT8>  Value (Bytes);
            for (size_t Byte = 0; Byte < Value.size (); Byte++) {
              Value[Byte] = (UINT8)(Declared * 29 + Byte * 11 + 3);
            }
            Driver.SetStore (Guid, Name, Value);
            Stores[StoreKey (Guid, Name)] = Value;
          }
        }
        Op += OpLength;
      }
      At += Length;
    }

    return Stores;
  }

  const std::vector<UINT8> *FilledStore (const VARIABLE_RECORD *Record)
  {
    RECORD_NAME  Name;
    GetRecordName (Record, &Name);
    auto  List = Filled.find (Record->HiiHandle);
    if (List == Filled.end ()) {
      return nullptr;
    }
    auto  Found = List->second.find (StoreKey (Record->VendorGuid, Name.Text));
    return (Found == List->second.end ()) ? nullptr : &Found->second;
  }

  size_t                                                          Declared = 0;
  std::map<EFI_HII_HANDLE, std::map<std::u16string, std::vector<UINT8>>>  Filled;
};

TEST_F (SetupEntryStoreReads, EachStoreIsAskedOnceAndEveryQuestionGetsItsStoresBytes)
{
  bool    Reached   = false;
  size_t  Questions = 0;
  size_t  FromFilled = 0;

  Devices.TextIn->Script ().Append ("Down");
  Devices.TextIn->Script ().SetWaitHook ([&] () {
    if (Reached || (gTuiApp == nullptr)) {
      return;
    }
    Reached   = true;
    gCounting = false;

    for (UINT32 Page = 1; Page < GetPageCount (); Page++) {
      UINT32  Count = 0;
      (VOID)GetPageControlCount (Page, &Count);
      for (UINT32 N = 0; N < Count; N++) {
        CONTROL_RECORD  *Control = nullptr;
        if (EFI_ERROR (GetPageControl (Page, N, &Control)) || (Control->QuestionOpcode == 0)) {
          continue;
        }
        const UINT8      *Op     = (const UINT8 *)(UINTN)Control->QuestionOpcode;
        VARIABLE_RECORD  *Record = GetVariableRecord (Control->VariableIndex);
        UINT16           Offset  = GetQuestionOffset (Op);
        UINT16           Width   = GetQuestionWidth (Op);
        // The engine's own low indexes are plain variables whatever store holds them.
        if (!IsValueQuestion (Op) || (Record == nullptr) || IsDirectEfiVariable (Control->VariableIndex, Record) ||
            (Record->StoreFlags != 0) || (Width == 0) || (Offset + Width > Record->Size))
        {
          continue;
        }
        SCOPED_TRACE ("page " + std::to_string (Page) + " control " + std::to_string (N));
        Questions++;

        std::vector<UINT8>  Expected (Width, 0);
        const std::vector<UINT8>  *Store = FilledStore (Record);
        if (Store != nullptr) {
          std::copy (Store->begin () + Offset, Store->begin () + Offset + Width, Expected.begin ());
          FromFilled++;
        }
        std::vector<UINT8>  Cached (Width, 0xEE);
        (VOID)AccessCacheBytes (FALSE, gVariableCache, Control->VariableIndex, Offset, Width, Cached.data ());
        EXPECT_EQ (Cached, Expected);

        std::vector<UINT8>  Outside (Width, 0xEE);
        std::vector<UINT8>  Inside (Width, 0xEE);
        EFI_STATUS          OutsideStatus = ReadVariableBytes (Control->VariableIndex, Offset, Width, Outside.data (), FALSE);
        BeginStoreReadPass ();
        EFI_STATUS          InsideStatus  = ReadVariableBytes (Control->VariableIndex, Offset, Width, Inside.data (), FALSE);
        EndStoreReadPass ();
        EXPECT_EQ (InsideStatus, OutsideStatus);
        EXPECT_EQ (Inside, Outside);
      }
    }
    (VOID)ProcessActionRequest (EFI_BROWSER_ACTION_REQUEST_RESET);
  });

  EFI_BROWSER_ACTION_REQUEST   Request = EFI_BROWSER_ACTION_REQUEST_NONE;
  std::vector<EFI_HII_HANDLE>  Lists = Hii->PackageLists ();
  gCounting = true;
  EXPECT_EQ (SendForm (nullptr, Lists.data (), Lists.size (), nullptr, 0, nullptr, &Request), EFI_SUCCESS);
  ASSERT_TRUE (Reached);
  EXPECT_GT (Questions, 20u);
  EXPECT_GT (FromFilled, 0u);
  EXPECT_LT (FromFilled, Questions);      // stores that give nothing are read too

  for (const auto &[Store, Times] : gAsked) {
    EXPECT_EQ (Times, 1u) << std::string (Store.begin (), Store.begin () + std::min<size_t> (Store.size (), 60));
  }
}

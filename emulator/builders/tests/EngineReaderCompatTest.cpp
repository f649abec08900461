// Blocks from the setup-data builder pass the engine's own header and table checks,
// so the builder and the reader agree on the layout beyond the shared header.
#include <Builders/IfrBuilder.h>
#include <Builders/SetupDataBuilder.h>

#include <engine/core/SetupData.h>

#include <gtest/gtest.h>

using namespace Builders;

namespace {

const EFI_GUID  kFormSet = MakeGuid ("7B59104A-C00D-4158-87FF-F04D6396A915");
const EFI_GUID  kOther   = MakeGuid ("7B59104A-C00D-4158-87FF-F04D6396A916");

SETUP_DATA_DESC
TwoPageBoard ()
{
  IfrBuilder  B;
  B.FormSet (kFormSet, 1, 2, {});
  B.Form (1, 3);
  size_t  Question = B.OneOf ({ 4, 5, 0x10, 0, 0, 0 }, EFI_IFR_NUMERIC_SIZE_2, 0, 3, 0);
  B.End ();
  B.End ();
  B.End ();
  BYTES  Forms = B.Package ();

  SETUP_CONTROL_DESC  Control = ControlFromOpcode (Forms, Question);
  Control.MfgDefault = ValueBytes (1, 2);
  Control.Defaults   = { { 0, ValueBytes (2, 2) } };

  SETUP_PAGE_DESC  Page;
  Page.Controls = { Control, Control };

  SETUP_DATA_DESC  Desc;
  Desc.Pages     = { Page, Page };
  Desc.FormSets  = { { kFormSet, 0, 0, 0 }, { kOther, 1, 1, (uint32_t)Forms.size () } };
  Desc.Variables = { { kFormSet, u"Setup", 7, 1, 0, 16, 0 } };
  return Desc;
}

}  // namespace

TEST (EngineReaderCompat, BuiltBlocksPassTheEngineChecks)
{
  BYTES  Empty = BuildSetupDataBlock (SETUP_DATA_DESC {});
  BYTES  Board = BuildSetupDataBlock (TwoPageBoard ());

  EXPECT_EQ (ValidateSetupData (Empty.data (), Empty.size ()), EFI_SUCCESS);
  EXPECT_EQ (ValidateSetupData (Board.data (), Board.size ()), EFI_SUCCESS);
}

TEST (EngineReaderCompat, TruncatedBlockIsRefused)
{
  BYTES  Board = BuildSetupDataBlock (TwoPageBoard ());

  Board.resize (Board.size () - 4);
  EXPECT_TRUE (EFI_ERROR (ValidateSetupData (Board.data (), Board.size ())));
}

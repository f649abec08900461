// The real forms of an OVMF HII export: every form set of the platform-setup class
// becomes pages with controls and resolved links, the others are refused, and a
// parse with any one of its pool allocations failing ends cleanly.
#include <engine/testing/FormParserTestSupport.h>

#include <Fixtures.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

struct FORM_SET_COUNTS {
  EFI_STATUS  Status;
  UINT32      Pages;
  UINT32      Controls;
  UINT32      Variables;
};

}  // namespace

class OvmfForms : public FormParserTest {
protected:
  void SetUp () override
  {
    FormParserTest::SetUp ();
    std::vector<UINT8>           Bytes = Fixtures::Read ("ovmf/HIIDB.BIN");
    std::vector<EFI_HII_HANDLE>  Handles;

    ASSERT_EQ (Hii->LoadExport (Bytes.data (), Bytes.size (), true, &Handles), EFI_SUCCESS);
    for (EFI_HII_HANDLE Handle : Handles) {
      for (const Emu::HII_PACKAGE &Package : Hii->Find (Handle)->Packages) {
        if (Package.Type == EFI_HII_PACKAGE_FORMS) {
          Slots.push_back ({ Handle, Package.Bytes });
        }
      }
    }
  }

  static UINT32 ControlCount (UINT32 FirstPage)
  {
    UINT32  Count = 0;

    for (UINT32 Page = FirstPage; Page < GetWorkPageCount (); Page++) {
      Count += GetWorkPage (Page)->ControlCount;
    }
    return Count;
  }

  // Parses every form set in export order.
  std::vector<FORM_SET_COUNTS> ParseAll ()
  {
    std::vector<FORM_SET_COUNTS>  Counts;

    for (SLOT &Slot : Slots) {
      UINT32      FirstPage = std::max (GetWorkPageCount (), 1u);
      UINT32      Variables = GetWorkVariableCount ();
      EFI_STATUS  Status    = ParseBytes (Slot.Package, Slot.Handle);

      Counts.push_back ({ Status, GetWorkPageCount () - std::min (FirstPage, GetWorkPageCount ()),
                          ControlCount (FirstPage), GetWorkVariableCount () - Variables });
    }
    return Counts;
  }

  struct SLOT {
    EFI_HII_HANDLE      Handle;
    std::vector<UINT8>  Package;
  };

  std::vector<SLOT>  Slots;
};

TEST_F (OvmfForms, EveryFormSetParsesToItsPinnedCounts)
{
  // In export order; EFI_ABORTED: a form set whose class GUID is its own.
  const FORM_SET_COUNTS  Expected[] = {
    { EFI_ABORTED, 0, 0, 0 },      // File Explorer
    { EFI_SUCCESS, 17, 100, 2 },   // Secure Boot Configuration
    { EFI_SUCCESS, 1, 1, 1 },      // Driver Health Manager
    { EFI_ABORTED, 0, 0, 0 },      // Driver Health Manager, its own class
    { EFI_ABORTED, 0, 0, 0 },      // File Explorer
    { EFI_SUCCESS, 2, 13, 1 },     // RAM Disk Configuration
    { EFI_ABORTED, 0, 0, 0 },      // File Explorer
    { EFI_SUCCESS, 5, 19, 2 },     // Tls Auth Configuration
    { EFI_SUCCESS, 1, 4, 2 },      // OVMF Platform Configuration
    { EFI_SUCCESS, 5, 216, 2 },    // iSCSI Configuration
    { EFI_SUCCESS, 2, 8, 2 },      // VLAN Configuration
    { EFI_SUCCESS, 1, 8, 2 },      // IPv4 Network Configuration
    { EFI_SUCCESS, 3, 20, 2 },     // IPv6 Network Configuration
    { EFI_SUCCESS, 1, 3, 2 },      // HTTP Boot Configuration
  };
  std::vector<FORM_SET_COUNTS>  Counts = ParseAll ();

  ASSERT_EQ (Counts.size (), std::size (Expected));
  for (size_t Index = 0; Index < Counts.size (); Index++) {
    EXPECT_EQ (Counts[Index].Status, Expected[Index].Status) << "form set " << Index;
    EXPECT_EQ (Counts[Index].Pages, Expected[Index].Pages) << "form set " << Index;
    EXPECT_EQ (Counts[Index].Controls, Expected[Index].Controls) << "form set " << Index;
    EXPECT_EQ (Counts[Index].Variables, Expected[Index].Variables) << "form set " << Index;
  }

  // One link per parsed form set behind its offset-0 entry; the eighth link has two.
  EXPECT_EQ (gDynamicFormSetCount, 10u);
  EXPECT_EQ (GetWorkPage (0)->ControlCount, 21u);
}

TEST_F (OvmfForms, LinksWithinAFormSetAreResolved)
{
  UINTN  Refs = 0;

  (VOID)ParseAll ();
  for (UINT32 Page = 1; Page < GetWorkPageCount (); Page++) {
    PAGE_RECORD  *Record = GetWorkPage (Page);

    for (UINT32 N = 0; N < Record->ControlCount; N++) {
      CONTROL_RECORD  *C  = GetWorkPageControl (Record, N);
      const UINT8     *Op = (const UINT8 *)(UINTN)C->QuestionOpcode;

      // REF1 and REF2 name a form of their own form set.
      if ((C->ControlType == CONTROL_TYPE_REF) && ((Op[1] & 0x7F) < sizeof (EFI_IFR_REF3))) {
        EXPECT_LT (C->RefTargetPage, GetWorkPageCount ()) << "page " << Page << " control " << N;
        EXPECT_EQ (GetWorkPage (C->RefTargetPage)->HiiHandle, Record->HiiHandle);
        Refs++;
      }
    }
  }

  EXPECT_GT (Refs, 30u);
}

TEST_F (OvmfForms, EveryAllocationFailingInTurnEndsCleanly)
{
  UINT64  Mark = M.Memory ().AllocationCount ();

  (VOID)ParseAll ();
  UINT64  Needed = M.Memory ().AllocationCount () - Mark;
  FreeWorkTables ();
  ASSERT_TRUE (M.Memory ().LeaksSince (Mark).empty ());
  ASSERT_GT (Needed, 100u);

  UINTN  Refused = 0;

  for (UINT64 Failing = 1; Failing <= Needed; Failing++) {
    Mark = M.Memory ().AllocationCount ();
    M.Memory ().FailAllocation (Failing);
    for (SLOT &Slot : Slots) {
      UINT32      Pages  = GetWorkPageCount ();
      EFI_STATUS  Status = ParseBytes (Slot.Package, Slot.Handle);

      ASSERT_TRUE ((Status == EFI_SUCCESS) || (Status == EFI_ABORTED) || (Status == EFI_OUT_OF_RESOURCES))
        << "allocation " << Failing << ": " << Status;
      if (Status == EFI_OUT_OF_RESOURCES) {
        EXPECT_EQ (GetWorkPageCount (), Pages) << "allocation " << Failing;
        Refused++;
      }
    }

    M.Memory ().FailAllocation (0);
    FreeWorkTables ();
    ASSERT_TRUE (M.Memory ().LeaksSince (Mark).empty ()) << "allocation " << Failing;
  }

  EXPECT_GT (Refused, Needed / 2);
}

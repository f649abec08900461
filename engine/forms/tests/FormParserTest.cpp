// The form-set walk and the form walk: which form sets become pages, the pages'
// numbers, parents, titles and flags, the link of each dynamic form set, and one
// control record per row of the form walk with its type, condition and flags.
#include <engine/testing/FormParserTestSupport.h>

#include <engine/core/SetupDataFormat.h>

#include <gtest/gtest.h>

using namespace ParserTest;
using Builders::IfrBuilder;
using Builders::IFR_QUESTION;

namespace {

// Two forms: form 1 links to form 2, which holds Texts texts.
IfrBuilder
LinkedForms (int Texts = 1)
{
  IfrBuilder  F;

  FormParserTest::BeginSet (F);
  F.Form (1, 10);
  F.Ref ({ 11, 12, 0x100, 0, 0, 0 }, 2);
  F.End ();
  F.Form (2, 20);
  for (int Index = 0; Index < Texts; Index++) {
    F.Text (21, 22);
  }
  F.End ();
  F.End ();
  return F;
}

// A form set of the given classes with one empty form.
IfrBuilder
EmptyForm (const std::vector<EFI_GUID> &Classes)
{
  IfrBuilder  F;

  FormParserTest::BeginSet (F, Classes);
  F.Form (1, 10);
  F.End ();
  F.End ();
  return F;
}

}  // namespace

TEST_F (FormParserTest, PlatformSetupFormSetBecomesPagesBehindTheKeptLinkPageEntry)
{
  ASSERT_EQ (Parse (LinkedForms ()), EFI_SUCCESS);
  EXPECT_EQ (Job.Parsed, 1);
  ASSERT_EQ (GetWorkPageCount (), 3u);     // entry 0 kept for the link page

  PAGE_RECORD  *First  = GetWorkPage (1);
  PAGE_RECORD  *Second = GetWorkPage (2);

  EXPECT_EQ (First->HiiHandle, Job.HiiHandle);
  EXPECT_EQ (First->FormId, 1);
  EXPECT_EQ (First->PageNumber, 1);
  EXPECT_EQ (First->TitleLineStringId, 0);
  EXPECT_EQ (First->ControlCount, 1u);
  EXPECT_EQ (Second->FormId, 2);
  EXPECT_EQ (Second->PageNumber, 2);
  EXPECT_EQ (Second->ParentPageNumber, 1);
  EXPECT_EQ (Second->TitleStringId, 20);
  EXPECT_EQ (Second->Flags, 0u);
  EXPECT_EQ (Control (1, 0)->RefTargetPage, 2);
  EXPECT_EQ (Control (2, 0)->RefTargetPage, CONTROL_NO_REF_TARGET);

  ASSERT_EQ (GetWorkFormSetCount (), 1u);
  EXPECT_TRUE (CompareGuid (&GetWorkFormSet (0)->FormSetGuid, &kSetGuid));
  EXPECT_EQ (First->FormSetIndex, 0);
}

TEST_F (FormParserTest, TopLevelPageTakesTheFormSetTitleAndHangsBelowTheAnchor)
{
  gDynamicPageAnchor = 7;
  ASSERT_EQ (Parse (LinkedForms ()), EFI_SUCCESS);

  PAGE_RECORD  *First = GetWorkPage (1);

  EXPECT_EQ (First->TitleStringId, kSetTitle);
  EXPECT_EQ (First->ParentPageNumber, 7);
  EXPECT_EQ (First->Flags, (UINT32)(PAGE_FLAG_ENTRY | PAGE_FLAG_DYNAMIC));
}

TEST_F (FormParserTest, CompiledFormSetKeepsItsFormTitle)
{
  EFI_GUID  Compiled[] = { kSetGuid };

  gCompiledPageFormSetGuids     = Compiled;
  gCompiledPageFormSetGuidCount = 1;
  ASSERT_EQ (Parse (LinkedForms ()), EFI_SUCCESS);
  EXPECT_EQ (GetWorkPage (1)->TitleStringId, 10);
  EXPECT_EQ (GetWorkPage (1)->Flags, 0u);
  EXPECT_EQ (GetWorkPage (1)->ParentPageNumber, 0);
}

TEST_F (FormParserTest, SendFormMarksOnlyTheFormSetItWasGiven)
{
  EFI_GUID  Other = kOtherClass;

  gSendFormRunning = TRUE;
  gSendFormGuid    = &Other;
  ASSERT_EQ (Parse (LinkedForms ()), EFI_SUCCESS);
  EXPECT_EQ (GetWorkPage (1)->Flags, 0u);
  EXPECT_EQ (GetWorkPage (1)->ParentPageNumber, 0);

  EFI_GUID  Same = kSetGuid;

  gSendFormGuid = &Same;
  ASSERT_EQ (Parse (LinkedForms ()), EFI_SUCCESS);
  EXPECT_EQ (GetWorkPage (3)->Flags, (UINT32)PAGE_FLAG_ENTRY);
}

TEST_F (FormParserTest, DynamicFormSetGetsALinkBehindOneOffsetZero)
{
  ASSERT_EQ (Parse (LinkedForms ()), EFI_SUCCESS);

  PAGE_RECORD  *Links = GetWorkPage (0);

  ASSERT_NE (Links, nullptr);
  ASSERT_EQ (Links->ControlCount, 2u);
  EXPECT_EQ (((UINT32 *)(Links + 1))[0], 0u);

  CONTROL_RECORD  *Link = GetWorkPageControl (Links, 1);

  EXPECT_EQ (Link->ControlType, CONTROL_TYPE_REF);
  EXPECT_EQ (Link->RefTargetPage, 1);
  EXPECT_EQ (Link->HiiHandle, Job.HiiHandle);
  EXPECT_EQ (Link->Flags, (UINT32)CONTROL_FLAG_VALID);
  EXPECT_EQ (gTopLevelLinkCount, 1u);
  EXPECT_EQ (gDynamicFormSetCount, 1u);
}

TEST_F (FormParserTest, LinkAddedAtCounterSevenHasTwoOffsetZeroEntries)
{
  gTopLevelLinkCount = 7;
  ASSERT_EQ (Parse (LinkedForms ()), EFI_SUCCESS);

  PAGE_RECORD  *Links = GetWorkPage (0);

  ASSERT_EQ (Links->ControlCount, 3u);
  EXPECT_EQ (((UINT32 *)(Links + 1))[0], 0u);
  EXPECT_EQ (((UINT32 *)(Links + 1))[1], 0u);
  EXPECT_EQ (GetWorkPageControl (Links, 2)->ControlType, CONTROL_TYPE_REF);
  EXPECT_EQ (gTopLevelLinkCount, 8u);
}

TEST_F (FormParserTest, FormSetOfAnotherClassAddsNothing)
{
  IfrBuilder  F;

  BeginSet (F, { kOtherClass, kPlatformSetup });
  F.VarStore (kStoreGuid, 1, 4, "Store");
  F.Form (1, 10);
  F.End ();
  F.End ();
  EXPECT_EQ (Parse (F), EFI_ABORTED);
  EXPECT_EQ (GetWorkPageCount (), 0u);
  EXPECT_EQ (GetWorkVariableCount (), 0u);
  EXPECT_EQ (GetWorkPage (0), nullptr);
  // A form set without a class GUID is not platform setup either.
  EXPECT_EQ (Parse (EmptyForm ({})), EFI_ABORTED);
  EXPECT_EQ (GetWorkPageCount (), 0u);
}

TEST_F (FormParserTest, DriverHealthFormSetKeepsItsPagesButIsAborted)
{
  gDynamicPageAnchor = 5;
  EXPECT_EQ (Parse (EmptyForm ({ kDriverHealth })), EFI_ABORTED);
  ASSERT_EQ (GetWorkPageCount (), 2u);
  EXPECT_EQ (GetWorkPage (1)->Flags, (UINT32)PAGE_FLAG_ENTRY);
  EXPECT_EQ (GetWorkPage (1)->ParentPageNumber, 0);
  EXPECT_EQ (Job.Parsed, 1);
}

TEST_F (FormParserTest, FormSetWithTheDriverHealthGuidIsTheDriverHealthFormSet)
{
  IfrBuilder  F;

  F.FormSet (kDriverHealth, kSetTitle, kSetHelp, { kPlatformSetup });
  F.Form (1, 10);
  F.End ();
  F.End ();
  gDynamicPageAnchor = 5;
  EXPECT_EQ (Parse (F), EFI_ABORTED);
  ASSERT_EQ (GetWorkPageCount (), 2u);
  EXPECT_EQ (GetWorkPage (1)->Flags, (UINT32)PAGE_FLAG_ENTRY);
  EXPECT_EQ (GetWorkPage (1)->TitleStringId, kSetTitle);
}

TEST_F (FormParserTest, PackageOfAnotherTypeIsUnsupported)
{
  std::vector<UINT8>  Strings = Builders::BuildStringPackage ("en-US", 1, { { 1, u"x" } });

  EXPECT_EQ (ParseBytes (Strings, nullptr), EFI_UNSUPPORTED);
  EXPECT_EQ (Job.Parsed, 0);
}

TEST_F (FormParserTest, DefaultStoreIsCreatedOnceAsSetupWithAttributesSeven)
{
  ASSERT_EQ (Parse (LinkedForms ()), EFI_SUCCESS);
  ASSERT_EQ (GetWorkVariableCount (), 1u);
  EXPECT_TRUE (CompareGuid (&GetWorkVariable (0)->VendorGuid, &kSetGuid));
  EXPECT_EQ (Name (GetWorkVariable (0)), u"Setup");
  EXPECT_EQ (GetWorkVariable (0)->Attributes, 7u);

  // A second parse of the same form set finds it.
  ASSERT_EQ (Parse (LinkedForms ()), EFI_SUCCESS);
  EXPECT_EQ (GetWorkVariableCount (), 1u);
}

TEST_F (FormParserTest, FormIdMapFollowsRefsAndTheLastRefWins)
{
  IfrBuilder  F;

  BeginSet (F);
  F.Form (1, 10);
  F.Ref ({ 11, 0, 1, 0, 0, 0 }, 3);     // form 3 not yet seen: child of page 1
  F.Ref ({ 11, 0, 2, 0, 0, 0 }, 0);     // form id 0: the current page
  F.End ();
  F.Form (2, 20);
  F.Ref ({ 21, 0, 3, 0, 0, 0 }, 1);     // the first form never takes a parent
  F.End ();
  F.Form (3, 30);
  F.End ();
  F.Form (4, 40);
  F.Ref ({ 41, 0, 4, 0, 0, 0 }, 3);     // a later REF overrides the earlier parent
  F.End ();
  F.End ();
  ASSERT_EQ (Parse (F), EFI_SUCCESS);
  ASSERT_EQ (GetWorkPageCount (), 5u);
  EXPECT_EQ (GetWorkPage (1)->ParentPageNumber, gDynamicPageAnchor);
  EXPECT_EQ (GetWorkPage (2)->ParentPageNumber, 1);
  EXPECT_EQ (GetWorkPage (3)->ParentPageNumber, 4);
  EXPECT_EQ (GetWorkPage (4)->ParentPageNumber, 1);
  EXPECT_EQ (Control (1, 0)->RefTargetPage, 3);
  EXPECT_EQ (Control (1, 1)->RefTargetPage, 1);
  EXPECT_EQ (Control (2, 0)->RefTargetPage, 1);
}

// A subform's goto back to the form above it ("commit and exit") would make that form a
// child of its own child: the form keeps its parent, a later REF from elsewhere still wins.
TEST_F (FormParserTest, ARefBackUpToAnAncestorMakesNoLoopOfParents)
{
  IfrBuilder  F;

  BeginSet (F);
  F.Form (1, 10);
  F.Ref ({ 11, 0, 1, 0, 0, 0 }, 2);
  F.End ();
  F.Form (2, 20);
  F.Ref ({ 21, 0, 2, 0, 0, 0 }, 3);
  F.End ();
  F.Form (3, 30);
  F.Ref ({ 31, 0, 3, 0, 0, 0 }, 4);
  F.End ();
  F.Form (4, 40);
  F.Ref ({ 41, 0, 4, 0, 0, 0 }, 2);     // two levels back up: refused
  F.Ref ({ 42, 0, 5, 0, 0, 0 }, 3);     // one level back up: refused
  F.End ();
  F.Form (5, 50);
  F.Ref ({ 51, 0, 6, 0, 0, 0 }, 3);     // from a page beside the path: taken
  F.End ();
  F.End ();
  ASSERT_EQ (Parse (F), EFI_SUCCESS);
  ASSERT_EQ (GetWorkPageCount (), 6u);
  EXPECT_EQ (GetWorkPage (2)->ParentPageNumber, 1);
  EXPECT_EQ (GetWorkPage (3)->ParentPageNumber, 5);
  EXPECT_EQ (GetWorkPage (4)->ParentPageNumber, 3);
  EXPECT_EQ (GetWorkPage (5)->ParentPageNumber, 1);
}

TEST_F (FormParserTest, FormMapChoosesTheStandardMethodElseTheFirst)
{
  IfrBuilder  F;
  EFI_GUID    Vendor = kOtherClass;

  BeginSet (F);
  F.FormMap (1, { { 50, Vendor }, { 51, kStandardMethod } });
  F.Numeric ({ 60, 61, 1, 0, 0, 0 }, 0, 0, 9, 1);
  F.Operator (EFI_IFR_READ_OP);
  F.End ();
  F.End ();
  F.FormMap (2, { { 52, Vendor } });
  F.Numeric ({ 60, 61, 2, 0, 0, 0 }, 0, 0, 9, 1);
  F.Operator (EFI_IFR_READ_OP);
  F.End ();
  F.End ();
  F.End ();
  ASSERT_EQ (Parse (F), EFI_SUCCESS);
  EXPECT_EQ (GetWorkPage (1)->Flags & PAGE_FLAG_STANDARD_MAP, (UINT32)PAGE_FLAG_STANDARD_MAP);
  EXPECT_EQ (GetWorkPage (2)->TitleStringId, 52);
  EXPECT_EQ (GetWorkPage (2)->Flags, 0u);
  EXPECT_EQ (Control (1, 0)->Flags & CONTROL_FLAG_FORM_MAP_ACCESS, (UINT32)CONTROL_FLAG_FORM_MAP_ACCESS);
  EXPECT_EQ (Control (2, 0)->Flags & CONTROL_FLAG_FORM_MAP_ACCESS, 0u);
}

TEST_F (FormParserTest, ShortFormMapIsRefused)
{
  IfrBuilder  F;

  BeginSet (F);
  F.FormMap (1, {});
  F.End ();
  F.End ();
  EXPECT_EQ (Parse (F), EFI_INVALID_PARAMETER);
  EXPECT_EQ (GetWorkPageCount (), 0u);
}

TEST_F (FormParserTest, ClassAndSubclassExtensionsNameTheFormSetEntry)
{
  IfrBuilder  F;

  BeginSet (F);
  F.GuidClass (0x0A);
  F.GuidSubclass (0x03);
  F.Form (1, 10);
  F.End ();
  F.End ();
  ASSERT_EQ (Parse (F), EFI_SUCCESS);
  EXPECT_EQ (GetWorkFormSet (0)->Class, 0x0A);
  EXPECT_EQ (GetWorkFormSet (0)->SubClass, 0x03);
}

TEST_F (FormParserTest, EveryRowOfTheFormWalkMakesItsControlType)
{
  IfrBuilder  F;

  BeginSet (F);
  F.Form (1, 10);
  F.Subtitle (1, 2, 0, true);
  F.Text (3, 4);                                       // a subtitle's child is walked
  F.End ();
  F.OneOf ({ 5, 6, 0x10, 0, 0, 0 }, 0, 0, 3, 1);
  F.End ();
  F.Checkbox ({ 5, 6, 0x11, 0, 1, 0 }, 0);
  F.End ();
  F.Checkbox ({ 5, 6, 0x12, 0, 2, 0 }, 0);
  F.CheckboxVariantGuid ();
  F.End ();
  F.Numeric ({ 5, 6, 0x13, 0, 3, 0 }, 0, 0, 9, 1);
  F.End ();
  F.Password ({ 5, 6, 0x14, 0, 4, 0 }, 1, 8);
  F.End ();
  F.Action ({ 5, 6, 0x15, 0, 0, 0 }, 0);
  F.ResetButton (5, 6, 0);
  F.Ref ({ 5, 6, 0x16, 0, 0, 0 }, 1);
  F.Rule (9);
  F.Operator (EFI_IFR_TRUE_OP);
  F.End ();
  F.Date ({ 5, 6, 0x17, 0, 8, 0 }, 0);
  F.End ();
  F.Time ({ 5, 6, 0x18, 0, 12, 0 }, 0);
  F.End ();
  F.String ({ 5, 6, 0x19, 0, 16, 0 }, 1, 4, 0);
  F.End ();
  F.OrderedList ({ 5, 6, 0x1A, 0, 24, 0 }, 4, 0);
  F.End ();
  F.NoSubmitIf (7);
  F.Operator (EFI_IFR_FALSE_OP);
  F.End ();
  F.InconsistentIf (8);
  F.Operator (EFI_IFR_FALSE_OP);
  F.End ();
  F.End ();
  F.End ();
  ASSERT_EQ (Parse (F), EFI_SUCCESS);
  EXPECT_EQ (Types (1), (std::vector<UINT16> { 8, 3, 6, 10, 31, 11, 13, 27, 28, 1, 29, 4, 5, 19, 15, 22, 9 }));
  EXPECT_EQ (Control (1, 2)->QuestionId, 0x10);
  EXPECT_EQ (Control (1, 2)->PromptStringId, 5);
  EXPECT_EQ (Control (1, 2)->HelpStringId, 6);
  EXPECT_EQ (Control (1, 2)->PageNumber, 1);
  EXPECT_EQ (Control (1, 1)->QuestionId, 0);
  EXPECT_EQ (Control (1, 10)->QuestionId, 9);           // the rule's id, for RULE_REF
  EXPECT_EQ (Control (1, 10)->PromptStringId, 0);
  EXPECT_EQ (Control (1, 15)->QuestionOpcode, 0u);
  EXPECT_EQ (Control (1, 16)->QuestionOpcode, 0u);
  EXPECT_NE (Control (1, 14)->QuestionOpcode, 0u);
}

TEST_F (FormParserTest, ConditionNestStoresItsOutermostOpcode)
{
  IfrBuilder  F;

  BeginSet (F);
  F.Form (1, 10);
  size_t  Outer = F.SuppressIf ();
  F.Operator (EFI_IFR_FALSE_OP);
  F.GrayOutIf ();
  F.Operator (EFI_IFR_TRUE_OP);
  F.Text (1, 2);
  F.End ();
  F.Text (3, 4);
  F.End ();
  F.Text (5, 6);
  size_t  Rule = F.Rule (1);
  F.Operator (EFI_IFR_TRUE_OP);
  F.End ();
  F.End ();
  F.End ();
  ASSERT_EQ (Parse (F), EFI_SUCCESS);
  EXPECT_EQ (Control (1, 0)->ConditionOpcode, Address (Outer));
  EXPECT_EQ (Control (1, 1)->ConditionOpcode, Address (Outer));
  EXPECT_EQ (Control (1, 2)->ConditionOpcode, 0u);
  EXPECT_EQ (Control (1, 3)->ConditionOpcode, Address (Rule) + 3);   // the opcode after the RULE header
}

TEST_F (FormParserTest, FormSetLevelConditionIsPendingForEveryControlInside)
{
  IfrBuilder  F;

  BeginSet (F);
  size_t  Pending = F.DisableIf ();
  F.Operator (EFI_IFR_TRUE_OP);
  F.Form (1, 10);
  F.Text (1, 2);
  F.SuppressIf ();
  F.Operator (EFI_IFR_TRUE_OP);
  F.Text (3, 4);
  F.End ();
  F.End ();
  F.End ();
  F.Form (2, 20);
  F.Text (5, 6);
  F.End ();
  F.End ();
  ASSERT_EQ (Parse (F), EFI_SUCCESS);
  EXPECT_EQ (Control (1, 0)->ConditionOpcode, Address (Pending));
  EXPECT_EQ (Control (1, 1)->ConditionOpcode, Address (Pending));
  EXPECT_EQ (Control (2, 0)->ConditionOpcode, 0u);
}

TEST_F (FormParserTest, LockedMakesLaterControlsReadOnlyAndModalTagMarksThePage)
{
  IfrBuilder  F;

  BeginSet (F);
  F.Form (1, 10);
  F.Text (1, 2);
  F.Locked ();
  F.Text (3, 4);
  F.ModalTag ();
  F.End ();
  F.End ();
  ASSERT_EQ (Parse (F), EFI_SUCCESS);
  EXPECT_EQ (Control (1, 0)->Flags & CONTROL_FLAG_READ_ONLY, 0u);
  EXPECT_EQ (Control (1, 1)->Flags & CONTROL_FLAG_READ_ONLY, (UINT32)CONTROL_FLAG_READ_ONLY);
  EXPECT_EQ (GetWorkPage (1)->Flags & PAGE_FLAG_MODAL, (UINT32)PAGE_FLAG_MODAL);
}

TEST_F (FormParserTest, ControlsCountTheOpcodesSteppedOverInEarlierScopes)
{
  IfrBuilder  F;

  BeginSet (F);
  F.Form (1, 10);
  F.OneOf ({ 5, 6, 1, 0, 0, 0 }, 0, 0, 3, 1);
  F.OneOfOption (7, 0, EFI_IFR_TYPE_NUM_SIZE_8, 0);
  F.OneOfOption (8, 0, EFI_IFR_TYPE_NUM_SIZE_8, 1);
  F.End ();
  F.Text (1, 2);
  F.End ();
  F.End ();
  ASSERT_EQ (Parse (F), EFI_SUCCESS);
  EXPECT_EQ (Control (1, 0)->SkippedOpcodeCount, 0);
  EXPECT_EQ (Control (1, 1)->SkippedOpcodeCount, 3);     // two options and the END
}

namespace {

// Another form set's page, behind the first one's.
IfrBuilder
OtherSet ()
{
  IfrBuilder  F;

  F.FormSet (kOtherClass, kSetTitle, kSetHelp, { kPlatformSetup });
  F.Form (7, 70);
  F.Ref ({ 11, 12, 0x100, 0, 0, 0 }, 7);
  F.End ();
  F.End ();
  return F;
}

// The linked forms and the other form set parsed, then the linked forms' pages marked
// for a reparse and parsed again with Texts texts.
class FormReparseTest : public FormParserTest {
protected:
  void Reparse (int Texts)
  {
    ASSERT_EQ (Parse (LinkedForms (1)), EFI_SUCCESS);
    ASSERT_EQ (Parse (OtherSet ()), EFI_SUCCESS);
    for (UINT32 Page = 1; Page <= 2; Page++) {
      GetWorkPage (Page)->HiiHandle = PAGE_REPARSE_PENDING;
    }

    gRebuildingDynamicPages = TRUE;
    ASSERT_EQ (Parse (LinkedForms (Texts)), EFI_SUCCESS);
  }
};

}  // namespace

TEST_F (FormReparseTest, ReparsedFormWithTheSameControlCountKeepsItsPage)
{
  ASSERT_NO_FATAL_FAILURE (Reparse (1));

  ASSERT_EQ (GetWorkPageCount (), 4u);
  EXPECT_EQ (GetWorkPage (1)->HiiHandle, Job.HiiHandle);
  EXPECT_EQ (GetWorkPage (2)->HiiHandle, Job.HiiHandle);
  EXPECT_EQ (GetWorkPage (2)->PageNumber, 2);
  EXPECT_EQ (GetWorkPage (2)->ParentPageNumber, 1);
  EXPECT_EQ (Control (1, 0)->RefTargetPage, 2);
  EXPECT_EQ (Control (2, 0)->PageNumber, 2);
  EXPECT_EQ (Control (3, 0)->RefTargetPage, 3);       // the other form set stays
  EXPECT_EQ (GetWorkPageControl (GetWorkPage (0), 5)->RefTargetPage, 1);   // the new link
}

TEST_F (FormReparseTest, ReparsedFormWithOtherControlsDropsItsOldPage)
{
  ASSERT_NO_FATAL_FAILURE (Reparse (2));

  ASSERT_EQ (GetWorkPageCount (), 4u);
  EXPECT_EQ (GetWorkPage (1)->FormId, 1);
  EXPECT_EQ (GetWorkPage (2)->FormId, 7);             // moved down into the dropped page's slot
  EXPECT_EQ (GetWorkPage (2)->PageNumber, 2);
  EXPECT_EQ (Control (2, 0)->RefTargetPage, 2);
  EXPECT_EQ (GetWorkPage (3)->FormId, 2);
  EXPECT_EQ (GetWorkPage (3)->ControlCount, 2u);
  EXPECT_EQ (GetWorkPage (3)->ParentPageNumber, 1);
  EXPECT_EQ (Control (3, 1)->PageNumber, 3);
  EXPECT_EQ (Control (1, 0)->RefTargetPage, 3);
}

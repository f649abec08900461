// The IFR builder writes each opcode with the length its packed layout has and the
// scope bit where the opcode opens a scope; hiidump.py reads the result back.
#include <Builders/HiiDecode.h>
#include <Builders/HiiPackageBuilder.h>
#include <Builders/IfrBuilder.h>

#include <Fixtures.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

using namespace Builders;

namespace {

const EFI_GUID  kFormSet   = MakeGuid ("A1B2C3D4-1111-2222-3333-444455556666");
const EFI_GUID  kVarGuid   = MakeGuid ("C811FA38-42C8-4579-A9BB-60E94EDDFB34");
const EFI_GUID  kPlatform  = EFI_HII_PLATFORM_SETUP_FORMSET_GUID;
const EFI_GUID  kStandard  = EFI_HII_STANDARD_FORM_GUID;

struct OP_CASE {
  const char  *Name;
  uint8_t     OpCode;
  size_t      Length;
  bool        Scope;
};

IFR_QUESTION
Q (uint16_t Id)
{
  IFR_QUESTION  Question;

  Question.Prompt     = 2;
  Question.Help       = 3;
  Question.QuestionId = Id;
  Question.VarStoreId = 1;
  Question.VarOffset  = (uint16_t)(Id * 2);
  return Question;
}

const IFR_OP_VIEW &
OpAt (const IFR_DECODE_RESULT &Decoded, size_t Offset)
{
  for (const IFR_OP_VIEW &Op : Decoded.Ops) {
    if (Op.Offset == Offset) {
      return Op;
    }
  }

  ADD_FAILURE () << "no opcode at offset " << Offset;
  static IFR_OP_VIEW  None;
  return None;
}

}  // namespace

// Every emitter against the size the UEFI layout fixes for it.
TEST (IfrBuilder, EveryOpcodeHasItsLayoutLengthAndScopeBit)
{
  IfrBuilder            B;
  std::vector<std::pair<size_t, OP_CASE>>  Cases;
  auto  Add = [&] (size_t Offset, OP_CASE Case) { Cases.emplace_back (Offset, Case); };

  Add (B.FormSet (kFormSet, 1, 2, { kPlatform }), { "FORM_SET", 0x0E, sizeof (EFI_IFR_FORM_SET), true });
  Add (B.DefaultStore (4, 0), { "DEFAULTSTORE", 0x5C, sizeof (EFI_IFR_DEFAULTSTORE), false });
  Add (B.VarStore (kVarGuid, 1, 81, "Setup"), { "VARSTORE", 0x24, EFI_IFR_VARSTORE_FIXED_SIZE + 6, false });
  Add (B.VarStoreEfi (2, kVarGuid, 7, 4, "Efi"), { "VARSTORE_EFI", 0x26, EFI_IFR_VARSTORE_EFI_FIXED_SIZE + 4, false });
  Add (B.VarStoreNameValue (3, kVarGuid), { "VARSTORE_NAME_VALUE", 0x25, sizeof (EFI_IFR_VARSTORE_NAME_VALUE), false });
  Add (B.GuidClass (1), { "GUID class", 0x5F, sizeof (EFI_IFR_GUID_CLASS), false });
  Add (B.GuidSubclass (2), { "GUID subclass", 0x5F, sizeof (EFI_IFR_GUID_SUBCLASS), false });
  Add (B.Form (1, 5), { "FORM", 0x01, sizeof (EFI_IFR_FORM), true });
  Add (B.Subtitle (6, 0), { "SUBTITLE", 0x02, sizeof (EFI_IFR_SUBTITLE), false });
  Add (B.Text (7, 8, 9), { "TEXT", 0x03, sizeof (EFI_IFR_TEXT), false });
  Add (B.Image (1), { "IMAGE", 0x04, sizeof (EFI_IFR_IMAGE), false });
  Add (B.Animation (1), { "ANIMATION", 0x1F, sizeof (EFI_IFR_ANIMATION), false });
  Add (B.GuidLabel (0x1000), { "GUID label", 0x5F, sizeof (EFI_IFR_GUID_LABEL), false });
  Add (B.GuidBanner (6, 1, EFI_IFR_BANNER_ALIGN_CENTER), { "GUID banner", 0x5F, sizeof (EFI_IFR_GUID_BANNER), false });
  Add (B.GuidTimeout (5), { "GUID timeout", 0x5F, sizeof (EFI_IFR_GUID_TIMEOUT), false });
  Add (B.Locked (), { "LOCKED", 0x0B, sizeof (EFI_IFR_LOCKED), false });
  Add (B.ModalTag (), { "MODAL_TAG", 0x61, sizeof (EFI_IFR_MODAL_TAG), false });
  Add (B.SuppressIf (), { "SUPPRESS_IF", 0x0A, sizeof (EFI_IFR_SUPPRESS_IF), true });
  Add (B.EqIdVal (1, 2), { "EQ_ID_VAL", 0x12, sizeof (EFI_IFR_EQ_ID_VAL), false });
  B.End ();
  Add (B.GrayOutIf (), { "GRAY_OUT_IF", 0x19, sizeof (EFI_IFR_GRAY_OUT_IF), true });
  Add (B.EqIdId (1, 2), { "EQ_ID_ID", 0x13, sizeof (EFI_IFR_EQ_ID_ID), false });
  B.End ();
  Add (B.DisableIf (), { "DISABLE_IF", 0x1E, sizeof (EFI_IFR_DISABLE_IF), true });
  Add (B.EqIdValList (1, { 1, 2, 3 }), { "EQ_ID_VAL_LIST", 0x14, EFI_IFR_EQ_ID_VAL_LIST_SIZE (3), false });
  B.End ();
  Add (B.OneOf (Q (1), EFI_IFR_NUMERIC_SIZE_1, 0, 1, 0), { "ONE_OF u8", 0x05, EFI_IFR_NUMERIC_SIZE_FOR_WIDTH (1), true });
  Add (B.OneOfOption (10, EFI_IFR_OPTION_DEFAULT, EFI_IFR_TYPE_NUM_SIZE_8, 1), { "ONE_OF_OPTION u8", 0x09, 7, false });
  Add (B.Default (0, EFI_IFR_TYPE_NUM_SIZE_8, 1), { "DEFAULT u8", 0x5B, 6, false });
  Add (B.End (), { "END", 0x29, sizeof (EFI_IFR_END), false });
  Add (B.OneOf (Q (2), EFI_IFR_NUMERIC_SIZE_8, 0, 9, 1), { "ONE_OF u64", 0x05, sizeof (EFI_IFR_ONE_OF), true });
  Add (B.OneOfOption (10, 0, EFI_IFR_TYPE_NUM_SIZE_64, 9), { "ONE_OF_OPTION u64", 0x09, 14, false });
  B.End ();
  Add (B.Numeric (Q (3), EFI_IFR_NUMERIC_SIZE_2, 0, 100, 1), { "NUMERIC u16", 0x07, EFI_IFR_NUMERIC_SIZE_FOR_WIDTH (2), true });
  Add (B.Default (0x20, EFI_IFR_TYPE_NUM_SIZE_16, 5), { "DEFAULT u16", 0x5B, 7, false });
  Add (B.Refresh (2), { "REFRESH", 0x1D, sizeof (EFI_IFR_REFRESH), false });
  Add (B.RefreshId (kVarGuid), { "REFRESH_ID", 0x62, sizeof (EFI_IFR_REFRESH_ID), false });
  Add (B.VarStoreDevice (11), { "VARSTORE_DEVICE", 0x27, sizeof (EFI_IFR_VARSTORE_DEVICE), false });
  Add (B.InconsistentIf (76), { "INCONSISTENT_IF", 0x11, sizeof (EFI_IFR_INCONSISTENT_IF), true });
  Add (B.Operator (EFI_IFR_TRUE_OP), { "TRUE", 0x46, 2, false });
  B.End ();
  Add (B.NoSubmitIf (77), { "NO_SUBMIT_IF", 0x10, sizeof (EFI_IFR_NO_SUBMIT_IF), true });
  Add (B.Operator (EFI_IFR_FALSE_OP), { "FALSE", 0x47, 2, false });
  B.End ();
  Add (B.WarningIf (12, 5), { "WARNING_IF", 0x63, sizeof (EFI_IFR_WARNING_IF), true });
  Add (B.Operator (EFI_IFR_ONE_OP), { "ONE", 0x53, 2, false });
  B.End ();
  B.End ();
  Add (B.Numeric (Q (4), EFI_IFR_NUMERIC_SIZE_4, 0, 100, 1, false), { "NUMERIC u32", 0x07, EFI_IFR_NUMERIC_SIZE_FOR_WIDTH (4), false });
  Add (B.Numeric (Q (5), EFI_IFR_NUMERIC_SIZE_8, 0, 100, 1, false), { "NUMERIC u64", 0x07, sizeof (EFI_IFR_NUMERIC), false });
  Add (B.Checkbox (Q (6), EFI_IFR_CHECKBOX_DEFAULT), { "CHECKBOX", 0x06, sizeof (EFI_IFR_CHECKBOX), true });
  Add (B.CheckboxVariantGuid (), { "GUID", 0x5F, sizeof (EFI_IFR_GUID), false });
  B.End ();
  Add (B.Password (Q (7), 0, 20, false), { "PASSWORD", 0x08, sizeof (EFI_IFR_PASSWORD), false });
  Add (B.OrderedList (Q (8), 4, 0), { "ORDERED_LIST", 0x23, sizeof (EFI_IFR_ORDERED_LIST), true });
  B.End ();
  Add (B.String (Q (9), 0, 20, 0, false), { "STRING", 0x1C, sizeof (EFI_IFR_STRING), false });
  Add (B.Date (Q (10), QF_DATE_STORAGE_TIME, false), { "DATE", 0x1A, sizeof (EFI_IFR_DATE), false });
  Add (B.Time (Q (11), QF_TIME_STORAGE_TIME, false), { "TIME", 0x1B, sizeof (EFI_IFR_TIME), false });
  Add (B.Action (Q (12), 13), { "ACTION", 0x0C, sizeof (EFI_IFR_ACTION), false });
  Add (B.Action1 (Q (13)), { "ACTION_1", 0x0C, sizeof (EFI_IFR_ACTION_1), false });
  Add (B.ResetButton (14, 15, 0), { "RESET_BUTTON", 0x0D, sizeof (EFI_IFR_RESET_BUTTON), false });
  Add (B.Ref (Q (14), 2), { "REF", 0x0F, sizeof (EFI_IFR_REF), false });
  Add (B.Ref2 (Q (15), 2, 1), { "REF2", 0x0F, sizeof (EFI_IFR_REF2), false });
  Add (B.Ref3 (Q (16), 2, 1, kFormSet), { "REF3", 0x0F, sizeof (EFI_IFR_REF3), false });
  Add (B.Ref4 (Q (17), 2, 1, kFormSet, 16), { "REF4", 0x0F, sizeof (EFI_IFR_REF4), false });
  Add (B.Ref5 (Q (18)), { "REF5", 0x0F, sizeof (EFI_IFR_REF5), false });
  Add (B.Rule (1), { "RULE", 0x18, sizeof (EFI_IFR_RULE), true });
  Add (B.QuestionRef1 (1), { "QUESTION_REF1", 0x40, sizeof (EFI_IFR_QUESTION_REF1), false });
  Add (B.Uint8 (1), { "UINT8", 0x42, sizeof (EFI_IFR_UINT8), false });
  Add (B.Uint16 (1), { "UINT16", 0x43, sizeof (EFI_IFR_UINT16), false });
  Add (B.Uint32 (1), { "UINT32", 0x44, sizeof (EFI_IFR_UINT32), false });
  Add (B.Uint64 (1), { "UINT64", 0x45, sizeof (EFI_IFR_UINT64), false });
  Add (B.QuestionRef2 (), { "QUESTION_REF2", 0x41, sizeof (EFI_IFR_QUESTION_REF2), false });
  Add (B.QuestionRef3 (), { "QUESTION_REF3", 0x51, sizeof (EFI_IFR_QUESTION_REF3), false });
  Add (B.QuestionRef3_2 (3), { "QUESTION_REF3_2", 0x51, sizeof (EFI_IFR_QUESTION_REF3_2), false });
  Add (B.QuestionRef3_3 (3, kFormSet), { "QUESTION_REF3_3", 0x51, sizeof (EFI_IFR_QUESTION_REF3_3), false });
  Add (B.RuleRef (1), { "RULE_REF", 0x3F, sizeof (EFI_IFR_RULE_REF), false });
  Add (B.StringRef1 (3), { "STRING_REF1", 0x4E, sizeof (EFI_IFR_STRING_REF1), false });
  Add (B.StringRef2 (), { "STRING_REF2", 0x4F, sizeof (EFI_IFR_STRING_REF2), false });
  Add (B.This (), { "THIS", 0x58, sizeof (EFI_IFR_THIS), false });
  Add (B.Security (kVarGuid), { "SECURITY", 0x60, sizeof (EFI_IFR_SECURITY), false });
  Add (B.Get (1, 0, EFI_IFR_VARSTORE_TYPE_BUFFER), { "GET", 0x2B, sizeof (EFI_IFR_GET), false });
  Add (B.Set (1, 0, EFI_IFR_VARSTORE_TYPE_BUFFER), { "SET", 0x2C, sizeof (EFI_IFR_SET), false });
  Add (B.ToString (EFI_IFR_STRING_UNSIGNED_DEC), { "TO_STRING", 0x49, sizeof (EFI_IFR_TO_STRING), false });
  Add (B.Find (EFI_IFR_FF_CASE_SENSITIVE), { "FIND", 0x4C, sizeof (EFI_IFR_FIND), false });
  Add (B.Span (EFI_IFR_FLAGS_FIRST_MATCHING), { "SPAN", 0x59, sizeof (EFI_IFR_SPAN), false });
  Add (B.Match2 (kVarGuid), { "MATCH2", 0x64, sizeof (EFI_IFR_MATCH2), false });
  Add (B.Operator (EFI_IFR_MAP_OP), { "MAP", 0x22, 2, true });
  B.End ();
  Add (B.Value (), { "VALUE", 0x5A, sizeof (EFI_IFR_VALUE), true });
  Add (B.Operator (EFI_IFR_CATENATE_OP), { "CATENATE", 0x5E, 2, false });
  B.End ();
  Add (B.DefaultExpression (0, EFI_IFR_TYPE_NUM_SIZE_8), { "DEFAULT_2", 0x5B, sizeof (EFI_IFR_DEFAULT_2), true });
  B.End ();
  B.End ();                                             // RULE
  B.End ();                                             // FORM
  Add (B.FormMap (2, { { 20, kStandard }, { 21, kFormSet } }), { "FORM_MAP", 0x5D, EFI_IFR_FORM_MAP_SIZE (2), true });
  B.End ();
  B.End ();                                             // FORM_SET

  BYTES              Package = B.Package ();
  IFR_DECODE_RESULT  Decoded = DecodeIfr (Package);

  EXPECT_EQ (Decoded.Error, "");
  EXPECT_EQ (Decoded.OpenScopes, 0);
  EXPECT_EQ (B.Depth (), 0);
  for (const auto &[Offset, Case] : Cases) {
    const IFR_OP_VIEW  &Op = OpAt (Decoded, Offset);
    EXPECT_EQ (Op.OpCode, Case.OpCode) << Case.Name;
    EXPECT_EQ (Op.Length, Case.Length) << Case.Name;
    EXPECT_EQ (Op.Scope, Case.Scope) << Case.Name;
  }
}

// Spot checks of field placement, read back through the packed layouts.
TEST (IfrBuilder, FieldsLandWhereTheLayoutsSay)
{
  IfrBuilder  B;
  size_t      FormSet = B.FormSet (kFormSet, 0x11, 0x12, { kPlatform });
  size_t      VarStore = B.VarStoreEfi (0x33, kVarGuid, 7, 81, "OKURWZSetup");
  size_t      Numeric = B.Numeric (Q (0x44), EFI_IFR_NUMERIC_SIZE_2 | EFI_IFR_DISPLAY_UINT_HEX, 0x10, 0x2000, 0x10, false);
  size_t      Option  = B.OneOfOption (0x55, EFI_IFR_OPTION_DEFAULT_MFG, EFI_IFR_TYPE_DATE, 0x1F0707E8);
  size_t      Ref4    = B.Ref4 (Q (0x66), 0x77, 0x88, kFormSet, 0x99);
  BYTES       P       = B.Package ();

  EFI_IFR_FORM_SET  Fs;
  std::memcpy (&Fs, &P[FormSet], sizeof (Fs));
  EXPECT_TRUE (SameGuid (GetGuid (P, FormSet + offsetof (EFI_IFR_FORM_SET, Guid)), kFormSet));
  EXPECT_EQ (+Fs.FormSetTitle, 0x11);
  EXPECT_EQ (+Fs.Help, 0x12);
  EXPECT_EQ (Fs.Flags & EFI_IFR_FORM_SET_CLASS_GUID_COUNT_MASK, 1);
  EXPECT_TRUE (SameGuid (GetGuid (P, FormSet + offsetof (EFI_IFR_FORM_SET, ClassGuid)), kPlatform));

  EXPECT_EQ (GetU16 (P, VarStore + 2), 0x33);
  EXPECT_EQ (GetU32 (P, VarStore + 20), 7u);
  EXPECT_EQ (GetU16 (P, VarStore + 24), 81);
  EXPECT_EQ (std::string ((const char *)&P[VarStore + 26]), "OKURWZSetup");

  EFI_IFR_NUMERIC  N;
  std::memcpy (&N, &P[Numeric], EFI_IFR_NUMERIC_SIZE_FOR_WIDTH (2));
  EXPECT_EQ (+N.Question.QuestionId, 0x44);
  EXPECT_EQ (+N.Question.VarStoreInfo.VarOffset, 0x88);
  EXPECT_EQ (+N.data.u16.MinValue, 0x10);
  EXPECT_EQ (+N.data.u16.MaxValue, 0x2000);
  EXPECT_EQ (+N.data.u16.Step, 0x10);

  EFI_IFR_ONE_OF_OPTION  O;
  std::memcpy (&O, &P[Option], EFI_IFR_ONE_OF_OPTION_FIXED_SIZE + 4);
  EXPECT_EQ (P[Option + 1], EFI_IFR_ONE_OF_OPTION_FIXED_SIZE + 4);
  EXPECT_EQ (+O.Value.date.Year, 2024);
  EXPECT_EQ (+O.Value.date.Month, 7);
  EXPECT_EQ (+O.Value.date.Day, 31);

  EFI_IFR_REF4  R;
  std::memcpy (&R, &P[Ref4], sizeof (R));
  EXPECT_EQ (+R.FormId, 0x77);
  EXPECT_EQ (+R.QuestionId, 0x88);
  EXPECT_TRUE (SameGuid (GetGuid (P, Ref4 + offsetof (EFI_IFR_REF4, FormSetId)), kFormSet));
  EXPECT_EQ (+R.DevicePath, 0x99);
}

// The class and subclass extensions carry the extension GUID, op 3/4 and the u16.
TEST (IfrBuilder, GuidExtensionsCarryTheirOpAndValue)
{
  IfrBuilder      B;
  const EFI_GUID  Tiano = EFI_IFR_TIANO_GUID;
  size_t          Class = B.GuidClass (0x1234);
  size_t          Sub   = B.GuidSubclass (0x5678);
  BYTES           P     = B.Package ();

  EXPECT_TRUE (SameGuid (GetGuid (P, Class + 2), Tiano));
  EXPECT_EQ (P[Class + 18], EFI_IFR_EXTEND_OP_CLASS);
  EXPECT_EQ (GetU16 (P, Class + 19), 0x1234);
  EXPECT_EQ (P[Sub + 18], EFI_IFR_EXTEND_OP_SUBCLASS);
  EXPECT_EQ (GetU16 (P, Sub + 19), 0x5678);
}

// Malformed output stays malformed: the decoder must stop at it.
TEST (IfrBuilder, WritesZeroLengthAndOverlongOpcodesForHardeningTests)
{
  IfrBuilder  Zero;
  Zero.Form (1, 2);
  Zero.ZeroLengthOp (EFI_IFR_TEXT_OP);
  EXPECT_EQ (DecodeIfr (Zero.Package ()).Error, "opcode length below its header");

  IfrBuilder  Past;
  Past.OpWithLength (EFI_IFR_TEXT_OP, 40, std::array<uint8_t, 6> {});
  IFR_DECODE_RESULT  Decoded = DecodeIfr (Past.Package ());
  EXPECT_EQ (Decoded.Error, "opcode runs past the package end");
  EXPECT_TRUE (Decoded.Ops.empty ());
}

TEST (IfrBuilder, RefusesWhatCannotBeEncoded)
{
  IfrBuilder  B;
  std::array<uint8_t, 126>  Big {};

  EXPECT_THROW (B.Op (EFI_IFR_GUID_OP, Big), std::length_error);
  EXPECT_THROW (B.End (), std::logic_error);
  EXPECT_THROW (B.Operator (EFI_IFR_UINT8_OP), std::invalid_argument);
  EXPECT_THROW (B.FormSet (kFormSet, 1, 2, { kPlatform, kPlatform, kPlatform, kPlatform }), std::invalid_argument);
}

namespace {

std::string
RunHiiDump (const BYTES &Export)
{
  std::string  Path = ::testing::TempDir () + "builders-hiidump.bin";
  std::ofstream (Path, std::ios::binary).write ((const char *)Export.data (), (std::streamsize)Export.size ());
  std::string  Command = std::string (SETUP_PYTHON) + " " + Fixtures::ToolPath ("hiidump.py") + " --tree " + Path + " 2>&1";
  std::unique_ptr<FILE, int (*) (FILE *)>  Pipe (popen (Command.c_str (), "r"), pclose);
  std::string  Output;
  std::array<char, 4096>  Chunk;

  while (Pipe != nullptr && fgets (Chunk.data (), (int)Chunk.size (), Pipe.get ()) != nullptr) {
    Output += Chunk.data ();
  }

  return Output;
}

}  // namespace

// An independent reader (the project's hiidump.py) sees the same form set, forms,
// opcodes and strings the builder meant to write.
TEST (IfrBuilder, HiiDumpReadsBackTheBuiltPackageList)
{
  ASSERT_FALSE (std::ifstream (Fixtures::ToolPath ("hiidump.py")).fail ()) << "missing tool " << Fixtures::ToolPath ("hiidump.py");

  IfrBuilder  B;
  B.FormSet (kFormSet, 1, 2, { kPlatform });
  B.VarStore (kVarGuid, 1, 16, "Setup");
  B.Form (0x1000, 3);
  B.Subtitle (4, 0);
  B.SuppressIf ();
  B.EqIdVal (0x10, 1);
  B.Checkbox (Q (0x11), 0);
  B.End ();
  B.End ();
  B.OneOf (Q (0x10), EFI_IFR_NUMERIC_SIZE_1, 0, 1, 0);
  B.OneOfOption (5, EFI_IFR_OPTION_DEFAULT, EFI_IFR_TYPE_NUM_SIZE_8, 1);
  B.OneOfOption (6, 0, EFI_IFR_TYPE_NUM_SIZE_8, 0);
  B.End ();
  B.End ();
  B.End ();

  BYTES List = PackageListBuilder (kFormSet)
                 .Add (B.Package ())
                 .Add (BuildStringPackage (
                   "en-US", 0, { { 1, u"Board" }, { 2, u"Help" }, { 3, u"Main" }, { 4, u"Sub" }, { 5, u"Enabled" }, { 6, u"Disabled" } }))
                 .Build ();
  std::string Out = RunHiiDump (List);

  EXPECT_NE (Out.find ("1 package lists"), std::string::npos) << Out;
  EXPECT_NE (Out.find ("formset A1B2C3D4-1111-2222-3333-444455556666 title 'Board'"), std::string::npos) << Out;
  EXPECT_NE (Out.find ("form 4096 'Main'"), std::string::npos) << Out;
  EXPECT_NE (Out.find ("15 opcodes, max scope depth 4"), std::string::npos) << Out;
  EXPECT_NE (
    Out.find ("CHECKBOX=1, END=5, EQ_ID_VAL=1, FORM=1, FORM_SET=1, ONE_OF=1, ONE_OF_OPTION=2, SUBTITLE=1, "
              "SUPPRESS_IF=1, VARSTORE=1"),
    std::string::npos)
    << Out;
  EXPECT_NE (Out.find ("language en-US, 6 strings, last id 6"), std::string::npos) << Out;
  EXPECT_NE (Out.find ("ONE_OF_OPTION option #5 'Enabled' flags 0x10 type 0"), std::string::npos) << Out;
  EXPECT_EQ (Out.find ("PROBLEM"), std::string::npos) << Out;
}

TEST (IfrBuilder, OpHeaderBitFieldsMatchTheByteReaders)
{
  IfrBuilder  B;
  B.Form (1, 2);
  BYTES              P = B.Package ();
  EFI_IFR_OP_HEADER  Header;

  std::memcpy (&Header, &P[4], sizeof (Header));
  EXPECT_EQ (Header.OpCode, EFI_IFR_FORM_OP);
  EXPECT_EQ (Header.Length, sizeof (EFI_IFR_FORM));
  EXPECT_EQ (Header.Scope, 1);
  EXPECT_EQ (IfrOpLength (&P[4]), sizeof (EFI_IFR_FORM));
  EXPECT_TRUE (IfrOpScope (&P[4]));
}

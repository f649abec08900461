// A real HII export (OVMF) walked with our layouts: every length consistent, every
// string package decodes, and every fixed-size IFR opcode has its layout's length.
#include <Builders/ByteWriter.h>
#include <Builders/HiiDecode.h>

#include <Uefi/UefiIfr.h>

#include <gtest/gtest.h>

#include <Fixtures.h>

#include <map>

using namespace Builders;

namespace {

// Opcodes whose length the layout fixes, as OVMF's compiler emits them.
const std::map<uint8_t, size_t>  kFixedLengths = {
  { EFI_IFR_FORM_OP, sizeof (EFI_IFR_FORM) },
  { EFI_IFR_SUBTITLE_OP, sizeof (EFI_IFR_SUBTITLE) },
  { EFI_IFR_TEXT_OP, sizeof (EFI_IFR_TEXT) },
  { EFI_IFR_CHECKBOX_OP, sizeof (EFI_IFR_CHECKBOX) },
  { EFI_IFR_STRING_OP, sizeof (EFI_IFR_STRING) },
  { EFI_IFR_DATE_OP, sizeof (EFI_IFR_DATE) },
  { EFI_IFR_TIME_OP, sizeof (EFI_IFR_TIME) },
  { EFI_IFR_SUPPRESS_IF_OP, sizeof (EFI_IFR_SUPPRESS_IF) },
  { EFI_IFR_GRAY_OUT_IF_OP, sizeof (EFI_IFR_GRAY_OUT_IF) },
  { EFI_IFR_DISABLE_IF_OP, sizeof (EFI_IFR_DISABLE_IF) },
  { EFI_IFR_EQ_ID_VAL_OP, sizeof (EFI_IFR_EQ_ID_VAL) },
  { EFI_IFR_QUESTION_REF1_OP, sizeof (EFI_IFR_QUESTION_REF1) },
  { EFI_IFR_DEFAULTSTORE_OP, sizeof (EFI_IFR_DEFAULTSTORE) },
  { EFI_IFR_VARSTORE_NAME_VALUE_OP, sizeof (EFI_IFR_VARSTORE_NAME_VALUE) },
  { EFI_IFR_UINT64_OP, sizeof (EFI_IFR_UINT64) },
  { EFI_IFR_END_OP, 2 },
  { EFI_IFR_NOT_OP, 2 },
  { EFI_IFR_OR_OP, 2 },
  { EFI_IFR_TRUE_OP, 2 },
  { EFI_IFR_EQUAL_OP, 2 },
};

size_t
NumericLength (const IFR_OP_VIEW &Op)
{
  return EFI_IFR_NUMERIC_SIZE_FOR_WIDTH (1u << (Op.Bytes[13] & EFI_IFR_NUMERIC_SIZE));
}

// Checks one opcode; returns false when its length disagrees with its layout.
bool
OpcodeLengthMatchesLayout (const IFR_OP_VIEW &Op)
{
  auto  Fixed = kFixedLengths.find (Op.OpCode);

  if (Fixed != kFixedLengths.end ()) {
    return Op.Length == Fixed->second;
  }

  switch (Op.OpCode) {
    case EFI_IFR_FORM_SET_OP:
      return Op.Length == EFI_IFR_FORM_SET_SIZE (Op.Bytes[22] & EFI_IFR_FORM_SET_CLASS_GUID_COUNT_MASK);
    case EFI_IFR_ONE_OF_OP:
    case EFI_IFR_NUMERIC_OP:
      return Op.Length >= 14 && Op.Length == NumericLength (Op);
    case EFI_IFR_ONE_OF_OPTION_OP:
      return Op.Length == EFI_IFR_ONE_OF_OPTION_FIXED_SIZE + IfrTypeValueWidth (Op.Bytes[5]);
    case EFI_IFR_DEFAULT_OP:
      return Op.Scope ? Op.Length == sizeof (EFI_IFR_DEFAULT_2) : Op.Length == EFI_IFR_DEFAULT_FIXED_SIZE + IfrTypeValueWidth (Op.Bytes[4]);
    case EFI_IFR_REF_OP:
      return Op.Length == 13 || Op.Length == 15 || Op.Length == 17 || Op.Length == 33 || Op.Length == 35;
    case EFI_IFR_ACTION_OP:
      return Op.Length == sizeof (EFI_IFR_ACTION) || Op.Length == sizeof (EFI_IFR_ACTION_1);
    case EFI_IFR_EQ_ID_VAL_LIST_OP:
      return Op.Length == EFI_IFR_EQ_ID_VAL_LIST_SIZE (GetU16 (Op.Bytes, 4));
    case EFI_IFR_VARSTORE_OP:
      return Op.Length > EFI_IFR_VARSTORE_FIXED_SIZE && Op.Bytes[Op.Length - 1] == 0;
    case EFI_IFR_VARSTORE_EFI_OP:
      return Op.Length > EFI_IFR_VARSTORE_EFI_FIXED_SIZE && Op.Bytes[Op.Length - 1] == 0;
    case EFI_IFR_GUID_OP:
      return Op.Length >= sizeof (EFI_IFR_GUID);
    default:
      ADD_FAILURE () << "opcode 0x" << std::hex << (int)Op.OpCode << " not expected in the OVMF export";
      return false;
  }
}

}  // namespace

TEST (OvmfExport, EveryPackageLengthIsConsistent)
{
  std::vector<uint8_t>  Data = Fixtures::Read ("ovmf/HIIDB.BIN");
  ASSERT_EQ (Data.size (), 99571u);

  HII_EXPORT_VIEW  View = SplitPackageLists (Data);
  EXPECT_EQ (View.Error, "");
  EXPECT_EQ (View.Lists.size (), 20u);
  size_t  End = 0;
  for (const HII_PACKAGE_LIST_VIEW &List : View.Lists) {
    EXPECT_EQ (List.Offset, End);
    End = List.Offset + List.Length;
    ASSERT_FALSE (List.Packages.empty ());
    EXPECT_EQ (List.Packages.back ().Type, EFI_HII_PACKAGE_END);
    EXPECT_EQ (List.Packages.back ().Bytes.size (), 4u);
  }

  EXPECT_EQ (End, Data.size ());
  // The first list: one en-US string package of 6852 bytes, then END.
  EXPECT_EQ (View.Lists[0].Length, 6876u);
  EXPECT_EQ (View.Lists[0].Packages[0].Bytes.size (), 6852u);
}

TEST (OvmfExport, EveryStringPackageDecodes)
{
  std::vector<uint8_t>  Data = Fixtures::Read ("ovmf/HIIDB.BIN");
  HII_EXPORT_VIEW       View = SplitPackageLists (Data);
  std::map<std::string, int>  Languages;
  bool                  SawSecureBootTitle = false;

  for (const HII_PACKAGE_LIST_VIEW &List : View.Lists) {
    for (const HII_PACKAGE_VIEW &Package : List.Packages) {
      if (Package.Type != EFI_HII_PACKAGE_STRINGS) {
        continue;
      }

      DECODED_STRING_PACKAGE  D = DecodeStringPackage (Package.Bytes);
      EXPECT_EQ (D.Error, "") << "list at " << List.Offset;
      Languages[D.Language]++;
      const std::u16string  *Title = D.Find (2);
      SawSecureBootTitle |= Title != nullptr && *Title == u"Secure Boot Configuration";
    }
  }

  EXPECT_GT (Languages["en-US"], 0);
  EXPECT_GT (Languages["fr-FR"], 0);
  EXPECT_TRUE (SawSecureBootTitle);
}

TEST (OvmfExport, EveryIfrOpcodeHasItsLayoutLength)
{
  std::vector<uint8_t>  Data = Fixtures::Read ("ovmf/HIIDB.BIN");
  HII_EXPORT_VIEW       View = SplitPackageLists (Data);
  size_t                FormSets = 0;
  size_t                Opcodes  = 0;

  for (const HII_PACKAGE_LIST_VIEW &List : View.Lists) {
    for (const HII_PACKAGE_VIEW &Package : List.Packages) {
      if (Package.Type != EFI_HII_PACKAGE_FORMS) {
        continue;
      }

      IFR_DECODE_RESULT  Decoded = DecodeIfr (Package.Bytes);
      EXPECT_EQ (Decoded.Error, "");
      EXPECT_EQ (Decoded.OpenScopes, 0);
      for (const IFR_OP_VIEW &Op : Decoded.Ops) {
        EXPECT_TRUE (OpcodeLengthMatchesLayout (Op))
          << "opcode 0x" << std::hex << (int)Op.OpCode << " length " << std::dec << (int)Op.Length << " at " << Op.Offset;
        FormSets += Op.OpCode == EFI_IFR_FORM_SET_OP;
      }

      Opcodes += Decoded.Ops.size ();
    }
  }

  EXPECT_EQ (FormSets, 14u);
  EXPECT_EQ (Opcodes, 1011u);
}

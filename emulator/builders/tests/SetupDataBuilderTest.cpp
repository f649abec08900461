// The compiled-setup-data block: header words, tables, records and the section, read
// back through the shared layout header the way the engine's reader walks them.
#include <Builders/FirmwareFileBuilder.h>
#include <Builders/HiiDecode.h>
#include <Builders/IfrBuilder.h>
#include <Builders/SetupDataBuilder.h>

#include <gtest/gtest.h>

#include <cstring>

using namespace Builders;

namespace {

const EFI_GUID  kBoardFormSet = MakeGuid ("7B59104A-C00D-4158-87FF-F04D6396A915");
const EFI_GUID  kOtherFormSet = MakeGuid ("11111111-2222-3333-4444-555555555555");
const EFI_GUID  kSetupGuid    = MakeGuid ("EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9");
const EFI_GUID  kOkurwzGuid   = MakeGuid ("C811FA38-42C8-4579-A9BB-60E94EDDFB34");
const EFI_GUID  kPlatform     = EFI_HII_PLATFORM_SETUP_FORMSET_GUID;

template <typename T>
T
Read (const BYTES &Block, size_t Offset)
{
  T  Value;

  EXPECT_LE (Offset + sizeof (T), Block.size ());
  std::memcpy (&Value, &Block[Offset], sizeof (T));
  return Value;
}

// A small board: one form set with a one-of under a SUPPRESS_IF and a checkbox.
struct BOARD {
  BYTES            Forms;
  size_t           Suppress = 0;
  size_t           OneOf    = 0;
  size_t           Checkbox = 0;
  SETUP_DATA_DESC  Desc;
};

BOARD
MakeBoard ()
{
  BOARD       Board;
  IfrBuilder  B;

  B.FormSet (kBoardFormSet, 1, 2, { kPlatform });
  B.VarStore (kSetupGuid, 1, 16, "Setup");
  B.Form (1, 3);
  Board.Suppress = B.SuppressIf ();
  B.EqIdVal (0x11, 0);
  Board.OneOf = B.OneOf ({ 4, 5, 0x10, 1, 2, 0 }, EFI_IFR_NUMERIC_SIZE_2, 0, 3, 0);
  B.OneOfOption (6, EFI_IFR_OPTION_DEFAULT, EFI_IFR_TYPE_NUM_SIZE_16, 2);
  B.End ();
  B.End ();
  Board.Checkbox = B.Checkbox ({ 7, 8, 0x11, 1, 4, 0 }, 0);
  B.End ();
  B.End ();
  B.End ();
  Board.Forms = B.Package ();

  SETUP_CONTROL_DESC  OneOf;
  OneOf.ControlType     = CONTROL_TYPE_ONE_OF;
  OneOf.QuestionId      = 0x10;
  OneOf.PromptStringId  = 4;
  OneOf.HelpStringId    = 5;
  OneOf.QuestionOpcode  = (uint32_t)Board.OneOf;
  OneOf.ConditionOpcode = (uint32_t)Board.Suppress;
  OneOf.ValueWidth      = 2;
  OneOf.MfgDefault      = ValueBytes (3, 2);
  OneOf.StdDefault      = ValueBytes (2, 2);
  OneOf.Defaults        = { { 0, ValueBytes (2, 2) }, { 0x20, ValueBytes (3, 2) } };
  OneOf.Flags           = CONTROL_FLAG_VALID | CONTROL_FLAG_RESET_REQUIRED;

  SETUP_CONTROL_DESC  Checkbox;
  Checkbox.ControlType    = CONTROL_TYPE_CHECKBOX;
  Checkbox.QuestionId     = 0x11;
  Checkbox.QuestionOpcode = (uint32_t)Board.Checkbox;
  Checkbox.ValueWidth     = 1;
  Checkbox.StdDefault     = { 1 };

  SETUP_CONTROL_DESC  Link;
  Link.ControlType    = CONTROL_TYPE_REF;
  Link.RefTargetPage  = 1;
  Link.QuestionOpcode = 27;                             // a REF slot of the first page's block

  SETUP_PAGE_DESC  Main;
  Main.FormId        = 1;
  Main.TitleStringId = 3;
  Main.Controls      = { Link };

  SETUP_PAGE_DESC  Advanced;
  Advanced.FormId           = 1;
  Advanced.TitleStringId    = 3;
  Advanced.ParentPageNumber = 0;
  Advanced.FormSetIndex     = 1;
  Advanced.Flags            = PAGE_FLAG_MODAL;
  Advanced.Controls         = { OneOf, Checkbox };

  Board.Desc.Settings.TitleStringId    = 0x101;
  Board.Desc.Settings.TabTitleStringId = 0x102;
  Board.Desc.Pages    = { Main, Advanced };
  Board.Desc.FormSets = { { kBoardFormSet, 0, 0, 0 }, { kOtherFormSet, 1, 2, HiiGetPackageLength (Board.Forms.data ()) } };

  SETUP_VARIABLE_DESC  Setup { kSetupGuid, u"Setup", 7, 1, 0, 16, 0 };
  SETUP_VARIABLE_DESC  Lang { MakeGuid ("8BE4DF61-93CA-11D2-AA0D-00E098032B8C"), u"PlatformLang", 7, 2, VARIABLE_STORE_EFI, 6, 0 };
  SETUP_VARIABLE_DESC  Okurwz { kOkurwzGuid, u"OKURWZSetup", 0, 3, VARIABLE_STORE_EFI, 81, 0 };
  Board.Desc.Variables = { Setup, Lang, Okurwz, Setup };
  return Board;
}

}  // namespace

// Header words 5-8 and 10-16, each table where its word says, with its own counts.
TEST (SetupDataBuilder, HeaderWordsLocateEveryTable)
{
  BOARD              Board = MakeBoard ();
  SETUP_DATA_LAYOUT  Layout;
  BYTES              Block = BuildSetupDataBlock (Board.Desc, &Layout);
  SETUP_DATA_HEADER  H     = Read<SETUP_DATA_HEADER> (Block, 0);

  EXPECT_EQ (std::memcmp (&Layout.Header, &H, sizeof (H)), 0);
  for (int Word : { 0, 1, 2, 3, 4 }) {
    EXPECT_EQ (GetU32 (Block, 4 * Word), 0u) << "word " << Word;
  }

  // Word 9: the variable-GUID list's three GUIDs end 16 + 3 x 16 bytes past its start.
  EXPECT_EQ (H.VariableGuidListEnd, H.VariableGuidListOffset + 64);

  EXPECT_TRUE (SameGuid (GetGuid (Block, 20), kBoardFormSet));  // page 0's form set
  for (uint32_t Offset : { H.EngineSettingsOffset, H.PageListOffset, H.ControlDataOffset, H.VariableListOffset, H.FormsRegionOffset,
                           H.VariableGuidListOffset, H.FormSetTableOffset }) {
    EXPECT_LT (Offset, Block.size ());
    EXPECT_EQ (Offset % 8, 0u);
  }

  EXPECT_EQ (Read<ENGINE_SETTINGS> (Block, H.EngineSettingsOffset).TitleStringId, 0x101);
  EXPECT_EQ (GetU16 (Block, H.EngineSettingsOffset + 10), 0x102);
  EXPECT_EQ (GetU32 (Block, H.PageListOffset), 2u);
  EXPECT_EQ (GetU32 (Block, H.VariableListOffset), 4u);
  EXPECT_EQ (GetU32 (Block, H.VariableGuidListOffset), 3u);      // Setup's GUID once
  EXPECT_EQ (GetU32 (Block, H.FormSetTableOffset), 2u);
  // One {length, 0} pair per form-set entry from entry 1 on.
  EXPECT_EQ (H.VariableGuidListOffset - H.FormsRegionOffset, 8u);
  EXPECT_EQ (GetU32 (Block, H.FormsRegionOffset), Board.Forms.size ());
  EXPECT_EQ (GetU32 (Block, H.FormsRegionOffset + 4), 0u);
}

TEST (SetupDataBuilder, PageRecordsAndTheirControlOffsets)
{
  BOARD              Board = MakeBoard ();
  BYTES              Block = BuildSetupDataBlock (Board.Desc);
  SETUP_DATA_HEADER  H     = Read<SETUP_DATA_HEADER> (Block, 0);
  uint32_t           Page1 = GetU32 (Block, H.PageListOffset + 8);   // offsets count from the block
  PAGE_RECORD        P     = Read<PAGE_RECORD> (Block, Page1);

  EXPECT_EQ (P.HiiHandle, nullptr);
  EXPECT_EQ (P.FormSetIndex, 1);
  EXPECT_EQ (P.FormId, 1);
  EXPECT_EQ (P.TitleLineStringId, 0);
  EXPECT_EQ (P.TitleStringId, 3);
  EXPECT_EQ (P.PageNumber, 1);
  EXPECT_EQ (P.ParentPageNumber, 0);
  EXPECT_EQ (P.Flags, (uint32_t)PAGE_FLAG_MODAL);
  EXPECT_EQ (P.Reserved, 0u);
  ASSERT_EQ (P.ControlCount, 2u);

  uint32_t  First  = GetU32 (Block, Page1 + PAGE_RECORD_CONTROL_OFFSETS);
  uint32_t  Second = GetU32 (Block, Page1 + PAGE_RECORD_CONTROL_OFFSETS + 4);
  // Page 0's link record comes first in the control data; it has no defaults.
  EXPECT_EQ (First, ControlRecordSize (0, 0));
  // The one-of: 64 + 2 x 2 + 2 x (2 + 2) = 76, padded to 80.
  EXPECT_EQ (Second - First, 80u);
  EXPECT_EQ (ControlRecordSize (2, 2), 80u);
  EXPECT_EQ (First % 8, 0u);
  EXPECT_EQ (Second % 8, 0u);
}

// The one-of's record: fields, the question offset in the package, the condition as a
// (negative) offset from the question, and the defaults in their order.
TEST (SetupDataBuilder, ControlRecordHoldsOffsetsAndDefaults)
{
  BOARD              Board = MakeBoard ();
  SETUP_DATA_LAYOUT  Layout;
  BYTES              Block = BuildSetupDataBlock (Board.Desc, &Layout);
  size_t             At    = Layout.Header.ControlDataOffset + Layout.ControlOffsets[1][0];
  CONTROL_RECORD     C     = Read<CONTROL_RECORD> (Block, At);

  EXPECT_EQ (C.HiiHandle, nullptr);
  EXPECT_EQ (C.VariableIndex, 0u);
  EXPECT_EQ (C.QuestionId, 0x10);
  EXPECT_EQ (C.DefaultCount, 2);
  EXPECT_EQ (C.ControlType, CONTROL_TYPE_ONE_OF);
  EXPECT_EQ (C.PageNumber, 1);
  EXPECT_EQ (C.RefTargetPage, CONTROL_NO_REF_TARGET);
  EXPECT_EQ (C.Flags, (uint32_t)(CONTROL_FLAG_VALID | CONTROL_FLAG_RESET_REQUIRED));
  EXPECT_EQ (C.HelpStringId, 5);
  EXPECT_EQ (C.PromptStringId, 4);
  EXPECT_EQ (C.ValueWidth, 2);
  EXPECT_EQ (C.ValueSize, 2);

  // The question opcode sits where the record says in the forms package.
  ASSERT_LT (C.QuestionOpcode, Board.Forms.size ());
  EXPECT_EQ (Board.Forms[C.QuestionOpcode], EFI_IFR_ONE_OF_OP);
  EXPECT_EQ (GetU16 (Board.Forms, C.QuestionOpcode + 6), 0x10);
  // SUPPRESS_IF precedes its question: the offset is negative, two's complement.
  int64_t  Condition = (int64_t)C.ConditionOpcode;
  EXPECT_EQ (Condition, -(int64_t)(Board.OneOf - Board.Suppress));
  EXPECT_EQ (Board.Forms[(size_t)((int64_t)C.QuestionOpcode + Condition)], EFI_IFR_SUPPRESS_IF_OP);

  EXPECT_EQ (GetU16 (Block, At + 64), 3);               // manufacturing first
  EXPECT_EQ (GetU16 (Block, At + 66), 2);               // then standard
  EXPECT_EQ (GetU16 (Block, At + 68), 0);               // entry 0: default id 0 ...
  EXPECT_EQ (GetU16 (Block, At + 70), 2);               // ... value 2
  EXPECT_EQ (GetU16 (Block, At + 72), 0x20);
  EXPECT_EQ (GetU16 (Block, At + 74), 3);
  EXPECT_EQ (GetU16 (Block, At + 76), 0);               // padding

  // The checkbox record follows; a control without condition stores 0.
  CONTROL_RECORD  Box = Read<CONTROL_RECORD> (Block, Layout.Header.ControlDataOffset + Layout.ControlOffsets[1][1]);
  EXPECT_EQ (Box.ConditionOpcode, 0u);
  EXPECT_EQ (Board.Forms[Box.QuestionOpcode], EFI_IFR_CHECKBOX_OP);
  EXPECT_EQ (Block[Layout.Header.ControlDataOffset + Layout.ControlOffsets[1][1] + 65], 1);
}

TEST (SetupDataBuilder, VariableRecordsAndTheirIndexes)
{
  BOARD              Board = MakeBoard ();
  SETUP_DATA_LAYOUT  Layout;
  BYTES              Block = BuildSetupDataBlock (Board.Desc, &Layout);
  uint32_t           List  = Layout.Header.VariableListOffset;

  ASSERT_EQ (Layout.VariableOffsets.size (), 4u);
  // Offsets count from the list itself; records are 128 bytes back to back.
  EXPECT_EQ (GetU32 (Block, List + 4 * 3), Layout.VariableOffsets[2]);
  EXPECT_EQ (Layout.VariableOffsets[1] - Layout.VariableOffsets[0], sizeof (VARIABLE_RECORD));

  VARIABLE_RECORD  V = Read<VARIABLE_RECORD> (Block, List + Layout.VariableOffsets[2]);
  EXPECT_TRUE (SameGuid (V.VendorGuid, kOkurwzGuid));
  EXPECT_EQ (std::u16string (V.Name), u"OKURWZSetup");
  EXPECT_EQ (V.Name[VARIABLE_NAME_LENGTH - 1], 0);
  EXPECT_EQ (V.Attributes, 0u);
  EXPECT_EQ (V.VariableId, 3u);
  EXPECT_EQ (V.StoreFlags, (uint32_t)VARIABLE_STORE_EFI);
  EXPECT_EQ (V.HiiHandle, nullptr);
  EXPECT_EQ (V.Size, SETUP_PASSWORD_RECORD_SIZE);
}

TEST (SetupDataBuilder, FormSetTableAndVariableGuidList)
{
  BOARD              Board = MakeBoard ();
  BYTES              Block = BuildSetupDataBlock (Board.Desc);
  SETUP_DATA_HEADER  H     = Read<SETUP_DATA_HEADER> (Block, 0);
  uint32_t           First = GetU32 (Block, H.FormSetTableOffset + 4);
  uint32_t           Second = GetU32 (Block, H.FormSetTableOffset + 8);

  // Entries are back to back: entry i is at the first entry + 20 x i.
  EXPECT_EQ (Second - First, sizeof (FORM_SET_ENTRY));
  FORM_SET_ENTRY  E = Read<FORM_SET_ENTRY> (Block, H.FormSetTableOffset + Second);
  EXPECT_TRUE (SameGuid (E.FormSetGuid, kOtherFormSet));
  EXPECT_EQ (E.Class, 1);
  EXPECT_EQ (E.SubClass, 2);

  uint32_t  Guid2 = GetU32 (Block, H.VariableGuidListOffset + 4 * 3);
  EXPECT_TRUE (SameGuid (GetGuid (Block, H.VariableGuidListOffset + Guid2), kOkurwzGuid));
}

// A link entry follows the GUID-only records: its GUID, flags, kind, path length
// and path characters, and no GUID-only record of the same GUID hides it.
TEST (SetupDataBuilder, SpecialEntriesFollowTheGuidOnlyRecords)
{
  BOARD              Board = MakeBoard ();
  const EFI_GUID     Tool  = kOkurwzGuid;       // also a variable's vendor GUID

  Board.Desc.SpecialEntries = { { .FileGuid = Tool, .Flags = SPECIAL_ENTRY_START_PATHS, .Kind = 0, .Paths = u"\\x|\\y" } };
  BYTES              Block = BuildSetupDataBlock (Board.Desc);
  SETUP_DATA_HEADER  H     = Read<SETUP_DATA_HEADER> (Block, 0);
  uint32_t           Count = GetU32 (Block, H.VariableGuidListOffset);
  uint32_t           Entry = GetU32 (Block, H.VariableGuidListOffset + 4 * Count);

  ASSERT_EQ (Count, 3u);                      // two GUID-only records, then the entry
  EXPECT_TRUE (SameGuid (GetGuid (Block, H.VariableGuidListOffset + Entry), Tool));
  SPECIAL_ENTRY_RECORD  Head = Read<SPECIAL_ENTRY_RECORD> (Block, H.VariableGuidListOffset + Entry);
  EXPECT_EQ (Head.Flags, (uint32_t)SPECIAL_ENTRY_START_PATHS);
  EXPECT_EQ (Head.Kind, 0u);
  EXPECT_EQ (Head.PathListLength, 5);
  EXPECT_EQ (GetU16 (Block, H.VariableGuidListOffset + Entry + SPECIAL_ENTRY_PATH_LIST + 4), u'|');
  EXPECT_EQ (H.VariableGuidListEnd, H.VariableGuidListOffset + Entry + SPECIAL_ENTRY_PATH_LIST + 10);
  EXPECT_EQ (H.FormSetTableOffset % 8, 0u);
  for (uint32_t Index = 0; Index + 1 < Count; Index++) {
    EXPECT_FALSE (SameGuid (GetGuid (Block, H.VariableGuidListOffset + GetU32 (Block, H.VariableGuidListOffset + 4 + 4 * Index)), Tool));
  }
}

// With no controls at all the control data still starts with a (zero) record.
TEST (SetupDataBuilder, EmptyBoardStillHasAFirstControlRecord)
{
  SETUP_DATA_DESC    Desc;
  SETUP_DATA_LAYOUT  Layout;
  BYTES              Block = BuildSetupDataBlock (Desc, &Layout);

  EXPECT_EQ (Layout.Header.VariableListOffset - Layout.Header.ControlDataOffset, (uint32_t)CONTROL_RECORD_DEFAULTS);
  EXPECT_EQ (GetU32 (Block, Layout.Header.PageListOffset), 0u);
  EXPECT_EQ (Layout.Header.VariableGuidListOffset, Layout.Header.FormsRegionOffset);
}

TEST (SetupDataBuilder, RefusesDescriptionsItCannotLayOut)
{
  BOARD  Board = MakeBoard ();

  Board.Desc.Pages[1].Controls[0].StdDefault = ValueBytes (1, 4);
  EXPECT_THROW (BuildSetupDataBlock (Board.Desc), std::invalid_argument);

  Board = MakeBoard ();
  Board.Desc.Variables[0].Name = std::u16string (40, u'x');
  EXPECT_THROW (BuildSetupDataBlock (Board.Desc), std::invalid_argument);

  Board = MakeBoard ();
  Board.Desc.Pages[0].FormSetIndex = 2;
  EXPECT_THROW (BuildSetupDataBlock (Board.Desc), std::invalid_argument);
}

// The section: type 0x18, led by FE612B72-..., the block right behind the GUID.
TEST (SetupDataBuilder, SectionIsFreeformLedByTheSetupDataGuid)
{
  BOARD          Board         = MakeBoard ();
  BYTES          Section       = BuildSetupDataSection (Board.Desc);
  BYTES          Block         = BuildSetupDataBlock (Board.Desc);
  const EFI_GUID Expected      = SETUP_DATA_SECTION_GUID;
  const uint8_t  GuidBytes[16] = { 0x72, 0x2B, 0x61, 0xFE, 0x3C, 0x20, 0xB1, 0x47, 0x85, 0x60, 0xA6, 0x6D, 0x94, 0x6E, 0xB3, 0x71 };

  EXPECT_EQ (Section[3], SETUP_DATA_SECTION_TYPE);
  EXPECT_EQ (HiiReadUint24 (Section.data ()), Section.size ());
  EXPECT_EQ (std::memcmp (&Section[4], GuidBytes, 16), 0);
  EXPECT_TRUE (SameGuid (GetGuid (Section, 4), Expected));
  EXPECT_EQ (BYTES (Section.begin () + 4 + SETUP_DATA_BLOCK_OFFSET, Section.end ()), Block);
  EXPECT_EQ (BuildSetupDataSectionBody (Board.Desc), BYTES (Section.begin () + 4, Section.end ()));
}

// Control descriptions read from the question opcodes the IFR builder wrote.
TEST (SetupDataBuilder, ControlFromOpcodeReadsTypeIdsWidthAndFlags)
{
  IfrBuilder  B;
  B.FormSet (kBoardFormSet, 1, 2, { kPlatform });
  B.Form (1, 3);
  size_t  OneOf = B.OneOf ({ 4, 5, 0x10, 1, 2, EFI_IFR_FLAG_RESET_REQUIRED | EFI_IFR_FLAG_CALLBACK }, EFI_IFR_NUMERIC_SIZE_4, 0, 3, 0);
  B.End ();
  size_t  Plain = B.Checkbox ({ 6, 7, 0x11, 1, 4, EFI_IFR_FLAG_READ_ONLY }, 0);
  B.End ();
  size_t  Variant = B.Checkbox ({ 6, 7, 0x12, 1, 5, 0 }, 0);
  B.SuppressIf ();                                      // the GUID sits in a nested scope
  B.CheckboxVariantGuid ();
  B.End ();
  B.End ();
  size_t  After = B.Checkbox ({ 6, 7, 0x13, 1, 6, 0 }, 0);   // a later GUID is not in its scope
  B.End ();
  B.CheckboxVariantGuid ();
  size_t  Password = B.Password ({ 8, 9, 0x14, 1, 8, 0 }, 0, 20, false);
  size_t  Ref2 = B.Ref2 ({ 10, 11, 0x15, 0, 0, 0 }, 2, 0x10);
  size_t  Text = B.Text (12, 13, 0);
  B.End ();
  B.End ();
  BYTES  P = B.Package ();

  SETUP_CONTROL_DESC  C = ControlFromOpcode (P, OneOf);
  EXPECT_EQ (C.ControlType, CONTROL_TYPE_ONE_OF);
  EXPECT_EQ (C.QuestionOpcode, OneOf);
  EXPECT_EQ (C.QuestionId, 0x10);
  EXPECT_EQ (C.PromptStringId, 4);
  EXPECT_EQ (C.HelpStringId, 5);
  EXPECT_EQ (C.ValueWidth, 4);
  EXPECT_EQ (C.Flags, (uint32_t)(CONTROL_FLAG_VALID | CONTROL_FLAG_RESET_REQUIRED | CONTROL_FLAG_CALLBACK));

  EXPECT_EQ (ControlFromOpcode (P, Plain).ControlType, CONTROL_TYPE_CHECKBOX);
  EXPECT_EQ (ControlFromOpcode (P, Plain).Flags, (uint32_t)(CONTROL_FLAG_VALID | CONTROL_FLAG_READ_ONLY));
  EXPECT_EQ (ControlFromOpcode (P, Variant).ControlType, CONTROL_TYPE_CHECKBOX_VARIANT);
  EXPECT_EQ (ControlFromOpcode (P, After).ControlType, CONTROL_TYPE_CHECKBOX);
  EXPECT_EQ (ControlFromOpcode (P, Password).ValueWidth, 40);
  EXPECT_EQ (ControlFromOpcode (P, Ref2).RefQuestionId, 0x10);
  EXPECT_EQ (ControlFromOpcode (P, Text).ControlType, CONTROL_TYPE_TEXT);
  EXPECT_EQ (ControlFromOpcode (P, Text).QuestionId, 0);
  EXPECT_THROW (ControlFromOpcode (P, 4), std::invalid_argument);   // FORM_SET makes no control
  EXPECT_THROW (ControlFromOpcode (P, P.size () - 1), std::invalid_argument);
}

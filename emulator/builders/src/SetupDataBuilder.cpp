#include <Builders/SetupDataBuilder.h>

#include <Builders/FirmwareFileBuilder.h>
#include <Builders/HiiDecode.h>

#include <Uefi/UefiIfr.h>

#include <algorithm>
#include <stdexcept>

namespace Builders {

namespace {

constexpr EFI_GUID  kSectionGuid = SETUP_DATA_SECTION_GUID;

void
AppendDefault (BYTES &Out, const BYTES &Value, uint16_t Width)
{
  if (Value.size () > Width) {
    throw std::invalid_argument ("a control default is wider than its control");
  }

  AppendBytes (Out, Value);
  Out.insert (Out.end (), Width - Value.size (), 0);
}

BYTES
ControlRecordBytes (const SETUP_CONTROL_DESC &Control, uint16_t PageNumber)
{
  BYTES     Out;
  uint64_t  Condition = Control.ConditionOpcode;

  if (Control.Defaults.size () > 0xFF) {
    throw std::invalid_argument ("at most 255 default entries");
  }

  // In the block a condition is counted from its question opcode when there is one.
  if (Control.QuestionOpcode != 0 && Control.ConditionOpcode != 0) {
    Condition = (uint64_t)((int64_t)Control.ConditionOpcode - (int64_t)Control.QuestionOpcode);
  }

  AppendU64 (Out, 0);                                   // HII handle: bound at run time
  AppendU32 (Out, Control.VariableIndex);
  AppendU16 (Out, Control.QuestionId);
  AppendU16 (Out, Control.DevicePathStringId);
  AppendU8 (Out, (uint8_t)Control.Defaults.size ());
  AppendU8 (Out, 0);
  AppendU16 (Out, Control.RefQuestionId);
  AppendU16 (Out, (uint16_t)(Control.ControlType & CONTROL_TYPE_MASK));
  AppendU16 (Out, PageNumber);
  AppendU16 (Out, Control.RefTargetPage);
  AppendU16 (Out, 0);
  AppendU32 (Out, Control.Flags);
  AppendU16 (Out, Control.HelpStringId);
  AppendU16 (Out, 0);
  AppendU16 (Out, Control.SkippedOpcodeCount);
  AppendU16 (Out, 0);
  AppendU64 (Out, Control.QuestionOpcode);
  AppendU64 (Out, Condition);
  AppendU16 (Out, Control.ValueWidth);
  AppendU16 (Out, Control.ValueWidth);
  AppendU16 (Out, Control.PromptStringId);
  AppendU16 (Out, 0);
  AppendDefault (Out, Control.MfgDefault, Control.ValueWidth);
  AppendDefault (Out, Control.StdDefault, Control.ValueWidth);
  for (const auto &[DefaultId, Value] : Control.Defaults) {
    AppendU16 (Out, DefaultId);
    AppendDefault (Out, Value, Control.ValueWidth);
  }

  PadTo (Out, CONTROL_RECORD_ALIGNMENT);
  return Out;
}

BYTES
VariableRecordBytes (const SETUP_VARIABLE_DESC &Variable)
{
  BYTES  Out;

  if (Variable.Name.size () >= VARIABLE_NAME_LENGTH) {
    throw std::invalid_argument ("variable names hold at most 39 characters");
  }

  AppendGuid (Out, Variable.VendorGuid);
  for (size_t Index = 0; Index < VARIABLE_NAME_LENGTH; Index++) {
    AppendU16 (Out, Index < Variable.Name.size () ? (uint16_t)Variable.Name[Index] : 0);
  }

  AppendU32 (Out, Variable.Attributes);
  AppendU32 (Out, Variable.VariableId);
  AppendU32 (Out, Variable.StoreFlags);
  AppendU16 (Out, Variable.StorageWord);
  AppendU16 (Out, 0);
  AppendU64 (Out, 0);                                   // HII handle: bound at run time
  AppendU16 (Out, Variable.Size);
  Out.insert (Out.end (), 6, 0);
  return Out;
}

// A u32 count, then one u32 offset per record, then the records; offsets count from the
// list start plus Base (where the list sits inside a larger block).
BYTES
OffsetList (const std::vector<BYTES> &Records, std::vector<uint32_t> *Offsets, size_t Base = 0)
{
  BYTES  Out;
  size_t Position = Base + ((4 + 4 * Records.size () + 7) & ~(size_t)7);

  AppendU32 (Out, (uint32_t)Records.size ());
  for (const BYTES &Record : Records) {
    AppendU32 (Out, (uint32_t)Position);
    if (Offsets != nullptr) {
      Offsets->push_back ((uint32_t)Position);
    }

    Position += Record.size ();
  }

  PadTo (Out, 8);
  for (const BYTES &Record : Records) {
    AppendBytes (Out, Record);
  }

  return Out;
}

BYTES
PageRecordBytes (const SETUP_PAGE_DESC &Page, uint16_t PageNumber, const std::vector<uint32_t> &ControlOffsets)
{
  BYTES  Out;

  AppendU64 (Out, 0);                                   // HII handle: bound at run time
  AppendU16 (Out, Page.FormSetIndex);
  AppendU16 (Out, Page.FormId);
  AppendU16 (Out, Page.TitleLineStringId);
  AppendU16 (Out, Page.TitleStringId);
  AppendU16 (Out, PageNumber);
  AppendU16 (Out, Page.ParentPageNumber);
  AppendU32 (Out, Page.Flags);
  AppendU32 (Out, 0);
  AppendU32 (Out, (uint32_t)ControlOffsets.size ());
  for (uint32_t Offset : ControlOffsets) {
    AppendU32 (Out, Offset);
  }

  PadTo (Out, 8);
  return Out;
}

// The control data region and, per page, the offsets of its records in it.
BYTES
ControlData (const SETUP_DATA_DESC &Desc, std::vector<std::vector<uint32_t>> &Offsets)
{
  BYTES  Out;

  for (size_t Page = 0; Page < Desc.Pages.size (); Page++) {
    Offsets.emplace_back ();
    for (const SETUP_CONTROL_DESC &Control : Desc.Pages[Page].Controls) {
      Offsets.back ().push_back ((uint32_t)Out.size ());
      AppendBytes (Out, ControlRecordBytes (Control, (uint16_t)Page));
    }
  }

  // The dynamic-page build copies "the first control record" for a page without
  // controls, so the region never starts empty.
  if (Out.empty ()) {
    Out.assign (CONTROL_RECORD_DEFAULTS, 0);
  }

  return Out;
}

std::vector<EFI_GUID>
VariableGuids (const SETUP_DATA_DESC &Desc)
{
  std::vector<EFI_GUID>  Guids;

  if (Desc.VariableGuids.has_value ()) {
    return *Desc.VariableGuids;
  }

  // A GUID-only record before a link entry of the same GUID would hide the entry.
  auto  Listed = [&] (const EFI_GUID &Guid) {
    return std::any_of (Guids.begin (), Guids.end (), [&] (const EFI_GUID &G) { return SameGuid (G, Guid); }) ||
           std::any_of (Desc.SpecialEntries.begin (), Desc.SpecialEntries.end (),
             [&] (const SETUP_SPECIAL_ENTRY_DESC &E) { return SameGuid (E.FileGuid, Guid); });
  };

  for (const SETUP_VARIABLE_DESC &Variable : Desc.Variables) {
    if (!Listed (Variable.VendorGuid)) {
      Guids.push_back (Variable.VendorGuid);
    }
  }

  return Guids;
}

BYTES
SpecialEntryBytes (const SETUP_SPECIAL_ENTRY_DESC &Entry)
{
  BYTES  Out;

  if (Entry.Paths.size () > 0xFFFF) {
    throw std::invalid_argument ("a link entry's path list holds at most 65535 characters");
  }

  AppendGuid (Out, Entry.FileGuid);
  AppendU32 (Out, Entry.Flags);
  AppendU32 (Out, Entry.Kind);
  AppendU16 (Out, Entry.PathListLength.value_or ((uint16_t)Entry.Paths.size ()));
  AppendU16 (Out, 0);
  for (char16_t Char : Entry.Paths) {
    AppendU16 (Out, Char);
  }

  if (Entry.RecordSize.has_value ()) {
    Out.resize (*Entry.RecordSize, 0);
  }

  return Out;
}

// The list, and in *End where its records end (from the list start).
BYTES
VariableGuidList (const SETUP_DATA_DESC &Desc, size_t *End)
{
  std::vector<BYTES>  Records;
  BYTES               Out;

  for (const EFI_GUID &Guid : VariableGuids (Desc)) {
    Records.emplace_back ();
    AppendGuid (Records.back (), Guid);
  }

  for (const SETUP_SPECIAL_ENTRY_DESC &Entry : Desc.SpecialEntries) {
    Records.push_back (SpecialEntryBytes (Entry));
  }

  Out  = OffsetList (Records, nullptr);
  *End = Out.size ();
  return Out;
}

BYTES
FormSetTable (const SETUP_DATA_DESC &Desc)
{
  std::vector<BYTES>  Records;

  for (const SETUP_FORM_SET_DESC &FormSet : Desc.FormSets) {
    Records.emplace_back ();
    AppendGuid (Records.back (), FormSet.Guid);
    AppendU16 (Records.back (), FormSet.Class);
    AppendU16 (Records.back (), FormSet.SubClass);
  }

  return OffsetList (Records, nullptr);
}

BYTES
FormsRegion (const SETUP_DATA_DESC &Desc)
{
  BYTES  Out;

  for (size_t Entry = 1; Entry < Desc.FormSets.size (); Entry++) {
    AppendU32 (Out, Desc.FormSets[Entry].FormsPackageLength);
    AppendU32 (Out, 0);
  }

  return Out;
}

void
CheckDescription (const SETUP_DATA_DESC &Desc)
{
  for (const SETUP_PAGE_DESC &Page : Desc.Pages) {
    if (Page.FormSetIndex >= Desc.FormSets.size ()) {
      throw std::invalid_argument ("a page names a form-set entry that the table lacks");
    }
  }

  if (Desc.Pages.size () > 0xFFFF) {
    throw std::invalid_argument ("page numbers are 16 bits");
  }
}

// Page list then page records; page offsets count from the block start (Base).
BYTES
PageTables (
  const SETUP_DATA_DESC                    &Desc,
  size_t                                    Base,
  const std::vector<std::vector<uint32_t>> &ControlOffsets,
  std::vector<uint32_t>                    &PageOffsets
  )
{
  std::vector<BYTES>  Records;

  for (size_t Page = 0; Page < Desc.Pages.size (); Page++) {
    Records.push_back (PageRecordBytes (Desc.Pages[Page], (uint16_t)Page, ControlOffsets[Page]));
  }

  return OffsetList (Records, &PageOffsets, Base);
}

uint16_t
ControlTypeOf (uint8_t OpCode)
{
  switch (OpCode) {
    case EFI_IFR_SUBTITLE_OP:
      return CONTROL_TYPE_SUBTITLE;
    case EFI_IFR_TEXT_OP:
      return CONTROL_TYPE_TEXT;
    case EFI_IFR_ONE_OF_OP:
      return CONTROL_TYPE_ONE_OF;
    case EFI_IFR_CHECKBOX_OP:
      return CONTROL_TYPE_CHECKBOX;
    case EFI_IFR_NUMERIC_OP:
      return CONTROL_TYPE_NUMERIC;
    case EFI_IFR_PASSWORD_OP:
      return CONTROL_TYPE_PASSWORD;
    case EFI_IFR_ACTION_OP:
      return CONTROL_TYPE_ACTION;
    case EFI_IFR_RESET_BUTTON_OP:
      return CONTROL_TYPE_RESET_BUTTON;
    case EFI_IFR_REF_OP:
      return CONTROL_TYPE_REF;
    case EFI_IFR_DATE_OP:
      return CONTROL_TYPE_DATE;
    case EFI_IFR_TIME_OP:
      return CONTROL_TYPE_TIME;
    case EFI_IFR_STRING_OP:
      return CONTROL_TYPE_STRING;
    case EFI_IFR_ORDERED_LIST_OP:
      return CONTROL_TYPE_ORDERED_LIST;
    default:
      throw std::invalid_argument ("the opcode makes no control");
  }
}

uint16_t
QuestionWidth (std::span<const uint8_t> Op)
{
  switch (Op[0]) {
    case EFI_IFR_ONE_OF_OP:
    case EFI_IFR_NUMERIC_OP:
      return Op.size () < 14 ? 0 : (uint16_t)(1u << (Op[13] & EFI_IFR_NUMERIC_SIZE));
    case EFI_IFR_CHECKBOX_OP:
      return 1;
    case EFI_IFR_DATE_OP:
      return sizeof (EFI_HII_DATE);
    case EFI_IFR_TIME_OP:
      return sizeof (EFI_HII_TIME);
    case EFI_IFR_STRING_OP:
      return Op.size () < sizeof (EFI_IFR_STRING) ? 0 : (uint16_t)(Op[14] * 2);
    case EFI_IFR_PASSWORD_OP:
      return Op.size () < sizeof (EFI_IFR_PASSWORD) ? 0 : (uint16_t)(GetU16 (Op, 15) * 2);
    default:
      return 0;
  }
}

// TRUE when the checkbox's own scope holds the variant GUID opcode.
bool
HasVariantGuid (std::span<const uint8_t> Package, size_t Offset)
{
  const EFI_GUID  Variant = SETUP_CHECKBOX_VARIANT_GUID;
  int             Depth   = 0;

  for (const IFR_OP_VIEW &Op : DecodeIfr (Package).Ops) {
    if (Op.Offset < Offset) {
      continue;
    }

    if (Op.Offset > Offset && Depth == 0) {
      return false;
    }

    if (Op.OpCode == EFI_IFR_GUID_OP && Op.Length >= sizeof (EFI_IFR_GUID) && SameGuid (GetGuid (Op.Bytes, 2), Variant)) {
      return true;
    }

    Depth += Op.Scope ? 1 : 0;
    Depth -= Op.OpCode == EFI_IFR_END_OP ? 1 : 0;
  }

  return false;
}

}  // namespace

SETUP_CONTROL_DESC
ControlFromOpcode (std::span<const uint8_t> Package, size_t Offset)
{
  SETUP_CONTROL_DESC  Control;

  if (Offset + 2 > Package.size () || IfrOpLength (&Package[Offset]) < 6 || Offset + IfrOpLength (&Package[Offset]) > Package.size ()) {
    throw std::invalid_argument ("no statement opcode at that offset");
  }

  std::span<const uint8_t>  Op = Package.subspan (Offset, IfrOpLength (&Package[Offset]));
  bool                      IsQuestion = IsQuestionOpcode (Op[0]);

  Control.ControlType    = ControlTypeOf (Op[0]);
  Control.QuestionOpcode = (uint32_t)Offset;
  Control.PromptStringId = GetU16 (Op, 2);
  Control.HelpStringId   = GetU16 (Op, 4);
  if (!IsQuestion) {
    return Control;
  }

  if (Op.size () < 2 + sizeof (EFI_IFR_QUESTION_HEADER)) {
    throw std::invalid_argument ("question opcode shorter than its header");
  }

  uint8_t  Flags = Op[12];
  Control.QuestionId = GetU16 (Op, 6);
  Control.Flags     |= (Flags & EFI_IFR_FLAG_READ_ONLY) ? CONTROL_FLAG_READ_ONLY : 0;
  Control.Flags     |= (Flags & EFI_IFR_FLAG_CALLBACK) ? CONTROL_FLAG_CALLBACK : 0;
  Control.Flags     |= (Flags & EFI_IFR_FLAG_RESET_REQUIRED) ? CONTROL_FLAG_RESET_REQUIRED : 0;
  Control.ValueWidth = QuestionWidth (Op);
  if (Op[0] == EFI_IFR_REF_OP && Op.size () >= sizeof (EFI_IFR_REF2)) {
    Control.RefQuestionId = GetU16 (Op, 15);
  }

  if (Op[0] == EFI_IFR_CHECKBOX_OP && IfrOpScope (Op.data ()) && HasVariantGuid (Package, Offset)) {
    Control.ControlType = CONTROL_TYPE_CHECKBOX_VARIANT;
  }

  return Control;
}

BYTES
ValueBytes (uint64_t Value, unsigned Width)
{
  BYTES  Out;

  for (unsigned Index = 0; Index < Width; Index++) {
    Out.push_back ((uint8_t)(Value >> (8 * Index)));
  }

  return Out;
}

BYTES
BuildSetupDataBlock (const SETUP_DATA_DESC &Desc, SETUP_DATA_LAYOUT *Layout)
{
  SETUP_DATA_LAYOUT   Local;
  SETUP_DATA_LAYOUT  &Out = Layout != nullptr ? *Layout : Local;
  std::vector<BYTES>  Variables;
  BYTES               Block (SETUP_DATA_HEADER_SIZE, 0);
  SETUP_DATA_HEADER  &Header = Out.Header;

  CheckDescription (Desc);
  Out = SETUP_DATA_LAYOUT ();
  Header.FirstFormSetGuid =
    Desc.FirstFormSetGuid.value_or (Desc.Pages.empty () ? EFI_GUID {} : Desc.FormSets[Desc.Pages[0].FormSetIndex].Guid);
  PadTo (Block, 8);
  Header.EngineSettingsOffset = (uint32_t)Block.size ();
  AppendBytes (Block, std::span<const uint8_t> ((const uint8_t *)&Desc.Settings, sizeof (Desc.Settings)));
  PadTo (Block, 8);

  BYTES  Controls = ControlData (Desc, Out.ControlOffsets);
  Header.PageListOffset = (uint32_t)Block.size ();
  AppendBytes (Block, PageTables (Desc, Block.size (), Out.ControlOffsets, Out.PageOffsets));
  Header.ControlDataOffset = (uint32_t)Block.size ();
  AppendBytes (Block, Controls);

  for (const SETUP_VARIABLE_DESC &Variable : Desc.Variables) {
    Variables.push_back (VariableRecordBytes (Variable));
  }

  Header.VariableListOffset = (uint32_t)Block.size ();
  AppendBytes (Block, OffsetList (Variables, &Out.VariableOffsets));
  Header.FormsRegionOffset = (uint32_t)Block.size ();
  AppendBytes (Block, FormsRegion (Desc));
  size_t  GuidListEnd = 0;
  Header.VariableGuidListOffset = (uint32_t)Block.size ();
  AppendBytes (Block, VariableGuidList (Desc, &GuidListEnd));
  Header.VariableGuidListEnd = Desc.RecordListEnd ? (uint32_t)(Header.VariableGuidListOffset + GuidListEnd) : 0;
  PadTo (Block, 8);
  Header.FormSetTableOffset = (uint32_t)Block.size ();
  AppendBytes (Block, FormSetTable (Desc));

  std::memcpy (Block.data (), &Header, sizeof (Header));
  return Block;
}

BYTES
BuildSetupDataSectionBody (const SETUP_DATA_DESC &Desc)
{
  BYTES  Body;

  AppendGuid (Body, kSectionGuid);
  AppendBytes (Body, BuildSetupDataBlock (Desc));
  return Body;
}

BYTES
BuildSetupDataSection (const SETUP_DATA_DESC &Desc)
{
  return BuildFreeformSection (kSectionGuid, BuildSetupDataBlock (Desc));
}

}  // namespace Builders

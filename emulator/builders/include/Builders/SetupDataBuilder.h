/** @file
  Compiled-setup-data builder: lays a declarative board description out as the block
  that engine/core/SetupDataFormat.h describes, and wraps it in its firmware section.

  The description names pages, their controls, variables and form sets. A control
  points into the forms package its form set was compiled from by package offsets
  (the offsets IfrBuilder returns); the builder stores the question opcode's offset
  and turns the condition's package offset into the offset from the question opcode
  that the block holds.
**/
#ifndef BUILDERS_SETUP_DATA_BUILDER_H_
#define BUILDERS_SETUP_DATA_BUILDER_H_

#include <Builders/ByteWriter.h>

#include <engine/core/SetupDataFormat.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace Builders {

struct SETUP_CONTROL_DESC {
  uint32_t  VariableIndex      = 0;
  uint16_t  QuestionId         = 0;
  uint16_t  DevicePathStringId = 0;
  uint16_t  RefQuestionId      = 0;
  uint16_t  ControlType        = CONTROL_TYPE_UNTYPED;
  uint16_t  RefTargetPage      = CONTROL_NO_REF_TARGET;
  uint32_t  Flags              = CONTROL_FLAG_VALID;
  uint16_t  HelpStringId       = 0;
  uint16_t  PromptStringId     = 0;
  uint16_t  SkippedOpcodeCount = 0;
  // Package offset of the question opcode (0: none).
  uint32_t  QuestionOpcode     = 0;
  // Package offset of the outermost enclosing condition opcode (0: none).
  uint32_t  ConditionOpcode    = 0;
  uint16_t  ValueWidth         = 0;
  // Each default is ValueWidth bytes; shorter vectors are zero-filled, longer ones refused.
  BYTES     MfgDefault {};
  BYTES     StdDefault {};
  std::vector<std::pair<uint16_t, BYTES>>  Defaults {};   // {default id, value}
};

struct SETUP_PAGE_DESC {
  uint16_t  FormSetIndex      = 0;
  uint16_t  FormId            = 0;
  uint16_t  TitleLineStringId = 0;
  uint16_t  TitleStringId     = 0;
  uint16_t  ParentPageNumber  = 0;
  uint32_t  Flags             = 0;
  std::vector<SETUP_CONTROL_DESC>  Controls {};
};

struct SETUP_VARIABLE_DESC {
  EFI_GUID        VendorGuid {};
  std::u16string  Name {};               // at most 39 characters
  uint32_t        Attributes  = 0;
  uint32_t        VariableId  = 0;
  uint32_t        StoreFlags  = 0;
  uint16_t        Size        = 0;
  uint16_t        StorageWord = 0;
};

struct SETUP_FORM_SET_DESC {
  EFI_GUID  Guid {};
  uint16_t  Class              = 0;
  uint16_t  SubClass           = 0;
  // The length of the forms package the form set's pages were compiled from
  // (recorded for every entry but the first).
  uint32_t  FormsPackageLength = 0;
};

// A link entry of the variable-GUID list (SPECIAL_ENTRY_RECORD).
struct SETUP_SPECIAL_ENTRY_DESC {
  EFI_GUID        FileGuid {};
  uint32_t        Flags = 0;             // SPECIAL_ENTRY_*
  uint32_t        Kind  = 0;             // SPECIAL_KIND_*
  std::u16string  Paths {};              // "|"-separated, no terminator
  // For malformed data: the record cut to (or padded with zeros to) this many bytes.
  std::optional<uint32_t>  RecordSize {};
  // For malformed data: the path length written instead of Paths' own.
  std::optional<uint16_t>  PathListLength {};
};

struct SETUP_DATA_DESC {
  ENGINE_SETTINGS                   Settings {};
  // Header words 5-8; when absent, the GUID of page 0's form-set entry.
  std::optional<EFI_GUID>           FirstFormSetGuid;
  std::vector<SETUP_PAGE_DESC>      Pages;
  std::vector<SETUP_VARIABLE_DESC>  Variables;
  std::vector<SETUP_FORM_SET_DESC>  FormSets;
  // The variable-GUID list's records of a GUID alone; when absent, the distinct vendor
  // GUIDs of Variables in order, less those that SpecialEntries carry.
  std::optional<std::vector<EFI_GUID>>  VariableGuids;
  // Link entries, listed after the GUID-only records. Header word 9 records where
  // the list's records end, unless RecordListEnd is false (a block of the older form).
  std::vector<SETUP_SPECIAL_ENTRY_DESC>  SpecialEntries;
  bool                                   RecordListEnd = true;
};

// Where the builder put each table and record, for tests and tools.
struct SETUP_DATA_LAYOUT {
  SETUP_DATA_HEADER      Header {};
  std::vector<uint32_t>  PageOffsets;                 // from the block start
  std::vector<std::vector<uint32_t>>  ControlOffsets; // per page, from the control data start
  std::vector<uint32_t>  VariableOffsets;             // from the variable list start
};

// The block (gSetupData points at its first byte). Throws std::invalid_argument for a
// description that cannot be laid out (a default wider than its control, a name too
// long, a page's form-set index outside the table).
BYTES BuildSetupDataBlock (const SETUP_DATA_DESC &Desc, SETUP_DATA_LAYOUT *Layout = nullptr);

// The section body as FV2 ReadSection hands it out: the section GUID, then the block.
BYTES BuildSetupDataSectionBody (const SETUP_DATA_DESC &Desc);

// The whole type-0x18 section, common header included.
BYTES BuildSetupDataSection (const SETUP_DATA_DESC &Desc);

// A control description filled from the statement or question opcode at Offset of a
// forms package: control type, question opcode offset, question id, prompt, help,
// REF2+ question id, value width (ONE_OF/NUMERIC 1 << size, CHECKBOX 1, DATE 4,
// TIME 3, STRING/PASSWORD maximum x 2) and the control flags its question flags give
// (read-only, callback, reset required). A CHECKBOX whose scope holds the variant GUID
// opcode becomes type 31. Defaults, variable index, condition and REF target are left
// to the caller. Throws std::invalid_argument for an opcode that makes no control.
SETUP_CONTROL_DESC ControlFromOpcode (std::span<const uint8_t> Package, size_t Offset);

// Little-endian bytes of an unsigned value, for control defaults.
BYTES ValueBytes (uint64_t Value, unsigned Width);

}  // namespace Builders

#endif

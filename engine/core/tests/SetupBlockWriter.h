// Lays out small compiled-setup-data blocks for the engine's tests, with every
// offset computed from the shared format header, and lets a test patch any word
// afterwards to build broken blocks.
#ifndef ENGINE_CORE_TESTS_SETUP_BLOCK_WRITER_H_
#define ENGINE_CORE_TESTS_SETUP_BLOCK_WRITER_H_

#include <engine/core/SetupDataFormat.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

struct TestVariableSpec {
  std::u16string  Name;
  EFI_GUID        Guid;
  uint16_t        Size;
  uint32_t        StoreFlags = VARIABLE_STORE_EFI;
  uint32_t        Attributes = 0;
  uint32_t        VariableId = 0;
};

struct TestControlSpec {
  uint32_t              VariableIndex;
  uint16_t              ControlType;
  uint64_t              QuestionOpcode;      // offset in the forms package, 0 = none
  std::vector<uint8_t>  MfgDefault;          // its size is the value width
  std::vector<uint8_t>  StdDefault;
};

struct TestPageSpec {
  uint16_t                      FormId;
  uint16_t                      TitleStringId;
  std::vector<TestControlSpec>  Controls;
};

class SetupBlockWriter {
public:
  std::vector<TestVariableSpec>  Variables;
  std::vector<TestPageSpec>      Pages;
  std::vector<FORM_SET_ENTRY>    FormSets;
  EFI_GUID                       FirstFormSetGuid {};

  std::vector<uint8_t> Block () const
  {
    std::vector<uint8_t>  Out (SETUP_DATA_HEADER_SIZE, 0);
    SETUP_DATA_HEADER     Header {};

    Header.FirstFormSetGuid     = FirstFormSetGuid;
    Header.EngineSettingsOffset = Align (Out);
    ENGINE_SETTINGS  Settings {};
    Settings.TitleStringId = 0x20;
    Settings.TabTitleStringId = 0x21;
    Append (Out, &Settings, sizeof (Settings));

    // Control data first, so that the page records can name their offsets.
    std::vector<uint8_t>                Controls;
    std::vector<std::vector<uint32_t>>  Offsets;
    for (const TestPageSpec &Page : Pages) {
      Offsets.emplace_back ();
      for (const TestControlSpec &Control : Page.Controls) {
        Offsets.back ().push_back ((uint32_t)Controls.size ());
        AppendControl (Controls, Control, (uint16_t)(Offsets.size () - 1));
      }
    }

    if (Controls.empty ()) {
      AppendControl (Controls, { 0, 0, 0, {}, {} }, 0);
    }

    Header.PageListOffset = Align (Out);
    Put32 (Out, (uint32_t)Pages.size ());
    size_t  PageOffsetsAt = Out.size ();
    Out.resize (Out.size () + 4 * Pages.size ());
    for (size_t Index = 0; Index < Pages.size (); Index++) {
      uint32_t  At = Align (Out);
      std::memcpy (&Out[PageOffsetsAt + 4 * Index], &At, 4);
      PAGE_RECORD  Record {};
      Record.FormSetIndex  = 0;
      Record.FormId        = Pages[Index].FormId;
      Record.TitleStringId = Pages[Index].TitleStringId;
      Record.PageNumber    = (uint16_t)Index;
      Record.ControlCount  = (uint32_t)Offsets[Index].size ();
      Append (Out, &Record, sizeof (Record));
      for (uint32_t Offset : Offsets[Index]) {
        Put32 (Out, Offset);
      }
    }

    Header.ControlDataOffset = Align (Out);
    Out.insert (Out.end (), Controls.begin (), Controls.end ());

    Header.VariableListOffset = Align (Out);
    size_t  ListAt = Out.size ();
    Put32 (Out, (uint32_t)Variables.size ());
    Out.resize (Out.size () + 4 * Variables.size ());
    for (size_t Index = 0; Index < Variables.size (); Index++) {
      uint32_t  At = Align (Out) - (uint32_t)ListAt;
      std::memcpy (&Out[ListAt + 4 + 4 * Index], &At, 4);
      AppendVariable (Out, Variables[Index]);
    }

    Header.FormsRegionOffset = Align (Out);
    for (size_t Index = 1; Index < FormSets.size (); Index++) {
      Put32 (Out, 0x100);
      Put32 (Out, 0);
    }

    Header.VariableGuidListOffset = Align (Out);
    Put32 (Out, 0);

    Header.FormSetTableOffset = Align (Out);
    size_t  TableAt = Out.size ();
    Put32 (Out, (uint32_t)FormSets.size ());
    size_t  FirstEntry = 4 + 4 * FormSets.size ();
    for (size_t Index = 0; Index < FormSets.size (); Index++) {
      Put32 (Out, (uint32_t)(FirstEntry + 20 * Index));
    }

    for (const FORM_SET_ENTRY &Entry : FormSets) {
      Append (Out, &Entry, sizeof (Entry));
    }

    (void)TableAt;
    std::memcpy (Out.data (), &Header, sizeof (Header));
    return Out;
  }

  // The section body: the section GUID, then the block.
  static std::vector<uint8_t> Section (const std::vector<uint8_t> &Block, const EFI_GUID &Guid = SETUP_DATA_SECTION_GUID)
  {
    std::vector<uint8_t>  Out (sizeof (EFI_GUID));

    std::memcpy (Out.data (), &Guid, sizeof (Guid));
    Out.insert (Out.end (), Block.begin (), Block.end ());
    return Out;
  }

  static void Put32 (std::vector<uint8_t> &Out, uint32_t Value) { Append (Out, &Value, 4); }

  static void Append (std::vector<uint8_t> &Out, const void *Data, size_t Size)
  {
    const uint8_t  *Bytes = (const uint8_t *)Data;

    Out.insert (Out.end (), Bytes, Bytes + Size);
  }

  static uint32_t Align (std::vector<uint8_t> &Out)
  {
    Out.resize ((Out.size () + 7) & ~(size_t)7, 0);
    return (uint32_t)Out.size ();
  }

private:
  static void AppendControl (std::vector<uint8_t> &Out, const TestControlSpec &Spec, uint16_t Page)
  {
    CONTROL_RECORD  Record {};
    uint16_t        Width = (uint16_t)Spec.MfgDefault.size ();

    Record.VariableIndex  = Spec.VariableIndex;
    Record.ControlType    = Spec.ControlType;
    Record.PageNumber     = Page;
    Record.RefTargetPage  = CONTROL_NO_REF_TARGET;
    Record.Flags          = CONTROL_FLAG_VALID;
    Record.QuestionOpcode = Spec.QuestionOpcode;
    Record.ValueWidth     = Width;
    Record.ValueSize      = Width;
    size_t  At = Out.size ();
    Append (Out, &Record, sizeof (Record));
    Append (Out, Spec.MfgDefault.data (), Width);
    Append (Out, Spec.StdDefault.data (), Width);
    Out.resize (At + ControlRecordSize (Width, 0), 0);
  }

  static void AppendVariable (std::vector<uint8_t> &Out, const TestVariableSpec &Spec)
  {
    VARIABLE_RECORD  Record {};

    Record.VendorGuid = Spec.Guid;
    std::memcpy (Record.Name, Spec.Name.data (), 2 * std::min<size_t> (Spec.Name.size (), VARIABLE_NAME_LENGTH - 1));
    Record.Attributes = Spec.Attributes;
    Record.VariableId = Spec.VariableId;
    Record.StoreFlags = Spec.StoreFlags;
    Record.Size       = Spec.Size;
    Append (Out, &Record, sizeof (Record));
  }
};

#endif

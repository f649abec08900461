#include <Builders/FirmwareFileBuilder.h>

#include <Uefi/UefiHii.h>

#include <algorithm>
#include <stdexcept>

namespace Builders {

BYTES
BuildSection (EFI_SECTION_TYPE Type, std::span<const uint8_t> Body)
{
  BYTES  Out;

  // The extended-size form (size 0xFFFFFF) is never needed for test data.
  if (Body.size () + sizeof (EFI_COMMON_SECTION_HEADER) >= 0xFFFFFF) {
    throw std::length_error ("section too large for a 24-bit size");
  }

  AppendU24 (Out, (uint32_t)(Body.size () + sizeof (EFI_COMMON_SECTION_HEADER)));
  AppendU8 (Out, Type);
  AppendBytes (Out, Body);
  return Out;
}

BYTES
BuildRawSection (std::span<const uint8_t> Data)
{
  return BuildSection (EFI_SECTION_RAW, Data);
}

BYTES
BuildFreeformSection (const EFI_GUID &SubTypeGuid, std::span<const uint8_t> Data)
{
  BYTES  Body;

  AppendGuid (Body, SubTypeGuid);
  AppendBytes (Body, Data);
  return BuildSection (EFI_SECTION_FREEFORM_SUBTYPE_GUID, Body);
}

BYTES
BuildUserInterfaceSection (std::u16string_view Name)
{
  BYTES  Body;

  AppendUcs2z (Body, Name);
  return BuildSection (EFI_SECTION_USER_INTERFACE, Body);
}

BYTES
BuildSectionStream (const std::vector<BYTES> &Sections)
{
  BYTES  Out;

  for (const BYTES &Section : Sections) {
    PadTo (Out, 4);
    AppendBytes (Out, Section);
  }

  return Out;
}

SECTION_STREAM_VIEW
SplitSectionStream (std::span<const uint8_t> Stream)
{
  SECTION_STREAM_VIEW  Out;
  size_t               Offset = 0;

  while (Offset + sizeof (EFI_COMMON_SECTION_HEADER) <= Stream.size ()) {
    uint32_t  Size = HiiReadUint24 (&Stream[Offset]);

    if (Size < sizeof (EFI_COMMON_SECTION_HEADER) || Offset + Size > Stream.size ()) {
      Out.Complete = false;
      return Out;
    }

    SECTION_VIEW  View;
    View.Type   = Stream[Offset + 3];
    View.Offset = Offset;
    View.Body   = Stream.subspan (Offset + 4, Size - 4);
    Out.Sections.push_back (View);
    Offset += (Size + 3) & ~3u;
  }

  // Up to three bytes of alignment padding may trail the last section.
  Out.Complete = Stream.size () - std::min (Offset, Stream.size ()) < sizeof (EFI_COMMON_SECTION_HEADER);
  return Out;
}

std::optional<std::span<const uint8_t>>
FindSectionBody (std::span<const uint8_t> Stream, EFI_SECTION_TYPE Type, size_t Instance)
{
  for (const SECTION_VIEW &Section : SplitSectionStream (Stream).Sections) {
    if (Section.Type == Type && Instance-- == 0) {
      return Section.Body;
    }
  }

  return std::nullopt;
}

}  // namespace Builders

/** @file
  Sections of a firmware file as byte vectors: raw, freeform with a sub-type GUID and
  user-interface name, plus a bounded section-stream walker that finds the n-th
  section of a type the way FV2 ReadSection counts instances.

  A section is a 4-byte common header (24-bit size including the header, type byte)
  and its body; in a file, each section starts on a 4-byte boundary. ReadSection
  hands out the body without the common header, so for a freeform section the body
  begins with the sub-type GUID.
**/
#ifndef BUILDERS_FIRMWARE_FILE_BUILDER_H_
#define BUILDERS_FIRMWARE_FILE_BUILDER_H_

#include <Builders/ByteWriter.h>
#include <Pi/PiFirmwareFile.h>

#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace Builders {

BYTES BuildSection (EFI_SECTION_TYPE Type, std::span<const uint8_t> Body);
BYTES BuildRawSection (std::span<const uint8_t> Data);
BYTES BuildFreeformSection (const EFI_GUID &SubTypeGuid, std::span<const uint8_t> Data);
BYTES BuildUserInterfaceSection (std::u16string_view Name);

// Sections one after another, each padded to start on a 4-byte boundary.
BYTES BuildSectionStream (const std::vector<BYTES> &Sections);

struct SECTION_VIEW {
  EFI_SECTION_TYPE          Type = 0;
  size_t                    Offset = 0;    // of the common header in the stream
  std::span<const uint8_t>  Body;          // after the common header
};

// Every section of a stream; stops at the first section whose size is below 4 or
// runs past the end (Complete is then false).
struct SECTION_STREAM_VIEW {
  std::vector<SECTION_VIEW>  Sections;
  bool                       Complete = true;
};

SECTION_STREAM_VIEW SplitSectionStream (std::span<const uint8_t> Stream);

// The body of the Instance-th (from 0) section of Type, as ReadSection returns it.
std::optional<std::span<const uint8_t>> FindSectionBody (std::span<const uint8_t> Stream, EFI_SECTION_TYPE Type, size_t Instance);

}  // namespace Builders

#endif

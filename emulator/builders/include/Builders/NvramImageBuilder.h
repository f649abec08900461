/** @file
  Writer of NVRAM store images (engine/variables/NvramStoreFormat.h), the format of the
  "StdDefaults" and "MfgDefaults" variables: head records with inline or indexed
  GUIDs and 8-bit or UTF-16 names, newer copies linked from them, optional extended
  fields with a data size and a checksum, free space and the GUID table.

  The result also tells where each record starts, so a test can break one field of a
  well-formed image.
**/
#ifndef BUILDERS_NVRAM_IMAGE_BUILDER_H_
#define BUILDERS_NVRAM_IMAGE_BUILDER_H_

#include <Builders/ByteWriter.h>

#include <string>
#include <vector>

namespace Builders {

struct NVAR_VARIABLE_DESC {
  std::u16string      Name {};
  EFI_GUID            Guid {};
  BYTES               Data {};
  bool                AsciiName  = false;    // 8-bit name; every unit must be below 0x100
  bool                InlineGuid = false;    // else an index into the GUID table
  bool                Extended   = false;    // extended fields: the data size is stated there
  bool                Checksum   = false;    // extended fields with a checksum (implies Extended)
  size_t              Slack      = 0;        // bytes between the data and the extended fields
  std::vector<BYTES>  NewerCopies {};        // non-head records, each linked from the one before
};

struct NVAR_IMAGE {
  BYTES                             Bytes;
  std::vector<size_t>               Heads;          // offset of each variable's head record
  std::vector<std::vector<size_t>>  Copies;         // offsets of each variable's newer copies
  size_t                            RecordAreaEnd = 0;
  size_t                            GuidTableStart = 0;
};

// Heads in the given order, then every newer copy (so every link points forward),
// FreeSpace bytes of 0xFF (at least the 10 the format asks for), then the GUID table
// with one entry per distinct indexed GUID, in order of first use. Throws
// std::length_error for a record of 0xFFFF bytes or more.
NVAR_IMAGE BuildNvarImage (const std::vector<NVAR_VARIABLE_DESC> &Variables, size_t FreeSpace = 16);

// Recomputes the checksum byte of the record at Offset (which must carry extended
// fields with the checksum flag) after a test changed its bytes.
void SealNvarRecord (BYTES &Image, size_t Offset);

}  // namespace Builders

#endif

// Writer of NVRAM store images; the layout and its choices are in NvramStoreFormat.h.
#include <Builders/NvramImageBuilder.h>

#include <engine/variables/NvramStoreFormat.h>

#include <algorithm>
#include <stdexcept>

namespace Builders {

namespace {

uint8_t
GuidIndex (std::vector<EFI_GUID> &Table, const EFI_GUID &Guid)
{
  auto  Found = std::find_if (Table.begin (), Table.end (), [&] (const EFI_GUID &G) { return SameGuid (G, Guid); });

  if (Found != Table.end ()) {
    return (uint8_t)(Found - Table.begin ());
  }

  if (Table.size () > 0xFF) {
    throw std::length_error ("NVAR GUID table holds at most 256 entries");
  }

  Table.push_back (Guid);
  return (uint8_t)(Table.size () - 1);
}

bool
HasExtendedFields (const NVAR_VARIABLE_DESC &V)
{
  return V.Extended || V.Checksum;
}

// Header with the size left 0 and no link; the caller appends the rest and closes it.
void
BeginRecord (BYTES &Out, uint8_t Flags)
{
  AppendU32 (Out, NVAR_SIGNATURE);
  AppendU16 (Out, 0);
  AppendU24 (Out, NVAR_NO_LINK);
  AppendU8 (Out, Flags);
}

void
AppendName (BYTES &Out, const NVAR_VARIABLE_DESC &V)
{
  if (!V.AsciiName) {
    AppendUcs2z (Out, V.Name);
    return;
  }

  for (char16_t Unit : V.Name) {
    if (Unit > 0xFF) {
      throw std::invalid_argument ("8-bit NVAR name with a unit above 0xFF");
    }

    AppendU8 (Out, (uint8_t)Unit);
  }

  AppendU8 (Out, 0);
}

// Data, slack and extended fields, then the size and the checksum of the record at Start.
void
EndRecord (BYTES &Out, size_t Start, const NVAR_VARIABLE_DESC &V, const BYTES &Data)
{
  AppendBytes (Out, Data);
  if (HasExtendedFields (V)) {
    Out.insert (Out.end (), V.Slack, 0);
    AppendU8 (Out, V.Checksum ? NVAR_EXTENDED_CHECKSUM : 0);
    AppendU8 (Out, 0);
    AppendU32 (Out, (uint32_t)Data.size ());
  }

  if (Out.size () - Start >= NVAR_SIZE_ERASED) {
    throw std::length_error ("NVAR record of 0xFFFF bytes or more");
  }

  PutU16 (Out, Start + 4, (uint16_t)(Out.size () - Start));
  if (V.Checksum) {
    SealNvarRecord (Out, Start);
  }
}

void
LinkRecords (BYTES &Out, size_t From, size_t To)
{
  uint32_t  Link = (uint32_t)(To - From);

  Out.at (From + 8) = (uint8_t)(Link >> 16);
  PutU16 (Out, From + 6, (uint16_t)Link);
}

}  // namespace

void
SealNvarRecord (BYTES &Image, size_t Offset)
{
  size_t   Size     = GetU16 (Image, Offset + 4);
  size_t   Checksum = Offset + Size - NVAR_EXTENDED_SIZE + 1;
  uint8_t  Sum      = 0;

  Image.at (Checksum) = 0;
  for (size_t Index = Offset + 4; Index < Offset + Size; Index++) {
    Sum = (uint8_t)(Sum + Image.at (Index));
  }

  Image[Checksum] = (uint8_t)(0x100 - Sum);
}

NVAR_IMAGE
BuildNvarImage (const std::vector<NVAR_VARIABLE_DESC> &Variables, size_t FreeSpace)
{
  NVAR_IMAGE             Image;
  std::vector<EFI_GUID>  Table;
  BYTES                  &Out = Image.Bytes;

  for (const NVAR_VARIABLE_DESC &V : Variables) {
    uint8_t Flags = NVAR_FLAG_VALID | (V.AsciiName ? NVAR_FLAG_ASCII_NAME : 0) | (V.InlineGuid ? NVAR_FLAG_GUID_INLINE : 0) |
                    (HasExtendedFields (V) ? NVAR_FLAG_EXTENDED : 0);

    Image.Heads.push_back (Out.size ());
    BeginRecord (Out, Flags);
    if (V.InlineGuid) {
      AppendGuid (Out, V.Guid);
    } else {
      AppendU8 (Out, GuidIndex (Table, V.Guid));
    }

    AppendName (Out, V);
    EndRecord (Out, Image.Heads.back (), V, V.Data);
  }

  for (size_t N = 0; N < Variables.size (); N++) {
    const NVAR_VARIABLE_DESC  &V   = Variables[N];
    size_t                    Last = Image.Heads[N];

    Image.Copies.emplace_back ();
    for (const BYTES &Copy : V.NewerCopies) {
      size_t  Start = Out.size ();

      BeginRecord (Out, NVAR_FLAG_VALID | NVAR_FLAG_NOT_HEAD | (HasExtendedFields (V) ? NVAR_FLAG_EXTENDED : 0));
      EndRecord (Out, Start, V, Copy);
      LinkRecords (Out, Last, Start);
      if (V.Checksum) {
        SealNvarRecord (Out, Last);    // the link is part of the summed bytes
      }

      Image.Copies.back ().push_back (Start);
      Last = Start;
    }
  }

  Image.RecordAreaEnd = Out.size ();
  Out.insert (Out.end (), std::max<size_t> (FreeSpace, NVAR_HEADER_SIZE), 0xFF);
  Image.GuidTableStart = Out.size ();
  for (size_t Index = Table.size (); Index-- > 0;) {
    AppendGuid (Out, Table[Index]);
  }

  return Image;
}

}  // namespace Builders

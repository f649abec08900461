#include <gtest/gtest.h>

#include "FvReader.h"
#include "FvWriter.h"

using fvwriter::Bytes;

namespace {

const fvwriter::Guid kDriver = *fvwriter::Guid::Parse ("6B0C36C2-1D43-4E0E-93E8-0F1B2A3C4D5E");

fvwriter::FileSpec
DriverFile (size_t ImageSize, uint32_t Alignment)
{
  fvwriter::FileSpec F;
  F.Name = kDriver;
  F.DataAlignment = Alignment;
  Bytes Image (ImageSize);
  for (size_t I = 0; I < ImageSize; ++I) {
    Image[I] = uint8_t (I * 7 + 1);
  }
  F.Sections.push_back (fvwriter::MakeSection (EFI_SECTION_PE32, Image));
  F.Sections.push_back (fvwriter::MakeDepexTrueSection ());
  F.Sections.push_back (fvwriter::MakeFreeformSection (fvwriter::SetupDataSectionGuid (), { 1, 2, 3 }));
  F.Sections.push_back (fvwriter::MakeUserInterfaceSection (u"SetupEngine"));
  return F;
}

Bytes
Volume (std::vector<fvwriter::FileSpec> Files, uint64_t Size = 0)
{
  fvwriter::VolumeSpec V;
  V.Files = std::move (Files);
  V.Size  = Size;
  return fvwriter::MakeVolume (V);
}

TEST (FvGuid, ParsesIntoTheInMemoryByteOrder)
{
  const auto G = fvwriter::Guid::Parse ("8c8ce578-8a3d-4f1c-9935-896185c32dd3");
  ASSERT_TRUE (G);
  const uint8_t Expected[16] = { 0x78, 0xE5, 0x8C, 0x8C, 0x3D, 0x8A, 0x1C, 0x4F, 0x99, 0x35, 0x89, 0x61, 0x85, 0xC3, 0x2D, 0xD3 };
  EXPECT_EQ (0, memcmp (G->Bytes, Expected, 16));
  EXPECT_EQ ("8C8CE578-8A3D-4F1C-9935-896185C32DD3", G->ToString ());
}

TEST (FvGuid, RejectsMalformedText)
{
  EXPECT_FALSE (fvwriter::Guid::Parse ("8C8CE578-8A3D-4F1C-9935-896185C32DD"));
  EXPECT_FALSE (fvwriter::Guid::Parse ("8C8CE578+8A3D-4F1C-9935-896185C32DD3"));
  EXPECT_FALSE (fvwriter::Guid::Parse ("8C8CE578-8A3D-4F1C-9935-896185C32DDG"));
}

TEST (FvChecksum, SumsToZero)
{
  const uint8_t Bytes[] = { 0x10, 0x20, 0x30, 0x40 };
  EXPECT_EQ (0x60, fvwriter::Checksum8 (Bytes, 4));     // 0xA0 + 0x60 = 0x100
  EXPECT_EQ (0x9FC0, fvwriter::Checksum16 (Bytes, 4));  // 0x2010 + 0x4030 = 0x6040
  EXPECT_EQ (0, uint16_t (0x2010 + 0x4030 + fvwriter::Checksum16 (Bytes, 4)));
}

TEST (FvSection, LengthIncludesTheHeaderAndFreeformLeadsWithItsGuid)
{
  const Bytes S = fvwriter::MakeFreeformSection (fvwriter::SetupDataSectionGuid (), { 9, 8, 7 });
  ASSERT_EQ (4u + 16u + 3u, S.size ());
  EXPECT_EQ (23, S[0]);
  EXPECT_EQ (0, S[1]);
  EXPECT_EQ (0, S[2]);
  EXPECT_EQ (0x18, S[3]);
  // FE612B72-203C-47B1-8560-A66D946EB371 in memory order.
  const uint8_t Guid[16] = { 0x72, 0x2B, 0x61, 0xFE, 0x3C, 0x20, 0xB1, 0x47, 0x85, 0x60, 0xA6, 0x6D, 0x94, 0x6E, 0xB3, 0x71 };
  EXPECT_EQ (0, memcmp (&S[4], Guid, 16));
  EXPECT_EQ (9, S[20]);
}

TEST (FvSection, UserInterfaceNameIsNulTerminatedUtf16)
{
  const Bytes S = fvwriter::MakeUserInterfaceSection (u"Ab");
  EXPECT_EQ (Bytes ({ 10, 0, 0, 0x15, 'A', 0, 'b', 0, 0, 0 }), S);
}

TEST (FvSection, TwentyFourBitSizeLimit)
{
  EXPECT_NO_THROW (fvwriter::MakeSection (EFI_SECTION_RAW, Bytes (0xFFFFFF - 4)));
  EXPECT_THROW (fvwriter::MakeSection (EFI_SECTION_RAW, Bytes (0xFFFFFF - 3)), fvwriter::FormatError);
}

TEST (FvFile, HeaderChecksumIgnoresStateAndDataChecksum)
{
  const Bytes F   = fvwriter::MakeFile (DriverFile (5, 8));
  uint8_t     Sum = 0;
  for (int I = 0; I < 24; ++I) {
    if (I != 17 && I != 23) {
      Sum = uint8_t (Sum + F[I]);
    }
  }
  EXPECT_EQ (0, Sum);
  EXPECT_EQ (0xF8, F[23]);  // construction + header valid + data valid, inverted
  EXPECT_EQ (0x07, F[18]);
  EXPECT_EQ (0x40, F[19]);
  uint8_t DataSum = F[17];
  for (size_t I = 24; I < F.size (); ++I) {
    DataSum = uint8_t (DataSum + F[I]);
  }
  EXPECT_EQ (0, DataSum);
  EXPECT_EQ (F.size (), size_t (F[20] | F[21] << 8 | F[22] << 16));
}

TEST (FvFile, SectionsStartFourByteAligned)
{
  // A 5-byte image gives a 9-byte section, so the depex section needs 3 filler bytes.
  const Bytes F = fvwriter::MakeFile (DriverFile (5, 8));
  EXPECT_EQ (9, F[24]);
  EXPECT_EQ (0x10, F[27]);
  EXPECT_EQ (0, F[24 + 9]);
  EXPECT_EQ (6, F[36]);  // depex section: 4-byte header + TRUE + END
  EXPECT_EQ (0x13, F[39]);
  EXPECT_EQ (0x06, F[40]);
  EXPECT_EQ (0x08, F[41]);
}

TEST (FvFile, RejectsAnAlignmentTheHeaderCannotExpress)
{
  EXPECT_THROW (fvwriter::MakeFile (DriverFile (5, 64)), fvwriter::FormatError);
  EXPECT_THROW (fvwriter::MakeFile (DriverFile (5, 0)), fvwriter::FormatError);
}

TEST (FvVolume, HeaderBlockMapAndFilesReadBack)
{
  const Bytes        Fv = Volume ({ DriverFile (1000, 16) });
  fvtest::VolumeInfo Info;
  ASSERT_EQ ("", fvtest::ReadVolume (Fv, Info));
  EXPECT_EQ (4096u, Fv.size ());
  EXPECT_EQ (72, Info.HeaderLength);
  EXPECT_EQ (1u, Info.NumBlocks);
  EXPECT_EQ (4096u, Info.BlockSize);
  EXPECT_EQ (0x40000u, Info.Attributes & 0x1F0000);  // volume aligned for its 16-byte file
  EXPECT_EQ (0x800u, Info.Attributes & 0x800);
  ASSERT_EQ (1u, Info.Files.size ());
  const fvtest::FileInfo &F = Info.Files[0];
  EXPECT_EQ (0, memcmp (F.Name, kDriver.Bytes, 16));
  EXPECT_EQ (72u, F.Offset);  // 72 + 24 = 96 is already 16-aligned: no pad file
  ASSERT_EQ (4u, F.Sections.size ());
  EXPECT_EQ (0x10, F.Sections[0].Type);
  EXPECT_EQ (1004u, F.Sections[0].Size);
  EXPECT_EQ (0x13, F.Sections[1].Type);
  EXPECT_EQ (0x18, F.Sections[2].Type);
  EXPECT_EQ (23u, F.Sections[2].Size);
  EXPECT_EQ (0x15, F.Sections[3].Type);
  EXPECT_EQ (28u, F.Sections[3].Size);
  EXPECT_EQ (F.Offset + F.Size, F.Sections[3].Offset + F.Sections[3].Size);
}

TEST (FvVolume, AlignedFileGetsAPadFileBeforeIt)
{
  const Bytes        Fv = Volume ({ DriverFile (100, 4096) });
  fvtest::VolumeInfo Info;
  ASSERT_EQ ("", fvtest::ReadVolume (Fv, Info));
  ASSERT_EQ (2u, Info.Files.size ());
  EXPECT_EQ (0xF0, Info.Files[0].Type);
  EXPECT_EQ (72u, Info.Files[0].Offset);
  EXPECT_EQ (4096u - 24 - 72, Info.Files[0].Size);
  EXPECT_EQ (4096u - 24, Info.Files[1].Offset);
  EXPECT_EQ (0x40 | 5 << 3, Info.Files[1].Attributes);
  EXPECT_EQ (0xC0000u, Info.Attributes & 0x1F0000);
  EXPECT_EQ (8192u, Fv.size ());
}

TEST (FvVolume, PadFileNeedsRoomForItsHeader)
{
  // The first file's data is at 96 and it ends at 160. Data aligned at 192 would put the
  // second file at 168, leaving 8 bytes: too few for a pad file's header. So a 24-byte pad
  // file fills 160..184 and the data lands at 208.
  fvwriter::FileSpec First  = DriverFile (1, 16);
  First.Sections            = { fvwriter::MakeSection (EFI_SECTION_RAW, Bytes (60)) };
  fvwriter::FileSpec Second = DriverFile (1, 16);
  Second.Name.Bytes[0] ^= 1;
  Second.Sections       = { fvwriter::MakeSection (EFI_SECTION_RAW, Bytes (4)) };
  const Bytes        Fv = Volume ({ First, Second });
  fvtest::VolumeInfo Info;
  ASSERT_EQ ("", fvtest::ReadVolume (Fv, Info));
  ASSERT_EQ (3u, Info.Files.size ());
  EXPECT_EQ (0xF0, Info.Files[1].Type);
  EXPECT_EQ (160u, Info.Files[1].Offset);
  EXPECT_EQ (24u, Info.Files[1].Size);
  EXPECT_EQ (184u, Info.Files[2].Offset);
  EXPECT_EQ (0u, (Info.Files[2].Offset + 24) % 16);
}

TEST (FvVolume, NameGoesIntoAnExtendedHeaderInsideAPadFile)
{
  fvwriter::VolumeSpec V;
  V.Name                = *fvwriter::Guid::Parse ("A3C1E2F4-1B2C-4D5E-8F90-0A1B2C3D4E5F");
  V.Files               = { DriverFile (10, 16) };
  const Bytes        Fv = fvwriter::MakeVolume (V);
  fvtest::VolumeInfo Info;
  ASSERT_EQ ("", fvtest::ReadVolume (Fv, Info));
  EXPECT_EQ (96, Info.ExtHeaderOffset);  // the data of the pad file right after the header
  EXPECT_EQ (0, memcmp (Info.Name, V.Name->Bytes, 16));
  ASSERT_EQ (2u, Info.Files.size ());
  EXPECT_EQ (0xF0, Info.Files[0].Type);
  EXPECT_EQ (24u + 20, Info.Files[0].Size);
  EXPECT_EQ (120u, Info.Files[1].Offset);  // 72 + 44 rounded up to 8; its data 16-aligned
  EXPECT_EQ (0, memcmp (Info.Files[1].Name, kDriver.Bytes, 16));
  Bytes Moved = Fv;  // an extended header pointing outside its pad file is refused
  Moved[52] = 72;
  Moved[50] = Moved[51] = 0;
  const uint16_t Fix    = fvwriter::Checksum16 (Moved.data (), 72);
  Moved[50] = uint8_t (Fix), Moved[51] = uint8_t (Fix >> 8);
  EXPECT_EQ ("extended header outside its pad file's data", fvtest::ReadVolume (Moved, Info));
}

TEST (FvVolume, ExplicitSizeMustHoldTheFilesInWholeBlocks)
{
  EXPECT_EQ (3u * 4096, Volume ({ DriverFile (10, 16) }, 3 * 4096).size ());
  EXPECT_THROW (Volume ({ DriverFile (5000, 16) }, 4096), fvwriter::FormatError);
  EXPECT_THROW (Volume ({ DriverFile (10, 16) }, 4096 + 8), fvwriter::FormatError);
}

TEST (FvVolume, ReaderCatchesEveryCorruptedChecksum)
{
  const Bytes        Good = Volume ({ DriverFile (64, 16) });
  fvtest::VolumeInfo Info;
  ASSERT_EQ ("", fvtest::ReadVolume (Good, Info));
  const size_t File         = Info.Files[0].Offset;
  const size_t FirstSection = Info.Files[0].Sections[0].Offset;
  const struct {
    size_t      At;
    const char *Error;
  } Cases[] = {
    { 50, "header checksum does not sum to zero" },
    { File + 2, "file header checksum at offset 72" },
    { File + 30, "file data checksum at offset 72" },
  };
  for (const auto &C : Cases) {
    Bytes Bad = Good;
    Bad[C.At] ^= 0x01;
    EXPECT_EQ (C.Error, fvtest::ReadVolume (Bad, Info)) << "byte " << C.At;
  }
  Bytes BadLength = Good;
  BadLength[FirstSection] = 0xF0;  // PE32 section claims 240 bytes
  EXPECT_NE ("", fvtest::ReadVolume (BadLength, Info));
}

}  // namespace

/** @file
  The baseline JPEG decoder: header walk, table loading, Huffman decoding, the
  fixed-point inverse DCT and the colour conversion.
**/
#include <graphics/codec/JpegBaseline.h>

#include <string.h>

namespace {

const int kLookupBits = 9;
// Room of the code lists, their end entry included.
const uint32_t kDcRoom = 16;
const uint32_t kAcRoom = 170;

uint32_t
Be16 (const uint8_t *p)
{
  return (uint32_t)p[0] << 8 | p[1];
}

bool
Record (size_t *List, uint32_t *Count, size_t At)
{
  if (*Count >= 4) {
    return false;
  }
  List[(*Count)++] = At;
  return true;
}

// Moves Pos past the segment whose marker is at Pos; the whole segment must be inside.
bool
SkipSegment (const JpegBaselineDecoder *d, size_t *Pos)
{
  if (*Pos + 4 > d->size) {
    return false;
  }
  uint32_t Length = Be16 (d->data + *Pos + 2);
  if ((Length < 2) || (*Pos + 2 + Length > d->size)) {
    return false;
  }
  *Pos += 2 + Length;
  return true;
}

// The scan header must describe one scan of the three components.
bool
ReadScanHeader (JpegBaselineDecoder *d, size_t Pos)
{
  if ((Pos + 5 > d->size) || (Be16 (d->data + Pos + 2) != 12) || (d->data[Pos + 4] != 3)) {
    return false;
  }
  d->scan = Pos + 14;
  return d->scan <= d->size;
}

bool
WalkSegments (JpegBaselineDecoder *d)
{
  size_t Pos = 2;
  for (;;) {
    if ((Pos + 2 > d->size) || (d->data[Pos] != 0xFF)) {
      return false;
    }
    uint8_t Marker = d->data[Pos + 1];
    if (Marker == 0xD8) {
      Pos += 2;
      continue;
    }
    if (Marker == 0xDA) {
      return ReadScanHeader (d, Pos);
    }
    bool Known = true;
    if (Marker == 0xC0) {
      d->frame = Pos;
    } else if (Marker == 0xC4) {
      Known = Record (d->huffmanAt, &d->huffmanCount, Pos + 4);
    } else if (Marker == 0xDB) {
      Known = Record (d->quantAt, &d->quantCount, Pos + 4);
    } else if (Marker == 0xDD) {
      Known = Pos + 6 <= d->size;
      d->restartInterval = Known ? (uint16_t)Be16 (d->data + Pos + 4) : 0;
    } else {
      // The end of the image before a scan, other frame types and unknown codes fail.
      Known = ((Marker >= 0xD0) && (Marker <= 0xD7)) || ((Marker >= 0xE0) && (Marker <= 0xFE));
    }
    if (!Known || !SkipSegment (d, &Pos)) {
      return false;
    }
  }
}

bool
IsJfifMark (const JpegBaselineDecoder *d, size_t Pos)
{
  return (Pos + 9 <= d->size) && (memcmp (d->data + Pos + 4, "JFIF", 5) == 0);
}

// Marker positions found by searching the bytes, up to the end-of-image marker.
bool
ScanForMarkers (JpegBaselineDecoder *d)
{
  bool Jfif = false;
  for (size_t Pos = 2; Pos + 1 < d->size; Pos++) {
    if (d->data[Pos] != 0xFF) {
      continue;
    }
    uint8_t Marker = d->data[Pos + 1];
    bool    Fine   = true;
    if (Marker == 0xD9) {
      break;
    } else if (Marker == 0xE0) {
      Jfif = Jfif || IsJfifMark (d, Pos);
    } else if (Marker == 0xC0) {
      d->frame = Pos;
    } else if ((Marker == 0xDB) || (Marker == 0xC4)) {
      // The segment's length must be inside the data for its tables to be read.
      Fine = (Pos + 4 <= d->size) &&
             ((Marker == 0xDB) ? Record (d->quantAt, &d->quantCount, Pos + 4)
                               : Record (d->huffmanAt, &d->huffmanCount, Pos + 4));
    } else if (Marker == 0xDA) {
      Fine = (d->scan != 0) || ReadScanHeader (d, Pos);
    } else if (Marker == 0xDD) {
      Fine = false;
    }
    if (!Fine) {
      return false;
    }
  }
  return Jfif && (d->scan != 0);
}

// Payload bytes of the segment whose first table is at At (its length field precedes it).
size_t
PayloadOf (const JpegBaselineDecoder *d, size_t At)
{
  size_t Length = Be16 (d->data + At - 2);
  if ((Length < 2) || (At + Length - 2 > d->size)) {
    return 0;
  }
  return Length - 2;
}

bool
LoadQuantTables (JpegBaselineDecoder *d)
{
  if ((d->quantCount != 1) && (d->quantCount != 2)) {
    return false;
  }
  bool     Have[2]   = { false, false };
  uint32_t PerSegment = (d->quantCount == 1) ? 2 : 1;
  for (uint32_t i = 0; i < d->quantCount; i++) {
    if (PayloadOf (d, d->quantAt[i]) != PerSegment * 65) {
      return false;
    }
    for (uint32_t t = 0; t < PerSegment; t++) {
      const uint8_t *Table = d->data + d->quantAt[i] + t * 65;
      // 16-bit tables belong to extended frames.
      if ((Table[0] >> 4) != 0) {
        return false;
      }
      uint8_t Id = Table[0] & 0x0F;
      if (Id <= 1) {
        for (int k = 0; k < 64; k++) {
          d->quant[Id][k] = Table[1 + k];
        }
        Have[Id] = true;
      }
    }
  }
  return Have[0] && Have[1];
}

const int kCoefficientBits = 10;

// The coefficient lookup's entries for one code: one for every value of its magnitude bits,
// each covering the bits that may follow them. An AC symbol is run << 4 | bits, end of block
// 0; a DC symbol is the bits alone, and one above 15 is left to the slow path to refuse.
void
FillCoefficients (JpegHuffmanTable *t, int32_t Code, int Length, uint8_t Symbol, bool Dc)
{
  int32_t Run  = Dc ? 0 : (Symbol == 0) ? 64 : Symbol >> 4;
  int32_t Bits = Dc ? Symbol : Symbol & 15;
  if ((Dc && (Symbol > 15)) || (Length + Bits > kCoefficientBits)) {
    return;
  }
  int32_t Spare = kCoefficientBits - Length - Bits;
  for (int32_t Magnitude = 0; Magnitude < 1 << Bits; Magnitude++) {
    // A clear top bit makes the magnitude negative: Magnitude - (2^Bits - 1).
    int32_t Value = ((Bits > 0) && (Magnitude < 1 << (Bits - 1))) ? Magnitude - (1 << Bits) + 1 : Magnitude;
    int32_t Entry = (int32_t)((uint32_t)Value << 16) | Run << 8 | Bits << 4 | (Length + Bits);
    int32_t First = ((Code << Bits) | Magnitude) << Spare;
    for (int32_t i = 0; i < 1 << Spare; i++) {
      t->coefficient[First + i] = Entry;
    }
  }
}

void
FillLookup (JpegHuffmanTable *t, int32_t Code, int Length, uint8_t Symbol)
{
  int32_t First = Code << (kLookupBits - Length);
  int32_t Count = 1 << (kLookupBits - Length);
  for (int32_t i = 0; i < Count; i++) {
    t->lookup[First + i] = (uint16_t)(Length << 8 | Symbol);
  }
}

// Builds the canonical code of one table; false when its codes overflow or exceed its room.
bool
BuildHuffmanTable (JpegHuffmanTable *t, const uint8_t *Counts, const uint8_t *Symbols, uint32_t Total, uint32_t Room, bool Dc)
{
  if (Total >= Room) {
    return false;
  }
  memset (t, 0, sizeof (*t));
  memcpy (t->symbols, Symbols, Total);
  int32_t Code  = 0;
  int32_t Index = 0;
  for (int Length = 1; Length <= 16; Length++) {
    int32_t Count = Counts[Length - 1];
    t->valueIndex[Length] = Index;
    t->minCode[Length]    = Code;
    t->maxCode[Length]    = Count ? Code + Count - 1 : -1;
    if (Code + Count > (1 << Length)) {
      return false;
    }
    for (int32_t i = 0; (i < Count) && (Length <= kLookupBits); i++) {
      FillLookup (t, Code + i, Length, Symbols[Index + i]);
    }
    for (int32_t i = 0; (i < Count) && (Length <= kCoefficientBits); i++) {
      FillCoefficients (t, Code + i, Length, Symbols[Index + i], Dc);
    }
    Code   = (Code + Count) << 1;
    Index += Count;
  }
  return true;
}

int
HuffmanSlot (uint8_t ClassId)
{
  switch (ClassId) {
    case 0x00: return 0;
    case 0x01: return 1;
    case 0x10: return 2;
    case 0x11: return 3;
    default: return -1;
  }
}

// Loads the tables of one segment; Tables counts them.
bool
LoadHuffmanSegment (JpegBaselineDecoder *d, size_t At, uint32_t *Tables, bool Have[4])
{
  size_t Payload = PayloadOf (d, At);
  size_t Offset  = 0;
  while (Offset < Payload) {
    if (Offset + 17 > Payload) {
      return false;
    }
    const uint8_t *Table = d->data + At + Offset;
    uint32_t       Total = 0;
    for (int i = 1; i <= 16; i++) {
      Total += Table[i];
    }
    if (Offset + 17 + Total > Payload) {
      return false;
    }
    int Slot = HuffmanSlot (Table[0]);
    if (Slot >= 0) {
      if (!BuildHuffmanTable (&d->huffman[Slot], Table + 1, Table + 17, Total, (Slot < 2) ? kDcRoom : kAcRoom, Slot < 2)) {
        return false;
      }
      Have[Slot] = true;
    }
    Offset += 17 + Total;
    (*Tables)++;
  }
  return Payload != 0;
}

bool
LoadHuffmanTables (JpegBaselineDecoder *d)
{
  if ((d->huffmanCount != 1) && (d->huffmanCount != 4)) {
    return false;
  }
  bool     Have[4] = { false, false, false, false };
  uint32_t PerSegment = (d->huffmanCount == 1) ? 4 : 1;
  for (uint32_t i = 0; i < d->huffmanCount; i++) {
    uint32_t Tables = 0;
    if (!LoadHuffmanSegment (d, d->huffmanAt[i], &Tables, Have) || (Tables != PerSegment)) {
      return false;
    }
  }
  return Have[0] && Have[1] && Have[2] && Have[3];
}

// The frame must be 8-bit baseline of three components, 4:4:4 or 4:2:0, with both sides set.
bool
ReadFrame (JpegBaselineDecoder *d)
{
  size_t At = d->frame;
  if ((At == 0) || (At + 19 > d->size) || (Be16 (d->data + At + 2) != 17) || (d->data[At + 9] != 3)) {
    return false;
  }
  d->height       = (uint16_t)Be16 (d->data + At + 5);
  d->width        = (uint16_t)Be16 (d->data + At + 7);
  d->lumaSampling = d->data[At + 11];
  if ((d->width == 0) || (d->height == 0)) {
    return false;
  }
  return ((d->lumaSampling == 0x11) || (d->lumaSampling == 0x22)) &&
         (d->data[At + 14] == 0x11) && (d->data[At + 17] == 0x11);
}

}  // namespace

bool
JpegReadHeaders (JpegBaselineDecoder *Decoder, const uint8_t *Data, size_t Size, JpegMarkerWalk Walk)
{
  memset (Decoder, 0, sizeof (*Decoder));
  Decoder->data = Data;
  Decoder->size = Size;
  if ((Data == nullptr) || (Size < 4) || (Data[0] != 0xFF) || (Data[1] != 0xD8)) {
    return false;
  }
  bool Walked = (Walk == kJpegWalkSegments) ? WalkSegments (Decoder) : ScanForMarkers (Decoder);
  return Walked && ReadFrame (Decoder) && LoadQuantTables (Decoder) && LoadHuffmanTables (Decoder);
}

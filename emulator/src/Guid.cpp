/** @file
  GUID and text conversions shared by the logs, the NVRAM file and the program.
**/
#include <Emulator/Guid.h>

#include <cstdio>

namespace Emu {

std::string
GuidToString (const EFI_GUID &Guid)
{
  char  Text[40];

  std::snprintf (Text, sizeof (Text), "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X",
    Guid.Data1, Guid.Data2, Guid.Data3, Guid.Data4[0], Guid.Data4[1], Guid.Data4[2],
    Guid.Data4[3], Guid.Data4[4], Guid.Data4[5], Guid.Data4[6], Guid.Data4[7]);
  return Text;
}

static int
HexValue (char C)
{
  if ((C >= '0') && (C <= '9')) {
    return C - '0';
  }
  if ((C >= 'a') && (C <= 'f')) {
    return C - 'a' + 10;
  }
  if ((C >= 'A') && (C <= 'F')) {
    return C - 'A' + 10;
  }
  return -1;
}

std::optional<EFI_GUID>
GuidFromString (const std::string &Text)
{
  static const char  Shape[] = "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX";
  UINT8              Bytes[16];
  size_t             Nibble = 0;

  if (Text.size () != sizeof (Shape) - 1) {
    return std::nullopt;
  }
  for (size_t Index = 0; Index < Text.size (); Index++) {
    if (Shape[Index] == '-') {
      if (Text[Index] != '-') {
        return std::nullopt;
      }
      continue;
    }
    int  Value = HexValue (Text[Index]);
    if (Value < 0) {
      return std::nullopt;
    }
    if ((Nibble & 1) == 0) {
      Bytes[Nibble / 2] = (UINT8)(Value << 4);
    } else {
      Bytes[Nibble / 2] |= (UINT8)Value;
    }
    Nibble++;
  }
  EFI_GUID  Guid;
  Guid.Data1 = ((UINT32)Bytes[0] << 24) | ((UINT32)Bytes[1] << 16) | ((UINT32)Bytes[2] << 8) | Bytes[3];
  Guid.Data2 = (UINT16)((Bytes[4] << 8) | Bytes[5]);
  Guid.Data3 = (UINT16)((Bytes[6] << 8) | Bytes[7]);
  for (int Index = 0; Index < 8; Index++) {
    Guid.Data4[Index] = Bytes[8 + Index];
  }
  return Guid;
}

static void
AppendUtf8 (std::string &Out, char32_t Code)
{
  if (Code < 0x80) {
    Out += (char)Code;
  } else if (Code < 0x800) {
    Out += (char)(0xC0 | (Code >> 6));
    Out += (char)(0x80 | (Code & 0x3F));
  } else if (Code < 0x10000) {
    Out += (char)(0xE0 | (Code >> 12));
    Out += (char)(0x80 | ((Code >> 6) & 0x3F));
    Out += (char)(0x80 | (Code & 0x3F));
  } else {
    Out += (char)(0xF0 | (Code >> 18));
    Out += (char)(0x80 | ((Code >> 12) & 0x3F));
    Out += (char)(0x80 | ((Code >> 6) & 0x3F));
    Out += (char)(0x80 | (Code & 0x3F));
  }
}

std::string
Utf16ToUtf8 (const std::u16string &Text)
{
  std::string  Out;

  for (size_t Index = 0; Index < Text.size (); Index++) {
    char32_t  Unit = Text[Index];
    if ((Unit >= 0xD800) && (Unit < 0xDC00) && (Index + 1 < Text.size ()) &&
        (Text[Index + 1] >= 0xDC00) && (Text[Index + 1] < 0xE000))
    {
      Unit = 0x10000 + ((Unit - 0xD800) << 10) + (Text[Index + 1] - 0xDC00);
      Index++;
    } else if ((Unit >= 0xD800) && (Unit < 0xE000)) {
      Unit = 0xFFFD;
    }
    AppendUtf8 (Out, Unit);
  }
  return Out;
}

std::u16string
Utf8ToUtf16 (const std::string &Text)
{
  std::u16string  Out;
  size_t          Index = 0;

  while (Index < Text.size ()) {
    unsigned char  Lead  = (unsigned char)Text[Index];
    int            Extra = (Lead >= 0xF0) ? 3 : (Lead >= 0xE0) ? 2 : (Lead >= 0xC0) ? 1 : 0;
    char32_t       Code  = (Extra == 0) ? Lead : (Lead & (0x3F >> Extra));

    if ((Lead >= 0x80) && (Lead < 0xC0)) {
      Out += u'\xFFFD';
      Index++;
      continue;
    }
    Index++;
    for (int Step = 0; Step < Extra && Index < Text.size (); Step++, Index++) {
      Code = (Code << 6) | ((unsigned char)Text[Index] & 0x3F);
    }
    if (Code >= 0x10000) {
      Code -= 0x10000;
      Out += (char16_t)(0xD800 + (Code >> 10));
      Out += (char16_t)(0xDC00 + (Code & 0x3FF));
    } else {
      Out += (char16_t)Code;
    }
  }
  return Out;
}

}  // namespace Emu

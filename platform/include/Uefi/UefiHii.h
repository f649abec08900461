/** @file
  HII package formats: package lists, package headers, string packages with their
  string blocks, and simple-font glyphs.

  These are byte layouts that other drivers and the HII database hand us, and that
  the test-data builders write, so every record is packed and its size and field
  offsets are pinned with static_assert. Multi-byte fields may sit at any address
  inside a package: read them through the helpers below, never through a
  wider pointer cast.
**/
#ifndef UEFI_HII_H_
#define UEFI_HII_H_

#include <Uefi/UefiBaseType.h>

typedef VOID    *EFI_HII_HANDLE;
typedef UINT16  EFI_STRING_ID;
typedef UINT16  EFI_IMAGE_ID;
typedef UINT16  EFI_ANIMATION_ID;
typedef CHAR16  *EFI_STRING;
typedef CONST CHAR16  *EFI_CONST_STRING;
typedef UINT32  EFI_HII_FONT_STYLE;

#pragma pack(push, 1)

//
// Package list and package headers.
//
typedef struct {
  EFI_GUID    PackageListGuid;
  UINT32      PackageLength;       // the whole list, this header and the END package included
} EFI_HII_PACKAGE_LIST_HEADER;

typedef struct {
  UINT32    Length : 24;           // the whole package, this header included
  UINT32    Type   : 8;
} EFI_HII_PACKAGE_HEADER;

#define EFI_HII_PACKAGE_TYPE_ALL           0x00
#define EFI_HII_PACKAGE_TYPE_GUID          0x01
#define EFI_HII_PACKAGE_FORMS              0x02
#define EFI_HII_PACKAGE_STRINGS            0x04
#define EFI_HII_PACKAGE_FONTS              0x05
#define EFI_HII_PACKAGE_IMAGES             0x06
#define EFI_HII_PACKAGE_SIMPLE_FONTS       0x07
#define EFI_HII_PACKAGE_DEVICE_PATH        0x08
#define EFI_HII_PACKAGE_KEYBOARD_LAYOUT    0x09
#define EFI_HII_PACKAGE_ANIMATIONS         0x0A
#define EFI_HII_PACKAGE_END                0xDF
#define EFI_HII_PACKAGE_TYPE_SYSTEM_BEGIN  0xE0
#define EFI_HII_PACKAGE_TYPE_SYSTEM_END    0xFF

#define EFI_HII_PACKAGE_MAX_LENGTH  0xFFFFFF

typedef struct {
  EFI_HII_PACKAGE_HEADER    Header;
  EFI_GUID                  Guid;
} EFI_HII_GUID_PACKAGE_HDR;

typedef struct {
  EFI_HII_PACKAGE_HEADER    Header;
  // IFR opcodes follow.
} EFI_HII_FORM_PACKAGE_HDR;

typedef struct {
  EFI_HII_PACKAGE_HEADER    Header;
  // A device path follows, ending with an end node.
} EFI_HII_DEVICE_PATH_PACKAGE_HDR;

//
// String package.
//
typedef struct {
  EFI_HII_PACKAGE_HEADER    Header;
  UINT32                    HdrSize;            // this header with its language string
  UINT32                    StringInfoOffset;   // first string block, from the package start
  CHAR16                    LanguageWindow[16];
  EFI_STRING_ID             LanguageName;       // the id of the language's own name in this package
  CHAR8                     Language[1];        // RFC 4646 tag, NUL terminated
} EFI_HII_STRING_PACKAGE_HDR;

#define EFI_HII_STRING_PACKAGE_FIXED_SIZE  46   // the header without its language string

#define EFI_HII_SIBT_END                  0x00
#define EFI_HII_SIBT_STRING_SCSU          0x10
#define EFI_HII_SIBT_STRING_SCSU_FONT     0x11
#define EFI_HII_SIBT_STRINGS_SCSU         0x12
#define EFI_HII_SIBT_STRINGS_SCSU_FONT    0x13
#define EFI_HII_SIBT_STRING_UCS2          0x14
#define EFI_HII_SIBT_STRING_UCS2_FONT     0x15
#define EFI_HII_SIBT_STRINGS_UCS2         0x16
#define EFI_HII_SIBT_STRINGS_UCS2_FONT    0x17
#define EFI_HII_SIBT_DUPLICATE            0x20
#define EFI_HII_SIBT_SKIP2                0x21
#define EFI_HII_SIBT_SKIP1                0x22
#define EFI_HII_SIBT_EXT1                 0x30
#define EFI_HII_SIBT_EXT2                 0x31
#define EFI_HII_SIBT_EXT4                 0x32
#define EFI_HII_SIBT_FONT                 0x40   // carried as the BlockType2 of an EXT2 block

typedef struct {
  UINT8    BlockType;
} EFI_HII_STRING_BLOCK;

typedef struct {
  EFI_HII_STRING_BLOCK    Header;
  UINT8                   StringText[1];
} EFI_HII_SIBT_STRING_SCSU_BLOCK;

typedef struct {
  EFI_HII_STRING_BLOCK    Header;
  UINT8                   FontIdentifier;
  UINT8                   StringText[1];
} EFI_HII_SIBT_STRING_SCSU_FONT_BLOCK;

typedef struct {
  EFI_HII_STRING_BLOCK    Header;
  UINT16                  StringCount;
  UINT8                   StringText[1];
} EFI_HII_SIBT_STRINGS_SCSU_BLOCK;

typedef struct {
  EFI_HII_STRING_BLOCK    Header;
  UINT8                   FontIdentifier;
  UINT16                  StringCount;
  UINT8                   StringText[1];
} EFI_HII_SIBT_STRINGS_SCSU_FONT_BLOCK;

typedef struct {
  EFI_HII_STRING_BLOCK    Header;
  CHAR16                  StringText[1];
} EFI_HII_SIBT_STRING_UCS2_BLOCK;

typedef struct {
  EFI_HII_STRING_BLOCK    Header;
  UINT8                   FontIdentifier;
  CHAR16                  StringText[1];
} EFI_HII_SIBT_STRING_UCS2_FONT_BLOCK;

typedef struct {
  EFI_HII_STRING_BLOCK    Header;
  UINT16                  StringCount;
  CHAR16                  StringText[1];
} EFI_HII_SIBT_STRINGS_UCS2_BLOCK;

typedef struct {
  EFI_HII_STRING_BLOCK    Header;
  UINT8                   FontIdentifier;
  UINT16                  StringCount;
  CHAR16                  StringText[1];
} EFI_HII_SIBT_STRINGS_UCS2_FONT_BLOCK;

typedef struct {
  EFI_HII_STRING_BLOCK    Header;
  EFI_STRING_ID           StringId;
} EFI_HII_SIBT_DUPLICATE_BLOCK;

typedef struct {
  EFI_HII_STRING_BLOCK    Header;
  UINT16                  SkipCount;
} EFI_HII_SIBT_SKIP2_BLOCK;

typedef struct {
  EFI_HII_STRING_BLOCK    Header;
  UINT8                   SkipCount;
} EFI_HII_SIBT_SKIP1_BLOCK;

// Extended blocks carry their own length (header included) so readers can step over them.
typedef struct {
  EFI_HII_STRING_BLOCK    Header;
  UINT8                   BlockType2;
  UINT8                   Length;
} EFI_HII_SIBT_EXT1_BLOCK;

typedef struct {
  EFI_HII_STRING_BLOCK    Header;
  UINT8                   BlockType2;
  UINT16                  Length;
} EFI_HII_SIBT_EXT2_BLOCK;

typedef struct {
  EFI_HII_STRING_BLOCK    Header;
  UINT8                   BlockType2;
  UINT32                  Length;
} EFI_HII_SIBT_EXT4_BLOCK;

typedef struct {
  EFI_HII_SIBT_EXT2_BLOCK    Header;
  UINT8                      FontId;
  UINT16                     FontSize;
  EFI_HII_FONT_STYLE         FontStyle;
  CHAR16                     FontName[1];
} EFI_HII_SIBT_FONT_BLOCK;

//
// Font packages.
//
typedef struct {
  UINT16    Width;
  UINT16    Height;
  INT16     OffsetX;
  INT16     OffsetY;
  INT16     AdvanceX;
} EFI_HII_GLYPH_INFO;

#define EFI_HII_FONT_STYLE_NORMAL     0x00000000
#define EFI_HII_FONT_STYLE_BOLD       0x00000001
#define EFI_HII_FONT_STYLE_ITALIC     0x00000002
#define EFI_HII_FONT_STYLE_EMBOSS     0x00010000
#define EFI_HII_FONT_STYLE_OUTLINE    0x00020000
#define EFI_HII_FONT_STYLE_SHADOW     0x00040000
#define EFI_HII_FONT_STYLE_UNDERLINE  0x00080000
#define EFI_HII_FONT_STYLE_DBL_UNDER  0x00100000

typedef struct {
  EFI_HII_PACKAGE_HEADER    Header;
  UINT32                    HdrSize;
  UINT32                    GlyphBlockOffset;
  EFI_HII_GLYPH_INFO        Cell;
  EFI_HII_FONT_STYLE        FontStyle;
  CHAR16                    FontFamily[1];
} EFI_HII_FONT_PACKAGE_HDR;

// The simple-font package: narrow glyphs, then wide glyphs, both 19 rows high.
#define EFI_GLYPH_HEIGHT  19
#define EFI_GLYPH_WIDTH   8

#define EFI_GLYPH_NON_SPACING  0x01
#define EFI_GLYPH_WIDE         0x02

typedef struct {
  EFI_HII_PACKAGE_HEADER    Header;
  UINT16                    NumberOfNarrowGlyphs;
  UINT16                    NumberOfWideGlyphs;
  // EFI_NARROW_GLYPH NarrowGlyphs[]; EFI_WIDE_GLYPH WideGlyphs[];
} EFI_HII_SIMPLE_FONT_PACKAGE_HDR;

typedef struct {
  CHAR16    UnicodeWeight;
  UINT8     Attributes;
  UINT8     GlyphCol1[EFI_GLYPH_HEIGHT];
} EFI_NARROW_GLYPH;

typedef struct {
  CHAR16    UnicodeWeight;
  UINT8     Attributes;
  UINT8     GlyphCol1[EFI_GLYPH_HEIGHT];
  UINT8     GlyphCol2[EFI_GLYPH_HEIGHT];
  UINT8     Pad[3];
} EFI_WIDE_GLYPH;

//
// Image package (header only: the engine hands images through, it does not decode them here).
//
typedef struct {
  EFI_HII_PACKAGE_HEADER    Header;
  UINT32                    ImageInfoOffset;
  UINT32                    PaletteInfoOffset;
} EFI_HII_IMAGE_PACKAGE_HDR;

#pragma pack(pop)

static_assert (sizeof (EFI_HII_PACKAGE_LIST_HEADER) == 20, "package list header");
static_assert (offsetof (EFI_HII_PACKAGE_LIST_HEADER, PackageListGuid) == 0, "list GUID");
static_assert (offsetof (EFI_HII_PACKAGE_LIST_HEADER, PackageLength) == 16, "list length");
static_assert (sizeof (EFI_HII_PACKAGE_HEADER) == 4, "package header");
static_assert (sizeof (EFI_HII_GUID_PACKAGE_HDR) == 20, "GUID package");
static_assert (offsetof (EFI_HII_GUID_PACKAGE_HDR, Guid) == 4, "GUID package GUID");
static_assert (sizeof (EFI_HII_FORM_PACKAGE_HDR) == 4, "forms package header");
static_assert (sizeof (EFI_HII_DEVICE_PATH_PACKAGE_HDR) == 4, "device path package header");

static_assert (offsetof (EFI_HII_STRING_PACKAGE_HDR, HdrSize) == 4, "HdrSize");
static_assert (offsetof (EFI_HII_STRING_PACKAGE_HDR, StringInfoOffset) == 8, "StringInfoOffset");
static_assert (offsetof (EFI_HII_STRING_PACKAGE_HDR, LanguageWindow) == 12, "LanguageWindow");
static_assert (offsetof (EFI_HII_STRING_PACKAGE_HDR, LanguageName) == 44, "LanguageName");
static_assert (offsetof (EFI_HII_STRING_PACKAGE_HDR, Language) == EFI_HII_STRING_PACKAGE_FIXED_SIZE, "Language");
static_assert (sizeof (EFI_HII_STRING_PACKAGE_HDR) == 47, "string package header");

static_assert (sizeof (EFI_HII_STRING_BLOCK) == 1, "string block");
static_assert (sizeof (EFI_HII_SIBT_STRING_SCSU_BLOCK) == 2, "SCSU block");
static_assert (offsetof (EFI_HII_SIBT_STRING_SCSU_FONT_BLOCK, StringText) == 2, "SCSU font text");
static_assert (sizeof (EFI_HII_SIBT_STRING_SCSU_FONT_BLOCK) == 3, "SCSU font block");
static_assert (offsetof (EFI_HII_SIBT_STRINGS_SCSU_BLOCK, StringText) == 3, "SCSU strings text");
static_assert (sizeof (EFI_HII_SIBT_STRINGS_SCSU_BLOCK) == 4, "SCSU strings block");
static_assert (offsetof (EFI_HII_SIBT_STRINGS_SCSU_FONT_BLOCK, StringCount) == 2, "SCSU strings font count");
static_assert (offsetof (EFI_HII_SIBT_STRINGS_SCSU_FONT_BLOCK, StringText) == 4, "SCSU strings font text");
static_assert (sizeof (EFI_HII_SIBT_STRINGS_SCSU_FONT_BLOCK) == 5, "SCSU strings font block");
static_assert (offsetof (EFI_HII_SIBT_STRING_UCS2_BLOCK, StringText) == 1, "UCS2 text");
static_assert (sizeof (EFI_HII_SIBT_STRING_UCS2_BLOCK) == 3, "UCS2 block");
static_assert (offsetof (EFI_HII_SIBT_STRING_UCS2_FONT_BLOCK, FontIdentifier) == 1, "UCS2 font id");
static_assert (offsetof (EFI_HII_SIBT_STRING_UCS2_FONT_BLOCK, StringText) == 2, "UCS2 font text");
static_assert (sizeof (EFI_HII_SIBT_STRING_UCS2_FONT_BLOCK) == 4, "UCS2 font block");
static_assert (offsetof (EFI_HII_SIBT_STRINGS_UCS2_BLOCK, StringCount) == 1, "UCS2 strings count");
static_assert (offsetof (EFI_HII_SIBT_STRINGS_UCS2_BLOCK, StringText) == 3, "UCS2 strings text");
static_assert (sizeof (EFI_HII_SIBT_STRINGS_UCS2_BLOCK) == 5, "UCS2 strings block");
static_assert (offsetof (EFI_HII_SIBT_STRINGS_UCS2_FONT_BLOCK, StringCount) == 2, "UCS2 strings font count");
static_assert (offsetof (EFI_HII_SIBT_STRINGS_UCS2_FONT_BLOCK, StringText) == 4, "UCS2 strings font text");
static_assert (sizeof (EFI_HII_SIBT_STRINGS_UCS2_FONT_BLOCK) == 6, "UCS2 strings font block");
static_assert (offsetof (EFI_HII_SIBT_DUPLICATE_BLOCK, StringId) == 1, "duplicate id");
static_assert (sizeof (EFI_HII_SIBT_DUPLICATE_BLOCK) == 3, "duplicate block");
static_assert (sizeof (EFI_HII_SIBT_SKIP2_BLOCK) == 3, "skip2 block");
static_assert (sizeof (EFI_HII_SIBT_SKIP1_BLOCK) == 2, "skip1 block");
static_assert (offsetof (EFI_HII_SIBT_EXT1_BLOCK, Length) == 2, "ext1 length");
static_assert (sizeof (EFI_HII_SIBT_EXT1_BLOCK) == 3, "ext1 block");
static_assert (offsetof (EFI_HII_SIBT_EXT2_BLOCK, Length) == 2, "ext2 length");
static_assert (sizeof (EFI_HII_SIBT_EXT2_BLOCK) == 4, "ext2 block");
static_assert (offsetof (EFI_HII_SIBT_EXT4_BLOCK, Length) == 2, "ext4 length");
static_assert (sizeof (EFI_HII_SIBT_EXT4_BLOCK) == 6, "ext4 block");
static_assert (offsetof (EFI_HII_SIBT_FONT_BLOCK, FontId) == 4, "font block id");
static_assert (offsetof (EFI_HII_SIBT_FONT_BLOCK, FontSize) == 5, "font block size");
static_assert (offsetof (EFI_HII_SIBT_FONT_BLOCK, FontStyle) == 7, "font block style");
static_assert (offsetof (EFI_HII_SIBT_FONT_BLOCK, FontName) == 11, "font block name");
static_assert (sizeof (EFI_HII_SIBT_FONT_BLOCK) == 13, "font block");

static_assert (sizeof (EFI_HII_GLYPH_INFO) == 10, "glyph info");
static_assert (offsetof (EFI_HII_FONT_PACKAGE_HDR, HdrSize) == 4, "font HdrSize");
static_assert (offsetof (EFI_HII_FONT_PACKAGE_HDR, GlyphBlockOffset) == 8, "font GlyphBlockOffset");
static_assert (offsetof (EFI_HII_FONT_PACKAGE_HDR, Cell) == 12, "font Cell");
static_assert (offsetof (EFI_HII_FONT_PACKAGE_HDR, FontStyle) == 22, "font FontStyle");
static_assert (offsetof (EFI_HII_FONT_PACKAGE_HDR, FontFamily) == 26, "font FontFamily");
static_assert (sizeof (EFI_HII_FONT_PACKAGE_HDR) == 28, "font package header");

static_assert (offsetof (EFI_HII_SIMPLE_FONT_PACKAGE_HDR, NumberOfNarrowGlyphs) == 4, "narrow count");
static_assert (offsetof (EFI_HII_SIMPLE_FONT_PACKAGE_HDR, NumberOfWideGlyphs) == 6, "wide count");
static_assert (sizeof (EFI_HII_SIMPLE_FONT_PACKAGE_HDR) == 8, "simple font header");
static_assert (offsetof (EFI_NARROW_GLYPH, Attributes) == 2, "narrow attributes");
static_assert (offsetof (EFI_NARROW_GLYPH, GlyphCol1) == 3, "narrow column");
static_assert (sizeof (EFI_NARROW_GLYPH) == 22, "narrow glyph");
static_assert (offsetof (EFI_WIDE_GLYPH, Attributes) == 2, "wide attributes");
static_assert (offsetof (EFI_WIDE_GLYPH, GlyphCol1) == 3, "wide column 1");
static_assert (offsetof (EFI_WIDE_GLYPH, GlyphCol2) == 22, "wide column 2");
static_assert (offsetof (EFI_WIDE_GLYPH, Pad) == 41, "wide pad");
static_assert (sizeof (EFI_WIDE_GLYPH) == 44, "wide glyph");

static_assert (offsetof (EFI_HII_IMAGE_PACKAGE_HDR, ImageInfoOffset) == 4, "image info offset");
static_assert (offsetof (EFI_HII_IMAGE_PACKAGE_HDR, PaletteInfoOffset) == 8, "palette info offset");
static_assert (sizeof (EFI_HII_IMAGE_PACKAGE_HDR) == 12, "image package header");

//
// Readers of the packed fields. Packages arrive at any alignment, so these read
// bytes; the 24-bit package length and 8-bit type share one little-endian word.
//
static inline UINT32
HiiReadUint24 (
  IN CONST VOID  *Address
  )
{
  CONST UINT8  *Byte = (CONST UINT8 *)Address;

  return (UINT32)Byte[0] | ((UINT32)Byte[1] << 8) | ((UINT32)Byte[2] << 16);
}

static inline VOID
HiiWriteUint24 (
  OUT VOID    *Address,
  IN  UINT32  Value
  )
{
  UINT8  *Byte = (UINT8 *)Address;

  Byte[0] = (UINT8)Value;
  Byte[1] = (UINT8)(Value >> 8);
  Byte[2] = (UINT8)(Value >> 16);
}

/** Length of the package whose header starts at Package, header included. */
static inline UINT32
HiiGetPackageLength (
  IN CONST VOID  *Package
  )
{
  return HiiReadUint24 (Package);
}

/** Type byte of the package whose header starts at Package. */
static inline UINT8
HiiGetPackageType (
  IN CONST VOID  *Package
  )
{
  return ((CONST UINT8 *)Package)[3];
}

static inline VOID
HiiSetPackageHeader (
  OUT VOID    *Package,
  IN  UINT32  Length,
  IN  UINT8   Type
  )
{
  HiiWriteUint24 (Package, Length);
  ((UINT8 *)Package)[3] = Type;
}

static inline UINT16
HiiReadUint16 (
  IN CONST VOID  *Address
  )
{
  CONST UINT8  *Byte = (CONST UINT8 *)Address;

  return (UINT16)(Byte[0] | (Byte[1] << 8));
}

static inline UINT32
HiiReadUint32 (
  IN CONST VOID  *Address
  )
{
  CONST UINT8  *Byte = (CONST UINT8 *)Address;

  return HiiReadUint24 (Byte) | ((UINT32)Byte[3] << 24);
}

#endif

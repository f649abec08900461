/** @file
  The HII protocol structures as the emulator fills them: the UEFI member order and
  calling convention, declared here so the services do not depend on which engine
  headers exist. Each protocol sits first in a wrapper that points back at its
  owner, so a This pointer leads to the C++ object.
**/
#ifndef EMULATOR_HII_PROTOCOL_LAYOUT_H_
#define EMULATOR_HII_PROTOCOL_LAYOUT_H_

#include <Uefi.h>
#include <Uefi/UefiHii.h>
#include <Uefi/UefiIfr.h>
#include <Protocol/GraphicsOutput.h>

namespace Emu {

class HiiServices;
class FakeDriver;

#define EMU_HII_DATABASE_GUID \
  { 0xEF9FC172, 0xA1B2, 0x4693, { 0xB3, 0x27, 0x6D, 0x32, 0xFC, 0x41, 0x60, 0x42 } }
#define EMU_HII_STRING_GUID \
  { 0x0FD96974, 0x23AA, 0x4CDC, { 0xB9, 0xCB, 0x98, 0xD1, 0x77, 0x50, 0x32, 0x2A } }
#define EMU_HII_FONT_GUID \
  { 0xE9CA4775, 0x8657, 0x47FC, { 0x97, 0xE7, 0x7E, 0xD6, 0x5A, 0x08, 0x43, 0x24 } }
#define EMU_HII_CONFIG_ROUTING_GUID \
  { 0x587E72D7, 0xCC50, 0x4F79, { 0x82, 0x09, 0xCA, 0x29, 0x1F, 0xC1, 0xA1, 0x0F } }
#define EMU_HII_CONFIG_ACCESS_GUID \
  { 0x330D4706, 0xF2A0, 0x4E4F, { 0xA3, 0x69, 0xB6, 0x6F, 0xA8, 0xD5, 0x43, 0x85 } }

#pragma pack(push, 1)
typedef struct {
  UINT32  FontStyle;
  UINT16  FontSize;
  CHAR16  FontName[1];
} EMU_FONT_INFO;
#pragma pack(pop)

typedef struct {
  EFI_GRAPHICS_OUTPUT_BLT_PIXEL  ForegroundColor;
  EFI_GRAPHICS_OUTPUT_BLT_PIXEL  BackgroundColor;
  UINT32                         FontInfoMask;
  EMU_FONT_INFO                  FontInfo;
} EMU_FONT_DISPLAY_INFO;

typedef struct {
  UINT16  Width;
  UINT16  Height;
  union {
    EFI_GRAPHICS_OUTPUT_BLT_PIXEL  *Bitmap;
    EFI_GRAPHICS_OUTPUT_PROTOCOL   *Screen;
  } Image;
} EMU_IMAGE_OUTPUT;

typedef struct {
  UINTN  StartIndex;
  UINTN  EndIndex;
  UINTN  LineHeight;
  UINTN  LineWidth;
  UINTN  BaselineOffset;
} EMU_HII_ROW_INFO;

constexpr UINT32  kHiiOutFlagClip           = 0x01;
constexpr UINT32  kHiiOutFlagTransparent    = 0x10;
constexpr UINT32  kHiiOutFlagDirectToScreen = 0x80;

typedef struct EMU_HII_DATABASE_PROTOCOL {
  EFI_STATUS (EFIAPI *NewPackageList)(CONST EMU_HII_DATABASE_PROTOCOL *, CONST EFI_HII_PACKAGE_LIST_HEADER *,
    EFI_HANDLE, EFI_HII_HANDLE *);
  EFI_STATUS (EFIAPI *RemovePackageList)(CONST EMU_HII_DATABASE_PROTOCOL *, EFI_HII_HANDLE);
  EFI_STATUS (EFIAPI *UpdatePackageList)(CONST EMU_HII_DATABASE_PROTOCOL *, EFI_HII_HANDLE,
    CONST EFI_HII_PACKAGE_LIST_HEADER *);
  EFI_STATUS (EFIAPI *ListPackageLists)(CONST EMU_HII_DATABASE_PROTOCOL *, UINT8, CONST EFI_GUID *, UINTN *,
    EFI_HII_HANDLE *);
  EFI_STATUS (EFIAPI *ExportPackageLists)(CONST EMU_HII_DATABASE_PROTOCOL *, EFI_HII_HANDLE, UINTN *,
    EFI_HII_PACKAGE_LIST_HEADER *);
  EFI_STATUS (EFIAPI *RegisterPackageNotify)(CONST EMU_HII_DATABASE_PROTOCOL *, UINT8, CONST EFI_GUID *,
    VOID *, UINTN, EFI_HANDLE *);
  EFI_STATUS (EFIAPI *UnregisterPackageNotify)(CONST EMU_HII_DATABASE_PROTOCOL *, EFI_HANDLE);
  EFI_STATUS (EFIAPI *FindKeyboardLayouts)(CONST EMU_HII_DATABASE_PROTOCOL *, UINT16 *, EFI_GUID *);
  EFI_STATUS (EFIAPI *GetKeyboardLayout)(CONST EMU_HII_DATABASE_PROTOCOL *, CONST EFI_GUID *, UINT16 *, VOID *);
  EFI_STATUS (EFIAPI *SetKeyboardLayout)(CONST EMU_HII_DATABASE_PROTOCOL *, CONST EFI_GUID *);
  EFI_STATUS (EFIAPI *GetPackageListHandle)(CONST EMU_HII_DATABASE_PROTOCOL *, EFI_HII_HANDLE, EFI_HANDLE *);
} EMU_HII_DATABASE_PROTOCOL;

typedef struct EMU_HII_STRING_PROTOCOL {
  EFI_STATUS (EFIAPI *NewString)(CONST EMU_HII_STRING_PROTOCOL *, EFI_HII_HANDLE, EFI_STRING_ID *, CONST CHAR8 *,
    CONST CHAR16 *, CONST CHAR16 *, CONST EMU_FONT_INFO *);
  EFI_STATUS (EFIAPI *GetString)(CONST EMU_HII_STRING_PROTOCOL *, CONST CHAR8 *, EFI_HII_HANDLE, EFI_STRING_ID,
    CHAR16 *, UINTN *, EMU_FONT_INFO **);
  EFI_STATUS (EFIAPI *SetString)(CONST EMU_HII_STRING_PROTOCOL *, EFI_HII_HANDLE, EFI_STRING_ID, CONST CHAR8 *,
    CONST CHAR16 *, CONST EMU_FONT_INFO *);
  EFI_STATUS (EFIAPI *GetLanguages)(CONST EMU_HII_STRING_PROTOCOL *, EFI_HII_HANDLE, CHAR8 *, UINTN *);
  EFI_STATUS (EFIAPI *GetSecondaryLanguages)(CONST EMU_HII_STRING_PROTOCOL *, EFI_HII_HANDLE, CONST CHAR8 *,
    CHAR8 *, UINTN *);
} EMU_HII_STRING_PROTOCOL;

typedef struct EMU_HII_FONT_PROTOCOL {
  EFI_STATUS (EFIAPI *StringToImage)(CONST EMU_HII_FONT_PROTOCOL *, UINT32, CONST CHAR16 *,
    CONST EMU_FONT_DISPLAY_INFO *, EMU_IMAGE_OUTPUT **, UINTN, UINTN, EMU_HII_ROW_INFO **, UINTN *, UINTN *);
  EFI_STATUS (EFIAPI *StringIdToImage)(CONST EMU_HII_FONT_PROTOCOL *, UINT32, EFI_HII_HANDLE, EFI_STRING_ID,
    CONST CHAR8 *, CONST EMU_FONT_DISPLAY_INFO *, EMU_IMAGE_OUTPUT **, UINTN, UINTN, EMU_HII_ROW_INFO **, UINTN *,
    UINTN *);
  EFI_STATUS (EFIAPI *GetGlyph)(CONST EMU_HII_FONT_PROTOCOL *, CHAR16, CONST EMU_FONT_DISPLAY_INFO *,
    EMU_IMAGE_OUTPUT **, UINTN *);
  EFI_STATUS (EFIAPI *GetFontInfo)(CONST EMU_HII_FONT_PROTOCOL *, VOID **, CONST EMU_FONT_DISPLAY_INFO *,
    EMU_FONT_DISPLAY_INFO **, CONST CHAR16 *);
} EMU_HII_FONT_PROTOCOL;

typedef struct EMU_HII_CONFIG_ROUTING_PROTOCOL {
  EFI_STATUS (EFIAPI *ExtractConfig)(CONST EMU_HII_CONFIG_ROUTING_PROTOCOL *, CONST CHAR16 *, CHAR16 **, CHAR16 **);
  EFI_STATUS (EFIAPI *ExportConfig)(CONST EMU_HII_CONFIG_ROUTING_PROTOCOL *, CHAR16 **);
  EFI_STATUS (EFIAPI *RouteConfig)(CONST EMU_HII_CONFIG_ROUTING_PROTOCOL *, CONST CHAR16 *, CHAR16 **);
  EFI_STATUS (EFIAPI *BlockToConfig)(CONST EMU_HII_CONFIG_ROUTING_PROTOCOL *, CONST CHAR16 *, CONST UINT8 *, UINTN,
    CHAR16 **, CHAR16 **);
  EFI_STATUS (EFIAPI *ConfigToBlock)(CONST EMU_HII_CONFIG_ROUTING_PROTOCOL *, CONST CHAR16 *, UINT8 *, UINTN *,
    CHAR16 **);
  EFI_STATUS (EFIAPI *GetAltConfig)(CONST EMU_HII_CONFIG_ROUTING_PROTOCOL *, CONST CHAR16 *, CONST EFI_GUID *,
    CONST CHAR16 *, CONST VOID *, CONST UINT16 *, CHAR16 **);
} EMU_HII_CONFIG_ROUTING_PROTOCOL;

typedef struct EMU_HII_CONFIG_ACCESS_PROTOCOL {
  EFI_STATUS (EFIAPI *ExtractConfig)(CONST EMU_HII_CONFIG_ACCESS_PROTOCOL *, CONST CHAR16 *, CHAR16 **, CHAR16 **);
  EFI_STATUS (EFIAPI *RouteConfig)(CONST EMU_HII_CONFIG_ACCESS_PROTOCOL *, CONST CHAR16 *, CHAR16 **);
  EFI_STATUS (EFIAPI *Callback)(CONST EMU_HII_CONFIG_ACCESS_PROTOCOL *, UINTN, EFI_QUESTION_ID, UINT8,
    EFI_IFR_TYPE_VALUE *, UINTN *);
} EMU_HII_CONFIG_ACCESS_PROTOCOL;

// Services' own protocol instances; Owner leads back from This.
struct HII_PROTOCOLS {
  struct { EMU_HII_DATABASE_PROTOCOL Protocol; HiiServices *Owner; }        Database;
  struct { EMU_HII_STRING_PROTOCOL Protocol; HiiServices *Owner; }          String;
  struct { EMU_HII_FONT_PROTOCOL Protocol; HiiServices *Owner; }            Font;
  struct { EMU_HII_CONFIG_ROUTING_PROTOCOL Protocol; HiiServices *Owner; }  Routing;
};

// Typed views of the owner pointer that sits right after each protocol.
template <class PROTOCOL>
HiiServices *
OwnerOf (CONST PROTOCOL *This)
{
  struct WRAPPER { PROTOCOL Protocol; HiiServices *Owner; };
  return (This == nullptr) ? nullptr : ((const WRAPPER *)This)->Owner;
}

// Protocol tables filled by each service file.
void FillDatabaseProtocol (EMU_HII_DATABASE_PROTOCOL *Protocol);
void FillStringProtocol (EMU_HII_STRING_PROTOCOL *Protocol);
void FillFontProtocol (EMU_HII_FONT_PROTOCOL *Protocol);
void FillRoutingProtocol (EMU_HII_CONFIG_ROUTING_PROTOCOL *Protocol);

}  // namespace Emu

#endif

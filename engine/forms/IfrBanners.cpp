/** @file
  The header lines of a front page: banner opcodes (the opcode-extension family's
  BANNER) give each line's texts by alignment, and a front page's driver fills them
  before it shows its forms (OVMF's with the machine, processor, firmware version and
  memory from its SMBIOS tables). A browser shows them on front pages only: a form
  set whose class GUIDs name the front page, or whose subclass is the front page's.
**/
#include <engine/forms/FormTables.h>
#include <engine/forms/IfrOpcode.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>

#define FRONT_PAGE_SUBCLASS  0x0002

static CONST EFI_GUID  mExtensionGuid = EFI_IFR_TIANO_GUID;
static CONST EFI_GUID  mFrontPageClassGuid = {
  0x9E0C30BC, 0x3F06, 0x4BA6, { 0x82, 0x88, 0x09, 0x17, 0x9B, 0x85, 0x5D, 0xBE }
};

BOOLEAN
IfrReadBanner (
  IN  CONST UINT8  *Op,
  OUT UINT16       *Line OPTIONAL,
  OUT UINT8        *Alignment OPTIONAL,
  OUT UINT16       *Title OPTIONAL
  )
{
  CONST EFI_IFR_GUID_BANNER  *Banner = (CONST EFI_IFR_GUID_BANNER *)Op;

  if ((Op == NULL) || (Op[0] != EFI_IFR_GUID_OP) || (IfrLength (Op) < sizeof (EFI_IFR_GUID_BANNER)) ||
      (CompareMem (&Banner->Guid, &mExtensionGuid, sizeof (EFI_GUID)) != 0) ||
      (Banner->ExtendOpCode != EFI_IFR_EXTEND_OP_BANNER) || (Banner->Alignment > EFI_IFR_BANNER_ALIGN_RIGHT))
  {
    return FALSE;
  }

  if (Line != NULL) {
    *Line = ReadUnaligned16 (&Banner->LineNumber);
  }

  if (Alignment != NULL) {
    *Alignment = Banner->Alignment;
  }

  if (Title != NULL) {
    *Title = ReadUnaligned16 (&Banner->Title);
  }

  return TRUE;
}

BOOLEAN
IfrIsFrontPage (
  IN CONST UINT8  *FormSet,
  IN UINT16       SubClass
  )
{
  UINTN  Count;

  if (SubClass == FRONT_PAGE_SUBCLASS) {
    return TRUE;
  }

  if ((FormSet == NULL) || (FormSet[0] != EFI_IFR_FORM_SET_OP) || (IfrLength (FormSet) <= offsetof (EFI_IFR_FORM_SET, Flags))) {
    return FALSE;
  }

  // The class GUIDs the flags count, as far as the opcode's length holds them.
  Count = FormSet[offsetof (EFI_IFR_FORM_SET, Flags)] & 0x3;
  for (UINTN Index = 0; Index < Count; Index++) {
    UINTN  At = offsetof (EFI_IFR_FORM_SET, ClassGuid) + Index * sizeof (EFI_GUID);
    if (At + sizeof (EFI_GUID) > IfrLength (FormSet)) {
      break;
    }

    if (CompareMem (FormSet + At, &mFrontPageClassGuid, sizeof (EFI_GUID)) == 0) {
      return TRUE;
    }
  }

  return FALSE;
}

VOID
IfrBannerLineTitles (
  IN  CONST UINT8  *Op,
  IN  CONST UINT8  *End,
  IN  UINT16       Line,
  OUT UINT16       Titles[3]
  )
{
  UINT16  This;
  UINT8   Alignment;
  UINT16  Title;

  Titles[0] = 0;
  Titles[1] = 0;
  Titles[2] = 0;
  // The banners of a form stand together; the first other opcode ends them.
  while ((Op != NULL) && (End != NULL) && IfrFits (Op, End) && IfrReadBanner (Op, &This, &Alignment, &Title)) {
    if ((This == Line) && (Titles[Alignment] == 0)) {
      Titles[Alignment] = Title;
    }

    Op += IfrLength (Op);
  }
}

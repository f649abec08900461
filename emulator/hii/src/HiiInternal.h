/** @file
  What the HII service files share: the protocol instances with a way back from
  This to the C++ object, the functions that fill each protocol table, and the
  bounded copies of caller text in and pool text out.
**/
#ifndef EMULATOR_HII_INTERNAL_H_
#define EMULATOR_HII_INTERNAL_H_

#include <Uefi.h>
#include <Protocol/HiiConfigAccess.h>
#include <Protocol/HiiConfigRouting.h>
#include <Protocol/HiiDatabase.h>
#include <Protocol/HiiFont.h>
#include <Protocol/HiiString.h>

#include <Emulator/Machine.h>

#include <cstring>
#include <string>

namespace Emu {

class HiiServices;

// The engine hands back only the protocol pointer, so the protocol sits first and
// the owner right after it.
template <class PROTOCOL, class OWNER>
struct OWNED_PROTOCOL {
  PROTOCOL  Protocol;
  OWNER     *Owner;
};

template <class OWNER, class PROTOCOL>
OWNER *
OwnerOf (CONST PROTOCOL *This)
{
  return (This == nullptr) ? nullptr : ((const OWNED_PROTOCOL<PROTOCOL, OWNER> *)This)->Owner;
}

struct HII_PROTOCOLS {
  OWNED_PROTOCOL<EFI_HII_DATABASE_PROTOCOL, HiiServices>        Database;
  OWNED_PROTOCOL<EFI_HII_STRING_PROTOCOL, HiiServices>          String;
  OWNED_PROTOCOL<EFI_HII_FONT_PROTOCOL, HiiServices>            Font;
  OWNED_PROTOCOL<EFI_HII_CONFIG_ROUTING_PROTOCOL, HiiServices>  Routing;
};

// Protocol tables filled by each service file.
void FillDatabaseProtocol (EFI_HII_DATABASE_PROTOCOL *Protocol);
void FillStringProtocol (EFI_HII_STRING_PROTOCOL *Protocol);
void FillFontProtocol (EFI_HII_FONT_PROTOCOL *Protocol);
void FillRoutingProtocol (EFI_HII_CONFIG_ROUTING_PROTOCOL *Protocol);

// Configuration strings far beyond any real one are taken as runaway text.
constexpr UINTN  kMaxConfigText = 0x100000;

// Bounded copy of a caller's UTF-16 text: false when no terminator comes within
// Limit code units (Out then holds what was read).
inline bool
CopyText (CONST CHAR16 *Text, UINTN Limit, std::u16string *Out)
{
  Out->clear ();
  for (UINTN Index = 0; Index < Limit; Index++) {
    if (Text[Index] == 0) {
      return true;
    }
    Out->push_back (Text[Index]);
  }
  return false;
}

// A terminated copy of Text from the machine's pool, which the caller frees with FreePool.
inline EFI_STATUS
PoolText (Machine &Owner, const std::u16string &Text, CHAR16 **Out)
{
  VOID  *Buffer = nullptr;

  if (Owner.Memory ().Allocate (EfiBootServicesData, (Text.size () + 1) * sizeof (CHAR16), &Buffer) != EFI_SUCCESS) {
    return EFI_OUT_OF_RESOURCES;
  }
  std::memcpy (Buffer, Text.c_str (), (Text.size () + 1) * sizeof (CHAR16));
  *Out = (CHAR16 *)Buffer;
  return EFI_SUCCESS;
}

}  // namespace Emu

#endif

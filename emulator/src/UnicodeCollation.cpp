/** @file
  Unicode collation over ASCII and Latin-1 case rules.
**/
#include <Emulator/UnicodeCollation.h>

namespace Emu {

static const EFI_GUID  kCollation2Guid = EFI_UNICODE_COLLATION_PROTOCOL2_GUID;
static const EFI_GUID  kCollationGuid  = EFI_UNICODE_COLLATION_PROTOCOL_GUID;

static CHAR8  mLanguages2[] = "en";
static CHAR8  mLanguages1[] = "eng";

// Strings from callers are bounded: nothing this firmware passes comes near it.
constexpr UINTN  kMaxString = 0x10000;

struct COLLATION_PRIVATE {
  EFI_UNICODE_COLLATION_PROTOCOL  Current;
  EFI_UNICODE_COLLATION_PROTOCOL  Older;
};

static CHAR16
ToUpper (CHAR16 Char)
{
  if (((Char >= u'a') && (Char <= u'z')) || ((Char >= 0xE0) && (Char <= 0xFE) && (Char != 0xF7))) {
    return (CHAR16)(Char - 0x20);
  }
  return Char;
}

static CHAR16
ToLower (CHAR16 Char)
{
  if (((Char >= u'A') && (Char <= u'Z')) || ((Char >= 0xC0) && (Char <= 0xDE) && (Char != 0xD7))) {
    return (CHAR16)(Char + 0x20);
  }
  return Char;
}

static INTN EFIAPI
CollStriColl (EFI_UNICODE_COLLATION_PROTOCOL *This, CHAR16 *First, CHAR16 *Second)
{
  (VOID)This;
  for (UINTN Index = 0; Index < kMaxString; Index++) {
    CHAR16  A = ToUpper (First[Index]);
    CHAR16  B = ToUpper (Second[Index]);
    if ((A != B) || (A == 0)) {
      return (INTN)A - (INTN)B;
    }
  }
  return 0;
}

// Matches a "[...]" set at Pattern against Char; returns the pattern after it, or
// null when the character is not in the set (or the set is not closed).
static const CHAR16 *
MatchSet (const CHAR16 *Pattern, CHAR16 Char)
{
  bool    Found    = false;
  CHAR16  Previous = 0;

  for (Pattern++; (*Pattern != 0) && (*Pattern != u']'); Pattern++) {
    if ((*Pattern == u'-') && (Previous != 0) && (Pattern[1] != 0) && (Pattern[1] != u']')) {
      Pattern++;
      Found   |= (ToUpper (Char) >= ToUpper (Previous)) && (ToUpper (Char) <= ToUpper (*Pattern));
      Previous = 0;
      continue;
    }
    Found   |= ToUpper (Char) == ToUpper (*Pattern);
    Previous = *Pattern;
  }
  return ((*Pattern == u']') && Found) ? Pattern + 1 : nullptr;
}

static bool
Match (const CHAR16 *String, const CHAR16 *Pattern, UINTN Depth)
{
  if (Depth > 64) {
    return false;  // pathological patterns end instead of recursing without bound
  }
  for (; *Pattern != 0; String++) {
    if (*Pattern == u'*') {
      for (const CHAR16 *Rest = String;; Rest++) {
        if (Match (Rest, Pattern + 1, Depth + 1)) {
          return true;
        }
        if (*Rest == 0) {
          return false;
        }
      }
    }
    if (*String == 0) {
      return false;
    }
    if (*Pattern == u'[') {
      Pattern = MatchSet (Pattern, *String);
      if (Pattern == nullptr) {
        return false;
      }
      continue;
    }
    if ((*Pattern != u'?') && (ToUpper (*Pattern) != ToUpper (*String))) {
      return false;
    }
    Pattern++;
  }
  return *String == 0;
}

static BOOLEAN EFIAPI
CollMetaiMatch (EFI_UNICODE_COLLATION_PROTOCOL *This, CHAR16 *String, CHAR16 *Pattern)
{
  (VOID)This;
  return Match (String, Pattern, 0) ? TRUE : FALSE;
}

static VOID EFIAPI
CollStrLwr (EFI_UNICODE_COLLATION_PROTOCOL *This, CHAR16 *String)
{
  (VOID)This;
  for (UINTN Index = 0; (Index < kMaxString) && (String[Index] != 0); Index++) {
    String[Index] = ToLower (String[Index]);
  }
}

static VOID EFIAPI
CollStrUpr (EFI_UNICODE_COLLATION_PROTOCOL *This, CHAR16 *String)
{
  (VOID)This;
  for (UINTN Index = 0; (Index < kMaxString) && (String[Index] != 0); Index++) {
    String[Index] = ToUpper (String[Index]);
  }
}

static VOID EFIAPI
CollFatToStr (EFI_UNICODE_COLLATION_PROTOCOL *This, UINTN FatSize, CHAR8 *Fat, CHAR16 *String)
{
  (VOID)This;
  UINTN  Index = 0;
  for (; (Index < FatSize) && (Fat[Index] != 0); Index++) {
    String[Index] = (CHAR16)(UINT8)Fat[Index];
  }
  String[Index] = 0;
}

static BOOLEAN EFIAPI
CollStrToFat (EFI_UNICODE_COLLATION_PROTOCOL *This, CHAR16 *String, UINTN FatSize, CHAR8 *Fat)
{
  (VOID)This;
  BOOLEAN  Substituted = FALSE;
  UINTN    Out         = 0;
  for (UINTN Index = 0; (Index < kMaxString) && (String[Index] != 0) && (Out < FatSize); Index++) {
    CHAR16  Char = ToUpper (String[Index]);
    if ((Char == u'.') || (Char == u' ')) {
      continue;  // FAT names carry neither
    }
    if ((Char > 0x7F) || (Char < 0x20)) {
      Char        = u'_';
      Substituted = TRUE;
    }
    Fat[Out++] = (CHAR8)Char;
  }
  return Substituted;
}

UnicodeCollation::UnicodeCollation (Machine &Owner, bool WithOlderProtocol)
  : mPrivate (std::make_unique<COLLATION_PRIVATE>())
{
  EFI_HANDLE  Handle = nullptr;

  mPrivate->Current = EFI_UNICODE_COLLATION_PROTOCOL {
    CollStriColl, CollMetaiMatch, CollStrLwr, CollStrUpr, CollFatToStr, CollStrToFat, mLanguages2
  };
  mPrivate->Older                    = mPrivate->Current;
  mPrivate->Older.SupportedLanguages = mLanguages1;
  (VOID)Owner.Protocols ().Install (&Handle, &kCollation2Guid, &mPrivate->Current);  // new handle
  if (WithOlderProtocol) {
    (VOID)Owner.Protocols ().Install (&Handle, &kCollationGuid, &mPrivate->Older);  // new GUID on our handle
  }
}

UnicodeCollation::~UnicodeCollation () = default;

EFI_UNICODE_COLLATION_PROTOCOL *
UnicodeCollation::Protocol ()
{
  return &mPrivate->Current;
}

}  // namespace Emu

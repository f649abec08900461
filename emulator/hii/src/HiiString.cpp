/** @file
  Strings of the emulated HII database: one string id names the same string in
  every language of a package list, so NewString adds the text to each string
  package of the list.
**/
#include <EmulatorHii/HiiServices.h>

#include "HiiInternal.h"

#include <cstring>

namespace Emu {

namespace {

EFI_STRING_ID
HighestId (const HII_PACKAGE_LIST &List)
{
  EFI_STRING_ID  Highest = 0;

  for (const HII_PACKAGE &Package : List.Packages) {
    if ((Package.Strings != nullptr) && (Package.Strings->LastId > Highest)) {
      Highest = Package.Strings->LastId;
    }
  }
  return Highest;
}

void
Reencode (HII_PACKAGE &Package)
{
  Package.Bytes = EncodeStringPackage (*Package.Strings);
}

// A text longer than a string package can hold is refused.
constexpr UINTN  kMaxStringText = EFI_HII_PACKAGE_MAX_LENGTH / 2;

bool
CopyLanguage (CONST CHAR8 *Language, std::string *Out)
{
  UINTN  Length = strnlen (Language, 256);

  if (Length == 256) {
    return false;
  }
  Out->assign (Language, Length);
  return true;
}

}  // namespace

HII_PACKAGE *
HiiServices::StringPackage (HII_PACKAGE_LIST *List, const std::string &Language) const
{
  for (HII_PACKAGE &Package : List->Packages) {
    if ((Package.Strings != nullptr) && LanguageEqual (PrimaryLanguage (Package.Strings->Language), Language)) {
      return &Package;
    }
  }
  return nullptr;
}

EFI_STATUS
HiiServices::NewString (EFI_HII_HANDLE Handle, EFI_STRING_ID *StringId, CONST CHAR8 *Language,
  CONST CHAR16 *LanguageName, CONST CHAR16 *String)
{
  std::string       Tag;
  std::u16string    Text;
  HII_PACKAGE_LIST  *List = FindList (Handle);

  (VOID)LanguageName;  // a package created here names its language by id 0
  if ((StringId == nullptr) || (Language == nullptr) || (String == nullptr) || !CopyLanguage (Language, &Tag) ||
      !CopyText (String, kMaxStringText, &Text)) {
    return EFI_INVALID_PARAMETER;
  }
  if (List == nullptr) {
    return EFI_NOT_FOUND;
  }
  UINT32  NewId = (UINT32)HighestId (*List) + 1;
  if (NewId > 0xFFFF) {
    return EFI_OUT_OF_RESOURCES;
  }
  if (StringPackage (List, Tag) == nullptr) {
    HII_PACKAGE  Package;
    Package.Type              = EFI_HII_PACKAGE_STRINGS;
    Package.Strings           = std::make_unique<STRING_PACKAGE> ();
    Package.Strings->Language = Tag;
    Reencode (Package);
    // The list's END package is not kept, so the new package goes last.
    List->Packages.push_back (std::move (Package));
  }
  for (HII_PACKAGE &Package : List->Packages) {
    if (Package.Strings != nullptr) {
      Package.Strings->Strings[(EFI_STRING_ID)NewId] = Text;
      Package.Strings->LastId                         = (EFI_STRING_ID)NewId;
      Reencode (Package);
    }
  }
  *StringId = (EFI_STRING_ID)NewId;
  return EFI_SUCCESS;
}

EFI_STATUS
HiiServices::GetString (CONST CHAR8 *Language, EFI_HII_HANDLE Handle, EFI_STRING_ID StringId, CHAR16 *String,
  UINTN *StringSize)
{
  std::string       Tag;
  HII_PACKAGE_LIST  *List = FindList (Handle);
  bool              Elsewhere = false;

  if ((Language == nullptr) || (StringSize == nullptr) || (StringId == 0) ||
      ((String == nullptr) && (*StringSize != 0)) || !CopyLanguage (Language, &Tag)) {
    return EFI_INVALID_PARAMETER;
  }
  if (List == nullptr) {
    return EFI_NOT_FOUND;
  }
  for (const HII_PACKAGE &Package : List->Packages) {
    if ((Package.Strings == nullptr) || (Package.Strings->Strings.count (StringId) == 0)) {
      continue;
    }
    if (!LanguageEqual (PrimaryLanguage (Package.Strings->Language), Tag)) {
      Elsewhere = true;
      continue;
    }
    const std::u16string  &Text  = Package.Strings->Strings.at (StringId);
    UINTN                 Needed = (Text.size () + 1) * sizeof (CHAR16);
    if (*StringSize < Needed) {
      *StringSize = Needed;
      return EFI_BUFFER_TOO_SMALL;
    }
    std::memcpy (String, Text.c_str (), Needed);
    *StringSize = Needed;
    return EFI_SUCCESS;
  }
  return Elsewhere ? EFI_INVALID_LANGUAGE : EFI_NOT_FOUND;
}

EFI_STATUS
HiiServices::SetString (EFI_HII_HANDLE Handle, EFI_STRING_ID StringId, CONST CHAR8 *Language,
  CONST CHAR16 *String)
{
  std::string       Tag;
  std::u16string    Text;
  HII_PACKAGE_LIST  *List = FindList (Handle);

  if ((Language == nullptr) || (String == nullptr) || !CopyLanguage (Language, &Tag) ||
      !CopyText (String, kMaxStringText, &Text)) {
    return EFI_INVALID_PARAMETER;
  }
  if (List == nullptr) {
    return EFI_NOT_FOUND;
  }
  HII_PACKAGE  *Target = nullptr;
  for (HII_PACKAGE &Package : List->Packages) {
    if ((Package.Strings != nullptr) && LanguageEqual (PrimaryLanguage (Package.Strings->Language), Tag) &&
        ((Target == nullptr) || (Package.Strings->Strings.count (StringId) != 0))) {
      Target = &Package;
    }
  }
  if ((Target == nullptr) || (StringId == 0) || (StringId > HighestId (*List))) {
    return EFI_NOT_FOUND;
  }
  Target->Strings->Strings[StringId] = Text;
  if (Target->Strings->LastId < StringId) {
    Target->Strings->LastId = StringId;
  }
  Reencode (*Target);
  return EFI_SUCCESS;
}

std::vector<std::string>
HiiServices::Languages (EFI_HII_HANDLE Handle) const
{
  std::vector<std::string>  Tags;
  HII_PACKAGE_LIST          *List = FindList (Handle);

  if (List == nullptr) {
    return Tags;
  }
  for (const HII_PACKAGE &Package : List->Packages) {
    if (Package.Strings == nullptr) {
      continue;
    }
    bool  Seen = false;
    for (const std::string &Tag : Tags) {
      Seen = Seen || LanguageEqual (Tag, PrimaryLanguage (Package.Strings->Language));
    }
    if (!Seen) {
      Tags.push_back (PrimaryLanguage (Package.Strings->Language));
    }
  }
  return Tags;
}

EFI_STATUS
HiiServices::GetLanguages (EFI_HII_HANDLE Handle, CHAR8 *Languages, UINTN *LanguagesSize)
{
  std::string  Joined;

  if ((LanguagesSize == nullptr) || ((Languages == nullptr) && (*LanguagesSize != 0))) {
    return EFI_INVALID_PARAMETER;
  }
  if (FindList (Handle) == nullptr) {
    return EFI_NOT_FOUND;
  }
  std::vector<std::string>  Tags = this->Languages (Handle);
  if (Tags.empty ()) {
    return EFI_NOT_FOUND;  // a list without string packages has no languages to name
  }
  for (const std::string &Tag : Tags) {
    Joined += Joined.empty () ? Tag : ";" + Tag;
  }
  if (*LanguagesSize < Joined.size () + 1) {
    *LanguagesSize = Joined.size () + 1;
    return EFI_BUFFER_TOO_SMALL;
  }
  std::memcpy (Languages, Joined.c_str (), Joined.size () + 1);
  *LanguagesSize = Joined.size () + 1;
  return EFI_SUCCESS;
}

std::optional<std::u16string>
HiiServices::String (EFI_HII_HANDLE Handle, const std::string &Language, EFI_STRING_ID Id) const
{
  HII_PACKAGE_LIST  *List = FindList (Handle);

  if (List == nullptr) {
    return std::nullopt;
  }
  for (const HII_PACKAGE &Package : List->Packages) {
    if ((Package.Strings != nullptr) && LanguageEqual (PrimaryLanguage (Package.Strings->Language), Language) &&
        (Package.Strings->Strings.count (Id) != 0)) {
      return Package.Strings->Strings.at (Id);
    }
  }
  return std::nullopt;
}

}  // namespace Emu

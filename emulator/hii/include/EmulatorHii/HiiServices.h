/** @file
  The emulated HII services: Database, String, Font and Configuration Routing on one
  handle, over package lists kept in host memory.

  HiiServices is a machine device: a test writes
    auto &Hii = M.Add (std::make_unique<Emu::HiiServices> (M));
  and the four protocols are then found with LocateProtocol. The C++ members below
  are what the protocol functions call; tests may call them directly too. Buffers
  the UEFI interfaces hand out (glyph images, configuration results) come from the
  machine's pool, so the engine frees them with FreePool as in firmware.

  Package notifications run synchronously inside the call that causes them, in
  registration order: NEW after each package of a new list is added, ADD after each
  package an update adds, REMOVE before each package is removed, EXPORT before each
  package is exported.
**/
#ifndef EMULATOR_HII_SERVICES_H_
#define EMULATOR_HII_SERVICES_H_

#include <Uefi.h>
#include <Uefi/UefiHii.h>
#include <Protocol/HiiConfigAccess.h>
#include <Protocol/HiiDatabase.h>

#include <Emulator/Machine.h>
#include <EmulatorHii/StringPackage.h>

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace Emu {

struct HII_PACKAGE {
  UINT8                            Type = 0;
  std::vector<UINT8>               Bytes;    // the whole package, header included
  std::unique_ptr<STRING_PACKAGE>  Strings;  // decoded form of a string package
};

struct HII_PACKAGE_LIST {
  EFI_GUID                  Guid{};
  EFI_HANDLE                DriverHandle = nullptr;
  bool                      Live         = true;
  std::vector<HII_PACKAGE>  Packages;  // in list order; the END package is not kept
};

struct HII_NOTIFY_REGISTRATION {
  UINT8                         PackageType;
  EFI_GUID                      PackageGuid;
  EFI_HII_DATABASE_NOTIFY       Function;
  EFI_HII_DATABASE_NOTIFY_TYPE  NotifyType;
  bool                          Live;
};

struct GLYPH_CALL {
  CHAR16      Char;
  EFI_STATUS  Status;
  bool        Image;  // an image was handed out
};

struct HII_PROTOCOLS;

class HiiServices : public Device {
public:
  explicit HiiServices (Machine &Owner);
  ~HiiServices () override;
  HiiServices (const HiiServices &)            = delete;
  HiiServices &operator= (const HiiServices &) = delete;

  Machine    &Owner () { return mMachine; }
  EFI_HANDLE  Handle () const { return mHandle; }  // carries the four protocols
  // The interface of one of the four protocols (HII Database, String, Font,
  // Configuration Routing GUIDs); null for any other GUID.
  VOID       *Protocol (const EFI_GUID &Guid) const;

  // Database.
  EFI_STATUS NewPackageList (CONST EFI_HII_PACKAGE_LIST_HEADER *List, EFI_HANDLE DriverHandle,
               EFI_HII_HANDLE *Handle);
  EFI_STATUS RemovePackageList (EFI_HII_HANDLE Handle);
  EFI_STATUS UpdatePackageList (EFI_HII_HANDLE Handle, CONST EFI_HII_PACKAGE_LIST_HEADER *List);
  EFI_STATUS ListPackageLists (UINT8 PackageType, CONST EFI_GUID *PackageGuid, UINTN *HandleBufferLength,
               EFI_HII_HANDLE *Handles);
  EFI_STATUS ExportPackageLists (EFI_HII_HANDLE Handle, UINTN *BufferSize, VOID *Buffer);
  EFI_STATUS RegisterPackageNotify (UINT8 PackageType, CONST EFI_GUID *PackageGuid, EFI_HII_DATABASE_NOTIFY Function,
               EFI_HII_DATABASE_NOTIFY_TYPE NotifyType, EFI_HANDLE *NotifyHandle);
  EFI_STATUS UnregisterPackageNotify (EFI_HANDLE NotifyHandle);
  EFI_STATUS GetPackageListHandle (EFI_HII_HANDLE Handle, EFI_HANDLE *DriverHandle);

  // Strings. Languages are matched without regard to case.
  EFI_STATUS NewString (EFI_HII_HANDLE Handle, EFI_STRING_ID *StringId, CONST CHAR8 *Language,
               CONST CHAR16 *LanguageName, CONST CHAR16 *String);
  EFI_STATUS GetString (CONST CHAR8 *Language, EFI_HII_HANDLE Handle, EFI_STRING_ID StringId, CHAR16 *String,
               UINTN *StringSize);
  EFI_STATUS SetString (EFI_HII_HANDLE Handle, EFI_STRING_ID StringId, CONST CHAR8 *Language,
               CONST CHAR16 *String);
  EFI_STATUS GetLanguages (EFI_HII_HANDLE Handle, CHAR8 *Languages, UINTN *LanguagesSize);

  // Test and program view of the database.
  std::vector<EFI_HII_HANDLE>   PackageLists () const;  // live lists in creation order
  const HII_PACKAGE_LIST       *Find (EFI_HII_HANDLE Handle) const;
  std::optional<std::u16string> String (EFI_HII_HANDLE Handle, const std::string &Language, EFI_STRING_ID Id) const;
  std::vector<std::string>      Languages (EFI_HII_HANDLE Handle) const;

  // Loads ExportPackageLists output (lists back to back). With WithDrivers, every
  // list that holds a device-path package gets a new driver handle carrying that
  // device path, as the driver that published it had. Stops at the first malformed
  // list with EFI_INVALID_PARAMETER; the lists before it stay loaded.
  EFI_STATUS LoadExport (CONST UINT8 *Bytes, UINTN Size, bool WithDrivers, std::vector<EFI_HII_HANDLE> *Handles);
  EFI_STATUS LoadExportFile (const std::string &Path, bool WithDrivers, std::vector<EFI_HII_HANDLE> *Handles);

  // Font controls. A glyph-less character gets success and no image; a failing one
  // gets the status given. Calls are counted and logged per GetGlyph.
  void       SetGlyphless (CHAR16 Char) { mGlyphless.insert (Char); }
  void       SetGlyphFailure (CHAR16 Char, EFI_STATUS Status) { mGlyphFailures[Char] = Status; }
  void       ClearGlyphControls () { mGlyphless.clear (); mGlyphFailures.clear (); }
  // 8 for narrow, 16 for wide, 0 when the fake font has no glyph for the code unit.
  UINT16     GlyphWidth (CHAR16 Char) const;
  UINTN      GlyphCalls () const { return mGlyphLog.size (); }
  UINTN      GlyphCallsFor (CHAR16 Char) const;
  const std::vector<GLYPH_CALL> &GlyphLog () const { return mGlyphLog; }
  void       ClearGlyphLog () { mGlyphLog.clear (); }
  // The pixel rows of the fake glyph: bit 15 - x set when pixel x is lit.
  UINT16     GlyphRow (CHAR16 Char, UINTN Row) const;
  void       LogGlyph (const GLYPH_CALL &Call) { mGlyphLog.push_back (Call); }
  EFI_STATUS GlyphFailure (CHAR16 Char) const;
  bool       IsGlyphless (CHAR16 Char) const { return mGlyphless.count (Char) != 0; }

  // Configuration routing: the configuration-access interface of the driver that owns
  // a package list whose driver handle has PATH as its device path.
  EFI_HII_CONFIG_ACCESS_PROTOCOL *FindConfigAccess (const std::vector<UINT8> &Path, CONST EFI_GUID &Guid,
                                    const std::u16string &Name);

private:
  HII_PACKAGE_LIST *FindList (EFI_HII_HANDLE Handle) const;
  EFI_STATUS        ParseList (CONST EFI_HII_PACKAGE_LIST_HEADER *List, std::vector<HII_PACKAGE> *Packages) const;
  void              Notify (HII_PACKAGE_LIST *List, UINTN Index, EFI_HII_DATABASE_NOTIFY_TYPE NotifyType);
  void              AddPackages (HII_PACKAGE_LIST *List, std::vector<HII_PACKAGE> &&Packages,
                      EFI_HII_DATABASE_NOTIFY_TYPE NotifyType);
  void              AddDevicePathPackage (HII_PACKAGE_LIST *List);
  UINTN             ExportSize (const HII_PACKAGE_LIST &List) const;
  HII_PACKAGE      *StringPackage (HII_PACKAGE_LIST *List, const std::string &Language) const;
  bool              DriverDeclaresStore (EFI_HANDLE Driver, CONST EFI_GUID &Guid, const std::u16string &Name,
                      bool *HasStores) const;

  Machine                                             &mMachine;
  std::unique_ptr<HII_PROTOCOLS>                      mProtocols;
  EFI_HANDLE                                          mHandle = nullptr;
  std::vector<std::unique_ptr<HII_PACKAGE_LIST>>      mLists;  // removed ones stay, so stale handles stay detectable
  std::vector<std::unique_ptr<HII_NOTIFY_REGISTRATION>> mNotifies;  // live ones, in registration order
  // Unregistered ones stay allocated, so a stale notify handle never names a new
  // registration; kept apart, they cost nothing to the notifications that follow.
  std::vector<std::unique_ptr<HII_NOTIFY_REGISTRATION>> mRetiredNotifies;
  std::set<CHAR16>                                    mGlyphless;
  std::map<CHAR16, EFI_STATUS>                        mGlyphFailures;
  std::vector<GLYPH_CALL>                             mGlyphLog;
};

}  // namespace Emu

#endif

/** @file
  Unicode collation (the current protocol, languages "en", and optionally the older
  one, "eng"): case-insensitive compare, MetaiMatch patterns, case mapping of ASCII
  and Latin-1 letters, and FAT name conversion.
**/
#ifndef EMULATOR_UNICODE_COLLATION_H_
#define EMULATOR_UNICODE_COLLATION_H_

#include <Uefi.h>
#include <Protocol/UnicodeCollation.h>

#include <Emulator/Machine.h>

#include <memory>

namespace Emu {

struct COLLATION_PRIVATE;

class UnicodeCollation : public Device {
public:
  // Installs Collation 2 on a new handle, and the older protocol too when asked.
  UnicodeCollation (Machine &Owner, bool WithOlderProtocol);
  ~UnicodeCollation () override;

  EFI_UNICODE_COLLATION_PROTOCOL *Protocol ();

private:
  std::unique_ptr<COLLATION_PRIVATE>  mPrivate;
};

}  // namespace Emu

#endif

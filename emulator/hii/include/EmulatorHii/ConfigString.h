/** @file
  HII configuration strings: "GUID=..&NAME=..&PATH=.." headers, OFFSET/WIDTH/VALUE
  elements, and the block conversions of Configuration Routing.

  Positions are indexes into the text. Where a conversion fails, ErrorAt names the
  character the caller's Progress must point at: the most recent "&" before the
  fault, or the start of the configuration when the fault lies before any "&".
  Every walk stops at the end of the view; nothing relies on a terminator.
**/
#ifndef EMULATOR_HII_CONFIG_STRING_H_
#define EMULATOR_HII_CONFIG_STRING_H_

#include <Uefi.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Emu {

struct CONFIG_HEADER {
  EFI_GUID            Guid;
  std::u16string      Name;  // empty for a name/value store
  std::vector<UINT8>  Path;  // device path bytes in memory order, as sent
  UINTN               End;   // index just past the PATH digits
};

// Lower-case hex of bytes in memory order ("GUID=", "PATH=").
std::u16string HexBytes (const VOID *Bytes, UINTN Size);
// Lower-case hex of bytes last byte first ("VALUE=").
std::u16string HexValue (const VOID *Bytes, UINTN Size);
// A number in lower-case hex without leading zeros ("OFFSET=", "WIDTH=").
std::u16string HexNumberText (UINT64 Value);
// Four lower-case hex digits per character ("NAME=").
std::u16string HexName (std::u16string_view Name);

// The three header elements of a configuration starting at Start.
bool ParseConfigHeader (std::u16string_view Text, UINTN Start, CONFIG_HEADER *Header, UINTN *ErrorAt);

// Index ranges [first, second) of the configurations of a multi-configuration
// string, split before each "&GUID=". Empty when the text does not start with "GUID=".
std::vector<std::pair<UINTN, UINTN>> SplitConfigs (std::u16string_view Text);

// BlockToConfig over text: Config gets the header, and each OFFSET/WIDTH element
// of the request as written followed by "&VALUE=". EFI_DEVICE_ERROR when an
// element reaches past BlockSize.
EFI_STATUS BlockToConfigText (std::u16string_view Request, const UINT8 *Block, UINTN BlockSize,
             std::u16string *Config, UINTN *ErrorAt);

// ConfigToBlock over text. The GUID/NAME/PATH header may be left out; the block
// elements end at the end or at the first pair that is not OFFSET/WIDTH/VALUE.
// Needed is the block size the response requires (largest OFFSET + WIDTH); Block
// is written only when the whole response parsed and Needed <= BlockSize
// (otherwise EFI_DEVICE_ERROR). Block may be null to measure.
EFI_STATUS ConfigToBlockText (std::u16string_view Response, UINT8 *Block, UINTN BlockSize,
             UINTN *Needed, UINTN *ErrorAt);

}  // namespace Emu

#endif

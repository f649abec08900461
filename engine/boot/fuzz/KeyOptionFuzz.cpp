// Fuzz target of the "Key####" option reader. The input is the variable's data,
// copied into a buffer of exactly its size, as the variable services hand it over. An
// accepted option must be exactly its head and the keys it lists, and its record must
// hold what those bytes say; a refused one leaves an empty record.
#include <engine/textui/Hotkeys.h>
#include <Guid/GlobalVariable.h>
#include <Protocol/SimpleTextInEx.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace {

UINT32
ReadAt (const uint8_t *Data, size_t Offset, size_t Bytes)
{
  UINT32  Value = 0;

  std::memcpy (&Value, Data + Offset, Bytes);
  return Value;
}

// Both bits of a modifier pair, or neither; the bits above them are not patterns.
bool
ShiftPatternIsWellFormed (UINT32 Pattern)
{
  static const UINT32  kPairs[] = { 0x3, 0xC, 0x30, 0xC0 };

  if (((Pattern & EFI_SHIFT_STATE_VALID) == 0) || ((Pattern & ~(EFI_SHIFT_STATE_VALID | 0x3FFU)) != 0)) {
    return false;
  }
  for (UINT32 Pair : kPairs) {
    if (((Pattern & Pair) != 0) && ((Pattern & Pair) != Pair)) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int
LLVMFuzzerTestOneInput (const uint8_t *Data, size_t Size)
{
  std::unique_ptr<UINT8[]>  Option (new UINT8[Size]);
  BOOT_KEY_OPTION_INFO      Info;
  static const BOOT_KEY_OPTION_INFO  kEmpty = {};

  if (Size != 0) {
    std::memcpy (Option.get (), Data, Size);
  }

  if (EFI_ERROR (ParseBootKeyOption (Size == 0 ? nullptr : Option.get (), Size, &Info))) {
    if (std::memcmp (&Info, &kEmpty, sizeof (Info)) != 0) {
      __builtin_trap ();  // a refused option leaves nothing behind
    }
    return 0;
  }

  if (Size < sizeof (EFI_KEY_OPTION)) {
    __builtin_trap ();
  }
  UINT32  KeyData = ReadAt (Data, offsetof (EFI_KEY_OPTION, KeyData), 4);
  UINTN   Count   = EFI_KEY_OPTION_INPUT_KEY_COUNT (KeyData);
  if ((Count == 0) || (Size != sizeof (EFI_KEY_OPTION) + Count * sizeof (EFI_INPUT_KEY))) {
    __builtin_trap ();  // accepted bytes are exactly the head and the listed keys
  }
  if ((Info.BootOption != ReadAt (Data, offsetof (EFI_KEY_OPTION, BootOption), 2)) ||
      (Info.BootOptionCrc != ReadAt (Data, offsetof (EFI_KEY_OPTION, BootOptionCrc), 4)) ||
      !ShiftPatternIsWellFormed (Info.ShiftPattern)) {
    __builtin_trap ();
  }
  // Every listed key's code and character are part of the record, and nothing else is.
  UINT32  ScanCodes = 0, Chars = 0;
  for (UINTN Key = 0; Key < Count; Key++) {
    size_t  At = sizeof (EFI_KEY_OPTION) + Key * sizeof (EFI_INPUT_KEY);
    ScanCodes |= ReadAt (Data, At + offsetof (EFI_INPUT_KEY, ScanCode), 2);
    Chars     |= ReadAt (Data, At + offsetof (EFI_INPUT_KEY, UnicodeChar), 2);
  }
  if ((Info.ScanCode != ScanCodes) || (Info.UnicodeChar != Chars)) {
    __builtin_trap ();
  }
  return 0;
}

/** @file
  Line output for the QEMU loader. Every result line starts with "setup-qemu: " so the
  boot test can pick the loader's lines out of the firmware's own console output.
**/
#ifndef QEMU_LOADER_CONSOLE_H_
#define QEMU_LOADER_CONSOLE_H_

#include <Uefi.h>

namespace loader {

// A fixed-size UTF-16 line; text past its capacity is dropped, never written out of bounds.
class Line {
public:
  Line ();
  Line &Text (const CHAR16 *Text);
  Line &Ascii (const CHAR8 *Text);
  Line &Hex (UINT64 Value);
  Line &Decimal (UINT64 Value);
  Line &Status (EFI_STATUS Status);
  Line &Guid (const EFI_GUID &Guid);
  Line &YesNo (bool Value);
  // Prints the line (with the prefix and CR LF) on the console.
  void Print ();

private:
  void                   Put (CHAR16 C);
  static constexpr UINTN kCapacity = 240;
  CHAR16                 mText[kCapacity + 1];
  UINTN                  mLength;
};

void
SetConsole (
  IN EFI_SYSTEM_TABLE  *SystemTable
  );

}  // namespace loader

#endif

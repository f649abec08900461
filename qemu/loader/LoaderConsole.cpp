#include "LoaderConsole.h"

#include <Protocol/SimpleTextOut.h>

namespace loader {
namespace {

EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL *gConOut;

const CHAR16 kPrefix[] = u"setup-qemu: ";

struct StatusName {
  EFI_STATUS    Status;
  const CHAR16 *Name;
};

// The statuses a loader or a driver start-up plausibly returns, by their firmware names.
const StatusName kStatusNames[] = {
  { EFI_SUCCESS, u"Success" },
  { EFI_LOAD_ERROR, u"Load Error" },
  { EFI_INVALID_PARAMETER, u"Invalid Parameter" },
  { EFI_UNSUPPORTED, u"Unsupported" },
  { EFI_BUFFER_TOO_SMALL, u"Buffer Too Small" },
  { EFI_NOT_READY, u"Not Ready" },
  { EFI_DEVICE_ERROR, u"Device Error" },
  { EFI_OUT_OF_RESOURCES, u"Out of Resources" },
  { EFI_VOLUME_CORRUPTED, u"Volume Corrupt" },
  { EFI_NOT_FOUND, u"Not Found" },
  { EFI_ACCESS_DENIED, u"Access Denied" },
  { EFI_ALREADY_STARTED, u"Already started" },
  { EFI_SECURITY_VIOLATION, u"Security Violation" },
};

}  // namespace

void
SetConsole (
  IN EFI_SYSTEM_TABLE  *SystemTable
  )
{
  gConOut = SystemTable->ConOut;
}

Line::Line (
  )
  : mLength (0)
{
  Text (kPrefix);
}

void
Line::Put (
  IN CHAR16  C
  )
{
  if (mLength < kCapacity) {
    mText[mLength++] = C;
  }
}

Line &
Line::Text (
  IN const CHAR16  *Text
  )
{
  for (; Text != nullptr && *Text != 0; ++Text) {
    Put (*Text);
  }
  return *this;
}

Line &
Line::Ascii (
  IN const CHAR8  *Text
  )
{
  for (; Text != nullptr && *Text != 0; ++Text) {
    Put (CHAR16 (UINT8 (*Text)));
  }
  return *this;
}

Line &
Line::Hex (
  IN UINT64  Value
  )
{
  Text (u"0x");
  bool Started = false;
  for (int Shift = 60; Shift >= 0; Shift -= 4) {
    const UINT8 Digit = UINT8 ((Value >> Shift) & 0xF);
    Started           = Started || Digit != 0 || Shift == 0;
    if (Started) {
      Put (CHAR16 (Digit < 10 ? u'0' + Digit : u'A' + Digit - 10));
    }
  }
  return *this;
}

Line &
Line::Decimal (
  IN UINT64  Value
  )
{
  CHAR16 Digits[20];
  int    Count = 0;
  do {
    Digits[Count++] = CHAR16 (u'0' + Value % 10);
    Value /= 10;
  } while (Value != 0);
  while (Count > 0) {
    Put (Digits[--Count]);
  }
  return *this;
}

Line &
Line::Status (
  IN EFI_STATUS  Status
  )
{
  for (const StatusName &Entry : kStatusNames) {
    if (Entry.Status == Status) {
      return Text (Entry.Name);
    }
  }
  return Text (u"status ").Hex (Status);
}

Line &
Line::Guid (
  IN const EFI_GUID  &Guid
  )
{
  auto Hex = [this] (UINT64 V, int Digits) {
    for (int Shift = (Digits - 1) * 4; Shift >= 0; Shift -= 4) {
      const UINT8 D = UINT8 ((V >> Shift) & 0xF);
      Put (CHAR16 (D < 10 ? u'0' + D : u'A' + D - 10));
    }
  };
  Hex (Guid.Data1, 8);
  Put (u'-');
  Hex (Guid.Data2, 4);
  Put (u'-');
  Hex (Guid.Data3, 4);
  Put (u'-');
  for (int I = 0; I < 8; ++I) {
    if (I == 2) {
      Put (u'-');
    }
    Hex (Guid.Data4[I], 2);
  }
  return *this;
}

Line &
Line::YesNo (
  IN bool  Value
  )
{
  return Text (Value ? u"yes" : u"no");
}

void
Line::Print ()
{
  Put (u'\r');
  Put (u'\n');
  // A full line still ends in CR LF, so the test never sees two results glued together.
  if (mLength == kCapacity) {
    mText[kCapacity - 2] = u'\r';
    mText[kCapacity - 1] = u'\n';
  }
  mText[mLength] = 0;
  if (gConOut != nullptr) {
    gConOut->OutputString (gConOut, mText);  // nothing to do on failure
  }
}

}  // namespace loader

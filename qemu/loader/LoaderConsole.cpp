#include "LoaderConsole.h"

#include <Protocol/SimpleTextOut.h>

namespace loader {
namespace {

EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL* gConOut;

const CHAR16 kPrefix[] = u"setup-qemu: ";

struct StatusName {
  EFI_STATUS status;
  const CHAR16* name;
};

// The statuses a loader or a driver start-up plausibly returns, by their firmware names.
const StatusName kStatusNames[] = {
    {EFI_SUCCESS, u"Success"},
    {EFI_LOAD_ERROR, u"Load Error"},
    {EFI_INVALID_PARAMETER, u"Invalid Parameter"},
    {EFI_UNSUPPORTED, u"Unsupported"},
    {EFI_BUFFER_TOO_SMALL, u"Buffer Too Small"},
    {EFI_NOT_READY, u"Not Ready"},
    {EFI_DEVICE_ERROR, u"Device Error"},
    {EFI_OUT_OF_RESOURCES, u"Out of Resources"},
    {EFI_VOLUME_CORRUPTED, u"Volume Corrupt"},
    {EFI_NOT_FOUND, u"Not Found"},
    {EFI_ACCESS_DENIED, u"Access Denied"},
    {EFI_ALREADY_STARTED, u"Already started"},
    {EFI_SECURITY_VIOLATION, u"Security Violation"},
};

}  // namespace

void SetConsole(EFI_SYSTEM_TABLE* systemTable) { gConOut = systemTable->ConOut; }

Line::Line() : mLength(0) { Text(kPrefix); }

void Line::Put(CHAR16 c) {
  if (mLength < kCapacity) mText[mLength++] = c;
}

Line& Line::Text(const CHAR16* text) {
  for (; text != nullptr && *text != 0; ++text) Put(*text);
  return *this;
}

Line& Line::Ascii(const CHAR8* text) {
  for (; text != nullptr && *text != 0; ++text) Put(CHAR16(UINT8(*text)));
  return *this;
}

Line& Line::Hex(UINT64 value) {
  Text(u"0x");
  bool started = false;
  for (int shift = 60; shift >= 0; shift -= 4) {
    const UINT8 digit = UINT8((value >> shift) & 0xF);
    started = started || digit != 0 || shift == 0;
    if (started) Put(CHAR16(digit < 10 ? u'0' + digit : u'A' + digit - 10));
  }
  return *this;
}

Line& Line::Decimal(UINT64 value) {
  CHAR16 digits[20];
  int count = 0;
  do {
    digits[count++] = CHAR16(u'0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (count > 0) Put(digits[--count]);
  return *this;
}

Line& Line::Status(EFI_STATUS status) {
  for (const StatusName& entry : kStatusNames)
    if (entry.status == status) return Text(entry.name);
  return Text(u"status ").Hex(status);
}

Line& Line::Guid(const EFI_GUID& guid) {
  auto hex = [this](UINT64 v, int digits) {
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) {
      const UINT8 d = UINT8((v >> shift) & 0xF);
      Put(CHAR16(d < 10 ? u'0' + d : u'A' + d - 10));
    }
  };
  hex(guid.Data1, 8);
  Put(u'-');
  hex(guid.Data2, 4);
  Put(u'-');
  hex(guid.Data3, 4);
  Put(u'-');
  for (int i = 0; i < 8; ++i) {
    if (i == 2) Put(u'-');
    hex(guid.Data4[i], 2);
  }
  return *this;
}

Line& Line::YesNo(bool value) { return Text(value ? u"yes" : u"no"); }

void Line::Print() {
  Put(u'\r');
  Put(u'\n');
  // A full line still ends in CR LF, so the test never sees two results glued together.
  if (mLength == kCapacity) {
    mText[kCapacity - 2] = u'\r';
    mText[kCapacity - 1] = u'\n';
  }
  mText[mLength] = 0;
  if (gConOut != nullptr) gConOut->OutputString(gConOut, mText);  // nothing to do on failure
}

}  // namespace loader

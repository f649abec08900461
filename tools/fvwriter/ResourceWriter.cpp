#include "ResourceWriter.h"

namespace fvwriter {
namespace {

constexpr uint16_t kMemoryFlagsMoveablePure = 0x0030;  // what resource compilers write

void Put16(Bytes& out, uint16_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}
void Put32(Bytes& out, uint32_t v) {
  Put16(out, uint16_t(v));
  Put16(out, uint16_t(v >> 16));
}
void PadTo4(Bytes& out) {
  while (out.size() % 4 != 0) out.push_back(0);
}

// One entry; `type` empty means the numeric type 0 of the leading empty entry.
void AppendEntry(Bytes& out, std::u16string_view type, uint16_t nameId, uint16_t language,
                 uint16_t memoryFlags, const Bytes& data) {
  Bytes ident;
  if (type.empty()) {
    Put16(ident, 0xFFFF);
    Put16(ident, 0);
  } else {
    for (char16_t c : type) Put16(ident, uint16_t(c));
    Put16(ident, 0);
  }
  Put16(ident, 0xFFFF);
  Put16(ident, nameId);
  PadTo4(ident);  // the fixed fields that follow are 4-byte aligned
  const size_t headerSize = 8 + ident.size() + 16;
  const size_t start = out.size();
  Put32(out, uint32_t(data.size()));
  Put32(out, uint32_t(headerSize));
  out.insert(out.end(), ident.begin(), ident.end());
  Put32(out, 0);  // data version
  Put16(out, memoryFlags);
  Put16(out, language);
  Put32(out, 0);  // version
  Put32(out, 0);  // characteristics
  if (out.size() - start != headerSize) throw FormatError("resource header size");
  out.insert(out.end(), data.begin(), data.end());
  PadTo4(out);
}

}  // namespace

Bytes MakeResourceFile(std::u16string_view type, uint16_t nameId, uint16_t language,
                       const Bytes& data) {
  if (type.empty()) throw FormatError("resource type name is empty");
  if (data.size() > 0xFFFFFFF0u) throw FormatError("resource too large");
  Bytes out;
  // A .res file opens with an empty entry that marks it as a 32-bit resource file.
  AppendEntry(out, u"", 0, 0, 0, {});
  AppendEntry(out, type, nameId, language, kMemoryFlagsMoveablePure, data);
  return out;
}

}  // namespace fvwriter

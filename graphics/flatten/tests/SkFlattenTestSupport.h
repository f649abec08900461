// Test support shared by the suites that check flattened layouts word by word.
#ifndef GRAPHICS_FLATTEN_TESTS_SKFLATTENTESTSUPPORT_H_
#define GRAPHICS_FLATTEN_TESTS_SKFLATTENTESTSUPPORT_H_

#include <cstdint>
#include <string>
#include <vector>

#include "graphics/flatten/SkFlattenable.h"

// Layouts are specified in 32-bit words, and the writer always pads to a whole word.
inline std::vector<uint32_t> words_of (const SkFlattenableWriteBuffer &buffer)
{
    std::vector<uint32_t> words (buffer.size () / 4);
    buffer.flatten (words.data ());
    return words;
}

// Bytes written out as hex digit pairs ("0a1B..."), the way hand-made layouts are spelled.
inline std::vector<uint8_t> hex (const std::string &text)
{
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i + 1 < text.size (); i += 2) bytes.push_back ((uint8_t)std::stoul (text.substr (i, 2), nullptr, 16));
    return bytes;
}

#endif

// Test support shared by the suites that check flattened layouts word by word.
#ifndef GRAPHICS_FLATTEN_TESTS_SKFLATTENTESTSUPPORT_H_
#define GRAPHICS_FLATTEN_TESTS_SKFLATTENTESTSUPPORT_H_

#include <cstdint>
#include <vector>

#include "graphics/flatten/SkFlattenable.h"

// Layouts are specified in 32-bit words, and the writer always pads to a whole word.
inline std::vector<uint32_t> words_of (const SkFlattenableWriteBuffer &buffer)
{
    std::vector<uint32_t> words (buffer.size () / 4);
    buffer.flatten (words.data ());
    return words;
}

#endif

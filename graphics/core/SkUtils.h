/*
 * Fills of 16- and 32-bit units, and UTF-8 / UTF-16 decoding bounded by the end of the text.
 */
#ifndef GRAPHICS_CORE_SKUTILS_H_
#define GRAPHICS_CORE_SKUTILS_H_

#include "graphics/core/SkProcForm.h"

typedef void (*SkMemset16Proc) (uint16_t *dst, uint16_t value, int count);
typedef void (*SkMemset32Proc) (uint32_t *dst, uint32_t value, int count);

// The fill procedures of the library: the form SkSetProcForm chose (the SSE2 form unless the
// plain one was asked for or the build has no other).
extern SkMemset16Proc sk_memset16;
extern SkMemset32Proc sk_memset32;

// The plain forms (the reference) and the SSE2 forms (SkUtils_sse2.cpp); equal results.
void sk_memset16_portable (uint16_t *dst, uint16_t value, int count);
void sk_memset32_portable (uint32_t *dst, uint32_t value, int count);
#if SK_PROCS_HAVE_VECTOR
void sk_memset16_SSE2 (uint16_t *dst, uint16_t value, int count);
// Large fills run as string stores, which every x86-64 processor streams at the memory's
// full write speed, and very large ones bypass the caches.
void sk_memset32_SSE2 (uint32_t *dst, uint32_t value, int count);
#endif

// Decodes one UTF-8 sequence at *ptr and advances *ptr past it. The number of leading one
// bits of the lead byte, less one, gives the number of continuation bytes; nothing else is
// validated. A sequence that would cross `end` consumes the bytes up to `end` and yields the
// lead byte's own value. At or past `end` it returns 0 and reads nothing.
SkUnichar SkUTF8_NextUnichar (const char **ptr, const char *end);
// Number of code points in byteLength bytes, counted by the same rule.
int SkUTF8_CountUnichars (const char *text, size_t byteLength);

// Decodes one UTF-16 code point forward: a high surrogate (u & 0xFC00 == 0xD800) combines
// with the next unit as ((u - 0xD7F7) << 10) + next, both consumed; at `end` it yields its
// own value. At or past `end` it returns 0 and reads nothing.
SkUnichar SkUTF16_NextUnichar (const uint16_t **ptr, const uint16_t *end);
// Backward: *ptr is moved back one code point. A low surrogate (u & 0xFC00 == 0xDC00) after
// `start` combines with the unit before it as u + (prev << 10) - 0x35FDC00. At `start`
// it returns 0 and reads nothing.
SkUnichar SkUTF16_PrevUnichar (const uint16_t **ptr, const uint16_t *start);
int SkUTF16_CountUnichars (const uint16_t *text, size_t unitCount);

#endif

/*
 * Plain fill loops, the choice of the procedure forms, and the UTF decoders.
 */
#include "graphics/core/SkUtils.h"

namespace {

typedef uint32_t __attribute__ ((may_alias)) AliasU32;

// Both encodings count alike: every step of the decoder, malformed or not, is one character.
template <typename T> int count_unichars (const T *text, const T *end, SkUnichar (*next) (const T **, const T *))
{
    int count = 0;
    while (text < end) {
        next (&text, end);
        count++;
    }
    return count;
}

} // namespace

#if SK_PROCS_HAVE_VECTOR
SkMemset16Proc sk_memset16 = sk_memset16_SSE2;
SkMemset32Proc sk_memset32 = sk_memset32_SSE2;
static SkProcForm gProcForm = kVector_SkProcForm;
#else
SkMemset16Proc sk_memset16 = sk_memset16_portable;
SkMemset32Proc sk_memset32 = sk_memset32_portable;
static SkProcForm gProcForm = kPortable_SkProcForm;
#endif

SkProcForm SkGetProcForm () { return gProcForm; }

SkProcForm SkSetProcForm (SkProcForm form)
{
#if SK_PROCS_HAVE_VECTOR
    gProcForm = form == kVector_SkProcForm ? kVector_SkProcForm : kPortable_SkProcForm;
    sk_memset16 = gProcForm == kVector_SkProcForm ? sk_memset16_SSE2 : sk_memset16_portable;
    sk_memset32 = gProcForm == kVector_SkProcForm ? sk_memset32_SSE2 : sk_memset32_portable;
#else
    (void)form;     // only the plain forms exist
#endif
    return gProcForm;
}

void sk_memset16_portable (uint16_t *dst, uint16_t value, int count)
{
    if (count <= 0) {
        return;
    }
    if (count < 8) {
        do {
            *dst++ = value;
        } while (--count != 0);
        return;
    }
    if (((uintptr_t)dst & 2) != 0) {
        *dst++ = value;
        count--;
    }
    uint32_t pair = ((uint32_t)value << 16) | value;
    AliasU32 *dst32 = (AliasU32 *)dst;
    for (int n = count >> 1; n > 0; n--) {
        *dst32++ = pair;
    }
    if ((count & 1) != 0) {
        *(uint16_t *)dst32 = value;
    }
}

void sk_memset32_portable (uint32_t *dst, uint32_t value, int count)
{
    for (; count > 0; count--) {
        *dst++ = value;
    }
}

SkUnichar SkUTF8_NextUnichar (const char **ptr, const char *end)
{
    const uint8_t *p = (const uint8_t *)*ptr;
    if (p >= (const uint8_t *)end) {
        return 0;
    }
    uint32_t lead = *p++;
    if (lead < 0x80) {
        *ptr = (const char *)p;
        return (SkUnichar)lead;
    }
    int ones = SkTMin (__builtin_clz (~(lead << 24)), 8);
    int continuations = ones - 1;
    if (continuations > (const uint8_t *)end - p) {
        *ptr = end;
        return (SkUnichar)lead;
    }
    uint32_t value = ones >= 7 ? 0 : (lead & ((1u << (7 - ones)) - 1));
    for (int i = 0; i < continuations; i++) {
        value = (value << 6) | (*p++ & 0x3F);
    }
    *ptr = (const char *)p;
    return (SkUnichar)value;
}

int SkUTF8_CountUnichars (const char *text, size_t byteLength)
{
    return count_unichars (text, text + byteLength, SkUTF8_NextUnichar);
}

SkUnichar SkUTF16_NextUnichar (const uint16_t **ptr, const uint16_t *end)
{
    const uint16_t *p = *ptr;
    if (p >= end) {
        return 0;
    }
    int32_t u = *p++;
    if ((u & 0xFC00) == 0xD800 && p < end) {
        u = ((u - 0xD7F7) << 10) + *p++;
    }
    *ptr = p;
    return u;
}

SkUnichar SkUTF16_PrevUnichar (const uint16_t **ptr, const uint16_t *start)
{
    const uint16_t *p = *ptr;
    if (p <= start) {
        return 0;
    }
    int32_t u = *--p;
    if ((u & 0xFC00) == 0xDC00 && p > start) {
        int32_t prev = *--p;
        u = u + (prev << 10) - 0x35FDC00;
    }
    *ptr = p;
    return u;
}

int SkUTF16_CountUnichars (const uint16_t *text, size_t unitCount)
{
    return count_unichars (text, text + unitCount, SkUTF16_NextUnichar);
}

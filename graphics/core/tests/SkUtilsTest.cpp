// 16- and 32-bit fills (plain against SSE2, and the choice between them) and bounded UTF-8 / UTF-16 decoding.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "graphics/core/SkUtils.h"

namespace {

const uint32_t kSeed = 20240601;
const int kGuard = 16;   // units of canary on each side of the filled row

// Fills a random row at `align` units past a 16-byte boundary with each form and requires
// the same units to change, to the value, with the canaries around the row untouched.
#if SK_PROCS_HAVE_VECTOR
template <typename T, typename Proc>
void check_fill_forms (Proc portable, Proc sse2, const char *name)
{
    std::mt19937 rng (kSeed);
    std::vector<int> lengths;
    for (int n = 0; n <= 67; n++) lengths.push_back (n);
    lengths.push_back (10007);
    const size_t unitsPer16 = 16 / sizeof (T);
    for (int align = 0; align < 16; align++) {
        for (int len : lengths) {
            T value = (T)rng ();
            size_t total = len + 2 * kGuard + 2 * unitsPer16 + 16;
            std::vector<T> a (total), b (total);
            for (size_t i = 0; i < total; i++) a[i] = (T)rng ();
            std::vector<T> before (a);
            size_t offA = (unitsPer16 - ((uintptr_t)a.data () & 15) / sizeof (T)) % unitsPer16 + kGuard + align;
            size_t offB = (unitsPer16 - ((uintptr_t)b.data () & 15) / sizeof (T)) % unitsPer16 + kGuard + align;
            for (size_t i = 0; i < total; i++) b[i] = (T)(before[(i + offA - offB + total) % total]);
            portable (a.data () + offA, value, len);
            sse2 (b.data () + offB, value, len);
            for (int i = -kGuard; i < len + kGuard; i++) {
                T expected = (i >= 0 && i < len) ? value : before[offA + i];
                ASSERT_EQ (a[offA + i], expected) << name << " portable, seed " << kSeed << " align "
                                                  << align << " len " << len << " index " << i;
                ASSERT_EQ (b[offB + i], expected) << name << " sse2, seed " << kSeed << " align "
                                                  << align << " len " << len << " index " << i;
            }
        }
    }
}

#endif

} // namespace

#if SK_PROCS_HAVE_VECTOR
// The plain and SSE2 forms write the same units and nothing outside them.
TEST (SkUtils, MemsetFormsAgree)
{
    check_fill_forms<uint16_t> (sk_memset16_portable, sk_memset16_SSE2, "memset16");
    check_fill_forms<uint32_t> (sk_memset32_portable, sk_memset32_SSE2, "memset32");
}

// Fills beyond the last-level cache bypass it; the result is the same.
TEST (SkUtils, VeryLargeFillEqualsPlain)
{
    const int count = (32 << 20) / 4 + 37;
    for (int align : { 0, 1, 3 }) {
        std::vector<uint32_t> a ((size_t)count + 8, 0x11111111), b ((size_t)count + 8, 0x11111111);
        sk_memset32_portable (a.data () + align, 0xCAFEF00D, count);
        sk_memset32_SSE2 (b.data () + align, 0xCAFEF00D, count);
        ASSERT_TRUE (a == b) << "align " << align;
    }
}

// The fill pointers follow the chosen form; the SSE2 form is the default.
TEST (SkUtils, FillPointersFollowTheChosenForm)
{
    EXPECT_EQ (SkGetProcForm (), kVector_SkProcForm);
    EXPECT_EQ (sk_memset16, &sk_memset16_SSE2);
    EXPECT_EQ (sk_memset32, &sk_memset32_SSE2);
    EXPECT_EQ (SkSetProcForm (kPortable_SkProcForm), kPortable_SkProcForm);
    EXPECT_EQ (sk_memset16, &sk_memset16_portable);
    EXPECT_EQ (sk_memset32, &sk_memset32_portable);
    uint32_t row32[40];
    sk_memset32 (row32, 0xDEADBEEF, 40);
    EXPECT_EQ (SkSetProcForm (kVector_SkProcForm), kVector_SkProcForm);
    EXPECT_EQ (sk_memset32, &sk_memset32_SSE2);
    for (int i = 0; i < 40; i++) EXPECT_EQ (row32[i], 0xDEADBEEFu);
}
#else
TEST (SkUtils, PortableBuildKeepsThePlainForms)
{
    EXPECT_EQ (SkSetProcForm (kVector_SkProcForm), kPortable_SkProcForm);
    EXPECT_EQ (sk_memset32, &sk_memset32_portable);
}
#endif

TEST (SkUtf8, DecodesOneToFourByteSequences)
{
    const char text[] = "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
    const char *p = text;
    const char *end = text + sizeof (text) - 1;
    EXPECT_EQ (SkUTF8_NextUnichar (&p, end), 0x41);
    EXPECT_EQ (SkUTF8_NextUnichar (&p, end), 0xE9);
    EXPECT_EQ (SkUTF8_NextUnichar (&p, end), 0x20AC);
    EXPECT_EQ (SkUTF8_NextUnichar (&p, end), 0x1F600);
    EXPECT_EQ (p, end);
    EXPECT_EQ (SkUTF8_CountUnichars (text, sizeof (text) - 1), 4);
}

// Nothing is validated: a lone continuation byte is its low 6 bits, one byte long.
TEST (SkUtf8, ContinuationByteAloneIsOneUnit)
{
    const char text[] = "\x85Z";
    const char *p = text;
    EXPECT_EQ (SkUTF8_NextUnichar (&p, text + 2), 0x05);
    EXPECT_EQ (p, text + 1);
}

// A lead byte whose sequence would cross the end no longer reads past it: it consumes the
// rest and yields its own value.
TEST (SkUtf8, TruncatedSequenceStopsAtEnd)
{
    const char text[] = "\xE2\x82\xAC";
    const char *p = text;
    EXPECT_EQ (SkUTF8_NextUnichar (&p, text + 2), 0xE2);
    EXPECT_EQ (p, text + 2);
    p = text;
    EXPECT_EQ (SkUTF8_NextUnichar (&p, text + 1), 0xE2);
    EXPECT_EQ (p, text + 1);
    EXPECT_EQ (SkUTF8_CountUnichars (text, 2), 1);
    p = text + 1;
    EXPECT_EQ (SkUTF8_NextUnichar (&p, text + 1), 0);   // at the end: nothing read
    EXPECT_EQ (p, text + 1);
}

TEST (SkUtf16, SurrogatePairsForwardAndBackward)
{
    const uint16_t text[] = { 0x41, 0xD83D, 0xDE00, 0xDC00, 0x42 };
    const uint16_t *p = text;
    const uint16_t *end = text + 5;
    EXPECT_EQ (SkUTF16_NextUnichar (&p, end), 0x41);
    EXPECT_EQ (SkUTF16_NextUnichar (&p, end), 0x1F600);
    EXPECT_EQ (SkUTF16_NextUnichar (&p, end), 0xDC00);   // a lone low surrogate is its own value
    EXPECT_EQ (SkUTF16_NextUnichar (&p, end), 0x42);
    EXPECT_EQ (p, end);
    EXPECT_EQ (SkUTF16_CountUnichars (text, 5), 4);

    const uint16_t *q = text + 3;
    EXPECT_EQ (SkUTF16_PrevUnichar (&q, text), 0x1F600);
    EXPECT_EQ (q, text + 1);
}

// A high surrogate as the last unit yields its own value instead of reading past the end.
TEST (SkUtf16, HighSurrogateAtEndStopsAtEnd)
{
    const uint16_t text[] = { 0x41, 0xD83D, 0xDE00 };
    const uint16_t *p = text + 1;
    EXPECT_EQ (SkUTF16_NextUnichar (&p, text + 2), 0xD83D);
    EXPECT_EQ (p, text + 2);
    const uint16_t *q = text + 3;
    EXPECT_EQ (SkUTF16_PrevUnichar (&q, text + 2), 0xDE00);   // nothing before the start
    EXPECT_EQ (q, text + 2);
    EXPECT_EQ (SkUTF16_PrevUnichar (&q, text + 2), 0);
    EXPECT_EQ (SkUTF16_NextUnichar (&p, text + 2), 0);
}

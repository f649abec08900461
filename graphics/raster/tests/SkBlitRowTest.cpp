// Row procedures: exact one-pixel formulas, and every SSE2 form bit-equal to its plain form
// over random rows at every destination alignment.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "graphics/core/SkColorPriv.h"
#include "graphics/raster/SkBlitRow.h"
#include "graphics/raster/SkBlitRowPriv.h"

namespace {

const uint32_t kSeed = 0x5EED2026;

#if SK_PROCS_HAVE_VECTOR
// A random premultiplied pixel; a quarter of them fully transparent or opaque.
uint32_t random_pm (std::mt19937 &rng)
{
    uint32_t pick = rng () % 8;
    uint32_t a = pick == 0 ? 0 : (pick == 1 ? 255 : rng () % 256);
    auto ch = [&] { return a == 0 ? 0u : (uint32_t)(rng () % (a + 1)); };
    return SkPackARGB32 (a, ch (), ch (), ch ());
}

// A row placed at a chosen byte offset from a 16-byte boundary, with canary words behind it.
struct GuardedRow {
    static const uint32_t kCanary = 0xDEADBEEF;
    std::vector<uint32_t> storage;
    uint32_t *row;
    int count;
    GuardedRow (int align, int n) : storage ((size_t)n + 16 + 8), count (n)
    {
        uintptr_t base = ((uintptr_t)storage.data () + 15) & ~(uintptr_t)15;
        row = (uint32_t *)(base + (uintptr_t)(align & 12));   // pixels are 4-byte aligned
        for (auto &w : storage) w = kCanary;
    }
    bool canariesIntact () const
    {
        for (const uint32_t *p = storage.data (); p < row; p++) if (*p != kCanary) return false;
        for (const uint32_t *p = row + count; p < storage.data () + storage.size (); p++)
            if (*p != kCanary) return false;
        return true;
    }
};

typedef void (*RowProc) (uint32_t *, const uint32_t *, int, unsigned);

void expect_same_rows (RowProc plain, RowProc sse2, const char *name)
{
    std::mt19937 rng (kSeed);
    std::vector<int> lengths;
    for (int n = 0; n <= 67; n++) lengths.push_back (n);
    lengths.push_back (4099);
    // Pixel rows start on 4-byte boundaries, so the destination takes the four offsets a
    // 16-byte vector can see; the source is misaligned against it as well.
    for (int align = 0; align < 16; align += 4) {
        for (int n : lengths) {
            unsigned alpha = rng () % 256;
            std::vector<uint32_t> src ((size_t)n + 1);
            for (auto &p : src) p = random_pm (rng);
            GuardedRow a (align, n), b (align, n);
            for (int i = 0; i < n; i++) a.row[i] = b.row[i] = random_pm (rng);
            const uint32_t *s = src.data () + (align & 4 ? 1 : 0);     // misalign the source too
            plain (a.row, s, n, alpha);
            sse2 (b.row, s, n, alpha);
            for (int i = 0; i < n; i++)
                ASSERT_EQ (a.row[i], b.row[i]) << name << " seed " << kSeed << " align " << align
                                               << " len " << n << " index " << i << " alpha " << alpha;
            ASSERT_TRUE (b.canariesIntact ()) << name << " align " << align << " len " << n;
        }
    }
}

#endif

} // namespace

#if SK_PROCS_HAVE_VECTOR
TEST (SkBlitRowSSE2, RowProceduresEqualPlain)
{
    expect_same_rows (SkBlitRowPlain::blitRowBlend32, SkBlitRowSSE2::blitRowBlend32, "blend");
    expect_same_rows (SkBlitRowPlain::blitRowSrcAlpha32, SkBlitRowSSE2::blitRowSrcAlpha32, "srcAlpha");
    expect_same_rows (SkBlitRowPlain::blitRowSrcAlphaBlend32, SkBlitRowSSE2::blitRowSrcAlphaBlend32, "srcAlphaBlend");
    // The harness's random alpha argument serves as a translucent colour.
    expect_same_rows ([] (uint32_t *d, const uint32_t *s, int n, unsigned a) {
        SkBlitRowPlain::color32 (d, s, n, SkPackARGB32 (a, a / 2, a / 3, a));
    }, [] (uint32_t *d, const uint32_t *s, int n, unsigned a) {
        SkBlitRowSSE2::color32 (d, s, n, SkPackARGB32 (a, a / 2, a / 3, a));
    }, "color32");
}

TEST (SkBlitRowSSE2, MaskRowsEqualPlain)
{
    std::mt19937 rng (kSeed);
    // Pixel rows can only start on 4-byte boundaries; the mask bytes take every offset 0..15.
    for (int align = 0; align < 16; align++) {
        for (int n = 0; n <= 67 + 4000; n += (n < 67 ? 1 : 4000)) {
            std::vector<uint8_t> mask ((size_t)n + 16);
            for (auto &m : mask) { uint32_t r = rng () % 4; m = r == 0 ? 0 : (r == 1 ? 255 : rng () % 256); }
            const uint8_t *mk = mask.data () + align;
            uint32_t pm = random_pm (rng);
            GuardedRow a (align, n), b (align, n), c (align, n), d (align, n);
            for (int i = 0; i < n; i++) a.row[i] = b.row[i] = c.row[i] = d.row[i] = random_pm (rng);
            SkBlitRowPlain::colorA8MaskRow (a.row, mk, n, pm);
            SkBlitRowSSE2::colorA8MaskRow (b.row, mk, n, pm);
            SkBlitRowPlain::colorA8MaskBlackRow (c.row, mk, n);
            SkBlitRowSSE2::colorA8MaskBlackRow (d.row, mk, n);
            for (int i = 0; i < n; i++) {
                ASSERT_EQ (a.row[i], b.row[i]) << "colorA8Mask seed " << kSeed << " align " << align << " len " << n << " index " << i;
                ASSERT_EQ (c.row[i], d.row[i]) << "colorA8MaskBlack seed " << kSeed << " align " << align << " len " << n << " index " << i;
            }
            ASSERT_TRUE (b.canariesIntact () && d.canariesIntact ());
        }
    }
}
#endif // SK_PROCS_HAVE_VECTOR

TEST (SkBlitRow, PremultiplyRoundsDivisionBy255)
{
    EXPECT_EQ (0x80808080u, SkPreMultiplyARGB (128, 255, 255, 255));
    EXPECT_EQ (0u, SkPreMultiplyARGB (0, 200, 100, 50));
    EXPECT_EQ (0xFF102030u, SkPreMultiplyARGB (255, 0x10, 0x20, 0x30));
    // 100 * 77 / 255 = 30.196 -> 30; 100 * 205 / 255 = 80.39 -> 80; 100 * 128 / 255 = 50.196 -> 50
    EXPECT_EQ (SkPackARGB32 (100, 30, 80, 50), SkPreMultiplyColor (SkColorSetARGB (100, 77, 205, 128)));
}

TEST (SkBlitRow, TableRowsFollowTheFormulas)
{
    uint32_t src[2] = { 0x80402010, 0xFF0000FF }, dst[2];
    // Index 0 copies.
    dst[0] = dst[1] = 0x12345678;
    SkBlitRow::Factory32 (0) (dst, src, 2, 255);
    EXPECT_EQ (src[0], dst[0]);
    EXPECT_EQ (src[1], dst[1]);
    // Index 1 at alpha 255 gives src exactly (scales 256 and 0).
    dst[0] = dst[1] = 0xFFFFFFFF;
    SkBlitRow::Factory32 (SkBlitRow::kGlobalAlpha_Flag) (dst, src, 2, 255);
    EXPECT_EQ (src[0], dst[0]);
    // Index 1 at alpha 127: src * 128 >> 8 + dst * 128 >> 8.
    dst[0] = 0xFFFFFFFF;
    SkBlitRow::Factory32 (SkBlitRow::kGlobalAlpha_Flag) (dst, src, 1, 127);
    EXPECT_EQ (0x40201008u + 0x7F7F7F7Fu, dst[0]);
    // Index 2: src + dst * (256 - 0x80) >> 8.
    dst[0] = 0xFFFFFFFF;
    SkBlitRow::Factory32 (SkBlitRow::kSrcPixelAlpha_Flag) (dst, src, 1, 255);
    EXPECT_EQ (0x80402010u + 0x7F7F7F7Fu, dst[0]);
    // Index 3 with alpha 127: src scaled by 128 gives 0x40201008, dst scale 256 - 0x40.
    dst[0] = 0xFFFFFFFF;
    SkBlitRow::Factory32 (3) (dst, src, 1, 127);
    EXPECT_EQ (0x40201008u + 0xBFBFBFBFu, dst[0]);
}

TEST (SkBlitRow, Color32FillsCopiesAndKeeps255MinusAlpha)
{
    uint32_t src[3] = { 0xFF000000, 0x00000000, 0x80808080 }, dst[3];
    SkBlitRow::Color32 (dst, src, 3, 0xFF112233);
    for (uint32_t p : dst) EXPECT_EQ (0xFF112233u, p);
    SkBlitRow::Color32 (dst, src, 3, 0);
    EXPECT_EQ (0, memcmp (dst, src, sizeof dst));
    // Translucent white (premultiplied 0x80808080) over opaque black scales the destination by
    // 255 - 0x80 = 127, not 128: 255 * 127 >> 8 = 126, so the opaque pixel ends with alpha 254.
    uint32_t row[1] = { 0xFF000000 };
    SkBlitRow::Color32 (row, row, 1, 0x80808080);
    EXPECT_EQ (0xFE808080u, row[0]);
    row[0] = 0xFFFFFFFF;
    SkBlitRow::Color32 (row, row, 1, 0x80808080);
    EXPECT_EQ (0xFEFEFEFEu, row[0]);
}

TEST (SkBlitRow, ColorA8MaskBlackWithFullCoverageIsOpaqueBlack)
{
    uint32_t row[5] = { 0xFFFFFFFF, 0x12345678, 0, 0x80808080, 0xFF00FF00 };
    uint8_t mask[5] = { 255, 255, 255, 255, 255 };
    SkBlitColorA8MaskBlack (row, sizeof row, 0, mask, 5, 0xFF000000, 5, 1);
    for (uint32_t p : row) EXPECT_EQ (0xFF000000u, p);
    // Coverage 128 on white: 255 * 128 >> 8 = 127 and alpha 127 + 128.
    uint32_t white[1] = { 0xFFFFFFFF };
    uint8_t half[1] = { 128 };
    SkBlitColorA8MaskBlack (white, 4, 0, half, 1, 0xFF000000, 1, 1);
    EXPECT_EQ (0xFF7F7F7Fu, white[0]);
}

TEST (SkBlitRow, ColorA8MaskUsesRoundedPremultiply)
{
    uint32_t row[2] = { 0xFF000000, 0xFF000000 };
    uint8_t mask[2] = { 255, 0 };
    SkBlitColorA8Mask (row, 8, 0, mask, 2, 0x80FFFFFF, 2, 1);
    // pm = 0x80808080; coverage 255: src scale 256, dst scale 256 - 0x80.
    EXPECT_EQ (0x80808080u + 0x7F000000u, row[0]);
    // coverage 0: src scale 1 -> 0; dst scale 256.
    EXPECT_EQ (0xFF000000u, row[1]);
}

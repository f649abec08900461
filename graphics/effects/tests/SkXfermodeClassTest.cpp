// The transfer-mode classes: creation, coverage mixing, the 16-bit, 4444 and A8 forms, the
// four specialised modes, and flattening by mode number.
#include <gtest/gtest.h>

#include <vector>

#include "graphics/core/SkColorPriv.h"
#include "graphics/core/SkMath.h"
#include "graphics/effects/SkXfermode.h"
#include "graphics/effects/SkXfermodePriv.h"
#include "graphics/flatten/SkFlattenable.h"

namespace {

struct ModeRef {
    SkXfermode *m;
    explicit ModeRef (int mode) : m (SkXfermode::Create ((SkXfermode::Mode)mode)) {}
    ~ModeRef () { SkSafeUnref (m); }
};

} // namespace

TEST (SkXfermodeCreate, EveryModeButSourceOverAndOutOfRange)
{
    EXPECT_EQ (nullptr, SkXfermode::Create (SkXfermode::kSrcOver_Mode));
    EXPECT_EQ (nullptr, SkXfermode::Create ((SkXfermode::Mode)24));
    EXPECT_EQ (nullptr, SkXfermode::Create ((SkXfermode::Mode)-1));
    for (int mode = 0; mode < 24; mode++) {
        if (mode == 3) continue;
        ModeRef r (mode);
        ASSERT_NE (nullptr, r.m) << mode;
        SkXfermode::Mode got;
        ASSERT_TRUE (r.m->asMode (&got));
        EXPECT_EQ (mode, (int)got);
        SkXfermode::Coeff sc, dc;
        EXPECT_EQ (mode < 14, r.m->asCoeff (&sc, &dc)) << mode;
        EXPECT_EQ (0x12345678u, r.m->xferColor (0xFFFFFFFF, 0x12345678));
    }
    ModeRef atop (9);
    SkXfermode::Coeff sc, dc;
    ASSERT_TRUE (atop.m->asCoeff (&sc, &dc));
    EXPECT_EQ (SkXfermode::kDA_Coeff, sc);
    EXPECT_EQ (SkXfermode::kISA_Coeff, dc);
}

TEST (SkXfermodeRows, CoverageZeroLeavesFullStoresPartialMixes)
{
    ModeRef plus (12);
    uint32_t dst[3] = { 0x10203040, 0x10203040, 0x10203040 }, src[3] = { 0x40404040, 0x40404040, 0x40404040 };
    SkAlpha aa[3] = { 0, 255, 128 };
    plus.m->xfer32 (dst, src, 3, aa);
    EXPECT_EQ (0x10203040u, dst[0]);
    EXPECT_EQ (0x50607080u, dst[1]);
    // d + ((r - d) * 129 >> 8) with r - d = 0x40 per channel: + 32.
    EXPECT_EQ (0x30405060u, dst[2]);
    // A result below the destination moves down with an arithmetic shift: clear is 0.
    SkXfermodeProcPtr clearProc = SkXfermodeRow (0)->fProc;
    SkProcXfermode generic (clearProc);
    uint32_t d2[1] = { 0x01000000 };
    SkAlpha half[1] = { 128 };
    generic.xfer32 (d2, src, 1, half);
    EXPECT_EQ (0u, d2[0] >> 24);                    // 1 + ((0 - 1) * 129 >> 8) = 1 - 1 = 0
    // A null procedure does nothing.
    SkProcXfermode none (nullptr);
    uint32_t keep[1] = { 0x12345678 };
    none.xfer32 (keep, src, 1, nullptr);
    EXPECT_EQ (0x12345678u, keep[0]);
}

TEST (SkXfermodeRows, SixteenBitFormsExpandAndPack)
{
    ModeRef src (1);
    uint16_t rgb[2] = { 0x0000, 0xFFFF }, argb4444[1] = { 0x0000 };
    uint32_t colors[2] = { 0xFFFF0000, 0xFF00FF00 };
    src.m->xfer16 (rgb, colors, 2, nullptr);
    EXPECT_EQ (0xF800, rgb[0]);
    EXPECT_EQ (0x07E0, rgb[1]);
    uint32_t c4[1] = { 0xFF112233 };
    src.m->xfer4444 (argb4444, c4, 1, nullptr);
    EXPECT_EQ (0x123F, argb4444[0]);                // red, green, blue, alpha nibbles
    // Plus on 565 with partial coverage: 0x0000 expands to black; plus gives the source.
    ModeRef plus (12);
    uint16_t p[1] = { 0x0000 };
    SkAlpha aa[1] = { 127 };
    uint32_t white[1] = { 0xFFFFFFFF };
    plus.m->xfer16 (p, white, 1, aa);
    // Each channel 0 + (255 * 128 >> 8) = 127 -> 565: 15, 31, 15.
    EXPECT_EQ ((15 << 11) | (31 << 5) | 15, p[0]);
    // The A8 form runs the procedure on (src, d << 24) and keeps the alpha.
    uint8_t a8[1] = { 0x40 };
    uint32_t half[1] = { 0x80000000 };
    SkXfermode *over = new SkProcCoeffXfermode (SkXfermode::kSrcOver_Mode);
    over->xferA8 (a8, half, 1, nullptr);
    EXPECT_EQ (0x80 + ((0x40 * 128) >> 8), a8[0]);
    over->unref ();
}

TEST (SkXfermodeSpecial, ClearSrcDstInDstOut)
{
    ModeRef clear (0), src (1), dstIn (6), dstOut (8);
    uint32_t d[2] = { 0x80808080, 0x80808080 }, s[2] = { 0x40000000, 0x40000000 };
    SkAlpha aa[2] = { 128, 255 };
    clear.m->xfer32 (d, s, 2, aa);
    EXPECT_EQ (SkAlphaMulQ (0x80808080, 128), d[0]);
    EXPECT_EQ (0u, d[1]);
    uint8_t a8[2] = { 200, 200 };
    clear.m->xferA8 (a8, s, 2, aa);
    EXPECT_EQ (SkMulDiv255Round (127, 200), a8[0]);
    EXPECT_EQ (0, a8[1]);

    // Src in A8 scales by the coverage a, not a + 1: 0 + (255 * 128 >> 8) = 127.
    uint8_t sa8[1] = { 0 };
    uint32_t opaque[1] = { 0xFF000000 };
    SkAlpha cov[1] = { 128 };
    src.m->xferA8 (sa8, opaque, 1, cov);
    EXPECT_EQ (127, sa8[0]);
    uint32_t sd[1] = { 0 };
    src.m->xfer32 (sd, opaque, 1, cov);
    EXPECT_EQ (0x80000000u, sd[0]);                 // 32-bit form uses a + 1

    uint32_t in[1] = { 0xFFFFFFFF }, out[1] = { 0xFFFFFFFF };
    dstIn.m->xfer32 (in, s, 1, nullptr);
    EXPECT_EQ (SkAlphaMulQ (0xFFFFFFFF, 0x41), in[0]);
    dstOut.m->xfer32 (out, s, 1, nullptr);
    EXPECT_EQ (SkAlphaMulQ (0xFFFFFFFF, 256 - 0x40), out[0]);
}

TEST (SkXfermodeFlatten, ModesReadBackByNumber)
{
    for (int mode = 0; mode < 24; mode++) {
        if (mode == 3) continue;
        ModeRef r (mode);
        SkFlattenableWriteBuffer writer;
        r.m->flatten (writer);
        ASSERT_EQ (12u, writer.size ());
        std::vector<uint8_t> data (writer.size ());
        writer.flatten (data.data ());
        SkFlattenableReadBuffer reader (data.data (), data.size ());
        SkFlattenable *back = r.m->getFactory () (reader);
        ASSERT_NE (nullptr, back) << mode;
        SkXfermode::Mode got;
        ASSERT_TRUE (((SkXfermode *)back)->asMode (&got));
        EXPECT_EQ (mode, (int)got);
        EXPECT_EQ (r.m->getFactory (), back->getFactory ());
        back->unref ();
    }
}

TEST (SkXfermodeFlatten, BadDataGivesNoMode)
{
    // A mode number outside the table.
    uint32_t words[3] = { 0, 0, 30 };
    SkFlattenableReadBuffer reader (words, sizeof words);
    EXPECT_EQ (nullptr, SkProcCoeffXfermode::CreateProc (reader));
    // Short data.
    SkFlattenableReadBuffer shortReader (words, 8);
    EXPECT_EQ (nullptr, SkClearXfermode::CreateProc (shortReader));
    // A plain procedure mode never calls an address it did not recognise.
    uint64_t bogus = 0x1234;
    SkFlattenableReadBuffer procReader (&bogus, sizeof bogus);
    SkFlattenable *plain = SkProcXfermode::CreateProc (procReader);
    ASSERT_NE (nullptr, plain);
    EXPECT_EQ (nullptr, ((SkProcXfermode *)plain)->getProc ());
    plain->unref ();
    // Across processes the procedure word is 0; the mode still reads back.
    ModeRef xorMode (11);
    SkFlattenableWriteBuffer writer;
    writer.setFlags (SkFlattenableWriteBuffer::kCrossProcess_Flag);
    xorMode.m->flatten (writer);
    uint32_t out[3];
    writer.flatten (out);
    EXPECT_EQ (0u, out[0]);
    EXPECT_EQ (0u, out[1]);
    EXPECT_EQ (11u, out[2]);
}

// Each class's reader builds its own class over the table row of the number it reads: the
// class keeps its own row loops, the row gives the mode, the coefficients and the procedure of
// the generic forms.
TEST (SkXfermodeFlatten, EachReaderBuildsItsClassOverTheRowItReads)
{
    uint32_t words[3] = { 0, 0, 12 };               // plus
    SkFlattenableReadBuffer reader (words, sizeof words);
    SkFlattenable *f = SkClearXfermode::CreateProc (reader);
    ASSERT_NE (nullptr, f);
    SkXfermode *m = (SkXfermode *)f;
    EXPECT_EQ ((SkFlattenable::Factory)SkClearXfermode::CreateProc, f->getFactory ());
    SkXfermode::Mode mode;
    ASSERT_TRUE (m->asMode (&mode));
    EXPECT_EQ (SkXfermode::kPlus_Mode, mode);
    SkXfermode::Coeff sc, dc;
    ASSERT_TRUE (m->asCoeff (&sc, &dc));
    EXPECT_EQ (SkXfermode::kOne_Coeff, sc);
    EXPECT_EQ (SkXfermode::kOne_Coeff, dc);
    uint32_t d32[1] = { 0x40404040 }, s32[1] = { 0x20202020 };
    m->xfer32 (d32, s32, 1, nullptr);               // the clear class's own loop
    EXPECT_EQ (0u, d32[0]);
    uint16_t d16[1] = { 0x0000 };
    uint32_t white[1] = { 0xFFFFFFFF };
    m->xfer16 (d16, white, 1, nullptr);             // the generic loop over plus
    EXPECT_EQ (0xFFFF, d16[0]);
    f->unref ();
}

// The base class's row operations leave the destination alone.
TEST (SkXfermodeRows, BaseOperationsLeaveTheDestination)
{
    struct Bare : SkXfermode {} bare;
    uint32_t d32[1] = { 0x12345678 }, s32[1] = { 0xFFFFFFFF };
    uint16_t d16[1] = { 0x1234 };
    uint8_t a8[1] = { 0x56 };
    bare.xfer32 (d32, s32, 1, nullptr);
    bare.xfer16 (d16, s32, 1, nullptr);
    bare.xfer4444 (d16, s32, 1, nullptr);
    bare.xferA8 (a8, s32, 1, nullptr);
    EXPECT_EQ (0x12345678u, d32[0]);
    EXPECT_EQ (0x1234, d16[0]);
    EXPECT_EQ (0x56, a8[0]);
    EXPECT_FALSE (bare.asMode (nullptr));
}

namespace {

uint32_t expand565 (uint16_t v)
{
    uint32_t r = v >> 11, g = (v >> 5) & 63, b = v & 31;
    return 0xFF000000u | ((r << 3) | (r >> 2)) << 16 | ((g << 2) | (g >> 4)) << 8 | ((b << 3) | (b >> 2));
}
uint16_t pack565 (uint32_t c) { return (uint16_t)(((c >> 19) & 31) << 11 | ((c >> 10) & 63) << 5 | ((c >> 3) & 31)); }
uint32_t expand4444 (uint16_t v)
{
    uint32_t r = v >> 12, g = (v >> 8) & 15, b = (v >> 4) & 15, a = v & 15;
    return (a * 17) << 24 | (r * 17) << 16 | (g * 17) << 8 | (b * 17);
}
uint16_t pack4444 (uint32_t c) { return (uint16_t)((c >> 20 & 15) << 12 | (c >> 12 & 15) << 8 | (c >> 4 & 15) << 4 | (c >> 28)); }

// d + (((r − d)·(a + 1)) >> 8) on every channel, signed with an arithmetic shift.
uint32_t mix (uint32_t r, uint32_t d, unsigned a)
{
    uint32_t out = 0;
    for (int sh = 0; sh < 32; sh += 8) {
        int rc = (int)(r >> sh & 255), dc = (int)(d >> sh & 255);
        out |= (uint32_t)(dc + (((rc - dc) * (int)(a + 1)) >> 8)) << sh;
    }
    return out;
}

uint32_t with_coverage (uint32_t r, uint32_t d, unsigned a) { return a == 0 ? d : (a == 255 ? r : mix (r, d, a)); }

} // namespace

// Every mode in the 16-bit, 4444 and A8 forms: the destination widened, the mode's pixel
// procedure, the coverage mix, and the narrowing, pixel by pixel from the last to the first.
TEST (SkXfermodeRows, EveryModeInEveryPixelFormat)
{
    const uint32_t srcs[] = { 0x00000000, 0xFFFFFFFF, 0x80402010, 0xFF336699, 0x40404040, 0xC0A08060 };
    const uint16_t d16s[] = { 0x0000, 0xFFFF, 0x1234, 0xF81F, 0x8410, 0x07E0 };
    const uint16_t d4444s[] = { 0x0000, 0xFFFF, 0x1238, 0x888F, 0x4447, 0xF00F };
    const uint8_t d8s[] = { 0, 255, 1, 128, 77, 200 };
    const SkAlpha cov[] = { 0, 255, 1, 128, 200, 37 };
    const int n = 6;
    for (int mode = 0; mode < 24; mode++) {
        SkXfermode *m = mode == 3 ? new SkProcCoeffXfermode (SkXfermode::kSrcOver_Mode)
                                  : SkXfermode::Create ((SkXfermode::Mode)mode);
        ASSERT_NE (nullptr, m);
        SkXfermodeProcPtr proc = SkXfermodeRow (mode)->fProc;
        for (int withCoverage = 0; withCoverage < 2; withCoverage++) {
            const SkAlpha *aa = withCoverage ? cov : nullptr;
            uint16_t d16[n], d4444[n];
            uint8_t d8[n];
            memcpy (d16, d16s, sizeof d16);
            memcpy (d4444, d4444s, sizeof d4444);
            memcpy (d8, d8s, sizeof d8);
            m->xfer16 (d16, srcs, n, aa);
            m->xfer4444 (d4444, srcs, n, aa);
            m->xferA8 (d8, srcs, n, aa);
            for (int i = 0; i < n; i++) {
                unsigned a = aa ? aa[i] : 255;
                uint32_t w16 = expand565 (d16s[i]);
                uint16_t want16 = a == 0 ? d16s[i] : pack565 (with_coverage (proc (srcs[i], w16), w16, a));
                EXPECT_EQ (want16, d16[i]) << "mode " << mode << " pixel " << i << " coverage " << a;
                uint32_t w4 = expand4444 (d4444s[i]);
                uint16_t want4 = a == 0 ? d4444s[i] : pack4444 (with_coverage (proc (srcs[i], w4), w4, a));
                EXPECT_EQ (want4, d4444[i]) << "mode " << mode << " pixel " << i << " coverage " << a;
                unsigned want8;
                unsigned d = d8s[i], sa = srcs[i] >> 24;
                if (mode == 0) {            // clear: 0, or R((255 − a)·d) under partial coverage
                    want8 = a == 0 ? d : (a == 255 ? 0 : SkMulDiv255Round (255 - a, d));
                } else if (mode == 1) {     // src: the source alpha, mixed by a (not a + 1)
                    want8 = a == 0 ? d : (a == 255 ? sa : d + ((((int)sa - (int)d) * (int)a) >> 8));
                } else {
                    unsigned r = proc (srcs[i], d << 24) >> 24;
                    want8 = a == 0 ? d : (a == 255 ? r : d + ((((int)r - (int)d) * (int)(a + 1)) >> 8));
                }
                EXPECT_EQ (want8, d8[i]) << "mode " << mode << " pixel " << i << " coverage " << a;
            }
        }
        m->unref ();
    }
}

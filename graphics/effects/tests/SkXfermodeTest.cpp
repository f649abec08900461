// Transfer modes: the formula of every mode with exact values, checked over a grid against a
// second, test-side transcription of the formulas and against pixman within rounding, plus the
// row operations with coverage and the other pixel formats.
#include <gtest/gtest.h>

#include <pixman.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "graphics/core/SkColorPriv.h"
#include "graphics/effects/SkXfermode.h"
#include "graphics/effects/SkXfermodePriv.h"

namespace {

uint32_t apply (int mode, uint32_t s, uint32_t d) { return SkXfermodeRow (mode)->fProc (s, d); }

// Premultiplied pixels of a grid: alphas x channel fractions (every channel <= alpha).
std::vector<uint32_t> grid_pixels ()
{
    const int alphas[] = { 0, 1, 64, 127, 128, 200, 254, 255 };
    std::vector<uint32_t> out;
    for (int a : alphas)
        for (int k = 0; k < 4; k++) {
            int f[4] = { 0, a / 3, (a * 2) / 3, a };
            out.push_back (SkPackARGB32 (a, f[k], f[(k + 1) % 4], f[(k + 3) % 4]));
        }
    return out;
}

// --- A second transcription of the formulas, written per channel in floating style where the
// formula allows it and with the integer steps where the rounding is the contract.
int R (long x) { return (int)((x + 128 + ((x + 128) >> 8)) >> 8); }
int K (long x) { return x <= 0 ? 0 : (x >= 65025 ? 255 : R (x)); }
int q (int c, int scale) { return (c * scale) >> 8; }

struct Px { int a, c[3]; };
Px unpack (uint32_t p) { return { (int)(p >> 24), { (int)(p >> 16 & 255), (int)(p >> 8 & 255), (int)(p & 255) } }; }
uint32_t packc (int a, const int c[3])
{
    auto cl = [] (int v) { return (uint32_t)std::clamp (v, 0, 255); };
    return cl (a) << 24 | cl (c[0]) << 16 | cl (c[1]) << 8 | cl (c[2]);
}

uint32_t reference (int mode, uint32_t sp, uint32_t dp)
{
    Px s = unpack (sp), d = unpack (dp);
    int sa = s.a, da = d.a, out[3], a = sa + da - R ((long)sa * da);
    auto all4 = [&] (const std::function<int (int, int)> &f) {
        for (int i = 0; i < 3; i++) out[i] = f (s.c[i], d.c[i]);
        return packc (f (sa, da), out);
    };
    auto per = [&] (const std::function<int (int, int)> &f) {
        for (int i = 0; i < 3; i++) out[i] = f (s.c[i], d.c[i]);
        return packc (a, out);
    };
    switch (mode) {
    case 0: return 0;
    case 1: return sp;
    case 2: return dp;
    case 3: return all4 ([&] (int x, int y) { return x + q (y, 256 - sa); });
    case 4: return all4 ([&] (int x, int y) { return y + q (x, 256 - da); });
    case 5: return all4 ([&] (int x, int) { return q (x, da + 1); });
    case 6: return all4 ([&] (int, int y) { return q (y, sa + 1); });
    case 7: return all4 ([&] (int x, int) { return q (x, 256 - da); });
    case 8: return all4 ([&] (int, int y) { return q (y, 256 - sa); });
    case 9: for (int i = 0; i < 3; i++) out[i] = R (s.c[i] * da) + R (d.c[i] * (255 - sa)); return packc (da, out);
    case 10: for (int i = 0; i < 3; i++) out[i] = R (d.c[i] * sa) + R (s.c[i] * (255 - da)); return packc (sa, out);
    case 11:
        for (int i = 0; i < 3; i++) out[i] = R (s.c[i] * (255 - da)) + R (d.c[i] * (255 - sa));
        return packc (sa + da - 2 * R (sa * da), out);
    case 12: return all4 ([] (int x, int y) { return std::min (x + y, 255); });
    case 13: return all4 ([] (int x, int y) { return R (x * y); });
    case 14: return all4 ([] (int x, int y) { return x + y - R (x * y); });
    case 15: return per ([&] (int x, int y) {
        long rc = 2 * y <= da ? 2L * x * y : (long)sa * da - 2L * (da - y) * (sa - x);
        return K (x * (255 - da) + y * (255 - sa) + rc); });
    case 16: return per ([&] (int x, int y) { return x + y - R (std::max (x * da, y * sa)); });
    case 17: return per ([&] (int x, int y) { return x + y - R (std::min (x * da, y * sa)); });
    case 18: return dp == 0 ? sp : per ([&] (int x, int y) {
        if (da == 0) return std::min (x, a);
        long rest = (long)x * (255 - da) + (long)y * (255 - sa);
        if (x >= sa) return std::min (R (sa * da + rest), a);
        long ratio = std::min (((long)y * sa << 15) / ((long)da * (sa - x)), 1L << 15);
        return std::min ((int)((ratio * R (sa * da)) >> 15) + R (rest), a); });
    case 19: return dp == 0 ? sp : per ([&] (int x, int y) {
        if (da == 0) return x;
        if (x == 0) return R ((255 - sa) * y + (y == da ? sa * da : 0));
        long m = std::min ((((long)(da - y) * sa) << 8) / ((long)x * da), 256L);
        return R ((255 - sa) * y + (255 - da) * x + sa * da - (((long)sa * da * m) >> 8)); });
    case 21: return per ([&] (int x, int y) {
        long m = da ? ((long)y << 8) / da : 0, rc;
        if (2 * x <= sa) {
            rc = y * (sa + (((2L * x - sa) * (256 - m)) >> 8));
        } else {
            long t = 4 * y <= da ? ((16 * m * (m + 64) * (m - 256)) >> 16) + 7 * m
                                 : (long)std::floor (std::sqrt ((double)(m << 8))) - m;
            rc = (long)y * sa + ((t * (2L * x - sa) * da) >> 8);
        }
        return K (x * (255 - da) + y * (255 - sa) + rc); });
    case 20: return per ([&] (int x, int y) {
        long rc = 2 * x <= sa ? 2L * x * y : (long)sa * da - 2L * (sa - x) * (da - y);
        return K (x * (255 - da) + y * (255 - sa) + rc); });
    case 22: return per ([&] (int x, int y) { return std::clamp (x + y - 2 * R (std::min (x * da, y * sa)), 0, 255); });
    case 23: return per ([&] (int x, int y) {
        return K ((long)x * (255 - da) + y * (255 - sa) - 2L * x * y + x * da + y * sa); });
    }
    return 0xBAD;
}

} // namespace

TEST (SkXfermodeFormula, GridMatchesSecondTranscription)
{
    std::vector<uint32_t> px = grid_pixels ();
    for (int mode = 0; mode < 24; mode++)
        for (uint32_t s : px)
            for (uint32_t d : px)
                ASSERT_EQ (reference (mode, s, d), apply (mode, s, d))
                    << "mode " << mode << std::hex << " src " << s << " dst " << d;
}

TEST (SkXfermodeFormula, ExactValuesOfChosenPairs)
{
    EXPECT_EQ (0xFFFF0000u, apply (12, 0x80800000, 0x80800000));         // plus saturates
    EXPECT_EQ (0xFF123456u, apply (3, 0xFF123456, 0x80808080));          // opaque srcOver
    EXPECT_EQ (0x80808080u, apply (3, 0, 0x80808080));                    // transparent srcOver
    EXPECT_EQ (0x80402010u, apply (13, 0xFFFFFFFF, 0x80402010));          // multiply by white
    // srcOver of half red over opaque blue: 0x80800000 + 0xFF0000FF * 128 >> 8.
    EXPECT_EQ (0x80800000u + 0x7F00007Fu, apply (3, 0x80800000, 0xFF0000FF));
    // xor of two opaque colours is transparent.
    EXPECT_EQ (0u, apply (11, 0xFFFFFFFF, 0xFF000000));
    // screen of 0x80 on 0x80 per channel: 128 + 128 - R(16384) = 256 - 64 = 192.
    EXPECT_EQ (0xC0C0C0C0u, apply (14, 0x80808080, 0x80808080));
    // difference of opaque white over opaque mid grey: 255 + 128 - 2 * R(128 * 255) = 127.
    EXPECT_EQ (0xFF7F7F7Fu, apply (22, 0xFFFFFFFF, 0xFF808080));
}

TEST (SkXfermodeFormula, DodgeAndBurnShowSourceOverZeroDestination)
{
    for (int mode : { 18, 19 }) {
        EXPECT_EQ (0x80402010u, apply (mode, 0x80402010, 0));
        EXPECT_EQ (0u, apply (mode, 0, 0));
    }
}

// Used to divide by zero: a destination with alpha 0 but a colour channel set (not a valid
// premultiplied colour) reached dc·sa / (da·(sa − sc)) and (…) / (sc·da).
TEST (SkXfermodeFormula, DodgeAndBurnSurviveZeroDestinationAlpha)
{
    for (int mode : { 18, 19 }) {
        uint32_t r = apply (mode, 0x80402010, 0x00100000);
        EXPECT_EQ (0x80u, r >> 24) << mode;
        EXPECT_EQ (0x40u, r >> 16 & 255) << mode;
    }
}

// The dodge lacked the parts of each colour that the other does not cover, so a translucent
// black source darkened the destination by its alpha; dodging with black must leave it.
TEST (SkXfermodeFormula, DodgeWithTranslucentBlackKeepsDestination)
{
    // sc 0, sa 128 over dc 100: (((100·128) << 15) / (255·128)) × R(128·255) >> 15 = 50,
    // plus R(100·127) = 50.
    EXPECT_EQ (0xFF646464u, apply (18, 0x80000000, 0xFF646464));
    // A ratio above 1 stops at 1: sc 100, sa 128 over dc 200 gives R(128·255) + R(200·127)
    // = 128 + 100 = 228, not the cap 255.
    EXPECT_EQ (0xFFE4E4E4u, apply (18, 0x80646464, 0xFFC8C8C8));
    // The result stays capped at the result alpha: sc 35, sa 37 over dc = da = 231 gives
    // R(37·231) + R(35·24 + 231·218) = 34 + 201 = 235, capped at 37 + 231 − 34 = 234.
    EXPECT_EQ (0xEAEAEAEAu, apply (18, 0x25232323, 0xE7E7E7E7));
}

// Opaque pixels keep the 15-bit fixed-point dodge bit for bit: (((dc·sa) << 15) /
// (da·(sa − sc))) × R(sa·da) >> 15 truncates where a rounded division by 255 gives one more.
TEST (SkXfermodeFormula, DodgeOfOpaquePixelsKeepsFixedPointBits)
{
    // dc = sc = 100: (25500 << 15) / (255·155) = 21140; 21140·255 >> 15 = 164.
    EXPECT_EQ (0xFFA4A4A4u, apply (18, 0xFF646464, 0xFF646464));
    // A ratio of 1 or more is the alpha: 200 / (255 − 100) > 1.
    EXPECT_EQ (0xFFFFFFFFu, apply (18, 0xFF646464, 0xFFC8C8C8));
    // sc = sa: R(sa·da + sc·(255 − da) + dc·(255 − sa)) = R(32640 + 12700) = 178.
    EXPECT_EQ (0xFFB2B2B2u, apply (18, 0x80808080, 0xFF646464));
    // sc = sa also dodges a black destination channel: R(64·64 + 64·191) = 64, alpha 112.
    EXPECT_EQ (0x70404040u, apply (18, 0x40404040, 0x40000000));
}

// Burn and soft light on chosen pairs, worked by hand from their formulas.
TEST (SkXfermodeFormula, BurnAndSoftLightExactValues)
{
    // Burn, opaque: sc 128, dc 128: min(((127·255) << 8) / (128·255), 256) = 254;
    // R(0 + 0 + 65025 − (65025·254 >> 8)) = R(65025 − 64517) = R(508) = 2.
    EXPECT_EQ (0xFF020202u, apply (19, 0xFF808080, 0xFF808080));
    // Burn with sc 0 and dc = da: R((255 − sa)·dc + sa·da) with sa 255 = 255.
    EXPECT_EQ (0xFFFFFFFFu, apply (19, 0xFF000000, 0xFFFFFFFF));
    // Soft light, opaque, sc 64 (2·sc ≤ sa), dc 128: m = (128 << 8) / 255 = 128;
    // rc = 128·(255 + ((−127·128) >> 8)) = 128·191 = 24448; K(24448) = R(24448) = 96.
    EXPECT_EQ (0xFF606060u, apply (21, 0xFF404040, 0xFF808080));
    // Soft light, opaque, sc 192, dc 128 (4·dc > da): m = 128, t = SkSqrtBits (128, 19) − 128
    // = √(128·256) − 128 = 181 − 128 = 53; rc = 128·255 + ((53·129·255) >> 8) = 32640 + 6810;
    // R(39450) = 155.
    EXPECT_EQ (0xFF9B9B9Bu, apply (21, 0xFFC0C0C0, 0xFF808080));
    // Soft light, opaque, sc 192, dc 40 (4·dc ≤ da): m = 40, t = ((16·40·104·(−216)) >> 16)
    // + 280 = −220 + 280 = 60; rc = 40·255 + ((60·129·255) >> 8) = 10200 + 7709; R(17909) = 70.
    EXPECT_EQ (0xFF464646u, apply (21, 0xFFC0C0C0, 0xFF282828));
}

// --- Independent reference: pixman's combiners -------------------------------------------

namespace {

std::vector<uint32_t> pixman_row (pixman_op_t op, const std::vector<uint32_t> &src, std::vector<uint32_t> dst)
{
    int n = (int)src.size ();
    std::vector<uint32_t> s = src;
    pixman_image_t *si = pixman_image_create_bits (PIXMAN_a8r8g8b8, n, 1, s.data (), n * 4);
    pixman_image_t *di = pixman_image_create_bits (PIXMAN_a8r8g8b8, n, 1, dst.data (), n * 4);
    pixman_image_composite32 (op, si, nullptr, di, 0, 0, 0, 0, 0, 0, n, 1);
    pixman_image_unref (si);
    pixman_image_unref (di);
    return dst;
}

struct PixmanCase { int mode; pixman_op_t op; int tolerance; };

// Tolerances: the Porter-Duff "Q" modes scale by 256 − a with truncation where pixman divides
// by 255 with rounding (up to 2 levels); the separable modes round once per term (2 levels),
// and soft light uses 8-bit fixed-point approximations of its curve and square root.
const PixmanCase kCases[] = {
    { 0, PIXMAN_OP_CLEAR, 0 }, { 1, PIXMAN_OP_SRC, 0 }, { 2, PIXMAN_OP_DST, 0 },
    { 3, PIXMAN_OP_OVER, 2 }, { 4, PIXMAN_OP_OVER_REVERSE, 2 }, { 5, PIXMAN_OP_IN, 2 },
    { 6, PIXMAN_OP_IN_REVERSE, 2 }, { 7, PIXMAN_OP_OUT, 2 }, { 8, PIXMAN_OP_OUT_REVERSE, 2 },
    { 9, PIXMAN_OP_ATOP, 2 }, { 10, PIXMAN_OP_ATOP_REVERSE, 2 }, { 11, PIXMAN_OP_XOR, 2 },
    { 12, PIXMAN_OP_ADD, 0 }, { 14, PIXMAN_OP_SCREEN, 2 }, { 15, PIXMAN_OP_OVERLAY, 2 },
    { 16, PIXMAN_OP_DARKEN, 2 }, { 17, PIXMAN_OP_LIGHTEN, 2 }, { 18, PIXMAN_OP_COLOR_DODGE, 2 },
    { 19, PIXMAN_OP_COLOR_BURN, 2 }, { 20, PIXMAN_OP_HARD_LIGHT, 2 }, { 21, PIXMAN_OP_SOFT_LIGHT, 3 },
    { 22, PIXMAN_OP_DIFFERENCE, 2 }, { 23, PIXMAN_OP_EXCLUSION, 2 },
};

// The library's dodge gives the full dodge when a source channel equals its alpha, also over a
// black destination channel (the older convention: B = 1 when Cs = 1); pixman puts Cb = 0 first
// and gives 0. Such pairs are compared by the exact tests instead.
bool dodge_conventions_differ (uint32_t s, uint32_t d)
{
    unsigned sa = s >> 24;
    if (sa == 0 || d == 0) return false;
    for (int sh = 0; sh < 24; sh += 8)
        if ((s >> sh & 255) == sa && (d >> sh & 255) == 0) return true;
    return false;
}

int max_channel_diff (uint32_t a, uint32_t b)
{
    int m = 0;
    for (int sh = 0; sh < 32; sh += 8) m = std::max (m, std::abs ((int)(a >> sh & 255) - (int)(b >> sh & 255)));
    return m;
}

} // namespace

TEST (SkXfermodePixman, EveryModeAgreesWithinRounding)
{
    std::vector<uint32_t> px = grid_pixels ();
    std::vector<uint32_t> src, dst;
    for (uint32_t s : px) for (uint32_t d : px) { src.push_back (s); dst.push_back (d); }
    std::mt19937 rng (2026);
    auto random_pm = [&rng] {
        uint32_t a = rng () % 256;
        return a << 24 | (rng () % (a + 1)) << 16 | (rng () % (a + 1)) << 8 | rng () % (a + 1);
    };
    for (int i = 0; i < 8192; i++) { src.push_back (random_pm ()); dst.push_back (random_pm ()); }
    for (const PixmanCase &c : kCases) {
        std::vector<uint32_t> want = pixman_row (c.op, src, dst);
        int worst = 0;
        for (size_t i = 0; i < src.size (); i++) {
            if (c.mode == 18 && dodge_conventions_differ (src[i], dst[i])) continue;
            int diff = max_channel_diff (want[i], apply (c.mode, src[i], dst[i]));
            worst = std::max (worst, diff);
            EXPECT_LE (diff, c.tolerance) << "mode " << c.mode << std::hex << " src " << src[i]
                                          << " dst " << dst[i] << " pixman " << want[i];
            if (diff > c.tolerance) break;
        }
        RecordProperty ("mode" + std::to_string (c.mode), worst);
    }
}

// pixman's multiply is the blend mode, ours a modulate: compare with a double reference.
TEST (SkXfermodePixman, MultiplyIsRoundedModulate)
{
    for (uint32_t s : grid_pixels ())
        for (uint32_t d : grid_pixels ()) {
            uint32_t r = apply (13, s, d);
            for (int sh = 0; sh < 32; sh += 8) {
                double want = (s >> sh & 255) * (d >> sh & 255) / 255.0;
                EXPECT_LE (std::fabs ((r >> sh & 255) - want), 0.5 + 1e-9);
            }
        }
}

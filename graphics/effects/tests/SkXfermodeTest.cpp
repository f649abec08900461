// Transfer modes: every mode's formula on pairs worked by hand, bit for bit, and every mode
// over a grid of pixels against pixman within rounding.
#include <gtest/gtest.h>

#include <pixman.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
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

struct FormulaCase {
    int mode;
    uint32_t src, dst, want;
};

// Every mode's formula on pairs worked by hand. R(x) is x / 255 rounded, K the same.
const FormulaCase kFormulaCases[] = {
    { 12, 0x80800000, 0x80800000, 0xFFFF0000 },     // plus saturates
    { 3, 0xFF123456, 0x80808080, 0xFF123456 },      // opaque srcOver
    { 3, 0, 0x80808080, 0x80808080 },               // transparent srcOver
    { 13, 0xFFFFFFFF, 0x80402010, 0x80402010 },     // multiply by white
    // srcOver of half red over opaque blue: 0x80800000 + 0xFF0000FF * 128 >> 8.
    { 3, 0x80800000, 0xFF0000FF, 0x80800000u + 0x7F00007Fu },
    { 11, 0xFFFFFFFF, 0xFF000000, 0 },              // xor of two opaque colours
    // screen of 0x80 on 0x80 per channel: 128 + 128 - R(16384) = 256 - 64 = 192.
    { 14, 0x80808080, 0x80808080, 0xC0C0C0C0 },
    // difference of opaque white over opaque mid grey: 255 + 128 - 2 * R(128 * 255) = 127.
    { 22, 0xFFFFFFFF, 0xFF808080, 0xFF7F7F7F },
    // The Porter-Duff modes that scale by an alpha: a channel c scaled by 256 - a or a + 1
    // is (c * scale) >> 8, truncated; the "atop" modes round each product by 255 instead.
    // dstOver: 0x60 + (0x10 * 128 >> 8) = 104; alpha 128 + (255 * 128 >> 8) = 255.
    { 4, 0xFF102030, 0x80604020, 0xFF685038 },
    // srcIn over alpha 128, dstIn under alpha 128: 255 * 129 >> 8 = 128, 128 * 129 >> 8 = 64.
    { 5, 0xFF804020, 0x80000000, 0x80402010 },
    { 6, 0x80000000, 0xFF804020, 0x80402010 },
    // srcOut over alpha 64, dstOut under alpha 64: 255 * 192 >> 8 = 191, 128 * 192 >> 8 = 96.
    { 7, 0xFF804020, 0x40000000, 0xBF603018 },
    { 8, 0x40000000, 0xFF804020, 0xBF603018 },
    // srcATop of 0x80402010 on opaque grey: R(64 * 255) + R(128 * 127) = 64 + 64, alpha 255.
    { 9, 0x80402010, 0xFF808080, 0xFF806050 },
    { 10, 0xFF808080, 0x80402010, 0xFF806050 },
    // Separable modes of opaque pixels reduce to their textbook forms. Darken and lighten:
    // x + y - R(max or min of x * 255, y * 255) is the min or the max.
    { 16, 0xFF804020, 0xFF206080, 0xFF204020 },
    { 17, 0xFF804020, 0xFF206080, 0xFF806080 },
    // overlay of 128 on 64 (2 * 64 <= 255): R(2 * 128 * 64) = 64; on 192:
    // R(65025 - 2 * 63 * 127) = R(49023) = 192.
    { 15, 0xFF808080, 0xFF404040, 0xFF404040 },
    { 15, 0xFF808080, 0xFFC0C0C0, 0xFFC0C0C0 },
    // hard light is overlay with the roles swapped: 64 on 128 gives R(2 * 64 * 128) = 64.
    { 20, 0xFF404040, 0xFF808080, 0xFF404040 },
    // exclusion with white: R(65025 - 255 * y) = 255 - y.
    { 23, 0xFFFFFFFF, 0xFF804020, 0xFF7FBFDF },
    // Dodge and burn show the source over a zero destination.
    { 18, 0x80402010, 0, 0x80402010 }, { 18, 0, 0, 0 }, { 19, 0x80402010, 0, 0x80402010 }, { 19, 0, 0, 0 },
    // The dodge lacked the parts of each colour that the other does not cover, so a
    // translucent black source darkened the destination by its alpha; dodging with black
    // must leave it. sc 0, sa 128 over dc 100: (((100·128) << 15) / (255·128)) × R(128·255)
    // >> 15 = 50, plus R(100·127) = 50.
    { 18, 0x80000000, 0xFF646464, 0xFF646464 },
    // A ratio above 1 stops at 1: sc 100, sa 128 over dc 200 gives R(128·255) + R(200·127)
    // = 128 + 100 = 228, not the cap 255.
    { 18, 0x80646464, 0xFFC8C8C8, 0xFFE4E4E4 },
    // The result stays capped at the result alpha: sc 35, sa 37 over dc = da = 231 gives
    // R(37·231) + R(35·24 + 231·218) = 34 + 201 = 235, capped at 37 + 231 − 34 = 234.
    { 18, 0x25232323, 0xE7E7E7E7, 0xEAEAEAEA },
    // Opaque pixels keep the 15-bit fixed-point dodge bit for bit: (((dc·sa) << 15) /
    // (da·(sa − sc))) × R(sa·da) >> 15 truncates where a rounded division by 255 gives one
    // more. dc = sc = 100: (25500 << 15) / (255·155) = 21140; 21140·255 >> 15 = 164.
    { 18, 0xFF646464, 0xFF646464, 0xFFA4A4A4 },
    // A ratio of 1 or more is the alpha: 200 / (255 − 100) > 1.
    { 18, 0xFF646464, 0xFFC8C8C8, 0xFFFFFFFF },
    // sc = sa: R(sa·da + sc·(255 − da) + dc·(255 − sa)) = R(32640 + 12700) = 178.
    { 18, 0x80808080, 0xFF646464, 0xFFB2B2B2 },
    // sc = sa also dodges a black destination channel: R(64·64 + 64·191) = 64, alpha 112.
    { 18, 0x40404040, 0x40000000, 0x70404040 },
    // Burn, opaque: sc 128, dc 128: min(((127·255) << 8) / (128·255), 256) = 254;
    // R(0 + 0 + 65025 − (65025·254 >> 8)) = R(65025 − 64517) = R(508) = 2.
    { 19, 0xFF808080, 0xFF808080, 0xFF020202 },
    // Burn with sc 0 and dc = da: R((255 − sa)·dc + sa·da) with sa 255 = 255.
    { 19, 0xFF000000, 0xFFFFFFFF, 0xFFFFFFFF },
    // Soft light, opaque, sc 64 (2·sc ≤ sa), dc 128: m = (128 << 8) / 255 = 128;
    // rc = 128·(255 + ((−127·128) >> 8)) = 128·191 = 24448; K(24448) = R(24448) = 96.
    { 21, 0xFF404040, 0xFF808080, 0xFF606060 },
    // Soft light, opaque, sc 192, dc 128 (4·dc > da): m = 128, t = SkSqrtBits (128, 19) − 128
    // = √(128·256) − 128 = 181 − 128 = 53; rc = 128·255 + ((53·129·255) >> 8) = 32640 + 6810;
    // R(39450) = 155.
    { 21, 0xFFC0C0C0, 0xFF808080, 0xFF9B9B9B },
    // Soft light, opaque, sc 192, dc 40 (4·dc ≤ da): m = 40, t = ((16·40·104·(−216)) >> 16)
    // + 280 = −220 + 280 = 60; rc = 40·255 + ((60·129·255) >> 8) = 10200 + 7709; R(17909) = 70.
    { 21, 0xFFC0C0C0, 0xFF282828, 0xFF464646 },
};

} // namespace

TEST (SkXfermodeFormula, PairsWorkedByHand)
{
    for (const FormulaCase &c : kFormulaCases) {
        EXPECT_EQ (apply (c.mode, c.src, c.dst), c.want) << "mode " << c.mode << std::hex << " src " << c.src << " dst " << c.dst;
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

/*
 * The sampler's matrix procedures: map the centres of a run of device pixels into the bitmap
 * and write tiled integer coordinates in the layout their sample procedure reads. One
 * template per matrix kind (scale, affine, perspective), instantiated for the three tilings:
 * clamp in pixel space, repeat in the unit square, and any other pair through the tile
 * procedures. Every index goes through its tiling, so any position lands inside the bitmap.
 */
#include "graphics/effects/SkBitmapProcStatePriv.h"
#include "graphics/effects/SkShader.h"

namespace {

typedef SkBitmapProcState State;

// Positions along a run are stepped in 64 bits and pinned to 32 bits for indexing, so a far
// position stays on its side of the bitmap instead of wrapping around to the other.
SkFixed pin_pos (int64_t p) { return p < -0x7FFFFFFFLL ? -0x7FFFFFFF : (p > 0x7FFFFFFFLL ? 0x7FFFFFFF : (SkFixed)p); }

int axis_size (const State &s, bool isX) { return isX ? s.fBitmap->width () : s.fBitmap->height (); }

// Clamp in both directions: pixel-space coordinates, pinned to the bitmap.
struct ClampAxis {
    static constexpr bool kIsClamp = true;
    int fSize;
    ClampAxis (const State &s, bool isX) : fSize (axis_size (s, isX)) {}
    unsigned index (SkFixed f) const { return (unsigned)SkPin32 (f >> 16, 0, fSize - 1); }
    unsigned weight (SkFixed f) const { return (f >> 12) & 0xF; }
};

// Repeat in both directions: unit-square coordinates, the fraction scaled to the size.
struct RepeatAxis {
    static constexpr bool kIsClamp = false;
    uint64_t fSize;
    RepeatAxis (const State &s, bool isX) : fSize ((uint64_t)axis_size (s, isX)) {}
    unsigned index (SkFixed f) const { return (unsigned)(((uint64_t)(f & 0xFFFF) * fSize) >> 16); }
    unsigned weight (SkFixed f) const { return (unsigned)((((uint64_t)(f & 0xFFFF) * fSize) >> 12) & 0xF); }
};

// Any other pair: unit-square coordinates through the axis's tile procedure.
struct GeneralAxis {
    static constexpr bool kIsClamp = false;
    uint64_t fSize;
    State::FixedTileProc fTile;
    GeneralAxis (const State &s, bool isX) : fSize ((uint64_t)axis_size (s, isX)), fTile (isX ? s.fTileProcX : s.fTileProcY) {}
    unsigned index (SkFixed f) const { return (unsigned)(((uint64_t)(uint32_t)fTile (f) * fSize) >> 16); }
    // The weight of the next pixel comes from the position before tiling: in a mirrored period
    // the tiled fraction runs backwards, and weighting by it would blend the wrong neighbour.
    unsigned weight (SkFixed f) const { return (unsigned)((((uint64_t)(f & 0xFFFF) * fSize) >> 12) & 0xF); }
};

// f already moved back by half a source pixel.
template <typename Axis> uint32_t pack_filter (const Axis &axis, int64_t f, SkFixed one)
{
    SkFixed f0 = pin_pos (f);
    return SkPackFilterCoord (axis.index (f0), axis.weight (f0), axis.index (pin_pos (f + one)));
}

SkPoint map_centre (const State &s, int x, int y)
{
    SkPoint pt;
    s.fInvProc (*s.fInvMatrix, (SkScalar)x + 0.5f, (SkScalar)y + 0.5f, &pt);
    return pt;
}

// The 16.16 position of the first pixel centre; filtered procedures move it back by half a
// source pixel so that it names the pixel at or before the sample point.
void start_position (const State &s, int x, int y, bool filter, int64_t *fx, int64_t *fy)
{
    SkPoint pt = map_centre (s, x, y);
    *fx = SkFloatToFixedPinned (pt.fX);
    *fy = SkFloatToFixedPinned (pt.fY);
    if (filter) {
        *fx -= s.fFilterOneX >> 1;
        *fy -= s.fFilterOneY >> 1;
    }
}

// Whether every column fx + k dx (k < count) lies inside 0 .. limit without clamping.
bool columns_inside (int64_t fx, SkFixed dx, int count, int64_t limit)
{
    int64_t last = fx + (int64_t)(count - 1) * dx;
    return fx >= 0 && last >= 0 && (fx >> 16) <= limit && (last >> 16) <= limit;
}

// 16-bit columns, two per word, the lower half first.
template <typename Axis> void write_columns (const Axis &ax, int64_t fx, SkFixed dx, uint32_t xy[], int count)
{
    bool inside = false;
    if constexpr (Axis::kIsClamp) inside = columns_inside (fx, dx, count, ax.fSize - 1);
    auto column = [&] (int i) -> uint32_t {
        int64_t p = fx + (int64_t)i * dx;
        return inside ? (uint32_t)(p >> 16) : ax.index (pin_pos (p));   // inside: no clamping needed
    };
    for (int i = 0; i < count; i += 2) *xy++ = column (i) | (i + 1 < count ? column (i + 1) << 16 : 0);
}

template <typename Axis> void write_filter_columns (const Axis &ax, int64_t fx, SkFixed dx, SkFixed one, uint32_t xy[], int count)
{
    if constexpr (Axis::kIsClamp) {
        // Inside the bitmap with the next column too: no clamping is needed.
        if (dx > 0 && columns_inside (fx, dx, count, ax.fSize - 2)) {
            // Every position lies in 0 .. 2^31, so 32-bit steps are exact.
            for (uint32_t p = (uint32_t)fx; count > 0; count--, p += (uint32_t)dx) {
                uint32_t i0 = p >> 16;
                *xy++ = SkPackFilterCoord (i0, (p >> 12) & 0xF, i0 + 1);
            }
            return;
        }
    }
    for (int i = 0; i < count; i++) *xy++ = pack_filter (ax, fx + (int64_t)i * dx, one);
}

template <typename AX, typename AY, bool Filter> void scale_proc (const State &s, uint32_t xy[], int count, int x, int y)
{
    AX ax (s, true);
    AY ay (s, false);
    int64_t fx, fy;
    start_position (s, x, y, Filter, &fx, &fy);
    if (Filter) {
        *xy++ = pack_filter (ay, fy, s.fFilterOneY);
        write_filter_columns (ax, fx, s.fInvSx, s.fFilterOneX, xy, count);
        return;
    }
    *xy++ = ay.index ((SkFixed)fy);
    if (s.fBitmap->width () == 1) {
        memset (xy, 0, (size_t)((count + 1) >> 1) * sizeof (uint32_t));
        return;
    }
    write_columns (ax, fx, s.fInvSx, xy, count);
}

template <typename AX, typename AY, bool Filter> void affine_proc (const State &s, uint32_t xy[], int count, int x, int y)
{
    AX ax (s, true);
    AY ay (s, false);
    int64_t fx, fy;
    start_position (s, x, y, Filter, &fx, &fy);
    for (int i = 0; i < count; i++) {
        int64_t px = fx + (int64_t)i * s.fInvSx, py = fy + (int64_t)i * s.fInvKy;
        if (Filter) {
            *xy++ = pack_filter (ay, py, s.fFilterOneY);
            *xy++ = pack_filter (ax, px, s.fFilterOneX);
        } else {
            *xy++ = (ay.index (pin_pos (py)) << 16) | ax.index (pin_pos (px));
        }
    }
}

template <typename AX, typename AY, bool Filter> void persp_proc (const State &s, uint32_t xy[], int count, int x, int y)
{
    AX ax (s, true);
    AY ay (s, false);
    SkPerspIter iter (*s.fInvMatrix, (SkScalar)x + 0.5f, (SkScalar)y + 0.5f, count);
    int n;
    while ((n = iter.next ()) != 0) {
        const SkFixed *srcXY = iter.getXY ();
        for (int i = 0; i < n; i++, srcXY += 2) {
            if (Filter) {
                *xy++ = pack_filter (ay, (int64_t)srcXY[1] - (s.fFilterOneY >> 1), s.fFilterOneY);
                *xy++ = pack_filter (ax, (int64_t)srcXY[0] - (s.fFilterOneX >> 1), s.fFilterOneX);
            } else {
                *xy++ = (ay.index (srcXY[1]) << 16) | ax.index (srcXY[0]);
            }
        }
    }
}

template <typename AX, typename AY> struct ProcTable {
    static constexpr State::MatrixProc kProcs[6] = {
        scale_proc<AX, AY, false>, scale_proc<AX, AY, true>, affine_proc<AX, AY, false>,
        affine_proc<AX, AY, true>, persp_proc<AX, AY, false>, persp_proc<AX, AY, true>,
    };
};

// Translate-only inverses sample whole pixels: the row through the integer tile procedure,
// the columns tiled one by one from the first.
template <unsigned TileModeX> void translate_proc (const State &s, uint32_t xy[], int count, int x, int y)
{
    SkPoint pt = map_centre (s, x, y);
    int width = s.fBitmap->width ();
    *xy++ = (uint32_t)s.fIntTileProcY (SkFloatToFixedPinned (pt.fY) >> 16, s.fBitmap->height ());
    if (width == 1) {
        memset (xy, 0, (size_t)((count + 1) >> 1) * sizeof (uint32_t));
        return;
    }
    int xpos = SkFloatToFixedPinned (pt.fX) >> 16;
    int64_t period = 2 * (int64_t)width;
    for (int i = 0; i < count; i++) {
        int64_t c = (int64_t)xpos + i;
        uint32_t column;
        if (TileModeX == SkShader::kClamp_TileMode) {
            column = (uint32_t)(c < 0 ? 0 : (c >= width ? width - 1 : c));
        } else if (TileModeX == SkShader::kRepeat_TileMode) {
            int64_t r = c % width;
            column = (uint32_t)(r < 0 ? r + width : r);
        } else {
            int64_t m = c % period;
            if (m < 0) m += period;
            column = (uint32_t)(m >= width ? period - 1 - m : m);
        }
        if (i & 1) {
            xy[i >> 1] |= column << 16;
        } else {
            xy[i >> 1] = column;
        }
    }
}

// How many of the count pixels at fx, fx + dx, ... (dx > 0) lie before limit.
int pixels_before (int64_t limit, int64_t fx, int64_t dx, int count)
{
    if (fx >= limit) return 0;
    if (fx + (int64_t)(count - 1) * dx < limit) return count;      // the common case needs no division
    int64_t k = (limit - fx + dx - 1) / dx;
    return k < count ? (int)k : count;
}

// Column x blended with itself: the colour of every pixel clamped to it.
SkPMColor edge_color (const State &s, const SkClampFilterRun &run, int x)
{
    SkPMColor c = SkBilerp32 (0, run.fWeightY, run.fRow0[x], run.fRow0[x], run.fRow1[x], run.fRow1[x]);
    return SkScalePMColor (c, s.fAlphaScale);
}

} // namespace

// The same packed row as scale_proc<ClampAxis, ClampAxis, true>: a scale-only inverse maps
// every centre of a device row to the same bitmap row.
SkClampFilterRun SkClampFilterRow (const SkBitmapProcState &s, int x, int y)
{
    ClampAxis ay (s, false);
    int64_t fx, fy;
    start_position (s, x, y, true, &fx, &fy);
    uint32_t packedY = pack_filter (ay, fy, s.fFilterOneY);
    SkClampFilterRun run;
    run.fRow0 = SkSampledRow (s, SkFilterCoordI0 (packedY));
    run.fRow1 = SkSampledRow (s, SkFilterCoordI1 (packedY));
    run.fWeightY = SkFilterCoordWeight (packedY);
    run.fStep = s.fInvSx;
    run.fLeftColor = edge_color (s, run, 0);
    run.fRightColor = edge_color (s, run, s.fBitmap->width () - 1);
    run.fFirstInner = run.fEndInner = 0;
    run.fInnerPos = 0;
    return run;
}

// The same columns as scale_proc<ClampAxis, ClampAxis, true>: a position below 0 clamps both
// columns to 0 and one at or past the last column's centre both to the last, and the blend of
// one column with itself does not depend on the weight.
void SkClampFilterChunk (const SkBitmapProcState &s, int x, int y, int count, SkClampFilterRun *run)
{
    int64_t fx, fy;
    start_position (s, x, y, true, &fx, &fy);
    int64_t last = (int64_t)(s.fBitmap->width () - 1) << 16;
    run->fFirstInner = pixels_before (0, fx, s.fInvSx, count);
    run->fEndInner = pixels_before (last, fx, s.fInvSx, count);
    run->fInnerPos = (uint32_t)(fx + (int64_t)run->fFirstInner * s.fInvSx);
}

SkBitmapProcState::MatrixProc SkGetMatrixProc (SkMatrixProcTable table, int index)
{
    if (index < 0 || index >= 6) return nullptr;
    switch (table) {
    case kClamp_MatrixProcTable: return ProcTable<ClampAxis, ClampAxis>::kProcs[index];
    case kRepeat_MatrixProcTable: return ProcTable<RepeatAxis, RepeatAxis>::kProcs[index];
    case kGeneral_MatrixProcTable: return ProcTable<GeneralAxis, GeneralAxis>::kProcs[index];
    }
    return nullptr;
}

SkBitmapProcState::MatrixProc SkGetTranslateMatrixProc (unsigned tileModeX)
{
    switch (tileModeX) {
    case SkShader::kClamp_TileMode: return translate_proc<SkShader::kClamp_TileMode>;
    case SkShader::kRepeat_TileMode: return translate_proc<SkShader::kRepeat_TileMode>;
    case SkShader::kMirror_TileMode: return translate_proc<SkShader::kMirror_TileMode>;
    default: return nullptr;
    }
}

/*
 * Choosing the sampler's procedures once per draw: the working matrix (pixel space, or the
 * unit square where one bitmap width is 0x10000 when a tile mode repeats or mirrors), the
 * bitmap to sample, whether to filter, and the matrix and sample procedures.
 */
#include "graphics/effects/SkBitmapProcState.h"

#include "graphics/effects/SkBitmapProcStatePriv.h"
#include "graphics/effects/SkShader.h"
#include "graphics/effects/SkTileProcs.h"
#include "graphics/paint/SkPaint.h"

namespace {

// Rows before the bitmap take row 0 and rows after it the last: a negative row is common (an
// anti-aliased edge shades the partial row above a bitmap at a fractional position).
int clamp_int (int v, int n) { return v < 0 ? 0 : (v >= n ? n - 1 : v); }

int repeat_int (int v, int n)
{
    int r = v % n;
    return r < 0 ? r + n : r;
}

int mirror_int (int v, int n)
{
    int64_t period = 2 * (int64_t)n;
    int64_t m = v % period;
    if (m < 0) m += period;
    return (int)(m >= n ? period - 1 - m : m);
}

SkBitmapProcState::IntTileProc int_tile_proc (unsigned mode)
{
    switch (mode) {
    case SkShader::kClamp_TileMode: return clamp_int;
    case SkShader::kRepeat_TileMode: return repeat_int;
    case SkShader::kMirror_TileMode: return mirror_int;
    default: return nullptr;
    }
}

} // namespace

SkBitmapProcState::SkBitmapProcState ()
    : fShaderProc32 (nullptr), fMatrixProc (nullptr), fSampleProc32 (nullptr), fBitmap (nullptr), fInvMatrix (nullptr), fInvProc (nullptr),
      fTileProcX (nullptr), fTileProcY (nullptr), fIntTileProcY (nullptr), fFilterOneX (0), fFilterOneY (0),
      fInvSx (0), fInvKy (0), fAlphaScale (256), fInvType (0), fTileModeX (0), fTileModeY (0), fDoFilter (0)
{
}

int SkBitmapProcState::maxCountPerCall () const
{
    int n = fInvType <= (SkMatrix::kTranslate_Mask | SkMatrix::kScale_Mask) ? 254 : 128;
    return fDoFilter ? n >> 1 : n;
}

bool SkBitmapProcState::chooseProcs (const SkMatrix &inverse, const SkPaint &paint)
{
    int width = fOrigBitmap.width (), height = fOrigBitmap.height ();
    if (width == 0 || height == 0) return false;
    bool trivial = (inverse.getType () & ~SkMatrix::kTranslate_Mask) == 0;
    bool clampClamp = fTileModeX == SkShader::kClamp_TileMode && fTileModeY == SkShader::kClamp_TileMode;
    const SkMatrix *m = &inverse;
    if (!clampClamp && !trivial) {
        SkScalar sx = 1.0f / (SkScalar)width, sy = 1.0f / (SkScalar)height;
        fUnitInverse.setAll (inverse[0] * sx, inverse[1] * sx, inverse[2] * sx, inverse[3] * sy, inverse[4] * sy,
                             inverse[5] * sy, inverse[6], inverse[7], inverse[8]);
        m = &fUnitInverse;
    }
    fBitmap = &fOrigBitmap;
    int shift = fOrigBitmap.mipMap () == nullptr
                    ? 0
                    : fOrigBitmap.extractMipLevel (&fMipBitmap, SkFloatToFixedPinned (m->getScaleX ()),
                                                   SkFloatToFixedPinned (m->getSkewY ()));
    if (shift > 0) {
        // Unit-square coordinates hold for every level; pixel coordinates shrink with it.
        if (m != &fUnitInverse) {
            fUnitInverse = inverse;
            SkScalar scale = (SkScalar)(0x10000 >> shift) / 65536.0f;
            fUnitInverse.postScale (scale, scale);
            m = &fUnitInverse;
        }
        fBitmap = &fMipBitmap;
    }
    fInvMatrix = m;
    fInvProc = m->getMapXYProc ();
    fInvType = m->getType ();
    fInvSx = SkFloatToFixedPinned (m->getScaleX ());
    fInvKy = SkFloatToFixedPinned (m->getSkewY ());
    fAlphaScale = (uint16_t)(paint.getAlpha () + 1);
    fDoFilter = paint.isFilterBitmap () && inverse.getType () > SkMatrix::kTranslate_Mask &&
                (fBitmap->width () | fBitmap->height ()) < kMaxFilterSide;
    fShaderProc32 = nullptr;
    fSampleProc32 = nullptr;
    fMatrixProc = chooseMatrixProc (trivial);
    if (fMatrixProc == nullptr) return false;
    int index = (fAlphaScale < 256 ? 1 : 0) | (fInvType < SkMatrix::kAffine_Mask ? 2 : 0) | (fDoFilter ? 4 : 0);
    if (fBitmap->config () != SkBitmap::kARGB_8888_Config) return false;
    fSampleProc32 = SkGetSampleProc32 (index);
    fShaderProc32 = chooseShaderProc ();
    return true;
}

SkBitmapProcState::MatrixProc SkBitmapProcState::chooseMatrixProc (bool trivial)
{
    if (SkGetFixedTileProc (fTileModeX) == nullptr || SkGetFixedTileProc (fTileModeY) == nullptr) return nullptr;
    if (trivial) {
        fIntTileProcY = int_tile_proc (fTileModeY);
        return SkGetTranslateMatrixProc (fTileModeX);
    }
    int index = (fDoFilter ? 1 : 0) + ((fInvType & SkMatrix::kPerspective_Mask) ? 4
                                       : (fInvType & SkMatrix::kAffine_Mask)    ? 2
                                                                                : 0);
    if (fTileModeX == SkShader::kClamp_TileMode && fTileModeY == SkShader::kClamp_TileMode) {
        fFilterOneX = fFilterOneY = SK_Fixed1;
        return SkGetMatrixProc (kClamp_MatrixProcTable, index);
    }
    fFilterOneX = SK_Fixed1 / fBitmap->width ();
    fFilterOneY = SK_Fixed1 / fBitmap->height ();
    if (fTileModeX == SkShader::kRepeat_TileMode && fTileModeY == SkShader::kRepeat_TileMode) {
        return SkGetMatrixProc (kRepeat_MatrixProcTable, index);
    }
    fTileProcX = SkGetFixedTileProc (fTileModeX);
    fTileProcY = SkGetFixedTileProc (fTileModeY);
    return SkGetMatrixProc (kGeneral_MatrixProcTable, index);
}

SkBitmapProcState::ShaderProc32 SkBitmapProcState::chooseShaderProc () const
{
    bool clampClamp = fTileModeX == SkShader::kClamp_TileMode && fTileModeY == SkShader::kClamp_TileMode;
    bool scaleOnly = fInvType < SkMatrix::kAffine_Mask;
    if (!fDoFilter || !clampClamp || !scaleOnly || fInvSx <= 0) return nullptr;
    return SkGetClampFilterShaderProc32 (fAlphaScale < 256, fInvSx <= SK_Fixed1);
}

/*
 * The gradient base: colours and positions, the colour cache, the context, flattening and the
 * descriptions asAGradient and asABitmap give; and the radial factory.
 */
#include "graphics/effects/SkGradientShader.h"

#include <math.h>

#include "graphics/bitmap/SkBitmap.h"
#include "graphics/core/SkColorPriv.h"
#include "graphics/core/SkMath.h"
#include "graphics/effects/SkGradientShaderPriv.h"
#include "graphics/effects/SkReadPriv.h"
#include "graphics/paint/SkPaint.h"

namespace {

const uint32_t kNoCacheAlpha = 256;

// Channel values of one ramp, each 16.16 and stepped per entry.
struct RampChannels {
    int32_t a, r, g, b;
};

// The dithered twin of a channel: rounds up where the fraction is large enough.
unsigned dither_color_channel (int32_t f)
{
    int32_t v = f >> 8;
    return (unsigned)((2 * v - ((v & ~0xFF) | (v >> 8))) >> 8);
}

unsigned dither_alpha_channel (int32_t f)
{
    int32_t v = f >> 8;
    return (unsigned)((2 * v - (v | (v >> 8))) >> 8);
}

SkPMColor premultiply_round (unsigned a, unsigned r, unsigned g, unsigned b)
{
    if (a != 255) {
        r = SkMulDiv255Round (r, a);
        g = SkMulDiv255Round (g, a);
        b = SkMulDiv255Round (b, a);
    }
    return SkPackARGB32 (a, r, g, b);
}

// n entries (n >= 2) from c0 to c1 at paint alpha, each with its dithered twin kCacheCount on.
void build_ramp (SkPMColor cache[], SkColor c0, SkColor c1, int n, unsigned alpha)
{
    unsigned a0 = SkMulDiv255Round (SkColorGetA (c0), alpha), a1 = SkMulDiv255Round (SkColorGetA (c1), alpha);
    auto start = [] (unsigned v) { return (int32_t)((v << 16) + 0x8000); };
    auto step = [n] (unsigned from, unsigned to) { return (int32_t)(((int32_t)to - (int32_t)from) * 65536 / (n - 1)); };
    RampChannels v = { start (a0), start (SkColorGetR (c0)), start (SkColorGetG (c0)), start (SkColorGetB (c0)) };
    RampChannels d = { step (a0, a1), step (SkColorGetR (c0), SkColorGetR (c1)), step (SkColorGetG (c0), SkColorGetG (c1)),
                       step (SkColorGetB (c0), SkColorGetB (c1)) };
    for (int k = 0; k < n; k++) {
        cache[k] = premultiply_round ((unsigned)v.a >> 16, (unsigned)v.r >> 16, (unsigned)v.g >> 16, (unsigned)v.b >> 16);
        cache[k + SkGradientBase::kCacheCount] =
            premultiply_round (dither_alpha_channel (v.a), dither_color_channel (v.r), dither_color_channel (v.g),
                               dither_color_channel (v.b));
        v.a += d.a;
        v.r += d.r;
        v.g += d.g;
        v.b += d.b;
    }
}

// A channel cut to its top bits, rounded up where the dropped bits are large enough: the
// dithered twin of a 5-6-5 entry. Shift is 3 for five bits, 2 for six.
unsigned dither_channel16 (unsigned v, unsigned shift)
{
    return (2 * v - ((v >> (8 - shift)) | (v & ~((1u << shift) - 1)))) >> shift;
}

// The 16-bit ramp: the channels of build_ramp, without alpha, packed 5-6-5.
void build_ramp16 (uint16_t cache[], SkColor c0, SkColor c1, int n)
{
    auto start = [] (unsigned v) { return (int32_t)((v << 16) + 0x8000); };
    auto step = [n] (unsigned from, unsigned to) { return (int32_t)(((int32_t)to - (int32_t)from) * 65536 / (n - 1)); };
    int32_t r = start (SkColorGetR (c0)), g = start (SkColorGetG (c0)), b = start (SkColorGetB (c0));
    int32_t dr = step (SkColorGetR (c0), SkColorGetR (c1)), dg = step (SkColorGetG (c0), SkColorGetG (c1)),
            db = step (SkColorGetB (c0), SkColorGetB (c1));
    for (int k = 0; k < n; k++, r += dr, g += dg, b += db) {
        unsigned r8 = (unsigned)r >> 16, g8 = (unsigned)g >> 16, b8 = (unsigned)b >> 16;
        cache[k] = SkPack888ToRGB16 (r8, g8, b8);
        cache[k + SkGradientBase::kCacheCount] =
            SkPackRGB16 (dither_channel16 (r8, 3), dither_channel16 (g8, 2), dither_channel16 (b8, 3));
    }
}

// The cache entry of a position 0 .. 0x10000.
int cache_index (SkFixed pos) { return (pos - (pos >> 16)) >> 8; }

} // namespace

SkGradientBase::SkGradientBase (const SkGradientColors &desc)
    : fTileProc (SkGetFixedTileProc ((unsigned)desc.fMode)), fTileMode ((uint8_t)desc.fMode)
{
    if (fTileProc != nullptr && desc.fColors != nullptr) initColors (desc.fColors, desc.fPositions, desc.fCount);
}

SkGradientBase::~SkGradientBase ()
{
    sk_free (fCache32);
    sk_free (fCache16);
    sk_free (fOrigColors);
}

// Positions are made sound whatever the caller or the data gave: the first is 0, the last
// 0x10000, and none is below the one before or outside 0 .. 0x10000, so that every cache
// entry is written.
bool SkGradientBase::initColors (const SkColor colors[], const SkFixed positions[], int count)
{
    if (count < 2 || count > kMaxColorCount) return false;
    void *block = sk_malloc ((size_t)count * (sizeof (SkColor) + sizeof (Rec)));
    if (block == nullptr) return false;
    fOrigColors = (SkColor *)block;
    fRecs = (Rec *)(fOrigColors + count);
    fColorCount = count;
    memcpy (fOrigColors, colors, (size_t)count * sizeof (SkColor));
    SkFixed prev = 0;
    for (int i = 0; i < count; i++) {
        SkFixed pos = positions != nullptr ? SkPin32 (positions[i], prev, SK_Fixed1) : (SkFixed)((int64_t)SK_Fixed1 * i / (count - 1));
        if (i == 0) pos = 0;
        if (i == count - 1) pos = SK_Fixed1;
        fRecs[i].fPos = pos;
        fRecs[i].fScale = pos > prev ? (uint32_t)((1u << 24) / (uint32_t)(pos - prev)) : 0;
        prev = pos;
    }
    return true;
}

SkGradientBase::SkGradientBase (SkFlattenableReadBuffer &buffer) : SkShader (buffer)
{
    SkAutoTUnref<SkFlattenable> mapper (buffer.readFlattenable ());
    uint32_t count = buffer.readU32 ();
    if (mapper.get () != nullptr || count < 2 || count > kMaxColorCount || buffer.remaining () < count * 4) {
        buffer.markFailed ();                           // no unit mapper exists in this library
        return;
    }
    SkColor colors[kMaxColorCount];
    SkFixed positions[kMaxColorCount];
    buffer.read (colors, count * sizeof (SkColor));
    uint32_t mode = buffer.readU32 ();
    positions[0] = 0;
    for (uint32_t i = 1; count > 2 && i < count; i++) {
        positions[i] = (SkFixed)buffer.readU32 ();
        (void)buffer.readU32 ();                        // the scale is derived again from the positions
    }
    fTileProc = SkGetFixedTileProc (mode);
    fTileMode = (uint8_t)mode;
    for (int i = 0; i < 9; i++) fPtsToUnit.set (i, buffer.readScalar ());
    if (buffer.failed () || fTileProc == nullptr || !initColors (colors, count > 2 ? positions : nullptr, (int)count)) {
        buffer.markFailed ();
    }
}

void SkGradientBase::flatten (SkFlattenableWriteBuffer &buffer)
{
    SkShader::flatten (buffer);
    buffer.writeFlattenable (nullptr);                  // no unit mapper
    buffer.write32 ((uint32_t)fColorCount);
    buffer.writeMul4 (fOrigColors, (size_t)fColorCount * sizeof (SkColor));
    buffer.write32 (fTileMode);
    for (int i = 1; fColorCount > 2 && i < fColorCount; i++) {
        buffer.write32 ((uint32_t)fRecs[i].fPos);
        buffer.write32 (fRecs[i].fScale);
    }
    for (int i = 0; i < 9; i++) buffer.writeScalar (fPtsToUnit.get (i));
}

bool SkGradientBase::setContext (const SkBitmap &device, const SkPaint &paint, const SkMatrix &matrix)
{
    if (!valid () || fDegenerate || !SkShader::setContext (device, paint, matrix)) return false;
    if (!fDstToIndex.setConcat (fPtsToUnit, getTotalInverse ())) return false;
    fDstToIndexProc = fDstToIndex.getMapXYProc ();
    fDstToIndexClass = (uint8_t)ComputeMatrixClass (fDstToIndex);
    unsigned colorAlpha = 0xFF;
    for (int i = 0; i < fColorCount; i++) colorAlpha &= SkColorGetA (fOrigColors[i]);
    unsigned paintAlpha = getPaintAlpha ();
    fFlags = 0;
    if ((colorAlpha & paintAlpha) == 0xFF) fFlags |= kOpaqueAlpha_Flag;
    if (colorAlpha == 0xFF) fFlags |= kHasSpan16_Flag;
    if (paintAlpha != fCacheAlpha) {
        fCacheAlpha = kNoCacheAlpha;                    // rebuilt at the next span
        fPendingAlpha = paintAlpha;
    }
    return true;
}

void SkGradientBase::buildCache32 (SkPMColor cache[], unsigned alpha) const
{
    if (fColorCount == 2) {
        build_ramp (cache, fOrigColors[0], fOrigColors[1], kCacheCount, alpha);
        return;
    }
    int prevIndex = 0;
    for (int i = 1; i < fColorCount; i++) {
        int nextIndex = cache_index (fRecs[i].fPos);
        if (nextIndex > prevIndex) build_ramp (cache + prevIndex, fOrigColors[i - 1], fOrigColors[i], nextIndex - prevIndex + 1, alpha);
        prevIndex = nextIndex;
    }
}

const SkPMColor *SkGradientBase::getCache32 ()
{
    if (fCacheAlpha == kNoCacheAlpha) {
        if (fCache32 == nullptr) fCache32 = (SkPMColor *)sk_malloc (2 * kCacheCount * sizeof (SkPMColor));
        if (fCache32 == nullptr) return nullptr;
        buildCache32 (fCache32, fPendingAlpha);
        fCacheAlpha = fPendingAlpha;
    }
    return fCache32;
}

void SkGradientBase::buildCache16 (uint16_t cache[]) const
{
    if (fColorCount == 2) {
        build_ramp16 (cache, fOrigColors[0], fOrigColors[1], kCacheCount);
        return;
    }
    int prevIndex = 0;
    for (int i = 1; i < fColorCount; i++) {
        int nextIndex = cache_index (fRecs[i].fPos);
        if (nextIndex > prevIndex) build_ramp16 (cache + prevIndex, fOrigColors[i - 1], fOrigColors[i], nextIndex - prevIndex + 1);
        prevIndex = nextIndex;
    }
}

const uint16_t *SkGradientBase::getCache16 ()
{
    if (fCache16 == nullptr && valid ()) {
        fCache16 = (uint16_t *)sk_malloc (2 * kCacheCount * sizeof (uint16_t));
        if (fCache16 != nullptr) buildCache16 (fCache16);
    }
    return fCache16;
}

void SkGradientBase::commonAsAGradient (GradientInfo *info) const
{
    if (info->fColorCount >= fColorCount) {
        if (info->fColors != nullptr) memcpy (info->fColors, fOrigColors, (size_t)fColorCount * sizeof (SkColor));
        if (info->fColorOffsets != nullptr) {
            for (int i = 0; i < fColorCount; i++) {
                info->fColorOffsets[i] = fColorCount == 2 ? (SkScalar)i : (SkScalar)fRecs[i].fPos / 65536.0f;
            }
        }
    }
    info->fColorCount = fColorCount;
    info->fTileMode = fTileMode;
}

bool SkGradientBase::commonAsABitmap (SkBitmap *bitmap) const
{
    if (bitmap == nullptr) return true;
    SkBitmap bm;
    bm.setConfig (SkBitmap::kARGB_8888_Config, kCacheCount, 1);
    SkPMColor cache[2 * kCacheCount];
    if (!valid () || !bm.allocPixels ()) return false;
    buildCache32 (cache, 0xFF);
    memcpy (bm.getPixels (), cache, kCacheCount * sizeof (SkPMColor));
    bm.unlockPixels ();
    *bitmap = bm;
    return true;
}

// -------------------------------------------------------------------------------------------

namespace {

// Reads one gradient kind: the base (which marks the buffer failed for bad colours) and the
// kind's own fields; null for short or bad data.
template <typename T> SkFlattenable *read_gradient (SkFlattenableReadBuffer &buffer) { return SkReadUnlessFailed<T> (buffer); }

SkPoint read_point (SkFlattenableReadBuffer &buffer)
{
    SkScalar x = buffer.readScalar ();
    return SkPoint::Make (x, buffer.readScalar ());
}

void write_point (SkFlattenableWriteBuffer &buffer, const SkPoint &pt)
{
    buffer.writeScalar (pt.fX);
    buffer.writeScalar (pt.fY);
}

// Neither infinite nor NaN.
bool is_finite (SkScalar v) { return v * 0 == 0; }

bool usable_length (SkScalar length) { return length != 0 && is_finite (length) && is_finite (1.0f / length); }

// Translate by -origin, then scale by 1 / length (0 for a length without a finite inverse).
SkMatrix unit_matrix (const SkPoint &origin, SkScalar length)
{
    SkMatrix m;
    m.setTranslate (-origin.fX, -origin.fY);
    SkScalar inv = usable_length (length) ? 1.0f / length : 0;
    m.postScale (inv, inv);
    return m;
}

} // namespace

SkShader *SkGradientShader::CreateRadial (const SkPoint &center, SkScalar radius, const SkColor colors[2])
{
    if (colors == nullptr) return nullptr;
    SkRadialGradient *shader = new SkRadialGradient (center, radius, SkGradientColors { colors, nullptr, 2, SkShader::kClamp_TileMode });
    if (shader != nullptr && !shader->valid ()) {
        shader->unref ();
        return nullptr;
    }
    return shader;
}

// --- linear --------------------------------------------------------------------------------

SkLinearGradient::SkLinearGradient (const SkPoint pts[2], const SkGradientColors &desc)
    : SkGradientBase (desc), fStart (pts[0]), fEnd (pts[1])
{
    // Unit x runs along the line from start to end.
    SkVector v = SkPoint::Make (pts[1].fX - pts[0].fX, pts[1].fY - pts[0].fY);
    SkScalar len2 = v.fX * v.fX + v.fY * v.fY;
    SkScalar inv = usable_length (len2) ? 1.0f / len2 : 0;
    fDegenerate = inv == 0;
    fPtsToUnit.setAll (v.fX * inv, v.fY * inv, -(pts[0].fX * v.fX + pts[0].fY * v.fY) * inv, -v.fY * inv, v.fX * inv,
                       (pts[0].fX * v.fY - pts[0].fY * v.fX) * inv, 0, 0, 1);
}

SkLinearGradient::SkLinearGradient (SkFlattenableReadBuffer &buffer) : SkGradientBase (buffer)
{
    fStart = read_point (buffer);
    fEnd = read_point (buffer);
    SkScalar dx = fEnd.fX - fStart.fX, dy = fEnd.fY - fStart.fY;
    fDegenerate = !usable_length (dx * dx + dy * dy);
}

SkFlattenable *SkLinearGradient::CreateProc (SkFlattenableReadBuffer &buffer) { return read_gradient<SkLinearGradient> (buffer); }

void SkLinearGradient::flatten (SkFlattenableWriteBuffer &buffer)
{
    SkGradientBase::flatten (buffer);
    write_point (buffer, fStart);
    write_point (buffer, fEnd);
}

SkShader::BitmapType SkLinearGradient::asABitmap (SkBitmap *bitmap, SkMatrix *matrix, TileMode xy[2], SkScalar *) const
{
    if (!commonAsABitmap (bitmap)) return kNone_BitmapType;
    if (matrix != nullptr) {
        *matrix = fPtsToUnit;
        matrix->postScale (kCacheCount, 1);
    }
    if (xy != nullptr) {
        xy[0] = (TileMode)fTileMode;
        xy[1] = kClamp_TileMode;
    }
    return kDefault_BitmapType;
}

SkShader::GradientType SkLinearGradient::asAGradient (GradientInfo *info) const
{
    if (info != nullptr) {
        commonAsAGradient (info);
        info->fPoint[0] = fStart;
        info->fPoint[1] = fEnd;
    }
    return kLinear_GradientType;
}

// --- radial --------------------------------------------------------------------------------

SkRadialGradient::SkRadialGradient (const SkPoint &center, SkScalar radius, const SkGradientColors &desc)
    : SkGradientBase (desc), fCenter (center), fRadius (radius)
{
    fPtsToUnit = unit_matrix (center, radius);
    fDegenerate = !usable_length (radius);
}

SkRadialGradient::SkRadialGradient (SkFlattenableReadBuffer &buffer) : SkGradientBase (buffer)
{
    fCenter = read_point (buffer);
    fRadius = buffer.readScalar ();
    fDegenerate = !usable_length (fRadius);
}

SkFlattenable *SkRadialGradient::CreateProc (SkFlattenableReadBuffer &buffer) { return read_gradient<SkRadialGradient> (buffer); }

void SkRadialGradient::flatten (SkFlattenableWriteBuffer &buffer)
{
    SkGradientBase::flatten (buffer);
    write_point (buffer, fCenter);
    buffer.writeScalar (fRadius);
}

SkShader::BitmapType SkRadialGradient::asABitmap (SkBitmap *bitmap, SkMatrix *matrix, TileMode xy[2], SkScalar *) const
{
    if (!commonAsABitmap (bitmap)) return kNone_BitmapType;
    if (matrix != nullptr) {
        *matrix = fPtsToUnit;
        matrix->postScale (kCacheCount, kCacheCount);
    }
    if (xy != nullptr) {
        xy[0] = (TileMode)fTileMode;
        xy[1] = kClamp_TileMode;
    }
    return kRadial_BitmapType;
}

SkShader::GradientType SkRadialGradient::asAGradient (GradientInfo *info) const
{
    if (info != nullptr) {
        commonAsAGradient (info);
        info->fPoint[0] = fCenter;
        info->fRadius[0] = fRadius;
    }
    return kRadial_GradientType;
}

// --- sweep ---------------------------------------------------------------------------------

SkSweepGradient::SkSweepGradient (const SkPoint &center, const SkGradientColors &desc) : SkGradientBase (desc), fCenter (center)
{
    fPtsToUnit.setTranslate (-center.fX, -center.fY);
}

SkSweepGradient::SkSweepGradient (SkFlattenableReadBuffer &buffer) : SkGradientBase (buffer) { fCenter = read_point (buffer); }

SkFlattenable *SkSweepGradient::CreateProc (SkFlattenableReadBuffer &buffer) { return read_gradient<SkSweepGradient> (buffer); }

void SkSweepGradient::flatten (SkFlattenableWriteBuffer &buffer)
{
    SkGradientBase::flatten (buffer);
    write_point (buffer, fCenter);
}

SkShader::BitmapType SkSweepGradient::asABitmap (SkBitmap *bitmap, SkMatrix *matrix, TileMode xy[2], SkScalar *) const
{
    if (!commonAsABitmap (bitmap)) return kNone_BitmapType;
    if (matrix != nullptr) *matrix = fPtsToUnit;
    if (xy != nullptr) {
        xy[0] = (TileMode)fTileMode;
        xy[1] = kClamp_TileMode;
    }
    return kSweep_BitmapType;
}

SkShader::GradientType SkSweepGradient::asAGradient (GradientInfo *info) const
{
    if (info != nullptr) {
        commonAsAGradient (info);
        info->fPoint[0] = fCenter;
    }
    return kSweep_GradientType;
}

// --- two-point radial ----------------------------------------------------------------------

SkTwoPointRadialGradient::SkTwoPointRadialGradient (const SkPoint &start, SkScalar startRadius, const SkPoint &end,
                                                    SkScalar endRadius, const SkGradientColors &desc)
    : SkGradientBase (desc), fCenter1 (start), fCenter2 (end), fRadius1 (startRadius), fRadius2 (endRadius)
{
    init ();
}

SkTwoPointRadialGradient::SkTwoPointRadialGradient (SkFlattenableReadBuffer &buffer) : SkGradientBase (buffer)
{
    fCenter1 = read_point (buffer);
    fCenter2 = read_point (buffer);
    fRadius1 = buffer.readScalar ();
    fRadius2 = buffer.readScalar ();
    init ();
}

// The derived fields; equal radii leave them 0 (such a gradient draws transparent pixels).
void SkTwoPointRadialGradient::init ()
{
    fDiffRadius = fRadius2 - fRadius1;
    fDiff = SkPoint::Make (0, 0);
    fStartRadius = fSr2d2 = fA = fOneOverTwoA = 0;
    if (fDiffRadius != 0) {
        SkScalar inv = 1.0f / fDiffRadius;
        fDiff = SkPoint::Make ((fCenter1.fX - fCenter2.fX) * inv, (fCenter1.fY - fCenter2.fY) * inv);
        fStartRadius = fRadius1 * inv;
        fSr2d2 = fStartRadius * fStartRadius;
        fA = fDiff.fX * fDiff.fX + fDiff.fY * fDiff.fY - 1;
        fOneOverTwoA = fA != 0 ? 1.0f / (2 * fA) : 0;
    }
    fPtsToUnit = unit_matrix (fCenter1, fDiffRadius);
}

SkFlattenable *SkTwoPointRadialGradient::CreateProc (SkFlattenableReadBuffer &buffer)
{
    return read_gradient<SkTwoPointRadialGradient> (buffer);
}

void SkTwoPointRadialGradient::flatten (SkFlattenableWriteBuffer &buffer)
{
    SkGradientBase::flatten (buffer);
    write_point (buffer, fCenter1);
    write_point (buffer, fCenter2);
    buffer.writeScalar (fRadius1);
    buffer.writeScalar (fRadius2);
}

bool SkTwoPointRadialGradient::setContext (const SkBitmap &device, const SkPaint &paint, const SkMatrix &matrix)
{
    if (!SkGradientBase::setContext (device, paint, matrix)) return false;
    fFlags &= ~(uint8_t)kHasSpan16_Flag;        // there is no 16-bit span
    return true;
}

SkShader::BitmapType SkTwoPointRadialGradient::asABitmap (SkBitmap *bitmap, SkMatrix *matrix, TileMode xy[2],
                                                          SkScalar *params) const
{
    if (!commonAsABitmap (bitmap)) return kNone_BitmapType;
    SkScalar length = sqrtf (fDiff.fX * fDiff.fX + fDiff.fY * fDiff.fY);
    if (matrix != nullptr) {
        *matrix = fPtsToUnit;
        if (length != 0) {
            // Brings the diff vector onto the x axis: cosine diff.x / length, sine -diff.y / length.
            SkScalar c = fDiff.fX / length, s = -fDiff.fY / length;
            SkMatrix rot;
            rot.setAll (c, -s, 0, s, c, 0, 0, 0, 1);
            matrix->postConcat (rot);
        }
    }
    if (xy != nullptr) {
        xy[0] = (TileMode)fTileMode;
        xy[1] = kClamp_TileMode;
    }
    if (params != nullptr) {
        params[0] = length;
        params[1] = fStartRadius;
        params[2] = fDiffRadius;
    }
    return kTwoPointRadial_BitmapType;
}

SkShader::GradientType SkTwoPointRadialGradient::asAGradient (GradientInfo *info) const
{
    if (info != nullptr) {
        commonAsAGradient (info);
        info->fPoint[0] = fCenter1;
        info->fPoint[1] = fCenter2;
        info->fRadius[0] = fRadius1;
        info->fRadius[1] = fRadius2;
    }
    return kRadial2_GradientType;
}

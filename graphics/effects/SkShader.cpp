/*
 * The shader base (local matrix and the per-draw context), the colour shader and the filter
 * shader. The empty shader is complete in the header.
 */
#include "graphics/effects/SkShader.h"

#include "graphics/bitmap/SkBitmap.h"
#include "graphics/core/SkColorPriv.h"
#include "graphics/core/SkMath.h"
#include "graphics/core/SkUtils.h"
#include "graphics/effects/SkColorFilter.h"
#include "graphics/effects/SkReadPriv.h"
#include "graphics/paint/SkPaint.h"

SkShader::SkShader () : fLocalMatrix (nullptr), fPaintAlpha (0), fDeviceConfig (0), fTotalInverseClass (0) {}

SkShader::~SkShader () { resetLocalMatrix (); }

SkShader::SkShader (SkFlattenableReadBuffer &buffer) : SkShader ()
{
    if (!buffer.readBool ()) return;
    SkMatrix m;
    for (int i = 0; i < 9; i++) m.set (i, buffer.readScalar ());   // the type is recomputed
    if (!buffer.failed ()) setLocalMatrix (m);                      // an identity is dropped
}

void SkShader::flatten (SkFlattenableWriteBuffer &buffer)
{
    buffer.writeBool (fLocalMatrix != nullptr);
    if (fLocalMatrix == nullptr) return;
    for (int i = 0; i < 9; i++) buffer.writeScalar (fLocalMatrix->get (i));
}

void SkShader::resetLocalMatrix ()
{
    if (fLocalMatrix != nullptr) {
        fLocalMatrix->~SkMatrix ();
        sk_free (fLocalMatrix);
        fLocalMatrix = nullptr;
    }
}

bool SkShader::getLocalMatrix (SkMatrix *localM) const
{
    if (fLocalMatrix != nullptr) {
        if (localM != nullptr) *localM = *fLocalMatrix;
        return true;
    }
    if (localM != nullptr) localM->reset ();
    return false;
}

bool SkShader::setLocalMatrix (const SkMatrix &localM)
{
    if (localM.isIdentity ()) {
        resetLocalMatrix ();
        return true;
    }
    if (fLocalMatrix == nullptr) {
        void *storage = sk_malloc (sizeof (SkMatrix));
        if (storage == nullptr) return false;
        fLocalMatrix = new (storage) SkMatrix;
    }
    *fLocalMatrix = localM;
    return true;
}

bool SkShader::setContext (const SkBitmap &device, const SkPaint &paint, const SkMatrix &matrix)
{
    fDeviceConfig = (uint8_t)device.config ();
    fPaintAlpha = paint.getAlpha ();
    SkMatrix total;
    const SkMatrix *m = &matrix;
    if (fLocalMatrix != nullptr) {
        total.setConcat (matrix, *fLocalMatrix);        // the local matrix applies first
        m = &total;
    }
    if (!m->invert (&fTotalInverse)) return false;
    fTotalInverseClass = (uint8_t)ComputeMatrixClass (fTotalInverse);
    return true;
}

void SkShader::shadeSpan (int, int, SkPMColor dst[], int count)
{
    if (count > 0) memset (dst, 0, (size_t)count * sizeof (SkPMColor));
}

void SkShader::shadeSpanAlpha (int x, int y, uint8_t alpha[], int count)
{
    const int kChunk = 24;
    SkPMColor colors[kChunk];
    while (count > 0) {
        int n = count < kChunk ? count : kChunk;
        shadeSpan (x, y, colors, n);
        for (int i = 0; i < n; i++) alpha[i] = (uint8_t)SkGetPackedA32 (colors[i]);
        x += n;
        alpha += n;
        count -= n;
    }
}

SkShader::BitmapType SkShader::asABitmap (SkBitmap *, SkMatrix *, TileMode[2], SkScalar *) const
{
    return kNone_BitmapType;
}

SkShader::GradientType SkShader::asAGradient (GradientInfo *) const { return kNone_GradientType; }

SkShader::MatrixClass SkShader::ComputeMatrixClass (const SkMatrix &matrix)
{
    if (!matrix.hasPerspective ()) return kLinear_MatrixClass;
    SkScalar p0 = matrix.getPerspX ();
    return (p0 < 0 ? -p0 : p0) < 1.4901161e-08f ? kFixedStepInX_MatrixClass : kPerspective_MatrixClass;
}

// ---------------------------------------------------------------------------------------------

SkColorShader::SkColorShader () : fColor (0), fPMColor (0), fFlags (0), fColor16 (0), fInheritColor (1) {}

SkColorShader::SkColorShader (SkColor c) : fColor (c), fPMColor (0), fFlags (0), fColor16 (0), fInheritColor (0) {}

SkColorShader::SkColorShader (SkFlattenableReadBuffer &buffer)
    : SkShader (buffer), fColor (0), fPMColor (0), fFlags (0), fColor16 (0)
{
    fInheritColor = buffer.readBool ();
    if (!fInheritColor) fColor = buffer.readU32 ();
}

void SkColorShader::flatten (SkFlattenableWriteBuffer &buffer)
{
    SkShader::flatten (buffer);
    buffer.write32 (fInheritColor);
    if (!fInheritColor) buffer.write32 (fColor);
}


SkFlattenable *SkColorShader::CreateProc (SkFlattenableReadBuffer &buffer)
{
    return SkReadUnlessFailed<SkColorShader> (buffer);
}

SkFlattenable *SkEmptyShader::CreateProc (SkFlattenableReadBuffer &buffer)
{
    return SkReadUnlessFailed<SkEmptyShader> (buffer);
}

bool SkColorShader::setContext (const SkBitmap &device, const SkPaint &paint, const SkMatrix &matrix)
{
    if (!SkShader::setContext (device, paint, matrix)) return false;
    unsigned a;
    if (fInheritColor) {
        fColor = paint.getColor ();
        a = SkColorGetA (fColor);
    } else {
        a = SkAlphaMul (SkColorGetA (fColor), SkAlpha255To256 (paint.getAlpha ()));
    }
    unsigned r = SkColorGetR (fColor), g = SkColorGetG (fColor), b = SkColorGetB (fColor);
    fColor16 = SkPack888ToRGB16 (r, g, b);
    if (a != 255) {
        r = SkMulDiv255Round (r, a);
        g = SkMulDiv255Round (g, a);
        b = SkMulDiv255Round (b, a);
    }
    fPMColor = SkPackARGB32 (a, r, g, b);
    fFlags = kConstInY32_Flag;
    if (a == 255) {
        fFlags |= kOpaqueAlpha_Flag;
        if (!paint.isDither ()) fFlags |= kHasSpan16_Flag;
    }
    return true;
}

void SkColorShader::shadeSpan (int, int, SkPMColor dst[], int count) { sk_memset32 (dst, fPMColor, count); }

void SkColorShader::shadeSpanAlpha (int, int, uint8_t alpha[], int count)
{
    if (count > 0) memset (alpha, (int)SkGetPackedA32 (fPMColor), (size_t)count);
}

SkShader::GradientType SkColorShader::asAGradient (GradientInfo *info) const
{
    if (info != nullptr) {
        if (info->fColors != nullptr && info->fColorCount >= 1) info->fColors[0] = fColor;
        info->fColorCount = 1;
        info->fTileMode = kRepeat_TileMode;
    }
    return kColor_GradientType;
}

// ---------------------------------------------------------------------------------------------

SkFilterShader::SkFilterShader (SkShader *shader, SkColorFilter *filter) : fShader (shader), fFilter (filter)
{
    SkSafeRef (shader);
    SkSafeRef (filter);
}

SkFilterShader::~SkFilterShader ()
{
    SkSafeUnref (fFilter);
    SkSafeUnref (fShader);
}

uint32_t SkFilterShader::getFlags ()
{
    uint32_t shaderFlags = fShader->getFlags (), filterFlags = fFilter->getFlags ();
    if (!(filterFlags & SkColorFilter::kAlphaUnchanged_Flag))
        shaderFlags &= ~(uint32_t)(kOpaqueAlpha_Flag | kHasSpan16_Flag);
    else if (!(filterFlags & SkColorFilter::kHasFilter16_Flag))
        shaderFlags &= ~(uint32_t)kHasSpan16_Flag;
    return shaderFlags;
}

bool SkFilterShader::setContext (const SkBitmap &device, const SkPaint &paint, const SkMatrix &matrix)
{
    return SkShader::setContext (device, paint, matrix) && fShader->setContext (device, paint, matrix);
}

void SkFilterShader::shadeSpan (int x, int y, SkPMColor dst[], int count)
{
    fShader->shadeSpan (x, y, dst, count);
    fFilter->filterSpan (dst, count, dst);
}

void SkFilterShader::beginSession () { fShader->beginSession (); }
void SkFilterShader::endSession () { fShader->endSession (); }

void SkFilterShader::flatten (SkFlattenableWriteBuffer &buffer)
{
    SkShader::flatten (buffer);
    buffer.writeFlattenable (fShader);
    buffer.writeFlattenable (fFilter);
}

// The inner objects are read as a shader and a colour filter: an object of another family
// in their place fails the buffer rather than being used as one.
SkFlattenable *SkFilterShader::CreateProc (SkFlattenableReadBuffer &buffer)
{
    SkEmptyShader base (buffer);        // reads the base fields
    SkAutoTUnref<SkFlattenable> shader (buffer.readFlattenable (kShader_Type));
    SkAutoTUnref<SkFlattenable> filter (buffer.readFlattenable (kColorFilter_Type));
    if (buffer.failed () || shader.get () == nullptr || filter.get () == nullptr) return nullptr;
    SkFilterShader *result = new SkFilterShader ((SkShader *)shader.get (), (SkColorFilter *)filter.get ());
    SkMatrix local;
    if (result != nullptr && base.getLocalMatrix (&local)) result->setLocalMatrix (local);
    return result;
}

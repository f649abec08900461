/*
 * The bitmap shader and the factory of the shader that draws a bitmap.
 */
#include "graphics/effects/SkBitmapProcShader.h"

#include "graphics/bitmap/SkColorTable.h"
#include "graphics/core/SkColorPriv.h"
#include "graphics/core/SkString.h"
#include "graphics/core/SkUnPreMultiply.h"
#include "graphics/effects/SkReadPriv.h"
#include "graphics/paint/SkPaint.h"

namespace {

bool valid_tile_mode (uint32_t mode) { return mode < SkShader::kTileModeCount; }

// Pixels present, and a colour table where the format needs one.
bool ready_to_draw (const SkBitmap &bm)
{
    if (bm.getPixels () == nullptr) return false;
    bool indexed = bm.config () == SkBitmap::kIndex8_Config || bm.config () == SkBitmap::kRLE_Index8_Config;
    return !indexed || bm.getColorTable () != nullptr;
}

// The unpremultiplied colour of a 1×1 bitmap's pixel, where its format allows reading one.
bool read_single_color (const SkBitmap &bm, SkColor *color)
{
    SkAutoLockPixels lock (bm);
    if (!ready_to_draw (bm)) return false;
    switch (bm.config ()) {
    case SkBitmap::kARGB_8888_Config:
        *color = SkUnPreMultiply::PMColorToColor (*bm.getAddr32 (0, 0));
        return true;
    case SkBitmap::kRGB_565_Config: {
        uint16_t p = *bm.getAddr16 (0, 0);
        *color = SkColorSetRGB (SkR16ToR32 (SkGetPackedR16 (p)), SkG16ToG32 (SkGetPackedG16 (p)), SkB16ToB32 (SkGetPackedB16 (p)));
        return true;
    }
    case SkBitmap::kIndex8_Config: {
        const SkColorTable &table = *bm.getColorTable ();
        uint8_t index = *bm.getAddr8 (0, 0);
        if (index >= table.count ()) return false;
        *color = SkUnPreMultiply::PMColorToColor (table[index]);
        return true;
    }
    default:
        return false;
    }
}

const char *tile_mode_name (unsigned mode)
{
    static const char *const kNames[] = { "clamp", "repeat", "mirror" };
    return mode < 3 ? kNames[mode] : "?";
}

} // namespace

SkShader *SkShader::CreateBitmapShader (const SkBitmap &src)
{
    if (src.isNull ()) return new SkEmptyShader;
    SkColor color;
    if (src.width () == 1 && src.height () == 1 && read_single_color (src, &color)) return new SkColorShader (color);
    return new SkBitmapProcShader (src, kClamp_TileMode, kClamp_TileMode);
}

SkBitmapProcShader::SkBitmapProcShader (const SkBitmap &src, TileMode tmx, TileMode tmy) : fRawBitmap (src), fFlags (0)
{
    fState.fTileModeX = (uint8_t)tmx;
    fState.fTileModeY = (uint8_t)tmy;
}

SkBitmapProcShader::SkBitmapProcShader (SkFlattenableReadBuffer &buffer) : SkShader (buffer), fFlags (0)
{
    fRawBitmap.unflatten (buffer);
    uint32_t tmx = buffer.readU32 (), tmy = buffer.readU32 ();
    if (!valid_tile_mode (tmx) || !valid_tile_mode (tmy)) {
        buffer.markFailed ();
        return;
    }
    fState.fTileModeX = (uint8_t)tmx;
    fState.fTileModeY = (uint8_t)tmy;
}

SkFlattenable *SkBitmapProcShader::CreateProc (SkFlattenableReadBuffer &buffer)
{
    return SkReadUnlessFailed<SkBitmapProcShader> (buffer);
}


void SkBitmapProcShader::flatten (SkFlattenableWriteBuffer &buffer)
{
    SkShader::flatten (buffer);
    fRawBitmap.flatten (buffer);
    buffer.write32 (fState.fTileModeX);
    buffer.write32 (fState.fTileModeY);
}

bool SkBitmapProcShader::setContext (const SkBitmap &device, const SkPaint &paint, const SkMatrix &matrix)
{
    fState.fShaderProc32 = nullptr;
    fState.fMatrixProc = nullptr;
    fState.fSampleProc32 = nullptr;
    if (!SkShader::setContext (device, paint, matrix)) return false;
    fState.fOrigBitmap = fRawBitmap;        // releases the lock of the previous context
    fState.fOrigBitmap.lockPixels ();
    if (!ready_to_draw (fState.fOrigBitmap)) {
        fState.fOrigBitmap.unlockPixels ();
        return false;
    }
    if (!fState.chooseProcs (getTotalInverse (), paint)) return false;
    const SkBitmap &bm = *fState.fBitmap;
    bool opaque = bm.isOpaque ();
    fFlags = 0;
    if (opaque && getPaintAlpha () == 255) fFlags |= kOpaqueAlpha_Flag;
    if (opaque && bm.config () == SkBitmap::kARGB_8888_Config) fFlags |= kHasSpan16_Flag;
    if (paint.isDither () && bm.config () != SkBitmap::kRGB_565_Config) fFlags &= ~(uint32_t)kHasSpan16_Flag;
    if (bm.height () == 1 && (getTotalInverse ().getType () & (SkMatrix::kAffine_Mask | SkMatrix::kPerspective_Mask)) == 0) {
        fFlags |= kConstInY32_Flag;
        if (fFlags & kHasSpan16_Flag) fFlags |= kConstInY16_Flag;
    }
    return true;
}

void SkBitmapProcShader::shadeSpan (int x, int y, SkPMColor dst[], int count)
{
    const SkBitmapProcState &state = fState;
    if (state.fMatrixProc == nullptr || state.fSampleProc32 == nullptr) {
        SkShader::shadeSpan (x, y, dst, count);     // no context: transparent
        return;
    }
    if (state.fShaderProc32 != nullptr) {
        state.fShaderProc32 (state, x, y, dst, count);
        return;
    }
    uint32_t buffer[SkBitmapProcState::kCoordinateWords];
    int max = state.maxCountPerCall ();
    while (count > 0) {
        int n = count < max ? count : max;
        state.fMatrixProc (state, buffer, n, x, y);
        state.fSampleProc32 (state, buffer, n, dst);
        x += n;
        dst += n;
        count -= n;
    }
}

void SkBitmapProcShader::beginSession () { fRawBitmap.lockPixels (); }
void SkBitmapProcShader::endSession () { fRawBitmap.unlockPixels (); }

SkShader::BitmapType SkBitmapProcShader::asABitmap (SkBitmap *outTexture, SkMatrix *outMatrix, TileMode xy[2], SkScalar *) const
{
    if (outTexture != nullptr) *outTexture = fRawBitmap;
    if (outMatrix != nullptr) outMatrix->reset ();
    if (xy != nullptr) {
        xy[0] = (TileMode)fState.fTileModeX;
        xy[1] = (TileMode)fState.fTileModeY;
    }
    return kDefault_BitmapType;
}

bool SkBitmapProcShader::toDumpString (void *out) const
{
    SkString &str = *(SkString *)out;
    SkPixelRef *ref = fRawBitmap.pixelRef ();
    if (ref != nullptr && !ref->getURI ().isEmpty ()) {
        str.append (" \"");
        str.append (ref->getURI ().c_str ());
        str.append ("\"");
    }
    if (getLocalMatrix (nullptr)) str.append (" ");
    str.append (" [");
    str.append (tile_mode_name (fState.fTileModeX));
    str.append (" ");
    str.append (tile_mode_name (fState.fTileModeY));
    str.append ("]]");
    return true;
}

/*
 * The transfer-mode classes: the generic row loops over one per-pixel procedure (with the
 * coverage mix and the 16-bit, 4444 and A8 expansions), the four specialised modes, and the
 * factory over the mode table.
 */
#include "graphics/effects/SkXfermode.h"

#include "graphics/core/SkColorPriv.h"
#include "graphics/core/SkMath.h"
#include "graphics/effects/SkXfermodePriv.h"

namespace {

// d + ((r - d) * scale >> 8) on every channel with a signed difference and an arithmetic
// shift, so the result moves from d toward r by the coverage fraction.
int mix_channel (int r, int d, int scale) { return d + (((r - d) * scale) >> 8); }

SkPMColor mix_by_coverage (SkPMColor r, SkPMColor d, unsigned aa)
{
    int scale = (int)aa + 1;
    return SkPackARGB32 ((U8CPU)mix_channel ((int)SkGetPackedA32 (r), (int)SkGetPackedA32 (d), scale),
                         (U8CPU)mix_channel ((int)SkGetPackedR32 (r), (int)SkGetPackedR32 (d), scale),
                         (U8CPU)mix_channel ((int)SkGetPackedG32 (r), (int)SkGetPackedG32 (d), scale),
                         (U8CPU)mix_channel ((int)SkGetPackedB32 (r), (int)SkGetPackedB32 (d), scale));
}

// One pixel of any destination format, already widened to 32 bits: the mode's result,
// mixed with the old value by the coverage (0 leaves it, 255 takes the result).
inline bool blend_one (SkXfermodeProcPtr proc, SkPMColor s, SkPMColor &d, const SkAlpha *aa, int i)
{
    if (aa == nullptr) {
        d = proc (s, d);
        return true;
    }
    unsigned a = aa[i];
    if (a == 0) return false;
    SkPMColor r = proc (s, d);
    d = a == 255 ? r : mix_by_coverage (r, d, a);
    return true;
}

SkPMColor expand4444 (uint16_t c) { return SkPixel4444ToPixel32 (c); }

} // namespace

// ---------------------------------------------------------------------------------------------

void SkXfermode::xfer32 (SkPMColor[], const SkPMColor[], int, const SkAlpha[]) {}
void SkXfermode::xfer16 (uint16_t[], const SkPMColor[], int, const SkAlpha[]) {}
void SkXfermode::xfer4444 (uint16_t[], const SkPMColor[], int, const SkAlpha[]) {}
void SkXfermode::xferA8 (SkAlpha[], const SkPMColor[], int, const SkAlpha[]) {}

void SkProcXfermode::xfer32 (SkPMColor dst[], const SkPMColor src[], int count, const SkAlpha aa[])
{
    if (fProc == nullptr) return;
    for (int i = count - 1; i >= 0; i--) blend_one (fProc, src[i], dst[i], aa, i);
}

void SkProcXfermode::xfer16 (uint16_t dst[], const SkPMColor src[], int count, const SkAlpha aa[])
{
    if (fProc == nullptr) return;
    for (int i = count - 1; i >= 0; i--) {
        SkPMColor d = SkPixel16ToPixel32 (dst[i]);
        if (blend_one (fProc, src[i], d, aa, i)) dst[i] = SkPixel32ToPixel16 (d);
    }
}

void SkProcXfermode::xfer4444 (uint16_t dst[], const SkPMColor src[], int count, const SkAlpha aa[])
{
    if (fProc == nullptr) return;
    for (int i = count - 1; i >= 0; i--) {
        SkPMColor d = expand4444 (dst[i]);
        if (blend_one (fProc, src[i], d, aa, i)) dst[i] = SkPixel32ToPixel4444 (d);
    }
}

void SkProcXfermode::xferA8 (SkAlpha dst[], const SkPMColor src[], int count, const SkAlpha aa[])
{
    if (fProc == nullptr) return;
    for (int i = count - 1; i >= 0; i--) {
        unsigned ra = SkGetPackedA32 (fProc (src[i], (SkPMColor)dst[i] << 24));
        if (aa == nullptr) {
            dst[i] = (SkAlpha)ra;
        } else if (aa[i] != 0) {
            dst[i] = (SkAlpha)(aa[i] == 255 ? ra : mix_channel ((int)ra, dst[i], aa[i] + 1));
        }
    }
}

// ---------------------------------------------------------------------------------------------

SkProcCoeffXfermode::SkProcCoeffXfermode (Mode mode)
    : SkProcXfermode (SkXfermodeRow (mode)->fProc), fMode ((uint32_t)mode),
      fSrcCoeff (SkXfermodeRow (mode)->fSC), fDstCoeff (SkXfermodeRow (mode)->fDC)
{
}

bool SkProcCoeffXfermode::asCoeff (Coeff *src, Coeff *dst)
{
    if (fSrcCoeff == kSkXfermodeCoeffNone) return false;
    if (src != nullptr) *src = (Coeff)fSrcCoeff;
    if (dst != nullptr) *dst = (Coeff)fDstCoeff;
    return true;
}

bool SkProcCoeffXfermode::asMode (Mode *mode)
{
    if (mode != nullptr) *mode = (Mode)fMode;
    return true;
}

// ---------------------------------------------------------------------------------------------

void SkClearXfermode::xfer32 (SkPMColor dst[], const SkPMColor[], int count, const SkAlpha aa[])
{
    if (count <= 0) return;
    if (aa == nullptr) {
        memset (dst, 0, (size_t)count * 4);
        return;
    }
    for (int i = count - 1; i >= 0; i--) {
        unsigned a = aa[i];
        if (a == 255) dst[i] = 0;
        else if (a != 0) dst[i] = SkAlphaMulQ (dst[i], 256 - a);
    }
}

void SkClearXfermode::xferA8 (SkAlpha dst[], const SkPMColor[], int count, const SkAlpha aa[])
{
    if (count <= 0) return;
    if (aa == nullptr) {
        memset (dst, 0, (size_t)count);
        return;
    }
    for (int i = count - 1; i >= 0; i--) {
        unsigned a = aa[i];
        if (a == 255) dst[i] = 0;
        else if (a != 0) dst[i] = (SkAlpha)SkMulDiv255Round (255 - a, dst[i]);
    }
}

void SkSrcXfermode::xfer32 (SkPMColor dst[], const SkPMColor src[], int count, const SkAlpha aa[])
{
    if (count <= 0) return;
    if (aa == nullptr) {
        memcpy (dst, src, (size_t)count * 4);
        return;
    }
    for (int i = count - 1; i >= 0; i--) {
        unsigned a = aa[i];
        if (a == 255) dst[i] = src[i];
        else if (a != 0) dst[i] = mix_by_coverage (src[i], dst[i], a);
    }
}

void SkSrcXfermode::xferA8 (SkAlpha dst[], const SkPMColor src[], int count, const SkAlpha aa[])
{
    if (count <= 0) return;
    for (int i = count - 1; i >= 0; i--) {
        unsigned sa = SkGetPackedA32 (src[i]);
        if (aa == nullptr || aa[i] == 255) {
            dst[i] = (SkAlpha)sa;
        } else if (aa[i] != 0) {
            // Scaled by a, not a + 1, unlike every other coverage mix; kept for identical bits.
            dst[i] = (SkAlpha)(dst[i] + (((int)sa - dst[i]) * aa[i] >> 8));
        }
    }
}

void SkDstInXfermode::xfer32 (SkPMColor dst[], const SkPMColor src[], int count, const SkAlpha aa[])
{
    if (count <= 0) return;
    if (aa != nullptr) {
        SkProcXfermode::xfer32 (dst, src, count, aa);
        return;
    }
    for (int i = count - 1; i >= 0; i--) dst[i] = SkAlphaMulQ (dst[i], SkAlpha255To256 (SkGetPackedA32 (src[i])));
}

void SkDstOutXfermode::xfer32 (SkPMColor dst[], const SkPMColor src[], int count, const SkAlpha aa[])
{
    if (count <= 0) return;
    if (aa != nullptr) {
        SkProcXfermode::xfer32 (dst, src, count, aa);
        return;
    }
    for (int i = count - 1; i >= 0; i--) dst[i] = SkAlphaMulQ (dst[i], 256 - SkGetPackedA32 (src[i]));
}

// ---------------------------------------------------------------------------------------------

SkXfermode *SkXfermode::Create (Mode mode)
{
    // Numbers outside the table get no mode rather than a read past it.
    if ((unsigned)mode >= (unsigned)kModeCount || mode == kSrcOver_Mode) return nullptr;
    switch (mode) {
    case kClear_Mode: return new SkClearXfermode;
    case kSrc_Mode: return new SkSrcXfermode;
    case kDstIn_Mode: return new SkDstInXfermode;
    case kDstOut_Mode: return new SkDstOutXfermode;
    default: return new SkProcCoeffXfermode (mode);
    }
}

// ---------------------------------------------------------------------------------------------
// Flattening

void SkProcXfermode::flatten (SkFlattenableWriteBuffer &buffer)
{
    buffer.write64 (buffer.isCrossProcess () ? 0 : (uint64_t)(uintptr_t)fProc);
}

SkFlattenable *SkProcXfermode::CreateProc (SkFlattenableReadBuffer &buffer)
{
    uint64_t address = buffer.read64 ();
    if (buffer.failed ()) return nullptr;
    SkXfermodeProcPtr proc = nullptr;
    for (int mode = 0; mode < kSkXfermodeModeCount; mode++)
        if ((uint64_t)(uintptr_t)SkXfermodeRow (mode)->fProc == address) proc = SkXfermodeRow (mode)->fProc;
    return new SkProcXfermode (proc);
}

void SkProcCoeffXfermode::flatten (SkFlattenableWriteBuffer &buffer)
{
    SkProcXfermode::flatten (buffer);
    buffer.write32 (fMode);
}

namespace {

// The mode number after the procedure word; -1 when the data is short or out of the table.
int read_mode (SkFlattenableReadBuffer &buffer)
{
    (void)buffer.read64 ();     // the writer's procedure address: never used
    uint32_t mode = buffer.readU32 ();
    return buffer.failed () || mode >= (uint32_t)kSkXfermodeModeCount ? -1 : (int)mode;
}

// Every mode-numbered subclass flattens the same two fields, so one reader serves them all.
template <typename T> SkFlattenable *create_from_mode (SkFlattenableReadBuffer &buffer)
{
    int mode = read_mode (buffer);
    return mode < 0 ? nullptr : new T ((SkXfermode::Mode)mode);
}

} // namespace

SkFlattenable *SkProcCoeffXfermode::CreateProc (SkFlattenableReadBuffer &buffer)
{
    return create_from_mode<SkProcCoeffXfermode> (buffer);
}

SkFlattenable *SkClearXfermode::CreateProc (SkFlattenableReadBuffer &buffer)
{
    return create_from_mode<SkClearXfermode> (buffer);
}

SkFlattenable *SkSrcXfermode::CreateProc (SkFlattenableReadBuffer &buffer)
{
    return create_from_mode<SkSrcXfermode> (buffer);
}

SkFlattenable *SkDstInXfermode::CreateProc (SkFlattenableReadBuffer &buffer)
{
    return create_from_mode<SkDstInXfermode> (buffer);
}

SkFlattenable *SkDstOutXfermode::CreateProc (SkFlattenableReadBuffer &buffer)
{
    return create_from_mode<SkDstOutXfermode> (buffer);
}

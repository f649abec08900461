/*
 * The colour-matrix filter: the matrix taken to fixed point once, one of four row procedures
 * chosen by which entries matter, and the spans run through it unpremultiplied.
 */
#include "graphics/effects/SkColorMatrixFilter.h"

#include "graphics/core/SkColorPriv.h"
#include "graphics/core/SkMath.h"
#include "graphics/core/SkUnPreMultiply.h"
#include "graphics/effects/SkReadPriv.h"

namespace {

typedef SkColorMatrixFilter::State State;

// Sums are taken in 64 bits: two large entries in one row would overflow 32.
int32_t row_sum (const int32_t m[5], int r, int g, int b, int a, int shift)
{
    return (int32_t)(((int64_t)m[0] * r + (int64_t)m[1] * g + (int64_t)m[2] * b + (int64_t)m[3] * a + m[4]) >> shift);
}

void general_proc (State *s, int r, int g, int b, int a)
{
    for (int j = 0; j < 4; j++) s->fResult[j] = row_sum (s->fArray + 5 * j, r, g, b, a, s->fShift);
}

void affine_proc (State *s, int r, int g, int b, int a)
{
    for (int j = 0; j < 3; j++) s->fResult[j] = row_sum (s->fArray + 5 * j, r, g, b, 0, s->fShift);
    s->fResult[3] = a;
}

void scale_add_proc (State *s, int r, int g, int b, int a)
{
    const int32_t *m = s->fArray;
    s->fResult[0] = (int32_t)(((int64_t)m[0] * r + m[4]) >> s->fShift);
    s->fResult[1] = (int32_t)(((int64_t)m[6] * g + m[9]) >> s->fShift);
    s->fResult[2] = (int32_t)(((int64_t)m[12] * b + m[14]) >> s->fShift);
    s->fResult[3] = a;
}

void add_proc (State *s, int r, int g, int b, int a)
{
    const int32_t *m = s->fArray;
    s->fResult[0] = r + (m[4] >> s->fShift);
    s->fResult[1] = g + (m[9] >> s->fShift);
    s->fResult[2] = b + (m[14] >> s->fShift);
    s->fResult[3] = a;
}

int pin_byte (int32_t v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

const int kRounded[4] = { 4, 9, 14, 19 };     // the constants of the rows

} // namespace

SkColorMatrixFilter::SkColorMatrixFilter () : fProc (nullptr), fState (), fFlags (kAlphaUnchanged_Flag | kHasFilter16_Flag) {}

SkColorMatrixFilter::SkColorMatrixFilter (const SkScalar array[20]) : SkColorMatrixFilter () { setup (array); }

void SkColorMatrixFilter::setup (const SkScalar array[20])
{
    fState = State ();
    fProc = nullptr;
    fFlags = kAlphaUnchanged_Flag | kHasFilter16_Flag;
    if (array == nullptr) return;
    int32_t *m = fState.fArray;
    uint32_t largest = 0;
    for (int i = 0; i < 20; i++) {
        m[i] = SkFloatToFixedPinned (array[i]);
        uint32_t magnitude = m[i] < 0 ? (uint32_t)-(int64_t)m[i] : (uint32_t)m[i];
        largest = magnitude > largest ? magnitude : largest;
    }
    int z = SkCLZ (largest);
    fState.fShift = 16;
    if (z < 9) {
        fState.fShift = z + 7;
        for (int i = 0; i < 20; i++) m[i] >>= 9 - z;
    }
    chooseProc ();
    if (fProc != nullptr) {
        for (int k : kRounded) m[k] += 1 << (fState.fShift - 1);
    }
}

// Chooses the procedure and flags from the entries (before rounding), one = 1 << shift.
void SkColorMatrixFilter::chooseProc ()
{
    const int32_t *m = fState.fArray;
    int32_t one = 1 << fState.fShift;
    bool changesAlpha = m[18] != one || (m[15] | m[16] | m[17] | m[19]) != 0;
    bool usesAlpha = (m[3] | m[8] | m[13]) != 0;
    if (usesAlpha || changesAlpha) {
        fProc = general_proc;
        fFlags = changesAlpha ? 0 : kAlphaUnchanged_Flag;
        return;
    }
    fFlags = kAlphaUnchanged_Flag | kHasFilter16_Flag;
    if ((m[1] | m[2] | m[5] | m[7] | m[10] | m[11]) != 0) {
        fProc = affine_proc;
    } else if (m[0] != one || m[6] != one || m[12] != one) {
        fProc = scale_add_proc;
    } else if ((m[4] | m[9] | m[14]) != 0) {
        fProc = add_proc;
    } else {
        fProc = nullptr;
    }
}

void SkColorMatrixFilter::filterSpan (const SkPMColor src[], int count, SkPMColor dst[])
{
    if (fProc == nullptr) {
        SkColorFilter::filterSpan (src, count, dst);
        return;
    }
    for (int i = 0; i < count; i++) {
        SkPMColor c = src[i];
        unsigned a = SkGetPackedA32 (c), r = SkGetPackedR32 (c), g = SkGetPackedG32 (c), b = SkGetPackedB32 (c);
        if (a != 255) {
            SkUnPreMultiply::Scale scale = SkUnPreMultiply::GetScale (a);
            r = SkUnPreMultiply::ApplyScale (scale, r);
            g = SkUnPreMultiply::ApplyScale (scale, g);
            b = SkUnPreMultiply::ApplyScale (scale, b);
        }
        fProc (&fState, (int)r, (int)g, (int)b, (int)a);
        int ra = pin_byte (fState.fResult[3]), rr = pin_byte (fState.fResult[0]);
        int rg = pin_byte (fState.fResult[1]), rb = pin_byte (fState.fResult[2]);
        if (ra < 255) {
            int scale = ra + 1;
            rr = (rr * scale) >> 8;
            rg = (rg * scale) >> 8;
            rb = (rb * scale) >> 8;
        }
        dst[i] = SkPackARGB32 ((unsigned)ra, (unsigned)rr, (unsigned)rg, (unsigned)rb);
    }
}

void SkColorMatrixFilter::filterSpan16 (const uint16_t src[], int count, uint16_t dst[])
{
    if (fProc == nullptr) {
        SkColorFilter::filterSpan16 (src, count, dst);
        return;
    }
    for (int i = 0; i < count; i++) {
        uint16_t c = src[i];
        fProc (&fState, (int)SkR16ToR32 (SkGetPackedR16 (c)), (int)SkG16ToG32 (SkGetPackedG16 (c)), (int)SkB16ToB32 (SkGetPackedB16 (c)), 0);
        dst[i] = SkPack888ToRGB16 ((unsigned)pin_byte (fState.fResult[0]), (unsigned)pin_byte (fState.fResult[1]),
                                   (unsigned)pin_byte (fState.fResult[2]));
    }
}

void SkColorMatrixFilter::flatten (SkFlattenableWriteBuffer &buffer)
{
    buffer.write64 ((uint64_t)(uintptr_t)fProc);
    buffer.writeMul4 (&fState, sizeof (fState));
    buffer.write32 (fFlags);
}

SkColorMatrixFilter::SkColorMatrixFilter (SkFlattenableReadBuffer &buffer) : SkColorMatrixFilter ()
{
    bool hadProc = buffer.read64 () != 0;       // an address of another run: never called
    buffer.read (&fState, sizeof (fState));
    (void)buffer.readU32 ();                    // the flags follow from the procedure
    if (buffer.failed ()) return;
    if (fState.fShift < 7 || fState.fShift > 16) {
        buffer.markFailed ();
        return;
    }
    if (!hadProc) {
        fState = State ();
        return;
    }
    int32_t rounding = 1 << (fState.fShift - 1);
    for (int k : kRounded) fState.fArray[k] = (int32_t)((int64_t)fState.fArray[k] - rounding);
    chooseProc ();
    if (fProc == nullptr) return;
    for (int k : kRounded) fState.fArray[k] = (int32_t)((int64_t)fState.fArray[k] + rounding);
}

SkFlattenable *SkColorMatrixFilter::CreateProc (SkFlattenableReadBuffer &buffer)
{
    return SkReadUnlessFailed<SkColorMatrixFilter> (buffer);
}


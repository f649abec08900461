/*
 * SkColorMatrixFilter: transforms every colour by a 4 × 5 matrix (rows red, green, blue,
 * alpha; in each the factors of r, g, b, a and a constant) in fixed point, on unpremultiplied
 * channels. Tints and greys out pictures.
 */
#ifndef GRAPHICS_EFFECTS_SKCOLORMATRIXFILTER_H_
#define GRAPHICS_EFFECTS_SKCOLORMATRIXFILTER_H_

#include "graphics/core/SkScalar.h"
#include "graphics/effects/SkColorFilter.h"

class SkColorMatrixFilter : public SkColorFilter {
public:
    // The entries in fixed point, the shift that brings a row's sum back to 8 bits, and the
    // four results of the last colour.
    struct State {
        int32_t fArray[20];
        int32_t fShift;
        int32_t fResult[4];
    };
    typedef void (*Proc) (State *state, int r, int g, int b, int a);

    SkColorMatrixFilter ();                          // the identity
    explicit SkColorMatrixFilter (const SkScalar array[20]);
    explicit SkColorMatrixFilter (SkFlattenableReadBuffer &buffer);

    // Null makes the identity. Entries are taken to 16.16 by truncation; when the largest
    // needs more than 23 bits, all are shifted down together so that a product fits.
    void setup (const SkScalar array[20]);

    void filterSpan (const SkPMColor src[], int count, SkPMColor dst[]) override;
    void filterSpan16 (const uint16_t src[], int count, uint16_t dst[]) override;
    uint32_t getFlags () override { return fFlags; }

    // Written as a procedure word (its address, or 0 for the identity), the state and the
    // flags. The reader never uses the address: it chooses the procedure again from the state.
    Factory getFactory () override { return CreateProc; }
    void flatten (SkFlattenableWriteBuffer &buffer) override;
    // Null for short data or a shift no setup makes.
    static SkFlattenable *CreateProc (SkFlattenableReadBuffer &buffer);

    // For tests: the chosen procedure (null for the identity) and the state.
    Proc getProc () const { return fProc; }
    const State &getState () const { return fState; }

private:
    void chooseProc ();

    Proc fProc;
    State fState;
    uint32_t fFlags;
};

#endif

/*
 * The table behind the transfer modes: one per-pixel procedure and the two Porter-Duff
 * coefficients of every numbered mode. Shared by the mode classes, their readers and the tests
 * that check each formula on its own.
 */
#ifndef GRAPHICS_EFFECTS_SKXFERMODEPRIV_H_
#define GRAPHICS_EFFECTS_SKXFERMODEPRIV_H_

#include <stdint.h>

typedef uint32_t (*SkXfermodeProc) (uint32_t src, uint32_t dst);

struct SkXfermodeProcCoeff {
    SkXfermodeProc fProc;
    uint32_t fSC;       // source coefficient, kCoeffNone when the mode has none
    uint32_t fDC;
};

static const uint32_t kSkXfermodeCoeffNone = 0xFFFFFFFF;
static const int kSkXfermodeModeCount = 24;

// The row of the mode table, or null for a number outside it.
const SkXfermodeProcCoeff *SkXfermodeRow (int mode);

#endif

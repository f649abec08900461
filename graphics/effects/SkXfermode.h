/*
 * Transfer modes: how a source colour combines with the destination pixel. A paint holds one
 * (null means source-over). Every mode of the numbered table is an SkProcCoeffXfermode over one
 * per-pixel procedure; four common modes have their own faster row loops.
 */
#ifndef GRAPHICS_EFFECTS_SKXFERMODE_H_
#define GRAPHICS_EFFECTS_SKXFERMODE_H_

#include "graphics/core/SkColor.h"
#include "graphics/flatten/SkFlattenable.h"

class SkXfermode : public SkFlattenable {
public:
    enum Coeff {
        kZero_Coeff = 0, kOne_Coeff = 1, kSC_Coeff = 2, kISC_Coeff = 3, kDC_Coeff = 4, kIDC_Coeff = 5,
        kSA_Coeff = 6, kISA_Coeff = 7, kDA_Coeff = 8, kIDA_Coeff = 9,
    };
    enum Mode {
        kClear_Mode, kSrc_Mode, kDst_Mode, kSrcOver_Mode, kDstOver_Mode, kSrcIn_Mode, kDstIn_Mode,
        kSrcOut_Mode, kDstOut_Mode, kSrcATop_Mode, kDstATop_Mode, kXor_Mode, kPlus_Mode,
        kMultiply_Mode, kScreen_Mode, kOverlay_Mode, kDarken_Mode, kLighten_Mode,
        kColorDodge_Mode, kColorBurn_Mode, kHardLight_Mode, kSoftLight_Mode, kDifference_Mode,
        kExclusion_Mode,
        kModeCount
    };

    virtual bool toDumpString (void *) const { return false; }
    // Each blends count source pixels into dst; aa, when not null, holds one coverage per pixel.
    // The base leaves dst alone (the firmware build has no handler for pure virtual calls).
    virtual void xfer32 (SkPMColor dst[], const SkPMColor src[], int count, const SkAlpha aa[]);
    virtual void xfer16 (uint16_t dst[], const SkPMColor src[], int count, const SkAlpha aa[]);
    virtual void xfer4444 (uint16_t dst[], const SkPMColor src[], int count, const SkAlpha aa[]);
    virtual void xferA8 (SkAlpha dst[], const SkPMColor src[], int count, const SkAlpha aa[]);

    virtual bool asCoeff (Coeff *src, Coeff *dst) { (void)src; (void)dst; return false; }
    virtual bool asMode (Mode *mode) { (void)mode; return false; }
    // Every class here leaves dst unchanged.
    virtual SkPMColor xferColor (SkPMColor src, SkPMColor dst) { (void)src; return dst; }

    // The mode of the table with one reference for the caller; null for source-over (which is
    // what no mode means), for a number outside the table, and on allocation failure.
    static SkXfermode *Create (Mode mode);
};

typedef SkPMColor (*SkXfermodeProcPtr) (SkPMColor src, SkPMColor dst);

// A mode made of one per-pixel procedure; a null procedure makes every operation do nothing.
class SkProcXfermode : public SkXfermode {
public:
    explicit SkProcXfermode (SkXfermodeProcPtr proc) : fProc (proc) {}
    void xfer32 (SkPMColor dst[], const SkPMColor src[], int count, const SkAlpha aa[]) override;
    void xfer16 (uint16_t dst[], const SkPMColor src[], int count, const SkAlpha aa[]) override;
    void xfer4444 (uint16_t dst[], const SkPMColor src[], int count, const SkAlpha aa[]) override;
    void xferA8 (SkAlpha dst[], const SkPMColor src[], int count, const SkAlpha aa[]) override;
    SkXfermodeProcPtr getProc () const { return fProc; }

    // Writes the procedure's address (0 for another process). The reader accepts only the
    // address of a procedure of the mode table: an address from data is never called.
    Factory getFactory () override { return CreateProc; }
    void flatten (SkFlattenableWriteBuffer &buffer) override;
    static SkFlattenable *CreateProc (SkFlattenableReadBuffer &buffer);

protected:
    SkXfermodeProcPtr fProc;
};

class SkProcCoeffXfermode : public SkProcXfermode {
public:
    // mode must be a row of the table.
    explicit SkProcCoeffXfermode (Mode mode);
    bool asCoeff (Coeff *src, Coeff *dst) override;
    bool asMode (Mode *mode) override;

    // The procedure word (ignored when read back) and the mode number; each class's reader
    // builds that class over the table row of the number it reads, and gives null for a number
    // outside the table.
    Factory getFactory () override { return CreateProc; }
    void flatten (SkFlattenableWriteBuffer &buffer) override;
    static SkFlattenable *CreateProc (SkFlattenableReadBuffer &buffer);

protected:
    uint32_t fMode, fSrcCoeff, fDstCoeff;
};

class SkClearXfermode : public SkProcCoeffXfermode {
public:
    // A reader builds the class over the row of the mode number it reads.
    explicit SkClearXfermode (Mode mode = kClear_Mode) : SkProcCoeffXfermode (mode) {}
    Factory getFactory () override { return CreateProc; }
    static SkFlattenable *CreateProc (SkFlattenableReadBuffer &buffer);
    void xfer32 (SkPMColor dst[], const SkPMColor src[], int count, const SkAlpha aa[]) override;
    void xferA8 (SkAlpha dst[], const SkPMColor src[], int count, const SkAlpha aa[]) override;
};

class SkSrcXfermode : public SkProcCoeffXfermode {
public:
    // A reader builds the class over the row of the mode number it reads.
    explicit SkSrcXfermode (Mode mode = kSrc_Mode) : SkProcCoeffXfermode (mode) {}
    Factory getFactory () override { return CreateProc; }
    static SkFlattenable *CreateProc (SkFlattenableReadBuffer &buffer);
    void xfer32 (SkPMColor dst[], const SkPMColor src[], int count, const SkAlpha aa[]) override;
    void xferA8 (SkAlpha dst[], const SkPMColor src[], int count, const SkAlpha aa[]) override;
};

class SkDstInXfermode : public SkProcCoeffXfermode {
public:
    // A reader builds the class over the row of the mode number it reads.
    explicit SkDstInXfermode (Mode mode = kDstIn_Mode) : SkProcCoeffXfermode (mode) {}
    Factory getFactory () override { return CreateProc; }
    static SkFlattenable *CreateProc (SkFlattenableReadBuffer &buffer);
    void xfer32 (SkPMColor dst[], const SkPMColor src[], int count, const SkAlpha aa[]) override;
};

class SkDstOutXfermode : public SkProcCoeffXfermode {
public:
    // A reader builds the class over the row of the mode number it reads.
    explicit SkDstOutXfermode (Mode mode = kDstOut_Mode) : SkProcCoeffXfermode (mode) {}
    Factory getFactory () override { return CreateProc; }
    static SkFlattenable *CreateProc (SkFlattenableReadBuffer &buffer);
    void xfer32 (SkPMColor dst[], const SkPMColor src[], int count, const SkAlpha aa[]) override;
};

#endif

/*
 * SkScalerContext: produces glyph records, images, outlines and font metrics for one
 * descriptor (font, size, matrix, style). The font host's subclass does the work; a context
 * chains to the contexts of the custom fonts for characters its own font lacks, glyph ids
 * of the next context starting after this one's.
 */
#ifndef GRAPHICS_TEXT_SKSCALERCONTEXT_H_
#define GRAPHICS_TEXT_SKSCALERCONTEXT_H_

#include "graphics/geometry/SkMatrix.h"
#include "graphics/paint/SkPaint.h"
#include "graphics/text/SkDescriptor.h"
#include "graphics/text/SkGlyph.h"

class SkPath;

#define kRec_SkDescriptorTag  SkSetFourByteTag ('s', 'r', 'e', 'c')

class SkScalerContext : public SkPoolObject, SkNoncopyable {
public:
    enum Flags {
        kFrameAndFill_Flag = 0x01,
        kDevKernText_Flag = 0x02,
        kGammaForBlack_Flag = 0x04,
        kGammaForWhite_Flag = 0x08,
        kHintingShift = 4,
        kHinting_Mask = 0x30,
        kEmbeddedBitmapText_Flag = 0x40,
        kEmbolden_Flag = 0x80,
        kSubpixelPositioning_Flag = 0x100,
        kAutohinting_Flag = 0x200,
        kLCD_Vertical_Flag = 0x400,
        kLCD_BGROrder_Flag = 0x800,
    };

    // The scaler record, 48 bytes of the descriptor's "srec" entry.
    struct Rec {
        uint32_t fOrigFontID;
        uint32_t fFontID;
        SkScalar fTextSize;
        SkScalar fPreScaleX;
        SkScalar fPreSkewX;
        SkScalar fPost2x2[2][2];
        SkScalar fFrameWidth;
        SkScalar fMiterLimit;
        uint8_t fMaskFormat;
        uint8_t fStrokeJoin;
        uint16_t fFlags;

        // scale(text size × pre-scale x, text size), then the skew, then the 2×2.
        void getSingleMatrix (SkMatrix *matrix) const;
        unsigned getHinting () const { return (fFlags & kHinting_Mask) >> kHintingShift; }
        void setHinting (unsigned hinting) { fFlags = (uint16_t)((fFlags & ~kHinting_Mask) | (hinting << kHintingShift)); }
    };

    explicit SkScalerContext (const SkDescriptor *desc);
    virtual ~SkScalerContext ();

    // The context of the font host for desc, or the empty context; null only when memory
    // runs out.
    static SkScalerContext *Create (const SkDescriptor *desc);
    // Fills rec from paint under the device matrix (null for none).
    static void MakeRec (const SkPaint &paint, const SkMatrix *deviceMatrix, Rec *rec);

    const Rec &getRec () const { return fRec; }
    bool isImageFromPath () const { return fGenerateImageFromPath; }
    unsigned getBaseGlyphCount () const { return fBaseGlyphCount; }

    // The glyph id of code along the chain (base counts added), 0 when no font has it.
    uint16_t charToGlyphID (SkUnichar code);
    SkUnichar glyphIDToChar (uint16_t glyphID);
    void getAdvance (SkGlyph *glyph);
    void getMetrics (SkGlyph *glyph);
    void getImage (const SkGlyph &glyph);
    void getPath (const SkGlyph &glyph, SkPath *path);
    void getFontMetrics (SkPaint::FontMetrics *mx, SkPaint::FontMetrics *my);

    // Tests: the next context of the chain (made on first use), and the one serving glyph.
    SkScalerContext *getNextContext ();
    SkScalerContext *getGlyphContext (const SkGlyph &glyph);

    // The gamma tables (exponent 1.4 and 1/1.4), built with the first context.
    static const uint8_t *GammaTable (bool forBlack);

protected:
    virtual unsigned generateGlyphCount () { return 0; }
    virtual uint16_t generateCharToGlyph (SkUnichar code) { (void)code; return 0; }
    virtual void generateAdvance (SkGlyph *glyph) { glyph->zeroMetrics (); }
    virtual void generateMetrics (SkGlyph *glyph) { glyph->zeroMetrics (); }
    virtual void generateImage (const SkGlyph &glyph) { (void)glyph; }
    virtual void generatePath (const SkGlyph &glyph, SkPath *path) { (void)glyph; (void)path; }
    virtual void generateFontMetrics (SkPaint::FontMetrics *mx, SkPaint::FontMetrics *my);
    virtual SkUnichar generateGlyphToChar (uint16_t glyphID) { (void)glyphID; return 0; }

    Rec fRec;
    unsigned fBaseGlyphCount;

private:
    bool renderPathImage (const SkGlyph &glyph);
    void applyGamma (const SkGlyph &glyph);

    SkScalerContext *fNextContext;
    bool fGenerateImageFromPath;
};

#endif

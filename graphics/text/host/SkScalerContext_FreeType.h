/*
 * The font host's scaler context over FreeType (private to graphics/text).
 */
#ifndef GRAPHICS_TEXT_HOST_SKSCALERCONTEXT_FREETYPE_H_
#define GRAPHICS_TEXT_HOST_SKSCALERCONTEXT_FREETYPE_H_

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include "graphics/text/host/SkFontHostPriv.h"
#include "graphics/text/SkScalerContext.h"

class SkScalerContext_FreeType : public SkScalerContext {
public:
    explicit SkScalerContext_FreeType (const SkDescriptor *desc);
    ~SkScalerContext_FreeType () override;
    // A face, a size and a library were made.
    bool isUsable () const { return fFaceRec != nullptr && fFace != nullptr && fFTSize != nullptr; }
    FT_Face getFace () const { return fFace; }
    uint32_t getLoadGlyphFlags () const { return fLoadGlyphFlags; }
    SkFixed getScaleX () const { return (SkFixed)fScaleX; }
    SkFixed getScaleY () const { return (SkFixed)fScaleY; }
    // FreeType load flags for the record's mask format, hinting and flags.
    static uint32_t ComputeLoadFlags (const SkScalerContext::Rec &rec);

protected:
    unsigned generateGlyphCount () override;
    uint16_t generateCharToGlyph (SkUnichar code) override;
    void generateAdvance (SkGlyph *glyph) override;
    void generateMetrics (SkGlyph *glyph) override;
    void generateImage (const SkGlyph &glyph) override;
    void generatePath (const SkGlyph &glyph, SkPath *path) override;
    void generateFontMetrics (SkPaint::FontMetrics *mx, SkPaint::FontMetrics *my) override;
    SkUnichar generateGlyphToChar (uint16_t glyphID) override;

private:
    void setupTransform ();
    bool requestSize ();
    bool setupSize ();
    bool loadGlyph (const SkGlyph &glyph, FT_Int32 flags);
    void embolden (FT_GlyphSlot slot);
    void outlineBox (const SkGlyph &glyph, FT_BBox *box);
    void setGlyphRect (SkGlyph *glyph, FT_Pos left, FT_Pos top, FT_Pos width, FT_Pos height);
    void copyBitmap (const SkGlyph &glyph, const FT_Bitmap &bitmap);
    FT_UInt faceGlyphIndex (const SkGlyph &glyph) const;
    SkScalar xHeight (const TT_OS2 *os2);

    SkFaceRec *fFaceRec;
    FT_Face fFace;
    FT_Size fFTSize;
    FT_Fixed fScaleX;
    FT_Fixed fScaleY;
    FT_Matrix fMatrix22;
    uint32_t fLoadGlyphFlags;
    FT_Library fLibrary;
    bool fHasLibrary;
};

#endif

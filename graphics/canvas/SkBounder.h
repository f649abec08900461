/*
 * SkBounder: asked about the device rectangle of each draw before it happens; a false answer
 * skips that draw. The canvas hands it to every draw context and tells it when a draw pass is
 * complete. The library defines no concrete bounder; the base accepts everything.
 */
#ifndef GRAPHICS_CANVAS_SKBOUNDER_H_
#define GRAPHICS_CANVAS_SKBOUNDER_H_

#include "graphics/core/SkRefCnt.h"
#include "graphics/region/SkRegion.h"

class SkBounder : public SkRefCnt {
public:
    // Where a glyph sits: its origin, the origin plus its advance (16.16), and its id.
    struct GlyphRec {
        int32_t fX0, fY0, fX1, fY1;
        uint16_t fGlyphID;
    };

    SkBounder () : fClip (nullptr) {}

    // The clip the draw is limited to (device coordinates), set for each layer visited.
    void setClip (const SkRegion *clip) { fClip = clip; }

    // Intersects r with the clip's bounds and asks onIRect about the part that can be drawn.
    bool doIRect (const SkIRect &r);
    bool doIRectGlyph (const SkIRect &r, const GlyphRec &rec);

    // Called after each draw pass.
    virtual void commit () {}

protected:
    // clipped is rect limited to the clip's bounds.
    virtual bool onIRect (const SkIRect &clipped, const SkIRect &rect) { (void)clipped; (void)rect; return true; }
    virtual bool onIRectGlyph (const SkIRect &clipped, const GlyphRec &rec) { (void)clipped; (void)rec; return true; }

private:
    const SkRegion *fClip;
};

#endif

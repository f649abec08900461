/*
 * The canvas's save levels and layers, shared by its state and drawing files.
 */
#ifndef GRAPHICS_CANVAS_SKCANVASPRIV_H_
#define GRAPHICS_CANVAS_SKCANVASPRIV_H_

#include "graphics/canvas/SkCanvas.h"

// Visits the layers of the current level that can be drawn into, as draw contexts.
class SkDrawIter : public SkDraw {
public:
    explicit SkDrawIter (SkCanvas *canvas);
    bool next ();
    const SkPaint *layerPaint () const { return fPaint; }
    int originX () const { return fDevice->getOrigin ().fX; }
    int originY () const { return fDevice->getOrigin ().fY; }

private:
    SkCanvas *fCanvas;
    const SkCanvas::DeviceCM *fCurrLayer;
    const SkPaint *fPaint;
};

#endif

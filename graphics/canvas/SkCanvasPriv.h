/*
 * The canvas's save levels and layers, shared by its state and drawing files.
 */
#ifndef GRAPHICS_CANVAS_SKCANVASPRIV_H_
#define GRAPHICS_CANVAS_SKCANVASPRIV_H_

#include "graphics/canvas/SkCanvas.h"

// One layer: its device (one reference held, pixels locked), its clip and matrix in the
// device's own coordinates, and the paint it is composited with on restore.
struct SkCanvas::DeviceCM : SkPoolObject {
    DeviceCM *fNext;            // the layer below
    SkDevice *fDevice;
    SkRegion fClip;
    const SkMatrix *fMatrix;
    SkMatrix fMatrixStorage;
    SkPaint *fPaint;

    DeviceCM (SkDevice *device, const SkPaint *paint);
    ~DeviceCM ();
    // Takes the level's matrix and clip into this device's coordinates; removes this
    // device's area from updateClip, when given, so that lower layers get only the rest.
    void updateMC (const SkMatrix &totalMatrix, const SkRegion &totalClip, const SkClipStack &clipStack,
                   SkRegion *updateClip);
};

// One save level.
struct SkCanvas::MCRec : SkPoolObject {
    MCRec *fPrev;
    SkMatrix *fMatrix;          // fMatrixStorage or the level below's
    SkRegion *fRegion;          // fRegionStorage or the level below's
    SkDrawFilter *fFilter;      // one reference held
    DeviceCM *fLayer;           // the layer this level opened, or null
    DeviceCM *fTopLayer;        // the first layer to draw into
    SkMatrix fMatrixStorage;
    SkRegion fRegionStorage;

    MCRec (MCRec *prev, int flags);
    ~MCRec ();
};

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

/*
 * The canvas's state: save levels, layers, the matrix, clips and quick rejects.
 */
#include "graphics/canvas/SkCanvas.h"

#include "graphics/canvas/SkBounder.h"
#include "graphics/canvas/SkCanvasPriv.h"
#include "graphics/canvas/SkDrawPriv.h"

#include <Runtime/New.h>

SkCanvas::DeviceCM::DeviceCM (SkDevice *device, const SkPaint *paint)
    : fNext (nullptr), fDevice (device), fMatrix (nullptr), fPaint (nullptr)
{
    if (device != nullptr) {
        device->ref ();
        device->lockPixels ();
    }
    if (paint != nullptr) {
        void *mem = sk_malloc (sizeof (SkPaint));
        fPaint = mem != nullptr ? new (mem) SkPaint (*paint) : nullptr;
    }
}

SkCanvas::DeviceCM::~DeviceCM ()
{
    if (fDevice != nullptr) {
        fDevice->unlockPixels ();
        fDevice->unref ();
    }
    if (fPaint != nullptr) {
        fPaint->~SkPaint ();
        sk_free (fPaint);
    }
}

void SkCanvas::DeviceCM::updateMC (const SkMatrix &totalMatrix, const SkRegion &totalClip,
                                   const SkClipStack &clipStack, SkRegion *updateClip)
{
    if (fDevice == nullptr) {
        fClip.setEmpty ();
        fMatrix = &totalMatrix;
        return;
    }
    int x = fDevice->getOrigin ().fX, y = fDevice->getOrigin ().fY;
    int width = fDevice->width (), height = fDevice->height ();
    if ((x | y) == 0) {
        fMatrix = &totalMatrix;
        fClip = totalClip;
    } else {
        fMatrixStorage = totalMatrix;
        fMatrixStorage.postTranslate (-(SkScalar)x, -(SkScalar)y);
        fMatrix = &fMatrixStorage;
        totalClip.translate (-x, -y, &fClip);
    }
    fClip.op (SkIRect::MakeWH (width, height), SkRegion::kIntersect_Op);
    if (updateClip != nullptr) {
        updateClip->op (SkIRect::MakeXYWH (x, y, width, height), SkRegion::kDifference_Op);
    }
    fDevice->setMatrixClip (*fMatrix, fClip, clipStack);
}

SkCanvas::MCRec::MCRec (MCRec *prev, int flags) : fPrev (prev), fLayer (nullptr)
{
    if (prev == nullptr) {
        fMatrix = &fMatrixStorage;
        fRegion = &fRegionStorage;
        fFilter = nullptr;
        fTopLayer = nullptr;
        return;
    }
    if (flags & kMatrix_SaveFlag) {
        fMatrixStorage = *prev->fMatrix;
        fMatrix = &fMatrixStorage;
    } else {
        fMatrix = prev->fMatrix;
    }
    if (flags & kClip_SaveFlag) {
        fRegionStorage = *prev->fRegion;
        fRegion = &fRegionStorage;
    } else {
        fRegion = prev->fRegion;
    }
    fFilter = prev->fFilter;
    SkSafeRef (fFilter);
    fTopLayer = prev->fTopLayer;
}

SkCanvas::MCRec::~MCRec () { SkSafeUnref (fFilter); }

// --- construction and devices ------------------------------------------------------------

SkCanvas::SkCanvas () : fBottomRec (nullptr, 0), fRootLayer (nullptr, nullptr) { init (nullptr); }

SkCanvas::SkCanvas (SkDevice *device) : fBottomRec (nullptr, 0), fRootLayer (nullptr, nullptr) { init (device); }

SkCanvas::SkCanvas (const SkBitmap &bitmap) : fBottomRec (nullptr, 0), fRootLayer (nullptr, nullptr)
{
    init (nullptr);
    SkDevice *device = new SkDevice (bitmap);
    if (device != nullptr) {
        setDevice (device);
        device->unref ();     // setDevice holds its own reference
    }
}

void SkCanvas::init (SkDevice *device)
{
    fMCRec = &fBottomRec;
    fSaveCount = 1;
    fBounder = nullptr;
    fLastDeviceToGainFocus = nullptr;
    fDeviceCMDirty = false;
    fLocalBoundsAA.setEmpty ();
    fLocalBoundsBW.setEmpty ();
    fLocalBoundsAADirty = fLocalBoundsBWDirty = true;
    fBottomRec.fLayer = fBottomRec.fTopLayer = &fRootLayer;
    setDevice (device);
}

SkCanvas::~SkCanvas ()
{
    while (fSaveCount > 1) {
        restore ();
    }
    // The bottom level and the root layer (drawn nowhere) go with the canvas's members.
    SkSafeUnref (fBounder);
}

SkDevice *SkCanvas::getDevice () const { return fRootLayer.fDevice; }

SkDevice *SkCanvas::setBitmapDevice (const SkBitmap &bitmap)
{
    SkDevice *device = new SkDevice (bitmap);
    if (device == nullptr) {
        return nullptr;
    }
    setDevice (device);
    device->unref ();
    return device;
}

SkDevice *SkCanvas::setDevice (SkDevice *device)
{
    SkDevice *old = fRootLayer.fDevice;
    if (old == device) {
        return device;
    }
    if (device != nullptr) device->lockPixels ();
    if (old != nullptr) old->unlockPixels ();
    SkRefCntAssign (fRootLayer.fDevice, device);
    markDirty ();
    if (device == nullptr) {
        for (MCRec *rec = fMCRec; rec != nullptr; rec = rec->fPrev) rec->fRegion->setEmpty ();
        fClipStack.reset ();
        return device;
    }
    SkIRect bounds = SkIRect::MakeWH (device->width (), device->height ());
    for (MCRec *rec = fMCRec; rec != nullptr; rec = rec->fPrev) {
        rec->fPrev == nullptr ? rec->fRegion->setRect (bounds) : rec->fRegion->op (bounds, SkRegion::kIntersect_Op);
    }
    return device;
}

// --- save levels -----------------------------------------------------------------------

bool SkCanvas::pushMCRec (int flags)
{
    MCRec *rec = new MCRec (fMCRec, flags);
    if (rec == nullptr) {
        return false;
    }
    fMCRec = rec;
    fSaveCount++;
    return true;
}

int SkCanvas::save (SaveFlags flags)
{
    int count = fSaveCount;
    markDirty ();
    // Without memory the level is not pushed; the matching restore then ends the level
    // below, the least harm left.
    (void)pushMCRec (flags);
    fClipStack.save ();
    return count;
}

// The device rectangle of a new layer: the clip's bounds, within the bounds asked for and
// within the layer it will be drawn into (nothing outside that could ever be seen). False,
// emptying the clip for a layer that clips, when nothing is left.
bool SkCanvas::layerBounds (const SkRect *bounds, SaveFlags flags, SkIRect *ir)
{
    *ir = fMCRec->fRegion->getBounds ();
    SkIRect ib;
    if (bounds != nullptr) {
        SkRect r;
        fMCRec->fMatrix->mapRect (&r, *bounds);
        if (!SkDrawRoundOut (r, &ib)) ib.setEmpty ();
    } else {
        ib = *ir;
    }
    SkDevice *below = fMCRec->fTopLayer->fDevice;
    SkIRect belowRect = below == nullptr ? SkIRect::MakeEmpty ()
                                         : SkIRect::MakeXYWH (below->getOrigin ().fX, below->getOrigin ().fY,
                                                              below->width (), below->height ());
    if (!ir->intersect (ib) || !ir->intersect (belowRect)) {
        if (flags & kClipToLayer_SaveFlag) fMCRec->fRegion->setEmpty ();
        return false;
    }
    return true;
}

int SkCanvas::saveLayer (const SkRect *bounds, const SkPaint *paint, SaveFlags flags)
{
    int count = save (flags);
    SkIRect ir;
    if (fMCRec->fRegion->isEmpty () || !layerBounds (bounds, flags, &ir)) {
        return count;
    }
    fClipStack.clipDevRect (SkRect::Make (ir), SkRegion::kIntersect_Op);
    if ((flags & kClipToLayer_SaveFlag) && !fMCRec->fRegion->op (ir, SkRegion::kIntersect_Op)) {
        return count;
    }
    SkDevice *device = fMCRec->fTopLayer->fDevice->createCompatibleDevice (SkBitmap::kARGB_8888_Config, ir.width (),
                                                                         ir.height (), !(flags & kHasAlphaLayer_SaveFlag));
    if (device == nullptr) {
        return count;
    }
    device->setOrigin (ir.fLeft, ir.fTop);
    DeviceCM *layer = new DeviceCM (device, paint);
    device->unref ();
    if (layer == nullptr) {
        return count;
    }
    layer->fNext = fMCRec->fTopLayer;
    fMCRec->fLayer = layer;
    fMCRec->fTopLayer = layer;
    return count;
}

int SkCanvas::saveLayerAlpha (const SkRect *bounds, U8CPU alpha, SaveFlags flags)
{
    if (alpha == 0xFF) {
        return saveLayer (bounds, nullptr, flags);
    }
    SkPaint paint;
    paint.setAlpha (alpha);
    return saveLayer (bounds, &paint, flags);
}

void SkCanvas::restore ()
{
    if (fSaveCount > 1) {
        internalRestore ();
    }
}

void SkCanvas::restoreToCount (int count)
{
    if (count < 1) count = 1;
    while (fSaveCount > count) {
        restore ();
    }
}

void SkCanvas::internalRestore ()
{
    markDirty ();
    fClipStack.restore ();
    DeviceCM *layer = fMCRec->fLayer;
    fMCRec->fLayer = nullptr;
    MCRec *rec = fMCRec;
    fMCRec = rec->fPrev;
    delete rec;
    fSaveCount--;
    if (layer == nullptr) {
        return;
    }
    // A layer from saveLayer joins what is now the current level's layers.
    if (layer->fNext != nullptr) {
        const SkIPoint &origin = layer->fDevice->getOrigin ();
        drawDevice (layer->fDevice, origin.fX, origin.fY, layer->fPaint);
        fDeviceCMDirty = true;
    }
    if (fLastDeviceToGainFocus == layer->fDevice) {
        fLastDeviceToGainFocus = nullptr;
    }
    delete layer;
}

// --- matrix ----------------------------------------------------------------------------

const SkMatrix &SkCanvas::getTotalMatrix () const { return *fMCRec->fMatrix; }

const SkRegion &SkCanvas::getTotalClip () const { return *fMCRec->fRegion; }

bool SkCanvas::translate (SkScalar dx, SkScalar dy)
{
    markDirty ();
    SkMatrix *m = fMCRec->fMatrix;
    if (m->hasPerspective ()) {
        return m->preTranslate (dx, dy);
    }
    if (dx == 0 && dy == 0) {
        return true;
    }
    m->set (SkMatrix::kMTransX, m->getTranslateX () + m->getScaleX () * dx + m->getSkewX () * dy);
    m->set (SkMatrix::kMTransY, m->getTranslateY () + m->getSkewY () * dx + m->getScaleY () * dy);
    return true;
}

bool SkCanvas::scale (SkScalar sx, SkScalar sy)
{
    markDirty ();
    return fMCRec->fMatrix->preScale (sx, sy);
}

bool SkCanvas::rotateAbout (SkScalar degrees, SkScalar px, SkScalar py)
{
    SkMatrix m;
    m.setRotate (degrees, px, py);
    return concat (m);
}

bool SkCanvas::rotate (SkScalar degrees)
{
    markDirty ();
    return fMCRec->fMatrix->preRotate (degrees);
}

bool SkCanvas::skew (SkScalar kx, SkScalar ky)
{
    markDirty ();
    return fMCRec->fMatrix->preSkew (kx, ky);
}

bool SkCanvas::concat (const SkMatrix &matrix)
{
    markDirty ();
    return fMCRec->fMatrix->preConcat (matrix);
}

void SkCanvas::setMatrix (const SkMatrix &matrix)
{
    markDirty ();
    *fMCRec->fMatrix = matrix;
}

// --- clip ------------------------------------------------------------------------------

bool SkCanvas::clipRect (const SkRect &rect, SkRegion::Op op)
{
    markDirty ();
    const SkMatrix &matrix = *fMCRec->fMatrix;
    if (!matrix.rectStaysRect ()) {
        SkPath path;
        path.addRect (rect);
        return clipPath (path, op);
    }
    SkRect r;
    matrix.mapRect (&r, rect);
    fClipStack.clipDevRect (r, op);
    SkIRect ir;
    if (!SkDrawRound (r, &ir)) {
        ir.setEmpty ();      // a rectangle without finite edges covers nothing
    }
    return fMCRec->fRegion->op (ir, op);
}

bool SkCanvas::clipPath (const SkPath &path, SkRegion::Op op)
{
    markDirty ();
    SkPath devPath;
    path.transform (*fMCRec->fMatrix, &devPath);
    fClipStack.clipDevPath (devPath, op);
    return clipPathRegion (devPath, op);
}

bool SkCanvas::clipPathRegion (const SkPath &devPath, SkRegion::Op op)
{
    SkRegion *clip = fMCRec->fRegion;
    if (op == SkRegion::kIntersect_Op) {
        SkRegion base (clip->getBounds ());
        if (clip->isRect () || clip->isEmpty ()) {
            return clip->setPath (devPath, base);
        }
        SkRegion tmp;
        tmp.setPath (devPath, base);
        return clip->op (tmp, SkRegion::kIntersect_Op);
    }
    SkRegion base;
    SkDevice *root = getDevice ();
    if (root != nullptr) {
        const SkBitmap &bitmap = root->accessBitmap (false);
        base.setRect (0, 0, bitmap.width (), bitmap.height ());
    }
    if (op == SkRegion::kReplace_Op) {
        return clip->setPath (devPath, base);
    }
    SkRegion tmp;
    tmp.setPath (devPath, base);
    return clip->op (tmp, op);
}

bool SkCanvas::clipRegion (const SkRegion &deviceRgn, SkRegion::Op op)
{
    markDirty ();
    fClipStack.clipDevRect (SkRect::Make (deviceRgn.getBounds ()), SkRegion::kIntersect_Op);
    return fMCRec->fRegion->op (deviceRgn, op);
}

const SkRect &SkCanvas::localBounds (EdgeType et) const
{
    bool aa = et == kAA_EdgeType;
    SkRect &bounds = aa ? fLocalBoundsAA : fLocalBoundsBW;
    bool &dirty = aa ? fLocalBoundsAADirty : fLocalBoundsBWDirty;
    if (!dirty) {
        return bounds;
    }
    dirty = false;
    SkMatrix inverse;
    const SkRegion &clip = *fMCRec->fRegion;
    if (clip.isEmpty () || !fMCRec->fMatrix->invert (&inverse)) {
        bounds.setEmpty ();     // nearly everything is rejected
        return bounds;
    }
    SkRect r = SkRect::Make (clip.getBounds ());
    if (aa) {
        r.outset (1, 1);     // anti-aliased edges touch one pixel more
    }
    inverse.mapRect (&bounds, r);
    return bounds;
}

bool SkCanvas::quickReject (const SkRect &rect, EdgeType et) const
{
    if (!rect.isFinite () || fMCRec->fRegion->isEmpty ()) {
        return true;
    }
    if (fMCRec->fMatrix->hasPerspective ()) {
        SkRect dst;
        SkIRect idst;
        fMCRec->fMatrix->mapRect (&dst, rect);
        return !SkDrawRoundOut (dst, &idst) || idst.isEmpty () ||
               !SkIRect::Intersects (idst, fMCRec->fRegion->getBounds ());
    }
    const SkRect &b = localBounds (et);
    return rect.fTop >= b.fBottom || b.fTop >= rect.fBottom || rect.fLeft >= b.fRight || b.fLeft >= rect.fRight;
}

// --- bounder, draw filter, broadcast ---------------------------------------------------------

SkBounder *SkCanvas::setBounder (SkBounder *bounder) { return SkRefCntAssign (fBounder, bounder); }

SkDrawFilter *SkCanvas::getDrawFilter () const { return fMCRec->fFilter; }

SkDrawFilter *SkCanvas::setDrawFilter (SkDrawFilter *filter) { return SkRefCntAssign (fMCRec->fFilter, filter); }

void SkCanvas::broadcast (uint32_t value)
{
    for (DeviceCM *layer = fMCRec->fTopLayer; layer != nullptr; layer = layer->fNext) {
        if (layer->fDevice != nullptr) layer->fDevice->onBroadcast (value);
    }
}

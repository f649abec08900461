/*
 * SkCanvas: the drawing surface. It keeps a stack of save levels, each with a matrix and a
 * device-space clip region, off-screen layers opened by saveLayer and composited back on
 * restore, the clip stack that records how the clip was built, and an optional bounder and
 * draw filter. Each draw runs once per pass of the paint's draw looper, into the device of
 * every visible layer.
 */
#ifndef GRAPHICS_CANVAS_SKCANVAS_H_
#define GRAPHICS_CANVAS_SKCANVAS_H_

#include "graphics/canvas/SkClipStack.h"
#include "graphics/canvas/SkDevice.h"

class SkBounder;

// Changes the paint of each draw pass. The library defines no concrete filter; the base
// changes nothing.
class SkDrawFilter : public SkRefCnt {
public:
    enum Type { kPaint_Type = 0, kPoint_Type = 1, kBitmap_Type = 3, kRect_Type = 4, kPath_Type = 5, kText_Type = 6 };
    virtual void filter (SkPaint *paint, Type type) { (void)paint; (void)type; }
};

class SkCanvas : public SkRefCnt {
public:
    enum SaveFlags {
        kMatrix_SaveFlag = 0x01,
        kClip_SaveFlag = 0x02,
        kHasAlphaLayer_SaveFlag = 0x04,
        kClipToLayer_SaveFlag = 0x10,
        kMatrixClip_SaveFlag = 0x03,
        kARGB_ClipLayer_SaveFlag = 0x17,
    };
    enum PointMode {
        kPoints_PointMode = SkDraw::kPoints_PointMode,
        kLines_PointMode = SkDraw::kLines_PointMode,
        kPolygon_PointMode = SkDraw::kPolygon_PointMode,
    };
    enum EdgeType { kBW_EdgeType, kAA_EdgeType };

    SkCanvas ();
    explicit SkCanvas (const SkBitmap &bitmap);
    explicit SkCanvas (SkDevice *device);
    ~SkCanvas () override;

    // The root device: made over bitmap, or the one given (null: none; every clip empties).
    SkDevice *setBitmapDevice (const SkBitmap &bitmap);
    SkDevice *setDevice (SkDevice *device);
    SkDevice *getDevice () const;

    // --- save levels ------------------------------------------------------------------------
    // Each returns the save count before the new level.
    virtual int save (SaveFlags flags = kMatrixClip_SaveFlag);
    virtual int saveLayer (const SkRect *bounds, const SkPaint *paint, SaveFlags flags = kARGB_ClipLayer_SaveFlag);
    int saveLayerAlpha (const SkRect *bounds, U8CPU alpha, SaveFlags flags = kARGB_ClipLayer_SaveFlag);
    virtual void restore ();
    int getSaveCount () const { return fSaveCount; }
    void restoreToCount (int count);

    // --- matrix -----------------------------------------------------------------------------
    virtual bool translate (SkScalar dx, SkScalar dy);
    virtual bool scale (SkScalar sx, SkScalar sy);
    virtual bool rotateAbout (SkScalar degrees, SkScalar px, SkScalar py);
    virtual bool rotate (SkScalar degrees);
    virtual bool skew (SkScalar kx, SkScalar ky);
    virtual bool concat (const SkMatrix &matrix);
    virtual void setMatrix (const SkMatrix &matrix);
    void resetMatrix () { setMatrix (SkMatrix::I ()); }
    const SkMatrix &getTotalMatrix () const;

    // --- clip -------------------------------------------------------------------------------
    // Each returns whether the clip is not empty afterwards.
    virtual bool clipRect (const SkRect &rect, SkRegion::Op op = SkRegion::kIntersect_Op);
    virtual bool clipPath (const SkPath &path, SkRegion::Op op = SkRegion::kIntersect_Op);
    virtual bool clipRegion (const SkRegion &deviceRgn, SkRegion::Op op = SkRegion::kIntersect_Op);
    const SkRegion &getTotalClip () const;
    const SkClipStack &getClipStack () const { return fClipStack; }
    // True when nothing drawn inside the local rectangle can reach the clip.
    bool quickReject (const SkRect &rect, EdgeType et) const;

    virtual void broadcast (uint32_t value);

    // --- drawing ----------------------------------------------------------------------------
    virtual void drawPaint (const SkPaint &paint);
    virtual void drawPoints (PointMode mode, size_t count, const SkPoint pts[], const SkPaint &paint);
    virtual void drawRect (const SkRect &rect, const SkPaint &paint);
    virtual void drawPath (const SkPath &path, const SkPaint &paint);
    virtual void drawBitmap (const SkBitmap &bitmap, SkScalar x, SkScalar y, const SkPaint *paint = nullptr);
    virtual void drawBitmapRect (const SkBitmap &bitmap, const SkIRect *src, const SkRect &dst,
                                 const SkPaint *paint = nullptr);
    virtual void drawBitmapMatrix (const SkBitmap &bitmap, const SkMatrix &matrix, const SkPaint *paint = nullptr);
    virtual void drawBitmapNine (const SkBitmap &bitmap, const SkIRect &center, const SkRect &dst,
                                 const SkPaint *paint = nullptr);
    virtual void drawSprite (const SkBitmap &bitmap, int x, int y, const SkPaint *paint = nullptr);
    // byteLength bytes of text in the paint's encoding, origin (x, y) aligned by the paint,
    // with the underline and strike-through the paint asks for.
    virtual void drawText (const void *text, size_t byteLength, SkScalar x, SkScalar y, const SkPaint &paint);
    // Text with a position per glyph (pos), or an x per glyph on the line constY (xpos); the
    // devices of this library ignore positioned text.
    virtual void drawPosText (const void *text, size_t byteLength, const SkPoint pos[], const SkPaint &paint);
    virtual void drawPosTextH (const void *text, size_t byteLength, const SkScalar xpos[], SkScalar constY,
                               const SkPaint &paint);
    void drawLine (SkScalar x0, SkScalar y0, SkScalar x1, SkScalar y1, const SkPaint &paint);
    void drawRoundRect (const SkRect &rect, SkScalar rx, SkScalar ry, const SkPaint &paint);
    // device's pixels at (x, y) of the layers: how a finished layer joins the one below.
    void drawDevice (SkDevice *device, int x, int y, const SkPaint *paint);

    SkBounder *getBounder () const { return fBounder; }
    virtual SkBounder *setBounder (SkBounder *bounder);
    SkDrawFilter *getDrawFilter () const;
    virtual SkDrawFilter *setDrawFilter (SkDrawFilter *filter);

protected:
    void drawTextDecorations (const void *text, size_t byteLength, SkScalar x, SkScalar y, const SkPaint &paint);
    virtual void commonDrawBitmap (const SkBitmap &bitmap, const SkIRect *src, const SkMatrix &matrix,
                                   const SkPaint &paint);

private:
    // One layer: its device (one reference held, pixels locked), its clip and matrix in the
    // device's own coordinates, and the paint it is composited with on restore.
    struct DeviceCM : SkPoolObject {
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
    struct MCRec : SkPoolObject {
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
    friend class SkDrawIter;

    void init (SkDevice *device);
    bool pushMCRec (int flags);
    bool layerBounds (const SkRect *bounds, SaveFlags flags, SkIRect *ir);
    void internalRestore ();
    void markDirty () { fDeviceCMDirty = true; fLocalBoundsAADirty = fLocalBoundsBWDirty = true; }
    void updateDeviceCMCache ();
    const SkRect &localBounds (EdgeType et) const;
    bool clipPathRegion (const SkPath &devPath, SkRegion::Op op);
    void internalDrawBitmap (const SkBitmap &bitmap, const SkIRect *src, const SkMatrix &matrix, const SkPaint *paint);
    template <typename Fn> void drawLayers (const SkPaint &paint, SkDrawFilter::Type type, Fn draw);

    SkClipStack fClipStack;
    // The bottom level and its root layer live in the canvas itself: a canvas always has them.
    MCRec fBottomRec;
    DeviceCM fRootLayer;
    MCRec *fMCRec;              // the current save level; each links to the one below
    int fSaveCount;
    SkBounder *fBounder;
    SkDevice *fLastDeviceToGainFocus;
    bool fDeviceCMDirty;
    mutable bool fLocalBoundsAADirty;
    mutable bool fLocalBoundsBWDirty;
    mutable SkRect fLocalBoundsAA;
    mutable SkRect fLocalBoundsBW;
};

#endif

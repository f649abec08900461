// The canvas's state: save levels, the matrix, clips, the clip stack, quick rejects, the root
// device.
#include <cmath>

#include "graphics/canvas/tests/SkCanvasTestSupport.h"

using namespace canvas_test;

TEST (SkCanvasStateTest, SaveOnAFreshCanvasReturnsOneAndRestoreThereDoesNothing)
{
    SkBitmap bitmap;
    make_bitmap (&bitmap, 10, 10);
    SkCanvas canvas (bitmap);
    canvas.restore ();
    EXPECT_EQ (canvas.getSaveCount (), 1);
    EXPECT_EQ (canvas.save (), 1);
    EXPECT_EQ (canvas.save (), 2);
    EXPECT_EQ (canvas.getSaveCount (), 3);
    canvas.restoreToCount (1);
    EXPECT_EQ (canvas.getSaveCount (), 1);
}

TEST (SkCanvasStateTest, SaveFlagsChooseWhatRestoreBringsBack)
{
    SkBitmap bitmap;
    make_bitmap (&bitmap, 100, 100);
    SkCanvas canvas (bitmap);
    canvas.save (SkCanvas::kMatrix_SaveFlag);
    canvas.translate (5, 6);
    canvas.clipRect (SkRect::MakeLTRB (0, 0, 10, 10));
    canvas.restore ();
    // The matrix was saved, the clip was not.
    EXPECT_TRUE (canvas.getTotalMatrix ().isIdentity ());
    EXPECT_EQ (canvas.getTotalClip ().getBounds (), SkIRect::MakeLTRB (5, 6, 15, 16));
    canvas.save (SkCanvas::kClip_SaveFlag);
    canvas.translate (1, 1);
    canvas.clipRect (SkRect::MakeLTRB (0, 0, 100, 100), SkRegion::kReplace_Op);
    canvas.restore ();
    EXPECT_EQ (canvas.getTotalMatrix ().getTranslateX (), 1);
    EXPECT_EQ (canvas.getTotalClip ().getBounds (), SkIRect::MakeLTRB (5, 6, 15, 16));
}

TEST (SkCanvasStateTest, TranslateAddsTheMappedOffsetToTheTranslation)
{
    SkCanvas canvas;
    canvas.scale (2, 3);
    canvas.translate (10, 20);
    EXPECT_EQ (canvas.getTotalMatrix ().getTranslateX (), 20);
    EXPECT_EQ (canvas.getTotalMatrix ().getTranslateY (), 60);
    canvas.skew (1, 0);
    canvas.translate (0, 1);
    EXPECT_EQ (canvas.getTotalMatrix ().getTranslateX (), 22);      // skewX 2 * dy
    SkMatrix m;
    m.setTranslate (1, 1);
    canvas.setMatrix (m);
    EXPECT_EQ (canvas.getTotalMatrix (), m);
}

TEST (SkCanvasStateTest, ClipRectRoundsEdgesToTheNearestPixel)
{
    SkBitmap bitmap;
    make_bitmap (&bitmap, 100, 100);
    SkCanvas canvas (bitmap);
    EXPECT_TRUE (canvas.clipRect (SkRect::MakeLTRB (10.4f, 10.5f, 20.49f, 20.5f)));
    EXPECT_EQ (canvas.getTotalClip ().getBounds (), SkIRect::MakeLTRB (10, 11, 20, 21));
    EXPECT_FALSE (canvas.clipRect (SkRect::MakeLTRB (50, 50, 60, 60)));
    EXPECT_TRUE (canvas.getTotalClip ().isEmpty ());
}

TEST (SkCanvasStateTest, ClipRectWithNonFiniteEdgesCoversNothing)
{
    SkBitmap bitmap;
    make_bitmap (&bitmap, 100, 100);
    SkCanvas canvas (bitmap);
    EXPECT_TRUE (canvas.clipRect (SkRect::MakeLTRB (NAN, 0, 10, 10), SkRegion::kUnion_Op));
    EXPECT_EQ (canvas.getTotalClip ().getBounds (), SkIRect::MakeWH (100, 100));
    EXPECT_FALSE (canvas.clipRect (SkRect::MakeLTRB (0, 0, INFINITY, 10)));
    // Huge but finite edges are limited, not wrapped.
    canvas.restoreToCount (1);
    SkCanvas other (bitmap);
    EXPECT_TRUE (other.clipRect (SkRect::MakeLTRB (-1e30f, -1e30f, 1e30f, 1e30f)));
    EXPECT_EQ (other.getTotalClip ().getBounds (), SkIRect::MakeWH (100, 100));
}

TEST (SkCanvasStateTest, ClipRegionCombinesInDeviceSpaceAndRecordsItsBounds)
{
    SkBitmap bitmap;
    make_bitmap (&bitmap, 100, 100);
    SkCanvas canvas (bitmap);
    canvas.translate (50, 50);      // regions ignore the matrix
    SkRegion rgn (SkIRect::MakeLTRB (0, 0, 10, 10));
    rgn.op (SkIRect::MakeLTRB (20, 0, 30, 10), SkRegion::kUnion_Op);
    EXPECT_TRUE (canvas.clipRegion (rgn));
    EXPECT_EQ (canvas.getTotalClip (), rgn);
    ASSERT_NE (canvas.getClipStack ().top (), nullptr);
    EXPECT_EQ (canvas.getClipStack ().top ()->fRect, SkRect::MakeLTRB (0, 0, 30, 10));
    EXPECT_EQ (canvas.getClipStack ().top ()->fOp, SkRegion::kIntersect_Op);
}

TEST (SkCanvasStateTest, ClipStackMergesIntersectionsOfOneSaveLevel)
{
    SkClipStack stack;
    stack.clipDevRect (SkRect::MakeLTRB (0, 0, 10, 10), SkRegion::kIntersect_Op);
    stack.clipDevRect (SkRect::MakeLTRB (5, 5, 20, 20), SkRegion::kIntersect_Op);
    ASSERT_EQ (stack.count (), 1);
    EXPECT_EQ (stack.top ()->fRect, SkRect::MakeLTRB (5, 5, 10, 10));
    // A new save level gets its own record, which its restore removes.
    stack.save ();
    stack.clipDevRect (SkRect::MakeLTRB (6, 6, 8, 8), SkRegion::kIntersect_Op);
    EXPECT_EQ (stack.count (), 2);
    stack.restore ();
    EXPECT_EQ (stack.count (), 1);
    // A disjoint intersection empties the record; later intersections and differences add
    // nothing, a union does.
    stack.clipDevRect (SkRect::MakeLTRB (50, 50, 60, 60), SkRegion::kIntersect_Op);
    EXPECT_EQ (stack.top ()->fState, SkClipStack::kEmpty_State);
    stack.clipDevRect (SkRect::MakeLTRB (0, 0, 1, 1), SkRegion::kDifference_Op);
    EXPECT_EQ (stack.count (), 1);
    stack.clipDevRect (SkRect::MakeLTRB (0, 0, 1, 1), SkRegion::kUnion_Op);
    EXPECT_EQ (stack.count (), 2);
}

TEST (SkCanvasStateTest, ClipStackPathsEmptyADisjointRecordAndOtherwisePush)
{
    SkClipStack stack;
    stack.clipDevRect (SkRect::MakeLTRB (0, 0, 10, 10), SkRegion::kIntersect_Op);
    SkPath inside, outside;
    inside.addCircle (5, 5, 3);
    outside.addCircle (50, 50, 3);
    stack.clipDevPath (inside, SkRegion::kIntersect_Op);
    ASSERT_EQ (stack.count (), 2);
    EXPECT_EQ (stack.top ()->fState, SkClipStack::kPath_State);
    stack.clipDevPath (outside, SkRegion::kIntersect_Op);
    EXPECT_EQ (stack.count (), 2);
    EXPECT_EQ (stack.top ()->fState, SkClipStack::kEmpty_State);
}

TEST (SkCanvasStateTest, QuickRejectRejectsNonFiniteAndEdgeTouchingRectangles)
{
    SkBitmap bitmap;
    make_bitmap (&bitmap, 100, 100);
    SkCanvas canvas (bitmap);
    canvas.clipRect (SkRect::MakeLTRB (10, 10, 50, 50));
    EXPECT_TRUE (canvas.quickReject (SkRect::MakeLTRB (NAN, 0, 20, 20), SkCanvas::kBW_EdgeType));
    EXPECT_TRUE (canvas.quickReject (SkRect::MakeLTRB (0, 0, INFINITY, 20), SkCanvas::kBW_EdgeType));
    EXPECT_TRUE (canvas.quickReject (SkRect::MakeLTRB (50, 10, 60, 20), SkCanvas::kBW_EdgeType));
    EXPECT_TRUE (canvas.quickReject (SkRect::MakeLTRB (0, 0, 10, 10), SkCanvas::kBW_EdgeType));
    EXPECT_FALSE (canvas.quickReject (SkRect::MakeLTRB (49, 49, 60, 60), SkCanvas::kBW_EdgeType));
    // Anti-aliased edges reach one pixel further.
    EXPECT_FALSE (canvas.quickReject (SkRect::MakeLTRB (50, 10, 60, 20), SkCanvas::kAA_EdgeType));
    EXPECT_TRUE (canvas.quickReject (SkRect::MakeLTRB (51, 10, 60, 20), SkCanvas::kAA_EdgeType));
    // The cached bounds follow the matrix.
    canvas.translate (40, 0);
    EXPECT_TRUE (canvas.quickReject (SkRect::MakeLTRB (10, 10, 20, 20), SkCanvas::kBW_EdgeType));
    EXPECT_FALSE (canvas.quickReject (SkRect::MakeLTRB (-31, 10, -29, 20), SkCanvas::kBW_EdgeType));
}

TEST (SkCanvasStateTest, QuickRejectUnderADegenerateMatrixRejectsAlmostEverything)
{
    SkBitmap bitmap;
    make_bitmap (&bitmap, 100, 100);
    SkCanvas canvas (bitmap);
    canvas.scale (0, 1);
    EXPECT_TRUE (canvas.quickReject (SkRect::MakeLTRB (0, 0, 100, 100), SkCanvas::kBW_EdgeType));
}

TEST (SkCanvasStateTest, SaveLayerOutsideTheClipWithClipToLayerEmptiesTheClipUntilRestore)
{
    SkBitmap bitmap;
    make_bitmap (&bitmap, 100, 100);
    SkCanvas canvas (bitmap);
    canvas.clipRect (SkRect::MakeLTRB (0, 0, 50, 50));
    SkRect bounds = SkRect::MakeLTRB (60, 60, 90, 90);
    int count = canvas.saveLayer (&bounds, nullptr, SkCanvas::kARGB_ClipLayer_SaveFlag);
    EXPECT_EQ (count, 1);
    EXPECT_TRUE (canvas.getTotalClip ().isEmpty ());
    canvas.restore ();
    EXPECT_EQ (canvas.getTotalClip ().getBounds (), SkIRect::MakeLTRB (0, 0, 50, 50));
}

TEST (SkCanvasStateTest, SetDeviceSetsEveryLevelsClipAndNullEmptiesThem)
{
    SkBitmap small, large;
    make_bitmap (&small, 20, 30);
    make_bitmap (&large, 200, 300);
    SkCanvas canvas;
    EXPECT_TRUE (canvas.getTotalClip ().isEmpty ());
    canvas.setBitmapDevice (large);
    canvas.save ();
    EXPECT_EQ (canvas.getTotalClip ().getBounds (), SkIRect::MakeWH (200, 300));
    canvas.setBitmapDevice (small);
    EXPECT_EQ (canvas.getTotalClip ().getBounds (), SkIRect::MakeWH (20, 30));
    canvas.clipRect (SkRect::MakeWH (5, 5));
    canvas.setDevice (nullptr);
    EXPECT_TRUE (canvas.getTotalClip ().isEmpty ());
    EXPECT_EQ (canvas.getClipStack ().count (), 0);
    EXPECT_EQ (canvas.getDevice (), nullptr);
}

TEST (SkCanvasStateTest, BoundersAndDrawFiltersAreHeldByReference)
{
    SkBounder *bounder = new SkBounder;
    SkDrawFilter *filter = new SkDrawFilter;
    {
        SkCanvas canvas;
        canvas.setBounder (bounder);
        canvas.save ();
        canvas.setDrawFilter (filter);
        EXPECT_EQ (filter->getRefCnt (), 2u);
        canvas.save ();
        EXPECT_EQ (filter->getRefCnt (), 3u);     // inherited by the new level
        canvas.restore ();
        canvas.restore ();
        EXPECT_EQ (filter->getRefCnt (), 1u);     // it ended with its level
        EXPECT_EQ (canvas.getDrawFilter (), nullptr);
        EXPECT_EQ (bounder->getRefCnt (), 2u);
    }
    EXPECT_EQ (bounder->getRefCnt (), 1u);
    bounder->unref ();
    filter->unref ();
}

/*
 * Non-anti-aliased path fill: the edges of the path, sorted by their first row and x, are
 * walked down the rows; each row emits the spans inside the path under its fill rule. The
 * anti-aliased filler runs the same walk on edges scaled up.
 */
#include "graphics/raster/SkEdgeBuilder.h"
#include "graphics/raster/SkScanPriv.h"

namespace {

// Turns the spans of a row into their complement within [fFirstX, fLastX): the inverse fill.
class SkInverseBlitter : public SkBlitter {
public:
    void init (SkBlitter *blitter, int firstX, int lastX)
    {
        fBlitter = blitter;
        fFirstX = fPrevX = firstX;
        fLastX = lastX;
    }
    void blitH (int x, int y, int width) override
    {
        if (x > fPrevX) fBlitter->blitH (fPrevX, y, x - fPrevX);
        fPrevX = SkMax32 (fPrevX, x + width);
    }
    void rowStart () { fPrevX = fFirstX; }
    void rowEnd (int y)
    {
        if (fLastX > fPrevX) fBlitter->blitH (fPrevX, y, fLastX - fPrevX);
    }

private:
    SkBlitter *fBlitter;
    int fFirstX, fLastX, fPrevX;
};

// Edges ordered by first row, then x.
inline bool edge_less (const SkEdge *a, const SkEdge *b)
{
    return a->fFirstY < b->fFirstY || (a->fFirstY == b->fFirstY && a->fX < b->fX);
}

void sift_down (SkEdge **list, int root, int count)
{
    for (int child; (child = 2 * root + 1) < count; root = child) {
        if (child + 1 < count && edge_less (list[child], list[child + 1])) child++;
        if (!edge_less (list[root], list[child])) return;
        SkTSwap (list[root], list[child]);
    }
}

// Heap sort: no memory, n log n whatever the input order.
void sort_edges (SkEdge **list, int count)
{
    for (int i = count / 2 - 1; i >= 0; i--) sift_down (list, i, count);
    for (int end = count - 1; end > 0; end--) {
        SkTSwap (list[0], list[end]);
        sift_down (list, 0, end);
    }
}

// Links the sorted edges between head and tail.
void link_edges (SkEdge **list, int count, SkEdge *head, SkEdge *tail)
{
    SkEdge *prev = head;
    for (int i = 0; i < count; i++) {
        prev->fNext = list[i];
        list[i]->fPrev = prev;
        prev = list[i];
    }
    prev->fNext = tail;
    tail->fPrev = prev;
}

void remove_edge (SkEdge *edge)
{
    edge->fPrev->fNext = edge->fNext;
    edge->fNext->fPrev = edge->fPrev;
}

// Moves edge backward until the edge before it has no greater x.
void backward_insert (SkEdge *edge)
{
    SkEdge *prev = edge->fPrev;
    if (prev->fX <= edge->fX) return;
    remove_edge (edge);
    do {
        prev = prev->fPrev;
    } while (prev->fX > edge->fX);
    edge->fPrev = prev;
    edge->fNext = prev->fNext;
    prev->fNext->fPrev = edge;
    prev->fNext = edge;
}

// Steps edge to the next row; false when it is used up (and unlinked).
inline bool advance_edge (SkEdge *edge, int y)
{
    if (edge->fLastY > y) {
        edge->fX += edge->fDX;
        return true;
    }
    if (edge->fCurveCount < 0 && ((SkCubicEdge *)edge)->updateCubic ()) return true;
    if (edge->fCurveCount > 0 && ((SkQuadraticEdge *)edge)->updateQuadratic ()) return true;
    remove_edge (edge);
    return false;
}

// The spans of row y; the active edges are left stepped to row y + 1 and in x order.
void walk_row (SkEdge *head, int y, int windingMask, SkBlitter *blitter)
{
    int w = 0, left = 0;
    bool inside = false;
    SkFixed prevX = head->fX;
    for (SkEdge *edge = head->fNext, *next; edge->fFirstY <= y; edge = next) {
        next = edge->fNext;
        int x = (int)(((int64_t)edge->fX + 0x8000) >> 16);
        w += edge->fWinding;
        if ((w & windingMask) == 0) {
            if (x != left) blitter->blitH (left, y, x - left);
            inside = false;
        } else if (!inside) {
            left = x;
            inside = true;
        }
        if (!advance_edge (edge, y)) continue;
        if (edge->fX < prevX) backward_insert (edge);
        else prevX = edge->fX;
    }
}

// Edges that start on row y join the active ones in x order. The edges yet to start follow
// the active ones in the order of their first rows (every move is backward, into the
// active part): returns the first row of the next of them.
int insert_new_edges (SkEdge *head, int y)
{
    SkEdge *edge = head->fNext;
    for (SkEdge *next; edge->fFirstY <= y; edge = next) {
        next = edge->fNext;
        if (edge->fFirstY == y) backward_insert (edge);
    }
    return edge->fFirstY;
}

void walk_edges (SkEdge *head, int fillType, SkBlitter *blitter, int start, int stop, SkInverseBlitter *inverse)
{
    int windingMask = (fillType & 1) ? 1 : -1;
    // Rows where no edge starts need no walk of the active edges to find none.
    int nextFirstY = insert_new_edges (head, start);
    for (int y = start; y < stop; y++) {
        if (inverse != nullptr) inverse->rowStart ();
        walk_row (head, y, windingMask, blitter);
        if (inverse != nullptr) inverse->rowEnd (y);
        if (y + 1 >= nextFirstY) nextFirstY = insert_new_edges (head, y + 1);
    }
}

} // namespace

void sk_fill_path (const SkPath &path, const SkIRect *clipRect, SkBlitter *blitter, int startRow, int stopRow,
                   int shiftEdgesUp, const SkRegion &clipRegion)
{
    SkEdgeBuilder builder;
    int count = builder.build (path, clipRect, shiftEdgesUp);
    if (builder.failed ()) return;      // out of memory: an incomplete edge list would draw nonsense
    int start = SkLeftShift (startRow, shiftEdgesUp), stop = SkLeftShift (stopRow, shiftEdgesUp);
    if (clipRect != nullptr) {
        start = SkMax32 (start, clipRect->fTop);
        stop = SkMin32 (stop, clipRect->fBottom);
    }
    const SkIRect &bounds = clipRegion.getBounds ();
    int firstX = SkLeftShift (bounds.fLeft, shiftEdgesUp), lastX = SkLeftShift (bounds.fRight, shiftEdgesUp);
    if (count < 2) {
        // Only the rows of this call: the caller fills the clip above and below them.
        if (path.isInverseFillType () && start < stop && firstX < lastX)
            blitter->blitRect (firstX, start, lastX - firstX, stop - start);
        return;
    }
    SkEdge **list = builder.edgeList ();
    sort_edges (list, count);
    SkEdge head, tail;
    head.fX = head.fFirstY = -0x7FFFFFFF;
    tail.fFirstY = 0x7FFFFFFF;
    tail.fX = 0x7FFFFFFF;
    link_edges (list, count, &head, &tail);
    SkInverseBlitter inverse;
    SkInverseBlitter *hook = nullptr;
    if (path.isInverseFillType ()) {
        inverse.init (blitter, firstX, lastX);
        blitter = hook = &inverse;
    }
    walk_edges (&head, path.getFillType (), blitter, start, stop, hook);
}

void SkScan::FillPath (const SkPath &path, const SkRegion &origClip, SkBlitter *blitter)
{
    if (origClip.isEmpty ()) return;
    SkRegion storage;
    const SkRegion *clip = sk_scan_limit_clip (origClip, &storage);
    if (clip->isEmpty ()) return;
    SkIRect ir;
    if (!sk_scan_path_is_finite (path) || !sk_scan_round_bounds (path.getBounds (), &ir)) return;
    bool inverse = path.isInverseFillType ();
    if (ir.isEmpty ()) {
        if (inverse) blitter->blitRegion (*clip);
        return;
    }
    SkScanClipper clipper (blitter, clip, ir);
    SkBlitter *drawer = clipper.getBlitter ();
    if (drawer == nullptr) {
        // The path misses the clip: its complement covers all of it.
        if (inverse) blitter->blitRegion (*clip);
        return;
    }
    const SkIRect &cb = clip->getBounds ();
    if (inverse && cb.fTop < ir.fTop) blitter->blitRectRegion (SkIRect::MakeLTRB (cb.fLeft, cb.fTop, cb.fRight, ir.fTop), *clip);
    sk_fill_path (path, clipper.getClipRect (), drawer, ir.fTop, ir.fBottom, 0, *clip);
    if (inverse && ir.fBottom < cb.fBottom)
        blitter->blitRectRegion (SkIRect::MakeLTRB (cb.fLeft, ir.fBottom, cb.fRight, cb.fBottom), *clip);
}

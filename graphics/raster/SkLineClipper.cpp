/*
 * Line clipping for hairlines (IntersectLine) and for edge building (ClipLine).
 */
#include "graphics/raster/SkLineClipper.h"

namespace {

const SkScalar kNearlyZero = 1.0f / 4096;

inline bool nearly_zero (SkScalar v) { return v < 0 ? -v < kNearlyZero : v < kNearlyZero; }

// The rejection test of one axis: beyond the clip, or touching it with a non-zero extent.
inline bool outside (SkScalar lo, SkScalar hi, SkScalar clipLo, SkScalar clipHi)
{
    bool hasExtent = lo < hi;
    return hi < clipLo || (hi == clipLo && hasExtent) || lo > clipHi || (lo == clipHi && hasExtent);
}

} // namespace

SkScalar SkLineClipperSectWithHorizontal (const SkPoint src[2], SkScalar Y)
{
    SkScalar dy = src[1].fY - src[0].fY;
    if (nearly_zero (dy)) return (src[0].fX + src[1].fX) * 0.5f;
    double x0 = src[0].fX, y0 = src[0].fY, x1 = src[1].fX, y1 = src[1].fY;
    return (SkScalar)(x0 + (x1 - x0) * (Y - y0) / (y1 - y0));
}

SkScalar SkLineClipperSectWithVertical (const SkPoint src[2], SkScalar X)
{
    SkScalar dx = src[1].fX - src[0].fX;
    if (nearly_zero (dx)) return (src[0].fY + src[1].fY) * 0.5f;
    double x0 = src[0].fX, y0 = src[0].fY, x1 = src[1].fX, y1 = src[1].fY;
    return (SkScalar)(y0 + (y1 - y0) * (X - x0) / (x1 - x0));
}

bool SkLineClipper::IntersectLine (const SkPoint src[2], const SkRect &clip, SkPoint dst[2])
{
    SkRect bounds;
    bounds.set (src[0], src[1]);
    if (bounds.fLeft >= clip.fLeft && bounds.fTop >= clip.fTop && bounds.fRight <= clip.fRight &&
        bounds.fBottom <= clip.fBottom) {
        dst[0] = src[0];
        dst[1] = src[1];
        return true;
    }
    if (outside (bounds.fLeft, bounds.fRight, clip.fLeft, clip.fRight) ||
        outside (bounds.fTop, bounds.fBottom, clip.fTop, clip.fBottom))
        return false;

    SkPoint tmp[2] = { src[0], src[1] };
    int top = src[0].fY < src[1].fY ? 0 : 1, bottom = top ^ 1;
    if (tmp[top].fY < clip.fTop) tmp[top].set (SkLineClipperSectWithHorizontal (src, clip.fTop), clip.fTop);
    if (tmp[bottom].fY > clip.fBottom)
        tmp[bottom].set (SkLineClipperSectWithHorizontal (src, clip.fBottom), clip.fBottom);

    int left = tmp[0].fX < tmp[1].fX ? 0 : 1, right = left ^ 1;
    if ((tmp[right].fX <= clip.fLeft || tmp[left].fX >= clip.fRight) && tmp[left].fX != tmp[right].fX)
        return false;       // a vertical segment on the border stays
    // One wholly beside the clip does not: moving it onto the border would give it the y of a
    // far-away intersection. (Cutting a huge segment to the clip's rows can leave one there.)
    if (tmp[right].fX < clip.fLeft || tmp[left].fX > clip.fRight) return false;
    if (tmp[left].fX < clip.fLeft) tmp[left].set (clip.fLeft, SkLineClipperSectWithVertical (src, clip.fLeft));
    if (tmp[right].fX > clip.fRight) tmp[right].set (clip.fRight, SkLineClipperSectWithVertical (src, clip.fRight));
    dst[0] = tmp[0];
    dst[1] = tmp[1];
    return true;
}

int SkLineClipper::ClipLine (const SkPoint pts[2], const SkRect &clip, SkPoint lines[kMaxPoints])
{
    int top = pts[0].fY < pts[1].fY ? 0 : 1, bottom = top ^ 1;
    if (clip.fTop >= pts[bottom].fY || pts[top].fY >= clip.fBottom) return 0;

    SkPoint tmp[2] = { pts[0], pts[1] };
    if (tmp[top].fY < clip.fTop) tmp[top].set (SkLineClipperSectWithHorizontal (pts, clip.fTop), clip.fTop);
    if (tmp[bottom].fY > clip.fBottom)
        tmp[bottom].set (SkLineClipperSectWithHorizontal (pts, clip.fBottom), clip.fBottom);

    bool reverse = !(pts[1].fX > pts[0].fX);
    int left = reverse ? 1 : 0, right = left ^ 1;
    SkPoint storage[kMaxPoints];
    SkPoint *r = storage;
    if (tmp[right].fX <= clip.fLeft) {
        r[0].set (clip.fLeft, tmp[left].fY);
        r[1].set (clip.fLeft, tmp[right].fY);
        r += 2;
    } else if (tmp[left].fX >= clip.fRight) {
        r[0].set (clip.fRight, tmp[left].fY);
        r[1].set (clip.fRight, tmp[right].fY);
        r += 2;
    } else {
        if (tmp[left].fX < clip.fLeft) {
            (r++)->set (clip.fLeft, tmp[left].fY);
            (r++)->set (clip.fLeft, SkLineClipperSectWithVertical (tmp, clip.fLeft));
        } else {
            *r++ = tmp[left];
        }
        if (tmp[right].fX > clip.fRight) {
            (r++)->set (clip.fRight, SkLineClipperSectWithVertical (tmp, clip.fRight));
            (r++)->set (clip.fRight, tmp[right].fY);
        } else {
            *r++ = tmp[right];
        }
    }
    int count = (int)(r - storage);
    for (int i = 0; i < count; i++) lines[i] = storage[reverse ? count - 1 - i : i];
    return count - 1;
}

// Tests that check paths against cairo: a path replayed into a cairo context as the same
// curves (quads raised to cubics).
#ifndef GRAPHICS_PATH_TESTS_SKPATHCAIRO_H_
#define GRAPHICS_PATH_TESTS_SKPATHCAIRO_H_

#include <cairo.h>

#include "graphics/path/SkPath.h"

inline void SkPathReplayInCairo (cairo_t *cr, const SkPath &path)
{
    SkPath::Iter iter (path, false);
    SkPoint p[4];
    for (SkPath::Verb verb; (verb = iter.next (p)) != SkPath::kDone_Verb;) {
        switch (verb) {
        case SkPath::kMove_Verb: cairo_move_to (cr, p[0].fX, p[0].fY); break;
        case SkPath::kLine_Verb: cairo_line_to (cr, p[1].fX, p[1].fY); break;
        case SkPath::kQuad_Verb:
            // The same curve as a cubic: control points two thirds of the way to the quad's.
            cairo_curve_to (cr, p[0].fX + 2.0 / 3 * (p[1].fX - p[0].fX), p[0].fY + 2.0 / 3 * (p[1].fY - p[0].fY),
                            p[2].fX + 2.0 / 3 * (p[1].fX - p[2].fX), p[2].fY + 2.0 / 3 * (p[1].fY - p[2].fY), p[2].fX,
                            p[2].fY);
            break;
        case SkPath::kCubic_Verb: cairo_curve_to (cr, p[1].fX, p[1].fY, p[2].fX, p[2].fY, p[3].fX, p[3].fY); break;
        case SkPath::kClose_Verb: cairo_close_path (cr); break;
        default: break;
        }
    }
}

#endif

// SkPath::Iter: forced and automatic closing, trailing moves, contours without a move.
#include <gtest/gtest.h>

#include <vector>

#include "graphics/path/SkPath.h"

namespace {

struct Step {
    int verb;
    std::vector<SkPoint> pts;
};

std::vector<Step> walk (const SkPath &path, bool forceClose)
{
    SkPath::Iter iter (path, forceClose);
    std::vector<Step> steps;
    SkPoint pts[4];
    for (int guard = 0; guard < 100; guard++) {
        SkPath::Verb verb = iter.next (pts);
        Step s{ verb, {} };
        int n = verb == SkPath::kMove_Verb ? 1 : verb == SkPath::kLine_Verb ? 2
              : verb == SkPath::kQuad_Verb ? 3 : verb == SkPath::kCubic_Verb ? 4 : 0;
        s.pts.assign (pts, pts + n);
        steps.push_back (s);
        if (verb == SkPath::kDone_Verb) break;
    }
    return steps;
}

std::vector<int> verbs (const std::vector<Step> &steps)
{
    std::vector<int> v;
    for (const Step &s : steps) v.push_back (s.verb);
    return v;
}

} // namespace

// With force-close, move, line, line (open) yields move, line, line, line back, close, done.
TEST (SkPathIter, ForceCloseAddsClosingLine)
{
    SkPath path;
    path.moveTo (0, 0);
    path.lineTo (10, 0);
    path.lineTo (10, 10);
    std::vector<Step> steps = walk (path, true);
    EXPECT_EQ (verbs (steps), (std::vector<int>{ 0, 1, 1, 1, 4, 5 }));
    EXPECT_EQ (steps[3].pts[0], SkPoint::Make (10, 10));
    EXPECT_EQ (steps[3].pts[1], SkPoint::Make (0, 0));
    EXPECT_EQ (steps[1].pts[0], SkPoint::Make (0, 0));
    EXPECT_EQ (verbs (walk (path, false)), (std::vector<int>{ 0, 1, 1, 5 }));
}

TEST (SkPathIter, CloseLineIsReported)
{
    SkPath path;
    path.moveTo (0, 0);
    path.lineTo (10, 0);
    path.lineTo (10, 10);
    path.close ();
    SkPath::Iter iter (path, false);
    SkPoint pts[4];
    iter.next (pts);
    iter.next (pts);
    EXPECT_FALSE (iter.isCloseLine ());
    iter.next (pts);
    EXPECT_EQ (iter.next (pts), SkPath::kLine_Verb);
    EXPECT_TRUE (iter.isCloseLine ());
    EXPECT_EQ (iter.next (pts), SkPath::kClose_Verb);
    EXPECT_EQ (iter.next (pts), SkPath::kDone_Verb);
}

// The verbs of whole walks, without and with force-close: a contour whose last point is
// its start closes without an extra line; a trailing move yields done without being
// returned (with force-close the first contour closes before it ends the walk); a NaN point
// closes without a closing line; an empty path is done at once.
TEST (SkPathIter, VerbsOfWholeWalks)
{
    SkPath closedAtStart, trailingMove, nan, empty;
    closedAtStart.moveTo (0, 0);
    closedAtStart.lineTo (10, 0);
    closedAtStart.lineTo (0, 0);
    closedAtStart.close ();
    trailingMove.moveTo (0, 0);
    trailingMove.lineTo (5, 5);
    trailingMove.moveTo (9, 9);
    nan.moveTo (0, 0);
    nan.lineTo (SK_ScalarNaN, 1);
    nan.close ();
    const struct {
        const char *name;
        const SkPath &path;
        std::vector<int> open, forced;
    } kCases[] = {
        { "closed at its start", closedAtStart, { 0, 1, 1, 4, 5 }, { 0, 1, 1, 4, 5 } },
        { "trailing move", trailingMove, { 0, 1, 5 }, { 0, 1, 1, 4, 5 } },
        { "NaN point", nan, { 0, 1, 4, 5 }, { 0, 1, 4, 5 } },
        { "empty", empty, { 5 }, { 5 } },
    };
    for (const auto &c : kCases) {
        EXPECT_EQ (verbs (walk (c.path, false)), c.open) << c.name;
        EXPECT_EQ (verbs (walk (c.path, true)), c.forced) << c.name;
    }
}

// A segment after a close, without its own move, starts at the last move point.
TEST (SkPathIter, SegmentAfterCloseGetsAMove)
{
    SkPath path;
    path.moveTo (1, 2);
    path.lineTo (5, 2);
    path.lineTo (1, 2);
    path.close ();
    path.lineTo (7, 7);
    std::vector<Step> steps = walk (path, false);
    EXPECT_EQ (verbs (steps), (std::vector<int>{ 0, 1, 1, 4, 0, 1, 5 }));
    EXPECT_EQ (steps[4].pts[0], SkPoint::Make (1, 2));
    EXPECT_EQ (steps[5].pts[0], SkPoint::Make (1, 2));
    EXPECT_EQ (steps[5].pts[1], SkPoint::Make (7, 7));
    // With force-close that new contour is closed too: a line back to (1, 2), then close.
    steps = walk (path, true);
    ASSERT_EQ (verbs (steps), (std::vector<int>{ 0, 1, 1, 4, 0, 1, 1, 4, 5 }));
    EXPECT_EQ (steps[6].pts[0], SkPoint::Make (7, 7));
    EXPECT_EQ (steps[6].pts[1], SkPoint::Make (1, 2));
}

TEST (SkPathIter, CurvesCarryTheirStartPoint)
{
    SkPath path;
    path.moveTo (1, 1);
    path.quadTo (2, 2, 3, 1);
    path.cubicTo (4, 0, 5, 2, 6, 1);
    std::vector<Step> steps = walk (path, false);
    ASSERT_EQ (verbs (steps), (std::vector<int>{ 0, 2, 3, 5 }));
    EXPECT_EQ (steps[1].pts[0], SkPoint::Make (1, 1));
    EXPECT_EQ (steps[2].pts[0], SkPoint::Make (3, 1));
    EXPECT_EQ (steps[2].pts[3], SkPoint::Make (6, 1));
}


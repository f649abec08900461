/*
 * SkClipStack: how the clip of a canvas was built, as device-space rectangles and paths with
 * their region operations, each tagged with the save count it was pushed under. Consecutive
 * intersections at one save level merge into one record where they can.
 */
#ifndef GRAPHICS_CANVAS_SKCLIPSTACK_H_
#define GRAPHICS_CANVAS_SKCLIPSTACK_H_

#include "graphics/path/SkPath.h"
#include "graphics/region/SkRegion.h"

class SkClipStack {
public:
    enum State { kEmpty_State = 0, kRect_State = 1, kPath_State = 2 };

    struct Rec : SkPoolObject {
        Rec *fPrev, *fNext;
        SkPath fPath;
        SkRect fRect;
        int fSaveCount;
        SkRegion::Op fOp;
        State fState;
    };

    SkClipStack () : fHead (nullptr), fTail (nullptr), fSaveCount (0) {}
    ~SkClipStack () { reset (); }

    // Drops every record; the save count becomes 0.
    void reset ();
    int getSaveCount () const { return fSaveCount; }
    void save () { fSaveCount++; }
    // Ends a save level: the records pushed under it go.
    void restore ();

    void clipDevRect (const SkRect &rect, SkRegion::Op op);
    void clipDevPath (const SkPath &path, SkRegion::Op op);

    // Records from the bottom (first pushed) up.
    const Rec *bottom () const { return fHead; }
    const Rec *top () const { return fTail; }
    int count () const;

private:
    Rec *push ();
    void pop ();

    Rec *fHead;
    Rec *fTail;
    int fSaveCount;
};

#endif

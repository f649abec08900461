/*
 * SkRefCnt, the base of every shared object of the library. The count starts at 1; the
 * release that drops the last reference runs the (virtual, deleting) destructor. Counts are
 * not atomic: the library runs on one thread.
 */
#ifndef GRAPHICS_CORE_SKREFCNT_H_
#define GRAPHICS_CORE_SKREFCNT_H_

#include "graphics/core/SkTypes.h"

class SkRefCnt : public SkPoolObject, SkNoncopyable {
public:
    SkRefCnt () : fRefCnt (1) {}
    virtual ~SkRefCnt () {}

    uint32_t getRefCnt () const { return fRefCnt; }
    void ref () const { fRefCnt++; }
    // Drops one reference. The last one sets the count back to 1 (so a destructor that refs
    // and unrefs itself does not recurse) and deletes the object.
    void unref () const
    {
        SkASSERT (fRefCnt > 0);
        if (fRefCnt == 1) {
            fRefCnt = 1;
            delete this;
        } else {
            fRefCnt--;
        }
    }

private:
    mutable uint32_t fRefCnt;
};

static inline void SkSafeRef (const SkRefCnt *obj) { if (obj != nullptr) obj->ref (); }
static inline void SkSafeUnref (const SkRefCnt *obj) { if (obj != nullptr) obj->unref (); }

// Reference-counted assignment: refs the new object before releasing the old one, so
// assigning the object a slot already holds keeps it alive. Returns the new object.
template <typename T> static inline T *SkRefCntAssign (T *&slot, T *obj)
{
    SkSafeRef (obj);
    SkSafeUnref (slot);
    slot = obj;
    return obj;
}

// Holds one reference and drops it at scope exit.
template <typename T> class SkAutoTUnref : SkNoncopyable {
public:
    explicit SkAutoTUnref (T *obj = nullptr) : fObj (obj) {}
    ~SkAutoTUnref () { SkSafeUnref (fObj); }
    T *get () const { return fObj; }
    T *operator-> () const { return fObj; }
    T *detach () { T *o = fObj; fObj = nullptr; return o; }
    void reset (T *obj) { SkSafeUnref (fObj); fObj = obj; }
private:
    T *fObj;
};

#endif

// Reference counting and the zero-filling object allocator.
#include <gtest/gtest.h>

#include "graphics/core/SkRefCnt.h"

namespace {

struct Counted : public SkRefCnt {
    explicit Counted (int *deaths) : fDeaths (deaths) {}
    ~Counted () override { (*fDeaths)++; }
    int *fDeaths;
    int fUntouched[8];
};

} // namespace

// The last unref runs the destructor exactly once. Objects come from the zero-filling
// allocator: fields the constructor leaves alone are 0.
TEST (SkRefCnt, LastUnrefDestroysOnce)
{
    int deaths = 0;
    Counted *obj = new Counted (&deaths);
    ASSERT_NE (obj, nullptr);
    EXPECT_EQ (obj->getRefCnt (), 1u);
    for (int v : obj->fUntouched) EXPECT_EQ (v, 0);
    obj->ref ();
    EXPECT_EQ (obj->getRefCnt (), 2u);
    obj->unref ();
    EXPECT_EQ (deaths, 0);
    obj->unref ();
    EXPECT_EQ (deaths, 1);
    {
        SkAutoTUnref<Counted> holder (new Counted (&deaths));
        EXPECT_EQ (holder->getRefCnt (), 1u);
    }
    EXPECT_EQ (deaths, 2);
}

// Assigning the object a slot already holds keeps it alive.
TEST (SkRefCnt, SelfAssignmentKeepsObjectAlive)
{
    int deaths = 0;
    Counted *obj = new Counted (&deaths);
    Counted *slot = nullptr;
    SkRefCntAssign (slot, obj);
    obj->unref ();                 // the slot holds the only reference now
    EXPECT_EQ (slot->getRefCnt (), 1u);
    SkRefCntAssign (slot, slot);
    EXPECT_EQ (deaths, 0);
    EXPECT_EQ (slot->getRefCnt (), 1u);
    SkRefCntAssign (slot, (Counted *)nullptr);
    EXPECT_EQ (deaths, 1);
    EXPECT_EQ (slot, nullptr);
}

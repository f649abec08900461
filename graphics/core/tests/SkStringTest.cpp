// SkString record sharing, reuse in place, and copy on write.
#include <gtest/gtest.h>

#include "graphics/core/SkString.h"

// An empty string points at the one static record, which is never counted.
TEST (SkString, EmptyStringsShareTheStaticRecord)
{
    SkString a;
    SkString b ("");
    EXPECT_EQ (a.rec (), SkString::EmptyRec ());
    EXPECT_EQ (b.rec (), SkString::EmptyRec ());
    EXPECT_EQ (SkString::EmptyRec ()->fRefCnt, 0u);
    EXPECT_STREQ (a.c_str (), "");
    SkString c (a);
    EXPECT_EQ (SkString::EmptyRec ()->fRefCnt, 0u);
}

// Length 7 to 6 or 5 reuses the record; 7 to 8 allocates a new one.
TEST (SkString, SetReusesRecordWhenItFits)
{
    SkString s ("abcdefg");
    const SkString::Rec *rec = s.rec ();
    s.set ("abcdef");
    EXPECT_EQ (s.rec (), rec);
    EXPECT_STREQ (s.c_str (), "abcdef");
    s.set ("abcdefg");
    s.set ("abcde");
    EXPECT_EQ (s.rec (), rec);
    EXPECT_EQ (s.size (), 5u);
    s.set ("abcdefg");                 // 7 >> 2 == 5 >> 2: still in place
    EXPECT_EQ (s.rec (), rec);
    s.set ("abcdefgh");
    EXPECT_NE (s.rec (), rec);
    EXPECT_STREQ (s.c_str (), "abcdefgh");
}

// A shared record is never written in place.
TEST (SkString, SharedRecordIsCopiedBeforeWriting)
{
    SkString a ("hello");
    SkString b (a);
    EXPECT_EQ (a.rec (), b.rec ());
    EXPECT_EQ (a.rec ()->fRefCnt, 2u);
    b.set ("jelly");
    EXPECT_NE (a.rec (), b.rec ());
    EXPECT_STREQ (a.c_str (), "hello");
    EXPECT_STREQ (b.c_str (), "jelly");

    SkString c (a);
    char *w = c.writable_str ();
    w[0] = 'y';
    EXPECT_STREQ (a.c_str (), "hello");
    EXPECT_STREQ (c.c_str (), "yello");
    EXPECT_EQ (a.rec ()->fRefCnt, 1u);
}

TEST (SkString, ResetAppendAndEquals)
{
    SkString s ("abc");
    EXPECT_TRUE (s.append ("def"));
    EXPECT_TRUE (s.equals ("abcdef"));
    EXPECT_FALSE (s.equals ("abcde"));
    s.reset ();
    EXPECT_TRUE (s.isEmpty ());
    EXPECT_EQ (s.rec (), SkString::EmptyRec ());
    SkString t ("xy", 1);
    EXPECT_STREQ (t.c_str (), "x");
    s = t;
    EXPECT_TRUE (s == t);
    s.set (nullptr, 0);
    EXPECT_TRUE (s.isEmpty ());
}

// AllocRec reserves ((len >> 2) + 1) * 4 characters and terminates the text.
TEST (SkString, AllocRecCopiesAndTerminates)
{
    SkString::Rec *rec = SkString::AllocRec ("abcd", 4);
    ASSERT_NE (rec, nullptr);
    EXPECT_EQ (rec->fLength, 4u);
    EXPECT_EQ (rec->fRefCnt, 1u);
    EXPECT_STREQ (rec->text (), "abcd");
    SkString::unrefRec (rec);
    EXPECT_EQ (SkString::AllocRec ("x", 0), SkString::EmptyRec ());
}

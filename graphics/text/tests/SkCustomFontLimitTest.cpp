// The custom font list's limit, in a process of its own: it fills the list for good.
#include <gtest/gtest.h>

#include <vector>

#include "TextTestSupport.h"
#include "graphics/port/SkStream.h"
#include "graphics/text/SkFontHost.h"

namespace {

// The list holds 19 fonts; more typefaces still work but are no fallbacks.
TEST (SkFontHostTest, CustomListKeepsItsLimit)
{
    std::vector<SkTypeface *> faces;
    for (int i = 0; i < 21; i++) {
        faces.push_back (TextTest::TypefaceFromFile ("DejaVuSansMono.ttf"));
        ASSERT_NE (faces.back (), nullptr);
    }
    int listed = 0;
    for (uint32_t id = SkFontHost::NextLogicalFont (SkTypeface::UniqueID (nullptr)); id != 0;
         id = SkFontHost::NextLogicalFont (id)) {
        ASSERT_LT (++listed, 100);
    }
    EXPECT_EQ (listed, 19);
    EXPECT_EQ (SkFontHost::NextLogicalFont (faces.back ()->uniqueID ()), SkFontHost::NextLogicalFont (0));
    for (SkTypeface *face : faces) {
        face->unref ();
    }
}

} // namespace

#include "image/bvISOLib_entry_name.h"
#include <gtest/gtest.h>

using namespace scrivo;

// Names on both sides of the in-place limit survive copies, moves and assignments of
// themselves, and stay NUL-terminated.
TEST(ImageEntryName, InPlaceAndHeapNamesCopyMoveAndAssign) {
    for (size_t n : {0, 1, 22, 23, 200}) {
        const std::string s(n, 'x');
        TEntryName a = s;
        EXPECT_EQ(a, s);
        EXPECT_EQ(std::strlen(a.c_str()), n);
        TEntryName b = a;
        TEntryName c = std::move(b);
        EXPECT_EQ(c, s);
        EXPECT_TRUE(b.empty());
        c = c.View().substr(n / 2); // from a view of itself
        EXPECT_EQ(c, s.substr(n / 2));
        a = std::string(n + 30, 'y'); // in place -> heap and heap -> longer heap
        a = "short";
        EXPECT_EQ(a + ";1", "short;1");
        EXPECT_EQ("[" + a, "[short");
    }
}

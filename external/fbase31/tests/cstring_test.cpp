#include "foundation/cstring.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

using foundation::cstring;

TEST(CString, NullAndEmptyReadAsEmptyText) {
    const cstring none(nullptr), empty(""), dflt;
    for (const cstring* s : {&none, &empty, &dflt}) {
        EXPECT_STREQ(s->c_str(), "");
        EXPECT_TRUE(s->empty());
    }
    EXPECT_EQ(none, empty);
}

// Each copy owns its characters: changing or destroying one leaves the others.
TEST(CString, CopiesAreIndependent) {
    cstring a("proxy.example");
    cstring b(a);
    {
        cstring c("short-lived");
        c = a;
        a = "changed";
        EXPECT_STREQ(c.c_str(), "proxy.example");
    }
    EXPECT_STREQ(b.c_str(), "proxy.example");
    EXPECT_STREQ(a.c_str(), "changed");
    EXPECT_NE(a, b);

    const cstring& same = b;
    b = same;  // self-assignment keeps the text
    EXPECT_STREQ(b.c_str(), "proxy.example");
    EXPECT_EQ(b.length(), 13u);
}

TEST(CString, MovedFromIsEmptyAndReusable) {
    cstring a("moved text");
    cstring b(std::move(a));
    EXPECT_STREQ(b.c_str(), "moved text");
    EXPECT_TRUE(a.empty());  // NOLINT: the moved-from state is defined
    a = "again";
    b = std::move(a);
    EXPECT_STREQ(b.c_str(), "again");
}

TEST(CString, LongTextIsKeptWhole) {
    const std::string text(70000, 'x');
    const cstring s(text.c_str());
    EXPECT_EQ(s.length(), text.size());
    EXPECT_EQ(std::string(s.c_str()), text);
}

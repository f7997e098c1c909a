#include "setup/value_syntax.h"

#include <gtest/gtest.h>

#include "test_files.h"

namespace {

TEST(ExtractToken, SplitsFields) {
    const struct {
        const char* source;
        char separator;
        bool strict;
        bool ok;
        const char* token;
        const char* rest;
    } cases[] = {
        {"\"a,b\",c", ',', true, true, "a,b", "c"},
        {"\"say \"\"hi\"\"\",x", ',', true, true, "say \"hi\"", "x"},
        {"  plain  , next ", ',', true, true, "plain", " next"},
        {"\"\",b", ',', true, true, "", "b"},
        {",b", ',', true, true, "", "b"},
        {"a,", ',', true, true, "a", ""},
        {"", ',', true, true, "", ""},
        {"   ", ',', true, true, "", ""},
        {"\" padded \"", ',', true, true, "padded", ""},
        {"\"a\" ,c", ',', true, false, "", ""},   // a blank between the closing quote and the comma
        {"ab\"c,d", ',', true, false, "", ""},   // a quote inside a field
        {"\"ab\"c", ',', true, false, "", ""},   // text after the closing quote
        {"\"open,x", ',', true, false, "", ""},
        {"\"C:\\Program Files\\setup.exe\" /qn", ' ', true, true, "C:\\Program Files\\setup.exe", "/qn"},
        {"A;B", ';', true, true, "A", "B"},
        {"/i \"C:\\My Files\\a.msi\" /qn", ' ', false, true, "/i", "\"C:\\My Files\\a.msi\" /qn"},
        {"\"C:\\My Files\\a.msi\" /qn", ' ', false, true, "\"C:\\My Files\\a.msi\"", "/qn"},
        {"PROP=\"a b\"c next", ' ', false, true, "PROP=\"a b\"c", "next"},
        {"x\"open", ' ', false, false, "", ""},
    };
    for (const auto& c : cases) {
        std::string source = c.source;
        std::string token;
        const bool ok = ExtractToken(source, token, c.separator, c.strict);
        EXPECT_EQ(c.ok, ok) << c.source;
        if (ok && c.ok) {
            EXPECT_EQ(c.token, token) << c.source;
            EXPECT_EQ(c.rest, source) << c.source;
        }
    }
    std::string source = "a,b";  // the separator defaults to ","
    std::string token;
    EXPECT_TRUE(ExtractToken(source, token));
    EXPECT_EQ("a", token);
}

TEST(ParseInteger, AcceptsOnlyAnOptionalMinusAndDigits) {
    const struct {
        const char* text;
        bool ok;
        std::int32_t value;
    } cases[] = {
        {"-5", true, -5}, {"5-", false, 0}, {"", true, 0}, {"-", true, 0}, {"0042", true, 42},
        {" 1", false, 0}, {"1a", false, 0}, {"+1", false, 0},
        {"2147483647", true, 2147483647}, {"2147483648", false, 0}, {"-2147483648", true, INT32_MIN},
        {"99999999999999999999", false, 0},
    };
    for (const auto& c : cases) {
        std::int32_t value = 7;
        EXPECT_EQ(c.ok, ParseInteger(c.text, value)) << c.text;
        EXPECT_EQ(c.ok ? c.value : 7, value) << c.text;
    }
}

TEST(FourPartVersion, ParsesAndCompares) {
    const struct {
        const char* text;
        bool ok;
        const char* version;  // after parsing into 9.9.9.9
    } cases[] = {
        {"5.1.2.3", true, "5.1.2.3"},   {"5.1b", true, "5.1.1.0"},      {"2.0 and more", true, "2.0.0.0"},
        {"5..3", true, "5.0.3.0"},      {"3", true, "3.0.0.0"},         {"1.2.3.4.5", true, "1.2.3.4"},
        {"1.Z", true, "1.25.0.0"},      {"1.65535", true, "1.65535.0.0"},
        {"1.65536", false, "0.0.0.0"},  {"v1", false, "9.9.9.9"},      {"", false, "9.9.9.9"},
        {".1", false, "9.9.9.9"},
    };
    for (const auto& c : cases) {
        FourPartVersion v;
        v.Parse("9.9.9.9");
        EXPECT_EQ(c.ok, v.Parse(c.text)) << c.text;
        EXPECT_EQ(c.version, v.ToString()) << c.text;
    }
    FourPartVersion a, b;
    a.Parse("1.2.3.4");
    b.Parse("1.2.3.5");
    EXPECT_LT(a.Compare(b), 0);
    EXPECT_GT(b.Compare(a), 0);
    b.Parse("1.2.3.4");
    EXPECT_EQ(0, a.Compare(b));
    b.Parse("1.10");
    EXPECT_TRUE(a < b);  // parts compare as numbers
}

TEST(VersionInRanges, MatchesRangesAndSingleVersions) {
    const struct {
        const char* ranges;
        const char* version;
        bool match;
    } cases[] = {
        {"1.0-1.9;3", "1.5", true},    {"1.0-1.9;3", "3.0.0.0", true}, {"1.0-1.9;3", "2.0", false},
        {"1.0-1.9;3", "3.1", false},   {"1.0-1.9;3", "1.9.0.1", false}, {"", "7.0", true},
        {"-2.0", "0.1", true},         {"2.0-", "1.0", false},          {"2.0-", "9.0", true},
        {"-", "4.0", true},            {"x-9;1.0", "1.0", false},       // a bad bound ends the search
        {"1.0-1.9;x", "1.5", true},    {"1.0-1.9;x", "2.5", false},     {"1.0-x", "1.5", false},
    };
    for (const auto& c : cases) {
        FourPartVersion v;
        ASSERT_TRUE(v.Parse(c.version));
        EXPECT_EQ(c.match, VersionInRanges(v, c.ranges)) << c.ranges << " " << c.version;
    }
}

TEST(MatchOemList, MatchesIgnoringCaseAndInverts) {
    const struct {
        const char* code;
        const char* list;
        bool match;
    } cases[] = {
        {"XYZ", "~ABC;DEF", true}, {"abc", "~ABC;DEF", false}, {"def", "ABC;DEF", true},
        {"GHI", "ABC;DEF", false}, {"X", "", true},              {"", "", true},
        {"", "ABC", false},        {"", "~ABC", false},          {"X", "~", true},
        {"A B", "\"a b\";C", true},
    };
    for (const auto& c : cases) EXPECT_EQ(c.match, MatchOemList(c.code, c.list)) << c.code << " in " << c.list;

    const InternalError e = CatchInternalError([] { MatchOemList("C", "A\"B;C"); });
    EXPECT_EQ(25, e.location);
    EXPECT_EQ(0x8004006Bu, e.hr);
}

}  // namespace

// The exclusion lists' portable core: compiling values into records, the
// directory and file tests, the wildcard matcher, the path macros and the
// process-wide list, as tables of cases.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <thread>
#include <vector>

#include "raredaro/core/exclusion_compile.h"
#include "raredaro/core/exclusion_list.h"
#include "raredaro/core/name_match.h"
#include "raredaro/core/path_macros.h"
#include "raredaro/core/shared_exclusions.h"

namespace raredaro {
namespace {

// A code page where 0x81..0x9F start a double-byte character, as in Shift-JIS,
// whose second bytes include '\\' and '|'.
bool ShiftJisLead(unsigned char c) { return c >= 0x81 && c <= 0x9F; }
const CharSet kSingleByte;
const CharSet kDoubleByte = [] {
    CharSet c;
    c.isLeadByte = &ShiftJisLead;
    return c;
}();

class FakeMacros : public MacroSource {
public:
    std::map<PathMacro, std::string> folders = {
        {PathMacro::UserProfile, "C:\\Users\\Me"},   {PathMacro::SystemDir, "C:\\Windows\\System32"},
        {PathMacro::Temp, "C:\\Users\\Me\\Temp"},     {PathMacro::WinDir, "C:\\Windows"},
        {PathMacro::InternetCache, "C:\\Users\\Me\\Cache"}, {PathMacro::ProgDir, "C:\\Program Files\\Orvane"},
    };
    std::string expand(PathMacro macro) override {
        if (macro == PathMacro::AnyDir) return "*";
        auto f = folders.find(macro);
        return f == folders.end() ? std::string() : f->second;
    }
};

class FakeReader : public ListReader {
public:
    explicit FakeReader(std::vector<ListValue> values) : values_(std::move(values)) {}
    bool next(ListValue* value) override {
        if (next_ == values_.size()) return false;
        *value = values_[next_++];
        return true;
    }

private:
    std::vector<ListValue> values_;
    std::size_t next_ = 0;
};

class FakeRegistry : public ListSource {
public:
    std::map<std::string, std::vector<ListValue>> keys;
    std::vector<std::string> opened;
    std::unique_ptr<ListReader> open(const char* keyPath) override {
        opened.push_back(keyPath);
        auto k = keys.find(keyPath);
        if (k == keys.end()) return nullptr;
        return std::make_unique<FakeReader>(k->second);
    }
};

ListValue Sz(const std::string& name, const std::string& data) { return {true, name, data}; }

// "13 [C:\\TEMP] -": flags, path (or -), pattern (or -).
std::string Show(const ExclusionRecord& r) {
    char flags[4];
    std::snprintf(flags, sizeof flags, "%02X", r.flags);
    return std::string(flags) + " " + (r.hasPath ? "[" + r.path + "]" : "-") + " " + (r.hasPattern ? r.pattern : "-");
}

std::vector<std::string> Records(const ExclusionList& list) {
    std::vector<std::string> out;
    for (const auto& r : list.records()) out.push_back(Show(r));
    return out;
}

const char kHelpRecord[] = "13 [C:\\WINDOWS\\PCHEALTH] -";

// The records one value compiles to, newest first, without the fixed entry
// that follows every list.
std::vector<std::string> CompileOne(const std::string& name, const std::string& data,
                                    const CharSet& chars = kSingleByte) {
    ExclusionList list(chars);
    FakeReader reader({Sz(name, data)});
    FakeMacros macros;
    EXPECT_EQ(0, CompileApplicationList(list, reader, macros)) << name;
    std::vector<std::string> records = Records(list);
    EXPECT_FALSE(records.empty());
    if (records.empty()) return records;
    EXPECT_EQ(kHelpRecord, records.front()) << "the fixed entry comes last";
    records.erase(records.begin());
    return records;
}

TEST(ExclusionCompile, ValuesBecomeRecords) {
    const std::string longName = "C:\\" + std::string(256, 'A');
    const std::string pattern255(255, 'P'), pattern256(256, 'P');
    const struct {
        std::string name, data;
        std::vector<std::string> records;
    } cases[] = {
        {"C:\\TEMP", "*", {"13 [C:\\TEMP] -"}},
        {"c:\\temp\\", "*.tmp|*.BAK", {"36 [C:\\TEMP] *.BAK", "36 [C:\\TEMP] *.TMP"}},
        {"C:\\IMG", "Thumbs.db", {"16 [C:\\IMG] THUMBS.DB"}},
        {"%ANYDIR% whatever", "~*.TMP", {"24 - ~*.TMP"}},
        {"%ANYVOL%\\TEMP", "*", {"03 [TEMP] -"}},
        {"%ANYVOL%\\LOGS", "*.txt", {"26 [LOGS] *.TXT"}},
        {"D:", "*", {"1A [D:\\] -"}},
        {"C:\\", "*.TMP", {"36 [C:\\] *.TMP"}},  // matches no file: the root is "C:"
        {"%WINDIR%\\FONTS", "*", {"13 [C:\\WINDOWS\\FONTS] -"}},
        {"%TEMP%", "*", {"13 [C:\\USERS\\ME\\TEMP] -"}},
        {"%TEMP%*", "*", {"53 [C:\\USERS\\ME\\TEMP] -"}},
        {"%TEMP%*", "*.TMP", {"76 [C:\\USERS\\ME\\TEMP] *.TMP"}},
        {"C:\\%ANYDIR%\\CACHE", "*.DAT", {"76 [C:\\CACHE] *.DAT"}},
        // A '*' that does not follow a macro stays in the path, and a
        // trailing '*' takes the character after the macro with it.
        {"%WINDIR%\\FONTS*", "*", {"53 [C:\\WINDOWSFONTS*] -"}},
        // Pieces: empty ones skipped, a lone '*' ends the list.
        {"C:\\X", "*.A||*.B|*|*.C", {"13 [C:\\X] -", "36 [C:\\X] *.B", "36 [C:\\X] *.A"}},
        {"C:\\X", "|", {}},
        {"C:\\X", "", {}},
        {"C:\\X", pattern255, {"16 [C:\\X] " + pattern255}},
        {"C:\\X", pattern256, {}},  // with the path's 1 and 4 more, over 260
        {longName, "*", {}},        // 256 characters after the drive
        {longName.substr(0, 258), "*", {"13 [" + longName.substr(0, 258) + "] -"}},
        {"%PROGDIR%\\DATA", "*", {"13 [C:\\PROGRAM FILES\\ORVANE\\DATA] -"}},
        {"%windir%", "*", {"03 [%WINDIR%] -"}},  // macros are case-sensitive
        // "Every folder", with "*" as its patterns: a volume record without a drive.
        {"%ANYDIR%", "*", {"08 - -"}},
        {"%ANYVOL%", "*", {"0A [] -"}},
    };
    for (const auto& c : cases) EXPECT_EQ(c.records, CompileOne(c.name, c.data)) << c.name << " = " << c.data;
}

TEST(ExclusionCompile, SkippedValuesAndDoubleByteText) {
    ExclusionList list;
    FakeMacros macros;
    macros.folders.erase(PathMacro::ProgDir);
    FakeReader reader({{false, "C:\\BINARY", "*"},
                       Sz("%PROGDIR%\\DATA", "*"),  // no backup application: skipped
                       Sz(std::string(261, 'A'), "*"), Sz("C:\\KEPT", "*")});
    EXPECT_EQ(0, CompileApplicationList(list, reader, macros));
    EXPECT_EQ((std::vector<std::string>{kHelpRecord, "13 [C:\\KEPT] -"}), Records(list));

    // 0x81 0x5C is one character: its second byte is no '\\' to drop, nor
    // is 0x81 0x7C a '|' to split at.
    EXPECT_EQ((std::vector<std::string>{"13 [C:\\A\x81\\] -"}), CompileOne("C:\\A\x81\\", "*", kDoubleByte));
    EXPECT_EQ((std::vector<std::string>{"36 [C:\\A] X\x81|*"}), CompileOne("C:\\A", "x\x81|*", kDoubleByte));
    EXPECT_EQ((std::vector<std::string>{"13 [C:\\A] -", "16 [C:\\A] X\x81"}), CompileOne("C:\\A", "x\x81|*"));
}

TEST(ExclusionCompile, SourcesInTableOrder) {
    FakeRegistry registry;
    FakeMacros macros;
    ExclusionList list;
    EXPECT_EQ(1, CompileExclusionLists(list, registry, macros));
    EXPECT_TRUE(list.empty());
    EXPECT_EQ((std::vector<std::string>{
                  "SOFTWARE\\Orvane\\Backwell\\Desktop\\CurrentVersion\\ExcludeFiles",
                  "SOFTWARE\\Orvane\\Easysave\\CurrentVersion\\ExcludeFiles",
                  "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Applets\\Microsoft Backup\\ExcludeFiles",
                  "SOFTWARE\\Orvane\\Safelatch\\CurrentVersion\\ExcludeFiles",
                  "SOFTWARE\\Orvane\\Rebound\\CurrentVersion\\ExcludeFiles",
              }),
              registry.opened);

    // An empty list still counts as read; each list brings the fixed entry.
    registry.keys[registry.opened[1]] = {};
    registry.keys[registry.opened[4]] = {Sz("D:", "*")};
    EXPECT_EQ(0, CompileExclusionLists(list, registry, macros));
    EXPECT_EQ((std::vector<std::string>{kHelpRecord, "1A [D:\\] -", kHelpRecord}), Records(list));

    // The compile starts afresh; a list of nothing usable, whose fixed entry
    // cannot expand either, counts as not read.
    macros.folders.erase(PathMacro::WinDir);
    registry.keys.clear();
    registry.keys[registry.opened[2]] = {{false, "C:\\X", "*"}};
    EXPECT_EQ(1, CompileExclusionLists(list, registry, macros));
    EXPECT_TRUE(list.empty());
}

ExclusionList Sample(const CharSet& chars = kSingleByte) {
    ExclusionList list(chars);
    FakeReader reader({Sz("C:\\TEMP", "*"), Sz("C:\\DATA", "*.TMP|*.BAK"), Sz("%ANYDIR%", "~*.TMP"),
                       Sz("%ANYVOL%\\CACHE", "*"), Sz("E:", "*"), Sz("C:\\", "*.LOG"), Sz("%TEMP%*", "*.OLD"),
                       Sz("C:\\IMG", "THUMBS.DB"), Sz("%ANYVOL%\\LOGS", "*.TXT"), Sz("%ANYDIR%", "*")});
    FakeMacros macros;
    EXPECT_EQ(0, CompileApplicationList(list, reader, macros));
    return list;
}

TEST(ExclusionTests, DirectoryTest) {
    const ExclusionList list = Sample();
    const std::string longDir = "C:\\" + std::string(250, 'D');
    const struct {
        const char* directory;
        const char* name;
        std::int32_t result;
    } cases[] = {
        {"C:\\TEMP", nullptr, kExcluded},
        {"c:\\temp\\sub\\deeper", nullptr, kExcluded},
        {"C:\\TEMPORARY", nullptr, kNotExcluded},
        {"C:", nullptr, kNotExcluded},
        {"C:\\WINDOWS\\PCHEALTH\\HELPCTR", nullptr, kExcluded},
        {"D:\\CACHE", nullptr, kExcluded},
        {"D:\\Cache\\Sub", nullptr, kExcluded},
        {"D:\\X\\CACHE", nullptr, kNotExcluded},
        {"D:", nullptr, kNotExcluded},  // the "every folder" volume record names no drive
        {"E:", nullptr, kExcluded},
        {"E:\\ANY\\WHERE", nullptr, kExcluded},
        {"C:\\DATA", nullptr, kNotExcluded},  // patterns exclude files, not the folder
        {"C:\\DATA", "A.TMP", kExcluded},     // with a name, the file test decides
        {"C:\\DATA", "A.DOC", kNotExcluded},
        {"C:\\TEMP", "A.DOC", kExcluded},
        {nullptr, nullptr, kBadArgument},
        {"1:\\X", nullptr, kBadArgument},
        {"\\\\SERVER\\SHARE", nullptr, kBadArgument},
        {"C", nullptr, kBadArgument},
        {longDir.c_str(), "ABCDEFG", kNotExcluded},  // 253 + 7 = 260
        {longDir.c_str(), "ABCDEFGH", kBadArgument},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.result, list.directoryTest(c.directory, c.name))
            << (c.directory ? c.directory : "(none)") << " " << (c.name ? c.name : "");
}

TEST(ExclusionTests, FileTest) {
    const ExclusionList list = Sample();
    const struct {
        const char* name;
        const char* directory;
        std::int32_t result;
    } cases[] = {
        {"x.tmp", "C:\\DATA", kExcluded},
        {"X.BAK", "c:\\data", kExcluded},
        {"X.TMP", "C:\\DATA\\SUB", kNotExcluded},  // not recursive
        {"X.DOC", "C:\\DATA", kNotExcluded},
        {"X.TMP", "D:\\DATA", kNotExcluded},  // another drive
        {"~WRL0001.TMP", "Q:\\ANY\\WHERE", kExcluded},
        {"~A.TMP", "Q:", kExcluded},
        {"A~.TMP", "Q:", kNotExcluded},
        {"~A.TMP", nullptr, kExcluded},  // "every folder" needs no folder
        {"X.TMP", nullptr, kNotExcluded},
        {"X.LOG", "C:", kNotExcluded},  // the "C:\\" entry matches no folder
        {"X.LOG", "C:\\SUB", kNotExcluded},
        {"X.OLD", "C:\\USERS\\ME\\TEMP", kExcluded},
        {"X.OLD", "C:\\USERS\\ME\\TEMP\\A\\B", kExcluded},  // recursive
        {"X.OLD", "C:\\USERS\\ME\\TEMPEST", kNotExcluded},
        {"thumbs.db", "C:\\IMG", kExcluded},
        {"THUMBS.DB2", "C:\\IMG", kNotExcluded},
        {"A.TXT", "D:\\LOGS", kExcluded},
        {"A.TXT", "D:\\LOGS\\OLD", kNotExcluded},
        {"A.TXT", "D:", kNotExcluded},
        {"", "C:\\DATA", kBadArgument},
        {nullptr, "C:\\DATA", kBadArgument},
        {"A.TMP", "DATA", kBadArgument},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.result, list.fileTest(c.name, c.directory))
            << (c.name ? c.name : "(none)") << " in " << (c.directory ? c.directory : "(none)");

    const ExclusionList empty;
    EXPECT_EQ(kListEmpty, empty.directoryTest("C:\\TEMP", nullptr));
    EXPECT_EQ(kListEmpty, empty.fileTest("A.TMP", "C:"));
    EXPECT_EQ(kListEmpty, empty.fileTest(nullptr, nullptr));  // emptiness first
}

TEST(NameMatch, WithoutBacktracking) {
    const struct {
        const char* pattern;
        const char* name;
        bool matches;
    } cases[] = {
        {"*.TMP", "A.B.TMP", true},
        {"*.TMP", "A.TMP.TMP", false},  // the first ".TMP" is taken, the rest is left over
        {"*.TMP", ".TMP", true},
        {"*.*", "A.B", false},  // the trailing '*' consumes nothing
        {"*.*", "A.", true},
        {"~*", "~", true},
        {"~*", "~A", false},
        {"*A", "BA", true},
        {"*A", "BAA", false},
        {"A*B*C", "AXBYC", true},
        {"A?C", "ABC", true},
        {"A?C", "AC", false},
        {"?", "", false},
        {"**", "", true},
        {"*?", "AB", false},
        {"?*", "A", true},
        {"*B", "A\\B", false},  // a '*' does not cross a '\\'
        {"*X", "ABC", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.matches, NameMatches(c.name, c.pattern, true, kSingleByte)) << c.pattern << " ~ " << c.name;

    EXPECT_TRUE(NameMatches("THUMBS.DB", "THUMBS.DB", false, kSingleByte));
    EXPECT_FALSE(NameMatches("THUMBS.DB2", "THUMBS.DB", false, kSingleByte));
    EXPECT_FALSE(NameMatches("A", "?", false, kSingleByte));  // no wildcards: compared as is
}

TEST(NameMatch, DoubleByteCharactersStayWhole) {
    const struct {
        const char* pattern;
        const char* name;
        bool matches;
    } cases[] = {
        {"?", "\x81\x40", true},  // one character
        {"??", "\x81\x40", false},
        {"*\x40", "\x81\x40", false},  // 0x40 here is a second byte, not a character
        {"*B", "\x81\\B", true},       // nor is this '\\' one
        {"\x81\x40*", "\x81\x40X", false},
        {"\x81\x40?", "\x81\x40X", true},
    };
    for (const auto& c : cases) EXPECT_EQ(c.matches, NameMatches(c.name, c.pattern, true, kDoubleByte)) << c.pattern;
}

TEST(PathMacros, Expansion) {
    const struct {
        std::string name;
        bool kept;
        std::string result;
        std::uint8_t flags;
    } cases[] = {
        {"%TEMP%", true, "C:\\USERS\\ME\\TEMP", 0x12},
        {"%TEMP%*", true, "C:\\USERS\\ME\\TEMP", 0x52},
        {"%WINDIR%\\Fonts", true, "C:\\WINDOWS\\Fonts", 0x12},  // the rest is upper-cased later
        {"%WINDIR%%SYSTEMDIR%", true, "C:\\WINDOWSC:\\WINDOWS\\SYSTEM32", 0x12},
        {"X\\%ANYDIR%\\Y", true, "X\\Y", 0x52},
        {"%ANYDIR%\\Y", true, "\\Y", 0x52},
        {"%INTERNETCACHE%", true, "C:\\USERS\\ME\\CACHE", 0x12},
        {"%INTERNETHISTORY%", false, "", 0},  // no such folder here
        {"%windir%", true, "%windir%", 0x12},
        {std::string(260, 'N'), true, std::string(260, 'N'), 0x12},
        {std::string(261, 'N'), false, "", 0},
        // 250 + 8 characters: the expansion would not fit, the macro stays.
        {"%WINDIR%" + std::string(250, 'N'), true, "%WINDIR%" + std::string(250, 'N'), 0x12},
        {"%WINDIR%" + std::string(240, 'N'), true, "C:\\WINDOWS" + std::string(240, 'N'), 0x12},
    };
    for (const auto& c : cases) {
        FakeMacros macros;
        std::string name = c.name;
        std::uint8_t flags = 0x12;
        ASSERT_EQ(c.kept, ExpandMacros(&name, macros, kSingleByte, &flags)) << c.name;
        if (!c.kept) continue;
        EXPECT_EQ(c.result, name) << c.name;
        EXPECT_EQ(c.flags, flags) << c.name;
    }
}

TEST(PathMacros, OddExpansionsAndDoubleByteNames) {
    FakeMacros macros;
    macros.folders[PathMacro::Temp] = "C:\\%TEMP%";  // would feed itself for ever
    std::string name = "%TEMP%\\%TEMP%";
    std::uint8_t flags = 0;
    ASSERT_TRUE(ExpandMacros(&name, macros, kSingleByte, &flags));
    EXPECT_EQ("C:\\%TEMP%\\C:\\%TEMP%", name);

    FakeMacros plain;
    name = "\x81%TEMP%";  // 0x81 '%' is one character: no macro starts inside it
    ASSERT_TRUE(ExpandMacros(&name, plain, kDoubleByte, &flags));
    EXPECT_EQ("\x81%TEMP%", name);
    ASSERT_TRUE(ExpandMacros(&name, plain, kSingleByte, &flags));
    EXPECT_EQ("\x81" "C:\\USERS\\ME\\TEMP", name);
    name = "\x81\x40%ANYDIR%";  // the character in front goes whole
    flags = 0;
    ASSERT_TRUE(ExpandMacros(&name, plain, kDoubleByte, &flags));
    EXPECT_EQ("", name);
    EXPECT_EQ(0x40, flags);
}

TEST(PathMacros, ParentAndTemporaryFolders) {
    EXPECT_EQ("C:\\PROGRAM FILES", ParentFolder("C:\\PROGRAM FILES\\BW\\", kSingleByte));
    EXPECT_EQ("C:", ParentFolder("C:\\BW", kSingleByte));
    EXPECT_EQ("", ParentFolder("C:", kSingleByte));
    EXPECT_EQ("", ParentFolder("", kSingleByte));

    const struct {
        const char* temp;
        const char* windows;
        const char* chosen;
    } cases[] = {
        {"C:\\Users\\Me\\Temp\\", "C:\\Windows", "C:\\Users\\Me\\Temp"},
        {"C:\\", "C:\\Windows", "C:\\TEMP"},
        {"D:", "C:\\Windows", "D:\\TEMP"},
        {"c:\\windows\\", "C:\\WINDOWS", "c:\\TEMP"},
        {"C:\\Windows\\Temp\\", "C:\\Windows", "C:\\Windows\\Temp"},
        {"", "C:\\Windows", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(c.chosen, ChooseTempFolder(c.temp, c.windows, kSingleByte)) << c.temp;
}

TEST(SharedExclusionList, LastUserFreesIt) {
    SharedExclusions shared;
    shared.addUser();
    shared.addUser();
    auto list = std::make_shared<ExclusionList>();
    std::string path = "C:\\X";
    list->compileEntry(&path, nullptr, 0x12);
    shared.publish(list);
    std::weak_ptr<ExclusionList> watch = list;
    list.reset();
    shared.removeUser();  // one object released: the other still scans with it
    ASSERT_TRUE(shared.current());
    EXPECT_EQ(kExcluded, shared.current()->directoryTest("C:\\X", nullptr));
    shared.removeUser();
    EXPECT_FALSE(shared.current());
    EXPECT_TRUE(watch.expired());
}

TEST(SharedExclusionList, ReadersNeverSeeAListHalfBuiltOrFreed) {
    SharedExclusions shared;
    shared.addUser();
    std::atomic<bool> stop{false};
    std::atomic<int> wrong{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 3; ++t)
        readers.emplace_back([&] {
            while (!stop) {
                const auto list = shared.current();
                // Every published list excludes C:\\X; none is ever seen without it.
                if (list && list->directoryTest("C:\\X\\SUB", nullptr) != kExcluded) ++wrong;
            }
        });
    for (int i = 0; i < 2000; ++i) {
        auto list = std::make_shared<ExclusionList>();
        for (int j = 0; j < 20; ++j) {
            std::string path = "C:\\F" + std::to_string(j);
            list->compileEntry(&path, nullptr, 0x12);
        }
        std::string path = "C:\\X";
        list->compileEntry(&path, nullptr, 0x12);
        shared.publish(std::move(list));
    }
    stop = true;
    for (auto& r : readers) r.join();
    EXPECT_EQ(0, wrong);
    shared.removeUser();
}

}  // namespace
}  // namespace raredaro

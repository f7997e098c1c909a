#include "setup/ini_file.h"

#include <gtest/gtest.h>

#include "test_files.h"

namespace {

class IniFileTest : public ::testing::Test {
protected:
    // Loads bytes from a file and saves them back; answers what was written.
    std::string RoundTrip(const std::string& bytes) {
        CIniFile ini;
        ini.SetFileName(scratch_.Write("round.ini", bytes));
        ini.Save();
        return scratch_.Read("round.ini");
    }
    // Loads bytes that must fail; answers the exception.
    COvIniFileException LoadFailure(const std::string& bytes, CIniFile& ini) {
        try {
            ini.SetFileName(scratch_.Write("bad.ini", bytes));
        } catch (const COvIniFileException& e) {
            return e;
        }
        ADD_FAILURE() << "loaded: " << bytes;
        return COvIniFileException(0, 0, "");
    }

    ScratchFolder scratch_;
};

TEST_F(IniFileTest, WritesBackWhatItRead) {
    const std::string longLine = "[Long]\r\nKey=" + std::string(5000, 'x') + "\r\n";
    const struct {
        const char* what;
        std::string in;
        std::string out;  // empty: the same bytes
    } cases[] = {
        {"layout",
         "; before any header\r\nloose = 1\r\n\r\n[Main]\r\n  Key  =  value  \r\n; comment\r\n"
         "free text\r\n\t\r\n;~^#42 marker\r\n[Other]\r\nA=B=C\r\n=starts with equals\r\n\"q=1\"\r\n",
         ""},
        {"a 5000-character line", longLine, ""},
        {"stray carriage return kept", "a=1\rb\r\n\r\r\n", ""},
        {"LF line ends and no final line end", "[S]\na=1\nb=2", "[S]\r\na=1\r\nb=2\r\n"},
        {"header trimmed, tail dropped", "  [ Rename ] tail\r\nNUL=C:\\X\r\n", "[Rename]\r\nNUL=C:\\X\r\n"},
        {"repeated header: lines join the first",
         "[A]\r\nx=1\r\n[B]\r\nb=1\r\n[A]\r\ny=2\r\n", "[A]\r\nx=1\r\ny=2\r\n[B]\r\nb=1\r\n[A]\r\n"},
        {"empty file", "", ""},
        {"UTF-16", Utf16("; c\r\n[S]\r\n K = V \r\n"), ""},
        {"UTF-16 long line", Utf16(longLine), ""},
        {"UTF-16 without final line end", Utf16("[S]\r\nK=V"), Utf16("[S]\r\nK=V\r\n")},
        {"UTF-16 mark only", Utf16(""), ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.out.empty() ? c.in : c.out, RoundTrip(c.in)) << c.what;
    }
}

TEST_F(IniFileTest, ReadsSectionsKeysAndFreeLines) {
    CIniFile ini;
    ini.SetFileName(scratch_.Write("a.ini",
                                   "top\r\n[Main]\r\n  Key  =  value  \r\nKey=second\r\n; note\r\n;~^#1234x\r\n"
                                   "say \"a=b\"\r\n[main]\r\n"));
    EXPECT_FALSE(ini.IsUnicode());
    EXPECT_EQ(1234u, ini.GetMarkerNumber());
    ASSERT_EQ(3u, ini.GetSectionCount());

    IniSection* section = nullptr;
    ASSERT_TRUE(ini.GetSectionAt(0, &section));
    EXPECT_EQ(CIniFile::kUnnamedSection, section->GetName());
    ASSERT_TRUE(ini.GetSectionAt(1, &section));
    EXPECT_EQ(CIniFile::kUnnamedSection, section->GetName());
    ASSERT_TRUE(ini.GetSectionAt(3, &section));
    EXPECT_EQ("main", section->GetName());
    EXPECT_FALSE(ini.GetSectionAt(4, &section));
    EXPECT_FALSE(ini.GetSectionAt(-1, &section));
    EXPECT_FALSE(ini.GetSection("MAIN", &section));  // names match case and all

    ASSERT_TRUE(ini.GetSection(" Main ", &section));
    std::string value;
    ASSERT_TRUE(section->GetValue("\tKey ", value));
    EXPECT_EQ("  value  ", value);  // first match, untrimmed
    EXPECT_FALSE(section->GetValue("say \"a", value));  // a quote before "=": a free line

    const auto& lines = section->GetLines();
    ASSERT_EQ(5u, lines.size());
    EXPECT_EQ("  Key  ", lines[0].GetKey());
    EXPECT_FALSE(lines[2].IsKeyLine());
    EXPECT_EQ("; note", lines[2].GetValue());

    std::string text = "unchanged";
    EXPECT_TRUE(section->GetLineValue(0, text));
    EXPECT_EQ("  value  ", text);
    EXPECT_TRUE(section->GetLineValue(2, text));
    EXPECT_EQ("second", text);
    text = "unchanged";
    EXPECT_FALSE(section->GetLineValue(6, text));
    EXPECT_FALSE(section->GetLineValue(-1, text));
    EXPECT_EQ("unchanged", text);
}

TEST_F(IniFileTest, EditsAreSaved) {
    CIniFile ini;
    ini.SetFileName(scratch_.Write("edit.ini", "[Main]\r\nA=1\r\nB=2\r\nA=3\r\n; c\r\n"));
    IniSection* main = nullptr;
    ASSERT_TRUE(ini.GetSection("Main", &main));
    main->AddKeyValue("A", "4");  // a repeated key: lookups keep finding the first
    std::string value;
    ASSERT_TRUE(main->GetValue("A", value));
    EXPECT_EQ("1", value);
    EXPECT_TRUE(main->RemoveKey(" A"));
    ASSERT_TRUE(main->GetValue("A", value));
    EXPECT_EQ("3", value);  // the next line with that key
    EXPECT_TRUE(main->RemoveLineAt(2));  // "; c"
    EXPECT_FALSE(main->RemoveLineAt(9));
    EXPECT_FALSE(main->RemoveKey("Missing"));
    main->AddLine("; added");

    IniSection* rename = ini.AddSection("Rename");
    rename->AddKeyValue("NUL", "C:\\OLD.TMP");
    ini.Save();
    EXPECT_EQ("[Main]\r\nB=2\r\nA=3\r\nA=4\r\n; added\r\n[Rename]\r\nNUL=C:\\OLD.TMP\r\n", scratch_.Read("edit.ini"));

    ini.RemoveAll();
    EXPECT_FALSE(ini.GetSectionAt(0, &main));
    ini.Save();
    EXPECT_EQ("", scratch_.Read("edit.ini"));
}

TEST_F(IniFileTest, EveryLoadFailureNamesItsPlace) {
    const struct {
        std::string in;
        const char* message;
        long lineNumber;
        const char* section;
        const char* line;
    } cases[] = {
        {"[Good]\r\nk=1\r\n[]\r\n", "Improperly formed section name.", 2, "Good", "[]"},
        {"[open\r\n", "Improperly formed section name.", 0, CIniFile::kUnnamedSection, "[open"},
        {"[ ]\r\n", "Improperly formed section name.", 0, CIniFile::kUnnamedSection, "[ ]"},
        {"[S]\r\n[a;b]\r\n", "Illegal character(s) in section name.", 1, "S", "[a;b]"},
        {"[S]\r\n[a\tb]\r\n", "Illegal character(s) in section name.", 1, "S", "[a\tb]"},
        {"[S]\r\nk[1]=x\r\n", "Illegal character(s) in key name.", 1, "S", "k[1]=x"},
    };
    for (const auto& c : cases) {
        CIniFile ini;
        const COvIniFileException e = LoadFailure(c.in, ini);
        EXPECT_EQ(c.message, e.GetMessage()) << c.in;
        EXPECT_EQ(4, e.GetCategory()) << c.in;
        EXPECT_EQ(13u, e.GetErrorCode()) << c.in;
        EXPECT_EQ(c.lineNumber, e.GetLineNumber()) << c.in;
        EXPECT_EQ(c.section, e.GetSection()) << c.in;
        EXPECT_EQ(c.line, e.GetLine()) << c.in;
        EXPECT_EQ(scratch_.Path("bad.ini"), e.GetFileName());
        EXPECT_EQ(0, e.GetSecondNumber());
        EXPECT_EQ("", ini.GetFileName());  // nothing stays loaded
        EXPECT_EQ(0u, ini.GetSectionCount());
    }
}

TEST_F(IniFileTest, UnconvertibleUtf16FailsTheRead) {
    CIniFile ini;
    std::string bytes = Utf16("[S]\r\nK=");
    bytes += std::string("\x2D\x4E", 2);  // U+4E2D: no single-byte form
    bytes += Utf16("\r\n", false);
    const COvIniFileException e = LoadFailure(bytes, ini);
    EXPECT_EQ("Failed to read line from file:" + scratch_.Path("bad.ini"), e.GetMessage());
    EXPECT_EQ(4, e.GetCategory());
    EXPECT_EQ(13u, e.GetErrorCode());
    EXPECT_EQ(1, e.GetLineNumber());
    EXPECT_EQ("S", e.GetSection());
}

TEST_F(IniFileTest, MissingFileAndMissingName) {
    CIniFile ini;
    const std::string missing = scratch_.Path("missing.ini");
    try {
        ini.SetFileName(missing);
        ADD_FAILURE();
    } catch (const COvIniFileException& e) {
        EXPECT_EQ("Call to CTCharStream::OpenStream( " + missing + " ) failed.", e.GetMessage());
        EXPECT_EQ(4, e.GetCategory());
        EXPECT_EQ(2u, e.GetErrorCode());  // file not found
        EXPECT_EQ(missing, e.GetFileName());
    }
    EXPECT_EQ("", ini.GetFileName());

    const struct {
        bool save;
        int category;
    } cases[] = {{false, 5}, {true, 4}};
    for (const auto& c : cases) {
        try {
            if (c.save)
                ini.Save();
            else
                ini.SetFileName("");
            ADD_FAILURE();
        } catch (const COvIniFileException& e) {
            EXPECT_EQ("The filename member of CIniFile has not been initialized.", e.GetMessage());
            EXPECT_EQ(c.category, e.GetCategory());
            EXPECT_EQ(123u, e.GetErrorCode());
        }
    }
}

TEST_F(IniFileTest, SaveFailures) {
    CIniFile ini;
    const std::string path = scratch_.Write("gone.ini", "[S]\r\nK=V\r\n");
    ini.SetFileName(path);
    std::filesystem::remove(path);
    std::filesystem::create_directory(path);  // a folder cannot be opened as the file
    try {
        ini.Save();
        ADD_FAILURE();
    } catch (const COvIniFileException& e) {
        EXPECT_EQ("Failed to open the output stream", e.GetMessage());
        EXPECT_EQ(5, e.GetCategory());
        EXPECT_NE(0u, e.GetErrorCode());
    }
#ifndef _WIN32
    // Natively the C locale has no form for byte 0xE9, so a UTF-16 save of it
    // must fail loudly rather than write a cut file.
    CIniFile wide;
    wide.SetFileName(scratch_.Write("wide.ini", Utf16("[S]\r\n")));
    IniSection* section = nullptr;
    ASSERT_TRUE(wide.GetSection("S", &section));
    section->AddKeyValue("K", "caf\xE9");
    try {
        wide.Save();
        ADD_FAILURE();
    } catch (const COvIniFileException& e) {
        EXPECT_EQ("Failed to write line to file:" + scratch_.Path("wide.ini"), e.GetMessage());
        EXPECT_EQ(13u, e.GetErrorCode());
        EXPECT_EQ("K=caf\xE9", e.GetLine());
        EXPECT_EQ(1, e.GetLineNumber());
    }
#endif
}

}  // namespace

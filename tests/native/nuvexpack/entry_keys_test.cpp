// The key grammar of the component sections, the path rules and the INI reading rules.
#include <gtest/gtest.h>

#include "entry_keys.h"
#include "ini_document.h"

namespace nuvex::pack {
namespace {

TEST(EntryKeysTest, ParsesKeysAsTheInstallerFormsThem) {
    struct Case {
        const char* key;
        KeyMatch match;
        Family family;
        int index;
        const char* suffix;
    } cases[] = {
        {"file0000", KeyMatch::kEntry, Family::kFile, 0, ""},
        {"FILE0012Length", KeyMatch::kEntry, Family::kFile, 12, "length"},
        {"win9999crc", KeyMatch::kEntry, Family::kWin, 9999, "crc"},
        {"sys0003source", KeyMatch::kEntry, Family::kSys, 3, "source"},
        {"dir0100", KeyMatch::kEntry, Family::kDir, 100, ""},
        {"startdir05", KeyMatch::kEntry, Family::kStartDir, 5, ""},
        {"start00title", KeyMatch::kEntry, Family::kStart, 0, "title"},
        {"desktop07args", KeyMatch::kEntry, Family::kDesktop, 7, "args"},
        {"quickl99", KeyMatch::kEntry, Family::kQuickl, 99, ""},
        {"reg01", KeyMatch::kEntry, Family::kReg, 1, ""},
        {"run42", KeyMatch::kEntry, Family::kRun, 42, ""},
        {"tree03", KeyMatch::kEntry, Family::kTree, 3, ""},
        {"start100", KeyMatch::kIndexTooLarge, Family::kStart, 100, ""},
        {"file10000", KeyMatch::kIndexTooLarge, Family::kFile, 10000, ""},
        {"file12", KeyMatch::kWrongDigits, Family::kFile, 12, ""},
        {"start001", KeyMatch::kWrongDigits, Family::kStart, 1, ""},
        {"requiedspace", KeyMatch::kNone, Family::kFile, 0, ""},
        {"Requied", KeyMatch::kNone, Family::kFile, 0, ""},
        {"Title", KeyMatch::kNone, Family::kFile, 0, ""},
        {"UseInInstType5", KeyMatch::kNone, Family::kFile, 0, ""},
        {"files", KeyMatch::kNone, Family::kFile, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        EntryKey key;
        ASSERT_EQ(ParseEntryKey(c.key, &key), c.match);
        if (c.match == KeyMatch::kNone) {
            continue;
        }
        EXPECT_EQ(key.family, c.family);
        EXPECT_EQ(key.index, c.index);
        EXPECT_EQ(key.suffix, c.suffix);
    }
    EXPECT_EQ(EntryKeyName(Family::kFile, 7, "origlen"), "file0007origlen");
    EXPECT_EQ(EntryKeyName(Family::kStartDir, 3), "startdir03");
}

TEST(EntryKeysTest, PathRules) {
    struct Case {
        const char* path;
        const char* problem;  // "" when fine
    } cases[] = {
        {"readme.txt", ""},
        {"docs\\guide\\a b.txt", ""},
        {"docs/guide/a.txt", ""},
        {".\\a.txt", ""},
        {"a..b\\c...txt", ""},
        {"", "is empty"},
        {".", "names no file"},
        {"*.txt", "starts with \"*\""},
        {"\\a.txt", "absolute"},
        {"//server\\share\\a", "absolute"},
        {"C:\\a.txt", "drive letter"},
        {"c:a.txt", "drive letter"},
        {"a\\b:c", "character ':'"},
        {"..", "climbs out"},
        {"a\\..\\..\\b", "climbs out"},
        {"a/../b", "climbs out"},
        {"a\tb", "control character 0x09"},
        {"a|b", "character '|'"},
        {"a?b", "character '?'"},
        {"CON", "reserves for a device"},
        {"sub\\aux.txt", "reserves for a device"},
        {"Nul.tar.gz", "reserves for a device"},
        {"com1 .x", "reserves for a device"},
        {"LPT\xB9", "reserves for a device"},
        {"conin$", "reserves for a device"},
        {"console\\com10\\lpt\\nul1", ""},
        {"a.", "ends in a dot"},
        {"...\\a", "ends in a dot"},
        {"a \\b", "ends in a dot or a space"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        std::string why = CheckEntryPath(c.path);
        if (*c.problem == '\0') {
            EXPECT_EQ(why, "");
        } else {
            EXPECT_NE(why.find(c.problem), std::string::npos) << why;
        }
    }
}

TEST(IniDocumentTest, ReadsAsTheProfileFunctionsDo) {
    IniDocument doc = IniDocument::Parse(
        "stray=1\r[Wizard]\nName = \"quoted value\" \r\nname=second\r\n"
        "[ wizard ]\r\nOther='single'\n[Design]\r\n  ;comment=1\r\nempty=\r\nbare\r\n"
        "odd=\"unbalanced\r\n[Design]\r\nlater=1");
    EXPECT_EQ(doc.Get("WIZARD", "name").value_or("?"), "quoted value");
    EXPECT_EQ(doc.Get(" wizard ", "other").value_or("?"), "single");
    EXPECT_FALSE(doc.Get("Wizard", "other").has_value());
    EXPECT_FALSE(doc.Get("Design", ";comment").has_value());
    EXPECT_EQ(doc.Get("Design", "empty").value_or("?"), "");
    EXPECT_EQ(doc.Get("Design", "odd").value_or("?"), "\"unbalanced");
    EXPECT_FALSE(doc.Get("Design", "later").has_value());  // the first [Design] is found
    ASSERT_EQ(doc.sections.size(), 5u);
    EXPECT_EQ(doc.sections[0].body.size(), 1u);
    EXPECT_EQ(doc.sections[1].headerLine, 2);
    EXPECT_EQ(doc.sections[4].headerLine, 12);
    EXPECT_EQ(doc.sections[3].body[2].kind, IniLine::Kind::kOther);
}

TEST(IniDocumentTest, NumbersReadAsGetPrivateProfileInt) {
    struct Case {
        const char* text;
        long long value;
    } cases[] = {{"3", 3}, {" 12 ", 12}, {"-2", -2}, {"+7", 7}, {"4x", 4}, {"x4", 0}, {"", 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(ProfileInt(c.text), c.value) << c.text;
    }
}

}  // namespace
}  // namespace nuvex::pack

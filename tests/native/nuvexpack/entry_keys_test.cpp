// The key grammar of the component sections, the path rules and the INI reading rules.
#include <gtest/gtest.h>

#include "entry_keys.h"
#include "ini_document.h"

namespace nuvex::pack {
namespace {

TEST(EntryKeysTest, ParsesKeysAsTheInstallerFormsThem) {
    const struct {
        const char* key;
        KeyMatch match;
        Family family;
        int index;
        const char* suffix;
    } cases[] = {
        {"FILE0012Length", KeyMatch::kEntry, Family::kFile, 12, "length"},
        {"start00title", KeyMatch::kEntry, Family::kStart, 0, "title"},
        {"file10000", KeyMatch::kIndexTooLarge, Family::kFile, 10000, ""},
        {"start001", KeyMatch::kWrongDigits, Family::kStart, 1, ""},
        {"UseInInstType5", KeyMatch::kNone, Family::kFile, 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        EntryKey key;
        ASSERT_EQ(ParseEntryKey(c.key, &key), c.match);
        if (c.match != KeyMatch::kNone) {
            EXPECT_EQ(key.family, c.family);
            EXPECT_EQ(key.index, c.index);
            EXPECT_EQ(key.suffix, c.suffix);
        }
    }
}

TEST(EntryKeysTest, PathRules) {
    const std::pair<const char*, const char*> cases[] = {  // path, problem ("" when fine)
        {"docs\\guide\\a b.txt", ""}, {"a..b\\c...txt", ""}, {"console\\com10\\nul1", ""},
        {"", "is empty"}, {"//server\\share\\a", "absolute"}, {"c:a.txt", "drive letter"},
        {"..", "climbs out"}, {"a/../b", "climbs out"}, {"a\tb", "control character 0x09"},
        {"sub\\aux.txt", "reserves for a device"}, {"com1 .x", "reserves for a device"},
        {"a \\b", "ends in a dot or a space"},
    };
    for (const auto& [path, problem] : cases) {
        const std::string why = CheckEntryPath(path);
        EXPECT_TRUE(*problem == '\0' ? why.empty() : why.find(problem) != std::string::npos)
            << path << ": " << why;
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
    EXPECT_EQ(doc.sections[1].headerLine, 2);
    EXPECT_EQ(doc.sections[4].headerLine, 12);
    const std::pair<const char*, long long> numbers[] = {{" 12 ", 12}, {"-2", -2}, {"+7", 7},
                                                         {"4x", 4},    {"x4", 0},   {"", 0}};
    for (const auto& [text, value] : numbers) {
        EXPECT_EQ(ProfileInt(text), value) << text;
    }
}

}  // namespace
}  // namespace nuvex::pack

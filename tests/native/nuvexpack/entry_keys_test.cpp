// The key grammar of the component sections and the path rules.
#include <gtest/gtest.h>

#include "entry_keys.h"

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

}  // namespace
}  // namespace nuvex::pack

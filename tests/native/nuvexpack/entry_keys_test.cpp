// The key grammar of the component sections and the path rules, and every numbered family
// through the forms of its writer and its readers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "entry_keys.h"
#include "ini_document.h"
#include "install_rules.h"
#include "uninstall_log.h"

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

// Every family of the component sections at its first, a middle and its last index, with
// each attribute it has: the key as the builder writes it is parsed back by the builder to
// the same entry, and the installer, forming its own key, reads the value written under it.
// One past the last index is no entry of the family.
TEST(EntryKeysTest, EveryFamilyRoundTripsFromTheBuilderToTheInstaller) {
    const struct {
        Family family;
        const char* first;  // key of index 0
        const char* last;   // key of the last index the installer reads
        std::vector<const char*> suffixes;
    } families[] = {
        {Family::kDir, "dir0000", "dir9999", {}},
        {Family::kFile, "file0000", "file9999", {"length", "origlen", "crc", "offset"}},
        {Family::kWin, "win0000", "win9999", {"length", "origlen", "crc", "offset"}},
        {Family::kSys, "sys0000", "sys9999", {"length", "origlen", "crc", "offset"}},
        {Family::kStartDir, "startdir00", "startdir99", {}},
        {Family::kStart, "start00", "start99", {"title", "args"}},
        {Family::kDesktop, "desktop00", "desktop99", {"title", "args"}},
        {Family::kQuickl, "quickl00", "quickl99", {"title", "args"}},
        {Family::kReg, "reg00", "reg99", {}},
        {Family::kRun, "run00", "run99", {}},
    };
    ASSERT_EQ(std::size(families), InstallerFamilies().size());
    for (const auto& f : families) {
        SCOPED_TRACE(f.first);
        EXPECT_EQ(EntryKeyName(f.family, 0), f.first);
        const int last = InfoOf(f.family).maxIndex;
        EXPECT_EQ(EntryKeyName(f.family, last), f.last);
        std::string section = "[Component3]\n";
        std::vector<std::pair<std::string, std::string>> written;
        for (int index : {0, 7, last}) {
            std::vector<const char*> suffixes = f.suffixes;
            suffixes.insert(suffixes.begin(), "");
            for (const char* suffix : suffixes) {
                const std::string key = EntryKeyName(f.family, index, suffix);
                EntryKey parsed;
                ASSERT_EQ(ParseEntryKey(key, &parsed), KeyMatch::kEntry) << key;
                EXPECT_TRUE(parsed.family == f.family && parsed.index == index &&
                            parsed.suffix == suffix)
                    << key << ": parsed as " << InfoOf(parsed.family).name << " " << parsed.index
                    << " \"" << parsed.suffix << "\"";
                EXPECT_TRUE(KnownSuffix(f.family, suffix)) << key;
                const std::string value = "v" + std::to_string(written.size());
                section += key + "=" + value + "\n";
                written.push_back({value, ""});
                char formed[64];
                ASSERT_TRUE(FormatEntryKey(formed, sizeof formed, f.family, index, suffix));
                written.back().second = formed;
            }
        }
        const IniProfile script(section);
        for (const auto& [value, installerKey] : written) {
            char read[256];
            script.Text("Component3", installerKey.c_str(), "", read, sizeof read);
            EXPECT_EQ(read, value) << installerKey;
        }
        EntryKey parsed;
        EXPECT_EQ(ParseEntryKey(EntryKeyName(f.family, last + 1), &parsed),
                  KeyMatch::kIndexTooLarge)
            << EntryKeyName(f.family, last + 1);
    }
}

// Every family of the uninstall log: the keys the installer forms for the items it records,
// after the number-0 item where the family has one, are the ones the uninstaller counts and
// reads back, newest first. The uninstaller reads no seventh digit.
TEST(EntryKeysTest, EveryLogFamilyRoundTripsFromTheInstallerToTheUninstaller) {
    const struct {
        LogFamily family;
        const char* firstRecorded;
    } families[] = {
        {LogFamily::kDir, "dir000001"},
        {LogFamily::kFile, "file000000"},
        {LogFamily::kStartDir, "startdir000001"},
        {LogFamily::kStartFile, "startfile000000"},
    };
    LogNumbering numbering;
    std::string log = "[Nuvex]\n";
    for (const auto& f : families) {
        char key[kLogKeySize];
        if (numbering.Peek(f.family) == 1) {
            ASSERT_TRUE(FormatLogKey(key, sizeof key, f.family, 0));
            log += std::string(key) + "=" + InfoOf(f.family).name + "-0\n";
        }
        for (int item = 0; item < 3; ++item) {
            const int number = numbering.Peek(f.family);
            ASSERT_TRUE(FormatLogKey(key, sizeof key, f.family, number));
            if (item == 0) {
                EXPECT_STREQ(key, f.firstRecorded);
            }
            log += std::string(key) + "=" + InfoOf(f.family).name + "-" + std::to_string(number) +
                   "\n";
            numbering.Advance(f.family);
        }
    }
    const IniProfile reader(log);
    for (const auto& f : families) {
        const std::string name = InfoOf(f.family).name;
        const int count = CountLogFamily(reader, f.family);
        EXPECT_EQ(count, numbering.Peek(f.family)) << name;
        const LogPathList paths(reader, f.family, count);
        std::string got, expected;
        paths.NewestFirst([&](const char* path) { got += std::string(path) + ";"; });
        for (int n = count; n-- > 0;) {
            expected += name + "-" + std::to_string(n) + ";";
        }
        EXPECT_EQ(got, expected);
    }
    EXPECT_EQ(CountLogEntries(LogFamily::kFile, [](const char*) { return true; }), kLogNumberLimit);
}

TEST(EntryKeysTest, PathRules) {
    const std::pair<const char*, const char*> cases[] = {
        // path, problem ("" when fine)
        {"docs\\guide\\a b.txt", ""},
        {"a..b\\c...txt", ""},
        {"console\\com10\\nul1", ""},
        {"", "is empty"},
        {"//server\\share\\a", "absolute"},
        {"c:a.txt", "drive letter"},
        {"..", "climbs out"},
        {"a/../b", "climbs out"},
        {"a\tb", "control character 0x09"},
        {"sub\\aux.txt", "reserves for a device"},
        {"com1 .x", "reserves for a device"},
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

// The in-memory INI parse on the rules the profile functions follow under Wine (the Wine
// test profile_test compares the two on one table of texts); here the same rules natively,
// under the sanitizers, and at the size of a large product.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <tuple>

#include "profile_text.h"
#include "uninstall_log.h"

namespace nuvex {
namespace {

std::string Read(const ProfileText& ini, const char* section, const char* key, const char* def,
                 std::size_t size = 256) {
    std::string out(size + 4, '\x55');
    const std::size_t n = ini.Text(section, key, def, &out[0], size);
    EXPECT_EQ(out[n], '\0');
    return out.substr(0, n);
}

TEST(ProfileText, AnswersByTheProfileRules) {
    const std::string text =
        "early=before any section\r\n"
        "[Component0]\r\n"
        "  file0000  =  spaced value  \r\n"
        "FILE0001=first\r\nfile0001=second\r\n"
        "file0002\r\nfile0002=after the bare one\r\n"
        ";file0003=commented\r\n"
        "file0004=\"quoted\"\r\nfile0005='x\"\r\nfile0006=\"\r\nfile0007=\"\"\r\n"
        "file0008=a\rfile0009=b\n"
        "file0010=ab" +
        std::string(1, '\0') +
        "cd\r\n"
        "file0011=\r\n"
        "[Component1\r\nfile0012=after a broken header\r\n"
        "[component0]\r\nfile0013=in the second header\r\n"
        "[Comp]onent2] ; trailing\r\nkey=in a name with a bracket\r\n"
        "[]\r\nlate=in the empty-named header\r\n";
    ProfileText ini;
    ASSERT_TRUE(ini.Parse(text.data(), text.size()));
    const std::tuple<const char*, const char*, const char*, std::size_t, std::string> cases[] = {
        {"component0", "FILE0000", "*", 256, "spaced value"},
        {" Component0 ", " file0000\t", "*", 256, "spaced value"},
        {"Component0", "file0001", "*", 256, "first"},
        {"Component0", "file0002", "*", 256, "*"},  // the bare key is found first
        {"Component0", "file0003", "*", 256, "*"},
        {"Component0", ";file0003", "*", 256, "commented"},
        {"Component0", "file0004", "*", 256, "quoted"},
        {"Component0", "file0004", "*", 8, "quoted"},
        {"Component0", "file0004", "*", 7, "quote"},  // exactly the size after the quote
        {"Component0", "file0004", "*", 6, "quote"},
        {"Component0", "file0005", "*", 256, "'x\""},
        {"Component0", "file0006", "*", 256, "\""},
        {"Component0", "file0007", "*", 256, ""},
        {"Component0", "file0008", "*", 256, "a"},  // a lone CR ends a line
        {"Component0", "file0009", "*", 256, "b"},
        {"Component0", "file0010", "*", 256, "ab"},
        {"Component0", "file0011", "*", 256, ""},
        {"Component0", "file0012", "*", 256, "after a broken header"},
        {"Component0", "file0013", "*", 256, "*"},  // only the first header of a name
        {"Component0", "file0000", "*", 6, "space"},
        {"Component0", "absent", "dflt   ", 256, "dflt"},
        {"Component0", "absent", "'q'", 256, "q"},
        {"Comp]onent2", "key", "*", 256, "in a name with a bracket"},
        {"", "early", "*", 256, "before any section"},
        {"", "late", "*", 256, "*"},
        {"Component0", "", "*", 256, ""},
        {"Missing", "file0000", "", 256, ""},
    };
    for (const auto& [section, key, def, size, expected] : cases) {
        EXPECT_EQ(Read(ini, section, key, def, size), expected)
            << "[" << section << "] " << key << " in " << size;
    }
}

TEST(ProfileText, NumbersAsGetPrivateProfileIntReadsThem) {
    const std::tuple<const char*, uint32_t> cases[] = {
        {"42", 42u},
        {"-5", 0u - 5u},
        {"+7", 7u},
        {"12abc", 12u},
        {"4063767505", 4063767505u},
        {"4294967296", 0u},  // wraps around
        {"0x1F", 31u},
        {"0X1F", 0u},  // the prefix is lower case only
        {"0o17", 15u},
        {"0b101", 5u},
        {"0b2", 0u},
        {"08", 8u},
        {"\x01\x02"
         "9",
         9u},  // control characters go like blanks
        {"- 5", 0u},
        {"--3", 0u},
        {"abc", 0u},
    };
    for (const auto& [value, expected] : cases) {
        EXPECT_EQ(ProfileNumber(value), expected) << value;
    }
    const std::string text =
        "[S]\r\nempty=\r\nquoted=\"-8\"\r\nlong=" + std::string(28, '0') + "12\r\n";
    ProfileText ini;
    ASSERT_TRUE(ini.Parse(text.data(), text.size()));
    EXPECT_EQ(ini.Unsigned("S", "empty", 77), 77u);
    EXPECT_EQ(ini.Unsigned("S", "missing", -1), 0xFFFFFFFFu);
    EXPECT_EQ(ini.Unsigned("S", "quoted", 0), 0u - 8u);
    EXPECT_EQ(ini.Unsigned("S", "long", 0), 1u) << "read as 29 characters";
}

TEST(ProfileText, RefusesUnicodeText) {
    for (const std::string bom : {"\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF"}) {
        const std::string text = bom + "[S]\r\nk=v\r\n";
        ProfileText ini;
        EXPECT_FALSE(ini.Parse(text.data(), text.size()));
        EXPECT_EQ(Read(ini, "S", "k", "*"), "");
    }
}

// Every key of a 10,000-entry family comes back with its own value, through the hash index
// that makes each lookup cost the same at any size.
TEST(ProfileText, LargeFamilyEveryKeyItsOwnValue) {
    std::string text = "[Nuvex]\r\n[Component0]\r\nTitle=Large\r\n";
    char line[96];
    for (int i = 0; i < 10000; ++i) {
        std::snprintf(line, sizeof line, "file%04d=d%02d\\f%04d.txt\r\nfile%04dcrc=%u\r\n", i,
                      i / 100, i, i, 4000000000u + i);
        text += line;
    }
    text += "[END]";
    ProfileText ini;
    ASSERT_TRUE(ini.Parse(text.data(), text.size()));
    int wrong = 0;
    for (int i = 0; i < 10000; ++i) {
        char key[32], expected[32];
        std::snprintf(key, sizeof key, "FILE%04d", i);
        std::snprintf(expected, sizeof expected, "d%02d\\f%04d.txt", i / 100, i);
        wrong += Read(ini, "component0", key, "*") != expected;
        std::snprintf(key, sizeof key, "file%04dcrc", i);
        wrong += ini.Unsigned("Component0", key, 0) != 4000000000u + i;
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(Read(ini, "Component0", "file10000", "*"), "*");
    EXPECT_EQ(Read(ini, "Component1", "file0000", "*"), "*");
}

TEST(UninstallLogLine, AsTheProfileFunctionsAppendIt) {
    const std::tuple<const char*, const char*, std::size_t, std::string> cases[] = {
        {"file000000", "C:\\App\\a.txt", 64, "file000000=C:\\App\\a.txt\r\n"},
        {"uninstallreg", "", 64, "uninstallreg=\r\n"},
        {"szTextUninst", " \t Removes it.|All of it.", 64,
         "szTextUninst=Removes it.|All of it.\r\n"},
        {"dir000001", "C:\\App", 19, "dir000001=C:\\App\r\n"},  // exactly fits
        {"dir000001", "C:\\App", 18, ""},
    };
    for (const auto& [key, value, size, expected] : cases) {
        char out[128];
        const std::size_t n = ComposeLogLine(out, size, key, value);
        EXPECT_EQ(std::string(out, n), expected) << key;
        EXPECT_EQ(out[n], '\0');
    }
}

}  // namespace
}  // namespace nuvex

// The uninstaller's reading of its log: key names, counting up to the first gap, and the
// removal percentage.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "uninstall_log.h"

namespace nuvex {
namespace {

TEST(UninstallLog, KeysAndCounts) {
    char key[32];
    ASSERT_TRUE(LogKey(key, sizeof key, "startfile", 2));
    EXPECT_STREQ(key, "startfile000002");
    ASSERT_TRUE(LogKey(key, sizeof key, "file", 999999));
    EXPECT_STREQ(key, "file999999");
    EXPECT_FALSE(LogKey(key, sizeof key, "file", 1000000));
    EXPECT_FALSE(LogKey(key, sizeof key, "dir", -1));
    char small[8];
    EXPECT_FALSE(LogKey(small, sizeof small, "file", 3));
    EXPECT_STREQ(small, "");

    const std::map<std::string, std::string> log = {
        {"file000000", "a"}, {"file000001", "b"}, {"file000002", ""}, {"file000003", "d"},
        {"dir000000", "t"},  {"startdir000001", "s"}};
    auto read = [&](const char* k) {
        auto it = log.find(k);
        return it != log.end() && !it->second.empty();
    };
    struct Case {
        const char* family;
        int count;
    };
    // An empty value ends a family like a missing key; what follows a gap is never seen.
    for (const Case& c : {Case{"file", 2}, Case{"dir", 1}, Case{"startdir", 0}, Case{"startfile", 0}}) {
        EXPECT_EQ(CountLogEntries(c.family, read), c.count) << c.family;
    }
}

TEST(UninstallLog, RemovalPercent) {
    // 16 entries: 5, 10, 16, 22, ..., 94.
    const int expected16[] = {5, 10, 16, 22, 28, 34, 40, 46, 52, 58, 64, 70, 76, 82, 88, 94};
    for (int done = 0; done < 16; ++done) {
        EXPECT_EQ(RemovalPercent(done, 16), expected16[done]) << done;
    }
    EXPECT_EQ(RemovalPercent(0, 0), 5);
    EXPECT_EQ(RemovalPercent(2000000000, 2000000001), 99);
    EXPECT_EQ(RemovalPercent(5, 3), 100);
}

}  // namespace
}  // namespace nuvex

// Rules of the installation and the removal: space check, parent folders, progress, the
// error report, hostile entry values, the uninstall log and the stub record.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "ini_document.h"
#include "install_rules.h"
#include "uninstall_log.h"

namespace nuvex {
namespace {

TEST(SpaceCheck, EverySlotSummedInSixtyFourBitsWithOneMebibyteMarginOnTheTargetDrive) {
    EXPECT_TRUE(EnoughFreeSpace(460000, 1508576));
    EXPECT_FALSE(EnoughFreeSpace(460000, 1508575));
    const std::vector<uint64_t> full(10, 4294967295u);
    EXPECT_EQ(RequiredSpace(full.data(), 10), 42949672950ull);
    EXPECT_FALSE(EnoughFreeSpace(UINT64_MAX - 5, UINT64_MAX - 1));
    for (auto [target, root] : {std::pair{"C:\\Program Files\\App", "C:\\"},
                                {"\\\\server\\share\\App", ""}, {"1:\\x", ""}}) {
        char got[4];
        EXPECT_EQ(DriveRoot(target, got), *root != '\0') << target;
        EXPECT_STREQ(got, root);
    }
}

TEST(ParentFolders, EveryFolderAboveTheTargetFromTheSecondBackslash) {
    auto prefixes = [](const std::string& target) {
        const ParentFolders folders = ParentFolderPrefixes(target.c_str());
        std::string out;
        for (int i = 0; i < folders.count; ++i) {
            out += target.substr(0, folders.length[i]) + ";";
        }
        return out;
    };
    EXPECT_EQ(prefixes("D:\\Apps\\Tool\\Sub"), "D:\\Apps;D:\\Apps\\Tool;");
    EXPECT_EQ(prefixes("\\\\srv\\share\\App"), "\\;\\\\srv;\\\\srv\\share;");
    // Only the first 256 backslashes are looked at: 255 folders, whatever follows.
    std::string deep = "C:";
    for (int i = 0; i < 300; ++i) {
        deep += "\\a";
    }
    EXPECT_EQ(ParentFolderPrefixes(deep.c_str()).count, 255);
}

TEST(Progress, ExtractionThirdsWithin12And94NeverGoingBackAndTheRemovalBar) {
    // Entry, count, stage, percent; step 0 has no thirds; past the count or without one: 94.
    for (const auto& [n, total, stage, expected] :
         {std::tuple{0, 1, EntryStage::kRead, 39}, {2, 3, EntryStage::kInflated, 85},
          {5, 200, EntryStage::kInflated, 14}, {0, 0, EntryStage::kStart, 94}, {3, 3, EntryStage::kStart, 94}}) {
        EXPECT_EQ(ExtractionProgress(n, total, stage), expected) << n << "/" << total;
    }
    for (int total : {3, 83, 30000}) {
        int last = 12;
        for (int n = 0; n < total + 2; ++n) {
            for (auto stage : {EntryStage::kStart, EntryStage::kRead, EntryStage::kInflated}) {
                const int p = ExtractionProgress(n, total, stage);
                ASSERT_TRUE(p >= last && p <= 94) << n << "/" << total << ": " << p;
                last = p;
            }
        }
    }
    for (auto [done, total, percent] : {std::tuple{1, 16, 10}, {0, 0, 5}, {2000000000, 2000000001, 99}}) {
        EXPECT_EQ(RemovalPercent(done, total), percent) << done << "/" << total;
    }
}

TEST(ErrorReport, TheSpecificTextIsCutLastAndNothingPastTheBuffer) {
    const std::string a(2047, 'a'), b(2047, 'b'), c(2047, 'c'), a1(1000, 'a'), b1(1000, 'b');
    const std::tuple<std::string, std::string, std::string, std::string> cases[] = {
        {"App failed.", "No space.", "Done.", "App failed. No space.\n\nDone."},
        // The closing text is cut first, then the frame, the specific text last.
        {a1, b1, c, a1 + " " + b1 + "\n\n" + std::string(44, 'c')},
        {a, b, c, " " + std::string(2044, 'b') + "\n\n"},
    };
    for (const auto& [error, specific, error1, expected] : cases) {
        std::vector<char> out(kErrorReportSize + 16, '#');
        ComposeErrorReport(out.data(), kErrorReportSize, error.c_str(), specific.c_str(), error1.c_str());
        EXPECT_EQ(std::string(out.data()), expected);
        EXPECT_EQ(out[kErrorReportSize], '#') << "wrote past the buffer";
    }
    // The question about a file that cannot be written keeps the whole path (up to 255
    // characters) and cuts the closing sentence of a buffer too small.
    const std::string path = "C:\\Program Files\\App\\" + std::string(232, 'p');
    for (const std::size_t size : {kCannotWriteTextSize, std::size_t{300}}) {
        std::vector<char> out(size + 16, '#');
        ComposeCannotWriteText(out.data(), size, path.c_str());
        const std::string text = out.data();
        EXPECT_EQ(text.rfind("This file cannot be written:\n\n" + path + "\n\n", 0), 0u) << size;
        EXPECT_EQ(text.size() == size - 1, size == 300) << size;
        EXPECT_EQ(out[size], '#') << "wrote past the buffer";
    }
}

// Attributes of a damaged script must not reach outside the file nor wrap in 32 bits.
TEST(HostileEntries, StreamsOutsideThePackageAndValuesThatClimbOut) {
    // File size, payload base, offset, length, inside.
    const std::tuple<uint64_t, uint32_t, uint32_t, uint32_t, bool> streams[] = {
        {1000, 900, 0, 100, true},          {1000, 900, 0, 101, false},
        {1000, 900, 4294967295u, 1, false}, {1000, 900, 1, 4294967295u, false},
        {5000000000ull, 4000000000u, 4000000000u, 4000000000u, false},
    };
    for (const auto& [fileSize, base, offset, length, inside] : streams) {
        EXPECT_EQ(StreamInPackage(fileSize, base, offset, length), inside) << offset << " + " << length;
    }
    const std::pair<const char*, bool> values[] = {
        {"a..b\\c.", false}, {".\\x", false}, {"docs\\..\\..\\x", true},
        {"docs/../x", true}, {"x\\...", true}, {"x\\. .\\y", true},
    };
    for (const auto& [value, climbs] : values) {
        EXPECT_EQ(ClimbsOutOfFolder(value), climbs) << value;
    }
}

// The installer numbers each family of the log on its own (dir000000 and startdir000000 are
// written first); the uninstaller reads each up to its first gap and removes newest first. A
// value that fills the read buffer may be cut and name something else: it is never removed.
TEST(UninstallLog, KeysWrittenAndTheRemovalPlanReadBack) {
    LogNumbering numbering;
    std::string keys;
    for (LogFamily family : {LogFamily::kDir, LogFamily::kFile, LogFamily::kDir, LogFamily::kFile,
                             LogFamily::kStartDir, LogFamily::kStartFile}) {
        char key[kLogKeySize];
        FormatLogKey(key, family, numbering.Peek(family));
        numbering.Advance(family);
        keys += std::string(key) + " ";
    }
    EXPECT_EQ(keys, "dir000001 file000000 dir000002 file000001 startdir000001 startfile000000 ");
    char key[kLogKeySize];
    EXPECT_FALSE(LogKey(key, sizeof key, "file", 1000000));
    EXPECT_FALSE(LogKey(key, 8, "file", 3));
    EXPECT_STREQ(key, "");

    const std::string cut(2047, 'c'), longest(2046, 'd');
    const pack::IniProfile log("[Nuvex]\nfile000000=C:\\App\\a\nfile000001=" + cut +
                               "\nfile000002=C:\\App\\c\nfile000003=\nfile000004=C:\\App\\e\n"
                               "dir000000=C:\\App\ndir000001=" + longest +
                               "\nstartdir000001=C:\\Menu\\App\n");
    for (auto [family, paths] : {std::pair{"file", std::string("C:\\App\\c;;C:\\App\\a;")},
                                 {"dir", longest + ";C:\\App;"}, {"startdir", ""}}) {
        const LogPathList list(log, family, CountLogFamily(log, family));
        std::string got;
        EXPECT_TRUE(list.NewestFirst([&](const char* path) { got += std::string(path) + ";"; }));
        EXPECT_EQ(got, paths) << family;
    }
}

// A stub record that does not fit a PE32 header leaves the uninstaller copy alone (the
// signing test checks a record that fits with osslsigncode).
TEST(StubRecord, RefusedOutsideAPe32Header) {
    std::vector<unsigned char> stub(0x400, 0);  // PE header at 0x80, certificates the last 0x100
    stub[0x3C] = 0x80;
    std::memcpy(&stub[0x80], "PE\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\x0B\x01", 26);
    const StubRecord record = {0x300, 0x100, 0x12345678};
    const std::tuple<std::size_t, unsigned char, StubRecord> cases[] = {
        {0, 0, {0x300, 0xFF, 1}},  // the table ends early
        {0x80 + 25, 0x02, record},  // PE32+
        {0x3D, 0x04, record},       // the PE header beyond the stub
    };
    for (const auto& [at, value, r] : cases) {
        std::vector<unsigned char> image = stub;
        image[at] = at ? value : image[at];
        const std::vector<unsigned char> before = image;
        EXPECT_FALSE(ApplyStubRecord(image.data(), 0x400, r)) << at;
        EXPECT_EQ(image, before) << at;
    }
    EXPECT_TRUE(ApplyStubRecord(stub.data(), 0x400, record));
}

}  // namespace
}  // namespace nuvex

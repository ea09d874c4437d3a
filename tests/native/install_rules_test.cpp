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
    // The boundary, one byte either side of the required space plus 1 MiB, also where the
    // sum or the free space passes 4 GiB and a 32-bit number would wrap to a small one. (The
    // Wine test runs it on a real small drive, where one can be mounted.)
    constexpr uint64_t k4G = 4294967296ull;
    const std::tuple<uint64_t, uint64_t, bool> boundary[] = {
        // required, free, enough
        {460000, 1508575, false},
        {460000, 1508576, true},
        {460000, 1508577, true},
        {0, 1048575, false},
        {0, 1048576, true},
        {k4G - 1048576, k4G - 1, false},
        {k4G - 1048576, k4G, true},
        {k4G - 1048576, k4G + 1, true},
        {k4G, k4G + 1048575, false},
        {k4G, k4G + 1048576, true},
        {k4G + 1, k4G + 1048576, false},
        {4294967295u, 1048575, false},
        {42949672950ull, 42950721525ull, false},
        {42949672950ull, 42950721526ull, true},
    };
    for (const auto& [required, freeBytes, enough] : boundary) {
        EXPECT_EQ(EnoughFreeSpace(required, freeBytes), enough) << required << " of " << freeBytes;
    }
    // The older query's clusters: 64 sectors of 512 bytes, 200000 of them free, are 6.1 GiB.
    const std::tuple<uint32_t, uint32_t, uint32_t, uint64_t> clusters[] = {
        {8, 512, 1000, 4096000},
        {64, 512, 200000, 6553600000ull},
        {128, 4096, 4294967295u, 2251799813160960ull},
    };
    for (const auto& [sectors, bytes, count, expected] : clusters) {
        EXPECT_EQ(ClusterBytes(sectors, bytes, count), expected)
            << sectors << " x " << bytes << " x " << count;
    }
    const std::vector<uint64_t> full(10, 4294967295u);
    EXPECT_EQ(RequiredSpace(full.data(), 10), 42949672950ull);
    EXPECT_FALSE(EnoughFreeSpace(UINT64_MAX - 5, UINT64_MAX - 1));
    for (auto [target, root] : {std::pair{"C:\\Program Files\\App", "C:\\"},
                                {"\\\\server\\share\\App", ""},
                                {"1:\\x", ""}}) {
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

TEST(Progress, ExtractionThirdsWithin12And94NeverGoingBack) {
    // Entry, count, stage, percent; step 0 has no thirds; past the count or without one: 94.
    for (const auto& [n, total, stage, expected] : {std::tuple{0, 1, EntryStage::kRead, 39},
                                                    {2, 3, EntryStage::kInflated, 85},
                                                    {5, 200, EntryStage::kInflated, 14},
                                                    {0, 0, EntryStage::kStart, 94},
                                                    {3, 3, EntryStage::kStart, 94}}) {
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
}

// The uninstaller's bar before each of its removals, 5 + 95 * done / total: the whole table
// for a few logs (16 entries: 10 files, 2 shortcuts, 3 folders, 1 Start menu folder), and
// for any log a bar that never goes back nor shows full before the window closes.
TEST(Progress, RemovalBarBeforeEveryRemovalNeverFull) {
    const std::pair<int, std::vector<int>> tables[] = {
        {1, {5}},
        {2, {5, 52}},
        {3, {5, 36, 68}},
        {16, {5, 10, 16, 22, 28, 34, 40, 46, 52, 58, 64, 70, 76, 82, 88, 94}},
    };
    for (const auto& [total, percents] : tables) {
        std::vector<int> got;
        for (int done = 0; done < total; ++done) {
            got.push_back(RemovalPercent(done, total));
        }
        EXPECT_EQ(got, percents) << "total " << total;
    }
    for (int total : {95, 96, 1000, 2000000001}) {
        int last = 5;
        const int step = total > 100000 ? total / 1000 : 1;
        for (int done = 0; done < total; done += step) {
            const int p = RemovalPercent(done, total);
            ASSERT_TRUE(p >= last && p <= 99) << done << "/" << total << ": " << p;
            last = p;
        }
        EXPECT_EQ(RemovalPercent(total - 1, total), 99) << "total " << total;
    }
    // Nothing to remove, and counts outside the table; 95 * done in 64 bits.
    for (auto [done, total, percent] : {std::tuple{0, 0, 5},
                                        {3, 0, 5},
                                        {-1, 16, 5},
                                        {17, 16, 100},
                                        {2000000000, 2000000001, 99}}) {
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
        ComposeErrorReport(out.data(), kErrorReportSize, error.c_str(), specific.c_str(),
                           error1.c_str());
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
        {1000, 900, 0, 100, true},
        {1000, 900, 0, 101, false},
        {1000, 900, 4294967295u, 1, false},
        {1000, 900, 1, 4294967295u, false},
        {5000000000ull, 4000000000u, 4000000000u, 4000000000u, false},
    };
    for (const auto& [fileSize, base, offset, length, inside] : streams) {
        EXPECT_EQ(StreamInPackage(fileSize, base, offset, length), inside)
            << offset << " + " << length;
    }
    const std::pair<const char*, bool> values[] = {
        {"a..b\\c.", false}, {".\\x", false},  {"docs\\..\\..\\x", true},
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
        FormatLogKey(key, sizeof key, family, numbering.Peek(family));
        numbering.Advance(family);
        keys += std::string(key) + " ";
    }
    EXPECT_EQ(keys, "dir000001 file000000 dir000002 file000001 startdir000001 startfile000000 ");
    char key[kLogKeySize];
    EXPECT_FALSE(FormatLogKey(key, sizeof key, LogFamily::kFile, -1));
    EXPECT_FALSE(FormatLogKey(key, 8, LogFamily::kFile, 3));
    EXPECT_STREQ(key, "");

    const std::string cut(2047, 'c'), longest(2046, 'd');
    const pack::IniProfile log("[Nuvex]\nfile000000=C:\\App\\a\nfile000001=" + cut +
                               "\nfile000002=C:\\App\\c\nfile000003=\nfile000004=C:\\App\\e\n"
                               "dir000000=C:\\App\ndir000001=" +
                               longest + "\nstartdir000001=C:\\Menu\\App\n");
    for (auto [family, paths] :
         {std::pair{LogFamily::kFile, std::string("C:\\App\\c;;C:\\App\\a;")},
          {LogFamily::kDir, longest + ";C:\\App;"},
          {LogFamily::kStartDir, ""}}) {
        const LogPathList list(log, family, CountLogFamily(log, family));
        std::string got;
        EXPECT_TRUE(list.NewestFirst([&](const char* path) { got += std::string(path) + ";"; }));
        EXPECT_EQ(got, paths) << InfoOf(family).name;
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
        {0, 0, {0x300, 0xFF, 1}},   // the table ends early
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

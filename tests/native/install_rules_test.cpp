// Rules of the installation: space check, parent folders, extraction progress, the error
// report and the numbering of entry and log keys.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "install_rules.h"

namespace nuvex {
namespace {

TEST(RequiredSpace, SumsEverySlotInSixtyFourBitsWithOneMebibyteMargin) {
    const uint64_t three[10] = {300000, 100000, 60000};
    EXPECT_EQ(RequiredSpace(three, 10), 460000u);
    EXPECT_TRUE(EnoughFreeSpace(460000, 1508576));
    EXPECT_FALSE(EnoughFreeSpace(460000, 1508575));

    // Ten slots at the 32-bit maximum overflow 32 bits but not the sum.
    uint64_t full[10];
    for (uint64_t& v : full) {
        v = 4294967295u;
    }
    EXPECT_EQ(RequiredSpace(full, 10), 42949672950ull);
    EXPECT_FALSE(EnoughFreeSpace(42949672950ull, 42949672950ull));
    EXPECT_TRUE(EnoughFreeSpace(0, kFreeSpaceMargin));
    EXPECT_FALSE(EnoughFreeSpace(UINT64_MAX - 5, UINT64_MAX - 1));
}

TEST(DriveRoot, OnlyDriveLetterPathsHaveARoot) {
    struct Case {
        const char* target;
        const char* root;  // nullptr: no root
    };
    const Case cases[] = {
        {"C:\\Program Files\\App", "C:\\"}, {"d:\\x", "d:\\"},   {"Z:", "Z:\\"},
        {"\\\\server\\share\\App", nullptr}, {"relative\\path", nullptr},
        {"1:\\x", nullptr},                  {"", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        char root[4];
        EXPECT_EQ(DriveRoot(c.target, root), c.root != nullptr);
        EXPECT_STREQ(root, c.root ? c.root : "");
    }
}

std::vector<std::string> Prefixes(const std::string& target) {
    ParentFolders folders = ParentFolderPrefixes(target.c_str());
    std::vector<std::string> out;
    for (int i = 0; i < folders.count; ++i) {
        out.push_back(target.substr(0, folders.length[i]));
    }
    return out;
}

TEST(ParentFolders, EveryFolderAboveTheTargetFromTheSecondBackslash) {
    using V = std::vector<std::string>;
    EXPECT_EQ(Prefixes("D:\\Apps\\Tool\\Sub"), (V{"D:\\Apps", "D:\\Apps\\Tool"}));
    EXPECT_EQ(Prefixes("C:\\App"), V{});
    EXPECT_EQ(Prefixes("C:"), V{});
    EXPECT_EQ(Prefixes("C:\\App\\"), V{"C:\\App"});
    EXPECT_EQ(Prefixes("\\\\srv\\share\\App"), (V{"\\", "\\\\srv", "\\\\srv\\share"}));

    // Only the first 256 backslashes are noted: 255 prefixes, whatever follows.
    std::string deep = "C:";
    for (int i = 0; i < 300; ++i) {
        deep += "\\a";
    }
    V prefixes = Prefixes(deep);
    ASSERT_EQ(prefixes.size(), 255u);
    EXPECT_EQ(prefixes.back(), deep.substr(0, 2 + 2 * 255));
}

TEST(ExtractionProgress, StaysWithin12And94AndNeverGoesBack) {
    for (int total : {1, 2, 3, 7, 82, 83, 84, 200, 30000}) {
        SCOPED_TRACE(total);
        int last = 12;
        for (int n = 0; n < total + 2; ++n) {
            for (EntryStage stage : {EntryStage::kStart, EntryStage::kRead, EntryStage::kInflated}) {
                const int p = ExtractionProgress(n, total, stage);
                ASSERT_GE(p, last) << "n " << n;
                ASSERT_LE(p, 94) << "n " << n;
                last = p;
            }
        }
        EXPECT_EQ(ExtractionProgress(0, total, EntryStage::kStart), 12);
    }
}

TEST(ExtractionProgress, ThirdsOfTheStep) {
    struct Case {
        int n, total;
        EntryStage stage;
        int expected;
    };
    const Case cases[] = {
        {0, 1, EntryStage::kStart, 12},     {0, 1, EntryStage::kRead, 12 + 27},
        {0, 1, EntryStage::kInflated, 67},  {1, 4, EntryStage::kStart, 12 + 20},
        {1, 4, EntryStage::kRead, 32 + 6},  {1, 4, EntryStage::kInflated, 32 + 13},
        {2, 3, EntryStage::kInflated, 12 + 55 + 18},
        {5, 200, EntryStage::kInflated, 12 + 2},  // step 0: no thirds
        // Entries beyond the count, and no count at all, show the end of the range.
        {0, 0, EntryStage::kStart, 94},     {3, 3, EntryStage::kStart, 94},
        {7, 3, EntryStage::kInflated, 94},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.n << "/" << c.total);
        EXPECT_EQ(ExtractionProgress(c.n, c.total, c.stage), c.expected);
    }
}

TEST(ProgressWindowLayout, BothStylesOnTwoScreenSizes) {
    struct Case {
        bool barStyle;
        int width, height;
        Rect window, status, cancel, bar;
    };
    const Case cases[] = {
        {false, 1024, 768, {337, 524, 350, 150}, {65, 30, 260, 30}, {227, 110, 100, 25},
         {25, 80, 300, 20}},
        {true, 1024, 768, {40, 574, 944, 100}, {1, 1, 924, 16}, {834, 60, 100, 25},
         {10, 30, 924, 20}},
        {false, 800, 600, {225, 412, 350, 150}, {65, 30, 260, 30}, {227, 110, 100, 25},
         {25, 80, 300, 20}},
        {true, 800, 600, {40, 462, 720, 100}, {1, 1, 700, 16}, {610, 60, 100, 25},
         {10, 30, 700, 20}},
        // Below 550 pixels the division truncates toward zero: (500 - 550) / 3 is -16.
        {false, 640, 500, {145, 348, 350, 150}, {65, 30, 260, 30}, {227, 110, 100, 25},
         {25, 80, 300, 20}},
    };
    auto same = [](const Rect& a, const Rect& b) {
        return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.barStyle ? "bar " : "window ") << c.width << "x"
                                        << c.height);
        const ProgressLayout layout = ProgressWindowLayout(c.barStyle, c.width, c.height);
        EXPECT_TRUE(same(layout.window, c.window))
            << "window at " << layout.window.x << "," << layout.window.y << " "
            << layout.window.width << "x" << layout.window.height;
        EXPECT_TRUE(same(layout.statusLine, c.status));
        EXPECT_TRUE(same(layout.cancel, c.cancel));
        EXPECT_TRUE(same(layout.bar, c.bar));
    }
}

TEST(ErrorReport, FrameSpecificAndClosingTextBoundedTo2048Bytes) {
    struct Case {
        const char* name;
        std::string error, specific, error1;
        std::string expected;
    };
    const std::string a(2047, 'a'), b(2047, 'b'), c(2047, 'c');
    const Case cases[] = {
        {"plain", "App failed.", "No space.", "Nothing changed.",
         "App failed. No space.\n\nNothing changed."},
        {"empty texts", "", "", "", " \n\n"},
        {"exactly full", std::string(1000, 'a'), std::string(1000, 'b'), std::string(44, 'c'),
         std::string(1000, 'a') + " " + std::string(1000, 'b') + "\n\n" + std::string(44, 'c')},
        {"closing text cut first", std::string(1000, 'a'), std::string(1000, 'b'), c,
         std::string(1000, 'a') + " " + std::string(1000, 'b') + "\n\n" + std::string(44, 'c')},
        {"then the frame", a, std::string(100, 'b'), c,
         std::string(1944, 'a') + " " + std::string(100, 'b') + "\n\n"},
        {"the specific text last", a, b, c, " " + std::string(2044, 'b') + "\n\n"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        std::vector<char> out(kErrorReportSize + 16, '#');
        ComposeErrorReport(out.data(), kErrorReportSize, k.error.c_str(), k.specific.c_str(),
                           k.error1.c_str());
        EXPECT_EQ(std::string(out.data()), k.expected);
        EXPECT_LE(std::strlen(out.data()), kErrorReportSize - 1);
        EXPECT_EQ(out[kErrorReportSize], '#') << "wrote past the buffer";
    }
    char tiny[3];
    ComposeErrorReport(tiny, sizeof tiny, "abc", "def", "ghi");
    EXPECT_STREQ(tiny, " \n");
}

TEST(ComponentStatus, InstallingTextTitleAndFullStop) {
    char out[2048];
    ComposeComponentStatus(out, sizeof out, "Installing", "Main files");
    EXPECT_STREQ(out, "Installing Main files.");
    char small[8];
    ComposeComponentStatus(small, sizeof small, "Installing", "Main");
    EXPECT_STREQ(small, "Install");
}

TEST(EntryKeys, FourDigitAndTwoDigitFamiliesWithSuffixes) {
    struct Case {
        const char* family;
        int index;
        const char* suffix;
        const char* expected;
        int max;
    };
    const Case cases[] = {
        {"dir", 0, "", "dir0000", 9999},           {"file", 17, "length", "file0017length", 9999},
        {"win", 9999, "crc", "win9999crc", 9999},  {"sys", 3, "offset", "sys0003offset", 9999},
        {"startdir", 0, "", "startdir00", 99},     {"start", 5, "title", "start05title", 99},
        {"desktop", 99, "args", "desktop99args", 99}, {"quickl", 1, "", "quickl01", 99},
        {"reg", 0, "", "reg00", 99},               {"run", 42, "", "run42", 99},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        char key[64];
        ASSERT_TRUE(FormatEntryKey(key, sizeof key, c.family, c.index, c.suffix));
        EXPECT_STREQ(key, c.expected);
        EXPECT_EQ(FamilyMaxIndex(c.family), c.max);
    }
    char small[8];
    EXPECT_FALSE(FormatEntryKey(small, sizeof small, "file", 1, "length"));
}

// Attributes of a damaged script must not reach outside the file nor wrap in 32 bits.
TEST(HostileEntries, StreamsOutsideThePackageAndValuesThatClimbOut) {
    struct Stream {
        uint64_t fileSize;
        uint32_t base, offset, length;
        bool inside;
    };
    const Stream streams[] = {
        {1000, 900, 0, 100, true},          {1000, 900, 0, 101, false},
        {1000, 900, 100, 0, true},          {1000, 900, 101, 0, false},
        {1000, 900, 4294967295u, 1, false}, {1000, 900, 1, 4294967295u, false},
        {5000000000ull, 4000000000u, 4000000000u, 4000000000u, false},
    };
    for (const Stream& c : streams) {
        EXPECT_EQ(StreamInPackage(c.fileSize, c.base, c.offset, c.length), c.inside)
            << c.offset << " + " << c.length;
    }
    struct Value {
        const char* value;
        bool climbs;
    };
    const Value values[] = {
        {"readme.txt", false}, {"docs\\guide.txt", false}, {"a..b\\c.", false},
        {".\\x", false},       {"", false},               {"..", true},
        {"..\\x", true},       {"docs\\..\\..\\x", true}, {"docs/../x", true},
        {"x\\...", true},      {"x\\. .\\y", true},       {"x\\.. \\y", true},
    };
    for (const Value& c : values) {
        EXPECT_EQ(ClimbsOutOfFolder(c.value), c.climbs) << c.value;
    }
}

TEST(LogKeys, EachFamilyNumberedOnItsOwnWithSixDigits) {
    LogNumbering numbering;
    std::vector<std::string> keys;
    auto record = [&](LogFamily family) {
        char key[kLogKeySize];
        FormatLogKey(key, family, numbering.Peek(family));
        numbering.Advance(family);
        keys.push_back(key);
    };
    record(LogFamily::kDir);
    record(LogFamily::kFile);
    record(LogFamily::kDir);
    record(LogFamily::kFile);
    // A file that is not recorded takes no number.
    char skipped[kLogKeySize];
    FormatLogKey(skipped, LogFamily::kFile, numbering.Peek(LogFamily::kFile));
    record(LogFamily::kFile);
    record(LogFamily::kStartDir);
    record(LogFamily::kStartFile);
    EXPECT_EQ(keys, (std::vector<std::string>{"dir000001", "file000000", "dir000002",
                                              "file000001", "file000002", "startdir000001",
                                              "startfile000000"}));
    char key[kLogKeySize];
    FormatLogKey(key, LogFamily::kDir, 0);
    EXPECT_STREQ(key, "dir000000");
    FormatLogKey(key, LogFamily::kStartFile, 1234567);
    EXPECT_STREQ(key, "startfile1234567");
}

TEST(StubRecord, WrittenBackIntoAPe32HeaderOnly) {
    // A minimal image: "MZ", the PE header at 0x80, a PE32 optional header after it, and
    // the certificate table as the last 0x100 of 0x400 bytes.
    std::vector<unsigned char> stub(0x400, 0);
    stub[0] = 'M';
    stub[1] = 'Z';
    stub[0x3C] = 0x80;
    std::memcpy(&stub[0x80], "PE\0\0", 4);
    stub[0x80 + 24] = 0x0B;
    stub[0x80 + 24 + 1] = 0x01;
    const StubRecord record = {0x300, 0x100, 0x12345678};
    auto field = [](const std::vector<unsigned char>& image, std::size_t at) {
        return image[at] | (image[at + 1] << 8) | (image[at + 2] << 16) |
               (static_cast<uint32_t>(image[at + 3]) << 24);
    };

    struct Case {
        const char* name;
        std::size_t at;      // a byte to change first, or 0
        unsigned char value;
        StubRecord record;
        bool applied;
    };
    const Case cases[] = {
        {"signed stub", 0, 0, record, true},
        {"table does not end with the stub", 0, 0, {0x300, 0xFF, 1}, false},
        {"not PE", 0x81, 'X', record, false},
        {"PE32+ header", 0x80 + 24 + 1, 0x02, record, false},
        {"header beyond the stub", 0x3D, 0x04, record, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<unsigned char> image = stub;
        if (c.at) {
            image[c.at] = c.value;
        }
        const std::vector<unsigned char> before = image;
        EXPECT_EQ(ApplyStubRecord(image.data(), static_cast<uint32_t>(image.size()), c.record),
                  c.applied);
        if (!c.applied) {
            EXPECT_EQ(image, before) << "a refused record must leave the copy alone";
            continue;
        }
        const std::size_t optional = 0x80 + 24;
        EXPECT_EQ(field(image, optional + 64), 0x12345678u);
        EXPECT_EQ(field(image, optional + 128), 0x300u);
        EXPECT_EQ(field(image, optional + 132), 0x100u);
    }
}

}  // namespace
}  // namespace nuvex

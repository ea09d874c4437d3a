// LZMA packages in the real installer. The host's nuvexpack builds the package (the Windows
// build has no liblzma) from examples/sample/product and nuvex.exe, a real PE that goes
// through the branch filter (lzma_package.cmake); the test keeps its payload and entry
// keys and puts its own wizard script around them, as offsets count from the payload. One
// run installs through the wizard, compares every file and uninstalls; the others damage the
// block, its header or the compression key, and must end on the damaged-package report.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "driver.h"
#include "install_session.h"
#include "package_fixture.h"

namespace nuvex::test {
namespace {

// The [Nuvex] and [Component0] lines of the host-built package, and its payload.
struct BuiltLzmaPackage {
    std::vector<std::string> header, entries;
    std::string payload;
};

BuiltLzmaPackage ReadBuilt() {
    BuiltLzmaPackage built;
    const std::string bytes = ReadFileBytes(WindowsPath(NUVEX_LZMA_PACKAGE));
    const std::size_t start = bytes.find(HeaderText());
    const std::size_t base = PayloadBase(bytes);
    EXPECT_NE(start, std::string::npos) << "expected the package " << NUVEX_LZMA_PACKAGE;
    if (start == std::string::npos || base == 0) {
        return built;
    }
    built.payload = bytes.substr(base);
    std::vector<std::string>* into = &built.header;
    std::size_t at = bytes.find("\r\n", start) + 2;
    while (at < base - 6) {
        const std::size_t end = bytes.find("\r\n", at);
        const std::string line = bytes.substr(at, (end == std::string::npos ? base - 6 : end) - at);
        at = end == std::string::npos ? base : end + 2;
        if (line == "[Component0]") {
            into = &built.entries;
        } else if (!line.empty() && line[0] == '[') {
            into = nullptr;
        } else if (into != nullptr && line.find('=') != std::string::npos) {
            into->push_back(line);
        }
    }
    return built;
}

// How one run ended: the done page with every file right, or the error page with the report
// of a damaged package or of too little memory (a flipped dictionary size within the
// limit may ask for more than there is). Anything else fails the case.
enum class End { kInstalled, kReported, kWrong };

struct Installed {
    std::string target;
    std::vector<std::pair<std::string, std::string>> files;  // installed path, expected bytes
};

End RunPackage(const std::string& exe, const std::string& dir, const Installed& expected,
               std::string* detail) {
    InstallerRun run(exe, dir);
    run.StartInstallation();
    if (::testing::Test::HasFatalFailure() || !run.WaitForWizardBack()) {
        *detail = "the installation did not end";
        return End::kWrong;
    }
    if (Shows(run.Wizard(), kLabelError)) {
        const bool crc = Shows(run.Wizard(), Report(kErrorCRC));
        const bool memory = Shows(run.Wizard(), Report(kErrorNEM));
        *detail = crc ? kErrorCRC : memory ? kErrorNEM : "an error page without the report";
        run.Finish(kCancel);
        return crc || memory ? End::kReported : End::kWrong;
    }
    run.Finish(kDone);
    for (const auto& [path, bytes] : expected.files) {
        if (ReadFileBytes(expected.target + "\\" + path) != bytes) {
            *detail = path + " installed with other bytes";
            return End::kWrong;
        }
    }
    *detail = "installed, every file right";
    return End::kInstalled;
}

// The package as built installs and uninstalls; every damage to the block, its header or the
// compression key ends on the damaged-package report (or, for a dictionary size changed
// within the limit, on the memory report or a right installation). The normal run takes a
// few cases; NUVEX_ROBUST_FULL=1 takes 100 flipped bytes and 12 cuts and prints the figures
// (bench/robustness/lzma.sh).
TEST(LzmaPackage, InstallsThroughTheWizardAndEveryDamageIsReported) {
    const std::string dir = TestWorkDir();
    DeleteUninstallEntry();
    const BuiltLzmaPackage built = ReadBuilt();
    ASSERT_FALSE(built.payload.empty());
    ASSERT_EQ(built.payload.compare(0, 4, "NXLZ"), 0);
    const std::string sample = WindowsPath(NUVEX_SAMPLE_DIR) + "\\product\\";
    Installed expected;
    expected.target = dir + "\\lz\\App";
    for (const char* file : {"SampleEdit.exe", "readme.txt", "licence.txt", "docs\\index.txt",
                             "docs\\guide\\getting-started.txt", "docs\\guide\\shortcuts.txt",
                             "samples\\letter.txt", "samples\\shopping-list.txt"}) {
        expected.files.push_back({file, ReadFileBytes(sample + file)});
    }
    expected.files.push_back({"nuvex.exe", ReadFileBytes(StubPath())});

    struct Case {
        std::string name;
        std::string compression;  // the header line
        std::string payload;
        bool mayInstall;  // a flip the decoder cannot see (a size field, the end mark's bits)
        bool fast;        // part of the normal run
    };
    const std::string& good = built.payload;
    const std::size_t size = good.size();
    auto flipped = [&](std::size_t at, unsigned char mask) {
        std::string p = good;
        p[at] = static_cast<char>(p[at] ^ mask);
        return p;
    };
    std::string bigDictionary = good;
    bigDictionary.replace(6, 4, std::string("\x00\x00\x00\x08", 4));  // 128 MiB
    std::vector<Case> cases = {
        {"a byte of the LZMA data flipped", "Compression=lzma", flipped(size / 2, 1), false, true},
        {"a dictionary past the limit", "Compression=lzma", bigDictionary, false, true},
        {"the block cut short", "Compression=lzma", good.substr(0, size - 7), false, true},
        {"a compression this installer does not know", "Compression=lzmb", good, false, true},
        {"no compression key: zlib streams expected", "Creator=x", good, false, true},
    };
    std::mt19937 random(20261207);
    std::uniform_int_distribution<std::size_t> position(0, size - 1);
    std::uniform_int_distribution<int> mask(1, 255);
    for (int i = 0; i < 100; ++i) {
        const std::size_t at = position(random);
        // Header bytes 6..13 are the dictionary and the decoded size, which may change
        // without harm; so may the last bytes, where the end mark's bits lie.
        const bool sizeField = at >= 6 && at < 14;
        cases.push_back({"payload byte " + std::to_string(at), "Compression=lzma",
                         flipped(at, static_cast<unsigned char>(mask(random))),
                         sizeField || at + 8 >= size, i < 2});
    }
    for (int i = 1; i <= 12; ++i) {
        cases.push_back({"cut to " + std::to_string(size * i / 13) + " payload bytes",
                         "Compression=lzma", good.substr(0, size * i / 13), false, i == 6});
    }

    auto packageOf = [&](const std::string& compression, const std::string& payload) {
        std::vector<std::string> script = {compression};
        for (const std::string& line :
             ComponentLines(ScriptHead(dir + "\\lz", "true", "window"), built.entries)) {
            script.push_back(line);
        }
        const std::string exe = dir + "\\setup-lzma.exe";
        MakePackage(exe, script, payload);
        RemoveTree(dir + "\\lz");
        return exe;
    };

    // As built: installed through the wizard, every file right, then removed.
    {
        std::string detail;
        ASSERT_EQ(RunPackage(packageOf("Compression=lzma", good), dir, expected, &detail),
                  End::kInstalled)
            << detail;
        EXPECT_EQ(Logged(expected.target + "\\uninst.ini", "file").size(), expected.files.size());
        EXPECT_TRUE(RunUninstaller(expected.target));
        for (const auto& [path, bytes] : expected.files) {
            EXPECT_FALSE(FileExists(expected.target + "\\" + path)) << path;
        }
        EXPECT_FALSE(UninstallEntryExists());
    }

    const bool full = FullRun();
    int tried = 0, reported = 0, unharmed = 0, wrong = 0;
    for (const Case& c : cases) {
        if (!full && !c.fast) {
            continue;
        }
        SCOPED_TRACE(c.name);
        std::string detail;
        const End end = RunPackage(packageOf(c.compression, c.payload), dir, expected, &detail);
        DeleteUninstallEntry();
        ++tried;
        if (end == End::kReported) {
            ++reported;
        } else if (end == End::kInstalled && c.mayInstall) {
            ++unharmed;
        } else {
            ADD_FAILURE() << detail;
            ++wrong;
        }
        if (full) {
            std::printf("  %-44s %s\n", c.name.c_str(), detail.c_str());
        }
    }
    std::printf("damaged LZMA packages: tried %d, reported %d, missed %d (unharmed %d)\n", tried,
                reported, wrong, unharmed);
}

}  // namespace
}  // namespace nuvex::test

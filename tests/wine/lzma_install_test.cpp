// LZMA packages in the real installer. The host's nuvexpack builds the package (the Windows
// build has no liblzma) from examples/sample/product and nuvex.exe, a real PE that goes
// through the branch filter (lzma_package.cmake); the test keeps its payload and entry
// keys and puts its own wizard script around them, as offsets count from the payload. One
// run installs through the wizard, compares every file and uninstalls; the others damage the
// block, its header or the compression key, and must end on the damaged-package report.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
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

TEST(LzmaPackage, InstallsThroughTheWizardAndEveryDamageIsReported) {
    const std::string dir = TestWorkDir();
    DeleteUninstallEntry();
    const BuiltLzmaPackage built = ReadBuilt();
    ASSERT_FALSE(built.payload.empty());
    ASSERT_EQ(built.payload.compare(0, 4, "NXLZ"), 0);
    const std::string sample = WindowsPath(NUVEX_SAMPLE_DIR) + "\\product\\";
    const char* files[] = {"SampleEdit.exe", "readme.txt", "licence.txt", "docs\\index.txt",
                           "docs\\guide\\getting-started.txt", "docs\\guide\\shortcuts.txt",
                           "samples\\letter.txt", "samples\\shopping-list.txt"};

    struct Case {
        const char* name;
        std::string compression;  // the header line
        std::size_t flipAt;       // a payload byte changed, 0 for none
        std::string dictionary;   // the header's dictionary size, empty to keep it
        std::size_t cutTo;        // the payload's new length, 0 to keep it
        bool installs;
    };
    const std::size_t size = built.payload.size();
    const Case cases[] = {
        {"as built", "Compression=lzma", 0, "", 0, true},
        {"a byte of the LZMA data flipped", "Compression=lzma", size / 2, "", 0, false},
        {"a dictionary past the limit", "Compression=lzma", 0, std::string("\x00\x00\x00\x08", 4), 0, false},
        {"the block cut short", "Compression=lzma", 0, "", size - 7, false},
        {"a compression this installer does not know", "Compression=lzmb", 0, "", 0, false},
        {"no compression key: zlib streams expected", "Creator=x", 0, "", 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string payload = built.payload;
        if (c.flipAt != 0) {
            payload[c.flipAt] = static_cast<char>(payload[c.flipAt] ^ 0x01);
        }
        if (!c.dictionary.empty()) {
            payload.replace(6, 4, c.dictionary);
        }
        if (c.cutTo != 0) {
            payload.resize(c.cutTo);
        }
        std::vector<std::string> script = {c.compression};
        for (const std::string& line :
             ComponentLines(ScriptHead(dir + "\\lz", "true", "window"), built.entries)) {
            script.push_back(line);
        }
        const std::string exe = dir + "\\setup-lzma.exe";
        MakePackage(exe, script, payload);
        RemoveTree(dir + "\\lz");
        const std::string target = dir + "\\lz\\App";

        InstallerRun run(exe, dir);
        ASSERT_NO_FATAL_FAILURE(run.StartInstallation());
        if (!c.installs) {
            run.ExpectErrorPage(Report(kErrorCRC));
            DeleteUninstallEntry();
            continue;
        }
        run.ExpectDonePage();
        for (const char* file : files) {
            EXPECT_EQ(ReadFileBytes(target + "\\" + file), ReadFileBytes(sample + file)) << file;
        }
        EXPECT_EQ(ReadFileBytes(target + "\\nuvex.exe"), ReadFileBytes(StubPath()));
        EXPECT_EQ(Logged(target + "\\uninst.ini", "file").size(), std::size(files) + 1);
        EXPECT_TRUE(RunUninstaller(target));
        for (const char* file : files) {
            EXPECT_FALSE(FileExists(target + "\\" + file)) << file;
        }
        EXPECT_FALSE(FileExists(target + "\\nuvex.exe"));
        EXPECT_FALSE(UninstallEntryExists());
    }
}

}  // namespace
}  // namespace nuvex::test

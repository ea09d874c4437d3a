// The Windows build of the package builder, nuvexpack.exe, run as a Windows program: it must
// build the sample byte for byte as the Linux build does with --zlib, with one compression
// thread and with several, and list, verify and extract packages named by Windows paths
// (drive letters, backslashes, blanks).
//
// Under qemu-user (NUVEX_UNDER_QEMU, where the kernel cannot run 32-bit programs) a Wine
// process breaks (crashes, hangs, or ends with code 0 having written nothing) as soon as two
// threads it created run at the same time, whatever creates them; the main thread and one
// other run fine. Two jobs are the main thread and one compression thread, so there up to
// two jobs are tried, and every build is judged by the file it leaves too.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "package_fixture.h"

namespace nuvex::test {
namespace {

const std::string kSampleDir = WindowsPath(NUVEX_SAMPLE_DIR);
const std::string kReference = WindowsPath(NUVEX_REFERENCE_PACKAGE);

struct PackRun {
    DWORD code = 255;
    std::string output;  // stdout and stderr together
};

// Runs nuvexpack.exe with `args`, at most two minutes.
PackRun Pack(const std::string& args, const std::string& logPath) {
    PackRun run;
    RunPackageBuilder(args, logPath, &run.code);
    run.output = ReadFileBytes(logPath);
    return run;
}

std::string Quote(const std::string& s) { return "\"" + s + "\""; }

std::string BuildArgs(const std::string& out, int jobs) {
    return "build " + Quote(kSampleDir + "\\setup.ini") + " --source " +
           Quote(kSampleDir + "\\product") + " --stub " + Quote(StubPath()) + " -o " + Quote(out) +
           " --zlib --quiet --jobs " + std::to_string(jobs);
}

// Built in a folder with blanks by every job count, then listed, verified and extracted there.
TEST(WindowsBuilder, BuildsTheSampleAsLinuxDoesAndReadsItByWindowsPaths) {
    const std::string reference = ReadFileBytes(kReference);
    ASSERT_FALSE(reference.empty()) << "no reference package " << kReference;
    const std::string dir = TestWorkDir() + "\\with blanks";
    CreateDirectoryA(dir.c_str(), nullptr);
    const std::string package = dir + "\\setup.exe";
    // The writing thread compresses too: N jobs are the main thread and N - 1 more.
    const std::vector<int> jobCounts =
        NUVEX_UNDER_QEMU ? std::vector<int>{1, 2} : std::vector<int>{1, 2, 4};
    for (int jobs : jobCounts) {
        SCOPED_TRACE("--jobs " + std::to_string(jobs));
        DeleteFileA(package.c_str());
        PackRun run = Pack(BuildArgs(package, jobs), dir + "\\build.log");
        ASSERT_EQ(0u, run.code) << run.output;
        ASSERT_TRUE(FileExists(package)) << run.output;
        EXPECT_TRUE(ReadFileBytes(package) == reference) << "expected the bytes of " << kReference;
    }
    std::string damaged = ReadFileBytes(package);
    damaged[damaged.size() - 10] ^= 0x55;  // inside the last payload stream
    const std::string damagedPath = dir + "\\damaged.exe";
    ASSERT_TRUE(WriteFileBytes(damagedPath, damaged));

    struct Case {
        const char* what;
        std::string args;
        DWORD code;
        std::vector<std::string> printed;
    };
    const Case cases[] = {
        {"list",
         "list " + Quote(package),
         0,
         {"Sample Editor 2.1", "docs\\guide\\getting-started.txt", "Samples\\Shopping list.txt"}},
        {"verify", "verify " + Quote(package), 0, {"all good"}},
        {"verify a damaged copy", "verify " + Quote(damagedPath), 1, {"bad:"}},
        {"extract",
         "extract " + Quote(package) + " " + Quote(dir + "\\extracted here"),
         0,
         {"8 files"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PackRun run = Pack(c.args, dir + "\\run.log");
        EXPECT_EQ(c.code, run.code) << run.output;
        for (const std::string& text : c.printed) {
            EXPECT_NE(std::string::npos, run.output.find(text))
                << "expected \"" << text << "\" in: " << run.output;
        }
    }

    // Extracted files hold what the product folder holds, under their destination names.
    const struct {
        const char* extracted;
        const char* source;
    } files[] = {
        {"SampleEdit.exe", "SampleEdit.exe"},
        {"docs\\guide\\getting-started.txt", "docs\\guide\\getting-started.txt"},
        {"Samples\\Shopping list.txt", "samples\\shopping-list.txt"},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.extracted);
        const std::string expected = ReadFileBytes(kSampleDir + "\\product\\" + f.source);
        ASSERT_FALSE(expected.empty());
        EXPECT_TRUE(ReadFileBytes(dir + "\\extracted here\\" + f.extracted) == expected);
    }
}

}  // namespace
}  // namespace nuvex::test

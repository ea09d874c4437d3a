// Packages a product maker never builds: scripts with hostile entry values, and downloads cut
// short or with a flipped byte. Each case starts the real installer once and must end on a
// start-up message, the error page or the done page with exactly the right files, never
// writing outside its folders. With NUVEX_ROBUST_FULL=1 the same tests run the full counts
// and print their figures (bench/robustness.sh).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "driver.h"
#include "install_session.h"
#include "package_fixture.h"

namespace nuvex::test {
namespace {

// A built package taken apart at its script and end marker. Offsets in the script count
// from the payload, so a script of another length keeps every stream valid.
struct PackageParts {
    std::string stub, script, payload;

    explicit PackageParts(const std::string& built) {
        const std::size_t start = built.find(HeaderText());
        const std::size_t marker = built.find("[/", start);
        const std::size_t base = PayloadBase(built);
        stub = built.substr(0, start);
        script = built.substr(start, marker - start);
        payload = built.substr(base);
    }
    std::string Assemble() const { return stub + script + "[/END]" + payload; }

    // The value of the first line `key`=..., empty when there is none.
    std::string Value(const std::string& key) const {
        const std::size_t at = script.find("\r\n" + key + "=");
        if (at == std::string::npos) {
            return "";
        }
        const std::size_t from = at + key.size() + 3;
        return script.substr(from, script.find("\r\n", from) - from);
    }
    uint32_t Number(const std::string& key) const {
        return static_cast<uint32_t>(std::strtoul(Value(key).c_str(), nullptr, 10));
    }
    // Replaces the value of `key`, or adds the line to the last section, [Component0].
    void Set(const std::string& key, const std::string& value) {
        const std::size_t at = script.find("\r\n" + key + "=");
        if (at == std::string::npos) {
            script += key + "=" + value + "\r\n";
            return;
        }
        const std::size_t from = at + key.size() + 3;
        script.replace(from, script.find("\r\n", from) - from, value);
    }
};

// The three payload files of the package: different sizes and contents, so that another
// file's crc or stream is always the wrong one.
struct Source {
    const char* name;
    std::string bytes;
};
std::vector<Source> ThreeSources(const std::string& dir) {
    std::vector<Source> sources = {{"a.txt", SampleText(30000, 21)},
                                   {"b.txt", SampleText(20000, 22)},
                                   {"c.txt", SampleText(6000, 23)}};
    MakeFolders(dir + "\\src");
    for (const Source& s : sources) {
        EXPECT_TRUE(WriteFileBytes(dir + "\\src\\" + s.name, s.bytes));
    }
    return sources;
}

std::string BuildThreeFilePackage(const std::string& dir, const std::string& instDir,
                                  const char* includeUninst) {
    const std::vector<std::string> script =
        ComponentLines(ScriptHead(instDir, includeUninst, "window"),
                       {"file0000=a.txt", "file0001=b.txt", "file0002=c.txt"});
    return ReadFileBytes(BuildInstaller(dir, script));
}

// Every name below `dir`, down to `depth` levels, as full paths.
std::set<std::string> Names(const std::string& dir, int depth) {
    std::vector<std::string> names;
    ListTree(dir, dir + "\\", &names, depth);
    return {names.begin(), names.end()};
}

// What a hostile value could reach: the test folder, the drive's root, the Windows and
// system folders, and the folders around the Start menu group and the desktop.
std::set<std::string> Surroundings(const std::string& dir) {
    std::set<std::string> names = Names(dir, 8);
    for (const std::string& folder :
         {std::string("C:"), WindowsFolder(), SystemFolder(), ShellFolder(CSIDL_STARTMENU),
          ShellFolder(CSIDL_PROGRAMS), ShellFolder(CSIDL_DESKTOPDIRECTORY) + "\\.."}) {
        names.merge(Names(folder, 1));
    }
    return names;
}

bool Below(const std::string& path, const std::string& folder) {
    return path.compare(0, folder.size() + 1, folder + "\\") == 0;
}

// Item edits of one row, applied to [Component0] of the built package.
using Edits = std::vector<std::pair<std::string, std::string>>;

// Bad values in the script of a good package, one row each. A value that leads out of its
// folder is refused as a damaged package; a path too long or empty is passed over like a
// file that cannot be created; every other value ends in the report that its failure gives.
TEST(HostileScript, EveryBadValueEndsOnAReportOrTheRightFiles) {
    const std::string dir = TestWorkDir();
    const std::vector<Source> sources = ThreeSources(dir);
    const PackageParts built(BuildThreeFilePackage(dir, dir + "\\r00", "true"));
    ASSERT_FALSE(built.stub.empty());
    ASSERT_EQ(built.script.substr(built.script.size() - 2), "\r\n");
    const std::string group = ShellFolder(CSIDL_PROGRAMS) + "\\" + kProduct;
    DeleteUninstallEntry();

    const std::string pastEnd = std::to_string(built.payload.size() + 1);
    struct Row {
        const char* name;
        Edits edits;
        const char* report;     // nullptr: the done page
        const char* installed;  // which of a, b, c end up in the target folder
        bool fast;              // in the normal test; the full run takes every row
    };
    auto streamOf = [&](const std::string& entry, const std::string& from) {
        Edits edits;
        for (const char* suffix : {"length", "origlen", "crc", "offset"}) {
            edits.push_back({entry + suffix, built.Value(from + suffix)});
        }
        return edits;
    };
    auto with = [](Edits edits, const Edits& more) {
        edits.insert(edits.end(), more.begin(), more.end());
        return edits;
    };
    const Row rows[] = {
        {"length 0", {{"file0001length", "0"}}, kErrorNEM, "a", true},
        {"length 4294967295", {{"file0001length", "4294967295"}}, kErrorCRC, "a", true},
        {"length -1", {{"file0001length", "-1"}}, kErrorCRC, "a", false},
        {"origlen 0", {{"file0001origlen", "0"}}, kErrorNEM, "a", false},
        {"origlen 4294967295", {{"file0001origlen", "4294967295"}}, kErrorNEM, "a", true},
        {"origlen -1", {{"file0001origlen", "-1"}}, kErrorNEM, "a", false},
        {"origlen far smaller", {{"file0001origlen", "100"}}, kErrorNEM, "a", false},
        // Offset 0 is the first stream, longer than the length of the second entry allows.
        {"offset 0", {{"file0001offset", "0"}}, kErrorNEM, "a", false},
        {"offset 4294967295", {{"file0001offset", "4294967295"}}, kErrorCRC, "a", true},
        {"offset -1", {{"file0001offset", "-1"}}, kErrorCRC, "a", false},
        {"offset past the end", {{"file0001offset", pastEnd}}, kErrorCRC, "a", false},
        {"crc of another file",
         {{"file0001crc", built.Value("file0000crc")}},
         kErrorCRC,
         "a",
         false},
        {"stream of another entry",
         {{"file0001offset", built.Value("file0002offset")},
          {"file0001length", built.Value("file0002length")}},
         kErrorCRC,
         "a",
         false},
        {"dir climbing out", {{"dir0000", "..\\escape"}}, kErrorCRC, "", true},
        {"file climbing out", {{"file0001", "sub\\..\\..\\escape.txt"}}, kErrorCRC, "a", false},
        {"win climbing out",
         with({{"win0000", "..\\nuvex-escape.txt"}}, streamOf("win0000", "file0002")), kErrorCRC,
         "abc", true},
        {"sys climbing out",
         with({{"sys0000", "..\\..\\nuvex-escape.txt"}}, streamOf("sys0000", "file0002")),
         kErrorCRC, "abc", false},
        // Passed over, and the installation goes on: an empty value (which ends the count but
        // not the extraction), and shortcuts leading out of their folders. An origlen far
        // larger than the file costs memory only. (A path too long is asked about: see the
        // hostile environment tests.)
        {"origlen far larger, empty value, shortcuts climbing out",
         with(with({{"file0000origlen", "100000000"}, {"file0002", ""}, {"file0003", "c.txt"}},
                   streamOf("file0003", "file0002")),
              {{"startdir00", "..\\..\\nuvex-escape"},
               {"start00", "a.txt"},
               {"start00title", "..\\..\\nuvex-escape-link"},
               {"desktop00", "a.txt"},
               {"desktop00title", "..\\nuvex-escape-desk"}}),
         nullptr, "abc", true},
    };
    int number = 0;
    for (const Row& row : rows) {
        if (!row.fast && !FullRun()) {
            continue;
        }
        SCOPED_TRACE(row.name);
        char folder[8];
        std::snprintf(folder, sizeof folder, "r%02d", ++number);
        PackageParts package = built;
        package.Set("szInstDir", dir + "\\" + folder);
        for (const auto& [key, value] : row.edits) {
            package.Set(key, value);
        }
        const std::string exe = dir + "\\setup-" + folder + ".exe";
        ASSERT_TRUE(WriteFileBytes(exe, package.Assemble()));
        const std::string target = dir + "\\" + folder + "\\App";
        const std::set<std::string> before = Surroundings(dir);

        InstallerRun run(exe, dir);
        ASSERT_NO_FATAL_FAILURE(run.StartInstallation());
        if (row.report) {
            run.ExpectErrorPage(Report(row.report));
        } else {
            run.ExpectDonePage();
        }

        // The target holds exactly the expected files, each byte for byte.
        std::set<std::string> expected = {target + "\\uninst.exe", target + "\\uninst.ini"};
        for (const char* c = row.installed; *c; ++c) {
            const Source& s = sources[*c - 'a'];
            expected.insert(target + "\\" + s.name);
            EXPECT_EQ(ReadFileBytes(target + "\\" + s.name), s.bytes) << s.name;
        }
        EXPECT_EQ(Names(target, 8), expected);

        // Nothing new elsewhere but the target folder and the Start menu group (the script
        // copy is gone with its process); nothing logged outside the target.
        for (const std::string& path : Surroundings(dir)) {
            if (!before.count(path) && path != target && !Below(path, target) &&
                path != dir + "\\" + folder && path != group) {
                ADD_FAILURE() << "written outside the target: " << path;
            }
        }
        for (const std::string& line : LogLines(target + "\\uninst.ini")) {
            if (line.rfind("file", 0) == 0 || line.rfind("dir", 0) == 0) {
                const std::string path = line.substr(line.find('=') + 1);
                EXPECT_TRUE(path == target || Below(path, target)) << line;
                EXPECT_EQ(path.find(".."), std::string::npos) << line;
            }
        }
        RemoveTree(group);
        DeleteUninstallEntry();
    }
}

// A family as long as the numbering allows ends in bounded time with every file in place.
// The profile functions look every key up from the start of its section, so the run grows
// with the square of the count: the normal test installs 400 entries, the full run 9,999.
TEST(HostileScript, AFamilyOf9999EntriesEndsInBoundedTime) {
    const std::string dir = TestWorkDir();
    const std::vector<Source> sources = ThreeSources(dir);
    PackageParts package(BuildThreeFilePackage(dir, dir + "\\many", "true"));
    ASSERT_FALSE(package.stub.empty());
    const int count = FullRun() ? 9999 : 400;
    // Every further entry is a copy of c.txt, in a folder of its own.
    package.Set("dir0000", "many");
    for (int i = 3; i < count; ++i) {
        char key[16], name[32];
        std::snprintf(key, sizeof key, "file%04d", i);
        std::snprintf(name, sizeof name, "many\\f%04d.txt", i);
        package.script += std::string(key) + "=" + name + "\r\n";
        for (const char* suffix : {"length", "origlen", "crc", "offset"}) {
            package.script += std::string(key) + suffix + "=" +
                              package.Value(std::string("file0002") + suffix) + "\r\n";
        }
    }
    const std::string exe = dir + "\\setup-many.exe";
    ASSERT_TRUE(WriteFileBytes(exe, package.Assemble()));
    DeleteUninstallEntry();

    const DWORD start = GetTickCount();
    InstallerRun run(exe, dir);
    ASSERT_NO_FATAL_FAILURE(run.StartInstallation());
    ASSERT_TRUE(WaitUntil([&] { return run.WaitForWizardBack(); }, 3600000))
        << "the installation did not end";
    run.ExpectDonePage();
    const DWORD seconds = (GetTickCount() - start) / 1000;
    std::printf("hostile script: %d entries installed in %lu s\n", count,
                static_cast<unsigned long>(seconds));

    const std::string target = dir + "\\many\\App";
    EXPECT_EQ(Names(target + "\\many", 1).size(), static_cast<std::size_t>(count - 3));
    char last[32];
    std::snprintf(last, sizeof last, "\\many\\f%04d.txt", count - 1);
    EXPECT_EQ(ReadFileBytes(target + last), sources[2].bytes);
    DeleteUninstallEntry();
}

// How a damaged download ended. Only the first three are reports; a done page with every
// file byte for byte the source counts as unharmed (a flip of bits that inflation never
// reads, such as the padding after a stream's last code), any other end as missed.
enum class Outcome { kRefusedToStart, kStartupMessage, kErrorPage, kUnharmed, kMissed };

struct CaseEnd {
    Outcome outcome;
    std::string detail;
};

CaseEnd RunDamaged(const std::string& exe, const std::string& dir, const std::string& target,
                   const std::vector<Source>& sources) {
    InstallerRun run(exe, dir);
    if (run.Id() == 0) {
        return {Outcome::kRefusedToStart, "the system refuses to start it"};
    }
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, run.Id());
    HWND box = nullptr, wizard = nullptr;
    bool exited = false;
    const bool settled = WaitUntil([&] {
        box = FindProcessWindow(run.Id(), "#32770");
        wizard = FindProcessWindow(run.Id(), "WizardWindow");
        exited = process && WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
        return (box && IsWindowVisible(box)) || (wizard && IsWindowVisible(wizard)) || exited;
    });
    DWORD code = 0;
    if (exited) {
        GetExitCodeProcess(process, &code);
    }
    if (process) {
        CloseHandle(process);
    }
    if (!settled) {
        return {Outcome::kMissed, "neither a message nor the wizard"};
    }
    if (exited) {
        return {Outcome::kMissed, "ended at start-up with code " + std::to_string(code)};
    }
    if (box) {
        const MessageBoxInfo info = WaitForMessageBox(run.Id());
        PressMessageBoxButton(info.window, IDOK);
        return {Outcome::kStartupMessage, info.text};
    }
    run.StartInstallation();
    if (!run.WaitForWizardBack()) {
        return {Outcome::kMissed, "the installation did not end"};
    }
    if (Shows(run.Wizard(), kLabelError)) {
        std::string detail = "plain error page";
        for (const char* text : {kErrorCRC, kErrorNEM, kErrorNES}) {
            if (Shows(run.Wizard(), Report(text))) {
                detail = text;
            }
        }
        run.Finish(kCancel);
        return {Outcome::kErrorPage, detail};
    }
    run.Finish(kDone);
    for (const Source& s : sources) {
        if (ReadFileBytes(target + "\\" + s.name) != s.bytes) {
            return {Outcome::kMissed, std::string("done page with a wrong ") + s.name};
        }
    }
    return {Outcome::kUnharmed, "done page, every file right"};
}

// A download cut at 20 points and changed in single bytes at 200 payload positions (fixed
// seed): every case must be reported at start-up or on the error page. The normal test runs
// 4 cuts and 4 flips; the full run all 220 and prints the figures.
TEST(DamagedDownload, EveryCutAndFlippedByteIsReported) {
    const std::string dir = TestWorkDir();
    const std::vector<Source> sources = ThreeSources(dir);
    const std::string package = BuildThreeFilePackage(dir, dir + "\\dmg", "false");
    const PackageParts parts(package);
    ASSERT_FALSE(parts.stub.empty());
    const std::string target = dir + "\\dmg\\App";

    const std::size_t s = parts.stub.size();
    const std::size_t e = s + parts.script.size();
    const std::size_t p = e + std::string("[/END]").size();
    struct Damage {
        std::string where;
        std::size_t cut;  // the file's new length, or 0 for a flip
        std::size_t at;
        unsigned char mask;
        bool fast;
    };
    std::vector<Damage> cases;
    auto cut = [&](const std::string& where, std::size_t length, bool fast) {
        cases.push_back({where, length, 0, 0, fast});
    };
    cut("stub, in the headers", 512, false);
    cut("stub, a third", s / 3, true);
    cut("stub, two thirds", 2 * s / 3, false);
    cut("stub, its last byte", s - 1, false);
    cut("script, in the header", s + 3, false);
    cut("script, a third", s + parts.script.size() / 3, true);
    cut("script, two thirds", s + 2 * parts.script.size() / 3, false);
    cut("script, its last byte", e - 1, false);
    cut("marker, after [", e + 1, false);
    cut("marker, in the name", e + 3, true);
    cut("marker, before ]", e + 5, false);
    cut("marker, nothing behind it", p, false);
    for (int i = 0; i < 3; ++i) {
        const std::string entry = "file000" + std::to_string(i);
        const std::size_t offset = p + parts.Number(entry + "offset");
        const std::size_t length = parts.Number(entry + "length");
        cut("stream " + std::to_string(i) + ", its zlib header", offset + 1, false);
        cut("stream " + std::to_string(i) + ", its middle", offset + length / 2, i == 1);
        if (i != 1) {
            cut("stream " + std::to_string(i) + ", its last byte", offset + length - 1, false);
        }
    }
    std::mt19937 random(20261207);
    std::uniform_int_distribution<std::size_t> position(p, package.size() - 1);
    std::uniform_int_distribution<int> mask(1, 255);
    for (int i = 0; i < 200; ++i) {
        const std::size_t at = position(random);
        cases.push_back({"payload byte " + std::to_string(at - p), 0, at,
                         static_cast<unsigned char>(mask(random)), i < 4});
    }

    const bool full = FullRun();
    std::map<std::string, int> how;
    int tried = 0, detected = 0, unharmed = 0, missed = 0;
    for (const Damage& c : cases) {
        if (!full && !c.fast) {
            continue;
        }
        SCOPED_TRACE(c.where);
        std::string damaged = package;
        if (c.cut) {
            damaged.resize(c.cut);
        } else {
            damaged[c.at] = static_cast<char>(damaged[c.at] ^ c.mask);
        }
        const std::string exe = dir + "\\setup-damaged.exe";
        ASSERT_TRUE(WriteFileBytes(exe, damaged));
        RemoveTree(dir + "\\dmg");
        const CaseEnd end = RunDamaged(exe, dir, target, sources);
        ++tried;
        ++how[end.detail];
        switch (end.outcome) {
            case Outcome::kRefusedToStart:
            case Outcome::kStartupMessage:
            case Outcome::kErrorPage:
                ++detected;
                break;
            case Outcome::kUnharmed:
                // Only a changed byte can leave every file right; a cut never may.
                EXPECT_EQ(c.cut, 0u) << "a cut package installed";
                ++(c.cut ? missed : unharmed);
                break;
            case Outcome::kMissed:
                ADD_FAILURE() << end.detail;
                ++missed;
                break;
        }
        if (full) {
            std::printf("  %-32s %s\n", c.where.c_str(), end.detail.c_str());
        }
    }
    std::printf("damaged downloads: tried %d, detected %d, missed %d", tried, detected, missed);
    std::printf(" (unharmed %d;", unharmed);
    for (const auto& [detail, count] : how) {
        std::printf(" %s: %d;", detail.c_str(), count);
    }
    std::printf(")\n");
    EXPECT_EQ(missed, 0);
}

}  // namespace
}  // namespace nuvex::test

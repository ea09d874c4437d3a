// Work folders, a fake stub, hand-made packages and a build helper for the nuvexpack tests.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "builder.h"
#include "diagnostics.h"
#include "file_io.h"

namespace nuvex::pack::test {

void WriteBytes(const fs::path& path, const std::string& bytes);
// Every regular file below `root`, by path with "/"; empty when `root` does not exist.
std::map<std::string, std::string> Files(const fs::path& root);

// Pseudo-random bytes with "[" and near misses of the package header, never the header.
std::string FakeStub(std::size_t size = 4096);
// The smallest Windows program osslsigncode signs: MZ and PE32 headers and one section.
std::string MinimalPe();
// Fixed pseudo-random text that compresses to about half.
std::string SampleContent(std::size_t size, unsigned seed);
// Lines joined with CR LF.
std::string Script(std::initializer_list<std::string> lines);
// [Components] with one component, [Component0], holding `lines` (from line 4 on).
std::string Component(std::initializer_list<std::string> lines);
// The value of `key=` on a line of its own in `script`; empty when absent.
std::string ScriptValue(const std::string& script, const std::string& key);

struct CliResult {
    int exitCode = -1;
    std::string output;  // stdout and stderr together
};
CliResult RunShell(const std::string& command);
// Runs the real nuvexpack with `args`; `env` goes before it ("PATH=/x").
CliResult RunTool(const std::string& args, const std::string& env = {});

// Where each part of a package starts, found with nothing but string search: the first
// header, and the payload after the "]" of the first "[/".
struct RawPackage {
    std::size_t scriptOffset = std::string::npos, payloadBase = std::string::npos;
    std::string script, payload;
};
RawPackage SplitPackage(const std::string& package);

// A payload entry of a package put together by hand, as a damaged or hostile one could be.
struct HandEntry {
    std::string key, dest, bytes;  // "file0000", its value, its content
};
// FakeStub(), a script with the entries in [Component0] (`extraScript` after them),
// "[/END]" and the streams end to end.
std::string HandMadePackage(const std::vector<HandEntry>& entries,
                            const std::string& extraScript = {});

struct BuildRun {
    bool ok = false;
    Diagnostics diag;
    std::string package;  // the output's bytes, empty when there is none

    std::string Messages() const;
    bool Has(Severity severity, const std::string& text, int line = -1) const;
};

class PackTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    fs::path Source(const std::string& relative, const std::string& bytes);
    // Names in the test folder besides src/, setup.ini, stub.exe and `expected`: a temporary
    // file or work folder left behind, or an output that should not be there.
    std::set<std::string> Strays(std::set<std::string> expected = {}) const;
    // Writes setup.ini and builds out.exe from src/ with the fake stub.
    BuildRun Build(const std::string& script,
                   const std::function<void(BuildOptions&)>& tweak = nullptr);

    fs::path dir_, src_, stub_, script_, output_;
};

}  // namespace nuvex::pack::test

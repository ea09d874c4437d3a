// Work folders, a fake stub and a build helper for the nuvexpack tests.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "builder.h"
#include "diagnostics.h"
#include "file_io.h"
#include "ini_document.h"

namespace nuvex::pack::test {

std::string ReadBytes(const fs::path& path);
void WriteBytes(const fs::path& path, const std::string& bytes);

// A few KB of fixed pseudo-random bytes with "[" scattered through them, and never the
// package header.
std::string FakeStub(std::size_t size = 4096);

// The smallest Windows program osslsigncode signs: MZ and PE32 headers and one section of
// `bodySize` filler bytes, neither the package header nor a "[" at its end.
std::string MinimalPe(std::size_t bodySize = 1024);

struct CliResult {
    int exitCode = -1;
    std::string output;  // stdout and stderr together
};
// Runs a shell command line and collects what it prints.
CliResult RunShell(const std::string& command);
// Runs the real nuvexpack with `args`; `env` goes before it ("PATH=/x").
CliResult RunTool(const std::string& args, const std::string& env = {});

// Text whose lines are joined with CR LF.
std::string Script(std::initializer_list<std::string> lines);

// Fixed pseudo-random bytes, compressible to about half: words from a small vocabulary.
std::string SampleContent(std::size_t size, unsigned seed);

struct BuildRun {
    bool ok = false;
    Diagnostics diag;
    BuildSummary summary;
    std::string package;  // the output's bytes, empty when there is none

    // Every diagnostic, one per line, for failure messages.
    std::string Messages() const;
    bool Has(Severity severity, const std::string& text, int line = -1) const;
};

// Where each part of a package starts, found with nothing but string search.
struct RawPackage {
    std::size_t scriptOffset = std::string::npos;  // first header
    std::size_t payloadBase = std::string::npos;   // after the "]" of the first "[/"
    std::string script;                            // header to end marker
    std::string payload;
};
RawPackage SplitPackage(const std::string& package);

// A payload entry of a package put together by hand, as a damaged or hostile one could be.
struct HandEntry {
    std::string key;   // "file0000"
    std::string dest;
    std::string bytes;
    int sharesStreamOf = -1;  // index of an earlier entry whose stream this one names
};

// FakeStub(), a script with the entries' keys in [Component0] (and `extraScript` after
// them), "[/END]", and the streams end to end.
std::string HandMadePackage(const std::vector<HandEntry>& entries,
                            const std::string& extraScript = {});

// The value of `key=` in `script`, on a line of its own; empty when absent.
std::string ScriptValue(const std::string& script, const std::string& key);

class PackTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes a source file below src/.
    fs::path Source(const std::string& relative, const std::string& bytes);
    // Writes setup.ini and builds out.exe from src/ with the fake stub.
    BuildRun Build(const std::string& script,
                   const std::function<void(BuildOptions&)>& tweak = nullptr);

    fs::path dir_;
    fs::path src_;
    fs::path stub_;
    fs::path script_;
    fs::path output_;
};

}  // namespace nuvex::pack::test

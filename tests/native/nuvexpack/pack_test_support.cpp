#include "pack_test_support.h"

#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>

#include "script_writer.h"

namespace nuvex::pack::test {

void WriteBytes(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    File f = File::Create(path);
    f.Write(bytes);
    f.Close();
}

std::map<std::string, std::string> Files(const fs::path& root) {
    std::map<std::string, std::string> files;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file() && !it->is_symlink()) {
            files[it->path().lexically_relative(root).generic_string()] = ReadWholeFile(it->path());
        }
    }
    return files;
}

std::string FakeStub(std::size_t size) {
    // Plenty of "[" and near misses of the header, none in the last bytes, where a partial
    // header would hide the real one.
    std::string stub = "MZ";
    for (uint32_t x = 12345; stub.size() < size - 8;) {
        x = x * 1103515245u + 12345u;
        stub += x % 50 == 0 ? "[Nuve" : x % 17 == 0 ? "[" : std::string(1, char(x >> 24));
    }
    stub.resize(size - 8);
    // What the builder asks of a stub: a PE header for i386 and the installer's title.
    stub.replace(0x3C, 4, std::string("\x40\0\0\0", 4))
        .replace(0x40, 6, std::string("PE\0\0\x4C\x01", 6));
    stub.replace(0x80, sizeof kStubTitle, std::string(kStubTitle, sizeof kStubTitle));
    return stub + "stubend.";
}

std::string MinimalPe() {
    const uint32_t kAlign = 0x200, kBody = 0x400;
    const std::size_t coff = 0x44, opt = coff + 20, section = opt + 224;
    const struct {
        std::size_t at;
        uint32_t value;
        int bytes;
    } fields[] = {{0x3C, 0x40, 4},
                  {coff, 0x14C, 2} /* i386 */,
                  {coff + 2, 1, 2} /* one section */,
                  {coff + 16, 224, 2} /* PE32 optional header, 16 directories */,
                  {coff + 18, 0x0102, 2},
                  {opt, 0x10B, 2},
                  {opt + 4, kBody, 4},
                  {opt + 16, 0x1000, 4},
                  {opt + 20, 0x1000, 4},
                  {opt + 28, 0x400000, 4},
                  {opt + 32, 0x1000, 4},
                  {opt + 36, kAlign, 4},
                  {opt + 40, 4, 2},
                  {opt + 48, 4, 2},
                  {opt + 56, 0x2000, 4},
                  {opt + 60, kAlign, 4},
                  {opt + 68, 2, 2} /* GUI */,
                  {opt + 72, 0x100000, 4},
                  {opt + 76, 0x1000, 4},
                  {opt + 80, 0x100000, 4},
                  {opt + 84, 0x1000, 4},
                  {opt + 92, 16, 4},
                  {section + 8, kBody, 4},
                  {section + 12, 0x1000, 4},
                  {section + 16, kBody, 4},
                  {section + 20, kAlign, 4},
                  {section + 36, 0x60000020, 4}};
    std::string pe(kAlign, '\0');
    for (const auto& f : fields) {
        for (int i = 0; i < f.bytes; ++i) {
            pe[f.at + i] = static_cast<char>(f.value >> (8 * i));
        }
    }
    pe.replace(0, 2, "MZ").replace(0x40, 2, "PE").replace(section, 5, ".text");
    std::string body = SampleContent(kBody, 7);
    std::replace(body.begin(), body.end(), '[', '(');
    body.replace(0, sizeof kStubTitle, std::string(kStubTitle, sizeof kStubTitle));
    return pe + body;
}

std::string SampleContent(std::size_t size, unsigned seed) {
    static const char* const kWords[] = {"alpha ", "beta\n", "install ", "\x01\x02", "zz "};
    std::string out;
    for (uint32_t x = seed * 2654435761u + 1; out.size() < size;) {
        x = x * 1664525u + 1013904223u;
        out += (x >> 8) % 7 == 0 ? std::string(1, char(x >> 24)) : kWords[(x >> 16) % 5];
    }
    out.resize(size);
    return out;
}

std::string Script(std::initializer_list<std::string> lines) {
    std::string out;
    for (const std::string& line : lines) {
        out += line + "\r\n";
    }
    return out;
}

std::string Component(std::initializer_list<std::string> lines) {
    return Script({"[Components]", "NumberOfComponents=1", "[Component0]"}) + Script(lines);
}

std::string ScriptValue(const std::string& script, const std::string& key) {
    const std::string needle = "\r\n" + key + "=";
    std::size_t at = script.find(needle);
    if (at == std::string::npos) {
        return {};
    }
    at += needle.size();
    return script.substr(at, script.find("\r\n", at) - at);
}

CliResult RunShell(const std::string& command) {
    CliResult r;
    FILE* p = popen(("(" + command + ") 2>&1").c_str(), "r");
    if (p == nullptr) {
        return r;
    }
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) {
        r.output.append(buf, n);
    }
    int status = pclose(p);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

CliResult RunTool(const std::string& args, const std::string& env) {
    return RunShell(env + (env.empty() ? "" : " ") + NUVEXPACK_BIN + " " + args);
}

RawPackage SplitPackage(const std::string& package) {
    RawPackage raw;
    raw.scriptOffset = package.find(HeaderText());
    std::size_t marker = package.find("[/", raw.scriptOffset);
    std::size_t close = marker == std::string::npos ? marker : package.find(']', marker);
    if (raw.scriptOffset != std::string::npos && close != std::string::npos) {
        raw.payloadBase = close + 1;
        raw.script = package.substr(raw.scriptOffset, raw.payloadBase - raw.scriptOffset);
        raw.payload = package.substr(raw.payloadBase);
    }
    return raw;
}

std::string HandMadePackage(const std::vector<HandEntry>& entries, const std::string& extraScript) {
    std::string script = HeaderText() + "\r\n" + Component({});
    std::string payload;
    for (const HandEntry& e : entries) {
        uLongf n = compressBound(static_cast<uLong>(e.bytes.size()));
        std::string z(n, '\0');
        const auto* in = reinterpret_cast<const Bytef*>(e.bytes.data());
        const auto size = static_cast<uInt>(e.bytes.size());
        compress2(reinterpret_cast<Bytef*>(&z[0]), &n, in, size, 9);
        script += e.key + "=" + e.dest + "\r\n" + e.key + "length=" + std::to_string(n) + "\r\n" +
                  e.key + "origlen=" + std::to_string(size) + "\r\n" + e.key +
                  "crc=" + std::to_string(adler32(1, in, size)) + "\r\n" + e.key +
                  "offset=" + std::to_string(payload.size()) + "\r\n";
        payload += z.substr(0, n);
    }
    return FakeStub() + script + extraScript + "[/END]" + payload;
}

std::string BuildRun::Messages() const {
    std::string out;
    for (const Diagnostic& d : diag.Items()) {
        out += FormatDiagnostic(d) + "\n";
    }
    return out;
}

bool BuildRun::Has(Severity severity, const std::string& text, int line) const {
    for (const Diagnostic& d : diag.Items()) {
        if (d.severity == severity && d.message.find(text) != std::string::npos &&
            (line < 0 || d.line == line)) {
            return true;
        }
    }
    return false;
}

void PackTest::SetUp() {
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(name.begin(), name.end(), '/', '_');
    // One folder per process: several checkouts may run the same tests at the same time.
    dir_ = fs::path(::testing::TempDir()) / ("nuvexpack-tests-" + std::to_string(getpid())) / name;
    fs::remove_all(dir_);
    src_ = dir_ / "src";
    fs::create_directories(src_);
    stub_ = dir_ / "stub.exe";
    script_ = dir_ / "setup.ini";
    output_ = dir_ / "out.exe";
    WriteBytes(stub_, FakeStub());
}

void PackTest::TearDown() {
    std::error_code ec;
    fs::remove_all(dir_.parent_path(), ec);
}

fs::path PackTest::Source(const std::string& relative, const std::string& bytes) {
    WriteBytes(src_ / relative, bytes);
    return src_ / relative;
}

BuildRun PackTest::Build(const std::string& script,
                         const std::function<void(BuildOptions&)>& tweak) {
    WriteBytes(script_, script);
    BuildOptions options;
    options.script = script_;
    options.output = output_;
    options.stub = stub_;
    options.sourceDir = src_;
    options.jobs = 2;
    if (tweak) {
        tweak(options);
    }
    BuildRun run;
    run.ok = BuildPackage(options, run.diag);
    if (fs::exists(options.output)) {
        run.package = ReadWholeFile(options.output);
    }
    return run;
}

std::set<std::string> PackTest::Strays(std::set<std::string> expected) const {
    expected.insert({"src", "setup.ini", "stub.exe"});
    std::set<std::string> found;
    for (const auto& e : fs::directory_iterator(dir_)) {
        if (expected.count(e.path().filename().string()) == 0) {
            found.insert(e.path().filename().string());
        }
    }
    return found;
}

}  // namespace nuvex::pack::test

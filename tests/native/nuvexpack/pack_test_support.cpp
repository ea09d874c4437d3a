#include "pack_test_support.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <zlib.h>

#include "script_writer.h"

namespace nuvex::pack::test {

std::string ReadBytes(const fs::path& path) { return ReadWholeFile(path); }

void WriteBytes(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    File f = File::Create(path);
    f.Write(bytes);
    f.Close();
}

std::string FakeStub(std::size_t size) {
    std::string stub = "MZ";
    uint32_t x = 12345;
    while (stub.size() < size) {
        x = x * 1103515245u + 12345u;
        char c = static_cast<char>(x >> 24);
        // Plenty of "[" and a few near misses of the header.
        if ((x >> 8) % 50 == 0) {
            stub += "[Nuve";
        } else if ((x >> 8) % 17 == 0) {
            stub += '[';
        } else {
            stub += c;
        }
    }
    stub.resize(size);
    // No "[" near the end, where a part of the header would hide the real one.
    for (std::size_t i = size > 8 ? size - 8 : 0; i < size; ++i) {
        if (stub[i] == '[') {
            stub[i] = 'x';
        }
    }
    return stub;
}

std::string MinimalPe(std::size_t bodySize) {
    const uint32_t kFileAlign = 0x200;
    const uint32_t body = static_cast<uint32_t>((bodySize + kFileAlign - 1) / kFileAlign * kFileAlign);
    std::string pe(kFileAlign + body, '\0');
    auto put16 = [&](std::size_t at, uint32_t v) {
        pe[at] = static_cast<char>(v & 0xFF);
        pe[at + 1] = static_cast<char>(v >> 8);
    };
    auto put32 = [&](std::size_t at, uint32_t v) {
        put16(at, v & 0xFFFF);
        put16(at + 2, v >> 16);
    };
    pe[0] = 'M';
    pe[1] = 'Z';
    put32(0x3C, 0x40);
    pe.replace(0x40, 4, std::string("PE\0\0", 4));
    const std::size_t coff = 0x44, opt = coff + 20, section = opt + 224;
    put16(coff, 0x14C);        // i386
    put16(coff + 2, 1);        // one section
    put16(coff + 16, 224);     // PE32 optional header with 16 directories
    put16(coff + 18, 0x0102);  // executable, 32-bit
    put16(opt, 0x10B);
    put32(opt + 4, body);           // size of code
    put32(opt + 16, 0x1000);        // entry point
    put32(opt + 20, 0x1000);        // base of code
    put32(opt + 28, 0x400000);      // image base
    put32(opt + 32, 0x1000);        // section alignment
    put32(opt + 36, kFileAlign);
    put16(opt + 40, 4);             // operating system version
    put16(opt + 48, 4);             // subsystem version
    put32(opt + 56, 0x1000 + (body + 0xFFF) / 0x1000 * 0x1000);  // size of image
    put32(opt + 60, kFileAlign);    // size of headers
    put16(opt + 68, 2);             // GUI
    put32(opt + 72, 0x100000);
    put32(opt + 76, 0x1000);
    put32(opt + 80, 0x100000);
    put32(opt + 84, 0x1000);
    put32(opt + 92, 16);
    pe.replace(section, 5, ".text");
    put32(section + 8, body);
    put32(section + 12, 0x1000);
    put32(section + 16, body);
    put32(section + 20, kFileAlign);
    put32(section + 36, 0x60000020);
    std::string filler = SampleContent(body, 7);
    for (char& c : filler) {
        c = c == '[' ? '(' : c;
    }
    pe.replace(kFileAlign, body, filler);
    return pe;
}

CliResult RunShell(const std::string& command) {
    CliResult r;
    FILE* p = popen((command + " 2>&1").c_str(), "r");
    if (p == nullptr) {
        return r;
    }
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) {
        r.output.append(buf, n);
    }
    int status = pclose(p);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

CliResult RunTool(const std::string& args, const std::string& env) {
    return RunShell(env + (env.empty() ? "" : " ") + NUVEXPACK_BIN + " " + args);
}

std::string Script(std::initializer_list<std::string> lines) {
    std::string out;
    for (const std::string& line : lines) {
        out += line + "\r\n";
    }
    return out;
}

std::string SampleContent(std::size_t size, unsigned seed) {
    static const char* const kWords[] = {"alpha ", "beta ", "gamma ", "delta\n", "install ",
                                         "folder ", "\x01\x02\x03", "stream ", "zz "};
    std::string out;
    uint32_t x = seed * 2654435761u + 1;
    while (out.size() < size) {
        x = x * 1664525u + 1013904223u;
        out += kWords[(x >> 16) % 9];
        if ((x >> 8) % 7 == 0) {
            out += static_cast<char>(x >> 24);
        }
    }
    out.resize(size);
    return out;
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

RawPackage SplitPackage(const std::string& package) {
    RawPackage raw;
    raw.scriptOffset = package.find(HeaderText());
    if (raw.scriptOffset == std::string::npos) {
        return raw;
    }
    std::size_t marker = package.find("[/", raw.scriptOffset);
    std::size_t close = marker == std::string::npos ? marker : package.find(']', marker);
    if (close == std::string::npos) {
        return raw;
    }
    raw.payloadBase = close + 1;
    raw.script = package.substr(raw.scriptOffset, raw.payloadBase - raw.scriptOffset);
    raw.payload = package.substr(raw.payloadBase);
    return raw;
}

std::string HandMadePackage(const std::vector<HandEntry>& entries, const std::string& extraScript) {
    std::string script =
        HeaderText() + "\r\n[Components]\r\nNumberOfComponents=1\r\n[Component0]\r\n";
    std::string payload;
    std::vector<std::string> keys;  // length, origlen, crc and offset of each entry
    for (const HandEntry& e : entries) {
        std::string own;
        if (e.sharesStreamOf >= 0) {
            own = keys[static_cast<std::size_t>(e.sharesStreamOf)];
        } else {
            uLongf n = compressBound(static_cast<uLong>(e.bytes.size()));
            std::string z(n, '\0');
            compress2(reinterpret_cast<Bytef*>(&z[0]), &n,
                      reinterpret_cast<const Bytef*>(e.bytes.data()),
                      static_cast<uLong>(e.bytes.size()), 9);
            z.resize(n);
            uLong adler = adler32(1, reinterpret_cast<const Bytef*>(e.bytes.data()),
                                  static_cast<uInt>(e.bytes.size()));
            own = "length=" + std::to_string(n) + "\noriglen=" + std::to_string(e.bytes.size()) +
                  "\ncrc=" + std::to_string(adler) + "\noffset=" + std::to_string(payload.size());
            payload += z;
        }
        keys.push_back(own);
        script += e.key + "=" + e.dest + "\r\n";
        for (const TextLine& line : SplitLines(own)) {
            script += e.key + std::string(line.text) + "\r\n";
        }
    }
    return FakeStub() + script + extraScript + "[/END]" + payload;
}

std::string ScriptValue(const std::string& script, const std::string& key) {
    std::string needle = "\r\n" + key + "=";
    std::size_t at = script.find(needle);
    if (at == std::string::npos) {
        return {};
    }
    at += needle.size();
    return script.substr(at, script.find("\r\n", at) - at);
}

void PackTest::SetUp() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    for (char& c : name) {
        if (c == '/') {
            c = '_';
        }
    }
    // One folder per process: several checkouts may run the same tests at the same time.
    dir_ = fs::path(::testing::TempDir()) / ("nuvexpack-tests-" + std::to_string(getpid())) / name;
    fs::remove_all(dir_);
    fs::create_directories(dir_);
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
    fs::path p = src_ / relative;
    WriteBytes(p, bytes);
    return p;
}

BuildRun PackTest::Build(const std::string& script, const std::function<void(BuildOptions&)>& tweak) {
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
    run.ok = BuildPackage(options, run.diag, &run.summary);
    if (fs::exists(options.output)) {
        run.package = ReadBytes(options.output);
    }
    return run;
}

}  // namespace nuvex::pack::test

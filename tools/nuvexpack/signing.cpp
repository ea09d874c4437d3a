#include "signing.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "builder.h"
#include "diagnostics.h"
#include "ini_document.h"
#include "package_reader.h"
#include "script_checks.h"

#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace nuvex::pack {

namespace {

constexpr char kSignerName[] = "osslsigncode";
// A time-stamping server that does not answer must not hold the build for ever.
constexpr int kSignerTimeoutSeconds = 300;

// A folder of our own beside the output, for the files osslsigncode writes: it refuses
// to write over an existing file, so it needs names that are free, and in a folder only
// we can write to, nobody can take them first.
class WorkFolder {
public:
    explicit WorkFolder(const fs::path& beside) {
#ifdef _WIN32
        (void)beside;
        throw PackError("signing needs the Linux build of nuvexpack");
#else
        fs::path folder = beside.parent_path();
        std::string templ = ((folder.empty() ? fs::path(".") : folder) / "~nvxXXXXXX").string();
        if (mkdtemp(&templ[0]) == nullptr) {
            throw PackError("cannot create a work folder beside " + PathText(beside) + ": " +
                            std::strerror(errno));
        }
        path_ = templ;
#endif
    }
    ~WorkFolder() {
        std::error_code ec;
        if (!path_.empty()) {
            fs::remove_all(path_, ec);
        }
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;
    fs::path operator/(const char* name) const { return path_ / name; }

private:
    fs::path path_;
};

struct ToolRun {
    int exitCode = -1;
    std::string output;  // stdout and stderr
};

// Runs a program with no input and collects what it prints, for at most `timeout` seconds.
ToolRun RunTool(const fs::path& program, const std::vector<std::string>& args) {
    ToolRun run;
#ifdef _WIN32
    (void)program;
    (void)args;
    run.output = "signing needs the Linux build of nuvexpack";
#else
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        throw PackError(std::string("cannot start ") + kSignerName + ": " + std::strerror(errno));
    }
    std::vector<std::string> argvText{program.string()};
    argvText.insert(argvText.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argvText) {
        argv.push_back(&a[0]);
    }
    argv.push_back(nullptr);
    pid_t pid = fork();
    if (pid < 0) {
        close(pipeFds[0]);
        close(pipeFds[1]);
        throw PackError(std::string("cannot start ") + kSignerName + ": " + std::strerror(errno));
    }
    if (pid == 0) {
        // No terminal input: a key that wants a password must fail, not wait for one.
        int null = open("/dev/null", O_RDONLY);
        dup2(null, 0);
        dup2(pipeFds[1], 1);
        dup2(pipeFds[1], 2);
        close(pipeFds[0]);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(pipeFds[1]);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kSignerTimeoutSeconds);
    bool timedOut = false;
    char buf[4096];
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0) {
            timedOut = true;
            kill(pid, SIGKILL);
            break;
        }
        pollfd p{pipeFds[0], POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) < 0 && errno != EINTR) {
            break;
        }
        ssize_t n = read(pipeFds[0], buf, sizeof buf);
        if (n == 0) {
            break;
        }
        if (n > 0 && run.output.size() < (1u << 20)) {
            run.output.append(buf, static_cast<std::size_t>(n));
        }
    }
    close(pipeFds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (timedOut) {
        run.exitCode = -1;
        run.output += "\nstopped after " + std::to_string(kSignerTimeoutSeconds) + " seconds";
    }
#endif
    return run;
}

// The last lines osslsigncode printed, joined with "; ", for an error message.
std::string Tail(const std::string& output) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < output.size()) {
        std::size_t end = output.find('\n', at);
        end = end == std::string::npos ? output.size() : end;
        std::string_view line = TrimBlanks(std::string_view(output).substr(at, end - at));
        if (!line.empty() && line != "Failed") {
            lines.emplace_back(line);
        }
        at = end + 1;
    }
    std::string text;
    for (std::size_t i = lines.size() > 3 ? lines.size() - 3 : 0; i < lines.size(); ++i) {
        text += (text.empty() ? "" : "; ") + lines[i];
    }
    return text;
}

bool IsPem(const fs::path& path) {
    return ReadWholeFile(path).find("-----BEGIN") != std::string::npos;
}

void RunSigner(const fs::path& signer, const SignOptions& options, const fs::path& in,
               const fs::path& out, const std::string& what) {
    std::vector<std::string> args{"sign"};
    if (IsPem(options.cert)) {
        args.insert(args.end(), {"-certs", options.cert.string(), "-key", options.key.string()});
    } else {
        args.insert(args.end(), {"-pkcs12", options.cert.string()});
    }
    if (!options.passFile.empty()) {
        args.insert(args.end(), {"-readpass", options.passFile.string()});
    }
    if (!options.timestamp.empty()) {
        args.insert(args.end(), {"-ts", options.timestamp});
    } else if (options.signingTime) {
        args.insert(args.end(), {"-time", std::to_string(*options.signingTime)});
    }
    args.insert(args.end(), {"-in", in.string(), "-out", out.string()});
    ToolRun run = RunTool(signer, args);
    std::error_code ec;
    if (run.exitCode != 0 || !fs::is_regular_file(out, ec)) {
        throw PackError(std::string(kSignerName) + " could not sign " + what + ": " +
                        Tail(run.output));
    }
}

std::string ReadRange(File& file, uint64_t offset, uint64_t size) {
    std::string bytes(static_cast<std::size_t>(size), '\0');
    file.Seek(offset);
    if (size > 0 && file.Read(&bytes[0], bytes.size()) != bytes.size()) {
        throw PackError(PathText(file.Path()) + " is shorter than its header says");
    }
    return bytes;
}

void WriteFile(const fs::path& path, const std::string& a, const std::string& b = {}) {
    File f = File::Create(path);
    f.Write(a);
    f.Write(b);
    f.Close();
}

SignatureState CheckOne(const fs::path& signer, const fs::path& file, const fs::path& caFile,
                        std::string* detail) {
    if (signer.empty()) {
        return SignatureState::kUnchecked;
    }
    std::vector<std::string> args{"verify", "-in", file.string()};
    if (!caFile.empty()) {
        args.insert(args.end(), {"-CAfile", caFile.string()});
    }
    ToolRun run = RunTool(signer, args);
    if (run.exitCode == 0) {
        return SignatureState::kGood;
    }
    if (run.output.find("MISMATCH") != std::string::npos) {
        return SignatureState::kMismatch;
    }
    if (run.output.find("Calculated message digest") != std::string::npos) {
        return SignatureState::kUntrusted;
    }
    *detail = Tail(run.output);
    return SignatureState::kBroken;
}

}  // namespace

fs::path FindSigner() {
#ifdef _WIN32
    return {};
#else
    const char* path = std::getenv("PATH");
    std::string dirs = path != nullptr ? path : "";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        end = end == std::string::npos ? dirs.size() : end;
        fs::path dir = dirs.substr(start, end - start);
        if (!dir.empty()) {
            fs::path candidate = dir / kSignerName;
            std::error_code ec;
            if (fs::is_regular_file(candidate, ec) && access(candidate.c_str(), X_OK) == 0) {
                return candidate;
            }
        }
        start = end + 1;
    }
    return {};
#endif
}

void CheckSignOptions(const SignOptions& options) {
#ifdef _WIN32
    throw PackError("signing needs the Linux build of nuvexpack, which runs osslsigncode");
#endif
    if (FindSigner().empty()) {
        throw PackError(std::string(kSignerName) +
                        " was not found on PATH; signing needs it (Debian: apt-get install "
                        "osslsigncode)");
    }
    auto mustRead = [](const fs::path& file, const char* option) {
        std::error_code ec;
        if (!fs::is_regular_file(file, ec)) {
            throw PackError(std::string(option) + " " + PathText(file) + ": no such file");
        }
    };
    if (options.cert.empty()) {
        throw PackError("--cert FILE is needed to sign");
    }
    mustRead(options.cert, "--cert");
    if (IsPem(options.cert)) {
        if (options.key.empty()) {
            throw PackError("--key FILE is needed with a PEM certificate");
        }
        mustRead(options.key, "--key");
    } else if (!options.key.empty()) {
        throw PackError("--key goes with a PEM certificate; a PKCS#12 file holds its key");
    }
    if (!options.passFile.empty()) {
        mustRead(options.passFile, "--pass-file");
    }
}

void SignPackage(const fs::path& in, const fs::path& out, const SignOptions& options) {
    CheckSignOptions(options);
    const fs::path signer = FindSigner();
    PackageInfo package = ReadPackage(in);
    File file = File::OpenRead(in);
    std::string stub = ReadRange(file, 0, package.scriptOffset);
    std::string script =
        ReadRange(file, package.scriptOffset, package.payloadBase - package.scriptOffset);

    PeSecurity pe = ReadPeSecurity(std::string_view(stub).substr(0, 4096));
    if (!pe.valid) {
        throw PackError(PathText(in) +
                        ": the stub is not a Windows program with a PE header; "
                        "it cannot be signed");
    }
    // A signature the stub had already is dropped with the zero bytes that aligned it;
    // the signer writes the same again.
    uint64_t oldTable = 0;
    if (package.stubCertOffset && package.stubCertSize &&
        *package.stubCertOffset + *package.stubCertSize == stub.size()) {
        oldTable = *package.stubCertOffset;
    } else if (pe.tableSize != 0 &&
               static_cast<uint64_t>(pe.tableOffset) + pe.tableSize == stub.size()) {
        oldTable = pe.tableOffset;
    }
    if (oldTable > pe.entryField + 8) {
        stub.resize(static_cast<std::size_t>(oldTable));
    }
    PutLittle32(stub, pe.entryField, 0);
    PutLittle32(stub, pe.entryField + 4, 0);

    WorkFolder work(out);
    WriteFile(work / "stub.exe", stub);
    RunSigner(signer, options, work / "stub.exe", work / "stub-signed.exe", "the stub");
    std::string signedStub = ReadWholeFile(work / "stub-signed.exe");
    if (std::string why = CheckStub(signedStub); !why.empty()) {
        throw PackError("the signed stub cannot carry a package: " + why);
    }
    PeSecurity stubPe = ReadPeSecurity(std::string_view(signedStub).substr(0, 4096));
    if (!stubPe.valid || stubPe.tableSize == 0 ||
        static_cast<uint64_t>(stubPe.tableOffset) + stubPe.tableSize != signedStub.size()) {
        throw PackError(std::string(kSignerName) +
                        " left no certificate table at the end of the stub");
    }
    StubRecord record{stubPe.tableOffset, stubPe.tableSize, stubPe.checksum};
    std::string newScript = WithStubRecord(script, record);
    if (newScript.size() > kMaxScriptBytes) {
        throw PackError(PathText(in) +
                        ": the script with the stub's signature keys would be longer "
                        "than " +
                        std::to_string(kMaxScriptBytes) + " bytes");
    }
    // The package's own entry is the signer's to fill in; until then it is unsigned.
    std::string header = signedStub;
    PutLittle32(header, stubPe.entryField, 0);
    PutLittle32(header, stubPe.entryField + 4, 0);
    {
        File unsignedPackage = File::Create(work / "package.exe");
        unsignedPackage.Write(header);
        unsignedPackage.Write(newScript);
        file.Seek(package.payloadBase);
        CopyBytes(file, unsignedPackage, package.PayloadSize());
        unsignedPackage.Close();
    }
    file.Close();
    RunSigner(signer, options, work / "package.exe", work / "package-signed.exe", "the package");
    std::error_code ec;
    fs::rename(work / "package-signed.exe", out, ec);
    if (ec) {
        throw PackError("cannot write " + PathText(out) + ": " + ec.message());
    }
}

const char* SignatureStateText(SignatureState state) {
    switch (state) {
        case SignatureState::kNone:
            return "not signed";
        case SignatureState::kGood:
            return "signed, the signature checks";
        case SignatureState::kUntrusted:
            return "signed, the file matches its signature; the signer is not trusted here "
                   "(name its certificate with --ca FILE)";
        case SignatureState::kMismatch:
            return "signed, but the file does not match its signature: it changed after signing";
        case SignatureState::kUnchecked:
            return "signed; not checked, osslsigncode was not found on PATH";
        case SignatureState::kBroken:
            return "a certificate table that does not check";
    }
    return "";
}

bool SignatureReport::Bad() const {
    auto bad = [](SignatureState s) {
        return s == SignatureState::kMismatch || s == SignatureState::kBroken;
    };
    return bad(package) || bad(stub);
}

SignatureReport CheckSignatures(const PackageInfo& package, const fs::path& caFile) {
    SignatureReport report;
    const fs::path signer = FindSigner();
    if (package.certSize != 0) {
        report.package = CheckOne(signer, package.path, caFile, &report.packageDetail);
    }
    File file = File::OpenRead(package.path);
    std::string stub = ReadRange(file, 0, package.scriptOffset);
    PeSecurity pe = ReadPeSecurity(std::string_view(stub).substr(0, 4096));
    StubRecord record;
    if (package.stubCertOffset && package.stubCertSize && package.stubCheckSum) {
        record = {static_cast<uint32_t>(*package.stubCertOffset),
                  static_cast<uint32_t>(*package.stubCertSize),
                  static_cast<uint32_t>(*package.stubCheckSum)};
    } else if (pe.valid && pe.tableSize != 0 &&
               static_cast<uint64_t>(pe.tableOffset) + pe.tableSize == stub.size()) {
        record = {pe.tableOffset, pe.tableSize, pe.checksum};  // a stub signed on its own
    }
    if (!pe.valid || record.certSize == 0) {
        return report;
    }
    if (signer.empty()) {
        report.stub = SignatureState::kUnchecked;
        return report;
    }
    WorkFolder work(fs::temp_directory_path() / "stub");
    WriteFile(work / "uninst.exe", UninstallerImage(stub, record));
    report.stub = CheckOne(signer, work / "uninst.exe", caFile, &report.stubDetail);
    return report;
}

}  // namespace nuvex::pack

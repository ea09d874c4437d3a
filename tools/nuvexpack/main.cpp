// nuvexpack: builds Nuvex installer packages and looks into built ones.
// See docs/nuvexpack.md.

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "builder.h"
#include "compression.h"
#include "diagnostics.h"
#include "package_reader.h"
#include "package_tools.h"
#include "platform.h"
#include "script_template.h"
#include "signing.h"

namespace {

using namespace nuvex::pack;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr char kStubName[] = "nuvex.exe";

const char kUsage[] =
    "usage:\n"
    "  nuvexpack new NAME --source DIR -o SCRIPT\n"
    "  nuvexpack build SCRIPT -o OUT.exe [--stub FILE] [--source DIR]\n"
    "                 [--level N | --best] [--zlib] [--compression zlib|lzma] [--jobs N]\n"
    "                 [--quiet] [--strict] [--codepage N]\n"
    "                 [--sign --cert FILE [--key FILE] [--pass-file FILE] [--timestamp URL]]\n"
    "  nuvexpack sign PACKAGE --cert FILE [--key FILE] [--pass-file FILE] [--timestamp URL]\n"
    "                 [-o OUT.exe]\n"
    "  nuvexpack list PACKAGE\n"
    "  nuvexpack verify PACKAGE [--ca FILE] [--quiet]\n"
    "  nuvexpack extract PACKAGE DIR\n"
    "  nuvexpack --help | --version\n"
    "  nuvexpack COMMAND --help\n";

// What each command does, for "nuvexpack COMMAND --help"; the options as in kUsage.
const struct {
    const char* command;
    const char* help;
} kCommandHelp[] = {
    {"new",
     "Writes a complete installer script with English texts on every page, packing\n"
     "the folder DIR whole into the target folder, with shortcuts to its first .exe.\n"
     "It builds with --strict as it is.\n"},
    {"build",
     "Builds OUT.exe from SCRIPT, the stub (nuvex.exe beside nuvexpack unless --stub)\n"
     "and the files below DIR (the script's folder unless --source).\n"
     "  --strict       every warning is an error: no package unless the script is clean\n"
     "  --codepage N   the Windows code page of the texts (default: codepage= in\n"
     "                 [Wizard], else 1252); a UTF-8 script is converted into it\n"
     "  --level N, --best, --zlib, --jobs N: compression; --quiet: no summary\n"
     "  --sign and its options: see nuvexpack sign --help\n"},
    {"sign",
     "Signs PACKAGE and the uninstaller inside it with osslsigncode (in place, or into\n"
     "-o OUT.exe).\n"},
    {"list",
     "Prints what the installer of PACKAGE will do: its pages and flags as the installer\n"
     "reads them, each component with its files, folders, shortcuts and programs.\n"},
    {"verify",
     "Checks every stream, the payload checksum and the signatures of PACKAGE; with\n"
     "--ca FILE a signer whose chain is in FILE counts as trusted.\n"},
    {"extract",
     "Writes the files of PACKAGE below DIR, win and sys entries in @windows and @system.\n"},
};

// The usage lines of one command, and what it does.
std::string CommandHelp(const std::string& command) {
    std::string usage = "usage:\n";
    const std::string text = kUsage;
    const std::string start = "  nuvexpack " + command + " ";
    for (std::size_t at = text.find(start); at != std::string::npos;) {
        std::size_t end = text.find('\n', at) + 1;
        usage += text.substr(at, end - at);
        at = end;
        if (text.compare(at, 4, "    ") != 0) {
            break;  // continuation lines are indented further
        }
    }
    for (const auto& h : kCommandHelp) {
        if (command == h.command) {
            return usage + "\n" + h.help;
        }
    }
    return {};
}

struct UsageError {
    std::string message;
};

// The command line after the command word: options (with their values) and operands.
class Args {
public:
    Args(int argc, char** argv, int first) {
        for (int i = first; i < argc; ++i) {
            items_.emplace_back(argv[i]);
        }
    }

    // Consumes the options: those in `withValue` take the next argument (or "=value"),
    // those in `flags` take none.
    template <typename Handler>
    std::vector<std::string> Parse(const std::vector<std::string>& withValue,
                                   const std::vector<std::string>& flags, Handler handle) {
        std::vector<std::string> operands;
        bool onlyOperands = false;
        for (std::size_t i = 0; i < items_.size(); ++i) {
            std::string arg = items_[i];
            if (onlyOperands || arg.size() < 2 || arg[0] != '-') {
                operands.push_back(arg);
                continue;
            }
            if (arg == "--") {
                onlyOperands = true;
                continue;
            }
            std::string value;
            bool hasInlineValue = false;
            std::size_t eq = arg.find('=');
            if (arg.compare(0, 2, "--") == 0 && eq != std::string::npos) {
                value = arg.substr(eq + 1);
                arg = arg.substr(0, eq);
                hasInlineValue = true;
            }
            if (Contains(withValue, arg)) {
                if (!hasInlineValue) {
                    if (i + 1 >= items_.size()) {
                        throw UsageError{arg + " needs a value"};
                    }
                    value = items_[++i];
                }
                handle(arg, value);
            } else if (Contains(flags, arg) && !hasInlineValue) {
                handle(arg, "");
            } else {
                throw UsageError{"unknown option " + arg};
            }
        }
        return operands;
    }

private:
    static bool Contains(const std::vector<std::string>& v, const std::string& s) {
        for (const std::string& x : v) {
            if (x == s) {
                return true;
            }
        }
        return false;
    }
    std::vector<std::string> items_;
};

int ParseNumber(const std::string& option, const std::string& text, int low, int high) {
    char* end = nullptr;
    long n = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || n < low || n > high) {
        throw UsageError{option + " takes a number from " + std::to_string(low) + " to " +
                         std::to_string(high) + ", not \"" + text + "\""};
    }
    return static_cast<int>(n);
}

void ExpectOperands(const std::vector<std::string>& operands, std::size_t n, const char* what) {
    if (operands.size() != n) {
        throw UsageError{std::string("expected ") + what};
    }
}

// The signing options shared by build --sign and sign; true when `opt` was one of them.
bool TakeSignOption(const std::string& opt, const std::string& v, SignOptions& sign) {
    if (opt == "--cert") {
        sign.cert = v;
    } else if (opt == "--key") {
        sign.key = v;
    } else if (opt == "--pass-file") {
        sign.passFile = v;
    } else if (opt == "--timestamp") {
        sign.timestamp = v;
    } else {
        return false;
    }
    return true;
}
const std::vector<std::string> kSignOptions = {"--cert", "--key", "--pass-file", "--timestamp"};

// Reproducible builds set SOURCE_DATE_EPOCH; it becomes the signing time, so that two
// signings of one package give the same bytes.
void TakeSigningTime(SignOptions& sign) {
    const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
    if (epoch == nullptr || *epoch == '\0') {
        return;
    }
    char* end = nullptr;
    long long t = std::strtoll(epoch, &end, 10);
    if (*end != '\0' || t < 0) {
        throw UsageError{std::string("SOURCE_DATE_EPOCH must be a number of seconds, not \"") +
                         epoch + "\""};
    }
    sign.signingTime = t;
}

std::vector<std::string> Joined(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Diagnostics StderrDiagnostics() {
    Diagnostics diag;
    diag.onReport = [](const Diagnostic& d) {
        std::fprintf(stderr, "%s\n", FormatDiagnostic(d).c_str());
    };
    return diag;
}

// What "nuvexpack build" was asked for, before the choices are checked against each other.
struct BuildRequest {
    BuildOptions options;
    bool quiet = false;
    bool best = false;
    bool zlibOnly = false;
    bool lzma = false;
    int level = -1;
    bool sign = false;
    SignOptions signOptions;
    bool strict = false;
};

// The options of build that take no value, each turning one choice on.
const struct {
    const char* name;
    bool BuildRequest::*choice;
} kBuildFlags[] = {{"--best", &BuildRequest::best},   {"--zlib", &BuildRequest::zlibOnly},
                   {"--quiet", &BuildRequest::quiet}, {"-q", &BuildRequest::quiet},
                   {"--sign", &BuildRequest::sign},   {"--strict", &BuildRequest::strict}};

// The options of build that name a file or folder.
const struct {
    const char* name;
    fs::path BuildOptions::*path;
} kBuildPaths[] = {{"-o", &BuildOptions::output},
                   {"--output", &BuildOptions::output},
                   {"--stub", &BuildOptions::stub},
                   {"--source", &BuildOptions::sourceDir}};

template <typename Table>
std::vector<std::string> OptionNames(const Table& table) {
    std::vector<std::string> names;
    for (const auto& entry : table) {
        names.emplace_back(entry.name);
    }
    return names;
}

// The build options that take a value other than a path.
void TakeBuildValue(const std::string& opt, const std::string& v, BuildRequest& request) {
    BuildOptions& options = request.options;
    if (opt == "--codepage") {
        options.codePage = static_cast<unsigned>(ParseNumber(opt, v, 1, 65535));
    } else if (opt == "--level") {
        request.level = ParseNumber(opt, v, 0, 12);
    } else if (opt == "--jobs" || opt == "-j") {
        options.jobs = static_cast<unsigned>(ParseNumber(opt, v, 1, 1024));
    } else {  // --compression
        if (v != "zlib" && v != "lzma") {
            throw UsageError{"--compression takes zlib or lzma, not \"" + v + "\""};
        }
        request.lzma = v == "lzma";
    }
}

// Any option of build: the signing options, the switches, the paths, then the rest.
void TakeBuildOption(const std::string& opt, const std::string& v, BuildRequest& request) {
    if (TakeSignOption(opt, v, request.signOptions)) {
        return;
    }
    for (const auto& flag : kBuildFlags) {
        if (opt == flag.name) {
            request.*flag.choice = true;
            return;
        }
    }
    for (const auto& path : kBuildPaths) {
        if (opt == path.name) {
            request.options.*path.path = v;
            return;
        }
    }
    TakeBuildValue(opt, v, request);
}

BuildRequest ParseBuildArgs(Args& args) {
    BuildRequest request;
    const std::vector<std::string> withValue =
        Joined(Joined(OptionNames(kBuildPaths),
                      {"--level", "--jobs", "-j", "--codepage", "--compression"}),
               kSignOptions);
    std::vector<std::string> operands = args.Parse(
        withValue, OptionNames(kBuildFlags),
        [&](const std::string& opt, const std::string& v) { TakeBuildOption(opt, v, request); });
    ExpectOperands(operands, 1, "one SCRIPT");
    request.options.script = operands[0];
    if (request.options.output.empty()) {
        throw UsageError{"-o OUT.exe is required"};
    }
    return request;
}

// The engine and level that --level, --best, --zlib and --compression settle on together.
CompressionSettings ChosenCompression(const BuildRequest& request) {
    if (request.best && request.level >= 0) {
        throw UsageError{"--level and --best exclude each other"};
    }
    if (request.lzma && request.zlibOnly) {
        throw UsageError{"--zlib and --compression lzma exclude each other"};
    }
    CompressionSettings compression;
    compression.engine = request.lzma       ? Engine::kLzma
                         : request.zlibOnly ? Engine::kZlib
                                            : PreferredEngine();
    Engine engine = compression.engine;
    if (request.level > MaxLevel(engine)) {
        throw UsageError{std::string("--level goes up to ") + std::to_string(MaxLevel(engine)) +
                         " with " + EngineName(engine)};
    }
    compression.level = request.best         ? MaxLevel(engine)
                        : request.level >= 0 ? request.level
                                             : DefaultLevel(engine);
    return compression;
}

// The stub when --stub names none: the nuvex.exe installed beside nuvexpack.
fs::path StubBesideNuvexpack() {
    fs::path self = ExecutablePath();
    fs::path beside = self.empty() ? fs::path() : self.parent_path() / kStubName;
    std::error_code ec;
    if (beside.empty() || !fs::is_regular_file(beside, ec)) {
        throw UsageError{std::string("no ") + kStubName +
                         " beside nuvexpack; name the stub with --stub FILE"};
    }
    return beside;
}

int NoPackageWritten(const PackError& e) {
    std::fprintf(stderr, "nuvexpack: %s\nnuvexpack: no package written\n", e.what());
    return kExitFailed;
}

// Signs the built package in place and points the summary at the signed bytes. False, with
// the package removed and the reason printed, when signing fails.
bool SignBuiltPackage(const fs::path& package, const SignOptions& signOptions,
                      BuildSummary& summary) {
    try {
        SignPackage(package, package, signOptions);
        PackageInfo signedPackage = ReadPackage(package);
        summary.scriptOffset = signedPackage.scriptOffset;
        summary.payloadBase = signedPackage.payloadBase;
        return true;
    } catch (const PackError& e) {
        // An unsigned package must not pass for the signed one asked for.
        std::error_code ec;
        fs::remove(package, ec);
        NoPackageWritten(e);
        return false;
    }
}

void PrintBuildSummary(const BuildRequest& request, const BuildSummary& summary) {
    const BuildOptions& options = request.options;
    std::fprintf(stderr,
                 "nuvexpack: %s: %zu files, %llu bytes -> %llu bytes of payload (%s level %d); "
                 "script at %llu, payload at %llu%s\n",
                 Printable(PathText(options.output)).c_str(), summary.files,
                 static_cast<unsigned long long>(summary.sourceBytes),
                 static_cast<unsigned long long>(summary.payloadBytes),
                 EngineName(options.compression.engine), options.compression.level,
                 static_cast<unsigned long long>(summary.scriptOffset),
                 static_cast<unsigned long long>(summary.payloadBase),
                 request.sign ? "; signed, and so is its uninstaller" : "");
}

int Build(Args& args) {
    BuildRequest request = ParseBuildArgs(args);
    BuildOptions& options = request.options;
    SignOptions& signOptions = request.signOptions;
    options.compression = ChosenCompression(request);
    if (options.stub.empty()) {
        options.stub = StubBesideNuvexpack();
    }
    if (!request.sign && (!signOptions.cert.empty() || !signOptions.key.empty() ||
                          !signOptions.passFile.empty() || !signOptions.timestamp.empty())) {
        throw UsageError{"--cert, --key, --pass-file and --timestamp go with --sign"};
    }
    options.progress = !request.quiet && StderrIsTerminal();

    if (request.sign) {
        TakeSigningTime(signOptions);
        try {
            // Before anything is built: a missing osslsigncode or key file fails at once.
            CheckSignOptions(signOptions);
        } catch (const PackError& e) {
            return NoPackageWritten(e);
        }
    }
    Diagnostics diag = StderrDiagnostics();
    diag.strict = request.strict;
    BuildSummary summary;
    if (!BuildPackage(options, diag, &summary)) {
        std::fprintf(stderr, "nuvexpack: no package written (%d error%s)\n", diag.ErrorCount(),
                     diag.ErrorCount() == 1 ? "" : "s");
        return kExitFailed;
    }
    if (request.sign && !SignBuiltPackage(options.output, signOptions, summary)) {
        return kExitFailed;
    }
    if (!request.quiet) {
        PrintBuildSummary(request, summary);
    }
    return kExitOk;
}

int New(Args& args) {
    NewScriptOptions options;
    std::vector<std::string> operands = args.Parse(
        {"-o", "--output", "--source"}, {}, [&](const std::string& opt, const std::string& v) {
            if (opt == "--source") {
                options.sourceDir = v;
            } else {
                options.output = v;
            }
        });
    ExpectOperands(operands, 1, "one NAME");
    if (options.sourceDir.empty() || options.output.empty()) {
        throw UsageError{"--source DIR and -o SCRIPT are required"};
    }
    options.name = operands[0];
    WriteNewScript(options);
    std::fprintf(
        stderr,
        "nuvexpack: %s written; build it with\n  nuvexpack build %s -o setup.exe --strict\n",
        Printable(PathText(options.output)).c_str(), Printable(PathText(options.output)).c_str());
    return kExitOk;
}

int Sign(Args& args) {
    SignOptions signOptions;
    fs::path output;
    std::vector<std::string> operands =
        args.Parse(Joined({"-o", "--output"}, kSignOptions), {},
                   [&](const std::string& opt, const std::string& v) {
                       if (!TakeSignOption(opt, v, signOptions)) {
                           output = v;
                       }
                   });
    ExpectOperands(operands, 1, "one PACKAGE");
    if (signOptions.cert.empty()) {
        throw UsageError{"--cert FILE is required"};
    }
    TakeSigningTime(signOptions);
    SignPackage(operands[0], output.empty() ? fs::path(operands[0]) : output, signOptions);
    std::fprintf(stderr, "nuvexpack: %s: signed, and so is its uninstaller\n",
                 Printable(PathText(output.empty() ? fs::path(operands[0]) : output)).c_str());
    return kExitOk;
}

int List(Args& args) {
    std::vector<std::string> operands =
        args.Parse({}, {}, [](const std::string&, const std::string&) {});
    ExpectOperands(operands, 1, "one PACKAGE");
    PackageInfo package = ReadPackage(operands[0]);
    ListPackage(package, std::cout);
    return kExitOk;
}

int Verify(Args& args) {
    bool quiet = false;
    fs::path caFile;
    std::vector<std::string> operands =
        args.Parse({"--ca"}, {"--quiet", "-q"}, [&](const std::string& opt, const std::string& v) {
            if (opt == "--ca") {
                caFile = v;
            } else {
                quiet = true;
            }
        });
    ExpectOperands(operands, 1, "one PACKAGE");
    PackageInfo package = ReadPackage(operands[0]);
    VerifyReport report = VerifyPackage(package);
    const std::string name = Printable(operands[0]);
    SignatureReport signatures = CheckSignatures(package, caFile);
    struct {
        const char* what;
        SignatureState state;
        const std::string& detail;
    } signatureLines[] = {{"package signature", signatures.package, signatures.packageDetail},
                          {"uninstaller (stub) signature", signatures.stub, signatures.stubDetail}};
    for (const auto& line : signatureLines) {
        if (line.state == SignatureState::kMismatch || line.state == SignatureState::kBroken) {
            report.problems.push_back(std::string(line.what) + ": " +
                                      SignatureStateText(line.state) +
                                      (line.detail.empty() ? "" : " (" + line.detail + ")"));
        } else if (!quiet) {
            std::printf("%s: %s: %s\n", name.c_str(), line.what, SignatureStateText(line.state));
        }
    }
    for (const std::string& problem : report.problems) {
        std::fprintf(stderr, "%s: bad: %s\n", name.c_str(), Printable(problem).c_str());
    }
    if (!quiet) {
        std::printf("%s: %zu streams checked, %s\n", name.c_str(), report.streams,
                    report.Good() ? "all good"
                                  : (std::to_string(report.problems.size()) + " problems").c_str());
        if (!report.checksummed) {
            std::printf(
                "%s: the script has no payload checksum; bytes that inflate skips were "
                "not checked\n",
                name.c_str());
        }
    }
    return report.Good() ? kExitOk : kExitFailed;
}

int Extract(Args& args) {
    std::vector<std::string> operands =
        args.Parse({}, {}, [](const std::string&, const std::string&) {});
    ExpectOperands(operands, 2, "PACKAGE and DIR");
    PackageInfo package = ReadPackage(operands[0]);
    Diagnostics diag = StderrDiagnostics();
    std::size_t written = 0;
    bool ok = ExtractPackage(package, operands[1], diag, &written);
    std::printf("%s: %zu files written below %s\n", Printable(operands[0]).c_str(), written,
                Printable(operands[1]).c_str());
    return ok ? kExitOk : kExitFailed;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    std::string command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }
    if (command == "--version") {
        std::printf("nuvexpack %s (%s%s)\n", kToolVersion, EngineName(PreferredEngine()),
                    PreferredEngine() == Engine::kZlib ? "" : " and zlib");
        return kExitOk;
    }
    if (argc == 3 && (std::string(argv[2]) == "--help" || std::string(argv[2]) == "-h")) {
        std::string help = CommandHelp(command);
        if (!help.empty()) {
            std::fputs(help.c_str(), stdout);
            return kExitOk;
        }
    }
    Args args(argc, argv, 2);
    try {
        if (command == "new") {
            return New(args);
        }
        if (command == "build") {
            return Build(args);
        }
        if (command == "sign") {
            return Sign(args);
        }
        if (command == "list") {
            return List(args);
        }
        if (command == "verify") {
            return Verify(args);
        }
        if (command == "extract") {
            return Extract(args);
        }
        throw UsageError{"unknown command " + command};
    } catch (const UsageError& e) {
        std::fprintf(stderr, "nuvexpack: %s\n%s", Printable(e.message).c_str(), kUsage);
        return kExitUsage;
    } catch (const PackError& e) {
        std::fprintf(stderr, "nuvexpack: %s\n", Printable(e.what()).c_str());
        return kExitFailed;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "nuvexpack: %s\n", Printable(e.what()).c_str());
        return kExitFailed;
    }
}

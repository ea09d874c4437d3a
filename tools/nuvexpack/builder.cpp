#include "builder.h"

#include <thread>

#include "lzma_payload.h"
#include "package_layout.h"
#include "package_plan.h"
#include "platform.h"
#include "progress.h"
#include "script_extract.h"
#include "script_writer.h"

namespace nuvex::pack {

std::string CheckStub(const std::string& stub) {
    if (stub.empty()) {
        return "the stub is empty";
    }
    std::string probe = stub + HeaderText();
    MemorySource source(probe);
    HeaderSearchResult found = FindScriptHeader(source, static_cast<uint32_t>(probe.size()));
    if (found.found && found.scriptOffset < stub.size()) {
        return "the stub holds the package header at offset " + std::to_string(found.scriptOffset) +
               "; the installer would take that for its script";
    }
    if (!found.found || found.scriptOffset != stub.size()) {
        return "the stub ends in a partial package header, which would hide the real one "
               "from the installer's search";
    }
    return {};
}

std::string CheckStubProgram(const std::string& stub) {
    const auto u32 = [&](std::size_t at) {
        uint32_t v = 0;
        for (int i = 3; i >= 0; --i) {
            v = v << 8 | static_cast<unsigned char>(stub[at + static_cast<std::size_t>(i)]);
        }
        return v;
    };
    const std::string hint =
        "; name the nuvex.exe of this Nuvex (" + std::string(kToolVersion) + ") with --stub FILE";
    if (stub.size() < 0x40 || stub.compare(0, 2, "MZ") != 0) {
        return "the stub is not a Windows program" + hint;
    }
    uint32_t pe = u32(0x3C);
    if (pe > stub.size() - 6 || stub.compare(pe, 4, std::string("PE\0\0", 4)) != 0 ||
        stub[pe + 4] != '\x4C' || stub[pe + 5] != '\x01') {
        return "the stub is not a 32-bit Windows program" + hint;
    }
    if (stub.find(std::string(kStubTitle) + '\0') == std::string::npos) {
        return std::string("the stub is not a Nuvex installer: it lacks the title \"") +
               kStubTitle + "\"" + hint;
    }
    return {};
}

namespace {

// The script given to the builder, refused before it is read when it is too long to
// come out as a usable package script.
std::string ReadScript(const fs::path& path, uint64_t limit) {
    File file = File::OpenRead(path);
    std::string text(static_cast<std::size_t>(limit) + 1, '\0');
    std::size_t n = file.Read(&text[0], text.size());
    if (n > limit) {
        throw PackError(PathText(path) + " is longer than " + std::to_string(limit) +
                        " bytes, the most a package script may hold");
    }
    text.resize(n);
    return text;
}

std::string EntryName(const PayloadItem& item) {
    return "[Component" + std::to_string(item.slot) + "] " + EntryKeyName(item.family, item.index);
}

void CheckStreamLimits(const std::vector<PayloadItem>& items,
                       const std::vector<StreamInfo>& streams, uint64_t payloadBase,
                       const BuildOptions& options, const std::string& file, Diagnostics& diag) {
    const PackLimits& limits = options.limits;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const PayloadItem& item = items[i];
        const StreamInfo& s = streams[i];
        uint64_t end = payloadBase + s.offset + s.length;
        if (s.length > limits.max32 || s.offset > limits.max32 || end > limits.max32) {
            diag.Error(file, item.line,
                       EntryName(item) + ": its stream ends at byte " + std::to_string(end) +
                           " of the package, beyond the 32-bit offsets and sizes of the "
                           "installer (at most " +
                           std::to_string(limits.max32) + ")");
            return;  // every later stream lies further on
        }
        if (s.origlen + s.length > limits.memoryWarning) {
            diag.Warn(file, item.line,
                      EntryName(item) + " (" + item.dest + ") needs " +
                          std::to_string(s.origlen + s.length) +
                          " bytes of memory to install (stream and file at once), more than "
                          "a 32-bit installer can be sure to get (" +
                          std::to_string(limits.memoryWarning) + ")");
        }
    }
}

// True, with an error, when `output` names the same file as `input`, under any name.
bool IsInput(const fs::path& output, const fs::path& input, const std::string& what,
             Diagnostics& diag) {
    if (!SameFile(output, input)) {
        return false;
    }
    diag.Error("", 0,
               "the output " + PathText(output) + " is the " + what + " " + PathText(input) +
                   "; writing it would destroy that input");
    return true;
}

// The engine must be built in and the level within its range.
bool CheckCompression(const CompressionSettings& compression, Diagnostics& diag) {
    if (!EngineAvailable(compression.engine)) {
        diag.Error("", 0, std::string(EngineName(compression.engine)) + " is not built in");
        return false;
    }
    if (compression.level < 0 || compression.level > MaxLevel(compression.engine)) {
        diag.Error("", 0,
                   "level " + std::to_string(compression.level) + " is outside 0.." +
                       std::to_string(MaxLevel(compression.engine)) + " for " +
                       EngineName(compression.engine));
        return false;
    }
    return true;
}

// The stub's bytes, reported at most once: the first of its faults is the one that counts.
void CheckStubFile(const std::string& stub, const BuildOptions& options, Diagnostics& diag) {
    if (std::string why = CheckStub(stub); !why.empty()) {
        diag.Error(PathText(options.stub), 0, why);
    } else if (std::string why = CheckStubProgram(stub); !why.empty()) {
        diag.Error(PathText(options.stub), 0, why);
    } else if (stub.size() > options.limits.max32) {
        diag.Error(PathText(options.stub), 0, "the stub is larger than 32-bit offsets allow");
    }
}

PlanInputs MakePlanInputs(const BuildOptions& options, const std::string& scriptName) {
    PlanInputs inputs;
    inputs.scriptName = scriptName;
    inputs.sourceDir = options.sourceDir.empty() ? options.script.parent_path() : options.sourceDir;
    if (inputs.sourceDir.empty()) {
        inputs.sourceDir = ".";
    }
    inputs.outputPath = options.output;
    inputs.limits = options.limits;
    inputs.codePage = options.codePage;
    return inputs;
}

// True, with an error, when the output is one of the files the payload is made of.
bool OutputIsPayloadSource(const PackagePlan& plan, const BuildOptions& options,
                           Diagnostics& diag) {
    for (const PayloadItem& item : plan.payload) {
        if (IsInput(options.output, item.source, "payload source of " + EntryName(item), diag)) {
            return true;
        }
    }
    return false;
}

// A memory setting of the build replaces the pipeline's default only when it is given.
void TakeIfSet(uint64_t& setting, uint64_t given) {
    if (given > 0) {
        setting = given;
    }
}

PipelineOptions MakePipelineOptions(const BuildOptions& options) {
    PipelineOptions pipeline;
    pipeline.compression = options.compression;
    pipeline.jobs =
        options.jobs > 0 ? options.jobs : std::max(1u, std::thread::hardware_concurrency());
    TakeIfSet(pipeline.inFlightBytes, options.inFlightBytes);
    TakeIfSet(pipeline.wholeFileLimit, options.wholeFileLimit);
    TakeIfSet(pipeline.pieceSize, options.pieceSize);
    return pipeline;
}

// The compressed streams of every payload item, end to end in `out`, with a progress bar
// on the terminal while they are made.
PayloadResult WritePlannedPayload(const PackagePlan& plan, const BuildOptions& options, File& out,
                                  uint64_t sourceBytes) {
    std::vector<PayloadSource> sources;
    for (const PayloadItem& item : plan.payload) {
        sources.push_back({item.source, item.size});
    }
    PipelineOptions pipeline = MakePipelineOptions(options);
    ProgressBar progress(options.progress, sources.size(), sourceBytes);
    pipeline.onProgress = [&](std::size_t files, uint64_t bytes) { progress.Update(files, bytes); };
    PayloadResult payload =
        options.compression.engine == Engine::kLzma
            ? WriteLzmaPayload(
                  plan.payload, out, pipeline,
                  options.lzmaBlockTarget > 0 ? options.lzmaBlockTarget : kLzmaBlockTarget)
            : WritePayload(sources, out, pipeline);
    out.Close();
    progress.Finish();
    return payload;
}

// True, with an error, when the composed script is longer than nuvexpack reads back.
bool ScriptTooLong(const std::string& script, const BuildOptions& options,
                   const std::string& scriptName, Diagnostics& diag) {
    if (script.size() <= options.limits.maxScript) {
        return false;
    }
    diag.Error(scriptName, 0,
               "the package's script would be " + std::to_string(script.size()) +
                   " bytes, more than the " + std::to_string(options.limits.maxScript) +
                   " that nuvexpack reads back; the installer reads every setting "
                   "through the profile functions, which crawl on so long a script");
    return true;
}

// Stub, script and the payload bytes of `payloadPath`, under the output's name at last.
void WritePackageFile(const fs::path& output, const std::string& stub, const std::string& script,
                      const fs::path& payloadPath, uint64_t payloadBytes) {
    TempOutput package(output);
    package.file().Write(stub);
    package.file().Write(script);
    File payloadCopy = File::OpenRead(payloadPath);
    CopyBytes(payloadCopy, package.file(), payloadBytes);
    package.Commit();
}

uint64_t SourceBytes(const PackagePlan& plan) {
    uint64_t bytes = 0;
    for (const PayloadItem& item : plan.payload) {
        bytes += item.size;
    }
    return bytes;
}

bool BuildChecked(const BuildOptions& options, Diagnostics& diag, BuildSummary* summary,
                  bool* outputIsInput) {
    const std::string scriptName = PathText(options.script);
    try {
        if (!CheckCompression(options.compression, diag)) {
            return false;
        }
        std::string scriptText = ReadScript(options.script, options.limits.maxScript);
        std::string stub = ReadWholeFile(options.stub);
        CheckStubFile(stub, options, diag);
        PackagePlan plan = MakePlan(scriptText, MakePlanInputs(options, scriptName), diag);
        if (OutputIsPayloadSource(plan, options, diag)) {
            *outputIsInput = true;
            return false;
        }
        if (diag.HasErrors()) {
            return false;
        }

        // The payload goes to a file of its own first: the script, which comes before it,
        // needs every stream's length.
        TempOutput payloadFile(options.output);
        const uint64_t sourceBytes = SourceBytes(plan);
        PayloadResult payload = WritePlannedPayload(plan, options, payloadFile.file(), sourceBytes);

        std::string script = ComposeScript(plan, payload, scriptName, diag);
        if (ScriptTooLong(script, options, scriptName, diag)) {
            return false;
        }
        uint64_t scriptOffset = stub.size();
        uint64_t payloadBase = scriptOffset + script.size();
        CheckStreamLimits(plan.payload, payload.streams, payloadBase, options, scriptName, diag);
        if (diag.HasErrors()) {
            return false;
        }

        WritePackageFile(options.output, stub, script, payloadFile.TempPath(), payload.size);
        if (summary != nullptr) {
            summary->scriptOffset = scriptOffset;
            summary->payloadBase = payloadBase;
            summary->packageSize = payloadBase + payload.size;
            summary->files = plan.payload.size();
            summary->sourceBytes = sourceBytes;
            summary->payloadBytes = payload.size;
        }
        return true;
    } catch (const PackError& e) {
        diag.Error("", 0, e.what());
    } catch (const std::bad_alloc&) {
        diag.Error("", 0, "out of memory");
    } catch (const std::exception& e) {
        diag.Error("", 0, e.what());
    }
    return false;
}

}  // namespace

bool BuildPackage(const BuildOptions& options, Diagnostics& diag, BuildSummary* summary) {
    std::error_code ec;
    if (fs::is_directory(options.output, ec)) {
        diag.Error("", 0, "the output " + PathText(options.output) + " is a folder");
        return false;
    }
    if (IsInput(options.output, options.script, "script", diag) ||
        IsInput(options.output, options.stub, "stub", diag)) {
        return false;
    }
    bool outputIsInput = false;
    if (BuildChecked(options, diag, summary, &outputIsInput)) {
        return true;
    }
    // No package from an earlier run may stay to pass for this one; but an output that is
    // an input is that input, and stays.
    if (!outputIsInput) {
        fs::remove(options.output, ec);
    }
    return false;
}

}  // namespace nuvex::pack

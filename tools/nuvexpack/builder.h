// nuvexpack build: script, stub and source files in, one package out.
#pragma once

#include <cstdint>

#include "compression.h"
#include "diagnostics.h"
#include "file_io.h"
#include "payload_pipeline.h"
#include "script_checks.h"

namespace nuvex::pack {

// The window title that every Nuvex stub of this version holds.
inline constexpr char kStubTitle[] = NUVEX_STUB_TITLE;
inline constexpr char kToolVersion[] = NUVEX_VERSION;

struct BuildOptions {
    fs::path script;
    fs::path output;
    fs::path stub;
    fs::path sourceDir;  // empty: the script's folder
    CompressionSettings compression;
    unsigned jobs = 0;  // 0: one per core
    bool progress = false;
    PackLimits limits;
    unsigned codePage = 0;  // 0: codepage= of [Wizard], else 1252
    // Memory of the compression: see payload_pipeline.h. Zero keeps the default.
    uint64_t inFlightBytes = 0;
    uint64_t wholeFileLimit = 0;
    uint64_t pieceSize = 0;
    uint64_t lzmaBlockTarget = 0;  // bytes of files per LZMA block; zero keeps the default
};

struct BuildSummary {
    uint64_t scriptOffset = 0;  // S: the stub's length
    uint64_t payloadBase = 0;   // P
    uint64_t packageSize = 0;
    std::size_t files = 0;
    uint64_t sourceBytes = 0;
    uint64_t payloadBytes = 0;
};

// Writes the package, or, on any error, nothing at all: the output is written under a
// temporary name and renamed at the end. Errors and warnings go to `diag`.
bool BuildPackage(const BuildOptions& options, Diagnostics& diag, BuildSummary* summary = nullptr);

// Checks that a package built on `stub` is found at the stub's end: the stub must not hold
// the header, nor end in a way that hides it. Returns an empty text when fine.
std::string CheckStub(const std::string& stub);

// Checks that `stub` is a Nuvex installer program: a 32-bit Windows executable that holds
// the installer's window title. Returns an empty text when it is.
std::string CheckStubProgram(const std::string& stub);

}  // namespace nuvex::pack

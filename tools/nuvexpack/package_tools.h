// nuvexpack list, verify and extract.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "diagnostics.h"
#include "package_reader.h"

namespace nuvex::pack {

void ListPackage(const PackageInfo& package, std::ostream& out);

struct VerifyReport {
    std::size_t streams = 0;            // streams inflated
    std::vector<std::string> problems;  // one line each, naming the entry or the bytes
    bool checksummed = false;           // the payload CRC-32 of the script was checked
    bool Good() const { return problems.empty(); }
};

// The builder's path check on every dir and payload entry: one line per bad path.
std::vector<std::string> CheckEntryPaths(const PackageInfo& package);

// The checks that need no inflating: every payload entry's keys are 32-bit numbers, its
// stream lies inside the payload, and the streams cover the payload with no gap and no
// overlap. One line per problem.
std::vector<std::string> CheckStreamLayout(const PackageInfo& package);

// Both checks above; then inflates every stream and checks it against its keys, and checks
// the whole payload against the size and CRC-32 of the header section.
VerifyReport VerifyPackage(const PackageInfo& package);

// Folders below the extract folder for the win and sys entries.
inline constexpr char kExtractWindowsFolder[] = "@windows";
inline constexpr char kExtractSystemFolder[] = "@system";

// Writes every dir and payload entry below `dir` as the installer lays them below the
// target folder. Paths that would leave `dir` are refused, and so is the whole package
// when its stream layout is bad (see CheckStreamLayout). False when any entry failed.
bool ExtractPackage(const PackageInfo& package, const fs::path& dir, Diagnostics& diag,
                    std::size_t* filesWritten = nullptr);

}  // namespace nuvex::pack

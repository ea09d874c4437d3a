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
    std::size_t streams = 0;              // streams inflated
    std::vector<std::string> problems;    // one line each, naming the entry or the bytes
    bool checksummed = false;             // the payload CRC-32 of the script was checked
    bool Good() const { return problems.empty(); }
};

// Inflates every stream of every component and checks it against its keys; checks that
// the streams cover the payload exactly, so that every payload byte belongs to one stream;
// and checks the whole payload against the size and CRC-32 of the header section.
VerifyReport VerifyPackage(const PackageInfo& package);

// Folders below the extract folder for the win and sys entries.
inline constexpr char kExtractWindowsFolder[] = "@windows";
inline constexpr char kExtractSystemFolder[] = "@system";

// Writes every dir and payload entry below `dir` as the installer lays them below the
// target folder. Paths that would leave `dir` are refused. False when any entry failed.
bool ExtractPackage(const PackageInfo& package, const fs::path& dir, Diagnostics& diag,
                    std::size_t* filesWritten = nullptr);

}  // namespace nuvex::pack

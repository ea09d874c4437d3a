// list, verify and extract on LZMA packages: the entries grouped into their blocks, each
// block decoded once, from its first byte, handing its files out in the installer's order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "file_io.h"
#include "package_reader.h"

namespace nuvex::pack {

bool IsLzmaPackage(const PackageInfo& package);

struct LzmaBlockEntries {
    uint64_t offset = 0;  // from the payload base
    uint64_t length = 0;
    std::vector<const PackageEntry*> entries;  // in the installer's order
};

// The blocks of the entries without key problems whose streams lie in the payload.
std::vector<LzmaBlockEntries> GroupLzmaBlocks(const PackageInfo& package);

// One line per entry that the installer would not find where its block holds it: an entry
// of a block that the installer's walk over the entries (component by component, in each
// file, win, sys, by index, up to a gap) does not read in one run from the block's start.
std::vector<std::string> CheckLzmaOrder(const PackageInfo& package);

// Gets the files of a block as they are decoded.
class LzmaEntrySink {
public:
    virtual void Begin(const PackageEntry& entry) = 0;
    virtual void Data(const unsigned char* data, std::size_t size) = 0;
    // `problem` empty when the file came out whole with its Adler-32.
    virtual void End(const PackageEntry& entry, const std::string& problem) = 0;

protected:
    ~LzmaEntrySink() = default;
};

// Decodes one block. Returns what is wrong with the block as a whole (its header, data
// that ends early, bytes that no entry takes), empty when nothing is; the entries' own
// problems go to `sink`.
std::string DecodeLzmaBlock(File& file, uint64_t payloadBase, const LzmaBlockEntries& block,
                            LzmaEntrySink& sink);

}  // namespace nuvex::pack

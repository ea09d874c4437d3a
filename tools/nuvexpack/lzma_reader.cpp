#include "lzma_reader.h"

#include <map>
#include <memory>
#include <set>

#include "branch_stream.h"
#include "lzma_block.h"
#include "package_layout.h"
#include "payload_pipeline.h"
#include "text_rules.h"

namespace nuvex::pack {

namespace {

// Small enough for the ordinary heap, as in package_reader.cpp.
constexpr std::size_t kPiece = 64 * 1024;

class FileInput final : public LzmaInput {
public:
    explicit FileInput(File& file) : file_(file) {}
    bool Read(unsigned char* buffer, uint32_t size, uint32_t* got) override {
        *got = static_cast<uint32_t>(file_.Read(buffer, size));
        return true;
    }

private:
    File& file_;
};

const char* Why(LzmaResult result) {
    switch (result) {
        case LzmaResult::kNoMemory:
            return "the decoder could not allocate its dictionary";
        case LzmaResult::kReadFailed:
            return "the package could not be read";
        default:
            return "the LZMA block is damaged";
    }
}

bool InPayload(const PackageEntry& e, const PackageInfo& p) {
    return e.problem.empty() && e.offset <= p.PayloadSize() &&
           e.length <= p.PayloadSize() - e.offset;
}

}  // namespace

bool IsLzmaPackage(const PackageInfo& package) {
    return EqualsNoCase(package.compression, layout::kCompressionLzma);
}

std::vector<LzmaBlockEntries> GroupLzmaBlocks(const PackageInfo& p) {
    // PackageInfo lists the entries by slot, then file, win, sys, then index: the
    // installer's order.
    std::map<std::pair<uint64_t, uint64_t>, LzmaBlockEntries> blocks;
    for (const PackageEntry& e : p.entries) {
        if (InPayload(e, p)) {
            LzmaBlockEntries& b = blocks[{e.offset, e.length}];
            b.offset = e.offset;
            b.length = e.length;
            b.entries.push_back(&e);
        }
    }
    std::vector<LzmaBlockEntries> out;
    for (auto& [key, block] : blocks) {
        out.push_back(std::move(block));
    }
    return out;
}

std::vector<std::string> CheckLzmaOrder(const PackageInfo& p) {
    std::map<uint64_t, const LzmaBlockEntries*> byOffset;
    const std::vector<LzmaBlockEntries> blocks = GroupLzmaBlocks(p);
    for (const LzmaBlockEntries& b : blocks) {
        byOffset[b.offset] = &b;
    }
    std::vector<std::string> problems;
    std::set<uint64_t> started;
    int slot = -1;
    const LzmaBlockEntries* current = nullptr;
    std::size_t next = 0;
    for (const PackageEntry& e : p.entries) {
        if (!InPayload(e, p) || !e.reachable || e.slot >= p.componentsRead) {
            continue;
        }
        if (e.slot != slot) {
            slot = e.slot;  // the installer starts every component without a block
            current = nullptr;
        }
        if (current == nullptr || current->offset != e.offset) {
            current = byOffset.at(e.offset);
            next = 0;
            if (!started.insert(e.offset).second) {
                problems.push_back(e.Name() + " (" + e.dest +
                                   "): the installer reaches its LZMA "
                                   "block a second time and would decode it from its start");
            }
        }
        if (next >= current->entries.size() || current->entries[next] != &e) {
            problems.push_back(e.Name() + " (" + e.dest +
                               "): the installer would take other "
                               "bytes of its LZMA block for it, as entries it does not read "
                               "come before it in the block");
        }
        ++next;
    }
    return problems;
}

std::string DecodeLzmaBlock(File& file, uint64_t payloadBase, const LzmaBlockEntries& block,
                            LzmaEntrySink& sink) {
    file.Seek(payloadBase + block.offset);
    FileInput input(file);
    LzmaBlockReader reader;
    LzmaResult opened = block.length > UINT32_MAX
                            ? LzmaResult::kDamaged
                            : reader.Open(input, static_cast<uint32_t>(block.length));
    std::string blockProblem = opened == LzmaResult::kOk ? "" : Why(opened);
    std::vector<unsigned char> piece(kPiece);
    for (const PackageEntry* e : block.entries) {
        sink.Begin(*e);
        if (!blockProblem.empty()) {
            sink.End(*e, blockProblem);
            continue;
        }
        if (e->origlen > reader.Left()) {
            sink.End(*e, "its origlen of " + std::to_string(e->origlen) +
                             " bytes runs past the end of its LZMA block");
            blockProblem = "the entries take more bytes than the block holds";
            continue;
        }
        uint32_t adler = 1;
        auto out = [&](const unsigned char* data, std::size_t n) {
            adler = Adler32(adler, data, n);
            if (n > 0) {
                sink.Data(data, n);
            }
        };
        std::unique_ptr<BranchFilterStream> filter;
        LzmaResult r = LzmaResult::kOk;
        for (uint64_t left = e->origlen; left > 0 && r == LzmaResult::kOk;) {
            const uint32_t n = static_cast<uint32_t>(left < kPiece ? left : kPiece);
            r = reader.Read(piece.data(), n);
            if (r != LzmaResult::kOk) {
                break;
            }
            // The first piece holds the file's first bytes (or all of a shorter file).
            if (left == e->origlen && reader.Filtered() && TakesBranchFilter(piece.data(), n)) {
                filter = std::make_unique<BranchFilterStream>(false);
            }
            if (filter) {
                filter->Put(piece.data(), n, out);
            } else {
                out(piece.data(), n);
            }
            left -= n;
        }
        if (filter && r == LzmaResult::kOk) {
            filter->Finish(out);
        }
        if (r != LzmaResult::kOk) {
            blockProblem = Why(r);
            sink.End(*e, blockProblem);
        } else if (adler != e->crc) {
            sink.End(*e, "the Adler-32 is " + std::to_string(adler) + ", crc says " +
                             std::to_string(e->crc));
        } else {
            sink.End(*e, {});
        }
    }
    if (!blockProblem.empty()) {
        return {};  // every entry from the failure on has it already
    }
    if (reader.Left() != 0) {
        return std::to_string(reader.Left()) + " decoded bytes of the block belong to no entry";
    }
    if (reader.Finish() != LzmaResult::kOk) {
        return "the LZMA data does not end where the block ends";
    }
    return {};
}

}  // namespace nuvex::pack

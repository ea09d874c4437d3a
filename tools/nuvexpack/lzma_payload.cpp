#include "lzma_payload.h"

#include <algorithm>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>

#include "branch_stream.h"
#include "diagnostics.h"
#include "package_layout.h"

#ifdef NUVEXPACK_HAVE_LIBLZMA
#include <lzma.h>
#endif

namespace nuvex::pack {

namespace {

constexpr std::size_t kReadChunk = 1 << 20;
constexpr uint32_t kMinDictionary = 4096;

int FamilyRank(Family family) {
    return family == Family::kFile ? 0 : family == Family::kWin ? 1 : 2;
}

struct EncodedBlock {
    std::vector<unsigned char> bytes;  // header and LZMA data
    std::vector<uint32_t> adlers;      // of each file, in block order
    std::string error;
};

#ifdef NUVEXPACK_HAVE_LIBLZMA

void PutLe32(unsigned char* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<unsigned char>(v >> (8 * i));
    }
}

// The dictionary of the preset, but never larger than the block needs nor than the
// installer accepts: the installer allocates exactly this much.
uint32_t Dictionary(uint32_t preset, uint64_t blockSize) {
    uint64_t size = preset;
    size = std::min<uint64_t>(size, layout::kLzmaMaxDictionary);
    uint64_t needed = std::max<uint64_t>((blockSize + 4095) / 4096 * 4096, kMinDictionary);
    return static_cast<uint32_t>(std::min(size, needed));
}

class Encoder {
public:
    Encoder(int level, uint64_t blockSize) {
        lzma_options_lzma options;
        if (lzma_lzma_preset(&options, static_cast<uint32_t>(level))) {
            throw PackError("liblzma knows no preset " + std::to_string(level));
        }
        options.dict_size = Dictionary(options.dict_size, blockSize);
        // The .lzma format: five property bytes, an eight-byte size (unknown, so the data
        // ends in an end mark), then the LZMA data the block takes as it is.
        if (lzma_alone_encoder(&stream_, &options) != LZMA_OK) {
            throw PackError("liblzma could not set up its encoder (out of memory?)");
        }
    }
    ~Encoder() { lzma_end(&stream_); }
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;

    void Put(const unsigned char* data, std::size_t size, bool finish) {
        stream_.next_in = data;
        stream_.avail_in = size;
        for (;;) {
            if (out_.size() - stream_.total_out < 65536) {
                out_.resize(out_.size() + std::max<std::size_t>(out_.size() / 2, 1 << 20));
            }
            stream_.next_out = out_.data() + stream_.total_out;
            stream_.avail_out = out_.size() - stream_.total_out;
            lzma_ret rc = lzma_code(&stream_, finish ? LZMA_FINISH : LZMA_RUN);
            if (rc == LZMA_STREAM_END) {
                break;
            }
            if (rc != LZMA_OK) {
                throw PackError("liblzma could not compress a block (error " +
                                std::to_string(static_cast<int>(rc)) + ")");
            }
            if (!finish && stream_.avail_in == 0) {
                break;
            }
        }
    }

    // The .lzma data: the properties, and the LZMA data after the size field.
    std::vector<unsigned char> Take() {
        out_.resize(stream_.total_out);
        return std::move(out_);
    }

private:
    lzma_stream stream_ = LZMA_STREAM_INIT;
    std::vector<unsigned char> out_;
};

constexpr std::size_t kAloneHeader = layout::kLzmaPropsSize + 8;

void EncodeBlock(const std::vector<PayloadItem>& items, const std::vector<std::size_t>& block,
                 int level, EncodedBlock& result) {
    uint64_t total = 0;
    for (std::size_t i : block) {
        total += items[i].size;
    }
    if (total > layout::kLzmaMaxUnpacked) {
        throw PackError(PathText(items[block.front()].source) + " is larger than " +
                        std::to_string(layout::kLzmaMaxUnpacked) +
                        " bytes, the most an LZMA block holds; build this package with zlib");
    }
    Encoder encoder(level, total);
    std::vector<unsigned char> chunk(kReadChunk);
    bool anyFiltered = false;
    auto put = [&](const unsigned char* data, std::size_t size) { encoder.Put(data, size, false); };
    for (std::size_t i : block) {
        const PayloadItem& item = items[i];
        File file = File::OpenRead(item.source);
        uint32_t adler = 1;
        uint64_t left = item.size;
        std::unique_ptr<BranchFilterStream> filter;
        for (bool first = true;; first = false) {
            std::size_t want = left < chunk.size() ? static_cast<std::size_t>(left) : chunk.size();
            std::size_t got = file.Read(chunk.data(), want == 0 ? 1 : want);
            if (got > want) {
                throw PackError(PathText(item.source) + " became longer while it was packed");
            }
            if (want == 0) {
                break;
            }
            if (got < want) {
                throw PackError(PathText(item.source) + " became shorter while it was packed");
            }
            adler = Adler32(adler, chunk.data(), got);
            // The first chunk holds the file's first bytes (or all of a shorter file).
            if (first && TakesBranchFilter(chunk.data(), got)) {
                filter = std::make_unique<BranchFilterStream>(true);
                anyFiltered = true;
            }
            if (filter) {
                filter->Put(chunk.data(), got, put);
            } else {
                put(chunk.data(), got);
            }
            left -= got;
        }
        if (filter) {
            filter->Finish(put);
        }
        result.adlers.push_back(adler);
    }
    encoder.Put(nullptr, 0, true);
    std::vector<unsigned char> alone = encoder.Take();
    if (alone.size() < kAloneHeader) {
        throw PackError("liblzma wrote no LZMA header");
    }
    std::vector<unsigned char>& out = result.bytes;
    out.resize(layout::kLzmaBlockHeaderSize + alone.size() - kAloneHeader);
    std::copy(std::begin(layout::kLzmaMagic), std::end(layout::kLzmaMagic), out.begin());
    out[sizeof layout::kLzmaMagic] = anyFiltered ? layout::kLzmaFilterX86 : layout::kLzmaFilterNone;
    std::copy(alone.begin(), alone.begin() + layout::kLzmaPropsSize,
              out.begin() + sizeof layout::kLzmaMagic + 1);
    PutLe32(out.data() + layout::kLzmaBlockHeaderSize - 4, static_cast<uint32_t>(total));
    std::copy(alone.begin() + kAloneHeader, alone.end(),
              out.begin() + layout::kLzmaBlockHeaderSize);
}

#else

void EncodeBlock(const std::vector<PayloadItem>&, const std::vector<std::size_t>&, int,
                 EncodedBlock&) {
    throw PackError("LZMA compression is not built into this nuvexpack");
}

#endif

}  // namespace

bool LzmaAvailable() {
#ifdef NUVEXPACK_HAVE_LIBLZMA
    return true;
#else
    return false;
#endif
}

std::vector<std::vector<std::size_t>> PlanLzmaBlocks(const std::vector<PayloadItem>& items,
                                                     uint64_t target) {
    std::vector<std::size_t> order(items.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    auto key = [&](std::size_t i) {
        return std::make_tuple(items[i].slot, FamilyRank(items[i].family), items[i].index);
    };
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return key(a) < key(b); });

    std::vector<std::vector<std::size_t>> blocks;
    std::vector<std::vector<std::size_t>> alone;  // after a gap: never visited together
    std::map<std::pair<int, int>, int> expected;  // (slot, family) -> next index visited
    uint64_t filled = 0;
    int blockSlot = -1;
    for (std::size_t i : order) {
        const PayloadItem& item = items[i];
        int& next = expected[{item.slot, FamilyRank(item.family)}];
        if (item.index != next) {
            next = -1;  // the installer stops at the gap; nothing after it is visited
            alone.push_back({i});
            continue;
        }
        ++next;
        if (blocks.empty() || item.slot != blockSlot ||
            (filled > 0 && filled + item.size > target)) {
            blocks.emplace_back();
            filled = 0;
            blockSlot = item.slot;
        }
        blocks.back().push_back(i);
        filled += item.size;
    }
    blocks.insert(blocks.end(), alone.begin(), alone.end());
    return blocks;
}

namespace {

// Encodes the blocks in order on `jobs` threads and hands them out in order. A thread takes
// a block only while fewer than 2 x jobs blocks are taken and not yet handed out, which
// bounds the memory whatever the number of blocks.
class OrderedBlockEncoder {
public:
    OrderedBlockEncoder(const std::vector<PayloadItem>& items,
                        const std::vector<std::vector<std::size_t>>& blocks, int level,
                        unsigned jobs)
        : items_(items), blocks_(blocks), level_(level), jobs_(jobs), encoded_(blocks.size()) {
        try {
            for (unsigned k = 0; k < std::min<std::size_t>(jobs, blocks.size()); ++k) {
                threads_.emplace_back([this] { Work(); });
            }
        } catch (...) {
            Stop();  // a thread that could not start: the others must not outlive the throw
            throw;
        }
    }
    ~OrderedBlockEncoder() { Stop(); }
    OrderedBlockEncoder(const OrderedBlockEncoder&) = delete;
    OrderedBlockEncoder& operator=(const OrderedBlockEncoder&) = delete;

    // Block `index`, once encoded; blocks are taken in order, each once.
    std::unique_ptr<EncodedBlock> Take(std::size_t index) {
        std::unique_ptr<EncodedBlock> block;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [&] { return encoded_[index] != nullptr; });
            block = std::move(encoded_[index]);
            handedOut_ = index + 1;
        }
        changed_.notify_all();
        return block;
    }

private:
    void Stop() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            abort_ = true;
        }
        changed_.notify_all();
        for (std::thread& t : threads_) {
            t.join();
        }
        threads_.clear();
    }

    void Work() {
        for (;;) {
            std::size_t index;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                changed_.wait(lock, [&] {
                    return abort_ || next_ == blocks_.size() || next_ < handedOut_ + 2 * jobs_;
                });
                if (abort_ || next_ == blocks_.size()) {
                    return;
                }
                index = next_++;
            }
            auto block = std::make_unique<EncodedBlock>();
            try {
                EncodeBlock(items_, blocks_[index], level_, *block);
            } catch (const std::exception& e) {
                block->error = e.what();
            }
            std::lock_guard<std::mutex> lock(mutex_);
            encoded_[index] = std::move(block);
            changed_.notify_all();
        }
    }

    const std::vector<PayloadItem>& items_;
    const std::vector<std::vector<std::size_t>>& blocks_;
    const int level_;
    const std::size_t jobs_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::unique_ptr<EncodedBlock>> encoded_;
    std::size_t next_ = 0;
    std::size_t handedOut_ = 0;
    bool abort_ = false;
    std::vector<std::thread> threads_;  // last: started when everything above is set
};

}  // namespace

PayloadResult WriteLzmaPayload(const std::vector<PayloadItem>& items, File& out,
                               const PipelineOptions& options, uint64_t blockTarget) {
    if (items.empty()) {
        return WritePayload({}, out, options);
    }
    const std::vector<std::vector<std::size_t>> blocks = PlanLzmaBlocks(items, blockTarget);
    PayloadResult payload;
    payload.method = layout::kCompressionLzma;
    payload.streams.resize(items.size());
    std::size_t filesDone = 0;
    uint64_t bytesDone = 0;
    OrderedBlockEncoder encoder(items, blocks, options.compression.level,
                                std::max(1u, options.jobs));
    for (std::size_t index = 0; index < blocks.size(); ++index) {
        const std::unique_ptr<EncodedBlock> block = encoder.Take(index);
        if (!block->error.empty()) {
            throw PackError(block->error);
        }
        // Every member of a block shares its offset and length; each keeps its own size and
        // checksum.
        const std::vector<std::size_t>& members = blocks[index];
        for (std::size_t m = 0; m < members.size(); ++m) {
            StreamInfo& info = payload.streams[members[m]];
            info.offset = payload.size;
            info.length = block->bytes.size();
            info.origlen = items[members[m]].size;
            info.adler = block->adlers[m];
            bytesDone += info.origlen;
        }
        out.Write(block->bytes.data(), block->bytes.size());
        payload.crc32 = Crc32(payload.crc32, block->bytes.data(), block->bytes.size());
        payload.size += block->bytes.size();
        filesDone += members.size();
        if (options.onProgress) {
            options.onProgress(filesDone, bytesDone);
        }
    }
    return payload;
}

}  // namespace nuvex::pack

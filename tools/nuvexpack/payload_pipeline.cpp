#include "payload_pipeline.h"

#include <zlib.h>

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "diagnostics.h"

namespace nuvex::pack {

namespace {

constexpr std::size_t kDictionarySize = 32768;

// One piece of work: a whole file, or one piece of a large file.
struct Unit {
    std::size_t source = 0;
    uint64_t offset = 0;  // in the source file
    uint64_t size = 0;
    bool pieced = false;
    bool first = true;
    bool last = true;

    uint64_t Cost() const { return size + (pieced && !first ? kDictionarySize : 0); }
};

struct UnitResult {
    bool ready = false;
    std::vector<unsigned char> data;
    uint32_t adler = 1;
    std::string error;
};

std::vector<Unit> MakeUnits(const std::vector<PayloadSource>& sources,
                            const PipelineOptions& options) {
    std::vector<Unit> units;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        uint64_t size = sources[i].size;
        if (size <= options.wholeFileLimit) {
            units.push_back({i, 0, size, false, true, true});
            continue;
        }
        for (uint64_t at = 0; at < size; at += options.pieceSize) {
            uint64_t n = std::min(options.pieceSize, size - at);
            units.push_back({i, at, n, true, at == 0, at + n == size});
        }
    }
    return units;
}

void ReadExactly(File& file, unsigned char* data, std::size_t size, bool atEnd) {
    if (file.Read(data, size) != size) {
        throw PackError(PathText(file.Path()) + " became shorter while it was packed");
    }
    unsigned char extra;
    if (atEnd && file.Read(&extra, 1) != 0) {
        throw PackError(PathText(file.Path()) + " became longer while it was packed");
    }
}

class Pipeline {
public:
    Pipeline(const std::vector<PayloadSource>& sources, const PipelineOptions& options)
        : sources_(sources),
          options_(options),
          units_(MakeUnits(sources, options)),
          results_(units_.size()) {}

    PayloadResult Run(File& out) {
        unsigned jobs = std::max(1u, options_.jobs);
        jobs = static_cast<unsigned>(
            std::min<std::size_t>(jobs, std::max<std::size_t>(units_.size(), 1)));
        // The writing thread is one of the jobs: while the unit it must write next is not
        // ready, it compresses units itself. So N jobs are N threads, not N + 1, and two jobs
        // are one thread beside the main one. That matters beyond the thread saved: 32-bit
        // Wine under qemu-user breaks when two threads a program created run at once, but
        // runs the main thread and one other (tests/wine/builder_test.cpp).
        writer_ = std::make_unique<StreamCompressor>(options_.compression);
        if (jobs == 1) {
            return Write(out);
        }
        std::vector<std::thread> threads;
        try {
            for (unsigned i = 1; i < jobs; ++i) {
                threads.emplace_back([this] { Work(); });
            }
            PayloadResult result = Write(out);
            for (std::thread& t : threads) {
                t.join();
            }
            return result;
        } catch (...) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                abort_ = true;
            }
            taken_.notify_all();
            for (std::thread& t : threads) {
                if (t.joinable()) {
                    t.join();
                }
            }
            throw;
        }
    }

private:
    // Takes the next unit to compress when the budget of bytes in flight allows it; false
    // when there is none to take now. Called with mutex_ held.
    bool TakeUnit(std::size_t* index) {
        if (abort_ || next_ == units_.size() ||
            (inFlight_ != 0 && inFlight_ + units_[next_].Cost() > options_.inFlightBytes)) {
            return false;
        }
        *index = next_++;
        inFlight_ += units_[*index].Cost();
        return true;
    }

    // Compresses unit `index` and hands the result to the writer.
    void CompressTaken(std::size_t index, StreamCompressor& compressor,
                       std::vector<unsigned char>& input) {
        UnitResult result;
        try {
            Compress(units_[index], compressor, input, result);
        } catch (const std::exception& e) {
            result.error = e.what();
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            result.ready = true;
            results_[index] = std::move(result);
        }
        done_.notify_all();
    }

    void Work() {
        try {
            StreamCompressor compressor(options_.compression);
            std::vector<unsigned char> input;
            for (;;) {
                std::size_t index = 0;
                {
                    std::unique_lock<std::mutex> lock(mutex_);
                    while (!TakeUnit(&index)) {
                        if (abort_ || next_ == units_.size()) {
                            return;
                        }
                        taken_.wait(lock);
                    }
                }
                CompressTaken(index, compressor, input);
            }
        } catch (const std::exception& e) {
            // The compressor itself could not be set up: fail the next unit to be written.
            std::lock_guard<std::mutex> lock(mutex_);
            workerError_ = e.what();
            done_.notify_all();
        }
    }

    void Compress(const Unit& unit, StreamCompressor& compressor, std::vector<unsigned char>& input,
                  UnitResult& result) {
        File file = File::OpenRead(sources_[unit.source].path);
        std::size_t dict =
            unit.pieced && !unit.first
                ? static_cast<std::size_t>(std::min<uint64_t>(kDictionarySize, unit.offset))
                : 0;
        input.resize(dict + static_cast<std::size_t>(unit.size));
        if (unit.offset > 0) {
            file.Seek(unit.offset - dict);
        }
        ReadExactly(file, input.data(), input.size(), unit.last);
        const unsigned char* data = input.data() + dict;
        result.adler = Adler32(1, data, static_cast<std::size_t>(unit.size));
        if (unit.pieced) {
            compressor.CompressPiece(input.data(), dict, data, static_cast<std::size_t>(unit.size),
                                     unit.last, result.data);
        } else {
            compressor.CompressWhole(data, static_cast<std::size_t>(unit.size), result.data);
        }
        if (input.capacity() > options_.pieceSize + kDictionarySize) {
            std::vector<unsigned char>().swap(input);  // do not keep a large buffer
        }
    }

    PayloadResult Write(File& out) {
        PayloadResult payload;
        std::vector<StreamInfo>& infos = payload.streams;
        infos.resize(sources_.size());
        uint32_t crc = 0;
        auto put = [&](const unsigned char* data, std::size_t size) {
            out.Write(data, size);
            crc = Crc32(crc, data, size);
        };
        uint64_t position = 0;
        uint64_t bytesDone = 0;
        std::size_t filesDone = 0;
        for (std::size_t i = 0; i < units_.size(); ++i) {
            UnitResult result;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                while (!results_[i].ready) {
                    if (!workerError_.empty()) {
                        throw PackError(workerError_);
                    }
                    // Unit i is either not taken yet, and then nothing is in flight and the
                    // writer takes it, or a worker has it and will say when it is done.
                    std::size_t index = 0;
                    if (TakeUnit(&index)) {
                        lock.unlock();
                        CompressTaken(index, *writer_, writerInput_);
                        lock.lock();
                    } else {
                        done_.wait(lock);
                    }
                }
                result = std::move(results_[i]);
                results_[i] = UnitResult{};
            }
            const Unit& unit = units_[i];
            if (!result.error.empty()) {
                throw PackError(result.error);
            }
            StreamInfo& info = infos[unit.source];
            if (unit.first) {
                info.offset = position;
                info.origlen = sources_[unit.source].size;
                info.adler = result.adler;
                if (unit.pieced) {
                    auto header = ZlibHeader(PieceLevel(options_.compression));
                    put(header.data(), header.size());
                    position += header.size();
                }
            } else {
                info.adler =
                    adler32_combine(info.adler, result.adler, static_cast<z_off_t>(unit.size));
            }
            put(result.data.data(), result.data.size());
            position += result.data.size();
            if (unit.pieced && unit.last) {
                const unsigned char trailer[4] = {static_cast<unsigned char>(info.adler >> 24),
                                                  static_cast<unsigned char>(info.adler >> 16),
                                                  static_cast<unsigned char>(info.adler >> 8),
                                                  static_cast<unsigned char>(info.adler)};
                put(trailer, sizeof trailer);
                position += sizeof trailer;
            }
            if (unit.last) {
                info.length = position - info.offset;
                ++filesDone;
            }
            bytesDone += unit.size;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                inFlight_ -= unit.Cost();
            }
            taken_.notify_all();
            if (options_.onProgress) {
                options_.onProgress(filesDone, bytesDone);
            }
        }
        payload.size = position;
        payload.crc32 = crc;
        return payload;
    }

    const std::vector<PayloadSource>& sources_;
    const PipelineOptions& options_;
    std::vector<Unit> units_;
    std::vector<UnitResult> results_;

    std::mutex mutex_;
    std::condition_variable taken_;  // a unit was written: room for more
    std::condition_variable done_;   // a unit was compressed
    std::size_t next_ = 0;
    uint64_t inFlight_ = 0;
    bool abort_ = false;
    std::string workerError_;
    std::unique_ptr<StreamCompressor> writer_;  // the writing thread's own compressor
    std::vector<unsigned char> writerInput_;
};

}  // namespace

namespace {

// zlib's checksum functions take a 32-bit length (uInt); feed them at most 1 GiB at a time.
template <typename Checksum>
uint32_t InChunks(Checksum checksum, uint32_t value, const unsigned char* data, std::size_t size) {
    uLong v = value;
    while (size > 0) {
        uInt n = size > (1u << 30) ? (1u << 30) : static_cast<uInt>(size);
        v = checksum(v, data, n);
        data += n;
        size -= n;
    }
    return static_cast<uint32_t>(v);
}

}  // namespace

uint32_t Adler32(uint32_t adler, const unsigned char* data, std::size_t size) {
    return InChunks(adler32, adler, data, size);
}

uint32_t Crc32(uint32_t crc, const unsigned char* data, std::size_t size) {
    return InChunks(crc32, crc, data, size);
}

PayloadResult WritePayload(const std::vector<PayloadSource>& sources, File& out,
                           const PipelineOptions& options) {
    if (sources.empty()) {
        PayloadResult empty;
        out.Write(kEmptyZlibStream, sizeof kEmptyZlibStream);
        empty.size = sizeof kEmptyZlibStream;
        empty.crc32 = Crc32(0, kEmptyZlibStream, sizeof kEmptyZlibStream);
        return empty;
    }
    Pipeline pipeline(sources, options);
    return pipeline.Run(out);
}

}  // namespace nuvex::pack

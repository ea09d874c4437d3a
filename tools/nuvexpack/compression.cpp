#include "compression.h"

#include <zlib.h>

#include <climits>
#include <new>

#include "diagnostics.h"
#include "lzma_payload.h"

#ifdef NUVEXPACK_HAVE_LIBDEFLATE
#include <libdeflate.h>
#endif

namespace nuvex::pack {

namespace {

// Chosen with bench/pack-benchmark.sh: libdeflate at 7 is about a tenth of gzip -9's time
// on two cores and about 1% smaller (at 6 it is barely smaller, at 8 much slower). zlib
// alone keeps its own default.
constexpr int kDefaultLibdeflateLevel = 7;
constexpr int kDefaultZlibLevel = 6;
// liblzma's preset 6 (a dictionary of 8 MiB, the larger presets differ in it alone). See
// docs/nuvexpack.md for the figures.
constexpr int kDefaultLzmaLevel = 6;
constexpr int kZlibMemLevel = 9;

}  // namespace

bool EngineAvailable(Engine engine) {
    if (engine == Engine::kLzma) {
        return LzmaAvailable();
    }
#ifdef NUVEXPACK_HAVE_LIBDEFLATE
    return true;
#else
    return engine == Engine::kZlib;
#endif
}

Engine PreferredEngine() {
    return EngineAvailable(Engine::kLibdeflate) ? Engine::kLibdeflate : Engine::kZlib;
}

const char* EngineName(Engine engine) {
    switch (engine) {
        case Engine::kZlib:
            return "zlib";
        case Engine::kLibdeflate:
            return "libdeflate";
        default:
            return "lzma";
    }
}

int MaxLevel(Engine engine) { return engine == Engine::kLibdeflate ? 12 : 9; }

int DefaultLevel(Engine engine) {
    switch (engine) {
        case Engine::kZlib:
            return kDefaultZlibLevel;
        case Engine::kLibdeflate:
            return kDefaultLibdeflateLevel;
        default:
            return kDefaultLzmaLevel;
    }
}

int PieceLevel(const CompressionSettings& settings) {
    return settings.level > 9 ? 9 : settings.level;
}

std::array<unsigned char, 2> ZlibHeader(int zlibLevel) {
    unsigned flags = zlibLevel < 2 ? 0 : zlibLevel < 6 ? 1 : zlibLevel == 6 ? 2 : 3;
    unsigned header = (0x78u << 8) | (flags << 6);
    header += 31 - header % 31;
    return {static_cast<unsigned char>(header >> 8), static_cast<unsigned char>(header & 0xFF)};
}

namespace {

// deflate() until all input is taken and, for Z_FINISH, the stream is ended, or, for
// Z_SYNC_FLUSH, everything is out up to a byte boundary. The output grows when needed:
// deflateBound() of zlib 1.2.13 comes out too small for level 0 with a large memLevel.
void RunDeflate(z_stream& s, const unsigned char* in, std::size_t size, int flush,
                std::vector<unsigned char>& out) {
    out.resize(deflateBound(&s, static_cast<uLong>(size)) + 64);
    s.next_in = const_cast<Bytef*>(in);
    s.avail_in = static_cast<uInt>(size);
    for (;;) {
        s.next_out = out.data() + s.total_out;
        s.avail_out = static_cast<uInt>(out.size() - s.total_out);
        int rc = deflate(&s, flush);
        if (rc == Z_STREAM_ERROR) {
            throw PackError("zlib could not compress a file");
        }
        bool done = flush == Z_FINISH ? rc == Z_STREAM_END : (s.avail_in == 0 && s.avail_out > 0);
        if (done) {
            break;
        }
        if (s.avail_out == 0) {
            out.resize(out.size() * 2);
        } else if (rc != Z_OK) {
            throw PackError("zlib could not compress a file");
        }
    }
    out.resize(s.total_out);
}

}  // namespace

struct StreamCompressor::Impl {
    CompressionSettings settings;
    z_stream whole{};
    bool wholeReady = false;
    z_stream raw{};
    bool rawReady = false;
#ifdef NUVEXPACK_HAVE_LIBDEFLATE
    libdeflate_compressor* ld = nullptr;
#endif

    ~Impl() {
        if (wholeReady) {
            deflateEnd(&whole);
        }
        if (rawReady) {
            deflateEnd(&raw);
        }
#ifdef NUVEXPACK_HAVE_LIBDEFLATE
        if (ld != nullptr) {
            libdeflate_free_compressor(ld);
        }
#endif
    }

    z_stream& Stream(bool rawDeflate) {
        z_stream& s = rawDeflate ? raw : whole;
        bool& ready = rawDeflate ? rawReady : wholeReady;
        if (!ready) {
            int level = PieceLevel(settings);
            if (deflateInit2(&s, level, Z_DEFLATED, rawDeflate ? -15 : 15, kZlibMemLevel,
                             Z_DEFAULT_STRATEGY) != Z_OK) {
                throw std::bad_alloc();
            }
            ready = true;
        } else if (deflateReset(&s) != Z_OK) {
            throw PackError("deflateReset failed");
        }
        return s;
    }
};

StreamCompressor::StreamCompressor(const CompressionSettings& settings)
    : impl_(std::make_unique<Impl>()) {
    impl_->settings = settings;
#ifdef NUVEXPACK_HAVE_LIBDEFLATE
    if (settings.engine == Engine::kLibdeflate) {
        impl_->ld = libdeflate_alloc_compressor(settings.level);
        if (impl_->ld == nullptr) {
            throw std::bad_alloc();
        }
    }
#endif
}

StreamCompressor::~StreamCompressor() = default;

void StreamCompressor::CompressWhole(const unsigned char* in, std::size_t size,
                                     std::vector<unsigned char>& out) {
#ifdef NUVEXPACK_HAVE_LIBDEFLATE
    if (impl_->ld != nullptr) {
        out.resize(libdeflate_zlib_compress_bound(impl_->ld, size));
        std::size_t n = libdeflate_zlib_compress(impl_->ld, in, size, out.data(), out.size());
        if (n == 0) {
            throw PackError("libdeflate could not compress a file");
        }
        out.resize(n);
        return;
    }
#endif
    if (size > UINT_MAX / 2) {
        throw PackError("a file too large for one zlib call");
    }
    z_stream& s = impl_->Stream(false);
    RunDeflate(s, in, size, Z_FINISH, out);
}

void StreamCompressor::CompressPiece(const unsigned char* dict, std::size_t dictSize,
                                     const unsigned char* in, std::size_t size, bool last,
                                     std::vector<unsigned char>& out) {
    if (size > UINT_MAX / 2) {
        throw PackError("a piece too large for one zlib call");
    }
    z_stream& s = impl_->Stream(true);
    if (dictSize > 0 && deflateSetDictionary(&s, dict, static_cast<uInt>(dictSize)) != Z_OK) {
        throw PackError("deflateSetDictionary failed");
    }
    RunDeflate(s, in, size, last ? Z_FINISH : Z_SYNC_FLUSH, out);
}

}  // namespace nuvex::pack

#include "file_io.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <random>
#include <system_error>
#include <vector>

#include "diagnostics.h"
#include "platform.h"

namespace nuvex::pack {

namespace {

std::string LastError() { return std::strerror(errno); }

FILE* OpenFile(const fs::path& path, bool write) {
#ifdef _WIN32
    return _wfopen(path.c_str(), write ? L"wb" : L"rb");
#else
    return std::fopen(path.c_str(), write ? "wb" : "rb");
#endif
}

int SeekFile(FILE* f, uint64_t offset) {
#ifdef _WIN32
    return _fseeki64(f, static_cast<__int64>(offset), SEEK_SET);
#else
    return fseeko(f, static_cast<off_t>(offset), SEEK_SET);
#endif
}

}  // namespace

std::string PathText(const fs::path& path) { return path.string(); }

File::~File() {
    if (f_ != nullptr) {
        std::fclose(f_);
    }
}

File::File(File&& other) noexcept : f_(other.f_), path_(std::move(other.path_)) {
    other.f_ = nullptr;
}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        if (f_ != nullptr) {
            std::fclose(f_);
        }
        f_ = other.f_;
        path_ = std::move(other.path_);
        other.f_ = nullptr;
    }
    return *this;
}

File File::OpenRead(const fs::path& path) {
    File file;
    file.path_ = path;
    file.f_ = OpenFile(path, false);
    if (file.f_ == nullptr) {
        throw PackError("cannot open " + PathText(path) + ": " + LastError());
    }
    return file;
}

File File::Create(const fs::path& path) {
    File file;
    file.path_ = path;
    file.f_ = OpenFile(path, true);
    if (file.f_ == nullptr) {
        throw PackError("cannot create " + PathText(path) + ": " + LastError());
    }
    return file;
}

File File::CreateNew(const fs::path& path) {
    File file;
    file.path_ = path;
    switch (CreateNewFile(path, &file.f_)) {
        case CreateNewResult::kCreated:
            return file;
        case CreateNewResult::kExists:
            file.f_ = nullptr;
            return file;
        default:
            throw PackError("cannot create " + PathText(path) + ": " + LastError());
    }
}

void File::Seek(uint64_t offset) {
    if (SeekFile(f_, offset) != 0) {
        throw PackError("cannot seek in " + PathText(path_) + ": " + LastError());
    }
}

uint64_t File::Size() {
    std::error_code ec;
    uint64_t size = fs::file_size(path_, ec);
    if (ec) {
        throw PackError("cannot read the size of " + PathText(path_) + ": " + ec.message());
    }
    return size;
}

std::size_t File::Read(void* data, std::size_t size) {
    std::size_t n = std::fread(data, 1, size, f_);
    if (n < size && std::ferror(f_)) {
        throw PackError("cannot read " + PathText(path_) + ": " + LastError());
    }
    return n;
}

void File::Write(const void* data, std::size_t size) {
    if (size > 0 && std::fwrite(data, 1, size, f_) != size) {
        throw PackError("cannot write " + PathText(path_) + ": " + LastError());
    }
}

void File::Close() {
    if (f_ == nullptr) {
        return;
    }
    FILE* f = f_;
    f_ = nullptr;
    if (std::fclose(f) != 0) {
        throw PackError("cannot write " + PathText(path_) + ": " + LastError());
    }
}

std::string ReadWholeFile(const fs::path& path) {
    File file = File::OpenRead(path);
    std::string data;
    char buf[65536];
    for (;;) {
        std::size_t n = file.Read(buf, sizeof buf);
        data.append(buf, n);
        if (n < sizeof buf) {
            break;
        }
    }
    return data;
}

void CopyBytes(File& from, File& to, uint64_t count) {
    std::vector<char> buf(1 << 20);
    while (count > 0) {
        std::size_t want = count < buf.size() ? static_cast<std::size_t>(count) : buf.size();
        std::size_t n = from.Read(buf.data(), want);
        if (n == 0) {
            throw PackError(PathText(from.Path()) + " ended early");
        }
        to.Write(buf.data(), n);
        count -= n;
    }
}

int FileByteSource::Get() {
    if (pos_ == len_) {
        len_ = file_.Read(buf_, sizeof buf_);
        pos_ = 0;
        if (len_ == 0) {
            return kEndOfInput;
        }
    }
    return buf_[pos_++];
}

TempOutput::TempOutput(const fs::path& finalPath) : final_(finalPath) {
    // Some older MinGW runtimes give a fixed random_device sequence; the clock keeps two
    // runs apart. A clash costs one more attempt, never a file: the name is taken only
    // when it is free.
    static std::mt19937 random(
        std::random_device{}() ^
        static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()));
    const fs::path folder = finalPath.parent_path();
    std::error_code ec;
    if (!folder.empty() && !fs::is_directory(folder, ec)) {
        done_ = true;
        throw PackError("cannot write " + PathText(finalPath) + ": the folder " + PathText(folder) +
                        (fs::exists(folder, ec) ? " is not a folder" : " does not exist"));
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, "~nvx%08x.tmp", static_cast<unsigned>(random()));
        temp_ = folder / name;
        file_ = File::CreateNew(temp_);
        if (file_.IsOpen()) {
            WatchTempFile(temp_);
            return;
        }
    }
    done_ = true;  // nothing of ours to remove
    throw PackError("cannot create a temporary file beside " + PathText(finalPath) +
                    ": every name tried exists");
}

TempOutput::~TempOutput() {
    if (!done_) {
        try {
            Discard();
        } catch (...) {
            // Removing is best effort here; the error that brought us here is reported.
        }
    }
}

void TempOutput::Discard() {
    done_ = true;
    UnwatchTempFile(temp_);
    if (file_.IsOpen()) {
        try {
            file_.Close();
        } catch (const PackError&) {
            // The file is removed anyway.
        }
    }
    std::error_code ec;
    fs::remove(temp_, ec);
}

void TempOutput::Commit() {
    file_.Close();
    // The name was ours when it was created; if something has put a link there since,
    // renaming it into place would leave a link where a file belongs.
    if (IsLink(temp_)) {
        Discard();  // removes the link, never what it points to
        throw PackError(PathText(temp_) + " was replaced by a link while it was written");
    }
    std::error_code ec;
    fs::rename(temp_, final_, ec);
    if (ec) {
        // Some file systems refuse to replace; try once more without the old file.
        std::error_code ignored;
        fs::remove(final_, ignored);
        fs::rename(temp_, final_, ec);
    }
    if (ec) {
        Discard();
        throw PackError("cannot rename " + PathText(temp_) + " to " + PathText(final_) + ": " +
                        ec.message());
    }
    UnwatchTempFile(temp_);
    done_ = true;
}

}  // namespace nuvex::pack

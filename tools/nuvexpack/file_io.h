// Files with 64-bit offsets on both builds, errors as PackError naming the file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "byte_io.h"

namespace nuvex::pack {

namespace fs = std::filesystem;

// A path as shown in messages.
std::string PathText(const fs::path& path);

class File {
public:
    File() = default;
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    static File OpenRead(const fs::path& path);
    static File Create(const fs::path& path);  // truncates
    // Creates a file that must not exist yet, not through a link. Returns a closed File
    // when the name is taken; throws on other failures.
    static File CreateNew(const fs::path& path);

    bool IsOpen() const { return f_ != nullptr; }
    const fs::path& Path() const { return path_; }

    void Seek(uint64_t offset);
    uint64_t Size();
    // Reads up to `size` bytes; fewer only at the end of the file.
    std::size_t Read(void* data, std::size_t size);
    void Write(const void* data, std::size_t size);
    void Write(const std::string& s) { Write(s.data(), s.size()); }
    // Flushes and closes; reports a failed flush (a full disk, say).
    void Close();

private:
    FILE* f_ = nullptr;
    fs::path path_;
};

std::string ReadWholeFile(const fs::path& path);
void CopyBytes(File& from, File& to, uint64_t count);

// The installer's byte-at-a-time view of a package, with a buffer under it.
class FileByteSource final : public ByteSource {
public:
    explicit FileByteSource(File& file) : file_(file) {}
    int Get() override;

private:
    File& file_;
    unsigned char buf_[65536];
    std::size_t pos_ = 0;
    std::size_t len_ = 0;
};

// A file written under a temporary name beside its final path and renamed there by
// Commit(). Until then, destruction removes it, so a failed command leaves nothing.
//
// The temporary name is short and random ("~nvx" + 8 hex digits + ".tmp"), so it fits
// beside a final name of 255 characters, and it is created exclusively and never through a
// link: a name that exists already, a file of the package or a planted link, is never
// written; another name is drawn instead.
class TempOutput {
public:
    explicit TempOutput(const fs::path& finalPath);
    ~TempOutput();
    TempOutput(const TempOutput&) = delete;
    TempOutput& operator=(const TempOutput&) = delete;

    File& file() { return file_; }
    const fs::path& TempPath() const { return temp_; }
    void Commit();
    // Closes and removes the temporary file now.
    void Discard();

private:
    fs::path final_;
    fs::path temp_;
    File file_;
    bool done_ = false;
};

}  // namespace nuvex::pack

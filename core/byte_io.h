// Minimal byte source and sink used by the package search and the script copy, so that both
// run over a file in the installer and over memory in the tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace nuvex {

inline constexpr int kEndOfInput = -1;

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Next byte as 0..255, or kEndOfInput.
    virtual int Get() = 0;
};

class ByteSink {
public:
    virtual ~ByteSink() = default;
    // False when the byte could not be written.
    virtual bool Put(unsigned char byte) = 0;
};

class MemorySource final : public ByteSource {
public:
    MemorySource(const void* data, std::size_t size)
        : data_(static_cast<const unsigned char*>(data)), size_(size) {}
    explicit MemorySource(const std::string& s) : MemorySource(s.data(), s.size()) {}
    // The source only points at the bytes; a temporary would leave it dangling.
    explicit MemorySource(std::string&&) = delete;
    int Get() override { return pos_ < size_ ? data_[pos_++] : kEndOfInput; }
    std::size_t Position() const { return pos_; }
    void Seek(std::size_t pos) { pos_ = pos < size_ ? pos : size_; }

private:
    const unsigned char* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

class StringSink final : public ByteSink {
public:
    bool Put(unsigned char byte) override {
        text += static_cast<char>(byte);
        return true;
    }
    std::string text;
};

}  // namespace nuvex

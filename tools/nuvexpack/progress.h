// The progress line of a build on a terminal: files, bytes and rate, redrawn in place.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>

namespace nuvex::pack {

class ProgressBar {
public:
    // Draws nothing unless `enabled`.
    ProgressBar(bool enabled, std::size_t files, uint64_t bytes, std::FILE* out = stderr);
    ~ProgressBar();
    void Update(std::size_t files, uint64_t bytes);
    // Draws the final state and ends the line.
    void Finish();

private:
    void Draw(std::size_t files, uint64_t bytes);

    bool enabled_;
    std::size_t totalFiles_;
    uint64_t totalBytes_;
    std::FILE* out_;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastDraw_;
    std::size_t files_ = 0;
    uint64_t bytes_ = 0;
    bool drawn_ = false;
};

}  // namespace nuvex::pack

#include "progress.h"

namespace nuvex::pack {

namespace {

constexpr int kBarWidth = 30;
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

double MiB(uint64_t bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

}  // namespace

ProgressBar::ProgressBar(bool enabled, std::size_t files, uint64_t bytes, std::FILE* out)
    : enabled_(enabled),
      totalFiles_(files),
      totalBytes_(bytes),
      out_(out),
      start_(std::chrono::steady_clock::now()),
      lastDraw_(start_) {}

ProgressBar::~ProgressBar() {
    if (enabled_ && drawn_) {
        std::fputc('\n', out_);
    }
}

void ProgressBar::Update(std::size_t files, uint64_t bytes) {
    files_ = files;
    bytes_ = bytes;
    if (!enabled_) {
        return;
    }
    auto now = std::chrono::steady_clock::now();
    if (drawn_ && now - lastDraw_ < kRedrawInterval) {
        return;
    }
    lastDraw_ = now;
    Draw(files, bytes);
}

void ProgressBar::Finish() {
    if (!enabled_) {
        return;
    }
    Draw(files_, bytes_);
    std::fputc('\n', out_);
    drawn_ = false;
}

void ProgressBar::Draw(std::size_t files, uint64_t bytes) {
    double fraction =
        totalBytes_ > 0
            ? static_cast<double>(bytes) / static_cast<double>(totalBytes_)
            : (totalFiles_ > 0 ? static_cast<double>(files) / static_cast<double>(totalFiles_)
                               : 1.0);
    int filled = static_cast<int>(fraction * kBarWidth + 0.5);
    char bar[kBarWidth + 1];
    for (int i = 0; i < kBarWidth; ++i) {
        bar[i] = i < filled ? '#' : '.';
    }
    bar[kBarWidth] = '\0';
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    double rate = seconds > 0 ? MiB(bytes) / seconds : 0.0;
    std::fprintf(out_, "\r[%s] %zu/%zu files  %.1f/%.1f MiB  %.1f MiB/s ", bar, files, totalFiles_,
                 MiB(bytes), MiB(totalBytes_), rate);
    std::fflush(out_);
    drawn_ = true;
}

}  // namespace nuvex::pack

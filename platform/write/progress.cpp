#include "progress.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>

namespace tvx {

namespace {
std::atomic<bool> progressEnabled{true};
constexpr auto kRedrawInterval = std::chrono::milliseconds(200);

void WriteAll(int fd, const char* text, std::size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, text, size);
    if (n <= 0) return;  // a progress line is not worth failing the copy for
    text += n;
    size -= std::size_t(n);
  }
}
}  // namespace

void SetProgressEnabled(bool enabled) { progressEnabled = enabled; }
bool ProgressEnabled() { return progressEnabled; }

CopyProgress::CopyProgress(std::uint64_t total, int fd)
    : total_(total), fd_(fd), visible_(progressEnabled && total > 0 && ::isatty(fd) == 1) {}

CopyProgress::~CopyProgress() {
  if (!drawn_) return;
  static const char erase[] = "\r                              \r";
  WriteAll(fd_, erase, sizeof erase - 1);
}

void CopyProgress::Advance(std::uint64_t bytes) {
  done_ += bytes;
  if (!visible_) return;
  auto now = std::chrono::steady_clock::now();
  if (drawn_ && now - lastDraw_ < kRedrawInterval) return;
  lastDraw_ = now;
  Draw();
}

void CopyProgress::Draw() {
  int percent = int(done_ >= total_ ? 100 : done_ * 100 / total_);
  if (percent == lastPercent_) return;
  lastPercent_ = percent;
  char line[64];
  int n = std::snprintf(line, sizeof line, "\rCopying media %3d%%", percent);
  if (n > 0) WriteAll(fd_, line, std::size_t(n));
  drawn_ = true;
}

}  // namespace tvx

// A one-line progress indicator on standard error while media are copied. It shows only when
// standard error is a terminal and the run is not quiet, and is erased when the copy ends.
#pragma once

#include <chrono>
#include <cstdint>

namespace tvx {

/// Off for quiet runs; on by default.
void SetProgressEnabled(bool enabled);
bool ProgressEnabled();

class CopyProgress {
 public:
  /// total: bytes to copy. fd: where to draw (standard error); drawn only on a terminal.
  explicit CopyProgress(std::uint64_t total, int fd = 2);
  CopyProgress(const CopyProgress&) = delete;
  CopyProgress& operator=(const CopyProgress&) = delete;
  ~CopyProgress();  // erases the line

  void Advance(std::uint64_t bytes);
  bool Visible() const { return visible_; }

 private:
  void Draw();

  std::uint64_t total_ = 0;
  std::uint64_t done_ = 0;
  int fd_ = 2;
  bool visible_ = false;
  bool drawn_ = false;
  int lastPercent_ = -1;
  std::chrono::steady_clock::time_point lastDraw_{};
};

}  // namespace tvx

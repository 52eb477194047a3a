// An output file written beside its destination and renamed over it only when complete, so a
// failed write never leaves a half-written file in place of a good one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "../MacTypes.h"

namespace tvx {

class AtomicFile {
 public:
  AtomicFile() = default;
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;
  ~AtomicFile();  // removes the temporary file unless committed

  /// Creates a temporary file in destination's folder. Statuses: permErr, fnfErr, ioErr.
  OSErr Create(const std::string& destination);
  int fd() const { return fd_; }
  const std::string& destination() const { return destination_; }
  /// Appends bytes at the current end; dskFulErr or ioErr on failure.
  OSErr Write(const void* data, std::size_t size);
  /// Writes at an absolute offset (for patching a header laid out in advance).
  OSErr WriteAt(std::uint64_t offset, const void* data, std::size_t size);
  std::uint64_t size() const { return size_; }
  /// Flushes, closes and renames over the destination.
  OSErr Commit();
  /// Removes the temporary file.
  void Abandon();

 private:
  int fd_ = -1;
  std::string destination_;
  std::string temporary_;
  std::uint64_t size_ = 0;
};

/// Maps errno of a failed system call to a status.
OSErr StatusFromErrno(int err);

}  // namespace tvx

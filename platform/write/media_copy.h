// Copies byte ranges of source files into an output file: in large blocks, with the kernel's
// copy_file_range where it works and a bounded buffer otherwise, joining ranges that continue
// each other, keeping each source open once, and leaving holes of sparse sources as holes.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "../MacTypes.h"

namespace tvx {

class CopyProgress;

struct CopyStats {
  std::uint64_t kernelBytes = 0;    // copied by copy_file_range
  std::uint64_t bufferedBytes = 0;  // copied through the buffer
  std::uint64_t holeBytes = 0;      // holes of sparse sources, left unwritten
};

class MediaCopier {
 public:
  /// destination: an open file descriptor; progress may be null.
  MediaCopier(int destination, CopyProgress* progress);
  MediaCopier(const MediaCopier&) = delete;
  MediaCopier& operator=(const MediaCopier&) = delete;
  ~MediaCopier();

  /// Opens path for reading, once: the same path gives the same index. Statuses as for open(2).
  OSErr AddSource(const std::string& path, std::uint32_t* index);
  /// Copies [offset, offset + size) of a source to destinationOffset. Ranges that continue the
  /// previous one in both files are joined, so the copy may happen on a later call or in
  /// Finish(). A source too short gives eofErr, a read error ioErr.
  OSErr Copy(std::uint32_t source, std::uint64_t offset, std::uint64_t size,
             std::uint64_t destinationOffset);
  /// Copies what is still pending.
  OSErr Finish();

  const CopyStats& stats() const { return stats_; }
  /// Bytes of the transfer buffer (for checks of the memory bound).
  static std::size_t BufferSize();
  /// Off: always copy through the buffer (to compare the two paths).
  void UseKernelCopy(bool use) { kernelAllowed_ = use; }

 private:
  struct Source {
    int fd = -1;
    std::uint64_t size = 0;
    bool sparse = false;     // has holes: copy only its data
    bool kernelCopy = true;  // copy_file_range still worth trying
  };
  struct Pending {
    std::uint32_t source = 0;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    std::uint64_t destinationOffset = 0;
  };

  OSErr Transfer(const Pending& p);
  void Copied(std::uint64_t bytes, std::uint64_t endOffset);
  OSErr CopyData(Source& src, std::uint64_t offset, std::uint64_t size, std::uint64_t to);
  OSErr CopyBuffered(Source& src, std::uint64_t offset, std::uint64_t size, std::uint64_t to);

  int destination_;
  CopyProgress* progress_;
  std::vector<Source> sources_;
  std::map<std::string, std::uint32_t> byPath_;
  Pending pending_;
  std::unique_ptr<char[]> buffer_;
  CopyStats stats_;
  bool kernelAllowed_ = true;
  std::uint64_t writtenEnd_ = 0;     // highest destination offset written so far
  std::uint64_t writebackFrom_ = 0;  // where the last writeback request ended

};

}  // namespace tvx

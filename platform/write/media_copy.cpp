#include "media_copy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "../system/atomic_file.h"
#include "progress.h"

namespace tvx {

namespace {
constexpr std::size_t kBufferSize = std::size_t(8) << 20;
// copy_file_range moves this much per call, so progress and errors show up in good time.
constexpr std::uint64_t kKernelSlice = std::uint64_t(64) << 20;
// The output is flushed before it replaces the destination. Asking the kernel to start writing
// back every so often overlaps that disk work with the copy instead of leaving it all to the end.
constexpr std::uint64_t kWritebackStep = std::uint64_t(64) << 20;
}  // namespace

std::size_t MediaCopier::BufferSize() { return kBufferSize; }

MediaCopier::MediaCopier(int destination, CopyProgress* progress)
    : destination_(destination), progress_(progress) {}

MediaCopier::~MediaCopier() {
  for (Source& s : sources_)
    if (s.fd >= 0) ::close(s.fd);
}

OSErr MediaCopier::AddSource(const std::string& path, std::uint32_t* index) {
  auto found = byPath_.find(path);
  if (found != byPath_.end()) {
    *index = found->second;
    return noErr;
  }
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return StatusFromErrno(errno);
  struct stat st{};
  if (::fstat(fd, &st) != 0) {
    OSErr err = StatusFromErrno(errno);
    ::close(fd);
    return err;
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    return notAFileErr;
  }
  Source src;
  src.fd = fd;
  src.size = std::uint64_t(st.st_size);
  // A file whose first hole is before its end has holes worth keeping (sparse test inputs,
  // preallocated captures); elsewhere lseek reports the end and nothing changes.
  off_t hole = ::lseek(fd, 0, SEEK_HOLE);
  src.sparse = hole >= 0 && std::uint64_t(hole) < src.size;
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  *index = std::uint32_t(sources_.size());
  sources_.push_back(src);
  byPath_.emplace(path, *index);
  return noErr;
}

OSErr MediaCopier::Copy(std::uint32_t source, std::uint64_t offset, std::uint64_t size,
                        std::uint64_t destinationOffset) {
  if (source >= sources_.size()) return paramErr;
  if (size == 0) return noErr;
  Pending& p = pending_;
  if (p.size > 0 && p.source == source && p.offset + p.size == offset &&
      p.destinationOffset + p.size == destinationOffset) {
    p.size += size;
    return noErr;
  }
  OSErr err = Finish();
  pending_ = Pending{source, offset, size, destinationOffset};
  return err;
}

OSErr MediaCopier::Finish() {
  if (pending_.size == 0) return noErr;
  Pending p = pending_;
  pending_ = Pending{};
  return Transfer(p);
}

OSErr MediaCopier::Transfer(const Pending& p) {
  Source& src = sources_[p.source];
  if (p.offset > src.size || p.size > src.size - p.offset) return eofErr;
  if (!src.sparse) return CopyData(src, p.offset, p.size, p.destinationOffset);

  const std::uint64_t end = p.offset + p.size;
  std::uint64_t at = p.offset;
  while (at < end) {
    off_t data = ::lseek(src.fd, off_t(at), SEEK_DATA);
    std::uint64_t dataAt;
    if (data < 0) {
      if (errno != ENXIO) return ioErr;
      dataAt = end;  // only a hole from here to the end of the file
    } else {
      dataAt = std::min<std::uint64_t>(std::uint64_t(data), end);
    }
    if (dataAt > at) {  // the destination is a fresh file: unwritten bytes read as zero
      stats_.holeBytes += dataAt - at;
      if (progress_ != nullptr) progress_->Advance(dataAt - at);
      at = dataAt;
      continue;
    }
    off_t hole = ::lseek(src.fd, off_t(at), SEEK_HOLE);
    if (hole < 0) return ioErr;
    std::uint64_t dataEnd = std::min<std::uint64_t>(std::max<std::uint64_t>(hole, at + 1), end);
    if (OSErr err = CopyData(src, at, dataEnd - at, p.destinationOffset + (at - p.offset));
        err != noErr)
      return err;
    at = dataEnd;
  }
  return noErr;
}

void MediaCopier::Copied(std::uint64_t bytes, std::uint64_t endOffset) {
  if (progress_ != nullptr) progress_->Advance(bytes);
  writtenEnd_ = std::max(writtenEnd_, endOffset);
  if (writtenEnd_ - writebackFrom_ < kWritebackStep) return;
  // Only a hint: a failure here changes nothing about the data.
  ::sync_file_range(destination_, off_t(writebackFrom_), off_t(writtenEnd_ - writebackFrom_),
                    SYNC_FILE_RANGE_WRITE);
  writebackFrom_ = writtenEnd_;
}

OSErr MediaCopier::CopyData(Source& src, std::uint64_t offset, std::uint64_t size,
                            std::uint64_t to) {
  while (size > 0 && src.kernelCopy && kernelAllowed_) {
    loff_t in = loff_t(offset);
    loff_t out = loff_t(to);
    ssize_t n = ::copy_file_range(src.fd, &in, destination_, &out,
                                  std::size_t(std::min(size, kKernelSlice)), 0);
    if (n > 0) {
      offset += std::uint64_t(n);
      to += std::uint64_t(n);
      size -= std::uint64_t(n);
      stats_.kernelBytes += std::uint64_t(n);
      Copied(std::uint64_t(n), to);
      continue;
    }
    if (n == 0) return eofErr;  // the source ends early
    if (errno == EINTR) continue;
    // EXDEV, EINVAL, ENOSYS, EOPNOTSUPP and friends: this pair of files needs plain reads and
    // writes. A real I/O error shows up again there and is reported from there.
    src.kernelCopy = false;
  }
  return CopyBuffered(src, offset, size, to);
}

OSErr MediaCopier::CopyBuffered(Source& src, std::uint64_t offset, std::uint64_t size,
                                std::uint64_t to) {
  if (size == 0) return noErr;
  if (!buffer_) buffer_.reset(new (std::nothrow) char[kBufferSize]);
  if (!buffer_) return memFullErr;
  while (size > 0) {
    std::size_t want = std::size_t(std::min<std::uint64_t>(size, kBufferSize));
    ssize_t got = ::pread(src.fd, buffer_.get(), want, off_t(offset));
    if (got < 0) {
      if (errno == EINTR) continue;
      return ioErr;
    }
    if (got == 0) return eofErr;
    const char* p = buffer_.get();
    std::size_t left = std::size_t(got);
    std::uint64_t at = to;
    while (left > 0) {
      ssize_t put = ::pwrite(destination_, p, left, off_t(at));
      if (put < 0) {
        if (errno == EINTR) continue;
        return StatusFromErrno(errno);
      }
      if (put == 0) return dskFulErr;
      p += put;
      left -= std::size_t(put);
      at += std::uint64_t(put);
    }
    offset += std::uint64_t(got);
    to += std::uint64_t(got);
    size -= std::uint64_t(got);
    stats_.bufferedBytes += std::uint64_t(got);
    Copied(std::uint64_t(got), to);
  }
  return noErr;
}

}  // namespace tvx

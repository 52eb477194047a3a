#include "atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace tvx {

OSErr StatusFromErrno(int err) {
  switch (err) {
    case ENOENT:
    case ENOTDIR:
      return fnfErr;
    case EACCES:
    case EPERM:
    case EROFS:
      return permErr;
    case EISDIR:
      return notAFileErr;
    case ENOSPC:
    case EDQUOT:
      return dskFulErr;
    case ENOMEM:
      return memFullErr;
    default:
      return ioErr;
  }
}

AtomicFile::~AtomicFile() { Abandon(); }

OSErr AtomicFile::Create(const std::string& destination) {
  Abandon();
  destination_ = destination;
  std::string folder = ".";
  std::string::size_type slash = destination.rfind('/');
  if (slash != std::string::npos) folder = slash == 0 ? "/" : destination.substr(0, slash);
  struct stat st{};
  if (::stat(destination.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return notAFileErr;
  std::string pattern = folder + (folder == "/" ? "" : "/") + ".talvenix-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int fd = ::mkstemp(name.data());
  if (fd < 0) return StatusFromErrno(errno);
  fd_ = fd;
  temporary_ = name.data();
  size_ = 0;
  // Keep the permissions an ordinary new file would get (mkstemp makes it 0600).
  mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd_, 0666 & ~mask);
  return noErr;
}

OSErr AtomicFile::Write(const void* data, std::size_t size) {
  OSErr err = WriteAt(size_, data, size);
  return err;
}

OSErr AtomicFile::WriteAt(std::uint64_t offset, const void* data, std::size_t size) {
  if (fd_ < 0) return ioErr;
  const char* p = static_cast<const char*>(data);
  std::uint64_t at = offset;
  while (size > 0) {
    ssize_t n = ::pwrite(fd_, p, size, off_t(at));
    if (n < 0) {
      if (errno == EINTR) continue;
      return StatusFromErrno(errno);
    }
    if (n == 0) return dskFulErr;
    p += n;
    at += std::uint64_t(n);
    size -= std::size_t(n);
  }
  if (at > size_) size_ = at;
  return noErr;
}

OSErr AtomicFile::Commit() {
  if (fd_ < 0) return ioErr;
  if (::fsync(fd_) != 0) {
    OSErr err = StatusFromErrno(errno);
    Abandon();
    return err;
  }
  if (::close(fd_) != 0) {
    fd_ = -1;
    OSErr err = StatusFromErrno(errno);
    Abandon();
    return err;
  }
  fd_ = -1;
  if (::rename(temporary_.c_str(), destination_.c_str()) != 0) {
    OSErr err = StatusFromErrno(errno);
    Abandon();
    return err;
  }
  temporary_.clear();
  return noErr;
}

void AtomicFile::Abandon() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
  temporary_.clear();
}

}  // namespace tvx

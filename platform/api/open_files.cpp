// OpenMovieFile and CloseMovieFile, and the table of open movie files they keep.
#include "open_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>

#include "../Movies.h"
#include "../system/atomic_file.h"
#include "status.h"

namespace tvx {

namespace {

std::map<SInt16, OpenMovieFileRecord>& Table() {
  static std::map<SInt16, OpenMovieFileRecord> table;
  return table;
}

// Opening a file for reading can fail only for the reasons the shared mapping names; anything it
// would call a full disk or memory is an I/O failure here.
OSErr StatusFromOpenErrno(int err) {
  OSErr status = StatusFromErrno(err);
  return status == dskFulErr || status == memFullErr ? ioErr : status;
}

}  // namespace

const OpenMovieFileRecord* LookupMovieFile(SInt16 refNum) {
  auto it = Table().find(refNum);
  return it == Table().end() ? nullptr : &it->second;
}

}  // namespace tvx

OSErr OpenMovieFile(const FSSpec* fileSpec, SInt16* resRefNum, SInt8 permission) {
  if (resRefNum) *resRefNum = 0;
  if (!fileSpec || fileSpec->path.empty()) return tvx::SetMoviesError(fnfErr);
  if (!resRefNum) return tvx::SetMoviesError(paramErr);
  auto& table = tvx::Table();
  SInt16 refNum = 1;
  while (table.count(refNum) && refNum < INT16_MAX) ++refNum;
  if (table.count(refNum)) return tvx::SetMoviesError(ioErr);  // every number is in use

  const bool writable = (permission & fsWrPerm) != 0;
  // O_NONBLOCK: opening a FIFO must not wait for a writer; regular files ignore it.
  int fd = ::open(fileSpec->path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return tvx::SetMoviesError(tvx::StatusFromOpenErrno(errno));
  struct stat st{};
  const OSErr kind = ::fstat(fd, &st) != 0 ? ioErr : S_ISREG(st.st_mode) ? noErr : notAFileErr;
  if (kind != noErr) {
    ::close(fd);
    return tvx::SetMoviesError(kind);
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);

  tvx::OpenMovieFileRecord record;
  record.fd = fd;
  record.writable = writable;
  record.path = fileSpec->path;
  if (record.path[0] != '/') {  // specs are absolute, but self references need an absolute path
    char cwd[4096];
    if (::getcwd(cwd, sizeof cwd)) record.path = std::string(cwd) + "/" + record.path;
  }
  table[refNum] = record;
  *resRefNum = refNum;
  return tvx::SetMoviesError(noErr);
}

OSErr CloseMovieFile(SInt16 resRefNum) {
  auto& table = tvx::Table();
  auto it = table.find(resRefNum);
  if (it == table.end()) return tvx::SetMoviesError(rfNumErr);
  const int status = ::close(it->second.fd);
  table.erase(it);
  return tvx::SetMoviesError(status == 0 ? noErr : ioErr);
}

#include "movie_resource_update.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <vector>

#include "../system/atomic_file.h"
#include "movie_atom_writer.h"

namespace tvx {
namespace {

struct TopAtom {
  std::uint64_t offset = 0;
  std::uint64_t size = 0;
  std::uint32_t headerSize = 8;
  bool sizeToEnd = false;  // size field 0: runs to the end of the file
};

OSErr ReadAt(int fd, std::uint64_t offset, void* data, std::size_t size) {
  auto* p = static_cast<std::uint8_t*>(data);
  while (size > 0) {
    ssize_t n = ::pread(fd, p, size, off_t(offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      return StatusFromErrno(errno);
    }
    if (n == 0) return eofErr;
    p += n;
    offset += std::uint64_t(n);
    size -= std::size_t(n);
  }
  return noErr;
}

OSErr WriteAt(int fd, std::uint64_t offset, const void* data, std::size_t size) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  while (size > 0) {
    ssize_t n = ::pwrite(fd, p, size, off_t(offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      return StatusFromErrno(errno);
    }
    if (n == 0) return dskFulErr;
    p += n;
    offset += std::uint64_t(n);
    size -= std::size_t(n);
  }
  return noErr;
}

std::uint32_t Be32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

// Walks the top-level atoms; finds the first 'moov' and the last atom. Every atom must lie
// inside the file, or appending would land inside one of them.
OSErr WalkTopLevel(int fd, std::uint64_t fileSize, TopAtom* moov, bool* hasMoov, TopAtom* last) {
  *hasMoov = false;
  std::uint64_t at = 0;
  while (at < fileSize) {
    if (fileSize - at < 8) return badPublicMovieAtom;
    std::uint8_t header[16];
    if (OSErr err = ReadAt(fd, at, header, 8); err != noErr) return err;
    TopAtom atom;
    atom.offset = at;
    std::uint64_t size = Be32(header);
    std::uint32_t type = Be32(header + 4);
    if (size == 1) {
      if (fileSize - at < 16) return badPublicMovieAtom;
      if (OSErr err = ReadAt(fd, at + 8, header + 8, 8); err != noErr) return err;
      size = std::uint64_t(Be32(header + 8)) << 32 | Be32(header + 12);
      atom.headerSize = 16;
    } else if (size == 0) {
      size = fileSize - at;
      atom.sizeToEnd = true;
    }
    if (size < atom.headerSize || size > fileSize - at) return badPublicMovieAtom;
    atom.size = size;
    if (type == FOUR_CHAR_CODE("moov") && !*hasMoov) {
      *moov = atom;
      *hasMoov = true;
    }
    *last = atom;
    at += size;
  }
  return noErr;
}

}  // namespace

OSErr UpdateMovieInFile(Movie& movie, const std::string& path, int fd) {
  if (!movie.originHasMovieAtom) return invalidMovie;
  struct stat st{};
  if (::fstat(fd, &st) != 0) return StatusFromErrno(errno);
  auto fileSize = std::uint64_t(st.st_size);
  TopAtom old;
  TopAtom last;
  bool hasMoov = false;
  if (OSErr err = WalkTopLevel(fd, fileSize, &old, &hasMoov, &last); err != noErr) return err;
  if (!hasMoov) return invalidMovie;

  MovieAtomOptions options;
  options.outputPath = path;
  std::vector<std::uint8_t> atom;
  if (OSErr err = BuildMovieAtom(movie, options, &atom); err != noErr) return err;

  // An atom that runs to the end of the file would swallow what is appended: give it its size.
  if (last.sizeToEnd) {
    if (last.size > 0xFFFFFFFFull) return badPublicMovieAtom;
    std::uint8_t size[4] = {std::uint8_t(last.size >> 24), std::uint8_t(last.size >> 16),
                            std::uint8_t(last.size >> 8), std::uint8_t(last.size)};
    if (OSErr err = WriteAt(fd, last.offset, size, 4); err != noErr) return err;
  }
  if (OSErr err = WriteAt(fd, fileSize, atom.data(), atom.size()); err != noErr) {
    if (::ftruncate(fd, off_t(fileSize)) != 0) { /* the old movie is still whole */ }
    return err;
  }
  if (::fdatasync(fd) != 0) return StatusFromErrno(errno);
  // The size fields (32- or 64-bit) stay as they were; only the type changes.
  const std::uint8_t freeType[4] = {'f', 'r', 'e', 'e'};
  if (OSErr err = WriteAt(fd, old.offset + 4, freeType, 4); err != noErr) return err;
  if (::fdatasync(fd) != 0) return StatusFromErrno(errno);

  movie.originPath = path;
  movie.originMoovOffset = fileSize;
  movie.originMoovSize = atom.size();
  return noErr;
}

}  // namespace tvx

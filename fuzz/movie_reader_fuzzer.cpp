// libFuzzer target for the movie reader: any bytes, read as a movie file, give a status.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/read/movie_file_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // An in-memory file: the reader works on a descriptor, as it does for real files.
  int fd = ::memfd_create("movie", 0);
  if (fd < 0) return 0;
  std::size_t written = 0;
  while (written < size) {
    ssize_t n = ::write(fd, data + written, size - written);
    if (n <= 0) break;
    written += std::size_t(n);
  }
  std::unique_ptr<tvx::Movie> movie;
  // Resolving makes the alias and URL decoders run; it only looks at paths.
  tvx::ReadMovieFile(fd, "/nonexistent/fuzz/movie.mov", true, &movie);
  if (movie) {
    for (const auto& t : movie->tracks) {
      const tvx::SampleTable& s = t->media.samples;
      if (s.sampleCount > 0) {
        (void)s.SampleOffset(s.sampleCount - 1);
        (void)s.SampleAtTime(s.Duration());
      }
    }
  }
  ::close(fd);
  return 0;
}

// Writes bytes to a file in a temporary folder and reads the movie back.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "atom_builder.h"
#include "platform/read/movie_file_reader.h"

namespace readtest {

/// A folder removed with its contents when the test ends.
class TempFolder {
 public:
  TempFolder() {
    char pattern[] = "/tmp/talvenix-read-XXXXXX";
    path_ = ::mkdtemp(pattern);
  }
  ~TempFolder() { std::filesystem::remove_all(path_); }
  const std::string& path() const { return path_; }
  std::string Write(const std::string& name, const Bytes& bytes) const {
    const std::string file = path_ + "/" + name;
    std::filesystem::create_directories(std::filesystem::path(file).parent_path());
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                std::streamsize(bytes.size()));
    return file;
  }

 private:
  std::string path_;
};

struct Loaded {
  OSErr status = noErr;
  std::unique_ptr<tvx::Movie> movie;
};

inline Loaded LoadPath(const std::string& path, bool resolve = true) {
  Loaded result;
  int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) {
    result.status = fnfErr;
    return result;
  }
  result.status = tvx::ReadMovieFile(fd, path, resolve, &result.movie);
  ::close(fd);
  return result;
}

inline Loaded Load(const Bytes& bytes, bool resolve = true) {
  TempFolder folder;
  return LoadPath(folder.Write("movie.mov", bytes), resolve);
}

}  // namespace readtest

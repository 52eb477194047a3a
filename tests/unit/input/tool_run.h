// Runs the built tool in a scratch folder and opens what it wrote with our own reader.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <boost/filesystem.hpp>
#include <fstream>
#include <initializer_list>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Movies.h"

namespace tooltest {

namespace fs = boost::filesystem;

struct ToolResult {
  int status = -1;
  std::string out;
  std::string err;
};

inline std::string ReadFile(const fs::path& path) {
  std::ifstream in(path.string(), std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline std::string Fixture(const std::string& name) {
  return std::string(TALVENIX_FIXTURES) + "/" + name;
}

/// "at line 123 of x.cpp" -> "at line N of x.cpp": line numbers are the code's, not the message's.
inline std::string MaskLines(const std::string& text) {
  static const std::regex line(" at line [0-9]+ of ");
  return std::regex_replace(text, line, " at line N of ");
}

/// A scratch folder that is also the tool's HOME and config folder, so the Desktop default and
/// the preferences file are the test's own.
class Scratch {
 public:
  Scratch() {
    dir_ = fs::temp_directory_path() / fs::unique_path("talvenix-%%%%-%%%%-%%%%");
    fs::create_directories(dir_);
    home_ = dir_;
  }
  ~Scratch() {
    boost::system::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

  const fs::path& dir() const { return dir_; }
  fs::path operator/(const std::string& name) const { return dir_ / name; }
  void SetHome(const fs::path& home) { home_ = home; }

  /// A copy of a fixture in the scratch folder, for runs that write beside or into it.
  fs::path Copy(const std::string& fixture, const std::string& as = "") const {
    const fs::path target = dir_ / (as.empty() ? fixture : as);
    fs::copy_file(Fixture(fixture), target, fs::copy_option::overwrite_if_exists);
    return target;
  }

  /// Runs clipchain, clipstack or cliptweak with the scratch folder as working directory.
  ToolResult Run(const std::string& program, const std::vector<std::string>& args) const {
    const fs::path out = dir_ / ".stdout";
    const fs::path err = dir_ / ".stderr";
    const std::string binary = std::string(TALVENIX_BINARY_DIR) + "/" + program;
    const pid_t child = fork();
    if (child == 0) {
      if (chdir(dir_.c_str()) != 0) _exit(127);
      setenv("HOME", home_.c_str(), 1);
      setenv("XDG_CONFIG_HOME", (home_ / ".config").c_str(), 1);
      unsetenv("SOURCE_DATE_EPOCH");
      const int outFd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      const int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      const int inFd = open("/dev/null", O_RDONLY);
      if (outFd < 0 || errFd < 0 || inFd < 0) _exit(127);
      dup2(inFd, 0);
      dup2(outFd, 1);
      dup2(errFd, 2);
      std::vector<char*> argv;
      argv.push_back(const_cast<char*>(program.c_str()));
      for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
      argv.push_back(nullptr);
      execv(binary.c_str(), argv.data());
      _exit(127);
    }
    ToolResult result;
    int waitStatus = 0;
    if (child > 0 && waitpid(child, &waitStatus, 0) == child && WIFEXITED(waitStatus)) {
      result.status = WEXITSTATUS(waitStatus);
    }
    result.out = ReadFile(out);
    result.err = ReadFile(err);
    return result;
  }

 private:
  fs::path dir_;
  fs::path home_;
};

/// What a written movie holds, read back with our own reader.
struct MovieFacts {
  OSErr status = -1;
  long tracks = 0;
  double seconds = 0;
  std::vector<OSType> types;           // media type of each track, in order
  std::vector<double> trackSeconds;    // duration of each track, in order
  std::vector<MatrixRecord> matrices;  // of each track, in order
  MatrixRecord movieMatrix{};
};

inline MovieFacts ReadMovieFacts(const fs::path& path) {
  static const OSErr entered = EnterMovies();
  (void)entered;
  MovieFacts facts;
  FSSpec spec;
  spec.path = fs::absolute(path).string();
  SInt16 refNum = 0;
  facts.status = OpenMovieFile(&spec, &refNum, fsRdPerm);
  if (facts.status != noErr) return facts;
  Movie movie = nullptr;
  SInt16 resId = 0;
  facts.status = NewMovieFromFile(&movie, refNum, &resId, nullptr, 0, nullptr);
  CloseMovieFile(refNum);
  if (movie == nullptr) return facts;
  const double scale = GetMovieTimeScale(movie);
  facts.tracks = GetMovieTrackCount(movie);
  GetMovieMatrix(movie, &facts.movieMatrix);
  facts.seconds = GetMovieDuration(movie) / scale;
  for (long i = 1; i <= facts.tracks; ++i) {
    Track track = GetMovieIndTrack(movie, i);
    OSType type = 0;
    GetMediaHandlerDescription(GetTrackMedia(track), &type, nullptr, nullptr);
    facts.types.push_back(type);
    facts.trackSeconds.push_back(GetTrackDuration(track) / scale);
    MatrixRecord matrix;
    GetTrackMatrix(track, &matrix);
    facts.matrices.push_back(matrix);
  }
  return facts;
}

}  // namespace tooltest

// Runs FFmpeg and GStreamer on written movies, and loads movies with our own toolbox.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Movies.h"

namespace flattest {

inline bool HaveTool(const std::string& name) {
  std::string command = "command -v " + name + " >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

inline std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

/// Standard output of a shell command (standard error dropped), and whether it exited with 0.
inline bool Capture(const std::string& command, std::string* out) {
  out->clear();
  FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return false;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out->append(buffer, n);
  return ::pclose(pipe) == 0;
}

/// A decoded frame as FFmpeg's framemd5 muxer lists it.
struct Frame {
  double seconds = 0;
  std::string md5;
};

/// Decodes the first stream of a kind ("v" or "a") with FFmpeg, which follows no data
/// references unless asked: a self-contained file has to stand alone.
inline std::vector<Frame> DecodeFrames(const std::string& file, const std::string& kind = "v") {
  std::string out;
  std::vector<Frame> frames;
  if (!Capture("ffmpeg -nostdin -hide_banner -loglevel error -noautorotate -i " + Quote(file) +
                   " -map 0:" + kind + ":0 -f framemd5 -",
               &out))
    return frames;
  std::istringstream lines(out);
  std::string line;
  double timeBase = 0;
  while (std::getline(lines, line)) {
    int num = 0, den = 0;
    if (std::sscanf(line.c_str(), "#tb 0: %d/%d", &num, &den) == 2 && den != 0)
      timeBase = double(num) / den;
    if (line.empty() || line[0] == '#') continue;
    long long stream = 0, dts = 0, pts = 0;
    if (std::sscanf(line.c_str(), "%lld, %lld, %lld", &stream, &dts, &pts) != 3) continue;
    Frame f;
    f.seconds = double(pts) * timeBase;
    f.md5 = line.substr(line.rfind(',') + 1);
    f.md5.erase(0, f.md5.find_first_not_of(' '));
    frames.push_back(f);
  }
  return frames;
}

inline std::vector<std::string> Hashes(const std::vector<Frame>& frames, double from = -1e9,
                                       double to = 1e9) {
  std::vector<std::string> h;
  for (const Frame& f : frames)
    if (f.seconds >= from - 1e-6 && f.seconds < to - 1e-6) h.push_back(f.md5);
  return h;
}

/// Frames GStreamer's qtdemux and decoders hand to a sink for the first video stream.
struct GstVideo {
  bool ok = false;
  int frames = 0;
  double endSeconds = 0;  // pts + duration of the last frame
};

inline GstVideo GstDecode(const std::string& file) {
  GstVideo result;
  std::string out;
  result.ok = Capture("gst-launch-1.0 -v filesrc location=" + Quote(file) +
                          " ! qtdemux name=d d.video_0 ! decodebin ! fakesink silent=false sync=false",
                      &out);
  std::istringstream lines(out);
  std::string line;
  auto seconds = [](const std::string& s, std::size_t at) {
    int h = 0, m = 0;
    double sec = 0;
    if (std::sscanf(s.c_str() + at, "%d:%d:%lf", &h, &m, &sec) != 3) return 0.0;
    return h * 3600.0 + m * 60.0 + sec;
  };
  while (std::getline(lines, line)) {
    if (line.find("chain") == std::string::npos) continue;
    std::size_t pts = line.find("pts: ");
    if (pts == std::string::npos) continue;
    ++result.frames;
    double end = seconds(line, pts + 5);
    std::size_t dur = line.find("duration: ");
    if (dur != std::string::npos) end += seconds(line, dur + 10);
    result.endSeconds = std::max(result.endSeconds, end);
  }
  return result;
}

/// Opens a movie file with our toolbox; null on failure.
inline Movie LoadMovie(const std::string& path) {
  static const bool entered = (EnterMovies(), true);
  (void)entered;
  FSSpec spec{path};
  SInt16 refNum = 0;
  if (OpenMovieFile(&spec, &refNum, fsRdPerm) != noErr) return nullptr;
  Movie movie = nullptr;
  SInt16 resId = 0;
  OSErr err = NewMovieFromFile(&movie, refNum, &resId, nullptr, 0, nullptr);
  CloseMovieFile(refNum);
  return err == noErr ? movie : nullptr;
}

/// Writes movie self-contained into path with the given flags; the toolbox's status.
inline OSErr Flatten(Movie movie, const std::string& path, long flags) {
  Handle ref = nullptr;
  if (PtrToHand(path.c_str(), &ref, long(path.size() + 1)) != noErr) return memFullErr;
  FlattenMovieDataToDataRef(movie, flags, ref, FOUR_CHAR_CODE("alis"), FOUR_CHAR_CODE("TVOD"), -1,
                            createMovieFileDeleteCurFile);
  OSErr err = GetMoviesError();
  DisposeHandle(ref);
  return err;
}

}  // namespace flattest

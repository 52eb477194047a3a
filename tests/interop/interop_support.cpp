#include "interop/interop_support.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/model/movie_model.h"

extern char** environ;

namespace interop {

std::string ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

CommandResult Run(const std::vector<std::string>& argv, const fs::path& cwd,
                  const std::vector<std::string>& env) {
  CommandResult result;
  // Capture into files rather than pipes: no deadlock when a child fills both streams.
  char outName[] = "/tmp/tvx_interop_outXXXXXX";
  char errName[] = "/tmp/tvx_interop_errXXXXXX";
  int outFd = mkstemp(outName);
  int errFd = mkstemp(errName);
  if (outFd < 0 || errFd < 0) throw std::runtime_error("mkstemp failed");

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, outFd, 1);
  posix_spawn_file_actions_adddup2(&actions, errFd, 2);
  if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());

  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);

  std::vector<std::string> environment;
  for (char** e = environ; *e; ++e) {
    std::string entry = *e;
    std::string name = entry.substr(0, entry.find('=') + 1);
    bool replaced = std::any_of(env.begin(), env.end(),
                                [&](const std::string& o) { return o.rfind(name, 0) == 0; });
    if (!replaced) environment.push_back(entry);
  }
  environment.insert(environment.end(), env.begin(), env.end());
  std::vector<char*> envp;
  for (std::string& e : environment) envp.push_back(e.data());
  envp.push_back(nullptr);

  pid_t pid = 0;
  int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc == 0) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
    else if (WIFSIGNALED(status)) result.status = 128 + WTERMSIG(status);
  } else {
    result.err = std::string("cannot start ") + argv[0] + ": " + std::strerror(rc);
  }
  close(outFd);
  close(errFd);
  result.out = ReadFile(outName);
  result.err += ReadFile(errName);
  unlink(outName);
  unlink(errName);
  return result;
}

bool HaveTool(const std::string& name) {
  const char* path = std::getenv("PATH");
  if (!path) return false;
  std::stringstream dirs(path);
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    fs::path candidate = fs::path(dir.empty() ? "." : dir) / name;
    if (access(candidate.c_str(), X_OK) == 0) return true;
  }
  return false;
}

std::string Tool(const std::string& name) { return std::string(TALVENIX_BINARY_DIR) + "/" + name; }

fs::path Fixture(const std::string& name) { return fs::path(TALVENIX_FIXTURES) / name; }

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "tvx_interop_XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  // Canonical, so paths the tool records (alias records) match what the test compares.
  path_ = fs::canonical(pattern);
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

fs::path TempDir::CopyFixture(const std::string& name, const std::string& as) const {
  fs::path to = path_ / (as.empty() ? name : as);
  fs::copy_file(Fixture(name), to, fs::copy_options::overwrite_existing);
  return to;
}

std::vector<std::string> Frames::Hashes() const {
  std::vector<std::string> hashes;
  for (const Frame& f : frames) hashes.push_back(f.md5);
  return hashes;
}

namespace {

Frames FrameMd5(const fs::path& file, const std::string& stream, bool copy) {
  Frames frames;
  std::vector<std::string> args = {"ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error",
                                   "-enable_drefs", "1", "-noautorotate", "-i", file.string(),
                                   "-map", "0:" + stream};
  if (stream.find(':') == std::string::npos) args.back() += ":0";
  if (copy) {
    args.push_back("-c");
    args.push_back("copy");
  }
  for (const char* a : {"-f", "framemd5", "-"}) args.push_back(a);
  CommandResult r = Run(args);
  frames.ok = r.status == 0;
  frames.error = r.err;
  std::istringstream lines(r.out);
  std::string line;
  while (std::getline(lines, line)) {
    int num = 0, den = 0;
    if (std::sscanf(line.c_str(), "#tb 0: %d/%d", &num, &den) == 2 && den != 0)
      frames.timeBase = static_cast<double>(num) / den;
    if (line.empty() || line[0] == '#') continue;
    // stream, dts, pts, duration, size, hash
    std::vector<std::string> fields;
    std::stringstream s(line);
    std::string field;
    while (std::getline(s, field, ',')) {
      field.erase(0, field.find_first_not_of(' '));
      fields.push_back(field);
    }
    // A packet that carries new extradata appends side-data fields after the hash.
    if (fields.size() < 6) continue;
    frames.frames.push_back({std::stoll(fields[2]), std::stoll(fields[3]), fields[5]});
  }
  return frames;
}

}  // namespace

double Frames::Seconds() const {
  std::int64_t total = 0;
  for (const Frame& f : frames) total += f.duration;
  return total * timeBase;
}

std::vector<std::string> Frames::HashesBetween(double from, double to) const {
  std::vector<std::string> hashes;
  for (const Frame& f : frames) {
    double t = f.pts * timeBase;
    if (t >= from - 1e-6 && t < to - 1e-6) hashes.push_back(f.md5);
  }
  return hashes;
}

Frames DecodeFrames(const fs::path& file, const std::string& stream) {
  return FrameMd5(file, stream, false);
}

Frames PacketHashes(const fs::path& file, const std::string& stream) {
  return FrameMd5(file, stream, true);
}

std::vector<std::string> Probe(const fs::path& file, const std::string& entries,
                               const std::string& streams) {
  std::vector<std::string> args = {"ffprobe", "-v", "error", "-enable_drefs", "1"};
  if (!streams.empty()) {
    args.push_back("-select_streams");
    args.push_back(streams);
  }
  for (const char* a : {"-show_entries", entries.c_str(), "-of", "default=nw=1:nk=1"})
    args.push_back(a);
  args.push_back(file.string());
  CommandResult r = Run(args);
  std::vector<std::string> values;
  std::istringstream lines(r.out);
  std::string line;
  while (std::getline(lines, line))
    if (!line.empty()) values.push_back(line);
  return values;
}

double ProbeDuration(const fs::path& file, const std::string& streams) {
  std::vector<std::string> v =
      Probe(file, streams.empty() ? "format=duration" : "stream=duration", streams);
  if (v.empty() || v[0] == "N/A") return -1;
  return std::stod(v[0]);
}

double ProbeRotation(const fs::path& file) {
  CommandResult r = Run({"ffprobe", "-v", "error", "-enable_drefs", "1", "-select_streams", "v:0",
                         "-show_streams", file.string()});
  // FFmpeg 5+ prints the display matrix as side data "rotation=-90"; older ones a rotate tag.
  std::istringstream lines(r.out);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind("rotation=", 0) == 0) return std::stod(line.substr(9));
    if (line.rfind("TAG:rotate=", 0) == 0) return -std::stod(line.substr(11));
  }
  return 0;
}

std::vector<std::int16_t> DecodePcm(const fs::path& file, const std::string& stream) {
  std::string map = "0:" + stream + (stream.find(':') == std::string::npos ? ":0" : "");
  CommandResult r = Run({"ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error",
                         "-enable_drefs", "1", "-i", file.string(), "-map", map, "-ac", "1",
                         "-f", "s16le", "-"});
  std::vector<std::int16_t> pcm(r.out.size() / 2);
  for (std::size_t i = 0; i < pcm.size(); ++i)
    pcm[i] = static_cast<std::int16_t>(static_cast<unsigned char>(r.out[2 * i]) |
                                       static_cast<unsigned char>(r.out[2 * i + 1]) << 8);
  return pcm;
}

int MaxDifference(const std::vector<std::int16_t>& a, std::size_t aFrom,
                  const std::vector<std::int16_t>& b, std::size_t bFrom, std::size_t count) {
  if (aFrom + count > a.size() || bFrom + count > b.size()) return 1 << 16;  // out of range
  int most = 0;
  for (std::size_t i = 0; i < count; ++i)
    most = std::max(most, std::abs(int(a[aFrom + i]) - int(b[bFrom + i])));
  return most;
}

namespace {

struct AtomSpan {
  std::string type;
  std::uint64_t start, headerSize, size;
};

std::uint64_t BigEndian(const std::string& bytes, std::uint64_t at, int count) {
  std::uint64_t v = 0;
  for (int i = 0; i < count; ++i) v = (v << 8) | static_cast<unsigned char>(bytes[at + i]);
  return v;
}

std::vector<AtomSpan> Atoms(const std::string& bytes, std::uint64_t begin, std::uint64_t end) {
  std::vector<AtomSpan> atoms;
  std::uint64_t at = begin;
  while (end - at >= 8) {
    std::uint64_t size = BigEndian(bytes, at, 4);
    std::uint64_t header = 8;
    if (size == 1) {
      if (end - at < 16) break;
      size = BigEndian(bytes, at + 8, 8);
      header = 16;
    } else if (size == 0) {
      size = end - at;
    }
    if (size < header || size > end - at) break;
    atoms.push_back({bytes.substr(at + 4, 4), at, header, size});
    at += size;
  }
  return atoms;
}

bool ContainsType(const std::string& bytes, const AtomSpan& parent, const std::string& type,
                  int depth) {
  if (depth > 12) return false;
  for (const AtomSpan& child :
       Atoms(bytes, parent.start + parent.headerSize, parent.start + parent.size)) {
    if (child.type == type) return true;
    if (ContainsType(bytes, child, type, depth + 1)) return true;
  }
  return false;
}

}  // namespace

std::vector<std::string> TopLevelAtoms(const fs::path& file) {
  std::string bytes = ReadFile(file);
  std::vector<std::string> types;
  for (const AtomSpan& a : Atoms(bytes, 0, bytes.size())) types.push_back(a.type);
  return types;
}

bool MovieAtomContains(const fs::path& file, const std::string& type) {
  std::string bytes = ReadFile(file);
  for (const AtomSpan& a : Atoms(bytes, 0, bytes.size()))
    if (a.type == "moov" && ContainsType(bytes, a, type, 0)) return true;
  return false;
}

GstResult GstDecodeVideo(const fs::path& file) {
  GstResult result;
  CommandResult r = Run({"gst-launch-1.0", "-v", "filesrc", "location=" + file.string(), "!",
                         "qtdemux", "name=d", "d.video_0", "!", "decodebin", "!", "fakesink",
                         "silent=false", "sync=false"});
  result.ok = r.status == 0;
  result.error = r.err;
  std::istringstream lines(r.out);
  std::string line;
  auto seconds = [](const std::string& s, std::size_t at) {
    int h = 0, m = 0;
    double sec = 0;
    if (std::sscanf(s.c_str() + at, "%d:%d:%lf", &h, &m, &sec) != 3) return 0.0;
    return h * 3600.0 + m * 60.0 + sec;
  };
  double first = 0, last = 0;
  while (std::getline(lines, line)) {
    if (line.find("fakesink") == std::string::npos || line.find("chain") == std::string::npos)
      continue;
    std::size_t pts = line.find("pts: ");
    std::size_t dur = line.find("duration: ");
    if (pts == std::string::npos) continue;
    double start = seconds(line, pts + 5);
    double end = start + (dur != std::string::npos ? seconds(line, dur + 10) : 0);
    if (result.frames++ == 0) first = start;
    first = std::min(first, start);
    last = std::max(last, end);
  }
  result.spanSeconds = result.frames ? last - first : 0;
  return result;
}

LoadedMovie LoadMovie(const fs::path& file, SInt16 flags) {
  static bool entered = (EnterMovies(), true);
  (void)entered;
  LoadedMovie loaded;
  FSSpec spec{fs::absolute(file).string()};
  SInt16 refNum = 0;
  loaded.status = OpenMovieFile(&spec, &refNum, fsRdPerm);
  if (loaded.status != noErr) return loaded;
  SInt16 resId = 0;
  loaded.status = NewMovieFromFile(&loaded.movie, refNum, &resId, nullptr, flags, nullptr);
  CloseMovieFile(refNum);
  return loaded;
}

std::vector<TrackSummary> Summarize(Movie movie) {
  std::vector<TrackSummary> tracks;
  if (!movie) return tracks;
  const double scale = movie->timeScale > 0 ? movie->timeScale : 1;
  for (const auto& t : movie->tracks) {
    TrackSummary s;
    OSType h = t->media.handlerType;
    s.type = {char(h >> 24), char(h >> 16), char(h >> 8), char(h)};
    s.samples = t->media.samples.sampleCount;
    s.descriptions = t->media.descriptions.size();
    for (const tvx::DataRef& d : t->media.dataRefs)
      s.files.push_back(d.kind == tvx::DataRef::Kind::Self ? "" : d.resolvedPath);
    std::int64_t empty = 0, total = 0;
    bool seenMedia = false;
    for (const tvx::Edit& e : t->edits) {
      if (e.mediaTime < 0 && !seenMedia) empty += e.duration;
      if (e.mediaTime >= 0) seenMedia = true;
      total += e.duration;
    }
    s.start = empty / scale;
    s.duration = total / scale;
    tracks.push_back(s);
  }
  return tracks;
}

std::vector<TrackSummary> OfType(const std::vector<TrackSummary>& tracks,
                                 const std::string& type) {
  std::vector<TrackSummary> out;
  for (const TrackSummary& t : tracks)
    if (t.type == type) out.push_back(t);
  return out;
}

std::vector<FolderEntry> Snapshot(const fs::path& folder) {
  std::vector<FolderEntry> entries;
  for (const fs::directory_entry& e : fs::directory_iterator(folder)) {
    std::string bytes = ReadFile(e.path());
    std::uint64_t h = 1469598103934665603ull;  // FNV-1a
    for (unsigned char c : bytes) h = (h ^ c) * 1099511628211ull;
    char digest[17];
    std::snprintf(digest, sizeof digest, "%016llx", static_cast<unsigned long long>(h));
    entries.push_back({e.path().filename().string(), e.is_regular_file() ? e.file_size() : 0,
                       digest});
  }
  std::sort(entries.begin(), entries.end(),
            [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
  return entries;
}

}  // namespace interop

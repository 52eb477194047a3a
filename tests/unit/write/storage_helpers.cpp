#include "storage_helpers.h"

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace write_test {

TempFolder::TempFolder() {
  char pattern[] = "/tmp/talvenix-write-XXXXXX";
  const char* made = ::mkdtemp(pattern);
  path_ = made != nullptr ? made : "";
}

TempFolder::~TempFolder() {
  std::error_code ec;
  if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}

std::string TempFolder::CopyFixture(const std::string& fixture, const std::string& relative) const {
  std::filesystem::path to = std::filesystem::path(path_) / relative;
  std::filesystem::create_directories(to.parent_path());
  std::filesystem::copy_file(std::filesystem::path(TALVENIX_FIXTURES) / fixture, to,
                             std::filesystem::copy_options::overwrite_existing);
  return to.string();
}

std::vector<std::string> TempFolder::Entries(const std::string& relative) const {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(std::filesystem::path(path_) / relative))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

Movie LoadMovie(const std::string& path, SInt8 permission, SInt16* refNum) {
  FSSpec spec{path};
  SInt16 ref = 0;
  if (OpenMovieFile(&spec, &ref, permission) != noErr) return nullptr;
  Movie movie = nullptr;
  OSErr err = NewMovieFromFile(&movie, ref, nullptr, nullptr, 0, nullptr);
  if (refNum != nullptr) {
    *refNum = ref;
  } else {
    CloseMovieFile(ref);
  }
  return err == noErr ? movie : nullptr;
}

OSErr WriteReferenceMovie(Movie movie, const std::string& destination) {
  CFStringRef text = CFStringCreateWithBytes(kCFAllocatorDefault,
                                             reinterpret_cast<const UInt8*>(destination.data()),
                                             CFIndex(destination.size()), kCFStringEncodingUTF8, 0);
  Handle dataRef = nullptr;
  OSType type = 0;
  OSErr err = QTNewDataReferenceFromFullPathCFString(text, kQTPOSIXPathStyle, 0, &dataRef, &type);
  CFRelease(text);
  if (err != noErr) return err;
  DataHandler dh = nullptr;
  err = CreateMovieStorage(dataRef, type, FOUR_CHAR_CODE("TVOD"), smSystemScript,
                           createMovieFileDeleteCurFile, &dh, nullptr);
  if (err == noErr) err = AddMovieToStorage(movie, dh);
  if (dh != nullptr) CloseComponent(dh);
  DisposeHandle(dataRef);
  return err;
}

std::string RunCommand(const std::string& command) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  ::pclose(pipe);
  return out;
}

bool HaveFFmpeg() { return std::system("ffmpeg -version > /dev/null 2>&1") == 0; }

std::vector<std::string> VideoFrameHashes(const std::string& path) {
  std::string out = RunCommand("ffmpeg -v error -enable_drefs 1 -noautorotate -i '" + path +
                               "' -map 0:v:0 -f framemd5 - 2>/dev/null");
  std::vector<std::string> hashes;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || line[0] == '#') continue;
    hashes.push_back(line.substr(line.rfind(',') + 1));
  }
  return hashes;
}

}  // namespace write_test
